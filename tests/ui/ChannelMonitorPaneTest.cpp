// The channel monitor on a started demo runtime with no controllers: the
// rows where the list puts them, the senders' status lines as they write
// them, link figures from the health records, down links tinted and put
// first on a click, the repaint timer following visibility, the rows as
// accessible children; and the rules that turn a health record into texts.

#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAccessible>
#include <QAction>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/Prompter.h"
#include "comm/ui/ChannelMonitorPane.h"
#include "comm/ui/ChannelMonitorRows.h"
#include "runtime/Runtime.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

// A loopback port bound but never listening: connects to it are refused at
// once, and nobody else can take it while the test runs.
class RefusingPort {
public:
    RefusingPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

constexpr int kDownChannel = 3;   // configured, its controller refuses
constexpr int kEmptyChannel = 5;  // 0.0.0.0

// The demo runtime with only channel 3 configured (to the refusing port)
// and channel 5 at 0.0.0.0; the senders started only when asked.
struct MonitorFixture {
    UiWorkspace ws;
    RefusingPort refusing;
    RecordingPrompter prompter;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    std::unique_ptr<ChannelMonitorPane> pane;
    bool started = false;

    explicit MonitorFixture(bool startSenders, QSize size = QSize(420, 300)) {
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        started = runtime->Startup() && refusing.port() > 0;
        // Set before any sender runs, as a loaded scene would be.
        for (ChannelInfo& channel : runtime->scene.g_Channels) channel.IP = "0.0.0.0";
        ChannelInfo& down = runtime->scene.g_Channels[kDownChannel - 1];
        down.IP = "127.0.0.1";
        down.port = refusing.port();
        if (startSenders) runtime->StartSenders();
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        pane = std::make_unique<ChannelMonitorPane>(*context, QStringLiteral("通道监视"));
        pane->resize(size);
        pane->show();
        started = started && QTest::qWaitForWindowExposed(pane.get());
    }
    ~MonitorFixture() {
        pane.reset();
        runtime->Shutdown();
    }

    ChannelMonitorCanvas* canvas() { return pane->canvas(); }
    int indexOf(int number) {
        const auto& rows = pane->rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].number == number) return static_cast<int>(i);
        return -1;
    }
    // Left of x = 120 and right of any "[n]IP" label: only the band shows.
    QColor bandColour(int index) {
        const QImage image = canvas()->grab().toImage();
        return image.pixelColor(kMonitorStatusX - 4, canvas()->RowRect(index).top() + 10);
    }
    // The leftmost dark pixel of a row between x0 and x1, -1 if none.
    int firstInk(int index, int x0, int x1) {
        const QImage image = canvas()->grab().toImage();
        const QRect band = canvas()->RowRect(index);
        for (int x = x0; x < x1 && x < image.width(); ++x)
            for (int y = std::max(0, band.top()); y <= band.bottom() && y < image.height(); ++y)
                if (image.pixelColor(x, y).lightness() < 100) return x;
        return -1;
    }
    bool waitForFailure(int number) {
        // Refused and 0.0.0.0 connects fail at once; the bound covers a slow machine.
        return QTest::qWaitFor([&] {
            const int i = indexOf(number);
            return i >= 0 && pane->rows()[static_cast<std::size_t>(i)].status.rfind("连接失败[", 0) == 0;
        }, 8000);
    }
};

ChannelHealthRecord Record(ChannelState state, std::string error = {}) {
    ChannelHealthRecord r;
    r.state = state;
    r.lastError = std::move(error);
    return r;
}

}  // namespace

class ChannelMonitorPaneTest : public QObject {
    Q_OBJECT

private slots:
    void rowsSitTwentyPixelsApartInATwoThousandPixelList() {
        MonitorFixture f(false);
        QVERIFY(f.started);
        const auto& rows = f.pane->rows();
        QCOMPARE(rows.size(), std::size_t(kChannelCount));
        QCOMPARE(QString::fromStdString(rows[kDownChannel - 1].label), QStringLiteral("[3]127.0.0.1"));

        QScrollBar* bar = f.pane->verticalBar();
        const int page = f.canvas()->height();
        QCOMPARE(bar->width(), kMonitorScrollBarWidth);
        QCOMPARE(bar->pageStep(), page);
        QCOMPARE(bar->maximum() + page, kMonitorListHeight);
        QCOMPARE(bar->singleStep(), kMonitorLineStep);

        // Keys on the list move it: a line is 10 pixels, a page the list's height.
        QTest::keyClick(f.canvas(), Qt::Key_Down);
        QCOMPARE(bar->value(), 10);
        QTest::keyClick(f.canvas(), Qt::Key_PageDown);
        QCOMPARE(bar->value(), 10 + page);
        QTest::keyClick(f.canvas(), Qt::Key_Home);
        QCOMPARE(bar->value(), 0);

        // At the end channel 100's row fills the last 20 pixels of the list.
        QTest::keyClick(f.canvas(), Qt::Key_End);
        QCOMPARE(bar->value(), bar->maximum());
        const QRect last = f.canvas()->RowRect(kChannelCount - 1);
        QCOMPARE(last.top() + bar->value(), 1980);
        QCOMPARE(last.bottom(), page - 1);
        QVERIFY(f.firstInk(kChannelCount - 1, 0, 10) >= 0);

        // Resizing resets the range to the new page.
        f.pane->resize(420, 500);
        QTRY_COMPARE(bar->pageStep(), f.canvas()->height());
        QCOMPARE(bar->maximum() + f.canvas()->height(), kMonitorListHeight);
    }

    void narrowPaneScrollsSideways() {
        MonitorFixture f(false, QSize(420, 300));
        QVERIFY(f.started);
        QScrollBar* bar = f.pane->horizontalBar();
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->maximum() + f.canvas()->width(), MonitorContentWidth());
        // Scrolled by the label column, the status line starts at the left edge.
        f.runtime->g_ModbusThreads[0].szStatus.Set("连接成功");
        f.pane->Refresh();
        bar->setValue(kMonitorStatusX);
        const int ink = f.firstInk(0, 0, 40);
        QVERIFY2(ink >= 0 && ink <= 4, qPrintable(QString::number(ink)));
        // Wide enough for every column, there is nothing to scroll.
        f.pane->resize(MonitorContentWidth() + kMonitorScrollBarWidth + 10, 300);
        QTRY_VERIFY(!bar->isVisible());
        QCOMPARE(f.pane->scrollX(), 0);
    }

    void unconfiguredChannelShowsItsAddressAndTheFailureLine() {
        MonitorFixture f(true);
        QVERIFY(f.started);
        QVERIFY(f.waitForFailure(kEmptyChannel));
        const int i = f.indexOf(kEmptyChannel);
        const MonitorRow& row = f.pane->rows()[static_cast<std::size_t>(i)];
        QCOMPARE(QString::fromStdString(row.label), QStringLiteral("[5]0.0.0.0"));
        QVERIFY(!row.configured);
        QVERIFY(!row.down);  // not in use, so not a fault
        QCOMPARE(f.bandColour(i), QColor(197, 197, 197));
        // The label starts at x = 0 and the status line at x = 120.
        const int labelInk = f.firstInk(i, 0, kMonitorStatusX);
        QVERIFY(labelInk >= 0 && labelInk <= 3);
        const int statusInk = f.firstInk(i, kMonitorStatusX - 6, kMonitorStatusX + 40);
        QVERIFY2(statusInk >= kMonitorStatusX && statusInk <= kMonitorStatusX + 4, qPrintable(QString::number(statusInk)));
    }

    void downChannelIsTintedAndGoesFirstWhenAsked() {
        MonitorFixture f(true);
        QVERIFY(f.started);
        QVERIFY(f.waitForFailure(kDownChannel));
        QTRY_VERIFY_WITH_TIMEOUT(f.pane->rows()[kDownChannel - 1].down, 5000);
        const QColor background(197, 197, 197);
        QVERIFY(f.bandColour(kDownChannel - 1) != background);
        QCOMPARE(f.bandColour(0), background);
        QCOMPARE(f.pane->rows()[0].number, 1);

        QWidget* button = f.pane->toolBar()->widgetForAction(f.pane->faultsFirstCommand());
        QVERIFY(button);
        QCOMPARE(button->accessibleName(), QStringLiteral("故障通道优先"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(f.pane->faultsFirst());
        QCOMPARE(f.pane->rows()[0].number, kDownChannel);
        QVERIFY(f.bandColour(0) != background);
        // The rest keep channel order.
        QCOMPARE(f.pane->rows()[1].number, 1);
        QCOMPARE(f.pane->rows()[kChannelCount - 1].number, kChannelCount);
        // The timer's reads keep the order.
        QTest::qWait(2 * kMonitorRepaintMs);
        QCOMPARE(f.pane->rows()[0].number, kDownChannel);

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(f.pane->rows()[0].number, 1);
        QCOMPARE(f.pane->rows()[kDownChannel - 1].number, kDownChannel);
        // The same toggle is on the list's context menu.
        QVERIFY(f.canvas()->actions().contains(f.pane->faultsFirstCommand()));
    }

    void repaintTimerRunsOnlyWhileVisible() {
        MonitorFixture f(false);
        QVERIFY(f.started);
        QTimer* timer = f.pane->repaintTimer();
        QCOMPARE(timer->interval(), kMonitorRepaintMs);
        QVERIFY(timer->isActive());
        f.pane->hide();
        QVERIFY(!timer->isActive());
        f.pane->show();
        QVERIFY(timer->isActive());

        // Hidden, it reads nothing: a status change shows only after it is shown again.
        f.pane->hide();
        f.runtime->g_ModbusThreads[0].szStatus.Set("连接成功");
        QTest::qWait(3 * kMonitorRepaintMs);
        QVERIFY(f.pane->rows()[0].status.empty());
        f.pane->show();
        QTRY_COMPARE(QString::fromStdString(f.pane->rows()[0].status), QStringLiteral("连接成功"));
    }

    void rowsAreAnAccessibleTableOfTheDrawnCells() {
        MonitorFixture f(true);
        QVERIFY(f.started);
        QVERIFY(f.waitForFailure(kDownChannel));
        QVERIFY(f.waitForFailure(kEmptyChannel));
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.canvas());
        QVERIFY(table);
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->text(QAccessible::Name), QStringLiteral("通道监视"));
        QAccessibleTableInterface* grid = table->tableInterface();
        QVERIFY(grid);
        QCOMPARE(grid->rowCount(), kChannelCount);
        QCOMPARE(grid->columnCount(), 10);
        // Headers first, then the cells row by row.
        QCOMPARE(table->childCount(), 10 * (kChannelCount + 1));
        const QStringList titles{"通道", "状态", "链路", "发/收", "失败", "重连", "时延ms", "P99ms", "上次应答", "最近错误"};
        for (int c = 0; c < 10; ++c) {
            QAccessibleInterface* header = table->child(c);
            QCOMPARE(header->role(), QAccessible::ColumnHeader);
            QCOMPARE(header->text(QAccessible::Name), titles[c]);
            QCOMPARE(grid->columnDescription(c), titles[c]);
        }

        const auto cell = [&](int row, int column) { return grid->cellAt(row, column); };
        QAccessibleInterface* address = cell(kEmptyChannel - 1, 0);
        QVERIFY(address);
        QCOMPARE(address->role(), QAccessible::Cell);
        QCOMPARE(address->text(QAccessible::Name), QStringLiteral("[5]0.0.0.0"));
        QVERIFY(cell(kEmptyChannel - 1, 1)->text(QAccessible::Name).startsWith(QStringLiteral("连接失败[")));
        QCOMPARE(cell(kEmptyChannel - 1, 2)->text(QAccessible::Name), QStringLiteral("未配置"));
        // The same object every time, placed where the table says.
        QCOMPARE(cell(kEmptyChannel - 1, 0), address);
        QCOMPARE(table->indexOfChild(address), 10 * kEmptyChannel);
        QCOMPARE(table->child(10 * kEmptyChannel), address);
        QAccessibleTableCellInterface* place = address->tableCellInterface();
        QVERIFY(place);
        QCOMPARE(place->rowIndex(), kEmptyChannel - 1);
        QCOMPARE(place->columnIndex(), 0);
        QCOMPARE(place->table(), table);
        QCOMPARE(place->columnHeaderCells().value(0), table->child(0));
        QCOMPARE(cell(0, 9)->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
                 QStringLiteral("最近错误"));

        QTRY_COMPARE_WITH_TIMEOUT(cell(kDownChannel - 1, 2)->text(QAccessible::Name), QStringLiteral("断开"), 5000);
        QVERIFY(cell(kDownChannel - 1, 9)->text(QAccessible::Name).contains(QStringLiteral("Connection refused")));
        QVERIFY(grid->rowDescription(kDownChannel - 1).startsWith(QStringLiteral("断开")));

        // Rows follow the faults-first order; each cell reads its new row.
        QTest::mouseClick(f.pane->toolBar()->widgetForAction(f.pane->faultsFirstCommand()), Qt::LeftButton);
        QCOMPARE(cell(0, 0)->text(QAccessible::Name), QStringLiteral("[3]127.0.0.1"));
        QCOMPARE(cell(1, 0)->text(QAccessible::Name), QStringLiteral("[1]0.0.0.0"));

        // Cells sit where they are drawn; rows below the visible part say so.
        const QRect first = cell(0, 1)->rect();
        QCOMPARE(first.topLeft(), f.canvas()->mapToGlobal(QPoint(kMonitorStatusX, 0)));
        QCOMPARE(cell(1, 1)->rect().top() - first.top(), kMonitorRowHeight);
        QVERIFY(!cell(0, 0)->state().offscreen);
        QVERIFY(cell(kChannelCount - 1, 0)->state().offscreen);
        QCOMPARE(table->childAt(first.center().x(), first.center().y()), cell(0, 1));
        QVERIFY(!grid->cellAt(kChannelCount, 0));
        QVERIFY(!grid->cellAt(0, 10));

        // Hidden, the pane offers no children to walk, yet every cell answers.
        f.pane->hide();
        QCOMPARE(table->childCount(), 0);
        QCOMPARE(grid->rowCount(), kChannelCount);
        QCOMPARE(grid->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("[3]127.0.0.1"));
    }

    void healthRecordsBecomeShortTexts() {
        // Down means configured and failing, or connecting or connected again
        // after a failure without an exchange going through yet.
        const auto failing = [](ChannelState state) {
            ChannelHealthRecord r = Record(state, "x");
            r.failuresInARow = 1;
            return r;
        };
        QVERIFY(ChannelDown(true, Record(ChannelState::Failed, "x")));
        QVERIFY(ChannelDown(true, failing(ChannelState::Connecting)));
        QVERIFY(ChannelDown(true, failing(ChannelState::Connected)));
        QVERIFY(!ChannelDown(true, Record(ChannelState::Connecting)));
        QVERIFY(!ChannelDown(true, Record(ChannelState::Connected, "old error")));
        QVERIFY(!ChannelDown(true, failing(ChannelState::Idle)));
        QVERIFY(!ChannelDown(false, Record(ChannelState::Failed, "x")));

        // Worse faults hide lesser ones; the link column names each one.
        ChannelHealthRecord refused = Record(ChannelState::Connected, "exception 2");
        refused.lastExceptionCode = 2;
        ChannelHealthRecord slow = Record(ChannelState::Connected);
        slow.lastRoundTripUs = slow.p50RoundTripUs = kSlowRoundTripUs;
        ChannelHealthRecord oneLate = slow;
        oneLate.p50RoundTripUs = 900;
        ChannelHealthRecord fastAgain = slow;
        fastAgain.lastRoundTripUs = 900;
        ChannelHealthRecord refusedAndDown = failing(ChannelState::Connected);
        refusedAndDown.lastExceptionCode = 2;
        QCOMPARE(ChannelFault(true, refused), MonitorFault::Refused);
        QCOMPARE(ChannelFault(true, slow), MonitorFault::Slow);
        QCOMPARE(ChannelFault(true, oneLate), MonitorFault::None);
        QCOMPARE(ChannelFault(true, fastAgain), MonitorFault::None);
        QCOMPARE(ChannelFault(true, refusedAndDown), MonitorFault::Down);
        QCOMPARE(ChannelFault(false, refused), MonitorFault::None);
        MonitorRow faulty;
        faulty.configured = true;
        const std::pair<MonitorFault, const char*> links[]{
            {MonitorFault::Down, "断开"}, {MonitorFault::Refused, "异常应答"}, {MonitorFault::Slow, "应答慢"}};
        for (const auto& [fault, text] : links) {
            faulty.fault = fault;
            QCOMPARE(MonitorCells(faulty, 0)[kColLink], std::string(text));
        }

        ChannelInfo channel;
        QVERIFY(!ChannelConfigured(channel));
        channel.IP.clear();
        QVERIFY(!ChannelConfigured(channel));
        channel.IP = "10.0.0.7";
        QVERIFY(ChannelConfigured(channel));

        MonitorRow row;
        row.configured = true;
        row.health = Record(ChannelState::Connected);
        row.health.requestsSent = 120;
        row.health.repliesReceived = 118;
        row.health.exchangesFailed = 2;
        row.health.reconnects = 1;
        row.health.lastRoundTripUs = 1240;
        row.health.p99RoundTripUs = 23'600;
        const std::int64_t now = 1'700'000'000'000;
        row.health.lastGoodReplyUnixMs = now - 5'400;
        auto cells = MonitorCells(row, now);
        QCOMPARE(cells[kColLink], std::string("已连接"));
        QCOMPARE(cells[kColCounts], std::string("120/118"));
        QCOMPARE(cells[kColFailed], std::string("2"));
        QCOMPARE(cells[kColReconnects], std::string("1"));
        QCOMPARE(cells[kColRtt], std::string("1.2"));
        QCOMPARE(cells[kColP99], std::string("24"));
        QCOMPARE(cells[kColLastReply], std::string("5秒前"));
        QCOMPARE(cells[kColError], std::string());
        QCOMPARE(MonitorCells(row, now + 150'000)[kColLastReply], std::string("2分前"));
        QCOMPARE(MonitorCells(row, now + 7'300'000)[kColLastReply], std::string("2时前"));
        // A wall clock set back shows no reply from the future.
        QCOMPARE(MonitorCells(row, now - 60'000)[kColLastReply], std::string("0秒前"));
        QVERIFY(MonitorSummary(row, now).find("最近错误") == std::string::npos);

        // Nothing measured yet reads as "-".
        MonitorRow fresh;
        cells = MonitorCells(fresh, now);
        QCOMPARE(cells[kColLink], std::string("未配置"));
        QCOMPARE(cells[kColRtt], std::string("-"));
        QCOMPARE(cells[kColP99], std::string("-"));
        QCOMPARE(cells[kColLastReply], std::string("-"));

        // Faulty rows first, whatever the fault, each part in channel order.
        std::vector<MonitorRow> rows(6);
        for (int i = 0; i < 6; ++i) {
            rows[static_cast<std::size_t>(i)].number = i + 1;
            if (i == 4) rows[static_cast<std::size_t>(i)].fault = MonitorFault::Slow;
            if (i == 1) rows[static_cast<std::size_t>(i)].fault = MonitorFault::Down;
        }
        OrderMonitorRows(rows, true);
        QCOMPARE(rows[0].number, 2);
        QCOMPARE(rows[1].number, 5);
        QCOMPARE(rows[2].number, 1);
        QCOMPARE(rows[5].number, 6);
        OrderMonitorRows(rows, false);
        for (int i = 0; i < 6; ++i) QCOMPARE(rows[static_cast<std::size_t>(i)].number, i + 1);
    }
};

VELMORA_UI_TEST_MAIN(ChannelMonitorPaneTest)
#include "ChannelMonitorPaneTest.moc"
