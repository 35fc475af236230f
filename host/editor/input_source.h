#pragma once
// Where the user's replies come from: lines given on the command line first, then a script or a
// terminal. Everything that asks the user reads from the one source, so a script drives module
// prompts, selections and host commands alike.

#include <deque>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kx::editor {

// Something that gives lines of text: a file, standard input, a terminal with line editing.
class LineReader {
 public:
  virtual ~LineReader() = default;
  // The next line without its line end; nothing at the end of the input.
  virtual std::optional<std::wstring> readLine() = 0;
};

// Lines of UTF-8 text from a stream (a byte that starts no valid sequence stands for itself, so a
// script in an 8-bit encoding still reads); "\r\n" ends a line as "\n" does.
class StreamLineReader : public LineReader {
 public:
  explicit StreamLineReader(std::istream& in) : in_(&in) {}
  // Owns the stream (a script file).
  explicit StreamLineReader(std::unique_ptr<std::istream> in)
      : owned_(std::move(in)), in_(owned_.get()) {}
  std::optional<std::wstring> readLine() override;

 private:
  std::unique_ptr<std::istream> owned_;
  std::istream* in_;
};

class InputSource {
 public:
  // The process's source.
  static InputSource& instance();

  // A line to give before anything the reader has (kxhost -c), in the order queued.
  void queue(std::wstring line);
  // Where lines come from once the queue is empty; null: nowhere (the input ends).
  void setReader(std::unique_ptr<LineReader> reader);
  // Drops queued lines, the reader and a line looked at.
  void reset();

  // The next reply: comment lines (first non-blank character ';') are skipped. Nothing at the end
  // of the input.
  std::optional<std::wstring> next();
  // The reply next() would give, left in place.
  const std::wstring* peek();
  bool atEnd() { return peek() == nullptr; }

 private:
  std::optional<std::wstring> rawNext();

  std::deque<std::wstring> queued_;
  std::unique_ptr<LineReader> reader_;
  std::optional<std::wstring> lookahead_;
};

}  // namespace kx::editor
