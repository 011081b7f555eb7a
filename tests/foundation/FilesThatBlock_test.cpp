// A FIFO named as a project or settings file: every reader refuses it at
// once (a blocking open would freeze the window for good) and fails as it
// does for a file that cannot be opened.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "support/FakeProject.h"
#include "support/Fifo.h"
#include "support/TempDir.h"

namespace qx {
namespace {

using fake::FakeProject;
using test::ReturnsPromptly;
using test::TFifo;

// Reads the FIFO; answers whether the reader succeeded.
struct Case {
  const char* name;
  const char* fifoName;
  std::function<bool(const TFifo&)> read;
};

TEST(FilesThatBlock, EachTextFileReaderRefusesAFifoAtOnce) {
  const Case cases[] = {
      {"text file", "p.qxproj",
       [](const TFifo& f) {
         std::string text = "kept";
         const bool ok = ReadTextFile(f.Path(), text);
         EXPECT_EQ(text, "kept");
         return ok;
       }},
      {"project", "p.qxproj",
       [](const TFifo& f) {
         FakeProject p;
         TFileLoad fl(p.Sets, &p);
         fl.ProjectFile = f.Path();
         const TLoadSaveResult r = fl.LoadProject();
         EXPECT_FALSE(fl.Loading());
         EXPECT_EQ(p.BeginUpdates, 0);
         return r != TLoadSaveResult::Failed;
       }},
      {"settings file", "quillex.settings",
       [](const TFifo& f) {
         FakeProject p;
         TFileLoad fl(p.Sets, &p);
         TFLSetList sets;
         TGlobalSettings settings(fl);
         settings.DefineSet(sets);
         const bool ok = TSettingLoad::LoadSettings(sets, f.Path());
         EXPECT_FALSE(settings.AutoLoadProject);
         EXPECT_EQ(settings.LanguageCode, "nn");
         return ok;
       }},
      // Where start-up looks: $XDG_CONFIG_HOME/quillex/quillex.settings.
      {"settings file at start-up", "quillex.settings",
       [](const TFifo& f) {
         fake::TempDir cfg;
         EXPECT_EQ(::symlink(f.Dir().c_str(), cfg.File("quillex").c_str()), 0);
         const char* old = std::getenv("XDG_CONFIG_HOME");
         const std::string saved = old ? old : "";
         setenv("XDG_CONFIG_HOME", cfg.Path().c_str(), 1);
         InitFileLoader();
         InitSettingLoader();
         InitGlobalSettings();
         EXPECT_EQ(TSettingLoad::SettingsFileName(), cfg.File("quillex/quillex.settings"));
         const bool ok = TSettingLoad::LoadSettings();
         if (old)
           setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
         else
           unsetenv("XDG_CONFIG_HOME");
         return ok;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFifo fifo(c.fifoName);
    ASSERT_TRUE(fifo.Ok());
    bool ok = true;
    EXPECT_TRUE(ReturnsPromptly([&] { ok = c.read(fifo); }));
    EXPECT_FALSE(ok);
  }
}

}  // namespace
}  // namespace qx
