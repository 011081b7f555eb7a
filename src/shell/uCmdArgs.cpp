#include "shell/uCmdArgs.h"

#include <QCoreApplication>
#include <filesystem>

#include "channels/uTerminal.h"
#include "widgets/uDialogs.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "foundation/uStrSearch.h"
#include "shell/uFileHandling.h"
#include "shell/uMain.h"
#include "shell/uSheetSelect.h"
#include "widgets/uTabBar.h"
#include "shell/uWindowMode.h"

namespace qx {

namespace {

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void SelectRunPage() {
  if (MainForm && MainForm->TabBar) MainForm->TabBar->SelectTab(PageIndexRun);
}

// The first sheet on the Edit page, the title, the edit panel over the
// loaded elements.
void OpenedProjectShown() {
  if (MainForm && MainForm->TabBar) MainForm->TabBar->SelectTab(PageIndexEdit);
  if (SheetTabs) SheetTabs->SelectTab(0);
  TFileHandling::UpdateTitle(FileLoad && !FileLoad->ProjectFile.empty());
  if (CurrentSheet && CurrentSheet->EditPanel) {
    CurrentSheet->EditPanel->lower();
    CurrentSheet->EditPanel->raise();
  }
}

}  // namespace

bool TCmdArgs::HasOption(const std::vector<std::string>& args, const std::string& option) {
  for (const std::string& a : args) {
    if (a.size() >= option.size() && MatchAtNoCase(a, option, 1)) return true;
  }
  return false;
}

TCmdPlan TCmdArgs::Plan(const std::vector<std::string>& args) {
  TCmdPlan plan;
  if (args.empty()) return plan;
  // Looked at in this order: the last language found wins.
  for (const char* code : {"de", "en", "zh"}) {
    if (HasOption(args, std::string("-lang=") + code)) plan.Language = code;
  }
  plan.Maximize = HasOption(args, "-windowmaximized");
  plan.Minimize = HasOption(args, "-windowminimized");
  plan.FullScreen = HasOption(args, "-fullscreen");
  plan.FullWindow = HasOption(args, "-fullwindow");
  const std::string& first = args.front();
  plan.FirstIsOption = !first.empty() && first[0] == '-';
  if (plan.FirstIsOption) return plan;
  if (EndsWith(first, ".qxproj")) plan.Project = first;
  plan.MinimizeToRun = plan.Minimize;
  plan.RunMode = HasOption(args, "-runmode");
  plan.Connect = HasOption(args, "-connect");
  return plan;
}

void TCmdArgs::ProjectPlace(const std::string& name, const std::string& currentDir,
                            std::string& file, std::string& path) {
  // Absolute, so that the directory stored as the last project's still
  // holds when the program starts from another folder.
  std::string dir = currentDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  file = name.starts_with('/') ? name
                               : (std::filesystem::path(dir) / name).lexically_normal().string();
  path = ExtractDir(file);
}

void TCmdArgs::Proceed() {
  std::vector<std::string> args;
  const QStringList all = QCoreApplication::arguments();
  for (qsizetype i = 1; i < all.size(); ++i) args.push_back(all[i].toStdString());
  Proceed(args);
}

void TCmdArgs::Proceed(const std::vector<std::string>& args) {
  const TCmdPlan plan = Plan(args);
  if (args.empty()) return;
  if (!plan.Language.empty() && GlobalSettings) GlobalSettings->SetLangUserChoice(plan.Language);
  if (WindowMode) {
    if (plan.Maximize) WindowMode->Maximize();
    if (plan.Minimize) WindowMode->Minimize();
    if (plan.FullScreen) WindowMode->FullScreenOn();
    if (plan.FullWindow) WindowMode->FullWindowOn();  // refused while full screen is on
  }
  if (plan.FirstIsOption) return;
  if (!plan.Project.empty() && FileLoad) {
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    std::string file, path;
    ProjectPlace(plan.Project, cwd, file, path);
    const TOpenResult result = OpenProjectFile(file, path);
    // The window was closed during the load: the program ends, nothing more.
    if (result == TOpenResult::Cancelled) return;
    if (result != TOpenResult::Loaded) {
      Dialogs().Message(MainForm, Tr("ucmdargs.sfileopenerror",
                                     "Fehler beim \xC3\x96"
                                     "ffnen der Datei ") +
                                      "\"" + QString::fromStdString(file) + "\"");
    }
    // Not a project at all: the project open now stays, as it was.
    if (result != TOpenResult::NoProject) OpenedProjectShown();
  }
  if (plan.MinimizeToRun) {
    SelectRunPage();
    if (WindowMode && WindowMode->InTray && MainForm) {
      MainForm->setWindowState(MainForm->windowState() & ~Qt::WindowMinimized);
      WindowMode->MinimizeToTray();
    }
  }
  if (plan.RunMode) SelectRunPage();
  if (plan.Connect) {
    SelectRunPage();  // compiles every formula first
    if (Terminal) Terminal->Connect();
  }
}

}  // namespace qx
