#include "widgets/uTabBar.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include "foundation/drawing/uGraphicsUtilQt.h"

namespace qx {
namespace {

TColor PixelAt(const QImage& img, int x, int y) {
  return QRgbToColor(img.pixel(x, y));
}

// Darkest grey level (lowest channel) inside the rectangle.
int Darkest(const QImage& img, const QRect& r) {
  int darkest = 255;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb p = img.pixel(x, y);
      darkest = std::min({darkest, qRed(p), qGreen(p), qBlue(p)});
    }
  return darkest;
}

// Mouse press on whatever child of the strip lies under pos, as a user click.
void PressOnStrip(QWidget& strip, QPoint pos) {
  QWidget* target = strip.childAt(pos);
  if (!target) target = &strip;
  const QPointF local = target->mapFrom(&strip, QPointF(pos));
  QMouseEvent press(QEvent::MouseButtonPress, local, target->mapToGlobal(local), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, target->mapToGlobal(local), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &release);
}

// The strip as the main window sets it up: five 100 pixel tabs, 30 high.
struct StripFixture : ::testing::Test {
  TTabBar bar{nullptr, 5};
  std::vector<TTabBar*> changes;

  void SetUp() override {
    bar.resize(600, 30);
    bar.Captions = {"Ausführen", "Bearbeiten", "Konsole", "Terminal", "Schnittstelle"};
    bar.Widths.assign(5, 100);
    bar.SetStripColor(0xC0C0C0);
    bar.SetTabColor(0xFCF5EF);
    bar.Arrange();
    bar.OnChange = [this](TTabBar* sender) { changes.push_back(sender); };
  }
};

TEST(TabLefts, OnePixelBetweenTabsStartingAtTwo) {
  EXPECT_EQ(TabLefts({100, 100, 100, 100, 100}, 5), (std::vector<int>{2, 103, 204, 305, 406}));
  EXPECT_EQ(TabLefts({10, 20}, 3), (std::vector<int>{2, 13, 34}));
  EXPECT_TRUE(TabLefts({}, 0).empty());
}

TEST(InactiveTabGrey, ThirteenPixelTabHasNoZeroDivisor) {
  EXPECT_EQ(InactiveTabGrey(11, 13), 220);
}

TEST_F(StripFixture, PlacesTabsAndWidensTheSelectedOne) {
  EXPECT_EQ(bar.Lefts, (std::vector<int>{2, 103, 204, 305, 406}));
  EXPECT_EQ(bar.ItemIndex, 0);
  EXPECT_EQ(bar.Tabs[0]->geometry(), QRect(0, 0, 104, 30));
  for (int i = 1; i < 5; ++i) {
    EXPECT_EQ(bar.Tabs[i]->geometry(), QRect(bar.Lefts[i], 4, 100, 26)) << i;
    EXPECT_FALSE(bar.Tabs[i]->Active);
  }
  EXPECT_TRUE(bar.Tabs[0]->Active);
}

TEST_F(StripFixture, SelectTabSwapsBoundsAndFiresChangeOnce) {
  bar.SelectTab(2);
  EXPECT_EQ(bar.ItemIndex, 2);
  EXPECT_EQ(bar.Tabs[2]->geometry(), QRect(202, 0, 104, 30));
  EXPECT_EQ(bar.Tabs[0]->geometry(), QRect(2, 4, 100, 26));
  EXPECT_FALSE(bar.Tabs[0]->Active);
  EXPECT_TRUE(bar.Tabs[2]->Active);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], &bar);
}

TEST_F(StripFixture, SelectedOrOutOfRangeIndexFiresNothing) {
  bar.SelectTab(3);
  changes.clear();
  for (int index : {3, 5, -1, 100}) {
    bar.SelectTab(index);
    EXPECT_EQ(bar.ItemIndex, 3) << index;
    EXPECT_TRUE(changes.empty()) << index;
  }
}

TEST_F(StripFixture, MousePressOnTabSelectsIt) {
  PressOnStrip(bar, QPoint(350, 15));  // tab 3
  EXPECT_EQ(bar.ItemIndex, 3);
  EXPECT_EQ(changes.size(), 1u);
  // The gap between tabs 3 and 4 is the strip itself.
  PressOnStrip(bar, QPoint(405, 15));
  EXPECT_EQ(bar.ItemIndex, 3);
  EXPECT_EQ(changes.size(), 1u);
}

TEST_F(StripFixture, DisabledTabTakesNoClickButCanBeEnabledAgain) {
  bar.Tabs[1]->SetEnabled(false);
  PressOnStrip(bar, QPoint(150, 15));
  EXPECT_EQ(bar.ItemIndex, 0);
  EXPECT_TRUE(changes.empty());

  bar.Tabs[1]->SetEnabled(true);
  PressOnStrip(bar, QPoint(150, 15));
  EXPECT_EQ(bar.ItemIndex, 1);
  EXPECT_EQ(changes.size(), 1u);
}

TEST_F(StripFixture, DisabledTabStillDrawsItsCaptionInGrey) {
  const QRect inner(1, 1, 98, 24);
  EXPECT_LT(Darkest(bar.Tabs[1]->InactiveImage, inner), 0x80);  // black text

  bar.Tabs[1]->SetEnabled(false);
  const QImage& img = bar.Tabs[1]->InactiveImage;
  ASSERT_EQ(img.size(), QSize(100, 26));
  EXPECT_EQ(Darkest(img, inner), 0x80);
  // Also on screen.
  const QImage screen = bar.grab().toImage();
  EXPECT_EQ(Darkest(screen, QRect(104, 5, 98, 24)), 0x80);
}

TEST_F(StripFixture, StripBackgroundHasBottomLine) {
  const QImage img = bar.grab().toImage();
  ASSERT_EQ(img.size(), QSize(600, 30));
  EXPECT_EQ(PixelAt(img, 590, 0), 0xC0C0C0u);
  EXPECT_EQ(PixelAt(img, 590, 28), 0xC0C0C0u);
  EXPECT_EQ(PixelAt(img, 590, 29), 0x8F8F8Fu);
  EXPECT_EQ(PixelAt(img, 203, 2), 0xC0C0C0u);  // above and between inactive tabs
  EXPECT_EQ(PixelAt(img, 203, 15), 0xC0C0C0u);
}

TEST_F(StripFixture, InactiveTabShading) {
  const QImage& img = bar.Tabs[2]->InactiveImage;  // 100 x 26, caption in the middle
  ASSERT_EQ(img.size(), QSize(100, 26));
  struct Line {
    int y;
    int grey;
  };
  // 245 down by 3 per line to 220 at line 10, then 15 more towards the bottom.
  for (Line line : {Line{1, 255}, Line{2, 245}, Line{6, 233}, Line{10, 221}, Line{11, 220},
                    Line{17, 220 - 90 / 13}, Line{24, 205}}) {
    const TColor grey = RGBToColor(line.grey, line.grey, line.grey);
    EXPECT_EQ(PixelAt(img, 1, line.y), grey) << line.y;
    EXPECT_EQ(PixelAt(img, 98, line.y), grey) << line.y;
  }
  for (int y : {0, 12, 25}) {
    EXPECT_EQ(PixelAt(img, 0, y), 0x8F8F8Fu);
    EXPECT_EQ(PixelAt(img, 99, y), 0x8F8F8Fu);
  }
  EXPECT_EQ(PixelAt(img, 50, 0), 0x8F8F8Fu);
  EXPECT_EQ(PixelAt(img, 50, 25), 0x8F8F8Fu);
}

TEST_F(StripFixture, ActiveTabFadesIntoTabColourAndIsOpenAtTheBottom) {
  const QImage& img = bar.Tabs[0]->ActiveImage;
  ASSERT_EQ(img.size(), QSize(104, 30));
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(PixelAt(img, 50, 26 + i), BlendColor(0xFCF5EF, 0xFFFFFF, 0.2 * (i + 1))) << i;
  EXPECT_EQ(PixelAt(img, 50, 29), 0xFCF7F2u);
  EXPECT_EQ(PixelAt(img, 50, 25), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(img, 50, 0), 0x8F8F8Fu);
  for (int y : {0, 15, 29}) {
    EXPECT_EQ(PixelAt(img, 0, y), 0x8F8F8Fu) << y;
    EXPECT_EQ(PixelAt(img, 103, y), 0x8F8F8Fu) << y;
  }
  // On screen the active tab covers the strip's bottom line.
  const QImage screen = bar.grab().toImage();
  EXPECT_EQ(PixelAt(screen, 50, 29), 0xFCF7F2u);
  EXPECT_EQ(PixelAt(screen, 150, 29), 0x8F8F8Fu);
}

TEST_F(StripFixture, TabColourRedrawsTheActiveFade) {
  bar.SetTabColor(0x000000);
  EXPECT_EQ(PixelAt(bar.Tabs[0]->ActiveImage, 50, 29), BlendColor(0, 0xFFFFFF, 0.8));
}

TEST_F(StripFixture, TabsFollowTheStripHeight) {
  bar.show();
  bar.resize(600, 40);
  EXPECT_EQ(bar.Tabs[0]->geometry(), QRect(0, 0, 104, 40));
  EXPECT_EQ(bar.Tabs[1]->geometry(), QRect(103, 4, 100, 36));
  EXPECT_EQ(bar.Tabs[1]->InactiveImage.size(), QSize(100, 36));
}

}  // namespace
}  // namespace qx
