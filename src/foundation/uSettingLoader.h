// Settings file and global settings (module uSettingLoader).
//
// The preferences that hold for every project live in
// $XDG_CONFIG_HOME/quillex/quillex.settings (default ~/.config/quillex/), in
// the block format of the entry sets, as the single block "QXGLOBALGENERAL".
// Read once at start-up, written at shutdown and after a language change. A
// missing or unwritable file is silently ignored.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/uFileLoadSet.h"
#include "foundation/uFileLoader.h"

namespace qx {

inline constexpr const char* kSettingsFileName = "quillex.settings";
inline constexpr const char* kQxVersion = "V1.6";

class TSettingLoad {
 public:
  TSettingLoad() = delete;
  // $XDG_CONFIG_HOME/quillex/quillex.settings, or $HOME/.config/quillex/...;
  // empty when neither variable is set.
  static std::string SettingsFileName();
  // Writes every set of the list with its target (atomically; the folder is
  // created when missing). Silent on failure; returns whether it wrote.
  static bool SaveSettings(const TFLSetList& sets, const std::string& fileName);
  // Reads the file into the sets' targets. Silent when it cannot be opened;
  // returns whether it read.
  static bool LoadSettings(const TFLSetList& sets, const std::string& fileName);
  // The same with SLSetList and SettingsFileName().
  static bool SaveSettings();
  static bool LoadSettings();
};

class TGlobalSettings : public TFLObject {
 public:
  // fileLoad: whose ProjectPath and ProjectFile the settings read and write.
  explicit TGlobalSettings(TFileLoad& fileLoad);

  int32_t SepChoice = 0;     // 0 "system", 1 "point", 2 "komma"
  char SepChar = ',';        // the display separator
  char SystemSepChar = ',';  // the machine's separator, recorded at start-up
  bool AutoLoadProject = false;
  bool StartInRunMode = false;
  std::string LanguageCode = "nn";  // "nn": none chosen (built-in German texts)
  const std::vector<std::string> SepNames{"system", "point", "komma"};
  TSLSet* KeySet = nullptr;

  // Switches the interface language (set by the shell; may be empty).
  std::function<void(const std::string& code)> OnSetLanguage;

  TFileLoad& FileLoader() const { return *fileLoad_; }

  // Defines "QXGLOBALGENERAL" in the list, bound to this object.
  void DefineSet(TFLSetList& slSets);
  // 0 system (the separator recorded at start-up), 1 ".", 2 ","; other values
  // keep SepChar. Installs SepChar as display and process-wide separator.
  void SetDecimalSeparator(int32_t choice);
  // LanguageCode := first two characters; unless "nn" the language switches.
  void SetLangUserChoice(const std::string& value);

 private:
  TFileLoad* fileLoad_;
};

// Start-up actions the shell provides to ApplyStartSettings.
struct TStartActions {
  std::function<void()> NewProject;     // TFileHandling.New (clears ProjectFile)
  std::function<void()> SelectRunPage;  // main tab strip: tab 0
};

// Opens the remembered project or forgets it, and selects the Run page, as
// the settings ask.
void ApplyStartSettings(TGlobalSettings& settings, const TStartActions& actions);
void ApplyStartSettings(const TStartActions& actions);  // with GlobalSettings

// File-name helpers ("/" separators; "\" from old files read as "/").
// ExtractDir: everything up to and with the last delimiter, or empty (a dot in
// a directory name does not matter). StripExtension: the name without the
// text from the last "." of its last component on; unchanged without one.
// RelativeFileName drops the project directory when the file lies directly
// in it; AbsoluteFileName puts it before a name without directory.
std::string ExtractDir(const std::string& fileName);
std::string StripExtension(const std::string& fileName);
std::string RelativeFileName(const std::string& projectPath, const std::string& fileName);
std::string AbsoluteFileName(const std::string& projectPath, const std::string& fileName);

// Program-wide instances, created by start-up.
extern TFLSetList* SLSetList;
extern TGlobalSettings* GlobalSettings;
// Creates SLSetList.
void InitSettingLoader();
// Creates GlobalSettings on FileLoad, defines its set, records the system
// separator. Needs InitFileLoader and InitSettingLoader first.
void InitGlobalSettings();

}  // namespace qx
