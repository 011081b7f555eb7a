// Project file (module uFileLoader).
//
// TFileLoad writes the whole project into one "qxproj" text file and reads a
// file back into the running system through the typed entry sets:
//   "QXGENERAL" block, one block per port (port-list order), then for each
//   sheet its "QXSHEET" block followed by the blocks of its elements in
//   stacking order (sub-elements have no block of their own).
// The ports, sheets, elements, progress page and run page are not known here:
// the shell (and tests) reach them through TProjectContent and
// TLoadSaveProgress. Reading creates objects through the sets' factories.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/uFileLoadSet.h"

namespace qx {

// One persisted object and its key set (nullptr: its class has none).
struct TPersistItem {
  TFLObject* Object = nullptr;
  const TFLSet* Set = nullptr;
};

struct TPersistElement {
  TFLObject* Object = nullptr;
  const TFLSet* Set = nullptr;
  bool IsSubElement = false;  // part of another element: no block of its own
};

// What a project consists of; filled in by the shell, by fakes in tests.
class TProjectContent {
 public:
  virtual ~TProjectContent() = default;
  // The project settings object and its "QXGENERAL" set.
  virtual TPersistItem GeneralSettings() = 0;
  virtual int32_t PortCount() = 0;
  virtual TPersistItem Port(int32_t index) = 0;
  virtual int32_t SheetCount() = 0;
  virtual TPersistItem Sheet(int32_t index) = 0;
  // Element list of a sheet, in stacking order, sub-elements included.
  virtual int32_t ElementCount(int32_t sheet) = 0;
  virtual TPersistElement Element(int32_t sheet, int32_t index) = 0;

  // Around a load: the run page stops laying out its controls.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
  // Before a load: the property panel is hidden (a pending edit committed).
  virtual void HideListing() {}
  // After a load: every edit frame of the current sheet is fitted again.
  virtual void UpdateFrames() {}
  // After a load, before its page closes: what was read is the unchanged
  // project.
  virtual void Loaded() {}
  // An element whose class has no key set cannot be written.
  virtual void ShowMessage(const std::string& text) { (void)text; }
};

// The load/save page. Each call may let pending window messages run.
class TLoadSaveProgress {
 public:
  virtual ~TLoadSaveProgress() = default;
  virtual void Show(const std::string& title) { (void)title; }
  virtual void StartProgress(int32_t steps) { (void)steps; }
  virtual void StepProgress() {}
  virtual void SetProgress(int32_t percent) { (void)percent; }
  // The page shows its last state briefly, then closes (the shell does the
  // short pause; the core never sleeps).
  virtual void Close() {}
  // The program is ending (its window was closed): a load stops at the next
  // block instead of reading the rest for nothing.
  virtual bool Cancelled() { return false; }
};

// Outcome of a load or save; Busy: refused because one already runs;
// Cancelled: a load stopped part-way because the program is ending.
enum class TLoadSaveResult { Done, Failed, Busy, Cancelled };

// Page titles and message.
inline constexpr std::string_view sflSaveFile = "Speichert Datei";
inline constexpr std::string_view sflLoadFile =
    "L\xC3\xA4"
    "dt Datei";
inline constexpr std::string_view sflSetNotAssigned = "QXFileLoadSet not assigned in Unit uInit!";

class TFileLoad {
 public:
  // sets: the project-file sets used for reading. content and progress may
  // be given later (SetContent/SetProgress); without content a project is
  // empty (nothing written but nothing lost either: reading still creates
  // objects through the sets' factories).
  explicit TFileLoad(const TFLSetList& sets, TProjectContent* content = nullptr,
                     TLoadSaveProgress* progress = nullptr);
  TFileLoad(const TFileLoad&) = delete;
  TFileLoad& operator=(const TFileLoad&) = delete;

  std::string ProjectFile;  // full name of the current project file; "" when none
  std::string ProjectPath;  // project directory (dialogs, relative file names)

  bool Loading() const { return loading_; }
  bool Saving() const { return saving_; }

  // Writes the project into ProjectFile (temporary file + rename, so a failed
  // save keeps the previous file).
  [[nodiscard]] TLoadSaveResult SaveProject();
  // Reads ProjectFile into the running system; adds to what exists. A file
  // in which no set name is recognised is no project: Failed, nothing read.
  [[nodiscard]] TLoadSaveResult LoadProject();
  // Loads a text that ReadProjectFile gave, as LoadProject loads the file.
  [[nodiscard]] TLoadSaveResult LoadProject(std::string text);

  enum class TReadResult { Ok, Unreadable, NoProject };
  // Reads a file and checks that it is a project, changing nothing: a caller
  // keeps the open project when the file turns out to be none.
  [[nodiscard]] TReadResult ReadProjectFile(const std::string& fileName, std::string& text) const;
  // Whether some line of the text selects one of the sets.
  bool IsProjectText(std::string_view text) const;

  // The text SaveProject would write (no file, no busy check).
  std::string ProjectText();
  // Whether ProjectText() would give this text; compared line by line as it
  // is written, without a second copy of a large project.
  bool ProjectTextEquals(std::string_view text);
  // Reads a project text as LoadProject does, without file and busy check.
  void LoadProjectText(std::string text);

  void SetContent(TProjectContent* content);
  void SetProgress(TLoadSaveProgress* progress);
  const TFLSetList& Sets() const { return *sets_; }

 private:
  void WriteProject(TLineWriter& out, bool withProgress);
  // False when the load was cancelled part-way.
  bool ReadProject(TTextLines& lines);
  // text: what ReadProjectFile gave; nullptr: ProjectFile is read.
  TLoadSaveResult Load(std::string* text);

  const TFLSetList* sets_;
  TProjectContent* content_;
  TLoadSaveProgress* progress_;
  TLoadSaveProgress noProgress_;
  class TNoContent;
  std::unique_ptr<TProjectContent> noContent_;
  bool loading_ = false;
  bool saving_ = false;
};

// ---- Files -----------------------------------------------------------------

// Largest project or settings file read.
inline constexpr uint32_t kMaxTextFileBytes = UINT32_MAX;
// Whole file into text; false when it cannot be read (or the name is blank,
// or it is no regular file: a FIFO or device is refused without waiting).
[[nodiscard]] bool ReadTextFile(const std::string& fileName, std::string& text);
// Writes text to a temporary file in the same directory and renames it over
// fileName (a link is followed to its file); on failure the previous file is
// untouched and false is returned.
[[nodiscard]] bool WriteTextFileAtomic(const std::string& fileName, std::string_view text);

// Program-wide project file object and set list, created by start-up.
extern TFileLoad* FileLoad;
// Creates FLSetList (empty) and FileLoad; the shell then gives FileLoad its
// content and progress page. Calling it again replaces both.
void InitFileLoader();

}  // namespace qx
