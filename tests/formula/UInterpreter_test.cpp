#include "formula/UInterpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/FormulaHarness.h"

namespace qx {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using test::CheckCases;
using test::EvalCase;

TEST(Operators, ArithmeticPrecedenceAndAssociativity) {
  static const EvalCase cases[] = {
      {"1 + 2 * 3", 7},    {"10 - 4 - 3", 3},   {"2 ^ 3 ^ 2", 64},
      {"-2 ^ 2", 4},       {"(-2) ^ 2", 4},     {"-(2 ^ 2)", -4},
      {"-(2 + 3)", -5},    {"-3 + 5", 2},       {"12 / 4 / 3", 1},
      {"2 * 3 ^ 2", 18},   {"7 - 2 * 3", 1},    {"1 + 2 == 3", 1},
      {"1 < 2 == 1", 1},   {"1 + 1 and 0", 0},  {"6 bitand 3 + 1", 4},
      {"1 or 0 and 0", 0},  // equal priority, left to right
      {"2,5 * 2", 5},      {"0x10 + 0b11", 19}, {"#1 ) * 100", 0},
      {"7 / 0", kNaN},     {"0 / 0", kNaN},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Operators, LiteralsBeyond32BitsAreReals) {
  static const EvalCase cases[] = {
      {"2147483648 - 1", 2147483647},
      {"1 and 4294967295", 1},
      {"4294967295 bitand 65535", 65535},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Operators, ComparisonsAndNaN) {
  static const EvalCase cases[] = {
      {"3 == 3", 1}, {"3 == 4", 0},    {"(0/0) == (0/0)", 0}, {"(0/0) /= 1", 1}, {"1 /= 1", 0},
      {"2 /= 1", 1}, {"(0/0) < 1", 0}, {"(0/0) >= 1", 0},     {"(0/0) <= 1", 0}, {"(0/0) > 1", 0},
      {"1 < 2", 1},  {"2 < 1", 0},     {"2 <= 2", 1},         {"3 <= 2", 0},     {"2 > 1", 1},
      {"1 > 1", 0},  {"1 >= 1", 1},    {"0 >= 1", 0},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Operators, LogicTruthLimitAndNaN) {
  static const EvalCase cases[] = {
      {"0.5 and 2", 1},      {"-3 and 2", 0},    {"0.0000009 or 0", 0}, {"0.0000011 and 1", 1},
      {"0.000001 and 1", 1}, {"(0/0) and 1", 1}, {"(0/0) or 0", 0},     {"(0/0) xor 0", 1},
      {"(0/0) xor 1", 0},    {"1 xor 0", 1},     {"1 xor 1", 0},        {"0 xor 0", 0},
      {"0 or 0.5", 1},       {"0 and 1", 0},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Operators, DivisionModuloAndBits) {
  static const EvalCase cases[] = {
      {"7 / 2", 3.5},
      {"7 / 0", kNaN},
      {"0 / 0", kNaN},
      {"(10 ^ 300) / (10 ^ (-300))", kNaN},                         // beyond the double range
      {"(2 ^ 1024) / 2", std::numeric_limits<double>::infinity()},  // no new fault
      {"7 mod 3", 1},
      {"-7 mod 3", -1},
      {"7 mod (-3)", 1},
      {"7.9 mod 3.9", 1},
      {"5 mod 0", kNaN},
      {"5 mod 0.00000000001", kNaN},
      {"5 mod 0.5", kNaN},
      {"5 mod 2.5", 1},
      {"5 mod (-1)", 0},
      {"(-2 ^ 63) mod (-1)", 0},  // INT64_MIN mod -1 must not trap
      {"(2 ^ 63) mod 2", kNaN},
      {"(0/0) mod 2", kNaN},
      {"5 mod (0/0)", kNaN},
      {"6 bitand 3", 2},
      {"-1 bitand 255", 255},
      {"2.9 bitor 4", 6},
      {"6 bitxor 3", 5},
      {"(2 ^ 63) bitand 1", kNaN},
      {"(0/0) bitor 1", kNaN},
      {"1 bitxor (0/0)", kNaN},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Operators, Power) {
  static const EvalCase cases[] = {
      {"0 ^ 0", 1},
      {"2 ^ (-1)", 0.5},
      {"(-8) ^ 3", -512},
      {"(-2) ^ 3", -8},
      {"2 ^ 0.5", std::sqrt(2.0)},
      {"0 ^ 3", 0},
      {"0 ^ 0.5", 0},
      {"(0/0) ^ 0", 1},
      {"3 ^ 0", 1},
      {"2 ^ 10", 1024},
      {"10 ^ (-2)", 0.01},
      {"(-2) ^ 0.5", kNaN},
      {"0 ^ (-1)", kNaN},
      {"(-1) ^ 2147483647", -1},
      {"(-1) ^ 2147483646", 1},
      {"0.5 ^ (-2147483647)", kNaN},  // 1 / 0
      {"2 ^ 2000", kInf},
      {"2 ^ (0/0)", kNaN},
  };
  test::TFormulaHarness h;
  CheckCases(cases, std::size(cases), h);
}

TEST(Operators, HugeWholeExponentFromChannelIsQuick) {
  // A device sending 2e9 as exponent: exponentiation by squaring keeps this a
  // handful of multiplications (the old loop ran two billion times).
  test::TFormulaHarness h;
  h.Set(1, 1.0000000001);
  h.Set(2, 2147483647.0);
  const double r = h.Eval("#1 ^ #2");
  EXPECT_NEAR(r, std::pow(1.0000000001, 2147483647.0), 1e-6 * r);
  h.Set(2, 4294967296.0);  // beyond 2^31-1: the logarithm form
  EXPECT_NEAR(h.Eval("#1 ^ #2"), std::pow(1.0000000001, 4294967296.0), 1e-3);
}

TEST(Interpreter, ChannelsAndPreviousValue) {
  test::TFormulaHarness h;
  h.Set(1, 4);
  h.Set(2, 0.5);
  h.Set(999, -7);
  EXPECT_EQ(h.Eval("#1 * 2 + 3"), 11);
  EXPECT_EQ(h.Eval("#1 + #2 * (#1 + #2)"), 6.25);
  EXPECT_EQ(h.Eval("#999 - #1 / #2"), -15);
  EXPECT_EQ(h.Eval("#3"), 0);
  EXPECT_EQ(h.Eval("ans() + 1", 41), 42);
  EXPECT_EQ(h.EvalChecked("ans() * 2", 21), 42);
  // Leading minus applies to one operand only.
  EXPECT_EQ(h.Eval("-#1 + 5"), 1);
}

TEST(Interpreter, GlobalChannelValuesAreSettable) {
  std::atomic<double> values[kChannelCount];
  for (auto& v : values) v.store(0.0);
  values[5].store(2.5);
  TInterpreter& ip = Interpreter;
  ip.Reset();
  SetChannelValues(values);
  auto c = test::Compile("#5 * 2");
  EXPECT_EQ(ip.Run(c->Code), 5.0);
  SetChannelValues(nullptr);
  EXPECT_EQ(ip.Run(c->Code), 0.0);
  ip.Reset();
}

TEST(Interpreter, StackRulesOnHandBuiltCode) {
  // Code no parser makes: an operator with nothing to pop, and a code that
  // leaves nothing. Underflow gives 0 and a report, never a crash.
  test::TFormulaHarness h;
  TTokenList tokens;
  TCode code;
  code.Add(tokens.Add<TOperatorToken>(oiAdd));
  EXPECT_FALSE(code.Safe());
  TInterpreter& ip = h.Interp();
  EXPECT_EQ(ip.Run(code), 0.0);
  EXPECT_EQ(ip.UPNStack.LastError, kStackUnderflow);
  EXPECT_EQ(ip.UPNStack.Count, 0);

  TCode empty;
  ip.UPNStack.ResetErrors();
  EXPECT_EQ(ip.Run(empty), 0.0);
  EXPECT_EQ(ip.UPNStack.ErrorCount, 1);

  // A string token does nothing; an operator without procedure neither.
  TCode odd;
  odd.Add(tokens.Add<TIntToken>(3));
  odd.Add(tokens.Add<TStringToken>("x"));
  odd.Add(tokens.Add<TOperatorToken>(oiOpen));
  EXPECT_TRUE(odd.Safe());
  EXPECT_EQ(ip.Run(odd), 3.0);
}

TEST(Interpreter, OverflowDropsValues) {
  test::TFormulaHarness h;
  TTokenList tokens;
  TCode code;
  for (int i = 0; i < kUPNStackSize + 5; ++i) code.Add(tokens.Add<TIntToken>(i));
  EXPECT_FALSE(code.Safe());
  TInterpreter& ip = h.Interp();
  ip.UPNStack.ResetErrors();
  EXPECT_EQ(ip.Run(code), kUPNStackSize - 1);  // later values were dropped
  EXPECT_EQ(ip.UPNStack.ErrorCount, 5);
  EXPECT_EQ(ip.UPNStack.LastError, kStackOverflow);
}

TEST(Interpreter, ValidCodeLeavesOneValue) {
  test::TFormulaHarness h;
  for (const char* src : {"1+2*3", "max(1;2;3)+min(4;5)", "if(1;2;3)", "-#1*2", "null(1;2;3)"}) {
    auto c = test::Compile(src);
    ASSERT_TRUE(c->Valid()) << src;
    EXPECT_TRUE(c->Code.Safe()) << src;
    h.Interp().Run(c->Code);
    EXPECT_EQ(h.Interp().UPNStack.Count, 0) << src;
  }
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// Stand-ins for the later function kinds, called through their call method
// with their object: a counter with memory per occurrence and a table-like
// one-argument function.
class FakeCounter final : public TFunctionDefins {
 public:
  FakeCounter() : TFunctionDefins(TCallMethod{Call, nullptr}, "count", false, 0, 0) {
    CallMethod.Data = this;
  }
  TFunctionDefins* CreateInstance() override {
    auto inst = std::make_unique<FakeCounter>();
    instances.push_back(std::move(inst));
    return instances.back().get();
  }
  static void Call(void* self, TInterpreter& ip, int32_t) {
    auto* me = static_cast<FakeCounter*>(self);
    me->memory += 1;
    ip.UPNStack.Push(me->memory);
  }
  double memory = 0;
  std::vector<std::unique_ptr<FakeCounter>> instances;
};

class FakeTable final : public TFunctionDefins {
 public:
  FakeTable() : TFunctionDefins(TCallMethod{Call, nullptr}, "gain", false, 1, 1) {
    CallMethod.Data = this;
  }
  static void Call(void* self, TInterpreter& ip, int32_t) {
    const double x = ip.UPNStack.Pop();
    ip.UPNStack.Push(x * static_cast<FakeTable*>(self)->factor);
  }
  double factor = 10;
};

TEST(Interpreter, FunctionsWithObjectsRunOnBothPaths) {
  InitFunctions();
  test::TFormulaHarness h;
  h.Set(3, 0.5);
  FakeCounter count;
  FakeTable gain;
  TFunctionDefins* mems[] = {&count};
  TFunctionDefins* tables[] = {&gain};
  TTokenList tokens;
  TIntList deps;
  TCode code;
  ASSERT_TRUE(
      TokenizeFormula("1 + count() * 100 + count() + gain(#3 + 1)", tokens, deps, mems, tables).OK);
  ASSERT_TRUE(ParseTokens(tokens, code).OK);
  ASSERT_TRUE(code.Safe());
  TInterpreter& ip = h.Interp();
  EXPECT_EQ(ip.Run(code), 1 + 100 + 1 + 15);  // each occurrence counts on its own
  EXPECT_EQ(ip.Run(code), 1 + 200 + 2 + 15);
  ip.Code = &code;
  ip.InterpreteChecked();
  EXPECT_EQ(ip.Result, 1 + 300 + 3 + 15);
  EXPECT_EQ(ip.UPNStack.Count, 0);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// The fused steps (operator with two simple operands, squares, min/max over
// channels and constants, if with simple branches or a simple comparison)
// must give exactly what the token-by-token path gives, for every kind of
// operand value.
TEST(Interpreter, FusedStepsAgreeWithCheckedPath) {
  static const char* const kSources[] = {
      "#1+1",
      "1-#1",
      "#1*#2",
      "#1/#2",
      "#1^2",
      "#1^#2",
      "2^#1",
      "#1 mod 3",
      "7 mod #2",
      "#1 bitand #2",
      "#1 and #2",
      "#1 or 0",
      "1 xor #2",
      "#1==#2",
      "#1/=#2",
      "#1<#2",
      "#1<=2",
      "2>#1",
      "#1>=#2",
      "sqrt(#1^2+#2^2)",
      "2*#1+1",
      "(2*#1+1)*3",
      "#1+#2*(#1+#2)",
      "max(#1;#2;#3)*2",
      "min(#1;2;#3)",
      "max(#1)",
      "min(3;#2)",
      "max(#1;#2+1;#3)",
      "if(#1>5;#2;#3)",
      "if(#1;#2;#3)",
      "if(#1==#2;1;#3)",
      "if(2<#1;#2)",
      "if(#1/=#2;#3)",
      "if(#1<=#2;-1;2)",
      "if(#1>=0,5;#2;3)",
      "if(#1+1>#2;#3;4)",
      "if(#1>5;#2+1;#3)",
      "1+if(#1<#2;#2;#1)*2",
      "max(#1;#2;#3)+min(#3;#2;#1)",
      // Whole-code shapes run by one function each.
      "#2",
      "-0,5",
      "#3^2",
      "#1-#2",
      "3/#1",
      "#1 mod #2",
      "sqrt(#3^2+#1^2)",
      "max(#1;#2)+1",
      "min(#1;#2;#3;#1)-1",
      "max(#3;#2;#1;1;#2)/3",
      "min(#1;#2)/0",
      "max(#1;2)*#2",
      "if(#1<0,000001;#2;-0)",
  };
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  const double kValues[][3] = {
      {3.7, 1.3, -2.5},  {6, 6, 0},           {kNaN, 1, 2},        {1, kNaN, 2},
      {-0.0, 0.0, kNaN}, {kInf, -kInf, 1e-6}, {1e-6, 5e-7, 5},     {5, 5, 5},
      {-3, 0, 2},        {1e300, 1e-300, -7}, {-kInf, kNaN, -0.0}, {0.0, -0.0, 1e-6},
  };
  test::TFormulaHarness h;
  for (const auto& v : kValues) {
    for (int32_t i = 0; i < 3; ++i) h.Set(i + 1, v[i]);
    for (const char* src : kSources) {
      auto c = test::Compile(src);
      ASSERT_TRUE(c->Valid()) << src;
      ASSERT_TRUE(c->Code.Safe()) << src;
      TInterpreter& ip = h.Interp();
      const double fast = ip.Run(c->Code);
      EXPECT_EQ(ip.UPNStack.Count, 0) << src;
      ip.InterpreteChecked();
      const double checked = ip.Result;
      if (std::isnan(checked)) {
        EXPECT_TRUE(std::isnan(fast)) << src << " with #1=" << v[0] << " gave " << fast;
      } else {
        EXPECT_EQ(fast, checked) << src << " with #1=" << v[0] << " #2=" << v[1];
        EXPECT_EQ(std::signbit(fast), std::signbit(checked)) << src;
      }
    }
  }
}

// The commonest whole formulas skip the step loop; the table above checks
// their results, this that they really take that path.
TEST(Interpreter, CommonShapesRunAsOneFunction) {
  static const char* const kShaped[] = {
      "#1",
      "2",
      "#1+1",
      "1-#1",
      "#1*#2",
      "#1^2",
      "#1^#2",
      "sqrt(#1^2+#2^2)",
      "if(#1>5;#2;#3)",
      "if(2<#1;#2)",
      "max(#1;#2;#3)*2",
      "min(#1;2;#3)",
      "max(#1)",
      "max(#1;#2;#3;#1;#2)-1",
  };
  for (const char* src : kShaped) {
    auto c = test::Compile(src);
    ASSERT_TRUE(c->Valid()) << src;
    EXPECT_TRUE(c->Code.Shaped()) << src;
  }
  static const char* const kGeneral[] = {"2*#1+1", "max(#1;#2) mod 2", "if(#1;#2;#3)",
                                         "sqrt(#1^2+#2^3)", "ans()"};
  for (const char* src : kGeneral) {
    auto c = test::Compile(src);
    ASSERT_TRUE(c->Valid()) << src;
    EXPECT_FALSE(c->Code.Shaped()) << src;
  }
  // The stack count is that of a finished run, whatever ran before.
  test::TFormulaHarness h;
  h.Set(1, 4);
  TInterpreter& ip = h.Interp();
  ip.UPNStack.Count = 7;
  auto c = test::Compile("#1*#1");
  EXPECT_EQ(ip.Run(c->Code), 16);
  EXPECT_EQ(ip.UPNStack.Count, 0);
}

TEST(Interpreter, FusedComparisonsAndSelection) {
  test::TFormulaHarness h;
  h.Set(1, kNaN);
  h.Set(2, 7);
  static const EvalCase cases[] = {
      {"if(#1>5;1;2)", 2},   {"if(#1<5;1;2)", 2},  {"if(#1==#1;1;2)", 2}, {"if(#1/=#1;1;2)", 1},
      {"if(#1<=#2;1;2)", 2}, {"if(#2>=7;1;2)", 1}, {"if(#1;1;2)", 2},     {"if(#2>8;1)", 0},
      {"max(#1;#2)", 7},     {"max(#2;#1)", kNaN}, {"min(#1;#2;3)", 3},   {"#1 and #2", 1},
      {"#1 or 0", 0},        {"sqrt(#2^2)", 7},
  };
  CheckCases(cases, std::size(cases), h);
}

}  // namespace
}  // namespace qx
