#include "instruments/uQXBeep.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/uNumText.h"
#include "instruments/uElementLabels.h"

namespace qx {

namespace {

constexpr TColor kIdleFrame = 0xC0C0C0;
constexpr TColor kToneFrame = 0xFFFFFF;

bool HubConnected() {
  return Terminal && Terminal->Connected.load();
}

QPixmap SpeakerIcon() {
  QPixmap pm(24, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x30, 0x30, 0x30));
  QPainterPath body;
  body.moveTo(2, 7);
  body.lineTo(6, 7);
  body.lineTo(12, 2);
  body.lineTo(12, 18);
  body.lineTo(6, 13);
  body.lineTo(2, 13);
  body.closeSubpath();
  p.drawPath(body);
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(9, 6, 6, 8), -60 * 16, 120 * 16);
  p.drawArc(QRectF(9, 3, 11, 14), -60 * 16, 120 * 16);
  return pm;
}

}  // namespace

const TFLSet* TQXBeep::ClassSet = nullptr;

TQXBeep::TQXBeep(QWidget* owner) : TQXElement(owner) {
  ClassId = 16;
  TypeName = "QXBeep";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  IsStreamElement = true;
  FrameWidth = 4;
  TQXElement::SetBckGndColor(kIdleFrame);
  TQXElement::SetFrameColor(kIdleFrame);
  Denom = Tr("uqxbeep.sbeepdenom", "Tongeber").toStdString();
  icon_ = new QLabel(this);
  icon_->setPixmap(SpeakerIcon());
  icon_->setGeometry(0, 0, 24, 20);
  icon_->setAttribute(Qt::WA_TransparentForMouseEvents);
  icon_->show();
  name_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  source_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  name_->setGeometry(28, 0, 157, 20);
  source_->setGeometry(3, 20, 157, 20);
  timer_ = new QTimer(this);
  timer_->setInterval(500);
  connect(timer_, &QTimer::timeout, this, [this] { BeepTimerTick(); });
  EnsureSoundManager();
  resize(160, 40);
  PanelResize();
  UpdateCaption();
}

TQXBeep::~TQXBeep() {
  // The stack must not keep a freed element.
  if (SoundManager) SoundManager->StopSound(*this);
}

TQXBeep* TQXBeep::ElemCreate() {
  return new TQXBeep(CurrentCanvas());
}

void TQXBeep::SetValue(double value) {
  TQXElement::SetValue(value);
  if (!HubConnected()) return;
  if (value <= 0.000001) {  // a NaN asks for a start
    PostActivate(0);
    return;
  }
  {
    std::lock_guard g(stateLock_);
    if (mode_.load() == BeepImpuls && state_ != ToneSilent) {
      pending_ = true;
      return;
    }
  }
  PostActivate(1);
}

void TQXBeep::Activate(int32_t start) {
  if (!start) {
    Silence();
    return;
  }
  // A start posted just before a disconnect arrives after StreamStop.
  if (!HubConnected()) return;
  const int32_t mode = mode_.load();
  {
    std::lock_guard g(stateLock_);
    if (state_ != ToneSilent) {
      // Continuous and pulsed already sound; in impuls mode a second start
      // queued before the first was handled is one more beep.
      if (mode == BeepImpuls) pending_ = true;
      return;
    }
    state_ = ToneSounding;
  }
  StartTone();
  if (mode != BeepContinuous) timer_->start();
}

void TQXBeep::BeepTimerTick() {
  std::unique_lock g(stateLock_);
  if (state_ == ToneSounding) {
    state_ = TonePause;
    g.unlock();
    ShowToneFrame(false);
    if (SoundManager) SoundManager->StopSound(*this);
  } else if (state_ == TonePause && (mode_.load() == BeepPulsed || pending_)) {
    state_ = ToneSounding;
    pending_ = false;
    g.unlock();
    StartTone();
  } else {
    state_ = ToneSilent;
    g.unlock();
    timer_->stop();
  }
}

void TQXBeep::StartTone() {
  ShowToneFrame(ShowTone);
  EnsureSoundManager().StartSound(*this);
}

void TQXBeep::Silence() {
  timer_->stop();
  ShowToneFrame(false);
  if (SoundManager) SoundManager->StopSound(*this);
  std::lock_guard g(stateLock_);
  state_ = ToneSilent;
  pending_ = false;
}

void TQXBeep::StreamStart() {
  // Whatever an earlier run left, the element starts off the sound stack.
  Silence();
}

void TQXBeep::StreamStop() {
  Silence();
}

int32_t TQXBeep::ToneState() const {
  std::lock_guard g(stateLock_);
  return state_;
}

bool TQXBeep::Pending() const {
  std::lock_guard g(stateLock_);
  return pending_;
}

void TQXBeep::ShowToneFrame(bool sounding) {
  const TColor c = sounding ? kToneFrame : kIdleFrame;
  if (GetBckGndColor() == c && FrameColor == c) return;
  TQXElement::SetBckGndColor(c);
  TQXElement::SetFrameColor(c);
}

void TQXBeep::UpdateCaption() {
  const std::string src = "=" + Source;
  name_->setText(QString::fromStdString(ShowDenom ? Denom : src));
  source_->setText(QString::fromStdString(src));
}

void TQXBeep::PanelResize() {
  for (QLabel* l : {name_, source_}) l->resize(std::max(0, width() - 3), 20);
}

void TQXBeep::SetShowDenom(bool value) {
  if (value != ShowDenom) {
    ShowDenom = value;
    source_->setVisible(value);
    SetHeight(value ? 40 : 20);
    UpdateHeightField();
  }
  UpdateCaption();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXBeep::SetOnTime(double value) {
  if (std::isnan(value)) return;
  value = std::clamp(value, 0.1, 10000.0);
  if (std::fabs(value - OnTime) > 0.000001) {
    OnTime = value;
    timer_->setInterval(static_cast<int>(std::nearbyint(OnTime * 1000.0)));
  }
  FollowEditFrame();
}

void TQXBeep::SetFrequency(int32_t value) {
  LimitInt(value, 120, 15000);
  Frequency = value;  // a sounding tone keeps its frequency until the next start
  FollowEditFrame();
}

int32_t TQXBeep::GetMode() const {
  UpdateModeRows();
  return mode_.load();
}

void TQXBeep::SetMode(int32_t value) {
  if (value < BeepContinuous || value > BeepImpuls) return;
  mode_.store(value);
  UpdateModeRows();
  FollowEditFrame();
}

// ---- property listing ----------------------------------------------------------

QPointer<TEEListing> TQXBeep::Listing;

namespace {
QPointer<TEEERealFeld> BeepOnTimeRow;
QPointer<TEEEIntPaar> BeepSizeRow;

bool ShownByPanel(const TQXBeep* beep) {
  return TQXBeep::Listing && TPropertyEditor::ShownObject() == static_cast<const TFLObject*>(beep);
}
}  // namespace

void TQXBeep::UpdateModeRows() const {
  if (!ShownByPanel(this)) return;
  // Its own controls, not the row: the title switch enables the rows.
  if (TEEERealFeld* row = BeepOnTimeRow) {
    const bool timed = mode_.load() != BeepContinuous;
    row->Label->setEnabled(timed);
    row->Edit->setEnabled(timed);
  }
  Listing->Arrange();
}

void TQXBeep::UpdateHeightField() const {
  if (TEEEIntPaar* row = BeepSizeRow; row && ShownByPanel(this))
    row->SecondEdit->setText(QString::number(height()));
}

void TQXBeep::InitListing() {
  using C = TQXBeep;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<C>(Listing);
  using A = TEEAccessors<C>;
  TEEETitelActive::Add(Tr("uqxbeep.sbeeptitel", "Signalton"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&C::GetShowDenom, &C::SetShowDenom));
  TEEEEingang::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  BeepSizeRow = TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                                 A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                                 A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEAuswahlbox::Add(
      cap::Mode(),
      {Tr("uqxbeep.smodecont", "Dauerton"), Tr("uqxbeep.smodepulsed", "Intervallton"),
       Tr("uqxbeep.smodeimpuls", "Einzelimpuls")},
      A::Int(&C::GetMode, &C::SetMode));
  TEEELinie::Add();
  BeepOnTimeRow = TEEERealFeld::Add(Tr("uqxbeep.sontime", "Signaldauer (Sek)"),
                                    A::Real(&C::GetOnTime, &C::SetOnTime));
  TEEEIntFeld::Add(Tr("uqxbeep.sfrequency", "Tonfrequenz (Hz)"),
                   A::Int(&C::GetFrequency, &C::SetFrequency));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxbeep.shideinrun",
                          "Beim Ausf\xC3\xBC"
                          "hren"),
                       Tr("uqxbeep.shide", "ausblenden"),
                       A::Bool(&C::GetHideInRun, &C::SetHideInRun));
  TEEEAuswahlFeld::Add(Tr("uqxbeep.sshowtone", "Tonausgabe"), cap::Show(),
                       A::Bool(&C::GetShowTone, &C::SetShowTone));
  TEEELinie::Add();
  // Linux sounds through the sound card (silent without one), so the text
  // names no platform limit.
  TEEEBeschreibung::Add(
      240, Tr("uqxbeep.sbeepdescr",
              "Tongeber mit einstellbarer Frequenz.\nDauerton: ein Wert gr\xC3\xB6\xC3\x9F"
              "er 0 am Eingang startet den Ton, ein Wert von 0 oder kleiner beendet ihn.\n"
              "Intervallton: wie Dauerton, aber mit unterbrochenem Ton.\nEinzelimpuls: jeder "
              "Wert gr\xC3\xB6\xC3\x9F"
              "er 0 gibt einen Impuls der eingestellten Dauer; weitere Werte w\xC3\xA4"
              "hrend eines Tons werden bis auf einen verworfen.\nOhne Audioger\xC3\xA4"
              "t bleibt der Tongeber stumm."));
  TEEListing::End(Listing);
}

void TQXBeep::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXBeep>("QXBEEP", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXBeep::GetShowDenom, &TQXBeep::SetShowDenom);
  KeysPositionSize(b);
  b.Enum("mode", {"continuous", "pulsed", "impuls"}, &TQXBeep::GetMode, &TQXBeep::SetMode);
  b.Real("onTime", &TQXBeep::GetOnTime, &TQXBeep::SetOnTime);
  b.Int("frequency", &TQXBeep::GetFrequency, &TQXBeep::SetFrequency);
  b.Bool("hideInRun", &TQXBeep::GetHideInRun, &TQXBeep::SetHideInRun);
  b.Bool("showAnim", &TQXBeep::GetShowTone, &TQXBeep::SetShowTone);
  ClassSet = &b.Set();
}

}  // namespace qx
