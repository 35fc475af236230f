#pragma once
// UTF-8 and the host's wide strings (UTF-32 wchar_t): the one conversion every layer uses, for
// file names, scripts, settings, messages and the strings of R2007 and later drawings.

#include <optional>
#include <string>
#include <string_view>

namespace kx::support {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// One character decoded at the start of `bytes`: how many bytes it took and whether they were a
// well-formed sequence (no overlong form, no surrogate, nothing past U+10FFFF). A malformed start
// takes the bytes up to the first that cannot continue it and decodes as U+FFFD.
struct DecodedCharacter {
  char32_t character;
  std::size_t length;
  bool valid;
};
DecodedCharacter decodeUtf8Character(std::string_view bytes);

// Appends the UTF-8 of one character; surrogates and values past U+10FFFF become U+FFFD.
void appendUtf8(std::string& out, char32_t character);
std::string toUtf8(std::wstring_view text);

// How many bytes at the start are ASCII (below 0x80); scans eight at a time, as drawings are
// mostly ASCII.
std::size_t asciiPrefixLength(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);
// How many characters `bytes` hold: every byte that does not continue a sequence starts one.
std::size_t utf8CharacterCount(std::string_view bytes);
// Nothing unless `bytes` is well-formed UTF-8.
std::optional<std::wstring> decodeUtf8Strict(std::string_view bytes);

// How text from outside (scripts, command lines, system messages, file names) is read: UTF-8,
// where a byte that starts no valid sequence stands for itself (Latin-1), so text in another 8-bit
// encoding still reads as something a user recognises.
std::wstring decodeUtf8Lenient(std::string_view bytes);

}  // namespace kx::support
