#include "editor/input_source.h"

#include <utility>

namespace kx::editor {

std::wstring decodeUtf8Line(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char b = *p;
    const int extra = b >= 0xC2 && b < 0xE0   ? 1
                      : b >= 0xE0 && b < 0xF0 ? 2
                      : b >= 0xF0 && b < 0xF5 ? 3
                                              : 0;
    char32_t c = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : extra == 1 ? b & 0x1Fu : b;
    int i = 1;
    for (; i <= extra && p + i < end && (p[i] & 0xC0) == 0x80; ++i) c = (c << 6) | (p[i] & 0x3Fu);
    if (extra == 0 || i <= extra) {
      out.push_back(static_cast<wchar_t>(b));
      ++p;
    } else {
      out.push_back(static_cast<wchar_t>(c));
      p += extra + 1;
    }
  }
  return out;
}

std::optional<std::wstring> StreamLineReader::readLine() {
  std::string bytes;
  if (!in_ || !std::getline(*in_, bytes)) return std::nullopt;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  return decodeUtf8Line(bytes);
}

InputSource& InputSource::instance() {
  static InputSource source;
  return source;
}

void InputSource::queue(std::wstring line) {
  queued_.push_back(std::move(line));
}

void InputSource::setReader(std::unique_ptr<LineReader> reader) {
  reader_ = std::move(reader);
}

void InputSource::reset() {
  queued_.clear();
  reader_.reset();
  lookahead_.reset();
}

std::optional<std::wstring> InputSource::rawNext() {
  if (!queued_.empty()) {
    std::wstring line = std::move(queued_.front());
    queued_.pop_front();
    return line;
  }
  if (!reader_) return std::nullopt;
  return reader_->readLine();
}

namespace {
bool isComment(const std::wstring& line) {
  const auto first = line.find_first_not_of(L" \t");
  return first != std::wstring::npos && line[first] == L';';
}
}  // namespace

const std::wstring* InputSource::peek() {
  while (!lookahead_) {
    std::optional<std::wstring> line = rawNext();
    if (!line) return nullptr;
    if (!isComment(*line)) lookahead_ = std::move(line);
  }
  return &*lookahead_;
}

std::optional<std::wstring> InputSource::next() {
  if (!peek()) return std::nullopt;
  std::optional<std::wstring> line = std::move(lookahead_);
  lookahead_.reset();
  return line;
}

}  // namespace kx::editor
