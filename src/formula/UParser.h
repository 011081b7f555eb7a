// Parser: token list to reverse Polish code.
//
// Recursive descent with precedence climbing over the operator table. The
// code refers to the tokens (it owns none) and carries a flat program of
// steps decoded from them, which the interpreter runs without looking at the
// tokens again.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "formula/ULexer.h"

namespace qx {

// Steps of the flat program, run on the value stack with its top held in a
// register. Every binary operator comes in six forms: both operands on the
// stack, the right one a constant (Value) or a channel (Arg), and three that
// push the result of two simple operands (channel Arg with constant Value,
// channels Arg and Arg2, constant Value with channel Arg); each saves steps.
// clang-format off
enum class TOpCode : uint8_t {
  Nop,           // string token, operator without procedure
  PushConst,     // Value
  PushChannel,   // Arg = channel
  PushChannel2,  // Arg, then Arg2
  PushPrevious,  // "ans"
#define QX_BINARY_OPCODES(name, fn) \
  name, name##Const, name##Channel, name##ChanConst, name##ChanChan, name##ConstChan,
  QX_BINARY_OPERATORS(QX_BINARY_OPCODES)
#undef QX_BINARY_OPCODES
  Square,  // x ^ 2, which is x * x
  SquareChan,  // pushes channel Arg squared
  Sqrt,
  Unary,   // UnaryFn(x)
  Binary,  // BinaryFn(x, y)
  MinN,    // Arg = argument count
  MaxN,
  If2,
  If3,
  NullN,
  Call,    // Proc(Data, interpreter, Arg)
  // Over simple operands (channels or constants), each in an Operand step
  // right after the step itself:
  MinOps,   // Arg = count, pushes
  MaxOps,
  Select,   // if(top; operand 1; operand 2)
  IfCmp,    // if(operand 1 <Sub> operand 2; operand 3; operand 4), pushes
  Operand,  // data only: channel Arg, or Value when Arg < 0
};
// clang-format on

// How the interpreter runs a code.
enum class TRunMode : uint8_t {
  Checked,  // token by token
  Leaf,     // flat steps, none of which calls out
  Flat,     // flat steps
};

struct TCodeStep {
  TOpCode Op = TOpCode::Nop;
  uint8_t Sub = 0;  // IfCmp: outcomes that are true (bit 0 less, 1 equal, 2 greater, 3 NaN)
  int32_t Arg = 0;
  union {
    double Value = 0;
    int32_t Arg2;
    double (*UnaryFn)(double);
    double (*BinaryFn)(double, double);
    TCallProc Proc;
  };
  void* Data = nullptr;
};

class TInterpreter;

// Runs a whole code on an interpreter (whose Code it is) and stores the
// result: chosen when the code is built, so that a run makes one call.
using TRunFn = void (*)(TInterpreter& interpreter);

// The runners of codes without a shape of their own.
void RunCheckedCode(TInterpreter& interpreter);
void RunLeafCode(TInterpreter& interpreter);
void RunFlatCode(TInterpreter& interpreter);

// The reverse Polish code of one formula.
class TCode {
 public:
  void Clear();
  // Emits a reference to the token (kept valid by the token list).
  void Add(TToken* token);
  [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  [[nodiscard]] TToken* At(int32_t index) const { return items_.at(static_cast<size_t>(index)); }
  [[nodiscard]] const std::vector<TToken*>& Items() const { return items_; }

  // The flat program decoded from the tokens.
  [[nodiscard]] const std::vector<TCodeStep>& Steps() const { return steps_; }
  // True when the code never pops an empty stack, never holds more than the
  // stack takes and leaves at least one value: then the interpreter may run
  // the steps without per-step checks instead of the tokens.
  [[nodiscard]] bool Safe() const { return !unsafe_ && depth_ >= 1; }
  // Decided whenever a token is added, so that a run reads one byte.
  [[nodiscard]] TRunMode Mode() const { return mode_; }
  [[nodiscard]] TRunFn Runner() const { return run_; }
  // True when a function made for the code's shape runs it whole.
  [[nodiscard]] bool Shaped() const { return shaped_; }
  [[nodiscard]] int32_t MaxDepth() const { return maxDepth_; }
  // Values left on the stack (1 for every parsed formula).
  [[nodiscard]] int32_t Depth() const { return depth_; }

 private:
  void Emit(const TCodeStep& step, int32_t pops, int32_t pushes);
  void EmitBinary(TOpCode op);
  void EmitFused(TCodeStep step, int32_t n, int32_t pops);
  void Translate(TToken* token);
  [[nodiscard]] bool SimpleOperands(int32_t n, size_t& first) const;
  void Classify();

  std::vector<TToken*> items_;
  std::vector<TCodeStep> steps_;
  int32_t depth_ = 0;
  int32_t maxDepth_ = 0;
  bool unsafe_ = false;
  bool calls_ = false;  // some step calls a function
  TRunMode mode_ = TRunMode::Checked;
  TRunFn run_ = RunCheckedCode;
  bool shaped_ = false;
};

inline constexpr std::string_view kParseExpectedOperator =
    "Unclassifiable statement, expected operator";
inline constexpr std::string_view kParseWrongOperator =
    "Unclassifiable statement, missing or wrong operator";
inline constexpr std::string_view kParseExpectedOperand =
    "Unclassifiable statement, expected operand";
inline constexpr std::string_view kParseClosingBracket = "Closing bracket expected";
inline constexpr std::string_view kParseExpectedOpen = "Parser: Expected '(' ";
inline constexpr std::string_view kParseWrongArgCount = "Parser: Wrong number of arguments!";
inline constexpr std::string_view kParseIncomplete = "Parser: Statement incomplete";
// Our own guard: brackets nested beyond any formula a user writes.
inline constexpr std::string_view kParseTooDeep = "Parser: Statement nested too deeply";

class TParser {
 public:
  // Input set by the caller.
  TTokenList* Tokens = nullptr;
  TCode* Code = nullptr;    // emptied by the caller
  std::string_view Source;  // only for error reports

  // State and output.
  int32_t Index = 0;
  bool OK = true;
  TFormulaError Error;

  void Parse();

  void Expression();
  void Operator();
  void Operand();
  void Bracket();
  void FunctionCall();
  void NegativeSign();
  // Kind of the token at index; past the end that is an error (answer 0).
  int32_t TokenKind(int32_t index);

  // A formula of 255 characters nests at most 255 deep.
  static constexpr int32_t kMaxNesting = 300;

 private:
  void Fail(std::string_view message);
  [[nodiscard]] bool IsOperator(int32_t index, int32_t operatorId) const;
  int32_t nesting_ = 0;
};

// Convenience: parses the tokens into code (which is emptied first).
TParser ParseTokens(TTokenList& tokens, TCode& code, std::string_view source = {});

}  // namespace qx
