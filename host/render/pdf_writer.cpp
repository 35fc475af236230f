#include "render/pdf_writer.h"

#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "render/font_program.h"
#include "render/glyph_outlines.h"
#include "render/painter.h"
#include "render/text_faces.h"
#include "text/font_face.h"

namespace kx::render {
namespace {

constexpr std::size_t kFlushAt = 1 << 16;
// The page's content is cut into streams of about this much before deflating, one after the
// other: readers take a stream whole, and some balk at one of a hundred megabytes.
constexpr std::size_t kStreamLimit = std::size_t{16} << 20;
// Readers handle coordinates far past the page, but not without end; nothing there shows.
// A quarter circle as a cubic: the control points' distance, for a radius of 1.
constexpr double kArc = 0.5522847498;

double clamped(double v) {
  return std::isfinite(v) ? std::clamp(v, -kFarOff, kFarOff) : 0;
}

unsigned packed(Rgb c) {
  return static_cast<unsigned>(c.r) << 16 | static_cast<unsigned>(c.g) << 8 | c.b;
}

std::string colorText(Rgb c) {
  return fmt::format("{:.4g} {:.4g} {:.4g}", c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

// A PDF name: what is not a plain character written as #xx.
std::string nameText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '_' || c == '+' || c == '.')
      out += c;
    else
      out += fmt::format("#{:02X}", u);
  }
  return out;
}

}  // namespace

// zlib's deflate, fed piece by piece.
struct PdfWriter::Deflater {
  z_stream z{};
  Deflater() {
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK)
      throw std::runtime_error("cannot start compressing");
  }
  ~Deflater() { deflateEnd(&z); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Starts a new stream.
  void reset() { deflateReset(&z); }

  // Compresses `in`, appending what comes out to `out`; `last` ends the stream.
  void run(std::string_view in, std::string& out, bool last) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char chunk[1 << 15];
    int status = Z_OK;
    do {
      z.next_out = reinterpret_cast<Bytef*>(chunk);
      z.avail_out = sizeof chunk;
      status = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      if (status == Z_STREAM_ERROR) throw std::runtime_error("compressing failed");
      out.append(chunk, sizeof chunk - z.avail_out);
    } while (z.avail_out == 0 || (last && status != Z_STREAM_END));
  }
};

namespace {

std::string deflated(std::string_view data) {
  std::string out;
  z_stream z{};
  deflateInit(&z, Z_DEFAULT_COMPRESSION);
  out.resize(deflateBound(&z, data.size()));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

PdfWriter::PdfWriter(Output output, const View& view, Rgb background)
    : output_(std::move(output)),
      view_(view),
      background_(background),
      deflater_(std::make_unique<Deflater>()),
      states_(1),
      outlines_(std::make_unique<GlyphOutlines>()),
      faces_(std::make_unique<TextFaces>()) {
  // Binary bytes in the comment tell transfer programs the file is not text.
  emit("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
  offsets_.resize(1);
  newObject();  // the catalog
  newObject();  // the page tree
  newObject();  // the page
  beginContent();
  // Picture coordinates, y down from the top-left corner, as the rest of the renderer uses.
  content_ += fmt::format("1 0 0 -1 0 {} cm\n", view.height);
  setFill(background);
  content_ += fmt::format("0 0 {} {} re f\n", view.width, view.height);
}

PdfWriter::~PdfWriter() = default;

int PdfWriter::newObject() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size() - 1);
}

void PdfWriter::beginObject(int object) {
  offsets_[static_cast<std::size_t>(object)] = offset_;
  emit(fmt::format("{} 0 obj\n", object));
}

void PdfWriter::emit(std::string_view bytes) {
  output_(bytes);
  offset_ += bytes.size();
}

void PdfWriter::stream(int object, std::string_view dictionary, std::string_view data,
                       bool deflate) {
  const std::string packedData = deflate ? deflated(data) : std::string(data);
  beginObject(object);
  emit(fmt::format("<< {} /Length {}{} >>\nstream\n", dictionary, packedData.size(),
                   deflate ? " /Filter /FlateDecode" : ""));
  emit(packedData);
  emit("\nendstream\nendobj\n");
}

// A content stream, its length an object written after it.
void PdfWriter::beginContent() {
  const int object = newObject();
  lengthObject_ = newObject();
  contentObjects_.push_back(object);
  beginObject(object);
  emit(fmt::format("<< /Length {} 0 R /Filter /FlateDecode >>\nstream\n", lengthObject_));
  contentStart_ = offset_;
  inStream_ = 0;
  deflater_->reset();
}

void PdfWriter::endContent() {
  const std::size_t length = offset_ - contentStart_;
  emit("\nendstream\nendobj\n");
  beginObject(lengthObject_);
  emit(fmt::format("{}\nendobj\n", length));
}

void PdfWriter::flushContent(bool last) {
  if (!last && content_.size() < kFlushAt) return;
  inStream_ += content_.size();
  const bool full = inStream_ >= kStreamLimit;
  std::string out;
  deflater_->run(content_, out, last || full);
  content_.clear();
  if (!out.empty()) emit(out);
  if (last || full) endContent();
  if (full && !last) beginContent();
}

void PdfWriter::number(double v, int decimals) {
  const std::size_t at = content_.size();
  fmt::format_to(std::back_inserter(content_), "{:.{}f}", clamped(v), decimals);
  // Trailing zeros say nothing; a lone "-0" is 0.
  while (content_.back() == '0') content_.pop_back();
  if (content_.back() == '.') content_.pop_back();
  if (content_.size() == at + 2 && content_[at] == '-' && content_[at + 1] == '0')
    content_.replace(at, 2, "0");
  content_ += ' ';
}

void PdfWriter::setFill(Rgb c) {
  State& s = states_.back();
  if (s.fill == c) return;
  s.fill = c;
  content_ += colorText(c) + " rg\n";
}

void PdfWriter::setStroke(Rgb c) {
  State& s = states_.back();
  if (s.stroke == c) return;
  s.stroke = c;
  content_ += colorText(c) + " RG\n";
}

void PdfWriter::setLine(double width, int cap, int join, const std::string& dash) {
  State& s = states_.back();
  if (std::abs(s.width - width) > 1e-3) {
    s.width = width;
    number(width, 3);
    content_ += "w\n";
  }
  if (s.cap != cap) {
    s.cap = cap;
    content_ += fmt::format("{} J\n", cap);
  }
  if (s.join != join) {
    s.join = join;
    content_ += fmt::format("{} j\n", join);
  }
  if (s.dash != dash) {
    s.dash = dash;
    content_ += dash.empty() ? "[] 0 d\n" : dash;
  }
}

void PdfWriter::save() {
  content_ += "q\n";
  states_.push_back(states_.back());
}

void PdfWriter::restore() {
  content_ += "Q\n";
  if (states_.size() > 1) states_.pop_back();
}

void PdfWriter::path(const std::vector<Polyline2>& contours, bool closed) {
  for (const Polyline2& c : contours) {
    bool first = true;
    for (const geom::Vec2 w : c) {
      if (!std::isfinite(w.x) || !std::isfinite(w.y)) continue;
      const geom::Vec2 p = view_.toPicture(w);
      number(p.x);
      number(p.y);
      content_ += first ? "m\n" : "l\n";
      first = false;
    }
    if (closed && !first) content_ += "h\n";
  }
}

void PdfWriter::circles(const Polyline2& centres, double r) {
  for (const geom::Vec2 w : centres) {
    if (!std::isfinite(w.x) || !std::isfinite(w.y)) continue;
    const geom::Vec2 c = view_.toPicture(w);
    const double k = kArc * r;
    const auto point = [&](double x, double y) {
      number(c.x + x);
      number(c.y + y);
    };
    point(r, 0);
    content_ += "m\n";
    point(r, k), point(k, r), point(0, r);
    content_ += "c\n";
    point(-k, r), point(-r, k), point(-r, 0);
    content_ += "c\n";
    point(-r, -k), point(-k, -r), point(0, -r);
    content_ += "c\n";
    point(k, -r), point(r, -k), point(r, 0);
    content_ += "c\nh\n";
  }
}

void PdfWriter::add(Primitive p) {
  if (finished_) return;
  write(p);
  flushContent(false);
}

void PdfWriter::write(const Primitive& p) {
  const Rgb ink = inkOn(background_, p.color);
  const bool clipped =
      !p.clip.empty() && p.kind != PrimitiveKind::ClipBegin && p.kind != PrimitiveKind::ClipEnd;
  if (clipped) {
    save();
    path(p.clip, true);
    content_ += "W* n\n";
  }
  switch (p.kind) {
    case PrimitiveKind::Stroke:
      stroke(p, ink);
      break;
    case PrimitiveKind::Fill:
      fill(p, ink, ink);
      break;
    case PrimitiveKind::Background:
      fill(p, background_, ink);
      break;
    case PrimitiveKind::Dot:
      setFill(ink);
      for (const Polyline2& c : p.contours) circles(c, std::max(1.5, p.pixelWidth));
      content_ += "f\n";
      break;
    case PrimitiveKind::Glyphs:
      glyphs(p, ink);
      break;
    case PrimitiveKind::Image:
      image(p);
      break;
    case PrimitiveKind::ClipBegin:
      save();
      path(p.contours, true);
      content_ += "W* n\n";
      ++clipDepth_;
      break;
    case PrimitiveKind::ClipEnd:
      if (clipDepth_ > 0) {
        restore();
        --clipDepth_;
      }
      break;
  }
  if (clipped) restore();
}

void PdfWriter::stroke(const Primitive& p, Rgb ink) {
  const double width = std::max(p.worldWidth * view_.scale, p.pixelWidth);
  // A polyline of one vertex is a dot, as a CAD program shows it.
  bool dots = false;
  for (const Polyline2& c : p.contours)
    if (c.size() == 1 && p.unbounded == Unbounded::No) {
      circles(c, width / 2 + 0.5);
      dots = true;
    }
  if (dots) {
    setFill(ink);
    content_ += "f\n";
  }
  const std::size_t before = content_.size();
  if (p.unbounded != Unbounded::No) {
    if (const auto s = unboundedSegment(p, view_)) {
      number(s->first.x), number(s->first.y);
      content_ += "m\n";
      number(s->second.x), number(s->second.y);
      content_ += "l\n";
    }
  } else {
    std::vector<Polyline2> lines;
    for (const Polyline2& c : p.contours)
      if (c.size() > 1) lines.push_back(c);
    path(lines, p.closed);
  }
  if (content_.size() == before) return;
  // Painting the path needs its state set first, so the path waits while that is written.
  const std::string pathText = content_.substr(before);
  content_.resize(before);
  setStroke(ink);
  // Butt ends and mitred corners for polylines with a width; round for lines of a pixel or so.
  int cap = p.worldWidth > 0 ? 0 : 1, join = p.worldWidth > 0 ? 0 : 1;
  std::string dash;
  if (p.highlighted) {
    dash = "[6 4] 0 d\n";
  } else if (!p.dashes.solid() && p.dashes.period() * view_.scale >= 3 * width) {
    // A pattern finer than a few pixels shows as a solid line, as on a CAD screen.
    const DashPattern inPixels = p.dashes.scaled(view_.scale);
    dash = "[";
    for (std::size_t i = 0; i < inPixels.lengths.size(); ++i)
      dash += fmt::format("{}{:.4f}", i ? " " : "", inPixels.lengths[i]);
    dash += fmt::format("] {:.4f} d\n", inPixels.offset);
    // Round caps would lengthen every dash; dots need them to show at all.
    if (std::find(p.dashes.lengths.begin(), p.dashes.lengths.end(), 0.0) == p.dashes.lengths.end())
      cap = 0;
  }
  setLine(width, cap, join, dash);
  content_ += pathText;
  content_ += "S\n";
}

void PdfWriter::fill(const Primitive& p, Rgb color, Rgb ink) {
  const std::size_t before = content_.size();
  path(p.contours, true);
  if (content_.size() == before) return;
  const char* rule = p.fillRule == FillRule::EvenOdd ? "*" : "";
  if (p.gradient.kind != Gradient::Kind::None && !p.highlighted && p.kind == PrimitiveKind::Fill) {
    content_.resize(before);
    gradient(p);
    return;
  }
  const std::string pathText = content_.substr(before);
  content_.resize(before);
  if (p.highlighted) {
    setStroke(ink);
    setLine(1, 1, 1, "[6 4] 0 d\n");
    if (color != ink) {  // a wipeout still hides what is below it
      setFill(color);
      content_ += pathText;
      content_ += fmt::format("b{}\n", rule);
    } else {
      content_ += pathText;
      content_ += "s\n";
    }
    return;
  }
  setFill(color);
  content_ += pathText;
  content_ += fmt::format("f{}\n", rule);
}

// The area painted from the gradient's first colour to its second along its angle (linear), out
// from a middle line and back (cylinder), or out from the middle (spherical). Each pair of
// colours is one shading, from 0 to 1, put in place for each area by a matrix.
void PdfWriter::gradient(const Primitive& p) {
  const Gradient& g = p.gradient;
  Extents box;
  for (const Polyline2& c : p.contours)
    for (const geom::Vec2 w : c)
      if (std::isfinite(w.x) && std::isfinite(w.y)) box.add(view_.toPicture(w));
  if (box.empty) return;
  const Rgb a = g.inverted ? g.second : g.first, b = g.inverted ? g.first : g.second;
  const double cx = (box.xMin + box.xMax) / 2, cy = (box.yMin + box.yMax) / 2;
  double m[6];
  int kind = 0;
  if (g.kind == Gradient::Kind::Spherical) {
    const double r = std::hypot(box.xMax - box.xMin, box.yMax - box.yMin) / 2;
    m[0] = r, m[1] = 0, m[2] = 0, m[3] = r, m[4] = cx, m[5] = cy;
    kind = 2;
  } else {
    // The picture's y runs down.
    const double dx = std::cos(g.angle), dy = -std::sin(g.angle);
    const double half =
        std::abs(dx) * (box.xMax - box.xMin) / 2 + std::abs(dy) * (box.yMax - box.yMin) / 2;
    m[0] = 2 * half * dx, m[1] = 2 * half * dy, m[2] = -dy, m[3] = dx;
    m[4] = cx - dx * half, m[5] = cy - dy * half;
    kind = g.kind == Gradient::Kind::Cylinder ? 1 : 0;
  }
  save();
  path(p.contours, true);
  content_ += p.fillRule == FillRule::EvenOdd ? "W* n\n" : "W n\n";
  if (std::abs(m[0] * m[3] - m[1] * m[2]) > 1e-9) {
    const ShadingKey key{kind, packed(a), packed(b)};
    auto it = shadings_.find(key);
    if (it == shadings_.end())
      it =
          shadings_.emplace(key, ShadingUse{fmt::format("Sh{}", shadings_.size() + 1), newObject()})
              .first;
    for (const double v : m) number(v, 4);
    content_ += fmt::format("cm\n/{} sh\n", it->second.name);
  } else {
    // An area with no breadth along the gradient takes its first colour.
    setFill(a);
    content_ += "0 0 1 1 re f\n";
  }
  restore();
}

// Glyphs from a font file are written as text with their glyph ids, one text object per
// primitive, moved from glyph to glyph while they share size and slant; the others (fallbacks,
// boxes, highlighted texts) are their outlines.
void PdfWriter::glyphs(const Primitive& p, Rgb ink) {
  if (!p.font) return;
  const double s = view_.scale;
  std::string outline;
  bool inText = false;
  const TextFace* current = nullptr;
  double tm[6] = {0, 0, 0, 0, 0, 0};
  for (const GlyphPlacement& g : p.glyphs) {
    const auto shown = shownGlyph(g, view_);
    if (!shown) continue;
    const auto [origin, height] = *shown;
    const TextFace* face = p.highlighted ? nullptr : faces_->faceFor(p.font, g.c);
    const unsigned id = face ? face->face->glyphId(g.c) : 0;
    if (id != 0) {
      if (!inText) {
        setFill(ink);
        content_ += "BT\n";
        inText = true;
      }
      FontUse& use = fonts_[face->face];
      if (use.name.empty()) {
        use.name = fmt::format("F{}", fonts_.size());
        use.object = newObject();
      }
      use.glyphs.emplace(id, g.c);
      if (face != current) content_ += fmt::format("/{} 1 Tf\n", use.name);
      // Text space is y up; the picture's y runs down.
      const double k = face->emPerHeight * s;
      const double a = k * g.xx, b = -k * g.yx, c = k * g.xy, d = -k * g.yy;
      const double det = a * d - b * c;
      if (face == current && a == tm[0] && b == tm[1] && c == tm[2] && d == tm[3] && det != 0) {
        const double dx = origin.x - tm[4], dy = origin.y - tm[5];
        number((d * dx - c * dy) / det, 3);
        number((-b * dx + a * dy) / det, 3);
        content_ += "Td ";
      } else {
        for (const double v : {a, b, c, d}) number(v, 5);
        number(origin.x, 3);
        number(origin.y, 3);
        content_ += "Tm ";
      }
      tm[0] = a, tm[1] = b, tm[2] = c, tm[3] = d, tm[4] = origin.x, tm[5] = origin.y;
      current = face;
      content_ += fmt::format("<{:04X}> Tj\n", id);
      continue;
    }
    for (const text::Contour& contour : outlines_->outline(p.font, g.c, 1 / height)) {
      bool first = true;
      for (const geom::Vec2 v : contour) {
        const geom::Vec2 at{origin.x + s * (g.xx * v.x + g.xy * v.y),
                            origin.y - s * (g.yx * v.x + g.yy * v.y)};
        fmt::format_to(std::back_inserter(outline), "{:.2f} {:.2f} {}\n", at.x, at.y,
                       first ? 'm' : 'l');
        first = false;
      }
      if (!first) outline += "h\n";
    }
  }
  if (inText) content_ += "ET\n";
  if (outline.empty()) return;
  if (p.highlighted) {
    setStroke(ink);
    setLine(1, 1, 1, "[6 4] 0 d\n");
    content_ += outline;
    content_ += "S\n";
    return;
  }
  setFill(ink);
  content_ += outline;
  content_ += "f\n";
}

// Each PNG is written once, after the page, and shown through references to it.
void PdfWriter::image(const Primitive& p) {
  auto it = images_.find(p.imageFile);
  if (it == images_.end()) {
    ImageUse use;
    use.file = p.imageFile;
    cairo_surface_t* png = cairo_image_surface_create_from_png(p.imageFile.c_str());
    if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS) {
      use.width = cairo_image_surface_get_width(png);
      use.height = cairo_image_surface_get_height(png);
      use.name = fmt::format("Im{}", images_.size() + 1);
      use.object = newObject();
    }
    cairo_surface_destroy(png);
    it = images_.emplace(p.imageFile, std::move(use)).first;
  }
  const ImageUse& use = it->second;
  if (use.object == 0) return;
  const Affine2 a = imageToPicture(p, view_, use.width, use.height);
  if (!(std::abs(a.x0) < kFarOff && std::abs(a.y0) < kFarOff)) return;
  save();
  path(p.contours, true);
  content_ += "W* n\n";
  // The image fills the unit square, its first row at the top (y = 1).
  const double w = use.width, h = use.height;
  for (const double v : {a.xx * w, a.yx * w, -a.xy * h, -a.yy * h}) number(v, 5);
  number(a.x0 + a.xy * h, 3);
  number(a.y0 + a.yy * h, 3);
  content_ += fmt::format("cm\n/{} Do\n", use.name);
  restore();
}

void PdfWriter::writeImage(const ImageUse& use) {
  cairo_surface_t* png = cairo_image_surface_create_from_png(use.file.c_str());
  std::string rgb, alpha;
  bool opaque = true;
  int width = 0, height = 0;
  if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(png);
    width = cairo_image_surface_get_width(png);
    height = cairo_image_surface_get_height(png);
    const bool hasAlpha = cairo_image_surface_get_format(png) == CAIRO_FORMAT_ARGB32;
    const unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::ptrdiff_t{y} * stride);
      for (int x = 0; x < width; ++x) {
        const std::uint32_t v = row[x];
        const unsigned al = hasAlpha ? v >> 24 : 255u;
        // Cairo keeps colours multiplied by their alpha.
        const auto channel = [&](int shift) {
          const unsigned c = v >> shift & 0xFF;
          return static_cast<char>(al == 0 ? 0 : std::min(255u, (c * 255 + al / 2) / al));
        };
        rgb += channel(16);
        rgb += channel(8);
        rgb += channel(0);
        alpha += static_cast<char>(al);
        opaque = opaque && al == 255;
      }
    }
  }
  cairo_surface_destroy(png);
  if (width != use.width || height != use.height) {
    // The file changed under us; a blank image of the size already placed.
    width = use.width;
    height = use.height;
    rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, '\xFF');
    opaque = true;
  }
  std::string mask;
  if (!opaque) {
    const int maskObject = newObject();
    stream(maskObject,
           fmt::format("/Type /XObject /Subtype /Image /Width {} /Height {} /ColorSpace "
                       "/DeviceGray /BitsPerComponent 8",
                       width, height),
           alpha);
    mask = fmt::format(" /SMask {} 0 R", maskObject);
  }
  stream(use.object,
         fmt::format("/Type /XObject /Subtype /Image /Width {} /Height {} /ColorSpace /DeviceRGB "
                     "/BitsPerComponent 8{}",
                     width, height, mask),
         rgb);
}

void PdfWriter::writeShading(const ShadingKey& key, const ShadingUse& use) {
  const auto [kind, first, second] = key;
  const auto rgb = [](unsigned c) {
    return colorText({static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                      static_cast<std::uint8_t>(c)});
  };
  const auto ramp = [&](unsigned from, unsigned to) {
    return fmt::format("<< /FunctionType 2 /Domain [0 1] /C0 [{}] /C1 [{}] /N 1 >>", rgb(from),
                       rgb(to));
  };
  std::string function;
  if (kind == 1)
    function = fmt::format(
        "<< /FunctionType 3 /Domain [0 1] /Functions [{} {}] /Bounds [0.5] /Encode [0 1 0 1] >>",
        ramp(first, second), ramp(second, first));
  else if (kind == 2)
    function = ramp(second, first);  // the second colour in the middle
  else
    function = ramp(first, second);
  beginObject(use.object);
  emit(fmt::format(
      "<< /ShadingType {} /ColorSpace /DeviceRGB /Coords [{}] /Function {} /Extend [true true] "
      ">>\nendobj\n",
      kind == 2 ? 3 : 2, kind == 2 ? "0 0 0 0 0 1" : "0 0 1 0", function));
}

void PdfWriter::writeFont(const text::FontFace& face, const FontUse& use) {
  const text::FontFace::Description d = face.describe();
  std::ifstream in(face.path(), std::ios::binary);
  const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::set<unsigned> ids;
  for (const auto& [id, c] : use.glyphs) ids.insert(id);
  const auto program = fontProgram(file, face.index(), ids);
  const double perEm = 1000.0 / std::max(1, d.unitsPerEm);
  const auto units = [&](int v) { return static_cast<int>(std::lround(v * perEm)); };
  // A subset is named with a tag of its own, so a reader never takes it for the whole font.
  std::string tag;
  std::uint32_t hash = 2166136261u;
  for (const unsigned id : ids) hash = (hash ^ id) * 16777619u;
  for (int i = 0; i < 6; ++i, hash /= 26) tag += static_cast<char>('A' + hash % 26);
  const std::string baseName = (program && !program->compactOutlines ? tag + "+" : "") +
                               nameText(d.postscriptName.empty() ? d.family : d.postscriptName);

  const int descendant = newObject(), descriptor = newObject(), toUnicode = newObject();
  int fontFile = 0;
  if (program) {
    fontFile = newObject();
    stream(fontFile,
           program->compactOutlines ? std::string("/Subtype /OpenType")
                                    : fmt::format("/Length1 {}", program->bytes.size()),
           program->bytes);
  }
  beginObject(descriptor);
  emit(fmt::format(
      "<< /Type /FontDescriptor /FontName /{} /Flags {} /FontBBox [{} {} {} {}] /ItalicAngle {} "
      "/Ascent {} /Descent {} /CapHeight {} /StemV 80{} >>\nendobj\n",
      baseName, 32 | (d.fixedPitch ? 1 : 0) | (d.italic ? 64 : 0), units(d.xMin), units(d.yMin),
      units(d.xMax), units(d.yMax), d.italic ? -12 : 0, units(d.ascender), units(d.descender),
      units(d.capHeight),
      fontFile ? fmt::format(" /{} {} 0 R", program->compactOutlines ? "FontFile3" : "FontFile2",
                             fontFile)
               : ""));
  // Widths of the glyphs used, for readers that select text by them.
  std::string widths;
  for (const unsigned id : ids) widths += fmt::format("{} [{}] ", id, units(face.advance(id)));
  beginObject(descendant);
  emit(fmt::format(
      "<< /Type /Font /Subtype /{} /BaseFont /{} /CIDSystemInfo << /Registry (Adobe) /Ordering "
      "(Identity) /Supplement 0 >> /FontDescriptor {} 0 R /W [{}]{} >>\nendobj\n",
      program && program->compactOutlines ? "CIDFontType0" : "CIDFontType2", baseName, descriptor,
      widths, program && program->compactOutlines ? "" : " /CIDToGIDMap /Identity"));
  // Glyph ids back to the characters, so the text can be searched and copied.
  std::string map =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo << "
      "/Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n/CMapName /Adobe-Identity-UCS "
      "def\n/CMapType 2 def\n1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  std::size_t inBlock = 0;
  for (auto it = use.glyphs.begin(); it != use.glyphs.end(); ++it) {
    if (inBlock == 0)
      map += fmt::format("{} beginbfchar\n",
                         std::min<std::size_t>(100, std::distance(it, use.glyphs.end())));
    const char32_t c = it->second;
    std::string utf16;
    if (c >= 0x10000)
      utf16 = fmt::format("{:04X}{:04X}", 0xD800 + ((c - 0x10000) >> 10),
                          0xDC00 + ((c - 0x10000) & 0x3FF));
    else
      utf16 = fmt::format("{:04X}", static_cast<unsigned>(c));
    map += fmt::format("<{:04X}> <{}>\n", it->first, utf16);
    if (++inBlock == 100) {
      map += "endbfchar\n";
      inBlock = 0;
    }
  }
  if (inBlock) map += "endbfchar\n";
  map += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  stream(toUnicode, "", map);
  beginObject(use.object);
  emit(fmt::format(
      "<< /Type /Font /Subtype /Type0 /BaseFont /{} /Encoding /Identity-H /DescendantFonts [{} 0 "
      "R] /ToUnicode {} 0 R >>\nendobj\n",
      baseName, descendant, toUnicode));
}

void PdfWriter::finish() {
  if (finished_) return;
  finished_ = true;
  for (; clipDepth_ > 0; --clipDepth_) restore();
  flushContent(true);

  std::string resources = "<< /Font <<";
  for (const auto& [face, use] : fonts_) {
    writeFont(*face, use);
    resources += fmt::format(" /{} {} 0 R", use.name, use.object);
  }
  resources += " >> /XObject <<";
  for (const auto& [file, use] : images_)
    if (use.object) {
      writeImage(use);
      resources += fmt::format(" /{} {} 0 R", use.name, use.object);
    }
  resources += " >> /Shading <<";
  for (const auto& [key, use] : shadings_) {
    writeShading(key, use);
    resources += fmt::format(" /{} {} 0 R", use.name, use.object);
  }
  resources += " >> >>";
  std::string contents;
  for (const int object : contentObjects_) contents += fmt::format(" {} 0 R", object);
  beginObject(3);
  emit(fmt::format(
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {} {}] /Contents [{} ] /Resources {} >>\n"
      "endobj\n",
      view_.width, view_.height, contents, resources));
  beginObject(2);
  emit("<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
  beginObject(1);
  emit("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  const std::size_t index = offset_;
  std::string xref = fmt::format("xref\n0 {}\n0000000000 65535 f \n", offsets_.size());
  for (std::size_t i = 1; i < offsets_.size(); ++i)
    xref += fmt::format("{:010d} 00000 n \n", offsets_[i]);
  xref += fmt::format("trailer\n<< /Size {} /Root 1 0 R >>\nstartxref\n{}\n%%EOF\n",
                      offsets_.size(), index);
  emit(xref);
}

}  // namespace kx::render
