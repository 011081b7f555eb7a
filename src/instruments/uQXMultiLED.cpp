#include "instruments/uQXMultiLED.h"

#include <QPainter>
#include <cmath>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "formula/uFunctions.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "instruments/uElementLabels.h"

namespace qx {

namespace {
constexpr TColor kRowColor = 0x11BCEE;
}  // namespace

const TFLSet* TQXMultiLED::ClassSet = nullptr;

uint32_t LedRowValue(double value) {
  int64_t n = 0;
  // The range check comes before any integer conversion.
  if (!TruncToInt64(std::nearbyint(value), n) || n < 0) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(n) & 0xFFFFFFFFu);
}

std::string RoundedValueText(double value) {
  const double r = std::nearbyint(value);
  int64_t n = 0;
  if (TruncToInt64(r, n)) return std::to_string(n);
  return FloatToText(r);
}

std::vector<TLedSpan> LedRowLayout(int32_t width, int32_t bits) {
  std::vector<TLedSpan> spans;
  if (bits <= 0) return spans;
  const int32_t room = std::max(0, width - 2 * (bits - 1));
  const int32_t seg = room / bits;
  int32_t r = room % bits;
  int32_t x = width;  // one past the next column to fill, moving left
  for (int32_t i = 0; i < bits; ++i) {
    int32_t w = seg;
    if (r > 0) {
      ++w;
      --r;
    }
    w = std::min(w, std::max(0, x));
    spans.push_back({x - w, w});
    x -= w;
    if (i < bits - 1) x = std::max(0, x - 2);
  }
  return spans;
}

// ---- TLEDBar -------------------------------------------------------------

TLEDBar::TLEDBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TLEDBar::SetValue(int64_t v) {
  Value = v;
  update();
}

void TLEDBar::paintEvent(QPaintEvent*) {
  const int w = width(), h = height();
  if (w <= 0 || h <= 0) return;
  QPainter p(this);
  // What the LEDs leave are the separators.
  p.fillRect(rect(), ColorToQColor(SeparatorColor));
  const std::vector<TLedSpan> spans = LedRowLayout(w, Bits);
  for (size_t i = 0; i < spans.size(); ++i) {
    const bool on = i < 64 && ((static_cast<uint64_t>(Value) >> i) & 1u) != 0;
    if (spans[i].Width > 0)
      p.fillRect(spans[i].Left, 0, spans[i].Width, h, ColorToQColor(on ? LedColor : LedOffColor));
  }
  // The least significant end: a small square in the bottom right corner.
  p.fillRect(std::max(0, w - 4), std::max(0, h - 4), std::min(4, w), std::min(4, h),
             ColorToQColor(SeparatorColor));
}

// ---- TQXMultiLED ------------------------------------------------------------

TQXMultiLED::TQXMultiLED(QWidget* owner) : TQXElement(owner) {
  ClassId = 17;
  TypeName = "QXMultiLed";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  TQXElement::SetBckGndColor(0xC0C0C0);
  name_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter, Qt::ElideRight);
  value_ = MakeElementLabel(this, Qt::AlignRight | Qt::AlignVCenter, Qt::ElideRight);
  for (QLabel* l : {name_, value_}) l->resize(0, TextHeightOf(l->font()));
  LedBar = new TLEDBar(this);
  LedBar->Bits = 8;
  LedBar->LedColor = kRowColor;
  LedBar->LedOffColor = DimColor(kRowColor, 0.4);
  LedBar->show();
  resize(200, 40);
  PanelResize();
}

TQXMultiLED* TQXMultiLED::ElemCreate() {
  return new TQXMultiLED(CurrentCanvas());
}

void TQXMultiLED::SetValue(double value) {
  TQXElement::SetValue(value);
  PostActivate(0);
}

void TQXMultiLED::Activate(int32_t) {
  const uint32_t v = LedRowValue(GetValue());
  LedBar->SetValue(v);
  value_->setText(ShowValue ? QString::number(v) : QString());
  if (CaptionLineStale(name_, value_)) LayOutLabels();
}

void TQXMultiLED::UpdateCaption() {
  std::string c;
  if (ShowDenom) c += Denom;
  if (ShowSource) c += "=" + Source;
  if (ShowValue && (ShowDenom || ShowSource)) c += "=";
  name_->setText(QString::fromStdString(c));
  value_->setText(ShowValue ? QString::fromStdString(RoundedValueText(GetValue())) : QString());
  PanelResize();
}

void TQXMultiLED::PanelResize() {
  const int f = FrameWidth, lh = name_->height();
  const int top = AnyShown() ? lh + f : f;
  LedBar->setGeometry(f, top, std::max(0, width() - 2 * f), std::max(0, height() - top - f));
  LayOutLabels();
}

void TQXMultiLED::LayOutLabels() {
  const int f = FrameWidth, lh = name_->height();
  const TCaptionSpans s = LayOutCaptionLine({f, f, width() - f - 3, 0}, name_->text(),
                                            name_->font(), value_->text(), value_->font());
  name_->setGeometry(f, f, s.CaptionWidth, lh);
  value_->setGeometry(s.ValueLeft, f, s.ValueWidth, lh);
}

void TQXMultiLED::SetFrameColor(TColor value) {
  TQXElement::SetFrameColor(value);
  if (LedBar->SeparatorColor != value) {
    LedBar->SeparatorColor = value;
    LedBar->update();
  }
  FollowEditFrame();
}

void TQXMultiLED::UpdateShowFlags() {
  // The row moves down under the caption line, or back up, and the element
  // grows or shrinks with it.
  const int lh = name_->height();
  if (AnyShown() && LedBar->y() == FrameWidth)
    SetHeight(height() + lh);
  else if (!AnyShown() && LedBar->y() > FrameWidth)
    SetHeight(height() - lh);
  TPropertyEditor::RefreshListing();  // the size row shows the new height
  UpdateCaption();
  FollowEditFrame();
}

void TQXMultiLED::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateShowFlags();
}

void TQXMultiLED::SetShowSource(bool value) {
  ShowSource = value;
  UpdateShowFlags();
}

void TQXMultiLED::SetShowValue(bool value) {
  ShowValue = value;
  UpdateShowFlags();
}

void TQXMultiLED::SetBits(int32_t value) {
  LimitInt(value, 2, 32);
  if (value != LedBar->Bits) {
    LedBar->Bits = value;
    LedBar->update();
  }
  FollowEditFrame();
}

void TQXMultiLED::SetLedColor(TColor value) {
  LedBar->LedColor = value;
  LedBar->LedOffColor = DimColor(value, 0.4);
  LedBar->update();
  TPropertyEditor::RefreshListing();  // the night colour row shows the new value
  FollowEditFrame();
}

void TQXMultiLED::SetLedOffColor(TColor value) {
  LedBar->LedOffColor = value;
  SetValue(GetValue());  // posts an update
  FollowEditFrame();
}

TFontDesc TQXMultiLED::GetFont() const {
  return QFontToFontDesc(name_->font(), fontColor_);
}

void TQXMultiLED::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  for (QLabel* l : {name_, value_}) {
    SetLabelFont(l, value);
    l->resize(l->width(), TextHeightOf(l->font()));
  }
  UpdateCaption();
  FollowEditFrame();
}

QPointer<TEEListing> TQXMultiLED::Listing;

void TQXMultiLED::InitListing() {
  using C = TQXMultiLED;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<C>(Listing);
  using A = TEEAccessors<C>;
  TEEETitelActive::Add(Tr("uqxmultiled.smledtitel", "LED-Leiste"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&C::GetShowDenom, &C::SetShowDenom));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&C::GetShowSource, &C::SetShowSource));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxmultiled.snumeric", "Numerischen Wert"), cap::Show(),
                       A::Bool(&C::GetShowValue, &C::SetShowValue));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxmultiled.sbits", "Bitbreite"), A::Int(&C::GetBits, &C::SetBits));
  TEEEFarbe::Add(Tr("uqxmultiled.snightcolor", "Nachtfarbe"),
                 A::Color(&C::GetLedOffColor, &C::SetLedOffColor));
  TEEEFarbe::Add(Tr("uqxmultiled.slightcolor", "Leuchtfarbe"),
                 A::Color(&C::GetLedColor, &C::SetLedColor));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&C::GetFont, &C::SetFont));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(), A::Color(&TQXElement::GetFrameColor, &C::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      200, Tr("uqxmultiled.smleddescr",
              "LED-Leiste zur Anzeige von Zahlen im Dualsystem. Die empfangene Zahl wird zu "
              "einer ganzen Zahl gerundet; ihre Dualziffern schalten die LEDs ein oder aus. "
              "Zahlen au\xC3\x9F"
              "erhalb des Bereichs werden in den g\xC3\xBC"
              "ltigen Bereich genommen. Die Bitbreite bestimmt die Anzahl der LEDs.\n"
              "Beispiel: Eingang 5 l\xC3\xA4\xC3\x9F"
              "t die 1. und 3. LED von rechts leuchten."));
  TEEListing::End(Listing);
}

void TQXMultiLED::InitFileSet(TFLSetList& sets) {
  auto b =
      sets.Define<TQXMultiLED>("QXMultiLED", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXMultiLED::GetShowDenom, &TQXMultiLED::SetShowDenom);
  b.Bool("showSource", &TQXMultiLED::GetShowSource, &TQXMultiLED::SetShowSource);
  b.Bool("showValue", &TQXMultiLED::GetShowValue, &TQXMultiLED::SetShowValue);
  KeysPositionSize(b);
  b.Int("bits", &TQXMultiLED::GetBits, &TQXMultiLED::SetBits);
  b.Color("ledColor", &TQXMultiLED::GetLedColor, &TQXMultiLED::SetLedColor);
  b.Color("ledOffColor", &TQXMultiLED::GetLedOffColor, &TQXMultiLED::SetLedOffColor);
  b.Font("font", &TQXMultiLED::GetFont, &TQXMultiLED::SetFont);
  b.Color("backGndColor", &TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor);
  KeysFrame(b);
  ClassSet = &b.Set();
}

}  // namespace qx
