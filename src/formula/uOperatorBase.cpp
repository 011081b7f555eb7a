#include "formula/uOperatorBase.h"

#include "formula/UInterpreter.h"

namespace qx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr TOperatorTable MakeOperators() {
  TOperatorTable t{};
  auto row = [&t](int32_t id, TOperatorProc proc, std::string_view name, int32_t priority,
                  bool binary) {
    t[static_cast<size_t>(id)] = {id, proc, name, priority, binary};
  };
  row(oiEqual, opEqual, "==", 6, true);
  row(oiAssign, nullptr, "=", 4, false);
  row(oiOpen, nullptr, "(", 3, false);
  row(oiClose, nullptr, ")", 3, false);
  row(oiComma, nullptr, ",", 3, false);
  row(oiSemicolon, nullptr, ";", 3, false);
  row(oiNotEqual, opNotEqual, "/=", 6, true);
  row(oiLessEqual, opLessEqual, "<=", 6, true);
  row(oiLess, opLess, "<", 6, true);
  row(oiGreaterEqual, opGreaterEqual, ">=", 6, true);
  row(oiGreater, opGreater, ">", 6, true);
  row(oiAdd, opAdd, "+", 8, true);
  row(oiSubtract, opSubtract, "-", 8, true);
  row(oiMultiply, opMultiply, "*", 9, true);
  row(oiDivide, opDivide, "/", 9, true);
  row(oiPower, opPower, "^", 10, true);
  row(oiModulo, opModulo, "mod", 9, true);
  row(oiAnd, opAnd, "and", 5, true);
  row(oiOr, opOr, "or", 5, true);
  row(oiXor, opXor, "xor", 5, true);
  row(oiBitAnd, opBitAnd, "bitand", 7, true);
  row(oiBitOr, opBitOr, "bitor", 7, true);
  row(oiBitXor, opBitXor, "bitxor", 7, true);
  return t;
}

// a^n for a whole n >= 0 by squaring: at most 62 multiplications, where
// multiplying n times could stall a port thread for seconds.
double PowerBySquaring(double a, uint32_t n) {
  double result = 1.0;
  while (n != 0) {
    if (n & 1u) result *= a;
    n >>= 1;
    if (n != 0) a *= a;
  }
  return result;
}

}  // namespace

constinit const TOperatorTable Operators = MakeOperators();

double PowerOf(double a, double b) {
  if (b == 0.0) return 1.0;
  if (a == 0.0) {
    if (b > 0.0) return 0.0;
    // 0 to a negative power divides by zero.
    return kNaN;
  }
  if (std::isnan(a) || std::isnan(b)) return kNaN;
  if (b == std::trunc(b) && std::fabs(b) <= 2147483647.0) {
    const double p = PowerBySquaring(a, static_cast<uint32_t>(std::fabs(b)));
    if (b > 0.0) return p;
    return DivideOf(1.0, p);
  }
  // e^(b * ln a): a negative base has no logarithm.
  if (a < 0.0) return kNaN;
  if (std::isinf(b)) return std::exp(b * std::log(a));
  return std::pow(a, b);
}

double ModuloOf(double a, double b) {
  if (std::fabs(b) <= 1e-10) return kNaN;
  int64_t ai = 0;
  int64_t bi = 0;
  if (!TruncToInt64(a, ai) || !TruncToInt64(b, bi)) return kNaN;
  if (bi == 0) return kNaN;
  // INT64_MIN % -1 traps; the remainder by -1 is 0 anyway.
  if (bi == -1) return 0.0;
  return static_cast<double>(ai % bi);
}

double BitAndOf(double a, double b) {
  int64_t ai = 0;
  int64_t bi = 0;
  if (!TruncToInt64(a, ai) || !TruncToInt64(b, bi)) return kNaN;
  return static_cast<double>(ai & bi);
}

double BitOrOf(double a, double b) {
  int64_t ai = 0;
  int64_t bi = 0;
  if (!TruncToInt64(a, ai) || !TruncToInt64(b, bi)) return kNaN;
  return static_cast<double>(ai | bi);
}

double BitXorOf(double a, double b) {
  int64_t ai = 0;
  int64_t bi = 0;
  if (!TruncToInt64(a, ai) || !TruncToInt64(b, bi)) return kNaN;
  return static_cast<double>(ai ^ bi);
}

namespace {

template <double (*F)(double, double)>
inline void Binary(TUPNStack& s) {
  const double b = s.Pop();
  const double a = s.Pop();
  s.Push(F(a, b));
}

}  // namespace

void opAdd(TUPNStack& s) {
  Binary<AddOf>(s);
}
void opSubtract(TUPNStack& s) {
  Binary<SubtractOf>(s);
}
void opMultiply(TUPNStack& s) {
  Binary<MultiplyOf>(s);
}
void opDivide(TUPNStack& s) {
  Binary<DivideOf>(s);
}
void opPower(TUPNStack& s) {
  Binary<PowerOf>(s);
}
void opEqual(TUPNStack& s) {
  Binary<EqualOf>(s);
}
void opNotEqual(TUPNStack& s) {
  Binary<NotEqualOf>(s);
}
void opLess(TUPNStack& s) {
  Binary<LessOf>(s);
}
void opLessEqual(TUPNStack& s) {
  Binary<LessEqualOf>(s);
}
void opGreater(TUPNStack& s) {
  Binary<GreaterOf>(s);
}
void opGreaterEqual(TUPNStack& s) {
  Binary<GreaterEqualOf>(s);
}
void opModulo(TUPNStack& s) {
  Binary<ModuloOf>(s);
}
void opAnd(TUPNStack& s) {
  Binary<AndOf>(s);
}
void opOr(TUPNStack& s) {
  Binary<OrOf>(s);
}
void opXor(TUPNStack& s) {
  Binary<XorOf>(s);
}
void opBitAnd(TUPNStack& s) {
  Binary<BitAndOf>(s);
}
void opBitOr(TUPNStack& s) {
  Binary<BitOrOf>(s);
}
void opBitXor(TUPNStack& s) {
  Binary<BitXorOf>(s);
}

}  // namespace qx
