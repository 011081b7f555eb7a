// Throughput of frame cutting and dispatch.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "channels/support/HubFakes.h"

namespace {

using namespace qx;

// A few MB of mixed traffic: number and text frames, silent frames, noise.
const std::string& Traffic() {
  static const std::string buf = [] {
    std::mt19937 rng(42);
    std::string s;
    while (s.size() < (8u << 20)) {
      switch (rng() % 5) {
        case 0: {
          std::string v = std::to_string(rng() % 100000);
          v += ",25";
          s += fakes::MakeFrame(static_cast<int>(rng() % 1000), 'F', v);
          break;
        }
        case 1:
          s += fakes::MakeFrame(static_cast<int>(rng() % 1000), 'S', "temperature ok\r\n");
          break;
        case 2:
          s += '/';
          s += fakes::MakeFrame(12, 'F', "-1.5E3");
          break;
        case 3:
          s += "\r\n";
          break;
        default:
          s += fakes::MakeFrame(static_cast<int>(rng() % 50), 'S', std::string(rng() % 80, 'x'));
          break;
      }
    }
    return s;
  }();
  return buf;
}

void BM_CollectorStream(benchmark::State& state) {
  const std::string& buf = Traffic();
  TFrameCollector c(TCollectMode::Stream);
  uint64_t frames = 0;
  auto sink = [&](std::string_view f, bool) { frames += f.size() > 0; };
  for (auto _ : state) {
    c.Feed(buf, sink);
    benchmark::DoNotOptimize(frames);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buf.size()));
  state.SetItemsProcessed(static_cast<int64_t>(frames));
}
BENCHMARK(BM_CollectorStream);

void BM_CollectorPacket(benchmark::State& state) {
  const std::string& buf = Traffic();
  const size_t packet = 1400;
  TFrameCollector c(TCollectMode::Packet);
  uint64_t frames = 0;
  auto sink = [&](std::string_view f, bool) { frames += f.size() > 0; };
  for (auto _ : state) {
    for (size_t at = 0; at < buf.size(); at += packet) {
      c.Feed(std::string_view(buf).substr(at, packet), sink);
    }
    benchmark::DoNotOptimize(frames);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buf.size()));
  state.SetItemsProcessed(static_cast<int64_t>(frames));
}
BENCHMARK(BM_CollectorPacket);

// Hubs shared by the threads of one benchmark.
struct Bench {
  TLossNotify loss;
  TTerminal hub{loss};
  fakes::NullFormula formula;
  fakes::FakeElement reader{2};
  Bench() {
    hub.SetFormulaHooks(&formula);
    hub.AddReader(2, &reader);
  }
};
Bench& Shared() {
  static Bench b;
  return b;
}

void BM_ReceiveFrameNoReader(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(b.hub.ReceiveFrame("#123F3,14159;", nullptr, true));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReceiveFrameNoReader);
BENCHMARK(BM_ReceiveFrameNoReader)->Threads(4)->UseRealTime();

void BM_ReceiveFrameOneReader(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(b.hub.ReceiveFrame("#2F3,14159;", nullptr, true));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReceiveFrameOneReader);
BENCHMARK(BM_ReceiveFrameOneReader)->Threads(4)->UseRealTime();

void BM_ReceiveTextFrameOneReader(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state)
    benchmark::DoNotOptimize(b.hub.ReceiveFrame("#2Stemperature ok;", nullptr, true));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReceiveTextFrameOneReader);

// The whole receive path of a packet port: cut and dispatch.
void BM_DeliverPacket(benchmark::State& state) {
  fakes::HubRig rig;
  auto& port = rig.AddPort();
  std::string packet;
  for (int i = 0; i < 50; ++i) packet += fakes::MakeFrame(100 + i, 'F', "12,5");
  for (auto _ : state) port.DeliverPacket(packet);
  state.SetItemsProcessed(state.iterations() * 50);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet.size()));
}
BENCHMARK(BM_DeliverPacket);

}  // namespace
