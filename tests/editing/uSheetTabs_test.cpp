#include "editing/uSheetTabs.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {
namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
  const QPoint c = w->rect().center();
  SendMouse(w, QEvent::MouseButtonPress, c, button, button);
  SendMouse(w, QEvent::MouseButtonRelease, c, button, Qt::NoButton);
}

class SheetTabsTest : public ::testing::Test {
 protected:
  void SetUp() override { Make(600); }

  void Make(int width) {
    Strip = std::make_unique<TSheetTabs>();
    Strip->resize(width, 20);
    Strip->show();
  }

  // A strip too narrow for its six tabs.
  void MakeNarrowWithSix() {
    Make(300);
    for (int i = 0; i < 5; ++i) Strip->NewTab();
  }

  void Record() {
    Strip->OnChange = [this](TSheetTabs* s) {
      Log.push_back("change:" + std::to_string(s->ActiveIndex));
    };
    Strip->OnNewTab = [this](TSheetTabs*) { Log.push_back("new"); };
    Strip->OnTabDelete = [this](TSheetTabs*, int i) {
      Log.push_back("delete:" + std::to_string(i));
    };
    Strip->OnTabExchange = [this](TSheetTabs*, int i, int j) {
      Log.push_back("exchange:" + std::to_string(i) + "," + std::to_string(j));
    };
  }

  std::vector<QString> Captions() const {
    std::vector<QString> out;
    for (int i = 0; i < Strip->TabCount(); ++i) out.push_back(Strip->GetTabCaption(i));
    return out;
  }

  // What every layout must give: the shown tabs form one run from FirstVisible,
  // the last shown whole ends before the right arrow (+10), the next one peeks
  // out, the active tab is the only active one, and the mirrors agree.
  void ExpectConsistent() const {
    const TSheetTabs& s = *Strip;
    const int n = static_cast<int>(s.Tabs.size());
    ASSERT_EQ(s.TabCount(), n);
    EXPECT_EQ(s.SelectedTab(), s.ActiveIndex + 1);
    for (int i = 0; i < n; ++i) {
      SCOPED_TRACE(i);
      const TTab* tab = s.Tabs[i];
      EXPECT_EQ(tab->Active, i == s.ActiveIndex);
      const bool shown = i >= s.FirstVisible && i <= s.LastVisible + 1;
      EXPECT_EQ(tab->isVisible(), shown);
      if (i >= s.FirstVisible && i <= s.LastVisible) {
        EXPECT_LE(tab->x() + tab->width(), s.width() - TSheetTabs::ArrowWidth + 10);
      }
      if (i > s.FirstVisible && shown) {
        const TTab* left = s.Tabs[i - 1];
        const int overlap = tab->Active ? s.ActiveExtra : 0;
        EXPECT_EQ(tab->x() + overlap, left->x() + left->width());
      }
    }
    EXPECT_EQ(s.LeftArrow()->isEnabled(), s.FirstVisible > 0);
    EXPECT_EQ(s.RightArrow()->isEnabled(), s.LastVisible < n - 1);
    EXPECT_EQ(s.Filler()->AtStart, s.FirstVisible == 0);
  }

  std::unique_ptr<TSheetTabs> Strip;
  std::vector<std::string> Log;
};

TEST_F(SheetTabsTest, StartsWithOneActiveTabAtTheStart) {
  const TSheetTabs& s = *Strip;
  EXPECT_EQ(Captions(), std::vector<QString>{"Blatt 1"});
  EXPECT_EQ(s.ActiveIndex, 0);
  EXPECT_TRUE(s.Editable);
  EXPECT_EQ(s.BarColor, 0xE9DCD1u);
  EXPECT_EQ(s.ActiveExtra, 10);
  EXPECT_EQ(s.Filler()->width(), 20);
  // Left arrow + filler, less the active overlap.
  EXPECT_EQ(s.Tabs[0]->x(), 21 + 20 - 10);
  EXPECT_EQ(s.Tabs[0]->width(), s.Tabs[0]->PreferredWidth() + 10);
  EXPECT_EQ(s.RightArrow()->x(), 600 - 21);
  ExpectConsistent();
}

TEST_F(SheetTabsTest, HeightSetsActiveExtraAndFillerWidth) {
  Strip->resize(600, 30);
  EXPECT_EQ(Strip->ActiveExtra, 15);
  EXPECT_EQ(Strip->Filler()->width(), 25);
  EXPECT_EQ(Strip->Tabs[0]->height(), 30);
  EXPECT_EQ(Strip->Tabs[0]->width(), Strip->Tabs[0]->PreferredWidth() + 15);
  ExpectConsistent();
}

TEST_F(SheetTabsTest, NewTabsAreNumberedByCountAndStayInactive) {
  Record();
  Strip->NewTab();
  Strip->CmdNew();
  EXPECT_EQ(Captions(), (std::vector<QString>{"Blatt 1", "Blatt 2", "Blatt 3"}));
  EXPECT_EQ(Log, (std::vector<std::string>{"new", "new"}));
  EXPECT_EQ(Strip->ActiveIndex, 0);
  ExpectConsistent();

  Strip->CmdDelete(Strip->Tabs[1]);
  Strip->NewTab();
  EXPECT_EQ(Captions(), (std::vector<QString>{"Blatt 1", "Blatt 3", "Blatt 3"}));
  ExpectConsistent();
}

TEST_F(SheetTabsTest, CaptionsOutsideTheListAreADashAndSettingThemDoesNothing) {
  Strip->NewTab();
  for (int index : {-1, 2, 100}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(Strip->GetTabCaption(index), "-");
    Strip->SetTabCaption(index, "x");
  }
  EXPECT_EQ(Captions(), (std::vector<QString>{"Blatt 1", "Blatt 2"}));
  Strip->SetTabCaption(1, "Kessel");
  EXPECT_EQ(Strip->GetTabCaption(1), "Kessel");
}

TEST_F(SheetTabsTest, PreferredWidthStaysWithin80And200) {
  struct Case {
    QString caption;
    int min, max;
  } cases[] = {{"", 80, 80}, {"Blatt 1", 80, 200}, {QString(200, 'W'), 200, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption.toStdString());
    Strip->SetTabCaption(0, c.caption);
    EXPECT_GE(Strip->Tabs[0]->PreferredWidth(), c.min);
    EXPECT_LE(Strip->Tabs[0]->PreferredWidth(), c.max);
    EXPECT_EQ(Strip->Tabs[0]->width(), Strip->Tabs[0]->PreferredWidth() + Strip->ActiveExtra);
  }
}

TEST_F(SheetTabsTest, NarrowStripScrollsWithTheArrows) {
  MakeNarrowWithSix();
  ExpectConsistent();
  EXPECT_EQ(Strip->FirstVisible, 0);
  ASSERT_LT(Strip->LastVisible, 5);
  EXPECT_TRUE(Strip->RightArrow()->isEnabled());
  EXPECT_FALSE(Strip->LeftArrow()->isEnabled());

  const int nextHidden = Strip->LastVisible + 1;
  Click(Strip->RightArrow());
  EXPECT_EQ(Strip->FirstVisible, nextHidden);
  EXPECT_TRUE(Strip->LeftArrow()->isEnabled());
  EXPECT_EQ(Strip->Tabs[nextHidden]->x(), 21 + 20);
  ExpectConsistent();

  // The tab before the first shown becomes the last shown.
  const int before = Strip->FirstVisible - 1;
  Click(Strip->LeftArrow());
  EXPECT_EQ(Strip->LastVisible, before);
  ExpectConsistent();
  EXPECT_EQ(Strip->ActiveIndex, 0);  // scrolling selects nothing
}

TEST_F(SheetTabsTest, DisabledArrowsDoNothing) {
  MakeNarrowWithSix();
  Strip->SelectTab(5);
  const int first = Strip->FirstVisible;
  ASSERT_FALSE(Strip->RightArrow()->isEnabled());
  Click(Strip->RightArrow());
  EXPECT_EQ(Strip->FirstVisible, first);
}

TEST_F(SheetTabsTest, SelectingBeyondTheLastShownMakesItTheLastShown) {
  for (int target : {4, 5}) {
    SCOPED_TRACE(target);
    MakeNarrowWithSix();
    Record();
    Log.clear();
    ASSERT_LT(Strip->LastVisible, target);
    Strip->SelectTab(target);
    EXPECT_EQ(Strip->ActiveIndex, target);
    EXPECT_EQ(Strip->PreviousIndex, 0);
    EXPECT_EQ(Strip->LastVisible, target);
    EXPECT_GT(Strip->FirstVisible, 0);
    EXPECT_EQ(Log, std::vector<std::string>{"change:" + std::to_string(target)});
    ExpectConsistent();
  }
}

TEST_F(SheetTabsTest, StripNarrowerThanOneTabStillShowsTheSelectedTab) {
  for (int target : {1, 2}) {
    SCOPED_TRACE(target);
    Make(120);
    for (int i = 0; i < 3; ++i) Strip->NewTab();
    Strip->SelectTab(target);
    EXPECT_EQ(Strip->FirstVisible, target);
    EXPECT_TRUE(Strip->Tabs[target]->isVisible());
    ExpectConsistent();
  }
}

TEST_F(SheetTabsTest, SelectingLeftOfTheFirstShownScrollsItIntoView) {
  for (int target : {0, 1}) {
    SCOPED_TRACE(target);
    MakeNarrowWithSix();
    Strip->SelectTab(5);
    ASSERT_GT(Strip->FirstVisible, target);
    Strip->SelectTab(target);
    EXPECT_EQ(Strip->FirstVisible, target);
    EXPECT_TRUE(Strip->Tabs[target]->isVisible());
    ExpectConsistent();
  }
}

TEST_F(SheetTabsTest, InvalidSelectionsDoNothing) {
  Strip->NewTab();
  Strip->NewTab();
  Strip->SelectTab(1);
  Record();
  for (int index : {-1, 1, 3, 99}) {
    SCOPED_TRACE(index);
    Strip->SelectTab(index);
    EXPECT_EQ(Strip->ActiveIndex, 1);
    EXPECT_EQ(Strip->PreviousIndex, 0);
  }
  EXPECT_TRUE(Log.empty());
}

TEST_F(SheetTabsTest, AClickSelectsOnlyWithoutMovementAndWithTheSameButton) {
  struct Case {
    QPoint move;
    Qt::MouseButton released;
    bool selects;
  } cases[] = {
      {{0, 0}, Qt::LeftButton, true},   {{10, 0}, Qt::LeftButton, true},
      {{-10, 5}, Qt::LeftButton, true}, {{12, 0}, Qt::LeftButton, false},
      {{0, 12}, Qt::LeftButton, false}, {{-12, 0}, Qt::LeftButton, false},
      {{0, 0}, Qt::RightButton, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.move.x() << "," << c.move.y() << " " << c.released);
    Make(600);
    Strip->NewTab();
    Strip->Editable = false;  // no menu from the right button here
    TTab* tab = Strip->Tabs[1];
    const QPoint down(40, 4);
    SendMouse(tab, QEvent::MouseButtonPress, down, Qt::LeftButton, Qt::LeftButton);
    if (!c.move.isNull())
      SendMouse(tab, QEvent::MouseMove, down + c.move, Qt::NoButton, Qt::LeftButton);
    SendMouse(tab, QEvent::MouseButtonRelease, down + c.move, c.released, Qt::NoButton);
    EXPECT_EQ(Strip->ActiveIndex, c.selects ? 1 : 0);
  }
}

TEST_F(SheetTabsTest, RightClickOffersTheMenuOnlyWhileEditable) {
  for (bool editable : {true, false}) {
    SCOPED_TRACE(editable);
    Make(600);
    Strip->NewTab();
    Strip->Editable = editable;
    Click(Strip->Tabs[1], Qt::RightButton);
    EXPECT_EQ(Strip->PopupMenu()->isVisible(), editable);
    EXPECT_EQ(Strip->PopupTab, editable ? Strip->Tabs[1] : nullptr);
    EXPECT_EQ(Strip->ActiveIndex, 0);
    Strip->PopupMenu()->hide();
  }
}

TEST_F(SheetTabsTest, MenuItemsActOnTheTabTheMenuWasOpenedOn) {
  std::vector<QString> texts;
  for (QAction* a : Strip->PopupMenu()->actions())
    texts.push_back(a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(texts, (std::vector<QString>{"Neues Blatt", "Blatt Löschen", "-", "Nach Links",
                                         "Nach Rechts", "-", "Umbenennen"}));

  Strip->NewTab();
  Strip->NewTab();
  Record();
  Click(Strip->Tabs[1], Qt::RightButton);
  Strip->PopupMenu()->hide();
  Strip->PopupMenu()->actions()[4]->trigger();  // move right
  EXPECT_EQ(Captions(), (std::vector<QString>{"Blatt 1", "Blatt 3", "Blatt 2"}));
  Strip->PopupMenu()->actions()[1]->trigger();  // delete the same tab, now at 2
  EXPECT_EQ(Captions(), (std::vector<QString>{"Blatt 1", "Blatt 3"}));
  EXPECT_EQ(Log, (std::vector<std::string>{"exchange:1,2", "delete:2"}));
  EXPECT_EQ(Strip->PopupTab, nullptr);
}

TEST_F(SheetTabsTest, DeleteKeepsTheActiveTabAndRaisesChangeBeforeDelete) {
  struct Case {
    int count, active, deleted;
    std::vector<std::string> log;
    int activeAfter;
    std::vector<QString> captions;
  } cases[] = {
      {3, 0, 0, {"change:1", "delete:0"}, 0, {"Blatt 2", "Blatt 3"}},
      {3, 1, 1, {"change:0", "delete:1"}, 0, {"Blatt 1", "Blatt 3"}},
      {3, 2, 2, {"change:1", "delete:2"}, 1, {"Blatt 1", "Blatt 2"}},
      {3, 2, 0, {"delete:0"}, 1, {"Blatt 2", "Blatt 3"}},
      {3, 0, 2, {"delete:2"}, 0, {"Blatt 1", "Blatt 2"}},
      {1, 0, 0, {}, 0, {"Blatt 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.count << " tabs, active " << c.active << ", delete " << c.deleted);
    Make(600);
    for (int i = 1; i < c.count; ++i) Strip->NewTab();
    Strip->SelectTab(c.active);
    Log.clear();
    Record();
    Strip->CmdDelete(Strip->Tabs[c.deleted]);
    EXPECT_EQ(Log, c.log);
    EXPECT_EQ(Strip->ActiveIndex, c.activeAfter);
    EXPECT_EQ(Captions(), c.captions);
    ExpectConsistent();
  }
}

TEST_F(SheetTabsTest, MovingExchangesNeighboursAndTheActiveIndexFollows) {
  enum Dir { Left, Right };
  struct Case {
    int active, moved;
    Dir dir;
    std::vector<std::string> log;
    int activeAfter;
    std::vector<QString> captions;
  } cases[] = {
      {0, 1, Left, {"exchange:0,1"}, 1, {"Blatt 2", "Blatt 1", "Blatt 3"}},
      {1, 1, Left, {"exchange:0,1"}, 0, {"Blatt 2", "Blatt 1", "Blatt 3"}},
      {0, 1, Right, {"exchange:1,2"}, 0, {"Blatt 1", "Blatt 3", "Blatt 2"}},
      {2, 1, Right, {"exchange:1,2"}, 1, {"Blatt 1", "Blatt 3", "Blatt 2"}},
      {0, 0, Left, {}, 0, {"Blatt 1", "Blatt 2", "Blatt 3"}},
      {0, 2, Right, {}, 0, {"Blatt 1", "Blatt 2", "Blatt 3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "active " << c.active << ", move " << c.moved
                                    << (c.dir == Left ? " left" : " right"));
    Make(600);
    Strip->NewTab();
    Strip->NewTab();
    Strip->SelectTab(c.active);
    const QString activeCaption = Strip->GetTabCaption(c.active);
    Log.clear();
    Record();
    if (c.dir == Left)
      Strip->CmdMoveLeft(Strip->Tabs[c.moved]);
    else
      Strip->CmdMoveRight(Strip->Tabs[c.moved]);
    EXPECT_EQ(Log, c.log);
    EXPECT_EQ(Strip->ActiveIndex, c.activeAfter);
    EXPECT_EQ(Strip->GetTabCaption(Strip->ActiveIndex), activeCaption);
    EXPECT_EQ(Captions(), c.captions);
    ExpectConsistent();
  }
}

TEST_F(SheetTabsTest, OneTabCannotMove) {
  Record();
  Strip->CmdMoveLeft(Strip->Tabs[0]);
  Strip->CmdMoveRight(Strip->Tabs[0]);
  EXPECT_TRUE(Log.empty());
}

TEST_F(SheetTabsTest, RenameTakesTheEditedTextOnEnterWithoutEvents) {
  for (const QString& text : {QString(), QString("Kessel links"), QString(300, 'M')}) {
    SCOPED_TRACE(text.toStdString());
    Make(600);
    Strip->NewTab();
    Record();
    TTab* tab = Strip->Tabs[1];
    Strip->CmdRename(tab);
    QLineEdit* edit = Strip->RenameEdit();
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->text(), "Blatt 2");
    EXPECT_EQ(edit->geometry(), tab->geometry());
    edit->setText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(tab->Caption, text);
    EXPECT_GE(tab->width(), 80);
    EXPECT_LE(tab->width(), 200);
    EXPECT_TRUE(Log.empty());
    ExpectConsistent();
  }
}

// A name of megabytes (a hand-made project): the tab lays out only what it
// can show, the name stays whole, also through a rename left unchanged.
TEST_F(SheetTabsTest, AHugeNameIsShownCutAndKeptWhole) {
  const std::string name = "Kessel " + std::string(4 * 1024 * 1024, 'k');
  Strip->SetTabName(0, name);
  TTab* tab = Strip->Tabs[0];
  EXPECT_EQ(tab->Caption.size(), static_cast<qsizetype>(kMaxShownTextBytes));
  EXPECT_TRUE(tab->Caption.startsWith("Kessel kkk"));
  Strip->CmdRename(tab);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(Strip->RenameEdit(), &enter);
  EXPECT_EQ(Strip->GetTabName(0), name);
  Strip->CmdRename(tab);
  Strip->RenameEdit()->setText("Pumpe");
  QApplication::sendEvent(Strip->RenameEdit(), &enter);
  EXPECT_EQ(Strip->GetTabName(0), "Pumpe");
  EXPECT_EQ(tab->Caption, "Pumpe");
}

TEST_F(SheetTabsTest, PressingATabEndsARename) {
  Strip->NewTab();
  Strip->CmdRename(Strip->Tabs[0]);
  Strip->RenameEdit()->setText("Pumpe");
  SendMouse(Strip->Tabs[1], QEvent::MouseButtonPress, {40, 4}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_FALSE(Strip->RenameEdit()->isVisible());
  EXPECT_EQ(Strip->GetTabCaption(0), "Pumpe");
}

TEST_F(SheetTabsTest, DeletingTheTabBeingRenamedDropsTheRename) {
  Strip->NewTab();
  Strip->CmdRename(Strip->Tabs[1]);
  Strip->CmdDelete(Strip->Tabs[1]);
  EXPECT_FALSE(Strip->RenameEdit()->isVisible());
  Strip->FinishRename();
  EXPECT_EQ(Captions(), std::vector<QString>{"Blatt 1"});
}

TEST_F(SheetTabsTest, ResetAfterScrollingShowsBlatt1AtTheStart) {
  MakeNarrowWithSix();
  Strip->SelectTab(5);
  Strip->SetTabCaption(0, "Erstes");
  ASSERT_GT(Strip->FirstVisible, 0);
  Record();
  Strip->Reset();
  EXPECT_EQ(Captions(), std::vector<QString>{"Blatt 1"});
  EXPECT_EQ(Strip->ActiveIndex, 0);
  EXPECT_EQ(Strip->FirstVisible, 0);
  EXPECT_EQ(Strip->LastVisible, 0);
  EXPECT_TRUE(Strip->Tabs[0]->isVisible());
  EXPECT_EQ(Strip->Tabs[0]->x(), 21 + 20 - 10);
  EXPECT_TRUE(Log.empty());
  ExpectConsistent();
  Strip->NewTab();
  EXPECT_EQ(Strip->GetTabCaption(1), "Blatt 2");
}

TEST_F(SheetTabsTest, FillerSelectsTheTabBeforeTheFirstShownOnlyWhenScrolled) {
  MakeNarrowWithSix();
  Click(Strip->Filler());
  EXPECT_EQ(Strip->ActiveIndex, 0);

  Click(Strip->RightArrow());
  const int first = Strip->FirstVisible;
  ASSERT_GT(first, 0);
  Click(Strip->Filler());
  EXPECT_EQ(Strip->ActiveIndex, first - 1);
  EXPECT_TRUE(Strip->Tabs[first - 1]->isVisible());
  EXPECT_LE(Strip->FirstVisible, first - 1);
  ExpectConsistent();
}

TEST_F(SheetTabsTest, ActiveTabIsPaintedInTheBarColourAndCutLeftOfItsSlant) {
  Strip->NewTab();
  Strip->SelectTab(1);
  const TTab* active = Strip->Tabs[1];
  const TTab* inactive = Strip->Tabs[0];
  // Inside, away from caption and edges.
  const QPoint inActive(active->x() + active->width() - 4, 3);
  const QPoint inInactive(inactive->x() + 25, 3);
  // Left of the slant, low down: the neighbour shows through.
  const QPoint cutAway(active->x() + 2, 17);

  QImage image = Strip->grab().toImage();
  EXPECT_EQ(image.pixelColor(inActive), ColorToQColor(0xE9DCD1));
  EXPECT_EQ(image.pixelColor(inInactive), ColorToQColor(0xC0C0C0));
  EXPECT_EQ(image.pixelColor(cutAway), ColorToQColor(0xC0C0C0));

  Strip->SetBarColor(0x0000FF);
  image = Strip->grab().toImage();
  EXPECT_EQ(image.pixelColor(inActive), ColorToQColor(0x0000FF));
  EXPECT_EQ(Strip->BarColor, 0x0000FFu);
}

TEST_F(SheetTabsTest, FormulaSelectionFromAnotherThreadArrivesOnTheGuiThread) {
  Strip->NewTab();
  Strip->NewTab();
  Strip->NewTab();
  std::vector<std::thread::id> changeThreads;
  Strip->OnChange = [&](TSheetTabs*) { changeThreads.push_back(std::this_thread::get_id()); };

  IFormulaSheetTabs* hook = Strip.get();
  int32_t count = 0, selected = 0;
  std::thread port([&] {
    count = hook->TabCount();
    selected = hook->SelectedTab();
    hook->RequestSelectTab(2);
    hook->RequestSelectTab(3);  // the last request wins
  });
  port.join();
  EXPECT_EQ(count, 4);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(Strip->ActiveIndex, 0);  // not before the GUI thread runs it

  for (int i = 0; i < 1000 && Strip->ActiveIndex != 2; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(Strip->ActiveIndex, 2);
  EXPECT_EQ(hook->SelectedTab(), 3);
  QCoreApplication::processEvents();
  EXPECT_EQ(changeThreads, std::vector<std::thread::id>{std::this_thread::get_id()});
}

TEST_F(SheetTabsTest, FormulaRequestsOutsideTheTabsAreIgnored) {
  Strip->NewTab();
  Record();
  std::thread port([hook = static_cast<IFormulaSheetTabs*>(Strip.get())] {
    hook->RequestSelectTab(0);
    hook->RequestSelectTab(-4);
    hook->RequestSelectTab(3);
  });
  port.join();
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(Strip->ActiveIndex, 0);
  EXPECT_TRUE(Log.empty());
}

}  // namespace
}  // namespace qx
