// The frame: its panes, the enable rules of its commands, undo and redo
// texts, the look kept between runs, and the close sequence.

#include <filesystem>
#include <stdexcept>

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QTest>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "engine/ArbitrageThread.h"
#include "engine/MusicWav.h"
#include "runtime/Runtime.h"
#include "scene/SceneFile.h"
#include "show/ShowFile.h"
#include "show/ui/TimelineArea.h"
#include "ui/DesktopApp.h"
#include "ui/MainFrame.h"
#include "ui/MainView.h"
#include "ui/PaneTable.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;

// A started runtime on a copy of the demo, with scripted answers, for a frame.
struct FrameWorld {
    explicit FrameWorld(bool answer = false) : prompter(answer) {
        if (!runtime.Startup()) throw std::runtime_error("the demo workspace did not start");
    }
    UiWorkspace ws;
    RecordingPrompter prompter;
    Runtime runtime{Workspace(ws.path())};
    DesktopContext context{runtime, prompter};
};

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void panesComeInTheTablesOrderWithTheirTitles() {
        FrameWorld world;
        auto& [ws, prompter, runtime, context] = world;
        MainFrame frame(context);
        QStringList titles;
        for (const PaneSpec& spec : kPanes) {
            QDockWidget* dock = frame.Pane(spec.id);
            QVERIFY(dock);
            titles << dock->windowTitle();
        }
        QCOMPARE(titles, QStringList({"3D预览", "音乐列表", "场景编辑器", "手操面板", "组元素面板", "程控列表",
                                      "通道监视", "512摇头灯配置器"}));
        QCOMPARE(frame.dockWidgetArea(frame.Pane(kPane3D)), Qt::RightDockWidgetArea);
        QCOMPARE(frame.dockWidgetArea(frame.Pane(kPaneMusicList)), Qt::LeftDockWidgetArea);
        QVERIFY(frame.tabifiedDockWidgets(frame.Pane(kPane3D)).contains(frame.Pane(kPaneSceneEditor)));
        for (int id : {kPaneHandPanel, kPaneGroupElements, kPaneProgramList, kPaneChannelMonitor, kPane512})
            QVERIFY(frame.tabifiedDockWidgets(frame.Pane(kPaneMusicList)).contains(frame.Pane(id)));
    }

    void commandsFollowTheSelectionTheClipboardAndTheModifiedFlag() {
        FrameWorld world;
        auto& [ws, prompter, runtime, context] = world;
        MainFrame frame(context);
        ShowDocument& doc = runtime.showDocument();

        for (int id : {kCmdCopy, kCmdDelete, kCmdPaste, kCmdSave, kCmdUndo, kCmdRedo})
            QVERIFY2(!frame.MenuAction(id)->isEnabled(), qPrintable(frame.MenuAction(id)->text()));
        QVERIFY(frame.MenuAction(kCmdAbout)->isEnabled());
        QVERIFY(frame.MenuAction(kCmdNewBlock)->isEnabled());

        QVERIFY(doc.CreateBlock(2, 100.0f, 160.0f));
        QVERIFY(frame.MenuAction(kCmdSave)->isEnabled());
        QVERIFY(frame.ToolAction(kCmdSave)->isEnabled());
        QVERIFY(frame.MenuAction(kCmdUndo)->isEnabled());
        QVERIFY(frame.MenuAction(kCmdUndo)->text().startsWith("撤销 "));
        QVERIFY(frame.MenuAction(kCmdUndo)->text().size() > 3);

        doc.SetSelection(std::vector<std::size_t>{0});
        QVERIFY(frame.MenuAction(kCmdCopy)->isEnabled());
        QVERIFY(frame.MenuAction(kCmdDelete)->isEnabled());
        QVERIFY(!frame.MenuAction(kCmdPaste)->isEnabled());
        frame.MenuAction(kCmdCopy)->trigger();
        QVERIFY(frame.MenuAction(kCmdPaste)->isEnabled());
        frame.MenuAction(kCmdPaste)->trigger();
        QCOMPARE(runtime.show.blocks.size(), std::size_t{2});

        // Undo walks back to the saved state, which clears "modified".
        frame.MenuAction(kCmdUndo)->trigger();
        frame.MenuAction(kCmdUndo)->trigger();
        QCOMPARE(runtime.show.blocks.size(), std::size_t{0});
        QVERIFY(!frame.MenuAction(kCmdSave)->isEnabled());
        QVERIFY(frame.MenuAction(kCmdRedo)->isEnabled());
        QVERIFY(frame.MenuAction(kCmdRedo)->text().startsWith("重做 "));
        QCOMPARE(frame.MenuAction(kCmdUndo)->text(), QString("撤销(&U)"));

        // Delete asks first; No keeps the block.
        doc.CreateBlock(1, 10.0f, 50.0f);
        doc.SetSelection(std::vector<std::size_t>{0});
        prompter.SetAnswer(false);
        frame.MenuAction(kCmdDelete)->trigger();
        QCOMPARE(prompter.questions.back(), std::string("确定删除？（此操作不可恢复！）"));
        QCOMPARE(runtime.show.blocks.size(), std::size_t{1});

        // New block is a toggle shared by the menu and the toolbar.
        frame.ToolAction(kCmdNewBlock)->trigger();
        QVERIFY(frame.newBlockArmed());
        QVERIFY(frame.MenuAction(kCmdNewBlock)->isChecked());
        // The timeline's next press draws a block and disarms the command.
        frame.resize(1200, 800);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        TimelineArea& timeline = *frame.mainView()->timeline();
        const QPoint at(TimelineArea::kNameColumn + 40, 3 * TimelineArea::kRowHeight + 10 - timeline.verticalBar()->value());
        QTest::mouseClick(&timeline, Qt::LeftButton, {}, at);
        QVERIFY(!frame.newBlockArmed());
        QVERIFY(!frame.ToolAction(kCmdNewBlock)->isChecked());
        QTest::mouseMove(&timeline, at + QPoint(30, 0));
        QTest::mouseClick(&timeline, Qt::LeftButton, {}, at + QPoint(30, 0));
        QCOMPARE(runtime.show.blocks.size(), std::size_t{2});
        QCOMPARE(runtime.show.blocks.back().cannel, 3);
    }

    void theLookIsKeptForTheNextStart() {
        FrameWorld world;
        DesktopContext& context = world.context;
        {
            MainFrame frame(context);
            QCOMPARE(frame.look(), 216);
            QVERIFY(frame.LookAction(216)->isChecked());
            frame.LookAction(217)->trigger();
            QCOMPARE(frame.look(), 217);
            QCOMPARE(frame.LookAction(217)->text(), QString("Office 2007 (银色样式)(&S)"));
        }
        MainFrame again(context);
        QCOMPARE(again.look(), 217);
        QVERIFY(again.LookAction(217)->isChecked());
        QCOMPARE(FourPartVersion("0.1.0"), QString("0.1.0.0"));
    }

    void aSaveThatFailsSaysWhyAndKeepsTheShowModified() {
        FrameWorld world(true);
        auto& [ws, prompter, runtime, context] = world;
        MainFrame frame(context);
        // The entry's show would go where no file can be written.
        std::filesystem::create_directories(ws.path() / "Music" / "blocked.mp3.tlf");
        runtime.g_pMusicWav->m_strCurrent = (ws.path() / "Music" / "blocked.mp3").string();
        QVERIFY(runtime.showDocument().CreateBlock(0, 0.0f, 40.0f));
        frame.MenuAction(kCmdSave)->trigger();
        QCOMPARE(prompter.questions, std::vector<std::string>{"是否保存被修改的文件？"});
        QCOMPARE(prompter.messages.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(prompter.messages[0]).startsWith("节目文件没有保存："));
        QVERIFY(frame.MenuAction(kCmdSave)->isEnabled());
        QVERIFY(runtime.showDocument().IsModified());
    }

    void f6WalksThroughTheVisiblePanes() {
        FrameWorld world;
        auto& [ws, prompter, runtime, context] = world;
        MainFrame frame(context);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();
        auto paneWithFocus = [&]() -> int {
            for (const PaneSpec& spec : kPanes) {
                QDockWidget* dock = frame.Pane(spec.id);
                if (QApplication::focusWidget() && dock->isAncestorOf(QApplication::focusWidget())) return spec.id;
            }
            return 0;
        };
        QSet<int> visited;
        for (int i = 0; i < static_cast<int>(kPanes.size()); ++i) {
            QTest::keyClick(&frame, Qt::Key_F6);
            visited.insert(paneWithFocus());
        }
        QVERIFY2(visited.size() == static_cast<int>(kPanes.size()), qPrintable(QString::number(visited.size())));
        const int last = paneWithFocus();
        QTest::keyClick(&frame, Qt::Key_F6);
        QTest::keyClick(&frame, Qt::Key_F6, Qt::ShiftModifier);
        QCOMPARE(paneWithFocus(), last);
    }

    void aWorkspaceThatCannotBeReadStartsWithTheDefaultsAndSaysWhy() {
        UiWorkspace ws;
        RecordingPrompter prompter(true);
        DesktopApp app(ws.path() / "no-such-folder", &prompter);
        QVERIFY(app.Start());
        QVERIFY(app.frame()->isVisible());
        QCOMPARE(prompter.messages.size(), std::size_t{1});
        QVERIFY2(QString::fromStdString(prompter.messages[0]).startsWith("工作区 "), prompter.messages[0].c_str());
        QVERIFY(app.runtime().scene.springs.empty());
        app.frame()->close();
        app.Finish();
    }

    void closingStopsTheEngineThenAsksOnceAndSavesTheShow() {
        UiWorkspace ws;
        RecordingPrompter prompter(true);
        DesktopApp app(ws.path(), &prompter);
        QVERIFY(app.Start());
        Runtime& runtime = app.runtime();
        QVERIFY(runtime.engine().IsRunning());
        // The open entry's show, edited.
        const std::filesystem::path music = ws.path() / "Music" / "closing.mp3";
        runtime.g_pMusicWav->m_strCurrent = music.string();
        QVERIFY(runtime.showDocument().CreateBlock(3, 200.0f, 260.0f));
        prompter.questions.clear();

        app.frame()->close();
        QVERIFY(!runtime.engine().IsRunning());
        QCOMPARE(prompter.questions.size(), std::size_t{1});
        QCOMPARE(prompter.questions[0], std::string("是否保存被修改的文件？"));
        Show saved;
        std::filesystem::path tlf = music;
        tlf += ".tlf";
        QVERIFY(LoadShow(tlf, saved, nullptr));
        QCOMPARE(saved.blocks.size(), std::size_t{1});
        app.Finish();
        QVERIFY(!runtime.started());
    }

    void anEditedSceneEnablesSaveAndIsKeptAtClose() {
        UiWorkspace ws;
        RecordingPrompter prompter(true);
        DesktopApp app(ws.path(), &prompter);
        QVERIFY(app.Start());
        Runtime& runtime = app.runtime();
        SceneDocument& scene = runtime.sceneDocument();
        QVERIFY(!app.frame()->MenuAction(kCmdSave)->isEnabled());
        scene.SetMode(SceneDocument::kEdit);
        QVERIFY(scene.AddSpringAt(40, 50));
        const std::int32_t id = scene.scene().springs.back().ID;
        QVERIFY(app.frame()->MenuAction(kCmdSave)->isEnabled());
        prompter.questions.clear();

        app.frame()->close();
        QVERIFY(prompter.questions.empty());  // the scene is kept without asking
        QVERIFY(prompter.messages.empty());
        QVERIFY(!scene.IsModified());
        Scene saved;
        QVERIFY(LoadScene(runtime.g_strSpringIni, saved, nullptr));
        QCOMPARE(saved.springs.back().ID, id);
        QCOMPARE(saved.springs.back().x, 40);
        app.Finish();
        QVERIFY(!runtime.started());
    }
};

VELMORA_UI_TEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
