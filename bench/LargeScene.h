#pragma once
// The large scene the file and scene-edit benchmarks share: 2,500 springs on
// a grid with pump, valve and name, 200 groups of 450 members, all 100
// channels on loopback addresses with 800 slots.

#include <string>
#include <utility>

#include "scene/Scene.h"

namespace velmora::bench {

inline Scene MakeLargeScene() {
    Scene scene;
    for (int i = 0; i < 2500; ++i) {
        CSpring s;
        s.ID = scene.TakeNextID();
        s.x = i % 50 * 20;
        s.y = i / 50 * 20;
        s.COMID = std::to_string(i % 800 + 1);
        s.COMID1 = std::to_string(i % 50 + 1) + ";" + std::to_string(i % 16);
        s.BLOCKID = 1 + i % 100;
        s.BLOCKID1 = 2;
        s.ADDR = "喷头" + std::to_string(i);
        s.ORGANGLEY = 12.5f;
        scene.springs.push_back(std::move(s));
    }
    for (int g = 0; g < 200; ++g) {
        CSpringGroup group;
        group.ID = scene.TakeNextID();
        group.name = "组" + std::to_string(g);
        group.childCount = 450;
        for (int j = 0; j < 450; ++j) group.children[static_cast<std::size_t>(j)] = 9001 + (g * 7 + j) % 2500;
        scene.groups.push_back(group);
    }
    for (int c = 0; c < kChannelCount; ++c) {
        scene.g_Channels[static_cast<std::size_t>(c)].IP = "127.0.0." + std::to_string(c + 1);
        scene.g_Channels[static_cast<std::size_t>(c)].tagNum = 800;
    }
    scene.Reindex();
    return scene;
}

}  // namespace velmora::bench
