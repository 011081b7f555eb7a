// Functions that remember something between evaluations: "last", "z",
// "seqmin", "seqmax", "count" and "floatavg" (module uMemFunctions).
//
// Every occurrence in a compiled formula is an instance of its own, made by
// the lexer through the definition's CreateInstance. Instances live from the
// compile run that made them to the start of the next one. Calls run under the
// hub's receive lock; FreeAll and ResetAll run while nothing is evaluated (or
// under that lock, see ResetAllLocked).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

#include "formula/uFunctions.h"

namespace qx {

class TMemFunction;
class TMemFunctionSet;

// Makes one instance of a definition's function.
using TMemFactory = std::unique_ptr<TMemFunction> (*)();

// A definition in MemFunctionDefs plus the factory of its instances.
class TMemFunctionDefins final : public TFunctionDefins {
 public:
  TMemFunctionDefins(std::string_view name, int32_t argCount, TMemFactory factory,
                     TMemFunctionSet& owner);
  TMemFunctionDefins(const TMemFunctionDefins&) = delete;
  TMemFunctionDefins& operator=(const TMemFunctionDefins&) = delete;

  // A fresh instance with its own memory, registered in the owner's list.
  TFunctionDefins* CreateInstance() override;

 private:
  TMemFactory factory_;
  TMemFunctionSet& owner_;
};

// Base of the instances. The call method is FunctionCall with the instance
// as object.
class TMemFunction : public TFunctionDefins {
 public:
  TMemFunction();
  TMemFunction(const TMemFunction&) = delete;
  TMemFunction& operator=(const TMemFunction&) = delete;

  // Pops the arguments (last first), updates the memory, pushes the result.
  virtual void FunctionCall(TInterpreter& ip, int32_t argCount) = 0;
  // Memory back to its start value.
  virtual void Reset() = 0;

  // Class procedures on the program's set (MemFunctionSet). ResetAll takes no
  // lock: the value-reset command goes through TCalculator::ResetMemFunctions.
  static void Init();
  static void FreeAll();
  static void ResetAll();
};

class TMemFctLast : public TMemFunction {
 public:
  void FunctionCall(TInterpreter& ip, int32_t argCount) override;
  void Reset() override { Memory = 0; }
  double Memory = 0;
};

// A unit delay, the same as "last".
class TMemFctZ final : public TMemFctLast {};

class TMemFctSeqMin final : public TMemFunction {
 public:
  TMemFctSeqMin() { Reset(); }
  void FunctionCall(TInterpreter& ip, int32_t argCount) override;
  void Reset() override;
  double Memory;
};

class TMemFctSeqMax final : public TMemFunction {
 public:
  TMemFctSeqMax() { Reset(); }
  void FunctionCall(TInterpreter& ip, int32_t argCount) override;
  void Reset() override;
  double Memory;
};

class TMemFctCount final : public TMemFunction {
 public:
  void FunctionCall(TInterpreter& ip, int32_t argCount) override;
  void Reset() override { Memory = 0; }
  double Memory = 0;
};

class TMemFctFloatAvg final : public TMemFunction {
 public:
  // The window length comes from a channel and the buffer is reallocated on
  // the evaluating thread, so it is capped.
  static constexpr int32_t kMaxLength = 100000;

  void FunctionCall(TInterpreter& ip, int32_t argCount) override;
  void Reset() override;
  // The step itself: x and the length argument n; answers the result.
  double Step(double x, double n);

  std::vector<double> Buffer;
  int32_t Length = 0;
  int32_t WriteIndex = 0;
  double Average = 0;
};

// The six definitions and every instance alive. The program has one
// (MemFunctionSet); tests make their own.
class TMemFunctionSet {
 public:
  static constexpr int32_t kDefCount = 6;

  TMemFunctionSet();  // registers the six definitions in matching order
  TMemFunctionSet(const TMemFunctionSet&) = delete;
  TMemFunctionSet& operator=(const TMemFunctionSet&) = delete;

  // In the lexer's matching order: "last", "z", "seqmin", "seqmax", "count",
  // "floatavg".
  [[nodiscard]] std::span<TFunctionDefins* const> MemFunctionDefs() const { return defPtrs_; }
  [[nodiscard]] const std::vector<std::unique_ptr<TMemFunction>>& MemFunctions() const {
    return instances_;
  }

  // Frees every instance (tokens that refer to them must be rebuilt).
  void FreeAll() { instances_.clear(); }
  // Every instance back to its start value.
  void ResetAll();
  // The value-reset command: the same, under the hub's receive lock, since
  // a run may be evaluating at that moment.
  void ResetAllLocked(std::mutex& receiveLock);

  TMemFunction* Adopt(std::unique_ptr<TMemFunction> instance);

 private:
  std::vector<std::unique_ptr<TMemFunctionDefins>> defs_;
  std::array<TFunctionDefins*, kDefCount> defPtrs_{};
  std::vector<std::unique_ptr<TMemFunction>> instances_;
};

// The program's set; created by TMemFunction::Init (start-up).
extern std::unique_ptr<TMemFunctionSet> MemFunctionSet;

}  // namespace qx
