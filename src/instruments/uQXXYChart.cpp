#include "instruments/uQXXYChart.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "channels/uLossNotify.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "editing/uLangStrings.h"
#include "editing/uPropertyEditor.h"

namespace qx {

// ---- drawing dense curves ---------------------------------------------------------

void ReducePolyline(const QVector<QPointF>& in, QVector<QPointF>& out) {
  out.clear();
  out.reserve(std::min<qsizetype>(in.size(), 4096));
  bool inCell = false;
  double cellX = 0, cellY = 0;
  qsizetype pending = -1;  // last point seen on the current pixel
  for (qsizetype i = 0; i < in.size(); ++i) {
    const QPointF& p = in[i];
    if (std::isnan(p.x()) || std::isnan(p.y())) {
      if (pending >= 0) out.push_back(in[pending]);
      pending = -1;
      out.push_back(p);
      inCell = false;
      continue;
    }
    const double x = std::floor(p.x()), y = std::floor(p.y());
    if (inCell && x == cellX && y == cellY) {
      pending = i;
      continue;
    }
    if (pending >= 0) out.push_back(in[pending]);
    pending = -1;
    out.push_back(p);
    inCell = true;
    cellX = x;
    cellY = y;
  }
  if (pending >= 0) out.push_back(in[pending]);
}

void ReduceScatters(const QVector<QPointF>& in, const QRect& area, QVector<QPointF>& out) {
  out.clear();
  const qsizetype w = std::max(area.width(), 0), h = std::max(area.height(), 0);
  std::vector<bool> taken(static_cast<size_t>(w * h), false);
  for (const QPointF& p : in) {
    const double x = std::floor(p.x()) - area.left(), y = std::floor(p.y()) - area.top();
    if (x >= 0 && y >= 0 && x < static_cast<double>(w) && y < static_cast<double>(h)) {
      const auto cell =
          static_cast<size_t>(static_cast<qsizetype>(y) * w + static_cast<qsizetype>(x));
      if (taken[cell]) continue;
      taken[cell] = true;
    }
    out.push_back(p);
  }
}

void TQXReducedCurve::drawCurveLine(QCPPainter* painter, const QVector<QPointF>& lines) const {
  if (!Reduce) return QCPCurve::drawCurveLine(painter, lines);
  ReducePolyline(lines, reduced_);
  const QPen pen = painter->pen();
  // A thin solid line looks the same drawn in one piece, and one call per
  // run between gaps saves the per-segment set-up of the raster engine.
  // Wide or dashed pens keep the segment-wise drawing (caps and dashes).
  if (mLineStyle != lsLine || pen.style() != Qt::SolidLine || pen.widthF() > 1.0 ||
      painter->modes().testFlag(QCPPainter::pmVectorized) ||
      painter->modes().testFlag(QCPPainter::pmNoCaching))
    return QCPCurve::drawCurveLine(painter, reduced_);
  applyDefaultAntialiasingHint(painter);
  qsizetype start = 0;
  const qsizetype n = reduced_.size();
  for (qsizetype i = 0; i <= n; ++i) {
    const bool gap = i == n || std::isnan(reduced_[i].x()) || std::isnan(reduced_[i].y());
    if (!gap) continue;
    if (i - start >= 2)
      painter->drawPolyline(reduced_.constData() + start, static_cast<int>(i - start));
    start = i + 1;
  }
}

void TQXReducedCurve::drawScatterPlot(QCPPainter* painter, const QVector<QPointF>& points,
                                      const QCPScatterStyle& style) const {
  if (!Reduce) return QCPCurve::drawScatterPlot(painter, points, style);
  // Room for the markers that stick out of the plotting area.
  const int margin = static_cast<int>(std::ceil(style.size())) + 1;
  ReduceScatters(points, clipRect().adjusted(-margin, -margin, margin, margin), reduced_);
  if (style.shape() != QCPScatterStyle::ssSquare)
    return QCPCurve::drawScatterPlot(painter, reduced_, style);
  // The squares the style draws one by one, in one call, on whole pixels:
  // a marker of a few pixels looks the same, and smoothing each costs most
  // of a dense chart's replot.
  style.applyTo(painter, mPen);
  painter->setRenderHint(QPainter::Antialiasing, false);
  const int size = std::max(1, static_cast<int>(std::lround(style.size())));
  const double half = size / 2.0;
  rects_.clear();
  rects_.reserve(reduced_.size());
  for (const QPointF& p : reduced_)
    if (!std::isnan(p.x()) && !std::isnan(p.y()))
      rects_.push_back(QRect(static_cast<int>(std::lround(p.x() - half)),
                             static_cast<int>(std::lround(p.y() - half)), size, size));
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
