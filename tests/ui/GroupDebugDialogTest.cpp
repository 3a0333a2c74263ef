// The group debug panel on the demo's ring group: the title and toolbar,
// cell selection with the mouse, the knob drag, the held step button, the
// colour toggles and the colour dialog, the motor buttons' hook, the group
// switch and the reset, and what assistive technology finds.

#include <functional>
#include <stdexcept>
#include <vector>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/Prompter.h"
#include "engine/ArbitrageThread.h"
#include "manual/ui/GroupDebugDialog.h"
#include "manual/ui/GroupDebugTool.h"
#include "manual/ui/GroupMemberSelector.h"
#include "runtime/Runtime.h"
#include "ui/DesktopContext.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

constexpr std::int32_t kRing = 9065;  // "环形喷泉", springs 9001..9024

struct Call {
    QWidget* parent;
    std::int32_t spring;
    int axis;
};

struct World {
    World() {
        if (!runtime.Startup()) throw std::runtime_error("the demo workspace did not start");
    }
    CSpring& Spring(std::int32_t id) { return *runtime.scene.FindSpring(id); }
    // Stands in for the engine: spring `id`'s outputs of one tick, published.
    void PublishTick(std::int32_t id, std::int32_t lit, std::int32_t level, COLORREF colour) {
        std::lock_guard lock(runtime.g_csOutput);
        CSpring& s = Spring(id);
        s.m_bLit = lit;
        s.m_nOutLevel = level;
        s.m_crColor = colour;
        runtime.engine().snapshots().Capture(runtime.scene, 0.0, 0);
        runtime.engine().snapshots().Publish(++tick, 1.0f, 0.0f);
    }

    UiWorkspace ws;
    RecordingPrompter prompter;
    Runtime runtime{Workspace(ws.path())};
    DesktopContext context{runtime, prompter};
    std::uint64_t tick = 0;
};

// The dialog shown (not modal: the test drives it directly).
struct Panel {
    explicit Panel(World& world, MotorFineTuneHook hook = {}) : dialog(world.context, kRing, std::move(hook)) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) throw std::runtime_error("the panel did not show");
    }
    GroupMemberSelector& selector() { return *dialog.selector(); }
    GroupDebugTool& tool() { return *dialog.tool(); }
    void ClickCell(std::size_t index, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(&selector(), Qt::LeftButton, keys, selector().CellRect(index).center());
    }
    void ClickControl(DebugControl control) {
        QTest::mouseClick(&tool(), Qt::LeftButton, {}, GroupDebugTool::ControlRect(control).center());
    }
    void ClickToolButton(const QString& text) {
        QWidget* button = dialog.toolBar()->widgetForAction(dialog.Action(text));
        QVERIFY2(button != nullptr, qPrintable(text));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    std::vector<std::size_t> Selected() {
        std::vector<std::size_t> out;
        for (std::size_t i = 0; i < dialog.debug().memberCount(); ++i)
            if (dialog.debug().IsSelected(i)) out.push_back(i);
        return out;
    }

    GroupDebugDialog dialog;
};

QAccessibleInterface* ChildNamed(QAccessibleInterface* parent, const QString& name, QAccessible::Role role) {
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (child && child->text(QAccessible::Name) == name && child->role() == role) return child;
    }
    return nullptr;
}

QAccessibleInterface* Find(QAccessibleInterface* root, const QString& name, QAccessible::Role role, int depth = 6) {
    if (root == nullptr || depth < 0) return nullptr;
    if (root->text(QAccessible::Name) == name && root->role() == role) return root;
    for (int i = 0; i < root->childCount(); ++i)
        if (QAccessibleInterface* hit = Find(root->child(i), name, role, depth - 1)) return hit;
    return nullptr;
}

// Runs `act` on the modal widget of type T once it is open, looking a
// bounded number of times; whatever `act` leaves open is closed.
template <class T>
void WhenOpen(const std::function<void(T&)>& act, int attempts = 200) {
    QTimer::singleShot(10, [act, attempts] {
        auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (widget == nullptr) {
            if (attempts > 0) WhenOpen<T>(act, attempts - 1);
            return;
        }
        const QPointer<T> open(widget);
        act(*widget);
        if (open && open->isVisible()) open->close();
    });
}

using Indices = std::vector<std::size_t>;

}  // namespace

class GroupDebugDialogTest : public QObject {
    Q_OBJECT

private slots:
    void titleToolbarAndDisplayModes() {
        World world;
        Panel panel(world);
        GroupDebugDialog& dialog = panel.dialog;
        QCOMPARE(dialog.windowTitle(), QString("[环形喷泉]---调试面板"));
        QVERIFY(dialog.findChildren<QDialogButtonBox*>().isEmpty());
        QVERIFY(dialog.findChildren<QPushButton*>().isEmpty());
        QCOMPARE(dialog.toolBar()->height(), 24);
        QCOMPARE(panel.selector().height(), 300);
        QCOMPARE(dialog.debug().memberCount(), std::size_t{24});

        const QStringList modes{"模拟量", "开关量", "灯光", "电机"};
        for (const QString& text : QStringList{"全选", "全不选"} + modes) QVERIFY2(dialog.Action(text), qPrintable(text));
        QVERIFY(dialog.Action("模拟量")->isChecked());
        panel.ClickToolButton("灯光");
        QCOMPARE(dialog.state().mode, DebugDisplayMode::Light);
        for (const QString& text : modes) QCOMPARE(dialog.Action(text)->isChecked(), text == "灯光");
        panel.ClickToolButton("电机");
        QCOMPARE(dialog.state().mode, DebugDisplayMode::Motor);
        QVERIFY(!dialog.Action("灯光")->isChecked());

        panel.ClickToolButton("全选");
        QCOMPARE(panel.Selected().size(), std::size_t{24});
        panel.ClickToolButton("全不选");
        QVERIFY(panel.Selected().empty());
    }

    void cellClicksSelectWithShiftAndCtrl() {
        World world;
        Panel panel(world);
        panel.ClickCell(2);
        QCOMPARE(panel.Selected(), Indices({2}));
        panel.ClickCell(5, Qt::ShiftModifier);
        QCOMPARE(panel.Selected(), Indices({2, 3, 4, 5}));
        panel.ClickCell(3, Qt::ControlModifier);
        QCOMPARE(panel.Selected(), Indices({2, 4, 5}));
        // Shift before the anchor (now 3): nothing stays selected.
        panel.ClickCell(1, Qt::ShiftModifier);
        QVERIFY(panel.Selected().empty());
        // A cell on the second row, and a click beside the last cell.
        panel.ClickCell(10);
        QCOMPARE(panel.Selected(), Indices({10}));
        const QRect last = panel.selector().CellRect(23);
        QTest::mouseClick(&panel.selector(), Qt::LeftButton, {}, last.center() + QPoint(0, last.height()));
        QCOMPARE(panel.Selected(), Indices({10}));
    }

    void nothingSelectedShowsDashesAndTheKnobDragSetsTheSelection() {
        World world;
        Panel panel(world);
        GroupDebugTool& tool = panel.tool();
        QCOMPARE(tool.LevelText(), QString("---"));
        QVERIFY(tool.KnobRect().isEmpty());
        panel.ClickControl(DebugControl::LevelOn);
        panel.ClickControl(DebugControl::StepUp);
        for (std::int32_t id = 9001; id <= 9024; ++id) QCOMPARE(world.Spring(id).m_nManualLevel.Get(), 0);

        panel.ClickCell(0);
        panel.ClickCell(2, Qt::ShiftModifier);
        QCOMPARE(tool.LevelText(), QString("[000]"));
        QCOMPARE(tool.KnobRect(), QRect(30, 158, 40, 40));

        // Grab the knob 20 px below its top, lift it 60 px, then past the top.
        const QPoint grab(50, 178);
        QTest::mousePress(&tool, Qt::LeftButton, {}, grab);
        QTest::mouseMove(&tool, grab - QPoint(0, 60));
        QCOMPARE(world.Spring(9001).m_nManualLevel.Get(), 60);
        QCOMPARE(world.Spring(9003).m_nManualLevel.Get(), 60);
        QCOMPARE(world.Spring(9003).m_nManualOn.Get(), 1);
        QCOMPARE(world.Spring(9004).m_nManualLevel.Get(), 0);
        QCOMPARE(tool.LevelText(), QString("[060]"));
        QCOMPARE(tool.KnobRect().top(), 98);
        QTest::mouseMove(&tool, QPoint(50, 5));
        QCOMPARE(world.Spring(9002).m_nManualLevel.Get(), 128);
        // Back to the very bottom: 0 and off; one pixel higher: 1 and on.
        QTest::mouseMove(&tool, grab);
        QCOMPARE(world.Spring(9002).m_nManualLevel.Get(), 0);
        QCOMPARE(world.Spring(9002).m_nManualOn.Get(), 0);
        QTest::mouseMove(&tool, grab - QPoint(0, 1));
        QCOMPARE(world.Spring(9002).m_nManualLevel.Get(), 1);
        QCOMPARE(world.Spring(9002).m_nManualOn.Get(), 1);
        QTest::mouseRelease(&tool, Qt::LeftButton, {}, grab - QPoint(0, 1));
        QVERIFY(!panel.dialog.debug().dragging());

        // A press beside the knob on the slider's panel moves nothing.
        QTest::mousePress(&tool, Qt::LeftButton, {}, QPoint(25, 40));
        QTest::mouseMove(&tool, QPoint(25, 200));
        QTest::mouseRelease(&tool, Qt::LeftButton, {}, QPoint(25, 200));
        QCOMPARE(world.Spring(9002).m_nManualLevel.Get(), 1);

        panel.ClickControl(DebugControl::LevelOn);
        QCOMPARE(world.Spring(9003).m_nManualLevel.Get(), 100);
        QCOMPARE(tool.LevelText(), QString("[100]"));
        panel.ClickControl(DebugControl::LevelOff);
        QCOMPARE(world.Spring(9001).m_nManualLevel.Get(), 0);
    }

    void heldStepButtonRepeatsUntilReleasedAndStopsAt128() {
        World world;
        Panel panel(world);
        GroupDebugTool& tool = panel.tool();
        panel.ClickCell(0);
        world.Spring(9001).m_nManualLevel = 126;
        const QPoint up = GroupDebugTool::ControlRect(DebugControl::StepUp).center();
        QTest::mousePress(&tool, Qt::LeftButton, {}, up);
        QCOMPARE(world.Spring(9001).m_nManualLevel.Get(), 127);  // at once
        QVERIFY(tool.repeatTimer().isActive());
        QTRY_COMPARE_WITH_TIMEOUT(world.Spring(9001).m_nManualLevel.Get(), 128, 2000);
        QTest::qWait(250);  // two more repeats: still 128
        QCOMPARE(world.Spring(9001).m_nManualLevel.Get(), 128);
        QTest::mouseRelease(&tool, Qt::LeftButton, {}, up);
        QVERIFY(!tool.repeatTimer().isActive());

        // Held "<" for a few repeats; after the release nothing moves.
        const QPoint down = GroupDebugTool::ControlRect(DebugControl::StepDown).center();
        QTest::mousePress(&tool, Qt::LeftButton, {}, down);
        QTRY_VERIFY_WITH_TIMEOUT(world.Spring(9001).m_nManualLevel.Get() <= 125, 2000);
        QTest::mouseRelease(&tool, Qt::LeftButton, {}, down);
        const std::int32_t left = world.Spring(9001).m_nManualLevel.Get();
        QTest::qWait(250);
        QCOMPARE(world.Spring(9001).m_nManualLevel.Get(), left);
        QCOMPARE(tool.LevelText(), QString::asprintf("[%03d]", left));
    }

    void colourTogglesAndTheColourDialogReachTheSelection() {
        World world;
        Panel panel(world);
        GroupDebug& debug = panel.dialog.debug();
        panel.ClickCell(1);
        panel.ClickCell(3, Qt::ControlModifier);
        panel.ClickControl(DebugControl::Red);
        QCOMPARE(debug.colour(), COLORREF{0x0000FF});
        QCOMPARE(world.Spring(9002).m_nManualColour.Get(), COLORREF{0x0000FF});
        QCOMPARE(world.Spring(9004).m_nManualColour.Get(), COLORREF{0x0000FF});
        QCOMPARE(world.Spring(9003).m_nManualColour.Get(), COLORREF{0});
        panel.ClickControl(DebugControl::Red);  // pure red -> black
        QCOMPARE(world.Spring(9002).m_nManualColour.Get(), COLORREF{0});
        panel.ClickControl(DebugControl::Blue);
        QCOMPARE(world.Spring(9004).m_nManualColour.Get(), COLORREF{0xFF0000});

        // The swatch opens the colour dialog on the current colour; OK takes the pick.
        QColor offered;
        WhenOpen<QColorDialog>([&offered](QColorDialog& picker) {
            offered = picker.currentColor();
            picker.setCurrentColor(QColor(10, 128, 250));
            picker.accept();
        });
        panel.ClickControl(DebugControl::Swatch);
        QCOMPARE(offered, QColor(0, 0, 255));
        QCOMPARE(debug.colour(), MakeColour(10, 128, 250));
        QCOMPARE(world.Spring(9002).m_nManualColour.Get(), MakeColour(10, 128, 250));
        // Cancel keeps the colour.
        WhenOpen<QColorDialog>([](QColorDialog& picker) {
            picker.setCurrentColor(QColor(1, 2, 3));
            picker.reject();
        });
        panel.ClickControl(DebugControl::Swatch);
        QCOMPARE(debug.colour(), MakeColour(10, 128, 250));
        panel.ClickControl(DebugControl::Green);
        QCOMPARE(world.Spring(9004).m_nManualColour.Get(), MakeColour(10, 0, 250));
    }

    void motorButtonsCallTheHookWithTheFirstSelectedMember() {
        World world;
        std::vector<Call> calls;
        Panel panel(world, [&calls](QWidget* parent, std::int32_t spring, int axis) {
            calls.push_back({parent, spring, axis});
        });
        panel.ClickControl(DebugControl::MotorY);  // nothing selected
        QVERIFY(calls.empty());
        panel.ClickCell(6);
        panel.ClickCell(4, Qt::ControlModifier);
        panel.ClickControl(DebugControl::MotorY);
        panel.ClickControl(DebugControl::MotorZ);
        QCOMPARE(calls.size(), std::size_t{2});
        QCOMPARE(calls[0].spring, 9005);  // first in member order, not first clicked
        QCOMPARE(calls[0].axis, 1);
        QCOMPARE(calls[0].parent, static_cast<QWidget*>(&panel.dialog));
        QCOMPARE(calls[1].spring, 9005);
        QCOMPARE(calls[1].axis, 0);

        Panel bare(world);  // no hook: nothing happens
        bare.ClickCell(0);
        bare.ClickControl(DebugControl::MotorZ);
        QCOMPARE(calls.size(), std::size_t{2});
    }

    void groupSwitchResetAndTheEnginesState() {
        World world;
        Panel panel(world);
        GroupDebugTool& tool = panel.tool();
        const CSpringGroup& group = *world.runtime.scene.FindGroup(kRing);
        panel.ClickControl(DebugControl::GroupOn);
        QCOMPARE(group.m_nManualState.Get(), 1);
        QCOMPARE(tool.ControlDescription(DebugControl::GroupState), QString("开"));
        panel.ClickControl(DebugControl::GroupOff);
        QCOMPARE(group.m_nManualState.Get(), 0);

        panel.ClickCell(0);
        QCOMPARE(tool.AccessibleName(DebugControl::PumpState), QString("关"));
        world.PublishTick(9001, 1, 50, 0x0000FF);
        panel.dialog.Refresh();
        QCOMPARE(tool.AccessibleName(DebugControl::PumpState), QString("开"));

        panel.ClickControl(DebugControl::LevelOn);
        panel.ClickControl(DebugControl::Red);
        world.Spring(9020).m_nManualLevel = 33;  // never selected
        world.Spring(9020).m_nManualColour = 0x00FF00;
        panel.ClickControl(DebugControl::Reset);
        for (std::int32_t id = 9001; id <= 9024; ++id) {
            QCOMPARE(world.Spring(id).m_nManualLevel.Get(), 0);
            QCOMPARE(world.Spring(id).m_nManualColour.Get(), COLORREF{0});
        }
        QVERIFY(panel.Selected().empty());
        QCOMPARE(tool.LevelText(), QString("---"));
        QCOMPARE(group.m_nManualState.Get(), 0);
    }

    void assistiveTechnologyFindsCellsControlsAndTheSlider() {
        World world;
        Panel panel(world);
        QAccessibleInterface* cells = QAccessible::queryAccessibleInterface(&panel.selector());
        QVERIFY(cells != nullptr);
        QVERIFY(cells->childCount() >= 24);
        QAccessibleInterface* first = cells->child(0);
        QCOMPARE(first->text(QAccessible::Name), QString("喷头 9001"));
        QCOMPARE(first->role(), QAccessible::ListItem);
        QVERIFY(first->state().selectable);
        QCOMPARE(first->text(QAccessible::Description), QString("0"));
        first->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(panel.Selected(), Indices({0}));
        QVERIFY(first->state().selected);

        world.PublishTick(9001, 1, 64, 0x0000FF);
        panel.dialog.Refresh();
        QCOMPARE(first->text(QAccessible::Description), QString("64"));
        panel.ClickToolButton("开关量");
        QCOMPARE(first->text(QAccessible::Description), QString("开"));
        panel.ClickToolButton("灯光");
        QCOMPARE(first->text(QAccessible::Description), QString("#FF0000"));

        QAccessibleInterface* tool = QAccessible::queryAccessibleInterface(&panel.tool());
        QAccessibleInterface* slider = ChildNamed(tool, "电平", QAccessible::Slider);
        QVERIFY(slider != nullptr);
        QAccessibleValueInterface* value = slider->valueInterface();
        QVERIFY(value != nullptr);
        QCOMPARE(value->maximumValue().toInt(), 128);
        value->setCurrentValue(77);
        QCOMPARE(world.Spring(9001).m_nManualLevel.Get(), 77);
        QCOMPARE(value->currentValue().toInt(), 77);
        QVERIFY(ChildNamed(tool, "[077]", QAccessible::StaticText) != nullptr);
        QVERIFY(ChildNamed(tool, "开", QAccessible::StaticText) != nullptr);
        for (const char* name : {"<", ">", "ON", "OFF", "灯光", "红", "绿", "蓝", "Y", "Z", "复位按钮"})
            QVERIFY2(ChildNamed(tool, name, QAccessible::Button), name);
        QVERIFY(ChildNamed(tool, "组开关量", QAccessible::StaticText) != nullptr);

        QAccessibleInterface* red = ChildNamed(tool, "红", QAccessible::Button);
        QVERIFY(red->state().checkable);
        QVERIFY(!red->state().checked);
        red->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(red->state().checked);
        QCOMPARE(world.Spring(9001).m_nManualColour.Get(), COLORREF{0x0000FF});
        QAccessibleInterface* up = ChildNamed(tool, ">", QAccessible::Button);
        up->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(world.Spring(9001).m_nManualLevel.Get(), 78);
        QVERIFY(!panel.tool().repeatTimer().isActive());

        // The toolbar's buttons by caption, the display modes checkable.
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&panel.dialog);
        // The display modes are checkable tool buttons, which Qt reports as check boxes.
        QAccessibleInterface* analog = Find(root, "模拟量", QAccessible::CheckBox);
        QVERIFY(analog != nullptr);
        QVERIFY(analog->state().checkable);
        QVERIFY(!analog->state().checked);
        QVERIFY(Find(root, "灯光", QAccessible::CheckBox)->state().checked);  // chosen above
        QVERIFY(Find(root, "全选", QAccessible::Button) != nullptr);
    }

    void openingRunsModallyAndAGroupThatIsGoneOpensNothing() {
        World world;
        QElapsedTimer clock;
        clock.start();
        OpenGroupDebugPanel(world.context, 4242, nullptr, {});
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        QString title;
        bool modal = false;
        WhenOpen<GroupDebugDialog>([&](GroupDebugDialog& dialog) {
            title = dialog.windowTitle();
            modal = dialog.isModal();
        });
        OpenGroupDebugPanel(world.context, 9067, nullptr, {});
        QCOMPARE(title, QString("[水幕按钮]---调试面板"));
        QVERIFY(modal);
        QVERIFY(clock.elapsed() < 10000);
    }
};

VELMORA_UI_TEST_MAIN(GroupDebugDialogTest)
#include "GroupDebugDialogTest.moc"
