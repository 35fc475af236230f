// DRAWORDER: moves the chosen entities to the front or back of their block's draw order, or
// directly above or under another entity.

#include <map>

#include "db/draw_order.h"
#include "db/layers.h"
#include "editor/host_commands.h"

namespace kx::editor {

bool drawOrderCommand(Replies& replies, Document& document) {
  const auto selection = readSelection(replies, document);
  if (!selection) return false;
  const Reply* r = replies.next();
  if (!r) return false;
  db::Database& db = document.db();

  db::DrawOrderMove move;
  db::ObjectId target;
  if (isOption(*r, L"Front")) {
    move = db::DrawOrderMove::ToTop;
  } else if (isOption(*r, L"Back")) {
    move = db::DrawOrderMove::ToBottom;
  } else if (isOption(*r, L"Above") || isOption(*r, L"Under")) {
    move = isOption(*r, L"Above") ? db::DrawOrderMove::Above : db::DrawOrderMove::Below;
    const Reply* t = replies.next();
    if (!t || t->kind != Reply::Kind::Entity || t->name[0] != db.serial()) return false;
    target = db.fromEntityName({t->name[0], t->name[1]});
    if (!target || db.isErased(target)) return false;
  } else {
    return false;
  }

  // Entities move within their own block; above or under another only in that one's block.
  // Those on locked layers stay where they are, as for every command that changes entities.
  std::map<db::ObjectId, std::vector<db::ObjectId>> byBlock;
  for (db::ObjectId id : *selection) {
    if (id == target || db::isOnLockedLayer(db, id)) continue;
    byBlock[db.owner(id)].push_back(id);
  }
  for (const auto& [block, entities] : byBlock) {
    if (target && db.owner(target) != block) continue;
    db::moveInDrawOrder(db, block, entities, move, target);
  }
  return true;
}

}  // namespace kx::editor
