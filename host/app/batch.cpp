#include "batch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "editor/error_output.h"
#include "editor/progress.h"
#include "support/utf8.h"

extern char** environ;

namespace kx::app {
namespace fs = std::filesystem;

namespace {

std::string jsonString(std::string_view bytes) {
  // Paths need not be UTF-8; what is not comes out as U+FFFD rather than as broken JSON.
  const std::string text = support::toUtf8(support::decodeUtf8Lenient(bytes));
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20)
          out += fmt::format("\\u{:04x}", static_cast<unsigned char>(c));
        else
          out += c;
    }
  }
  return out + '"';
}

bool isDxfName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".dxf";
}

void addNamed(const std::string& name, std::vector<fs::path>& drawings) {
  std::error_code error;
  if (!fs::is_directory(name, error)) {
    if (!fs::exists(name, error)) throw std::runtime_error(name + ": no such file or folder");
    drawings.emplace_back(name);
    return;
  }
  std::vector<fs::path> found;
  for (const fs::directory_entry& entry : fs::directory_iterator(name, error))
    if (isDxfName(entry.path()) && !entry.is_directory(error)) found.push_back(entry.path());
  if (error) throw std::runtime_error(name + ": " + error.message());
  std::sort(found.begin(), found.end());
  drawings.insert(drawings.end(), found.begin(), found.end());
}

// A run in progress: its process, and the pipe its summary line comes through.
struct Running {
  std::size_t index;
  int output;
  std::chrono::steady_clock::time_point started;
};

std::optional<Running> start(const BatchOptions& options, std::size_t index,
                             std::vector<std::string>& environment, pid_t& pid) {
  const fs::path& drawing = options.drawings[index];
  std::vector<std::string> arguments = {"kxhost", drawing.string(),
                                        "-q",     "--summary",
                                        "-o",     (options.outDir / drawing.filename()).string()};
  arguments.insert(arguments.end(), options.runArguments.begin(), options.runArguments.end());
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // A run reads its script, never the batch's standard input.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  const int failed =
      posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (failed != 0) {
    ::close(pipeEnds[0]);
    return std::nullopt;
  }
  return Running{index, pipeEnds[0], std::chrono::steady_clock::now()};
}

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      text.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(fd);
  return text;
}

void writeOut(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

std::string jsonLine(const RunSummary& s) {
  std::string line = "{\"drawing\": " + jsonString(s.drawing) +
                     ", \"output\": " + (s.output.empty() ? "null" : jsonString(s.output)) +
                     fmt::format(
                         ", \"status\": {}, \"commands\": {}, \"texts_changed\": {}, "
                         "\"repairs\": {}, \"seconds\": {:.3f}",
                         s.status, s.commands, s.textsChanged, s.repairs, s.seconds);
  if (!s.error.empty()) line += ", \"error\": " + jsonString(s.error);
  return line + "}\n";
}

std::vector<fs::path> collectDrawings(const std::vector<std::string>& named,
                                      const std::string& listFile) {
  std::vector<fs::path> drawings;
  for (const std::string& name : named) addNamed(name, drawings);
  if (!listFile.empty()) {
    std::ifstream list(listFile);
    if (!list) throw std::runtime_error("cannot read the list " + listFile);
    for (std::string line; std::getline(list, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const auto first = line.find_first_not_of(" \t");
      if (first == std::string::npos || line[first] == ';') continue;
      addNamed(line, drawings);
    }
  }
  return drawings;
}

std::string batchRefusal(const BatchOptions& options) {
  std::map<fs::path, const fs::path*> byName;
  for (const fs::path& drawing : options.drawings) {
    const auto [at, added] = byName.emplace(drawing.filename(), &drawing);
    if (!added)
      return fmt::format("{} and {} would both be saved as {}", at->second->string(),
                         drawing.string(), (options.outDir / drawing.filename()).string());
  }
  std::error_code error;
  fs::create_directories(options.outDir, error);
  if (!fs::is_directory(options.outDir))
    return fmt::format("--out-dir {}: {}", options.outDir.string(),
                       error ? error.message() : std::string("it is not a folder"));
  for (const fs::path& drawing : options.drawings)
    if (fs::equivalent(drawing, options.outDir / drawing.filename(), error))
      return fmt::format("{} would be saved over itself; give another --out-dir", drawing.string());
  return {};
}

int runBatch(const BatchOptions& options) {
  const auto began = std::chrono::steady_clock::now();
  // Each run's own progress bars would fight over the terminal with the batch's line.
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e)
    if (!std::string_view(*e).starts_with("KX_PROGRESS=")) environment.emplace_back(*e);
  environment.emplace_back("KX_PROGRESS=0");
  const bool showProgress = editor::progressWanted();
  const std::size_t total = options.drawings.size();

  std::vector<RunSummary> results(total);
  std::map<pid_t, Running> running;
  std::size_t next = 0, done = 0;
  std::size_t shownWidth = 0;
  const auto showProgressLine = [&](const std::string& text) {
    if (!showProgress) return;
    std::string line = "\r" + text;
    if (text.size() < shownWidth) line += std::string(shownWidth - text.size(), ' ') + "\r";
    shownWidth = text.size();
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    std::clearerr(stderr);
  };

  while (done < total) {
    while (next < total && running.size() < static_cast<std::size_t>(std::max(1, options.jobs))) {
      pid_t pid = 0;
      const std::size_t index = next++;
      if (auto run = start(options, index, environment, pid)) {
        running.emplace(pid, *run);
        showProgressLine(
            fmt::format("{}/{} {}", index + 1, total, options.drawings[index].filename().string()));
      } else {
        results[index] = {options.drawings[index].string(), {}, 1, 0, 0, 0, 0,
                          "kxhost could not be started"};
        writeOut(jsonLine(results[index]));
        ++done;
      }
    }
    int waitStatus = 0;
    const pid_t pid = ::waitpid(-1, &waitStatus, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;
    }
    const auto found = running.find(pid);
    if (found == running.end()) continue;
    const Running run = found->second;
    running.erase(found);
    ++done;
    const std::string told = readAll(run.output);
    RunSummary& result = results[run.index];
    result.drawing = options.drawings[run.index].string();
    if (WIFEXITED(waitStatus)) {
      result.status = WEXITSTATUS(waitStatus);
    } else {
      result.status = 128 + WTERMSIG(waitStatus);
      result.error = fmt::format("ended by signal {}", WTERMSIG(waitStatus));
    }
    // A run that ended without its line (killed, or it crashed) is told here instead.
    const std::size_t lineEnd = told.find('\n');
    if (told.starts_with("{\"drawing\"") && lineEnd != std::string::npos) {
      writeOut(told.substr(0, lineEnd + 1));
    } else {
      result.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - run.started).count();
      writeOut(jsonLine(result));
    }
  }
  showProgressLine("");

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::size_t clean = 0;
  std::string others;
  int status = 0;
  for (const RunSummary& result : results) {
    if (result.status == 0) {
      ++clean;
      continue;
    }
    if (status == 0) status = result.status;
    others += fmt::format("{}{} ({})", others.empty() ? "" : ", ",
                          fs::path(result.drawing).filename().string(), result.status);
  }
  editor::printErrorLine(fmt::format(
      "kxhost: {} drawing(s) in {:.1f} s with {} job(s): {} ended with 0{}{}", total, seconds,
      std::max(1, options.jobs), clean, others.empty() ? "" : "; not: ", others));
  return status;
}

}  // namespace kx::app
