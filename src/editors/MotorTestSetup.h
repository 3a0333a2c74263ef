#pragma once
// Where the motor editor's test run sends: the test controller's address,
// unit, first register, number of motors and their stagger. These belong to
// the installation, not to a program, so they are kept in config.ini
// (section "MotorTest") rather than in the .motor file, and survive
// restarts. Values outside their limits are brought within them on reading,
// so a hand-edited file cannot start a test with, say, 40 motors.
//
// Thread contract: plain values and functions; the owner thread of the
// motor test sender applies a setup while the sender is idle.

#include <cstdint>
#include <filesystem>
#include <string>

namespace velmora {

class CModbusMotorThread;

inline constexpr const char* kMotorTestSection = "MotorTest";

struct MotorTestSetup {
    static constexpr std::size_t kMaxAddress = 40;  // characters of the address text
    static constexpr std::int32_t kMaxMotors = 16;
    static constexpr std::int32_t kMaxStagger = 999999;

    // The sender's own initial values.
    std::string address = "127.0.0.1";
    std::int32_t port = 502;
    std::int32_t unitID = 1;
    std::int32_t startAddr = 1;
    std::int32_t motorCount = 1;
    std::int32_t stagger = 0;

    bool operator==(const MotorTestSetup&) const = default;

    // The same setup with every value within its limits: port 1..65535,
    // unit 0..255, first register 1..65536, 1..16 motors, stagger
    // 0..999999 ms, address cut to kMaxAddress characters and blanks trimmed.
    MotorTestSetup Bounded() const;
};

// The setup kept in `configIni`; the defaults for keys (or a file) that are
// missing.
MotorTestSetup LoadMotorTestSetup(const std::filesystem::path& configIni);

// Writes the setup into `configIni`, every other key and line kept. A file
// that exists but cannot be read is not written over. False with the reason.
bool SaveMotorTestSetup(const std::filesystem::path& configIni, const MotorTestSetup& setup,
                        std::string* error = nullptr);

// Thread contract: owner thread, sender idle. Gives the sender the setup.
void ApplyMotorTestSetup(const MotorTestSetup& setup, CModbusMotorThread& sender);

}  // namespace velmora
