#include "instruments/uQXBmpSlider.h"

#include <algorithm>
#include <cmath>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "instruments/uElementLabels.h"
#include "instruments/uQXButton.h"

namespace qx {

TSliderTrack SliderTrack(bool vert, int32_t f, QSize bar, QSize handle, int32_t o1, int32_t o2) {
  TSliderTrack t;
  if (vert) {
    t.Low = f + bar.height() - handle.height() + handle.height() / 2 - o1;
    t.High = f + handle.height() / 2 - o2;
    if (t.Low == t.High) ++t.Low;  // never an empty track
  } else {
    t.Low = f + handle.width() / 2 + o1;
    t.High = f + bar.width() - handle.width() + handle.width() / 2 + o2;
    if (t.Low == t.High) ++t.High;
  }
  return t;
}

double SnapPosition(double f, int32_t steps) {
  if (std::isnan(f)) return 0.0;
  f = std::clamp(f, 0.0, 1.0);
  if (steps <= 0) return f;
  return std::trunc(steps * f) / steps;
}

double ValueToFraction(double value, double min, double max) {
  // A value from before the range was set (0 after loading, with a minimum
  // above 0) must not put the handle off the track.
  if (max == min) return 0.0;
  const double f = (value - min) / (max - min);
  if (std::isnan(f)) return 0.0;
  return std::clamp(f, 0.0, 1.0);
}

namespace {
// Fraction of the track in whole pixels, cut toward zero (never UB).
int32_t TruncPixels(double x) {
  if (!std::isfinite(x) || x > kMaxCoordinate || x < -kMaxCoordinate) return 0;
  return static_cast<int32_t>(std::trunc(x));
}
}  // namespace

const TFLSet* TQXBmpSlider::ClassSet = nullptr;
QPointer<TEEListing> TQXBmpSlider::Listing;

TQXBmpSlider::TQXBmpSlider(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 21;
  TypeName = "QXBmpSlider";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  Denom = Tr("uqxbmpslider.sbmpsliname", "Schieberegler").toStdString();
  SetBckGndColor(0x707070);
  // Bottom to top: bar, bar overlay, handle, handle overlay, caption.
  bar_ = new TBmpImage(this);
  barOverlay_ = new TBmpImage(this);
  handle_ = new TBmpImage(this);
  handleOverlay_ = new TBmpImage(this);
  // Children made after the element was shown start hidden.
  bar_->show();
  handle_->show();
  barOverlay_->hide();
  handleOverlay_->hide();
  label_ = new TBmpLabel(this);
  label_->show();
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  connect(label_, &TBmpLabel::MouseDown, this,
          [this](Qt::MouseButton b, QPoint p) { SliderMouseDown(b, p); });
  connect(label_, &TBmpLabel::MouseMove, this, [this](QPoint p) { SliderMouseMove(p); });
  connect(label_, &TBmpLabel::MouseUp, this,
          [this](Qt::MouseButton, QPoint p) { SliderMouseUp(p); });
  connect(label_, &TBmpLabel::MouseEnter, this, [this] { LabelMouseEnter(); });
  connect(label_, &TBmpLabel::MouseLeave, this, [this] { LabelMouseLeave(); });
  resize(72, 231);
  LoadImage2();
  LoadImage3();
  LoadImage4();
  LoadImage1();
  UpdateCaption();
}

TQXBmpSlider* TQXBmpSlider::ElemCreate() {
  return new TQXBmpSlider(CurrentCanvas());
}

void TQXBmpSlider::PanelResize() {
  const int32_t f = FrameWidth;
  const QSize b = bar_->Picture.size();
  resize(b.width() + 2 * f, b.height() + 2 * f);
  UpdateTrack();
  bar_->move(f, f);
  barOverlay_->move(f, f);
  label_->setGeometry(f, f, width() - 2 * f, height() - 2 * f);
  PlaceHandle();
}

void TQXBmpSlider::UpdateTrack() {
  const TSliderTrack t = SliderTrack(IsVert, FrameWidth, bar_->Picture.size(),
                                     handle_->Picture.size(), EndOffset1, EndOffset2);
  TrackLow = t.Low;
  TrackHigh = t.High;
}

void TQXBmpSlider::PlaceHandle() {
  const int32_t f = FrameWidth;
  const QSize b = bar_->Picture.size(), h = handle_->Picture.size();
  int32_t left = 0, top = 0;
  if (IsVert) {
    left = f + b.width() / 2 - h.width() / 2 + AxialOffset;
    const int32_t y = TrackLow - TruncPixels((TrackLow - TrackHigh) * Position);
    top = y - h.height() / 2;
  } else {
    top = f + b.height() / 2 - h.height() / 2 + AxialOffset;
    const int32_t x = TrackLow + TruncPixels((TrackHigh - TrackLow) * Position);
    left = x - h.width() / 2;
  }
  handle_->move(left, top);
  handleOverlay_->move(left, top);
}

void TQXBmpSlider::PointToPosition(QPoint pos) {
  // The stops are element coordinates; the label lies at (F, F).
  const QPoint at = pos + QPoint(FrameWidth, FrameWidth);
  double f = 0.0;
  bool outside = false;
  if (IsVert) {
    f = static_cast<double>(TrackLow - at.y()) / (TrackLow - TrackHigh);
    outside = pos.x() < 0 || pos.x() > width();
  } else {
    f = static_cast<double>(at.x() - TrackLow) / (TrackHigh - TrackLow);
    outside = pos.y() < 0 || pos.y() > height();
  }
  // Off the track sideways: back to the last sent value.
  Position =
      outside ? ValueToFraction(GetValue(), MinScale, MaxScale) : SnapPosition(f, SlideSteps);
}

void TQXBmpSlider::SliderMouseDown(Qt::MouseButton button, QPoint pos) {
  Dragging = button == Qt::LeftButton;
  if (!Dragging) return;
  PointToPosition(pos);
  PlaceHandle();
}

void TQXBmpSlider::SliderMouseMove(QPoint pos) {
  if (!Dragging) return;
  PointToPosition(pos);
  PlaceHandle();
}

void TQXBmpSlider::SliderMouseUp(QPoint pos) {
  if (!Dragging) return;
  Dragging = false;
  PointToPosition(pos);
  PlaceHandle();
  const double value = FractionToValue(Position);
  StoreValue(value);
  Send(TypedPayload('F', LimitDecimals(FloatToDisplayText(value), Decimals, FixedDecimals)));
}

void TQXBmpSlider::LabelMouseEnter() {
  MouseOver = true;
  UpdateOverlays();
}

void TQXBmpSlider::LabelMouseLeave() {
  MouseOver = false;
  UpdateOverlays();
}

void TQXBmpSlider::UpdateOverlays() {
  barOverlay_->setVisible(MouseOver && HasBarOverlay);
  handleOverlay_->setVisible(MouseOver && HasHandleOverlay);
}

void TQXBmpSlider::UpdateImageFlags() {
  // Both overlays hang on the bar file: an own bar with a built-in overlay
  // would not match it.
  HasBarOverlay = !(!FileBar.empty() && FileBarOverlay.empty());
  HasHandleOverlay = !(!FileBar.empty() && FileHandleOverlay.empty());
  UpdateOverlays();
}

void TQXBmpSlider::LoadImage1() {
  LoadFace(*bar_, FileBar, "QXBmpSliderBar");
  bar_->FitPicture();
  UpdateImageFlags();
  PanelResize();
}

void TQXBmpSlider::LoadImage2() {
  LoadFace(*handle_, FileHandle, "QXBmpSliderHandle");
  handle_->FitPicture();
  UpdateTrack();
  UpdateImageFlags();
  PlaceHandle();
}

void TQXBmpSlider::LoadImage3() {
  LoadFace(*barOverlay_, FileBarOverlay, "QXBmpSliderMarked");
  barOverlay_->FitPicture();
  UpdateImageFlags();
}

void TQXBmpSlider::LoadImage4() {
  LoadFace(*handleOverlay_, FileHandleOverlay, "QXBmpSliderHandleMarked");
  handleOverlay_->FitPicture();
  UpdateImageFlags();
}

void TQXBmpSlider::UpdateCaption() {
  label_->setText(QString::fromStdString(ButtonCaption(ShowDenom, ShowSource, Denom, Source)));
}

void TQXBmpSlider::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXBmpSlider::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXBmpSlider::SetIsVert(int32_t value) {
  IsVert = value != 0;
  UpdateTrack();
  PlaceHandle();
  UpdateCaption();
  PanelResize();
  TEditPanel::UpdateSelection();
  TPropertyEditor::RefreshListing();
  FollowEditFrame();
}

void TQXBmpSlider::SetMinScale(double value) {
  MinScale = value;
  PlaceHandle();
  FollowEditFrame();
}

void TQXBmpSlider::SetMaxScale(double value) {
  MaxScale = value;
  PlaceHandle();
  FollowEditFrame();
}

void TQXBmpSlider::SetSlideSteps(int32_t value) {
  SlideSteps = value;
  PlaceHandle();
  FollowEditFrame();
}

void TQXBmpSlider::SetDecimals(int32_t value) {
  LimitInt(value, 0, 20);
  Decimals = value;
  FollowEditFrame();
}

void TQXBmpSlider::SetFixedDecimals(bool value) {
  FixedDecimals = value;
  FollowEditFrame();
}

void TQXBmpSlider::SetEndOffset1(int32_t value) {
  EndOffset1 = value;
  UpdateTrack();
  PlaceHandle();
  FollowEditFrame();
}

void TQXBmpSlider::SetEndOffset2(int32_t value) {
  EndOffset2 = value;
  UpdateTrack();
  PlaceHandle();
  FollowEditFrame();
}

void TQXBmpSlider::SetAxialOffset(int32_t value) {
  AxialOffset = value;
  PanelResize();
  FollowEditFrame();
}

std::string TQXBmpSlider::GetFile(int32_t index) const {
  switch (index) {
    case 1:
      return FileBar;
    case 2:
      return FileHandle;
    case 3:
      return FileBarOverlay;
    case 4:
      return FileHandleOverlay;
    default:
      return {};
  }
}

void TQXBmpSlider::SetFile(int32_t index, const std::string& value) {
  switch (index) {
    case 1:
      FileBar = value;
      LoadImage1();
      FollowEditFrame();
      TEditPanel::UpdateSelection();
      // The read-only size row shows the size the picture gave.
      TPropertyEditor::RefreshListing();
      return;
    case 2:
      FileHandle = value;
      LoadImage2();
      break;
    case 3:
      FileBarOverlay = value;
      LoadImage3();
      break;
    case 4:
      FileHandleOverlay = value;
      LoadImage4();
      break;
    default:
      return;
  }
  FollowEditFrame();
}

TFontDesc TQXBmpSlider::GetFont() const {
  return QFontToFontDesc(label_->font(), fontColor_);
}

void TQXBmpSlider::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  SetLabelFont(label_, value);
  FollowEditFrame();
}

void TQXBmpSlider::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXBmpSlider>(Listing);
  using A = TEEAccessors<TQXBmpSlider>;
  TEEETitelActive::Add(Tr("uqxbmpslider.sbmpslititel", "Bitmap-Schieberegler"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXBmpSlider::GetShowDenom, &TQXBmpSlider::SetShowDenom));
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXBmpSlider::GetShowSource, &TQXBmpSlider::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  // The size follows the bar picture: shown, not edited.
  TEEEIntPaar* size = TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                                       A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                                       A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  size->FirstEdit->setEnabled(false);
  size->SecondEdit->setEnabled(false);
  TEEELinie::Add();
  TEEEAuswahlbox::Add(cap::Alignment(), {cap::Horizontal(), cap::Vertical()},
                      A::Int(&TQXBmpSlider::GetIsVert, &TQXBmpSlider::SetIsVert));
  TEEELinie::Add();
  TEEESubTitel::Add(cap::BitmapFiles());
  const struct {
    const char* key;
    const char* caption;
  } files[] = {{"uqxbmpslider.sbmpslihintergr", "Hintergrund"},
               {"uqxbmpslider.sbmpslischieber", "Schieber"},
               {"uqxbmpslider.sbmpslihtgrmark", "Hintergr. markiert"},
               {"uqxbmpslider.sbmpslimark", "Schieber markiert"}};
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t index = i + 1;
    TEEEBildDatei::Add(
        Tr(files[i].key, files[i].caption),
        A::Text([index](TQXBmpSlider& s) { return s.GetFile(index); },
                [index](TQXBmpSlider& s, const std::string& v) { s.SetFile(index, v); }));
  }
  TEEELinie::Add();
  TEEEIntPaar::Add(Tr("uqxbmpslider.sbmpsliversatzanschl", "Versatz Anschlag"),
                   Tr("uqxbmpslider.sbmpsliunterer", "unterer"),
                   Tr("uqxbmpslider.sbmpslioberer", "oberer"),
                   A::Int(&TQXBmpSlider::GetEndOffset1, &TQXBmpSlider::SetEndOffset1),
                   A::Int(&TQXBmpSlider::GetEndOffset2, &TQXBmpSlider::SetEndOffset2));
  TEEEIntFeld::Add(Tr("uqxbmpslider.sbmpsliachsversatz", "Achsenversatz"),
                   A::Int(&TQXBmpSlider::GetAxialOffset, &TQXBmpSlider::SetAxialOffset));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxbmpslider.sbmpslislidersteps", "Schritte Schieber"),
                   A::Int(&TQXBmpSlider::GetSlideSteps, &TQXBmpSlider::SetSlideSteps));
  TEEERealPaar::Add(Tr("uqxbmpslider.sbmpslilimits", "Skalenbereich"),
                    Tr("uqxbmpslider.smin", "Min"), Tr("uqxbmpslider.smax", "Max"),
                    A::Real(&TQXBmpSlider::GetMinScale, &TQXBmpSlider::SetMinScale),
                    A::Real(&TQXBmpSlider::GetMaxScale, &TQXBmpSlider::SetMaxScale));
  TEEEIntFeld::Add(cap::Decimals(), A::Int(&TQXBmpSlider::GetDecimals, &TQXBmpSlider::SetDecimals));
  TEEEAuswahlFeld::Add(cap::FixedDecimals(), QString(),
                       A::Bool(&TQXBmpSlider::GetFixedDecimals, &TQXBmpSlider::SetFixedDecimals));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXBmpSlider::GetFont, &TQXBmpSlider::SetFont));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      120, Tr("uqxbmpslider.sbmpslidescr",
              "Bitmap-Instrumente erhalten ihre Gestalt aus den Bilddateien und nehmen die "
              "Gr\xC3\xB6\xC3\x9F"
              "e des Bildes an.\n"
              "Der Schieberegler sendet seine Einstellung als Zahl (\"F\"), wenn die Maustaste "
              "losgelassen wird."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

void TQXBmpSlider::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXBmpSlider>("QXBmpSlider",
                                     [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXBmpSlider::GetShowDenom, &TQXBmpSlider::SetShowDenom);
  b.Bool("showSource", &TQXBmpSlider::GetShowSource, &TQXBmpSlider::SetShowSource);
  b.IntXY("position", &TQXElement::GetLeft, &TQXElement::SetLeft, &TQXElement::GetTop,
          &TQXElement::SetTop);
  b.Enum("orientation", {"horz", "vert"}, &TQXBmpSlider::GetIsVert, &TQXBmpSlider::SetIsVert);
  for (int32_t i = 1; i <= 4; ++i)
    b.String("fileImage" + std::to_string(i), &TQXBmpSlider::GetFile, &TQXBmpSlider::SetFile)
        .SetIndex(i);
  b.Int("endOffset1", &TQXBmpSlider::GetEndOffset1, &TQXBmpSlider::SetEndOffset1);
  b.Int("endOffset2", &TQXBmpSlider::GetEndOffset2, &TQXBmpSlider::SetEndOffset2);
  b.Int("axialOffset", &TQXBmpSlider::GetAxialOffset, &TQXBmpSlider::SetAxialOffset);
  b.Int("slideSteps", &TQXBmpSlider::GetSlideSteps, &TQXBmpSlider::SetSlideSteps);
  b.Real("minScale", &TQXBmpSlider::GetMinScale, &TQXBmpSlider::SetMinScale);
  b.Real("maxScale", &TQXBmpSlider::GetMaxScale, &TQXBmpSlider::SetMaxScale);
  b.Int("decimal", &TQXBmpSlider::GetDecimals, &TQXBmpSlider::SetDecimals);
  b.Bool("fixedDecimal", &TQXBmpSlider::GetFixedDecimals, &TQXBmpSlider::SetFixedDecimals);
  b.Font("font", &TQXBmpSlider::GetFont, &TQXBmpSlider::SetFont);
  KeysFrame(b);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
