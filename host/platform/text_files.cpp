// The framework's exceptions and files. CFile reads through a buffer of its own and writes
// straight to the file, so a failed write is reported by the call that made it. CStdioFile turns
// wide strings into bytes of the host's ANSI code page and back, one character at a time, with
// the drawing codecs' tables: a text file then holds the bytes a drawing of that page would.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "dxf/encoding.h"
#include "kx/kxchars.h"
#include "kx/kxwinfile.h"
#include "platform/windows_code_pages.h"
#include "support/case_fold.h"
#include "support/file_names.h"
#include "support/utf8.h"
#include "support/wide_format.h"

namespace {

using kx::dxf::CodePage;

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr wchar_t kReplacement = 0xFFFD;

void copyMessage(std::wstring_view text, LPWSTR buffer, UINT maxCount) {
  if (!buffer || maxCount == 0) return;
  const std::size_t n = std::min<std::size_t>(text.size(), maxCount - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = L'\0';
}

int causeOf(int error) {
  switch (error) {
    case 0:
      return CFileException::none;
    case ENOENT:
      return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return CFileException::badPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBADF:
      return CFileException::accessDenied;
    case EMFILE:
    case ENFILE:
      return CFileException::tooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
      return CFileException::diskFull;
    case EIO:
      return CFileException::hardIO;
    case ESPIPE:
    case EINVAL:
      return CFileException::badSeek;
    default:
      return CFileException::genericException;
  }
}

const kx::dxf::TextCodec& ansiCodec() {
  return kx::platform::codecFor(kx::platform::codePageFromNumber(RvCharFormatter::ansiCodePage())
                                    .value_or(CodePage::Ansi1252));
}

}  // namespace

// ---- exceptions -------------------------------------------------------------------------------

void CException::Delete() {
  delete this;
}

BOOL CException::GetErrorMessage(LPWSTR buffer, UINT maxCount, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  copyMessage(L"", buffer, maxCount);
  return FALSE;
}

BOOL CInvalidArgException::GetErrorMessage(LPWSTR buffer, UINT maxCount, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  copyMessage(L"Invalid argument (a null pointer or an index outside the data).", buffer, maxCount);
  return TRUE;
}

CFileException::CFileException(int cause, LONG osError, LPCWSTR fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

BOOL CFileException::GetErrorMessage(LPWSTR buffer, UINT maxCount, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  const std::wstring name =
      m_strFileName.IsEmpty() ? L"the file" : L"'" + m_strFileName.str() + L"'";
  std::wstring text;
  switch (m_cause) {
    case none:
      text = L"No error occurred with " + name + L".";
      break;
    case fileNotFound:
      text = name + L" was not found.";
      break;
    case badPath:
      text = name + L" is not a valid path.";
      break;
    case tooManyOpenFiles:
      text = L"Too many files are open to open " + name + L".";
      break;
    case accessDenied:
      text = L"Access to " + name + L" was denied.";
      break;
    case badSeek:
      text = L"Cannot move to that position in " + name + L".";
      break;
    case diskFull:
      text = L"The disk is full; " + name + L" could not be written.";
      break;
    case endOfFile:
      text = L"The end of " + name + L" was reached unexpectedly.";
      break;
    default:
      text = L"An error occurred while accessing " + name + L".";
      break;
  }
  if (m_lOsError > 0)
    text += L" (" + kx::support::decodeUtf8Lenient(std::strerror(m_lOsError)) + L")";
  text[0] = static_cast<wchar_t>(kx::support::toUpperCase(static_cast<char32_t>(text[0])));
  copyMessage(text, buffer, maxCount);
  return TRUE;
}

// ---- CFile ------------------------------------------------------------------------------------

CFile::CFile() = default;

CFile::CFile(LPCWSTR fileName, UINT openFlags) {
  CFileException error;
  if (!CFile::Open(fileName, openFlags, &error)) throw new CFileException(error);
}

CFile::~CFile() {
  Abort();
}

BOOL CFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
  if (!fileName) throw new CInvalidArgException();
  if (IsOpen()) Abort();
  int flags = O_CLOEXEC;
  switch (openFlags & 0x3) {
    case modeWrite:
      flags |= O_WRONLY;
      break;
    case modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      flags |= O_RDONLY;
      break;
  }
  if (openFlags & modeCreate) flags |= O_CREAT | ((openFlags & modeNoTruncate) ? 0 : O_TRUNC);

  const std::string path = kx::support::pathFromName(fileName).string();
  int fd = ::open(path.c_str(), flags, 0666);
  struct stat status {};
  if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);  // a folder opens for reading here, but is no file to read
    fd = -1;
    errno = EISDIR;
  }
  if (fd < 0) {
    if (error) {
      error->m_cause = causeOf(errno);
      error->m_lOsError = errno;
      error->m_strFileName = fileName;
    }
    return FALSE;
  }
  fd_ = fd;
  flags_ = openFlags;
  readAhead_.clear();
  readAheadPos_ = 0;
  SetFilePath(fileName);
  return TRUE;
}

void CFile::Close() {
  if (!IsOpen()) return;
  const int result = ::close(fd_);
  const int error = errno;
  fd_ = -1;
  readAhead_.clear();
  readAheadPos_ = 0;
  if (result != 0) {
    errno = error;
    ThrowError(causeOf(error));
  }
  path_.Empty();
}

void CFile::Abort() {
  if (IsOpen()) ::close(fd_);
  fd_ = -1;
  readAhead_.clear();
  readAheadPos_ = 0;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (!IsOpen()) ThrowError(CFileException::genericException);
  if (count == 0) return 0;
  if (!buffer) throw new CInvalidArgException();
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count && PeekByte() >= 0) {
    const std::size_t n = std::min<std::size_t>(readAhead_.size() - readAheadPos_, count - done);
    std::memcpy(out + done, readAhead_.data() + readAheadPos_, n);
    readAheadPos_ += n;
    done += static_cast<UINT>(n);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (!IsOpen()) ThrowError(CFileException::genericException);
  if (count == 0) return;
  if (!buffer) throw new CInvalidArgException();
  if ((flags_ & 0x3) == modeRead) {
    errno = EBADF;
    ThrowError(CFileException::accessDenied);
  }
  DropReadAhead();
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      ThrowError(causeOf(errno));
    }
    done += static_cast<std::size_t>(n);
  }
}

void CFile::Flush() {
  if (!IsOpen()) ThrowError(CFileException::genericException);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (!IsOpen()) ThrowError(CFileException::genericException);
  DropReadAhead();
  const int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
  const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (position < 0) ThrowError(CFileException::badSeek);
  return static_cast<ULONGLONG>(position);
}

ULONGLONG CFile::GetLength() const {
  struct stat status {};
  if (!IsOpen() || ::fstat(fd_, &status) != 0) ThrowError(CFileException::genericException);
  return static_cast<ULONGLONG>(status.st_size);
}

ULONGLONG CFile::GetPosition() const {
  if (!IsOpen()) ThrowError(CFileException::genericException);
  const off_t position = ::lseek(fd_, 0, SEEK_CUR);
  if (position < 0) ThrowError(CFileException::badSeek);
  return static_cast<ULONGLONG>(position) - (readAhead_.size() - readAheadPos_);
}

void CFile::SetFilePath(LPCWSTR path) {
  path_ = path;
}

CStringW CFile::GetFilePath() const {
  return path_;
}

int CFile::PeekByte(UINT ahead) {
  if (!IsOpen()) ThrowError(CFileException::genericException);
  while (readAhead_.size() - readAheadPos_ <= ahead) {
    if (readAheadPos_ > 0) {  // keep only what is still to be read
      readAhead_.erase(0, readAheadPos_);
      readAheadPos_ = 0;
    }
    const std::size_t kept = readAhead_.size();
    readAhead_.resize(kept + kReadChunk);
    ssize_t n;
    do {
      n = ::read(fd_, readAhead_.data() + kept, kReadChunk);
    } while (n < 0 && errno == EINTR);
    readAhead_.resize(kept + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    if (n < 0) ThrowError(causeOf(errno));
    if (n == 0) return -1;
  }
  return static_cast<unsigned char>(readAhead_[readAheadPos_ + ahead]);
}

void CFile::SkipBytes(UINT count) {
  readAheadPos_ = std::min(readAheadPos_ + count, readAhead_.size());
}

void CFile::ThrowError(int cause) const {
  throw new CFileException(cause, errno, path_.IsEmpty() ? nullptr : path_.GetString());
}

// The file's position must be where the reader is, not where the buffer ends, before anything
// else moves it.
void CFile::DropReadAhead() {
  const std::size_t unread = readAhead_.size() - readAheadPos_;
  readAhead_.clear();
  readAheadPos_ = 0;
  if (unread > 0 && ::lseek(fd_, -static_cast<off_t>(unread), SEEK_CUR) < 0)
    ThrowError(CFileException::badSeek);
}

// ---- CStdioFile -------------------------------------------------------------------------------

CStdioFile::CStdioFile(LPCWSTR fileName, UINT openFlags) {
  CFileException error;
  if (!CStdioFile::Open(fileName, openFlags, &error)) throw new CFileException(error);
}

BOOL CStdioFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
  textMode_ = !(openFlags & typeBinary);
  return CFile::Open(fileName, openFlags, error);
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  if (!textMode_) return CFile::Read(buffer, count);
  if (count == 0) return 0;
  if (!buffer) throw new CInvalidArgException();
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    const int b = PeekByte();
    if (b < 0) break;
    if (b == '\r' && PeekByte(1) == '\n') {
      SkipBytes(1);
      continue;
    }
    out[done++] = static_cast<char>(b);
    SkipBytes(1);
  }
  return done;
}

void CStdioFile::Write(const void* buffer, UINT count) {
  if (!textMode_ || count == 0) return CFile::Write(buffer, count);
  if (!buffer) throw new CInvalidArgException();
  const std::string_view bytes(static_cast<const char*>(buffer), count);
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') text.push_back('\r');
    text.push_back(c);
  }
  CFile::Write(text.data(), static_cast<UINT>(text.size()));
}

void CStdioFile::WriteString(LPCWSTR text) {
  if (!text) throw new CInvalidArgException();
  std::string bytes;
  char one[16];
  for (const wchar_t* p = text; *p; ++p) {
    const int n = RvCharFormatter::wcharToAnsiOrUtf8(*p, one, sizeof one, true, false, textMode_);
    bytes.append(one, static_cast<std::size_t>(n));
  }
  CFile::Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

LPWSTR CStdioFile::ReadString(LPWSTR buffer, UINT max) {
  if (!buffer || max == 0) throw new CInvalidArgException();
  UINT n = 0;
  bool any = false;
  while (n + 1 < max) {
    UINT bytes = 0;
    const long c = PeekChar(bytes);
    if (c < 0) break;
    SkipBytes(bytes);
    any = true;
    buffer[n++] = static_cast<wchar_t>(c);
    if (c == L'\n') break;
  }
  buffer[n] = L'\0';
  return any ? buffer : nullptr;
}

BOOL CStdioFile::ReadString(CStringW& line) {
  std::wstring text;
  bool any = false;
  for (long c = ReadChar(); c >= 0; c = ReadChar()) {
    any = true;
    if (c == L'\n') break;
    text.push_back(static_cast<wchar_t>(c));
  }
  if (!text.empty() && text.back() == L'\r') text.pop_back();  // a binary-mode line end
  line = CStringW(text);
  return any;
}

long CStdioFile::ReadChar() {
  UINT bytes = 0;
  const long c = PeekChar(bytes);
  if (c >= 0) SkipBytes(bytes);
  return c;
}

long CStdioFile::PeekChar(UINT& bytes) {
  const int first = PeekByte();
  bytes = 1;
  if (first < 0) return -1;
  if (first < 0x80) {
    if (textMode_ && first == '\r' && PeekByte(1) == '\n') bytes = 2;
    return bytes == 2 ? L'\n' : first;
  }
  // The shortest run of bytes the code page reads as one character is that character. Only bytes
  // from 0x80 up start here, so the codec never sees the backslash of an escape.
  const kx::dxf::TextCodec& codec = ansiCodec();
  const UINT longest = codec.codePage() == CodePage::Utf8 ? 4 : 2;
  std::string sequence;
  for (UINT length = 1; length <= longest; ++length) {
    const int b = PeekByte(length - 1);
    if (b < 0) break;
    sequence.push_back(static_cast<char>(b));
    const std::wstring decoded = codec.decode(sequence);
    if (decoded.size() == 1 && decoded[0] != kReplacement) {
      bytes = length;
      return decoded[0];
    }
  }
  return kReplacement;  // one byte at a time, so a broken character never swallows a line end
}
