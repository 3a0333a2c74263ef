#include "document/MusicMultiplierCommand.h"

#include <mutex>

#include "app/NumberText.h"
#include "document/SheetText.h"
#include "document/ShowDocument.h"

namespace velmora {

MusicMultiplierCommand::MusicMultiplierCommand(ShowDocument& doc, std::string_view text)
    : doc_(doc), before_(doc.show().g_fMusicMultiplier), after_(before_) {
    if (AcceptsNumber(text, kMinimum, kMaximum)) after_ = TextToFloat(text);
}

Change MusicMultiplierCommand::Put(float value) {
    Show& show = doc_.show();
    if (show.g_fMusicMultiplier == value) return {};
    {
        std::lock_guard lock(doc_.outputLock());  // the engine reads it every tick
        show.g_fMusicMultiplier = value;
    }
    return Change::Of(Change::kSettings);
}

}  // namespace velmora
