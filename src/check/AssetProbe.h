#pragma once
// Looks at the asset files a show names, the way the engine will read them,
// once per name. Only regular files are opened, so a FIFO or a device named
// as an asset cannot block the checker.

#include <map>
#include <optional>
#include <string>

#include "app/Workspace.h"
#include "engine/AssetCaches.h"

namespace velmora {

enum class AssetKind { Motor, Frame, Colour, Light512 };

struct AssetFault {
    std::string code;     // "missing-motor", "motor-loop-error", ...
    std::string message;  // why, for the operator
};

class AssetProbe {
public:
    explicit AssetProbe(const Workspace& workspace);

    // Nothing when the engine will find a usable asset of that name.
    std::optional<AssetFault> Probe(AssetKind kind, const std::string& name);

private:
    std::optional<AssetFault> Read(AssetKind kind, const std::string& name);

    AssetCaches paths_;  // only for where a name's file is
    std::map<std::pair<AssetKind, std::string>, std::optional<AssetFault>> seen_;
};

}  // namespace velmora
