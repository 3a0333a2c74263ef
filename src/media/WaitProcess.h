#pragma once
// The logic of the "等待" (Wait) progress dialog: analyses a list of files one
// after the other and reports the overall progress. The dialog ticks it every
// 70 ms and paints its state; the command-line tool ticks it the same way.
// The last file's records are the result.
//
// Thread contract: one thread (the dialog's or the tool's).

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "media/Mp3Analyser.h"

namespace velmora {

class WaitProcess {
public:
    static constexpr std::chrono::milliseconds kTickPeriod{70};
    static constexpr std::chrono::milliseconds kRunningProbe{10};
    static constexpr const char* kTitle = "等待";
    // How long a cancel waits for the worker to notice (it looks once per
    // 1/15 s chunk of audio, so it normally ends within microseconds).
    static constexpr std::chrono::milliseconds kCancelBound{3000};

    explicit WaitProcess(std::vector<std::filesystem::path> files);

    // Starts the analysis of the first file (the dialog opening).
    void Start();

    // One timer tick. Returns false once the dialog would close (the last
    // file's analysis has ended), true while work remains.
    bool Tick(std::chrono::milliseconds probe = kRunningProbe);

    // The operator closed the dialog before the end: the analysis under way
    // stops and the records it made so far become the result; the files
    // after it are not analysed. Closed() is true afterwards. Should the
    // worker not stop within `bound`, the result is empty rather than a
    // list it may still be writing.
    void Cancel(std::chrono::milliseconds bound = kCancelBound);

    bool Closed() const { return closed_; }
    bool Cancelled() const { return cancelled_; }
    // The file shown (the one being analysed); empty when there is none.
    std::filesystem::path CurrentFile() const;
    // The records of the last file analysed once its worker has ended
    // (closed, or cancelled); empty before.
    const std::vector<CMP3Player::spectum>& Result() const;

    std::vector<std::filesystem::path> m_arrFiles;
    std::size_t m_nIndex = 0;
    std::unique_ptr<CMP3Player> m_pPlayer;
    double m_fProgress = 0.0;  // 0..1

private:
    bool closed_ = false;
    bool cancelled_ = false;
    std::vector<CMP3Player::spectum> empty_;
};

}  // namespace velmora
