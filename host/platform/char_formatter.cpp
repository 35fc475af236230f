// The base library's per-character writers, and the platform's code-page decoding calls. The
// ANSI code pages reuse the drawing codecs, so a text file a module writes holds the same bytes a
// drawing in that code page would, and reads back through the same tables.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dxf/encoding.h"
#include "kx/kxchars.h"
#include "platform/windows_code_pages.h"
#include "support/utf8.h"

namespace {

using kx::platform::codecFor;
using kx::platform::codePageFromNumber;

using kx::dxf::CodePage;

constexpr unsigned kUtf8CodePage = 65001;
constexpr char32_t kReplacement = 0xFFFD;

unsigned g_ansiCodePage = 1252;

char32_t codePointOf(wchar_t c) {
  const auto value = static_cast<char32_t>(c);
  if (c < 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
  return value;
}

int put(std::string_view bytes, char* out, int capacity) {
  if (out == nullptr || capacity < 0 || bytes.size() > std::size_t(capacity)) return 0;
  std::memcpy(out, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

void appendUtf16Unit(std::string& bytes, char32_t unit, bool littleEndian) {
  const char high = static_cast<char>(unit >> 8);
  const char low = static_cast<char>(unit & 0xFF);
  bytes.push_back(littleEndian ? low : high);
  bytes.push_back(littleEndian ? high : low);
}

}  // namespace

int RvCharFormatter::wcharToAnsiOrUtf8(wchar_t c, char* out, int capacity, bool ansi, bool escape,
                                       bool crlf) {
  if (crlf && c == L'\n') return put("\r\n", out, capacity);
  const char32_t code = codePointOf(c);
  if (code < 0x80) return put(std::string(1, static_cast<char>(code)), out, capacity);

  const CodePage page = ansi ? *codePageFromNumber(ansiCodePage()) : CodePage::Utf8;
  if (page == CodePage::Utf8) {
    const wchar_t wide = static_cast<wchar_t>(code);
    return put(kx::support::toUtf8(std::wstring_view(&wide, 1)), out, capacity);
  }
  // The codec writes what its code page lacks as \U+XXXX; no byte of a character it holds starts
  // with a backslash (lead bytes of the double-byte pages are 0x81 and up).
  const std::wstring one(1, static_cast<wchar_t>(code));
  const std::string bytes = codecFor(page).encode(one);
  if (bytes.front() == '\\' && !escape) return put("?", out, capacity);
  return put(bytes, out, capacity);
}

int RvCharFormatter::wcharToUtf16(wchar_t c, char* out, int capacity, bool littleEndian,
                                  bool crlf) {
  std::string bytes;
  if (crlf && c == L'\n') {
    appendUtf16Unit(bytes, U'\r', littleEndian);
    appendUtf16Unit(bytes, U'\n', littleEndian);
    return put(bytes, out, capacity);
  }
  const char32_t code = codePointOf(c);
  if (code > 0xFFFF) {
    const char32_t offset = code - 0x10000;
    appendUtf16Unit(bytes, 0xD800 + (offset >> 10), littleEndian);
    appendUtf16Unit(bytes, 0xDC00 + (offset & 0x3FF), littleEndian);
  } else {
    appendUtf16Unit(bytes, code, littleEndian);
  }
  return put(bytes, out, capacity);
}

unsigned RvCharFormatter::ansiCodePage() {
  return g_ansiCodePage;
}

bool RvCharFormatter::setAnsiCodePage(unsigned codePage) {
  if (!codePageFromNumber(codePage)) return false;
  g_ansiCodePage = codePage;
  return true;
}

namespace {

std::optional<CodePage> codePageOfCall(UINT codePage) {
  return codePageFromNumber(codePage == CP_ACP ? RvCharFormatter::ansiCodePage() : codePage);
}

}  // namespace

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte) {
  const auto page = codePageOfCall(codePage);
  return page && *page != CodePage::Utf8 && codecFor(*page).isLeadByte(byte);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int byteCount, wchar_t* wide,
                        int wideCount) {
  const auto page = codePageOfCall(codePage);
  if (!page || (flags & ~MB_ERR_INVALID_CHARS) != 0 || !bytes || byteCount == 0 || byteCount < -1 ||
      wideCount < 0)
    return 0;
  const std::string_view input(
      bytes, byteCount == -1 ? std::strlen(bytes) + 1 : static_cast<std::size_t>(byteCount));
  const kx::dxf::TextCodec& codec = codecFor(*page);
  std::wstring out;
  out.reserve(input.size());
  for (std::size_t i = 0; i < input.size();) {
    const auto b = static_cast<unsigned char>(input[i]);
    if (b < 0x80) {  // ASCII alike in every page; a backslash stays a backslash
      out.push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    }
    std::size_t length = 1;
    if (*page == CodePage::Utf8)
      length = kx::support::decodeUtf8Character(input.substr(i)).length;
    else if (codec.isLeadByte(b) && i + 1 < input.size())
      length = 2;
    // A character of the page never holds an escape's backslash as its first byte, so the codec
    // decodes it as that character alone.
    const std::wstring one = codec.decode(input.substr(i, length));
    const bool valid = one.size() == 1 && one[0] != static_cast<wchar_t>(kReplacement);
    if (!valid && (flags & MB_ERR_INVALID_CHARS)) return 0;
    out.push_back(valid ? one[0] : static_cast<wchar_t>(kReplacement));
    i += valid ? length : 1;
  }
  if (wideCount == 0) return static_cast<int>(out.size());
  if (!wide || out.size() > static_cast<std::size_t>(wideCount)) return 0;
  std::copy(out.begin(), out.end(), wide);
  return static_cast<int>(out.size());
}

namespace kx::platform {

const dxf::TextCodec& codecFor(dxf::CodePage page) {
  static std::array<std::unique_ptr<dxf::TextCodec>, 8> codecs;
  const auto index = static_cast<std::size_t>(page);
  if (!codecs.at(index)) codecs[index] = std::make_unique<dxf::TextCodec>(page);
  return *codecs[index];
}

std::optional<dxf::CodePage> codePageFromNumber(unsigned number) {
  switch (number) {
    case 1252:
      return dxf::CodePage::Ansi1252;
    case 1250:
      return dxf::CodePage::Ansi1250;
    case 1251:
      return dxf::CodePage::Ansi1251;
    case 936:
      return dxf::CodePage::Ansi936;
    case 950:
      return dxf::CodePage::Ansi950;
    case 932:
      return dxf::CodePage::Ansi932;
    case 949:
      return dxf::CodePage::Ansi949;
    case kUtf8CodePage:
      return dxf::CodePage::Utf8;
    default:
      return std::nullopt;
  }
}

}  // namespace kx::platform
