#include "formula/uLookupTable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "foundation/uNumText.h"
#include "foundation/uPlainFile.h"

namespace qx {

namespace {
constexpr double kGridTol = 1e-6;
constexpr double kLookTol = 1e-8;

// Only a regular file within the size limit is read, without waiting (see
// ReadPlainFile). Answers an empty status on success.
std::string_view ReadTableFile(const std::string& path, std::string& text) {
  using T = TLookupTable;
  switch (ReadPlainFile(path, T::kMaxFileSize, text)) {
    case TPlainFileStatus::Ok:
      return {};
    case TPlainFileStatus::NotRegular:
      return T::kStatusNotRegular;
    case TPlainFileStatus::TooLarge:
      return T::kStatusTooLarge;
    case TPlainFileStatus::ReadError:
      return T::kStatusLoadError;
    default:
      return T::kStatusOpenError;
  }
}

}  // namespace

bool ParseLUTText(std::string_view text, std::vector<double>& xs, std::vector<double>& ys) {
  xs.clear();
  ys.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    if (line.empty()) break;  // an empty line ends the table
    const size_t split = line.find_first_of(" \t");
    if (split == std::string_view::npos) return false;
    bool okX = false;
    bool okY = false;
    const double x = TextToReal(line.substr(0, split), okX);
    const double y = TextToReal(line.substr(split + 1), okY);
    if (!okX || !okY) return false;
    // Point indices are 32-bit.
    if (xs.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    xs.push_back(x);
    ys.push_back(y);
    // One line end: CR LF counts once.
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    pos = end + 1;
  }
  return true;
}

TLookupTable::TLookupTable() : XValues{0.0}, YValues{0.0} {}

bool TLookupTable::PrepareLUT(std::string_view fileName) {
  LUTValid = LoadLUTFile(fileName);
  if (LUTValid) LUTValid = CheckAscending();
  if (LUTValid) {
    BuildIndex();
  } else {
    PointCount = 0;  // no lookup on a stale index
    FastIndex.clear();
  }
  return LUTValid;
}

bool TLookupTable::LoadLUTFile(std::string_view fileName) {
  if (fileName.empty()) {
    Status = kStatusNoFile;
    return false;
  }
  std::string text;
  const std::string_view refused = ReadTableFile(std::string(fileName), text);
  if (refused == kStatusOpenError || refused == kStatusNotRegular) {
    Status = refused;
    return false;
  }
  std::vector<double> xs;
  std::vector<double> ys;
  if (!refused.empty() || !ParseLUTText(text, xs, ys)) {
    Status = refused.empty() ? kStatusLoadError : refused;
    XValues.clear();
    YValues.clear();
    return false;
  }
  XValues = std::move(xs);
  YValues = std::move(ys);
  return true;
}

bool TLookupTable::CheckAscending() {
  if (XValues.empty()) {
    // A file without data lines: say so rather than keep a stale status.
    Status = kStatusLoadError;
    return false;
  }
  for (size_t i = 1; i < XValues.size(); ++i) {
    if (!(XValues[i] > XValues[i - 1])) {
      Status = kStatusNotAscending;
      return false;
    }
  }
  Status = kStatusOk;
  return true;
}

void TLookupTable::BuildIndex() {
  PointCount = static_cast<int32_t>(XValues.size());
  FastIndex.assign(static_cast<size_t>(PointCount), 0);
  if (PointCount == 0) {
    XMin = XMax = GridStep = 0;
    return;
  }
  XMin = XValues.front();
  XMax = XValues.back();
  // One point: the end rules of the lookup answer every x, no grid needed.
  GridStep = PointCount > 1 ? (XMax - XMin) / (PointCount - 1) : 0;
  if (PointCount == 1) return;
  int32_t j = 0;
  for (int32_t k = 0; k < PointCount; ++k) {
    const double g = XMin + k * GridStep;
    int32_t m = j;
    for (; m < PointCount; ++m) {
      if (std::fabs(XValues[m] - g) <= kGridTol) break;
      if (XValues[m] > g) {
        --m;
        break;
      }
    }
    if (m >= PointCount) m = PointCount - 1;
    if (m < j) m = j;  // never backward
    FastIndex[k] = m;
    j = m;
  }
}

void TLookupTable::SwapContents(TLookupTable& other) noexcept {
  std::swap(LUTValid, other.LUTValid);
  Status.swap(other.Status);
  XValues.swap(other.XValues);
  YValues.swap(other.YValues);
  std::swap(PointCount, other.PointCount);
  std::swap(XMin, other.XMin);
  std::swap(XMax, other.XMax);
  std::swap(GridStep, other.GridStep);
  FastIndex.swap(other.FastIndex);
}

int32_t TLookupTable::PointIndex(double x) const {
  const int32_t last = PointCount - 1;
  if (x >= XMax - kLookTol) return last;
  if (x <= XMin + kLookTol) return 0;
  // Here XMin < x < XMax, so GridStep > 0 and the quotient is finite.
  double kd = std::trunc((x - XMin) / GridStep + kGridTol);
  if (!(kd >= 0)) kd = 0;
  if (kd > last) kd = last;
  int32_t s = FastIndex[static_cast<int32_t>(kd)];
  // Rounding in the grid can land one point too far up.
  while (s > 0 && XValues[s] > x + kLookTol) --s;
  if (std::fabs(XValues[s] - x) <= kLookTol) return s;
  for (int32_t j = s; j <= last; ++j) {
    if (x < XValues[j] - kLookTol) return j > 0 ? j - 1 : 0;
  }
  return last;
}

int32_t TLookupTable::GetNextGreater(int32_t i, double x) const {
  if (i >= PointCount - 1 || x <= XValues[i] + kLookTol) return i;
  return i + 1;
}

double TLookupTable::Lookup(double x) const {
  if (PointCount <= 0 || static_cast<int32_t>(XValues.size()) < PointCount ||
      static_cast<int32_t>(FastIndex.size()) < PointCount)
    return std::numeric_limits<double>::quiet_NaN();
  if (std::isnan(x)) return x;  // NaN flows on
  const int32_t i = PointIndex(x);
  if (!Interpolate) return YValues[i];
  const int32_t j = GetNextGreater(i, x);
  if (j == i) return YValues[i];
  return InterpolateLinear(XValues[i], YValues[i], XValues[j], YValues[j], x);
}

double InterpolateLinear(double x0, double y0, double x1, double y1, double x) {
  double dx = x1 - x0;
  double ox = x - x0;
  if (!std::isfinite(dx) || !std::isfinite(ox)) {
    // Points more than the double range apart: halved, the ratio is the same.
    dx = x1 * 0.5 - x0 * 0.5;
    ox = x * 0.5 - x0 * 0.5;
  }
  const double dy = y1 - y0;
  const double product = ox * dy;
  // |ox| <= |dx|, so the quotient is no larger than dy.
  if (std::isfinite(product)) return y0 + product / dx;
  if (!std::isfinite(y0) || !std::isfinite(y1)) return y0 + ox * dy / dx;  // inf or NaN flows on
  // The share of the way lies in [0, 1]; lerp keeps its result between the
  // two finite values.
  const double t = std::clamp(ox / dx, 0.0, 1.0);
  return std::lerp(y0, y1, t);
}

}  // namespace qx
