#pragma once
// What the host holds while it runs: the open drawings (one of them active, the one commands work
// on), the user coordinate system and highlights of each, the selection sets handed to modules,
// the session's system variables, and where command-line output goes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "db/database.h"
#include "db/dxf_io.h"
#include "editor/run_events.h"
#include "geom/vec.h"

class KxDbDatabase;

namespace kx::editor {

class SelectionSets;
class SystemVariables;
class UndoHistory;

// A user coordinate system: origin and unit axes in world coordinates.
struct Ucs {
  geom::Vec3 origin{0, 0, 0};
  geom::Vec3 xAxis{1, 0, 0};
  geom::Vec3 yAxis{0, 1, 0};
  std::wstring name;  // empty for an unnamed UCS

  geom::Vec3 zAxis() const { return geom::normalized(geom::cross(xAxis, yAxis)); }
  geom::Matrix3d toWorld() const { return {xAxis, yAxis, zAxis(), origin}; }
  bool isWorld() const;
  friend bool operator==(const Ucs&, const Ucs&) = default;
};

class Document {
 public:
  explicit Document(db::Database db, std::string path = {});
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  db::Database& db() { return db_; }
  const db::Database& db() const { return db_; }
  const std::string& path() const { return path_; }
  void setPath(std::string path) { path_ = std::move(path); }
  // Whether the drawing changed since it was opened or last saved.
  bool hasUnsavedChanges() const { return db_.changeCount() != savedChanges_; }
  void markSaved() {
    savedChanges_ = db_.changeCount();
    ++saves_;
  }
  // Counts the saves, so a state remembered as saved can tell whether a later save replaced it.
  std::uint64_t saves() const { return saves_; }
  // Whether the drawing is still what reading its source text gave, so that text is all it takes
  // to have it again.
  bool isAsRead() const { return db_.changeCount() == changesWhenRead_; }

  // Puts `db` in place of the drawing (UNDO and REDO): the UCS is read from it again, highlights,
  // the previous selection and the pickfirst set are dropped, and `saved` says whether it is what
  // was saved last.
  void replaceDatabase(db::Database db, bool saved);
  UndoHistory& undoHistory() { return *undo_; }

  // The current UCS, read from the drawing's header when it opened; setting it writes $UCSORG,
  // $UCSXDIR, $UCSYDIR and $UCSNAME back so the drawing is saved with it.
  const Ucs& ucs() const { return ucs_; }
  void setUcs(const Ucs& ucs);

  // What the last selection prompt in this drawing picked (the "Previous" of the next one).
  std::vector<db::ObjectId> previousSelection;

  // Entities shown highlighted (kxedRedraw modes 3 and 4).
  std::unordered_set<db::ObjectId>& highlighted() { return highlighted_; }

  // The object modules see as this drawing.
  KxDbDatabase* sdkDatabase() { return sdkDatabase_.get(); }

  // How many database objects a module holds open in this drawing; a command that returns with
  // some still open has leaked them.
  int openObjects = 0;

 private:
  db::Database db_;
  std::string path_;
  std::uint64_t savedChanges_ = 0;
  std::uint64_t saves_ = 0;
  std::uint64_t changesWhenRead_ = 0;
  Ucs ucs_;
  std::unordered_set<db::ObjectId> highlighted_;
  std::unique_ptr<KxDbDatabase> sdkDatabase_;
  std::unique_ptr<UndoHistory> undo_;

  void readUcs();
};

class Session {
 public:
  static Session& instance();

  // The drawing commands work on; null before one is opened.
  Document* active() { return active_; }
  // Opens `db` as a drawing of the session and makes it active.
  Document& open(db::Database db, std::string path = {});
  void close(Document& document);
  void closeAll();
  // The open drawing whose serial is `serial`; null when none is.
  Document* find(std::int64_t serial);

  SelectionSets& selectionSets() { return *selectionSets_; }
  SystemVariables& systemVariables() { return *systemVariables_; }

  // Where kxutPrintf's text goes; standard output unless a test or the terminal says otherwise.
  std::function<void(std::wstring_view)> output;

  // How long loads and saves show how far they have come: given what is done ("Loading",
  // "Saving"), the file and about how many bytes it takes, it gives what the reader or writer
  // reports to (or nothing, to show nothing). Unset: nothing is shown.
  std::function<db::Progress(std::string_view action, const std::filesystem::path& file,
                             std::uintmax_t bytes)>
      progress;
  // Reads the drawing at `path` and opens it as open() does, reporting through `progress`; what
  // the reader repaired or noticed goes to `notices`, and a repair is noted in `events`. Throws
  // as db::readDxfFile.
  Document& openFile(const std::filesystem::path& path, std::vector<std::string>& notices);
  // Saves `document` to `path` as db::saveDxfFile does, reporting through `progress`.
  void save(Document& document, const std::filesystem::path& path);

  // What went otherwise than the input meant, for kxhost's exit status.
  RunEvents events;

  // The folder of the user's settings (kxhost --config); empty: settings live only in memory.
  std::filesystem::path configDir;
  // The product pre-name the host reports to modules (kxhost --prename); empty for none.
  std::wstring productPreName;

 private:
  Session();
  ~Session();

  std::vector<std::unique_ptr<Document>> documents_;
  Document* active_ = nullptr;
  std::unique_ptr<SelectionSets> selectionSets_;
  std::unique_ptr<SystemVariables> systemVariables_;
};

// The active drawing; throws std::logic_error when none is open (a host call made before a
// drawing is open is a host bug, not a user error).
Document& activeDocument();

}  // namespace kx::editor
