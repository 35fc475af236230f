// The one export of the resource module: the table the host reads through dlsym.

#include <vector>

#include "resource_parts.h"

namespace kx::resources {
namespace {

KxResourceTable buildTable() {
  // The families keep their strings apart; the host wants them in one array. Built once, on
  // the host's first look, and kept until the library is unloaded.
  static const std::vector<KxStringResource> strings = [] {
    std::vector<KxStringResource> all;
    for (auto family : {frameStrings(), editStrings(), layoutStrings(), convertStrings(),
                        decorateStrings(), attributeStrings(), helpStrings()})
      all.insert(all.end(), family.begin(), family.end());
    return all;
  }();
  const auto dialogs = dialogTemplates();
  const auto commands = commandHelp();
  return {KX_RESOURCE_TABLE_VERSION,
          strings.data(),
          static_cast<std::uint32_t>(strings.size()),
          dialogs.data(),
          static_cast<std::uint32_t>(dialogs.size()),
          commands.data(),
          static_cast<std::uint32_t>(commands.size())};
}

}  // namespace
}  // namespace kx::resources

extern "C" __attribute__((visibility("default"))) const KxResourceTable* kxResourceTable() {
  static const KxResourceTable table = kx::resources::buildTable();
  return &table;
}
