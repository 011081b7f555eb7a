#include "foundation/drawing/uGraphicsUtilQt.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <memory>

namespace qx {
namespace {

// One QGuiApplication for the whole test program (offscreen platform).
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QGuiApplication::instance()) {
      static int argc = 1;
      static char name[] = "foundation_drawing_test";
      static char* argv[] = {name, nullptr};
      app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
  }
  void TearDown() override {
    SetSystemColorResolver(nullptr);
    app_.reset();
  }

 private:
  std::unique_ptr<QGuiApplication> app_;
};

const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

TEST(QtColor, RoundTripAndLayout) {
  const QColor red = ColorToQColor(0x0000FF);
  EXPECT_EQ(red.red(), 255);
  EXPECT_EQ(red.green(), 0);
  EXPECT_EQ(red.blue(), 0);
  EXPECT_EQ(QColorToColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
  for (TColor c : {0x000000u, 0xFFFFFFu, 0x123456u, 0x00FF00u, 0xE9DCD1u})
    EXPECT_EQ(QColorToColor(ColorToQColor(c)), c);
  EXPECT_EQ(QColorToColor(QColor(1, 2, 3, 10)), 0x030201u);  // alpha dropped
  EXPECT_EQ(QRgbToColor(ColorToQRgb(0xABCDEF)), 0xABCDEFu);
}

TEST(QtColor, PixelBufferImageRoundTrip) {
  TPixelBuffer b(3, 2);
  b.Pixels = {0x0000FF, 0x00FF00, 0xFF0000, 0x010203, 0xFFFFFF, 0x000000};
  const QImage img = PixelBufferToImage(b);
  EXPECT_EQ(img.size(), QSize(3, 2));
  EXPECT_EQ(img.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(img.pixelColor(2, 0), QColor(0, 0, 255));
  const TPixelBuffer back = ImageToPixelBuffer(img);
  EXPECT_EQ(back.Width, 3);
  EXPECT_EQ(back.Height, 2);
  EXPECT_EQ(back.Pixels, b.Pixels);
}

TEST(QtColor, ScaleAnImageThroughPixelBuffers) {
  QImage src(2, 1, QImage::Format_RGB32);
  src.setPixelColor(0, 0, Qt::red);
  src.setPixelColor(1, 0, Qt::blue);
  TPixelBuffer d(4, 1);
  ScaleBitmap(ImageToPixelBuffer(src), d);
  const QImage out = PixelBufferToImage(d);
  EXPECT_EQ(out.pixelColor(1, 0), QColor(Qt::red));
  EXPECT_EQ(out.pixelColor(2, 0), QColor(Qt::blue));
}

TEST(QtSystemColors, FollowTheApplicationPalette) {
  const QPalette pal = QGuiApplication::palette();
  EXPECT_EQ(QtSystemColor(clBtnFace), QColorToColor(pal.color(QPalette::Active, QPalette::Button)));
  EXPECT_EQ(QtSystemColor(clWindow), QColorToColor(pal.color(QPalette::Active, QPalette::Base)));
  EXPECT_EQ(QtSystemColor(clHighlight),
            QColorToColor(pal.color(QPalette::Active, QPalette::Highlight)));
  EXPECT_EQ(QtSystemColor(0x123456), 0x123456u);  // plain colours unchanged
  // Every constant resolves to a plain colour.
  for (TColor i = 0; i <= 40; ++i) EXPECT_FALSE(IsSystemColor(QtSystemColor(clSystemColor | i)));

  InstallQtSystemColors();
  EXPECT_EQ(ColorToRGB(clWindowText),
            QColorToColor(pal.color(QPalette::Active, QPalette::WindowText)));
  EXPECT_EQ(BlendColor(clBtnFace, 0, 1.0), QtSystemColor(clBtnFace));
  EXPECT_EQ(QColorToColor(ColorToQColor(clBtnFace)), QtSystemColor(clBtnFace));
  SetSystemColorResolver(nullptr);
}

TEST(TextMeasure, WidthGrowsWithTextAndFont) {
  InitMeasureBitmap();
  QFont f("DejaVu Sans");
  f.setPointSize(10);
  EXPECT_EQ(TextWidthOf(QString(), f), 0);
  const int one = TextWidthOf(QStringLiteral("W"), f);
  const int three = TextWidthOf(QStringLiteral("WWW"), f);
  EXPECT_GT(one, 0);
  EXPECT_GT(three, 2 * one);
  EXPECT_EQ(TextWidthOf(std::string_view("WWW"), f), three);
  EXPECT_EQ(TextWidthOf(std::string_view("\xC3\xA4"), f), TextWidthOf(QString::fromUtf8("ä"), f));
  QFont big = f;
  big.setPointSize(30);
  EXPECT_GT(TextWidthOf(QStringLiteral("WWW"), big), three);
}

TEST(TextMeasure, HeightDependsOnlyOnTheFont) {
  QFont f("DejaVu Sans");
  f.setPointSize(10);
  const int h = TextHeightOf(f);
  EXPECT_GT(h, 5);
  EXPECT_EQ(TextHeightOf(f), h);
  QFont big = f;
  big.setPointSize(30);
  EXPECT_GT(TextHeightOf(big), h);
  // Same font description, same height, whatever was measured before.
  (void)TextWidthOf(QStringLiteral("xxxxxxxxxxxx"), big);
  EXPECT_EQ(TextHeightOf(f), h);
}

// The quick test for a fitting text never says "fits" where the measured
// width does not, whatever the kerning; a cut text fits and keeps its start.
TEST(TextMeasure, SurelyFitsAndElidedTextsAgreeWithTheMeasure) {
  InitMeasureBitmap();
  const QString texts[] = {QStringLiteral("-12345678,9mV"), QStringLiteral("AVAVAVTaToWaYo"),
                           QStringLiteral("1.5e-300 \u00B0C"), QStringLiteral("ffiiWWll..,,"),
                           QStringLiteral("\u05E9\u05DC\u05D5\u05DD 12")};
  for (const char* family : {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"}) {
    for (int size : {7, 12, 20}) {
      QFont f(family);
      f.setPointSize(size);
      f.setItalic(size == 20);
      for (const QString& t : texts) {
        const int w = TextWidthOf(t, f);
        for (int room = w - 8; room <= w + 8; ++room) {
          if (TextSurelyFits(t, f, room)) {
            EXPECT_LE(w, room) << family << size << t.toStdString();
          }
          const QString cut = ElidedTextOf(t, f, room, Qt::ElideRight);
          EXPECT_EQ(cut == t, w <= room) << t.toStdString() << room;
          if (cut != t) {
            EXPECT_TRUE(cut.endsWith(QChar(0x2026)));
            EXPECT_TRUE(t.startsWith(cut.chopped(1)));
          }
        }
      }
      // A number with room to spare is found to fit without measuring it.
      EXPECT_TRUE(TextSurelyFits(texts[0], f, TextWidthOf(texts[0], f) + 4));
      EXPECT_EQ(ElidedTextOf(texts[0], f, 1, Qt::ElideRight), QString(QChar(0x2026)));
    }
  }
}

// A text of megabytes reaches a control as its start (or end) only, cut at a
// character; a short text whole.
TEST(ShownTextTest, LongTextsAreCutAtACharacter) {
  EXPECT_EQ(ShownText("Druck \xC3\xA4"), QString::fromUtf8("Druck \xC3\xA4"));
  // "ä" is two bytes: the limit falls inside one at the start, before one at
  // the end.
  std::string text = "ab";
  while (text.size() < 2 * kMaxShownTextBytes) text += "\xC3\xA4";
  text += "b";
  const QString start = ShownText(text);
  EXPECT_EQ(start.toUtf8().size(), static_cast<qsizetype>(kMaxShownTextBytes - 1));
  EXPECT_TRUE(start.startsWith("ab\u00E4"));
  EXPECT_FALSE(start.contains(QChar::ReplacementCharacter));
  const QString end = ShownText(text, true);
  EXPECT_EQ(end.toUtf8().size(), static_cast<qsizetype>(kMaxShownTextBytes));
  EXPECT_TRUE(end.startsWith("\u00E4") && end.endsWith("\u00E4b"));
  EXPECT_FALSE(end.contains(QChar::ReplacementCharacter));
}

TEST(CopyFontTest, FaceSizeStyleAndColour) {
  QFont src("DejaVu Serif");
  src.setPointSize(17);
  src.setBold(true);
  src.setItalic(true);
  src.setUnderline(true);
  src.setStrikeOut(false);
  QFont dest("DejaVu Sans");
  dest.setPointSize(8);
  dest.setStrikeOut(true);
  CopyFont(dest, src);
  EXPECT_EQ(dest.family(), src.family());
  EXPECT_EQ(dest.pointSize(), 17);
  EXPECT_TRUE(dest.bold());
  EXPECT_TRUE(dest.italic());
  EXPECT_TRUE(dest.underline());
  EXPECT_FALSE(dest.strikeOut());

  TQxFont a{src, 0x0000FF};
  TQxFont b;
  CopyFont(b, a);
  EXPECT_EQ(b.Color, 0x0000FFu);
  EXPECT_EQ(b.Font.pointSize(), 17);

  QFont px;
  px.setPixelSize(21);
  QFont d2;
  CopyFont(d2, px);
  EXPECT_EQ(d2.pixelSize(), 21);
}

}  // namespace
}  // namespace qx
