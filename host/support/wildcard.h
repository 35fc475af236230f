#pragma once
// Wildcard patterns as CAD users write them in layer filters, selection filters and attribute
// tags. The one matcher behind kxutWcMatch and the selection-set filters, so both accept the same
// patterns.
//
//   *  any run of characters (also none)     ?  any one character
//   #  one digit                             @  one letter
//   .  one character that is not a letter or digit
//   ~  at the start of a pattern: matches what the rest does not
//   [abc] one of them, [~abc] none of them, [a-z] a range
//   `  takes the next character literally     ,  separates alternatives
// Letters compare without regard to case.

#include <string_view>

namespace kx::support {

bool wildcardMatch(std::wstring_view text, std::wstring_view pattern);

}  // namespace kx::support
