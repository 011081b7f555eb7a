// The command line: the option table and what an argument list does to the
// running program (project, Run page, connect, window modes, language).
#include "shell/uCmdArgs.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>

#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "gui_support/AppFixture.h"
#include "shell/uInit.h"
#include "shell/uWindowMode.h"
#include "widgets/uDialogs.h"

namespace qx {
namespace {

using test::AppFixture;
using Args = std::vector<std::string>;

TEST(CmdArgsPlan, OptionTable) {
  struct Row {
    Args args;
    std::string language, project;
    bool firstIsOption, runMode, connect, minimizeToRun, fullScreen, fullWindow;
  };
  const std::vector<Row> rows = {
      {{}, "", "", true, false, false, false, false, false},
      {{"-connect"}, "", "", true, false, false, false, false, false},
      {{"-CONNECT", "p.qxproj"}, "", "", true, false, false, false, false, false},
      {{"p.qxproj", "-connect"}, "", "p.qxproj", false, false, true, false, false, false},
      {{"dir/p.qxproj", "-RunMode"}, "", "dir/p.qxproj", false, true, false, false, false, false},
      {{"p.QXPROJ", "-connect"}, "", "", false, false, true, false, false, false},
      {{"p.qxproj.bak", "-runmode"}, "", "", false, true, false, false, false, false},
      {{"-LANG=EN"}, "en", "", true, false, false, false, false, false},
      {{"-lang=deutsch"}, "de", "", true, false, false, false, false, false},
      // The last of de, en, zh in this order wins, wherever they stand.
      {{"-lang=zh", "-lang=de"}, "zh", "", true, false, false, false, false, false},
      {{"-lang=en", "-lang=de"}, "en", "", true, false, false, false, false, false},
      {{"x", "-windowminimized"}, "", "", false, false, false, true, false, false},
      {{"-windowminimized", "x.qxproj"}, "", "", true, false, false, false, false, false},
      {{"-fullwindow", "-FULLSCREEN"}, "", "", true, false, false, false, true, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args.empty() ? std::string("(none)") : r.args.front());
    const TCmdPlan p = TCmdArgs::Plan(r.args);
    EXPECT_EQ(p.Language, r.language);
    EXPECT_EQ(p.Project, r.project);
    EXPECT_EQ(p.FirstIsOption, r.firstIsOption);
    EXPECT_EQ(p.RunMode, r.runMode);
    EXPECT_EQ(p.Connect, r.connect);
    EXPECT_EQ(p.MinimizeToRun, r.minimizeToRun);
    EXPECT_EQ(p.FullScreen, r.fullScreen);
    EXPECT_EQ(p.FullWindow, r.fullWindow);
  }
  // An option matches only arguments that begin with it.
  EXPECT_FALSE(TCmdArgs::HasOption({"x-connect", "-conn"}, "-connect"));
}

TEST(CmdArgsPlan, ProjectPlace) {
  std::string file, path;
  TCmdArgs::ProjectPlace("p.qxproj", "/home/u", file, path);
  EXPECT_EQ(file, "/home/u/p.qxproj");
  EXPECT_EQ(path, "/home/u/");
  TCmdArgs::ProjectPlace("p.qxproj", "/", file, path);
  EXPECT_EQ(file, "/p.qxproj");
  TCmdArgs::ProjectPlace("/data/x/p.qxproj", "/home/u", file, path);
  EXPECT_EQ(file, "/data/x/p.qxproj");
  EXPECT_EQ(path, "/data/x/");
  // A relative directory is taken in the current one.
  TCmdArgs::ProjectPlace("examples/p.qxproj", "/home/u", file, path);
  EXPECT_EQ(file, "/home/u/examples/p.qxproj");
  EXPECT_EQ(path, "/home/u/examples/");
  TCmdArgs::ProjectPlace("./a/../p.qxproj", "/home/u/", file, path);
  EXPECT_EQ(file, "/home/u/p.qxproj");
  EXPECT_EQ(path, "/home/u/");
}

class TMessages final : public TDialogProvider {
 public:
  std::vector<QString> Messages;
  void Message(QWidget*, const QString& text) override { Messages.push_back(text); }
  bool Question(QWidget*, const QString&) override { return false; }
  std::optional<TColor> ChooseColor(QWidget*, TColor) override { return std::nullopt; }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return std::nullopt; }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest&) override {
    return std::nullopt;
  }
};

class CmdArgsTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetDialogProvider(&dialogs);
    const char* base = std::getenv("QX_TEST_TMP");
    if (base) QDir().mkpath(base);
    tmp = std::make_unique<QTemporaryDir>(QString(base ? base : "/tmp") + "/cmdargs-XXXXXX");
    ASSERT_TRUE(tmp->isValid());
    oldCwd = std::filesystem::current_path();
  }
  void TearDown() override {
    std::filesystem::current_path(oldCwd);
    SetDialogProvider(nullptr);
    AppFixture::TearDown();
  }
  // A saved project with one loopback UDP port; the running one is new again.
  std::string SaveProject(const std::string& name) {
    LoopbackPort(9);
    FileLoad->ProjectFile = tmp->path().toStdString() + "/" + name;
    EXPECT_EQ(FileLoad->SaveProject(), TLoadSaveResult::Done);
    NewProject();
    return FileLoad->ProjectFile = tmp->path().toStdString() + "/" + name;
  }
  TMessages dialogs;
  std::unique_ptr<QTemporaryDir> tmp;
  std::filesystem::path oldCwd;
};

TEST_F(CmdArgsTest, ProjectThenConnectOpensRunsAndConnects) {
  const std::string file = SaveProject("panel.qxproj");
  NewProject();
  std::filesystem::current_path(tmp->path().toStdString());
  TCmdArgs::Proceed({"panel.qxproj", "-connect"});
  EXPECT_EQ(FileLoad->ProjectFile, file);
  EXPECT_EQ(FileLoad->ProjectPath, tmp->path().toStdString() + "/");
  EXPECT_EQ(PortList->Count(), 1);
  EXPECT_EQ(form->TabBar->ItemIndex, 0);
  EXPECT_TRUE(Terminal->Connected.load());
  EXPECT_TRUE(dialogs.Messages.empty());
  Terminal->Disconnect();
}

TEST_F(CmdArgsTest, OptionFirstOrWrongCaseOpensNothing) {
  SaveProject("panel.qxproj");
  NewProject();
  std::filesystem::current_path(tmp->path().toStdString());
  TCmdArgs::Proceed({"-connect", "panel.qxproj"});
  EXPECT_TRUE(FileLoad->ProjectFile.empty());
  EXPECT_FALSE(Terminal->Connected.load());
  EXPECT_EQ(form->TabBar->ItemIndex, 1);
  TCmdArgs::Proceed({"panel.QXPROJ", "-runmode"});
  EXPECT_TRUE(FileLoad->ProjectFile.empty());
  EXPECT_EQ(form->TabBar->ItemIndex, 0);  // the other options still act
}

TEST_F(CmdArgsTest, UnreadableProjectSaysSoWithItsName) {
  const std::string missing = tmp->path().toStdString() + "/gone.qxproj";
  TCmdArgs::Proceed({missing, "-runmode"});
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0], QString::fromUtf8("Fehler beim \xC3\x96"
                                                   "ffnen der Datei \"") +
                                     QString::fromStdString(missing) + "\"");
  EXPECT_TRUE(FileLoad->ProjectFile.empty());  // a later Save asks for a name
  EXPECT_EQ(form->TabBar->ItemIndex, 0);
}

// Opened as "examples/panel.qxproj" with the last project loaded at start:
// the next start from another folder opens it again.
TEST_F(CmdArgsTest, ProjectInARelativeDirectoryIsRememberedAbsolute) {
  const std::string root = tmp->path().toStdString();
  std::filesystem::create_directories(root + "/examples");
  SaveProject("examples/panel.qxproj");
  NewProject();
  std::filesystem::current_path(root);
  TCmdArgs::Proceed({"examples/panel.qxproj"});
  ASSERT_EQ(PortList->Count(), 1);
  GlobalSettings->AutoLoadProject = true;
  const std::string settingsFile = root + "/quillex.settings";
  ASSERT_TRUE(TSettingLoad::SaveSettings(*SLSetList, settingsFile));
  std::string text;
  ASSERT_TRUE(ReadTextFile(settingsFile, text));
  EXPECT_NE(text.find("projectPath \"" + root + "/examples/\"\r\nlastProjectFile \"panel.qxproj\""),
            std::string::npos)
      << text;

  NewProject();
  FileLoad->ProjectPath.clear();
  GlobalSettings->AutoLoadProject = false;
  std::filesystem::current_path("/");
  ASSERT_TRUE(TSettingLoad::LoadSettings(*SLSetList, settingsFile));
  ApplyStartSettings({[] { NewProject(); }, {}});
  GlobalSettings->AutoLoadProject = false;
  EXPECT_EQ(FileLoad->ProjectFile, root + "/examples/panel.qxproj");
  EXPECT_EQ(PortList->Count(), 1);
}

// Random bytes named as a project: refused with the message, and the project
// open before stays, name and all.
TEST_F(CmdArgsTest, FileThatIsNoProjectLeavesTheOpenOne) {
  const std::string file = SaveProject("panel.qxproj");
  ASSERT_EQ(FileLoad->LoadProject(), TLoadSaveResult::Done);
  const std::string before = FileLoad->ProjectText();
  const std::string noise = test::NoiseBytes(200 * 1024, 12345);
  const std::string foreign = tmp->path().toStdString() + "/noise.qxproj";
  ASSERT_TRUE(WriteTextFileAtomic(foreign, noise));
  TCmdArgs::Proceed({foreign});
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0], QString::fromUtf8("Fehler beim \xC3\x96"
                                                   "ffnen der Datei \"") +
                                     QString::fromStdString(foreign) + "\"");
  EXPECT_EQ(FileLoad->ProjectFile, file);
  EXPECT_EQ(FileLoad->ProjectText(), before);
  std::string kept;
  ASSERT_TRUE(ReadTextFile(foreign, kept));
  EXPECT_EQ(kept, noise);
}

TEST_F(CmdArgsTest, FullScreenWinsOverFullWindow) {
  TCmdArgs::Proceed({"-fullwindow", "-fullscreen"});
  EXPECT_EQ(WindowMode->Mode, WindowModeFullScreen);
  WindowMode->FullScreenOff();
}

}  // namespace
}  // namespace qx
