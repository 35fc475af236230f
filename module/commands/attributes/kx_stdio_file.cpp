#include "commands/attributes/kx_stdio_file.h"

#include <cwctype>
#include <string>

#include "kx/kxchars.h"

namespace {

// The longest bytes of one character: a character beyond U+FFFF in the ANSI code page is two
// escapes of seven bytes.
constexpr int kCharBytes = 16;

int hexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isHighSurrogate(long c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(long c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
long joinSurrogates(long high, long low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

bool isHexText(const wchar_t* text, int count) {
  for (int i = 0; i < count; ++i)
    if (!text[i] || !std::iswxdigit(static_cast<wint_t>(text[i]))) return false;
  return true;
}

// Whether a backslash followed by `rest` would read back as an escape.
bool readsAsEscape(const wchar_t* rest) {
  return (rest[0] == L'U' || rest[0] == L'u') && rest[1] == L'+' && isHexText(rest + 2, 4);
}

}  // namespace

KxCStdioFile::KxCStdioFile() = default;

KxCStdioFile::~KxCStdioFile() {
  try {
    if (IsOpen()) WriteOutBuffer();
  } catch (CException* e) {
    e->Delete();
  }
}

void KxCStdioFile::SetFilePath(LPCWSTR path) {
  if (!path) throw new CInvalidArgException();
  CStdioFile::SetFilePath(path);
}

void KxCStdioFile::AttachWriteBuffer(char* buffer, std::uint32_t capacity) {
  WriteOutBuffer();
  const bool usable = buffer && capacity > static_cast<std::uint32_t>(kCharBytes);
  buffer_ = usable ? buffer : nullptr;
  capacity_ = usable ? capacity : 0;
  used_ = 0;
}

void KxCStdioFile::WriteOutBuffer() {
  if (used_ == 0) return;  // nothing is ever used without a buffer
  const std::uint32_t count = used_;
  used_ = 0;
  // Text mode turns each line feed into CR LF on the way out.
  CStdioFile::Write(buffer_, count);
}

void KxCStdioFile::Flush() {
  WriteOutBuffer();
  CStdioFile::Flush();
}

void KxCStdioFile::Close() {
  if (IsOpen()) WriteOutBuffer();
  buffer_ = nullptr;
  capacity_ = used_ = 0;
  CStdioFile::Close();
}

int KxCStdioFile::Encode(wchar_t c, const wchar_t* next, char* out) {
  switch (encoding_) {
    case kAnsi:
      // A backslash that would read back as the start of an escape is escaped itself.
      if (c == L'\\' && escape_ && readsAsEscape(next)) {
        std::char_traits<char>::copy(out, "\\U+005C", 7);
        return 7;
      }
      return RvCharFormatter::wcharToAnsiOrUtf8(c, out, kCharBytes, true, escape_, crlf_);
    case kUtf8:
      return RvCharFormatter::wcharToAnsiOrUtf8(c, out, kCharBytes, false, escape_, crlf_);
    case kUtf16LittleEndian:
    case kUtf16BigEndian:
      return RvCharFormatter::wcharToUtf16(c, out, kCharBytes, encoding_ == kUtf16LittleEndian,
                                           crlf_);
    default:
      return 0;
  }
}

void KxCStdioFile::WriteString(LPCWSTR text) {
  if (!text) throw new CInvalidArgException();
  for (const wchar_t* p = text; *p; ++p) {
    if (buffer_) {
      used_ += static_cast<std::uint32_t>(Encode(*p, p + 1, buffer_ + used_));
      if (capacity_ - used_ <= static_cast<std::uint32_t>(kCharBytes)) WriteOutBuffer();
      continue;
    }
    char bytes[kCharBytes];
    CStdioFile::Write(bytes, static_cast<UINT>(Encode(*p, p + 1, bytes)));
  }
}

BOOL KxCStdioFile::ReadByteOrderMark() {
  const int first = PeekByte(), second = PeekByte(1);
  if (first == 0xEF && second == 0xBB && PeekByte(2) == 0xBF) {
    SkipBytes(3);
    encoding_ = kUtf8;
  } else if (first == 0xFF && second == 0xFE) {
    SkipBytes(2);
    encoding_ = kUtf16LittleEndian;
  } else if (first == 0xFE && second == 0xFF) {
    SkipBytes(2);
    encoding_ = kUtf16BigEndian;
  } else {
    return FALSE;
  }
  return TRUE;
}

long KxCStdioFile::PeekEscape(UINT at) {
  if ((PeekByte(at) != 'U' && PeekByte(at) != 'u') || PeekByte(at + 1) != '+') return -1;
  long code = 0;
  for (UINT i = 2; i < 6; ++i) {
    const int digit = hexDigit(PeekByte(at + i));
    if (digit < 0) return -1;
    code = code * 16 + digit;
  }
  return code;
}

long KxCStdioFile::ReadAnsiChar() {
  const int first = PeekByte();
  if (first < 0) return -1;
  SkipBytes(1);
  if (first == '\\' && escape_) {
    const long code = PeekEscape(0);
    if (code < 0) return '\\';
    SkipBytes(6);
    // A character beyond U+FFFF was written as the escapes of its two UTF-16 halves.
    if (isHighSurrogate(code) && PeekByte() == '\\') {
      const long low = PeekEscape(1);
      if (isLowSurrogate(low)) {
        SkipBytes(7);
        return joinSurrogates(code, low);
      }
    }
    return code;
  }
  if (first < 0x80) return first;
  char bytes[2] = {static_cast<char>(first), 0};
  int count = 1;
  if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(first)) && PeekByte() >= 0) {
    bytes[1] = static_cast<char>(PeekByte());
    count = 2;
  }
  wchar_t c = 0;
  if (MultiByteToWideChar(CP_ACP, 0, bytes, count, &c, 1) == 1 && c != 0xFFFD) {
    if (count == 2) SkipBytes(1);
    return c;
  }
  return 0xFFFD;  // the next byte is read on its own, so a broken character keeps a line end
}

long KxCStdioFile::ReadUtf8Char() {
  const int first = PeekByte();
  if (first < 0) return -1;
  SkipBytes(1);
  if (first < 0x80) return first;
  // 0xC0 and 0xC1 could only start overlong forms of ASCII, which are no characters.
  const int length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 1;
  if (length == 1) return 0xFFFD;
  long code = first & (0x3F >> (length - 1));
  for (int i = 1; i < length; ++i) {
    const int next = PeekByte();
    if ((next & 0xC0) != 0x80) return 0xFFFD;  // the end, -1, is no continuation byte either
    SkipBytes(1);
    code = (code << 6) | (next & 0x3F);
  }
  return code;
}

long KxCStdioFile::ReadUtf16Char() {
  const auto unit = [this](UINT at) -> long {
    const int a = PeekByte(at), b = PeekByte(at + 1);
    if (a < 0 || b < 0) return -1;
    return encoding_ == kUtf16LittleEndian ? (b << 8 | a) : (a << 8 | b);
  };
  const long first = unit(0);
  if (first < 0) return -1;  // an odd byte at the end is no character
  SkipBytes(2);
  if (isHighSurrogate(first)) {
    const long second = unit(0);
    if (isLowSurrogate(second)) {
      SkipBytes(2);
      return joinSurrogates(first, second);
    }
  }
  return first;
}

long KxCStdioFile::ReadChar() {
  long c = -1;
  switch (encoding_) {
    case kAnsi:
      c = ReadAnsiChar();
      break;
    case kUtf8:
      c = ReadUtf8Char();
      break;
    case kUtf16LittleEndian:
    case kUtf16BigEndian:
      c = ReadUtf16Char();
      break;
    default:
      return -1;
  }
  if (c == '\r' && crlf_) {
    // CR LF is one line feed; a CR alone stays, the byte after it read next.
    const bool wide = encoding_ == kUtf16LittleEndian || encoding_ == kUtf16BigEndian;
    const int a = PeekByte(), b = wide ? PeekByte(1) : 0;
    const bool lineFeed = wide ? ((encoding_ == kUtf16LittleEndian && a == '\n' && b == 0) ||
                                  (encoding_ == kUtf16BigEndian && a == 0 && b == '\n'))
                               : a == '\n';
    if (lineFeed) {
      SkipBytes(wide ? 2 : 1);
      return '\n';
    }
  }
  return c;
}

BOOL KxCStdioFile::ReadString(CStringW& line) {
  std::wstring text;
  bool any = false;
  for (long c = ReadChar(); c >= 0; c = ReadChar()) {
    any = true;
    if (c == '\n') break;
    text.push_back(static_cast<wchar_t>(c));
  }
  line = CStringW(text);
  return any;
}

LPWSTR KxCStdioFile::ReadString(LPWSTR buffer, UINT max) {
  if (!buffer || max == 0) throw new CInvalidArgException();
  UINT n = 0;
  while (n + 1 < max) {
    const long c = ReadChar();
    if (c < 0) break;
    buffer[n++] = static_cast<wchar_t>(c);
    if (c == '\n') break;
  }
  buffer[n] = L'\0';
  return n > 0 ? buffer : nullptr;
}
