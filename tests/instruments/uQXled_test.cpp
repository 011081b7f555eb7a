// LED, blink LED and LED row: the value rules, the blink state machine and
// frames from a loopback port reaching the elements.
#include "instruments/uQXled.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uQXBlinkLED.h"
#include "instruments/uQXMultiLED.h"

namespace qx {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using LedTest = test::ElementPortFixture;

// The colour of the element's middle as drawn.
TColor ShownPixel(QWidget* w) {
  const QImage img = w->grab().toImage();
  return QRgbToColor(img.pixel(img.width() / 2, img.height() / 2));
}

TEST(ValueToIndexRule, FractionsGoUpAndNaNShowsTheLast) {
  struct Case {
    double value;
    int32_t count;
    int32_t index;
  };
  const Case cases[] = {
      {0, 1, 0},     {0.0000005, 1, 0}, {0.00001, 1, 1},    {-4, 1, 0},     {100, 1, 1},
      {0.5, 3, 1},   {1.0000005, 3, 1}, {1.5, 3, 2},        {2.7, 3, 3},    {100, 3, 3},
      {-4, 3, 0},    {kNaN, 3, 3},      {kNaN, 10, 10},     {kInf, 10, 10}, {-kInf, 10, 0},
      {9.5, 10, 10}, {2, 10, 2},        {2.0000011, 10, 3},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ValueToIndex(c.value, c.count), c.index) << c.value << " of " << c.count;
}

TEST_F(LedTest, ColourFollowsTheValueAndTheCountIsClamped) {
  auto* led = TQXled::ElemCreate();
  EXPECT_EQ(led->size(), QSize(50, 50));
  EXPECT_EQ(ShownPixel(led), 0x001122u);  // night colour
  led->SetColorQty(0);
  EXPECT_EQ(led->ColorQty, 1);
  led->SetColorQty(15);
  EXPECT_EQ(led->ColorQty, 10);
  led->SetColorQty(3);

  struct Case {
    double value;
    int32_t index;
  };
  for (const Case& c : {Case{0.5, 1}, Case{1.5, 2}, Case{2.7, 3}, Case{100, 3}, Case{-4, 0},
                        Case{kNaN, 3}, Case{0, 0}}) {
    led->SetValue(c.value);
    led->UpdateDisplay();
    EXPECT_EQ(ShownPixel(led), led->Colors[static_cast<size_t>(c.index)]) << c.value;
  }
  led->SetColor(0, 0x445566);  // an idle LED takes a new night colour at once
  EXPECT_EQ(ShownPixel(led), 0x445566u);

  led->SetShowDenom(true);
  led->SetDenom("Pumpe");
  led->SetSource("#1");
  EXPECT_EQ(led->LedLabel()->text(), "Pumpe");
  led->SetShowSource(true);
  EXPECT_EQ(led->LedLabel()->text(), "Pumpe=#1");
  led->SetShowDenom(false);
  EXPECT_EQ(led->LedLabel()->text(), "=#1");
}

TEST_F(LedTest, OnlyTheColoursInUseAreSavedAndLoadingKeepsTheRest) {
  PortList->FreeAll();
  auto* led = TQXled::ElemCreate();
  led->SetColorQty(2);
  led->SetColor(1, 0x010203);
  led->SetColor(3, 0x0A0B0C);  // beyond the count: not written
  const std::string text = FileLoad->ProjectText();
  EXPECT_NE(text.find("ledColor2 "), std::string::npos);
  EXPECT_EQ(text.find("ledColor3 "), std::string::npos);
  NewProject();
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
  auto* back = dynamic_cast<TQXled*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->ColorQty, 2);
  EXPECT_EQ(back->Colors[1], 0x010203u);
  EXPECT_EQ(back->Colors[3], 0x00FFFFu);  // default
  EXPECT_EQ(FileLoad->ProjectText(), text);
}

TEST_F(LedTest, FramesReachTheLedOnTheDisplayTick) {
  auto* led = TQXled::ElemCreate();
  led->SetColorQty(3);
  led->SetSource("#1");
  ConnectLoopback();
  Feed("#1F1,5;");
  EXPECT_TRUE(ProcessUntil([&] { return led->GetBckGndColor() == led->Colors[2]; }));
  Feed("#1F7;");
  EXPECT_TRUE(ProcessUntil([&] { return led->GetBckGndColor() == led->Colors[3]; }));
  Feed("#1F0;");
  EXPECT_TRUE(ProcessUntil([&] { return led->GetBckGndColor() == led->Colors[0]; }));
  Disconnect();
}

// ---- blink LED -------------------------------------------------------------------

TEST_F(LedTest, BlinkCycleOfManyTriggersGivesOneMoreFlash) {
  auto* b = TQXBlinkLED::ElemCreate();
  ConnectLoopback();
  for (int i = 0; i < 10; ++i) b->SetValue(1);  // as a port thread would
  QCoreApplication::processEvents();
  EXPECT_EQ(b->BlinkState(), BlinkLit);
  EXPECT_TRUE(b->Pending());
  EXPECT_TRUE(b->BlinkTimer()->isActive());
  EXPECT_EQ(b->ShownColor(), b->LedColor);

  struct Step {
    int32_t state;
    bool lit;
    bool timer;
  };
  const Step steps[] = {
      {BlinkPause, false, true},  // dark for one interval
      {BlinkLit, true, true},     // the remembered trigger
      {BlinkPause, false, true},
      {BlinkIdle, false, false},
  };
  for (const Step& s : steps) {
    b->BlinkTimerTick();
    EXPECT_EQ(b->BlinkState(), s.state);
    EXPECT_EQ(b->ShownColor(), s.lit ? b->LedColor : b->LedOffColor);
    EXPECT_EQ(b->BlinkTimer()->isActive(), s.timer);
  }
  EXPECT_FALSE(b->Pending());
  Disconnect();
}

TEST_F(LedTest, BlinkTriggersAboveZeroOnlyAndOnlyWhileConnected) {
  auto* b = TQXBlinkLED::ElemCreate();
  b->SetValue(1);  // disconnected
  QCoreApplication::processEvents();
  EXPECT_EQ(b->BlinkState(), BlinkIdle);

  ConnectLoopback();
  struct Case {
    double value;
    bool flashes;
  };
  for (const Case& c : {Case{0, false}, Case{-3, false}, Case{0.000001, false}, Case{0.5, true},
                        Case{kNaN, true}}) {
    b->SetValue(c.value);
    QCoreApplication::processEvents();
    EXPECT_EQ(b->BlinkState() == BlinkLit, c.flashes) << c.value;
    b->StreamStop();
    b->StreamStart();
  }

  // Disconnecting in a flash darkens at once; a flash posted just before
  // the disconnect is never shown.
  b->SetValue(1);
  QCoreApplication::processEvents();
  ASSERT_EQ(b->BlinkState(), BlinkLit);
  Disconnect();
  EXPECT_EQ(b->BlinkState(), BlinkIdle);
  EXPECT_EQ(b->ShownColor(), b->LedOffColor);
  EXPECT_FALSE(b->BlinkTimer()->isActive());
  ConnectLoopback();
  b->SetValue(1);  // posted, not yet handled
  Disconnect();
  QCoreApplication::processEvents();
  EXPECT_EQ(b->BlinkState(), BlinkIdle);
  EXPECT_EQ(b->ShownColor(), b->LedOffColor);
  EXPECT_FALSE(b->BlinkTimer()->isActive());
}

TEST_F(LedTest, BlinkFramesFromThePortLightTheLed) {
  auto* b = TQXBlinkLED::ElemCreate();
  b->SetSource("#2");
  ConnectLoopback();
  Feed("#2F0;");
  Feed("#2F1;");
  EXPECT_TRUE(ProcessUntil([&] { return b->BlinkState() == BlinkLit; }));
  EXPECT_EQ(ShownPixel(b), b->LedColor);
  Disconnect();
  EXPECT_EQ(ShownPixel(b), b->LedOffColor);
}

TEST_F(LedTest, BlinkOnTimeAndColours) {
  auto* b = TQXBlinkLED::ElemCreate();
  struct Case {
    double in;
    double stored;
    int interval;
  };
  for (const Case& c : {Case{0.05, 0.1, 100}, Case{20000, 10000, 10000000},
                        Case{1.2345, 1.2345, 1234}, Case{0.5, 0.5, 500}}) {
    b->SetOnTime(c.in);
    EXPECT_DOUBLE_EQ(b->OnTime, c.stored);
    EXPECT_EQ(b->BlinkTimer()->interval(), c.interval);
  }
  EXPECT_EQ(b->LedOffColor, 0x001900u);
  b->EditLedColor(0x0000FF);  // the panel derives the night colour
  EXPECT_EQ(b->LedOffColor, DimColor(0x0000FF, 0.1));
  EXPECT_EQ(ShownPixel(b), b->LedOffColor);

  // A night colour chosen apart from the light colour survives saving,
  // loading and cloning.
  PortList->FreeAll();
  b->SetLedOffColor(0x123456);
  b->SetLedColor(0x00AAFF);
  EXPECT_EQ(b->LedOffColor, 0x123456u);
  const std::string text = FileLoad->ProjectText();
  NewProject();
  FileLoad->LoadProjectText(text);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 1u);
  auto* back = dynamic_cast<TQXBlinkLED*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->LedOffColor, 0x123456u);
  EXPECT_EQ(back->LedColor, 0x00AAFFu);
  auto* copy = dynamic_cast<TQXBlinkLED*>(back->Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->LedOffColor, 0x123456u);
  EXPECT_EQ(ShownPixel(copy), 0x123456u);
}

// ---- LED row -----------------------------------------------------------------------

TEST(LedRowRules, ValueRoundsHalfToEvenAndNeverConvertsOutOfRange) {
  const double two32 = 4294967296.0;
  struct Case {
    double value;
    uint32_t shown;
  };
  const Case cases[] = {
      {5, 5},     {2.5, 2},     {3.5, 4},       {-1, 0},
      {-0.4, 0},  {two32, 0},   {two32 + 1, 1}, {two32 - 1, 4294967295u},
      {kNaN, 0},  {kInf, 0},    {-kInf, 0},     {9.3e18, 0},  // beyond 64 bits
      {1e300, 0}, {-9.3e18, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LedRowValue(c.value), c.shown) << c.value;
  EXPECT_EQ(RoundedValueText(two32 + 1), "4294967297");
  EXPECT_EQ(RoundedValueText(-2.5), "-2");
  EXPECT_EQ(RoundedValueText(kNaN), "Nan");
  EXPECT_EQ(RoundedValueText(kInf), "+Inf");
  EXPECT_EQ(RoundedValueText(1e300), FloatToText(1e300));
}

TEST(LedRowRules, LayoutRunsRightToLeftWithTheRemainderOnTheRight) {
  const std::vector<TLedSpan> s = LedRowLayout(200, 8);
  ASSERT_EQ(s.size(), 8u);
  // seg 23, r 2: the two rightmost LEDs are a column wider.
  EXPECT_EQ(s[0].Left, 176);
  EXPECT_EQ(s[0].Width, 24);
  EXPECT_EQ(s[1].Left, 150);
  EXPECT_EQ(s[1].Width, 24);
  EXPECT_EQ(s[2].Width, 23);
  EXPECT_EQ(s[7].Left, 0);  // LEDs and separators fill the width exactly
  for (size_t i = 1; i < s.size(); ++i) EXPECT_EQ(s[i].Left + s[i].Width + 2, s[i - 1].Left);

  for (int32_t w : {0, 5, 13, 14, 15}) {  // narrower than the separators
    for (const TLedSpan& sp : LedRowLayout(w, 8)) {
      EXPECT_GE(sp.Left, 0) << w;
      EXPECT_GE(sp.Width, 0) << w;
      EXPECT_LE(sp.Left + sp.Width, w) << w;
    }
  }
}

TEST_F(LedTest, LedRowPaintsTheBitsOfPortValues) {
  auto* m = TQXMultiLED::ElemCreate();
  EXPECT_EQ(m->size(), QSize(200, 40));
  EXPECT_EQ(m->LedBar->geometry(), QRect(6, 6, 188, 28));
  EXPECT_EQ(m->GetLedOffColor(), DimColor(0x11BCEE, 0.4));
  m->SetBits(40);
  EXPECT_EQ(m->GetBits(), 32);
  m->SetBits(1);
  EXPECT_EQ(m->GetBits(), 2);
  m->SetBits(8);
  m->SetSource("#3");
  ConnectLoopback();
  Feed("#3F5;");
  ASSERT_TRUE(ProcessUntil([&] { return m->LedBar->Value == 5; }));

  const QImage img = m->LedBar->grab().toImage();
  const std::vector<TLedSpan> spans = LedRowLayout(img.width(), 8);
  for (size_t i = 0; i < spans.size(); ++i) {
    const TColor c = QRgbToColor(img.pixel(spans[i].Left + spans[i].Width / 2, 2));
    EXPECT_EQ(c, i == 0 || i == 2 ? m->GetLedColor() : m->GetLedOffColor()) << "LED " << i;
  }
  EXPECT_EQ(QRgbToColor(img.pixel(img.width() - 2, img.height() - 2)), m->LedBar->SeparatorColor);

  m->SetShowValue(true);
  EXPECT_EQ(m->height(), 40 + m->NameLabel()->height());  // room for the caption line
  Feed("#3F4294967297;");
  ASSERT_TRUE(ProcessUntil([&] { return m->ValueLabel()->text() == "1"; }));
  m->SetDenom("Bits");  // a caption refresh shows the whole rounded number
  EXPECT_EQ(m->ValueLabel()->text(), "4294967297");
  m->SetValue(kNaN);
  EXPECT_TRUE(ProcessUntil([&] { return m->ValueLabel()->text() == "0"; }));
  m->UpdateCaption();
  EXPECT_EQ(m->ValueLabel()->text(), "Nan");
  Disconnect();
  m->SetShowValue(false);
  EXPECT_EQ(m->height(), 40);

  m->SetFrameColor(0x0000FF);
  EXPECT_EQ(m->LedBar->SeparatorColor, 0x0000FFu);
  m->SetLedColor(0x00FF00);
  EXPECT_EQ(m->GetLedOffColor(), DimColor(0x00FF00, 0.4));
}

}  // namespace
}  // namespace qx
