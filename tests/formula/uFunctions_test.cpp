#include "formula/uFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/FormulaHarness.h"

namespace qx {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;

using test::CheckCases;
using test::EvalCase;

TEST(FunctionDefs, TableOrderNamesAndCounts) {
  InitFunctions();
  static const char* const kNames[] = {
      "min",    "max",      "pi",    "sheet", "if",     "sin",   "cos",   "tan", "arcsin",
      "arccos", "arctan",   "deg",   "rad",   "sqrt",   "nroot", "eule",  "log", "ln",
      "abs",    "datetime", "date",  "time",  "null",   "ans",   "round", "not", "bitnot",
      "int8",   "int16",    "int32", "uint8", "uint16", "uint32"};
  static_assert(std::size(kNames) == kBuiltinCount);
  for (int32_t i = 0; i < kBuiltinCount; ++i) {
    const TFunctionDefins& d = FunctionDefs[static_cast<size_t>(i)];
    EXPECT_EQ(d.Name, kNames[i]);
    EXPECT_EQ(static_cast<int32_t>(d.Builtin), i + 1);
    EXPECT_NE(d.CallMethod.Code, nullptr);
  }
  // Argument rules.
  EXPECT_TRUE(FunctionDefs[0].AcceptsArgCount(1));
  EXPECT_TRUE(FunctionDefs[0].AcceptsArgCount(50));
  EXPECT_FALSE(FunctionDefs[0].AcceptsArgCount(0));
  const TFunctionDefins& ifDef = FunctionDefs[4];
  EXPECT_FALSE(ifDef.AcceptsArgCount(1));
  EXPECT_TRUE(ifDef.AcceptsArgCount(2));
  EXPECT_TRUE(ifDef.AcceptsArgCount(3));
  EXPECT_FALSE(ifDef.AcceptsArgCount(4));
}

TEST(Functions, ArgumentCountsAreChecked) {
  struct Case {
    const char* source;
    bool valid;
  };
  static const Case cases[] = {
      {"min(1)", true},        {"min()", false},       {"pi()", true},
      {"pi(1)", false},        {"sheet(1)", true},     {"sheet()", false},
      {"if(1;2)", true},       {"if(1)", false},       {"if(1;2;3;4)", false},
      {"sin(1;2)", false},     {"nroot(2;4)", true},   {"nroot(2)", false},
      {"eule()", true},        {"datetime(1)", false}, {"null()", false},
      {"null(1;2;3)", true},   {"ans()", true},        {"round(1;2)", true},
      {"round(1;2;3)", false}, {"round()", false},     {"bitnot(1)", false},
      {"bitnot(1;8)", true},   {"int8(1;2)", false},   {"uint32()", false},
  };
  for (const Case& c : cases) {
    auto compiled = test::Compile(c.source);
    EXPECT_TRUE(compiled->LexOK) << c.source;
    EXPECT_EQ(compiled->ParseOK, c.valid) << c.source;
    if (!c.valid) {
      EXPECT_EQ(compiled->Error, kParseWrongArgCount) << c.source;
    }
  }
}

TEST(Functions, MinMaxIfNotNull) {
  static const EvalCase cases[] = {
      {"min(3; 1; 2)", 1},     {"max(3; 1; 2)", 3},   {"min(0/0; 1)", 1},
      {"min(1; 0/0)", kNaN},   {"max(0/0; 1)", 1},    {"max(1; 0/0)", kNaN},
      {"min(5)", 5},           {"max(-1; -2)", -1},   {"if(0.0000009; 5)", 0},
      {"if(0.0000011; 5)", 5}, {"if(0/0; 5; 6)", 6},  {"if(1; 5; 6)", 5},
      {"if(-1; 5; 6)", 6},     {"not(0.0000009)", 1}, {"not(0.0000011)", 0},
      {"not(0/0)", 0},         {"not(-5)", 1},        {"null(1; 2; 3)", 0},
      {"null(0/0)", 0},        {"pi()", kPi},         {"eule()", 2.718281828459045},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Functions, MathAndDomains) {
  static const EvalCase cases[] = {
      {"sin(pi() / 2)", 1},   {"cos(0)", 1},          {"tan(0)", 0},
      {"arcsin(1)", kPi / 2}, {"arccos(1)", 0},       {"arctan(1)", kPi / 4},
      {"arcsin(1.5)", kNaN},  {"arccos(-1.5)", kNaN}, {"arcsin(0/0)", kNaN},
      {"deg(pi())", 180},     {"rad(180)", kPi},      {"sqrt(16)", 4},
      {"sqrt(-1)", kNaN},     {"sqrt(0/0)", kNaN},    {"nroot(1; 5)", 5},
      {"nroot(2; 0)", 0},     {"nroot(0.5; 3)", 9},   {"nroot(2; 9)", 3},
      {"nroot(2; -4)", kNaN}, {"nroot(0; 5)", kNaN},  // 1 / 0
      {"nroot(-1; 0)", kNaN},                         // 0 to a negative power
      {"log(1000)", 3},       {"log(0)", kNaN},       {"ln(eule())", 1},
      {"ln(-1)", kNaN},       {"abs(-3)", 3},         {"abs(3)", 3},
      {"abs(0/0)", kNaN},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Functions, RoundHalfUpAlsoForNegatives) {
  // round(x) rounds half up: -2.7 gives -3 (the truncating form gave -2).
  static const EvalCase cases[] = {
      {"round(2.5)", 3},
      {"round(2.4999)", 2},
      {"round(-2.5)", -2},
      {"round(-2.7)", -3},
      {"round(-2.2)", -2},
      {"round(0.49999999999999994)", 0},
      {"round(1.2345; 2)", 1.23},
      {"round(1.235; 2.5)", 1.24},     // 2.5 digits -> 2 (half to even)
      {"round(1.2345; 3.5)", 1.2345},  // 3.5 digits -> 4
      {"round(1250; -2)", 1300},
      {"round(-1250; -2)", -1200},
      {"round(0/0)", kNaN},
      {"round(1; 0/0)", kNaN},
      {"round(10 ^ 300)", 1e300},
      {"round(10 ^ 300; 20)", 1e300},  // x * 10^20 overflows: nothing to round
      {"round(-(10 ^ 300); 20)", -1e300},
      {"round(1.5; 400)", 1.5},
      {"round(5; -400)", 0},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Functions, BitsAndIntegerViews) {
  static const EvalCase cases[] = {
      {"bitnot(5; 8)", 250},
      {"bitnot(0; 0)", 1},
      {"bitnot(0; 40)", 4294967295.0},
      {"bitnot(0; 0.9)", 1},
      {"bitnot(0/0; 8)", kNaN},
      {"bitnot(2 ^ 64; 8)", kNaN},
      {"int8(127.9)", 127},
      {"int8(128)", -128},
      {"int8(200)", -56},
      {"int16(32768)", -32768},
      {"uint16(70000)", 4464},
      {"int32(2147483648)", -2147483648.0},  // literals beyond 32 bits are reals
      {"int32(4294967295)", -1},
      {"uint32(4294967296)", 0},
      {"uint8(-1)", 255},
      {"uint16(-1)", 65535},
      {"uint32(-1)", 4294967295.0},
      {"int32(-1.9)", -1},
      {"int8(0/0)", kNaN},
      {"uint32(2 ^ 70)", kNaN},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Functions, SheetSelectsThroughTheHook) {
  test::TFormulaHarness h;
  h.Tabs().Count = 3;
  h.Tabs().Selected = 1;
  EXPECT_EQ(h.Eval("sheet(2)"), 2);
  EXPECT_EQ(h.Tabs().Requests, 1);
  EXPECT_EQ(h.Tabs().LastRequest, 2);
  // Invalid or current numbers: no request, the current tab's number.
  for (const char* src : {"sheet(9)", "sheet(0)", "sheet(1)", "sheet(0/0)", "sheet(2^70)"}) {
    EXPECT_EQ(h.Eval(src), 1) << src;
  }
  EXPECT_EQ(h.Tabs().Requests, 1);
  EXPECT_EQ(h.Eval("sheet(3.9)"), 3);  // truncated
  EXPECT_EQ(h.Tabs().LastRequest, 3);
  // Without tabs there is nothing to select.
  h.Interp().SheetTabs = nullptr;
  EXPECT_EQ(h.Eval("sheet(2)"), 0);
}

TEST(Functions, DateAndTimeFromTheClock) {
  test::TFormulaHarness h;
  h.Clock().Value = {2024, 3, 7, 9, 7, 5};
  EXPECT_EQ(h.Eval("datetime()"), 20240307090705.0);
  EXPECT_EQ(h.Eval("date()"), 20240307.0);
  EXPECT_EQ(h.Eval("time()"), 90705.0);
  h.Clock().Value = {1999, 12, 31, 23, 59, 59};
  EXPECT_EQ(h.EvalChecked("datetime()"), 19991231235959.0);
  // The system clock gives a plausible date.
  h.Interp().Clock = nullptr;
  const double d = h.Eval("date()");
  EXPECT_GT(d, 20200101.0);
  EXPECT_LT(d, 99991231.0);
}

TEST(Functions, AnsIsThePreviousValue) {
  test::TFormulaHarness h;
  EXPECT_EQ(h.Eval("ans()", 3.5), 3.5);
  EXPECT_EQ(h.Eval("ans() + ans()", -1), -2);
}

}  // namespace
}  // namespace qx
