// Recorder throughput at 10 columns: one display tick's worth of rows (the
// buffer half's 101) captured as a port thread captures them, then written
// to a file in a temporary folder, buffered (0) or unbuffered (1). Rows per
// second is the sustained rate; "lost" must stay 0.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "GuiBenchMain.h"
#include "formula/UCalculate.h"
#include "foundation/uFileLoader.h"
#include "instruments/uQXFileRec.h"
#include "shell/uInit.h"
#include "shell/uMain.h"

namespace qx {
namespace {

constexpr int kRowsPerTick = 101;

void BM_RecorderTick10Columns(benchmark::State& state) {
  QTemporaryDir dir;
  FileLoad->ProjectPath = dir.path().toStdString() + "/";
  auto* r = TQXFileRec::ElemCreate();
  r->SetSource("#1");
  r->SetChannelQty(TQXFileRec::kMaxColumns);
  for (int32_t n = 2; n <= TQXFileRec::kMaxColumns; ++n) {
    std::string source = "#";
    source += std::to_string(n);
    r->SetColumnSource(n, source);
  }
  r->SetTimeStamp(true);
  r->SetBuffered(state.range(0) == 0);
  CompileAndInit();
  // Numbers and texts, as a device sends them.
  for (int32_t n = 2; n <= TQXFileRec::kMaxColumns; ++n) {
    if (n % 2 == 0)
      r->Column(n)->SetValue(n * 1.125);
    else
      r->Column(n)->SetStrValue("text " + std::to_string(n));
  }
  r->StreamPrepare();
  double v = 0;
  for (auto _ : state) {
    for (int i = 0; i < kRowsPerTick; ++i) r->SetValue(v += 0.5);
    r->WriteRows();
  }
  r->StreamStop();
  state.SetItemsProcessed(state.iterations() * kRowsPerTick);
  state.counters["lost"] = static_cast<double>(r->RowBuffer.LostCount());
  state.counters["recording"] = r->FileOpen || r->Started ? 1 : 0;
  delete r;
}
BENCHMARK(BM_RecorderTick10Columns)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  return qx::RunGuiBenchmarks(argc, argv, QSize());
}
