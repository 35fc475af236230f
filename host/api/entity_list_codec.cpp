#include "api/entity_list_codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include <fmt/format.h>

#include "api/host_names.h"
#include "db/field_table.h"
#include "db/object_fields.h"
#include "db/tag_reals.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"

namespace kx::api {
namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

// A value put in with the wrong member leaves a pointer's bits where a number belongs (a tiny
// subnormal on this platform) or a number's bits where a pointer belongs (an address no user
// allocation has). Neither is something a drawing holds, so such values are refused rather than
// read through.
bool plausiblePointer(const void* p) {
  const std::uint64_t bits = reinterpret_cast<std::uintptr_t>(p);
  if (bits < 4096 || bits % alignof(wchar_t) != 0) return false;
  return (bits >> 47) == 0;  // user space ends below bit 47
}

bool plausibleNumber(double v) {
  return std::isfinite(v) && (v == 0 || std::isnormal(v));
}

}  // namespace

namespace {

Storage computeStorage(int code) {
  switch (code) {
    case KXRT_REAL:
      return Storage::Real;
    case KXRT_POINT:
    case KXRT_3DPOINT:
      return Storage::Point;
    case KXRT_SHORT:
      return Storage::Int16;
    case KXRT_LONG:
      return Storage::Int32;
    case KXRT_STR:
    case KXRT_DXF0:
      return Storage::String;
    case KXRT_ENAME:
    case KXRT_PICKS:
      return Storage::Name;
    case -1:
    case -2:
    case -5:
      return Storage::Name;
    case -3:
      return Storage::None;
    case -4:
      return Storage::String;
    default:
      break;
  }
  if (code < -5) return Storage::None;
  if (code >= 5000) return Storage::None;
  if (dxf::isPointX(code)) return Storage::Point;
  switch (dxf::valueTypeOf(code)) {
    case dxf::ValueType::Real:
      return Storage::Real;
    case dxf::ValueType::Int16:
    case dxf::ValueType::Bool:
      return Storage::Int16;
    case dxf::ValueType::Int32:
    case dxf::ValueType::Int64:
      return Storage::Int32;
    case dxf::ValueType::Handle:
      // Handles of the object itself and of extended data stay text; references become names.
      return code == 105 || code == 1005 ? Storage::String : Storage::Name;
    case dxf::ValueType::String:
    case dxf::ValueType::Binary:
      return Storage::String;
  }
  return Storage::None;
}

}  // namespace

namespace {

// Every element of every list made, checked and released asks for its storage: the group codes of
// files and of marker elements are looked up in a table made when the library is loaded (a table
// made on first use was checked for being made on every call).
constexpr int kFirstTabledCode = -5, kLastTabledCode = 1071;
const auto kStorageByCode = [] {
  std::array<Storage, kLastTabledCode - kFirstTabledCode + 1> t{};
  for (int c = kFirstTabledCode; c <= kLastTabledCode; ++c)
    t[static_cast<std::size_t>(c - kFirstTabledCode)] = computeStorage(c);
  return t;
}();

}  // namespace

Storage storageOf(int code) {
  if (code >= kFirstTabledCode && code <= kLastTabledCode)
    return kStorageByCode[static_cast<std::size_t>(code - kFirstTabledCode)];
  return computeStorage(code);
}

ListKind listKindOf(std::string_view type, bool graphical, int code) {
  switch (storageOf(code)) {
    case Storage::Real: {
      if (dxf::isExtendedData(code)) return ListKind::Real;
      if (graphical && code >= 50 && code <= 58) return ListKind::Angle;
      const db::FieldPlace place = db::findField(type, code);
      return place.field && place.field->kind == db::FieldKind::Angle ? ListKind::Angle
                                                                      : ListKind::Real;
    }
    case Storage::Point:
      return ListKind::Point;
    case Storage::Int16:
      return ListKind::Int16;
    case Storage::Int32:
      return ListKind::Int32;
    case Storage::Name:
      return ListKind::Name;
    case Storage::String:
    case Storage::None:
      break;
  }
  return ListKind::String;
}

ObjectItems scanItems(const db::Database& db, db::ObjectId id) {
  ObjectItems out;
  const std::span<const dxf::Tag> tags = db.tags(id);
  const std::string_view type = db.typeName(id);
  const bool identity = db::hasIdentity(type);
  int braceDepth = 0;
  out.items.reserve(tags.size());
  for (std::size_t i = 1; i < tags.size();) {
    const int code = tags[i].code;
    std::uint32_t count = 1;
    if (dxf::isPointX(code)) {
      if (i + 1 < tags.size() && tags[i + 1].code == code + 10) {
        ++count;
        if (i + 2 < tags.size() && tags[i + 2].code == code + 20) ++count;
      }
    }
    if (identity && !dxf::isExtendedData(code)) {
      if (code == 102) {
        braceDepth = dxf::applicationDepthAfter(braceDepth, db.text(tags[i]));
      } else if (out.handleItem < 0 && db::isHandleGroup(type, code)) {
        out.handleItem = static_cast<std::ptrdiff_t>(out.items.size());
      } else if (out.ownerItem < 0 && code == 330 && braceDepth == 0) {
        out.ownerItem = static_cast<std::ptrdiff_t>(out.items.size());
      }
    }
    out.items.push_back({code, static_cast<std::uint32_t>(i), count});
    i += count;
  }
  return out;
}

std::string handleText(const db::Database& db, db::ObjectId id) {
  if (id.isNull()) return "0";
  return fmt::format("{:X}", db.handle(id));
}

namespace {

// Elements of released lists, kept for the lists made next. Commands read and release lists by
// the hundred thousand, a few dozen elements at a time, and the allocator's own cache keeps only
// a handful of blocks of one size: the rest went through its slower paths on every release and
// every make. Each element stays a block of its own from malloc, so whatever frees it frees it.
class SpareElements {
 public:
  SpareElements() = default;
  SpareElements(const SpareElements&) = delete;
  SpareElements& operator=(const SpareElements&) = delete;
  ~SpareElements() {
    closed_ = true;
    while (resbuf* rb = take()) std::free(rb);
  }

  resbuf* take() {
    resbuf* rb = first_;
    if (rb) {
      first_ = rb->next;
      --count_;
    }
    return rb;
  }
  void give(resbuf* rb) {
    if (closed_ || count_ == kMostKept) {
      std::free(rb);
      return;
    }
    rb->next = first_;
    first_ = rb;
    ++count_;
  }

 private:
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer finds an element used after its list was released only if it is freed.
  static constexpr std::size_t kMostKept = 0;
#else
  static constexpr std::size_t kMostKept = 4096;
#endif
  resbuf* first_ = nullptr;
  std::size_t count_ = 0;
  bool closed_ = false;  // set while the process ends: what is released then is freed at once
};

// Modules call the host from the command thread only, as every other list call assumes.
SpareElements spareElements;

}  // namespace

void releaseListElement(resbuf* rb) {
  spareElements.give(rb);
}

resbuf* newListElement(int code) {
  // Not calloc, nor malloc and a memset of the whole block (which compilers turn into calloc):
  // lists are made and freed by the thousand, and calloc bypasses the allocator's per-thread
  // cache of freed blocks.
  resbuf* rb = spareElements.take();
  if (!rb) rb = static_cast<resbuf*>(std::malloc(sizeof(resbuf)));
  if (!rb) throw std::bad_alloc();
  rb->next = nullptr;
  rb->code = static_cast<short>(code);
  std::memset(&rb->value, 0, sizeof rb->value);
  return rb;
}

resbuf* itemValue(const db::Database& db, std::span<const dxf::Tag> tags, const ListItem& item,
                  ListKind kind) {
  resbuf* rb = newListElement(item.code);
  const dxf::Tag& t = tags[item.first];
  switch (kind) {
    case ListKind::String:
      rb->value.string = newHostString(db, t);
      break;
    case ListKind::Real:
      rb->value.real = db::tagReal(db, t).value_or(0);
      break;
    case ListKind::Angle:
      rb->value.real = db::tagReal(db, t).value_or(0) / kDegrees;
      break;
    case ListKind::Int16:
      rb->value.int16 = static_cast<short>(dxf::parseInteger(db.text(t)).value_or(0));
      break;
    case ListKind::Int32:
      rb->value.int32 = static_cast<std::int32_t>(dxf::parseInteger(db.text(t)).value_or(0));
      break;
    case ListKind::Point:
      for (std::uint32_t k = 0; k < item.count; ++k)
        rb->value.point[k] = db::tagReal(db, tags[item.first + k]).value_or(0);
      break;
    case ListKind::Name: {
      const auto handle = dxf::parseHex(db.text(t));
      const db::ObjectId target = db.findByHandle(handle.value_or(0));
      if (!target.isNull()) setName(rb->value.name, db, target);
      break;
    }
  }
  return rb;
}

bool valueFits(const db::Database& db, const resbuf& rb, ListKind kind) {
  switch (kind) {
    case ListKind::String: {
      if (!plausiblePointer(rb.value.string)) return false;
      for (const wchar_t* p = rb.value.string; *p; ++p)
        if (*p == L'\n' || *p == L'\r') return false;
      return true;
    }
    case ListKind::Real:
    case ListKind::Angle:
      return plausibleNumber(rb.value.real);
    case ListKind::Point:
      return plausibleNumber(rb.value.point[0]) && plausibleNumber(rb.value.point[1]) &&
             plausibleNumber(rb.value.point[2]);
    case ListKind::Int16:
      if (dxf::valueTypeOf(rb.code) == dxf::ValueType::Bool)
        return rb.value.int16 == 0 || rb.value.int16 == 1;
      return true;
    case ListKind::Int32:
      return true;
    case ListKind::Name: {
      if (rb.value.name[0] == 0 && rb.value.name[1] == 0) return true;
      if (rb.value.name[0] != db.serial()) return false;
      const db::ObjectId id = db.fromEntityName({rb.value.name[0], rb.value.name[1]});
      return !id.isNull() && !db.isErased(id);
    }
  }
  return false;
}

db::ObjectId nameTarget(const db::Database& db, const resbuf& rb) {
  return db.fromEntityName({rb.value.name[0], rb.value.name[1]});
}

ValueTexts valueTexts(const db::Database& db, const resbuf& rb, ListKind kind) {
  switch (kind) {
    case ListKind::String:
      return {db.encode(rb.value.string)};
    case ListKind::Real:
      return {db::formatReal(rb.value.real)};
    case ListKind::Angle: {
      // pi/6 comes back as 29.999999999999996 degrees; a value that close to a round one is it.
      const double degrees = rb.value.real * kDegrees;
      const double round = std::round(degrees * 1e9) / 1e9;
      return {db::formatReal(
          std::abs(degrees - round) <= 1e-12 * std::max(1.0, std::abs(degrees)) ? round : degrees)};
    }
    case ListKind::Int16:
      return {std::to_string(rb.value.int16)};
    case ListKind::Int32:
      return {std::to_string(rb.value.int32)};
    case ListKind::Point:
      return {db::formatReal(rb.value.point[0]), db::formatReal(rb.value.point[1]),
              db::formatReal(rb.value.point[2])};
    case ListKind::Name:
      return {handleText(db, nameTarget(db, rb))};
  }
  return {};
}

namespace {

// Most strings are plain ASCII and read as themselves; only the others need decoding to compare.
bool sameString(const db::Database& db, std::string_view stored, const wchar_t* value) {
  std::size_t i = 0;
  for (; i < stored.size(); ++i) {
    const auto c = static_cast<unsigned char>(stored[i]);
    if (c >= 0x80 || c == '\\' || c == 0) return db.codec().decode(stored) == value;
    if (value[i] != static_cast<wchar_t>(c)) return false;
  }
  return value[i] == L'\0';
}

}  // namespace

bool sameValue(const db::Database& db, std::span<const dxf::Tag> tags, const ListItem& item,
               ListKind kind, const resbuf& rb) {
  const dxf::Tag& t = tags[item.first];
  switch (kind) {
    case ListKind::String:
      return sameString(db, db.text(t), rb.value.string);
    case ListKind::Real:
      return db::tagReal(db, t) == rb.value.real;
    case ListKind::Angle: {
      const auto degrees = db::tagReal(db, t);
      return degrees &&
             (*degrees / kDegrees == rb.value.real || *degrees == rb.value.real * kDegrees);
    }
    case ListKind::Int16:
      return dxf::parseInteger(db.text(t)) == rb.value.int16;
    case ListKind::Int32: {
      const auto v = dxf::parseInteger(db.text(t));
      return v && static_cast<std::int32_t>(*v) == rb.value.int32;
    }
    case ListKind::Point:
      for (std::uint32_t k = 0; k < 3; ++k) {
        const double stored =
            k < item.count ? db::tagReal(db, tags[item.first + k]).value_or(0) : 0.0;
        if (stored != rb.value.point[k]) return false;
      }
      return true;
    case ListKind::Name: {
      const auto handle = dxf::parseHex(db.text(t));
      const db::ObjectId stored = handle ? db.findByHandle(*handle) : db::ObjectId();
      return stored == nameTarget(db, rb);
    }
  }
  return false;
}

bool isCommonEntityGroup(int code) {
  switch (code) {
    case 92:
    case 160:
    case 284:
    case 310:
    case 347:
    case 348:
    case 380:
    case 390:
    case 430:
    case 440:
      return true;
    default:
      return false;
  }
}

bool canHold(std::string_view type, bool graphical, int code) {
  if (dxf::isExtendedData(code) || code == 100 || code == 102 || code == 5 || code == 330 ||
      code == 360)
    return true;
  if (code < 0) return false;
  const db::ClassSpec* cls = db::classSpecOf(type);
  // The tables know only part of these types' groups (paths, edges, leader contexts, ...).
  if (!cls || type == "HATCH" || type == "DIMENSION" || type == "LEADER" || type == "MULTILEADER" ||
      type == "WIPEOUT" || type == "XRECORD")
    return true;
  // An entity's class holds its AcDbEntity part; these are the groups of that part no table holds.
  if (db::findField(cls, code).field) return true;
  if (graphical && isCommonEntityGroup(code)) return true;
  auto among = [code](std::initializer_list<int> codes) {
    for (int c : codes)
      if (c == code) return true;
    return false;
  };
  if (type == "LWPOLYLINE") return isVertexGroup(code);
  if (type == "MTEXT") return among({3, 45, 48, 49, 63, 75, 76, 78, 79, 421, 431, 441});
  if (type == "POLYLINE") return among({10, 40, 41, 66, 70, 71, 72, 73, 74, 75, 39, 210});
  if (type == "VERTEX") return among({10, 40, 41, 42, 50, 70, 71, 72, 73, 74, 91});
  if (type == "DICTIONARY") return among({3, 350, 360, 280, 281});
  if (type == "ATTRIB" || type == "ATTDEF") return among({101, 3, 11, 210, 72, 74, 46, 71});
  return false;
}

editor::Document* activeDocumentOrNull() {
  return editor::Session::instance().active();
}

ResolvedObject resolveActive(const kds_name name) {
  ResolvedObject r = resolve(name);
  if (!r || r.document != activeDocumentOrNull()) return {};
  return r;
}

}  // namespace kx::api
