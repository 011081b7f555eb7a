// Tick counter and interval timer thread (module uTiming).
//
// TVirtualTickcount64 extends a wrapping 32-bit millisecond tick to 64 bits.
// The platform tick is std::chrono::steady_clock in milliseconds, cut to 32
// bits; tests inject their own 32-bit source. The wrap rule itself is the
// small lock-free class TTickExtender64 so it can be tested alone.
//
// TCompareTimer is a thread that calls OnTimer every Interval ms measured on a
// TVirtualTickcount64, passing the running time since it was (re)started,
// pauses excluded. It is joined on destruction (or by Terminate()).
//
// Safety rules: an Interval below 1 never fires (it would otherwise fire
// without end); an exception thrown by OnTimer is swallowed so the
// thread lives on; all timer state is guarded by a mutex, so Restart,
// SetEnabled, SetInterval and SetOnTimer may be called from any thread at any
// time.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qx {

// A platform 32-bit millisecond tick.
using TTickSource32 = std::function<uint32_t()>;

// steady_clock milliseconds, truncated to 32 bits (wraps after ~49.7 days).
uint32_t SystemTick32();

// The wrap rule (steps 2 to 4 of GetTickCount64); not thread-safe by itself.
class TTickExtender64 {
 public:
  // If cur32 is below the last value seen, the tick has wrapped: Offset64 +=
  // 2^32. Last32 := cur32. Answers Offset64 + cur32.
  uint64_t Extend(uint32_t cur32);
  uint32_t Last32() const { return last32_; }
  uint64_t Offset64() const { return offset64_; }

 private:
  uint32_t last32_ = 0;
  uint64_t offset64_ = 0;
};

class TVirtualTickcount64 {
 public:
  // How often the owner must call SampleTimer (the shell drives it by a
  // QTimer); 500 s, far below the 49.7 days of one wrap.
  static constexpr int32_t SampleIntervalMs = 500000;

  TVirtualTickcount64();                               // SystemTick32 source
  explicit TVirtualTickcount64(TTickSource32 source);  // injected source

  // Current 64-bit millisecond count; one atomic step (any thread).
  uint64_t GetTickCount64();
  // Reads the counter once so a wrap is noticed even when no one else reads.
  void SampleTimer() { (void)GetTickCount64(); }

 private:
  TTickSource32 source_;
  std::mutex lock_;
  TTickExtender64 ext_;
};

// The single instance, created by the start-up sequence; null
// until then. TCompareTimer uses it when given no counter.
extern TVirtualTickcount64* VirtualTickCounter;

class TCompareTimer {
 public:
  // Elapsed: ms since (re)start, pauses excluded. Runs on the timer thread.
  using TTimerEvent = std::function<void(uint64_t elapsed)>;

  // Starts the thread at once, disabled, with the idle handler. counter:
  // the tick counter to measure on; null = VirtualTickCounter when set, else a
  // counter of the timer's own. The counter must outlive the timer.
  explicit TCompareTimer(TVirtualTickcount64* counter = nullptr);
  ~TCompareTimer();  // Terminate()
  TCompareTimer(const TCompareTimer&) = delete;
  TCompareTimer& operator=(const TCompareTimer&) = delete;

  void SetInterval(int32_t ms);
  int32_t Interval() const { return interval_.load(); }
  // Null is taken as the idle handler. Takes effect from the next firing.
  void SetOnTimer(TTimerEvent handler);
  void SetEnabled(bool on);
  bool Enabled() const { return enabled_.load(); }
  // Disables the timer and, unless called from OnTimer itself, waits until a
  // firing in progress has returned: afterwards no OnTimer runs until the next
  // enabling, so its owner may change what the handler reads. The handler
  // may take locks; the caller must hold none of them.
  void DisableAndWait();
  // Saved := 0; Due and Start := now: elapsed time starts again from 0.
  void Restart();
  // True while the thread is in its enabled loop (it has taken Start and Due
  // after the last enabling and not yet noticed a disabling).
  bool Running();
  // Asks the thread to end and joins it; idempotent. Must not be called from
  // OnTimer itself.
  void Terminate();

  static void IdleTimer(uint64_t /*elapsed*/) {}

  // Timing constants of the polling loop.
  static constexpr int32_t IdleSleepMs = 100;
  static constexpr int32_t PollSleepMs = 5;

 private:
  void Execute();
  bool SleepMs(std::unique_lock<std::mutex>& lk, int32_t ms);  // false: end

  std::unique_ptr<TVirtualTickcount64> ownCounter_;
  TVirtualTickcount64* counter_;
  std::atomic<int32_t> interval_{1000};
  std::atomic<bool> enabled_{false};

  std::mutex m_;  // guards everything below
  std::condition_variable cv_;
  bool terminated_ = false;
  bool running_ = false;  // thread's view: it is in the enabled loop
  bool inTick_ = false;   // OnTimer is running (set and cleared under m_)
  TTimerEvent onTimer_;
  uint64_t start_ = 0;
  uint64_t due_ = 0;
  uint64_t now_ = 0;
  uint64_t saved_ = 0;

  std::thread thread_;  // last: started after every field is initialised
};

}  // namespace qx
