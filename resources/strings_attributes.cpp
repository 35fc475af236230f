// Texts of the attribute commands: ATTOUT, ATTIN, GATTE and BURST.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // ATTOUT. The title heads the file dialog; the messages receive the file's path.
    {res::kAttoutTitle, L"Export attributes"},
    {res::kAttoutCannotWrite, L"\nCannot open \"%s\" for writing."},
    {res::kAttoutCheckFile,
     L"\nCheck that the folder exists and that the file is not read-only or in use."},
    {res::kAttoutDone, L"\nAttributes exported to \"%s\"."},
    // A reference whose values would not come back as they are: the handle follows.
    {res::kAttoutNotReadBack,
     L"\nBlock reference %s: a value holds the separator, a line break or blanks at the end of "
     L"the line and will not be read back unchanged."},
    // A reference left out because a field is longer than the file holds: the handle follows.
    {res::kAttoutLeftOut,
     L"\nBlock reference %s left out: its block name, a tag or a value is too long for the file."},

    // ATTIN.
    {res::kAttinTitle, L"Import attributes"},
    {res::kAttinCannotOpen, L"\nThe file cannot be opened."},
    {res::kAttinReading, L"\nReading the file..."},
    {res::kAttinRead, L"\nFile read."},
    {res::kAttinUpdated, L"\n%d block reference(s) updated."},
    // A record whose handle names nothing: the first line, then the handle on the same line.
    {res::kAttinNoHandle, L"\nNo object in the drawing has the handle"},
    {res::kAttinHandleValue, L" %s."},
    // The question box before the records left over are matched by picking.
    {res::kAttinUnmatched,
     L"Some records could not be matched to block references by handle or tag.\n"
     L"Do you want to pick the block references for them?"},
    {res::kAttinDialogTitle, L"%s - Import attributes"},
    {res::kAttinSelectReference, L"\nSelect the block reference for this record: "},
    // A tag and value not taken yet: a line head, then the pair on the same line.
    {res::kAttinNotAssigned, L"\nNot assigned:"},
    {res::kAttinTagValue, L" %s = %s"},
    {res::kAttinSelectLeftOver, L"\nSelect block references for the values left over: "},
    {res::kAttinBadHeader, L"\nThe first line of the file is not a valid header."},
    {res::kAttinBadLine,
     L"\nA line that does not start with ' followed by a handle and a block name was "
     L"skipped."},
    {res::kAttinEmptyLine, L"\nA line without any value to import was skipped."},

    // GATTE.
    {res::kGatteKeywords, L"Block _ Block"},
    {res::kGatteSelect, L"\nSelect block reference or attribute [Block name]: "},
    {res::kGatteBlockNamePrompt, L"\nEnter block name: "},
    {res::kGatteInvalidBlockName, L"\nInvalid block name."},
    {res::kGatteNestedOnly, L"\nThe block is only used inside other blocks and cannot be changed."},
    {res::kGatteNoAttributes, L"\nThe block selected has no attributes."},
    {res::kGatteNotAReference, L"\nThe object selected is not a block reference."},
    {res::kGatteKnownTags, L"\nKnown tag names for block:"},
    {res::kGatteTagPrompt, L"\nSelect attribute or type attribute tag: "},
    {res::kGatteBlockAndTag, L"\nBlock: %s   Attribute tag: %s"},
    {res::kGatteNewTextPrompt, L"\nEnter new text: "},
    {res::kGatteYesNoKeywords, L"Yes No _ Yes No"},
    // The number of references follows on the same line, then the question.
    {res::kGatteReferenceCount, L"\nNumber of block references in the drawing: "},
    {res::kGatteChangeAllPrompt, L" Change all of them? [Yes/No] <Yes>: "},
    {res::kGatteWait, L"\nPlease wait..."},
    {res::kGatteChanged, L"\n%d attribute(s) changed."},

    // BURST.
    {res::kBurstNothing, L"\nNothing to burst."},
    {res::kBurstLeftOut, L"\n%d object(s) left out: not block references, or external references."},
    {res::kBurstCount, L"\n%d block reference(s) to burst."},
    // References that could not be exploded stay as they were, their attribute texts on top.
    {res::kBurstNotExploded, L"\n%d block reference(s) could not be exploded and were kept."},
};

}  // namespace

std::span<const KxStringResource> attributeStrings() {
  return kStrings;
}

}  // namespace kx::resources
