#include "editor/input_source.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "support/utf8.h"

namespace kx::editor {
namespace {

InputLine inputLineOf(std::string_view bytes) {
  InputLine line;
  line.text.reserve(bytes.size());
  bool notUtf8 = false;
  while (!bytes.empty()) {
    const support::DecodedCharacter d = support::decodeUtf8Character(bytes);
    if (d.valid) {
      line.text.push_back(static_cast<wchar_t>(d.character));
      bytes.remove_prefix(d.length);
      continue;
    }
    // Each byte that starts no valid sequence is shown by its value.
    notUtf8 = true;
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto b = static_cast<unsigned char>(bytes.front());
    line.text +=
        {L'\\', L'x', static_cast<wchar_t>(kHex[b >> 4]), static_cast<wchar_t>(kHex[b & 15])};
    bytes.remove_prefix(1);
  }
  const bool zero = line.text.find(L'\0') != std::wstring::npos;
  if (zero) {
    std::wstring shown;
    for (wchar_t c : line.text) {
      if (c == L'\0')
        shown += L"\\0";
      else
        shown += c;
    }
    line.text = std::move(shown);
  }
  if (zero && notUtf8)
    line.fault = L"it holds a zero byte and bytes that are not UTF-8 text";
  else if (zero)
    line.fault = L"it holds a zero byte";
  else if (notUtf8)
    line.fault = L"it holds bytes that are not UTF-8 text (shown as \\x and their value)";
  return line;
}

bool isComment(const std::wstring& line) {
  const auto first = line.find_first_not_of(L" \t");
  return first != std::wstring::npos && line[first] == L';';
}

}  // namespace

FileLineReader::FileLineReader(int fd, bool owned) : fd_(fd), owned_(owned) {}

FileLineReader::~FileLineReader() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

bool FileLineReader::fill() {
  if (ended_) return false;
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0) break;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      // Standard input left non-blocking by whoever gave it: wait for it.
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    failure_ = std::strerror(errno);
    break;
  }
  ended_ = true;
  return false;
}

std::optional<std::string> FileLineReader::readLine() {
  std::size_t lineEnd;
  while ((lineEnd = buffer_.find('\n', start_)) == std::string::npos) {
    if (!fill()) {
      // The last line may lack its line end; a read error drops what came before it, since the
      // line may be cut.
      if (!failure_.empty() || start_ >= buffer_.size()) return std::nullopt;
      lineEnd = buffer_.size();
      break;
    }
  }
  std::string line = buffer_.substr(start_, lineEnd - start_);
  start_ = std::min(lineEnd + 1, buffer_.size());
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (atFirstLine_ && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  atFirstLine_ = false;
  return line;
}

InputSource& InputSource::instance() {
  static InputSource source;
  return source;
}

void InputSource::queueBytes(std::string utf8) {
  queued_.push_back(std::move(utf8));
}

void InputSource::queue(std::wstring_view line) {
  queued_.push_back(support::toUtf8(line));
}

void InputSource::putBack(std::wstring_view line) {
  // A line looked at already comes after the one put back.
  if (lookahead_ && lookahead_->fault.empty())
    queued_.push_front(support::toUtf8(lookahead_->text));
  lookahead_.reset();
  queued_.push_front(support::toUtf8(line));
}

void InputSource::setReader(std::unique_ptr<LineReader> reader) {
  reader_ = std::move(reader);
}

void InputSource::reset() {
  queued_.clear();
  reader_.reset();
  lookahead_.reset();
  closed_ = false;
}

void InputSource::close() {
  closed_ = true;
  lookahead_.reset();
}

bool InputSource::resume() {
  return !closed_ && reader_ && reader_->resume();
}

std::string InputSource::failure() const {
  return reader_ ? reader_->failure() : std::string();
}

std::optional<std::string> InputSource::rawNext() {
  if (closed_) return std::nullopt;
  if (!queued_.empty()) {
    std::string line = std::move(queued_.front());
    queued_.pop_front();
    return line;
  }
  if (!reader_) return std::nullopt;
  return reader_->readLine();
}

const InputLine* InputSource::peek() {
  while (!lookahead_) {
    std::optional<std::string> bytes = rawNext();
    if (!bytes) return nullptr;
    InputLine line = inputLineOf(*bytes);
    if (!isComment(line.text)) lookahead_ = std::move(line);
  }
  return &*lookahead_;
}

std::optional<InputLine> InputSource::next() {
  if (!peek()) return std::nullopt;
  std::optional<InputLine> line = std::move(lookahead_);
  lookahead_.reset();
  return line;
}

}  // namespace kx::editor
