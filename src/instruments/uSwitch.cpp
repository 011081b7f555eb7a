#include "instruments/uSwitch.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

namespace {

// Axis-parallel line from (x0, y0) towards (x1, y1), the end pixel left out.
void Line(QImage& img, int x0, int y0, int x1, int y1, QRgb c) {
  const int dx = (x1 > x0) - (x1 < x0), dy = (y1 > y0) - (y1 < y0);
  for (int x = x0, y = y0; x != x1 || y != y1; x += dx, y += dy) {
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) img.setPixel(x, y, c);
  }
}

QRgb Grey(int g) {
  return qRgb(g, g, g);
}

void DrawCaption(QImage& img, const QString& caption, const QFont& font, TColor fontColor) {
  if (caption.isEmpty()) return;
  QPainter p(&img);
  p.setFont(font);
  p.setPen(ColorToQColor(fontColor));
  const QFontMetrics fm(font);
  const int x = (img.width() - fm.horizontalAdvance(caption)) / 2;
  const int y = (img.height() - fm.height()) / 2;
  p.drawText(x, y + fm.ascent(), caption);
}

QImage Face(int width, int height) {
  QImage img(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

}  // namespace

QImage RenderUpFace(int w, int h, const QString& caption, const QFont& font, TColor fontColor) {
  QImage img = Face(w, h);
  const int a = std::max(static_cast<int>((h - 2) * 0.4), 2);
  const int b = std::max(h - 2 - a, 2);
  Line(img, 0, 0, w - 1, 0, Grey(255));
  Line(img, 0, 0, 0, h - 1, Grey(255));
  Line(img, w - 1, 0, w - 1, h - 1, Grey(0xA0));
  Line(img, w - 1, h - 1, -1, h - 1, Grey(0xA0));
  for (int y = 1; y <= a; ++y) Line(img, 1, y, w - 1, y, Grey(245 + ((y - 1) * -24) / (a - 1)));
  for (int y = a + 1; y <= h - 2; ++y)
    Line(img, 1, y, w - 1, y, Grey(220 + ((y - a - 1) * -15) / (b - 1)));
  DrawCaption(img, caption, font, fontColor);
  return img;
}

QImage RenderDownFace(int w, int h, const QString& caption, const QFont& font, TColor fontColor) {
  QImage img = Face(w, h);
  img.fill(ColorToQColor(0xFAB387));
  const QRgb outerDark = ColorToQRgb(0xB09C82), outerLight = ColorToQRgb(0xF5EDE2);
  const QRgb innerDark = ColorToQRgb(0xB8A78F), innerLight = ColorToQRgb(0xEBDBC7);
  Line(img, 0, 0, w - 1, 0, outerDark);
  Line(img, 0, 0, 0, h - 1, outerDark);
  Line(img, w - 1, 0, w - 1, h - 1, outerLight);
  Line(img, w - 1, h - 1, -1, h - 1, outerLight);
  Line(img, 1, 1, w - 2, 1, innerDark);
  Line(img, 1, 1, 1, h - 2, innerDark);
  Line(img, w - 2, 1, w - 2, h - 2, innerLight);
  Line(img, w - 2, h - 2, 0, h - 2, innerLight);
  DrawCaption(img, caption, font, fontColor);
  return img;
}

TSwitch::TSwitch(QWidget* owner) : QWidget(owner) {}

void TSwitch::SetPressed(bool flag) {
  if (flag == pressed_) return;
  pressed_ = flag;
  update();
}

void TSwitch::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void TSwitch::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  // Rendered anew at the current size on every paint: a resize needs no work.
  const QImage face = pressed_ ? RenderDownFace(width(), height(), text_, font(), FontColor)
                               : RenderUpFace(width(), height(), text_, font(), FontColor);
  QPainter p(this);
  p.drawImage(0, 0, face);
}

void TSwitch::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) mouseDown_ = true;
}

void TSwitch::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a quick double click is a press like any other, so
  // two quick clicks toggle twice.
  mousePressEvent(event);
}

void TSwitch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !mouseDown_) return;
  mouseDown_ = false;
  if (rect().contains(event->position().toPoint())) emit Clicked();
}

}  // namespace qx
