#include "text/font_chain.h"

#include <algorithm>

namespace kx::text {
namespace {

// The box drawn for characters no face has, and every glyph of the built-in box font.
constexpr double kBoxAdvance = 0.8, kBoxWidth = 0.7, kBoxHeight = 1.0;

GlyphMetrics boxMetrics() {
  return {kBoxAdvance, 0, 0, kBoxWidth, kBoxHeight};
}

// A hollow box, as missing characters are shown everywhere: filled, a line of them would read
// as a black bar. The inner contour runs the other way, so even-odd and non-zero fills agree.
std::vector<Contour> boxOutline() {
  constexpr double kStroke = 0.07;
  return {{{0, 0}, {kBoxWidth, 0}, {kBoxWidth, kBoxHeight}, {0, kBoxHeight}},
          {{kStroke, kStroke},
           {kStroke, kBoxHeight - kStroke},
           {kBoxWidth - kStroke, kBoxHeight - kStroke},
           {kBoxWidth - kStroke, kStroke}}};
}

bool isBlankSpace(char32_t c) {
  return c == U' ' || c == 0xA0 || c == 0x3000 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F;
}

bool isControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// A character drawn instead when the font lacks one: many text fonts have no diameter sign
// (U+2300) but all have the slashed O that CAD users accept for it.
char32_t alternativeOf(char32_t c) {
  return c == 0x2300 ? char32_t{0xD8} : char32_t{0};
}

}  // namespace

bool isCjkCharacter(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF)        // Hangul Jamo
         || (c >= 0x2E80 && c <= 0x2FDF)     // CJK and Kangxi radicals
         || (c >= 0x2FF0 && c <= 0x303F)     // ideographic description, CJK punctuation
         || (c >= 0x3040 && c <= 0x31FF)     // Kana, Bopomofo, Hangul compatibility, strokes
         || (c >= 0x3200 && c <= 0x4DBF)     // enclosed, compatibility, extension A
         || (c >= 0x4E00 && c <= 0x9FFF)     // unified ideographs
         || (c >= 0xA960 && c <= 0xA97F)     // Hangul Jamo extended A
         || (c >= 0xAC00 && c <= 0xD7FF)     // Hangul syllables, Jamo extended B
         || (c >= 0xF900 && c <= 0xFAFF)     // compatibility ideographs
         || (c >= 0xFE30 && c <= 0xFE4F)     // compatibility forms
         || (c >= 0xFF00 && c <= 0xFFEF)     // half-width and full-width forms
         || (c >= 0x20000 && c <= 0x3FFFF);  // supplementary ideographic planes
}

FontChain::FontChain(std::shared_ptr<const FontFace> primary, std::shared_ptr<const FontFace> cjk,
                     std::shared_ptr<const FontFace> substitute)
    : primary_(std::move(primary)), cjk_(std::move(cjk)), substitute_(std::move(substitute)) {
  if (primary_) {
    descender_ = primary_->descender();
    underlinePosition_ = primary_->underlinePosition();
    lineThickness_ = primary_->underlineThickness();
  } else {
    descender_ = -0.3;
    underlinePosition_ = -0.15;
    lineThickness_ = 0.05;
  }
  // As far above the capitals as the underline is below the baseline, clear of accents'
  // thickness so the two lines look alike.
  overlinePosition_ = 1 - underlinePosition_ + lineThickness_;
}

const FontFace* FontChain::face(Source source) const {
  switch (source) {
    case Source::primary:
      return primary_.get();
    case Source::cjk:
      return cjk_.get();
    case Source::substitute:
      return substitute_.get();
    default:
      return nullptr;
  }
}

FontChain::Glyph FontChain::resolve(char32_t c) const {
  if (isControl(c)) return {{}, Source::blank, c};
  if (!primary_ && isBlankSpace(c)) return {{kBoxAdvance, 0, 0, 0, 0}, Source::blank, c};
  const char32_t alternative = alternativeOf(c);
  const auto from = [&](Source source, char32_t drawn) -> std::optional<Glyph> {
    const FontFace* f = face(source);
    if (!f || drawn == 0) return {};
    if (auto m = f->metrics(drawn)) return Glyph{*m, source, drawn};
    return {};
  };
  const bool cjk = isCjkCharacter(c);
  std::optional<Glyph> found;
  if (cjk) found = from(Source::cjk, c);
  if (!found) found = from(Source::primary, c);
  if (!found) found = from(Source::primary, alternative);
  if (!found && !cjk) found = from(Source::cjk, c);
  if (!found) found = from(Source::substitute, c);
  if (!found) found = from(Source::substitute, alternative);
  return found ? *found : Glyph{boxMetrics(), Source::tofu, c};
}

const FontChain::Glyph& FontChain::fillDirect(char32_t c) const {
  direct_[c] = resolve(c);
  directReady_[c] = true;
  return direct_[c];
}

FontChain::Glyph FontChain::cachedGlyph(char32_t c) const {
  // Code points no font can hold look like U+FFFD and stay out of the map's key space.
  if (c > 0x10FFFF) c = 0xFFFD;
  if (const Glyph* g = cache_.find(c)) return *g;
  Glyph g = resolve(c);
  cache_.insert(c, g);
  return g;
}

std::vector<Contour> FontChain::outline(char32_t c, double tolerance) const {
  const Glyph g = glyph(c);
  if (g.source == Source::tofu) return boxOutline();
  const FontFace* f = face(g.source);
  if (!f || !g.metrics.hasInk()) return {};
  return f->outline(g.drawn, tolerance);
}

double FontChain::kerning(const Glyph& left, const Glyph& right) const {
  if (left.source != right.source) return 0;
  const FontFace* f = face(left.source);
  return f ? f->kerning(left.drawn, right.drawn) : 0;
}

double FontChain::kerning(char32_t left, char32_t right) const {
  return kerning(glyph(left), glyph(right));
}

std::string FontChain::description() const {
  const auto name = [](const FontFace& f) {
    return f.index() ? f.path() + "#" + std::to_string(f.index()) : f.path();
  };
  std::string text = primary_ ? name(*primary_) : std::string("built-in box font");
  if (cjk_) text += ", " + name(*cjk_);
  return text;
}

}  // namespace kx::text
