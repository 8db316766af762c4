#pragma once

// A map from BSSIDs to small values (a pointer, a position), for the tables that are looked up
// once per BSS per cycle: open addressing with linear probing, a power of two in size and at
// most half full, so that most lookups take one probe where a node-based map costs two cache
// misses. A slot holds the key + 1, so that 0 marks a free one.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace quorvan {

template <typename Value>
class BssidIndex {
 public:
  struct Slot {
    uint64_t key = 0;  // the BSSID's key + 1; 0 when free
    Value value = {};
  };

  // The six bytes as one number, first byte highest.
  static uint64_t Key(const std::array<uint8_t, 6>& bssid) {
    uint64_t key = 0;
    for (const uint8_t byte : bssid) key = key << 8 | byte;
    return key;
  }

  bool empty() const { return slots_.empty(); }

  // Where `key` goes when nothing is in the way; for prefetching. The index must not be empty.
  const Slot& HomeSlot(uint64_t key) const { return slots_[Home(key)]; }

  // The slot holding `key`, or the free one where it would go. The index must not be empty.
  Slot* Probe(uint64_t key) { return const_cast<Slot*>(std::as_const(*this).Probe(key)); }
  const Slot* Probe(uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = Home(key);
    while (slots_[at].key != 0 && slots_[at].key != key + 1) at = (at + 1) & mask;
    return &slots_[at];
  }

  // The value of `key`, or nullptr.
  const Value* Find(uint64_t key) const {
    if (slots_.empty()) return nullptr;
    const Slot* slot = Probe(key);
    return slot->key == 0 ? nullptr : &slot->value;
  }

  // Makes room for `count` keys, keeping the index at most half full; false without memory,
  // the index as it was.
  bool Reserve(std::size_t count) noexcept {
    if (2 * count <= slots_.size()) return true;
    std::vector<Slot> old;
    try {
      old.resize(std::max<std::size_t>(16, std::bit_ceil(2 * count)));
    } catch (const std::bad_alloc&) {
      return false;
    }
    old.swap(slots_);
    shift_ = 64 - std::countr_zero(slots_.size());
    for (const Slot& slot : old) {
      if (slot.key != 0) *Probe(slot.key - 1) = slot;
    }
    return true;
  }

  // Sets the value of `key`, which may be new; call Reserve for the count first.
  void Set(uint64_t key, Value value) { *Probe(key) = {key + 1, std::move(value)}; }

  void Erase(uint64_t key) {
    if (slots_.empty()) return;
    // Backward-shift deletion: the entries after the freed slot that would have landed before
    // it move up, so that no probe sequence is broken.
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = static_cast<std::size_t>(Probe(key) - slots_.data());
    if (slots_[hole].key == 0) return;
    for (std::size_t at = (hole + 1) & mask; slots_[at].key != 0; at = (at + 1) & mask) {
      const std::size_t home = Home(slots_[at].key - 1);
      // Moves when its home does not lie in (hole, at], cyclically.
      if (((at - home) & mask) >= ((at - hole) & mask)) {
        slots_[hole] = slots_[at];
        hole = at;
      }
    }
    slots_[hole] = {};
  }

  void Clear() {
    slots_.clear();
    shift_ = 64;
  }

 private:
  std::size_t Home(uint64_t key) const {
    // Fibonacci hashing: the top bits of the product, which every bit of the key reaches, so
    // the BSSIDs of one vendor, alike in their first three bytes, still spread.
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
  }

  std::vector<Slot> slots_;
  int shift_ = 64;  // 64 - log2(slots_.size())
};

}  // namespace quorvan
