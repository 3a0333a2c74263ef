#include "scene/SceneFile.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "app/AtomicFile.h"
#include "app/Log.h"
#include "app/NumberText.h"
#include "app/Profile.h"

namespace velmora {
namespace {

// Group names have always been read through a 250-byte buffer although the
// record holds 256, so a name keeps at most 249 bytes.
constexpr std::size_t kGroupNameReadBuffer = 250;
// Floats are read as text through this buffer.
constexpr std::size_t kFloatTextBuffer = 64;

// Key names are short (two numbers of any size still fit 48 bytes); snprintf
// into a fixed buffer avoids a string allocation per key of a large scene.
class Key {
public:
    Key(const char* format, int a) { std::snprintf(text_, sizeof text_, format, a); }
    Key(const char* format, int a, int b) { std::snprintf(text_, sizeof text_, format, a, b); }
    operator std::string_view() const { return text_; }

private:
    char text_[48];
};

// The blanks the profile reader trims around a value (0x1A included).
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

// A lone CR inside a value is ordinary text to the reader, but no writer can
// put it back (a value is one line), so it is taken as the blank it will be
// saved as; what is in memory is then exactly what the file keeps.
std::string ReadText(const Profile& profile, std::string_view key, std::string_view def, std::size_t buffer) {
    std::string text = profile.GetString(kSceneSection, key, def, buffer);
    for (char& c : text) {
        if (c == '\r') c = ' ';
    }
    return text;
}

float ReadFloat(const Profile& profile, std::string_view key, float def) {
    const std::string text = profile.GetString(kSceneSection, key, "", kFloatTextBuffer);
    if (text.empty()) return def;
    return TextToFloat(text, def);
}

// The reader strips surrounding blanks and one pair of matching quotes. A
// text that starts or ends with either would come back changed, so it is
// written inside one more pair of quotes, which the reader (ours and the
// Windows one alike) removes again. Line breaks cannot live in a one-line
// value and would end it early, letting the rest of the text pose as a key;
// they become blanks.
std::string StoredText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    if (out.empty()) return out;
    const char head = out.front();
    const char tail = out.back();
    const bool quoted = out.size() >= 2 && head == tail && (head == '"' || head == '\'');
    if (quoted || IsBlank(head) || IsBlank(tail)) out = '"' + out + '"';
    return out;
}

std::int32_t ClampCount(std::int32_t stored, std::int32_t limit, const char* what) {
    if (stored < 0) return 0;
    if (stored > limit) {
        LogMessage("Scene file: %s %d exceeds %d, only %d loaded", what, stored, limit, limit);
        return limit;
    }
    return stored;
}

std::int32_t ToCount(std::size_t size) {
    return size > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(size);
}

void LoadSettings(const Profile& p, Scene& scene) {
    SceneSettings& s = scene.settings;
    s.BGBMP = ReadText(p, "BGBMP", "", SceneSettings::kPathBuffer);
    s.g_nPrepareTime = p.GetInt(kSceneSection, "PrepareTime", 0);
    // Written with "%f"; the Windows program read it back as an integer and
    // lost the fraction. Reading the text keeps what was written.
    s.g_fGravity = ReadFloat(p, "graParam", 5.0f);
    s.g_nParticleCount = p.GetInt(kSceneSection, "numofwater", 20);
    s.g_nPulsePerRoundZ = p.GetInt(kSceneSection, "pulsePerRound", 8000);
    s.g_nPulsePerRoundY = p.GetInt(kSceneSection, "pulsePerRound_Y", 5000);
    s.g_nSystemInterval = p.GetInt(kSceneSection, "SystemInterval", 2000);
    s.g_strLight = ReadText(p, "strLight", "", SceneSettings::kPathBuffer);
    scene.m_nNextID = p.GetInt(kSceneSection, "SpringIndex", Scene::kFirstID);
}

CSpring LoadSpring(const Profile& p, int i) {
    constexpr std::size_t kAddress = CSpring::kAddressBuffer;
    CSpring sp;
    sp.x = p.GetInt(kSceneSection, Key("sp%d_x", i), 0);
    sp.y = p.GetInt(kSceneSection, Key("sp%d_y", i), 0);
    sp.ID = p.GetInt(kSceneSection, Key("sp%d_ID", i), -1);
    sp.COMID = ReadText(p, Key("sp%d_COMID", i), "", kAddress);
    sp.ADDR = ReadText(p, Key("sp%d_ADDR", i), "", CSpring::kAddrBuffer);
    sp.COMID1 = ReadText(p, Key("sp%d_COMID1", i), "", kAddress);
    // Channel numbers default to 1, unlike the constructor's -1: a spring
    // without keys is on channel 1 but, with empty addresses, not connected.
    sp.BLOCKID = p.GetInt(kSceneSection, Key("sp%d_BLOCKID", i), 1);
    sp.BLOCKID1 = p.GetInt(kSceneSection, Key("sp%d_BLOCKID1", i), 1);
    sp.ORGANGLEY = ReadFloat(p, Key("sp%d_ORGANGLEY", i), 0.0f);
    sp.BLOCKID2 = p.GetInt(kSceneSection, Key("sp%d_BLOCKID2", i), 1);
    sp.BLOCKID3 = p.GetInt(kSceneSection, Key("sp%d_BLOCKID3", i), 1);
    sp.COMID2 = ReadText(p, Key("sp%d_COMID2", i), "", kAddress);
    sp.COMID3 = ReadText(p, Key("sp%d_COMID3", i), "", kAddress);
    sp.BLOCKID_L = p.GetInt(kSceneSection, Key("sp%d_BLOCKID_L", i), 1);
    sp.COMID_L = ReadText(p, Key("sp%d_COMID_L", i), "", kAddress);
    return sp;
}

CSpringGroup LoadGroup(const Profile& p, int g) {
    CSpringGroup gp;
    gp.color = static_cast<COLORREF>(p.GetInt(kSceneSection, Key("GP%d_color", g), 65280));
    gp.name = ReadText(p, Key("GP%d_name", g), "--", kGroupNameReadBuffer);
    gp.BLOCKID = p.GetInt(kSceneSection, Key("GP%d_BLOCKID", g), -1);
    gp.COMID = ReadText(p, Key("GP%d_COMID", g), "", CSpring::kAddressBuffer);
    gp.nPreTime = p.GetInt(kSceneSection, Key("GP%d_nPreTime", g), 0);
    gp.bMannual = p.GetInt(kSceneSection, Key("GP%d_bMannual", g), 0);
    gp.ID = p.GetInt(kSceneSection, Key("GP%d_ID", g), Scene::kFirstID);
    gp.bSpecialBTN = p.GetInt(kSceneSection, Key("GP%d_bSpecialBTN", g), 0);
    const std::int32_t stored = p.GetInt(kSceneSection, Key("GP%d_childCount", g), 0);
    // The member array has 500 entries; a larger count would run past it.
    constexpr auto kMax = static_cast<std::int32_t>(CSpringGroup::kMaxChildren);
    if (stored > kMax) {
        LogMessage("Scene file: group %d has %d members, only the first %d loaded", g, stored, kMax);
    }
    gp.childCount = stored < 0 ? 0 : (stored > kMax ? kMax : stored);
    gp.initX = p.GetInt(kSceneSection, Key("GP%d_initX", g), 0);
    gp.initY = p.GetInt(kSceneSection, Key("GP%d_initY", g), 0);
    for (int j = 0; j < gp.childCount; ++j) {
        gp.children[static_cast<std::size_t>(j)] = p.GetInt(kSceneSection, Key("GP%d_child%d", g, j), -1);
    }
    return gp;
}

void LoadChannel(const Profile& p, int c, ChannelInfo& ch) {
    ch.IP = ReadText(p, Key("Channel%d_IP", c), "0.0.0.0", ChannelInfo::kIpBuffer);
    ch.port = p.GetInt(kSceneSection, Key("Channel%d_port", c), 102);
    ch.regType = p.GetInt(kSceneSection, Key("Channel%d_regType", c), 1);
    ch.tagNum = p.GetInt(kSceneSection, Key("Channel%d_tagNum", c), 30);
    ch.deviceID = p.GetInt(kSceneSection, Key("Channel%d_deviceID", c), 1);
    ch.nStartNum = p.GetInt(kSceneSection, Key("Channel%d_nStartNum", c), 1);
    ch.nPrevChannel = p.GetInt(kSceneSection, Key("Channel%d_nPrevChannel", c), -1);
    ch.nPrevTail = p.GetInt(kSceneSection, Key("Channel%d_nPrevTail", c), -1);
}

void SaveSettings(Profile& p, const Scene& scene) {
    const SceneSettings& s = scene.settings;
    p.SetString(kSceneSection, "BGBMP", StoredText(s.BGBMP));
    p.SetInt(kSceneSection, "PrepareTime", s.g_nPrepareTime);
    p.SetString(kSceneSection, "graParam", FormatFloat(s.g_fGravity));
    p.SetInt(kSceneSection, "numofwater", s.g_nParticleCount);
    p.SetInt(kSceneSection, "pulsePerRound", s.g_nPulsePerRoundZ);
    p.SetInt(kSceneSection, "pulsePerRound_Y", s.g_nPulsePerRoundY);
    p.SetInt(kSceneSection, "SystemInterval", s.g_nSystemInterval);
    p.SetString(kSceneSection, "strLight", StoredText(s.g_strLight));
    p.SetInt(kSceneSection, "SpringIndex", scene.m_nNextID);
    p.SetInt(kSceneSection, "count", ToCount(scene.springs.size()));
}

void SaveSpring(Profile& p, int i, const CSpring& sp) {
    p.SetInt(kSceneSection, Key("sp%d_x", i), sp.x);
    p.SetInt(kSceneSection, Key("sp%d_y", i), sp.y);
    p.SetInt(kSceneSection, Key("sp%d_ID", i), sp.ID);
    p.SetString(kSceneSection, Key("sp%d_COMID", i), StoredText(sp.COMID));
    p.SetString(kSceneSection, Key("sp%d_ADDR", i), StoredText(sp.ADDR));
    p.SetString(kSceneSection, Key("sp%d_COMID1", i), StoredText(sp.COMID1));
    p.SetInt(kSceneSection, Key("sp%d_BLOCKID", i), sp.BLOCKID);
    p.SetInt(kSceneSection, Key("sp%d_BLOCKID1", i), sp.BLOCKID1);
    p.SetString(kSceneSection, Key("sp%d_ORGANGLEY", i), FormatFloat(sp.ORGANGLEY));
    p.SetInt(kSceneSection, Key("sp%d_BLOCKID2", i), sp.BLOCKID2);
    p.SetInt(kSceneSection, Key("sp%d_BLOCKID3", i), sp.BLOCKID3);
    p.SetString(kSceneSection, Key("sp%d_COMID2", i), StoredText(sp.COMID2));
    p.SetString(kSceneSection, Key("sp%d_COMID3", i), StoredText(sp.COMID3));
    p.SetInt(kSceneSection, Key("sp%d_BLOCKID_L", i), sp.BLOCKID_L);
    p.SetString(kSceneSection, Key("sp%d_COMID_L", i), StoredText(sp.COMID_L));
}

void SaveGroup(Profile& p, int g, const CSpringGroup& gp) {
    constexpr auto kMax = static_cast<std::int32_t>(CSpringGroup::kMaxChildren);
    const std::int32_t members = gp.childCount < 0 ? 0 : (gp.childCount > kMax ? kMax : gp.childCount);
    // The bit pattern as a signed decimal, the form the integer reader returns.
    p.SetInt(kSceneSection, Key("GP%d_color", g), static_cast<std::int32_t>(gp.color));
    p.SetString(kSceneSection, Key("GP%d_name", g), StoredText(gp.name));
    p.SetInt(kSceneSection, Key("GP%d_BLOCKID", g), gp.BLOCKID);
    p.SetString(kSceneSection, Key("GP%d_COMID", g), StoredText(gp.COMID));
    p.SetInt(kSceneSection, Key("GP%d_nPreTime", g), gp.nPreTime);
    p.SetInt(kSceneSection, Key("GP%d_bMannual", g), gp.bMannual);
    p.SetInt(kSceneSection, Key("GP%d_ID", g), gp.ID);
    p.SetInt(kSceneSection, Key("GP%d_bSpecialBTN", g), gp.bSpecialBTN);
    p.SetInt(kSceneSection, Key("GP%d_childCount", g), members);
    p.SetInt(kSceneSection, Key("GP%d_initX", g), gp.initX);
    p.SetInt(kSceneSection, Key("GP%d_initY", g), gp.initY);
    for (int j = 0; j < members; ++j) {
        p.SetInt(kSceneSection, Key("GP%d_child%d", g, j), gp.children[static_cast<std::size_t>(j)]);
    }
}

void SaveChannel(Profile& p, int c, const ChannelInfo& ch) {
    p.SetString(kSceneSection, Key("Channel%d_IP", c), StoredText(ch.IP));
    p.SetInt(kSceneSection, Key("Channel%d_port", c), ch.port);
    p.SetInt(kSceneSection, Key("Channel%d_regType", c), ch.regType);
    p.SetInt(kSceneSection, Key("Channel%d_tagNum", c), ch.tagNum);
    p.SetInt(kSceneSection, Key("Channel%d_deviceID", c), ch.deviceID);
    p.SetInt(kSceneSection, Key("Channel%d_nStartNum", c), ch.nStartNum);
    p.SetInt(kSceneSection, Key("Channel%d_nPrevChannel", c), ch.nPrevChannel);
    p.SetInt(kSceneSection, Key("Channel%d_nPrevTail", c), ch.nPrevTail);
}

}  // namespace

void LoadScene(const Profile& profile, Scene& scene, const SceneLimits& limits) {
    LoadSettings(profile, scene);

    const std::int32_t springCount =
        ClampCount(profile.GetInt(kSceneSection, "count", 0), limits.maxSprings, "spring count");
    scene.springs.reserve(scene.springs.size() + static_cast<std::size_t>(springCount));
    for (int i = 0; i < springCount; ++i) scene.springs.push_back(LoadSpring(profile, i));

    const std::int32_t groupCount =
        ClampCount(profile.GetInt(kSceneSection, "GroupCount", 0), limits.maxGroups, "group count");
    scene.groups.reserve(scene.groups.size() + static_cast<std::size_t>(groupCount));
    for (int g = 0; g < groupCount; ++g) scene.groups.push_back(LoadGroup(profile, g));

    for (int c = 0; c < kChannelCount; ++c) LoadChannel(profile, c, scene.g_Channels[static_cast<std::size_t>(c)]);

    scene.Reindex();
}

bool LoadScene(const std::filesystem::path& path, Scene& scene, std::string* error) {
    RemoveStaleTemporaryFiles(path);  // left by a save that was killed
    Profile profile;
    std::string reason;
    const bool read = profile.Load(path, &reason);
    // Whatever happened, the scene gets the file's values or the defaults.
    LoadScene(profile, scene);
    if (!read && profile.existed()) {
        LogMessage("Scene file %s cannot be read: %s", path.string().c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    return true;
}

void SaveScene(Profile& profile, const Scene& scene) {
    SaveSettings(profile, scene);
    for (std::size_t i = 0; i < scene.springs.size(); ++i) {
        SaveSpring(profile, static_cast<int>(i), scene.springs[i]);
    }
    profile.SetInt(kSceneSection, "GroupCount", ToCount(scene.groups.size()));
    for (std::size_t g = 0; g < scene.groups.size(); ++g) {
        SaveGroup(profile, static_cast<int>(g), scene.groups[g]);
    }
    for (int c = 0; c < kChannelCount; ++c) SaveChannel(profile, c, scene.g_Channels[static_cast<std::size_t>(c)]);
}

bool SaveScene(const std::filesystem::path& path, const Scene& scene, std::string* error) {
    Profile profile;
    std::string reason;
    if (!profile.Load(path, &reason) && profile.existed()) {
        LogMessage("Scene file %s not saved, it cannot be read: %s", path.string().c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    SaveScene(profile, scene);
    if (!profile.Save(&reason)) {
        LogMessage("Scene file %s not saved: %s", path.string().c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    return true;
}

}  // namespace velmora
