#include "render/entity_groups.h"

#include "dxf/number_syntax.h"

namespace kx::render {

double Group::real() const {
  return dxf::parseReal(text).value_or(0);
}

long long Group::integer() const {
  if (const auto v = dxf::parseInteger(text)) return *v;
  // Some writers put reals where integers belong.
  return static_cast<long long>(dxf::parseReal(text).value_or(0));
}

std::vector<Group> groupsOf(const db::Database& db, db::ObjectId id, std::string_view marker) {
  const auto tags = db.tags(id);
  std::size_t from = 1;
  if (!marker.empty()) {
    for (std::size_t i = 1; i < tags.size(); ++i)
      if (tags[i].code == 100 && db.text(tags[i]) == marker) {
        from = i + 1;
        break;
      }
  }
  std::vector<Group> out;
  out.reserve(tags.size() - std::min(from, tags.size()));
  for (std::size_t i = from; i < tags.size() && tags[i].code < 1000; ++i)
    out.push_back({tags[i].code, db.text(tags[i])});
  return out;
}

geom::Vec3 readPoint(const std::vector<Group>& groups, std::size_t& at) {
  geom::Vec3 p{groups[at].real(), 0, 0};
  const int code = groups[at].code;
  if (at + 1 < groups.size() && groups[at + 1].code == code + 10) {
    p.y = groups[++at].real();
    if (at + 1 < groups.size() && groups[at + 1].code == code + 20) p.z = groups[++at].real();
  }
  return p;
}

}  // namespace kx::render
