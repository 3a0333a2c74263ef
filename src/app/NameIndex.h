#pragma once
// A hash index from names, compared without regard to ASCII case, to small
// integers (line or section numbers). The names themselves stay where they
// are (in the lines of a Profile); the index holds only numbers and hashes,
// so building it for 100,000 keys costs no allocation per key.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

bool NamesEqual(std::string_view a, std::string_view b) noexcept;

class NameIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Equal for names that differ only in ASCII case.
    static std::uint32_t Hash(std::string_view name) noexcept;

    // The value stored under `name`, or npos. nameOf(value) gives the name
    // that value was stored under.
    template <class NameOf>
    std::size_t Find(std::string_view name, const NameOf& nameOf) const {
        if (slots_.empty()) return npos;
        const std::uint32_t hash = Hash(name);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.value == 0) return npos;
            if (slot.hash == hash && NamesEqual(nameOf(slot.value - 1), name)) return slot.value - 1;
        }
    }

    // Stores `value` under `name` unless the name is there already: the first
    // occurrence wins. Values must stay below 2^32 - 1.
    template <class NameOf>
    void Insert(std::string_view name, std::size_t value, const NameOf& nameOf) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        const std::uint32_t hash = Hash(name);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.value == 0) {
                slot = Slot{hash, static_cast<std::uint32_t>(value + 1)};
                ++count_;
                return;
            }
            if (slot.hash == hash && NamesEqual(nameOf(slot.value - 1), name)) return;
        }
    }

    struct Entry {
        std::uint32_t hash;   // Hash(name)
        std::uint32_t value;
    };

    // Replaces the index with `entries` (in the order Insert would be called:
    // the first of equal names wins) and calls onDuplicate(value) for each
    // one not stored. The entries go in sorted by home slot, so the table is
    // filled front to back instead of at random: for 100,000 names that is
    // the difference between a cache miss per name and none. `entries` is
    // used as scratch space.
    template <class NameOf, class OnDuplicate>
    void Build(std::vector<Entry>& entries, const NameOf& nameOf, const OnDuplicate& onDuplicate) {
        clear();
        Reserve(entries.size());
        const std::size_t mask = slots_.size() - 1;
        SortByHome(entries, mask);
        for (const Entry& e : entries) {
            for (std::size_t i = e.hash & mask;; i = (i + 1) & mask) {
                Slot& slot = slots_[i];
                if (slot.value == 0) {
                    slot = Slot{e.hash, e.value + 1};
                    ++count_;
                    break;
                }
                if (slot.hash == e.hash && NamesEqual(nameOf(slot.value - 1), nameOf(e.value))) {
                    onDuplicate(e.value);
                    break;
                }
            }
        }
    }

    // Makes room for `count` names without growing again.
    void Reserve(std::size_t count);

    std::size_t size() const { return count_; }
    void clear() {
        slots_.clear();
        count_ = 0;
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t value = 0;  // stored value + 1; 0 marks an empty slot
    };
    void Grow() { Rehash(slots_.empty() ? 16 : slots_.size() * 2); }
    // Stable: equal home slots keep their order.
    static void SortByHome(std::vector<Entry>& entries, std::size_t mask);
    void Rehash(std::size_t capacity);

    std::vector<Slot> slots_;  // linear probing, power-of-two size, at most half full
    std::size_t count_ = 0;
};

}  // namespace velmora
