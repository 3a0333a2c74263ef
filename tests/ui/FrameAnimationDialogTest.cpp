// "帧编辑器": cells selected, painted and typed with the mouse, the toolbar's
// tools with undo, page navigation and the page time, the settings dialog,
// the page strip's selection, loop marks, page copies, inserting and
// deleting pages, saving and opening through the path seam, the question
// before closing unsaved, and cells and pages as accessible items.

#include <fstream>
#include <functional>
#include <sstream>

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/Prompter.h"
#include "editors/ui/FrameAnimationDialog.h"
#include "editors/ui/FrameGrid.h"
#include "editors/ui/FrameSettingsDialog.h"
#include "editors/ui/PageStrip.h"
#include "manual/ui/WriteValueDialog.h"
#include "ui/PropList.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

std::filesystem::path Folder(const QTemporaryDir& dir) { return std::filesystem::path(dir.path().toStdString()); }

void Trigger(QAction* a) {
    QVERIFY(a != nullptr);
    QVERIFY(a->isEnabled());
    a->trigger();
}

QPoint Centre(int row, int col) { return FrameGrid::CellRect(row, col).center(); }

void Click(FrameAnimationDialog& d, int row, int col, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(&d.grid(), Qt::LeftButton, keys, Centre(row, col));
}

void ClickPage(FrameAnimationDialog& d, int index, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(&d.strip().view(), Qt::LeftButton, keys, d.strip().view().ColumnRect(index).center());
}

void Press(QPushButton* b) {
    QVERIFY(b != nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
}

std::vector<std::int32_t> Row(FrameAnimationDialog& d, int row, int from, int to) {
    std::vector<std::int32_t> out;
    for (int c = from; c <= to; ++c) out.push_back(d.editor().Cell(row, c).m_nLevel);
    return out;
}

void Move(QWidget* w, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// Runs `act` on the modal dialog of type T once it is up, looking a bounded
// number of times; a dialog left open is rejected so a failed check cannot
// hang the test.
template <class T>
void WhenOpen(const std::function<void(T&)>& act, int attempts = 200) {
    QTimer::singleShot(10, [act, attempts] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen<T>(act, attempts - 1);
            return;
        }
        act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

struct Window {
    explicit Window(const QTemporaryDir& dir, const std::string& name = "", bool answer = true)
        : prompter(answer), d(prompter, Folder(dir), name) {
        d.show();
        (void)QTest::qWaitForWindowExposed(&d);
    }
    RecordingPrompter prompter;
    FrameAnimationDialog d;
};

}  // namespace

class FrameAnimationDialogTest : public QObject {
    Q_OBJECT

private slots:
    void rectangleToolsDoubleClickAndUndo() {
        QTemporaryDir dir;
        Window w(dir);
        FrameAnimationDialog& d = w.d;
        QVERIFY(d.windowTitle().startsWith(QStringLiteral("帧编辑器")));
        QVERIFY(!d.Action("上坡")->isEnabled());  // no rectangle yet

        Click(d, 0, 0);
        Click(d, 0, 3, Qt::ShiftModifier);
        QVERIFY(CellSelected(d.editor().Cell(0, 3)));
        Trigger(d.Action("上坡"));
        QCOMPARE(Row(d, 0, 0, 3), (std::vector<std::int32_t>{32, 64, 96, 128}));
        Trigger(d.Action("山峰"));
        QCOMPARE(Row(d, 0, 0, 3), (std::vector<std::int32_t>{64, 128, 128, 64}));
        QVERIFY(d.windowTitle().endsWith('*'));

        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Row(d, 0, 0, 3), (std::vector<std::int32_t>{32, 64, 96, 128}));
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Row(d, 0, 0, 3), (std::vector<std::int32_t>(4, 0)));
        QVERIFY(!d.editor().IsModified());
        QTest::keyClick(&d, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Row(d, 0, 0, 3), (std::vector<std::int32_t>{32, 64, 96, 128}));

        // Ctrl adds a cell and keeps the others; a plain click starts over.
        Click(d, 2, 2, Qt::ControlModifier);
        QVERIFY(CellSelected(d.editor().Cell(0, 1)));
        QVERIFY(CellSelected(d.editor().Cell(2, 2)));
        Trigger(d.Action("增大"));
        QCOMPARE(d.editor().Cell(2, 2).m_nLevel, 5);
        QCOMPARE(d.editor().Cell(0, 3).m_nLevel, 128);
        Click(d, 4, 4);
        QVERIFY(!CellSelected(d.editor().Cell(2, 2)));

        QTest::mouseDClick(&d.grid(), Qt::LeftButton, {}, Centre(4, 4));
        QCOMPARE(d.editor().Cell(4, 4).m_nLevel, 128);
        QTest::mouseDClick(&d.grid(), Qt::LeftButton, {}, Centre(4, 4));
        QCOMPARE(d.editor().Cell(4, 4).m_nLevel, 0);

        // Ring selection round one corner, then a turn moves the filled cell.
        QTest::mouseDClick(&d.grid(), Qt::LeftButton, {}, Centre(1, 0));
        Click(d, 0, 0);
        Trigger(d.Action("环形选择"));
        QCOMPARE(d.editor().ring().size(), std::size_t{16});
        Trigger(d.Action("旋转(顺)"));
        QCOMPARE(d.editor().Cell(0, 0).m_nLevel, 128);  // from below: clockwise on the left edge
        QCOMPARE(d.editor().Cell(1, 0).m_nLevel, 0);
    }

    void levelDragIsOneStepAndRightClickWritesTheSelection() {
        QTemporaryDir dir;
        Window w(dir);
        FrameAnimationDialog& d = w.d;
        const QRect box = FrameGrid::CellRect(1, 1);
        const QPoint grab(box.center().x(), box.top() + 5);
        QTest::mousePress(&d.grid(), Qt::LeftButton, {}, grab);
        Move(&d.grid(), grab + QPoint(0, 2));  // a tremble sets nothing
        QCOMPARE(d.editor().Cell(1, 1).m_nLevel, 0);
        Move(&d.grid(), grab + QPoint(0, 13));  // half the box down: half the level
        QCOMPARE(d.editor().Cell(1, 1).m_nLevel, 64);
        Move(&d.grid(), grab + QPoint(0, 20));
        QCOMPARE(d.editor().Cell(1, 1).m_nLevel, 30);
        QTest::mouseRelease(&d.grid(), Qt::LeftButton, {}, grab + QPoint(0, 20));
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().Cell(1, 1).m_nLevel, 0);
        QVERIFY(!d.editor().CanUndo());

        Click(d, 0, 0);
        Click(d, 0, 1, Qt::ShiftModifier);
        QString offered;
        WhenOpen<WriteValueDialog>([&](WriteValueDialog& ask) {
            offered = ask.text();
            ask.field().setText(QStringLiteral("77"));
            ask.accept();
        });
        QTest::mouseClick(&d.grid(), Qt::RightButton, {}, Centre(3, 2));
        QCOMPARE(offered, QStringLiteral("0"));
        QCOMPARE(d.editor().Cell(3, 2).m_nLevel, 77);
        QCOMPARE(Row(d, 0, 0, 2), (std::vector<std::int32_t>{77, 77, 0}));
        // Text that is no number changes nothing.
        WhenOpen<WriteValueDialog>([](WriteValueDialog& ask) {
            ask.field().setText(QStringLiteral("abc"));
            ask.accept();
        });
        QTest::mouseClick(&d.grid(), Qt::RightButton, {}, Centre(3, 2));
        QCOMPARE(d.editor().Cell(3, 2).m_nLevel, 77);
    }

    void pageNavigationDurationAndSettings() {
        QTemporaryDir dir;
        Window w(dir);
        FrameAnimationDialog& d = w.d;
        QCOMPARE(d.pageLabel().text(), QStringLiteral("1/10"));
        QVERIFY(!d.NavigationButton("<")->isEnabled());
        Press(d.NavigationButton(">"));
        QCOMPARE(d.pageLabel().text(), QStringLiteral("2/10"));
        QCOMPARE(d.durationBox().currentText(), QStringLiteral("0"));

        QLineEdit* field = d.durationBox().lineEdit();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, "750");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(d.editor().Page(1).m_nDuration, 750);
        QCOMPARE(d.editor().Page(0).m_nDuration, 0);

        Press(d.NavigationButton("末页"));
        QCOMPARE(d.pageLabel().text(), QStringLiteral("10/10"));
        QCOMPARE(d.durationBox().currentText(), QStringLiteral("0"));
        QVERIFY(!d.NavigationButton(">")->isEnabled());
        Press(d.NavigationButton("首页"));
        Press(d.NavigationButton(">"));
        QCOMPARE(d.durationBox().currentText(), QStringLiteral("750"));
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().Page(1).m_nDuration, 0);
        QCOMPARE(d.durationBox().currentText(), QStringLiteral("0"));

        Press(d.NavigationButton("末页"));
        bool refused = false;
        WhenOpen<FrameSettingsDialog>([&](FrameSettingsDialog& s) {
            QCOMPARE(s.list().Item(0).name, QStringLiteral("主要"));
            QCOMPARE(s.list().Item(7).name, QStringLiteral("递增递减值"));
            refused = !s.list().EnterText(2, QStringLiteral("101")) && !s.list().EnterText(1, QStringLiteral("69"));
            QVERIFY(s.list().EnterText(2, QStringLiteral("3")));
            QVERIFY(s.list().EnterText(3, QStringLiteral("8")));
            s.accept();
        });
        Trigger(d.Action("配置"));
        QVERIFY(refused);
        QCOMPARE(d.editor().settings().m_nPageCount, 3);
        QCOMPARE(d.editor().settings().m_nCols, 8);
        QCOMPARE(d.pageLabel().text(), QStringLiteral("1/3"));  // page 10 is gone: back to the first
        QCOMPARE(d.grid().width(), 2 * 20 + 30 * 8);
        QCOMPARE(d.strip().view().PageCount(), 3);
        // The offscreen platform leaves no window active once the modal one has gone.
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().settings().m_nPageCount, 10);
        QCOMPARE(d.grid().width(), 2 * 20 + 30 * 5);
    }

    void pageStripSelectionLoopCopyPasteInsertDelete() {
        QTemporaryDir dir;
        Window w(dir);
        FrameAnimationDialog& d = w.d;
        for (int p = 0; p < 4; ++p) {
            d.editor().SetPage(p);
            d.editor().SetDuration(100 * (p + 1));
        }
        QVERIFY(!d.StripAction("循环")->isEnabled());
        ClickPage(d, 1);
        ClickPage(d, 3, Qt::ShiftModifier);
        QCOMPARE(d.editor().page(), 3);  // the grid shows the clicked page
        QCOMPARE(d.pageLabel().text(), QStringLiteral("4/10"));
        for (int p = 0; p < 5; ++p) QCOMPARE(d.editor().Page(p).m_reserved0 == 1, p >= 1 && p <= 3);

        Trigger(d.StripAction("循环"));
        QCOMPARE(d.editor().Page(1).m_bLoopStart, std::uint8_t{1});
        QCOMPARE(d.editor().Page(3).m_bLoopEnd, std::uint8_t{1});
        Trigger(d.StripAction("复制"));
        QCOMPARE(d.editor().PageClipboardSize(), std::size_t{3});
        ClickPage(d, 5);
        Trigger(d.StripAction("正粘贴"));
        QCOMPARE(d.editor().Page(5).m_nDuration, 200);
        QCOMPARE(d.editor().Page(7).m_nDuration, 400);
        ClickPage(d, 8);
        Trigger(d.StripAction("反粘贴"));  // cut at the last page
        QCOMPARE(d.editor().Page(8).m_nDuration, 400);
        QCOMPARE(d.editor().Page(9).m_nDuration, 300);

        ClickPage(d, 0);
        Trigger(d.StripAction("插入"));
        QCOMPARE(d.editor().settings().m_nPageCount, 11);
        QCOMPARE(d.strip().view().PageCount(), 11);
        QCOMPARE(d.editor().Page(0).m_nDuration, 0);
        QCOMPARE(d.editor().Page(1).m_nDuration, 100);
        QCOMPARE(d.pageLabel().text().section('/', 1), QStringLiteral("11"));
        ClickPage(d, 1);
        ClickPage(d, 2, Qt::ShiftModifier);
        Trigger(d.StripAction("删除"));
        QCOMPARE(d.editor().settings().m_nPageCount, 9);
        QCOMPARE(d.editor().Page(1).m_nDuration, 300);
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().settings().m_nPageCount, 10);
        QCOMPARE(d.editor().Page(0).m_nDuration, 100);
    }

    void savingOpeningAndBadFiles() {
        QTemporaryDir dir;
        std::vector<std::filesystem::path> saved;
        {
            Window w(dir);
            FrameAnimationDialog& d = w.d;
            d.onSaved = [&](const std::filesystem::path& file) { saved.push_back(file); };
            Click(d, 1, 0);
            Click(d, 1, 3, Qt::ShiftModifier);
            Trigger(d.Action("下坡"));
            Press(d.NavigationButton(">"));
            QTest::mouseDClick(&d.grid(), Qt::LeftButton, {}, Centre(4, 4));
            d.askPath = [&](bool forSaving) { return forSaving ? dir.filePath("anim") : QString(); };
            Trigger(d.Action("保存"));
            QCOMPARE(saved, std::vector<std::filesystem::path>{std::filesystem::path(dir.path().toStdString()) / "anim.frm"});
            QCOMPARE(d.fileName(), std::string("anim.frm"));
            QVERIFY(!d.windowTitle().endsWith('*'));
            QVERIFY(w.prompter.messages.empty());
            const auto size = std::filesystem::file_size(Folder(dir) / "anim.frm");
            QCOMPARE(size, std::uintmax_t{20 + 40020 * 10 + 212});
        }
        {
            Window w(dir, "anim.frm");
            FrameAnimationDialog& d = w.d;
            QVERIFY(d.windowTitle().contains(QStringLiteral("anim.frm")));
            QCOMPARE(Row(d, 1, 0, 3), (std::vector<std::int32_t>{128, 96, 64, 32}));
            QCOMPARE(d.editor().Page(1).m_nodes[4 * 50 + 4].m_nLevel, 128);

            // A damaged file is refused and the animation stays as it was.
            std::string bytes;
            {
                std::ifstream in(Folder(dir) / "anim.frm", std::ios::binary);
                std::stringstream s;
                s << in.rdbuf();
                bytes = s.str();
            }
            std::ofstream(Folder(dir) / "cut.frm", std::ios::binary) << bytes.substr(0, 30000);
            d.askPath = [&](bool) { return dir.filePath("cut.frm"); };
            QVERIFY(!d.Open());
            QCOMPARE(w.prompter.messages.size(), std::size_t{1});
            QVERIFY(QString::fromStdString(w.prompter.messages[0]).startsWith(QStringLiteral("打开文件失败！")));
            QCOMPARE(d.editor().Cell(1, 0).m_nLevel, 128);
            QCOMPARE(d.fileName(), std::string("anim.frm"));
        }
        Window opened(dir, "cut.frm");
        QCOMPARE(opened.prompter.messages.size(), std::size_t{1});
        QCOMPARE(opened.d.editor().settings().m_nPageCount, 10);

        // A folder that cannot be written: told, nothing claimed saved.
        opened.d.askPath = [&](bool) { return dir.filePath("missing/deeper/x.frm"); };
        QVERIFY(!opened.d.Save());
        QVERIFY(QString::fromStdString(opened.prompter.messages.back()).startsWith(QStringLiteral("保存文件失败！")));
    }

    void closingWithUnsavedChangesAsks() {
        QTemporaryDir dir;
        Window w(dir, "", true);  // "save?" Yes, then the save is cancelled
        FrameAnimationDialog& d = w.d;
        d.askPath = [](bool) { return QString(); };
        d.close();
        QVERIFY(!d.isVisible());  // nothing changed: no question
        QVERIFY(w.prompter.questions.empty());
        d.show();
        QTest::mouseDClick(&d.grid(), Qt::LeftButton, {}, Centre(0, 0));
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(w.prompter.questions, std::vector<std::string>{"帧动画已修改，是否保存？"});
        QVERIFY(d.isVisible());
        w.prompter.SetAnswer(false);
        d.close();
        QVERIFY(!d.isVisible());
        QVERIFY(std::filesystem::is_empty(Folder(dir)));
    }

    void cellsAndPagesAreAccessible() {
        QTemporaryDir dir;
        Window w(dir);
        FrameAnimationDialog& d = w.d;
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(&d.grid());
        QVERIFY(grid != nullptr);
        QCOMPARE(grid->childCount(), 25);
        QAccessibleInterface* cell = grid->child(7);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("行2 列3 电平0"));
        Click(d, 0, 0);  // another cell selected: setting a value leaves it alone
        QAccessibleValueInterface* value = cell->valueInterface();
        QVERIFY(value != nullptr);
        QCOMPARE(value->maximumValue().toInt(), 128);
        value->setCurrentValue(90);
        QCOMPARE(d.editor().Cell(1, 2).m_nLevel, 90);
        QCOMPARE(d.editor().Cell(0, 0).m_nLevel, 0);
        QCOMPARE(grid->child(7)->text(QAccessible::Name), QStringLiteral("行2 列3 电平90"));
        cell->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(grid->child(7)->state().selected);
        QVERIFY(!grid->child(0)->state().selected);
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().Cell(1, 2).m_nLevel, 0);

        d.editor().SetPage(2);
        d.editor().SetDuration(500);
        d.editor().SetPage(0);
        QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(&d.strip().view());
        QVERIFY(strip != nullptr);
        QCOMPARE(strip->childCount(), 10);
        QAccessibleInterface* third = strip->child(2);
        QCOMPARE(third->text(QAccessible::Name), QStringLiteral("第3页 500ms"));
        third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(d.editor().page(), 2);
        QVERIFY(strip->child(2)->state().selected);
        QCOMPARE(d.pageLabel().text(), QStringLiteral("3/10"));
    }
};

VELMORA_UI_TEST_MAIN(FrameAnimationDialogTest)
#include "FrameAnimationDialogTest.moc"
