#pragma once
// Character encodings of DXF string values.
//
// Drawings of R2007 (AC1021) and later are UTF-8. Older drawings use the code page named by the
// header variable $DWGCODEPAGE, and spell characters the code page cannot hold as \U+XXXX
// (a Unicode code point) or, in drawings from older programs, \M+nXXXX (a double-byte character of
// code page n). Inside the host every string is wide (UTF-32 wchar_t).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kx::dxf {

enum class CodePage {
  Utf8,
  Ansi1252,  // Western European
  Ansi936,   // Simplified Chinese (GBK)
  Ansi950,   // Traditional Chinese (Big5)
  Ansi932,   // Japanese (Shift-JIS)
  Ansi949,   // Korean (Unified Hangul)
  Ansi1250,  // Central European
  Ansi1251,  // Cyrillic
};

// "ANSI_1252" -> Ansi1252, case-insensitive; also accepts "UTF-8"/"UTF8". Unknown names give
// nothing.
std::optional<CodePage> codePageFromName(std::string_view name);
// The $DWGCODEPAGE spelling: "ANSI_1252", ...; "UTF-8" for Utf8.
std::string_view codePageName(CodePage page);

// Converts string values between the bytes of a drawing and wide strings.
// Construction builds lookup tables once; decode and encode are then cheap and thread-compatible.
class TextCodec {
 public:
  // Throws std::runtime_error if the C library has no converter for the code page.
  explicit TextCodec(CodePage page);
  ~TextCodec();
  TextCodec(TextCodec&&) noexcept;
  TextCodec& operator=(TextCodec&&) noexcept;

  CodePage codePage() const;
  // Whether `byte` starts a two-byte character of this code page (never for UTF-8).
  bool isLeadByte(unsigned char byte) const;

  // Bytes of the drawing to wide. \U+XXXX and \M+nXXXX escapes become their characters (a \M+
  // of another code page than this codec's is decoded with that code page; a surrogate pair written
  // as two \U+ escapes is one character). An escape that is malformed or names no character is
  // kept as text. Bytes that are not valid in the code page become U+FFFD; decode never fails.
  std::wstring decode(std::string_view bytes) const;
  // The same into `out`, which has room for bytes.size() characters (decoding never yields more
  // characters than bytes); returns how many were written.
  std::size_t decodeInto(std::string_view bytes, wchar_t* out) const;

  // Wide to the bytes of the drawing. For UTF-8 every character is written as UTF-8. For a code
  // page, a character it cannot hold is written as \U+XXXX (hex digits upper-case, 4 digits; a
  // code point above U+FFFF as two escapes of its UTF-16 surrogate pair, since readers take exactly
  // 4 digits). A backslash stays one byte, unless the text after it would read back as an escape:
  // then it is written as \U+005C, so that decode(encode(text)) == text for any Unicode text.
  // Lone surrogates and values above U+10FFFF are written as U+FFFD.
  std::string encode(std::wstring_view text) const;

 private:
  struct Tables;
  CodePage page_;
  std::unique_ptr<Tables> tables_;
};

// The encoding a drawing's strings are really in. `declared` is what the drawing says (UTF-8 for
// R2007 and later, else its $DWGCODEPAGE). `stringBytes` are the drawing's string values (or a
// large sample of them, concatenated). A drawing that declares a code page but whose non-ASCII
// bytes are all well-formed UTF-8 multi-byte sequences is UTF-8; a drawing that declares UTF-8 but
// holds malformed UTF-8 is in `fallback` (its $DWGCODEPAGE, else ANSI_1252).
CodePage detectRealEncoding(CodePage declared, CodePage fallback, std::string_view stringBytes);

}  // namespace kx::dxf
