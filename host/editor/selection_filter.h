#pragma once
// Selection filters: the group lists modules hand to kxedSSGet, compiled once into a test that is
// then run over many entities.
//
// A filter is a chain of group tests, ANDed, with -4 operators for logic ("<and" ... "and>",
// "<or", "<not" with one operand, "<xor" with two; letters in any case) and for comparing the
// next test's value ("=", "!=", "/=", "<>", "<", "<=", ">", ">=", "*"; for points one operator
// per coordinate, "<,<,*"). String values are wildcard patterns. Groups an entity leaves out take
// the value a CAD user sees: layer "0", colour 256 (by layer), model space (67 = 0), layout
// "Model" for model space and the owning layout's name for paper space. -3 followed by 1001
// application names matches entities that carry extended data of all of them.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "db/database.h"
#include "kx/kxtypes.h"

namespace kx::editor {

class SelectionFilter {
 public:
  // Matches every entity.
  SelectionFilter();
  ~SelectionFilter();
  SelectionFilter(const SelectionFilter&);
  SelectionFilter& operator=(const SelectionFilter&);
  SelectionFilter(SelectionFilter&&) noexcept;
  SelectionFilter& operator=(SelectionFilter&&) noexcept;

  // Compiles `list` for the entities of `db` (entity names in the list must be of `db`). Nothing
  // when the list is malformed; `error`, when given, then says why.
  static std::optional<SelectionFilter> compile(const resbuf* list, const db::Database& db,
                                                std::string* error = nullptr);

  bool matchesEverything() const;

  // One run of the filter over entities of one drawing. It remembers what it learnt about each
  // entity type and each distinct value (a layer name is matched against the pattern once, not
  // once per entity), so the drawing must not change while it lives.
  class Matcher {
   public:
    Matcher(const SelectionFilter& filter, const db::Database& db);
    ~Matcher();
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;
    bool operator()(db::ObjectId entity);

   private:
    struct State;
    std::unique_ptr<State> state_;
  };

  // Whether one entity passes (a run over one entity).
  bool matches(const db::Database& db, db::ObjectId entity) const;

  struct Program;  // the compiled form, known only to the compiler and the matcher

 private:
  std::shared_ptr<const Program> program_;
};

// Whether a record of type `type` is a main entity: one a user picks, not the attributes, vertices
// and end marker that follow an INSERT or POLYLINE.
bool isMainEntityType(std::string_view type);

// Every live main entity of the drawing's ENTITIES section (model space and paper space, not the
// contents of block definitions) that passes `filter`, in file order.
std::vector<db::ObjectId> selectAll(const db::Database& db, const SelectionFilter& filter);

// The entities of `candidates` that are live and pass `filter`, in order.
std::vector<db::ObjectId> selectAmong(const db::Database& db,
                                      std::span<const db::ObjectId> candidates,
                                      const SelectionFilter& filter);

// The last live main entity of the ENTITIES section; null when there is none.
db::ObjectId lastMainEntity(const db::Database& db);

}  // namespace kx::editor
