#include "render/font_program.h"

#include <cstdint>
#include <map>
#include <vector>

namespace kx::render {
namespace {

std::uint32_t u16(std::string_view b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at]) << 8 |
                                    static_cast<unsigned char>(b[at + 1]));
}

std::uint32_t u32(std::string_view b, std::size_t at) {
  return u16(b, at) << 16 | u16(b, at + 2);
}

void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v >> 8 & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, v >> 16);
  put16(out, v & 0xFFFF);
}

std::uint32_t checksum(std::string_view table) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < table.size(); i += 4) {
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < 4; ++k)
      word = word << 8 | (i + k < table.size() ? static_cast<unsigned char>(table[i + k]) : 0u);
    sum += word;
  }
  return sum;
}

using Tables = std::map<std::string, std::string>;

std::string assemble(std::uint32_t version, const Tables& tables) {
  const auto count = static_cast<std::uint32_t>(tables.size());
  std::uint32_t power = 1, log2 = 0;
  while (power * 2 <= count) {
    power *= 2;
    ++log2;
  }
  std::string out;
  put32(out, version);
  put16(out, count);
  put16(out, power * 16);
  put16(out, log2);
  put16(out, count * 16 - power * 16);
  std::size_t offset = 12 + 16 * tables.size();
  for (const auto& [tag, data] : tables) {
    out += tag;
    put32(out, checksum(data));
    put32(out, static_cast<std::uint32_t>(offset));
    put32(out, static_cast<std::uint32_t>(data.size()));
    offset += (data.size() + 3) / 4 * 4;
  }
  for (const auto& [tag, data] : tables) {
    out += data;
    out.append((4 - data.size() % 4) % 4, '\0');
  }
  return out;
}

// The glyphs a composite glyph is made of.
void addComponents(std::string_view glyph, std::vector<unsigned>& pending) {
  if (glyph.size() < 10 || static_cast<std::int16_t>(u16(glyph, 0)) >= 0) return;
  std::size_t at = 10;
  for (;;) {
    if (at + 4 > glyph.size()) return;
    const std::uint32_t flags = u16(glyph, at);
    pending.push_back(u16(glyph, at + 2));
    at += 4 + ((flags & 0x1) ? 4 : 2);
    if (flags & 0x8)
      at += 2;
    else if (flags & 0x40)
      at += 4;
    else if (flags & 0x80)
      at += 8;
    if (!(flags & 0x20)) return;
  }
}

// Only the glyphs used keep their outlines; the others stay as empty glyphs so every id still
// names the same glyph.
bool subsetOutlines(Tables& tables, const std::set<unsigned>& used) {
  const std::string& head = tables["head"];
  const std::string_view loca = tables["loca"], glyf = tables["glyf"];
  const unsigned glyphCount = u16(tables["maxp"], 4);
  if (head.size() < 54 || glyphCount == 0) return false;
  const bool longOffsets = u16(head, 50) != 0;
  if (loca.size() < (glyphCount + 1) * (longOffsets ? 4u : 2u)) return false;
  const auto offset = [&](unsigned g) -> std::size_t {
    return longOffsets ? u32(loca, g * 4) : 2 * u16(loca, g * 2);
  };
  const auto glyph = [&](unsigned g) -> std::string_view {
    const std::size_t from = offset(g), to = offset(g + 1);
    if (from >= to || to > glyf.size()) return {};
    return glyf.substr(from, to - from);
  };
  std::vector<bool> keep(glyphCount, false);
  std::vector<unsigned> pending(used.begin(), used.end());
  pending.push_back(0);  // the missing glyph
  while (!pending.empty()) {
    const unsigned g = pending.back();
    pending.pop_back();
    if (g >= glyphCount || keep[g]) continue;
    keep[g] = true;
    addComponents(glyph(g), pending);
  }
  std::string newGlyf, newLoca;
  for (unsigned g = 0; g < glyphCount; ++g) {
    put32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));
    if (!keep[g]) continue;
    newGlyf += glyph(g);
    newGlyf.append((4 - newGlyf.size() % 4) % 4, '\0');
  }
  put32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));
  std::string newHead = head;
  newHead.replace(8, 4, std::string(4, '\0'));  // the whole file's checksum no longer holds
  newHead[50] = 0;
  newHead[51] = 1;
  tables["head"] = std::move(newHead);
  tables["loca"] = std::move(newLoca);
  tables["glyf"] = std::move(newGlyf);
  return true;
}

}  // namespace

std::optional<FontProgram> fontProgram(std::string_view file, int index,
                                       const std::set<unsigned>& glyphs) {
  std::size_t start = 0;
  if (file.substr(0, 4) == "ttcf") {
    if (index < 0 || static_cast<std::uint32_t>(index) >= u32(file, 8)) return std::nullopt;
    start = u32(file, 12 + 4 * static_cast<std::size_t>(index));
  } else if (index != 0) {
    return std::nullopt;
  }
  const std::uint32_t version = u32(file, start);
  const bool compact = version == 0x4F54544F;  // "OTTO"
  if (!compact && version != 0x00010000 && version != 0x74727565) return std::nullopt;
  const unsigned count = u16(file, start + 4);
  Tables tables;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t record = start + 12 + 16 * static_cast<std::size_t>(i);
    if (record + 16 > file.size()) return std::nullopt;
    const std::uint32_t at = u32(file, record + 8), length = u32(file, record + 12);
    if (at > file.size() || length > file.size() - at) return std::nullopt;
    tables[std::string(file.substr(record, 4))] = std::string(file.substr(at, length));
  }
  FontProgram program;
  program.compactOutlines = compact;
  if (!compact) {
    for (const char* needed : {"head", "hhea", "hmtx", "maxp", "loca", "glyf"})
      if (!tables.count(needed)) return std::nullopt;
    // What drawing the glyphs needs; names, layout rules and the like are for typesetting.
    Tables kept;
    for (const char* tag :
         {"head", "hhea", "hmtx", "maxp", "loca", "glyf", "cvt ", "fpgm", "prep", "cmap", "OS/2"})
      if (auto it = tables.find(tag); it != tables.end()) kept.insert(std::move(*it));
    tables = std::move(kept);
    if (!subsetOutlines(tables, glyphs)) return std::nullopt;
  }
  program.bytes = assemble(version, tables);
  return program;
}

}  // namespace kx::render
