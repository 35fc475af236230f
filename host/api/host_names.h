#pragma once
// How the SDK's names and ids map to the host's objects: an entity name and an object id both
// carry the drawing's serial and the object's index + 1, so a name from another drawing, a stale
// name or a made-up one resolves to nothing rather than to the wrong object.

#include <string>
#include <string_view>

#include "db/database.h"
#include "editor/session.h"
#include "kx/kxdbid.h"
#include "kx/kxtypes.h"

namespace kx::api {

struct ResolvedObject {
  editor::Document* document = nullptr;
  db::ObjectId id;
  explicit operator bool() const { return document && !id.isNull(); }
};

// Null when the name is null, of a drawing that is not open, or of no object.
ResolvedObject resolve(const kds_name name);
ResolvedObject resolve(const KxDbObjectId& id);

void setName(kds_name name, const db::Database& db, db::ObjectId id);
KxDbObjectId objectIdOf(const db::Database& db, db::ObjectId id);

// Strings handed to a module: allocated with malloc so kxad_free, kxutDelBuffer and kxutRelRb
// release them whichever of them the module calls.
wchar_t* newHostString(std::wstring_view text);
// Text of the drawing's encoding, or a group's text, decoded straight into a host string.
wchar_t* newHostString(const dxf::TextCodec& codec, std::string_view bytes);
wchar_t* newHostString(const db::Database& db, const dxf::Tag& tag);
// Frees a host string.
void releaseHostString(wchar_t* s);

}  // namespace kx::api
