#include "formula/UParser.h"

#include <atomic>
#include <cmath>
#include <functional>

#include "formula/UInterpreter.h"

namespace qx {

namespace {

constexpr double kPiValue = 3.141592653589793;
constexpr double kEuleValue = 2.718281828459045;

TOpCode OperatorOpCode(int32_t id) {
  switch (id) {
    case oiEqual:
      return TOpCode::Equal;
    case oiNotEqual:
      return TOpCode::NotEqual;
    case oiLessEqual:
      return TOpCode::LessEqual;
    case oiLess:
      return TOpCode::Less;
    case oiGreaterEqual:
      return TOpCode::GreaterEqual;
    case oiGreater:
      return TOpCode::Greater;
    case oiAdd:
      return TOpCode::Add;
    case oiSubtract:
      return TOpCode::Subtract;
    case oiMultiply:
      return TOpCode::Multiply;
    case oiDivide:
      return TOpCode::Divide;
    case oiPower:
      return TOpCode::Power;
    case oiModulo:
      return TOpCode::Modulo;
    case oiAnd:
      return TOpCode::And;
    case oiOr:
      return TOpCode::Or;
    case oiXor:
      return TOpCode::Xor;
    case oiBitAnd:
      return TOpCode::BitAnd;
    case oiBitOr:
      return TOpCode::BitOr;
    case oiBitXor:
      return TOpCode::BitXor;
    default:
      return TOpCode::Nop;
  }
}

TOpCode Shifted(TOpCode op, int by) {
  return static_cast<TOpCode>(static_cast<int>(op) + by);
}

double (*UnaryBuiltin(TBuiltin b))(double) {
  switch (b) {
    case TBuiltin::Sin:
      return SinOf;
    case TBuiltin::Cos:
      return CosOf;
    case TBuiltin::Tan:
      return TanOf;
    case TBuiltin::ArcSin:
      return ArcSinOf;
    case TBuiltin::ArcCos:
      return ArcCosOf;
    case TBuiltin::ArcTan:
      return ArcTanOf;
    case TBuiltin::Deg:
      return DegOf;
    case TBuiltin::Rad:
      return RadOf;
    case TBuiltin::Sqrt:
      return SqrtOf;
    case TBuiltin::Log:
      return LogOf;
    case TBuiltin::Ln:
      return LnOf;
    case TBuiltin::Abs:
      return AbsOf;
    case TBuiltin::Not:
      return NotOf;
    case TBuiltin::Int8:
      return Int8Of;
    case TBuiltin::Int16:
      return Int16Of;
    case TBuiltin::Int32:
      return Int32Of;
    case TBuiltin::UInt8:
      return UInt8Of;
    case TBuiltin::UInt16:
      return UInt16Of;
    case TBuiltin::UInt32:
      return UInt32Of;
    default:
      return nullptr;
  }
}

}  // namespace

// ---- Code ---------------------------------------------------------------------

void TCode::Clear() {
  items_.clear();
  steps_.clear();
  depth_ = 0;
  maxDepth_ = 0;
  unsafe_ = false;
  calls_ = false;
  mode_ = TRunMode::Checked;
  run_ = RunCheckedCode;
  shaped_ = false;
}

namespace {

constexpr int kBinaryForms = 6;

// The operator a binary step belongs to (its stack form), or Nop.
TOpCode BinaryBase(TOpCode op) {
  const int first = static_cast<int>(TOpCode::Equal);
  const int i = static_cast<int>(op) - first;
  if (i < 0 || op >= TOpCode::Square) return TOpCode::Nop;
  return static_cast<TOpCode>(first + i / kBinaryForms * kBinaryForms);
}

// Steps whose work is a call out of the interpreter (those need the slower
// entry that saves registers).
bool CallsOut(TOpCode op) {
  switch (BinaryBase(op)) {
    case TOpCode::Power:
    case TOpCode::Modulo:
    case TOpCode::BitAnd:
    case TOpCode::BitOr:
    case TOpCode::BitXor:
      return true;
    default:
      return op == TOpCode::Unary || op == TOpCode::Binary || op == TOpCode::Call;
  }
}

bool IsComparison(TOpCode base) {
  return base >= TOpCode::Equal && base <= TOpCode::GreaterEqual && base != TOpCode::Nop;
}

}  // namespace

void TCode::Emit(const TCodeStep& step, int32_t pops, int32_t pushes) {
  if (depth_ < pops) {  // only hand-built code: it runs token by token
    unsafe_ = true;
    depth_ = 0;
  } else {
    depth_ -= pops;
  }
  depth_ += pushes;
  if (depth_ > maxDepth_) maxDepth_ = depth_;
  // Deeper than the stack: the checked path drops values as the stack does.
  if (maxDepth_ > kUPNStackSize) unsafe_ = true;
  if (CallsOut(step.Op)) calls_ = true;
  steps_.push_back(step);
}

// True when the last steps are plain pushes of exactly the n top values;
// first is the index of the first of them.
bool TCode::SimpleOperands(int32_t n, size_t& first) const {
  int32_t got = 0;
  size_t i = steps_.size();
  while (got < n && i > 0) {
    const TOpCode op = steps_[i - 1].Op;
    if (op == TOpCode::PushConst || op == TOpCode::PushChannel)
      got += 1;
    else if (op == TOpCode::PushChannel2)
      got += 2;
    else
      return false;
    --i;
  }
  first = i;
  return got == n;
}

// True outcomes of a comparison, as bits: less, equal, greater, unordered.
uint8_t ComparisonMask(TOpCode base) {
  switch (base) {
    case TOpCode::Equal:
      return 0b0010;
    case TOpCode::NotEqual:
      return 0b1101;
    case TOpCode::Less:
      return 0b0001;
    case TOpCode::LessEqual:
      return 0b0011;
    case TOpCode::Greater:
      return 0b0100;
    default:
      return 0b0110;  // GreaterEqual
  }
}

// Emits step (popping pops values, pushing one); when its n top operands
// come from plain pushes, those become Operand steps behind it instead.
void TCode::EmitFused(TCodeStep step, int32_t n, int32_t pops) {
  size_t first = 0;
  if (depth_ < pops || !SimpleOperands(n, first)) {
    Emit(step, pops, 1);
    return;
  }
  std::vector<TCodeStep> args;
  args.reserve(static_cast<size_t>(n) + 3);
  for (size_t i = first; i < steps_.size(); ++i) {
    const TCodeStep& p = steps_[i];
    TCodeStep o;
    o.Op = TOpCode::Operand;
    o.Arg = p.Op == TOpCode::PushConst ? -1 : p.Arg;
    if (p.Op == TOpCode::PushConst) o.Value = p.Value;
    args.push_back(o);
    if (p.Op == TOpCode::PushChannel2) {
      o.Arg = p.Arg2;
      args.push_back(o);
    }
  }
  steps_.resize(first);
  if (step.Op == TOpCode::MinN || step.Op == TOpCode::MaxN) {
    step.Op = step.Op == TOpCode::MinN ? TOpCode::MinOps : TOpCode::MaxOps;
  } else {
    // if: then and else (a missing else is 0).
    if (step.Op == TOpCode::If2) {
      TCodeStep zero;
      zero.Op = TOpCode::Operand;
      zero.Arg = -1;
      args.push_back(zero);
    }
    step.Op = TOpCode::Select;
    // A comparison of two simple operands just before: one step for it all.
    if (!steps_.empty()) {
      const TCodeStep cmp = steps_.back();
      const TOpCode base = BinaryBase(cmp.Op);
      const int form = static_cast<int>(cmp.Op) - static_cast<int>(base);
      if (IsComparison(base) && form >= 3) {
        TCodeStep l;
        TCodeStep r;
        l.Op = r.Op = TOpCode::Operand;
        l.Arg = cmp.Arg;
        r.Arg = -1;
        if (form == 3) {  // ChanConst
          r.Value = cmp.Value;
        } else if (form == 4) {  // ChanChan
          r.Arg = cmp.Arg2;
        } else {  // ConstChan
          l.Arg = -1;
          l.Value = cmp.Value;
          r.Arg = cmp.Arg;
        }
        steps_.pop_back();
        args.insert(args.begin(), {l, r});
        step.Op = TOpCode::IfCmp;
        step.Sub = ComparisonMask(base);
      }
    }
  }
  Emit(step, pops, 1);
  steps_.insert(steps_.end(), args.begin(), args.end());
}

void TCode::EmitBinary(TOpCode op) {
  // "x 2 +" runs as one step "x +2"; the stack effect stays that of the pair.
  if (CallsOut(op) && !(op == TOpCode::Power && !steps_.empty() &&
                        steps_.back().Op == TOpCode::PushConst && steps_.back().Value == 2.0))
    calls_ = true;
  if (!steps_.empty() && depth_ >= 2) {
    TCodeStep& last = steps_.back();
    if (last.Op == TOpCode::PushConst) {
      // a ^ 2 is a * a: the commonest power costs no call.
      if (op == TOpCode::Power && last.Value == 2.0) {
        last.Op = TOpCode::Square;
        --depth_;
        // c ^ 2 of a channel c: one pushing step.
        if (steps_.size() >= 2 && steps_[steps_.size() - 2].Op == TOpCode::PushChannel) {
          steps_.pop_back();
          steps_.back().Op = TOpCode::SquareChan;
        }
        return;
      }
      const double value = last.Value;
      last.Op = Shifted(op, 1);
      --depth_;
      // Channel op constant: one pushing step.
      if (steps_.size() >= 2 && steps_[steps_.size() - 2].Op == TOpCode::PushChannel) {
        steps_.pop_back();
        steps_.back().Op = Shifted(op, 3);
        steps_.back().Value = value;
      }
      return;
    }
    if (last.Op == TOpCode::PushChannel) {
      const int32_t channel = last.Arg;
      last.Op = Shifted(op, 2);
      --depth_;
      if (steps_.size() >= 2) {
        TCodeStep& prev = steps_[steps_.size() - 2];
        if (prev.Op == TOpCode::PushConst) {  // constant op channel
          prev.Op = Shifted(op, 5);
          prev.Arg = channel;
          steps_.pop_back();
        }
      }
      return;
    }
    if (last.Op == TOpCode::PushChannel2) {
      // Both channels: one pushing step.
      last.Op = Shifted(op, 4);
      --depth_;
      return;
    }
  }
  TCodeStep step;
  step.Op = op;
  Emit(step, 2, 1);
}

void TCode::Add(TToken* token) {
  items_.push_back(token);
  Translate(token);
  Classify();
}

// ---- Whole-code shapes ----------------------------------------------------------
//
// The commonest whole formulas run as one function, without the step loop.
// Each computes exactly what the steps compute, in the same order.

namespace {

using TShapeFn = double (*)(const TCodeStep* steps, const std::atomic<double>* channels);

inline double ChannelOf(const std::atomic<double>* channels, int32_t i) {
  return channels[i].load(std::memory_order_relaxed);
}

inline double OperandOf(const TCodeStep& o, const std::atomic<double>* channels) {
  return __builtin_expect(o.Arg >= 0, 1) ? ChannelOf(channels, o.Arg) : o.Value;
}

// Keeps a product out of a fused multiply-add, which the steps never form.
inline double Rounded(double x) {
#if defined(__GNUC__) && defined(__SSE2__)
  asm("" : "+x"(x));
#endif
  return x;
}

// The runner around a shape: the state a finished run leaves.
template <TShapeFn F>
void RunShape(TInterpreter& ip) {
  ip.Result = F(ip.Code->Steps().data(), ip.Channels);
  ip.UPNStack.Count = 0;  // as after the final pop
}

double ShapeConst(const TCodeStep* s, const std::atomic<double>*) {
  return s->Value;
}

double ShapeChannel(const TCodeStep* s, const std::atomic<double>* channels) {
  return ChannelOf(channels, s->Arg);
}

double ShapeSquareChan(const TCodeStep* s, const std::atomic<double>* channels) {
  const double c = ChannelOf(channels, s->Arg);
  return c * c;
}

// SquareChan a, SquareChan b, Add, Sqrt.
double ShapeHypot(const TCodeStep* s, const std::atomic<double>* channels) {
  const double a = ChannelOf(channels, s[0].Arg);
  const double b = ChannelOf(channels, s[1].Arg);
  return SqrtOf(Rounded(a * a) + Rounded(b * b));
}

// One pushing binary step: channel op constant, channel op channel, constant
// op channel.
template <double (*F)(double, double)>
double ShapeChanConst(const TCodeStep* s, const std::atomic<double>* channels) {
  return F(ChannelOf(channels, s->Arg), s->Value);
}
template <double (*F)(double, double)>
double ShapeChanChan(const TCodeStep* s, const std::atomic<double>* channels) {
  return F(ChannelOf(channels, s->Arg), ChannelOf(channels, s->Arg2));
}
template <double (*F)(double, double)>
double ShapeConstChan(const TCodeStep* s, const std::atomic<double>* channels) {
  return F(s->Value, ChannelOf(channels, s->Arg));
}

// IfCmp with its four operands; the comparison's truth is the condition
// (1 or 0 against the truth limit).
template <typename Compare>
double ShapeIfCmp(const TCodeStep* s, const std::atomic<double>* channels) {
  const bool c = Compare{}(OperandOf(s[1], channels), OperandOf(s[2], channels));
  return c ? OperandOf(s[3], channels) : OperandOf(s[4], channels);
}
// The commonest: if(channel <cmp> constant; channel; channel).
template <typename Compare>
double ShapeIfCmpChannels(const TCodeStep* s, const std::atomic<double>* channels) {
  const bool c = Compare{}(ChannelOf(channels, s[1].Arg), s[2].Value);
  return c ? ChannelOf(channels, s[3].Arg) : ChannelOf(channels, s[4].Arg);
}

// MinOps / MaxOps with their operands (kCount of them, or any number when 0),
// optionally followed by one step "op constant" (F).
template <bool kMax, int32_t kCount, bool kTail, double (*F)(double, double)>
double ShapeExtreme(const TCodeStep* s, const std::atomic<double>* channels) {
  const int32_t n = kCount > 0 ? kCount : s->Arg;
  const TCodeStep* const o = s + 1;
  double m = OperandOf(o[n - 1], channels);
  for (int32_t i = n - 2; i >= 0; --i) {
    const double v = OperandOf(o[i], channels);
    if (kMax ? v > m : v < m) m = v;
  }
  if constexpr (kTail) return F(m, o[n].Value);
  return m;
}

template <bool kMax, bool kTail, double (*F)(double, double)>
TRunFn ExtremeCount(int32_t n) {
  switch (n) {
    case 2:
      return RunShape<ShapeExtreme<kMax, 2, kTail, F>>;
    case 3:
      return RunShape<ShapeExtreme<kMax, 3, kTail, F>>;
    case 4:
      return RunShape<ShapeExtreme<kMax, 4, kTail, F>>;
    default:
      return RunShape<ShapeExtreme<kMax, 0, kTail, F>>;
  }
}

TRunFn OneStepShape(const TCodeStep& step) {
  switch (step.Op) {
    case TOpCode::PushConst:
      return RunShape<ShapeConst>;
    case TOpCode::PushChannel:
      return RunShape<ShapeChannel>;
    case TOpCode::SquareChan:
      return RunShape<ShapeSquareChan>;
#define QX_SHAPE_CASES(name, fn)         \
  case TOpCode::name##ChanConst:         \
    return RunShape<ShapeChanConst<fn>>; \
  case TOpCode::name##ChanChan:          \
    return RunShape<ShapeChanChan<fn>>;  \
  case TOpCode::name##ConstChan:         \
    return RunShape<ShapeConstChan<fn>>;
      QX_BINARY_OPERATORS(QX_SHAPE_CASES)
#undef QX_SHAPE_CASES
    default:
      return nullptr;
  }
}

template <typename Compare>
TRunFn IfCmpRunner(const TCodeStep* s) {
  if (s[1].Arg >= 0 && s[2].Arg < 0 && s[3].Arg >= 0 && s[4].Arg >= 0)
    return RunShape<ShapeIfCmpChannels<Compare>>;
  return RunShape<ShapeIfCmp<Compare>>;
}

TRunFn IfCmpShape(const TCodeStep* s) {
  switch (s->Sub) {
    case 0b0010:
      return IfCmpRunner<std::equal_to<double>>(s);
    case 0b1101:
      return IfCmpRunner<std::not_equal_to<double>>(s);
    case 0b0001:
      return IfCmpRunner<std::less<double>>(s);
    case 0b0011:
      return IfCmpRunner<std::less_equal<double>>(s);
    case 0b0100:
      return IfCmpRunner<std::greater<double>>(s);
    case 0b0110:
      return IfCmpRunner<std::greater_equal<double>>(s);
    default:
      return nullptr;
  }
}

template <bool kMax>
TRunFn ExtremeShape(int32_t n, const TCodeStep* tail) {
  if (tail == nullptr) return ExtremeCount<kMax, false, AddOf>(n);
  switch (tail->Op) {
    case TOpCode::AddConst:
      return ExtremeCount<kMax, true, AddOf>(n);
    case TOpCode::SubtractConst:
      return ExtremeCount<kMax, true, SubtractOf>(n);
    case TOpCode::MultiplyConst:
      return ExtremeCount<kMax, true, MultiplyOf>(n);
    case TOpCode::DivideConst:
      return ExtremeCount<kMax, true, DivideOf>(n);
    default:
      return nullptr;
  }
}

}  // namespace

void TCode::Classify() {
  mode_ = !Safe() ? TRunMode::Checked : calls_ ? TRunMode::Flat : TRunMode::Leaf;
  run_ = mode_ == TRunMode::Checked ? RunCheckedCode
         : mode_ == TRunMode::Leaf  ? RunLeafCode
                                    : RunFlatCode;
  shaped_ = false;
  if (mode_ == TRunMode::Checked || depth_ != 1 || steps_.empty()) return;
  TRunFn shape = nullptr;
  const TCodeStep* const s = steps_.data();
  const size_t size = steps_.size();
  const auto operands = [s](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (s[i].Op != TOpCode::Operand) return false;
    return true;
  };
  if (size == 1) {
    shape = OneStepShape(s[0]);
  } else if (size == 4 && s[0].Op == TOpCode::SquareChan && s[1].Op == TOpCode::SquareChan &&
             s[2].Op == TOpCode::Add && s[3].Op == TOpCode::Sqrt) {
    shape = RunShape<ShapeHypot>;
  } else if (size == 5 && s[0].Op == TOpCode::IfCmp && operands(1, 5)) {
    shape = IfCmpShape(s);
  } else if ((s[0].Op == TOpCode::MaxOps || s[0].Op == TOpCode::MinOps) && s[0].Arg >= 1) {
    const size_t n = static_cast<size_t>(s[0].Arg);
    if ((size != n + 1 && size != n + 2) || !operands(1, n + 1)) return;
    const TCodeStep* const tail = size == n + 2 ? &s[n + 1] : nullptr;
    shape = s[0].Op == TOpCode::MaxOps ? ExtremeShape<true>(s[0].Arg, tail)
                                       : ExtremeShape<false>(s[0].Arg, tail);
  }
  if (shape != nullptr) {
    run_ = shape;
    shaped_ = true;
  }
}

void TCode::Translate(TToken* token) {
  TCodeStep step;
  switch (token->Kind) {
    case tkInt:
      step.Op = TOpCode::PushConst;
      step.Value = static_cast<TIntToken*>(token)->Value;
      Emit(step, 0, 1);
      return;
    case tkReal:
      step.Op = TOpCode::PushConst;
      step.Value = static_cast<TRealToken*>(token)->Value;
      Emit(step, 0, 1);
      return;
    case tkChannel:
      step.Op = TOpCode::PushChannel;
      step.Arg = static_cast<TChannelToken*>(token)->Channel;
      // Out-of-range channels cannot come from the lexer; keep them off the
      // fast path anyway.
      if (step.Arg < 0 || step.Arg >= kChannelCount) unsafe_ = true;
      // Two channels in a row (common in argument lists) take one step.
      if (!steps_.empty() && steps_.back().Op == TOpCode::PushChannel) {
        TCodeStep pair = steps_.back();
        steps_.pop_back();
        pair.Op = TOpCode::PushChannel2;
        pair.Arg2 = step.Arg;
        Emit(pair, 0, 1);
        return;
      }
      Emit(step, 0, 1);
      return;
    case tkOperator: {
      auto* op = static_cast<TOperatorToken*>(token);
      step.Op = op->Proc == nullptr ? TOpCode::Nop : OperatorOpCode(op->OperatorIndex);
      if (step.Op == TOpCode::Nop) {
        // Nothing happens (or a procedure of its own: run token by token).
        if (op->Proc != nullptr) unsafe_ = true;
        Emit(step, 0, 0);
        return;
      }
      if (op->Proc != Operators[static_cast<size_t>(op->OperatorIndex)].Proc) unsafe_ = true;
      EmitBinary(step.Op);
      return;
    }
    case tkFunction: {
      auto* fn = static_cast<TFunctionToken*>(token);
      const int32_t n = fn->ArgCount;
      const TFunctionDefins* def = fn->Definition;
      const TBuiltin b = def != nullptr && fn->CallMethod.Code == def->CallMethod.Code
                             ? def->Builtin
                             : TBuiltin::None;
      if (fn->CallMethod.Code == nullptr) {
        unsafe_ = true;
        Emit(step, 0, 0);
        return;
      }
      if ((b == TBuiltin::Pi || b == TBuiltin::Eule) && n == 0) {
        step.Op = TOpCode::PushConst;
        step.Value = b == TBuiltin::Pi ? kPiValue : kEuleValue;
        Emit(step, 0, 1);
        return;
      }
      if (b == TBuiltin::Ans && n == 0) {
        step.Op = TOpCode::PushPrevious;
        Emit(step, 0, 1);
        return;
      }
      if (n == 1 && b == TBuiltin::Sqrt) {
        step.Op = TOpCode::Sqrt;
        Emit(step, 1, 1);
        return;
      }
      if (n == 1 && b == TBuiltin::Round) {
        step.Op = TOpCode::Unary;
        step.UnaryFn = RoundOf;
        Emit(step, 1, 1);
        return;
      }
      if (n == 1 && UnaryBuiltin(b) != nullptr) {
        step.Op = TOpCode::Unary;
        step.UnaryFn = UnaryBuiltin(b);
        Emit(step, 1, 1);
        return;
      }
      if (n == 2 && (b == TBuiltin::Round || b == TBuiltin::NRoot || b == TBuiltin::BitNot)) {
        step.Op = TOpCode::Binary;
        step.BinaryFn = b == TBuiltin::Round   ? RoundDigitsOf
                        : b == TBuiltin::NRoot ? NRootOf
                                               : BitNotOf;
        Emit(step, 2, 1);
        return;
      }
      if ((b == TBuiltin::Min || b == TBuiltin::Max || b == TBuiltin::Null) && n >= 1) {
        step.Op = b == TBuiltin::Min   ? TOpCode::MinN
                  : b == TBuiltin::Max ? TOpCode::MaxN
                                       : TOpCode::NullN;
        step.Arg = n;
        if (step.Op != TOpCode::NullN)
          EmitFused(step, n, n);
        else
          Emit(step, n, 1);
        return;
      }
      if (b == TBuiltin::If && (n == 2 || n == 3)) {
        step.Op = n == 2 ? TOpCode::If2 : TOpCode::If3;
        // then and else from plain pushes: taken straight from the pool.
        EmitFused(step, n - 1, n);
        return;
      }
      step.Op = TOpCode::Call;
      step.Proc = fn->CallMethod.Code;
      step.Data = fn->CallMethod.Data;
      step.Arg = n;
      Emit(step, n, 1);
      return;
    }
    default:  // string token: nothing happens
      Emit(step, 0, 0);
      return;
  }
}

// ---- Parser -------------------------------------------------------------------

void TParser::Fail(std::string_view message) {
  if (!OK) return;  // the first report stands
  OK = false;
  ReportError(Source, message, Index, Error);
}

int32_t TParser::TokenKind(int32_t index) {
  if (index < 0 || index >= Tokens->Count()) {
    Fail(kParseIncomplete);
    return 0;
  }
  return Tokens->At(index)->Kind;
}

bool TParser::IsOperator(int32_t index, int32_t operatorId) const {
  if (index < 0 || index >= Tokens->Count()) return false;
  const TToken* t = Tokens->At(index);
  return t->Kind == tkOperator &&
         static_cast<const TOperatorToken*>(t)->OperatorIndex == operatorId;
}

void TParser::Parse() {
  OK = true;
  Index = 0;
  nesting_ = 0;
  Error.Clear();
  Expression();
}

void TParser::Expression() {
  if (!OK) return;
  if (++nesting_ > kMaxNesting) {
    Fail(kParseTooDeep);
    return;
  }
  if (IsOperator(Index, oiSubtract)) {
    NegativeSign();
  } else {
    Operand();
  }
  while (OK && Index < Tokens->Count()) {
    if (TokenKind(Index) != tkOperator) {
      Fail(kParseExpectedOperator);
      break;
    }
    if (IsOperator(Index, oiClose) || IsOperator(Index, oiSemicolon)) break;
    Operator();
  }
  --nesting_;
}

void TParser::Operator() {
  if (!OK) return;
  auto* op = static_cast<TOperatorToken*>(Tokens->At(Index));
  const TOperatorDef& def = Operators[static_cast<size_t>(op->OperatorIndex)];
  if (!def.Binary) {
    Fail(kParseWrongOperator);
    return;
  }
  ++Index;
  Operand();
  while (OK && Index < Tokens->Count()) {
    if (TokenKind(Index) != tkOperator) {
      Fail(kParseExpectedOperator);
      return;
    }
    const auto* next = static_cast<TOperatorToken*>(Tokens->At(Index));
    if (Operators[static_cast<size_t>(next->OperatorIndex)].Priority <= def.Priority) break;
    Operator();
  }
  if (OK) Code->Add(op);
}

void TParser::Operand() {
  if (!OK) return;
  const int32_t kind = TokenKind(Index);
  if (!OK) return;
  switch (kind) {
    case tkInt:
    case tkReal:
    case tkChannel:
      Code->Add(Tokens->At(Index));
      ++Index;
      return;
    case tkFunction:
      FunctionCall();
      return;
    case tkOperator:
      if (IsOperator(Index, oiOpen)) {
        Bracket();
        return;
      }
      [[fallthrough]];
    default:
      Fail(kParseExpectedOperand);
      return;
  }
}

void TParser::Bracket() {
  ++Index;  // "("
  Expression();
  if (!OK) return;
  if (!IsOperator(Index, oiClose)) {
    Fail(kParseClosingBracket);
    return;
  }
  ++Index;
}

void TParser::FunctionCall() {
  auto* fn = static_cast<TFunctionToken*>(Tokens->At(Index));
  ++Index;
  if (TokenKind(Index) != tkOperator || !IsOperator(Index, oiOpen)) {
    Fail(kParseExpectedOpen);
    return;
  }
  ++Index;
  int32_t n = 0;
  if (IsOperator(Index, oiClose)) {
    ++Index;
  } else {
    Expression();
    n = 1;
    while (OK && IsOperator(Index, oiSemicolon)) {
      ++Index;
      Expression();
      ++n;
    }
    if (!OK) return;
    if (!IsOperator(Index, oiClose)) {
      // The list ran out or something else stands there.
      if (Index >= Tokens->Count()) {
        Fail(kParseIncomplete);
      } else {
        Fail(kParseClosingBracket);
      }
      return;
    }
    ++Index;
  }
  if (fn->Definition == nullptr || !fn->Definition->AcceptsArgCount(n)) {
    Fail(kParseWrongArgCount);
    return;
  }
  fn->ArgCount = n;
  Code->Add(fn);
}

void TParser::NegativeSign() {
  auto* minus = static_cast<TOperatorToken*>(Tokens->At(Index));
  minus->SetOperator(oiMultiply);
  TIntToken* minusOne = Tokens->Insert<TIntToken>(Index, -1);
  Code->Add(minusOne);
  Index += 2;
  Operand();
  if (OK) Code->Add(minus);
}

TParser ParseTokens(TTokenList& tokens, TCode& code, std::string_view source) {
  TParser parser;
  parser.Tokens = &tokens;
  parser.Code = &code;
  parser.Source = source;
  code.Clear();
  parser.Parse();
  return parser;
}

}  // namespace qx
