// Throughput of the ports on loopback and a pseudo-terminal: frames received
// into the hub per second, frames lost, and the serial line's CPU per byte.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "channels/uComPort.h"
#include "channels/uLossNotify.h"
#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"
#include "channels/uTCPServerPort.h"
#include "channels/uTerminal.h"
#include "channels/uUDPPort.h"

namespace qx {
namespace {

using Clock = std::chrono::steady_clock;

// Counts the frames a terminal port hands to the hub.
class TCountingTerm : public TTermSink {
 public:
  void AddRecvCommand(std::string_view, bool) override {
    frames.fetch_add(1, std::memory_order_relaxed);
  }
  std::atomic<uint64_t> frames{0};
};

struct TRig {
  TRig() { hub.SetTermSink(&term); }
  TLossNotify loss;
  TTerminal hub{loss};
  TCountingTerm term;
  TPortList ports{hub};
};

// Frames of about 10 bytes on rotating channels 1..40.
std::string Frames(int count, int start) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    const int n = start + i;
    s.push_back('#');
    s.append(std::to_string(1 + n % 40));
    s.push_back('F');
    s.append(std::to_string(n % 100000));
    s.push_back(';');
  }
  return s;
}

// Waits until the count stops growing for idleMs or reaches want.
uint64_t WaitSettled(const std::atomic<uint64_t>& count, uint64_t want, int idleMs) {
  uint64_t last = count.load();
  auto lastChange = Clock::now();
  while (last < want && Clock::now() - lastChange < std::chrono::milliseconds(idleMs)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const uint64_t now = count.load();
    if (now != last) {
      last = now;
      lastChange = Clock::now();
    }
  }
  return count.load();
}

// UDP: 1,000,000 frames in datagrams of 20, paced at rate frames/s (0: as
// fast as the sender can).
void BM_UdpLoopback(benchmark::State& state) {
  const int64_t rate = state.range(0);
  constexpr int kFrames = 1000000, kPerDatagram = 20;
  for (auto _ : state) {
    TRig rig;
    TUDPPort& port = TUDPPort::CreateInstance(rig.ports);
    port.LocalIp = "127.0.0.1";
    port.LocalPort = std::string(1, '0');
    port.ClientIp = "127.0.0.1";
    port.ClientPort = std::string(1, '9');  // discard port; nothing is sent
    port.IsTerminalPort.store(true);
    rig.hub.Connect();
    if (!rig.hub.Connected.load()) {
      state.SkipWithError("UDP port did not open");
      return;
    }
    TUdpSocket sender;
    std::string err;
    TSockAddr to;
    if (!sender.Bind("127.0.0.1", "0", err) ||
        !ResolveAddress("127.0.0.1", std::to_string(port.BoundPort()), SOCK_DGRAM, false, to,
                        err)) {
      state.SkipWithError(err.c_str());
      return;
    }
    std::vector<std::string> datagrams;
    for (int i = 0; i < 500; ++i) datagrams.push_back(Frames(kPerDatagram, i * kPerDatagram));
    const auto start = Clock::now();
    const auto period = std::chrono::nanoseconds(rate > 0 ? 1000000000LL * kPerDatagram / rate : 0);
    auto next = start;
    for (int d = 0; d < kFrames / kPerDatagram; ++d) {
      if (rate > 0) {
        while (Clock::now() < next) {
        }
        next += period;
      }
      while (sender.SendTo(to, datagrams[static_cast<size_t>(d) % datagrams.size()]) ==
             TIoStatus::Timeout) {
      }
    }
    const uint64_t got = WaitSettled(rig.term.frames, kFrames, 1000);
    const double secs = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["frames_per_s"] = static_cast<double>(got) / secs;
    state.counters["frames_lost"] = static_cast<double>(kFrames - got);
    rig.hub.Disconnect();
  }
}
BENCHMARK(BM_UdpLoopback)
    ->Arg(200000)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// TCP: one client streams 1,000,000 frames to a server port in large writes.
void BM_TcpLoopbackStream(benchmark::State& state) {
  constexpr int kFrames = 1000000, kPerWrite = 4000;
  for (auto _ : state) {
    TRig rig;
    TTCPServer& port = TTCPServer::CreateInstance(rig.ports);
    port.ListenIp = "127.0.0.1";
    port.ListenPort = std::string(1, '0');
    port.IsTerminalPort.store(true);
    rig.hub.Connect();
    if (!rig.hub.Connected.load()) {
      state.SkipWithError("TCP server did not open");
      return;
    }
    TTcpSocket client;
    std::string err;
    if (client.Connect("", "", "127.0.0.1", std::to_string(port.BoundPort()), 10000, nullptr,
                       err) != TIoStatus::Ok) {
      state.SkipWithError(err.c_str());
      return;
    }
    std::vector<std::string> chunks;
    for (int i = 0; i < 10; ++i) chunks.push_back(Frames(kPerWrite, i * kPerWrite));
    const auto start = Clock::now();
    for (int w = 0; w < kFrames / kPerWrite; ++w)
      (void)client.SendAll(chunks[static_cast<size_t>(w) % chunks.size()], 60000, nullptr);
    const uint64_t got = WaitSettled(rig.term.frames, kFrames, 1000);
    const double secs = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["frames_per_s"] = static_cast<double>(got) / secs;
    state.counters["frames_lost"] = static_cast<double>(kFrames - got);
    rig.hub.Disconnect();
  }
}
BENCHMARK(BM_TcpLoopbackStream)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Serial: the port reads a pseudo-terminal whose master this thread writes.
void BM_SerialPty(benchmark::State& state) {
  constexpr int kFrames = 400000;
  for (auto _ : state) {
    TFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.Valid() || grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    TRig rig;
    TComPort& port = TComPort::CreateInstance(rig.ports);
    port.PortName = ptsname(master.Get());
    port.IsTerminalPort.store(true);
    rig.hub.Connect();
    if (!rig.hub.Connected.load()) {
      state.SkipWithError(port.LastErrorText.c_str());
      return;
    }
    const std::string data = Frames(kFrames, 0);
    const double cpu0 = ProcessCpuSeconds();
    const auto start = Clock::now();
    size_t off = 0;
    while (off < data.size()) {
      const ssize_t n =
          write(master.Get(), data.data() + off, std::min<size_t>(4096, data.size() - off));
      if (n > 0) off += static_cast<size_t>(n);
    }
    const uint64_t got = WaitSettled(rig.term.frames, kFrames, 1000);
    const double secs = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpu0;
    state.counters["bytes_per_s"] = static_cast<double>(data.size()) / secs;
    state.counters["cpu_ns_per_byte"] = cpu * 1e9 / static_cast<double>(data.size());
    state.counters["frames_lost"] = static_cast<double>(kFrames - got);
    rig.hub.Disconnect();
  }
}
BENCHMARK(BM_SerialPty)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qx
