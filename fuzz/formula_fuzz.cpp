// Arbitrary text through lexer and parser, then one evaluation over random
// channel values on both interpreter paths: no crash, no hang, and both paths
// agree.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "formula/UInterpreter.h"
#include "formula/ULexer.h"
#include "formula/UParser.h"
#include "formula/uFunctions.h"

namespace {

using namespace qx;

class FuzzTabs final : public IFormulaSheetTabs {
 public:
  int32_t TabCount() const override { return 4; }
  int32_t SelectedTab() const override { return selected; }
  void RequestSelectTab(int32_t tab) override { selected = tab; }
  int32_t selected = 1;
};

class FuzzClock final : public IFormulaClock {
 public:
  TFormulaDateTime Now() const override { return {2024, 2, 29, 23, 59, 58}; }
};

struct State {
  std::atomic<double> channels[kChannelCount];
  FuzzTabs tabs;
  FuzzClock clock;
  TInterpreter ip;
};

State& TheState() {
  static State* s = [] {
    InitFunctions();
    auto* st = new State;
    st->ip.Channels = st->channels;
    st->ip.SheetTabs = &st->tabs;
    st->ip.Clock = &st->clock;
    return st;
  }();
  return *s;
}

bool SameValue(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b;
}

// A value for channel ch drawn from the input's hash: special values one time
// in eight, otherwise -1000 .. 1000 in hundredths.
double ChannelValueFor(uint64_t seed, int32_t ch) {
  static const double kSpecial[] = {0.0,   -0.0,         1.0,           -1.0,     0.5,
                                    1e-6,  2147483647.0, -2147483648.0, 9.3e18,   -9.3e18,
                                    1e308, NAN,          INFINITY,      -INFINITY};
  uint64_t x = seed ^ (static_cast<uint64_t>(ch) + 1) * 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  const uint32_t r = static_cast<uint32_t>((x ^ (x >> 31)) >> 32);
  return (r & 7) == 0 ? kSpecial[r % std::size(kSpecial)]
                      : (static_cast<double>(r % 200001) - 100000.0) / 100.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Formulas are at most 255 characters; allow some more to reach the guards.
  if (size > 1024) return 0;
  State& st = TheState();
  const std::string source(reinterpret_cast<const char*>(data), size);
  TTokenList tokens;
  TIntList deps;
  TLexer lexer = TokenizeFormula(source, tokens, deps);
  if (!lexer.OK) return 0;
  // Only the channels the formula names are ever read: those get values from
  // the input (the others may keep a previous input's, unseen).
  const uint64_t seed = std::hash<std::string_view>{}(source);
  for (int32_t d : deps) {
    if (d < 0 || d >= kChannelCount) __builtin_trap();
    st.channels[d].store(ChannelValueFor(seed, d), std::memory_order_relaxed);
  }
  TCode code;
  TParser parser = ParseTokens(tokens, code, lexer.Source);
  if (!parser.OK) return 0;

  st.tabs.selected = 1;
  const double fast = st.ip.Run(code, 1.5);
  st.tabs.selected = 1;
  st.ip.Code = &code;
  st.ip.InterpreteChecked();
  if (!SameValue(fast, st.ip.Result)) __builtin_trap();
  if (code.Safe() && st.ip.UPNStack.Count != 0) __builtin_trap();
  return 0;
}
