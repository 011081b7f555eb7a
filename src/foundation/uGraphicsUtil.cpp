#include "foundation/uGraphicsUtil.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace qx {

namespace {

std::atomic<TSystemColorResolver> systemColorResolver{nullptr};

// Classic desktop defaults, as #RRGGBB, by system colour index.
constexpr uint32_t kDefaultSystemRgb[] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0,
};

// Channel value of a weighted sum: rounded half to even, kept in 0..255.
uint8_t ToByte(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= 0.0)) return 0;  // also NaN
  if (r > 255.0) return 255;
  return static_cast<uint8_t>(r);
}

// The resampling accumulator: three weighted sums.
struct TColorAccu {
  double R = 0, G = 0, B = 0;
  void AddWeightedColor(TColor c, double w) {
    R += w * GetRValue(c);
    G += w * GetGValue(c);
    B += w * GetBValue(c);
  }
  TColor TakeAverageColor() {
    const TColor c = RGBToColor(ToByte(R), ToByte(G), ToByte(B));
    R = G = B = 0;
    return c;
  }
};

}  // namespace

void SetSystemColorResolver(TSystemColorResolver resolver) {
  systemColorResolver.store(resolver);
}

TColor DefaultSystemColor(TColor c) {
  if (!IsSystemColor(c)) return c;
  const uint32_t index = c & 0xFF;
  if (index >= std::size(kDefaultSystemRgb)) return 0;
  const uint32_t rgb = kDefaultSystemRgb[index];
  return RGBToColor(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                    static_cast<uint8_t>(rgb));
}

TColor ColorToRGB(TColor c) {
  if (!IsSystemColor(c)) return c;
  const TSystemColorResolver r = systemColorResolver.load();
  return r ? r(c) : DefaultSystemColor(c);
}

TColor BlendColor(TColor a, TColor b, double t) {
  if (!(t >= 0.0)) t = 0.0;  // NaN counts as 0: gives B
  if (t > 1.0) t = 1.0;
  a = ColorToRGB(a);
  b = ColorToRGB(b);
  auto mix = [t](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(std::trunc(t * x + (1.0 - t) * y));
  };
  return RGBToColor(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                    mix(GetBValue(a), GetBValue(b)));
}

TColor DimColor(TColor c, double f) {
  if (!(f >= 0.0 && f < 1.0)) return c;
  auto dim = [f](uint8_t x) { return static_cast<uint8_t>(std::trunc(x * f)); };
  return RGBToColor(dim(GetRValue(c)), dim(GetGValue(c)), dim(GetBValue(c)));
}

TColor AverageColor(const std::vector<TColor>& colors) {
  if (colors.empty()) return 0;
  TColorAccu acc;
  const double w = 1.0 / static_cast<double>(colors.size());
  for (TColor c : colors) acc.AddWeightedColor(c, w);
  return acc.TakeAverageColor();
}

// -------------------------------------------------------------- TPixelBuffer

TPixelBuffer::TPixelBuffer(int32_t w, int32_t h, TColor fill) {
  SetSize(w, h, fill);
}

void TPixelBuffer::SetSize(int32_t w, int32_t h, TColor fill) {
  Width = std::max(w, 0);
  Height = std::max(h, 0);
  Pixels.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), fill);
}

// ---------------------------------------------------------------- scaling

void ScaleLine(const TColor* src, int32_t n, ptrdiff_t srcStride, TColor* dest, int32_t m,
               ptrdiff_t destStride) {
  if (n <= 0 || m <= 0) return;
  for (int32_t i = 0; i < m; ++i) dest[i * destStride] = 0;
  const double step = static_cast<double>(n) / m;
  double covered = 0;
  double bound = step;
  TColorAccu acc;
  double pending = 0;  // weight in the accumulator not yet taken
  int32_t out = 0;
  int32_t j = 1;
  auto take = [&] {
    // Rounding of bound can leave a destination pixel beyond the last one
    // (with a negligible weight); it is dropped rather than written.
    const TColor c = acc.TakeAverageColor();
    if (out < m) dest[out * destStride] = c;
    pending = 0;
    ++out;
  };
  while (j <= n) {
    const TColor p = src[(j - 1) * srcStride];
    if (bound >= j) {
      const double w = (j - covered) / step;
      acc.AddWeightedColor(p, w);
      pending += w;
      covered = j;
      if (bound - j < 0.000001) {
        take();
        bound += step;
      }
      ++j;
    } else {
      const double w = (bound - covered) / step;
      acc.AddWeightedColor(p, w);
      pending += w;
      covered = bound;
      bound += step;
      take();
    }
  }
  // The last destination pixel is complete by construction; should rounding
  // have kept it open, write what it holds instead of leaving it black.
  if (out < m && pending > 0.5) take();
}

void ScaleBitmap(const TPixelBuffer& src, TPixelBuffer& dest) {
  if (src.Width <= 0 || src.Height <= 0 || dest.Width <= 0 || dest.Height <= 0) return;
  // T: the width of D and the height of S.
  TPixelBuffer tmp(dest.Width, src.Height);
  for (int32_t r = 0; r < src.Height; ++r)
    ScaleLine(&src.Pixels[static_cast<size_t>(r) * src.Width], src.Width, 1,
              &tmp.Pixels[static_cast<size_t>(r) * tmp.Width], tmp.Width, 1);
  for (int32_t c = 0; c < dest.Width; ++c)
    ScaleLine(&tmp.Pixels[static_cast<size_t>(c)], tmp.Height, tmp.Width,
              &dest.Pixels[static_cast<size_t>(c)], dest.Height, dest.Width);
}

// ---------------------------------------------------------------- streams

void StringToStream(TMemoryStream& stream, std::string_view text) {
  stream.Memory.resize(text.size());
  if (!text.empty()) std::memcpy(stream.Memory.data(), text.data(), text.size());
}

std::string StreamToString(const TMemoryStream& stream) {
  const size_t n = std::min(stream.Memory.size(), StreamToStringMax);
  return std::string(stream.Memory.data(), n);
}

}  // namespace qx
