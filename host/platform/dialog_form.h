#pragma once
// A dialog as a text form: the state of its controls (checks, radio groups, combo items, texts,
// enabled and visible), how it is shown on the transcript, and what a user's reply means. It
// knows nothing about modules or message maps; the dialog runtime sends the notifications a
// change asks for.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kx/kxresfmt.h"

namespace kx::platform {

struct FormControl {
  std::uint32_t id = 0;
  KxControlKind kind = KxControlKind::kStatic;
  // The window text: a button's or label's caption, an edit box's contents.
  std::wstring text;
  // What a combo box or an edit box is called (its caption in the template).
  std::wstring label;
  bool groupStart = false;
  bool enabled = true;
  bool visible = true;
  bool checked = false;             // check boxes and radio buttons
  std::vector<std::wstring> items;  // combo boxes
  std::vector<std::uintptr_t> itemData;
  int selection = -1;  // combo boxes: the selected position, -1 for none

  // Whether the user can address it by id (labels are usually not).
  bool addressable() const { return id != 0xFFFF && id != 0xFFFFFFFF; }
};

// What the window system would tell the dialog: notification `code` from control `id`.
struct Notification {
  std::uint32_t id;
  std::uint32_t code;
  bool operator==(const Notification&) const = default;
};

// What a reply asks for.
struct FormReply {
  enum class Kind {
    kShowForm,  // print the whole form again (Enter or "?")
    kRefused,   // `reason` says why; ask again
    kClick,     // click `control`
    kCheck,     // set check box `control` to `value` (0 or 1)
    kSelect,    // select item `value` of combo box `control`
    kText,      // set the text of edit box `control` to `text`
    kCommand,   // OK or Cancel typed as a word: command `value` (IDOK, IDCANCEL)
  };
  Kind kind = Kind::kShowForm;
  std::size_t control = 0;
  int value = 0;
  std::wstring text;  // kText: the new text; kRefused: the reason
};

class DialogForm {
 public:
  DialogForm(std::uint32_t templateId, std::wstring caption, std::vector<FormControl> controls);
  explicit DialogForm(const KxDialogTemplate& dialogTemplate);

  std::uint32_t templateId() const { return templateId_; }
  const std::wstring& caption() const { return caption_; }
  void setCaption(std::wstring caption) { caption_ = std::move(caption); }

  std::vector<FormControl>& controls() { return controls_; }
  const std::vector<FormControl>& controls() const { return controls_; }
  // The position of the first control with `id`; nothing when there is none.
  std::optional<std::size_t> find(std::uint32_t id) const;

  // The radio buttons that exclude each other with the one at `index`: those between the group
  // starts around it, `index` included.
  std::vector<std::size_t> radioGroup(std::size_t index) const;
  // Checks the radio button at `index` and clears the others of its group.
  void checkRadio(std::size_t index);
  // Checks `checkId` and clears every other button with an id in firstId..lastId.
  void checkRadioRange(std::uint32_t firstId, std::uint32_t lastId, std::uint32_t checkId);
  // The first checked button with an id in firstId..lastId; 0 for none.
  std::uint32_t checkedInRange(std::uint32_t firstId, std::uint32_t lastId) const;

  // Combo box items; positions out of range give nothing / false.
  int addItem(std::size_t index, std::wstring text);                   // its position
  int insertItem(std::size_t index, int position, std::wstring text);  // -1 for the end
  bool deleteItem(std::size_t index, int position);
  void clearItems(std::size_t index);
  bool select(std::size_t index, int position);  // -1 clears the selection
  // The first item after `startAfter` (-1: from the start), wrapping around, that equals `text`
  // (exact) or starts with it, without regard to case; -1 for none.
  int findItem(std::size_t index, int startAfter, std::wstring_view text, bool exact) const;

  // ---- the text form ----
  // The whole form: the caption line, a line per shown control and the closing buttons line.
  std::vector<std::wstring> render() const;
  // The line of control `index`; empty for a control that has none (a blank label, the OK and
  // Cancel buttons, which share the buttons line).
  std::wstring controlLine(std::size_t index) const;
  std::wstring buttonsLine() const;
  std::wstring prompt() const;

  // What the user's reply asks for; looks only, changes nothing.
  FormReply parse(std::wstring_view reply) const;
  // Carries out a kClick, kCheck, kSelect, kText or kCommand reply; the notification to send,
  // if any.
  std::optional<Notification> apply(const FormReply& reply);

 private:
  // Controls the reference names: an id, or a caption without regard to case and '&'.
  std::vector<std::size_t> resolve(std::wstring_view reference) const;
  std::optional<std::wstring> refusal(std::size_t index) const;  // disabled or hidden
  FormReply parseValue(std::size_t index, std::wstring_view value) const;
  FormReply parseClick(std::size_t index) const;
  std::wstring describe(std::size_t index) const;  // "combo box 3517"

  std::uint32_t templateId_;
  std::wstring caption_;
  std::vector<FormControl> controls_;
};

// A caption as the user sees it: '&' accelerator marks dropped ("&&" stays one '&').
std::wstring plainCaption(std::wstring_view caption);

// Where CDialog::DoModal finds its template: the current resource module, unless a test has set
// a lookup of its own (an empty one restores the resource module).
using DialogTemplateLookup = std::function<const KxDialogTemplate*(std::uint32_t id)>;
void setDialogTemplateLookup(DialogTemplateLookup lookup);
const KxDialogTemplate* lookUpDialogTemplate(std::uint32_t id);

}  // namespace kx::platform
