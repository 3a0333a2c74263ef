// Feeds arbitrary bytes to the INI reader, writes a few keys and checks the
// round-trip promises: unchanged UTF-8 text comes back byte for byte, a
// serialised profile reads back as itself, keys written read back as written,
// and keys not written keep their values.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "app/Profile.h"
#include "app/TextEncoding.h"

namespace {

using velmora::Profile;

constexpr std::string_view kSections[] = {"s", "S", " section ", "x]y", "程序", "[a"};
constexpr std::string_view kKeys[] = {"k", "K", "key", "a b", "值", "Key1"};

// Names the broken promise before aborting, so a crash report says which.
void Check(bool ok, int line) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_profile: check at line %d failed\n", line);
    std::abort();
}
#define CHECK(condition) Check((condition), __LINE__)

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(Trim(s));
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// What GetString answers for a value given to SetString: one line of valid
// UTF-8, blanks trimmed, one pair of matching quotes removed.
std::string Expected(std::string_view value) {
    std::string clean = velmora::SanitizeUtf8(value);
    std::replace(clean.begin(), clean.end(), '\r', ' ');
    std::replace(clean.begin(), clean.end(), '\n', ' ');
    std::string_view v = Trim(clean);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

struct Probe {
    std::string value;
    std::int32_t number;
    bool present;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Profile p;
    p.LoadFromBytes(bytes);

    const std::string first = p.Serialize();
    if (p.encoding() == velmora::TextEncoding::Utf8) CHECK(first == bytes);
    {
        Profile again;
        again.LoadFromBytes(first);
        CHECK(again.Serialize() == first);
    }

    std::map<std::string, Probe> before;
    for (std::string_view s : kSections) {
        for (std::string_view k : kKeys) {
            const std::string full = p.GetString(s, k, "\x01");
            const bool present = p.HasKey(s, k);
            CHECK(present || full == "\x01");
            for (std::size_t n : {1, 2, 3, 4, 7}) {
                const std::string cut = p.GetString(s, k, "\x01", n);
                CHECK(cut.size() < n && full.compare(0, cut.size(), cut) == 0);
                CHECK(!velmora::IsValidUtf8(full) || velmora::IsValidUtf8(cut));
            }
            before[Lower(s) + '\0' + Lower(k)] = Probe{full, p.GetInt(s, k, 12345), present};
        }
    }

    std::map<std::string, std::pair<std::string_view, std::string_view>> written;  // id -> names
    std::map<std::string, std::string> expected;
    for (std::size_t w = 0; w < 4; ++w) {
        const std::size_t offset = size ? (w * 7919 + (size / 3) * w) % size : 0;
        const std::string_view value = bytes.substr(offset, std::min<std::size_t>(size - offset, w * 5 + 3));
        const std::string_view s = kSections[(size + w) % std::size(kSections)];
        const std::string_view k = kKeys[(w + (size ? data[offset] : 0u)) % std::size(kKeys)];
        p.SetString(s, k, value);
        const std::string id = Lower(s) + '\0' + Lower(k);
        written[id] = {s, k};
        expected[id] = Expected(value);
        CHECK(p.GetString(s, k, "") == expected[id]);
    }

    const std::string out = p.Serialize();
    Profile back;
    back.LoadFromBytes(out);
    CHECK(back.Serialize() == out);
    // Once the written values have replaced every byte that made a GB18030
    // text invalid UTF-8, the text may read as UTF-8 ("值" is D6 B5 in
    // GB18030, also a valid UTF-8 pair): the encoding is guessed from the
    // bytes, so values then read differently.
    if (back.encoding() != p.encoding()) return 0;
    for (const auto& [id, names] : written) {
        CHECK(back.HasKey(names.first, names.second));
        CHECK(back.GetString(names.first, names.second, "") == expected[id]);
    }
    for (std::string_view s : kSections) {
        for (std::string_view k : kKeys) {
            const std::string id = Lower(s) + '\0' + Lower(k);
            if (written.count(id)) continue;
            const Probe& old = before[id];
            CHECK(back.HasKey(s, k) == old.present);
            CHECK(back.GetString(s, k, "\x01") == old.value);
            CHECK(back.GetInt(s, k, 12345) == old.number);
        }
    }
    return 0;
}
