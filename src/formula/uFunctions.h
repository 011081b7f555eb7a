// Function definitions and the built-in functions of the formula language.
//
// A function body pops its arguments from the interpreter's value stack (last
// argument first) and pushes exactly one result. The parser has already
// checked the argument count against the definition.
#pragma once

#include <array>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace qx {

class TInterpreter;

// Code half and object half of a call method (the object is the definition
// for look-up tables, the instance for functions with memory, unused for the
// built-ins).
using TCallProc = void (*)(void* object, TInterpreter& interpreter, int32_t argCount);
struct TCallMethod {
  TCallProc Code = nullptr;
  void* Data = nullptr;
};

// Built-ins by their row in FunctionDefs (1-based, table order).
enum class TBuiltin : int32_t {
  None = 0,
  Min,
  Max,
  Pi,
  Sheet,
  If,
  Sin,
  Cos,
  Tan,
  ArcSin,
  ArcCos,
  ArcTan,
  Deg,
  Rad,
  Sqrt,
  NRoot,
  Eule,
  Log,
  Ln,
  Abs,
  DateTime,
  Date,
  Time,
  Null,
  Ans,
  Round,
  Not,
  BitNot,
  Int8,
  Int16,
  Int32,
  UInt8,
  UInt16,
  UInt32,
};

inline constexpr int32_t kBuiltinCount = 33;
inline constexpr int32_t kMaxFunctionNameLength = 20;

// Describes one function a formula can call. Functions with memory and
// look-up-table functions derive from it.
class TFunctionDefins {
 public:
  TFunctionDefins() = default;
  TFunctionDefins(TCallMethod call, std::string_view name, bool variadic, int32_t argCount,
                  int32_t maxArgs, TBuiltin builtin = TBuiltin::None);
  virtual ~TFunctionDefins() = default;
  TFunctionDefins(const TFunctionDefins&) = default;
  TFunctionDefins& operator=(const TFunctionDefins&) = default;

  // The definition a token of this function refers to. A function with memory
  // answers a fresh instance with memory of its own (one per occurrence in a
  // formula); everything else answers itself.
  virtual TFunctionDefins* CreateInstance() { return this; }

  // Whether n arguments fit this definition.
  [[nodiscard]] bool AcceptsArgCount(int32_t n) const;

  TCallMethod CallMethod;
  std::string Name;  // lower case, at most 20 characters
  bool Variadic = false;
  int32_t ArgCount = 0;  // exact count, or the minimum when variadic
  int32_t MaxArgs = 0;   // maximum when variadic; 0: none
  // Which built-in this is (None for the other kinds); lets the compiled code
  // run the cheap built-ins inline.
  TBuiltin Builtin = TBuiltin::None;
};

// The 33 built-ins in matching order; entries beyond them do not exist.
using TFunctionTable = std::array<TFunctionDefins, kBuiltinCount>;
extern TFunctionTable FunctionDefs;

// Fills FunctionDefs. Idempotent; start-up calls it once before any compile.
void InitFunctions();

// ---- Hooks to the world outside the core ------------------------------------

// What "sheet" needs from the sheet tabs. The shell implements it; tests use a
// fake. RequestSelectTab must not touch controls off the GUI thread: it hands
// the request over (the last one wins).
class IFormulaSheetTabs {
 public:
  virtual ~IFormulaSheetTabs() = default;
  [[nodiscard]] virtual int32_t TabCount() const = 0;
  // 1-based number of the selected tab, 0 when none.
  [[nodiscard]] virtual int32_t SelectedTab() const = 0;
  virtual void RequestSelectTab(int32_t tab) = 0;
};

struct TFormulaDateTime {
  int32_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// Local date and time for "date", "time" and "datetime"; injectable for tests.
class IFormulaClock {
 public:
  virtual ~IFormulaClock() = default;
  [[nodiscard]] virtual TFormulaDateTime Now() const = 0;
};

// The machine's local time.
class TSystemFormulaClock final : public IFormulaClock {
 public:
  [[nodiscard]] TFormulaDateTime Now() const override;
};

// ---- Value rules shared by the stack bodies and the compiled fast path -------

// Truncation toward zero to int64 when x is a number inside the int64 range.
[[nodiscard]] inline bool TruncToInt64(double x, int64_t& out) {
  // -2^63 is exact; 2^63 is the first value outside.
  if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) return false;
  out = static_cast<int64_t>(x);
  return true;
}

// x truncated plus 1 when its fraction is at least one half, for negative
// numbers too (-2.5 gives -2, -2.7 gives -3). Stays a double: no range limit.
[[nodiscard]] double RoundHalfUpReal(double x);

// The last argument starts; an earlier one replaces it only when smaller
// (larger), so a NaN never replaces it.
[[nodiscard]] inline double MinOf(const double* args, int32_t n) {
  double m = args[n - 1];
  for (int32_t i = n - 2; i >= 0; --i)
    if (args[i] < m) m = args[i];
  return m;
}
[[nodiscard]] inline double MaxOf(const double* args, int32_t n) {
  double m = args[n - 1];
  for (int32_t i = n - 2; i >= 0; --i)
    if (args[i] > m) m = args[i];
  return m;
}
[[nodiscard]] inline double IfOf(double c, double a, double b) {
  return c > 1e-6 ? a : b;
}
[[nodiscard]] double SinOf(double x);
[[nodiscard]] double CosOf(double x);
[[nodiscard]] double TanOf(double x);
[[nodiscard]] double ArcTanOf(double x);
[[nodiscard]] double ArcSinOf(double x);
[[nodiscard]] double ArcCosOf(double x);
[[nodiscard]] double DegOf(double x);
[[nodiscard]] double RadOf(double x);
[[nodiscard]] inline double SqrtOf(double x) {
  if (!(x >= 0.0)) return std::numeric_limits<double>::quiet_NaN();
#if defined(__SSE2__)
  // The instruction itself: std::sqrt keeps a library call for errno, which
  // would cost the compiled code its call-free entry.
  return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
#else
  return std::sqrt(x);
#endif
}
[[nodiscard]] double NRootOf(double n, double x);
[[nodiscard]] double LogOf(double x);
[[nodiscard]] double LnOf(double x);
[[nodiscard]] double AbsOf(double x);
[[nodiscard]] double RoundOf(double x);
[[nodiscard]] double RoundOf(double x, double digits);
[[nodiscard]] double RoundDigitsOf(double x, double digits);  // RoundOf(x, digits)
[[nodiscard]] inline double NotOf(double x) {
  return x < 1e-6 ? 1.0 : 0.0;
}
[[nodiscard]] double BitNotOf(double x, double width);
// Low `bits` bits of trunc(x), read signed or unsigned; NaN when x has no
// int64 value.
[[nodiscard]] double LowBitsOf(double x, int32_t bits, bool isSigned);
// The int8..uint32 built-ins as plain one-argument functions.
[[nodiscard]] double Int8Of(double x);
[[nodiscard]] double Int16Of(double x);
[[nodiscard]] double Int32Of(double x);
[[nodiscard]] double UInt8Of(double x);
[[nodiscard]] double UInt16Of(double x);
[[nodiscard]] double UInt32Of(double x);
[[nodiscard]] double SheetOf(double x, IFormulaSheetTabs* tabs);
[[nodiscard]] double DateTimeOf(const TFormulaDateTime& t);
[[nodiscard]] double DateOf(const TFormulaDateTime& t);
[[nodiscard]] double TimeOf(const TFormulaDateTime& t);

// ---- Bodies (call methods of the built-ins) ---------------------------------

void fnMin(void* object, TInterpreter& ip, int32_t argCount);
void fnMax(void* object, TInterpreter& ip, int32_t argCount);
void fnPi(void* object, TInterpreter& ip, int32_t argCount);
void fnSheet(void* object, TInterpreter& ip, int32_t argCount);
void fnIf(void* object, TInterpreter& ip, int32_t argCount);
void fnSin(void* object, TInterpreter& ip, int32_t argCount);
void fnCos(void* object, TInterpreter& ip, int32_t argCount);
void fnTan(void* object, TInterpreter& ip, int32_t argCount);
void fnArcSin(void* object, TInterpreter& ip, int32_t argCount);
void fnArcCos(void* object, TInterpreter& ip, int32_t argCount);
void fnArcTan(void* object, TInterpreter& ip, int32_t argCount);
void fnDeg(void* object, TInterpreter& ip, int32_t argCount);
void fnRad(void* object, TInterpreter& ip, int32_t argCount);
void fnSqrt(void* object, TInterpreter& ip, int32_t argCount);
void fnNRoot(void* object, TInterpreter& ip, int32_t argCount);
void fnEule(void* object, TInterpreter& ip, int32_t argCount);
void fnLog(void* object, TInterpreter& ip, int32_t argCount);
void fnLn(void* object, TInterpreter& ip, int32_t argCount);
void fnAbs(void* object, TInterpreter& ip, int32_t argCount);
void fnDateTime(void* object, TInterpreter& ip, int32_t argCount);
void fnDate(void* object, TInterpreter& ip, int32_t argCount);
void fnTime(void* object, TInterpreter& ip, int32_t argCount);
void fnNull(void* object, TInterpreter& ip, int32_t argCount);
void fnAns(void* object, TInterpreter& ip, int32_t argCount);
void fnRound(void* object, TInterpreter& ip, int32_t argCount);
void fnNot(void* object, TInterpreter& ip, int32_t argCount);
void fnBitNot(void* object, TInterpreter& ip, int32_t argCount);
void fnInt8(void* object, TInterpreter& ip, int32_t argCount);
void fnInt16(void* object, TInterpreter& ip, int32_t argCount);
void fnInt32(void* object, TInterpreter& ip, int32_t argCount);
void fnUInt8(void* object, TInterpreter& ip, int32_t argCount);
void fnUInt16(void* object, TInterpreter& ip, int32_t argCount);
void fnUInt32(void* object, TInterpreter& ip, int32_t argCount);

}  // namespace qx
