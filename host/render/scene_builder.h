#pragma once
// Walks a drawing into a scene: the entities of model space (or of the current paper-space
// layout), blocks expanded through their references, with the colours, layers and drawing order
// a CAD user sees.

#include <cstddef>
#include <filesystem>
#include <functional>
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
struct SceneRequest {
  SceneLimits limits;
  // Entities of the space shown whose primitives are marked highlighted; null: none.
  const std::unordered_set<db::ObjectId>* highlighted = nullptr;
  // The layout shown ("Model" or a paper-space layout's name); empty: the one the header makes
  // current.
  std::string layout;
  // Told now and then how much of the space shown is done (0 to 1).
  std::function<void(double)> progress;
  // Where the files of IMAGEs are looked for; empty: images show as their frames.
  std::filesystem::path imageFolder;
};

// Walks the drawing into `sink`, primitive by primitive in drawing order; returns the notices.
// Throws std::runtime_error when the drawing has no such layout.
std::vector<std::string> buildScene(const db::Database& db, PrimitiveSink& sink,
                                    const SceneRequest& request);

// The whole scene in memory, of the layout the header makes current.
BuiltScene buildScene(const db::Database& db, const SceneLimits& limits = {},
                      const std::unordered_set<db::ObjectId>& highlighted = {});

}  // namespace kx::render
