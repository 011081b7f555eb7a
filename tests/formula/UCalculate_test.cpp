#include "formula/UCalculate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CalcFakes.h"

namespace qx {
namespace {

using calcfakes::CalcRig;
using calcfakes::FakeElement;

std::vector<int32_t> ReaderChannels(TTerminal& hub, const TElementCore* e) {
  std::vector<int32_t> out;
  for (int32_t ch = 0; ch < kChannelCount; ++ch)
    for (const TElementCore* r : hub.Kanal(ch).Readers)
      if (r == e) out.push_back(ch);
  return out;
}

std::vector<int32_t> WriterChannels(TTerminal& hub, const TElementCore* e) {
  std::vector<int32_t> out;
  for (int32_t ch = 0; ch < kChannelCount; ++ch)
    for (const TElementCore* w : hub.Kanal(ch).Writers)
      if (w == e) out.push_back(ch);
  return out;
}

TEST(CompileAndInit, RoleRules) {
  struct Case {
    int32_t role;
    const char* source;
    bool active;
    bool valid;
    bool empty;
    std::vector<int32_t> readers;
    std::vector<int32_t> writers;
    int32_t outChannel;
    bool isFormula;
  };
  const Case cases[] = {
      {RoleNumberIn, "#3 * 2", true, true, false, {3}, {}, 0, false},
      {RoleNumberIn, "#1 + #1 + #2", true, true, false, {1, 2}, {}, 0, false},
      {RoleNumberIn, "#3 * 2", false, true, false, {}, {}, 0, false},
      {RoleNumberIn, "#1 +", true, false, false, {}, {}, 0, false},
      {RoleNumberIn, "#1000", true, false, false, {}, {}, 0, false},
      // Tokens after a top-level ";" or ")" are not parsed, but their
      // channels still make the element a reader.
      {RoleNumberIn, "#4 ; #5", true, true, false, {4, 5}, {}, 0, false},
      {RoleNumberIn, "#4 ) + #6", true, true, false, {4, 6}, {}, 0, false},
      {RoleNumberIn, "", true, false, true, {}, {}, 0, false},
      {RoleNumberIn, " \t ", true, false, true, {}, {}, 0, false},
      {RoleTextIn, "#7", true, true, false, {7}, {}, 0, false},
      {RoleTextIn, "#7", false, true, false, {}, {}, 0, false},
      {RoleTextIn, "(#7)", true, false, false, {}, {}, 0, false},
      {RoleTextIn, "#7 + 1", true, false, false, {}, {}, 0, false},
      {RoleTextIn, "'abc'", true, false, false, {}, {}, 0, false},
      {RoleOutput, "#20", true, true, false, {}, {20}, 20, false},
      {RoleOutput, "#20", false, true, false, {}, {20}, 20, false},
      {RoleOutput, "20", true, false, false, {}, {}, 0, false},
      {RoleOutput, "#20 + 1", true, false, false, {}, {}, 0, false},
      {RoleNumberOrTextIn, "#5", true, true, false, {5}, {}, 0, false},
      {RoleNumberOrTextIn, "#5 * 1", true, true, false, {5}, {}, 0, true},
      {RoleNumberOrTextIn, "#5 *", true, false, false, {}, {}, 0, false},
      {RoleNumberOrTextIn, "#5 )", true, true, false, {5}, {}, 0, true},  // two tokens
      {RoleNumberOrTextIn, "#5", false, true, false, {}, {}, 0, false},
      {RoleNone, "#5", true, false, false, {}, {}, 0, false},
  };
  for (const auto& c : cases) {
    CalcRig rig;
    auto& e = rig.Add(c.role, c.source);
    e.Active = c.active;
    rig.calc.CompileAndInit();
    const std::string what = std::to_string(c.role) + " '" + c.source + "'";
    EXPECT_EQ(e.compileHooks, 1) << what;
    EXPECT_EQ(e.SourceValid, c.valid) << what;
    EXPECT_EQ(e.SourceEmpty, c.empty) << what;
    EXPECT_EQ(ReaderChannels(rig.hub, &e), c.readers) << what;
    EXPECT_EQ(WriterChannels(rig.hub, &e), c.writers) << what;
    EXPECT_EQ(e.OutChannel, c.outChannel) << what;
    EXPECT_EQ(e.IsFormula, c.isFormula) << what;
    if (c.role == RoleOutput) {
      EXPECT_EQ(e.Formula().Dependencies.Count(), 0) << what;
    }
    EXPECT_EQ(rig.sheets.fills, 1);
  }
}

TEST(CompileAndInit, RecompileRebuildsRegistrations) {
  CalcRig rig;
  auto& e = rig.Add(RoleNumberIn, "#3 * 2");
  auto& out = rig.Add(RoleOutput, "#9");
  rig.calc.CompileAndInit();
  e.Source = "#4";
  out.Source = "#10";
  rig.calc.CompileAndInit();
  EXPECT_EQ(ReaderChannels(rig.hub, &e), std::vector<int32_t>{4});
  EXPECT_EQ(WriterChannels(rig.hub, &out), std::vector<int32_t>{10});
  EXPECT_EQ(out.OutChannel, 10);
  out.Source = "oops";
  rig.calc.CompileAndInit();
  EXPECT_EQ(out.OutChannel, 0);
  EXPECT_FALSE(out.SourceValid);
  EXPECT_TRUE(WriterChannels(rig.hub, &out).empty());
}

TEST(CompileAndInit, NothingChangesWhileConnected) {
  CalcRig rig;
  auto& e = rig.Add(RoleNumberIn, "#3 * 2");
  rig.calc.CompileAndInit();
  e.Source = "#4";
  rig.loss.RecvLoss = true;
  rig.hub.Connected = true;
  rig.calc.CompileAndInit();
  rig.hub.Connected = false;
  EXPECT_EQ(e.compileHooks, 1);
  EXPECT_EQ(rig.sheets.fills, 1);
  EXPECT_TRUE(rig.loss.RecvLoss);
  EXPECT_EQ(ReaderChannels(rig.hub, &e), std::vector<int32_t>{3});
  rig.calc.CompileAndInit();
  EXPECT_FALSE(rig.loss.RecvLoss);  // a compile run resets the loss flags
  EXPECT_EQ(ReaderChannels(rig.hub, &e), std::vector<int32_t>{4});
}

// A disabled element keeps its last compile state, is not registered and is
// never evaluated, even though its memory functions were freed.
TEST(CompileAndInit, DisabledElementKeepsStateAndIsNeverEvaluated) {
  CalcRig rig;
  auto& e = rig.Add(RoleNumberIn, "count() + floatavg(#1; 3) + #1");
  rig.calc.CompileAndInit();
  rig.Frame("#1F3;");
  EXPECT_EQ(e.GetValue(), 5);
  e.Disabled = true;
  rig.calc.CompileAndInit();
  EXPECT_EQ(e.compileHooks, 2);
  EXPECT_TRUE(e.SourceValid);
  EXPECT_TRUE(ReaderChannels(rig.hub, &e).empty());
  EXPECT_TRUE(rig.mem.MemFunctions().empty());
  rig.hub.CalculateLocked(e);
  rig.calc.Calculate(e);
  EXPECT_FALSE(rig.Frame("#1F4;"));
  EXPECT_EQ(e.GetValue(), 5);
}

// Enabled again while connected (no compile run possible), an element that
// was disabled at the last compile run must not call the functions with
// memory that run freed.
TEST(CompileAndInit, ElementEnabledWhileConnectedIsNotEvaluated) {
  CalcRig rig;
  auto& e = rig.Add(RoleNumberIn, "count() + last(#1) + #1");
  rig.calc.CompileAndInit();
  rig.Frame("#1F3;");
  EXPECT_EQ(e.GetValue(), 4);
  e.Disabled = true;
  rig.calc.CompileAndInit();
  EXPECT_TRUE(e.SourceValid);
  EXPECT_EQ(e.Formula().Dependencies.Count(), 2);  // still listed by the usage table
  rig.hub.Connected = true;
  e.Disabled = false;
  rig.hub.CalculateLocked(e);
  EXPECT_EQ(e.GetValue(), 4);
  rig.hub.Connected = false;
  rig.calc.CompileAndInit();
  rig.Frame("#1F5;");
  EXPECT_EQ(e.GetValue(), 6);  // fresh memory: 1 + 0 + 5
}

TEST(Calculate, RoutesNumbersAndTextsByRole) {
  CalcRig rig;
  auto& number = rig.Add(RoleNumberIn, "#3 * 2");
  auto& text = rig.Add(RoleTextIn, "#3");
  auto& both = rig.Add(RoleNumberOrTextIn, "#3");
  auto& formula = rig.Add(RoleNumberOrTextIn, "#3 * 1");
  auto& out = rig.Add(RoleOutput, "#3");
  rig.calc.CompileAndInit();
  // An output reads nothing; it only writes its channel.
  EXPECT_EQ(WriterChannels(rig.hub, &out), std::vector<int32_t>{3});

  EXPECT_TRUE(rig.Frame("#3F4;"));
  EXPECT_EQ(number.GetValue(), 8);
  EXPECT_EQ(text.GetValue(), 0);
  EXPECT_FALSE(text.Changed);
  EXPECT_EQ(both.GetValue(), 4);
  EXPECT_TRUE(both.ValueIsNumber);
  EXPECT_EQ(formula.GetValue(), 4);
  EXPECT_EQ(out.GetValue(), 0);

  EXPECT_TRUE(rig.Frame("#3Shello;"));
  EXPECT_EQ(text.GetStrValue(), "hello");
  EXPECT_EQ(both.GetStrValue(), "hello");
  EXPECT_FALSE(both.ValueIsNumber);
  EXPECT_EQ(number.GetStrValue(), "");
  EXPECT_TRUE(number.ValueIsNumber);
  EXPECT_EQ(formula.GetStrValue(), "");
  EXPECT_EQ(out.GetStrValue(), "");

  // Silent frames store but evaluate nobody.
  EXPECT_FALSE(rig.hub.ReceiveFrame("#3F10;", nullptr, false));
  EXPECT_EQ(number.GetValue(), 8);
  // An invalid element is skipped.
  number.SourceValid = false;
  rig.calc.Calculate(number);
  EXPECT_EQ(number.GetValue(), 8);
}

TEST(Calculate, EndToEndFrames) {
  CalcRig rig;
  auto& sum = rig.Add(RoleNumberIn, "#1 + #2");
  auto& acc = rig.Add(RoleNumberIn, "ans() + #1");
  auto& twice = rig.Add(RoleNumberIn, "#1 + #1");
  rig.calc.CompileAndInit();
  EXPECT_EQ(rig.hub.Kanal(1).Readers.size(), 3u);
  rig.Frame("#1F1,5;");
  rig.Frame("#2F2.5;");
  EXPECT_EQ(sum.GetValue(), 4);
  EXPECT_EQ(acc.GetValue(), 1.5);
  rig.Frame("#1F1;");
  EXPECT_EQ(acc.GetValue(), 2.5);
  EXPECT_EQ(twice.GetValue(), 2);
  EXPECT_EQ(sum.GetValue(), 3.5);
}

TEST(ShowHiddenElements, OnlyDisabledOrHiddenTopLevelElements) {
  CalcRig rig;
  auto& plain = rig.Add(RoleNumberIn, "#1");
  auto& disabled = rig.Add(RoleNumberIn, "#1");
  disabled.Disabled = true;
  auto& hidden = rig.Add(RoleNumberIn, "#1");
  hidden.HideInRun = true;
  auto& sub = rig.Add(RoleOutput, "#2");
  sub.IsSubElement = true;
  sub.Disabled = true;
  rig.calc.ShowHiddenElements(false);
  EXPECT_EQ(plain.visibilityCalls, 0);
  EXPECT_EQ(sub.visibilityCalls, 0);
  EXPECT_FALSE(disabled.runVisible);
  EXPECT_FALSE(hidden.runVisible);
  rig.calc.ShowHiddenElements(true);
  EXPECT_TRUE(disabled.runVisible);
  EXPECT_TRUE(hidden.runVisible);
}

TEST(Calculator, GlobalEntryPointsNeedACalculator) {
  CalcRig rig;
  auto& e = rig.Add(RoleNumberIn, "#1 + 1");
  Calculator = nullptr;
  CompileAndInit();  // nothing to do without one
  EXPECT_EQ(e.compileHooks, 0);
  Calculator = &rig.calc;
  CompileAndInit();
  Calculate(e);
  EXPECT_EQ(e.GetValue(), 1);
  ShowHiddenElements(true);
  CalculateString(e);
  Calculator = nullptr;
}

}  // namespace
}  // namespace qx
