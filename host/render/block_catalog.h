#pragma once
// The blocks of a drawing as a picture walks them: each block's entities in drawing order (its
// sort table first, then file order), its base point, and the records that follow an entity
// (the attributes of an INSERT, the vertices of a POLYLINE).

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
  explicit BlockCatalog(const db::Database& db);

  // The block named `name` (case-insensitive); null when the drawing has none.
  const BlockDefinition* find(std::string_view name);
  // What a picture of the drawing shows: model space, or the paper space of the current layout
  // when the header says TILEMODE 0.
  const BlockDefinition& shownSpace();

  // The ATTRIB or VERTEX records right after `entity`, up to its SEQEND.
  std::vector<db::ObjectId> followers(db::ObjectId entity) const;

 private:
  BlockDefinition load(std::string_view name) const;
  std::vector<db::ObjectId> spaceEntities(bool paper) const;
  void sortByDrawOrder(std::uint64_t blockRecordHandle, std::vector<db::ObjectId>& entities) const;

  const db::Database& db_;
  // Where each record of ENTITIES and BLOCKS sits: section index and position.
  struct Place {
    int section = -1;
    std::uint32_t position = 0;
  };
  std::vector<Place> places_;
  std::unordered_map<std::string, std::size_t> blockStarts_;  // folded name -> BLOCKS position
  // Block record handle -> (entity handle -> sort handle).
  std::unordered_map<std::uint64_t, std::unordered_map<std::uint64_t, std::uint64_t>> sortTables_;
  std::unordered_map<std::string, std::unique_ptr<BlockDefinition>> cache_;
};

}  // namespace kx::render
