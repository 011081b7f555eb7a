#include "formula/uMemFunctions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "formula/UInterpreter.h"

namespace qx {

std::unique_ptr<TMemFunctionSet> MemFunctionSet;

namespace {

void MemCall(void* object, TInterpreter& ip, int32_t argCount) {
  static_cast<TMemFunction*>(object)->FunctionCall(ip, argCount);
}

template <class T>
std::unique_ptr<TMemFunction> Make() {
  return std::make_unique<T>();
}

}  // namespace

// ---- definitions -------------------------------------------------------------

TMemFunctionDefins::TMemFunctionDefins(std::string_view name, int32_t argCount, TMemFactory factory,
                                       TMemFunctionSet& owner)
    : TFunctionDefins(TCallMethod{}, name, false, argCount, argCount),
      factory_(factory),
      owner_(owner) {}

TFunctionDefins* TMemFunctionDefins::CreateInstance() {
  TMemFunction* fn = owner_.Adopt(factory_());
  fn->Name = Name;
  fn->Variadic = Variadic;
  fn->ArgCount = ArgCount;
  fn->MaxArgs = MaxArgs;
  return fn;
}

TMemFunction::TMemFunction() {
  CallMethod = TCallMethod{&MemCall, this};
}

void TMemFunction::Init() {
  MemFunctionSet = std::make_unique<TMemFunctionSet>();
}

void TMemFunction::FreeAll() {
  if (MemFunctionSet) MemFunctionSet->FreeAll();
}

void TMemFunction::ResetAll() {
  if (MemFunctionSet) MemFunctionSet->ResetAll();
}

// ---- the set -------------------------------------------------------------------

TMemFunctionSet::TMemFunctionSet() {
  struct Row {
    std::string_view name;
    int32_t args;
    TMemFactory factory;
  };
  static constexpr Row kRows[kDefCount] = {
      {"last", 1, &Make<TMemFctLast>},     {"z", 1, &Make<TMemFctZ>},
      {"seqmin", 1, &Make<TMemFctSeqMin>}, {"seqmax", 1, &Make<TMemFctSeqMax>},
      {"count", 0, &Make<TMemFctCount>},   {"floatavg", 2, &Make<TMemFctFloatAvg>},
  };
  for (int32_t i = 0; i < kDefCount; ++i) {
    defs_.push_back(std::make_unique<TMemFunctionDefins>(kRows[i].name, kRows[i].args,
                                                         kRows[i].factory, *this));
    defPtrs_[static_cast<size_t>(i)] = defs_.back().get();
  }
}

void TMemFunctionSet::ResetAll() {
  for (auto& fn : instances_) fn->Reset();
}

void TMemFunctionSet::ResetAllLocked(std::mutex& receiveLock) {
  std::lock_guard lock(receiveLock);
  ResetAll();
}

TMemFunction* TMemFunctionSet::Adopt(std::unique_ptr<TMemFunction> instance) {
  instances_.push_back(std::move(instance));
  return instances_.back().get();
}

// ---- instances -------------------------------------------------------------------

void TMemFctLast::FunctionCall(TInterpreter& ip, int32_t /*argCount*/) {
  const double x = ip.UPNStack.Pop();
  ip.UPNStack.Push(Memory);
  Memory = x;
}

void TMemFctSeqMin::Reset() {
  Memory = std::numeric_limits<double>::infinity();
}

void TMemFctSeqMin::FunctionCall(TInterpreter& ip, int32_t /*argCount*/) {
  const double x = ip.UPNStack.Pop();
  if (x < Memory) Memory = x;  // a NaN never compares less
  ip.UPNStack.Push(Memory);
}

void TMemFctSeqMax::Reset() {
  Memory = -std::numeric_limits<double>::infinity();
}

void TMemFctSeqMax::FunctionCall(TInterpreter& ip, int32_t /*argCount*/) {
  const double x = ip.UPNStack.Pop();
  if (x > Memory) Memory = x;
  ip.UPNStack.Push(Memory);
}

void TMemFctCount::FunctionCall(TInterpreter& ip, int32_t /*argCount*/) {
  Memory += 1;
  ip.UPNStack.Push(Memory);
}

void TMemFctFloatAvg::Reset() {
  std::fill(Buffer.begin(), Buffer.end(), 0.0);
  Average = 0;
}

double TMemFctFloatAvg::Step(double x, double n) {
  // NaN, n < 1 (truncating to 0 or below) and lengths above the cap are no
  // valid window: nothing changes.
  if (!(n >= 1) || !(n < kMaxLength + 1.0)) return 0;
  const auto len = static_cast<int32_t>(n);  // truncates toward zero
  if (len != Length) {
    Length = len;
    Buffer.assign(static_cast<size_t>(len), 0.0);
    Buffer[0] = x;
    Average = x / len;
    WriteIndex = len == 1 ? 0 : 1;
    return Average;
  }
  Average += (x - Buffer[static_cast<size_t>(WriteIndex)]) / len;
  Buffer[static_cast<size_t>(WriteIndex)] = x;
  if (++WriteIndex >= len) WriteIndex = 0;
  return Average;
}

void TMemFctFloatAvg::FunctionCall(TInterpreter& ip, int32_t /*argCount*/) {
  const double n = ip.UPNStack.Pop();
  const double x = ip.UPNStack.Pop();
  ip.UPNStack.Push(Step(x, n));
}

}  // namespace qx
