#include "render/layer_styles.h"

#include <algorithm>
#include <cstdlib>

#include "db/object_fields.h"
#include "db/symbol_tables.h"

namespace kx::render {
namespace {}  // namespace

LayerStyles::LayerStyles(const db::Database& db) {
  const db::Section* tables = db.findSection("TABLES");
  if (!tables) return;
  for (db::ObjectId id : tables->records) {
    if (!db.isType(id, "LAYER") || db.isErased(id)) continue;
    db::FieldReader f(db, id);
    const auto name = f.rawText(2);
    if (!name) continue;
    LayerStyle style;
    style.name = std::string(*name);
    const long long aci = f.integer(62);
    style.off = aci < 0;
    style.frozen = (f.integer(70) & 1) != 0;
    style.color =
        f.locate(420) ? trueColor(f.integer(420)) : aciColor(static_cast<int>(std::llabs(aci)));
    style.lineweight = static_cast<int>(f.integer(370));
    style.linetype = std::string(f.rawText(6).value_or("Continuous"));
    layers_.emplace(db::tableNameKey(*name), style);
  }
}

const LayerStyle& LayerStyles::find(std::string_view name) const {
  const auto it = layers_.find(db::tableNameKey(name));
  return it == layers_.end() ? missing_ : it->second;
}

double pixelWidthOf(int lineweight) {
  if (lineweight <= 0) return 1;
  return std::clamp(lineweight / 25.0, 1.0, 12.0);
}

}  // namespace kx::render
