#pragma once
// Commands of the host itself that modules run through kxedCommand: UCS, ORTHO, EXPLODE,
// DRAWORDER, WIPEOUT and REDRAW. Each takes its answers to its prompts from a list of replies;
// a command that runs out of replies, gets one it cannot use or fails changes nothing.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "editor/session.h"
#include "geom/vec.h"

namespace kx::editor {

// One answer to a prompt.
struct Reply {
  enum class Kind { Text, Point, Entity, Set, Integer, Real };
  Kind kind = Kind::Text;
  std::wstring text;              // Text; "" is Enter
  geom::Vec3 point;               // Point (a 2D point has z 0)
  std::int64_t name[2] = {0, 0};  // Entity, Set
  long integer = 0;
  double real = 0;

  static Reply ofText(std::wstring_view t) {
    Reply r;
    r.text = t;
    return r;
  }
  static Reply ofPoint(geom::Vec3 p) {
    Reply r;
    r.kind = Kind::Point;
    r.point = p;
    return r;
  }
  // An entity name (Kind::Entity) or a selection-set name (Kind::Set).
  static Reply ofName(const std::int64_t* n, Kind kind) {
    Reply r;
    r.kind = kind;
    r.name[0] = n[0];
    r.name[1] = n[1];
    return r;
  }
  static Reply ofInteger(long value) {
    Reply r;
    r.kind = Kind::Integer;
    r.integer = value;
    return r;
  }
  static Reply ofReal(double value) {
    Reply r;
    r.kind = Kind::Real;
    r.real = value;
    return r;
  }
  bool isEnter() const { return kind == Kind::Text && text.empty(); }
};

// The replies of one kxedCommand call, read in order.
class Replies {
 public:
  explicit Replies(std::vector<Reply> replies) : replies_(std::move(replies)) {}
  // The next reply; null when they have run out.
  const Reply* next() { return at_ < replies_.size() ? &replies_[at_++] : nullptr; }
  bool done() const { return at_ >= replies_.size(); }

 private:
  std::vector<Reply> replies_;
  std::size_t at_ = 0;
};

// Runs the commands the replies hold: a command name, its replies, possibly another command
// name and its replies. False when a command is unknown or fails; the commands before it stay
// done.
bool runCommands(Replies& replies);

// ---- what the commands share ----

// The command or option word without "_" and "." prefixes, upper-case.
std::wstring commandWord(std::wstring_view text);
// Whether `reply` chooses `option` ("Save" with at least `minimum` leading letters: "S", "SA",
// "_S", "_Save"...).
bool isOption(const Reply& reply, std::wstring_view option, std::size_t minimum = 1);

// Entities chosen by names and selection sets up to an Enter, in the active drawing, without
// repeats. Nothing when a reply is not a live entity of the drawing, or the replies run out
// before the Enter, unless the selection is the command's last prompt (`lastPrompt`): the end of
// the replies then ends it, as the end of a script ends a selection at the command line.
std::optional<std::vector<db::ObjectId>> readSelection(Replies& replies, Document& document,
                                                       bool lastPrompt = false);

// The commands.
bool ucsCommand(Replies& replies, Document& document);
bool explodeCommand(Replies& replies, Document& document);
bool drawOrderCommand(Replies& replies, Document& document);
bool wipeoutCommand(Replies& replies, Document& document);

// The UCS that a TEXT, MTEXT or other entity defines (UCS _E); nothing for an entity without a
// point to put the origin at.
std::optional<Ucs> entityUcs(const db::Database& db, db::ObjectId entity);

// The block record of the space new entities go to (model space when TILEMODE is 1).
db::ObjectId currentSpace(const db::Database& db);

}  // namespace kx::editor
