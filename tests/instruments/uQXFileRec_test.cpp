// The recorder and the console element over a real hub and a loopback UDP
// port; recorder files in a temporary folder.
#include "instruments/uQXFileRec.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextBlock>
#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>

#include "channels/uLossNotify.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uQXConsole.h"

namespace qx {
namespace {

// Passes everything on to the console page, and runs a hook when the run
// starts: after the ports opened, before their receive threads run.
class HookedConsSink : public TConsSink {
 public:
  explicit HookedConsSink(TConsSink& inner) : inner_(inner) {}
  bool Receive(std::string_view text) override { return inner_.Receive(text); }
  bool ActiveOrRecording() const override { return inner_.ActiveOrRecording(); }
  void Flush() override { inner_.Flush(); }
  void Connected() override {
    if (OnConnected) OnConnected();
    inner_.Connected();
  }
  void Disconnected() override { inner_.Disconnected(); }
  std::function<void()> OnConnected;

 private:
  TConsSink& inner_;
};

class RecorderTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    ASSERT_TRUE(dir.isValid());
    FileLoad->ProjectPath = dir.path().toStdString() + "/";
  }
  TQXFileRec* NewRecorder() {
    auto* r = TQXFileRec::ElemCreate();
    r->Tick = [this] { return tick.load(); };
    r->SetSource("#1");
    return r;
  }
  std::string FileText(const std::string& name = "record.dat") const {
    std::ifstream f(dir.path().toStdString() + "/" + name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string l; std::getline(s, l);) lines.push_back(l);
    return lines;
  }
  static bool IsHeader(const std::string& line) {
    static const std::regex header(R"(--- \d\d\.\d\d\.\d{4} \d\d:\d\d\.\d\d ---)");
    return std::regex_match(line, header);
  }
  // Feeds frames and waits until the recorder's first column took the last.
  void FeedAndWait(TQXElement& e, std::initializer_list<const char*> frames, double last) {
    for (const char* f : frames) Feed(f);
    ASSERT_TRUE(ProcessUntil([&] { return e.GetValue() == last; }));
    // The capture runs under the receive lock right after the store.
    std::lock_guard wait(Terminal->ReceiveLock);
  }

  QTemporaryDir dir;
  std::atomic<uint64_t> tick{1000};
};

TEST_F(RecorderTest, LinesWithNumberTimeAndColumns) {
  auto* r = NewRecorder();
  r->SetChannelQty(2);
  r->SetColumnSource(2, "#2");
  r->SetTimeStamp(true);
  ConnectLoopback();
  tick = 3500;
  Feed("#2SHallo Welt;");  // column 2 alone writes nothing
  FeedAndWait(*r, {"#1F1,5;"}, 1.5);
  Disconnect();
  const auto lines = Lines(FileText());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(IsHeader(lines[0])) << lines[0];
  EXPECT_EQ(lines[1], "1 " + FloatToFixedText(2.5, 2) + " " + FloatToText(1.5) + " Hallo Welt");
}

TEST_F(RecorderTest, CsvSeparatorOnlyOnAReplacedFile) {
  for (const bool csv : {false, true}) {
    SCOPED_TRACE(csv);
    auto* r = NewRecorder();
    r->SetCsvMode(csv);
    r->SetChannelQty(2);
    r->SetColumnSource(2, "#2");
    ConnectLoopback();
    FeedAndWait(*r, {"#2F7;", "#1F1;"}, 1);
    Disconnect();
    ConnectLoopback();  // appended: no second "sep=;"
    FeedAndWait(*r, {"#1F2;"}, 2);
    Disconnect();
    const auto lines = Lines(FileText());
    const std::string sep = csv ? ";" : " ";
    std::vector<std::string> expect = {"1" + sep + "1" + sep + "7", "2" + sep + "2" + sep + "7"};
    const size_t first = csv ? 1 : 0;
    ASSERT_EQ(lines.size(), first + 4);
    if (csv) {
      EXPECT_EQ(lines[0], "sep=;");
    }
    EXPECT_TRUE(IsHeader(lines[first]));
    EXPECT_EQ(lines[first + 1], expect[0]);
    EXPECT_TRUE(IsHeader(lines[first + 2]));
    EXPECT_EQ(lines[first + 3], expect[1]);
    delete r;
    form->ButtonValResetClick();
    form->TabBar->SelectTab(1);  // edit mode: the next connect compiles again
  }
}

TEST_F(RecorderTest, NumberingAndRunningTimeContinueUntilReset) {
  auto* r = NewRecorder();
  r->SetTimeStamp(true);
  ConnectLoopback();  // running time 0 at tick 1000
  tick = 2000;
  FeedAndWait(*r, {"#1F1;"}, 1);
  tick = 4000;
  Disconnect();  // 3 s run
  tick = 10000;
  ConnectLoopback();
  tick = 10500;
  FeedAndWait(*r, {"#1F2;"}, 2);
  Disconnect();
  auto lines = Lines(FileText());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "1 " + FloatToFixedText(1, 2) + " 1");
  EXPECT_TRUE(IsHeader(lines[2]));
  EXPECT_EQ(lines[3], "2 " + FloatToFixedText(3.5, 2) + " 2");

  form->ButtonValResetClick();  // the next run replaces the file
  tick = 20000;
  ConnectLoopback();
  FeedAndWait(*r, {"#1F3;"}, 3);
  Disconnect();
  lines = Lines(FileText());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "1 " + FloatToFixedText(0, 2) + " 3");
}

TEST_F(RecorderTest, BufferedAndUnbufferedWriting) {
  for (const bool buffered : {true, false}) {
    SCOPED_TRACE(buffered);
    auto* r = NewRecorder();
    r->SetBuffered(buffered);
    r->SetNumbering(false);
    ConnectLoopback();
    FeedAndWait(*r, {"#1F41;", "#1F42;"}, 42);
    // The rows wait for the display tick and go out together.
    EXPECT_EQ(FileText().find("\n41\n"), std::string::npos);
    Terminal->DisplayTimerTick();
    // Both ways every display tick reaches the file (a crash loses at most
    // one tick, tail -f sees the rows).
    EXPECT_NE(FileText().find("\n41\n42\n"), std::string::npos);
    FeedAndWait(*r, {"#1F43;"}, 43);
    Terminal->DisplayTimerTick();
    EXPECT_NE(FileText().find("\n42\n43\n"), std::string::npos);
    Disconnect();
    EXPECT_NE(FileText().find("\n43\n"), std::string::npos);
    delete r;
    form->ButtonValResetClick();
    form->TabBar->SelectTab(1);  // edit mode: the next connect compiles again
  }
}

TEST_F(RecorderTest, FirstFramesOfARunAreRecorded) {
  auto* r = NewRecorder();
  r->SetNumbering(false);
  TConsSink& pages = Terminal->Cons();
  HookedConsSink hooked(pages);
  bool fed = false;
  // The frame is waiting in the socket when the receive thread starts.
  hooked.OnConnected = [&] {
    if (!fed && port) Feed("#1F11;");
    fed = true;
  };
  ConnectLoopback();  // binds the peer; the first run has no port yet
  Disconnect();
  Terminal->SetConsSink(&hooked);
  fed = false;
  form->ButtonValResetClick();
  ConnectLoopback();
  ASSERT_TRUE(fed);
  ASSERT_TRUE(ProcessUntil([r] { return r->GetValue() == 11; }));
  Disconnect();
  Terminal->SetConsSink(&pages);
  const auto lines = Lines(FileText());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "11");
}

TEST_F(RecorderTest, FileThatCannotBeOpenedRecordsNothingAndLightsTheLossIndicator) {
  auto* r = NewRecorder();
  r->SetFileName("  no-such-folder/x.dat ");
  EXPECT_EQ(r->FileName, "no-such-folder/x.dat");
  r->SetFileName(dir.path().toStdString() + "/no-such-folder/x.dat");
  ConnectLoopback();
  EXPECT_FALSE(r->Recording());
  EXPECT_FALSE(r->FileOpen);
  // The label names the failure in full and keeps the file name's end; only
  // the middle of the path may give way.
  const QString prefix = QString::fromUtf8(
      "Nicht ge\xC3\xB6"
      "ffnet: ");
  const QString shown = r->FileLabel()->text();
  EXPECT_TRUE(shown.startsWith(prefix)) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("/x.dat")) << shown.toStdString();
  EXPECT_LE(TextWidthOf(shown, r->FileLabel()->font()), r->FileLabel()->contentsRect().width())
      << shown.toStdString();
  // The rows pile up to the buffer's limit and then light the indicator.
  for (int i = 0; i < 50; ++i) Feed("#1F1;");
  FeedAndWait(*r, {"#1F2;"}, 2);
  Terminal->DisplayTimerTick();
  EXPECT_FALSE(form->LabelNotifyRecvLoss->isEnabled()) << "51 rows fit";
  for (int i = 0; i < 60; ++i) Feed("#1F1;");
  FeedAndWait(*r, {"#1F3;"}, 3);
  Terminal->DisplayTimerTick();
  EXPECT_GT(r->RowBuffer.LostCount(), 0u);
  EXPECT_TRUE(form->LabelNotifyRecvLoss->isEnabled());
  Disconnect();
  EXPECT_FALSE(QDir(dir.path()).exists("no-such-folder"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());

  // The next run starts from an empty buffer: the stale rows never reach a file.
  r->SetFileName("x.dat");
  ConnectLoopback();
  FeedAndWait(*r, {"#1F4;"}, 4);
  Disconnect();
  const auto lines = Lines(FileText("x.dat"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "1 4");
}

// A column reads its channel's new value in the row that channel's frame
// writes, also when it shares the channel with column 1; a column that never
// received anything holds the number 0.
TEST_F(RecorderTest, ColumnsOnTheFirstColumnsChannelAreCurrent) {
  auto* r = NewRecorder();
  r->SetChannelQty(4);
  r->SetColumnSource(2, "#1*10");  // a formula takes numbers only
  r->SetColumnSource(3, "#1");
  r->SetColumnSource(4, "#2");  // never sent
  ConnectLoopback();
  FeedAndWait(*r, {"#1F1;", "#1F2;"}, 2);
  Feed("#1Sab;");
  ASSERT_TRUE(ProcessUntil([r] { return r->GetStrValue() == "ab"; }));
  Disconnect();  // the receive thread ends before the last rows are written
  const auto lines = Lines(FileText());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "1 1 10 1 0");
  EXPECT_EQ(lines[2], "2 2 20 2 0");
  EXPECT_EQ(lines[3], "3 ab 20 ab 0");
}

// A name of megabytes (a hand-made project): the label gets its end only,
// also when it says the file cannot be opened.
TEST_F(RecorderTest, AHugeFileNameShowsItsEnd) {
  auto* r = NewRecorder();
  const std::string huge = std::string(4 * 1024 * 1024, 'd') + "/x.dat";
  r->SetFileName(huge);
  EXPECT_EQ(r->FileName, huge);
  EXPECT_EQ(r->FileLabel()->text().size(), static_cast<qsizetype>(kMaxShownTextBytes));
  EXPECT_TRUE(r->FileLabel()->text().endsWith("d/x.dat"));
  r->StreamPrepare();
  EXPECT_FALSE(r->Recording());
  // The message stays whole and the path's end fills the label's room.
  EXPECT_TRUE(r->FileLabel()->text().startsWith("Nicht ge"));
  EXPECT_LT(r->FileLabel()->text().size(), static_cast<qsizetype>(kMaxShownTextBytes));
  EXPECT_TRUE(r->FileLabel()->text().endsWith("d/x.dat"));
}

TEST_F(RecorderTest, ValidityIsDecidedWhenTheCompileRunEnds) {
  auto* r = NewRecorder();
  r->SetChannelQty(2);
  for (const bool shown : {true, false}) {
    SCOPED_TRACE(shown);
    TQXElement::CompileStateVisible = shown;
    struct Case {
      const char* column2;
      bool valid;
    };
    for (const Case& c : {Case{"#2", true}, Case{"", true}, Case{"#2+", false}}) {
      r->SetColumnSource(2, c.column2);
      form->TabBar->SelectTab(1);
      form->TabBar->SelectTab(0);  // compiles
      EXPECT_EQ(r->CaptureValid(), c.valid) << c.column2;
    }
  }
  r->SetChannelQty(1);  // the broken column is no longer recorded
  form->TabBar->SelectTab(1);
  form->TabBar->SelectTab(0);
  EXPECT_TRUE(r->CaptureValid());
}

TEST_F(RecorderTest, TimeTexts) {
  EXPECT_EQ(RecordTimeText(2500, TimeRelative), FloatToFixedText(2.5, 2));
  EXPECT_EQ(RecordTimeText(0, TimeRelative), FloatToFixedText(0, 2));
  EXPECT_TRUE(std::regex_match(RecordTimeText(1.7e9, TimeDateTime),
                               std::regex(R"(\d\d\.\d\d\.\d{4}/\d\d:\d\d\.\d\d)")));
  EXPECT_TRUE(std::regex_match(RecordTimeText(1.7e9, TimeOfDay), std::regex(R"(\d\d:\d\d\.\d\d)")));
  EXPECT_EQ(CaptureTimeValue(false, TimeRelative, 5000, 1000), 0.0);
  EXPECT_EQ(CaptureTimeValue(true, TimeRelative, 5000, 1000), 4000.0);
}

// ---- console element ---------------------------------------------------------------

using ConsoleElementTest = RecorderTest;

TEST_F(ConsoleElementTest, ReceivedMarkupIsShownAsText) {
  auto* c = TQXConsole::ElemCreate();
  c->SetSource("#4");
  ConnectLoopback();
  Feed("#4S<b>fett</b>;");
  Feed("#4S;");  // an empty text is an empty line
  Feed("#4F2,5;");
  ASSERT_TRUE(ProcessUntil([c] { return c->LineCount == 3; }));
  EXPECT_EQ(c->Memo()->toPlainText().toStdString(), "<b>fett</b>\n\n" + FloatToText(2.5));
}

TEST_F(ConsoleElementTest, LineLimit) {
  auto* c = TQXConsole::ElemCreate();
  c->SetSource("#4");
  c->SetMaxLines(0);
  EXPECT_EQ(c->MaxLines, 1);
  c->SetMaxLines(3);
  ConnectLoopback();
  for (const char* f : {"#4F1;", "#4F2;", "#4F3;", "#4F4;", "#4F5;"}) Feed(f);
  ASSERT_TRUE(ProcessUntil([c] { return c->LineCount == 5; }));
  EXPECT_EQ(c->Memo()->toPlainText(), "3\n4\n5");
  EXPECT_EQ(c->LineQty(), 3);
}

TEST_F(ConsoleElementTest, NumberAndTimeInTheTagColour) {
  auto* c = TQXConsole::ElemCreate();
  c->Tick = [this] { return tick.load(); };
  c->SetSource("#4");
  c->SetNumbering(true);
  c->SetTimeStamp(true);
  ConnectLoopback();
  tick = 2250;
  Feed("#4SHallo;");
  ASSERT_TRUE(ProcessUntil([c] { return c->LineCount == 1; }));
  c->SetNumbering(false);
  c->SetTimeStamp(false);
  Feed("#4SWelt;");
  ASSERT_TRUE(ProcessUntil([c] { return c->LineCount == 2; }));

  const std::string prefix = "1 " + FloatToFixedText(1.25, 2) + " ";
  EXPECT_EQ(c->Memo()->toPlainText().toStdString(), prefix + "Hallo\nWelt");
  // Colour of every fragment of each line: (text, colour).
  std::vector<std::pair<std::string, TColor>> runs;
  for (QTextBlock b = c->Memo()->document()->begin(); b.isValid(); b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      runs.emplace_back(f.text().toStdString(), QColorToColor(f.charFormat().foreground().color()));
    }
  }
  const std::vector<std::pair<std::string, TColor>> expect = {
      {prefix, 0x808080}, {"Hallo", 0xECFFFF}, {"Welt", 0xECFFFF}};
  EXPECT_EQ(runs, expect);
}

TEST_F(ConsoleElementTest, RunningTimeExcludesPausesAndResetRestarts) {
  auto* c = TQXConsole::ElemCreate();
  c->Tick = [this] { return tick.load(); };
  c->SetSource("#4");
  c->SetTimeStamp(true);
  c->SetSeparator(";");
  ConnectLoopback();  // time 0 at tick 1000
  tick = 3000;
  Disconnect();
  tick = 9000;
  ConnectLoopback();
  tick = 9500;
  Feed("#4F1;");
  ASSERT_TRUE(ProcessUntil([c] { return c->LineCount == 1; }));
  form->ButtonValResetClick();
  EXPECT_EQ(c->Memo()->toPlainText(), "");
  tick = 10000;
  Feed("#4F2;");
  ASSERT_TRUE(ProcessUntil([c] { return c->LineCount == 1 && c->LineQty() == 1; }));
  EXPECT_EQ(c->Memo()->toPlainText().toStdString(), FloatToFixedText(0.5, 2) + ";2");
}

}  // namespace
}  // namespace qx
