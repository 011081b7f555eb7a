// Formula evaluation against the same expression as native C++, and the cost
// of compiling (lex + parse) a short and a maximal formula.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "formula/UInterpreter.h"
#include "formula/ULexer.h"
#include "formula/UParser.h"
#include "formula/uFunctions.h"

namespace {

using namespace qx;

std::atomic<double> gChannels[kChannelCount];

double Ch(int i) {
  return gChannels[i].load(std::memory_order_relaxed);
}

struct Case {
  const char* name;
  const char* source;
  double (*native)();
};

const Case kCases[] = {
    {"add", "#1+1", [] { return Ch(1) + 1; }},
    {"mul_add", "2*#1+1", [] { return 2 * Ch(1) + 1; }},
    {"bracket", "(2*#1+1)*3", [] { return (2 * Ch(1) + 1) * 3; }},
    {"mixed", "#1+#2*(#1+#2)", [] { return Ch(1) + Ch(2) * (Ch(1) + Ch(2)); }},
    {"hypot", "sqrt(#1^2+#2^2)",
     [] {
       const double a = Ch(1), b = Ch(2);
       return std::sqrt(a * a + b * b);
     }},
    {"trig", "sin(2*#1)+cos(pi()/#2)",
     [] { return std::sin(2 * Ch(1)) + std::cos(3.141592653589793 / Ch(2)); }},
    {"if", "if(#1>5;#2;#3)", [] { return Ch(1) > 5 ? Ch(2) : Ch(3); }},
    {"max", "max(#1;#2;#3)*2",
     [] {
       const double a = Ch(1), b = Ch(2), c = Ch(3);
       double m = c;
       if (b > m) m = b;
       if (a > m) m = a;
       return m * 2;
     }},
};

void SetChannels() {
  for (int i = 0; i < kChannelCount; ++i) gChannels[i].store(0.0);
  gChannels[1].store(3.7);
  gChannels[2].store(1.3);
  gChannels[3].store(-2.5);
}

// Both sides are timed alike: the best of a few rounds of many calls, so
// that neither is charged for noise the other escaped.
template <typename Call>
double NsPerCall(Call call) {
  constexpr int kRounds = 5;
  constexpr int kCalls = 2000000;
  double best = 1e300;
  for (int r = 0; r < kRounds; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) call();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count() / kCalls);
  }
  return best;
}

void BM_Native(benchmark::State& state, const Case* c) {
  SetChannels();
  for (auto _ : state) benchmark::DoNotOptimize(c->native());
}

void BM_Formula(benchmark::State& state, const Case* c) {
  InitFunctions();
  SetChannels();
  TTokenList tokens;
  TIntList deps;
  TCode code;
  TLexer lexer = TokenizeFormula(c->source, tokens, deps);
  TParser parser = ParseTokens(tokens, code, c->source);
  if (!lexer.OK || !parser.OK) {
    state.SkipWithError("formula does not compile");
    return;
  }
  auto ip = std::make_unique<TInterpreter>();
  ip->Channels = gChannels;
  ip->Code = &code;
  ip->Interprete();
  if (std::fabs(ip->Result - c->native()) > 1e-9 * (1 + std::fabs(ip->Result)))
    state.SkipWithError("formula and native differ");

  // One opaque call each: the native one through its pointer, the formula
  // one into the interpreter.
  double (*const native)() = c->native;
  TInterpreter* const interp = ip.get();
  const double nativeNs = NsPerCall([native] { benchmark::DoNotOptimize(native()); });
  const double formulaNs = NsPerCall([interp] {
    interp->Interprete();
    benchmark::DoNotOptimize(interp->Result);
  });
  for (auto _ : state) {
    ip->Interprete();
    benchmark::DoNotOptimize(ip->Result);
  }
  state.counters["native_ns"] = nativeNs;
  state.counters["formula_ns"] = formulaNs;
  state.counters["ratio"] = formulaNs / nativeNs;
}

// Compile as the compile run does it: clear, tokenize, parse.
void BM_Compile(benchmark::State& state, std::string source) {
  InitFunctions();
  TTokenList tokens;
  TIntList deps;
  TCode code;
  for (auto _ : state) {
    tokens.Clear();
    deps.Clear();
    code.Clear();
    TLexer lexer = TokenizeFormula(source, tokens, deps);
    TParser parser = ParseTokens(tokens, code, lexer.Source);
    if (!lexer.OK || !parser.OK) {
      state.SkipWithError("formula does not compile");
      break;
    }
    benchmark::DoNotOptimize(code.Count());
  }
  state.counters["chars"] = static_cast<double>(source.size());
}

std::string Formula30() {
  return "sqrt(#1^2+#2^2)*2+if(#3>5;1;0)";  // 30 characters
}

std::string Formula255() {
  // A long but realistic formula, padded to exactly 255 characters.
  std::string s = "if(#1>5;sqrt(#1^2+#2^2)*2,5;round(#7;2))+max(#3;#4;#5;#6)*(#8-#9)/(1+abs(#10))";
  while (s.size() + 26 <= 253) s += "+sin(2*#11)*cos(#12/3,25)";
  while (s.size() < 255) s += s.size() + 2 <= 255 ? "+1" : " ";
  return s;
}

int Register() {
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("Native/") + c.name).c_str(), BM_Native, &c);
    benchmark::RegisterBenchmark((std::string("Formula/") + c.name).c_str(), BM_Formula, &c);
  }
  benchmark::RegisterBenchmark("Compile/30chars", BM_Compile, Formula30());
  benchmark::RegisterBenchmark("Compile/255chars", BM_Compile, Formula255());
  return 0;
}

const int kRegistered = Register();

}  // namespace
