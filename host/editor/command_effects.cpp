#include "editor/command_effects.h"

namespace kx::editor {
namespace {

bool isText(const db::Database& db, db::ObjectId id) {
  const std::string_view type = db.typeName(id);
  return type == "TEXT" || type == "MTEXT" || type == "ATTDEF" || type == "ATTRIB";
}

}  // namespace

std::wstring CommandEffects::described() const {
  if (none()) return L"nothing changed";
  std::wstring text;
  const auto part = [&](int count, const wchar_t* what) {
    if (count == 0) return;
    if (!text.empty()) text += L", ";
    text += std::to_wstring(count) +
            (text.empty() ? (count == 1 ? L" object " : L" objects ") : std::wstring(L" ")) + what;
  };
  part(changed, L"changed");
  part(added, L"added");
  part(erased, L"erased");
  return text;
}

EffectsWatch::EffectsWatch(const db::Database& db) : drawing_(db.serial()) {
  const std::size_t count = db.objectCount();
  revisions_.reserve(count);
  erased_.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    revisions_.push_back(db.revision(db::ObjectId(i)));
    erased_.push_back(db.isErased(db::ObjectId(i)));
  }
}

CommandEffects EffectsWatch::since(const db::Database& db) const {
  CommandEffects effects;
  const std::size_t count = db.objectCount();
  for (std::uint32_t i = 0; i < count; ++i) {
    const db::ObjectId id(i);
    const bool erased = db.isErased(id);
    if (i >= revisions_.size()) {
      // Made and erased within the command: the drawing never shows it.
      if (erased) continue;
      ++effects.added;
      effects.texts += isText(db, id);
    } else if (erased != erased_[i]) {
      // Erasing again brings an object back, which is a change to it like any other.
      ++(erased ? effects.erased : effects.changed);
    } else if (!erased && db.revision(id) != revisions_[i]) {
      ++effects.changed;
      effects.texts += isText(db, id);
    }
  }
  return effects;
}

}  // namespace kx::editor
