// The time block properties dialog on the demo show: rows that follow the
// action type, limits, pickers fed by the workspace's asset folders, and OK
// and Cancel as seen by the show and its history; the timeline opens it on
// a double-clicked block.

#include <functional>
#include <stdexcept>

#include <QComboBox>
#include <QFileDialog>
#include <QToolButton>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Prompter.h"
#include "document/ShowDocument.h"
#include "runtime/Runtime.h"
#include "editors/ui/ColourSequenceDialog.h"
#include "editors/ui/FrameAnimationDialog.h"
#include "show/ui/BlockPropertiesDialog.h"
#include "show/ui/TimelineArea.h"
#include "ui/DesktopContext.h"
#include "ui/PropEditor.h"
#include "ui/PropList.h"
#include "ui/UiWorkspace.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

// The demo's show loaded on a started runtime.
struct ShowWorld {
    ShowWorld() {
        if (!runtime.Startup()) throw std::runtime_error("the demo workspace did not start");
        if (!runtime.showDocument().Load(ws.path() / "Music" / "demo.mp3.tlf") || runtime.show.blocks.size() < 12)
            throw std::runtime_error("the demo show did not load");
    }
    UiWorkspace ws;
    RecordingPrompter prompter;
    Runtime runtime{Workspace(ws.path())};
    DesktopContext context{runtime, prompter};
};

int RowOf(PropList& list, const QString& label) {
    for (int i = 0; i < list.ItemCount(); ++i)
        if (list.Item(i).name == label) return i;
    return -1;
}

QStringList Labels(PropList& list) {
    QStringList labels;
    for (int i = 0; i < list.ItemCount(); ++i) labels << list.Item(i).name;
    return labels;
}

QPushButton* Button(QWidget& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// Picks the drop-down entry `steps` below the shown one with the keyboard.
void StepChoice(PropList& list, int row, int steps) {
    ClickValue(list, row);
    QVERIFY(list.OpenedEditor());
    QWidget* field = list.OpenedEditor()->Field();
    for (int i = 0; i < steps; ++i) QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Return);
}

// Runs `act` on the dialog once it is open (modal, from the caller's exec),
// looking for it a bounded number of times; a dialog `act` left open is
// cancelled so a failed check cannot leave the test waiting.
void WhenOpen(const std::function<void(BlockPropertiesDialog&)>& act, int attempts = 200) {
    QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
        auto* dialog = qobject_cast<BlockPropertiesDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen(act, attempts - 1);
            return;
        }
        const QPointer<BlockPropertiesDialog> open(dialog);
        act(*dialog);
        if (open && open->isVisible()) open->reject();
    });
}

}  // namespace

class BlockPropertiesDialogTest : public QObject {
    Q_OBJECT

private slots:
    void changingTheActionTypeRebuildsTheRowsAndKeepsWhatWasTyped() {
        ShowWorld world;
        BlockPropertiesDialog dialog(world.context, 0);  // the demo's flat wave
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        QCOMPARE(dialog.windowTitle(), QString("属性"));
        QCOMPARE(list.GetItemValue(RowOf(list, "动作类型")), QString("平波"));
        QCOMPARE(list.GetItemValue(RowOf(list, "结束")), QString("00:08.000"));
        QVERIFY(RowOf(list, "Z轴转角MAX") >= 0);

        Type(list, RowOf(list, "波形值"), "99");
        Type(list, RowOf(list, "执行间隔MS"), "250");
        StepChoice(list, RowOf(list, "动作类型"), 1);
        QCOMPARE(list.GetItemValue(RowOf(list, "动作类型")), QString("三角波"));
        // The flat wave's three rows gave way to the triangle's four.
        const QStringList labels = Labels(list);
        for (const char* gone : {"波形值", "Z轴转角MAX", "Z轴转角MIN"}) QVERIFY2(!labels.contains(gone), gone);
        for (const char* shown : {"波形最大值", "波形最小值", "周期MS", "峰值延时"}) QVERIFY2(labels.contains(shown), shown);
        QCOMPARE(list.GetItemValue(RowOf(list, "波形最大值")), QString("99"));
        QCOMPARE(list.GetItemValue(RowOf(list, "执行间隔MS")), QString("250"));
        QCOMPARE(dialog.edited().nSpecicalType, std::int32_t{kActionTriangle});
        QCOMPARE(dialog.edited().nInterval, 250);

        // Back to no action: the execution rows go too.
        QVERIFY(list.EnterText(RowOf(list, "动作类型"), "斜波"));
        QVERIFY(RowOf(list, "最小值") >= 0);
        QVERIFY(list.EnterText(RowOf(list, "动作类型"), "---"));
        QCOMPARE(RowOf(list, "执行间隔MS"), -1);
        // The show is not touched before OK.
        QCOMPARE(world.runtime.show.blocks[0].nSpecicalType, std::int32_t{kActionFlatWave});
    }

    void limitsRefuseValuesOutsideTheirRange() {
        ShowWorld world;
        BlockPropertiesDialog dialog(world.context, 11);  // the demo's laser command
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        const struct {
            const char* label;
            QString refused, taken;
        } cases[] = {{"激光页", "11", "10"},       {"激光页", "0", "1"},        {"激光ID", "61", "60"},
                     {"间隔MS", "149", "3000"},   {"力度偏移[±100]", "-101", "-100"},
                     {"灯光延时", "5001", "-5000"}, {"递增数", "1e2", "-99999"}};
        for (const auto& c : cases) {
            const int row = RowOf(list, c.label);
            QVERIFY2(row >= 0, c.label);
            const QString before = list.GetItemValue(row);
            Type(list, row, c.refused);
            QCOMPARE(list.GetItemValue(row), before);
            Type(list, row, c.taken);
            QCOMPARE(list.GetItemValue(row), c.taken);
        }
        QCOMPARE(dialog.edited().nWavMin, 1);
        QCOMPARE(dialog.edited().nWavMax, 60);
        QCOMPARE(dialog.edited().IntervalRunHorse, 3000);
        QCOMPARE(dialog.edited().nLightdelay, -5000);
    }

    void picksListTheWorkspaceAssetFiles() {
        ShowWorld world;
        BlockPropertiesDialog dialog(world.context, 4);  // the demo's Z rotation
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        for (const char* label : {"电机动作", "电机动作1", "电机动作2"}) {
            const PropItem& item = list.Item(RowOf(list, label));
            QCOMPARE(item.kind, kPropCombo);
            QCOMPARE(item.choices, QStringList({"sweep.motor", "swing.motor"}));
        }
        QCOMPARE(list.GetItemValue(RowOf(list, "电机动作")), QString("swing.motor"));
        QCOMPARE(list.Item(RowOf(list, "灯光文件")).choices, QStringList{"rainbow.color"});
        QCOMPARE(list.Item(RowOf(list, "程控名称")).choices, QStringList({"---", "night.prog"}));
        QCOMPARE(list.Item(RowOf(list, "CSV文件")).kind, kPropButton);

        // Choosing a program from the drop-down.
        const int second = RowOf(list, "电机动作1");
        ClickValue(list, second);
        auto* combo = qobject_cast<QComboBox*>(list.OpenedEditor()->Field());
        QVERIFY(combo);
        combo->setCurrentIndex(0);
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(list.GetItemValue(second), QString("sweep.motor"));
        QCOMPARE(dialog.edited().szMotor1, std::string("sweep.motor"));

        // The CSV row's file dialog opens in the "512Light" folder and the
        // block keeps the chosen file's bare name.
        const int csv = RowOf(list, "CSV文件");
        QString folder;
        QTimer::singleShot(0, [&folder] {
            for (int i = 0; i < 200 && !qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); ++i)
                QTest::qWait(10);
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (files == nullptr) return;
            folder = files->directory().dirName();
            files->selectFile(files->directory().absoluteFilePath("sweep.csv"));
            static_cast<QDialog*>(files)->accept();  // as its Open button does
        });
        ClickValue(list, csv);
        QVERIFY(list.OpenedEditor());
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);
        QCOMPARE(folder, QString("512Light"));
        QTRY_COMPARE(list.GetItemValue(csv), QString("sweep.csv"));
        QCOMPARE(dialog.edited().sz512Light, std::string("sweep.csv"));

        QVERIFY(list.EnterText(RowOf(list, "动作类型"), "帧动作"));
        QCOMPARE(list.Item(RowOf(list, "帧编辑器")).choices, QStringList{"wave.frm"});
    }

    // The light row's button opens the colour editor on the row's file; a
    // save there reaches what the engine plays at once, and the row takes
    // the name the editor ends with.
    void thePickerButtonOpensTheEditorAndItsSaveIsPlayed() {
        ShowWorld world;
        const auto played = [&] {
            return world.runtime.g_pShowAssets->FindColourSequence("rainbow.color")->m_listColours.size();
        };
        const std::size_t before = played();
        BlockPropertiesDialog dialog(world.context, 0);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        const int row = RowOf(list, "灯光文件");
        QCOMPARE(list.GetItemValue(row), QString("rainbow.color"));
        ClickValue(list, row);
        QVERIFY(list.OpenedEditor());
        QToolButton* more = list.OpenedEditor()->MoreButton();
        QVERIFY(more->isVisible());

        std::size_t opened = 0;
        const QString copy = QString::fromStdString((world.ws.path() / "Color" / "rainbow2").string());
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<ColourSequenceDialog*>(QApplication::activeModalWidget());
            if (editor == nullptr) return;
            opened = editor->editor().colours().size();
            editor->editor().Append();
            editor->askPath = [](bool) { return QString(); };
            editor->Save();  // cancelled: nothing happens
            editor->askPath = [&](bool) { return QString::fromStdString((world.ws.path() / "Color" / "rainbow.color").string()); };
            QVERIFY(editor->Save());
            editor->editor().Append();
            editor->askPath = [&](bool) { return copy; };
            QVERIFY(editor->Save());
            editor->reject();
        });
        QTest::mouseClick(more, Qt::LeftButton);
        QCOMPARE(opened, before);
        QCOMPARE(played(), before + 1);  // the save over the file the show plays
        QTRY_COMPARE(list.GetItemValue(row), QString("rainbow2.color"));
        QCOMPARE(dialog.edited().szLight, std::string("rainbow2.color"));
    }

    // The frame row's button opens the frame editor on the block's file,
    // named in another case than the folder holds it.
    void theFrameRowOpensTheFrameEditorOnItsFile() {
        ShowWorld world;
        BlockPropertiesDialog dialog(world.context, 0);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        PropList& list = dialog.list();
        QVERIFY(list.EnterText(RowOf(list, "动作类型"), "帧动作"));
        const int row = RowOf(list, "帧编辑器");
        QVERIFY(list.EnterText(row, "WAVE.frm"));
        ClickValue(list, row);
        QVERIFY(list.OpenedEditor());
        int pages = -1;
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<FrameAnimationDialog*>(QApplication::activeModalWidget());
            if (editor == nullptr) return;
            pages = editor->editor().settings().m_nPageCount;
            editor->reject();
        });
        QTest::mouseClick(list.OpenedEditor()->MoreButton(), Qt::LeftButton);
        QVERIFY(pages > 0);
        QCOMPARE(list.GetItemValue(row), QString("wave.frm"));  // the editor's name for it
        QVERIFY(world.prompter.messages.empty());
    }

    void okAppliesAsOneUndoStepAndCancelLeavesTheShow() {
        ShowWorld world;
        ShowDocument& doc = world.runtime.showDocument();
        const std::size_t steps = doc.undoStack().size();

        WhenOpen([](BlockPropertiesDialog& dialog) {
            PropList& list = dialog.list();
            Type(list, RowOf(list, "激光页"), "3");
            Type(list, RowOf(list, "激光ID"), "17");
            QTest::mouseClick(Button(dialog, "取消"), Qt::LeftButton);
        });
        QVERIFY(!EditBlockProperties(world.context, 11, nullptr));
        QCOMPARE(world.runtime.show.blocks[11].nWavMax, 3);
        QCOMPARE(doc.undoStack().size(), steps);
        QVERIFY(!doc.CanUndo());

        WhenOpen([](BlockPropertiesDialog& dialog) {
            PropList& list = dialog.list();
            Type(list, RowOf(list, "激光页"), "3");
            Type(list, RowOf(list, "激光ID"), "17", true);  // still typing when OK is pressed
            QTest::mouseClick(Button(dialog, "确定"), Qt::LeftButton);
        });
        QVERIFY(EditBlockProperties(world.context, 11, nullptr));
        const TimeBlock& block = world.runtime.show.blocks[11];
        QCOMPARE(block.nWavMin, 3);
        QCOMPARE(block.nWavMax, 17);
        QCOMPARE(doc.undoStack().size(), steps + 1);
        QVERIFY(world.runtime.show.m_bModified);
        QVERIFY(doc.Undo());
        QCOMPARE(world.runtime.show.blocks[11].nWavMax, 3);
        QVERIFY(!doc.CanUndo());

        // A swing block confirmed untouched becomes "no action".
        WhenOpen([](BlockPropertiesDialog& dialog) {
            QCOMPARE(dialog.list().GetItemValue(RowOf(dialog.list(), "动作类型")), QString("---"));
            QTest::mouseClick(Button(dialog, "确定"), Qt::LeftButton);
        });
        QVERIFY(EditBlockProperties(world.context, 7, nullptr));
        QCOMPARE(world.runtime.show.blocks[7].nSpecicalType, std::int32_t{kActionNone});

        QVERIFY(!EditBlockProperties(world.context, world.runtime.show.blocks.size(), nullptr));
    }

    void doubleClickingABlockOnTheTimelineOpensItsProperties() {
        ShowWorld world;
        TimelineArea area(world.context);
        area.resize(900, 300);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        const int rowY = TimelineArea::kBarTop + TimelineArea::kBarHeight / 2;
        // Row 0 holds the flat wave (0..160) under the rotation (0..320): the
        // rotation is drawn on top and is the one hit.
        const QPoint onRotation(TimelineArea::kNameColumn + 50, rowY);
        QCOMPARE(area.BlockAt(onRotation), 4);
        QCOMPARE(area.BlockAt(QPoint(TimelineArea::kNameColumn + 500, rowY)), 5);
        QCOMPARE(area.BlockAt(QPoint(TimelineArea::kNameColumn + 700, rowY)), -1);
        QCOMPARE(area.BlockAt(QPoint(10, rowY)), -1);

        QString opened;
        WhenOpen([&opened](BlockPropertiesDialog& dialog) {
            opened = dialog.list().GetItemValue(RowOf(dialog.list(), "动作类型"));
            PropList& list = dialog.list();
            Type(list, RowOf(list, "单段数"), "12");
            QTest::mouseClick(Button(dialog, "确定"), Qt::LeftButton);
        });
        QTest::mouseDClick(&area, Qt::LeftButton, Qt::NoModifier, onRotation);
        QTRY_COMPARE(opened, QString("Z轴转动"));
        QCOMPARE(world.runtime.show.blocks[4].singleSection, 12);

        // Empty space opens nothing.
        const std::size_t steps = world.runtime.showDocument().undoStack().size();
        QTest::mouseDClick(&area, Qt::LeftButton, Qt::NoModifier, QPoint(TimelineArea::kNameColumn + 700, rowY));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(world.runtime.showDocument().undoStack().size(), steps);
    }
};

VELMORA_UI_TEST_MAIN(BlockPropertiesDialogTest)
#include "BlockPropertiesDialogTest.moc"
