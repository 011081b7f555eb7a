// Time chart (module uQXTimeChart): up to ten curves of computed numbers
// against time. A sampling thread of its own evaluates every curve's formula
// each SamplePeriod under the hub's receive lock and hands the rows to the
// GUI thread through a double buffer; the display tick adds them to the
// curves and turns the time window page by page.
#pragma once

#include <QPointer>
#include <array>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/uBuffer.h"
#include "foundation/uTiming.h"
#include "instruments/uQXChartBase.h"

namespace qx {

class TEEListing;

// ---- date-time marks ----

enum class TDateTimeStepKind { Millisecond, Second, Minute, Hour, Day, Week, Month, Year };
inline constexpr int32_t kDateTimeStepKinds = 8;

struct TDateTimeStep {
  TDateTimeStepKind Kind = TDateTimeStepKind::Second;
  int32_t Count = 1;  // units per step
  bool operator==(const TDateTimeStep&) const = default;
};

// The finest step that divides a span (seconds) into at most `intervals`
// intervals (quarters are not used).
TDateTimeStep ChooseDateTimeStep(double spanSeconds, int32_t intervals);
// A date-time pattern (d, m month, y, h, n minute, s, z; quoted text
// literal) in the form QDateTime::toString takes.
QString QtDateTimeFormat(std::string_view pattern);
// Marks (seconds since the epoch, local calendar) of lo..hi.
void DateTimeMarks(double lo, double hi, int32_t intervals,
                   const std::array<QString, kDateTimeStepKinds>& qtFormats,
                   std::vector<TChartMark>& marks);
// The shown date-time window of the seconds amin..amax after start: whole
// seconds, unless that would leave no width.
std::pair<double, double> DateTimeWindow(double start, double amin, double amax);

class TDateTimeTicker : public QCPAxisTicker {
 public:
  int32_t IntervalCount = 5;
  std::array<QString, kDateTimeStepKinds> Formats;  // QDateTime formats
  void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                QVector<double>& ticks, QVector<double>* subTicks,
                QVector<QString>* tickLabels) override;

 private:
  std::vector<TChartMark> marks_;
};

// ---- the chart ----

class TQXTimeChart : public TQXChartBase {
  Q_OBJECT

 public:
  explicit TQXTimeChart(QWidget* owner);
  ~TQXTimeChart() override;
  static TQXTimeChart* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  static void InitListing();
  static const TFLSet* ClassSet;
  static QPointer<TEEListing> Listing;
  static TChartListingRows ListingRowSet;

  static constexpr int32_t kBufferRows = 100;

  std::array<TQXElement*, kChartCurves + 1> CurveElements{};  // 2..10
  TFixedIntervalChartSource& TimeMarkSource = XSource;
  QSharedPointer<TDateTimeTicker> DateTimeSource;
  QSharedPointer<QCPAxisTicker> TimeTicker;
  double SamplePeriod = 0.2;
  std::atomic<double> SampleTime{0};
  TChartBounds T{0, 20, 20};
  double ViewMin = 0;
  double ViewMax = 20;
  double PendingShift = 0;
  double StartDateTime = 0;  // seconds since the epoch
  TDoubleArrayBuffer Buffer{kBufferRows};
  std::vector<double> WriteRow;  // sampling thread
  std::unique_ptr<TCompareTimer> SampleTimer;
  std::atomic<bool> UseTimeDate{false};

  QCPGraph* Graph(int32_t n) const { return static_cast<QCPGraph*>(Series(n)); }
  int32_t PointCount(int32_t n) const { return Graph(n)->data()->size(); }

  void UpdateDisplay() override;
  void ResetValue() override;
  void StreamStart() override;
  void StreamStop() override;
  void Retranslate() override;
  TQXElement* Clone() override { return CloneAs<TQXTimeChart>(); }
  TQXElement* CurveInput(int32_t n) const override;
  TChartListingRows& ListingRows() const override { return ListingRowSet; }
  void RunCommand(TChartCommand cmd, double v) override;

  void SampleTick(uint64_t elapsedMs);
  void ClearCurves();
  void TrimCurve(int32_t n);
  void ResetTimeBase();
  void SetView(double aMin, double aMax);
  void ApplyTimeBase();

  double GetSamplePeriod() const { return SamplePeriod; }
  void SetSamplePeriod(double v);
  double GetTMin() const { return T.Min; }
  void SetTMin(double v);
  double GetTMax() const { return T.Max; }
  void SetTMax(double v);
  bool GetUseTimeDate() const { return UseTimeDate.load(); }
  void SetUseTimeDate(bool v);
  void SetSpacingX(int32_t v) override;

  template <class C>
  static void KeysSampling(TFLSetBuilder<C>& b) {
    b.Real("dutycycle", &TQXTimeChart::GetSamplePeriod, &TQXTimeChart::SetSamplePeriod);
    b.Bool("useTimeDate", &TQXTimeChart::GetUseTimeDate, &TQXTimeChart::SetUseTimeDate);
  }

 protected:
  bool OwnInputRequired() const override { return false; }
  void ApplyCurveQty() override;

 private:
  std::array<QSharedPointer<TTrimmableData<QCPGraphData>>, kChartCurves + 1> data_;
};

}  // namespace qx
