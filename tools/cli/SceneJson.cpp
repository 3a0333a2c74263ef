#include "Json.h"

#include <algorithm>

namespace velmora::cli {

namespace {

nlohmann::ordered_json SpringToJson(const CSpring& s) {
    return {
        {"x", s.x}, {"y", s.y}, {"ID", s.ID}, {"COMID", s.COMID}, {"ADDR", s.ADDR},
        {"COMID1", s.COMID1}, {"BLOCKID", s.BLOCKID}, {"BLOCKID1", s.BLOCKID1},
        {"ORGANGLEY", JsonFloat(s.ORGANGLEY)}, {"BLOCKID2", s.BLOCKID2}, {"BLOCKID3", s.BLOCKID3},
        {"COMID2", s.COMID2}, {"COMID3", s.COMID3}, {"BLOCKID_L", s.BLOCKID_L},
        {"COMID_L", s.COMID_L},
    };
}

nlohmann::ordered_json GroupToJson(const CSpringGroup& g) {
    auto children = nlohmann::ordered_json::array();
    const int count = std::clamp<int>(g.childCount, 0, static_cast<int>(g.children.size()));
    for (int j = 0; j < count; ++j) children.push_back(g.children[static_cast<std::size_t>(j)]);
    return {
        {"color", g.color}, {"name", g.name}, {"BLOCKID", g.BLOCKID}, {"COMID", g.COMID},
        {"nPreTime", g.nPreTime}, {"bMannual", g.bMannual}, {"ID", g.ID},
        {"bSpecialBTN", g.bSpecialBTN}, {"childCount", g.childCount}, {"initX", g.initX},
        {"initY", g.initY}, {"children", std::move(children)},
    };
}

nlohmann::ordered_json ChannelToJson(const ChannelInfo& c) {
    return {
        {"IP", c.IP}, {"port", c.port}, {"regType", c.regType}, {"tagNum", c.tagNum},
        {"deviceID", c.deviceID}, {"nStartNum", c.nStartNum}, {"nPrevChannel", c.nPrevChannel},
        {"nPrevTail", c.nPrevTail},
    };
}

}  // namespace

nlohmann::ordered_json SceneToJson(const Scene& scene) {
    const SceneSettings& st = scene.settings;
    nlohmann::ordered_json out = {
        {"BGBMP", st.BGBMP},
        {"PrepareTime", st.g_nPrepareTime},
        {"graParam", JsonFloat(st.g_fGravity)},
        {"numofwater", st.g_nParticleCount},
        {"pulsePerRound", st.g_nPulsePerRoundZ},
        {"pulsePerRound_Y", st.g_nPulsePerRoundY},
        {"SystemInterval", st.g_nSystemInterval},
        {"strLight", st.g_strLight},
        {"SpringIndex", scene.m_nNextID},
    };
    auto springs = nlohmann::ordered_json::array();
    for (const CSpring& s : scene.springs) springs.push_back(SpringToJson(s));
    auto groups = nlohmann::ordered_json::array();
    for (const CSpringGroup& g : scene.groups) groups.push_back(GroupToJson(g));
    auto channels = nlohmann::ordered_json::array();
    for (const ChannelInfo& c : scene.g_Channels) channels.push_back(ChannelToJson(c));
    out["springs"] = std::move(springs);
    out["groups"] = std::move(groups);
    out["channels"] = std::move(channels);
    return out;
}

std::string Dump(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace velmora::cli
