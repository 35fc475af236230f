#include "editor/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include <fmt/format.h>

#include "support/utf8.h"

namespace kx::editor {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kCells = 30;
constexpr int kFewestCells = 10;

void toStandardError(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

int terminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// Characters, not bytes: the label may name a file in any script.
std::size_t shownWidth(std::string_view utf8) {
  return support::utf8CharacterCount(utf8);
}

// The last `width` characters of `utf8`, led by "...".
std::string tail(std::string_view utf8, std::size_t width) {
  if (shownWidth(utf8) <= width) return std::string(utf8);
  if (width <= 3) return std::string(width, '.');
  std::size_t keep = width - 3, at = utf8.size();
  while (at > 0 && keep > 0) {
    --at;
    if ((utf8[at] & 0xC0) != 0x80) --keep;
  }
  return "..." + std::string(utf8.substr(at));
}

}  // namespace

ProgressBar::ProgressBar(std::string label, Sink sink, int columns,
                         std::function<Clock::time_point()> now)
    : label_(std::move(label)),
      sink_(sink ? std::move(sink) : Sink(toStandardError)),
      columns_(columns > 0 ? columns : terminalColumns()),
      now_(now ? std::move(now) : std::function<Clock::time_point()>(Clock::now)) {}

ProgressBar::~ProgressBar() {
  finish();
}

void ProgressBar::update(double fraction) {
  const int percent =
      std::isfinite(fraction) ? std::clamp(static_cast<int>(fraction * 100), 0, 100) : 0;
  if (percent == shownPercent_) return;
  const Clock::time_point now = now_();
  if (drawnAt_ && now - *drawnAt_ < kRedrawInterval) return;
  drawnAt_ = now;
  draw(percent);
}

void ProgressBar::draw(int percent) {
  shownPercent_ = percent;
  // "LABEL  [" + cells + "] " + "100%", kept inside the line so "\r" goes back to its start.
  const std::size_t room = static_cast<std::size_t>(std::max(columns_ - 1, 0));
  const std::size_t frame = 2 + 1 + 1 + 1 + 4;
  std::size_t cells = kCells;
  std::string label = label_;
  if (shownWidth(label) + frame + cells > room) {
    cells = std::max<std::size_t>(
        kFewestCells, room > shownWidth(label) + frame ? room - shownWidth(label) - frame : 0);
    if (shownWidth(label) + frame + cells > room)
      label = tail(label, room > frame + cells ? room - frame - cells : 0);
  }
  const std::size_t filled = cells * static_cast<std::size_t>(percent) / 100;
  const std::string line = fmt::format("{}  [{}{}] {:3d}%", label, std::string(filled, '#'),
                                       std::string(cells - filled, ' '), percent);
  const std::size_t width = shownWidth(line);
  // Spaces wipe what a longer earlier line left behind.
  const std::string pad(drawnWidth_ > width ? drawnWidth_ - width : 0, ' ');
  sink_("\r" + line + pad);
  drawnWidth_ = std::max(drawnWidth_, width);
}

void ProgressBar::finish() {
  if (drawnWidth_ == 0) return;
  sink_("\r" + std::string(drawnWidth_, ' ') + "\r");
  drawnWidth_ = 0;
  shownPercent_ = -1;
  drawnAt_.reset();
}

bool progressWanted() {
  if (const char* forced = std::getenv("KX_PROGRESS")) {
    if (std::string_view(forced) == "1") return true;
    if (std::string_view(forced) == "0") return false;
  }
  return ::isatty(STDERR_FILENO) == 1;
}

db::Progress progressBarFor(std::string_view action, const std::filesystem::path& file,
                            std::uintmax_t bytes) {
  if (bytes < kProgressMinBytes) return {};
  auto bar = std::make_shared<ProgressBar>(std::string(action) + " " + file.filename().string());
  return [bar](double fraction) { bar->update(fraction); };
}

}  // namespace kx::editor
