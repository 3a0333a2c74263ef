// The frame: its panes, the enable rules of its commands, undo and redo
// texts, the look kept between runs, and the close sequence.

#include <filesystem>

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QSettings>
#include <QTest>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "engine/ArbitrageThread.h"
#include "engine/MusicWav.h"
#include "runtime/Runtime.h"
#include "show/ShowFile.h"
#include "ui/DesktopApp.h"
#include "ui/MainFrame.h"
#include "ui/PaneTable.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void panesComeInTheTablesOrderWithTheirTitles() {
        UiWorkspace ws;
        RecordingPrompter prompter;
        Runtime runtime(Workspace(ws.path()));
        QVERIFY(runtime.Startup());
        DesktopContext context{runtime, prompter};
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
        UiWorkspace ws;
        RecordingPrompter prompter;
        Runtime runtime(Workspace(ws.path()));
        QVERIFY(runtime.Startup());
        DesktopContext context{runtime, prompter};
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
    }

    void theLookIsKeptForTheNextStart() {
        UiWorkspace ws;
        RecordingPrompter prompter;
        Runtime runtime(Workspace(ws.path()));
        QVERIFY(runtime.Startup());
        DesktopContext context{runtime, prompter};
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
};

VELMORA_UI_TEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
