// Disconnect with the main window attached while peers flood the ports:
// four TCP clients of a TCP server port sending as fast as they can, plus a
// UDP peer at about 300 000 frames/s. Measured: from the disconnect button
// until the status reads "Getrennt" (Disconnect has returned). Target: below
// 0.5 s.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "GuiBenchMain.h"
#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"
#include "channels/uTCPServerPort.h"
#include "channels/uTerminal.h"
#include "channels/uUDPPort.h"
#include "formula/UCalculate.h"
#include "instruments/uQXInOut.h"
#include "instruments/uQXNumericDisp.h"
#include "shell/uInit.h"
#include "shell/uMain.h"
#include "shell/uTerminalSheet.h"

namespace qx {
namespace {

using Clock = std::chrono::steady_clock;

std::string Chunk(const char* frame, size_t size) {
  std::string s;
  while (s.size() < size) s += frame;
  return s;
}

void ProcessFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// range(0): TCP clients; range(1): UDP frames per second (0: no UDP);
// range(2): 1 with the terminal page switched on for the server port;
// range(3): 1 when the run also sends big frames to the peers, which never
// read, so a send waits for its time-out when Disconnect comes.
void BM_DisconnectUnderFlood(benchmark::State& state) {
  const int clients = static_cast<int>(state.range(0));
  const int64_t udpRate = state.range(1);
  if (Term && Term->CheckBox1) {
    Term->CheckBox1->setChecked(state.range(2) != 0);
    Term->SelectPort();
  }
  auto* display = TQXNumericDisp::ElemCreate();
  display->SetSource("#1");
  // Forwards every value back out: the peers, which never read, get frames.
  auto* forward = TQXInOut::ElemCreate();
  forward->SetSource("#1");
  forward->SetOutSource("#3");
  forward->SetShowAnim(true);
  TQXElement::FillUpdateList();
  CompileAndInit();
  for (auto _ : state) {
    state.PauseTiming();
    PortList->FreeAll();
    TTCPServer& server = TTCPServer::CreateInstance(*PortList);
    // Copied from strings: GCC 12 warns falsely on literals assigned here.
    const std::string loopback = "127.0.0.1", anyPort = "0", discard = "9";
    server.ListenIp = loopback;
    server.ListenPort = anyPort;
    TUDPPort& udp = TUDPPort::CreateInstance(*PortList);
    udp.LocalIp = loopback;
    udp.ClientIp = loopback;
    udp.LocalPort = anyPort;
    udp.ClientPort = discard;
    MainForm->ButtonConnectClick();
    if (!Terminal->Connected.load()) {
      state.SkipWithError("no run");
      break;
    }
    std::string err;
    std::vector<TTcpSocket> peers(static_cast<size_t>(clients));
    for (auto& p : peers) {
      (void)p.Connect("", "", "127.0.0.1", std::to_string(server.BoundPort()), 30000, nullptr, err);
    }
    std::atomic<bool> stop{false};
    std::vector<std::thread> floods;
    const std::string tcpChunk = Chunk("#1F1;", 8192);
    for (auto& p : peers) {
      floods.emplace_back([&stop, &p, &tcpChunk] {
        while (!stop.load()) (void)p.SendAll(tcpChunk, 100, nullptr);
      });
    }
    if (udpRate > 0) {
      floods.emplace_back([&stop, &udp, udpRate] {
        TUdpSocket peer;
        std::string e;
        TSockAddr to;
        if (!peer.Bind("127.0.0.1", "0", e) ||
            !ResolveAddress("127.0.0.1", std::to_string(udp.BoundPort()), SOCK_DGRAM, false, to, e))
          return;
        const std::string chunk = Chunk("#2F5;", 1000);  // 200 frames
        const int64_t framesPerChunk = static_cast<int64_t>(chunk.size() / 5);
        const auto start = Clock::now();
        int64_t sent = 0;
        while (!stop.load()) {
          const auto due = start + std::chrono::microseconds(sent * 1000000 / udpRate);
          if (Clock::now() < due) {
            std::this_thread::sleep_until(due);
            continue;
          }
          (void)peer.SendTo(to, chunk);
          sent += framesPerChunk;
        }
      });
    }
    ProcessFor(1500);  // the run's ticks go on as the user sees them
    if (state.range(3)) {
      const std::string big = "#3S" + std::string(65536, 'x') + ";";
      const auto fillEnd = Clock::now() + std::chrono::milliseconds(300);
      while (Clock::now() < fillEnd) {
        (void)Terminal->SendFrame(3, big);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    state.ResumeTiming();

    const auto begin = Clock::now();
    MainForm->ButtonDisconnectClick();
    const bool shown = MainForm->StatusLabel->text() == "Getrennt";
    const double took = std::chrono::duration<double>(Clock::now() - begin).count();

    state.PauseTiming();
    const auto drainBegin = Clock::now();
    QCoreApplication::processEvents();  // what waits behind Disconnect
    state.counters["drain_ms"] =
        std::chrono::duration<double>(Clock::now() - drainBegin).count() * 1000;
    stop.store(true);
    for (auto& t : floods) t.join();
    state.SetIterationTime(took);
    if (!shown) state.SkipWithError("status not \"Getrennt\"");
    state.counters["disconnect_ms"] = took * 1000;
    ProcessFor(100);
    state.ResumeTiming();
  }
  delete forward;
  delete display;
}
BENCHMARK(BM_DisconnectUnderFlood)
    ->Args({4, 0, 0, 0})
    ->Args({4, 300000, 0, 0})
    ->Args({4, 0, 1, 0})
    ->Args({4, 300000, 1, 0})
    ->Args({4, 300000, 0, 1})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  return qx::RunGuiBenchmarks(argc, argv, QSize(1400, 1000));
}
