#pragma once
// SVG pictures written as the scene is walked, element by element, so a drawing of any size
// takes the memory of one element: consecutive primitives of a layer share a group named after
// it, texts whose glyphs come from a font file are text elements a reader can search, select and
// edit, and everything else is paths.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "render/render.h"
#include "render/scene.h"

namespace kx::render {

class GlyphOutlines;
class TextFaces;

class SvgWriter : public PrimitiveSink {
 public:
  using Output = std::function<void(std::string_view)>;
  SvgWriter(Output output, const View& view, Rgb background);
  ~SvgWriter() override;
  SvgWriter(const SvgWriter&) = delete;
  SvgWriter& operator=(const SvgWriter&) = delete;

  void add(Primitive p) override;
  // Closes the open groups and the document, and writes what is left.
  void finish();

 private:
  void write(const Primitive& p);
  void text(const Primitive& p, const std::string& color);
  void image(const Primitive& p);
  std::string pathData(const std::vector<Polyline2>& contours, bool closed) const;
  std::string clipId(const std::vector<Polyline2>& contours);
  void flush(bool always);

  Output output_;
  View view_;
  Rgb background_;
  std::string buffer_;
  std::string layer_;
  bool inLayer_ = false;
  int clipDepth_ = 0;
  int nextId_ = 0;
  bool finished_ = false;
  std::unique_ptr<GlyphOutlines> outlines_;
  std::unique_ptr<TextFaces> faces_;
  struct ImageRef {
    std::string id;
    int width = 0, height = 0;  // pixels
  };
  // Images written, by file; none: the file is not a PNG.
  std::unordered_map<std::string, std::optional<ImageRef>> images_;
};

}  // namespace kx::render
