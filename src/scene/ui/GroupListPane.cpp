#include "scene/ui/GroupListPane.h"

#include <algorithm>

#include <QAccessible>
#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/Prompter.h"
#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "scene/ui/GroupListAccessible.h"
#include "scene/ui/GroupPropDialog.h"
#include "scene/ui/SpringPropDialog.h"
#include "ui/Icons.h"

namespace velmora {

namespace {

const QColor kBackground(0, 162, 232);
const QColor kGroupBand(153, 217, 234);
const QColor kMemberBand(57, 183, 215);
const QColor kSelectedBand(128, 255, 255);
const QColor kInk(0, 0, 0);

// The group at row.group is the one the document finds by row.groupID, so a
// command addressed by ID lands on the row the operator chose. Groups that
// share an ID (the file allows it) cannot be told apart by the document.
bool Addressable(const Scene& scene, const GroupRow& row) {
    return scene.GroupIndexOf(row.groupID) == static_cast<int>(row.group);
}

bool SharesID(const Scene& scene, const GroupRow& row) {
    return std::count_if(scene.groups.begin(), scene.groups.end(),
                         [&](const CSpringGroup& g) { return g.ID == row.groupID; }) > 1;
}

}  // namespace

// ---------------------------------------------------------------- canvas

GroupListCanvas::GroupListCanvas(GroupListPane& pane) : QWidget(&pane), pane_(pane) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

int GroupListCanvas::RowAt(int contentY) const {
    if (contentY < 0) return -1;
    const int row = contentY / kGroupRowPitch;
    if (row >= static_cast<int>(pane_.rows().size()) || contentY - row * kGroupRowPitch >= kGroupBandHeight) return -1;
    return row;
}

QRect GroupListCanvas::BandRect(int row) const {
    return QRect(0, row * kGroupRowPitch - pane_.scrollPosition(), width(), kGroupBandHeight);
}

QRect GroupListCanvas::ExpanderRect(int row) const {
    const QRect band = BandRect(row);
    return QRect(band.left(), band.top(), kGroupNameX, band.height());
}

void GroupListCanvas::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    const std::vector<GroupRow>& rows = pane_.rows();
    if (rows.empty()) return;

    const int position = pane_.scrollPosition();
    const int first = std::max(0, position / kGroupRowPitch);
    const int last = std::min(static_cast<int>(rows.size()) - 1, (position + height()) / kGroupRowPitch);
    const int selected = pane_.selectedRow();
    p.setFont(pane_.font_);
    const QFontMetrics metrics(pane_.font_);
    QFont glyphFont = pane_.font_;
    glyphFont.setBold(true);
    for (int row = first; row <= last; ++row) {
        const GroupRow& r = rows[static_cast<std::size_t>(row)];
        const bool group = r.kind == GroupRow::kGroup;
        const QRect band = BandRect(row);
        p.fillRect(band, row == selected ? kSelectedBand : group ? kGroupBand : kMemberBand);
        p.setPen(kInk);
        if (group) {
            p.setFont(glyphFont);
            const QString glyph = pane_.IsCollapsed(r.groupID) ? QStringLiteral("+") : QStringLiteral("-");
            p.drawText(ExpanderRect(row), Qt::AlignCenter | Qt::TextSingleLine, glyph);
            p.setFont(pane_.font_);
        }
        const int x = group ? kGroupNameX : kMemberTextX;
        const QRect textRect(x, band.top(), std::max(0, width() - x - 2), band.height());
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   metrics.elidedText(pane_.RowText(row), Qt::ElideRight, textRect.width()));
        if (hasFocus() && row == selected) {
            p.setPen(QPen(kInk, 1.0, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(band.adjusted(0, 0, -1, -1));
        }
    }
}

void GroupListCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pane_.Press(event->position().toPoint().y() + pane_.scrollPosition());
}

void GroupListCanvas::mouseMoveEvent(QMouseEvent* event) {
    pane_.DragTo(event->position().toPoint().y() + pane_.scrollPosition());
}

void GroupListCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pane_.Release(event->position().toPoint());
}

void GroupListCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int row = RowAt(event->position().toPoint().y() + pane_.scrollPosition());
    if (row < 0) return;
    pane_.SelectRow(row);
    pane_.OpenProperties();
}

void GroupListCanvas::wheelEvent(QWheelEvent* event) {
    // A notch (120) moves 30 pixels, down the list when the wheel turns down.
    const int pixels = -event->angleDelta().y() * kGroupWheelStep / 120;
    if (pixels != 0) pane_.Scroll(pixels);
    event->accept();
}

bool GroupListCanvas::event(QEvent* event) {
    // Delete belongs to the list while it has the focus, not to the frame's
    // command of the same key (which deletes time blocks).
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void GroupListCanvas::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up: pane_.MoveSelection(-1); break;
        case Qt::Key_Down: pane_.MoveSelection(+1); break;
        case Qt::Key_Left: pane_.Collapse(true); break;
        case Qt::Key_Right: pane_.Collapse(false); break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!event->isAutoRepeat()) pane_.OpenProperties();
            break;
        case Qt::Key_Delete:
            if (!event->isAutoRepeat()) pane_.DeleteSelected();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void GroupListCanvas::focusOutEvent(QFocusEvent* event) {
    pane_.dragging_ = false;
    update();
    QWidget::focusOutEvent(event);
}

void GroupListCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pane_.UpdateScrollRange();
}

// ---------------------------------------------------------------- pane

GroupListPane::GroupListPane(DesktopContext& context, const QString& title, QWidget* parent)
    : QWidget(parent), context_(context) {
    InstallGroupListAccessible();
    font_.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei")});
    font_.setPointSize(9);

    toolBar_ = new QToolBar(this);
    toolBar_->setFixedHeight(kGroupToolBarHeight);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->setFloatable(false);
    toolBar_->setMovable(false);
    const auto addButton = [this](IconId icon, const char* text) {
        const QString label = QString::fromUtf8(text);
        QAction* action = toolBar_->addAction(MakeIcon(icon), label);
        action->setToolTip(label);
        if (QWidget* button = toolBar_->widgetForAction(action)) button->setAccessibleName(label);
        return action;
    };
    properties_ = addButton(IconId::Properties, kGroupPropertiesText);
    delete_ = addButton(IconId::Delete, kGroupDeleteText);
    connect(properties_, &QAction::triggered, this, [this] { OpenProperties(); });
    connect(delete_, &QAction::triggered, this, [this] { DeleteSelected(); });

    canvas_ = new GroupListCanvas(*this);
    canvas_->setAccessibleName(title);
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setFixedWidth(kGroupScrollBarWidth);
    scrollBar_->setSingleStep(kGroupLineStep);
    connect(scrollBar_, &QScrollBar::valueChanged, canvas_, qOverload<>(&QWidget::update));

    auto* list = new QHBoxLayout;
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    list->addWidget(canvas_, 1);
    list->addWidget(scrollBar_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addLayout(list, 1);
    setFocusProxy(canvas_);

    // Changes arrive inside an edit, possibly one this pane started; the
    // rows are rebuilt at once (the edit may go on using them) and the paint
    // is posted.
    const QPointer<GroupListPane> self(this);
    listener_ = document().AddListener([self](const Change& change) {
        constexpr std::uint32_t kShown = Change::kGroups | Change::kSprings;
        if (self && (change.what & kShown)) self->Refresh();
    });
    Refresh();
}

GroupListPane::~GroupListPane() {
    document().RemoveListener(listener_);
    // The canvas tells this pane when it loses the focus, which it does as
    // it goes: it must go while the pane is still whole.
    delete canvas_;
}

SceneDocument& GroupListPane::document() const { return context_.runtime.sceneDocument(); }

int GroupListPane::scrollPosition() const { return scrollBar_->value(); }

int GroupListPane::selectedRow() const { return selectedRow_; }

void GroupListPane::SetSelected(std::optional<GroupRow> row) {
    selected_ = row;
    selectedRow_ = selected_ ? FindGroupRow(rows_, *selected_) : -1;
}

QString GroupListPane::RowText(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    const GroupRow& r = rows_[static_cast<std::size_t>(row)];
    const Scene& scene = document().scene();
    if (r.kind == GroupRow::kGroup) {
        return r.group < scene.groups.size() ? QString::fromStdString(scene.groups[r.group].name) : QString();
    }
    const CSpring* spring = scene.FindSpring(r.springID);
    return spring ? QString::fromStdString(MemberRowText(*spring)) : QString();
}

QString GroupListPane::RowName(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    const GroupRow& r = rows_[static_cast<std::size_t>(row)];
    const Scene& scene = document().scene();
    if (r.kind == GroupRow::kGroup && r.group < scene.groups.size())
        return QString::fromStdString(GroupRowName(scene.groups[r.group]));
    return RowText(row);
}

void GroupListPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateScrollRange();
}

void GroupListPane::Refresh() {
    rows_ = BuildGroupRows(document().scene(), collapsed_);
    SetSelected(selected_);
    UpdateScrollRange();
    UpdateCommands();
    canvas_->update();
}

void GroupListPane::UpdateScrollRange() {
    const int page = std::max(1, canvas_->height());
    const int content = GroupListHeight(rows_.size());
    scrollBar_->setPageStep(page);
    scrollBar_->setRange(0, std::max(0, content - page));
}

void GroupListPane::UpdateCommands() {
    const bool selected = selectedRow() >= 0;
    delete_->setEnabled(selected);
    properties_->setEnabled(selected);
}

void GroupListPane::Scroll(int pixels) { scrollBar_->setValue(scrollBar_->value() + pixels); }

void GroupListPane::ScrollIntoView(int row) {
    if (row < 0) return;
    const int top = row * kGroupRowPitch;
    if (top < scrollPosition()) {
        scrollBar_->setValue(top);
    } else if (top + kGroupBandHeight > scrollPosition() + canvas_->height()) {
        scrollBar_->setValue(top + kGroupBandHeight - canvas_->height());
    }
}

void GroupListPane::NotifySelection(int row) {
    if (!QAccessible::isActive() || row < 0) return;
    QAccessibleEvent selection(canvas_, QAccessible::Selection);
    selection.setChild(row);
    QAccessible::updateAccessibility(&selection);
    if (canvas_->hasFocus()) {
        QAccessibleEvent focus(canvas_, QAccessible::Focus);
        focus.setChild(row);
        QAccessible::updateAccessibility(&focus);
    }
}

void GroupListPane::SelectRow(int row) {
    if (row >= static_cast<int>(rows_.size())) return;
    SetSelected(row < 0 ? std::nullopt : std::optional<GroupRow>(rows_[static_cast<std::size_t>(row)]));
    NotifySelection(row);
    UpdateCommands();
    canvas_->update();
}

void GroupListPane::ToggleRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    const GroupRow r = rows_[static_cast<std::size_t>(row)];
    if (r.kind != GroupRow::kGroup) return;
    const bool collapse = !collapsed_.contains(r.groupID);
    if (collapse) collapsed_.insert(r.groupID);
    else collapsed_.erase(r.groupID);
    // A member hidden by the collapse hands the selection to its group.
    if (collapse && selected_ && selected_->kind == GroupRow::kMember && selected_->groupID == r.groupID)
        SetSelected(r);
    Refresh();
    ScrollIntoView(selectedRow());
}

void GroupListPane::Press(int contentY) {
    canvas_->setFocus(Qt::MouseFocusReason);
    const int row = canvas_->RowAt(contentY);
    SelectRow(row);
    dragging_ = row >= 0 && rows_[static_cast<std::size_t>(row)].kind == GroupRow::kMember;
    if (dragging_) dragGesture_ = document().NewMemberDrag();
}

void GroupListPane::DragTo(int contentY) {
    if (!dragging_) return;
    SceneDocument& doc = document();
    // One swap per band crossed; a fast drag that skipped bands catches up
    // one neighbour at a time, as the pointer passed them.
    for (std::size_t guard = rows_.size(); guard > 0; --guard) {
        const int target = canvas_->RowAt(contentY);
        const int current = selectedRow();
        if (target < 0 || current < 0 || target == current) return;
        const int next = target < current ? current - 1 : current + 1;
        const GroupRow from = rows_[static_cast<std::size_t>(current)];
        const GroupRow to = rows_[static_cast<std::size_t>(next)];
        if (from.kind != GroupRow::kMember || to.kind != GroupRow::kMember || to.group != from.group) return;
        if (!Addressable(doc.scene(), from)) return;
        // Members of missing springs take no row, so the neighbour on screen
        // may be several places away in the member list: the dragged member
        // passes them one swap at a time, all in this one gesture.
        const int step = to.member < from.member ? -1 : +1;
        std::size_t index = from.member;
        while (index != to.member) {
            if (!doc.MoveMember(from.groupID, index, step, dragGesture_)) return;
            index = step < 0 ? index - 1 : index + 1;
            GroupRow moved = from;
            moved.member = index;
            SetSelected(moved);
        }
        ScrollIntoView(selectedRow());
    }
}

void GroupListPane::Release(const QPoint& canvasPos) {
    dragging_ = false;
    const int row = canvas_->RowAt(canvasPos.y() + scrollPosition());
    if (row < 0 || rows_[static_cast<std::size_t>(row)].kind != GroupRow::kGroup) return;
    if (canvas_->ExpanderRect(row).contains(canvasPos)) ToggleRow(row);
}

void GroupListPane::MoveSelection(int step) {
    if (rows_.empty()) return;
    const int current = selectedRow();
    const int row = current < 0 ? 0 : std::clamp(current + step, 0, static_cast<int>(rows_.size()) - 1);
    SelectRow(row);
    ScrollIntoView(row);
}

void GroupListPane::Collapse(bool collapse) {
    const int row = selectedRow();
    if (row < 0) return;
    const GroupRow r = rows_[static_cast<std::size_t>(row)];
    if (r.kind == GroupRow::kMember) {
        // Left on a member goes up to its group, as in any tree.
        if (!collapse) return;
        for (int i = row; i >= 0; --i) {
            if (rows_[static_cast<std::size_t>(i)].kind == GroupRow::kGroup) {
                SelectRow(i);
                ScrollIntoView(i);
                return;
            }
        }
        return;
    }
    if (collapsed_.contains(r.groupID) != collapse) ToggleRow(row);
}

void GroupListPane::OpenProperties() {
    const int row = selectedRow();
    if (row < 0) return;
    const GroupRow r = rows_[static_cast<std::size_t>(row)];
    // The sheets edit through the document, which finds the record by ID.
    if (r.kind == GroupRow::kGroup) {
        if (Addressable(document().scene(), r)) OpenGroupProperties(context_, r.groupID, this);
    } else {
        OpenSpringProperties(context_, r.springID, this);
    }
}

void GroupListPane::DeleteSelected() {
    const int row = selectedRow();
    if (row < 0) return;
    const GroupRow r = rows_[static_cast<std::size_t>(row)];
    SceneDocument& doc = document();
    if (!Addressable(doc.scene(), r)) return;
    const bool group = r.kind == GroupRow::kGroup;
    // Deleting by ID would take every group of a shared ID with it.
    if (group && SharesID(doc.scene(), r)) return;

    const QPointer<GroupListPane> alive(this);
    const bool yes = context_.prompter.AskYesNo(group ? kDeleteGroupQuestion : kRemoveMemberQuestion);
    if (!alive || !yes) return;
    // The question ran an event loop: the row must still be what was asked about.
    if (selectedRow() < 0 || rows_[static_cast<std::size_t>(selectedRow())] != r) return;

    if (group) {
        for (const std::int32_t id : doc.SelectedGroupIDs())
            if (id != r.groupID) doc.SelectGroup(id, false);
        doc.SelectGroup(r.groupID, true);
        doc.DeleteSelectedGroups();
    } else {
        doc.RemoveMember(r.groupID, r.member);
    }
    if (!alive) return;
    SelectRow(-1);
}

}  // namespace velmora
