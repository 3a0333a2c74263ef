// The program properties dialog: its rows when creating and when editing,
// the limits of each row, and the values read back.

#include <QPushButton>
#include <QTest>

#include "media/ProgramList.h"
#include "media/ui/ProgramPropDialog.h"
#include "ui/PropEditor.h"
#include "ui/PropList.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

using Dialog = ProgramPropDialog;

QPushButton* Button(Dialog& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

}  // namespace

class ProgramPropDialogTest : public QObject {
    Q_OBJECT

private slots:
    void creatingOffersNameAndCellLengthWithTheirLimits() {
        const ProgParams defaults;
        Dialog dialog(Dialog::Mode::Create, CProgramList::kDefaultName, defaults);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        QCOMPARE(dialog.windowTitle(), QString("程控文件属性"));
        QCOMPARE(list.ColumnWidth(0), 100);
        QVERIFY(list.ColumnWidth(1) >= 120);
        QCOMPARE(list.ItemCount(), 5);
        const QStringList labels{"主要", "名称", "单元格（MS）", "力度[0-100]", "数目"};
        for (int row = 0; row < list.ItemCount(); ++row) QCOMPARE(list.Item(row).name, labels[row]);
        QCOMPARE(list.Item(0).kind, kPropCategory);
        QCOMPARE(list.Item(Dialog::kRowName).kind, kPropEdit);
        for (int row : {Dialog::kRowUnitMS, Dialog::kRowPower, Dialog::kRowNum})
            QCOMPARE(list.Item(row).kind, kPropSpin);
        QCOMPARE(dialog.name(), QString("NewProgram"));
        QCOMPARE(dialog.params().unitMS, defaults.unitMS);
        QCOMPARE(dialog.params().num, defaults.num);
        QCOMPARE(dialog.params().power, defaults.power);

        // Each row keeps its value on a text outside its limits and takes the limit itself.
        const struct {
            int row;
            QString below, above, low, high;
        } limits[] = {{Dialog::kRowUnitMS, "49", "5001", "50", "5000"},
                      {Dialog::kRowPower, "-1", "101", "0", "100"},
                      {Dialog::kRowNum, "59", "301", "60", "300"}};
        for (const auto& l : limits) {
            const QString before = list.GetItemValue(l.row);
            Type(list, l.row, l.below);
            Type(list, l.row, l.above);
            QCOMPARE(list.GetItemValue(l.row), before);
            Type(list, l.row, l.low);
            QCOMPARE(list.GetItemValue(l.row), l.low);
            Type(list, l.row, l.high);
            QCOMPARE(list.GetItemValue(l.row), l.high);
        }
        QCOMPARE(dialog.params().unitMS, 5000);
        QCOMPARE(dialog.params().power, 100);
        QCOMPARE(dialog.params().num, 300);
    }

    void aNameTakesFortyCharactersThatAFileNameCanHold() {
        Dialog dialog(Dialog::Mode::Create, CProgramList::kDefaultName, ProgParams{});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        const QString forty = QString(20, u'程') + QString(20, u'a');
        Type(list, Dialog::kRowName, forty + "b");
        QCOMPARE(dialog.name(), QString("NewProgram"));
        for (const QString& bad : QStringList{"a/b", "a\\b", "what?", "x:y", "", "   ", "trail."}) {
            Type(list, Dialog::kRowName, bad);
            QCOMPARE(dialog.name(), QString("NewProgram"));
        }
        Type(list, Dialog::kRowName, forty);
        QCOMPARE(dialog.name(), forty);
        Type(list, Dialog::kRowName, "晚间 秀");
        QCOMPARE(dialog.name(), QString("晚间 秀"));
    }

    void editingShowsNameAndCellLengthAsInformationOnly() {
        ProgParams given;
        given.unitMS = 250;
        given.num = 120;
        given.power = 30;
        Dialog dialog(Dialog::Mode::Edit, "Morning.prog", given);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        QCOMPARE(list.ItemCount(), 5);
        QCOMPARE(list.Item(Dialog::kRowName).kind, kPropInfo);
        QCOMPARE(list.Item(Dialog::kRowUnitMS).kind, kPropInfo);
        QCOMPARE(list.GetItemValue(Dialog::kRowName), QString("Morning.prog"));
        QCOMPARE(list.GetItemValue(Dialog::kRowUnitMS), QString("250"));
        for (int row : {Dialog::kRowName, Dialog::kRowUnitMS}) {
            QTest::mouseClick(&list, Qt::LeftButton, Qt::NoModifier, list.ValueRect(row).center());
            QVERIFY(!list.OpenedEditor());
        }

        Type(list, Dialog::kRowPower, "101");
        Type(list, Dialog::kRowPower, "75");
        Type(list, Dialog::kRowNum, "59");
        // Typing left in the editor counts when OK is clicked.
        Type(list, Dialog::kRowNum, "200", true);
        QTest::mouseClick(Button(dialog, "确定"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.name(), QString("Morning.prog"));
        const ProgParams read = dialog.params();
        QCOMPARE(read.unitMS, 250);
        QCOMPARE(read.power, 75);
        QCOMPARE(read.num, 200);
    }
};

VELMORA_UI_TEST_MAIN(ProgramPropDialogTest)
#include "ProgramPropDialogTest.moc"
