// Texts of the attribute commands: ATTOUT, ATTIN, GATTE and BURST.

#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // ATTOUT. The title heads the file dialog; the messages receive the file's path.
    {2454, L"Export attributes"},
    {2455, L"\nCannot open \"%s\" for writing."},
    {2456, L"\nCheck that the folder exists and that the file is not read-only or in use."},
    {2457, L"\nAttributes exported to \"%s\"."},
    // A reference whose values would not come back as they are: the handle follows.
    {2473,
     L"\nBlock reference %s: a value holds the separator, a line break or blanks at the end of "
     L"the line and will not be read back unchanged."},
    // A reference left out because a field is longer than the file holds: the handle follows.
    {2474,
     L"\nBlock reference %s left out: its block name, a tag or a value is too long for the file."},

    // ATTIN.
    {2458, L"Import attributes"},
    {2459, L"\nThe file cannot be opened."},
    {2460, L"\nReading the file..."},
    {2461, L"\nFile read."},
    {2462, L"\n%d block reference(s) updated."},
    // A record whose handle names nothing: the first line, then the handle on the same line.
    {2463, L"\nNo object in the drawing has the handle"},
    {2464, L" %s."},
    // The question box before the records left over are matched by picking.
    {2465,
     L"Some records could not be matched to block references by handle or tag.\n"
     L"Do you want to pick the block references for them?"},
    {2100, L"%s - Import attributes"},
    {2466, L"\nSelect the block reference for this record: "},
    // A tag and value not taken yet: a line head, then the pair on the same line.
    {2467, L"\nNot assigned:"},
    {2468, L" %s = %s"},
    {2470, L"\nSelect block references for the values left over: "},
    {2404, L"\nThe first line of the file is not a valid header."},
    {2471,
     L"\nA line that does not start with ' followed by a handle and a block name was "
     L"skipped."},
    {2472, L"\nA line without any value to import was skipped."},

    // GATTE.
    {6138, L"Block _ Block"},
    {6124, L"\nSelect block reference or attribute [Block name]: "},
    {6136, L"\nEnter block name: "},
    {6137, L"\nInvalid block name."},
    {6123, L"\nThe block is only used inside other blocks and cannot be changed."},
    {6135, L"\nThe block selected has no attributes."},
    {6140, L"\nThe object selected is not a block reference."},
    {6126, L"\nKnown tag names for block:"},
    {6127, L"\nSelect attribute or type attribute tag: "},
    {6141, L"\nBlock: %s   Attribute tag: %s"},
    {6132, L"\nEnter new text: "},
    {6139, L"Yes No _ Yes No"},
    // The number of references follows on the same line, then the question.
    {6128, L"\nNumber of block references in the drawing: "},
    {6129, L" Change all of them? [Yes/No] <Yes>: "},
    {6142, L"\nPlease wait..."},
    {6143, L"\n%d attribute(s) changed."},

    // BURST.
    {3239, L"\nNothing to burst."},
    {2452, L"\n%d object(s) left out: not block references, or external references."},
    {2453, L"\n%d block reference(s) to burst."},
    // References that could not be exploded stay as they were, their attribute texts on top.
    {3240, L"\n%d block reference(s) could not be exploded and were kept."},
};

}  // namespace

std::span<const KxStringResource> attributeStrings() {
  return kStrings;
}

}  // namespace kx::resources
