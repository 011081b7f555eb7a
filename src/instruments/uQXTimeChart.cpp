#include "instruments/uQXTimeChart.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

#include "channels/uLossNotify.h"
#include "channels/uTerminal.h"
#include "editing/uEECaptions.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uEESubRows.h"
#include "widgets/uLangStrings.h"
#include "editing/uPropertyEditor.h"
#include "foundation/uNumText.h"

namespace qx {

// ---- date-time marks -------------------------------------------------------------

namespace {

struct TStepCandidate {
  TDateTimeStepKind Kind;
  int32_t Count;
  double Seconds;  // approximate for months and years
};

constexpr double kDay = 86400;
constexpr double kMonth = 30.436875 * kDay;
constexpr double kYear = 365.2425 * kDay;

constexpr TStepCandidate kSteps[] = {
    {TDateTimeStepKind::Millisecond, 1, 0.001}, {TDateTimeStepKind::Millisecond, 2, 0.002},
    {TDateTimeStepKind::Millisecond, 5, 0.005}, {TDateTimeStepKind::Millisecond, 10, 0.01},
    {TDateTimeStepKind::Millisecond, 20, 0.02}, {TDateTimeStepKind::Millisecond, 50, 0.05},
    {TDateTimeStepKind::Millisecond, 100, 0.1}, {TDateTimeStepKind::Millisecond, 200, 0.2},
    {TDateTimeStepKind::Millisecond, 500, 0.5}, {TDateTimeStepKind::Second, 1, 1},
    {TDateTimeStepKind::Second, 2, 2},          {TDateTimeStepKind::Second, 5, 5},
    {TDateTimeStepKind::Second, 10, 10},        {TDateTimeStepKind::Second, 15, 15},
    {TDateTimeStepKind::Second, 30, 30},        {TDateTimeStepKind::Minute, 1, 60},
    {TDateTimeStepKind::Minute, 2, 120},        {TDateTimeStepKind::Minute, 5, 300},
    {TDateTimeStepKind::Minute, 10, 600},       {TDateTimeStepKind::Minute, 15, 900},
    {TDateTimeStepKind::Minute, 30, 1800},      {TDateTimeStepKind::Hour, 1, 3600},
    {TDateTimeStepKind::Hour, 2, 7200},         {TDateTimeStepKind::Hour, 3, 10800},
    {TDateTimeStepKind::Hour, 6, 21600},        {TDateTimeStepKind::Hour, 12, 43200},
    {TDateTimeStepKind::Day, 1, kDay},          {TDateTimeStepKind::Day, 2, 2 * kDay},
    {TDateTimeStepKind::Week, 1, 7 * kDay},     {TDateTimeStepKind::Week, 2, 14 * kDay},
    {TDateTimeStepKind::Month, 1, kMonth},      {TDateTimeStepKind::Month, 2, 2 * kMonth},
    {TDateTimeStepKind::Month, 6, 6 * kMonth},  {TDateTimeStepKind::Year, 1, kYear},
    {TDateTimeStepKind::Year, 2, 2 * kYear},    {TDateTimeStepKind::Year, 5, 5 * kYear},
    {TDateTimeStepKind::Year, 10, 10 * kYear},  {TDateTimeStepKind::Year, 20, 20 * kYear},
    {TDateTimeStepKind::Year, 50, 50 * kYear},  {TDateTimeStepKind::Year, 100, 100 * kYear},
};

constexpr int32_t kMaxDateMarks = 1000;

QDateTime LocalOf(double seconds) {
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(seconds * 1000.0)));
}

double SecondsOf(const QDateTime& t) {
  return static_cast<double>(t.toMSecsSinceEpoch()) / 1000.0;
}

double NowSeconds() {
  return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

}  // namespace

TDateTimeStep ChooseDateTimeStep(double spanSeconds, int32_t intervals) {
  intervals = std::max(intervals, 1);
  for (const TStepCandidate& c : kSteps) {
    if (spanSeconds / c.Seconds <= intervals) return {c.Kind, c.Count};
  }
  const TStepCandidate& last = std::end(kSteps)[-1];
  return {last.Kind, last.Count};
}

QString QtDateTimeFormat(std::string_view pattern) {
  QString out, literal;
  const auto flush = [&] {
    if (literal.isEmpty()) return;
    out += '\'' + literal + '\'';
    literal.clear();
  };
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char ch = pattern[i];
    if (ch == '"' || ch == '\'') {
      const size_t end = pattern.find(ch, i + 1);
      const size_t stop = end == std::string_view::npos ? pattern.size() : end;
      literal += QString::fromUtf8(pattern.substr(i + 1, stop - i - 1));
      i = stop;
      continue;
    }
    char mapped = 0;
    switch (ch) {
      case 'n':
        mapped = 'm';  // minutes
        break;
      case 'm':
        mapped = 'M';  // months
        break;
      case 'd':
      case 'h':
      case 's':
      case 'z':
      case 'y':
        mapped = ch;
        break;
      default:
        break;
    }
    if (mapped) {
      flush();
      out += QChar(mapped);
    } else {
      literal += QChar(ch);
    }
  }
  flush();
  return out;
}

void DateTimeMarks(double lo, double hi, int32_t intervals,
                   const std::array<QString, kDateTimeStepKinds>& qtFormats,
                   std::vector<TChartMark>& marks) {
  marks.clear();
  if (!(lo < hi) || !std::isfinite(lo) || !std::isfinite(hi)) return;
  const TDateTimeStep step = ChooseDateTimeStep(hi - lo, intervals);
  const QString& format = qtFormats[static_cast<size_t>(step.Kind)];
  const auto add = [&](double v) {
    marks.push_back({v, LocalOf(v).toString(format).toStdString()});
  };
  double unit = 0;
  switch (step.Kind) {
    case TDateTimeStepKind::Millisecond:
      unit = 0.001;
      break;
    case TDateTimeStepKind::Second:
      unit = 1;
      break;
    case TDateTimeStepKind::Minute:
      unit = 60;
      break;
    case TDateTimeStepKind::Hour:
      unit = 3600;
      break;
    default:
      break;
  }
  if (unit > 0) {
    // Aligned in local time, so hours fall on the local clock's hours.
    const double off = LocalOf(lo).offsetFromUtc();
    const double s = unit * step.Count;
    const double first = std::ceil((lo + off) / s);
    for (int32_t i = 0; i < kMaxDateMarks; ++i) {
      const double v = std::round(((first + i) * s - off) * 1000.0) / 1000.0;
      if (v > hi) break;
      add(v);
    }
    return;
  }
  QDate d = LocalOf(lo).date();
  int32_t addDays = 0, addMonths = 0;
  switch (step.Kind) {
    case TDateTimeStepKind::Day:
      addDays = step.Count;
      break;
    case TDateTimeStepKind::Week:
      d = d.addDays(1 - d.dayOfWeek());  // Monday
      addDays = 7 * step.Count;
      break;
    case TDateTimeStepKind::Month:
      d = QDate(d.year(), (d.month() - 1) / step.Count * step.Count + 1, 1);
      addMonths = step.Count;
      break;
    default:  // years
      d = QDate(d.year() / step.Count * step.Count, 1, 1);
      addMonths = 12 * step.Count;
      break;
  }
  for (int32_t i = 0; i < kMaxDateMarks + 2; ++i) {
    const double v = SecondsOf(d.startOfDay());
    if (v > hi || marks.size() >= static_cast<size_t>(kMaxDateMarks)) break;
    if (v >= lo) add(v);
    d = addMonths ? d.addMonths(addMonths) : d.addDays(addDays);
  }
}

std::pair<double, double> DateTimeWindow(double start, double amin, double amax) {
  const double lo = start + std::nearbyint(amin), hi = start + std::nearbyint(amax);
  // A window under a second must not collapse to nothing.
  if (hi > lo) return {lo, hi};
  return {start + amin, start + amax};
}

void TDateTimeTicker::generate(const QCPRange& range, const QLocale&, QChar, int,
                               QVector<double>& ticks, QVector<double>* subTicks,
                               QVector<QString>* tickLabels) {
  ticks.clear();
  if (subTicks) subTicks->clear();
  if (tickLabels) tickLabels->clear();
  DateTimeMarks(range.lower, range.upper, IntervalCount, Formats, marks_);
  for (const TChartMark& m : marks_) {
    ticks.push_back(m.Value);
    if (tickLabels) tickLabels->push_back(QString::fromStdString(m.Text));
  }
}

// ---- the chart ------------------------------------------------------------------

const TFLSet* TQXTimeChart::ClassSet = nullptr;

TQXTimeChart::TQXTimeChart(QWidget* owner) : TQXChartBase(owner, true) {
  ClassId = 3;
  TypeName = "QXTimeChart";
  ChannelRole = RoleNumberIn;
  Active = false;  // evaluated only by the sampling tick
  KeySet = ClassSet;
  IsStreamElement = true;
  Changed.store(true);
  ControlElement->TypeName = "QXTimeChCntrlCH";
  for (int32_t n = 2; n <= kChartCurves; ++n) {
    auto* c = new TQXElement(this);
    c->IsSubElement = true;
    c->InUpdateList = false;
    c->ChannelRole = RoleNumberIn;
    c->Active = false;
    c->TypeName = "QXTimeChrtCH" + std::to_string(n);
    c->hide();
    CurveElements[static_cast<size_t>(n)] = c;
  }
  for (int32_t n = 1; n <= kChartCurves; ++n) {
    auto* g = new QCPGraph(Chart->xAxis, Chart->yAxis);
    data_[static_cast<size_t>(n)] = QSharedPointer<TTrimmableData<QCPGraphData>>::create();
    g->setData(data_[static_cast<size_t>(n)]);
    g->setAdaptiveSampling(true);
    AddSeries(n, g);
  }
  TimeTicker = Chart->BottomMarks();
  DateTimeSource = QSharedPointer<TDateTimeTicker>::create();
  Retranslate();
  Buffer.SetWidth(CurveQty + 1);
  WriteRow.assign(static_cast<size_t>(CurveQty + 1), 0.0);
  // Only sets a flag: runs on the sampling thread inside the buffer's lock.
  Buffer.OnOverflow = [](TBufferBase&) {
    if (LossNotify) LossNotify->RecvLossEvent();
  };
  SampleTimer = std::make_unique<TCompareTimer>();
  SampleTimer->SetInterval(200);
  SampleTimer->SetOnTimer([this](uint64_t elapsed) { SampleTick(elapsed); });
  ResetTimeBase();
}

TQXTimeChart::~TQXTimeChart() {
  // No tick may run once the curve elements are gone.
  SampleTimer->Terminate();
  for (int32_t n = 2; n <= kChartCurves; ++n) delete CurveElements[static_cast<size_t>(n)];
}

TQXTimeChart* TQXTimeChart::ElemCreate() {
  return new TQXTimeChart(CurrentCanvas());
}

TQXElement* TQXTimeChart::CurveInput(int32_t n) const {
  if (n <= 1) return const_cast<TQXTimeChart*>(this);
  return CurveElements[static_cast<size_t>(std::min(n, kChartCurves))];
}

void TQXTimeChart::SampleTick(uint64_t elapsedMs) {
  SampleTime.store(SampleTime.load(std::memory_order_relaxed) + SamplePeriod,
                   std::memory_order_relaxed);
  if (Terminal) Terminal->CalculateLocked(*this);
  WriteRow[0] = UseTimeDate.load() ? NowSeconds() : static_cast<double>(elapsedMs) / 1000.0;
  WriteRow[1] = GetValue();
  // CurveQty and the row only change while the timer is stopped.
  for (int32_t n = 2; n <= CurveQty; ++n) {
    TQXElement* c = CurveElements[static_cast<size_t>(n)];
    if (Terminal) Terminal->CalculateLocked(*c);
    WriteRow[static_cast<size_t>(n)] = c->GetValue();
  }
  Buffer.Put(WriteRow);
}

void TQXTimeChart::UpdateDisplay() {
  bool added = false;
  if (Buffer.Swap()) {
    std::span<const double> row;
    const size_t width = static_cast<size_t>(CurveQty) + 1;
    while (Buffer.Get(row)) {
      if (row.size() < width) continue;
      for (int32_t n = 1; n <= CurveQty; ++n)
        data_[static_cast<size_t>(n)]->add(QCPGraphData(row[0], row[static_cast<size_t>(n)]));
      added = true;
    }
  }
  for (int32_t n = 1; n <= CurveQty; ++n) TrimCurve(n);

  const double sampleTime = SampleTime.load(std::memory_order_relaxed);
  if (Chart->Zoomed) {
    if (sampleTime > PendingShift + ViewMax) PendingShift += T.Range;
  } else {
    double shift = PendingShift;
    PendingShift = 0;
    if (sampleTime > shift + ViewMax) shift += T.Range;
    if (shift > 0) SetView(ViewMin + shift, ViewMax + shift);
  }
  if (added) Chart->replot(QCustomPlot::rpQueuedReplot);
  // The display tick clears the flag first: set it again to run at every tick.
  Changed.store(true, std::memory_order_release);
}

void TQXTimeChart::TrimCurve(int32_t n) {
  auto& d = data_[static_cast<size_t>(n)];
  const int32_t k = ChartPointsToTrim(d->size());
  if (k > 0) d->RemoveFirst(k);
}

void TQXTimeChart::ClearCurves() {
  for (int32_t n = 1; n <= kChartCurves; ++n) data_[static_cast<size_t>(n)]->clear();
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TQXTimeChart::ResetValue() {
  TQXChartBase::ResetValue();
  SampleTimer->Restart();
  UpdateDisplay();
  ClearCurves();
  SampleTime.store(0);
  ResetTimeBase();
  UpdateAxisTransforms();
}

void TQXTimeChart::StreamStart() {
  SampleTimer->SetInterval(static_cast<int32_t>(std::nearbyint(SamplePeriod * 1000.0)));
  SampleTimer->SetEnabled(true);
  if (UseTimeDate.load()) ResetTimeBase();
}

void TQXTimeChart::StreamStop() {
  // Synchronous: after this no tick runs while formulas or curve counts
  // change. The GUI thread holds no receive lock here (the tick takes it).
  SampleTimer->DisableAndWait();
}

void TQXTimeChart::ResetTimeBase() {
  StartDateTime = NowSeconds();
  SampleTime.store(0);
  SetView(T.Min, T.Max);
}

void TQXTimeChart::SetView(double aMin, double aMax) {
  // A new window replaces any page shift still waiting for the zoom to end.
  PendingShift = 0;
  ViewMin = aMin;
  ViewMax = aMax;
  if (UseTimeDate.load()) {
    const auto [lo, hi] = DateTimeWindow(StartDateTime, aMin, aMax);
    Chart->SetFullX(lo, hi);
  } else {
    Chart->SetFullX(aMin, aMax);
    TimeMarkSource.DefaultExtentMin = aMin;
    TimeMarkSource.DefaultExtentMax = aMax;
  }
}

void TQXTimeChart::ApplyTimeBase() {
  ClearCurves();
  SampleTimer->Restart();
  Chart->SetBottomMarks(UseTimeDate.load() ? QSharedPointer<QCPAxisTicker>(DateTimeSource)
                                           : TimeTicker);
  ResetTimeBase();
}

void TQXTimeChart::ApplyCurveQty() {
  // The tick reads the curve count and writes the row: stop it around the
  // change (never called with the receive lock held).
  const bool wasOn = SampleTimer->Enabled();
  SampleTimer->DisableAndWait();
  TQXChartBase::ApplyCurveQty();
  Buffer.SetWidth(CurveQty + 1);
  WriteRow.assign(static_cast<size_t>(CurveQty + 1), 0.0);
  if (wasOn) SampleTimer->SetEnabled(true);
}

void TQXTimeChart::RunCommand(TChartCommand cmd, double v) {
  switch (cmd) {
    case TChartCommand::Clear:
      ClearCurves();
      break;
    case TChartCommand::Reset:
      SampleTimer->Restart();
      ResetTimeBase();
      UpdateDisplay();
      ClearCurves();
      UpdateDisplay();
      break;
    case TChartCommand::XMin:
      SetTMin(v);
      break;
    case TChartCommand::XMax:
      SetTMax(v);
      break;
    default:
      TQXChartBase::RunCommand(cmd, v);
      break;
  }
}

void TQXTimeChart::Retranslate() {
  static constexpr std::array<std::pair<const char*, const char*>, kDateTimeStepKinds> kFormats = {{
      {"uqxtimechart.schformatms", "s\".\"zzz"},
      {"uqxtimechart.schformatsec", "nn\".\"ss"},
      {"uqxtimechart.schformatmin", "hh\":\"nn"},
      {"uqxtimechart.schformathour", "dd\". \"hh\":00\""},
      {"uqxtimechart.schformatday", "dd\".\"mm\".\""},
      {"uqxtimechart.schformatweek", "dd\".\"mm\".\""},
      {"uqxtimechart.schformatmonth", "mm\".\"yyyy"},
      {"uqxtimechart.schformatyear", "yyyy"},
  }};
  for (size_t i = 0; i < kFormats.size(); ++i)
    DateTimeSource->Formats[i] =
        QtDateTimeFormat(Tr(kFormats[i].first, kFormats[i].second).toStdString());
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TQXTimeChart::SetSamplePeriod(double v) {
  SamplePeriod = std::isnan(v) ? 0.2 : std::clamp(v, 0.01, 60.0);
  FollowEditFrame();
}

void TQXTimeChart::SetTMin(double v) {
  T.SetMin(v);
  if (UseTimeDate.load())
    ResetTimeBase();
  else
    SetView(T.Min, T.Max);
  FollowEditFrame();
}

void TQXTimeChart::SetTMax(double v) {
  T.SetMax(v);
  if (UseTimeDate.load())
    ResetTimeBase();
  else
    SetView(T.Min, T.Max);
  FollowEditFrame();
}

void TQXTimeChart::SetUseTimeDate(bool v) {
  if (v != UseTimeDate.load()) {
    UseTimeDate.store(v);
    ApplyTimeBase();
  }
  FollowEditFrame();
}

void TQXTimeChart::SetSpacingX(int32_t v) {
  TQXChartBase::SetSpacingX(v);
  DateTimeSource->IntervalCount = std::max(v, 1);
}

void TQXTimeChart::InitFileSet(TFLSetList& sets) {
  auto b = sets.Define<TQXTimeChart>("QXTIMECHART",
                                     [] { return static_cast<TFLObject*>(ElemCreate()); });
  KeyDisabled(b);
  b.String("denom", &TQXElement::GetDenom, &TQXElement::SetDenom);
  b.Int("curveQty", &TQXChartBase::GetCurveQty, &TQXChartBase::SetCurveQty);
  KeysCurves(b, "source");
  KeysCaptionAndLook(b);
  KeysXHead(b);
  b.Real("scaleTMin", &TQXTimeChart::GetTMin, &TQXTimeChart::SetTMin);
  b.Real("scaleTMax", &TQXTimeChart::GetTMax, &TQXTimeChart::SetTMax);
  KeysXMid(b);
  KeysAxes(b);
  KeysCurveAxes(b);
  ClassSet = &b.Set();
}

// ---- property listing ----------------------------------------------------------------

QPointer<TEEListing> TQXTimeChart::Listing;
TChartListingRows TQXTimeChart::ListingRowSet;

void TQXTimeChart::InitListing() {
  const bool building = !Listing;
  TEEListing::Begin(Listing);
  TEEListing::BindClass<TQXTimeChart>(Listing);
  ListingRowSet.Main = Listing;
  using A = TEEAccessors<TQXTimeChart>;
  TEEETitelActive::Add(Tr("uqxtimechart.stimecharttitel", "Zeitdiagramm"),
                       A::Bool(&TQXElement::GetDisabled, &TQXElement::SetDisabled));
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Name(), cap::Show(),
                           A::Text(&TQXElement::GetDenom, &TQXElement::SetDenom),
                           A::Bool(&TQXChartBase::GetShowName, &TQXChartBase::SetShowName));
  TEEELinie::Add();
  // Refreshing the count shows the curve rows in use.
  const auto curveQty = [](TQXChartBase& c) {
    c.UpdateCurveRows();
    return c.CurveQty;
  };
  TEEEIntFeld::Add(Tr("uqxtimechart.scurveqty", "Anzahl Kurven"),
                   A::Int(curveQty, &TQXChartBase::SetCurveQty));
  ListCurveRows(
      ListingRowSet,
      [](int32_t n) {
        return Tr("uqxtimechart.scurveinput", "Eingang Kurve") + " " + QString::number(n);
      },
      building);
  TEEELinie::Add();
  TEEEZeichenUAuswahl::Add(cap::Unit(), cap::Show(),
                           A::Text(&TQXChartBase::GetUnit, &TQXChartBase::SetUnit),
                           A::Bool(&TQXChartBase::GetShowUnit, &TQXChartBase::SetShowUnit));
  TEEELinie::Add();
  TEEEIntPaar::Add(cap::Position(), Tr("uqxtimechart.sx", "x ="), Tr("uqxtimechart.sy", "y ="),
                   A::Int(&TQXElement::GetLeft, &TQXElement::SetLeft),
                   A::Int(&TQXElement::GetTop, &TQXElement::SetTop));
  TEEEIntPaar::Add(cap::Size(), cap::Width(), cap::Height(),
                   A::Int(&TQXElement::GetWidth, &TQXElement::SetWidth),
                   A::Int(&TQXElement::GetHeight, &TQXElement::SetHeight));
  TEEELinie::Add();
  TEEERealFeld::Add(Tr("uqxtimechart.ssampleperiod", "Abtastperiode/Sek"),
                    A::Real(&TQXTimeChart::GetSamplePeriod, &TQXTimeChart::SetSamplePeriod));
  TEEELinie::Add();
  TEEERealPaar::Add(Tr("uqxtimechart.stimescale", "Zeitskala X"), Tr("uqxchartbase.smin", "Min"),
                    Tr("uqxchartbase.smax", "Max"),
                    A::Real(&TQXTimeChart::GetTMin, &TQXTimeChart::SetTMin),
                    A::Real(&TQXTimeChart::GetTMax, &TQXTimeChart::SetTMax));
  TEEERealPaar::Add(Tr("uqxtimechart.svaluescale", "Werteskala Y"), Tr("uqxchartbase.smin", "Min"),
                    Tr("uqxchartbase.smax", "Max"),
                    A::Real([](TQXChartBase& c) { return c.GetYMin(1); },
                            [](TQXChartBase& c, double v) { c.SetYMin(1, v); }),
                    A::Real([](TQXChartBase& c) { return c.GetYMax(1); },
                            [](TQXChartBase& c, double v) { c.SetYMax(1, v); }));
  TEEELinie::Add();
  TEEEIntPaar::Add(
      Tr("uqxchartbase.sspacing", "Skalenteilung"), Tr("uqxtimechart.sspacingtime", "Zeit X"),
      Tr("uqxtimechart.sspacingvalue", "Wert Y"),
      A::Int(&TQXChartBase::GetSpacingX, [](TQXChartBase& c, int32_t v) { c.SetSpacingX(v); }),
      A::Int([](TQXChartBase& c) { return c.GetYSpacing(1); },
             [](TQXChartBase& c, int32_t v) { c.SetYSpacing(1, v); }));
  TEEELinie::Add();
  TEEEAuswahlFeld::Add(Tr("uqxtimechart.susetimedate", "Uhrzeit und Datum"), cap::Show(),
                       A::Bool(&TQXTimeChart::GetUseTimeDate, &TQXTimeChart::SetUseTimeDate));
  TEEELinie::Add();
  TEEESubLister* axes = TEEESubLister::Add(Tr("uqxchartbase.saxessettings", "Achseneinstellungen"));
  TEEELinie::Add();
  TEEESubLister* control = TEEESubLister::Add(Tr("uqxchartbase.scontrol", "Steuerkanal"));
  TEEELinie::Add();
  TEEEFont::Add(cap::Font(), A::Font(&TQXChartBase::GetFont, &TQXChartBase::SetFont));
  TEEEFarbe::Add(Tr("uqxtimechart.scurvebackcolor", "Kurvenhintergrund"),
                 A::Color(&TQXChartBase::GetCurveBackColor, &TQXChartBase::SetCurveBackColor));
  TEEEFarbe::Add(cap::BackColor(),
                 A::Color(&TQXElement::GetBckGndColor, &TQXElement::SetBckGndColor));
  TEEEFarbe::Add(cap::FrameColor(),
                 A::Color(&TQXElement::GetFrameColor, &TQXElement::SetFrameColor));
  TEEEIntFeld::Add(cap::FrameWidth(),
                   A::Int(&TQXElement::GetFrameWidth, &TQXElement::SetFrameWidth));
  TEEELinie::Add();
  TEEEBeschreibung::Add(200,
                        Tr("uqxtimechart.smchdescr",
                           "Die Kurven zeichnen Zahlen (\"F\") auf, die die Eingangsformel "
                           "berechnet. Aufgezeichnet wird im Abstand der Abtastperiode (Sekunden) "
                           "aus dem internen Speicher; der Eingang muss daher nicht im selben Takt "
                           "aktualisiert werden. Es sind bis zu 10 Kurven mit bis zu 6 Y-Achsen "
                           "m\xC3\xB6glich.\nBeispiel: Eingang \"#5\" zeichnet beim Rahmen "
                           "\"#5F12,3;\" den Wert 12,3 auf."));
  TEEELinie::Add();

  TChartListingTexts texts;
  texts.XAxisSettings = Tr("uqxtimechart.stimeaxissettings", "Einstellungen Zeitachse");
  texts.XBounds = Tr("uqxtimechart.stimescale", "Zeitskala X");
  texts.YBounds = Tr("uqxtimechart.svaluescale", "Werteskala Y");
  texts.ControlDescr = Tr("uqxtimechart.smchsteuerkanaldescr",
                          "\xC3\x9C"
                          "ber den Steuerkanal kann die Gegenstelle das Diagramm zur\xC3\xBC"
                          "cksetzen. 'Clear' l\xC3\xB6scht alle Kurven, die Zeit seit Beginn der "
                          "Aufzeichnung l\xC3\xA4uft weiter. 'Reset' l\xC3\xB6scht die Kurven und "
                          "setzt die Zeit auf null zur\xC3\xBC"
                          "ck (Beispiel \"#7SReset;\" bei Eingang \"#7\").\nDie Grenzen werden mit "
                          "'XMin', 'XMax', 'YMin', 'YMax' gesetzt, die Skalenteilung mit "
                          "'XSpacing', 'YSpacing'. Der Wert muss vorher als Zahl (F) an denselben "
                          "Eingang gesendet werden: \"#7F200; #7SXMax;\" bei Eingang \"#7\" setzt "
                          "das Maximum der Zeitachse auf 200.");
  ListSubListings(ListingRowSet, axes, control, texts,
                  A::Real(&TQXTimeChart::GetTMin, &TQXTimeChart::SetTMin),
                  A::Real(&TQXTimeChart::GetTMax, &TQXTimeChart::SetTMax), building);
  TEEListing::End(Listing);
}

}  // namespace qx
