#include "instruments/uQXScaleGauge.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "editing/uQXControls.h"

namespace qx {

int32_t Rnd(double x) {
  if (std::isnan(x)) return 0;
  if (x >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (x <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::nearbyint(x));
}

double ClampFraction(double f) {
  if (std::isnan(f)) return 0.0;
  return std::clamp(f, 0.0, 1.0);
}

double ScaleFraction(double x, double lo, double hi) {
  if (hi == lo) return 0.0;
  return (x - lo) / (hi - lo);
}

TScaleTicks ScaleTickPositions(int32_t start, int32_t end, int32_t spacing, int32_t subSpacing) {
  TScaleTicks t;
  spacing = std::max(spacing, 1);
  const int64_t span = static_cast<int64_t>(end) - start;
  t.Major.reserve(static_cast<size_t>(spacing) + 1);
  for (int32_t i = 0; i < spacing; ++i) {
    const auto x = static_cast<int32_t>(span * i / spacing + start);
    t.Major.push_back(x);
    for (int32_t j = 1; j < subSpacing; ++j)
      t.Minor.push_back(x + static_cast<int32_t>(span * j / spacing / subSpacing));
  }
  t.Major.push_back(end);
  return t;
}

int32_t ScalePixel(int32_t start, int32_t end, double fraction, bool vertical) {
  const double span = static_cast<double>(end) - start;
  return vertical ? end - Rnd(span * fraction) : start + Rnd(span * fraction);
}

double PointerFraction(int32_t coord, int32_t start, int32_t end, bool vertical, int32_t steps) {
  if (start == end) return 0.0;
  const double span = static_cast<double>(end) - start;
  double f = vertical ? (end - static_cast<double>(coord)) / span
                      : (static_cast<double>(coord) - start) / span;
  f = ClampFraction(f);
  if (steps >= 1) f = Rnd(steps * f) / static_cast<double>(steps);
  return f;
}

TColor InOutCompileColor(int32_t mode, bool disabled, bool inValid, bool inEmpty, bool outValid,
                         bool outEmpty) {
  if (disabled) return kEmptyColor;
  auto one = [](bool valid, bool empty) {
    return empty ? kEmptyColor : valid ? kCompiledColor : kFailedColor;
  };
  if (mode == 0) return one(inValid, inEmpty);
  if (mode == 1) return one(outValid, outEmpty);
  if (inEmpty && outEmpty) return kEmptyColor;
  if ((!inValid && !inEmpty) || (!outValid && !outEmpty)) return kFailedColor;
  return kCompiledColor;
}

void FillImageRect(QImage& image, int32_t x, int32_t y, int32_t w, int32_t h, TColor color) {
  const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int32_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, image.width());
  const int32_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, image.height());
  if (x0 >= x1 || y0 >= y1) return;
  const QRgb v = ColorToQRgb(color);
  uchar* bits = image.bits();  // one detach check, not one per row
  const qsizetype stride = image.bytesPerLine();
  for (int32_t row = y0; row < y1; ++row) {
    auto* line = reinterpret_cast<QRgb*>(bits + row * stride);
    std::fill(line + x0, line + x1, v);
  }
}

TColor ImagePixel(const QImage& image, int32_t x, int32_t y, TColor fallback) {
  if (!image.valid(x, y)) return fallback;
  return QRgbToColor(image.pixel(x, y));
}

void SetImagePixel(QImage& image, int32_t x, int32_t y, TColor color) {
  if (image.valid(x, y)) image.setPixel(x, y, ColorToQRgb(color));
}

// ---- the control -------------------------------------------------------------

TAnalogDisp::TAnalogDisp(QWidget* parent, TScaleGaugeOwner* owner)
    : QWidget(parent), owner_(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TAnalogDisp::SetNeedlePos(double f) {
  f = ClampFraction(f);
  if (f == NeedlePos) return;
  NeedlePos = f;
  update();
}

void TAnalogDisp::SetSliderPos(double f) {
  f = ClampFraction(f);
  if (f == SliderPos) return;
  SliderPos = f;
  update();
}

void TAnalogDisp::Across(int32_t along, int32_t from, int32_t to, int32_t width, TColor color) {
  // Lines exclude their end pixel; a wide line is centred on its position.
  const int32_t first = along - width / 2;
  if (Vertical)
    FillImageRect(buffer_, from, first, to - from, width, color);
  else
    FillImageRect(buffer_, first, from, width, to - from, color);
}

void TAnalogDisp::DrawTicks(int32_t s, int32_t e, int32_t thickness) {
  const TScaleTicks ticks = ScaleTickPositions(s, e, Spacing, SubSpacing);
  const int32_t major = std::max(Rnd(Thickness), 1), minor = std::max(Rnd(SubThickness), 1);
  for (int32_t x : ticks.Major) Across(x, 4, thickness - 4, major, ScaleColor);
  for (int32_t x : ticks.Minor) Across(x, 6, thickness - 6, minor, ScaleColor);
}

void TAnalogDisp::DrawNeedle(int32_t p, int32_t thickness) {
  const int32_t n = (std::max(Rnd(Thickness), 1) + 2) / 2;
  for (int32_t k = 1; k <= n; ++k) {
    Across(p - k, 0, thickness, 1, NeedleColor);
    Across(p + k, 0, thickness, 1, NeedleColor);
  }
  // The middle of the centre line lets a tick beneath show through.
  const int32_t mid = thickness / 2;
  const TColor under = Vertical ? ImagePixel(buffer_, mid, p, ScaleBckGndColor)
                                : ImagePixel(buffer_, p, mid, ScaleBckGndColor);
  Across(p, 0, std::min(4, thickness), 1, NeedleColor);
  Across(p, std::max(thickness - 4, 0), thickness, 1, NeedleColor);
  Across(p, 4, thickness - 4, 1, BlendColor(NeedleColor, under, 0.4));
}

void TAnalogDisp::DrawKnob(int32_t q, int32_t thickness) {
  static constexpr TColor kGrip[9] = {0xC3C3C3, 0xB4B4B4, 0xA4A4A4, 0xA4A4A4, 0xA4A4A4,
                                      0xA4A4A4, 0xA4A4A4, 0x8C8C8C, 0x818181};
  for (int32_t k = -4; k <= 4; ++k) Across(q + k, 1, thickness - 1, 1, kGrip[k + 4]);
  Across(q, 4, thickness - 4, 1, 0x606060);
  if (Vertical) {
    SetImagePixel(buffer_, 3, q, 0x8C8C8C);
    SetImagePixel(buffer_, thickness - 4, q, 0x8C8C8C);
  } else {
    SetImagePixel(buffer_, q, 3, 0x8C8C8C);
    SetImagePixel(buffer_, q, thickness - 4, 0x8C8C8C);
  }
}

void TAnalogDisp::PaintBuffer() {
  const int32_t w = width(), h = height();
  if (buffer_.size() != QSize(w, h)) buffer_ = QImage(w, h, QImage::Format_RGB32);
  if (w <= 0 || h <= 0) return;
  FillImageRect(buffer_, 0, 0, w, h, ScaleBckGndColor);
  const int32_t thickness = Vertical ? w : h;
  const int32_t s = Vertical ? ScaleStart : w / 8;
  const int32_t e = Vertical ? ScaleEnd : w * 7 / 8;
  DrawTicks(s, e, thickness);
  if (Mode != ModeOut) DrawNeedle(ScalePixel(s, e, NeedlePos, Vertical), thickness);
  if (Mode != ModeIn) DrawKnob(ScalePixel(s, e, SliderPos, Vertical), thickness);
}

void TAnalogDisp::paintEvent(QPaintEvent*) {
  PaintBuffer();
  QPainter p(this);
  p.drawImage(0, 0, buffer_);
}

double TAnalogDisp::DragFraction(const QPoint& pos) const {
  return PointerFraction(Vertical ? pos.y() : pos.x(), ScaleStart, ScaleEnd, Vertical, SlideSteps);
}

bool TAnalogDisp::OutsideSideways(const QPoint& pos) const {
  return Vertical ? pos.x() < 0 || pos.x() > width() : pos.y() < 0 || pos.y() > height();
}

void TAnalogDisp::mousePressEvent(QMouseEvent* event) {
  if (Mode == ModeIn) return;
  if (event->button() != Qt::LeftButton) {
    Dragging = false;
    return;
  }
  Dragging = true;
  SetSliderPos(DragFraction(event->position().toPoint()));
  if (owner_) owner_->ShowSliderValue(owner_->FractionToValue(SliderPos));
}

void TAnalogDisp::mouseMoveEvent(QMouseEvent* event) {
  if (Mode == ModeIn || !Dragging) return;
  const QPoint pos = event->position().toPoint();
  if (OutsideSideways(pos))
    SetSliderPos(owner_ ? owner_->SentFraction() : 0.0);
  else
    SetSliderPos(DragFraction(pos));
  if (owner_) owner_->ShowSliderValue(owner_->FractionToValue(SliderPos));
}

void TAnalogDisp::mouseReleaseEvent(QMouseEvent* event) {
  if (Mode == ModeIn || !Dragging) return;
  Dragging = false;
  const QPoint pos = event->position().toPoint();
  if (OutsideSideways(pos)) {
    SetSliderPos(owner_ ? owner_->SentFraction() : 0.0);
  } else {
    SetSliderPos(DragFraction(pos));
    if (owner_) owner_->SendSliderValue();
  }
  if (owner_) owner_->ShowSliderValue(owner_->FractionToValue(SliderPos));
}

}  // namespace qx
