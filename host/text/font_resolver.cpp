#include "text/font_resolver.h"
#include "support/case_fold.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

namespace kx::text {
namespace {

std::string lowercase(std::string_view s) {
  return kx::support::asciiLowerCase(s);
}

struct InstalledFace {
  FontFileRef file;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  int width = FC_WIDTH_NORMAL;
};

// Where Debian puts the regular faces, for a machine whose fontconfig is broken or absent.
const std::map<std::string, std::vector<std::string>>& knownRegularFiles() {
  static const std::map<std::string, std::vector<std::string>> files = {
      {familyKey("Liberation Sans"),
       {"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
        "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"}},
      {familyKey("WenQuanYi Micro Hei"), {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"}},
  };
  return files;
}

}  // namespace

std::string familyKey(std::string_view name) {
  std::string key;
  for (char c : name)
    if (c != ' ') key += c;
  return kx::support::asciiLowerCase(key);
}

struct FontResolver::Impl {
  FcConfig* config = nullptr;
  std::map<std::string, std::vector<InstalledFace>> families;  // by familyKey
  std::map<std::string, FontFileRef> filesByName;              // lowercase file name
  // The list fontconfig's rules give a family it knows nothing about: its default fonts.
  std::vector<std::string> defaultFallbacks;

  Impl() {
    config = FcInitLoadConfigAndFonts();
    if (!config) return;
    for (std::string_view family : kInstalledFamilies) listFamily(family);
    defaultFallbacks = substitutedFamilies("kx no such family");
    if (!defaultFallbacks.empty()) defaultFallbacks.erase(defaultFallbacks.begin());
  }
  ~Impl() {
    if (config) FcConfigDestroy(config);
  }

  void listFamily(std::string_view family) {
    const std::string name(family);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr);
    FcFontSet* set = FcFontList(config, pattern, objects);
    std::vector<InstalledFace>& faces = families[familyKey(family)];
    for (int i = 0; set && i < set->nfont; ++i) {
      FcPattern* font = set->fonts[i];
      FcChar8* file = nullptr;
      if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
      InstalledFace face;
      face.file.path = reinterpret_cast<const char*>(file);
      FcPatternGetInteger(font, FC_INDEX, 0, &face.file.index);
      FcPatternGetInteger(font, FC_WEIGHT, 0, &face.weight);
      FcPatternGetInteger(font, FC_SLANT, 0, &face.slant);
      FcPatternGetInteger(font, FC_WIDTH, 0, &face.width);
      faces.push_back(face);
      filesByName.emplace(lowercase(std::filesystem::path(face.file.path).filename().string()),
                          face.file);
    }
    // fontconfig lists in no particular order; sort so ties break the same way everywhere.
    std::sort(faces.begin(), faces.end(), [](const InstalledFace& a, const InstalledFace& b) {
      return std::tie(a.file.path, a.file.index) < std::tie(b.file.path, b.file.index);
    });
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
  }

  // The family list after fontconfig's substitution rules (aliases, metric-compatible families,
  // generic fallbacks), the asked-for family first.
  std::vector<std::string> substitutedFamilies(std::string_view family) {
    std::vector<std::string> names;
    if (!config) return names;
    const std::string name(family);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i)
      names.emplace_back(reinterpret_cast<const char*>(value));
    FcPatternDestroy(pattern);
    return names;
  }
};

FontResolver::FontResolver() : impl_(std::make_unique<Impl>()) {}
FontResolver::~FontResolver() = default;

std::optional<FontFileRef> FontResolver::installedFamily(std::string_view family, bool bold,
                                                         bool italic) {
  const std::string key = familyKey(family);
  if (auto it = impl_->families.find(key); it != impl_->families.end() && !it->second.empty()) {
    const int weight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
    const auto score = [&](const InstalledFace& f) {
      return ((f.slant != FC_SLANT_ROMAN) != italic ? 10000 : 0) + std::abs(f.weight - weight) +
             2 * std::abs(f.width - FC_WIDTH_NORMAL);
    };
    return std::min_element(
               it->second.begin(), it->second.end(),
               [&](const InstalledFace& a, const InstalledFace& b) { return score(a) < score(b); })
        ->file;
  }
  if (auto it = knownRegularFiles().find(key); it != knownRegularFiles().end()) {
    std::error_code error;
    for (const std::string& path : it->second)
      if (std::filesystem::is_regular_file(path, error)) return FontFileRef{path, 0};
  }
  return {};
}

std::optional<FontFileRef> FontResolver::family(std::string_view family, bool bold, bool italic) {
  const auto isInstalled = [](std::string_view name) {
    const std::string key = familyKey(name);
    return std::any_of(std::begin(kInstalledFamilies), std::end(kInstalledFamilies),
                       [&](std::string_view f) { return familyKey(f) == key; });
  };
  if (isInstalled(family)) return installedFamily(family, bold, italic);

  // Only what fontconfig adds for this name in particular counts: the tail that any unknown
  // name gets (its default fonts) is cut off, so an unknown name finds the substitute.
  std::vector<std::string> names = impl_->substitutedFamilies(family);
  const auto& defaults = impl_->defaultFallbacks;
  std::size_t particular = names.size();
  for (std::size_t k = 1; k < names.size(); ++k)
    if (names.size() - k == defaults.size() &&
        std::equal(names.begin() + static_cast<std::ptrdiff_t>(k), names.end(), defaults.begin())) {
      particular = k;
      break;
    }
  for (std::size_t i = 0; i < particular; ++i)
    if (isInstalled(names[i])) return installedFamily(names[i], bold, italic);
  return {};
}

std::optional<FontFileRef> FontResolver::installedFile(std::string_view fileName) {
  if (auto it = impl_->filesByName.find(lowercase(fileName)); it != impl_->filesByName.end())
    return it->second;
  return {};
}

}  // namespace kx::text
