#include "formula/UInterpreter.h"

#include <type_traits>

#include "formula/uOperatorBase.h"

namespace qx {

constinit const std::atomic<double> NoChannelValues[kChannelCount] = {};

constinit TInterpreter Interpreter;

void SetChannelValues(const std::atomic<double>* values) {
  Interpreter.Channels = values != nullptr ? values : NoChannelValues;
}

void TUPNStack::Overflow() {
  LastError = kStackOverflow;
  ++ErrorCount;
}

void TUPNStack::Underflow() {
  LastError = kStackUnderflow;
  ++ErrorCount;
}

void TInterpreter::CreateStack() {
  Interpreter.UPNStack.Clear();
}

void TInterpreter::Reset() {
  UPNStack.Clear();
  UPNStack.ResetErrors();
  Code = nullptr;
  Result = 0.0;
  PreviousValue = 0.0;
  Channels = NoChannelValues;
  SheetTabs = nullptr;
  Clock = nullptr;
}

TFormulaDateTime TInterpreter::Now() const {
  if (Clock != nullptr) return Clock->Now();
  return TSystemFormulaClock().Now();
}

double TInterpreter::Run(const TCode& code, double previous) {
  Code = &code;
  PreviousValue = previous;
  Interprete();
  return Result;
}

void RunCheckedCode(TInterpreter& interpreter) {
  interpreter.InterpreteChecked();
}

void RunLeafCode(TInterpreter& interpreter) {
  interpreter.RunSteps<true>();
}

void RunFlatCode(TInterpreter& interpreter) {
  interpreter.RunSteps<false>();
}

void TInterpreter::InterpreteChecked() {
  UPNStack.Clear();
  if (Code != nullptr) {
    for (TToken* t : Code->Items()) {
      switch (t->Kind) {
        case tkInt:
          UPNStack.Push(static_cast<TIntToken*>(t)->Value);
          break;
        case tkReal:
          UPNStack.Push(static_cast<TRealToken*>(t)->Value);
          break;
        case tkChannel: {
          const int32_t ch = static_cast<TChannelToken*>(t)->Channel;
          UPNStack.Push(ch >= 0 && ch < kChannelCount ? ChannelValue(ch) : 0.0);
          break;
        }
        case tkOperator: {
          const TOperatorProc proc = static_cast<TOperatorToken*>(t)->Proc;
          if (proc != nullptr) proc(UPNStack);
          break;
        }
        case tkFunction: {
          auto* fn = static_cast<TFunctionToken*>(t);
          if (fn->CallMethod.Code != nullptr)
            fn->CallMethod.Code(fn->CallMethod.Data, *this, fn->ArgCount);
          break;
        }
        default:
          break;  // string token: nothing
      }
    }
  }
  Result = UPNStack.Pop();
}

namespace {

template <auto F, auto G>
constexpr bool kSameFn =
    std::is_same_v<std::integral_constant<decltype(F), F>, std::integral_constant<decltype(G), G>>;
// Compared as template arguments: a sanitizer build cannot compare the
// addresses at compile time.
template <double (*F)(double, double)>
constexpr bool kCallsOut = kSameFn<F, PowerOf> || kSameFn<F, ModuloOf> || kSameFn<F, BitAndOf> ||
                           kSameFn<F, BitOrOf> || kSameFn<F, BitXorOf>;

// A comparison by its mask of true outcomes, without a branch: the outcome
// index is 0 less, 1 equal, 2 greater, 3 unordered (NaN).
inline double CompareOf(uint8_t mask, double a, double b) {
  const int outcome = static_cast<int>(a == b) + 2 * static_cast<int>(a > b) +
                      3 * static_cast<int>(a != a || b != b);
  return BoolValue(((mask >> outcome) & 1u) != 0);
}

}  // namespace

// The same work as InterpreteChecked for code whose stack use was checked when
// it was built: no bounds tests, and the top of the stack in a register.
// Stack item i (1-based) is Items[i] below the depth d, item d is `top`, and
// `sp` points at Items[d]; Items[0] takes the first push's meaningless top.
// The leaf form serves code without calls out: it needs no saved registers.
// clang-format off
template <bool kLeaf>
void TInterpreter::RunSteps() {
  double* const base = UPNStack.Items;
  double* sp = base;
  double top = 0.0;
  const std::atomic<double>* const channels = Channels;
  const auto channel = [channels](int32_t i) {
    return channels[i].load(std::memory_order_relaxed);
  };
  const auto operand = [channels](const TCodeStep& o) {
    return __builtin_expect(o.Arg >= 0, 1) ? channels[o.Arg].load(std::memory_order_relaxed) : o.Value;
  };
  const TCodeStep* s = Code->Steps().data();
  const TCodeStep* const end = s + Code->Steps().size();

#if defined(__GNUC__)
  // Threaded dispatch: one indirect jump per handler predicts far better than
  // the single jump of a switch. Same order as TOpCode.
#define QX_BINARY_LABELS(name, fn) &&L_##name, &&L_##name##Const, &&L_##name##Channel, \
    &&L_##name##ChanConst, &&L_##name##ChanChan, &&L_##name##ConstChan,
  static const void* const kHandlers[] = {
      &&L_Nop, &&L_PushConst, &&L_PushChannel, &&L_PushChannel2, &&L_PushPrevious,
      QX_BINARY_OPERATORS(QX_BINARY_LABELS)
      &&L_Square, &&L_SquareChan, &&L_Sqrt, &&L_Unary, &&L_Binary, &&L_MinN, &&L_MaxN,
      &&L_If2, &&L_If3, &&L_NullN, &&L_Call, &&L_MinOps, &&L_MaxOps, &&L_Select, &&L_IfCmp,
      &&L_Nop};
#undef QX_BINARY_LABELS
  static_assert(std::size(kHandlers) == static_cast<size_t>(TOpCode::Operand) + 1);
#define QX_CASE(name) L_##name:
#define QX_NEXT                 \
  if (++s == end) goto done;    \
  goto* kHandlers[static_cast<size_t>(s->Op)];
  if (s == end) goto done;
  goto* kHandlers[static_cast<size_t>(s->Op)];
#else
#define QX_CASE(name) case TOpCode::name:
#define QX_NEXT break;
  for (; s != end; ++s) {
    switch (s->Op) {
#endif
// Leaf code never holds a step that calls out; such a handler just ends.
#define QX_CALLING(fn, ...)                      \
  if constexpr (kLeaf && kCallsOut<fn>) {       \
    goto done;                                  \
  } else {                                      \
    __VA_ARGS__;                                \
  }
  QX_CASE(Nop)
    QX_NEXT
  QX_CASE(PushConst)
    *sp++ = top;
    top = s->Value;
    QX_NEXT
  QX_CASE(PushChannel)
    *sp++ = top;
    top = channel(s->Arg);
    QX_NEXT
  QX_CASE(PushChannel2)
    *sp++ = top;
    *sp++ = channel(s->Arg);
    top = channel(s->Arg2);
    QX_NEXT
  QX_CASE(PushPrevious)
    *sp++ = top;
    top = PreviousValue;
    QX_NEXT
#define QX_BINARY_CASES(name, fn)                                   \
  QX_CASE(name)                                                     \
    QX_CALLING(fn, top = fn(*--sp, top))                            \
    QX_NEXT                                                         \
  QX_CASE(name##Const)                                              \
    QX_CALLING(fn, top = fn(top, s->Value))                         \
    QX_NEXT                                                         \
  QX_CASE(name##Channel)                                            \
    QX_CALLING(fn, top = fn(top, channel(s->Arg)))                  \
    QX_NEXT                                                         \
  QX_CASE(name##ChanConst)                                          \
    QX_CALLING(fn, *sp++ = top; top = fn(channel(s->Arg), s->Value)) \
    QX_NEXT                                                         \
  QX_CASE(name##ChanChan)                                           \
    QX_CALLING(fn, *sp++ = top;                                     \
               top = fn(channel(s->Arg), channel(s->Arg2)))         \
    QX_NEXT                                                         \
  QX_CASE(name##ConstChan)                                          \
    QX_CALLING(fn, *sp++ = top; top = fn(s->Value, channel(s->Arg))) \
    QX_NEXT
  QX_BINARY_OPERATORS(QX_BINARY_CASES)
#undef QX_BINARY_CASES
  QX_CASE(Square)
    top = top * top;
    QX_NEXT
  QX_CASE(SquareChan) {
    *sp++ = top;
    const double c = channel(s->Arg);
    top = c * c;
    QX_NEXT
  }
  QX_CASE(Sqrt)
    top = SqrtOf(top);
    QX_NEXT
  QX_CASE(Unary)
    if constexpr (kLeaf) goto done; else top = s->UnaryFn(top);
    QX_NEXT
  QX_CASE(Binary)
    if constexpr (kLeaf) goto done; else top = s->BinaryFn(*--sp, top);
    QX_NEXT
  QX_CASE(MinN)
    *sp = top;
    sp -= s->Arg - 1;
    top = MinOf(sp, s->Arg);
    QX_NEXT
  QX_CASE(MaxN)
    *sp = top;
    sp -= s->Arg - 1;
    top = MaxOf(sp, s->Arg);
    QX_NEXT
  QX_CASE(If2)
    top = IfOf(*--sp, top, 0.0);
    QX_NEXT
  QX_CASE(If3)
    sp -= 2;
    top = IfOf(sp[0], sp[1], top);
    QX_NEXT
  QX_CASE(NullN)
    sp -= s->Arg - 1;
    top = 0.0;
    QX_NEXT
  QX_CASE(Call)
    if constexpr (kLeaf) {
      goto done;
    } else {
      // Functions work on the stack object itself.
      *sp = top;
      UPNStack.Count = static_cast<int32_t>(sp - base);
      s->Proc(s->Data, *this, s->Arg);
      sp = base + UPNStack.Count;
      top = *sp;
    }
    QX_NEXT
  // As MinOf / MaxOf: the last operand starts, an earlier one replaces it
  // only when smaller (larger).
  QX_CASE(MinOps) {
    const TCodeStep* o = s + 1;
    *sp++ = top;
    top = operand(o[s->Arg - 1]);
    for (int32_t i = s->Arg - 2; i >= 0; --i) {
      const double v = operand(o[i]);
      if (v < top) top = v;
    }
    s += s->Arg;
    QX_NEXT
  }
  QX_CASE(MaxOps) {
    const TCodeStep* o = s + 1;
    *sp++ = top;
    top = operand(o[s->Arg - 1]);
    for (int32_t i = s->Arg - 2; i >= 0; --i) {
      const double v = operand(o[i]);
      if (v > top) top = v;
    }
    s += s->Arg;
    QX_NEXT
  }
  QX_CASE(Select)
    top = IfOf(top, operand(s[1]), operand(s[2]));
    s += 2;
    QX_NEXT
  QX_CASE(IfCmp)
    *sp++ = top;
    top = IfOf(CompareOf(s->Sub, operand(s[1]), operand(s[2])), operand(s[3]), operand(s[4]));
    s += 4;
    QX_NEXT
#undef QX_CALLING
#if defined(__GNUC__)
done:
#else
    }
  }
#endif
#undef QX_CASE
#undef QX_NEXT
  Result = top;
  // As after the final pop.
  UPNStack.Count = static_cast<int32_t>(sp - base) - 1;
}
// clang-format on

template void TInterpreter::RunSteps<true>();
template void TInterpreter::RunSteps<false>();

}  // namespace qx
