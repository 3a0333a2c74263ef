// The scene pane driven as an operator drives it, with real mouse and key
// events: selecting by click, Shift and rubber band, dragging, adding with
// Ctrl, deleting, the menus, the toolbar's modes and labels, the background
// picture (also a missing, a broken and a huge one), the colours the engine's
// snapshot gives the circles, and what assistive technology reads.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include "app/Prompter.h"
#include "engine/ArbitrageThread.h"
#include "runtime/Runtime.h"
#include "scene/ui/BatchAddDialog.h"
#include "scene/ui/SceneCanvas.h"
#include "scene/ui/SpringPropDialog.h"
#include "scene/ui/SceneEditorPane.h"
#include "ui/DesktopContext.h"
#include "ui/MainFrame.h"
#include "ui/PaneTable.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;
using Tool = SceneEditorPane::Tool;

namespace {

// Four springs of size 10 and one group, on a copy of the demo workspace.
constexpr const char* kScene =
    "[main]\nSpringIndex=9006\ncount=4\n"
    "sp0_x=100\nsp0_y=100\nsp0_ID=9001\nsp0_BLOCKID1=2\nsp0_COMID1=1;0\nsp0_ADDR=中心\n"
    "sp1_x=200\nsp1_y=100\nsp1_ID=9002\nsp1_BLOCKID1=0\nsp1_BLOCKID=0\nsp1_BLOCKID_L=4\nsp1_COMID_L=3;1\n"
    "sp2_x=100\nsp2_y=200\nsp2_ID=9003\nsp2_ORGANGLEY=90\n"
    "sp3_x=300\nsp3_y=300\nsp3_ID=9004\n"
    "GroupCount=1\nGP0_ID=9005\nGP0_name=喷泉组\nGP0_childCount=1\nGP0_child0=9001\n";

struct World {
    World() {
        std::ofstream(ws.path() / "spring.ini") << kScene;
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        runtime->SetSavesListsAtShutdown(false);
        started = runtime->Startup();
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        pane = std::make_unique<SceneEditorPane>(*context, QStringLiteral("场景编辑器"));
        pane->resize(640, 520);
        pane->show();
        exposed = QTest::qWaitForWindowExposed(pane.get());
    }
    SceneCanvas& canvas() { return *pane->canvas(); }
    SceneDocument& doc() { return runtime->sceneDocument(); }
    const std::vector<CSpring>& springs() { return runtime->scene.springs; }
    const CSpring& spring(std::int32_t id) { return *runtime->scene.FindSpring(id); }
    QPoint centre(std::int32_t id) { return canvas().SpringRect(runtime->scene.SpringIndexOf(id)).center(); }
    void Mode(Tool tool) { pane->action(tool)->trigger(); }
    void Click(QPoint at, Qt::KeyboardModifiers mods = {}) { QTest::mouseClick(&canvas(), Qt::LeftButton, mods, at); }
    void Drag(QPoint from, std::initializer_list<QPoint> path, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(&canvas(), Qt::LeftButton, mods, from);
        QPoint last = from;
        for (const QPoint& to : path) {
            QTest::mouseMove(&canvas(), to);
            last = to;
        }
        QTest::mouseRelease(&canvas(), Qt::LeftButton, mods, last);
    }
    QImage Shot() { return canvas().grab().toImage(); }
    QColor PixelAt(QPoint at) {
        const QImage image = Shot();
        return image.pixelColor((QPointF(at) * image.devicePixelRatio()).toPoint());
    }
    // Right-clicks at `at` and chooses the item at the end of `path`; false
    // when an item is missing or disabled.
    bool Choose(QPoint at, const QStringList& path) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, canvas().mapToGlobal(at));
        QApplication::sendEvent(&canvas(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QMenu* top = menu;
        bool found = menu != nullptr;
        for (int k = 0; found && k < path.size(); ++k) {
            const auto actions = menu->actions();
            const auto it = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == path[k]; });
            found = it != actions.end() && (*it)->isEnabled();
            if (!found) break;
            if (k + 1 < path.size()) menu = (*it)->menu();
            else (*it)->trigger();
            found = menu != nullptr;
        }
        if (top) top->close();
        return found;
    }
    QStringList MenuTexts(QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, canvas().mapToGlobal(at));
        QApplication::sendEvent(&canvas(), &event);
        QStringList texts;
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) texts << a->text() + (a->isEnabled() ? "" : "(off)");
            menu->close();
        }
        return texts;
    }
    // Stands in for the engine: the springs' outputs of one tick, published.
    void PublishTick(std::uint64_t tick, std::int32_t lit9001, COLORREF colour9001) {
        std::lock_guard lock(runtime->g_csOutput);
        CSpring& s = runtime->scene.springs[0];
        s.m_bLit = lit9001;
        s.m_crColor = colour9001;
        runtime->engine().snapshots().Capture(runtime->scene, 0.0, 0);
        runtime->engine().snapshots().Publish(tick, 1.0f, 0.0f);
    }

    UiWorkspace ws;
    RecordingPrompter prompter;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    std::unique_ptr<SceneEditorPane> pane;
    bool started = false;
    bool exposed = false;
};

std::vector<std::int32_t> Ids(std::initializer_list<std::int32_t> ids) { return ids; }

// Runs `act` on the modal dialog of type D once it is open, then closes it.
template <class D>
void WhenOpen(const std::function<void(D&)>& act, int attempts = 200) {
    QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen<D>(act, attempts - 1);
            return;
        }
        const QPointer<D> open(dialog);
        act(*dialog);
        if (open && open->isVisible()) open->reject();
    });
}

void PressButton(QWidget& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text) return QTest::mouseClick(button, Qt::LeftButton);
    QFAIL(qPrintable("no button " + text));
}

void WriteImage(const std::filesystem::path& path, QColor colour) {
    std::filesystem::create_directories(path.parent_path());
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    image.save(QString::fromStdString(path.string()), "BMP");
}

}  // namespace

class SceneCanvasTest : public QObject {
    Q_OBJECT

private slots:
    void clicksShiftAndBandsSelectOnlyInEditMode() {
        World w;
        QVERIFY(w.started && w.exposed);
        SceneDocument& doc = w.doc();
        // Watch mode at start: circles have no hit rectangles.
        w.Click(w.centre(9001));
        QVERIFY(doc.SelectedSpringIDs().empty());

        w.Mode(Tool::kEdit);
        w.Click(w.centre(9001));
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9001}));
        QVERIFY(w.canvas().hasFocus());
        w.Click(w.centre(9002));
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9002}));
        w.Click(w.centre(9001), Qt::ShiftModifier);
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9001, 9002}));
        w.Click(w.centre(9002), Qt::ShiftModifier);
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9001}));
        w.Click(QPoint(400, 30));
        QVERIFY(doc.SelectedSpringIDs().empty());

        // A band selects what it meets, live while it is drawn.
        QTest::mousePress(&w.canvas(), Qt::LeftButton, {}, QPoint(90, 90));
        QTest::mouseMove(&w.canvas(), QPoint(215, 115));
        QVERIFY(w.canvas().banding());
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9001, 9002}));
        QTest::mouseRelease(&w.canvas(), Qt::LeftButton, {}, QPoint(215, 115));
        QVERIFY(!w.canvas().banding());
        // With Shift the earlier selection stays; without it goes.
        w.Drag(QPoint(90, 190), {QPoint(115, 215)}, Qt::ShiftModifier);
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9001, 9002, 9003}));
        w.Drag(QPoint(290, 290), {QPoint(320, 320)});
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9004}));
        QVERIFY(!doc.IsModified());  // selection is view state
    }

    void dragMovesTheSelectionAsOneStepAndStopsAtTheViewsEdge() {
        World w;
        QVERIFY(w.started && w.exposed);
        SceneDocument& doc = w.doc();
        w.Mode(Tool::kEdit);
        w.Click(w.centre(9001));
        w.Click(w.centre(9002), Qt::ShiftModifier);
        // Grabbed 5 px inside 9001: both selected springs follow.
        w.Drag(QPoint(105, 105), {QPoint(120, 110), QPoint(140, 120), QPoint(155, 125)});
        QCOMPARE(w.spring(9001).x, 150);
        QCOMPARE(w.spring(9001).y, 120);
        QCOMPARE(w.spring(9002).x, 250);
        QCOMPARE(w.spring(9002).y, 120);
        QCOMPARE(doc.UndoText(), std::string("移动"));
        QVERIFY(doc.Undo());
        QCOMPARE(w.spring(9001).x, 100);
        QCOMPARE(w.spring(9002).y, 100);
        QVERIFY(!doc.CanUndo());

        // Above the canvas (over the toolbar) the pointer moves nothing: the
        // springs stay where the last move inside put them.
        w.Click(w.centre(9003));
        w.Drag(QPoint(105, 205), {QPoint(130, 180), QPoint(140, -8), QPoint(160, -20)});
        QCOMPARE(w.spring(9003).x, 125);
        QCOMPARE(w.spring(9003).y, 175);
        QVERIFY(!doc.dragging());

        // Arrow keys move the selection; repeated presses are one step.
        QTest::keyClick(&w.canvas(), Qt::Key_Right);
        QTest::keyClick(&w.canvas(), Qt::Key_Right);
        QTest::keyClick(&w.canvas(), Qt::Key_Up);
        QCOMPARE(w.spring(9003).x, 127);
        QCOMPARE(w.spring(9003).y, 174);
        QVERIFY(doc.Undo());
        QCOMPARE(w.spring(9003).x, 125);

        // Losing the focus mid-drag ends it: later moves move nothing.
        QTest::mousePress(&w.canvas(), Qt::LeftButton, {}, w.centre(9003));
        QVERIFY(doc.dragging());
        w.canvas().clearFocus();
        QVERIFY(!doc.dragging());
        QTest::mouseMove(&w.canvas(), QPoint(300, 250));
        QCOMPARE(w.spring(9003).x, 125);
        QTest::mouseRelease(&w.canvas(), Qt::LeftButton, {}, QPoint(300, 250));
    }

    void ctrlClickAddsASpringInAnyModeUnselected() {
        World w;
        QVERIFY(w.started && w.exposed);
        SceneDocument& doc = w.doc();
        QCOMPARE(doc.mode(), SceneDocument::kWatch);
        w.Click(QPoint(400, 60), Qt::ControlModifier);
        QCOMPARE(w.springs().size(), std::size_t{5});
        const CSpring& added = w.springs().back();
        QCOMPARE(added.ID, 9006);
        QCOMPARE(added.x, 400);
        QCOMPARE(added.y, 60);
        QVERIFY(!doc.IsSpringSelected(9006));
        QVERIFY(doc.IsModified());

        // In watch mode "新建" is offered but does nothing; in edit mode it
        // adds a selected spring at (10, 10).
        QCOMPARE(w.MenuTexts(QPoint(450, 400)), QStringList({"新建(off)"}));
        w.Mode(Tool::kEdit);
        QVERIFY(w.Choose(QPoint(450, 400), {"新建"}));
        QCOMPARE(w.springs().back().x, 10);
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9007}));
    }

    void deleteAsksFirstAndSaysWhenNothingIsSelected() {
        World w;
        QVERIFY(w.started && w.exposed);
        SceneDocument& doc = w.doc();
        // Watch mode: Delete does nothing at all.
        QTest::keyClick(&w.canvas(), Qt::Key_Delete);
        QVERIFY(w.prompter.messages.empty() && w.prompter.questions.empty());

        // The frame's own Delete shortcut (the timeline's) does not take
        // the key from the canvas.
        QAction frameDelete(QStringLiteral("删除"));
        frameDelete.setShortcut(QKeySequence(Qt::Key_Delete));
        frameDelete.setShortcutContext(Qt::WindowShortcut);
        w.pane->addAction(&frameDelete);
        QSignalSpy frameDeletes(&frameDelete, &QAction::triggered);
        w.Mode(Tool::kEdit);
        w.canvas().setFocus();
        QTest::keyClick(&w.canvas(), Qt::Key_Delete);
        QCOMPARE(frameDeletes.count(), 0);
        QCOMPARE(w.prompter.messages, std::vector<std::string>{"还没有选择任何元素"});
        QVERIFY(w.prompter.questions.empty());
        QCOMPARE(w.springs().size(), std::size_t{4});

        w.Click(w.centre(9002));
        w.prompter.SetAnswer(false);
        QTest::keyClick(&w.canvas(), Qt::Key_Delete);
        QCOMPARE(w.prompter.questions, std::vector<std::string>{"确定删除？（此操作不可恢复！）"});
        QCOMPARE(w.springs().size(), std::size_t{4});
        w.prompter.SetAnswer(true);
        QTest::keyClick(&w.canvas(), Qt::Key_Delete);
        QCOMPARE(w.springs().size(), std::size_t{3});
        QVERIFY(w.runtime->scene.FindSpring(9002) == nullptr);
        // The menu's "删除" runs the same command.
        QVERIFY(w.Choose(w.centre(9004), {"删除"}));
        QCOMPARE(w.springs().size(), std::size_t{2});
        QCOMPARE(w.prompter.questions.size(), std::size_t{3});
        // Deleting is undoable, whatever the question says.
        QVERIFY(doc.Undo());
        QCOMPARE(w.springs().size(), std::size_t{3});
        QCOMPARE(w.spring(9004).x, 300);
    }

    void springMenuMakesGroupsAndAddsToThem() {
        World w;
        QVERIFY(w.started && w.exposed);
        SceneDocument& doc = w.doc();
        w.Mode(Tool::kEdit);
        QCOMPARE(w.MenuTexts(w.centre(9003)), QStringList({"属性", "删除", "成组", "控制按钮", "添加到组"}));
        // The right click selected the spring as a left click would.
        QCOMPARE(doc.SelectedSpringIDs(), Ids({9003}));
        // "属性" opens the sheet of the first selected spring.
        std::int32_t opened = 0;
        WhenOpen<SpringPropDialog>([&](SpringPropDialog& dialog) { opened = dialog.springId(); });
        QVERIFY(w.Choose(w.centre(9003), {"属性"}));
        QCOMPARE(opened, 9003);

        QVERIFY(w.Choose(w.centre(9003), {"成组"}));
        const auto& groups = w.runtime->scene.groups;
        QCOMPARE(groups.size(), std::size_t{2});
        QCOMPARE(groups.back().ID, 9006);
        QCOMPARE(groups.back().name, std::string("默认组9007"));
        QCOMPARE(groups.back().childCount, 1);
        QCOMPARE(groups.back().children[0], 9003);

        w.Click(w.centre(9004));
        QVERIFY(w.Choose(w.centre(9004), {"添加到组", "喷泉组"}));
        QCOMPARE(groups.front().childCount, 2);
        QCOMPARE(groups.front().children[1], 9004);
        QVERIFY(w.Choose(w.centre(9004), {"控制按钮"}));
        QCOMPARE(groups.back().name, std::string("特殊按钮9008"));
        QCOMPARE(groups.back().bSpecialBTN, 1);
        QVERIFY(w.prompter.messages.empty());
    }

    void toolbarModesAreARadioGroupAndTheTimerFollowsThem() {
        World w;
        QVERIFY(w.started && w.exposed);
        QToolBar* bar = w.pane->toolBar();
        QStringList names;
        for (QAction* a : bar->actions()) names << bar->widgetForAction(a)->accessibleName();
        QCOMPARE(names, QStringList({"监视", "编辑", "灯光", "背景", "通道", "标签", "导入", "导出", "批量"}));
        QVERIFY(w.pane->action(Tool::kChannels)->isEnabled());
        QCOMPARE(w.pane->action(Tool::kChannels)->toolTip(), QStringLiteral("通道"));
        // Labelled while they fit; icons only (texts as tips) when not.
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        w.pane->resize(260, 400);
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        w.pane->resize(640, 520);
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

        QVERIFY(w.pane->action(Tool::kWatch)->isChecked());
        QVERIFY(w.canvas().refreshing());
        QTest::mouseClick(bar->widgetForAction(w.pane->action(Tool::kEdit)), Qt::LeftButton);
        QCOMPARE(w.doc().mode(), SceneDocument::kEdit);
        QVERIFY(!w.pane->action(Tool::kWatch)->isChecked());
        QVERIFY(!w.canvas().refreshing());  // nothing of the engine is shown
        QTest::mouseClick(bar->widgetForAction(w.pane->action(Tool::kLight)), Qt::LeftButton);
        QCOMPARE(w.doc().mode(), SceneDocument::kLight);
        QVERIFY(!w.pane->action(Tool::kEdit)->isChecked());
        QVERIFY(w.canvas().refreshing());
        // A screen reader toggles the button rather than clicking it.
        QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(bar->widgetForAction(w.pane->action(Tool::kEdit)));
        QVERIFY(edit && edit->actionInterface());
        edit->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(w.doc().mode(), SceneDocument::kEdit);
        w.pane->action(Tool::kLight)->trigger();
        w.pane->hide();
        QVERIFY(!w.canvas().refreshing());
    }

    void pointTableButtonsExportAndImportTheWorkspacesTable() {
        World w;
        QVERIFY(w.started && w.exposed);
        QToolBar* bar = w.pane->toolBar();
        QTest::mouseClick(bar->widgetForAction(w.pane->action(Tool::kExport)), Qt::LeftButton);
        QCOMPARE(w.prompter.messages, std::vector<std::string>{"导出成功！"});
        const auto table = w.ws.path() / "spring.csv";
        QVERIFY(std::filesystem::exists(table));
        std::ifstream in(table);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        QVERIFY(text.find("9001") != std::string::npos);

        w.prompter.messages.clear();
        w.prompter.SetAnswer(false);
        QTest::mouseClick(bar->widgetForAction(w.pane->action(Tool::kImport)), Qt::LeftButton);
        QCOMPARE(w.prompter.questions, std::vector<std::string>{"导入点表将覆盖当前场景，确定导入？"});
        QVERIFY(w.prompter.messages.empty());
        w.prompter.SetAnswer(true);
        QTest::mouseClick(bar->widgetForAction(w.pane->action(Tool::kImport)), Qt::LeftButton);
        QCOMPARE(w.prompter.messages, std::vector<std::string>{"导入成功！"});

        // "批量": refused in watch mode; in edit mode the dialog's OK adds
        // its springs (5 x 5 by default) and their group.
        w.prompter.messages.clear();
        QTest::mouseClick(bar->widgetForAction(w.pane->action(Tool::kBatch)), Qt::LeftButton);
        QCOMPARE(w.prompter.messages, std::vector<std::string>{kBatchInWatchMode});
        w.Mode(Tool::kEdit);
        WhenOpen<BatchAddDialog>([](BatchAddDialog& dialog) { PressButton(dialog, QStringLiteral("确定")); });
        QTest::mouseClick(bar->widgetForAction(w.pane->action(Tool::kBatch)), Qt::LeftButton);
        QCOMPARE(w.springs().size(), std::size_t{4 + 25});
        QCOMPARE(w.runtime->scene.groups.size(), std::size_t{2});
    }

    void circlesShowSelectionEngineStateAndLightColour() {
        World w;
        QVERIFY(w.started && w.exposed);
        const QPoint c1 = w.centre(9001), c2 = w.centre(9002);
        w.Mode(Tool::kEdit);
        w.Click(c1);
        QCOMPARE(w.PixelAt(c1), QColor(0, 255, 0));
        QCOMPARE(w.PixelAt(c2), QColor(255, 255, 255));
        // 9003's jet points up (90 degrees): its stroke leaves the circle upwards.
        QCOMPARE(w.PixelAt(QPoint(105, 205 - 12)), QColor(255, 140, 0));
        QCOMPARE(w.PixelAt(QPoint(105 + 12, 205)), QColor(0, 0, 0));
        QCOMPARE(w.PixelAt(QPoint(30, 30)), QColor(0, 0, 0));
        QCOMPARE(w.PixelAt(QPoint(50, 30)), QColor(0, 51, 12));  // a grid line

        // Watch mode: grey until the engine drives the spring, then green.
        w.Mode(Tool::kWatch);
        QCOMPARE(w.PixelAt(c1), QColor(128, 127, 128));
        // The timer repaints when what a circle shows changed, and not again
        // while it stays the same.
        QTest::qWait(2 * SceneCanvas::kRefreshMs);  // pending paints done
        const int before = w.canvas().paints();
        w.PublishTick(1, 1, 0x000000FFu);  // COLORREF red: the low byte
        QTRY_VERIFY_WITH_TIMEOUT(w.canvas().paints() > before, 2000);
        QCOMPARE(w.PixelAt(c1), QColor(0, 255, 0));
        QCOMPARE(w.PixelAt(c2), QColor(128, 127, 128));
        const int paints = w.canvas().paints();
        w.PublishTick(2, 1, 0x000000FFu);
        QTest::qWait(4 * SceneCanvas::kRefreshMs);
        QCOMPARE(w.canvas().paints(), paints);
        w.PublishTick(3, 0, 0x000000FFu);
        QTRY_VERIFY_WITH_TIMEOUT(w.canvas().paints() > paints, 2000);
        QCOMPARE(w.PixelAt(c1), QColor(128, 127, 128));

        w.Mode(Tool::kLight);
        QCOMPARE(w.PixelAt(c1), QColor(255, 0, 0));
        w.PublishTick(4, 0, 0x00FF8000u);  // blue FF, green 80, red 00
        QCOMPARE(w.PixelAt(c1), QColor(0, 128, 255));
    }

    void labelsWriteTheIdAboveOnYellowWhenSelected() {
        World w;
        QVERIFY(w.started && w.exposed);
        w.Mode(Tool::kEdit);
        w.Click(w.centre(9001));
        const QPoint above1(101, 100 - SceneCanvas::kLabelRise + 1);
        const QPoint above2(201, 100 - SceneCanvas::kLabelRise + 1);
        QCOMPARE(w.PixelAt(above1), QColor(0, 0, 0));
        QTest::mouseClick(w.pane->toolBar()->widgetForAction(w.pane->action(Tool::kLabels)), Qt::LeftButton);
        QVERIFY(w.canvas().showLabels());
        QCOMPARE(w.PixelAt(above1), QColor(255, 255, 0));
        QCOMPARE(w.PixelAt(above2), QColor(80, 80, 80));
        w.pane->action(Tool::kLabels)->trigger();
        QVERIFY(!w.canvas().showLabels());
        QCOMPARE(w.PixelAt(above2), QColor(0, 0, 0));
    }

    void backgroundIsChosenReadOnceAndStretched() {
        World w;
        QVERIFY(w.started && w.exposed);
        WriteImage(w.ws.path() / "Model" / "場地.bmp", QColor(200, 30, 30));
        w.pane->SetBackgroundChooser([&] { return QString::fromStdString((w.ws.path() / "Model" / "場地.bmp").string()); });
        w.pane->action(Tool::kBackground)->trigger();
        QCOMPARE(w.runtime->scene.settings.BGBMP, std::string("Model/場地.bmp"));
        QCOMPARE(w.doc().UndoText(), std::string("背景"));
        // Read on a worker; drawn once it is there.
        QTRY_COMPARE(w.PixelAt(QPoint(30, 30)), QColor(200, 30, 30));
        QCOMPARE(w.PixelAt(QPoint(w.canvas().width() - 10, w.canvas().height() - 10)), QColor(200, 30, 30));
        const int reads = w.canvas().background().reads();
        for (int i = 0; i < 5; ++i) w.canvas().repaint();
        w.canvas().ReloadBackground();  // same path, same size: nothing to read
        QTest::qWait(50);
        QCOMPARE(w.canvas().background().reads(), reads);
        // A new size is read once it settles; until then the old picture
        // is stretched over the canvas.
        w.pane->resize(w.pane->width() + 40, w.pane->height() + 30);
        QCOMPARE(w.PixelAt(QPoint(w.canvas().width() - 5, w.canvas().height() - 5)), QColor(200, 30, 30));
        QTRY_COMPARE(w.canvas().background().reads(), reads + 1);
        QCOMPARE(w.canvas().background().pixmap().size(), w.canvas().size() * w.canvas().devicePixelRatio());
        QVERIFY(w.prompter.messages.empty());

        QVERIFY(w.doc().Undo());
        QTRY_COMPARE(w.PixelAt(QPoint(30, 30)), QColor(0, 0, 0));
        // A path the Windows program stored: its file part is found in the
        // workspace's Model folder.
        QVERIFY(w.doc().SetBackground("D:\\演出\\MODEL\\場地.BMP"));
        QTRY_COMPARE(w.PixelAt(QPoint(30, 30)), QColor(200, 30, 30));
        QVERIFY(w.doc().Undo());
        QTRY_COMPARE(w.PixelAt(QPoint(30, 30)), QColor(0, 0, 0));
        // An answer of nothing (the dialog cancelled) changes nothing.
        w.pane->SetBackgroundChooser([] { return QString(); });
        w.pane->action(Tool::kBackground)->trigger();
        QVERIFY(w.runtime->scene.settings.BGBMP.empty());
    }

    void anUnreadableBackgroundIsToldOnceAndTheCanvasStillDraws() {
        World w;
        QVERIFY(w.started && w.exposed);
        // Not an image.
        std::ofstream(w.ws.path() / "text.bmp") << "not a picture";
        // A bitmap header claiming 20000 x 20000 pixels and nothing after it.
        {
            QByteArray header(54, '\0');
            auto put = [&](int at, quint32 v, int bytes) {
                for (int k = 0; k < bytes; ++k) header[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
            };
            header[0] = 'B';
            header[1] = 'M';
            put(2, 54 + 20000u * 60000u, 4);
            put(10, 54, 4);
            put(14, 40, 4);
            put(18, 20000, 4);
            put(22, 20000, 4);
            put(26, 1, 2);
            put(28, 24, 2);
            std::ofstream(w.ws.path() / "huge.bmp", std::ios::binary).write(header.constData(), header.size());
        }
        for (const std::string name : {"missing.bmp", "text.bmp", "huge.bmp"}) {
            w.prompter.messages.clear();
            const int reads = w.canvas().background().reads();
            QVERIFY(w.doc().SetBackground(name));
            QTRY_COMPARE(w.prompter.messages, std::vector<std::string>{"背景图片无法读取：" + name});
            // Resizing reads again but does not tell again.
            w.pane->resize(w.pane->width() + 20, w.pane->height());
            QTRY_COMPARE(w.canvas().background().reads(), reads + 2);
            QVERIFY(!w.canvas().background().reading());
            QCOMPARE(w.prompter.messages.size(), std::size_t{1});
            QCOMPARE(w.PixelAt(QPoint(30, 30)), QColor(0, 0, 0));
        }
        w.Mode(Tool::kEdit);
        w.Click(w.centre(9001));
        QCOMPARE(w.PixelAt(w.centre(9001)), QColor(0, 255, 0));
    }

    void theCanvasScrollsWhenTheSceneOutgrowsTheView() {
        World w;
        QVERIFY(w.started && w.exposed);
        QScrollArea* scroll = w.pane->scrollArea();
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        w.Click(QPoint(500, 400), Qt::ControlModifier);
        w.Mode(Tool::kEdit);
        w.Click(w.centre(9006));
        for (int i = 0; i < 5; ++i) QVERIFY(w.doc().MoveSelected(400, 300));
        QCOMPARE(w.spring(9006).x, 2500);
        QTRY_VERIFY(scroll->horizontalScrollBar()->maximum() > 0);
        QVERIFY(w.canvas().width() >= 2500 + 10 + SceneCanvas::kMargin);
        QVERIFY(w.canvas().height() >= 1900 + 10 + SceneCanvas::kMargin);
        // Scrolled to the far spring, it is hit where it is drawn.
        scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        QVERIFY(w.canvas().ClientRect().contains(w.centre(9006)));
        w.Click(QPoint(2400, 1800));
        QVERIFY(w.doc().SelectedSpringIDs().empty());
        w.Click(w.centre(9006));
        QCOMPARE(w.doc().SelectedSpringIDs(), Ids({9006}));
    }

    void theFramesUndoReachesTheSceneWhileTheCanvasHasTheFocus() {
        UiWorkspace ws;
        std::ofstream(ws.path() / "spring.ini") << kScene;
        RecordingPrompter prompter;
        Runtime runtime{Workspace(ws.path())};
        runtime.SetSavesListsAtShutdown(false);
        QVERIFY(runtime.Startup());
        DesktopContext context{runtime, prompter};
        MainFrame frame(context);
        frame.resize(1200, 800);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QDockWidget* dock = frame.Pane(kPaneSceneEditor);
        auto* pane = qobject_cast<SceneEditorPane*>(dock->widget());
        QVERIFY(pane);
        dock->raise();
        QTRY_VERIFY(pane->canvas()->isVisible());
        pane->action(Tool::kEdit)->trigger();
        SceneCanvas& canvas = *pane->canvas();
        const QPoint at = canvas.SpringRect(0).center();
        QTest::mousePress(&canvas, Qt::LeftButton, {}, at);
        QTest::mouseMove(&canvas, at + QPoint(30, 20));
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, at + QPoint(30, 20));
        QVERIFY(canvas.hasFocus());
        QCOMPARE(runtime.scene.springs[0].x, 130);
        QAction* undo = frame.MenuAction(kCmdUndo);
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("撤销 移动"));
        undo->trigger();
        QCOMPARE(runtime.scene.springs[0].x, 100);
    }

    void springsAreAccessibleChildren() {
        World w;
        QVERIFY(w.started && w.exposed);
        QAccessibleInterface* canvas = QAccessible::queryAccessibleInterface(&w.canvas());
        QVERIFY(canvas);
        QCOMPARE(canvas->text(QAccessible::Name), QStringLiteral("场景编辑器"));
        QVERIFY(canvas->childCount() >= 4);
        QAccessibleInterface* first = canvas->child(0);
        QCOMPARE(first->text(QAccessible::Name), QStringLiteral("喷头 9001 CH[2].1;0"));
        QCOMPARE(first->text(QAccessible::Description), QStringLiteral("中心 (100, 100)"));
        QCOMPARE(canvas->child(1)->text(QAccessible::Name), QStringLiteral("喷头 9002 CH[4].3;1"));
        QCOMPARE(canvas->child(3)->text(QAccessible::Name), QStringLiteral("喷头 9004 未连接"));
        QCOMPARE(first->role(), QAccessible::ListItem);
        QVERIFY(first->state().selectable && !first->state().selected);

        // Pressing an item selects its spring, in any mode.
        QAccessibleInterface* third = canvas->child(2);
        third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(w.doc().SelectedSpringIDs(), Ids({9003}));
        QVERIFY(third->state().selected);
        // "属性" on an item opens that spring's sheet.
        QAccessibleInterface* second = canvas->child(1);
        QVERIFY(second->actionInterface()->actionNames().contains(QStringLiteral("属性")));
        std::int32_t opened = 0;
        WhenOpen<SpringPropDialog>([&](SpringPropDialog& dialog) { opened = dialog.springId(); });
        second->actionInterface()->doAction(QStringLiteral("属性"));
        QCOMPARE(opened, 9002);
        QCOMPARE(w.doc().SelectedSpringIDs(), Ids({9002}));
        third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(canvas->childAt(w.canvas().mapToGlobal(w.centre(9003)).x(), w.canvas().mapToGlobal(w.centre(9003)).y()),
                 third);
        // The children follow the list: a new spring is a new child.
        w.Click(QPoint(400, 60), Qt::ControlModifier);
        QCOMPARE(canvas->child(4)->text(QAccessible::Name), QStringLiteral("喷头 9006 未连接"));
    }
};

VELMORA_UI_TEST_MAIN(SceneCanvasTest)
#include "SceneCanvasTest.moc"
