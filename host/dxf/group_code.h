#pragma once
// What kind of value a DXF group code carries. The code alone decides it, in every section.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "dxf/tag.h"

namespace kx::dxf {

enum class ValueType : std::uint8_t {
  String,
  Real,
  Int16,
  Int32,
  Int64,
  Bool,
  Handle,  // hexadecimal object handle
  Binary,  // hexadecimal bytes
};

ValueType valueTypeOf(int code);

inline bool isNumeric(ValueType t) {
  return t == ValueType::Real || t == ValueType::Int16 || t == ValueType::Int32 ||
         t == ValueType::Int64 || t == ValueType::Bool;
}

// Point groups come as x at code c, y at c + 10, z at c + 20.
inline bool isPointX(int code) {
  return (code >= 10 && code <= 18) || (code >= 110 && code <= 112) ||
         (code >= 210 && code <= 219) || (code >= 1010 && code <= 1013);
}

// The depth of application blocks after a 102 group: "{NAME" opens one (an object's reactors, its
// extension dictionary), "}" closes one. A stray "}" leaves the depth at 0.
template <typename Char>
int applicationDepthAfter(int depth, std::basic_string_view<Char> value) {
  if (!value.empty() && value.front() == Char('{')) return depth + 1;
  return value.size() == 1 && value.front() == Char('}') && depth > 0 ? depth - 1 : depth;
}

// An application's extended data, after the object's own groups.
inline bool isExtendedData(int code) {
  return code >= 1000;
}

// Index of a record's first group of extended data, or the number of its groups when it has none
// (group 0, its type, never is).
inline std::size_t extendedDataStart(std::span<const Tag> tags) {
  for (std::size_t i = 1; i < tags.size(); ++i)
    if (isExtendedData(tags[i].code)) return i;
  return tags.size();
}

}  // namespace kx::dxf
