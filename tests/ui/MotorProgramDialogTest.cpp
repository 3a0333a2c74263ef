// "电机程序编辑器": steps appended, selected, moved and deleted with the mouse
// and the toolbar, the step and configuration dialogs as one edit each,
// undo and redo, the read-only expanded view, saving and opening through the
// path seam, the question before closing, the steps as accessible items, and
// the test run against a scripted controller on loopback.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include <QAccessible>
#include <QAction>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "comm/LoopbackDevice.h"
#include "editors/ui/MotorConfigDialog.h"
#include "editors/ui/MotorProgramDialog.h"
#include "editors/ui/MotorStepDialog.h"
#include "editors/ui/StepBoxRow.h"
#include "ui/PropList.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;
using namespace std::chrono_literals;

namespace {

std::filesystem::path Folder(const QTemporaryDir& dir) { return std::filesystem::path(dir.path().toStdString()); }

void Trigger(MotorProgramDialog& d, const char* text) {
    QAction* a = d.Action(QString::fromUtf8(text));
    QVERIFY(a != nullptr);
    QVERIFY2(a->isEnabled(), text);
    a->trigger();
}

QPoint Centre(MotorProgramDialog& d, int index) { return d.row().BoxRect(index).center(); }

std::vector<std::int32_t> Acts(const std::vector<MotorBlock_struct>& steps) {
    std::vector<std::int32_t> out;
    for (const auto& s : steps) out.push_back(s.Act);
    return out;
}

void WriteFile(const std::filesystem::path& path, const char* text) {
    Profile file;
    QVERIFY(file.LoadFromBytes(text, path));
    QVERIFY(file.SaveAs(path));
}

// Runs `act` on the modal dialog of type T once it is open (from the caller's
// exec), looking for it a bounded number of times; a dialog `act` left open
// is cancelled so a failed check cannot leave the test waiting.
template <class T>
void WhenOpen(const std::function<void(T&)>& act, int attempts = 200) {
    QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen<T>(act, attempts - 1);
            return;
        }
        const QPointer<T> open(dialog);
        act(*dialog);
        if (open && open->isVisible()) open->reject();
    });
}

// Ctrl+<key> on the editor once it is the active window again (a closed
// modal dialog hands the activation back through the window system).
void Shortcut(MotorProgramDialog& d, Qt::Key key) {
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(&d, key, Qt::ControlModifier);
}

void ClickOk(QDialog& dialog) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("确定")) {
            QTest::mouseClick(b, Qt::LeftButton);
            return;
        }
    QFAIL("no OK button");
}

// A port on loopback that takes one connection into its queue and never
// accepts or answers: the controller that is switched on but hung.
class SilentController {
public:
    SilentController() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 0);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~SilentController() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace

class MotorProgramDialogTest : public QObject {
    Q_OBJECT

private slots:
    void stepsAreAppendedSelectedMovedAndDeletedWithUndo() {
        QTemporaryDir dir;
        RecordingPrompter prompter;
        MotorProgramDialog d(prompter, Folder(dir), "", nullptr, {{}, 4000});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(d.windowTitle().startsWith(QStringLiteral("电机程序编辑器")));

        // The loop button before a move: the move lands after the markers.
        Trigger(d, "循环");
        Trigger(d, "移动");
        Trigger(d, "复位");
        QCOMPARE(Acts(d.editor().program()), (std::vector<std::int32_t>{100, 101, 1, 5}));
        QCOMPARE(d.editor().program()[3].p1, 4000);  // the scene's pulses per turn
        QCOMPARE(d.editor().current(), -1);          // appending selects nothing
        QVERIFY(!d.Action("前移")->isEnabled());

        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, Centre(d, 2));
        QCOMPARE(d.editor().current(), 2);
        QCOMPARE(d.editor().program()[2].m_bSelected, 1);
        Trigger(d, "前移");
        QCOMPARE(Acts(d.editor().program()), (std::vector<std::int32_t>{100, 1, 101, 5}));
        QCOMPARE(d.editor().current(), 1);
        Trigger(d, "后移");
        Trigger(d, "前移");
        QCOMPARE(d.editor().current(), 1);

        // Delete: the following step takes the index and the mark.
        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, Centre(d, 3));
        Trigger(d, "删除");
        QCOMPARE(Acts(d.editor().program()), (std::vector<std::int32_t>{100, 1, 101}));
        QCOMPARE(d.editor().current(), -1);  // nothing follows the last step
        QVERIFY(!d.Action("删除")->isEnabled());
        QVERIFY(d.windowTitle().endsWith('*'));

        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().program().size(), std::size_t{4});
        QTest::keyClick(&d, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(d.editor().program().size(), std::size_t{3});

        // A click beside every box clears the selection.
        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, Centre(d, 0));
        QCOMPARE(d.editor().current(), 0);
        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, QPoint(400, 200));
        QCOMPARE(d.editor().current(), -1);
        for (const auto& s : d.editor().program()) QCOMPARE(s.m_bSelected, 0);
    }

    void doubleClickEditsTheStepAsOneUndoableEdit() {
        QTemporaryDir dir;
        RecordingPrompter prompter;
        MotorProgramDialog d(prompter, Folder(dir), "");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        Trigger(d, "休息");
        Trigger(d, "移动");
        QStringList labels;
        WhenOpen<MotorStepDialog>([&](MotorStepDialog& step) {
            PropList& list = step.list();
            for (int i = 0; i < list.ItemCount(); ++i) labels << list.Item(i).name;
            QCOMPARE(list.GetItemValue(MotorStepDialog::kRowAct), QStringLiteral("1"));
            Type(list, 2, QStringLiteral("-250"));
            Type(list, 3, QStringLiteral("120000"));  // beyond the limit: refused
            Type(list, 4, QStringLiteral("7"));
            ClickOk(step);
        });
        QTest::mouseDClick(&d.row(), Qt::LeftButton, {}, Centre(d, 1));
        QCOMPARE(labels, (QStringList{"主要", "动作类型", "速度", "位移", "---"}));
        const MotorBlock_struct& move = d.editor().program()[1];
        QCOMPARE(move.Act, 1);
        QCOMPARE(move.p0, -250);
        QCOMPARE(move.p1, 1000);
        QCOMPARE(move.p2, 7);
        QCOMPARE(d.editor().current(), 1);

        Shortcut(d, Qt::Key_Z);
        QCOMPARE(d.editor().program()[1].p0, 100);
        QCOMPARE(d.editor().program().size(), std::size_t{2});  // one edit, one undo

        // The keyboard: arrows make a step current, Enter opens it.
        d.row().setFocus();
        QTest::keyClick(&d.row(), Qt::Key_Home);
        QCOMPARE(d.editor().current(), 0);
        QTest::keyClick(&d.row(), Qt::Key_Right);
        QTest::keyClick(&d.row(), Qt::Key_Right);  // no step beyond the last
        QCOMPARE(d.editor().current(), 1);
        WhenOpen<MotorStepDialog>([](MotorStepDialog& step) {
            Type(step.list(), 3, QStringLiteral("-5"));
            ClickOk(step);
        });
        QTest::keyClick(&d.row(), Qt::Key_Return);
        QCOMPARE(d.editor().program()[1].p1, -5);
        Shortcut(d, Qt::Key_Z);

        // Cancel changes nothing.
        WhenOpen<MotorStepDialog>([](MotorStepDialog& step) {
            Type(step.list(), 2, QStringLiteral("5"));
            step.reject();
        });
        QTest::mouseDClick(&d.row(), Qt::LeftButton, {}, Centre(d, 0));
        QCOMPARE(d.editor().program()[0].p0, 1000);
    }

    void compilingShowsTheExpandedListReadOnlyUntilCompiledAgain() {
        QTemporaryDir dir;
        WriteFile(Folder(dir) / "loop.motor",
                  "[Main]\nNum=3\nInterval=700\n[MOB0]\nAct=100\np0=3\np1=10\np2=100\n"
                  "[MOB1]\nAct=1\np0=100\np1=1000\n[MOB2]\nAct=101\n");
        RecordingPrompter prompter;
        MotorProgramDialog d(prompter, Folder(dir), "LOOP.motor");  // found whatever its case
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.editor().program().size(), std::size_t{3});
        QCOMPARE(d.editor().interval(), 700);

        Trigger(d, "编译");
        QVERIFY(prompter.messages.empty());
        QVERIFY(d.editor().showCompiled());
        std::vector<std::pair<int, int>> moves;
        for (const auto& s : d.editor().shown()) moves.emplace_back(s.p0, s.p1);
        QCOMPARE(moves, (std::vector<std::pair<int, int>>{{100, 1000}, {110, 1100}, {120, 1200}}));
        // Nothing edits the result: no hit boxes, no appending, no undo.
        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, Centre(d, 1));
        QCOMPARE(d.editor().current(), -1);
        QVERIFY(!d.Action("移动")->isEnabled());
        QVERIFY(!d.Action("删除")->isEnabled());
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&d.row());
        QCOMPARE(list->childCount(), 3);
        QCOMPARE(list->child(2)->text(QAccessible::Name), QStringLiteral("移动 速度120 位移1200"));
        QVERIFY(list->child(2)->actionInterface()->actionNames().isEmpty());

        Trigger(d, "编译");
        QVERIFY(!d.editor().showCompiled());
        QCOMPARE(list->childCount(), 3);
        QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("循环 循环3 速度偏移10 位移偏移100"));
        QVERIFY(d.Action("移动")->isEnabled());

        // A loop end with no start before it.
        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, Centre(d, 0));
        Trigger(d, "删除");
        Trigger(d, "编译");
        QCOMPARE(prompter.messages, (std::vector<std::string>{"Complier ERROR!"}));
    }

    void savingWritesTheKeysAndTellsTheCallerAndClosingAsksFirst() {
        QTemporaryDir dir;
        WriteFile(Folder(dir) / "five.motor",
                  "[Main]\nNum=5\nInterval=500\n[MOB0]\nAct=0\np0=1\n[MOB1]\nAct=0\np0=2\n[MOB2]\nAct=0\np0=3\n"
                  "[MOB3]\nAct=0\np0=4\n[MOB4]\nAct=0\np0=5\n");
        RecordingPrompter prompter(false);
        MotorProgramDialog d(prompter, Folder(dir), "five.motor");
        std::vector<std::filesystem::path> saved;
        d.onSaved = [&](const std::filesystem::path& file) { saved.push_back(file); };
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, Centre(d, 0));
        Trigger(d, "删除");
        Trigger(d, "删除");
        Trigger(d, "移动");

        // A folder that does not exist: told, nothing reported as saved.
        d.askPath = [&](bool forSaving) { return forSaving ? dir.filePath("missing/five") : QString(); };
        Trigger(d, "保存");
        QCOMPARE(prompter.messages.size(), std::size_t{1});
        QVERIFY(prompter.messages[0].rfind("保存文件失败！", 0) == 0);
        QVERIFY(saved.empty());
        QVERIFY(d.editor().IsModified());

        d.askPath = [&](bool forSaving) { return forSaving ? dir.filePath("five") : QString(); };
        Trigger(d, "保存");
        QCOMPARE(saved, (std::vector<std::filesystem::path>{Folder(dir) / "five.motor"}));
        QCOMPARE(d.fileName(), std::string("five.motor"));
        QVERIFY(!d.windowTitle().endsWith('*'));
        Profile file;
        QVERIFY(file.Load(Folder(dir) / "five.motor"));
        QCOMPARE(file.GetInt("Main", "Num", 0), 4);
        QCOMPARE(file.GetInt("MOB0", "p0", 0), 3);
        QCOMPARE(file.GetInt("MOB3", "Act", 0), 1);
        QCOMPARE(file.GetInt("MOB3", "p1", 0), 1000);
        QCOMPARE(file.GetInt("MOB4", "p0", 0), 5);  // a longer program's section stays

        // Opening another file reads it and names it.
        WriteFile(Folder(dir) / "other.motor", "[Main]\nNum=1\nInterval=300\n[MOB0]\nAct=5\np1=9\n");
        d.askPath = [&](bool) { return dir.filePath("other.motor"); };
        Trigger(d, "打开");
        QCOMPARE(d.fileName(), std::string("other.motor"));
        QCOMPARE(d.editor().interval(), 300);
        QCOMPARE(Acts(d.editor().program()), (std::vector<std::int32_t>{5}));

        // Closing with unsaved changes asks; No closes without writing.
        Trigger(d, "休息");
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(prompter.questions, (std::vector<std::string>{"电机程序已修改，是否保存？"}));
        QVERIFY(!d.isVisible());
        QVERIFY(file.Load(Folder(dir) / "other.motor"));
        QCOMPARE(file.GetInt("Main", "Num", 0), 1);
        QCOMPARE(saved.size(), std::size_t{1});
    }

    void configurationKeepsTheIntervalAsAnEditAndTheControllerInConfig() {
        QTemporaryDir dir;
        const auto ini = Folder(dir) / "config.ini";
        WriteFile(ini, "[Main]\nnightStart=0\n");
        RecordingPrompter prompter;
        MotorProgramDialog d(prompter, Folder(dir), "", nullptr, {ini, 8000});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        WhenOpen<MotorConfigDialog>([](MotorConfigDialog& config) {
            PropList& list = config.list();
            QCOMPARE(list.Item(MotorConfigDialog::kRowInterval).name, QStringLiteral("命令间隔(ms)"));
            Type(list, MotorConfigDialog::kRowInterval, QStringLiteral("50"));  // below 100: refused
            Type(list, MotorConfigDialog::kRowInterval, QStringLiteral("1500"));
            Type(list, MotorConfigDialog::kRowAddress, QStringLiteral("10.1.2.3"));
            Type(list, MotorConfigDialog::kRowPort, QStringLiteral("1502"));
            Type(list, MotorConfigDialog::kRowMotors, QStringLiteral("17"));  // beyond 16: refused
            Type(list, MotorConfigDialog::kRowStagger, QStringLiteral("300"));
            ClickOk(config);
        });
        Trigger(d, "配置");
        QCOMPARE(d.editor().interval(), 1500);
        QCOMPARE(d.testSetup().address, std::string("10.1.2.3"));
        QCOMPARE(d.testSetup().motorCount, 1);
        const MotorTestSetup kept = LoadMotorTestSetup(ini);
        QCOMPARE(kept.port, 1502);
        QCOMPARE(kept.stagger, 300);
        // The interval is the program's, undone like any edit; the controller is not.
        Shortcut(d, Qt::Key_Z);
        QCOMPARE(d.editor().interval(), 500);
        QCOMPARE(d.testSetup().port, 1502);
        QVERIFY(prompter.messages.empty());
    }

    void stepsAreAccessibleItemsThatSelectAndEdit() {
        QTemporaryDir dir;
        RecordingPrompter prompter;
        MotorProgramDialog d(prompter, Folder(dir), "");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        Trigger(d, "移动");
        Trigger(d, "休息");
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&d.row());
        QCOMPARE(list->childCount(), 2);
        QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("移动 速度100 位移1000"));
        QAccessibleInterface* rest = list->child(1);
        QCOMPARE(rest->text(QAccessible::Name), QStringLiteral("休息 时间1000"));
        rest->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(d.editor().current(), 1);
        QVERIFY(rest->state().selected);
        WhenOpen<MotorStepDialog>([](MotorStepDialog& step) {
            Type(step.list(), 2, QStringLiteral("2500"));
            ClickOk(step);
        });
        rest->actionInterface()->doAction(QStringLiteral("编辑"));
        QCOMPARE(list->child(1)->text(QAccessible::Name), QStringLiteral("休息 时间2500"));
    }

    void testRunSendsTheExpandedProgramAndStopsWhenPressedAgain() {
        testing::LoopbackDevice device(
            [](const testing::Bytes& r, int) { return testing::LoopbackDevice::Answer{testing::EchoReply(r)}; });
        QTemporaryDir dir;
        const auto ini = Folder(dir) / "config.ini";
        WriteFile(ini, ("[MotorTest]\nport=" + std::to_string(device.port()) + "\nmotorCount=2\n").c_str());
        WriteFile(Folder(dir) / "t.motor",
                  "[Main]\nNum=3\nInterval=5000\n[MOB0]\nAct=100\np0=2\np1=50\n[MOB1]\nAct=1\np0=300\np1=-40\n"
                  "[MOB2]\nAct=101\n");
        RecordingPrompter prompter;
        MotorProgramDialog d(prompter, Folder(dir), "t.motor", nullptr, {ini, 8000});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QAction* run = d.Action(QStringLiteral("运行"));
        QVERIFY(run->isCheckable());

        Trigger(d, "运行");
        QVERIFY(run->isChecked());
        QVERIFY(d.testRunning());
        QCOMPARE(prompter.messages, (std::vector<std::string>{"开始测试"}));
        QVERIFY(d.editor().showCompiled());  // the check flips the view
        QVERIFY(device.WaitForRequests(1, 3000ms));
        const testing::Bytes frame = device.Requests()[0];
        QCOMPARE(frame.size(), std::size_t{33});  // two motors
        // Register 1 of motor 0 is the step base, registers 3 and 4 the first
        // expanded move's displacement and speed.
        QCOMPARE((frame[13] << 8) | frame[14], 123);
        QCOMPARE((frame[17] << 8) | frame[18], 40);
        QCOMPARE((frame[19] << 8) | frame[20], 300);
        QTRY_VERIFY_WITH_TIMEOUT(d.statusText().contains(QStringLiteral("接收 1")), 2000);
        QVERIFY(d.statusText().contains(QStringLiteral("连接成功")));
        QVERIFY(d.statusText().contains(QStringLiteral("第 1 / 2 步")));

        QElapsedTimer stopping;
        stopping.start();
        Trigger(d, "运行");
        QVERIFY(stopping.elapsed() < 1000);
        QVERIFY(!run->isChecked());
        QVERIFY(!d.testRunning());
        QCOMPARE(prompter.messages.back(), std::string("结束测试"));
        QVERIFY(!d.editor().showCompiled());
        const std::size_t sent = device.Requests().size();
        QTest::qWait(300);
        QCOMPARE(device.Requests().size(), sent);

        // A short program runs through and the button comes back by itself.
        d.editor().SetInterval(100);
        Trigger(d, "运行");
        QVERIFY(run->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!run->isChecked(), 3000);
        QVERIFY(!d.testRunning());
        QVERIFY(d.statusText().startsWith(QStringLiteral("测试结束")));

        // A loop end without a start: no test.
        Trigger(d, "编译");  // back to the editing view
        QTest::mouseClick(&d.row(), Qt::LeftButton, {}, Centre(d, 0));
        Trigger(d, "删除");
        prompter.messages.clear();
        Trigger(d, "运行");
        QCOMPARE(prompter.messages, (std::vector<std::string>{"Complier ERROR!", "编译错误！"}));
        QVERIFY(!run->isChecked());
    }

    void aControllerThatNeverAnswersIsReportedWithoutHangingTheWindow() {
        SilentController controller;
        QTemporaryDir dir;
        const auto ini = Folder(dir) / "config.ini";
        WriteFile(ini, ("[MotorTest]\nport=" + std::to_string(controller.port()) + "\n").c_str());
        RecordingPrompter prompter;
        MotorProgramDialog d(prompter, Folder(dir), "", nullptr, {ini, 8000});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        Trigger(d, "移动");
        d.editor().SetInterval(60000);
        QAction* run = d.Action(QStringLiteral("运行"));

        // The first connection is taken into the queue but never answered;
        // the reconnect after the reply wait finds the queue full.
        QElapsedTimer clock;
        clock.start();
        Trigger(d, "运行");
        QVERIFY(run->isChecked());
        int longestGap = 0;
        qint64 last = clock.elapsed();
        while (run->isChecked() && clock.elapsed() < 10000) {
            QTest::qWait(20);
            longestGap = std::max<int>(longestGap, static_cast<int>(clock.elapsed() - last));
            last = clock.elapsed();
        }
        QVERIFY2(!run->isChecked(), "the test run did not end");
        QVERIFY(longestGap < 500);  // the window kept answering
        QTRY_VERIFY_WITH_TIMEOUT(prompter.messages.size() >= 2, 1000);
        QCOMPARE(prompter.messages.back(), std::string("通讯失败！"));
        QVERIFY(d.statusText().contains(QStringLiteral("连接失败")));

        // Closing during a connect attempt ends the test at once.
        Trigger(d, "运行");
        QTest::qWait(50);
        clock.restart();
        d.done(QDialog::Rejected);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(!d.testRunning());
    }
};

VELMORA_UI_TEST_MAIN(MotorProgramDialogTest)
#include "MotorProgramDialogTest.moc"
