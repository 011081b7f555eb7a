// The bitmap slider: track geometry with the built-in pictures, snapping,
// the frames sent on release through a real hub and a loopback UDP port,
// and the handle kept on the track when the pointer leaves sideways.
#include "instruments/uQXBmpSlider.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <cmath>

#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"
#include "gui_support/ElementPortFixture.h"

namespace qx {
namespace {

TEST(SliderMath, SnapsToTheStepAtOrBelow) {
  const struct {
    double f;
    int32_t steps;
    double pos;
  } cases[] = {{0.5, 20, 0.5}, {0.049, 20, 0.0}, {0.051, 20, 0.05},  {1.0, 20, 1.0},
               {1.7, 20, 1.0}, {-0.3, 20, 0.0},  {0.99, 3, 2.0 / 3}, {0.37, 0, 0.37},
               {1.5, 0, 1.0},  {NAN, 20, 0.0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(SnapPosition(c.f, c.steps), c.pos) << c.f;
}

TEST(SliderMath, ValueFractionStaysOnTheTrack) {
  const struct {
    double value, min, max, f;
  } cases[] = {{50, 0, 100, 0.5}, {0, 10, 20, 0.0},    {30, 10, 20, 1.0},
               {5, 3, 3, 0.0},    {-0.5, -1, 1, 0.25}, {NAN, 0, 1, 0.0}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(ValueToFraction(c.value, c.min, c.max), c.f) << c.value << " " << c.min;
}

TEST(SliderMath, TrackStops) {
  const QSize bar(60, 219), handle(30, 71);
  const struct {
    bool vert;
    int32_t o1, o2, low, high;
  } cases[] = {{true, 0, 0, 189, 41},   {true, -10, 0, 199, 41}, {true, 0, 5, 189, 36},
               {false, 0, 0, 21, 51},   {false, 4, -2, 25, 49},  {true, 74, -74, 116, 115},
               {false, 15, -15, 36, 37}};  // equal stops move apart by one pixel
  for (const auto& c : cases) {
    const TSliderTrack t = SliderTrack(c.vert, 6, bar, handle, c.o1, c.o2);
    EXPECT_EQ(t.Low, c.low) << c.vert << c.o1;
    EXPECT_EQ(t.High, c.high) << c.vert << c.o1;
  }
}

class SliderTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    form->show();
  }
  // Mouse at element coordinates (those of the stops), delivered to the
  // caption label that takes it.
  static void Mouse(TQXBmpSlider* s, QEvent::Type type, QPoint p,
                    Qt::MouseButton b = Qt::LeftButton) {
    QWidget* l = s->CaptionLabel();
    const QPointF pf(p - l->pos());
    QMouseEvent e(type, pf, l->mapToGlobal(pf), type == QEvent::MouseMove ? Qt::NoButton : b,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
    QCoreApplication::sendEvent(l, &e);
  }
  // Press and release at one point of the track (vertical: y; x on the bar).
  static void ReleaseAt(TQXBmpSlider* s, int y) {
    Mouse(s, QEvent::MouseButtonPress, QPoint(30, y));
    Mouse(s, QEvent::MouseButtonRelease, QPoint(30, y));
  }
  static int HandleTop(const TQXBmpSlider* s) { return s->Handle()->y(); }
};

TEST_F(SliderTest, BuiltInPicturesGiveTheTrack) {
  auto* s = TQXBmpSlider::ElemCreate();
  EXPECT_EQ(s->size(), QSize(72, 231));
  EXPECT_EQ(s->Bar()->geometry(), QRect(6, 6, 60, 219));
  EXPECT_EQ(s->Handle()->size(), QSize(30, 71));
  EXPECT_EQ(s->TrackLow, 189);
  EXPECT_EQ(s->TrackHigh, 41);
  EXPECT_EQ(s->Handle()->x(), 21);
  EXPECT_EQ(HandleTop(s), 189 - 35);
  EXPECT_EQ(s->HandleOverlay()->pos(), s->Handle()->pos());
  EXPECT_EQ(s->CaptionLabel()->geometry(), QRect(6, 6, 60, 219));
  // The caption, not centred, in the toolkit's default font.
  auto* caption = qobject_cast<QLabel*>(s->CaptionLabel());
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->alignment(), Qt::AlignLeft | Qt::AlignTop);
  EXPECT_EQ(caption->font().pointSize(), QApplication::font().pointSize());
  EXPECT_EQ(s->GetFont().Size, QApplication::font().pointSize());
  EXPECT_TRUE(s->Bar()->isVisible());
  EXPECT_TRUE(s->Handle()->isVisible());
  EXPECT_TRUE(s->CaptionLabel()->isVisible());
  EXPECT_FALSE(s->BarOverlay()->isVisible());
  // Bottom to top: bar, bar overlay, handle, handle overlay, caption.
  const QObjectList& kids = s->children();
  auto index = [&kids](QObject* o) { return kids.indexOf(o); };
  EXPECT_LT(index(s->Bar()), index(s->BarOverlay()));
  EXPECT_LT(index(s->BarOverlay()), index(s->Handle()));
  EXPECT_LT(index(s->Handle()), index(s->HandleOverlay()));
  EXPECT_LT(index(s->HandleOverlay()), index(s->CaptionLabel()));

  s->SetEndOffset1(-10);  // the low stop beyond the bar's end
  EXPECT_EQ(s->TrackLow, 199);
  EXPECT_EQ(HandleTop(s), 199 - 35);
  s->SetEndOffset1(0);
  s->SetAxialOffset(3);
  EXPECT_EQ(s->Handle()->x(), 24);
  s->SetAxialOffset(0);
  s->SetIsVert(0);
  EXPECT_EQ(s->TrackLow, 21);
  EXPECT_EQ(s->TrackHigh, 51);
  EXPECT_EQ(s->Handle()->pos(), QPoint(6, 80));
}

TEST_F(SliderTest, ReleaseSendsTheSnappedValue) {
  auto* s = TQXBmpSlider::ElemCreate();
  s->SetSource("#5");
  ConnectLoopback();
  const struct {
    int y;
    const char* frame;
    int handleTop;
  } cases[] = {{115, "#5F50;", 80}, {41, "#5F100;", 6},  {-20, "#5F100;", 6},
               {182, "#5F0;", 154}, {181, "#5F5;", 147}, {300, "#5F0;", 154}};
  for (const auto& c : cases) {
    ReleaseAt(s, c.y);
    EXPECT_EQ(NextSent(), c.frame) << c.y;
    EXPECT_EQ(HandleTop(s), c.handleTop) << c.y;
  }
  ReleaseAt(s, 115);  // every release sends, moved or not
  ReleaseAt(s, 115);
  EXPECT_EQ(NextSent(), "#5F50;");
  EXPECT_EQ(NextSent(), "#5F50;");
  EXPECT_DOUBLE_EQ(s->GetValue(), 50.0);
  EXPECT_FALSE(s->Changed.load());

  // Dragging sends nothing until the release.
  Mouse(s, QEvent::MouseButtonPress, QPoint(30, 160));
  Mouse(s, QEvent::MouseMove, QPoint(30, 78));
  EXPECT_EQ(HandleTop(s), 189 - 111 - 35);
  EXPECT_TRUE(NothingSent());
  // Out sideways: back to the last sent value, which the release repeats.
  Mouse(s, QEvent::MouseMove, QPoint(100, 78));
  EXPECT_EQ(HandleTop(s), 80);
  Mouse(s, QEvent::MouseButtonRelease, QPoint(100, 78));
  EXPECT_EQ(NextSent(), "#5F50;");

  // The right button neither drags nor sends.
  Mouse(s, QEvent::MouseButtonPress, QPoint(30, 41), Qt::RightButton);
  Mouse(s, QEvent::MouseButtonRelease, QPoint(30, 41), Qt::RightButton);
  EXPECT_TRUE(NothingSent());
  EXPECT_EQ(HandleTop(s), 80);
  Disconnect();
}

// The pointer is measured against the stops: on the high stop it sends the
// maximum, just before either stop the step below.
TEST_F(SliderTest, PointerOnTheStopsSendsTheirSteps) {
  auto* s = TQXBmpSlider::ElemCreate();
  s->SetSource("#5");
  ConnectLoopback();
  s->SetSlideSteps(10);
  s->SetMaxScale(10);
  struct Case {
    bool vert;
    int along;  // pointer coordinate along the track, in the element
    const char* frame;
  };
  // Vertical 189 (low) .. 41 (high); horizontal 21 (low) .. 51 (high).
  const Case cases[] = {{true, 41, "#5F10;"}, {true, 42, "#5F9;"},   {true, 180, "#5F0;"},
                        {true, 189, "#5F0;"}, {false, 51, "#5F10;"}, {false, 50, "#5F9;"},
                        {false, 23, "#5F0;"}, {false, 25, "#5F1;"}};
  for (const Case& c : cases) {
    s->SetIsVert(c.vert ? 1 : 0);
    const int across = c.vert ? s->width() / 2 : s->height() / 2;
    const QPoint at = c.vert ? QPoint(across, c.along) : QPoint(c.along, across);
    Mouse(s, QEvent::MouseButtonPress, at);
    Mouse(s, QEvent::MouseButtonRelease, at);
    EXPECT_EQ(NextSent(), c.frame) << c.vert << " " << c.along;
  }
  Disconnect();
}

TEST_F(SliderTest, ScaleStepsAndDecimals) {
  auto* s = TQXBmpSlider::ElemCreate();
  s->SetSource("#5");
  ConnectLoopback();
  s->SetSlideSteps(4);
  s->SetMinScale(-1);
  s->SetMaxScale(1);
  const struct {
    int y;
    const char* frame;
  } quarter[] = {
      {189, "#5F-1;"}, {152, "#5F-0,5;"}, {115, "#5F0;"}, {78, "#5F0,5;"}, {41, "#5F1;"}};
  for (const auto& c : quarter) {
    ReleaseAt(s, c.y);
    EXPECT_EQ(NextSent(), c.frame) << c.y;
  }

  s->SetSlideSteps(3);
  s->SetMinScale(0);
  s->SetMaxScale(100);
  s->SetDecimals(1);
  ReleaseAt(s, 139);  // the first step: 33.33.. cut, not rounded
  EXPECT_EQ(NextSent(), "#5F33,3;");
  s->SetDecimals(25);  // at most 20
  EXPECT_EQ(s->GetDecimals(), 20);

  s->SetSlideSteps(20);
  s->SetDecimals(3);
  s->SetFixedDecimals(true);
  ReleaseAt(s, 115);
  EXPECT_EQ(NextSent(), std::string("#5F50") + FloatSeparator() + "000;");
  Disconnect();
}

TEST_F(SliderTest, LoadedSliderWithMinimumAboveZeroStaysOnTheTrack) {
  auto* first = TQXBmpSlider::ElemCreate();
  first->SetMinScale(10);
  first->SetMaxScale(20);
  first->SetSource("#5");
  TTextWriter w;
  TQXBmpSlider::ClassSet->SaveSet(w, *first);
  TTextLines lines(w.Text());
  std::string_view name;
  ASSERT_TRUE(lines.ReadLine(name));
  auto* s = dynamic_cast<TQXBmpSlider*>(TQXBmpSlider::ClassSet->LoadSet(lines));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetValue(), 0.0);  // nothing stored: below the minimum
  EXPECT_EQ(HandleTop(s), 154);
  ConnectLoopback();

  // Leaving sideways must neither put the handle off the track nor send a
  // value outside the range.
  Mouse(s, QEvent::MouseButtonPress, QPoint(30, 115));
  EXPECT_EQ(HandleTop(s), 80);
  Mouse(s, QEvent::MouseMove, QPoint(-5, 115));
  EXPECT_DOUBLE_EQ(s->Position, 0.0);
  EXPECT_EQ(HandleTop(s), 154);
  Mouse(s, QEvent::MouseButtonRelease, QPoint(-5, 115));
  EXPECT_EQ(NextSent(), "#5F10;");

  // Equal limits and no steps: no division by zero.
  s->SetMaxScale(10);
  s->SetSlideSteps(0);
  Mouse(s, QEvent::MouseButtonPress, QPoint(30, 115));
  EXPECT_DOUBLE_EQ(s->Position, 0.5);  // unstepped
  Mouse(s, QEvent::MouseButtonRelease, QPoint(100, 115));
  EXPECT_EQ(NextSent(), "#5F10;");
  EXPECT_EQ(HandleTop(s), 154);
  Disconnect();
}

TEST_F(SliderTest, OverlaysWhileHovered) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FileLoad->ProjectPath = dir.path().toStdString() + "/";
  auto* s = TQXBmpSlider::ElemCreate();
  QWidget* l = s->CaptionLabel();
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), l->mapToGlobal(QPointF(1, 1)));
  QCoreApplication::sendEvent(l, &enter);
  EXPECT_TRUE(s->BarOverlay()->isVisible());
  EXPECT_TRUE(s->HandleOverlay()->isVisible());
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(l, &leave);
  EXPECT_FALSE(s->BarOverlay()->isVisible());
  EXPECT_FALSE(s->HandleOverlay()->isVisible());

  // An own bar without own overlays: none, and the size follows the bar.
  QImage bar(200, 40, QImage::Format_RGB32);
  bar.fill(Qt::darkGray);
  ASSERT_TRUE(bar.save(dir.filePath("bar.png")));
  s->SetIsVert(0);
  s->SetFile(1, "bar.png");
  EXPECT_EQ(s->size(), QSize(212, 52));
  EXPECT_EQ(s->TrackLow, 21);
  EXPECT_EQ(s->TrackHigh, 6 + 200 - 30 + 15);
  QCoreApplication::sendEvent(l, &enter);
  EXPECT_FALSE(s->BarOverlay()->isVisible());
  EXPECT_FALSE(s->HandleOverlay()->isVisible());
}

}  // namespace
}  // namespace qx
