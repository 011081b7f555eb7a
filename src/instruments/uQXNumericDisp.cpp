#include "instruments/uQXNumericDisp.h"

#include <QPainter>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "editing/uSheet.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "foundation/uStrSearch.h"
#include "instruments/uElementLabels.h"
#include "widgets/uLangStrings.h"

namespace qx {

const TFLSet* TQXNumericDisp::ClassSet = nullptr;

std::string NumericDisplayText(double value, int32_t decimals, bool fixed, bool showUnit,
                               std::string_view unit) {
  std::string t = LimitDecimals(FloatToText(value), decimals, fixed);
  if (showUnit) t += unit;
  return t;
}

TQXNumericDisp::TQXNumericDisp(QWidget* owner)
    : TQXElement(owner),
      value_(*this, Qt::AlignRight | Qt::AlignVCenter),
      // The caption stays while the value changes on every tick.
      caption_(*this, Qt::AlignLeft | Qt::AlignVCenter, false, true) {
  ClassId = 2;
  TypeName = "QXNumericDisp";
  // Cut where it shows: the sign and leading digits stay in sight.
  value_.SetElide(Qt::ElideRight);
  caption_.SetElide(Qt::ElideRight);
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  InUpdateList = true;
  PaintsWholeRect = true;  // the base's background
  value_.SetText("0");
  resize(200, 40);
  SetValue(0.0);
  UpdateDisplay();
  PanelResize();
}

TQXNumericDisp* TQXNumericDisp::ElemCreate() {
  return new TQXNumericDisp(CurrentCanvas());
}

void TQXNumericDisp::UpdateDisplay() {
  TQXElement::UpdateDisplay();
  if (!ValueIsNumber.load()) return;
  if (value_.SetText(QString::fromStdString(
          NumericDisplayText(GetValue(), Decimals, FixedDecimal, ShowUnit, Unit)))) {
    // A wider value may need room the caption gives up.
    if (CaptionLineStale(caption_, value_)) PanelResize();
    RepaintPart(value_.geometry());
  }
}

void TQXNumericDisp::ResetValue() {
  SetValue(0.0);
  UpdateDisplay();
}

void TQXNumericDisp::UpdateCaption() {
  std::string c;
  if (ShowName && !Denom.empty()) c += Denom + "=";
  if (ShowSource && !Source.empty()) c += Source + "=";
  if (caption_.SetText(QString::fromStdString(c))) update(caption_.geometry());
  PanelResize();
}

void TQXNumericDisp::PanelResize() {
  const int w = width(), h = height(), f = FrameWidth;
  const TCaptionSpans s = LayOutCaptionLine({f + 3, f - 3, w - f - 3, 0}, caption_.text(),
                                            caption_.font(), value_.text(), value_.font());
  const QRect oldCaption = caption_.geometry(), oldValue = value_.geometry();
  if (caption_.SetGeometry(QRect(f + 3, f, s.CaptionWidth, h - 2 * f)))
    update(oldCaption | caption_.geometry());
  if (value_.SetGeometry(QRect(s.ValueLeft, f, s.ValueWidth, h - 2 * f)))
    update(oldValue | value_.geometry());
}

void TQXNumericDisp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintFrame(p);
  const QPalette pal = TElementText::Palette(*this);
  value_.Paint(p, *this, pal);
  caption_.Paint(p, *this, pal);
}

void TQXNumericDisp::SetDecimals(int32_t value) {
  LimitInt(value, 0, 20);
  Decimals = value;
  SetValue(GetValue());
  UpdateDisplay();
  FollowEditFrame();
}

void TQXNumericDisp::SetFixedDecimal(bool value) {
  FixedDecimal = value;
  UpdateDisplay();
  FollowEditFrame();
}

void TQXNumericDisp::SetUnit(const std::string& value) {
  Unit = Utf8Left(value, 10);
  UpdateDisplay();
  FollowEditFrame();
}

void TQXNumericDisp::SetShowUnit(bool value) {
  ShowUnit = value;
  UpdateDisplay();
  FollowEditFrame();
}

void TQXNumericDisp::SetShowName(bool value) {
  ShowName = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXNumericDisp::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

TFontDesc TQXNumericDisp::GetFont() const {
  return QFontToFontDesc(value_.font(), fontColor_);
}

void TQXNumericDisp::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  value_.SetFont(*this, value);
  caption_.SetFont(*this, value);
  update();
  PanelResize();
  FollowEditFrame();
}

void TQXNumericDisp::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXNumericDisp>("QXNUMERICDISP",
                                       [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.String("unit", &TQXNumericDisp::GetUnit, &TQXNumericDisp::SetUnit);
  KeysPositionSize(b);
  b.Bool("showName", &TQXNumericDisp::GetShowName, &TQXNumericDisp::SetShowName);
  b.Bool("showSource", &TQXNumericDisp::GetShowSource, &TQXNumericDisp::SetShowSource);
  b.Bool("showUnit", &TQXNumericDisp::GetShowUnit, &TQXNumericDisp::SetShowUnit);
  b.Int("decimal", &TQXNumericDisp::GetDecimals, &TQXNumericDisp::SetDecimals);
  b.Bool("fixedDecimal", &TQXNumericDisp::GetFixedDecimal, &TQXNumericDisp::SetFixedDecimal);
  b.Font("font", &TQXNumericDisp::GetFont, &TQXNumericDisp::SetFont);
  KeyBckGndColor(b);
  KeysFrame(b);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXNumericDisp::Listing;

void TQXNumericDisp::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXNumericDisp>(Listing);
  using A = TEEAccessors<TQXNumericDisp>;
  TEEETitelActive::Add(Tr("uqxnumericdisp.snumititel", "Numerische Digitalanzeige"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXNumericDisp::GetShowName, &TQXNumericDisp::SetShowName));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXNumericDisp::GetShowSource, &TQXNumericDisp::SetShowSource));
  TEEEZeichenUAuswahl::Add(cap::Unit(), cap::Show(),
                           A::Text(&TQXNumericDisp::GetUnit, &TQXNumericDisp::SetUnit),
                           A::Bool(&TQXNumericDisp::GetShowUnit, &TQXNumericDisp::SetShowUnit));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEIntFeld::Add(cap::Decimals(),
                   A::Int(&TQXNumericDisp::GetDecimals, &TQXNumericDisp::SetDecimals));
  TEEEAuswahlFeld::Add(cap::FixedDecimals(), QString(),
                       A::Bool(&TQXNumericDisp::GetFixedDecimal, &TQXNumericDisp::SetFixedDecimal));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXNumericDisp::GetFont, &TQXNumericDisp::SetFont));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      140, Tr("uqxnumericdisp.snumidescr",
              "Das Instrument zeigt die Zahl an, die mit der im Eingang definierten Formel "
              "berechnet wird. Eingangswerte m\xC3\xBC"
              "ssen als Zahl (\"F\") formatiert sein.\nBeispiel: Eingang \"#5+1\", Befehl "
              "\"#5F12,3;\" zeigt \"13,3\"."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

}  // namespace qx
