#include "db/repair_log.h"

#include <fmt/format.h>

namespace kx::db {

void RepairLog::add(const std::string& kind, std::size_t line, const std::string& example) {
  auto [it, inserted] = entries_.try_emplace(kind);
  if (inserted) {
    order_.push_back(kind);
    it->second.firstLine = line;
    it->second.example = example;
  }
  ++it->second.count;
}

std::size_t RepairLog::count(const std::string& kind) const {
  auto it = entries_.find(kind);
  return it == entries_.end() ? 0 : it->second.count;
}

std::vector<std::string> RepairLog::lines() const {
  std::vector<std::string> out;
  for (const std::string& kind : order_) {
    const Entry& e = entries_.at(kind);
    std::string line = fmt::format("repaired {}: {}", kind, e.count);
    if (e.firstLine) line += fmt::format(", first at line {}", e.firstLine);
    if (!e.example.empty()) line += fmt::format(" ({})", e.example);
    out.push_back(std::move(line));
  }
  return out;
}

}  // namespace kx::db
