#include "channels/uTCPConnectionPort.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "channels/support/PortHarness.h"

namespace qx {
namespace {

using test::ReadUntil;
using test::THarness;
using test::WaitUntil;

// A loopback port reserved by a bound socket that listens only when told:
// until then a connect is refused, and no other test can take the port.
struct TLateServer {
  TFd fd;
  uint16_t port = 0;
  bool Reserve() {
    fd.Reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&a), len) != 0) return false;
    getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return true;
  }
  bool Listen(int backlog = 8) { return listen(fd.Get(), backlog) == 0; }
  bool Accept(TTcpSocket& out) {
    pollfd p{fd.Get(), POLLIN, 0};
    if (poll(&p, 1, 30000) != 1) return false;
    const int c = accept4(fd.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (c < 0) return false;
    out = TTcpSocket(TFd(c));
    return true;
  }
};

class TCPConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Reserve());
    port.LocalIp = "127.0.0.1";
    port.LocalPort = std::string(1, '0');  // any free local port
    port.ClientIp = "127.0.0.1";
    port.ClientPort = std::to_string(server.port);
    h.Record(port);
  }
  THarness h;
  TTCPConnection& port = TTCPConnection::CreateInstance(h.ports);
  TLateServer server;
};

TEST_F(TCPConnectionTest, NoServerWithoutReconnectKeepsTheRunFromStarting) {
  h.hub.Connect();
  EXPECT_FALSE(h.hub.Connected.load());
  EXPECT_FALSE(port.Connected.load());
  EXPECT_EQ(THarness::Light(port), kLightRed);
  EXPECT_TRUE(h.LossSeen(TLossKind::ConnLost));
  EXPECT_FALSE(port.LastErrorText.empty());
}

TEST_F(TCPConnectionTest, NoServerWithReconnectStartsAndConnectsLater) {
  port.AutoReconnect = true;
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load());
  EXPECT_TRUE(port.Connected.load());
  EXPECT_FALSE(port.IsLost());

  ASSERT_TRUE(server.Listen());  // the server comes up during the run
  TTcpSocket peer;
  ASSERT_TRUE(server.Accept(peer));
  // Frames split across segments arrive whole.
  ASSERT_EQ(peer.SendAll("#1F1;#2F", 10000, nullptr), TIoStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 1; }));
  ASSERT_EQ(peer.SendAll("2;", 10000, nullptr), TIoStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 2; }));
  EXPECT_EQ(h.term.Received(), (std::vector<std::string>{"#1F1;", "#2F2;"}));

  std::string text;
  ASSERT_TRUE(WaitUntil([&] {
    h.hub.SendFrame(5, "#5F5;");  // frames sent before the connection is up are lost
    return ReadUntil(peer, text, "#5F5;");
  }));

  // The server drops the connection: the port reconnects by itself.
  peer.Close();
  TTcpSocket again;
  ASSERT_TRUE(server.Accept(again));
  ASSERT_EQ(again.SendAll("#3F3;", 10000, nullptr), TIoStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.hub.ChannelValue(3) == 3.0; }));
  EXPECT_TRUE(h.hub.Connected.load());
  EXPECT_FALSE(port.IsLost());
}

TEST_F(TCPConnectionTest, ServerClosingWithoutReconnectLosesThePortAndEndsTheRun) {
  ASSERT_TRUE(server.Listen());
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  TTcpSocket peer;
  ASSERT_TRUE(server.Accept(peer));
  ASSERT_EQ(peer.SendAll("#4F4;", 10000, nullptr), TIoStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.hub.ChannelValue(4) == 4.0; }));
  peer.Close();
  ASSERT_TRUE(h.PollUntil([&] { return !h.hub.Connected.load(); }));
  EXPECT_FALSE(port.Connected.load());
  EXPECT_TRUE(h.LossSeen(TLossKind::ConnLost));
  EXPECT_EQ(h.term.CloseMarks(), 1u);
}

TEST_F(TCPConnectionTest, UnansweredConnectEndsAfterItsTimeOut) {
  // A full accept queue drops the SYN: the connect hangs as with an
  // unreachable host, yet stays on loopback.
  ASSERT_TRUE(server.Listen(0));
  std::vector<TTcpSocket> fillers;
  for (int i = 0; i < 8; ++i) {
    TTcpSocket s;
    std::string err;
    if (s.Connect("", "", "127.0.0.1", port.ClientPort, 300, nullptr, err) != TIoStatus::Ok) break;
    fillers.push_back(std::move(s));
  }
  ASSERT_LT(fillers.size(), 8u);
  h.hub.Connect();  // returns after the connect time-out instead of minutes
  EXPECT_FALSE(h.hub.Connected.load());
  EXPECT_NE(port.LastErrorText.find("Zeit \xC3\xBC"
                                    "berschritten"),
            std::string::npos)
      << port.LastErrorText;

  // With reconnect the thread waits in connect; Disconnect ends it at once.
  port.AutoReconnect = true;
  h.hub.Connect();
  EXPECT_TRUE(h.hub.Connected.load());
  h.hub.Disconnect();
  EXPECT_FALSE(port.Connected.load());
}

TEST(TCPConnection, DefaultsAndKeySet) {
  test::TKeySetRig<TTCPConnection> rig;
  TTCPConnection& port = rig.port;
  EXPECT_EQ(port.KeySet, rig.sets.Find("QXTCPCONNECTION"));
  EXPECT_EQ(port.GetInfo(), "TCP 127.0.0.1 /8008");
  EXPECT_EQ(rig.SavedText(),
            "QXTCPCONNECTION\r\ndisabled false\r\nip \"127.0.0.1\"\r\nport \"15005\"\r\n"
            "clientIp \"127.0.0.1\"\r\nclientPort \"8008\"\r\nautoReconnect false\r\n"
            "filterActive false\r\nfilterBounds x=50 y=999\r\n");
  port.Disconnect();  // never opened
  EXPECT_FALSE(port.IsLost());
}

}  // namespace
}  // namespace qx
