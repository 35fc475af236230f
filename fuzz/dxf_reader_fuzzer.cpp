// Feeds arbitrary bytes to the DXF reader and checks the promises the load/save path makes:
//  - a drawing is either read or refused with DxfError; any other exception is a bug and is left
//    to escape so libFuzzer reports it;
//  - what we write we can read again, and writing that again gives the same text;
//  - a drawing that loaded without a single notice is written back byte for byte.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "db/dxf_io.h"

namespace {

[[noreturn]] void violated(const char* what, std::string_view expected, std::string_view got) {
  // Say where the texts part, so a reproducer can be read without a debugger.
  std::size_t at = 0;
  while (at < expected.size() && at < got.size() && expected[at] == got[at]) ++at;
  std::fprintf(stderr, "dxf_reader_fuzzer: %s (sizes %zu and %zu, first difference at byte %zu)\n",
               what, expected.size(), got.size(), at);
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);

  kx::db::LoadedDrawing loaded;
  try {
    loaded = kx::db::readDxf(input, "fuzz.dxf");
  } catch (const kx::db::DxfError&) {
    return 0;  // a clean refusal
  }

  const std::string written = kx::db::writeDxf(loaded.db);
  if (loaded.notices.empty() && written != input)
    violated("a drawing read without notices was not written back unchanged", input, written);

  kx::db::LoadedDrawing again;
  try {
    again = kx::db::readDxf(written, "fuzz-written.dxf");
  } catch (const kx::db::DxfError& e) {
    std::fprintf(stderr, "dxf_reader_fuzzer: written text refused: %s\n", e.what());
    __builtin_trap();
  }
  const std::string rewritten = kx::db::writeDxf(again.db);
  if (rewritten != written)
    violated("writing a written drawing again changed it", written, rewritten);
  return 0;
}
