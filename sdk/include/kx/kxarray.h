#pragma once
// The growable array the host hands out and takes (object ids, exploded entities).

#include <cstddef>
#include <vector>

template <typename T>
class KxArray {
 public:
  KxArray() = default;
  int length() const { return static_cast<int>(items_.size()); }
  bool isEmpty() const { return items_.empty(); }
  KxArray& append(const T& item) {
    items_.push_back(item);
    return *this;
  }
  KxArray& removeAt(int index) {
    items_.erase(items_.begin() + index);
    return *this;
  }
  KxArray& setLogicalLength(int n) {
    items_.resize(static_cast<std::size_t>(n));
    return *this;
  }
  bool contains(const T& item) const {
    for (const T& t : items_)
      if (t == item) return true;
    return false;
  }
  const T& at(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  T& at(int index) { return items_.at(static_cast<std::size_t>(index)); }
  const T& operator[](int index) const { return items_[static_cast<std::size_t>(index)]; }
  T& operator[](int index) { return items_[static_cast<std::size_t>(index)]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<T> items_;
};

using KxDbVoidPtrArray = KxArray<void*>;
