#include <algorithm>
#include <cstring>
#include <unordered_map>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "db/field_table.h"
#include "db/followers.h"
#include "db/symbol_tables.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"
#include "dxf/tag_scanner.h"

namespace kx::db {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

class DxfReader {
 public:
  DxfReader(dxf::TextBuffer text, std::string_view name, const Progress& progress)
      : name_(name), progress_(progress) {
    db_.adoptSource(std::move(text));
    src_ = db_.source();
  }

  // The shares of the steps are what they take of the time on a big drawing: scanning the groups
  // most, then indexing the handles.
  LoadedDrawing run() {
    checkLooksLikeDxf();
    scanRecords();
    report(kScanned);
    dropCutPiece();
    if (records_.empty())
      throw DxfError(fmt::format("{}:1: the file ends before its first record", name_));
    buildSections();
    dropStrayHeaderGroups();
    readHeader();
    report(0.7);
    fixValues();
    fixHandles();
    report(0.96);
    fixOwners();
    report(1);
    LoadedDrawing out{std::move(db_), repairs_.lines()};
    out.repaired = !out.notices.empty();
    out.notices.insert(out.notices.begin(), notices_.begin(), notices_.end());
    return out;
  }

 private:
  struct PendingRecord {
    std::size_t begin = 0;
    std::string_view type;
    std::uint64_t handle = 0;
    std::uint64_t owner = 0;
    int braceDepth = 0;
    bool open = false;
  };
  struct BadValue {
    ObjectId record;
    std::size_t valueOffset;
  };

  static constexpr double kScanned = 0.65;
  static constexpr std::size_t kReportEvery = std::size_t{4} << 20;

  void report(double fraction) const {
    if (progress_) progress_(fraction);
  }

  [[noreturn]] void fail(std::size_t offset, const std::string& reason) const {
    throw DxfError(fmt::format("{}:{}: {}", name_, dxf::lineNumberAt(src_, offset), reason));
  }

  void checkLooksLikeDxf() {
    if (src_.empty()) throw DxfError(fmt::format("{}: the file is empty", name_));
    const std::string_view head = src_.substr(0, 32);
    if (head.find("Binary DXF") != std::string_view::npos)
      throw DxfError(
          fmt::format("{}: binary DXF is not supported; save the drawing as ASCII DXF", name_));
    if (src_.starts_with(kUtf8Bom)) {
      start_ = kUtf8Bom.size();
      db_.setPreamble(std::string(kUtf8Bom));
    }
    const std::size_t firstLineEnd = src_.find('\n', start_);
    if (firstLineEnd != std::string_view::npos && firstLineEnd > 0 &&
        src_[firstLineEnd - 1] == '\r')
      db_.setLineEnd("\r\n");
    dxf::TagScanner probe(src_, start_);
    dxf::RawTag first;
    const dxf::ScanStatus status = probe.next(first);
    if (status == dxf::ScanStatus::BadCode ||
        (status == dxf::ScanStatus::Ok && first.code != 0 && first.code != 999))
      throw DxfError(
          fmt::format("{}:1: not a DXF file (it does not start with a group code 0)", name_));
    // The first group-0 line tells how the writer lays out codes ("  0" or "0").
    for (dxf::RawTag tag = first; status == dxf::ScanStatus::Ok;) {
      if (tag.code == 0) {
        db_.setCodesPadded(tag.codeWidth > 1);
        break;
      }
      if (probe.next(tag) != dxf::ScanStatus::Ok || probe.position() > 4096) break;
    }
  }

  void closeRecord(PendingRecord& r, std::size_t end) {
    if (!r.open) return;
    records_.push_back(db_.addSourceRecord(static_cast<std::uint32_t>(r.begin),
                                           static_cast<std::uint32_t>(end), r.type, r.handle,
                                           r.owner));
    r = PendingRecord{};
  }

  void scanRecords() {
    dxf::TagScanner scanner(src_, start_);
    dxf::RawTag tag;
    PendingRecord current;
    std::size_t end = start_;
    for (;;) {
      const dxf::ScanStatus status = scanner.next(tag);
      if (status == dxf::ScanStatus::End) break;
      if (status == dxf::ScanStatus::BadCode &&
          src_.find('\n', scanner.position()) == std::string_view::npos) {
        groupCutOff_ = true;
        repairs_.add("groups cut off at the end of the file",
                     dxf::lineNumberAt(src_, scanner.position()));
        break;
      }
      if (status == dxf::ScanStatus::BadCode) {
        const std::size_t lineEnd = src_.find('\n', scanner.position());
        std::string_view line = src_.substr(
            scanner.position(),
            std::min<std::size_t>(lineEnd == std::string_view::npos ? src_.size() : lineEnd,
                                  scanner.position() + 40) -
                scanner.position());
        fail(scanner.position(), fmt::format("'{}' is not a group code", printable(line)));
      }
      if (status == dxf::ScanStatus::MissingValue) {
        groupCutOff_ = true;
        repairs_.add("groups cut off at the end of the file", dxf::lineNumberAt(src_, end));
        break;
      }
      if (tag.code == 0) {
        if (tag.codeOffset >= nextReport_) {
          report(kScanned * static_cast<double>(tag.codeOffset) / static_cast<double>(src_.size()));
          nextReport_ = tag.codeOffset + kReportEvery;
        }
        closeRecord(current, tag.codeOffset);
        current.open = true;
        current.begin = tag.codeOffset;
        current.type = src_.substr(tag.valueOffset, tag.valueLength);
        end = tag.next;
        if (current.type == "EOF") {
          closeRecord(current, tag.next);
          db_.setTrailer(std::string(src_.substr(tag.next)));
          sawEof_ = true;
          return;
        }
        continue;
      }
      if (!current.open) {  // comments or stray groups before the first record
        current.open = true;
        current.begin = tag.codeOffset;
      }
      end = tag.next;
      noteGroup(current, tag);
    }
    closeRecord(current, end);
    // Bytes after the last complete group (a cut-off group-code line) are dropped.
  }

  void noteGroup(PendingRecord& r, const dxf::RawTag& tag) {
    const std::string_view value = src_.substr(tag.valueOffset, tag.valueLength);
    const dxf::ValueType type = dxf::valueTypeOf(tag.code);
    if (dxf::isNumeric(type) && !dxf::isValidValue(type, value)) {
      badValues_.push_back(
          {ObjectId(static_cast<std::uint32_t>(records_.size())), tag.valueOffset});
    }
    if (tag.code == 100) {
      sawSubclassMarker_ = true;
    } else if (tag.code == 102) {
      r.braceDepth = dxf::applicationDepthAfter(r.braceDepth, value);
    } else if (r.handle == 0 && isHandleGroup(r.type, tag.code)) {
      r.handle = dxf::parseHex(value).value_or(0);
    } else if (tag.code == 330 && r.braceDepth == 0 && r.owner == 0 && hasIdentity(r.type)) {
      r.owner = dxf::parseHex(value).value_or(0);
    }
  }

  static std::string printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
  }

  // Counts a repair; where and what are worked out for the first of its kind only, since finding
  // a line number means counting lines from the start.
  template <class FirstPlace>
  void repair(const std::string& kind, FirstPlace first) {
    if (repairs_.count(kind) > 0) {
      repairs_.add(kind, 0);
      return;
    }
    auto [line, example] = first();
    repairs_.add(kind, line, example);
  }

  std::size_t lineOf(ObjectId id) const {
    const auto offset = db_.sourceOffset(id);
    return offset ? dxf::lineNumberAt(src_, *offset) : 0;
  }

  void buildSections() {
    auto& sections = db_.mutableSections();
    int current = -1;  // index of the open section, -1 when between sections
    auto loose = [&]() -> Section& {
      const bool lastIsLoose = !sections.empty() && current < 0 &&
                               (sections.back().records.empty() ||
                                db_.typeName(sections.back().records.front()) != "SECTION");
      if (!lastIsLoose) sections.push_back(Section{});
      return sections.back();
    };
    auto closeOpenSection = [&](const char* why) {
      if (current < 0) return;
      const std::vector<ObjectId>& recs = sections[current].records;
      repairs_.add(why, recs.empty() ? 0 : lineOf(recs.front()),
                   "section " + sections[current].name);
      db_.addRecord(current, ObjectId(), "ENDSEC", {});
      current = -1;
    };

    for (std::size_t i = 0; i < records_.size(); ++i) {
      const ObjectId id = records_[i];
      const std::string_view type = db_.typeName(id);
      if (type == "SECTION") {
        closeOpenSection("sections that never ended");
        sections.push_back(Section{sectionName(id), {id}});
        current = static_cast<int>(sections.size() - 1);
      } else if (type == "ENDSEC") {
        if (current < 0) {
          repair("ENDSEC records outside a section, dropped",
                 [&] { return std::pair(lineOf(id), std::string()); });
          db_.setErased(id, true);
          loose().records.push_back(id);
        } else if (db_.tags(id).size() > 1 && anotherEndBeforeNextSection(i)) {
          // Some writers put an ENDSEC in the middle of the header and go on with variables up to
          // a second ENDSEC; readers carry on, and so do we, keeping the record where it is.
          notices_.push_back(
              fmt::format("line {}: an ENDSEC inside section {} is followed by "
                          "more groups; the section goes on",
                          lineOf(id), sections[current].name));
          sections[current].records.push_back(id);
        } else {
          sections[current].records.push_back(id);
          current = -1;
        }
      } else if (type == "EOF") {
        closeOpenSection("sections that never ended");
        loose().records.push_back(id);
      } else if (current >= 0) {
        sections[current].records.push_back(id);
      } else {
        loose().records.push_back(id);
      }
    }
    if (!sawEof_) {
      // A file cut off in the middle of its last line: that record is written group by group
      // from now on, so it ends its line before the groups the repair adds.
      if (!src_.empty() && src_.back() != '\n' && !records_.empty())
        db_.markEdited(records_.back());
      closeOpenSection("sections that never ended");
      loose();
      db_.addRecord(static_cast<int>(sections.size() - 1), ObjectId(), "EOF", {});
      repairs_.add("files without an end-of-file mark", 0);
    }
  }

  // A file without its end-of-file mark was cut off: a copy that stopped, a disk that filled.
  // What was being written there may be incomplete, and other readers refuse such pieces (a point
  // without its y, a table entry without its name, attributes without their SEQEND), so it goes:
  // in the header the last variable, elsewhere the last record, with the entity whose attributes
  // or vertices it ended. A record the file ends inside of (inside a line, or between a group's
  // code and value) is incomplete for sure; one the file ends right after is kept when it has
  // what other readers need.
  void dropCutPiece() {
    if (sawEof_ || records_.empty()) return;
    const bool cutInsideAGroup = src_.back() != '\n' || groupCutOff_;
    const ObjectId last = records_.back();
    const std::string_view type = db_.typeName(last);
    // Records of one group: whole when their type is.
    if (type == "ENDSEC" || type == "ENDTAB" || type == "ENDBLK" || type == "SEQEND") return;
    const bool namedSection = type == "SECTION" && sectionNameIsWhole(last, cutInsideAGroup);
    if (namedSection) {
      dropLastHeaderVariable(last, cutInsideAGroup);
      return;
    }
    // Attributes or vertices the file ended among go with the entity they follow.
    std::size_t from = records_.size() - 1;
    if (type == "ATTRIB" || type == "VERTEX" || startsFollowers(last)) {
      while (from > 0 &&
             (db_.typeName(records_[from]) == "ATTRIB" || db_.typeName(records_[from]) == "VERTEX"))
        --from;
      if (!startsFollowers(records_[from])) from = records_.size() - 1;
    } else if (!cutInsideAGroup && type != "SECTION" && looksWhole(last)) {
      return;
    }
    const ObjectId first = records_[from];
    repairs_.add("records cut off at the end of the file, dropped", lineOf(first),
                 fmt::format("{} {:X}{}", db_.typeName(first), db_.handle(first),
                             records_.size() - from > 1
                                 ? fmt::format(" and {} more", records_.size() - from - 1)
                                 : std::string()));
    for (std::size_t i = from; i < records_.size(); ++i) db_.setErased(records_[i], true);
    records_.resize(from);
  }

  // An INSERT with attributes (66 = 1) or a POLYLINE: records that a SEQEND must end follow it.
  bool startsFollowers(ObjectId id) const {
    const std::string_view type = db_.typeName(id);
    return type == "POLYLINE" || (type == "INSERT" && groupText(id, 66) == "1");
  }

  static bool isXCoordinate(int code) {
    return (code >= 10 && code <= 18) || (code >= 110 && code <= 112) || code == 210 ||
           (code >= 1010 && code <= 1013);
  }

  // What other readers need of a record the file ends right after: no point without its y, no
  // application group left open, every subclass of its type, and a name where a record must
  // have one.
  bool looksWhole(ObjectId id) const {
    const std::span<const Tag> list = db_.tags(id);
    if (list.empty() || isXCoordinate(list.back().code)) return false;
    int open = 0;
    for (const Tag& t : list) {
      if (t.code != 102) continue;
      const std::string_view value = db_.text(t);
      if (value.starts_with('{')) ++open;
      if (value == "}") --open;
    }
    if (open > 0) return false;
    if (sawSubclassMarker_ && !hasItsSubclasses(id)) return false;
    const std::string_view type = db_.typeName(id);
    const auto has = [&](int code) {
      return std::any_of(list.begin(), list.end(), [&](const Tag& t) { return t.code == code; });
    };
    if (type == "TABLE" || type == "BLOCK" || lastSectionName() == "TABLES") return has(2);
    // A layout is tied to its block by the owner group at the end of its own subclass.
    if (type == "LAYOUT") {
      const auto marker = std::find_if(list.begin(), list.end(), [&](const Tag& t) {
        return t.code == 100 && db_.text(t) == "AcDbLayout";
      });
      return std::any_of(marker, list.end(), [](const Tag& t) { return t.code == 330; });
    }
    return true;
  }

  // The subclass markers of the record's type are all there; for a type the field tables do not
  // describe, one of its own after those every entity or table record has.
  bool hasItsSubclasses(ObjectId id) const {
    const std::span<const Tag> list = db_.tags(id);
    const auto hasMarker = [&](std::string_view marker) {
      return std::any_of(list.begin(), list.end(),
                         [&](const Tag& t) { return t.code == 100 && db_.text(t) == marker; });
    };
    if (const ClassSpec* classSpec = classSpecOf(db_.typeName(id)))
      return std::all_of(classSpec->subclasses.begin(), classSpec->subclasses.end(),
                         [&](const SubclassSpec* part) { return hasMarker(part->marker); });
    return std::any_of(list.begin(), list.end(), [&](const Tag& t) {
      if (t.code != 100) return false;
      const std::string_view marker = db_.text(t);
      return marker != "AcDbEntity" && marker != "AcDbSymbolTableRecord";
    });
  }

  // The name of the last section the records begin.
  std::string lastSectionName() const {
    for (std::size_t i = records_.size(); i-- > 0;)
      if (db_.typeName(records_[i]) == "SECTION") return sectionName(records_[i]);
    return {};
  }

  // Whether a SECTION record that ends the file names its section whole: it has groups after
  // the name, or the name's line ended and it is one a drawing has.
  bool sectionNameIsWhole(ObjectId id, bool cutInsideAGroup) const {
    const std::span<const Tag> list = db_.tags(id);
    std::size_t name = 0;
    while (name < list.size() && list[name].code != 2) ++name;
    if (name == list.size()) return false;
    if (name + 1 < list.size()) return true;
    static constexpr std::string_view kSections[] = {"HEADER",         "CLASSES",  "TABLES",
                                                     "BLOCKS",         "ENTITIES", "OBJECTS",
                                                     "THUMBNAILIMAGE", "ACDSDATA"};
    const std::string_view text = db_.text(list[name]);
    return !cutInsideAGroup &&
           std::find(std::begin(kSections), std::end(kSections), text) != std::end(kSections);
  }

  // The header was cut off inside its last variable, or right after one that has no value yet
  // or only the x of a point.
  void dropLastHeaderVariable(ObjectId header, bool cutInsideAGroup) {
    const std::span<const Tag> list = db_.tags(header);
    std::size_t at = list.size();
    while (at > 0 && list[at - 1].code != 9) --at;
    if (at == 0) return;  // no variable at all
    const std::size_t first = at - 1;
    const bool whole =
        !cutInsideAGroup && first + 1 < list.size() && !isXCoordinate(list.back().code);
    if (whole) return;
    repairs_.add("header variables cut off at the end of the file, dropped",
                 dxf::lineNumberAt(src_, list[first].valueOffset),
                 printable(db_.text(list[first]).substr(0, 40)));
    db_.eraseTags(header, first, list.size() - first);
  }

  // A header variable is a name (9) and one value, or a point (10, 20 and maybe 30). A group
  // beyond that belongs to no variable; other readers stop at it, so it goes. Comments (999) are
  // left alone.
  void dropStrayHeaderGroups() {
    const Section* header = db_.findSection("HEADER");
    if (!header || header->records.empty()) return;
    const ObjectId id = header->records.front();
    const std::span<const Tag> list = db_.tags(id);
    std::vector<std::size_t> stray;
    std::string_view variable;
    std::vector<int> codes;  // the value groups of the current variable so far
    for (std::size_t i = 0; i < list.size(); ++i) {
      const int code = list[i].code;
      if (i == 0 || code == 999) continue;                                     // 0 SECTION
      if (code == 2 && variable.empty() && codes.empty() && i == 1) continue;  // 2 HEADER
      if (code == 9) {
        variable = db_.text(list[i]);
        codes.clear();
        continue;
      }
      const bool fits = !variable.empty() &&
                        (codes.empty() || (codes.front() == 10 &&
                                           ((codes.size() == 1 && code == 20) ||
                                            (codes.size() == 2 && codes[1] == 20 && code == 30))));
      if (fits) {
        codes.push_back(code);
        continue;
      }
      stray.push_back(i);
      repair("groups in the header that belong to no variable, dropped", [&] {
        return std::pair(
            dxf::lineNumberAt(src_, list[i].valueOffset),
            fmt::format("group {} after {}", code,
                        variable.empty() ? std::string("the section name") : printable(variable)));
      });
    }
    for (auto it = stray.rbegin(); it != stray.rend(); ++it) db_.eraseTags(id, *it, 1);
  }

  bool anotherEndBeforeNextSection(std::size_t at) const {
    for (std::size_t i = at + 1; i < records_.size(); ++i) {
      const std::string_view type = db_.typeName(records_[i]);
      if (type == "ENDSEC") return true;
      if (type == "SECTION" || type == "EOF") return false;
    }
    return false;
  }

  std::string sectionName(ObjectId id) const {
    for (const Tag& t : db_.tags(id))
      if (t.code == 2) return std::string(db_.text(t));
    return {};
  }

  void readHeader() {
    if (auto ver = db_.headerText("$ACADVER")) {
      std::string_view v = *ver;
      while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
      if (v.size() >= 6 && v.substr(0, 2) == "AC") {
        if (auto n = dxf::parseInteger(v.substr(2)))
          db_.setVersion(DxfVersion{static_cast<int>(*n)});
      }
    }
    const auto named = db_.headerText("$DWGCODEPAGE");
    const auto page = named ? dxf::codePageFromName(*named) : std::nullopt;
    if (named && !page)
      notices_.push_back(
          fmt::format("code page {} is not known; texts are read as ANSI_1252", printable(*named)));
    const dxf::CodePage fallback = page.value_or(dxf::CodePage::Ansi1252);
    const dxf::CodePage declared = db_.version().isUtf8() ? dxf::CodePage::Utf8 : fallback;
    const dxf::CodePage real = dxf::detectRealEncoding(declared, fallback, src_.substr(start_));
    if (real != declared)
      notices_.push_back(fmt::format(
          "the drawing says its texts are {} but they are {}; read as {}",
          dxf::codePageName(declared), dxf::codePageName(real), dxf::codePageName(real)));
    db_.setCodec(real);
  }

  // A numeric group that does not parse would give every later reader a different number; make it
  // a plain 0 so the drawing says one thing.
  void fixValues() {
    for (const BadValue& bad : badValues_) {
      if (bad.record.index() >= records_.size()) continue;
      const ObjectId id = records_[bad.record.index()];
      const std::span<const Tag> list = db_.tags(id);
      for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].owned() || list[i].valueOffset != bad.valueOffset) continue;
        repair("numbers that did not parse, set to 0", [&] {
          return std::pair(dxf::lineNumberAt(src_, bad.valueOffset),
                           fmt::format("group {} '{}'", list[i].code,
                                       printable(db_.text(list[i]).substr(0, 40))));
        });
        db_.setText(id, i, "0");
        break;
      }
    }
  }

  void fixHandles() {
    for (ObjectId dup : db_.indexHandles()) {
      repair("handles used twice, given new handles",
             [&] { return std::pair(lineOf(dup), fmt::format("{:X}", db_.handle(dup))); });
      db_.assignHandle(dup, db_.allocateHandle());
    }
  }

  std::string groupText(ObjectId id, int code) const {
    for (const Tag& t : db_.tags(id))
      if (t.code == code) return std::string(db_.text(t));
    return {};
  }

  // Owners the file does not give. An owner handle that names no object is common in drawings
  // from some writers (a BLOCK naming a block record that is not there), and many writers give
  // entities no owner at all. The file is left as it is; the database takes the block or table
  // an object sits in as its owner, and the INSERT or POLYLINE that attributes and vertices
  // follow as theirs.
  void fixOwners() {
    std::unordered_map<std::string, ObjectId> blockRecords;
    if (const Section* tables = db_.findSection("TABLES"))
      for (ObjectId id : tables->records)
        if (db_.isType(id, "BLOCK_RECORD")) blockRecords[tableNameKey(groupText(id, 2))] = id;
    auto blockRecord = [&](const std::string& name) {
      auto it = blockRecords.find(tableNameKey(name));
      return it == blockRecords.end() ? ObjectId() : it->second;
    };

    std::vector<ObjectId> dangling;
    std::size_t resolved = 0;
    for (const Section& section : db_.sections()) {
      ObjectId current;
      ObjectId leader;  // the INSERT or POLYLINE whose followers come next
      for (ObjectId id : section.records) {
        const std::string_view type = db_.typeName(id);
        if (section.name == "TABLES" && (type == "TABLE" || type == "ENDTAB")) {
          current = type == "TABLE" ? id : ObjectId();
          continue;
        }
        if (section.name == "BLOCKS" && type == "BLOCK") current = blockRecord(groupText(id, 2));
        const ObjectId named = db_.owner(id);
        const bool missing = named.isNull() && db_.ownerHandle(id) != 0;
        if (missing) dangling.push_back(id);
        const bool follower = isFollowerType(type);
        if (follower) {
          if (leader && named != leader) db_.setResolvedOwner(id, leader);
          if (type == "SEQEND") leader = ObjectId();
          continue;
        }
        leader = type == "INSERT" || type == "POLYLINE" ? id : ObjectId();
        // Reading an entity's groups costs; only the ones without a usable owner are read.
        if (!named.isNull() || !hasIdentity(type)) continue;
        ObjectId container = current;
        if (section.name == "ENTITIES" && !blockRecords.empty()) {
          const bool paper = dxf::parseInteger(groupText(id, 67)).value_or(0) == 1;
          container = blockRecord(paper ? "*Paper_Space" : "*Model_Space");
        }
        if (container.isNull()) continue;
        db_.setResolvedOwner(id, container);
        if (missing) ++resolved;
      }
    }
    if (dangling.empty()) return;
    notices_.push_back(fmt::format(
        "line {}: {} objects name an owner that does not exist ({} {:X} the first); {} of them are "
        "taken as owned by the block or table they sit in, the file is left as it is",
        lineOf(dangling.front()), dangling.size(), db_.typeName(dangling.front()),
        db_.handle(dangling.front()), resolved));
  }

  std::string name_;
  const Progress& progress_;
  std::size_t nextReport_ = 0;
  Database db_;
  std::string_view src_;
  std::size_t start_ = 0;
  std::vector<ObjectId> records_;
  std::vector<BadValue> badValues_;
  RepairLog repairs_;
  std::vector<std::string> notices_;
  bool sawEof_ = false;
  bool groupCutOff_ = false;        // the file ended between a group's code and its value
  bool sawSubclassMarker_ = false;  // the drawing's objects are written in subclasses
};

}  // namespace

LoadedDrawing readDxf(dxf::TextBuffer text, std::string_view name, const Progress& progress) {
  return DxfReader(std::move(text), name, progress).run();
}

LoadedDrawing readDxf(std::string_view text, std::string_view name, const Progress& progress) {
  return readDxf(dxf::TextBuffer(text), name, progress);
}

LoadedDrawing readDxfFile(const std::filesystem::path& path, const Progress& progress) {
  std::error_code error;
  if (std::filesystem::file_size(path, error) >= 0xFFFFFFFFu && !error)
    throw DxfError(fmt::format("{}: drawings of 4 GB or more are not supported", path.string()));
  // Reading the file takes about a third as long as making a drawing of it.
  constexpr double kRead = 0.28;
  const auto share = [&](double from, double to) {
    return progress
               ? Progress([&progress, from, to](double f) { progress(from + (to - from) * f); })
               : Progress();
  };
  dxf::TextBuffer text;
  try {
    text = dxf::TextBuffer::readFile(path, share(0, kRead));
  } catch (const std::runtime_error& e) {
    throw DxfError(e.what());
  }
  return readDxf(std::move(text), path.string(), share(kRead, 1));
}

}  // namespace kx::db
