// kxhost: opens a drawing (or starts a new one), loads extension modules, runs commands from -c
// lines and a script or standard input, then saves and renders the drawing.

#include <unistd.h>

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
#include "editor/input_source.h"
#include "editor/module_loader.h"
#include "editor/selection_prompt.h"
#include "editor/session.h"
#include "render/render.h"

namespace {

std::wstring wide(const std::string& utf8) {
  return kx::editor::decodeUtf8Line(utf8);
}

}  // namespace

int main(int argc, char** argv) {
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
  CLI11_PARSE(app, argc, argv);

  auto& session = kx::editor::Session::instance();
  session.configDir = configDir;
  session.productPreName = wide(preName);

  kx::editor::InputSource& input = kx::editor::InputSource::instance();
  for (const std::string& line : commandLines) input.queue(wide(line));
  if (!scriptPath.empty() && scriptPath != "-") {
    auto file = std::make_unique<std::ifstream>(scriptPath, std::ios::binary);
    if (!*file) {
      fmt::print(stderr, "kxhost: cannot read script {}\n", scriptPath);
      return 1;
    }
    input.setReader(std::make_unique<kx::editor::StreamLineReader>(std::move(file)));
  } else if (scriptPath == "-" || !isatty(STDIN_FILENO) || commandLines.empty()) {
    input.setReader(std::make_unique<kx::editor::StreamLineReader>(std::cin));
  }

  int status = 0;
  try {
    kx::db::Database db;
    if (drawingPath.empty()) {
      db = kx::db::newDrawing();
    } else {
      kx::db::LoadedDrawing loaded = kx::db::readDxfFile(drawingPath);
      for (const std::string& notice : loaded.notices)
        fmt::print(stderr, "{}: {}\n", drawingPath, notice);
      db = std::move(loaded.db);
    }
    session.open(std::move(db), drawingPath);

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

    kx::db::Database& drawing = kx::editor::activeDocument().db();
    if (!picturePath.empty()) {
      const kx::render::RenderReport report = kx::render::renderToFile(drawing, picturePath);
      for (const std::string& notice : report.notices)
        fmt::print(stderr, "{}: {}\n", picturePath, notice);
    }
    if (!outputPath.empty()) kx::db::saveDxfFile(drawing, outputPath);
    loader.unloadAll();
  } catch (const std::exception& e) {
    fmt::print(stderr, "kxhost: {}\n", e.what());
    status = 1;
  }
  std::fflush(stdout);
  return status;
}
