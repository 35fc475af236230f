#include "editor/block_explode.h"

namespace kx::editor {

ExplodedReference explodeReference(const db::Database&, db::ObjectId) {
  return {{}, "not built yet"};
}

}  // namespace kx::editor
