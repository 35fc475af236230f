#include "toolkit/selection_order.h"

#include <algorithm>
#include <cstdint>

#include "kx/kxdb.h"
#include "kx/kxed.h"

namespace {

// Whether the text at `earlier` must come after the one at `later`. Exact comparison: a point a
// hair higher is higher.
bool mustFollow(const DataSSOrder& earlier, const DataSSOrder& later, TextOrder order) {
  return order == TextOrder::kX ? earlier.x > later.x : earlier.y < later.y;
}

}  // namespace

void collectSelectionOrder(const kds_name set, SSOrderList& records) {
  records.SetSize(0);
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    DataSSOrder record{};
    kxedSSName(set, i, record.name);
    resbuf* list = kxdbEntGet(record.name);
    for (const resbuf* entry = list; entry; entry = entry->next) {
      if (entry->code != 10) continue;
      record.x = entry->value.point[0];
      record.y = entry->value.point[1];
      records.SetAtGrow(records.GetSize(), record);
      break;
    }
    kxutRelRb(list);
  }
}

void sortSelectionOrder(SSOrderList& records, TextOrder order) {
  if (order == TextOrder::kSelection || records.GetSize() < 2) return;
  // A stable sort: each record goes before the first one that must follow it, and records with
  // equal keys keep their order, as an insertion sort would leave them but in n log n, so
  // numbering a hundred thousand texts does not take minutes.
  DataSSOrder* first = records.GetData();
  std::stable_sort(
      first, first + records.GetSize(),
      [order](const DataSSOrder& a, const DataSSOrder& b) { return mustFollow(b, a, order); });
}
