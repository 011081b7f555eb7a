// Sheets, their list and the tab strip's events, the background fit and the
// formula language's sheet function.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <thread>

#include "editing/uChannelTable.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSendAnim.h"
#include "editing/uSheetBckgnd.h"
#include "formula/UInterpreter.h"
#include "formula/uFunctions.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXNumericDisp.h"
#include "shell/uFileHandling.h"
#include "shell/uMain.h"

namespace qx {
namespace {

using test::AppFixture;

class SheetTest : public AppFixture {};

TEST_F(SheetTest, TabCommandsKeepTheSheetListInStep) {
  TSheet* first = SheetList[0];
  SheetTabs->NewTab();
  SheetTabs->NewTab();
  ASSERT_EQ(SheetList.size(), 3u);
  EXPECT_EQ(CurrentSheet, first);  // a new tab is not selected
  EXPECT_FALSE(SheetList[1]->isVisible());
  EXPECT_EQ(SheetTabs->GetTabCaption(2), "Blatt 3");

  SheetTabs->SelectTab(1);
  TSheet* second = SheetList[1];
  EXPECT_EQ(CurrentSheet, second);
  auto* e = TQXNumericDisp::ElemCreate();
  EXPECT_EQ(e->Sheet, second);
  EXPECT_EQ(TSheet::IndexOfElement(e), 1);

  // Moving the second tab left swaps the first two sheets.
  SheetTabs->CmdMoveLeft(SheetTabs->Tabs[1]);
  EXPECT_EQ(SheetList[0], second);
  EXPECT_EQ(SheetList[1], first);
  EXPECT_EQ(CurrentSheet, second);

  // Deleting the active first tab makes the former second sheet current.
  SheetTabs->CmdDelete(SheetTabs->Tabs[0]);
  ASSERT_EQ(SheetList.size(), 2u);
  EXPECT_EQ(SheetList[0], first);
  EXPECT_EQ(CurrentSheet, first);
  EXPECT_EQ(SheetTabs->ActiveIndex, 0);
  EXPECT_EQ(TSheet::ElementCount(), 0);

  SheetTabs->SetTabCaption(1, "Zwei");
  EXPECT_EQ(SheetList[1]->GetName(), "Zwei");
  SheetList[1]->SetName("Drei");
  EXPECT_EQ(SheetTabs->GetTabCaption(1), "Drei");
}

TEST_F(SheetTest, ClearRereadsTheListWhenAParentGoesBeforeItsParts) {
  auto* a = TQXNumericDisp::ElemCreate();
  auto* parent = TQXNumericDisp::ElemCreate();
  auto* part = new TQXElement(parent);  // a sub-element stands in the list too
  part->IsSubElement = true;
  auto* b = TQXNumericDisp::ElemCreate();
  // "To front" moved the parent behind its part in the list.
  auto& list = CurrentSheet->ElementList;
  std::erase(list, parent);
  list.push_back(parent);
  ASSERT_EQ(list, (std::vector<TQXElement*>{a, part, b, parent}));
  CurrentSheet->Clear();
  EXPECT_TRUE(CurrentSheet->ElementList.empty());
  EXPECT_TRUE(CurrentSheet->Canvas()->findChildren<TQXElement*>().isEmpty());
}

// An element whose destructor takes another one of the sheet along.
class TOwningElement final : public TQXElement {
 public:
  using TQXElement::TQXElement;
  ~TOwningElement() override { delete companion.data(); }
  QPointer<TQXElement> companion;
};

TEST_F(SheetTest, ClearDestroysAnElementTakenAlongByAnotherOnce) {
  auto* before = TQXNumericDisp::ElemCreate();
  auto* owner = new TOwningElement(CurrentCanvas());
  auto* after = TQXNumericDisp::ElemCreate();
  owner->companion = after;
  auto* second = new TOwningElement(CurrentCanvas());
  second->companion = before;  // one that stands before its owner
  ASSERT_EQ(CurrentSheet->ElementList.size(), 4u);
  CurrentSheet->Clear();
  EXPECT_TRUE(CurrentSheet->ElementList.empty());
  EXPECT_TRUE(CurrentSheet->Canvas()->findChildren<TQXElement*>().isEmpty());
}

// Counts what reaches the GUI thread.
class TCountingElement final : public TQXElement {
 public:
  using TQXElement::TQXElement;
  void Activate(int32_t arg) override { args.push_back(arg); }
  std::vector<int32_t> args;
};

// A port thread under a flood posts per value: the GUI's queue must not
// grow with it (it would hold up everything, Disconnect's status as well).
TEST_F(SheetTest, FloodedRequestsAndSendAnimationsWaitOnlyAFewAtATime) {
  auto* e = new TCountingElement(CurrentSheet->Canvas());
  CurrentSheet->ElementList.push_back(e);
  std::thread port([e] {
    for (int i = 0; i < 10000; ++i) {
      e->PostActivate(1);
      TAnim::PostAnim(*e, AnimSent);
    }
    e->PostActivate(0);  // a different request still comes, after them
  });
  port.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(e->args, (std::vector<int32_t>{1, 1, 0}));
  EXPECT_EQ(e->findChildren<TAnim*>().size(), 1);
  // Once handled, the next ones go out again.
  e->PostActivate(1);
  QCoreApplication::processEvents();
  EXPECT_EQ(e->args.back(), 1);
}

TEST_F(SheetTest, SheetFunctionFromAPortThread) {
  SheetTabs->NewTab();
  SheetTabs->NewTab();
  IFormulaSheetTabs* tabs = Interpreter.SheetTabs;
  ASSERT_EQ(tabs, SheetTabs);
  int32_t count = 0;
  double outside = 0, requested = 0;
  std::thread port([&] {
    count = tabs->TabCount();
    outside = SheetOf(4, tabs);    // no such tab: the selection stays
    requested = SheetOf(3, tabs);  // handed to the GUI thread, not waited for
  });
  port.join();
  EXPECT_EQ(count, 3);
  EXPECT_EQ(outside, 1.0);
  EXPECT_EQ(requested, 3.0);
  ASSERT_TRUE(ProcessUntil([] { return CurrentSheet == SheetList[2]; }));
  EXPECT_EQ(SheetTabs->ActiveIndex, 2);
}

TEST_F(SheetTest, ResetAllLeavesOneEmptyPendingSheet) {
  SheetTabs->NewTab();
  SheetTabs->SelectTab(1);
  TQXNumericDisp::ElemCreate();
  CurrentSheet->Background->SetColor(0x112233);
  FirstSheetPending = false;
  TSheet::ResetAll();
  ASSERT_EQ(SheetList.size(), 1u);
  EXPECT_EQ(CurrentSheet, SheetList[0]);
  EXPECT_TRUE(FirstSheetPending);
  EXPECT_EQ(SheetTabs->TabCount(), 1);
  EXPECT_EQ(CurrentSheet->Background->RunColor, kSheetColor);
  // The next "QXSHEET" block reuses it; a second one adds a sheet.
  EXPECT_EQ(TSheet::LoadSheetObject(), CurrentSheet);
  TFLObject* next = TSheet::LoadSheetObject();
  EXPECT_EQ(next, SheetList.back());
  EXPECT_EQ(SheetList.size(), 2u);
  EXPECT_EQ(CurrentSheet, SheetList[1]);
}

TEST(SheetBackground, PictureFit) {
  struct Case {
    int w0, h0, mode, fw, fh, w, h;
  };
  const Case cases[] = {
      {400, 300, PicFixWidth, 800, 0, 800, 600},
      {400, 300, PicFixHeight, 0, 150, 200, 150},
      {400, 300, PicOrig, 10, 10, 400, 300},
      {400, 300, PicStretch, 123, 45, 123, 45},
      {4, 2, PicFixWidth, 5, 0, 5, 2},  // 2.5 rounds to even
      {4, 2, PicFixWidth, 7, 0, 7, 4},  // 3.5 rounds to 4
      {0, 0, PicFixWidth, 7, 0, 0, 0},
      // Very tall or wide pictures: at most 16384 pixels a side, same aspect.
      {100, 10000, PicFixWidth, 9000, 0, 164, 16384},
      {10000, 100, PicFixHeight, 0, 9000, 16384, 164},
      {40000, 20000, PicOrig, 0, 0, 16384, 8192},
      {1, 1000000, PicFixWidth, 1, 0, 1, 16384},
  };
  for (const Case& c : cases) {
    const QSize s = FitPictureSize(c.w0, c.h0, c.mode, c.fw, c.fh);
    EXPECT_EQ(s, QSize(c.w, c.h)) << c.w0 << "x" << c.h0 << " mode " << c.mode;
  }
}

TEST_F(SheetTest, BackgroundSizesAndPicture) {
  TSheetBckgnd& bg = *CurrentSheet->Background;
  bg.SetFixedWidth(9001);
  EXPECT_NE(bg.FixedWidth, 9001);
  bg.SetFixedWidth(9000);
  EXPECT_EQ(bg.FixedWidth, 9000);
  QImage img(4, 2, QImage::Format_RGB32);
  img.fill(Qt::red);
  const QString file = QDir::tempPath() + "/qx_sheet_pic.png";
  ASSERT_TRUE(img.save(file));
  bg.SetFixedWidth(7);
  bg.SetPicFile(file.toStdString());
  EXPECT_EQ(bg.Bitmap.size(), QSize(7, 4));
  bg.SetPicFile("/nonexistent/pic.png");  // a missing picture clears the old one
  EXPECT_TRUE(bg.Bitmap.isNull());
  QFile::remove(file);
}

TEST(SheetExtent, ContentOrViewLessTheBarsTheContentNeeds) {
  struct Case {
    QSize content, extent;
  };
  const QSize view(800, 600), bars(15, 12);
  const Case cases[] = {
      {{0, 0}, {800, 600}},      // empty: the whole view, no bars
      {{800, 600}, {800, 600}},  // just fits
      {{900, 100}, {900, 588}},  // a horizontal bar takes its height
      {{100, 700}, {785, 700}},  // a vertical bar takes its width
      {{900, 595}, {900, 595}},  // the horizontal bar then needs a vertical one
      {{790, 700}, {790, 700}},  // and the other way round
      {{3000, 2000}, {3000, 2000}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SheetExtent(c.content, view, bars), c.extent)
        << c.content.width() << "x" << c.content.height();
}

// Scroll bars come with an element beyond the sheet's edges and go with
// it: a new project leaves an empty sheet without them. A panel over the
// right edge (property listing, channel list) leaves the vertical bar in
// sight.
TEST_F(SheetTest, ScrollBarsFollowTheElementsAndStayInSight) {
  form->show();
  form->TabBar->SelectTab(1);
  TSheet* sheet = CurrentSheet;
  auto* e = TQXNumericDisp::ElemCreate();
  e->SetLeft(3000);
  e->SetTop(2000);
  ProcessFor(30);
  QScrollBar* v = sheet->verticalScrollBar();
  QScrollBar* h = sheet->horizontalScrollBar();
  ASSERT_TRUE(v->isVisible());
  ASSERT_TRUE(h->isVisible());
  const int fullWidth = sheet->width();
  const auto onScreen = [](const QWidget* w) { return QRect(w->mapToGlobal(QPoint()), w->size()); };
  const std::vector<std::pair<const char*, std::function<void()>>> panels = {
      {"listing", [sheet] { TPropertyEditor::ShowBackground(*sheet->Background); }},
      {"channels", [this] { form->ButtonKanallisteClick(); }},
  };
  for (const auto& [name, show] : panels) {
    SCOPED_TRACE(name);
    show();
    ProcessFor(30);
    QWidget* panel =
        TPropertyEditor::PanelVisible() ? TPropertyEditor::Panel() : form->PanelChannelArea;
    ASSERT_TRUE(panel->isVisible());
    EXPECT_TRUE(v->isVisible());
    EXPECT_FALSE(onScreen(v).intersects(onScreen(panel)));
    EXPECT_FALSE(onScreen(sheet).intersects(onScreen(panel)));
    TPropertyEditor::HideListing();
    ChannelTable->Hide();
    ProcessFor(30);
    EXPECT_EQ(sheet->width(), fullWidth);
  }
  FileHandling->Reset();
  ProcessFor(30);
  EXPECT_EQ(CurrentSheet, sheet);
  EXPECT_FALSE(v->isVisible());
  EXPECT_FALSE(h->isVisible());
  EXPECT_EQ(sheet->Canvas()->size(), sheet->viewport()->size());
}

}  // namespace
}  // namespace qx
