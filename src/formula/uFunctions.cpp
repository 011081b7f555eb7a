#include "formula/uFunctions.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "formula/UInterpreter.h"
#include "formula/uOperatorBase.h"

namespace qx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;
constexpr double kEule = 2.718281828459045;

}  // namespace

TFunctionTable FunctionDefs;

TFunctionDefins::TFunctionDefins(TCallMethod call, std::string_view name, bool variadic,
                                 int32_t argCount, int32_t maxArgs, TBuiltin builtin)
    : CallMethod(call),
      Name(name.substr(0, kMaxFunctionNameLength)),
      Variadic(variadic),
      ArgCount(argCount),
      MaxArgs(maxArgs),
      Builtin(builtin) {}

bool TFunctionDefins::AcceptsArgCount(int32_t n) const {
  if (!Variadic) return n == ArgCount;
  return n >= ArgCount && (MaxArgs == 0 || n <= MaxArgs);
}

void InitFunctions() {
  struct Row {
    TCallProc proc;
    const char* name;
    bool variadic;
    int32_t argCount;
    int32_t maxArgs;
  };
  static constexpr Row kRows[kBuiltinCount] = {
      {fnMin, "min", true, 1, 0},        {fnMax, "max", true, 1, 0},
      {fnPi, "pi", false, 0, 0},         {fnSheet, "sheet", false, 1, 0},
      {fnIf, "if", true, 2, 3},          {fnSin, "sin", false, 1, 0},
      {fnCos, "cos", false, 1, 0},       {fnTan, "tan", false, 1, 0},
      {fnArcSin, "arcsin", false, 1, 0}, {fnArcCos, "arccos", false, 1, 0},
      {fnArcTan, "arctan", false, 1, 0}, {fnDeg, "deg", false, 1, 0},
      {fnRad, "rad", false, 1, 0},       {fnSqrt, "sqrt", false, 1, 0},
      {fnNRoot, "nroot", false, 2, 0},   {fnEule, "eule", false, 0, 0},
      {fnLog, "log", false, 1, 0},       {fnLn, "ln", false, 1, 0},
      {fnAbs, "abs", false, 1, 0},       {fnDateTime, "datetime", false, 0, 0},
      {fnDate, "date", false, 0, 0},     {fnTime, "time", false, 0, 0},
      {fnNull, "null", true, 1, 0},      {fnAns, "ans", false, 0, 0},
      {fnRound, "round", true, 1, 2},    {fnNot, "not", false, 1, 0},
      {fnBitNot, "bitnot", false, 2, 0}, {fnInt8, "int8", false, 1, 0},
      {fnInt16, "int16", false, 1, 0},   {fnInt32, "int32", false, 1, 0},
      {fnUInt8, "uint8", false, 1, 0},   {fnUInt16, "uint16", false, 1, 0},
      {fnUInt32, "uint32", false, 1, 0},
  };
  for (int32_t i = 0; i < kBuiltinCount; ++i) {
    const Row& r = kRows[i];
    FunctionDefs[static_cast<size_t>(i)] =
        TFunctionDefins(TCallMethod{r.proc, nullptr}, r.name, r.variadic, r.argCount, r.maxArgs,
                        static_cast<TBuiltin>(i + 1));
  }
}

TFormulaDateTime TSystemFormulaClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// ---- Value rules ------------------------------------------------------------

double RoundHalfUpReal(double x) {
  // x - floor(x) is exact, unlike floor(x + 0.5) (which turns
  // 0.49999999999999994 into 1).
  double f = std::floor(x);
  if (x - f >= 0.5) f += 1.0;
  return f;
}

double SinOf(double x) {
  return std::sin(x);
}
double CosOf(double x) {
  return std::cos(x);
}
double TanOf(double x) {
  return std::tan(x);
}
double ArcTanOf(double x) {
  return std::atan(x);
}
double ArcSinOf(double x) {
  return (x >= -1.0 && x <= 1.0) ? std::asin(x) : kNaN;
}
double ArcCosOf(double x) {
  return (x >= -1.0 && x <= 1.0) ? std::acos(x) : kNaN;
}
double DegOf(double x) {
  return x * 180.0 / kPi;
}
double RadOf(double x) {
  return x * kPi / 180.0;
}

double NRootOf(double n, double x) {
  if (!(x >= 0.0)) return kNaN;
  // 1 / 0 is a division fault, as in "/".
  if (n == 0.0) return kNaN;
  return PowerOf(x, 1.0 / n);
}

double LogOf(double x) {
  return x > 0.0 ? std::log10(x) : kNaN;
}
double LnOf(double x) {
  return x > 0.0 ? std::log(x) : kNaN;
}
double AbsOf(double x) {
  return x < 0.0 ? -x : x;
}

double RoundOf(double x) {
  return RoundHalfUpReal(x);
}

double RoundOf(double x, double digits) {
  const double d = std::nearbyint(digits);  // halves to the even one
  if (std::isnan(d) || std::isnan(x)) return kNaN;
  // Scale by a whole power of ten; dividing by 10^-d for negative d keeps
  // 1250 -> 12.5 exact where multiplying by 0.01 would not be.
  if (d >= 0) {
    const double p = std::pow(10.0, d);
    // More digits than a double holds: nothing to round.
    if (std::isinf(p)) return x;
    const double scaled = x * p;
    // A huge x has no digits left behind the point: it stays as it is
    // instead of turning into infinity.
    if (std::isinf(scaled) && !std::isinf(x)) return x;
    return RoundHalfUpReal(scaled) / p;
  }
  const double q = std::pow(10.0, -d);
  const double r = RoundHalfUpReal(x / q);
  if (r == 0.0) return 0.0;  // 0 * inf would be NaN
  const double result = r * q;
  // Rounding the largest numbers up to tens can step past the double range.
  return std::isinf(result) && !std::isinf(x) ? x : result;
}

double BitNotOf(double x, double width) {
  int64_t xi = 0;
  if (!TruncToInt64(x, xi)) return kNaN;
  int64_t w = 32;
  if (std::isnan(width)) return kNaN;
  if (width < 1.0) {
    w = 1;
  } else if (width < 32.0) {
    w = static_cast<int64_t>(width);
  }
  const uint64_t mask = (uint64_t{1} << w) - 1;
  return static_cast<double>(~static_cast<uint64_t>(xi) & mask);
}

double RoundDigitsOf(double x, double digits) {
  return RoundOf(x, digits);
}
double Int8Of(double x) {
  return LowBitsOf(x, 8, true);
}
double Int16Of(double x) {
  return LowBitsOf(x, 16, true);
}
double Int32Of(double x) {
  return LowBitsOf(x, 32, true);
}
double UInt8Of(double x) {
  return LowBitsOf(x, 8, false);
}
double UInt16Of(double x) {
  return LowBitsOf(x, 16, false);
}
double UInt32Of(double x) {
  return LowBitsOf(x, 32, false);
}

double LowBitsOf(double x, int32_t bits, bool isSigned) {
  int64_t xi = 0;
  if (!TruncToInt64(x, xi)) return kNaN;
  const uint64_t u = static_cast<uint64_t>(xi);
  switch (bits) {
    case 8:
      return isSigned ? static_cast<double>(static_cast<int8_t>(static_cast<uint8_t>(u)))
                      : static_cast<double>(static_cast<uint8_t>(u));
    case 16:
      return isSigned ? static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(u)))
                      : static_cast<double>(static_cast<uint16_t>(u));
    default:
      return isSigned ? static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(u)))
                      : static_cast<double>(static_cast<uint32_t>(u));
  }
}

double SheetOf(double x, IFormulaSheetTabs* tabs) {
  if (tabs == nullptr) return 0.0;
  const int32_t count = tabs->TabCount();
  const int32_t current = tabs->SelectedTab();
  int64_t n = 0;
  if (TruncToInt64(x, n) && n >= 1 && n <= count && n != current) {
    tabs->RequestSelectTab(static_cast<int32_t>(n));
    return static_cast<double>(n);
  }
  return static_cast<double>(current);
}

double DateOf(const TFormulaDateTime& t) {
  return static_cast<double>(t.Year) * 10000.0 + t.Month * 100.0 + t.Day;
}
double TimeOf(const TFormulaDateTime& t) {
  return static_cast<double>(t.Hour) * 10000.0 + t.Minute * 100.0 + t.Second;
}
double DateTimeOf(const TFormulaDateTime& t) {
  return DateOf(t) * 1000000.0 + TimeOf(t);
}

// ---- Bodies -------------------------------------------------------------------

namespace {

// Pops n arguments into args in formula order.
void PopArgs(TUPNStack& s, double* args, int32_t n) {
  for (int32_t i = n - 1; i >= 0; --i) args[i] = s.Pop();
}

template <double (*F)(double)>
void Unary(TInterpreter& ip) {
  ip.UPNStack.Push(F(ip.UPNStack.Pop()));
}

// A variadic body that needs its arguments in order copies them off the stack
// (at most what the stack can hold).
template <double (*F)(const double*, int32_t)>
void Variadic(TInterpreter& ip, int32_t argCount) {
  TUPNStack& s = ip.UPNStack;
  if (argCount <= 0) {
    s.Push(kNaN);
    return;
  }
  if (argCount <= s.Count) {
    // In place: the arguments lie on the stack in formula order.
    const double r = F(&s.Items[s.Count - argCount + 1], argCount);
    s.Count -= argCount;
    s.Push(r);
    return;
  }
  // Fewer values than arguments: pop them one by one (each missing one is a
  // reported underflow giving 0), as the stack rules say.
  double args[kUPNStackSize + 1];
  const int32_t n = argCount > kUPNStackSize ? kUPNStackSize : argCount;
  for (int32_t i = argCount; i > n; --i) (void)s.Pop();
  PopArgs(s, args, n);
  s.Push(F(args, n));
}

}  // namespace

void fnMin(void*, TInterpreter& ip, int32_t argCount) {
  Variadic<MinOf>(ip, argCount);
}
void fnMax(void*, TInterpreter& ip, int32_t argCount) {
  Variadic<MaxOf>(ip, argCount);
}
void fnPi(void*, TInterpreter& ip, int32_t) {
  ip.UPNStack.Push(kPi);
}

void fnSheet(void*, TInterpreter& ip, int32_t) {
  ip.UPNStack.Push(SheetOf(ip.UPNStack.Pop(), ip.SheetTabs));
}

void fnIf(void*, TInterpreter& ip, int32_t argCount) {
  TUPNStack& s = ip.UPNStack;
  const double b = argCount >= 3 ? s.Pop() : 0.0;
  const double a = s.Pop();
  const double c = s.Pop();
  s.Push(IfOf(c, a, b));
}

void fnSin(void*, TInterpreter& ip, int32_t) {
  Unary<SinOf>(ip);
}
void fnCos(void*, TInterpreter& ip, int32_t) {
  Unary<CosOf>(ip);
}
void fnTan(void*, TInterpreter& ip, int32_t) {
  Unary<TanOf>(ip);
}
void fnArcSin(void*, TInterpreter& ip, int32_t) {
  Unary<ArcSinOf>(ip);
}
void fnArcCos(void*, TInterpreter& ip, int32_t) {
  Unary<ArcCosOf>(ip);
}
void fnArcTan(void*, TInterpreter& ip, int32_t) {
  Unary<ArcTanOf>(ip);
}
void fnDeg(void*, TInterpreter& ip, int32_t) {
  Unary<DegOf>(ip);
}
void fnRad(void*, TInterpreter& ip, int32_t) {
  Unary<RadOf>(ip);
}
void fnSqrt(void*, TInterpreter& ip, int32_t) {
  Unary<SqrtOf>(ip);
}

void fnNRoot(void*, TInterpreter& ip, int32_t) {
  const double x = ip.UPNStack.Pop();
  const double n = ip.UPNStack.Pop();
  ip.UPNStack.Push(NRootOf(n, x));
}

void fnEule(void*, TInterpreter& ip, int32_t) {
  ip.UPNStack.Push(kEule);
}
void fnLog(void*, TInterpreter& ip, int32_t) {
  Unary<LogOf>(ip);
}
void fnLn(void*, TInterpreter& ip, int32_t) {
  Unary<LnOf>(ip);
}
void fnAbs(void*, TInterpreter& ip, int32_t) {
  Unary<AbsOf>(ip);
}
void fnDateTime(void*, TInterpreter& ip, int32_t) {
  ip.UPNStack.Push(DateTimeOf(ip.Now()));
}
void fnDate(void*, TInterpreter& ip, int32_t) {
  ip.UPNStack.Push(DateOf(ip.Now()));
}
void fnTime(void*, TInterpreter& ip, int32_t) {
  ip.UPNStack.Push(TimeOf(ip.Now()));
}

void fnNull(void*, TInterpreter& ip, int32_t argCount) {
  for (int32_t i = 0; i < argCount; ++i) (void)ip.UPNStack.Pop();
  ip.UPNStack.Push(0.0);
}

void fnAns(void*, TInterpreter& ip, int32_t) {
  ip.UPNStack.Push(ip.PreviousValue);
}

void fnRound(void*, TInterpreter& ip, int32_t argCount) {
  TUPNStack& s = ip.UPNStack;
  if (argCount >= 2) {
    const double d = s.Pop();
    const double x = s.Pop();
    s.Push(RoundOf(x, d));
  } else {
    s.Push(RoundOf(s.Pop()));
  }
}

void fnNot(void*, TInterpreter& ip, int32_t) {
  Unary<NotOf>(ip);
}

void fnBitNot(void*, TInterpreter& ip, int32_t) {
  const double w = ip.UPNStack.Pop();
  const double x = ip.UPNStack.Pop();
  ip.UPNStack.Push(BitNotOf(x, w));
}

void fnInt8(void*, TInterpreter& ip, int32_t) {
  Unary<Int8Of>(ip);
}
void fnInt16(void*, TInterpreter& ip, int32_t) {
  Unary<Int16Of>(ip);
}
void fnInt32(void*, TInterpreter& ip, int32_t) {
  Unary<Int32Of>(ip);
}
void fnUInt8(void*, TInterpreter& ip, int32_t) {
  Unary<UInt8Of>(ip);
}
void fnUInt16(void*, TInterpreter& ip, int32_t) {
  Unary<UInt16Of>(ip);
}
void fnUInt32(void*, TInterpreter& ip, int32_t) {
  Unary<UInt32Of>(ip);
}

}  // namespace qx
