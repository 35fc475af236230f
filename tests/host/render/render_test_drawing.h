#pragma once
// Drawings for the render tests, made with the tests' drawing builder: a drawing is kept as the
// steps that make it, so a test can copy one, change the copy and draw both.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "db/header_values.h"
#include "db/new_drawing.h"
#include "db/symbol_tables.h"
#include "db/wipeouts.h"
#include "render/render.h"
#include "support/drawing.h"

namespace kx::test {

using Groups = std::vector<db::NewTag>;

inline Groups operator+(Groups a, const Groups& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class RenderDrawing {
 public:
  RenderDrawing() {
    // Text is measured and drawn with a font every machine of ours has.
    step([](db::Database& db) {
      db::ObjectFields(db, db::findTableRecord(db, "STYLE", L"Standard"))
          .setString(3, L"arial.ttf");
    });
  }
  RenderDrawing(const RenderDrawing& other) : steps_(other.steps_) { db_ = load(); }

  void header(const std::string& name, int code, const std::string& value) {
    step([=](db::Database& db) { db::setHeaderInteger(db, name, code, std::stoll(value)); });
  }
  void headerText(const std::string& name, const std::string& value) {
    step([=](db::Database& db) {
      db::setHeaderString(db, name, 1, std::wstring(value.begin(), value.end()));
    });
  }
  void layer(const std::string& name, int color, int flags = 0,
             const std::string& linetype = "Continuous") {
    step([=](db::Database& db) {
      const db::ObjectId layer = addLayer(db, std::wstring(name.begin(), name.end()), color, flags);
      db::ObjectFields(db, layer).setString(6, std::wstring(linetype.begin(), linetype.end()));
    });
  }
  // A text a linetype writes in the Standard style after element `index`.
  struct PatternText {
    std::size_t index = 0;
    std::string text;
    double scale = 1, along = 0, across = 0;
  };
  // A linetype of dashes (positive), gaps (negative) and dots (zero).
  void linetype(const std::string& name, const std::vector<double>& elements,
                const std::optional<PatternText>& text = {}) {
    step([=](db::Database& db) {
      Groups body = newTags(fmt::format(
          "100 AcDbSymbolTableRecord | 100 AcDbLinetypeTableRecord | 2 {} | 70 0 | 3 | 72 65"
          " | 73 {} | 40 0",
          name, elements.size()));
      for (std::size_t i = 0; i < elements.size(); ++i) {
        body.push_back({49, fmt::format("{}", elements[i])});
        if (!text || text->index != i) {
          body.push_back({74, "0"});
          continue;
        }
        const db::ObjectId style = db::findTableRecord(db, "STYLE", L"Standard");
        body = body + newTags(fmt::format(
                          "74 2 | 75 0 | 340 {:X} | 46 {} | 50 0 | 44 {} | 45 {} | 9 {}",
                          db.handle(style), text->scale, text->along, text->across, text->text));
      }
      db::addTableRecord(db, "LTYPE", body);
    });
  }
  void style(const std::string& name, const std::string& font) {
    step([=](db::Database& db) { addStyle(db, name, font); });
  }
  // An entity of `type`, or a record that follows the last one (ATTRIB, VERTEX, SEQEND); `groups`
  // hold its own subclass markers, `entityGroups` go before them. Returns its handle.
  std::string entity(const std::string& type, const Groups& groups, const std::string& layer = "0",
                     int color = 256, const Groups& entityGroups = {}) {
    return add(type, entityGroups + groups, {.layer = layer, .color = color});
  }
  std::string paperEntity(const std::string& type, const Groups& groups, int color = 256) {
    return add(type, groups, {.color = color, .paper = true});
  }
  // Starts a block; entities go into it until the next one.
  void beginBlock(const std::string& name, double baseX = 0, double baseY = 0) {
    block_ = name;
    step([=](db::Database& db) { addBlock(db, name, {baseX, baseY, 0}); });
  }
  std::string blockEntity(const std::string& type, const Groups& groups,
                          const std::string& layer = "0", int color = 256,
                          const Groups& entityGroups = {}) {
    return add(type, entityGroups + groups, {.layer = layer, .color = color}, block_);
  }
  // A sort table for model space: pairs of entity handle and sort handle, as another writer may
  // have written them.
  void modelSortTable(const std::vector<std::pair<std::string, std::string>>& order) {
    step([=](db::Database& db) {
      const std::string model = fmt::format("{:X}", db.handle(modelSpace(db)));
      Groups table = db::identityTags(db, modelSpace(db));
      table.insert(table.end(), {{100, "AcDbSortentsTable"}, {330, model}});
      for (const auto& [entity, sort] : order)
        table.insert(table.end(), {{331, entity}, {5, sort}});
      db.addRecord(db.sectionIndex("OBJECTS"), {}, "SORTENTSTABLE", table);
    });
  }
  // A layout named `name` whose sheet is paper space.
  void paperLayout(const std::string& name) {
    step([=](db::Database& db) {
      const db::ObjectId paper = db::findBlockRecord(db, "*Paper_Space");
      db.addRecord(db.sectionIndex("OBJECTS"), {}, "LAYOUT",
                   db::identityTags(db, paper) +
                       newTags(fmt::format("100 AcDbPlotSettings | 100 AcDbLayout | 1 {} | 70 1"
                                           " | 71 9 | 330 {:X}",
                                           name, db.handle(paper))));
    });
  }
  // An object of the OBJECTS section, owned by model space; returns its handle.
  std::string object(const std::string& type, const Groups& groups) {
    return made([=](db::Database& db) {
      return db.addRecord(db.sectionIndex("OBJECTS"), {}, type,
                          db::identityTags(db, modelSpace(db)) + groups);
    });
  }
  // Sets a group of dimension style `name` (a new drawing has Standard).
  void dimStyleGroup(const std::string& name, int code, const std::string& value) {
    step([=](db::Database& db) {
      db::ObjectFields(db,
                       db::findTableRecord(db, "DIMSTYLE", std::wstring(name.begin(), name.end())))
          .setRawText(code, value, "AcDbDimStyleTableRecord");
    });
  }
  // The handle of block `name`'s record.
  std::string blockHandle(const std::string& name) const {
    return fmt::format("{:X}", db_.handle(db::findBlockRecord(db_, name)));
  }
  void wipeoutFrame(bool shown) {
    step([=](db::Database& db) { db::setWipeoutFrame(db, shown ? 1 : 0); });
  }

  db::Database load() const {
    db::Database db = db::newDrawing();
    for (const auto& s : steps_) s(db);
    return db;
  }
  std::string dxf() const {
    db::Database db = load();
    return db::writeDxf(db);
  }

 private:
  void step(std::function<void(db::Database&)> s) {
    s(db_);
    steps_.push_back(std::move(s));
  }
  std::string add(const std::string& type, const Groups& groups, const Look& look,
                  const std::string& block = {}) {
    return made([=](db::Database& db) {
      if (block.empty()) return addEntityAsRead(db, type, groups, look);
      Look in = look;
      in.block = db::findBlockRecord(db, block);
      return addEntityWith(db, type, groups, in);
    });
  }
  // A step that makes one record; the handle it has.
  template <class Make>
  std::string made(Make make) {
    const db::ObjectId id = make(db_);
    steps_.push_back([make](db::Database& db) { make(db); });
    return fmt::format("{:X}", db_.handle(id));
  }

  std::vector<std::function<void(db::Database&)>> steps_;
  db::Database db_ = db::newDrawing();  // the steps so far, for the handles they give out
  std::string block_;
};

// Groups of common entities.
inline Groups point(int code, double x, double y, double z = 0) {
  return {{code, fmt::format("{}", x)},
          {code + 10, fmt::format("{}", y)},
          {code + 20, fmt::format("{}", z)}};
}
inline Groups lineGroups(double x1, double y1, double x2, double y2) {
  return Groups{{100, "AcDbLine"}} + point(10, x1, y1) + point(11, x2, y2);
}
// An INSERT of `block` at (x, y), then `more` groups.
inline Groups insertGroups(const std::string& block, double x, double y, const Groups& more = {}) {
  return Groups{{100, "AcDbBlockReference"}, {2, block}} + point(10, x, y) + more;
}
// A TEXT at (x, y), `more` groups after its string.
inline Groups textGroups(const std::string& text, double height, const Groups& more = {},
                         double x = 0, double y = 0) {
  return Groups{{100, "AcDbText"}} + point(10, x, y) +
         Groups{{40, fmt::format("{}", height)}, {1, text}} + more + Groups{{100, "AcDbText"}};
}
// A SOLID covering the rectangle, corners in the file's 1, 2, 4, 3 order.
inline Groups solidGroups(double x1, double y1, double x2, double y2) {
  return Groups{{100, "AcDbTrace"}} + point(10, x1, y1) + point(11, x2, y1) + point(12, x1, y2) +
         point(13, x2, y2);
}

// Options for a picture `width` pixels wide.
inline render::RenderOptions ofWidth(int width) {
  render::RenderOptions options;
  options.width = width;
  return options;
}

// The drawing's picture, `width` pixels wide.
inline render::Picture render(const RenderDrawing& d, int width = 800) {
  return render::renderImage(d.load(), ofWidth(width));
}

}  // namespace kx::test
