#include "formula/uMemFunctions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/CalcFakes.h"

namespace qx {
namespace {

using calcfakes::CalcRig;

bool SameValue(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || a == b;
}

struct Step {
  std::string frame;
  double expect;
};

struct Case {
  const char* formula;
  std::vector<Step> steps;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Each formula compiled into a number-input element and fed frame by frame.
TEST(MemFunctions, FormulasOverFrames) {
  const Case cases[] = {
      {"last(#1)", {{"#1F5;", 0}, {"#1F7;", 5}, {"#1F9;", 7}}},
      {"z(#1)", {{"#1F5;", 0}, {"#1F7;", 5}}},
      {"LAST(if(#1 > 100; 0/0; #1))", {{"#1F200;", 0}, {"#1F1;", kNaN}, {"#1F2;", 1}}},
      {"count() + count() + #1*0", {{"#1F0;", 2}, {"#1F0;", 4}, {"#1F0;", 6}}},
      {"seqmax(#1)", {{"#1F3;", 3}, {"#1F1;", 3}, {"#1F4;", 4}}},
      // Both branches of "if" are computed, so both counts advance.
      {"if(#1 > 5; count(); 10 * count())", {{"#1F9;", 1}, {"#1F0;", 20}, {"#1F9;", 3}}},
      {"seqmin(if(#1 > 100; 0/0; #1))", {{"#1F3;", 3}, {"#1F200;", 3}, {"#1F1;", 1}}},
      {"seqmax(if(#1 > 100; 0/0; #1))", {{"#1F200;", -INFINITY}, {"#1F-5;", -5}}},
      {"floatavg(#1; 4)", {{"#1F4;", 1}, {"#1F4;", 2}, {"#1F4;", 3}, {"#1F4;", 4}, {"#1F4;", 4}}},
      {"floatavg(#1; 1)", {{"#1F5;", 5}, {"#1F6;", 6}}},
      {"floatavg(#1; 0)", {{"#1F5;", 0}, {"#1F6;", 0}}},
      {"floatavg(#1; 2.9)", {{"#1F4;", 2}, {"#1F6;", 5}, {"#1F8;", 7}}},
      // A change of n restarts the window.
      {"floatavg(#1; #2)", {{"#2F2;", 0}, {"#1F4;", 2}, {"#1F6;", 5}, {"#2F3;", 2}, {"#1F3;", 3}}},
      // A NaN value stays in the average until the window restarts.
      {"floatavg(if(#1 > 100; 0/0; #1); #2)",
       {{"#2F2;", 0}, {"#1F200;", kNaN}, {"#1F1;", kNaN}, {"#2F3;", 1.0 / 3}}},
      // Lengths that are no valid window change nothing.
      {"floatavg(#1; #2)",
       {{"#2F2;", 0},
        {"#1F4;", 2},
        {"#2F1e9;", 0},
        {"#2F-3;", 0},
        {"#2F100001;", 0},
        {"#2F2;", 4},
        {"#1F2;", 3}}},
      {"floatavg(#1; #2 / #3)", {{"#1F4;", 0}, {"#2F1;", 0}, {"#3F1;", 4}}},
  };
  for (const auto& c : cases) {
    CalcRig rig;
    auto& e = rig.Add(RoleNumberIn, c.formula);
    rig.calc.CompileAndInit();
    ASSERT_TRUE(e.SourceValid) << c.formula;
    for (const auto& s : c.steps) {
      EXPECT_TRUE(rig.Frame(s.frame)) << c.formula << " " << s.frame;
      EXPECT_PRED2(SameValue, e.GetValue(), s.expect) << c.formula << " after " << s.frame;
    }
  }
}

TEST(MemFunctions, FloatAvgLengthIsCapped) {
  struct LenCase {
    double n;
    bool valid;
  };
  const LenCase cases[] = {{1, true},        {0.99, false},     {0, false},         {-1, false},
                           {kNaN, false},    {INFINITY, false}, {-INFINITY, false}, {100000, true},
                           {100000.9, true}, {100001, false},   {1e300, false}};
  for (const auto& c : cases) {
    TMemFctFloatAvg f;
    const double r = f.Step(6, c.n);
    if (c.valid) {
      EXPECT_EQ(f.Length, static_cast<int32_t>(c.n)) << c.n;
      EXPECT_DOUBLE_EQ(r, 6 / std::trunc(c.n)) << c.n;
    } else {
      EXPECT_EQ(r, 0) << c.n;
      EXPECT_EQ(f.Length, 0) << c.n;
      EXPECT_TRUE(f.Buffer.empty()) << c.n;
    }
  }
}

TEST(MemFunctions, DefinitionsInMatchingOrder) {
  TMemFunctionSet set;
  const auto defs = set.MemFunctionDefs();
  ASSERT_EQ(defs.size(), 6u);
  const std::pair<const char*, int32_t> expect[] = {{"last", 1},   {"z", 1},     {"seqmin", 1},
                                                    {"seqmax", 1}, {"count", 0}, {"floatavg", 2}};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(defs[i]->Name, expect[i].first);
    EXPECT_EQ(defs[i]->ArgCount, expect[i].second);
    EXPECT_FALSE(defs[i]->Variadic);
  }
  // Every instance is new and carries the definition's shape.
  TFunctionDefins* a = defs[5]->CreateInstance();
  TFunctionDefins* b = defs[5]->CreateInstance();
  EXPECT_NE(a, b);
  EXPECT_NE(a, defs[5]);
  EXPECT_EQ(a->Name, "floatavg");
  EXPECT_EQ(a->ArgCount, 2);
  EXPECT_EQ(a->CallMethod.Data, a);
  EXPECT_EQ(set.MemFunctions().size(), 2u);
  set.FreeAll();
  EXPECT_TRUE(set.MemFunctions().empty());
}

// Every compile run frees the old instances and starts the new ones fresh;
// the value reset restarts them too.
TEST(MemFunctions, CompileAndValueResetRestartMemory) {
  CalcRig rig;
  auto& counter = rig.Add(RoleNumberIn, "count() + #1*0");
  auto& maxer = rig.Add(RoleNumberIn, "seqmax(#1) + floatavg(#1; 2)*0");
  rig.calc.CompileAndInit();
  EXPECT_EQ(rig.mem.MemFunctions().size(), 3u);
  rig.Frame("#1F3;");
  rig.Frame("#1F1;");
  EXPECT_EQ(counter.GetValue(), 2);
  EXPECT_EQ(maxer.GetValue(), 3);

  rig.calc.ResetMemFunctions();
  rig.Frame("#1F2;");
  EXPECT_EQ(counter.GetValue(), 1);
  EXPECT_EQ(maxer.GetValue(), 2);

  rig.calc.CompileAndInit();
  EXPECT_EQ(rig.mem.MemFunctions().size(), 3u);  // the old ones are gone
  rig.Frame("#1F1;");
  EXPECT_EQ(counter.GetValue(), 1);
  EXPECT_EQ(maxer.GetValue(), 1);
}

// The value reset comes from the GUI thread while a port thread evaluates.
TEST(MemFunctions, ValueResetDuringRun) {
  CalcRig rig;
  auto& e = rig.Add(RoleNumberIn, "count() + floatavg(#1; 3)*0");
  rig.calc.CompileAndInit();
  constexpr int kFrames = 20000;
  std::atomic<bool> bad{false};
  std::thread port([&] {
    for (int i = 0; i < kFrames; ++i) {
      rig.Frame("#1F1;");
      const double v = e.GetValue();
      if (!(v >= 1 && v <= kFrames)) bad = true;
    }
  });
  for (int i = 0; i < 200; ++i) rig.calc.ResetMemFunctions();
  port.join();
  EXPECT_FALSE(bad.load());
}

}  // namespace
}  // namespace qx
