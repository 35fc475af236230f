#pragma once
// Handle to object lookup. A drawing has hundreds of thousands of handles; an open-addressing
// table keeps them in one array instead of one allocation each.

#include <cstdint>
#include <vector>

#include "db/object_id.h"

namespace kx::db {

class HandleIndex {
 public:
  void clear() {
    slots_.assign(slots_.size(), Slot{});
    count_ = 0;
  }
  void reserve(std::size_t count);
  std::size_t size() const { return count_; }

  // Handle 0 is never stored. Returns false, changing nothing, when the handle is taken.
  bool insert(std::uint64_t handle, ObjectId id);
  // Sets the object of a handle, taken or not.
  void assign(std::uint64_t handle, ObjectId id);
  ObjectId find(std::uint64_t handle) const;
  void erase(std::uint64_t handle);

 private:
  struct Slot {
    std::uint64_t handle = 0;  // 0: empty
    ObjectId id;
  };
  std::size_t slotOf(std::uint64_t handle) const;
  void grow();

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace kx::db
