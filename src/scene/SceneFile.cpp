#include "scene/SceneFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/AtomicFile.h"
#include "app/Log.h"
#include "app/NumberText.h"
#include "app/Profile.h"
#include "app/ProfileKey.h"
#include "app/StoredForm.h"

namespace velmora {
namespace {

// Group names have always been read through a 250-byte buffer although the
// record holds 256, so a name keeps at most 249 bytes.
constexpr std::size_t kGroupNameReadBuffer = 250;
// Floats are read as text through this buffer.
constexpr std::size_t kFloatTextBuffer = 64;

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

CSpring LoadSpring(const Profile& p, std::size_t i) {
    ProfileKey key("sp", i);
    constexpr std::size_t kAddress = CSpring::kAddressBuffer;
    CSpring sp;
    sp.x = p.GetInt(kSceneSection, key("x"), 0);
    sp.y = p.GetInt(kSceneSection, key("y"), 0);
    sp.ID = p.GetInt(kSceneSection, key("ID"), -1);
    sp.COMID = ReadText(p, key("COMID"), "", kAddress);
    sp.ADDR = ReadText(p, key("ADDR"), "", CSpring::kAddrBuffer);
    sp.COMID1 = ReadText(p, key("COMID1"), "", kAddress);
    // Channel numbers default to 1, unlike the constructor's -1: a spring
    // without keys is on channel 1 but, with empty addresses, not connected.
    sp.BLOCKID = p.GetInt(kSceneSection, key("BLOCKID"), 1);
    sp.BLOCKID1 = p.GetInt(kSceneSection, key("BLOCKID1"), 1);
    sp.ORGANGLEY = ReadFloat(p, key("ORGANGLEY"), 0.0f);
    sp.BLOCKID2 = p.GetInt(kSceneSection, key("BLOCKID2"), 1);
    sp.BLOCKID3 = p.GetInt(kSceneSection, key("BLOCKID3"), 1);
    sp.COMID2 = ReadText(p, key("COMID2"), "", kAddress);
    sp.COMID3 = ReadText(p, key("COMID3"), "", kAddress);
    sp.BLOCKID_L = p.GetInt(kSceneSection, key("BLOCKID_L"), 1);
    sp.COMID_L = ReadText(p, key("COMID_L"), "", kAddress);
    return sp;
}

CSpringGroup LoadGroup(const Profile& p, std::size_t g) {
    ProfileKey key("GP", g);
    CSpringGroup gp;
    gp.color = static_cast<COLORREF>(p.GetInt(kSceneSection, key("color"), 65280));
    gp.name = ReadText(p, key("name"), "--", kGroupNameReadBuffer);
    gp.BLOCKID = p.GetInt(kSceneSection, key("BLOCKID"), -1);
    gp.COMID = ReadText(p, key("COMID"), "", CSpring::kAddressBuffer);
    gp.nPreTime = p.GetInt(kSceneSection, key("nPreTime"), 0);
    gp.bMannual = p.GetInt(kSceneSection, key("bMannual"), 0);
    gp.ID = p.GetInt(kSceneSection, key("ID"), Scene::kFirstID);
    gp.bSpecialBTN = p.GetInt(kSceneSection, key("bSpecialBTN"), 0);
    const std::int32_t stored = p.GetInt(kSceneSection, key("childCount"), 0);
    // The member array has 500 entries; a larger count would run past it.
    constexpr auto kMax = static_cast<std::int32_t>(CSpringGroup::kMaxChildren);
    if (stored > kMax) {
        LogMessage("Scene file: group %zu has %d members, only the first %d loaded", g, stored, kMax);
    }
    gp.childCount = stored < 0 ? 0 : (stored > kMax ? kMax : stored);
    gp.initX = p.GetInt(kSceneSection, key("initX"), 0);
    gp.initY = p.GetInt(kSceneSection, key("initY"), 0);
    for (int j = 0; j < gp.childCount; ++j) {
        gp.children[static_cast<std::size_t>(j)] = p.GetInt(kSceneSection, key("child", static_cast<std::size_t>(j)), -1);
    }
    return gp;
}

void LoadChannel(const Profile& p, std::size_t c, ChannelInfo& ch) {
    ProfileKey key("Channel", c);
    ch.IP = ReadText(p, key("IP"), "0.0.0.0", ChannelInfo::kIpBuffer);
    ch.port = p.GetInt(kSceneSection, key("port"), 102);
    ch.regType = p.GetInt(kSceneSection, key("regType"), 1);
    ch.tagNum = p.GetInt(kSceneSection, key("tagNum"), 30);
    ch.deviceID = p.GetInt(kSceneSection, key("deviceID"), 1);
    ch.nStartNum = p.GetInt(kSceneSection, key("nStartNum"), 1);
    ch.nPrevChannel = p.GetInt(kSceneSection, key("nPrevChannel"), -1);
    ch.nPrevTail = p.GetInt(kSceneSection, key("nPrevTail"), -1);
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

// Where the records' values go: into the profile's keys, or into their
// stored form. One list of fields per record serves both.
class ProfileOut {
public:
    ProfileOut(Profile& profile, std::string_view prefix, std::size_t index) : profile_(profile), key_(prefix, index) {}
    void Int(std::string_view field, std::int32_t value) { profile_.SetInt(kSceneSection, key_(field), value); }
    void Int(std::string_view field, std::size_t index, std::int32_t value) {
        profile_.SetInt(kSceneSection, key_(field, index), value);
    }
    void Text(std::string_view field, std::string_view text) {
        profile_.SetString(kSceneSection, key_(field), StoredText(text));
    }
    void Float(std::string_view field, float value) {
        profile_.SetString(kSceneSection, key_(field), FormatFloat(value));
    }

private:
    Profile& profile_;
    ProfileKey key_;
};

class FormOut {
public:
    void Int(std::string_view, std::int32_t value) { form_.Int(value); }
    void Int(std::string_view, std::size_t, std::int32_t value) { form_.Int(value); }
    void Text(std::string_view, std::string_view text) { form_.Text(text); }
    void Float(std::string_view, float value) { form_.Float(value); }
    std::string Take() { return form_.Take(); }

private:
    StoredForm form_;
};

template <class Out>
void WriteSpring(Out& out, const CSpring& sp) {
    out.Int("x", sp.x);
    out.Int("y", sp.y);
    out.Int("ID", sp.ID);
    out.Text("COMID", sp.COMID);
    out.Text("ADDR", sp.ADDR);
    out.Text("COMID1", sp.COMID1);
    out.Int("BLOCKID", sp.BLOCKID);
    out.Int("BLOCKID1", sp.BLOCKID1);
    out.Float("ORGANGLEY", sp.ORGANGLEY);
    out.Int("BLOCKID2", sp.BLOCKID2);
    out.Int("BLOCKID3", sp.BLOCKID3);
    out.Text("COMID2", sp.COMID2);
    out.Text("COMID3", sp.COMID3);
    out.Int("BLOCKID_L", sp.BLOCKID_L);
    out.Text("COMID_L", sp.COMID_L);
}

template <class Out>
void WriteGroup(Out& out, const CSpringGroup& gp) {
    constexpr auto kMax = static_cast<std::int32_t>(CSpringGroup::kMaxChildren);
    const std::int32_t members = gp.childCount < 0 ? 0 : (gp.childCount > kMax ? kMax : gp.childCount);
    // The bit pattern as a signed decimal, the form the integer reader returns.
    out.Int("color", static_cast<std::int32_t>(gp.color));
    out.Text("name", gp.name);
    out.Int("BLOCKID", gp.BLOCKID);
    out.Text("COMID", gp.COMID);
    out.Int("nPreTime", gp.nPreTime);
    out.Int("bMannual", gp.bMannual);
    out.Int("ID", gp.ID);
    out.Int("bSpecialBTN", gp.bSpecialBTN);
    out.Int("childCount", members);
    out.Int("initX", gp.initX);
    out.Int("initY", gp.initY);
    for (std::size_t j = 0; j < static_cast<std::size_t>(members); ++j) out.Int("child", j, gp.children[j]);
}

template <class Out>
void WriteChannel(Out& out, const ChannelInfo& ch) {
    out.Text("IP", ch.IP);
    out.Int("port", ch.port);
    out.Int("regType", ch.regType);
    out.Int("tagNum", ch.tagNum);
    out.Int("deviceID", ch.deviceID);
    out.Int("nStartNum", ch.nStartNum);
    out.Int("nPrevChannel", ch.nPrevChannel);
    out.Int("nPrevTail", ch.nPrevTail);
}

// Writes record `index` of `records` unless `written` says the profile holds
// its values already, and records its form.
template <class Record, class Write>
void SaveRecords(Profile& profile, std::string_view prefix, const Record* records, std::size_t count,
                 std::vector<std::string>& written, Write write) {
    written.resize(std::max(written.size(), count));
    for (std::size_t i = 0; i < count; ++i) {
        FormOut form;
        write(form, records[i]);
        std::string bytes = form.Take();
        if (bytes == written[i]) continue;
        ProfileOut out(profile, prefix, i);
        write(out, records[i]);
        written[i] = std::move(bytes);
    }
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
    SceneFileSession session;
    return session.Load(path, scene, error);
}

void SaveScene(Profile& profile, const Scene& scene, SceneFileRecords& written) {
    SaveSettings(profile, scene);
    SaveRecords(profile, "sp", scene.springs.data(), scene.springs.size(), written.springs,
                [](auto& out, const CSpring& sp) { WriteSpring(out, sp); });
    profile.SetInt(kSceneSection, "GroupCount", ToCount(scene.groups.size()));
    SaveRecords(profile, "GP", scene.groups.data(), scene.groups.size(), written.groups,
                [](auto& out, const CSpringGroup& gp) { WriteGroup(out, gp); });
    SaveRecords(profile, "Channel", scene.g_Channels.data(), scene.g_Channels.size(), written.channels,
                [](auto& out, const ChannelInfo& ch) { WriteChannel(out, ch); });
}

void SaveScene(Profile& profile, const Scene& scene) {
    SceneFileRecords none;
    SaveScene(profile, scene, none);
}

bool SaveScene(const std::filesystem::path& path, const Scene& scene, std::string* error) {
    SceneFileSession session;
    return session.Save(path, scene, error);
}

bool SceneFileSession::Load(const std::filesystem::path& path, Scene& scene, std::string* error) {
    RemoveStaleTemporaryFiles(path);  // left by a save that was killed
    std::string reason;
    const bool read = file_.Open(path, &reason);
    written_ = {};
    // Whatever happened, the scene gets the file's values or the defaults.
    LoadScene(file_.profile(), scene);
    if (!read) {
        file_.Forget();
        LogMessage("Scene file %s cannot be read: %s", path.string().c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    return true;
}

bool SceneFileSession::Save(const std::filesystem::path& path, const Scene& scene, std::string* error) {
    std::string reason;
    if (!file_.Open(path, &reason)) {
        LogMessage("Scene file %s not saved, it cannot be read: %s", path.string().c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    if (!file_.kept()) written_ = {};
    SaveScene(file_.profile(), scene, written_);
    if (!file_.Save(&reason)) {
        written_ = {};
        LogMessage("Scene file %s not saved: %s", path.string().c_str(), reason.c_str());
        if (error) *error = reason;
        return false;
    }
    return true;
}

}  // namespace velmora
