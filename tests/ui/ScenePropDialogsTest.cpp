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
#include <QToolBar>

#include "app/Prompter.h"
#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "document/ShowDocument.h"
#include "manual/ui/MotorFineTuneDialog.h"
#include "manual/MotorFineTune.h"
#include "scene/ui/BatchAddDialog.h"
#include "scene/ui/GroupPropDialog.h"
#include "scene/ui/SpringPropDialog.h"
#include "scene/ui/SystemPropDialog.h"
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

    void springZeroingPickersCallTheHookOrOpenTheFineTuneDialog() {
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

        // Without a hook the picker opens the fine-tune dialog on the spring's
        // Z motor, not live.
        SpringPropDialog without(world.context, world.spring(9003));
        without.show();
        QVERIFY(QTest::qWaitForWindowActive(&without));
        world.spring(9003).m_nMotorAxis = 1;
        bool opened = false;
        WhenOpen<MotorFineTuneDialog>([&opened](MotorFineTuneDialog& dialog) {
            opened = true;
            QCOMPARE(dialog.windowTitle(), QString("电机微调面板"));
            QVERIFY(!dialog.live());
            QCOMPARE(dialog.tune().springId(), 9003);
            QCOMPARE(dialog.tune().axis(), 0);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        ClickValue(without.list(), SpringPropDialog::kRowZeroZ);
        QTest::mouseClick(without.list().OpenedEditor()->MoreButton(), Qt::LeftButton);
        QVERIFY(opened);
        QCOMPARE(world.spring(9003).m_nMotorAxis.Get(), 0);
        QVERIFY(world.prompter.messages.empty());
        QCOMPARE(without.list().GetItemValue(SpringPropDialog::kRowZeroZ), QString());
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
    void batchDialogOffersItsRowsWithinTheirBounds() {
        BatchAddDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        QCOMPARE(Labels(list), QStringList({"选项", "每行", "每列", "排练方式", "宽度", "高度"}));
        QCOMPARE(list.Item(BatchAddDialog::kRowLayout).choices, QStringList({"矩阵", "圆形"}));
        BatchSettings c = dialog.settings();
        QCOMPARE(c.perRow, 5);
        QCOMPARE(c.perColumn, 5);
        QVERIFY(!c.circle);
        QCOMPARE(c.width, 100);
        QCOMPARE(c.height, 100);

        const struct {
            int row;
            QString refused, taken;
        } cases[] = {{BatchAddDialog::kRowPerRow, "51", "50"},  {BatchAddDialog::kRowPerRow, "0", "1"},
                     {BatchAddDialog::kRowPerColumn, "1e2", "3"}, {BatchAddDialog::kRowWidth, "501", "500"},
                     {BatchAddDialog::kRowHeight, "-1", "1"}};
        for (const auto& k : cases) {
            const QString before = list.GetItemValue(k.row);
            Type(list, k.row, k.refused);
            QCOMPARE(list.GetItemValue(k.row), before);
            Type(list, k.row, k.taken);
            QCOMPARE(list.GetItemValue(k.row), k.taken);
        }
        // The spin control steps by one and stops at the bounds.
        ClickValue(list, BatchAddDialog::kRowHeight);
        QVERIFY(list.OpenedEditor());
        QTest::mouseClick(list.OpenedEditor()->StepUpButton(), Qt::LeftButton);
        QCOMPARE(list.GetItemValue(BatchAddDialog::kRowHeight), QString("2"));
        for (int i = 0; i < 3; ++i) QTest::mouseClick(list.OpenedEditor()->StepDownButton(), Qt::LeftButton);
        QTest::keyClick(list.OpenedEditor()->Field(), Qt::Key_Return);
        QCOMPARE(list.GetItemValue(BatchAddDialog::kRowHeight), QString("1"));

        QVERIFY(list.EnterText(BatchAddDialog::kRowLayout, "圆形"));
        c = dialog.settings();
        QCOMPARE(c.perRow, 1);
        QCOMPARE(c.perColumn, 3);
        QVERIFY(c.circle);
        QCOMPARE(c.width, 500);
        QCOMPARE(c.height, 1);
    }

    void batchOkAddsTheSpringsAndTheirGroupAsOneStep() {
        SceneWorld world;
        SceneDocument& doc = world.doc();
        doc.SetMode(SceneDocument::kEdit);
        doc.ClearSelection();
        const std::size_t springs = world.runtime.scene.springs.size();
        const std::size_t groups = world.runtime.scene.groups.size();

        WhenOpen<BatchAddDialog>([](BatchAddDialog& dialog) { Press(dialog, "取消"); });
        QVERIFY(!RunBatchAdd(world.context, nullptr));
        QCOMPARE(world.runtime.scene.springs.size(), springs);
        QVERIFY(!doc.CanUndo());

        WhenOpen<BatchAddDialog>([](BatchAddDialog& dialog) { Press(dialog, "确定"); });
        QVERIFY(RunBatchAdd(world.context, nullptr));
        QCOMPARE(world.runtime.scene.springs.size(), springs + 25);
        QCOMPARE(world.runtime.scene.groups.size(), groups + 1);
        const CSpringGroup& group = world.runtime.scene.groups.back();
        QCOMPARE(group.childCount, 25);
        QCOMPARE(group.initX, 5);
        QCOMPARE(group.initY, 5);
        QCOMPARE(world.runtime.scene.springs.back().x, 100 * 4 / 5 + 100);
        QCOMPARE(doc.undoStack().size(), std::size_t{1});
        QVERIFY(doc.Undo());
        QCOMPARE(world.runtime.scene.springs.size(), springs);
        QCOMPARE(world.runtime.scene.groups.size(), groups);

        // The circle takes 每列 points and gives its group no matrix layout.
        WhenOpen<BatchAddDialog>([](BatchAddDialog& dialog) {
            PropList& list = dialog.list();
            QVERIFY(list.EnterText(BatchAddDialog::kRowLayout, "圆形"));
            Type(list, BatchAddDialog::kRowPerColumn, "4");
            Press(dialog, "确定");
        });
        QVERIFY(RunBatchAdd(world.context, nullptr));
        QCOMPARE(world.runtime.scene.springs.size(), springs + 4);
        QCOMPARE(world.runtime.scene.groups.back().childCount, 4);
        QCOMPARE(world.runtime.scene.groups.back().initX, 0);
    }

    void batchAddInWatchModeSaysWhyInsteadOfOpening() {
        SceneWorld world;
        QCOMPARE(world.doc().mode(), SceneDocument::kWatch);
        const std::size_t springs = world.runtime.scene.springs.size();
        QVERIFY(!RunBatchAdd(world.context, nullptr));
        QCOMPARE(world.prompter.messages, std::vector<std::string>{kBatchInWatchMode});
        QCOMPARE(world.runtime.scene.springs.size(), springs);
    }

    void systemSheetRangesAndItsTwoDocuments() {
        SceneWorld world;
        SceneDocument& scene = world.doc();
        ShowDocument& show = world.runtime.showDocument();
        const SceneSettings before = world.runtime.scene.settings;
        const float multiplier = world.runtime.show.g_fMusicMultiplier;

        WhenOpen<SystemPropDialog>([](SystemPropDialog& dialog) {
            PropList& list = dialog.list();
            QCOMPARE(dialog.windowTitle(), QString("属性"));
            QCOMPARE(Labels(list), QStringList({"主要", "重力系数", "颗粒数", "音乐倍乘", "单圈脉冲-Z", "单圈脉冲-Y",
                                                "颜色间隔", "灯光文件"}));
            QCOMPARE(list.GetItemValue(SystemPropDialog::kRowGravity), QString("9.800000"));
            QCOMPARE(list.GetItemValue(SystemPropDialog::kRowMultiplier), QString("2.000000"));
            QCOMPARE(list.GetItemValue(SystemPropDialog::kRowLight), QString("rainbow.color"));
            QCOMPARE(list.Item(SystemPropDialog::kRowLight).choices, QStringList{"rainbow.color"});
            const struct {
                int row;
                QString refused, taken;
            } cases[] = {{SystemPropDialog::kRowParticles, "9", "10"},
                         {SystemPropDialog::kRowParticles, "51", "50"},
                         {SystemPropDialog::kRowGravity, "100000", "-99999"},
                         {SystemPropDialog::kRowMultiplier, "0.5", "3.5"},
                         {SystemPropDialog::kRowMultiplier, "21", "20"},
                         {SystemPropDialog::kRowPulsesZ, "0", "9999999"},
                         {SystemPropDialog::kRowPulsesY, "10000000", "4000"},
                         {SystemPropDialog::kRowInterval, "abc", "1500"}};
            for (const auto& k : cases) {
                const QString shown = list.GetItemValue(k.row);
                Type(list, k.row, k.refused);
                QCOMPARE(list.GetItemValue(k.row), shown);
                Type(list, k.row, k.taken);
                QCOMPARE(list.GetItemValue(k.row), k.taken);
            }
            Type(list, SystemPropDialog::kRowMultiplier, "3.5");
            Press(dialog, "确定");
        });
        QVERIFY(OpenSystemProperties(world.context, nullptr));
        const SceneSettings& now = world.runtime.scene.settings;
        QCOMPARE(now.g_nParticleCount, 50);
        QCOMPARE(now.g_fGravity, -99999.0f);
        QCOMPARE(now.g_nPulsePerRoundZ, 9999999);
        QCOMPARE(now.g_nPulsePerRoundY, 4000);
        QCOMPARE(now.g_nSystemInterval, 1500);
        QCOMPARE(now.g_strLight, before.g_strLight);
        QCOMPARE(world.runtime.show.g_fMusicMultiplier, 3.5f);
        QVERIFY(scene.IsModified());
        QVERIFY(show.IsModified());

        // One step on each document, undone separately.
        QVERIFY(show.Undo());
        QCOMPARE(world.runtime.show.g_fMusicMultiplier, multiplier);
        QCOMPARE(world.runtime.scene.settings.g_nParticleCount, 50);
        QVERIFY(scene.Undo());
        QCOMPARE(world.runtime.scene.settings.g_nParticleCount, before.g_nParticleCount);
        QCOMPARE(world.runtime.scene.settings.g_nPulsePerRoundZ, before.g_nPulsePerRoundZ);
        QVERIFY(!scene.CanUndo());
        QVERIFY(!show.CanUndo());

        // Confirmed untouched, nothing changes anywhere.
        WhenOpen<SystemPropDialog>([](SystemPropDialog& dialog) { Press(dialog, "确定"); });
        QVERIFY(!OpenSystemProperties(world.context, nullptr));
        QVERIFY(!scene.CanUndo());
        QVERIFY(!show.CanUndo());
    }
};

VELMORA_UI_TEST_MAIN(ScenePropDialogsTest)
#include "ScenePropDialogsTest.moc"
