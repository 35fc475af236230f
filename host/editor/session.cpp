#include "editor/session.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "db/header_values.h"
#include "editor/selection_sets.h"
#include "editor/system_variables.h"
#include "kx/kxdbobject.h"

namespace kx::editor {
namespace {

geom::Vec3 toVec(const db::Point3& p) {
  return {p.x, p.y, p.z};
}
db::Point3 toPoint(const geom::Vec3& v) {
  return {v.x, v.y, v.z};
}

void printToStdout(std::wstring_view text) {
  const std::string utf8 = dxf::toUtf8(text);
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
      sdkDatabase_(std::make_unique<KxDbDatabase>(db_.serial())) {
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
  return *active_;
}

void Session::close(Document& document) {
  if (active_ == &document) active_ = nullptr;
  std::erase_if(documents_, [&](const auto& d) { return d.get() == &document; });
  if (!active_ && !documents_.empty()) active_ = documents_.back().get();
}

void Session::closeAll() {
  active_ = nullptr;
  documents_.clear();
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
