#pragma once
// A drawing read by ezdxf, a reader we did not write: the test's Python lines run with the saved
// drawing open as `doc`, and what they print comes back. An `assert` that fails makes the run
// fail.

#include <cstdlib>
#include <string>
#include <string_view>

#include "db/dxf_io.h"
#include "support/files.h"

namespace kx::test {

inline bool haveEzdxf() {
  return std::system("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null") == 0;
}

struct EzdxfRun {
  bool ok = false;      // the lines ran to their end
  std::string printed;  // what they printed, UTF-8
};

inline EzdxfRun readWithEzdxf(db::Database& db, std::string_view lines) {
  const TempFolder folder("ezdxf");
  db::saveDxfFile(db, folder / "drawing.dxf");
  folder.write("check.py", "import sys, ezdxf\ndoc = ezdxf.readfile(sys.argv[1])\n" +
                               std::string(lines) + "\n");
  const std::string command = "/usr/bin/python3 " + (folder / "check.py").string() + " " +
                              (folder / "drawing.dxf").string() + " > " +
                              (folder / "printed.txt").string();
  EzdxfRun run;
  run.ok = std::system(command.c_str()) == 0;
  run.printed = readFile(folder / "printed.txt");
  return run;
}

}  // namespace kx::test
