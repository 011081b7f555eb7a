#include "foundation/uTiming.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qx {
namespace {

using namespace std::chrono_literals;

// Waits (really) until pred holds or the deadline passes.
template <class Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// ------------------------------------------------------------- wrap rule

TEST(TTickExtender64, WrapFromSixBelowTopToFiveAddsEleven) {
  TTickExtender64 ext;
  const uint32_t before = 0xFFFFFFFFu - 5;  // six below 2^32
  const uint64_t a = ext.Extend(before);
  EXPECT_EQ(a, before);
  const uint64_t b = ext.Extend(5);
  EXPECT_EQ(b, (uint64_t{1} << 32) + 5);
  EXPECT_EQ(b - a, 11u);
  EXPECT_EQ(ext.Offset64(), uint64_t{1} << 32);
  EXPECT_EQ(ext.Last32(), 5u);
}

TEST(TTickExtender64, EqualOrRisingTicksDoNotWrap) {
  TTickExtender64 ext;
  EXPECT_EQ(ext.Extend(0), 0u);
  EXPECT_EQ(ext.Extend(0), 0u);
  EXPECT_EQ(ext.Extend(100), 100u);
  EXPECT_EQ(ext.Extend(100), 100u);
  EXPECT_EQ(ext.Offset64(), 0u);
}

TEST(TTickExtender64, SeveralWraps) {
  TTickExtender64 ext;
  uint64_t last = 0;
  for (int w = 0; w < 3; ++w) {
    for (uint32_t t : {0x10u, 0x80000000u, 0xFFFFFFF0u}) {
      const uint64_t v = ext.Extend(t);
      EXPECT_GT(v, last);
      last = v;
    }
  }
  EXPECT_EQ(ext.Offset64(), uint64_t{2} << 32);
}

TEST(TVirtualTickcount64, InjectedSourceAcrossWrap) {
  uint32_t tick = 0xFFFFFFFFu - 5;
  TVirtualTickcount64 c([&] { return tick; });
  const uint64_t a = c.GetTickCount64();
  tick = 5;
  EXPECT_EQ(c.GetTickCount64() - a, 11u);
  tick = 7;
  c.SampleTimer();
  EXPECT_EQ(c.GetTickCount64(), (uint64_t{1} << 32) + 7);
}

TEST(TVirtualTickcount64, ConcurrentReadersAcrossWrapsAddOncePerWrap) {
  // Each reading advances the 32-bit tick by 2^28, so every 16 readings wrap.
  std::atomic<uint64_t> raw{0};
  TVirtualTickcount64 c([&] { return static_cast<uint32_t>(raw.fetch_add(uint64_t{1} << 28)); });
  constexpr int kThreads = 4;
  constexpr int kReads = 2000;
  std::vector<std::thread> ts;
  std::atomic<int> nonMonotonic{0};
  for (int t = 0; t < kThreads; ++t)
    ts.emplace_back([&] {
      uint64_t last = 0;
      for (int i = 0; i < kReads; ++i) {
        const uint64_t v = c.GetTickCount64();
        if (v < last) nonMonotonic.fetch_add(1);
        last = v;
      }
    });
  for (auto& t : ts) t.join();
  EXPECT_EQ(nonMonotonic.load(), 0);
  // The next reading equals the raw 64-bit value: no wrap counted twice or lost.
  const uint64_t expected = raw.load();
  EXPECT_EQ(c.GetTickCount64(), expected);
}

TEST(TVirtualTickcount64, SystemSourceFollowsSteadyClock) {
  TVirtualTickcount64 c;
  const uint64_t a = c.GetTickCount64();
  std::this_thread::sleep_for(30ms);
  const uint64_t b = c.GetTickCount64();
  EXPECT_GE(b - a, 25u);
  EXPECT_LT(b - a, 5000u);
}

// ------------------------------------------------------------ interval thread

// A counter on a 32-bit tick the test moves by hand.
struct FakeClock {
  std::atomic<uint32_t> now{1000000};
  TVirtualTickcount64 counter{[this] { return now.load(); }};
  void Advance(uint32_t ms) { now.fetch_add(ms); }
};

struct Recorder {
  std::mutex m;
  std::vector<uint64_t> elapsed;
  void Add(uint64_t e) {
    std::lock_guard lk(m);
    elapsed.push_back(e);
  }
  size_t Count() {
    std::lock_guard lk(m);
    return elapsed.size();
  }
  std::vector<uint64_t> Get() {
    std::lock_guard lk(m);
    return elapsed;
  }
};

void EnableAndWait(TCompareTimer& t) {
  t.SetEnabled(true);
  ASSERT_TRUE(WaitFor([&] { return t.Running(); }));
}

void DisableAndWait(TCompareTimer& t) {
  t.SetEnabled(false);
  ASSERT_TRUE(WaitFor([&] { return !t.Running(); }));
}

// A timer on the hand-moved clock whose firings are recorded.
class RecordingTimer : public ::testing::Test {
 protected:
  // Sets the interval, records every firing and enables the timer.
  void Start(int32_t interval) {
    t.SetInterval(interval);
    t.SetOnTimer([this](uint64_t e) { rec.Add(e); });
    EnableAndWait(t);
  }

  FakeClock clk;
  Recorder rec;
  TCompareTimer t{&clk.counter};  // last: stopped first, while rec still lives
};

TEST(TCompareTimer, CreatedDisabledWithIdleHandler) {
  FakeClock clk;
  TCompareTimer t(&clk.counter);
  EXPECT_FALSE(t.Enabled());
  EXPECT_FALSE(t.Running());
  clk.Advance(100000);
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(t.Running());
}

TEST_F(RecordingTimer, ThreeFiringsInThreeAndAHalfPeriods) {
  Start(1000);
  for (size_t k = 1; k <= 3; ++k) {
    clk.Advance(999);
    std::this_thread::sleep_for(15ms);
    EXPECT_EQ(rec.Count(), k - 1);
    clk.Advance(1);
    ASSERT_TRUE(WaitFor([&] { return rec.Count() == k; }));
  }
  clk.Advance(500);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(rec.Get(), (std::vector<uint64_t>{1000, 2000, 3000}));
}

TEST_F(RecordingTimer, PauseIsExcludedFromElapsed) {
  Start(1000);
  clk.Advance(1000);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 1; }));
  clk.Advance(1000);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 2; }));
  clk.Advance(500);  // elapsed 2500
  DisableAndWait(t);
  clk.Advance(10000);  // disabled for 10 s
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(rec.Count(), 2u);
  EnableAndWait(t);
  clk.Advance(999);
  std::this_thread::sleep_for(15ms);
  EXPECT_EQ(rec.Count(), 2u);  // one Interval after the enabling, not before
  clk.Advance(1);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 3; }));
  EXPECT_EQ(rec.Get()[2], 3500u);
}

TEST_F(RecordingTimer, RestartWhileEnabledStartsFromZero) {
  Start(1000);
  clk.Advance(1000);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 1; }));
  clk.Advance(500);
  t.Restart();
  clk.Advance(999);
  std::this_thread::sleep_for(15ms);
  EXPECT_EQ(rec.Count(), 1u);
  clk.Advance(1);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 2; }));
  EXPECT_EQ(rec.Get()[1], 1000u);
}

TEST_F(RecordingTimer, RestartWhileDisabledClearsSavedTime) {
  Start(1000);
  clk.Advance(1700);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 1; }));
  DisableAndWait(t);
  t.Restart();
  EnableAndWait(t);
  clk.Advance(1000);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 2; }));
  EXPECT_EQ(rec.Get()[1], 1000u);
}

TEST(TCompareTimer, BlockingHandlerIsFollowedByThreeImmediateFirings) {
  FakeClock clk;
  Recorder rec;
  TCompareTimer t(&clk.counter);
  t.SetInterval(1000);
  t.SetOnTimer([&](uint64_t e) {
    rec.Add(e);
    if (rec.Count() == 1) clk.Advance(3500);  // the handler "blocks" 3.5 periods
  });
  EnableAndWait(t);
  clk.Advance(1000);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 4; }));
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(rec.Get(), (std::vector<uint64_t>{1000, 4500, 4500, 4500}));
  clk.Advance(499);  // due 5000: not yet
  std::this_thread::sleep_for(15ms);
  EXPECT_EQ(rec.Count(), 4u);
  clk.Advance(1);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 5; }));
  EXPECT_EQ(rec.Get()[4], 5000u);
}

TEST_F(RecordingTimer, IntervalBelowOneNeverFires) {
  Start(0);
  clk.Advance(5000);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(rec.Count(), 0u);
  t.SetInterval(1000);
  ASSERT_TRUE(WaitFor([&] { return rec.Count() == 5; }));
}

TEST(TCompareTimer, ThrowingHandlerDoesNotEndTheThread) {
  FakeClock clk;
  std::atomic<int> calls{0};
  TCompareTimer t(&clk.counter);
  t.SetInterval(10);
  t.SetOnTimer([&](uint64_t) {
    calls.fetch_add(1);
    throw std::runtime_error("boom");
  });
  EnableAndWait(t);
  clk.Advance(10);
  ASSERT_TRUE(WaitFor([&] { return calls.load() == 1; }));
  clk.Advance(10);
  ASSERT_TRUE(WaitFor([&] { return calls.load() == 2; }));
}

TEST(TCompareTimer, RealClockFiresAndStops) {
  TVirtualTickcount64 counter;
  std::atomic<int> calls{0};
  TCompareTimer t(&counter);
  t.SetInterval(20);
  t.SetOnTimer([&](uint64_t) { calls.fetch_add(1); });
  t.SetEnabled(true);
  ASSERT_TRUE(WaitFor([&] { return calls.load() >= 3; }));
  DisableAndWait(t);
  const int n = calls.load();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(calls.load(), n);
}

TEST(TCompareTimer, UsesGlobalCounterOrItsOwn) {
  {
    TCompareTimer own;  // no global counter set: a counter of its own
    own.SetInterval(5);
    std::atomic<int> calls{0};
    own.SetOnTimer([&](uint64_t) { calls.fetch_add(1); });
    own.SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] { return calls.load() >= 2; }));
  }
  FakeClock clk;
  VirtualTickCounter = &clk.counter;
  {
    Recorder rec;
    TCompareTimer t;
    t.SetInterval(1000);
    t.SetOnTimer([&](uint64_t e) { rec.Add(e); });
    EnableAndWait(t);
    clk.Advance(1000);
    EXPECT_TRUE(WaitFor([&] { return rec.Count() == 1; }));
  }
  VirtualTickCounter = nullptr;
}

TEST(TCompareTimer, RestartAndSettersRaceFreeWhileRunning) {
  TVirtualTickcount64 counter;
  std::atomic<int> calls{0};
  TCompareTimer t(&counter);
  t.SetInterval(1);
  t.SetOnTimer([&](uint64_t) { calls.fetch_add(1); });
  t.SetEnabled(true);
  std::thread other([&] {
    for (int i = 0; i < 200; ++i) {
      t.Restart();
      t.SetInterval(1 + i % 3);
      if (i % 50 == 0) t.SetOnTimer([&](uint64_t) { calls.fetch_add(1); });
      std::this_thread::sleep_for(1ms);
    }
  });
  for (int i = 0; i < 20; ++i) {
    t.SetEnabled(i % 2 == 0);
    std::this_thread::sleep_for(5ms);
  }
  t.SetEnabled(true);
  other.join();
  EXPECT_TRUE(WaitFor([&] { return calls.load() > 0; }));
}

TEST(TCompareTimer, DestructionJoinsARunningHandler) {
  TVirtualTickcount64 counter;
  std::atomic<bool> inHandler{false};
  std::atomic<int> finished{0};
  std::atomic<int> calls{0};
  {
    TCompareTimer t(&counter);
    t.SetInterval(1);
    t.SetOnTimer([&](uint64_t) {
      calls.fetch_add(1);
      inHandler = true;
      std::this_thread::sleep_for(50ms);
      inHandler = false;
      finished.fetch_add(1);
    });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return inHandler.load(); }));
  }  // joins: the handler that was running has finished
  EXPECT_FALSE(inHandler.load());
  EXPECT_EQ(finished.load(), calls.load());
  const int n = calls.load();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(calls.load(), n);
}

TEST(TCompareTimer, DestructionOfAnIdleTimerJoinsItsThread) {
  auto t = std::make_unique<TCompareTimer>();
  std::this_thread::sleep_for(20ms);  // the thread is in its idle wait now
  // The idle wait watches the end request, so this returns (a hang would be
  // caught by the test time-out) and the thread is gone afterwards.
  t.reset();
  EXPECT_EQ(t, nullptr);
}

TEST(TCompareTimer, TerminateIsIdempotentAndFinal) {
  TVirtualTickcount64 counter;
  std::atomic<int> calls{0};
  TCompareTimer t(&counter);
  t.SetInterval(1);
  t.SetOnTimer([&](uint64_t) { calls.fetch_add(1); });
  t.SetEnabled(true);
  ASSERT_TRUE(WaitFor([&] { return calls.load() > 0; }));
  t.Terminate();
  EXPECT_FALSE(t.Running());
  const int n = calls.load();
  t.Terminate();       // returns at once: nothing left to join
  t.SetEnabled(true);  // no thread comes back after the end
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(calls.load(), n);
  EXPECT_FALSE(t.Running());
}

// ------------------------------------------------------ disable and wait

TEST(TCompareTimer, DisableAndWaitReturnsOnlyAfterTheRunningFiring) {
  FakeClock clk;
  std::atomic<bool> inHandler{false};
  std::atomic<bool> release{false};
  std::atomic<int> calls{0};
  TCompareTimer t(&clk.counter);
  t.SetInterval(10);
  t.SetOnTimer([&](uint64_t) {
    calls.fetch_add(1);
    inHandler = true;
    while (!release.load()) std::this_thread::yield();
    inHandler = false;
  });
  EnableAndWait(t);
  clk.Advance(10);
  ASSERT_TRUE(WaitFor([&] { return inHandler.load(); }));
  std::atomic<bool> returned{false};
  std::thread stopper([&] {
    t.DisableAndWait();
    returned = true;
  });
  ASSERT_TRUE(WaitFor([&] { return !t.Enabled(); }));
  EXPECT_FALSE(returned.load());  // the firing still runs
  release = true;
  stopper.join();
  EXPECT_FALSE(inHandler.load());
  const int n = calls.load();
  clk.Advance(1000);
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(calls.load(), n);  // nothing fires until enabled again
  EnableAndWait(t);
  clk.Advance(10);
  EXPECT_TRUE(WaitFor([&] { return calls.load() > n; }));
}

TEST(TCompareTimer, DisableAndWaitFromTheHandlerDoesNotWaitForItself) {
  FakeClock clk;
  std::atomic<int> calls{0};
  TCompareTimer t(&clk.counter);
  t.SetInterval(10);
  t.SetOnTimer([&](uint64_t) {
    calls.fetch_add(1);
    t.DisableAndWait();
  });
  EnableAndWait(t);
  clk.Advance(50);  // five firings due, but the first one disables
  ASSERT_TRUE(WaitFor([&] { return !t.Running(); }));
  EXPECT_EQ(calls.load(), 1);
  EXPECT_FALSE(t.Enabled());
}

// The owner changes what the handler reads (plain data, no lock) between a
// DisableAndWait and the next enabling; ThreadSanitizer reports any firing
// that overlaps the change.
TEST(TCompareTimer, StopStartStressWithChangesBetween) {
  TVirtualTickcount64 counter;
  std::vector<double> row(3, 1.0);  // plain: guarded only by the handshake
  double sum = 0;
  std::atomic<int> calls{0};
  std::atomic<bool> inHandler{false};
  TCompareTimer t(&counter);
  t.SetInterval(1);
  t.SetOnTimer([&](uint64_t) {
    inHandler = true;
    for (double& v : row) {
      v += 1.0;
      sum += v;
    }
    inHandler = false;
    calls.fetch_add(1);
  });
  for (int round = 0; round < 150; ++round) {
    const int before = calls.load();
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return calls.load() > before; }));
    t.DisableAndWait();
    EXPECT_FALSE(inHandler.load());
    row.assign(static_cast<size_t>(1 + round % 10), 0.5);  // a "curve count" change
    sum = 0;
  }
  EXPECT_GT(calls.load(), 150);
}

}  // namespace
}  // namespace qx
