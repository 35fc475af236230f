#include "text/mtext_explode.h"

#include <cmath>

namespace kx::text {
namespace {

constexpr double kStrikePosition = 0.5;  // heights above the baseline, as the layout draws it

ExplodedText textOfRun(const MTextRun& run) {
  ExplodedText text;
  text.position = run.baseline;
  text.height = run.look.height;
  text.widthFactor = run.look.widthFactor;
  text.oblique = run.look.oblique;
  text.fontFamily = run.fontFamily;
  text.bold = run.bold;
  text.italic = run.italic;
  text.color = run.color;
  text.trueColor = run.trueColor;
  text.stacked = run.stacked;
  return text;
}

std::wstring decorated(const MTextRun& run, std::wstring_view plain) {
  std::wstring text;
  if (run.underline) text += L"%%u";
  if (run.overline) text += L"%%o";
  return text + escapeForText(plain);
}

// A TEXT has no tracking: each character goes where the tracking put it.
void explodeTracked(const MTextRun& run, std::vector<ExplodedText>& out) {
  const double scale = run.look.height * run.look.widthFactor * run.tracking;
  double pen = 0;
  for (std::size_t i = 0; i < run.text.size(); ++i) {
    const auto c = static_cast<char32_t>(run.text[i]);
    if (c != U' ') {
      ExplodedText text = textOfRun(run);
      text.position.x += pen;
      text.text = decorated(run, std::wstring_view(run.text).substr(i, 1));
      out.push_back(std::move(text));
    }
    double advance = run.font->metrics(c).advance;
    if (i + 1 < run.text.size()) {
      advance += run.font->kerning(c, static_cast<char32_t>(run.text[i + 1]));
    }
    if (std::isfinite(advance)) pen += advance * scale;
  }
}

}  // namespace

std::wstring escapeForText(std::wstring_view plain) {
  if (plain.find(L"%%") == std::wstring_view::npos) return std::wstring(plain);
  std::wstring out;
  out.reserve(plain.size() * 3);
  for (wchar_t c : plain) {
    if (c == L'%') {
      out += L"%%%";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

MTextExplosion explodeMTextLayout(const MTextLayout& layout) {
  MTextExplosion result;
  for (const MTextRun& run : layout.runs) {
    if (run.text.find_first_not_of(L' ') == std::wstring::npos) continue;
    if (run.tracking != 1 && run.font) {
      explodeTracked(run, result.texts);
    } else {
      ExplodedText text = textOfRun(run);
      text.text = decorated(run, run.text);
      result.texts.push_back(std::move(text));
    }
    if (run.strikeThrough) {
      const geom::Vec2 rise{0, kStrikePosition * run.look.height};
      result.lines.push_back({run.baseline + rise,
                              run.baseline + rise + geom::Vec2{run.layout.advance, 0}, run.color,
                              run.trueColor});
    }
  }
  for (std::size_t i = 0; i < layout.bars.size(); ++i) {
    const MTextLayout::BarColor color =
        i < layout.barColors.size() ? layout.barColors[i] : MTextLayout::BarColor{};
    result.lines.push_back(
        {layout.bars[i].first, layout.bars[i].second, color.color, color.trueColor});
  }
  return result;
}

}  // namespace kx::text
