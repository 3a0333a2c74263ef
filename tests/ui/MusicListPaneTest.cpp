// The music list pane driven by real mouse and key events: its toolbar and
// the play-mode flags, selection, drag reorder, double-click start, delete
// and add, the scene file written after every change, painting, scrolling,
// and the rows as accessible children.

#include <memory>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

#include "app/Prompter.h"
#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "media/ui/MusicListPane.h"
#include "runtime/Runtime.h"
#include "PlaylistTestKit.h"
#include "UiTestMain.h"
#include "ui/UiWorkspace.h"

using namespace velmora;

namespace {

struct MusicFixture {
    UiWorkspace ws;
    RecordingPrompter prompter;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    RecordingStarter starter;
    std::unique_ptr<MusicListPane> pane;
    bool started = false;

    // The demo's piece followed by `extra` pieces that are not on disk.
    explicit MusicFixture(int extra = 0) {
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        started = runtime->Startup();
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        list().SetStarter(&starter);
        std::vector<std::string> paths;
        for (int i = 0; i < extra; ++i) paths.push_back("/elsewhere/piece" + std::to_string(i) + ".mp3");
        list().Add(paths);
        pane = std::make_unique<MusicListPane>(*context, QStringLiteral("音乐列表"));
        pane->resize(320, 400);
        pane->show();
        started = started && QTest::qWaitForWindowExposed(pane.get());
    }
    ~MusicFixture() { pane.reset(); }

    CMusicList& list() { return *runtime->g_pMusicList; }
    PlaylistView& view() { return *pane->view(); }
    std::vector<std::string> stored() const {
        return StoredPaths(runtime->g_strSpringIni, CMusicList::kSection, "MusicCount", "mu");
    }
    QWidget* button(QAction* action) { return pane->toolBar()->widgetForAction(action); }
};

void SendWheel(QWidget* widget, int angle) {
    const QPointF at(20, 20);
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

// What the window system delivers for a right click (QTest's clicks do not
// make it): the menu runs inside, so `inspect` must be on a timer.
void RightClick(PlaylistView& view, int row) {
    const QPoint at = RowPoint(view, row);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.canvas()->mapToGlobal(at));
    QApplication::sendEvent(view.canvas(), &event);
}

}  // namespace

class MusicListPaneTest : public QObject {
    Q_OBJECT

private slots:
    void toolbarShowsTheFiveButtonsAndThePlayModeFlags() {
        MusicFixture f;
        QVERIFY(f.started);
        QCOMPARE(f.pane->toolBar()->height(), kPlaylistToolBarHeight);
        const QList<QAction*> actions{f.pane->addCommand(), f.pane->deleteCommand(), f.pane->randomCommand(),
                                      f.pane->repeatCommand(), f.pane->listCommand()};
        const QStringList texts{"添加", "删除", "随机", "重复", "列表"};
        for (int i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions[i]->toolTip(), texts[i]);
            QCOMPARE(f.button(actions[i])->accessibleName(), texts[i]);
            QVERIFY(!actions[i]->icon().isNull());
        }
        QCOMPARE(f.pane->toolBar()->actions(), actions);

        // Random off, Repeat and List on at every start.
        QVERIFY(!f.pane->randomCommand()->isChecked());
        QVERIFY(f.pane->repeatCommand()->isChecked());
        QVERIFY(f.pane->listCommand()->isChecked());

        const std::vector<std::pair<QAction*, std::int32_t*>> toggles{{f.pane->randomCommand(), &f.list().m_bRandom},
                                                                      {f.pane->repeatCommand(), &f.list().m_bRepeat},
                                                                      {f.pane->listCommand(), &f.list().m_bList}};
        for (auto [action, flag] : toggles) {
            const std::int32_t before = *flag;
            QTest::mouseClick(f.button(action), Qt::LeftButton);
            QCOMPARE(*flag, before ? 0 : 1);
            QCOMPARE(action->isChecked(), *flag == 1);
            QTest::mouseClick(f.button(action), Qt::LeftButton);
            QCOMPARE(*flag, before);
            QCOMPARE(action->isChecked(), *flag == 1);
        }
    }

    void clickSelectsCtrlClickTogglesAndDeleteFollowsTheLastClick() {
        MusicFixture f(4);
        QVERIFY(f.started);
        QVERIFY(!f.pane->deleteCommand()->isEnabled());

        ClickRow(f.view(), 1);
        QCOMPARE(SelectedRows(f.list()), std::vector<int>({1}));
        QVERIFY(f.pane->deleteCommand()->isEnabled());
        ClickRow(f.view(), 3, Qt::ControlModifier);
        QCOMPARE(SelectedRows(f.list()), std::vector<int>({1, 3}));
        ClickRow(f.view(), 1, Qt::ControlModifier);
        QCOMPARE(SelectedRows(f.list()), std::vector<int>({3}));
        QVERIFY(f.pane->deleteCommand()->isEnabled());

        // The five pixels under a bar belong to no row.
        QTest::mouseClick(f.view().canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 2 * kListRowHeight + 20));
        QVERIFY(SelectedRows(f.list()).empty());
        QVERIFY(!f.pane->deleteCommand()->isEnabled());

        ClickRow(f.view(), 2);
        QVERIFY(f.pane->deleteCommand()->isEnabled());
        QTest::mouseClick(f.view().canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 5 * kListRowHeight + 5));
        QVERIFY(SelectedRows(f.list()).empty());
        QVERIFY(!f.pane->deleteCommand()->isEnabled());
    }

    void dragReorderKeepsTheDotOnItsEntryAndSavesTheNewOrder() {
        MusicFixture f(4);
        QVERIFY(f.started);
        DoubleClickRow(f.view(), 1);
        QCOMPARE(f.list().m_nCurrent, 1);
        const std::string playing = f.list().m_list[1].path;

        DragRow(f.view(), 1, 3);
        QCOMPARE(f.list().m_list[3].path, playing);
        QCOMPARE(f.list().m_nCurrent, 3);
        QCOMPARE(f.stored(), Paths(f.list()));

        // A neighbour dragged past the playing piece moves the dot's index.
        const std::string neighbour = f.list().m_list[4].path;
        DragRow(f.view(), 4, 2);
        QCOMPARE(f.list().m_list[2].path, neighbour);
        QCOMPARE(f.list().m_list[static_cast<std::size_t>(f.list().m_nCurrent)].path, playing);
        QCOMPARE(f.list().m_nCurrent, 4);
        QCOMPARE(f.stored(), Paths(f.list()));

        // Losing the focus ends a drag: later moves reorder nothing.
        QLineEdit elsewhere;
        elsewhere.show();
        const std::vector<std::string> before = Paths(f.list());
        QTest::mousePress(f.view().canvas(), Qt::LeftButton, Qt::NoModifier, RowPoint(f.view(), 0));
        QCOMPARE(f.list().m_nDragRow, 0);
        elsewhere.setFocus();
        QApplication::setActiveWindow(&elsewhere);
        QTRY_COMPARE(f.list().m_nDragRow, -1);
        QTest::mouseMove(f.view().canvas(), RowPoint(f.view(), 3));
        QTest::mouseRelease(f.view().canvas(), Qt::LeftButton, Qt::NoModifier, RowPoint(f.view(), 3));
        QCOMPARE(Paths(f.list()), before);
    }

    void doubleClickStartsThroughTheListAndStepsOnWhenAPieceCannotStart() {
        MusicFixture f(3);
        QVERIFY(f.started);
        f.starter.refuse = {f.list().m_list[1].path};
        DoubleClickRow(f.view(), 1);
        QCOMPARE(f.starter.starts.size(), std::size_t{2});
        QCOMPARE(f.starter.starts[0].path, f.list().m_list[1].path);
        QCOMPARE(f.starter.starts[1].path, f.list().m_list[2].path);
        QCOMPARE(f.starter.starts[1].programMode, 0);
        QCOMPARE(f.list().m_nCurrent, 2);

        // The dot is drawn on the piece now playing, and on no other.
        const QImage picture = f.view().canvas()->grab().toImage();
        for (int row = 0; row < 4; ++row) {
            const QColor centre = picture.pixelColor(5, row * kListRowHeight + 8);
            QCOMPARE(centre == QColor(Qt::white), row == f.list().m_nCurrent);
        }
    }

    void paintsEachRowInTheListsColours() {
        MusicFixture f(2);
        QVERIFY(f.started);
        ClickRow(f.view(), 1);
        QCOMPARE(f.view().canvas()->width(), f.view().width() - kPlaylistScrollBarWidth);
        const QImage picture = f.view().canvas()->grab().toImage();
        const int x = picture.width() - 3;  // right of any text
        QCOMPARE(picture.pixelColor(x, 0 * kListRowHeight + 2), QColor(0, 200, 125));
        QCOMPARE(picture.pixelColor(x, 1 * kListRowHeight + 2), QColor(0, 255, 0));
        QCOMPARE(picture.pixelColor(x, 1 * kListRowHeight + 17), QColor(0, 255, 0));
        QCOMPARE(picture.pixelColor(x, 1 * kListRowHeight + 18), QColor(0, 125, 70));
        QCOMPARE(picture.pixelColor(x, 3 * kListRowHeight + 5), QColor(0, 125, 70));
    }

    void deleteAsksFirstAndRemovesTheSelectionOnlyOnYes() {
        MusicFixture f(3);
        QVERIFY(f.started);
        // Without a selection the key asks nothing.
        f.view().canvas()->setFocus();
        QTest::keyClick(f.view().canvas(), Qt::Key_Delete);
        QVERIFY(f.prompter.questions.empty());

        f.list().m_nCurrent = 3;
        ClickRow(f.view(), 1);
        ClickRow(f.view(), 2, Qt::ControlModifier);
        const std::vector<std::string> before = Paths(f.list());
        f.prompter.SetAnswer(false);
        QTest::keyClick(f.view().canvas(), Qt::Key_Delete);
        QCOMPARE(f.prompter.questions, std::vector<std::string>({kDeleteQuestion}));
        QCOMPARE(Paths(f.list()), before);

        f.prompter.SetAnswer(true);
        QTest::mouseClick(f.button(f.pane->deleteCommand()), Qt::LeftButton);
        QCOMPARE(f.prompter.questions.size(), std::size_t{2});
        QCOMPARE(Paths(f.list()), std::vector<std::string>({before[0], before[3]}));
        QVERIFY(!f.pane->deleteCommand()->isEnabled());
        // The playing index stays where it was, whatever entry it names now.
        QCOMPARE(f.list().m_nCurrent, 3);
        QCOMPARE(f.stored(), Paths(f.list()));
    }

    void rightClickMenuOffersAddAndGreysDeleteWithoutASelection() {
        MusicFixture f(2);
        QVERIFY(f.started);
        QStringList texts;
        QList<bool> enabled;
        auto inspect = [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) {
                texts << action->text();
                enabled << action->isEnabled();
            }
            menu->close();
        };
        QTimer::singleShot(50, inspect);
        RightClick(f.view(), 0);
        QTRY_COMPARE(texts, QStringList({"添加", "删除"}));
        QCOMPARE(enabled, QList<bool>({true, false}));

        texts.clear();
        enabled.clear();
        ClickRow(f.view(), 1);
        QTimer::singleShot(50, inspect);
        RightClick(f.view(), 1);
        QTRY_COMPARE(texts.size(), 2);
        QCOMPARE(enabled, QList<bool>({true, true}));
    }

    void addAppendsTheChosenFilesInOrderAndSaves() {
        MusicFixture f;
        QVERIFY(f.started);
        const QString onDisk = QString::fromStdString((f.ws.path() / "Music" / "demo.mp3").string());
        QStringList choice{onDisk, QStringLiteral("/elsewhere/新歌.mp3")};
        int asked = 0;
        f.pane->SetFileChooser([&](QWidget*) {
            ++asked;
            return choice;
        });
        const std::size_t before = f.list().m_list.size();
        f.view().canvas()->setFocus();
        QTest::keyClick(f.view().canvas(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(asked, 1);
        QCOMPARE(f.list().m_list.size(), before + 2);
        QCOMPARE(f.list().m_list[before].name, std::string("demo.mp3"));
        QCOMPARE(f.list().m_list[before + 1].name, std::string("新歌.mp3"));
        QCOMPARE(f.stored(), Paths(f.list()));
        QVERIFY(!f.view().Missing(static_cast<int>(before)));
        QVERIFY(f.view().Missing(static_cast<int>(before + 1)));

        // Cancel adds nothing.
        choice.clear();
        QTest::mouseClick(f.button(f.pane->addCommand()), Qt::LeftButton);
        QCOMPARE(asked, 2);
        QCOMPARE(f.list().m_list.size(), before + 2);
        QVERIFY(f.prompter.messages.empty());
    }

    void aSaveThatFailsIsToldToTheOperator() {
        MusicFixture f;
        QVERIFY(f.started);
        // A scene file that cannot be read any more is not overwritten.
        std::filesystem::remove(f.runtime->g_strSpringIni);
        std::filesystem::create_directory(f.runtime->g_strSpringIni);
        f.pane->SetFileChooser([](QWidget*) { return QStringList{QStringLiteral("/elsewhere/a.mp3")}; });
        QTest::mouseClick(f.button(f.pane->addCommand()), Qt::LeftButton);
        QCOMPARE(f.prompter.messages.size(), std::size_t{1});
        QVERIFY(f.prompter.messages[0].starts_with(kListsNotSavedMessage));
        QVERIFY(f.prompter.messages[0].size() > std::string(kListsNotSavedMessage).size());
    }

    void scrollingMovesByTheWheelAndClicksHitTheScrolledRows() {
        MusicFixture f(49);
        QVERIFY(f.started);
        f.pane->resize(320, 200);
        QScrollBar* bar = f.view().scrollBar();
        QTRY_COMPARE(bar->pageStep(), f.view().canvas()->height());
        const int rows = static_cast<int>(f.list().m_list.size());
        // The last row can be brought fully into sight, and no further than the rows reach.
        QVERIFY(bar->maximum() + f.view().canvas()->height() >= rows * kListRowHeight - 5);
        QVERIFY(bar->maximum() + f.view().canvas()->height() <= rows * kListRowHeight + kListRowHeight);
        QCOMPARE(bar->value(), 0);

        SendWheel(f.view().canvas(), -120);  // one notch down
        QCOMPARE(bar->value(), kPlaylistWheelStep);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(bar->value(), kPlaylistWheelStep + kPlaylistLineStep);
        SendWheel(f.view().canvas(), 240);
        QCOMPARE(bar->value(), 0);

        bar->setValue(200);
        const int y = 7;
        QTest::mouseClick(f.view().canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(40, y));
        const int expected = (200 + y) / kListRowHeight;
        QVERIFY((200 + y) % kListRowHeight < kPlaylistBarHeight);
        QCOMPARE(SelectedRows(f.list()), std::vector<int>({expected}));
    }

    void keyboardMovesTheSelectionAndReturnStarts() {
        MusicFixture f(3);
        QVERIFY(f.started);
        ClickRow(f.view(), 0);
        QTest::keyClick(f.view().canvas(), Qt::Key_Down);
        QTest::keyClick(f.view().canvas(), Qt::Key_Down);
        QCOMPARE(SelectedRows(f.list()), std::vector<int>({2}));
        QTest::keyClick(f.view().canvas(), Qt::Key_Up);
        QCOMPARE(SelectedRows(f.list()), std::vector<int>({1}));
        QTest::keyClick(f.view().canvas(), Qt::Key_Return);
        QCOMPARE(f.starter.starts.size(), std::size_t{1});
        QCOMPARE(f.starter.starts[0].path, f.list().m_list[1].path);
        QCOMPARE(f.list().m_nCurrent, 1);
    }

    void rowsAreAccessibleChildrenThatCanBePressedAndActivated() {
        MusicFixture f(2);
        QVERIFY(f.started);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f.view().canvas());
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("音乐列表"));
        QCOMPARE(list->childCount(), static_cast<int>(f.list().m_list.size()));
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* row = list->child(i);
            QVERIFY(row);
            QCOMPARE(row->role(), QAccessible::ListItem);
            QCOMPARE(row->text(QAccessible::Name), QString::fromStdString(f.list().m_list[i].name));
            QCOMPARE(list->indexOfChild(row), i);
            QCOMPARE(row->parent(), list);
            QVERIFY(row->state().selectable);
            QVERIFY(row->state().focusable);
        }
        // The demo's piece is on disk; the others are not.
        QVERIFY(RowInterface(f.view(), 0)->text(QAccessible::Description).isEmpty());
        QCOMPARE(RowInterface(f.view(), 1)->text(QAccessible::Description), QString::fromUtf8(kMissingFileNote));

        ClickRow(f.view(), 2);
        QVERIFY(RowInterface(f.view(), 2)->state().selected);
        QVERIFY(!RowInterface(f.view(), 0)->state().selected);

        QAccessibleActionInterface* actions = RowInterface(f.view(), 0)->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        QVERIFY(actions->actionNames().contains(QString::fromLatin1(kActivateAction)));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(SelectedRows(f.list()), std::vector<int>({0}));
        QVERIFY(RowInterface(f.view(), 0)->state().selected);
        QVERIFY(f.pane->deleteCommand()->isEnabled());

        RowInterface(f.view(), 1)->actionInterface()->doAction(QString::fromLatin1(kActivateAction));
        QTRY_COMPARE(f.starter.starts.size(), std::size_t{1});
        QCOMPARE(f.starter.starts[0].path, f.list().m_list[1].path);
        QCOMPARE(f.list().m_nCurrent, 1);

        // Rows that went away are gone for assistive technology too.
        f.prompter.SetAnswer(true);
        QTest::keyClick(f.view().canvas(), Qt::Key_Delete);
        QCOMPARE(list->childCount(), static_cast<int>(f.list().m_list.size()));
        QVERIFY(!list->child(list->childCount()));
    }
};

VELMORA_UI_TEST_MAIN(MusicListPaneTest)
#include "MusicListPaneTest.moc"
