// One display tick over 1000 changed numeric displays on one sheet
// (offscreen), and the allocation-free value store on the evaluating side.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "editing/uSheet.h"
#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXBargraph.h"
#include "instruments/uQXNumericDisp.h"
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
