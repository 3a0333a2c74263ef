// Frame animation files: any bytes are refused or read into a record that
// writes back to bytes reading to the same record.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/FrameAnimationFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    FrameComplierCache record;
    std::string error;
    if (!ParseFrameFile(std::string_view(reinterpret_cast<const char*>(data), size), record, &error)) return 0;
    if (record.m_pPages.size() > static_cast<std::size_t>(kMaxFramePages)) std::abort();
    if (record.m_nCols < 0 || record.m_nCols > kFrameGrid || record.m_nRows < 0 || record.m_nRows > kFrameGrid)
        if (!record.m_pPages.empty()) std::abort();

    const std::string bytes = SerializeFrameFile(record, record.m_fVersion);
    FrameComplierCache again;
    if (!ParseFrameFile(bytes, again)) std::abort();
    if (SerializeFrameFile(again, again.m_fVersion) != bytes) std::abort();
    return 0;
}
