#pragma once
// What a command did to the drawing, for the line that ends every command and for the summary of
// a batch run: objects whose groups were written, objects made and objects erased.

#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"

namespace kx::editor {

struct CommandEffects {
  int changed = 0;
  int added = 0;
  int erased = 0;
  int texts = 0;  // of those changed or added: TEXT, MTEXT, ATTDEF and ATTRIB

  bool none() const { return changed == 0 && added == 0 && erased == 0; }
  // "3 objects changed, 1 added", or "nothing changed".
  std::wstring described() const;
};

// The drawing as a command found it: each object's revision and whether it was erased.
class EffectsWatch {
 public:
  explicit EffectsWatch(const db::Database& db);
  // What changed since; nothing when `db` is no longer the drawing watched (UNDO replaced it).
  bool sameDrawing(const db::Database& db) const { return db.serial() == drawing_; }
  CommandEffects since(const db::Database& db) const;

 private:
  std::int64_t drawing_;
  std::vector<std::uint32_t> revisions_;
  std::vector<bool> erased_;
};

}  // namespace kx::editor
