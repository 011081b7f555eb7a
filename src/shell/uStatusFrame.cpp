#include "shell/uStatusFrame.h"

#include <QMouseEvent>
#include <QPainter>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {

TShapeFrame::TShapeFrame(QWidget* parent) : QWidget(parent) {}

void TShapeFrame::SetBrushColor(uint32_t color) {
  if (brush_ == color) return;
  brush_ = color;
  update();
}

void TShapeFrame::SetPenColor(uint32_t color) {
  if (pen_ == color) return;
  pen_ = color;
  update();
}

void TShapeFrame::SetPenWidth(int width) {
  penWidth_ = width < 1 ? 1 : width;
  update();
}

void TShapeFrame::SetBrushVisible(bool visible) {
  brushVisible_ = visible;
  update();
}

void TShapeFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (brushVisible_) p.fillRect(rect(), ColorToQColor(brush_));
  QPen pen(ColorToQColor(pen_));
  pen.setWidth(penWidth_);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const double half = penWidth_ / 2.0;
  p.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
}

void TShapeFrame::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QWidget::mouseReleaseEvent(event);
}

void TShapeFrame::enterEvent(QEnterEvent* event) {
  emit entered();
  QWidget::enterEvent(event);
}

void TShapeFrame::leaveEvent(QEvent* event) {
  emit left();
  QWidget::leaveEvent(event);
}

}  // namespace qx
