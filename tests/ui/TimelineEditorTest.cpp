// The timeline editor driven as an operator drives it, with real mouse and
// key events: the layer column's armed marks and "选择" menu, selecting by
// click and rubber band, drawing a block with the add modifier, dragging
// and resizing, the arrow keys, delete, copy and paste, locking, and what
// assistive technology reads from the blocks.

#include <algorithm>
#include <cmath>
#include <fstream>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "engine/MusicWav.h"
#include "show/ui/TimelineArea.h"
#include "ui/MainView.h"
#include "PlaybackFixture.h"
#include "UiTestMain.h"

using namespace velmora;
using testing::PlaybackFixture;

namespace {

constexpr int kLayers = 210;  // more rows than blocks may be drawn on

// A show of four 60-pixel blocks on rows 1..4, 100 pixels apart, and more
// layers than the rows that take blocks.
void WriteShow(const std::filesystem::path& path) {
    std::ofstream out(path);
    out << "[TimeLine]\nLayerCount=" << kLayers << "\nTimeBlockCount=4\n";
    for (int i = 0; i < 4; ++i)
        out << "TB" << i << "_cannel=" << i + 1 << "\nTB" << i << "_start=" << 100 * (i + 1) << "\nTB" << i
            << "_end=" << 100 * (i + 1) + 60 << "\n";
}

struct Editor {
    explicit Editor(PlaybackFixture& f) : f(f), view(*f.context) {
        const auto path = f.ws.path() / "edit.tlf";
        WriteShow(path);
        loaded = f.runtime->LoadShowFile(path);
        f.wav().m_nScrollOffset = 0;
        view.resize(1000, 700);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
        timeline().setFocus();
    }
    TimelineArea& timeline() { return *view.timeline(); }
    ShowDocument& doc() { return f.runtime->showDocument(); }
    const std::vector<TimeBlock>& blocks() { return f.runtime->show.blocks; }
    // A point inside block i's bar, `dx` pixels from its start.
    QPoint On(std::size_t i, double dx = 20) {
        const QRectF bar = timeline().BlockRect(i);
        return QPoint(static_cast<int>(std::lround(bar.left() + dx)), static_cast<int>(bar.center().y()));
    }
    // Block i's right edge handle.
    QPoint RightEdge(std::size_t i) {
        const QRectF bar = timeline().BlockRect(i);
        return QPoint(static_cast<int>(std::lround(bar.left() + blocks()[i].end - blocks()[i].start)),
                      static_cast<int>(bar.center().y()));
    }
    QPoint EmptyAt(int x, int row) {
        return QPoint(x, row * TimelineArea::kRowHeight + 12 - timeline().verticalBar()->value());
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(&timeline(), Qt::LeftButton, mods, from);
        const QPoint mid = (from + to) / 2;
        QTest::mouseMove(&timeline(), mid);
        QTest::mouseMove(&timeline(), to);
        QTest::mouseRelease(&timeline(), Qt::LeftButton, mods, to);
    }
    // Right-clicks at `at` and chooses the item at the end of `path`
    // through the popup's submenus. False when any item is missing.
    bool Choose(QPoint at, const QStringList& path) {
        // What the window system delivers for a right click; QTest's
        // clicks do not make the context menu event.
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, timeline().mapToGlobal(at));
        QApplication::sendEvent(&timeline(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QMenu* top = menu;
        bool found = menu != nullptr;
        for (int k = 0; found && k < path.size(); ++k) {
            const auto actions = menu->actions();
            const auto it = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == path[k]; });
            found = it != actions.end();
            if (!found) break;
            if (k + 1 < path.size()) menu = (*it)->menu();
            else (*it)->trigger();
            found = menu != nullptr;
        }
        if (top) top->close();
        return found;
    }
    std::vector<std::size_t> Selected() { return doc().SelectedIndices(); }

    PlaybackFixture& f;
    MainView view;
    bool loaded = false;
    bool exposed = false;
};

}  // namespace

class TimelineEditorTest : public QObject {
    Q_OBJECT

private slots:
    void blocksWhoseLightFollowsTheWaterShowTheirColoursBelow() {
        PlaybackFixture f;
        // Two blocks naming the demo's rainbow colours (red first): one with
        // the light following the water, one without.
        const auto path = f.ws.path() / "light.tlf";
        {
            std::ofstream out(path);
            out << "[TimeLine]\nLayerCount=10\nTimeBlockCount=2\n"
                << "TB0_cannel=1\nTB0_start=100\nTB0_end=300\nTB0_nSpecicalType=3\nTB0_szLight=rainbow.color\n"
                << "TB0_bLightTogether=1\n"
                << "TB1_cannel=2\nTB1_start=100\nTB1_end=300\nTB1_nSpecicalType=3\nTB1_szLight=rainbow.color\n"
                << "TB1_bLightTogether=0\n";
        }
        QVERIFY(f.runtime->LoadShowFile(path));
        f.wav().m_nScrollOffset = 0;
        MainView view(*f.context);
        view.resize(1000, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        TimelineArea& timeline = *view.timeline();
        const QImage image = timeline.grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        auto at = [&](QPointF point) { return image.pixelColor((point * ratio).toPoint()); };
        const QRectF linked = timeline.BlockRect(0);
        const QRectF apart = timeline.BlockRect(1);
        QCOMPARE(at(QPointF(linked.left() + 3, linked.bottom() - 3)), QColor(255, 0, 0));
        QCOMPARE(at(QPointF(linked.left() + 3, linked.top() + 2)), QColor(0, 125, 63));
        // The last of the seven colours at the end of the strip.
        QCOMPARE(at(QPointF(linked.right() - 3, linked.bottom() - 3)), QColor(255, 0, 255));
        QCOMPARE(at(QPointF(apart.left() + 3, apart.bottom() - 3)), QColor(232, 180, 0));
    }

    void layerColumnArmsRowsAndBindsThemThroughItsMenu() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        const auto& layers = f.runtime->show.layers;

        // The circle arms the row; a second click disarms; the name does nothing.
        const QRect cell = t.NameCell(3);
        QTest::mouseClick(&t, Qt::LeftButton, {}, QPoint(cell.right() - 5, cell.center().y()));
        QCOMPARE(layers[3].m_bArmed, 1);
        QCOMPARE(e.doc().armedRow(), 3);
        QTest::mouseClick(&t, Qt::LeftButton, {}, QPoint(cell.left() + 10, cell.center().y()));
        QCOMPARE(layers[3].m_bArmed, 1);
        QTest::mouseClick(&t, Qt::LeftButton, {}, QPoint(cell.right() - 5, cell.center().y()));
        QCOMPARE(layers[3].m_bArmed, 0);
        QCOMPARE(e.doc().armedRow(), -1);

        // A group of four members, one naming no spring.
        Scene& scene = f.runtime->scene;
        QVERIFY(scene.springs.size() >= 3);
        CSpringGroup group;
        group.ID = 777001;
        group.name = "测试组";
        group.childCount = 4;
        group.children[0] = scene.springs[0].ID;
        group.children[1] = 999999;  // no such spring
        group.children[2] = scene.springs[1].ID;
        group.children[3] = scene.springs[2].ID;
        scene.groups.push_back(group);
        const Layer below = layers[8];

        const QPoint row5 = t.NameCell(5).center();
        QVERIFY(e.Choose(row5, {"选择", "测试组", "展开组"}));
        for (int k = 0; k < 3; ++k) {
            const Layer& layer = layers[static_cast<std::size_t>(5 + k)];
            const std::int32_t id = scene.springs[static_cast<std::size_t>(k)].ID;
            QCOMPARE(layer.type, kLayerSpring);
            QCOMPARE(layer.GroupID, id);
            QCOMPARE(t.RowName(5 + k), QString::number(id));
        }
        QCOMPARE(layers[8].name, below.name);
        QVERIFY(e.doc().Undo());  // the expansion is one step
        QCOMPARE(layers[5].type, kLayerGroup);

        // The other items act on the clicked row.
        QVERIFY(e.Choose(row5, {"选择", "测试组", "选择组"}));
        QCOMPARE(layers[5].GroupID, 777001);
        QVERIFY(e.Choose(row5, {"选择", "子程序"}));
        QCOMPARE(layers[5].type, kLayerProgram);
        QVERIFY(e.Choose(row5, {"选择", "NULL"}));
        QCOMPARE(layers[5].GroupID, -1);
    }

    void clicksAndTheRubberBandSelect() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();

        QTest::mouseClick(&t, Qt::LeftButton, {}, e.On(1));
        QCOMPARE(e.Selected(), std::vector<std::size_t>{1});
        QTest::mouseClick(&t, Qt::LeftButton, {}, e.On(2));
        QCOMPARE(e.Selected(), std::vector<std::size_t>{2});
        QTest::mouseClick(&t, Qt::LeftButton, {}, e.EmptyAt(700, 2));
        QVERIFY(e.Selected().empty());

        // From empty space above block 0 to the middle of block 1.
        e.Drag(e.EmptyAt(e.On(0).x(), 0) - QPoint(0, 8), e.On(1));
        QCOMPARE(e.Selected(), (std::vector<std::size_t>{0, 1}));
        // Ctrl held while the band moves keeps the others.
        QTest::mousePress(&t, Qt::LeftButton, {}, e.EmptyAt(700, 4));
        QTest::mouseMove(&t, e.On(3));
        QCOMPARE(e.Selected(), std::vector<std::size_t>{3});
        QTest::mouseRelease(&t, Qt::LeftButton, {}, e.On(3));
        e.doc().SetSelection(std::vector<std::size_t>{0, 1});
        QTest::mousePress(&t, Qt::LeftButton, {}, e.EmptyAt(700, 4));
        QMouseEvent move(QEvent::MouseMove, e.On(3), t.mapToGlobal(e.On(3)), Qt::NoButton, Qt::LeftButton,
                         Qt::ControlModifier);
        QApplication::sendEvent(&t, &move);
        QTest::mouseRelease(&t, Qt::LeftButton, Qt::ControlModifier, e.On(3));
        QCOMPARE(e.Selected(), (std::vector<std::size_t>{0, 1, 3}));
    }

    void theAddModifierDrawsABlockCommittedByTheNextClick() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        const std::size_t before = e.blocks().size();

        const QPoint from = e.EmptyAt(600, 6);
        QTest::mousePress(&t, Qt::LeftButton, Qt::ControlModifier, from);
        QTest::mouseRelease(&t, Qt::LeftButton, Qt::ControlModifier, from);
        QVERIFY(t.drawing());
        QCOMPARE(e.blocks().size(), before);  // nothing in the show until committed
        QTest::mouseMove(&t, from + QPoint(45, 0));
        QTest::mouseClick(&t, Qt::LeftButton, {}, from + QPoint(45, 0));
        QVERIFY(!t.drawing());
        QCOMPARE(e.blocks().size(), before + 1);
        const TimeBlock& drawn = e.blocks().back();
        const double startX = t.BlockRect(e.blocks().size() - 1).left();
        QCOMPARE(drawn.cannel, 6);
        QCOMPARE(startX, static_cast<double>(from.x()));
        QCOMPARE(drawn.end - drawn.start, 45.0f);

        // The frame's command arms it once; moving left of the start keeps 5 pixels.
        QSignalSpy used(&t, &TimelineArea::addUsed);
        t.SetAddArmed(true);
        QTest::mouseClick(&t, Qt::LeftButton, {}, e.EmptyAt(600, 8));
        QCOMPARE(used.count(), 1);
        QVERIFY(!t.addArmed());
        QTest::mouseMove(&t, e.EmptyAt(560, 8));
        QTest::mouseClick(&t, Qt::LeftButton, {}, e.EmptyAt(560, 8));
        QCOMPARE(e.blocks().size(), before + 2);
        QCOMPARE(e.blocks().back().end - e.blocks().back().start, ShowDocument::kMinBlockWidth);

        // Rows from 200 on take no block.
        t.verticalBar()->setValue(t.verticalBar()->maximum());
        const QPoint low = e.EmptyAt(600, kLayers - 3);
        QVERIFY(low.y() > 0 && low.y() < t.height());
        QTest::mouseClick(&t, Qt::LeftButton, Qt::ControlModifier, low);
        QVERIFY(!t.drawing());
        QTest::mouseClick(&t, Qt::LeftButton, {}, low);
        QCOMPARE(e.blocks().size(), before + 2);
    }

    void draggingMovesOnlyUnlockedSelectedBlocksInOneStep() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        const TimeBlock a = e.blocks()[0], b = e.blocks()[1];

        QTest::mouseClick(&t, Qt::LeftButton, {}, e.On(0));
        QVERIFY(e.Choose(e.On(0), {"锁定"}));
        QCOMPARE(e.blocks()[0].m_bLocked, 1);
        e.Drag(e.EmptyAt(e.On(0).x(), 0) - QPoint(0, 8), e.On(1));
        QCOMPARE(e.Selected(), (std::vector<std::size_t>{0, 1}));

        const QPoint grab = e.On(1);
        e.Drag(grab, grab + QPoint(37, TimelineArea::kRowHeight * 2));
        QCOMPARE(e.blocks()[0].start, a.start);
        QCOMPARE(e.blocks()[0].cannel, a.cannel);
        QCOMPARE(e.blocks()[1].start, b.start + 37);
        QCOMPARE(e.blocks()[1].end - e.blocks()[1].start, b.end - b.start);
        QCOMPARE(e.blocks()[1].cannel, b.cannel + 2);
        QVERIFY(e.doc().Undo());
        QCOMPARE(e.blocks()[1].start, b.start);
        QCOMPARE(e.blocks()[1].cannel, b.cannel);
    }

    void resizingStopsAtFivePixelsAndLockedBlocksHaveNoHandles() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        const TimeBlock original = e.blocks()[2];

        const QPoint edge = e.RightEdge(2);
        e.Drag(edge, edge - QPoint(static_cast<int>(original.end - original.start) - 2, 0));
        QCOMPARE(e.blocks()[2].start, original.start);
        QCOMPARE(e.blocks()[2].end - e.blocks()[2].start, ShowDocument::kMinBlockWidth);
        QVERIFY(e.doc().Undo());  // the whole gesture at once
        QCOMPARE(e.blocks()[2].end, original.end);

        const QPoint left = e.On(2, 0);
        e.Drag(left, left + QPoint(200, 0));
        QCOMPARE(e.blocks()[2].end, original.end);
        QCOMPARE(e.blocks()[2].end - e.blocks()[2].start, ShowDocument::kMinBlockWidth);
        QVERIFY(e.doc().Undo());

        QTest::mouseClick(&t, Qt::LeftButton, {}, e.On(2));
        QVERIFY(e.Choose(e.On(2), {"锁定"}));
        e.Drag(e.RightEdge(2), e.RightEdge(2) + QPoint(40, 0));
        QCOMPARE(e.blocks()[2].end, original.end);
        QVERIFY(e.Choose(e.On(2), {"解锁"}));
        QCOMPARE(e.blocks()[2].m_bLocked, 0);
    }

    void keysNudgeDeleteCopyAndPaste() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        const float start = e.blocks()[0].start;

        QTest::mouseClick(&t, Qt::LeftButton, {}, e.On(0));
        QTest::keyClick(&t, Qt::Key_Right);
        QTest::keyClick(&t, Qt::Key_Right);
        QTest::keyClick(&t, Qt::Key_Left);
        QCOMPARE(e.blocks()[0].start, std::trunc(start) + 1);

        // Nothing selected: no question.
        QTest::mouseClick(&t, Qt::LeftButton, {}, e.EmptyAt(700, 2));
        QTest::keyClick(&t, Qt::Key_Delete);
        QVERIFY(f.prompter.questions.empty());
        // Asked first; the locked block of the selection stays.
        const std::size_t count = e.blocks().size();
        QTest::mouseClick(&t, Qt::LeftButton, {}, e.On(2));
        QVERIFY(e.Choose(e.On(2), {"锁定"}));
        e.doc().SetSelection(std::vector<std::size_t>{2, 3});
        QTest::keyClick(&t, Qt::Key_Delete);
        QCOMPARE(f.prompter.questions, std::vector<std::string>{kConfirmDeleteQuestion});
        QCOMPARE(e.blocks().size(), count - 1);
        QCOMPARE(e.blocks()[2].m_bLocked, 1);
        QVERIFY(e.Selected().empty());
    }

    void pasteKeepsTheGapsAndLandsMidView() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        // Blocks at 10 s, 12 s and 15 s, drawn with the mouse.
        const double scale = f.runtime->show.m_nScale;
        const double starts[] = {10000 / scale, 12000 / scale, 15000 / scale};
        const std::size_t first = e.blocks().size();
        for (int k = 0; k < 3; ++k) {
            const QPoint at(TimelineArea::kNameColumn + static_cast<int>(starts[k]), e.EmptyAt(0, 10 + k).y());
            QTest::mouseClick(&t, Qt::LeftButton, Qt::ControlModifier, at);
            QTest::mouseMove(&t, at + QPoint(20, 0));
            QTest::mouseClick(&t, Qt::LeftButton, {}, at + QPoint(20, 0));
        }
        QCOMPARE(e.blocks().size(), first + 3);
        e.doc().SetSelection(std::vector<std::size_t>{first, first + 1, first + 2});
        QTest::keyClick(&t, Qt::Key_C, Qt::ControlModifier);

        f.wav().m_nScrollOffset = 150;
        QTest::keyClick(&t, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(e.blocks().size(), first + 6);
        const float mid = 150.0f + t.visibleWidth() / 2.0f;
        QCOMPARE(t.PasteX(), e.view.PasteX());
        const TimeBlock* pasted = &e.blocks()[first + 3];
        QCOMPARE(pasted[0].start, mid);
        QCOMPARE(pasted[1].start - pasted[0].start, static_cast<float>(2000 / scale));
        QCOMPARE(pasted[2].start - pasted[1].start, static_cast<float>(3000 / scale));
        QCOMPARE(pasted[2].cannel, 12);
        QCOMPARE(e.Selected(), (std::vector<std::size_t>{first + 3, first + 4, first + 5}));
    }

    void areaMenuLocksAllAndTheCacheCommandLeavesLocks() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        const QPoint empty = e.EmptyAt(800, 7);
        QVERIFY(e.Choose(empty, {"全部上锁"}));
        for (const TimeBlock& block : e.blocks()) QCOMPARE(block.m_bLocked, 1);
        QVERIFY(e.Choose(empty, {"更新CSV缓存动作"}));
        for (const TimeBlock& block : e.blocks()) QCOMPARE(block.m_bLocked, 1);
        QVERIFY(e.Choose(empty, {"全部解锁"}));
        for (const TimeBlock& block : e.blocks()) QCOMPARE(block.m_bLocked, 0);
        // A right click on a block selects it alone and offers the block's menu.
        QVERIFY(e.Choose(e.On(1), {"复制"}));
        QCOMPARE(e.Selected(), std::vector<std::size_t>{1});
        QCOMPARE(e.doc().clipboard().size(), std::size_t{1});
    }

    // The menus' zoom steps the scale 50 -> 25 -> 10 and back, rescaling the
    // blocks; at either end the item is there but does nothing.
    void zoomItemsStepTheScaleWithinItsLimits() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        const std::int32_t& scale = f.runtime->show.m_nScale;
        QCOMPARE(scale, 50);
        const float startAt50 = e.blocks()[0].start;
        const auto startAt = [&](std::int32_t s) { return startAt50 * 50.0f / static_cast<float>(s); };
        const QPoint empty = e.EmptyAt(900, 8);

        QVERIFY(e.Choose(empty, {"缩小"}));  // coarsest already
        QCOMPARE(scale, 50);
        QVERIFY(!e.doc().CanUndo());
        QVERIFY(e.Choose(e.On(0), {"放大"}));  // the block menu zooms too
        QCOMPARE(scale, 25);
        QVERIFY(e.Choose(e.EmptyAt(900, 8), {"放大"}));
        QCOMPARE(scale, 10);
        QCOMPARE(e.blocks()[0].start, startAt(10));
        QVERIFY(e.Choose(e.EmptyAt(900, 8), {"放大"}));  // finest already
        QCOMPARE(scale, 10);
        QCOMPARE(e.blocks()[0].start, startAt(10));

        QVERIFY(e.Choose(e.EmptyAt(900, 8), {"缩小"}));
        QCOMPARE(scale, 25);
        QCOMPARE(e.blocks()[0].start, startAt(25));
        // Each step is one undo step, the block going back with the scale.
        QVERIFY(e.doc().Undo());
        QCOMPARE(scale, 10);
        QCOMPARE(e.blocks()[0].start, startAt(10));
        QVERIFY(e.doc().Undo());
        QVERIFY(e.doc().Undo());
        QCOMPARE(scale, 50);
        QCOMPARE(e.blocks()[0].start, startAt50);
    }

    void spaceRecordsABlockOnTheArmedRowWhileTheMusicPlays() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        QTest::keyClick(&t, Qt::Key_Space);  // nothing plays yet
        QVERIFY(!t.recording());

        QVERIFY(f.StartMusic());  // opens the piece's own show
        const std::size_t before = e.blocks().size();
        QTest::keyClick(&t, Qt::Key_Space);  // no armed row
        QVERIFY(!t.recording());
        const QRect cell = t.NameCell(6);
        QTest::mouseClick(&t, Qt::LeftButton, {}, QPoint(cell.right() - 5, cell.center().y()));
        QCOMPARE(e.doc().armedRow(), 6);

        // The engine's published playhead, as it moves while Space is held.
        const double from = 120.25, to = 181.5;
        f.runtime->g_dPlayheadUnits.store(from);
        QTest::keyPress(&t, Qt::Key_Space);
        QVERIFY(t.recording());
        QCOMPARE(e.blocks().size(), before);  // the engine sees it only when it is finished
        f.runtime->g_dPlayheadUnits.store(to);
        QTest::keyRelease(&t, Qt::Key_Space);
        QVERIFY(!t.recording());
        QCOMPARE(e.blocks().size(), before + 1);
        const TimeBlock& recorded = e.blocks().back();
        QCOMPARE(recorded.cannel, 6);
        QCOMPARE(recorded.start, static_cast<float>(from));
        QCOMPARE(recorded.end, static_cast<float>(to));
    }

    void blocksAreAccessibleChildren() {
        PlaybackFixture f;
        Editor e(f);
        QVERIFY(e.loaded && e.exposed);
        TimelineArea& t = e.timeline();
        QTest::mouseClick(&t, Qt::LeftButton, {}, e.On(1));
        QVERIFY(e.Choose(e.On(1), {"锁定"}));

        QAccessibleInterface* area = QAccessible::queryAccessibleInterface(&t);
        QVERIFY(area);
        const int rows = t.rowCount();
        QAccessibleInterface* block = area->child(rows + 1);
        QVERIFY(block);
        const TimeBlock& data = e.blocks()[1];
        const QString name = block->text(QAccessible::Name);
        QVERIFY2(name.startsWith(QStringLiteral("第%1层").arg(data.cannel + 1)), qPrintable(name));
        const double scale = f.runtime->show.m_nScale;
        const auto time = [](double ms) {
            const long long v = static_cast<long long>(ms);
            return QString::asprintf("%02lld:%02lld.%03lld", v / 60000, v / 1000 % 60, v % 1000);
        };
        QVERIFY2(name.endsWith(time(data.start * scale) + QStringLiteral("–") + time(data.end * scale)), qPrintable(name));
        QVERIFY(block->state().selected);
        QVERIFY(block->state().readOnly);
        QVERIFY(!area->child(rows)->state().selected);

        // Pressing another block selects it alone.
        QAccessibleInterface* other = area->child(rows + 3);
        QVERIFY(other && other->actionInterface());
        other->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(e.Selected(), std::vector<std::size_t>{3});
    }
};

VELMORA_UI_TEST_MAIN(TimelineEditorTest)
#include "TimelineEditorTest.moc"
