// Operators of the formula language: the operator table and the operations.
//
// Truth values are numbers: comparisons and logic give 1 or 0, and a number
// is true when it is at least 1e-6. Guarded faults give NaN.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "formula/uFunctions.h"

namespace qx {

class TUPNStack;

using TOperatorProc = void (*)(TUPNStack& stack);

// Row numbers of the operator table (1-based, table order = matching order).
enum TOperatorId : int32_t {
  oiNone = 0,
  oiEqual = 1,  // "=="
  oiAssign,     // "="
  oiOpen,       // "("
  oiClose,      // ")"
  oiComma,      // ","
  oiSemicolon,  // ";"
  oiNotEqual,   // "/="
  oiLessEqual,
  oiLess,
  oiGreaterEqual,
  oiGreater,
  oiAdd,
  oiSubtract,
  oiMultiply,
  oiDivide,
  oiPower,
  oiModulo,
  oiAnd,
  oiOr,
  oiXor,
  oiBitAnd,
  oiBitOr,
  oiBitXor,
  oiLastUsed = oiBitXor,
};

struct TOperatorDef {
  int32_t Id = 0;  // 0 ends the used rows
  TOperatorProc Proc = nullptr;
  std::string_view Name;
  int32_t Priority = 0;
  bool Binary = false;
};

inline constexpr int32_t kOperatorRows = 100;
// Index 0 is unused so that Operators[id] is the row with that Id.
using TOperatorTable = std::array<TOperatorDef, kOperatorRows + 1>;
// Constant: built at compile time, so nothing depends on start-up order.
extern const TOperatorTable Operators;

// The table is constant; kept so that start-up has one call per module.
inline void InitOperators() {}

// ---- Value rules (shared by the stack procedures and the compiled code) -----

inline constexpr double kTrueLimit = 1e-6;

[[nodiscard]] inline double BoolValue(bool b) {
  return b ? 1.0 : 0.0;
}
[[nodiscard]] inline double AddOf(double a, double b) {
  return a + b;
}
[[nodiscard]] inline double SubtractOf(double a, double b) {
  return a - b;
}
[[nodiscard]] inline double MultiplyOf(double a, double b) {
  return a * b;
}
[[nodiscard]] inline double EqualOf(double a, double b) {
  return BoolValue(a == b);
}
[[nodiscard]] inline double NotEqualOf(double a, double b) {
  return BoolValue(a != b);
}
[[nodiscard]] inline double LessOf(double a, double b) {
  return BoolValue(a < b);
}
[[nodiscard]] inline double LessEqualOf(double a, double b) {
  return BoolValue(a <= b);
}
[[nodiscard]] inline double GreaterOf(double a, double b) {
  return BoolValue(a > b);
}
[[nodiscard]] inline double GreaterEqualOf(double a, double b) {
  return BoolValue(a >= b);
}

[[nodiscard]] inline double DivideOf(double a, double b) {
  if (b == 0.0) return std::numeric_limits<double>::quiet_NaN();
  const double q = a / b;
  // A quotient that overflows from a finite dividend is a division fault as
  // well; an infinite dividend stays infinite.
  return (std::isinf(q) && std::isfinite(a)) ? std::numeric_limits<double>::quiet_NaN() : q;
}

[[nodiscard]] double PowerOf(double a, double b);
[[nodiscard]] double ModuloOf(double a, double b);

// "and": NaN counts as true; "or": NaN counts as false; "xor": NaN true.
[[nodiscard]] inline double AndOf(double a, double b) {
  return BoolValue(!(a < kTrueLimit) && !(b < kTrueLimit));
}
[[nodiscard]] inline double OrOf(double a, double b) {
  return BoolValue(a >= kTrueLimit || b >= kTrueLimit);
}
[[nodiscard]] inline double XorOf(double a, double b) {
  return BoolValue(!(a < kTrueLimit) != !(b < kTrueLimit));
}

[[nodiscard]] double BitAndOf(double a, double b);
[[nodiscard]] double BitOrOf(double a, double b);
[[nodiscard]] double BitXorOf(double a, double b);

// Every binary operator with its value rule, for code generated per operator.
#define QX_BINARY_OPERATORS(X)    \
  X(Equal, EqualOf)               \
  X(NotEqual, NotEqualOf)         \
  X(Less, LessOf)                 \
  X(LessEqual, LessEqualOf)       \
  X(Greater, GreaterOf)           \
  X(GreaterEqual, GreaterEqualOf) \
  X(Add, AddOf)                   \
  X(Subtract, SubtractOf)         \
  X(Multiply, MultiplyOf)         \
  X(Divide, DivideOf)             \
  X(Power, PowerOf)               \
  X(Modulo, ModuloOf)             \
  X(And, AndOf)                   \
  X(Or, OrOf)                     \
  X(Xor, XorOf)                   \
  X(BitAnd, BitAndOf)             \
  X(BitOr, BitOrOf)               \
  X(BitXor, BitXorOf)

// ---- Operator procedures: pop b, then a, push the result --------------------

void opAdd(TUPNStack& s);
void opSubtract(TUPNStack& s);
void opMultiply(TUPNStack& s);
void opDivide(TUPNStack& s);
void opPower(TUPNStack& s);
void opEqual(TUPNStack& s);
void opNotEqual(TUPNStack& s);
void opLess(TUPNStack& s);
void opLessEqual(TUPNStack& s);
void opGreater(TUPNStack& s);
void opGreaterEqual(TUPNStack& s);
void opModulo(TUPNStack& s);
void opAnd(TUPNStack& s);
void opOr(TUPNStack& s);
void opXor(TUPNStack& s);
void opBitAnd(TUPNStack& s);
void opBitOr(TUPNStack& s);
void opBitXor(TUPNStack& s);

}  // namespace qx
