#include "editor/input_source.h"

#include <utility>

#include "support/utf8.h"

namespace kx::editor {

std::optional<std::wstring> StreamLineReader::readLine() {
  std::string bytes;
  if (!in_ || !std::getline(*in_, bytes)) return std::nullopt;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  return kx::support::decodeUtf8Lenient(bytes);
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
