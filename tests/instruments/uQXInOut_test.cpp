// The forwarding element and the clock, over a real hub and a loopback UDP
// port.
#include "instruments/uQXInOut.h"

#include <gtest/gtest.h>

#include <atomic>

#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "foundation/uNumText.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uQXClock.h"
#include "instruments/uQXFileRec.h"
#include "editing/uSendAnim.h"

namespace qx {
namespace {

class ForwardTest : public test::ElementPortFixture {
 protected:
};

TEST_F(ForwardTest, NumbersAndTextsGoOutOnTheOutputChannel) {
  struct Case {
    const char* in;
    const char* out;
    const char* feed;
    const char* expect;  // nullptr: nothing is forwarded
  };
  const Case cases[] = {
      {"#3", "#7", "#3F2,5;", "#7F2,5;"},
      {"#3", "#7", "#3SHallo;", "#7SHallo;"},
      {"#3", "#7", "#3S<b>;", "#7S<b>;"},
      {"#3*2", "#7", "#3SHallo;", nullptr},  // a formula passes numbers only
      {"#3*2", "#7", "#3F2;", "#7F4;"},
      {"#3", "", "#3F1;", nullptr},
      {"#3", "", "#3SHallo;", nullptr},
      {"#3", "#7", "/#3F1;", nullptr},  // a silent frame reaches no reader
  };
  auto* e = TQXInOut::ElemCreate();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.in) + " -> " + c.out + ": " + c.feed);
    e->SetSource(c.in);
    e->SetOutSource(c.out);
    ConnectLoopback();
    Feed(c.feed);
    if (c.expect)
      EXPECT_EQ(NextSent(), c.expect);
    else
      EXPECT_TRUE(NothingSent());
    Disconnect();
    form->TabBar->SelectTab(1);  // edit mode: the next connect compiles again
  }
}

TEST_F(ForwardTest, DisplaySeparatorOfTheSettings) {
  auto* e = TQXInOut::ElemCreate();
  e->SetSource("#3");
  e->SetOutSource("#7");
  GlobalSettings->SetDecimalSeparator(1);
  ConnectLoopback();
  Feed("#3F2,5;");
  EXPECT_EQ(NextSent(), "#7F2.5;");
}

TEST_F(ForwardTest, SendAnimationReachesTheGuiThread) {
  auto* e = TQXInOut::ElemCreate();
  e->SetSource("#3");
  e->SetOutSource("#7");
  e->SetShowAnim(true);
  ConnectLoopback();
  Feed("#3F1;");
  EXPECT_EQ(NextSent(), "#7F1;");
  EXPECT_TRUE(ProcessUntil([e] { return e->findChild<TAnim*>() != nullptr; }));
  // Hidden in the run: frames still go out, no animation.
  ProcessUntil([e] { return e->findChild<TAnim*>() == nullptr; });
  e->hide();
  Feed("#3F2;");
  EXPECT_EQ(NextSent(), "#7F2;");
  ProcessFor(100);
  EXPECT_EQ(e->findChild<TAnim*>(), nullptr);
}

TEST_F(ForwardTest, ValueResetSendsNothing) {
  auto* e = TQXInOut::ElemCreate();
  e->SetSource("#3");
  e->SetOutSource("#7");
  e->SetInitValue(5);
  ConnectLoopback();
  Feed("#3F1;");
  EXPECT_EQ(NextSent(), "#7F1;");
  form->ButtonValResetClick();
  EXPECT_TRUE(NothingSent());
  EXPECT_EQ(e->GetValue(), 5.0);
}

TEST_F(ForwardTest, CompileColourFromBothFormulas) {
  struct Case {
    bool disabled, inValid, inEmpty, outValid, outEmpty;
    TColor color;
  };
  const Case cases[] = {
      {true, true, false, true, false, kEmptyColor},
      {false, false, true, false, true, kEmptyColor},
      {false, true, false, true, false, kCompiledColor},
      {false, true, false, false, true, kCompiledColor},
      {false, true, false, false, false, kFailedColor},
      {false, false, true, true, false, kFailedColor},
      {false, false, false, true, false, kFailedColor},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InOutFrameColor(c.disabled, c.inValid, c.inEmpty, c.outValid, c.outEmpty), c.color);
  }
}

TEST_F(ForwardTest, HidingTheNameMovesTheLinesUp) {
  auto* e = TQXInOut::ElemCreate();
  EXPECT_EQ(e->size(), QSize(160, 60));
  e->SetShowDenom(false);
  EXPECT_EQ(e->height(), 40);
  EXPECT_TRUE(e->NameLabel()->isHidden());
  EXPECT_EQ(e->InputLabel()->y(), 0);
  EXPECT_EQ(e->OutputLabel()->y(), 20);
  EXPECT_EQ(e->Arrow()->y(), 7);
  e->SetShowDenom(true);
  EXPECT_EQ(e->height(), 60);
  EXPECT_EQ(e->OutputLabel()->y(), 40);
  EXPECT_EQ(e->Arrow()->y(), 27);
}

// ---- clock ---------------------------------------------------------------------------

TEST(ClockScheduleTest, IntervalsBeyondTheTimersRangeAreChained) {
  TClockSchedule s;
  const int64_t month = 2592000000;  // 30 days in ms: more than an int holds
  s.Start(1000, month);
  uint64_t now = 1000;
  int slices = 0;
  while (!s.Fire(now)) {
    const int32_t slice = s.NextSliceMs(now);
    ASSERT_GE(slice, 1);
    ASSERT_LE(slice, TClockSchedule::kMaxSliceMs);
    now += static_cast<uint64_t>(slice);
    ++slices;
  }
  EXPECT_EQ(now, 1000 + static_cast<uint64_t>(month));
  EXPECT_EQ(slices, 30);
  EXPECT_EQ(s.Due(), now + static_cast<uint64_t>(month));
}

TEST(ClockScheduleTest, ShortIntervalsKeepTheirPeriod) {
  TClockSchedule s;
  s.Start(0, 250);
  EXPECT_EQ(s.NextSliceMs(0), 250);
  EXPECT_FALSE(s.Fire(249));  // a timer that fires early waits the rest
  EXPECT_EQ(s.NextSliceMs(249), 1);
  EXPECT_TRUE(s.Fire(255));
  EXPECT_EQ(s.NextSliceMs(255), 245);  // the period, not the lateness, counts
  EXPECT_TRUE(s.Fire(2000));           // far too late: one send, no burst
  EXPECT_FALSE(s.Fire(2001));
  EXPECT_EQ(s.Due(), 2250u);
}

TEST(ClockIntervalTest, LimitsOfTheInterval) {
  const std::pair<double, double> cases[] = {{0, 0.1},
                                             {-3, 0.1},
                                             {0.05, 0.1},
                                             {0.25, 0.25},
                                             {1e9, 2592000},
                                             {2592000, 2592000},
                                             {std::numeric_limits<double>::quiet_NaN(), 0.1}};
  for (const auto& [typed, stored] : cases) EXPECT_EQ(LimitClockInterval(typed), stored) << typed;
}

using ClockTest = ForwardTest;

TEST_F(ClockTest, TimerIntervalFollowsTheSetting) {
  auto* c = TQXClock::ElemCreate();
  EXPECT_EQ(c->Timer()->interval(), 1000);
  c->SetInterval(0.25);
  EXPECT_EQ(c->Timer()->interval(), 250);
  c->SetInterval(1e9);
  EXPECT_EQ(c->Interval, 2592000.0);
  EXPECT_EQ(c->Timer()->interval(), TClockSchedule::kMaxSliceMs);
  c->SetInterval(0);
  EXPECT_EQ(c->Timer()->interval(), 100);
}

TEST_F(ClockTest, SendsAtOnceThenEveryIntervalOnTheTickCounter) {
  std::atomic<uint64_t> now{5000};
  auto* c = TQXClock::ElemCreate();
  c->Now = [&now] { return now.load(); };
  c->SetInSource("#2*2");
  c->SetSource("#9");
  c->SetInterval(0.25);
  c->SetShowValue(true);
  c->SetDecimals(2);
  c->SetFixedDecimals(true);
  ConnectLoopback();
  EXPECT_EQ(NextSent(), "#9F0;");  // at once on connect
  EXPECT_TRUE(c->Timer()->isActive());
  EXPECT_EQ(c->Timer()->interval(), 250);
  Feed("#2F1,5;");  // the formula reads channel 2 at send time
  ASSERT_TRUE(ProcessUntil([] { return Terminal->ChannelValue(2) == 1.5; }));
  now = 5249;
  c->TimerFired();
  EXPECT_TRUE(NothingSent());
  now = 5250;
  c->TimerFired();
  EXPECT_EQ(NextSent(), "#9F3;");
  EXPECT_EQ(c->ValueLabel()->text().toStdString(), LimitDecimals(FloatToText(3), 2, true));
  Disconnect();
  EXPECT_FALSE(c->Timer()->isActive());
}

TEST_F(ClockTest, InvalidFormulaAtConnectKeepsTheClockSilent) {
  auto* c = TQXClock::ElemCreate();
  c->SetInSource("2+");
  c->SetSource("#9");
  ConnectLoopback();
  EXPECT_FALSE(c->Timer()->isActive());
  EXPECT_TRUE(NothingSent());
}

TEST_F(ClockTest, HeightFollowsTheShownLines) {
  auto* c = TQXClock::ElemCreate();
  EXPECT_EQ(c->height(), 60);
  c->SetShowInSource(false);
  EXPECT_EQ(c->height(), 40);
  EXPECT_EQ(c->OutputLabel()->y(), 20);
  c->SetShowValue(true);
  EXPECT_EQ(c->height(), 60);
  EXPECT_EQ(c->OutputLabel()->y(), 40);
  c->SetShowOutSource(false);
  EXPECT_EQ(c->height(), 40);
}

// ---- listings -------------------------------------------------------------------------

using ListingTest = test::AppFixture;

TEST_F(ListingTest, ListingsBuildAndRefreshInPlace) {
  struct Case {
    const char* cls;
    QString title;
    size_t rows;
  };
  const Case cases[] = {
      {"QXINOUT", "Eingabe/Ausgabe", 14},
      {"QXCLOCK", "Getaktete Ausgabe", 20},
      {"QXFILEREC", "Dateirekorder", 33},
      {"QXCONSOLE", "Konsoleninstrument", 23},
  };
  form->show();
  for (const Case& c : cases) {
    TQXElement* e = TQXElement::FindClass(c.cls)->ElemCreate();
    TPropertyEditor::ShowElement(*e);
    TEEListing* l = TPropertyEditor::ListingOf(*e);
    ASSERT_NE(l, nullptr) << c.cls;
    const std::vector<TEEEintrag*> before = l->Entries;
    EXPECT_EQ(before.size(), c.rows) << c.cls;
    auto* title = dynamic_cast<TEEETitelActive*>(before.at(0));
    ASSERT_NE(title, nullptr) << c.cls;
    EXPECT_EQ(title->Label->text(), c.title);
    EXPECT_NO_THROW(TQXElement::InitListings()) << c.cls;
    EXPECT_EQ(l->Entries, before) << c.cls;
  }
}

TEST_F(ListingTest, ColumnAndDecimalsRowsFollowTheirSwitches) {
  form->show();
  auto* r = TQXFileRec::ElemCreate();
  TPropertyEditor::ShowElement(*r);
  r->SetChannelQty(3);
  for (size_t i = 0; i < TQXFileRec::ColumnRows.size(); ++i)
    EXPECT_EQ(TQXFileRec::ColumnRows[i]->isHidden(), i + 2 > 3) << i;
  auto* c = TQXClock::ElemCreate();
  TPropertyEditor::ShowElement(*c);
  EXPECT_TRUE(TQXClock::DecimalsRow->isHidden());
  c->SetShowValue(true);
  EXPECT_FALSE(TQXClock::DecimalsRow->isHidden());
  EXPECT_FALSE(TQXClock::FixedDecimalsRow->isHidden());
}

}  // namespace
}  // namespace qx
