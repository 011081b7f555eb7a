// The analog display: scale labels, name and value lines, layout, and frames
// through a real hub and a loopback UDP port (needle on the display tick, a
// slider drag sent on the output channel).
#include "instruments/uQXAnalogDisp.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "channels/uSocketIO.h"
#include "foundation/uFileLoader.h"
#include "gui_support/ElementPortFixture.h"

namespace qx {
namespace {

using test::ElementPortFixture;

// ---- scale labels -------------------------------------------------------------

struct Placed {
  std::vector<size_t> shown;
  std::vector<int32_t> pos;
};

Placed Place(int32_t count, int32_t p0, int32_t span, bool vertical) {
  // Values 0..100 as whole numbers, 6 pixels a character, 10 pixels high.
  const auto spots = PlaceScaleLabels(
      count, p0, span, count - 1, vertical, 0, 100,
      [](double v) { return std::to_string(static_cast<int>(std::lround(v))); },
      [](const std::string& t) { return static_cast<int32_t>(6 * t.size()); }, 10);
  Placed r;
  for (size_t i = 0; i < spots.size(); ++i) {
    if (!spots[i].Placed) continue;
    r.shown.push_back(i);
    r.pos.push_back(spots[i].Pos);
  }
  return r;
}

TEST(AnalogScaleLabels, PlacementAndTheOverlapRule) {
  const struct {
    int32_t count, p0, span;
    bool vertical;
    std::vector<size_t> shown;
    std::vector<int32_t> pos;
  } cases[] = {
      // Room for all: "0" ... "100" every 37 or 38 pixels.
      {5, 31, 150, false, {0, 1, 2, 3, 4}, {31, 68, 106, 143, 181}},
      // Every 10 pixels: "25" needs (6 + 12 + 10) div 2 = 14 < 10, fails;
      // "50" clears "0"; the maximum then replaces "50" at the end.
      {5, 0, 40, false, {0, 4}, {0, 40}},
      // Only the first fits: the maximum is not labelled.
      {5, 0, 16, false, {0}, {0}},
      // Vertical: a label must clear the text height (10 < distance).
      {5, 100, 40, true, {0, 2, 4}, {100, 80, 60}},
      {5, 100, 80, true, {0, 1, 2, 3, 4}, {100, 80, 60, 40, 20}},
      // One division count: the minimum alone.
      {1, 50, 100, false, {0}, {50}},
  };
  for (const auto& c : cases) {
    const Placed r = Place(c.count, c.p0, c.span, c.vertical);
    EXPECT_EQ(r.shown, c.shown) << c.span << (c.vertical ? " vert" : " horz");
    EXPECT_EQ(r.pos, c.pos) << c.span;
  }
  // The last text is the accumulated value, as placed at the high end.
  const auto spots = PlaceScaleLabels(
      4, 0, 300, 3, false, 0, 0.3, [](double v) { return std::to_string(v); },
      [](const std::string&) { return 5; }, 10);
  EXPECT_EQ(spots[3].Text, std::to_string(0.1 + 0.1 + 0.1));
  // Spacing 0 with labels left over divides nothing.
  EXPECT_EQ(PlaceScaleLabels(
                3, 0, 100, 0, false, 0, 1, [](double) { return "x"; },
                [](const std::string&) { return 5; }, 10)
                .size(),
            3u);
}

TEST(AnalogNameLines, CaptionsFromTheShowFlags) {
  const struct {
    bool name, unit, numeric, source;
    const char* unitText;
    const char* prefix;
    const char* text;
  } cases[] = {
      {true, false, false, false, "V", "=", "U"},   {true, true, false, false, "V", "=", "U in V"},
      {true, true, true, false, "V", "=", "U="},  // the unit follows the number instead
      {false, true, false, false, "", "=", ""},     {true, false, false, true, "V", "=", "U=#1"},
      {true, false, true, true, "V", "=", "U=#1="}, {false, false, false, true, "V", "->", "->#1"},
      {false, false, true, false, "V", "=", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AnalogNameText(c.name, "U", c.unit, c.unitText, c.numeric, c.source, c.prefix, "#1"),
              c.text)
        << c.name << c.unit << c.numeric << c.source;
}

// ---- the element ----------------------------------------------------------------

class AnalogDispTest : public ElementPortFixture {
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
  // Pointer position of a fraction on a horizontal gauge.
  static QPoint At(const TAnalogDisp* g, double f) {
    return {g->ScaleStart + static_cast<int>(std::lround((g->ScaleEnd - g->ScaleStart) * f)),
            g->height() / 2};
  }
};

TEST_F(AnalogDispTest, DefaultsAndLayout) {
  auto* a = TQXAnalogDisp::ElemCreate();
  EXPECT_EQ(a->ClassId, 1);
  EXPECT_EQ(a->ChannelRole, RoleNumberIn);
  EXPECT_TRUE(a->InUpdateList);
  EXPECT_EQ(a->size(), QSize(200, 40));
  EXPECT_EQ(a->GetBckGndColor(), 0xF0F0F0u);
  EXPECT_TRUE(a->ShowAnim);
  EXPECT_TRUE(a->OutElement->IsSubElement);
  EXPECT_EQ(a->OutElement->ChannelRole, RoleOutput);
  EXPECT_EQ(a->OutElement->TypeName, "QXAnalogOut");
  EXPECT_EQ(a->Gauge->geometry(), QRect(6, 6, 188, 28));
  EXPECT_EQ(a->Gauge->ScaleStart, 23);
  EXPECT_EQ(a->Gauge->ScaleEnd, 164);
  EXPECT_EQ(a->ScaleLabels.size(), 5u);  // spacing 4
  for (QLabel* l : {a->NameLabelIn, a->NameLabelOut, a->NumLabelIn, a->NumLabelOut})
    EXPECT_TRUE(l->isHidden());
  for (QLabel* l : a->ScaleLabels) EXPECT_TRUE(l->isHidden());
  EXPECT_EQ(a->LabelsHeight, 0);
  EXPECT_EQ(a->ScaleLabelHeight, 0);

  // Scale labels below a horizontal gauge, centred on their ticks.
  a->SetScaleLabeling(true);
  EXPECT_EQ(a->Gauge->height(), 28);  // the element grew instead
  EXPECT_EQ(a->height(), 40 + a->ScaleLabelHeight);
  EXPECT_EQ(a->ScaleLabelTop, a->Gauge->y() + a->Gauge->height());
  QLabel* first = a->ScaleLabels.front();
  EXPECT_FALSE(first->isHidden());
  EXPECT_EQ(first->text(), "0");
  EXPECT_EQ(first->x(), a->Gauge->ScaleStart + a->FrameWidth - first->width() / 2);
  EXPECT_EQ(a->ScaleLabels.back()->text(), "100");

  // Spacing 0 and an empty range: one label, no division by zero.
  a->SetSpacing(0);
  a->SetMinScale(5);
  a->SetMaxScale(5);
  EXPECT_EQ(a->ScaleLabels.size(), 1u);
  a->SetValue(5);
  a->UpdateDisplay();
  EXPECT_EQ(a->Gauge->NeedlePos, 0.0);
  EXPECT_FALSE(a->Gauge->grab().isNull());
}

TEST_F(AnalogDispTest, NameAndValueLinesKeepTheGaugeSize) {
  auto* a = TQXAnalogDisp::ElemCreate();
  a->SetDenom("Druck");
  a->SetUnit("bar");
  a->SetShowName(true);
  EXPECT_EQ(a->NameLabelIn->text(), "Druck");
  EXPECT_FALSE(a->NameLabelIn->isHidden());
  EXPECT_TRUE(a->NumLabelIn->isHidden());
  const int h = a->NameLabelIn->height();
  EXPECT_GT(h, 0);
  EXPECT_EQ(a->LabelsHeight, h);
  EXPECT_EQ(a->Gauge->geometry(), QRect(6, 6 + h + 5, 188, 28));
  EXPECT_EQ(a->height(), 40 + h + 5);

  a->SetShowUnit(true);
  EXPECT_EQ(a->NameLabelIn->text(), "Druck in bar");
  a->SetShowNumeric(true);  // the unit moves behind the number
  EXPECT_EQ(a->NameLabelIn->text(), "Druck=");
  EXPECT_FALSE(a->NumLabelIn->isHidden());
  a->SetValue(12.3456);
  a->UpdateDisplay();
  EXPECT_EQ(a->NumLabelIn->text(), "12,34bar");  // cut, not rounded
  EXPECT_EQ(a->NumLabelIn->x(), a->NameLabelIn->x() + a->NameLabelIn->width());

  // Both lines in mode inOut; the gauge keeps its size.
  a->OutElement->SetDenom("Soll");
  a->SetShowOutName(true);
  a->SetMode(2);
  EXPECT_FALSE(a->NameLabelOut->isHidden());
  EXPECT_EQ(a->NameLabelOut->text(), "Soll=");
  EXPECT_EQ(a->NameLabelOut->y(), a->NameLabelIn->y() + h);
  EXPECT_EQ(a->LabelsHeight, 2 * h);
  EXPECT_EQ(a->Gauge->size(), QSize(188, 28));
  a->SetMode(1);  // out: the input line goes
  EXPECT_TRUE(a->NameLabelIn->isHidden());
  EXPECT_EQ(a->LabelsHeight, h);
  EXPECT_EQ(a->Gauge->size(), QSize(188, 28));
}

TEST_F(AnalogDispTest, OrientationTurnsTheGaugeOnlyOnAChange) {
  auto* a = TQXAnalogDisp::ElemCreate();
  a->SetOrientation(1);
  EXPECT_EQ(a->Gauge->size(), QSize(28, 188));
  EXPECT_EQ(a->Gauge->ScaleEnd, 188 * 7 / 8);
  const QSize vertical = a->size();
  a->SetOrientation(1);  // the same again changes nothing
  EXPECT_EQ(a->size(), vertical);
  EXPECT_EQ(a->Gauge->size(), QSize(28, 188));
  a->SetScaleLabeling(true);  // labels beside the gauge
  EXPECT_EQ(a->Gauge->size(), QSize(28, 188));
  EXPECT_EQ(a->ScaleLabels.front()->x(), a->ScaleLabelLeft);
  EXPECT_EQ(a->ScaleLabelLeft, 28 + a->FrameWidth + 2);
  a->SetOrientation(0);
  EXPECT_EQ(a->Gauge->size(), QSize(188, 28));

  // A project being read sets the size itself: no resize from the
  // orientation, and the saved size comes back exactly.
  a->SetOrientation(1);
  a->SetWidth(90);
  a->SetHeight(260);
  const char* tmp = std::getenv("QX_TEST_TMP");
  const std::filesystem::path dir = std::filesystem::path(tmp ? tmp : "/tmp") / "analogdisp";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "turned.qxproj").string();
  const std::string text = FileLoad->ProjectText();
  FileLoad->ProjectFile = file;
  ASSERT_EQ(FileLoad->SaveProject(), TLoadSaveResult::Done);
  NewProject();
  FileLoad->ProjectFile = file;
  ASSERT_EQ(FileLoad->LoadProject(), TLoadSaveResult::Done);
  ASSERT_EQ(CurrentSheet->ElementList.size(), 2u);  // the element and its output
  auto* b = dynamic_cast<TQXAnalogDisp*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->size(), QSize(90, 260));
  EXPECT_TRUE(b->Gauge->Vertical);
  EXPECT_TRUE(b->ScaleLabeling);
  EXPECT_EQ(FileLoad->ProjectText(), text);
}

TEST_F(AnalogDispTest, KeySetRoundTripAndClone) {
  auto* a = TQXAnalogDisp::ElemCreate();
  a->SetSource("#5*2");
  a->SetOutSource("#8");
  a->SetOutDenom("Soll");
  a->SetMode(2);
  a->SetMinScale(-10);
  a->SetMaxScale(10.5);
  a->SetSpacing(5);
  a->SetSubSpacing(2);
  a->SetThickness(2.5);
  a->SetSlideSteps(7);
  a->SetDecimal(1);
  a->SetNeedleColor(0x00FF00);
  a->SetShowAnim(false);
  const std::string text = FileLoad->ProjectText();
  EXPECT_NE(text.find("QXANALOGDISP\r\n"), std::string::npos);
  EXPECT_NE(text.find("mode inOut\r\n"), std::string::npos);
  EXPECT_NE(text.find("outSource \"#8\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("thickness 2,5\r\n"), std::string::npos);
  EXPECT_EQ(text.find("QXAnalogOut"), std::string::npos);  // the output is no block of its own
  NewProject();
  FileLoad->LoadProjectText(text);
  EXPECT_EQ(FileLoad->ProjectText(), text);
  auto* b = dynamic_cast<TQXAnalogDisp*>(CurrentSheet->ElementList[0]);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->OutElement->Source, "#8");
  EXPECT_EQ(b->Gauge->SlideSteps, 7);
  b->SetLeft(40);
  auto* c = dynamic_cast<TQXAnalogDisp*>(b->Clone());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->pos(), QPoint(0, 0));
  EXPECT_EQ(c->OutElement->Denom, "Soll");
  EXPECT_EQ(c->MaxScale, 10.5);
  EXPECT_EQ(c->ScaleLabels.size(), 6u);
}

// A range change, and a project read with its range, put the needle at the
// element's value at once: the Edit page and a run before connecting see
// no display refresh.
TEST_F(AnalogDispTest, NeedleShowsTheValueAfterARangeChangeAndALoad) {
  auto* a = TQXAnalogDisp::ElemCreate();
  a->SetMinScale(-100);
  EXPECT_DOUBLE_EQ(a->Gauge->NeedlePos, 0.5);
  a->SetValue(50);
  a->UpdateDisplay();
  EXPECT_DOUBLE_EQ(a->Gauge->NeedlePos, 0.75);
  a->SetMaxScale(300);
  EXPECT_DOUBLE_EQ(a->Gauge->NeedlePos, 0.375);
  const std::string text = FileLoad->ProjectText();
  NewProject();
  FileLoad->LoadProjectText(text);
  auto* b = dynamic_cast<TQXAnalogDisp*>(CurrentSheet->ElementList.at(0));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->NumLabelIn->text(), "0");
  EXPECT_DOUBLE_EQ(b->Gauge->NeedlePos, 0.25);  // 0 on -100..300
}

TEST_F(AnalogDispTest, FramesMoveTheNeedleOnTheTickAndADragSends) {
  auto* a = TQXAnalogDisp::ElemCreate();
  a->SetSource("#5");
  a->SetOutSource("#8");
  a->SetMode(2);
  a->SetShowNumeric(true);
  ConnectLoopback();

  Feed("#5F12,3456;");
  EXPECT_TRUE(ProcessUntil([&] { return a->NumLabelIn->text() == "12,34"; }));
  EXPECT_DOUBLE_EQ(a->Gauge->NeedlePos, 0.123456);
  Feed("#5F150;");  // off the scale: the needle at the end, the true value shown
  EXPECT_TRUE(ProcessUntil([&] { return a->NumLabelIn->text() == "150"; }));
  EXPECT_EQ(a->Gauge->NeedlePos, 1.0);
  Feed("#5SText;");  // a text leaves the display alone
  ProcessFor(900);
  EXPECT_EQ(a->Gauge->NeedlePos, 1.0);

  TAnalogDisp* g = a->Gauge;
  Mouse(g, QEvent::MouseButtonPress, At(g, 0.5), Qt::RightButton);
  Mouse(g, QEvent::MouseButtonRelease, At(g, 0.5), Qt::RightButton);
  EXPECT_TRUE(NothingSent());
  Mouse(g, QEvent::MouseButtonPress, At(g, 0.33));
  EXPECT_EQ(a->NumLabelOut->text(), "35");  // shown while dragging, not sent
  Mouse(g, QEvent::MouseButtonRelease, At(g, 0.5));
  EXPECT_EQ(NextSent(), "#8F50;");
  EXPECT_EQ(a->OutElement->GetValue(), 50.0);
  EXPECT_EQ(a->NumLabelOut->text(), "50");
  EXPECT_EQ(a->Gauge->NeedlePos, 1.0);  // a drag never moves the needle

  // Released off the side: back to the value sent, nothing sent.
  Mouse(g, QEvent::MouseButtonPress, At(g, 0.9));
  Mouse(g, QEvent::MouseButtonRelease, At(g, 0.9) + QPoint(0, 100));
  EXPECT_TRUE(NothingSent());
  EXPECT_EQ(g->SliderPos, 0.5);
  EXPECT_EQ(a->NumLabelOut->text(), "50");

  // Mode out: no input value line; mode in: the mouse does nothing.
  a->SetMode(1);
  Feed("#5F1;");
  ProcessFor(900);
  EXPECT_EQ(a->NumLabelIn->text(), "150");
  a->SetMode(0);
  Mouse(g, QEvent::MouseButtonPress, At(g, 0.1));
  Mouse(g, QEvent::MouseButtonRelease, At(g, 0.1));
  EXPECT_TRUE(NothingSent());
  form->ButtonDisconnectClick();
}

TEST_F(AnalogDispTest, CompileStateFollowsTheSourcesOfTheMode) {
  auto* a = TQXAnalogDisp::ElemCreate();
  a->SetSource("#5");
  a->SetOutSource("#5+");  // does not compile
  const struct {
    int32_t mode;
    TColor c;
  } cases[] = {{0, kCompiledColor}, {1, kFailedColor}, {2, kFailedColor}};
  for (const auto& c : cases) {
    a->SetMode(c.mode);
    form->TabBar->SelectTab(1);
    form->TabBar->SelectTab(0);  // the Run page compiles and shows the states
    EXPECT_EQ(a->ShownFrameColor(), c.c) << c.mode;
    EXPECT_TRUE(a->SourceValid);  // the element's own state is untouched
  }
}

}  // namespace
}  // namespace qx
