#pragma once
// A bar that shows how far a long load or save has come, on standard error:
//   Loading plan.dxf  [#####     ]  48%
// redrawn in place with "\r" and cleared when the work ends.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "db/dxf_io.h"

namespace kx::editor {

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;
  using Sink = std::function<void(std::string_view)>;

  // `label` names the work ("Loading plan.dxf"). The bar goes to `sink` (standard error when
  // empty), `columns` wide at most (0: as wide as standard error's terminal, or 80).
  explicit ProgressBar(std::string label, Sink sink = {}, int columns = 0,
                       std::function<Clock::time_point()> now = {});
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // The work is `fraction` (0 to 1) done. The bar is redrawn at most ten times a second, and only
  // when the percentage it shows changes.
  void update(double fraction);
  // Clears the bar (also on destruction).
  void finish();

 private:
  void draw(int percent);

  std::string label_;
  Sink sink_;
  int columns_;
  std::function<Clock::time_point()> now_;
  std::optional<Clock::time_point> drawnAt_;
  int shownPercent_ = -1;
  std::size_t drawnWidth_ = 0;
};

// Work smaller than this is over too quickly for a bar.
inline constexpr std::uintmax_t kProgressMinBytes = 5'000'000;

// Whether bars are shown: when standard error is a terminal, or KX_PROGRESS=1 (KX_PROGRESS=0:
// never).
bool progressWanted();

// The Session::progress hook kxhost uses: a bar "ACTION FILE-NAME" for work of kProgressMinBytes
// or more, nothing for less.
db::Progress progressBarFor(std::string_view action, const std::filesystem::path& file,
                            std::uintmax_t bytes);

}  // namespace kx::editor
