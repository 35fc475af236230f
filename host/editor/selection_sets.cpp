#include "editor/selection_sets.h"

#include <stdexcept>
#include <utility>

#include "editor/session.h"

namespace kx::editor {
namespace {

std::size_t lowBit(std::size_t i) {
  return i & (~i + 1);
}

}  // namespace

SelectionSet::SelectionSet(std::int64_t drawing, std::vector<db::ObjectId> members)
    : drawing_(drawing), items_(std::move(members)) {
  if (items_.size() >= 0xFFFFFFFFu) throw std::length_error("selection set too large");
}

void SelectionSet::buildIndex() const {
  if (indexed_) return;
  index_.clear();
  index_.reserve(items_.size());
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (!items_[i].isNull()) index_.emplace(items_[i], static_cast<std::uint32_t>(i));
  indexed_ = true;
}

std::size_t SelectionSet::liveAmongFirst(std::size_t count) const {
  std::size_t sum = 0;
  for (std::size_t i = count; i > 0; i -= lowBit(i)) sum += live_[i];
  return sum;
}

db::ObjectId SelectionSet::at(std::size_t index) const {
  if (index >= size()) return {};
  if (holes_ == 0) return items_[index];
  // The position where the count of live items reaches index + 1.
  std::size_t pos = 0;
  std::size_t remaining = index + 1;
  std::size_t step = 1;
  while (step * 2 < live_.size()) step *= 2;
  for (; step > 0; step /= 2) {
    if (pos + step < live_.size() && live_[pos + step] < remaining) {
      pos += step;
      remaining -= live_[pos];
    }
  }
  return items_[pos];  // the tree counts from 1: its position pos + 1 is items_[pos]
}

bool SelectionSet::contains(db::ObjectId id) const {
  buildIndex();
  return index_.contains(id);
}

bool SelectionSet::add(db::ObjectId id) {
  if (id.isNull() || contains(id)) return false;
  if (items_.size() + 1 >= 0xFFFFFFFFu) throw std::length_error("selection set too large");
  items_.push_back(id);
  index_.emplace(id, static_cast<std::uint32_t>(items_.size() - 1));
  if (holes_ > 0) {
    // The new node covers the positions (i - lowBit(i), i]: itself plus what came before it.
    const std::size_t i = items_.size();
    const std::size_t before = liveAmongFirst(i - 1) - liveAmongFirst(i - lowBit(i));
    live_.push_back(static_cast<std::uint32_t>(before + 1));
  }
  return true;
}

void SelectionSet::markHole(std::size_t pos) {
  if (holes_ == 0) {
    live_.assign(items_.size() + 1, 0);
    for (std::size_t i = 1; i <= items_.size(); ++i) {
      live_[i] += 1;
      const std::size_t parent = i + lowBit(i);
      if (parent <= items_.size()) live_[parent] += live_[i];
    }
  }
  items_[pos] = db::ObjectId();
  ++holes_;
  for (std::size_t i = pos + 1; i < live_.size(); i += lowBit(i)) live_[i] -= 1;
}

bool SelectionSet::remove(db::ObjectId id) {
  buildIndex();
  auto it = index_.find(id);
  if (it == index_.end()) return false;
  const std::size_t pos = it->second;
  index_.erase(it);
  markHole(pos);
  if (holes_ * 2 > items_.size()) compact();
  return true;
}

void SelectionSet::compact() {
  std::size_t out = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].isNull()) continue;
    items_[out] = items_[i];
    if (indexed_) index_[items_[out]] = static_cast<std::uint32_t>(out);
    ++out;
  }
  items_.resize(out);
  holes_ = 0;
  live_.clear();
  live_.shrink_to_fit();
}

std::vector<db::ObjectId> SelectionSet::members() const {
  if (holes_ == 0) return items_;
  std::vector<db::ObjectId> out;
  out.reserve(size());
  for (const db::ObjectId id : items_)
    if (!id.isNull()) out.push_back(id);
  return out;
}

SelectionSets::SelectionSets() = default;
SelectionSets::~SelectionSets() = default;

void SelectionSets::dropClosedDrawings() {
  Session& session = Session::instance();
  std::erase_if(sets_, [&](const auto& entry) { return !session.find(entry.second.drawing()); });
}

void SelectionSets::create(std::int64_t drawing, std::vector<db::ObjectId> members, kds_name name) {
  // Sets of closed drawings are dropped when their names are used; modules that never free
  // theirs would otherwise keep them for the whole session.
  dropClosedDrawings();
  const std::int64_t n = nextName_++;
  sets_.emplace(n, SelectionSet(drawing, std::move(members)));
  name[0] = -1;
  name[1] = n;
}

SelectionSet* SelectionSets::find(const kds_name name) {
  if (!isSelectionSetName(name)) return nullptr;
  auto it = sets_.find(name[1]);
  if (it == sets_.end()) return nullptr;
  if (!Session::instance().find(it->second.drawing())) {
    sets_.erase(it);
    return nullptr;
  }
  return &it->second;
}

bool SelectionSets::free(const kds_name name) {
  if (!find(name)) return false;
  sets_.erase(name[1]);
  return true;
}

void SelectionSets::setPickfirst(std::int64_t drawing, std::vector<db::ObjectId> members) {
  pickfirstDrawing_ = drawing;
  pickfirst_ = std::move(members);
}

void SelectionSets::clearPickfirst() {
  pickfirstDrawing_ = 0;
  pickfirst_.clear();
}

std::vector<db::ObjectId> SelectionSets::pickfirst(std::int64_t drawing) const {
  if (drawing != pickfirstDrawing_ || !Session::instance().find(drawing)) return {};
  return pickfirst_;
}

std::vector<db::ObjectId> selectionMembers(const kds_name set) {
  SelectionSet* s = Session::instance().selectionSets().find(set);
  return s ? s->members() : std::vector<db::ObjectId>{};
}

}  // namespace kx::editor
