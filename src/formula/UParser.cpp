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
}

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
  steps_.push_back(step);
}

void TCode::EmitBinary(TOpCode op) {
  // "x 2 +" runs as one step "x +2"; the stack effect stays that of the pair.
  if (!steps_.empty() && depth_ >= 2) {
    TCodeStep& last = steps_.back();
    if (last.Op == TOpCode::PushConst) {
      // a ^ 2 is a * a: the commonest power costs no call.
      last.Op = op == TOpCode::Power && last.Value == 2.0 ? TOpCode::Square : Shifted(op, 1);
      --depth_;
      return;
    }
    if (last.Op == TOpCode::PushChannel) {
      last.Op = Shifted(op, 2);
      --depth_;
      return;
    }
    if (last.Op == TOpCode::PushChannel2) {
      // Split the pair again: push the first, fold the second.
      last.Op = TOpCode::PushChannel;
      TCodeStep step;
      step.Op = Shifted(op, 2);
      step.Arg = last.Arg2;
      steps_.push_back(step);
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
        Emit(step, n, 1);
        return;
      }
      if (b == TBuiltin::If && (n == 2 || n == 3)) {
        step.Op = n == 2 ? TOpCode::If2 : TOpCode::If3;
        Emit(step, n, 1);
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
