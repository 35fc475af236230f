// kxedTextBox: the box of a text from its entity list.
//
// TEXT, ATTDEF and ATTRIB: the ink box in the text's own frame (origin at the insertion point,
// x along the baseline, before rotation), as the text engine measures it. A list naming a live
// entity is measured as that entity; a list without a usable name is measured from its own
// groups 1 (2 for an ATTDEF), 7, 40, 41, 51 and 71, with the style and TEXTSIZE supplying what
// it leaves out.
//
// MTEXT: its measured size from the origin: lower-left (0, 0) and upper-right (actual width,
// actual height), both from laying the text out, not from possibly stale 42/43 groups, so that
// upper-right minus lower-left is the size whatever corner a caller takes.

#include <cmath>
#include <string>
#include <string_view>

#include "api/host_names.h"
#include "db/header_values.h"
#include "editor/session.h"
#include "kx/kxed.h"
#include "text/font.h"
#include "text/mtext_entity.h"
#include "text/mtext_layout.h"
#include "text/text_entity.h"

namespace {

namespace text = kx::text;

void setPoint(double out[3], double x, double y) {
  out[0] = x;
  out[1] = y;
  out[2] = 0;
}

const resbuf* findGroup(const resbuf* list, int code) {
  for (const resbuf* rb = list; rb; rb = rb->next)
    if (rb->code == code) return rb;
  return nullptr;
}

std::wstring listString(const resbuf* list, int code) {
  const resbuf* rb = findGroup(list, code);
  return rb && rb->value.string ? std::wstring(rb->value.string) : std::wstring();
}

// Measures a text described only by its list.
text::Box2 boxFromGroups(const resbuf* list, std::wstring_view type) {
  const kx::editor::Document* document = kx::editor::Session::instance().active();
  std::wstring styleName = listString(list, 7);
  if (styleName.empty() && document)
    styleName = kx::db::headerString(document->db(), "$TEXTSTYLE").value_or(L"Standard");
  const text::TextStyle style =
      document ? text::findTextStyle(document->db(), styleName) : text::TextStyle{};
  const auto font = text::FontLibrary::instance().styleFont(style.fontFile, style.bigFont);
  if (!font) return {};

  text::TextLook look;
  if (const resbuf* h = findGroup(list, 40); h && std::isfinite(h->value.real) && h->value.real)
    look.height = std::fabs(h->value.real);
  else if (style.fixedHeight > 0)
    look.height = style.fixedHeight;
  else if (document)
    look.height = kx::db::headerReal(document->db(), "$TEXTSIZE").value_or(2.5);
  look.widthFactor = style.widthFactor;
  if (const resbuf* w = findGroup(list, 41); w && w->value.real > 0)
    look.widthFactor = w->value.real;
  look.oblique = style.oblique;
  if (const resbuf* o = findGroup(list, 51); o && std::isfinite(o->value.real))
    look.oblique = o->value.real;
  long generation = style.generation;
  if (const resbuf* g = findGroup(list, 71)) generation = g->value.int16;
  look.backward = generation & 2;
  look.upsideDown = generation & 4;

  const std::wstring shown = listString(list, type == L"ATTDEF" ? 2 : 1);
  return text::layoutLine(*font, text::decodePercentCodes(shown), look).ink;
}

}  // namespace

extern "C" {

int kxedTextBox(const resbuf* entityList, double lowerLeft[3], double upperRight[3]) {
  if (!entityList || !lowerLeft || !upperRight) return KXRT_ERROR;
  const std::wstring type = listString(entityList, 0);

  kx::api::ResolvedObject object;
  if (const resbuf* name = findGroup(entityList, -1)) object = kx::api::resolve(name->value.name);
  if (object && object.document->db().isErased(object.id)) object = {};
  const kx::db::Database* db = object ? &object.document->db() : nullptr;
  const std::string_view entityType = db ? db->typeName(object.id) : std::string_view();

  if (entityType == "MTEXT") {
    const text::MTextLayout layout = text::layoutMText(text::readMTextEntity(*db, object.id).input);
    setPoint(lowerLeft, 0, 0);
    setPoint(upperRight, layout.actualWidth, layout.actualHeight);
    return KXRT_NORM;
  }

  text::Box2 box;
  if (entityType == "TEXT" || entityType == "ATTDEF" || entityType == "ATTRIB") {
    box = text::textBox(text::readTextEntity(*db, object.id));
  } else if (!db && (type == L"TEXT" || type == L"ATTDEF" || type == L"ATTRIB")) {
    box = boxFromGroups(entityList, type);
  } else {
    return KXRT_ERROR;  // no text, or an MTEXT's list alone: its layout needs its entity
  }
  setPoint(lowerLeft, box.xMin, box.yMin);
  setPoint(upperRight, box.xMax, box.yMax);
  return KXRT_NORM;
}
}
