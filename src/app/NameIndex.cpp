#include "app/NameIndex.h"

#include <cstring>

namespace velmora {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    // Names are nearly always spelt alike; the case-folding loop is the exception.
    if (std::memcmp(a.data(), b.data(), a.size()) == 0) return true;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::uint32_t NameIndex::Hash(std::string_view name) noexcept {
    // Setting bit 5 of every byte folds 'A'..'Z' onto 'a'..'z' (and a few
    // punctuation marks onto others, which only costs a rare extra compare),
    // so eight bytes are hashed at a time.
    constexpr std::uint64_t kFold = 0x2020202020202020ull;
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ name.size();
    const char* p = name.data();
    std::size_t n = name.size();
    while (n >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ (word | kFold)) * 0x100000001B3ull;
        h ^= h >> 29;
        p += 8;
        n -= 8;
    }
    std::uint64_t tail = 0;
    if (n > 0) std::memcpy(&tail, p, n);
    h = Mix(h ^ (tail | kFold));
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

void NameIndex::Reserve(std::size_t count) {
    std::size_t capacity = slots_.empty() ? 16 : slots_.size();
    while (capacity < count * 2) capacity *= 2;
    if (capacity > slots_.size()) Rehash(capacity);
}

void NameIndex::SortByHome(std::vector<Entry>& entries, std::size_t mask) {
    // LSD radix sort on the home slot, 11 bits a pass: the counters stay in
    // the first-level cache and each pass reads and writes sequentially.
    constexpr unsigned kBits = 11;
    constexpr std::size_t kBuckets = std::size_t{1} << kBits;
    std::vector<Entry> other(entries.size());
    for (unsigned shift = 0; (mask >> shift) != 0; shift += kBits) {
        std::vector<std::size_t> starts(kBuckets + 1, 0);
        for (const Entry& e : entries) ++starts[((e.hash & mask) >> shift & (kBuckets - 1)) + 1];
        for (std::size_t b = 1; b <= kBuckets; ++b) starts[b] += starts[b - 1];
        for (const Entry& e : entries) other[starts[(e.hash & mask) >> shift & (kBuckets - 1)]++] = e;
        entries.swap(other);
    }
}

void NameIndex::Rehash(std::size_t capacity) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(capacity, Slot{});
    const std::size_t mask = capacity - 1;
    for (const Slot& slot : old) {
        if (slot.value == 0) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].value != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

}  // namespace velmora
