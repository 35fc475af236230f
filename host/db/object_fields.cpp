#include "db/object_fields.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "db/tag_reals.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"

namespace kx::db {
namespace {

bool hasMarkers(std::span<const Tag> tags) {
  for (const Tag& t : tags)
    if (t.code == 100) return true;
  return false;
}

}  // namespace

RealText::RealText(double value) {
  char* const begin = digits_.data();
  char* const end = begin + digits_.size() - 2;  // room for ".0"
  char* last = begin;
  if (value == 0) {
    last = std::to_chars(begin, end, 0).ptr;
  } else if (std::abs(value) < 1e5 && value == std::trunc(value)) {
    // Most coordinates and sizes of a drawing are whole numbers. Below 100000 their shortest form
    // is never one with an exponent, so their digits are written as an integer's, without the
    // search for the shortest digits.
    last = std::to_chars(begin, end, static_cast<int>(value)).ptr;
  } else {
    const auto [ptr, ec] = std::to_chars(begin, end, value);
    last = ec == std::errc() ? ptr : begin;
    // A point, an exponent or "inf"/"nan" needs no ".0". (Not find_first_of: it searches the
    // four characters anew for every digit.)
    for (const char* c = begin; c != last; ++c) {
      if (*c == '.' || *c == 'e' || *c == 'E' || *c == 'n') {
        size_ = static_cast<std::size_t>(last - begin);
        return;
      }
    }
  }
  *last++ = '.';
  *last++ = '0';
  size_ = static_cast<std::size_t>(last - begin);
}

std::string formatReal(double value) {
  return std::string(RealText(value).view());
}

FieldPlace FieldReader::place(int code, std::string_view marker) const {
  return findField(db_->classSpec(id_), code, marker);
}

std::optional<std::size_t> FieldReader::partStart(const FieldPlace& where) const {
  const std::span<const Tag> tags = db_->tags(id_);
  const auto& parts = where.cls->subclasses;
  std::ptrdiff_t part = -1;
  for (std::size_t i = 1; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i) {
    if (tags[i].code != 100) continue;
    const std::string_view m = db_->text(tags[i]);
    for (std::size_t p = static_cast<std::size_t>(part + 1); p < parts.size(); ++p) {
      if (parts[p]->marker == m) {
        part = static_cast<std::ptrdiff_t>(p);
        if (p == where.part) return i;
        break;
      }
    }
  }
  return std::nullopt;
}

namespace {

std::size_t codeSlot(int code, std::size_t slots) {
  return (static_cast<std::uint32_t>(code) * 0x9E3779B1u >> 16) & (slots - 1);
}

}  // namespace

// The group indexes of the objects read last, kept with the drawing: a command reads a text's
// list, lays the text out and writes the list back, each through readers of their own.
struct RecentGroupIndexes {
  static constexpr std::size_t kKept = 4;
  std::array<ObjectId, kKept> ids{};
  std::array<FieldReader::GroupIndex, kKept> indexes{};
  std::size_t next = 0;
};

const FieldReader::GroupIndex* FieldReader::groupIndex(bool build) const {
  const std::uint32_t revision = db_->revision(id_);
  const std::uint64_t groupPlaces = db_->groupPlacesRevision();
  // An index of this object holds at its own revision, and at any later one as long as no group
  // anywhere was added, taken away or re-marked since it was built.
  auto holds = [&](const GroupIndex& index) {
    return index.built && (index.revision == revision || index.groupPlaces == groupPlaces);
  };
  if (!holds(index_)) {
    RecentGroupIndexes& recent = db_->tablesCache<RecentGroupIndexes>();
    bool found = false;
    for (std::size_t k = 0; k < RecentGroupIndexes::kKept && !found; ++k) {
      if (recent.ids[k] == id_ && holds(recent.indexes[k])) {
        index_ = recent.indexes[k];
        found = true;
      }
    }
    if (found) {
      index_.revision = revision;
      return index_.count <= kIndexedGroups ? &index_ : nullptr;
    }
    if (!build) return nullptr;
    index_.built = true;
    index_.revision = revision;
    index_.groupPlaces = groupPlaces;
    index_.markers = false;
    index_.count = 0;
    index_.firstOfCode.fill(0);
    const std::span<const Tag> tags = db_->tags(id_);
    const ClassSpec* cls = db_->classSpec(id_);
    std::ptrdiff_t part = -1;
    for (std::size_t i = 1; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i) {
      if (tags[i].code == 100) {
        index_.markers = true;
        if (!cls) continue;
        const std::string_view m = db_->text(tags[i]);
        for (std::size_t p = static_cast<std::size_t>(part + 1); p < cls->subclasses.size(); ++p) {
          if (cls->subclasses[p]->marker == m) {
            part = static_cast<std::ptrdiff_t>(p);
            break;
          }
        }
        continue;
      }
      if (index_.count == kIndexedGroups) {
        index_.count = kIndexedGroups + 1;
        break;
      }
      index_.entries[index_.count] = {tags[i].code, static_cast<std::int16_t>(part),
                                      static_cast<std::uint32_t>(i)};
      ++index_.count;
      for (std::size_t s = codeSlot(tags[i].code, kCodeSlots);; s = (s + 1) & (kCodeSlots - 1)) {
        const std::uint8_t held = index_.firstOfCode[s];
        if (held == 0) {
          index_.firstOfCode[s] = static_cast<std::uint8_t>(index_.count);
          break;
        }
        if (index_.entries[held - 1u].code == tags[i].code) break;
      }
    }
    recent.ids[recent.next] = id_;
    recent.indexes[recent.next] = index_;
    recent.next = (recent.next + 1) % RecentGroupIndexes::kKept;
  }
  return index_.count <= kIndexedGroups ? &index_ : nullptr;
}

namespace {

// Whether a field is one of the groups every entity has (layer, linetype, colour, ...). Some
// writers put them after the type's own subclass marker rather than in the AcDbEntity part.
bool isCommonEntityField(const FieldPlace& where) {
  return where.cls && where.field && where.cls->subclasses[where.part]->marker == "AcDbEntity";
}

}  // namespace

std::optional<std::size_t> FieldReader::locate(int code, std::string_view marker) const {
  const FieldPlace where = place(code, marker);
  // Most fields are read from a reader whose index is current: that check stays inline.
  const GroupIndex* index =
      index_.built && index_.revision == db_->revision(id_) && index_.count <= kIndexedGroups
          ? &index_
          : groupIndex(located_);
  located_ = true;
  // Drawings without subclass markers (R12) and types the tables do not know: the first group
  // with the code before the extended data. Otherwise the first in the field's own part, or for
  // the groups every entity has, the first anywhere when their part lacks it.
  if (index) {
    std::size_t firstEntry = 0;
    for (std::size_t s = codeSlot(code, kCodeSlots);; s = (s + 1) & (kCodeSlots - 1)) {
      const std::uint8_t held = index->firstOfCode[s];
      if (held == 0) return std::nullopt;
      if (index->entries[held - 1u].code == code) {
        firstEntry = held - 1u;
        break;
      }
    }
    const bool inPart = where.cls && index->markers;
    const auto target = static_cast<std::int16_t>(where.part);
    const GroupEntry& first = index->entries[firstEntry];
    if (!inPart || first.part == target) return first.index;
    // The code comes first in another part (TEXT's 73 and 72 parts, an ATTDEF's later 72).
    for (std::size_t k = firstEntry + 1; k < index->count; ++k) {
      const GroupEntry& e = index->entries[k];
      if (e.code == code && e.part == target) return e.index;
    }
    if (isCommonEntityField(where)) return first.index;
    return std::nullopt;
  }
  const bool anywhereAsFallback = isCommonEntityField(where);
  const std::span<const Tag> tags = db_->tags(id_);
  std::optional<std::size_t> first;
  bool markers = false;
  std::ptrdiff_t part = -1;
  const auto target = static_cast<std::ptrdiff_t>(where.part);
  for (std::size_t i = 1; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i) {
    if (tags[i].code == 100) {
      markers = true;
      if (!where.cls) continue;
      const auto& parts = where.cls->subclasses;
      const std::string_view m = db_->text(tags[i]);
      for (std::size_t p = static_cast<std::size_t>(part + 1); p < parts.size(); ++p) {
        if (parts[p]->marker == m) {
          part = static_cast<std::ptrdiff_t>(p);
          break;
        }
      }
      if (part > target && !anywhereAsFallback) break;  // parts only go forward
      continue;
    }
    if (tags[i].code != code) continue;
    if (where.cls && part == target) return i;
    if (!first) first = i;
  }
  if (!where.cls || !markers || anywhereAsFallback) return first;
  return std::nullopt;
}

std::optional<std::string_view> FieldReader::rawText(int code, std::string_view marker) const {
  const auto i = locate(code, marker);
  if (!i) return std::nullopt;
  return db_->text(db_->tags(id_)[*i]);
}

std::wstring FieldReader::string(int code, std::string_view marker) const {
  if (const auto i = locate(code, marker)) return db_->decode(db_->tags(id_)[*i]);
  const std::string_view missing = missingText(code, marker);
  return std::wstring(missing.begin(), missing.end());
}

double FieldReader::real(int code, std::string_view marker) const {
  if (const auto i = locate(code, marker))
    if (const auto v = tagReal(*db_, db_->tags(id_)[*i])) return *v;
  return missingNumber(code, marker);
}

double FieldReader::angle(int code, std::string_view marker) const {
  return real(code, marker) * std::numbers::pi / 180.0;
}

long long FieldReader::integer(int code, std::string_view marker) const {
  if (const auto text = rawText(code, marker))
    if (const auto v = dxf::parseInteger(*text)) return *v;
  return static_cast<long long>(missingNumber(code, marker));
}

double FieldReader::missingNumber(int code, std::string_view marker) const {
  const FieldPlace where = place(code, marker);
  return where.field ? where.field->defaultNumber : 0.0;
}

std::string_view FieldReader::missingText(int code, std::string_view marker) const {
  const FieldPlace where = place(code, marker);
  return where.field ? where.field->defaultText : std::string_view();
}

Point3 FieldReader::point(int code, std::string_view marker) const {
  const auto xAt = locate(code, marker);
  if (!xAt) {
    // An absent normal is the world Z axis.
    return code == 210 ? Point3{0, 0, 1} : Point3{};
  }
  const std::span<const Tag> tags = db_->tags(id_);
  Point3 p;
  p.x = tagReal(*db_, tags[*xAt]).value_or(0);
  for (std::size_t i = *xAt + 1; i < tags.size() && i <= *xAt + 2; ++i) {
    if (tags[i].code == code + 10) p.y = tagReal(*db_, tags[i]).value_or(0);
    if (tags[i].code == code + 20) p.z = tagReal(*db_, tags[i]).value_or(0);
  }
  return p;
}

std::size_t ObjectFields::insertPosition(const FieldPlace& where) const {
  const std::span<const Tag> tags = db_->tags(id_);
  const std::size_t end = dxf::extendedDataStart(tags);
  if (!where.cls || !hasMarkers(tags)) return end;
  // After the last group of a field that comes before this one in the same part; else right
  // after the part's marker.
  const SubclassSpec* sub = where.cls->subclasses[where.part];
  std::size_t best = end;
  if (const auto marker = partStart(where)) {
    best = *marker + 1;
    for (const FieldSpec& f : sub->fields) {
      if (&f == where.field) break;
      if (f.code == where.field->code) continue;
      if (const auto at = locate(f.code, sub->marker)) {
        std::size_t last = *at;
        if (f.kind == FieldKind::Point)
          while (last + 1 < end &&
                 (tags[last + 1].code == f.code + 10 || tags[last + 1].code == f.code + 20))
            ++last;
        best = std::max(best, last + 1);
      }
    }
  }
  return best;
}

void ObjectFields::setRawText(int code, std::string_view text, std::string_view marker) {
  if (const auto i = locate(code, marker)) {
    db_->setText(id_, *i, text);
    return;
  }
  const FieldPlace where = place(code, marker);
  const std::span<const Tag> tags = db_->tags(id_);
  if (where.cls && hasMarkers(tags) && !partStart(where))
    db_->insertTag(id_, insertPosition(where), 100, where.cls->subclasses[where.part]->marker);
  db_->insertTag(id_, insertPosition(where), code, text);
}

void ObjectFields::setString(int code, std::wstring_view value, std::string_view marker) {
  setRawText(code, db_->encode(value), marker);
}

void ObjectFields::setReal(int code, double value, std::string_view marker) {
  // Keep the text as read when the number is the same, so a diff shows only real changes.
  if (const auto i = locate(code, marker)) {
    if (tagReal(*db_, db_->tags(id_)[*i]) != value) setTagReal(*db_, id_, *i, value);
    return;
  }
  setRawText(code, formatReal(value), marker);
}

void ObjectFields::setAngle(int code, double radians, std::string_view marker) {
  setReal(code, radians * 180.0 / std::numbers::pi, marker);
}

void ObjectFields::setInteger(int code, long long value, std::string_view marker) {
  if (const auto text = rawText(code, marker))
    if (dxf::parseInteger(*text) == value) return;
  setRawText(code, std::to_string(value), marker);
}

void ObjectFields::setPoint(int code, const Point3& p, std::string_view marker) {
  const Point3 old = point(code, marker);
  if (!locate(code, marker)) {
    setReal(code, p.x, marker);
    const std::size_t x = *locate(code, marker);
    db_->insertTag(id_, x + 1, code + 10, formatReal(p.y));
    if (db_->version().hasSubclassMarkers() || p.z != 0)
      db_->insertTag(id_, x + 2, code + 20, formatReal(p.z));
    return;
  }
  if (old == p) return;
  const std::size_t x = *locate(code, marker);
  const std::span<const Tag> tags = db_->tags(id_);
  setReal(code, p.x, marker);
  bool hasZ = false;
  for (std::size_t i = x + 1; i < tags.size() && i <= x + 2; ++i) {
    if (tags[i].code == code + 10 && old.y != p.y) setTagReal(*db_, id_, i, p.y);
    if (tags[i].code == code + 20) {
      hasZ = true;
      if (old.z != p.z) setTagReal(*db_, id_, i, p.z);
    }
  }
  if (!hasZ && p.z != 0) db_->insertTag(id_, x + 2, code + 20, formatReal(p.z));
}

}  // namespace kx::db
