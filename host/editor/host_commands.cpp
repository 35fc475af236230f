#include "editor/host_commands.h"

#include <algorithm>
#include <cwctype>
#include <unordered_set>

#include "db/entities.h"
#include "db/header_values.h"
#include "editor/reply_text.h"
#include "editor/selection_sets.h"
#include "editor/session.h"

namespace kx::editor {
namespace {

bool orthoCommand(Replies& replies, Document& document) {
  const Reply* r = replies.next();
  if (!r) return false;
  long long value;
  if (isOption(*r, L"ON", 2))
    value = 1;
  else if (isOption(*r, L"OFF", 2))
    value = 0;
  else
    return false;
  db::setHeaderInteger(document.db(), "$ORTHOMODE", 70, value);
  return true;
}

bool runOne(std::wstring_view name, Replies& replies, Document& document) {
  if (name == L"REDRAW" || name == L"REDRAWALL" || name == L"REGEN") return true;
  if (name == L"UCS") return ucsCommand(replies, document);
  if (name == L"ORTHO") return orthoCommand(replies, document);
  if (name == L"EXPLODE") return explodeCommand(replies, document);
  if (name == L"DRAWORDER") return drawOrderCommand(replies, document);
  if (name == L"WIPEOUT") return wipeoutCommand(replies, document);
  return false;
}

}  // namespace

std::wstring commandWord(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == L'_' || text[i] == L'.')) ++i;
  return upper(text.substr(i));
}

bool isOption(const Reply& reply, std::wstring_view option, std::size_t minimum) {
  if (reply.kind != Reply::Kind::Text) return false;
  const std::wstring word = commandWord(reply.text);
  const std::wstring full = upper(option);
  return word.size() >= minimum && word.size() <= full.size() &&
         full.compare(0, word.size(), word) == 0;
}

std::optional<std::vector<db::ObjectId>> readSelection(Replies& replies, Document& document,
                                                       bool lastPrompt) {
  std::vector<db::ObjectId> out;
  std::unordered_set<db::ObjectId> seen;
  const db::Database& db = document.db();
  auto take = [&](db::ObjectId id) {
    if (id.isNull() || db.isErased(id)) return false;
    if (seen.insert(id).second) out.push_back(id);
    return true;
  };
  while (const Reply* r = replies.next()) {
    if (r->isEnter()) return out;
    if (r->kind == Reply::Kind::Set) {
      // A set may hold names of another drawing or of entities erased since; those are skipped
      // as a CAD user sees them drop out of a selection.
      if (!isSelectionSetName(r->name)) return std::nullopt;
      for (db::ObjectId id : selectionMembers(r->name))
        if (!db.isErased(id)) take(id);
      continue;
    }
    if (r->kind != Reply::Kind::Entity || r->name[0] != db.serial()) return std::nullopt;
    if (!take(db.fromEntityName({r->name[0], r->name[1]}))) return std::nullopt;
  }
  if (lastPrompt) return out;
  return std::nullopt;  // ran out before the Enter that ends the selection
}

db::ObjectId currentSpace(const db::Database& db) {
  const bool model = db::headerInteger(db, "$TILEMODE").value_or(1) != 0;
  return db::findBlockRecord(db, model ? "*Model_Space" : "*Paper_Space");
}

bool runCommands(Replies& replies) {
  Document* document = Session::instance().active();
  if (!document) return false;
  bool any = false;
  while (const Reply* r = replies.next()) {
    if (r->kind != Reply::Kind::Text) return false;
    std::wstring name = commandWord(r->text);
    if (!name.empty() && name.front() == L'-') name.erase(0, 1);  // the command-line form
    if (name.empty()) continue;  // Enter between commands repeats nothing headless
    if (!runOne(name, replies, *document)) return false;
    any = true;
  }
  return any;
}

}  // namespace kx::editor
