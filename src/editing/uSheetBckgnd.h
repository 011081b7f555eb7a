// Sheet background (module uSheetBckgnd): a sheet's colours and its picture,
// fitted by mode to a fixed size and painted unscaled into the top-left
// corner of the sheet.
#pragma once

#include <QImage>
#include <QPointer>
#include <QSize>
#include <QString>
#include <cstdint>
#include <string>

#include "foundation/uFileLoadSet.h"
#include "foundation/uGraphicsUtil.h"

class QPainter;

namespace qx {

class TSheet;
class TEEListing;
class TEEEIntPaar;

inline constexpr TColor kSheetColor = 0xE9DCD1;
inline constexpr int32_t kMaxPictureSize = 9000;

enum : int32_t { PicStretch = 0, PicFixWidth = 1, PicFixHeight = 2, PicOrig = 3 };

// Shown size of a w0 x h0 picture in a mode; rounding halves to even.
QSize FitPictureSize(int w0, int h0, int32_t mode, int fixedWidth, int fixedHeight);

class TSheetBckgnd : public TFLObject {
 public:
  explicit TSheetBckgnd(TSheet* sheet);
  ~TSheetBckgnd() override;

  QImage Picture;     // as loaded (smaller than its own size when too large to decode whole)
  QSize PictureSize;  // the file's own picture size
  QImage Bitmap;      // fitted; what the sheet paints
  TSheet* Sheet;
  int32_t ShownWidth = 0;
  int32_t ShownHeight = 0;
  TColor RunColor = kSheetColor;
  TColor EditColor = kSheetColor;
  std::string PicFile;
  int32_t FixedWidth = 0;
  int32_t FixedHeight = 0;
  int32_t PicMode = PicFixWidth;
  // Why the picture file was refused (no plain file); painted on the sheet.
  QString Problem;

  void Reset();
  // The problem text in the sheet's top left corner, when there is one.
  void PaintProblem(QPainter& p) const;
  void LoadPicture();
  void ResizePicture();

  // Accessors of the key set and the listing.
  TColor GetColor() const { return RunColor; }
  void SetColor(TColor value);
  void SetEditColor(TColor value);
  int32_t GetPicMode() const;
  void SetPicMode(int32_t value);
  std::string GetPicFile() const { return PicFile; }
  void SetPicFile(const std::string& value);
  int32_t GetFixedWidth() const { return FixedWidth; }
  int32_t GetFixedHeight() const { return FixedHeight; }
  int32_t GetShownWidth() const;
  int32_t GetShownHeight() const;
  void SetFixedWidth(int32_t value);
  void SetFixedHeight(int32_t value);

  // The property listing of every background: built, or refreshed after a
  // language change.
  static void InitListing();
  // Start-up and language change: built on first use, refreshed if built.
  static void PrepareListing();
  static QPointer<TEEListing> Listing;
  static TEEEIntPaar* SizeRow;
  // The size row follows the mode while the panel shows this background.
  void UpdateSizeRow() const;

 private:
  void Repaint();
  // Shown size of a picture of this own size.
  QSize FitSize(QSize own) const;
};

}  // namespace qx
