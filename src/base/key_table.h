// A table of byte-string keys, each with a value, for the indexes of recorded
// lists: up to millions of keys, built once, then only looked up. It keeps
// views, not copies: the bytes must outlive the table and stay where they
// are; a key is shorter than 4 GiB, as every stored text is. The slots lie in
// one array and are probed in turn (open addressing), so an index costs one
// block instead of a heap block per key, and a lookup rarely reads more than
// one cache line besides the key's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace zel {

struct NoValue {};

template <typename Value = NoValue>
class KeyTable {
 public:
  // Room for `expected` keys before the table grows.
  explicit KeyTable(size_t expected = 0) { slots_.resize(CapacityFor(expected)); }

  // Adds the key, or gives the key already there the new value.
  void Put(std::string_view key, Value value = {}) {
    if (key.size() > UINT32_MAX) throw std::length_error("KeyTable key");
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
    const std::uint64_t hash = Hash(key);
    Slot& slot = slots_[SlotOf(key, hash)];
    if (slot.check == 0) {
      slot.key = key.data();
      slot.length = static_cast<std::uint32_t>(key.size());
      slot.check = CheckOf(hash);
      ++count_;
    }
    slot.value = std::move(value);
  }

  // The key's value, or null.
  const Value* Find(std::string_view key) const {
    const Slot& slot = slots_[SlotOf(key, Hash(key))];
    return slot.check == 0 ? nullptr : &slot.value;
  }
  bool Has(std::string_view key) const { return Find(key) != nullptr; }
  size_t size() const { return count_; }

 private:
  struct Slot {
    const char* key = nullptr;
    std::uint32_t length = 0;
    // Part of the hash, compared before the bytes; never 0 in a used slot.
    std::uint32_t check = 0;
    [[no_unique_address]] Value value{};
  };

  static std::uint64_t Hash(std::string_view key) { return std::hash<std::string_view>{}(key); }
  static std::uint32_t CheckOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32) | 1u; }
  // A power of two with the keys at most three quarters of it.
  static size_t CapacityFor(size_t keys) {
    size_t capacity = 16;
    while (capacity / 4 * 3 < keys) capacity *= 2;
    return capacity;
  }

  // The key's slot, or the empty slot where it would go.
  size_t SlotOf(std::string_view key, std::uint64_t hash) const {
    const size_t mask = slots_.size() - 1;
    const std::uint32_t check = CheckOf(hash);
    for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.check == 0) return i;
      if (slot.check == check && std::string_view(slot.key, slot.length) == key) return i;
    }
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (Slot& slot : old) {
      if (slot.check == 0) continue;
      const std::string_view key(slot.key, slot.length);
      slots_[SlotOf(key, Hash(key))] = std::move(slot);
    }
  }

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace zel
