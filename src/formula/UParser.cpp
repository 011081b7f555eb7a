#include "formula/UParser.h"

#include <cmath>

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

double SinValue(double x) {
  return std::sin(x);
}
double CosValue(double x) {
  return std::cos(x);
}
double TanValue(double x) {
  return std::tan(x);
}
double ArcTanValue(double x) {
  return std::atan(x);
}
double RoundValue(double x) {
  return RoundOf(x);
}
double RoundDigitsValue(double x, double d) {
  return RoundOf(x, d);
}
double Int8Value(double x) {
  return LowBitsOf(x, 8, true);
}
double Int16Value(double x) {
  return LowBitsOf(x, 16, true);
}
double Int32Value(double x) {
  return LowBitsOf(x, 32, true);
}
double UInt8Value(double x) {
  return LowBitsOf(x, 8, false);
}
double UInt16Value(double x) {
  return LowBitsOf(x, 16, false);
}
double UInt32Value(double x) {
  return LowBitsOf(x, 32, false);
}

double (*UnaryBuiltin(TBuiltin b))(double) {
  switch (b) {
    case TBuiltin::Sin:
      return SinValue;
    case TBuiltin::Cos:
      return CosValue;
    case TBuiltin::Tan:
      return TanValue;
    case TBuiltin::ArcSin:
      return ArcSinOf;
    case TBuiltin::ArcCos:
      return ArcCosOf;
    case TBuiltin::ArcTan:
      return ArcTanValue;
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
      return Int8Value;
    case TBuiltin::Int16:
      return Int16Value;
    case TBuiltin::Int32:
      return Int32Value;
    case TBuiltin::UInt8:
      return UInt8Value;
    case TBuiltin::UInt16:
      return UInt16Value;
    case TBuiltin::UInt32:
      return UInt32Value;
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
        step.UnaryFn = RoundValue;
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
        step.BinaryFn = b == TBuiltin::Round   ? RoundDigitsValue
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
