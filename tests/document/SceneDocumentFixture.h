#pragma once
// A scene document over its own scene, show, caches and image, as the
// runtime wires it, with a recording prompter and reconnect log.

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "app/Prompter.h"
#include "app/ScratchDir.h"
#include "comm/ChannelImage.h"
#include "document/SceneDocument.h"
#include "engine/AssetCaches.h"

namespace velmora::testing {

class SceneDocumentFixture : public ::testing::Test {
protected:
    SceneDocumentFixture() : caches(Workspace(dir.path())), doc(scene, show, caches, output, lock) {
        show.Reset();
        output.Reallocate(scene.g_Channels);
        doc.SetPrompter(&prompter);
        doc.SetReconnectHook([this](int channel) { reconnected.push_back(channel); });
        doc.SetMode(SceneDocument::kEdit);
    }

    // Unselected springs with the next IDs at (10 i, 10 i), added by Ctrl+clicks.
    void AddSprings(int count) {
        for (int i = 0; i < count; ++i) ASSERT_TRUE(doc.AddSpringOnClick(10 * i, 10 * i));
    }
    std::vector<std::int32_t> SpringIDs() const {
        std::vector<std::int32_t> ids;
        for (const CSpring& spring : scene.springs) ids.push_back(spring.ID);
        return ids;
    }
    std::vector<std::int32_t> Members(const CSpringGroup& group) const {
        return {group.children.begin(), group.children.begin() + group.childCount};
    }

    ScratchDir dir;
    Scene scene;
    Show show;
    AssetCaches caches;
    OutputImage output;
    std::mutex lock;
    SceneDocument doc;
    RecordingPrompter prompter;
    std::vector<int> reconnected;
};

}  // namespace velmora::testing
