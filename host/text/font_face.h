#pragma once
// One face of a font file opened with FreeType, measured in text-height units.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/font.h"

namespace kx::text {

// How font units become text-height units.
enum class FaceScaling {
  // A capital letter is 1 tall: the usual rule for the text of a style.
  capHeight,
  // A typical ideograph's ink runs from the baseline to 1: used for the CJK fallback, so that a
  // Chinese character of height 2.5 is about 2.5 tall and sits on the baseline with the
  // capitals around it, as the big fonts of shape-font styles draw it.
  ideograph,
};

class FontFace {
 public:
  // The face, or nullptr when FreeType cannot open the file or it holds no scalable glyphs.
  static std::shared_ptr<const FontFace> open(const std::string& path, int index,
                                              FaceScaling scaling);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  // Metrics of the glyph for `c`, or nothing when the face has no glyph for it.
  std::optional<GlyphMetrics> metrics(char32_t c) const;
  std::vector<Contour> outline(char32_t c, double tolerance) const;
  double kerning(char32_t left, char32_t right) const;

  const std::string& path() const { return path_; }
  int index() const { return index_; }
  double descender() const { return descender_; }
  double underlinePosition() const { return underlinePosition_; }
  double underlineThickness() const { return underlineThickness_; }

  // What a vector picture needs to write the face's glyphs as text in the font file itself.
  struct Description {
    std::string family, postscriptName;
    int unitsPerEm = 1000;
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // every glyph's ink, font units
    int ascender = 0, descender = 0, capHeight = 0;
    bool italic = false, fixedPitch = false;
  };
  Description describe() const;
  // The glyph the face's character map gives `c`; 0: none.
  unsigned glyphId(char32_t c) const;
  // A glyph's advance width in font units.
  int advance(unsigned glyph) const;
  // Text-height units per em: the font size of a text of height 1.
  double emSize() const { return scale_ * unitsPerEm_; }

 private:
  struct Handle;
  FontFace(std::unique_ptr<Handle> handle, std::string path, int index);
  unsigned glyphIndex(char32_t c) const;
  double faceKerning(char32_t left, char32_t right) const;

  std::unique_ptr<Handle> handle_;
  std::string path_;
  int index_ = 0;
  bool symbolCharmap_ = false;  // symbol fonts put their glyphs at U+F000 + code
  bool hasKerning_ = false;
  double scale_ = 1;  // text-height units per font unit
  double unitsPerEm_ = 1000;
  double shift_ = 0;  // added to y after scaling
  double descender_ = -0.3, underlinePosition_ = -0.15, underlineThickness_ = 0.05;
  // Kerning of Latin-1 pairs, one row per left character filled on first use: the common case
  // needs no FreeType call.
  static constexpr char32_t kKernedRange = 0x100;
  const float* fillKerningRow(char32_t left) const;
  mutable std::array<std::unique_ptr<float[]>, kKernedRange> kerningRows_;
};

}  // namespace kx::text
