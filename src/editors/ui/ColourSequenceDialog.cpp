#include "editors/ui/ColourSequenceDialog.h"

#include <QAction>
#include <QColorDialog>
#include <QFileDialog>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "app/Workspace.h"
#include "editors/ui/IntervalDialog.h"
#include "editors/ui/SwatchGrid.h"
#include "ui/ColorRef.h"

namespace velmora {

namespace {

constexpr int kToolbarHeight = 26;

}  // namespace

ColourSequenceDialog::ColourSequenceDialog(Prompter& prompter, std::filesystem::path folder,
                                           const std::string& fileName, QWidget* parent)
    : AssetEditorDialog(prompter, std::move(folder), "颜色序列已修改，是否保存？", parent) {
    setWindowTitle(QStringLiteral("颜色编辑器"));
    resize(420, 360);
    Profile profile;
    // A block names its file as the operator typed it; the folder may spell it in another case.
    if (!fileName.empty()) profile.Load(ResolveStored(folder_, fileName));
    std::string note;
    editor_.LoadAtOpening(profile, fileName, &note);
    if (!note.empty()) prompter_.Tell(note);

    auto* toolbar = new QToolBar(this);
    toolbar->setFixedHeight(kToolbarHeight);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    grid_ = new SwatchGrid(editor_);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(grid_);
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(scroll_, 1);

    toolbar->addAction(AddAction(QStringLiteral("颜色"), [this] { return editor_.Append(); }));
    toolbar->addAction(AddAction(QStringLiteral("前移"), [this] { return editor_.MoveForward(); }));
    toolbar->addAction(AddAction(QStringLiteral("后移"), [this] { return editor_.MoveBack(); }));
    toolbar->addAction(AddAction(QStringLiteral("删除"), [this] { return editor_.DeleteCurrent(); }));
    toolbar->addAction(AddAction(QStringLiteral("灯光"), [this] { return EditInterval(); }));
    toolbar->addAction(AddAction(QStringLiteral("打开"), [this] { return Open(); }));
    toolbar->addAction(AddAction(QStringLiteral("保存"), [this] { return Save(); }));
    QAction* undo = AddAction(QStringLiteral("撤销"), [this] { return editor_.Undo(); });
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = AddAction(QStringLiteral("重做"), [this] { return editor_.Redo(); });
    redo->setShortcut(QKeySequence::Redo);
    toolbar->addAction(undo);
    toolbar->addAction(redo);

    connect(grid_, &SwatchGrid::clicked, this, [this](int index) {
        editor_.Select(index);
        Refresh();
    });
    connect(grid_, &SwatchGrid::doubleClicked, this, [this](int index) { EditColour(index); });

    askPath = [this](bool forSaving) {
        const QString start = QString::fromStdString(folder_.string());
        return forSaving ? QFileDialog::getSaveFileName(this, QStringLiteral("保存"), start,
                                                        QStringLiteral("color Files (*.color)"))
                         : QFileDialog::getOpenFileName(this, QStringLiteral("打开"), start,
                                                        QStringLiteral("Color Files (*.color)"));
    };
    askInterval = [this](std::int32_t current) {
        return IntervalDialog::Ask(QStringLiteral("灯光"), current, this);
    };
    askColour = [this](COLORREF current) -> std::optional<COLORREF> {
        const QColor chosen = QColorDialog::getColor(ToQColor(current), this);
        if (!chosen.isValid()) return std::nullopt;
        return FromQColor(chosen);
    };
    Refresh();
}

QAction* ColourSequenceDialog::AddAction(const QString& text, const std::function<bool()>& edit) {
    auto* action = new QAction(text, this);
    action->setObjectName(text);
    connect(action, &QAction::triggered, this, [this, edit] {
        edit();
        Refresh();
    });
    addAction(action);
    return action;
}

QAction* ColourSequenceDialog::Action(const QString& text) const { return findChild<QAction*>(text); }

void ColourSequenceDialog::Refresh() {
    grid_->resize(scroll_->viewport()->width(), std::max(grid_->ContentHeight(), scroll_->viewport()->height()));
    grid_->update();
    const int current = editor_.current();
    const int count = static_cast<int>(editor_.colours().size());
    Action(QStringLiteral("前移"))->setEnabled(current > 0);
    Action(QStringLiteral("后移"))->setEnabled(current >= 0 && current + 1 < count);
    Action(QStringLiteral("删除"))->setEnabled(current >= 0);
    Action(QStringLiteral("撤销"))->setEnabled(editor_.CanUndo());
    Action(QStringLiteral("重做"))->setEnabled(editor_.CanRedo());
    QString title = QStringLiteral("颜色编辑器");
    if (!editor_.fileName().empty()) title += QStringLiteral(" - ") + QString::fromStdString(editor_.fileName());
    if (editor_.IsModified()) title += QStringLiteral(" *");
    setWindowTitle(title);
}

void ColourSequenceDialog::EditColour(int index) {
    editor_.Select(index);
    Refresh();
    if (editor_.current() != index) return;
    const auto chosen = askColour(editor_.colours()[static_cast<std::size_t>(index)].colour);
    if (chosen) editor_.SetColour(index, *chosen);
    Refresh();
}

bool ColourSequenceDialog::EditInterval() {
    const std::optional<std::int32_t> interval = askInterval(editor_.type());
    return interval && editor_.SetType(*interval);
}

bool ColourSequenceDialog::WriteFile(const std::filesystem::path& folder, const std::string& name,
                                     std::string* error) {
    return editor_.Save(folder, name, error);
}

bool ColourSequenceDialog::ReadFile(const std::filesystem::path& file, std::string* error) {
    Profile profile;
    if (!profile.Load(file, error)) return false;
    std::string note;
    editor_.LoadByOpen(profile, file.filename().string(), &note);
    if (!note.empty()) prompter_.Tell(note);
    return true;
}

}  // namespace velmora
