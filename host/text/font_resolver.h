#pragma once
// Finds font files for family names with fontconfig, among the families that scripts/setup
// installs only: a drawing shows the same on every machine set up for the project, whatever
// other fonts a machine happens to have.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kx::text {

struct FontFileRef {
  std::string path;
  int index = 0;  // face in a collection (.ttc)
  friend bool operator==(const FontFileRef&, const FontFileRef&) = default;
};

// The families a name may resolve to.
inline constexpr std::string_view kInstalledFamilies[] = {
    "Liberation Sans", "Liberation Serif", "Liberation Mono",    "DejaVu Sans",
    "DejaVu Serif",    "DejaVu Sans Mono", "WenQuanYi Micro Hei"};
inline constexpr std::string_view kCjkFamily = "WenQuanYi Micro Hei";
inline constexpr std::string_view kDefaultSubstituteFamily = "Liberation Sans";

// A family name as fontconfig compares it: without blanks, in lower case ("Times New Roman" and
// "TIMESNEWROMAN" are one family).
std::string familyKey(std::string_view name);

class FontResolver {
 public:
  FontResolver();
  ~FontResolver();
  FontResolver(const FontResolver&) = delete;
  FontResolver& operator=(const FontResolver&) = delete;

  // The file of `family` itself or of what fontconfig's rules say stands in for it (Arial ->
  // Liberation Sans, Georgia -> a serif), nearest to the weight and slant asked for. Nothing
  // when fontconfig knows nothing particular about the name (it would only give its default
  // font), or when the match is none of the installed families.
  std::optional<FontFileRef> family(std::string_view family, bool bold, bool italic);
  // An installed family by its exact name, without fontconfig's aliases.
  std::optional<FontFileRef> installedFamily(std::string_view family, bool bold, bool italic);
  // A file of an installed family by its file name ("DejaVuSans-Bold.ttf"), case-insensitive.
  std::optional<FontFileRef> installedFile(std::string_view fileName);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kx::text
