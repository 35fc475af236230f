#include "text/mtext_entity.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"
#include "support/utf8.h"
#include "text/mtext_explode.h"
#include "text/text_entity.h"

namespace kx::text {
namespace {

constexpr int kFirstXdataCode = 1000;

double finiteOr(double v, double fallback) {
  return std::isfinite(v) ? v : fallback;
}

bool nearlyEqual(double a, double b) {
  return std::fabs(a - b) <= 1e-12 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

int clampToInt(long long v) {
  return static_cast<int>(
      std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Indexes of the MTEXT's contents chunks (group 3) in its AcDbMText part, in order. Columns of
// newer drawings follow a 101 marker and are not contents.
std::vector<std::size_t> chunkIndexes(const db::Database& db, db::ObjectId id) {
  const std::span<const db::Tag> tags = db.tags(id);
  std::size_t first = 1;
  for (std::size_t i = 1; i < tags.size(); ++i)
    if (tags[i].code == 100 && db.text(tags[i]) == "AcDbMText") first = i + 1;
  std::vector<std::size_t> out;
  for (std::size_t i = first; i < tags.size(); ++i) {
    if (tags[i].code >= kFirstXdataCode || tags[i].code == 101) break;
    if (tags[i].code == 3) out.push_back(i);
  }
  return out;
}

std::string rawContents(const db::Database& db, db::ObjectId id) {
  std::string bytes;
  const std::span<const db::Tag> tags = db.tags(id);
  for (const std::size_t i : chunkIndexes(db, id)) bytes += db.text(tags[i]);
  if (const auto last = db::FieldReader(db, id).rawText(1)) bytes += *last;
  return bytes;
}

void requireMText(const db::Database& db, db::ObjectId id) {
  if (!db.isType(id, "MTEXT"))
    throw std::invalid_argument("not an MTEXT: " + std::string(db.typeName(id)));
}

geom::Vec3 toVec3(const db::Point3& p) {
  return {finiteOr(p.x, 0), finiteOr(p.y, 0), finiteOr(p.z, 0)};
}

void takeStyle(MTextInput& in, const TextStyle& style) {
  in.styleName = style.name;
  in.styleFontFile = style.fontFile;
  in.styleBigFont = style.bigFont;
  in.styleWidthFactor =
      std::isfinite(style.widthFactor) && style.widthFactor > 0 ? style.widthFactor : 1;
  in.styleOblique = finiteOr(style.oblique, 0);
}

geom::Vec3 readNormal(const db::FieldReader& f) {
  const geom::Vec3 n = toVec3(f.point(210));
  return n.length() < 1e-12 ? geom::Vec3{0, 0, 1} : geom::normalized(n);
}

// ---- chunking ----

bool isHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool hasHexDigits(std::string_view s, std::size_t from, std::size_t count) {
  if (from + count > s.size()) return false;
  for (std::size_t i = from; i < from + count; ++i)
    if (!isHexDigit(s[i])) return false;
  return true;
}

bool isDoubleByteLead(dxf::CodePage page, unsigned char c) {
  switch (page) {
    case dxf::CodePage::Ansi936:
    case dxf::CodePage::Ansi949:
    case dxf::CodePage::Ansi950:
      return c >= 0x81 && c <= 0xFE;
    case dxf::CodePage::Ansi932:
      return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    default:
      return false;
  }
}

// Format codes whose argument runs to a semicolon.
bool takesArgument(char code) {
  return std::string_view("ACcFfHhQqTtWwpSX").find(code) != std::string_view::npos;
}

// Length in bytes of the indivisible piece of the encoded contents that starts at `at`.
std::size_t unitLength(std::string_view s, std::size_t at, dxf::CodePage page) {
  const auto c = static_cast<unsigned char>(s[at]);
  const std::size_t rest = s.size() - at;
  if (page == dxf::CodePage::Utf8) {
    if (c >= 0x80) {
      std::size_t n = 1;
      while (n < rest && n < 4 && (static_cast<unsigned char>(s[at + n]) & 0xC0) == 0x80) ++n;
      return n;
    }
  } else if (isDoubleByteLead(page, c)) {
    return std::min<std::size_t>(2, rest);
  }
  if (c == '\\' && rest >= 2) {
    const char code = s[at + 1];
    if ((code == 'U' || code == 'u') && rest >= 7 && s[at + 2] == '+' && hasHexDigits(s, at + 3, 4))
      return 7;
    if ((code == 'M' || code == 'm') && rest >= 8 && s[at + 2] == '+' && hasHexDigits(s, at + 3, 5))
      return 8;
    if (takesArgument(code)) {
      // A code without its semicolon nearby is not one; it then splits like plain text.
      constexpr std::size_t kLongestCode = 200;
      for (std::size_t i = at + 2; i < s.size() && i < at + kLongestCode; ++i) {
        if (s[i] == ';') return i - at + 1;
        if (code == 'S' && s[i] == '\\') ++i;  // stacked text may hold an escaped semicolon
      }
    }
    return 2;
  }
  if (c == '%' && rest >= 3 && s[at + 1] == '%') {
    if (rest >= 5 && std::isdigit(static_cast<unsigned char>(s[at + 2])) &&
        std::isdigit(static_cast<unsigned char>(s[at + 3])) &&
        std::isdigit(static_cast<unsigned char>(s[at + 4])))
      return 5;
    return 3;
  }
  return 1;
}

// How many characters of the file a piece counts for.
std::size_t unitCost(std::string_view piece, dxf::CodePage page) {
  return page == dxf::CodePage::Utf8 ? support::utf8CharacterCount(piece) : piece.size();
}

// ---- explode ----

std::wstring fontFileOfFamily(std::wstring_view family) {
  if (family.find(L'.') != std::wstring_view::npos) return std::wstring(family);
  return std::wstring(family) + L".ttf";
}

// A font file's name without folder and extension: "C:\Fonts\Arial.TTF" and \fArial name the
// same font.
std::wstring_view fontStem(std::wstring_view file) {
  if (const auto slash = file.find_last_of(L"/\\"); slash != std::wstring_view::npos)
    file.remove_prefix(slash + 1);
  if (const auto dot = file.rfind(L'.'); dot != std::wstring_view::npos) file = file.substr(0, dot);
  return file;
}

// Makes a STYLE record in the style table and returns its name.
std::wstring addTextStyle(db::Database& db, std::wstring_view wantedName, std::wstring_view font,
                          std::wstring_view bigFont) {
  std::wstring name(wantedName);
  for (int n = 2;
       findTextStyle(db, name).record && db::sameTableName(findTextStyle(db, name).name, name); ++n)
    name = std::wstring(wantedName) + L"_" + std::to_wstring(n);

  std::vector<db::NewTag> tags;
  if (db.version().hasSubclassMarkers()) {
    tags.push_back({100, "AcDbSymbolTableRecord"});
    tags.push_back({100, "AcDbTextStyleTableRecord"});
  }
  tags.push_back({2, db.encode(name)});
  tags.push_back({70, "0"});
  tags.push_back({40, "0.0"});
  tags.push_back({41, "1.0"});
  tags.push_back({50, "0.0"});
  tags.push_back({71, "0"});
  tags.push_back({42, "2.5"});
  tags.push_back({3, db.encode(font)});
  tags.push_back({4, db.encode(bigFont)});
  db::addTableRecord(db, "STYLE", tags);
  return name;
}

// The style a piece's TEXT uses: the MTEXT's own, unless the piece names another font.
std::wstring styleForFont(db::Database& db, std::wstring_view family, const TextStyle& mtextStyle) {
  if (family.empty()) return mtextStyle.name;
  const std::wstring file = fontFileOfFamily(family);
  const std::wstring bigFont = kx::support::decodeUtf8Lenient(mtextStyle.bigFont);
  auto matches = [&](const TextStyle& s) {
    return db::sameTableName(fontStem(kx::support::decodeUtf8Lenient(s.fontFile)),
                             fontStem(file)) &&
           db::sameTableName(kx::support::decodeUtf8Lenient(s.bigFont), bigFont);
  };
  if (matches(mtextStyle)) return mtextStyle.name;
  if (const db::Section* tables = db.findSection("TABLES")) {
    for (const db::ObjectId r : tables->records) {
      if (!db.isType(r, "STYLE") || db.isErased(r)) continue;
      const TextStyle s = findTextStyle(db, db::FieldReader(db, r).string(2));
      if (s.record == r && !s.name.empty() && matches(s)) return s.name;
    }
  }
  return addTextStyle(db, family, file, bigFont);
}

struct EntityLook {
  std::string layer;
  std::optional<std::string> color;      // 62 as read
  std::optional<std::string> trueColor;  // 420 as read
  std::optional<std::string> paperSpace;
};

std::vector<db::NewTag> entityHead(const db::Database& db, const EntityLook& look, int color,
                                   int trueColor) {
  std::vector<db::NewTag> tags;
  if (db.version().hasSubclassMarkers()) tags.push_back({100, "AcDbEntity"});
  if (look.paperSpace) tags.push_back({67, *look.paperSpace});
  tags.push_back({8, look.layer});
  if (trueColor >= 0 || (color >= 0 && color <= 255)) {
    if (color >= 0 && color <= 255) tags.push_back({62, std::to_string(color)});
    if (trueColor >= 0) tags.push_back({420, std::to_string(trueColor & 0xFFFFFF)});
  } else {
    // By layer in the MTEXT: the entity's own colour.
    if (look.color) tags.push_back({62, *look.color});
    if (look.trueColor) tags.push_back({420, *look.trueColor});
  }
  return tags;
}

void pushPoint(std::vector<db::NewTag>& tags, int code, geom::Vec3 p) {
  tags.push_back({code, db::formatReal(p.x)});
  tags.push_back({code + 10, db::formatReal(p.y)});
  tags.push_back({code + 20, db::formatReal(p.z)});
}

db::ObjectId ownerBlock(const db::Database& db, db::ObjectId id) {
  const db::ObjectId owner = db.owner(id);
  if (!owner.isNull() && db.isType(owner, "BLOCK_RECORD")) return owner;
  return db::findBlockRecord(db, "*Model_Space");
}

}  // namespace

// The placement of a text drawn from `origin` in the plane of the unit normal `n`, along
// `direction` where it has a part in that plane, else at `rotation` (radians) in the plane's OCS.
static geom::Matrix3d placementFrom(geom::Vec3 n, geom::Vec3 origin,
                                    std::optional<geom::Vec3> direction, double rotation) {
  geom::Vec3 x;
  if (direction) x = *direction - n * geom::dot(*direction, n);
  if (x.length() < 1e-12 * std::max(1.0, direction ? direction->length() : 0.0))
    x = geom::ocsToWorld(n).applyToVector({std::cos(rotation), std::sin(rotation), 0});
  x = geom::normalized(x);
  return {x, geom::cross(n, x), n, origin};
}

geom::Matrix3d mtextPlacement(const db::Database& db, db::ObjectId id) {
  requireMText(db, id);
  const db::FieldReader f(db, id);
  std::optional<geom::Vec3> direction;
  if (f.locate(11)) direction = toVec3(f.point(11));
  return placementFrom(readNormal(f), toVec3(f.point(10)), direction, finiteOr(f.angle(50), 0));
}

std::optional<std::vector<db::NewTag>> embeddedMTextGroups(const db::Database& db,
                                                           db::ObjectId id) {
  const auto tags = db.tags(id);
  std::size_t start = tags.size();
  for (std::size_t i = 1; i < tags.size(); ++i) {
    if (tags[i].code == 101 && db.text(tags[i]) == "Embedded Object") {
      start = i + 1;
      break;
    }
  }
  if (start == tags.size()) return std::nullopt;
  std::vector<db::NewTag> groups;
  for (std::size_t i = start; i < tags.size(); ++i) {
    const int c = tags[i].code;
    if (c >= kFirstXdataCode || c == 100 || c == 101) break;
    switch (c) {
      case 10:
      case 20:
      case 30:
      case 11:
      case 21:
      case 31:
      case 210:
      case 220:
      case 230:
      case 40:
      case 41:
      case 46:
      case 50:
      case 71:
      case 72:
      case 73:
      case 44:
      case 3:
      case 1:
      case 7:
        groups.push_back({c, std::string(db.text(tags[i]))});
        break;
      default:
        break;  // frame and background groups of the embedded object
    }
  }
  return groups;
}

std::optional<MTextEntity> readEmbeddedMText(const db::Database& db, db::ObjectId id) {
  const auto groups = embeddedMTextGroups(db, id);
  if (!groups) return std::nullopt;
  const db::FieldReader attribute(db, id);
  const auto value = [&](int code) -> std::optional<double> {
    for (const db::NewTag& g : *groups)
      if (g.code == code) return dxf::parseReal(g.text);
    return std::nullopt;
  };
  const auto point = [&](int code) -> std::optional<geom::Vec3> {
    const auto x = value(code);
    if (!x) return std::nullopt;
    return toVec3({*x, value(code + 10).value_or(0), value(code + 20).value_or(0)});
  };
  MTextEntity m;
  m.id = id;
  const geom::Vec3 n = point(210).value_or(readNormal(attribute));
  m.normal = n.length() < 1e-12 ? geom::Vec3{0, 0, 1} : geom::normalized(n);
  m.placement = placementFrom(m.normal, point(10).value_or(geom::Vec3{}), point(11),
                              finiteOr(value(50).value_or(0), 0) * std::numbers::pi / 180);
  MTextInput& in = m.input;
  std::string contents;
  std::string last;
  std::string styleName = std::string(attribute.rawText(7).value_or("Standard"));
  for (const db::NewTag& g : *groups) {
    if (g.code == 3) contents += g.text;
    if (g.code == 1) last = g.text;
    if (g.code == 7) styleName = g.text;
  }
  in.contents = db.codec().decode(contents + last);
  in.textHeight = std::fabs(finiteOr(value(40).value_or(attribute.real(40)), 0));
  in.definedWidth = finiteOr(value(41).value_or(0), 0);
  in.attachment = static_cast<int>(value(71).value_or(1));
  in.lineSpacingStyle = static_cast<int>(value(73).value_or(1));
  in.lineSpacingFactor = finiteOr(value(44).value_or(1), 1);
  takeStyle(in, findTextStyle(db, db.codec().decode(styleName)));
  return m;
}

double mtextRotation(const db::Database& db, db::ObjectId id) {
  const geom::Vec3 x = mtextPlacement(db, id).xAxis();
  const geom::Vec3 ocs = geom::worldToOcs(readNormal(db::FieldReader(db, id))).applyToVector(x);
  return std::atan2(ocs.y, ocs.x);
}

void setMTextRotation(db::Database& db, db::ObjectId id, double angle) {
  requireMText(db, id);
  db::ObjectFields f(db, id);
  const bool hasDirection = f.locate(11).has_value();
  if (hasDirection) {
    const geom::Vec3 d =
        geom::ocsToWorld(readNormal(f)).applyToVector({std::cos(angle), std::sin(angle), 0});
    f.setPoint(11, {d.x, d.y, d.z});
  }
  if (f.locate(50) || !hasDirection) f.setAngle(50, angle);
}

MTextEntity readMTextEntity(const db::Database& db, db::ObjectId id) {
  requireMText(db, id);
  const db::FieldReader f(db, id);
  MTextEntity m;
  m.id = id;
  m.normal = readNormal(f);
  m.placement = mtextPlacement(db, id);
  MTextInput& in = m.input;
  in.contents = db.codec().decode(rawContents(db, id));
  in.textHeight = std::fabs(finiteOr(f.real(40), 0));
  in.definedWidth = finiteOr(f.real(41), 0);
  in.attachment = clampToInt(f.integer(71));
  in.lineSpacingStyle = clampToInt(f.integer(73));
  in.lineSpacingFactor = finiteOr(f.real(44), 1);
  takeStyle(in, findTextStyle(db, f.string(7)));
  return m;
}

bool updateMTextExtents(db::Database& db, db::ObjectId id) {
  const MTextEntity m = readMTextEntity(db, id);
  const MTextLayout layout = layoutMText(m.input);
  db::ObjectFields f(db, id);
  bool changed = false;
  for (const auto& [code, value] : {std::pair{42, layout.actualWidth}, {43, layout.actualHeight}}) {
    if (f.locate(code) && nearlyEqual(f.real(code), value)) continue;
    f.setReal(code, value);
    changed = true;
  }
  return changed;
}

FrameCorners frameCorners(const MTextLayout& layout, const geom::Matrix3d& placement,
                          double textHeight, double margin) {
  const double grow = margin * textHeight;
  const Box2& b = layout.frame;
  const double left = b.xMin - grow, right = b.xMax + grow;
  const double bottom = b.yMin - grow, top = b.yMax + grow;
  return {placement.apply({left, top, 0}), placement.apply({right, top, 0}),
          placement.apply({left, bottom, 0}), placement.apply({right, bottom, 0})};
}

FrameCorners mtextFrame(const db::Database& db, db::ObjectId id, double margin) {
  const MTextEntity m = readMTextEntity(db, id);
  return frameCorners(layoutMText(m.input), m.placement, m.input.textHeight, margin);
}

std::vector<std::string> chunkMTextContents(std::wstring_view contents, const dxf::TextCodec& codec,
                                            std::size_t limit) {
  limit = std::max<std::size_t>(limit, 8);  // room for the longest escape
  const std::string bytes = codec.encode(contents);
  const dxf::CodePage page = codec.codePage();
  std::vector<std::string> chunks;
  std::string chunk;
  std::size_t cost = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = unitLength(bytes, at, page);
    const std::string_view piece(bytes.data() + at, length);
    const std::size_t pieceCost = unitCost(piece, page);
    if (cost + pieceCost > limit && !chunk.empty()) {
      chunks.push_back(std::move(chunk));
      chunk.clear();
      cost = 0;
    }
    chunk += piece;
    cost += pieceCost;
    at += length;
  }
  chunks.push_back(std::move(chunk));
  return chunks;
}

void setMTextContents(db::Database& db, db::ObjectId id, std::wstring_view contents) {
  requireMText(db, id);
  const std::vector<std::string> chunks = chunkMTextContents(contents, db.codec());
  // Nothing to write when the groups already say exactly this.
  {
    const std::vector<std::size_t> old = chunkIndexes(db, id);
    const auto last = db::FieldReader(db, id).rawText(1);
    if (last && old.size() + 1 == chunks.size() && *last == chunks.back()) {
      bool same = true;
      for (std::size_t i = 0; i < old.size() && same; ++i)
        same = db.text(db.tags(id)[old[i]]) == chunks[i];
      if (same) return;
    }
  }
  const std::vector<std::size_t> old = chunkIndexes(db, id);
  for (auto it = old.rbegin(); it != old.rend(); ++it) db.eraseTags(id, *it, 1);
  db::ObjectFields f(db, id);
  f.setRawText(1, chunks.back());
  const std::size_t at = *f.locate(1);
  for (std::size_t i = 0; i + 1 < chunks.size(); ++i) db.insertTag(id, at + i, 3, chunks[i]);
}

std::wstring mtextContents(const db::Database& db, db::ObjectId id) {
  requireMText(db, id);
  return db.codec().decode(rawContents(db, id));
}

std::vector<ContentsPiece> mtextContentsPieces(const db::Database& db, db::ObjectId id) {
  requireMText(db, id);
  std::vector<std::size_t> groups = chunkIndexes(db, id);
  if (const auto last = db::FieldReader(db, id).locate(1)) groups.push_back(*last);
  const std::span<const db::Tag> tags = db.tags(id);
  std::string joined;
  std::vector<std::size_t> ends;
  for (const std::size_t i : groups) {
    joined += db.text(tags[i]);
    ends.push_back(joined.size());
  }
  std::vector<std::string> pieces(groups.size());
  std::size_t group = 0;
  for (std::size_t at = 0; at < joined.size();) {
    const std::size_t length = unitLength(joined, at, db.codec().codePage());
    while (group + 1 < ends.size() && at >= ends[group]) ++group;
    pieces[group].append(joined, at, length);
    at += length;
  }
  std::vector<ContentsPiece> out;
  out.reserve(groups.size());
  for (std::size_t i = 0; i < groups.size(); ++i)
    out.push_back({groups[i], db.codec().decode(pieces[i])});
  return out;
}

std::vector<db::ObjectId> explodeMText(db::Database& db, db::ObjectId id) {
  const MTextEntity m = readMTextEntity(db, id);
  const MTextLayout layout = layoutMText(m.input);
  const TextStyle mtextStyle = findTextStyle(db, db::FieldReader(db, id).string(7));
  const db::ObjectId block = ownerBlock(db, id);
  if (block.isNull()) throw std::invalid_argument("the MTEXT belongs to no block");

  EntityLook look;
  {
    const db::FieldReader f(db, id);
    look.layer = std::string(f.rawText(8).value_or("0"));
    if (const auto c = f.rawText(62)) look.color = std::string(*c);
    if (const auto c = f.rawText(420)) look.trueColor = std::string(*c);
    if (const auto p = f.rawText(67); p && f.integer(67) != 0) look.paperSpace = std::string(*p);
  }
  const bool markers = db.version().hasSubclassMarkers();
  const geom::Matrix3d toOcs = geom::worldToOcs(m.normal) * m.placement;
  const geom::Vec3 direction = toOcs.applyToVector({1, 0, 0});
  const double rotation = std::atan2(direction.y, direction.x);
  const bool worldNormal = m.normal == geom::Vec3{0, 0, 1};

  const MTextExplosion pieces = explodeMTextLayout(layout);
  std::vector<db::ObjectId> made;
  for (const ExplodedText& piece : pieces.texts) {
    std::vector<db::NewTag> body = entityHead(db, look, piece.color, piece.trueColor);
    if (markers) body.push_back({100, "AcDbText"});
    pushPoint(body, 10, toOcs.apply({piece.position.x, piece.position.y, 0}));
    body.push_back({40, db::formatReal(piece.height)});
    body.push_back({1, db.encode(piece.text)});
    if (rotation != 0) body.push_back({50, db::formatReal(rotation * 180 / std::numbers::pi)});
    if (piece.widthFactor != 1) body.push_back({41, db::formatReal(piece.widthFactor)});
    if (piece.oblique != 0)
      body.push_back({51, db::formatReal(piece.oblique * 180 / std::numbers::pi)});
    body.push_back({7, db.encode(styleForFont(db, piece.fontFamily, mtextStyle))});
    if (!worldNormal) pushPoint(body, 210, m.normal);
    if (markers) body.push_back({100, "AcDbText"});
    made.push_back(db::addEntity(db, block, "TEXT", body));
  }
  for (const ExplodedLine& piece : pieces.lines) {
    std::vector<db::NewTag> line = entityHead(db, look, piece.color, piece.trueColor);
    if (markers) line.push_back({100, "AcDbLine"});
    pushPoint(line, 10, m.placement.apply({piece.start.x, piece.start.y, 0}));
    pushPoint(line, 11, m.placement.apply({piece.end.x, piece.end.y, 0}));
    made.push_back(db::addEntity(db, block, "LINE", line));
  }
  db::setEntityErased(db, id, true);
  return made;
}

}  // namespace kx::text
