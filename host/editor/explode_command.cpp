// EXPLODE: block references into their block's entities, MTEXT into TEXTs. Every reference is
// exploded on paper first, so one that cannot be leaves the whole drawing as it was.

#include <stdexcept>

#include "db/entities.h"
#include "db/layers.h"
#include "editor/block_explode.h"
#include "editor/host_commands.h"
#include "text/mtext_entity.h"

namespace kx::editor {

bool explodeCommand(Replies& replies, Document& document) {
  const auto selection = readSelection(replies, document, true);
  if (!selection) return false;
  db::Database& db = document.db();

  struct Planned {
    db::ObjectId reference;
    ExplodedReference pieces;
  };
  std::vector<Planned> references;
  std::vector<db::ObjectId> mtexts;
  for (db::ObjectId id : *selection) {
    // What sits on a locked layer stays as it is, as a CAD user expects.
    if (db::isOnLockedLayer(db, id)) continue;
    if (db.isType(id, "MTEXT")) {
      mtexts.push_back(id);
    } else if (db.isType(id, "INSERT")) {
      ExplodedReference pieces = explodeReference(db, id);
      if (!pieces.error.empty()) return false;
      references.push_back({id, std::move(pieces)});
    }
  }

  std::vector<db::ObjectId> added;
  try {
    for (const Planned& p : references) {
      const db::ObjectId block = db.owner(p.reference);
      for (const EntityDescription& e : p.pieces.entities)
        added.push_back(db::addEntity(db, block, e.type, e.body));
    }
  } catch (const std::invalid_argument&) {
    // A block entity too damaged to copy: take back what was made.
    for (db::ObjectId id : added) db.setErased(id, true);
    return false;
  }
  for (const Planned& p : references) db::setEntityErased(db, p.reference, true);
  for (db::ObjectId id : mtexts) text::explodeMText(db, id);
  return true;
}

}  // namespace kx::editor
