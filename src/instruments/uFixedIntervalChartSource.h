// Fixed-interval mark source (module uFixedIntervalChartSource).
//
// The axis marks of both charts: a fixed number of equal intervals between
// two configured bounds, kept on that grid when the axis is panned and made
// finer or coarser by "nice" factors when it is zoomed. The rule is the pure
// function FixedIntervalMarks; TFixedIntervalChartSource holds its settings
// and TFixedIntervalTicker hands its marks to a QCustomPlot axis.
#pragma once

#ifndef QCUSTOMPLOT_USE_LIBRARY
#define QCUSTOMPLOT_USE_LIBRARY  // the shared library, not the bundled source
#endif
#include <qcustomplot.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qx {

enum class TIntervalMode { imDecimal = 0, imIntervalHalving = 1 };

struct TChartMark {
  double Value = 0;
  std::string Text;
  bool operator==(const TChartMark&) const = default;
};

// Step for a zoom ratio (shown span / configured range): the base step scaled
// by the factors that bring the ratio into 0.7..1.3.
double AdaptMarkStep(double baseStep, double ratio, TIntervalMode mode);

// Text of one mark: (value, zoom factor = base step / step).
using TMarkFormatter = std::function<std::string(double value, double zoomFactor)>;

struct TMarkGrid {
  TIntervalMode Mode = TIntervalMode::imDecimal;
  int32_t IntervalCount = 5;
  double ExtentMin = 0;
  double ExtentMax = 5;
};

// The marks of the range lo..hi on the grid. False (and marks untouched) when
// the range or the grid is empty or inverted; never more than 1000 marks.
bool FixedIntervalMarks(const TMarkGrid& grid, double lo, double hi, const TMarkFormatter& format,
                        std::vector<TChartMark>& marks);

class TFixedIntervalChartSource {
 public:
  // (sender, value, zoom factor) -> text.
  using TCustomFormatMethod = std::function<std::string(const TFixedIntervalChartSource& sender,
                                                        double value, double zoom)>;

  TIntervalMode IntervalMode = TIntervalMode::imDecimal;
  int32_t IntervalCount = 5;
  double DefaultExtentMin = 0;
  double DefaultExtentMax = 5;
  TCustomFormatMethod CustomFormatMethod;

  // The source holds no data points.
  int32_t ItemCount() const { return IntervalCount; }
  // Both fail with the base class's count errors.
  [[noreturn]] void SetXCount(int32_t count);
  [[noreturn]] void SetYCount(int32_t count);

  // The marks of lo..hi; without a format method each text is markFormat
  // applied to the value (plain number text when markFormat is empty).
  bool ValuesInRange(double lo, double hi, const std::string& markFormat,
                     std::vector<TChartMark>& marks) const;
};

// Hands the marks of a source to an axis; marks outside the shown range are
// left out, no sub-ticks.
class TFixedIntervalTicker : public QCPAxisTicker {
 public:
  explicit TFixedIntervalTicker(const TFixedIntervalChartSource* source) : source_(source) {}
  void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                QVector<double>& ticks, QVector<double>* subTicks,
                QVector<QString>* tickLabels) override;

 private:
  const TFixedIntervalChartSource* source_;
  std::vector<TChartMark> marks_;  // reused between replots
};

}  // namespace qx
