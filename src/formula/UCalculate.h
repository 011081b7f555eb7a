// Compile and evaluate (module UCalculate): the entry points through which
// the rest of the program uses the formula language.
//
// CompileAndInit compiles every element's formula by its channel role and
// rebuilds the hub's reader and writer lists, the functions with memory and
// the look-up-table functions; it does nothing while the hub is connected.
// Calculate and CalculateString are the hub's formula hooks and run under its
// receive lock.
#pragma once

#include <cstdint>

#include "channels/uElementCore.h"
#include "channels/uTerminal.h"
#include "formula/udynamicfunctions.h"

namespace qx {

class TInterpreter;
class TMemFunctionSet;
class TFormulaElement;
class TFormulaSheets;

// Everything one compile-and-evaluate world works on. The program has one
// (Calculator), wired by start-up; tests build their own.
class TCalculator final : public TFormulaHooks {
 public:
  TCalculator(TTerminal& hub, TInterpreter& interpreter, TMemFunctionSet& memFunctions,
              TDynaFunctionList& dynaFunctions, TFormulaSheets& sheets);

  // GUI thread.
  void CompileAndInit();
  // Evaluating thread, under the receive lock.
  void Calculate(TElementCore& element) override;
  void CalculateString(TElementCore& element) override;
  // GUI thread.
  void ShowHiddenElements(bool visible);
  // The main window's value reset of the functions with memory: under the
  // receive lock, since a run may be evaluating.
  void ResetMemFunctions();

  // Compiles one element by its role (steps after the compile hook).
  void CompileElement(TFormulaElement& element) { CompileElement(element, false); }

  TTerminal& Hub() const { return hub_; }

 private:
  TTerminal& hub_;
  TInterpreter& interpreter_;
  TMemFunctionSet& mem_;
  TDynaFunctionList& dyna_;
  TFormulaSheets& sheets_;
  TDynaFunctionManager manager_;

  // readersCleared: the hub's reader lists were cleared in this pass, the
  // element reads none of its channels yet.
  void CompileElement(TFormulaElement& element, bool readersCleared);
};

// The program's calculator; set by start-up (which also makes it the hub's
// formula hooks), none before.
extern TCalculator* Calculator;

// The entry points on the program's calculator; nothing happens without one.
void CompileAndInit();
void Calculate(TElementCore& element);
void CalculateString(TElementCore& element);
void ShowHiddenElements(bool visible);

}  // namespace qx
