#pragma once
// The underline code of single-line texts: "%%u" (or "%%U") switches underlining on or off where
// it stands, so a text starts underlined when it opens with an odd number of them.

#include <string>
#include <string_view>

// How many underline codes the text opens with, one after the other.
int leadingUnderlineCodes(std::wstring_view text);

// The whole text underlined: its leading codes replaced by exactly one lower-case "%%u".
std::wstring underlined(std::wstring_view text);

// The text without its leading codes when they leave it underlined; a text that does not start
// underlined (none or an even number) comes back as it was.
std::wstring notUnderlined(std::wstring_view text);
