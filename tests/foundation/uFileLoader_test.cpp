#include "foundation/uFileLoader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/FakeProject.h"
#include "support/TempDir.h"

namespace qx {
namespace {

using fake::FakeChart;
using fake::FakeGauge;
using fake::FakeProject;

// Records the page's calls; an optional hook runs inside each progress call,
// where window messages (and so a second load or save) may arrive.
struct RecordingProgress : TLoadSaveProgress {
  std::vector<std::string> titles;
  int32_t steps = -1, stepped = 0, closes = 0;
  std::vector<int32_t> percents;
  std::function<void()> duringProgress;
  void Show(const std::string& title) override { titles.push_back(title); }
  void StartProgress(int32_t s) override { steps = s; }
  void StepProgress() override {
    ++stepped;
    if (duringProgress) duringProgress();
  }
  void SetProgress(int32_t p) override {
    percents.push_back(p);
    if (duringProgress) duringProgress();
  }
  void Close() override { ++closes; }
};

void BuildSample(FakeProject& p) {
  p.General.SetCompileStateVisible(false);
  p.General.SetConsoleRecFile("log \"1\".txt");
  auto& port1 = p.AddPort();
  port1.Name = "/dev/ttyS3";
  port1.Baud = 115200;
  port1.Parity = 2;
  auto& port2 = p.AddPort();
  port2.Timeout = 2.25;
  port2.Enabled = false;
  p.Current->Caption = "Erste Seite";
  auto& g1 = p.AddElement<FakeGauge>();
  g1.Left = -15;
  g1.Top = -4;
  g1.Source = "#1*2";
  g1.LedCount = 4;
  g1.LedColors = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  g1.Font = {"Arial", 11, 0x0000FF, true, false, false, true};
  auto& chart = p.AddElement<FakeChart>();
  chart.SetCurveCount(2);
  chart.SetCurveTitle(0, "Temperatur");
  chart.SetCurveColor(1, 0x123456);
  auto& g2 = p.AddElement<FakeGauge>();
  g2.Caption = "zwei\nZeilen";
  g2.Mode = 3;
  p.FirstSheetPending = false;
  p.AddSheet().Caption = "Zweite";
  auto& g3 = p.AddElement<FakeGauge>();
  g3.Value = 1e-7;
  g3.LedCount = 0;
}

std::vector<std::string> SetLines(const std::string& text) {
  std::vector<std::string> names;
  TTextLines lines(text);
  std::string_view l;
  while (lines.ReadLine(l)) {
    if (!l.empty() && l[0] == 'Q') names.emplace_back(l);
  }
  return names;
}

// Loads text into a new project and returns what it saves again.
std::string Reload(const std::string& text, FakeProject& into) {
  TFileLoad fl(into.Sets, &into);
  fl.LoadProjectText(text);
  return fl.ProjectText();
}

class FileLoaderTest : public ::testing::Test {
 protected:
  fake::TempDir dir;
};

TEST_F(FileLoaderTest, SavesBlocksInProjectOrder) {
  FakeProject p;
  BuildSample(p);
  TFileLoad fl(p.Sets, &p);
  const std::string text = fl.ProjectText();
  EXPECT_EQ(SetLines(text), (std::vector<std::string>{"QXGENERAL", "QXFAKEPORT", "QXFAKEPORT",
                                                      "QXSHEET", "QXFAKEGAUGE", "QXFAKECHART",
                                                      "QXFAKEGAUGE", "QXSHEET", "QXFAKEGAUGE"}));
  // The chart's block carries its curves; only active indexed keys are written.
  EXPECT_NE(text.find("QXFAKECHART\r\nname \"chart\"\r\ncurveCount 2\r\ncurveTitle0 "
                      "\"Temperatur\"\r\ncurveColor0 $00000000\r\ncurveTitle1 \"\"\r\n"
                      "curveColor1 $00123456\r\nQXFAKEGAUGE"),
            std::string::npos);
  EXPECT_NE(text.find("ledColor3 $00000004\r\nQXFAKECHART"), std::string::npos) << text;
  EXPECT_EQ(text.find("ledColor4"), std::string::npos);
  EXPECT_NE(text.find("position x=-15 y=-4\r\n"), std::string::npos);
}

TEST_F(FileLoaderTest, ProjectRoundTripsThroughTheFile) {
  FakeProject a;
  BuildSample(a);
  RecordingProgress progress;
  TFileLoad fl(a.Sets, &a, &progress);
  fl.ProjectFile = dir.File("p.qxproj");
  ASSERT_EQ(fl.SaveProject(), TLoadSaveResult::Done);
  EXPECT_EQ(progress.titles, std::vector<std::string>{std::string(sflSaveFile)});
  EXPECT_EQ(progress.steps, 1 + 2 + 6);  // settings, ports, element list entries
  EXPECT_EQ(progress.stepped, progress.steps);
  EXPECT_EQ(progress.percents.back(), 100);
  EXPECT_EQ(progress.closes, 1);

  FakeProject b;
  b.General.SetConsoleActive(true);
  RecordingProgress progress2;
  TFileLoad fl2(b.Sets, &b, &progress2);
  fl2.ProjectFile = fl.ProjectFile;
  ASSERT_EQ(fl2.LoadProject(), TLoadSaveResult::Done);
  EXPECT_EQ(progress2.titles, std::vector<std::string>{std::string(sflLoadFile)});
  EXPECT_EQ(progress2.percents.front(), 5);
  EXPECT_TRUE(std::is_sorted(progress2.percents.begin(), progress2.percents.end()));
  EXPECT_EQ(progress2.percents.back(), 100);
  EXPECT_EQ(progress2.closes, 1);
  EXPECT_EQ(b.BeginUpdates, 1);
  EXPECT_EQ(b.EndUpdates, 1);
  EXPECT_EQ(b.HideListings, 1);
  EXPECT_EQ(b.FrameUpdates, 1);
  EXPECT_FALSE(fl2.Loading());

  EXPECT_EQ(fl2.ProjectText(), fl.ProjectText());
  EXPECT_FALSE(b.General.CompileStateVisible());
  EXPECT_FALSE(b.General.ConsoleActive());
  EXPECT_EQ(b.General.ConsoleRecFile(), "log \"1\".txt");
  ASSERT_EQ(b.Ports.size(), 2u);
  EXPECT_EQ(*b.Ports[0], *a.Ports[0]);
  EXPECT_EQ(*b.Ports[1], *a.Ports[1]);
  ASSERT_EQ(b.Sheets.size(), 2u);
  for (size_t s = 0; s < 2; ++s) {
    EXPECT_EQ(b.Sheets[s]->Caption, a.Sheets[s]->Caption);
    ASSERT_EQ(b.Sheets[s]->Elements.size(), a.Sheets[s]->Elements.size());
    for (size_t e = 0; e < a.Sheets[s]->Elements.size(); ++e) {
      auto* ea = a.Sheets[s]->Elements[e].get();
      auto* eb = b.Sheets[s]->Elements[e].get();
      EXPECT_EQ(ea->IsSub, eb->IsSub);
      if (auto* ga = dynamic_cast<FakeGauge*>(ea)) {
        auto* gb = dynamic_cast<FakeGauge*>(eb);
        ASSERT_NE(gb, nullptr);
        EXPECT_TRUE(*ga == *gb) << s << "/" << e;
      }
    }
  }
  auto* chart = dynamic_cast<FakeChart*>(b.Sheets[0]->Elements[1].get());
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(chart->CurveTitle(0), "Temperatur");
  EXPECT_EQ(chart->CurveColor(1), 0x123456u);
  EXPECT_EQ(b.Sheets[0]->Elements[2].get(), chart->Curves[0]);
}

TEST_F(FileLoaderTest, AllLineEndsLoad) {
  FakeProject a;
  BuildSample(a);
  const std::string crlf = TFileLoad(a.Sets, &a).ProjectText();
  std::string lf, cr;
  for (size_t i = 0; i < crlf.size(); ++i) {
    if (crlf[i] == '\r') continue;
    lf += crlf[i];
    cr += crlf[i] == '\n' ? '\r' : crlf[i];
  }
  for (const std::string* text :
       {&crlf, static_cast<const std::string*>(&lf), static_cast<const std::string*>(&cr)}) {
    FakeProject b;
    EXPECT_EQ(Reload(*text, b), crlf);
  }
}

TEST_F(FileLoaderTest, SkipsWhatItDoesNotKnow) {
  FakeProject a;
  BuildSample(a);
  const std::string text = TFileLoad(a.Sets, &a).ProjectText();
  std::string noisy = "value line before any set\r\n\r\n" + text;
  // An unknown block between two known ones, unknown keys, a set-name line
  // with trailing text, empty lines.
  const std::string sheet2 = "QXSHEET\r\ncaption \"Zweite\"";
  noisy.replace(noisy.find(sheet2), sheet2.size(),
                "QXUNKNOWN\r\ncaption \"lost\"\r\nQXSHEET trailing\r\n\r\nnoSuchKey 1\r\n"
                "caption \"Zweite\"");
  FakeProject b;
  EXPECT_EQ(Reload(noisy, b), text);
}

// The unchanged state is compared as the text is written, line by line,
// trimmed as the writer trims; any difference counts.
TEST_F(FileLoaderTest, ProjectTextIsComparedAsItIsWritten) {
  FakeProject p;
  BuildSample(p);
  auto& g = p.AddElement<FakeGauge>();
  g.Mode = 9;         // a value text of nothing: the key alone
  g.Unit = "bar \t";  // quoted: kept whole
  g.Caption = "zwei\nZeilen  ";
  TFileLoad fl(p.Sets, &p);
  const std::string text = fl.ProjectText();
  EXPECT_NE(text.find("\r\nmode\r\n"), std::string::npos);
  EXPECT_TRUE(fl.ProjectTextEquals(text));
  const std::string others[] = {text.substr(0, text.size() - 1), text + "x", "", text.substr(2),
                                std::string(text).replace(text.find("bar"), 3, "baz")};
  for (const std::string& other : others) EXPECT_FALSE(fl.ProjectTextEquals(other));
  g.Unit = "bar";
  EXPECT_FALSE(fl.ProjectTextEquals(text));
  EXPECT_TRUE(fl.ProjectTextEquals(fl.ProjectText()));
}

TEST_F(FileLoaderTest, LoadAddsToAProjectThatWasNotMadeNew) {
  FakeProject a;
  BuildSample(a);
  const std::string text = TFileLoad(a.Sets, &a).ProjectText();
  FakeProject b;
  TFileLoad fl(b.Sets, &b);
  fl.LoadProjectText(text);
  fl.LoadProjectText(text);
  EXPECT_EQ(b.Ports.size(), 4u);
  EXPECT_EQ(b.Sheets.size(), 4u);
  EXPECT_EQ(b.Sheets[2]->Caption, "Erste Seite");
}

TEST_F(FileLoaderTest, ElementsBeforeAnySheetBlockLandOnTheFirstSheet) {
  FakeProject p;
  TFileLoad fl(p.Sets, &p);
  fl.LoadProjectText("QXFAKEGAUGE\nname \"g\"\nQXSHEET\ncaption \"S\"\nQXFAKEGAUGE\n");
  ASSERT_EQ(p.Sheets.size(), 1u);
  EXPECT_EQ(p.Sheets[0]->Caption, "S");
  EXPECT_EQ(p.Sheets[0]->Elements.size(), 2u);
}

TEST_F(FileLoaderTest, ElementWithoutSetIsReportedAndSkipped) {
  FakeProject p;
  p.AddElement<FakeGauge>().Set = nullptr;
  p.AddElement<FakeGauge>();
  const std::string text = TFileLoad(p.Sets, &p).ProjectText();
  EXPECT_EQ(SetLines(text), (std::vector<std::string>{"QXGENERAL", "QXSHEET", "QXFAKEGAUGE"}));
  EXPECT_EQ(p.Messages, std::vector<std::string>{std::string(sflSetNotAssigned)});
}

// A refused second load or save used to look like success to the caller.
TEST_F(FileLoaderTest, SecondLoadOrSaveWhileOneRunsIsBusy) {
  FakeProject p;
  BuildSample(p);
  RecordingProgress progress;
  TFileLoad fl(p.Sets, &p, &progress);
  fl.ProjectFile = dir.File("busy.qxproj");
  std::vector<TLoadSaveResult> inner;
  progress.duringProgress = [&] {
    inner.push_back(fl.SaveProject());
    inner.push_back(fl.LoadProject());
  };
  ASSERT_EQ(fl.SaveProject(), TLoadSaveResult::Done);
  ASSERT_FALSE(inner.empty());
  for (auto r : inner) EXPECT_EQ(r, TLoadSaveResult::Busy);
  inner.clear();
  ASSERT_EQ(fl.LoadProject(), TLoadSaveResult::Done);
  ASSERT_FALSE(inner.empty());
  for (auto r : inner) EXPECT_EQ(r, TLoadSaveResult::Busy);
  progress.duringProgress = nullptr;
  EXPECT_FALSE(fl.Loading());
  EXPECT_FALSE(fl.Saving());
  EXPECT_EQ(fl.SaveProject(), TLoadSaveResult::Done);
}

TEST_F(FileLoaderTest, UnreadableFileFailsAndChangesNothing) {
  // Files in which no set name is recognised are no project either.
  std::string noise(4096, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 7919 % 251);
  const std::pair<const char*, std::string> foreign[] = {
      {"empty.qxproj", ""}, {"noise.qxproj", noise}, {"text.qxproj", "Quark 1\r\nQX\r\nx 2\r\n"}};
  std::vector<std::string> names = {"", "   ", dir.File("missing.qxproj"), dir.Path()};
  for (const auto& [name, content] : foreign) {
    ASSERT_TRUE(WriteTextFileAtomic(dir.File(name), content));
    names.push_back(dir.File(name));
  }
  for (const std::string& name : names) {
    FakeProject p;
    RecordingProgress progress;
    TFileLoad fl(p.Sets, &p, &progress);
    fl.ProjectFile = name;
    EXPECT_EQ(fl.LoadProject(), TLoadSaveResult::Failed) << name;
    EXPECT_EQ(progress.closes, 1);
    EXPECT_FALSE(fl.Loading());
    EXPECT_EQ(p.Sheets.size(), 1u);
    EXPECT_EQ(p.BeginUpdates, 0);
  }
}

TEST_F(FileLoaderTest, UncreatableFileFailsWithoutPage) {
  FakeProject p;
  RecordingProgress progress;
  TFileLoad fl(p.Sets, &p, &progress);
  fl.ProjectFile = dir.File("no/such/dir/p.qxproj");
  EXPECT_EQ(fl.SaveProject(), TLoadSaveResult::Failed);
  EXPECT_TRUE(progress.titles.empty());
  EXPECT_FALSE(fl.Saving());
}

// Saving used to empty the file first: a failing write destroyed the project.
TEST_F(FileLoaderTest, FailedWriteKeepsThePreviousFile) {
  FakeProject small;
  TFileLoad fl0(small.Sets, &small);
  fl0.ProjectFile = dir.File("keep.qxproj");
  ASSERT_EQ(fl0.SaveProject(), TLoadSaveResult::Done);
  std::string before;
  ASSERT_TRUE(ReadTextFile(fl0.ProjectFile, before));

  FakeProject big;
  BuildSample(big);
  TFileLoad fl(big.Sets, &big);
  fl.ProjectFile = fl0.ProjectFile;
  // A file-size limit makes the write fail part-way, as a full disk would.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lim = old;
  lim.rlim_cur = static_cast<rlim_t>(before.size() + 16);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  const TLoadSaveResult r = fl.SaveProject();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(r, TLoadSaveResult::Failed);

  std::string after;
  ASSERT_TRUE(ReadTextFile(fl.ProjectFile, after));
  EXPECT_EQ(after, before);
  int files = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 1);  // no temporary file left behind
}

TEST_F(FileLoaderTest, SaveReplacesTheFileAndKeepsItsRights) {
  FakeProject p;
  BuildSample(p);
  TFileLoad fl(p.Sets, &p);
  fl.ProjectFile = dir.File("r.qxproj");
  ASSERT_TRUE(WriteTextFileAtomic(fl.ProjectFile, "old"));
  std::filesystem::permissions(fl.ProjectFile, std::filesystem::perms(0640));
  ASSERT_EQ(fl.SaveProject(), TLoadSaveResult::Done);
  std::string text;
  ASSERT_TRUE(ReadTextFile(fl.ProjectFile, text));
  EXPECT_EQ(text, fl.ProjectText());
  EXPECT_EQ(std::filesystem::status(fl.ProjectFile).permissions(), std::filesystem::perms(0640));
}

// Saving used to replace a link by a plain file (its target went stale) and
// failed for names near the file-system limit (the temporary name was longer).
TEST_F(FileLoaderTest, SavesThroughLinksAndUnderLongNames) {
  const std::string target = dir.File("real.qxproj");
  const std::string link = dir.File("link.qxproj");
  ASSERT_TRUE(WriteTextFileAtomic(target, "old"));
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(WriteTextFileAtomic(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  std::string text;
  ASSERT_TRUE(ReadTextFile(target, text));
  EXPECT_EQ(text, "new");

  const std::string longName = dir.File(std::string(240, 'n') + ".qxproj");
  ASSERT_TRUE(WriteTextFileAtomic(longName, "long"));
  ASSERT_TRUE(ReadTextFile(longName, text));
  EXPECT_EQ(text, "long");
  int files = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 3);  // no temporary file left behind
}

// A progress call lets window messages run; an element deleted then used to
// be asked for by its old index.
TEST_F(FileLoaderTest, ElementDeletedDuringSaveIsSkipped) {
  FakeProject p;
  BuildSample(p);
  RecordingProgress progress;
  TFileLoad fl(p.Sets, &p, &progress);
  fl.ProjectFile = dir.File("shrink.qxproj");
  progress.duringProgress = [&] {
    if (progress.stepped == 4) p.Sheets[0]->Elements.pop_back();  // the second gauge
    if (progress.stepped == 6) p.Sheets.pop_back();               // the second sheet
  };
  ASSERT_EQ(fl.SaveProject(), TLoadSaveResult::Done);
  std::string text;
  ASSERT_TRUE(ReadTextFile(fl.ProjectFile, text));
  EXPECT_EQ(SetLines(text), (std::vector<std::string>{"QXGENERAL", "QXFAKEPORT", "QXFAKEPORT",
                                                      "QXSHEET", "QXFAKEGAUGE", "QXFAKECHART"}));
}

TEST(FileLoaderGlobalsTest, InitFileLoaderCreatesEmptyList) {
  InitFileLoader();
  ASSERT_NE(FLSetList, nullptr);
  ASSERT_NE(FileLoad, nullptr);
  EXPECT_EQ(FLSetList->Count(), 0);
  EXPECT_EQ(FileLoad->ProjectText(), "");
  EXPECT_FALSE(FileLoad->Loading());
}

}  // namespace
}  // namespace qx
