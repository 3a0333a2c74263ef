#pragma once
// The show checker: reads the workspace's scene, program list and the given
// show files the way the program would, and reports what would go wrong when
// they are played. It only reads; no file is ever written or created.
//
// Thread contract: plain functions; any thread.

#include <filesystem>
#include <vector>

#include "app/Workspace.h"
#include "check/CheckReport.h"

namespace velmora {

// Every .tlf of the workspace's Music and Program folders, sorted by path.
std::vector<std::filesystem::path> DefaultShowFiles(const Workspace& workspace);

// Checks the scene and each show (DefaultShowFiles when `shows` is empty).
CheckReport CheckWorkspace(const Workspace& workspace, std::vector<std::filesystem::path> shows);

// The length in ms of a piece of MP3 music, from its frame headers; false
// when the file holds no MPEG audio.
bool Mp3LengthMs(const std::filesystem::path& path, double& ms);

}  // namespace velmora
