#include "instruments/uQXRemoteLabel.h"

#include <QPainter>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "instruments/uElementLabels.h"
#include "widgets/uLangStrings.h"

namespace qx {

const TFLSet* TQXRemoteLabel::ClassSet = nullptr;

TQXRemoteLabel::TQXRemoteLabel(QWidget* owner)
    : TQXElement(owner), label_(*this, Qt::AlignCenter, true) {
  ClassId = 5;
  TypeName = "QXRemoteLabel";
  ChannelRole = RoleTextIn;
  KeySet = ClassSet;
  InUpdateList = true;
  PaintsWholeRect = true;  // the base's background
  // The text's font as the element's own, so that no paint of a tick sets
  // a font on its painter.
  setFont(label_.font());
  resize(200, 40);
  StoreStrValue(InitText);
  UpdateDisplay();
  PanelResize();
}

TQXRemoteLabel* TQXRemoteLabel::ElemCreate() {
  return new TQXRemoteLabel(CurrentCanvas());
}

void TQXRemoteLabel::UpdateDisplay() {
  TQXElement::UpdateDisplay();
  if (!ValueIsNumber.load() && label_.SetText(QString::fromStdString(GetStrValue())))
    RepaintPart(label_.geometry());
}

void TQXRemoteLabel::ResetValue() {
  StoreStrValue(InitText);
  UpdateDisplay();
}

// Also on a frame-width change, so the label never covers the frame.
void TQXRemoteLabel::PanelResize() {
  const int f = FrameWidth;
  const QRect old = label_.geometry();
  if (label_.SetGeometry(QRect(f, f, std::max(0, width() - 2 * f), std::max(0, height() - 2 * f))))
    update(old | label_.geometry());
}

void TQXRemoteLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintFrame(p);
  label_.Paint(p, *this, TElementText::Palette(*this));
}

void TQXRemoteLabel::SetInitText(const std::string& value) {
  InitText = value;
  if (label_.SetText(QString::fromStdString(value))) update(label_.geometry());
  FollowEditFrame();
}

TFontDesc TQXRemoteLabel::GetFont() const {
  return QFontToFontDesc(label_.font(), fontColor_);
}

void TQXRemoteLabel::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  label_.SetFont(*this, value);
  setFont(label_.font());
  update(label_.geometry());
  FollowEditFrame();
}

void TQXRemoteLabel::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXRemoteLabel>("QXREMOTELABEL",
                                       [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  KeysNameSource(b);
  KeysPositionSize(b);
  b.String("initVal", &TQXRemoteLabel::GetInitText, &TQXRemoteLabel::SetInitText);
  b.Font("font", &TQXRemoteLabel::GetFont, &TQXRemoteLabel::SetFont);
  KeyBckGndColor(b);
  KeysFrame(b);
  ClassSet = &b.Set();
}

QPointer<TEEListing> TQXRemoteLabel::Listing;

void TQXRemoteLabel::InitListing() {
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXRemoteLabel>(Listing);
  using A = TEEAccessors<TQXRemoteLabel>;
  TEEETitelActive::Add(Tr("uqxremotelabel.srlbltitel", "Fernanzeige"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenfeld::Add(cap::Name(), A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom));
  TEEEEingang::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEZeichenfeld::Add(cap::InitValue(),
                       A::Text(&TQXRemoteLabel::GetInitText, &TQXRemoteLabel::SetInitText));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXRemoteLabel::GetFont, &TQXRemoteLabel::SetFont));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      100, Tr("uqxremotelabel.srlbldescr",
              "Das Instrument zeigt eine Zeichenkette (\"S\") an, die auf dem im "
              "Signaleingang definierten Kanal eintrifft.\nBeispiel: Eingang \"#5\", Befehl "
              "\"#5SEins;\" zeigt \"Eins\"."));
  TEEELinie::Add();
  TEEListing::End(Listing);
}

}  // namespace qx
