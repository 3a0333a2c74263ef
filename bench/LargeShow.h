#pragma once
// The large installation the engine and document benchmarks run on: 1,000
// springs in 100 groups, a show of 5,000 blocks of every action type (about
// 300 active at a time) with colour files, frame animations, motor programs
// and a moving-head table, written to a temporary workspace.

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "engine/FrameAnimationFile.h"
#include "scene/Scene.h"
#include "show/Show.h"

namespace velmora::bench {

namespace fs = std::filesystem;

inline constexpr int kGroups = 100;
inline constexpr int kMembers = 10;
inline constexpr int kSpringLayers = 50;
inline constexpr int kBlocks = 5000;
inline constexpr double kBlockMs = 20000.0;
// Blocks spread so that about 300 are active at any position.
inline constexpr double kShowMs = kBlocks * kBlockMs / 300.0;

inline void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline void WriteAssets(const fs::path& root) {
    WriteFile(root / "Color" / "rainbow.color",
              "[Main]\nNum=7\ncolor1=16711680\ncolor2=16744448\ncolor3=16776960\ncolor4=65280\n"
              "color5=65535\ncolor6=255\ncolor7=16711935\n");
    WriteFile(root / "motor" / "swing.motor",
              "[Main]\nNum=4\nInterval=400\n[MOB0]\nAct=1\np0=2000\np1=4000\n[MOB1]\nAct=0\np0=200\n"
              "[MOB2]\nAct=1\np0=-2000\np1=4000\n[MOB3]\nAct=0\np0=200\n");
    FrameComplierCache frame;
    frame.m_nCols = 10;
    frame.m_nRows = 10;
    frame.m_nDefaultDuration = 500;
    frame.m_nPageCount = 4;
    frame.m_pPages.resize(4);
    for (int p = 0; p < 4; ++p)
        for (int c = 0; c < kFrameCells; ++c) frame.m_pPages[p].m_nodes[c].m_nLevel = (p * 37 + c) % 129;
    frame.m_pPages[1].m_bLoopStart = 1;
    frame.m_pPages[3].m_bLoopEnd = 1;
    WriteFile(root / "Frame" / "wave.frm", SerializeFrameFile(frame));
    std::string table = "name";
    for (int c = 0; c < 8; ++c) table += ",500";
    table += "\n";
    for (int ch = 1; ch <= 4; ++ch) {
        for (int f = 1; f <= 32; ++f) {
            table += std::to_string(90 + ch) + ";" + std::to_string(f);
            for (int c = 0; c < 8; ++c) table += ",0x00112233445566778899AABBCCDDEEFF";
            table += "\n";
        }
    }
    WriteFile(root / "512Light" / "wash.csv", table);
}

inline void BuildScene(Scene& scene) {
    for (int c = 0; c < 10; ++c) {
        scene.g_Channels[static_cast<std::size_t>(c)].tagNum = 400;
        scene.g_Channels[static_cast<std::size_t>(c)].regType = c < 4 ? 1 : (c < 7 ? 2 : 3);
    }
    for (int i = 0; i < kGroups * kMembers; ++i) {
        CSpring s;
        s.ID = 10000 + i;
        s.BLOCKID = 1 + i / 250;  // registers on channels 1..4
        s.COMID = std::to_string(1 + i % 250);
        s.BLOCKID1 = 1 + i / 250;
        s.COMID1 = std::to_string(251 + i % 100) + ";" + std::to_string(i % 16);
        s.BLOCKID3 = 5 + i / 400;  // motors on channels 5..7
        s.COMID3 = std::to_string(1 + 5 * ((i % 400) / 5 % 70));
        s.BLOCKID2 = s.BLOCKID3;
        s.COMID2 = std::to_string(351 + i % 10 * 5);
        s.BLOCKID_L = 8 + i / 400;  // lights on channels 8..10
        s.COMID_L = std::to_string(1 + i % 390);
        scene.springs.push_back(s);
    }
    for (int g = 0; g < kGroups; ++g) {
        CSpringGroup group;
        group.ID = 1000 + g;
        group.childCount = kMembers;
        for (int m = 0; m < kMembers; ++m) group.children[static_cast<std::size_t>(m)] = 10000 + g * kMembers + m;
        group.initX = g % 2 == 0 ? 5 : 0;
        group.initY = g % 2 == 0 ? 2 : 0;
        group.BLOCKID = 1;
        group.COMID = std::to_string(360 + g % 40);
        group.nPreTime = 300;
        scene.groups.push_back(group);
    }
    scene.Reindex();
}

inline void BuildShow(Show& show) {
    show.layers.clear();
    show.blocks.clear();
    for (int g = 0; g < kGroups; ++g) show.layers.push_back(Layer{"", 1000 + g, kLayerGroup, 0});
    for (int s = 0; s < kSpringLayers; ++s) show.layers.push_back(Layer{"", 10000 + s * 7, kLayerSpring, 0});
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> startMs(0.0, kShowMs - kBlockMs);
    const int types[] = {-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1, 4, 7};
    for (int i = 0; i < kBlocks; ++i) {
        TimeBlock b;
        b.cannel = static_cast<std::int32_t>(random() % show.layers.size());
        const double start = startMs(random);
        b.start = static_cast<float>(start / 50.0);
        b.end = static_cast<float>((start + kBlockMs) / 50.0);
        b.nSpecicalType = types[i % 14];
        b.nTakeOrder = i % 7;
        b.nInterval = 50;
        b.nWavMax = 100;
        b.nWavMin = 10;
        b.nPeriod = 800;
        b.nPeriod1 = 300;
        b.nDeltaInGroup = -5;
        b.szMotor = "swing.motor";
        b.szFrame = "wave.frm";
        b.fFrameParam = 1.5f;
        b.nRiseUpTime = 100;
        b.nCutDownTime = 100;
        b.MinValidZMotor = 300;
        b.MaxValidZMotor = 60;
        if (i % 3 == 0) {
            b.szLight = "rainbow.color";
            b.IntervalLight = 250;
            b.nLightType = i % 2;
        }
        if (i % 11 == 0) b.bSystime = 1;
        if (i % 13 == 0 && b.cannel < kGroups) b.bRunHorse = 1;
        if (i % 97 == 0) b.sz512Light = "wash.csv";
        show.blocks.push_back(b);
    }
}

// CPU time of this thread: unlike wall time it leaves out the time the
// thread waited while other processes of a busy machine ran.
inline double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[index];
}

}  // namespace velmora::bench
