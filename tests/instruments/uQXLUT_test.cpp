// The look-up table element: its look, key set and listing, the compile
// state, the value viewer's reload, deletion, and a table called by a
// formula through a real hub and a loopback UDP port.
#include "instruments/uQXLUT.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableWidget>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "editing/uPropertyEditor.h"
#include "formula/UCalculate.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uQXNumericDisp.h"
#include "shell/uMain.h"
#include "widgets/uRibbonButton.h"

namespace qx {
namespace {

class LUTTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    const char* base = std::getenv("QX_TEST_TMP");
    std::filesystem::path root = base ? base : "/tmp";
    std::filesystem::create_directories(root);
    std::string templ = (root / "qxlut_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    form->show();
  }
  void TearDown() override {
    ElementPortFixture::TearDown();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& content) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }
  // Enters the Run page: compiles every formula and rebuilds the tables.
  void Compile() {
    form->TabBar->SelectTab(1);
    form->TabBar->SelectTab(0);
  }
  static TQXLUT* Table(const std::string& name, const std::string& file) {
    auto* t = TQXLUT::ElemCreate();
    t->SetDenom(name);
    t->SetFileName(file);
    return t;
  }
  static TQXNumericDisp* Display(const std::string& source) {
    auto* d = TQXNumericDisp::ElemCreate();
    d->SetSource(source);
    d->SetDecimals(6);
    return d;
  }
  static bool Shows(const TElementText* l, const QString& text) {
    return ProcessUntil([&] { return l->text() == text; });
  }
  std::filesystem::path dir_;
};

TEST_F(LUTTest, NewElementDefaults) {
  auto* t = TQXLUT::ElemCreate();
  EXPECT_EQ(t->ClassId, 18);
  EXPECT_EQ(t->TypeName, "QXLUT");
  EXPECT_EQ(t->ChannelRole, RoleNone);
  EXPECT_EQ(t->size(), QSize(160, 40));
  EXPECT_EQ(t->FrameWidth, 4);
  EXPECT_EQ(t->GetBckGndColor(), 0xC0C0C0u);
  EXPECT_EQ(t->FrameColor, 0xC0C0C0u);
  EXPECT_EQ(t->Denom, "LUT");
  EXPECT_FALSE(t->InUpdateList);
  EXPECT_TRUE(t->IsStreamElement);
  EXPECT_TRUE(t->ShowName);
  EXPECT_FALSE(t->LUTValid());
  EXPECT_FALSE(t->GetInterpolate());
  EXPECT_EQ(t->Table().XValues, std::vector<double>{0});
  EXPECT_EQ(t->Table().YValues, std::vector<double>{0});
  EXPECT_EQ(t->NameLabel()->text(), "LUT");
  EXPECT_EQ(t->NameLabel()->geometry(), QRect(28, 0, 157, 20));
  EXPECT_EQ(t->FileLabel()->geometry(), QRect(3, 20, 157, 20));
  EXPECT_EQ(t->Icon()->geometry(), QRect(0, 0, 24, 20));
  EXPECT_EQ(t->Icon()->pixmap().size(), QSize(24, 20));
  EXPECT_NE(t->LUTFunction(), nullptr);

  t->SetShowName(false);
  EXPECT_TRUE(t->NameLabel()->text().isEmpty());
  t->SetShowName(true);
  t->SetDenom("gain");
  EXPECT_EQ(t->NameLabel()->text(), "gain");
  t->SetWidth(100);
  EXPECT_EQ(t->NameLabel()->width(), 97);
  EXPECT_EQ(t->FileLabel()->width(), 97);
}

TEST_F(LUTTest, FileNameIsTrimmedAndALongOneShowsItsEnd) {
  auto* t = TQXLUT::ElemCreate();
  t->SetFileName("  \ttab.txt \r\n");
  EXPECT_EQ(t->FileName, "tab.txt");
  EXPECT_EQ(t->FileLabel()->text(), "tab.txt");
  EXPECT_TRUE(t->FileLabel()->alignment() & Qt::AlignLeft);
  t->SetFileName("/a/very/long/directory/name/that/does/not/fit/in/the/label/table.txt");
  EXPECT_TRUE(t->FileLabel()->alignment() & Qt::AlignRight);
  // A name of megabytes (a hand-made project): the label gets its end only.
  const std::string huge = std::string(4 * 1024 * 1024, 'd') + "/table.txt";
  t->SetFileName(huge);
  EXPECT_EQ(t->FileName, huge);
  EXPECT_EQ(t->FileLabel()->text().size(), static_cast<qsizetype>(kMaxShownTextBytes));
  EXPECT_TRUE(t->FileLabel()->text().endsWith("d/table.txt"));
}

// A table used by a formula: frames from the port are evaluated through it.
TEST_F(LUTTest, FormulaCallsTheTableThroughARealFrame) {
  auto* t = Table("gain", Write("gain.txt", "0\t0\r\n10\t2,5\r\n20\t4\r\n"));
  auto* d = Display("gain(#3)");
  auto* twice = Display("GAIN(#3 * 2) + 1");
  ConnectLoopback();
  ASSERT_TRUE(t->LUTValid());
  ASSERT_TRUE(t->SourceValid);
  ASSERT_TRUE(d->SourceValid);
  struct Case {
    const char* frame;
    const char* stair;
    const char* stairTwice;
  };
  const Case cases[] = {{"#3F5;", "0", "3,5"},
                        {"#3F10;", "2,5", "5"},
                        {"#3F19,99;", "2,5", "5"},
                        {"#3F25;", "4", "5"},
                        {"#3F-3;", "0", "1"}};
  for (const Case& c : cases) {
    Feed(c.frame);
    EXPECT_TRUE(Shows(d->ValueLabel(), c.stair))
        << c.frame << " " << d->ValueLabel()->text().toStdString();
    EXPECT_TRUE(Shows(twice->ValueLabel(), c.stairTwice)) << c.frame;
  }
  Disconnect();

  // "interpolate" binds to the table.
  t->SetInterpolate(true);
  EXPECT_TRUE(t->Table().Interpolate);
  ConnectLoopback();
  for (const auto& [frame, shown] : std::vector<std::pair<const char*, const char*>>{
           {"#3F5;", "1,25"}, {"#3F15;", "3,25"}, {"#3F25;", "4"}}) {
    Feed(frame);
    EXPECT_TRUE(Shows(d->ValueLabel(), shown)) << frame;
  }
  Disconnect();
}

TEST_F(LUTTest, RelativeFileLiesInTheProjectDirectory) {
  Write("rel.txt", "0 7\n1 7\n");
  FileLoad->ProjectPath = dir_.string() + "/";
  auto* t = Table("rel", "rel.txt");
  EXPECT_EQ(t->AbsoluteTableFile(), (dir_ / "rel.txt").string());
  Compile();
  EXPECT_TRUE(t->LUTValid());
  EXPECT_EQ(t->Lookup(0.5), 7);
}

TEST_F(LUTTest, CompileStateShowsTheTablesValidity) {
  auto* good = Table("good", Write("good.txt", "0 0\n1 1\n"));
  auto* broken = Table("broken", Write("broken.txt", "1 0\n2 0\n2 0\n"));
  auto* nameless = Table("", Write("n.txt", "0 0\n1 1\n"));
  auto* off = Table("off", Write("off.txt", "0 0\n1 1\n"));
  off->SetDisabled(true);
  auto* twinA = Table("Twin", Write("t1.txt", "0 0\n1 1\n"));
  SheetTabs->NewTab();
  SheetTabs->SelectTab(1);
  auto* twinB = Table("twin", Write("t2.txt", "0 0\n1 1\n"));
  auto* user = Display("twin(#1)");
  SheetTabs->SelectTab(0);
  Compile();
  EXPECT_EQ(good->ShownFrameColor(), kCompiledColor);
  EXPECT_EQ(broken->ShownFrameColor(), kFailedColor);
  EXPECT_EQ(broken->StatusText(), "Fehler: Indexwerte m\xC3\xBCssen aufsteigend sein.");
  EXPECT_EQ(nameless->ShownFrameColor(), kEmptyColor);
  EXPECT_EQ(off->ShownFrameColor(), kEmptyColor);
  EXPECT_EQ(twinA->ShownFrameColor(), kFailedColor);
  EXPECT_EQ(twinB->ShownFrameColor(), kFailedColor);
  EXPECT_TRUE(twinA->LUTValid());
  EXPECT_FALSE(user->SourceValid);
  // The element's own marks stay as the compile run left them.
  EXPECT_TRUE(good->SourceValid && good->LUTValid());
  EXPECT_FALSE(twinB->SourceValid);

  // Entering edit mode clears the marks back to the frame colour.
  form->TabBar->SelectTab(1);
  EXPECT_EQ(good->ShownFrameColor(), 0xC0C0C0u);
}

// The five status texts as the listing shows them, and the two refusals.
TEST_F(LUTTest, StatusTextsOfTheValueViewer) {
  auto* t = TQXLUT::ElemCreate();
  struct Case {
    std::string file;
    std::string caption;
  };
  const std::string fifo = (dir_ / "t.fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const Case cases[] = {
      {"", "Wertetabelle: Keine Datei angegeben!"},
      {(dir_ / "none.txt").string(),
       "Wertetabelle: Fehler beim \xC3\x96"
       "ffnen der Datei."},
      {Write("l.txt", "1 1\n2\n"), "Wertetabelle: Fehler beim Laden der Datei"},
      {Write("a.txt", "2 1\n1 1\n"),
       "Wertetabelle: Fehler: Indexwerte m\xC3\xBC"
       "ssen aufsteigend sein."},
      {Write("ok.txt", "1 1\n2 2\n"),
       "Wertetabelle: Anforderungen erf\xC3\xBC"
       "llt."},
      {fifo,
       "Wertetabelle: Fehler beim \xC3\x96"
       "ffnen der Datei: keine gew\xC3\xB6"
       "hnliche Datei."},
      {"/dev/zero",
       "Wertetabelle: Fehler beim \xC3\x96"
       "ffnen der Datei: keine gew\xC3\xB6"
       "hnliche Datei."},
  };
  for (const Case& c : cases) {
    t->SetFileName(c.file);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(t->GetTableCaption(), c.caption) << c.file;
    EXPECT_LT(clock.elapsed(), 2000) << c.file;
  }
}

TEST_F(LUTTest, FifoAndOverlongFileAreRefusedQuicklyAtCompile) {
  const std::string fifo = (dir_ / "c.fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto* f = Table("fifo", fifo);
  std::string big = "0 0\n1 1\n\n";
  big.resize(static_cast<size_t>(TLookupTable::kMaxFileSize) + 1, '#');
  auto* b = Table("big", Write("big.txt", big));
  auto* user = Display("fifo(#1) + big(#1)");
  std::atomic<bool> done{false};
  // Should the compile block on the FIFO, a writer frees it so the test can
  // end (and fail).
  std::thread watchdog([&] {
    for (int i = 0; i < 100 && !done.load(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!done.load()) {
      const int w = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (w >= 0) close(w);
    }
  });
  QElapsedTimer clock;
  clock.start();
  Compile();
  done = true;
  watchdog.join();
  EXPECT_LT(clock.elapsed(), 3000);
  EXPECT_FALSE(f->LUTValid());
  EXPECT_FALSE(b->LUTValid());
  EXPECT_EQ(f->StatusText(),
            "Fehler beim \xC3\x96"
            "ffnen der Datei: keine gew\xC3\xB6"
            "hnliche Datei.");
  EXPECT_EQ(b->StatusText(),
            "Fehler beim Laden der Datei: gr\xC3\xB6\xC3\x9F"
            "er als 10 MB.");
  EXPECT_FALSE(user->SourceValid);
  EXPECT_EQ(f->ShownFrameColor(), kFailedColor);
}

TEST_F(LUTTest, ValueViewerReloadsAndShowsTheTable) {
  const std::string file = Write("v.txt", "0\t0\n10\t2,5\n20\t4\n");
  auto* t = Table("vals", file);
  TPropertyEditor::ShowElement(*t);
  TEEListing* l = TPropertyEditor::CurrentListing();
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->Entries.size(), 16u);
  EXPECT_EQ(dynamic_cast<TEEETitelActive*>(l->Entries[0])->Label->text(), "Lookup-Tabelle");
  auto* name = dynamic_cast<TEEEZeichenUAuswahl*>(l->Entries[2]);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->palette().color(QPalette::Window), ColorToQColor(0xA5F5FA));
  auto* fileRow = dynamic_cast<TEEEDateiOeffnen*>(l->Entries[7]);
  ASSERT_NE(fileRow, nullptr);
  EXPECT_EQ(fileRow->Edit->text().toStdString(), file);
  auto* opener = dynamic_cast<TEEESubLister*>(l->Entries[8]);
  ASSERT_NE(opener, nullptr);
  EXPECT_EQ(opener->Label->text(), "Tabellenwerte");
  EXPECT_EQ(dynamic_cast<TEEEBeschreibung*>(l->Entries[14])->height(), 320);

  opener->Button->clicked();
  ASSERT_NE(TPropertyEditor::CurrentSubListing(), nullptr);
  auto* viewer =
      dynamic_cast<TEEEArrayViewer*>(TPropertyEditor::CurrentSubListing()->Entries.at(0));
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->Label->text(),
            "Wertetabelle: Anforderungen erf\xC3\xBC"
            "llt.");
  EXPECT_EQ(viewer->ColumnX, (QStringList{"X", "0", "10", "20"}));
  EXPECT_EQ(viewer->ColumnY, (QStringList{"Y", "0", "2,5", "4"}));
  EXPECT_TRUE(t->LUTValid());
  // The rows are shown, not only the title: the listing holds the whole
  // table and the grid has room for its rows.
  const auto rowsShown = [viewer] {
    QTableWidget* g = viewer->Grid;
    const int last = g->rowCount() - 1;
    const QRect cell = g->visualRect(g->model()->index(last, 1));
    const QWidget* content = viewer->Listing->Content;
    return content->height() > viewer->geometry().bottom() &&
           content->width() > viewer->geometry().right() &&
           g->height() > g->horizontalHeader()->height() && !cell.isEmpty() &&
           g->viewport()->rect().intersects(cell);
  };
  EXPECT_EQ(viewer->Grid->rowCount(), 3);
  EXPECT_TRUE(rowsShown());
  TPropertyEditor::BackButton()->clicked();

  // The status follows the file on disk.
  Write("v.txt", "0 0\n5 1\n5 2\n");
  opener->Button->clicked();
  EXPECT_EQ(viewer->Label->text(),
            "Wertetabelle: Fehler: Indexwerte m\xC3\xBC"
            "ssen aufsteigend sein.");
  EXPECT_EQ(viewer->ColumnX, (QStringList{"X", "0", "5", "5"}));
  EXPECT_FALSE(t->LUTValid());
  TPropertyEditor::BackButton()->clicked();

  // An empty table: the single "no values" row is shown.
  t->SetFileName(Write("e.txt", ""));
  opener->Button->clicked();
  EXPECT_EQ(viewer->ColumnY, (QStringList{"Y", "Keine Werte geladen"}));
  EXPECT_EQ(viewer->Grid->rowCount(), 1);
  EXPECT_TRUE(rowsShown());
  TPropertyEditor::BackButton()->clicked();

  // The interpolation switch edits the table.
  auto* interp = dynamic_cast<TEEEAuswahlFeld*>(l->Entries[10]);
  ASSERT_NE(interp, nullptr);
  interp->Check->click();
  EXPECT_TRUE(t->GetInterpolate());
}

// The value viewer reloads the table while frames arrive and port threads
// evaluate the formula that calls it: each value is one table's answer.
TEST_F(LUTTest, ReloadWhileFramesArrive) {
  const std::string a = Write("a.txt", "0 1\n100 1\n");
  const std::string b = Write("b.txt", "0 2\n50 2\n100 2\n");
  auto* t = Table("tab", a);
  auto* d = Display("tab(#3)");
  ConnectLoopback();
  std::atomic<bool> stop{false};
  std::thread feeder([&] {
    TSockAddr to;
    std::string err;
    if (!ResolveAddress("127.0.0.1", std::to_string(port->BoundPort()), SOCK_DGRAM, false, to, err))
      return;
    for (int k = 0; !stop.load(); ++k) {
      (void)peer.SendTo(to, "#3F" + std::to_string(k % 100) + ";");
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  int wrong = 0;
  for (int i = 0; i < 200; ++i) {
    t->SetFileName(i % 2 ? a : b);
    t->GetTableCaption();
    const double v = d->GetValue();
    if (v != 1 && v != 2 && v != 0) ++wrong;  // 0 before the first frame
    QCoreApplication::processEvents();
  }
  stop = true;
  feeder.join();
  EXPECT_EQ(wrong, 0);
  // A frame after the last reload: on a loaded machine the feeder's frames
  // may all have come before it.
  Feed("#3F7;");
  EXPECT_TRUE(ProcessUntil([&] { return d->GetValue() == 1; }));
  Disconnect();
}

// After a table is deleted, nothing compiled may still call into it: the
// run page's receive test evaluates right away.
TEST_F(LUTTest, DeletedTableLeavesNoCodeThatCallsIt) {
  auto* t = Table("gone", Write("g.txt", "0 3\n10 3\n"));
  auto* d = Display("gone(#4)");
  auto* other = Display("#4 * 2");
  Compile();
  ASSERT_TRUE(d->SourceValid);
  ASSERT_EQ(Calculator->Hub().Kanal(4).Readers.size(), 2u);
  form->EditSimulateRecv->setText("#4F1;");
  form->BitBtnRecvSimuClick();
  EXPECT_EQ(d->GetValue(), 3);

  delete t;
  EXPECT_FALSE(d->SourceValid);
  EXPECT_EQ(TFormulaElement::FormulaOf(*d)->Code.Count(), 0);
  EXPECT_EQ(TFormulaElement::FormulaOf(*d)->Tokens.Count(), 0);
  EXPECT_TRUE(other->SourceValid);
  form->EditSimulateRecv->setText("#4F2;");
  form->BitBtnRecvSimuClick();
  EXPECT_EQ(d->GetValue(), 3);  // not evaluated any more
  EXPECT_EQ(other->GetValue(), 4);
  // The next compile finds the name unknown.
  Compile();
  EXPECT_FALSE(d->SourceValid);
}

TEST_F(LUTTest, KeySetRoundTripsThroughTheProjectFile) {
  PortList->FreeAll();
  auto* t = Table("kennlinie", "tab.txt");
  t->SetInterpolate(true);
  t->SetShowName(false);
  t->SetLeft(40);
  t->SetTop(12);
  t->SetHideInRun(true);
  const std::string text = FileLoad->ProjectText();
  size_t at = text.find("QXLUT\r\n");
  ASSERT_NE(at, std::string::npos);
  for (const std::string k : {"disabled", "denom", "showDenom", "position", "size", "filename",
                              "interpolate", "hideInRun"}) {
    const size_t next = text.find("\n" + k + " ", at);
    ASSERT_NE(next, std::string::npos) << k;
    at = next;
  }
  EXPECT_NE(text.find("interpolate true\r\n"), std::string::npos);
  NewProject();
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
  auto* u = dynamic_cast<TQXLUT*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(u->Denom, "kennlinie");
  EXPECT_EQ(u->FileName, "tab.txt");
  EXPECT_TRUE(u->Table().Interpolate);
  EXPECT_FALSE(u->ShowName);
  EXPECT_TRUE(u->HideInRun);
  EXPECT_EQ(u->pos(), QPoint(40, 12));
  EXPECT_EQ(FileLoad->ProjectText(), text);

  auto* c = dynamic_cast<TQXLUT*>(u->Clone());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->FileName, "tab.txt");
  EXPECT_TRUE(c->GetInterpolate());
  EXPECT_NE(c->LUTFunction(), u->LUTFunction());
}

}  // namespace
}  // namespace qx
