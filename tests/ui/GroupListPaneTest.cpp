// The group element panel driven by real mouse and key events: its rows and
// their colours, collapsing, member drags through the scene document (one
// undo step per drag), the property sheets, the delete and remove questions,
// stale selections, the keyboard, the rows as accessible children, and undo
// following the focus into the panel.

#include <fstream>
#include <memory>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

#include "app/Prompter.h"
#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "scene/ui/GroupListPane.h"
#include "scene/ui/GroupPropDialog.h"
#include "scene/ui/SpringPropDialog.h"
#include "ui/PropList.h"
#include "ui/MainFrame.h"
#include "ui/PaneTable.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

// Four springs (9002's analog output has channel 0), a group of three, a
// group of one, and a group naming a spring that does not exist.
constexpr const char* kScene =
    "[main]\n"
    "count=4\n"
    "sp0_ID=9001\nsp0_BLOCKID=1\nsp0_COMID=5\nsp0_BLOCKID1=2\nsp0_COMID1=3;1\n"
    "sp1_ID=9002\nsp1_BLOCKID=0\nsp1_COMID=7\nsp1_BLOCKID1=2\nsp1_COMID1=4\n"
    "sp2_ID=9003\nsp2_BLOCKID=1\nsp2_COMID=6\nsp2_BLOCKID1=3\nsp2_COMID1=1\n"
    "sp3_ID=9004\nsp3_BLOCKID=1\nsp3_COMID=8\nsp3_BLOCKID1=3\nsp3_COMID1=2\n"
    "GroupCount=3\n"
    "GP0_ID=9010\nGP0_name=默认组3\nGP0_childCount=3\nGP0_child0=9001\nGP0_child1=9002\nGP0_child2=9003\n"
    "GP1_ID=9011\nGP1_name=单点\nGP1_childCount=1\nGP1_child0=9004\n"
    "GP2_ID=9012\nGP2_name=幽灵\nGP2_childCount=2\nGP2_child0=8888\nGP2_child1=9003\n"
    "SpringIndex=9013\n";

// Rows of that scene, all expanded: G0, 9001, 9002, 9003, G1, 9004, G2, 9003.
constexpr int kRowCount = 8;

struct GroupFixture {
    UiWorkspace ws;
    RecordingPrompter prompter{true};
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    std::unique_ptr<GroupListPane> pane;
    bool started = false;

    explicit GroupFixture(QSize size = QSize(360, 400)) {
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        started = runtime->Startup();
        const std::filesystem::path scene = ws.path() / "test-scene.ini";
        std::ofstream(scene) << kScene;
        started = started && doc().Load(scene);
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        pane = std::make_unique<GroupListPane>(*context, QStringLiteral("组元素面板"));
        pane->resize(size);
        pane->show();
        started = started && QTest::qWaitForWindowExposed(pane.get());
    }
    ~GroupFixture() { pane.reset(); }

    SceneDocument& doc() { return runtime->sceneDocument(); }
    const Scene& scene() { return doc().scene(); }
    GroupListCanvas* canvas() { return pane->canvas(); }
    std::vector<std::int32_t> members(std::size_t g) {
        const CSpringGroup& group = scene().groups[g];
        return {group.children.begin(), group.children.begin() + group.childCount};
    }
    QPoint rowPoint(int row, int x = 100) { return QPoint(x, row * kGroupRowPitch + 9 - pane->scrollPosition()); }
    void click(int row, int x = 100) { QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, rowPoint(row, x)); }
    void clickButton(QAction* action) {
        QTest::mouseClick(pane->toolBar()->widgetForAction(action), Qt::LeftButton);
    }
    // Presses on row `from`, moves the pointer band by band to row `to`, releases.
    void drag(int from, int to) {
        QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, rowPoint(from));
        const int step = to > from ? 1 : -1;
        for (int row = from + step; row != to + step; row += step) QTest::mouseMove(canvas(), rowPoint(row));
        QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, rowPoint(to));
    }
    QColor pixel(int row, int dy = 9) {
        // The right end of a band carries no text.
        const QImage image = canvas()->grab().toImage();
        return image.pixelColor(canvas()->width() - 4, row * kGroupRowPitch + dy - pane->scrollPosition());
    }
    int inkIn(const QRect& rect) {
        const QImage image = canvas()->grab().toImage();
        int dark = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (image.pixelColor(x, y).lightness() < 90) ++dark;
        return dark;
    }
};

}  // namespace

class GroupListPaneTest : public QObject {
    Q_OBJECT

private slots:
    void rowsAreDrawnAsTheSceneHasThem() {
        GroupFixture f;
        QVERIFY(f.started);
        QCOMPARE(f.pane->toolBar()->height(), kGroupToolBarHeight);
        QCOMPARE(f.pane->scrollBar()->width(), kGroupScrollBarWidth);
        QCOMPARE(f.pane->scrollBar()->singleStep(), kGroupLineStep);
        const QList<QAction*> buttons{f.pane->propertiesCommand(), f.pane->deleteCommand()};
        QCOMPARE(f.pane->toolBar()->actions(), buttons);
        QCOMPARE(f.pane->toolBar()->widgetForAction(buttons[0])->accessibleName(), QString("属性"));
        QCOMPARE(f.pane->toolBar()->widgetForAction(buttons[1])->accessibleName(), QString("删除"));
        for (QAction* action : buttons) QVERIFY(!action->icon().isNull());

        // The member of the missing spring 8888 takes no row.
        QCOMPARE(static_cast<int>(f.pane->rows().size()), kRowCount);
        const QStringList texts{"默认组3",
                                "[9001][CH[1].5],(CH[2].3;1)",
                                "[9002][CH[--].--],(CH[2].4)",
                                "[9003][CH[1].6],(CH[3].1)",
                                "单点",
                                "[9004][CH[1].8],(CH[3].2)",
                                "幽灵",
                                "[9003][CH[1].6],(CH[3].1)"};
        for (int row = 0; row < kRowCount; ++row) QCOMPARE(f.pane->RowText(row), texts[row]);

        QCOMPARE(f.pixel(0), QColor(153, 217, 234));
        QCOMPARE(f.pixel(1), QColor(57, 183, 215));
        QCOMPARE(f.pixel(0, 20), QColor(0, 162, 232));  // the gap between bands
        QCOMPARE(f.pixel(kRowCount, 9), QColor(0, 162, 232));  // below the list
        f.click(1);
        QCOMPARE(f.pane->selectedRow(), 1);
        QCOMPARE(f.pixel(1), QColor(128, 255, 255));
        f.click(4);
        QCOMPARE(f.pixel(4), QColor(128, 255, 255));
        QCOMPARE(f.pixel(1), QColor(57, 183, 215));
        QVERIFY(f.pane->deleteCommand()->isEnabled());

        // A click in a gap or below the rows clears the selection.
        QTest::mouseClick(f.canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 2 * kGroupRowPitch + 20));
        QCOMPARE(f.pane->selectedRow(), -1);
        QVERIFY(!f.pane->deleteCommand()->isEnabled());
        QCOMPARE(f.pixel(4), QColor(153, 217, 234));

        // The glyph is "-" while expanded and "+" once collapsed: the plus has
        // the extra stroke.
        const int minus = f.inkIn(f.canvas()->ExpanderRect(0));
        QVERIFY(minus > 0);
        f.pane->ToggleRow(0);
        QVERIFY(f.inkIn(f.canvas()->ExpanderRect(0)) > minus);

        // Edits made elsewhere show without a timer.
        QVERIFY(f.doc().RemoveMember(9011, 0));
        QCOMPARE(static_cast<int>(f.pane->rows().size()), 4);  // collapsed G0, G1, G2, 9003
    }

    void collapsingShrinksTheScrollRangeAndTheWheelScrolls() {
        GroupFixture f(QSize(360, 28 + 100));
        QVERIFY(f.started);
        QScrollBar* bar = f.pane->scrollBar();
        const int page = f.canvas()->height();
        QCOMPARE(bar->pageStep(), page);
        QCOMPARE(bar->maximum(), kGroupRowPitch * (kRowCount + 1) - page);

        // A release on the "-" glyph collapses; the press selected the group.
        f.click(0, 5);
        QVERIFY(f.pane->IsCollapsed(9010));
        QCOMPARE(f.pane->selectedRow(), 0);
        QCOMPARE(bar->maximum(), kGroupRowPitch * (kRowCount + 1) - page - 3 * kGroupRowPitch);
        QCOMPARE(f.pane->RowText(1), QString("单点"));
        // A click on the name does not toggle.
        f.click(0);
        QVERIFY(f.pane->IsCollapsed(9010));
        f.click(0, 5);
        QVERIFY(!f.pane->IsCollapsed(9010));
        QCOMPARE(bar->maximum(), kGroupRowPitch * (kRowCount + 1) - page);

        // Collapsing a group whose member is selected hands the selection to it.
        f.click(2);
        f.click(0, 5);
        QCOMPARE(f.pane->selectedRow(), 0);

        f.click(0, 5);
        auto wheel = [&](int angle) {
            const QPointF at(50, 50);
            QWheelEvent event(at, f.canvas()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(f.canvas(), &event);
        };
        wheel(-120);
        QCOMPARE(bar->value(), kGroupWheelStep);
        wheel(-240);
        QCOMPARE(bar->value(), 3 * kGroupWheelStep);
        wheel(120);
        QCOMPARE(bar->value(), 2 * kGroupWheelStep);
        // Rows are hit where they are drawn at the new position.
        f.click(3);
        QCOMPARE(f.pane->rows()[static_cast<std::size_t>(f.pane->selectedRow())].springID, 9003);
    }

    void draggingAMemberSwapsItWithItsNeighboursAsOneUndoStep() {
        GroupFixture f;
        QVERIFY(f.started);
        const std::size_t steps = f.doc().undoStack().size();
        const std::vector<std::int32_t> original{9001, 9002, 9003};

        // The first member cannot go up: the band above is its group's.
        f.drag(1, 0);
        QCOMPARE(f.members(0), original);
        QCOMPARE(f.doc().undoStack().size(), steps);

        // The second dragged up swaps with the first, and stays selected.
        f.drag(2, 1);
        QCOMPARE(f.members(0), (std::vector<std::int32_t>{9002, 9001, 9003}));
        QCOMPARE(f.pane->selectedRow(), 1);
        QCOMPARE(f.pane->RowText(1), QString("[9002][CH[--].--],(CH[2].4)"));
        QCOMPARE(f.doc().undoStack().size(), steps + 1);
        QVERIFY(f.doc().Undo());
        QCOMPARE(f.members(0), original);

        // The last dragged to the top: two swaps, one undo step.
        f.drag(3, 1);
        QCOMPARE(f.members(0), (std::vector<std::int32_t>{9003, 9001, 9002}));
        QCOMPARE(f.doc().undoStack().size(), steps + 1);
        // ... and on past its group's row and into the next group: nothing more.
        f.drag(1, 0);
        f.drag(3, 5);
        QCOMPARE(f.members(0), (std::vector<std::int32_t>{9003, 9001, 9002}));
        QCOMPARE(f.members(1), std::vector<std::int32_t>{9004});
        QCOMPARE(f.doc().undoStack().size(), steps + 1);
        QVERIFY(f.doc().Undo());
        QCOMPARE(f.members(0), original);

        // A drag that jumps several bands at once catches up band by band.
        QTest::mousePress(f.canvas(), Qt::LeftButton, Qt::NoModifier, f.rowPoint(1));
        QTest::mouseMove(f.canvas(), f.rowPoint(3));
        QTest::mouseRelease(f.canvas(), Qt::LeftButton, Qt::NoModifier, f.rowPoint(3));
        QCOMPARE(f.members(0), (std::vector<std::int32_t>{9002, 9003, 9001}));
        QCOMPARE(f.pane->selectedRow(), 3);

        // A group row does not drag.
        f.drag(4, 3);
        QCOMPARE(f.members(1), std::vector<std::int32_t>{9004});
        QCOMPARE(f.members(0), (std::vector<std::int32_t>{9002, 9003, 9001}));
    }

    void aMemberPassesTheHiddenMembersOfMissingSprings() {
        GroupFixture f;
        QVERIFY(f.started);
        // Group 幽灵 holds 8888 (no such spring, no row) and 9003; give it 9004
        // at the end so two rows show: 9003 and 9004.
        f.doc().SelectSpring(9004, true);
        QVERIFY(f.doc().AddSelectionToGroup(2));
        QCOMPARE(f.members(2), (std::vector<std::int32_t>{8888, 9003, 9004}));
        QCOMPARE(static_cast<int>(f.pane->rows().size()), kRowCount + 1);
        const std::size_t steps = f.doc().undoStack().size();
        f.drag(8, 7);
        QCOMPARE(f.members(2), (std::vector<std::int32_t>{8888, 9004, 9003}));
        f.drag(7, 8);
        QCOMPARE(f.members(2), (std::vector<std::int32_t>{8888, 9003, 9004}));
        QCOMPARE(f.doc().undoStack().size(), steps + 2);
    }

    void deletingAsksFirstAndGoesThroughTheDocument() {
        GroupFixture f;
        QVERIFY(f.started);
        // "No" leaves the only member of 单点 in place.
        f.prompter.SetAnswer(false);
        f.click(5);
        f.clickButton(f.pane->deleteCommand());
        QCOMPARE(f.prompter.questions, std::vector<std::string>{"确定从组内移除？（此操作不会删除原始点！）"});
        QCOMPARE(f.members(1), std::vector<std::int32_t>{9004});

        // "Yes" removes it; the empty group keeps its row and the spring stays.
        f.prompter.SetAnswer(true);
        f.clickButton(f.pane->deleteCommand());
        QCOMPARE(f.prompter.questions.size(), std::size_t{2});
        QVERIFY(f.members(1).empty());
        QVERIFY(f.scene().FindSpring(9004) != nullptr);
        QCOMPARE(static_cast<int>(f.pane->rows().size()), kRowCount - 1);
        QCOMPARE(f.pane->RowText(4), QString("单点"));
        QCOMPARE(f.pane->RowText(5), QString("幽灵"));
        QCOMPARE(f.pane->selectedRow(), -1);
        QVERIFY(!f.pane->deleteCommand()->isEnabled());

        // A group row asks the other question and deletes the group; undo brings it back.
        f.click(0);
        f.clickButton(f.pane->deleteCommand());
        QCOMPARE(f.prompter.questions.back(), std::string("确定删除？（此操作不可恢复！）"));
        QCOMPARE(f.scene().groups.size(), std::size_t{2});
        QCOMPARE(f.pane->RowText(0), QString("单点"));
        QCOMPARE(f.scene().springs.size(), std::size_t{4});
        QVERIFY(f.doc().Undo());
        QCOMPARE(f.scene().groups.size(), std::size_t{3});
        QCOMPARE(f.pane->RowText(0), QString("默认组3"));
        QCOMPARE(f.members(0), (std::vector<std::int32_t>{9001, 9002, 9003}));
    }

    void aStaleSelectionDoesNothing() {
        GroupFixture f;
        QVERIFY(f.started);
        f.click(2);  // 9002 in 默认组3
        QVERIFY(f.pane->deleteCommand()->isEnabled());
        // Removed elsewhere: the selected row is gone.
        QVERIFY(f.doc().RemoveMember(9010, 1));
        QCOMPARE(f.pane->selectedRow(), -1);
        QVERIFY(!f.pane->deleteCommand()->isEnabled());
        f.canvas()->setFocus();
        QTest::keyClick(f.canvas(), Qt::Key_Delete);
        f.pane->DeleteSelected();
        QVERIFY(f.prompter.questions.empty());
        QCOMPARE(f.members(0), (std::vector<std::int32_t>{9001, 9003}));

        // A member moved elsewhere is followed by its spring.
        f.click(2);  // 9003
        QVERIFY(f.doc().MoveMember(9010, 1, -1));
        QCOMPARE(f.pane->selectedRow(), 1);

        // The selected group deleted elsewhere.
        f.click(4);  // 单点
        f.doc().SelectGroup(9011, true);
        QVERIFY(f.doc().DeleteSelectedGroups());
        f.pane->DeleteSelected();
        QVERIFY(f.prompter.questions.empty());
        QCOMPARE(f.scene().groups.size(), std::size_t{2});
    }

    void theKeyboardWorksThePanelWithoutAMouse() {
        GroupFixture f;
        QVERIFY(f.started);
        f.canvas()->setFocus();
        QTest::keyClick(f.canvas(), Qt::Key_Down);
        QCOMPARE(f.pane->selectedRow(), 0);
        QTest::keyClick(f.canvas(), Qt::Key_Down);
        QTest::keyClick(f.canvas(), Qt::Key_Down);
        QCOMPARE(f.pane->selectedRow(), 2);
        QTest::keyClick(f.canvas(), Qt::Key_Up);
        QCOMPARE(f.pane->selectedRow(), 1);
        // Left on a member goes to its group, then collapses it; Right expands.
        QTest::keyClick(f.canvas(), Qt::Key_Left);
        QCOMPARE(f.pane->selectedRow(), 0);
        QTest::keyClick(f.canvas(), Qt::Key_Left);
        QVERIFY(f.pane->IsCollapsed(9010));
        QTest::keyClick(f.canvas(), Qt::Key_Down);
        QCOMPARE(f.pane->RowText(f.pane->selectedRow()), QString("单点"));
        QTest::keyClick(f.canvas(), Qt::Key_Up);
        QTest::keyClick(f.canvas(), Qt::Key_Right);
        QVERIFY(!f.pane->IsCollapsed(9010));
        // The ends hold.
        for (int i = 0; i < kRowCount + 2; ++i) QTest::keyClick(f.canvas(), Qt::Key_Down);
        QCOMPARE(f.pane->selectedRow(), kRowCount - 1);
        // Delete asks as the toolbar's button does.
        f.prompter.SetAnswer(false);
        QTest::keyClick(f.canvas(), Qt::Key_Delete);
        QCOMPARE(f.prompter.questions, std::vector<std::string>{"确定从组内移除？（此操作不会删除原始点！）"});
    }

    void propertiesOpenTheSheetOfTheSelectedRow() {
        GroupFixture f;
        QVERIFY(f.started);
        QVERIFY(!f.pane->propertiesCommand()->isEnabled());
        // Answers every sheet that opens: records whose it is, renames a group
        // when asked to, cancels otherwise.
        std::vector<std::int32_t> groups;
        std::vector<std::int32_t> springs;
        QString rename;
        QTimer answer;
        answer.setInterval(5);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* sheet = qobject_cast<GroupPropDialog*>(modal)) {
                groups.push_back(sheet->groupId());
                if (rename.isEmpty()) {
                    sheet->reject();
                } else {
                    sheet->list().SetItemValue(GroupPropDialog::kRowName, rename);
                    sheet->accept();
                }
            } else if (auto* sheet = qobject_cast<SpringPropDialog*>(modal)) {
                springs.push_back(sheet->springId());
                sheet->reject();
            }
        });
        answer.start();
        const std::size_t steps = f.doc().undoStack().size();

        f.click(4);  // 单点
        f.clickButton(f.pane->propertiesCommand());
        QCOMPARE(groups, std::vector<std::int32_t>{9011});
        QTest::mouseDClick(f.canvas(), Qt::LeftButton, Qt::NoModifier, f.rowPoint(2));
        QCOMPARE(springs, std::vector<std::int32_t>{9002});
        QCOMPARE(f.pane->selectedRow(), 2);
        QTest::keyClick(f.canvas(), Qt::Key_Return);
        QCOMPARE(springs, (std::vector<std::int32_t>{9002, 9002}));
        QCOMPARE(f.doc().undoStack().size(), steps);  // cancelled: no step

        // OK is one undoable step, and the row shows it at once.
        rename = QStringLiteral("新名字");
        QTest::mouseDClick(f.canvas(), Qt::LeftButton, Qt::NoModifier, f.rowPoint(0));
        QCOMPARE(groups, (std::vector<std::int32_t>{9011, 9010}));
        QCOMPARE(f.pane->RowText(0), QString("新名字"));
        QVERIFY(f.doc().Undo());
        QCOMPARE(f.pane->RowText(0), QString("默认组3"));

        // A stale selection opens nothing.
        f.click(2);
        QVERIFY(f.doc().RemoveMember(9010, 1));
        QVERIFY(!f.pane->propertiesCommand()->isEnabled());
        QTest::keyClick(f.canvas(), Qt::Key_Return);
        f.pane->OpenProperties();
        QCOMPARE(springs.size(), std::size_t{2});
    }

    void rowsAreAccessibleChildren() {
        GroupFixture f;
        QVERIFY(f.started);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f.canvas());
        QVERIFY(list);
        QCOMPARE(list->text(QAccessible::Name), QString("组元素面板"));
        QCOMPARE(list->childCount(), kRowCount);
        QAccessibleInterface* group = list->child(0);
        QCOMPARE(group->text(QAccessible::Name), QString("默认组3 (3个元素)"));
        QVERIFY(group->state().expanded);
        QVERIFY(!group->state().collapsed);
        QCOMPARE(list->child(6)->text(QAccessible::Name), QString("幽灵 (2个元素)"));
        QAccessibleInterface* member = list->child(2);
        QCOMPARE(member->text(QAccessible::Name), QString("[9002][CH[--].--],(CH[2].4)"));
        QVERIFY(!member->state().expandable);
        QCOMPARE(member->rect().topLeft(), f.canvas()->mapToGlobal(QPoint(0, 2 * kGroupRowPitch)));

        QAccessibleActionInterface* actions = member->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.pane->selectedRow(), 2);
        QVERIFY(member->state().selected);
        QVERIFY(!group->state().selected);

        f.click(0, 5);
        QVERIFY(list->child(0)->state().collapsed);
        QCOMPARE(list->childCount(), kRowCount - 3);
        QCOMPARE(list->indexOfChild(list->child(1)), 1);
    }

    void undoFollowsTheFocusIntoThePanel() {
        UiWorkspace ws;
        RecordingPrompter prompter(true);
        Runtime runtime{Workspace(ws.path())};
        QVERIFY(runtime.Startup());
        DesktopContext context{runtime, prompter};
        MainFrame frame(context);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();
        QDockWidget* dock = frame.Pane(kPaneGroupElements);
        dock->show();
        dock->raise();
        auto* pane = dock->findChild<GroupListPane*>();
        QVERIFY(pane);
        QVERIFY(!pane->rows().empty());  // the demo's groups
        QCOMPARE(&frame.UndoTarget(), static_cast<Document*>(&runtime.showDocument()));
        pane->canvas()->setFocus();
        QTRY_VERIFY(pane->canvas()->hasFocus());
        QCOMPARE(&frame.UndoTarget(), static_cast<Document*>(&runtime.sceneDocument()));

        // A member removed in the panel is undone by the frame's undo.
        const std::int32_t count = runtime.scene.groups[0].childCount;
        QTest::keyClick(pane->canvas(), Qt::Key_Down);
        QTest::keyClick(pane->canvas(), Qt::Key_Down);
        QTest::keyClick(pane->canvas(), Qt::Key_Delete);
        QCOMPARE(runtime.scene.groups[0].childCount, count - 1);
        QVERIFY(frame.MenuAction(kCmdUndo)->isEnabled());
        frame.MenuAction(kCmdUndo)->trigger();
        QCOMPARE(runtime.scene.groups[0].childCount, count);
    }
};

VELMORA_UI_TEST_MAIN(GroupListPaneTest)
#include "GroupListPaneTest.moc"
