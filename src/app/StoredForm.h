#pragma once
// The values a record stores, as bytes: two records with equal forms write
// equal keys, so a save can skip a record whose form is the one it wrote last
// time. The form is exact (no hash), and it is built by the same code that
// writes the keys, so a field added to a record cannot be left out of it.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace velmora {

class StoredForm {
public:
    void Int(std::int32_t value) { Append(&value, sizeof value); }
    void Float(float value) { Append(&value, sizeof value); }
    void Text(std::string_view text) {
        const auto size = static_cast<std::uint64_t>(text.size());
        Append(&size, sizeof size);
        bytes_.append(text);
    }

    std::string Take() { return std::move(bytes_); }

private:
    void Append(const void* data, std::size_t size) {
        bytes_.append(static_cast<const char*>(data), size);
    }
    std::string bytes_;
};

}  // namespace velmora
