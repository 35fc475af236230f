#include "text/mtext_parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace kx::text {
namespace {

constexpr wchar_t kNoBreakSpace = 0x00A0;
constexpr wchar_t kDegreeSign = 0x00B0;
constexpr wchar_t kPlusMinusSign = 0x00B1;
constexpr wchar_t kDiameterSign = 0x2300;

// Longest argument read for a code before it counts as unfinished. Every scan for an argument
// also stops at the next backslash or brace, so a text full of unfinished codes is still read in
// linear time.
constexpr std::size_t kMaxNumberArgument = 64;
constexpr std::size_t kMaxFontArgument = 256;
constexpr std::size_t kMaxParagraphArgument = 1024;
constexpr std::size_t kMaxStackArgument = 1024;

// The ranges a CAD host accepts for the oblique angle and the tracking factor.
constexpr double kMaxObliqueDegrees = 85;
constexpr double kMinTracking = 0.75;
constexpr double kMaxTracking = 4;
constexpr double kMinWidthFactor = 0.01, kMaxWidthFactor = 100;

std::optional<double> parseNumber(std::wstring_view s) {
  if (!s.empty() && s.front() == L'+') s.remove_prefix(1);
  if (s.empty() || s.size() > kMaxNumberArgument) return std::nullopt;
  std::string narrow;
  for (wchar_t c : s) {
    if (c > 0x7F) return std::nullopt;
    narrow.push_back(static_cast<char>(c));
  }
  double value = 0;
  const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
  if (error != std::errc() || end != narrow.data() + narrow.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<long> parseInteger(std::wstring_view s) {
  const auto number = parseNumber(s);
  if (!number || *number != std::floor(*number) || std::fabs(*number) > 1e9) return std::nullopt;
  return static_cast<long>(*number);
}

int hexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

class Parser {
 public:
  Parser(std::wstring_view contents, const MTextFormat& base) : s_(contents), current_(base) {
    out_.formats.push_back(base);
    findUnclosedBraces();
  }

  ParsedMText run() {
    while (pos_ < s_.size()) step();
    return std::move(out_);
  }

 private:
  // Opening braces without a closing one are shown as typed; finding them takes one pass.
  void findUnclosedBraces() {
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < s_.size(); ++i) {
      if (s_[i] == L'\\') {
        ++i;
      } else if (s_[i] == L'{') {
        open.push_back(i);
      } else if (s_[i] == L'}' && !open.empty()) {
        open.pop_back();
      }
    }
    unclosedBraces_ = std::move(open);
  }

  bool isUnclosedBrace(std::size_t at) {
    while (nextUnclosed_ < unclosedBraces_.size() && unclosedBraces_[nextUnclosed_] < at) {
      ++nextUnclosed_;
    }
    return nextUnclosed_ < unclosedBraces_.size() && unclosedBraces_[nextUnclosed_] == at;
  }

  std::size_t formatIndex() {
    if (!currentStored_) {
      if (!(out_.formats.back() == current_)) out_.formats.push_back(current_);
      currentIndex_ = out_.formats.size() - 1;
      currentStored_ = true;
    }
    return currentIndex_;
  }

  void setFormat(const MTextFormat& format) {
    if (format == current_) return;
    current_ = format;
    currentStored_ = false;
  }

  template <class Change>
  void changeFormat(Change change) {
    MTextFormat format = current_;
    change(format);
    setFormat(format);
  }

  void appendText(std::wstring_view text) {
    if (text.empty()) return;
    const std::size_t format = formatIndex();
    if (out_.items.empty() || out_.items.back().kind != MTextItemKind::Text ||
        out_.items.back().format != format) {
      out_.items.push_back({MTextItemKind::Text, format, {}, {}, StackKind::Fraction});
    }
    out_.items.back().text.append(text);
  }
  void appendChar(wchar_t c) { appendText(std::wstring_view(&c, 1)); }

  void appendBreak(MTextItemKind kind) {
    out_.items.push_back({kind, formatIndex(), {}, {}, StackKind::Fraction});
  }

  wchar_t peek(std::size_t offset) const {
    return pos_ + offset < s_.size() ? s_[pos_ + offset] : L'\0';
  }

  // A line feed right after a carriage return belongs to it: one line break for the pair.
  void carriageReturn(std::size_t length) {
    pos_ += length;
    if (peek(0) == L'\n') {
      return;
    }
    if (peek(0) == L'^' && peek(1) == L'J') return;
    appendBreak(MTextItemKind::LineBreak);
  }

  void step() {
    const wchar_t c = s_[pos_];
    switch (c) {
      case L'\\':
        code();
        return;
      case L'{':
        if (isUnclosedBrace(pos_)) {
          appendChar(c);
        } else {
          groups_.push_back(current_);
        }
        ++pos_;
        return;
      case L'}':
        if (groups_.empty()) {
          appendChar(c);
        } else {
          setFormat(groups_.back());
          groups_.pop_back();
        }
        ++pos_;
        return;
      case L'^':
        caret();
        return;
      case L'%':
        percent();
        return;
      case L'\t':
        appendBreak(MTextItemKind::Tab);
        ++pos_;
        return;
      case L'\n':
        appendBreak(MTextItemKind::LineBreak);
        ++pos_;
        return;
      case L'\r':
        carriageReturn(1);
        return;
      default:
        // Other control characters cannot be drawn; a space keeps the words apart.
        appendChar(c < 0x20 ? L' ' : c);
        ++pos_;
        return;
    }
  }

  void caret() {
    switch (peek(1)) {
      case L'I':
        appendBreak(MTextItemKind::Tab);
        pos_ += 2;
        return;
      case L'J':
        appendBreak(MTextItemKind::LineBreak);
        pos_ += 2;
        return;
      case L'M':
        carriageReturn(2);
        return;
      case L' ':  // how a literal caret is stored
        appendChar(L'^');
        pos_ += 2;
        return;
      default:
        appendChar(L'^');
        ++pos_;
        return;
    }
  }

  void percent() {
    if (peek(1) == L'%') {
      wchar_t special = 0;
      switch (peek(2)) {
        case L'd':
        case L'D':
          special = kDegreeSign;
          break;
        case L'p':
        case L'P':
          special = kPlusMinusSign;
          break;
        case L'c':
        case L'C':
          special = kDiameterSign;
          break;
        default:
          break;
      }
      if (special != 0) {
        appendChar(special);
        pos_ += 3;
        return;
      }
    }
    appendChar(L'%');
    ++pos_;
  }

  // The argument of a code from `start` up to its ';' (not included), or nothing when the code is
  // unfinished: no ';' within `maxLength`, or a backslash, brace or line break comes first.
  std::optional<std::wstring_view> argument(std::size_t start, std::size_t maxLength) const {
    const std::size_t end = std::min(s_.size(), start + maxLength + 1);
    for (std::size_t i = start; i < end; ++i) {
      const wchar_t c = s_[i];
      if (c == L';') return s_.substr(start, i - start);
      if (c == L'\\' || c == L'{' || c == L'}' || c < 0x20) return std::nullopt;
    }
    return std::nullopt;
  }

  // A code that is not understood or not finished: its backslash is shown and the characters
  // after it are read as text.
  void keepAsText() {
    appendChar(L'\\');
    ++pos_;
  }

  void code() {
    if (pos_ + 1 >= s_.size()) {
      keepAsText();
      return;
    }
    const wchar_t letter = s_[pos_ + 1];
    const std::size_t start = pos_ + 2;
    bool done = true;
    switch (letter) {
      case L'P':
      case L'X':  // a dimension's line break
      case L'N':  // a column break; columns are not laid out, so it starts a new line
        appendBreak(MTextItemKind::LineBreak);
        pos_ = start;
        break;
      case L'~':
        appendChar(kNoBreakSpace);
        pos_ = start;
        break;
      case L'\\':
      case L'{':
      case L'}':
        appendChar(letter);
        pos_ = start;
        break;
      case L'L':
      case L'l':
        changeFormat([&](MTextFormat& f) { f.underline = letter == L'L'; });
        pos_ = start;
        break;
      case L'O':
      case L'o':
        changeFormat([&](MTextFormat& f) { f.overline = letter == L'O'; });
        pos_ = start;
        break;
      case L'K':
      case L'k':
        changeFormat([&](MTextFormat& f) { f.strikeThrough = letter == L'K'; });
        pos_ = start;
        break;
      case L'H':
      case L'W':
      case L'T':
        done = scaledValue(letter, start);
        break;
      case L'Q':
        done = oblique(start);
        break;
      case L'A':
        done = alignment(start);
        break;
      case L'C':
      case L'c':
        done = color(letter == L'c', start);
        break;
      case L'F':
      case L'f':
        done = font(start);
        break;
      case L'p':
        done = paragraph(start);
        break;
      case L'S':
        done = stack(start);
        break;
      case L'U':
        done = unicode(start);
        break;
      default:
        done = false;
        break;
    }
    if (!done) keepAsText();
  }

  // \H, \W and \T: a positive number, absolute or, followed by 'x', a factor on the current one.
  bool scaledValue(wchar_t letter, std::size_t start) {
    const auto arg = argument(start, kMaxNumberArgument);
    if (!arg) return false;
    std::wstring_view number = *arg;
    const bool relative = !number.empty() && (number.back() == L'x' || number.back() == L'X');
    if (relative) number.remove_suffix(1);
    const auto value = parseNumber(number);
    if (!value || *value <= 0) return false;
    changeFormat([&](MTextFormat& f) {
      double& target = letter == L'H' ? f.height : letter == L'W' ? f.widthFactor : f.tracking;
      target = relative ? target * *value : *value;
      if (letter == L'H') target = std::clamp(target, kMinMTextHeight, kMaxMTextHeight);
      if (letter == L'W') target = std::clamp(target, kMinWidthFactor, kMaxWidthFactor);
      if (letter == L'T') target = std::clamp(target, kMinTracking, kMaxTracking);
    });
    pos_ = start + arg->size() + 1;
    return true;
  }

  bool oblique(std::size_t start) {
    const auto arg = argument(start, kMaxNumberArgument);
    if (!arg) return false;
    const auto value = parseNumber(*arg);
    if (!value) return false;
    changeFormat([&](MTextFormat& f) {
      f.obliqueDegrees = std::clamp(*value, -kMaxObliqueDegrees, kMaxObliqueDegrees);
    });
    pos_ = start + arg->size() + 1;
    return true;
  }

  bool alignment(std::size_t start) {
    const auto arg = argument(start, kMaxNumberArgument);
    if (!arg || arg->size() != 1 || (*arg)[0] < L'0' || (*arg)[0] > L'2') return false;
    changeFormat([&](MTextFormat& f) { f.alignment = (*arg)[0] - L'0'; });
    pos_ = start + 2;
    return true;
  }

  // \C takes a colour index; \c a true colour stored blue-green-red, low byte red.
  bool color(bool trueColor, std::size_t start) {
    const auto arg = argument(start, kMaxNumberArgument);
    if (!arg) return false;
    const auto value = parseInteger(*arg);
    if (!value || *value < 0 || *value > (trueColor ? 0xFFFFFF : 256)) return false;
    changeFormat([&](MTextFormat& f) {
      if (trueColor) {
        const long bgr = *value;
        f.trueColor =
            static_cast<int>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
      } else {
        f.color = static_cast<int>(*value);
        f.trueColor = -1;
      }
    });
    pos_ = start + arg->size() + 1;
    return true;
  }

  // \F<family or file>|b<0|1>|i<0|1>|c<charset>|p<pitch>; the charset and pitch do not change
  // how the text looks here.
  bool font(std::size_t start) {
    const auto arg = argument(start, kMaxFontArgument);
    if (!arg) return false;
    std::wstring family;
    bool bold = false, italic = false;
    std::size_t fieldStart = 0;
    for (std::size_t field = 0; fieldStart <= arg->size(); ++field) {
      std::size_t fieldEnd = arg->find(L'|', fieldStart);
      if (fieldEnd == std::wstring_view::npos) fieldEnd = arg->size();
      std::wstring_view value = arg->substr(fieldStart, fieldEnd - fieldStart);
      if (field == 0) {
        while (!value.empty() && value.front() == L' ') value.remove_prefix(1);
        while (!value.empty() && value.back() == L' ') value.remove_suffix(1);
        family = value;
      } else if (value.size() >= 2) {
        // Writers differ in the case of these letters ("|b1", "|B1").
        const wchar_t key =
            value[0] == L'B' || value[0] == L'I' ? value[0] + (L'a' - L'A') : value[0];
        if (key == L'b' || key == L'i') (key == L'b' ? bold : italic) = value[1] != L'0';
      }
      fieldStart = fieldEnd + 1;
    }
    changeFormat([&](MTextFormat& f) {
      if (!family.empty()) f.fontFamily = family;
      f.bold = bold;
      f.italic = italic;
    });
    pos_ = start + arg->size() + 1;
    return true;
  }

  // Paragraph indents, tab stops and alignment are read past; lines follow the attachment point.
  bool paragraph(std::size_t start) {
    const auto arg = argument(start, kMaxParagraphArgument);
    if (!arg) return false;
    pos_ = start + arg->size() + 1;
    return true;
  }

  // \S<top><divider><bottom>; with '^', '/' or '#' as the divider (the first one that is not
  // escaped); \; \^ \/ \# and \\ stand for the character itself. A caret divider is stored as
  // "^ " in caret notation, so one space after it is part of the divider.
  bool stack(std::size_t start) {
    std::wstring top, bottom;
    wchar_t divider = 0;
    const std::size_t end = std::min(s_.size(), start + kMaxStackArgument);
    for (std::size_t i = start; i < end; ++i) {
      const wchar_t c = s_[i];
      if (c == L';') {
        if (divider == 0) {
          appendText(top);
        } else {
          MTextItem item{MTextItemKind::Stack, formatIndex(), std::move(top), std::move(bottom),
                         divider == L'^'   ? StackKind::Tolerance
                         : divider == L'/' ? StackKind::Fraction
                                           : StackKind::Diagonal};
          out_.items.push_back(std::move(item));
        }
        pos_ = i + 1;
        return true;
      }
      std::wstring& part = divider == 0 ? top : bottom;
      if (c == L'\\') {
        const wchar_t next = i + 1 < s_.size() ? s_[i + 1] : L'\0';
        if (next != L';' && next != L'^' && next != L'/' && next != L'#' && next != L'\\') {
          return false;
        }
        part.push_back(next);
        ++i;
      } else if (c == L'{' || c == L'}' || c < 0x20) {
        return false;
      } else if (divider == 0 && (c == L'^' || c == L'/' || c == L'#')) {
        divider = c;
        if (c == L'^' && i + 1 < end && s_[i + 1] == L' ') ++i;
      } else {
        part.push_back(c);
      }
    }
    return false;
  }

  bool unicode(std::size_t start) {
    if (start + 5 > s_.size() || s_[start] != L'+') return false;
    char32_t value = 0;
    for (std::size_t i = start + 1; i < start + 5; ++i) {
      const int digit = hexDigit(s_[i]);
      if (digit < 0) return false;
      value = value * 16 + static_cast<char32_t>(digit);
    }
    if (value < 0x20 || (value >= 0xD800 && value <= 0xDFFF)) return false;
    appendChar(static_cast<wchar_t>(value));
    pos_ = start + 5;
    return true;
  }

  std::wstring_view s_;
  std::size_t pos_ = 0;
  ParsedMText out_;
  MTextFormat current_;
  bool currentStored_ = true;
  std::size_t currentIndex_ = 0;
  std::vector<MTextFormat> groups_;
  std::vector<std::size_t> unclosedBraces_;
  std::size_t nextUnclosed_ = 0;
};

}  // namespace

ParsedMText parseMText(std::wstring_view contents, const MTextFormat& base) {
  return Parser(contents, base).run();
}

std::wstring plainText(const ParsedMText& parsed) {
  std::wstring result;
  for (const MTextItem& item : parsed.items) {
    switch (item.kind) {
      case MTextItemKind::Text:
        for (wchar_t c : item.text) result.push_back(c == kNoBreakSpace ? L' ' : c);
        break;
      case MTextItemKind::Tab:
        result.push_back(L'\t');
        break;
      case MTextItemKind::LineBreak:
        result.push_back(L'\n');
        break;
      case MTextItemKind::Stack:
        result += item.text;
        result.push_back(item.stack == StackKind::Tolerance  ? L'^'
                         : item.stack == StackKind::Fraction ? L'/'
                                                             : L'#');
        result += item.bottom;
        break;
    }
  }
  return result;
}

}  // namespace kx::text
