// The bar graph: segment arithmetic, painted pixels, drags, marks, layout,
// and frames through a real hub and a loopback UDP port.
#include "instruments/uQXBargraph.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <cmath>
#include <vector>

#include "channels/uSocketIO.h"
#include "editing/uEEChoices.h"
#include "editing/uEEFields.h"
#include "editing/uPropertyEditor.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "gui_support/ElementPortFixture.h"

namespace qx {
namespace {

using test::ElementPortFixture;

TEST(BargraphMath, SegmentSizesGiveTheRemainderToTheFirst) {
  // 100 long, 5 clear at each end, 10 segments 2 apart: 72 free pixels,
  // segments of 7, the first two drawn 8.
  auto segs = BarSegments(100, 5, 10, 2);
  ASSERT_EQ(segs.size(), 10u);
  std::vector<int32_t> starts, sizes;
  for (const TBarSegment& s : segs) {
    starts.push_back(s.Start);
    sizes.push_back(s.Size);
  }
  EXPECT_EQ(sizes, (std::vector<int32_t>{8, 8, 7, 7, 7, 7, 7, 7, 7, 7}));
  EXPECT_EQ(starts, (std::vector<int32_t>{5, 15, 25, 34, 43, 52, 61, 70, 79, 88}));
  EXPECT_EQ(segs.back().Start + segs.back().Size, 95);
  segs = BarSegments(23, 0, 4, 0);  // 5, 6, 6, 6 would be wrong: 6, 6, 6, 5
  EXPECT_EQ(segs[0].Size, 6);
  EXPECT_EQ(segs[3].Size, 5);
  // Nothing to draw rather than a division by zero or negative segments.
  const struct {
    int32_t length, clearance, count, gap;
  } none[] = {{100, 5, 0, 2}, {100, 5, -3, 2}, {100, 5, 10, -1}, {10, 5, 2, 1}, {30, 5, 10, 3}};
  for (const auto& c : none)
    EXPECT_TRUE(BarSegments(c.length, c.clearance, c.count, c.gap).empty()) << c.count;
  EXPECT_EQ(BarSegments(10, 5, 1, 9).size(), 1u);  // a bar of one empty segment
}

TEST(BargraphMath, LitSegmentsRoundHalvesToEven) {
  const struct {
    int32_t count;
    double position;
    int32_t lit;
  } cases[] = {{10, 0.35, 4}, {10, 0.25, 2}, {10, 0.45, 4}, {10, 0.0, 0}, {10, 1.0, 10},
               {10, 2.0, 10}, {10, -1, 0},   {10, NAN, 0},  {0, 0.5, 0},  {4, 0.375, 2}};
  for (const auto& c : cases) EXPECT_EQ(LitSegments(c.count, c.position), c.lit) << c.position;
}

constexpr TColor kBack = 0x202020, kLight = 0x0000FF, kDark = 0x00FF00;

struct BarPixels : ::testing::Test {
  BarPixels() : bar(nullptr) {
    bar.BarBckGndColor = kBack;
    bar.LightColor = kLight;
    bar.DarkColor = kDark;
  }
  TColor At(int x, int y) { return QRgbToColor(bar.grab().toImage().pixel(x, y)); }
  TBargraph bar;
};

TEST_F(BarPixels, VerticalFillsFromTheBottom) {
  bar.resize(40, 100);
  bar.SetPosition(0.25);  // 2 of 10 lit: segments at 79..85 and 88..94
  const QImage img = bar.grab().toImage();
  auto at = [&img](int x, int y) { return QRgbToColor(img.pixel(x, y)); };
  EXPECT_EQ(at(20, 90), kLight);
  EXPECT_EQ(at(20, 79), kLight);
  EXPECT_EQ(at(20, 78), kBack);  // the gap
  EXPECT_EQ(at(20, 75), kDark);
  EXPECT_EQ(at(20, 5), kDark);
  EXPECT_EQ(at(20, 4), kBack);    // clearance at the top
  EXPECT_EQ(at(20, 95), kBack);   // and at the bottom
  EXPECT_EQ(at(5, 90), kLight);   // across: from the clearance ...
  EXPECT_EQ(at(34, 90), kLight);  // ... to the thickness less the clearance
  EXPECT_EQ(at(4, 90), kBack);
  EXPECT_EQ(at(35, 90), kBack);
  EXPECT_EQ(bar.SegmentSize, 7);
}

TEST_F(BarPixels, HorizontalFillsFromTheLeft) {
  bar.Vertical = false;
  bar.resize(100, 40);
  bar.SetPosition(0.35);  // 4 lit: the fourth is 34..40
  EXPECT_EQ(At(36, 20), kLight);
  EXPECT_EQ(At(41, 20), kBack);
  EXPECT_EQ(At(45, 20), kDark);
  EXPECT_EQ(At(7, 20), kLight);
}

TEST_F(BarPixels, GlowAroundTheLitSegments) {
  bar.resize(40, 100);
  bar.SetPosition(0.25);
  bar.LightEffect = true;
  const QImage img = bar.grab().toImage();
  auto at = [&img](int x, int y) { return QRgbToColor(img.pixel(x, y)); };
  const TColor half = BlendColor(kLight, kBack, 0.5), faint = BlendColor(kLight, kBack, 0.2);
  EXPECT_EQ(at(20, 90), kLight);
  EXPECT_EQ(at(4, 90), half);  // side lines just outside the segment
  EXPECT_EQ(at(35, 90), half);
  EXPECT_EQ(at(3, 90), faint);  // and one further out
  EXPECT_EQ(at(36, 90), faint);
  EXPECT_EQ(at(20, 95), half);  // after the group: over the bar background
  EXPECT_EQ(at(20, 96), faint);
  EXPECT_EQ(at(4, 95), faint);  // with its end pixels
  // Before the group: the group's line and the first segment's ring blend
  // over the same gap line.
  EXPECT_EQ(at(20, 78), BlendColor(kLight, half, 0.5));
  EXPECT_EQ(at(20, 70), kDark);  // the unlit segments have no glow
  EXPECT_EQ(at(4, 70), kBack);
}

TEST_F(BarPixels, DegenerateSettingsDrawAnEmptyBar) {
  bar.resize(40, 100);
  for (int32_t qty : {0, -2}) {
    bar.StepQty = qty;
    bar.update();
    EXPECT_EQ(At(20, 90), kBack) << qty;
  }
  bar.StepQty = 10;
  bar.StepClearance = 50;  // no room for the gaps
  EXPECT_EQ(At(20, 90), kBack);
}

// ---- the element ----------------------------------------------------------------

class BargraphTest : public ElementPortFixture {
 protected:
  void SetUp() override {
    ElementPortFixture::SetUp();
    form->show();  // resize events reach shown widgets at once
  }
  static void Mouse(QWidget* w, QEvent::Type type, QPoint p,
                    Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held = type == QEvent::MouseMove ? Qt::MouseButtons(Qt::LeftButton)
                                  : type == QEvent::MouseButtonPress ? Qt::MouseButtons(button)
                                                                     : Qt::NoButton;
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  }
  // Pointer height of a fraction on a vertical bar (clearance 5).
  static QPoint At(const TBargraph* b, double f) {
    const int end = b->height() - 5;
    return {b->width() / 2, end - static_cast<int>(std::lround((end - 5) * f))};
  }
};

TEST_F(BargraphTest, DefaultsAndLayout) {
  auto* g = TQXBargraph::ElemCreate();
  EXPECT_EQ(g->ClassId, 13);
  EXPECT_EQ(g->size(), QSize(50, 100));
  EXPECT_EQ(g->GetBckGndColor(), 0xA6A6A6u);
  EXPECT_EQ(g->Bar->geometry(), QRect(6, 6, 38, 88));
  EXPECT_EQ(g->Bar->Position, 0.5);
  EXPECT_EQ(g->Bar->Mode, 2);
  EXPECT_TRUE(g->Bar->Vertical);
  EXPECT_TRUE(g->Bar->LightEffect);
  EXPECT_EQ(g->OutElement->TypeName, "QXBarGraphOut");
  EXPECT_EQ(g->OutElement->ChannelRole, RoleOutput);
  EXPECT_TRUE(g->NameLabel->isHidden());

  g->SetDenom("Pegel");
  g->SetSource("#5");
  g->SetShowSource(true);  // the name line appears; the element grows
  const int h = g->NameLabelHeight;
  EXPECT_GT(h, 0);
  EXPECT_EQ(g->NameLabel->text(), " =#5");
  EXPECT_EQ(g->height(), 100 + h);
  EXPECT_EQ(g->Bar->y(), 6 + h + 5);
  g->SetShowName(true);  // already shown: no growth
  EXPECT_EQ(g->NameLabel->text(), "Pegel =#5");
  EXPECT_EQ(g->height(), 100 + h);

  // A turn keeps the bar's length and thickness.
  const QSize bar = g->Bar->size();
  g->SetOrientation(0);
  EXPECT_EQ(g->Bar->size(), bar.transposed());
  g->SetOrientation(0);
  EXPECT_EQ(g->Bar->size(), bar.transposed());
  g->SetOrientation(1);
  EXPECT_EQ(g->Bar->size(), bar);
}

// The two glow rows share their caption; their check boxes tell them apart
// and must show their whole text.
TEST_F(BargraphTest, GlowRowsShowTheirCheckCaptionsWhole) {
  auto* g = TQXBargraph::ElemCreate();
  TPropertyEditor::ShowElement(*g);
  TEEListing* l = TPropertyEditor::CurrentListing();
  ASSERT_NE(l, nullptr);
  std::vector<QString> glow;
  for (TEEEintrag* e : l->Entries) {
    auto* row = dynamic_cast<TEEEAuswahlFeld*>(e);
    if (!row) continue;
    SCOPED_TRACE(row->Label->text().toStdString());
    EXPECT_GE(row->Check->width(), row->Check->sizeHint().width());
    EXPECT_LE(row->Check->geometry().right(), row->width());
    if (row->Label->text() == "Leuchteffekt") glow.push_back(row->Check->text());
  }
  EXPECT_EQ(glow, (std::vector<QString>{"Leuchtfarbe", "Schattenfarbe"}));
}

TEST_F(BargraphTest, MarksBesideTheEndsAndTheMaximumHiddenWhenItCollides) {
  auto* g = TQXBargraph::ElemCreate();
  g->SetShowMarks(true);
  EXPECT_EQ(g->width(), 50 + g->MarkWidth);
  EXPECT_EQ(g->Bar->width(), 38);
  EXPECT_EQ(g->MinLabel->text(), "0");
  EXPECT_EQ(g->MaxLabel->text(), "100");
  EXPECT_FALSE(g->MinLabel->isHidden());
  EXPECT_FALSE(g->MaxLabel->isHidden());
  EXPECT_EQ(g->MinLabel->x(), g->Bar->width() + g->FrameWidth + 2);
  g->SetHeight(2 * g->FrameWidth + 10 + 2 * g->MarkHeight);  // too short for both
  EXPECT_FALSE(g->MinLabel->isHidden());
  EXPECT_TRUE(g->MaxLabel->isHidden());
  g->SetShowMarks(false);
  EXPECT_EQ(g->width(), 50);
  EXPECT_TRUE(g->MinLabel->isHidden());

  g->SetOrientation(0);
  g->SetWidth(300);
  g->SetShowMarks(true);  // below a horizontal bar
  g->SetShowUnit(true);
  g->SetUnit("%");
  EXPECT_EQ(g->MaxLabel->text(), "100%");
  EXPECT_EQ(g->MinLabel->y(), g->Bar->y() + g->Bar->height());
  EXPECT_FALSE(g->MaxLabel->isHidden());
  g->SetWidth(2 * g->FrameWidth + 10 + g->MinLabel->width() + g->MaxLabel->width());
  EXPECT_TRUE(g->MaxLabel->isHidden());
}

// Scale numbers far wider than a narrow bar graph: each shows whole or not
// at all, and the bar keeps room for its segments. An edit on the panel
// widens a vertical bar graph for its numbers; a value set as a file or a
// clone sets it keeps the element's size.
TEST_F(BargraphTest, ScaleNumbersShowWholeAndTheBarStays) {
  struct Case {
    bool vertical;
    bool panelEdit;
    bool scaleShown;
  };
  const Case cases[] = {{true, true, true}, {true, false, false}, {false, false, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << (k.vertical ? "vertical" : "horizontal")
                                    << (k.panelEdit ? ", panel edit" : ", set"));
    auto* g = TQXBargraph::ElemCreate();
    g->SetOrientation(k.vertical ? 1 : 0);
    g->SetShowMarks(true);
    g->SetWidth(50);
    g->SetHeight(k.vertical ? 100 : 50);
    const int barWidth = g->Bar->width();
    if (k.panelEdit) {
      TPropertyEditor::ShowElement(*g);
      TEEERealPaar* range = nullptr;
      for (TEEEintrag* e : TPropertyEditor::CurrentListing()->Entries) {
        if (auto* r = dynamic_cast<TEEERealPaar*>(e)) range = r;
      }
      ASSERT_NE(range, nullptr);
      range->FirstEdit->setText("-100000");
      range->Apply(range->FirstEdit);
    } else {
      g->SetMinScale(-100000);
    }
    EXPECT_EQ(g->MinLabel->text(), "-100000");
    EXPECT_EQ(!g->MinLabel->isHidden(), k.scaleShown);
    for (QLabel* l : {g->MinLabel, g->MaxLabel}) {
      if (l->isHidden()) continue;
      SCOPED_TRACE(l->text().toStdString());
      EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()));
      EXPECT_GE(l->x(), 0);
      EXPECT_LE(l->geometry().right(), g->width() - 1);
      if (k.vertical) {
        EXPECT_GT(l->x(), g->Bar->geometry().right());
      }
    }
    EXPECT_GT(g->Bar->width(), 2 * g->Bar->ClearanceX);
    EXPECT_GT(g->Bar->height(), 2 * g->Bar->ClearanceY);
    if (k.panelEdit) {
      EXPECT_EQ(g->Bar->width(), barWidth);
    }
    if (!k.panelEdit) {
      EXPECT_EQ(g->width(), 50);
    }
    g->SetWidth(150);  // room again: the scale shows
    EXPECT_FALSE(g->MinLabel->isHidden());
    delete g;
  }
}

// A range change, and a project read with its range, put the bar at the
// element's value at once, before any display refresh.
TEST_F(BargraphTest, BarShowsTheValueAfterARangeChangeAndALoad) {
  auto* g = TQXBargraph::ElemCreate();
  g->SetMinScale(-50);
  EXPECT_DOUBLE_EQ(g->Bar->Position, 1.0 / 3);
  g->SetValue(25);
  g->UpdateDisplay();
  EXPECT_DOUBLE_EQ(g->Bar->Position, 0.5);
  g->SetMaxScale(200);
  EXPECT_DOUBLE_EQ(g->Bar->Position, 0.3);
  const std::string text = FileLoad->ProjectText();
  NewProject();
  FileLoad->LoadProjectText(text);
  auto* b = dynamic_cast<TQXBargraph*>(CurrentSheet->ElementList.at(0));
  ASSERT_NE(b, nullptr);
  EXPECT_DOUBLE_EQ(b->Bar->Position, 0.2);  // 0 on -50..200
}

TEST_F(BargraphTest, FramesShowOnTheTickAndADragSendsOnRelease) {
  auto* g = TQXBargraph::ElemCreate();
  g->SetSource("#5");
  g->SetOutSource("#9");
  ConnectLoopback();
  TBargraph* b = g->Bar;

  Feed("#5F80;");
  EXPECT_TRUE(ProcessUntil([&] { return b->Position == 0.8; }));
  Feed("#5SHallo;");  // a text leaves the bar alone
  ProcessFor(900);
  EXPECT_EQ(b->Position, 0.8);

  Mouse(b, QEvent::MouseButtonPress, At(b, 0.3), Qt::RightButton);
  Mouse(b, QEvent::MouseButtonRelease, At(b, 0.3), Qt::RightButton);
  EXPECT_TRUE(NothingSent());
  EXPECT_EQ(b->Position, 0.8);

  Mouse(b, QEvent::MouseButtonPress, At(b, 0.52));  // snaps to whole segments at once
  EXPECT_DOUBLE_EQ(b->Position, 0.5);
  Mouse(b, QEvent::MouseButtonRelease, At(b, 0.3));
  EXPECT_EQ(NextSent(), "#9F30;");
  EXPECT_DOUBLE_EQ(g->GetValue(), 30.0);  // the bar keeps showing what was sent

  // Off the side: back to the stored value; released there, nothing is sent.
  Mouse(b, QEvent::MouseButtonPress, At(b, 0.9));
  Mouse(b, QEvent::MouseButtonRelease, At(b, 0.9) + QPoint(b->width() + 5, 0));
  EXPECT_TRUE(NothingSent());
  EXPECT_DOUBLE_EQ(b->Position, 0.3);
  Mouse(b, QEvent::MouseButtonPress, At(b, 0.9));
  Mouse(b, QEvent::MouseMove, At(b, 0.9) - QPoint(b->width() / 2 + 1, 0));
  EXPECT_DOUBLE_EQ(b->Position, 0.3);
  Mouse(b, QEvent::MouseMove, At(b, 0.7));  // back inside: following again
  EXPECT_DOUBLE_EQ(b->Position, 0.7);
  Mouse(b, QEvent::MouseButtonRelease, At(b, 1.5));  // beyond the top end
  EXPECT_EQ(NextSent(), "#9F100;");

  // Mode out drops received numbers; mode in ignores the mouse.
  g->SetMode(1);
  Feed("#5F20;");
  ProcessFor(900);
  EXPECT_EQ(b->Position, 1.0);
  g->SetMode(0);
  Mouse(b, QEvent::MouseButtonPress, At(b, 0.1));
  Mouse(b, QEvent::MouseButtonRelease, At(b, 0.1));
  EXPECT_TRUE(NothingSent());
  EXPECT_EQ(b->Position, 1.0);
  Feed("#5F20;");
  EXPECT_TRUE(ProcessUntil([&] { return b->Position == 0.2; }));
  form->ButtonDisconnectClick();
}

TEST_F(BargraphTest, KeySetRoundTrip) {
  auto* g = TQXBargraph::ElemCreate();
  g->SetSource("#1");
  g->SetOutSource("#2");
  g->SetMode(1);
  g->SetOrientation(0);
  g->SetStepQty(7);
  g->SetClearanceX(3);
  g->SetDarkEffect(true);
  g->SetMaxScale(2.5);
  g->SetLightColor(0x123456);
  const QSize size = g->size();
  const std::string text = FileLoad->ProjectText();
  EXPECT_NE(text.find("QXBarGraph\r\n"), std::string::npos);
  EXPECT_NE(text.find("inSource \"#1\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("clearance x=3 y=5\r\n"), std::string::npos);
  EXPECT_NE(text.find("orientation horz\r\n"), std::string::npos);
  NewProject();
  FileLoad->LoadProjectText(text);
  EXPECT_EQ(FileLoad->ProjectText(), text);
  auto* c = dynamic_cast<TQXBargraph*>(CurrentSheet->ElementList[0]->Clone());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->OutElement->Source, "#2");
  EXPECT_EQ(c->Bar->StepQty, 7);
  EXPECT_EQ(c->Bar->Mode, 1);
  EXPECT_EQ(c->size(), size);
}

}  // namespace
}  // namespace qx
