#pragma once
// The bytes of a drawing file, held once for as long as the drawing is open. Big drawings are read
// straight into memory that is neither zeroed first nor copied afterwards, on large pages where
// the system offers them, since touching fresh memory costs as much as parsing it.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kx::dxf {

class TextBuffer {
 public:
  TextBuffer() = default;
  explicit TextBuffer(std::string_view text);

  // Reads a whole file, or a pipe to its end; throws std::runtime_error with the system's reason
  // (or what else the path names: a folder, a device). `progress`, when given, is told the share
  // read (0 to 1) every few megabytes of a file.
  static TextBuffer readFile(const std::filesystem::path& path,
                             const std::function<void(double)>& progress = {});

  std::string_view view() const { return {data_.get(), size_}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char back() const { return data_[size_ - 1]; }
  // Adds one byte at the end; the buffer always keeps room for one.
  void pushBack(char c);

 private:
  struct Free {
    void operator()(char* p) const noexcept;
  };
  static std::unique_ptr<char[], Free> allocate(std::size_t bytes);
  static TextBuffer readStream(int fd, const std::filesystem::path& path);

  std::unique_ptr<char[], Free> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kx::dxf
