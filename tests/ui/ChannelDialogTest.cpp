// The channel dialog on the demo workspace, opened from the scene pane's
// "通道" button and driven through its property list with real clicks and
// keys; judged by the channel table, the output image, the senders'
// reconnect flags and the scene's history afterwards.

#include <functional>
#include <memory>
#include <stdexcept>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "comm/ui/ChannelDialog.h"
#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "scene/ui/SceneEditorPane.h"
#include "ui/DesktopContext.h"
#include "ui/PropEditor.h"
#include "ui/PropList.h"
#include "ui/UiWorkspace.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

using F = ChannelDialog::Field;

// The demo workspace with a few channels the demo does not have: channel 10
// holds more slots than the dialog offers, channel 11 a data type code the
// drop-down has no entry for.
struct World {
    World() {
        Profile file;
        if (!file.Load(ws.path() / "spring.ini")) throw std::runtime_error("no demo scene");
        // The scene file counts channels from 0.
        file.SetInt("main", "Channel9_tagNum", 1200);
        file.SetInt("main", "Channel10_regType", 4);
        file.SetInt("main", "Channel11_regType", 0);
        if (!file.Save()) throw std::runtime_error("the scene could not be written");
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        runtime->SetSavesListsAtShutdown(false);
        if (!runtime->Startup()) throw std::runtime_error("the demo workspace did not start");
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        pane = std::make_unique<SceneEditorPane>(*context, QStringLiteral("场景编辑器"));
        pane->resize(640, 520);
        pane->show();
        // The senders are not running: a flag set now stays until read here.
        for (auto& sender : runtime->g_ModbusThreads) sender.m_bReconnect.store(0);
    }
    SceneDocument& doc() { return runtime->sceneDocument(); }
    ChannelInfo& channel(int number) { return *runtime->scene.Channel(number); }
    std::vector<int> reconnected() {
        std::vector<int> numbers;
        for (int n = 1; n <= kChannelCount; ++n)
            if (runtime->g_ModbusThreads[static_cast<std::size_t>(n - 1)].m_bReconnect.load() == 1)
                numbers.push_back(n);
        return numbers;
    }
    // A real click on the toolbar's "通道" button.
    void ClickChannels() {
        QToolBar* bar = pane->toolBar();
        QWidget* button = bar->widgetForAction(pane->action(SceneEditorPane::kChannels));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    UiWorkspace ws;
    RecordingPrompter prompter;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    std::unique_ptr<SceneEditorPane> pane;
};

void Press(QWidget& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text) return QTest::mouseClick(b, Qt::LeftButton);
    QFAIL(qPrintable(text));
}

// Runs `act` on the channel dialog once it is open (from the caller's exec),
// looking for it a bounded number of times; a dialog `act` left open is
// cancelled so that a failed check cannot hang the test.
void WhenOpen(const std::function<void(ChannelDialog&)>& act, int attempts = 200) {
    QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
        auto* dialog = qobject_cast<ChannelDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen(act, attempts - 1);
            return;
        }
        const QPointer<ChannelDialog> open(dialog);
        // Typing needs the dialog active, which comes a moment after exec.
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog)) qWarning("the channel dialog did not become active");
        act(*dialog);
        if (open && open->isVisible()) open->reject();
    });
}

// Takes the entry `text` from the open drop-down of `row` with the keys.
void Choose(ChannelDialog& dialog, int row, const QString& text) {
    PropList& list = dialog.list();
    ClickValue(list, row);
    QVERIFY(list.OpenedEditor());
    auto* combo = qobject_cast<QComboBox*>(list.OpenedEditor()->Field());
    QVERIFY(combo);
    const int target = combo->findText(text);
    QVERIFY(target >= 0);
    combo->showPopup();
    QTRY_VERIFY(combo->view()->isVisible());
    const int steps = target - combo->currentIndex();
    for (int i = 0; i < std::abs(steps); ++i) QTest::keyClick(combo->view(), steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QTRY_VERIFY(!list.OpenedEditor());
    // The offscreen platform does not give the window back its activation
    // when a pop-up closes; a desktop does.
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

}  // namespace

class ChannelDialogTest : public QObject {
    Q_OBJECT

private slots:
    void rowsShowTheTableChannelByChannel() {
        World w;
        w.channel(3).regType = 2;
        w.channel(4).regType = 5;
        w.channel(5).regType = 3;
        w.channel(6).regType = 3;
        w.channel(6).tagNum = 64;
        w.channel(6).IP = "192.168.1.20";
        w.channel(6).port = 502;
        w.channel(6).deviceID = 7;
        w.channel(6).nStartNum = 41;
        w.channel(6).nPrevChannel = 8;

        ChannelDialog dialog;
        QElapsedTimer opening;
        opening.start();
        dialog.Fill(w.runtime->scene.g_Channels);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::processEvents();
        const qint64 ms = opening.elapsed();
        qInfo("800 rows filled and shown in %lld ms", ms);
        QVERIFY2(ms < 2000, "the 800 rows open slowly");

        PropList& list = dialog.list();
        QCOMPARE(dialog.windowTitle(), QString("通道"));
        QCOMPARE(list.ItemCount(), 800);
        QCOMPARE(list.ColumnWidth(0), 60);
        // The value column takes the rest, up to the scroll bar.
        auto* bar = list.findChild<QScrollBar*>();
        QVERIFY(bar && bar->isVisible());
        QCOMPARE(list.ColumnWidth(0) + list.ColumnWidth(1), bar->x());
        // The buttons sit in the strip under the list.
        QCOMPARE(dialog.height() - (list.y() + list.height()), ChannelDialog::kButtonStrip);

        const QStringList names{"通道6", "IP地址", "端口号", "数据类型", "测点数目", "设备号", "开始地址", "后置通道"};
        const QStringList values{"", "192.168.1.20", "502", "灯光", "64", "7", "41", "8"};
        const int kinds[] = {kPropCategory, kPropEdit, kPropEdit, kPropCombo, kPropEdit, kPropEdit, kPropSpin, kPropSpin};
        for (int k = 0; k < ChannelDialog::kRowsPerChannel; ++k) {
            const int row = ChannelDialog::Row(6, F(k));
            QCOMPARE(row, 40 + k);
            QCOMPARE(list.Item(row).name, names[k]);
            QCOMPARE(list.GetItemValue(row), values[k]);
            QCOMPARE(list.Item(row).kind, kinds[k]);
        }
        QCOMPARE(list.Item(0).name, QString("通道1"));
        QCOMPARE(list.Item(792).name, QString("通道100"));
        QCOMPARE(list.Item(ChannelDialog::Row(6, F::kRegType)).choices,
                 QStringList({"--", "寄存器", "电机", "灯光", "摇头灯"}));
        // The text of each data type code; codes without an entry read "灯光".
        const std::pair<int, const char*> types[] = {{1, "寄存器"}, {3, "电机"}, {4, "摇头灯"}, {5, "灯光"},
                                                     {11, "灯光"}, {12, "--"}};
        for (const auto& [number, text] : types)
            QCOMPARE(list.GetItemValue(ChannelDialog::Row(number, F::kRegType)), QString(text));
        // A table value beyond what the list would take is still shown.
        QCOMPARE(list.GetItemValue(ChannelDialog::Row(10, F::kTagNum)), QString("1200"));

        for (const char* text : {"确定", "取消"}) {
            QPushButton* button = nullptr;
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == text) button = b;
            QVERIFY2(button, text);
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
            QVERIFY(face);
            QCOMPARE(face->text(QAccessible::Name), QString(text));
        }
    }

    void theListKeepsEachRowWithinItsBounds() {
        World w;
        ChannelDialog dialog;
        dialog.Fill(w.runtime->scene.g_Channels);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();

        const int tags = ChannelDialog::Row(2, F::kTagNum);
        for (const char* refused : {"900", "801", "0", "abc"}) {
            Type(list, tags, refused);
            QCOMPARE(list.GetItemValue(tags), QString("8"));
        }
        Type(list, tags, "800");
        QCOMPARE(list.GetItemValue(tags), QString("800"));

        const int ip = ChannelDialog::Row(2, F::kIp);
        Type(list, ip, QString(41, QChar('1')));
        QCOMPARE(list.GetItemValue(ip), QString("127.0.0.1"));
        Type(list, ip, QString(40, QChar('1')));
        QCOMPARE(list.GetItemValue(ip), QString(40, QChar('1')));

        const int start = ChannelDialog::Row(2, F::kStartNum);
        Type(list, start, "100000");
        QCOMPARE(list.GetItemValue(start), QString("1"));
        Type(list, start, "99999");
        QCOMPARE(list.GetItemValue(start), QString("99999"));

        // The spin control stops at the bounds.
        const int next = ChannelDialog::Row(2, F::kPrevChannel);
        ClickValue(list, next);
        QVERIFY(list.OpenedEditor());
        QTest::mouseClick(list.OpenedEditor()->StepDownButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(next), QString("-1"));
        Type(list, next, "100");
        ClickValue(list, next);
        QTest::mouseClick(list.OpenedEditor()->StepUpButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(next), QString("100"));
        Type(list, next, "-2");
        QCOMPARE(list.GetItemValue(next), QString("100"));
    }

    void okAppliesTheChangedChannelsAsOneUndoStep() {
        World w;
        const std::size_t steps = w.doc().undoStack().size();
        const ChannelTable before = w.runtime->scene.g_Channels;
        const std::size_t slotsBefore = w.runtime->output.g_ChannelImage[9].size();
        QSignalSpy asked(w.pane.get(), &SceneEditorPane::channelsRequested);

        WhenOpen([](ChannelDialog& dialog) {
            PropList& list = dialog.list();
            Type(list, ChannelDialog::Row(2, F::kIp), "10.0.0.2");
            Choose(dialog, ChannelDialog::Row(3, F::kRegType), "摇头灯");
            // Only the first register: no reconnect for that.
            ClickValue(list, ChannelDialog::Row(4, F::kStartNum));
            QVERIFY(list.OpenedEditor());
            QTest::mouseClick(list.OpenedEditor()->StepUpButton(), Qt::LeftButton);
            QTest::mouseClick(list.OpenedEditor()->StepUpButton(), Qt::LeftButton);
            Type(list, ChannelDialog::Row(5, F::kRegType), "伺服");
            // Typing left open in its cell still counts on OK.
            Type(list, ChannelDialog::Row(6, F::kDeviceID), "9", true);
            Press(dialog, "确定");
        });
        w.ClickChannels();
        QCOMPARE(asked.count(), 1);

        QCOMPARE(w.channel(2).IP, std::string("10.0.0.2"));
        QCOMPARE(w.channel(3).regType, 5);
        QCOMPARE(w.channel(4).nStartNum, 3);
        QCOMPARE(w.channel(5).regType, 2);
        QCOMPARE(w.channel(6).deviceID, 9);
        // Shown above 800, stored as 800, with an image of that size.
        QCOMPARE(w.channel(10).tagNum, 800);
        QVERIFY(w.runtime->output.g_ChannelImage[9].size() != slotsBefore);
        QCOMPARE(w.runtime->output.g_ChannelImage[9].size(), OutputImage::SlotsFor(800));
        // Untouched, a type code without an entry stays.
        QCOMPARE(w.channel(11).regType, 4);
        QCOMPARE(w.reconnected(), std::vector<int>({2, 3, 5, 6}));

        QCOMPARE(w.doc().undoStack().size(), steps + 1);
        QCOMPARE(w.doc().UndoText(), std::string("通道"));
        QVERIFY(w.doc().Undo());
        for (int n = 1; n <= kChannelCount; ++n) {
            const ChannelInfo& now = w.channel(n);
            const ChannelInfo& was = before[static_cast<std::size_t>(n - 1)];
            QCOMPARE(now.IP, was.IP);
            QCOMPARE(now.regType, was.regType);
            QCOMPARE(now.tagNum, was.tagNum);
            QCOMPARE(now.deviceID, was.deviceID);
            QCOMPARE(now.nStartNum, was.nStartNum);
        }
        QCOMPARE(w.runtime->output.g_ChannelImage[9].size(), slotsBefore);

        // The dialog opens again on the table as it is now.
        WhenOpen([](ChannelDialog& dialog) {
            QCOMPARE(dialog.list().GetItemValue(ChannelDialog::Row(2, F::kIp)), QString("127.0.0.1"));
            QCOMPARE(dialog.list().GetItemValue(ChannelDialog::Row(4, F::kStartNum)), QString("1"));
            Press(dialog, "取消");
        });
        w.ClickChannels();
        QCOMPARE(asked.count(), 2);
    }

    void cancelAndAnUnchangedOkLeaveTheTable() {
        World w;
        // No channel above 800 here, so an OK without edits has nothing to do.
        w.channel(10).tagNum = 30;
        const std::size_t steps = w.doc().undoStack().size();

        WhenOpen([](ChannelDialog& dialog) {
            Type(dialog.list(), ChannelDialog::Row(1, F::kIp), "10.0.0.9");
            Choose(dialog, ChannelDialog::Row(1, F::kRegType), "--");
            Press(dialog, "取消");
        });
        w.ClickChannels();
        QCOMPARE(w.channel(1).IP, std::string("127.0.0.1"));
        QCOMPARE(w.channel(1).regType, 1);
        QCOMPARE(w.doc().undoStack().size(), steps);
        QVERIFY(w.reconnected().empty());

        // Cancelled typing is not shown again; a value typed back to what it
        // was is no change.
        WhenOpen([](ChannelDialog& dialog) {
            PropList& list = dialog.list();
            QCOMPARE(list.GetItemValue(ChannelDialog::Row(1, F::kIp)), QString("127.0.0.1"));
            Type(list, ChannelDialog::Row(1, F::kPort), "1");
            Type(list, ChannelDialog::Row(1, F::kPort), "15020");
            Press(dialog, "确定");
        });
        w.ClickChannels();
        QCOMPARE(w.doc().undoStack().size(), steps);
        QVERIFY(!w.doc().IsModified());
        QVERIFY(w.reconnected().empty());
    }
};

VELMORA_UI_TEST_MAIN(ChannelDialogTest)
#include "ChannelDialogTest.moc"
