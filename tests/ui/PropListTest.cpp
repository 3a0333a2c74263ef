// The property list: in-place editors of every kind, the acceptance rules,
// read-only lists, the notifications, painting and the accessible rows.

#include <functional>
#include <memory>

#include <QAccessible>
#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/PropEditor.h"
#include "ui/PropList.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

// A dialog with one row of every kind, as the program's property sheets use them.
class DemoDialog : public QDialog {
public:
    enum Row { Heading, Name, Count, Shape, Type, Axis, Picker, Version, File, Colour, Together, Rows };

    DemoDialog() {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(list);
        list->SetColumnWidths(100, 160);
        list->AddItem(PropItem::Category("主要"));
        list->AddItem(PropItem::Text("名称", "abc", 6));
        list->AddItem(PropItem::Number("数量", 30, 10, 50));
        list->AddItem(PropItem::List("排练方式", "矩阵", {"矩阵", "圆形"}));
        list->AddItem(PropItem::Combo("数据类型", "--", {"--", "寄存器", "电机"}));
        list->AddItem(PropItem::Spin("X轴", 253, 0, 255));
        list->AddItem(PropItem::Popup("电机动作", "first", [this](QWidget*, const QString& current) {
            seen = current;
            return nextResult;
        }));
        list->AddItem(PropItem::Info("版本", "1.0"));
        list->AddItem(PropItem::FileName("CSV文件", "", QDir::tempPath(), "CSV Files (*.csv)"));
        list->AddItem(PropItem::Colour("颜色", 0x000000ff));
        list->AddItem(PropItem::Check("灯水联动", true));
        resize(320, 360);
    }

    PropList* list = new PropList(this);
    QString nextResult;
    QString seen;
};

// Does `act` to the next modal dialog of type T as soon as it shows (bounded wait).
template <class T>
void OnNextModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            act(dialog);
        } else if (++*tries > 300) {
            timer->deleteLater();
        }
    });
    timer->start(10);
}

bool HasPixel(const QImage& image, const QRect& area, const QColor& colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour) return true;
    return false;
}

}  // namespace

class PropListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DemoDialog> dialog_;

private slots:
    void init() {
        if (qstrcmp(QTest::currentTestFunction(), "showDemoWhenAsked") == 0) return;
        dialog_ = std::make_unique<DemoDialog>();
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    }
    void cleanup() { dialog_.reset(); }

    void numericRowRefusesTextOutsideItsBoundsAndTakesTheBound() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        QSignalSpy changed(&list, &PropList::valueChanged);

        for (const QString& bad : QStringList{"9", "51", "1e2", "", "-", "1-2", "3O"}) {
            Type(list, DemoDialog::Count, bad);
            QCOMPARE(list.GetItemValue(DemoDialog::Count), QString("30"));
        }
        QCOMPARE(changed.count(), 0);
        QVERIFY(!list.OpenedEditor());
        QVERIFY(dialog.isVisible());  // Enter committed; it did not close the dialog

        Type(list, DemoDialog::Count, "50");
        QCOMPARE(list.GetItemValue(DemoDialog::Count), QString("50"));
        Type(list, DemoDialog::Count, "10.5");
        QCOMPARE(list.GetItemValue(DemoDialog::Count), QString("10.5"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toInt(), int(DemoDialog::Count));
    }

    void leavingTheEditorCommitsAndEscapeDropsTheTyping() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        QSignalSpy changed(&list, &PropList::valueChanged);

        Type(list, DemoDialog::Name, "xyz", true);
        ClickName(list, DemoDialog::Version);  // the focus leaves the editor
        QVERIFY(!list.OpenedEditor());
        QCOMPARE(list.GetItemValue(DemoDialog::Name), QString("xyz"));
        QCOMPARE(list.CurrentRow(), int(DemoDialog::Version));

        Type(list, DemoDialog::Name, "other", true);
        QTest::keyClick(list.OpenedEditor()->Field(), Qt::Key_Escape);
        QVERIFY(!list.OpenedEditor());
        QVERIFY(dialog.isVisible());
        QCOMPARE(list.GetItemValue(DemoDialog::Name), QString("xyz"));

        // Shorter than the limit of 6 is taken, 6 characters are not; the
        // same text again is no change.
        Type(list, DemoDialog::Name, "四个汉字写");
        QCOMPARE(list.GetItemValue(DemoDialog::Name), QString("四个汉字写"));
        Type(list, DemoDialog::Name, "abcdef");
        Type(list, DemoDialog::Name, "四个汉字写");
        QCOMPARE(list.GetItemValue(DemoDialog::Name), QString("四个汉字写"));
        QCOMPARE(changed.count(), 2);
    }

    void editorsLieOverTheValueCellLeavingRoomForTheirButtons() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        const struct {
            int row;
            int reserved;
        } cases[] = {{DemoDialog::Name, 0},  {DemoDialog::Shape, 0}, {DemoDialog::Type, 0},
                     {DemoDialog::Axis, 20}, {DemoDialog::Picker, 30}, {DemoDialog::File, 20}};
        for (const auto& c : cases) {
            ClickValue(list, c.row);
            PropEditor* editor = list.OpenedEditor();
            QVERIFY(editor);
            QCOMPARE(list.EditedRow(), c.row);
            QCOMPARE(editor->geometry(), list.ValueRect(c.row));
            QCOMPARE(editor->Field()->width(), list.ValueRect(c.row).width() - c.reserved);
            QCOMPARE(editor->Field()->accessibleName(), list.Item(c.row).name);
            QCOMPARE(editor->Text(), list.GetItemValue(c.row));
            QTRY_VERIFY(editor->Field()->hasFocus());
        }
    }

    void headingsInformationRowsAndReadOnlyListsOpenNoEditor() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        for (int row : {int(DemoDialog::Heading), int(DemoDialog::Version)}) {
            ClickValue(list, row);
            QVERIFY(!list.OpenedEditor());
            QCOMPARE(list.CurrentRow(), row);
            QTest::keyClick(&list, Qt::Key_F2);
            QVERIFY(!list.OpenedEditor());
            QVERIFY(!list.EnterText(row, "2.0"));
        }
        QCOMPARE(list.GetItemValue(DemoDialog::Version), QString("1.0"));

        list.SetReadOnly(true);
        for (int row = 0; row < DemoDialog::Rows; ++row) {
            ClickValue(list, row);
            QVERIFY(!list.OpenedEditor());
        }
        QVERIFY(!list.EnterText(DemoDialog::Name, "x"));
        list.SetReadOnly(false);
        ClickValue(list, DemoDialog::Name);
        QVERIFY(list.OpenedEditor());
    }

    void spinStepsByItsDeltaOnlyWithinTheBounds() {
        DemoDialog& dialog = *dialog_;
        dialog.list->AddItem(PropItem::Spin("步进", 1, 0, 4, 2));
        PropList& list = *dialog.list;
        QSignalSpy changed(&list, &PropList::valueChanged);

        ClickValue(list, DemoDialog::Axis);
        PropEditor* editor = list.OpenedEditor();
        QTest::mouseClick(editor->StepUpButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(DemoDialog::Axis), QString("254"));
        QTest::mouseClick(editor->StepUpButton(), Qt::LeftButton);
        QTest::mouseClick(editor->StepUpButton(), Qt::LeftButton);  // 256 is beyond the bound
        QCOMPARE(list.GetItemValue(DemoDialog::Axis), QString("255"));
        QCOMPARE(editor->Text(), QString("255"));
        QVERIFY(list.OpenedEditor());  // the buttons do not take the focus away
        QTest::keyClick(editor->Field(), Qt::Key_Down);
        QCOMPARE(list.GetItemValue(DemoDialog::Axis), QString("254"));
        QCOMPARE(changed.count(), 3);

        const int stepRow = DemoDialog::Rows;
        ClickValue(list, stepRow);
        editor = list.OpenedEditor();
        QTest::mouseClick(editor->StepUpButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(stepRow), QString("3"));
        QTest::mouseClick(editor->StepUpButton(), Qt::LeftButton);  // 5 > 4
        QCOMPARE(list.GetItemValue(stepRow), QString("3"));
        QTest::mouseClick(editor->StepDownButton(), Qt::LeftButton);
        QTest::mouseClick(editor->StepDownButton(), Qt::LeftButton);  // -1 < 0
        QCOMPARE(list.GetItemValue(stepRow), QString("1"));

        // Typed text follows the numeric rules.
        Type(list, DemoDialog::Axis, "256");
        QCOMPARE(list.GetItemValue(DemoDialog::Axis), QString("254"));
        Type(list, DemoDialog::Axis, "0");
        QCOMPARE(list.GetItemValue(DemoDialog::Axis), QString("0"));
    }

    void dropDownsTakeTheirEntriesAndTheComboAlsoFreeText() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        QSignalSpy changed(&list, &PropList::valueChanged);

        // An entry taken from the open drop-down is committed at once.
        ClickValue(list, DemoDialog::Shape);
        auto* combo = qobject_cast<QComboBox*>(list.OpenedEditor()->Field());
        QVERIFY(combo && !combo->isEditable());
        combo->showPopup();
        QTRY_VERIFY(combo->view()->isVisible());
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QTRY_COMPARE(list.GetItemValue(DemoDialog::Shape), QString("圆形"));
        QTRY_VERIFY(!list.OpenedEditor());
        QCOMPARE(changed.count(), 1);
        // The offscreen platform does not give the window back its activation
        // when a pop-up closes; a desktop does.
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));

        Type(list, DemoDialog::Type, "摇头灯");
        QCOMPARE(list.GetItemValue(DemoDialog::Type), QString("摇头灯"));
        QVERIFY(!list.EnterText(DemoDialog::Shape, "三角"));
        QCOMPARE(list.GetItemValue(DemoDialog::Shape), QString("圆形"));

        QCOMPARE(list.Item(DemoDialog::Together).kind, kPropList);
        QVERIFY(PropCheckValue(list.GetItemValue(DemoDialog::Together)));
        ClickValue(list, DemoDialog::Together);
        QTest::keyClick(list.OpenedEditor()->Field(), Qt::Key_Down);
        QTest::keyClick(list.OpenedEditor()->Field(), Qt::Key_Return);
        QVERIFY(!PropCheckValue(list.GetItemValue(DemoDialog::Together)));
        QCOMPARE(changed.count(), 3);
    }

    void popUpEditorResultsAreCutAndAnEmptyOneChangesNothing() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        QSignalSpy changed(&list, &PropList::valueChanged);

        ClickValue(list, DemoDialog::Picker);
        auto* field = qobject_cast<QLineEdit*>(list.OpenedEditor()->Field());
        QVERIFY(field && field->isReadOnly());
        QVERIFY(!list.EnterText(DemoDialog::Picker, "typed"));

        dialog.nextResult.clear();
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);
        QCOMPARE(dialog.seen, QString("first"));
        QCOMPARE(list.GetItemValue(DemoDialog::Picker), QString("first"));

        dialog.nextResult = QString(300, u'长');
        ClickValue(list, DemoDialog::Picker);
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(DemoDialog::Picker), QString(kPropValueMax, u'长'));
        ClickValue(list, DemoDialog::Picker);
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);  // the same again
        QCOMPARE(changed.count(), 1);
    }

    void colourRowRoundTripsThroughTheColourDialog() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        std::uint32_t colorref = 0;
        QVERIFY(PropColourValue(list.GetItemValue(DemoDialog::Colour), &colorref));
        QCOMPARE(colorref, std::uint32_t{0x000000ff});  // red stays red through the text

        QColor offered;
        OnNextModal<QColorDialog>([&offered](QColorDialog* d) {
            offered = d->currentColor();
            d->setCurrentColor(QColor(0x10, 0x20, 0x30));
            d->accept();
        });
        ClickValue(list, DemoDialog::Colour);
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);
        QCOMPARE(offered, QColor(255, 0, 0));
        QVERIFY(PropColourValue(list.GetItemValue(DemoDialog::Colour), &colorref));
        QCOMPARE(colorref, std::uint32_t{0x00302010});
        QVERIFY(!PropColourValue("red", &colorref));
        QCOMPARE(colorref, std::uint32_t{0x00302010});

        // The swatch shows the colour in the value cell.
        const QImage image = list.grab().toImage();
        QVERIFY(HasPixel(image, list.ValueRect(DemoDialog::Colour), QColor(0x10, 0x20, 0x30)));
    }

    void fileNameRowTakesTheChosenFileAndTypedText() {
        QTemporaryDir dir;
        const QString path = dir.filePath("lights.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;

        Type(list, DemoDialog::File, "typed.csv");
        QCOMPARE(list.GetItemValue(DemoDialog::File), QString("typed.csv"));
        OnNextModal<QFileDialog>([&path](QFileDialog* d) {
            d->selectFile(path);
            static_cast<QDialog*>(d)->accept();
        });
        ClickValue(list, DemoDialog::File);
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(DemoDialog::File), path);

        OnNextModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
        ClickValue(list, DemoDialog::File);
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(DemoDialog::File), path);
    }

    void selectionChangesAreSignalledOnceAndKeysMoveAndOpen() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        QSignalSpy selected(&list, &PropList::selectionChanged);
        ClickName(list, DemoDialog::Name);
        ClickName(list, DemoDialog::Name);
        QCOMPARE(selected.count(), 1);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.CurrentRow(), int(DemoDialog::Count));
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(list.CurrentRow(), int(DemoDialog::Together));
        QCOMPARE(selected.count(), 3);
        QCOMPARE(selected.last().at(0).toInt(), int(DemoDialog::Together));
        QTest::keyClick(&list, Qt::Key_Up);
        QTest::keyClick(&list, Qt::Key_Up);
        QTest::keyClick(&list, Qt::Key_Return);
        QVERIFY(list.OpenedEditor());
        QCOMPARE(list.EditedRow(), int(DemoDialog::File));
    }

    void anOwnerMayRebuildTheListOnAChange() {
        PropList& list = *dialog_->list;
        int rebuilds = 0;
        // Like a dialog that shows other rows for another action type.
        QObject::connect(&list, &PropList::valueChanged, &list, [&list, &rebuilds](int index) {
            if (index != DemoDialog::Shape) return;
            const QString shape = list.GetItemValue(index);
            list.Clear();
            list.AddItem(PropItem::Category("主要"));
            list.AddItem(PropItem::Text("名称", "abc"));
            list.AddItem(PropItem::Number("数量", 30, 10, 50));
            list.AddItem(PropItem::List("排练方式", shape, {"矩阵", "圆形"}));
            ++rebuilds;
        });
        ClickValue(list, DemoDialog::Shape);
        QTest::keyClick(list.OpenedEditor()->Field(), Qt::Key_Down);
        ClickValue(list, DemoDialog::Name);  // commits the shape, which rebuilds the list
        QCOMPARE(rebuilds, 1);
        QCOMPARE(list.ItemCount(), 4);
        QCOMPARE(list.GetItemValue(DemoDialog::Shape), QString("圆形"));
        QVERIFY(list.OpenedEditor());
        QCOMPARE(list.EditedRow(), int(DemoDialog::Name));
    }

    void longListsScrollToTheRowBeingEdited() {
        PropList list;
        for (int i = 0; i < 800; ++i) list.AddItem(PropItem::Number(QString("行%1").arg(i), i, 0, 1000));
        list.resize(260, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowActive(&list));
        ClickName(list, 0);
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(list.CurrentRow(), 799);
        const QRect last = list.RowRect(799);
        QVERIFY(last.top() >= list.RowHeight() && last.bottom() < list.height());
        Type(list, 799, "1000");
        QCOMPARE(list.GetItemValue(799), QString("1000"));
        QCOMPARE(list.GetItemValue(798), QString("798"));
    }

    void paintsValuesInTheirColours() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        QImage image = list.grab().toImage();
        QCOMPARE(image.pixelColor(list.RowRect(DemoDialog::Heading).topLeft() + QPoint(1, 1)), QColor(195, 195, 195));
        QVERIFY(HasPixel(image, list.ValueRect(DemoDialog::Name), QColor(0, 0, 255)));
        QVERIFY(HasPixel(image, list.ValueRect(DemoDialog::Version), QColor(150, 150, 150)));
        QVERIFY(!HasPixel(image, list.ValueRect(DemoDialog::Version), QColor(0, 0, 255)));

        list.SetReadOnly(true);
        image = list.grab().toImage();
        QVERIFY(!HasPixel(image, list.ValueRect(DemoDialog::Name), QColor(0, 0, 255)));
        QVERIFY(HasPixel(image, list.ValueRect(DemoDialog::Name), QColor(0, 0, 0)));

        ClickName(list, DemoDialog::Count);
        image = list.grab().toImage();
        QCOMPARE(image.pixelColor(list.NameRect(DemoDialog::Count).topLeft() + QPoint(1, 1)),
                 list.palette().color(QPalette::Highlight));
    }

    void rowsAreAccessibleChildrenThatCanBePressed() {
        DemoDialog& dialog = *dialog_;
        PropList& list = *dialog.list;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&list);
        QVERIFY(iface);
        QVERIFY(iface->childCount() >= DemoDialog::Rows);
        for (int row = 0; row < DemoDialog::Rows; ++row) {
            QAccessibleInterface* child = iface->child(row);
            QVERIFY(child);
            QCOMPARE(child->text(QAccessible::Name), list.Item(row).name);
            QCOMPARE(child->text(QAccessible::Value), list.GetItemValue(row));
            QCOMPARE(iface->indexOfChild(child), row);
            QCOMPARE(child->parent(), iface);
        }
        QAccessibleInterface* count = iface->child(DemoDialog::Count);
        QVERIFY(iface->child(DemoDialog::Version)->state().readOnly);
        QVERIFY(!count->state().readOnly);

        count->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(list.OpenedEditor());
        QCOMPARE(list.EditedRow(), int(DemoDialog::Count));
        QVERIFY(count->state().selected);
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(list.OpenedEditor()->Field());
        QCOMPARE(field->text(QAccessible::Name), QString("数量"));
        QVERIFY(iface->indexOfChild(QAccessible::queryAccessibleInterface(list.OpenedEditor())) >= DemoDialog::Rows);

        count->setText(QAccessible::Value, "99");  // outside 10..50
        QCOMPARE(count->text(QAccessible::Value), QString("30"));
        count->setText(QAccessible::Value, "12");
        QCOMPARE(list.GetItemValue(DemoDialog::Count), QString("12"));
    }

    // Set VELMORA_SHOW_DEMO to look at the demo dialog on a real display.
    void showDemoWhenAsked() {
        if (qEnvironmentVariableIsEmpty("VELMORA_SHOW_DEMO")) QSKIP("VELMORA_SHOW_DEMO not set");
        DemoDialog dialog;
        dialog.setWindowTitle("属性");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        QTest::mouseClick(dialog.list, Qt::LeftButton, Qt::NoModifier, dialog.list->NameRect(DemoDialog::Count).center());
        ClickValue(*dialog.list, DemoDialog::Axis);
        QTest::qWait(qEnvironmentVariableIntValue("VELMORA_SHOW_DEMO") * 1000);
    }
};

VELMORA_UI_TEST_MAIN(PropListTest)
#include "PropListTest.moc"
