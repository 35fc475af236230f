// A resource module for the host's tests: a few strings (plain, printf formats, a long one, one
// with characters beyond ASCII) and the dialog template of the dialog tests. Built as
// KxTestExtendTextCmdsRes.dll (the file a module running under the pre-name "KxTest" asks for);
// with KX_TEST_RESOURCES_ALT as a second module with other texts, so a test can tell which one
// is current; with KX_TEST_RESOURCES_BAD_VERSION as one whose table the host must refuse.

#include <iterator>

#include "kx/kxresfmt.h"
#include "support/test_dialog.h"

namespace {

#ifndef KX_TEST_RESOURCES_ALT

constexpr KxStringResource kStrings[] = {
    {101, L"Test resource string"},
    {102, L"\nSelect objects to change: "},
    {103, L"\n%d object(s) changed in %s."},
    {104, L"Value %s is out of range (%d to %d)."},
    {105,
     L"This is a long resource string, longer than the buffers modules usually give LoadString, so "
     L"a copy into a small buffer must be cut to fit and still end with its terminator. It goes on "
     L"for a while to be sure: the quick brown fox jumps over the lazy dog, twice over; the quick "
     L"brown fox jumps over the lazy dog again. End."},
    {106, L"Caf\u00e9 \u4e2d\u6587"},
    {107, L""},  // present but empty: loads as an empty string
    {5999, L"TESTCMD"},
};

constexpr KxDialogTemplate kDialogs[] = {kx::test::kTestDialog};

constexpr KxResourceTable kTable = {KX_RESOURCE_TABLE_VERSION,
                                    kStrings,
                                    std::size(kStrings),
                                    kDialogs,
                                    std::size(kDialogs),
                                    nullptr,
                                    0};

#else  // the second module: the same ids with other texts, no dialogs

constexpr KxStringResource kStrings[] = {
    {101, L"Other resource string"},
    {103, L"\n%d object(s) done in %s (other)."},
};

#ifdef KX_TEST_RESOURCES_BAD_VERSION
constexpr std::uint32_t kVersion = KX_RESOURCE_TABLE_VERSION + 1;
#else
constexpr std::uint32_t kVersion = KX_RESOURCE_TABLE_VERSION;
#endif

constexpr KxResourceTable kTable = {kVersion, kStrings, std::size(kStrings), nullptr, 0,
                                    nullptr,  0};

#endif

}  // namespace

extern "C" __attribute__((visibility("default"))) const KxResourceTable* kxResourceTable() {
  return &kTable;
}
