#pragma once
// UNDO, U and REDO. Each command typed at "Command:" is one step back, and a step takes the
// drawing back to exactly the text it would have been saved as before the command: the state is
// kept as that text and read again, which is cheap next to any command that changes many objects
// and can never miss a group a command touched.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kx::editor {

class Document;

class UndoHistory {
 public:
  // How much drawing text the steps of one drawing may hold; beyond it the oldest steps go.
  static constexpr std::size_t kMaxBytes = std::size_t{1} << 30;

  // Before the command `command` runs: remembers the drawing as it is, and ends what REDO could
  // take back.
  void beginStep(Document& document, std::wstring command);
  // Takes the drawing back `count` steps, or as many as there are; the commands undone, the
  // latest first.
  std::vector<std::wstring> undo(Document& document, int count);
  // Takes back the UNDO just run (nothing else may have run since); the commands redone, oldest
  // first, or nothing when there is no such UNDO.
  std::optional<std::vector<std::wstring>> redo(Document& document);
  std::size_t steps() const { return steps_.size(); }

 private:
  struct State {
    std::shared_ptr<const std::string> text;
    // The state was what the drawing's file held, as of that many saves.
    bool saved = false;
    std::uint64_t saves = 0;
  };
  struct Step {
    std::wstring command;
    State before;
  };
  struct Redo {
    State state;
    std::vector<Step> undone;
  };

  State capture(Document& document);
  void restore(Document& document, const State& state);
  void keepWithinLimit();

  std::deque<Step> steps_;
  std::optional<Redo> redo_;
  // The text captured last, used again while the drawing has not changed since.
  std::shared_ptr<const std::string> lastText_;
  std::int64_t lastDrawing_ = 0;
  std::uint64_t lastChanges_ = 0;
};

}  // namespace kx::editor
