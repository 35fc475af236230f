#include "editor/selection_prompt.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <exception>
#include <limits>
#include <unordered_set>
#include <utility>

#include "db/block_placement.h"
#include "db/followers.h"
#include "db/groups.h"
#include "db/header_values.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "editor/host_commands.h"
#include "editor/prompts.h"
#include "editor/reply_text.h"
#include "editor/selection_filter.h"
#include "editor/session.h"
#include "editor/system_variables.h"
#include "render/block_catalog.h"
#include "render/entity_shapes.h"
#include "render/layer_styles.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace kx::editor {
namespace {

using geom::Matrix3d;
using geom::Vec2;
using geom::Vec3;

Vec3 vec(db::Point3 p) {
  return {p.x, p.y, p.z};
}

std::vector<std::wstring> words(std::wstring_view text) {
  std::vector<std::wstring> out;
  std::wstring word;
  for (wchar_t c : text) {
    if (c == L' ' || c == L'\t') {
      if (!word.empty()) out.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) out.push_back(std::move(word));
  return out;
}

double segmentDistance(Vec2 p, Vec2 a, Vec2 b) {
  const Vec2 ab = b - a, ap = p - a;
  const double len2 = ab.x * ab.x + ab.y * ab.y;
  const double t = len2 > 0 ? std::clamp((ap.x * ab.x + ap.y * ab.y) / len2, 0.0, 1.0) : 0.0;
  return (p - (a + ab * t)).length();
}

double polylineDistance(Vec2 p, const std::vector<Vec2>& line, bool closed) {
  if (line.empty()) return std::numeric_limits<double>::infinity();
  if (line.size() == 1) return (p - line.front()).length();
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i + 1 < line.size(); ++i)
    best = std::min(best, segmentDistance(p, line[i], line[i + 1]));
  if (closed) best = std::min(best, segmentDistance(p, line.back(), line.front()));
  return best;
}

bool inside(Vec2 p, const std::vector<Vec2>& contour) {
  bool in = false;
  for (std::size_t i = 0, j = contour.size() - 1; i < contour.size(); j = i++) {
    const Vec2 a = contour[i], b = contour[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

}  // namespace

void UcsBox::add(Vec2 p) {
  if (empty) {
    min = max = p;
    empty = false;
    return;
  }
  min = {std::min(min.x, p.x), std::min(min.y, p.y)};
  max = {std::max(max.x, p.x), std::max(max.y, p.y)};
}

// Walks the shown space as a picture would, keeping each entity's outline in UCS coordinates.
class PickScene::Builder {
 public:
  Builder(const Document& doc, PickScene& scene)
      : db_(doc.db()),
        scene_(scene),
        blocks_(doc.db()),
        layers_(doc.db()),
        toUcs_(doc.ucs().toWorld().inverse()) {}

  void build() {
    for (const db::ObjectId id : blocks_.shownSpace().entities) {
      if (db_.isErased(id)) continue;
      Item item;
      item.entity = id;
      top_ = &item;
      visit(id, {}, Matrix3d(), nullptr, 0);
      if (!item.leaves.empty()) {
        scene_.all_.add(item.box.min);
        scene_.all_.add(item.box.max);
        scene_.items_.push_back(std::move(item));
      }
    }
  }

 private:
  static constexpr int kMaxNesting = 32;

  // `containers`: the references `id` is seen through, innermost first.
  void visit(db::ObjectId id, const std::vector<db::ObjectId>& containers, const Matrix3d& toWorld,
             const render::LayerStyle* referenceLayer, int depth) {
    const db::FieldReader f(db_, id);
    const std::string_view layerName = f.rawText(8).value_or("0");
    const bool layerZero = layerName == "0";
    const render::LayerStyle& layer =
        layerZero && referenceLayer ? *referenceLayer : layers_.find(layerName);
    if (layer.frozen || f.integer(60) == 1) return;
    const std::string_view type = db_.typeName(id);
    if (type == "INSERT" || type == "DIMENSION") {
      reference(id, f, containers, toWorld, layer, depth);
      return;
    }
    if (layer.off || type == "VIEWPORT") return;
    Leaf leaf{id, containers, toWorld, {}, {}};
    try {
      if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
        const auto flags = f.integer(70);
        if (type == "ATTRIB" && (flags & 1)) return;
        if (type == "ATTDEF" && depth > 0 && (flags & 3) != 2) return;
        const auto text = text::readTextEntity(
            db_, id, depth > 0 ? text::AttdefText::Value : text::AttdefText::Tag);
        const auto corners = text::boxCorners(text);
        addArea(leaf, {corners.begin(), corners.end()});
      } else if (type == "MTEXT") {
        const text::FrameCorners c = text::mtextFrame(db_, id, 0);
        addArea(leaf, {c.bottomLeft, c.bottomRight, c.topRight, c.topLeft});
      } else {
        const std::vector<db::ObjectId> vertices =
            type == "POLYLINE" ? db::followers(db_, id) : std::vector<db::ObjectId>{};
        for (const render::Shape& shape : render::entityShapes(db_, id, vertices)) {
          for (const render::Points3& contour : shape.contours) {
            if (shape.kind == render::PrimitiveKind::Stroke ||
                shape.kind == render::PrimitiveKind::Dot) {
              std::vector<Vec3> points(contour.begin(), contour.end());
              if (shape.closed && points.size() > 2) points.push_back(points.front());
              addLine(leaf, points);
            } else if (shape.kind == render::PrimitiveKind::Fill ||
                       shape.kind == render::PrimitiveKind::Background) {
              addArea(leaf, {contour.begin(), contour.end()});
            }
          }
        }
      }
    } catch (const std::exception&) {
      return;  // an entity that cannot be measured cannot be picked
    }
    if (!leaf.lines.empty() || !leaf.areas.empty()) top_->leaves.push_back(std::move(leaf));
  }

  void reference(db::ObjectId id, const db::FieldReader& f,
                 const std::vector<db::ObjectId>& containers, const Matrix3d& toWorld,
                 const render::LayerStyle& layer, int depth) {
    const bool insert = db_.isType(id, "INSERT");
    const std::string_view name = f.rawText(2).value_or("");
    const render::BlockDefinition* block = name.empty() ? nullptr : blocks_.find(name);
    if (block && depth < kMaxNesting &&
        std::find(active_.begin(), active_.end(), block) == active_.end()) {
      std::vector<db::ObjectId> inner{id};
      inner.insert(inner.end(), containers.begin(), containers.end());
      std::vector<Matrix3d> places;
      if (insert) {
        const db::InsertPlacement placement = db::insertPlacement(db_, id, block->basePoint);
        for (long long r = 0; r < std::min<long long>(placement.rows, 1000); ++r)
          for (long long c = 0; c < std::min<long long>(placement.columns, 1000); ++c)
            places.push_back(toWorld * placement.cell(r, c));
      } else {
        const Matrix3d unbase = Matrix3d::translation(-block->basePoint);
        Matrix3d move;
        if (f.locate(12))
          move = Matrix3d::translation(geom::ocsToWorld(vec(f.point(210))).apply(vec(f.point(12))));
        places.push_back(toWorld * move * unbase);
      }
      active_.push_back(block);
      for (const Matrix3d& place : places)
        for (const db::ObjectId child : block->entities)
          if (!db_.isErased(child)) visit(child, inner, place, &layer, depth + 1);
      active_.pop_back();
    }
    // Attributes belong to the space, placed already: they are not nested in the reference.
    if (insert)
      for (const db::ObjectId attribute : db::followers(db_, id))
        if (db_.isType(attribute, "ATTRIB")) visit(attribute, containers, toWorld, nullptr, depth);
  }

  std::vector<Vec2> project(const Leaf& leaf, const std::vector<Vec3>& points) {
    const Matrix3d m = toUcs_ * leaf.toWorld;
    std::vector<Vec2> out;
    out.reserve(points.size());
    for (const Vec3& p : points) {
      const Vec2 q = m.apply(p).xy();
      out.push_back(q);
      top_->box.add(q);
    }
    return out;
  }
  void addLine(Leaf& leaf, const std::vector<Vec3>& points) {
    if (!points.empty()) leaf.lines.push_back(project(leaf, points));
  }
  void addArea(Leaf& leaf, const std::vector<Vec3>& points) {
    if (points.size() >= 3) leaf.areas.push_back(project(leaf, points));
  }

  const db::Database& db_;
  PickScene& scene_;
  render::BlockCatalog blocks_;
  render::LayerStyles layers_;
  Matrix3d toUcs_;
  Item* top_ = nullptr;
  std::vector<const render::BlockDefinition*> active_;  // blocks being expanded
};

PickScene::PickScene(const Document& document) {
  Builder(document, *this).build();
}

std::optional<PickHit> PickScene::pick(Vec2 point, double tolerance) const {
  double best = std::numeric_limits<double>::infinity();
  const Item* bestItem = nullptr;
  const Leaf* bestLeaf = nullptr;
  for (const Item& item : items_) {
    if (item.box.empty || point.x < item.box.min.x - tolerance ||
        point.x > item.box.max.x + tolerance || point.y < item.box.min.y - tolerance ||
        point.y > item.box.max.y + tolerance)
      continue;
    for (const Leaf& leaf : item.leaves) {
      double d = std::numeric_limits<double>::infinity();
      for (const auto& line : leaf.lines) d = std::min(d, polylineDistance(point, line, false));
      for (const auto& area : leaf.areas)
        d = std::min(d, inside(point, area) ? 0.0 : polylineDistance(point, area, true));
      // Ties go to what is drawn later, which lies on top.
      if (d <= tolerance && d <= best) {
        best = d;
        bestItem = &item;
        bestLeaf = &leaf;
      }
    }
  }
  if (!bestItem) return {};
  return PickHit{bestItem->entity, bestLeaf->entity, bestLeaf->containers, bestLeaf->toWorld};
}

std::vector<db::ObjectId> PickScene::inBox(Vec2 corner1, Vec2 corner2, bool crossing) const {
  const Vec2 lo{std::min(corner1.x, corner2.x), std::min(corner1.y, corner2.y)};
  const Vec2 hi{std::max(corner1.x, corner2.x), std::max(corner1.y, corner2.y)};
  std::vector<db::ObjectId> out;
  for (const Item& item : items_) {
    const UcsBox& b = item.box;
    const bool within = b.min.x >= lo.x && b.max.x <= hi.x && b.min.y >= lo.y && b.max.y <= hi.y;
    const bool touches = b.max.x >= lo.x && b.min.x <= hi.x && b.max.y >= lo.y && b.min.y <= hi.y;
    if (crossing ? touches : within) out.push_back(item.entity);
  }
  return out;
}

UcsBox PickScene::extents(db::ObjectId entity) const {
  for (const Item& item : items_)
    if (item.entity == entity) return item.box;
  return {};
}

double PickScene::defaultTolerance() const {
  long long pickbox = 3;
  if (const auto v = Session::instance().systemVariables().get(L"PICKBOX", nullptr))
    if (const auto* n = std::get_if<long long>(&*v)) pickbox = *n;
  if (all_.empty) return 0;
  const double size = std::max(all_.max.x - all_.min.x, all_.max.y - all_.min.y);
  return std::max(static_cast<double>(pickbox), 1.0) * size / 600;
}

namespace {

// The live object a handle (hexadecimal text) names.
db::ObjectId liveByHandle(const db::Database& db, std::wstring_view handle) {
  const std::wstring h = trimmed(handle);
  if (h.empty() || h.size() > 16 ||
      h.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
    return {};
  const db::ObjectId id = db.findByHandle(std::stoull(h, nullptr, 16));
  if (id.isNull() || db.isErased(id)) return {};
  return id;
}

}  // namespace

db::ObjectId pickableByHandle(const db::Database& db, std::wstring_view handle) {
  const db::ObjectId id = liveByHandle(db, handle);
  if (id.isNull()) return {};
  if (db.isType(id, "ATTRIB")) {
    // Writers name the reference or its space as an attribute's owner.
    const db::ObjectId owner = db.owner(id);
    const bool placed =
        !owner.isNull() && (db.isType(owner, "INSERT") || db.isType(owner, "BLOCK_RECORD"));
    return placed ? id : db::ObjectId();
  }
  return entityByHandle(db, handle);
}

db::ObjectId entityByHandle(const db::Database& db, std::wstring_view handle) {
  const db::ObjectId id = liveByHandle(db, handle);
  if (id.isNull()) return {};
  const std::string_view type = db.typeName(id);
  if (!isMainEntityType(type) || type == "BLOCK" || type == "ENDBLK") return {};
  const db::ObjectId owner = db.owner(id);
  if (!owner.isNull()) return db.isType(owner, "BLOCK_RECORD") ? id : db::ObjectId();
  // A record that names no owner is the drawing's where it sits among the drawing's entities.
  return db.position(id).section == db.sectionIndex("ENTITIES") ? id : db::ObjectId();
}

namespace {

// A module's request may ask for the pickfirst set (commands that take one); requests that do
// not have the field never do.
template <typename Request>
bool wantsPickfirst(const Request& request) {
  if constexpr (requires { request.usePickfirst; })
    return request.usePickfirst;
  else
    return false;
}

class SelectionPrompt {
 public:
  SelectionPrompt(Prompter& prompter, const SelectionRequest& request, Document& doc)
      : prompter_(prompter), request_(request), doc_(doc) {
    const std::wstring mode = upper(request.mode);
    promptsGiven_ = mode.find(L":$") != std::wstring::npos;
    keywordsAllowed_ = mode.find(L":K") != std::wstring::npos;
    noLocked_ = mode.find(L":L") != std::wstring::npos;
    single_ = mode.find(L":S") != std::wstring::npos;
    if (keywordsAllowed_) {
      std::wstring list;
      for (const std::wstring& k : request.keywords) list += k + L" ";
      keywords_ = KeywordList(list);
    }
  }

  int run(std::vector<db::ObjectId>& picked) {
    for (;;) {
      const std::optional<std::wstring> line = prompter_.ask(prompt());
      if (!line) return KXRT_CANCEL;
      const std::wstring reply = trimmed(*line);
      if (upper(reply) == L"^C") {
        prompter_.say(L"*Cancel*");
        return KXRT_CANCEL;
      }
      if (reply.empty()) break;
      if (const auto status = answer(reply)) return *status;
      if (single_ && !chosen_.empty()) break;
    }
    if (chosen_.empty()) return KXRT_NONE;  // Enter before anything was picked
    picked = chosen_;
    doc_.previousSelection = chosen_;
    return KXRT_NORM;
  }

 private:
  std::wstring prompt() const {
    if (removing_)
      return promptsGiven_ && !request_.removePrompt.empty() ? request_.removePrompt
                                                             : L"\nRemove objects: ";
    return promptsGiven_ && !request_.addPrompt.empty() ? request_.addPrompt
                                                        : L"\nSelect objects: ";
  }

  const PickScene& scene() {
    if (!scene_) scene_.emplace(doc_);
    return *scene_;
  }

  std::optional<geom::Vec3> point(std::wstring_view text) {
    return prompter_.parsePoint(text, prompter_.lastPoint.value_or(geom::Vec3{}));
  }

  // A corner given with the reply or asked for.
  std::optional<geom::Vec3> corner(const std::vector<std::wstring>& parts, std::size_t index,
                                   const wchar_t* ask, int& status) {
    if (index < parts.size()) return point(parts[index]);
    geom::Vec3 p;
    status = prompter_.getPoint(nullptr, ask, p);
    if (status != KXRT_NORM) return {};
    return p;
  }

  // Handles one reply; a status when the selection ends with it.
  std::optional<int> answer(const std::wstring& reply) {
    const std::vector<std::wstring> parts = words(reply);
    const std::wstring head = upper(parts.front());
    const db::Database& db = doc_.db();
    if (head == L"R" || head == L"REMOVE") {
      removing_ = true;
      return {};
    }
    if (head == L"A" || head == L"ADD") {
      removing_ = false;
      return {};
    }
    if (head == L"ALL" && parts.size() == 1) return apply(allInCurrentSpace(db), true);
    if (head == L"L" || head == L"LAST") {
      const db::ObjectId last = lastMainEntity(db);
      return apply(last.isNull() ? std::vector<db::ObjectId>{} : std::vector{last}, true);
    }
    if (head == L"P" || head == L"PREVIOUS") {
      return apply(doc_.previousSelection, true);
    }
    if (head == L"W" || head == L"C" || head == L"WINDOW" || head == L"CROSSING") {
      int status = KXRT_NORM;
      const auto a = corner(parts, 1, L"Specify first corner: ", status);
      if (status != KXRT_NORM) return status == KXRT_NONE ? std::optional<int>{} : status;
      if (!a) return invalid();
      const auto b = corner(parts, 2, L"Specify opposite corner: ", status);
      if (status != KXRT_NORM) return status == KXRT_NONE ? std::optional<int>{} : status;
      if (!b) return invalid();
      return apply(scene().inBox(a->xy(), b->xy(), head.front() == L'C'), true);
    }
    if (head == L"H" || head == L"HANDLE") {
      std::vector<db::ObjectId> found;
      for (std::size_t i = 1; i < parts.size(); ++i) {
        const db::ObjectId id = entityByHandle(db, parts[i]);
        if (id.isNull())
          prompter_.refuse(L"No entity has handle " + parts[i] + L".");
        else
          found.push_back(id);
      }
      return apply(found, true);
    }
    if (parts.size() == 1) {
      if (const auto p = point(reply)) {
        prompter_.lastPoint = *p;
        const auto hit =
            scene().pick(p->xy(), prompter_.pickTolerance.value_or(scene().defaultTolerance()));
        if (!hit) {
          prompter_.say(L"Nothing found.");
          return {};
        }
        return apply({hit->top}, false);
      }
    }
    if (keywordsAllowed_) {
      if (const auto word = keywords_.match(reply)) {
        prompter_.setLastInput(*word);
        const KxSSCallback callback = request_.callbacks.keyword;
        if (!callback) return KXRT_KWORD;
        return fromCallback(callback(word->c_str()));
      }
    }
    if (const KxSSCallback other = request_.callbacks.other) {
      prompter_.setLastInput(reply);
      return fromCallback(other(reply.c_str()));
    }
    return invalid();
  }

  std::optional<int> fromCallback(resbuf* result) {
    scene_.reset();  // the callback may have changed the drawing
    if (!result) return {};
    kxutRelRb(result);
    return KXRT_ERROR;
  }

  std::optional<int> invalid() {
    prompter_.refuse(
        L"*Invalid selection*\nExpects a point or Window/Crossing/ALL/Last/Previous/Handle/Add/"
        L"Remove.");
    return {};
  }

  // What a CAD user means by ALL: the objects of the current space on layers that are not
  // frozen.
  static std::vector<db::ObjectId> allInCurrentSpace(const db::Database& db) {
    const db::ObjectId space = currentSpace(db);
    const bool paper = db::headerInteger(db, "$TILEMODE").value_or(1) == 0;
    std::vector<db::ObjectId> out;
    for (const db::ObjectId id : selectAll(db, SelectionFilter())) {
      if (db::isOnFrozenLayer(db, id)) continue;
      const db::ObjectId owner = db.owner(id);
      // Drawings without block records tell paper space by group 67.
      const bool inSpace =
          owner.isNull() ? (db::FieldReader(db, id).integer(67) == 1) == paper : owner == space;
      if (inSpace) out.push_back(id);
    }
    return out;
  }

  // With PICKSTYLE's group bit on, what is picked brings the rest of its selectable groups.
  bool groupSelection() const {
    const auto v = Session::instance().systemVariables().get(L"PICKSTYLE", &doc_);
    const auto* n = v ? std::get_if<long long>(&*v) : nullptr;
    return n && (*n & 1);
  }

  // Adds or removes what a reply found and says how many.
  std::optional<int> apply(std::vector<db::ObjectId> found, bool many) {
    const db::Database& db = doc_.db();
    if (groupSelection()) found = db::withSelectableGroups(db, found);
    // A matcher per reply: a callback between replies may have changed the drawing.
    SelectionFilter::Matcher matches(request_.filter, db);
    std::size_t counted = 0, locked = 0, duplicates = 0, changed = 0;
    for (const db::ObjectId id : found) {
      if (id.isNull() || db.isErased(id)) continue;
      if (!removing_ && !matches(id)) continue;
      ++counted;
      if (removing_) {
        if (members_.erase(id)) ++changed;
        continue;
      }
      if (noLocked_ && db::isOnLockedLayer(db, id)) {
        ++locked;
        continue;
      }
      if (!members_.insert(id).second) {
        ++duplicates;
        continue;
      }
      chosen_.push_back(id);
      ++changed;
    }
    // One pass over the selection for the whole reply: a window may take hundreds of thousands
    // of objects out of a set as large.
    if (removing_ && changed)
      std::erase_if(chosen_, [&](db::ObjectId id) { return !members_.contains(id); });
    std::wstring message = std::to_wstring(counted) + L" found";
    if (removing_) message += L", " + std::to_wstring(changed) + L" removed";
    if (duplicates) message += L" (" + std::to_wstring(duplicates) + L" duplicate)";
    message += L", " + std::to_wstring(chosen_.size()) + L" total";
    if (!many && counted == 0) message = L"Nothing found.";
    prompter_.say(message);
    if (locked) prompter_.say(std::to_wstring(locked) + L" were on a locked layer.");
    return {};
  }

  Prompter& prompter_;
  const SelectionRequest& request_;
  Document& doc_;
  std::optional<PickScene> scene_;
  KeywordList keywords_;
  bool promptsGiven_ = false, keywordsAllowed_ = false, noLocked_ = false, single_ = false;
  bool removing_ = false;
  std::vector<db::ObjectId> chosen_;
  std::unordered_set<db::ObjectId> members_;
};

}  // namespace

int promptSelection(Prompter& prompter, const SelectionRequest& request,
                    std::vector<db::ObjectId>& picked) {
  Document* doc = Session::instance().find(request.drawing);
  if (!doc) return KXRT_ERROR;
  if (request.mode.empty() && wantsPickfirst(request)) {
    std::vector<db::ObjectId> first = selectAmong(
        doc->db(), Session::instance().selectionSets().pickfirst(request.drawing), request.filter);
    if (!first.empty()) {
      picked = std::move(first);
      return KXRT_NORM;
    }
  }
  return SelectionPrompt(prompter, request, *doc).run(picked);
}

void installSelectionPrompter() {
  Session::instance().selectionSets().prompter = [](const SelectionRequest& request,
                                                    std::vector<db::ObjectId>& picked) {
    return promptSelection(Prompter::instance(), request, picked);
  };
}

}  // namespace kx::editor
