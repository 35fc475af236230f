#pragma once
// The identity of an object in one open drawing. It stays the same while the drawing is open,
// whatever the object's handle is or becomes.

#include <cstdint>
#include <functional>

namespace kx::db {

class ObjectId {
 public:
  static constexpr std::uint32_t kNullIndex = 0xFFFFFFFFu;

  constexpr ObjectId() = default;
  constexpr explicit ObjectId(std::uint32_t index) : index_(index) {}

  constexpr bool isNull() const { return index_ == kNullIndex; }
  constexpr explicit operator bool() const { return !isNull(); }
  constexpr std::uint32_t index() const { return index_; }

  friend constexpr bool operator==(ObjectId, ObjectId) = default;
  friend constexpr auto operator<=>(ObjectId, ObjectId) = default;

 private:
  std::uint32_t index_ = kNullIndex;
};

}  // namespace kx::db

template <>
struct std::hash<kx::db::ObjectId> {
  std::size_t operator()(kx::db::ObjectId id) const noexcept { return id.index(); }
};
