// The 512 moving-head configurator: its rows, the hex text rewritten by
// typing and spinning the parameters, a hand edit of the output row, and
// copying the text.

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/Prompter.h"
#include "manual/ui/MovingHeadPane.h"
#include "runtime/Runtime.h"
#include "ui/DesktopContext.h"
#include "ui/PropList.h"
#include "ui/UiWorkspace.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

const QString kZeros32(32, QChar('0'));

struct PaneWorld {
    UiWorkspace ws;
    RecordingPrompter prompter;
    Runtime runtime{Workspace(ws.path())};
    DesktopContext context{runtime, prompter};
    MovingHeadPane pane{context, QStringLiteral("512摇头灯配置器")};
    PaneWorld() {
        pane.resize(500, 320);
        pane.show();
    }
    PropList& list() { return pane.list(); }
};

}  // namespace

class MovingHeadPaneTest : public QObject {
    Q_OBJECT

private slots:
    void rowsAreThePartsOfTheRecord() {
        PaneWorld world;
        QVERIFY(QTest::qWaitForWindowExposed(&world.pane));
        PropList& list = world.list();
        QStringList names;
        for (int i = 0; i < list.ItemCount(); ++i) names << list.Item(i).name;
        QCOMPARE(names, QStringList({"参数", "X轴", "Y轴", "XY轴速度", "开光", "颜色", "半色", "复位", "输出",
                                     "16进制"}));
        for (int row = MovingHeadPane::kRowFirstParam; row <= MovingHeadPane::kRowLastParam; ++row) {
            QCOMPARE(list.Item(row).kind, kPropSpin);
            QCOMPARE(list.Item(row).minimum, 0);
            QCOMPARE(list.Item(row).maximum, 255);
            QCOMPARE(list.GetItemValue(row), QString("0"));
        }
        QCOMPARE(list.Item(0).kind, kPropCategory);
        QCOMPARE(list.Item(8).kind, kPropCategory);
        QCOMPARE(list.Item(MovingHeadPane::kRowHex).kind, kPropEdit);
        QCOMPARE(world.pane.hexText(), "0x" + kZeros32);
    }

    void typingAndSpinningRewriteTheHexText() {
        PaneWorld world;
        QVERIFY(QTest::qWaitForWindowExposed(&world.pane));
        PropList& list = world.list();
        Type(list, 1, "16");
        Type(list, 2, "255");
        QCOMPARE(world.pane.hexText(), "0x10FF" + QString(28, QChar('0')));

        Type(list, 2, "256");  // beyond the bounds: refused, nothing changes
        QCOMPARE(list.GetItemValue(2), QString("255"));
        QCOMPARE(world.pane.hexText(), "0x10FF" + QString(28, QChar('0')));

        Type(list, 1, "0");
        Type(list, 2, "0");
        // "复位" one spin step up: the last byte.
        ClickValue(list, 7);
        QVERIFY(list.OpenedEditor() && list.OpenedEditor()->StepUpButton());
        QTest::mouseClick(list.OpenedEditor()->StepUpButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(7), QString("1"));
        QCOMPARE(world.pane.hexText(), "0x" + QString(30, QChar('0')) + "01");

        Type(list, 3, "164");  // XY轴速度, byte 4
        Type(list, 6, "217");  // 半色, byte 9
        QCOMPARE(world.pane.hexText(), "0x00000000A4000000" "00D9000000000001");
    }

    void aHandEditOfTheOutputStaysUntilTheNextParameterChange() {
        PaneWorld world;
        QVERIFY(QTest::qWaitForWindowExposed(&world.pane));
        PropList& list = world.list();
        Type(list, 1, "1");
        Type(list, MovingHeadPane::kRowHex, "0xABCD");
        QCOMPARE(world.pane.hexText(), QString("0xABCD"));
        for (int row = 2; row <= MovingHeadPane::kRowLastParam; ++row) QCOMPARE(list.GetItemValue(row), QString("0"));
        QCOMPARE(list.GetItemValue(1), QString("1"));

        Type(list, 5, "2");  // 颜色, byte 8
        QCOMPARE(world.pane.hexText(), "0x0100000000000000" "0200000000000000");
    }

    void copyPutsTheTextOnTheClipboard() {
        PaneWorld world;
        QVERIFY(QTest::qWaitForWindowExposed(&world.pane));
        Type(world.list(), 4, "183");  // 开光, byte 7
        QApplication::clipboard()->setText(QStringLiteral("before"));
        QCOMPARE(world.pane.copyButton().text(), QString("复制"));
        QTest::mouseClick(&world.pane.copyButton(), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), "0x00000000000000B7" "0000000000000000");

        // The list's context menu offers the same.
        QApplication::clipboard()->setText(QStringLiteral("before"));
        QVERIFY(world.list().actions().contains(world.pane.copyAction()));
        world.pane.copyAction()->trigger();
        QCOMPARE(QApplication::clipboard()->text(), world.pane.hexText());
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(&world.pane.copyButton());
        QCOMPARE(button->text(QAccessible::Name), QString("复制"));
    }
};

VELMORA_UI_TEST_MAIN(MovingHeadPaneTest)
#include "MovingHeadPaneTest.moc"
