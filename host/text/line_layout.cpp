#include "text/line_layout.h"

#include <algorithm>
#include <cmath>

#include "text/font_chain.h"

namespace kx::text {
namespace {

wchar_t lower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c;
}
bool isDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// %%nnn names a byte of the drawing's code page. Drawings in this host are Western (ANSI 1252):
// its bytes 128-159 are the typographic characters below, all others equal their Latin-1 code
// points; codes above 255 are taken as Unicode code points.
char32_t codePageCharacter(int code) {
  static constexpr char32_t kWindows1252[32] = {
      0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  if (code >= 128 && code < 160) return kWindows1252[code - 128];
  return static_cast<char32_t>(code);
}

// Unicode's diameter sign: fonts without it draw a slashed O in its place (see FontChain).
constexpr char32_t kDiameterSign = 0x2300;

struct Interval {
  double min = 0, max = 0;
  bool empty = true;
  void add(double v) {
    if (empty) {
      min = max = v;
      empty = false;
    } else {
      min = std::min(min, v);
      max = std::max(max, v);
    }
  }
};

}  // namespace

std::vector<DecodedChar> decodePercentCodes(std::wstring_view text) {
  std::vector<DecodedChar> out;
  out.reserve(text.size());
  bool underline = false, overline = false;
  const auto emit = [&](char32_t c) { out.push_back({c, underline, overline}); };
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'%' || i + 2 >= text.size() || text[i + 1] != L'%') {
      emit(static_cast<char32_t>(text[i]));
      ++i;
      continue;
    }
    const wchar_t code = lower(text[i + 2]);
    std::size_t used = 3;
    switch (code) {
      case L'u':
        underline = !underline;
        break;
      case L'o':
        overline = !overline;
        break;
      case L'd':
        emit(0xB0);
        break;
      case L'p':
        emit(0xB1);
        break;
      case L'c':
        emit(kDiameterSign);
        break;
      case L'%':
        emit(U'%');
        break;
      default:
        if (isDigit(code) && i + 4 < text.size() && isDigit(text[i + 3]) && isDigit(text[i + 4])) {
          emit(codePageCharacter((code - L'0') * 100 + (text[i + 3] - L'0') * 10 +
                                 (text[i + 4] - L'0')));
          used = 5;
        } else {
          // Not a code: both percent signs are text, and what follows is read as usual.
          emit(U'%');
          emit(U'%');
          used = 2;
        }
    }
    i += used;
  }
  return out;
}

LineLayout layoutLine(const Font& font, const std::vector<DecodedChar>& chars, const TextLook& look,
                      Glyphs glyphs) {
  LineLayout out;
  const double h = look.height;
  const double sx = h * look.widthFactor;  // font x to text x
  const double shear = look.oblique == 0 ? 0.0 : std::tan(look.oblique);
  const double descender = font.descender() * h;
  const auto* chain = dynamic_cast<const FontChain*>(&font);

  const bool place = glyphs == Glyphs::Place;
  if (place) out.glyphs.reserve(chars.size());
  Interval inkX, inkY;
  // Underline and overline: the runs being drawn, as [start pen, end pen).
  double underlineStart = 0, overlineStart = 0;
  bool inUnderline = false, inOverline = false;
  const double underlineY = font.underlinePosition() * h;
  const double overlineY = font.overlinePosition() * h;
  const auto decorate = [&](double x0, double x1, double y) {
    const double dx = y * shear;
    out.decorations.push_back({{x0 + dx, y}, {x1 + dx, y}});
    inkX.add(x0 + dx);
    inkX.add(x1 + dx);
    inkY.add(y);
  };

  double pen = 0;
  FontChain::Glyph previous;
  char32_t previousChar = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const DecodedChar& dc = chars[i];
    GlyphMetrics m;
    double kerning = 0;
    if (chain) {
      const FontChain::Glyph g = chain->glyph(dc.c);
      if (i > 0) kerning = chain->kerning(previous, g) * sx;
      m = g.metrics;
      previous = g;
    } else {
      m = font.metrics(dc.c);
      if (i > 0) kerning = font.kerning(previousChar, dc.c) * sx;
      previousChar = dc.c;
    }
    // A run ends where its last glyph's advance does, and starts at its first glyph's pen.
    if (!dc.underline && inUnderline) decorate(underlineStart, pen, underlineY);
    if (!dc.overline && inOverline) decorate(overlineStart, pen, overlineY);
    pen += kerning;
    if (dc.underline && !inUnderline) underlineStart = pen;
    if (dc.overline && !inOverline) overlineStart = pen;
    inUnderline = dc.underline;
    inOverline = dc.overline;

    if (place)
      out.glyphs.emplace_back(
          dc.c, geom::Matrix3d({sx, 0, 0}, {h * shear, h, 0}, {0, 0, 1}, {pen, 0, 0}));
    if (m.hasInk()) {
      const double y0 = m.yMin * h, y1 = m.yMax * h;
      inkX.add(pen + m.xMin * sx + std::min(y0 * shear, y1 * shear));
      inkX.add(pen + m.xMax * sx + std::max(y0 * shear, y1 * shear));
      inkY.add(y0);
      inkY.add(y1);
    }
    pen += m.advance * sx;
  }
  if (inUnderline) decorate(underlineStart, pen, underlineY);
  if (inOverline) decorate(overlineStart, pen, overlineY);
  out.advance = pen;

  out.cell = {std::min(0.0, pen), std::min(descender, h), std::max(0.0, pen),
              std::max(descender, h)};
  if (!inkX.empty) out.ink = {inkX.min, inkY.min, inkX.max, inkY.max};

  // Backward and upside-down texts are mirrored within their cell, so the cell, and with it
  // justification, stays where an upright text's would be: backward about the middle of the
  // advance, upside down about the middle between the descender line and the capitals.
  if (look.backward || look.upsideDown) {
    const double mx = look.backward ? -1 : 1, my = look.upsideDown ? -1 : 1;
    const double ox = look.backward ? pen : 0, oy = look.upsideDown ? descender + h : 0;
    const geom::Matrix3d mirror({mx, 0, 0}, {0, my, 0}, {0, 0, 1}, {ox, oy, 0});
    for (PlacedGlyph& g : out.glyphs) g.toText = mirror * g.toText;
    for (auto& [a, b] : out.decorations) {
      a = {mx * a.x + ox, my * a.y + oy};
      b = {mx * b.x + ox, my * b.y + oy};
    }
    if (!inkX.empty) {
      const Box2 ink = out.ink;
      out.ink.xMin = look.backward ? ox - ink.xMax : ink.xMin;
      out.ink.xMax = look.backward ? ox - ink.xMin : ink.xMax;
      out.ink.yMin = look.upsideDown ? oy - ink.yMax : ink.yMin;
      out.ink.yMax = look.upsideDown ? oy - ink.yMin : ink.yMax;
    }
  }
  return out;
}

}  // namespace kx::text
