#pragma once
// The prompts commands ask through: each prints its text, reads a reply from the input source,
// echoes it (so a script's run reads like a terminal session) and either takes it or says why not
// and asks again.
//
// kxedInitGet's flags and keywords belong to the next prompt only; every prompt takes them, used
// or not. Points are in the current UCS as typed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/input_source.h"
#include "editor/selection_prompt.h"
#include "geom/vec.h"

namespace kx::editor {

// A keyword list: "Ja Nein _ Yes No" types the words before " _ " and returns those after it.
class KeywordList {
 public:
  KeywordList() = default;
  explicit KeywordList(std::wstring_view text);
  bool empty() const { return typed_.empty(); }
  // The returned word the reply names (its abbreviation, the whole word, or a prefix at least as
  // long as the abbreviation; a leading '_' names a returned word directly); nothing for none.
  std::optional<std::wstring> match(std::wstring_view reply) const;

 private:
  std::vector<std::wstring> typed_;
  std::vector<std::wstring> returned_;
};

class Prompter {
 public:
  explicit Prompter(InputSource& source) : source_(&source) {}
  // The session's, reading InputSource::instance().
  static Prompter& instance();

  void initGet(int flags, std::wstring_view keywords);
  // Forgets pending flags, the last point and the last input (a new session or test).
  void reset();

  int getKeyword(std::wstring_view prompt, std::wstring& result);
  int getString(bool allowSpaces, std::wstring_view prompt, std::wstring& result);
  int getPoint(const geom::Vec3* base, std::wstring_view prompt, geom::Vec3& result);
  int getDistance(const geom::Vec3* base, std::wstring_view prompt, double& result);
  int getReal(std::wstring_view prompt, double& result);
  int getInteger(std::wstring_view prompt, int& result);
  // `orient`: from the world's east; otherwise from $ANGBASE. Counterclockwise, [0, 2 pi).
  int getAngle(bool orient, const geom::Vec3* base, std::wstring_view prompt, double& result);
  // A pick by point or "H handle"; `point` gets the point picked (UCS).
  int pickEntity(std::wstring_view prompt, PickHit& hit, geom::Vec3& point);
  // What is under `point` (UCS), without asking.
  std::optional<PickHit> pickAt(geom::Vec3 point);

  // The text of the last keyword or arbitrary reply.
  const std::wstring& lastInput() const { return lastInput_; }
  void setLastInput(std::wstring text) { lastInput_ = std::move(text); }
  // The last point entered, which '@' replies start from when the prompt has no base.
  std::optional<geom::Vec3> lastPoint;
  // Pick tolerance in drawing units; unset: the scene's default.
  std::optional<double> pickTolerance;

  // Prints `prompt`, reads a reply and echoes it; nothing (after ending the line) at the end of
  // the input. A line that is not text is refused and the prompt asked again. The end of the
  // input inside a prompt cancels it and is noted as a run event, except where the input may end
  // (`endMayCome`: the Command: prompt).
  std::optional<std::wstring> ask(std::wstring_view prompt, bool endMayCome = false);
  // A line of the transcript.
  void say(std::wstring_view text);
  // Says why a reply is not taken, and notes that one was not.
  void refuse(std::wstring_view reason);
  // Whether a "^C" waits in the input; it is taken.
  bool userBreak();
  // Parses a point reply ("x,y[,z]", "@dx,dy[,dz]", "@", "dist<angle", "@dist<angle"); relative
  // ones start at `anchor`.
  std::optional<geom::Vec3> parsePoint(std::wstring_view text, geom::Vec3 anchor) const;
  InputSource& source() { return *source_; }

 private:
  // A distance or angle shown by points: from the base (or the point given) to the point given
  // (or a second point asked for), kept square to the UCS while ORTHOMODE is on. KXRT_NORM, or
  // the status that ended the second prompt. `reply` is what gave the point.
  int shownPoints(const geom::Vec3* base, const geom::Vec3& given, std::wstring_view reply,
                  geom::Vec3& from, geom::Vec3& to);
  struct Pending {
    int flags = 0;
    KeywordList keywords;
  };
  // What a prompt made of a reply.
  struct Outcome {
    enum Kind { Done, Refused, Unknown } kind = Done;
    int status = 0;  // Done: the result to return
    std::wstring reason;
  };
  Pending takePending();
  // The loop every prompt shares: `interpret` looks at a non-empty reply; replies it does not
  // know may still be keywords or (flag 128) arbitrary text.
  // A blank ends the reply as Enter does (`blankEnds`), unless the reply's own syntax has blanks.
  int run(std::wstring_view prompt, const Pending& pending, std::wstring_view expects,
          const std::function<Outcome(const std::wstring&)>& interpret, bool blankEnds = true);
  // The reply up to the line's first blank; the rest of the line, put back, answers the next
  // prompt, as it would on a CAD command line where the space bar is Enter.
  std::wstring upToBlank(const std::wstring& line);
  double absoluteAngle(double typedDegrees) const;
  double angleBase() const;

  InputSource* source_;
  Pending pending_;
  std::wstring lastInput_;
};

}  // namespace kx::editor
