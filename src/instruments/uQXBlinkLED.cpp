#include "instruments/uQXBlinkLED.h"

#include <cmath>

#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "instruments/uElementLabels.h"
#include "instruments/uQXled.h"

namespace qx {

namespace {
bool HubConnected() {
  return Terminal && Terminal->Connected.load();
}
}  // namespace

const TFLSet* TQXBlinkLED::ClassSet = nullptr;

TQXBlinkLED::TQXBlinkLED(QWidget* owner) : TQXElement(owner) {
  ClassId = 15;
  TypeName = "QXBlinkLed";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  IsStreamElement = true;
  label_ = MakeElementLabel(this, Qt::AlignCenter);
  SetLabelFont(label_, GetFont());
  timer_ = new QTimer(this);
  timer_->setInterval(500);
  connect(timer_, &QTimer::timeout, this, [this] { BlinkTimerTick(); });
  TQXElement::SetBckGndColor(LedOffColor);
  resize(50, 50);
  PanelResize();
}

TQXBlinkLED* TQXBlinkLED::ElemCreate() {
  return new TQXBlinkLED(CurrentCanvas());
}

void TQXBlinkLED::SetValue(double value) {
  TQXElement::SetValue(value);
  if (!HubConnected() || value <= 0.000001) return;  // a NaN triggers
  {
    std::lock_guard g(stateLock_);
    if (state_ != BlinkIdle) {
      pending_ = true;
      return;
    }
  }
  PostActivate(0);
}

void TQXBlinkLED::Activate(int32_t) {
  // A flash asked for just before a disconnect stays dark.
  if (!HubConnected()) return;
  {
    std::lock_guard g(stateLock_);
    // A second request queued before the first was handled: one more flash.
    if (state_ != BlinkIdle) {
      pending_ = true;
      return;
    }
    state_ = BlinkLit;
  }
  ShowColor(LedColor);
  timer_->start();
}

void TQXBlinkLED::BlinkTimerTick() {
  std::unique_lock g(stateLock_);
  if (state_ == BlinkLit) {
    state_ = BlinkPause;  // the timer runs on: the pause lasts one more interval
    g.unlock();
    ShowColor(LedOffColor);
  } else if (state_ == BlinkPause && pending_) {
    state_ = BlinkLit;
    pending_ = false;
    g.unlock();
    ShowColor(LedColor);
  } else {
    state_ = BlinkIdle;
    g.unlock();
    timer_->stop();
  }
}

void TQXBlinkLED::StreamStart() {
  std::lock_guard g(stateLock_);
  state_ = BlinkIdle;
  pending_ = false;
}

void TQXBlinkLED::StreamStop() {
  timer_->stop();
  {
    std::lock_guard g(stateLock_);
    state_ = BlinkIdle;
    pending_ = false;
  }
  ShowColor(LedOffColor);
}

int32_t TQXBlinkLED::BlinkState() const {
  std::lock_guard g(stateLock_);
  return state_;
}

bool TQXBlinkLED::Pending() const {
  std::lock_guard g(stateLock_);
  return pending_;
}

void TQXBlinkLED::ShowColor(TColor c) {
  if (c != GetBckGndColor()) TQXElement::SetBckGndColor(c);
}

void TQXBlinkLED::UpdateCaption() {
  label_->setText(QString::fromStdString(NameSourceCaption(ShowDenom, ShowSource, Denom, Source)));
}

void TQXBlinkLED::PanelResize() {
  const int f = FrameWidth;
  label_->setGeometry(f, f, std::max(0, width() - 2 * f), std::max(0, height() - 2 * f));
}

void TQXBlinkLED::SetLedOffColor(TColor value) {
  LedOffColor = value;
  if (BlinkState() == BlinkIdle) ShowColor(LedOffColor);
  FollowEditFrame();
}

void TQXBlinkLED::SetLedColor(TColor value) {
  LedColor = value;
  FollowEditFrame();
}

void TQXBlinkLED::EditLedColor(TColor value) {
  SetLedColor(value);
  SetLedOffColor(DimColor(value, 0.1));
  TPropertyEditor::RefreshListing();
}

void TQXBlinkLED::SetOnTime(double value) {
  if (std::isnan(value)) return;
  value = std::clamp(value, 0.1, 10000.0);
  if (std::fabs(value - OnTime) > 0.000001) {
    OnTime = value;
    timer_->setInterval(static_cast<int>(std::nearbyint(OnTime * 1000.0)));
  }
  FollowEditFrame();
}

void TQXBlinkLED::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXBlinkLED::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

TFontDesc TQXBlinkLED::GetFont() const {
  return QFontToFontDesc(label_->font(), fontColor_);
}

void TQXBlinkLED::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  SetLabelFont(label_, value);
  FollowEditFrame();
}

QPointer<TEEListing> TQXBlinkLED::Listing;

void TQXBlinkLED::InitListing() {
  using C = TQXBlinkLED;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<C>(Listing);
  using A = TEEAccessors<C>;
  TEEETitelActive::Add(Tr("uqxblinkled.sbledtitel", "Blink-LED"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&C::GetShowDenom, &C::SetShowDenom));
  TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&C::GetShowSource, &C::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEFarbe::Add(Tr("uqxblinkled.snightcolor", "Nachtfarbe") + "  (=0)",
                 A::Color(&C::GetLedOffColor, &C::SetLedOffColor));
  // The panel derives the night colour; the key stores the light colour only.
  TEEEFarbe::Add(Tr("uqxblinkled.slightcolor", "LeuchtFarbe") + " (=1)",
                 A::Color(&C::GetLedColor, &C::EditLedColor));
  TEEELinie::Add();
  TEEERealFeld::Add(Tr("uqxblinkled.sontime", "Einschaltdauer/Sek."),
                    A::Real(&C::GetOnTime, &C::SetOnTime));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&C::GetFont, &C::SetFont));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      180, Tr("uqxblinkled.sbleddescr",
              "Jeder Wert gr\xC3\xB6\xC3\x9F"
              "er 0 am Eingang startet einen Lichtimpuls der eingestellten Dauer. Die Pause "
              "danach ist mindestens ebenso lang. Der erste Wert, der w\xC3\xA4"
              "hrend eines Impulses eintrifft, wird gespeichert und startet direkt nach der "
              "Pause einen neuen Impuls. So blinkt die LED auch bei schnellen Befehlsfolgen "
              "gleichm\xC3\xA4\xC3\x9F"
              "ig."));
  TEEListing::End(Listing);
}

void TQXBlinkLED::InitFileSet(TFLSetList& sets) {
  auto b =
      sets.Define<TQXBlinkLED>("QXBLINKLED", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXBlinkLED::GetShowDenom, &TQXBlinkLED::SetShowDenom);
  b.Bool("showSource", &TQXBlinkLED::GetShowSource, &TQXBlinkLED::SetShowSource);
  KeysPositionSize(b);
  b.Color("ledOffColor", &TQXBlinkLED::GetLedOffColor, &TQXBlinkLED::SetLedOffColor);
  b.Color("ledColor", &TQXBlinkLED::GetLedColor, &TQXBlinkLED::SetLedColor);
  b.Real("onTime", &TQXBlinkLED::GetOnTime, &TQXBlinkLED::SetOnTime);
  b.Font("font", &TQXBlinkLED::GetFont, &TQXBlinkLED::SetFont);
  KeysFrame(b);
  ClassSet = &b.Set();
}

}  // namespace qx
