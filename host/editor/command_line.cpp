#include "editor/command_line.h"

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <exception>
#include <string>
#include <vector>

#include "db/dxf_io.h"
#include "db/layers.h"
#include "db/symbol_tables.h"
#include "dxf/encoding.h"
#include "editor/command_effects.h"
#include "editor/command_stack.h"
#include "editor/host_commands.h"
#include "editor/prompts.h"
#include "editor/reply_text.h"
#include "editor/session.h"
#include "editor/system_variables.h"
#include "editor/undo_history.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "support/atomic_file.h"
#include "support/utf8.h"

namespace kx::editor {
namespace {

CommandLineOptions commandLineOptions;
bool quitRequested = false;

void say(std::wstring_view text) {
  kxutPrintf(L"%s", std::wstring(text).c_str());
}

// A path or a system message as the transcript shows it: they are UTF-8 on this system.
std::wstring shown(const std::string& text) {
  return support::decodeUtf8Lenient(text);
}

void refuse(std::wstring_view reason) {
  Prompter::instance().refuse(L"\n" + std::wstring(reason));
}

// A string reply; nothing on Enter, cancel or the end of the input.
std::optional<std::wstring> askString(const wchar_t* prompt, bool allowSpaces) {
  wchar_t buffer[1024] = {};
  if (kxedGetString(allowSpaces, prompt, buffer, std::size(buffer)) != KXRT_NORM) return {};
  if (buffer[0] == L'\0') return {};
  return std::wstring(buffer);
}

// A keyword reply; `fallback` on Enter, nothing on cancel.
std::optional<std::wstring> askKeyword(const wchar_t* keywords, const wchar_t* prompt,
                                       const wchar_t* fallback) {
  wchar_t buffer[256] = {};
  kxedInitGet(0, keywords);
  const int status = kxedGetKword(prompt, buffer, std::size(buffer));
  if (status == KXRT_NONE && fallback) return std::wstring(fallback);
  if (status != KXRT_NORM) return {};
  return std::wstring(buffer);
}

Reply setReply(const kds_name set) {
  return Reply::ofName(set, Reply::Kind::Set);
}
Reply entityReply(const kds_name entity) {
  return Reply::ofName(entity, Reply::Kind::Entity);
}

// Runs one of the commands modules reach through kxedCommand with replies gathered here.
void runWithReplies(std::vector<Reply> replies) {
  Replies list(std::move(replies));
  if (!runCommands(list)) {
    say(L"\nThe command could not be completed; nothing was changed.");
    Session::instance().events.note(RunEvent::CommandFailed);
  }
}

bool saveTo(const std::filesystem::path& path) {
  Document& document = activeDocument();
  std::string why = outputRefusal(path);
  if (why.empty()) {
    try {
      Session::instance().save(document, path);
    } catch (const std::exception& e) {
      why = e.what();
    }
  }
  if (!why.empty()) {
    say(L"\nCannot save " + shown(path.string()) + L": " + shown(why));
    Session::instance().events.note(RunEvent::CommandFailed);
    return false;
  }
  say(L"\nSaved " + shown(path.string()) + L".");
  return true;
}

// At the terminal, leaving with changes not saved asks first. Yes saves them where the run
// saves (kxhost -o), else where the drawing came from, else where the user says; a save that
// fails goes back to the command line rather than lose them. ^C goes back too.
Leaving askBeforeLeaving(bool inputEnded) {
  Document* document = Session::instance().active();
  if (!commandLineOptions.askBeforeLeaving || !document || !document->hasUnsavedChanges())
    return Leaving::AsUsual;
  // Ctrl-D ended the input; the user is still there to answer.
  if (inputEnded && !InputSource::instance().resume()) return Leaving::AsUsual;
  const std::filesystem::path target = commandLineOptions.output
                                           ? *commandLineOptions.output
                                           : std::filesystem::path(document->path());
  const std::wstring prompt =
      L"\nSave changes to " +
      (target.empty() ? std::wstring(L"the new drawing") : shown(target.string())) +
      L"? [Yes/No] <Yes>: ";
  Prompter& prompter = Prompter::instance();
  const KeywordList answers(L"Yes No");
  for (;;) {
    const std::optional<std::wstring> line = prompter.ask(prompt, true);
    if (!line) return Leaving::AsUsual;  // the input ended again
    const std::wstring reply = trimmed(*line);
    if (upper(reply) == L"^C") {
      prompter.say(L"*Cancel*");
      return Leaving::Stay;
    }
    const std::optional<std::wstring> answer =
        reply.empty() ? std::optional<std::wstring>(L"Yes") : answers.match(reply);
    if (!answer) {
      prompter.refuse(L"Answer Yes or No.");
      continue;
    }
    if (*answer == L"No") return Leaving::Discarded;
    if (target.empty()) {
      const auto name = askString(L"\nSave drawing as: ", true);
      if (!name || !saveTo(support::toUtf8(*name))) return Leaving::Stay;
      document->setPath(support::toUtf8(*name));
      return Leaving::Saved;
    }
    return saveTo(target) ? Leaving::Saved : Leaving::Stay;
  }
}

void selectCommand() {
  kds_name set = {0, 0};
  if (kxedSSGet(nullptr, nullptr, nullptr, nullptr, set) != KXRT_NORM) return;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  kxedSSSetFirst(nullptr, set);
  kxedSSFree(set);
  kxutPrintf(L"\n%d object(s) selected.", static_cast<int>(length));
}

void saveCommand() {
  Document& document = activeDocument();
  if (!document.path().empty()) {
    saveTo(document.path());
  } else if (commandLineOptions.output) {
    if (saveTo(*commandLineOptions.output)) document.setPath(commandLineOptions.output->string());
  } else if (auto name = askString(L"\nSave drawing as: ", true)) {
    if (saveTo(kx::support::toUtf8(*name))) document.setPath(kx::support::toUtf8(*name));
  }
}

void saveAsCommand() {
  if (auto name = askString(L"\nSave drawing as: ", true)) {
    if (saveTo(kx::support::toUtf8(*name))) activeDocument().setPath(kx::support::toUtf8(*name));
  }
}

void orthoCommand() {
  auto mode = askKeyword(L"ON OFF", L"\nEnter mode [ON/OFF]: ", nullptr);
  if (mode) runWithReplies({Reply::ofText(L"_.ORTHO"), Reply::ofText(L"_" + *mode)});
}

void ucsCommand() {
  auto option =
      askKeyword(L"Save Entity Restore Delete World",
                 L"\nEnter an option [Save/Entity/Restore/Delete/World] <World>: ", L"World");
  if (!option) return;
  std::vector<Reply> replies = {Reply::ofText(L"_.UCS"), Reply::ofText(L"_" + *option)};
  if (*option == L"Entity") {
    kds_name entity;
    double point[3];
    if (kxedEntSel(L"\nSelect object to align UCS: ", entity, point) != KXRT_NORM) return;
    replies.push_back(entityReply(entity));
  } else if (*option != L"World") {
    auto name = askString(L"\nEnter name of UCS: ", false);
    if (!name) return;
    replies.push_back(Reply::ofText(*name));
  }
  runWithReplies(std::move(replies));
}

void explodeCommand() {
  kds_name set = {0, 0};
  if (kxedSSGet(nullptr, nullptr, nullptr, nullptr, set) != KXRT_NORM) return;
  runWithReplies({Reply::ofText(L"_.EXPLODE"), setReply(set), Reply::ofText(L"")});
  kxedSSFree(set);
}

void drawOrderCommand() {
  kds_name set = {0, 0};
  if (kxedSSGet(nullptr, nullptr, nullptr, nullptr, set) != KXRT_NORM) return;
  auto option = askKeyword(
      L"Above Under Front Back",
      L"\nEnter object ordering option [Above objects/Under objects/Front/Back] <Back>: ", L"Back");
  std::vector<Reply> replies = {Reply::ofText(L"_.DRAWORDER"), setReply(set), Reply::ofText(L""),
                                Reply::ofText(L"_" + option.value_or(L""))};
  if (option && (*option == L"Above" || *option == L"Under")) {
    kds_name reference;
    double point[3];
    if (kxedEntSel(L"\nSelect reference object: ", reference, point) == KXRT_NORM)
      replies.push_back(entityReply(reference));
    else
      option.reset();
  }
  if (option) runWithReplies(std::move(replies));
  kxedSSFree(set);
}

void wipeoutCommand() {
  std::vector<Reply> replies = {Reply::ofText(L"_.WIPEOUT")};
  const wchar_t* prompt = L"\nSpecify first point: ";
  for (;;) {
    double point[3];
    const int status = kxedGetPoint(nullptr, prompt, point);
    if (status == KXRT_NONE) break;
    if (status != KXRT_NORM) return;
    replies.push_back(Reply::ofPoint({point[0], point[1], point[2]}));
    prompt = L"\nSpecify next point or <end>: ";
  }
  replies.push_back(Reply::ofText(L""));
  runWithReplies(std::move(replies));
}

// A variable's value as SETVAR shows it; nothing for an unknown name.
std::optional<std::wstring> variableText(const std::wstring& name, resbuf& current) {
  if (kxedGetVar(name.c_str(), &current) != KXRT_NORM) return std::nullopt;
  switch (current.code) {
    case KXRT_SHORT:
      return std::to_wstring(current.value.int16);
    case KXRT_LONG:
      return std::to_wstring(current.value.int32);
    case KXRT_REAL:
      return std::to_wstring(current.value.real);
    case KXRT_STR: {
      std::wstring text = current.value.string ? current.value.string : L"";
      kxad_free(current.value.string);
      current.value.string = nullptr;
      return text;
    }
    default: {
      wchar_t point[96];
      std::swprintf(point, std::size(point), L"%g,%g,%g", current.value.point[0],
                    current.value.point[1], current.value.point[2]);
      return std::wstring(point);
    }
  }
}

void listLayers() {
  const std::wstring current = [] {
    resbuf value{};
    return variableText(L"CLAYER", value).value_or(L"");
  }();
  for (resbuf* record = kxdbTblNext(L"LAYER", 1); record; record = kxdbTblNext(L"LAYER", 0)) {
    std::wstring name;
    int colour = 7, flags = 0;
    for (const resbuf* rb = record; rb; rb = rb->next) {
      if (rb->code == 2 && rb->value.string) name = rb->value.string;
      if (rb->code == 62) colour = rb->value.int16;
      if (rb->code == 70) flags = rb->value.int16;
    }
    kxutRelRb(record);
    std::wstring states;
    if (colour < 0) states += L", off";
    if (flags & 1) states += L", frozen";
    if (flags & 4) states += L", locked";
    if (name == current) states += L", current";
    kxutPrintf(L"\n  %ls: colour %d%ls", name.c_str(), colour < 0 ? -colour : colour,
               states.c_str());
  }
}

// LIST: what a headless user needs to pick an object again or frame a window around it.
void listCommand() {
  kds_name set = {0, 0};
  if (kxedSSGet(nullptr, nullptr, nullptr, nullptr, set) != KXRT_NORM) return;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    if (kxedSSName(set, i, entity) != KXRT_NORM) continue;
    resbuf* list = kxdbEntGet(entity);
    std::wstring type, handle, layer, text, at;
    for (const resbuf* rb = list; rb; rb = rb->next) {
      if (rb->code == 0 && rb->value.string) type = rb->value.string;
      if (rb->code == 5 && rb->value.string) handle = rb->value.string;
      if (rb->code == 8 && rb->value.string) layer = rb->value.string;
      if (rb->code == 1 && rb->value.string) text = rb->value.string;
      if (rb->code == 10) {
        wchar_t point[96];
        std::swprintf(point, std::size(point), L"  at %g,%g,%g", rb->value.point[0],
                      rb->value.point[1], rb->value.point[2]);
        at = point;
      }
    }
    kxutRelRb(list);
    kxutPrintf(L"\n  %ls  H %ls  layer %ls%ls%ls", type.c_str(), handle.c_str(), layer.c_str(),
               at.c_str(), text.empty() ? L"" : (L"  \"" + text + L"\"").c_str());
  }
  kxedSSFree(set);
}

void idCommand() {
  double point[3];
  if (kxedGetPoint(nullptr, L"\nSpecify point: ", point) != KXRT_NORM) return;
  kxutPrintf(L"\nX = %.4f     Y = %.4f     Z = %.4f", point[0], point[1], point[2]);
}

void layerCommand() {
  for (;;) {
    auto option = askKeyword(L"? Make Set New Lock Unlock",
                             L"\nEnter an option [?/Make/Set/New/Lock/Unlock]: ", nullptr);
    if (!option) return;
    if (*option == L"?") {
      listLayers();
      continue;
    }
    auto name = askString(L"\nEnter layer name: ", true);
    if (!name) continue;
    db::Database& db = activeDocument().db();
    db::ObjectId layer = db::findTableRecord(db, "LAYER", *name);
    if (layer.isNull() && (*option == L"Make" || *option == L"New"))
      layer = db::addLayer(db, *name);
    if (layer.isNull()) {
      refuse(L"No layer named \"" + *name + L"\".");
      continue;
    }
    if (*option == L"Lock" || *option == L"Unlock") {
      db::setLayerLocked(db, layer, *option == L"Lock");
    } else if (*option == L"Make" || *option == L"Set") {
      resbuf value{};
      value.code = KXRT_STR;
      value.value.string = name->data();
      if (kxedSetVar(L"CLAYER", &value) != KXRT_NORM)
        refuse(L"Layer \"" + *name + L"\" cannot be made current.");
    }
  }
}

void setvarCommand() {
  auto name = askString(L"\nEnter variable name or [?]: ", false);
  if (!name) return;
  if (*name == L"?") {
    for (const std::wstring& each : Session::instance().systemVariables().names()) {
      resbuf value{};
      if (const auto text = variableText(each, value))
        kxutPrintf(L"\n  %-12ls %ls", each.c_str(), text->c_str());
    }
    return;
  }
  resbuf current{};
  const std::optional<std::wstring> shownValue = variableText(*name, current);
  if (!shownValue) {
    refuse(L"Unknown variable name \"" + *name + L"\".");
    return;
  }
  const std::wstring& shown = *shownValue;
  auto typed =
      askString((L"\nEnter new value for " + *name + L" <" + shown + L">: ").c_str(), true);
  if (!typed) return;
  resbuf value{};
  value.code = current.code;
  wchar_t* end = nullptr;
  bool parsed = true;
  switch (current.code) {
    case KXRT_SHORT:
      value.value.int16 = static_cast<short>(std::wcstol(typed->c_str(), &end, 10));
      parsed = end && *end == L'\0';
      break;
    case KXRT_LONG:
      value.value.int32 = static_cast<std::int32_t>(std::wcstol(typed->c_str(), &end, 10));
      parsed = end && *end == L'\0';
      break;
    case KXRT_REAL:
      value.value.real = std::wcstod(typed->c_str(), &end);
      parsed = end && *end == L'\0';
      break;
    case KXRT_STR:
      value.value.string = typed->data();
      break;
    default: {
      double p[3] = {0, 0, 0};
      parsed = std::swscanf(typed->c_str(), L"%lf,%lf,%lf", &p[0], &p[1], &p[2]) >= 2;
      for (int i = 0; i < 3; ++i) value.value.point[i] = p[i];
      break;
    }
  }
  if (!parsed || kxedSetVar(name->c_str(), &value) != KXRT_NORM)
    refuse(L"Invalid value \"" + *typed + L"\" for " + *name + L"; it keeps its value.");
}

// The commands that move through the steps, which are no steps themselves.
bool walksUndoHistory(std::wstring_view command) {
  return command == L"UNDO" || command == L"U" || command == L"REDO" || command == L"QUIT";
}

// Commands whose own last line says what they did, and which change nothing in the drawing.
bool tellsWhatItDid(std::wstring_view command) {
  return walksUndoHistory(command) || command == L"HELP" || command == L"SAVE" ||
         command == L"SAVEAS" || command == L"SELECT" || command == L"LIST" || command == L"ID";
}

void undoSteps(int count) {
  Document& document = activeDocument();
  const std::vector<std::wstring> undone = document.undoHistory().undo(document, count);
  for (const std::wstring& command : undone) say(L"\nUndone: " + command);
  if (document.undoHistory().steps() == 0) say(L"\nEverything has been undone.");
}

void undoCommand() {
  int count = 1;
  kxedInitGet(KXINP_NOZERO | KXINP_NONEG, nullptr);
  const int status = kxedGetInt(L"\nEnter the number of commands to undo <1>: ", &count);
  if (status == KXRT_NONE)
    count = 1;
  else if (status != KXRT_NORM)
    return;
  undoSteps(count);
}

void redoCommand() {
  Document& document = activeDocument();
  const auto redone = document.undoHistory().redo(document);
  if (!redone) {
    say(L"\nNothing to redo: REDO takes back only an UNDO or U typed just before it.");
    return;
  }
  for (const std::wstring& command : *redone) say(L"\nRedone: " + command);
}

// What HELP says of the host's own commands.
struct HostCommandHelp {
  const wchar_t* name;
  const wchar_t* about;
  const wchar_t* usage;
};
constexpr HostCommandHelp kHostHelp[] = {
    {L"SELECT", L"Selects objects for the next command",
     L"Select objects: ALL, L, P, W x1,y1 x2,y2, C x1,y1 x2,y2, H handle..., a point, R or A, "
     L"Enter to end"},
    {L"SAVE", L"Saves the drawing to its file (or kxhost -o)",
     L"Save drawing as: asked only for a new drawing"},
    {L"SAVEAS", L"Saves the drawing under another name", L"Save drawing as: a .dxf file"},
    {L"QUIT", L"Ends the session (asks first at the terminal when changes are not saved)", L""},
    {L"REDRAW", L"Draws the screen again (nothing to do here)", L""},
    {L"UCS", L"Sets the user coordinate system",
     L"Enter an option [Save/Entity/Restore/Delete/World] <World>\n"
     L"Enter name of UCS (Save, Restore, Delete) or Select object to align UCS (Entity)"},
    {L"ORTHO", L"Turns orthogonal mode on or off", L"Enter mode [ON/OFF]"},
    {L"EXPLODE", L"Explodes block references, multi-line texts and other compound objects",
     L"Select objects"},
    {L"DRAWORDER", L"Changes the draw order of objects",
     L"Select objects\n"
     L"Enter object ordering option [Above objects/Under objects/Front/Back] <Back>\n"
     L"Select reference object (Above, Under)"},
    {L"WIPEOUT", L"Draws a wipeout through points",
     L"Specify first point, then Specify next point or <end>"},
    {L"LAYER", L"Lists, makes, sets, locks and unlocks layers",
     L"Enter an option [?/Make/Set/New/Lock/Unlock], then Enter layer name; ? lists the "
     L"layers; Enter ends"},
    {L"SETVAR", L"Shows or sets a system variable",
     L"Enter variable name or [?] (? lists them all), then Enter new value for NAME <value>"},
    {L"LIST", L"Shows the type, handle, layer, place and text of objects", L"Select objects"},
    {L"ID", L"Shows the coordinates of a point", L"Specify point"},
    {L"HELP", L"Lists the commands, or tells what one asks for",
     L"Enter a command name <list all>"},
    {L"UNDO", L"Takes back the last commands, each one step",
     L"Enter the number of commands to undo <1>"},
    {L"U", L"Takes back the last command", L""},
    {L"REDO", L"Takes back an UNDO or U typed just before it", L""},
};

std::optional<CommandHelp> helpOf(const KxEdCommand& command) {
  if (std::wcscmp(command.groupName(), kHostCommandGroup) == 0) {
    for (const HostCommandHelp& entry : kHostHelp)
      if (std::wcscmp(entry.name, command.globalName()) == 0)
        return CommandHelp{entry.about, entry.usage};
    return std::nullopt;
  }
  return moduleCommandHelp ? moduleCommandHelp(command.globalName()) : std::nullopt;
}

// The name a user types, and the global one beside it when the module's language has another.
std::wstring typedName(const KxEdCommand& command) {
  if (std::wcscmp(command.globalName(), command.localName()) == 0) return command.globalName();
  return std::wstring(command.localName()) + L" (" + command.globalName() + L")";
}

// Columns a name takes on a terminal: a Chinese character takes two.
std::size_t columns(std::wstring_view text) {
  std::size_t width = 0;
  for (wchar_t c : text) width += static_cast<std::size_t>(std::max(::wcwidth(c), 1));
  return width;
}

void listCommands() {
  KxEdCommandStack& stack = commandStack();
  std::vector<const KxEdCommand*> commands;
  for (std::uint32_t g = 0; const wchar_t* group = stack.groupAt(g); ++g)
    for (std::uint32_t c = 0; c < stack.numCommands(group); ++c)
      commands.push_back(stack.commandAt(group, c));
  std::sort(commands.begin(), commands.end(), [](const KxEdCommand* a, const KxEdCommand* b) {
    return std::wcscmp(a->globalName(), b->globalName()) < 0;
  });
  std::size_t width = 0;
  for (const KxEdCommand* command : commands) width = std::max(width, columns(typedName(*command)));
  for (const KxEdCommand* command : commands) {
    std::wstring line = typedName(*command);
    if (const auto help = helpOf(*command); help && !help->about.empty())
      line += std::wstring(width + 2 - columns(line), L' ') + help->about;
    say(L"\n  " + line);
  }
  say(L"\n" + std::to_wstring(commands.size()) +
      L" commands. HELP NAME tells what a command asks for.");
}

void helpCommand() {
  wchar_t typed[256] = {};
  const int status =
      kxedGetString(0, L"\nEnter a command name <list all>: ", typed, std::size(typed));
  if (status != KXRT_NORM) return;
  if (typed[0] == L'\0') {
    listCommands();
    return;
  }
  const KxEdCommand* command = commandStack().lookupCmd(typed);
  if (!command) {
    refuse(L"No command is named \"" + std::wstring(typed) + L"\". HELP lists them.");
    return;
  }
  const std::optional<CommandHelp> help = helpOf(*command);
  say(L"\n" + typedName(*command) + (help && !help->about.empty() ? L": " + help->about : L""));
  std::wstring usage = help ? help->usage : std::wstring();
  if (usage.empty()) {
    say(L"\n  It asks for nothing.");
    return;
  }
  for (std::size_t at = 0; at != std::wstring::npos;) {
    const std::size_t end = usage.find(L'\n', at);
    say(L"\n  " + usage.substr(at, end == std::wstring::npos ? end : end - at));
    at = end == std::wstring::npos ? end : end + 1;
  }
}

}  // namespace

std::function<std::optional<CommandHelp>(std::wstring_view globalName)> moduleCommandHelp;

std::string outputRefusal(const std::filesystem::path& path) {
  if (path.empty()) return "no file name was given";
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // A folder named with a trailing slash has no file name at all.
  if (path.filename().empty()) return "it names a folder, not a drawing file";
  const std::string why = support::writeRefusal(path);
  if (!why.empty()) return why;
  if (extension != ".dxf") return "a drawing is saved as a .dxf file";
  return {};
}

void registerHostCommands(const CommandLineOptions& options) {
  commandLineOptions = options;
  struct Entry {
    const wchar_t* name;
    std::int32_t flags;
    void (*body)();
  };
  static constexpr Entry kCommands[] = {
      {L"SELECT", KxEd::kModal, selectCommand},
      {L"SAVE", KxEd::kModal, saveCommand},
      {L"SAVEAS", KxEd::kModal, saveAsCommand},
      {L"QUIT", KxEd::kModal, [] { quitRequested = true; }},
      {L"REDRAW", KxEd::kModal, [] {}},
      {L"UCS", KxEd::kModal, ucsCommand},
      {L"ORTHO", KxEd::kModal, orthoCommand},
      {L"EXPLODE", KxEd::kUsePickSet, explodeCommand},
      {L"DRAWORDER", KxEd::kUsePickSet, drawOrderCommand},
      {L"WIPEOUT", KxEd::kModal, wipeoutCommand},
      {L"LAYER", KxEd::kModal, layerCommand},
      {L"SETVAR", KxEd::kModal, setvarCommand},
      {L"LIST", KxEd::kUsePickSet, listCommand},
      {L"ID", KxEd::kModal, idCommand},
      {L"HELP", KxEd::kModal, helpCommand},
      {L"UNDO", KxEd::kModal, undoCommand},
      {L"U", KxEd::kModal, [] { undoSteps(1); }},
      {L"REDO", KxEd::kModal, redoCommand},
  };
  for (const Entry& e : kCommands) {
    if (commandStack().lookupGlobalCmd(e.name)) continue;
    addHostCommand(e.name, e.name, e.flags, e.body);
  }
}

CommandLineOutcome runCommandLine() {
  CommandLineOutcome outcome;
  quitRequested = false;
  std::wstring lastCommand;
  Prompter& prompter = Prompter::instance();
  for (;;) {
    if (quitRequested) {
      outcome.leaving = askBeforeLeaving(false);
      if (outcome.leaving != Leaving::Stay) break;
      quitRequested = false;
    }
    const std::optional<std::wstring> typed = prompter.ask(L"\nCommand: ", true);
    if (!typed) {
      outcome.leaving = askBeforeLeaving(true);
      if (outcome.leaving != Leaving::Stay) break;
      continue;
    }
    std::wstring name = trimmed(*typed);
    if (name.empty() && commandLineOptions.enterRepeats) name = lastCommand;
    if (name.empty()) continue;
    // A blank ends a command's name, and what follows answers its first prompt ("UNDO 3").
    if (const std::size_t blank = name.find_first_of(L" \t"); blank != std::wstring::npos) {
      if (commandStack().lookupCmd(name.substr(0, blank).c_str())) {
        InputSource::instance().putBack(trimmed(std::wstring_view(name).substr(blank)));
        name.resize(blank);
      }
    }
    if (name == L"^C") {
      say(L"*Cancel*");
      continue;
    }
    std::optional<EffectsWatch> watch;
    if (const KxEdCommand* command = commandStack().lookupCmd(name.c_str())) {
      Document* document = Session::instance().active();
      if (document && !walksUndoHistory(command->globalName()))
        document->undoHistory().beginStep(*document, command->globalName());
      if (document && !tellsWhatItDid(command->globalName())) watch.emplace(document->db());
    }
    const CommandRun run = runCommand(name);
    if (run.status != CommandRun::Status::Unknown) lastCommand = name;
    if (Document* document = Session::instance().active();
        watch && document && watch->sameDrawing(document->db())) {
      const CommandEffects effects = watch->since(document->db());
      outcome.textsChanged += effects.texts;
      say(L"\n" + run.command + L": " + effects.described() + L".");
    }
    switch (run.status) {
      case CommandRun::Status::Done:
        ++outcome.commandsRun;
        break;
      case CommandRun::Status::Unknown:
        ++outcome.unknownCommands;
        say(L"\nUnknown command \"" + name + L"\". Type HELP for the list of commands.");
        Session::instance().events.note(RunEvent::UnknownCommand);
        break;
      case CommandRun::Status::Failed:
        ++outcome.failedCommands;
        Session::instance().events.note(RunEvent::CommandFailed);
        break;
    }
  }
  outcome.quit = quitRequested;
  say(L"\n");
  return outcome;
}

}  // namespace kx::editor
