#include "channels/uTCPServerPort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "channels/support/PortHarness.h"

namespace qx {
namespace {

using test::ReadUntil;
using test::THarness;
using test::WaitUntil;

class TCPServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.ListenIp = "127.0.0.1";
    port.ListenPort = std::string(1, '0');  // any free port
    h.Record(port);
  }
  void Open() {
    h.hub.Connect();
    ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
    ASSERT_NE(port.BoundPort(), 0);
  }
  TTcpSocket Client() {
    TTcpSocket s;
    std::string err;
    EXPECT_EQ(s.Connect("", "", "127.0.0.1", std::to_string(port.BoundPort()), 30000, nullptr, err),
              TIoStatus::Ok)
        << err;
    return s;
  }
  THarness h;
  TTCPServer& port = TTCPServer::CreateInstance(h.ports);
};

TEST_F(TCPServerTest, TwoClientsGetEveryFrameAndBothDeliver) {
  Open();
  TTcpSocket a = Client(), b = Client();
  ASSERT_TRUE(WaitUntil([&] { return port.ClientCount() == 2; }));

  EXPECT_TRUE(h.hub.SendFrame(7, "#7F1;"));
  std::string ta, tb;
  EXPECT_TRUE(ReadUntil(a, ta, "#7F1;"));
  EXPECT_TRUE(ReadUntil(b, tb, "#7F1;"));

  ASSERT_EQ(a.SendAll("#1F1;#2F", 10000, nullptr), TIoStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 1; }));
  ASSERT_EQ(a.SendAll("2;", 10000, nullptr), TIoStatus::Ok);  // a frame across two reads
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 2; }));
  ASSERT_EQ(b.SendAll("#3SB;", 10000, nullptr), TIoStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 3; }));
  EXPECT_EQ(h.term.Received(), (std::vector<std::string>{"#1F1;", "#2F2;", "#3SB;"}));
  EXPECT_EQ(h.hub.ChannelValue(2), 2.0);
}

TEST_F(TCPServerTest, ClosingClientIsRemovedAndThePortStaysOpen) {
  Open();
  TTcpSocket a = Client(), b = Client();
  ASSERT_TRUE(WaitUntil([&] { return port.ClientCount() == 2; }));
  a.Close();
  ASSERT_TRUE(WaitUntil([&] { return port.ClientCount() == 1; }));
  EXPECT_TRUE(port.Connected.load());
  EXPECT_FALSE(port.IsLost());
  TTcpSocket c = Client();
  ASSERT_TRUE(WaitUntil([&] { return port.ClientCount() == 2; }));
  EXPECT_TRUE(h.hub.SendFrame(8, "#8F2;"));
  std::string tb, tc;
  EXPECT_TRUE(ReadUntil(b, tb, "#8F2;"));
  EXPECT_TRUE(ReadUntil(c, tc, "#8F2;"));
  h.hub.Disconnect();
  EXPECT_EQ(port.ClientCount(), 0);
}

TEST_F(TCPServerTest, ClientThatStopsReadingIsDroppedAndOthersGoOn) {
  Open();
  TTcpSocket reader = Client(), stalled = Client();
  ASSERT_TRUE(WaitUntil([&] { return port.ClientCount() == 2; }));
  // This thread plays the transmit thread (the run sends nothing itself).
  std::atomic<size_t> readBytes{0};
  std::atomic<bool> stop{false};
  std::string tail;
  std::thread drain([&] {
    char buf[65536];
    while (!stop.load()) {
      size_t got = 0;
      if (reader.Receive(buf, sizeof buf, got, 50, nullptr) == TIoStatus::Ok) {
        readBytes += got;
        tail.assign(buf, got);
      }
    }
  });
  std::string frame = "#9S";
  frame.append(200, 'x').push_back(';');
  size_t sent = 0;
  for (int i = 0; i < 400000 && port.ClientCount() == 2; ++i) {
    port.Send(frame);
    sent += frame.size();
  }
  EXPECT_TRUE(WaitUntil([&] { return port.ClientCount() == 1; }));
  port.Send("#10F1;");
  sent += 6;
  EXPECT_TRUE(WaitUntil([&] { return readBytes.load() == sent; }));
  stop = true;
  drain.join();
  EXPECT_NE(tail.find("#10F1;"), std::string::npos);
}

TEST_F(TCPServerTest, ClientThreadThatCannotStartClosesOnlyItsConnection) {
  // The first starts fail as they do when the system runs out of threads.
  std::atomic<int> starts{0};
  port.StartThread = [&](std::function<void()> body) {
    if (starts.fetch_add(1) < 3)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::thread(std::move(body));
  };
  Open();
  for (int i = 0; i < 3; ++i) {
    // The server may close before the connect has even completed here: a
    // reset during the connect is as good as a close afterwards.
    TTcpSocket s;
    std::string err;
    TIoStatus st = s.Connect("", "", "127.0.0.1", std::to_string(port.BoundPort()), 30000,
                             nullptr, err);
    if (st == TIoStatus::Ok) {
      char c;
      size_t got = 0;
      st = s.Receive(&c, 1, got, 30000, nullptr);
    }
    EXPECT_TRUE(st == TIoStatus::Closed || st == TIoStatus::Error) << static_cast<int>(st) << err;
  }
  ASSERT_TRUE(WaitUntil([&] { return starts.load() == 3; }));
  EXPECT_EQ(port.ClientCount(), 0);
  EXPECT_TRUE(port.Connected.load());

  TTcpSocket ok = Client();
  ASSERT_TRUE(WaitUntil([&] { return port.ClientCount() == 1; }));
  ASSERT_EQ(ok.SendAll("#2F7;", 10000, nullptr), TIoStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.hub.ChannelValue(2) == 7.0; }));
  EXPECT_TRUE(h.hub.SendFrame(3, "#3F1;"));
  std::string text;
  EXPECT_TRUE(ReadUntil(ok, text, "#3F1;"));
  EXPECT_EQ(starts.load(), 4);
  h.hub.Disconnect();
  EXPECT_EQ(port.ClientCount(), 0);
}

TEST_F(TCPServerTest, SecondServerOnTheSameListenPortDoesNotOpen) {
  Open();
  TTCPServer& second = TTCPServer::CreateInstance(h.ports);
  second.ListenIp = "127.0.0.1";
  second.ListenPort = std::to_string(port.BoundPort());
  second.Connect();
  EXPECT_FALSE(second.Connected.load());
  EXPECT_EQ(THarness::Light(second), kLightRed);
  EXPECT_FALSE(second.LastErrorText.empty());
}

TEST(TCPServer, DefaultsAndKeySet) {
  test::TKeySetRig<TTCPServer> rig;
  TTCPServer& port = rig.port;
  EXPECT_EQ(port.KeySet, rig.sets.Find("QXTCPSERVER"));
  EXPECT_EQ(port.GetInfo(), "TCP Server on 0.0.0.0 /8008");
  EXPECT_EQ(rig.SavedText(),
            "QXTCPSERVER\r\ndisabled false\r\nip \"0.0.0.0\"\r\nport \"8008\"\r\n"
            "filterActive false\r\nfilterBounds x=50 y=999\r\n");
  port.Disconnect();  // never opened
  EXPECT_EQ(port.ClientCount(), 0);
}

}  // namespace
}  // namespace qx
