// The transport control: its buttons act on release over the button they
// were pressed on, step the list of the running mode, pause and run the
// clock, adjust the preparation time within its bounds (undoably) and zoom
// through the scales; assistive technology sees and presses the same buttons.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QImage>
#include <QTest>

#include "media/ui/TransportControl.h"
#include "PlaybackFixture.h"
#include "UiTestMain.h"

using namespace velmora;
using testing::PlaybackFixture;

namespace {

void Click(TransportControl& control, TransportControl::Button button) {
    QTest::mouseClick(&control, Qt::LeftButton, Qt::NoModifier, TransportControl::ButtonRect(button).center());
}

// The point between the pause symbol's bars: covered by the play symbol
// while the clock stands.
bool ShowsPause(TransportControl& control) {
    const QImage face = control.grab().toImage();
    const QPoint between = TransportControl::kPauseAt + QPoint(10, 10);
    return qGray(face.pixel(between * face.devicePixelRatio())) < 128;
}

QAccessibleInterface* Part(TransportControl& control, const QString& name) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&control);
    for (int i = 0; iface && i < iface->childCount(); ++i)
        if (iface->child(i)->text(QAccessible::Name) == name) return iface->child(i);
    return nullptr;
}

}  // namespace

class TransportControlTest : public QObject {
    Q_OBJECT

private slots:
    void preparationTimeStepsWithinItsBoundsAsUndoableEdits() {
        PlaybackFixture f;
        TransportControl control(*f.context);
        control.show();
        f.runtime->scene.settings.g_nPrepareTime = 9800;
        Click(control, TransportControl::kPrepareUp);
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 9900);
        Click(control, TransportControl::kPrepareUp);
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 9900);  // the top holds
        QCOMPARE(control.PrepareText(), QStringLiteral("9900MS"));
        QVERIFY(f.runtime->sceneDocument().IsModified());
        QCOMPARE(QString::fromStdString(f.runtime->sceneDocument().UndoText()), QStringLiteral("准备时间"));
        QVERIFY(f.runtime->sceneDocument().Undo());
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 9800);

        f.runtime->scene.settings.g_nPrepareTime = 100;
        Click(control, TransportControl::kPrepareDown);
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 0);
        Click(control, TransportControl::kPrepareDown);
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 0);  // never below 0

        // Pressed on one button and released on another: nothing happens.
        QTest::mousePress(&control, Qt::LeftButton, Qt::NoModifier,
                          TransportControl::ButtonRect(TransportControl::kPrepareUp).center());
        QTest::mouseRelease(&control, Qt::LeftButton, Qt::NoModifier,
                            TransportControl::ButtonRect(TransportControl::kPrepareDown).center());
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 0);
        // A click between the buttons does nothing either.
        QTest::mouseClick(&control, Qt::LeftButton, Qt::NoModifier, QPoint(40, 35));
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 0);
        // Shared edges belong to the button on their right, as the regions say.
        QCOMPARE(TransportControl::ButtonAt(QPoint(25, 10)), TransportControl::kPlayPause);
        QCOMPARE(TransportControl::ButtonAt(QPoint(24, 10)), TransportControl::kPrevious);
        QCOMPARE(TransportControl::ButtonAt(QPoint(75, 10)), TransportControl::kButtonCount);
    }

    void zoomStepsThroughTheScalesAndScrollsHome() {
        PlaybackFixture f;
        TransportControl control(*f.context);
        control.show();
        QVERIFY(f.runtime->showDocument().CreateBlock(0, 100.0f, 200.0f));
        f.wav().m_nScrollOffset = 500;
        QCOMPARE(f.runtime->show.m_nScale, 50);
        Click(control, TransportControl::kZoomFiner);
        QCOMPARE(f.runtime->show.m_nScale, 25);
        QCOMPARE(f.wav().m_nScrollOffset, 0);
        QCOMPARE(f.runtime->show.blocks[0].start, 200.0f);  // the same time at the new scale
        Click(control, TransportControl::kZoomFiner);
        QCOMPARE(f.runtime->show.m_nScale, 10);
        Click(control, TransportControl::kZoomFiner);
        QCOMPARE(f.runtime->show.m_nScale, 10);
        Click(control, TransportControl::kZoomCoarser);
        QCOMPARE(f.runtime->show.m_nScale, 25);
        Click(control, TransportControl::kZoomCoarser);
        QCOMPARE(f.runtime->show.m_nScale, 50);
        Click(control, TransportControl::kZoomCoarser);
        QCOMPARE(f.runtime->show.m_nScale, 50);
        QCOMPARE(f.runtime->show.blocks[0].start, 100.0f);
    }

    void playPauseRunsAndStopsTheClockAndShowsIt() {
        PlaybackFixture f;
        TransportControl control(*f.context);
        control.show();
        QVERIFY(!ShowsPause(control));
        QVERIFY(f.StartProgram());
        QVERIFY(control.Running());
        QVERIFY(ShowsPause(control));
        Click(control, TransportControl::kPlayPause);
        QCOMPARE(f.wav().m_bClockRunning, 0);
        QVERIFY(!ShowsPause(control));
        // The stopped program clock holds the position.
        f.wav().Tick();
        const double held = f.wav().state().m_dPlayPos.load();
        QTest::qWait(30);
        f.wav().Tick();
        QCOMPARE(f.wav().state().m_dPlayPos.load(), held);
        Click(control, TransportControl::kPlayPause);
        QCOMPARE(f.wav().m_bClockRunning, 1);

        // Music: the button pauses and plays the piece itself.
        QVERIFY(f.StartMusic());
        QVERIFY(ShowsPause(control));
        Click(control, TransportControl::kPlayPause);
        QVERIFY(f.wav().PlayerMode() != CMusicWav::kPlayingMode);
        QCOMPARE(f.wav().m_bClockRunning, 0);
        Click(control, TransportControl::kPlayPause);
        QCOMPARE(f.wav().PlayerMode(), std::string(CMusicWav::kPlayingMode));
    }

    void previousAndNextStepTheListOfTheRunningMode() {
        PlaybackFixture f;
        TransportControl control(*f.context);
        control.show();
        f.music().Add({f.MusicFile().string()});
        QCOMPARE(f.music().m_list.size(), std::size_t{2});
        QVERIFY(f.StartMusic());
        QCOMPARE(f.music().m_nCurrent, 0);
        Click(control, TransportControl::kNext);
        QCOMPARE(f.music().m_nCurrent, 1);
        Click(control, TransportControl::kPrevious);
        QCOMPARE(f.music().m_nCurrent, 0);

        // A program running: the program list steps, the music list stays.
        CProgramList& programs = f.programs();
        programs.m_list.push_back(programs.m_list.at(0));
        QVERIFY(f.StartProgram());
        QCOMPARE(programs.m_nCurrent, 0);
        Click(control, TransportControl::kNext);
        QCOMPARE(programs.m_nCurrent, 1);
        QCOMPARE(f.wav().m_bProgramMode, 1);
        Click(control, TransportControl::kPrevious);
        QCOMPARE(programs.m_nCurrent, 0);
        QCOMPARE(f.music().m_nCurrent, 0);
    }

    void assistiveTechnologySeesAndPressesTheButtons() {
        PlaybackFixture f;
        TransportControl control(*f.context);
        control.show();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&control);
        QVERIFY(iface);
        QCOMPARE(iface->childCount(), static_cast<int>(TransportControl::kButtonCount) + 1);
        QStringList names;
        for (int i = 0; i < TransportControl::kButtonCount; ++i) {
            QAccessibleInterface* button = iface->child(i);
            QCOMPARE(button->role(), QAccessible::Button);
            QCOMPARE(iface->indexOfChild(button), i);
            QCOMPARE(button->parent(), iface);
            QVERIFY(button->actionInterface());
            QCOMPARE(button->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
            names << button->text(QAccessible::Name);
            // Where assistive technology thinks the button is, the click lands on it.
            const QPoint centre = control.mapFromGlobal(button->rect().center());
            QCOMPARE(TransportControl::ButtonAt(centre), static_cast<TransportControl::Button>(i));
        }
        QCOMPARE(names, QStringList({"上一首", "播放/暂停", "下一首", "准备时间加", "准备时间减", "放大", "缩小"}));

        f.runtime->scene.settings.g_nPrepareTime = 1000;
        QAccessibleInterface* text = iface->child(TransportControl::kButtonCount);
        QCOMPARE(text->role(), QAccessible::StaticText);
        QCOMPARE(text->text(QAccessible::Name), QStringLiteral("1000MS"));
        Part(control, "准备时间加")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.runtime->scene.settings.g_nPrepareTime, 1100);
        QCOMPARE(text->text(QAccessible::Name), QStringLiteral("1100MS"));
        Part(control, "放大")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.runtime->show.m_nScale, 25);

        QVERIFY(f.StartProgram());
        QAccessibleInterface* play = Part(control, "播放/暂停");
        QVERIFY(play->state().checkable);
        QVERIFY(play->state().checked);
        play->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.wav().m_bClockRunning, 0);
        QVERIFY(!play->state().checked);
        // A disabled control refuses presses from assistive technology too.
        control.setEnabled(false);
        play->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.wav().m_bClockRunning, 0);
    }
};

VELMORA_UI_TEST_MAIN(TransportControlTest)
#include "TransportControlTest.moc"
