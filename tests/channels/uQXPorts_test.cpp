// Port list: routing, connecting all ports, supervision, terminal port.
#include "channels/uQXPorts.h"

#include <gtest/gtest.h>

#include "channels/support/HubFakes.h"

namespace qx {
namespace {

using fakes::FakePort;
using fakes::HubRig;

TEST(PortRoutingTest, FilterRule) {
  const struct {
    bool active;
    int low, high;
    std::vector<int> accepted, refused;
  } cases[] = {
      {true, 100, 200, {0, 10, 49, 100, 150, 200}, {50, 60, 99, 201, 999}},
      {true, 10, 20, {15, 0, 49}, {60, 50}},  // a low bound below 50 acts as 50
      {false, 100, 200, {0, 60, 201, 999}, {}},
  };
  for (const auto& c : cases) {
    FakePort p;
    p.FilterActive = c.active;
    p.FilterLow = c.low;
    p.FilterHigh = c.high;
    for (int ch : c.accepted) EXPECT_TRUE(p.Accepts(ch)) << ch;
    for (int ch : c.refused) EXPECT_FALSE(p.Accepts(ch)) << ch;
  }
}

TEST(PortRoutingTest, SendToPortsAndHasPortFor) {
  HubRig rig;
  auto& a = rig.AddPort();
  auto& b = rig.AddPort();
  auto& closed = rig.AddPort();
  b.FilterActive = true;
  b.FilterLow = 100;
  b.FilterHigh = 200;
  closed.opens = false;
  EXPECT_FALSE(rig.ports.HasPortFor(1));  // nothing open yet
  ASSERT_TRUE(rig.ports.ConnectAll());
  rig.ports.SetTerminalPort(2);

  rig.ports.SendToPorts(10, "#10F1;");
  rig.ports.SendToPorts(60, "#60F1;");
  rig.ports.SendToPorts(150, "#150F1;");
  EXPECT_EQ(a.Sent(), (std::vector<std::string>{"#10F1;", "#60F1;", "#150F1;"}));
  EXPECT_EQ(b.Sent(), (std::vector<std::string>{"#10F1;", "#150F1;"}));
  EXPECT_TRUE(closed.Sent().empty());
  EXPECT_EQ(rig.term.sent, (std::vector<std::string>{"'#10F1;'", "'#150F1;'"}));

  EXPECT_TRUE(rig.ports.HasPortFor(60));
  a.Disconnect();
  EXPECT_FALSE(rig.ports.HasPortFor(60));
  EXPECT_TRUE(rig.ports.HasPortFor(150));
  rig.ports.DisconnectAll();
  EXPECT_FALSE(rig.ports.HasPortFor(0));
}

TEST(PortListTest, ConnectAllOutcomes) {
  const struct {
    std::vector<int> ports;  // 1 opens, 0 fails, -1 disabled
    bool connected;
    bool connLost;
  } cases[] = {
      {{}, true, false},        {{-1, -1}, true, false}, {{1, 0}, true, true},
      {{0, 1, -1}, true, true}, {{0, 0}, false, true},   {{1, 1}, true, false},
  };
  for (const auto& c : cases) {
    HubRig rig;
    std::vector<FakePort*> ports;
    for (int kind : c.ports) {
      auto& p = rig.AddPort();
      p.opens = kind == 1;
      p.SetDisabled(kind == -1);
      ports.push_back(&p);
    }
    EXPECT_EQ(rig.ports.ConnectAll(), c.connected);
    EXPECT_EQ(rig.ports.PortsConnected(), c.connected);
    EXPECT_EQ(rig.loss.ConnLost.load(), c.connLost);
    for (size_t i = 0; i < ports.size(); ++i) {
      FakePort& p = *ports[i];
      auto& box = HubRig::Box(p);
      if (c.ports[i] == -1) {
        EXPECT_EQ(p.connects.load(), 0);
        EXPECT_FALSE(box.enabled);
        continue;
      }
      EXPECT_TRUE(box.visible);
      EXPECT_EQ(box.color, c.ports[i] == 1 ? kLightGreen : kLightRed);
      EXPECT_EQ(p.Connected.load(), c.connected && c.ports[i] == 1);
    }
    rig.ports.DisconnectAll();
  }
}

TEST(PortListTest, StartCheckLostAndTerminalPort) {
  HubRig rig;
  auto& a = rig.AddPort();
  auto& b = rig.AddPort();
  auto& off = rig.AddPort();
  off.SetDisabled(true);
  rig.ports.ConnectAll();
  rig.ports.StartAll();
  EXPECT_EQ(a.starts.load(), 1);
  EXPECT_EQ(off.starts.load(), 0);

  EXPECT_FALSE(rig.ports.CheckLost());
  a.lost = true;
  EXPECT_TRUE(rig.ports.CheckLost());
  EXPECT_FALSE(a.Connected.load());
  EXPECT_TRUE(rig.loss.ConnLost.load());
  EXPECT_TRUE(rig.ports.AnyConnected());
  b.lost = true;
  EXPECT_TRUE(rig.ports.CheckLost());
  EXPECT_FALSE(rig.ports.AnyConnected());

  rig.ports.SetTerminalPort(2);
  EXPECT_FALSE(a.IsTerminalPort.load());
  EXPECT_TRUE(b.IsTerminalPort.load());
  rig.ports.SetTerminalPort(0);
  EXPECT_FALSE(b.IsTerminalPort.load());
  rig.ports.HideAllStatusLights();
  EXPECT_FALSE(HubRig::Box(a).visible);
}

TEST(PortListTest, TestConnectionOpensAndClosesOnce) {
  HubRig rig;
  auto& a = rig.AddPort();
  auto& bad = rig.AddPort();
  bad.opens = false;
  int reentered = 0;
  bool removed = true;
  rig.view.onPump = [&] {
    ++reentered;
    rig.ports.TestConnection();  // a second test while one runs does nothing
    // Freeing ports from a pumped message would leave the walk dangling.
    removed = rig.ports.Remove(a);
    rig.ports.FreeAll();
  };
  rig.ports.TestConnection();
  EXPECT_FALSE(removed);
  EXPECT_EQ(rig.ports.Count(), 2);
  EXPECT_EQ(a.connects.load(), 1);
  EXPECT_FALSE(a.Connected.load());
  EXPECT_EQ(HubRig::Box(a).color, kLightGreen);
  EXPECT_EQ(HubRig::Box(bad).color, kLightRed);
  EXPECT_GE(reentered, 1);
  EXPECT_FALSE(rig.ports.PortTestRunning());

  rig.view.onPump = nullptr;
  rig.hub.Connect();
  ASSERT_TRUE(rig.hub.Connected.load());
  rig.ports.TestConnection();  // while connected: nothing
  EXPECT_EQ(a.connects.load(), 2);
  rig.hub.Disconnect();
}

TEST(PortListTest, RemoveAndFreeAll) {
  HubRig rig;
  int before = 0, after = 0;
  rig.ports.OnBeforeFreeAll = [&] { ++before; };
  rig.ports.OnAfterFreeAll = [&] { ++after; };
  auto& a = rig.AddPort();
  auto& b = rig.AddPort();
  rig.AddPort();
  EXPECT_EQ(rig.ports.Count(), 3);
  EXPECT_EQ(rig.ports.IndexOf(b), 1);
  rig.ports.ConnectAll();
  EXPECT_TRUE(rig.ports.Remove(b));  // closed and joined first
  EXPECT_EQ(rig.ports.Count(), 2);
  EXPECT_EQ(rig.ports.At(0), &a);
  EXPECT_EQ(rig.ports.At(5), nullptr);
  rig.ports.FreeAll();
  EXPECT_EQ(rig.ports.Count(), 0);
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
}

TEST(PortListTest, KeySetsInFixedOrderWithSharedEntries) {
  HubRig rig;
  TFLSetList sets;
  TQXPort::RegisterKeySets(sets, &rig.ports);
  const char* names[] = {"QXCOMPORT", "QXUDPPORT", "QXURLPORT", "QXTCPSERVER", "QXTCPCONNECTION"};
  ASSERT_EQ(sets.Count(), 5);
  for (int i = 0; i < 5; ++i) {
    const TFLSet& set = sets[i];
    EXPECT_EQ(set.Name, std::string(names[i]).substr(0, 16));
    ASSERT_GE(set.Count(), 3);
    EXPECT_EQ(set.Entries.front()->Key, "disabled");
    EXPECT_EQ(set.Entries[static_cast<size_t>(set.Count() - 2)]->Key, "filterActive");
    EXPECT_EQ(set.Entries.back()->Key, "filterBounds");
  }
  // The pair entry reads and writes both bounds.
  FakePort p;
  const TFLEintrag& bounds = *sets[0].Entries.back();
  EXPECT_EQ(bounds.ValueToText(p), "x=50 y=999");
  EXPECT_TRUE(bounds.TextToValue(p, "x=100 y=200"));
  EXPECT_EQ(p.FilterLow.load(), 100);
  EXPECT_EQ(p.FilterHigh.load(), 200);
}

TEST(PortListTest, PortsKeepTheirDefaults) {
  FakePort p;
  EXPECT_FALSE(p.Disabled);
  EXPECT_FALSE(p.Connected.load());
  EXPECT_FALSE(p.FilterActive.load());
  EXPECT_EQ(p.FilterLow.load(), 50);
  EXPECT_EQ(p.FilterHigh.load(), 999);
  EXPECT_EQ(p.Hub(), nullptr);
  EXPECT_FALSE(p.DeliverFrame("#1F1;", true));  // not in a list: dropped safely
}

}  // namespace
}  // namespace qx
