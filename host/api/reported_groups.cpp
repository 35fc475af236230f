#include "api/reported_groups.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>
#include <numbers>

#include "db/object_fields.h"
#include "kx/kxdb.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace kx::api {
namespace {

constexpr int kTextCodes[] = {7, 10, 11, 40, 41, 50, 51, 71, 72, 73, 210};
constexpr int kAttributeCodes[] = {7, 10, 11, 40, 41, 50, 51, 71, 72, 74, 210};
constexpr int kMTextCodes[] = {71, 42, 43, 50};

// The direction of an MTEXT as an angle in the UCS's xy plane.
double ucsAngle(const editor::Ucs& ucs, geom::Vec3 worldDirection) {
  const geom::Vec3 d = ucs.toWorld().inverse().applyToVector(worldDirection);
  return std::atan2(d.y, d.x);
}

}  // namespace

resbuf& ReportedGroups::add(int code) const {
  for (std::size_t i = 0; i < count_; ++i)
    if (values_[i].code == code) return values_[i];
  resbuf& rb = values_[count_++];
  rb = resbuf{};
  rb.code = static_cast<short>(code);
  return rb;
}

namespace {

void setReal(resbuf& rb, double value) {
  rb.value.real = value;
}

void setPoint(resbuf& rb, geom::Vec3 p) {
  rb.value.point[0] = p.x;
  rb.value.point[1] = p.y;
  rb.value.point[2] = p.z;
}

}  // namespace

ReportedGroups::ReportedGroups(const editor::Document& document, db::ObjectId id,
                               const ReportedGroups* samePlaces)
    : db_(&document.db()), id_(id), revision_(document.db().revision(id)) {
  const db::Database& db = *db_;
  const std::string_view type = db.typeName(id);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    codes_ = type == "TEXT" ? std::span<const int>(kTextCodes) : kAttributeCodes;
    const db::FieldReader f(db, id);
    locateStored(f, samePlaces);
    // A group the record leaves out reads as its field's default: what it was located as says
    // which are missing, so none is looked for again.
    auto integer = [&](int code) {
      return stored(code) ? f.integer(code) : static_cast<long long>(f.missingNumber(code));
    };
    for (std::size_t slot = 0; slot < codes_.size(); ++slot) {
      const int code = codes_[slot];
      if (code == 11 || stored_[slot]) continue;
      switch (code) {
        case 7: {
          const std::string_view missing = f.missingText(7);
          style_.assign(missing.begin(), missing.end());
          add(7).value.string = style_.data();
          break;
        }
        case 10:
          setPoint(add(code), {});
          break;
        case 210:
          setPoint(add(code), {0, 0, 1});
          break;
        case 40:
        case 41:
          setReal(add(code), f.missingNumber(code));
          break;
        case 50:
        case 51:
          setReal(add(code), f.missingNumber(code) * std::numbers::pi / 180.0);
          break;
        default:
          add(code).value.int16 = static_cast<short>(static_cast<long long>(f.missingNumber(code)));
      }
    }
    if (!stored(11)) {
      // A text without an alignment point is anchored where its insertion point is.
      const db::Point3 p = stored(10) ? f.point(10) : db::Point3{};
      setPoint(add(11), {p.x, p.y, p.z});
    }
    const text::Justification j{static_cast<int>(integer(72)),
                                static_cast<int>(integer(type == "TEXT" ? 73 : 74))};
    if (j.anchoredAtInsertion()) return;
    // Placed from its alignment point, or between its two points: what the layout gives, worked
    // out when asked for (most lists are read for other groups, or written back unchanged).
    placed_ = j.isAligned() || j.isFit() ? Placed::Between : Placed::Insertion;
    settled_ = false;
    return;
  }
  if (type == "MTEXT") {
    codes_ = kMTextCodes;
    const db::FieldReader f(db, id);
    locateStored(f, samePlaces);
    if (!stored(71)) add(71).value.int16 = 1;  // top left
    setReal(add(50), ucsAngle(document.ucs(), text::mtextPlacement(db, id).xAxis()));
    // The measured size needs the text laid out: worked out when asked for.
    placed_ = Placed::Size;
    settled_ = false;
  }
}

void ReportedGroups::locateStored(const db::FieldReader& fields, const ReportedGroups* samePlaces) {
  if (samePlaces) {
    stored_ = samePlaces->stored_;
    return;
  }
  for (std::size_t slot = 0; slot < codes_.size(); ++slot)
    stored_[slot] = fields.locate(codes_[slot]);
}

bool ReportedGroups::isPlaced(int code) const {
  switch (placed_) {
    case Placed::Insertion:
      return code == 10;
    case Placed::Between:
      return code == 40 || code == 41 || code == 50;
    case Placed::Size:
      return code == 42 || code == 43;
    default:
      return false;
  }
}

void ReportedGroups::settle() const {
  if (settled_) return;
  settled_ = true;
  if (placed_ == Placed::Size) {
    const text::MTextSize size = text::mtextSize(*db_, id_);
    setReal(add(42), size.width);
    setReal(add(43), size.height);
    return;
  }
  const text::TextPlacement t = text::textPlacement(*db_, id_);
  if (!t.laidOut) return;
  if (placed_ == Placed::Between) {
    setReal(add(40), t.height);
    setReal(add(41), t.widthFactor);
    setReal(add(50), t.rotation);
  } else {
    setPoint(add(10), {t.insertion.x, t.insertion.y, t.elevation});
  }
}

const resbuf* ReportedGroups::value(int code) const {
  if (isPlaced(code)) settle();
  for (std::size_t i = 0; i < count_; ++i)
    if (values_[i].code == code) return &values_[i];
  return nullptr;
}

std::optional<std::size_t> ReportedGroups::stored(int code) const {
  const std::ptrdiff_t slot = indexOf(code);
  return slot < 0 ? std::nullopt : stored_[static_cast<std::size_t>(slot)];
}

std::ptrdiff_t ReportedGroups::indexOf(int code) const {
  const auto at = std::find(codes_.begin(), codes_.end(), code);
  return at == codes_.end() ? -1 : at - codes_.begin();
}

bool sameReportedValue(const resbuf& reported, const resbuf& given) {
  switch (reported.code) {
    case 7:
      return given.value.string && std::wcscmp(reported.value.string, given.value.string) == 0;
    case 10:
    case 11:
    case 210:
      return std::equal(reported.value.point, reported.value.point + 3, given.value.point);
    case 71:
    case 72:
    case 73:
    case 74:
      return reported.value.int16 == given.value.int16;
    case 50:  // the same angle whole turns away
      return std::fabs(std::remainder(reported.value.real - given.value.real,
                                      2 * std::numbers::pi)) < 1e-12;
    default:
      return reported.value.real == given.value.real;
  }
}

void setMTextRotationInUcs(editor::Document& document, db::ObjectId id, double ucsRadians) {
  db::Database& db = document.db();
  const editor::Ucs& ucs = document.ucs();
  const geom::Vec3 normal = text::mtextPlacement(db, id).zAxis();
  geom::Vec3 direction = ucs.xAxis * std::cos(ucsRadians) + ucs.yAxis * std::sin(ucsRadians);
  direction = geom::normalized(direction - normal * geom::dot(direction, normal));
  const geom::Vec3 ocs = geom::worldToOcs(normal).applyToVector(direction);
  text::setMTextRotation(db, id, std::atan2(ocs.y, ocs.x));
}

}  // namespace kx::api
