#pragma once
// Typed access to the groups of one object, through the field tables. Reading a group that is not
// there gives the field's default; writing one that is not there adds it where a CAD program
// would write it. Values the caller does not change keep the exact text they were read with.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/database.h"
#include "db/field_table.h"

namespace kx::db {

struct Point3 {
  double x = 0, y = 0, z = 0;
  friend bool operator==(const Point3&, const Point3&) = default;
};

class FieldReader {
 public:
  FieldReader(const Database& db, ObjectId id) : db_(&db), id_(id) {}

  ObjectId id() const { return id_; }
  std::string_view type() const { return db_->typeName(id_); }

  // Index of group `code` among the object's groups, in the subclass part the field tables give
  // it (or `marker`'s part); nothing when the object does not have it.
  std::optional<std::size_t> locate(int code, std::string_view marker = {}) const;

  std::optional<std::string_view> rawText(int code, std::string_view marker = {}) const;
  std::wstring string(int code, std::string_view marker = {}) const;
  double real(int code, std::string_view marker = {}) const;
  // Angles are in radians here and in degrees in the file.
  double angle(int code, std::string_view marker = {}) const;
  long long integer(int code, std::string_view marker = {}) const;
  Point3 point(int code, std::string_view marker = {}) const;
  // What a group the object lacks reads as: its field's default, or 0 and "" for a group the
  // field tables do not know.
  double missingNumber(int code, std::string_view marker = {}) const;
  std::string_view missingText(int code, std::string_view marker = {}) const;

 protected:
  FieldPlace place(int code, std::string_view marker) const;
  // Index of the subclass marker that opens part `part` of the object's class, if it is there.
  std::optional<std::size_t> partStart(const FieldPlace& where) const;

  const Database* db_;
  ObjectId id_;

 private:
  // The object's groups before the extended data, with the subclass part each is in, worked out
  // again only when groups may have moved: a reader is usually asked for many fields of one
  // object, and rewriting values leaves every group where it was.
  struct GroupEntry {
    std::int16_t code;
    std::int16_t part;  // -1 before the first marker the class knows
    std::uint32_t index;
  };
  static constexpr std::size_t kIndexedGroups = 64;
  // Codes hash into kCodeSlots slots (open addressing) holding the entry of the code's first
  // group, plus one (0: empty): locating a field looks at one or two slots, not every group.
  static constexpr std::size_t kCodeSlots = 128;
  struct GroupIndex {
    bool built = false;
    bool markers = false;
    std::uint32_t revision = 0;
    std::uint64_t groupPlaces = 0;  // the drawing's groupPlacesRevision() when built
    std::size_t count = 0;          // more than kIndexedGroups: not indexed
    std::array<GroupEntry, kIndexedGroups> entries;
    std::array<std::uint8_t, kCodeSlots> firstOfCode;
  };
  // The index of the object's groups; null for an object with too many groups to index, and
  // when none is kept and `build` is false.
  const GroupIndex* groupIndex(bool build) const;
  friend struct RecentGroupIndexes;

  mutable GroupIndex index_;
  // Whether a field was located: one field is found faster by walking the groups than by
  // indexing them, and many readers are asked for one field only (an entity's layer).
  mutable bool located_ = false;
};

class ObjectFields : public FieldReader {
 public:
  ObjectFields(Database& db, ObjectId id) : FieldReader(db, id), db_(&db) {}

  void setRawText(int code, std::string_view text, std::string_view marker = {});
  void setString(int code, std::wstring_view value, std::string_view marker = {});
  void setReal(int code, double value, std::string_view marker = {});
  void setAngle(int code, double radians, std::string_view marker = {});
  void setInteger(int code, long long value, std::string_view marker = {});
  void setPoint(int code, const Point3& p, std::string_view marker = {});

 private:
  std::size_t insertPosition(const FieldPlace& where) const;

  Database* db_;
};

// A real as the file writes it: the shortest text that reads back the same, always with a point.
std::string formatReal(double value);
// The same text held here, for a write that copies it at once: most reals written are too long
// for a string's own buffer, and a text's points are written by the hundred thousand.
class RealText {
 public:
  explicit RealText(double value);
  std::string_view view() const { return {digits_.data(), size_}; }

 private:
  std::array<char, 32> digits_;
  std::size_t size_ = 0;
};

}  // namespace kx::db
