#pragma once
// Walks a drawing into a scene: the entities of model space (or of the current paper-space
// layout), blocks expanded through their references, with the colours, layers and drawing order
// a CAD user sees.

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "db/database.h"
#include "render/scene.h"

namespace kx::render {

struct SceneLimits {
  // A drawing whose blocks multiply beyond this many points is cut short, with a notice, rather
  // than filling the memory.
  std::size_t maxPoints = 30'000'000;
  // Entities and block expansions visited, for references that multiply nothing but work.
  std::size_t maxVisits = 20'000'000;
  int maxNesting = 64;
};

struct BuiltScene {
  Scene scene;
  // One line per kind of problem met (a block that contains itself, a missing block, ...).
  std::vector<std::string> notices;
};

// `highlighted`: entities of the space shown whose primitives are marked highlighted.
// `layout`: the layout shown ("Model" or a paper-space layout's name); empty: the one the header
// makes current. Throws std::runtime_error when the drawing has no such layout.
BuiltScene buildScene(const db::Database& db, const SceneLimits& limits = {},
                      const std::unordered_set<db::ObjectId>& highlighted = {},
                      std::string_view layout = {});

}  // namespace kx::render
