#include "db/handle_index.h"

#include <bit>

namespace kx::db {

namespace {
std::uint64_t mix(std::uint64_t h) {
  // Handles are mostly consecutive; spread them over the table.
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return h;
}
}  // namespace

void HandleIndex::reserve(std::size_t count) {
  if (slots_.size() >= count * 2) return;
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(std::bit_ceil(std::max<std::size_t>(count * 2, 16)), Slot{});
  count_ = 0;
  for (const Slot& s : old)
    if (s.handle) insert(s.handle, s.id);
}

void HandleIndex::grow() {
  reserve(std::max<std::size_t>(count_ * 2, 16));
}

// The slot that holds `handle`, or the empty slot where it would go.
std::size_t HandleIndex::slotOf(std::uint64_t handle) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = mix(handle) & mask;
  while (slots_[i].handle != 0 && slots_[i].handle != handle) i = (i + 1) & mask;
  return i;
}

bool HandleIndex::insert(std::uint64_t handle, ObjectId id) {
  if (handle == 0) return false;
  if ((count_ + 1) * 2 > slots_.size()) grow();
  Slot& s = slots_[slotOf(handle)];
  if (s.handle == handle) return false;
  s = {handle, id};
  ++count_;
  return true;
}

void HandleIndex::assign(std::uint64_t handle, ObjectId id) {
  if (!insert(handle, id) && handle != 0) slots_[slotOf(handle)].id = id;
}

ObjectId HandleIndex::find(std::uint64_t handle) const {
  if (handle == 0 || slots_.empty()) return {};
  const Slot& s = slots_[slotOf(handle)];
  return s.handle == handle ? s.id : ObjectId();
}

void HandleIndex::erase(std::uint64_t handle) {
  if (handle == 0 || slots_.empty()) return;
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = slotOf(handle);
  if (slots_[hole].handle != handle) return;
  slots_[hole] = Slot{};
  --count_;
  // Move later entries of the same probe run back so lookups never stop at the hole too early.
  for (std::size_t i = (hole + 1) & mask; slots_[i].handle != 0; i = (i + 1) & mask) {
    const std::size_t home = mix(slots_[i].handle) & mask;
    const bool between = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
    if (!between) {
      slots_[hole] = slots_[i];
      slots_[i] = Slot{};
      hole = i;
    }
  }
}

}  // namespace kx::db
