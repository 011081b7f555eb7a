// Console page: line splitting, the 201-line memo, acceptance, and the
// record file with its header, first replaced and then appended.
#include "shell/uConsoleSheet.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <sstream>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/support/Fifo.h"
#include "foundation/uFileLoader.h"
#include "gui_support/FontDialogAnswer.h"
#include "shell/PageRig.h"

namespace qx {
namespace {

using test::TPageRig;

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ConsoleSheetTest : public ::testing::Test {
 protected:
  ConsoleSheetTest() {
    cons.Now = [] { return TDateTime{2026, 12, 8, 18, 20, 33}; };
    cons.SetActive(true);
    cons.Clear();  // as start-up does: the memo's "Konsole" goes
  }
  QStringList Lines() const { return rig.consSheet->Memo1->toPlainText().split('\n'); }
  std::string In(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }

  TPageRig rig;
  TCons& cons = *rig.cons;
  QTemporaryDir dir;
};

TEST_F(ConsoleSheetTest, TextsAreSplitIntoLines) {
  struct Case {
    std::vector<std::string> texts;
    QStringList lines;
  };
  const Case cases[] = {
      {{"SEins\\n", "SZwei"}, {"Eins", "Zwei"}},
      {{"SHallo", "S Welt"}, {"Hallo Welt"}},  // a frame without "\n" continues the line
      {{"F12,3"}, {"12,3"}},                   // number texts as received
      {{"Sa\r\nb"}, {"a", "", "b"}},           // CR LF gives an empty line
      {{"Sa\\nb\\n\\n"}, {"a", "b", "", ""}},
      {{"f1", "s2", "X3", "#4", ""}, {"12"}},  // other type letters are ignored
      {{"Sx\\", "Sn"}, {"x\\n"}},              // "\n" split across frames is text
  };
  for (const Case& c : cases) {
    cons.Clear();
    for (const std::string& t : c.texts) ASSERT_TRUE(cons.Receive(t));
    cons.Flush();
    EXPECT_EQ(Lines(), c.lines) << c.texts[0];
  }
}

TEST_F(ConsoleSheetTest, MemoKeepsTheLast201Lines) {
  cons.Clear();
  for (int i = 1; i <= 300; ++i) {
    ASSERT_TRUE(cons.Receive("SZeile " + std::to_string(i) + "\\n"));
    if (i % 50 == 0) cons.Flush();  // a half holds 65 texts
  }
  const QStringList lines = Lines();
  ASSERT_EQ(lines.size(), kConsoleMaxLines);
  EXPECT_EQ(lines.front(), "Zeile 101");
  EXPECT_EQ(lines[199], "Zeile 300");
  EXPECT_EQ(lines.back(), "");
}

TEST_F(ConsoleSheetTest, AcceptedOnlyWhileActiveOrRecording) {
  cons.SetActive(false);
  EXPECT_FALSE(cons.Receive("Sx"));
  EXPECT_FALSE(rig.hub.ReceiveFrame("#0Sx;", nullptr, true)) << "the hub reports it unused";
  cons.SetRecording(true);
  EXPECT_TRUE(cons.Receive("Sx"));
  cons.SetRecording(false);
  cons.SetActive(true);
  EXPECT_TRUE(rig.hub.ReceiveFrame("#0SEins\\n;", nullptr, true));
  EXPECT_TRUE(rig.hub.ReceiveFrame("#0F1,5;", nullptr, true));
  cons.Clear();
  EXPECT_EQ(cons.Buffer.CountA() + cons.Buffer.CountB(), 0);
  // A half holds 65 texts; further ones are lost and light the loss flag.
  for (int i = 0; i < 70; ++i) cons.Receive("S.");
  EXPECT_TRUE(rig.loss.RecvLoss.load());
  cons.Flush();
  EXPECT_EQ(Lines(), QStringList{QString(65, '.')});
}

TEST_F(ConsoleSheetTest, RecordingReplacesFirstThenAppends) {
  ASSERT_TRUE(dir.isValid());
  cons.FileName = In("log.txt");
  cons.SetRecording(true);  // not connected: no file yet
  EXPECT_FALSE(cons.FileOpen);
  EXPECT_EQ(rig.recFrame->PenColor(), 0x00FFFFu);
  {
    std::ofstream old(cons.FileName);
    old << "old content\n";
  }
  cons.Connected();
  EXPECT_TRUE(cons.FileOpen);
  EXPECT_EQ(rig.recFrame->PenColor(), 0x00FF00u);
  cons.Receive("SEins\\n");
  cons.Receive("SZw");
  cons.Disconnected();  // flushes the buffer into the file, then closes it
  EXPECT_FALSE(cons.FileOpen);
  const std::string header = "--- 08.12.2026 18:20.33 ---\n";
  EXPECT_EQ(ReadFile(cons.FileName), header + "Eins\nZw");
  EXPECT_EQ(Lines().back(), "Zw");

  cons.Connected();  // a second recording appends
  cons.Receive("Sei\\n");
  cons.Disconnected();
  EXPECT_EQ(ReadFile(cons.FileName), header + "Eins\nZw\n" + header + "ei\n");

  // A new file choice makes the next recording replace it.
  cons.AskFileName = [&](std::string& name) {
    name = In("log.txt");
    return true;
  };
  cons.ChooseFile();
  EXPECT_FALSE(cons.RecordedBefore);
  cons.Connected();
  cons.Disconnected();
  EXPECT_EQ(ReadFile(cons.FileName), header);

  // Switching recording off while open closes the file after the buffer.
  cons.Connected();
  cons.Receive("Sx");
  cons.SetRecording(false);
  EXPECT_FALSE(cons.FileOpen);
  EXPECT_EQ(rig.recFrame->PenColor(), 0xB4B4B4u);
  EXPECT_EQ(ReadFile(cons.FileName), header + "\n" + header + "x");
}

TEST_F(ConsoleSheetTest, FailedRecordFileRecordsNothingAndSaysSo) {
  cons.FileName = In("missing/dir/log.txt");
  cons.SetRecording(true);
  cons.Connected();
  EXPECT_FALSE(cons.FileOpen);
  EXPECT_TRUE(cons.Recording.load()) << "the next connect tries again";
  EXPECT_NE(rig.recFrame->PenColor(), 0x00FF00u);
  cons.Receive("SNur im Speicher\\n");
  cons.Flush();
  EXPECT_EQ(Lines().front(), "Nur im Speicher");
  cons.Disconnected();
  EXPECT_FALSE(QDir(dir.path()).exists("missing"));
}

// Each poll tick's text is on the disk when the tick ends, not only at the
// disconnect: a crash loses at most one tick.
TEST_F(ConsoleSheetTest, RecordedTextReachesTheFileEveryTick) {
  cons.FileName = In("log.txt");
  cons.SetRecording(true);
  cons.Connected();
  cons.Receive("SEins\\n");
  cons.Receive("SZw");
  rig.hub.PollTimerTick();
  EXPECT_EQ(ReadFile(cons.FileName), "--- 08.12.2026 18:20.33 ---\nEins\nZw");
  cons.Disconnected();
}

// A file-size limit makes writes fail as a full disk does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }
  bool Ok() const { return ok_; }

 private:
  rlimit old_{};
  void (*handler_)(int) = nullptr;
  bool ok_ = false;
};

TEST_F(ConsoleSheetTest, WriteErrorIsShownOnThePageUntilTheNextRecording) {
  rig.consSheet->resize(300, 400);  // a path wider than the page
  cons.FileName = In("log.txt");
  cons.SetRecording(true);
  cons.Connected();
  ASSERT_EQ(rig.recFrame->PenColor(), 0x00FF00u);
  QLabel* error = rig.consSheet->RecordError;
  EXPECT_FALSE(error->isVisibleTo(rig.consSheet));
  {
    const std::string header = "--- 08.12.2026 18:20.33 ---\n";
    FileSizeLimit full(header.size() + 4);
    ASSERT_TRUE(full.Ok());
    cons.Receive("S" + std::string(100, 'x') + "\\n");
    rig.hub.PollTimerTick();
    cons.Receive("Sy");  // the run goes on
    rig.hub.PollTimerTick();
  }
  EXPECT_EQ(Lines().back(), "y");
  EXPECT_TRUE(error->isVisibleTo(rig.consSheet));
  const QString shown = error->text();
  EXPECT_TRUE(shown.startsWith("Schreibfehler: ")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("/log.txt")) << shown.toStdString();
  EXPECT_LE(TextWidthOf(shown, error->font()), error->contentsRect().width());
  // The memo gives the message room.
  EXPECT_LE(rig.consSheet->Memo1->geometry().bottom(), error->geometry().top());
  EXPECT_EQ(rig.recFrame->PenColor(), 0x2222BDu) << "not green: the text is not kept";
  cons.Disconnected();
  EXPECT_TRUE(error->isVisibleTo(rig.consSheet));

  cons.Connected();  // the next recording starts clean
  EXPECT_FALSE(error->isVisibleTo(rig.consSheet));
  EXPECT_EQ(rig.recFrame->PenColor(), 0x00FF00u);
  cons.Disconnected();
}

TEST_F(ConsoleSheetTest, AFifoAsRecordFileIsRefusedAtOnceAndNamed) {
  test::TFifo fifo("log.txt");
  ASSERT_TRUE(fifo.Ok());
  cons.FileName = fifo.Path();
  cons.SetRecording(true);
  EXPECT_TRUE(test::ReturnsPromptly([&] { cons.Connected(); }));
  EXPECT_FALSE(cons.FileOpen);
  EXPECT_TRUE(rig.recFrame->toolTip().startsWith("Keine gew\xC3\xB6hnliche Datei: "))
      << rig.recFrame->toolTip().toStdString();
  cons.Disconnected();
}

TEST_F(ConsoleSheetTest, EmptyFileNameRecordsToRecordDatInTheProjectDirectory) {
  if (!FileLoad) InitFileLoader();
  const std::string keep = FileLoad->ProjectPath;
  FileLoad->ProjectPath = dir.path().toStdString() + "/";
  cons.FileName.clear();
  cons.SetRecording(true);
  cons.Connected();
  cons.Receive("Sr");
  cons.Disconnected();
  EXPECT_EQ(ReadFile(In("record.dat")), "--- 08.12.2026 18:20.33 ---\nr");
  cons.FileName = "ConsoleLog.txt";  // a bare name lies in the project directory
  EXPECT_EQ(cons.RecordFileName(), In("ConsoleLog.txt"));
  FileLoad->ProjectPath = keep;
}

TEST_F(ConsoleSheetTest, FontAndColoursRoundTrip) {
  TFontDesc f;
  f.Name = "Monospace";
  f.Size = 13;
  f.Color = 0x00FF00;
  f.Bold = true;
  cons.SetFont(f);
  cons.SetBackColor(0x102030);
  EXPECT_EQ(cons.Font().Size, 13);
  EXPECT_EQ(cons.Font().Color, 0x00FF00u);
  EXPECT_TRUE(cons.Font().Bold);
  EXPECT_EQ(cons.BackColor(), 0x102030u);
  cons.AskColor = [](QColor& c) {
    c = QColor(1, 2, 3);
    return true;
  };
  cons.ChooseBackColor();
  EXPECT_EQ(cons.BackColor(), 0x030201u);
}

// The console's "Lucida Console" is missing on Linux: it is drawn in a
// monospaced face, the font dialog starts on that face, and OK without a
// change leaves the console as it was, at start-up and as a project sets it.
TEST_F(ConsoleSheetTest, FontDialogStartsOnTheDrawnFaceAndOkChangesNothing) {
  QPlainTextEdit& memo = *rig.consSheet->Memo1;
  // Not every monospaced face says so (fontconfig): measure.
  const auto monospaced = [](const QFont& f) {
    const QFontMetrics m(f);
    return m.horizontalAdvance("iiii") == m.horizontalAdvance("WWWW");
  };
  const TFontDesc stored{"Lucida Console", 13, 0xECFFFF, false, false, false, false};
  EXPECT_EQ(cons.Font(), stored);  // the 17-pixel font counts as 13 points
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "start-up" : "set by a project");
    if (round == 1) cons.SetFont(stored);
    const QFont before = memo.font();
    const QFontInfo drawn(before);
    ASSERT_NE(drawn.family().toStdString(), "Lucida Console");
    EXPECT_TRUE(monospaced(before)) << drawn.family().toStdString();
    test::TFontDialogAnswer answer;
    cons.ChooseFont();
    ASSERT_TRUE(answer.Seen);
    EXPECT_EQ(answer.Shown.family().toStdString(), drawn.family().toStdString());
    EXPECT_EQ(answer.Shown.pointSize(), 13);
    EXPECT_FALSE(answer.Shown.italic());
    EXPECT_EQ(memo.font(), before);
    EXPECT_TRUE(monospaced(memo.font()));
    EXPECT_EQ(cons.Font(), stored);
  }
}

}  // namespace
}  // namespace qx
