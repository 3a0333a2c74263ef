#pragma once
// The installation: scene-wide settings, springs and groups in file order, and
// the table of 100 channels.
//
// Thread contract: one owner thread (the UI's, or the CLI main thread) edits
// the scene: settings, lists, IDs and the channel table. While the engine
// or the senders run, every such edit (and the replacement of the whole
// scene) happens under the output lock, and those threads read the scene
// only under it; the owner may read without it, being the only writer.
// The springs' and groups' run-time fields have their own writers (see
// Spring.h and SpringGroup.h): the engine's outputs are written only by the
// engine inside its tick, the hand requests only through HandRequest.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "scene/ChannelInfo.h"
#include "scene/Spring.h"
#include "scene/SpringGroup.h"

namespace velmora {

struct SceneSettings {
    static constexpr std::size_t kPathBuffer = 256;

    std::string BGBMP;                  // background bitmap of the canvas
    std::int32_t g_nPrepareTime = 0;    // ms the show leads the music
    float g_fGravity = 5.0f;            // water simulation gravity
    std::int32_t g_nParticleCount = 20; // particles per jet
    std::int32_t g_nPulsePerRoundZ = 8000;
    std::int32_t g_nPulsePerRoundY = 5000;
    std::int32_t g_nSystemInterval = 2000;  // ms per system colour
    std::string g_strLight;             // colour sequence used for the system light
};

class Scene {
public:
    // Counts beyond these are taken as damage, not as an installation: real
    // sites have a few thousand springs and a few hundred groups. A group
    // record carries its 500-entry member array (2 KB), hence the lower bound.
    static constexpr std::int32_t kMaxSprings = 100000;
    static constexpr std::int32_t kMaxGroups = 10000;
    static constexpr std::int32_t kFirstID = 9001;

    SceneSettings settings;
    std::int32_t m_nNextID = kFirstID;  // shared by springs and groups, saved as SpringIndex
    std::vector<CSpring> springs;       // file order = display order
    std::vector<CSpringGroup> groups;
    ChannelTable g_Channels;

    // The first spring / group in list order with this ID, or nullptr. O(1).
    // Call Reindex() after changing the lists or an ID.
    CSpring* FindSpring(std::int32_t id);
    const CSpring* FindSpring(std::int32_t id) const;
    CSpringGroup* FindGroup(std::int32_t id);
    const CSpringGroup* FindGroup(std::int32_t id) const;
    int SpringIndexOf(std::int32_t id) const;  // -1 when absent
    int GroupIndexOf(std::int32_t id) const;

    // Takes the counter's value and advances it.
    std::int32_t TakeNextID() { return m_nNextID++; }

    void Reindex();
    // Back to the scene of a missing file: no springs, no groups, default channels.
    void Clear();

    // Channel by number 1..100, nullptr outside that range.
    ChannelInfo* Channel(int number);
    const ChannelInfo* Channel(int number) const;

private:
    std::unordered_map<std::int32_t, int> springIndex_;
    std::unordered_map<std::int32_t, int> groupIndex_;
};

}  // namespace velmora
