#pragma once
// The Font that styles and MTEXT font codes get: a primary face, the CJK face for Chinese,
// Japanese and Korean characters, the substitute face for characters the others lack, and a box
// ("tofu") for what no face has. With no face at all it is the built-in box font.

#include <array>
#include <cstdint>
#include <memory>

#include "text/font.h"
#include "text/font_char_map.h"
#include "text/font_face.h"

namespace kx::text {

// Han, Kana, Hangul, CJK punctuation and full-width forms.
bool isCjkCharacter(char32_t c);

class FontChain final : public Font {
 public:
  // Any face may be null; a null primary gives the built-in box font's metrics.
  FontChain(std::shared_ptr<const FontFace> primary, std::shared_ptr<const FontFace> cjk,
            std::shared_ptr<const FontFace> substitute);

  GlyphMetrics metrics(char32_t c) const override { return glyph(c).metrics; }
  std::vector<Contour> outline(char32_t c, double tolerance) const override;
  double kerning(char32_t left, char32_t right) const override;
  std::string description() const override;
  double descender() const override { return descender_; }
  double underlinePosition() const override { return underlinePosition_; }
  double overlinePosition() const override { return overlinePosition_; }
  double lineThickness() const override { return lineThickness_; }

  // Where a character's glyph comes from.
  enum class Source : std::uint8_t { primary, cjk, substitute, tofu, blank };
  struct Glyph {
    GlyphMetrics metrics;
    Source source = Source::tofu;
    char32_t drawn = 0;  // the character drawn in its place (U+00D8 for a missing U+2300)
  };
  Glyph glyph(char32_t c) const {
    if (c < kDirect) {
      if (directReady_[c]) return direct_[c];
      return fillDirect(c);
    }
    return cachedGlyph(c);
  }
  // Kerning between two glyphs already looked up.
  double kerning(const Glyph& left, const Glyph& right) const;
  const FontFace* primaryFace() const { return primary_.get(); }

 private:
  Glyph resolve(char32_t c) const;
  const Glyph& fillDirect(char32_t c) const;
  Glyph cachedGlyph(char32_t c) const;
  const FontFace* face(Source source) const;

  std::shared_ptr<const FontFace> primary_, cjk_, substitute_;
  double descender_, underlinePosition_, overlinePosition_, lineThickness_;

  // Latin-1 is looked up in a plain array; everything else in a flat map.
  static constexpr char32_t kDirect = 0x100;
  mutable std::array<Glyph, kDirect> direct_{};
  mutable std::array<bool, kDirect> directReady_{};
  mutable FontCharMap<Glyph> cache_;
};

}  // namespace kx::text
