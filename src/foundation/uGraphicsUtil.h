// Drawing utilities (module uGraphicsUtil), Qt-free part.
//
// Colour mixing and dimming, box-filter bitmap scaling on a plain pixel
// buffer, and text <-> memory stream copies. The Qt part (text measuring,
// font copying, system colours, QColor conversion) is in drawing/.
//
// Colours are 32-bit $00BBGGRR values (red in the low byte). Values with the
// high byte $FF are the toolkit's system colour constants (clSystemColor |
// index); ColorToRGB resolves them through the installed resolver (the Qt
// part installs one that reads the application palette) or, without one,
// through a fixed table of classic defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

using TColor = uint32_t;

constexpr TColor RGBToColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr uint8_t GetRValue(TColor c) {
  return static_cast<uint8_t>(c & 0xFF);
}
constexpr uint8_t GetGValue(TColor c) {
  return static_cast<uint8_t>((c >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(TColor c) {
  return static_cast<uint8_t>((c >> 16) & 0xFF);
}

// ---- system colour constants ----
inline constexpr TColor clSystemColor = 0xFF000000u;
inline constexpr TColor clScrollBar = clSystemColor | 0;
inline constexpr TColor clBackground = clSystemColor | 1;
inline constexpr TColor clActiveCaption = clSystemColor | 2;
inline constexpr TColor clInactiveCaption = clSystemColor | 3;
inline constexpr TColor clMenu = clSystemColor | 4;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowFrame = clSystemColor | 6;
inline constexpr TColor clMenuText = clSystemColor | 7;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clCaptionText = clSystemColor | 9;
inline constexpr TColor clActiveBorder = clSystemColor | 10;
inline constexpr TColor clInactiveBorder = clSystemColor | 11;
inline constexpr TColor clAppWorkSpace = clSystemColor | 12;
inline constexpr TColor clHighlight = clSystemColor | 13;
inline constexpr TColor clHighlightText = clSystemColor | 14;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clGrayText = clSystemColor | 17;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clInactiveCaptionText = clSystemColor | 19;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;
inline constexpr TColor clInfoText = clSystemColor | 23;
inline constexpr TColor clInfoBk = clSystemColor | 24;
inline constexpr TColor clHotLight = clSystemColor | 26;
inline constexpr TColor clGradientActiveCaption = clSystemColor | 27;
inline constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
inline constexpr TColor clMenuHighlight = clSystemColor | 29;
inline constexpr TColor clMenuBar = clSystemColor | 30;

constexpr bool IsSystemColor(TColor c) {
  return (c & 0xFF000000u) == clSystemColor;
}

// Maps a system colour constant to a plain $00BBGGRR value.
using TSystemColorResolver = TColor (*)(TColor systemColor);
// Installs the resolver (null: the built-in default table). Thread-safe.
void SetSystemColorResolver(TSystemColorResolver resolver);
// The built-in table (classic desktop defaults); non-system values unchanged.
TColor DefaultSystemColor(TColor c);
// Resolves system colour constants; any other value is returned unchanged.
TColor ColorToRGB(TColor c);

// Mix of A and B: t clamped to [0,1]; system colours resolved; each channel
// trunc(t*A + (1-t)*B). t = 1 gives A, t = 0 gives B. High byte 0.
TColor BlendColor(TColor a, TColor b, double t);
// Each of red, green, blue := trunc(byte*f), for 0 <= f < 1; any other f (or
// NaN) returns c unchanged. System colours are not resolved first.
TColor DimColor(TColor c, double f);
// Helper: the rounded (half to even) per-channel average of the colours
// (0 for none); system colours are not resolved.
TColor AverageColor(const std::vector<TColor>& colors);

// A plain bitmap: Width x Height pixels, row-major, each a $00BBGGRR colour
// (in memory on little-endian: bytes R, G, B, 0).
struct TPixelBuffer {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<TColor> Pixels;

  TPixelBuffer() = default;
  TPixelBuffer(int32_t w, int32_t h, TColor fill = 0);  // negatives count as 0
  void SetSize(int32_t w, int32_t h, TColor fill = 0);  // content lost
  TColor At(int32_t x, int32_t y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  TColor& At(int32_t x, int32_t y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Resamples src into dest's current size with a box (area-averaging) filter,
// in two passes (rows, then columns). Nothing happens to a line when either
// length is 0.
void ScaleBitmap(const TPixelBuffer& src, TPixelBuffer& dest);
// One line of n source pixels into m destination pixels (dest first set to
// black). src/dest are strided views; exposed for tests.
void ScaleLine(const TColor* src, int32_t n, ptrdiff_t srcStride, TColor* dest, int32_t m,
               ptrdiff_t destStride);

// A memory stream of bytes with a position (as the URL port uses it).
struct TMemoryStream {
  std::vector<char> Memory;
  size_t Position = 0;
  size_t Size() const { return Memory.size(); }
};

// Size := the text's length in bytes, the bytes copied to the start of the
// memory; the position is not changed.
void StringToStream(TMemoryStream& stream, std::string_view text);
// The stream's first bytes, all of them but at most 256.
std::string StreamToString(const TMemoryStream& stream);
inline constexpr size_t StreamToStringMax = 256;

}  // namespace qx
