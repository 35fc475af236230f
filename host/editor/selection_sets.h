#pragma once
// Selection sets handed to modules by name ({-1, n}), and the pickfirst set.
//
// A set belongs to one drawing and keeps its members in the order they came, each once. Modules
// walk sets by index and delete members as they go (kxedSSName(i) after kxedSSDel must give the
// member that followed), so a deletion leaves a hole that later lookups skip and that is squeezed
// out once holes are half the set; membership tests stay constant-time throughout.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/database.h"
#include "editor/selection_filter.h"
#include "kx/kxedinput.h"
#include "kx/kxtypes.h"

namespace kx::editor {

class SelectionSet {
 public:
  SelectionSet(std::int64_t drawing, std::vector<db::ObjectId> members);

  // The serial of the drawing whose entities the set holds.
  std::int64_t drawing() const { return drawing_; }
  std::size_t size() const { return items_.size() - holes_; }
  bool empty() const { return size() == 0; }
  // The member at `index` (0 <= index < size()).
  db::ObjectId at(std::size_t index) const;
  bool contains(db::ObjectId id) const;
  // False when `id` is already a member.
  bool add(db::ObjectId id);
  // False when `id` is not a member.
  bool remove(db::ObjectId id);
  std::vector<db::ObjectId> members() const;

 private:
  void buildIndex() const;
  void compact();
  // How many of the first `count` positions of items_ hold members.
  std::size_t liveAmongFirst(std::size_t count) const;
  void markHole(std::size_t pos);

  std::int64_t drawing_;
  std::vector<db::ObjectId> items_;  // members, with null ids where members were deleted
  std::size_t holes_ = 0;
  // Member -> position in items_; built on first need, since a set from "X" may be large and is
  // often only walked.
  mutable std::unordered_map<db::ObjectId, std::uint32_t> index_;
  mutable bool indexed_ = false;
  // Counts of live items over items_ (a Fenwick tree), kept while there are holes, so that
  // finding the n-th member and deleting one both take logarithmic time.
  std::vector<std::uint32_t> live_;
};

// What the interactive input engine needs to ask the user for a selection.
// The callbacks a module sets for its selection prompts: for a keyword typed, and for any other
// input the prompt does not know.
struct SelectionCallbacks {
  KxSSCallback keyword = nullptr;
  KxSSCallback other = nullptr;
};

struct SelectionRequest {
  std::wstring mode;  // as the module gave it, empty for none
  // With ":$": the prompts for adding and for removing objects.
  std::wstring addPrompt;
  std::wstring removePrompt;
  // With ":K": the keywords the user may type instead of picking.
  std::vector<std::wstring> keywords;
  SelectionFilter filter;  // what picked entities must pass
  std::int64_t drawing = 0;
  SelectionCallbacks callbacks;
};

class SelectionSets {
 public:
  SelectionSets();
  ~SelectionSets();
  SelectionSets(const SelectionSets&) = delete;
  SelectionSets& operator=(const SelectionSets&) = delete;

  // Makes a set of drawing `drawing` and names it.
  void create(std::int64_t drawing, std::vector<db::ObjectId> members, kds_name name);
  // The set `name` names; null for a name of no set, of a freed set, or of a set whose drawing
  // has been closed (such a set is dropped).
  SelectionSet* find(const kds_name name);
  bool free(const kds_name name);
  std::size_t count() const { return sets_.size(); }

  // The pickfirst set: the entities selected before the command started.
  void setPickfirst(std::int64_t drawing, std::vector<db::ObjectId> members);
  void clearPickfirst();
  // The pickfirst members of drawing `drawing`; empty when the pickfirst set is of another one.
  std::vector<db::ObjectId> pickfirst(std::int64_t drawing) const;

  // Asks the user for a selection (modes other than "X", "I" and "L"); the interactive input
  // engine sets it. It returns KXRT_NORM with the picked entities, or KXRT_CANCEL, KXRT_ERROR,
  // KXRT_KWORD. Unset, such requests fail with KXRT_ERROR.
  std::function<int(const SelectionRequest&, std::vector<db::ObjectId>&)> prompter;
  // Set by modules; every prompt they start gets them.
  SelectionCallbacks callbacks;

 private:
  void dropClosedDrawings();

  std::map<std::int64_t, SelectionSet> sets_;
  std::int64_t nextName_ = 1;
  std::int64_t pickfirstDrawing_ = 0;
  std::vector<db::ObjectId> pickfirst_;
};

// Whether `name` has the form of a selection-set name.
inline bool isSelectionSetName(const kds_name name) {
  return name && name[0] == -1 && name[1] > 0;
}

}  // namespace kx::editor

namespace kx::editor {
// The members of the set named `set`, in set order; empty for a name that names no set.
std::vector<db::ObjectId> selectionMembers(const kds_name set);
}  // namespace kx::editor
