#include "channels/uUDPPort.h"

#include <gtest/gtest.h>

#include <string>

#include "channels/support/PortHarness.h"

namespace qx {
namespace {

using test::THarness;
using test::WaitUntil;

class UDPPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
    ASSERT_TRUE(third.Bind("127.0.0.1", "0", err)) << err;
    port.LocalIp = "127.0.0.1";
    port.LocalPort = "0";
    port.ClientIp = "127.0.0.1";
    port.ClientPort = std::to_string(peer.LocalPort());
    h.Record(port);
  }
  void SendFrom(TUdpSocket& s, std::string_view datagram) {
    TSockAddr to;
    std::string err;
    ASSERT_TRUE(
        ResolveAddress("127.0.0.1", std::to_string(port.BoundPort()), SOCK_DGRAM, false, to, err));
    ASSERT_EQ(s.SendTo(to, datagram), TIoStatus::Ok);
  }
  THarness h;
  TUDPPort& port = TUDPPort::CreateInstance(h.ports);
  TUdpSocket peer, third;
};

TEST_F(UDPPortTest, DatagramsAreCutOnTheirOwnFromAnySender) {
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  ASSERT_NE(port.BoundPort(), 0);

  SendFrom(peer, "#1F1;x#2F2;/#3SDrei;");  // several frames in one datagram
  SendFrom(peer, "#4F4");                  // a frame split over two datagrams
  SendFrom(peer, ";");
  SendFrom(third, "#5F5;");  // not the configured client: accepted too
  SendFrom(peer, "#6F6;");
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 5; }));
  EXPECT_EQ(h.term.Received(),
            (std::vector<std::string>{"#1F1;", "#2F2;", "#3SDrei;", "#5F5;", "#6F6;"}));
  EXPECT_EQ(h.hub.ChannelValue(4), 0.0);
  EXPECT_EQ(h.hub.ChannelValue(5), 5.0);

  // Sent frames go to the configured destination, one datagram each.
  EXPECT_TRUE(h.hub.SendFrame(7, "#7F7;"));
  EXPECT_TRUE(h.hub.SendFrame(8, "#8F8;"));
  char buf[64];
  size_t got = 0;
  ASSERT_EQ(peer.Receive(buf, sizeof buf, got, 30000, nullptr), TIoStatus::Ok);
  EXPECT_EQ(std::string(buf, got), "#7F7;");
  ASSERT_EQ(peer.Receive(buf, sizeof buf, got, 30000, nullptr), TIoStatus::Ok);
  EXPECT_EQ(std::string(buf, got), "#8F8;");

  h.hub.Disconnect();
  EXPECT_FALSE(port.Connected.load());
  EXPECT_EQ(port.BoundPort(), 0);
  EXPECT_EQ(h.term.CloseMarks(), 1u);
}

TEST_F(UDPPortTest, PortAlreadyInUseDoesNotOpen) {
  port.LocalPort = std::to_string(peer.LocalPort());
  h.hub.Connect();
  EXPECT_FALSE(h.hub.Connected.load());
  EXPECT_FALSE(port.Connected.load());
  EXPECT_EQ(THarness::Light(port), kLightRed);
  EXPECT_TRUE(h.LossSeen(TLossKind::ConnLost));
  EXPECT_FALSE(port.LastErrorText.empty());
  // A bad destination fails the same way.
  port.LocalPort = "0";
  port.ClientPort = "99999";
  h.hub.Connect();
  EXPECT_FALSE(port.Connected.load());
}

TEST(UDPPort, DefaultsAndKeySet) {
  test::TKeySetRig<TUDPPort> rig;
  TUDPPort& port = rig.port;
  EXPECT_EQ(port.KeySet, rig.sets.Find("QXUDPPORT"));
  EXPECT_EQ(port.GetInfo(), "UDP " + port.ClientIp + " /15005");
  EXPECT_FALSE(port.IsLost());
  EXPECT_EQ(rig.SavedText(), "QXUDPPORT\r\ndisabled false\r\nip \"" + port.LocalIp +
                                 "\"\r\nport \"15005\"\r\nclientIp \"" + port.ClientIp +
                                 "\"\r\nclientPort \"15005\"\r\nfilterActive false\r\n"
                                 "filterBounds x=50 y=999\r\n");
  const auto addrs = TUDPPort::ListLocalAddresses();
  EXPECT_FALSE(addrs.empty());
}

}  // namespace
}  // namespace qx
