#pragma once
// Helpers for the module's tests: a drawing open in the host with the resource module current,
// texts made through the SDK, and the texts of the resource module to compare the transcript
// with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/input_source.h"
#include "editor/selection_prompt.h"
#include "frame/resource_module.h"
#include "kx/kxsdk.h"
#include "support/globals.h"
#include "support/sdk_fixture.h"

namespace kx::test {

class ModuleTest : public SdkTest {
 protected:
  ModuleTest() {
    editor::installSelectionPrompter();
    openNew();
    loaded_ = loadResourceModule() != nullptr;
  }
  ~ModuleTest() override { freeResourceModule(); }
  void SetUp() override { ASSERT_TRUE(loaded_) << "the resource module did not load"; }

  // A TEXT with its insertion point, height, rotation and normal; its entity name.
  std::vector<std::int64_t> makeText(const wchar_t* text, KxGePoint3d at, double height = 2.5,
                                     double rotation = 0, KxGeVector3d normal = {0, 0, 1}) {
    const double point[3] = {at.x, at.y, at.z};
    const double extrusion[3] = {normal.x, normal.y, normal.z};
    resbuf* list = kxutBuildList(KXRT_DXF0, L"TEXT", 10, point, 40, height, 1, text, 50, rotation,
                                 210, extrusion, 0);
    EXPECT_EQ(kxdbEntMake(list), KXRT_NORM);
    kxutRelRb(list);
    return lastEntity();
  }

  std::vector<std::int64_t> lastEntity() {
    kds_name name{};
    kxdbEntLast(name);
    return {name[0], name[1]};
  }

  // A set of the entities in the order given.
  void setOf(const std::vector<std::vector<std::int64_t>>& entities, kds_name set) {
    kxedSSAdd(nullptr, nullptr, set);
    for (const auto& e : entities) {
      const kds_name name = {e[0], e[1]};
      kxedSSAdd(name, set, set);
    }
  }

  // String `id` of the resource module formatted with the arguments, as a command prints it,
  // without the line break it starts with (the transcript starts a new line only once).
  template <typename... Args>
  std::wstring message(UINT id, Args... args) {
    CString text;
    loadResourceModuleString(id, text);
    if constexpr (sizeof...(Args) > 0) text.Format(static_cast<const wchar_t*>(text), args...);
    std::wstring shown = text.str();
    shown.erase(0, shown.find_first_not_of(L'\n'));
    return shown;
  }

 private:
  ScopedLocale utf8_;  // the locale kxhost sets
  bool loaded_ = false;
};

}  // namespace kx::test
