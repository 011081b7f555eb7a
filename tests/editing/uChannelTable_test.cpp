// The channel usage table in the whole application: what a compile run
// lists, where the rows stand, and what a click highlights and selects.
#include "editing/uChannelTable.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QMouseEvent>
#include <algorithm>

#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheetTabs.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "gui_support/AppFixture.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"

namespace qx {
namespace {

using test::AppFixture;

class ChannelTableTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->show();
  }
  template <class C>
  static C* Make(const std::string& source) {
    C* e = C::ElemCreate();
    e->SetSource(source);
    return e;
  }
  static std::vector<int32_t> Channels(const TChSetList& list) {
    std::vector<int32_t> out;
    for (const TChannelSet* r : list.Rows) out.push_back(r->Channel);
    return out;
  }
  static std::vector<int> Tops(const TChSetList& list) {
    std::vector<int> out;
    for (const TChannelSet* r : list.Rows) out.push_back(r->y());
    return out;
  }
  static void Click(QWidget* w) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
  }
  static void Enter(QWidget* w) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(w, &enter);
  }
  static void Leave(QWidget* w) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(w, &leave);
  }
  static std::vector<TQXElement*> Selected() {
    std::vector<TQXElement*> out;
    for (int i = 0; i < TEditPanel::SelectionCount(); ++i)
      out.push_back(TEditPanel::SelectedFrame(i)->Element);
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::vector<TQXElement*> Sorted(std::vector<TQXElement*> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
};

TEST_F(ChannelTableTest, ListsEachUsedChannelOnceInOrderAndStacksTheRows) {
  auto* a = Make<TQXNumericDisp>("#5");
  Make<TQXNumericDisp>("#5");
  Make<TQXNumericDisp>("#5+#3");
  Make<TQXNumericDisp>("#9*2");
  Make<TQXRemoteLabel>("#8+1");  // does not compile: adds no channel
  Make<TQXButton>("#7");
  Make<TQXButton>("#7");
  Make<TQXButton>("");  // no valid output
  Make<TQXButton>("#4+");

  form->ButtonKanallisteClick();
  TChannelTable& t = *ChannelTable;
  EXPECT_TRUE(form->PanelChannelArea->isVisible());
  EXPECT_FALSE(TPropertyEditor::PanelVisible());
  EXPECT_TRUE(a->SourceValid);  // the table compiled
  EXPECT_EQ(Channels(t.Inputs), (std::vector<int32_t>{3, 5, 9}));
  EXPECT_EQ(Channels(t.Outputs), (std::vector<int32_t>{7}));
  EXPECT_EQ(t.InputTitle->geometry(), QRect(0, 0, 400, 25));
  EXPECT_EQ(t.InputTitle->Label->text(), "Verwendete Eingangskan\u00e4le");
  EXPECT_EQ(Tops(t.Inputs), (std::vector<int>{26, 52, 78}));
  EXPECT_EQ(t.OutputTitle->y(), 26 * 3 + 27);
  EXPECT_EQ(t.OutputTitle->Label->text(), "Verwendete Ausgangskan\u00e4le");
  EXPECT_EQ(Tops(t.Outputs), (std::vector<int>{131}));
  const TChannelSet* row = t.Inputs.Rows[0];
  EXPECT_EQ(row->size(), QSize(400, 25));
  EXPECT_EQ(row->Label->geometry(), QRect(10, 2, 150, 20));
  EXPECT_EQ(row->Label->text(), "#3");
  EXPECT_EQ(row->Kind, 1);
  EXPECT_EQ(t.Outputs.Rows[0]->Kind, 2);

  form->ButtonHintergrundClick();
  EXPECT_FALSE(form->PanelChannelArea->isVisible());
  EXPECT_TRUE(TPropertyEditor::PanelVisible());
}

TEST_F(ChannelTableTest, AnEmptyProjectShowsTheTwoTitlesOnly) {
  ChannelTable->Show();
  EXPECT_TRUE(ChannelTable->Inputs.Rows.empty());
  EXPECT_TRUE(ChannelTable->Outputs.Rows.empty());
  EXPECT_EQ(ChannelTable->OutputTitle->y(), 27);
}

TEST_F(ChannelTableTest, ClickHighlightsTheRowAndSelectsItsUsersOnTheCurrentSheet) {
  auto* r1 = Make<TQXNumericDisp>("#5");
  auto* r2 = Make<TQXNumericDisp>("#5+#3");
  auto* w1 = Make<TQXButton>("#7");
  auto* w2 = Make<TQXButton>("#7");
  SheetTabs->NewTab();
  SheetTabs->SelectTab(1);
  Make<TQXNumericDisp>("#5");  // on the second sheet
  SheetTabs->SelectTab(0);
  ASSERT_EQ(CurrentSheet, SheetList[0]);

  ChannelTable->Show();
  TChannelSet* in5 = ChannelTable->Inputs.Rows[1];
  TChannelSet* in3 = ChannelTable->Inputs.Rows[0];
  TChannelSet* out7 = ChannelTable->Outputs.Rows[0];
  ASSERT_EQ(in5->Channel, 5);

  Click(in5);
  EXPECT_EQ(ChannelTable->HighlightedRow, in5);
  EXPECT_EQ(in5->Color(), 0xFBC7AAu);
  // The reader on the other sheet is not selected: the user could not see it.
  EXPECT_EQ(Selected(), Sorted({r1, r2}));
  EXPECT_FALSE(TPropertyEditor::PanelVisible());

  Enter(in5);  // the highlighted row keeps its colour
  EXPECT_EQ(in5->Color(), 0xFBC7AAu);
  Enter(in3);
  EXPECT_EQ(in3->Color(), 0xFEEFE7u);
  Leave(in3);
  EXPECT_EQ(in3->Color(), kChannelRowColor);

  Click(out7);
  EXPECT_EQ(in5->Color(), kChannelRowColor);
  EXPECT_EQ(out7->Color(), 0xFBC7AAu);
  EXPECT_EQ(Selected(), Sorted({w1, w2}));

  // Showing again rebuilds without a highlighted row.
  ChannelTable->Show();
  EXPECT_EQ(ChannelTable->HighlightedRow, nullptr);
  for (const TChannelSet* r : ChannelTable->Inputs.Rows) EXPECT_EQ(r->Color(), kChannelRowColor);

  // Switching the page hides the table and forgets the highlight.
  Click(ChannelTable->Inputs.Rows[0]);
  form->TabBar->SelectTab(0);
  EXPECT_FALSE(form->PanelChannelArea->isVisible());
  EXPECT_EQ(ChannelTable->HighlightedRow, nullptr);
}

TEST_F(ChannelTableTest, UsersOfTheOtherSheetAreLeftOut) {
  Make<TQXNumericDisp>("#5");
  SheetTabs->NewTab();
  SheetTabs->SelectTab(1);
  auto* there = Make<TQXNumericDisp>("#5");
  ChannelTable->Show();
  EXPECT_EQ(ChannelUsersOnCurrentSheet(5, false), std::vector<TQXElement*>{there});
  EXPECT_TRUE(ChannelUsersOnCurrentSheet(5, true).empty());
  EXPECT_TRUE(ChannelUsersOnCurrentSheet(-1, false).empty());
}

}  // namespace
}  // namespace qx
