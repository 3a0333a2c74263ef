#include "media/ui/ProgramListPane.h"

#include <string>

#include <QAction>

#include "app/Prompter.h"
#include "engine/MusicWav.h"
#include "media/ProgramList.h"
#include "media/ui/ProgramPropDialog.h"
#include "runtime/Runtime.h"

namespace velmora {

namespace {

const PlaylistColours kProgramColours{QColor(104, 104, 20), QColor(255, 255, 0), QColor(200, 200, 0)};

std::unique_ptr<PlaylistSource> ProgramSource(Runtime& runtime) {
    CMusicWav* wav = runtime.g_pMusicWav.get();
    return std::make_unique<CoreListSource<CProgramList>>(
        *runtime.g_pProgramList, [wav](const std::string& path) { return wav->Locate(path, 1).has_value(); });
}

// Passes the list's messages on and counts them, so that a failure the list
// already explained is not told a second time.
class CountingPrompter final : public Prompter {
public:
    explicit CountingPrompter(Prompter& to) : to_(to) {}
    bool AskYesNo(std::string_view text) override {
        ++count;
        return to_.AskYesNo(text);
    }
    void Tell(std::string_view text) override {
        ++count;
        to_.Tell(text);
    }
    int count = 0;

private:
    Prompter& to_;
};

std::optional<ProgramEdit> RunPropertiesDialog(ProgramEditMode mode, const ProgramEdit& initial, QWidget* parent) {
    ProgramPropDialog dialog(mode == ProgramEditMode::Create ? ProgramPropDialog::Mode::Create
                                                             : ProgramPropDialog::Mode::Edit,
                             initial.name, initial.params, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ProgramEdit{dialog.name(), dialog.params()};
}

}  // namespace

ProgramListPane::ProgramListPane(DesktopContext& context, const QString& title, QWidget* parent)
    : PlaylistPane(context, ProgramSource(context.runtime), kProgramColours, title, parent),
      programs_(*context.runtime.g_pProgramList),
      editor_(RunPropertiesDialog) {
    properties_ = AddToolButton(IconId::Properties, kPropertiesText);
    connect(properties_, &QAction::triggered, this, &ProgramListPane::EditProperties);
    UpdateCommands();
}

void ProgramListPane::UpdateCommands() {
    PlaylistPane::UpdateCommands();
    properties_->setEnabled(programs_.PropertiesEnabled());
}

void ProgramListPane::AddEntries() {
    const ProgramEdit initial{QString::fromLatin1(CProgramList::kDefaultName), ProgParams{}};
    const std::optional<ProgramEdit> edit = editor_(ProgramEditMode::Create, initial, this);
    if (!edit) return;
    CountingPrompter told(context_.prompter);
    std::string error;
    if (!programs_.NewProgram(edit->name.toStdString(), edit->params, told, &error)) {
        if (told.count == 0) context_.prompter.Tell(std::string(kProgramNotCreatedMessage) + error);
        return;
    }
    view()->ListChanged(true);
    UpdateCommands();
    SaveLists();
}

void ProgramListPane::EditProperties() {
    const std::optional<ProgParams> params = programs_.PropertiesOfSelection();
    if (!params) return;
    QString name;
    for (const CProgramList::program& entry : programs_.m_list) {
        if (entry.selected) {
            name = QString::fromStdString(entry.name);
            break;
        }
    }
    const std::optional<ProgramEdit> edit = editor_(ProgramEditMode::Edit, ProgramEdit{name, *params}, this);
    if (!edit) return;
    std::string error;
    if (!programs_.ApplyProperties(edit->params, context_.prompter, &error) && !error.empty())
        context_.prompter.Tell(std::string(kProgramNotWrittenMessage) + error);
    view()->update();
}

bool ProgramListPane::DeleteEntries() {
    return programs_.DeleteSelected(context_.prompter);
}

bool ProgramListPane::DeleteEnabled() const {
    return programs_.DeleteEnabled();
}

}  // namespace velmora
