// The element and the sheets as the formula language sees them.
//
// TFormulaElement extends the hub's element with what compiling needs; the
// Qt element class derives from it. TFormulaSheets walks every element of
// every sheet; the shell implements it, tests use fakes.
#pragma once

#include <cstdint>
#include <functional>

#include "channels/uElementCore.h"
#include "formula/UParser.h"
#include "foundation/uLists.h"

namespace qx {

class TDynaFunctionDefins;
class TInterpreter;

inline constexpr int32_t kLUTClassId = 18;

// An element's compiled formula, kept in its Compiled slot. Only the compile
// run writes it, and never while the hub is connected.
class TCompiledFormula final : public TCompiledSlot {
 public:
  TTokenList Tokens;
  TCode Code;  // refers to Tokens
  TIntList Dependencies;

  // Runs Code on the interpreter over the given channel values; previous is
  // what "ans" answers. Caller holds the receive lock.
  double Evaluate(TInterpreter& ip, const std::atomic<double>* channels, double previous) const;
};

class TFormulaElement : public TElementCore {
 public:
  // The compiled formula, made on first use.
  TCompiledFormula& Formula();
  // The compiled formula of any element, none when it was never compiled.
  static TCompiledFormula* FormulaOf(TElementCore& element) {
    return static_cast<TCompiledFormula*>(element.Compiled.get());
  }

  // First call for every element of a compile run.
  virtual void CompileHook() {}
  // Run-page visibility of a disabled or hidden-in-run element.
  virtual void SetRunVisible(bool /*visible*/) {}

  // Look-up-table elements (ClassId 18) answer these: reload, check and index
  // the table (true when valid), and the function definition they own.
  virtual bool PrepareLUT() { return false; }
  virtual TDynaFunctionDefins* LUTFunction() { return nullptr; }
};

// Every element of every sheet, sheets in tab order, elements in list order
// (sub-elements included). GUI thread.
class TFormulaSheets {
 public:
  virtual ~TFormulaSheets() = default;
  virtual void ForEachElement(const std::function<void(TFormulaElement&)>& visit) = 0;
  // Refill the display-update list (end of every compile run).
  virtual void FillUpdateList() {}
};

// The program's sheets; set by start-up, none before.
extern TFormulaSheets* FormulaSheets;

}  // namespace qx
