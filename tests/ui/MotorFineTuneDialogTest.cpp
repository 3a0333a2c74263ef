// The motor fine-tune dialog on the demo workspace: the knob dragged with
// the mouse, the zones, "标零" over its second, the live issuing into the
// output image without a running engine, the ways the dialog can end, and
// what assistive technology sees.

#include <memory>
#include <mutex>
#include <stdexcept>

#include <QAccessible>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Prompter.h"
#include "document/SceneDocument.h"
#include "manual/MotorFineTune.h"
#include "manual/ui/ArrowControl.h"
#include "manual/ui/MotorFineTuneDialog.h"
#include "runtime/Runtime.h"
#include "scene/Spring.h"
#include "ui/DesktopContext.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

constexpr std::int32_t kSpringId = 9001;
constexpr int kMotorChannel = 7;

// The demo's scene with spring 9001's Y motor at register 5 of a motor
// channel.
struct MotorWorld {
    MotorWorld() {
        if (!runtime.Startup()) throw std::runtime_error("the demo workspace did not start");
        if (runtime.scene.FindSpring(kSpringId) == nullptr) throw std::runtime_error("no spring 9001 in the demo");
        std::lock_guard lock(runtime.g_csOutput);
        ChannelInfo& channel = runtime.scene.g_Channels[kMotorChannel - 1];
        channel.regType = 2;
        channel.tagNum = 20;
        runtime.output.Reallocate(runtime.scene.g_Channels);
        spring().BLOCKID2 = kMotorChannel;
        spring().COMID2 = "5";
    }
    CSpring& spring() { return *runtime.scene.FindSpring(kSpringId); }
    std::int32_t Reg(int r) {
        std::lock_guard lock(runtime.g_csOutput);
        return runtime.output.g_ChannelImage[kMotorChannel - 1][static_cast<std::size_t>(r - 1)];
    }

    UiWorkspace ws;
    RecordingPrompter prompter;
    Runtime runtime{Workspace(ws.path())};
    DesktopContext context{runtime, prompter};
};

void ShowAndWait(QWidget& dialog) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

QPoint KnobCentre(ArrowControl& arrows) { return arrows.KnobRect().center(); }

QAccessibleInterface* Part(QWidget* widget, const QString& name) {
    QAccessibleInterface* owner = QAccessible::queryAccessibleInterface(widget);
    for (int i = 0; owner && i < owner->childCount(); ++i)
        if (owner->child(i)->text(QAccessible::Name) == name) return owner->child(i);
    return nullptr;
}

}  // namespace

class MotorFineTuneDialogTest : public QObject {
    Q_OBJECT

private slots:
    void titleAndLayoutFollowTheMode() {
        MotorWorld world;
        MotorFineTuneDialog plain(world.context, kSpringId, 1, false);
        QCOMPARE(plain.windowTitle(), QString("电机微调面板"));
        QVERIFY(plain.isModal());
        QCOMPARE(plain.arrows().geometry(),
                 QRect((plain.width() - 150) / 2, MotorFineTuneDialog::kControlTop, 150, 150));
        QCOMPARE(plain.zeroButton().text(), QString("标零"));

        MotorFineTuneDialog live(world.context, kSpringId, 0, true);
        QCOMPARE(live.windowTitle(), QString("通道[7]第[5]电机微调"));
        QCOMPARE(world.spring().m_nMotorAxis.Get(), 0);  // opening selects the axis
    }

    void knobDraggedByTheMouseRequestsTurningAndReleaseStops() {
        MotorWorld world;
        MotorFineTuneDialog dialog(world.context, kSpringId, 1, false);
        ShowAndWait(dialog);
        ArrowControl& arrows = dialog.arrows();
        const QPoint grip = KnobCentre(arrows);

        QTest::mousePress(&arrows, Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseMove(&arrows, grip + QPoint(-1, 0));
        QCOMPARE(arrows.KnobRect().topLeft(), QPoint(44, 45));
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);
        QTest::mouseMove(&arrows, grip + QPoint(-2, 0));
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 1);
        QCOMPARE(world.spring().m_nResendInterval.Get(), 1800);
        QTest::mouseMove(&arrows, grip + QPoint(30, 40));
        QCOMPARE(arrows.KnobRect().topLeft(), QPoint(57, 61));
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 2);
        QCOMPARE(world.spring().m_nResendInterval.Get(), 800);
        QTest::mouseRelease(&arrows, Qt::LeftButton, Qt::NoModifier, grip + QPoint(30, 40));
        QCOMPARE(arrows.KnobRect().topLeft(), QPoint(45, 45));
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);
        QVERIFY(!dialog.timer().isActive());  // not live: the engine issues the command

        // The keyboard: each press of Right pushes the knob further, letting go releases it.
        arrows.setFocus();
        QTest::keyPress(&arrows, Qt::Key_Right);
        QCOMPARE(arrows.KnobOffset(), 2);
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 2);
        QCOMPARE(world.spring().m_nResendInterval.Get(), 1800);
        for (int i = 0; i < 20; ++i) QTest::keyPress(&arrows, Qt::Key_Right);
        QCOMPARE(arrows.KnobOffset(), 20);
        QTest::keyPress(&arrows, Qt::Key_Left);  // turning back starts from home
        QCOMPARE(arrows.KnobOffset(), -2);
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 1);
        QTest::keyRelease(&arrows, Qt::Key_Left);
        QCOMPARE(arrows.KnobOffset(), 0);
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);

        // A zone shows its arrow while pressed, follows the drag and springs back.
        const QPoint up = ArrowControl::ZoneHome(ArrowControl::kUp).center();
        QTest::mousePress(&arrows, Qt::LeftButton, Qt::NoModifier, up);
        QCOMPARE(arrows.PressedZone(), int(ArrowControl::kUp));
        QTest::mouseMove(&arrows, up + QPoint(0, 6));
        QCOMPARE(arrows.ZoneRect(ArrowControl::kUp), ArrowControl::ZoneHome(ArrowControl::kUp).translated(0, 6));
        QTest::mouseRelease(&arrows, Qt::LeftButton, Qt::NoModifier, up + QPoint(0, 6));
        QCOMPARE(arrows.PressedZone(), -1);
        QCOMPARE(arrows.ZoneRect(ArrowControl::kUp), ArrowControl::ZoneHome(ArrowControl::kUp));
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);  // zones drive nothing
    }

    void zeroingHoldsForASecondWithoutBlocking() {
        MotorWorld world;
        MotorFineTuneDialog dialog(world.context, kSpringId, 1, false);
        ShowAndWait(dialog);
        bool ranMeanwhile = false;
        QTimer::singleShot(200, [&] { ranMeanwhile = dialog.tune().Zeroing(); });
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(&dialog.zeroButton(), Qt::LeftButton);
        QVERIFY(clock.elapsed() < 500);  // the click returns at once
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 3);
        QCOMPARE(world.spring().m_nResendInterval.Get(), 1000);
        QVERIFY(!dialog.zeroButton().isEnabled());
        QVERIFY(!dialog.arrows().isEnabled());
        // The disabled knob ignores the mouse meanwhile.
        const QPoint grip = KnobCentre(dialog.arrows());
        QTest::mousePress(&dialog.arrows(), Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseRelease(&dialog.arrows(), Qt::LeftButton, Qt::NoModifier, grip);
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 3);

        QTRY_VERIFY_WITH_TIMEOUT(dialog.zeroButton().isEnabled(), 3000);
        QVERIFY(clock.elapsed() >= 1000);
        QVERIFY(ranMeanwhile);
        QVERIFY(dialog.arrows().isEnabled());
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);
        QVERIFY(!dialog.timer().isActive());
    }

    void liveModeIssuesTheCommandItselfWithoutAnEngine() {
        MotorWorld world;
        MotorFineTuneDialog dialog(world.context, kSpringId, 1, true);
        QVERIFY(!dialog.timer().isActive());
        ShowAndWait(dialog);
        QVERIFY(dialog.timer().isActive());
        QCOMPARE(dialog.timer().interval(), 20);
        QCOMPARE(world.Reg(5), 0);  // nothing pending, nothing written

        QTest::mouseClick(&dialog.zeroButton(), Qt::LeftButton);
        // Issued at once: the set-zero record of the Y motor, a new number.
        QCOMPARE(world.Reg(6), 4 << 8);
        QCOMPARE(world.Reg(5), int(world.spring().m_nSeqY));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.zeroButton().isEnabled(), 3000);

        const QPoint grip = KnobCentre(dialog.arrows());
        QTest::mousePress(&dialog.arrows(), Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseMove(&dialog.arrows(), grip + QPoint(-20, 0));
        QTRY_COMPARE(world.Reg(6), (6 << 8) | 1);
        const std::uint32_t seq = world.spring().m_nSeqY;
        QTRY_VERIFY(world.spring().m_nSeqY != seq);  // full travel: a new number every tick
        QTest::mouseRelease(&dialog.arrows(), Qt::LeftButton, Qt::NoModifier, grip + QPoint(-20, 0));
        dialog.reject();
        QVERIFY(!dialog.timer().isActive());
    }

    void everyWayOfClosingWithdrawsTheCommand() {
        MotorWorld world;
        auto drag = [&](MotorFineTuneDialog& dialog) {
            const QPoint grip = KnobCentre(dialog.arrows());
            QTest::mousePress(&dialog.arrows(), Qt::LeftButton, Qt::NoModifier, grip);
            QTest::mouseMove(&dialog.arrows(), grip + QPoint(15, 0));
            QCOMPARE(world.spring().m_nMotorCmd.Get(), 2);
        };
        {
            MotorFineTuneDialog dialog(world.context, kSpringId, 1, true);
            ShowAndWait(dialog);
            drag(dialog);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);
            QVERIFY(!dialog.timer().isActive());
        }
        {
            MotorFineTuneDialog dialog(world.context, kSpringId, 1, false);
            ShowAndWait(dialog);
            drag(dialog);
            QVERIFY(dialog.close());  // the close box
            QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);
        }
        {
            MotorFineTuneDialog dialog(world.context, kSpringId, 1, false);
            ShowAndWait(dialog);
            QTest::mouseClick(&dialog.zeroButton(), Qt::LeftButton);
            dialog.close();  // in the middle of the zeroing
            QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);
        }
        {
            auto parent = std::make_unique<QWidget>();
            auto* dialog = new MotorFineTuneDialog(world.context, kSpringId, 1, false, parent.get());
            ShowAndWait(*dialog);
            drag(*dialog);
            parent.reset();  // the parent closes and takes the dialog with it
            QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);
        }
        {
            MotorFineTuneDialog dialog(world.context, kSpringId, 1, false);
            ShowAndWait(dialog);
            drag(dialog);
            // The spring is deleted under the open dialog: it closes itself.
            world.spring().m_nMotorCmd = 0;  // what the deleted record carries is not the point here
            SceneDocument& doc = world.runtime.sceneDocument();
            doc.SetMode(SceneDocument::kEdit);
            doc.ClearSelection();
            doc.SelectSpring(kSpringId, true);
            QVERIFY(doc.DeleteSelectedSprings());
            QTRY_VERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
    }

    void knobAndZonesAreAccessible() {
        MotorWorld world;
        MotorFineTuneDialog dialog(world.context, kSpringId, 1, false);
        ShowAndWait(dialog);
        QAccessibleInterface* knob = Part(&dialog.arrows(), "旋钮");
        QVERIFY(knob);
        QCOMPARE(knob->role(), QAccessible::Dial);
        QAccessibleValueInterface* value = knob->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->minimumValue().toInt(), -20);
        QCOMPARE(value->maximumValue().toInt(), 20);
        value->setCurrentValue(-10);
        QCOMPARE(value->currentValue().toInt(), -10);
        QCOMPARE(knob->text(QAccessible::Value), QString("-10"));
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 1);
        QCOMPARE(world.spring().m_nResendInterval.Get(), 1000);
        value->setCurrentValue(99);  // beyond the travel: held at the edge
        QCOMPARE(value->currentValue().toInt(), 20);
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 2);
        value->setCurrentValue(0);
        QCOMPARE(dialog.arrows().KnobRect().topLeft(), QPoint(45, 45));
        QCOMPARE(world.spring().m_nMotorCmd.Get(), 0);

        for (const char* name : {"上", "左", "下", "右"}) {
            QAccessibleInterface* zone = Part(&dialog.arrows(), QString::fromUtf8(name));
            QVERIFY2(zone, name);
            QCOMPARE(zone->role(), QAccessible::Button);
            zone->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QVERIFY(zone->state().pressed);
            QTRY_VERIFY(!zone->state().pressed);
        }
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(&dialog.zeroButton());
        QCOMPARE(button->text(QAccessible::Name), QString("标零"));
    }
};

VELMORA_UI_TEST_MAIN(MotorFineTuneDialogTest)
#include "MotorFineTuneDialogTest.moc"
