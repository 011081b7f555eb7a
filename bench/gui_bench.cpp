// One display tick over 1000 changed numeric displays on one sheet
// (offscreen), and the allocation-free value store on the evaluating side.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "editing/uSheet.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXBargraph.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXTimeChart.h"
#include "instruments/uQXXYChart.h"
#include "shell/uInit.h"
#include "shell/uMain.h"

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

std::vector<TQXNumericDisp*> MakeDisplays(int n) {
  std::vector<TQXNumericDisp*> v;
  for (int i = 0; i < n; ++i) {
    auto* d = TQXNumericDisp::ElemCreate();
    d->SetLeft((i % 40) * 30);
    d->SetTop((i / 40) * 30);
    d->SetSource("#1");
    v.push_back(d);
  }
  TQXElement::FillUpdateList();
  return v;
}

// range(0): 1 also paints what the tick changed (the next event-loop pass).
void BM_DisplayTick1000(benchmark::State& state) {
  auto displays = MakeDisplays(1000);
  QCoreApplication::processEvents();
  double v = 0;
  for (auto _ : state) {
    state.PauseTiming();
    v += 1.25;
    for (auto* d : displays) d->SetValue(v);
    state.ResumeTiming();
    TQXElement::UpdateDisplayAll();
    if (state.range(0)) QCoreApplication::processEvents();
  }
  for (auto* d : displays) delete d;
}
BENCHMARK(BM_DisplayTick1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
  delete displays[0];
}
BENCHMARK(BM_SetValueAllocations);

// One display tick that moves 100 analog gauges and 100 bar graphs;
// range(0): 1 also paints them (the next event-loop pass).
void BM_GaugeAndBarTick(benchmark::State& state) {
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
  QCoreApplication::processEvents();
  double v = 0;
  for (auto _ : state) {
    state.PauseTiming();
    v = v >= 100 ? 0 : v + 7.5;
    for (TQXElement* e : elements) e->SetValue(v);
    state.ResumeTiming();
    TQXElement::UpdateDisplayAll();
    if (state.range(0)) QCoreApplication::processEvents();
  }
  for (TQXElement* e : elements) delete e;
}
BENCHMARK(BM_GaugeAndBarTick)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  qx::TMainForm form;
  qx::GlobalInit(form);
  form.resize(1400, 1000);
  form.show();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  qx::GlobalFree();
  return 0;
}
