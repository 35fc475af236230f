#include "platform/dialog_form.h"

#include <algorithm>
#include <cwctype>
#include <utility>

#include "editor/reply_text.h"
#include "kx/kxwindlg.h"
#include "support/case_fold.h"

namespace kx::platform {
namespace {

using kx::editor::lower;
using kx::editor::trimmed;

bool equalNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && lower(a) == lower(b);
}

// A caption for matching: no accelerator marks, no surrounding blanks, lower case.
std::wstring matchKey(std::wstring_view caption) {
  return lower(trimmed(plainCaption(caption)));
}

// The same without a trailing "..." or ':' ("Browse..." is found as "browse").
std::wstring looseKey(std::wstring key) {
  if (key.ends_with(L"...")) key.resize(key.size() - 3);
  while (!key.empty() && (key.back() == L':' || key.back() == L' ')) key.pop_back();
  return key;
}

// Text shown on one transcript line: line breaks become blanks.
std::wstring oneLine(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    out.push_back(c == L'\n' || c == L'\t' ? L' ' : c);
  }
  return out;
}

std::optional<std::uint32_t> parseId(std::wstring_view text) {
  if (text.starts_with(L'#')) text.remove_prefix(1);  // as the form shows it
  if (text.empty() || text.size() > 10) return {};
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return {};
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  if (value > 0xFFFFFFFFu) return {};
  return static_cast<std::uint32_t>(value);
}

bool isButton(const FormControl& c) {
  return c.kind == KxControlKind::kCheckBox || c.kind == KxControlKind::kRadioButton ||
         c.kind == KxControlKind::kPushButton;
}

bool isDialogEnd(const FormControl& c) {
  return c.kind == KxControlKind::kPushButton && (c.id == IDOK || c.id == IDCANCEL);
}

std::wstring capitalized(std::wstring text) {
  if (!text.empty())
    text[0] = static_cast<wchar_t>(kx::support::toUpperCase(static_cast<char32_t>(text[0])));
  return text;
}

FormReply refused(std::wstring reason) {
  FormReply reply;
  reply.kind = FormReply::Kind::kRefused;
  reply.text = std::move(reason);
  return reply;
}

FormReply reply(FormReply::Kind kind, std::size_t control, int value = 0) {
  FormReply r;
  r.kind = kind;
  r.control = control;
  r.value = value;
  return r;
}

}  // namespace

std::wstring plainCaption(std::wstring_view caption) {
  std::wstring out;
  out.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != L'&') {
      out.push_back(caption[i]);
    } else if (i + 1 < caption.size() && caption[i + 1] == L'&') {
      out.push_back(L'&');
      ++i;
    }
  }
  return out;
}

DialogForm::DialogForm(std::uint32_t templateId, std::wstring caption,
                       std::vector<FormControl> controls)
    : templateId_(templateId), caption_(std::move(caption)), controls_(std::move(controls)) {}

DialogForm::DialogForm(const KxDialogTemplate& t)
    : templateId_(t.id), caption_(t.caption ? t.caption : L"") {
  controls_.reserve(t.controlCount);
  for (std::uint32_t i = 0; i < t.controlCount; ++i) {
    const KxDialogControl& from = t.controls[i];
    FormControl c;
    c.id = from.id;
    c.kind = from.kind;
    std::wstring caption = from.caption ? from.caption : L"";
    if (c.kind == KxControlKind::kComboBox || c.kind == KxControlKind::kEdit) {
      c.label = std::move(caption);
    } else {
      c.text = std::move(caption);
    }
    c.groupStart = from.groupStart;
    c.enabled = !from.disabled;
    controls_.push_back(std::move(c));
  }
}

std::optional<std::size_t> DialogForm::find(std::uint32_t id) const {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i].id == id && controls_[i].addressable()) return i;
  return {};
}

std::vector<std::size_t> DialogForm::radioGroup(std::size_t index) const {
  if (index >= controls_.size()) return {};
  std::size_t first = index;
  while (first > 0 && !controls_[first].groupStart) --first;
  std::size_t end = index + 1;
  while (end < controls_.size() && !controls_[end].groupStart) ++end;
  std::vector<std::size_t> group;
  for (std::size_t i = first; i < end; ++i)
    if (controls_[i].kind == KxControlKind::kRadioButton) group.push_back(i);
  return group;
}

void DialogForm::checkRadio(std::size_t index) {
  for (std::size_t i : radioGroup(index)) controls_[i].checked = i == index;
}

void DialogForm::checkRadioRange(std::uint32_t firstId, std::uint32_t lastId,
                                 std::uint32_t checkId) {
  for (FormControl& c : controls_) {
    if (c.id < firstId || c.id > lastId) continue;
    if (c.kind == KxControlKind::kRadioButton || c.kind == KxControlKind::kCheckBox)
      c.checked = c.id == checkId;
  }
}

std::uint32_t DialogForm::checkedInRange(std::uint32_t firstId, std::uint32_t lastId) const {
  std::uint32_t found = 0;
  for (const FormControl& c : controls_) {
    if (c.id < firstId || c.id > lastId || !c.checked) continue;
    if (found == 0 || c.id < found) found = c.id;
  }
  return found;
}

int DialogForm::addItem(std::size_t index, std::wstring text) {
  return insertItem(index, -1, std::move(text));
}

int DialogForm::insertItem(std::size_t index, int position, std::wstring text) {
  if (index >= controls_.size()) return -1;
  FormControl& c = controls_[index];
  const int count = static_cast<int>(c.items.size());
  if (position < -1 || position > count) return -1;
  if (position == -1) position = count;
  c.items.insert(c.items.begin() + position, std::move(text));
  c.itemData.insert(c.itemData.begin() + position, 0);
  if (c.selection >= position) ++c.selection;
  return position;
}

bool DialogForm::deleteItem(std::size_t index, int position) {
  if (index >= controls_.size()) return false;
  FormControl& c = controls_[index];
  if (position < 0 || position >= static_cast<int>(c.items.size())) return false;
  c.items.erase(c.items.begin() + position);
  c.itemData.erase(c.itemData.begin() + position);
  if (c.selection == position) {
    c.selection = -1;
  } else if (c.selection > position) {
    --c.selection;
  }
  return true;
}

void DialogForm::clearItems(std::size_t index) {
  if (index >= controls_.size()) return;
  controls_[index].items.clear();
  controls_[index].itemData.clear();
  controls_[index].selection = -1;
}

bool DialogForm::select(std::size_t index, int position) {
  if (index >= controls_.size()) return false;
  FormControl& c = controls_[index];
  if (position < 0 || position >= static_cast<int>(c.items.size())) {
    c.selection = -1;
    return position == -1;
  }
  c.selection = position;
  return true;
}

int DialogForm::findItem(std::size_t index, int startAfter, std::wstring_view text,
                         bool exact) const {
  if (index >= controls_.size()) return -1;
  const std::vector<std::wstring>& items = controls_[index].items;
  const int count = static_cast<int>(items.size());
  if (count == 0) return -1;
  if (startAfter < -1 || startAfter >= count) startAfter = -1;
  const std::wstring wanted = lower(text);
  for (int k = 0; k < count; ++k) {
    const int at = (startAfter + 1 + k) % count;
    const std::wstring item = lower(items[static_cast<std::size_t>(at)]);
    if (exact ? item == wanted : item.starts_with(wanted)) return at;
  }
  return -1;
}

// ---- the text form ----

std::vector<std::wstring> DialogForm::render() const {
  std::vector<std::wstring> lines;
  const std::wstring caption = oneLine(plainCaption(caption_));
  lines.push_back(caption.empty() ? L"Dialog " + std::to_wstring(templateId_)
                                  : caption + L" (dialog " + std::to_wstring(templateId_) + L")");
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    std::wstring line = controlLine(i);
    if (!line.empty()) lines.push_back(std::move(line));
  }
  lines.push_back(buttonsLine());
  return lines;
}

std::wstring DialogForm::controlLine(std::size_t index) const {
  const FormControl& c = controls_.at(index);
  if (isDialogEnd(c)) return {};
  // The caption comes first, as the user reads it; the number after it is for scripts.
  const std::wstring id = c.addressable() ? L" #" + std::to_wstring(c.id) : std::wstring();
  const std::wstring caption = oneLine(plainCaption(c.text));
  // A combo or edit box's name, " Layer" (shown before a colon of its own).
  std::wstring label = oneLine(plainCaption(c.label));
  while (!label.empty() && (label.back() == L':' || label.back() == L' ')) label.pop_back();
  if (!label.empty()) label.insert(0, L" ");
  std::wstring line = L"  ";
  switch (c.kind) {
    case KxControlKind::kStatic:
      if (caption.empty() && id.empty()) return {};
      line += caption + id;
      break;
    case KxControlKind::kGroupBox:
      if (caption.empty()) return {};
      line += L"-- " + caption + L" --";
      break;
    case KxControlKind::kCheckBox:
      line += (c.checked ? L"[x] " : L"[ ] ") + caption + id;
      break;
    case KxControlKind::kRadioButton:
      line += (c.checked ? L"(*) " : L"( ) ") + caption + id;
      break;
    case KxControlKind::kPushButton:
      line += L"[" + caption + L"]" + id;
      break;
    case KxControlKind::kComboBox:
      line += L"combo" + label + L": ";
      line += c.selection >= 0 && c.selection < static_cast<int>(c.items.size())
                  ? oneLine(c.items[static_cast<std::size_t>(c.selection)])
                  : L"(none)";
      line += L"  {";
      for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (i > 0) line += L", ";
        line += oneLine(c.items[i]);
      }
      line += L"}" + id;
      break;
    case KxControlKind::kEdit:
      line += L"edit" + label + L": \"" + oneLine(c.text) + L"\"" + id;
      break;
  }
  if (!c.enabled) line += L" (disabled)";
  if (!c.visible) line += L" (hidden)";
  return line;
}

std::wstring DialogForm::buttonsLine() const {
  std::wstring line;
  for (const FormControl& c : controls_) {
    if (!isDialogEnd(c)) continue;
    line += L" [" + oneLine(plainCaption(c.text)) + L"]";
    if (!c.enabled) line += L" (disabled)";
    if (!c.visible) line += L" (hidden)";
  }
  if (line.empty()) line = L" [OK] [Cancel]";
  return L" " + line;
}

std::wstring DialogForm::prompt() const {
  return L"Dialog " + std::to_wstring(templateId_) +
         L" (caption or its start, #id, ID=VALUE, OK, Cancel): ";
}

// ---- replies ----

std::vector<std::size_t> DialogForm::resolve(std::wstring_view reference) const {
  const std::wstring ref = trimmed(reference);
  if (const std::optional<std::uint32_t> id = parseId(ref)) {
    if (const std::optional<std::size_t> at = find(*id)) return {*at};
    return {};
  }
  const std::wstring key = matchKey(ref);
  if (key.empty()) return {};
  std::vector<std::size_t> exact, loose;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (!controls_[i].addressable()) continue;
    const FormControl& c = controls_[i];
    const bool labelled = c.kind == KxControlKind::kComboBox || c.kind == KxControlKind::kEdit;
    const std::wstring caption = matchKey(labelled ? c.label : c.text);
    if (caption.empty()) continue;
    if (caption == key) exact.push_back(i);
    if (looseKey(caption) == looseKey(key)) loose.push_back(i);
  }
  if (!exact.empty()) return exact;
  if (!loose.empty()) return loose;
  // The start of one caption ("upper" for "UPPER CASE"), when no other caption starts so.
  std::vector<std::size_t> started;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const FormControl& c = controls_[i];
    if (!c.addressable()) continue;
    const bool labelled = c.kind == KxControlKind::kComboBox || c.kind == KxControlKind::kEdit;
    if (matchKey(labelled ? c.label : c.text).starts_with(key)) started.push_back(i);
  }
  return started.size() == 1 ? started : std::vector<std::size_t>{};
}

std::wstring DialogForm::describe(std::size_t index) const {
  const FormControl& c = controls_[index];
  const std::wstring id = std::to_wstring(c.id);
  switch (c.kind) {
    case KxControlKind::kStatic:
      return L"label " + id;
    case KxControlKind::kGroupBox:
      return L"group " + id;
    case KxControlKind::kCheckBox:
      return L"check box " + id;
    case KxControlKind::kRadioButton:
      return L"radio button " + id;
    case KxControlKind::kPushButton:
      return L"button " + id;
    case KxControlKind::kComboBox:
      return L"combo box " + id;
    case KxControlKind::kEdit:
      return L"edit box " + id;
  }
  return id;
}

std::optional<std::wstring> DialogForm::refusal(std::size_t index) const {
  const FormControl& c = controls_[index];
  if (!c.enabled) return capitalized(describe(index)) + L" is disabled.";
  if (!c.visible) return capitalized(describe(index)) + L" is hidden.";
  return {};
}

FormReply DialogForm::parse(std::wstring_view text) const {
  const std::wstring line = trimmed(text);
  if (line.empty() || line == L"?") return {};

  // Names several controls or none: say so.
  auto unresolved = [&](std::wstring_view reference,
                        const std::vector<std::size_t>& found) -> std::optional<FormReply> {
    if (found.empty())
      return refused(L"No control \"" + std::wstring(reference) + L"\" in this dialog.");
    if (found.size() > 1) {
      std::wstring ids;
      for (std::size_t i : found)
        ids += (ids.empty() ? L"" : L", ") + std::to_wstring(controls_[i].id);
      return refused(L"\"" + std::wstring(reference) + L"\" names several controls (" + ids +
                     L"); type the id.");
    }
    if (std::optional<std::wstring> why = refusal(found.front())) return refused(*why);
    return {};
  };

  if (const auto equals = line.find(L'='); equals != std::wstring::npos) {
    const std::wstring reference = trimmed(std::wstring_view(line).substr(0, equals));
    if (reference.empty()) return refused(L"Type ID=VALUE, such as 3517=#1.");
    const std::vector<std::size_t> found = resolve(reference);
    if (std::optional<FormReply> r = unresolved(reference, found)) return *r;
    return parseValue(found.front(), std::wstring_view(line).substr(equals + 1));
  }

  // OK and Cancel as words, or as the ids of buttons the template does not have.
  const std::wstring word = lower(line);
  int command = 0;
  if (word == L"ok" || word == L"idok") command = IDOK;
  if (word == L"cancel" || word == L"idcancel") command = IDCANCEL;
  if (const std::optional<std::uint32_t> id = parseId(line);
      id && (*id == IDOK || *id == IDCANCEL) && !find(*id)) {
    command = static_cast<int>(*id);
  }
  if (command != 0) {
    if (const std::optional<std::size_t> at = find(static_cast<std::uint32_t>(command))) {
      if (std::optional<std::wstring> why = refusal(*at)) return refused(*why);
    }
    return reply(FormReply::Kind::kCommand, 0, command);
  }

  const std::vector<std::size_t> found = resolve(line);
  if (std::optional<FormReply> r = unresolved(line, found)) return *r;
  return parseClick(found.front());
}

FormReply DialogForm::parseClick(std::size_t index) const {
  const FormControl& c = controls_[index];
  const std::wstring id = std::to_wstring(c.id);
  switch (c.kind) {
    case KxControlKind::kCheckBox:
    case KxControlKind::kRadioButton:
    case KxControlKind::kPushButton:
      return reply(FormReply::Kind::kClick, index);
    case KxControlKind::kComboBox:
      return refused(L"Combo box " + id + L" takes an item: " + id + L"=ITEM or " + id + L"=#N.");
    case KxControlKind::kEdit:
      return refused(L"Edit box " + id + L" takes text: " + id + L"=TEXT.");
    case KxControlKind::kStatic:
    case KxControlKind::kGroupBox:
      break;
  }
  return refused(capitalized(describe(index)) + L" cannot be clicked.");
}

FormReply DialogForm::parseValue(std::size_t index, std::wstring_view rawValue) const {
  const FormControl& c = controls_[index];
  const std::wstring id = std::to_wstring(c.id);
  std::wstring value = trimmed(rawValue);
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
    value = value.substr(1, value.size() - 2);
  switch (c.kind) {
    case KxControlKind::kCheckBox:
      if (value == L"0" || value == L"1")
        return reply(FormReply::Kind::kCheck, index, value == L"1" ? 1 : 0);
      return refused(L"Check box " + id + L" takes 0 or 1.");
    case KxControlKind::kRadioButton:
      if (value == L"1") return reply(FormReply::Kind::kClick, index);
      return refused(L"Radio button " + id +
                     L" takes 1; checking another button of its group clears it.");
    case KxControlKind::kComboBox: {
      if (c.items.empty()) return refused(L"Combo box " + id + L" has no items.");
      const int count = static_cast<int>(c.items.size());
      for (int i = 0; i < count; ++i)
        if (equalNoCase(c.items[static_cast<std::size_t>(i)], value))
          return reply(FormReply::Kind::kSelect, index, i);
      if (value.starts_with(L'#')) {
        if (const std::optional<std::uint32_t> n = parseId(std::wstring_view(value).substr(1));
            n && *n >= 1 && *n <= static_cast<std::uint32_t>(count))
          return reply(FormReply::Kind::kSelect, index, static_cast<int>(*n) - 1);
      }
      return refused(L"Combo box " + id + L" has no item \"" + value +
                     L"\"; give an item or #1 to #" + std::to_wstring(count) + L".");
    }
    case KxControlKind::kEdit: {
      FormReply r = reply(FormReply::Kind::kText, index);
      r.text = value;
      return r;
    }
    case KxControlKind::kPushButton:
      return refused(L"Button " + id + L" takes a click: type " + id + L".");
    case KxControlKind::kStatic:
    case KxControlKind::kGroupBox:
      break;
  }
  return refused(capitalized(describe(index)) + L" cannot be changed.");
}

std::optional<Notification> DialogForm::apply(const FormReply& r) {
  if (r.kind == FormReply::Kind::kCommand)
    return Notification{static_cast<std::uint32_t>(r.value), BN_CLICKED};
  if (r.control >= controls_.size()) return {};
  FormControl& c = controls_[r.control];
  switch (r.kind) {
    case FormReply::Kind::kClick:
      if (c.kind == KxControlKind::kRadioButton) checkRadio(r.control);
      if (c.kind == KxControlKind::kCheckBox) c.checked = !c.checked;
      if (!isButton(c)) return {};
      return Notification{c.id, BN_CLICKED};
    case FormReply::Kind::kCheck:
      if (c.kind != KxControlKind::kCheckBox || c.checked == (r.value != 0)) return {};
      c.checked = r.value != 0;
      return Notification{c.id, BN_CLICKED};
    case FormReply::Kind::kSelect:
      if (!select(r.control, r.value)) return {};
      return Notification{c.id, CBN_SELCHANGE};
    case FormReply::Kind::kText:
      if (c.text == r.text) return {};
      c.text = r.text;
      return Notification{c.id, EN_CHANGE};
    default:
      return {};
  }
}

}  // namespace kx::platform
