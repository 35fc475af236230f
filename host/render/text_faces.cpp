#include "render/text_faces.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include "text/font_chain.h"
#include "text/font_face.h"

namespace kx::render {
namespace {

std::unique_ptr<TextFace> openFace(const text::Font& font) {
  const auto* chain = dynamic_cast<const text::FontChain*>(&font);
  const text::FontFace* primary = chain ? chain->primaryFace() : nullptr;
  if (!primary) return nullptr;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(primary->path().c_str()));
  FcPatternAddInteger(pattern, FC_INDEX, primary->index());
  auto face = std::make_unique<TextFace>();
  face->face = cairo_ft_font_face_create_for_pattern(pattern);
  int count = 0;
  if (FcPattern* query =
          FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(primary->path().c_str()),
                          static_cast<unsigned>(primary->index()), nullptr, &count)) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(query, FC_FAMILY, 0, &family) == FcResultMatch && family)
      face->family = reinterpret_cast<const char*>(family);
    FcPatternDestroy(query);
  }
  FcPatternDestroy(pattern);
  if (cairo_font_face_status(face->face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face->face);
    return nullptr;
  }
  // The capital H is as tall in the face at the size found as the text engine makes it.
  // Measured large and unhinted: at one unit hinting rounds the measure to whole units.
  constexpr double kSize = 1000;
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, kSize, kSize);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face->face, &size, &identity, options);
  cairo_font_options_destroy(options);
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(scaled, "H", &extents);
  cairo_scaled_font_destroy(scaled);
  const text::GlyphMetrics h = font.metrics(U'H');
  if (!(extents.height > 0) || !h.hasInk()) {
    cairo_font_face_destroy(face->face);
    return nullptr;
  }
  face->emPerHeight = h.yMax / (-extents.y_bearing / kSize);
  return face;
}

}  // namespace

TextFaces::~TextFaces() {
  for (auto& [font, entry] : faces_)
    if (entry.face) cairo_font_face_destroy(entry.face->face);
}

const TextFace* TextFaces::faceFor(const std::shared_ptr<const text::Font>& font, char32_t c) {
  if (!font) return nullptr;
  auto it = faces_.find(font.get());
  if (it == faces_.end()) it = faces_.emplace(font.get(), Entry{font, openFace(*font)}).first;
  if (!it->second.face) return nullptr;
  const auto* chain = static_cast<const text::FontChain*>(font.get());
  const auto glyph = chain->glyph(c);
  if (glyph.source != text::FontChain::Source::primary || glyph.drawn != c) return nullptr;
  return it->second.face.get();
}

}  // namespace kx::render
