#pragma once
// The framework's object, exception and file classes modules use for their text files.
//
// Exceptions are thrown as pointers, as the framework does: `throw new CFileException(...)`,
// caught as `catch (CException* e) { ...; e->Delete(); }`. A programming error such as a null
// path or an index outside an array throws CInvalidArgException*; the host ends a command that
// lets one escape with an error line.
//
// Paths are wide strings; the host hands them to the file system as UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>

#include "kx/kxwindef.h"
#include "kx/kxwinstr.h"

typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;

class CObject {
 public:
  virtual ~CObject() = default;
};

class CException : public CObject {
 public:
  // Frees an exception that was thrown as a pointer (allocated with new).
  void Delete();
  // A message for the user in `buffer` (at most maxCount characters, terminator included, cut to
  // fit); FALSE when there is no message to give.
  virtual BOOL GetErrorMessage(LPWSTR buffer, UINT maxCount, UINT* helpContext = nullptr) const;
};

// A null pointer or an index outside an array or string.
class CInvalidArgException : public CException {
 public:
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxCount, UINT* helpContext = nullptr) const override;
};

class CFileException : public CException {
 public:
  enum {
    none = 0,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };

  explicit CFileException(int cause = none, LONG osError = -1, LPCWSTR fileName = nullptr);
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxCount, UINT* helpContext = nullptr) const override;

  int m_cause;
  LONG m_lOsError;  // errno of the failed call; -1 when none
  CStringW m_strFileName;
};

// A file of bytes. Writes go to the file at once; a failed write throws CFileException*.
class CFile : public CObject {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,  // the share modes are accepted and not enforced
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,      // creates the file, emptying one that exists...
    modeNoTruncate = 0x2000,  // ...unless this is given too
    typeText = 0x4000,        // CStdioFile: "\r\n" on disk is '\n' in memory (the default)
    typeBinary = 0x8000,      // CStdioFile: bytes as they are
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile();
  // Opens the file; throws CFileException* when it cannot.
  CFile(LPCWSTR fileName, UINT openFlags);
  ~CFile() override;  // closes the file, ignoring errors
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // FALSE when the file cannot be opened, with the reason in `error` when given. A null path
  // throws CInvalidArgException*. An open file is closed first.
  virtual BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr);
  virtual void Close();
  void Abort();  // closes without reporting errors
  BOOL IsOpen() const { return fd_ >= 0; }

  // Up to `count` bytes at the current position; fewer at the end of the file.
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual void Flush();

  // The new position from the start of the file.
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  virtual ULONGLONG GetLength() const;
  virtual ULONGLONG GetPosition() const;

  virtual void SetFilePath(LPCWSTR path);
  virtual CStringW GetFilePath() const;

 protected:
  // The next byte without consuming it (or `ahead` bytes further); -1 at the end of the file.
  int PeekByte(UINT ahead = 0);
  // Consumes `count` bytes already seen with PeekByte.
  void SkipBytes(UINT count);
  // Throws CFileException* with `cause` and the current errno.
  [[noreturn]] void ThrowError(int cause) const;

 private:
  void DropReadAhead();

  int fd_ = -1;
  UINT flags_ = 0;
  CStringW path_;
  std::string readAhead_;  // bytes read from the file but not yet consumed
  std::size_t readAheadPos_ = 0;
};

// A text file. Strings go to disk in the host's ANSI code page (RvCharFormatter::ansiCodePage,
// which follows the drawing), one byte sequence per character, '?' for a character the code page
// lacks; reading decodes the same code page (U+FFFD for bytes it cannot decode). In text mode '\n'
// is written as "\r\n" and "\r\n" read as '\n'.
class CStdioFile : public CFile {
 public:
  CStdioFile() = default;
  CStdioFile(LPCWSTR fileName, UINT openFlags);  // throws CFileException* when it cannot open

  BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr) override;

  // Text-mode aware; CFile::Read and CFile::Write stay available for raw bytes.
  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;

  virtual void WriteString(LPCWSTR text);
  // The next line into `buffer` (at most max - 1 characters and a terminator), its '\n' kept when
  // it fits; null at the end of the file.
  virtual LPWSTR ReadString(LPWSTR buffer, UINT max);
  // The next line without its end; FALSE at the end of the file.
  virtual BOOL ReadString(CStringW& line);

  BOOL IsTextMode() const { return textMode_; }

 private:
  // The next character of the file, or -1 at its end; "\r\n" as '\n' in text mode.
  long ReadChar();
  // The next character without consuming it: its value and how many bytes it takes.
  long PeekChar(UINT& bytes);

  bool textMode_ = true;
};
