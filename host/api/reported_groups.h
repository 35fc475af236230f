#pragma once
// Groups whose value in an entity's list is the one the host draws with, whatever the record
// stores. A commands reads these from the list to keep texts in place, so they must be the values
// a user sees:
//  - TEXT, ATTDEF, ATTRIB: 7, 10, 11, 40, 41, 50, 51, 71, 72, 73 (74 for the attribute types) and
//    210 are always listed. A justified text's 10 is the point worked out from its alignment point
//    (writers often store 10 = 11), an aligned or fit text's height, width factor and rotation
//    are those its two points give, and a group the record leaves out has its default.
//  - MTEXT: 71, the measured width and height (42, 43) and the rotation 50 as an angle in the
//    current UCS (the sense commands turn texts in) are always listed.
// kxdbEntGet lists these values, and kxdbEntMod takes an element that still holds its listed
// value as unchanged: a list read and written back changes nothing in the file.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "db/database.h"
#include "editor/session.h"
#include "kx/kxtypes.h"

namespace kx::db {
class FieldReader;
}

namespace kx::api {

class ReportedGroups {
 public:
  // The reported groups of the entity `id` of `document`. All but the placed values of a
  // justified text and an MTEXT's size are worked out now; those need the text laid out, and are
  // worked out when first asked for, or by settle(). kxdbEntMod compares against the values the
  // list was read with, so it settles them before it changes any group when it will need them.
  // `samePlaces`, when given, was worked out for the same object with every group where it is
  // now (only values rewritten since): where each reported code is stored is taken from it.
  ReportedGroups(const editor::Document& document, db::ObjectId id,
                 const ReportedGroups* samePlaces = nullptr);
  ReportedGroups(const ReportedGroups&) = delete;
  ReportedGroups& operator=(const ReportedGroups&) = delete;

  // The codes the type reports, in the order a missing one is listed.
  std::span<const int> codes() const { return codes_; }
  // The value of `code`; null when the type does not report it or the stored value is what the
  // host draws with (the stored group is then listed as it stands).
  const resbuf* value(int code) const;
  // The code's place in codes(); -1 for a code the type does not report.
  std::ptrdiff_t indexOf(int code) const;
  // Whether the code's value is one the text's layout gives (not yet worked out, or worked out).
  bool isPlaced(int code) const;
  // Works out the placed values now, while the record is as the list was read.
  void settle() const;
  // The index of the tag the record stores for reported code `code`, as located when these
  // were worked out; valid while the object's revision is `revision()`.
  std::optional<std::size_t> stored(int code) const;
  // The same by the code's place in codes().
  std::optional<std::size_t> storedAt(std::size_t slot) const { return stored_[slot]; }
  std::uint32_t revision() const { return revision_; }

 private:
  // Entity lists are read by the hundred thousand: the values live here, not in allocated
  // elements, and the one string value (the style, 7) in `style_`.
  resbuf& add(int code) const;
  void locateStored(const db::FieldReader& fields, const ReportedGroups* samePlaces);

  enum class Placed { None, Insertion, Between, Size };

  const db::Database* db_ = nullptr;
  db::ObjectId id_;
  std::uint32_t revision_ = 0;
  std::span<const int> codes_;
  std::array<std::optional<std::size_t>, 12> stored_{};  // by place in codes_
  mutable std::array<resbuf, 12> values_;
  mutable std::size_t count_ = 0;
  std::wstring style_;
  // Which values the layout gives, and whether they are worked out yet.
  Placed placed_ = Placed::None;
  mutable bool settled_ = true;
};

// Whether `given` holds the value `reported` (exact: both come from one computation).
bool sameReportedValue(const resbuf& reported, const resbuf& given);

// Writes a changed MTEXT rotation given in the sense ReportedGroups lists it (radians in the
// current UCS): the text's direction (11) when the record keeps one, and its rotation (50).
void setMTextRotationInUcs(editor::Document& document, db::ObjectId id, double ucsRadians);

}  // namespace kx::api
