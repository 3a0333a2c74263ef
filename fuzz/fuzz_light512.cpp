// 512 moving-head tables: any bytes give a clear status; a table read holds
// one name and one full row of cells per data line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/Light512Table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    Light512ComplierCache table;
    const Light512Status status =
        ParseLight512(std::string_view(reinterpret_cast<const char*>(data), size), table);
    if (status != Light512Status::Ok) {
        if (!table.m_ppRowData.empty() || !table.m_listRowNames.empty()) std::abort();
        return 0;
    }
    if (table.m_ppRowData.size() != table.m_listRowNames.size()) std::abort();
    for (const auto& row : table.m_ppRowData) {
        if (row.size() != table.ColumnCount()) std::abort();
        for (const Light512Cell& cell : row)
            if (Light512CellHex(cell).size() != 32) std::abort();
    }
    return 0;
}
