#pragma once
// Small R2000 drawings made in the render tests: layers, blocks, model-space entities, sort
// tables and wipeout settings, written as DXF text and read back through the real reader.

#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "db/dxf_io.h"

namespace kx::test {

using Groups = std::vector<std::pair<int, std::string>>;

class RenderDrawing {
 public:
  RenderDrawing() {
    modelSpace_ = nextHandle();
    paperSpace_ = nextHandle();
    for (std::string& h : spaceMarks_) h = nextHandle();
  }

  void header(const std::string& name, int code, const std::string& value) {
    header_ += fmt::format("  9\n{}\n{:>3}\n{}\n", name, code, value);
  }
  void layer(const std::string& name, int color, int flags = 0,
             const std::string& linetype = "Continuous") {
    layers_.push_back({name, color, flags, linetype});
  }
  // A linetype of dashes (positive), gaps (negative) and dots (zero).
  void linetype(const std::string& name, const std::vector<double>& elements) {
    std::string record = fmt::format(
        "  0\nLTYPE\n  5\n{}\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n"
        "  2\n{}\n 70\n0\n  3\n\n 72\n65\n 73\n{}\n 40\n0\n",
        nextHandle(), name, elements.size());
    for (double e : elements) record += fmt::format(" 49\n{}\n 74\n0\n", e);
    linetypes_ += record;
  }
  void style(const std::string& name, const std::string& font) { styles_.push_back({name, font}); }

  // An entity of `type`: `groups` follow the AcDbEntity part (layer, colour) and hold the
  // entity's own subclass markers. Returns its handle.
  std::string entity(const std::string& type, const Groups& groups, const std::string& layer = "0",
                     int color = 256, const Groups& entityGroups = {}) {
    return add(entities_, modelSpace_, type, groups, layer, color, entityGroups);
  }
  // A paper-space entity.
  std::string paperEntity(const std::string& type, const Groups& groups, int color = 256) {
    return add(paperEntities_, paperSpace_, type, groups, "0", color);
  }
  // Records that follow the last entity (ATTRIB, VERTEX, SEQEND), in model space.
  std::string follower(const std::string& type, const Groups& groups,
                       const std::string& layer = "0", int color = 256) {
    return add(entities_, modelSpace_, type, groups, layer, color);
  }

  // Starts a block; entities go into it until endBlock(). Returns the block record's handle.
  std::string beginBlock(const std::string& name, double baseX = 0, double baseY = 0) {
    Block b{name, nextHandle(), nextHandle(), nextHandle(), baseX, baseY, {}};
    blocks_.push_back(b);
    return blocks_.back().record;
  }
  std::string blockEntity(const std::string& type, const Groups& groups,
                          const std::string& layer = "0", int color = 256,
                          const Groups& entityGroups = {}) {
    return add(blocks_.back().body, blocks_.back().record, type, groups, layer, color,
               entityGroups);
  }

  // A sort table for model space: pairs of entity handle and sort handle.
  void modelSortTable(const std::vector<std::pair<std::string, std::string>>& order) {
    std::string t =
        fmt::format("  0\nSORTENTSTABLE\n  5\n{}\n330\n{}\n100\nAcDbSortentsTable\n330\n{}\n",
                    nextHandle(), modelSpace_, modelSpace_);
    for (const auto& [entity, sort] : order) t += fmt::format("331\n{}\n  5\n{}\n", entity, sort);
    objects_ += t;
  }
  // A layout named `name` whose sheet is paper space.
  void paperLayout(const std::string& name) {
    objects_ += fmt::format(
        "  0\nLAYOUT\n  5\n{}\n330\nC\n100\nAcDbPlotSettings\n100\nAcDbLayout\n  1\n{}\n"
        " 70\n1\n 71\n1\n330\n{}\n",
        nextHandle(), name, paperSpace_);
  }
  void wipeoutFrame(bool shown) {
    objects_ +=
        fmt::format("  0\nWIPEOUTVARIABLES\n  5\n{}\n330\nC\n100\nAcDbWipeoutVariables\n 70\n{}\n",
                    nextHandle(), shown ? 1 : 0);
  }

  std::string dxf() const {
    std::string out = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n";
    out += fmt::format("  9\n$HANDSEED\n  5\n{:X}\n", handle_ + 1) + header_ + "  0\nENDSEC\n";
    out += "  0\nSECTION\n  2\nTABLES\n";
    out += "  0\nTABLE\n  2\nLAYER\n  5\n2\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n";
    out += layerRecord("0", 7, 0, "10", "Continuous");
    for (std::size_t i = 0; i < layers_.size(); ++i)
      out += layerRecord(layers_[i].name, layers_[i].color, layers_[i].flags,
                         fmt::format("{:X}", 0x20 + i), layers_[i].linetype);
    out += "  0\nENDTAB\n";
    out += "  0\nTABLE\n  2\nLTYPE\n  5\n5\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n" + linetypes_ +
           "  0\nENDTAB\n";
    out += "  0\nTABLE\n  2\nSTYLE\n  5\n3\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n";
    out += styleRecord("Standard", "arial.ttf", "40");
    for (std::size_t i = 0; i < styles_.size(); ++i)
      out += styleRecord(styles_[i].first, styles_[i].second, fmt::format("{:X}", 0x41 + i));
    out += "  0\nENDTAB\n";
    out += "  0\nTABLE\n  2\nBLOCK_RECORD\n  5\n1\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n";
    out += blockRecord("*Model_Space", modelSpace_) + blockRecord("*Paper_Space", paperSpace_);
    for (const Block& b : blocks_) out += blockRecord(b.name, b.record);
    out += "  0\nENDTAB\n  0\nENDSEC\n";
    out += "  0\nSECTION\n  2\nBLOCKS\n";
    out += blockBegin("*Model_Space", modelSpace_, spaceMarks_[0], 0, 0) +
           blockEnd(modelSpace_, spaceMarks_[1]);
    out += blockBegin("*Paper_Space", paperSpace_, spaceMarks_[2], 0, 0) +
           blockEnd(paperSpace_, spaceMarks_[3]);
    for (const Block& b : blocks_)
      out += blockBegin(b.name, b.record, b.begin, b.baseX, b.baseY) + b.body +
             blockEnd(b.record, b.end);
    out += "  0\nENDSEC\n";
    out += "  0\nSECTION\n  2\nENTITIES\n" + entities_ + paperEntities_ + "  0\nENDSEC\n";
    out += "  0\nSECTION\n  2\nOBJECTS\n  0\nDICTIONARY\n  5\nC\n330\n0\n100\nAcDbDictionary\n";
    out += objects_ + "  0\nENDSEC\n  0\nEOF\n";
    return out;
  }

  db::Database load() const { return db::readDxf(dxf(), "render.dxf").db; }

 private:
  struct Layer {
    std::string name;
    int color;
    int flags;
    std::string linetype;
  };
  struct Block {
    std::string name, record, begin, end;
    double baseX, baseY;
    std::string body;
  };

  std::string nextHandle() { return fmt::format("{:X}", ++handle_); }

  std::string add(std::string& into, const std::string& owner, const std::string& type,
                  const Groups& groups, const std::string& layer, int color,
                  const Groups& entityGroups = {}) {
    const std::string h = nextHandle();
    into += fmt::format("  0\n{}\n  5\n{}\n330\n{}\n100\nAcDbEntity\n", type, h, owner);
    if (&into == &paperEntities_) into += " 67\n1\n";
    into += fmt::format("  8\n{}\n", layer);
    if (color != 256) into += fmt::format(" 62\n{}\n", color);
    for (const auto& [code, value] : entityGroups) into += fmt::format("{:>3}\n{}\n", code, value);
    for (const auto& [code, value] : groups) into += fmt::format("{:>3}\n{}\n", code, value);
    return h;
  }

  static std::string layerRecord(const std::string& name, int color, int flags,
                                 const std::string& handle, const std::string& linetype) {
    return fmt::format(
        "  0\nLAYER\n  5\n{}\n330\n2\n100\nAcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n"
        "  2\n{}\n 70\n{}\n 62\n{}\n  6\n{}\n",
        handle, name, flags, color, linetype);
  }
  static std::string styleRecord(const std::string& name, const std::string& font,
                                 const std::string& handle) {
    return fmt::format(
        "  0\nSTYLE\n  5\n{}\n330\n3\n100\nAcDbSymbolTableRecord\n100\nAcDbTextStyleTableRecord\n"
        "  2\n{}\n 70\n0\n 40\n0.0\n 41\n1.0\n 50\n0.0\n 71\n0\n 42\n2.5\n  3\n{}\n  4\n\n",
        handle, name, font);
  }
  static std::string blockRecord(const std::string& name, const std::string& handle) {
    return fmt::format(
        "  0\nBLOCK_RECORD\n  "
        "5\n{}\n330\n1\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n"
        "  2\n{}\n",
        handle, name);
  }
  static std::string blockBegin(const std::string& name, const std::string& record,
                                const std::string& handle, double x, double y) {
    return fmt::format(
        "  0\nBLOCK\n  5\n{}\n330\n{}\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\n{}\n"
        " 70\n0\n 10\n{}\n 20\n{}\n 30\n0.0\n  3\n{}\n  1\n\n",
        handle, record, name, x, y, name);
  }
  static std::string blockEnd(const std::string& record, const std::string& handle) {
    return fmt::format(
        "  0\nENDBLK\n  5\n{}\n330\n{}\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n", handle,
        record);
  }

  int handle_ = 0x100;
  std::string modelSpace_, paperSpace_;
  std::string spaceMarks_[4];  // BLOCK and ENDBLK of model and paper space
  std::string header_, entities_, paperEntities_, objects_, linetypes_;
  std::vector<Layer> layers_;
  std::vector<std::pair<std::string, std::string>> styles_;
  std::vector<Block> blocks_;
};

// Groups of common entities.
inline Groups point(int code, double x, double y, double z = 0) {
  return {{code, fmt::format("{}", x)},
          {code + 10, fmt::format("{}", y)},
          {code + 20, fmt::format("{}", z)}};
}
inline Groups operator+(Groups a, const Groups& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Groups lineGroups(double x1, double y1, double x2, double y2) {
  return Groups{{100, "AcDbLine"}} + point(10, x1, y1) + point(11, x2, y2);
}
// An INSERT of `block` at (x, y), then `more` groups.
inline Groups insertGroups(const std::string& block, double x, double y, const Groups& more = {}) {
  return Groups{{100, "AcDbBlockReference"}, {2, block}} + point(10, x, y) + more;
}
// A SOLID covering the rectangle, corners in the file's 1, 2, 4, 3 order.
inline Groups solidGroups(double x1, double y1, double x2, double y2) {
  return Groups{{100, "AcDbTrace"}} + point(10, x1, y1) + point(11, x2, y1) + point(12, x1, y2) +
         point(13, x2, y2);
}

}  // namespace kx::test
