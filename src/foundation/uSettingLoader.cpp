#include "foundation/uSettingLoader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "foundation/uNumText.h"

namespace qx {

TFLSetList* SLSetList = nullptr;
TGlobalSettings* GlobalSettings = nullptr;

namespace {

std::unique_ptr<TFLSetList> gSLSetList;
std::unique_ptr<TGlobalSettings> gGlobalSettings;

// Creates the directory and its missing parents; true when it exists after.
bool MakeDirs(const std::string& dir) {
  if (dir.empty()) return true;
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const size_t slash = dir.find_last_of('/', dir.size() > 1 ? dir.size() - 2 : 0);
  if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash))) return false;
  return ::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

// The directory with its trailing delimiter (a hand-edited path may lack it).
std::string WithDelimiter(const std::string& dir) {
  if (dir.empty() || dir.back() == '/' || dir.back() == '\\') return dir;
  return dir + '/';
}

}  // namespace

std::string ExtractDir(const std::string& fileName) {
  const size_t p = fileName.find_last_of("/\\");
  return p == std::string::npos ? std::string() : fileName.substr(0, p + 1);
}

std::string StripExtension(const std::string& fileName) {
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || dot < ExtractDir(fileName).size()) return fileName;
  return fileName.substr(0, dot);
}

std::string RelativeFileName(const std::string& projectPath, const std::string& fileName) {
  const std::string dir = ExtractDir(fileName);
  if (!dir.empty() && dir == WithDelimiter(projectPath)) return fileName.substr(dir.size());
  return fileName;
}

std::string AbsoluteFileName(const std::string& projectPath, const std::string& fileName) {
  if (fileName.empty()) return fileName;
  if (ExtractDir(fileName).empty()) return WithDelimiter(projectPath) + fileName;
  return fileName;
}

// ---- TSettingLoad ----------------------------------------------------------

std::string TSettingLoad::SettingsFileName() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {  // a relative value is invalid and ignored
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    base = std::string(home) + "/.config";
  } else {
    return {};
  }
  if (base.back() != '/') base += '/';
  return base + "quillex/" + kSettingsFileName;
}

bool TSettingLoad::SaveSettings(const TFLSetList& sets, const std::string& fileName) {
  if (fileName.empty()) return false;
  TTextWriter out;
  for (const auto& set : sets) {
    TFLObject* target = set->Factory ? set->Factory() : nullptr;
    if (target) set->SaveSet(out, *target);
  }
  const size_t slash = fileName.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirs(fileName.substr(0, slash))) {
    return false;
  }
  return WriteTextFileAtomic(fileName, out.Text());
}

bool TSettingLoad::LoadSettings(const TFLSetList& sets, const std::string& fileName) {
  std::string text;
  if (!ReadTextFile(fileName, text)) return false;
  TTextLines lines(std::move(text));
  LoadBlocks(sets, lines);
  return true;
}

bool TSettingLoad::SaveSettings() {
  return SLSetList && SaveSettings(*SLSetList, SettingsFileName());
}

bool TSettingLoad::LoadSettings() {
  return SLSetList && LoadSettings(*SLSetList, SettingsFileName());
}

// ---- TGlobalSettings -------------------------------------------------------

TGlobalSettings::TGlobalSettings(TFileLoad& fileLoad) : fileLoad_(&fileLoad) {}

void TGlobalSettings::DefineSet(TFLSetList& slSets) {
  using G = TGlobalSettings;
  auto b = slSets.DefineBound<G>("QXGLOBALGENERAL", this);
  KeySet = static_cast<TSLSet*>(&b.Set());
  b.String(
      "qxVersion", [](G&) { return std::string(kQxVersion); }, [](G&, const std::string&) {});
  b.String("language", &G::LanguageCode, &G::SetLangUserChoice);
  b.String(
      "projectPath", [](G& g) { return g.FileLoader().ProjectPath; },
      [](G& g, const std::string& v) {
        if (!v.empty()) g.FileLoader().ProjectPath = WithDelimiter(v);
      });
  b.String(
      "lastProjectFile",
      [](G& g) { return RelativeFileName(g.FileLoader().ProjectPath, g.FileLoader().ProjectFile); },
      [](G& g, const std::string& v) {
        if (!v.empty())
          g.FileLoader().ProjectFile = AbsoluteFileName(g.FileLoader().ProjectPath, v);
      });
  b.Enum("decimalSeparator", SepNames, &G::SepChoice, &G::SetDecimalSeparator);
  b.Bool("autoLoadProject", &G::AutoLoadProject);
  b.Bool("startInRunMode", &G::StartInRunMode);
}

void TGlobalSettings::SetDecimalSeparator(int32_t choice) {
  SepChoice = choice;
  switch (choice) {
    // The machine's separator, not whatever "point" or "komma" left behind.
    case 0:
      SepChar = SystemSepChar;
      break;
    case 1:
      SepChar = '.';
      break;
    case 2:
      SepChar = ',';
      break;
    default:
      break;
  }
  SetDisplaySeparator(SepChar);
  SetFloatSeparator(SepChar);
}

void TGlobalSettings::SetLangUserChoice(const std::string& value) {
  LanguageCode = value.substr(0, 2);
  if (value != "nn" && OnSetLanguage) OnSetLanguage(LanguageCode);
}

// ---- Start-up --------------------------------------------------------------

void ApplyStartSettings(TGlobalSettings& settings, const TStartActions& actions) {
  TFileLoad& fl = settings.FileLoader();
  if (settings.AutoLoadProject && !fl.ProjectFile.empty()) {
    const std::string name = fl.ProjectFile;
    if (actions.NewProject) actions.NewProject();
    fl.ProjectFile = name;
    if (fl.LoadProject() != TLoadSaveResult::Done) {
      fl.ProjectFile.clear();
      if (actions.NewProject) actions.NewProject();
    }
  }
  if (!settings.AutoLoadProject) fl.ProjectFile.clear();
  if (settings.StartInRunMode && actions.SelectRunPage) actions.SelectRunPage();
}

void ApplyStartSettings(const TStartActions& actions) {
  if (GlobalSettings) ApplyStartSettings(*GlobalSettings, actions);
}

void InitSettingLoader() {
  gGlobalSettings.reset();
  GlobalSettings = nullptr;
  gSLSetList = std::make_unique<TFLSetList>();
  SLSetList = gSLSetList.get();
}

void InitGlobalSettings() {
  if (!FileLoad || !SLSetList) return;
  gGlobalSettings = std::make_unique<TGlobalSettings>(*FileLoad);
  GlobalSettings = gGlobalSettings.get();
  GlobalSettings->DefineSet(*SLSetList);
  GlobalSettings->SystemSepChar = SystemDecimalSeparator();
  // The machine's separator is in force until the settings choose another.
  GlobalSettings->SetDecimalSeparator(0);
}

}  // namespace qx
