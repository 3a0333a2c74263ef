#include "media/WaitProcess.h"

#include <utility>

namespace velmora {

WaitProcess::WaitProcess(std::vector<std::filesystem::path> files) : m_arrFiles(std::move(files)) {}

void WaitProcess::Start() {
    m_nIndex = 0;
    m_fProgress = 0.0;
    closed_ = m_arrFiles.empty();
    if (!closed_) m_pPlayer = std::make_unique<CMP3Player>(m_arrFiles[0]);
}

bool WaitProcess::Tick(std::chrono::milliseconds probe) {
    if (closed_) return false;
    while (m_nIndex < m_arrFiles.size()) {
        if (m_pPlayer && !m_pPlayer->WaitFinished(probe)) {
            const int q = 100 / static_cast<int>(m_arrFiles.size());
            const int percent = m_pPlayer->m_nPercent.load();
            m_fProgress = (q * percent / 100 + q * static_cast<int>(m_nIndex)) / 100.0;
            return true;
        }
        ++m_nIndex;
        if (m_nIndex >= m_arrFiles.size()) {
            closed_ = true;  // the last player stays: its records are the result
            return false;
        }
        m_pPlayer = std::make_unique<CMP3Player>(m_arrFiles[m_nIndex]);
        return true;
    }
    closed_ = true;
    return false;
}

void WaitProcess::Cancel(std::chrono::milliseconds bound) {
    if (closed_) return;
    closed_ = true;
    cancelled_ = true;
    if (m_pPlayer) {
        m_pPlayer->m_bStop = 1;
        m_pPlayer->WaitFinished(bound);
    }
}

std::filesystem::path WaitProcess::CurrentFile() const {
    if (m_nIndex < m_arrFiles.size()) return m_arrFiles[m_nIndex];
    if (!m_arrFiles.empty()) return m_arrFiles.back();
    return {};
}

const std::vector<CMP3Player::spectum>& WaitProcess::Result() const {
    // The worker appends until it ends; its list is read only after that.
    return m_pPlayer && m_pPlayer->Finished() ? m_pPlayer->m_listSpectrum : empty_;
}

}  // namespace velmora
