#include "editing/uSheetBckgnd.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "foundation/uFileLoader.h"
#include "foundation/uSettingLoader.h"
#include "widgets/uLangStrings.h"
#include "widgets/uPictureFile.h"

namespace qx {

namespace {
QSize ScreenSize() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->size() : QSize(1024, 768);
}

int RoundToInt(double v) {
  return static_cast<int>(std::nearbyint(v));
}
}  // namespace

// No screen shows more; a larger bitmap would only cost memory (gigabytes
// for a very tall picture fitted to a width).
constexpr double kMaxDrawnSide = kMaxPictureSide;

QSize FitPictureSize(int w0, int h0, int32_t mode, int fixedWidth, int fixedHeight) {
  if (w0 <= 0 || h0 <= 0) return QSize(0, 0);
  const double ratio = static_cast<double>(w0) / h0;
  double w = w0, h = h0;
  switch (mode) {
    case PicStretch:
      w = fixedWidth, h = fixedHeight;
      break;
    case PicFixWidth:
      w = fixedWidth, h = fixedWidth / ratio;
      break;
    case PicFixHeight:
      w = fixedHeight * ratio, h = fixedHeight;
      break;
    default:
      break;
  }
  // Too large a side: scaled down to the limit, the aspect kept.
  const double side = std::max(w, h);
  if (side <= kMaxDrawnSide) return QSize(RoundToInt(w), RoundToInt(h));
  const double k = kMaxDrawnSide / side;
  return QSize(std::max(1, RoundToInt(w * k)), std::max(1, RoundToInt(h * k)));
}

TSheetBckgnd::TSheetBckgnd(TSheet* sheet) : Sheet(sheet) {
  const QSize s = ScreenSize();
  FixedWidth = s.width();
  FixedHeight = s.height();
}

TSheetBckgnd::~TSheetBckgnd() {
  TPropertyEditor::ForgetObject(this);
}

QPointer<TEEListing> TSheetBckgnd::Listing;
TEEEIntPaar* TSheetBckgnd::SizeRow = nullptr;

void TSheetBckgnd::PrepareListing() {
  TEEListing::BuildOnFirstUse(typeid(TSheetBckgnd), &TSheetBckgnd::InitListing);
}

void TSheetBckgnd::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TSheetBckgnd>(Listing);
  using A = TEEAccessors<TSheetBckgnd>;
  TEEETitel::Add(Tr("usheetbckgnd.ssbktitel", "Blatthintergrund"));
  TEEELinie::Add();
  TEEEFarbe::Add(Tr("usheetbckgnd.ssbfarbe", "Farbe"),
                 A::Color(&TSheetBckgnd::GetColor, &TSheetBckgnd::SetColor));
  TEEELinie::Add();
  TEEEAuswahlbox::Add(Tr("usheetbckgnd.ssbkmodus", "Bildmodus"),
                      {Tr("usheetbckgnd.ssbkmstretch", "Strecken"),
                       Tr("usheetbckgnd.ssbkmfixwidth", "Feste Breite"),
                       Tr("usheetbckgnd.ssbkmfixheight", "Feste H\xC3\xB6he"),
                       Tr("usheetbckgnd.ssbkmorig",
                          "Originalgr\xC3\xB6\xC3\x9F"
                          "e")},
                      A::Int(&TSheetBckgnd::GetPicMode, &TSheetBckgnd::SetPicMode));
  SizeRow = TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                             A::Int(&TSheetBckgnd::GetShownWidth, &TSheetBckgnd::SetFixedWidth),
                             A::Int(&TSheetBckgnd::GetShownHeight, &TSheetBckgnd::SetFixedHeight));
  TEEEBildDatei::Add(Tr("usheetbckgnd.ssbkpicfile", "Bilddatei"),
                     A::Text(&TSheetBckgnd::GetPicFile, &TSheetBckgnd::SetPicFile));
  TEEELinie::Add();
  TEEEBeschreibung::Add(80, Tr("usheetbckgnd.ssbkdescr",
                               "Hintergrundfarben und Hintergrundbild.\nDie Einstellungen "
                               "beziehen sich nur auf das aktuelle Blatt. Weitere Bl\xC3\xA4tter "
                               "werden getrennt eingestellt."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

int32_t TSheetBckgnd::GetPicMode() const {
  UpdateSizeRow();
  return PicMode;
}

void TSheetBckgnd::UpdateSizeRow() const {
  if (!SizeRow || !Listing || TPropertyEditor::ShownObject() != this) return;
  SizeRow->FirstEdit->setEnabled(PicMode == PicStretch || PicMode == PicFixWidth);
  SizeRow->SecondEdit->setEnabled(PicMode == PicStretch || PicMode == PicFixHeight);
  SizeRow->FirstEdit->setText(QString::number(GetShownWidth()));
  SizeRow->SecondEdit->setText(QString::number(GetShownHeight()));
}

void TSheetBckgnd::Reset() {
  PicMode = PicFixWidth;
  PicFile.clear();
  Problem.clear();
  Picture = QImage();
  PictureSize = QSize();
  Bitmap = QImage();
  ShownWidth = ShownHeight = 0;
  RunColor = EditColor = kSheetColor;
  const QSize s = ScreenSize();
  FixedWidth = s.width();
  FixedHeight = s.height();
  if (SheetTabs) SheetTabs->SetBarColor(EditColor);
  Repaint();
}

void TSheetBckgnd::LoadPicture() {
  Picture = QImage();
  PictureSize = QSize();
  Bitmap = QImage();
  Problem.clear();
  if (PicFile.empty()) return;
  const std::string path = FileLoad ? AbsoluteFileName(FileLoad->ProjectPath, PicFile) : PicFile;
  // A picture that cannot be read leaves the sheet with its colour only; one
  // too large to decode whole is read at the size it is shown at.
  QImage img = LoadPictureFile(
      path, Problem, [this](QSize own) { return FitSize(own); }, &PictureSize);
  if (!img.isNull()) Picture = std::move(img).convertToFormat(QImage::Format_RGB32);
}

QSize TSheetBckgnd::FitSize(QSize own) const {
  return FitPictureSize(own.width(), own.height(), PicMode, FixedWidth, FixedHeight);
}

void TSheetBckgnd::PaintProblem(QPainter& p) const {
  if (Problem.isEmpty()) return;
  const QRect r = p.fontMetrics().boundingRect(Problem).translated(4, 4 + p.fontMetrics().ascent());
  p.fillRect(r.adjusted(-2, -1, 2, 1), Qt::white);
  p.setPen(QColor(0xBD, 0x22, 0x22));  // the red of a failed compile
  p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, Problem);
}

void TSheetBckgnd::ResizePicture() {
  if (Picture.isNull()) return;
  const QSize s = FitSize(PictureSize);
  // Read smaller than it is now shown: read again at the new size.
  if (NeedsLargerRead(Picture.size(), PictureSize, s)) LoadPicture();
  if (Picture.isNull()) return;
  ShownWidth = s.width();
  ShownHeight = s.height();
  Bitmap = QImage();
  if (s.isEmpty()) return;
  Bitmap = Picture.scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void TSheetBckgnd::SetColor(TColor value) {
  RunColor = EditColor = value;
  Repaint();
}

void TSheetBckgnd::SetEditColor(TColor value) {
  EditColor = value;
  Repaint();
  if (SheetTabs && CurrentSheet) SheetTabs->SetBarColor(CurrentSheet->Background->EditColor);
}

void TSheetBckgnd::SetPicMode(int32_t value) {
  if (value == PicMode || value < PicStretch || value > PicOrig) return;
  PicMode = value;
  ResizePicture();
  UpdateSizeRow();
  Repaint();
}

void TSheetBckgnd::SetPicFile(const std::string& value) {
  PicFile = value;
  LoadPicture();
  ResizePicture();
  Repaint();
  UpdateSizeRow();
}

int32_t TSheetBckgnd::GetShownWidth() const {
  return (PicMode == PicFixHeight || PicMode == PicOrig) ? ShownWidth : FixedWidth;
}

int32_t TSheetBckgnd::GetShownHeight() const {
  return (PicMode == PicFixWidth || PicMode == PicOrig) ? ShownHeight : FixedHeight;
}

void TSheetBckgnd::SetFixedWidth(int32_t value) {
  if (value > kMaxPictureSize) return;
  FixedWidth = value;
  ResizePicture();
  Repaint();
  UpdateSizeRow();
}

void TSheetBckgnd::SetFixedHeight(int32_t value) {
  if (value > kMaxPictureSize) return;
  FixedHeight = value;
  ResizePicture();
  Repaint();
  UpdateSizeRow();
}

void TSheetBckgnd::Repaint() {
  if (!Sheet) return;
  if (Sheet->Canvas()) Sheet->Canvas()->update();
  // The edit panel paints the background in edit mode and covers the
  // canvas opaquely, so the canvas's update alone repaints nothing there.
  if (Sheet->EditPanel) Sheet->EditPanel->update();
}

}  // namespace qx
