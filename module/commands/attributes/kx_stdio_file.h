#pragma once
// The attribute commands' text file: characters in a chosen encoding, written and read one at a
// time. In the ANSI code page a character the page lacks is written as \U+XXXX, and that form is
// read back as the character, so a value survives a code page that cannot hold it.

#include <cstdint>

#include "kx/kxwinfile.h"

class KxCStdioFile : public CStdioFile {
 public:
  enum Encoding : std::uint32_t {
    kAnsi = 1,
    kUtf8 = 2,
    kUtf16LittleEndian = 3,
    kUtf16BigEndian = 4,
  };

  KxCStdioFile();
  // Writes out what an attached buffer still holds; an error then is not reported.
  ~KxCStdioFile() override;

  // A null path throws CInvalidArgException*.
  void SetFilePath(LPCWSTR path) override;
  void WriteString(LPCWSTR text) override;
  // The next line without its line feed; FALSE at the end of the file with nothing read.
  BOOL ReadString(CStringW& line) override;
  // The next line with its line feed, at most max - 1 characters; null at the end of the file.
  LPWSTR ReadString(LPWSTR buffer, UINT max) override;

  // Flush and Close write out an attached buffer first.
  void Flush() override;
  void Close() override;

  void SetEncoding(Encoding kind) { encoding_ = kind; }
  Encoding GetEncoding() const { return static_cast<Encoding>(encoding_); }
  // Writing: passed to the character converters. Reading: escape decodes \U+XXXX (ANSI only),
  // crlf reads CR LF as one line feed.
  void SetEscape(bool escape) { escape_ = escape; }
  void SetCrLf(bool crlf) { crlf_ = crlf; }

  // At the start of a file being read: takes the encoding a byte-order mark names (UTF-8, UTF-16
  // of either order) and skips the mark. FALSE, and nothing read, when there is none.
  BOOL ReadByteOrderMark();

  // Writes collect in `buffer` (owned by the caller, attached until Close) and go to the file
  // whenever 16 bytes or fewer, the most one character takes, are left free. A buffer of 16
  // bytes or fewer is not used.
  void AttachWriteBuffer(char* buffer, std::uint32_t capacity);

 private:
  // The next character in the file's encoding, -1 at the end.
  long ReadChar();
  long ReadAnsiChar();
  long ReadUtf8Char();
  long ReadUtf16Char();
  // The code of an escape whose backslash lies just before `at` bytes ahead ("U+XXXX" there);
  // -1 when the text there is no escape. Nothing is consumed.
  long PeekEscape(UINT at);
  int Encode(wchar_t c, const wchar_t* next, char* out);
  void WriteOutBuffer();

  std::uint32_t encoding_ = kAnsi;
  bool escape_ = true;
  bool crlf_ = false;
  char* buffer_ = nullptr;
  std::uint32_t capacity_ = 0;
  std::uint32_t used_ = 0;
};
