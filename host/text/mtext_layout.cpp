#include "text/mtext_layout.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>
#include <unordered_map>

#include "dxf/encoding.h"
#include "support/utf8.h"
#include "text/mtext_parser.h"

namespace kx::text {
namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr double kDefaultHeight = 2.5;
constexpr double kLineHeightToPitch = 5.0 / 3.0;
constexpr double kGapBelowLine = 2.0 / 3.0;
constexpr double kMinLineSpacingFactor = 0.25, kMaxLineSpacingFactor = 4;
constexpr double kTabStop = 4;  // nominal heights

// Stacked fractions: part height, and where things sit, in heights of the fraction's format.
constexpr double kStackScale = 0.7;
constexpr double kStackMiddle = 0.5;      // the bar, halfway up the capitals
constexpr double kStackGap = 0.1;         // between the bar and either part
constexpr double kDiagonalTopRise = 0.3;  // '#': baseline of the top part
constexpr double kDiagonalSlant = 0.4;    // '#': room for the slanted bar
constexpr double kStrikePosition = 0.5;

constexpr wchar_t kNoBreakSpace = 0x00A0;

double finiteOr(double value, double fallback) {
  return std::isfinite(value) ? value : fallback;
}

// Scripts written without spaces between words break between any two characters.
bool breaksAroundCharacter(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000);
}

// Stands in when no font at all can be had, so that a text still takes room and never crashes.
class BlankFont final : public Font {
 public:
  GlyphMetrics metrics(char32_t) const override { return {0.6, 0, 0, 0, 0}; }
  std::vector<Contour> outline(char32_t, double) const override { return {}; }
  double kerning(char32_t, char32_t) const override { return 0; }
  std::string description() const override { return "no font"; }
  double descender() const override { return -0.25; }
  double underlinePosition() const override { return -0.2; }
  double overlinePosition() const override { return 1.2; }
  double lineThickness() const override { return 0.05; }
};

// The font of every format, found once per family and kept with the advances measured in it.
class Fonts {
 public:
  Fonts(const MTextInput& input, const std::vector<MTextFormat>& formats)
      : input_(input), formats_(formats), byFormat_(formats.size()) {}

  const std::shared_ptr<const Font>& font(std::size_t format) {
    std::shared_ptr<const Font>& slot = byFormat_[format];
    if (!slot) slot = find(formats_[format]);
    return slot;
  }

  // Advance of `c` in a font, in heights; cached because a long text repeats few characters.
  double advance(const Font& font, char32_t c) {
    if (&font != lastFont_) {
      lastFont_ = &font;
      lastAdvances_ = &advances_[&font];
    }
    auto [it, inserted] = lastAdvances_->try_emplace(c, 0.0);
    if (inserted) it->second = finiteOr(font.metrics(c).advance, 0);
    return it->second;
  }

 private:
  std::shared_ptr<const Font> find(const MTextFormat& format) {
    const auto key = std::tuple(format.fontFamily, format.bold, format.italic);
    auto [it, inserted] = byFamily_.try_emplace(key);
    if (inserted) {
      auto& library = FontLibrary::instance();
      it->second = format.fontFamily.empty()
                       ? library.styleFont(input_.styleFontFile, input_.styleBigFont)
                       : library.familyFont(kx::support::toUtf8(format.fontFamily), format.bold,
                                            format.italic);
      if (!it->second) it->second = std::make_shared<BlankFont>();
    }
    return it->second;
  }

  const MTextInput& input_;
  const std::vector<MTextFormat>& formats_;
  std::vector<std::shared_ptr<const Font>> byFormat_;
  std::map<std::tuple<std::wstring, bool, bool>, std::shared_ptr<const Font>> byFamily_;
  std::unordered_map<const Font*, std::unordered_map<char32_t, double>> advances_;
  const Font* lastFont_ = nullptr;
  std::unordered_map<char32_t, double>* lastAdvances_ = nullptr;
};

// A piece of a line while lines are being filled: characters of one format, a stacked fraction
// or a tab.
struct Piece {
  enum class Kind { Text, Stack, Tab } kind = Kind::Text;
  std::size_t format = 0;
  std::wstring text;
  const MTextItem* stack = nullptr;
};

// A finished line with its runs relative to the start of its baseline.
struct LaidLine {
  std::vector<MTextRun> runs;
  std::vector<std::pair<geom::Vec2, geom::Vec2>> bars;
  std::vector<MTextLayout::BarColor> barColors;
  double width = 0;
  double height = 0;     // tallest height on the line
  double inkBottom = 0;  // lowest ink below the baseline (negative), 0 for none
};

class Layouter {
 public:
  Layouter(const MTextInput& input, const ParsedMText& parsed)
      : input_(input), parsed_(parsed), fonts_(input, parsed.formats) {
    const double width = finiteOr(input.definedWidth, 0);
    wrapWidth_ = width > 0 ? width : 0;
    nominalHeight_ = parsed.formats.front().height;
  }

  std::vector<LaidLine> run() {
    for (const MTextItem& item : parsed_.items) {
      switch (item.kind) {
        case MTextItemKind::Text:
          for (wchar_t c : item.text) addChar(item.format, c);
          break;
        case MTextItemKind::Stack:
          addStack(item);
          break;
        case MTextItemKind::Tab:
          flushWord();
          previousChar_ = 0;
          line_.push_back({Piece::Kind::Tab, item.format, {}, nullptr});
          penX_ = nextTabStop(penX_);
          break;
        case MTextItemKind::LineBreak:
          flushWord();
          finishLine(item.format);
          break;
      }
    }
    if (!parsed_.items.empty()) {
      flushWord();
      finishLine(parsed_.items.back().format);
    }
    return std::move(lines_);
  }

 private:
  const MTextFormat& format(std::size_t index) const { return parsed_.formats[index]; }

  double nextTabStop(double x) const {
    const double stop = kTabStop * nominalHeight_;
    return (std::floor(x / stop + 1e-9) + 1) * stop;
  }

  // Width of characters in a format, as the wrapping sees it.
  double charWidth(std::size_t formatIndex, char32_t previous, char32_t c, double scale = 1) {
    const MTextFormat& f = format(formatIndex);
    const Font& font = *fonts_.font(formatIndex);
    double advance = fonts_.advance(font, c);
    if (previous != 0) advance += finiteOr(font.kerning(previous, c), 0);
    return advance * f.height * scale * f.widthFactor * f.tracking;
  }

  double textWidth(std::size_t formatIndex, std::wstring_view text, double scale) {
    double width = 0;
    char32_t previous = 0;
    for (wchar_t c : text) {
      width += charWidth(formatIndex, previous, static_cast<char32_t>(c), scale);
      previous = static_cast<char32_t>(c);
    }
    return width;
  }

  // Kerning applies between neighbours in one format, the same way the run's layout applies it.
  char32_t previousInRun(std::size_t formatIndex, char32_t c) {
    const char32_t previous =
        previousChar_ != 0 && sameFormat(previousFormat_, formatIndex) ? previousChar_ : 0;
    previousChar_ = c;
    previousFormat_ = formatIndex;
    return previous;
  }

  void addChar(std::size_t formatIndex, wchar_t wc) {
    const auto c = static_cast<char32_t>(wc);
    if (c == U' ') {
      flushWord();
      appendToLine({Piece::Kind::Text, formatIndex, std::wstring(1, wc), nullptr});
      penX_ += charWidth(formatIndex, previousInRun(formatIndex, c), c);
      return;
    }
    const bool alone = breaksAroundCharacter(c);
    if (alone) flushWord();
    const bool continues = !word_.empty() && word_.back().kind == Piece::Kind::Text &&
                           word_.back().format == formatIndex;
    wordWidth_ += charWidth(formatIndex, previousInRun(formatIndex, c), c);
    if (continues) {
      word_.back().text.push_back(wc);
    } else {
      word_.push_back({Piece::Kind::Text, formatIndex, std::wstring(1, wc), nullptr});
    }
    if (alone) flushWord();
  }

  void addStack(const MTextItem& item) {
    const double top = textWidth(item.format, item.text, kStackScale);
    const double bottom = textWidth(item.format, item.bottom, kStackScale);
    wordWidth_ += item.stack == StackKind::Diagonal
                      ? top + bottom + kDiagonalSlant * format(item.format).height
                      : std::max(top, bottom);
    word_.push_back({Piece::Kind::Stack, item.format, {}, &item});
    previousChar_ = 0;
  }

  bool sameFormat(std::size_t a, std::size_t b) const { return a == b || format(a) == format(b); }

  void appendToLine(Piece piece) {
    if (!line_.empty() && piece.kind == Piece::Kind::Text &&
        line_.back().kind == Piece::Kind::Text && sameFormat(line_.back().format, piece.format)) {
      line_.back().text += piece.text;
      return;
    }
    line_.push_back(std::move(piece));
  }

  void flushWord() {
    if (word_.empty()) return;
    if (wrapWidth_ > 0 && lineHasWord_ && penX_ + wordWidth_ > wrapWidth_ * (1 + 1e-9)) {
      finishLine(word_.front().format);
    }
    for (Piece& piece : word_) appendToLine(std::move(piece));
    penX_ += wordWidth_;
    lineHasWord_ = true;
    word_.clear();
    wordWidth_ = 0;
  }

  // Trailing spaces and tabs take no room: they are where the line broke.
  void trimLineEnd() {
    while (!line_.empty()) {
      Piece& last = line_.back();
      if (last.kind == Piece::Kind::Stack) return;
      if (last.kind == Piece::Kind::Text) {
        const std::size_t end = last.text.find_last_not_of(L' ');
        if (end != std::wstring::npos) {
          last.text.resize(end + 1);
          return;
        }
      }
      emptyLineFormat_ = last.format;
      line_.pop_back();
    }
  }

  void finishLine(std::size_t breakFormat) {
    emptyLineFormat_ = breakFormat;
    trimLineEnd();
    lines_.push_back(layLine());
    line_.clear();
    penX_ = 0;
    previousChar_ = 0;
    lineHasWord_ = false;
  }

  MTextRun makeRun(std::size_t formatIndex, std::wstring_view text, double scale) {
    const MTextFormat& f = format(formatIndex);
    MTextRun run;
    run.text.reserve(text.size());
    std::vector<DecodedChar> chars;
    chars.reserve(text.size());
    for (wchar_t wc : text) {
      const wchar_t c = wc == kNoBreakSpace ? L' ' : wc;
      run.text.push_back(c);
      chars.push_back(
          {static_cast<char32_t>(c), f.underline && scale == 1, f.overline && scale == 1});
    }
    run.fontFamily = f.fontFamily;
    run.font = fonts_.font(formatIndex);
    run.bold = f.bold;
    run.italic = f.italic;
    run.look.height = f.height * scale;
    run.look.widthFactor = f.widthFactor;
    run.look.oblique = f.obliqueDegrees * kDegree;
    run.tracking = f.tracking;
    run.color = f.color;
    run.trueColor = f.trueColor;
    run.underline = f.underline && scale == 1;
    run.overline = f.overline && scale == 1;
    run.strikeThrough = f.strikeThrough && scale == 1;
    run.stacked = scale != 1;
    run.layout = layoutLine(*run.font, chars, run.look);
    if (run.tracking != 1) applyTracking(run.layout, run.tracking);
    if (run.strikeThrough && run.layout.advance > 0) {
      const double y = kStrikePosition * run.look.height;
      run.layout.decorations.push_back({{0, y}, {run.layout.advance, y}});
      run.layout.ink.yMax = std::max(run.layout.ink.yMax, y);
      run.layout.ink.yMin = std::min(run.layout.ink.yMin, y);
      run.layout.ink.xMax = std::max(run.layout.ink.xMax, run.layout.advance);
    }
    return run;
  }

  // Tracking spreads the characters: every pen position moves out by the factor, the glyphs keep
  // their shape.
  static void applyTracking(LineLayout& layout, double tracking) {
    for (PlacedGlyph& glyph : layout.glyphs) {
      const geom::Matrix3d& m = glyph.toText;
      const geom::Vec3 o = m.origin();
      glyph.toText = geom::Matrix3d(m.xAxis(), m.yAxis(), m.zAxis(), {o.x * tracking, o.y, o.z});
    }
    for (auto& [a, b] : layout.decorations) {
      a.x *= tracking;
      b.x *= tracking;
    }
    const double grown = layout.advance * (tracking - 1);
    layout.advance *= tracking;
    layout.cell.xMax = layout.advance;
    if (layout.ink.xMax > layout.ink.xMin) layout.ink.xMax += grown;
  }

  // A stacked fraction reaches above the capitals beside it; the line makes room for it.
  double stackHeight(const MTextItem& item) const {
    const double h = format(item.format).height;
    return item.stack == StackKind::Diagonal ? (kDiagonalTopRise + kStackScale) * h
                                             : (kStackMiddle + kStackGap + kStackScale) * h;
  }

  // The parts of a stacked fraction, placed from the pen at `x` on the line's baseline.
  double layStack(LaidLine& laid, const MTextItem& item, double x, double y) {
    const double h = format(item.format).height;
    MTextRun top = makeRun(item.format, item.text, kStackScale);
    MTextRun bottom = makeRun(item.format, item.bottom, kStackScale);
    const double topWidth = top.layout.advance, bottomWidth = bottom.layout.advance;
    double width = 0;
    std::pair<geom::Vec2, geom::Vec2> bar;
    bool hasBar = true;
    if (item.stack == StackKind::Diagonal) {
      top.baseline = {x, y + kDiagonalTopRise * h};
      bar = {{x + topWidth + 0.1 * kDiagonalSlant * h, y},
             {x + topWidth + 0.9 * kDiagonalSlant * h, y + h}};
      bottom.baseline = {x + topWidth + kDiagonalSlant * h, y};
      width = topWidth + kDiagonalSlant * h + bottomWidth;
    } else {
      width = std::max(topWidth, bottomWidth);
      const bool centred = item.stack == StackKind::Fraction;
      top.baseline = {x + (centred ? (width - topWidth) / 2 : 0),
                      y + (kStackMiddle + kStackGap) * h};
      bottom.baseline = {x + (centred ? (width - bottomWidth) / 2 : 0),
                         y + (kStackMiddle - kStackGap - kStackScale) * h};
      bar = {{x, y + kStackMiddle * h}, {x + width, y + kStackMiddle * h}};
      hasBar = centred && width > 0;
    }
    const MTextFormat& f = format(item.format);
    if (hasBar) {
      laid.bars.push_back(bar);
      laid.barColors.push_back({f.color, f.trueColor});
    }
    for (MTextRun* part : {&top, &bottom}) {
      if (!part->text.empty()) laid.runs.push_back(std::move(*part));
    }
    return width;
  }

  LaidLine layLine() {
    LaidLine laid;
    for (const Piece& piece : line_) {
      if (piece.kind == Piece::Kind::Stack) {
        laid.height = std::max(laid.height, stackHeight(*piece.stack));
      } else if (piece.kind == Piece::Kind::Text && !piece.text.empty()) {
        laid.height = std::max(laid.height, format(piece.format).height);
      }
    }
    if (laid.height == 0) laid.height = format(emptyLineFormat_).height;

    double x = 0;
    for (const Piece& piece : line_) {
      const MTextFormat& f = format(piece.format);
      // \A lines a smaller text up with the bottom, middle or top of the line's tallest capitals.
      const double rise = f.alignment == 1   ? (laid.height - f.height) / 2
                          : f.alignment == 2 ? laid.height - f.height
                                             : 0;
      switch (piece.kind) {
        case Piece::Kind::Tab:
          x = nextTabStop(x);
          break;
        case Piece::Kind::Stack:
          x += layStack(laid, *piece.stack, x, rise);
          break;
        case Piece::Kind::Text: {
          if (piece.text.empty()) break;
          MTextRun run = makeRun(piece.format, piece.text, 1);
          run.baseline = {x, rise};
          x += run.layout.advance;
          laid.runs.push_back(std::move(run));
          break;
        }
      }
    }
    laid.width = x;
    for (const MTextRun& run : laid.runs) {
      if (run.layout.ink.xMax > run.layout.ink.xMin || run.layout.ink.yMax > run.layout.ink.yMin) {
        laid.inkBottom = std::min(laid.inkBottom, run.baseline.y + run.layout.ink.yMin);
      }
    }
    return laid;
  }

  const MTextInput& input_;
  const ParsedMText& parsed_;
  Fonts fonts_;
  double wrapWidth_ = 0;
  double nominalHeight_ = kDefaultHeight;

  std::vector<LaidLine> lines_;
  std::vector<Piece> line_;
  double penX_ = 0;
  bool lineHasWord_ = false;
  std::size_t emptyLineFormat_ = 0;
  std::vector<Piece> word_;
  double wordWidth_ = 0;
  char32_t previousChar_ = 0;
  std::size_t previousFormat_ = 0;
};

}  // namespace

MTextLayout layoutMText(const MTextInput& input) {
  MTextFormat base;
  const double height = finiteOr(input.textHeight, 0);
  base.height = height > 0 ? std::clamp(height, kMinMTextHeight, kMaxMTextHeight) : kDefaultHeight;
  const double widthFactor = finiteOr(input.styleWidthFactor, 1);
  base.widthFactor = widthFactor > 0 ? std::clamp(widthFactor, 0.01, 100.0) : 1;
  base.obliqueDegrees = std::clamp(finiteOr(input.styleOblique, 0) / kDegree, -85.0, 85.0);
  const ParsedMText parsed = parseMText(input.contents, base);
  std::vector<LaidLine> lines = Layouter(input, parsed).run();

  MTextLayout layout;
  layout.lineCount = lines.size();
  if (lines.empty()) return layout;

  const double factor = std::clamp(finiteOr(input.lineSpacingFactor, 1), kMinLineSpacingFactor,
                                   kMaxLineSpacingFactor);
  const bool exactly = input.lineSpacingStyle == 2;
  std::vector<double> baselines(lines.size());
  double baseline = -lines.front().height;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      baseline -= exactly ? factor * kLineHeightToPitch * base.height
                          : factor * (kGapBelowLine * lines[i - 1].height + lines[i].height);
    }
    baselines[i] = baseline;
  }
  for (const LaidLine& line : lines) layout.actualWidth = std::max(layout.actualWidth, line.width);
  layout.actualHeight = -(baselines.back() + std::min(0.0, lines.back().inkBottom));

  const int attachment = input.attachment >= 1 && input.attachment <= 9 ? input.attachment : 1;
  const int column = (attachment - 1) % 3;  // 0 left, 1 centre, 2 right
  const int row = (attachment - 1) / 3;     // 0 top, 1 middle, 2 bottom
  const double shiftY = row == 0 ? 0 : row == 1 ? layout.actualHeight / 2 : layout.actualHeight;
  const double frameLeft = column == 0   ? 0
                           : column == 1 ? -layout.actualWidth / 2
                                         : -layout.actualWidth;
  layout.frame = {frameLeft, shiftY - layout.actualHeight, frameLeft + layout.actualWidth, shiftY};

  std::size_t runCount = 0, barCount = 0;
  for (const LaidLine& line : lines) {
    runCount += line.runs.size();
    barCount += line.bars.size();
  }
  layout.runs.reserve(runCount);
  layout.bars.reserve(barCount);
  layout.barColors.reserve(barCount);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    LaidLine& line = lines[i];
    const double lineLeft = column == 0 ? 0 : column == 1 ? -line.width / 2 : -line.width;
    const geom::Vec2 offset{lineLeft, baselines[i] + shiftY};
    for (MTextRun& run : line.runs) {
      run.baseline = run.baseline + offset;
      layout.runs.push_back(std::move(run));
    }
    for (auto& [a, b] : line.bars) layout.bars.push_back({a + offset, b + offset});
    layout.barColors.insert(layout.barColors.end(), line.barColors.begin(), line.barColors.end());
  }
  return layout;
}

}  // namespace kx::text
