// Icon button: the small flat picture button of the menu strip and of the
// full window and full screen bars.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "foundation/uGraphicsUtil.h"

namespace qx {

class TIconButton : public QWidget {
  Q_OBJECT

 public:
  // Alpha value meaning "the button's own colour".
  static constexpr TColor AlphaDefault = 0x20000000;
  static constexpr TColor HoverColor = 0xFBEDD2;
  static constexpr TColor PressedColor = 0xFAE7C2;

  explicit TIconButton(QWidget* parent = nullptr);

  const QImage& Picture() const { return FPicture; }
  void SetPicture(const QImage& picture);
  TColor Alpha() const { return FAlpha; }
  void SetAlpha(TColor alpha);
  // Not drawn; shown as the tool tip.
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& caption);
  // The panel colour as shown (hover and press change it).
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  bool Lowered() const { return FLowered; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Prepare();

  QImage FPicture;
  QImage Buffer;  // size - 2, Alpha transparent
  TColor FAlpha = 0x00FF00;
  QString FCaption;
  TColor FColor = clBtnFace;
  TColor BaseColor = clBtnFace;  // as last set, for AlphaDefault
  TColor NormalColor = clBtnFace;
  TColor ColorBeforePress = clBtnFace;
  bool FLowered = false;
  bool Pressed = false;
  bool Hovered = false;
};

}  // namespace qx
