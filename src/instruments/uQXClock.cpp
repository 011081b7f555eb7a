#include "instruments/uQXClock.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "foundation/uTiming.h"
#include "instruments/uElementLabels.h"
#include "editing/uSendAnim.h"

namespace qx {

const TFLSet* TQXClock::ClassSet = nullptr;

namespace {
constexpr TColor kBoxColor = 0xC0C0C0;

int64_t IntervalMs(double seconds) {
  return static_cast<int64_t>(std::nearbyint(seconds * 1000.0));
}

uint64_t SystemTick() {
  return VirtualTickCounter ? VirtualTickCounter->GetTickCount64() : SystemTick32();
}

// Line 2: the formula, then the value right after it.
void LayOutValueLine(QLabel* input, QLabel* value, int w) {
  const TCaptionSpans s = LayOutCaptionLine({input->x(), 5, w - 3, 2}, input->text(), input->font(),
                                            value->text(), value->font());
  input->resize(s.CaptionWidth, 20);
  value->setGeometry(s.ValueLeft, value->y(), s.ValueWidth, 20);
}
}  // namespace

// ---- schedule ------------------------------------------------------------------

void TClockSchedule::Start(uint64_t now, int64_t intervalMs) {
  interval_ = std::max<int64_t>(intervalMs, 1);
  due_ = now + static_cast<uint64_t>(interval_);
}

bool TClockSchedule::Fire(uint64_t now) {
  if (now < due_) return false;
  due_ += static_cast<uint64_t>(interval_);
  if (due_ <= now) due_ = now + static_cast<uint64_t>(interval_);
  return true;
}

int32_t TClockSchedule::NextSliceMs(uint64_t now) const {
  const uint64_t left = due_ > now ? due_ - now : 1;
  return static_cast<int32_t>(std::min<uint64_t>(left, kMaxSliceMs));
}

double LimitClockInterval(double seconds) {
  if (!(seconds >= TQXClock::kMinInterval)) return TQXClock::kMinInterval;  // NaN too
  return std::min(seconds, TQXClock::kMaxInterval);
}

const QPixmap& ClockPicture() {
  static const QPixmap picture = [] {
    QPixmap p(24, 20);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(Qt::black, 1.5));
    g.setBrush(Qt::white);
    g.drawEllipse(QPointF(12, 10), 8.5, 8.5);
    g.drawLine(QPointF(12, 10), QPointF(12, 4));
    g.drawLine(QPointF(12, 10), QPointF(16, 12));
    return p;
  }();
  return picture;
}

// ---- element ------------------------------------------------------------------------

TQXClock::TQXClock(QWidget* owner) : TQXAnimElement(owner), Now(SystemTick) {
  TypeName = "QXClock";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  IsStreamElement = true;
  FrameWidth = 4;
  SetFrameColor(kBoxColor);
  SetBckGndColor(kBoxColor);
  Denom = Tr("uqxclock.sclkdenom", "Taktausgabe").toStdString();
  FormulaElement = new TQXElement(this);
  FormulaElement->IsSubElement = true;
  FormulaElement->InUpdateList = false;
  FormulaElement->ChannelRole = RoleNumberIn;
  FormulaElement->Active = false;  // evaluated by time, never by frames
  FormulaElement->TypeName = "QXClockFormelCh";
  FormulaElement->hide();
  image_ = new QLabel(this);
  image_->setPixmap(ClockPicture());
  image_->setAttribute(Qt::WA_TransparentForMouseEvents);
  image_->setGeometry(1, 0, 24, 20);
  image_->show();
  name_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  input_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter, Qt::ElideRight);
  value_ = MakeElementLabel(this, Qt::AlignRight | Qt::AlignVCenter, Qt::ElideRight);
  output_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  for (QLabel* l : {name_, input_, value_, output_}) {
    l->setFont(QFont());
    l->setTextFormat(Qt::PlainText);
  }
  name_->setGeometry(28, 0, 0, 20);
  input_->setGeometry(3, 20, 0, 20);
  value_->setGeometry(3, 20, 0, 20);
  output_->setGeometry(3, 40, 0, 20);
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setInterval(IdleTimerMs());
  connect(timer_, &QTimer::timeout, this, [this] { TimerFired(); });
  resize(160, 60);
  ArrangeHeight();
  UpdateCaption();
}

TQXClock::~TQXClock() {
  timer_->stop();
  delete FormulaElement;
}

TQXClock* TQXClock::ElemCreate() {
  return new TQXClock(CurrentCanvas());
}

int32_t TQXClock::IdleTimerMs() const {
  return static_cast<int32_t>(std::min<int64_t>(IntervalMs(Interval), TClockSchedule::kMaxSliceMs));
}

void TQXClock::StreamStart() {
  // Formulas invalid at connect: silent for the whole run.
  if (!SourceValid || !FormulaElement->SourceValid) return;
  running_ = true;
  schedule_.Start(Now(), IntervalMs(Interval));
  Tick();
  Arm();
}

void TQXClock::StreamStop() {
  running_ = false;
  timer_->stop();
  timer_->setInterval(IdleTimerMs());
}

void TQXClock::Arm() {
  if (running_) timer_->start(schedule_.NextSliceMs(Now()));
}

void TQXClock::TimerFired() {
  if (!running_) return;
  if (schedule_.Fire(Now())) Tick();
  Arm();
}

void TQXClock::Tick() {
  if (!Terminal || !Terminal->Connected.load()) return;
  Terminal->CalculateLocked(*FormulaElement);
  std::string payload(1, 'F');
  payload += FloatToDisplayText(FormulaElement->GetValue());
  std::string frame = "#";
  frame += std::to_string(OutChannel);
  frame += payload;
  frame += ';';
  const bool taken = Terminal->SendFrame(OutChannel, frame);
  if (ShowValue) ShowValueText();
  // No port for the channel is an error for a clock: red, not yellow.
  if (ShowAnim && !HideInRun) Animate(taken ? AnimSent : AnimInvalid);
}

void TQXClock::UpdateCaption() {
  name_->setText(ShowDenom ? QString::fromStdString(Denom) : QStringLiteral(" "));
  Arrange();
}

void TQXClock::Arrange() {
  const int w = width();
  output_->setText(ShowOutSource ? QString::fromStdString("=> " + Source) : QString());
  QString in;
  if (ShowInSource) {
    in = QString::fromStdString(FormulaElement->Source);
    if (ShowValue) in += '=';
  }
  input_->setText(in);
  name_->resize(std::max(0, w - 31), 20);
  output_->resize(std::max(0, w - 6), 20);
  if (ShowValue)
    ShowValueText();
  else
    value_->clear();
  LayOutValueLine(input_, value_, w);
}

void TQXClock::ArrangeHeight() {
  const bool secondLine = ShowInSource || ShowValue;
  SetHeight(ShowOutSource && secondLine ? 60 : 40);
  output_->move(output_->x(), secondLine ? 40 : 20);
}

void TQXClock::ShowValueText() {
  value_->setText(QString::fromStdString(
      LimitDecimals(FloatToText(FormulaElement->GetValue()), Decimals, FixedDecimals)));
  // A wider value may need room the formula gives up.
  if (CaptionLineStale(input_, value_)) LayOutValueLine(input_, value_, width());
}

void TQXClock::ShowCompileState() {
  if (IsSubElement) return;
  TColor c = kFailedColor;
  if (Disabled || (SourceEmpty && FormulaElement->SourceEmpty))
    c = kEmptyColor;
  else if (SourceValid && FormulaElement->SourceValid)
    c = kCompiledColor;
  // The base colours the frame from these two flags (never while connected).
  const bool valid = SourceValid, empty = SourceEmpty;
  SourceValid = c == kCompiledColor;
  SourceEmpty = c == kEmptyColor;
  TQXAnimElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

void TQXClock::SetInterval(double seconds) {
  seconds = LimitClockInterval(seconds);
  if (seconds == Interval) return;
  Interval = seconds;
  if (!timer_->isActive()) timer_->setInterval(IdleTimerMs());
  FollowEditFrame();
}

void TQXClock::SetInSource(const std::string& value) {
  FormulaElement->SetSource(value);
  SourceChanged();
  FollowEditFrame();
}

void TQXClock::SetShowDenom(bool value) {
  if (value == ShowDenom) return;
  ShowDenom = value;
  name_->setVisible(value);
  UpdateCaption();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXClock::SetShowInSource(bool value) {
  if (value == ShowInSource) return;
  ShowInSource = value;
  ArrangeHeight();
  Arrange();
  FollowEditFrame();
}

void TQXClock::SetShowOutSource(bool value) {
  if (value == ShowOutSource) return;
  ShowOutSource = value;
  ArrangeHeight();
  Arrange();
  FollowEditFrame();
}

void TQXClock::SetShowValue(bool value) {
  if (value == ShowValue) return;
  ShowValue = value;
  ArrangeHeight();
  Arrange();
  FollowEditFrame();
  UpdateValueRows();
}

void TQXClock::SetDecimals(int32_t value) {
  LimitInt(value, 0, 20);
  if (value == Decimals) return;
  Decimals = value;
  if (ShowValue) ShowValueText();
  FollowEditFrame();
}

void TQXClock::SetFixedDecimals(bool value) {
  FixedDecimals = value;
  if (ShowValue) ShowValueText();
  FollowEditFrame();
}

void TQXClock::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXClock>("QXCLOCK", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.String("inSource", &TQXClock::GetInSource, &TQXClock::SetInSource);
  b.String("outSource", &TQXElement::GetSource, &TQXElement::SetSource);
  b.Bool("showDenom", &TQXClock::GetShowDenom, &TQXClock::SetShowDenom);
  b.Bool("showInSource", &TQXClock::GetShowInSource, &TQXClock::SetShowInSource);
  b.Bool("showOutSource", &TQXClock::GetShowOutSource, &TQXClock::SetShowOutSource);
  KeysPositionSize(b);
  b.Real("interval", &TQXClock::GetInterval, &TQXClock::SetInterval);
  b.Bool("hideInRun", &TQXClock::GetHideInRun, &TQXClock::SetHideInRun);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXClock::Listing;
TEEEintrag* TQXClock::DecimalsRow = nullptr;
TEEEintrag* TQXClock::FixedDecimalsRow = nullptr;

void TQXClock::UpdateValueRows() const {
  if (!Listing || !DecimalsRow || !FixedDecimalsRow) return;
  if (TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  DecimalsRow->setVisible(ShowValue);
  FixedDecimalsRow->setVisible(ShowValue);
  Listing->Arrange();
}

void TQXClock::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXClock>(Listing);
  using A = TEEAccessors<TQXClock>;
  TEEETitelActive::Add(Tr("uqxclock.sclktitel", "Getaktete Ausgabe"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXClock::GetShowDenom, &TQXClock::SetShowDenom));
  TEEEEingangUAuswahl::Add(A::Text(&TQXClock::GetInSource, &TQXClock::SetInSource),
                           A::Bool(&TQXClock::GetShowInSource, &TQXClock::SetShowInSource))
      ->SetCaption(Tr("uqxclock.sclkvalue", "Wert"), cap::Show());
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXClock::GetShowOutSource, &TQXClock::SetShowOutSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  // The height follows the shown lines.
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight))
      ->SecondEdit->setEnabled(false);
  TEEELinie::Add();
  TEEERealFeld::Add(Tr("uqxclock.sclkcycle", "Takt in Sekunden"),
                    A::Real(&TQXClock::GetInterval, &TQXClock::SetInterval));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxclock.sclkoutvalue", "Ausgabewert"), cap::Show(),
                       A::Bool(&TQXClock::GetShowValue, &TQXClock::SetShowValue));
  DecimalsRow = TEEEIntFeld::Add(Tr("uqxclock.sclkdecimal", "Nachkommastellen"),
                                 A::Int(&TQXClock::GetDecimals, &TQXClock::SetDecimals));
  FixedDecimalsRow =
      TEEEAuswahlFeld::Add(Tr("uqxclock.sclkfixeddecim", "Feste Kommastellen"), QString(),
                           A::Bool(&TQXClock::GetFixedDecimals, &TQXClock::SetFixedDecimals));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxclock.sclkonrun", "Beim Ausf\xC3\xBChren"),
                       Tr("uqxclock.sclkhide", "ausblenden"),
                       A::Bool(&TQXClock::GetHideInRun, &TQXClock::SetHideInRun));
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      180, Tr("uqxclock.sclkdescr",
              "Das Instrument sendet zyklisch eine Zahl, der Takt wird in Sekunden angegeben. "
              "Der Wert kann eine Konstante oder eine Formel sein; sie wird im Moment der "
              "Ausgabe berechnet, nicht beim Empfang.\nBeispiel: Wert \"time()\" sendet die "
              "aktuelle Uhrzeit."));
  TEEELinie::Add();
  if (building) {
    DecimalsRow->hide();
    FixedDecimalsRow->hide();
  }
  TEEListing::End(Listing);
}

}  // namespace qx
