// Load and save of a generated project: 1000 elements of 30 keys each.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "foundation/support/FakeProject.h"
#include "foundation/uFileLoader.h"

namespace {

using qx::fake::FakeGauge;
using qx::fake::FakeProject;

void Fill(FakeProject& p) {
  p.AddPort();
  for (int i = 0; i < 1000; ++i) {
    if (i % 100 == 0 && i > 0) {
      p.FirstSheetPending = false;
      p.AddSheet();
    }
    auto& g = p.AddElement<FakeGauge>();
    g.Name = "gauge" + std::to_string(i);
    g.Source = std::to_string(i % 1000);
    g.Source.insert(g.Source.begin(), '#');
    g.Source += "*2+1";
    g.Left = i % 37 * 20;
    g.Top = i / 37 * 20;
    g.Value = i * 0.125;
    g.LedCount = FakeGauge::kMaxLeds;  // 30 keys per element
  }
}

std::string ProjectText() {
  FakeProject p;
  Fill(p);
  return qx::TFileLoad(p.Sets, &p).ProjectText();
}

void BM_SaveProjectText(benchmark::State& state) {
  FakeProject p;
  Fill(p);
  qx::TFileLoad fl(p.Sets, &p);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string text = fl.ProjectText();
    bytes += text.size();
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_SaveProjectText)->Unit(benchmark::kMillisecond);

void BM_LoadProjectText(benchmark::State& state) {
  const std::string text = ProjectText();
  for (auto _ : state) {
    state.PauseTiming();
    auto p = std::make_unique<FakeProject>();
    qx::TFileLoad fl(p->Sets, p.get());
    state.ResumeTiming();
    fl.LoadProjectText(text);
    benchmark::DoNotOptimize(p->Sheets.size());
    state.PauseTiming();
    p.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size() * state.iterations()));
}
BENCHMARK(BM_LoadProjectText)->Unit(benchmark::kMillisecond);

// With the file: atomic save (write, fsync, rename) and read.
void BM_SaveProjectFile(benchmark::State& state) {
  FakeProject p;
  Fill(p);
  qx::TFileLoad fl(p.Sets, &p);
  fl.ProjectFile = "/tmp/qx_project_file_bench_" + std::to_string(::getpid()) + ".qxproj";
  for (auto _ : state) {
    if (fl.SaveProject() != qx::TLoadSaveResult::Done) state.SkipWithError("save failed");
  }
  std::remove(fl.ProjectFile.c_str());
}
BENCHMARK(BM_SaveProjectFile)->Unit(benchmark::kMillisecond);

void BM_LoadProjectFile(benchmark::State& state) {
  const std::string file =
      "/tmp/qx_project_file_bench_load_" + std::to_string(::getpid()) + ".qxproj";
  if (!qx::WriteTextFileAtomic(file, ProjectText())) state.SkipWithError("write failed");
  for (auto _ : state) {
    state.PauseTiming();
    auto p = std::make_unique<FakeProject>();
    qx::TFileLoad fl(p->Sets, p.get());
    fl.ProjectFile = file;
    state.ResumeTiming();
    if (fl.LoadProject() != qx::TLoadSaveResult::Done) state.SkipWithError("load failed");
    state.PauseTiming();
    p.reset();
    state.ResumeTiming();
  }
  std::remove(file.c_str());
}
BENCHMARK(BM_LoadProjectFile)->Unit(benchmark::kMillisecond);

}  // namespace
