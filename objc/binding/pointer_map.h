// A map from addresses to values it owns, for the binding's identity tables: found with a
// multiplication and a probe or two, where a node-based map walks a bucket list. A value keeps
// its address while it is in the map.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace nimbrel::objc {

template <class Key, class Value>
class PointerMap {
 public:
  Value* find(Key key) const {
    if (!size_) return nullptr;
    for (std::size_t i = home(key);; i = (i + 1) & mask()) {
      if (slots_[i].key == key) return slots_[i].value.get();
      if (!slots_[i].key) return nullptr;
    }
  }

  // `key` must not be in the map yet.
  Value& insert(Key key, std::unique_ptr<Value> value) {
    // At most half full, so that a probe ends soon.
    if (2 * (size_ + 1) > slots_.size()) rehash(std::max<std::size_t>(16, 2 * slots_.size()));
    Value& inserted = *value;
    place(key, std::move(value));
    ++size_;
    return inserted;
  }

  // Drops the values for which `drop(value)` holds; the others keep their addresses.
  template <class Drop>
  void eraseIf(Drop&& drop) {
    for (Slot& slot : slots_)
      if (slot.key && drop(*slot.value)) {
        slot = Slot();
        --size_;
      }
    rehash(std::max<std::size_t>(16, std::bit_ceil(2 * size_)));
  }

  std::size_t size() const { return size_; }

 private:
  struct Slot {
    Key key = nullptr;
    std::unique_ptr<Value> value;
  };

  std::size_t mask() const { return slots_.size() - 1; }

  static_assert(sizeof(std::uintptr_t) == 8, "64-bit addresses");
  // Fibonacci hashing: the top bits of the address times 2^64 over the golden ratio.
  std::size_t home(Key key) const {
    return static_cast<std::size_t>(
        (reinterpret_cast<std::uintptr_t>(key) * std::uint64_t{0x9E3779B97F4A7C15}) >> shift_);
  }

  void place(Key key, std::unique_ptr<Value> value) {
    std::size_t i = home(key);
    while (slots_[i].key) i = (i + 1) & mask();
    slots_[i] = Slot{key, std::move(value)};
  }

  // `capacity` a power of two; only the value pointers move.
  void rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    shift_ = 64 - static_cast<unsigned>(std::countr_zero(capacity));
    for (Slot& slot : old)
      if (slot.key) place(slot.key, std::move(slot.value));
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
  // 64 less the capacity's power of two: the hash's top bits index a slot.
  unsigned shift_ = 64;
};

}  // namespace nimbrel::objc
