#pragma once
// A single-line text's string as MTEXT contents that show the same characters. A backslash,
// brace or caret means something in MTEXT and is written so it stays a character; %%u and %%o
// become MTEXT's underline and overline codes, closed where the text ends; %%% and %%nnn become
// the character they stand for; %%d, %%p and %%c mean the same in both and stay.

#include <string>

std::wstring mtextFromTextString(const wchar_t* text);
