#pragma once
// The host's side of a database object a module holds: which drawing and record it is, how it is
// open, and what must happen when it is closed. Also the helpers the KxDb* classes share.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "editor/session.h"
#include "kx/kxdbobject.h"

struct KxDbObjectState {
  std::int64_t serial = 0;  // the drawing's serial, to notice a drawing closed under the object
  kx::db::ObjectId id;
  KxDb::OpenMode mode = KxDb::kForRead;
  // Made with new (or by explode) and not yet in the drawing: `id` is an erased "limbo" record
  // that holds the groups until the object is appended, and is never saved, drawn or selected.
  bool isNew = false;
  // A text or multi-line text changed while open: it is re-placed when closed.
  bool textChanged = false;
  // Backs the strings the *Const getters hand out until the object is changed or closed.
  std::wstring stringCache;
};

namespace kx::api {

// The drawing of an open object. Throws std::logic_error when the drawing was closed meanwhile.
editor::Document& documentOf(const KxDbObjectState& state);
inline db::Database& databaseOf(const KxDbObject& object) {
  return documentOf(object.state()).db();
}

// eNotOpenForWrite unless the object is open for write.
Kxad::ErrorStatus checkWritable(const KxDbObject& object);

// Whether records of this type are entities (they have a layer and live in a block).
bool isEntity(const db::Database& db, db::ObjectId id);

// The groups of a record after its type, handle, reactors and owner: what db::addEntity and
// db::addRecord take as the body of a copy.
std::vector<db::NewTag> bodyOf(const db::Database& db, db::ObjectId id);

// A new limbo record in the drawing's ENTITIES (entities) or OBJECTS (other objects) section.
db::ObjectId addLimboRecord(db::Database& db, std::string_view type,
                            const std::vector<db::NewTag>& body, bool entity);

// The C++ object of the most derived class for the record's type, holding `state` (which it
// owns from then on). Counts in the drawing's open objects until it is closed or deleted.
KxDbObject* makeObject(std::unique_ptr<KxDbObjectState> state);
// A new object (isNew, open for write) for a limbo record of the document.
KxDbObject* makeNewObject(editor::Document& document, db::ObjectId limbo);

// A wide string the module frees with kxad_free.
wchar_t* hostString(std::wstring_view text);

}  // namespace kx::api
