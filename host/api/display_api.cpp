// kxedRedraw and kxedDrawOrderInherit. Headless there is nothing to paint;
// highlighting is kept so modules that highlight and unhighlight see a consistent state.

#include <algorithm>

#include "api/host_names.h"
#include "db/draw_order.h"
#include "editor/session.h"
#include "kx/kxed.h"

namespace {

bool isLiveEntity(const kx::api::ResolvedObject& object) {
  return object && !object.document->db().isErased(object.id);
}

}  // namespace

extern "C" {

int kxedRedraw(const kds_name entity, int mode) {
  if (mode < 0 || mode > 4) return KXRT_ERROR;
  if (!entity || kds_name_nil(entity)) {
    // The whole drawing: regenerating or redrawing changes nothing headless.
    return mode <= 2 ? KXRT_NORM : KXRT_ERROR;
  }
  const auto object = kx::api::resolve(entity);
  if (!isLiveEntity(object)) return KXRT_ERROR;
  auto& highlighted = object.document->highlighted();
  if (mode == 3) highlighted.insert(object.id);
  if (mode == 4) highlighted.erase(object.id);
  return KXRT_NORM;
}

int kxedDrawOrderInherit(KxDbObjectId parent, const KxDbObjectIdArray& children, int code) {
  if (code < 1 || code > 4) return KXRT_ERROR;
  const auto p = kx::api::resolve(parent);
  if (!isLiveEntity(p)) return KXRT_ERROR;
  kx::db::Database& db = p.document->db();
  const kx::db::ObjectId block = db.owner(p.id);
  std::vector<kx::db::ObjectId> moving;
  for (int i = 0; i < children.length(); ++i) {
    const auto c = kx::api::resolve(children[i]);
    // Children of another drawing or another block cannot be ordered against this parent.
    if (!isLiveEntity(c) || c.document != p.document || db.owner(c.id) != block) return KXRT_ERROR;
    if (c.id != p.id) moving.push_back(c.id);
  }
  if (moving.empty()) return KXRT_NORM;
  using Move = kx::db::DrawOrderMove;
  const Move move = code == 1   ? Move::ToTop
                    : code == 2 ? Move::ToBottom
                    : code == 3 ? Move::Below
                                : Move::Above;
  kx::db::moveInDrawOrder(db, block, moving, move, p.id);
  return KXRT_NORM;
}
}
