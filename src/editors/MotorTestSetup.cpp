#include "editors/MotorTestSetup.h"

#include <algorithm>

#include "app/Profile.h"
#include "comm/ModbusMotorThread.h"

namespace velmora {

namespace {

constexpr const char* kAddress = "address";
constexpr const char* kPort = "port";
constexpr const char* kUnit = "unitID";
constexpr const char* kStartAddr = "startAddr";
constexpr const char* kMotors = "motorCount";
constexpr const char* kStagger = "stagger";
constexpr std::size_t kValueBuffer = 256;

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

MotorTestSetup MotorTestSetup::Bounded() const {
    MotorTestSetup b = *this;
    b.address = Trimmed(address.substr(0, kMaxAddress));
    if (b.address.empty()) b.address = MotorTestSetup{}.address;
    b.port = std::clamp(port, 1, 65535);
    b.unitID = std::clamp(unitID, 0, 255);
    b.startAddr = std::clamp(startAddr, 1, 65536);
    b.motorCount = std::clamp(motorCount, 1, kMaxMotors);
    b.stagger = std::clamp(stagger, 0, kMaxStagger);
    return b;
}

MotorTestSetup LoadMotorTestSetup(const std::filesystem::path& configIni) {
    Profile profile;
    profile.Load(configIni);  // missing: every key at its default
    const MotorTestSetup d;
    MotorTestSetup s;
    s.address = profile.GetString(kMotorTestSection, kAddress, d.address, kValueBuffer);
    s.port = profile.GetInt(kMotorTestSection, kPort, d.port);
    s.unitID = profile.GetInt(kMotorTestSection, kUnit, d.unitID);
    s.startAddr = profile.GetInt(kMotorTestSection, kStartAddr, d.startAddr);
    s.motorCount = profile.GetInt(kMotorTestSection, kMotors, d.motorCount);
    s.stagger = profile.GetInt(kMotorTestSection, kStagger, d.stagger);
    return s.Bounded();
}

bool SaveMotorTestSetup(const std::filesystem::path& configIni, const MotorTestSetup& setup, std::string* error) {
    Profile profile;
    std::string reason;
    if (!profile.Load(configIni, &reason) && profile.existed()) {
        if (error != nullptr) *error = reason;
        return false;
    }
    const MotorTestSetup s = setup.Bounded();
    profile.SetString(kMotorTestSection, kAddress, s.address);
    profile.SetInt(kMotorTestSection, kPort, s.port);
    profile.SetInt(kMotorTestSection, kUnit, s.unitID);
    profile.SetInt(kMotorTestSection, kStartAddr, s.startAddr);
    profile.SetInt(kMotorTestSection, kMotors, s.motorCount);
    profile.SetInt(kMotorTestSection, kStagger, s.stagger);
    return profile.SaveAs(configIni, error);
}

void ApplyMotorTestSetup(const MotorTestSetup& setup, CModbusMotorThread& sender) {
    const MotorTestSetup s = setup.Bounded();
    sender.m_szIP = s.address;
    sender.m_nPort = s.port;
    sender.m_nUnitID = s.unitID;
    sender.m_nStartAddr = s.startAddr;
    sender.m_nMotorCount = s.motorCount;
    sender.m_nStagger = s.stagger;
}

}  // namespace velmora
