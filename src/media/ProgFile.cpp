#include "media/ProgFile.h"

#include "app/Profile.h"

namespace velmora {

namespace {
constexpr const char* kMain = "Main";
}

ProgParams ReadProgFile(const std::filesystem::path& path) {
    Profile profile;
    profile.Load(path);
    ProgParams p;
    p.unitMS = profile.GetInt(kMain, "unitMS", ProgParams::kDefaultUnitMS);
    p.num = profile.GetInt(kMain, "num", ProgParams::kDefaultNum);
    p.power = profile.GetInt(kMain, "Power", ProgParams::kDefaultPower);
    return p;
}

namespace {
void SetParams(Profile& profile, const ProgParams& params) {
    profile.SetInt(kMain, "unitMS", params.unitMS);
    profile.SetInt(kMain, "num", params.num);
    profile.SetInt(kMain, "power", params.power);
}
}  // namespace

bool WriteProgFile(const std::filesystem::path& path, const ProgParams& params, std::string* error) {
    Profile profile;
    profile.Load(path);  // a file that exists but cannot be read is then not overwritten by Save
    SetParams(profile, params);
    return profile.Save(error);
}

bool CreateProgFile(const std::filesystem::path& path, const ProgParams& params, std::string* error) {
    Profile profile;
    SetParams(profile, params);
    return profile.SaveAs(path, error);
}

}  // namespace velmora
