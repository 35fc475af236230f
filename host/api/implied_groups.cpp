#include "api/implied_groups.h"

#include <new>

#include "api/entity_list_codec.h"
#include "kx/kxdb.h"
#include "text/mtext_entity.h"
#include "text/mtext_layout.h"

namespace kx::api {
namespace {

constexpr int kMTextImplied[] = {71, 42, 43, 50};

resbuf* element(int code) {
  resbuf* rb = kxutNewRb(code);
  if (!rb) throw std::bad_alloc();
  return rb;
}

}  // namespace

std::span<const int> impliedCodes(std::string_view type) {
  if (type == "MTEXT") return kMTextImplied;
  return {};
}

resbuf* impliedEntry(const db::Database& db, db::ObjectId id, std::string_view type, int code) {
  if (type != "MTEXT") return nullptr;
  switch (code) {
    case 71: {
      resbuf* rb = element(71);
      rb->value.int16 = 1;  // top left
      return rb;
    }
    case 42:
    case 43: {
      const text::MTextLayout layout = text::layoutMText(text::readMTextEntity(db, id).input);
      resbuf* rb = element(code);
      rb->value.real = code == 42 ? layout.actualWidth : layout.actualHeight;
      return rb;
    }
    case 50: {
      resbuf* rb = element(50);
      rb->value.real = text::mtextRotation(db, id);
      return rb;
    }
    default:
      return nullptr;
  }
}

bool sameImpliedValue(const resbuf& implied, const resbuf& given) {
  if (implied.code == 71) return implied.value.int16 == given.value.int16;
  return implied.value.real == given.value.real;
}

}  // namespace kx::api
