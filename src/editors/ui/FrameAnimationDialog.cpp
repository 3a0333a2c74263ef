#include "editors/ui/FrameAnimationDialog.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Prompter.h"
#include "app/Workspace.h"
#include "editors/ui/FrameEditorIcons.h"
#include "editors/ui/FrameGrid.h"
#include "editors/ui/FrameSettingsDialog.h"
#include "editors/ui/PageStrip.h"
#include "manual/ui/WriteValueDialog.h"

namespace velmora {

namespace {

constexpr int kToolbarHeight = 26;
const QString kStripPrefix = QStringLiteral("页:");

// Page times offered in the drop-down; any other number may be typed.
const char* const kDurations[] = {"0", "100", "200", "300", "500", "1000", "2000"};

bool RectangleComplete(const FrameAnimationEditor& e) {
    return e.corner1().set() && e.corner2().set() && e.corner2().row >= e.corner1().row &&
           e.corner2().col >= e.corner1().col;
}

}  // namespace

FrameAnimationDialog::FrameAnimationDialog(Prompter& prompter, std::filesystem::path folder,
                                           const std::string& fileName, QWidget* parent)
    : AssetEditorDialog(prompter, std::move(folder), "帧动画已修改，是否保存？", parent) {
    setWindowTitle(QStringLiteral("帧编辑器"));
    if (!fileName.empty()) {
        // A block names its file as the operator typed it; the folder may spell it in another case.
        const std::filesystem::path path = ResolveStored(folder_, fileName);
        std::error_code ec;
        if (!path.empty() && std::filesystem::exists(path, ec)) {
            std::string error;
            if (!editor_.Open(path, &error)) prompter_.Tell("打开文件失败！" + error);
        }
    }

    auto* toolbar = new QToolBar(this);
    toolbar->setFixedHeight(kToolbarHeight);
    toolbar->setIconSize(QSize(16, 16));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    grid_ = new FrameGrid(editor_);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(grid_);
    scroll_->setWidgetResizable(false);
    scroll_->setBackgroundRole(QPalette::Base);

    // Moving pages this way has no action here; the buttons keep their place.
    AddAction(toolbar, QStringLiteral("前移"), FrameIcon::Back, [] { return false; })->setEnabled(false);
    AddAction(toolbar, QStringLiteral("后移"), FrameIcon::Forward, [] { return false; })->setEnabled(false);
    AddAction(toolbar, QStringLiteral("配置"), FrameIcon::Settings, [this] {
        Configure();
        return true;
    });
    AddAction(toolbar, QStringLiteral("打开"), FrameIcon::Open, [this] { return Open(); });
    AddAction(toolbar, QStringLiteral("保存"), FrameIcon::Save, [this] { return Save(); });
    toolbar->addSeparator();
    AddAction(toolbar, QStringLiteral("上坡"), FrameIcon::SlopeUp, [this] { return editor_.ApplyTool(FrameTool::SlopeUp); });
    AddAction(toolbar, QStringLiteral("下坡"), FrameIcon::SlopeDown, [this] { return editor_.ApplyTool(FrameTool::SlopeDown); });
    AddAction(toolbar, QStringLiteral("山谷"), FrameIcon::Valley, [this] { return editor_.ApplyTool(FrameTool::Valley); });
    AddAction(toolbar, QStringLiteral("山峰"), FrameIcon::Peak, [this] { return editor_.ApplyTool(FrameTool::Peak); });
    toolbar->addSeparator();
    AddAction(toolbar, QStringLiteral("复制"), FrameIcon::Copy, [this] {
        editor_.CopyCells();
        return true;
    });
    const QString paste = QStringLiteral("粘贴");
    AddAction(toolbar, QStringLiteral("粘贴(左上)"), FrameIcon::PasteTopLeft,
              [this] { return editor_.PasteCells(PasteAnchor::TopLeft); }, paste);
    AddAction(toolbar, QStringLiteral("粘贴(右上)"), FrameIcon::PasteTopRight,
              [this] { return editor_.PasteCells(PasteAnchor::TopRight); }, paste);
    AddAction(toolbar, QStringLiteral("粘贴(右下)"), FrameIcon::PasteBottomRight,
              [this] { return editor_.PasteCells(PasteAnchor::BottomRight); }, paste);
    AddAction(toolbar, QStringLiteral("粘贴(左下)"), FrameIcon::PasteBottomLeft,
              [this] { return editor_.PasteCells(PasteAnchor::BottomLeft); }, paste);
    toolbar->addSeparator();
    AddAction(toolbar, QStringLiteral("环形选择"), FrameIcon::Ring, [this] { return editor_.SelectRing(); });
    // The ring runs down the left edge, along the bottom, up the right and
    // back along the top; moving every cell's content one place towards the
    // ring's head turns the picture clockwise.
    const QString rotate = QStringLiteral("旋转");
    AddAction(toolbar, QStringLiteral("旋转(顺)"), FrameIcon::RotateClockwise, [this] { return editor_.Rotate(true); },
              rotate);
    AddAction(toolbar, QStringLiteral("旋转(逆)"), FrameIcon::RotateAnticlockwise,
              [this] { return editor_.Rotate(false); }, rotate);
    AddAction(toolbar, QStringLiteral("增大"), FrameIcon::Increase, [this] { return editor_.Increase(); });
    AddAction(toolbar, QStringLiteral("减小"), FrameIcon::Decrease, [this] { return editor_.Decrease(); });
    toolbar->addSeparator();
    // The anchored pastes and the two turns show their pictures only, with
    // the tooltips "粘贴" and "旋转"; their names say which one each is.
    for (const char* pictureOnly : {"粘贴(左上)", "粘贴(右上)", "粘贴(右下)", "粘贴(左下)", "旋转(顺)", "旋转(逆)"})
        if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(Action(QString::fromUtf8(pictureOnly)))))
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    QAction* undo = AddAction(toolbar, QStringLiteral("撤销"), FrameIcon::Undo, [this] { return editor_.Undo(); });
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = AddAction(toolbar, QStringLiteral("重做"), FrameIcon::Redo, [this] { return editor_.Redo(); });
    redo->setShortcut(QKeySequence::Redo);

    // Page navigation.
    auto* navigation = new QHBoxLayout;
    navigation->setContentsMargins(6, 4, 6, 4);
    AddNavigation(QStringLiteral("首页"), [] { return 0; });
    AddNavigation(QStringLiteral("<"), [this] { return editor_.page() - 1; });
    pageLabel_ = new QLabel(this);
    pageLabel_->setMinimumWidth(60);
    pageLabel_->setAlignment(Qt::AlignCenter);
    AddNavigation(QStringLiteral(">"), [this] { return editor_.page() + 1; });
    AddNavigation(QStringLiteral("末页"), [this] { return editor_.settings().m_nPageCount - 1; });
    navigation->addWidget(NavigationButton(QStringLiteral("首页")));
    navigation->addWidget(NavigationButton(QStringLiteral("<")));
    navigation->addWidget(pageLabel_);
    navigation->addWidget(NavigationButton(QStringLiteral(">")));
    navigation->addWidget(NavigationButton(QStringLiteral("末页")));
    navigation->addSpacing(24);
    auto* extra = new QLabel(QStringLiteral("附加时间"), this);
    duration_ = new QComboBox(this);
    duration_->setEditable(true);
    duration_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* d : kDurations) duration_->addItem(QString::fromLatin1(d));
    duration_->setValidator(new QIntValidator(0, FrameAnimationEditor::kMaxInterval, duration_));
    duration_->setAccessibleName(QStringLiteral("附加时间"));
    duration_->setMinimumWidth(90);
    extra->setBuddy(duration_);
    navigation->addWidget(extra);
    navigation->addWidget(duration_);
    navigation->addStretch(1);
    connect(duration_->lineEdit(), &QLineEdit::editingFinished, this, &FrameAnimationDialog::TakeDuration);
    connect(duration_, &QComboBox::textActivated, this, &FrameAnimationDialog::TakeDuration);

    // The page strip and its toolbar.
    strip_ = new PageStrip(editor_, this);
    QToolBar* stripBar = &strip_->toolbar();
    AddAction(stripBar, QStringLiteral("循环"), FrameIcon::Loop, [this] { return editor_.MarkLoop(); });
    AddAction(stripBar, QStringLiteral("复制"), FrameIcon::Copy, [this] {
        editor_.CopyPages();
        return true;
    });
    AddAction(stripBar, QStringLiteral("正粘贴"), FrameIcon::PastePages, [this] { return editor_.PastePages(false); });
    AddAction(stripBar, QStringLiteral("反粘贴"), FrameIcon::PastePagesReversed,
              [this] { return editor_.PastePages(true); });
    AddAction(stripBar, QStringLiteral("插入"), FrameIcon::InsertPage, [this] { return editor_.InsertPage(); });
    AddAction(stripBar, QStringLiteral("删除"), FrameIcon::DeletePages, [this] { return editor_.DeletePages(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(scroll_, 1);
    layout->addLayout(navigation);
    layout->addWidget(strip_);

    connect(grid_, &FrameGrid::clicked, this, [this](int row, int col, bool shift, bool ctrl) {
        editor_.ClickCell(row, col, shift, ctrl);
        Refresh();
    });
    connect(grid_, &FrameGrid::doubleClicked, this, [this](int row, int col) {
        editor_.ToggleFull(row, col);
        Refresh();
    });
    connect(grid_, &FrameGrid::rightClicked, this, &FrameAnimationDialog::AskLevel);
    connect(grid_, &FrameGrid::strokeStarted, this, [this] { editor_.BeginStroke(); });
    connect(grid_, &FrameGrid::strokeLevel, this, [this](int row, int col, int level) {
        if (editor_.StrokeLevel(row, col, level)) grid_->update(FrameGrid::CellRect(row, col));
    });
    connect(grid_, &FrameGrid::strokeEnded, this, [this] {
        editor_.EndStroke();
        Refresh();
    });
    connect(grid_, &FrameGrid::levelEntered, this, [this](int row, int col, int level) {
        editor_.StrokeLevel(row, col, level);
        Refresh();
    });
    connect(&strip_->view(), &PageStripView::clicked, this, [this](int index, bool shift) {
        editor_.ClickPage(index, shift);
        editor_.SetPage(index);
        Refresh();
    });

    askPath = [this](bool forSaving) {
        const QString start = QString::fromStdString(folder_.string());
        const QString filter = QStringLiteral("Frame Files (*.frm)");
        return forSaving ? QFileDialog::getSaveFileName(this, QStringLiteral("保存"), start, filter)
                         : QFileDialog::getOpenFileName(this, QStringLiteral("打开"), start, filter);
    };
    // Wide enough for the whole toolbar where the screen allows.
    const QRect screen = this->screen() != nullptr ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 800);
    resize(std::min(std::max(toolbar->sizeHint().width() + 8, 900), screen.width()), std::min(720, screen.height()));
    Refresh();
}

FrameAnimationDialog::~FrameAnimationDialog() {
    // Hiding the dialog while it is torn down takes the focus from the page
    // time's field, which would hand its text to a half-destroyed dialog.
    duration_->lineEdit()->disconnect(this);
    duration_->disconnect(this);
}

QAction* FrameAnimationDialog::AddAction(QToolBar* toolbar, const QString& text, FrameIcon icon,
                                         const std::function<bool()>& edit, const QString& tip) {
    auto* action = new QAction(MakeFrameIcon(icon), text, this);
    action->setObjectName(strip_ != nullptr && toolbar == &strip_->toolbar() ? kStripPrefix + text : text);
    action->setToolTip(tip.isEmpty() ? text : tip);
    connect(action, &QAction::triggered, this, [this, edit] {
        edit();
        Refresh();
    });
    addAction(action);
    toolbar->addAction(action);
    return action;
}

QPushButton* FrameAnimationDialog::AddNavigation(const QString& text, const std::function<int()>& page) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(text);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, page] {
        editor_.SetPage(page());
        Refresh();
    });
    return button;
}

QAction* FrameAnimationDialog::Action(const QString& text) const { return findChild<QAction*>(text); }
QAction* FrameAnimationDialog::StripAction(const QString& text) const {
    return findChild<QAction*>(kStripPrefix + text);
}
QPushButton* FrameAnimationDialog::NavigationButton(const QString& text) const {
    return findChild<QPushButton*>(text);
}

void FrameAnimationDialog::Refresh() {
    grid_->UpdateSize();
    strip_->Refresh();
    const FrameSettings& s = editor_.settings();
    const int page = editor_.page();
    pageLabel_->setText(QStringLiteral("%1/%2").arg(page + 1).arg(s.m_nPageCount));
    duration_->setEditText(QString::number(editor_.Page(page).m_nDuration));
    NavigationButton(QStringLiteral("首页"))->setEnabled(page > 0);
    NavigationButton(QStringLiteral("<"))->setEnabled(page > 0);
    NavigationButton(QStringLiteral(">"))->setEnabled(page < s.m_nPageCount - 1);
    NavigationButton(QStringLiteral("末页"))->setEnabled(page < s.m_nPageCount - 1);

    const bool rectangle = RectangleComplete(editor_);
    for (const char* tool : {"上坡", "下坡", "山谷", "山峰"}) Action(QString::fromUtf8(tool))->setEnabled(rectangle);
    const bool canPaste = editor_.HasCellClipboard() && editor_.corner1().set();
    for (const char* anchor : {"粘贴(左上)", "粘贴(右上)", "粘贴(右下)", "粘贴(左下)"})
        Action(QString::fromUtf8(anchor))->setEnabled(canPaste);
    Action(QStringLiteral("环形选择"))->setEnabled(editor_.corner1().set() && !editor_.corner2().set());
    Action(QStringLiteral("旋转(顺)"))->setEnabled(editor_.ring().size() >= 2);
    Action(QStringLiteral("旋转(逆)"))->setEnabled(editor_.ring().size() >= 2);
    Action(QStringLiteral("撤销"))->setEnabled(editor_.CanUndo());
    Action(QStringLiteral("重做"))->setEnabled(editor_.CanRedo());

    const bool pagesSelected = editor_.FirstStripSelected() >= 0;
    StripAction(QStringLiteral("循环"))->setEnabled(pagesSelected);
    StripAction(QStringLiteral("复制"))->setEnabled(pagesSelected);
    StripAction(QStringLiteral("正粘贴"))->setEnabled(pagesSelected && editor_.PageClipboardSize() > 0);
    StripAction(QStringLiteral("反粘贴"))->setEnabled(pagesSelected && editor_.PageClipboardSize() > 0);
    StripAction(QStringLiteral("插入"))->setEnabled(s.m_nPageCount < kMaxFramePages);
    StripAction(QStringLiteral("删除"))->setEnabled(pagesSelected);

    QString title = QStringLiteral("帧编辑器");
    if (!editor_.fileName().empty()) title += QStringLiteral(" - ") + QString::fromStdString(editor_.fileName());
    if (editor_.IsModified()) title += QStringLiteral(" *");
    setWindowTitle(title);
}

void FrameAnimationDialog::Configure() {
    FrameSettingsDialog dialog(editor_.settings(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    editor_.SetSettings(dialog.settings());
}

void FrameAnimationDialog::AskLevel(int row, int col) {
    const auto text = WriteValueDialog::Ask(QString::number(editor_.Cell(row, col).m_nLevel), this);
    if (!text) return;
    bool ok = false;
    const int level = text->trimmed().toInt(&ok);
    // Text that is no number writes nothing rather than a level of 0.
    if (ok) editor_.WriteValue(row, col, level);
    Refresh();
}

void FrameAnimationDialog::TakeDuration() {
    bool ok = false;
    const int ms = duration_->currentText().trimmed().toInt(&ok);
    if (ok && ms != editor_.Page(editor_.page()).m_nDuration) editor_.SetDuration(ms);
    Refresh();
}

}  // namespace velmora
