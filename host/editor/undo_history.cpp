#include "editor/undo_history.h"

#include <unordered_set>

#include "db/dxf_io.h"
#include "editor/session.h"

namespace kx::editor {

UndoHistory::State UndoHistory::capture(Document& document) {
  db::Database& db = document.db();
  State state;
  state.saved = !document.hasUnsavedChanges();
  state.saves = document.saves();
  if (lastText_ && lastDrawing_ == db.serial() && lastChanges_ == db.changeCount()) {
    state.text = lastText_;
    return state;
  }
  // A drawing nobody changed since it was read is its source text again, which costs a copy;
  // anything else is written out.
  state.text = std::make_shared<const std::string>(document.isAsRead() ? std::string(db.source())
                                                                       : db::writeDxf(db));
  lastText_ = state.text;
  lastDrawing_ = db.serial();
  lastChanges_ = db.changeCount();
  return state;
}

void UndoHistory::restore(Document& document, const State& state) {
  db::LoadedDrawing loaded = db::readDxf(std::string_view(*state.text), document.path());
  document.replaceDatabase(std::move(loaded.db), state.saved && state.saves == document.saves());
  lastText_ = state.text;
  lastDrawing_ = document.db().serial();
  lastChanges_ = document.db().changeCount();
}

void UndoHistory::keepWithinLimit() {
  const auto held = [this] {
    std::unordered_set<const std::string*> texts;
    std::size_t bytes = 0;
    for (const Step& step : steps_)
      if (texts.insert(step.before.text.get()).second) bytes += step.before.text->size();
    return bytes;
  };
  while (steps_.size() > 1 && held() > kMaxBytes) steps_.pop_front();
}

void UndoHistory::beginStep(Document& document, std::wstring command) {
  redo_.reset();
  steps_.push_back({std::move(command), capture(document)});
  keepWithinLimit();
}

std::vector<std::wstring> UndoHistory::undo(Document& document, int count) {
  std::vector<std::wstring> undone;
  if (steps_.empty() || count <= 0) return undone;
  Redo redo{capture(document), {}};
  while (count-- > 0 && !steps_.empty()) {
    redo.undone.insert(redo.undone.begin(), std::move(steps_.back()));
    steps_.pop_back();
    undone.push_back(redo.undone.front().command);
  }
  restore(document, redo.undone.front().before);
  redo_ = std::move(redo);
  return undone;
}

std::optional<std::vector<std::wstring>> UndoHistory::redo(Document& document) {
  if (!redo_) return std::nullopt;
  Redo redo = std::move(*redo_);
  redo_.reset();
  restore(document, redo.state);
  std::vector<std::wstring> redone;
  for (Step& step : redo.undone) {
    redone.push_back(step.command);
    steps_.push_back(std::move(step));
  }
  return redone;
}

}  // namespace kx::editor
