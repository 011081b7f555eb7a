#include "foundation/uSettingLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/uNumText.h"
#include "support/FakeProject.h"
#include "support/TempDir.h"

namespace qx {
namespace {

using fake::FakeProject;

const char* const kDefaultSettings =
    "QXGLOBALGENERAL\r\n"
    "qxVersion \"V1.6\"\r\n"
    "language \"nn\"\r\n"
    "projectPath \"\"\r\n"
    "lastProjectFile \"\"\r\n"
    "decimalSeparator system\r\n"
    "autoLoadProject false\r\n"
    "startInRunMode false\r\n";

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : fl(project.Sets, &project), settings(fl) {
    settings.DefineSet(slSets);
    settings.OnSetLanguage = [this](const std::string& code) { languages.push_back(code); };
  }
  void TearDown() override {
    SetFloatSeparator(',');
    SetDisplaySeparator(',');
  }
  void Load(const std::string& text) {
    const std::string file = dir.File("in.settings");
    ASSERT_TRUE(WriteTextFileAtomic(file, text));
    ASSERT_TRUE(TSettingLoad::LoadSettings(slSets, file));
  }
  std::string Saved() {
    const std::string file = dir.File("out.settings");
    EXPECT_TRUE(TSettingLoad::SaveSettings(slSets, file));
    std::string text;
    EXPECT_TRUE(ReadTextFile(file, text));
    return text;
  }

  fake::TempDir dir;
  FakeProject project;
  TFileLoad fl;
  TFLSetList slSets;
  TGlobalSettings settings;
  std::vector<std::string> languages;
};

TEST_F(SettingsTest, FirstStartWritesTheDefaults) {
  EXPECT_FALSE(TSettingLoad::LoadSettings(slSets, dir.File("none.settings")));
  EXPECT_EQ(Saved(), kDefaultSettings);
  EXPECT_TRUE(languages.empty());
}

TEST_F(SettingsTest, ReadsEveryKey) {
  Load(
      "QXGLOBALGENERAL trailing text\n"
      "language \"en\"\n"
      "projectPath \"/home/u/proj/\"\n"
      "lastProjectFile \"p.qxproj\"\n"
      "decimalSeparator point\n"
      "autoLoadProject true\n"
      "startInRunMode true\n"
      "qxVersion \"V0.1\"\n");
  EXPECT_EQ(languages, std::vector<std::string>{"en"});
  EXPECT_EQ(settings.LanguageCode, "en");
  EXPECT_EQ(fl.ProjectPath, "/home/u/proj/");
  EXPECT_EQ(fl.ProjectFile, "/home/u/proj/p.qxproj");
  EXPECT_EQ(settings.SepChoice, 1);
  EXPECT_EQ(DisplaySeparator(), '.');
  EXPECT_EQ(FloatSeparator(), '.');
  EXPECT_EQ(FloatToDisplayText(1.5), "1.5");
  EXPECT_TRUE(settings.AutoLoadProject);
  EXPECT_TRUE(settings.StartInRunMode);
  // A file in the project directory is written without it.
  const std::string text = Saved();
  EXPECT_NE(text.find("lastProjectFile \"p.qxproj\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("qxVersion \"V1.6\"\r\n"), std::string::npos);
}

TEST_F(SettingsTest, IgnoresWhatItCannotUse) {
  fl.ProjectPath = "/keep/";
  fl.ProjectFile = "/keep/x.qxproj";
  Load(
      "QXGLOBALGENERAL\n"
      "language en\n"
      "language \"nn\"\n"
      "projectPath \"\"\n"
      "lastProjectFile \"\"\n"
      "decimalSeparator dot\n"
      "autoLoadProject 1\n"
      "unknownKey \"x\"\n"
      "QXOTHERBLOCK\n"
      "startInRunMode true\n");
  EXPECT_TRUE(languages.empty());
  EXPECT_EQ(settings.LanguageCode, "nn");
  EXPECT_EQ(fl.ProjectPath, "/keep/");
  EXPECT_EQ(fl.ProjectFile, "/keep/x.qxproj");
  EXPECT_EQ(settings.SepChoice, 0);
  EXPECT_FALSE(settings.AutoLoadProject);
  EXPECT_FALSE(settings.StartInRunMode);  // outside the block
}

// Choosing "system" after "point" or "komma" used to keep the last choice.
TEST_F(SettingsTest, SystemSeparatorIsRestored) {
  for (const char system : {',', '.'}) {
    settings.SystemSepChar = system;
    for (const int32_t before : {1, 2}) {
      settings.SetDecimalSeparator(before);
      settings.SetDecimalSeparator(0);
      EXPECT_EQ(settings.SepChar, system);
      EXPECT_EQ(DisplaySeparator(), system);
      EXPECT_EQ(FloatSeparator(), system);
    }
  }
  settings.SetDecimalSeparator(2);
  settings.SetDecimalSeparator(9);  // unknown: the character stays
  EXPECT_EQ(settings.SepChoice, 9);
  EXPECT_EQ(settings.SepChar, ',');
}

struct StartCase {
  bool autoLoad;
  bool fileExists;
  bool runMode;
  bool expectLoaded;
  int expectNew;
  bool expectNameKept;
};

TEST_F(SettingsTest, ApplyStartSettings) {
  const StartCase cases[] = {
      {true, true, false, true, 1, true},
      {true, false, true, false, 2, false},
      {false, true, false, false, 0, false},
  };
  FakeProject source;
  source.Current->Caption = "Gespeichert";
  source.AddPort();
  const std::string projectText = TFileLoad(source.Sets, &source).ProjectText();
  for (const StartCase& c : cases) {
    project.New();
    const std::string name = c.fileExists ? "saved.qxproj" : "gone.qxproj";
    if (c.fileExists) {
      ASSERT_TRUE(WriteTextFileAtomic(dir.File(name), projectText));
    }
    Load("QXGLOBALGENERAL\nprojectPath \"" + dir.Path() + "/\"\nlastProjectFile \"" + name +
         "\"\nautoLoadProject " + (c.autoLoad ? "true" : "false") + "\nstartInRunMode " +
         (c.runMode ? "true" : "false") + "\n");
    EXPECT_EQ(fl.ProjectFile, dir.File(name));
    int news = 0, runPages = 0;
    TStartActions actions;
    actions.NewProject = [&] {
      ++news;
      project.New();
      fl.ProjectFile.clear();
    };
    actions.SelectRunPage = [&] { ++runPages; };
    ApplyStartSettings(settings, actions);
    EXPECT_EQ(news, c.expectNew);
    EXPECT_EQ(runPages, c.runMode ? 1 : 0);
    EXPECT_EQ(project.Sheets[0]->Caption, c.expectLoaded ? "Gespeichert" : "Sheet");
    EXPECT_EQ(project.Ports.size(), c.expectLoaded ? 1u : 0u);
    EXPECT_EQ(fl.ProjectFile, c.expectNameKept ? dir.File(name) : "");
  }
}

TEST(SettingsFileTest, LocationFollowsXdgAndFailuresAreSilent) {
  fake::TempDir dir;
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";

  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(TSettingLoad::SettingsFileName(), dir.Path() + "/quillex/quillex.settings");
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(TSettingLoad::SettingsFileName(), "/home/someone/.config/quillex/quillex.settings");

  // Through the program-wide instances: the folder is created on save.
  setenv("XDG_CONFIG_HOME", (dir.Path() + "/cfg").c_str(), 1);
  InitFileLoader();
  InitSettingLoader();
  InitGlobalSettings();
  ASSERT_NE(GlobalSettings, nullptr);
  EXPECT_EQ(GlobalSettings->SepChar, SystemDecimalSeparator());
  EXPECT_FALSE(TSettingLoad::LoadSettings());
  EXPECT_TRUE(TSettingLoad::SaveSettings());
  std::string text;
  ASSERT_TRUE(ReadTextFile(dir.Path() + "/cfg/quillex/quillex.settings", text));
  EXPECT_EQ(text, kDefaultSettings);
  GlobalSettings->AutoLoadProject = true;
  EXPECT_TRUE(TSettingLoad::SaveSettings());
  GlobalSettings->AutoLoadProject = false;
  EXPECT_TRUE(TSettingLoad::LoadSettings());
  EXPECT_TRUE(GlobalSettings->AutoLoadProject);

  // A settings folder that cannot be created: nothing written, no error.
  ASSERT_TRUE(WriteTextFileAtomic(dir.File("afile"), "x"));
  setenv("XDG_CONFIG_HOME", dir.File("afile").c_str(), 1);
  EXPECT_FALSE(TSettingLoad::SaveSettings());
  EXPECT_FALSE(TSettingLoad::LoadSettings());
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  EXPECT_EQ(TSettingLoad::SettingsFileName(), "");
  EXPECT_FALSE(TSettingLoad::SaveSettings());

  if (oldXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  if (oldHome) setenv("HOME", savedHome.c_str(), 1);
  SetFloatSeparator(',');
  SetDisplaySeparator(',');
}

TEST(FileNameTest, RelativeAndAbsoluteNames) {
  EXPECT_EQ(RelativeFileName("/proj/", "/proj/pic.png"), "pic.png");
  EXPECT_EQ(RelativeFileName("/proj/", "/proj/sub/pic.png"), "/proj/sub/pic.png");
  EXPECT_EQ(RelativeFileName("/proj/", "pic.png"), "pic.png");
  EXPECT_EQ(AbsoluteFileName("/proj/", "record.dat"), "/proj/record.dat");
  EXPECT_EQ(AbsoluteFileName("/proj/", "/other/record.dat"), "/other/record.dat");
  EXPECT_EQ(AbsoluteFileName("/proj/", ""), "");
  // A directory without its delimiter (hand-edited settings) still works.
  EXPECT_EQ(AbsoluteFileName("/proj", "record.dat"), "/proj/record.dat");
  EXPECT_EQ(RelativeFileName("/proj", "/proj/pic.png"), "pic.png");
}

TEST(FileNameTest, DirectoryAndExtensionRules) {
  struct Case {
    const char* name;
    const char* dir;
    const char* stripped;
  };
  const Case cases[] = {
      {"/home/user/anlage.qxproj", "/home/user/", "/home/user/anlage"},
      // Dots in directory names belong to the directory, not to the extension.
      {"/home/j.doe/.local/p.qxproj", "/home/j.doe/.local/", "/home/j.doe/.local/p"},
      {"/home/j.doe/noext", "/home/j.doe/", "/home/j.doe/noext"},
      {"C:\\a.b\\x.qxproj", "C:\\a.b\\", "C:\\a.b\\x"},
      {"C:\\proj\\anlage.qxproj", "C:\\proj\\", "C:\\proj\\anlage"},
      {"pics\\x.png", "pics\\", "pics\\x"},
      {"archive.tar.gz", "", "archive.tar"},
      {"name.", "", "name"},
      {"plain", "", "plain"},
      {"/dir/", "/dir/", "/dir/"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExtractDir(c.name), c.dir);
    EXPECT_EQ(StripExtension(c.name), c.stripped);
  }
}

TEST(FileNameTest, DottedProjectDirectoryResolvesRelativeNames) {
  const std::string project = "/home/j.doe/.local/share/anlage.qxproj";
  const std::string dir = ExtractDir(project);
  EXPECT_EQ(dir, "/home/j.doe/.local/share/");
  EXPECT_EQ(AbsoluteFileName(dir, "pic.png"), "/home/j.doe/.local/share/pic.png");
  EXPECT_EQ(RelativeFileName(dir, "/home/j.doe/.local/share/pic.png"), "pic.png");
}

}  // namespace
}  // namespace qx
