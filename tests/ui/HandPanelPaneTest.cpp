// The hand panel on the demo runtime (groups: 环形喷泉 and the next one
// normal, the third a special button, the fourth taken out of the show by
// bMannual, the fifth normal): the lock and what clicks do in each mode,
// the mode buttons, the grid at 130 and 119 pixels, the scroll bar, the
// right click's hook, the engine's answer drawn back and the undelivered
// mark, and the cells as accessible buttons.

#include <memory>
#include <vector>

#include <QAccessible>
#include <QAction>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/Prompter.h"
#include "manual/ui/HandPanelPane.h"
#include "runtime/Runtime.h"
#include "ui/UiWorkspace.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

constexpr int kNormal = 0;
constexpr int kSpecial = 2;
constexpr int kManual = 3;

struct HandFixture {
    UiWorkspace ws;
    RecordingPrompter prompter;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    std::unique_ptr<HandPanelPane> pane;
    std::vector<std::pair<QWidget*, std::int32_t>> debugOpened;
    bool started = false;

    explicit HandFixture(QSize size = QSize(320, 300), bool engine = false) {
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        started = runtime->Startup();
        // No controller anywhere: every link is down.
        for (ChannelInfo& channel : runtime->scene.g_Channels) channel.IP = "0.0.0.0";
        if (engine) started = started && runtime->StartPlayback();
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        pane = std::make_unique<HandPanelPane>(
            *context, QStringLiteral("手操面板"),
            [this](QWidget* parent, std::int32_t id) { debugOpened.emplace_back(parent, id); });
        pane->resize(size);
        pane->show();
        started = started && QTest::qWaitForWindowExposed(pane.get());
    }
    ~HandFixture() {
        pane.reset();
        runtime->Shutdown();
    }

    HandPanelCanvas* canvas() { return pane->canvas(); }
    CSpringGroup& group(int index) { return runtime->scene.groups[static_cast<std::size_t>(index)]; }
    QPoint centre(int index) { return canvas()->CellRect(index).center(); }
    void click(int index, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(canvas(), button, Qt::NoModifier, centre(index));
    }
    QToolButton* modeButton(QAction* action) {
        return qobject_cast<QToolButton*>(pane->toolBar()->widgetForAction(action));
    }
};

}  // namespace

class HandPanelPaneTest : public QObject {
    Q_OBJECT

private slots:
    void watchModeLocksNormalGroupsAndAcceptsManualOnes() {
        HandFixture f;
        QVERIFY(f.started);
        QCOMPARE(f.pane->cells().size(), std::size_t(5));
        QVERIFY(f.pane->watchCommand()->isChecked());
        QVERIFY(!f.pane->handCommand()->isChecked());
        QCOMPARE(f.runtime->g_bHandMode.load(), 0);

        f.click(kNormal);
        QCOMPARE(f.group(kNormal).m_nManualState.Get(), -1);
        const std::int32_t member = f.group(kNormal).children[0];
        QCOMPARE(f.runtime->scene.FindSpring(member)->m_nManualLevel.Get(), 0);

        f.click(kManual);
        QCOMPARE(f.group(kManual).m_nManualState.Get(), 1);
        const CSpring* manualMember = f.runtime->scene.FindSpring(f.group(kManual).children[0]);
        QCOMPARE(manualMember->m_nManualLevel.Get(), kHandOnLevel);
        QCOMPARE(manualMember->m_nManualColour.Get(), kHandOnColour);
        f.click(kSpecial);
        QCOMPARE(f.group(kSpecial).m_nManualState.Get(), 1);

        // The lock is drawn on the locked cell only: its padlock body is gold.
        const QImage image = f.canvas()->grab().toImage();
        auto hasGold = [&](int index) {
            const QRect cell = f.canvas()->CellRect(index);
            for (int y = cell.top(); y < cell.top() + 40; ++y)
                for (int x = cell.left(); x < cell.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.red() > 190 && c.green() > 150 && c.green() < 190 && c.blue() < 90) return true;
                }
            return false;
        };
        QVERIFY(hasGold(kNormal));
        QVERIFY(!hasGold(kManual));
        QCOMPARE(image.pixelColor(f.canvas()->width() - 2, f.canvas()->height() - 2), QColor(197, 197, 197));
    }

    void handModeTogglesAndWatchDropsAllButSpecialRequests() {
        HandFixture f;
        QVERIFY(f.started);
        QTest::mouseClick(f.modeButton(f.pane->handCommand()), Qt::LeftButton);
        QVERIFY(f.pane->handCommand()->isChecked());
        QVERIFY(!f.pane->watchCommand()->isChecked());
        QCOMPARE(f.runtime->g_bHandMode.load(), 1);

        for (int i = 0; i < 5; ++i) f.click(i);
        for (int i = 0; i < 5; ++i) QCOMPARE(f.group(i).m_nManualState.Get(), 1);
        // The engine has not run: a second click asks for "on" again.
        f.click(kNormal);
        QCOMPARE(f.group(kNormal).m_nManualState.Get(), 1);

        // Pressing the pressed button changes nothing.
        QTest::mouseClick(f.modeButton(f.pane->handCommand()), Qt::LeftButton);
        QVERIFY(f.pane->handCommand()->isChecked());
        QCOMPARE(f.group(kNormal).m_nManualState.Get(), 1);

        QTest::mouseClick(f.modeButton(f.pane->watchCommand()), Qt::LeftButton);
        QVERIFY(f.pane->watchCommand()->isChecked());
        QVERIFY(!f.pane->handCommand()->isChecked());
        QCOMPARE(f.runtime->g_bHandMode.load(), 0);
        for (int i = 0; i < 5; ++i) QCOMPARE(f.group(i).m_nManualState.Get(), i == kSpecial ? 1 : -1);
    }

    void gridWrapsByTheWidthWithTheScrollBarIncluded() {
        HandFixture f(QSize(130, 200));
        QVERIFY(f.started);
        QCOMPARE(f.pane->verticalBar()->width(), kHandScrollBarWidth);
        QCOMPARE(f.pane->toolBar()->height(), kHandToolBarHeight);
        QCOMPARE(f.pane->LayoutWidth(), 130);
        // Two per row, the second partly under the bar.
        QCOMPARE(f.canvas()->CellRect(1), QRect(60, 0, 60, 60));
        QCOMPARE(f.canvas()->CellRect(2), QRect(0, 60, 60, 60));
        // A click on the hidden part of the second cell goes to the bar.
        QCOMPARE(f.canvas()->HitCell(QPoint(f.canvas()->width() + 5, 30)), -1);

        f.pane->resize(119, 200);
        QTRY_COMPARE(f.pane->LayoutWidth(), 119);
        QCOMPARE(f.canvas()->CellRect(1), QRect(0, 60, 60, 60));

        // The range covers 5 groups one per row (5 * 60 + 60), page = visible height.
        QScrollBar* bar = f.pane->verticalBar();
        const int page = f.canvas()->height();
        QCOMPARE(bar->pageStep(), page);
        QCOMPARE(bar->maximum() + page, std::max(page, 5 * 60 + 60));
        QCOMPARE(bar->singleStep(), kHandLineStep);
        // One wheel notch: 30 pixels; the cells move with it and stay hittable.
        QTest::mouseClick(f.modeButton(f.pane->handCommand()), Qt::LeftButton);
        QWheelEvent wheel(QPointF(20, 20), f.canvas()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.canvas(), &wheel);
        QCOMPARE(bar->value(), 30);
        QCOMPARE(f.canvas()->CellRect(1).top(), 30);
        f.click(1);
        QCOMPARE(f.group(1).m_nManualState.Get(), 1);
        QCOMPARE(f.group(0).m_nManualState.Get(), -1);
    }

    void rightClickOpensTheGroupDebugHookOnLiveCellsOnly() {
        HandFixture f;
        QVERIFY(f.started);
        f.click(kNormal, Qt::RightButton);  // locked: no hit rectangle
        QVERIFY(f.debugOpened.empty());
        f.click(kManual, Qt::RightButton);
        QCOMPARE(f.debugOpened.size(), std::size_t(1));
        QCOMPARE(f.debugOpened[0].first, static_cast<QWidget*>(f.pane.get()));
        QCOMPARE(f.debugOpened[0].second, f.group(kManual).ID);
        QCOMPARE(f.group(kManual).m_nManualState.Get(), -1);  // a right click toggles nothing

        // A group removed since the last read: nothing opens.
        f.runtime->scene.groups.erase(f.runtime->scene.groups.begin() + kManual);
        f.runtime->scene.Reindex();
        f.pane->OpenGroupDebug(kManual);
        QCOMPARE(f.debugOpened.size(), std::size_t(1));
        // A pane without a hook ignores right clicks.
        HandPanelPane bare(*f.context, QStringLiteral("手操面板"));
        bare.resize(300, 200);
        bare.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bare));
        QTest::mouseClick(bare.canvas(), Qt::RightButton, Qt::NoModifier, bare.canvas()->CellRect(kSpecial).center());
    }

    void engineAnswerIsDrawnAndDownLinksMarkTheRequestUndelivered() {
        HandFixture f(QSize(320, 300), true);
        QVERIFY(f.started);
        QVERIFY(f.pane->repaintTimer()->isActive());
        QCOMPARE(f.pane->repaintTimer()->interval(), kHandRepaintMs);
        QTest::mouseClick(f.modeButton(f.pane->handCommand()), Qt::LeftButton);

        f.click(kNormal);
        // The engine drives it; the timer brings its answer back.
        QTRY_VERIFY_WITH_TIMEOUT(f.pane->cells()[kNormal].applied, 3000);
        QVERIFY(f.pane->cells()[kNormal].requested);
        QVERIFY(!f.pane->cells()[kNormal].delivered);  // every link is down
        const QImage image = f.canvas()->grab().toImage();
        const QRect cell = f.canvas()->CellRect(kNormal);
        const QColor corner = image.pixelColor(cell.right() - 2, cell.top() + 2);
        QVERIFY2(corner.red() > 180 && corner.green() < 80, qPrintable(corner.name()));
        // A cell without a request has no mark.
        const QRect other = f.canvas()->CellRect(1);
        QCOMPARE(image.pixelColor(other.right() - 2, other.top() + 2), QColor(197, 197, 197));

        // Now the click follows the applied state: off.
        f.click(kNormal);
        QCOMPARE(f.group(kNormal).m_nManualState.Get(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!f.pane->cells()[kNormal].applied, 3000);

        f.pane->hide();
        QVERIFY(!f.pane->repaintTimer()->isActive());
    }

    void keyboardMovesOverTheCellsTogglesAndOpensTheDebugPanel() {
        HandFixture f(QSize(150, 200));  // two cells per row
        QVERIFY(f.started);
        f.canvas()->setFocus();
        QTest::keyClick(f.canvas(), Qt::Key_Down);  // from the first cell to the one below it
        QCOMPARE(f.pane->currentCell(), 2);
        QTest::keyClick(f.canvas(), Qt::Key_Right);
        QCOMPARE(f.pane->currentCell(), kManual);
        QTest::keyClick(f.canvas(), Qt::Key_Space);
        QCOMPARE(f.group(kManual).m_nManualState.Get(), 1);
        QTest::keyClick(f.canvas(), Qt::Key_Menu);
        QCOMPARE(f.debugOpened.size(), std::size_t(1));
        QCOMPARE(f.debugOpened[0].second, f.group(kManual).ID);

        // A locked cell takes neither key in watch mode.
        QTest::keyClick(f.canvas(), Qt::Key_Home);
        QCOMPARE(f.pane->currentCell(), kNormal);
        QTest::keyClick(f.canvas(), Qt::Key_Return);
        QTest::keyClick(f.canvas(), Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(f.group(kNormal).m_nManualState.Get(), -1);
        QCOMPARE(f.debugOpened.size(), std::size_t(1));

        // The last cell is scrolled into view.
        f.pane->resize(150, kHandToolBarHeight + 90);
        QTRY_VERIFY(f.canvas()->height() <= 90);
        QTest::keyClick(f.canvas(), Qt::Key_End);
        QCOMPARE(f.pane->currentCell(), 4);
        const QRect last = f.canvas()->CellRect(4);
        QVERIFY2(last.top() >= 0 && last.bottom() < f.canvas()->height(),
                 qPrintable(QStringLiteral("%1..%2").arg(last.top()).arg(last.bottom())));
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(f.canvas());
        QVERIFY(grid->child(4)->state().focused);
        QVERIFY(!grid->child(0)->state().focused);
    }

    void cellsAreAccessibleButtonsWithPressAndMenu() {
        HandFixture f;
        QVERIFY(f.started);
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(f.canvas());
        QVERIFY(grid != nullptr);
        QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("手操面板"));
        QCOMPARE(grid->childCount(), 5);

        QAccessibleInterface* normal = grid->child(kNormal);
        QCOMPARE(normal->role(), QAccessible::Button);
        QCOMPARE(normal->text(QAccessible::Name), QStringLiteral("环形喷泉"));
        QCOMPARE(normal->text(QAccessible::Description), QStringLiteral("关 锁定"));
        QCOMPARE(normal->rect().size(), QSize(60, 60));
        // Locked: like the mouse, neither action reaches it.
        QAccessibleActionInterface* actions = normal->actionInterface();
        QVERIFY(actions != nullptr);
        QVERIFY(actions->actionNames().isEmpty());
        actions->doAction(QAccessibleActionInterface::showMenuAction());
        QVERIFY(f.debugOpened.empty());

        QAccessibleInterface* manual = grid->child(kManual);
        QCOMPARE(manual->text(QAccessible::Name), QString::fromStdString(f.group(kManual).name));
        manual->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.group(kManual).m_nManualState.Get(), 1);
        // The request stands on down links.
        QCOMPARE(manual->text(QAccessible::Description), QStringLiteral("关 未送达"));
        manual->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QCOMPARE(f.debugOpened.size(), std::size_t(1));
        QCOMPARE(f.debugOpened[0].second, f.group(kManual).ID);

        // The tool bar's buttons are named by their texts and checkable.
        QAccessibleInterface* handButton = QAccessible::queryAccessibleInterface(f.modeButton(f.pane->handCommand()));
        QCOMPARE(handButton->text(QAccessible::Name), QStringLiteral("手操"));
        QVERIFY(handButton->state().checkable);
        QVERIFY(!handButton->state().checked);
        handButton->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(handButton->state().checked);
        QCOMPARE(f.runtime->g_bHandMode.load(), 1);
        QCOMPARE(normal->text(QAccessible::Description), QStringLiteral("关"));
        QCOMPARE(normal->actionInterface()->actionNames(),
                 QStringList({QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::showMenuAction()}));
        QAccessibleInterface* watchButton = QAccessible::queryAccessibleInterface(f.modeButton(f.pane->watchCommand()));
        QCOMPARE(watchButton->text(QAccessible::Name), QStringLiteral("监视"));
        QVERIFY(!watchButton->state().checked);
        // A screen reader's toggle (no click) switches the mode as well.
        manual->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.group(kManual).m_nManualState.Get(), 1);
        watchButton->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTRY_VERIFY(watchButton->state().checked);
        QVERIFY(!handButton->state().checked);
        QCOMPARE(f.runtime->g_bHandMode.load(), 0);
        QCOMPARE(f.group(kManual).m_nManualState.Get(), -1);
    }
};

VELMORA_UI_TEST_MAIN(HandPanelPaneTest)
#include "HandPanelPaneTest.moc"
