#include "api/host_names.h"

#include <cstdlib>
#include <cwchar>
#include <new>

namespace kx::api {

ResolvedObject resolve(const kds_name name) {
  if (!name) return {};
  editor::Document* doc = editor::Session::instance().find(name[0]);
  if (!doc) return {};
  const db::ObjectId id = doc->db().fromEntityName({name[0], name[1]});
  if (id.isNull()) return {};
  return {doc, id};
}

ResolvedObject resolve(const KxDbObjectId& id) {
  const kds_name name = {id.drawing(), id.object()};
  return resolve(name);
}

void setName(kds_name name, const db::Database& db, db::ObjectId id) {
  const db::EntityName n = db.entityName(id);
  name[0] = n.drawing;
  name[1] = n.object;
}

KxDbObjectId objectIdOf(const db::Database& db, db::ObjectId id) {
  if (id.isNull()) return {};
  const db::EntityName n = db.entityName(id);
  return {n.drawing, n.object};
}

void releaseHostString(wchar_t* s) {
  std::free(s);
}

wchar_t* newHostString(std::wstring_view text) {
  auto* s = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
  if (!s) throw std::bad_alloc();
  std::wmemcpy(s, text.data(), text.size());
  s[text.size()] = L'\0';
  return s;
}

wchar_t* newHostString(const dxf::TextCodec& codec, std::string_view bytes) {
  // Decoding never gives more characters than there are bytes.
  auto* s = static_cast<wchar_t*>(std::malloc((bytes.size() + 1) * sizeof(wchar_t)));
  if (!s) throw std::bad_alloc();
  s[codec.decodeInto(bytes, s)] = L'\0';
  return s;
}

wchar_t* newHostString(const db::Database& db, const dxf::Tag& tag) {
  return newHostString(db.codec(), db.text(tag));
}

}  // namespace kx::api
