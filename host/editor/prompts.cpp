#include "editor/prompts.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <numbers>
#include <utility>

#include "db/header_values.h"
#include "editor/reply_text.h"
#include "editor/session.h"
#include "editor/system_variables.h"
#include "editor/terminal_reader.h"
#include "kx/kxed.h"
#include "kx/kxtypes.h"
#include "support/case_fold.h"

namespace kx::editor {
namespace {

using geom::Vec3;

bool isCancel(std::wstring_view reply) {
  return upper(reply) == L"^C";
}

// A plain decimal number: no hexadecimal, infinities or NaNs, which wcstod would also take.
std::optional<double> parseNumber(std::wstring_view text) {
  const std::wstring s = trimmed(text);
  if (s.empty() || s.find_first_not_of(L"0123456789+-.eE") != std::wstring::npos) return {};
  wchar_t* end = nullptr;
  const double value = std::wcstod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(value)) return {};
  return value;
}

std::vector<std::wstring> splitAt(std::wstring_view text, wchar_t separator) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    parts.emplace_back(text.substr(start, at == std::wstring_view::npos ? at : at - start));
    if (at == std::wstring_view::npos) return parts;
    start = at + 1;
  }
}

double normalizedAngle(double a) {
  const double turn = 2 * std::numbers::pi;
  a = std::fmod(a, turn);
  if (a < 0) a += turn;
  return a >= turn ? 0 : a;
}

void copyPoint(const Vec3& from, geom::Vec3& to) {
  to = from;
}

bool orthoModeOn() {
  const Document* doc = Session::instance().active();
  return doc && db::headerInteger(doc->db(), "$ORTHOMODE").value_or(0) != 0;
}

// A point picked from a base while ORTHOMODE is on lies on the UCS axis through the base that is
// nearer to it. Kxhost has no cursor: a point typed as coordinates stands for a pick, while one
// typed with an angle ("@10<30") says its direction itself and is taken as typed.
Vec3 orthogonalPick(const Vec3& base, const Vec3& picked, std::wstring_view reply) {
  if (reply.find(L'<') != std::wstring_view::npos || !orthoModeOn()) return picked;
  const Vec3 d = picked - base;
  return std::fabs(d.x) >= std::fabs(d.y) ? Vec3{picked.x, base.y, picked.z}
                                          : Vec3{base.x, picked.y, picked.z};
}

// The abbreviation of a keyword: its leading run of capitals and digits, or else the capitals it
// has anywhere ("eXit"); empty when it has none and must be typed whole.
std::wstring abbreviation(std::wstring_view word) {
  std::wstring lead;
  for (wchar_t c : word) {
    if (kx::support::isLowerCase(static_cast<char32_t>(c))) break;
    lead.push_back(c);
  }
  if (!lead.empty()) return lead == word ? std::wstring() : lead;
  std::wstring caps;
  for (wchar_t c : word)
    if (kx::support::isUpperCase(static_cast<char32_t>(c))) caps.push_back(c);
  return caps;
}

bool keywordMatches(std::wstring_view word, std::wstring_view reply) {
  const std::wstring w = upper(word), r = upper(reply);
  if (r.empty()) return false;
  if (r == w) return true;
  // A translated keyword carries the letters of its option in parentheses, as its prompt shows
  // them ("起点(S)"), for users whose keyboard types those faster: either part chooses it.
  if (const std::size_t open = word.find(L'(');
      open != std::wstring_view::npos && open > 0 && word.ends_with(L')')) {
    return r == upper(word.substr(0, open)) ||
           r == upper(word.substr(open + 1, word.size() - open - 2));
  }
  const std::wstring abbr = upper(abbreviation(word));
  if (abbr.empty()) return false;
  if (r == abbr) return true;
  // A prefix at least as long as a leading abbreviation ("set" for "SEttings").
  return w.starts_with(abbr) && r.size() >= abbr.size() && w.starts_with(r);
}

}  // namespace

KeywordList::KeywordList(std::wstring_view text) {
  std::vector<std::wstring> words;
  std::wstring word;
  auto flush = [&] {
    if (!word.empty()) words.push_back(std::move(word));
    word.clear();
  };
  for (wchar_t c : text) {
    if (std::iswspace(static_cast<wint_t>(c)) || c == L',') {
      flush();
    } else {
      word.push_back(c);
    }
  }
  flush();
  const auto split = std::find(words.begin(), words.end(), L"_");
  typed_.assign(words.begin(), split);
  if (split == words.end()) {
    returned_ = typed_;
  } else {
    returned_.assign(split + 1, words.end());
    // Both halves name the same options; a half that is short returns what was typed.
    for (std::size_t i = returned_.size(); i < typed_.size(); ++i) returned_.push_back(typed_[i]);
  }
}

std::optional<std::wstring> KeywordList::match(std::wstring_view reply) const {
  if (reply.starts_with(L'_')) {
    reply.remove_prefix(1);
    for (const std::wstring& w : returned_)
      if (upper(w) == upper(reply)) return w;
    for (const std::wstring& w : returned_)
      if (keywordMatches(w, reply)) return w;
    return {};
  }
  // A whole word wins over another word's abbreviation.
  for (std::size_t i = 0; i < typed_.size(); ++i)
    if (upper(typed_[i]) == upper(reply)) return returned_[i];
  for (std::size_t i = 0; i < typed_.size(); ++i)
    if (keywordMatches(typed_[i], reply)) return returned_[i];
  return {};
}

Prompter& Prompter::instance() {
  static Prompter prompter(InputSource::instance());
  return prompter;
}

void Prompter::initGet(int flags, std::wstring_view keywords) {
  pending_.flags = flags;
  pending_.keywords = KeywordList(keywords);
}

void Prompter::reset() {
  pending_ = {};
  lastPoint.reset();
  pickTolerance.reset();
  lastInput_.clear();
}

Prompter::Pending Prompter::takePending() {
  return std::exchange(pending_, Pending{});
}

void Prompter::say(std::wstring_view text) {
  std::wstring line(text);
  line.push_back(L'\n');
  kxutPrintf(L"%s", line.c_str());
}

void Prompter::refuse(std::wstring_view reason) {
  say(reason);
  Session::instance().events.note(RunEvent::ReplyRefused);
}

std::optional<std::wstring> Prompter::ask(std::wstring_view prompt, bool endMayCome) {
  const std::wstring shown(prompt);
  for (;;) {
    kxutPrintf(L"%s", shown.c_str());
    std::optional<InputLine> line = source_->next();
    // A reply typed at the terminal is on the screen already, and its line ended there.
    if (!Transcript::instance().takeReplyShown()) {
      const std::wstring echo = line ? line->text + L"\n" : std::wstring(L"\n");
      kxutPrintf(L"%s", echo.c_str());
    }
    if (!line) {
      if (!endMayCome) Session::instance().events.note(RunEvent::InputEndedInPrompt);
      return std::nullopt;
    }
    if (line->fault.empty()) return std::move(line->text);
    refuse(L"The line is not taken: " + line->fault + L".");
  }
}

bool Prompter::userBreak() {
  const InputLine* peeked = source_->peek();
  if (!peeked || !peeked->fault.empty()) return false;
  const std::wstring* next = &peeked->text;
  if (!isCancel(trimmed(*next))) return false;
  source_->next();
  say(L"*Cancel*");
  return true;
}

std::wstring Prompter::upToBlank(const std::wstring& line) {
  const std::size_t blank = line.find_first_of(L" \t");
  if (blank == std::wstring::npos) return line;
  source_->putBack(trimmed(std::wstring_view(line).substr(blank)));
  return line.substr(0, blank);
}

int Prompter::run(std::wstring_view prompt, const Pending& pending, std::wstring_view expects,
                  const std::function<Outcome(const std::wstring&)>& interpret, bool blankEnds) {
  for (;;) {
    const std::optional<std::wstring> line = ask(prompt);
    if (!line) return KXRT_CANCEL;
    const std::wstring reply = blankEnds ? upToBlank(trimmed(*line)) : trimmed(*line);
    if (isCancel(reply)) {
      say(L"*Cancel*");
      return KXRT_CANCEL;
    }
    if (reply.empty()) {
      if (pending.flags & KXINP_NONULL) {
        refuse(expects);
        continue;
      }
      return KXRT_NONE;
    }
    const Outcome outcome = interpret(reply);
    if (outcome.kind == Outcome::Done) return outcome.status;
    if (outcome.kind == Outcome::Refused) {
      refuse(outcome.reason);
      continue;
    }
    if (const auto word = pending.keywords.match(reply)) {
      lastInput_ = *word;
      return KXRT_KWORD;
    }
    if (pending.flags & KXINP_ARBITRARY) {
      lastInput_ = reply;
      return KXRT_KWORD;
    }
    refuse(pending.keywords.empty() ? expects : std::wstring(L"Invalid option keyword."));
  }
}

std::optional<Vec3> Prompter::parsePoint(std::wstring_view text, Vec3 anchor) const {
  std::wstring s = trimmed(text);
  const bool relative = !s.empty() && s.front() == L'@';
  if (relative) s = trimmed(s.substr(1));
  const Vec3 from = relative ? anchor : Vec3{};
  if (relative && s.empty()) return anchor;
  if (const auto lt = s.find(L'<'); lt != std::wstring::npos) {
    const auto distance = parseNumber(s.substr(0, lt));
    const auto degrees = parseNumber(s.substr(lt + 1));
    if (!distance || !degrees) return {};
    const double a = absoluteAngle(*degrees);
    return from + Vec3{*distance * std::cos(a), *distance * std::sin(a), 0};
  }
  const std::vector<std::wstring> parts = splitAt(s, L',');
  if (parts.size() < 2 || parts.size() > 3) return {};
  double v[3] = {0, 0, 0};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto n = parseNumber(parts[i]);
    if (!n) return {};
    v[i] = *n;
  }
  return from + Vec3{v[0], v[1], v[2]};
}

double Prompter::angleBase() const {
  const Document* doc = Session::instance().active();
  // The header keeps the angle base in radians, as the variable is.
  return doc ? db::headerReal(doc->db(), "$ANGBASE").value_or(0.0) : 0.0;
}

double Prompter::absoluteAngle(double typedDegrees) const {
  const Document* doc = Session::instance().active();
  const bool clockwise = doc && db::headerInteger(doc->db(), "$ANGDIR").value_or(0) == 1;
  const double a = typedDegrees * std::numbers::pi / 180;
  return angleBase() + (clockwise ? -a : a);
}

int Prompter::getKeyword(std::wstring_view prompt, std::wstring& result) {
  const Pending pending = takePending();
  return run(prompt, pending, L"Invalid option keyword.", [&](const std::wstring& reply) {
    if (const auto word = pending.keywords.match(reply)) {
      result = lastInput_ = *word;
      return Outcome{Outcome::Done, KXRT_NORM, {}};
    }
    if (pending.flags & KXINP_ARBITRARY) {
      result = lastInput_ = reply;
      return Outcome{Outcome::Done, KXRT_NORM, {}};
    }
    return Outcome{Outcome::Refused, 0, L"Invalid option keyword."};
  });
}

int Prompter::getString(bool allowSpaces, std::wstring_view prompt, std::wstring& result) {
  const Pending pending = takePending();
  for (;;) {
    const std::optional<std::wstring> line = ask(prompt);
    if (!line) return KXRT_CANCEL;
    std::wstring reply = allowSpaces ? *line : upToBlank(trimmed(*line));
    if (isCancel(trimmed(reply))) {
      say(L"*Cancel*");
      return KXRT_CANCEL;
    }
    // Enter is an empty string, which a command takes as its default.
    if (reply.empty() && (pending.flags & KXINP_NONULL)) {
      refuse(L"A reply is required.");
      continue;
    }
    result = std::move(reply);
    return KXRT_NORM;
  }
}

int Prompter::getPoint(const Vec3* base, std::wstring_view prompt, Vec3& result) {
  const Pending pending = takePending();
  const Vec3 anchor = base ? *base : lastPoint.value_or(Vec3{});
  return run(prompt, pending, L"Point or option keyword required.", [&](const std::wstring& reply) {
    auto p = parsePoint(reply, anchor);
    if (!p) return Outcome{Outcome::Unknown, 0, {}};
    if (base) p = orthogonalPick(*base, *p, reply);
    copyPoint(*p, result);
    lastPoint = *p;
    return Outcome{Outcome::Done, KXRT_NORM, {}};
  });
}

namespace {
// Flags 2 and 4 on a number.
std::optional<std::wstring> refusal(int flags, double value) {
  if ((flags & KXINP_NOZERO) && value == 0)
    return std::wstring(flags & KXINP_NONEG ? L"Requires a positive number."
                                            : L"Requires a nonzero value.");
  if ((flags & KXINP_NONEG) && value < 0) return std::wstring(L"Requires a positive number.");
  return {};
}
}  // namespace

int Prompter::getReal(std::wstring_view prompt, double& result) {
  const Pending pending = takePending();
  return run(prompt, pending, L"Requires numeric value.", [&](const std::wstring& reply) {
    const auto n = parseNumber(reply);
    if (!n) return Outcome{Outcome::Unknown, 0, {}};
    if (auto why = refusal(pending.flags, *n)) return Outcome{Outcome::Refused, 0, *why};
    result = *n;
    return Outcome{Outcome::Done, KXRT_NORM, {}};
  });
}

int Prompter::getInteger(std::wstring_view prompt, int& result) {
  const Pending pending = takePending();
  return run(prompt, pending, L"Requires an integer value.", [&](const std::wstring& reply) {
    const auto n = parseNumber(reply);
    if (!n) return Outcome{Outcome::Unknown, 0, {}};
    if (*n != std::trunc(*n) || std::fabs(*n) > 32767)
      return Outcome{Outcome::Refused, 0, L"Requires an integer between -32768 and 32767."};
    if (auto why = refusal(pending.flags, *n)) return Outcome{Outcome::Refused, 0, *why};
    result = static_cast<int>(*n);
    return Outcome{Outcome::Done, KXRT_NORM, {}};
  });
}

int Prompter::getDistance(const Vec3* base, std::wstring_view prompt, double& result) {
  const Pending pending = takePending();
  const Vec3 anchor = base ? *base : lastPoint.value_or(Vec3{});
  const bool flat = pending.flags & KXINP_2D;
  return run(prompt, pending, L"Requires numeric distance or two points.",
             [&](const std::wstring& reply) {
               if (const auto n = parseNumber(reply)) {
                 if (auto why = refusal(pending.flags, *n))
                   return Outcome{Outcome::Refused, 0, *why};
                 result = *n;
                 return Outcome{Outcome::Done, KXRT_NORM, {}};
               }
               const auto p = parsePoint(reply, anchor);
               if (!p) return Outcome{Outcome::Unknown, 0, {}};
               Vec3 from, to;
               if (const int status = shownPoints(base, *p, reply, from, to); status != KXRT_NORM)
                 return Outcome{Outcome::Done, status, {}};
               Vec3 d = to - from;
               if (flat) d.z = 0;
               if (auto why = refusal(pending.flags, d.length()))
                 return Outcome{Outcome::Refused, 0, *why};
               result = d.length();
               return Outcome{Outcome::Done, KXRT_NORM, {}};
             });
}

int Prompter::shownPoints(const Vec3* base, const Vec3& given, std::wstring_view reply, Vec3& from,
                          Vec3& to) {
  lastPoint = given;
  from = base ? *base : given;
  to = base ? orthogonalPick(*base, given, reply) : given;
  if (base) return KXRT_NORM;
  const int status = getPoint(&from, L"Specify second point: ", to);
  return status == KXRT_NONE ? KXRT_CANCEL : status;
}

int Prompter::getAngle(bool orient, const Vec3* base, std::wstring_view prompt, double& result) {
  const Pending pending = takePending();
  const Vec3 anchor = base ? *base : lastPoint.value_or(Vec3{});
  const double offset = orient ? 0 : angleBase();
  return run(prompt, pending, L"Requires valid numeric angle or second point.",
             [&](const std::wstring& reply) {
               if (const auto degrees = parseNumber(reply)) {
                 if (auto why = refusal(pending.flags, *degrees))
                   return Outcome{Outcome::Refused, 0, *why};
                 result = normalizedAngle(absoluteAngle(*degrees) - offset);
                 return Outcome{Outcome::Done, KXRT_NORM, {}};
               }
               const auto p = parsePoint(reply, anchor);
               if (!p) return Outcome{Outcome::Unknown, 0, {}};
               Vec3 from, to;
               if (const int status = shownPoints(base, *p, reply, from, to); status != KXRT_NORM)
                 return Outcome{Outcome::Done, status, {}};
               if (to.x == from.x && to.y == from.y)
                 return Outcome{Outcome::Refused, 0, L"Requires two different points."};
               result = normalizedAngle(std::atan2(to.y - from.y, to.x - from.x) - offset);
               return Outcome{Outcome::Done, KXRT_NORM, {}};
             });
}

std::optional<PickHit> Prompter::pickAt(Vec3 point) {
  const Document* doc = Session::instance().active();
  if (!doc) return {};
  const PickScene scene(*doc);
  return scene.pick(point.xy(), pickTolerance.value_or(scene.defaultTolerance()));
}

int Prompter::pickEntity(std::wstring_view prompt, PickHit& hit, Vec3& point) {
  const Pending pending = takePending();
  const Document* doc = Session::instance().active();
  if (!doc) return KXRT_ERROR;
  std::optional<PickScene> scene;  // built on the first pick by point
  const std::wstring prompted =
      prompt.empty() ? std::wstring(L"Select object: ") : std::wstring(prompt);
  return run(
      prompted, pending, L"Select an object, or type H and its handle.",
      [&](const std::wstring& reply) {
        const std::wstring head = upper(reply.substr(0, 2));
        if (head == L"H " || head == L"H\t") {
          const db::ObjectId id = pickableByHandle(doc->db(), trimmed(reply.substr(2)));
          if (id.isNull()) return Outcome{Outcome::Refused, 0, L"No entity has that handle."};
          hit = PickHit{id, id, {}, {}};
          const UcsBox box = PickScene(*doc, id).extents(id);
          const geom::Vec2 c = box.empty ? geom::Vec2{} : (box.min + box.max) * 0.5;
          point = {c.x, c.y, 0};
          return Outcome{Outcome::Done, KXRT_NORM, {}};
        }
        const auto p = parsePoint(reply, lastPoint.value_or(Vec3{}));
        if (!p) return Outcome{Outcome::Unknown, 0, {}};
        lastPoint = *p;
        if (!scene) scene.emplace(*doc);
        const auto found = scene->pick(p->xy(), pickTolerance.value_or(scene->defaultTolerance()));
        if (!found) return Outcome{Outcome::Refused, 0, L"Nothing selected."};
        hit = *found;
        point = *p;
        return Outcome{Outcome::Done, KXRT_NORM, {}};
      },
      /*blankEnds=*/false);  // "H 2F" names an entity by its handle
}

}  // namespace kx::editor
