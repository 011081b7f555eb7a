// Value stack and interpreter of the formula language.
//
// Evaluations never overlap: every caller holds the channel hub's receive
// lock. The interpreter therefore takes no lock, allocates nothing and never
// throws; a guarded arithmetic fault gives NaN.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "channels/uChannels.h"
#include "formula/UParser.h"
#include "formula/uFunctions.h"

namespace qx {

inline constexpr int32_t kUPNStackSize = 1000;

inline constexpr std::string_view kStackOverflow = "Overflow of UPNStack, max 1000 Items";
inline constexpr std::string_view kStackUnderflow =
    "Cant perform pop operation from empty UPNstack!";

class TUPNStack {
 public:
  // Full: the value is dropped and the overflow reported.
  void Push(double value) {
    if (Count >= kUPNStackSize) {
      Overflow();
      return;
    }
    Items[++Count] = value;
  }
  // Empty: reported, and the answer is 0.
  double Pop() {
    if (Count <= 0) {
      Underflow();
      return 0.0;
    }
    return Items[Count--];
  }
  void Clear() { Count = 0; }

  // Items 1 to 1000 hold the values, item Count the top; item 0 is a spare
  // slot for the compiled code's register-held top.
  double Items[kUPNStackSize + 1] = {};
  int32_t Count = 0;
  // The last overflow or underflow report (a literal; nothing is allocated)
  // and how many there were since the last ResetErrors.
  std::string_view LastError;
  int32_t ErrorCount = 0;
  void ResetErrors() {
    LastError = {};
    ErrorCount = 0;
  }

 private:
  void Overflow();
  void Underflow();
};

// Channel values read when no array was set: 1000 zeros.
extern const std::atomic<double> NoChannelValues[kChannelCount];

class TInterpreter {
 public:
  TInterpreter() = default;
  TInterpreter(const TInterpreter&) = delete;
  TInterpreter& operator=(const TInterpreter&) = delete;

  // Runs Code and stores the result, with the runner the code chose when it
  // was built: a function made for its shape, the flat steps when the code
  // is safe, otherwise the token-by-token path with checked pushes and pops.
  void Interprete() {
    if (Code != nullptr) [[likely]]
      Code->Runner()(*this);
    else
      InterpreteChecked();
  }
  // The token-by-token path alone (also what Interprete falls back to).
  void InterpreteChecked();
  // Convenience: Code := code, PreviousValue := previous, run, Result.
  double Run(const TCode& code, double previous = 0.0);

  // Back to the state after start-up (stack, result, previous value, hooks
  // and channel values).
  void Reset();

  TUPNStack UPNStack;
  const TCode* Code = nullptr;
  double Result = 0.0;
  double PreviousValue = 0.0;  // what "ans" pushes
  // 1000 channel values, read with relaxed loads (writes happen under the
  // same receive lock that serialises the evaluations).
  const std::atomic<double>* Channels = NoChannelValues;
  IFormulaSheetTabs* SheetTabs = nullptr;  // none: "sheet" sees no tabs
  const IFormulaClock* Clock = nullptr;    // none: the system clock

  [[nodiscard]] double ChannelValue(int32_t channel) const {
    return Channels[channel].load(std::memory_order_relaxed);
  }
  [[nodiscard]] TFormulaDateTime Now() const;

  // Clears the program's stack (start-up).
  static void CreateStack();

 private:
  friend void RunLeafCode(TInterpreter& interpreter);
  friend void RunFlatCode(TInterpreter& interpreter);
  template <bool kLeaf>
  void RunSteps();
};

// The program's interpreter; tests may build their own.
extern TInterpreter Interpreter;

// The channel hub's 1000 values, set at start-up (null restores the zeros).
void SetChannelValues(const std::atomic<double>* values);

}  // namespace qx
