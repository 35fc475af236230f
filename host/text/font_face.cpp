#include "text/font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

#include "text/font_flatten.h"

namespace kx::text {
namespace {

// The FreeType library, shared by every face: faces keep it alive, so a face released after the
// font library's static destruction still finds it.
struct FreeTypeLibrary {
  FT_Library library = nullptr;
  FreeTypeLibrary() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~FreeTypeLibrary() {
    if (library) FT_Done_FreeType(library);
  }
};

std::shared_ptr<FreeTypeLibrary> freeType() {
  static const std::shared_ptr<FreeTypeLibrary> instance = std::make_shared<FreeTypeLibrary>();
  return instance;
}

constexpr FT_Int32 kLoadUnscaled = FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

// The ink box of the loaded glyph in font units; nothing for blank glyphs.
std::optional<FT_BBox> inkBox(FT_GlyphSlot slot) {
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points == 0) return {};
  FT_BBox box;
  if (FT_Outline_Get_BBox(&slot->outline, &box) != 0) return {};
  if (box.xMax <= box.xMin || box.yMax <= box.yMin) return {};
  return box;
}

// Collects an outline's contours, flattening curves so that no point of a curve is farther than
// `tolerance` from the chords drawn for it.
class OutlineFlattener {
 public:
  OutlineFlattener(double scale, double shift, double tolerance)
      : scale_(scale), shift_(shift), tolerance_(tolerance) {}

  std::vector<Contour> run(FT_Outline* outline) {
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* self) {
      static_cast<OutlineFlattener*>(self)->moveTo(to);
      return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* self) {
      static_cast<OutlineFlattener*>(self)->lineTo(to);
      return 0;
    };
    funcs.conic_to = [](const FT_Vector* control, const FT_Vector* to, void* self) {
      static_cast<OutlineFlattener*>(self)->conicTo(control, to);
      return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* self) {
      static_cast<OutlineFlattener*>(self)->cubicTo(c1, c2, to);
      return 0;
    };
    if (FT_Outline_Decompose(outline, &funcs, this) != 0) return {};
    finish();
    return std::move(contours_);
  }

 private:
  geom::Vec2 point(const FT_Vector* v) const {
    return {static_cast<double>(v->x) * scale_, static_cast<double>(v->y) * scale_ + shift_};
  }

  void moveTo(const FT_Vector* to) {
    finish();
    current_.push_back(point(to));
  }
  void lineTo(const FT_Vector* to) { current_.push_back(point(to)); }
  void conicTo(const FT_Vector* control, const FT_Vector* to) {
    if (current_.empty()) current_.push_back(point(control));
    appendQuadratic(current_, point(control), point(to), tolerance_);
  }
  void cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to) {
    if (current_.empty()) current_.push_back(point(c1));
    appendCubic(current_, point(c1), point(c2), point(to), tolerance_);
  }
  void finish() {
    // Outlines repeat points where a curve meets a line; a polyline needs them once.
    current_.erase(std::unique(current_.begin(), current_.end()), current_.end());
    if (current_.size() > 1 && current_.back() == current_.front()) current_.pop_back();
    if (current_.size() >= 3) contours_.push_back(std::move(current_));
    current_.clear();
  }

  double scale_, shift_, tolerance_;
  Contour current_;
  std::vector<Contour> contours_;
};

}  // namespace

struct FontFace::Handle {
  std::shared_ptr<FreeTypeLibrary> library;
  FT_Face face = nullptr;
  ~Handle() {
    if (face) FT_Done_Face(face);
  }
};

FontFace::FontFace(std::unique_ptr<Handle> handle, std::string path, int index)
    : handle_(std::move(handle)), path_(std::move(path)), index_(index) {}

FontFace::~FontFace() = default;

std::shared_ptr<const FontFace> FontFace::open(const std::string& path, int index,
                                               FaceScaling scaling) {
  auto handle = std::make_unique<Handle>();
  handle->library = freeType();
  if (!handle->library->library || index < 0) return nullptr;
  if (FT_New_Face(handle->library->library, path.c_str(), index, &handle->face) != 0) {
    handle->face = nullptr;
    return nullptr;
  }
  FT_Face face = handle->face;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0 || face->num_glyphs <= 1) return nullptr;

  std::shared_ptr<FontFace> result(new FontFace(std::move(handle), path, index));
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
    if (FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) != 0) return nullptr;
    result->symbolCharmap_ = true;
  }
  const double unitsPerEm = face->units_per_EM;
  result->unitsPerEm_ = unitsPerEm;

  // The size that makes text height 1: the cap height, or the ink of a typical ideograph.
  double unitHeight = 0;
  double baselineShift = 0;
  if (scaling == FaceScaling::capHeight) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version >= 2 && os2->version != 0xFFFF && os2->sCapHeight > 0)
      unitHeight = os2->sCapHeight;
    if (unitHeight <= 0) {
      const unsigned h = result->glyphIndex(U'H');
      if (h && FT_Load_Glyph(face, h, kLoadUnscaled) == 0)
        if (auto box = inkBox(face->glyph)) unitHeight = static_cast<double>(box->yMax);
    }
    if (unitHeight <= 0) unitHeight = 0.7 * unitsPerEm;  // typical of Latin designs
  } else {
    // The mean ink of a few full-size ideographs: one glyph's design quirks do not decide it.
    double sumHeight = 0, sumBottom = 0;
    int count = 0;
    for (char32_t c : {U'国', U'田', U'中', U'東', U'图'}) {
      const unsigned g = result->glyphIndex(c);
      if (g && FT_Load_Glyph(face, g, kLoadUnscaled) == 0)
        if (auto box = inkBox(face->glyph)) {
          sumHeight += static_cast<double>(box->yMax - box->yMin);
          sumBottom += static_cast<double>(box->yMin);
          ++count;
        }
    }
    if (count > 0) {
      unitHeight = sumHeight / count;
      baselineShift = -sumBottom / count;
    } else {
      unitHeight = 0.88 * unitsPerEm;
      baselineShift = 0.12 * unitsPerEm;
    }
  }
  result->scale_ = 1 / unitHeight;
  result->shift_ = baselineShift * result->scale_;

  const double scale = result->scale_;
  result->descender_ = face->descender < 0 ? face->descender * scale + result->shift_ : -0.3;
  result->underlinePosition_ =
      face->underline_position < 0 ? face->underline_position * scale : -0.15;
  result->underlineThickness_ =
      face->underline_thickness > 0 ? face->underline_thickness * scale : 0.05;

  result->hasKerning_ = FT_HAS_KERNING(face);
  return result;
}

unsigned FontFace::glyphIndex(char32_t c) const {
  FT_Face face = handle_->face;
  if (symbolCharmap_) {
    if (c < 0x100) return FT_Get_Char_Index(face, 0xF000 + c);
    return FT_Get_Char_Index(face, c);
  }
  return FT_Get_Char_Index(face, c);
}

FontFace::Description FontFace::describe() const {
  FT_Face face = handle_->face;
  Description d;
  if (face->family_name) d.family = face->family_name;
  if (const char* name = FT_Get_Postscript_Name(face)) d.postscriptName = name;
  d.unitsPerEm = face->units_per_EM;
  d.xMin = static_cast<int>(face->bbox.xMin);
  d.yMin = static_cast<int>(face->bbox.yMin);
  d.xMax = static_cast<int>(face->bbox.xMax);
  d.yMax = static_cast<int>(face->bbox.yMax);
  d.ascender = face->ascender;
  d.descender = face->descender;
  d.capHeight = static_cast<int>(std::lround(1 / scale_));
  d.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  d.fixedPitch = FT_IS_FIXED_WIDTH(face);
  return d;
}

unsigned FontFace::glyphId(char32_t c) const {
  return glyphIndex(c);
}

int FontFace::advance(unsigned glyph) const {
  FT_Face face = handle_->face;
  if (FT_Load_Glyph(face, glyph, kLoadUnscaled) != 0) return 0;
  return static_cast<int>(face->glyph->metrics.horiAdvance);
}

std::optional<GlyphMetrics> FontFace::metrics(char32_t c) const {
  FT_Face face = handle_->face;
  const unsigned g = glyphIndex(c);
  if (g == 0 || FT_Load_Glyph(face, g, kLoadUnscaled) != 0) return {};
  GlyphMetrics m;
  m.advance = static_cast<double>(face->glyph->metrics.horiAdvance) * scale_;
  if (auto box = inkBox(face->glyph)) {
    m.xMin = static_cast<double>(box->xMin) * scale_;
    m.xMax = static_cast<double>(box->xMax) * scale_;
    m.yMin = static_cast<double>(box->yMin) * scale_ + shift_;
    m.yMax = static_cast<double>(box->yMax) * scale_ + shift_;
  }
  return m;
}

std::vector<Contour> FontFace::outline(char32_t c, double tolerance) const {
  FT_Face face = handle_->face;
  const unsigned g = glyphIndex(c);
  if (g == 0 || FT_Load_Glyph(face, g, kLoadUnscaled) != 0) return {};
  if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return {};
  return OutlineFlattener(scale_, shift_, tolerance).run(&face->glyph->outline);
}

double FontFace::kerning(char32_t left, char32_t right) const {
  if (!hasKerning_) return 0;
  if (left < kKernedRange && right < kKernedRange) {
    const float* row = kerningRows_[left].get();
    if (!row) row = fillKerningRow(left);
    return row[right];
  }
  return faceKerning(left, right);
}

const float* FontFace::fillKerningRow(char32_t left) const {
  auto row = std::make_unique<float[]>(kKernedRange);
  for (char32_t right = 0; right < kKernedRange; ++right)
    row[right] = static_cast<float>(faceKerning(left, right));
  kerningRows_[left] = std::move(row);
  return kerningRows_[left].get();
}

double FontFace::faceKerning(char32_t left, char32_t right) const {
  const unsigned l = glyphIndex(left), r = glyphIndex(right);
  if (l == 0 || r == 0) return 0;
  FT_Vector k{};
  if (FT_Get_Kerning(handle_->face, l, r, FT_KERNING_UNSCALED, &k) != 0) return 0;
  return static_cast<double>(k.x) * scale_;
}

}  // namespace kx::text
