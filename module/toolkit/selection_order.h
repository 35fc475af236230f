#pragma once
// Selected texts in the order a command works through them: left to right, top to bottom, or
// as the user picked them.

#include "kx/kxtypes.h"
#include "kx/kxwincoll.h"

// One text and its insertion point as stored in its entity list (its own coordinate system).
struct DataSSOrder {
  kds_name name;
  double x;
  double y;
};

using SSOrderList = CArray<DataSSOrder, const DataSSOrder&>;

enum class TextOrder { kX = 0, kY = 1, kSelection = 2 };

// One record per text of `set` that has an insertion point, in the set's order.
void collectSelectionOrder(const kds_name set, SSOrderList& records);

// Sorts stably: kX by ascending x (leftmost first), kY by descending y (topmost first); texts with
// equal keys keep their order. kSelection leaves the list alone.
void sortSelectionOrder(SSOrderList& records, TextOrder order);
