#include "widgets/uRibbonButton.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "foundation/drawing/uGraphicsUtilQt.h"
#include "widgets/IconButton.h"

namespace qx {
namespace {

TColor PixelAt(const QImage& img, int x, int y) {
  return QRgbToColor(img.pixel(x, y));
}

TColor ScreenPixel(QWidget& w, int x, int y) {
  return PixelAt(w.grab().toImage(), x, y);
}

void SendMouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons held) {
  const QPointF local(pos);
  QMouseEvent e(type, local, w.mapToGlobal(local), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(&w, &e);
}

void Press(QWidget& w, QPoint pos, Qt::MouseButton b = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseButtonPress, pos, b, b);
}
void Release(QWidget& w, QPoint pos, Qt::MouseButton b = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseButtonRelease, pos, b, Qt::NoButton);
}
void Enter(QWidget& w) {
  QEnterEvent e(QPointF(5, 5), QPointF(5, 5), w.mapToGlobal(QPointF(5, 5)));
  QCoreApplication::sendEvent(&w, &e);
}
void Leave(QWidget& w) {
  QEvent e(QEvent::Leave);
  QCoreApplication::sendEvent(&w, &e);
}
void Key(QWidget& w, QEvent::Type type, int key, bool autoRepeat = false) {
  QKeyEvent e(type, key, Qt::NoModifier, QString(), autoRepeat);
  QCoreApplication::sendEvent(&w, &e);
}

// A window that has the keyboard focus, so that setFocus takes effect. Away
// from the mouse pointer, so that nothing is hovered.
struct ActiveWindow {
  QWidget window;
  ActiveWindow() {
    window.setGeometry(QCursor::pos().x() + 100, QCursor::pos().y() + 100, 300, 200);
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
  }
};

// ---------------------------------------------------------------- Blend

TEST(Blend, RoundsHalvesToEvenAndClampsWeight) {
  struct Case {
    TColor a, b;
    double t;
    TColor expected;
  };
  const double nan = std::nan("");
  for (const Case& c : {
           Case{0xFFFFFF, 0x000000, 0.5, 0x808080},   // 127.5 -> 128
           Case{0x010101, 0x000000, 0.5, 0x000000},   // 0.5 -> 0
           Case{0x030303, 0x000000, 0.5, 0x020202},   // 1.5 -> 2
           Case{0x0000FF, 0xFF0000, 0.25, 0xBF0040},  // 63.75 -> 64, 191.25 -> 191
           Case{0x123456, 0xABCDEF, 1.0, 0x123456},
           Case{0x123456, 0xABCDEF, 0.0, 0xABCDEF},
           Case{0x123456, 0xABCDEF, 2.0, 0x123456},
           Case{0x123456, 0xABCDEF, -1.0, 0xABCDEF},
           Case{0x123456, 0xABCDEF, nan, 0xABCDEF},
       })
    EXPECT_EQ(Blend(c.a, c.b, c.t), c.expected) << std::hex << c.a << " " << c.b << " " << c.t;
}

TEST(Blend, ResolvesSystemColours) {
  EXPECT_EQ(Blend(clWindow, 0, 1.0), ColorToRGB(clWindow));
  EXPECT_EQ(Blend(clWindow, 0, 1.0) & 0xFF000000u, 0u);
}

// ---------------------------------------------------------------- colours

TEST(RibbonGradient, StepsAtMostOncePerLineDownToTheBottomColour) {
  // White over black: every tenth is 25.5 grey levels, so each line tells its step.
  const std::vector<TColor> lines = RibbonGradient(0xFFFFFF, 0x000000, 30);
  ASSERT_EQ(lines.size(), 30u);
  auto step = [](int j) { return Blend(0xFFFFFF, 0x000000, 1.0 - j / 10.0); };
  EXPECT_EQ(lines[1], 0xFFFFFFu);
  EXPECT_EQ(lines[2], step(1));
  EXPECT_EQ(lines[3], step(1));
  const int expected[] = {2, 2, 2, 2, 2, 3, 3, 4, 4, 4,  5,  5, 6,
                          6, 6, 7, 7, 8, 8, 8, 9, 9, 10, 10, 10};  // lines 4..28
  for (int y = 4; y <= 28; ++y) EXPECT_EQ(lines[y], step(expected[y - 4])) << "line " << y;
  EXPECT_EQ(lines[28], 0x000000u);
}

TEST(RibbonGradient, EveryUsualHeightRunsFromNearTopToBottom) {
  auto step = [](int j) { return Blend(0xFFFFFF, 0x000000, 1.0 - j / 10.0); };
  for (int h = 15; h <= 120; ++h) {
    const std::vector<TColor> lines = RibbonGradient(0xFFFFFF, 0x000000, h);
    EXPECT_EQ(lines[4], step(2)) << h;
    int j = 2;
    for (int y = 5; y <= h - 2; ++y) {
      if (lines[y] != step(j)) ++j;
      EXPECT_EQ(lines[y], step(j)) << "height " << h << " line " << y;
    }
    EXPECT_EQ(j, 10) << h;
  }
}

TEST(RibbonGradient, TinyHeights) {
  for (int h : {0, 1, 2, 3, 4, 5, 6}) EXPECT_EQ(RibbonGradient(0xFFFFFF, 0, h).size(), size_t(h));
}

TEST(RibbonColorsFrom, BlackBase) {
  const TRibbonColorSet s = RibbonColorsFrom(0x000000);
  EXPECT_EQ(s.NormalBottom, 0x000000u);
  EXPECT_EQ(s.NormalTop, 0x666666u);    // 0.4 * 255 = 102
  EXPECT_EQ(s.NormalFrame, 0x3D3D3Du);  // 0.6 * 102 = 61.2
  EXPECT_EQ(s.HoverBottom, 0x190F03u);  // 0.1 * $FE9A21
  EXPECT_EQ(s.PressedBottom, Blend(0, 0xFE9A21, 0.6));
  EXPECT_EQ(s.HoverTop, Blend(s.HoverBottom, 0xFFFFFF, 0.6));
  EXPECT_EQ(s.PressedTop, Blend(s.PressedBottom, 0xFFFFFF, 0.6));
  EXPECT_EQ(s.HoverFrame, Blend(0x3D3D3D, 0xFE9A21, 0.7));
  EXPECT_EQ(s.PressedFrame, Blend(0x3D3D3D, 0xFE9A21, 0.3));
  EXPECT_EQ(s.FocusFrame, 0xD99D00u);
}

// ---------------------------------------------------------------- button

TEST(RibbonButton, Defaults) {
  TRibbonButton b;
  EXPECT_EQ(b.size(), QSize(100, 50));
  EXPECT_EQ(b.focusPolicy(), Qt::StrongFocus);
  EXPECT_EQ(b.TextLeft(), 30);
  EXPECT_EQ(b.TextTop(), 30);
  EXPECT_EQ(b.PicLeft(), 1);
  EXPECT_EQ(b.PicTop(), 1);
  EXPECT_TRUE(b.AlignHorz());
  EXPECT_FALSE(b.TextCentreAligned());
  EXPECT_EQ(b.CustomColor(), 0xE4E4E4u);
  EXPECT_EQ(b.Alpha(), TRibbonButton::NoAlpha);
}

TEST(RibbonButton, ThirtyHighFaceGradientAndFrame) {
  TRibbonButton b;
  b.resize(100, 30);
  const QImage img = b.grab().toImage();
  const std::vector<TColor> lines = RibbonGradient(0xEEEEEE, 0xE2E2E2, 30);
  for (int y = 1; y <= 28; ++y) EXPECT_EQ(PixelAt(img, 50, y), lines[y]) << y;
  EXPECT_EQ(PixelAt(img, 50, 1), 0xEEEEEEu);
  EXPECT_EQ(PixelAt(img, 50, 28), 0xE2E2E2u);
  for (QPoint p : {QPoint(50, 0), QPoint(50, 29), QPoint(0, 15), QPoint(99, 15)})
    EXPECT_EQ(PixelAt(img, p.x(), p.y()), 0xB4B4B4u) << p.x() << "," << p.y();
  EXPECT_EQ(PixelAt(img, 1, 15), lines[15]);  // no inner frame without focus
}

TEST(RibbonButton, FocusedButtonShowsFocusFrames) {
  ActiveWindow w;
  auto* b = new TRibbonButton(&w.window);
  b->resize(100, 30);
  b->show();
  b->setFocus();
  ASSERT_TRUE(b->hasFocus());
  const QImage img = b->grab().toImage();
  for (QPoint p : {QPoint(50, 0), QPoint(50, 29), QPoint(0, 15), QPoint(99, 15)})
    EXPECT_EQ(PixelAt(img, p.x(), p.y()), 0xD99D00u) << p.x() << "," << p.y();
  const TColor inner = Blend(0xD99D00, 0xEEEEEE, 0.3);
  for (QPoint p : {QPoint(50, 1), QPoint(50, 28), QPoint(1, 15), QPoint(98, 15)})
    EXPECT_EQ(PixelAt(img, p.x(), p.y()), inner) << p.x() << "," << p.y();
}

TEST(RibbonButton, MouseStatesAndClicks) {
  // Line 1 shows the top colour, the left edge the frame colour.
  struct Step {
    const char* what;
    std::function<void(QWidget&)> act;
    TColor top;
    int clicks;
  };
  const QPoint inside(50, 15), outside(150, 15);
  const std::vector<Step> steps = {
      {"enter", [](QWidget& w) { Enter(w); }, 0xFEF1E0, 0},
      {"press", [&](QWidget& w) { Press(w, inside); }, 0xFDE2BD, 0},
      {"release inside", [&](QWidget& w) { Release(w, inside); }, 0xFEF1E0, 1},
      {"right press", [&](QWidget& w) { Press(w, inside, Qt::RightButton); }, 0xFEF1E0, 1},
      {"press again", [&](QWidget& w) { Press(w, inside); }, 0xFDE2BD, 1},
      {"release outside", [&](QWidget& w) { Release(w, outside); }, 0xEEEEEE, 1},
      {"leave", [](QWidget& w) { Leave(w); }, 0xEEEEEE, 1},
  };
  TRibbonButton b;
  b.resize(100, 30);
  int clicks = 0;
  QObject::connect(&b, &TRibbonButton::clicked, [&clicks] { ++clicks; });
  for (const Step& s : steps) {
    s.act(b);
    EXPECT_EQ(ScreenPixel(b, 50, 1), s.top) << s.what;
    EXPECT_EQ(clicks, s.clicks) << s.what;
  }
}

TEST(RibbonButton, DraggingOutAndBackInWhilePressed) {
  TRibbonButton b;
  b.resize(100, 30);
  Enter(b);
  Press(b, QPoint(50, 15));
  SendMouse(b, QEvent::MouseMove, QPoint(150, 15), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(ScreenPixel(b, 50, 1), 0xEEEEEEu);
  SendMouse(b, QEvent::MouseMove, QPoint(60, 15), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(ScreenPixel(b, 50, 1), 0xFDE2BDu);  // still pressed
}

TEST(RibbonButton, PressTakesTheFocus) {
  ActiveWindow w;
  auto* b = new TRibbonButton(&w.window);
  b->resize(100, 30);
  b->show();
  ASSERT_FALSE(b->hasFocus());
  Press(*b, QPoint(50, 15));
  EXPECT_TRUE(b->hasFocus());
  EXPECT_EQ(ScreenPixel(*b, 0, 15), 0xD99D00u);
}

TEST(RibbonButton, EnterKeyClicksOnceAndShowsPressedWhileHeld) {
  ActiveWindow w;
  auto* b = new TRibbonButton(&w.window);
  b->resize(100, 30);
  b->show();
  b->setFocus();
  int clicks = 0;
  QObject::connect(b, &TRibbonButton::clicked, [&clicks] { ++clicks; });

  // Line 27 shows the bottom colour; lines 1 and 28 belong to the focus frame.
  for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
    Key(*b, QEvent::KeyPress, key);
    Key(*b, QEvent::KeyPress, key, true);
    EXPECT_EQ(ScreenPixel(*b, 50, 27), 0xFDDCB0u);
    Key(*b, QEvent::KeyRelease, key);
    EXPECT_EQ(ScreenPixel(*b, 50, 27), 0xE2E2E2u);
  }
  EXPECT_EQ(clicks, 2);

  Key(*b, QEvent::KeyPress, Qt::Key_Space);
  EXPECT_EQ(clicks, 2);

  // Losing the focus ends the pressed look.
  Key(*b, QEvent::KeyPress, Qt::Key_Return);
  b->clearFocus();
  EXPECT_EQ(ScreenPixel(*b, 50, 28), 0xE2E2E2u);
}

TEST(RibbonButton, SameCustomColourChangesNothing) {
  TRibbonButton b;
  b.resize(100, 30);
  Enter(b);
  b.SetCustomColor(0xE4E4E4);  // the default
  EXPECT_EQ(ScreenPixel(b, 50, 1), 0xFEF1E0u) << "hover look kept";
  EXPECT_EQ(b.ColorSets().NormalTop, 0xEEEEEEu);

  b.SetCustomColor(0x000000);
  EXPECT_EQ(ScreenPixel(b, 50, 1), 0x666666u) << "new colours, normal look";
  EXPECT_EQ(ScreenPixel(b, 50, 28), 0x000000u);
  EXPECT_EQ(ScreenPixel(b, 0, 15), 0x3D3D3Du);

  Enter(b);
  Leave(b);
  Enter(b);
  b.SetCustomColor(0x000000);
  EXPECT_EQ(ScreenPixel(b, 50, 28), 0x190F03u) << "hover look kept";
}

QImage TestPicture() {
  // 10 x 10 green (the transparent colour) with a red 4 x 4 square at (3, 3).
  QImage pic(10, 10, QImage::Format_RGB32);
  pic.fill(ColorToQColor(0x00FF00));
  QPainter p(&pic);
  p.fillRect(QRect(3, 3, 4, 4), ColorToQColor(0x0000FF));
  return pic;
}

TEST(RibbonButton, PicturePlacementAndTransparency) {
  struct Case {
    bool alignHorz;
    int expectedLeft;
  };
  for (Case c : {Case{true, 7}, Case{false, 45}}) {
    TRibbonButton b;
    b.resize(100, 30);
    b.SetPicture(TestPicture());
    b.SetPicLeft(7);
    b.SetPicTop(5);
    b.SetAlignHorz(c.alignHorz);
    QImage img = b.grab().toImage();
    EXPECT_EQ(PixelAt(img, c.expectedLeft, 5), 0x00FF00u) << "opaque without Alpha";
    b.SetAlpha(0x00FF00);
    img = b.grab().toImage();
    const std::vector<TColor> lines = RibbonGradient(0xEEEEEE, 0xE2E2E2, 30);
    EXPECT_EQ(PixelAt(img, c.expectedLeft, 5), lines[5]) << c.alignHorz;
    EXPECT_EQ(PixelAt(img, c.expectedLeft + 9, 14), lines[14]) << c.alignHorz;
    EXPECT_EQ(PixelAt(img, c.expectedLeft + 3, 8), 0x0000FFu) << c.alignHorz;
    EXPECT_EQ(PixelAt(img, c.expectedLeft + 6, 11), 0x0000FFu) << c.alignHorz;
    EXPECT_EQ(PixelAt(img, c.expectedLeft + 7, 11), lines[11]) << c.alignHorz;
  }
}

// Bounding box of pixels darker than any face colour (the caption).
QRect InkBox(const QImage& img) {
  QRect box;
  for (int y = 2; y < img.height() - 2; ++y)
    for (int x = 2; x < img.width() - 2; ++x)
      if (qGray(img.pixel(x, y)) < 0x90) box |= QRect(x, y, 1, 1);
  return box;
}

TEST(RibbonButton, CaptionPlacement) {
  TRibbonButton probe;
  const int textW = probe.fontMetrics().horizontalAdvance("Zurück");
  const int textH = probe.fontMetrics().height();
  struct Case {
    const char* what;
    bool alignHorz, centred;
    int left;  // expected text origin
    int top;
  };
  const int w = 120, h = 50;
  for (const Case& c : {
           Case{"text left", true, false, 30, (h - textH) / 2},
           Case{"centred", true, true, (w - textW) / 2, (h - textH) / 2},
           Case{"below picture", false, false, (w - textW) / 2, 20},
           Case{"below picture, centre flag ignored", false, true, (w - textW) / 2, 20},
       }) {
    TRibbonButton b;
    b.resize(w, h);
    b.SetCaption("Zurück");
    b.SetTextTop(20);
    b.SetAlignHorz(c.alignHorz);
    b.SetTextCentreAligned(c.centred);
    const QRect ink = InkBox(b.grab().toImage());
    ASSERT_FALSE(ink.isEmpty()) << c.what;
    // Glyphs sit a pixel or two inside their advance and line box.
    EXPECT_GE(ink.left(), c.left) << c.what;
    EXPECT_LE(ink.left(), c.left + 3) << c.what;
    EXPECT_LE(ink.right(), c.left + textW) << c.what;
    EXPECT_GE(ink.top(), c.top) << c.what;
    EXPECT_LE(ink.bottom(), c.top + textH) << c.what;
  }
}

// ---------------------------------------------------------------- icon button

struct IconFixture : ::testing::Test {
  TIconButton b;
  int clicks = 0;
  void SetUp() override {
    b.resize(29, 29);
    b.SetColor(0xC0C0C0);
    b.SetPicture(TestPicture());  // stretched to 27 x 27: 2.7 pixels per source pixel
    QObject::connect(&b, &TIconButton::clicked, [this] { ++clicks; });
  }
};

TEST_F(IconFixture, PictureStretchedWithAlphaTransparent) {
  EXPECT_EQ(b.Alpha(), 0x00FF00u);
  const QImage img = b.grab().toImage();
  EXPECT_EQ(PixelAt(img, 0, 0), 0xC0C0C0u);
  EXPECT_EQ(PixelAt(img, 2, 2), 0xC0C0C0u);    // transparent green
  EXPECT_EQ(PixelAt(img, 14, 14), 0x0000FFu);  // the square's middle
  EXPECT_EQ(PixelAt(img, 28, 28), 0xC0C0C0u);

  b.SetAlpha(0x0000FF);
  const QImage swapped = b.grab().toImage();
  EXPECT_EQ(PixelAt(swapped, 2, 2), 0x00FF00u);
  EXPECT_EQ(PixelAt(swapped, 14, 14), 0xC0C0C0u);
}

TEST_F(IconFixture, ResizePreparesThePictureAgain) {
  b.resize(41, 41);
  b.show();  // resize events reach only shown widgets at once
  b.resize(59, 59);
  const QImage img = b.grab().toImage();
  EXPECT_EQ(PixelAt(img, 29, 29), 0x0000FFu);
  EXPECT_EQ(PixelAt(img, 5, 29), 0xC0C0C0u);
}

TEST_F(IconFixture, HoverAndPressColours) {
  struct Step {
    const char* what;
    std::function<void()> act;
    TColor back;
    bool lowered;
    int clicks;
  };
  const std::vector<Step> steps = {
      {"enter", [&] { Enter(b); }, 0xFBEDD2, false, 0},
      {"press", [&] { Press(b, QPoint(10, 10)); }, 0xFAE7C2, true, 0},
      {"release inside", [&] { Release(b, QPoint(10, 10)); }, 0xFBEDD2, false, 1},
      {"press", [&] { Press(b, QPoint(10, 10)); }, 0xFAE7C2, true, 1},
      {"release outside", [&] { Release(b, QPoint(40, 10)); }, 0xFBEDD2, false, 1},
      {"leave", [&] { Leave(b); }, 0xC0C0C0, false, 1},
  };
  for (const Step& s : steps) {
    s.act();
    const QImage img = b.grab().toImage();
    EXPECT_EQ(PixelAt(img, 2, 2), s.back) << s.what;
    EXPECT_EQ(b.Lowered(), s.lowered) << s.what;
    EXPECT_EQ(PixelAt(img, 0, 0), s.lowered ? ColorToRGB(clBtnShadow) : s.back) << s.what;
    EXPECT_EQ(PixelAt(img, 28, 28), s.lowered ? ColorToRGB(clBtnHighlight) : s.back) << s.what;
    EXPECT_EQ(clicks, s.clicks) << s.what;
  }
}

TEST_F(IconFixture, CaptionIsTheHintOnly) {
  const QImage before = b.grab().toImage();
  b.SetCaption("Speichern");
  EXPECT_EQ(b.toolTip(), "Speichern");
  EXPECT_EQ(b.grab().toImage(), before);
}

TEST_F(IconFixture, DefaultAlphaIsTheButtonColour) {
  QImage pic(10, 10, QImage::Format_RGB32);
  pic.fill(ColorToQColor(0xC0C0C0));
  b.SetPicture(pic);
  b.SetAlpha(TIconButton::AlphaDefault);
  Enter(b);  // the panel turns $FBEDD2, and so does the see-through picture
  EXPECT_EQ(ScreenPixel(b, 14, 14), 0xFBEDD2u);
}

}  // namespace
}  // namespace qx
