#pragma once
// What a load had to repair. A CAD user wants one line per kind of repair, not one per object, so
// repairs are counted by kind and the first place is remembered.

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kx::db {

class RepairLog {
 public:
  // `kind` is a short plural phrase ("values that were not numbers"); `line` is 0 when unknown.
  void add(const std::string& kind, std::size_t line, const std::string& example = {});
  std::vector<std::string> lines() const;
  bool empty() const { return order_.empty(); }
  std::size_t count(const std::string& kind) const;

 private:
  struct Entry {
    std::size_t count = 0;
    std::size_t firstLine = 0;
    std::string example;
  };
  std::map<std::string, Entry> entries_;
  std::vector<std::string> order_;
};

// A drawing that cannot be read. The message names the file and, where known, the line.
class DxfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kx::db
