#pragma once
// Where blocks are referenced: every live INSERT of the drawing with the block that holds it, so
// questions such as "which references reach this block through nesting" need one pass.

#include <string>
#include <unordered_map>
#include <vector>

#include "db/database.h"

namespace kx::db {

struct BlockReference {
  ObjectId insert;
  ObjectId container;  // the BLOCK_RECORD that holds the INSERT (model space, paper space, a block)
};

class BlockReferenceIndex {
 public:
  explicit BlockReferenceIndex(const Database& db);
  // The references naming the block (case-insensitive), in file order.
  const std::vector<BlockReference>& referencesTo(std::string_view blockName) const;

 private:
  std::unordered_map<std::string, std::vector<BlockReference>> byName_;
};

}  // namespace kx::db
