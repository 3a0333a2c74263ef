#pragma once
// Runs a music analysis to its end as the "等待" dialog does, ticking it on
// the dialog's period, with a progress bar on stderr when it is a terminal.

#include "media/WaitProcess.h"

namespace velmora::cli {

// Starts `wait` and ticks it until it closes; returns the player of the
// last file, whose records (or m_nError) are the result.
const CMP3Player& RunAnalysisWithProgress(WaitProcess& wait);

}  // namespace velmora::cli
