#pragma once
// The drawing database. Every object keeps the groups it was read with; typed access reads and
// writes those groups, so whatever the host does not understand is written back untouched, and a
// value nobody changed is written from the text it was read from.
//
// Objects are the records of the file, one per group-0 line: entities, table entries, objects,
// and the structural records (SECTION, TABLE, BLOCK, ENDBLK, SEQEND, ENDSEC, EOF) that tie them
// together. The HEADER section's variables are the groups of its SECTION record.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "db/field_table.h"
#include "db/handle_index.h"
#include "db/object_id.h"
#include "dxf/encoding.h"
#include "dxf/tag.h"
#include "dxf/text_buffer.h"

namespace kx::db {

using dxf::Tag;

// A group to add to an object: its code and its value as DXF text in the drawing's encoding.
struct NewTag {
  int code;
  std::string text;
};

struct Section {
  std::string name;               // "HEADER", "ENTITIES", ...; empty for records between sections
  std::vector<ObjectId> records;  // SECTION record first, ENDSEC record last
};

// The name a module holds for an object: which drawing, and which object in it. Names of one
// drawing never match objects of another, so a name kept across drawings is refused, not misread.
struct EntityName {
  std::int64_t drawing = 0;
  std::int64_t object = 0;
  friend bool operator==(const EntityName&, const EntityName&) = default;
};

// AC1009 (R12) ... AC1032 (R2018).
struct DxfVersion {
  int number = 1009;
  std::string name() const;
  bool hasSubclassMarkers() const { return number >= 1012; }
  bool isUtf8() const { return number >= 1021; }
};

// Whether group `code` holds the handle of a record of `type`. Dimension styles keep theirs in 105
// (some writers use 5); the header and other structural records have none, though the header
// holds groups 5 of its own ($HANDSEED).
bool isHandleGroup(std::string_view type, int code);
// Whether records of `type` have a handle and an owner at all.
bool hasIdentity(std::string_view type);

class Database {
 public:
  Database();
  ~Database();
  Database(Database&&) noexcept;
  Database& operator=(Database&&) noexcept;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // ---- building (the reader's and the template's side) ----
  // Takes the whole text of the drawing; records refer into it.
  void adoptSource(dxf::TextBuffer text);
  // A record read from the source: bytes [begin, end) starting at its group-0 line.
  ObjectId addSourceRecord(std::uint32_t begin, std::uint32_t end, std::string_view type,
                           std::uint64_t handle, std::uint64_t ownerHandle);
  std::vector<Section>& mutableSections() {
    positionsKnown_ = false;
    return sections_;
  }
  void setPreamble(std::string bytes) { preamble_ = std::move(bytes); }
  void setTrailer(std::string bytes) { trailer_ = std::move(bytes); }
  void setLineEnd(std::string_view eol) { lineEnd_ = eol; }
  // Whether group codes are written right-aligned in three characters ("  8"), as most writers
  // do, or as bare numbers ("8"); groups added here follow the file.
  void setCodesPadded(bool padded) { codesPadded_ = padded; }
  bool codesPadded() const { return codesPadded_; }
  void setCodec(dxf::CodePage page);
  void setVersion(DxfVersion v) { version_ = v; }
  // Called once the reader has placed every record: indexes handles and sets the handle seed.
  // Returns the objects whose handle another object already had (in file order).
  std::vector<ObjectId> indexHandles();

  // ---- the file as a whole ----
  std::string_view source() const { return source_.view(); }
  const std::vector<Section>& sections() const { return sections_; }
  const Section* findSection(std::string_view name) const;
  // Where a record sits in the file: its section (an index into sections()) and its place there;
  // section -1 for a record that is in none.
  struct Position {
    int section = -1;
    std::size_t index = 0;
  };
  Position position(ObjectId id) const;
  int sectionIndex(std::string_view name) const;
  std::string_view preamble() const { return preamble_; }
  std::string_view trailer() const { return trailer_; }
  std::string_view lineEnd() const { return lineEnd_; }
  DxfVersion version() const { return version_; }
  const dxf::TextCodec& codec() const { return *codec_; }
  std::size_t objectCount() const { return records_.size(); }

  // ---- objects ----
  std::string_view typeName(ObjectId id) const;
  // The field tables of the object's type; null for a type they do not describe.
  const ClassSpec* classSpec(ObjectId id) const { return classSpecs_[records_[id.index()].type]; }
  bool isType(ObjectId id, std::string_view type) const { return typeName(id) == type; }
  std::uint64_t handle(ObjectId id) const { return records_[id.index()].handle; }
  std::uint64_t ownerHandle(ObjectId id) const { return records_[id.index()].ownerHandle; }
  // The owning object: the one the reader worked out from where the object sits in the file when
  // the file names none, or none that exists (an ATTRIB's is the INSERT it follows); else the one
  // its owner handle names.
  ObjectId owner(ObjectId id) const;
  void setResolvedOwner(ObjectId id, ObjectId owner) { resolvedOwners_[id] = owner; }
  ObjectId findByHandle(std::uint64_t handle) const;
  bool isErased(ObjectId id) const { return records_[id.index()].flags & kErased; }
  void setErased(ObjectId id, bool erased);
  // How many times an erased object was brought back: what was worked out from the live objects
  // and the objects added since holds while this stays the same.
  std::uint64_t restorations() const { return restorations_; }
  // Whether the object must be written group by group (it changed, or was made here).
  bool isEdited(ObjectId id) const { return records_[id.index()].flags & kEdited; }
  // Bytes of an unchanged object as read.
  std::string_view sourceBytes(ObjectId id) const;
  // Where the object started in the file read, changed since or not; nothing for objects made here.
  std::optional<std::size_t> sourceOffset(ObjectId id) const {
    const Record& r = records_[id.index()];
    if (r.begin == r.end) return std::nullopt;
    return r.begin;
  }

  // This drawing's identity among the drawings open in the process.
  std::int64_t serial() const { return serial_; }
  EntityName entityName(ObjectId id) const {
    return {serial_, static_cast<std::int64_t>(id.index()) + 1};
  }
  // Null for a name of another drawing or of no object.
  ObjectId fromEntityName(const EntityName& name) const;
  // Changes whenever a symbol table record is changed, added or erased, so lookups by name can
  // be kept while it stays the same.
  std::uint64_t tablesRevision() const { return tablesRevision_; }
  // Changes whenever any object is changed, added or erased: a drawing whose count is what it was
  // when it was saved has nothing unsaved.
  std::uint64_t changeCount() const { return changeCount_; }
  // What a reader works out from the symbol tables (records by name, layer flags, text styles),
  // kept with the drawing until a table record changes: one value of each type T.
  template <typename T>
  T& tablesCache() const {
    // Looked up for every text placed: a slot number per type, not a hash of its name.
    static const std::size_t slotNumber = newTablesCacheSlot();
    if (slotNumber >= tablesCaches_.size()) tablesCaches_.resize(slotNumber + 1);
    TablesCacheSlot& slot = tablesCaches_[slotNumber];
    if (!slot.value || slot.revision != tablesRevision_) {
      slot.value = std::make_shared<T>();
      slot.revision = tablesRevision_;
    }
    return *static_cast<T*>(slot.value.get());
  }

  // What a reader works out from objects and checks against their revisions itself (the draw
  // order of a block, the keys of a dictionary): one value of each type T, kept with the drawing.
  template <typename T>
  T& objectsCache() const {
    std::shared_ptr<void>& value = objectsCaches_[std::type_index(typeid(T))];
    if (!value) value = std::make_shared<T>();
    return *static_cast<T*>(value.get());
  }

  // ---- groups ----
  std::span<const Tag> tags(ObjectId id) const;
  // Changes whenever the object's groups change, so what was worked out from them can be kept.
  std::uint32_t revision(ObjectId id) const { return records_[id.index()].revision; }
  // Changes whenever a group is added to or taken from any object, or a group that divides an
  // object into parts (a subclass marker, a 102 brace) is rewritten. While it stays the same,
  // where each group of an object sits and which part it belongs to hold however many of its
  // values were rewritten: a command rewriting a text's points need not find its groups again.
  std::uint64_t groupPlacesRevision() const { return groupPlacesRevision_; }
  std::string_view text(const Tag& tag) const;
  // The group-code line of a tag as it is to be written (without line end).
  std::string_view codeText(const Tag& tag) const;
  std::wstring decode(const Tag& tag) const { return codec_->decode(text(tag)); }
  std::string encode(std::wstring_view s) const { return codec_->encode(s); }

  void setText(ObjectId id, std::size_t index, std::string_view text);
  // From now on the object is written group by group, each group on lines of its own.
  void markEdited(ObjectId id) { editableTags(id); }
  void insertTag(ObjectId id, std::size_t index, int code, std::string_view text);
  void eraseTags(ObjectId id, std::size_t index, std::size_t count);

  // ---- making objects ----
  std::uint64_t allocateHandle() { return nextHandle_++; }
  std::uint64_t handleSeed() const { return nextHandle_; }
  // Makes a record of `type` with `tags` (which do not include the group-0 type line) and places it
  // in `section` before `before` (or before the section's ENDSEC when `before` is null).
  ObjectId addRecord(int section, ObjectId before, std::string_view type,
                     const std::vector<NewTag>& tags);
  // Makes a record as addRecord does from one made outside the drawing's blocks (`made`, such as
  // an exploded entity not yet added): its type line, then `head`, then its groups from index
  // `from` on. Those groups are taken over, not copied; `made` is left with its type line alone.
  ObjectId addRecordFrom(int section, ObjectId before, ObjectId made, std::size_t from,
                         const std::vector<NewTag>& head);
  // Gives an object a new handle, changing its group 5 (105 for dimension styles).
  void assignHandle(ObjectId id, std::uint64_t handle);

  // ---- header variables ----
  // The groups after "9 $NAME" up to the next variable, as indexes into the header record's tags.
  struct HeaderRange {
    ObjectId record;
    std::size_t first = 0;
    std::size_t count = 0;
  };
  std::optional<HeaderRange> headerVariable(std::string_view name) const;
  std::optional<std::string_view> headerText(std::string_view name) const;
  // Sets a one-group variable, adding it at the end of the header when it is missing.
  void setHeaderText(std::string_view name, int code, std::string_view text);
  // Writes the handle seed into $HANDSEED when new handles were given out since loading.
  void syncHandleSeed();

 private:
  enum Flags : std::uint8_t { kErased = 1, kEdited = 2 };
  struct Record {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    mutable std::uint32_t tagList = kNoTags;
    std::uint32_t type = 0;
    std::uint64_t handle = 0;
    std::uint64_t ownerHandle = 0;
    std::uint32_t revision = 0;
    std::uint8_t flags = 0;
  };
  static constexpr std::uint32_t kNoTags = 0xFFFFFFFFu;

  std::uint32_t internType(std::string_view type);
  void noteChange(const Record& r) {
    ++changeCount_;
    if (tableTypes_[r.type]) ++tablesRevision_;
  }
  std::vector<Tag>& editableTags(ObjectId id);
  Tag makeOwnedTag(int code, std::string_view codeText, std::string_view value);
  ObjectId placeNewRecord(std::uint32_t type, std::vector<Tag> list, int section, ObjectId before);
  void refreshIdentity(ObjectId id);
  // Index of the last group the handle and owner are read from (the first handle group and the
  // first 330 outside braces); the number of groups when one is missing, 0 for records without.
  std::size_t identityEnd(ObjectId id) const;
  ObjectId headerRecord() const;
  static std::size_t newTablesCacheSlot();

  dxf::TextBuffer source_;
  std::string owned_;  // texts of groups changed or made here, laid out like the file
  std::vector<Record> records_;
  mutable std::vector<std::vector<Tag>> tagLists_;
  std::vector<std::string> typeNames_;
  std::unordered_map<std::string, std::uint32_t> typeIndex_;
  std::vector<bool> tableTypes_;              // by type index: a symbol table record type
  std::vector<const ClassSpec*> classSpecs_;  // by type index
  std::uint64_t tablesRevision_ = 0;
  std::uint64_t restorations_ = 0;
  std::uint64_t changeCount_ = 0;
  std::uint64_t groupPlacesRevision_ = 0;
  std::uint32_t lastType_ = 0;  // records of one type come in runs
  HandleIndex handles_;
  std::unordered_map<ObjectId, ObjectId> resolvedOwners_;
  struct TablesCacheSlot {
    std::shared_ptr<void> value;
    std::uint64_t revision = 0;
  };
  mutable std::vector<TablesCacheSlot> tablesCaches_;
  mutable std::unordered_map<std::type_index, std::shared_ptr<void>> objectsCaches_;
  // Header variables by name, for the header records as they were at the revisions listed:
  // new records read variables such as $CLAYER one by one, from hundreds.
  struct HeaderVariableAt {
    std::string name;
    ObjectId record;
    std::size_t index = 0;  // of its group 9
  };
  struct HeaderIndex {
    bool built = false;
    std::vector<std::pair<ObjectId, std::uint32_t>> records;
    std::vector<HeaderVariableAt> byName;  // sorted by name, the first of a name first
  };
  mutable HeaderIndex headerIndex_;
  // Position of each record (section << 40 | index), worked out when first asked for.
  mutable std::vector<std::uint64_t> positions_;
  mutable bool positionsKnown_ = false;
  std::vector<Section> sections_;
  std::string preamble_;
  std::string trailer_;
  std::string lineEnd_ = "\n";
  bool codesPadded_ = true;
  DxfVersion version_;
  std::unique_ptr<dxf::TextCodec> codec_;
  std::int64_t serial_;
  std::uint64_t nextHandle_ = 1;
  std::uint64_t seedAtLoad_ = 0;
};

}  // namespace kx::db
