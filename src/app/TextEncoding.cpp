#include "app/TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <system_error>

namespace velmora {
namespace {

// GB18030 four-byte form of U+FFFD.
constexpr std::string_view kGbReplacement = "\x84\x31\xA4\x37";

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence starting at p, or 0 when p does not
// start one.
std::size_t SequenceLength(const unsigned char* p, std::size_t avail) {
    const unsigned char c0 = p[0];
    if (c0 < 0x80) return 1;
    if (c0 < 0xC2) return 0;  // stray continuation byte or overlong two-byte form
    if (c0 < 0xE0) return avail >= 2 && IsContinuation(p[1]) ? 2 : 0;
    if (c0 < 0xF0) {
        if (avail < 3) return 0;
        const unsigned char c1 = p[1];
        if (c0 == 0xE0 && c1 < 0xA0) return 0;   // overlong
        if (c0 == 0xED && c1 >= 0xA0) return 0;  // UTF-16 surrogate
        return IsContinuation(c1) && IsContinuation(p[2]) ? 3 : 0;
    }
    if (c0 < 0xF5) {
        if (avail < 4) return 0;
        const unsigned char c1 = p[1];
        if (c0 == 0xF0 && c1 < 0x90) return 0;   // overlong
        if (c0 == 0xF4 && c1 >= 0x90) return 0;  // above U+10FFFF
        return IsContinuation(c1) && IsContinuation(p[2]) && IsContinuation(p[3]) ? 4 : 0;
    }
    return 0;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (!ok()) errno_ = errno;
    }
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    int openError() const { return errno_; }

    // Converts all of `in` and appends the result to `out`; a byte the
    // converter rejects is skipped and `replacement` is written in its place.
    bool Append(std::string_view in, std::string& out, std::string_view replacement,
                std::string* error) {
        std::size_t produced = out.size();
        out.resize(produced + in.size() * 2 + 16);
        auto reserve = [&](std::size_t need) {
            if (out.size() - produced < need)
                out.resize(std::max(out.size() * 2, produced + need + 64));
        };
        char* inp = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        while (inLeft > 0) {
            reserve(16);
            char* outp = out.data() + produced;
            std::size_t outLeft = out.size() - produced;
            const std::size_t r = iconv(cd_, &inp, &inLeft, &outp, &outLeft);
            produced = static_cast<std::size_t>(outp - out.data());
            if (r != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
            } else if (errno == EILSEQ || errno == EINVAL) {
                reserve(replacement.size());
                std::memcpy(out.data() + produced, replacement.data(), replacement.size());
                produced += replacement.size();
                ++inp;
                --inLeft;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
            } else {
                if (error) *error = "text conversion failed: " + std::generic_category().message(errno);
                out.resize(produced);
                return false;
            }
        }
        out.resize(produced);
        return true;
    }

private:
    iconv_t cd_;
    int errno_ = 0;
};

// The end of the run of ASCII bytes starting at i.
std::size_t AsciiRunEnd(const unsigned char* s, std::size_t i, std::size_t n) {
    while (i + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, s + i, sizeof word);
        if (word & 0x8080808080808080ull) break;
        i += 8;
    }
    while (i < n && s[i] < 0x80) ++i;
    return i;
}

// Length of the GB18030 character starting with byte p[i] (>= 0x80), as far
// as its first two bytes tell; the converter judges whether it is valid.
std::size_t GbLength(std::string_view p, std::size_t i) {
    const auto lead = static_cast<unsigned char>(p[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= p.size()) return 1;
    const auto second = static_cast<unsigned char>(p[i + 1]);
    return second >= 0x30 && second <= 0x39 ? 4 : 2;
}

// ASCII means the same in UTF-8 and GB18030, and files are mostly ASCII, so
// only the runs of other characters go through iconv (which is slow per byte).
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             std::string_view replacement, bool gbInput, std::string* error) {
    out.clear();
    Iconv cv(to, from);
    if (!cv.ok()) {
        if (error)
            *error = std::string("no ") + from + " to " + to + " converter: " +
                     std::generic_category().message(cv.openError());
        return false;
    }
    out.reserve(in.size() + in.size() / 2 + 16);
    const auto* bytes = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t i = 0;
    while (i < in.size()) {
        std::size_t j = AsciiRunEnd(bytes, i, in.size());
        out.append(in.data() + i, j - i);
        if (j >= in.size()) break;
        i = j;
        while (j < in.size() && bytes[j] >= 0x80) j += gbInput ? GbLength(in, j) : 1;
        j = std::min(j, in.size());
        if (!cv.Append(in.substr(i, j - i), out, replacement, error)) {
            out.clear();
            return false;
        }
        i = j;
    }
    return true;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        i = AsciiRunEnd(s, i, n);
        if (i >= n) break;
        const std::size_t len = SequenceLength(s + i, n - i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

TextEncoding DetectEncoding(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    bool wide = false;  // a three- or four-byte sequence: CJK text in UTF-8
    bool nonAscii = false;
    std::size_t i = 0;
    while (i < n) {
        i = AsciiRunEnd(s, i, n);
        if (i >= n) break;
        const std::size_t len = SequenceLength(s + i, n - i);
        if (len == 0) return TextEncoding::Gb18030;
        nonAscii = true;
        wide = wide || len >= 3;
        i += len;
    }
    // Every two-byte UTF-8 sequence is also a valid GBK character, and short
    // Chinese values written by the Windows program ("值" is D6 B5) read as
    // such. Chinese in UTF-8 always takes three bytes a character, so a file
    // whose only non-ASCII text is two-byte sequences came from a GB18030 system.
    return nonAscii && !wide ? TextEncoding::Gb18030 : TextEncoding::Utf8;
}

std::string SanitizeUtf8(std::string_view text) {
    if (IsValidUtf8(text)) return std::string(text);
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::string out;
    out.reserve(text.size() + 16);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t len = SequenceLength(s + i, text.size() - i);
        if (len == 0) {
            out += kReplacementChar;
            ++i;
        } else {
            out.append(text.data() + i, len);
            i += len;
        }
    }
    return out;
}

std::size_t Utf8CutPoint(std::string_view text, std::size_t limit) {
    if (limit >= text.size()) return text.size();
    std::size_t n = limit;
    // A character is at most four bytes, so at most three continuation bytes
    // precede its end; more means the text is not UTF-8 and any cut will do.
    for (int step = 0; step < 3 && n > 0 && IsContinuation(static_cast<unsigned char>(text[n])); ++step)
        --n;
    if (n > 0 && IsContinuation(static_cast<unsigned char>(text[n]))) return limit;
    return n;
}

std::size_t Gb18030CutPoint(std::string_view text, std::size_t limit) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t asciiEnd = AsciiRunEnd(s, 0, text.size());
    if (asciiEnd >= std::min(limit, text.size())) return std::min(limit, text.size());  // one byte a character
    // No character takes more than four GB18030 bytes: a text that fits even
    // so needs no conversion (which costs microseconds).
    std::size_t most = 0;
    for (std::size_t i = 0; i < text.size() && most <= limit;) {
        if (s[i] < 0x80) {
            ++most;
            ++i;
        } else {
            most += 4;  // a stray byte too: it becomes U+FFFD
            i += std::max<std::size_t>(SequenceLength(s + i, text.size() - i), 1);
        }
    }
    if (most <= limit) return text.size();
    std::string gb;
    if (!EncodeGb18030(text, gb)) return Utf8CutPoint(text, limit);
    if (gb.size() <= limit) return text.size();
    // Conversion maps each character (an invalid byte included) to exactly one
    // GB18030 character, so the two texts are walked side by side.
    std::size_t u = 0;
    std::size_t g = 0;
    while (u < text.size()) {
        std::size_t uLen = 1;
        std::size_t gLen = 1;
        if (s[u] >= 0x80) {
            uLen = std::max<std::size_t>(SequenceLength(s + u, text.size() - u), 1);
            gLen = GbLength(gb, g);
        }
        if (g + gLen > limit) break;
        u += uLen;
        g += gLen;
    }
    return u;
}

bool DecodeGb18030(std::string_view bytes, std::string& utf8, std::string* error) {
    return Convert("UTF-8", "GB18030", bytes, utf8, kReplacementChar, true, error);
}

bool EncodeGb18030(std::string_view utf8, std::string& bytes, std::string* error) {
    return Convert("GB18030", "UTF-8", utf8, bytes, kGbReplacement, false, error);
}

}  // namespace velmora
