#pragma once
// How an object's groups read as an entity list and how list values are written back. kxdbEntGet,
// kxdbEntMod, kxdbEntMake and the table functions all go through here, so a value read and handed
// back unchanged is recognised as unchanged, and every call refuses the same malformed values.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/host_names.h"
#include "db/database.h"
#include "kx/kxtypes.h"

namespace kx::api {

// Which member of a resbuf's value a code uses (result types and DXF group codes alike).
enum class Storage { None, Real, Point, Int16, Int32, String, Name };
Storage storageOf(int code);

// What a group of an object reads as in its list. Angles are degrees in the file, radians here.
enum class ListKind { String, Real, Angle, Int16, Int32, Point, Name };
ListKind listKindOf(std::string_view type, bool graphical, int code);
// Points stored with x and y only: an LWPOLYLINE's vertices, whose height is its elevation (38).
inline bool isFlatPoint(std::string_view type, int code) {
  return code == 10 && type == "LWPOLYLINE";
}
// The groups of an LWPOLYLINE's vertex: its point, widths, bulge and vertex id.
inline bool isVertexGroup(int code) {
  return code == 10 || code == 40 || code == 41 || code == 42 || code == 91;
}

// One element of an object's list: its code and the tags it comes from (a point takes up to three).
struct ListItem {
  int code;
  std::uint32_t first;
  std::uint32_t count;
};

// The object's groups as list elements, in file order, group 0 left out. The identity groups
// (handle, and the owner outside any 102 group) are flagged so callers can leave them out.
struct ObjectItems {
  std::vector<ListItem> items;
  std::ptrdiff_t handleItem = -1;  // index into items
  std::ptrdiff_t ownerItem = -1;
};
ObjectItems scanItems(const db::Database& db, db::ObjectId id);

// A new zeroed element, malloc'd like every part of a list handed to a module (kxutRelRb frees
// it); throws std::bad_alloc.
resbuf* newListElement(int code);
// Frees one element (not the string it may hold), or keeps it for a later newListElement.
void releaseListElement(resbuf* rb);

// A new element holding an item's value.
resbuf* itemValue(const db::Database& db, std::span<const dxf::Tag> tags, const ListItem& item,
                  ListKind kind);

// Whether the element's value can be written as a group of `kind` in `db`: strings are real
// strings without line breaks, numbers are finite, names name live objects of this drawing.
bool valueFits(const db::Database& db, const resbuf& rb, ListKind kind);

// The file texts of a value: the first, or x, y, z for points.
using ValueTexts = std::array<std::string, 3>;
ValueTexts valueTexts(const db::Database& db, const resbuf& rb, ListKind kind);

// Whether the stored item already holds the element's value (same number after parsing, same text
// after decoding, same object).
bool sameValue(const db::Database& db, std::span<const dxf::Tag> tags, const ListItem& item,
               ListKind kind, const resbuf& rb);

// The object a name element refers to; null for a nil name. Assumes valueFits.
db::ObjectId nameTarget(const db::Database& db, const resbuf& rb);

// The handle of `id` as the file writes it, "0" for none.
std::string handleText(const db::Database& db, db::ObjectId id);

// Whether an object of `type` can hold group `code` at all: its field tables, the groups every
// entity has, the repeated groups of the types that keep them, extended data and 102 groups.
bool canHold(std::string_view type, bool graphical, int code);
// Groups of the AcDbEntity part that the field tables leave out (colour book, transparency,
// plot style, proxy graphics, ...).
bool isCommonEntityGroup(int code);

// The active drawing, null when none is open.
editor::Document* activeDocumentOrNull();
// The object a name gives in the active drawing; null for names of other drawings or none.
ResolvedObject resolveActive(const kds_name name);

}  // namespace kx::api
