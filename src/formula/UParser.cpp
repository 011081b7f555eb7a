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

namespace {

// Slot numbers are 16 bits; no formula comes near this.
constexpr size_t kMaxSlots = 60000;

}  // namespace

void TCode::Clear() {
  items_.clear();
  steps_.clear();
  args_.clear();
  loads_.clear();
  slotStack_.clear();
  slotIsConst_.clear();
  frame_.clear();
  popped_.clear();
  ansSlot_ = -1;
  unsafe_ = false;
}

uint16_t TCode::NewSlot(double value, bool isConst) {
  if (frame_.size() >= kMaxSlots) {
    unsafe_ = true;
    return 0;
  }
  frame_.push_back(value);
  slotIsConst_.push_back(isConst ? 1 : 0);
  return static_cast<uint16_t>(frame_.size() - 1);
}

// Moves the top n slots (in stack order) to popped_; false when the stack
// holds fewer, which only hand-built code does: it then runs token by token.
bool TCode::PopSlots(int32_t n) {
  popped_.clear();
  if (n < 0 || static_cast<size_t>(n) > slotStack_.size() || n > kUPNStackSize) {
    unsafe_ = true;
    return false;
  }
  popped_.assign(slotStack_.end() - n, slotStack_.end());
  slotStack_.resize(slotStack_.size() - static_cast<size_t>(n));
  return true;
}

int32_t TCode::ListArgs(int32_t n) {
  const auto offset = static_cast<int32_t>(args_.size());
  args_.insert(args_.end(), popped_.begin(), popped_.begin() + n);
  return offset;
}

void TCode::EmitStep(TCodeStep step) {
  step.Dst = NewSlot(0.0, false);
  steps_.push_back(step);
  slotStack_.push_back(step.Dst);
}

void TCode::Add(TToken* token) {
  items_.push_back(token);
  if (unsafe_) return;  // runs token by token anyway
  switch (token->Kind) {
    case tkInt:
      slotStack_.push_back(NewSlot(static_cast<TIntToken*>(token)->Value, true));
      return;
    case tkReal:
      slotStack_.push_back(NewSlot(static_cast<TRealToken*>(token)->Value, true));
      return;
    case tkChannel: {
      const int32_t ch = static_cast<TChannelToken*>(token)->Channel;
      if (ch < 0 || ch >= kChannelCount) {  // not from the lexer
        unsafe_ = true;
        return;
      }
      // One slot per channel, however often the formula names it.
      for (const TChannelLoad& l : loads_) {
        if (l.Channel == ch) {
          slotStack_.push_back(l.Slot);
          return;
        }
      }
      const uint16_t slot = NewSlot(0.0, false);
      loads_.push_back({slot, ch});
      slotStack_.push_back(slot);
      return;
    }
    case tkOperator: {
      auto* op = static_cast<TOperatorToken*>(token);
      if (op->Proc == nullptr) return;  // nothing happens
      const TOpCode code = OperatorOpCode(op->OperatorIndex);
      if (code == TOpCode::Null ||
          op->Proc != Operators[static_cast<size_t>(op->OperatorIndex)].Proc) {
        unsafe_ = true;
        return;
      }
      if (!PopSlots(2)) return;
      TCodeStep step;
      step.Op = code;
      step.A = popped_[0];
      step.B = popped_[1];
      // a ^ 2 is a * a: the commonest power costs no call.
      if (code == TOpCode::Power && slotIsConst_[step.B] && frame_[step.B] == 2.0)
        step.Op = TOpCode::Square;
      EmitStep(step);
      return;
    }
    case tkFunction: {
      auto* fn = static_cast<TFunctionToken*>(token);
      const int32_t n = fn->ArgCount;
      const TFunctionDefins* def = fn->Definition;
      const TBuiltin b = def != nullptr && fn->CallMethod.Code == def->CallMethod.Code
                             ? def->Builtin
                             : TBuiltin::None;
      if (fn->CallMethod.Code == nullptr || !PopSlots(n)) {
        unsafe_ = true;
        return;
      }
      TCodeStep step;
      if ((b == TBuiltin::Pi || b == TBuiltin::Eule) && n == 0) {
        slotStack_.push_back(NewSlot(b == TBuiltin::Pi ? kPiValue : kEuleValue, true));
        return;
      }
      if (b == TBuiltin::Ans && n == 0) {
        if (ansSlot_ < 0) ansSlot_ = NewSlot(0.0, false);
        slotStack_.push_back(static_cast<uint16_t>(ansSlot_));
        return;
      }
      if (n == 1 && b == TBuiltin::Sqrt) {
        step.Op = TOpCode::Sqrt;
        step.A = popped_[0];
      } else if (n == 1 && b == TBuiltin::Round) {
        step.Op = TOpCode::Unary;
        step.UnaryFn = RoundValue;
        step.A = popped_[0];
      } else if (n == 1 && UnaryBuiltin(b) != nullptr) {
        step.Op = TOpCode::Unary;
        step.UnaryFn = UnaryBuiltin(b);
        step.A = popped_[0];
      } else if (n == 2 &&
                 (b == TBuiltin::Round || b == TBuiltin::NRoot || b == TBuiltin::BitNot)) {
        step.Op = TOpCode::Binary;
        step.BinaryFn = b == TBuiltin::Round   ? RoundDigitsValue
                        : b == TBuiltin::NRoot ? NRootOf
                                               : BitNotOf;
        step.A = popped_[0];
        step.B = popped_[1];
      } else if ((b == TBuiltin::Min || b == TBuiltin::Max) && n >= 1) {
        step.Op = b == TBuiltin::Min ? TOpCode::MinN : TOpCode::MaxN;
        step.B = static_cast<uint16_t>(n);
        step.Arg = ListArgs(n);
      } else if (b == TBuiltin::If && n == 2) {
        step.Op = TOpCode::If2;
        step.A = popped_[0];
        step.B = popped_[1];
      } else if (b == TBuiltin::If && n == 3) {
        step.Op = TOpCode::If3;
        step.A = popped_[0];
        step.B = popped_[1];
        step.Arg = popped_[2];
      } else if (b == TBuiltin::Null) {
        step.Op = TOpCode::NullN;
      } else {
        step.Op = TOpCode::Call;
        step.Proc = fn->CallMethod.Code;
        step.Data = fn->CallMethod.Data;
        step.B = static_cast<uint16_t>(n);
        step.Arg = ListArgs(n);
      }
      EmitStep(step);
      return;
    }
    default:  // string token: nothing happens
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
