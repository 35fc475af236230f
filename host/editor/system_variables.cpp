#include "editor/system_variables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <limits>

#include "db/database.h"
#include "db/header_values.h"
#include "db/layouts.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "db/wipeouts.h"
#include "editor/reply_text.h"
#include "editor/session.h"

namespace kx::editor {
namespace {

enum class Store {
  Session,       // kept by the session, not saved
  HeaderShort,   // a header variable, group 70
  HeaderReal,    // a header variable, group 40
  HeaderString,  // a header variable whose group is `code`
  Computed,      // worked out from the drawing; setters below say what may change
};

struct Definition {
  const wchar_t* name;
  VariableType type;
  Store store;
  bool readOnly;
  long long min = 0;  // range of a short
  long long max = 0;
  long long initial = 0;             // session value at start, or header default
  const char* header = nullptr;      // "$ORTHOMODE", ...
  int code = 0;                      // header group for strings
  const wchar_t* initialText = L"";  // header default of a string
};

constexpr long long kShortMax = std::numeric_limits<short>::max();

const Definition kDefinitions[] = {
    {L"PICKSTYLE", VariableType::Short, Store::Session, false, 0, 3, 1},
    {L"PICKFIRST", VariableType::Short, Store::Session, false, 0, 1, 1},
    {L"PICKBOX", VariableType::Short, Store::Session, false, 0, 50, 3},
    {L"CMDECHO", VariableType::Short, Store::Session, false, 0, 1, 1},
    {L"BLIPMODE", VariableType::Short, Store::Session, false, 0, 1, 0},
    {L"EXPERT", VariableType::Short, Store::Session, false, 0, 5, 0},
    {L"TXTEXPMODE", VariableType::Short, Store::Session, false, 0, 1, 0},
    {L"ORTHOMODE", VariableType::Short, Store::HeaderShort, false, 0, 1, 0, "$ORTHOMODE"},
    {L"TILEMODE", VariableType::Short, Store::HeaderShort, false, 0, 1, 1, "$TILEMODE"},
    {L"TEXTSIZE", VariableType::Real, Store::HeaderReal, false, 0, 0, 0, "$TEXTSIZE"},
    {L"CLAYER", VariableType::String, Store::HeaderString, false, 0, 0, 0, "$CLAYER", 8, L"0"},
    {L"TEXTSTYLE", VariableType::String, Store::HeaderString, false, 0, 0, 0, "$TEXTSTYLE", 7,
     L"Standard"},
    {L"DWGCODEPAGE", VariableType::String, Store::HeaderString, true, 0, 0, 0, "$DWGCODEPAGE", 3,
     L"ANSI_1252"},
    {L"WIPEOUTFRAME", VariableType::Short, Store::Computed, false, 0, 2},
    {L"CVPORT", VariableType::Short, Store::Computed, false, 1, kShortMax},
    {L"UCSORG", VariableType::Point, Store::Computed, true},
    {L"UCSXDIR", VariableType::Point, Store::Computed, true},
    {L"UCSYDIR", VariableType::Point, Store::Computed, true},
    {L"UCSNAME", VariableType::String, Store::Computed, true},
    {L"CTAB", VariableType::String, Store::Computed, true},
    {L"DWGPREFIX", VariableType::String, Store::Computed, true},
    {L"DWGNAME", VariableType::String, Store::Computed, true},
    {L"CPROFILE", VariableType::String, Store::Computed, true},
};

}  // namespace

std::vector<std::wstring> SystemVariables::names() const {
  std::vector<std::wstring> all;
  for (const Definition& d : kDefinitions) all.emplace_back(d.name);
  std::sort(all.begin(), all.end());
  return all;
}

namespace {

const Definition* find(std::wstring_view name) {
  const std::wstring key = upper(name);
  for (const Definition& d : kDefinitions)
    if (key == d.name) return &d;
  return nullptr;
}

bool isTileMode(const db::Database& db) {
  return db::headerInteger(db, "$TILEMODE").value_or(1) != 0;
}

// The name of the layout whose block is the current paper space.
std::wstring currentLayoutName(const db::Database& db) {
  const db::ObjectId paper = db::findTableRecord(db, "BLOCK_RECORD", L"*Paper_Space");
  const std::wstring name = paper ? db::layoutNameOf(db, paper) : std::wstring();
  return name.empty() ? L"Layout1" : name;
}

// The layer or style record's own spelling of its name.
std::wstring recordName(const db::Database& db, db::ObjectId record) {
  return db::FieldReader(db, record).string(2);
}

}  // namespace

SystemVariables::SystemVariables() {
  for (const Definition& d : kDefinitions)
    if (d.store == Store::Session) sessionShorts_[d.name] = d.initial;
}

SystemVariables::~SystemVariables() = default;

std::optional<VariableType> SystemVariables::type(std::wstring_view name) const {
  const Definition* d = find(name);
  if (!d) return std::nullopt;
  return d->type;
}

std::optional<VariableValue> SystemVariables::get(std::wstring_view name,
                                                  const Document* document) const {
  const Definition* d = find(name);
  if (!d) return std::nullopt;
  if (d->store == Store::Session) return sessionShorts_.at(d->name);
  if (std::wstring_view(d->name) == L"CPROFILE") return std::wstring(L"<<Unnamed Profile>>");
  if (!document) return std::nullopt;
  const db::Database& db = document->db();
  switch (d->store) {
    case Store::HeaderShort:
      return static_cast<long long>(db::headerInteger(db, d->header).value_or(d->initial));
    case Store::HeaderReal:
      return db::headerReal(db, d->header).value_or(2.5);
    case Store::HeaderString: {
      auto s = db::headerString(db, d->header);
      return s && !s->empty() ? *s : std::wstring(d->initialText);
    }
    default:
      break;
  }
  const std::wstring_view n = d->name;
  const Ucs& ucs = document->ucs();
  if (n == L"WIPEOUTFRAME") return static_cast<long long>(db::wipeoutFrame(db));
  if (n == L"CVPORT") return isTileMode(db) ? 2LL : 1LL;
  if (n == L"UCSORG") return ucs.origin;
  if (n == L"UCSXDIR") return ucs.xAxis;
  if (n == L"UCSYDIR") return ucs.yAxis;
  if (n == L"UCSNAME") return ucs.name;
  if (n == L"CTAB") return isTileMode(db) ? std::wstring(L"Model") : currentLayoutName(db);
  if (document->path().empty()) {
    // A drawing never saved lives in the working folder under the name a new drawing gets.
    if (n == L"DWGNAME") return std::wstring(L"Drawing1.dxf");
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    return (cwd / "").wstring();
  }
  const std::filesystem::path path = std::filesystem::absolute(document->path());
  if (n == L"DWGNAME") return path.filename().wstring();
  return (path.parent_path() / "").wstring();  // DWGPREFIX ends with the separator
}

bool SystemVariables::set(std::wstring_view name, const VariableValue& value, Document* document) {
  const Definition* d = find(name);
  if (!d || d->readOnly) return false;
  switch (d->type) {
    case VariableType::Short: {
      const auto* v = std::get_if<long long>(&value);
      if (!v || *v < d->min || *v > d->max) return false;
      if (d->store == Store::Session) {
        sessionShorts_[d->name] = *v;
        return true;
      }
      if (!document) return false;
      db::Database& db = document->db();
      if (d->store == Store::HeaderShort) {
        db::setHeaderInteger(db, d->header, 70, *v);
        return true;
      }
      if (std::wstring_view(d->name) == L"WIPEOUTFRAME") {
        db::setWipeoutFrame(db, static_cast<int>(*v));
        return true;
      }
      // CVPORT: headless there is one viewport in each space, so only the current one can be
      // made current.
      return *v == (isTileMode(db) ? 2 : 1);
    }
    case VariableType::Real: {
      const auto* v = std::get_if<double>(&value);
      if (!v || !(*v > 0) || !std::isfinite(*v) || !document) return false;
      db::setHeaderReal(document->db(), d->header, *v);
      return true;
    }
    case VariableType::String: {
      const auto* v = std::get_if<std::wstring>(&value);
      if (!v || !document) return false;
      db::Database& db = document->db();
      const bool layer = std::wstring_view(d->name) == L"CLAYER";
      const db::ObjectId record = db::findTableRecord(db, layer ? "LAYER" : "STYLE", *v);
      if (!record) return false;
      const long long flags = db::FieldReader(db, record).integer(70);
      // A frozen layer cannot be current; a shape-file entry of the style table is no text style.
      if (flags & 1) return false;
      db::setHeaderString(db, d->header, d->code, recordName(db, record));
      return true;
    }
    case VariableType::Point:
      return false;
  }
  return false;
}

}  // namespace kx::editor
