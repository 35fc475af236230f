// Load/save throughput of the DXF reader and writer on one drawing.
//
//   dxf_io_bench FILE [--runs N]   times readDxf and writeDxf on the file held in memory (best of
//   N,
//                                  3 by default), so the numbers are the parser's and the writer's,
//                                  not the disk's
//   dxf_io_bench --once FILE OUT   loads FILE with readDxfFile, saves it to OUT with saveDxfFile
//   and
//                                  reports the peak resident memory of doing just that, which is
//                                  what a user opening and saving the drawing sees
//
// Both modes end with one "key=value ..." line for scripts. MB is 10^6 bytes throughout.

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "db/dxf_io.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this thread, user and system (page faults land in the latter). On a machine shared
// with other work the wall clock also counts time spent waiting for a core; this does not.
double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Wall and CPU seconds of one call, keeping the best of each over the runs.
struct Timing {
  double bestWall = 1e300;
  double bestCpu = 1e300;
  // Times `f` and prints one line for it.
  template <typename F>
  void measure(std::string_view what, double mb, F&& f) {
    const double cpu0 = threadCpuSeconds();
    const auto start = Clock::now();
    f();
    const double wall = secondsSince(start);
    const double cpu = threadCpuSeconds() - cpu0;
    fmt::print("  {:5} {:.3f} s {:7.1f} MB/s   cpu {:.3f} s {:7.1f} MB/s\n", what, wall, mb / wall,
               cpu, mb / cpu);
    bestWall = std::min(bestWall, wall);
    bestCpu = std::min(bestCpu, cpu);
  }
};

double peakResidentMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;  // ru_maxrss is in KiB on Linux
}

std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text(std::filesystem::file_size(path), '\0');
  if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
    throw std::runtime_error(fmt::format("{}: cannot read", path.string()));
  return text;
}

int usage() {
  fmt::print(stderr,
             "usage: dxf_io_bench FILE [--runs N]\n"
             "       dxf_io_bench --once FILE OUT\n");
  return 2;
}

int timeInMemory(const std::string& path, int runs) {
  const std::string text = readWholeFile(path);
  const double mb = static_cast<double>(text.size()) / 1e6;
  fmt::print("{}: {:.1f} MB, best of {} runs\n", path, mb, runs);

  Timing read;
  std::optional<kx::db::LoadedDrawing> loaded;
  for (int i = 0; i < runs; ++i) {
    loaded.reset();                  // the previous drawing's teardown is not part of the next read
    kx::dxf::TextBuffer copy(text);  // readDxf takes the text; copying it is not the reader's cost
    read.measure("read", mb, [&] { loaded.emplace(kx::db::readDxf(std::move(copy), path)); });
  }
  for (const std::string& notice : loaded->notices) fmt::print("  notice: {}\n", notice);

  Timing write;
  bool identical = true;
  for (int i = 0; i < runs; ++i) {
    std::string out;
    write.measure("write", mb, [&] { out = kx::db::writeDxf(loaded->db); });
    identical = identical && out == text;
  }
  // An unchanged drawing must come back byte for byte; a benchmark of a writer that drops or
  // rewrites data would be meaningless.
  fmt::print("  saved text {} the input\n", identical ? "is identical to" : "DIFFERS from");

  fmt::print(
      "file_mb={:.3f} read_s={:.4f} read_mbps={:.1f} write_s={:.4f} write_mbps={:.1f} "
      "read_cpu_mbps={:.1f} write_cpu_mbps={:.1f} identical={}\n",
      mb, read.bestWall, mb / read.bestWall, write.bestWall, mb / write.bestWall, mb / read.bestCpu,
      mb / write.bestCpu, identical ? 1 : 0);
  return identical ? 0 : 1;
}

int loadAndSaveOnce(const std::string& path, const std::string& out) {
  const double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  const auto start = Clock::now();
  kx::db::LoadedDrawing loaded = kx::db::readDxfFile(path);
  const double readSeconds = secondsSince(start);
  const double afterLoad = peakResidentMB();
  const auto saveStart = Clock::now();
  kx::db::saveDxfFile(loaded.db, out);
  const double saveSeconds = secondsSince(saveStart);
  const double peak = peakResidentMB();
  fmt::print(
      "{}: {:.1f} MB; load {:.3f} s, save {:.3f} s; peak resident {:.1f} MB after load, "
      "{:.1f} MB after save ({:.2f} x the file)\n",
      path, mb, readSeconds, saveSeconds, afterLoad, peak, peak / mb);
  fmt::print("file_mb={:.3f} load_s={:.4f} save_s={:.4f} peak_load_mb={:.1f} peak_mb={:.1f}\n", mb,
             readSeconds, saveSeconds, afterLoad, peak);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (first == "--once") {
      if (argc != 4) return usage();
      return loadAndSaveOnce(argv[2], argv[3]);
    }
    int runs = 3;
    if (argc == 4 && std::string_view(argv[2]) == "--runs") {
      runs = std::atoi(argv[3]);
      if (runs < 1) return usage();
    } else if (argc != 2) {
      return usage();
    }
    return timeInMemory(argv[1], runs);
  } catch (const std::exception& e) {
    fmt::print(stderr, "dxf_io_bench: {}\n", e.what());
    return 1;
  }
}
