#pragma once
// Where the user's replies come from: lines given on the command line first, then a script or a
// terminal. Everything that asks the user reads from the one source, so a script drives module
// prompts, selections and host commands alike.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kx::editor {

// Something that gives lines of UTF-8 text: a file, standard input, a terminal with line editing.
class LineReader {
 public:
  virtual ~LineReader() = default;
  // The next line's bytes without its line end; nothing at the end of the input, or when the
  // input could not be read any further (failure() then says why).
  virtual std::optional<std::string> readLine() = 0;
  // Why reading stopped before the end of the input; empty when it did not.
  virtual std::string failure() const { return {}; }
  // After the end of the input: whether more lines can be read (a terminal can: the user pressed
  // Ctrl-D and is still there). From then on readLine reads again.
  virtual bool resume() { return false; }
};

// Lines from a file descriptor: a script file or standard input. "\r\n" ends a line as "\n"
// does, a byte order mark before the first line is dropped, and a read error is a failure, not
// the end of the input.
class FileLineReader : public LineReader {
 public:
  // Reads `fd`, which it closes at the end when `owned`.
  FileLineReader(int fd, bool owned);
  ~FileLineReader() override;
  FileLineReader(const FileLineReader&) = delete;
  FileLineReader& operator=(const FileLineReader&) = delete;

  std::optional<std::string> readLine() override;
  std::string failure() const override { return failure_; }

 private:
  // More bytes into buffer_; false at the end or on failure.
  bool fill();

  int fd_;
  bool owned_;
  std::string buffer_;
  std::size_t start_ = 0;  // where the unread part of buffer_ begins
  bool atFirstLine_ = true;
  bool ended_ = false;
  std::string failure_;
};

// A line of input: a reply, or a line that cannot be one.
struct InputLine {
  // The reply; for a line that is not text, the line shown with its bad bytes as \xNN and a zero
  // byte as \0, so it can be echoed whole.
  std::wstring text;
  // Why the line is not text (a zero byte, bytes that are not UTF-8); empty for a reply.
  std::wstring fault;
};

class InputSource {
 public:
  // The process's source.
  static InputSource& instance();

  // A line to give before anything the reader has (kxhost -c), in the order queued: its UTF-8
  // bytes, checked like the reader's.
  void queueBytes(std::string utf8);
  // The same for a line known to be text.
  void queue(std::wstring_view line);
  // A line to give next, before anything queued or unread.
  void putBack(std::wstring_view line);
  // Where lines come from once the queue is empty; null: nowhere (the input ends).
  void setReader(std::unique_ptr<LineReader> reader);
  // Drops queued lines, the reader and a line looked at, and opens the source again.
  void reset();
  // Ends the input here: what is still queued or unread is not given (kxhost --strict stops
  // at the first reply not taken).
  void close();
  // After the end of the input: whether the reader can give more lines (see LineReader::resume).
  bool resume();
  // Why the reader stopped before the end of its input; empty when it did not.
  std::string failure() const;

  // The next line: comment lines (first non-blank character ';') are skipped. Nothing at the end
  // of the input.
  std::optional<InputLine> next();
  // The line next() would give, left in place.
  const InputLine* peek();
  bool atEnd() { return peek() == nullptr; }

 private:
  std::optional<std::string> rawNext();

  std::deque<std::string> queued_;
  std::unique_ptr<LineReader> reader_;
  std::optional<InputLine> lookahead_;
  bool closed_ = false;
};

}  // namespace kx::editor
