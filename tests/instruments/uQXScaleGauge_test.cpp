// The scale gauge on its own: the arithmetic of ticks, needle and pointer,
// the painted pixels, and drags reported to a fake owner.
#include "instruments/uQXScaleGauge.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <cmath>
#include <limits>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "editing/uQXControls.h"

namespace qx {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ScaleGaugeMath, RoundingHalvesToEvenAndSaturates) {
  const struct {
    double x;
    int32_t r;
  } cases[] = {{2.5, 2},
               {3.5, 4},
               {-2.5, -2},
               {0.49, 0},
               {-0.51, -1},
               {std::nan(""), 0},
               {kInf, std::numeric_limits<int32_t>::max()},
               {-1e300, std::numeric_limits<int32_t>::min()}};
  for (const auto& c : cases) EXPECT_EQ(Rnd(c.x), c.r) << c.x;
}

TEST(ScaleGaugeMath, TickPositions) {
  // 150 pixels in 4 divisions of 5: divisions truncate, minor steps too.
  TScaleTicks t = ScaleTickPositions(25, 175, 4, 5);
  EXPECT_EQ(t.Major, (std::vector<int32_t>{25, 62, 100, 137, 175}));
  ASSERT_EQ(t.Minor.size(), 16u);
  EXPECT_EQ(std::vector<int32_t>(t.Minor.begin(), t.Minor.begin() + 4),
            (std::vector<int32_t>{32, 40, 47, 55}));
  EXPECT_EQ(t.Minor[4], 62 + 7);
  // No divisions or no sub-divisions: the ends only, no minor ticks; no
  // division by zero.
  t = ScaleTickPositions(25, 175, 0, 0);
  EXPECT_EQ(t.Major, (std::vector<int32_t>{25, 175}));
  EXPECT_TRUE(t.Minor.empty());
  EXPECT_TRUE(ScaleTickPositions(0, 100, 2, 1).Minor.empty());
  // A gauge shorter than its divisions still gives every tick.
  EXPECT_EQ(ScaleTickPositions(3, 3, 3, 2).Major, (std::vector<int32_t>{3, 3, 3, 3}));
}

TEST(ScaleGaugeMath, NeedlePositions) {
  const struct {
    double fraction;
    int32_t horz;
    int32_t vert;
  } cases[] = {
      {0.0, 25, 175}, {1.0, 175, 25}, {0.5, 100, 100}, {0.25, 63, 137},  // 37.5 goes to the even 38
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScalePixel(25, 175, c.fraction, false), c.horz) << c.fraction;
    EXPECT_EQ(ScalePixel(25, 175, c.fraction, true), c.vert) << c.fraction;
  }
  EXPECT_EQ(ScalePixel(0, 4, 0.625, false), 2);  // 2.5 goes to the even 2
  EXPECT_EQ(ScalePixel(0, 4, 0.875, false), 4);  // 3.5 to 4
  // Values off the scale: NaN and -inf at the low end, +inf at the high end.
  EXPECT_EQ(ClampFraction(std::nan("")), 0.0);
  EXPECT_EQ(ClampFraction(-kInf), 0.0);
  EXPECT_EQ(ClampFraction(kInf), 1.0);
  EXPECT_EQ(ClampFraction(0.3), 0.3);
  EXPECT_EQ(ScaleFraction(5, 5, 5), 0.0);  // empty range, no division by zero
  EXPECT_EQ(ScaleFraction(75, 50, 100), 0.5);
  EXPECT_EQ(ScaleFraction(75, 100, 50), 0.5);  // inverted scale
}

TEST(ScaleGaugeMath, PointerFractionsSnapToSteps) {
  const struct {
    int32_t coord;
    bool vertical;
    int32_t steps;
    double f;
  } cases[] = {
      {25 + 18, false, 20, 0.10},    // 12 % of the scale snaps to 10 %
      {25 + 21, false, 20, 0.15},    // 14 % snaps to 15 %
      {0, false, 20, 0.0},           // left of the scale: the low end
      {500, false, 20, 1.0},         // right of it: the high end
      {25 + 18, false, 0, 0.12},     // no steps: not snapped
      {175 - 147, true, 20, 1.0},    // vertical: near the top is near the maximum
      {175 - 30, true, 20, 0.2},     // vertical grows upward
      {175 - 45, true, 4, 0.25},     // 0.3 of 4 steps: 1.2 -> 1
      {175 - 27 * 5, true, 4, 1.0},  // 0.9 of 4 steps: 3.6 -> 4
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(PointerFraction(c.coord, 25, 175, c.vertical, c.steps), c.f) << c.coord;
  EXPECT_EQ(PointerFraction(10, 7, 7, false, 20), 0.0);  // gauge of one pixel
}

TEST(ScaleGaugeMath, CompileColourOfInputAndOutput) {
  const TColor grey = kEmptyColor, green = kCompiledColor, red = kFailedColor;
  const struct {
    int32_t mode;
    bool disabled, inValid, inEmpty, outValid, outEmpty;
    TColor c;
  } cases[] = {
      {0, false, true, false, false, false, green}, {0, false, false, true, false, false, grey},
      {0, false, false, false, true, false, red},   {1, false, true, false, false, true, grey},
      {1, false, false, true, true, false, green},  {1, false, false, false, false, false, red},
      {2, false, false, true, false, true, grey},   {2, false, true, false, false, true, green},
      {2, false, false, true, true, false, green},  {2, false, true, false, false, false, red},
      {2, false, false, false, true, false, red},   {2, true, false, false, false, false, grey},
  };
  for (const auto& c : cases)
    EXPECT_EQ(InOutCompileColor(c.mode, c.disabled, c.inValid, c.inEmpty, c.outValid, c.outEmpty),
              c.c)
        << c.mode << c.inValid << c.inEmpty << c.outValid << c.outEmpty;
}

class FakeOwner : public TScaleGaugeOwner {
 public:
  double FractionToValue(double f) const override { return 100 * f; }
  double SentFraction() const override { return sent; }
  void ShowSliderValue(double value) override { shown = value; }
  void SendSliderValue() override { ++sends; }
  double sent = 0.7;
  double shown = -1;
  int sends = 0;
};

// Horizontal 200 x 30: the scale runs from 25 to 175.
struct GaugeTest : ::testing::Test {
  GaugeTest() : gauge(nullptr, &owner) {
    gauge.resize(200, 30);
    gauge.ScaleStart = 25;
    gauge.ScaleEnd = 175;
  }
  TColor At(int x, int y) { return QRgbToColor(gauge.grab().toImage().pixel(x, y)); }
  void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held = type == QEvent::MouseMove ? Qt::MouseButtons(Qt::LeftButton)
                                  : type == QEvent::MouseButtonPress ? Qt::MouseButtons(button)
                                                                     : Qt::NoButton;
    QMouseEvent e(type, QPointF(p), gauge.mapToGlobal(QPointF(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&gauge, &e);
  }
  FakeOwner owner;
  TAnalogDisp gauge;
};

TEST_F(GaugeTest, PaintsTicksNeedleAndKnob) {
  gauge.Mode = TAnalogDisp::ModeInOut;
  gauge.SetNeedlePos(0.5);   // on the middle major tick at 100
  gauge.SetSliderPos(0.25);  // knob at 63
  const QImage img = gauge.grab().toImage();
  auto at = [&img](int x, int y) { return QRgbToColor(img.pixel(x, y)); };
  const TColor white = 0xFFFFFF, black = 0, red = 0x0000FF;
  // Major ticks 3 wide from 4 to H - 4 (end excluded); minor ticks 2 wide
  // from 6 to H - 6.
  EXPECT_EQ(at(10, 15), white);
  for (int x : {136, 137, 138}) EXPECT_EQ(at(x, 15), black) << x;
  EXPECT_EQ(at(139, 15), white);
  EXPECT_EQ(at(137, 4), black);
  EXPECT_EQ(at(137, 3), white);
  EXPECT_EQ(at(137, 25), black);
  EXPECT_EQ(at(137, 26), white);
  EXPECT_EQ(at(31, 15), black);
  EXPECT_EQ(at(32, 15), black);
  EXPECT_EQ(at(33, 15), white);
  EXPECT_EQ(at(32, 5), white);
  EXPECT_EQ(at(174, 15), black);  // the closing tick
  // Needle: (3 + 2) div 2 = 2 full lines each side of the centre.
  for (int x : {98, 99, 101, 102}) {
    EXPECT_EQ(at(x, 0), red) << x;
    EXPECT_EQ(at(x, 29), red) << x;
  }
  EXPECT_EQ(at(97, 15), white);
  EXPECT_EQ(at(103, 15), white);
  // The centre line: needle colour in its first and last 4 pixels, the rest
  // 40 % needle over the tick beneath.
  EXPECT_EQ(at(100, 3), red);
  EXPECT_EQ(at(100, 26), red);
  EXPECT_EQ(at(100, 15), BlendColor(red, black, 0.4));
  EXPECT_EQ(at(100, 15), 0x000066u);
  // Knob: a shaded grip of 9 lines, the dark centre line, two light dots.
  const struct {
    int x;
    TColor c;
  } grip[] = {{59, 0xC3C3C3}, {60, 0xB4B4B4}, {61, 0xA4A4A4}, {65, 0xA4A4A4},
              {66, 0x8C8C8C}, {67, 0x818181}, {63, 0x606060}};
  for (const auto& g : grip) EXPECT_EQ(at(g.x, 15), g.c) << g.x;
  EXPECT_EQ(at(59, 1), 0xC3C3C3u);
  EXPECT_EQ(at(59, 28), 0xC3C3C3u);
  EXPECT_EQ(at(59, 0), white);
  EXPECT_EQ(at(63, 3), 0x8C8C8Cu);
  EXPECT_EQ(at(63, 26), 0x8C8C8Cu);
  EXPECT_EQ(at(63, 2), 0xA4A4A4u);
}

TEST_F(GaugeTest, ModeDecidesNeedleAndKnob) {
  gauge.SetNeedlePos(0.5);
  gauge.SetSliderPos(0.25);
  const struct {
    int32_t mode;
    bool needle, knob;
  } cases[] = {{TAnalogDisp::ModeIn, true, false},
               {TAnalogDisp::ModeOut, false, true},
               {TAnalogDisp::ModeInOut, true, true}};
  for (const auto& c : cases) {
    gauge.Mode = c.mode;
    EXPECT_EQ(At(98, 15) == 0x0000FFu, c.needle) << c.mode;
    EXPECT_EQ(At(59, 15) == 0xC3C3C3u, c.knob) << c.mode;
  }
}

TEST_F(GaugeTest, VerticalScaleGrowsUpward) {
  gauge.resize(30, 200);
  gauge.Vertical = true;
  gauge.SetNeedlePos(0.0);
  gauge.ScaleColor = 0x00FF00;
  EXPECT_EQ(At(15, 173), 0x0000FFu);  // needle at the bottom end, 175
  EXPECT_EQ(At(15, 177), 0x0000FFu);
  EXPECT_EQ(At(15, 100), 0x00FF00u);  // a major tick across the gauge
  EXPECT_EQ(At(3, 100), 0xFFFFFFu);
  gauge.SetNeedlePos(1.0);
  EXPECT_EQ(At(15, 23), 0x0000FFu);
  // Nothing to divide: the gauge still paints.
  gauge.Spacing = 0;
  gauge.SubSpacing = 0;
  gauge.ScaleStart = gauge.ScaleEnd = 0;
  EXPECT_EQ(At(15, 100), 0xFFFFFFu);
}

TEST_F(GaugeTest, DragsOnlyWithTheLeftButtonAndSendsOnReleaseInside) {
  gauge.Mode = TAnalogDisp::ModeOut;
  Mouse(QEvent::MouseButtonPress, {43, 15}, Qt::RightButton);
  EXPECT_FALSE(gauge.Dragging);
  Mouse(QEvent::MouseMove, {100, 15});
  Mouse(QEvent::MouseButtonRelease, {100, 15}, Qt::RightButton);
  EXPECT_EQ(gauge.SliderPos, 0.0);
  EXPECT_EQ(owner.sends, 0);

  Mouse(QEvent::MouseButtonPress, {43, 15});  // 12 %: 10
  EXPECT_TRUE(gauge.Dragging);
  EXPECT_DOUBLE_EQ(gauge.SliderPos, 0.10);
  EXPECT_DOUBLE_EQ(owner.shown, 10);
  Mouse(QEvent::MouseMove, {46, 15});  // 14 %: 15
  EXPECT_DOUBLE_EQ(gauge.SliderPos, 0.15);
  Mouse(QEvent::MouseMove, {46, -1});  // off the side: back to what was sent
  EXPECT_DOUBLE_EQ(gauge.SliderPos, 0.7);
  Mouse(QEvent::MouseMove, {46, 30});  // the bottom edge still counts as inside
  EXPECT_DOUBLE_EQ(gauge.SliderPos, 0.15);
  Mouse(QEvent::MouseButtonRelease, {46, 31});
  EXPECT_FALSE(gauge.Dragging);
  EXPECT_DOUBLE_EQ(gauge.SliderPos, 0.7);
  EXPECT_EQ(owner.sends, 0);
  EXPECT_DOUBLE_EQ(owner.shown, 70);

  // Beyond the end of the scale but not off the side: the end value.
  Mouse(QEvent::MouseButtonPress, {43, 15});
  Mouse(QEvent::MouseButtonRelease, {500, 15});
  EXPECT_EQ(gauge.SliderPos, 1.0);
  EXPECT_EQ(owner.sends, 1);
  Mouse(QEvent::MouseButtonRelease, {50, 15});  // no drag: nothing
  EXPECT_EQ(owner.sends, 1);

  // A right press during a drag ends it without sending.
  Mouse(QEvent::MouseButtonPress, {43, 15});
  Mouse(QEvent::MouseButtonPress, {43, 15}, Qt::RightButton);
  Mouse(QEvent::MouseButtonRelease, {43, 15});
  EXPECT_EQ(owner.sends, 1);

  gauge.Mode = TAnalogDisp::ModeIn;  // the mouse does nothing
  gauge.SetSliderPos(0.5);
  Mouse(QEvent::MouseButtonPress, {43, 15});
  Mouse(QEvent::MouseButtonRelease, {43, 15});
  EXPECT_FALSE(gauge.Dragging);
  EXPECT_EQ(gauge.SliderPos, 0.5);
  EXPECT_EQ(owner.sends, 1);
}

}  // namespace
}  // namespace qx
