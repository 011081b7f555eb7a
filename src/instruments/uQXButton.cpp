#include "instruments/uQXButton.h"

#include <QEvent>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"

namespace qx {

const TFLSet* TQXButton::ClassSet = nullptr;

void ShowFreeValueRows(const TFLObject& obj, bool freeText, bool freeNumber, TEEEintrag* textRow,
                       TEEEintrag* numberRow) {
  if (!textRow || !numberRow || TPropertyEditor::ShownObject() != &obj) return;
  textRow->setVisible(freeText);
  numberRow->setVisible(freeNumber);
  TPropertyEditor::ArrangeListing();
}

std::string ButtonCaption(bool showDenom, bool showSource, std::string_view denom,
                          std::string_view source) {
  std::string c;
  if (showDenom) c += denom;
  if (showSource) {
    c += showDenom ? " =>" : "=>";
    c += source;
  }
  return c;
}

TQXButton::TQXButton(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 8;
  TypeName = "QXButton";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  Denom = Tr("uqxbutton.sbuttitel", "Taster").toStdString();
  SetBckGndColor(0x707070);
  button_ = new QPushButton(this);
  button_->setAutoDefault(false);
  button_->installEventFilter(this);
  connect(button_, &QPushButton::clicked, this, [this] { ButtonClick(); });
  button_->show();
  button_->raise();
  resize(100, 50);
  PanelResize();
  UpdateCaption();
  FollowEditFrame();
}

TQXButton* TQXButton::ElemCreate() {
  return new TQXButton(CurrentCanvas());
}

bool TQXButton::eventFilter(QObject* watched, QEvent* event) {
  // Every mouse button presses and releases; keys only click. The second
  // press of a double-click comes as a double-click event.
  if (watched == button_) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
      ButtonMouseDown();
    if (event->type() == QEvent::MouseButtonRelease) ButtonMouseUp();
  }
  return TQXAnimElement::eventFilter(watched, event);
}

void TQXButton::ButtonClick() {
  switch (Mode) {
    case ModeStandard:
      Send("F1");
      break;
    case ModeFreeText:
      SendTyped('S', FreeText);
      break;
    case ModeFreeNumber:
      SendTyped('F', FloatToDisplayText(FreeNumber));
      break;
    default:
      break;
  }
}

void TQXButton::SendTyped(char letter, std::string_view value) {
  Send(TypedPayload(letter, value));
}

void TQXButton::ButtonMouseDown() {
  if (Mode == ModeDoubleNotify) Send("F1");
}

void TQXButton::ButtonMouseUp() {
  if (Mode == ModeDoubleNotify) Send("F0");
}

void TQXButton::UpdateCaption() {
  button_->setText(QString::fromStdString(ButtonCaption(ShowDenom, ShowSource, Denom, Source)));
}

void TQXButton::PanelResize() {
  const int f = FrameWidth;
  button_->setGeometry(f - 1, f - 1, width() - 2 * f + 2, height() - 2 * f + 2);
}

void TQXButton::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXButton::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

int32_t TQXButton::GetMode() const {
  UpdateModeRows();
  return Mode;
}

void TQXButton::SetMode(int32_t value) {
  if (value < ModeStandard || value > ModeFreeNumber) return;
  Mode = value;
  UpdateModeRows();
  FollowEditFrame();
}

void TQXButton::UpdateModeRows() const {
  if (Listing)
    ShowFreeValueRows(*this, Mode == ModeFreeText, Mode == ModeFreeNumber, FreeTextRow,
                      FreeNumberRow);
}

QPointer<TEEListing> TQXButton::Listing;
TEEEintrag* TQXButton::FreeTextRow = nullptr;
TEEEintrag* TQXButton::FreeNumberRow = nullptr;

void TQXButton::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXButton>(Listing);
  using A = TEEAccessors<TQXButton>;
  TEEETitelActive::Add(Tr("uqxbutton.sbuttitel", "Taster"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXButton::GetShowDenom, &TQXButton::SetShowDenom));
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXButton::GetShowSource, &TQXButton::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEAuswahlbox::Add(cap::Mode(),
                      {Tr("uqxbutton.smodestandard", "Standard (F1)"),
                       Tr("uqxbutton.smodedouble", "Ein-Aus-Signal (F1+F0)"),
                       Tr("uqxbutton.smodefreetext", "Freitext Zeichen (S)"),
                       Tr("uqxbutton.smodefreenum", "Freitext Zahl (F)")},
                      A::Int(&TQXButton::GetMode, &TQXButton::SetMode));
  FreeTextRow = TEEEZeichenfeld::Add(Tr("uqxbutton.sfreetext", "Ausgabetext (S):"),
                                     A::Text(&TQXButton::GetFreeText, &TQXButton::SetFreeText));
  FreeNumberRow = TEEERealFeld::Add(Tr("uqxbutton.sfreenum", "Ausgabewert (F):"),
                                    A::Real(&TQXButton::GetFreeNumber, &TQXButton::SetFreeNumber));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXButton::GetFont, &TQXButton::SetFont));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      140, Tr("uqxbutton.sbutdescr",
              "Ein Druck auf den Taster sendet den Wert 1 als Zahl (\"F\"). Im Modus "
              "\"Ein-Aus-Signal\" sendet das Dr\xC3\xBC"
              "cken 1 und das Loslassen 0.\nBeispiel: Ausgang \"#5\" sendet beim Dr\xC3\xBC"
              "cken \"#5F1;\"."));
  TEEELinie::Add();
  if (building) {
    FreeTextRow->hide();
    FreeNumberRow->hide();
  }
  TEEListing::End(Listing);
}

void TQXButton::SetFreeText(const std::string& value) {
  FreeText = value;
  FollowEditFrame();
}

void TQXButton::SetFreeNumber(double value) {
  FreeNumber = value;
  FollowEditFrame();
}

TFontDesc TQXButton::GetFont() const {
  return QFontToFontDesc(button_->font(), fontColor_);
}

void TQXButton::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  button_->setFont(FontDescToQFont(value));
  QPalette pal = button_->palette();
  pal.setColor(QPalette::ButtonText, ColorToQColor(value.Color));
  button_->setPalette(pal);
  FollowEditFrame();
}

void TQXButton::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXButton>("QXBUTTON", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXButton::GetShowDenom, &TQXButton::SetShowDenom);
  b.Bool("showSource", &TQXButton::GetShowSource, &TQXButton::SetShowSource);
  KeysPositionSize(b);
  b.Enum("mode", {"standard", "doubleNotify", "freeText", "freeNumber"}, &TQXButton::GetMode,
         &TQXButton::SetMode);
  // Only the free value that the mode sends is written.
  b.ActiveWhen(b.String("freeText", &TQXButton::GetFreeText, &TQXButton::SetFreeText),
               [](TQXButton& e) { return e.Mode == ModeFreeText; });
  b.ActiveWhen(b.Real("freeNumber", &TQXButton::GetFreeNumber, &TQXButton::SetFreeNumber),
               [](TQXButton& e) { return e.Mode == ModeFreeNumber; });
  b.Font("font", &TQXButton::GetFont, &TQXButton::SetFont);
  KeysFrame(b);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
