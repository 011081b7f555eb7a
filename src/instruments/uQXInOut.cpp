#include "instruments/uQXInOut.h"

#include <QPainter>

#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "instruments/uElementLabels.h"
#include "editing/uSendAnim.h"

namespace qx {

const TFLSet* TQXInOut::ClassSet = nullptr;

namespace {
constexpr TColor kBoxColor = 0xC0C0C0;
}  // namespace

TColor InOutFrameColor(bool disabled, bool inValid, bool inEmpty, bool outValid, bool outEmpty) {
  if (disabled || (inEmpty && outEmpty)) return kEmptyColor;
  if (inValid && (outValid || outEmpty)) return kCompiledColor;
  return kFailedColor;
}

std::string ForwardFrame(int32_t channel, char letter, std::string_view value) {
  std::string f = "#";
  f += std::to_string(channel);
  f += letter;
  f.append(value);
  f += ';';
  return f;
}

const QPixmap& ForwardPicture() {
  static const QPixmap picture = [] {
    QPixmap p(20, 28);
    p.fill(ColorToQColor(kBoxColor));
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(Qt::black, 2));
    // Down from the input line, then right to the output line.
    g.drawLine(QPointF(5, 2), QPointF(5, 20));
    g.drawLine(QPointF(5, 20), QPointF(16, 20));
    g.setPen(Qt::NoPen);
    g.setBrush(Qt::black);
    const QPointF head[] = {QPointF(19, 20), QPointF(13, 15), QPointF(13, 25)};
    g.drawPolygon(head, 3);
    return p;
  }();
  return picture;
}

TQXInOut::TQXInOut(QWidget* owner) : TQXElement(owner) {
  TypeName = "QXInOut";
  ChannelRole = RoleNumberOrTextIn;
  KeySet = ClassSet;
  IsStreamElement = true;
  FrameWidth = 4;
  FrameColor = kBoxColor;
  SetFrameColor(kBoxColor);
  SetBckGndColor(kBoxColor);
  Denom = Tr("uqxinout.siodenom", "E/A-Kanal").toStdString();
  OutputElement = new TQXElement(this);
  OutputElement->IsSubElement = true;
  OutputElement->InUpdateList = false;
  OutputElement->ChannelRole = RoleOutput;
  OutputElement->TypeName = "QXInOutLineOut";
  OutputElement->hide();
  name_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  input_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  output_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  for (QLabel* l : {name_, input_, output_}) {
    l->setFont(QFont());
    l->setTextFormat(Qt::PlainText);
  }
  arrow_ = new QLabel(this);
  arrow_->setPixmap(ForwardPicture());
  arrow_->setAttribute(Qt::WA_TransparentForMouseEvents);
  arrow_->show();
  name_->setGeometry(3, 0, 0, 20);
  input_->setGeometry(28, 20, 0, 20);
  output_->setGeometry(28, 40, 0, 20);
  arrow_->setGeometry(6, 27, 20, 28);
  resize(160, 60);
  PanelResize();
  UpdateCaption();
}

TQXInOut::~TQXInOut() {
  delete OutputElement;
}

TQXInOut* TQXInOut::ElemCreate() {
  return new TQXInOut(CurrentCanvas());
}

void TQXInOut::SetValue(double value) {
  TQXElement::SetValue(value);
  // Only atomics and compile results are read here: this is a port thread.
  const bool anim = showAnim_.load(std::memory_order_relaxed) &&
                    shown_.load(std::memory_order_relaxed) && !OutputElement->SourceEmpty;
  int32_t kind = AnimNotSent;
  if (!Terminal || !Terminal->Connected.load()) {
    kind = AnimNotSent;
  } else if (!SourceValid || !OutputElement->SourceValid) {
    kind = AnimInvalid;
  } else {
    const int32_t ch = OutputElement->OutChannel;
    kind = Terminal->SendFrame(ch, ForwardFrame(ch, 'F', FloatToDisplayText(value))) ? AnimSent
                                                                                     : AnimNotSent;
  }
  // The sheet check is made on the GUI thread.
  if (anim) TAnim::PostAnim(*this, kind);
}

void TQXInOut::SetStrValue(std::string_view value) {
  TQXElement::SetStrValue(value);
  if (!Terminal || !Terminal->Connected.load()) return;
  if (!SourceValid || !OutputElement->SourceValid) return;
  const int32_t ch = OutputElement->OutChannel;
  Terminal->SendFrame(ch, ForwardFrame(ch, 'S', value));
}

void TQXInOut::ResetValue() {
  StoreValue(InitValue);
  ValueIsNumber.store(true);
  TQXElement::UpdateDisplay();
}

void TQXInOut::UpdateCaption() {
  name_->setText(ShowDenom ? QString::fromStdString(Denom) : QStringLiteral(" "));
  input_->setText(QString::fromStdString(Source));
  output_->setText(QString::fromStdString(OutputElement->Source));
}

void TQXInOut::PanelResize() {
  const int w = std::max(0, width() - 3);
  for (QLabel* l : {name_, input_, output_}) l->resize(w, l->height());
}

void TQXInOut::ShowCompileState() {
  if (IsSubElement) return;
  const TColor c = InOutFrameColor(Disabled, SourceValid, SourceEmpty, OutputElement->SourceValid,
                                   OutputElement->SourceEmpty);
  // The base colours the frame from these two flags: hand it the combined
  // state (never while connected, so no port thread reads them meanwhile).
  const bool valid = SourceValid, empty = SourceEmpty;
  SourceValid = c == kCompiledColor;
  SourceEmpty = c == kEmptyColor;
  TQXElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

void TQXInOut::setVisible(bool visible) {
  TQXElement::setVisible(visible);
  shown_.store(visible, std::memory_order_relaxed);
}

void TQXInOut::SetOutSource(const std::string& value) {
  OutputElement->SetSource(value);
  SourceChanged();
  FollowEditFrame();
}

void TQXInOut::SetShowDenom(bool value) {
  if (value == ShowDenom) return;
  ShowDenom = value;
  const int top = value ? 20 : 0;
  name_->setVisible(value);
  input_->move(input_->x(), top);
  output_->move(output_->x(), top + 20);
  arrow_->move(arrow_->x(), top + 7);
  SetHeight(top + 40);
  UpdateCaption();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
}

void TQXInOut::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXInOut>("QXINOUT", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.String("inSource", &TQXElement::GetSource, &TQXElement::SetSource);
  b.String("outSource", &TQXInOut::GetOutSource, &TQXInOut::SetOutSource);
  b.Bool("showDenom", &TQXInOut::GetShowDenom, &TQXInOut::SetShowDenom);
  KeysPositionSize(b);
  b.Bool("hideInRun", &TQXInOut::GetHideInRun, &TQXInOut::SetHideInRun);
  b.Bool("showAnim", &TQXInOut::GetShowAnim, &TQXInOut::SetShowAnim);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXInOut::Listing;

void TQXInOut::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXInOut>(Listing);
  using A = TEEAccessors<TQXInOut>;
  TEEETitelActive::Add(Tr("uqxinout.siotitel", "Eingabe/Ausgabe"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXInOut::GetShowDenom, &TQXInOut::SetShowDenom));
  TEEEEingang::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource));
  TEEEAusgang::Add(A::Text(&TQXInOut::GetOutSource, &TQXInOut::SetOutSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  // The height follows the name line.
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight))
      ->SecondEdit->setEnabled(false);
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxinout.sioonrun", "Beim Ausf\xC3\xBChren"),
                       Tr("uqxinout.siohide", "ausblenden"),
                       A::Bool(&TQXInOut::GetHideInRun, &TQXInOut::SetHideInRun));
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXInOut::GetShowAnim, &TQXInOut::SetShowAnim));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      160, Tr("uqxinout.siodescr",
              "Eingehende Werte werden berechnet und sofort an den Ausgang weitergegeben. So "
              "kann die Gegenstelle Berechnungen ausl\xC3\xB6sen, oder Werte werden von einer "
              "Schnittstelle zur n\xC3\xA4"
              "chsten weitergereicht. Ohne Ausgang wird der Eingang "
              "trotzdem berechnet."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

}  // namespace qx
