#pragma once
// A flat hash map from characters to small values: open addressing with linear probing, so a
// look-up is one multiply and usually one cache line.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kx::text {

template <class Value>
class FontCharMap {
 public:
  // Keys must not be kEmpty; fonts map code points above U+10FFFF to U+FFFD before asking.
  static constexpr char32_t kEmpty = 0xFFFFFFFFu;

  const Value* find(char32_t key) const {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = slotOf(key);; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.key == key) return &s.value;
      if (s.key == kEmpty) return nullptr;
    }
  }

  void insert(char32_t key, const Value& value) {
    if ((count_ + 1) * 4 > slots_.size() * 3) grow();
    for (std::size_t i = slotOf(key);; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.key == key) {
        s.value = value;
        return;
      }
      if (s.key == kEmpty) {
        s = {key, value};
        ++count_;
        return;
      }
    }
  }

  std::size_t size() const { return count_; }

 private:
  struct Slot {
    char32_t key = kEmpty;
    Value value{};
  };

  std::size_t slotOf(char32_t key) const {
    // Fibonacci hashing spreads neighbouring code points (a script's block) over the table.
    return static_cast<std::size_t>((std::uint64_t{key} * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
  }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    mask_ = slots_.size() - 1;
    count_ = 0;
    for (const Slot& s : old)
      if (s.key != kEmpty) insert(s.key, s.value);
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace kx::text
