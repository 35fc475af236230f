#include "dxf/group_code.h"

namespace kx::dxf {

namespace {

ValueType computeValueType(int code) {
  if (code < 0) return ValueType::String;
  if (code <= 9) return ValueType::String;
  if (code <= 59) return ValueType::Real;
  if (code <= 79) return ValueType::Int16;
  if (code <= 89) return ValueType::String;
  if (code <= 99) return ValueType::Int32;
  if (code == 100 || code == 101 || code == 102) return ValueType::String;
  if (code == 105) return ValueType::Handle;
  if (code >= 110 && code <= 149) return ValueType::Real;
  if (code >= 160 && code <= 169) return ValueType::Int64;
  if (code >= 170 && code <= 179) return ValueType::Int16;
  if (code >= 210 && code <= 239) return ValueType::Real;
  if (code >= 270 && code <= 289) return ValueType::Int16;
  if (code >= 290 && code <= 299) return ValueType::Bool;
  if (code >= 300 && code <= 309) return ValueType::String;
  if (code >= 310 && code <= 319) return ValueType::Binary;
  if (code >= 320 && code <= 369) return ValueType::Handle;
  if (code >= 370 && code <= 389) return ValueType::Int16;
  if (code >= 390 && code <= 399) return ValueType::Handle;
  if (code >= 400 && code <= 409) return ValueType::Int16;
  if (code >= 410 && code <= 419) return ValueType::String;
  if (code >= 420 && code <= 429) return ValueType::Int32;
  if (code >= 430 && code <= 439) return ValueType::String;
  if (code >= 440 && code <= 459) return ValueType::Int32;
  if (code >= 460 && code <= 469) return ValueType::Real;
  if (code >= 470 && code <= 479) return ValueType::String;
  if (code >= 480 && code <= 481) return ValueType::Handle;
  if (code == 999) return ValueType::String;
  if (code >= 1000 && code <= 1003) return ValueType::String;
  if (code == 1004) return ValueType::Binary;
  if (code == 1005) return ValueType::Handle;
  if (code >= 1006 && code <= 1009) return ValueType::String;
  if (code >= 1010 && code <= 1059) return ValueType::Real;
  if (code >= 1060 && code <= 1070) return ValueType::Int16;
  if (code == 1071) return ValueType::Int32;
  return ValueType::String;
}

constexpr int kTableSize = 1072;

// Looked up for every group of a drawing while loading.
struct ValueTypeTable {
  ValueType types[kTableSize];
  ValueTypeTable() {
    for (int c = 0; c < kTableSize; ++c) types[c] = computeValueType(c);
  }
};

}  // namespace

ValueType valueTypeOf(int code) {
  static const ValueTypeTable table;
  if (code >= 0 && code < kTableSize) return table.types[code];
  return computeValueType(code);
}

}  // namespace kx::dxf
