#include "instruments/uQXXYChart.h"

#include "channels/uLossNotify.h"

namespace qx {

const TFLSet* TQXXYChart::ClassSet = nullptr;

TQXXYChart::TQXXYChart(QWidget* owner) : TQXChartBase(owner, false) {
  ClassId = 4;
  TypeName = "QXXYChart";
  ChannelRole = RoleNumberIn;
  KeySet = ClassSet;
  // Value-axis marks stay on the grid of 0..10 whatever the bounds.
  ValueSourcesFollowBounds = false;
  ControlElement->TypeName = "QXXYChControlCH";
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    auto* c = new TQXElement(this);
    c->IsSubElement = true;
    c->InUpdateList = false;
    c->ChannelRole = RoleNumberIn;
    c->TypeName = "QXXYChrtCH" + std::to_string(n);
    c->hide();
    CurveElements[static_cast<size_t>(n)] = c;
  }
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    auto* k = new QCPCurve(Chart->xAxis, Chart->yAxis);
    data_[static_cast<size_t>(n)] = QSharedPointer<TTrimmableData<QCPCurveData>>::create();
    k->setData(data_[static_cast<size_t>(n)]);
    AddSeries(n, k);
  }
  Buffer.SetWidth(CurveQty + 1);
  rowWidth_.store(CurveQty + 1);
  // Only sets a flag: runs on the port thread inside the buffer's lock.
  Buffer.OnOverflow = [](TBufferBase&) {
    if (LossNotify) LossNotify->RecvLossEvent();
  };
  SetXView(X.Min, X.Max);
}

TQXXYChart::~TQXXYChart() {
  for (int32_t n = 1; n <= kChartCurves; ++n) delete CurveElements[static_cast<size_t>(n)];
}

TQXXYChart* TQXXYChart::ElemCreate() {
  return new TQXXYChart(CurrentCanvas());
}

TQXElement* TQXXYChart::CurveInput(int32_t n) const {
  return CurveElements[static_cast<size_t>(std::clamp(n, 1, kChartCurves))];
}

void TQXXYChart::SetValue(double value) {
  TQXChartBase::SetValue(value);
  // A row of its own per call: SetValue also runs on the GUI thread (reset).
  std::array<double, kChartCurves + 1> row{};
  const int32_t width = rowWidth_.load(std::memory_order_relaxed);
  row[0] = GetValue();
  for (int32_t n = 1; n < width; ++n)
    row[static_cast<size_t>(n)] = CurveElements[static_cast<size_t>(n)]->GetValue();
  Buffer.Put(std::span<const double>(row.data(), static_cast<size_t>(width)));
}

void TQXXYChart::UpdateDisplay() {
  TQXChartBase::UpdateDisplay();
  bool added = false;
  if (Buffer.Swap()) {
    std::span<const double> row;
    const size_t width = static_cast<size_t>(CurveQty) + 1;
    while (Buffer.Get(row)) {
      if (row.size() < width) continue;
      for (int32_t n = 1; n <= CurveQty; ++n)
        data_[static_cast<size_t>(n)]->add(
            QCPCurveData(nextT_, row[0], row[static_cast<size_t>(n)]));
      nextT_ += 1;
      added = true;
    }
  }
  // Trimmed as the time chart's curves: a long run must not grow without end.
  for (int32_t n = 1; n <= CurveQty; ++n) TrimCurve(n);
  if (added) Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TQXXYChart::TrimCurve(int32_t n) {
  auto& d = data_[static_cast<size_t>(n)];
  const int32_t k = ChartPointsToTrim(d->size());
  if (k > 0) d->RemoveFirst(k);
}

void TQXXYChart::ClearCurves() {
  for (int32_t n = 1; n <= kChartCurves; ++n) data_[static_cast<size_t>(n)]->clear();
  nextT_ = 0;
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TQXXYChart::ResetValue() {
  TQXChartBase::ResetValue();
  UpdateDisplay();
  ClearCurves();
  Chart->SetFullX(X.Min, X.Max);
  UpdateAxisTransforms();
}

void TQXXYChart::SetXView(double xMin, double xMax) {
  Chart->SetFullX(xMin, xMax);
  XMarkSource.DefaultExtentMin = xMin;
  XMarkSource.DefaultExtentMax = xMax;
}

void TQXXYChart::ApplyCurveQty() {
  TQXChartBase::ApplyCurveQty();
  Buffer.SetWidth(CurveQty + 1);
  rowWidth_.store(CurveQty + 1);
}

void TQXXYChart::RunCommand(TChartCommand cmd, double v) {
  switch (cmd) {
    case TChartCommand::Clear:
      ClearCurves();
      break;
    case TChartCommand::Reset:
      Chart->SetFullX(X.Min, X.Max);
      UpdateDisplay();
      ClearCurves();
      UpdateDisplay();
      break;
    case TChartCommand::XMin:
      SetXMin(v);
      break;
    case TChartCommand::XMax:
      SetXMax(v);
      break;
    default:
      TQXChartBase::RunCommand(cmd, v);
      break;
  }
}

void TQXXYChart::SetXMin(double v) {
  X.SetMin(v);
  SetXView(X.Min, X.Max);
  FollowEditFrame();
}

void TQXXYChart::SetXMax(double v) {
  X.SetMax(v);
  SetXView(X.Min, X.Max);
  FollowEditFrame();
}

void TQXXYChart::SetLineVisible(bool v) {
  LinesVisible = v;
  for (int32_t n = 1; n <= kChartCurves; ++n) StyleSeries(n);
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

void TQXXYChart::InitFileSet(TFLSetList& sets) {
  auto b =
      sets.Define<TQXXYChart>("QXXYCHART", [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.String("sourceX", &TQXElement::GetSource, &TQXElement::SetSource);
  b.Int("curveQty", &TQXChartBase::GetCurveQty, &TQXChartBase::SetCurveQty);
  KeysCurves(b, "sourceY");
  KeysCaptionAndLook(b);
  KeysXHead(b);
  b.Real("scaleXMin", &TQXXYChart::GetXMin, &TQXXYChart::SetXMin);
  b.Real("scaleXMax", &TQXXYChart::GetXMax, &TQXXYChart::SetXMax);
  KeysXMid(b);
  b.Bool("lineVisible", &TQXXYChart::GetLineVisible, &TQXXYChart::SetLineVisible);
  KeysAxes(b);
  KeysCurveAxes(b);
  ClassSet = &b.Set();
}

}  // namespace qx
