#include "instruments/uQXled.h"

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

void TQXled::SetColorQty(int32_t value) {
  // Which colour keys are written follows ColorQty (see InitFileSet).
  LimitInt(value, 1, kMaxColors);
  ColorQty = value;
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
