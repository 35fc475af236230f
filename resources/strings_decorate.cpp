// Texts of the decoration commands: TCIRCLE, TEXTMASK, TEXTUNMASK and TEXTTOFRONT.

#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TCIRCLE. The enclosure word the command passes ("circles", "slots" or "rectangles") fills
    // the size prompts and the closing line.
    {2350, L"\nEnter offset factor relative to text height <%g>: "},
    {2352, L"Circles Slots Rectangles _ Circles Slots Rectangles"},
    {2353, L"\nEnclose text with [Circles/Slots/Rectangles] <Slots>: "},
    {2354, L"\nCreate %s of constant or variable size [Constant/Variable] <Variable>: "},
    {2356, L"Constant Variable _ Constant Variable"},
    {2355, L"\nMake %s constant in [Height/Width/Both] <Both>: "},
    {2357, L"Height Width Both _ Height Width Both"},
    {2622, L"\nMade %s: %d text(s) enclosed in %s."},

    // TEXTMASK. The settings line shows the factor and the mask type; a solid also shows its
    // colour number.
    {2570, L"\nCurrent settings: Offset factor = %g, Mask type = %s"},
    {2571, L"\nCurrent settings: Offset factor = %g, Mask type = %s, Colour = %d"},
    {2572, L"\nSelect texts to mask or [Masktype/Offset]: "},
    {2573, L"Masktype Offset _ Masktype Offset"},
    {3508, L"\nCurrent mask type: %s"},
    // Enter chooses a wipeout whatever the current type is.
    {3509, L"\nMask type now %s. Specify mask type [Wipeout/3dface/Solid] <Wipeout>: "},
    {3510, L"Wipeout 3dface Solid _ Wipeout 3dface Solid"},
    {3564, L"Wipeout"},
    {3565, L"3D face"},
    {3566, L"Solid"},
    {2343, L"\nEnter offset factor relative to text height <%g>: "},

    // TEXTUNMASK, with the number of mask groups dissolved.
    {2574, L"\nSelect masked texts to unmask: "},
    {2575, L"\n%d mask group(s) removed."},
    {2576, L"\nNone of the selected texts is masked."},

    // TEXTTOFRONT: the command goes by the first letter of the keyword, and Enter means all.
    {6801, L"Text Dimensions Leaders All _ Text Dimensions Leaders All"},
    {6802, L"\nBring to front [Text/Dimensions/Leaders/All] <All>: "},
    {6803, L"\n%d object(s) brought to the front of the draw order."},
    {6804, L"\nNo matching objects found in the current space."},
};

}  // namespace

std::span<const KxStringResource> decorateStrings() {
  return kStrings;
}

}  // namespace kx::resources
