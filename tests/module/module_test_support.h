#pragma once
// Helpers for the module's tests: a drawing open in the host with the resource module current,
// texts made through the SDK, and the texts of the resource module to compare the transcript
// with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/command_stack.h"
#include "editor/input_source.h"
#include "editor/module_loader.h"
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
    return text.TrimLeft(L'\n').str();
  }

 private:
  ScopedLocale utf8_;  // the locale kxhost sets
  bool loaded_ = false;
};

// A test of a command of the module, loaded into the host the way kxhost loads it.
class CommandTest : public ModuleTest {
 protected:
  CommandTest() {
    loader.errors = [this](std::string_view line) { loadErrors += line; };
    loader.load(KX_TEXT_MODULE);
  }
  ~CommandTest() override { loader.unloadAll(); }
  void SetUp() override {
    ModuleTest::SetUp();
    ASSERT_TRUE(loadErrors.empty()) << loadErrors;
  }

  // Runs `command` with the replies given, which it must use up.
  void run(const wchar_t* command, std::initializer_list<const wchar_t*> replies) {
    for (const wchar_t* reply : replies) editor::InputSource::instance().queue(reply);
    EXPECT_EQ(editor::runCommand(command).status, editor::CommandRun::Status::Done);
    EXPECT_TRUE(editor::InputSource::instance().atEnd()) << "replies left over";
    editor::InputSource::instance().reset();
  }

  std::vector<std::int64_t> make(resbuf* list) {
    EXPECT_EQ(kxdbEntMake(list), KXRT_NORM);
    kxutRelRb(list);
    return lastEntity();
  }

  // The first entry of group `code` in the entity's list, as a copy.
  resbuf group(const std::vector<std::int64_t>& entity, int code) {
    const kds_name name = {entity[0], entity[1]};
    resbuf* list = kxdbEntGet(name);
    resbuf found{};
    for (resbuf* e = list; e; e = e->next)
      if (e->code == code && !found.code) {
        found = *e;
        found.next = nullptr;
        if (code >= 1 && code <= 9) found.value.string = nullptr;  // freed with the list
      }
    kxutRelRb(list);
    return found;
  }

  // The string of the first entry of group `code`; empty when there is none.
  std::wstring stringOf(const std::vector<std::int64_t>& entity, int code) {
    const kds_name name = {entity[0], entity[1]};
    resbuf* list = kxdbEntGet(name);
    std::wstring found;
    for (resbuf* e = list; e; e = e->next)
      if (e->code == code && e->value.string) {
        found = e->value.string;
        break;
      }
    kxutRelRb(list);
    return found;
  }

  // Text of a TEXT or ATTDEF (group 1), or an MTEXT's contents.
  std::wstring textOf(const std::vector<std::int64_t>& entity) {
    const kds_name name = {entity[0], entity[1]};
    KxDbObjectId id;
    kxdbGetObjectId(id, name);
    KxDbEntity* object = nullptr;
    if (kxdbOpenObject(object, id, KxDb::kForRead) != Kxad::eOk) return L"<cannot open>";
    wchar_t* text = nullptr;
    if (KxDbMText* mtext = KxDbMText::cast(object)) text = mtext->contents();
    if (KxDbText* single = KxDbText::cast(object)) text = single->textString();
    object->close();
    std::wstring result = text ? text : L"";
    kxad_free(text);
    return result;
  }

  editor::ModuleLoader loader;
  std::string loadErrors;
};

}  // namespace kx::test
