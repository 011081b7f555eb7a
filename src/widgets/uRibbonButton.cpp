#include "widgets/uRibbonButton.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

namespace {
constexpr TColor RibbonAccent = 0xFE9A21;
constexpr TColor White = 0xFFFFFF;
constexpr TColor Black = 0x000000;

void HLine(QPainter& p, int x0, int x1, int y, TColor c) {
  if (x1 > x0) p.fillRect(QRect(x0, y, x1 - x0, 1), ColorToQColor(c));
}

// Outline on the pixels of r's edges.
void FrameRect(QPainter& p, const QRect& r, TColor c) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const QColor q = ColorToQColor(c);
  p.fillRect(QRect(r.left(), r.top(), r.width(), 1), q);
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), q);
  p.fillRect(QRect(r.left(), r.top(), 1, r.height()), q);
  p.fillRect(QRect(r.right(), r.top(), 1, r.height()), q);
}
}  // namespace

TColor Blend(TColor a, TColor b, double t) {
  if (!(t >= 0.0)) t = 0.0;
  if (t > 1.0) t = 1.0;
  a = ColorToRGB(a);
  b = ColorToRGB(b);
  auto mix = [t](uint8_t x, uint8_t y) {
    const double v = std::nearbyint(t * x + (1.0 - t) * y);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
  };
  return RGBToColor(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                    mix(GetBValue(a), GetBValue(b)));
}

QImage MaskColor(const QImage& image, TColor transparent) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ColorToQRgb(transparent) & RGB_MASK;
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if (qAlpha(line[x]) == 255 && (line[x] & RGB_MASK) == key) line[x] = 0;
  }
  return out;
}

TRibbonColorSet RibbonColorsFrom(TColor custom) {
  TRibbonColorSet s;
  s.NormalBottom = custom;
  s.HoverBottom = Blend(custom, RibbonAccent, 0.9);
  s.PressedBottom = Blend(custom, RibbonAccent, 0.6);
  s.NormalTop = Blend(s.NormalBottom, White, 0.6);
  s.HoverTop = Blend(s.HoverBottom, White, 0.6);
  s.PressedTop = Blend(s.PressedBottom, White, 0.6);
  s.NormalFrame = Blend(s.NormalTop, Black, 0.6);
  s.HoverFrame = Blend(s.NormalFrame, RibbonAccent, 0.7);
  s.PressedFrame = Blend(s.NormalFrame, RibbonAccent, 0.3);
  s.FocusFrame = 0xD99D00;
  return s;
}

std::vector<TColor> RibbonGradient(TColor top, TColor bottom, int height) {
  std::vector<TColor> lines(static_cast<size_t>(std::max(height, 0)), top);
  auto set = [&lines](int y, TColor c) {
    if (y >= 0 && y < static_cast<int>(lines.size())) lines[static_cast<size_t>(y)] = c;
  };
  set(2, Blend(top, bottom, 0.9));
  set(3, Blend(top, bottom, 0.9));
  // The colour steps at most once per line, from near top to bottom.
  int j = 2;
  TColor c = Blend(top, bottom, 0.8);
  for (int y = 4; y <= height - 2; ++y) {
    if (j < (y - 3) * 10.0 / (height - 5)) {
      ++j;
      c = Blend(top, bottom, 1.0 - j / 10.0);
    }
    set(y, c);
  }
  if (height >= 2) set(height - 1, c);
  return lines;
}

TRibbonButton::TRibbonButton(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(100, 50);
  ShowNormal();
}

void TRibbonButton::SetPicture(const QImage& picture) {
  FPicture = picture;
  PictureCopy = FAlpha == NoAlpha ? FPicture : MaskColor(FPicture, FAlpha);
  update();
}

void TRibbonButton::SetAlpha(TColor alpha) {
  FAlpha = alpha;
  SetPicture(FPicture);
}

void TRibbonButton::SetCaption(const QString& caption) {
  FCaption = caption;
  update();
}

void TRibbonButton::SetTextLeft(int value) {
  FTextLeft = value;
  update();
}

void TRibbonButton::SetTextTop(int value) {
  FTextTop = value;
  update();
}

void TRibbonButton::SetPicLeft(int value) {
  FPicLeft = value;
  update();
}

void TRibbonButton::SetPicTop(int value) {
  FPicTop = value;
  update();
}

void TRibbonButton::SetAlignHorz(bool value) {
  FAlignHorz = value;
  update();
}

void TRibbonButton::SetTextCentreAligned(bool value) {
  FTextCentreAligned = value;
  update();
}

void TRibbonButton::SetCustomColor(TColor color) {
  if (color == FCustomColor) return;
  FCustomColor = color;
  FColors = RibbonColorsFrom(color);
  ShowNormal();
  update();
}

void TRibbonButton::ShowNormal() {
  CurTop = FColors.NormalTop;
  CurBottom = FColors.NormalBottom;
  CurFrame = FColors.NormalFrame;
}

void TRibbonButton::ShowHover() {
  CurTop = FColors.HoverTop;
  CurBottom = FColors.HoverBottom;
  CurFrame = FColors.HoverFrame;
}

void TRibbonButton::ShowPressed() {
  CurTop = FColors.PressedTop;
  CurBottom = FColors.PressedBottom;
  CurFrame = FColors.PressedFrame;
}

QImage TRibbonButton::Render() const {
  const int w = width();
  const int h = height();
  if (w <= 0 || h <= 0) return {};
  QImage img(w, h, QImage::Format_RGB32);
  const TColor top = KeyPressed ? FColors.PressedTop : CurTop;
  const TColor bottom = KeyPressed ? FColors.PressedBottom : CurBottom;
  const bool focused = hasFocus();
  const TColor frame = focused ? FColors.FocusFrame : CurFrame;

  QPainter p(&img);
  const std::vector<TColor> lines = RibbonGradient(top, bottom, h);
  for (int y = 0; y < h; ++y) HLine(p, 0, w, y, lines[static_cast<size_t>(y)]);
  FrameRect(p, QRect(0, 0, w, h), frame);
  if (focused) FrameRect(p, QRect(1, 1, w - 2, h - 2), Blend(frame, top, 0.3));

  if (!PictureCopy.isNull()) {
    const int left = FAlignHorz ? FPicLeft : (w - PictureCopy.width()) / 2;
    p.drawImage(left, FPicTop, PictureCopy);
  }

  if (!FCaption.isEmpty()) {
    p.setFont(font());
    p.setPen(ColorToQColor(clWindowText));
    const QFontMetrics fm = p.fontMetrics();
    const int tw = fm.horizontalAdvance(FCaption);
    int x, y;
    if (FAlignHorz) {
      x = FTextCentreAligned ? (w - tw) / 2 : FTextLeft;
      y = (h - fm.height()) / 2;
    } else {
      x = (w - tw) / 2;
      y = FTextTop;
    }
    p.drawText(x, y + fm.ascent(), FCaption);
  }
  return img;
}

void TRibbonButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, Render());
}

void TRibbonButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  Pressed = true;
  ShowPressed();
  update();
}

void TRibbonButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !Pressed) return QWidget::mouseReleaseEvent(event);
  Pressed = false;
  const bool inside = rect().contains(event->position().toPoint());
  if (inside)
    ShowHover();
  else
    ShowNormal();
  update();
  // Last: a handler may delete the button.
  if (inside) emit clicked();
}

void TRibbonButton::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  if (inside && !MouseInside)
    MouseEnter();
  else if (!inside && MouseInside)
    MouseLeave();
}

void TRibbonButton::enterEvent(QEnterEvent*) {
  if (!MouseInside) MouseEnter();
}

void TRibbonButton::leaveEvent(QEvent*) {
  if (MouseInside) MouseLeave();
}

void TRibbonButton::MouseEnter() {
  MouseInside = true;
  if (Pressed)
    ShowPressed();
  else
    ShowHover();
  update();
}

void TRibbonButton::MouseLeave() {
  MouseInside = false;
  ShowNormal();
  update();
}

void TRibbonButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
    return QWidget::keyPressEvent(event);
  // A held key clicks once, not on every repeat.
  if (event->isAutoRepeat()) return;
  KeyPressed = true;
  update();
  emit clicked();
}

void TRibbonButton::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
    return QWidget::keyReleaseEvent(event);
  if (event->isAutoRepeat()) return;
  KeyPressed = false;
  update();
}

void TRibbonButton::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TRibbonButton::focusOutEvent(QFocusEvent* event) {
  KeyPressed = false;
  QWidget::focusOutEvent(event);
  update();
}

}  // namespace qx
