#include "instruments/uQXBargraph.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEditPanel.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "foundation/uStrSearch.h"
#include "instruments/uElementLabels.h"

namespace qx {

const TFLSet* TQXBargraph::ClassSet = nullptr;

std::vector<TBarSegment> BarSegments(int32_t length, int32_t clearance, int32_t count,
                                     int32_t gap) {
  std::vector<TBarSegment> segs;
  if (count < 1 || gap < 0) return segs;
  const int64_t free =
      static_cast<int64_t>(length) - 2 * static_cast<int64_t>(clearance) - int64_t{count - 1} * gap;
  if (free < 0) return segs;
  const auto size = static_cast<int32_t>(free / count);
  auto rest = static_cast<int32_t>(free % count);
  segs.reserve(static_cast<size_t>(count));
  int32_t start = clearance;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t s = size + (rest > 0 ? 1 : 0);
    --rest;
    segs.push_back({start, s});
    start += s + gap;
  }
  return segs;
}

int32_t LitSegments(int32_t count, double position) {
  if (count < 1) return 0;
  return std::clamp(Rnd(count * ClampFraction(position)), 0, count);
}

// ---- the bar control ------------------------------------------------------------

TBargraph::TBargraph(QWidget* parent, TBargraphOwner* owner) : QWidget(parent), owner_(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TBargraph::SetPosition(double f) {
  f = ClampFraction(f);
  if (f == Position) return;
  Position = f;
  update();
}

void TBargraph::UpdateRange() {
  const int32_t length = Vertical ? height() : width();
  const int32_t clearance = Vertical ? ClearanceY : ClearanceX;
  const int32_t crossClearance = Vertical ? ClearanceX : ClearanceY;
  BarStart = clearance;
  BarEnd = length - clearance;
  crossFrom_ = crossClearance;
  crossTo_ = (Vertical ? width() : height()) - crossClearance;
}

void TBargraph::Fill(int32_t along, int32_t alongLen, int32_t across, int32_t acrossLen,
                     TColor color) {
  if (Vertical)
    FillImageRect(buffer_, across, along, acrossLen, alongLen, color);
  else
    FillImageRect(buffer_, along, across, alongLen, acrossLen, color);
}

TColor TBargraph::Pixel(int32_t along, int32_t across) const {
  return Vertical ? ImagePixel(buffer_, across, along, BarBckGndColor)
                  : ImagePixel(buffer_, along, across, BarBckGndColor);
}

void TBargraph::SetPixel(int32_t along, int32_t across, TColor color) {
  if (Vertical)
    SetImagePixel(buffer_, across, along, color);
  else
    SetImagePixel(buffer_, along, across, color);
}

void TBargraph::AcrossLine(int32_t along, TColor color) {
  Fill(along, 1, crossFrom_, crossTo_ - crossFrom_, color);
}

void TBargraph::DrawGroup(const std::vector<TBarSegment>& segs, size_t first, size_t last,
                          TColor color, bool glow) {
  if (first >= last) return;
  const int32_t cs = crossFrom_, ce = crossTo_;
  // Each blended line takes one colour from the pixel where it starts.
  auto blendAt = [&](int32_t along, int32_t across, double t) {
    return BlendColor(color, Pixel(along, across), t);
  };
  auto corners = [&](int32_t along) {
    const TColor c = blendAt(along, cs - 1, 0.2);
    SetPixel(along, cs - 1, c);
    SetPixel(along, ce, c);
  };
  if (glow) {
    const int32_t s0 = segs[first].Start;
    AcrossLine(s0 - 1, blendAt(s0 - 1, cs, 0.5));
    AcrossLine(s0 - 2, blendAt(s0 - 2, cs, 0.2));
    corners(s0 - 1);
  }
  for (size_t k = first; k < last; ++k) {
    const int32_t a0 = segs[k].Start, len = segs[k].Size, a1 = a0 + len;
    Fill(a0, len, cs, ce - cs, color);
    if (!glow) continue;
    const TColor near = blendAt(a0, cs - 1, 0.5);
    Fill(a0, len, cs - 1, 1, near);
    Fill(a0, len, ce, 1, near);
    const TColor far = blendAt(a0, cs - 2, 0.2);
    Fill(a0, len, cs - 2, 1, far);
    Fill(a0, len, ce + 1, 1, far);
    if (StepClearance > 0) {
      AcrossLine(a0 - 1, blendAt(a0 - 1, cs, 0.5));
      AcrossLine(a1, blendAt(a1, cs, 0.5));
      corners(a0 - 1);
      corners(a1);
    }
    if (StepClearance >= 3) {
      AcrossLine(a0 - 2, blendAt(a0 - 2, cs, 0.2));
      AcrossLine(a1 + 1, blendAt(a1 + 1, cs, 0.2));
    }
  }
  if (glow) {
    const int32_t e = segs[last - 1].Start + segs[last - 1].Size;
    const TColor faint = BlendColor(color, BarBckGndColor, 0.2);
    AcrossLine(e, BlendColor(color, BarBckGndColor, 0.5));
    AcrossLine(e + 1, faint);
    SetPixel(e, cs - 1, faint);
    SetPixel(e, ce, faint);
  }
}

void TBargraph::PaintBuffer() {
  const int32_t w = width(), h = height();
  if (buffer_.size() != QSize(w, h)) buffer_ = QImage(w, h, QImage::Format_RGB32);
  if (w <= 0 || h <= 0) return;
  FillImageRect(buffer_, 0, 0, w, h, BarBckGndColor);
  UpdateRange();
  const auto segs = BarSegments(Vertical ? h : w, BarStart, StepQty, StepClearance);
  if (segs.empty()) return;  // no room for the segments: an empty bar
  SegmentSize = segs.back().Size;
  const size_t n = segs.size();
  const auto lit = static_cast<size_t>(LitSegments(static_cast<int32_t>(n), Position));
  // Vertical bars fill from the bottom, horizontal ones from the left.
  if (Vertical) {
    DrawGroup(segs, 0, n - lit, DarkColor, DarkEffect);
    DrawGroup(segs, n - lit, n, LightColor, LightEffect);
  } else {
    DrawGroup(segs, 0, lit, LightColor, LightEffect);
    DrawGroup(segs, lit, n, DarkColor, DarkEffect);
  }
}

void TBargraph::paintEvent(QPaintEvent*) {
  PaintBuffer();
  QPainter p(this);
  p.drawImage(0, 0, buffer_);
}

double TBargraph::DragFraction(const QPoint& pos) {
  UpdateRange();
  return PointerFraction(Vertical ? pos.y() : pos.x(), BarStart, BarEnd, Vertical, StepQty);
}

bool TBargraph::OutsideSideways(const QPoint& pos) const {
  return Vertical ? pos.x() < 0 || pos.x() > width() : pos.y() < 0 || pos.y() > height();
}

void TBargraph::mousePressEvent(QMouseEvent* event) {
  if (Mode == 0) return;
  if (event->button() != Qt::LeftButton) {
    Dragging = false;
    return;
  }
  Dragging = true;
  SetPosition(DragFraction(event->position().toPoint()));
}

void TBargraph::mouseMoveEvent(QMouseEvent* event) {
  if (Mode == 0 || !Dragging) return;
  const QPoint pos = event->position().toPoint();
  SetPosition(OutsideSideways(pos) ? (owner_ ? owner_->StoredFraction() : 0.0) : DragFraction(pos));
}

void TBargraph::mouseReleaseEvent(QMouseEvent* event) {
  if (Mode == 0 || !Dragging) return;
  Dragging = false;
  const QPoint pos = event->position().toPoint();
  if (OutsideSideways(pos)) {
    SetPosition(owner_ ? owner_->StoredFraction() : 0.0);
    return;
  }
  SetPosition(DragFraction(pos));
  if (owner_) owner_->SendValue();
}

// ---- the element ----------------------------------------------------------------

namespace {

QLabel* NewLabel(QWidget* parent, Qt::Alignment alignment) {
  QLabel* l = MakeElementLabel(parent, alignment | Qt::AlignVCenter);
  l->setFont(QFont());  // the application's label font
  l->hide();
  return l;
}

bool ProjectLoading() {
  return FileLoad && FileLoad->Loading();
}

}  // namespace

TQXBargraph::TQXBargraph(QWidget* owner) : TQXAnimElement(owner) {
  ClassId = 13;
  TypeName = "QXBarGraph";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  InUpdateList = true;
  OutElement = new TQXElement(this);
  OutElement->IsSubElement = true;
  OutElement->InUpdateList = false;
  OutElement->ChannelRole = RoleOutput;
  OutElement->TypeName = "QXBarGraphOut";
  OutElement->hide();
  Bar = new TBargraph(this, this);
  Bar->Position = 0.5;
  Bar->LightEffect = true;
  Bar->LightColor = 0x0080FF;
  Bar->DarkColor = 0xE9E9E9;
  Bar->BarBckGndColor = 0x707070;
  Bar->show();
  NameLabel = NewLabel(this, Qt::AlignLeft);
  NameLabel->setText("name");
  MinLabel = NewLabel(this, Qt::AlignLeft);
  MaxLabel = NewLabel(this, Qt::AlignRight);
  SetBckGndColor(0xA6A6A6);
  resize(50, 100);
  NameLabel->setGeometry(8, 8, width() - 16, height() - 16);
  UpdateNameLabel();
}

TQXBargraph::~TQXBargraph() {
  delete OutElement;
}

TQXBargraph* TQXBargraph::ElemCreate() {
  return new TQXBargraph(CurrentCanvas());
}

void TQXBargraph::SetValue(double value) {
  // Receiving thread: in mode out the bar shows only what was sent.
  if (valueMode_.load(std::memory_order_relaxed) == 1) return;
  TQXAnimElement::SetValue(value);
}

void TQXBargraph::UpdateDisplay() {
  TQXAnimElement::UpdateDisplay();
  if (ValueIsNumber.load()) ShowStoredValue();
}

void TQXBargraph::ShowStoredValue() {
  Bar->SetPosition(ValueToFraction(GetValue()));
}

void TQXBargraph::ResetValue() {
  StoreValue(0.0);
  ValueIsNumber = true;  // a text received earlier must not keep the reset from showing
  UpdateDisplay();
}

void TQXBargraph::ShowCompileState() {
  if (IsSubElement) return;
  const TColor c = InOutCompileColor(Bar->Mode, Disabled, SourceValid, SourceEmpty,
                                     OutElement->SourceValid, OutElement->SourceEmpty);
  // The base colours the frame from these two flags: hand it the combined state.
  const bool valid = SourceValid, empty = SourceEmpty;
  SourceValid = c == kCompiledColor;
  SourceEmpty = c == kEmptyColor;
  TQXAnimElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

void TQXBargraph::SendValue() {
  const double value = FractionToValue(Bar->Position);
  StoreValue(value);            // the bar keeps showing what was sent
  std::string payload(1, 'F');  // no temporary: GCC warns falsely about one
  payload += FloatToDisplayText(value);
  SendPayload(payload, OutElement);
}

void TQXBargraph::UpdateNameLabel() {
  if (ShowName || ShowSource) {
    std::string text = ShowName ? Denom : std::string();
    if (ShowSource) text += " =" + Source;
    NameLabel->setText(QString::fromStdString(text));
    NameLabelHeight = TextHeightOf(NameLabel->font());
    NameLabel->show();
  } else {
    NameLabelHeight = 0;
    NameLabel->hide();
  }
  UpdateMarks();
  PanelResize();
}

void TQXBargraph::UpdateMarks() {
  const QFont font = MinLabel->font();
  const std::string unit = ShowUnit ? UnitText : std::string();
  const std::string minText = FloatToText(MinScale) + unit;
  const std::string maxText = FloatToText(MaxScale) + unit;
  const int32_t minWidth = TextWidthOf(minText, font), maxWidth = TextWidthOf(maxText, font);
  const int32_t th = TextHeightOf(font);
  MinLabel->setText(QString::fromStdString(minText));
  MaxLabel->setText(QString::fromStdString(maxText));
  MinLabel->resize(minWidth, th);
  MaxLabel->resize(maxWidth, th);
  MarkWidth = std::max(minWidth, maxWidth) + 6;
  MarkHeight = th;
  MarkWidthInUse = ShowMarks ? MarkWidth : 0;
  MarkHeightInUse = ShowMarks ? MarkHeight : 0;
  if (!MarksShown()) {
    MinLabel->hide();
    MaxLabel->hide();
    return;
  }
  const int32_t fw = FrameWidth, cx = Bar->ClearanceX, cy = Bar->ClearanceY;
  bool maxFits = false;
  if (Bar->Vertical) {
    MinLabel->move(Bar->width() + fw + 2, height() - fw - cy - th + 4);
    MaxLabel->move(MinLabel->x(), Bar->y() + cy - 4);
    maxFits = Bar->height() - 2 * cy - 2 * th - 2 >= 0;
  } else {
    MinLabel->move(cx + fw, Bar->y() + Bar->height());
    MaxLabel->move(width() - fw - cx - maxWidth, MinLabel->y());
    maxFits = width() - 2 * cx - 2 * fw - minWidth - maxWidth - 4 >= 0;
  }
  MinLabel->show();
  MaxLabel->setVisible(maxFits);
}

void TQXBargraph::PanelResize() {
  const int32_t w = width(), h = height(), fw = FrameWidth;
  const int32_t barTop = fw + (NameLabelHeight != 0 ? NameLabelHeight + 5 : 0);
  NameLabel->setGeometry(fw + 6, fw + 3, std::max(0, w - 2 * fw - 6), NameLabelHeight);
  int32_t bw = w - 2 * fw, bh = h - barTop - fw;
  // A scale left out for want of room leaves its room to the bar.
  if (MarksShown()) {
    if (Bar->Vertical)
      bw -= MarkWidthInUse;
    else
      bh -= MarkHeightInUse;
  }
  Bar->setGeometry(fw, barTop, std::max(0, bw), std::max(0, bh));
  Bar->update();
  UpdateMarks();
}

bool TQXBargraph::MarksShown() const {
  // The numbers show whole or not at all, and never at the cost of the bar:
  // a number with digits cut off is a wrong reading.
  if (!ShowMarks) return false;
  const int32_t fw = FrameWidth, cx = Bar->ClearanceX;
  if (Bar->Vertical) return width() - 2 * fw - MarkWidth >= 2 * cx + 1;
  return cx + fw + MinLabel->width() <= width() - fw;
}

void TQXBargraph::EditScaleText(const std::function<void()>& set) {
  const int32_t bar = Bar->width();
  set();
  // Beside a vertical bar the scale takes the width its numbers need, the
  // bar keeping its own, as when the scale is switched on. Files and clones
  // bring their own size, so only panel edits come here.
  if (!Bar->Vertical || !ShowMarks) return;
  const int32_t w = 2 * FrameWidth + bar + MarkWidthInUse;
  if (w == width()) return;
  resize(w, height());
  AfterLayoutChange();
}

void TQXBargraph::RepaintBar() {
  Bar->update();
  FollowEditFrame();
}

void TQXBargraph::AfterLayoutChange() {
  UpdateNameLabel();
  // The frame first: the selection ring is placed around the frame.
  FollowEditFrame();
  TEditPanel::UpdateSelection();
  TPropertyEditor::RefreshListing();
}

void TQXBargraph::SetNameFlag(bool& flag, bool value) {
  const bool wasShown = ShowName || ShowSource;
  flag = value;
  const bool shown = ShowName || ShowSource;
  if (shown != wasShown) {
    const int32_t th = TextHeightOf(NameLabel->font());
    resize(width(), std::max(0, height() + (shown ? th : -th)));
  }
  AfterLayoutChange();
}

void TQXBargraph::SetShowMarks(bool value) {
  if (value != ShowMarks) {
    const int32_t sign = value ? 1 : -1;
    if (Bar->Vertical)
      resize(std::max(0, width() + sign * MarkWidth), height());
    else
      resize(width(), std::max(0, height() + sign * MarkHeight));
  }
  ShowMarks = value;
  AfterLayoutChange();
}

void TQXBargraph::SetOrientation(int32_t value) {
  if (value < 0 || value > 1) return;
  const bool vertical = value == 1;
  if (vertical == Bar->Vertical) {
    FollowEditFrame();
    return;
  }
  const int32_t fw = FrameWidth, bw = Bar->width(), bh = Bar->height();
  // The name line takes its gap too, so the bar turns without losing length.
  const int32_t nameSpace = NameLabelHeight != 0 ? NameLabelHeight + 5 : 0;
  Bar->Vertical = vertical;
  Bar->Dragging = false;
  if (!ProjectLoading()) {
    if (vertical)
      setGeometry(x(), y(), 2 * fw + bh + MarkWidthInUse, 2 * fw + nameSpace + bw);
    else
      setGeometry(x(), y(), 2 * fw + bh, 2 * fw + nameSpace + bw + MarkHeightInUse);
  }
  UpdateNameLabel();
  PanelResize();
  FollowEditFrame();
  TEditPanel::UpdateSelection();
  TPropertyEditor::RefreshListing();
}

int32_t TQXBargraph::GetMode() const {
  UpdateModeRows();
  return Bar->Mode;
}

void TQXBargraph::SetMode(int32_t value) {
  if (value < 0 || value > 2) return;
  Bar->Mode = value;
  Bar->Dragging = false;
  valueMode_.store(value, std::memory_order_relaxed);
  UpdateModeRows();
  FollowEditFrame();
}

void TQXBargraph::SetOutSource(const std::string& value) {
  OutElement->SetSource(value);
  SourceChanged();
  FollowEditFrame();
}

void TQXBargraph::SetUnit(const std::string& value) {
  UnitText = Utf8Left(value, 10);
  UpdateNameLabel();
  FollowEditFrame();
}

void TQXBargraph::SetShowUnit(bool value) {
  ShowUnit = value;
  UpdateNameLabel();
  FollowEditFrame();
}

void TQXBargraph::SetMinScale(double value) {
  MinScale = value;
  UpdateMarks();
  PanelResize();
  // The bar at once: a loaded project and the Edit page see no display
  // refresh before a run.
  ShowStoredValue();
  RepaintBar();
}

void TQXBargraph::SetMaxScale(double value) {
  MaxScale = value;
  UpdateMarks();
  PanelResize();
  ShowStoredValue();
  RepaintBar();
}

void TQXBargraph::SetStepQty(int32_t value) {
  Bar->StepQty = value;
  RepaintBar();
}

void TQXBargraph::SetStepClearance(int32_t value) {
  Bar->StepClearance = value;
  RepaintBar();
}

void TQXBargraph::SetClearanceX(int32_t value) {
  Bar->ClearanceX = value;
  RepaintBar();
}

void TQXBargraph::SetClearanceY(int32_t value) {
  Bar->ClearanceY = value;
  RepaintBar();
}

void TQXBargraph::SetLightEffect(bool value) {
  Bar->LightEffect = value;
  RepaintBar();
}

void TQXBargraph::SetDarkEffect(bool value) {
  Bar->DarkEffect = value;
  RepaintBar();
}

void TQXBargraph::SetBarBckGndColor(TColor value) {
  Bar->BarBckGndColor = value;
  RepaintBar();
}

void TQXBargraph::SetLightColor(TColor value) {
  Bar->LightColor = value;
  RepaintBar();
}

void TQXBargraph::SetDarkColor(TColor value) {
  Bar->DarkColor = value;
  RepaintBar();
}

// ---- property listing ----------------------------------------------------------

QPointer<TEEListing> TQXBargraph::Listing;

namespace {
// The source rows that depend on the mode.
QPointer<TEEEintrag> BarSourceInRow;
QPointer<TEEEintrag> BarSourceOutRow;
}  // namespace

void TQXBargraph::UpdateModeRows() const {
  if (!Listing || TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  if (BarSourceInRow) BarSourceInRow->setVisible(Bar->Mode != 1);
  if (BarSourceOutRow) BarSourceOutRow->setVisible(Bar->Mode != 0);
  Listing->Arrange();
}

void TQXBargraph::InitListing() {
  using C = TQXBargraph;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<C>(Listing);
  using A = TEEAccessors<C>;
  TEEETitelActive::Add(Tr("uqxbargraph.sbartitel", "Balkenanzeige"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&C::GetShowName, &C::SetShowName));
  BarSourceInRow = TEEEEingangUAuswahl::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource),
                                            A::Bool(&C::GetShowSource, &C::SetShowSource));
  BarSourceOutRow = TEEEAusgang::Add(A::Text(&C::GetOutSource, &C::SetOutSource));
  TEEEZeichenUAuswahl::Add(cap::Unit(), cap::Show(), A::Text(&C::GetUnit, &C::EditUnit),
                           A::Bool(&C::GetShowUnit, &C::EditShowUnit));
  TEEELinie::Add();
  TEEEAuswahlbox::Add(cap::Mode(), {cap::Input(), cap::Output(), cap::InOut()},
                      A::Int(&C::GetMode, &C::SetMode));
  TEEEAuswahlbox::Add(cap::Alignment(), {cap::Horizontal(), cap::Vertical()},
                      A::Int(&C::GetOrientation, &C::SetOrientation));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), cap::X(), cap::Y(),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxbargraph.sscalelabels", "Skalenbeschriftung"), cap::Show(),
                       A::Bool(&C::GetShowMarks, &C::SetShowMarks));
  TEEELinie::Add();
  TEEERealPaar::Add(Tr("uqxbargraph.sscalerange", "Skalenbereich"), Tr("uqxbargraph.smin", "Min"),
                    Tr("uqxbargraph.smax", "Max"), A::Real(&C::GetMinScale, &C::EditMinScale),
                    A::Real(&C::GetMaxScale, &C::EditMaxScale));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxbargraph.sstepqty", "Anzahl Stufen"),
                   A::Int(&C::GetStepQty, &C::SetStepQty));
  TEEEIntFeld::Add(Tr("uqxbargraph.sstepclearance", "Stufenabstand"),
                   A::Int(&C::GetStepClearance, &C::SetStepClearance));
  TEEEIntPaar::Add(Tr("uqxbargraph.sclearance", "Randabstand"), Tr("uqxbargraph.sclearx", "X="),
                   Tr("uqxbargraph.scleary", "Y="), A::Int(&C::GetClearanceX, &C::SetClearanceX),
                   A::Int(&C::GetClearanceY, &C::SetClearanceY));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(cap::SendAnim(), cap::Show(),
                       A::Bool(&TQXAnimElement::GetShowAnim, &TQXAnimElement::SetShowAnim));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxbargraph.seffect", "Leuchteffekt"),
                       Tr("uqxbargraph.slightcolor", "Leuchtfarbe"),
                       A::Bool(&C::GetLightEffect, &C::SetLightEffect));
  TEEEAuswahlFeld::Add(Tr("uqxbargraph.seffect", "Leuchteffekt"),
                       Tr("uqxbargraph.sdarkcolor", "Schattenfarbe"),
                       A::Bool(&C::GetDarkEffect, &C::SetDarkEffect));
  TEEELinie::Add();
  TEEEFarbe::Add(Tr("uqxbargraph.slightcolor", "Leuchtfarbe"),
                 A::Color(&C::GetLightColor, &C::SetLightColor));
  TEEEFarbe::Add(Tr("uqxbargraph.sdarkcolor", "Schattenfarbe"),
                 A::Color(&C::GetDarkColor, &C::SetDarkColor));
  TEEEFarbe::Add(Tr("uqxbargraph.sbarbckgnd", "Balkenhintergrund"),
                 A::Color(&C::GetBarBckGndColor, &C::SetBarBckGndColor));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(
      140, Tr("uqxbargraph.sbardescr",
              "Die Balkenanzeige dient je nach Modus als Anzeige oder zur Ausgabe. Als Ausgabe "
              "wird der Wert beim Loslassen der Maustaste gesendet. Verarbeitet werden Zahlen "
              "im Format \"F\".\nBeispiel: Eingang \"#5\", Befehl \"#5F50;\" zeigt den "
              "halben Balken."));
  TEEListing::End(Listing);
}

void TQXBargraph::InitFileSet(TFLSetList& sets) {
  using C = TQXBargraph;
  auto b = sets.Define<C>("QXBarGraph", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.String("inSource", &TQXElement::GetSource, &TQXElement::SetSource);
  b.String("outSource", &C::GetOutSource, &C::SetOutSource);
  b.String("unit", &C::GetUnit, &C::SetUnit);
  b.Bool("showName", &C::GetShowName, &C::SetShowName);
  b.Bool("showSource", &C::GetShowSource, &C::SetShowSource);
  b.Bool("showUnit", &C::GetShowUnit, &C::SetShowUnit);
  b.Enum("mode", {"in", "out", "inOut"}, &C::GetMode, &C::SetMode);
  b.Enum("orientation", {"horz", "vert"}, &C::GetOrientation, &C::SetOrientation);
  b.Bool("showMarks", &C::GetShowMarks, &C::SetShowMarks);
  KeysPositionSize(b);
  b.Real("minScale", &C::GetMinScale, &C::SetMinScale);
  b.Real("maxScale", &C::GetMaxScale, &C::SetMaxScale);
  b.Int("stepQty", &C::GetStepQty, &C::SetStepQty);
  b.Int("stepClearance", &C::GetStepClearance, &C::SetStepClearance);
  b.IntXY("clearance", &C::GetClearanceX, &C::SetClearanceX, &C::GetClearanceY, &C::SetClearanceY);
  b.Bool("effectA", &C::GetLightEffect, &C::SetLightEffect);
  b.Bool("effectB", &C::GetDarkEffect, &C::SetDarkEffect);
  KeyBckGndColor(b);
  b.Color("scaleBckGndColor", &C::GetBarBckGndColor, &C::SetBarBckGndColor);
  b.Color("lightColor", &C::GetLightColor, &C::SetLightColor);
  b.Color("darkColor", &C::GetDarkColor, &C::SetDarkColor);
  KeysFrame(b);
  KeyShowAnim(b);
  ClassSet = &b.Set();
}

}  // namespace qx
