#pragma once
// PDF pictures written as the scene is walked: the page's content is deflated and written out in
// pieces as primitives come, so a drawing of any size takes the memory of a piece. What the page
// refers to (fonts, images, gradients) is written once after it. Texts whose glyphs come from a
// font file are real text in that font, embedded with a map back to the characters so a reader
// can search and select them; other glyphs are their outlines.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "render/render.h"
#include "render/scene.h"

namespace kx::text {
class FontFace;
}

namespace kx::render {

class GlyphOutlines;
class TextFaces;
struct TextFace;

class PdfWriter : public PrimitiveSink {
 public:
  using Output = std::function<void(std::string_view)>;
  // One page of `view.width` by `view.height` points.
  PdfWriter(Output output, const View& view, Rgb background);
  ~PdfWriter() override;
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  void add(Primitive p) override;
  // Ends the page and writes what it refers to and the file's index.
  void finish();

 private:
  // What the content has set, so that it is set again only when it changes.
  struct State {
    Rgb fill{0, 0, 0}, stroke{0, 0, 0};
    double width = 1;
    int cap = 0, join = 0;
    std::string dash;
  };
  struct FontUse {
    std::string name;
    int object = 0;
    std::map<unsigned, char32_t> glyphs;  // glyph id: the character it was written for
  };
  struct ImageUse {
    std::string name, file;
    int object = 0;
    int width = 0, height = 0;  // pixels
  };
  struct ShadingUse {
    std::string name;
    int object = 0;
  };
  using ShadingKey = std::tuple<int, unsigned, unsigned>;  // kind, colours as 0xRRGGBB

  void write(const Primitive& p);
  void stroke(const Primitive& p, Rgb ink);
  void fill(const Primitive& p, Rgb color, Rgb ink);
  void gradient(const Primitive& p);
  void glyphs(const Primitive& p, Rgb ink);
  void image(const Primitive& p);
  void path(const std::vector<Polyline2>& contours, bool closed);
  void circles(const Polyline2& centres, double radius);
  void setFill(Rgb c);
  void setStroke(Rgb c);
  void setLine(double width, int cap, int join, const std::string& dash);
  void save();
  void restore();
  void number(double v, int decimals = 2);

  // The file: objects written whole, their offsets kept for the index.
  int newObject();
  void beginObject(int object);
  void emit(std::string_view bytes);
  void stream(int object, std::string_view dictionary, std::string_view data, bool deflate = true);
  void beginContent();
  void endContent();
  void flushContent(bool last);
  void writeFont(const text::FontFace& face, const FontUse& use);
  void writeImage(const ImageUse& use);
  void writeShading(const ShadingKey& key, const ShadingUse& use);

  Output output_;
  View view_;
  Rgb background_;
  std::size_t offset_ = 0;
  std::vector<std::size_t> offsets_;             // by object number; 0: not written yet
  std::vector<int> contentObjects_;              // the page's content streams, in order
  int lengthObject_ = 0;                         // of the stream being written
  std::size_t contentStart_ = 0, inStream_ = 0;  // where its data starts; bytes before deflating
  struct Deflater;
  std::unique_ptr<Deflater> deflater_;
  std::string content_;  // waiting to be deflated
  std::vector<State> states_;
  int clipDepth_ = 0;
  bool finished_ = false;
  std::unique_ptr<GlyphOutlines> outlines_;
  std::unique_ptr<TextFaces> faces_;
  std::unordered_map<const text::FontFace*, FontUse> fonts_;
  std::unordered_map<std::string, ImageUse> images_;  // by file; no object: not a readable PNG
  std::map<ShadingKey, ShadingUse> shadings_;
};

}  // namespace kx::render
