#include "render/svg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "render/glyph_outlines.h"
#include "render/painter.h"
#include "render/text_faces.h"
#include "support/utf8.h"

namespace kx::render {
namespace {

constexpr std::size_t kFlushAt = 1 << 16;

std::string hex(Rgb c) {
  return fmt::format("#{:02x}{:02x}{:02x}", c.r, c.g, c.b);
}

void appendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters have no place in XML.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
}

double clampedCoordinate(double v) {
  return std::isfinite(v) ? std::clamp(v, -kFarOff, kFarOff) : 0;
}

// A PNG file's width and height in pixels, from its header.
std::optional<std::pair<int, int>> pngSize(std::string_view bytes) {
  constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
  if (bytes.size() < 24 || bytes.substr(0, 8) != kSignature || bytes.substr(12, 4) != "IHDR")
    return std::nullopt;
  const auto bigEndian = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  const std::uint32_t w = bigEndian(16), h = bigEndian(20);
  if (w == 0 || h == 0 || w > 1u << 30 || h > 1u << 30) return std::nullopt;
  return std::pair{static_cast<int>(w), static_cast<int>(h)};
}

std::string base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k)
      v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

}  // namespace

SvgWriter::SvgWriter(Output output, const View& view, Rgb background)
    : output_(std::move(output)),
      view_(view),
      background_(background),
      outlines_(std::make_unique<GlyphOutlines>()),
      faces_(std::make_unique<TextFaces>()) {
  buffer_ += fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{}\" height=\"{}\" "
      "viewBox=\"0 0 {} {}\">\n<rect width=\"100%\" height=\"100%\" fill=\"{}\"/>\n",
      view.width, view.height, view.width, view.height, hex(background));
}

SvgWriter::~SvgWriter() = default;

void SvgWriter::finish() {
  if (finished_) return;
  for (; clipDepth_ > 0; --clipDepth_) buffer_ += "</g>\n";
  if (inLayer_) buffer_ += "</g>\n";
  inLayer_ = false;
  buffer_ += "</svg>\n";
  finished_ = true;
  flush(true);
}

void SvgWriter::flush(bool always) {
  if (buffer_.empty() || (!always && buffer_.size() < kFlushAt)) return;
  output_(buffer_);
  buffer_.clear();
}

void SvgWriter::add(Primitive p) {
  // Groups by layer at the top level; what a viewport clips sits in its clip's group.
  if (clipDepth_ == 0 && p.kind != PrimitiveKind::ClipEnd && (!inLayer_ || p.layer != layer_)) {
    if (inLayer_) buffer_ += "</g>\n";
    layer_ = p.layer;
    buffer_ += "<g data-layer=\"";
    appendEscaped(buffer_, layer_);
    buffer_ += "\">\n";
    inLayer_ = true;
  }
  write(p);
  flush(false);
}

std::string SvgWriter::pathData(const std::vector<Polyline2>& contours, bool closed) const {
  std::string d;
  for (const Polyline2& c : contours) {
    bool first = true;
    for (const geom::Vec2 w : c) {
      if (!std::isfinite(w.x) || !std::isfinite(w.y)) continue;
      const geom::Vec2 p = view_.toPicture(w);
      fmt::format_to(std::back_inserter(d), "{}{:.2f} {:.2f}", first ? "M" : "L",
                     clampedCoordinate(p.x), clampedCoordinate(p.y));
      first = false;
    }
    if (closed && !first) d += "Z";
  }
  return d;
}

std::string SvgWriter::clipId(const std::vector<Polyline2>& contours) {
  const std::string id = fmt::format("c{}", ++nextId_);
  buffer_ += fmt::format("<clipPath id=\"{}\"><path clip-rule=\"evenodd\" d=\"{}\"/></clipPath>\n",
                         id, pathData(contours, true));
  return id;
}

void SvgWriter::write(const Primitive& p) {
  const std::string color = hex(inkOn(background_, p.color));
  std::string clip;
  if (!p.clip.empty()) clip = fmt::format(" clip-path=\"url(#{})\"", clipId(p.clip));
  const std::string dashed = p.highlighted ? " stroke-dasharray=\"6 4\"" : "";
  const std::string rule = p.fillRule == FillRule::EvenOdd ? "evenodd" : "nonzero";
  switch (p.kind) {
    case PrimitiveKind::Stroke: {
      const double width = std::max(p.worldWidth * view_.scale, p.pixelWidth);
      std::string d;
      if (p.unbounded != Unbounded::No) {
        if (const auto s = unboundedSegment(p, view_))
          d = fmt::format("M{:.2f} {:.2f}L{:.2f} {:.2f}", s->first.x, s->first.y, s->second.x,
                          s->second.y);
      } else {
        d = pathData(p.contours, p.closed);
      }
      for (const Polyline2& c : p.contours)
        if (c.size() == 1 && p.unbounded == Unbounded::No) {
          const geom::Vec2 at = view_.toPicture(c[0]);
          buffer_ +=
              fmt::format("<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"{:.2f}\" fill=\"{}\"/>\n",
                          clampedCoordinate(at.x), clampedCoordinate(at.y), width / 2 + 0.5, color);
        }
      if (d.empty()) break;
      std::string pattern = dashed;
      const bool cap = p.worldWidth > 0;
      if (!p.highlighted && !p.dashes.solid() && p.dashes.period() * view_.scale >= 3 * width) {
        const DashPattern inPixels = p.dashes.scaled(view_.scale);
        pattern = " stroke-dasharray=\"";
        for (std::size_t i = 0; i < inPixels.lengths.size(); ++i)
          pattern += fmt::format("{}{:.2f}", i ? " " : "", inPixels.lengths[i]);
        pattern += fmt::format("\" stroke-dashoffset=\"{:.2f}\"", inPixels.offset);
      }
      buffer_ += fmt::format(
          "<path d=\"{}\" fill=\"none\" stroke=\"{}\" stroke-width=\"{:.2f}\" "
          "stroke-linecap=\"{}\" stroke-linejoin=\"{}\"{}{}/>\n",
          d, color, width, cap ? "butt" : "round", cap ? "miter" : "round", pattern, clip);
      break;
    }
    case PrimitiveKind::Fill:
    case PrimitiveKind::Background: {
      const std::string d = pathData(p.contours, true);
      if (d.empty()) break;
      std::string paint = p.kind == PrimitiveKind::Background ? hex(background_) : color;
      if (p.kind == PrimitiveKind::Fill && p.gradient.kind != Gradient::Kind::None &&
          !p.highlighted) {
        Extents box;
        for (const Polyline2& c : p.contours)
          for (const geom::Vec2 w : c) box.add(view_.toPicture(w));
        const Gradient& g = p.gradient;
        const Rgb a = g.inverted ? g.second : g.first, b = g.inverted ? g.first : g.second;
        const std::string id = fmt::format("g{}", ++nextId_);
        const double cx = (box.xMin + box.xMax) / 2, cy = (box.yMin + box.yMax) / 2;
        if (g.kind == Gradient::Kind::Spherical) {
          buffer_ += fmt::format(
              "<radialGradient id=\"{}\" gradientUnits=\"userSpaceOnUse\" cx=\"{:.2f}\" "
              "cy=\"{:.2f}\" r=\"{:.2f}\"><stop offset=\"0\" stop-color=\"{}\"/>"
              "<stop offset=\"1\" stop-color=\"{}\"/></radialGradient>\n",
              id, cx, cy, std::hypot(box.xMax - box.xMin, box.yMax - box.yMin) / 2, hex(b), hex(a));
        } else {
          const double dx = std::cos(g.angle), dy = -std::sin(g.angle);
          const double half =
              std::abs(dx) * (box.xMax - box.xMin) / 2 + std::abs(dy) * (box.yMax - box.yMin) / 2;
          std::string stops = fmt::format("<stop offset=\"0\" stop-color=\"{}\"/>", hex(a));
          if (g.kind == Gradient::Kind::Cylinder)
            stops += fmt::format(
                "<stop offset=\"0.5\" stop-color=\"{}\"/><stop offset=\"1\" "
                "stop-color=\"{}\"/>",
                hex(b), hex(a));
          else
            stops += fmt::format("<stop offset=\"1\" stop-color=\"{}\"/>", hex(b));
          buffer_ += fmt::format(
              "<linearGradient id=\"{}\" gradientUnits=\"userSpaceOnUse\" x1=\"{:.2f}\" "
              "y1=\"{:.2f}\" x2=\"{:.2f}\" y2=\"{:.2f}\">{}</linearGradient>\n",
              id, cx - dx * half, cy - dy * half, cx + dx * half, cy + dy * half, stops);
        }
        paint = fmt::format("url(#{})", id);
      }
      if (p.highlighted)
        buffer_ += fmt::format("<path d=\"{}\" fill=\"{}\" fill-rule=\"{}\" stroke=\"{}\"{}{}/>\n",
                               d, p.kind == PrimitiveKind::Background ? paint : "none", rule, color,
                               dashed, clip);
      else
        buffer_ +=
            fmt::format("<path d=\"{}\" fill=\"{}\" fill-rule=\"{}\"{}/>\n", d, paint, rule, clip);
      break;
    }
    case PrimitiveKind::Dot:
      for (const Polyline2& c : p.contours)
        for (const geom::Vec2 w : c) {
          const geom::Vec2 at = view_.toPicture(w);
          buffer_ += fmt::format("<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"{:.2f}\" fill=\"{}\"/>\n",
                                 clampedCoordinate(at.x), clampedCoordinate(at.y),
                                 std::max(1.5, p.pixelWidth), color);
        }
      break;
    case PrimitiveKind::Glyphs:
      text(p, color);
      break;
    case PrimitiveKind::Image:
      image(p);
      break;
    case PrimitiveKind::ClipBegin:
      buffer_ += fmt::format("<g clip-path=\"url(#{})\">\n", clipId(p.contours));
      ++clipDepth_;
      break;
    case PrimitiveKind::ClipEnd:
      if (clipDepth_ > 0) {
        buffer_ += "</g>\n";
        --clipDepth_;
      }
      break;
  }
}

// Each PNG is written once, at its first use, and shown through references to it after that.
void SvgWriter::image(const Primitive& p) {
  auto it = images_.find(p.imageFile);
  if (it == images_.end()) {
    std::ifstream in(p.imageFile, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::optional<ImageRef> ref;
    if (const auto size = pngSize(bytes)) {
      ref = ImageRef{fmt::format("i{}", ++nextId_), size->first, size->second};
      buffer_ += fmt::format(
          "<defs><image id=\"{}\" width=\"{}\" height=\"{}\" preserveAspectRatio=\"none\" "
          "href=\"data:image/png;base64,{}\"/></defs>\n",
          ref->id, ref->width, ref->height, base64(bytes));
    }
    it = images_.emplace(p.imageFile, std::move(ref)).first;
  }
  if (!it->second) return;
  const ImageRef& ref = *it->second;
  const Affine2 a = imageToPicture(p, view_, ref.width, ref.height);
  if (!(std::abs(a.x0) < kFarOff && std::abs(a.y0) < kFarOff)) return;
  // The clip is in the picture's coordinates, so it goes on a group around the placed image.
  buffer_ += fmt::format(
      "<g clip-path=\"url(#{})\"><use href=\"#{}\" transform=\"matrix({:.6g} {:.6g} {:.6g} "
      "{:.6g} {:.2f} {:.2f})\"/></g>\n",
      clipId(p.contours), ref.id, a.xx, a.yx, a.xy, a.yy, a.x0, a.y0);
}

// Glyphs from a font file are text elements, one per glyph at the glyph's own place and size;
// the others (fallbacks, boxes, highlighted texts) are their outlines.
void SvgWriter::text(const Primitive& p, const std::string& color) {
  if (!p.font) return;
  const double s = view_.scale;
  std::string outline;
  // The glyphs written as text: one text element with each character's place when they share
  // their size, slant and direction (a line of text), else one element each.
  struct Placed {
    const GlyphPlacement* glyph;
    const TextFace* face;
  };
  std::vector<Placed> placed;
  for (const GlyphPlacement& g : p.glyphs) {
    const auto shown = shownGlyph(g, view_);
    if (!shown) continue;
    const auto [origin, height] = *shown;
    const TextFace* face = p.highlighted ? nullptr : faces_->faceFor(p.font, g.c);
    if (face) {
      placed.push_back({&g, face});
      continue;
    }
    for (const text::Contour& c : outlines_->outline(p.font, g.c, 1 / height)) {
      bool first = true;
      for (const geom::Vec2 v : c) {
        const geom::Vec2 at{origin.x + s * (g.xx * v.x + g.xy * v.y),
                            origin.y - s * (g.yx * v.x + g.yy * v.y)};
        fmt::format_to(std::back_inserter(outline), "{}{:.2f} {:.2f}", first ? "M" : "L", at.x,
                       at.y);
        first = false;
      }
      if (!first) outline += "Z";
    }
  }
  if (!placed.empty()) {
    const GlyphPlacement& first = *placed.front().glyph;
    const TextFace& face = *placed.front().face;
    const bool oneLine = std::all_of(placed.begin(), placed.end(), [&](const Placed& q) {
      return q.face == &face && q.glyph->xx == first.xx && q.glyph->yx == first.yx &&
             q.glyph->xy == first.xy && q.glyph->yy == first.yy;
    });
    buffer_ += "<g font-family=\"";
    appendEscaped(buffer_, face.family);
    buffer_ += fmt::format("\" font-size=\"100\" fill=\"{}\" xml:space=\"preserve\">", color);
    const auto element = [&](std::size_t from, std::size_t to) {
      const GlyphPlacement& g = *placed[from].glyph;
      const double k = placed[from].face->emPerHeight / 100;  // written at font size 100
      const double a = s * g.xx * k, b = -s * g.yx * k, c = -s * g.xy * k, d = s * g.yy * k;
      const geom::Vec2 origin = view_.toPicture({g.x0, g.y0});
      std::string xs, ys, characters;
      const double det = a * d - b * c;
      for (std::size_t i = from; i < to; ++i) {
        const geom::Vec2 at = view_.toPicture({placed[i].glyph->x0, placed[i].glyph->y0});
        const double dx = at.x - origin.x, dy = at.y - origin.y;
        fmt::format_to(std::back_inserter(xs), "{}{:.2f}", i > from ? " " : "",
                       det != 0 ? (d * dx - c * dy) / det : 0);
        fmt::format_to(std::back_inserter(ys), "{}{:.2f}", i > from ? " " : "",
                       det != 0 ? (-b * dx + a * dy) / det : 0);
        support::appendUtf8(characters, placed[i].glyph->c);
      }
      buffer_ += fmt::format(
          "<text transform=\"matrix({:.6g} {:.6g} {:.6g} {:.6g} {:.2f} {:.2f})\" x=\"{}\" "
          "y=\"{}\">",
          a, b, c, d, origin.x, origin.y, xs, ys);
      appendEscaped(buffer_, characters);
      buffer_ += "</text>";
    };
    if (oneLine)
      element(0, placed.size());
    else
      for (std::size_t i = 0; i < placed.size(); ++i) element(i, i + 1);
    buffer_ += "</g>\n";
  }
  if (!outline.empty()) {
    if (p.highlighted)
      buffer_ +=
          fmt::format("<path d=\"{}\" fill=\"none\" stroke=\"{}\" stroke-dasharray=\"6 4\"/>\n",
                      outline, color);
    else
      buffer_ +=
          fmt::format("<path d=\"{}\" fill=\"{}\" fill-rule=\"nonzero\"/>\n", outline, color);
  }
}

}  // namespace kx::render
