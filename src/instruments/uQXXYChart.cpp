#include "instruments/uQXXYChart.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "channels/uLossNotify.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"

namespace qx {

// ---- drawing dense curves ---------------------------------------------------------

namespace {

const QPointF kGapPoint(std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::quiet_NaN());

bool IsGap(const QPointF& p) { return std::isnan(p.x()) || std::isnan(p.y()); }

// Clips the segment a-b to r (Liang-Barsky); false when none of it is inside.
bool ClipSegment(const QRectF& r, QPointF& a, QPointF& b) {
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const QPointF a0 = a;
  if (t0 > 0) a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
  if (t1 < 1) b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
  return true;
}

// The reductions take one point at a time, so that a single pass over a
// curve's data feeds the lines and the markers. Dense data stays on one
// pixel for long stretches: that case is decided by comparisons alone.

class TPolylineReducer {
 public:
  explicit TPolylineReducer(QVector<QPointF>& out) : out_(out) {
    out_.clear();
    out_.reserve(4096);
  }
  void Push(const QPointF& p) {
    if (inCell_ && p.x() >= cellX_ && p.x() < cellX_ + 1 && p.y() >= cellY_ &&
        p.y() < cellY_ + 1) {
      pending_ = p;  // the last point before the line leaves the pixel
      hasPending_ = true;
      return;
    }
    Flush();
    out_.push_back(p);
    inCell_ = !IsGap(p);
    if (inCell_) {
      cellX_ = std::floor(p.x());
      cellY_ = std::floor(p.y());
    }
  }
  void Finish() { Flush(); }

 private:
  void Flush() {
    if (hasPending_) out_.push_back(pending_);
    hasPending_ = false;
  }
  QVector<QPointF>& out_;
  bool inCell_ = false, hasPending_ = false;
  double cellX_ = 0, cellY_ = 0;
  QPointF pending_;
};

class TScatterReducer {
 public:
  TScatterReducer(const QRect& area, QVector<QPointF>& out)
      : out_(out),
        left_(area.left()),
        top_(area.top()),
        w_(std::max(area.width(), 0)),
        h_(std::max(area.height(), 0)),
        taken_(static_cast<size_t>(w_ * h_), 0) {
    out_.clear();
  }
  void Push(const QPointF& p) {
    if (p.x() >= lastX_ && p.x() < lastX_ + 1 && p.y() >= lastY_ && p.y() < lastY_ + 1) return;
    const double dx = p.x() - left_, dy = p.y() - top_;
    // Also false for NaN: a gap has no marker.
    if (!(dx >= 0 && dy >= 0 && dx < static_cast<double>(w_) && dy < static_cast<double>(h_)))
      return;
    const auto ix = static_cast<qsizetype>(dx), iy = static_cast<qsizetype>(dy);
    lastX_ = static_cast<double>(left_ + ix);
    lastY_ = static_cast<double>(top_ + iy);
    uint8_t& cell = taken_[static_cast<size_t>(iy * w_ + ix)];
    if (cell) return;
    cell = 1;
    out_.push_back(p);
  }

 private:
  QVector<QPointF>& out_;
  qsizetype left_, top_, w_, h_;
  std::vector<uint8_t> taken_;
  double lastX_ = std::numeric_limits<double>::infinity(), lastY_ = lastX_;
};

template <class Sink>
class TPolylineClipper {
 public:
  TPolylineClipper(const QRectF& area, Sink& sink) : area_(area), sink_(sink) {}
  void Push(const QPointF& p) {
    if (IsGap(p)) {
      EndRun();
      prevOk_ = false;
      return;
    }
    const bool in = p.x() >= area_.left() && p.x() <= area_.right() && p.y() >= area_.top() &&
                    p.y() <= area_.bottom();
    if (in && (!prevOk_ || prevIn_)) {
      Emit(p);  // the common case: the whole segment is in view
    } else if (prevOk_) {
      QPointF a = prev_, b = p;
      if (!ClipSegment(area_, a, b)) {
        EndRun();
      } else {
        if (!open_ || last_ != a) {
          EndRun();
          Emit(a);
        }
        Emit(b);
        if (b != p) EndRun();  // it left the area
      }
    }
    prev_ = p;
    prevOk_ = true;
    prevIn_ = in;
  }

 private:
  void Emit(const QPointF& p) {
    if (gapPending_) sink_.Push(kGapPoint);
    gapPending_ = false;
    sink_.Push(p);
    last_ = p;
    open_ = true;
  }
  // The separating gap goes out only when another run follows.
  void EndRun() {
    if (open_) gapPending_ = true;
    open_ = false;
  }
  const QRectF area_;
  Sink& sink_;
  QPointF prev_, last_;
  bool prevOk_ = false, prevIn_ = false, open_ = false, gapPending_ = false;
};

// Markers reaching into the area from outside are drawn too.
QRect MarkerArea(const QRect& clip, double markerSize) {
  const int m = static_cast<int>(std::ceil(markerSize)) + 1;
  return clip.adjusted(-m, -m, m, m);
}

struct TCollect {
  QVector<QPointF>& out;
  void Push(const QPointF& p) { out.push_back(p); }
};

// The affine map of a linear axis, taken from the axis itself.
struct TAxisMap {
  double lower, origin, scale;
  explicit TAxisMap(const QCPAxis* a) {
    const QCPRange r = a->range();
    lower = r.lower;
    origin = a->coordToPixel(r.lower);
    scale = r.size() != 0 ? (a->coordToPixel(r.upper) - origin) / r.size() : 0;
  }
  double operator()(double v) const { return origin + (v - lower) * scale; }
};

}  // namespace

void MergeSquares(const QVector<QPointF>& centres, int size, bool join, QVector<QRect>& out) {
  out.clear();
  const double half = size / 2.0;
  for (const QPointF& p : centres) {
    const QRect r(static_cast<int>(std::lround(p.x() - half)),
                  static_cast<int>(std::lround(p.y() - half)), size, size);
    if (join && !out.isEmpty()) {
      // Steep or flat stretches of a curve put their markers side by side:
      // such a pair is exactly one rectangle.
      QRect& last = out.back();
      const bool column = r.left() == last.left() && r.width() == last.width() &&
                          r.top() <= last.bottom() + 1 && r.bottom() >= last.top() - 1;
      const bool row = r.top() == last.top() && r.height() == last.height() &&
                       r.left() <= last.right() + 1 && r.right() >= last.left() - 1;
      if (column || row) {
        last = last.united(r);
        continue;
      }
    }
    out.push_back(r);
  }
}

void ReducePolyline(const QVector<QPointF>& in, QVector<QPointF>& out) {
  TPolylineReducer r(out);
  for (const QPointF& p : in) r.Push(p);
  r.Finish();
}

void ReduceScatters(const QVector<QPointF>& in, const QRect& area, QVector<QPointF>& out) {
  TScatterReducer r(area, out);
  for (const QPointF& p : in) r.Push(p);
}

void ClipPolyline(const QVector<QPointF>& in, const QRectF& area, QVector<QPointF>& out) {
  out.clear();
  TCollect sink{out};
  TPolylineClipper<TCollect> c(area, sink);
  for (const QPointF& p : in) c.Push(p);
}

void TQXReducedCurve::draw(QCPPainter* painter) {
  const QCPAxis* keyAxis = mKeyAxis.data();
  const QCPAxis* valueAxis = mValueAxis.data();
  // Anything beyond plain lines and markers on linear axes is drawn as usual.
  if (!Reduce || !keyAxis || !valueAxis || mDataContainer->isEmpty() || !mSelection.isEmpty() ||
      keyAxis->scaleType() != QCPAxis::stLinear || valueAxis->scaleType() != QCPAxis::stLinear ||
      (mBrush.style() != Qt::NoBrush && mBrush.color().alpha() != 0) || mScatterSkip > 0 ||
      (mLineStyle != lsLine && mLineStyle != lsNone))
    return QCPCurve::draw(painter);

  const bool lines = mLineStyle == lsLine && mPen.style() != Qt::NoPen;
  const bool markers = !mScatterStyle.isNone();
  const QRect area = clipRect();
  // Lines are cut a little outside the area so caps and joins stay unseen.
  const double lm = mPen.widthF() + 2;
  TPolylineReducer lineReducer(lines_);
  TPolylineClipper<TPolylineReducer> clipper(QRectF(area).adjusted(-lm, -lm, lm, lm), lineReducer);
  TScatterReducer markerReducer(markers ? MarkerArea(area, mScatterStyle.size()) : QRect(),
                                markers_);

  // One pass: every point is mapped to pixels once and feeds both.
  const TAxisMap km(keyAxis), vm(valueAxis);
  const bool keyHorizontal = keyAxis->orientation() == Qt::Horizontal;
  for (auto it = mDataContainer->constBegin(); it != mDataContainer->constEnd(); ++it) {
    const double k = km(it->key), v = vm(it->value);
    const QPointF p = !std::isfinite(k) || !std::isfinite(v) ? kGapPoint
                      : keyHorizontal                        ? QPointF(k, v)
                                                             : QPointF(v, k);
    if (lines) clipper.Push(p);
    if (markers) markerReducer.Push(p);
  }
  lineReducer.Finish();

  if (lines) {
    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);
    DrawReducedLines(painter, lines_);
  }
  if (markers) DrawReducedMarkers(painter, markers_, mScatterStyle);
}

void TQXReducedCurve::drawCurveLine(QCPPainter* painter, const QVector<QPointF>& lines) const {
  if (!Reduce) return QCPCurve::drawCurveLine(painter, lines);
  ReducePolyline(lines, lines_);
  DrawReducedLines(painter, lines_);
}

void TQXReducedCurve::drawScatterPlot(QCPPainter* painter, const QVector<QPointF>& points,
                                      const QCPScatterStyle& style) const {
  if (!Reduce) return QCPCurve::drawScatterPlot(painter, points, style);
  ReduceScatters(points, MarkerArea(clipRect(), style.size()), markers_);
  DrawReducedMarkers(painter, markers_, style);
}

void TQXReducedCurve::DrawReducedLines(QCPPainter* painter, const QVector<QPointF>& lines) const {
  const QPen pen = painter->pen();
  // A thin solid line looks the same drawn in one piece, and one call per
  // run between gaps saves the per-segment set-up of the raster engine.
  // Wide or dashed pens keep the segment-wise drawing (caps and dashes).
  if (mLineStyle != lsLine || pen.style() != Qt::SolidLine || pen.widthF() > 1.0 ||
      painter->modes().testFlag(QCPPainter::pmVectorized) ||
      painter->modes().testFlag(QCPPainter::pmNoCaching))
    return QCPCurve::drawCurveLine(painter, lines);
  applyDefaultAntialiasingHint(painter);
  qsizetype start = 0;
  const qsizetype n = lines.size();
  for (qsizetype i = 0; i <= n; ++i) {
    if (i < n && !IsGap(lines[i])) continue;
    if (i - start >= 2)
      painter->drawPolyline(lines.constData() + start, static_cast<int>(i - start));
    start = i + 1;
  }
}

void TQXReducedCurve::DrawReducedMarkers(QCPPainter* painter, const QVector<QPointF>& points,
                                         const QCPScatterStyle& style) const {
  if (style.shape() != QCPScatterStyle::ssSquare)
    return QCPCurve::drawScatterPlot(painter, points, style);
  // The squares the style draws one by one, in one call, on whole pixels:
  // a marker of a few pixels looks the same, and smoothing each costs most
  // of a dense chart's replot.
  style.applyTo(painter, mPen);
  painter->setRenderHint(QPainter::Antialiasing, false);
  const int size = std::max(1, static_cast<int>(std::lround(style.size())));
  // Squares filled in their outline's colour are solid blocks: neighbours
  // can be drawn as one.
  const QPen& pen = painter->pen();
  const QBrush& brush = painter->brush();
  const bool solid = pen.style() == Qt::NoPen ||
                     (pen.style() == Qt::SolidLine && brush.style() == Qt::SolidPattern &&
                      pen.color() == brush.color());
  MergeSquares(points, size, solid, rects_);
  painter->drawRects(rects_.constData(), static_cast<int>(rects_.size()));
}

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
    auto* k = new TQXReducedCurve(Chart->xAxis, Chart->yAxis);
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

// ---- property listing ----------------------------------------------------------------

QPointer<TEEListing> TQXXYChart::Listing;
TChartListingRows TQXXYChart::ListingRowSet;

void TQXXYChart::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXXYChart>(Listing);
  ListingRowSet.Main = Listing;
  using A = TEEAccessors<TQXXYChart>;
  TEEETitelActive::Add(Tr("uqxxychart.sxycharttitel", "XY-Diagramm"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXChartBase::GetShowName, &TQXChartBase::SetShowName));
  TEEELinie::Add();
  TEEEEingang* xInput = TEEEEingang::Add(A::Text(&TQXElement::GetSource, &TQXElement::SetSource));
  xInput->SetCaption(cap::Input() + " X");
  TEEELinie::Add();
  // Refreshing the count shows the curve rows in use.
  const auto curveQty = [](TQXChartBase& c) {
    c.UpdateCurveRows();
    return c.CurveQty;
  };
  TEEEIntFeld::Add(Tr("uqxxychart.scurveqty", "Anzahl Kurven"),
                   A::Int(curveQty, &TQXChartBase::SetCurveQty));
  ListCurveRows(
      ListingRowSet, [](int32_t n) { return cap::Input() + " Y" + QString::number(n); }, building);
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Unit(), cap::Show(),
                           A::Text(&TQXChartBase::GetUnit, &TQXChartBase::SetUnit),
                           A::Bool(&TQXChartBase::GetShowUnit, &TQXChartBase::SetShowUnit));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), Tr("uqxxychart.sx", "x ="), Tr("uqxxychart.sy", "y ="),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEERealPaar::Add(Tr("uqxxychart.sxaxis", "X-Achse"), Tr("uqxchartbase.smin", "Min"),
                    Tr("uqxchartbase.smax", "Max"),
                    A::Real(&TQXXYChart::GetXMin, &TQXXYChart::SetXMin),
                    A::Real(&TQXXYChart::GetXMax, &TQXXYChart::SetXMax));
  TEEERealPaar::Add(Tr("uqxxychart.syaxis", "Y-Achse"), Tr("uqxchartbase.smin", "Min"),
                    Tr("uqxchartbase.smax", "Max"),
                    A::Real([](TQXChartBase& c) { return c.GetYMin(1); },
                            [](TQXChartBase& c, double v) { c.SetYMin(1, v); }),
                    A::Real([](TQXChartBase& c) { return c.GetYMax(1); },
                            [](TQXChartBase& c, double v) { c.SetYMax(1, v); }));
  TEEELinie::Add();
  TEEEIntPaar::Add(
      Tr("uqxchartbase.sspacing", "Skalenteilung"), Tr("uqxxychart.sspacingx", "X"),
      Tr("uqxxychart.sspacingy", "Y"),
      A::Int(&TQXChartBase::GetSpacingX, [](TQXChartBase& c, int32_t v) { c.SetSpacingX(v); }),
      A::Int([](TQXChartBase& c) { return c.GetYSpacing(1); },
             [](TQXChartBase& c, int32_t v) { c.SetYSpacing(1, v); }));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxxychart.scurveline", "Kurvenlinie"), cap::Show(),
                       A::Bool(&TQXXYChart::GetLineVisible, &TQXXYChart::SetLineVisible));
  TEEELinie::Add();
  TEEESubLister* axes = TEEESubLister::Add(Tr("uqxchartbase.saxessettings", "Achseneinstellungen"));
  TEEELinie::Add();
  TEEESubLister* control = TEEESubLister::Add(Tr("uqxchartbase.scontrol", "Steuerkanal"));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXChartBase::GetFont, &TQXChartBase::SetFont));
  TEEEFarbe::Add(Tr("uqxxychart.scurvebackcolor", "Kurvenhintergrund"),
                 A::Color(&TQXChartBase::GetCurveBackColor, &TQXChartBase::SetCurveBackColor));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(180,
                        Tr("uqxxychart.sxychdescr",
                           "XY-Diagramm mit Punkten. Die Koordinaten kommen von den "
                           "Eing\xC3\xA4ngen X und Y. Ein Punkt wird eingetragen, sobald ein neuer "
                           "Wert am Eingang X eintrifft.\nAlle Y-Kan\xC3\xA4le sind passiv: zuerst "
                           "den Y-Wert bzw. die Y-Werte senden, danach den X-Wert.\n\xC3\x9C"
                           "ber den Steuerkanal kann die Anzeige gel\xC3\xB6scht werden."));
  TEEELinie::Add();

  TChartListingTexts texts;
  texts.XAxisSettings = Tr("uqxxychart.sxaxissettings", "Einstellungen X-Achse");
  texts.XBounds = Tr("uqxxychart.sxaxis", "X-Achse");
  texts.YBounds = Tr("uqxxychart.syaxis", "Y-Achse");
  texts.CurveDescr = Tr("uqxxychart.sxychcurvesettingdescr",
                        "Im Feld Werteachse erfolgt die Zuordnung zu den Y-Achsen. Es "
                        "k\xC3\xB6nnen bis zu 6 Y-Achsen im Untermen\xC3\xBC Achseneinstellungen "
                        "angelegt werden.");
  texts.CurveDescrHeight = 140;
  texts.ControlDescr = Tr("uqxxychart.sxychsteuerkanaldescr",
                          "\xC3\x9C"
                          "ber den Steuerkanal kann die Gegenstelle das Diagramm zur\xC3\xBC"
                          "cksetzen. 'Clear' und 'Reset' l\xC3\xB6schen beide alle Werte und "
                          "verhalten sich gleich.\nDie Grenzen werden mit 'XMin', 'XMax', 'YMin', "
                          "'YMax' gesetzt, die Skalenteilung mit 'XSpacing', 'YSpacing'. Der Wert "
                          "muss vorher als Zahl (F) an denselben Eingang gesendet werden: "
                          "\"#7F200; #7SXMax;\" bei Eingang \"#7\" setzt das Maximum der X-Achse "
                          "auf 200.");
  ListSubListings(ListingRowSet, axes, control, texts,
                  A::Real(&TQXXYChart::GetXMin, &TQXXYChart::SetXMin),
                  A::Real(&TQXXYChart::GetXMax, &TQXXYChart::SetXMax), building);
  TEEListing::End(Listing);
}

}  // namespace qx
