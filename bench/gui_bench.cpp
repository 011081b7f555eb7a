// The window at scale, each figure beside a floor measured in the same run:
// opening, Run -> Edit and saving a panel of 1000 displays, and the display
// tick with its repaint on the Run page (non-overlapping, visible displays).
// Every figure and floor is the minimum over the iterations (the machine is
// shared); the counters give both and their ratio.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "GuiBenchMain.h"
#include "editing/uEditPanel.h"
#include "editing/uSheet.h"
#include "editing/uSheetBckgnd.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "foundation/uFileLoader.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXBargraph.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"
#include "instruments/uQXTimeChart.h"
#include "instruments/uQXXYChart.h"
#include "shell/uFileHandling.h"
#include "shell/uInit.h"
#include "shell/uLoadSaveForm.h"
#include "shell/uMain.h"
#include "shell/uSheetSelect.h"
#include "widgets/uDialogs.h"
#include "widgets/uTabBar.h"

namespace {

std::atomic<long> gAllocations{0};

}  // namespace

void* operator new(size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace qx {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCount = 1000;
// 1000 displays of 80 x 40 in 30 columns, side by side: all visible.
constexpr int kColumns = 30;
constexpr int kW = 80, kH = 40;

QRect Cell(int i, int columns = kColumns) {
  return QRect((i % columns) * kW, (i / columns) * kH, kW, kH);
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Minimum of figure and floor over the iterations, reported side by side.
struct TFigure {
  double Figure = 1e300, Floor = 1e300;
  void Report(benchmark::State& state, const char* goal = nullptr) const {
    state.counters["fig_ms"] = Figure;
    if (Floor < 1e299) {
      state.counters["floor_ms"] = Floor;
      state.counters["ratio"] = Figure / Floor;
    }
    if (goal) state.SetLabel(goal);
  }
};

template <class F>
double TimeMs(F&& f) {
  const auto t0 = Clock::now();
  f();
  return Ms(Clock::now() - t0);
}

// Whatever is pending is painted now.
void Paint() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void ShowPage(int32_t page) {
  MainForm->TabBar->SelectTab(page);
  Paint();
}

// More than 1000 go into 100 columns: the sheet takes no position beyond
// 9000, and elements refused there would pile up at the top.
std::vector<TQXNumericDisp*> MakeDisplays(int n) {
  std::vector<TQXNumericDisp*> v;
  for (int i = 0; i < n; ++i) {
    auto* d = TQXNumericDisp::ElemCreate();
    d->setGeometry(Cell(i, n > kCount ? 100 : kColumns));
    d->SetDenom("U");
    d->SetShowName(true);
    d->SetSource("#1");
    v.push_back(d);
  }
  TQXElement::FillUpdateList();
  return v;
}

template <class T>
void Free(std::vector<T*>& v) {
  for (T* e : v) delete e;
  v.clear();
  TQXElement::FillUpdateList();
  Paint();
}

// ---- floors: one widget painting the same texts --------------------------

// 1000 framed cells, each with a left caption and a right-aligned value (or,
// centred: one word-wrapped text), painted by one widget.
class TOneWidget : public QWidget {
 public:
  explicit TOneWidget(QWidget* parent, bool centred) : QWidget(parent), centred_(centred) {
    texts_.resize(kCount);
    QFont f = font();
    f.setPointSize(12);
    setFont(f);
    // What lies under it is not painted, as no display lies under another.
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void SetTexts(double v) {
    for (int i = 0; i < kCount; ++i) texts_[i] = QString::number(v + i, 'g', 15);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(kSheetColor));
    const QColor back = ColorToQColor(0xFFFFFF), frame = ColorToQColor(0xC0C0C0);
    for (int i = 0; i < kCount; ++i) {
      const QRect r = Cell(i);
      p.fillRect(r, back);
      p.fillRect(r.x(), r.y(), r.width(), 6, frame);
      p.fillRect(r.x(), r.bottom() - 5, r.width(), 6, frame);
      p.fillRect(r.x(), r.y(), 6, r.height(), frame);
      p.fillRect(r.right() - 5, r.y(), 6, r.height(), frame);
      const QRect in = r.adjusted(6, 6, -6, -6);
      if (centred_) {
        p.drawText(in, Qt::AlignCenter | Qt::TextWordWrap, texts_[i]);
      } else {
        p.drawText(in.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "U=");
        p.drawText(in, Qt::AlignRight | Qt::AlignVCenter, texts_[i]);
      }
    }
  }

 private:
  bool centred_;
  std::vector<QString> texts_;
};

template <class MakeAll, class Change>
void TickBeside(benchmark::State& state, MakeAll make, Change change, bool centred,
                const char* goal) {
  ShowPage(PageIndexRun);
  auto elements = make();
  Paint();
  // QX_BENCH_SHOTS=folder: how the page looks, to check every display shows.
  if (const char* shots = std::getenv("QX_BENCH_SHOTS"))
    MainForm->grab().save(QString(shots) + "/" + (centred ? "text" : "numeric") + ".png");
  auto* floor = new TOneWidget(CurrentSheet->Canvas(), centred);
  floor->setGeometry(0, 0, kColumns * kW, (kCount / kColumns + 1) * kH);
  floor->hide();
  TFigure fig;
  double v = 0;
  // The tick must repaint: paint events of one display per round.
  struct TCount : QObject {
    int n = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++n;
      return false;
    }
  } count;
  elements[kCount / 2]->installEventFilter(&count);
  int timedPaints = 0;
  for (auto _ : state) {
    v += 1.25;
    change(elements, v);
    const int before = count.n;
    const double t = TimeMs([] {
      TQXElement::UpdateDisplayAll();
      Paint();
    });
    timedPaints += count.n - before;
    fig.Figure = std::min(fig.Figure, t);
    state.SetIterationTime(t / 1000);
    // The floor over the same place, the displays hidden under it.
    state.PauseTiming();
    floor->show();
    floor->raise();
    Paint();
    const double f = TimeMs([&] {
      floor->SetTexts(v);
      Paint();
    });
    fig.Floor = std::min(fig.Floor, f);
    floor->hide();
    Paint();
    state.ResumeTiming();
  }
  delete floor;
  elements[kCount / 2]->removeEventFilter(&count);
  state.counters["paints_per_round"] =
      static_cast<double>(timedPaints) /
      static_cast<double>(std::max<int64_t>(1, state.iterations()));
  Free(elements);
  fig.Report(state, goal);
}

// Display tick + repaint of 1000 changed, visible numeric displays.
void BM_NumericTick1000(benchmark::State& state) {
  TickBeside(
      state, [] { return MakeDisplays(kCount); },
      [](std::vector<TQXNumericDisp*>& v, double x) {
        for (int i = 0; i < kCount; ++i) v[i]->SetValue(x + i);
      },
      false, "goal: ratio <= 1.5");
}
BENCHMARK(BM_NumericTick1000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// The same for 1000 text displays.
void BM_TextTick1000(benchmark::State& state) {
  TickBeside(
      state,
      [] {
        std::vector<TQXRemoteLabel*> v;
        for (int i = 0; i < kCount; ++i) {
          auto* d = TQXRemoteLabel::ElemCreate();
          d->setGeometry(Cell(i));
          d->SetSource("#1");
          v.push_back(d);
        }
        TQXElement::FillUpdateList();
        return v;
      },
      [](std::vector<TQXRemoteLabel*>& v, double x) {
        for (int i = 0; i < kCount; ++i)
          v[i]->SetStrValue(QString::number(x + i, 'g', 15).toStdString());
      },
      true, "goal: ratio <= 1.5");
}
BENCHMARK(BM_TextTick1000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// ---- open, Run -> Edit, save ------------------------------------------------

// Answers the open dialog with one file.
class TOpenAnswer : public TDialogProvider {
 public:
  std::string File;
  void Message(QWidget*, const QString&) override {}
  bool Question(QWidget*, const QString&) override { return false; }
  std::optional<TColor> ChooseColor(QWidget*, TColor) override { return std::nullopt; }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return std::nullopt; }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest&) override {
    return File;
  }
};

// A project file of 1000 numeric displays side by side.
std::string WriteProject(const QTemporaryDir& dir, int count) {
  auto displays = MakeDisplays(count);
  const std::string text = FileLoad->ProjectText();
  Free(displays);
  const std::string name = dir.path().toStdString() + "/panel.qxproj";
  QFile f(QString::fromStdString(name));
  if (f.open(QIODevice::WriteOnly)) f.write(text.data(), static_cast<qint64>(text.size()));
  return name;
}

// Plain Qt: 1000 widgets with two labels each, created and painted.
double OpenFloorMs() {
  QWidget* host = CurrentSheet->Canvas();
  QWidget* box = nullptr;
  const double t = TimeMs([&] {
    box = new QWidget(host);
    box->setGeometry(0, 0, kColumns * kW, (kCount / kColumns + 1) * kH);
    for (int i = 0; i < kCount; ++i) {
      auto* w = new QWidget(box);
      w->setGeometry(Cell(i));
      auto* a = new QLabel("U=", w);
      a->setGeometry(9, 6, 20, kH - 12);
      auto* b = new QLabel("0", w);
      b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      b->setGeometry(20, 6, kW - 26, kH - 12);
    }
    box->show();
    box->raise();
    Paint();
  });
  delete box;
  Paint();
  return t;
}

// Open (dialog answered) of range(0) numeric displays up to the painted
// window; the page's closing pause is left out here (it is the save's). The
// floor is measured for 1000.
void BM_Open(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  QTemporaryDir dir;
  TOpenAnswer answer;
  answer.File = WriteProject(dir, count);
  SetDialogProvider(&answer);
  FormLoadSave->ClosePauseMs = 0;
  TFigure fig;
  for (auto _ : state) {
    const double t = TimeMs([] {
      FileHandling->Open();
      Paint();
    });
    fig.Figure = std::min(fig.Figure, t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    if (TSheet::ElementCount() != count) state.SkipWithError("not every element loaded");
    FileHandling->New();
    Paint();
    if (count == kCount) fig.Floor = std::min(fig.Floor, OpenFloorMs());
    state.ResumeTiming();
  }
  FormLoadSave->ClosePauseMs = 200;
  SetDialogProvider(nullptr);
  FileHandling->New();
  Paint();
  fig.Report(state, "goal: ratio <= 2");
}
BENCHMARK(BM_Open)->Arg(kCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_Open)->Arg(10 * kCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// Run page -> Edit page with 1000 elements, painted.
void BM_RunToEdit1000(benchmark::State& state) {
  ShowPage(PageIndexRun);
  auto displays = MakeDisplays(kCount);
  Paint();
  TFigure fig;
  for (auto _ : state) {
    const double t = TimeMs([] { ShowPage(PageIndexEdit); });
    fig.Figure = std::min(fig.Figure, t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    ShowPage(PageIndexRun);
    state.ResumeTiming();
  }
  ShowPage(PageIndexRun);
  Free(displays);
  fig.Report(state, "goal: < 50 ms");
}
BENCHMARK(BM_RunToEdit1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// Saving 1000 elements from the window (with the page's 200 ms pause); the
// floor is the core writer alone plus that pause.
void BM_Save1000(benchmark::State& state) {
  QTemporaryDir dir;
  ShowPage(PageIndexEdit);
  auto displays = MakeDisplays(kCount);
  Paint();
  FileLoad->ProjectFile = dir.path().toStdString() + "/saved.qxproj";
  TFigure fig;
  for (auto _ : state) {
    const double t = TimeMs([] {
      if (FileLoad->SaveProject() != TLoadSaveResult::Done) std::abort();
      Paint();
    });
    fig.Figure = std::min(fig.Figure, t);
    state.SetIterationTime(t / 1000);
    state.PauseTiming();
    const double f = TimeMs([&] {
      const std::string text = FileLoad->ProjectText();
      QFile out(dir.path() + "/core.qxproj");
      if (out.open(QIODevice::WriteOnly)) out.write(text.data(), static_cast<qint64>(text.size()));
    });
    fig.Floor = std::min(fig.Floor, f + FormLoadSave->ClosePauseMs);
    state.ResumeTiming();
  }
  FileLoad->ProjectFile.clear();
  Free(displays);
  fig.Report(state, "goal: figure <= floor + 50 ms");
}
BENCHMARK(BM_Save1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// ---- the rest -------------------------------------------------------------------

void BM_SetValueAllocations(benchmark::State& state) {
  auto displays = MakeDisplays(1);
  TQXElement& e = *displays[0];
  double v = 0;
  long allocations = 0;
  for (auto _ : state) {
    const long before = gAllocations.load();
    e.SetValue(v += 1);
    allocations += gAllocations.load() - before;
  }
  state.counters["allocations"] = static_cast<double>(allocations);
  Free(displays);
}
BENCHMARK(BM_SetValueAllocations);

// One display tick that moves 100 analog gauges and 100 bar graphs, painted.
void BM_GaugeAndBarTick(benchmark::State& state) {
  ShowPage(PageIndexRun);
  std::vector<TQXElement*> elements;
  for (int i = 0; i < 100; ++i) {
    auto* a = TQXAnalogDisp::ElemCreate();
    a->SetMode(2);
    a->move((i % 5) * 205, (i / 5) * 45);
    auto* b = TQXBargraph::ElemCreate();
    b->move(1030 + (i % 6) * 55, (i / 6) * 105);
    elements.push_back(a);
    elements.push_back(b);
  }
  TQXElement::FillUpdateList();
  Paint();
  double v = 0;
  for (auto _ : state) {
    state.PauseTiming();
    v = v >= 100 ? 0 : v + 7.5;
    for (TQXElement* e : elements) e->SetValue(v);
    state.ResumeTiming();
    TQXElement::UpdateDisplayAll();
    Paint();
  }
  Free(elements);
}
BENCHMARK(BM_GaugeAndBarTick)->Unit(benchmark::kMillisecond);

// ---- charts ----

// Filled with 10 curves of points; XY chart when xy, else time chart.
TQXChartBase* MakeChart(bool xy, int points) {
  TQXChartBase* c = xy ? static_cast<TQXChartBase*>(TQXXYChart::ElemCreate())
                       : static_cast<TQXChartBase*>(TQXTimeChart::ElemCreate());
  c->resize(800, 500);
  c->SetCurveQty(10);
  for (int32_t n = 1; n <= 10; ++n) {
    QVector<double> x(points), y(points);
    for (int i = 0; i < points; ++i) {
      x[i] = i * (20.0 / points);
      y[i] = 5 + 4 * std::sin(i * 0.001 + n);
    }
    if (xy)
      static_cast<TQXXYChart*>(c)->Curve(n)->setData(x, y);
    else
      static_cast<TQXTimeChart*>(c)->Graph(n)->setData(x, y, true);
  }
  return c;
}

// One full replot of 10 curves x 100,000 points (offscreen);
// range(0): 0 time chart, 1 XY chart.
void BM_ChartReplot10x100k(benchmark::State& state) {
  TQXChartBase* c = MakeChart(state.range(0) != 0, 100000);
  QCoreApplication::processEvents();
  for (auto _ : state) c->Chart->replot(QCustomPlot::rpImmediateRefresh);
  delete c;
  state.SetLabel("goal: < 50 ms");
}
BENCHMARK(BM_ChartReplot10x100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

double ResidentMB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// Memory of a chart whose 10 curves get 5000 points per display tick, for
// 400 ticks (2,000,000 points a curve): the trim keeps each at or below
// 100,000, so the resident size after 200 and after 400 ticks is the same.
// range(0): 0 time chart, 1 XY chart.
void BM_ChartMemoryPlateau(benchmark::State& state) {
  const bool xy = state.range(0) != 0;
  double mid = 0, end = 0;
  int points = 0;
  for (auto _ : state) {
    TQXChartBase* c = MakeChart(xy, 0);
    double x = 0;
    for (int tick = 1; tick <= 400; ++tick) {
      for (int i = 0; i < 5000; ++i, x += 0.01) {
        for (int32_t n = 1; n <= 10; ++n) {
          if (xy)
            static_cast<TQXXYChart*>(c)->Curve(n)->addData(x, x, n);
          else
            static_cast<TQXTimeChart*>(c)->Graph(n)->addData(x, n);
        }
      }
      c->UpdateDisplay();
      if (tick == 200) mid = ResidentMB();
    }
    end = ResidentMB();
    points = xy ? static_cast<TQXXYChart*>(c)->PointCount(1)
                : static_cast<TQXTimeChart*>(c)->PointCount(1);
    delete c;
  }
  state.counters["rss_mb_tick200"] = mid;
  state.counters["rss_mb_tick400"] = end;
  state.counters["points_per_curve"] = points;
}
BENCHMARK(BM_ChartMemoryPlateau)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  // Room for 1000 displays of 80 x 40 side by side on the sheet.
  return qx::RunGuiBenchmarks(argc, argv, QSize(2600, 1700), [] { qx::Paint(); });
}
