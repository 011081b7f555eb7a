#include "instruments/uFixedIntervalChartSource.h"

#include <cmath>
#include <stdexcept>

#include "foundation/uNumText.h"

namespace qx {

namespace {

constexpr int32_t kMaxRounds = 1000;
constexpr int32_t kMaxMarks = 1000;
constexpr double kZeroSnap = 1e-12;
// Part of a step by which a mark may lie beyond the upper bound.
constexpr double kStepSlack = 1e-9;

double SnapZero(double x) {
  return std::fabs(x) < kZeroSnap ? 0.0 : x;
}

// To the nearest multiple of 1e-12, so sums of steps print as expected.
double RoundPico(double x) {
  const double scaled = x * 1e12;
  if (!std::isfinite(scaled) || std::fabs(scaled) > 9e15) return x;  // beyond the grid's precision
  return std::nearbyint(scaled) / 1e12;
}

}  // namespace

double AdaptMarkStep(double baseStep, double ratio, TIntervalMode mode) {
  double a = ratio, s = baseStep;
  if (mode == TIntervalMode::imIntervalHalving) {
    if (a >= 1) {
      for (int32_t r = 0; r < kMaxRounds && a >= 1.3; ++r) {
        a *= 0.5;
        s *= 2;
      }
    } else {
      for (int32_t r = 0; r < kMaxRounds && a <= 0.7; ++r) {
        a *= 2;
        s *= 0.5;
      }
    }
    return s;
  }
  double f = 1;
  if (a >= 1) {
    for (int32_t r = 0; r < kMaxRounds && a >= 1.3; ++r) {
      a /= f;
      const double next = a / 10 >= 1.3 ? 10 : a / 5 >= 1.3 ? 5 : 2;
      s *= f;
      f = next;
    }
  } else {
    for (int32_t r = 0; r < kMaxRounds && a <= 0.7; ++r) {
      a *= f;
      const double next = a * 10 <= 0.7 ? 10 : a * 5 <= 0.7 ? 5 : 2;
      s /= f;
      f = next;
    }
  }
  return s;
}

bool FixedIntervalMarks(const TMarkGrid& grid, double lo, double hi, const TMarkFormatter& format,
                        std::vector<TChartMark>& marks) {
  if (!(lo < hi)) return false;
  const double range = grid.ExtentMax - grid.ExtentMin;
  const double span = hi - lo;
  if (!(range > 0) || !(span > 0) || grid.IntervalCount < 1) return false;
  const double ratio = span / range;
  const double baseStep = range / grid.IntervalCount;
  const double step = AdaptMarkStep(baseStep, ratio, grid.Mode);
  if (!(step > 0) || !std::isfinite(step)) return false;
  const double zoom = baseStep / step;

  const double first = SnapZero(std::trunc((lo - grid.ExtentMin) / step) * step + grid.ExtentMin);
  // A mark on the upper bound stays even when the sum of steps, or a range
  // computed back from graph units, lands a hair beside it.
  const double slack = step * kStepSlack;
  const double count = std::trunc((hi - first + slack) / step) + 1;
  int64_t n = count > kMaxMarks || !std::isfinite(count) ? 1 : static_cast<int64_t>(count);
  if (n < 0) n = 0;

  marks.clear();
  for (int64_t i = 0; i < n; ++i) {
    // From the first mark, not summed: no drift into the last digits.
    const double x = RoundPico(SnapZero(first + static_cast<double>(i) * step));
    if (x > hi + slack) break;
    marks.push_back({x, format ? format(x, zoom) : FloatToText(x)});
  }
  return true;
}

void TFixedIntervalChartSource::SetXCount(int32_t) {
  throw std::runtime_error("Cannot set XCount");
}

void TFixedIntervalChartSource::SetYCount(int32_t) {
  throw std::runtime_error("Cannot set YCount");
}

bool TFixedIntervalChartSource::ValuesInRange(double lo, double hi, const std::string& markFormat,
                                              std::vector<TChartMark>& marks) const {
  const TMarkGrid grid{IntervalMode, IntervalCount, DefaultExtentMin, DefaultExtentMax};
  TMarkFormatter format;
  if (CustomFormatMethod) {
    format = [this](double x, double z) { return CustomFormatMethod(*this, x, z); };
  } else if (!markFormat.empty()) {
    format = [&markFormat](double x, double) {
      return QString::asprintf(markFormat.c_str(), x).toStdString();
    };
  }
  return FixedIntervalMarks(grid, lo, hi, format, marks);
}

void TFixedIntervalTicker::generate(const QCPRange& range, const QLocale&, QChar, int,
                                    QVector<double>& ticks, QVector<double>* subTicks,
                                    QVector<QString>* tickLabels) {
  ticks.clear();
  if (subTicks) subTicks->clear();
  if (tickLabels) tickLabels->clear();
  marks_.clear();
  if (!source_ || !source_->ValuesInRange(range.lower, range.upper, {}, marks_)) return;
  // The source's end marks may lie a hair outside (a fraction of a step).
  const double slack = range.size() * 1e-6;
  for (const TChartMark& m : marks_) {
    if (m.Value < range.lower - slack || m.Value > range.upper + slack) continue;
    ticks.push_back(m.Value);
    if (tickLabels) tickLabels->push_back(QString::fromStdString(m.Text));
  }
}

}  // namespace qx
