// File handling (module uFileHandling): the project commands New, Open, Save
// and Save as with their file dialogs, and the application title that follows
// the current project. The file-name rules are the core's (uSettingLoader);
// the functions here apply them to the current project directory.
#pragma once

#include <QString>
#include <string>

#include "widgets/uDialogs.h"
#include "foundation/uFileLoader.h"

namespace qx {

inline constexpr const char* kProjectExtension = "qxproj";
inline constexpr int kTitleNameLength = 32;

class TFileHandling {
 public:
  TFileHandling();

  TFileDialogRequest OpenDialog;
  TFileDialogRequest SaveDialog;

  // Each command does nothing while a project is read or written: the
  // progress page lets events run, and nothing may free what the reader or
  // writer walks.
  // New and Open ask first when the project was changed (see AskToKeep).
  void New();
  void Open();
  void Save();
  void SaveAs();
  void LangUpdate();
  // A new empty project without asking (start-up, the command line).
  void Reset();

  // The project differs from what was last loaded, saved or made new: what
  // would be written now is compared with what was then.
  bool Changed() const;
  // Now is "unchanged": after a load, a save or New.
  void MarkUnchanged();
  // Before the project would be lost: unchanged, or the user saves (and the
  // save succeeds) or discards: true; cancelled: false.
  bool AskToKeep();

  static void UpdateTitle(bool withFile);
  // Application title for a project file ("" without project): its name
  // without directory and extension, at most 32 characters, " - Quillex".
  static QString ProjectTitle(const std::string& projectFile);

  static std::string ExtractDir(const std::string& name);
  static std::string StripExtension(const std::string& name);
  // Against the current project directory.
  static std::string RelativeFileName(const std::string& name);
  static std::string AbsoluteFileName(const std::string& name);

 private:
  bool Busy() const;
  void ReportSave(TLoadSaveResult result);
  void ReportOpenError();
  std::string startDir_;  // the process's directory at creation
  std::string unchangedText_;
  bool hasUnchanged_ = false;
};

extern TFileHandling* FileHandling;

// Replaces the open project with the file (path: its directory), unless the
// file is no project at all: then the open one stays, name and all, so that a
// Save cannot overwrite the other file. Failed: what could be read is shown,
// but the file is no longer the project's name.
enum class TOpenResult { NoProject, Loaded, Failed, Cancelled };
TOpenResult OpenProjectFile(const std::string& file, const std::string& path);

}  // namespace qx
