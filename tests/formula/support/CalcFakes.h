// Fakes for the compile-and-evaluate tests: elements, look-up-table elements,
// the sheets, and a rig wiring a fresh hub, interpreter, function sets and
// calculator. Header-only apart from MakeInterpreter, so the benchmarks can
// use it too.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "channels/uLossNotify.h"
#include "channels/uTerminal.h"
#include "formula/UCalculate.h"
#include "formula/uFormulaElement.h"
#include "formula/uFunctions.h"
#include "formula/uMemFunctions.h"
#include "formula/udynamicfunctions.h"

namespace qx::calcfakes {

// A fresh interpreter (made where its header can be included).
std::shared_ptr<TInterpreter> MakeInterpreter();

class FakeElement : public TFormulaElement {
 public:
  FakeElement(int32_t role, std::string source) {
    ChannelRole = role;
    Source = std::move(source);
  }
  void CompileHook() override { ++compileHooks; }
  void SetRunVisible(bool visible) override {
    runVisible = visible;
    ++visibilityCalls;
  }
  int compileHooks = 0;
  int visibilityCalls = 0;
  bool runVisible = true;
};

// A look-up-table element: no channel, a table file and a function.
class FakeLUT : public TFormulaElement {
 public:
  FakeLUT(std::string name, std::string file) : FileName(std::move(file)) {
    ClassId = kLUTClassId;
    Denom = std::move(name);
  }
  bool PrepareLUT() override {
    ++prepares;
    return Lut.Table.PrepareLUT(FileName);
  }
  TDynaFunctionDefins* LUTFunction() override { return &Lut.Definition; }
  std::string FileName;
  TLUTFunction Lut;
  int prepares = 0;
};

class FakeSheets : public TFormulaSheets {
 public:
  void ForEachElement(const std::function<void(TFormulaElement&)>& visit) override {
    for (auto& sheet : sheets)
      for (TFormulaElement* e : sheet) visit(*e);
  }
  void FillUpdateList() override { ++fills; }
  // Adds to the last sheet (a first one is made when there is none).
  template <class T>
  T& Add(std::unique_ptr<T> element) {
    if (sheets.empty()) sheets.emplace_back();
    T& ref = *element;
    sheets.back().push_back(element.get());
    owned.push_back(std::move(element));
    return ref;
  }
  std::vector<std::vector<TFormulaElement*>> sheets;
  std::vector<std::unique_ptr<TFormulaElement>> owned;
  int fills = 0;
};

// Fresh hub, interpreter, functions with memory, table list and calculator,
// wired like start-up does it.
struct CalcRig {
  TLossNotify loss;
  TTerminal hub{loss};
  std::shared_ptr<TInterpreter> interpreter;
  TMemFunctionSet mem;
  TDynaFunctionList dyna;
  FakeSheets sheets;
  TCalculator calc;

  explicit CalcRig(std::shared_ptr<TInterpreter> ip = MakeInterpreter())
      : interpreter(std::move(ip)), calc(hub, *interpreter, mem, dyna, sheets) {
    InitFunctions();
    hub.SetFormulaHooks(&calc);
  }
  ~CalcRig() { hub.SetFormulaHooks(nullptr); }

  FakeElement& Add(int32_t role, std::string source) {
    return sheets.Add(std::make_unique<FakeElement>(role, std::move(source)));
  }
  FakeLUT& AddLUT(std::string name, std::string file) {
    return sheets.Add(std::make_unique<FakeLUT>(std::move(name), std::move(file)));
  }
  void NewSheet() { sheets.sheets.emplace_back(); }
  bool Frame(const std::string& frame) { return hub.ReceiveFrame(frame, nullptr, true); }
};

}  // namespace qx::calcfakes
