#pragma once
// The groups the host interprets, one table per DXF subclass. A table gives each group's code,
// name, kind and default; it drives where a missing group is written, what a value read from a file
// must look like, and what an object made here must hold.

#include <span>
#include <string_view>

namespace kx::db {

enum class FieldKind {
  String,
  Real,
  Integer,
  Point,  // x at the code, y at code + 10, z at code + 20
  Handle,
  Angle,  // a real, in degrees in the file
};

struct FieldSpec {
  int code;
  std::string_view name;
  FieldKind kind;
  double defaultNumber = 0;
  std::string_view defaultText = {};
  bool required = false;  // an object made here must give it
};

struct SubclassSpec {
  std::string_view marker;  // group 100 text
  std::span<const FieldSpec> fields;
};

// The subclasses of one object type, in the order they are written, at least one. A marker may come
// twice (TEXT has two AcDbText parts); fields are looked for in the part whose position they
// belong to.
struct ClassSpec {
  std::string_view type;  // group 0 text
  std::span<const SubclassSpec* const> subclasses;
};

const ClassSpec* classSpecOf(std::string_view type);

// Where a field lives: which subclass part of the object (by position in the class), and which.
struct FieldPlace {
  const ClassSpec* cls = nullptr;
  std::size_t part = 0;
  const FieldSpec* field = nullptr;
};
// Finds the field of `type` with group `code` (the first part that has it, or the part whose
// marker is `marker` when given).
FieldPlace findField(std::string_view type, int code, std::string_view marker = {});
FieldPlace findField(const ClassSpec* cls, int code, std::string_view marker = {});

}  // namespace kx::db
