// Scale gauge (module uQXScaleGauge): the painted linear scale of the analog
// display with its needle and slider knob, and the arithmetic it shares with
// the bar graph (rounding, fractions, pointer positions, compile colours).
//
// The gauge knows nothing of channels: it holds fractions 0..1 of the scale
// and hands drags to its owner through TScaleGaugeOwner.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "foundation/uGraphicsUtil.h"

namespace qx {

// Nearest integer, halves to the even one; NaN gives 0, values beyond the
// int32 range saturate.
int32_t Rnd(double x);
// NaN gives 0; otherwise clamped to [0, 1].
double ClampFraction(double f);
// (x - lo) / (hi - lo); 0 for an empty range (lo = hi).
double ScaleFraction(double x, double lo, double hi);

// Pixel positions along the length of the ticks between start and end:
// the major ticks (closing one included) and the minor ones.
struct TScaleTicks {
  std::vector<int32_t> Major;
  std::vector<int32_t> Minor;
};
// spacing below 1 counts as one division; subSpacing below 2 gives no minor
// ticks.
TScaleTicks ScaleTickPositions(int32_t start, int32_t end, int32_t spacing, int32_t subSpacing);
// Pixel of a fraction along the scale: start + rnd(span * f), or for a
// vertical scale (growing upward) end - rnd(span * f).
int32_t ScalePixel(int32_t start, int32_t end, double fraction, bool vertical);
// Fraction of a pointer coordinate along the scale, clamped to [0, 1] and
// snapped to steps (steps below 1: not snapped). 0 when start = end.
double PointerFraction(int32_t coord, int32_t start, int32_t end, bool vertical, int32_t steps);

// Frame colour of the compile-state display for an element with an input
// and an output formula. mode: 0 input only, 1 output only, 2 both.
TColor InOutCompileColor(int32_t mode, bool disabled, bool inValid, bool inEmpty, bool outValid,
                         bool outEmpty);

// Fills the part of rect that lies inside the image.
void FillImageRect(QImage& image, int32_t x, int32_t y, int32_t w, int32_t h, TColor color);
// The pixel, or fallback outside the image.
TColor ImagePixel(const QImage& image, int32_t x, int32_t y, TColor fallback);
void SetImagePixel(QImage& image, int32_t x, int32_t y, TColor color);

// What the gauge needs from the element it sits in.
class TScaleGaugeOwner {
 public:
  virtual ~TScaleGaugeOwner() = default;
  virtual double FractionToValue(double f) const = 0;
  // Fraction of the value sent last (where the knob returns).
  virtual double SentFraction() const = 0;
  // The knob moved to a value (shown, not sent).
  virtual void ShowSliderValue(double value) = 0;
  // A drag ended inside the gauge: send the knob's value.
  virtual void SendSliderValue() = 0;
};

class TAnalogDisp : public QWidget {
  Q_OBJECT

 public:
  enum : int32_t { ModeIn = 0, ModeOut = 1, ModeInOut = 2 };

  explicit TAnalogDisp(QWidget* parent, TScaleGaugeOwner* owner = nullptr);

  double NeedlePos = 0.0;
  double SliderPos = 0.0;
  int32_t Spacing = 4;
  int32_t SubSpacing = 5;
  double Thickness = 3.0;
  double SubThickness = 2.0;
  TColor ScaleBckGndColor = 0xFFFFFF;
  TColor ScaleColor = 0x000000;
  TColor NeedleColor = 0x0000FF;
  int32_t Mode = ModeIn;
  bool Vertical = false;
  int32_t ScaleStart = 0;
  int32_t ScaleEnd = 0;
  int32_t SlideSteps = 20;
  bool Dragging = false;

  void SetNeedlePos(double f);
  void SetSliderPos(double f);
  // Draws the scale into the buffer (what paintEvent shows).
  void PaintBuffer();
  const QImage& Buffer() const { return buffer_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  double DragFraction(const QPoint& pos) const;
  bool OutsideSideways(const QPoint& pos) const;
  // A line across the scale at `along`, from `from` to `to` (exclusive).
  void Across(int32_t along, int32_t from, int32_t to, int32_t width, TColor color);
  void DrawTicks(int32_t s, int32_t e, int32_t thickness);
  void DrawNeedle(int32_t p, int32_t thickness);
  void DrawKnob(int32_t q, int32_t thickness);

  TScaleGaugeOwner* owner_;
  QImage buffer_;  // reused between paints
};

}  // namespace qx
