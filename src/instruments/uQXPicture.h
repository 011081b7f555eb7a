// Picture (module uQXPicture): one of up to ten picture files, chosen by the
// formula's number (1 picture 1, 2 picture 2, ...; 0 or less hides the
// element in a run). Five view modes decide how a picture is scaled and
// whether the element's size follows it.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <string>

#include "editing/uQXControls.h"

namespace qx {

class TEEListing;

enum : int32_t {
  ViewFit = 0,
  ViewStretch = 1,
  ViewFixWidth = 2,
  ViewFixHeight = 3,
  ViewOrig = 4,
};

// Image control: draws its picture from the top left corner, scaled as its
// flags say; the panel around it clips.
class TPictureImage : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureImage(QWidget* parent);
  QPixmap Picture;
  // The file's own picture size; Picture is smaller when it was too large
  // to decode whole (read at the size it is drawn at).
  QSize OwnSize;
  bool Proportional = true;  // a larger picture is scaled down, aspect kept
  bool Stretch = false;      // the picture fills the control
  bool HasPicture() const { return !Picture.isNull(); }
  // Where the picture is drawn inside the control.
  QRect DrawRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Size of the image in mode fit: the picture's aspect ratio, covering the
// panel in one direction (rounded half to even).
QSize FitImageSize(QSize picture, QSize panel);
// The element size the mode asks for with this picture (fit and stretch
// keep the element's size).
QSize PictureElementSize(int32_t mode, QSize picture, QSize element, int32_t frameWidth);

class TQXPicture : public TQXElement {
  Q_OBJECT

 public:
  static constexpr int32_t kMaxPictures = 10;

  explicit TQXPicture(QWidget* owner);
  static TQXPicture* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;

  void UpdateDisplay() override;
  void UpdateCaption() override;
  void SourceChanged() override { UpdateCaption(); }
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXPicture>(); }
  void SetInitValue(double value) override;

  void LoadPicture(int32_t i);
  void ResizePicture(int32_t i);
  // The size a picture of this own size is drawn at in the current mode.
  QSize DrawnSize(QSize own) const;
  void AdjustElementSize();
  void ShowPicture(int32_t i);

  int32_t GetPicQty() const;
  void SetPicQty(int32_t value);
  int32_t GetViewMode() const;
  void SetViewMode(int32_t value);
  // Index 1..10.
  std::string GetFileName(int32_t i) const;
  void SetFileName(int32_t i, const std::string& value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  TFontDesc GetFont() const;
  void SetFont(const TFontDesc& value);

  TPictureImage* Image(int32_t i) const { return images_[static_cast<size_t>(i - 1)]; }
  QWidget* PicturePanel() const { return panel_; }
  QLabel* CaptionLabel() const { return label_; }

  std::array<std::string, kMaxPictures> FileNames;
  int32_t CurrentIndex = 1;
  int32_t PicQty = 1;
  int32_t ViewMode = ViewFixWidth;
  bool ShowSource = false;
  bool ShowDenom = false;

 private:
  // While the panel shows this: the file rows in use, and the size fields
  // the view mode leaves to the user (the others show the size it sets).
  void UpdateFileRows() const;
  void UpdateSizeRow() const;
  void HideByValue();
  void ShowByValue(int32_t i);

  QLabel* label_;
  QWidget* panel_;
  std::array<TPictureImage*, kMaxPictures> images_{};
  TColor fontColor_ = 0x00FF00;
};

}  // namespace qx
