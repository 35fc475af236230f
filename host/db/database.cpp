#include "db/database.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <charconv>
#include <cstring>
#include <stdexcept>

#include <fmt/format.h>

#include "dxf/group_code.h"
#include "dxf/number_syntax.h"
#include "dxf/tag_scanner.h"

namespace kx::db {

bool hasIdentity(std::string_view type) {
  return type != "SECTION" && type != "ENDSEC" && type != "EOF" && type != "CLASS" && !type.empty();
}

bool isHandleGroup(std::string_view type, int code) {
  if (code == 5) return hasIdentity(type);
  return code == 105 && type == "DIMSTYLE";
}

std::string DxfVersion::name() const {
  return fmt::format("AC{}", number);
}

namespace {
std::atomic<std::int64_t> nextDrawingSerial{1};
}

Database::Database()
    : codec_(std::make_unique<dxf::TextCodec>(dxf::CodePage::Ansi1252)),
      serial_(nextDrawingSerial++) {
  internType("");
}

ObjectId Database::fromEntityName(const EntityName& name) const {
  if (name.drawing != serial_ || name.object < 1 ||
      name.object > static_cast<std::int64_t>(records_.size()))
    return {};
  return ObjectId(static_cast<std::uint32_t>(name.object - 1));
}
Database::~Database() = default;
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;

void Database::adoptSource(dxf::TextBuffer text) {
  if (text.size() >= 0xFFFFFFFFu) throw std::length_error("drawing larger than 4 GB");
  source_ = std::move(text);
  // Most records of real drawings take 100 to 200 bytes; reserving up front saves regrowing a
  // large array while reading.
  records_.reserve(source_.size() / 128 + 16);
}

void Database::setCodec(dxf::CodePage page) {
  codec_ = std::make_unique<dxf::TextCodec>(page);
}

std::uint32_t Database::internType(std::string_view type) {
  if (lastType_ < typeNames_.size() && typeNames_[lastType_] == type) return lastType_;
  auto it = typeIndex_.find(std::string(type));
  if (it != typeIndex_.end()) return lastType_ = it->second;
  const auto index = static_cast<std::uint32_t>(typeNames_.size());
  typeNames_.emplace_back(type);
  typeIndex_.emplace(std::string(type), index);
  static constexpr std::string_view kTableTypes[] = {
      "LAYER", "STYLE", "LTYPE", "VIEW", "UCS", "VPORT", "APPID", "DIMSTYLE", "BLOCK_RECORD"};
  tableTypes_.push_back(std::find(std::begin(kTableTypes), std::end(kTableTypes), type) !=
                        std::end(kTableTypes));
  classSpecs_.push_back(classSpecOf(type));
  return lastType_ = index;
}

ObjectId Database::addSourceRecord(std::uint32_t begin, std::uint32_t end, std::string_view type,
                                   std::uint64_t handle, std::uint64_t ownerHandle) {
  Record r;
  r.begin = begin;
  r.end = end;
  r.type = internType(type);
  r.handle = handle;
  r.ownerHandle = ownerHandle;
  records_.push_back(r);
  return ObjectId(static_cast<std::uint32_t>(records_.size() - 1));
}

std::vector<ObjectId> Database::indexHandles() {
  std::vector<ObjectId> duplicates;
  handles_.clear();
  handles_.reserve(records_.size());
  std::uint64_t largest = 0;
  for (std::uint32_t i = 0; i < records_.size(); ++i) {
    const std::uint64_t h = records_[i].handle;
    if (h == 0) continue;
    if (h < (std::uint64_t{1} << 62)) largest = std::max(largest, h);
    if (!handles_.insert(h, ObjectId(i))) duplicates.emplace_back(i);
  }
  std::uint64_t seed = 0;
  if (auto text = headerText("$HANDSEED")) seed = dxf::parseHex(*text).value_or(0);
  // A seed below a handle in use would hand out that handle again. Absurdly large handles (a
  // damaged file) must not make the next one wrap around to 0.
  constexpr std::uint64_t kLargestSeed = std::uint64_t{1} << 62;
  nextHandle_ = std::min(std::max(seed, largest + 1), kLargestSeed);
  seedAtLoad_ = nextHandle_;
  return duplicates;
}

const Section* Database::findSection(std::string_view name) const {
  const int i = sectionIndex(name);
  return i < 0 ? nullptr : &sections_[i];
}

Database::Position Database::position(ObjectId id) const {
  if (!positionsKnown_) {
    positions_.assign(records_.size(), ~std::uint64_t{0});
    for (std::size_t s = 0; s < sections_.size(); ++s)
      for (std::size_t i = 0; i < sections_[s].records.size(); ++i)
        positions_[sections_[s].records[i].index()] = static_cast<std::uint64_t>(s) << 40 | i;
    positionsKnown_ = true;
  }
  const std::uint64_t p =
      id.index() < positions_.size() ? positions_[id.index()] : ~std::uint64_t{0};
  if (p == ~std::uint64_t{0}) return {};
  return {static_cast<int>(p >> 40), static_cast<std::size_t>(p & ((std::uint64_t{1} << 40) - 1))};
}

int Database::sectionIndex(std::string_view name) const {
  for (std::size_t i = 0; i < sections_.size(); ++i)
    if (sections_[i].name == name) return static_cast<int>(i);
  return -1;
}

std::string_view Database::typeName(ObjectId id) const {
  return typeNames_[records_[id.index()].type];
}

ObjectId Database::findByHandle(std::uint64_t handle) const {
  return handles_.find(handle);
}

ObjectId Database::owner(ObjectId id) const {
  if (!resolvedOwners_.empty())
    if (const auto it = resolvedOwners_.find(id); it != resolvedOwners_.end()) return it->second;
  return findByHandle(ownerHandle(id));
}

void Database::setErased(ObjectId id, bool erased) {
  Record& r = records_[id.index()];
  if (!erased && (r.flags & kErased)) ++restorations_;
  r.flags = erased ? (r.flags | kErased) : (r.flags & ~kErased);
  noteChange(r);
}

std::string_view Database::sourceBytes(ObjectId id) const {
  const Record& r = records_[id.index()];
  return source().substr(r.begin, r.end - r.begin);
}

std::span<const Tag> Database::tags(ObjectId id) const {
  const Record& r = records_[id.index()];
  if (r.tagList == kNoTags) {
    std::vector<Tag> list;
    // Each group takes two lines.
    const std::string_view bytes = source().substr(r.begin, r.end - r.begin);
    list.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) / 2 + 1);
    dxf::TagScanner scanner(source().substr(0, r.end), r.begin);
    dxf::RawTag raw;
    while (scanner.next(raw) == dxf::ScanStatus::Ok) {
      Tag t;
      t.valueOffset = static_cast<std::uint32_t>(raw.valueOffset);
      t.valueLength = static_cast<std::uint32_t>(raw.valueLength);
      t.code = static_cast<std::int16_t>(raw.code);
      t.codeWidth = raw.codeWidth;
      t.flags = raw.codeCR ? Tag::kCodeCR : 0;
      list.push_back(t);
    }
    r.tagList = static_cast<std::uint32_t>(tagLists_.size());
    tagLists_.push_back(std::move(list));
  }
  return tagLists_[r.tagList];
}

std::string_view Database::text(const Tag& tag) const {
  const std::string_view pool = tag.owned() ? std::string_view(owned_) : source();
  return pool.substr(tag.valueOffset, tag.valueLength);
}

std::string_view Database::codeText(const Tag& tag) const {
  if (tag.codeWidth == 0) return {};
  const std::string_view pool = tag.owned() ? std::string_view(owned_) : source();
  const std::size_t lineEnd = (tag.flags & Tag::kCodeCR) ? 2 : 1;
  return pool.substr(tag.valueOffset - lineEnd - tag.codeWidth, tag.codeWidth);
}

std::vector<Tag>& Database::editableTags(ObjectId id) {
  tags(id);
  Record& r = records_[id.index()];
  r.flags |= kEdited;
  ++r.revision;
  noteChange(r);
  return tagLists_[r.tagList];
}

Tag Database::makeOwnedTag(int code, std::string_view codeLine, std::string_view value) {
  if (owned_.size() + codeLine.size() + value.size() + 8 >= 0xFFFFFFFFu)
    throw std::length_error("drawing text pool full");
  Tag t;
  t.code = static_cast<std::int16_t>(code);
  t.flags = Tag::kOwnedPool;
  if (codeLine.empty()) {
    const std::size_t start = owned_.size();
    if (codesPadded_)
      dxf::appendCanonicalCode(owned_, code);
    else
      owned_ += std::to_string(code);
    t.codeWidth = static_cast<std::uint8_t>(owned_.size() - start);
  } else {
    owned_ += codeLine;
    t.codeWidth = static_cast<std::uint8_t>(codeLine.size());
  }
  owned_ += '\n';
  t.valueOffset = static_cast<std::uint32_t>(owned_.size());
  t.valueLength = static_cast<std::uint32_t>(value.size());
  owned_ += value;
  return t;
}

void Database::setText(ObjectId id, std::size_t index, std::string_view newText) {
  // Writing back the value already there leaves the record as read: its revision, and with it
  // every lookup kept for it, stays valid, and it still saves as the bytes it was read from.
  const std::span<const Tag> current = tags(id);
  if (index < current.size() && text(current[index]) == newText) return;
  std::vector<Tag>& list = editableTags(id);
  const Tag old = list.at(index);
  // Keep the group-code line as it was written so a diff shows only the value.
  const std::string codeLine(codeText(old));
  list[index] = makeOwnedTag(old.code, codeLine, newText);
  if (old.code == 100 || old.code == 102) ++groupPlacesRevision_;
  if (old.code == 5 || old.code == 105 || old.code == 330) {
    if (index <= identityEnd(id)) refreshIdentity(id);
  }
}

void Database::insertTag(ObjectId id, std::size_t index, int code, std::string_view newText) {
  // Where the handle and owner are read from before the insertion: a group added after them
  // (a sort table's entries, say) cannot change them.
  const bool identity = (code == 5 || code == 105 || code == 330) && index <= identityEnd(id);
  std::vector<Tag>& list = editableTags(id);
  ++groupPlacesRevision_;
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(index, list.size())),
              makeOwnedTag(code, {}, newText));
  if (identity) refreshIdentity(id);
}

void Database::eraseTags(ObjectId id, std::size_t index, std::size_t count) {
  std::vector<Tag>& list = editableTags(id);
  ++groupPlacesRevision_;
  index = std::min(index, list.size());
  count = std::min(count, list.size() - index);
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(index),
             list.begin() + static_cast<std::ptrdiff_t>(index + count));
  refreshIdentity(id);
}

std::size_t Database::identityEnd(ObjectId id) const {
  const std::string_view type = typeName(id);
  if (!hasIdentity(type)) return 0;
  const std::span<const Tag> list = tags(id);
  bool handle = false, owner = false;
  int braceDepth = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Tag& t = list[i];
    if (t.code == 102) {
      braceDepth = dxf::applicationDepthAfter(braceDepth, text(t));
    } else if (isHandleGroup(type, t.code) && !handle) {
      handle = dxf::parseHex(text(t)).value_or(0) != 0;
    } else if (t.code == 330 && braceDepth == 0 && !owner) {
      owner = dxf::parseHex(text(t)).value_or(0) != 0;
    }
    if (handle && owner) return i;
  }
  return list.size();
}

// Handle and owner are cached on the record; after a change to the groups they are read again.
void Database::refreshIdentity(ObjectId id) {
  Record& r = records_[id.index()];
  const std::uint64_t oldHandle = r.handle;
  std::uint64_t handle = 0, owner = 0;
  const std::string_view type = typeName(id);
  const bool identity = hasIdentity(type);
  int braceDepth = 0;
  for (const Tag& t : identity ? tags(id) : std::span<const Tag>()) {
    if (t.code == 102) {
      braceDepth = dxf::applicationDepthAfter(braceDepth, text(t));
    } else if (isHandleGroup(type, t.code) && handle == 0) {
      handle = dxf::parseHex(text(t)).value_or(0);
    } else if (t.code == 330 && braceDepth == 0 && owner == 0) {
      owner = dxf::parseHex(text(t)).value_or(0);
    }
  }
  r.handle = handle;
  r.ownerHandle = owner;
  if (oldHandle != handle) {
    if (handles_.find(oldHandle) == id) handles_.erase(oldHandle);
    handles_.assign(handle, id);
  }
}

ObjectId Database::addRecord(int section, ObjectId before, std::string_view type,
                             const std::vector<NewTag>& newTags) {
  const std::uint32_t typeIndex = internType(type);
  type = typeNames_[typeIndex];  // not a view into the pool, which may move below
  // Records are made by the thousand: their texts go into the pool in one piece, with room for
  // the longest code lines made first and what is left over given back after.
  constexpr std::size_t kCodeRoom = 12;
  std::size_t room = kCodeRoom + 1 + type.size();
  for (const NewTag& t : newTags) room += kCodeRoom + 1 + t.text.size();
  if (owned_.size() + room + 8 >= 0xFFFFFFFFu) throw std::length_error("drawing text pool full");
  std::size_t at = owned_.size();
  owned_.resize(at + room);
  char* const pool = owned_.data();
  std::vector<Tag> list;
  list.reserve(newTags.size() + 1);
  const auto put = [&](int code, std::string_view value) {
    char* const codeStart = pool + at;
    char* const codeEnd = codesPadded_ ? dxf::writeCanonicalCode(codeStart, code)
                                       : std::to_chars(codeStart, codeStart + kCodeRoom, code).ptr;
    Tag t;
    t.code = static_cast<std::int16_t>(code);
    t.flags = Tag::kOwnedPool;
    t.codeWidth = static_cast<std::uint8_t>(codeEnd - codeStart);
    at += t.codeWidth;
    pool[at++] = '\n';
    t.valueOffset = static_cast<std::uint32_t>(at);
    t.valueLength = static_cast<std::uint32_t>(value.size());
    std::memcpy(pool + at, value.data(), value.size());
    at += value.size();
    list.push_back(t);
  };
  put(0, type);
  for (const NewTag& t : newTags) put(t.code, t.text);
  owned_.resize(at);
  return placeNewRecord(typeIndex, std::move(list), section, before);
}

ObjectId Database::addRecordFrom(int section, ObjectId before, ObjectId made, std::size_t from,
                                 const std::vector<NewTag>& head) {
  std::vector<Tag>& taken = editableTags(made);
  std::vector<Tag> list;
  list.reserve(taken.size() + head.size());
  list.push_back(taken.front());
  for (const NewTag& t : head) list.push_back(makeOwnedTag(t.code, {}, t.text));
  list.insert(list.end(), taken.begin() + static_cast<std::ptrdiff_t>(std::min(from, taken.size())),
              taken.end());
  taken.resize(1);
  ++groupPlacesRevision_;
  refreshIdentity(made);
  return placeNewRecord(records_[made.index()].type, std::move(list), section, before);
}

ObjectId Database::placeNewRecord(std::uint32_t type, std::vector<Tag> list, int section,
                                  ObjectId before) {
  Record r;
  r.type = type;
  r.flags = kEdited;
  r.tagList = static_cast<std::uint32_t>(tagLists_.size());
  tagLists_.push_back(std::move(list));
  records_.push_back(r);
  const ObjectId id(static_cast<std::uint32_t>(records_.size() - 1));
  noteChange(r);
  ++groupPlacesRevision_;
  refreshIdentity(id);

  std::vector<ObjectId>& order = sections_.at(static_cast<std::size_t>(section)).records;
  auto at = order.end();
  if (!before.isNull()) {
    const Position p = position(before);
    at = p.section == section ? order.begin() + static_cast<std::ptrdiff_t>(p.index)
                              : std::find(order.begin(), order.end(), before);
  } else if (!order.empty() && typeName(order.back()) == "ENDSEC") {
    at = order.end() - 1;
  }
  const std::size_t index = static_cast<std::size_t>(at - order.begin());
  order.insert(at, id);
  if (positionsKnown_) {
    // Records are mostly added near the end of their section: only those after it move.
    positions_.resize(records_.size(), ~std::uint64_t{0});
    for (std::size_t i = index; i < order.size(); ++i)
      positions_[order[i].index()] = static_cast<std::uint64_t>(section) << 40 | i;
  }
  return id;
}

void Database::assignHandle(ObjectId id, std::uint64_t handle) {
  const std::string_view type = typeName(id);
  const std::string hex = fmt::format("{:X}", handle);
  const std::span<const Tag> list = tags(id);
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (isHandleGroup(type, list[i].code)) {
      setText(id, i, hex);
      return;
    }
  }
  insertTag(id, 1, type == "DIMSTYLE" ? 105 : 5, hex);
}

ObjectId Database::headerRecord() const {
  const Section* header = findSection("HEADER");
  return header && !header->records.empty() ? header->records.front() : ObjectId();
}

std::size_t Database::newTablesCacheSlot() {
  static std::atomic<std::size_t> next{0};
  return next++;
}

std::optional<Database::HeaderRange> Database::headerVariable(std::string_view name) const {
  const Section* header = findSection("HEADER");
  if (!header) return std::nullopt;
  HeaderIndex& index = headerIndex_;
  bool current = index.built && index.records.size() == header->records.size();
  for (std::size_t r = 0; current && r < header->records.size(); ++r)
    current = index.records[r].first == header->records[r] &&
              index.records[r].second == revision(header->records[r]);
  if (!current) {
    index.built = true;
    index.records.clear();
    index.byName.clear();
    // Variables normally all sit in the SECTION record; a stray ENDSEC may carry the rest.
    for (ObjectId record : header->records) {
      index.records.emplace_back(record, revision(record));
      const std::span<const Tag> list = tags(record);
      for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].code == 9) index.byName.push_back({std::string(text(list[i])), record, i});
    }
    std::stable_sort(
        index.byName.begin(), index.byName.end(),
        [](const HeaderVariableAt& a, const HeaderVariableAt& b) { return a.name < b.name; });
  }
  const auto at =
      std::lower_bound(index.byName.begin(), index.byName.end(), name,
                       [](const HeaderVariableAt& v, std::string_view n) { return v.name < n; });
  if (at == index.byName.end() || at->name != name) return std::nullopt;
  const std::span<const Tag> list = tags(at->record);
  const std::size_t i = at->index;
  std::size_t end = i + 1;
  while (end < list.size() && list[end].code != 9 && list[end].code != 0) ++end;
  return HeaderRange{at->record, i + 1, end - i - 1};
}

std::optional<std::string_view> Database::headerText(std::string_view name) const {
  auto range = headerVariable(name);
  if (!range || range->count == 0) return std::nullopt;
  return text(tags(range->record)[range->first]);
}

void Database::setHeaderText(std::string_view name, int code, std::string_view value) {
  if (auto range = headerVariable(name); range && range->count > 0) {
    if (tags(range->record)[range->first].code == code) {
      setText(range->record, range->first, value);
    } else {  // a variable written with the wrong group would not read back as what we wrote
      eraseTags(range->record, range->first, 1);
      insertTag(range->record, range->first, code, value);
    }
    return;
  }
  const ObjectId record = headerRecord();
  if (record.isNull()) return;
  const std::size_t end = tags(record).size();
  insertTag(record, end, 9, name);
  insertTag(record, end + 1, code, value);
}

void Database::syncHandleSeed() {
  if (nextHandle_ <= seedAtLoad_) return;
  if (!headerVariable("$HANDSEED")) return;  // drawings without handles keep going without them
  setHeaderText("$HANDSEED", 5, fmt::format("{:X}", nextHandle_));
  seedAtLoad_ = nextHandle_;
}

}  // namespace kx::db
