#include "db/draw_order.h"

namespace kx::db {

ObjectId findSortTable(const Database&, ObjectId) {
  return {};
}
ObjectId ensureSortTable(Database&, ObjectId) {
  return {};
}
std::vector<ObjectId> drawOrder(const Database&, ObjectId) {
  return {};
}
void moveInDrawOrder(Database&, ObjectId, std::span<const ObjectId>, DrawOrderMove, ObjectId) {}

}  // namespace kx::db
