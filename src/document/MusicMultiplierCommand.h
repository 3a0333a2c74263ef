#pragma once
// The system sheet's "音乐倍乘" row: the open show's music multiplier, which
// the engine applies to every level it takes from the music.
//
// Thread contract: owner thread only; the value changes under the output lock.

#include <string>
#include <string_view>

#include "document/Command.h"

namespace velmora {

class ShowDocument;

class MusicMultiplierCommand final : public Command {
public:
    static constexpr double kMinimum = 1.0;
    static constexpr double kMaximum = 20.0;

    // Takes the row's text only when the row accepts it (digits, "." and "-",
    // within 1..20); otherwise the command finds nothing to do.
    MusicMultiplierCommand(ShowDocument& doc, std::string_view text);
    Change Apply() override { return Put(after_); }
    Change Revert() override { return Put(before_); }
    std::string Text() const override { return "音乐倍乘"; }

private:
    Change Put(float value);
    ShowDocument& doc_;
    float before_;
    float after_;
};

}  // namespace velmora
