#include "render/leader_shapes.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "db/entities.h"
#include "db/header_values.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"
#include "render/curves.h"
#include "render/entity_groups.h"
#include "render/text_shapes.h"
#include "support/utf8.h"
#include "text/mtext_entity.h"

namespace kx::render {
namespace {

using geom::Vec3;

// A dimension variable of a leader as written: its own override in the ACAD DSTYLE extended
// data, else its dimension style's; nothing when neither has it.
std::optional<std::string> dimensionValue(const db::Database& db, db::ObjectId id, int code) {
  const auto tags = db.tags(id);
  // After "DSTYLE" and its opening brace, pairs of a variable's code (1070) and its value.
  bool inOverrides = false;
  for (std::size_t i = 0; i + 1 < tags.size(); ++i) {
    if (!inOverrides) {
      inOverrides = tags[i].code == 1000 && db.text(tags[i]) == "DSTYLE" &&
                    tags[i + 1].code == 1002 && db.text(tags[i + 1]) == "{";
      if (inOverrides) ++i;
      continue;
    }
    if (tags[i].code != 1070) break;
    if (Group{1070, db.text(tags[i])}.integer() == code) return std::string(db.text(tags[i + 1]));
    ++i;
  }
  const db::FieldReader f(db, id);
  if (const auto styleName = f.rawText(3)) {
    const db::ObjectId style = db::findTableRecord(db, "DIMSTYLE", db.codec().decode(*styleName));
    if (!style.isNull())
      for (const Group& g : groupsOf(db, style, "AcDbDimStyleTableRecord"))
        if (g.code == code) return std::string(g.text);
  }
  return std::nullopt;
}

// A dimension variable of a leader: its own, its style's, else the drawing's header.
double dimensionReal(const db::Database& db, db::ObjectId id, int code, std::string_view header,
                     double otherwise) {
  if (const auto value = dimensionValue(db, id, code)) return Group{40, *value}.real();
  return db::headerReal(db, header).value_or(otherwise);
}

// The name of the block whose record has `handle`; empty when there is none.
std::string blockNamed(const db::Database& db, std::string_view handle) {
  const db::ObjectId record = db.findByHandle(dxf::parseHex(handle).value_or(0));
  if (record.isNull() || !db.isType(record, "BLOCK_RECORD")) return {};
  return std::string(db::FieldReader(db, record).rawText(2).value_or(""));
}

// The block a leader's arrowhead is drawn with (DIMLDRBLK); empty: the closed filled arrow.
std::string arrowBlock(const db::Database& db, db::ObjectId id) {
  if (const auto handle = dimensionValue(db, id, 341)) return blockNamed(db, *handle);
  return support::toUtf8(db::headerString(db, "$DIMLDRBLK").value_or(L""));
}

// The arrowhead at `tip` of a leader line coming from `from`, in a plane's coordinates: the
// arrow block, one unit an arrow size, pointing along its x axis to its base point; without
// one, the closed filled arrow.
Shape arrowhead(const db::Database& db, const std::string& block, Vec3 tip, Vec3 from,
                double size) {
  const Vec3 along = tip - from;
  if (block.empty() || db::findBlockRecord(db, block).isNull() || !(along.length() > 0))
    return arrowheadShape(tip, from, size);
  const Vec3 x = geom::normalized(along) * size;
  Shape head;
  head.block = block;
  head.blockPlacement = geom::Matrix3d({x.x, x.y, 0}, {-x.y, x.x, 0}, {0, 0, size}, tip);
  return head;
}

double dimensionScale(const db::Database& db, db::ObjectId id) {
  const double scale = dimensionReal(db, id, 40, "$DIMSCALE", 1);
  return scale > 0 && std::isfinite(scale) ? scale : 1;
}

}  // namespace

Shape arrowheadShape(Vec3 tip, Vec3 from, double size) {
  Vec3 back = from - tip;
  const double length = back.length();
  if (!(length > 0) || !(size > 0) || !std::isfinite(size)) return {};
  back = back * (1 / length);
  const Vec3 side{-back.y, back.x, 0};
  const Vec3 base = tip + back * size;
  Shape s = fillShape({{tip, base + side * (size / 6), base - side * (size / 6)}});
  return s;
}

Shapes leaderShapes(const db::Database& db, db::ObjectId id) {
  const auto groups = groupsOf(db, id, "AcDbLeader");
  Points3 points;
  bool arrow = true, spline = false;
  Vec3 normal{0, 0, 1};
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (groups[i].code == 10) points.push_back(readPoint(groups, i));
    if (groups[i].code == 71) arrow = groups[i].integer() != 0;
    if (groups[i].code == 72) spline = groups[i].integer() == 1;
    if (groups[i].code == 210) normal = readPoint(groups, i);
  }
  if (points.empty()) return {};
  if (spline) points = curveThrough(points);
  Shapes out;
  if (arrow && points.size() >= 2) {
    const double size = dimensionReal(db, id, 41, "$DIMASZ", 0.18) * dimensionScale(db, id);
    // The arrowhead lies in the leader's plane: its points are world points in that plane.
    const geom::Matrix3d toPlane = geom::ocsToWorld(normal).inverse();
    const geom::Matrix3d fromPlane = geom::ocsToWorld(normal);
    Shape head =
        arrowhead(db, arrowBlock(db, id), toPlane.apply(points[0]), toPlane.apply(points[1]), size);
    head.blockPlacement = fromPlane * head.blockPlacement;
    for (Points3& c : head.contours)
      for (Vec3& p : c) p = fromPlane.apply(p);
    if (!head.contours.empty() || !head.block.empty()) out.push_back(std::move(head));
  }
  out.push_back(strokeShape(std::move(points)));
  return out;
}

Shapes multileaderShapes(const db::Database& db, db::ObjectId id) {
  const auto groups = groupsOf(db, id, "AcDbMLeader");
  struct Branch {
    Vec3 last, dogleg;
    bool hasLast = false, hasDogleg = false;
    double doglegLength = 0;
    std::vector<Points3> lines;
  };
  std::vector<Branch> branches;
  double textHeight = 0, arrowSize = 0, width = 0;
  bool hasText = false, textFlagRead = false;
  std::wstring contents;
  Vec3 textAt, textDirection{1, 0, 0}, textNormal{0, 0, 1};
  long long attachment = 1;
  std::uint64_t textStyle = 0;
  long long leaderType = 1;
  bool dogleg = true;
  std::string arrowHandle, styleHandle;
  // Block content: the block, where it goes (a world point), its scale, rotation and colour.
  bool hasBlock = false;
  std::string contentBlock;
  Vec3 blockAt, blockScale{1, 1, 1}, blockNormal{0, 0, 1};
  double blockRotation = 0;
  long long blockColor = 0;
  // Where the reader is: 0 outside the context, 1 in it, 2 in a leader, 3 in a leader line.
  int level = 0;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const Group& g = groups[i];
    if (g.code >= 300 && g.code <= 305 && (g.text.ends_with("{") || g.text.starts_with("}"))) {
      if (g.code == 300) level = 1;
      if (g.code == 302) {
        level = 2;
        branches.emplace_back();
      }
      if (g.code == 304 && level == 2) {
        level = 3;
        branches.back().lines.emplace_back();
      }
      if (g.code == 305) level = 2;
      if (g.code == 303) level = 1;
      if (g.code == 301) level = 0;
      continue;
    }
    switch (level) {
      case 3:
        if (g.code == 10) branches.back().lines.back().push_back(readPoint(groups, i));
        break;
      case 2: {
        Branch& b = branches.back();
        if (g.code == 10) b.last = readPoint(groups, i);
        if (g.code == 11) b.dogleg = readPoint(groups, i);
        if (g.code == 290) b.hasLast = g.integer() != 0;
        if (g.code == 291) b.hasDogleg = g.integer() != 0;
        if (g.code == 40) b.doglegLength = g.real();
        break;
      }
      case 1:
        if (g.code == 41) textHeight = g.real();
        if (g.code == 140) arrowSize = g.real();
        if (g.code == 290 && !textFlagRead) {  // the first says whether there is a text
          hasText = g.integer() != 0;
          textFlagRead = true;
        }
        if (g.code == 304) contents = db.codec().decode(g.text);
        if (g.code == 11) textNormal = readPoint(groups, i);
        if (g.code == 12) textAt = readPoint(groups, i);
        if (g.code == 13) textDirection = readPoint(groups, i);
        if (g.code == 43) width = g.real();
        if (g.code == 171) attachment = g.integer();
        if (g.code == 340) textStyle = dxf::parseHex(g.text).value_or(0);
        if (g.code == 296) hasBlock = g.integer() != 0;
        if (g.code == 341) contentBlock = blockNamed(db, g.text);
        if (g.code == 14) blockNormal = readPoint(groups, i);
        if (g.code == 15) blockAt = readPoint(groups, i);
        if (g.code == 16) blockScale = readPoint(groups, i);
        if (g.code == 46) blockRotation = g.real();
        if (g.code == 93) blockColor = g.integer();
        break;
      default:
        if (g.code == 170) leaderType = g.integer();
        if (g.code == 291) dogleg = g.integer() != 0;
        if (g.code == 340) styleHandle = g.text;
        if (g.code == 342) arrowHandle = g.text;
        break;
    }
  }
  Shapes out;
  if (leaderType != 0) {
    // The arrow block: the leader's own, else its style's.
    std::string arrow = blockNamed(db, arrowHandle);
    const db::ObjectId style = db.findByHandle(dxf::parseHex(styleHandle).value_or(0));
    if (arrowHandle.empty() && !style.isNull() && db.isType(style, "MLEADERSTYLE"))
      if (const auto handle = db::FieldReader(db, style).rawText(341))
        arrow = blockNamed(db, *handle);
    Shape lines;
    for (Branch& b : branches) {
      for (Points3& line : b.lines) {
        if (b.hasLast) line.push_back(b.last);
        if (leaderType == 2) line = curveThrough(line);
        if (line.size() >= 2) {
          Shape head = arrowhead(db, arrow, line[0], line[1], arrowSize);
          if (!head.contours.empty() || !head.block.empty()) out.push_back(std::move(head));
        }
        lines.contours.push_back(std::move(line));
      }
      if (dogleg && b.hasLast && b.hasDogleg && b.doglegLength > 0)
        lines.contours.push_back({b.last, b.last + b.dogleg * b.doglegLength});
    }
    if (!lines.contours.empty()) out.push_back(std::move(lines));
  }
  if (hasText && !contents.empty() && textHeight > 0) {
    text::MTextEntity entity;
    entity.input.contents = contents;
    entity.input.textHeight = textHeight;
    entity.input.definedWidth = width;
    entity.input.attachment = attachment >= 1 && attachment <= 9 ? static_cast<int>(attachment) : 1;
    const db::ObjectId style = textStyle ? db.findByHandle(textStyle) : db::ObjectId{};
    if (!style.isNull() && db.isType(style, "STYLE")) {
      const db::FieldReader s(db, style);
      entity.input.styleFontFile = std::string(s.rawText(3).value_or("txt"));
      entity.input.styleBigFont = std::string(s.rawText(4).value_or(""));
      entity.input.styleName = s.string(2);
      entity.input.styleWidthFactor = s.real(41);
      entity.input.styleOblique = s.angle(50);
    }
    const Vec3 z = geom::normalized(textNormal);
    const Vec3 x = geom::normalized(textDirection);
    entity.placement = geom::Matrix3d(x, geom::cross(z, x), z, textAt);
    entity.normal = z;
    Shapes text = mtextShapes(entity);
    for (Shape& s : text) out.push_back(std::move(s));
  }
  if (hasBlock && !contentBlock.empty()) {
    Shape content;
    content.block = contentBlock;
    // Its point is a world point; its scale and rotation are in the plane of its normal.
    const geom::Matrix3d plane = geom::ocsToWorld(blockNormal);
    const Vec3 at = plane.inverse().apply(blockAt);
    const double c = std::cos(blockRotation), s = std::sin(blockRotation);
    content.blockPlacement =
        plane * geom::Matrix3d({c * blockScale.x, s * blockScale.x, 0},
                               {-s * blockScale.y, c * blockScale.y, 0}, {0, 0, blockScale.z}, at);
    // Colours as written: 0xC2 and a true colour, 0xC3 and an ACI; others leave the leader's.
    const auto kind = static_cast<unsigned long long>(blockColor) >> 24 & 0xFF;
    if (kind == 0xC2) content.trueColor = blockColor & 0xFFFFFF;
    if (kind == 0xC3) content.aci = static_cast<int>(blockColor & 0xFF);
    out.push_back(std::move(content));
  }
  return out;
}

}  // namespace kx::render
