// Disconnect while a peer floods a port: the run must end promptly instead
// of waiting for the peer to stop talking, and every receive thread must end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "channels/support/PortHarness.h"
#include "channels/support/PtyPair.h"
#include "channels/uComPort.h"
#include "channels/uSerialIO.h"
#include "channels/uTCPConnectionPort.h"
#include "channels/uTCPServerPort.h"
#include "channels/uUDPPort.h"

namespace qx {
namespace {

using test::THarness;
using test::WaitUntil;
using Clock = std::chrono::steady_clock;

// Counts instead of recording: a flood would fill memory with frame texts.
class TCountingTerm : public TTermSink {
 public:
  void AddCloseMark() override { closeMarks.fetch_add(1); }
  void AddRecvCommand(std::string_view, bool) override { frames.fetch_add(1); }
  std::atomic<size_t> closeMarks{0}, frames{0};
};

// A run of frames for channel 1, about size bytes long.
std::string FloodChunk(size_t size) {
  std::string chunk;
  while (chunk.size() < size) chunk += "#1F1;";
  return chunk;
}

// Sends with send() until told to stop, or for at most kFloodCap, so a port
// that never stops reading still lets the test end (and fail).
class TFlood {
 public:
  static constexpr auto kFloodCap = std::chrono::seconds(10);
  ~TFlood() { Stop(); }
  void Start(std::function<void()> send) {
    thread_ = std::thread([this, send = std::move(send)] {
      const auto end = Clock::now() + kFloodCap;
      while (!stop_.load() && Clock::now() < end) send();
    });
  }
  void Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

enum class TKind { Udp, TcpClient, TcpServer, Serial };

struct TFloodCase {
  TKind kind;
  const char* name;
  size_t receiveThreads;  // close marks once every thread has ended
};

void PrintTo(const TFloodCase& c, std::ostream* os) {
  *os << c.name;
}

class DisconnectUnderFlood : public ::testing::TestWithParam<TFloodCase> {
 protected:
  void SetUp() override {
    h.hub.SetTermSink(&term);
    peerChunk = FloodChunk(8192);
  }

  // Opens a port of the case's kind with a flooding peer; the port is the
  // terminal port so its threads' ends are counted.
  void OpenFlooded(TKind kind) {
    std::string err;
    switch (kind) {
      case TKind::Udp: {
        auto& p = TUDPPort::CreateInstance(h.ports);
        p.LocalIp = p.ClientIp = "127.0.0.1";
        p.LocalPort = "0";
        ASSERT_TRUE(udpPeer.Bind("127.0.0.1", "0", err)) << err;
        p.ClientPort = std::to_string(udpPeer.LocalPort());
        port = &p;
        Connect();
        TSockAddr to;
        ASSERT_TRUE(
            ResolveAddress("127.0.0.1", std::to_string(p.BoundPort()), SOCK_DGRAM, false, to, err));
        flood.Start([this, to] {
          if (udpPeer.SendTo(to, peerChunk) != TIoStatus::Ok) std::this_thread::yield();
        });
        break;
      }
      case TKind::TcpClient: {
        ASSERT_TRUE(listener.Listen("127.0.0.1", "0", err)) << err;
        auto& p = TTCPConnection::CreateInstance(h.ports);
        p.LocalIp = p.ClientIp = "127.0.0.1";
        p.LocalPort = "0";
        p.ClientPort = std::to_string(listener.LocalPort());
        port = &p;
        Connect();
        tcpPeers.emplace_back();
        ASSERT_EQ(listener.Accept(tcpPeers.back(), 30000, nullptr), TIoStatus::Ok);
        FloodTcpPeers();
        break;
      }
      case TKind::TcpServer: {
        auto& p = TTCPServer::CreateInstance(h.ports);
        p.ListenIp = "127.0.0.1";
        p.ListenPort = "0";
        port = &p;
        Connect();
        for (int i = 0; i < 2; ++i) {
          tcpPeers.emplace_back();
          ASSERT_EQ(tcpPeers.back().Connect("", "", "127.0.0.1", std::to_string(p.BoundPort()),
                                            30000, nullptr, err),
                    TIoStatus::Ok)
              << err;
        }
        ASSERT_TRUE(WaitUntil([&] { return p.ClientCount() == 2; }));
        FloodTcpPeers();
        break;
      }
      case TKind::Serial: {
        ASSERT_TRUE(pty.Start(err)) << err;
        auto& p = TComPort::CreateInstance(h.ports);
        p.PortName = pty.A();
        port = &p;
        Connect();
        ASSERT_TRUE(far.Open(pty.B(), {})) << far.LastErrorText();
        flood.Start([this] { (void)far.Write(peerChunk, 100); });
        break;
      }
    }
  }

  void Connect() {
    h.Record(*port);
    h.hub.Connect();
    ASSERT_TRUE(h.hub.Connected.load());
  }

  void FloodTcpPeers() {
    flood.Start([this] {
      for (auto& s : tcpPeers) (void)s.SendAll(peerChunk, 100, nullptr);
    });
  }

  TCountingTerm term;  // outlives the ports' threads
  THarness h;
  TQXPort* port = nullptr;
  std::string peerChunk;
  TUdpSocket udpPeer;
  TTcpListener listener;
  std::vector<TTcpSocket> tcpPeers;
  test::TPtyPair pty;
  TSerialDevice far;
  TFlood flood;  // last: stopped first
};

TEST_P(DisconnectUnderFlood, ReturnsPromptlyAndEndsEveryThread) {
  const TFloodCase& c = GetParam();
  OpenFlooded(c.kind);
  if (HasFatalFailure()) return;
  // Let a backlog build up while the hub is busy with the frames.
  ASSERT_TRUE(WaitUntil([&] { return term.frames.load() > 20000; }));
  ASSERT_EQ(h.hub.ChannelValue(1), 1.0);

  const auto start = Clock::now();
  h.hub.Disconnect();
  const auto took = Clock::now() - start;
  flood.Stop();

  // A liveness bound, generous for the sanitizers, far below the flood cap.
  EXPECT_LT(took, std::chrono::seconds(2))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
  EXPECT_FALSE(h.hub.Connected.load());
  EXPECT_FALSE(port->Connected.load());
  EXPECT_EQ(term.closeMarks.load(), c.receiveThreads);
  // Nothing arrives once Disconnect has returned.
  const size_t frames = term.frames.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(term.frames.load(), frames);
}

// The peers flood and never read what the run sends them, so the transmit
// thread waits in a send (holding the port list) for its time-out per client:
// Disconnect must end that wait instead of queueing behind it.
TEST_F(DisconnectUnderFlood, EndsASendThatWaitsForPeersThatDoNotRead) {
  auto& p = TTCPServer::CreateInstance(h.ports);
  p.ListenIp = "127.0.0.1";
  p.ListenPort = "0";
  port = &p;
  Connect();
  std::string err;
  for (int i = 0; i < 4; ++i) {
    tcpPeers.emplace_back();
    ASSERT_EQ(tcpPeers.back().Connect("", "", "127.0.0.1", std::to_string(p.BoundPort()), 30000,
                                      nullptr, err),
              TIoStatus::Ok)
        << err;
  }
  ASSERT_TRUE(WaitUntil([&] { return p.ClientCount() == 4; }));
  FloodTcpPeers();
  // Big frames fill the peers' receive buffers within milliseconds.
  const std::string big = "#3S" + std::string(65536, 'x') + ";";
  const auto fillEnd = Clock::now() + std::chrono::milliseconds(300);
  while (Clock::now() < fillEnd) {
    (void)h.hub.SendFrame(3, big);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  const auto start = Clock::now();
  h.hub.Disconnect();
  const auto took = Clock::now() - start;
  flood.Stop();
  // Well below one send time-out per client.
  EXPECT_LT(took, std::chrono::seconds(2))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
  EXPECT_FALSE(p.Connected.load());
}

INSTANTIATE_TEST_SUITE_P(PortKinds, DisconnectUnderFlood,
                         ::testing::Values(TFloodCase{TKind::Udp, "Udp", 1},
                                           TFloodCase{TKind::TcpClient, "TcpClient", 1},
                                           // the scanner and both clients
                                           TFloodCase{TKind::TcpServer, "TcpServer", 3},
                                           TFloodCase{TKind::Serial, "Serial", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qx
