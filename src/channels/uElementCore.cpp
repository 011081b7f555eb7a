#include "channels/uElementCore.h"

#include <thread>

namespace qx {

namespace {
std::atomic<uint64_t> nextSerial{1};
}  // namespace

TElementCore::TElementCore() : serial_(nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

TElementCore::~TElementCore() = default;

void TElementCore::Acquire() const {
  while (valueLock_.test_and_set(std::memory_order_acquire)) {
    // Held only around one store or read: spin a little, then yield.
    for (int i = 0; i < 5 && valueLock_.test(std::memory_order_relaxed); ++i) {
    }
    std::this_thread::yield();
  }
}

void TElementCore::SetValue(double value) {
  StoreValue(value);
  ValueIsNumber.store(true, std::memory_order_relaxed);
  Changed.store(true, std::memory_order_release);
}

void TElementCore::SetStrValue(std::string_view value) {
  StoreStrValue(value);
  ValueIsNumber.store(false, std::memory_order_relaxed);
  Changed.store(true, std::memory_order_release);
}

void TElementCore::UpdateDisplay() {
  Changed.store(false, std::memory_order_relaxed);
}

void TElementCore::ResetValue() {
  StoreValue(InitValue);
  SetValue(InitValue);
  UpdateDisplay();
}

double TElementCore::GetValue() const {
  Acquire();
  const double v = value_;
  Release();
  return v;
}

std::string TElementCore::GetStrValue() const {
  Acquire();
  struct Unlock {
    const TElementCore* e;
    ~Unlock() { e->Release(); }
  } unlock{this};  // the copy may throw
  return strValue_;
}

void TElementCore::StoreValue(double value) {
  Acquire();
  value_ = value;
  Release();
}

void TElementCore::StoreStrValue(std::string_view value) {
  Acquire();
  struct Unlock {
    const TElementCore* e;
    ~Unlock() { e->Release(); }
  } unlock{this};  // the assignment may throw
  strValue_.assign(value);
}

}  // namespace qx
