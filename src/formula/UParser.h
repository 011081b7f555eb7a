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

// Steps of the flat program. The compiled code works on a frame of slots:
// constants (filled once), channel values and "ans" (loaded at the start of
// every run) and one result slot per step. A step reads its operand slots A
// and B and writes slot Dst, so leaves cost no step at all.
// clang-format off
enum class TOpCode : uint8_t {
#define QX_BINARY_OPCODES(name, fn) name,
  QX_BINARY_OPERATORS(QX_BINARY_OPCODES)
#undef QX_BINARY_OPCODES
  Square,  // A ^ 2, which is A * A
  Sqrt,
  Unary,   // UnaryFn(A)
  Binary,  // BinaryFn(A, B)
  MinN,    // over the B slots listed from Arg on
  MaxN,
  If2,     // if(A; B)
  If3,     // if(A; B; Arg)
  NullN,
  Call,    // B arguments listed from Arg on; Proc(Data, interpreter, B)
};
// clang-format on

struct TCodeStep {
  TOpCode Op = TOpCode::Null;
  uint16_t Dst = 0;
  uint16_t A = 0;
  uint16_t B = 0;
  int32_t Arg = 0;
  union {
    double (*UnaryFn)(double) = nullptr;
    double (*BinaryFn)(double, double);
    TCallProc Proc;
  };
  void* Data = nullptr;
};

struct TChannelLoad {
  uint16_t Slot;
  int32_t Channel;
};

// The reverse Polish code of one formula.
class TCode {
 public:
  void Clear();
  // Emits a reference to the token (kept valid by the token list).
  void Add(TToken* token);
  [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  [[nodiscard]] TToken* At(int32_t index) const { return items_.at(static_cast<size_t>(index)); }
  [[nodiscard]] const std::vector<TToken*>& Items() const { return items_; }

  // True when the code never pops an empty stack and leaves at least one
  // value, so that the flat program below may run instead of the tokens.
  [[nodiscard]] bool Safe() const { return !unsafe_ && !slotStack_.empty(); }

  // The flat program.
  [[nodiscard]] const std::vector<TCodeStep>& Steps() const { return steps_; }
  [[nodiscard]] const std::vector<uint16_t>& ArgSlots() const { return args_; }
  [[nodiscard]] const std::vector<TChannelLoad>& Loads() const { return loads_; }
  [[nodiscard]] int32_t AnsSlot() const { return ansSlot_; }
  [[nodiscard]] int32_t ResultSlot() const { return slotStack_.empty() ? 0 : slotStack_.back(); }
  // Values left on the stack by the code (1 for every parsed formula).
  [[nodiscard]] int32_t Depth() const { return static_cast<int32_t>(slotStack_.size()); }
  // Scratch slots of a run. Runs of one code never overlap (the receive
  // lock), so the code carries them and a run allocates nothing.
  [[nodiscard]] double* Frame() const { return frame_.data(); }

 private:
  [[nodiscard]] uint16_t NewSlot(double value, bool isConst);
  [[nodiscard]] bool PopSlots(int32_t n);
  void EmitStep(TCodeStep step);
  [[nodiscard]] int32_t ListArgs(int32_t n);

  std::vector<TToken*> items_;
  std::vector<TCodeStep> steps_;
  std::vector<uint16_t> args_;
  std::vector<TChannelLoad> loads_;
  std::vector<uint16_t> slotStack_;  // slots of the values on the stack
  std::vector<uint8_t> slotIsConst_;
  mutable std::vector<double> frame_;
  std::vector<uint16_t> popped_;  // operands of the step being emitted
  int32_t ansSlot_ = -1;
  bool unsafe_ = false;
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
