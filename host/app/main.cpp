// kxhost: opens a drawing (or starts a new one), loads extension modules, runs commands from -c
// lines and a script or standard input, then saves and renders the drawing.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "batch.h"
#include "db/dxf_io.h"
#include "db/new_drawing.h"
#include "dxf/encoding.h"
#include "dxf/text_buffer.h"
#include "editor/command_line.h"
#include "editor/command_stack.h"
#include "editor/error_output.h"
#include "editor/input_source.h"
#include "editor/module_loader.h"
#include "editor/progress.h"
#include "editor/selection_prompt.h"
#include "editor/session.h"
#include "editor/terminal_reader.h"
#include "kx/kxed.h"
#include "platform/resource_modules.h"
#include "render/render.h"
#include "support/utf8.h"

namespace {

using kx::editor::RunEvent;

// Exit statuses; the README lists them for batch callers.
constexpr int kFailed = 1;
constexpr int kBadOption = 2;

int exitStatusOf(RunEvent event) {
  switch (event) {
    case RunEvent::DrawingRepaired:
      return 3;
    case RunEvent::UnknownCommand:
      return 4;
    case RunEvent::CommandFailed:
      return 5;
    case RunEvent::ReplyRefused:
      return 6;
    case RunEvent::InputEndedInPrompt:
      return 7;
  }
  return kFailed;
}

std::string describe(RunEvent event) {
  switch (event) {
    case RunEvent::DrawingRepaired:
      return "the drawing was repaired on reading";
    case RunEvent::UnknownCommand:
      return "an unknown command";
    case RunEvent::CommandFailed:
      return "a command that failed";
    case RunEvent::ReplyRefused:
      return "a reply that was refused";
    case RunEvent::InputEndedInPrompt:
      return "the input ended inside a prompt";
  }
  return {};
}

std::wstring wide(const std::string& utf8) {
  return kx::support::decodeUtf8Lenient(utf8);
}

// A line on standard error. At the terminal the prompt left open is finished first, so the line
// stands on its own.
void errorLine(std::string_view line) {
  kx::editor::Transcript::instance().endOpenLine();
  kx::editor::printErrorLine(line);
}

// A standard stream that was closed when kxhost started would otherwise be the number the next
// file opened gets, and messages meant for standard error would land in a drawing being saved.
void keepStandardStreamsTaken() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // Opened in order, so it takes the number just found free.
    if (::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) std::_Exit(kFailed);
  }
}

// Where settings live when no --config names a folder: kxhost's folder in the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config), so a choice made in one run is there in the next.
// Empty (settings kept in memory only) when neither is known.
std::filesystem::path defaultConfigDir() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    return std::filesystem::path(xdg) / "kxhost";
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::filesystem::path(home) / ".config" / "kxhost";
  return {};
}

// Sets up typing at the terminal: line editing, history, Tab for command names.
void useTerminal(kx::editor::InputSource& input) {
  kx::editor::Transcript::instance().setHoldOpenLine(true);
  input.setReader(std::make_unique<kx::editor::TerminalReader>(
      kx::editor::historyFile(kx::editor::Session::instance().configDir),
      kx::editor::commandCompletions, errorLine));
  kx::editor::commandErrors = errorLine;
}

// Opens the script; the reason it cannot be read otherwise.
std::string openScript(const std::string& path, kx::editor::InputSource& input) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat info {};
  // A folder opens, and then fails on the first read.
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    return "it is a folder";
  }
  input.setReader(std::make_unique<kx::editor::FileLineReader>(fd, true));
  return {};
}

// An option that takes a value followed by another of kxhost's options: the value was left out,
// Numbers separated by `separators` (any of them between each two), exactly `count` of them.
std::optional<std::vector<double>> numbersOf(const std::string& text, std::string_view separators,
                                             std::size_t count) {
  std::vector<double> out;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = std::min(text.find_first_of(separators, at), text.size());
    const std::string piece = text.substr(at, end - at);
    char* stop = nullptr;
    const double value = std::strtod(piece.c_str(), &stop);
    if (piece.empty() || *stop != '\0' || !std::isfinite(value)) return std::nullopt;
    out.push_back(value);
    at = end + 1;
  }
  if (out.size() != count) return std::nullopt;
  return out;
}

// The picture's options as kxhost's command line gives them, checked before anything is read.
struct PictureOptions {
  std::string size, paper, scale, window, background = "light", layout;
  double dpi = 0;

  std::string refusal(kx::render::RenderOptions& look) const {
    if (!size.empty()) {
      const auto wh = numbersOf(size, "xX", 2);
      if (!wh || (*wh)[0] < 0 || (*wh)[1] < 0 || (*wh)[0] + (*wh)[1] == 0 || (*wh)[0] > 16384 ||
          (*wh)[1] > 16384)
        return "--size must be WxH, such as 1024x768 (0 for a side that follows the drawing)";
      const double w = (*wh)[0], h = (*wh)[1];
      look.width = static_cast<int>(w);  // 0: from the height and the drawing's aspect
      look.height = static_cast<int>(h);
    }
    if (!paper.empty()) {
      if (!size.empty()) return "--size and --paper do not go together";
      const auto sheet = kx::render::paperSizeOf(paper);
      if (!sheet) return "--paper must be A0 to A4, B4, B5, LETTER, LEGAL, TABLOID or WxH in mm";
      look.paperWidth = sheet->first;
      look.paperHeight = sheet->second;
      if (dpi > 0) look.dpi = dpi;
    } else if (dpi > 0 || !scale.empty()) {
      return "--dpi and --scale need a --paper";
    }
    if (!scale.empty()) {
      const auto ratio = numbersOf(scale, ":", 2);
      const auto plain = numbersOf(scale, ":", 1);
      if (ratio && (*ratio)[0] > 0 && (*ratio)[1] > 0)
        look.unitsPerMillimetre = (*ratio)[1] / (*ratio)[0];
      else if (plain && (*plain)[0] > 0)
        look.unitsPerMillimetre = (*plain)[0];
      else
        return "--scale must be 1:N (N drawing units to a millimetre of paper) or N";
    }
    if (!window.empty()) {
      const auto corners = numbersOf(window, ",", 4);
      if (!corners || (*corners)[0] == (*corners)[2] || (*corners)[1] == (*corners)[3])
        return "--window must be x1,y1,x2,y2, two opposite corners of a rectangle";
      look.window = kx::render::Window{(*corners)[0], (*corners)[1], (*corners)[2], (*corners)[3]};
    }
    if (background == "dark")
      look.background = {33, 40, 48};
    else if (background != "light")
      return "--background must be light or dark";
    look.layout = layout;
    return {};
  }
};

// and taking the option as the value would silently drop what it meant ("-c -o plan.dxf" would
// open plan.dxf and save nothing). A value that looks like an option is given as --command=-o.
std::string valueThatIsAnOption(const CLI::App& app, int argc, char** argv) {
  const auto isOurOption = [&](std::string_view word) {
    if (!word.starts_with('-') || word == "-") return false;
    for (const CLI::Option* option : app.get_options()) {
      for (const std::string& name : option->get_snames())
        if (word == "-" + name) return true;
      for (const std::string& name : option->get_lnames())
        if (word == "--" + name) return true;
    }
    return false;
  };
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--") break;
    if (!isOurOption(word)) continue;
    const CLI::Option* option = app.get_option_no_throw(std::string(word));
    if (option && option->get_items_expected_min() > 0 && isOurOption(argv[i + 1]))
      return fmt::format(
          "{} needs a value, but {} follows it (give a value that starts with '-' "
          "as {}=VALUE)",
          word, argv[i + 1], word.starts_with("--") ? word : option->get_name());
  }
  return {};
}

// The pre-name the user's language asks for when --prename names none: a simplified Chinese
// locale (zh_CN, zh_SG or plain zh) chooses the Chinese resource module where it is there beside
// every module to load, and anything else keeps the English one.
std::string preNameOfLocale(const std::vector<std::string>& modules) {
  std::string locale;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      locale = value;
      break;
    }
  }
  const std::string language = locale.substr(0, locale.find_first_of(".@"));
  if (language != "zh" && language != "zh_CN" && language != "zh_SG") return {};
  constexpr const char* kChinesePreName = "PqZh";
  std::vector<std::filesystem::path> folders;
  if (modules.empty()) folders.push_back(kx::editor::defaultModulePath().parent_path());
  for (const std::string& module : modules)
    folders.push_back(std::filesystem::absolute(module).parent_path());
  for (const auto& folder : folders) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(
            folder / (std::string(kChinesePreName) + "ExtendTextCmdsRes.dll"), error))
      return {};
  }
  return kChinesePreName;
}

}  // namespace

int main(int argc, char** argv) {
  keepStandardStreamsTaken();
  // Output to a pipe whose reader has gone is an error to shrug off, not a reason to die with the
  // drawing unsaved.
  std::signal(SIGPIPE, SIG_IGN);
  // Modules change letter case with the C library's wide-character mapping, which knows letters
  // beyond ASCII only in a UTF-8 locale; numbers keep the C locale's format.
  std::setlocale(LC_CTYPE, "C.UTF-8");
  const auto began = std::chrono::steady_clock::now();
  CLI::App app{"kxhost: a headless host for text commands on DXF drawings"};
  std::vector<std::string> drawingPaths;
  std::string listFile;
  std::string outDir;
  int jobs = 1;
  bool summary = false;
  std::string outputPath;
  std::string picturePath;
  std::string scriptPath;
  std::string configDir;
  std::string preName;
  std::vector<std::string> commandLines;
  std::vector<std::string> modules;
  bool strict = false;
  bool quiet = false;
  app.add_option("drawing", drawingPaths,
                 "DXF drawing to open (default: a new drawing); several, or a folder of them, run "
                 "the script on each");
  app.add_option("--list", listFile, "a file naming drawings (or folders), one a line");
  app.add_option("--out-dir", outDir, "folder the drawings of a batch are saved in");
  app.add_option("-j,--jobs", jobs, "how many drawings of a batch run at once")
      ->check(CLI::Range(1, 256));
  app.add_flag("--summary", summary,
               "a JSON line at the end: drawing, output, status, commands, texts_changed, "
               "repairs, seconds");
  app.add_option("-s,--script", scriptPath,
                 "replies, one a line ('-' = standard input; the default when standard input is "
                 "not a terminal)");
  // One value each time, so a drawing named after the -c lines is the drawing, not one more line.
  app.add_option("-c,--command", commandLines, "one line of input, run before the script")
      ->allow_extra_args(false);
  CLI::Option* output =
      app.add_option("-o,--output", outputPath, "save the drawing there when the input ends");
  app.add_option("--render", picturePath,
                 "picture of the drawing when the input ends (.png, .svg, .pdf)")
      ->check([](const std::string& path) {
        return kx::render::pictureFormatOf(path) ? std::string()
                                                 : std::string("must end in .png, .svg or .pdf");
      });
  PictureOptions pictureOptions;
  app.add_option("--size", pictureOptions.size,
                 "picture size WxH, pixels (PNG) or points (SVG, PDF); 0 for a side that follows "
                 "the drawing (default 1600x0)");
  app.add_option("--paper", pictureOptions.paper,
                 "a sheet instead: A0 to A4, B4, B5, LETTER, LEGAL, TABLOID or WxH in mm");
  app.add_option("--dpi", pictureOptions.dpi, "pixels per inch of the sheet in a PNG (96)");
  app.add_option("--scale", pictureOptions.scale,
                 "plot scale on the sheet: 1:N, N drawing units to a millimetre (default: fit)");
  app.add_option("--background", pictureOptions.background, "light (the default) or dark");
  app.add_option("--window", pictureOptions.window,
                 "x1,y1,x2,y2: the part of the drawing shown (default: all that is drawn)");
  app.add_option("--layout", pictureOptions.layout,
                 "the layout shown: Model or a layout's name (default: the current one)");
  app.add_option("-m,--module", modules,
                 "extension module to load (default: PqExtendTextCmds.nrx beside kxhost)")
      ->allow_extra_args(false);
  app.add_option("--config", configDir,
                 "folder of the user settings (default: $XDG_CONFIG_HOME/kxhost or "
                 "~/.config/kxhost)");
  app.add_option("--prename", preName,
                 "product pre-name the host reports: it names the resource module (PqZh: "
                 "simplified Chinese; default: from the locale, else English)");
  app.add_flag("--strict", strict,
               "stop at the first repair of the drawing, unknown or failed command, refused "
               "reply or prompt left open by the end of the input; nothing is saved then");
  app.add_flag("-q,--quiet", quiet,
               "no transcript on standard output (errors still go to standard error)");
  app.set_version_flag("--version", std::string("kxhost ") + KX_VERSION);
  try {
    if (const std::string why = valueThatIsAnOption(app, argc, argv); !why.empty()) {
      kx::editor::printErrorLine(fmt::format("kxhost: {} (see kxhost --help)", why));
      return kBadOption;
    }
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::string reason = e.what();
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    kx::editor::printErrorLine(fmt::format("kxhost: {} (see kxhost --help)", reason));
    return kBadOption;
  }
  kx::render::RenderOptions look;
  if (const std::string why = pictureOptions.refusal(look); !why.empty()) {
    kx::editor::printErrorLine(fmt::format("kxhost: {} (see kxhost --help)", why));
    return kBadOption;
  }
  // Before anything is read or run: a run whose result cannot be saved is not started.
  if (output->count() > 0) {
    if (const std::string why = kx::editor::outputRefusal(outputPath); !why.empty()) {
      kx::editor::printErrorLine(fmt::format("kxhost: -o {}: {}", outputPath, why));
      return kBadOption;
    }
  }

  // Several drawings, a folder, a list or an output folder: the batch runs kxhost on each.
  if (drawingPaths.size() > 1 || !listFile.empty() || !outDir.empty() ||
      (drawingPaths.size() == 1 && std::filesystem::is_directory(drawingPaths[0]))) {
    const auto refuse = [](const std::string& why) {
      kx::editor::printErrorLine(fmt::format("kxhost: {} (see kxhost --help)", why));
      return kBadOption;
    };
    const std::string named = drawingPaths.size() > 1 ? " (" + drawingPaths[1] + ")" : "";
    if (outDir.empty()) return refuse("a batch of drawings" + named + " needs --out-dir DIR");
    if (scriptPath.empty() || scriptPath == "-")
      return refuse("a batch of drawings" + named + " needs its script as -s FILE");
    if (output->count() > 0 || !picturePath.empty())
      return refuse("a batch saves into --out-dir; -o and --render are for one drawing");
    kx::app::BatchOptions batch;
    try {
      batch.drawings = kx::app::collectDrawings(drawingPaths, listFile);
    } catch (const std::exception& e) {
      kx::editor::printErrorLine(fmt::format("kxhost: {}", e.what()));
      return kFailed;
    }
    batch.outDir = outDir;
    batch.jobs = jobs;
    batch.runArguments = {"-s", scriptPath};
    for (const std::string& line : commandLines) batch.runArguments.push_back("--command=" + line);
    for (const std::string& module : modules) batch.runArguments.push_back("--module=" + module);
    if (!configDir.empty()) batch.runArguments.push_back("--config=" + configDir);
    if (!preName.empty()) batch.runArguments.push_back("--prename=" + preName);
    if (strict) batch.runArguments.push_back("--strict");
    if (const std::string why = kx::app::batchRefusal(batch); !why.empty()) return refuse(why);
    return kx::app::runBatch(batch);
  }
  const std::string drawingPath = drawingPaths.empty() ? std::string() : drawingPaths[0];

  auto& session = kx::editor::Session::instance();
  session.configDir = configDir.empty() ? defaultConfigDir() : std::filesystem::path(configDir);
  session.productPreName = wide(preName.empty() ? preNameOfLocale(modules) : preName);

  if (kx::editor::progressWanted()) session.progress = kx::editor::progressBarFor;
  if (quiet) session.output = [](std::wstring_view) {};
  kx::editor::moduleCommandHelp =
      [](std::wstring_view name) -> std::optional<kx::editor::CommandHelp> {
    auto help = kx::platform::commandHelp(name);
    if (!help) return std::nullopt;
    return kx::editor::CommandHelp{std::move(help->about), std::move(help->usage)};
  };

  kx::editor::InputSource& input = kx::editor::InputSource::instance();
  for (std::string& line : commandLines) input.queueBytes(std::move(line));
  const bool atTerminal =
      scriptPath.empty() && commandLines.empty() && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
  const std::string scriptName =
      !scriptPath.empty() && scriptPath != "-" ? scriptPath : std::string("standard input");
  if (!scriptPath.empty() && scriptPath != "-") {
    if (const std::string why = openScript(scriptPath, input); !why.empty()) {
      kx::editor::printErrorLine(fmt::format("kxhost: cannot read script {}: {}", scriptPath, why));
      return kFailed;
    }
  } else if (atTerminal) {
    useTerminal(input);
  } else if (scriptPath == "-" || !isatty(STDIN_FILENO) || commandLines.empty()) {
    input.setReader(std::make_unique<kx::editor::FileLineReader>(STDIN_FILENO, false));
  }
  if (strict) session.events.onNote = [&input](RunEvent) { input.close(); };

  int status = 0;
  kx::app::RunSummary told;
  told.drawing = drawingPath;
  try {
    if (drawingPath.empty()) {
      session.open(kx::db::newDrawing());
      kxutPrintf(L"Drawing: a new drawing from the R2018 template\n");
    } else {
      std::vector<std::string> notices;
      session.openFile(drawingPath, notices);
      told.repairs = static_cast<int>(notices.size());
      for (const std::string& notice : notices)
        kx::editor::printErrorLine(fmt::format("{}: {}", drawingPath, notice));
      kxutPrintf(L"Drawing: %s\n", wide(drawingPath).c_str());
    }

    kx::editor::ModuleLoader loader;
    kx::editor::CommandLineOutcome outcome;
    // A repaired drawing under --strict is not worked on at all.
    if (!strict || !session.events.first()) {
      if (modules.empty()) {
        const auto beside = kx::editor::defaultModulePath();
        if (std::filesystem::exists(beside)) loader.load(beside);
      }
      for (const std::string& module : modules) loader.load(module);

      kx::editor::CommandLineOptions options;
      if (!outputPath.empty()) options.output = outputPath;
      options.askBeforeLeaving = atTerminal;
      options.enterRepeats = atTerminal;
      kx::editor::registerHostCommands(options);
      kx::editor::installSelectionPrompter();
      if (atTerminal) {
        const std::wstring name =
            drawingPath.empty() ? std::wstring(L"a new drawing")
                                : wide(std::filesystem::path(drawingPath).filename().string());
        kxutPrintf(L"kxhost %s, %s: %d commands (HELP lists them, U takes one back)\n",
                   wide(KX_VERSION).c_str(), name.c_str(),
                   static_cast<int>(kx::editor::commandCount()));
      }
      outcome = kx::editor::runCommandLine();
    }
    // The input has ended: what the transcript still holds is printed, and the line editor lets
    // the terminal go and keeps its history.
    kx::editor::Transcript::instance().setHoldOpenLine(false);
    const std::string readFailure = input.failure();
    input.reset();

    if (!readFailure.empty()) {
      // What was left unread was meant to run too; the drawing is not what the script meant.
      kx::editor::printErrorLine(fmt::format(
          "kxhost: cannot read {}: {}; the drawing was not saved", scriptName, readFailure));
      status = kFailed;
    } else if (strict && session.events.first()) {
      kx::editor::printErrorLine(
          fmt::format("kxhost: stopped at {} (--strict); the drawing was not saved",
                      describe(*session.events.first())));
      status = exitStatusOf(*session.events.first());
    } else {
      // The drawing is saved before the picture is drawn, so a picture that fails loses no work.
      kx::editor::Document& document = kx::editor::activeDocument();
      if (!outputPath.empty() && outcome.leaving == kx::editor::Leaving::AsUsual) {
        session.save(document, outputPath);
        told.output = outputPath;
      }
      if (!picturePath.empty()) {
        // A highlight a command left behind shows, as it would on the user's screen.
        look.highlighted = document.highlighted();
        // A big drawing takes a while to draw: a bar shows how far it has come, once it has taken
        // long enough to be worth one.
        std::optional<kx::editor::ProgressBar> bar;
        const auto started = std::chrono::steady_clock::now();
        if (kx::editor::progressWanted())
          look.progress = [&](double done) {
            if (!bar && std::chrono::steady_clock::now() - started > std::chrono::seconds(1))
              bar.emplace(fmt::format("Drawing {}", picturePath));
            if (bar) bar->update(done);
          };
        // The files of the drawing's images are looked for beside it.
        std::error_code noFolder;
        if (!drawingPath.empty())
          look.imageFolder = std::filesystem::absolute(drawingPath, noFolder).parent_path();
        const kx::render::RenderReport report =
            kx::render::renderToFile(document.db(), picturePath, look);
        if (bar) bar->finish();
        for (const std::string& notice : report.notices)
          kx::editor::printErrorLine(fmt::format("{}: {}", picturePath, notice));
      }
      if (const auto first = session.events.first()) status = exitStatusOf(*first);
    }
    told.commands = outcome.commandsRun;
    told.textsChanged = outcome.textsChanged;
    loader.unloadAll();
  } catch (const std::exception& e) {
    kx::editor::Transcript::instance().setHoldOpenLine(false);
    std::fflush(stdout);
    kx::editor::printErrorLine(fmt::format("kxhost: {}", e.what()));
    status = kFailed;
  }
  input.reset();
  std::fflush(stdout);
  if (summary) {
    told.status = status;
    told.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const std::string line = kx::app::jsonLine(told);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }
  return status;
}
