#include "instruments/uQXRemoteLabel.h"

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "instruments/uElementLabels.h"

namespace qx {

const TFLSet* TQXRemoteLabel::ClassSet = nullptr;

TQXRemoteLabel::TQXRemoteLabel(QWidget* owner) : TQXElement(owner) {
  ClassId = 5;
  TypeName = "QXRemoteLabel";
  ChannelRole = RoleTextIn;
  KeySet = ClassSet;
  InUpdateList = true;
  label_ = MakeElementLabel(this, Qt::AlignCenter);
  label_->setWordWrap(true);
  label_->setTextFormat(Qt::PlainText);  // received text is never markup
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
  if (!ValueIsNumber.load()) label_->setText(QString::fromStdString(GetStrValue()));
}

void TQXRemoteLabel::ResetValue() {
  StoreStrValue(InitText);
  UpdateDisplay();
}

// Also on a frame-width change, so the label never covers the frame.
void TQXRemoteLabel::PanelResize() {
  const int f = FrameWidth;
  label_->setGeometry(f, f, std::max(0, width() - 2 * f), std::max(0, height() - 2 * f));
}

void TQXRemoteLabel::SetInitText(const std::string& value) {
  InitText = value;
  label_->setText(QString::fromStdString(value));
  FollowEditFrame();
}

TFontDesc TQXRemoteLabel::GetFont() const {
  return QFontToFontDesc(label_->font(), fontColor_);
}

void TQXRemoteLabel::SetFont(const TFontDesc& value) {
  fontColor_ = value.Color;
  SetLabelFont(label_, value);
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

}  // namespace qx
