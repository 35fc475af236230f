#include "db/tag_reals.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "db/object_fields.h"
#include "dxf/number_syntax.h"

namespace kx::db {
namespace {

// The values of the groups read last, by where their text lies. A text never changes where it
// lies: the file read stays as it was, and the pool of texts written here only grows, so a place
// stands for one text for as long as the drawing lives, and the value kept for it never goes
// stale.
struct RealsRead {
  static constexpr std::size_t kSlots = 256;
  struct Slot {
    std::uint64_t place = 0;  // 0: empty (no text has length 0 and this place as its key)
    double value = 0;
    bool number = false;
  };
  std::array<Slot, kSlots> slots{};
};

std::uint64_t placeOf(const Tag& tag) {
  // The length is counted from one, so no key is 0.
  return std::uint64_t{tag.valueOffset} | std::uint64_t{tag.valueLength + 1u} << 32 |
         (tag.owned() ? std::uint64_t{1} << 63 : 0);
}

RealsRead::Slot& slotOf(const Database& db, const Tag& tag) {
  return db.tablesCache<RealsRead>().slots[(tag.valueOffset * 0x9E3779B1u) >> 24];
}

}  // namespace

std::optional<double> tagReal(const Database& db, const Tag& tag) {
  const std::uint64_t place = placeOf(tag);
  RealsRead::Slot& slot = slotOf(db, tag);
  if (slot.place != place) {
    const std::optional<double> value = dxf::parseReal(db.text(tag));
    slot = {place, value.value_or(0), value.has_value()};
  }
  if (!slot.number) return std::nullopt;
  return slot.value;
}

void setTagReal(Database& db, ObjectId id, std::size_t index, double value) {
  db.setText(id, index, RealText(value).view());
  // The shortest text that reads back the same number reads back this very value; zero is
  // written "0.0", which reads as +0, and a value that is not finite is not a number there.
  if (!std::isfinite(value)) return;
  const Tag& tag = db.tags(id)[index];
  slotOf(db, tag) = {placeOf(tag), value == 0 ? 0.0 : value, true};
}

}  // namespace kx::db
