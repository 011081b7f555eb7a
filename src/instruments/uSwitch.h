// Switch control (module uSwitch): a small self-drawn push control with a
// released and a pressed face and a centred caption. It has no behaviour of
// its own: the owner gets Clicked and decides the face with SetPressed.
#pragma once

#include <QImage>
#include <QWidget>

#include "foundation/uGraphicsUtil.h"

namespace qx {

// The faces at a size, caption in font and colour (pure, for tests too).
QImage RenderUpFace(int width, int height, const QString& caption, const QFont& font,
                    TColor fontColor);
QImage RenderDownFace(int width, int height, const QString& caption, const QFont& font,
                      TColor fontColor);

class TSwitch : public QWidget {
  Q_OBJECT

 public:
  explicit TSwitch(QWidget* owner);

  bool Pressed() const { return pressed_; }
  // Shows the face of the flag; the same flag again changes nothing.
  void SetPressed(bool flag);
  QString Text() const { return text_; }
  void SetText(const QString& text);
  TColor FontColor = 0;

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
  bool mouseDown_ = false;
  QString text_;
};

}  // namespace qx
