// kxhost: opens a drawing (or starts a new one), loads extension modules, runs commands from -c
// lines and a script or standard input, then saves and renders the drawing.

#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "db/dxf_io.h"
#include "db/new_drawing.h"
#include "dxf/encoding.h"
#include "editor/command_line.h"
#include "editor/command_stack.h"
#include "editor/input_source.h"
#include "editor/module_loader.h"
#include "editor/progress.h"
#include "editor/selection_prompt.h"
#include "editor/session.h"
#include "editor/terminal_reader.h"
#include "render/render.h"
#include "support/utf8.h"

namespace {

std::wstring wide(const std::string& utf8) {
  return kx::support::decodeUtf8Lenient(utf8);
}

// A line on standard error. At the terminal the prompt left open is finished first, so the line
// stands on its own.
void errorLine(std::string_view line) {
  kx::editor::Transcript::instance().endOpenLine();
  fmt::print(stderr, "{}\n", line);
}

// Sets up typing at the terminal: line editing, history, Tab for command names.
void useTerminal(kx::editor::InputSource& input) {
  kx::editor::Transcript::instance().setHoldOpenLine(true);
  input.setReader(std::make_unique<kx::editor::TerminalReader>(
      kx::editor::historyFile(kx::editor::Session::instance().configDir),
      kx::editor::commandCompletions, errorLine));
  kx::editor::commandErrors = errorLine;
}

}  // namespace

int main(int argc, char** argv) {
  // Modules change letter case with the C library's wide-character mapping, which knows letters
  // beyond ASCII only in a UTF-8 locale; numbers keep the C locale's format.
  std::setlocale(LC_CTYPE, "C.UTF-8");
  CLI::App app{"kxhost: a headless host for text commands on DXF drawings"};
  std::string drawingPath;
  std::string outputPath;
  std::string picturePath;
  std::string scriptPath;
  std::string configDir;
  std::string preName;
  std::vector<std::string> commandLines;
  std::vector<std::string> modules;
  app.add_option("drawing", drawingPath, "DXF drawing to open (default: a new drawing)");
  app.add_option("-s,--script", scriptPath,
                 "replies, one a line ('-' = standard input; the default when standard input is "
                 "not a terminal)");
  app.add_option("-c,--command", commandLines, "one line of input, run before the script");
  app.add_option("-o,--output", outputPath, "save the drawing there when the input ends");
  app.add_option("--render", picturePath,
                 "picture of the drawing when the input ends (.png, .svg, .pdf)")
      ->check([](const std::string& path) {
        return kx::render::pictureFormatOf(path) ? std::string()
                                                 : std::string("must end in .png, .svg or .pdf");
      });
  app.add_option("-m,--module", modules,
                 "extension module to load (default: PqExtendTextCmds.nrx beside kxhost)");
  app.add_option("--config", configDir, "folder of the user settings");
  app.add_option("--prename", preName, "product pre-name the host reports");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::string reason = e.what();
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    fmt::print(stderr, "kxhost: {} (see kxhost --help)\n", reason);
    return 2;
  }

  auto& session = kx::editor::Session::instance();
  session.configDir = configDir;
  session.productPreName = wide(preName);

  if (kx::editor::progressWanted()) session.progress = kx::editor::progressBarFor;

  kx::editor::InputSource& input = kx::editor::InputSource::instance();
  for (const std::string& line : commandLines) input.queue(wide(line));
  if (!scriptPath.empty() && scriptPath != "-") {
    std::error_code error;
    auto file = std::make_unique<std::ifstream>(scriptPath, std::ios::binary);
    // A folder opens as a stream too, and then reads as nothing.
    if (!*file || std::filesystem::is_directory(scriptPath, error)) {
      fmt::print(stderr, "kxhost: cannot read script {}\n", scriptPath);
      return 1;
    }
    input.setReader(std::make_unique<kx::editor::StreamLineReader>(std::move(file)));
  } else if (scriptPath.empty() && commandLines.empty() && isatty(STDIN_FILENO) &&
             isatty(STDOUT_FILENO)) {
    useTerminal(input);
  } else if (scriptPath == "-" || !isatty(STDIN_FILENO) || commandLines.empty()) {
    input.setReader(std::make_unique<kx::editor::StreamLineReader>(std::cin));
  }

  int status = 0;
  try {
    if (drawingPath.empty()) {
      session.open(kx::db::newDrawing());
    } else {
      std::vector<std::string> notices;
      session.openFile(drawingPath, notices);
      for (const std::string& notice : notices) fmt::print(stderr, "{}: {}\n", drawingPath, notice);
    }

    kx::editor::ModuleLoader loader;
    if (modules.empty()) {
      const auto beside = kx::editor::defaultModulePath();
      if (std::filesystem::exists(beside)) loader.load(beside);
    }
    for (const std::string& module : modules) loader.load(module);

    kx::editor::CommandLineOptions options;
    if (!outputPath.empty()) options.output = outputPath;
    kx::editor::registerHostCommands(options);
    kx::editor::installSelectionPrompter();
    kx::editor::runCommandLine();
    // The input has ended: what the transcript still holds is printed, and the line editor lets
    // the terminal go and keeps its history.
    kx::editor::Transcript::instance().setHoldOpenLine(false);
    input.reset();

    // The drawing is saved before the picture is drawn, so a picture that fails loses no work.
    kx::editor::Document& document = kx::editor::activeDocument();
    if (!outputPath.empty()) session.save(document, outputPath);
    if (!picturePath.empty()) {
      // A highlight a command left behind shows, as it would on the user's screen.
      kx::render::RenderOptions look;
      look.highlighted = document.highlighted();
      const kx::render::RenderReport report =
          kx::render::renderToFile(document.db(), picturePath, look);
      for (const std::string& notice : report.notices)
        fmt::print(stderr, "{}: {}\n", picturePath, notice);
    }
    loader.unloadAll();
  } catch (const std::exception& e) {
    kx::editor::Transcript::instance().setHoldOpenLine(false);
    std::fflush(stdout);
    fmt::print(stderr, "kxhost: {}\n", e.what());
    status = 1;
  }
  input.reset();
  std::fflush(stdout);
  return status;
}
