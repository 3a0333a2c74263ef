#pragma once
// Key names of numbered records ("sp12_x", "GP3_child7", "TB40_start"),
// built in place: a large scene or show has hundreds of thousands of keys,
// and a heap string or a printf per key was a large share of a save.

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string_view>

namespace velmora {

class ProfileKey {
public:
    // The fixed part: `prefix` followed by `index` and `separator`.
    ProfileKey(std::string_view prefix, std::size_t index, std::string_view separator = "_") {
        std::size_t n = std::min(prefix.size(), kStemRoom);
        prefix.copy(text_, n);
        n = static_cast<std::size_t>(std::to_chars(text_ + n, text_ + kStemRoom + kNumberRoom, index).ptr - text_);
        const std::size_t sep = std::min(separator.size(), kSeparatorRoom);
        separator.copy(text_ + n, sep);
        stemSize_ = n + sep;
    }

    // The fixed part followed by `field`.
    std::string_view operator()(std::string_view field) {
        const std::size_t n = std::min(field.size(), sizeof text_ - stemSize_);
        field.copy(text_ + stemSize_, n);
        return {text_, stemSize_ + n};
    }

    // The fixed part followed by `field` and a second number.
    std::string_view operator()(std::string_view field, std::size_t index) {
        std::size_t n = std::min(field.size(), sizeof text_ - stemSize_ - kNumberRoom);
        field.copy(text_ + stemSize_, n);
        n += stemSize_;
        return {text_, static_cast<std::size_t>(std::to_chars(text_ + n, text_ + sizeof text_, index).ptr - text_)};
    }

private:
    static constexpr std::size_t kStemRoom = 16;
    static constexpr std::size_t kNumberRoom = 20;  // any 64-bit index
    static constexpr std::size_t kSeparatorRoom = 4;
    char text_[128];
    std::size_t stemSize_ = 0;
};

}  // namespace velmora
