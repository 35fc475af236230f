#include "render/scene_builder.h"

#include <cmath>
#include <exception>
#include <functional>
#include <map>
#include <set>

#include <fmt/format.h>

#include "db/block_placement.h"
#include "db/followers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "render/block_catalog.h"
#include "render/entity_shapes.h"
#include "render/layer_styles.h"
#include "render/linetypes.h"
#include "render/text_shapes.h"

namespace kx::render {
namespace {

using geom::Matrix3d;
using geom::Vec2;
using geom::Vec3;

Vec3 vec(db::Point3 p) {
  return {p.x, p.y, p.z};
}

bool isLayerZero(std::string_view name) {
  return name == "0";
}

// What an entity inherits from the block reference it is drawn through.
struct Context {
  Matrix3d toWorld;
  // The layer of the reference, for entities on layer 0, which take the layer of the reference
  // they are drawn through. Null outside blocks.
  const LayerStyle* referenceLayer = nullptr;
  Rgb byBlockColor{0, 0, 0};  // colour 0 outside blocks draws like colour 7
  int byBlockLineweight = -3;
  const DashPattern* byBlockLinetype = nullptr;  // null: solid
  int depth = 0;
};

// Glyphs of the texts a complex linetype writes along a stroke, one primitive for each of the
// pattern's texts, after the stroke with everything else it has.
std::vector<Primitive> linetypeTexts(const Primitive& stroke) {
  constexpr int kMaxPeriods = 100'000;  // a pattern too fine to show anything
  std::vector<Primitive> out;
  const double period = stroke.dashes.period();
  if (!(period > 0)) return out;
  for (const LinetypeText& t : stroke.dashes.texts) {
    Primitive p;
    p.kind = PrimitiveKind::Glyphs;
    p.color = stroke.color;
    p.layer = stroke.layer;
    p.highlighted = stroke.highlighted;
    p.font = t.font;
    for (Polyline2 c : stroke.contours) {
      if (stroke.closed && c.size() > 2) c.push_back(c.front());
      double start = 0;  // of segment i along the line
      std::size_t i = 0;
      for (int k = 0; k < kMaxPeriods && i + 1 < c.size(); ++k) {
        const double at = t.at + k * period;
        while (i + 1 < c.size() && start + (c[i + 1] - c[i]).length() < at) {
          start += (c[i + 1] - c[i]).length();
          ++i;
        }
        if (i + 1 >= c.size()) break;
        const double segment = (c[i + 1] - c[i]).length();
        if (!(segment > 0)) continue;
        const Vec2 u = (c[i + 1] - c[i]) * (1 / segment), n{-u.y, u.x};
        const Vec2 origin = c[i] + u * (at - start + t.along) + n * t.across;
        const double angle = t.absolute ? t.rotation : std::atan2(u.y, u.x) + t.rotation;
        const double cs = std::cos(angle), sn = std::sin(angle), h = t.height;
        double pen = 0;
        for (std::size_t j = 0; j < t.text.size(); ++j) {
          const char32_t ch = t.text[j];
          const Vec2 at0 = origin + Vec2{cs, sn} * (pen * h * t.widthFactor);
          p.glyphs.push_back(
              {ch, cs * h * t.widthFactor, sn * h * t.widthFactor, -sn * h, cs * h, at0.x, at0.y});
          pen += t.font->metrics(ch).advance +
                 (j + 1 < t.text.size() ? t.font->kerning(ch, t.text[j + 1]) : 0);
        }
      }
    }
    if (!p.glyphs.empty()) out.push_back(std::move(p));
  }
  return out;
}

// A stroke cut into one contour a segment, so that its pattern starts again at each vertex: a
// pattern restarts with each contour. `restarts`: where the vertices after the first fall.
void restartAtVertices(Primitive& stroke, const std::vector<std::size_t>& restarts) {
  if (restarts.empty() || stroke.contours.size() != 1) return;
  Polyline2 line = std::move(stroke.contours[0]);
  if (stroke.closed) line.push_back(line.front());
  stroke.contours.clear();
  stroke.closed = false;
  std::size_t from = 0;
  for (const std::size_t to : restarts) {
    if (to >= line.size() || to <= from) break;
    stroke.contours.emplace_back(line.begin() + static_cast<std::ptrdiff_t>(from),
                                 line.begin() + static_cast<std::ptrdiff_t>(to) + 1);
    from = to;
  }
}

struct EntityLook {
  const LayerStyle* layer = nullptr;
  Rgb color;
  int lineweight = -3;
  const DashPattern* linetype = nullptr;  // null: solid
  double linetypeScale = 1;               // the entity's own (48)
};

class SceneBuilder {
 public:
  SceneBuilder(const db::Database& db, const SceneRequest& request, PrimitiveSink& sink,
               std::vector<std::string>& notices)
      : db_(db),
        limits_(request.limits),
        highlighted_(request.highlighted ? *request.highlighted : noneHighlighted_),
        layout_(request.layout),
        progress_(request.progress),
        sink_(sink),
        notices_(notices),
        layers_(db),
        linetypes_(db),
        blocks_(db) {
    options_.wipeoutFrame = wipeoutFrameShown();
    options_.imageFolder = request.imageFolder;
  }

  void run() {
    const BlockDefinition* layoutBlock =
        layout_.empty() ? &blocks_.shownSpace() : blocks_.layout(layout_);
    if (!layoutBlock)
      throw std::runtime_error(fmt::format("the drawing has no layout {}", layout_));
    const BlockDefinition& shown = *layoutBlock;
    paper_ = &shown != blocks_.find("*Model_Space");
    drawBlock(shown, Context{});
    for (const auto& [type, count] : notDrawn_)
      notices_.push_back(fmt::format("{} {} {} not drawn", count,
                                     count == 1 ? type : type + " entities",
                                     count == 1 ? "is" : "are"));
  }

 private:
  bool wipeoutFrameShown() const {
    const db::Section* objects = db_.findSection("OBJECTS");
    if (!objects) return true;
    for (db::ObjectId id : objects->records)
      if (db_.isType(id, "WIPEOUTVARIABLES") && !db_.isErased(id))
        return db::FieldReader(db_, id).integer(70) != 0;
    return true;
  }

  void notice(const std::string& text) {
    if (reported_.insert(text).second) notices_.push_back(text);
  }

  bool overBudget() {
    if (sink_.pointCount() <= limits_.maxPoints && visits_ <= limits_.maxVisits) return false;
    notice("the drawing multiplies into more than a picture can hold; the picture was cut short");
    return true;
  }

  EntityLook lookOf(const db::FieldReader& f, const Context& ctx) const {
    EntityLook look;
    const std::string_view layerName = f.rawText(8).value_or("0");
    look.layer = isLayerZero(layerName) && ctx.referenceLayer ? ctx.referenceLayer
                                                              : &layers_.find(layerName);
    if (f.locate(420)) {
      look.color = trueColor(f.integer(420));
    } else {
      const long long aci = f.integer(62);
      look.color = aci == 0     ? ctx.byBlockColor
                   : aci == 256 ? look.layer->color
                                : aciColor(static_cast<int>(std::llabs(aci)));
    }
    const long long weight = f.integer(370);
    look.lineweight = weight == -1   ? look.layer->lineweight
                      : weight == -2 ? ctx.byBlockLineweight
                                     : static_cast<int>(weight);
    const std::string_view linetype = f.rawText(6).value_or("ByLayer");
    look.linetype = db::sameTableName(linetype, "ByBlock") ? ctx.byBlockLinetype
                    : db::sameTableName(linetype, "ByLayer")
                        ? &linetypes_.find(look.layer->linetype)
                        : &linetypes_.find(linetype);
    look.linetypeScale = f.real(48);
    return look;
  }

  void drawBlock(const BlockDefinition& block, const Context& ctx) {
    active_.push_back(&block);
    ++visits_;
    const bool top = ctx.depth == 0 && !viewing_;
    std::size_t done = 0;
    for (db::ObjectId id : block.entities) {
      if (overBudget()) break;
      ++visits_;
      if (top && progress_ && ++done % 4096 == 0)
        progress_(static_cast<double>(done) / static_cast<double>(block.entities.size()));
      // What a highlighted reference draws is highlighted with it.
      const bool outer = highlighting_;
      if (ctx.depth == 0 && !viewing_) highlighting_ = highlighted_.contains(id);
      drawEntity(id, ctx);
      highlighting_ = outer;
    }
    active_.pop_back();
  }

  void drawEntity(db::ObjectId id, const Context& ctx) {
    const db::FieldReader f(db_, id);
    const EntityLook look = lookOf(f, ctx);
    if (look.layer->frozen || f.integer(60) == 1) return;
    const std::string_view type = db_.typeName(id);
    if (type == "INSERT" || type == "DIMENSION") {
      drawReference(id, f, look, ctx);
      return;
    }
    if (look.layer->off) return;
    if (type == "VIEWPORT") {
      drawViewport(f, look, ctx);
      return;
    }
    const long long attributeFlags = type == "ATTDEF" || type == "ATTRIB" ? f.integer(70) : 0;
    if (type == "ATTRIB" && (attributeFlags & 1)) return;  // invisible
    // In a block reference only constant, visible attribute definitions show, with their value;
    // the others are prompts whose answers the reference's attributes carry.
    const bool inReference = type == "ATTDEF" && ctx.depth > 0;
    if (inReference && (attributeFlags & 3) != 2) return;
    if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB" || type == "MTEXT") {
      try {
        emit(textShapes(db_, id, inReference), look, ctx);
      } catch (const std::exception& e) {
        notice(fmt::format("a {} could not be drawn: {}", type, e.what()));
      }
      return;
    }
    if (!drawsAsShapes(type)) {
      if (countedNotDrawn_.insert(id).second) ++notDrawn_[std::string(type)];
      return;
    }
    const std::vector<db::ObjectId> vertices =
        type == "POLYLINE" ? db::followers(db_, id) : std::vector<db::ObjectId>{};
    emit(entityShapes(db_, id, vertices, options_), look, ctx, true);
  }

  // What a block drawn by an entity takes from it: its layer for layer 0, and "by block".
  static Context innerContext(const EntityLook& look, const Context& ctx) {
    Context inner;
    inner.referenceLayer = look.layer;
    inner.byBlockColor = look.color;
    inner.byBlockLineweight = look.lineweight;
    inner.byBlockLinetype = look.linetype;
    inner.depth = ctx.depth + 1;
    return inner;
  }

  // A block an entity draws as part of itself (an arrowhead); one it is inside of is left out.
  void drawBlockShape(const Shape& shape, const EntityLook& look, const Context& ctx) {
    const BlockDefinition* block = blocks_.find(shape.block);
    if (!block || std::find(active_.begin(), active_.end(), block) != active_.end() ||
        ctx.depth >= limits_.maxNesting)
      return;
    Context inner = innerContext(look, ctx);
    inner.byBlockColor = shapeColor(shape, look, ctx);  // a colour of its own, when it has one
    inner.toWorld = ctx.toWorld * shape.blockPlacement * Matrix3d::translation(-block->basePoint);
    drawBlock(*block, inner);
  }

  // INSERT: the block at the insertion point, scaled, rotated, in the plane of its normal,
  // repeated over its columns and rows, then its attributes. DIMENSION: its block as it is.
  void drawReference(db::ObjectId id, const db::FieldReader& f, const EntityLook& look,
                     const Context& ctx) {
    const bool insert = db_.isType(id, "INSERT");
    const std::string_view name = f.rawText(2).value_or("");
    const BlockDefinition* block = name.empty() ? nullptr : blocks_.find(name);
    if (!block) {
      if (!name.empty()) notice(fmt::format("block {} is not in the drawing", name));
    } else if (std::find(active_.begin(), active_.end(), block) != active_.end()) {
      notice(fmt::format("block {} contains itself; it is drawn once", name));
    } else if (ctx.depth >= limits_.maxNesting) {
      notice(fmt::format("blocks nested deeper than {} are not drawn", limits_.maxNesting));
    } else {
      Context inner = innerContext(look, ctx);
      if (insert) {
        const db::InsertPlacement placement = db::insertPlacement(db_, id, block->basePoint);
        for (long long r = 0; r < placement.rows && !overBudget(); ++r)
          for (long long c = 0; c < placement.columns && !overBudget(); ++c) {
            inner.toWorld = ctx.toWorld * placement.cell(r, c);
            drawBlock(*block, inner);
          }
      } else {
        const Matrix3d unbase = Matrix3d::translation(-block->basePoint);
        // A dimension's block is drawn in place; group 12, when there, moves it.
        Matrix3d move;
        if (f.locate(12))
          move = Matrix3d::translation(geom::ocsToWorld(vec(f.point(210))).apply(vec(f.point(12))));
        inner.toWorld = ctx.toWorld * move * unbase;
        drawBlock(*block, inner);
      }
    }
    if (!insert) return;
    // Attributes sit where the reference is, and take its colour and lineweight for "by block".
    Context attributes = ctx;
    attributes.byBlockColor = look.color;
    attributes.byBlockLineweight = look.lineweight;
    for (db::ObjectId attribute : db::followers(db_, id))
      if (db_.isType(attribute, "ATTRIB")) drawEntity(attribute, attributes);
  }

  // A paper-space viewport: its frame, and model space seen from above through it. Views from
  // other directions show their frame only.
  void drawViewport(const db::FieldReader& f, const EntityLook& look, const Context& ctx) {
    // Viewport 1 is the sheet itself; status 0 is a viewport turned off.
    if (!paper_ || ctx.depth > 0 || f.integer(69) == 1 || f.integer(68) == 0) return;
    const Vec3 center = vec(f.point(10));
    const double w = f.real(40) / 2, h = f.real(41) / 2;
    if (!(w > 0) || !(h > 0)) return;
    const Points3 frame{center + Vec3{-w, -h, 0}, center + Vec3{w, -h, 0}, center + Vec3{w, h, 0},
                        center + Vec3{-w, h, 0}};
    emit({strokeShape(frame, true)}, look, ctx);

    const Vec3 direction = f.locate(16) ? vec(f.point(16)) : Vec3{0, 0, 1};
    const bool fromAbove = direction.x == 0 && direction.y == 0 && direction.z > 0;
    const double viewHeight = f.real(45);
    if (!fromAbove || !(viewHeight > 0) || viewing_) return;
    const Vec3 viewCenter = vec(f.point(12)), target = vec(f.point(17));
    Context inner = ctx;
    inner.toWorld = ctx.toWorld * Matrix3d::translation(center) * Matrix3d::rotationZ(f.angle(51)) *
                    Matrix3d::scaling(2 * h / viewHeight, 2 * h / viewHeight, 2 * h / viewHeight) *
                    Matrix3d::translation(-(target + Vec3{viewCenter.x, viewCenter.y, 0}));
    Shape clip;
    clip.kind = PrimitiveKind::ClipBegin;
    clip.contours.push_back(frame);
    emit({clip}, look, ctx);
    viewing_ = true;
    drawBlock(*blocks_.find("*Model_Space"), inner);
    viewing_ = false;
    Primitive end;
    end.kind = PrimitiveKind::ClipEnd;
    sink_.add(std::move(end));
  }

  Rgb shapeColor(const Shape& shape, const EntityLook& look, const Context& ctx) const {
    if (shape.trueColor >= 0) return trueColor(shape.trueColor);
    if (shape.aci == 256) return look.color;
    if (shape.aci == 0) return ctx.byBlockColor;
    return aciColor(shape.aci);
  }

  // `patterned`: the entity's strokes follow its linetype.
  void emit(const Shapes& shapes, const EntityLook& look, const Context& ctx,
            bool patterned = false) {
    const Matrix3d& m = ctx.toWorld;
    const double widthScale =
        std::sqrt(std::abs(m.xAxis().x * m.yAxis().y - m.xAxis().y * m.yAxis().x));
    const double patternScale = linetypes_.globalScale() * look.linetypeScale * widthScale;
    const bool dashed = patterned && look.linetype && !look.linetype->solid() && patternScale > 0 &&
                        std::isfinite(patternScale);
    const auto project = [&](const std::vector<Points3>& contours) {
      std::vector<Polyline2> out;
      out.reserve(contours.size());
      for (const Points3& c : contours) {
        Polyline2 line;
        line.reserve(c.size());
        for (const Vec3& p : c) line.push_back(m.apply(p).xy());
        out.push_back(std::move(line));
      }
      return out;
    };
    for (const Shape& shape : shapes) {
      if (!shape.block.empty()) {
        drawBlockShape(shape, look, ctx);
        continue;
      }
      Primitive p;
      p.kind = shape.kind;
      p.color = shapeColor(shape, look, ctx);
      p.contours = project(shape.contours);
      p.clip = project(shape.clip);
      p.closed = shape.closed;
      p.unbounded = shape.unbounded;
      p.fillRule = shape.fillRule;
      p.gradient = shape.gradient;
      p.layer = look.layer->name;
      p.gradient.angle += std::atan2(m.xAxis().y, m.xAxis().x);
      p.pixelWidth = pixelWidthOf(look.lineweight);
      p.worldWidth = shape.width * widthScale;
      std::vector<Primitive> texts;
      if (dashed && shape.kind == PrimitiveKind::Stroke && shape.clip.empty()) {
        p.dashes = look.linetype->scaled(patternScale);
        restartAtVertices(p, shape.patternRestarts);
        texts = linetypeTexts(p);
      }
      p.font = shape.font;
      p.highlighted = highlighting_;
      p.glyphs.reserve(shape.glyphs.size());
      for (const auto& [c, glyphToBlock] : shape.glyphs) {
        const Matrix3d g = m * glyphToBlock;
        p.glyphs.push_back(
            {c, g.xAxis().x, g.xAxis().y, g.yAxis().x, g.yAxis().y, g.origin().x, g.origin().y});
      }
      if (shape.kind == PrimitiveKind::Image) {
        const Matrix3d g = m * shape.imageToBlock;
        p.imageFile = shape.imageFile;
        p.imageWidth = shape.imageWidth;
        p.imageHeight = shape.imageHeight;
        p.imageToWorld = {g.xAxis().x, g.xAxis().y,  g.yAxis().x,
                          g.yAxis().y, g.origin().x, g.origin().y};
      }
      sink_.add(std::move(p));
      for (Primitive& text : texts) sink_.add(std::move(text));
    }
  }

  const db::Database& db_;
  inline static const std::unordered_set<db::ObjectId> noneHighlighted_;
  const SceneLimits& limits_;
  const std::unordered_set<db::ObjectId>& highlighted_;
  std::string layout_;
  const std::function<void(double)>& progress_;
  PrimitiveSink& sink_;
  std::vector<std::string>& notices_;
  LayerStyles layers_;
  Linetypes linetypes_;
  BlockCatalog blocks_;
  ShapeOptions options_;
  std::vector<const BlockDefinition*> active_;
  std::set<std::string> reported_;
  // Kinds of entity the picture leaves out, by name, each entity counted once however many
  // references draw it.
  std::map<std::string, std::size_t> notDrawn_;
  std::unordered_set<db::ObjectId> countedNotDrawn_;
  std::size_t visits_ = 0;
  bool paper_ = false;    // the picture shows paper space
  bool viewing_ = false;  // drawing model space through a viewport
  bool highlighting_ = false;
};

}  // namespace

std::vector<std::string> buildScene(const db::Database& db, PrimitiveSink& sink,
                                    const SceneRequest& request) {
  std::vector<std::string> notices;
  SceneBuilder(db, request, sink, notices).run();
  return notices;
}

BuiltScene buildScene(const db::Database& db, const SceneLimits& limits,
                      const std::unordered_set<db::ObjectId>& highlighted) {
  BuiltScene out;
  SceneRequest request;
  request.limits = limits;
  request.highlighted = &highlighted;
  out.notices = buildScene(db, out.scene, request);
  return out;
}

}  // namespace kx::render
