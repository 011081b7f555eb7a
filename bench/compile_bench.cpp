// Frame dispatch through real compiled formulas, and compiling a large
// project.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "formula/UInterpreter.h"
#include "formula/support/CalcFakes.h"

namespace {

using qx::calcfakes::CalcRig;

std::shared_ptr<qx::TInterpreter> ProgramInterpreter() {
  return std::shared_ptr<qx::TInterpreter>(&qx::Interpreter, [](qx::TInterpreter*) {});
}

void BM_ReceiveFrameReaders(benchmark::State& state) {
  CalcRig rig(ProgramInterpreter());
  const auto readers = static_cast<int>(state.range(0));
  for (int i = 0; i < readers; ++i) rig.Add(qx::RoleNumberIn, "#1*2+3");
  rig.calc.CompileAndInit();
  for (auto _ : state) {
    benchmark::DoNotOptimize(rig.hub.ReceiveFrame("#1F3.5;", nullptr, true));
  }
  if (rig.sheets.owned.front()->GetValue() != 10) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("frames");
}
BENCHMARK(BM_ReceiveFrameReaders)->Arg(1)->Arg(10);

// 1000 elements with typical formulas of every role.
void BM_CompileAndInit1000(benchmark::State& state) {
  CalcRig rig(ProgramInterpreter());
  const struct {
    int32_t role;
    const char* source;
  } kinds[] = {
      {qx::RoleNumberIn, "#1*2+3"},
      {qx::RoleNumberIn, "round(#2 * 1,5; 2)"},
      {qx::RoleNumberIn, "if(#3 > 5; 1; 0)"},
      {qx::RoleNumberIn, "floatavg(#4; 10)"},
      {qx::RoleNumberIn, "sqrt(#5*#5 + #6*#6)"},
      {qx::RoleNumberIn, "(#7 - 32) / 1.8"},
      {qx::RoleNumberIn, "last(#8) + count()"},
      {qx::RoleTextIn, "#9"},
      {qx::RoleOutput, "#10"},
      {qx::RoleNumberOrTextIn, "#11"},
  };
  for (int i = 0; i < 1000; ++i) {
    const auto& k = kinds[i % 10];
    std::string source = k.source;
    // Spread the channels over the whole range.
    source += k.role == qx::RoleNumberIn ? " + #" + std::to_string(100 + i % 900) + " * 0" : "";
    rig.Add(k.role, source);
    if (i % 100 == 99) rig.NewSheet();
  }
  for (auto _ : state) rig.calc.CompileAndInit();
  int valid = 0;
  for (auto& e : rig.sheets.owned) valid += e->SourceValid ? 1 : 0;
  if (valid != 1000) state.SkipWithError("not every formula compiled");
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_CompileAndInit1000)->Unit(benchmark::kMillisecond);

}  // namespace
