// Send queue, transmit thread, connect/disconnect and the run ticks.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "channels/support/HubFakes.h"

namespace qx {
namespace {

using fakes::FakeElement;
using fakes::FakePort;
using fakes::HubRig;
using fakes::MakeFrame;

// Polls a condition with a generous time-out; never asserts on durations.
bool WaitFor(const std::function<bool()>& cond) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(SendQueueTest, NothingQueuedWhileDisconnected) {
  HubRig rig;
  rig.AddPort();
  EXPECT_FALSE(rig.hub.SendFrame(1, "#1F1;"));
  EXPECT_FALSE(rig.hub.SendQueue.Swap());
}

TEST(SendQueueTest, FullQueueLosesFramesAndFlagsSendLoss) {
  // No transmit thread: the queue is filled and drained by hand, so the 150
  // frames certainly fall into one period.
  HubRig rig;
  auto& port = rig.AddPort();
  rig.ports.ConnectAll();
  rig.hub.Connected = true;
  std::vector<std::string> frames;
  for (int i = 0; i < 150; ++i) {
    frames.push_back(MakeFrame(1, 'F', std::to_string(i)));
    EXPECT_TRUE(rig.hub.SendFrame(1, frames.back()));  // a port was there, lost or not
  }
  EXPECT_TRUE(rig.loss.SendLoss.load());
  EXPECT_EQ(rig.hub.SendQueue.LostCount(), 49u);
  rig.hub.TransmitQueued();
  EXPECT_EQ(port.Sent(), std::vector<std::string>(frames.begin(), frames.begin() + 101));
  rig.hub.DisplayTimerTick();
  EXPECT_TRUE(rig.labels.lit[0]);
  EXPECT_FALSE(rig.labels.lit[1]);
  rig.hub.Connected = false;
}

TEST(SendQueueTest, FramesFromSeveralThreadsArriveInOrder) {
  HubRig rig;
  auto& port = rig.AddPort();
  auto& filtered = rig.AddPort();
  filtered.FilterActive = true;
  filtered.FilterLow = filtered.FilterHigh = 300;
  rig.hub.Connect();
  ASSERT_TRUE(rig.hub.Connected.load());
  constexpr int kThreads = 4, kEach = 25;  // 100 frames fit into one period
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        const int ch = 100 + t;
        EXPECT_TRUE(rig.hub.SendFrame(ch, MakeFrame(ch, 'F', std::to_string(i))));
      }
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_TRUE(WaitFor([&] { return port.Sent().size() == kThreads * kEach; }));
  int next[kThreads] = {};
  for (const std::string& f : port.Sent()) {
    const int t = std::stoi(f.substr(1, 3)) - 100;
    EXPECT_EQ(f.substr(5), std::to_string(next[t]++) + ";");
  }
  EXPECT_TRUE(filtered.Sent().empty());
  port.SetFilterActive(true);
  port.SetFilterLow(500);
  EXPECT_TRUE(rig.hub.SendFrame(300, "#300F1;"));   // the filtered port takes 300
  EXPECT_FALSE(rig.hub.SendFrame(301, "#301F1;"));  // nobody takes 301
  EXPECT_TRUE(rig.hub.SendFrame(49, "#49F1;"));     // below 50: everybody
  rig.hub.Disconnect();
  EXPECT_FALSE(rig.loss.SendLoss.load());
  EXPECT_EQ(port.violations.load(), 0);
}

TEST(RunControlTest, ConnectWithoutPortsAndDisconnect) {
  HubRig rig;
  rig.labels.lit[2] = true;
  rig.loss.RecvLossEvent();  // an overflow before connecting is forgotten
  rig.hub.Connect();
  EXPECT_TRUE(rig.hub.Connected.load());
  EXPECT_FALSE(rig.labels.lit[2]);
  EXPECT_EQ(rig.view.states, (std::vector<int32_t>{StateConnecting, StateConnected}));
  EXPECT_TRUE(rig.view.timers);
  EXPECT_FALSE(rig.view.editTab);
  EXPECT_EQ(rig.clearCompile, 1);
  EXPECT_EQ(rig.streamStart, 1);
  EXPECT_EQ(rig.cons.connected, 1);
  ASSERT_NE(rig.hub.TransmitThread(), nullptr);
  EXPECT_TRUE(rig.hub.TransmitThread()->Running());
  EXPECT_FALSE(rig.hub.SendFrame(5, "#5F1;"));  // queued, no port takes it

  rig.hub.DisplayTimerTick();
  EXPECT_FALSE(rig.labels.lit[1]);
  rig.hub.Connect();  // connected: nothing
  EXPECT_EQ(rig.view.states.size(), 2u);

  const int displays = rig.updateDisplayAll;
  rig.hub.Disconnect();
  EXPECT_FALSE(rig.hub.Connected.load());
  EXPECT_EQ(rig.view.states.back(), StateDisconnected);
  EXPECT_FALSE(rig.view.timers);
  EXPECT_TRUE(rig.view.editTab);
  EXPECT_EQ(rig.updateDisplayAll, displays + 1);  // last values painted once more
  EXPECT_EQ(rig.streamStop, 1);
  EXPECT_EQ(rig.cons.disconnected, 1);
  EXPECT_EQ(rig.hub.TransmitThread(), nullptr);

  rig.view.editTab = false;
  rig.hub.Disconnect();  // disconnected: only the Edit tab
  EXPECT_TRUE(rig.view.editTab);
  EXPECT_EQ(rig.view.states.size(), 3u);
}

TEST(RunControlTest, AllPortsFailing) {
  HubRig rig;
  auto& a = rig.AddPort();
  auto& b = rig.AddPort();
  a.opens = b.opens = false;
  rig.hub.Connect();
  EXPECT_FALSE(rig.hub.Connected.load());
  EXPECT_EQ(rig.view.states.back(), StateDisconnected);
  EXPECT_EQ(rig.view.page, kInterfacePageIndex);
  EXPECT_TRUE(rig.labels.lit[2]);  // lit by the closing display tick
  EXPECT_EQ(HubRig::Box(a).color, kLightRed);
  EXPECT_EQ(rig.streamStart, 0);
  EXPECT_EQ(rig.hub.TransmitThread(), nullptr);
}

TEST(RunControlTest, LostPortsEndTheRunWhenTheLastGoes) {
  HubRig rig;
  auto& a = rig.AddPort();
  auto& b = rig.AddPort();
  auto& bad = rig.AddPort();
  bad.opens = false;
  rig.hub.Connect();
  ASSERT_TRUE(rig.hub.Connected.load());
  rig.hub.DisplayTimerTick();
  EXPECT_TRUE(rig.labels.lit[2]);  // the failed port lights it even though the run started

  a.lost = true;
  rig.hub.PollTimerTick();
  EXPECT_TRUE(rig.hub.Connected.load());
  EXPECT_FALSE(a.Connected.load());
  b.lost = true;
  rig.hub.PollTimerTick();
  EXPECT_FALSE(rig.hub.Connected.load());
  EXPECT_EQ(rig.view.states.back(), StateDisconnected);
}

TEST(RunControlTest, TicksDriveTheSinks) {
  HubRig rig;
  rig.hub.DisplayTimerTick();
  rig.hub.DisplayTimerTick();
  EXPECT_EQ(rig.view.alive, (std::vector<uint32_t>{kAliveWhite, kAliveBlack}));
  rig.hub.PollTimerTick();
  EXPECT_EQ(rig.term.flushes, 0);
  EXPECT_EQ(rig.cons.flushes, 0);
  rig.term.active = true;
  rig.cons.accept = true;
  rig.hub.PollTimerTick();
  EXPECT_EQ(rig.term.flushes, 1);
  EXPECT_EQ(rig.cons.flushes, 1);
}

TEST(RunControlTest, ConnectIsNotReentered) {
  HubRig rig;
  auto& port = rig.AddPort();
  rig.view.onPump = [&] { rig.hub.Connect(); };
  rig.hub.Connect();
  EXPECT_TRUE(rig.hub.Connected.load());
  EXPECT_EQ(port.connects.load(), 1);
  EXPECT_EQ(port.starts.load(), 1);
  EXPECT_EQ(rig.streamStart, 1);
  rig.view.onPump = nullptr;
  rig.hub.Disconnect();

  // A Disconnect while Connect waits for the GUI: no run comes of it.
  rig.view.onPump = [&] { rig.hub.Disconnect(); };
  rig.hub.Connect();
  EXPECT_FALSE(rig.hub.Connected.load());
  EXPECT_FALSE(port.Connected.load());
  EXPECT_EQ(rig.hub.TransmitThread(), nullptr);
  EXPECT_EQ(rig.view.states.back(), StateDisconnected);
  EXPECT_EQ(rig.streamStart, 1);
}

// Stream elements take their start tick and open their files before any
// receive thread delivers a value, so the first frames of a run are theirs.
TEST(RunControlTest, StreamElementsArePreparedBeforeThePortsStart) {
  HubRig rig;
  auto& port = rig.AddPort();
  port.script = MakeFrame(7, 'F', "5");
  FakeElement reader(7);
  rig.hub.AddReader(7, &reader);
  int prepares = 0, startsSeen = -1, calculationsSeen = -1, streamStartsSeen = -1;
  TElementRoutines r;
  r.StreamStartAll = [&] { ++rig.streamStart; };
  r.StreamPrepareAll = [&] {
    ++prepares;
    startsSeen = port.starts.load();
    calculationsSeen = reader.Calculations.load();
    streamStartsSeen = rig.streamStart;
  };
  rig.hub.SetElementRoutines(r);

  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    port.scriptDone = false;
    rig.hub.Connect();
    ASSERT_TRUE(rig.hub.Connected.load());
    EXPECT_EQ(prepares, run);
    EXPECT_EQ(startsSeen, run - 1);  // this run's port not started yet
    EXPECT_EQ(calculationsSeen, run - 1);
    EXPECT_EQ(streamStartsSeen, run - 1);
    EXPECT_EQ(port.starts.load(), run);
    EXPECT_EQ(rig.streamStart, run);
    ASSERT_TRUE(WaitFor([&] { return port.scriptDone.load(); }));
    EXPECT_EQ(reader.Calculations.load(), run);
    rig.hub.Disconnect();
  }

  port.opens = false;  // no run: nothing is prepared
  rig.hub.Connect();
  EXPECT_FALSE(rig.hub.Connected.load());
  EXPECT_EQ(prepares, 2);
}

// Many runs with real receive and transmit threads: frames in, forwarded
// frames out (send lock inside receive lock), ports lost and removed while
// the transmit thread sends. Run under TSan as well.
TEST(RunControlTest, ConnectDisconnectCycles) {
  HubRig rig;
  FakeElement reader(7);
  FakeElement forward(8);
  forward.OnCalculate = [&] { rig.hub.SendFrame(9, "#9F1;"); };
  rig.hub.AddReader(7, &reader);
  rig.hub.AddReader(8, &forward);
  for (int cycle = 0; cycle < 60; ++cycle) {
    SCOPED_TRACE(cycle);
    std::vector<FakePort*> ports;
    for (int i = 0; i < 3; ++i) {
      auto& p = rig.AddPort();
      p.opens = !(cycle % 5 == 0 && i == 2);
      p.chunk = 1 + static_cast<size_t>((cycle + i) % 4);
      p.script = MakeFrame(7, 'F', std::to_string(cycle));
      p.script += "x#8F1;/#7F-1;";
      ports.push_back(&p);
    }
    rig.hub.Connect();
    ASSERT_TRUE(rig.hub.Connected.load());
    std::atomic<bool> stop{false};
    std::thread producer([&] {
      while (!stop.load()) rig.hub.SendFrame(20, "#20F1;");
    });
    for (FakePort* p : ports) {
      if (p->opens) {
        ASSERT_TRUE(WaitFor([&] { return p->scriptDone.load(); }));
      }
    }
    EXPECT_EQ(reader.GetValue(), static_cast<double>(cycle));  // the silent -1 stored no value
    if (cycle % 2 == 0) {
      rig.ports.Remove(*ports[0]);  // freed during the run
      ports.erase(ports.begin());
    }
    ports[0]->lost = true;
    rig.hub.PollTimerTick();
    stop = true;
    producer.join();
    rig.hub.Disconnect();
    for (FakePort* p : ports) {
      EXPECT_EQ(p->violations.load(), 0);
      EXPECT_FALSE(p->Connected.load());
    }
    rig.ports.FreeAll();
  }
}

TEST(LossNotifyTest, FlagsLightLabelsUntilReset) {
  fakes::FakeLossLabels labels;
  TLossNotify loss;
  loss.ShowFlags();  // no labels yet: fine
  loss.SetLabels(&labels);
  loss.RecvLossEvent();
  loss.ShowFlags();
  EXPECT_FALSE(loss.RecvLoss.load());  // cleared at the tick
  EXPECT_TRUE(labels.lit[1]);          // but the label stays lit
  loss.ShowFlags();
  EXPECT_TRUE(labels.lit[1]);
  std::thread([&] { loss.SendLossEvent(); }).join();
  loss.ConnLostEvent();
  loss.ShowFlags();
  EXPECT_TRUE(labels.lit[0] && labels.lit[2]);
  loss.RecvLossEvent();
  loss.Reset();
  EXPECT_FALSE(labels.lit[0] || labels.lit[1] || labels.lit[2]);
  EXPECT_FALSE(loss.RecvLoss.load());
}

}  // namespace
}  // namespace qx
