// What HELP shows for each command: a one-line description, and the replies the command asks
// for in the order it asks.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    {res::kAboutBurst, L"Explodes block references and keeps their attribute values as texts"},
    {res::kUsageBurst, L"Select objects: block references (or take the ones selected before)"},
    {res::kAboutAttout, L"Writes the attribute values of block references to a text file"},
    {res::kUsageAttout,
     L"Select objects: block references with attributes\n"
     L"File dialog: the file to write, then its type (Enter: from the extension; .txt is "
     L"tab-separated, .csv comma-separated)"},
    {res::kAboutAttin, L"Reads edited attribute values back from a file ATTOUT wrote"},
    {res::kUsageAttin,
     L"File dialog: the file to read, then its type (Enter: from the extension)\n"
     L"Values whose reference or tag is missing: Yes/No to pick references for them, then "
     L"Select the block reference for each record"},
    {res::kAboutGatte, L"Gives one attribute a new value in every reference of a block"},
    {res::kUsageGatte,
     L"Select block reference or attribute [Block name]: a pick, or B and the block name\n"
     L"Select attribute or type attribute tag: a pick or a tag\n"
     L"Enter new text: the value\n"
     L"Change all of them? [Yes/No] <Yes>: No selects the references to change"},
    {res::kAboutTxtexp, L"Explodes texts into polylines of their glyph outlines"},
    {res::kUsageTxtexp,
     L"Select texts to explode into geometry: texts (or the ones selected before)"},
    {res::kAboutTextfit, L"Stretches or compresses a text to end at a picked point"},
    {res::kUsageTextfit,
     L"Select the single-line text to fit: one text (or the one selected before)\n"
     L"Specify end point of the text: a point along the text"},
    {res::kAboutTxt2mtxt, L"Joins single-line texts into one multi-line text"},
    {res::kUsageTxt2mtxt,
     L"Select single-line texts to combine or [SEttings]: texts, or SE for the options dialog "
     L"(Join the texts into one paragraph; Keep the selection order or Sort from top to "
     L"bottom; OK or Cancel)"},
    {res::kAboutTjust, L"Changes the justification of texts without moving them"},
    {res::kUsageTjust,
     L"Select objects: texts (or the ones selected before)\n"
     L"Enter a justification option [Start/Center/Middle/Right/TL/TC/TR/ML/MC/MR/BL/BC/BR] "
     L"<Start>"},
    {res::kAboutTorient, L"Turns texts to an angle, or those upside down to read again"},
    {res::kUsageTorient,
     L"Select objects: texts (or the ones selected before)\n"
     L"Specify new rotation angle <Most readable>: an angle, or Enter to turn the texts that "
     L"read upside down"},
    {res::kAboutTcircle, L"Frames texts with circles, slots or rectangles"},
    {res::kUsageTcircle,
     L"Select objects: texts (or the ones selected before)\n"
     L"Enter offset factor relative to text height\n"
     L"Enclose text with [Circles/Slots/Rectangles] <Slots>\n"
     L"Create them of constant or variable size [Constant/Variable] <Variable>\n"
     L"Make them constant in [Height/Width/Both] <Both> (for Constant)"},
    {res::kAboutTcount, L"Numbers texts in order, before, after or in place of their text"},
    {res::kUsageTcount,
     L"Select objects: texts (or the ones selected before)\n"
     L"Sort selected objects [X/Y/Select-order]\n"
     L"Specify starting number and increment (Start,increment) <1,1>\n"
     L"Place numbers in text [Overwrite/Prefix/Suffix/Find-replace] <Prefix>; Find-replace asks "
     L"for the text to replace"},
    {res::kAboutTcase, L"Changes the letter case of texts"},
    {res::kUsageTcase,
     L"Select objects: texts (or the ones selected before)\n"
     L"Change Case dialog: Sentence case., lower case, UPPER CASE, Title Case or tOGGLE cASE "
     L"(a caption, a unique start of one, or its number), then OK or Cancel"},
    {res::kAboutChgthei, L"Gives texts a new height"},
    {res::kUsageChgthei,
     L"Select objects: texts\n"
     L"Specify new text height: a number, or two points"},
    {res::kAboutCurstyle, L"Makes the style of a picked text the current text style"},
    {res::kUsageCurstyle, L"Select text: one text"},
    {res::kAboutTxtuline, L"Underlines whole single-line texts"},
    {res::kUsageTxtuline, L"Select single-line texts: texts"},
    {res::kAboutDeluline, L"Removes the underline of whole single-line texts"},
    {res::kUsageDeluline, L"Select single-line texts: texts"},
    {res::kAboutTextmask, L"Puts a mask behind texts so they stay readable over other lines"},
    {res::kUsageTextmask,
     L"Select texts to mask or [Masktype/Offset]: texts; M chooses [Wipeout/3dface/Solid], O "
     L"the offset factor relative to the text height"},
    {res::kAboutTextunmask, L"Removes the masks TEXTMASK put behind texts"},
    {res::kUsageTextunmask, L"Select masked texts to unmask: texts"},
    {res::kAboutMathei, L"Gives texts the height of a picked text"},
    {res::kUsageMathei,
     L"Select the text whose height to match: one text\n"
     L"Select texts to change to that height: texts"},
    {res::kAboutMtexp, L"Explodes multi-line texts into single-line texts"},
    {res::kUsageMtexp, L"Select multi-line texts to explode: multi-line texts"},
    {res::kAboutTxtalign, L"Lines up single-line texts on a vertical line"},
    {res::kUsageTxtalign,
     L"Select single-line texts to align: texts\n"
     L"Specify alignment [Left/Middle/Right] <Left>\n"
     L"Pick a point on the line to align the texts to: a point"},
    {res::kAboutTexttofront, L"Brings texts, dimensions or leaders to the front"},
    {res::kUsageTexttofront, L"Bring to front [Text/Dimensions/Leaders/All] <All>"},
    {res::kAboutGb2big5, L"Converts Chinese texts between simplified and traditional characters"},
    {res::kUsageGb2big5,
     L"Dialog: Simplified or Traditional Chinese; All texts of the drawing, Texts I select or "
     L"Texts on one layer (then the Layer list); OK or Cancel"},
};

}  // namespace

std::span<const KxStringResource> helpStrings() {
  return kStrings;
}

}  // namespace kx::resources
