#include "render/text_faces.h"

#include "text/font_chain.h"

namespace kx::render {
namespace {

std::unique_ptr<TextFace> openFace(const text::Font& font) {
  const auto* chain = dynamic_cast<const text::FontChain*>(&font);
  const text::FontFace* primary = chain ? chain->primaryFace() : nullptr;
  if (!primary || !(primary->emSize() > 0)) return nullptr;
  auto face = std::make_unique<TextFace>();
  face->face = primary;
  face->family = primary->describe().family;
  face->emPerHeight = primary->emSize();
  return face;
}

}  // namespace

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
