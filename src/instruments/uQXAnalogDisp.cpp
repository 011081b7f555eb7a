#include "instruments/uQXAnalogDisp.h"

#include <algorithm>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "foundation/uStrSearch.h"
#include "instruments/uElementLabels.h"
#include "instruments/uQXNumericDisp.h"

namespace qx {

const TFLSet* TQXAnalogDisp::ClassSet = nullptr;

std::vector<TScaleLabelSlot> PlaceScaleLabels(
    int32_t count, int32_t p0, int32_t span, int32_t spacing, bool vertical, double minScale,
    double maxScale, const std::function<std::string(double)>& text,
    const std::function<int32_t(const std::string&)>& width, int32_t textHeight) {
  std::vector<TScaleLabelSlot> spots(static_cast<size_t>(std::max(count, 0)));
  if (spots.empty()) return spots;
  spots[0] = {p0, text(minScale), true};
  if (spots.size() == 1 || spacing <= 0) return spots;
  const double step = (maxScale - minScale) / spacing;
  double value = minScale;
  size_t last = 0;
  int32_t lastWidth = width(spots[0].Text);
  TScaleLabelSlot computed;
  for (size_t i = 1; i < spots.size(); ++i) {
    value += step;  // accumulated, as the labels always were
    const auto offset = static_cast<int32_t>(static_cast<int64_t>(i) * span / spacing);
    computed = {vertical ? p0 - offset : p0 + offset, text(value), true};
    const int32_t w = width(computed.Text);
    const bool clears = vertical ? textHeight < spots[last].Pos - computed.Pos
                                 : (lastWidth + w + 10) / 2 < computed.Pos - spots[last].Pos;
    if (!clears) continue;
    spots[i] = computed;
    last = i;
    lastWidth = w;
  }
  // The high end keeps its label: it replaces the last one that fitted.
  if (last != spots.size() - 1 && last != 0) {
    spots[last].Placed = false;
    spots.back() = computed;
  }
  return spots;
}

std::string AnalogNameText(bool showName, std::string_view denom, bool showUnit,
                           std::string_view unit, bool showNumeric, bool showSource,
                           std::string_view sourcePrefix, std::string_view source) {
  std::string t;
  if (showName) t += denom;
  // With the value shown, the unit follows the number instead.
  if (showUnit && !unit.empty() && !showNumeric) {
    t += " in ";
    t += unit;
  }
  if (showSource) {
    t += sourcePrefix;
    t += source;
  }
  if (showNumeric && (showName || showSource)) t += '=';
  return t;
}

namespace {

QLabel* NewLabel(QWidget* parent, Qt::Alignment alignment) {
  QLabel* l = MakeElementLabel(parent, alignment | Qt::AlignVCenter, Qt::ElideRight);
  l->setFont(QFont());  // the application's label font
  l->setGeometry(8, 8, std::max(0, parent->width() - 16), std::max(0, parent->height() - 16));
  l->hide();
  return l;
}

// A name and its value on one line; a line without its value lets the name
// run to the frame.
void LayOutNameLine(QLabel* name, QLabel* num, int32_t top, int32_t nameHeight, int32_t numHeight,
                    int32_t w, int32_t fw) {
  const int32_t left = fw + 5;
  const bool value = !num->isHidden();
  const TCaptionSpans s =
      LayOutCaptionLine({left, left, value ? w - fw - 5 : w - fw, 0}, name->text(), name->font(),
                        value ? num->text() : QString(), num->font());
  num->setGeometry(s.ValueLeft, top, s.ValueWidth, numHeight);
  name->setGeometry(left, top, s.CaptionWidth, nameHeight);
}

// After a new value: the name may have to give it more room, or may take
// back what it gave.
void FitNameLine(QLabel* name, QLabel* num, int32_t w, int32_t fw) {
  if (CaptionLineStale(name, num))
    LayOutNameLine(name, num, name->y(), name->height(), num->height(), w, fw);
}

}  // namespace

TQXAnalogDisp::TQXAnalogDisp(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 1;
  TypeName = "QXAnalogDisp";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  InUpdateList = true;
  OutElement = new TQXElement(this);
  OutElement->IsSubElement = true;
  OutElement->InUpdateList = false;
  OutElement->ChannelRole = RoleOutput;
  OutElement->TypeName = "QXAnalogOut";
  OutElement->hide();
  Gauge = new TAnalogDisp(this, this);
  Gauge->show();
  NameLabelIn = NewLabel(this, Qt::AlignLeft);
  NameLabelOut = NewLabel(this, Qt::AlignLeft);
  NumLabelIn = NewLabel(this, Qt::AlignRight);
  NumLabelOut = NewLabel(this, Qt::AlignRight);
  NumLabelIn->setText("0");
  NumLabelOut->setText("0");
  SetBckGndColor(0xF0F0F0);
  RebuildScaleLabels();  // before the first layout
  resize(200, 40);
  UpdateLabels();
  PanelResize();
}

TQXAnalogDisp::~TQXAnalogDisp() {
  delete OutElement;
}

TQXAnalogDisp* TQXAnalogDisp::ElemCreate() {
  return new TQXAnalogDisp(CurrentCanvas());
}

double TQXAnalogDisp::FractionToValue(double f) const {
  return MinScale + (MaxScale - MinScale) * f;
}

double TQXAnalogDisp::SentFraction() const {
  return ValueToFraction(OutElement->GetValue());
}

std::string TQXAnalogDisp::ValueText(double value, bool withUnit) const {
  return NumericDisplayText(value, Decimal, FixedDecimal, withUnit && ShowUnit, UnitText);
}

void TQXAnalogDisp::ShowSliderValue(double value) {
  if (!ShowNumeric) return;
  NumLabelOut->setText(QString::fromStdString(ValueText(value, true)));
  FitNameLine(NameLabelOut, NumLabelOut, width(), FrameWidth);
}

void TQXAnalogDisp::SendSliderValue() {
  const double value = FractionToValue(Gauge->SliderPos);
  OutElement->StoreValue(value);
  std::string payload(1, 'F');  // no temporary: GCC warns falsely about one
  payload += FloatToDisplayText(value);
  SendPayload(payload, OutElement);
}

void TQXAnalogDisp::UpdateDisplay() {
  TQXAnimElement::UpdateDisplay();
  if (!ValueIsNumber.load()) return;
  ShowNeedle();
  if (ShowNumeric) UpdateNumericIn();
}

void TQXAnalogDisp::ShowNeedle() {
  Gauge->SetNeedlePos(ValueToFraction(GetValue()));
}

void TQXAnalogDisp::ResetValue() {
  StoreValue(0.0);
  ValueIsNumber = true;  // a text received earlier must not keep the reset from showing
  UpdateDisplay();
}

void TQXAnalogDisp::UpdateCaption() {
  UpdateLabels();
  PanelResize();
}

void TQXAnalogDisp::ShowCompileState() {
  if (IsSubElement) return;
  const TColor c = InOutCompileColor(Gauge->Mode, Disabled, SourceValid, SourceEmpty,
                                     OutElement->SourceValid, OutElement->SourceEmpty);
  // The base colours the frame from these two flags: hand it the combined state.
  const bool valid = SourceValid, empty = SourceEmpty;
  SourceValid = c == kCompiledColor;
  SourceEmpty = c == kEmptyColor;
  TQXAnimElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

void TQXAnalogDisp::UpdateNumericIn() {
  if (ShowNumeric && Gauge->Mode != TAnalogDisp::ModeOut) {
    NumLabelIn->setText(QString::fromStdString(ValueText(GetValue(), true)));
    FitNameLine(NameLabelIn, NumLabelIn, width(), FrameWidth);
  }
}

void TQXAnalogDisp::UpdateNumericOut() {
  if (ShowNumeric && Gauge->Mode != TAnalogDisp::ModeIn) {
    NumLabelOut->setText(QString::fromStdString(ValueText(OutElement->GetValue(), true)));
    FitNameLine(NameLabelOut, NumLabelOut, width(), FrameWidth);
  }
}

void TQXAnalogDisp::UpdateNameCaptions() {
  if (Gauge->Mode != TAnalogDisp::ModeOut)
    NameLabelIn->setText(QString::fromStdString(
        AnalogNameText(ShowName, Denom, ShowUnit, UnitText, ShowNumeric, ShowSource, "=", Source)));
  if (Gauge->Mode != TAnalogDisp::ModeIn)
    NameLabelOut->setText(QString::fromStdString(
        AnalogNameText(ShowOutName, OutElement->Denom, ShowUnit, UnitText, ShowNumeric,
                       ShowOutSource, "->", OutElement->Source)));
}

void TQXAnalogDisp::UpdateLabels() {
  UpdateNumericIn();
  UpdateNumericOut();
  UpdateNameCaptions();
  const int32_t mode = Gauge->Mode;
  const bool inLine = ShowName || ShowUnit || ShowSource || ShowNumeric;
  bool nameIn = false, nameOut = false;
  switch (mode) {
    case TAnalogDisp::ModeIn:
      nameIn = inLine;
      break;
    case TAnalogDisp::ModeOut:
      nameOut = ShowOutName || ShowUnit || ShowOutSource || ShowNumeric;
      break;
    default:
      nameIn = inLine;
      nameOut = ShowOutName || ShowOutSource || ShowNumeric;
      break;
  }
  const int32_t h = TextHeightOf(NameLabelIn->font());
  numHeight_ = h;
  nameInHeight_ = nameIn ? h : 0;
  nameOutHeight_ = nameOut ? h : 0;
  NameLabelIn->setVisible(nameIn);
  NameLabelOut->setVisible(nameOut);
  NumLabelIn->setVisible(ShowNumeric && mode != TAnalogDisp::ModeOut);
  NumLabelOut->setVisible(ShowNumeric && mode != TAnalogDisp::ModeIn);
  LabelsHeight = nameInHeight_ + nameOutHeight_;
  ScaleLabelHeight = ScaleLabeling ? TextHeightOf(ScaleLabels.front()->font()) : 0;
}

void TQXAnalogDisp::RebuildScaleLabels() {
  const size_t count = static_cast<size_t>(std::max(Gauge->Spacing, 0)) + 1;
  while (ScaleLabels.size() > count) {
    delete ScaleLabels.back();
    ScaleLabels.pop_back();
  }
  while (ScaleLabels.size() < count) {
    QLabel* l = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
    l->move(0, ScaleLabelTop);
    l->hide();
    ScaleLabels.push_back(l);
  }
  for (QLabel* l : ScaleLabels) {
    l->setFont(NameLabelIn->font());
    l->setPalette(NameLabelIn->palette());
  }
}

void TQXAnalogDisp::PlaceLabels(int32_t p0, int32_t span) {
  const QFont font = ScaleLabels.front()->font();
  const int32_t th = TextHeightOf(font);
  const auto spots = PlaceScaleLabels(
      static_cast<int32_t>(ScaleLabels.size()), p0, span, Gauge->Spacing, Gauge->Vertical, MinScale,
      MaxScale, [this](double v) { return ValueText(v, false); },
      [&font](const std::string& t) { return TextWidthOf(t, font); }, th);
  MaxScaleLabelWidth = 0;
  for (size_t i = 0; i < spots.size(); ++i) {
    QLabel* l = ScaleLabels[i];
    if (!spots[i].Placed) {
      l->hide();
      continue;
    }
    const int32_t w = TextWidthOf(spots[i].Text, font);
    l->setText(QString::fromStdString(spots[i].Text));
    if (Gauge->Vertical)
      l->setGeometry(l->x(), spots[i].Pos - th / 2, w, th);
    else
      l->setGeometry(spots[i].Pos - w / 2, l->y(), w, th);
    l->setVisible(ScaleLabeling);
    if (i == 0 || ScaleLabeling) MaxScaleLabelWidth = std::max(MaxScaleLabelWidth, w);
  }
}

void TQXAnalogDisp::PanelResize() {
  const int32_t w = width(), h = height(), fw = FrameWidth;
  const int32_t topIn = fw + 3, topOut = topIn + nameInHeight_;
  LayOutNameLine(NameLabelIn, NumLabelIn, topIn, nameInHeight_, numHeight_, w, fw);
  LayOutNameLine(NameLabelOut, NumLabelOut, topOut, nameOutHeight_, numHeight_, w, fw);

  const int32_t gaugeTop = fw + (LabelsHeight != 0 ? LabelsHeight + 5 : 0);
  int32_t gw = 0, gh = 0;
  if (Gauge->Vertical) {
    gh = std::max(0, h - gaugeTop - fw);
    Gauge->ScaleStart = gh / 8;
    Gauge->ScaleEnd = gh * 7 / 8;
    PlaceLabels(gaugeTop + Gauge->ScaleEnd, Gauge->ScaleEnd - Gauge->ScaleStart);
    gw = std::max(0, ScaleLabeling ? w - 2 * fw - MaxScaleLabelWidth - 5 : w - 2 * fw);
    ScaleLabelLeft = gw + fw + 2;
    for (QLabel* l : ScaleLabels) l->move(ScaleLabelLeft, l->y());
  } else {
    gw = std::max(0, w - 2 * fw);
    Gauge->ScaleStart = gw / 8;
    Gauge->ScaleEnd = gw * 7 / 8;
    PlaceLabels(Gauge->ScaleStart + fw, Gauge->ScaleEnd - Gauge->ScaleStart);
    gh = h - gaugeTop - fw;
    if (ScaleLabelHeight >= 1) gh -= ScaleLabelHeight;
    gh = std::max(0, gh);
    ScaleLabelTop = gaugeTop + gh;
    for (QLabel* l : ScaleLabels) l->move(l->x(), ScaleLabelTop);
  }
  Gauge->setGeometry(fw, gaugeTop, gw, gh);
  Gauge->update();
}

void TQXAnalogDisp::SaveGaugeSize() {
  savedGaugeWidth_ = Gauge->width();
  savedGaugeHeight_ = Gauge->height();
}

void TQXAnalogDisp::RestoreGaugeSize() {
  const QSize before = size();
  // A project being read sets the size itself, later in the block.
  if (!(FileLoad && FileLoad->Loading())) {
    for (int pass = 0; pass < 2; ++pass) {
      if (Gauge->size() == QSize(savedGaugeWidth_, savedGaugeHeight_)) break;
      setGeometry(x(), y(), std::max(0, width() - Gauge->width() + savedGaugeWidth_),
                  std::max(0, height() - Gauge->height() + savedGaugeHeight_));
      PanelResize();  // a hidden sheet delivers no resize event yet
    }
  }
  FollowEditFrame();
  TEditPanel::UpdateSelection();
  // The listing's size row shows the new size.
  if (size() != before) TPropertyEditor::RefreshListing();
}

void TQXAnalogDisp::RepaintGauge() {
  Gauge->update();
  FollowEditFrame();
}

void TQXAnalogDisp::SetShowFlag(bool& flag, bool value) {
  flag = value;
  SaveGaugeSize();
  UpdateLabels();
  PanelResize();
  RestoreGaugeSize();
}

void TQXAnalogDisp::SetOutDenom(const std::string& value) {
  OutElement->SetDenom(value);
  UpdateCaption();
  FollowEditFrame();
}

void TQXAnalogDisp::SetOutSource(const std::string& value) {
  OutElement->SetSource(value);
  SourceChanged();
  FollowEditFrame();
}

void TQXAnalogDisp::SetUnit(const std::string& value) {
  UnitText = Utf8Left(value, 10);
  UpdateLabels();
  PanelResize();
  FollowEditFrame();
}

void TQXAnalogDisp::SetScaleLabeling(bool value) {
  ScaleLabeling = value;
  SaveGaugeSize();
  RebuildScaleLabels();
  UpdateLabels();
  PanelResize();
  RestoreGaugeSize();
}

int32_t TQXAnalogDisp::GetMode() const {
  UpdateModeRows();
  return Gauge->Mode;
}

void TQXAnalogDisp::SetMode(int32_t value) {
  if (value < TAnalogDisp::ModeIn || value > TAnalogDisp::ModeInOut) return;
  Gauge->Mode = value;
  Gauge->Dragging = false;
  SaveGaugeSize();
  UpdateLabels();
  PanelResize();
  RestoreGaugeSize();
  UpdateModeRows();
}

void TQXAnalogDisp::SetOrientation(int32_t value) {
  if (value < 0 || value > 1) return;
  const bool vertical = value == 1;
  // Only a real change turns the gauge: the same orientation again would
  // swap its width and height.
  if (vertical == Gauge->Vertical) {
    FollowEditFrame();
    return;
  }
  savedGaugeWidth_ = Gauge->height();
  savedGaugeHeight_ = Gauge->width();
  Gauge->Vertical = vertical;
  Gauge->Dragging = false;
  if (!(FileLoad && FileLoad->Loading())) {
    const int32_t fw = FrameWidth;
    if (vertical)
      setGeometry(x(), y(), 2 * fw + savedGaugeWidth_ + MaxScaleLabelWidth,
                  2 * fw + LabelsHeight + savedGaugeHeight_);
    else
      setGeometry(x(), y(), 2 * fw + savedGaugeWidth_,
                  2 * fw + LabelsHeight + savedGaugeHeight_ + ScaleLabelHeight);
  }
  UpdateLabels();
  PanelResize();
  RestoreGaugeSize();
  TPropertyEditor::RefreshListing();
}

void TQXAnalogDisp::SetDecimal(int32_t value) {
  LimitInt(value, 0, 20);
  Decimal = value;
  UpdateLabels();
  PanelResize();
  FollowEditFrame();
}

void TQXAnalogDisp::SetFixedDecimal(bool value) {
  FixedDecimal = value;
  UpdateLabels();
  PanelResize();
  FollowEditFrame();
}

void TQXAnalogDisp::SetMinScale(double value) {
  MinScale = value;
  PanelResize();
  SetValue(GetValue());  // the value label follows at the next display refresh
  // The needle at once: a loaded project and the Edit page see no refresh.
  ShowNeedle();
  RepaintGauge();
}

void TQXAnalogDisp::SetMaxScale(double value) {
  MaxScale = value;
  PanelResize();
  SetValue(GetValue());
  ShowNeedle();
  RepaintGauge();
}

void TQXAnalogDisp::SetSpacing(int32_t value) {
  Gauge->Spacing = value;
  RebuildScaleLabels();
  PanelResize();
  RepaintGauge();
}

void TQXAnalogDisp::SetSubSpacing(int32_t value) {
  Gauge->SubSpacing = value;
  RepaintGauge();
}

void TQXAnalogDisp::SetThickness(double value) {
  Gauge->Thickness = value;
  RepaintGauge();
}

void TQXAnalogDisp::SetSubThickness(double value) {
  Gauge->SubThickness = value;
  RepaintGauge();
}

void TQXAnalogDisp::SetSlideSteps(int32_t value) {
  Gauge->SlideSteps = value;
  FollowEditFrame();
}

TFontDesc TQXAnalogDisp::GetFont() const {
  return QFontToFontDesc(NameLabelIn->font(), fontColor_);
}

void TQXAnalogDisp::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  for (QLabel* l : {NameLabelIn, NameLabelOut, NumLabelIn, NumLabelOut}) SetLabelFont(l, value);
  RebuildScaleLabels();
  UpdateLabels();
  PanelResize();
  PanelResize();
  FollowEditFrame();
}

void TQXAnalogDisp::SetScaleBckGndColor(TColor value) {
  Gauge->ScaleBckGndColor = value;
  RepaintGauge();
}

void TQXAnalogDisp::SetNeedleColor(TColor value) {
  Gauge->NeedleColor = value;
  RepaintGauge();
}

void TQXAnalogDisp::SetScaleColor(TColor value) {
  Gauge->ScaleColor = value;
  RepaintGauge();
}

// ---- property listing ----------------------------------------------------------

QPointer<TEEListing> TQXAnalogDisp::Listing;

namespace {
// The rows that depend on the mode.
struct TAnalogModeRows {
  QPointer<TEEEintrag> NameIn, NameOut, SourceIn, SourceOut;
  QPointer<TEEEIntFeld> SlideSteps;
};
TAnalogModeRows AnalogRows;
}  // namespace

void TQXAnalogDisp::UpdateModeRows() const {
  if (!Listing || TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  const TAnalogModeRows& r = AnalogRows;
  const bool in = Gauge->Mode != TAnalogDisp::ModeOut;
  const bool out = Gauge->Mode != TAnalogDisp::ModeIn;
  for (TEEEintrag* row : {r.NameIn.data(), r.SourceIn.data()})
    if (row) row->setVisible(in);
  for (TEEEintrag* row : {r.NameOut.data(), r.SourceOut.data()})
    if (row) row->setVisible(out);
  // Its own controls, not the row: the title switch enables the rows.
  if (r.SlideSteps) {
    r.SlideSteps->Label->setEnabled(out);
    r.SlideSteps->Edit->setEnabled(out);
  }
  Listing->Arrange();
}

void TQXAnalogDisp::InitListing() {
  using C = TQXAnalogDisp;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<C>(Listing);
  using A = TEEAccessors<C>;
  TAnalogModeRows& r = AnalogRows;
  TEEETitelActive::Add(Tr("uqxanalogdisp.sanatitel", "Analoganzeige/-schieber"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  r.NameIn = TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                                      A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                                      A::Bool(&C::GetShowName, &C::SetShowName));
  r.NameOut = TEEEZeichenUAuswahl::Add(cap::NameOutput(), cap::Show(),
                                       A::Text(&C::GetOutDenom, &C::SetOutDenom),
                                       A::Bool(&C::GetShowOutName, &C::SetShowOutName));
  r.SourceIn = TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                                        A::Bool(&C::GetShowSource, &C::SetShowSource));
  r.SourceOut = TEEEAusgangUAuswahl::Add(A::Text(&C::GetOutSource, &C::SetOutSource),
                                         A::Bool(&C::GetShowOutSource, &C::SetShowOutSource));
  TEEEZeichenUAuswahl::Add(cap::Unit(), cap::Show(), A::Text(&C::GetUnit, &C::SetUnit),
                           A::Bool(&C::GetShowUnit, &C::SetShowUnit));
  TEEELinie::Add();
  TEEEAuswahlbox::Add(cap::Mode(), {cap::Input(), cap::Output(), cap::InOut()},
                      A::Int(&C::GetMode, &C::SetMode));
  TEEEAuswahlbox::Add(cap::Alignment(), {cap::Horizontal(), cap::Vertical()},
                      A::Int(&C::GetOrientation, &C::SetOrientation));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxanalogdisp.snumeric", "Numerischen Wert"), cap::Show(),
                       A::Bool(&C::GetShowNumeric, &C::SetShowNumeric));
  TEEEAuswahlFeld::Add(Tr("uqxanalogdisp.sscalelabels", "Skalenbeschriftung"), cap::Show(),
                       A::Bool(&C::GetScaleLabeling, &C::SetScaleLabeling));
  TEEEIntFeld::Add(cap::Decimals(), A::Int(&C::GetDecimal, &C::SetDecimal));
  TEEEAuswahlFeld::Add(cap::FixedDecimals(), QString(),
                       A::Bool(&C::GetFixedDecimal, &C::SetFixedDecimal));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEERealPaar::Add(Tr("uqxanalogdisp.sscalerange", "Skalenbereich"),
                    Tr("uqxanalogdisp.smin", "Min"), Tr("uqxanalogdisp.smax", "Max"),
                    A::Real(&C::GetMinScale, &C::SetMinScale),
                    A::Real(&C::GetMaxScale, &C::SetMaxScale));
  TEEELinie::Add();
  TEEEIntDoppel::Add(
      Tr("uqxanalogdisp.sspacing", "Teilung"), Tr("uqxanalogdisp.ssubspacing", "Feinteilung"),
      A::Int(&C::GetSpacing, &C::SetSpacing), A::Int(&C::GetSubSpacing, &C::SetSubSpacing));
  TEEERealDoppel::Add(Tr("uqxanalogdisp.sthickness",
                         "Skalenst\xC3\xA4"
                         "rke"),
                      Tr("uqxanalogdisp.ssubthickness", "Fein"),
                      A::Real(&C::GetThickness, &C::SetThickness),
                      A::Real(&C::GetSubThickness, &C::SetSubThickness));
  TEEELinie::Add();
  r.SlideSteps = TEEEIntFeld::Add(Tr("uqxanalogdisp.sslidesteps", "Schritte Schieber"),
                                  A::Int(&C::GetSlideSteps, &C::SetSlideSteps));
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&C::GetFont, &C::SetFont));
  TEEEFarbe::Add(Tr("uqxanalogdisp.sneedlecolor", "Zeigerfarbe"),
                 A::Color(&C::GetNeedleColor, &C::SetNeedleColor));
  TEEEFarbe::Add(Tr("uqxanalogdisp.sscalecolor", "Skalenfarbe"),
                 A::Color(&C::GetScaleColor, &C::SetScaleColor));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(Tr("uqxanalogdisp.sscalebckgnd", "Skalenhintergrund"),
                 A::Color(&C::GetScaleBckGndColor, &C::SetScaleBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      200, Tr("uqxanalogdisp.sanadescr",
              "Das Instrument zeigt den Wert, der mit der im Eingang definierten Formel "
              "berechnet wird, auf einer analogen Skala an. Im Modus \"Ausgang\" dient es als "
              "Schieber, dessen Wert beim Loslassen gesendet wird, im Modus \"Ein- und "
              "Ausgang\" als beides. Eingangswerte m\xC3\xBC"
              "ssen als Zahl (\"F\") formatiert sein.\nBeispiel: Eingang \"#5\", Befehl "
              "\"#5F42;\" stellt den Zeiger auf 42."));
  TEEListing::End(Listing);
}

void TQXAnalogDisp::InitFileSet(TFLSetList& sets) {
  using C = TQXAnalogDisp;
  auto b = sets.Define<C>("QXANALOGDISP", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.String("outDenom", &C::GetOutDenom, &C::SetOutDenom);
  b.String("source", &TQXElement::GetSource, &TQXElement::SetSource);
  b.String("outSource", &C::GetOutSource, &C::SetOutSource);
  b.String("unit", &C::GetUnit, &C::SetUnit);
  b.Bool("showName", &C::GetShowName, &C::SetShowName);
  b.Bool("showOutName", &C::GetShowOutName, &C::SetShowOutName);
  b.Bool("showSource", &C::GetShowSource, &C::SetShowSource);
  b.Bool("showOutSource", &C::GetShowOutSource, &C::SetShowOutSource);
  b.Bool("showUnit", &C::GetShowUnit, &C::SetShowUnit);
  b.Enum("mode", {"in", "out", "inOut"}, &C::GetMode, &C::SetMode);
  b.Enum("orientation", {"horz", "vert"}, &C::GetOrientation, &C::SetOrientation);
  b.Bool("showNumeric", &C::GetShowNumeric, &C::SetShowNumeric);
  b.Bool("scaleLabeling", &C::GetScaleLabeling, &C::SetScaleLabeling);
  KeysPositionSize(b);
  b.Int("decimal", &C::GetDecimal, &C::SetDecimal);
  b.Bool("fixedDecimal", &C::GetFixedDecimal, &C::SetFixedDecimal);
  b.Real("minScale", &C::GetMinScale, &C::SetMinScale);
  b.Real("maxScale", &C::GetMaxScale, &C::SetMaxScale);
  b.Int("spacing", &C::GetSpacing, &C::SetSpacing);
  b.Int("subspacing", &C::GetSubSpacing, &C::SetSubSpacing);
  b.Real("thickness", &C::GetThickness, &C::SetThickness);
  b.Real("subThickness", &C::GetSubThickness, &C::SetSubThickness);
  b.Int("slideSpacing", &C::GetSlideSteps, &C::SetSlideSteps);
  b.Font("font", &C::GetFont, &C::SetFont);
  KeyBckGndColor(b);
  b.Color("scaleBckGndColor", &C::GetScaleBckGndColor, &C::SetScaleBckGndColor);
  b.Color("needleColor", &C::GetNeedleColor, &C::SetNeedleColor);
  b.Color("scaleColor", &C::GetScaleColor, &C::SetScaleColor);
  KeysFrame(b);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
