#include "instruments/uQXled.h"

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "instruments/uElementLabels.h"

namespace qx {

const TFLSet* TQXled::ClassSet = nullptr;

int32_t ValueToIndex(double value, int32_t count) {
  const double v = value - 0.000001;
  for (int32_t i = 0; i < count; ++i)
    if (v < i) return i;
  return count;
}

std::string NameSourceCaption(bool showDenom, bool showSource, std::string_view denom,
                              std::string_view source) {
  std::string c;
  if (showDenom) c += denom;
  if (showSource) {
    c += '=';
    c += source;
  }
  return c;
}

TQXled::TQXled(QWidget* owner) : TQXElement(owner) {
  ClassId = 9;
  TypeName = "QXLed";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  InUpdateList = true;
  label_ = MakeElementLabel(this, Qt::AlignCenter);
  SetLabelFont(label_, GetFont());
  TQXElement::SetBckGndColor(Colors[0]);
  resize(50, 50);
  PanelResize();
}

TQXled* TQXled::ElemCreate() {
  return new TQXled(CurrentCanvas());
}

void TQXled::UpdateDisplay() {
  TQXElement::UpdateDisplay();
  const TColor c = Colors[static_cast<size_t>(ValueToIndex(GetValue(), ColorQty))];
  if (c != GetBckGndColor()) TQXElement::SetBckGndColor(c);
}

void TQXled::UpdateCaption() {
  label_->setText(QString::fromStdString(NameSourceCaption(ShowDenom, ShowSource, Denom, Source)));
}

void TQXled::PanelResize() {
  const int f = FrameWidth;
  label_->setGeometry(f, f, std::max(0, width() - 2 * f), std::max(0, height() - 2 * f));
}

int32_t TQXled::GetColorQty() const {
  UpdateColorRows();
  return ColorQty;
}

void TQXled::SetColorQty(int32_t value) {
  // Which colour keys are written follows ColorQty (see InitFileSet).
  LimitInt(value, 1, kMaxColors);
  ColorQty = value;
  UpdateColorRows();
  FollowEditFrame();
}

TColor TQXled::GetColor(int32_t index) const {
  if (index < 0 || index > kMaxColors) return 0;
  return Colors[static_cast<size_t>(index)];
}

void TQXled::SetColor(int32_t index, TColor value) {
  if (index < 0 || index > kMaxColors) return;
  Colors[static_cast<size_t>(index)] = value;
  // The LED takes the colour at once, in edit mode as in a run.
  SetValue(GetValue());
  UpdateDisplay();
  FollowEditFrame();
}

void TQXled::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXled::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

TFontDesc TQXled::GetFont() const {
  return QFontToFontDesc(label_->font(), fontColor_);
}

void TQXled::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  SetLabelFont(label_, value);
  FollowEditFrame();
}

// ---- property listing ----------------------------------------------------------

QPointer<TEEListing> TQXled::Listing;

namespace {
// The light-colour rows, index 1..10 at 0..9.
std::array<QPointer<TEEEintrag>, TQXled::kMaxColors> LedColorRows;
}  // namespace

void TQXled::UpdateColorRows() const {
  if (!Listing || TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  for (int32_t i = 2; i <= kMaxColors; ++i)
    if (TEEEintrag* row = LedColorRows[static_cast<size_t>(i - 1)]) row->setVisible(i <= ColorQty);
  Listing->Arrange();
}

void TQXled::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXled>(Listing);
  using A = TEEAccessors<TQXled>;
  TEEETitelActive::Add(Tr("uqxled.sledtitel", "LED-Anzeige"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXled::GetShowDenom, &TQXled::SetShowDenom));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXled::GetShowSource, &TQXled::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxled.scolorqty", "Anzahl Farben"),
                   A::Int(&TQXled::GetColorQty, &TQXled::SetColorQty));
  // All colour rows share the indexed accessors; each row carries its index.
  const auto colors = A::Color(&TQXled::GetColor, &TQXled::SetColor);
  TEEEFarbe* night = TEEEFarbe::Add(Tr("uqxled.snightcolor", "Nachtfarbe") + " (=0)", colors);
  night->HasIndex = true;
  night->Index = 0;
  for (int32_t i = 1; i <= kMaxColors; ++i) {
    TEEEFarbe* row =
        TEEEFarbe::Add(Tr("uqxled.slightcolor", "LeuchtFarbe") + QString(" (=%1)").arg(i), colors);
    row->HasIndex = true;
    row->Index = i;
    LedColorRows[static_cast<size_t>(i - 1)] = row;
    if (building && i >= 2) row->hide();
  }
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXled::GetFont, &TQXled::SetFont));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      160, Tr("uqxled.sleddescr",
              "Eine einzelne LED mit bis zu 10 Leuchtfarben. Der Eingang w\xC3\xA4"
              "hlt die Farbe \xC3\xBC"
              "ber ihren Index: 0 zeigt die Nachtfarbe, 1 die Leuchtfarbe 1 und so weiter. "
              "Zwischenwerte werden aufgerundet.\nBeispiel: Eingang \"#5\", Befehl \"#5F1;\" "
              "zeigt die Leuchtfarbe 1."));
  TEEListing::End(Listing);
}

void TQXled::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXled>("QXLED", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXled::GetShowDenom, &TQXled::SetShowDenom);
  b.Bool("showSource", &TQXled::GetShowSource, &TQXled::SetShowSource);
  KeysPositionSize(b);
  b.Int("colorQty", &TQXled::GetColorQty, &TQXled::SetColorQty);
  b.Color("ledOff", &TQXled::GetColor, &TQXled::SetColor).SetIndex(0);
  for (int32_t i = 1; i <= kMaxColors; ++i) {
    auto& e = b.Color("ledColor" + std::to_string(i), &TQXled::GetColor, &TQXled::SetColor);
    e.SetIndex(i);
    b.ActiveWhen(e, [](TQXled& led, int32_t index) { return index <= led.ColorQty; });
  }
  b.Font("font", &TQXled::GetFont, &TQXled::SetFont);
  KeysFrame(b);
  ClassSet = &b.Set();
}

}  // namespace qx
