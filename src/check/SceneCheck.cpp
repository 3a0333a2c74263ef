#include "check/SceneCheck.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "check/OutputFootprint.h"

namespace velmora {
namespace {

std::string SpringName(const CSpring& spring) { return "spring " + std::to_string(spring.ID); }
std::string GroupName(const CSpringGroup& group) { return "group " + std::to_string(group.ID); }

// Springs and groups share one ID space: every lookup by ID finds only the
// first record, so a later one with the same ID is unreachable.
void CheckDuplicateIDs(const Scene& scene, const std::string& file, CheckReport& report) {
    std::unordered_map<std::int32_t, std::string> firstHolder;
    auto visit = [&](std::int32_t id, std::string who, std::string whereLabel) {
        const auto [it, inserted] = firstHolder.emplace(id, who);
        if (inserted) return;
        report.Add(Severity::Error, file, std::move(whereLabel), "duplicate-id",
                   "ID " + std::to_string(id) + " is already used by " + it->second +
                       "; timeline layers and group members reach only the first");
    };
    for (std::size_t i = 0; i < scene.springs.size(); ++i)
        visit(scene.springs[i].ID, "spring #" + std::to_string(i), "spring #" + std::to_string(i));
    for (std::size_t i = 0; i < scene.groups.size(); ++i)
        visit(scene.groups[i].ID, "group #" + std::to_string(i) + " \"" + scene.groups[i].name + "\"",
              "group #" + std::to_string(i));
}

void CheckMembers(const Scene& scene, const std::string& file, CheckReport& report) {
    for (const CSpringGroup& group : scene.groups) {
        const auto count = static_cast<std::size_t>(
            std::clamp<std::int32_t>(group.childCount, 0, static_cast<std::int32_t>(CSpringGroup::kMaxChildren)));
        for (std::size_t j = 0; j < count; ++j) {
            const std::int32_t member = group.children[j];
            if (scene.FindSpring(member) != nullptr) continue;
            report.Add(Severity::Warning, file, GroupName(group) + " member " + std::to_string(j), "unknown-member",
                       "member " + std::to_string(member) + " of group \"" + group.name +
                           "\" names no spring; the group's actions skip it");
        }
    }
}

struct Output {
    std::string who;  // "spring 9001 COMID1"
    OutputKind kind;
    std::int32_t channel;
    const std::string* address;
};

std::vector<Output> OutputsOf(const Scene& scene) {
    std::vector<Output> outputs;
    outputs.reserve(scene.springs.size() * 5 + scene.groups.size());
    for (const CSpring& s : scene.springs) {
        const std::string name = SpringName(s);
        outputs.push_back({name + " COMID", OutputKind::Main, s.BLOCKID, &s.COMID});
        outputs.push_back({name + " COMID1", OutputKind::Second, s.BLOCKID1, &s.COMID1});
        outputs.push_back({name + " COMID2", OutputKind::MotorY, s.BLOCKID2, &s.COMID2});
        outputs.push_back({name + " COMID3", OutputKind::MotorZ, s.BLOCKID3, &s.COMID3});
        outputs.push_back({name + " COMID_L", OutputKind::Light, s.BLOCKID_L, &s.COMID_L});
    }
    for (const CSpringGroup& g : scene.groups)
        outputs.push_back({GroupName(g) + " COMID", OutputKind::Group, g.BLOCKID, &g.COMID});
    return outputs;
}

std::string Describe(const Output& output) {
    return "channel " + std::to_string(output.channel) + " address \"" + *output.address + "\"";
}

std::string RegisterText(std::int32_t channel, std::int64_t reg, std::uint32_t mask) {
    std::string text = "register " + std::to_string(reg) + " of channel " + std::to_string(channel);
    if (mask == kWholeRegister) return text;
    std::string bits;
    for (int b = 0; b < 32; ++b) {
        if ((mask & (1u << b)) == 0) continue;
        if (!bits.empty()) bits += ',';
        bits += std::to_string(b);
    }
    return (bits.find(',') == std::string::npos ? "bit " : "bits ") + bits + " of " + text;
}

bool HasNoIp(const ChannelInfo& channel) { return channel.IP.empty() || channel.IP == "0.0.0.0"; }

void CheckOutputs(const Scene& scene, const std::string& file, CheckReport& report) {
    struct Writer {
        std::size_t output;
        std::uint32_t mask;
    };
    // (channel, register) -> the outputs that write it so far.
    std::unordered_map<std::uint64_t, std::vector<Writer>> writers;
    const std::vector<Output> outputs = OutputsOf(scene);

    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Output& out = outputs[i];
        const OutputFootprint footprint = FootprintOf(scene.g_Channels, out.kind, out.channel, *out.address);
        switch (footprint.reach) {
            case OutputReach::NotConnected:
                continue;
            case OutputReach::BadChannel:
                report.Add(Severity::Error, file, out.who, "address-bad-channel",
                           Describe(out) + ": there are only channels 1.." + std::to_string(kChannelCount) +
                               "; the output is never written");
                continue;
            case OutputReach::MotorBit:
                report.Add(Severity::Error, file, out.who, "motor-address-bit",
                           Describe(out) + ": a motor record needs a register address without a bit; "
                                           "the motor is never driven");
                continue;
            case OutputReach::BeyondTagNum: {
                const ChannelInfo& channel = scene.g_Channels[static_cast<std::size_t>(out.channel - 1)];
                report.Add(Severity::Error, file, out.who, "address-beyond-tagnum",
                           Describe(out) + " lies beyond the channel's " + std::to_string(channel.tagNum) +
                               " registers (tagNum); the output is never written");
                continue;
            }
            case OutputReach::Written:
                break;
        }
        if (HasNoIp(scene.g_Channels[static_cast<std::size_t>(out.channel - 1)]))
            report.Add(Severity::Warning, file, out.who, "address-no-ip",
                       Describe(out) + ": channel " + std::to_string(out.channel) +
                           " has no IP address, so nothing reaches a controller");

        bool reported = false;
        for (int s = 0; s < footprint.spanCount; ++s) {
            const RegisterSpan& span = footprint.spans[static_cast<std::size_t>(s)];
            for (std::int64_t r = span.first; r < span.first + span.count; ++r) {
                const std::uint64_t key =
                    (static_cast<std::uint64_t>(span.channel) << 32) | static_cast<std::uint32_t>(r);
                auto& list = writers[key];
                if (!reported) {
                    for (const Writer& w : list) {
                        if ((w.mask & span.mask) == 0) continue;
                        report.Add(Severity::Error, file, out.who, "register-conflict",
                                   Describe(out) + " writes " + RegisterText(span.channel, r, w.mask & span.mask) +
                                       ", which " + outputs[w.output].who + " writes too");
                        reported = true;
                        break;
                    }
                }
                list.push_back({i, span.mask});
            }
        }
    }
}

}  // namespace

void CheckScene(const Scene& scene, const std::string& file, CheckReport& report) {
    CheckDuplicateIDs(scene, file, report);
    CheckMembers(scene, file, report);
    CheckOutputs(scene, file, report);
}

}  // namespace velmora
