#pragma once
// A started runtime on a private copy of the demo workspace for the views
// of the playback clock, with sound going nowhere and a quick analysis in
// place of the dialog's, plus ways to start entries and run the clock.

#include <cstdlib>
#include <filesystem>
#include <memory>

#include <QtGlobal>
#include <QTest>

#include "app/Prompter.h"
#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "media/ProgramList.h"
#include "runtime/Runtime.h"
#include "ui/DesktopContext.h"
#include "ui/UiWorkspace.h"

namespace velmora::testing {

// The analysis stand-in: one quiet record every 200 ms for the first 10 s.
inline SpectrumList QuickRecords(const std::filesystem::path&, const CMusicWav::Progress& progress) {
    SpectrumList records(50);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].time = 200.0 * static_cast<double>(i);
        records[i].level = static_cast<double>(i % 10);
    }
    if (progress) progress(1.0);
    return records;
}

struct PlaybackFixture {
    PlaybackFixture() {
        qputenv("VELMORA_AUDIO", "null");
        runtime = std::make_unique<Runtime>(Workspace(ws.path()));
        started = runtime->Startup();
        context = std::make_unique<DesktopContext>(DesktopContext{*runtime, prompter});
        wav().SetAnalyser(QuickRecords);
    }

    CMusicWav& wav() { return *runtime->g_pMusicWav; }
    CMusicList& music() { return *runtime->g_pMusicList; }
    CProgramList& programs() { return *runtime->g_pProgramList; }
    std::filesystem::path MusicFile() const { return ws.path() / "Music" / "demo.mp3"; }

    // Ticks the clock (as the program's 5 ms timer does) until the
    // preparation time is over, within a bound.
    bool RunPastPreparation() {
        for (int i = 0; i < 400 && wav().m_nPrerollStart != -1; ++i) {
            wav().Tick();
            QTest::qWait(5);
        }
        wav().Tick();
        return wav().m_nPrerollStart == -1;
    }
    // The demo's program entry, running on its clock.
    bool StartProgram() {
        runtime->scene.settings.g_nPrepareTime = 0;
        programs().DoubleClick(0);
        return wav().m_bProgramMode == 1 && RunPastPreparation() && wav().m_bClockRunning == 1;
    }
    // The demo's piece, playing.
    bool StartMusic() {
        runtime->scene.settings.g_nPrepareTime = 0;
        music().DoubleClick(0);
        return wav().m_bProgramMode == 0 && RunPastPreparation() && wav().PlayerMode() == CMusicWav::kPlayingMode;
    }

    UiWorkspace ws;
    RecordingPrompter prompter;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<DesktopContext> context;
    bool started = false;
};

}  // namespace velmora::testing
