// Load and save of a generated project: 1000 elements of 30 keys each; the
// memory an open of a project with one 60 MB text value takes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "BenchMemory.h"
#include "foundation/support/FakeProject.h"
#include "foundation/uFileLoader.h"

namespace {

using qx::ResetPeakRss;
using qx::RssBytes;
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

// File > Open of a project whose one text value is 60 MB: the file is read,
// split into lines, the value parsed into the element, and the project text
// written once more as the unchanged state, then compared with it as at a
// close. Reports the peak resident
// memory above what the process held before, as a multiple of the file size
// (the goal: at most 4).
void BM_OpenLargeTextValue(benchmark::State& state) {
  const std::string file =
      "/tmp/qx_project_file_bench_large_" + std::to_string(::getpid()) + ".qxproj";
  int64_t fileBytes = 0;
  {
    std::string text = "QXGENERAL\r\nQXSHEET\r\nQXFAKEGAUGE\r\ncaption \"";
    text.append(60 * 1024 * 1024, 'x');
    text += "\"\r\n";
    fileBytes = static_cast<int64_t>(text.size());
    if (!qx::WriteTextFileAtomic(file, text)) state.SkipWithError("write failed");
  }
  if (!ResetPeakRss()) state.SkipWithError("peak resident memory cannot be reset");
  int64_t peak = 0;
  for (auto _ : state) {
    auto p = std::make_unique<FakeProject>();
    qx::TFileLoad fl(p->Sets, p.get());
    fl.ProjectFile = file;
    const int64_t before = RssBytes("VmRSS:");
    ResetPeakRss();
    if (fl.LoadProject() != qx::TLoadSaveResult::Done) state.SkipWithError("load failed");
    const std::string unchanged = fl.ProjectText();
    // Closing asks whether anything changed.
    if (!fl.ProjectTextEquals(unchanged)) state.SkipWithError("changed");
    peak = std::max(peak, RssBytes("VmHWM:") - before);
  }
  std::remove(file.c_str());
  state.counters["file_MB"] = static_cast<double>(fileBytes) / (1024 * 1024);
  state.counters["peak_MB"] = static_cast<double>(peak) / (1024 * 1024);
  state.counters["peak_per_file"] = static_cast<double>(peak) / static_cast<double>(fileBytes);
}
BENCHMARK(BM_OpenLargeTextValue)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
