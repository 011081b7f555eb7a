#include "instruments/uQXChartBase.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "widgets/uLangStrings.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uNumText.h"
#include "foundation/uStrSearch.h"
#include "instruments/uElementLabels.h"

namespace qx {

// ---- rules -------------------------------------------------------------------

TChartCommand MatchChartCommand(std::string_view text) {
  static constexpr std::pair<const char*, TChartCommand> kCommands[] = {
      {"clear", TChartCommand::Clear},       {"reset", TChartCommand::Reset},
      {"xmin", TChartCommand::XMin},         {"xmax", TChartCommand::XMax},
      {"ymin", TChartCommand::YMin},         {"ymax", TChartCommand::YMax},
      {"xspacing", TChartCommand::XSpacing}, {"yspacing", TChartCommand::YSpacing},
  };
  for (const auto& [word, cmd] : kCommands) {
    if (MatchAtNoCase(text, word, 1)) return cmd;
  }
  return TChartCommand::None;
}

void TChartBounds::SetMin(double v) {
  if (Max <= v) Max = v + Range;
  Min = v;
  Range = Max - Min;
}

void TChartBounds::SetMax(double v) {
  if (Min >= v) Min = v - Range;
  Max = v;
  Range = Max - Min;
}

TAxisTransform AxisTransformOf(double yMin, double yMax) {
  const double range = yMax - yMin;
  if (!(range != 0) || !std::isfinite(range)) return {};
  return {1.0 / range, -yMin / range};
}

std::string ChartMarkText(double value, double zoom, int32_t decimals, bool fixed) {
  const int32_t d = decimals + std::max(0, DecimalExponent(zoom));
  return LimitDecimals(FloatToText(value), d, fixed);
}

int32_t ChartPointsToTrim(int64_t count) {
  return count > kChartMaxPoints && count >= kChartTrimPoints ? kChartTrimPoints : 0;
}

// ---- the plot ----------------------------------------------------------------

TQXChartPlot::TQXChartPlot(QWidget* parent) : QCustomPlot(parent) {
  setInteractions({});
  setNoAntialiasingOnDrag(true);
  setAttribute(Qt::WA_NoMousePropagation, false);
  xAxis->setRange(FullX);
  bottom_ = QSharedPointer<TThinnedTicker>::create();
  SetBottomMarks(xAxis->ticker());
}

void TQXChartPlot::Apply() {
  if (OnViewChanged) OnViewChanged();
  replot(rpQueuedReplot);
}

void TQXChartPlot::SetFullX(double lo, double hi) {
  FullX = QCPRange(lo, hi);
  if (Zoomed) return;
  xAxis->setRange(FullX);
  Apply();
}

void TQXChartPlot::ZoomTo(const QCPRange& x, const QCPRange& g) {
  if (!(x.size() > 0) || !(g.size() > 0)) return;
  Zoomed = true;
  xAxis->setRange(x);
  ViewG = g;
  Apply();
}

void TQXChartPlot::Unzoom() {
  Zoomed = false;
  xAxis->setRange(FullX);
  ViewG = QCPRange(0, 1);
  Apply();
}

double TQXChartPlot::PixelToG(double y) const {
  const QRect r = axisRect()->rect();
  if (r.height() <= 0) return ViewG.lower;
  return ViewG.lower + (r.bottom() - y) / r.height() * ViewG.size();
}

void TQXChartPlot::ZoomAt(QPointF pos, double factor) {
  const double x0 = xAxis->pixelToCoord(pos.x());
  const double g0 = PixelToG(pos.y());
  const QCPRange x = xAxis->range();
  ZoomTo(QCPRange(x0 + (x.lower - x0) * factor, x0 + (x.upper - x0) * factor),
         QCPRange(g0 + (ViewG.lower - g0) * factor, g0 + (ViewG.upper - g0) * factor));
}

void TQXChartPlot::PanBy(QPointF delta, bool horizontalOnly) {
  const QRect r = axisRect()->rect();
  if (r.width() <= 0 || r.height() <= 0) return;
  const QCPRange x = xAxis->range();
  const double dx = -delta.x() / r.width() * x.size();
  const double dg = horizontalOnly ? 0.0 : delta.y() / r.height() * ViewG.size();
  ZoomTo(QCPRange(x.lower + dx, x.upper + dx), QCPRange(ViewG.lower + dg, ViewG.upper + dg));
}

void TQXChartPlot::mousePressEvent(QMouseEvent* event) {
  press_ = last_ = event->pos();
  if (event->button() == Qt::LeftButton)
    drag_ = TDrag::Zoom;
  else if (event->button() == Qt::RightButton)
    drag_ = event->modifiers() & Qt::ControlModifier ? TDrag::PanX : TDrag::Pan;
  event->accept();
}

void TQXChartPlot::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->pos();
  if (drag_ == TDrag::Zoom) {
    last_ = p;
    update();
  } else if (drag_ == TDrag::Pan || drag_ == TDrag::PanX) {
    PanBy(p - last_, drag_ == TDrag::PanX);
    last_ = p;
  }
  event->accept();
}

void TQXChartPlot::mouseReleaseEvent(QMouseEvent* event) {
  const TDrag drag = drag_;
  drag_ = TDrag::None;
  event->accept();
  if (drag != TDrag::Zoom) return;
  const QRect r = QRect(press_, event->pos()).normalized();
  if (r.width() < 3 || r.height() < 3) {
    Unzoom();  // a click restores the full extent
    return;
  }
  const double x1 = xAxis->pixelToCoord(r.left()), x2 = xAxis->pixelToCoord(r.right());
  const double g1 = PixelToG(r.bottom()), g2 = PixelToG(r.top());
  ZoomTo(QCPRange(std::min(x1, x2), std::max(x1, x2)), QCPRange(g1, g2));
}

void TQXChartPlot::updateLayout() {
  // Axes left out last time may fit again.
  for (QCPAxis* a : std::exchange(leftOut_, {})) a->setVisible(true);
  QCustomPlot::updateLayout();
  // Many value axes in a narrow chart: the plotting area gives way first,
  // down to kMinPlotWidth; below that the outermost axes are left out whole,
  // as a mark text drawn with digits cut off is a wrong reading.
  const int minPlot = std::min(kMinPlotWidth, width());
  while (axisRect()->width() < minPlot) {
    QCPAxis* outer = OutermostValueAxis();
    if (!outer) break;
    outer->setVisible(false);
    leftOut_.push_back(outer);
    QCustomPlot::updateLayout();
  }
  // The marks do not depend on the plot's width, their room does: thin the
  // texts for the width just laid out, or show them all again.
  const int stride = BottomStride();
  if (stride != bottom_->Stride) {
    bottom_->Stride = stride;
    QCustomPlot::updateLayout();
  }
}

namespace {
// Which of n mark texts a thinning by stride keeps: every stride-th from the
// first, and the last (the upper bound) in place of the one before it.
bool KeepsMark(qsizetype i, qsizetype n, qsizetype stride) {
  if (stride >= n) return i == 0;
  return i == n - 1 || (i % stride == 0 && i + stride <= n - 1);
}
}  // namespace

void TThinnedTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar,
                              int precision, QVector<double>& ticks, QVector<double>* subTicks,
                              QVector<QString>* tickLabels) {
  ticks.clear();
  AllLabels.clear();
  if (Inner) Inner->generate(range, locale, formatChar, precision, ticks, subTicks, &AllLabels);
  if (!tickLabels) return;
  *tickLabels = AllLabels;
  for (qsizetype i = 0; i < tickLabels->size(); ++i) {
    if (!KeepsMark(i, tickLabels->size(), Stride)) (*tickLabels)[i].clear();
  }
}

void TQXChartPlot::SetBottomMarks(QSharedPointer<QCPAxisTicker> marks) {
  bottom_->Inner = std::move(marks);
  xAxis->setTicker(bottom_);  // the axis takes the change as a new source
}

int TQXChartPlot::BottomStride() const {
  // The smallest step through the marks whose texts keep a gap between them.
  constexpr double kGap = 4;
  const QVector<double> ticks = xAxis->tickVector();
  const QVector<QString>& labels = bottom_->AllLabels;
  const qsizetype n = std::min(ticks.size(), labels.size());
  if (!xAxis->visible() || !xAxis->tickLabels() || n < 2) return 1;
  const QFontMetrics metrics(xAxis->tickLabelFont());
  std::vector<double> x(static_cast<size_t>(n)), half(static_cast<size_t>(n));
  for (qsizetype i = 0; i < n; ++i) {
    x[static_cast<size_t>(i)] = xAxis->coordToPixel(ticks[i]);
    half[static_cast<size_t>(i)] = metrics.horizontalAdvance(labels[i]) / 2.0;
  }
  for (qsizetype stride = 1; stride < n; ++stride) {
    bool apart = true;
    qsizetype prev = 0;
    for (qsizetype i = 1; apart && i < n; ++i) {
      if (!KeepsMark(i, n, stride)) continue;
      const auto a = static_cast<size_t>(prev), b = static_cast<size_t>(i);
      apart = std::abs(x[b] - x[a]) >= half[a] + half[b] + kGap;
      prev = i;
    }
    if (apart) return static_cast<int>(stride);
  }
  return static_cast<int>(n);  // the first text alone
}

QCPAxis* TQXChartPlot::OutermostValueAxis() const {
  // Each side lists its axes from the plot outward; the farther one from its
  // side's plot edge goes first, the right one on a tie.
  QCPAxis* outer = nullptr;
  int rank = -1;
  for (const QCPAxis::AxisType side : {QCPAxis::atLeft, QCPAxis::atRight}) {
    const QList<QCPAxis*> axes = axisRect()->axes(side);
    for (int i = 0; i < axes.size(); ++i) {
      if (axes[i]->visible() && i >= rank) {
        outer = axes[i];
        rank = i;
      }
    }
  }
  return outer;
}

void TQXChartPlot::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y();
  if (!(event->modifiers() & Qt::ControlModifier) || steps == 0) {
    event->ignore();  // the sheet scrolls
    return;
  }
  ZoomAt(event->position(), steps > 0 ? kWheelZoom : 1.0 / kWheelZoom);
  event->accept();
}

void TQXChartPlot::paintEvent(QPaintEvent* event) {
  // A snapshot (the edit frame's grab) may come before the queued replot:
  // draw the current state, not the last one.
  if (mReplotQueued && !mReplotting) replot(rpQueuedRefresh);
  QCustomPlot::paintEvent(event);
  if (drag_ != TDrag::Zoom) return;
  QPainter p(this);
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(press_, last_).normalized());
}

// ---- the element base --------------------------------------------------------

TQXChartBase::TQXChartBase(QWidget* owner, bool pauseAfterCommand)
    : TQXElement(owner), pauseAfterCommand_(pauseAfterCommand) {
  InUpdateList = true;
  Decimals.fill(20);
  FixDecimals.fill(false);
  spacing_.fill(5);
  axisLeft_.fill(true);
  showTitle_.fill(true);
  axisColor_.fill(0x000000);
  scaleFont_.fill(DefaultFont());
  titleFont_.fill(DefaultFont());
  font_ = DefaultFont();
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    curveColor_[static_cast<size_t>(n)] = kChartCurveColors[static_cast<size_t>(n - 1)];
    curveWidth_[static_cast<size_t>(n)] = 1;
    curveAxis_[static_cast<size_t>(n)] = 1;
  }

  ControlElement = new TAttachedQXElement(this);
  ControlElement->IsSubElement = true;
  ControlElement->InUpdateList = false;
  ControlElement->ChannelRole = RoleNumberOrTextIn;
  ControlElement->OnStrValue = [this](TAttachedQXElement&) { ControlCommand(); };
  ControlElement->hide();

  Chart = new TQXChartPlot(this);
  Chart->setBackground(ColorToQColor(0xF0F0F0));
  Chart->axisRect()->setBackground(ColorToQColor(curveBack_));
  Chart->OnViewChanged = [this] { ApplyValueRanges(); };
  const auto formatMark = [this](const TFixedIntervalChartSource& s, double x, double z) {
    return FormatMark(s, x, z);
  };
  XSource.DefaultExtentMax = 10;
  XSource.CustomFormatMethod = formatMark;
  Chart->SetBottomMarks(QSharedPointer<TFixedIntervalTicker>::create(&XSource));
  left_[1] = Chart->yAxis;
  right_[1] = Chart->yAxis2;
  for (int32_t n = 2; n <= kChartAxes; ++n) {
    left_[static_cast<size_t>(n)] = Chart->axisRect()->addAxis(QCPAxis::atLeft);
    right_[static_cast<size_t>(n)] = Chart->axisRect()->addAxis(QCPAxis::atRight);
  }
  for (int32_t n = 1; n <= kChartAxes; ++n) {
    auto& src = YSources[static_cast<size_t>(n)];
    src.DefaultExtentMax = 10;
    src.CustomFormatMethod = formatMark;
    const auto ticker = QSharedPointer<TFixedIntervalTicker>::create(&src);
    for (QCPAxis* a : {left_[static_cast<size_t>(n)], right_[static_cast<size_t>(n)]}) {
      a->setTicker(ticker);
      a->setSubTicks(false);
      a->grid()->setSubGridVisible(false);
    }
  }
  Chart->xAxis->setSubTicks(false);
  Chart->xAxis2->setVisible(false);
  for (int32_t n = 0; n <= kChartAxes; ++n) ApplyAxisLook(n);

  NameLabel = MakeElementLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
  SetLabelFont(NameLabel, font_);  // the font the listing shows, not the label's own
  NameLabel->setText("name");
  NameLabel->move(8, 8);
  NameLabel->hide();

  Chart->show();
  SetBckGndColor(0xF0F0F0);
  resize(300, 200);
  ApplyAxisQty();
  UpdateAxisTransforms();
}

TQXChartBase::~TQXChartBase() {
  delete ControlElement;
}

QCPAxis* TQXChartBase::ValueAxis(int32_t n) const {
  const auto i = static_cast<size_t>(std::clamp(n, 1, kChartAxes));
  return axisLeft_[i] ? left_[i] : right_[i];
}

void TQXChartBase::AddSeries(int32_t n, QCPAbstractPlottable* p) {
  series_[static_cast<size_t>(n)] = p;
  p->setVisible(n <= CurveQty);
  StyleSeries(n);
}

void TQXChartBase::StyleSeries(int32_t n) {
  QCPAbstractPlottable* p = series_[static_cast<size_t>(n)];
  if (!p) return;
  const QColor c = ColorToQColor(curveColor_[static_cast<size_t>(n)]);
  p->setPen(QPen(c, curveWidth_[static_cast<size_t>(n)]));
  const QCPScatterStyle dots(QCPScatterStyle::ssSquare, QPen(Qt::NoPen), QBrush(c), 2);
  if (auto* g = qobject_cast<QCPGraph*>(p)) {
    g->setScatterStyle(dots);
    g->setLineStyle(LinesVisible ? QCPGraph::lsLine : QCPGraph::lsNone);
  }
  if (auto* k = qobject_cast<QCPCurve*>(p)) {
    k->setScatterStyle(dots);
    k->setLineStyle(LinesVisible ? QCPCurve::lsLine : QCPCurve::lsNone);
  }
  p->setValueAxis(ValueAxis(curveAxis_[static_cast<size_t>(n)]));
}

void TQXChartBase::ApplyAxisLook(int32_t n) {
  const auto i = static_cast<size_t>(n);
  const QColor color = ColorToQColor(axisColor_[i]);
  const QString title = showTitle_[i] ? ShownText(axisTitle_[i]) : QString();
  const QFont scale = FontDescToQFont(scaleFont_[i]), titleFont = FontDescToQFont(titleFont_[i]);
  std::vector<QCPAxis*> axes;
  if (n == 0)
    axes = {Chart->xAxis};
  else
    axes = {left_[i], right_[i]};
  for (QCPAxis* a : axes) {
    a->setLabel(title);
    a->setBasePen(QPen(color));
    a->setTickPen(QPen(color));
    a->setTickLabelFont(scale);
    a->setTickLabelColor(ColorToQColor(scaleFont_[i].Color));
    a->setLabelFont(titleFont);
    a->setLabelColor(ColorToQColor(titleFont_[i].Color));
    // Grid lines of the bottom axis and of value axis 1 only.
    a->grid()->setPen(QPen(ColorToQColor(0x808080), 0, Qt::SolidLine));
    a->grid()->setVisible(n <= 1);
  }
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TQXChartBase::ApplyAxisQty() {
  Chart->ForgetLeftOut();  // every value axis is set below
  for (int32_t n = 1; n <= kChartAxes; ++n) {
    const auto i = static_cast<size_t>(n);
    const bool shown = n <= AxisQty;
    left_[i]->setVisible(shown && axisLeft_[i]);
    right_[i]->setVisible(shown && !axisLeft_[i]);
  }
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TQXChartBase::UpdateAxisTransforms() {
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    if (curveAxis_[static_cast<size_t>(n)] > AxisQty) {
      curveAxis_[static_cast<size_t>(n)] = 1;
      StyleSeries(n);
    }
  }
  for (int32_t n = 1; n <= kChartAxes; ++n) {
    const auto& y = Y[static_cast<size_t>(n)];
    AxisTransforms[static_cast<size_t>(n)] = AxisTransformOf(y.Min, y.Max);
  }
  ApplyValueRanges();
}

void TQXChartBase::ApplyValueRanges() {
  const QCPRange g = Chart->ViewG;
  for (int32_t n = 1; n <= kChartAxes; ++n) {
    const auto i = static_cast<size_t>(n);
    if (AxisTransforms[i].Scale == 0) continue;
    // The inverse of the axis transform, taken so that graph units 0 and 1
    // give the bounds exactly: a range ending a hair short of the upper
    // bound would lose its mark.
    const auto& y = Y[i];
    const auto at = [&y](double u) { return y.Min * (1 - u) + y.Max * u; };
    const QCPRange r(at(g.lower), at(g.upper));
    left_[i]->setRange(r);
    right_[i]->setRange(r);
  }
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

std::string TQXChartBase::FormatMark(const TFixedIntervalChartSource& sender, double value,
                                     double zoom) const {
  int32_t index = -1;
  if (&sender == &XSource) index = 0;
  for (int32_t n = 1; n <= AxisQty && index < 0; ++n) {
    if (&sender == &YSources[static_cast<size_t>(n)]) index = n;
  }
  if (index < 0) return {};
  const auto i = static_cast<size_t>(index);
  return ChartMarkText(value, zoom, Decimals[i], FixDecimals[i]);
}

void TQXChartBase::ShowCompileState() {
  if (IsSubElement) return;
  bool allEmpty = SourceEmpty, curvesGood = true;
  for (int32_t n = 1; n <= CurveQty; ++n) {
    const TQXElement* e = CurveInput(n);
    if (e == this) continue;
    allEmpty = allEmpty && e->SourceEmpty;
    curvesGood = curvesGood && (e->SourceValid || e->SourceEmpty);
  }
  const bool ownGood = SourceValid || (!OwnInputRequired() && SourceEmpty);
  TColor c = kFailedColor;
  if (Disabled || allEmpty)
    c = kEmptyColor;
  else if (curvesGood && ownGood)
    c = kCompiledColor;
  // The base colours the frame from these two flags (never while connected).
  const bool valid = SourceValid, empty = SourceEmpty;
  SourceValid = c == kCompiledColor;
  SourceEmpty = c == kEmptyColor;
  TQXElement::ShowCompileState();
  SourceValid = valid;
  SourceEmpty = empty;
}

void TQXChartBase::ControlCommand() {
  const TChartCommand cmd = MatchChartCommand(ControlElement->GetStrValue());
  if (cmd == TChartCommand::None) return;
  const double v = ControlElement->GetValue();
  const uint64_t serial = Serial();
  // Never wait for the GUI thread here: it takes the receive lock we hold.
  QMetaObject::invokeMethod(
      qApp,
      [serial, cmd, v] {
        if (auto* c = dynamic_cast<TQXChartBase*>(FindBySerial(serial))) c->RunCommand(cmd, v);
      },
      Qt::QueuedConnection);
  if (pauseAfterCommand_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

namespace {
int32_t TruncToInt(double v) {
  if (!(v > -2e9 && v < 2e9)) return v > 0 ? 2000000000 : -2000000000;
  return static_cast<int32_t>(v);
}
}  // namespace

void TQXChartBase::RunCommand(TChartCommand cmd, double v) {
  switch (cmd) {
    case TChartCommand::YMin:
      SetYMin(1, v);
      break;
    case TChartCommand::YMax:
      SetYMax(1, v);
      break;
    case TChartCommand::XSpacing:
      SetSpacingX(TruncToInt(v));
      break;
    case TChartCommand::YSpacing:
      SetYSpacing(1, TruncToInt(v));
      break;
    default:
      break;
  }
}

// ---- caption and layout ---------------------------------------------------------

void TQXChartBase::BuildLabel() {
  std::string text;
  if (ShowName) text = Denom;
  if (ShowUnit && !UnitText.empty()) text += " in " + UnitText;
  if (ShowName || ShowUnit) {
    NameLabel->setText(QString::fromStdString(text));
    LabelHeight = TextHeightOf(NameLabel->font());
    NameLabel->show();
  } else {
    LabelHeight = 0;
    NameLabel->hide();
  }
  PanelResize();
}

void TQXChartBase::PanelResize() {
  if (!Chart) return;  // during construction
  const int fw = FrameWidth, w = width(), h = height();
  if (LabelHeight > 0)
    Chart->setGeometry(fw, fw + LabelHeight + 5, std::max(0, w - 2 * fw),
                       std::max(0, h - 2 * fw - LabelHeight - 6));
  else
    Chart->setGeometry(fw, fw, std::max(0, w - 2 * fw), std::max(0, h - 2 * fw));
  NameLabel->setGeometry(fw + 6, fw + 3, std::max(0, w - 2 * fw - 6), LabelHeight);
}

// ---- accessors -------------------------------------------------------------------

void TQXChartBase::SetCurveQty(int32_t v) {
  if (v == CurveQty) return;
  LimitInt(v, 1, kChartCurves);
  CurveQty = v;
  ApplyCurveQty();
  UpdateCurveRows();
  FollowEditFrame();
}

void TQXChartBase::ApplyCurveQty() {
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    if (QCPAbstractPlottable* p = series_[static_cast<size_t>(n)]) p->setVisible(n <= CurveQty);
  }
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TQXChartBase::SetAxisQty(int32_t v) {
  LimitInt(v, 1, kChartAxes);
  if (v != AxisQty) {
    AxisQty = v;
    ApplyAxisQty();
    UpdateAxisTransforms();
    UpdateAxisRows();
  }
  FollowEditFrame();
}

void TQXChartBase::SetUnit(const std::string& v) {
  UnitText = Utf8Left(v, 10);
  BuildLabel();
  FollowEditFrame();
}

void TQXChartBase::SetShowName(bool v) {
  ShowName = v;
  BuildLabel();
  FollowEditFrame();
}

void TQXChartBase::SetShowUnit(bool v) {
  ShowUnit = v;
  BuildLabel();
  FollowEditFrame();
}

void TQXChartBase::SetFont(const TFontDesc& v) {
  font_ = v;
  // The mark fonts of the bottom axis and of axis 1 (either side) become the
  // element font, kept as their own so later axis edits and saving keep it.
  for (int32_t n : {0, 1}) {
    scaleFont_[static_cast<size_t>(n)] = v;
    ApplyAxisLook(n);
  }
  SetLabelFont(NameLabel, v);
  BuildLabel();
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

void TQXChartBase::SetCurveBackColor(TColor v) {
  curveBack_ = v;
  Chart->axisRect()->setBackground(ColorToQColor(v));
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

void TQXChartBase::SetBckGndColor(TColor value) {
  if (Chart) {
    Chart->setBackground(ColorToQColor(value));
    Chart->replot(QCustomPlot::rpQueuedReplot);
  }
  TQXElement::SetBckGndColor(value);
}

void TQXChartBase::SetCurveColor(int32_t n, TColor v) {
  if (n < 1 || n > kChartCurves) return;
  curveColor_[static_cast<size_t>(n)] = v;
  StyleSeries(n);
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

void TQXChartBase::SetCurveStrength(int32_t n, int32_t v) {
  if (n < 1 || n > kChartCurves) return;
  LimitInt(v, 1, 50);
  curveWidth_[static_cast<size_t>(n)] = v;
  StyleSeries(n);
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

int32_t TQXChartBase::GetCurveAxis(int32_t n) const {
  const int32_t a = curveAxis_[static_cast<size_t>(n)];
  return a > AxisQty ? 1 : a;
}

void TQXChartBase::SetCurveAxis(int32_t n, int32_t v) {
  if (n < 1 || n > kChartCurves) return;
  LimitInt(v, 1, kChartAxes);
  curveAxis_[static_cast<size_t>(n)] = v > AxisQty ? 1 : v;
  StyleSeries(n);
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

void TQXChartBase::SetSpacingX(int32_t v) {
  v = std::max(v, 1);
  spacing_[0] = v;
  XSource.IntervalCount = v;
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

void TQXChartBase::SetDecimals(int32_t n, int32_t v) {
  if (n < 0 || n > kChartAxes) return;
  LimitInt(v, 0, 20);
  if (v != Decimals[static_cast<size_t>(n)]) {
    Decimals[static_cast<size_t>(n)] = v;
    Chart->replot(QCustomPlot::rpQueuedReplot);
  }
  FollowEditFrame();
}

void TQXChartBase::SetFixDecimals(int32_t n, bool v) {
  if (n < 0 || n > kChartAxes) return;
  FixDecimals[static_cast<size_t>(n)] = v;
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

void TQXChartBase::SetAxisColor(int32_t n, TColor v) {
  if (n < 0 || n > kChartAxes) return;
  axisColor_[static_cast<size_t>(n)] = v;
  ApplyAxisLook(n);
  FollowEditFrame();
}

void TQXChartBase::SetAxisScaleFont(int32_t n, const TFontDesc& v) {
  if (n < 0 || n > kChartAxes) return;
  scaleFont_[static_cast<size_t>(n)] = v;
  ApplyAxisLook(n);
  FollowEditFrame();
}

void TQXChartBase::SetAxisTitleFont(int32_t n, const TFontDesc& v) {
  if (n < 0 || n > kChartAxes) return;
  titleFont_[static_cast<size_t>(n)] = v;
  ApplyAxisLook(n);
  FollowEditFrame();
}

void TQXChartBase::SetAxisTitle(int32_t n, std::string v) {
  if (n < 0 || n > kChartAxes) return;
  axisTitle_[static_cast<size_t>(n)] = std::move(v);
  ApplyAxisLook(n);
  FollowEditFrame();
}

void TQXChartBase::SetShowAxisTitle(int32_t n, bool v) {
  if (n < 0 || n > kChartAxes) return;
  showTitle_[static_cast<size_t>(n)] = v;
  ApplyAxisLook(n);
  FollowEditFrame();
}

void TQXChartBase::SetAxisLeft(int32_t n, bool v) {
  if (n < 1 || n > kChartAxes) return;
  axisLeft_[static_cast<size_t>(n)] = v;
  ApplyAxisQty();
  for (int32_t c = 1; c <= kChartCurves; ++c) {
    if (curveAxis_[static_cast<size_t>(c)] == n) StyleSeries(c);
  }
  FollowEditFrame();
}

void TQXChartBase::SetYMin(int32_t n, double v) {
  if (n < 1 || n > kChartAxes) return;
  auto& y = Y[static_cast<size_t>(n)];
  y.SetMin(v);
  if (ValueSourcesFollowBounds) {
    YSources[static_cast<size_t>(n)].DefaultExtentMin = y.Min;
    YSources[static_cast<size_t>(n)].DefaultExtentMax = y.Max;
  }
  UpdateAxisTransforms();
  FollowEditFrame();
}

void TQXChartBase::SetYMax(int32_t n, double v) {
  if (n < 1 || n > kChartAxes) return;
  auto& y = Y[static_cast<size_t>(n)];
  y.SetMax(v);
  if (ValueSourcesFollowBounds) {
    YSources[static_cast<size_t>(n)].DefaultExtentMin = y.Min;
    YSources[static_cast<size_t>(n)].DefaultExtentMax = y.Max;
  }
  UpdateAxisTransforms();
  FollowEditFrame();
}

void TQXChartBase::SetYSpacing(int32_t n, int32_t v) {
  if (n < 1 || n > kChartAxes) return;
  v = std::max(v, 1);
  if (n > AxisQty) return;
  spacing_[static_cast<size_t>(n)] = v;
  YSources[static_cast<size_t>(n)].IntervalCount = v;
  Chart->replot(QCustomPlot::rpQueuedReplot);
  FollowEditFrame();
}

// ---- property listing -------------------------------------------------------------

void TQXChartBase::UpdateCurveRows() const {
  if (TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  TChartListingRows& rows = ListingRows();
  for (int32_t n = 1; n <= kChartCurves; ++n)
    if (TEEEintrag* r = rows.CurveRows[static_cast<size_t>(n)]) r->setVisible(n <= CurveQty);
  if (rows.Main) rows.Main->Arrange();
}

void TQXChartBase::UpdateAxisRows() const {
  if (TPropertyEditor::ShownObject() != static_cast<const TFLObject*>(this)) return;
  TChartListingRows& rows = ListingRows();
  for (int32_t n = 1; n <= kChartAxes; ++n)
    if (TEEEintrag* r = rows.AxisRows[static_cast<size_t>(n)]) r->setVisible(n <= AxisQty);
  if (rows.Axes) rows.Axes->Arrange();
}

namespace {

using A = TEEAccessors<TQXChartBase>;

// The caption text ends in a space of its own; one space before the number.
QString NumberedCaption(const QString& caption, int32_t n) {
  return caption.trimmed() + " " + QString::number(n);
}

QString YAxisSettingsCaption() {
  return Tr("uqxchartbase.syaxissettings", "Einstellungen Y-Achse ");
}

QString AxisTitleCaption() {
  return Tr("uqxchartbase.saxistitle", "Achsentitel");
}

QString SpacingCaption() {
  return Tr("uqxchartbase.sspacing", "Skalenteilung");
}

QString MinCaption() {
  return Tr("uqxchartbase.smin", "Min");
}

QString MaxCaption() {
  return Tr("uqxchartbase.smax", "Max");
}

void IndexRow(TEEEintrag* row, int32_t index) {
  row->HasIndex = true;
  row->Index = index;
}

// Colour and the two fonts of axis `index` (0: horizontal; else the index
// the opener set).
void ListAxisLook() {
  TEEELinie::Add();
  TEEEFarbe::Add(Tr("uqxchartbase.saxiscolor", "Achsfarbe"),
                 A::Color(&TQXChartBase::GetAxisColor, &TQXChartBase::SetAxisColor));
  TEEEFont::Add(Tr("uqxchartbase.sscalefont", "Skalenbeschriftung"),
                A::Font(&TQXChartBase::GetAxisScaleFont, &TQXChartBase::SetAxisScaleFont));
  TEEEFont::Add(Tr("uqxchartbase.stitlefont", "Titelschriftart"),
                A::Font(&TQXChartBase::GetAxisTitleFont, &TQXChartBase::SetAxisTitleFont));
  TEEELinie::Add();
}

}  // namespace

void TQXChartBase::ListCurveRows(TChartListingRows& rows,
                                 const std::function<QString(int32_t)>& caption, bool building) {
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    TEEEEingColSub* row = TEEEEingColSub::Add(
        caption(n),
        A::Text([](TQXChartBase& c, int32_t i) { return c.CurveInput(i)->GetSource(); },
                [](TQXChartBase& c, int32_t i, const std::string& v) {
                  c.CurveInput(i)->SetSource(v);
                }),
        A::Color(&TQXChartBase::GetCurveColor, &TQXChartBase::SetCurveColor));
    IndexRow(row, n);
    rows.CurveRows[static_cast<size_t>(n)] = row;
    if (building && n >= 2) row->hide();
  }
}

void TQXChartBase::ListSubListings(TChartListingRows& rows, TEEESubLister* axesOpener,
                                   TEEESubLister* controlOpener, const TChartListingTexts& texts,
                                   TEEAcc<double> xMin, TEEAcc<double> xMax, bool building) {
  TEEListing* main = rows.Main;

  // One curve sub-listing for the ten curve rows (index = curve number).
  TEESubListing::Begin(rows.Curve, main, main);
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    if (auto* r = dynamic_cast<TEEEEingColSub*>(rows.CurveRows[static_cast<size_t>(n)].data()))
      r->SubListing = rows.Curve;
  }
  TEEEIndexTitel::Add(Tr("uqxchartbase.scurvesettings", "Einstellungen Kurve") + " ");
  TEEELinie::Add();
  TEEEEingang::Add(A::Text(
      [](TQXChartBase& c, int32_t i) { return c.CurveInput(i)->GetSource(); },
      [](TQXChartBase& c, int32_t i, const std::string& v) { c.CurveInput(i)->SetSource(v); }));
  TEEEFarbe::Add(Tr("uqxchartbase.scurvecolor", "Kurvenfabe"),
                 A::Color(&TQXChartBase::GetCurveColor, &TQXChartBase::SetCurveColor));
  TEEEIntFeld::Add(Tr("uqxchartbase.slinewidth",
                      "Linienst\xC3\xA4"
                      "rke"),
                   A::Int(&TQXChartBase::GetCurveStrength, &TQXChartBase::SetCurveStrength));
  TEEELinie::Add();
  TEEEIntFeld::Add(Tr("uqxchartbase.scurveaxis", "Y-Achse"),
                   A::Int(&TQXChartBase::GetCurveAxis, &TQXChartBase::SetCurveAxis));
  TEEELinie::Add();
  if (!texts.CurveDescr.isEmpty()) TEEEBeschreibung::Add(texts.CurveDescrHeight, texts.CurveDescr);
  TEESubListing::End();

  // Axis settings: the openers of the horizontal axis and of value axes 1..6.
  TEESubListing::Begin(rows.Axes, main, main);
  axesOpener->SubListing = rows.Axes;
  const QString axesTitle = Tr("uqxchartbase.saxessettings", "Achseneinstellungen");
  TEEETitel::Add(axesTitle);
  TEEELinie::Add();
  TEEESubLister* xOpener = TEEESubLister::Add(texts.XAxisSettings);
  IndexRow(xOpener, 0);
  TEEELinie::Add();
  // Refreshing the count shows the axis rows in use.
  const auto axisQty = [](TQXChartBase& c) {
    c.UpdateAxisRows();
    return c.AxisQty;
  };
  TEEEIntFeld::Add(Tr("uqxchartbase.saxisqty", "Anzahl Y-Achsen"),
                   A::Int(axisQty, &TQXChartBase::SetAxisQty));
  std::array<TEEESubLister*, kChartAxes + 1> yOpeners{};
  for (int32_t n = 1; n <= kChartAxes; ++n) {
    TEEESubLister* r = TEEESubLister::Add(NumberedCaption(YAxisSettingsCaption(), n));
    IndexRow(r, n);
    rows.AxisRows[static_cast<size_t>(n)] = r;
    yOpeners[static_cast<size_t>(n)] = r;
    if (building && n >= 2) r->hide();
  }
  TEEELinie::Add();
  TEESubListing::End();

  // The horizontal axis (index 0); back leads to the axis settings.
  TEESubListing::Begin(rows.XAxis, main, rows.Axes);
  xOpener->SubListing = rows.XAxis;
  TEEETitel::Add(texts.XAxisSettings);
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(AxisTitleCaption(), cap::Show(),
                           A::Text(&TQXChartBase::GetXTitle, &TQXChartBase::SetXTitle),
                           A::Bool(&TQXChartBase::GetShowXTitle, &TQXChartBase::SetShowXTitle));
  TEEELinie::Add();
  TEEERealPaar::Add(texts.XBounds, MinCaption(), MaxCaption(), std::move(xMin), std::move(xMax));
  TEEEIntFeld::Add(SpacingCaption(), A::Int(&TQXChartBase::GetSpacingX,
                                            [](TQXChartBase& c, int32_t v) { c.SetSpacingX(v); }));
  TEEELinie::Add();
  TEEEIntFeld::Add(cap::Decimals(), A::Int(&TQXChartBase::GetDecimals, &TQXChartBase::SetDecimals));
  TEEEAuswahlFeld::Add(cap::FixedDecimals(), QString(),
                       A::Bool(&TQXChartBase::GetFixDecimals, &TQXChartBase::SetFixDecimals));
  ListAxisLook();
  TEESubListing::End();

  // One value-axis sub-listing for the six openers (index = axis number).
  TEESubListing::Begin(rows.YAxis, main, rows.Axes);
  for (TEEESubLister* r : yOpeners)
    if (r) r->SubListing = rows.YAxis;
  TEEEIndexTitel::Add(YAxisSettingsCaption().trimmed() + " ");
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(
      AxisTitleCaption(), cap::Show(),
      A::Text(&TQXChartBase::GetAxisTitle, &TQXChartBase::SetAxisTitle),
      A::Bool(&TQXChartBase::GetShowAxisTitle, &TQXChartBase::SetShowAxisTitle));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxchartbase.sarrange", "Anordnung"),
                       Tr("uqxchartbase.sleftside", "linksseitig"),
                       A::Bool(&TQXChartBase::GetAxisLeft, &TQXChartBase::SetAxisLeft));
  TEEERealPaar::Add(texts.YBounds, MinCaption(), MaxCaption(),
                    A::Real(&TQXChartBase::GetYMin, &TQXChartBase::SetYMin),
                    A::Real(&TQXChartBase::GetYMax, &TQXChartBase::SetYMax));
  TEEEIntFeld::Add(SpacingCaption(),
                   A::Int(&TQXChartBase::GetYSpacing, &TQXChartBase::SetYSpacing));
  TEEELinie::Add();
  TEEEIntFeld::Add(cap::Decimals(), A::Int(&TQXChartBase::GetDecimals, &TQXChartBase::SetDecimals));
  TEEEAuswahlFeld::Add(cap::FixedDecimals(), QString(),
                       A::Bool(&TQXChartBase::GetFixDecimals, &TQXChartBase::SetFixDecimals));
  ListAxisLook();
  TEESubListing::End();

  // The control channel.
  TEESubListing::Begin(rows.Control, main, main);
  controlOpener->SubListing = rows.Control;
  TEEETitel::Add(Tr("uqxchartbase.scontrol", "Steuerkanal"));
  TEEELinie::Add();
  TEEEEingang::Add(A::Text(&TQXChartBase::GetControlSource, &TQXChartBase::SetControlSource));
  TEEELinie::Add();
  TEEEBeschreibung::Add(300, texts.ControlDescr);
  TEESubListing::End();
}

}  // namespace qx
