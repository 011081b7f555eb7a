// Compiles formula texts and runs them over a private channel array, with
// fakes for the sheet tabs and the clock.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "formula/UInterpreter.h"
#include "formula/ULexer.h"
#include "formula/UParser.h"
#include "formula/uFunctions.h"

namespace qx::test {

struct TCompiled {
  TTokenList Tokens;
  TIntList Dependencies;
  TCode Code;
  bool LexOK = false;
  bool Empty = false;
  bool ParseOK = false;
  std::string Error;  // lexer or parser report

  [[nodiscard]] bool Valid() const { return LexOK && ParseOK; }
};

// Lex and, when that worked, parse.
inline std::unique_ptr<TCompiled> Compile(std::string_view source) {
  InitFunctions();
  auto c = std::make_unique<TCompiled>();
  TLexer lexer = TokenizeFormula(source, c->Tokens, c->Dependencies);
  c->LexOK = lexer.OK;
  c->Empty = lexer.Empty;
  c->Error = lexer.Error.Message;
  if (lexer.OK) {
    TParser parser = ParseTokens(c->Tokens, c->Code, lexer.Source);
    c->ParseOK = parser.OK;
    c->Error = parser.Error.Message;
  }
  return c;
}

// Reverse Polish code as text: numbers, "#n", operator texts, "name/argc".
inline std::string CodeText(const TCode& code) {
  std::string out;
  for (TToken* t : code.Items()) {
    if (!out.empty()) out += ' ';
    switch (t->Kind) {
      case tkInt:
        out += std::to_string(static_cast<TIntToken*>(t)->Value);
        break;
      case tkReal:
        out += 'r';
        out += std::to_string(static_cast<TRealToken*>(t)->Value);
        break;
      case tkChannel:
        out += '#';
        out += std::to_string(static_cast<TChannelToken*>(t)->Channel);
        break;
      case tkOperator:
        out += Operators[static_cast<size_t>(static_cast<TOperatorToken*>(t)->OperatorIndex)].Name;
        break;
      case tkFunction: {
        auto* f = static_cast<TFunctionToken*>(t);
        out += f->Definition->Name;
        out += '/';
        out += std::to_string(f->ArgCount);
        break;
      }
      default:
        out += "'str'";
        break;
    }
  }
  return out;
}

class TFakeSheetTabs final : public IFormulaSheetTabs {
 public:
  int32_t Count = 3;
  int32_t Selected = 1;
  int32_t Requests = 0;
  int32_t LastRequest = 0;
  int32_t TabCount() const override { return Count; }
  int32_t SelectedTab() const override { return Selected; }
  void RequestSelectTab(int32_t tab) override {
    ++Requests;
    LastRequest = tab;
  }
};

class TFakeClock final : public IFormulaClock {
 public:
  TFormulaDateTime Value{2024, 3, 7, 9, 7, 5};
  TFormulaDateTime Now() const override { return Value; }
};

// Own channel array and interpreter (never the program's globals).
class TFormulaHarness {
 public:
  TFormulaHarness()
      : values_(new std::atomic<double>[kChannelCount]),
        tabs_(std::make_unique<TFakeSheetTabs>()),
        clock_(std::make_unique<TFakeClock>()),
        ip_(std::make_unique<TInterpreter>()) {
    for (int32_t i = 0; i < kChannelCount; ++i) values_[i].store(0.0);
    ip_->Channels = values_.get();
    ip_->SheetTabs = tabs_.get();
    ip_->Clock = clock_.get();
  }
  TFakeSheetTabs& Tabs() { return *tabs_; }
  TFakeClock& Clock() { return *clock_; }
  void Set(int32_t channel, double value) { values_[channel].store(value); }
  TInterpreter& Interp() { return *ip_; }

  // Evaluates a formula that must compile; NaN-carrying results compare
  // through the caller.
  double Eval(std::string_view source, double previous = 0.0) {
    auto c = Compile(source);
    if (!c->Valid()) {
      LastError = c->Error;
      return -123456789.0;
    }
    return ip_->Run(c->Code, previous);
  }
  // Same, on the token-by-token path.
  double EvalChecked(std::string_view source, double previous = 0.0) {
    auto c = Compile(source);
    if (!c->Valid()) return -123456789.0;
    ip_->Code = &c->Code;
    ip_->PreviousValue = previous;
    ip_->InterpreteChecked();
    return ip_->Result;
  }

  std::string LastError;

 private:
  std::unique_ptr<std::atomic<double>[]> values_;
  std::unique_ptr<TFakeSheetTabs> tabs_;
  std::unique_ptr<TFakeClock> clock_;
  std::unique_ptr<TInterpreter> ip_;
};

// A formula and its expected value; a NaN expectation means "must be NaN".
struct EvalCase {
  const char* source;
  double expected;
};

// Every case runs on the compiled fast path and on the token-by-token path;
// both must agree with the expected value.
inline void CheckCases(const EvalCase* cases, size_t n, TFormulaHarness& h) {
  for (size_t i = 0; i < n; ++i) {
    const EvalCase& c = cases[i];
    const double fast = h.Eval(c.source);
    const double checked = h.EvalChecked(c.source);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(fast)) << c.source << " gave " << fast;
      EXPECT_TRUE(std::isnan(checked)) << c.source << " (checked) gave " << checked;
    } else {
      EXPECT_DOUBLE_EQ(fast, c.expected) << c.source << " " << h.LastError;
      EXPECT_DOUBLE_EQ(checked, c.expected) << c.source << " (checked)";
    }
  }
}

}  // namespace qx::test
