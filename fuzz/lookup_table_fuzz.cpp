// Arbitrary text through the look-up-table reader; a table that reads and
// ascends is indexed and looked up at its own points, between them and
// outside: no crash, a staircase answers one of the table's values, and an
// interpolation stays within the values around it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <vector>

#include "formula/uLookupTable.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsTableValue(const qx::TLookupTable& t, double y) {
  for (double v : t.YValues)
    if (v == y || (std::isnan(v) && std::isnan(y))) return true;
  return false;
}

// Probes: every point (at most 64), the midpoints next to them, both ends
// and beyond, and the values that are not numbers.
void Probes(const qx::TLookupTable& t, std::vector<double>& xs) {
  xs.clear();
  const size_t n = t.XValues.size();
  const size_t step = n > 64 ? n / 64 : 1;
  for (size_t i = 0; i < n; i += step) {
    xs.push_back(t.XValues[i]);
    if (i + 1 < n) xs.push_back(t.XValues[i] + (t.XValues[i + 1] - t.XValues[i]) / 2);
  }
  xs.push_back(t.XMin - 1);
  xs.push_back(t.XMax + 1);
  xs.push_back(std::numeric_limits<double>::infinity());
  xs.push_back(-std::numeric_limits<double>::infinity());
  xs.push_back(std::numeric_limits<double>::quiet_NaN());
}

struct Fixture {
  qx::TLookupTable table;
  std::vector<double> xs, ys, probes;
};

Fixture& TheFixture() {
  static Fixture* f = new Fixture;  // never freed: outlives every input
  return *f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16 * 1024) return 0;  // keeps every input's work bounded
  Fixture& fx = TheFixture();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!qx::ParseLUTText(text, fx.xs, fx.ys)) {
    Check(fx.xs.size() == fx.ys.size());
    return 0;
  }
  Check(fx.xs.size() == fx.ys.size());
  qx::TLookupTable& t = fx.table;
  t.XValues.swap(fx.xs);
  t.YValues.swap(fx.ys);
  if (!t.CheckAscending()) return 0;
  t.BuildIndex();
  Check(t.PointCount == static_cast<int32_t>(t.XValues.size()));

  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  bool tame = true;  // every value finite and far from overflowing a difference
  for (size_t i = 0; i < t.XValues.size(); ++i) {
    lo = std::min(lo, t.YValues[i]);
    hi = std::max(hi, t.YValues[i]);
    tame = tame && std::fabs(t.XValues[i]) < 1e150 && std::fabs(t.YValues[i]) < 1e150;
  }
  Probes(t, fx.probes);
  for (double x : fx.probes) {
    t.Interpolate = false;
    const double stair = t.Lookup(x);
    Check(std::isnan(x) ? std::isnan(stair) : IsTableValue(t, stair));
    t.Interpolate = true;
    const double lin = t.Lookup(x);
    if (tame && !std::isnan(x)) {
      const double slack = (hi - lo) * 1e-9;
      Check(lin >= lo - slack && lin <= hi + slack);
    }
  }
  return 0;
}
