#include "scene/Scene.h"

namespace velmora {
namespace {

// The index answers in O(1) while it is current. A caller that edited the
// lists and has not yet called Reindex() must still get an element carrying
// the ID it asked for, so a hit is checked, and a miss or a wrong hit falls
// back to a scan in list order (first element wins, as with the index).
template <typename List>
int IndexOf(const List& list, const std::unordered_map<std::int32_t, int>& index, std::int32_t id) {
    const auto it = index.find(id);
    if (it != index.end()) {
        const int i = it->second;
        if (i >= 0 && static_cast<std::size_t>(i) < list.size() && list[static_cast<std::size_t>(i)].ID == id) {
            return i;
        }
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].ID == id) return static_cast<int>(i);
    }
    return -1;
}

template <typename List>
void BuildIndex(const List& list, std::unordered_map<std::int32_t, int>& index) {
    index.clear();
    index.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        // emplace keeps the earlier entry, so a repeated ID resolves to the
        // first element in list order.
        index.emplace(list[i].ID, static_cast<int>(i));
    }
}

}  // namespace

int Scene::SpringIndexOf(std::int32_t id) const { return IndexOf(springs, springIndex_, id); }

int Scene::GroupIndexOf(std::int32_t id) const { return IndexOf(groups, groupIndex_, id); }

CSpring* Scene::FindSpring(std::int32_t id) {
    const int i = SpringIndexOf(id);
    return i < 0 ? nullptr : &springs[static_cast<std::size_t>(i)];
}

const CSpring* Scene::FindSpring(std::int32_t id) const {
    const int i = SpringIndexOf(id);
    return i < 0 ? nullptr : &springs[static_cast<std::size_t>(i)];
}

CSpringGroup* Scene::FindGroup(std::int32_t id) {
    const int i = GroupIndexOf(id);
    return i < 0 ? nullptr : &groups[static_cast<std::size_t>(i)];
}

const CSpringGroup* Scene::FindGroup(std::int32_t id) const {
    const int i = GroupIndexOf(id);
    return i < 0 ? nullptr : &groups[static_cast<std::size_t>(i)];
}

void Scene::Reindex() {
    BuildIndex(springs, springIndex_);
    BuildIndex(groups, groupIndex_);
}

void Scene::Clear() {
    settings = SceneSettings{};
    m_nNextID = kFirstID;
    springs.clear();
    groups.clear();
    g_Channels = ChannelTable{};
    Reindex();
}

ChannelInfo* Scene::Channel(int number) {
    if (number < 1 || number > kChannelCount) return nullptr;
    return &g_Channels[static_cast<std::size_t>(number - 1)];
}

const ChannelInfo* Scene::Channel(int number) const {
    if (number < 1 || number > kChannelCount) return nullptr;
    return &g_Channels[static_cast<std::size_t>(number - 1)];
}

}  // namespace velmora
