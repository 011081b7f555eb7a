// Time chart and XY chart: the mark rules, the scaffolding's rules, paging
// and trimming, keys, and both charts driven over a loopback UDP port.
#include <gtest/gtest.h>

#include <QDateTime>
#include <chrono>
#include <functional>
#include <thread>

#include "channels/uLossNotify.h"
#include "editing/uEditPanel.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoadSet.h"
#include "foundation/uNumText.h"
#include "gui_support/ElementPortFixture.h"
#include "instruments/uFixedIntervalChartSource.h"
#include "instruments/uQXTimeChart.h"
#include "instruments/uQXXYChart.h"

namespace qx {
namespace {

using test::AppFixture;
using test::ElementPortFixture;

std::vector<double> ValuesOf(const std::vector<TChartMark>& marks) {
  std::vector<double> v;
  for (const auto& m : marks) v.push_back(m.Value);
  return v;
}

// ---- fixed-interval marks ------------------------------------------------------

TEST(FixedIntervalMarks, ExamplesOfTheGrid) {
  struct Case {
    TIntervalMode mode;
    double lo, hi;
    std::vector<double> values;
    double zoom;
  };
  const Case cases[] = {
      {TIntervalMode::imDecimal, 0, 10, {0, 2, 4, 6, 8, 10}, 1},
      {TIntervalMode::imDecimal, 0, 5, {0, 1, 2, 3, 4, 5}, 2},
      {TIntervalMode::imDecimal, 0, 1, {0, 0.2, 0.4, 0.6, 0.8, 1}, 10},
      {TIntervalMode::imDecimal, 3, 13, {2, 4, 6, 8, 10, 12}, 1},  // panned: grid kept
      {TIntervalMode::imDecimal, 0, 100, {0, 20, 40, 60, 80, 100}, 0.1},
      {TIntervalMode::imIntervalHalving, 0, 3, {0, 0.5, 1, 1.5, 2, 2.5, 3}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi);
    const TMarkGrid grid{c.mode, 5, 0, 10};
    double zoom = -1;
    std::vector<TChartMark> marks;
    ASSERT_TRUE(FixedIntervalMarks(
        grid, c.lo, c.hi,
        [&](double x, double z) {
          zoom = z;
          return std::to_string(x);
        },
        marks));
    EXPECT_EQ(ValuesOf(marks), c.values);
    EXPECT_DOUBLE_EQ(zoom, c.zoom);
  }
}

// Bounds on the grid, any interval count: the marks run from bound to bound
// and each is the nearest 1e-12 multiple of its exact value.
TEST(FixedIntervalMarks, MarksRunFromBoundToBound) {
  const double bounds[] = {-500, -25, -10, -1, 0, 0.1, 0.3, 0.5, 1, 7, 100, 110, 120, 150, 2000};
  for (double lo : bounds) {
    for (double hi : bounds) {
      if (!(lo < hi)) continue;
      for (int n = 1; n <= 10; ++n) {
        SCOPED_TRACE(testing::Message() << lo << ".." << hi << " / " << n);
        std::vector<TChartMark> marks;
        ASSERT_TRUE(FixedIntervalMarks({TIntervalMode::imDecimal, n, lo, hi}, lo, hi, {}, marks));
        ASSERT_EQ(marks.size(), static_cast<size_t>(n + 1));
        EXPECT_EQ(marks.front().Value, lo);
        EXPECT_EQ(marks.back().Value, hi);
        const long double step = (static_cast<long double>(hi) - lo) / n;
        for (int i = 0; i <= n; ++i)
          EXPECT_LE(std::fabs(static_cast<long double>(marks[static_cast<size_t>(i)].Value) -
                              (lo + i * step)),
                    1e-12L);
      }
    }
  }
}

TEST(FixedIntervalMarks, StepAdaptation) {
  EXPECT_DOUBLE_EQ(AdaptMarkStep(2, 0.5, TIntervalMode::imDecimal), 1);
  EXPECT_DOUBLE_EQ(AdaptMarkStep(2, 0.1, TIntervalMode::imDecimal), 0.2);
  EXPECT_DOUBLE_EQ(AdaptMarkStep(2, 1.0, TIntervalMode::imDecimal), 2);
  EXPECT_DOUBLE_EQ(AdaptMarkStep(2, 0.3, TIntervalMode::imIntervalHalving), 0.5);
  EXPECT_DOUBLE_EQ(AdaptMarkStep(2, 5, TIntervalMode::imIntervalHalving), 8);
}

TEST(FixedIntervalMarks, DegenerateRangesLeaveTheListAlone) {
  std::vector<TChartMark> marks = {{7, "keep"}};
  const TMarkGrid grid{TIntervalMode::imDecimal, 5, 0, 10};
  EXPECT_FALSE(FixedIntervalMarks(grid, 5, 5, {}, marks));
  EXPECT_FALSE(FixedIntervalMarks(grid, 6, 5, {}, marks));
  EXPECT_FALSE(FixedIntervalMarks({TIntervalMode::imDecimal, 5, 3, 3}, 0, 1, {}, marks));
  EXPECT_FALSE(FixedIntervalMarks({TIntervalMode::imDecimal, 5, 4, 3}, 0, 1, {}, marks));
  EXPECT_EQ(marks, (std::vector<TChartMark>{{7, "keep"}}));
}

TEST(FixedIntervalMarks, TooManyMarksGiveOneAndTinyValuesShowAsZero) {
  std::vector<TChartMark> marks;
  const TMarkGrid fine{TIntervalMode::imIntervalHalving, 1001, 0, 1001};
  ASSERT_TRUE(FixedIntervalMarks(fine, 0, 1001, {}, marks));
  EXPECT_EQ(marks.size(), 1u);
  const TMarkGrid grid{TIntervalMode::imDecimal, 5, -1e-13, 10 - 1e-13};
  ASSERT_TRUE(FixedIntervalMarks(grid, -1e-13, 10, {}, marks));
  ASSERT_FALSE(marks.empty());
  EXPECT_EQ(marks[0].Value, 0.0);
  EXPECT_FALSE(std::signbit(marks[0].Value));
}

TEST(FixedIntervalChartSource, CountsAndFormats) {
  TFixedIntervalChartSource s;
  EXPECT_EQ(s.ItemCount(), 5);
  EXPECT_EQ(s.DefaultExtentMax, 5);
  EXPECT_THROW(
      {
        try {
          s.SetXCount(3);
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "Cannot set XCount");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_THROW(s.SetYCount(3), std::runtime_error);
  std::vector<TChartMark> marks;
  ASSERT_TRUE(s.ValuesInRange(0, 5, "%.1f", marks));
  EXPECT_EQ(marks[1].Text, "1.0");
  s.CustomFormatMethod = [&](const TFixedIntervalChartSource& sender, double x, double z) {
    EXPECT_EQ(&sender, &s);
    return "m" + std::to_string(static_cast<int>(x)) + "z" + std::to_string(static_cast<int>(z));
  };
  ASSERT_TRUE(s.ValuesInRange(0, 2.5, "", marks));
  EXPECT_EQ(marks[2].Text, "m1z2");  // step 0.5, zoom factor 2
}

// ---- scaffolding rules ---------------------------------------------------------

TEST(ChartRules, CommandsMatchByPrefixWithoutCase) {
  const std::pair<const char*, TChartCommand> cases[] = {
      {"clear", TChartCommand::Clear},       {"CLEAR", TChartCommand::Clear},
      {"Resetting", TChartCommand::Reset},   {"xmin", TChartCommand::XMin},
      {"XMax", TChartCommand::XMax},         {"xmaxfoo", TChartCommand::XMax},
      {"YMIN", TChartCommand::YMin},         {"ymax", TChartCommand::YMax},
      {"XSpacing", TChartCommand::XSpacing}, {"YSPACING", TChartCommand::YSpacing},
      {"xs", TChartCommand::None},           {"", TChartCommand::None},
      {" clear", TChartCommand::None},       {"start", TChartCommand::None},
  };
  for (const auto& [text, cmd] : cases) EXPECT_EQ(MatchChartCommand(text), cmd) << text;
}

TEST(ChartRules, BoundsDragTheOtherAlong) {
  struct Case {
    TChartBounds start;
    bool setMin;
    double v;
    double min, max;
  };
  const Case cases[] = {
      {{0, 20, 20}, true, 30, 30, 50}, {{0, 10, 10}, false, -5, -15, -5},
      {{0, 10, 10}, true, 5, 5, 10},   {{0, 10, 10}, false, 4, 0, 4},
      {{0, 10, 10}, true, 10, 10, 20}, {{0, 10, 10}, false, 0, -10, 0},
  };
  for (const Case& c : cases) {
    TChartBounds b = c.start;
    c.setMin ? b.SetMin(c.v) : b.SetMax(c.v);
    EXPECT_EQ(b.Min, c.min);
    EXPECT_EQ(b.Max, c.max);
    EXPECT_EQ(b.Range, c.max - c.min);
  }
}

TEST(ChartRules, TransformsMarkTextsAndTrimCounts) {
  const TAxisTransform t = AxisTransformOf(-100, 100);
  EXPECT_DOUBLE_EQ(0 * t.Scale + t.Offset, 0.5);
  EXPECT_DOUBLE_EQ(100 * t.Scale + t.Offset, 1.0);
  SetFloatSeparator(',');
  EXPECT_EQ(ChartMarkText(2.5, 1, 20, false), "2,5");
  EXPECT_EQ(ChartMarkText(2, 1, 1, true), "2,0");
  EXPECT_EQ(ChartMarkText(1.25, 10, 1, false), "1,25");  // zoomed in ten times
  EXPECT_EQ(ChartMarkText(1.25, 0.1, 1, false), "1,2");
  EXPECT_EQ(ChartPointsToTrim(100000), 0);
  EXPECT_EQ(ChartPointsToTrim(100001), kChartTrimPoints);
}

TEST(DateTimeMarks, StepsFormatsAndWindows) {
  EXPECT_EQ(ChooseDateTimeStep(20, 5), (TDateTimeStep{TDateTimeStepKind::Second, 5}));
  EXPECT_EQ(ChooseDateTimeStep(0.5, 5), (TDateTimeStep{TDateTimeStepKind::Millisecond, 100}));
  EXPECT_EQ(ChooseDateTimeStep(3600, 5), (TDateTimeStep{TDateTimeStepKind::Minute, 15}));
  EXPECT_EQ(ChooseDateTimeStep(30 * 86400.0, 5), (TDateTimeStep{TDateTimeStepKind::Week, 1}));
  EXPECT_EQ(ChooseDateTimeStep(300 * 86400.0, 5), (TDateTimeStep{TDateTimeStepKind::Month, 2}));
  EXPECT_EQ(ChooseDateTimeStep(400 * 86400.0, 5), (TDateTimeStep{TDateTimeStepKind::Month, 6}));

  EXPECT_EQ(QtDateTimeFormat("s\".\"zzz"), "s'.'zzz");
  EXPECT_EQ(QtDateTimeFormat("nn\".\"ss"), "mm'.'ss");
  EXPECT_EQ(QtDateTimeFormat("dd\". \"hh\":00\""), "dd'. 'hh':00'");
  EXPECT_EQ(QtDateTimeFormat("mm\".\"yyyy"), "MM'.'yyyy");

  // A window under a second keeps its width; longer ones take whole seconds.
  EXPECT_EQ(DateTimeWindow(1000, 0.1, 0.4), (std::pair<double, double>{1000.1, 1000.4}));
  EXPECT_EQ(DateTimeWindow(1000, 0.2, 20.4), (std::pair<double, double>{1000, 1020}));

  std::array<QString, kDateTimeStepKinds> formats;
  formats[static_cast<size_t>(TDateTimeStepKind::Second)] = QtDateTimeFormat("nn\".\"ss");
  const double lo = QDateTime(QDate(2024, 3, 5), QTime(10, 0, 3)).toMSecsSinceEpoch() / 1000.0;
  std::vector<TChartMark> marks;
  DateTimeMarks(lo, lo + 20, 5, formats, marks);
  std::vector<std::string> texts;
  for (const auto& m : marks) texts.push_back(m.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"00.05", "00.10", "00.15", "00.20"}));
}

// ---- the charts, offscreen -----------------------------------------------------

class ChartTest : public ElementPortFixture {};

TEST_F(ChartTest, TimeChartDefaultsAndClampedSettings) {
  auto* c = TQXTimeChart::ElemCreate();
  EXPECT_EQ(c->size(), QSize(300, 200));
  EXPECT_EQ(c->TypeName, "QXTimeChart");
  EXPECT_FALSE(c->Active);
  EXPECT_EQ(c->CurveElements[10]->TypeName, "QXTimeChrtCH10");
  EXPECT_EQ(c->ControlElement->TypeName, "QXTimeChCntrlCH");
  EXPECT_EQ(c->Buffer.Width(), 2);
  const std::pair<double, double> periods[] = {{0.001, 0.01}, {100, 60}, {0.5, 0.5}};
  for (const auto& [in, out] : periods) {
    c->SetSamplePeriod(in);
    EXPECT_EQ(c->SamplePeriod, out);
  }
  c->SetTMin(30);
  EXPECT_EQ(c->T.Min, 30);
  EXPECT_EQ(c->T.Max, 50);
  EXPECT_EQ(c->Chart->xAxis->range(), QCPRange(30, 50));
  c->SetCurveQty(3);
  EXPECT_EQ(c->Buffer.Width(), 4);
  EXPECT_TRUE(c->Series(3)->visible());
  EXPECT_FALSE(c->Series(4)->visible());
  c->SetCurveQty(12);
  EXPECT_EQ(c->CurveQty, 10);
}

TEST_F(ChartTest, ValueAxesShareTheAreaThroughTheirTransforms) {
  auto* c = TQXTimeChart::ElemCreate();
  c->SetAxisQty(2);
  c->SetYMin(2, -100);
  c->SetYMax(2, 100);
  c->Chart->replot();
  EXPECT_NEAR(c->ValueAxis(1)->coordToPixel(5), c->ValueAxis(2)->coordToPixel(0), 0.01);
  c->SetYMax(1, -5);
  EXPECT_EQ(c->GetYMin(1), -15);
  EXPECT_EQ(c->GetYMax(1), -5);
  // A curve on an axis not in use is drawn against axis 1 and stays there.
  c->SetCurveQty(3);
  c->SetCurveAxis(3, 4);
  EXPECT_EQ(c->GetCurveAxis(3), 1);
  EXPECT_EQ(c->Series(3)->valueAxis(), c->ValueAxis(1));
  c->SetAxisQty(4);
  EXPECT_EQ(c->GetCurveAxis(3), 1);
  c->SetCurveAxis(3, 4);
  EXPECT_EQ(c->Series(3)->valueAxis(), c->ValueAxis(4));
  c->SetAxisQty(2);  // curve 3 goes back to axis 1
  EXPECT_EQ(c->Series(3)->valueAxis(), c->ValueAxis(1));
  // Spacing of an axis not in use does nothing.
  c->SetYSpacing(5, 3);
  EXPECT_EQ(c->GetYSpacing(5), 5);
  c->SetYSpacing(2, 0);
  EXPECT_EQ(c->YSources[2].IntervalCount, 1);
}

TEST_F(ChartTest, MarkTextsFollowDecimalsAndOnlyAxesInUse) {
  auto* c = TQXXYChart::ElemCreate();
  EXPECT_EQ(c->FormatMark(c->XMarkSource, 2.5, 1), "2,5");
  c->SetDecimals(1, 1);
  c->SetFixDecimals(1, true);
  EXPECT_EQ(c->FormatMark(c->YSources[1], 2, 1), "2,0");
  EXPECT_EQ(c->FormatMark(c->YSources[3], 2, 1), "");  // axis 3 not in use
  c->SetDecimals(0, 99);
  EXPECT_EQ(c->GetDecimals(0), 20);
}

// Every axis whose bounds lie on its grid shows a mark on both bounds, as
// drawn: summed steps that land a hair beyond the upper bound, and a value
// range computed back from graph units that ends a hair short of it, lose
// no mark.
TEST_F(ChartTest, AxesShowTheMarkOnTheUpperBound) {
  form->show();  // laid out: room for every mark text
  enum class TAxis { Time, X, Y, YByCommands };
  struct Case {
    bool xy;
    TAxis axis;
    double lo, hi;
    int intervals;
    int marks;
    const char* last;
  };
  const Case cases[] = {
      {false, TAxis::Time, 120, 150, 5, 6, "150"},
      {false, TAxis::Time, 120, 150, 7, 8, "150"},
      {false, TAxis::Time, 110, 120, 3, 4, "120"},
      {false, TAxis::Time, 110, 120, 6, 7, "120"},
      {false, TAxis::Y, -500, 100, 7, 8, "100"},
      {false, TAxis::Y, 0, 100, 5, 6, "100"},
      {false, TAxis::Y, 0, 100, 3, 4, "100"},
      {false, TAxis::Y, 0, 2000, 5, 6, "2000"},
      {false, TAxis::Y, 0, 2000, 6, 7, "2000"},
      {false, TAxis::Y, 0, 0.5, 5, 6, "0,5"},
      {false, TAxis::Y, 0, 0.5, 3, 4, "0,5"},
      {false, TAxis::YByCommands, -25, -10, 3, 4, "-10"},
      {true, TAxis::X, 0, 100, 7, 8, "100"},
      {true, TAxis::X, -500, 100, 7, 8, "100"},
      {true, TAxis::Y, 0, 2000, 5, 6, "2000"},  // marks on the grid of 0..10
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << (k.xy ? "XY " : "time ") << static_cast<int>(k.axis) << " "
                                    << k.lo << ".." << k.hi << " / " << k.intervals);
    TQXChartBase* c = k.xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                           : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
    QCPAxis* a = c->ValueAxis(1);
    switch (k.axis) {
      case TAxis::Time:
      case TAxis::X:
        a = c->BottomAxis();
        c->RunCommand(TChartCommand::XMax, 1e6);
        c->RunCommand(TChartCommand::XMin, k.lo);
        c->RunCommand(TChartCommand::XMax, k.hi);
        c->SetSpacingX(k.intervals);
        break;
      case TAxis::Y:
        c->SetYMax(1, 1e6);
        c->SetYMin(1, k.lo);
        c->SetYMax(1, k.hi);
        c->SetYSpacing(1, k.intervals);
        break;
      case TAxis::YByCommands:
        c->RunCommand(TChartCommand::YMin, k.lo);
        c->RunCommand(TChartCommand::YMax, k.hi);
        c->RunCommand(TChartCommand::YSpacing, k.intervals);
        break;
    }
    c->Chart->replot(QCustomPlot::rpImmediateRefresh);
    QVector<double> ticks;
    QVector<QString> labels;
    a->ticker()->generate(a->range(), QLocale::c(), 'g', 6, ticks, nullptr, &labels);
    EXPECT_EQ(ticks.size(), k.marks) << labels.join(" ").toStdString();
    if (ticks.isEmpty()) continue;
    EXPECT_EQ(ticks.front(), k.lo);
    EXPECT_EQ(ticks.back(), k.hi);
    EXPECT_EQ(labels.back().toStdString(), k.last);
    delete c;
  }
}

TEST_F(ChartTest, TimeWindowPagesAndWaitsWhileZoomed) {
  auto* c = TQXTimeChart::ElemCreate();
  c->SampleTime.store(19.8);
  c->UpdateDisplay();
  EXPECT_EQ(c->ViewMin, 0);
  EXPECT_TRUE(c->Changed.load());  // runs at every display tick
  c->SampleTime.store(20.2);
  c->UpdateDisplay();
  EXPECT_EQ(c->ViewMin, 20);
  EXPECT_EQ(c->Chart->xAxis->range(), QCPRange(20, 40));
  c->Chart->ZoomTo(QCPRange(22, 25), QCPRange(0.2, 0.4));
  c->SampleTime.store(40.2);
  c->UpdateDisplay();
  c->SampleTime.store(60.2);
  c->UpdateDisplay();
  EXPECT_EQ(c->ViewMin, 20);
  EXPECT_EQ(c->PendingShift, 40);
  EXPECT_EQ(c->Chart->xAxis->range(), QCPRange(22, 25));
  c->Chart->Unzoom();
  c->UpdateDisplay();
  EXPECT_EQ(c->ViewMin, 60);
  EXPECT_EQ(c->Chart->xAxis->range(), QCPRange(60, 80));
}

// Whatever the edit frame shows was drawn from the chart's current state:
// its picture equals a fresh drawing of the chart.
TEST_F(ChartTest, EditFrameShowsTheChartAsItIsNow) {
  form->show();
  form->TabBar->SelectTab(1);
  ASSERT_TRUE(EditMode);
  struct Case {
    const char* what;
    bool xy;
    std::function<void(TQXChartBase*)> change;
  };
  const Case cases[] = {
      {"new time chart", false, [](TQXChartBase*) {}},
      {"new XY chart", true, [](TQXChartBase*) {}},
      {"Y range", false, [](TQXChartBase* c) { c->SetYMax(1, 100); }},
      {"XY Y range", true, [](TQXChartBase* c) { c->SetYMin(1, -50); }},
      {"axis count", false, [](TQXChartBase* c) { c->SetAxisQty(3); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    TQXChartBase* c = k.xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                           : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
    k.change(c);
    ProcessFor(50);
    ASSERT_NE(c->EditComp, nullptr);
    const QImage frame = c->EditComp->grab().toImage();
    c->Chart->replot(QCustomPlot::rpImmediateRefresh);
    const QImage fresh = c->grab().toImage();
    EXPECT_EQ(frame.convertToFormat(QImage::Format_RGB32),
              fresh.convertToFormat(QImage::Format_RGB32));
    // Only the axes in use show; their marks span the range.
    int shown = 0;
    for (QCPAxis* a : c->Chart->axisRect()->axes(QCPAxis::atLeft | QCPAxis::atRight))
      shown += a->visible() ? 1 : 0;
    EXPECT_EQ(shown, c->AxisQty);
    EXPECT_NEAR(c->ValueAxis(1)->range().lower, c->GetYMin(1), 1e-9);
    EXPECT_NEAR(c->ValueAxis(1)->range().upper, c->GetYMax(1), 1e-9);
    delete c;
  }
}

TEST_F(ChartTest, SixAxesInANarrowChartLeaveRoomToPlot) {
  form->show();
  for (bool xy : {false, true}) {
    TQXChartBase* c = xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                         : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
    c->SetAxisQty(6);
    for (int n = 2; n <= 6; n += 2) c->SetAxisLeft(n, false);
    for (int w : {150, 300}) {
      c->SetWidth(w);
      c->Chart->replot(QCustomPlot::rpImmediateRefresh);
      EXPECT_GE(c->Chart->axisRect()->width(), TQXChartPlot::kMinPlotWidth) << w << " xy " << xy;
    }
    // One axis in a wide chart keeps the component's own margins.
    c->SetAxisQty(1);
    c->Chart->replot(QCustomPlot::rpImmediateRefresh);
    EXPECT_GT(c->Chart->axisRect()->width(), c->Chart->width() * 3 / 4);
  }
}

// Whether value axis n shows whole inside the chart: outward from its line
// the tick marks, the mark texts and the title.
void ExpectAxisWhole(TQXChartBase* c, int n) {
  SCOPED_TRACE(n);
  const QRect plot = c->Chart->axisRect()->rect();
  QCPAxis* a = c->ValueAxis(n);
  ASSERT_FALSE(a->tickVectorLabels().isEmpty());
  const QFontMetrics marks(a->tickLabelFont());
  int reach = a->tickLengthOut() + a->tickLabelPadding();
  int widest = 0;
  for (const QString& t : a->tickVectorLabels())
    widest = std::max(widest, marks.boundingRect(t).width());
  reach += widest;
  if (!a->label().isEmpty()) reach += a->labelPadding() + QFontMetrics(a->labelFont()).height();
  const bool left = a->axisType() == QCPAxis::atLeft;
  const int line = left ? plot.left() - a->offset() : plot.right() + a->offset();
  if (left)
    EXPECT_GE(line - reach, 0);
  else
    EXPECT_LE(line + reach, c->Chart->width());
}

// The bottom axis's mark texts never run into each other; the upper bound's
// text stays.
void ExpectBottomMarksApart(TQXChartBase* c) {
  QCPAxis* a = c->Chart->xAxis;
  const QVector<double> ticks = a->tickVector();
  const QVector<QString> labels = a->tickVectorLabels();
  ASSERT_EQ(ticks.size(), labels.size());
  ASSERT_GE(labels.size(), 2);
  EXPECT_FALSE(labels.front().isEmpty());
  EXPECT_FALSE(labels.back().isEmpty());
  const QFontMetrics marks(a->tickLabelFont());
  double prevRight = -1e9;
  for (qsizetype i = 0; i < ticks.size(); ++i) {
    if (labels[i].isEmpty()) continue;
    const double half = marks.horizontalAdvance(labels[i]) / 2.0;
    const double x = a->coordToPixel(ticks[i]);
    EXPECT_GT(x - half, prevRight) << labels.join(" ").toStdString();
    prevRight = x + half;
  }
}

// Up to six value axes share the plotting area: while the plot can give way
// every axis in use shows whole, its mark texts and title inside the chart.
TEST_F(ChartTest, EveryValueAxisShowsWholeWhileThePlotCanGiveWay) {
  form->show();
  struct Case {
    int width;
    bool allLeft;
    bool titles;
  };
  const Case cases[] = {{400, true, false}, {400, false, false}, {600, true, true}};
  for (bool xy : {false, true}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(testing::Message() << (xy ? "XY " : "time ") << k.width << " px"
                                      << (k.allLeft ? ", all left" : ", both sides")
                                      << (k.titles ? ", titles" : ""));
      TQXChartBase* c = xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                           : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
      c->SetAxisQty(6);
      for (int n = 1; n <= 6; ++n) {
        c->SetYMin(n, -100.0 * n);
        c->SetYMax(n, 1000.0 * n);
        if (!k.allLeft) c->SetAxisLeft(n, n % 2 == 1);
        if (k.titles) c->SetAxisTitle(n, "Achse " + std::to_string(n));
      }
      c->SetWidth(k.width);
      c->Chart->replot(QCustomPlot::rpImmediateRefresh);
      EXPECT_GE(c->Chart->axisRect()->width(), TQXChartPlot::kMinPlotWidth);
      for (int n = 1; n <= 6; ++n) {
        ASSERT_TRUE(c->ValueAxis(n)->visible()) << n;
        ExpectAxisWhole(c, n);
      }
      delete c;
    }
  }
}

// Six axes with wide marks and titles in ever narrower charts: the plot
// gives way down to its minimum, then the outermost axes are left out whole;
// no axis is ever drawn in part, and widening brings them back.
TEST_F(ChartTest, AxesThatCannotShowWholeAreLeftOutWhole) {
  form->show();
  struct Case {
    int width;
    bool allLeft;
    int atLeast;  // axes still shown
  };
  const Case cases[] = {{600, true, 5},  {480, true, 4},  {400, true, 3},  {300, true, 2},
                        {600, false, 5}, {400, false, 3}, {300, false, 2}, {90, true, 0}};
  for (bool xy : {false, true}) {
    TQXChartBase* c = xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                         : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
    c->SetAxisQty(6);
    for (int n = 1; n <= 6; ++n) {
      c->SetYMin(n, -100000);
      c->SetYMax(n, 100000);
      c->SetAxisTitle(n, "Achse " + std::to_string(n));
    }
    for (const Case& k : cases) {
      SCOPED_TRACE(testing::Message() << (xy ? "XY " : "time ") << k.width << " px"
                                      << (k.allLeft ? ", all left" : ", both sides"));
      for (int n = 1; n <= 6; ++n) c->SetAxisLeft(n, k.allLeft || n % 2 == 1);
      c->SetWidth(k.width);
      c->Chart->replot(QCustomPlot::rpImmediateRefresh);
      int shown = 0;
      while (shown < 6 && c->ValueAxis(shown + 1)->visible()) ++shown;
      if (shown > 0) {
        EXPECT_GE(c->Chart->axisRect()->width(), TQXChartPlot::kMinPlotWidth);
      }
      EXPECT_GE(shown, k.atLeast);
      for (int n = 1; n <= 6; ++n) {
        // Left out from the outside in: the axes in use are 1..shown.
        EXPECT_EQ(c->ValueAxis(n)->visible(), n <= shown) << n;
        if (n <= shown) ExpectAxisWhole(c, n);
      }
      EXPECT_EQ(c->Chart->LeftOut().size(), static_cast<size_t>(6 - shown));
      ExpectBottomMarksApart(c);
    }
    c->SetWidth(1200);
    c->Chart->replot(QCustomPlot::rpImmediateRefresh);
    for (int n = 1; n <= 6; ++n) EXPECT_TRUE(c->ValueAxis(n)->visible()) << n;
    delete c;
  }
}

TEST_F(ChartTest, ElementFontIsTheStoredMarkFontOfBottomAndLeftAxis) {
  TFontDesc f;
  f.Name = "DejaVu Serif";
  f.Size = 14;
  f.Color = 0x0000FF;
  f.Bold = true;
  for (bool xy : {false, true}) {
    SCOPED_TRACE(xy ? "XY chart" : "time chart");
    TQXChartBase* c = xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                         : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
    c->SetAxisLeft(1, false);  // axis 1 on the right side
    c->SetFont(f);
    EXPECT_EQ(c->GetAxisScaleFont(0), f);
    EXPECT_EQ(c->GetAxisScaleFont(1), f);
    EXPECT_NE(c->GetAxisScaleFont(2), f);
    // An axis edit keeps it.
    c->SetAxisColor(1, 0x00FF00);
    c->SetAxisColor(0, 0x00FF00);
    for (QCPAxis* a : {c->Chart->xAxis, c->ValueAxis(1)}) {
      EXPECT_EQ(a->tickLabelFont().family(), "DejaVu Serif");
      EXPECT_EQ(a->tickLabelFont().pointSize(), 14);
      EXPECT_TRUE(a->tickLabelFont().bold());
      EXPECT_EQ(a->tickLabelColor(), QColor(0xFF, 0, 0));
    }
    // Saved and read back.
    auto* copy = static_cast<TQXChartBase*>(c->Clone());
    EXPECT_EQ(copy->GetAxisScaleFont(0), f);
    EXPECT_EQ(copy->GetAxisScaleFont(1), f);
    EXPECT_EQ(copy->ValueAxis(1)->tickLabelFont().pointSize(), 14);
    EXPECT_EQ(copy->Chart->xAxis->tickLabelFont().pointSize(), 14);
  }
}

// A new chart's caption is drawn in the element font it lists, so saving and
// reopening changes neither the caption nor the plot area.
TEST_F(ChartTest, CaptionIsInTheElementFontFromTheStart) {
  for (bool xy : {false, true}) {
    SCOPED_TRACE(xy ? "XY chart" : "time chart");
    TQXChartBase* c = xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                         : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
    c->SetDenom("Druck");
    c->SetShowName(true);
    const QFont font = FontDescToQFont(c->GetFont());
    EXPECT_EQ(c->NameLabel->font().family(), font.family());
    EXPECT_EQ(c->NameLabel->font().pointSize(), c->GetFont().Size);
    EXPECT_EQ(c->LabelHeight, TextHeightOf(font));
    auto* copy = static_cast<TQXChartBase*>(c->Clone());
    EXPECT_EQ(copy->NameLabel->font().pointSize(), c->NameLabel->font().pointSize());
    EXPECT_EQ(copy->LabelHeight, c->LabelHeight);
    EXPECT_EQ(copy->Chart->geometry(), c->Chart->geometry());
    delete copy;
    delete c;
  }
}

// A new start of the time base while zoomed drops the page shift that was
// waiting for the zoom to end: after un-zooming the new points are in view.
TEST_F(ChartTest, RestartWhileZoomedDropsThePendingPageShift) {
  struct Case {
    const char* what;
    std::function<void(TQXTimeChart*)> restart;
  };
  const Case cases[] = {
      {"reset command", [](TQXTimeChart* c) { c->RunCommand(TChartCommand::Reset, 0); }},
      {"Werte loeschen", [](TQXTimeChart* c) { c->ResetValue(); }},
      {"new time base",
       [](TQXTimeChart* c) {
         c->SetUseTimeDate(true);
         c->SetUseTimeDate(false);
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto* c = TQXTimeChart::ElemCreate();
    c->Chart->ZoomTo(QCPRange(2, 5), QCPRange(0.2, 0.4));
    for (double t : {20.2, 40.2, 60.2}) {
      c->SampleTime.store(t);
      c->UpdateDisplay();
    }
    ASSERT_GT(c->PendingShift, 0);
    k.restart(c);
    EXPECT_EQ(c->PendingShift, 0);
    c->SampleTime.store(1.5);
    c->UpdateDisplay();
    c->Chart->Unzoom();
    c->UpdateDisplay();
    EXPECT_EQ(c->ViewMin, 0);
    EXPECT_EQ(c->Chart->xAxis->range(), QCPRange(0, 20));
    delete c;
  }
}

TEST_F(ChartTest, BothChartsTrimTheirOldestPoints) {
  auto* t = TQXTimeChart::ElemCreate();
  auto* xy = TQXXYChart::ElemCreate();
  for (int i = 0; i < kChartMaxPoints + 1; ++i) {
    t->Graph(1)->addData(i, 1.0);
    xy->Curve(1)->addData(i, i, 1.0);
  }
  t->UpdateDisplay();
  xy->UpdateDisplay();
  EXPECT_EQ(t->PointCount(1), 95001);
  EXPECT_EQ(xy->PointCount(1), 95001);
  EXPECT_EQ(t->Graph(1)->data()->constBegin()->key, 5000);
  EXPECT_EQ(xy->Curve(1)->data()->constBegin()->key, 5000);
  t->UpdateDisplay();
  EXPECT_EQ(t->PointCount(1), 95001);  // nothing more until it grows again
}

// ---- drawing dense curves ------------------------------------------------------

TEST(ReducedCurve, PolylineKeepsTurnsEndsAndGaps) {
  const double nan = std::nan("");
  struct Case {
    QVector<QPointF> in, out;
  };
  const Case cases[] = {
      // Points on the pixel of the last kept one go; the last before it is
      // left stays, so the line leaves from where the data left.
      {{{0.1, 0.1}, {0.5, 0.5}, {0.9, 0.2}, {3.5, 0.5}}, {{0.1, 0.1}, {0.9, 0.2}, {3.5, 0.5}}},
      // A turn on another pixel is kept, and so is the end point.
      {{{0, 0}, {5, 5}, {0.5, 0.5}, {0.6, 0.6}}, {{0, 0}, {5, 5}, {0.5, 0.5}, {0.6, 0.6}}},
      {{{0, 0}, {0.2, 0}, {0.4, 0}, {0.6, 0}}, {{0, 0}, {0.6, 0}}},
      // A gap ends the run on its pixel.
      {{{0, 0}, {0.5, 0}, {nan, nan}, {0.7, 0}, {0.8, 0}},
       {{0, 0}, {0.5, 0}, {nan, nan}, {0.7, 0}, {0.8, 0}}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    QVector<QPointF> out;
    ReducePolyline(c.in, out);
    ASSERT_EQ(out.size(), c.out.size());
    for (qsizetype i = 0; i < out.size(); ++i) {
      if (std::isnan(c.out[i].x())) {
        EXPECT_TRUE(std::isnan(out[i].x())) << i;
        continue;
      }
      EXPECT_EQ(out[i], c.out[i]) << i;
    }
  }
}

TEST(ReducedCurve, ScattersKeepOneMarkerPerPixelInsideTheArea) {
  const double nan = std::nan("");
  // Back on pixel (1,1) after leaving it: still only its first marker.
  const QVector<QPointF> in = {{1.2, 1.2}, {1.8, 1.7}, {2.1, 1.2}, {1.5, 1.5},
                               {50, 50},   {nan, nan}, {-0.5, 3},  {9.9, 9.9}};
  QVector<QPointF> out;
  ReduceScatters(in, QRect(0, 0, 10, 10), out);
  const QVector<QPointF> expected = {{1.2, 1.2}, {2.1, 1.2}, {9.9, 9.9}};
  EXPECT_EQ(out, expected);
}

TEST(ReducedCurve, PolylineIsCutToTheArea) {
  const double nan = std::nan("");
  const QRectF area(0, 0, 10, 10);
  struct Case {
    const char* what;
    QVector<QPointF> in, out;  // a NaN point in out stands for a gap
  };
  const Case cases[] = {
      {"inside", {{1, 1}, {5, 5}, {9, 1}}, {{1, 1}, {5, 5}, {9, 1}}},
      {"leaves and comes back",
       {{5, 5}, {15, 5}, {15, 8}, {5, 8}},
       {{5, 5}, {10, 5}, {nan, nan}, {10, 8}, {5, 8}}},
      {"crosses from outside to outside", {{-10, 5}, {20, 5}}, {{0, 5}, {10, 5}}},
      {"wholly outside", {{-10, -10}, {-5, 20}, {30, 30}}, {}},
      {"far off the screen", {{5, 5}, {5e12, 5}}, {{5, 5}, {10, 5}}},
      {"gap in the data",
       {{1, 1}, {2, 2}, {nan, nan}, {3, 3}, {4, 4}},
       {{1, 1}, {2, 2}, {nan, nan}, {3, 3}, {4, 4}}},
      {"gap and outside points make one gap",
       {{1, 1}, {20, 1}, {nan, nan}, {30, 1}, {4, 4}},
       {{1, 1}, {10, 1}, {nan, nan}, {10, 3.3076923076923075}, {4, 4}}},
  };
  for (const Case& c : cases) {
    QVector<QPointF> out;
    ClipPolyline(c.in, area, out);
    ASSERT_EQ(out.size(), c.out.size()) << c.what;
    for (qsizetype i = 0; i < out.size(); ++i) {
      if (std::isnan(c.out[i].x())) {
        EXPECT_TRUE(std::isnan(out[i].x())) << c.what << " " << i;
        continue;
      }
      EXPECT_NEAR(out[i].x(), c.out[i].x(), 1e-9) << c.what << " " << i;
      EXPECT_NEAR(out[i].y(), c.out[i].y(), 1e-9) << c.what << " " << i;
    }
  }
}

TEST(ReducedCurve, MarkersSideBySideBecomeOneRectangle) {
  QVector<QRect> out;
  // A column, a row, a diagonal step (kept apart) and a jump.
  const QVector<QPointF> centres = {{5, 5}, {5, 6}, {5, 7}, {6, 7}, {7, 8}, {8, 8}, {20, 20}};
  MergeSquares(centres, 2, true, out);
  const QVector<QRect> expected = {QRect(4, 4, 2, 4), QRect(5, 6, 2, 2), QRect(6, 7, 3, 2),
                                   QRect(19, 19, 2, 2)};
  EXPECT_EQ(out, expected);
  // Outlined squares keep their own outlines.
  MergeSquares(centres, 2, false, out);
  EXPECT_EQ(out.size(), centres.size());
}

TEST_F(ChartTest, ReducedDrawingKeepsTheShapeOfADenseZigZag) {
  auto* chart = TQXXYChart::ElemCreate();
  chart->resize(320, 220);
  chart->SetCurveQty(2);
  chart->SetCurveStrength(2, 3);  // a wide pen too
  // Curve 1: a zig-zag far denser than the pixels; curve 2: a slow wave.
  QVector<double> x, y1, y2;
  for (int i = 0; i < 40000; ++i) {
    x.push_back(i * 20.0 / 40000);
    y1.push_back(5 + 4 * std::sin(i * 0.0007) + (i % 2 ? 0.6 : -0.6) * std::cos(i * 0.003));
    y2.push_back(5 + 3 * std::cos(i * 0.0003));
  }
  chart->Curve(1)->setData(x, y1);
  chart->Curve(2)->setData(x, y2);
  const auto grab = [&](bool reduce) {
    for (int32_t n = 1; n <= 2; ++n) chart->Curve(n)->Reduce = reduce;
    chart->Chart->replot(QCustomPlot::rpImmediateRefresh);
    return chart->Chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  // The whole curves, then a zoomed view where most points lie outside.
  for (const bool zoomed : {false, true}) {
    SCOPED_TRACE(zoomed ? "zoomed" : "whole");
    if (zoomed) {
      chart->SetXView(4.3, 7.9);
      chart->Chart->yAxis->setRange(3.5, 6.2);
    }
    const QImage full = grab(false), reduced = grab(true);
    ASSERT_EQ(full.size(), reduced.size());
    // Inked: clearly off the white plotting area. Where thousands of points
    // overlap, their antialiased fringes add up to a slightly bolder edge in
    // the full drawing; the shape itself must be the same to the pixel.
    const auto inked = [](const QImage& img, int x, int y) {
      if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return false;
      const QRgb c = img.pixel(x, y);
      return std::min({qRed(c), qGreen(c), qBlue(c)}) < 160;
    };
    const auto inkedNear = [&](const QImage& img, int x, int y) {
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (inked(img, x + dx, y + dy)) return true;
      return false;
    };
    int inkedFull = 0, inkedReduced = 0, lost = 0, added = 0;
    for (int py = 0; py < full.height(); ++py) {
      for (int px = 0; px < full.width(); ++px) {
        const bool a = inked(full, px, py), b = inked(reduced, px, py);
        inkedFull += a;
        inkedReduced += b;
        if (a && !inkedNear(reduced, px, py)) ++lost;
        if (b && !inkedNear(full, px, py)) ++added;
      }
    }
    ASSERT_GT(inkedFull, 2000);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(added, 0);
    EXPECT_GE(inkedReduced, inkedFull * 85 / 100) << inkedFull;
  }
  delete chart;
}

TEST_F(ChartTest, KeysRoundTripOnlyWhatIsInUse) {
  auto* c = TQXTimeChart::ElemCreate();
  c->SetCurveQty(3);
  c->CurveInput(3)->SetSource("#4");
  c->SetCurveStrength(3, 7);
  c->SetCurveStrength(2, 99);
  c->SetSamplePeriod(0.5);
  c->SetAxisTitle(1, "Druck");
  c->SetUnit("bar1234567890");
  TTextWriter out;
  c->KeySet->SaveSet(out, *c);
  const std::string text = out.Text();
  EXPECT_NE(text.find("source3 \"#4\""), std::string::npos);
  EXPECT_NE(text.find("curve2Strength 50"), std::string::npos);
  EXPECT_NE(text.find("unit \"bar1234567\""), std::string::npos);
  EXPECT_EQ(text.find("source4"), std::string::npos);
  EXPECT_EQ(text.find("axis2Titel"), std::string::npos);
  EXPECT_LT(text.find("framewidth"), text.find("xAxisTitle"));
  EXPECT_LT(text.find("axis1TitelFont"), text.find("curve1axis"));

  auto* copy = static_cast<TQXTimeChart*>(c->Clone());
  EXPECT_EQ(copy->CurveQty, 3);
  EXPECT_EQ(copy->CurveInput(3)->Source, "#4");
  EXPECT_EQ(copy->GetCurveStrength(3), 7);
  EXPECT_EQ(copy->SamplePeriod, 0.5);
  EXPECT_EQ(copy->GetAxisTitle(1), "Druck");
  EXPECT_EQ(copy->Buffer.Width(), 4);
  EXPECT_NE(TQXXYChart::ClassSet->FindEntry("lineVisible"), nullptr);
}

// A title of megabytes from a hand-made project: the axis lays out only what
// it can show (the whole took gigabytes), the property and the file keep it.
TEST_F(ChartTest, AHugeAxisTitleIsShownCutAndKeptWhole) {
  auto* c = TQXTimeChart::ElemCreate();
  const std::string title = "Druck " + std::string(4 * 1024 * 1024, 'x');
  c->SetShowXTitle(true);
  c->SetXTitle(title);
  c->Chart->replot(QCustomPlot::rpImmediateRefresh);
  const QString shown = c->Chart->xAxis->label();
  EXPECT_EQ(shown.size(), static_cast<qsizetype>(kMaxShownTextBytes));
  EXPECT_TRUE(shown.startsWith("Druck xxx"));
  EXPECT_EQ(c->GetXTitle(), title);
  TTextWriter out;
  c->KeySet->SaveSet(out, *c);
  EXPECT_NE(out.Text().find("xAxisTitle \"" + title + "\"\r\n"), std::string::npos);
  delete c;
}

TEST_F(ChartTest, XYChartPairsEachXWithTheLastY) {
  auto* c = TQXXYChart::ElemCreate();
  c->SetSource("#1");
  c->SetCurveQty(2);
  c->CurveInput(1)->SetSource("#2");
  c->CurveInput(2)->SetSource("#3");
  c->ControlElement->SetSource("#7");
  ConnectLoopback();
  Feed("#2F5;#3F6;");
  Feed("#1F1;");
  Feed("#1F2;");
  ASSERT_TRUE(ProcessUntil([&] { return c->PointCount(1) == 2; }));
  auto it = c->Curve(1)->data()->constBegin();
  EXPECT_EQ(it->key, 1);
  EXPECT_EQ(it->value, 5);
  ++it;
  EXPECT_EQ(it->key, 2);
  EXPECT_EQ(it->value, 5);
  EXPECT_EQ(c->PointCount(2), 2);
  EXPECT_EQ(c->Curve(2)->data()->constBegin()->value, 6);

  Feed("#7F200;#7SXMax;");
  ASSERT_TRUE(ProcessUntil([&] { return c->X.Max == 200; }));
  Feed("#7F4.9;#7SYSPACING;");
  ASSERT_TRUE(ProcessUntil([&] { return c->GetYSpacing(1) == 4; }));
  Feed("#7Sreset;");
  ASSERT_TRUE(ProcessUntil([&] { return c->PointCount(1) == 0; }));
  EXPECT_EQ(c->Chart->xAxis->range(), QCPRange(0, 200));
  Disconnect();
}

TEST_F(ChartTest, XYChartLosesRowsBeyondTheBuffer) {
  auto* c = TQXXYChart::ElemCreate();
  LossNotify->Reset();
  for (int i = 0; i < 1000; ++i) c->SetValue(i);
  EXPECT_TRUE(LossNotify->RecvLoss.load());
  c->UpdateDisplay();
  EXPECT_EQ(c->PointCount(1), 999);
}

TEST_F(ChartTest, TimeChartSamplesStopsAtOnceAndTakesCommands) {
  auto* c = TQXTimeChart::ElemCreate();
  c->SetSource("#3");
  c->SetCurveQty(2);
  c->CurveInput(2)->SetSource("#3*2");
  c->ControlElement->SetSource("#7");
  c->SetSamplePeriod(0.01);
  ConnectLoopback();
  Feed("#3F4;");
  ASSERT_TRUE(ProcessUntil([&] {
    return c->PointCount(2) > 0 && std::prev(c->Graph(2)->data()->constEnd())->value == 8;
  }));
  EXPECT_EQ(std::prev(c->Graph(1)->data()->constEnd())->value, 4);
  Feed("#7F200;#7SXMAX;");
  ASSERT_TRUE(ProcessUntil([&] { return c->T.Max == 200; }));
  ASSERT_TRUE(ProcessUntil([&] { return c->SampleTime.load() > 0.5; }));
  c->RunCommand(TChartCommand::Clear, 0);  // curves emptied, the time runs on
  EXPECT_EQ(c->PointCount(1), 0);
  EXPECT_GT(c->SampleTime.load(), 0.5);
  c->RunCommand(TChartCommand::Reset, 0);  // the time starts again
  EXPECT_LT(c->SampleTime.load(), 0.5);
  Disconnect();
  // Stopped synchronously: no row comes after the stop.
  c->UpdateDisplay();
  const int n = c->PointCount(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  c->UpdateDisplay();
  EXPECT_EQ(c->PointCount(1), n);
}

// Sampler start and stop (10 ms) with curve-count changes between the runs
// and while sampling: every row carries the width of the curves in use.
TEST_F(ChartTest, SamplerStressWithCurveCountChanges) {
  auto* c = TQXTimeChart::ElemCreate();
  c->SetSource("#1");
  for (int32_t n = 2; n <= kChartCurves; ++n)
    c->CurveInput(n)->SetSource("#1+" + std::to_string(n));
  c->SetSamplePeriod(0.01);
  ConnectLoopback();
  Feed("#1F1;");
  for (int round = 0; round < 40; ++round) {
    c->SetCurveQty(1 + (round * 7) % 10);  // while sampling
    c->ClearCurves();
    ASSERT_TRUE(ProcessUntil([&] {
      c->UpdateDisplay();
      return c->PointCount(1) > 0;
    }));
    for (int32_t n = 2; n <= c->CurveQty; ++n) EXPECT_EQ(c->PointCount(n), c->PointCount(1));
    if (round % 8 == 7) {
      Disconnect();
      c->SetCurveQty(1 + round % 10);
      ConnectLoopback();
    }
  }
  Disconnect();
}

TEST_F(ChartTest, MenuCreatesBothCharts) {
  ASSERT_NE(TQXElement::FindClass("QXTIMECHART"), nullptr);
  ASSERT_NE(TQXElement::FindClass("QXXYCHART"), nullptr);
  const auto& classes = TQXElement::Classes();
  ASSERT_GE(classes.size(), 4u);
  EXPECT_EQ(classes[2].SetName, "QXTIMECHART");
  EXPECT_EQ(classes[3].SetName, "QXXYCHART");
}

}  // namespace
}  // namespace qx
