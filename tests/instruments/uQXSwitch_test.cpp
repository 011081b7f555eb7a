// The switch control's faces and clicks, and the switch row: layout, the
// three modes' frames through a real hub and a loopback UDP port,
// orientation, count and captions in the project file.
#include "instruments/uQXSwitch.h"

#include <gtest/gtest.h>

#include <QMouseEvent>

#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "gui_support/ElementPortFixture.h"
#include "editing/uSendAnim.h"

namespace qx {
namespace {

// ---- the switch control -----------------------------------------------------------

TColor At(const QImage& img, int x, int y) {
  return QRgbToColor(img.pixel(x, y));
}
constexpr TColor Grey(int g) {
  return static_cast<TColor>(g * 0x010101);
}

TEST(SwitchFaces, ReleasedFaceEdgesLeaveOutTheirEndPixel) {
  const QImage img = RenderUpFace(10, 20, QString(), QFont(), 0);
  ASSERT_EQ(img.size(), QSize(10, 20));
  // Light top and left lines stop short of the corners the dark lines take.
  EXPECT_EQ(At(img, 0, 0), Grey(255));
  EXPECT_EQ(At(img, 8, 0), Grey(255));
  EXPECT_EQ(At(img, 9, 0), Grey(0xA0));
  EXPECT_EQ(At(img, 0, 18), Grey(255));
  EXPECT_EQ(At(img, 0, 19), Grey(0xA0));
  EXPECT_EQ(At(img, 9, 18), Grey(0xA0));
  EXPECT_EQ(At(img, 9, 19), Grey(0xA0));
  // a = 7 rows fading 245 to 221, b = 11 rows from 220 to 205.
  const struct {
    int y;
    int grey;
  } rows[] = {{1, 245}, {2, 241}, {7, 221}, {8, 220}, {9, 219}, {18, 205}};
  for (const auto& r : rows) {
    EXPECT_EQ(At(img, 1, r.y), Grey(r.grey)) << r.y;
    EXPECT_EQ(At(img, 8, r.y), Grey(r.grey)) << r.y;
  }
}

TEST(SwitchFaces, PressedFaceHasTwoFramesAroundTheFill) {
  const QImage img = RenderDownFace(12, 10, QString(), QFont(), 0);
  const struct {
    int x, y;
    TColor c;
  } px[] = {{0, 0, 0xB09C82},  {10, 0, 0xB09C82}, {0, 8, 0xB09C82},  {11, 0, 0xF5EDE2},
            {11, 9, 0xF5EDE2}, {0, 9, 0xF5EDE2},  {1, 1, 0xB8A78F},  {9, 1, 0xB8A78F},
            {1, 7, 0xB8A78F},  {10, 1, 0xEBDBC7}, {10, 8, 0xEBDBC7}, {1, 8, 0xEBDBC7},
            {5, 5, 0xFAB387},  {9, 7, 0xFAB387}};
  for (const auto& p : px) EXPECT_EQ(At(img, p.x, p.y), p.c) << p.x << "," << p.y;
}

TEST(SwitchFaces, TinyAndOverfullFacesStillRender) {
  // Four pixels high: both bands use their minimum of two rows.
  const QImage img = RenderUpFace(8, 4, QString(), QFont(), 0);
  EXPECT_EQ(At(img, 3, 1), Grey(245));
  EXPECT_EQ(At(img, 3, 2), Grey(221));
  EXPECT_EQ(At(img, 3, 3), Grey(0xA0));
  // A caption wider than the control is clipped on both sides.
  QFont big;
  big.setPixelSize(14);
  const QString wide(40, QChar('W'));
  const QImage up = RenderUpFace(20, 20, wide, big, 0xFFFFFF);
  const QImage down = RenderDownFace(20, 20, wide, big, 0xFFFFFF);
  EXPECT_EQ(up.size(), QSize(20, 20));
  EXPECT_NE(up, RenderUpFace(20, 20, QString(), big, 0xFFFFFF));
  EXPECT_NE(down, RenderDownFace(20, 20, QString(), big, 0xFFFFFF));
}

TEST(SwitchFaces, CaptionIsCentred) {
  QFont f;
  f.setPixelSize(12);
  const QImage blank = RenderDownFace(80, 30, QString(), f, 0);
  const QImage text = RenderDownFace(80, 30, "I", f, 0);
  int minX = 80, maxX = -1;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x)
      if (text.pixel(x, y) != blank.pixel(x, y)) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
      }
  ASSERT_GE(maxX, 0);
  EXPECT_NEAR((minX + maxX) / 2.0, 40.0, 3.0);
}

void Click(QWidget* w, QEvent::Type pressType = QEvent::MouseButtonPress) {
  const QPointF c = QRectF(w->rect()).center();
  QMouseEvent down(pressType, c, w->mapToGlobal(c), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, c, w->mapToGlobal(c), Qt::LeftButton, Qt::NoButton,
                 Qt::NoModifier);
  QCoreApplication::sendEvent(w, &up);
}

TEST(SwitchControl, QuickDoubleClickIsTwoClicks) {
  TSwitch s(nullptr);
  s.resize(40, 20);
  int clicks = 0;
  QObject::connect(&s, &TSwitch::Clicked, [&clicks] { ++clicks; });
  Click(&s);
  Click(&s, QEvent::MouseButtonDblClick);  // the second press of a double click
  EXPECT_EQ(clicks, 2);
  // Released outside: no click.
  QMouseEvent down(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&s, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(60, 5), QPointF(60, 5), Qt::LeftButton,
                 Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&s, &up);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(s.Pressed());  // clicking alone changes no face
  s.SetPressed(true);
  EXPECT_TRUE(s.Pressed());
}

TEST(SwitchRowMath, SplitGivesTheRemainderToTheFirst) {
  EXPECT_EQ(SplitLength(108, 2), (std::vector<int32_t>{54, 54}));
  EXPECT_EQ(SplitLength(113, 10), (std::vector<int32_t>{12, 12, 12, 11, 11, 11, 11, 11, 11, 11}));
  EXPECT_EQ(SplitLength(5, 1), (std::vector<int32_t>{5}));
  EXPECT_TRUE(SplitLength(5, 0).empty());
}

// ---- the switch row ---------------------------------------------------------------

class SwitchRowTest : public test::ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    form->show();
  }
  static std::string Pressed(const TQXSwitch* s) {
    std::string p;
    for (int32_t i = 0; i < TQXSwitch::kMaxSwitches; ++i) p += s->Switch(i)->Pressed() ? '1' : '0';
    return p;
  }
  static int Anims(QWidget* e) { return static_cast<int>(e->findChildren<TAnim*>().size()); }
};

TEST_F(SwitchRowTest, NewRowAndItsLayout) {
  auto* s = TQXSwitch::ElemCreate();
  EXPECT_EQ(s->size(), QSize(120, 50));
  EXPECT_EQ(s->GetBckGndColor(), 0xEEEEEEu);
  EXPECT_EQ(s->Switch(0)->Text(), "Aus");
  EXPECT_EQ(s->Switch(1)->Text(), "Ein");
  EXPECT_EQ(Pressed(s), "1000000000");
  EXPECT_EQ(s->Switch(0)->geometry(), QRect(6, 6, 54, 38));
  EXPECT_EQ(s->Switch(1)->geometry(), QRect(60, 6, 54, 38));
  EXPECT_FALSE(s->Switch(2)->isVisible());

  s->SetSwitchQty(10);
  s->SetWidth(125);  // 113 over 10: the first three one pixel wider
  EXPECT_EQ(s->Switch(0)->geometry(), QRect(6, 6, 12, 38));
  EXPECT_EQ(s->Switch(3)->geometry(), QRect(42, 6, 11, 38));
  EXPECT_EQ(s->Switch(9)->geometry(), QRect(108, 6, 11, 38));
  EXPECT_TRUE(s->Switch(9)->isVisible());
  for (const auto& [typed, stored] : {std::pair{0, 1}, {-3, 1}, {11, 10}, {4, 4}}) {
    s->SetSwitchQty(typed);
    EXPECT_EQ(s->SwitchQty, stored) << typed;
  }
  EXPECT_FALSE(s->Switch(4)->isVisible());

  // The caption line adds its height; the switch area keeps its size.
  s->SetSwitchQty(2);
  s->SetWidth(120);
  s->SetDenom("Pumpe");
  s->SetSource("#5");
  s->SetShowDenom(true);
  const int h = TextHeightOf(s->CaptionLabel()->font()) + 4;
  EXPECT_EQ(s->CaptionHeight, h);
  EXPECT_EQ(s->height(), 50 + h);
  EXPECT_EQ(s->Switch(0)->geometry(), QRect(6, 6 + h, 54, 38));
  EXPECT_EQ(s->CaptionLabel()->pos(), QPoint(10, 8));
  EXPECT_EQ(s->CaptionLabel()->text(), "Pumpe");
  s->SetShowSource(true);
  EXPECT_EQ(s->CaptionLabel()->text(), "Pumpe=#5");
  s->SetShowDenom(false);
  EXPECT_EQ(s->CaptionLabel()->text(), "=#5");
  s->SetShowSource(false);
  EXPECT_EQ(s->height(), 50);
  EXPECT_EQ(s->CaptionHeight, 0);
}

TEST_F(SwitchRowTest, TurningKeepsTheSwitchSize) {
  auto* s = TQXSwitch::ElemCreate();
  s->SetLeft(40);
  s->SetIsVert(1);
  EXPECT_EQ(s->geometry(), QRect(40, 0, 66, 88));
  EXPECT_EQ(s->Switch(0)->geometry(), QRect(6, 6, 54, 38));
  EXPECT_EQ(s->Switch(1)->geometry(), QRect(6, 44, 54, 38));
  s->SetIsVert(1);  // already vertical: nothing
  EXPECT_EQ(s->size(), QSize(66, 88));
  s->SetIsVert(0);
  EXPECT_EQ(s->geometry(), QRect(40, 0, 120, 50));
}

TEST_F(SwitchRowTest, ModesSendTheirFrames) {
  auto* s = TQXSwitch::ElemCreate();
  s->SetSource("#5");
  s->SetSwitchQty(3);
  ConnectLoopback();

  // xor: the pressed switch again does nothing at all.
  Click(s->Switch(0));
  EXPECT_TRUE(NothingSent());
  EXPECT_EQ(Anims(s), 0);
  Click(s->Switch(2));
  EXPECT_EQ(NextSent(), "#5F2;");
  EXPECT_EQ(Pressed(s), "0010000000");
  EXPECT_EQ(s->Selected, 2);

  s->SetMode(TQXSwitch::ModeSwitchBar);  // the states stay
  EXPECT_EQ(Pressed(s), "0010000000");
  const struct {
    int32_t sw;
    const char* frame;
  } bar[] = {{0, "#5F01;"}, {0, "#5F00;"}, {2, "#5F20;"}, {2, "#5F21;"}};
  for (const auto& c : bar) {
    Click(s->Switch(c.sw));
    EXPECT_EQ(NextSent(), c.frame);
  }

  s->SetMode(TQXSwitch::ModeDip);
  const struct {
    int32_t sw;
    const char* frame;
  } dip[] = {{0, "#5F5;"}, {1, "#5F7;"}, {2, "#5F3;"}, {0, "#5F2;"}, {1, "#5F0;"}};
  for (const auto& c : dip) {
    Click(s->Switch(c.sw));
    EXPECT_EQ(NextSent(), c.frame);
  }

  // Back to xor with extra switches pressed: a click releases only the
  // selected one.
  Click(s->Switch(0));
  Click(s->Switch(1));
  EXPECT_EQ(NextSent(), "#5F1;");
  EXPECT_EQ(NextSent(), "#5F3;");
  s->SetMode(TQXSwitch::ModeXor);
  Click(s->Switch(0));
  EXPECT_EQ(NextSent(), "#5F0;");
  EXPECT_EQ(Pressed(s), "1100000000");  // switch 2 released, 1 still pressed
  Disconnect();
}

TEST_F(SwitchRowTest, FewerSwitchesThanTheSelectedOne) {
  auto* s = TQXSwitch::ElemCreate();
  s->SetSource("#5");
  s->SetSwitchQty(4);
  ConnectLoopback();
  Click(s->Switch(3));
  EXPECT_EQ(NextSent(), "#5F3;");
  s->SetSwitchQty(2);  // switch 3 hidden but still selected
  Click(s->Switch(1));
  EXPECT_EQ(NextSent(), "#5F1;");
  EXPECT_EQ(Pressed(s), "0100000000");
  Disconnect();
}

TEST_F(SwitchRowTest, WithoutConnectionTheStatesStillChange) {
  auto* s = TQXSwitch::ElemCreate();
  s->SetSource("#5");
  s->SetMode(TQXSwitch::ModeDip);
  Click(s->Switch(1));
  EXPECT_EQ(Pressed(s), "1100000000");
  const auto anims = s->findChildren<TAnim*>();
  ASSERT_EQ(anims.size(), 1);
  EXPECT_EQ(anims.back()->Bar()->palette().color(QPalette::Window),
            ColorToQColor(static_cast<TColor>(AnimColor(AnimNotSent))));
}

TEST_F(SwitchRowTest, ProjectHoldsTheCaptionsInUse) {
  auto* s = TQXSwitch::ElemCreate();
  s->SetSwitchQty(3);
  s->SetCaption(2, "Auto");
  s->SetCaption(5, "ignored");  // not in use
  s->SetMode(TQXSwitch::ModeSwitchBar);
  s->SetIsVert(1);
  s->SetHeight(150);
  TFontDesc f = s->GetFont();
  f.Bold = true;
  f.Color = 0x0000FF;
  s->SetFont(f);
  EXPECT_TRUE(s->Switch(9)->font().bold());
  EXPECT_EQ(s->Switch(9)->FontColor, 0x0000FFu);

  TTextWriter w;
  TQXSwitch::ClassSet->SaveSet(w, *s);
  const std::string text = w.Text();
  EXPECT_NE(text.find("caption2 \"Auto\"\r\n"), std::string::npos);
  EXPECT_EQ(text.find("caption3"), std::string::npos);
  EXPECT_NE(text.find("orientation vert\r\n"), std::string::npos);
  EXPECT_NE(text.find("mode switchbar\r\n"), std::string::npos);

  TTextLines lines(text);
  std::string_view first;
  ASSERT_TRUE(lines.ReadLine(first));  // the set name
  auto* back = dynamic_cast<TQXSwitch*>(TQXSwitch::ClassSet->LoadSet(lines));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->SwitchQty, 3);
  EXPECT_EQ(back->GetCaption(2), "Auto");
  EXPECT_TRUE(back->IsVert);
  EXPECT_EQ(back->size(), QSize(48, 150));  // the stored size wins over the turn
  EXPECT_EQ(back->Mode, TQXSwitch::ModeSwitchBar);
  EXPECT_EQ(Pressed(back), "1000000000");  // states are not saved
  EXPECT_TRUE(back->Switch(2)->font().bold());
}

// A caption of megabytes (a hand-made project): the switch lays out only
// what it can show, the property and the file keep it whole.
TEST_F(SwitchRowTest, AHugeCaptionIsShownCutAndKeptWhole) {
  auto* s = TQXSwitch::ElemCreate();
  const std::string caption = "Ein " + std::string(4 * 1024 * 1024, 'e');
  s->SetCaption(1, caption);
  EXPECT_EQ(s->Switch(1)->Text().size(), static_cast<qsizetype>(kMaxShownTextBytes));
  EXPECT_TRUE(s->Switch(1)->Text().startsWith("Ein eee"));
  EXPECT_EQ(s->GetCaption(1), caption);
  TTextWriter w;
  TQXSwitch::ClassSet->SaveSet(w, *s);
  EXPECT_NE(w.Text().find("caption1 \"" + caption + "\"\r\n"), std::string::npos);
}

TEST_F(SwitchRowTest, ListingShowsTheCaptionRowsInUse) {
  auto* s = TQXSwitch::ElemCreate();
  TPropertyEditor::ShowElement(*s);
  TEEListing* l = TPropertyEditor::CurrentListing();
  ASSERT_NE(l, nullptr);
  auto row = [l](size_t i) { return dynamic_cast<TEEEZeichenfeld*>(l->Entries[12 + i]); };
  auto shown = [&row] {
    std::string v;
    for (size_t i = 0; i < 10; ++i) v += row(i)->isHidden() ? '0' : '1';
    return v;
  };
  ASSERT_NE(row(9), nullptr);
  EXPECT_EQ(shown(), "1100000000");
  EXPECT_EQ(row(1)->Edit->text(), "Ein");
  s->SetSwitchQty(4);
  EXPECT_EQ(shown(), "1111000000");
  s->SetCaption(3, "Hand");
  TPropertyEditor::RefreshListing();
  EXPECT_EQ(row(3)->Edit->text(), "Hand");

  // The orientation choice turns the row into a column.
  auto* orientation = dynamic_cast<TEEEAuswahlbox*>(l->Entries[5]);
  ASSERT_NE(orientation, nullptr);
  emit orientation->Combo->activated(1);
  EXPECT_TRUE(s->IsVert);
  EXPECT_EQ(s->size(), QSize(39, 164));  // four switches of 27 x 38
}

}  // namespace
}  // namespace qx
