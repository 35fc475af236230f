#pragma once
// What went otherwise than the input meant during a run: the drawing was repaired on reading, a
// command was unknown or failed, a reply was refused, or the input ended inside a prompt. A batch
// caller learns of them through kxhost's exit status.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

namespace kx::editor {

enum class RunEvent {
  DrawingRepaired,
  UnknownCommand,
  CommandFailed,
  ReplyRefused,
  InputEndedInPrompt,
};

class RunEvents {
 public:
  void note(RunEvent event) {
    ++counts_[static_cast<std::size_t>(event)];
    if (!first_) first_ = event;
    if (onNote) onNote(event);
  }
  // The first one noted; nothing when the run went as its input meant.
  std::optional<RunEvent> first() const { return first_; }
  std::size_t count(RunEvent event) const { return counts_[static_cast<std::size_t>(event)]; }
  void clear() { *this = RunEvents(); }

  // Told of each event as it is noted (kxhost --strict ends the input at the first).
  std::function<void(RunEvent)> onNote;

 private:
  std::array<std::size_t, 5> counts_{};
  std::optional<RunEvent> first_;
};

}  // namespace kx::editor
