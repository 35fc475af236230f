#pragma once
// The blocks of a drawing as a picture walks them, read once per picture: each block's entities
// in drawing order and its base point, through the drawing's own lookups.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/database.h"
#include "geom/vec.h"

namespace kx::render {

struct BlockDefinition {
  std::string name;
  geom::Vec3 basePoint;
  std::vector<db::ObjectId> entities;  // in drawing order
};

class BlockCatalog {
 public:
  explicit BlockCatalog(const db::Database& db) : db_(db) {}

  // The block named `name` (case-insensitive); null when the drawing has none.
  const BlockDefinition* find(std::string_view name);
  // What a picture of the drawing shows: model space, or the paper space of the current layout
  // when the header says TILEMODE 0.
  const BlockDefinition& shownSpace();
  // The space of the layout named `name` (case-insensitive; "Model" is model space); null when
  // the drawing has no such layout.
  const BlockDefinition* layout(std::string_view name);

 private:
  std::unique_ptr<BlockDefinition> load(std::string_view name) const;
  std::vector<db::ObjectId> spaceEntities(bool paper) const;

  const db::Database& db_;
  std::unordered_map<std::string, std::unique_ptr<BlockDefinition>> cache_;
};

}  // namespace kx::render
