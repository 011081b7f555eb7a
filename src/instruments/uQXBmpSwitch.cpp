#include "instruments/uQXBmpSwitch.h"

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

const TFLSet* TQXBmpSwitch::ClassSet = nullptr;
QPointer<TEEListing> TQXBmpSwitch::Listing;
TEEEintrag* TQXBmpSwitch::FreeTextRow = nullptr;
TEEEintrag* TQXBmpSwitch::FreeNumberRow = nullptr;

TQXBmpSwitch::TQXBmpSwitch(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 20;
  TypeName = "QXBmpSwitch";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  Denom = Tr("uqxbmpswitch.sbmpswiname", "Schalter").toStdString();
  SetBckGndColor(0x707070);
  pos0_ = new TBmpImage(this);
  pos1_ = new TBmpImage(this);
  marked0_ = new TBmpImage(this);
  marked1_ = new TBmpImage(this);
  pos1_->hide();
  marked0_->hide();
  marked1_->hide();
  label_ = new TBmpLabel(this);
  label_->show();  // children made after the element was shown start hidden
  connect(label_, &TBmpLabel::Clicked, this, [this] { ImageClick(); });
  connect(label_, &TBmpLabel::MouseEnter, this, [this] { LabelMouseEnter(); });
  connect(label_, &TBmpLabel::MouseLeave, this, [this] { LabelMouseLeave(); });
  resize(55, 88);
  LoadImage1();
  LoadImage2();
  LoadImage3();
  LoadImage4();
  UpdateCaption();
}

TQXBmpSwitch* TQXBmpSwitch::ElemCreate() {
  return new TQXBmpSwitch(CurrentCanvas());
}

TBmpImage* TQXBmpSwitch::Image(int32_t index) const {
  switch (index) {
    case 1:
      return pos0_;
    case 2:
      return pos1_;
    case 3:
      return marked0_;
    case 4:
      return marked1_;
    default:
      return nullptr;
  }
}

void TQXBmpSwitch::PanelResize() {
  const int f = FrameWidth;
  const QSize pic = pos0_->Picture.size();
  resize(pic.width() + 2 * f, pic.height() + 2 * f);
  const QRect inner(f, f, pic.width(), pic.height());
  // Each overlay lies above the base face of its position.
  for (QWidget* w :
       {static_cast<QWidget*>(pos0_), static_cast<QWidget*>(marked0_), static_cast<QWidget*>(pos1_),
        static_cast<QWidget*>(marked1_), static_cast<QWidget*>(label_)}) {
    w->setGeometry(inner);
    w->raise();
  }
}

void TQXBmpSwitch::UpdateCaption() {
  label_->setText(QString::fromStdString(ButtonCaption(ShowDenom, ShowSource, Denom, Source)));
}

void TQXBmpSwitch::LoadImage1() {
  LoadFace(*pos0_, File0, "QXBmpSwitchOff");
  UpdateImageFlags();
  PanelResize();
}

void TQXBmpSwitch::LoadImage2() {
  LoadFace(*pos1_, File1, "QXBmpSwitchOn");
  UpdateImageFlags();
}

void TQXBmpSwitch::LoadImage3() {
  LoadFace(*marked0_, File0Marked, "QXBmpSwitchMarked");
  UpdateImageFlags();
}

void TQXBmpSwitch::LoadImage4() {
  LoadFace(*marked1_, File1Marked, "QXBmpSwitchMarked");
  UpdateImageFlags();
}

void TQXBmpSwitch::UpdateImageFlags() {
  // Both overlays hang on the position-0 file: an own switch picture with
  // the built-in overlay would not match it.
  HasMarked0 = !(!File0.empty() && File0Marked.empty());
  HasMarked1 = !(!File0.empty() && File1Marked.empty());
  UpdateFace();
}

void TQXBmpSwitch::UpdateFace() {
  pos0_->setVisible(SwitchIsOff);
  marked0_->setVisible(SwitchIsOff && MouseOver && HasMarked0);
  pos1_->setVisible(!SwitchIsOff);
  marked1_->setVisible(!SwitchIsOff && MouseOver && HasMarked1);
}

void TQXBmpSwitch::ImageClick() {
  // The position changes even when nothing can be sent.
  SwitchIsOff = !SwitchIsOff;
  UpdateFace();
  const char* digit = SwitchIsOff ? "0" : "1";
  std::string payload;
  switch (Mode) {
    case ModeFreeText:
      payload = TypedPayload('S', FreeText) + digit;
      break;
    case ModeFreeNumber:
      payload = TypedPayload('F', FloatToDisplayText(FreeNumber)) + digit;
      break;
    default:
      payload = std::string("F") + digit;
      break;
  }
  Send(payload);
}

void TQXBmpSwitch::LabelMouseEnter() {
  MouseOver = true;
  UpdateFace();
}

void TQXBmpSwitch::LabelMouseLeave() {
  MouseOver = false;
  UpdateFace();
}

void TQXBmpSwitch::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXBmpSwitch::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

int32_t TQXBmpSwitch::GetMode() const {
  UpdateModeRows();
  return Mode;
}

void TQXBmpSwitch::SetMode(int32_t value) {
  if (value < ModeStandard || value > ModeFreeNumber) return;
  Mode = value;
  UpdateModeRows();
  FollowEditFrame();
}

void TQXBmpSwitch::UpdateModeRows() const {
  if (Listing)
    ShowFreeValueRows(*this, Mode == ModeFreeText, Mode == ModeFreeNumber, FreeTextRow,
                      FreeNumberRow);
}

void TQXBmpSwitch::SetFreeText(const std::string& value) {
  FreeText = value;
  FollowEditFrame();
}

void TQXBmpSwitch::SetFreeNumber(double value) {
  FreeNumber = value;
  FollowEditFrame();
}

std::string TQXBmpSwitch::GetFile(int32_t index) const {
  switch (index) {
    case 1:
      return File0;
    case 2:
      return File1;
    case 3:
      return File0Marked;
    case 4:
      return File1Marked;
    default:
      return {};
  }
}

void TQXBmpSwitch::SetFile(int32_t index, const std::string& value) {
  switch (index) {
    case 1:
      File0 = value;
      LoadImage1();
      PanelResize();
      FollowEditFrame();
      TEditPanel::UpdateSelection();
      // The read-only size row shows the size the picture gave.
      TPropertyEditor::RefreshListing();
      return;
    case 2:
      File1 = value;
      LoadImage2();
      break;
    case 3:
      File0Marked = value;
      LoadImage3();
      break;
    case 4:
      File1Marked = value;
      LoadImage4();
      break;
    default:
      return;
  }
  FollowEditFrame();
}

TFontDesc TQXBmpSwitch::GetFont() const {
  return QFontToFontDesc(label_->font(), fontColor_);
}

void TQXBmpSwitch::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  SetLabelFont(label_, value);
  FollowEditFrame();
}

void TQXBmpSwitch::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXBmpSwitch>(Listing);
  using A = TEEAccessors<TQXBmpSwitch>;
  TEEETitelActive::Add(Tr("uqxbmpswitch.sbmpswititel", "Bitmap-Schalter"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXBmpSwitch::GetShowDenom, &TQXBmpSwitch::SetShowDenom));
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXBmpSwitch::GetShowSource, &TQXBmpSwitch::SetShowSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  // The size follows the position-0 picture: shown, not edited.
  TEEEIntPaar* size = TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                                       A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                                       A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  size->FirstEdit->setEnabled(false);
  size->SecondEdit->setEnabled(false);
  TEEELinie::Add();
  TEEEAuswahlbox::Add(cap::Mode(),
                      {Tr("uqxbmpswitch.sbmpswistandard", "Standard (F)"),
                       Tr("uqxbmpswitch.sbmpswifreitext", "Freitext Zeichen (S)"),
                       Tr("uqxbmpswitch.sbmpswifreizahl", "Freitext Zahl (F)")},
                      A::Int(&TQXBmpSwitch::GetMode, &TQXBmpSwitch::SetMode));
  FreeTextRow =
      TEEEZeichenfeld::Add(Tr("uqxbmpswitch.sbmpswiausgabetext", "Ausgabetext (S):"),
                           A::Text(&TQXBmpSwitch::GetFreeText, &TQXBmpSwitch::SetFreeText));
  FreeNumberRow =
      TEEERealFeld::Add(Tr("uqxbmpswitch.sbmpswiausgabewert", "Ausgabewert (F):"),
                        A::Real(&TQXBmpSwitch::GetFreeNumber, &TQXBmpSwitch::SetFreeNumber));
  TEEELinie::Add();
  TEEESubTitel::Add(cap::BitmapFiles());
  const struct {
    const char* key;
    const char* caption;
  } files[] = {{"uqxbmpswitch.sbmpswiswitchpos0", "Schaltstellung 0"},
               {"uqxbmpswitch.sbmpswiswitchpos1", "Schaltstellung 1"},
               {"uqxbmpswitch.sbmpswiswitchpos0marked", "Stellung 0 markiert"},
               {"uqxbmpswitch.sbmpswiswitchpos1marked", "Stellung 1 markiert"}};
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t index = i + 1;
    TEEEBildDatei::Add(
        Tr(files[i].key, files[i].caption),
        A::Text([index](TQXBmpSwitch& s) { return s.GetFile(index); },
                [index](TQXBmpSwitch& s, const std::string& v) { s.SetFile(index, v); }));
  }
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXBmpSwitch::GetFont, &TQXBmpSwitch::SetFont));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      180, Tr("uqxbmpswitch.sbmpswidescr",
              "Bitmap-Instrumente erhalten ihre Gestalt aus den Bilddateien und nehmen die "
              "Gr\xC3\xB6\xC3\x9F"
              "e des Bildes an.\n"
              "Der Schalter wechselt bei jedem Druck seine Stellung und sendet 0 oder 1 als "
              "Zahl (\"F\"). In den Freitext-Modi kann ein beliebiger Text vor den Wert der "
              "Stellung gesetzt werden."));
  TEEELinie::Add();
  if (building) {
    FreeTextRow->hide();
    FreeNumberRow->hide();
  }
  TEEListing::End(Listing);
}

void TQXBmpSwitch::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXBmpSwitch>("QXBmpSwitch",
                                     [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXBmpSwitch::GetShowDenom, &TQXBmpSwitch::SetShowDenom);
  b.Bool("showSource", &TQXBmpSwitch::GetShowSource, &TQXBmpSwitch::SetShowSource);
  b.IntXY("position", &TQXElement::GetLeft, &TQXElement::SetLeft, &TQXElement::GetTop,
          &TQXElement::SetTop);
  b.Enum("mode", {"standard", "freeText", "freeNumber"}, &TQXBmpSwitch::GetMode,
         &TQXBmpSwitch::SetMode);
  b.ActiveWhen(b.String("freeText", &TQXBmpSwitch::GetFreeText, &TQXBmpSwitch::SetFreeText),
               [](TQXBmpSwitch& e) { return e.Mode == ModeFreeText; });
  b.ActiveWhen(b.Real("freeNumber", &TQXBmpSwitch::GetFreeNumber, &TQXBmpSwitch::SetFreeNumber),
               [](TQXBmpSwitch& e) { return e.Mode == ModeFreeNumber; });
  for (int32_t i = 1; i <= 4; ++i)
    b.String("fileImage" + std::to_string(i), &TQXBmpSwitch::GetFile, &TQXBmpSwitch::SetFile)
        .SetIndex(i);
  b.Font("font", &TQXBmpSwitch::GetFont, &TQXBmpSwitch::SetFont);
  KeysFrame(b);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
