#include "widgets/IconButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "widgets/uRibbonButton.h"

namespace qx {

TIconButton::TIconButton(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  Prepare();
}

void TIconButton::SetPicture(const QImage& picture) {
  FPicture = picture;
  Prepare();
  update();
}

void TIconButton::SetAlpha(TColor alpha) {
  FAlpha = alpha;
  Prepare();
  update();
}

void TIconButton::SetCaption(const QString& caption) {
  FCaption = caption;
  setToolTip(caption);
}

void TIconButton::SetColor(TColor color) {
  FColor = color;
  BaseColor = color;
  if (FAlpha == AlphaDefault) Prepare();
  update();
}

void TIconButton::Prepare() {
  const int w = width() - 2;
  const int h = height() - 2;
  if (w <= 0 || h <= 0) {
    Buffer = QImage();
    return;
  }
  // Not the hover colour: the picture is prepared only on changes.
  const TColor key = FAlpha == AlphaDefault ? BaseColor : FAlpha;
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(ColorToQColor(key));
  if (!FPicture.isNull()) {
    // No smoothing: a blended edge would no longer match the transparent colour.
    QPainter p(&img);
    p.drawImage(QRect(0, 0, w, h), FPicture);
  }
  Buffer = MaskColor(img, key);
}

void TIconButton::resizeEvent(QResizeEvent*) {
  Prepare();
}

void TIconButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  p.fillRect(rect(), ColorToQColor(FColor));
  if (FLowered && w > 0 && h > 0) {
    const QColor shadow = ColorToQColor(clBtnShadow);
    const QColor light = ColorToQColor(clBtnHighlight);
    p.fillRect(QRect(0, 0, w, 1), shadow);
    p.fillRect(QRect(0, 0, 1, h), shadow);
    p.fillRect(QRect(0, h - 1, w, 1), light);
    p.fillRect(QRect(w - 1, 0, 1, h), light);
  }
  if (!Buffer.isNull()) p.drawImage(1, 1, Buffer);
}

void TIconButton::enterEvent(QEnterEvent*) {
  if (Hovered) return;
  Hovered = true;
  NormalColor = FColor;
  FColor = HoverColor;
  update();
}

void TIconButton::leaveEvent(QEvent*) {
  if (!Hovered) return;
  Hovered = false;
  FColor = NormalColor;
  update();
}

void TIconButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  Pressed = true;
  ColorBeforePress = FColor;
  FColor = PressedColor;
  FLowered = true;
  update();
}

void TIconButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !Pressed) return QWidget::mouseReleaseEvent(event);
  Pressed = false;
  FLowered = false;
  FColor = ColorBeforePress;
  update();
  if (rect().contains(event->position().toPoint())) emit clicked();
}

}  // namespace qx
