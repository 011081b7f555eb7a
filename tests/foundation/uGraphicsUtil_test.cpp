#include "foundation/uGraphicsUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace qx {
namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x00FF00;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0x000000;

TEST(ColorBytes, LayoutIsBBGGRR) {
  EXPECT_EQ(RGBToColor(0xFF, 0, 0), kRed);
  EXPECT_EQ(RGBToColor(0x12, 0x34, 0x56), 0x563412u);
  EXPECT_EQ(GetRValue(0x563412), 0x12);
  EXPECT_EQ(GetGValue(0x563412), 0x34);
  EXPECT_EQ(GetBValue(0x563412), 0x56);
}

struct BlendCase {
  TColor a, b;
  double t;
  TColor want;
};

TEST(BlendColor, Table) {
  const BlendCase cases[] = {
      {kWhite, kBlack, 0.5, 0x7F7F7F},  // 127.5 truncates
      {kWhite, kBlack, 2.0, kWhite},    // clamped to 1: A
      {kWhite, kBlack, -1.0, kBlack},   // clamped to 0: B
      {kWhite, kBlack, 1.0, kWhite},
      {kWhite, kBlack, 0.0, kBlack},
      {kRed, kBlue, 0.25, 0xBF003F},  // r 63.75 -> 63, b 191.25 -> 191
      {0x102030, 0x302010, 0.5, 0x202020},
      {0x00FF00, 0x000000, 0.1, 0x001900},  // 25.5 -> 25
      {0x123456, 0x123456, 0.37, 0x123456},
      {kWhite, kBlack, std::numeric_limits<double>::quiet_NaN(), kBlack},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BlendColor(c.a, c.b, c.t), c.want) << std::hex << c.a << " " << c.b << " t=" << c.t;
}

TEST(BlendColor, HighByteOfPlainColoursIsDropped) {
  EXPECT_EQ(BlendColor(0x20FFFFFF, 0x10000000, 1.0), kWhite);
}

TEST(BlendColor, SystemColoursAreResolved) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0u);
  EXPECT_EQ(ColorToRGB(clHighlight), RGBToColor(0x00, 0x78, 0xD7));
  EXPECT_EQ(BlendColor(clWindow, kBlack, 1.0), kWhite);
  EXPECT_EQ(BlendColor(kBlack, clWindowText, 0.0), kBlack);
  SetSystemColorResolver([](TColor) -> TColor { return 0x123456; });
  EXPECT_EQ(BlendColor(clBtnFace, kBlack, 1.0), 0x123456u);
  SetSystemColorResolver(nullptr);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0u);
  EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0x00ABCDEFu);
}

struct DimCase {
  TColor c;
  double f;
  TColor want;
};

TEST(DimColor, Table) {
  const DimCase cases[] = {
      {kWhite, 0.4, 0x666666},
      {kRed, 0.1, 0x000019},
      {0x808080, 0.5, 0x404040},
      {0x123456, 0.0, 0x000000},
      {0x7F7F7F, 0.999, 0x7E7E7E},
      {0x123456, 1.0, 0x123456},   // outside [0,1): unchanged
      {0x123456, -0.1, 0x123456},  // unchanged
      {0x123456, std::numeric_limits<double>::quiet_NaN(), 0x123456},
      {clBtnFace, 0.4, 0x000006},  // not resolved: low bytes 0F 00 00
  };
  for (const auto& c : cases)
    EXPECT_EQ(DimColor(c.c, c.f), c.want) << std::hex << c.c << " f=" << c.f;
}

TEST(AverageColor, RoundsHalfToEven) {
  EXPECT_EQ(AverageColor({}), 0u);
  EXPECT_EQ(AverageColor({kRed, kBlue}), RGBToColor(128, 0, 128));  // 127.5 -> 128
  EXPECT_EQ(AverageColor({0x000001, 0x000002}), 0x000002u);         // 1.5 -> 2
  EXPECT_EQ(AverageColor({0x000003, 0x000002}), 0x000002u);         // 2.5 -> 2
  EXPECT_EQ(AverageColor({kWhite, kWhite, kWhite}), kWhite);
}

// ------------------------------------------------------------------ scaling

std::vector<TColor> Row(const TPixelBuffer& b, int y = 0) {
  return {b.Pixels.begin() + y * b.Width, b.Pixels.begin() + (y + 1) * b.Width};
}

TEST(ScaleBitmap, EnlargeRepeatsPixels) {
  TPixelBuffer s(2, 1);
  s.At(0, 0) = kRed;
  s.At(1, 0) = kBlue;
  TPixelBuffer d(4, 1);
  ScaleBitmap(s, d);
  EXPECT_EQ(Row(d), (std::vector<TColor>{kRed, kRed, kBlue, kBlue}));
}

TEST(ScaleBitmap, ShrinkToOnePixelAverages) {
  TPixelBuffer s(2, 1);
  s.At(0, 0) = kRed;
  s.At(1, 0) = kBlue;
  TPixelBuffer d(1, 1);
  ScaleBitmap(s, d);
  EXPECT_EQ(d.At(0, 0), RGBToColor(128, 0, 128));
}

TEST(ScaleBitmap, ThreeToTwoWeightsTwoThirdsOneThird) {
  const TColor p0 = RGBToColor(30, 0, 255), p1 = RGBToColor(60, 100, 0),
               p2 = RGBToColor(0, 201, 10);
  TPixelBuffer s(3, 1);
  s.Pixels = {p0, p1, p2};
  TPixelBuffer d(2, 1);
  ScaleBitmap(s, d);
  auto ch = [](double v) { return static_cast<uint8_t>(std::nearbyint(v)); };
  const TColor want0 =
      RGBToColor(ch((2 * 30 + 60) / 3.0), ch((0 + 100) / 3.0), ch((2 * 255 + 0) / 3.0));
  const TColor want1 =
      RGBToColor(ch((60 + 0) / 3.0), ch((100 + 2 * 201) / 3.0), ch((0 + 2 * 10) / 3.0));
  EXPECT_EQ(d.At(0, 0), want0);
  EXPECT_EQ(d.At(1, 0), want1);
  EXPECT_EQ(d.At(0, 0), RGBToColor(40, 33, 170));
  EXPECT_EQ(d.At(1, 0), RGBToColor(20, 167, 7));
}

TEST(ScaleBitmap, SameSizeCopies) {
  TPixelBuffer s(3, 2);
  for (size_t i = 0; i < s.Pixels.size(); ++i) s.Pixels[i] = static_cast<TColor>(i * 0x102030);
  for (auto& p : s.Pixels) p &= 0xFFFFFF;
  TPixelBuffer d(3, 2);
  ScaleBitmap(s, d);
  EXPECT_EQ(d.Pixels, s.Pixels);
}

TEST(ScaleBitmap, VerticalPassAndTwoDimensions) {
  // 2x2 checker of white and black into 1x1: mid grey (127.5 -> 128).
  TPixelBuffer s(2, 2);
  s.Pixels = {kWhite, kBlack, kBlack, kWhite};
  TPixelBuffer d(1, 1);
  ScaleBitmap(s, d);
  EXPECT_EQ(d.At(0, 0), 0x808080u);
  // 1x2 column into 1x4.
  TPixelBuffer c(1, 2);
  c.Pixels = {kGreen, kRed};
  TPixelBuffer e(1, 4);
  ScaleBitmap(c, e);
  EXPECT_EQ(e.Pixels, (std::vector<TColor>{kGreen, kGreen, kRed, kRed}));
}

TEST(ScaleBitmap, EmptySidesDoNothing) {
  TPixelBuffer s(0, 0);
  TPixelBuffer d(2, 2, 0x111111);
  ScaleBitmap(s, d);
  EXPECT_EQ(d.Pixels, std::vector<TColor>(4, 0x111111));
  TPixelBuffer s2(2, 2, kWhite);
  TPixelBuffer d2(0, 3);
  ScaleBitmap(s2, d2);
  EXPECT_TRUE(d2.Pixels.empty());
}

TEST(ScaleBitmap, AwkwardRatiosFillEveryPixelAndKeepFlatColour) {
  // Uniform colour stays uniform for any ratio: every destination pixel is
  // written and its weights sum to 1.
  for (int n : {1, 3, 7, 10, 13, 100})
    for (int m : {1, 2, 3, 7, 9, 11, 99, 101}) {
      std::vector<TColor> src(static_cast<size_t>(n), 0xC86432);
      std::vector<TColor> dst(static_cast<size_t>(m), 0xDEAD);
      ScaleLine(src.data(), n, 1, dst.data(), m, 1);
      for (int i = 0; i < m; ++i) ASSERT_EQ(dst[i], 0xC86432u) << n << "->" << m << " @" << i;
    }
}

TEST(ScaleLine, ZeroLengthsLeaveDestinationAlone) {
  TColor src[2] = {kRed, kBlue};
  TColor dst[2] = {7, 7};
  ScaleLine(src, 0, 1, dst, 2, 1);
  EXPECT_EQ(dst[0], 7u);
  ScaleLine(src, 2, 1, dst, 0, 1);
  EXPECT_EQ(dst[1], 7u);
}

TEST(TPixelBuffer, NegativeSizesCountAsZero) {
  TPixelBuffer b(-3, 5);
  EXPECT_EQ(b.Width, 0);
  EXPECT_EQ(b.Height, 5);
  EXPECT_TRUE(b.Pixels.empty());
}

// ------------------------------------------------------------------ streams

TEST(Streams, StringToStreamSetsSizeKeepsPosition) {
  TMemoryStream st;
  st.Position = 3;
  StringToStream(st, "hello");
  EXPECT_EQ(st.Size(), 5u);
  EXPECT_EQ(std::string(st.Memory.begin(), st.Memory.end()), "hello");
  EXPECT_EQ(st.Position, 3u);
  StringToStream(st, "hi");
  EXPECT_EQ(st.Size(), 2u);
  EXPECT_EQ(StreamToString(st), "hi");
  StringToStream(st, "");
  EXPECT_EQ(st.Size(), 0u);
}

TEST(Streams, StreamToStringLimits) {
  TMemoryStream st;
  EXPECT_EQ(StreamToString(st), "");
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>('a' + i % 26);
  StringToStream(st, text);
  EXPECT_EQ(StreamToString(st), text.substr(0, 256));
  StringToStream(st, text.substr(0, 256));
  EXPECT_EQ(StreamToString(st), text.substr(0, 256));
  StringToStream(st, text.substr(0, 255));
  EXPECT_EQ(StreamToString(st), text.substr(0, 255));
}

TEST(Streams, BinaryBytesAndUtf8SurviveTheRoundTrip) {
  TMemoryStream st;
  const std::string bytes("a\0b\xC3\xA4\xFF", 6);
  StringToStream(st, bytes);
  EXPECT_EQ(StreamToString(st), bytes);
}

}  // namespace
}  // namespace qx
