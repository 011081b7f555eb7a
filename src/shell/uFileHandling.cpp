#include "shell/uFileHandling.h"

#include <QApplication>
#include <QGuiApplication>
#include <filesystem>
#include <system_error>

#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "foundation/uSettingLoader.h"
#include "foundation/uStrSearch.h"
#include "shell/uMain.h"
#include "shell/uSheetSelect.h"
#include "widgets/uLangStrings.h"
#include "widgets/uTabBar.h"

namespace qx {

TFileHandling* FileHandling = nullptr;

namespace {

const char* const kAppTitle = "Quillex";

std::string CurrentDir() {
  std::error_code ec;
  std::string dir = std::filesystem::current_path(ec).string();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

TFileHandling::TFileHandling() : startDir_(CurrentDir()) {
  OpenDialog.Kind = TFileDialogRequest::TKind::Open;
  OpenDialog.MustExist = true;
  SaveDialog.Kind = TFileDialogRequest::TKind::Save;
  LangUpdate();
}

void TFileHandling::LangUpdate() {
  OpenDialog.Title = Tr("ufilehandling.sfileopen",
                        "\xC3\x96"
                        "ffnen");
  SaveDialog.Title = Tr("ufilehandling.sfilesave", "Speichern unter");
  OpenDialog.Filter = SaveDialog.Filter =
      Tr("ufilehandling.sfilter", "Quillex Projekt") + " (*." + kProjectExtension + ")";
  UpdateTitle(FileLoad && !FileLoad->ProjectFile.empty());
}

bool TFileHandling::Busy() const {
  return FileLoad && (FileLoad->Loading() || FileLoad->Saving());
}

bool TFileHandling::Changed() const {
  return hasUnchanged_ && FileLoad && !FileLoad->ProjectTextEquals(unchangedText_);
}

void TFileHandling::MarkUnchanged() {
  if (!FileLoad) return;
  unchangedText_ = FileLoad->ProjectText();
  hasUnchanged_ = true;
}

bool TFileHandling::AskToKeep() {
  // While a project is read or written nothing is asked (New and Open are
  // refused then anyway; a close ends the load).
  if (Busy() || !Changed()) return true;
  switch (Dialogs().SaveQuestion(
      MainForm, Tr("ufilehandling.sfilechanged",
                   "Das Projekt wurde ge\xC3\xA4ndert. \xC3\x84nderungen speichern?"))) {
    case TSaveChoice::Save:
      Save();
      return !Changed();  // Save as cancelled or the save failed: keep it
    case TSaveChoice::Discard:
      return true;
    default:
      return false;
  }
}

void TFileHandling::New() {
  if (Busy() || !AskToKeep()) return;
  Reset();
}

void TFileHandling::Reset() {
  if (Busy()) return;
  if (Terminal) Terminal->Disconnect();
  TEditPanel::ClearSelection();
  TPropertyEditor::HideListing();
  // The sheet holds its updates while its elements go and is hidden once
  // they are gone: hidden first, each of thousands of widgets would get an
  // event of its own. With the focus on a widget inside, hidden first, so
  // that the focus moves on from there as it always did.
  TSheet* shown = CurrentSheet;
  QWidget* focus = QApplication::focusWidget();
  const bool hideFirst = shown && focus && focus != shown && shown->isAncestorOf(focus);
  if (hideFirst) shown->hide();
  if (shown) shown->setUpdatesEnabled(false);
  // Ports go before sheets: nothing may dispatch into elements being freed.
  if (PortList) PortList->FreeAll();
  for (TSheet* s : SheetList) s->Clear();
  if (shown) {
    shown->hide();
    shown->setUpdatesEnabled(true);
  }
  TSheet::ResetAll();
  if (FileLoad) FileLoad->ProjectFile.clear();
  if (MainForm && MainForm->TabBar) MainForm->TabBar->SelectTab(PageIndexEdit);
  UpdateTitle(false);
  MarkUnchanged();
}

void TFileHandling::Open() {
  if (Busy() || !FileLoad || !AskToKeep()) return;
  TFileDialogRequest request = OpenDialog;
  request.Directory =
      QString::fromStdString(FileLoad->ProjectPath.empty() ? startDir_ : FileLoad->ProjectPath);
  const std::optional<std::string> name = Dialogs().ChooseFile(MainForm, request);
  if (!name || name->empty()) return;
  const TOpenResult result = OpenProjectFile(*name, ExtractDir(*name));
  // The window was closed during the load: the program ends, nothing more.
  if (result == TOpenResult::Cancelled) return;
  if (result != TOpenResult::Loaded) ReportOpenError();
  if (result == TOpenResult::NoProject) return;
  if (MainForm && MainForm->TabBar) MainForm->TabBar->SelectTab(PageIndexEdit);
  if (SheetTabs) SheetTabs->SelectTab(0);
  UpdateTitle(!FileLoad->ProjectFile.empty());
  if (CurrentSheet && CurrentSheet->EditPanel) {
    // Over every loaded element.
    CurrentSheet->EditPanel->lower();
    CurrentSheet->EditPanel->raise();
  }
  // What was read became the unchanged project before the page closed; a
  // file that could not be read left the empty one.
}

void TFileHandling::ReportOpenError() {
  Dialogs().Message(MainForm, Tr("ufilehandling.sfilemsgopenerror",
                                 "Fehler beim \xC3\x96"
                                 "ffnen der Datei."));
}

void TFileHandling::SaveAs() {
  if (Busy() || !FileLoad) return;
  TFileDialogRequest request = SaveDialog;
  request.Directory =
      QString::fromStdString(FileLoad->ProjectPath.empty() ? startDir_ : FileLoad->ProjectPath);
  const std::optional<std::string> name = Dialogs().ChooseFile(MainForm, request);
  if (name && !name->empty()) {
    std::string file = *name;
    if (StripExtension(file) == file) file += std::string(".") + kProjectExtension;
    FileLoad->ProjectFile = file;
    FileLoad->ProjectPath = ExtractDir(file);
    const TLoadSaveResult result = FileLoad->SaveProject();
    UpdateTitle(true);
    ReportSave(result);
  }
  TPropertyEditor::HideListing();
}

void TFileHandling::Save() {
  if (Busy() || !FileLoad) return;
  if (FileLoad->ProjectFile.empty()) {
    SaveAs();
    return;
  }
  ReportSave(FileLoad->SaveProject());
  TPropertyEditor::HideListing();
}

void TFileHandling::ReportSave(TLoadSaveResult result) {
  if (result == TLoadSaveResult::Done) MarkUnchanged();
  if (result != TLoadSaveResult::Failed) return;
  Dialogs().Message(MainForm, Tr("ufilehandling.sfilemsgsaveerror",
                                 "Fehler beim Speichern: Datei kann nicht ge\xC3\xB6"
                                 "ffnet werden."));
}

QString TFileHandling::ProjectTitle(const std::string& projectFile) {
  if (projectFile.empty()) return kAppTitle;
  const std::string name =
      qx::StripExtension(projectFile.substr(qx::ExtractDir(projectFile).size()));
  return QString::fromStdString(Utf8Left(name, kTitleNameLength)) + " - " + kAppTitle;
}

void TFileHandling::UpdateTitle(bool withFile) {
  const QString title = withFile && FileLoad ? ProjectTitle(FileLoad->ProjectFile) : kAppTitle;
  QGuiApplication::setApplicationDisplayName(title);
  if (MainForm) MainForm->setWindowTitle(title);
}

std::string TFileHandling::ExtractDir(const std::string& name) {
  return qx::ExtractDir(name);
}

std::string TFileHandling::StripExtension(const std::string& name) {
  return qx::StripExtension(name);
}

std::string TFileHandling::RelativeFileName(const std::string& name) {
  return qx::RelativeFileName(FileLoad ? FileLoad->ProjectPath : std::string(), name);
}

std::string TFileHandling::AbsoluteFileName(const std::string& name) {
  return qx::AbsoluteFileName(FileLoad ? FileLoad->ProjectPath : std::string(), name);
}

TOpenResult OpenProjectFile(const std::string& file, const std::string& path) {
  std::string text;
  const TFileLoad::TReadResult read = FileLoad->ReadProjectFile(file, text);
  if (read == TFileLoad::TReadResult::NoProject) return TOpenResult::NoProject;
  if (FileHandling) FileHandling->Reset();
  FileLoad->ProjectFile = file;
  FileLoad->ProjectPath = path;
  const TLoadSaveResult result = read == TFileLoad::TReadResult::Ok
                                     ? FileLoad->LoadProject(std::move(text))
                                     : TLoadSaveResult::Failed;
  if (result == TLoadSaveResult::Cancelled) return TOpenResult::Cancelled;
  if (result == TLoadSaveResult::Failed) {
    // The unreadable file is no longer the project: the next Save asks for a
    // name instead of overwriting it with what was read.
    FileLoad->ProjectFile.clear();
    return TOpenResult::Failed;
  }
  return TOpenResult::Loaded;
}

}  // namespace qx
