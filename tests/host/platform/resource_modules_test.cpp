// Resource modules as a module uses them: the file named from the product pre-name and found
// beside the module, refusals of files that are no resource module, strings and dialogs by number
// from the current source, and the current source saved and restored around nested work.

#include "platform/resource_modules.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "editor/session.h"
#include "kx/kxwinres.h"
#include "kx/kxwinstr.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBinDir = KX_MODULE_DIR;

// What a command does around its work: its resource module current, the previous source back on
// every way out.
class ResourceScope {
 public:
  explicit ResourceScope(HINSTANCE module) : previous_(AfxGetResourceHandle()) {
    AfxSetResourceHandle(module);
  }
  ~ResourceScope() { AfxSetResourceHandle(previous_); }

 private:
  HINSTANCE previous_;
};

class ResourceModulesTest : public ::testing::Test {
 protected:
  ~ResourceModulesTest() override {
    AfxSetResourceHandle(nullptr);
    kx::editor::Session::instance().productPreName.clear();
  }
};

// The pre-name a module builds its resource file's name from: none, or one that fits the buffer.
TEST_F(ResourceModulesTest, PreNameIsGivenWhenThereIsOneAndItFits) {
  auto& session = kx::editor::Session::instance();
  session.productPreName.clear();
  wchar_t buffer[8] = L"junk";
  EXPECT_FALSE(GetKxadProductPreName(buffer, 8));
  EXPECT_STREQ(buffer, L"");
  session.productPreName = L"KxTest";
  EXPECT_TRUE(GetKxadProductPreName(buffer, 8));
  EXPECT_STREQ(buffer, L"KxTest");
  EXPECT_FALSE(GetKxadProductPreName(buffer, 6));  // no room for the terminator: nothing
  EXPECT_STREQ(buffer, L"");
}

TEST_F(ResourceModulesTest, RefusesFilesThatAreNoResourceModule) {
  EXPECT_EQ(LoadResourceDll(nullptr), nullptr);
  EXPECT_EQ(LoadResourceDll(L""), nullptr);
  EXPECT_EQ(LoadResourceDll((kBinDir / "KxMissingExtendTextCmdsRes.dll").wstring().c_str()),
            nullptr);
  EXPECT_EQ(LoadResourceDll(L"KxMissingExtendTextCmdsRes.dll"), nullptr);
  EXPECT_EQ(LoadResourceDll(L"KxNoTableExtendTextCmdsRes.dll"), nullptr);     // no table
  EXPECT_EQ(LoadResourceDll(L"KxBadVersionExtendTextCmdsRes.dll"), nullptr);  // newer table
  EXPECT_EQ(LoadResourceDll(kBinDir.wstring().c_str()), nullptr);             // a folder

  const kx::test::TempFolder folder("resources");
  const fs::path text = folder.write("KxTextExtendTextCmdsRes.dll", "Not a shared object.\n");
  EXPECT_EQ(LoadResourceDll(text.wstring().c_str()), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST_F(ResourceModulesTest, OneRecordPerFileFreedByItsLastLoad) {
  const std::wstring path = (kBinDir / "KxTestExtendTextCmdsRes.dll").wstring();
  HINSTANCE first = LoadResourceDll(path.c_str());
  // A bare name is looked for in the caller's folder, whatever the current directory is.
  const fs::path before = fs::current_path();
  fs::current_path(fs::temp_directory_path());
  HINSTANCE second = LoadResourceDll(L"KxTestExtendTextCmdsRes.dll");
  fs::current_path(before);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);

  AfxSetResourceHandle(first);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(kx::platform::findString(first, 101), L"Test resource string");
  EXPECT_EQ(kx::platform::currentResourceHandle(), first);
  EXPECT_TRUE(FreeLibrary(first));
  // Gone: no strings from the stale handle, and it is no longer current.
  EXPECT_FALSE(kx::platform::findString(first, 101));
  EXPECT_EQ(AfxGetResourceHandle(), nullptr);
  EXPECT_FALSE(FreeLibrary(first));
}

TEST_F(ResourceModulesTest, StringsComeFromTheCurrentSourceAndNestedScopesRestoreIt) {
  HINSTANCE test = LoadResourceDll(L"KxTestExtendTextCmdsRes.dll");
  HINSTANCE other = LoadResourceDll(L"KxOtherExtendTextCmdsRes.dll");
  ASSERT_NE(test, nullptr);
  ASSERT_NE(other, nullptr);

  CString text(L"left over");
  EXPECT_FALSE(text.LoadString(101));  // no source yet
  EXPECT_TRUE(text.IsEmpty());
  {
    ResourceScope outer(test);
    ASSERT_TRUE(text.LoadString(101));
    EXPECT_EQ(text, L"Test resource string");
    {
      ResourceScope inner(other);
      ASSERT_TRUE(text.LoadString(101));
      EXPECT_EQ(text, L"Other resource string");
      EXPECT_FALSE(text.LoadString(102));  // only the other module's strings now
      EXPECT_TRUE(text.IsEmpty());
    }
    EXPECT_TRUE(text.LoadString(102));
    EXPECT_EQ(text, L"\nSelect objects to change: ");
    EXPECT_FALSE(text.LoadString(9999));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_TRUE(text.LoadString(107));  // present, and empty
    EXPECT_TRUE(text.IsEmpty());
    // An explicit source wins over the current one.
    EXPECT_TRUE(text.LoadString(other, 103));
    EXPECT_EQ(text, L"\n%d object(s) done in %s (other).");
  }
  EXPECT_EQ(AfxGetResourceHandle(), nullptr);

  // LoadStringW cuts to the buffer, always terminated; 0 for a missing string.
  wchar_t small[16];
  EXPECT_EQ(LoadStringW(test, 105, small, 16), 15);
  EXPECT_STREQ(small, L"This is a long ");
  EXPECT_EQ(LoadStringW(test, 106, small, 16), 7);
  EXPECT_STREQ(small, L"Caf\u00e9 \u4e2d\u6587");
  EXPECT_EQ(LoadStringW(test, 4242, small, 16), 0);
  EXPECT_STREQ(small, L"");
  EXPECT_EQ(LoadStringW(nullptr, 101, small, 16), 0);
  // With no room given, the platform hands out a pointer to the text itself.
  const wchar_t* direct = nullptr;
  EXPECT_EQ(LoadStringW(test, 101, reinterpret_cast<wchar_t*>(&direct), 0), 20);
  EXPECT_STREQ(direct, L"Test resource string");

  EXPECT_TRUE(FreeLibrary(test));
  EXPECT_TRUE(FreeLibrary(other));
}

TEST_F(ResourceModulesTest, DialogTemplatesByNumber) {
  HINSTANCE test = LoadResourceDll(L"KxTestExtendTextCmdsRes.dll");
  ASSERT_NE(test, nullptr);
  const KxDialogTemplate* dialog = kx::platform::findDialogTemplate(test, 3518);
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(dialog->controlCount, 16u);
  bool seen[7] = {};
  for (std::uint32_t i = 0; i < dialog->controlCount; ++i)
    seen[static_cast<int>(dialog->controls[i].kind)] = true;
  for (bool kind : seen) EXPECT_TRUE(kind);
  EXPECT_EQ(dialog->controls[9].id, 3517u);
  EXPECT_TRUE(dialog->controls[9].disabled);
  EXPECT_EQ(kx::platform::findDialogTemplate(test, 1), nullptr);
  EXPECT_EQ(kx::platform::findDialogTemplate(nullptr, 3518), nullptr);
  EXPECT_TRUE(FreeLibrary(test));
}

TEST_F(ResourceModulesTest, ModuleInstanceFromAnAddress) {
  // The program has no resource table: an empty source, but a handle all the same.
  HMODULE self = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&kBinDir), &self));
  ASSERT_NE(self, nullptr);
  EXPECT_FALSE(kx::platform::findString(self, 101));
  EXPECT_FALSE(FreeLibrary(self));  // not counted, nothing to free

  // An address inside a resource module gives that module's record, with its strings.
  HINSTANCE loaded = LoadResourceDll(L"KxTestExtendTextCmdsRes.dll");
  ASSERT_NE(loaded, nullptr);
  void* library = dlopen((kBinDir / "KxTestExtendTextCmdsRes.dll").c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  void* inside = dlsym(library, "kxResourceTable");
  dlclose(library);
  HMODULE counted = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                 static_cast<LPCWSTR>(inside), &counted));
  EXPECT_EQ(counted, loaded);
  EXPECT_TRUE(FreeLibrary(loaded));
  EXPECT_EQ(kx::platform::findString(counted, 101), L"Test resource string");  // one count left
  EXPECT_TRUE(FreeLibrary(counted));

  HMODULE none = reinterpret_cast<HMODULE>(1);
  EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, nullptr, &none));
  EXPECT_EQ(none, nullptr);
}

}  // namespace
