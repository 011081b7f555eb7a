#include "channels/uSocketIO.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace qx {
namespace {

std::string PortText(uint16_t p) {
  return std::to_string(p);
}

TEST(UdpSocket, ReceivesFromAnySenderAndSendsToDestination) {
  std::string err;
  TUdpSocket a, b, third;
  ASSERT_TRUE(a.Bind("127.0.0.1", "0", err)) << err;
  ASSERT_TRUE(b.Bind("127.0.0.1", "0", err)) << err;
  ASSERT_TRUE(third.Bind("127.0.0.1", "0", err)) << err;
  ASSERT_TRUE(a.SetDestination("127.0.0.1", PortText(b.LocalPort()), err)) << err;
  ASSERT_TRUE(third.SetDestination("127.0.0.1", PortText(a.LocalPort()), err)) << err;

  EXPECT_EQ(a.Send("#1F2;"), TIoStatus::Ok);
  char buf[64];
  size_t got = 0;
  ASSERT_EQ(b.Receive(buf, sizeof buf, got, 10000, nullptr), TIoStatus::Ok);
  EXPECT_EQ(std::string(buf, got), "#1F2;");

  // a's destination is b, yet a datagram from a third socket is accepted.
  EXPECT_EQ(third.Send("#3F4;"), TIoStatus::Ok);
  TSockAddr from;
  ASSERT_EQ(a.Receive(buf, sizeof buf, got, 10000, nullptr, &from), TIoStatus::Ok);
  EXPECT_EQ(std::string(buf, got), "#3F4;");
  EXPECT_EQ(from.Port(), third.LocalPort());
}

TEST(UdpSocket, PortInUseAndBadNamesFail) {
  std::string err;
  TUdpSocket a, b;
  ASSERT_TRUE(a.Bind("127.0.0.1", "0", err)) << err;
  EXPECT_FALSE(b.Bind("127.0.0.1", PortText(a.LocalPort()), err));
  EXPECT_NE(err.find("gebunden"), std::string::npos) << err;
  EXPECT_FALSE(b.Bind("127.0.0.1", "notaport", err));
  EXPECT_FALSE(b.SetDestination("127.0.0.1", "70000", err));
  EXPECT_EQ(b.Send("x"), TIoStatus::Error);  // never bound, no destination
}

TEST(UdpSocket, TimeoutAndWake) {
  std::string err;
  TUdpSocket a;
  ASSERT_TRUE(a.Bind("127.0.0.1", "0", err)) << err;
  char buf[16];
  size_t got = 0;
  EXPECT_EQ(a.Receive(buf, sizeof buf, got, 10, nullptr), TIoStatus::Timeout);
  TWakeEvent wake;
  std::thread t([&] { wake.Wake(); });
  EXPECT_EQ(a.Receive(buf, sizeof buf, got, 600000, &wake), TIoStatus::Woken);
  t.join();
  EXPECT_TRUE(wake.IsWoken());  // stays signalled for every waiter
  wake.Clear();
  EXPECT_FALSE(wake.IsWoken());
}

TEST(TcpSocket, ConnectSendReceiveAndClose) {
  std::string err;
  TTcpListener l;
  ASSERT_TRUE(l.Listen("127.0.0.1", "0", err)) << err;
  TTcpSocket c;
  ASSERT_EQ(c.Connect("127.0.0.1", "0", "127.0.0.1", PortText(l.LocalPort()), 10000, nullptr, err),
            TIoStatus::Ok)
      << err;
  TTcpSocket s;
  ASSERT_EQ(l.Accept(s, 10000, nullptr), TIoStatus::Ok);
  ASSERT_EQ(c.SendAll("#1F2;", 10000, nullptr), TIoStatus::Ok);
  char buf[64];
  size_t got = 0;
  ASSERT_EQ(s.Receive(buf, sizeof buf, got, 10000, nullptr), TIoStatus::Ok);
  EXPECT_EQ(std::string(buf, got), "#1F2;");
  c.Close();
  EXPECT_EQ(s.Receive(buf, sizeof buf, got, 10000, nullptr), TIoStatus::Closed);
  // Sending to a closed peer reports an error, never SIGPIPE.
  TIoStatus st = TIoStatus::Ok;
  for (int i = 0; i < 100 && st == TIoStatus::Ok; ++i) st = s.SendAll("#1F2;", 1000, nullptr);
  EXPECT_NE(st, TIoStatus::Ok);
}

TEST(TcpSocket, ConnectFailures) {
  std::string err;
  uint16_t freePort = 0;
  {
    TTcpListener l;
    ASSERT_TRUE(l.Listen("127.0.0.1", "0", err)) << err;
    freePort = l.LocalPort();
  }
  TTcpSocket c;
  EXPECT_EQ(c.Connect("", "", "127.0.0.1", PortText(freePort), 10000, nullptr, err),
            TIoStatus::Error);
  EXPECT_FALSE(err.empty());
  EXPECT_FALSE(c.IsOpen());
  // A second listener on the same port is refused.
  TTcpListener l1, l2;
  ASSERT_TRUE(l1.Listen("127.0.0.1", "0", err)) << err;
  EXPECT_FALSE(l2.Listen("127.0.0.1", PortText(l1.LocalPort()), err));
}

// A listener whose accept queue is full drops further SYNs: a connect to it
// hangs, as to an unreachable host, but stays on loopback.
struct TFullListener {
  TFd fd;
  std::vector<TTcpSocket> fillers;
  uint16_t port = 0;
  bool Make() {
    fd.Reset(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(fd.Get(), 0) != 0)
      return false;
    getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    std::string err;
    for (int i = 0; i < 8; ++i) {
      TTcpSocket s;
      if (s.Connect("", "", "127.0.0.1", std::to_string(port), 300, nullptr, err) != TIoStatus::Ok)
        return true;  // the queue is full now
      fillers.push_back(std::move(s));
    }
    return false;
  }
};

TEST(TcpSocket, ConnectToUnresponsivePeerTimesOutOrIsWoken) {
  TFullListener full;
  ASSERT_TRUE(full.Make());
  std::string err;
  TTcpSocket c;
  EXPECT_EQ(c.Connect("", "", "127.0.0.1", PortText(full.port), 200, nullptr, err),
            TIoStatus::Timeout);
  TWakeEvent wake;
  std::thread t([&] { wake.Wake(); });
  EXPECT_EQ(c.Connect("", "", "127.0.0.1", PortText(full.port), 600000, &wake, err),
            TIoStatus::Woken);
  t.join();
  EXPECT_FALSE(c.IsOpen());
}

TEST(TcpSocket, SendToPeerThatStopsReadingTimesOut) {
  std::string err;
  TTcpListener l;
  ASSERT_TRUE(l.Listen("127.0.0.1", "0", err)) << err;
  TTcpSocket c, s;
  ASSERT_EQ(c.Connect("", "", "127.0.0.1", PortText(l.LocalPort()), 10000, nullptr, err),
            TIoStatus::Ok);
  ASSERT_EQ(l.Accept(s, 10000, nullptr), TIoStatus::Ok);
  const std::string chunk(64 * 1024, 'x');
  TIoStatus st = TIoStatus::Ok;
  for (int i = 0; i < 10000 && st == TIoStatus::Ok; ++i) st = c.SendAll(chunk, 50, nullptr);
  EXPECT_EQ(st, TIoStatus::Timeout);
}

TEST(TcpSocket, AcceptIsWoken) {
  std::string err;
  TTcpListener l;
  ASSERT_TRUE(l.Listen("127.0.0.1", "0", err)) << err;
  TTcpSocket s;
  EXPECT_EQ(l.Accept(s, 10, nullptr), TIoStatus::Timeout);
  TWakeEvent wake;
  wake.Wake();
  EXPECT_EQ(l.Accept(s, 600000, &wake), TIoStatus::Woken);
}

TEST(TcpListener, QueuesManyConnectionsBeforeAnyAccept) {
  std::string err;
  TTcpListener l;
  ASSERT_TRUE(l.Listen("127.0.0.1", "0", err)) << err;
  // Many devices connecting at once (a plant powering up) must not wait for
  // resent connection requests. 100 stays below the smallest usual system
  // maximum (128).
  std::vector<TTcpSocket> clients(100);
  for (size_t i = 0; i < clients.size(); ++i) {
    ASSERT_EQ(clients[i].Connect("", "", "127.0.0.1", PortText(l.LocalPort()), 5000, nullptr, err),
              TIoStatus::Ok)
        << i << ": " << err;
  }
  for (size_t i = 0; i < clients.size(); ++i) {
    TTcpSocket s;
    ASSERT_EQ(l.Accept(s, 10000, nullptr), TIoStatus::Ok) << i;
  }
}

TEST(LocalAddresses, IncludeLoopback) {
  const auto list = ListLocalAddresses();
  EXPECT_NE(std::find(list.begin(), list.end(), "127.0.0.1"), list.end());
}

}  // namespace
}  // namespace qx
