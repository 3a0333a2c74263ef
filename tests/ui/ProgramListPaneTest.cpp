// The program-control list pane driven by real mouse and key events: its
// toolbar's enable rules, new programs and their properties through the
// properties dialog, delete, double-click runs, the scene file written after
// every change, its colours, and the rows as accessible children.

#include <memory>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/Prompter.h"
#include "media/ProgFile.h"
#include "media/ProgramList.h"
#include "media/MusicList.h"
#include "media/ui/ProgramListPane.h"
#include "media/ui/ProgramPropDialog.h"
#include "ui/PropList.h"
#include "runtime/Runtime.h"
#include "PlaylistTestKit.h"
#include "UiTestMain.h"
#include "ui/UiWorkspace.h"

using namespace velmora;

namespace {

struct ProgramFixture {
    UiWorkspace ws;
    RecordingPrompter prompter;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    RecordingStarter starter;
    std::unique_ptr<ProgramListPane> pane;
    bool started = false;

    // What the scripted properties dialog saw and answers.
    std::vector<std::pair<ProgramEditMode, ProgramEdit>> opened;
    std::optional<ProgramEdit> answer;

    explicit ProgramFixture(bool scripted = true) {
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        started = runtime->Startup() && !list().m_list.empty();
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        list().SetStarter(&starter);
        pane = std::make_unique<ProgramListPane>(*context, QStringLiteral("程控列表"));
        if (scripted) pane->SetEditor([this](ProgramEditMode mode, const ProgramEdit& initial, QWidget*) {
            opened.emplace_back(mode, initial);
            return answer;
        });
        pane->resize(320, 300);
        pane->show();
        started = started && QTest::qWaitForWindowExposed(pane.get());
    }
    ~ProgramFixture() { pane.reset(); }

    CProgramList& list() { return *runtime->g_pProgramList; }
    PlaylistView& view() { return *pane->view(); }
    std::vector<std::string> stored() const {
        return StoredPaths(runtime->g_strSpringIni, CProgramList::kSection, "ProgramCount", "pro");
    }
    void Click(QAction* action) { QTest::mouseClick(pane->toolBar()->widgetForAction(action), Qt::LeftButton); }
    // Creates a program through the toolbar; whether it was listed.
    bool Create(const QString& name, ProgParams params = {}) {
        const std::size_t before = list().m_list.size();
        answer = ProgramEdit{name, params};
        Click(pane->addCommand());
        return list().m_list.size() == before + 1;
    }
};

// Once the properties dialog is open, fills it in with `fill` and presses
// its OK button, as the operator would.
void AnswerTheDialog(std::function<void(ProgramPropDialog&)> fill) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, fill] {
        auto* dialog = qobject_cast<ProgramPropDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        fill(*dialog);
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QTest::mouseClick(ok, Qt::LeftButton);
        if (dialog->isVisible()) dialog->reject();  // refused input must not hang the test
    });
    timer->start();
}

}  // namespace

class ProgramListPaneTest : public QObject {
    Q_OBJECT

private slots:
    void toolbarButtonsFollowTheSelection() {
        ProgramFixture f;
        QVERIFY(f.started);
        QVERIFY(f.Create("second"));
        QCOMPARE(f.pane->toolBar()->height(), kPlaylistToolBarHeight);
        const QList<QAction*> actions{f.pane->addCommand(), f.pane->deleteCommand(), f.pane->propertiesCommand()};
        const QStringList texts{"添加", "删除", "属性"};
        for (int i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions[i]->toolTip(), texts[i]);
            QCOMPARE(f.pane->toolBar()->widgetForAction(actions[i])->accessibleName(), texts[i]);
        }
        QVERIFY(!f.pane->deleteCommand()->isEnabled());
        QVERIFY(!f.pane->propertiesCommand()->isEnabled());

        ClickRow(f.view(), 0);
        QVERIFY(f.pane->deleteCommand()->isEnabled());
        QVERIFY(f.pane->propertiesCommand()->isEnabled());
        // Properties wants exactly one entry.
        ClickRow(f.view(), 1, Qt::ControlModifier);
        QVERIFY(f.pane->deleteCommand()->isEnabled());
        QVERIFY(!f.pane->propertiesCommand()->isEnabled());
        ClickRow(f.view(), 0, Qt::ControlModifier);
        QVERIFY(f.pane->propertiesCommand()->isEnabled());

        QTest::mouseClick(f.view().canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 200));
        QVERIFY(!f.pane->deleteCommand()->isEnabled());
        QVERIFY(!f.pane->propertiesCommand()->isEnabled());
    }

    void newProgramCreatesItsFilesListsItAndSaves() {
        ProgramFixture f;
        QVERIFY(f.started);
        const ProgParams params{500, 90, 70};
        QVERIFY(f.Create("晚间", params));
        QCOMPARE(f.opened.size(), std::size_t{1});
        QCOMPARE(f.opened[0].first, ProgramEditMode::Create);
        QCOMPARE(f.opened[0].second.name, QString::fromLatin1(CProgramList::kDefaultName));
        QCOMPARE(f.opened[0].second.params.unitMS, ProgParams{}.unitMS);
        QCOMPARE(f.opened[0].second.params.num, ProgParams{}.num);
        QCOMPARE(f.opened[0].second.params.power, ProgParams{}.power);

        const CProgramList::program& entry = f.list().m_list.back();
        QCOMPARE(entry.name, std::string("晚间.prog"));
        QVERIFY(std::filesystem::exists(entry.path));
        QVERIFY(std::filesystem::exists(entry.path + ".tlf"));
        const ProgParams written = ReadProgFile(entry.path);
        QCOMPARE(written.unitMS, params.unitMS);
        QCOMPARE(written.num, params.num);
        QCOMPARE(written.power, params.power);
        QCOMPARE(f.stored(), Paths(f.list()));

        // Ctrl+N opens the same dialog; Cancel creates nothing.
        f.answer.reset();
        const std::size_t count = f.list().m_list.size();
        f.view().canvas()->setFocus();
        QTest::keyClick(f.view().canvas(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.opened.size(), std::size_t{2});
        QCOMPARE(f.list().m_list.size(), count);
        QVERIFY(f.prompter.messages.empty());
    }

    void aNameListedInAnotherLetterCaseIsRefusedOnce() {
        ProgramFixture f;
        QVERIFY(f.started);
        const std::string listed = f.list().m_list[0].name;  // "night.prog" in the demo
        const std::string stem = listed.substr(0, listed.size() - std::string(".prog").size());
        QString upper = QString::fromStdString(stem).toUpper();
        QVERIFY(upper != QString::fromStdString(stem));
        QVERIFY(!f.Create(upper));
        QCOMPARE(f.prompter.messages, std::vector<std::string>({kDuplicateProgramMessage}));
        QCOMPARE(f.stored(), Paths(f.list()));
    }

    void propertiesEditPowerAndCountButNotTheCellLength() {
        ProgramFixture f;
        QVERIFY(f.started);
        ClickRow(f.view(), 0);
        const std::filesystem::path file = ResolveStored(f.runtime->workspace().AssetDir("Program"),
                                                         f.list().m_list[0].path);
        const ProgParams before = ReadProgFile(file);
        ProgParams changed = before;
        changed.unitMS = before.unitMS == 1000 ? 2000 : 1000;
        changed.num = before.num == 120 ? 150 : 120;
        changed.power = before.power == 80 ? 30 : 80;
        f.answer = ProgramEdit{QString(), changed};
        f.Click(f.pane->propertiesCommand());

        QCOMPARE(f.opened.size(), std::size_t{1});
        QCOMPARE(f.opened[0].first, ProgramEditMode::Edit);
        QCOMPARE(f.opened[0].second.name, QString::fromStdString(f.list().m_list[0].name));
        QCOMPARE(f.opened[0].second.params.num, before.num);
        QCOMPARE(f.opened[0].second.params.power, before.power);
        QCOMPARE(f.opened[0].second.params.unitMS, before.unitMS);

        const ProgParams after = ReadProgFile(file);
        QCOMPARE(after.unitMS, before.unitMS);
        QCOMPARE(after.num, changed.num);
        QCOMPARE(after.power, changed.power);
        QCOMPARE(f.prompter.messages, std::vector<std::string>({kProgramParamsLaterMessage}));
    }

    void thePropertiesDialogCreatesAndEditsPrograms() {
        ProgramFixture f(false);
        QVERIFY(f.started);
        const std::size_t before = f.list().m_list.size();
        QString opened;
        AnswerTheDialog([&](ProgramPropDialog& dialog) {
            opened = dialog.list().GetItemValue(ProgramPropDialog::kRowName);
            QVERIFY(dialog.list().EnterText(ProgramPropDialog::kRowName, QStringLiteral("清晨")));
            QVERIFY(dialog.list().EnterText(ProgramPropDialog::kRowNum, QStringLiteral("75")));
        });
        f.Click(f.pane->addCommand());
        QCOMPARE(opened, QString::fromLatin1(CProgramList::kDefaultName));
        QCOMPARE(f.list().m_list.size(), before + 1);
        const CProgramList::program created = f.list().m_list.back();
        QCOMPARE(created.name, std::string("清晨.prog"));
        QCOMPARE(ReadProgFile(created.path).num, 75);
        QCOMPARE(ReadProgFile(created.path).power, ProgParams{}.power);
        QCOMPARE(f.stored(), Paths(f.list()));

        ClickRow(f.view(), static_cast<int>(before));
        AnswerTheDialog([&](ProgramPropDialog& dialog) {
            opened = dialog.list().GetItemValue(ProgramPropDialog::kRowName);
            QVERIFY(dialog.list().EnterText(ProgramPropDialog::kRowPower, QStringLiteral("90")));
        });
        f.Click(f.pane->propertiesCommand());
        QCOMPARE(opened, QString::fromStdString(created.name));
        QCOMPARE(ReadProgFile(created.path).power, 90);
        QCOMPARE(ReadProgFile(created.path).num, 75);
        QCOMPARE(f.prompter.messages, std::vector<std::string>({kProgramParamsLaterMessage}));
    }

    void deleteAsksAndKeepsTheFilesOnDisk() {
        ProgramFixture f;
        QVERIFY(f.started);
        QVERIFY(f.Create("second"));
        QVERIFY(f.Create("third"));
        const std::string second = f.list().m_list[1].path;
        ClickRow(f.view(), 1);
        f.prompter.SetAnswer(true);
        QTest::keyClick(f.view().canvas(), Qt::Key_Delete);
        QCOMPARE(f.prompter.questions, std::vector<std::string>({kDeleteQuestion}));
        QCOMPARE(f.list().m_list.size(), std::size_t{2});
        QVERIFY(std::filesystem::exists(second));
        QVERIFY(!f.pane->deleteCommand()->isEnabled());
        QVERIFY(!f.pane->propertiesCommand()->isEnabled());
        QCOMPARE(f.stored(), Paths(f.list()));
    }

    void doubleClickRunsTheProgramWithItsSettings() {
        ProgramFixture f;
        QVERIFY(f.started);
        QVERIFY(f.Create("second", ProgParams{250, 80, 40}));
        DoubleClickRow(f.view(), 1);
        QCOMPARE(f.starter.starts.size(), std::size_t{1});
        const RecordingStarter::Start& start = f.starter.starts[0];
        QCOMPARE(start.path, f.list().m_list[1].path);
        QCOMPARE(start.programMode, 1);
        QCOMPARE(start.settings.cellMs, 250.0);
        QCOMPARE(start.settings.lengthMs, 250.0 * 80);
        QCOMPARE(start.settings.level, 40.0);
        QCOMPARE(f.list().m_nCurrent, 1);

        // A reorder by drag keeps the running program's dot and is saved.
        DragRow(f.view(), 1, 0);
        QCOMPARE(f.list().m_nCurrent, 0);
        QCOMPARE(f.list().m_list[0].path, start.path);
        QCOMPARE(f.stored(), Paths(f.list()));
    }

    void paintsTheProgramListsColours() {
        ProgramFixture f;
        QVERIFY(f.started);
        QVERIFY(f.Create("second"));
        ClickRow(f.view(), 0);
        const QImage picture = f.view().canvas()->grab().toImage();
        const int x = picture.width() - 3;
        QCOMPARE(picture.pixelColor(x, 0 * kListRowHeight + 2), QColor(255, 255, 0));
        QCOMPARE(picture.pixelColor(x, 1 * kListRowHeight + 2), QColor(200, 200, 0));
        QCOMPARE(picture.pixelColor(x, 0 * kListRowHeight + 20), QColor(104, 104, 20));
        QCOMPARE(picture.pixelColor(x, 4 * kListRowHeight), QColor(104, 104, 20));
    }

    void rowsAreAccessibleAndActivateRuns() {
        ProgramFixture f;
        QVERIFY(f.started);
        QVERIFY(f.Create("second"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f.view().canvas());
        QVERIFY(list);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("程控列表"));
        QCOMPARE(list->childCount(), 2);
        QCOMPARE(list->child(1)->text(QAccessible::Name), QStringLiteral("second.prog"));
        list->child(1)->actionInterface()->doAction(QString::fromLatin1(kActivateAction));
        QTRY_COMPARE(f.starter.starts.size(), std::size_t{1});
        QCOMPARE(f.starter.starts[0].programMode, 1);
        QCOMPARE(f.list().m_nCurrent, 1);
    }
};

VELMORA_UI_TEST_MAIN(ProgramListPaneTest)
#include "ProgramListPaneTest.moc"
