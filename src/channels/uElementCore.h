// The element as the channel hub and the formula language see it (module
// uElementCore).
//
// The Qt element class derives from TElementCore; the hub only keeps
// references to elements in its reader and writer lists and hands them to the
// formula hooks. The compiled formula (tokens, code, dependencies) is not
// here: the formula module keeps it in the Compiled slot.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qx {

// Channel roles.
enum : int32_t {
  RoleNone = 0,
  RoleNumberIn = 1,
  RoleTextIn = 2,
  RoleOutput = 3,
  RoleNumberOrTextIn = 4,
};

// Opaque per-element data owned by the formula module.
class TCompiledSlot {
 public:
  virtual ~TCompiledSlot() = default;
};

class TElementCore {
 public:
  TElementCore();
  virtual ~TElementCore();
  TElementCore(const TElementCore&) = delete;
  TElementCore& operator=(const TElementCore&) = delete;

  // Never reused within the process; window messages refer to an element by
  // it, so a deleted element is simply not found.
  uint64_t Serial() const { return serial_; }

  int32_t ClassId = 0;
  std::string Denom;     // user's name, at most 32 characters
  std::string Source;    // formula text, at most 255 characters
  std::string TypeName;  // type label, for tracing
  int32_t ChannelRole = RoleNone;
  bool Disabled = false;
  bool InUpdateList = false;
  bool IsSubElement = false;
  bool Active = true;
  bool HideInRun = false;
  bool IsStreamElement = false;
  // Evaluated after every other reader of a channel: a recorder's row then
  // holds what its columns took from the same frame.
  bool ReadsLast = false;
  double InitValue = 0.0;

  // Compile results written by the compiler (GUI thread, never while the hub
  // is connected) and read by evaluations; the rest lives in Compiled.
  bool SourceValid = false;
  bool SourceEmpty = false;
  bool IsFormula = false;
  int32_t OutChannel = 0;
  std::unique_ptr<TCompiledSlot> Compiled;

  // Value store. The setters run on the evaluating thread under the hub's
  // receive lock and must not touch any control; overrides that react must
  // post to the GUI thread instead.
  virtual void SetValue(double value);               // store, ValueIsNumber, Changed
  virtual void SetStrValue(std::string_view value);  // store, !ValueIsNumber, Changed
  // GUI thread: repaint from the stored value; the base clears Changed.
  virtual void UpdateDisplay();
  // GUI thread: InitValue becomes the value, SetValue(InitValue), UpdateDisplay.
  virtual void ResetValue();

  double GetValue() const;          // under the value lock
  std::string GetStrValue() const;  // under the value lock
  void StoreValue(double value);    // under the value lock; flags untouched
  void StoreStrValue(std::string_view value);

  std::atomic<bool> ValueIsNumber{false};
  std::atomic<bool> Changed{false};

 private:
  void Acquire() const;
  void Release() const { valueLock_.clear(std::memory_order_release); }

  const uint64_t serial_;
  mutable std::atomic_flag valueLock_;  // short spin lock, a leaf
  double value_ = 0.0;
  std::string strValue_;
};

// Class-level routines of the element framework that the hub calls. The
// element classes come later; start-up fills these in. An empty function is
// skipped. All run on the GUI thread.
struct TElementRoutines {
  std::function<void()> UpdateDisplayAll;      // repaint changed elements
  std::function<void()> ClearCompileStateAll;  // connect clears the marks
  std::function<void()> StreamStartAll;        // run starts
  std::function<void()> StreamStopAll;         // run ends
  // Run starts, before any receive thread runs: stream elements take their
  // start tick and open their files, so the first values of a run count.
  std::function<void()> StreamPrepareAll;
};

}  // namespace qx
