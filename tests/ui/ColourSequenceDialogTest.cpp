// "颜色编辑器": toolbar edits with undo, clicks and double-clicks on swatches,
// saving and opening through the dialog's path seam, the question before
// closing with unsaved changes, and the swatches as accessible items.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "editors/ui/ColourSequenceDialog.h"
#include "editors/ui/IntervalDialog.h"
#include "ui/PropList.h"
#include "editors/ui/SwatchGrid.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

std::filesystem::path Folder(const QTemporaryDir& dir) { return std::filesystem::path(dir.path().toStdString()); }

void Trigger(ColourSequenceDialog& d, const char* text) {
    QAction* a = d.Action(QString::fromUtf8(text));
    QVERIFY(a != nullptr);
    a->trigger();
}

QPoint Centre(ColourSequenceDialog& d, int index) { return d.grid().SwatchRect(index).center(); }

}  // namespace

class ColourSequenceDialogTest : public QObject {
    Q_OBJECT

private slots:
    void opensTheNamedFileAndEditsWithUndo() {
        QTemporaryDir dir;
        Profile file;
        file.LoadFromBytes("[Main]\nNum=2\nColor1=255\nColor2=65280\n", Folder(dir) / "a.color");
        QVERIFY(file.SaveAs(Folder(dir) / "a.color"));
        RecordingPrompter prompter;
        ColourSequenceDialog d(prompter, Folder(dir), "a.color");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(d.windowTitle().startsWith(QStringLiteral("颜色编辑器")));
        QCOMPARE(d.editor().colours().size(), std::size_t{2});
        QCOMPARE(d.editor().colours()[0].colour, COLORREF{0xFF0000});  // file 0x0000FF is blue

        QVERIFY(!d.Action("前移")->isEnabled());
        QTest::mouseClick(&d.grid(), Qt::LeftButton, {}, Centre(d, 1));
        QCOMPARE(d.editor().current(), 1);
        QVERIFY(d.Action("前移")->isEnabled());
        Trigger(d, "前移");
        QCOMPARE(d.editor().colours()[0].colour, COLORREF{0x00FF00});
        QCOMPARE(d.editor().current(), 0);
        Trigger(d, "颜色");
        QCOMPARE(d.editor().colours().back().colour, COLORREF{0x0000FF});  // a red swatch
        QVERIFY(d.windowTitle().endsWith('*'));

        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().colours().size(), std::size_t{2});
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.editor().colours()[0].colour, COLORREF{0xFF0000});
        QVERIFY(!d.editor().IsModified());

        // A click beside every swatch leaves none current.
        QTest::mouseClick(&d.grid(), Qt::LeftButton, {}, QPoint(300, 200));
        QCOMPARE(d.editor().current(), -1);
        QVERIFY(!d.Action("删除")->isEnabled());
    }

    void doubleClickPicksAColourAndSavingWritesTheFile() {
        QTemporaryDir dir;
        RecordingPrompter prompter;
        ColourSequenceDialog d(prompter, Folder(dir), "");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        Trigger(d, "颜色");
        COLORREF offered = 0;
        d.askColour = [&](COLORREF current) -> std::optional<COLORREF> {
            offered = current;
            return COLORREF{0x123456};
        };
        QTest::mouseDClick(&d.grid(), Qt::LeftButton, {}, Centre(d, 0));
        QCOMPARE(offered, COLORREF{0x0000FF});
        QCOMPARE(d.editor().colours()[0].colour, COLORREF{0x123456});

        d.askPath = [&](bool forSaving) { return forSaving ? dir.filePath("seq") : QString(); };
        std::vector<std::filesystem::path> told;
        d.onSaved = [&](const std::filesystem::path& file) { told.push_back(file); };
        Trigger(d, "保存");
        QCOMPARE(d.fileName(), std::string("seq.color"));
        QCOMPARE(told, std::vector<std::filesystem::path>{Folder(dir) / "seq.color"});
        Profile saved;
        QVERIFY(saved.Load(Folder(dir) / "seq.color"));
        QCOMPARE(saved.GetInt("Main", "color1", 0), 0x563412);  // 0x00RRGGBB in the file
        QVERIFY(prompter.messages.empty());

        // Opening reads `type` with its own default.
        Profile other;
        other.LoadFromBytes("[Main]\nNum=1\ncolor1=1\n");
        QVERIFY(other.SaveAs(Folder(dir) / "o.color"));
        d.askPath = [&](bool) { return dir.filePath("o.color"); };
        Trigger(d, "打开");
        QCOMPARE(d.editor().type(), 500);
        QCOMPARE(d.fileName(), std::string("o.color"));
    }

    // 灯光 edits the sequence's interval (the file's type value) in its own
    // sheet, one undo step; Cancel keeps it.
    // The block names the file in another case than the folder holds it.
    void theLightButtonEditsTheIntervalWithUndo() {
        QTemporaryDir dir;
        Profile file;
        file.LoadFromBytes("[Main]\nNum=1\nType=250\ncolor1=255\n");
        QVERIFY(file.SaveAs(Folder(dir) / "Warm.color"));
        RecordingPrompter prompter;
        ColourSequenceDialog d(prompter, Folder(dir), "warm.COLOR");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.editor().colours().size(), std::size_t{1});
        QCOMPARE(d.editor().type(), 250);

        QString typed = QStringLiteral("1500");
        int shown = -1;
        QTimer::singleShot(0, [&] {
            auto* sheet = qobject_cast<IntervalDialog*>(QApplication::activeModalWidget());
            if (sheet == nullptr) return;
            shown = sheet->list().GetItemValue(1).toInt();
            sheet->list().SetItemValue(1, typed);
            sheet->accept();
        });
        Trigger(d, "灯光");
        QCOMPARE(shown, 250);
        QCOMPARE(d.editor().type(), 1500);
        QVERIFY(d.windowTitle().endsWith('*'));
        Trigger(d, "撤销");
        QCOMPARE(d.editor().type(), 250);

        // Cancel keeps the value.
        QTimer::singleShot(0, [&] {
            if (auto* sheet = qobject_cast<IntervalDialog*>(QApplication::activeModalWidget())) sheet->reject();
        });
        Trigger(d, "灯光");
        QCOMPARE(d.editor().type(), 250);
        QVERIFY(!d.editor().IsModified());
    }

    void closingWithUnsavedChangesAsksAndCanKeepTheDialogOpen() {
        QTemporaryDir dir;
        RecordingPrompter prompter(true);  // "save?" Yes, then the save is cancelled
        ColourSequenceDialog d(prompter, Folder(dir), "");
        d.askPath = [](bool) { return QString(); };
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        Trigger(d, "颜色");
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(prompter.questions.size(), std::size_t{1});
        QVERIFY(d.isVisible());  // nothing saved, nothing lost
        prompter.SetAnswer(false);
        d.close();
        QVERIFY(!d.isVisible());
        QVERIFY(!std::filesystem::exists(Folder(dir) / ".color"));
    }

    void swatchesAreAccessibleItems() {
        QTemporaryDir dir;
        RecordingPrompter prompter;
        ColourSequenceDialog d(prompter, Folder(dir), "");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        Trigger(d, "颜色");
        Trigger(d, "颜色");
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&d.grid());
        QVERIFY(list != nullptr);
        QCOMPARE(list->childCount(), 2);
        QAccessibleInterface* second = list->child(1);
        QCOMPARE(second->text(QAccessible::Name), QStringLiteral("#FF0000"));
        second->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(d.editor().current(), 1);
        QVERIFY(second->state().selected);
        d.askColour = [](COLORREF) { return std::optional<COLORREF>(COLORREF{0xFF0000}); };
        second->actionInterface()->doAction(QStringLiteral("编辑"));
        QCOMPARE(list->child(1)->text(QAccessible::Name), QStringLiteral("#0000FF"));
    }
};

VELMORA_UI_TEST_MAIN(ColourSequenceDialogTest)
#include "ColourSequenceDialogTest.moc"
