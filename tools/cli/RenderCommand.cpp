// The render command: runs engine ticks on the workspace's scene and a show
// at chosen positions, with the music level, hand mode, time of day and
// engine clock fixed so that every result is reproducible, and prints one
// JSON line per tick: the channels' register slots, moving-head buffers and
// request frames, and the springs' and groups' run-time fields.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "AnalysisProgress.h"
#include "Commands.h"
#include "Json.h"
#include "app/Log.h"
#include "runtime/Runtime.h"
#include "comm/OutputWrites.h"
#include "comm/RequestFrame.h"
#include "engine/EngineTick.h"
#include "engine/PlaybackState.h"
#include "media/WaitProcess.h"

namespace velmora::cli {

namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

// More ticks than a whole evening's show at one per 21 ms would be a typo.
constexpr std::int64_t kMaxTicks = 2'000'000;

struct RenderOptions {
    fs::path show;
    double at = 0.0;
    std::optional<double> to;
    std::optional<double> step;
    std::optional<std::int32_t> level;
    std::optional<fs::path> music;
    bool hand = false;
    std::optional<std::int32_t> clockMinute;
    std::int64_t elapsed = 0;
};

bool ParseNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc{} && result.ptr == end && std::isfinite(value);
}

template <class Int>
bool ParseInteger(const std::string& text, Int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc{} && result.ptr == end;
}

// "HH:MM" with 0 <= HH <= 23 and 0 <= MM <= 59.
std::optional<std::int32_t> ParseClock(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    if (!ParseInteger(text.substr(0, colon), hour) || !ParseInteger(text.substr(colon + 1), minute))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return std::nullopt;
    return hour * 60 + minute;
}

// Fills `options` from the arguments; returns an error text, empty when fine.
std::string ParseOptions(const std::vector<std::string>& args, RenderOptions& options) {
    std::vector<std::string> files;
    bool haveAt = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--hand") {
            options.hand = true;
        } else if (a == "--at" || a == "--to" || a == "--step") {
            double number = 0.0;
            if (!value(v) || !ParseNumber(v, number)) return a + " needs a number of milliseconds";
            if (a == "--at") {
                options.at = number;
                haveAt = true;
            } else if (a == "--to") {
                options.to = number;
            } else {
                options.step = number;
            }
        } else if (a == "--level") {
            std::int32_t level = 0;
            if (!value(v) || !ParseInteger(v, level) || level < 0 || level > 128)
                return "--level needs a level 0..128";
            options.level = level;
        } else if (a == "--music") {
            if (!value(v)) return "--music needs an MP3 file";
            options.music = v;
        } else if (a == "--clock") {
            if (!value(v)) return "--clock needs a time of day HH:MM";
            options.clockMinute = ParseClock(v);
            if (!options.clockMinute) return "--clock needs a time of day HH:MM, not '" + v + "'";
        } else if (a == "--elapsed") {
            if (!value(v) || !ParseInteger(v, options.elapsed) || options.elapsed < 0)
                return "--elapsed needs a whole number of milliseconds >= 0";
        } else if (a.rfind("--", 0) == 0) {
            return "unknown option '" + a + "'";
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 1) return "expected one FILE.tlf";
    options.show = fs::absolute(files.front());
    if (!haveAt) return "--at MS is required";
    if (options.level && options.music) return "--level and --music exclude each other";
    if (options.to.has_value() != options.step.has_value()) return "--to and --step go together";
    if (options.step) {
        if (!(*options.step > 0.0)) return "--step must be greater than 0";
        if (*options.to < options.at) return "--to must not be before --at";
        if ((*options.to - options.at) / *options.step >= static_cast<double>(kMaxTicks))
            return "more than " + std::to_string(kMaxTicks) + " ticks requested";
    }
    return {};
}

// Analyses the music into the playback clock's records and sets the entry's
// length as the show start does (music length plus the preparation time).
bool AnalyseMusic(const fs::path& file, std::int32_t prepareTime, PlaybackState& playback) {
    WaitProcess wait({file});
    const CMP3Player& player = RunAnalysisWithProgress(wait);
    if (player.m_nError != 0) return false;
    auto records = std::make_shared<SpectrumList>(player.m_listSpectrum);
    // The duration is in whole seconds; the records reach the fraction beyond.
    double length = 1000.0 * player.Duration();
    if (!records->empty()) length = std::max(length, records->back().time + 200.0);
    playback.m_dLength.store(length + prepareTime);
    playback.SetRecords(std::move(records));
    return true;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

ordered_json ChannelsJson(const Runtime& runtime) {
    ordered_json channels = ordered_json::array();
    std::vector<std::uint8_t> frame;
    for (std::size_t c = 0; c < kChannelCount; ++c) {
        const ChannelInfo& row = runtime.scene.g_Channels[c];
        const auto& slots = runtime.output.g_ChannelImage[c];
        const auto& light = runtime.output.g_Light512Buf[c];
        const bool busy = std::any_of(slots.begin(), slots.end(), [](std::int32_t v) { return v != 0; }) ||
                          std::any_of(light.begin(), light.end(), [](std::uint8_t v) { return v != 0; });
        if (row.IP == "0.0.0.0" && !busy) continue;

        ordered_json entry;
        entry["channel"] = c + 1;
        entry["slots"] = slots;
        entry["light512"] = Hex(light);
        // What the channel's sender would put on the wire now: tagNum slots,
        // and for a moving-head channel its buffer. A channel too large for
        // one request sends nothing (empty frame).
        const std::span<const std::int32_t> sent(slots);
        frame.assign(RequestFrameSize(sent.size()), 0);
        const std::span<const std::uint8_t> buffer =
            row.regType == 5 ? std::span<const std::uint8_t>(light) : std::span<const std::uint8_t>();
        const std::size_t size = BuildRequestFrame(FrameChannelOf(row), sent, buffer, frame);
        entry["frame"] = Hex(std::span<const std::uint8_t>(frame.data(), size));
        channels.push_back(std::move(entry));
    }
    return channels;
}

ordered_json TickJson(const Runtime& runtime, const EngineTickResult& tick) {
    ordered_json out;
    out["position"] = tick.position;
    out["level"] = tick.level;
    out["channels"] = ChannelsJson(runtime);
    ordered_json springs = ordered_json::array();
    for (const CSpring& s : runtime.scene.springs) {
        springs.push_back({{"ID", s.ID},
                           {"m_bLit", s.m_bLit},
                           {"m_nOutLevel", s.m_nOutLevel},
                           {"m_crColor", s.m_crColor},
                           {"m_fSwingZ", JsonFloat(s.m_fSwingZ)},
                           {"m_fSwingY", JsonFloat(s.m_fSwingY)},
                           {"m_nSeqY", s.m_nSeqY},
                           {"m_nSeqZ", s.m_nSeqZ}});
    }
    out["springs"] = std::move(springs);
    ordered_json groups = ordered_json::array();
    for (const CSpringGroup& g : runtime.scene.groups)
        groups.push_back({{"ID", g.ID}, {"m_nAppliedState", g.m_nAppliedState}});
    out["groups"] = std::move(groups);
    return out;
}

}  // namespace

int RunRender(const Context& context) {
    RenderOptions options;
    if (const std::string error = ParseOptions(context.args, options); !error.empty())
        return Fail("render: " + error);

    Runtime runtime(Workspace::FromEnvironment(context.workspace));
    if (const std::string why = OpenShowForLooking(runtime, options.show, true); !why.empty()) return Fail(why);

    PlaybackState playback;
    playback.m_dLength.store(0.0);  // no entry: no end-of-entry hand-over
    if (options.music && !AnalyseMusic(*options.music, runtime.scene.settings.g_nPrepareTime, playback))
        return Fail("cannot analyse " + options.music->string() + ": not a readable MP3 file");

    EngineWorld world{runtime.scene, runtime.show, runtime.g_pShowAssets, runtime.output, runtime.g_csOutput,
                      runtime.night};
    EngineTickInputs inputs;
    inputs.handMode = options.hand;
    inputs.nowMinute = options.clockMinute ? *options.clockMinute : LocalMinuteOfDay();
    inputs.logEnabled = LogEnabled();
    inputs.startMs = 0;
    if (!options.music) inputs.fixedLevel = options.level.value_or(0);
    inputs.g_nEngineElapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(options.elapsed));

    const double step = options.step.value_or(1.0);
    const double to = options.to.value_or(options.at);
    for (std::int64_t i = 0;; ++i) {
        const double position = options.at + static_cast<double>(i) * step;
        if (position > to) break;
        playback.m_dPlayPos.store(position);
        // The engine clock runs with the show, from --elapsed at the first tick.
        inputs.clockMs = static_cast<std::uint32_t>(options.elapsed + static_cast<std::int64_t>(i * step));
        const EngineTickResult tick = EngineTick(world, playback, inputs);
        inputs.g_nEngineElapsed = tick.g_nEngineElapsed;
        std::cout << Dump(TickJson(runtime, tick)) << "\n";
    }
    std::cout.flush();
    return std::cout ? 0 : Fail("cannot write the output");
}

}  // namespace velmora::cli
