#include "instruments/uQXPicture.h"

#include <QPainter>
#include <cmath>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheet.h"
#include "formula/uFunctions.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "foundation/uSettingLoader.h"
#include "instruments/uElementLabels.h"
#include "instruments/uQXled.h"
#include "widgets/uLangStrings.h"
#include "widgets/uPictureFile.h"

namespace qx {

namespace {
// Rounded half to even; sizes beyond the integer range give 0 (never UB).
int32_t Rnd(double x) {
  int64_t n = 0;
  if (!TruncToInt64(std::nearbyint(x), n) || n > kMaxCoordinate || n < -kMaxCoordinate) return 0;
  return static_cast<int32_t>(n);
}
}  // namespace

const TFLSet* TQXPicture::ClassSet = nullptr;

// ---- TPictureImage ------------------------------------------------------------

TPictureImage::TPictureImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

QRect TPictureImage::DrawRect() const {
  if (Picture.isNull()) return {};
  const QSize pic = OwnSize;
  if (Stretch && !Proportional) return rect();
  if (Proportional && (pic.width() > width() || pic.height() > height()))
    return QRect(QPoint(0, 0), pic.scaled(size(), Qt::KeepAspectRatio));
  return QRect(QPoint(0, 0), pic);
}

void TPictureImage::paintEvent(QPaintEvent*) {
  if (Picture.isNull()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawPixmap(DrawRect(), Picture);
}

// ---- rules ------------------------------------------------------------------

QSize FitImageSize(QSize picture, QSize panel) {
  if (picture.isEmpty() || panel.height() <= 0) return panel;
  const double r = static_cast<double>(picture.width()) / picture.height();
  const double a = static_cast<double>(panel.width()) / panel.height();
  if (r > a) return {Rnd(panel.height() * r), panel.height()};
  return {panel.width(), Rnd(panel.width() / r)};
}

QSize PictureElementSize(int32_t mode, QSize picture, QSize element, int32_t frameWidth) {
  if (picture.isEmpty()) return element;
  const int32_t fw2 = 2 * frameWidth;
  const double r = static_cast<double>(picture.width()) / picture.height();
  switch (mode) {
    case ViewFixWidth:
      return {element.width(), fw2 + Rnd((element.width() - fw2) / r)};
    case ViewFixHeight:
      return {fw2 + Rnd((element.height() - fw2) * r), element.height()};
    case ViewOrig:
      return {picture.width() + fw2, picture.height() + fw2};
    default:
      return element;
  }
}

// ---- TQXPicture ---------------------------------------------------------------

TQXPicture::TQXPicture(QWidget* owner) : TQXElement(owner) {
  ClassId = 11;
  TypeName = "QXPicture";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  InUpdateList = true;
  panel_ = new QWidget(this);
  panel_->setAutoFillBackground(true);
  QPalette pal = panel_->palette();
  pal.setColor(QPalette::Window, ColorToQColor(0x808080));
  panel_->setPalette(pal);
  panel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  panel_->show();
  for (size_t i = 0; i < images_.size(); ++i) {
    images_[i] = new TPictureImage(panel_);
    images_[i]->setVisible(i == 0);
  }
  label_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  SetLabelFont(label_, GetFont());
  label_->move(4, 2);
  resize(200, 200);
  for (TPictureImage* im : images_) im->resize(width() - 12, height() - 12);
  TQXElement::SetInitValue(1.0);  // picture 1 until a value arrives
  PanelResize();
}

TQXPicture* TQXPicture::ElemCreate() {
  return new TQXPicture(CurrentCanvas());
}

void TQXPicture::UpdateDisplay() {
  TQXElement::UpdateDisplay();
  const int32_t i = ValueToIndex(GetValue(), PicQty);
  if (i == 0)
    HideByValue();
  else
    ShowByValue(i);
}

void TQXPicture::HideByValue() {
  HideInRun = true;
  if (!EditMode)
    setVisible(false);
  else
    ShowPicture(1);  // stays editable
}

void TQXPicture::ShowByValue(int32_t i) {
  ShowPicture(i);
  if (HideInRun) {
    setVisible(true);
    HideInRun = false;
  }
}

void TQXPicture::ShowPicture(int32_t i) {
  if (i < 1 || i > kMaxPictures || i == CurrentIndex) return;
  Image(CurrentIndex)->hide();
  CurrentIndex = i;
  Image(i)->show();
  AdjustElementSize();
}

void TQXPicture::SetInitValue(double value) {
  TQXElement::SetInitValue(value);
  UpdateDisplay();
  // Another picture at the same size changes no bounds: the edit frame
  // would keep showing the old one.
  FollowEditFrame();
}

void TQXPicture::UpdateCaption() {
  label_->setText(QString::fromStdString(NameSourceCaption(ShowDenom, ShowSource, Denom, Source)));
  label_->adjustSize();
  label_->raise();
}

void TQXPicture::PanelResize() {
  const int f = FrameWidth;
  panel_->setGeometry(f, f, std::max(0, width() - 2 * f), std::max(0, height() - 2 * f));
  // Every picture, not only the shown one: the next value shows its own at
  // the current size.
  for (int32_t i = 1; i <= PicQty; ++i) ResizePicture(i);
  AdjustElementSize();
  UpdateSizeRow();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXPicture::LoadPicture(int32_t i) {
  if (i < 1 || i > kMaxPictures) return;
  TPictureImage* im = Image(i);
  im->Picture = QPixmap();
  im->OwnSize = QSize();
  // A name without directory lies in the project directory; a file that
  // cannot be read leaves the picture empty, silently.
  // A file that is no plain file, or too large to read even at the size it
  // is drawn at, is refused and the element says why.
  const std::string& name = FileNames[static_cast<size_t>(i - 1)];
  QString problem;
  if (!name.empty()) {
    const std::string path = AbsoluteFileName(FileLoad ? FileLoad->ProjectPath : "", name);
    QSize own;
    QImage picture = LoadPictureFile(
        path, problem, [this](QSize s) { return DrawnSize(s); }, &own);
    if (!picture.isNull()) {
      im->Picture = QPixmap::fromImage(std::move(picture));
      im->OwnSize = own;
    }
  }
  SetFileProblem(i, problem);
  im->setVisible(i == CurrentIndex);
  im->update();
}

void TQXPicture::ResizePicture(int32_t i) {
  if (i < 1 || i > kMaxPictures || i > PicQty) return;
  TPictureImage* im = Image(i);
  if (!im->HasPicture()) return;
  im->Proportional = ViewMode == ViewFit || ViewMode == ViewFixWidth || ViewMode == ViewFixHeight;
  im->Stretch = ViewMode == ViewStretch;
  const QSize panel = panel_->size();
  im->setGeometry(
      QRect(QPoint(0, 0), ViewMode == ViewFit ? FitImageSize(im->OwnSize, panel) : panel));
  // Read smaller than it is now drawn: read again at the new size.
  if (NeedsLargerRead(im->Picture.size(), im->OwnSize, DrawnSize(im->OwnSize))) LoadPicture(i);
  im->update();
}

QSize TQXPicture::DrawnSize(QSize own) const {
  // Original size shows the picture whole; every other mode scales it to
  // cover the panel at most.
  return ViewMode == ViewOrig ? own : panel_->size();
}

void TQXPicture::AdjustElementSize() {
  TPictureImage* im = Image(CurrentIndex);
  if (!im->HasPicture()) return;
  const QSize want = PictureElementSize(ViewMode, im->OwnSize, size(), FrameWidth);
  if (want.width() != width()) SetWidth(want.width());
  if (want.height() != height()) SetHeight(want.height());
}

int32_t TQXPicture::GetPicQty() const {
  UpdateFileRows();
  return PicQty;
}

void TQXPicture::SetPicQty(int32_t value) {
  // Which file keys are written follows PicQty (see InitFileSet).
  LimitInt(value, 1, kMaxPictures);
  PicQty = value;
  UpdateFileRows();
  FollowEditFrame();
}

int32_t TQXPicture::GetViewMode() const {
  UpdateSizeRow();
  return ViewMode;
}

void TQXPicture::SetViewMode(int32_t value) {
  if (value < ViewFit || value > ViewOrig || value == ViewMode) return;
  ViewMode = value;
  for (int32_t i = 1; i <= PicQty; ++i) ResizePicture(i);
  AdjustElementSize();
  UpdateSizeRow();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

std::string TQXPicture::GetFileName(int32_t i) const {
  if (i < 1 || i > kMaxPictures) return {};
  return FileNames[static_cast<size_t>(i - 1)];
}

void TQXPicture::SetFileName(int32_t i, const std::string& value) {
  if (i < 1 || i > kMaxPictures) return;
  FileNames[static_cast<size_t>(i - 1)] = value;
  LoadPicture(i);
  ResizePicture(i);
  if (i == CurrentIndex) AdjustElementSize();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXPicture::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXPicture::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

TFontDesc TQXPicture::GetFont() const {
  return QFontToFontDesc(label_->font(), fontColor_);
}

void TQXPicture::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  SetLabelFont(label_, value);
  UpdateCaption();
  FollowEditFrame();
}

// ---- property listing ----------------------------------------------------------

QPointer<TEEListing> TQXPicture::Listing;

namespace {
// The file rows, index 1..10 at 0..9, and the size row.
std::array<QPointer<TEEEintrag>, TQXPicture::kMaxPictures> PictureFileRows;
QPointer<TEEEIntPaar> PictureSizeRow;
}  // namespace

void TQXPicture::UpdateFileRows() const {
  if (!Listing || TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  for (int32_t i = 2; i <= kMaxPictures; ++i)
    if (TEEEintrag* row = PictureFileRows[static_cast<size_t>(i - 1)]) row->setVisible(i <= PicQty);
  Listing->Arrange();
}

void TQXPicture::UpdateSizeRow() const {
  TEEEIntPaar* row = PictureSizeRow;
  if (!Listing || !row || TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this))
    return;
  const bool widthFree = ViewMode != ViewFixHeight && ViewMode != ViewOrig;
  const bool heightFree = ViewMode != ViewFixWidth && ViewMode != ViewOrig;
  row->FirstEdit->setEnabled(widthFree);
  row->SecondEdit->setEnabled(heightFree);
  if (!widthFree) row->FirstEdit->setText(QString::number(width()));
  if (!heightFree) row->SecondEdit->setText(QString::number(height()));
}

void TQXPicture::InitListing() {
  using C = TQXPicture;
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<C>(Listing);
  using A = TEEAccessors<C>;
  TEEETitelActive::Add(Tr("uqxpicture.spictitel", "Bildanzeige"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&C::GetShowDenom, &C::SetShowDenom));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&C::GetShowSource, &C::SetShowSource));
  TEEELinie::Add();
  TEEEAuswahlbox::Add(
      Tr("uqxpicture.spicmode", "Bildmodus"),
      {Tr("uqxpicture.spicmfit", "Einpassen"), Tr("uqxpicture.spicmstretch", "Strecken"),
       Tr("uqxpicture.spicmfixwidth", "Feste Breite"),
       Tr("uqxpicture.spicmfixheight", "Feste H\xC3\xB6he"),
       Tr("uqxpicture.spicmorig",
          "Originalgr\xC3\xB6\xC3\x9F"
          "e")},
      A::Int(&C::GetViewMode, &C::SetViewMode));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  PictureSizeRow = TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                                    A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                                    A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxpicture.spicqty", "Anzahl Bilder"), A::Int(&C::GetPicQty, &C::SetPicQty));
  // The file rows share the indexed accessors; each row carries its index.
  const auto files = A::Text(&C::GetFileName, &C::SetFileName);
  for (int32_t i = 1; i <= kMaxPictures; ++i) {
    TEEEBildDatei* row = TEEEBildDatei::Add(
        Tr("uqxpicture.spicfile", "Bilddatei") + QString(" (=%1)").arg(i), files);
    row->HasIndex = true;
    row->Index = i;
    PictureFileRows[static_cast<size_t>(i - 1)] = row;
    if (building && i >= 2) row->hide();
  }
  TEEELinie::Add();
  TEEERealFeld::Add(Tr("uqxpicture.sinitvalue", "Anfangswert"),
                    A::Real(&TQXElement::GetInitValue, &C::SetInitValue));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&C::GetFont, &C::SetFont));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(220,
                        Tr("uqxpicture.spicdescr",
                           "Bildanzeige f\xC3\xBC"
                           "r PNG, BMP und JPG. Bis zu 10 Bilder, jedes \xC3\xBC"
                           "ber seinen Index am Eingang gew\xC3\xA4"
                           "hlt: 0 blendet das Instrument aus, 1 zeigt Bild 1 und so weiter. "
                           "Zwischenwerte werden aufgerundet.\nMit leerem Eingang eignet sich das "
                           "Instrument auch f\xC3\xBC"
                           "r ein festes Bild."));
  TEEListing::End(Listing);
}

void TQXPicture::InitFileSet(TFLSetList& sets) {
  auto b =
      sets.Define<TQXPicture>("QXPICTURE", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXPicture::GetShowDenom, &TQXPicture::SetShowDenom);
  b.Bool("showSource", &TQXPicture::GetShowSource, &TQXPicture::SetShowSource);
  b.Enum("viewMode", {"fit", "stretch", "fixWidth", "fixHeight", "orig"}, &TQXPicture::GetViewMode,
         &TQXPicture::SetViewMode);
  KeysPositionSize(b);
  b.Int("picQty", &TQXPicture::GetPicQty, &TQXPicture::SetPicQty);
  for (int32_t i = 1; i <= kMaxPictures; ++i) {
    auto& e =
        b.String("picFile" + std::to_string(i), &TQXPicture::GetFileName, &TQXPicture::SetFileName);
    e.SetIndex(i);
    b.ActiveWhen(e, [](TQXPicture& p, int32_t index) { return index <= p.PicQty; });
  }
  b.Real("init", &TQXPicture::GetInitValue, &TQXPicture::SetInitValue);
  b.Font("font", &TQXPicture::GetFont, &TQXPicture::SetFont);
  KeysFrame(b);
  ClassSet = &b.Set();
}

}  // namespace qx
