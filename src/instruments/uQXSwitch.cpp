#include "instruments/uQXSwitch.h"

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "instruments/uElementLabels.h"

namespace qx {

const TFLSet* TQXSwitch::ClassSet = nullptr;
QPointer<TEEListing> TQXSwitch::Listing;
std::array<TEEEintrag*, TQXSwitch::kMaxSwitches> TQXSwitch::CaptionRows{};

std::vector<int32_t> SplitLength(int32_t length, int32_t count) {
  if (count <= 0) return {};
  const int32_t q = length / count;
  int32_t r = length % count;
  std::vector<int32_t> sizes;
  for (int32_t i = 0; i < count; ++i) {
    sizes.push_back(r > 0 ? q + 1 : q);
    if (r > 0) --r;
  }
  return sizes;
}

TQXSwitch::TQXSwitch(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 7;
  TypeName = "QXSwitch";
  ChannelRole = RoleOutput;
  KeySet = ClassSet;
  SetBckGndColor(0xEEEEEE);
  for (size_t i = 0; i < switches_.size(); ++i) {
    auto* s = new TSwitch(this);
    s->hide();
    connect(s, &TSwitch::Clicked, this, [this, s] { ButtonClick(s); });
    switches_[i] = s;
  }
  captions_[0] = Tr("uqxswitch.soff", "Aus").toStdString();
  captions_[1] = Tr("uqxswitch.son", "Ein").toStdString();
  for (size_t i = 0; i < 2; ++i) switches_[i]->SetText(ShownText(captions_[i]));
  switches_[0]->SetPressed(true);
  label_ = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  label_->hide();
  resize(120, 50);
  PanelResize();
}

TQXSwitch* TQXSwitch::ElemCreate() {
  return new TQXSwitch(CurrentCanvas());
}

void TQXSwitch::UpdateCaption() {
  std::string c;
  if (ShowDenom) c = Denom;
  if (ShowSource) c += "=" + Source;
  label_->setText(QString::fromStdString(c));
  label_->adjustSize();
  PanelResize();
}

void TQXSwitch::PanelResize() {
  const int32_t f = FrameWidth;
  int32_t h = 0;
  if (ShowDenom || ShowSource) {
    label_->move(f + 4, f + 2);
    label_->show();
    h = TextHeightOf(label_->font()) + 4;
  } else {
    label_->hide();
  }
  if (h != CaptionHeight) {
    // The switch area keeps its size when the caption line comes or goes.
    const int32_t delta = h - CaptionHeight;
    CaptionHeight = h;
    SetHeight(height() + delta);
  }
  const int32_t top = f + CaptionHeight;
  const int32_t a = width() - 2 * f, b = height() - top - f;
  const std::vector<int32_t> sizes = SplitLength(IsVert ? b : a, SwitchQty);
  int32_t pos = IsVert ? top : f;
  for (int32_t i = 0; i < SwitchQty; ++i) {
    const int32_t s = sizes[static_cast<size_t>(i)];
    if (IsVert)
      Switch(i)->setGeometry(f, pos, a, s);
    else
      Switch(i)->setGeometry(pos, top, s, b);
    pos += s;
    Switch(i)->show();
  }
  for (int32_t i = SwitchQty; i < kMaxSwitches; ++i) Switch(i)->hide();
}

void TQXSwitch::ButtonClick(TSwitch* sender) {
  int32_t i = 0;
  while (i < SwitchQty && Switch(i) != sender) ++i;
  if (i == SwitchQty) return;
  std::string value;
  if (Mode == ModeXor) {
    if (i == Selected) return;
    Switch(Selected)->SetPressed(false);
    Selected = i;
    sender->SetPressed(true);
    value = std::to_string(i);
  } else {
    sender->SetPressed(!sender->Pressed());
    if (Mode == ModeSwitchBar) {
      value = std::to_string(i) + (sender->Pressed() ? "1" : "0");
    } else {
      int32_t sum = 0;
      for (int32_t k = 0; k < SwitchQty; ++k) {
        if (Switch(k)->Pressed()) sum += 1 << k;
      }
      value = std::to_string(sum);
    }
  }
  SendPayload("F" + value);
}

void TQXSwitch::SetShowSource(bool value) {
  ShowSource = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXSwitch::SetShowDenom(bool value) {
  ShowDenom = value;
  UpdateCaption();
  FollowEditFrame();
}

void TQXSwitch::SetIsVert(int32_t value) {
  const int32_t f = FrameWidth;
  const TSwitch* first = Switch(0);
  if ((value == 0 && !IsVert) || (value == 1 && IsVert)) return;
  // Turning keeps the switches' size: a row becomes a column and back.
  if (value == 0) {
    IsVert = false;
    setGeometry(x(), y(), first->width() * SwitchQty + 2 * f,
                2 * f + first->height() + CaptionHeight);
  } else if (value == 1) {
    IsVert = true;
    setGeometry(x(), y(), 2 * f + first->width(),
                first->height() * SwitchQty + 2 * f + CaptionHeight);
  }
  PanelResize();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
  TPropertyEditor::RefreshListing();
}

void TQXSwitch::SetMode(int32_t value) {
  if (value < ModeXor || value > ModeDip) return;
  Mode = value;
  FollowEditFrame();
}

int32_t TQXSwitch::GetSwitchQty() const {
  UpdateCaptionRows();
  return SwitchQty;
}

void TQXSwitch::SetSwitchQty(int32_t value) {
  LimitInt(value, 1, kMaxSwitches);
  if (value == SwitchQty) return;
  SwitchQty = value;
  PanelResize();
  FollowEditFrame();
  UpdateCaptionRows();
}

void TQXSwitch::UpdateCaptionRows() const {
  // The caption keys follow the count by themselves (see InitFileSet).
  if (!Listing || TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  for (int32_t i = 1; i < kMaxSwitches; ++i) {
    if (TEEEintrag* row = CaptionRows[static_cast<size_t>(i)]) row->setVisible(i < SwitchQty);
  }
  TPropertyEditor::ArrangeListing();
}

const std::string& TQXSwitch::GetCaption(int32_t index) const {
  static const std::string none;
  if (index < 0 || index >= kMaxSwitches) return none;
  return captions_[static_cast<size_t>(index)];
}

void TQXSwitch::SetCaption(int32_t index, std::string value) {
  if (index < 0 || index >= SwitchQty) return;
  std::string& caption = captions_[static_cast<size_t>(index)];
  caption = std::move(value);
  Switch(index)->SetText(ShownText(caption));
  FollowEditFrame();
}

TFontDesc TQXSwitch::GetFont() const {
  return QFontToFontDesc(Switch(0)->font(), Switch(0)->FontColor);
}

void TQXSwitch::SetFont(const TFontDesc& value) {
  const QFont font = FontDescToQFont(value);
  for (TSwitch* s : switches_) {
    s->setFont(font);
    s->FontColor = value.Color;
    s->update();
  }
  FollowEditFrame();
}

void TQXSwitch::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXSwitch>(Listing);
  using A = TEEAccessors<TQXSwitch>;
  TEEETitelActive::Add(Tr("uqxswitch.sswititel", "Schalterleiste"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXSwitch::GetShowDenom, &TQXSwitch::SetShowDenom));
  TEEEAusgangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                           A::Bool(&TQXSwitch::GetShowSource, &TQXSwitch::SetShowSource));
  TEEELinie::Add();
  TEEEAuswahlbox::Add(cap::Alignment(), {cap::Horizontal(), cap::Vertical()},
                      A::Int(&TQXSwitch::GetIsVert, &TQXSwitch::SetIsVert));
  TEEEAuswahlbox::Add(
      cap::Mode(),
      {Tr("uqxswitch.sswixor", "XOR - Radioleiste"), Tr("uqxswitch.sswiswibar", "Schalterleiste"),
       Tr("uqxswitch.sswidip", "DIP-Schalter")},
      A::Int(&TQXSwitch::GetMode, &TQXSwitch::SetMode));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxswitch.sswiquanty",
                      "Schaltfl\xC3\xA4"
                      "chen"),
                   A::Int(&TQXSwitch::GetSwitchQty, &TQXSwitch::SetSwitchQty));
  for (int32_t i = 0; i < kMaxSwitches; ++i) {
    TEEEZeichenfeld* row = TEEEZeichenfeld::Add(
        Tr("uqxswitch.sswibeschr", "Beschriftung") + " (=" + QString::number(i) + ")",
        A::Text(&TQXSwitch::GetCaption, &TQXSwitch::SetCaption));
    row->HasIndex = true;
    row->Index = i;
    CaptionRows[static_cast<size_t>(i)] = row;
    if (building && i >= 2) row->hide();
  }
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXSwitch::GetFont, &TQXSwitch::SetFont));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      450, Tr("uqxswitch.sswidescr",
              "Jeder Klick auf einen Schalter sendet eine Zahl (\"F\") auf dem Ausgang.\n"
              "XOR - Radioleiste: Es ist immer genau ein Schalter gedr\xC3\xBC"
              "ckt; gesendet wird seine Nummer. Beispiel: der dritte Schalter am Ausgang "
              "\"#5\" sendet \"#5F2;\".\n"
              "Schalterleiste: Jeder Schalter schaltet f\xC3\xBCr sich; gesendet wird seine "
              "Nummer und dahinter 1 (gedr\xC3\xBC"
              "ckt) oder 0 (gel\xC3\xB6st). Beispiel: der dritte Schalter sendet "
              "\"#5F20;\" beim L\xC3\xB6sen und \"#5F21;\" beim Dr\xC3\xBC"
              "cken.\n"
              "DIP-Schalter: Gesendet wird die Summe von 2 hoch Nummer \xC3\xBC"
              "ber alle gedr\xC3\xBC"
              "ckten Schalter. Beispiel: Schalter 0 und 2 gedr\xC3\xBC"
              "ckt sendet \"#5F5;\"."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

void TQXSwitch::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXSwitch>("QXSWITCH", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  b.Bool("showDenom", &TQXSwitch::GetShowDenom, &TQXSwitch::SetShowDenom);
  b.Bool("showSource", &TQXSwitch::GetShowSource, &TQXSwitch::SetShowSource);
  // Before "size", so that the stored size wins over the turn.
  b.Enum("orientation", {"horz", "vert"}, &TQXSwitch::GetIsVert, &TQXSwitch::SetIsVert);
  b.Enum("mode", {"xor", "switchbar", "dipSwitch"}, &TQXSwitch::GetMode, &TQXSwitch::SetMode);
  KeysPositionSize(b);
  b.Int("switchQty", &TQXSwitch::GetSwitchQty, &TQXSwitch::SetSwitchQty);
  // Only the captions of the switches in use are written.
  for (int32_t i = 0; i < kMaxSwitches; ++i) {
    auto& e =
        b.String("caption" + std::to_string(i), &TQXSwitch::GetCaption, &TQXSwitch::SetCaption);
    e.SetIndex(i);
    b.ActiveWhen(e, [](TQXSwitch& s, int32_t index) { return index == 0 || index < s.SwitchQty; });
  }
  b.Font("font", &TQXSwitch::GetFont, &TQXSwitch::SetFont);
  KeyBckGndColor(b);
  KeysFrame(b);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
