// The scene's property dialogs on the demo workspace: the spring, group and
// system sheets and the batch add, driven through their property lists with
// real clicks and keys, and judged by what the scene, the show and their
// histories hold afterwards.

#include <functional>
#include <stdexcept>

#include <QAccessible>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTimer>

#include "app/Prompter.h"
#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "scene/ui/GroupPropDialog.h"
#include "scene/ui/SpringPropDialog.h"
#include "ui/DesktopContext.h"
#include "ui/PropEditor.h"
#include "ui/PropList.h"
#include "ui/UiWorkspace.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

// The demo's scene and show on a started runtime.
struct SceneWorld {
    SceneWorld() {
        if (!runtime.Startup()) throw std::runtime_error("the demo workspace did not start");
        if (runtime.scene.springs.size() < 2 || runtime.scene.groups.empty())
            throw std::runtime_error("the demo scene did not load");
    }
    SceneDocument& doc() { return runtime.sceneDocument(); }
    CSpring& spring(std::int32_t id) { return *runtime.scene.FindSpring(id); }

    UiWorkspace ws;
    RecordingPrompter prompter;
    Runtime runtime{Workspace(ws.path())};
    DesktopContext context{runtime, prompter};
};

QPushButton* Button(QWidget& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

void Press(QWidget& dialog, const QString& text) {
    QPushButton* button = Button(dialog, text);
    QVERIFY2(button, qPrintable(text));
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList Labels(PropList& list) {
    QStringList labels;
    for (int i = 0; i < list.ItemCount(); ++i) labels << list.Item(i).name;
    return labels;
}

// Runs `act` on the modal dialog of type D once it is open (from the
// caller's exec), looking for it a bounded number of times; a dialog `act`
// left open is cancelled so that a failed check cannot hang the test.
template <typename D>
void WhenOpen(const std::function<void(D&)>& act, int attempts = 200) {
    QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen<D>(act, attempts - 1);
            return;
        }
        const QPointer<D> open(dialog);
        act(*dialog);
        if (open && open->isVisible()) open->reject();
    });
}

}  // namespace

class ScenePropDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void springSheetShowsTheRecordRowByRow() {
        SceneWorld world;
        CSpring& spring = world.spring(9001);
        spring.BLOCKID2 = 0;
        spring.COMID3 = "abc";  // no register number
        SpringPropDialog dialog(world.context, spring);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        QCOMPARE(dialog.windowTitle(), QString("属性"));
        QCOMPARE(Labels(list), QStringList({"主要", "名称", "模拟量", "通道号", "通讯位置", "开关量", "通道号",
                                            "通讯位置", "初始角度", "Y轴电机", "通道号", "通讯位置", "Z轴电机",
                                            "通道号", "通讯位置", "电机标零", "Y轴", "Z轴", "灯光", "通道号",
                                            "通讯位置"}));
        for (int heading : {0, 2, 5, 9, 12, 15, 18}) QCOMPARE(list.Item(heading).kind, kPropCategory);
        QCOMPARE(list.Item(SpringPropDialog::kRowName).kind, kPropInfo);
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowName), QString("9001"));
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowChannel), QString("1"));
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowAddress1), QString("1;0"));
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowAngle), QString("15.000000"));
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowChannel2), QString("---"));
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowAddress3), QString("---"));
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowAddressL), QString("1;1"));

        // The name is shown only; a channel beyond the 100 channels is refused.
        ClickValue(list, SpringPropDialog::kRowName);
        QVERIFY(!list.OpenedEditor());
        Type(list, SpringPropDialog::kRowChannel, "101");
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowChannel), QString("1"));
        Type(list, SpringPropDialog::kRowChannel, "100");
        QCOMPARE(list.GetItemValue(SpringPropDialog::kRowChannel), QString("100"));
        QCOMPARE(dialog.sheet().BLOCKID, std::string("100"));
        // Nothing reaches the record before OK.
        QCOMPARE(spring.BLOCKID, 1);

        for (const char* text : {"确定", "取消"}) {
            QPushButton* button = Button(dialog, text);
            QVERIFY2(button, text);
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
            QVERIFY(face);
            QCOMPARE(face->text(QAccessible::Name), QString(text));
        }
    }

    void springSheetOkIsOneUndoStepThatKeepsWhatWasNotTouched() {
        SceneWorld world;
        SceneDocument& doc = world.doc();
        world.spring(9002).BLOCKID2 = 0;
        const std::size_t steps = doc.undoStack().size();

        // Confirmed untouched: "---" keeps 0, nothing else moves, no step.
        WhenOpen<SpringPropDialog>([](SpringPropDialog& dialog) { Press(dialog, "确定"); });
        QVERIFY(!OpenSpringProperties(world.context, 9002, nullptr));
        QCOMPARE(world.spring(9002).BLOCKID2, 0);
        QCOMPARE(world.spring(9002).COMID2, std::string("11"));
        QCOMPARE(doc.undoStack().size(), steps);

        // An angle loses its fraction; an 8-character address keeps the old
        // one while the other rows of the same OK are taken.
        WhenOpen<SpringPropDialog>([](SpringPropDialog& dialog) {
            PropList& list = dialog.list();
            Type(list, SpringPropDialog::kRowAngle, "45.7");
            Type(list, SpringPropDialog::kRowAddress2, "12345678");
            Type(list, SpringPropDialog::kRowChannelL, "7");
            Type(list, SpringPropDialog::kRowAddressL, "2;5", true);  // still typing at OK
            Press(dialog, "确定");
        });
        QVERIFY(OpenSpringProperties(world.context, 9002, nullptr));
        const CSpring& edited = world.spring(9002);
        QCOMPARE(edited.ORGANGLEY, 45.0f);
        QCOMPARE(edited.COMID2, std::string("11"));
        QCOMPARE(edited.BLOCKID_L, 7);
        QCOMPARE(edited.COMID_L, std::string("2;5"));
        QCOMPARE(doc.undoStack().size(), steps + 1);
        QVERIFY(doc.IsModified());

        QVERIFY(doc.Undo());
        QCOMPARE(world.spring(9002).ORGANGLEY, 15.0f);
        QCOMPARE(world.spring(9002).BLOCKID_L, 4);
        QCOMPARE(world.spring(9002).COMID_L, std::string("1;2"));

        // Cancel leaves the record, typing and all.
        WhenOpen<SpringPropDialog>([](SpringPropDialog& dialog) {
            Type(dialog.list(), SpringPropDialog::kRowChannel, "9");
            Press(dialog, "取消");
        });
        QVERIFY(!OpenSpringProperties(world.context, 9002, nullptr));
        QCOMPARE(world.spring(9002).BLOCKID, 1);
        QVERIFY(!doc.CanUndo());

        QVERIFY(!OpenSpringProperties(world.context, 1234, nullptr));  // no such spring
    }

    void springZeroingPickersCallTheHookOrSayItIsMissing() {
        SceneWorld world;
        std::vector<std::pair<std::int32_t, int>> calls;
        SpringPropDialog withHook(world.context, world.spring(9003), nullptr,
                                  [&calls](QWidget*, std::int32_t id, int axis) { calls.emplace_back(id, axis); });
        withHook.show();
        QVERIFY(QTest::qWaitForWindowActive(&withHook));
        for (int row : {SpringPropDialog::kRowZeroY, SpringPropDialog::kRowZeroZ}) {
            ClickValue(withHook.list(), row);
            QVERIFY(withHook.list().OpenedEditor());
            QTest::mouseClick(withHook.list().OpenedEditor()->MoreButton(), Qt::LeftButton);
        }
        QCOMPARE(calls, (std::vector<std::pair<std::int32_t, int>>{{9003, 1}, {9003, 0}}));
        QVERIFY(world.prompter.messages.empty());
        withHook.reject();

        SpringPropDialog without(world.context, world.spring(9003));
        without.show();
        QVERIFY(QTest::qWaitForWindowActive(&without));
        ClickValue(without.list(), SpringPropDialog::kRowZeroY);
        QTest::mouseClick(without.list().OpenedEditor()->MoreButton(), Qt::LeftButton);
        QCOMPARE(world.prompter.messages, std::vector<std::string>{kZeroingMissing});
        QCOMPARE(without.list().GetItemValue(SpringPropDialog::kRowZeroY), QString());
    }

    void groupSheetShowsMembersAndStoresItsRows() {
        SceneWorld world;
        SceneDocument& doc = world.doc();
        // A group of the springs 9001 and 9005, made as the canvas does.
        doc.SetMode(SceneDocument::kEdit);
        doc.ClearSelection();
        doc.SelectSpring(9001, true);
        doc.SelectSpring(9005, true);
        QVERIFY(doc.MakeGroup());
        const CSpringGroup made = world.runtime.scene.groups.back();
        const std::size_t steps = doc.undoStack().size();

        WhenOpen<GroupPropDialog>([](GroupPropDialog& dialog) {
            PropList& list = dialog.list();
            QCOMPARE(Labels(list), QStringList({"主要", "名称", "通道号", "通讯位置", "提前时间", "强制手操",
                                                "组内元素", "0", "1"}));
            QCOMPARE(list.GetItemValue(7), QString("ID[9001]"));
            QCOMPARE(list.GetItemValue(8), QString("ID[9005]"));
            QCOMPARE(list.Item(8).kind, kPropInfo);
            QCOMPARE(list.GetItemValue(GroupPropDialog::kRowManual), QString("否"));
            QCOMPARE(list.Item(GroupPropDialog::kRowManual).choices, QStringList({"是", "否"}));
            Type(list, GroupPropDialog::kRowName, "一二三四五六七八九十abcdefg");  // 17 characters
            Type(list, GroupPropDialog::kRowChannel, "12");
            Type(list, GroupPropDialog::kRowPreTime, "350");
            // "是" is the entry above "否".
            ClickValue(list, GroupPropDialog::kRowManual);
            QVERIFY(list.OpenedEditor());
            QTest::keyClick(list.OpenedEditor()->Field(), Qt::Key_Up);
            QTest::keyClick(list.OpenedEditor()->Field(), Qt::Key_Return);
            QCOMPARE(list.GetItemValue(GroupPropDialog::kRowManual), QString("是"));
            Press(dialog, "确定");
        });
        QVERIFY(OpenGroupProperties(world.context, made.ID, nullptr));
        const CSpringGroup& group = *world.runtime.scene.FindGroup(made.ID);
        QCOMPARE(QString::fromStdString(group.name), QString("一二三四五六七八九十abcde"));
        QCOMPARE(group.BLOCKID, 12);
        QCOMPARE(group.nPreTime, 350);
        QCOMPARE(group.bMannual, 1);
        QCOMPARE(group.childCount, 2);
        QCOMPARE(doc.undoStack().size(), steps + 1);
        QVERIFY(doc.Undo());
        QCOMPARE(world.runtime.scene.FindGroup(made.ID)->name, made.name);
        QCOMPARE(world.runtime.scene.FindGroup(made.ID)->bMannual, 0);

        WhenOpen<GroupPropDialog>([](GroupPropDialog& dialog) {
            Type(dialog.list(), GroupPropDialog::kRowName, "x");
            Press(dialog, "取消");
        });
        QVERIFY(!OpenGroupProperties(world.context, made.ID, nullptr));
        QCOMPARE(world.runtime.scene.FindGroup(made.ID)->name, made.name);
        QVERIFY(!OpenGroupProperties(world.context, 1234, nullptr));
    }
};

VELMORA_UI_TEST_MAIN(ScenePropDialogsTest)
#include "ScenePropDialogsTest.moc"
