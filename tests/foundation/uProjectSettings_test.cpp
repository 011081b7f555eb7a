#include "foundation/uProjectSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/uFileLoader.h"

namespace qx {
namespace {

// The shell forwards the values to its widgets; here it just counts.
struct ShellSettings : TProjectGeneralSettings {
  int fontSets = 0;
  void SetConsoleFont(const TFontDesc& f) override {
    ++fontSets;
    TProjectGeneralSettings::SetConsoleFont(f);
  }
};

TEST(ProjectSettingsTest, WritesGeneralBlockFirstInKeyOrder) {
  TFLSetList list;
  InitProjectGeneralSettings(list);
  ASSERT_NE(ProjectGeneralSettings, nullptr);
  EXPECT_EQ(TProjectGeneralSettings::GetInstance(), ProjectGeneralSettings);
  EXPECT_EQ(list.Find("QXGENERAL"), ProjectGeneralSet);
  ProjectGeneralSettings->SetConsoleRecActive(true);
  TTextWriter w;
  ProjectGeneralSet->SaveSet(w, *ProjectGeneralSettings);
  EXPECT_EQ(w.Text(),
            "QXGENERAL\r\n"
            "version \"V1.6\"\r\n"
            "showCompileState true\r\n"
            "consoleActive false\r\n"
            "consoleRecActive true\r\n"
            "consoleRecFile \"ConsoleLog.txt\"\r\n"
            "consoleFont name=\"Lucida Console\" size=13 color=$00ECFFFF\r\n"
            "consoleBackColor $00474747\r\n");
}

TEST(ProjectSettingsTest, LoadSetsWhatTheFileHasAndKeepsTheRest) {
  TFLSetList list;
  auto shell = std::make_unique<ShellSettings>();
  ShellSettings* s = shell.get();
  InitProjectGeneralSettings(list, std::move(shell));
  EXPECT_EQ(ProjectGeneralSettings, s);
  s->SetConsoleRecFile("mine.txt");
  TFileLoad fl(list);
  fl.LoadProjectText(
      "QXGENERAL\r\n"
      "version \"V0.9\"\r\n"
      "showCompileState false\r\n"
      "consoleFont name=\"Mono\" size=12 color=$000000FF\r\n");
  EXPECT_FALSE(s->CompileStateVisible());
  EXPECT_EQ(s->ConsoleRecFile(), "mine.txt");
  EXPECT_EQ(s->fontSets, 1);
  EXPECT_EQ(s->ConsoleFont().Color, 0x0000FFu);
  EXPECT_EQ(s->ConsoleFont().Name, "Mono");
  EXPECT_EQ(s->ConsoleBackColor(), 0x474747u);
}

}  // namespace
}  // namespace qx
