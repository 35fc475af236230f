#pragma once
// kxhost on many drawings: the same script on each, in processes of their own (so a drawing
// starts as a single run would, whatever the one before left in a module's memory, and a crash
// costs one drawing), several at a time with --jobs. Each drawing gives one JSON line on standard
// output; a terminal sees "3/40 plan.dxf" while it runs and a summary at the end.

#include <filesystem>
#include <string>
#include <vector>

namespace kx::app {

// What one run tells a batch about its drawing (kxhost --summary prints it as a JSON line).
struct RunSummary {
  std::string drawing;
  std::string output;  // where it was saved; empty when it was not
  int status = 0;
  int commands = 0;
  int textsChanged = 0;
  int repairs = 0;  // lines the reader reported about the drawing
  double seconds = 0;
  std::string error;  // for a run that ended without telling (killed by a signal)
};

std::string jsonLine(const RunSummary& summary);

// The drawings `named` stand for: a file as it is, a folder's .dxf files (sorted, not in its
// subfolders), and with `listFile` its lines (blank lines and ';' comments skipped). Throws
// std::runtime_error for a name that is neither, or a list that cannot be read.
std::vector<std::filesystem::path> collectDrawings(const std::vector<std::string>& named,
                                                   const std::string& listFile);

struct BatchOptions {
  std::vector<std::filesystem::path> drawings;
  std::filesystem::path outDir;
  int jobs = 1;
  // The options each run gets besides its drawing and -o: the script, -c lines, modules, ...
  std::vector<std::string> runArguments;
};

// Why the batch cannot start (two drawings that would be saved under one name, an output
// folder that cannot be made); empty when it can.
std::string batchRefusal(const BatchOptions& options);

// Runs every drawing; the exit status is 0 when each run ended with 0, else that of the first
// drawing (in the order given) that did not.
int runBatch(const BatchOptions& options);

}  // namespace kx::app
