// About page (module uAbout): product name, version, the libraries the
// program is built with, and a small running animation.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>

class QLabel;
class QPlainTextEdit;

namespace qx {

class TEmbeddedModalFormItem;

// The pictures of the animation, drawn by the program itself: "Background"
// (144 by 118) and the eight frames "RunCheetah1" to "RunCheetah8".
struct TCheetahPictures {
  QImage Background;
  std::array<QImage, 8> Frames;
};
TCheetahPictures MakeCheetahPictures();

class TRunningCheetah : public QWidget {
  Q_OBJECT

 public:
  explicit TRunningCheetah(QWidget* parent);

  int Frame() const { return frame_; }  // 1 to 8
  // The next frame, after 8 the first again (the 50 ms timer calls it).
  void NextFrame();
  // Off: the timer stops and the first frame shows.
  void SetActive(bool active);
  bool Active() const { return timer_.isActive(); }
  // The shown picture: the current frame at (6, 28) on the background.
  QImage Composed() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  mutable TCheetahPictures pictures_;
  QTimer timer_;
  int frame_ = 1;
};

class TFormAbout : public QWidget {
  Q_OBJECT

 public:
  explicit TFormAbout(QWidget* owner);
  ~TFormAbout() override;

  QLabel* LabelHeading;
  TRunningCheetah* Cheetah;
  QPlainTextEdit* MemoVersion;
  QPlainTextEdit* MemoLibs;

  // Creates FormAbout and AboutItem on ModalManager.
  static void Init(QWidget* owner);
  void FillTexts();
  // "Über Quillex": only when not connected.
  static void ShowPage();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};

extern TFormAbout* FormAbout;
extern TEmbeddedModalFormItem* AboutItem;

}  // namespace qx
