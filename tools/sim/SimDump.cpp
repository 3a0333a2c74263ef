#include "SimDump.h"

#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

namespace velmora::sim {

std::string DumpJson(const std::vector<std::unique_ptr<Endpoint>>& endpoints) {
    nlohmann::ordered_json root;
    root["endpoints"] = nlohmann::ordered_json::array();
    for (const auto& e : endpoints) {
        nlohmann::ordered_json ej;
        ej["listen"] = e->Name();
        ej["connections"] = e->connections;
        ej["requests"] = e->requests;
        ej["lastRequestBytes"] = e->lastRequestBytes;
        ej["units"] = nlohmann::ordered_json::array();
        for (const auto& [id, unit] : e->units) {
            nlohmann::ordered_json uj;
            uj["unit"] = id;
            uj["holding"] = nlohmann::ordered_json::object();
            for (std::size_t a = 0; a < unit.holdingWritten.size(); ++a) {
                if (unit.holdingWritten[a]) uj["holding"][std::to_string(a)] = unit.holding[a];
            }
            uj["coils"] = nlohmann::ordered_json::object();
            for (std::size_t a = 0; a < unit.coilsWritten.size(); ++a) {
                if (unit.coilsWritten[a]) uj["coils"][std::to_string(a)] = unit.coils[a];
            }
            std::string hex;
            hex.reserve(unit.lastF0.size() * 2);
            static const char* digits = "0123456789abcdef";
            for (const auto b : unit.lastF0) {
                hex.push_back(digits[b >> 4]);
                hex.push_back(digits[b & 15]);
            }
            uj["f0"] = hex;
            ej["units"].push_back(std::move(uj));
        }
        root["endpoints"].push_back(std::move(ej));
    }
    return root.dump(1) + "\n";
}

bool WriteDump(const std::filesystem::path& path, const std::vector<std::unique_ptr<Endpoint>>& endpoints,
               std::string* error) {
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << DumpJson(endpoints);
        if (!out.flush()) {
            *error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        *error = "cannot write " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace velmora::sim
