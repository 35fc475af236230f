#pragma once
// What a resource module holds. A resource module is a shared library without code of its own
// that exports one function, kxResourceTable, returning its table: the string table by number,
// the dialog templates by number and, from version 2 on, what HELP says of each command. The host
// reads it through LoadResourceDll; modules never include this header, only resource modules do.

#include <cstdint>

constexpr std::uint32_t KX_RESOURCE_TABLE_VERSION = 2;
// Tables of version 1 end with the dialogs; the host still reads them.
constexpr std::uint32_t KX_RESOURCE_TABLE_OLDEST_VERSION = 1;

struct KxStringResource {
  std::uint32_t id;
  const wchar_t* text;
};

enum class KxControlKind : std::uint32_t {
  kStatic,       // a label; its caption can be changed by the dialog
  kPushButton,   // IDOK and IDCANCEL end the dialog; others send a click
  kCheckBox,     // toggles on a click; ID=0 or ID=1 sets it
  kRadioButton,  // checks itself and clears the other radio buttons of its group
  kComboBox,     // a drop-down list; ID=item chooses an item by its text or its position
  kEdit,         // ID=text replaces its text
  kGroupBox,     // a frame around controls; only its caption shows
};

struct KxDialogControl {
  std::uint32_t id;  // 0xFFFF for a label nobody addresses
  KxControlKind kind;
  const wchar_t* caption;
  // Starts a new group: radio buttons exclude each other from one group start to the next.
  bool groupStart;
  bool disabled;  // disabled when the dialog opens
};

struct KxDialogTemplate {
  std::uint32_t id;
  const wchar_t* caption;
  const KxDialogControl* controls;
  std::uint32_t controlCount;
};

// HELP's texts of one command, as strings of the table: a one-line description, and the
// replies it asks for (one prompt a line). 0 for none.
struct KxCommandHelp {
  const wchar_t* globalName;
  std::uint32_t aboutId;
  std::uint32_t usageId;
};

struct KxResourceTable {
  std::uint32_t version;            // KX_RESOURCE_TABLE_VERSION
  const KxStringResource* strings;  // any order; ids unique
  std::uint32_t stringCount;
  const KxDialogTemplate* dialogs;
  std::uint32_t dialogCount;
  const KxCommandHelp* commands;  // version 2 on
  std::uint32_t commandCount;
};

// The one export of a resource module.
extern "C" const KxResourceTable* kxResourceTable();
#define KX_RESOURCE_TABLE_SYMBOL "kxResourceTable"
