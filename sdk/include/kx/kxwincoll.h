#pragma once
// The framework's growable array. Indexes are checked: an index outside the array is a
// programming error that throws CInvalidArgException* (the host ends the command with an error
// line) instead of reading or writing memory that is not the array's.

#include <cstddef>
#include <utility>
#include <vector>

#include "kx/kxwindef.h"
#include "kx/kxwinfile.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() = default;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(items_.size()); }
  BOOL IsEmpty() const { return items_.empty(); }

  // New elements are value-initialised (0 for numbers); `growBy` is accepted for compatibility.
  void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
    (void)growBy;
    if (newSize < 0) throw new CInvalidArgException();
    items_.resize(static_cast<std::size_t>(newSize));
  }

  const TYPE& operator[](INT_PTR index) const { return items_[checked(index)]; }
  TYPE& operator[](INT_PTR index) { return items_[checked(index)]; }

  const TYPE* GetData() const { return items_.data(); }
  TYPE* GetData() { return items_.data(); }

  // Sets the element at `index`, growing the array to hold it.
  void SetAtGrow(INT_PTR index, ARG_TYPE element) {
    if (index < 0) throw new CInvalidArgException();
    TYPE copy(element);  // `element` may live in this array, which growing moves
    if (static_cast<std::size_t>(index) >= items_.size())
      items_.resize(static_cast<std::size_t>(index) + 1);
    items_[static_cast<std::size_t>(index)] = std::move(copy);
  }

  // The index of the new element.
  INT_PTR Add(ARG_TYPE element) {
    items_.push_back(element);
    return GetSize() - 1;
  }

 private:
  std::size_t checked(INT_PTR index) const {
    if (index < 0 || index >= GetSize()) throw new CInvalidArgException();
    return static_cast<std::size_t>(index);
  }

  std::vector<TYPE> items_;
};
