// Bitmap button (module uQXBmpButton): a push button drawn from pictures
// (released, held, hovered) that sends the push button's frames in its four
// modes. Also the parts the picture-built instruments share: the image
// control, the caption label that takes their mouse, picture loading.
#pragma once

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <string>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;
class TEEEintrag;

// Draws its picture at its top left corner, unscaled; takes no mouse.
class TBmpImage : public QWidget {
  Q_OBJECT

 public:
  explicit TBmpImage(QWidget* parent);
  QImage Picture;
  void SetPicture(const QImage& picture);
  // The control sized to its picture.
  void FitPicture() { resize(Picture.size()); }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Horizontal placement of a caption in its label: centred as asked, but a
// caption wider than the label starts at its left edge, so that the clipped
// part is its end and its beginning stays readable.
Qt::Alignment CaptionAlignment(Qt::Alignment wanted, int textWidth, int labelWidth);

// The caption on top of the pictures: it receives the element's mouse.
class TBmpLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TBmpLabel(QWidget* parent);

 signals:
  void MouseDown(Qt::MouseButton button, QPoint pos);
  void MouseMove(QPoint pos);
  void MouseUp(Qt::MouseButton button, QPoint pos);
  // A left press and release on the label.
  void Clicked();
  void MouseEnter();
  void MouseLeave();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool leftDown_ = false;
};

// Loads a face: the built-in picture when fileName is empty, else the file
// (a name without directory lies in the project directory). A file that
// cannot be read leaves the image as it was, silently.
void LoadFace(TBmpImage& image, const std::string& fileName, const char* builtIn);

class TQXBmpButton : public TQXAnimElement {
  Q_OBJECT

 public:
  explicit TQXBmpButton(QWidget* owner);
  static TQXBmpButton* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;
  static TEEEintrag* FreeTextRow;
  static TEEEintrag* FreeNumberRow;

  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXBmpButton>(); }

  void Send(std::string_view payload) { SendPayload(payload); }
  void LoadImage1();
  void LoadImage2();
  void LoadImage3();
  void UpdateFace();
  void UpdateImageFlags();
  void ImageClick();
  void ImageMouseDown();
  void ImageMouseUp();
  void LabelMouseEnter();
  void LabelMouseLeave();

  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  int32_t GetMode() const;
  void SetMode(int32_t value);
  std::string GetFreeText() const { return FreeText; }
  void SetFreeText(const std::string& value);
  double GetFreeNumber() const { return FreeNumber; }
  void SetFreeNumber(double value);
  std::string GetFileUp() const { return FileUp; }
  void SetFileUp(const std::string& value);
  std::string GetFileDown() const { return FileDown; }
  void SetFileDown(const std::string& value);
  std::string GetFileOver() const { return FileOver; }
  void SetFileOver(const std::string& value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  TBmpImage* UpImage() const { return up_; }
  TBmpImage* DownImage() const { return down_; }
  TBmpImage* OverImage() const { return over_; }
  TBmpLabel* CaptionLabel() const { return label_; }

  bool ShowSource = false;
  bool ShowDenom = true;
  int32_t Mode = 0;
  std::string FreeText;
  double FreeNumber = 0.0;
  bool MouseIsDown = false;
  bool MouseInside = false;
  bool HasDownFace = true;
  bool HasOverFace = true;
  std::string FileUp, FileDown, FileOver;

 private:
  void UpdateModeRows() const;

  TBmpImage* up_;
  TBmpImage* down_;
  TBmpImage* over_;
  TBmpLabel* label_;
  TColor fontColor_ = 0;
};

}  // namespace qx
