#include "editor/session.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <stdexcept>

#include "db/header_values.h"
#include "editor/selection_sets.h"
#include "editor/system_variables.h"
#include "editor/undo_history.h"
#include "kx/kxchars.h"
#include "kx/kxdbobject.h"
#include "support/utf8.h"

namespace kx::editor {
namespace {

geom::Vec3 toVec(const db::Point3& p) {
  return {p.x, p.y, p.z};
}
db::Point3 toPoint(const geom::Vec3& v) {
  return {v.x, v.y, v.z};
}

// Text files modules write are in the ANSI code page of the drawing they work on, so the page
// follows the active drawing's $DWGCODEPAGE; a page the host does not know counts as 1252, and so
// does having no drawing open.
void followCodePage(const Document& document) {
  unsigned page = 1252;
  const auto name = db::headerString(document.db(), "$DWGCODEPAGE");
  if (name && ::wcsncasecmp(name->c_str(), L"ANSI_", 5) == 0) {  // "ANSI_936" is page 936
    const wchar_t* digits = name->c_str() + 5;
    wchar_t* end = nullptr;
    const unsigned long number = std::wcstoul(digits, &end, 10);
    if (end != digits && *end == L'\0' && number <= 65535) page = static_cast<unsigned>(number);
  }
  if (!RvCharFormatter::setAnsiCodePage(page)) RvCharFormatter::setAnsiCodePage(1252);
}

void printToStdout(std::wstring_view text) {
  const std::string utf8 = kx::support::toUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

bool Ucs::isWorld() const {
  return origin == geom::Vec3{0, 0, 0} && xAxis == geom::Vec3{1, 0, 0} &&
         yAxis == geom::Vec3{0, 1, 0};
}

Document::Document(db::Database db, std::string path)
    : db_(std::move(db)),
      path_(std::move(path)),
      sdkDatabase_(std::make_unique<KxDbDatabase>(db_.serial())),
      undo_(std::make_unique<UndoHistory>()) {
  readUcs();
  markSaved();
  changesWhenRead_ = db_.changeCount();
}

void Document::readUcs() {
  ucs_ = Ucs{};
  if (auto p = db::headerPoint(db_, "$UCSORG")) ucs_.origin = toVec(*p);
  auto x = db::headerPoint(db_, "$UCSXDIR");
  auto y = db::headerPoint(db_, "$UCSYDIR");
  // Axes that are not unit length and square to each other would make every conversion wrong.
  if (x && y) {
    const geom::Vec3 xa = toVec(*x), ya = toVec(*y);
    if (std::abs(xa.length() - 1) < 1e-6 && std::abs(ya.length() - 1) < 1e-6 &&
        std::abs(geom::dot(xa, ya)) < 1e-6) {
      ucs_.xAxis = xa;
      ucs_.yAxis = ya;
    }
  }
  if (auto name = db::headerString(db_, "$UCSNAME")) ucs_.name = *name;
}

void Document::replaceDatabase(db::Database db, bool saved) {
  // The previous selection is kept by handle: object ids do not outlive the drawing they are of.
  std::vector<std::uint64_t> previous;
  for (db::ObjectId id : previousSelection) previous.push_back(db_.handle(id));
  db_ = std::move(db);
  sdkDatabase_ = std::make_unique<KxDbDatabase>(db_.serial());
  previousSelection.clear();
  for (std::uint64_t handle : previous)
    if (db::ObjectId id = db_.findByHandle(handle); !id.isNull() && !db_.isErased(id))
      previousSelection.push_back(id);
  highlighted_.clear();
  Session::instance().selectionSets().clearPickfirst();
  readUcs();
  changesWhenRead_ = db_.changeCount();
  savedChanges_ = saved ? db_.changeCount() : db_.changeCount() - 1;
}

Document::~Document() = default;

void Document::setUcs(const Ucs& ucs) {
  ucs_ = ucs;
  db::setHeaderPoint(db_, "$UCSORG", toPoint(ucs.origin));
  db::setHeaderPoint(db_, "$UCSXDIR", toPoint(ucs.xAxis));
  db::setHeaderPoint(db_, "$UCSYDIR", toPoint(ucs.yAxis));
  db::setHeaderString(db_, "$UCSNAME", 2, ucs.name);
}

Session& Session::instance() {
  static Session session;
  return session;
}

Session::Session()
    : selectionSets_(std::make_unique<SelectionSets>()),
      systemVariables_(std::make_unique<SystemVariables>()) {
  output = printToStdout;
}

Session::~Session() = default;

Document& Session::open(db::Database db, std::string path) {
  documents_.push_back(std::make_unique<Document>(std::move(db), std::move(path)));
  active_ = documents_.back().get();
  followCodePage(*active_);
  return *active_;
}

Document& Session::openFile(const std::filesystem::path& path, std::vector<std::string>& notices) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(path, error);
  db::LoadedDrawing loaded = [&] {
    // The bar is gone (the reporter dropped) before anything else is said.
    const db::Progress report =
        progress && !error ? progress("Loading", path, bytes) : db::Progress();
    return db::readDxfFile(path, report);
  }();
  notices.insert(notices.end(), loaded.notices.begin(), loaded.notices.end());
  if (loaded.repaired) events.note(RunEvent::DrawingRepaired);
  return open(std::move(loaded.db), path.string());
}

void Session::save(Document& document, const std::filesystem::path& path) {
  const db::Progress report =
      progress ? progress("Saving", path, document.db().source().size()) : db::Progress();
  db::saveDxfFile(document.db(), path, report);
  document.markSaved();
}

void Session::close(Document& document) {
  if (active_ == &document) active_ = nullptr;
  std::erase_if(documents_, [&](const auto& d) { return d.get() == &document; });
  if (!active_ && !documents_.empty()) {
    active_ = documents_.back().get();
    followCodePage(*active_);
  } else if (documents_.empty()) {
    RvCharFormatter::setAnsiCodePage(1252);
  }
}

void Session::closeAll() {
  active_ = nullptr;
  documents_.clear();
  RvCharFormatter::setAnsiCodePage(1252);
}

Document* Session::find(std::int64_t serial) {
  for (const auto& d : documents_)
    if (d->db().serial() == serial) return d.get();
  return nullptr;
}

Document& activeDocument() {
  Document* d = Session::instance().active();
  if (!d) throw std::logic_error("no drawing is open");
  return *d;
}

}  // namespace kx::editor
