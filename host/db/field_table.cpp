#include "db/field_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace kx::db {
namespace {

using K = FieldKind;

constexpr FieldSpec kEntity[] = {
    {8, "layer", K::String, 0, "0", true},
    {6, "linetype", K::String, 0, "ByLayer"},
    {62, "color", K::Integer, 256},
    {67, "paperSpace", K::Integer, 0},
    {370, "lineWeight", K::Integer, -1},
    {48, "linetypeScale", K::Real, 1},
    {60, "invisible", K::Integer, 0},
    {420, "trueColor", K::Integer, 0},
    {410, "layout", K::String},
};

constexpr FieldSpec kText[] = {
    {39, "thickness", K::Real, 0},          {10, "position", K::Point, 0, {}, true},
    {40, "height", K::Real, 2.5, {}, true}, {1, "text", K::String, 0, {}, true},
    {50, "rotation", K::Angle, 0},          {41, "widthFactor", K::Real, 1},
    {51, "oblique", K::Angle, 0},           {7, "style", K::String, 0, "Standard"},
    {71, "generation", K::Integer, 0},      {72, "horizontalMode", K::Integer, 0},
    {11, "alignmentPoint", K::Point},       {210, "normal", K::Point},
};
constexpr FieldSpec kTextVertical[] = {{73, "verticalMode", K::Integer, 0}};

constexpr FieldSpec kAttributeDefinition[] = {
    {280, "version", K::Integer, 0},      {3, "prompt", K::String},
    {2, "tag", K::String, 0, {}, true},   {70, "flags", K::Integer, 0},
    {73, "fieldLength", K::Integer, 0},   {74, "verticalMode", K::Integer, 0},
    {280, "lockPosition", K::Integer, 0},
};
constexpr FieldSpec kAttribute[] = {
    {280, "version", K::Integer, 0},     {2, "tag", K::String, 0, {}, true},
    {70, "flags", K::Integer, 0},        {73, "fieldLength", K::Integer, 0},
    {74, "verticalMode", K::Integer, 0}, {280, "lockPosition", K::Integer, 0},
};

constexpr FieldSpec kMText[] = {
    {10, "location", K::Point, 0, {}, true},
    {40, "textHeight", K::Real, 2.5, {}, true},
    {41, "width", K::Real, 0},
    {46, "definedHeight", K::Real, 0},
    {71, "attachment", K::Integer, 1},
    {72, "drawingDirection", K::Integer, 1},
    {1, "contents", K::String, 0, {}, true},
    {7, "style", K::String, 0, "Standard"},
    {210, "normal", K::Point},
    {11, "direction", K::Point},
    {42, "actualWidth", K::Real, 0},
    {43, "actualHeight", K::Real, 0},
    {50, "rotation", K::Angle, 0},
    {73, "lineSpacingStyle", K::Integer, 1},
    {44, "lineSpacingFactor", K::Real, 1},
    {90, "backgroundFlags", K::Integer, 0},
};

constexpr FieldSpec kBlockReference[] = {
    {66, "attributesFollow", K::Integer, 0},
    {2, "blockName", K::String, 0, {}, true},
    {10, "position", K::Point, 0, {}, true},
    {41, "xScale", K::Real, 1},
    {42, "yScale", K::Real, 1},
    {43, "zScale", K::Real, 1},
    {50, "rotation", K::Angle, 0},
    {70, "columns", K::Integer, 1},
    {71, "rows", K::Integer, 1},
    {44, "columnSpacing", K::Real, 0},
    {45, "rowSpacing", K::Real, 0},
    {210, "normal", K::Point},
};

constexpr FieldSpec kLine[] = {
    {39, "thickness", K::Real, 0},
    {10, "start", K::Point, 0, {}, true},
    {11, "end", K::Point, 0, {}, true},
    {210, "normal", K::Point},
};
constexpr FieldSpec kCircle[] = {
    {39, "thickness", K::Real, 0},
    {10, "center", K::Point, 0, {}, true},
    {40, "radius", K::Real, 0, {}, true},
    {210, "normal", K::Point},
};
constexpr FieldSpec kArc[] = {
    {50, "startAngle", K::Angle, 0, {}, true},
    {51, "endAngle", K::Angle, 0, {}, true},
};
constexpr FieldSpec kPolyline[] = {
    {90, "vertexCount", K::Integer, 0, {}, true},
    {70, "flags", K::Integer, 0},
    {43, "constantWidth", K::Real, 0},
    {38, "elevation", K::Real, 0},
    {39, "thickness", K::Real, 0},
    {210, "normal", K::Point},
};
constexpr FieldSpec kTrace[] = {
    {10, "corner1", K::Point, 0, {}, true}, {11, "corner2", K::Point, 0, {}, true},
    {12, "corner3", K::Point, 0, {}, true}, {13, "corner4", K::Point, 0, {}, true},
    {39, "thickness", K::Real, 0},          {210, "normal", K::Point},
};
constexpr FieldSpec kFace[] = {
    {10, "corner1", K::Point, 0, {}, true}, {11, "corner2", K::Point, 0, {}, true},
    {12, "corner3", K::Point, 0, {}, true}, {13, "corner4", K::Point, 0, {}, true},
    {70, "invisibleEdges", K::Integer, 0},
};
constexpr FieldSpec kPoint[] = {
    {10, "location", K::Point, 0, {}, true},
    {39, "thickness", K::Real, 0},
    {210, "normal", K::Point},
    {50, "xAxisAngle", K::Angle, 0},
};
constexpr FieldSpec kWipeout[] = {
    {90, "classVersion", K::Integer, 0},
    {10, "insertion", K::Point, 0, {}, true},
    {11, "uVector", K::Point, 0, {}, true},
    {12, "vVector", K::Point, 0, {}, true},
    {13, "size", K::Point},
    {70, "displayOptions", K::Integer, 7},
    {280, "clipping", K::Integer, 1},
    {281, "brightness", K::Integer, 50},
    {282, "contrast", K::Integer, 50},
    {283, "fade", K::Integer, 0},
    {71, "boundaryType", K::Integer, 2},
    {91, "boundaryCount", K::Integer, 0},
};
constexpr FieldSpec kHatch[] = {
    {10, "elevation", K::Point},
    {210, "normal", K::Point},
    {2, "patternName", K::String, 0, "SOLID", true},
    {70, "solidFill", K::Integer, 1},
    {71, "associative", K::Integer, 0},
    {91, "loopCount", K::Integer, 0},
};
constexpr FieldSpec kDimension[] = {
    {2, "blockName", K::String},    {10, "definitionPoint", K::Point},
    {11, "textMidpoint", K::Point}, {70, "dimensionType", K::Integer, 0},
    {1, "textOverride", K::String}, {3, "dimensionStyle", K::String, 0, "Standard"},
};
constexpr FieldSpec kLeader[] = {
    {3, "dimensionStyle", K::String, 0, "Standard"},
    {71, "arrowhead", K::Integer, 1},
    {76, "vertexCount", K::Integer, 0},
    {10, "vertices", K::Point},
    {340, "annotation", K::Handle},
};
constexpr FieldSpec kMLeader[] = {
    {340, "style", K::Handle},
    {172, "contentType", K::Integer, 2},
    {304, "text", K::String},
};
constexpr FieldSpec kBlockBegin[] = {
    {2, "name", K::String, 0, {}, true},
    {70, "flags", K::Integer, 0},
    {10, "basePoint", K::Point, 0, {}, true},
    {3, "name2", K::String},
    {1, "xrefPath", K::String},
};

constexpr FieldSpec kSymbolTableRecord[] = {
    {2, "name", K::String, 0, {}, true},
    {70, "flags", K::Integer, 0},
};
constexpr FieldSpec kLayer[] = {
    {2, "name", K::String, 0, {}, true}, {70, "flags", K::Integer, 0},  // 1 frozen, 4 locked
    {62, "color", K::Integer, 7},        {6, "linetype", K::String, 0, "Continuous"},
    {290, "plot", K::Integer, 1},        {370, "lineWeight", K::Integer, -3},
    {390, "plotStyle", K::Handle},
};
constexpr FieldSpec kStyle[] = {
    {2, "name", K::String, 0, {}, true}, {70, "flags", K::Integer, 0},
    {40, "fixedHeight", K::Real, 0},     {41, "widthFactor", K::Real, 1},
    {50, "oblique", K::Angle, 0},        {71, "generation", K::Integer, 0},
    {42, "lastHeight", K::Real, 2.5},    {3, "font", K::String, 0, "txt"},
    {4, "bigFont", K::String},
};
constexpr FieldSpec kBlockRecord[] = {
    {2, "name", K::String, 0, {}, true}, {340, "layout", K::Handle},
    {70, "units", K::Integer, 0},        {280, "explodable", K::Integer, 1},
    {281, "scalable", K::Integer, 0},
};
constexpr FieldSpec kUcs[] = {
    {2, "name", K::String, 0, {}, true},   {70, "flags", K::Integer, 0},
    {10, "origin", K::Point, 0, {}, true}, {11, "xAxis", K::Point, 0, {}, true},
    {12, "yAxis", K::Point, 0, {}, true},
};
constexpr FieldSpec kDictionary[] = {
    {280, "hardOwner", K::Integer, 0},
    {281, "cloning", K::Integer, 1},
    {3, "entryName", K::String},
    {350, "entry", K::Handle},
};
constexpr FieldSpec kGroup[] = {
    {300, "description", K::String},
    {70, "unnamed", K::Integer, 0},
    {71, "selectable", K::Integer, 1},
    {340, "member", K::Handle},
};
constexpr FieldSpec kSortentsTable[] = {
    {330, "block", K::Handle},
    {331, "entity", K::Handle},
    {5, "sortHandle", K::Handle},
};
constexpr FieldSpec kLayout[] = {
    {1, "name", K::String, 0, {}, true},
    {70, "flags", K::Integer, 1},
    {71, "tabOrder", K::Integer, 0},
    {330, "blockRecord", K::Handle},
};
constexpr FieldSpec kWipeoutVariables[] = {{70, "displayFrame", K::Integer, 0}};

constexpr SubclassSpec sEntity{"AcDbEntity", kEntity};
constexpr SubclassSpec sText{"AcDbText", kText};
constexpr SubclassSpec sTextVertical{"AcDbText", kTextVertical};
constexpr SubclassSpec sAttDef{"AcDbAttributeDefinition", kAttributeDefinition};
constexpr SubclassSpec sAttrib{"AcDbAttribute", kAttribute};
constexpr SubclassSpec sMText{"AcDbMText", kMText};
constexpr SubclassSpec sInsert{"AcDbBlockReference", kBlockReference};
constexpr SubclassSpec sLine{"AcDbLine", kLine};
constexpr SubclassSpec sCircle{"AcDbCircle", kCircle};
constexpr SubclassSpec sArc{"AcDbArc", kArc};
constexpr SubclassSpec sPolyline{"AcDbPolyline", kPolyline};
constexpr SubclassSpec sTrace{"AcDbTrace", kTrace};
constexpr SubclassSpec sFace{"AcDbFace", kFace};
constexpr SubclassSpec sPoint{"AcDbPoint", kPoint};
// A wipeout keeps its image groups in its one AcDbWipeout part (no AcDbRasterImage marker).
constexpr SubclassSpec sWipeout{"AcDbWipeout", kWipeout};
constexpr SubclassSpec sHatch{"AcDbHatch", kHatch};
constexpr SubclassSpec sDimension{"AcDbDimension", kDimension};
constexpr SubclassSpec sLeader{"AcDbLeader", kLeader};
constexpr SubclassSpec sMLeader{"AcDbMLeader", kMLeader};
constexpr SubclassSpec sBlockBegin{"AcDbBlockBegin", kBlockBegin};
constexpr SubclassSpec sBlockEnd{"AcDbBlockEnd", {}};
constexpr SubclassSpec sSymbolRecord{"AcDbSymbolTableRecord", {}};
constexpr SubclassSpec sLayer{"AcDbLayerTableRecord", kLayer};
constexpr SubclassSpec sStyle{"AcDbTextStyleTableRecord", kStyle};
constexpr SubclassSpec sBlockRecord{"AcDbBlockTableRecord", kBlockRecord};
constexpr SubclassSpec sUcs{"AcDbUCSTableRecord", kUcs};
constexpr SubclassSpec sLtype{"AcDbLinetypeTableRecord", kSymbolTableRecord};
constexpr SubclassSpec sVport{"AcDbViewportTableRecord", kSymbolTableRecord};
constexpr SubclassSpec sView{"AcDbViewTableRecord", kSymbolTableRecord};
constexpr SubclassSpec sAppId{"AcDbRegAppTableRecord", kSymbolTableRecord};
constexpr SubclassSpec sDimStyle{"AcDbDimStyleTableRecord", kSymbolTableRecord};
constexpr SubclassSpec sDictionary{"AcDbDictionary", kDictionary};
constexpr SubclassSpec sGroup{"AcDbGroup", kGroup};
constexpr SubclassSpec sSortents{"AcDbSortentsTable", kSortentsTable};
constexpr SubclassSpec sPlotSettings{"AcDbPlotSettings", {}};
constexpr SubclassSpec sLayout{"AcDbLayout", kLayout};
constexpr SubclassSpec sWipeoutVariables{"AcDbWipeoutVariables", kWipeoutVariables};

template <std::size_t N>
using Parts = std::array<const SubclassSpec*, N>;

constexpr Parts<3> pText{&sEntity, &sText, &sTextVertical};
constexpr Parts<3> pAttDef{&sEntity, &sText, &sAttDef};
constexpr Parts<3> pAttrib{&sEntity, &sText, &sAttrib};
constexpr Parts<2> pMText{&sEntity, &sMText};
constexpr Parts<2> pInsert{&sEntity, &sInsert};
constexpr Parts<2> pLine{&sEntity, &sLine};
constexpr Parts<2> pCircle{&sEntity, &sCircle};
constexpr Parts<3> pArc{&sEntity, &sCircle, &sArc};
constexpr Parts<2> pPolyline{&sEntity, &sPolyline};
constexpr Parts<2> pTrace{&sEntity, &sTrace};
constexpr Parts<2> pFace{&sEntity, &sFace};
constexpr Parts<2> pPoint{&sEntity, &sPoint};
constexpr Parts<2> pWipeout{&sEntity, &sWipeout};
constexpr Parts<2> pHatch{&sEntity, &sHatch};
constexpr Parts<2> pDimension{&sEntity, &sDimension};
constexpr Parts<2> pLeader{&sEntity, &sLeader};
constexpr Parts<2> pMLeader{&sEntity, &sMLeader};
constexpr Parts<2> pBlock{&sEntity, &sBlockBegin};
constexpr Parts<2> pEndBlk{&sEntity, &sBlockEnd};
constexpr Parts<2> pLayer{&sSymbolRecord, &sLayer};
constexpr Parts<2> pStyle{&sSymbolRecord, &sStyle};
constexpr Parts<2> pBlockRecord{&sSymbolRecord, &sBlockRecord};
constexpr Parts<2> pUcs{&sSymbolRecord, &sUcs};
constexpr Parts<2> pLtype{&sSymbolRecord, &sLtype};
constexpr Parts<2> pVport{&sSymbolRecord, &sVport};
constexpr Parts<2> pView{&sSymbolRecord, &sView};
constexpr Parts<2> pAppId{&sSymbolRecord, &sAppId};
constexpr Parts<2> pDimStyle{&sSymbolRecord, &sDimStyle};
constexpr Parts<1> pDictionary{&sDictionary};
constexpr Parts<1> pGroup{&sGroup};
constexpr Parts<1> pSortents{&sSortents};
constexpr Parts<2> pLayout{&sPlotSettings, &sLayout};
constexpr Parts<1> pEntityOnly{&sEntity};
constexpr Parts<1> pWipeoutVariables{&sWipeoutVariables};

constexpr ClassSpec kClasses[] = {
    {"TEXT", pText},
    {"ATTDEF", pAttDef},
    {"ATTRIB", pAttrib},
    {"MTEXT", pMText},
    {"INSERT", pInsert},
    {"LINE", pLine},
    {"CIRCLE", pCircle},
    {"ARC", pArc},
    {"LWPOLYLINE", pPolyline},
    {"SOLID", pTrace},
    {"3DFACE", pFace},
    {"POINT", pPoint},
    {"WIPEOUT", pWipeout},
    {"HATCH", pHatch},
    {"DIMENSION", pDimension},
    {"LEADER", pLeader},
    {"MULTILEADER", pMLeader},
    {"BLOCK", pBlock},
    {"ENDBLK", pEndBlk},
    {"LAYER", pLayer},
    {"STYLE", pStyle},
    {"BLOCK_RECORD", pBlockRecord},
    {"UCS", pUcs},
    {"LTYPE", pLtype},
    {"VPORT", pVport},
    {"VIEW", pView},
    {"APPID", pAppId},
    {"DIMSTYLE", pDimStyle},
    {"DICTIONARY", pDictionary},
    {"GROUP", pGroup},
    {"SORTENTSTABLE", pSortents},
    {"LAYOUT", pLayout},
    {"WIPEOUTVARIABLES", pWipeoutVariables},
    {"POLYLINE", pEntityOnly},
    {"VERTEX", pEntityOnly},
    {"SEQEND", pEntityOnly},
};
static_assert(std::ranges::none_of(kClasses,
                                   [](const ClassSpec& c) { return c.subclasses.empty(); }));

}  // namespace

const ClassSpec* classSpecOf(std::string_view type) {
  // Asked for every field read, and reads come in runs over objects of one type.
  static const ClassSpec* last = nullptr;
  if (last && last->type == type) return last;
  for (const ClassSpec& c : kClasses)
    if (c.type == type) return last = &c;
  return nullptr;
}

namespace {

// For each class, where each group code's field is (part and field index, plus one; 0 for none):
// field reads ask for every group of every object touched. Worked out when compiling, so a lookup
// is one load.
constexpr int kIndexedCodes = 1000;
using CodeSlots = std::array<std::uint16_t, kIndexedCodes>;

constexpr bool slotsFit = std::ranges::all_of(kClasses, [](const ClassSpec& c) {
  return c.subclasses.size() <= 0xFF &&
         std::ranges::all_of(c.subclasses,
                             [](const SubclassSpec* s) { return s->fields.size() <= 0xFF; });
});
static_assert(slotsFit, "field table too large to index");

constexpr auto kCodeSlots = [] {
  std::array<CodeSlots, std::size(kClasses)> all{};
  for (std::size_t c = 0; c < all.size(); ++c) {
    const auto& parts = kClasses[c].subclasses;
    for (std::size_t part = parts.size(); part-- > 0;) {
      const auto fields = parts[part]->fields;
      for (std::size_t f = fields.size(); f-- > 0;)
        if (fields[f].code >= 0 && fields[f].code < kIndexedCodes)
          all[c][static_cast<std::size_t>(fields[f].code)] =
              static_cast<std::uint16_t>((part << 8 | f) + 1);
    }
  }
  return all;
}();

// By part marker, or a code the table does not index.
[[gnu::noinline]] FieldPlace findFieldByWalking(const ClassSpec* cls, int code,
                                                std::string_view marker) {
  for (std::size_t part = 0; part < cls->subclasses.size(); ++part) {
    const SubclassSpec* sub = cls->subclasses[part];
    if (!marker.empty() && sub->marker != marker) continue;
    for (const FieldSpec& f : sub->fields)
      if (f.code == code) return {cls, part, &f};
  }
  return {};
}

}  // namespace

FieldPlace findField(std::string_view type, int code, std::string_view marker) {
  return findField(classSpecOf(type), code, marker);
}

FieldPlace findField(const ClassSpec* cls, int code, std::string_view marker) {
  if (!cls) return {};
  if (!marker.empty() || code < 0 || code >= kIndexedCodes)
    return findFieldByWalking(cls, code, marker);
  const std::uint16_t slot =
      kCodeSlots[static_cast<std::size_t>(cls - kClasses)][static_cast<std::size_t>(code)];
  if (slot == 0) return {};
  const std::size_t part = (slot - 1u) >> 8, field = (slot - 1u) & 0xFFu;
  return {cls, part, &cls->subclasses[part]->fields[field]};
}

}  // namespace kx::db
