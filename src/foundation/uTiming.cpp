#include "foundation/uTiming.h"

#include <chrono>

namespace qx {

TVirtualTickcount64* VirtualTickCounter = nullptr;

uint32_t SystemTick32() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
}

// ------------------------------------------------------------ TTickExtender64

uint64_t TTickExtender64::Extend(uint32_t cur32) {
  if (cur32 < last32_) offset64_ += uint64_t{1} << 32;
  last32_ = cur32;
  return offset64_ + cur32;
}

// -------------------------------------------------------- TVirtualTickcount64

TVirtualTickcount64::TVirtualTickcount64() : source_(&SystemTick32) {}

TVirtualTickcount64::TVirtualTickcount64(TTickSource32 source)
    : source_(source ? std::move(source) : TTickSource32(&SystemTick32)) {}

uint64_t TVirtualTickcount64::GetTickCount64() {
  // One atomic step, so two readers across a wrap do not both add 2^32.
  std::lock_guard lk(lock_);
  return ext_.Extend(source_());
}

// -------------------------------------------------------------- TCompareTimer

TCompareTimer::TCompareTimer(TVirtualTickcount64* counter) {
  if (!counter) counter = VirtualTickCounter;
  if (!counter) {
    ownCounter_ = std::make_unique<TVirtualTickcount64>();
    counter = ownCounter_.get();
  }
  counter_ = counter;
  onTimer_ = &TCompareTimer::IdleTimer;
  thread_ = std::thread([this] { Execute(); });
}

TCompareTimer::~TCompareTimer() {
  Terminate();
}

void TCompareTimer::Terminate() {
  {
    std::lock_guard lk(m_);
    terminated_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TCompareTimer::SetInterval(int32_t ms) {
  interval_.store(ms);
}

void TCompareTimer::SetOnTimer(TTimerEvent handler) {
  std::lock_guard lk(m_);
  onTimer_ = handler ? std::move(handler) : TTimerEvent(&TCompareTimer::IdleTimer);
}

void TCompareTimer::SetEnabled(bool on) {
  enabled_.store(on);
  cv_.notify_all();  // an idle thread starts without waiting out its 100 ms
}

void TCompareTimer::DisableAndWait() {
  enabled_.store(false);
  cv_.notify_all();
  if (thread_.get_id() == std::this_thread::get_id()) return;  // from OnTimer: cannot wait
  std::unique_lock lk(m_);
  cv_.wait(lk, [this] { return !inTick_; });
}

void TCompareTimer::Restart() {
  std::lock_guard lk(m_);
  const uint64_t now = counter_->GetTickCount64();
  saved_ = 0;
  due_ = now;
  start_ = now;
}

bool TCompareTimer::Running() {
  std::lock_guard lk(m_);
  return running_;
}

bool TCompareTimer::SleepMs(std::unique_lock<std::mutex>& lk, int32_t ms) {
  cv_.wait_for(lk, std::chrono::milliseconds(ms), [this] { return terminated_; });
  return !terminated_;
}

void TCompareTimer::Execute() {
  std::unique_lock lk(m_);
  while (!terminated_) {
    // 1. Idle: look again every 100 ms (or when woken).
    if (!enabled_.load()) {
      cv_.wait_for(lk, std::chrono::milliseconds(IdleSleepMs),
                   [this] { return terminated_ || enabled_.load(); });
      continue;
    }
    // 2. Becoming enabled: elapsed time continues where the last pause left it.
    now_ = counter_->GetTickCount64();
    due_ = now_;
    start_ = now_ - saved_;
    running_ = true;
    // 3. Enabled.
    while (!terminated_ && enabled_.load()) {
      now_ = counter_->GetTickCount64();
      const int32_t interval = interval_.load();
      // Due may be ahead of Now right after a Restart on another thread.
      const int64_t delta = static_cast<int64_t>(now_ - due_);
      if (interval < 1 || delta < interval) {
        SleepMs(lk, PollSleepMs);
        continue;
      }
      due_ += static_cast<uint64_t>(interval);  // no drift; late firings catch up
      const uint64_t elapsed = now_ - start_;
      TTimerEvent handler = onTimer_;
      // Set in the same lock hold as the enabled test above, so a
      // DisableAndWait either prevents this firing or waits for it.
      inTick_ = true;
      lk.unlock();
      try {
        handler(elapsed);
      } catch (...) {
        // The handler owns its errors; the timer lives on.
      }
      lk.lock();
      inTick_ = false;
      cv_.notify_all();
    }
    // 4. Becoming disabled: keep the elapsed time for the next enabling.
    if (running_) {
      saved_ = counter_->GetTickCount64() - start_;
      running_ = false;
    }
  }
}

}  // namespace qx
