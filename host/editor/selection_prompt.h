#pragma once
// Picking entities by point, window and crossing, and the interactive selection prompt that
// answers kxedSSGet ("Select objects:").
//
// Picks work in the plan view of the current UCS: entity geometry is taken to UCS coordinates and
// compared in its XY plane, so a window typed in the UCS is a window on what the user sees.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "editor/selection_sets.h"
#include "geom/vec.h"
#include "kx/kxedinput.h"

namespace kx::editor {

class Document;
class Prompter;

struct UcsBox {
  geom::Vec2 min{0, 0}, max{0, 0};
  bool empty = true;
  void add(geom::Vec2 p);
};

// What one pick found.
struct PickHit {
  db::ObjectId top;                      // the entity of the space (what a selection takes)
  db::ObjectId entity;                   // the entity under the point, nested or not
  std::vector<db::ObjectId> containers;  // block references holding `entity`, innermost first
  geom::Matrix3d toWorld;                // `entity`'s coordinates to the world
};

// The pickable geometry of the shown space (model space, or the current layout's paper space):
// visible entities on layers that are on and thawed, block references expanded.
class PickScene {
 public:
  explicit PickScene(const Document& document);

  // The topmost entity nearest to `point` (UCS) within `tolerance`; nothing when none is.
  std::optional<PickHit> pick(geom::Vec2 point, double tolerance) const;
  // Entities whose extents lie inside the box (`crossing`: touch it), in drawing order.
  std::vector<db::ObjectId> inBox(geom::Vec2 corner1, geom::Vec2 corner2, bool crossing) const;
  // The extents of a space entity in UCS; empty for one the scene does not show.
  UcsBox extents(db::ObjectId entity) const;
  // How close a pick must come: PICKBOX pixels of a picture about 600 pixels across that shows
  // all of the scene.
  double defaultTolerance() const;

 private:
  struct Leaf {
    db::ObjectId entity;
    std::vector<db::ObjectId> containers;  // innermost first
    geom::Matrix3d toWorld;
    std::vector<std::vector<geom::Vec2>> lines;  // open polylines and single points
    std::vector<std::vector<geom::Vec2>> areas;  // closed outlines; the inside counts as a hit
  };
  struct Item {
    db::ObjectId entity;
    UcsBox box;
    std::vector<Leaf> leaves;
  };
  class Builder;

  std::vector<Item> items_;  // in drawing order: later ones are on top
  UcsBox all_;
};

// The entity a handle (hexadecimal text) names when it is a live entity; null otherwise.
db::ObjectId entityByHandle(const db::Database& db, std::wstring_view handle);
// The same for a pick, which can also name an attribute of a block reference (as picking it by
// a point does).
db::ObjectId pickableByHandle(const db::Database& db, std::wstring_view handle);

// Runs a selection prompt: reads replies from `prompter` until Enter. KXRT_NORM with the entities
// picked (filtered, in the order they came), KXRT_CANCEL, KXRT_ERROR when a callback ended the
// selection, KXRT_KWORD for a keyword typed with no callback set.
int promptSelection(Prompter& prompter, const SelectionRequest& request,
                    std::vector<db::ObjectId>& picked);

// Makes the session's selection sets ask through the session's prompter.
void installSelectionPrompter();

}  // namespace kx::editor
