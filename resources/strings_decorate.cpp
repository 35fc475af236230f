// Texts of the decoration commands: TCIRCLE, TEXTMASK, TEXTUNMASK and TEXTTOFRONT.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TCIRCLE. The enclosure word the command passes ("circles", "slots" or "rectangles") fills
    // the size prompts and the closing line.
    {res::kTcircleOffsetPrompt, L"\nEnter offset factor relative to text height <%g>: "},
    {res::kTcircleShapeKeywords, L"Circles Slots Rectangles _ Circles Slots Rectangles"},
    {res::kTcircleShapePrompt, L"\nEnclose text with [Circles/Slots/Rectangles] <Slots>: "},
    {res::kTcircleSizePrompt,
     L"\nCreate %s of constant or variable size [Constant/Variable] <Variable>: "},
    {res::kTcircleSizeKeywords, L"Constant Variable _ Constant Variable"},
    {res::kTcircleConstantPrompt, L"\nMake %s constant in [Height/Width/Both] <Both>: "},
    {res::kTcircleConstantKeywords, L"Height Width Both _ Height Width Both"},
    {res::kTcircleMade, L"\nMade %s: %d text(s) enclosed in %s."},

    // TEXTMASK. The settings line shows the factor and the mask type; a solid also shows its
    // colour number.
    {res::kTextmaskSettings, L"\nCurrent settings: Offset factor = %g, Mask type = %s"},
    {res::kTextmaskSettingsSolid,
     L"\nCurrent settings: Offset factor = %g, Mask type = %s, Colour = %d"},
    {res::kTextmaskSelect, L"\nSelect texts to mask or [Masktype/Offset]: "},
    {res::kTextmaskKeywords, L"Masktype Offset _ Masktype Offset"},
    {res::kTextmaskCurrentType, L"\nCurrent mask type: %s"},
    // Enter chooses a wipeout whatever the current type is.
    {res::kTextmaskTypePrompt,
     L"\nMask type now %s. Specify mask type [Wipeout/3dface/Solid] <Wipeout>: "},
    {res::kTextmaskTypeKeywords, L"Wipeout 3dface Solid _ Wipeout 3dface Solid"},
    {res::kTextmaskWipeout, L"Wipeout"},
    {res::kTextmask3dFace, L"3D face"},
    {res::kTextmaskSolid, L"Solid"},
    {res::kTextmaskOffsetPrompt, L"\nEnter offset factor relative to text height <%g>: "},

    // TEXTUNMASK, with the number of mask groups dissolved.
    {res::kTextunmaskSelect, L"\nSelect masked texts to unmask: "},
    {res::kTextunmaskRemoved, L"\n%d mask group(s) removed."},
    {res::kTextunmaskNoMask, L"\nNone of the selected texts is masked."},

    // TEXTTOFRONT: the command goes by the first letter of the keyword, and Enter means all.
    {res::kTexttofrontKeywords, L"Text Dimensions Leaders All _ Text Dimensions Leaders All"},
    {res::kTexttofrontPrompt, L"\nBring to front [Text/Dimensions/Leaders/All] <All>: "},
    {res::kTexttofrontDone, L"\n%d object(s) brought to the front of the draw order."},
    {res::kTexttofrontNothing, L"\nNo matching objects found in the current space."},
};

}  // namespace

std::span<const KxStringResource> decorateStrings() {
  return kStrings;
}

}  // namespace kx::resources
