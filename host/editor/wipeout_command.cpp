// WIPEOUT: a polygon, given point by point in the UCS and closed by Enter, that hides what is
// drawn below it; or "Frames" to show or hide the frames of all wipeouts.

#include "db/layers.h"
#include "db/wipeouts.h"
#include "editor/host_commands.h"

namespace kx::editor {

bool wipeoutCommand(Replies& replies, Document& document) {
  db::Database& db = document.db();
  const Reply* first = replies.next();
  if (!first) return false;
  if (isOption(*first, L"Frames")) {
    const Reply* r = replies.next();
    if (!r) return false;
    if (isOption(*r, L"ON", 2))
      db::setWipeoutFrame(db, 1);
    else if (isOption(*r, L"OFF", 2))
      db::setWipeoutFrame(db, 0);
    else
      return false;
    return true;
  }

  const geom::Matrix3d toWorld = document.ucs().toWorld();
  std::vector<geom::Vec3> outline;
  for (const Reply* r = first; !r->isEnter(); r = replies.next()) {
    if (r->kind != Reply::Kind::Point) return false;
    outline.push_back(toWorld.apply(r->point));
    if (replies.done()) return false;  // the outline was never closed
  }
  const db::ObjectId space = currentSpace(db);
  if (!space) return false;
  return !db::addWipeout(db, space, outline, db::currentLayer(db)).isNull();
}

}  // namespace kx::editor
