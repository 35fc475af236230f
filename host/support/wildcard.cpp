#include "support/wildcard.h"

#include <string>
#include <vector>

#include "support/case_fold.h"

namespace kx::support {
namespace {

wchar_t fold(wchar_t c) {
  return static_cast<wchar_t>(toLowerCase(static_cast<char32_t>(c)));
}

bool isDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

bool isLetter(wchar_t c) {
  return support::isLetter(static_cast<char32_t>(c));
}

struct Range {
  wchar_t from;
  wchar_t to;
};

// One position of a pattern: a run of any length, or a test of one character.
struct Token {
  enum Kind { kStar, kAny, kDigit, kLetter, kOther, kLiteral, kSet };
  Token(Kind k, wchar_t c = 0) : kind(k), literal(c) {}  // NOLINT: lists of tokens read better

  Kind kind;
  wchar_t literal = 0;
  bool negated = false;
  std::vector<Range> ranges;

  bool matches(wchar_t c) const {
    switch (kind) {
      case kStar:
      case kAny:
        return true;
      case kDigit:
        return isDigit(c);
      case kLetter:
        return isLetter(c);
      case kOther:
        return !isDigit(c) && !isLetter(c);
      case kLiteral:
        return fold(c) == fold(literal);
      case kSet: {
        const wchar_t f = fold(c);
        bool in = false;
        for (const Range& r : ranges) {
          if ((c >= r.from && c <= r.to) || (f >= fold(r.from) && f <= fold(r.to))) {
            in = true;
            break;
          }
        }
        return in != negated;
      }
    }
    return false;
  }
};

// Parses "[...]" starting after the '['. Returns false (and leaves `pos`) if it is not closed, so
// the '[' is then taken literally.
bool parseSet(std::wstring_view p, std::size_t& pos, Token& token) {
  std::size_t i = pos;
  token = Token{Token::kSet};
  if (i < p.size() && p[i] == L'~' && i + 1 < p.size() && p[i + 1] != L']') {
    token.negated = true;
    ++i;
  }
  bool first = true;
  while (i < p.size()) {
    wchar_t c = p[i];
    if (c == L']' && !first) {
      pos = i + 1;
      return true;
    }
    first = false;
    if (c == L'`' && i + 1 < p.size()) c = p[++i];
    ++i;
    if (i + 1 < p.size() && p[i] == L'-' && p[i + 1] != L']') {
      wchar_t hi = p[i + 1];
      i += 2;
      if (hi == L'`' && i < p.size()) hi = p[i++];
      token.ranges.push_back(c <= hi ? Range{c, hi} : Range{hi, c});
    } else {
      token.ranges.push_back({c, c});
    }
  }
  return false;
}

std::vector<Token> tokenize(std::wstring_view p) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < p.size();) {
    const wchar_t c = p[i++];
    switch (c) {
      case L'*':
        if (tokens.empty() || tokens.back().kind != Token::kStar) tokens.push_back({Token::kStar});
        break;
      case L'?':
        tokens.push_back({Token::kAny});
        break;
      case L'#':
        tokens.push_back({Token::kDigit});
        break;
      case L'@':
        tokens.push_back({Token::kLetter});
        break;
      case L'.':
        tokens.push_back({Token::kOther});
        break;
      case L'[': {
        Token set{Token::kSet};
        if (parseSet(p, i, set)) {
          tokens.push_back(std::move(set));
        } else {
          tokens.push_back({Token::kLiteral, L'['});
        }
        break;
      }
      case L'`':
        tokens.push_back({Token::kLiteral, i < p.size() ? p[i++] : L'`'});
        break;
      default:
        tokens.push_back({Token::kLiteral, c});
    }
  }
  return tokens;
}

// Greedy match with one remembered star: every token but the star consumes exactly one character,
// so backtracking to the last star is enough.
bool matchTokens(std::wstring_view text, const std::vector<Token>& tokens) {
  std::size_t t = 0, k = 0;
  std::size_t starToken = std::wstring_view::npos, starText = 0;
  while (t < text.size()) {
    if (k < tokens.size() && tokens[k].kind == Token::kStar) {
      starToken = k++;
      starText = t;
    } else if (k < tokens.size() && tokens[k].matches(text[t])) {
      ++k;
      ++t;
    } else if (starToken != std::wstring_view::npos) {
      k = starToken + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (k < tokens.size() && tokens[k].kind == Token::kStar) ++k;
  return k == tokens.size();
}

bool matchAlternative(std::wstring_view text, std::wstring_view alt) {
  if (alt.size() > 1 && alt[0] == L'~') return !matchTokens(text, tokenize(alt.substr(1)));
  return matchTokens(text, tokenize(alt));
}

}  // namespace

bool wildcardMatch(std::wstring_view text, std::wstring_view pattern) {
  // Split on commas that are neither escaped nor inside brackets.
  std::size_t start = 0;
  bool inSet = false;
  for (std::size_t i = 0; i <= pattern.size(); ++i) {
    if (i == pattern.size()) return matchAlternative(text, pattern.substr(start));
    const wchar_t c = pattern[i];
    if (c == L'`') {
      ++i;
    } else if (c == L'[' && !inSet) {
      inSet = true;
    } else if (c == L']' && inSet) {
      inSet = false;
    } else if (c == L',' && !inSet) {
      if (matchAlternative(text, pattern.substr(start, i - start))) return true;
      start = i + 1;
    }
  }
  return false;
}

}  // namespace kx::support
