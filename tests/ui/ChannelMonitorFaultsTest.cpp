// The channel monitor while the program plays against controllers that
// misbehave in every way the simulator can: silent, slow, hanging up, half a
// reply, an oversized reply, an exception reply. Each shows in its row as a
// state and an error text of its own, a healthy one beside them stays clean,
// and the UI thread's event loop keeps turning all along.

#include <map>
#include <memory>
#include <set>
#include <string>

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/Prompter.h"
#include "comm/SimProcess.h"
#include "comm/ui/ChannelMonitorPane.h"
#include "comm/ui/ChannelMonitorRows.h"
#include "runtime/Runtime.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;
using namespace std::chrono_literals;
using velmora::testing::SimProcess;

namespace {

struct Case {
    int channel;
    std::vector<std::string> simOptions;
    MonitorFault fault;
    const char* link;
    std::string error;  // the whole last error; empty = none
};

// Short reply waits keep each case within a few seconds; the senders'
// behaviour is otherwise the program's own.
constexpr auto kReplyWait = 400ms;

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases{
        {1, {}, MonitorFault::None, "已连接", ""},
        {2, {"--no-reply"}, MonitorFault::Down, "断开", "reply header: nothing within 400 ms"},
        {3, {"--delay", "120"}, MonitorFault::Slow, "应答慢", ""},
        {4, {"--close-after", "1"}, MonitorFault::Down, "断开", "reply header: the controller closed the connection"},
        {5, {"--header-only"}, MonitorFault::Down, "断开", "reply body of 6 bytes: nothing within 400 ms"},
        {6, {"--oversize-reply"}, MonitorFault::Down, "断开", "reply announces 1100 bytes, more than 1018"},
        // A well-behaved controller asked to write past its address space.
        {7, {}, MonitorFault::Refused, "异常应答", "exception 2 (illegal data address) to function 16"},
    };
    return cases;
}

}  // namespace

class ChannelMonitorFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void eachFaultReadsDifferentlyWhileTheUiKeepsTurning() {
        std::vector<std::unique_ptr<SimProcess>> sims;
        for (const Case& c : Cases()) {
            sims.push_back(std::make_unique<SimProcess>(c.simOptions));
            QVERIFY2(sims.back()->ok(), "velmora-sim did not start");
        }

        UiWorkspace ws;
        auto owned = std::make_unique<Runtime>(Workspace(ws.path()));
        Runtime& runtime = *owned;
        QVERIFY(runtime.Startup());
        for (ChannelInfo& channel : runtime.scene.g_Channels) channel.IP = "0.0.0.0";
        for (std::size_t i = 0; i < Cases().size(); ++i) {
            const Case& c = Cases()[i];
            ChannelInfo& channel = runtime.scene.g_Channels[static_cast<std::size_t>(c.channel - 1)];
            channel.IP = "127.0.0.1";
            channel.port = sims[i]->port();
            channel.regType = 1;
            channel.tagNum = 8;
            channel.deviceID = 1;
            channel.nStartNum = c.fault == MonitorFault::Refused ? 65536 : 1;
            CModbusTCPThread::Timing timing;
            timing.connectTimeout = 1000ms;
            timing.pauseWait = 20ms;
            timing.reply.headerWait = kReplyWait;
            timing.reply.bodyWait = kReplyWait;
            runtime.g_ModbusThreads[static_cast<std::size_t>(c.channel - 1)].SetTiming(timing);
        }
        runtime.output.Reallocate(runtime.scene.g_Channels);

        RecordingPrompter prompter;
        DesktopContext context{runtime, prompter};
        ChannelMonitorPane pane(context, QStringLiteral("通道监视"));
        pane.resize(900, 300);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));

        // A 10 ms timer on the UI thread: its ticks and their longest gap
        // show whether anything made the event loop wait for a sender.
        int ticks = 0;
        qint64 longestGapMs = 0;
        QElapsedTimer sinceTick;
        QTimer watchdog;
        watchdog.setInterval(10);
        connect(&watchdog, &QTimer::timeout, [&] {
            if (ticks > 0) longestGapMs = std::max(longestGapMs, sinceTick.elapsed());
            sinceTick.start();
            ++ticks;
        });
        QElapsedTimer run;
        run.start();
        watchdog.start();
        QVERIFY(runtime.StartPlayback());

        const auto rowOf = [&](int number) -> const MonitorRow& {
            for (const MonitorRow& row : pane.rows())
                if (row.number == number) return row;
            return pane.rows().front();
        };
        const auto matches = [&](const Case& c) {
            const MonitorRow& row = rowOf(c.channel);
            const auto cells = MonitorCells(row, 0);
            return row.fault == c.fault && cells[kColLink] == c.link && row.health.lastError == c.error;
        };
        // Every case holds at the same moment, read from the pane's own rows.
        const bool settled = QTest::qWaitFor([&] {
            for (const Case& c : Cases())
                if (!matches(c)) return false;
            return true;
        }, 10'000);
        // And they keep reading so through reconnects: a silent controller
        // that accepts every new connection must not flicker back to "up".
        int mismatches = 0;
        std::string firstMismatch;
        for (int sample = 0; settled && sample < 30; ++sample) {
            QTest::qWait(50);
            for (const Case& c : Cases()) {
                if (matches(c)) continue;
                ++mismatches;
                if (firstMismatch.empty()) firstMismatch = "channel " + std::to_string(c.channel) + ": " +
                                                          MonitorCells(rowOf(c.channel), 0)[kColLink];
            }
        }
        const qint64 elapsed = run.elapsed();
        watchdog.stop();
        QVERIFY2(mismatches == 0, firstMismatch.c_str());
        for (const Case& c : Cases()) {
            const MonitorRow& row = rowOf(c.channel);
            const auto cells = MonitorCells(row, 0);
            QVERIFY2(settled || matches(c),
                     qPrintable(QStringLiteral("channel %1: fault %2, link %3, error \"%4\"")
                                    .arg(c.channel)
                                    .arg(static_cast<int>(row.fault))
                                    .arg(QString::fromStdString(cells[kColLink]),
                                         QString::fromStdString(row.health.lastError))));
        }

        // No two faults read alike.
        std::set<std::pair<std::string, std::string>> seen;
        for (const Case& c : Cases()) {
            const MonitorRow& row = rowOf(c.channel);
            seen.emplace(MonitorCells(row, 0)[kColLink], row.health.lastError);
        }
        QCOMPARE(seen.size(), Cases().size());
        // The slow controller's round trip shows, the healthy one's is short.
        QVERIFY(rowOf(3).health.lastRoundTripUs >= 120'000);
        QVERIFY(rowOf(1).health.lastRoundTripUs < kSlowRoundTripUs);
        // Faults first puts the six faulty channels on top, in channel order.
        QTest::mouseClick(pane.toolBar()->widgetForAction(pane.faultsFirstCommand()), Qt::LeftButton);
        const std::vector<int> top{pane.rows()[0].number, pane.rows()[1].number, pane.rows()[5].number,
                                   pane.rows()[6].number};
        QCOMPARE(top, (std::vector<int>{2, 3, 7, 1}));

        // The senders wait up to 400 ms for replies, often at once; the UI
        // thread never did: its timer kept ticking without a long gap.
        qInfo("%d ticks in %lld ms, longest gap %lld ms", ticks, static_cast<long long>(elapsed),
              static_cast<long long>(longestGapMs));
        QVERIFY(ticks >= elapsed / 10 / 3);
        QVERIFY2(longestGapMs < 300, qPrintable(QString::number(longestGapMs)));

        runtime.Shutdown();
    }
};

VELMORA_UI_TEST_MAIN(ChannelMonitorFaultsTest)
#include "ChannelMonitorFaultsTest.moc"
