#pragma once
// What every window of the desktop program is built with: the runtime (the
// documents, the playback object, the lists, the engine's published state)
// and the operator's message boxes. Panes get it at construction and never
// reach for globals.
//
// Thread contract: UI thread.

namespace velmora {

class Prompter;
class Runtime;

struct DesktopContext {
    Runtime& runtime;
    Prompter& prompter;
};

}  // namespace velmora
