#include "formula/uFormulaElement.h"

#include "formula/UInterpreter.h"

namespace qx {

TFormulaSheets* FormulaSheets = nullptr;

TCompiledFormula& TFormulaElement::Formula() {
  if (!Compiled) Compiled = std::make_unique<TCompiledFormula>();
  return static_cast<TCompiledFormula&>(*Compiled);
}

double TCompiledFormula::Evaluate(TInterpreter& ip, const std::atomic<double>* channels,
                                  double previous) const {
  ip.Channels = channels;
  ip.Code = &Code;
  ip.PreviousValue = previous;
  ip.Interprete();
  return ip.Result;
}

}  // namespace qx
