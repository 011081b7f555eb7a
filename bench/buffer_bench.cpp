// Double buffer costs: one Put (fixed and extending), and a producer/consumer
// round of 100 items drained by one swap.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/uBuffer.h"

namespace {

void BM_CharPut(benchmark::State& state) {
  qx::TCharBuffer buf(1000);
  char c;
  for (auto _ : state) {
    buf.Put('x');
    if (buf.CountA() + buf.CountB() >= 900 && buf.Swap())
      while (buf.Get(c)) benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(BM_CharPut);

void BM_StringPutDrain100(benchmark::State& state) {
  qx::TStringBuffer buf(128);
  const std::string frame = "#12F3.1415;";
  std::string s;
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) buf.Put(frame);
    if (buf.Swap())
      while (buf.Get(s)) benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_StringPutDrain100);

void BM_SendQueuePutDrain100(benchmark::State& state) {
  qx::TStringIntExtendBuffer buf(15);
  buf.MaxCount = 100;
  const std::string frame = "#12F3.1415;";
  std::string s;
  int32_t ch;
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) buf.Put(frame, 12);
    if (buf.Swap())
      while (buf.Get(s, ch)) benchmark::DoNotOptimize(ch);
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_SendQueuePutDrain100);

void BM_ContendedPut(benchmark::State& state) {
  static qx::TDoubleArrayBuffer* buf = nullptr;
  if (state.thread_index() == 0) buf = new qx::TDoubleArrayBuffer(100000);
  // Every thread puts; thread 0 also drains now and then.
  std::span<const double> row;
  const double v[2] = {1.0, 2.0};
  for (auto _ : state) {
    buf->Put(std::span<const double>(v, 2));
    if (state.thread_index() == 0 && buf->CountA() + buf->CountB() > 50000 && buf->Swap())
      while (buf->Get(row)) benchmark::DoNotOptimize(row.data());
  }
  if (state.thread_index() == 0) {
    delete buf;
    buf = nullptr;
  }
}
BENCHMARK(BM_ContendedPut)->Threads(1)->Threads(4);

}  // namespace
