// Ribbon button: the gradient button with a picture and a caption used on the
// ribbon pages and in the property panel, and the colour mixing it uses.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <vector>

#include "foundation/uGraphicsUtil.h"

namespace qx {

// Channels mixed as a*t + b*(1-t), t clamped to [0,1] (NaN counts as 0), each
// rounded to the nearest integer, halves to even. System colours resolved.
[[nodiscard]] TColor Blend(TColor a, TColor b, double t);

// The image with every pixel of colour `transparent` made fully transparent
// (ARGB32). A system colour is resolved first.
[[nodiscard]] QImage MaskColor(const QImage& image, TColor transparent);

struct TRibbonColorSet {
  TColor NormalTop = 0xEEEEEE;
  TColor NormalBottom = 0xE2E2E2;
  TColor HoverTop = 0xFEF1E0;
  TColor HoverBottom = 0xFEEFDA;
  TColor PressedTop = 0xFDE2BD;
  TColor PressedBottom = 0xFDDCB0;
  TColor NormalFrame = 0xB4B4B4;
  TColor HoverFrame = 0xD0A886;
  TColor PressedFrame = 0xD0A886;
  TColor FocusFrame = 0xD99D00;
};

// All button colours derived from one base colour.
[[nodiscard]] TRibbonColorSet RibbonColorsFrom(TColor custom);

// Face colour of every line y = 0..height-1 for a button of that height; lines
// 0 and height-1 lie under the frame.
[[nodiscard]] std::vector<TColor> RibbonGradient(TColor top, TColor bottom, int height);

class TRibbonButton : public QWidget {
  Q_OBJECT

 public:
  // Alpha value meaning "no transparent colour".
  static constexpr TColor NoAlpha = 0x1FFFFFFF;

  explicit TRibbonButton(QWidget* parent = nullptr);

  const QImage& Picture() const { return FPicture; }
  void SetPicture(const QImage& picture);
  TColor Alpha() const { return FAlpha; }
  void SetAlpha(TColor alpha);
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& caption);
  int TextLeft() const { return FTextLeft; }
  void SetTextLeft(int value);
  int TextTop() const { return FTextTop; }
  void SetTextTop(int value);
  int PicLeft() const { return FPicLeft; }
  void SetPicLeft(int value);
  int PicTop() const { return FPicTop; }
  void SetPicTop(int value);
  bool AlignHorz() const { return FAlignHorz; }
  void SetAlignHorz(bool value);
  bool TextCentreAligned() const { return FTextCentreAligned; }
  void SetTextCentreAligned(bool value);
  TColor CustomColor() const { return FCustomColor; }
  void SetCustomColor(TColor color);

  const TRibbonColorSet& ColorSets() const { return FColors; }
  // The face as it is painted in the current state.
  [[nodiscard]] QImage Render() const;

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ShowNormal();
  void ShowHover();
  void ShowPressed();
  void MouseEnter();
  void MouseLeave();

  QImage FPicture;
  QImage PictureCopy;  // FPicture with the Alpha colour transparent
  TColor FAlpha = NoAlpha;
  QString FCaption;
  int FTextLeft = 30;
  int FTextTop = 30;
  int FPicLeft = 1;
  int FPicTop = 1;
  bool FAlignHorz = true;
  bool FTextCentreAligned = false;
  TColor FCustomColor = 0xE4E4E4;
  TRibbonColorSet FColors;
  TColor CurTop;
  TColor CurBottom;
  TColor CurFrame;
  bool Pressed = false;
  bool MouseInside = false;
  bool KeyPressed = false;
};

}  // namespace qx
