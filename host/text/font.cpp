#include "text/font.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>

#include "support/case_fold.h"
#include "text/font_chain.h"
#include "text/font_face.h"
#include "text/font_resolver.h"

namespace kx::text {
namespace {

std::string lowercase(std::string_view s) {
  return kx::support::asciiLowerCase(s);
}

std::string_view trimmed(std::string_view s) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

struct FamilyStyle {
  std::string_view family;
  bool bold = false, italic = false;
};

// TrueType file names of drawings made elsewhere, to the installed family that draws them.
// Metric-compatible families keep texts the width their authors saw.
const std::map<std::string_view, FamilyStyle>& knownFontFiles() {
  static const std::map<std::string_view, FamilyStyle> files = {
      {"arial", {"Liberation Sans"}},
      {"arialbd", {"Liberation Sans", true}},
      {"ariali", {"Liberation Sans", false, true}},
      {"arialbi", {"Liberation Sans", true, true}},
      {"arialn", {"Liberation Sans"}},
      {"arialnb", {"Liberation Sans", true}},
      {"arialni", {"Liberation Sans", false, true}},
      {"arialnbi", {"Liberation Sans", true, true}},
      {"arialuni", {"Liberation Sans"}},
      {"times", {"Liberation Serif"}},
      {"timesbd", {"Liberation Serif", true}},
      {"timesi", {"Liberation Serif", false, true}},
      {"timesbi", {"Liberation Serif", true, true}},
      {"cour", {"Liberation Mono"}},
      {"courbd", {"Liberation Mono", true}},
      {"couri", {"Liberation Mono", false, true}},
      {"courbi", {"Liberation Mono", true, true}},
      // Chinese, Japanese and Korean system fonts.
      {"simsun", {"WenQuanYi Micro Hei"}},
      {"simhei", {"WenQuanYi Micro Hei"}},
      {"simkai", {"WenQuanYi Micro Hei"}},
      {"simfang", {"WenQuanYi Micro Hei"}},
      {"simli", {"WenQuanYi Micro Hei"}},
      {"simyou", {"WenQuanYi Micro Hei"}},
      {"msyh", {"WenQuanYi Micro Hei"}},
      {"msyhbd", {"WenQuanYi Micro Hei", true}},
      {"msyhl", {"WenQuanYi Micro Hei"}},
      {"msjh", {"WenQuanYi Micro Hei"}},
      {"msjhbd", {"WenQuanYi Micro Hei", true}},
      {"mingliu", {"WenQuanYi Micro Hei"}},
      {"kaiu", {"WenQuanYi Micro Hei"}},
      {"msgothic", {"WenQuanYi Micro Hei"}},
      {"msmincho", {"WenQuanYi Micro Hei"}},
      {"meiryo", {"WenQuanYi Micro Hei"}},
      {"yugothr", {"WenQuanYi Micro Hei"}},
      {"batang", {"WenQuanYi Micro Hei"}},
      {"gulim", {"WenQuanYi Micro Hei"}},
      {"malgun", {"WenQuanYi Micro Hei"}},
  };
  return files;
}

// Family names fontconfig's rules may not know, keyed without blanks, lowercase.
const std::map<std::string_view, std::string_view>& knownFamilies() {
  static const std::map<std::string_view, std::string_view> families = {
      {"arial", "Liberation Sans"},
      {"arialnarrow", "Liberation Sans"},
      {"arialunicodems", "Liberation Sans"},
      {"helvetica", "Liberation Sans"},
      {"timesnewroman", "Liberation Serif"},
      {"times", "Liberation Serif"},
      {"couriernew", "Liberation Mono"},
      {"courier", "Liberation Mono"},
      {"simsun", "WenQuanYi Micro Hei"},
      {"nsimsun", "WenQuanYi Micro Hei"},
      {"simhei", "WenQuanYi Micro Hei"},
      {"kaiti", "WenQuanYi Micro Hei"},
      {"simkai", "WenQuanYi Micro Hei"},
      {"kaiti_gb2312", "WenQuanYi Micro Hei"},
      {"fangsong", "WenQuanYi Micro Hei"},
      {"fangsong_gb2312", "WenQuanYi Micro Hei"},
      {"simfang", "WenQuanYi Micro Hei"},
      {"microsoftyahei", "WenQuanYi Micro Hei"},
      {"microsoftjhenghei", "WenQuanYi Micro Hei"},
      {"mingliu", "WenQuanYi Micro Hei"},
      {"pmingliu", "WenQuanYi Micro Hei"},
      {"dengxian", "WenQuanYi Micro Hei"},
      {"msgothic", "WenQuanYi Micro Hei"},
      {"mspgothic", "WenQuanYi Micro Hei"},
      {"msmincho", "WenQuanYi Micro Hei"},
      {"meiryo", "WenQuanYi Micro Hei"},
      {"yugothic", "WenQuanYi Micro Hei"},
      {"batang", "WenQuanYi Micro Hei"},
      {"gulim", "WenQuanYi Micro Hei"},
      {"dotum", "WenQuanYi Micro Hei"},
      {"malgungothic", "WenQuanYi Micro Hei"},
  };
  return families;
}

bool isTrueTypeExtension(std::string_view ext) {
  return ext == ".ttf" || ext == ".ttc" || ext == ".otf" || ext == ".otc";
}

// What a font name asks for: a font file to open, a family to find, or a shape font (which
// the substitute draws).
struct FontRequest {
  enum class Kind { shape, file, family } kind = Kind::shape;
  std::string path;    // file
  std::string family;  // family
  bool bold = false, italic = false;
};

// Shape fonts carry no extension in most styles ("txt", "romans"); a name with no extension is
// a shape font unless it names a family, which the resolver decides.
FontRequest parseFontName(std::string_view rawName, bool bold, bool italic) {
  FontRequest request;
  request.bold = bold;
  request.italic = italic;
  const std::string_view name = trimmed(rawName);
  if (name.empty()) return request;
  // Styles written on another machine hold full paths: use the file when it is here, else
  // resolve its name.
  std::string_view base = name;
  if (const auto slash = base.find_last_of("/\\"); slash != std::string_view::npos) {
    std::error_code error;
    const std::string path(name);
    if (name.find('\\') == std::string_view::npos &&
        std::filesystem::is_regular_file(path, error)) {
      request.kind = FontRequest::Kind::file;
      request.path = path;
      return request;
    }
    base = base.substr(slash + 1);
  }
  const std::string lower = lowercase(base);
  const auto dot = lower.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : lower.substr(dot);
  const std::string stem = lower.substr(0, dot);
  if (ext == ".shx" || stem.empty()) return request;
  if (isTrueTypeExtension(ext)) {
    if (auto it = knownFontFiles().find(stem); it != knownFontFiles().end()) {
      request.kind = FontRequest::Kind::family;
      request.family = it->second.family;
      request.bold = bold || it->second.bold;
      request.italic = italic || it->second.italic;
      return request;
    }
    request.kind = FontRequest::Kind::file;
    request.path = std::string(base);  // an installed file by its name, else its stem a family
    request.family = std::string(base.substr(0, dot));
    return request;
  }
  request.kind = FontRequest::Kind::family;
  request.family = std::string(ext.empty() || !std::isalpha(static_cast<unsigned char>(ext[1]))
                                   ? base
                                   : base.substr(0, dot));
  return request;
}

}  // namespace

struct FontLibrary::Impl {
  FontResolver resolver;
  std::string substituteFamily = std::string(kDefaultSubstituteFamily);
  std::map<std::tuple<std::string, int, FaceScaling>, std::shared_ptr<const FontFace>> faces;
  std::unordered_map<std::string, std::shared_ptr<const Font>> fonts;

  std::shared_ptr<const FontFace> face(const FontFileRef& file, FaceScaling scaling) {
    const auto key = std::make_tuple(file.path, file.index, scaling);
    if (auto it = faces.find(key); it != faces.end()) return it->second;
    auto opened = FontFace::open(file.path, file.index, scaling);
    faces.emplace(key, opened);  // a file that failed is not tried again
    return opened;
  }

  // The file a request names, or nothing when the substitute should draw it.
  std::optional<FontFileRef> resolve(const FontRequest& request) {
    switch (request.kind) {
      case FontRequest::Kind::shape:
        return {};
      case FontRequest::Kind::file:
        if (request.path.find('/') != std::string::npos) return FontFileRef{request.path, 0};
        if (auto installed = resolver.installedFile(request.path)) return installed;
        return resolveFamily(request.family, request.bold, request.italic);
      case FontRequest::Kind::family:
        return resolveFamily(request.family, request.bold, request.italic);
    }
    return {};
  }

  std::optional<FontFileRef> resolveFamily(std::string family, bool bold, bool italic) {
    for (;;) {
      if (auto it = knownFamilies().find(familyKey(family)); it != knownFamilies().end())
        return resolver.installedFamily(it->second, bold, italic);
      if (auto file = resolver.family(family, bold, italic)) return file;
      // Font codes written elsewhere name faces ("Arial Bold Italic"): the last words are the
      // style, not the family.
      const auto space = family.find_last_of(' ');
      if (space == std::string::npos) return {};
      const std::string word = lowercase(family.substr(space + 1));
      if (word == "bold") {
        bold = true;
      } else if (word == "italic" || word == "oblique") {
        italic = true;
      } else if (word != "regular") {
        return {};
      }
      family.resize(space);
    }
  }

  // The substitute face in the asked style; the default substitute when the configured one
  // cannot be found or opened.
  std::shared_ptr<const FontFace> substitute(bool bold, bool italic) {
    if (auto file = resolve(parseFontName(substituteFamily, bold, italic)))
      if (auto f = face(*file, FaceScaling::capHeight)) return f;
    if (auto file = resolver.installedFamily(kDefaultSubstituteFamily, bold, italic))
      return face(*file, FaceScaling::capHeight);
    return nullptr;
  }

  std::shared_ptr<const FontFace> cjk() {
    if (auto file = resolver.installedFamily(kCjkFamily, false, false))
      return face(*file, FaceScaling::ideograph);
    return nullptr;
  }

  // The font for a name, resolved on its first request only: styles are asked for once per
  // text, so a repeated request must cost no more than a look-up.
  std::shared_ptr<const Font> font(const std::string& key, std::string_view name, bool bold,
                                   bool italic) {
    if (auto it = fonts.find(key); it != fonts.end()) return it->second;
    const FontRequest request = parseFontName(name, bold, italic);
    auto sub = substitute(request.bold, request.italic);
    std::shared_ptr<const FontFace> primary;
    if (auto file = resolve(request)) primary = face(*file, FaceScaling::capHeight);
    if (!primary) primary = sub;
    auto result = std::make_shared<FontChain>(primary, cjk(), sub);
    fonts.emplace(key, result);
    return result;
  }
};

FontLibrary::FontLibrary() : impl_(std::make_shared<Impl>()) {
  if (const char* shx = std::getenv("KX_SHX_FONT"); shx && *shx) impl_->substituteFamily = shx;
}

FontLibrary& FontLibrary::instance() {
  static FontLibrary library;
  return library;
}

std::shared_ptr<const Font> FontLibrary::styleFont(std::string_view fontFile,
                                                   std::string_view bigFont) {
  // Big fonts only ever add CJK characters, which come from the CJK face whatever they name.
  (void)bigFont;
  std::string key = "s";
  key += fontFile;
  return impl_->font(key, fontFile, false, false);
}

std::shared_ptr<const Font> FontLibrary::familyFont(std::string_view family, bool bold,
                                                    bool italic) {
  std::string key = bold ? (italic ? "fbi" : "fb-") : (italic ? "f-i" : "f--");
  key += family;
  return impl_->font(key, family, bold, italic);
}

void FontLibrary::setSubstituteFamily(std::string family) {
  impl_->substituteFamily = std::move(family);
  impl_->fonts.clear();  // fonts already handed out keep the substitute they were made with
}

}  // namespace kx::text
