#include "formula/UCalculate.h"

#include <algorithm>
#include <mutex>

#include "channels/uTerminal.h"
#include "formula/ULexer.h"
#include "formula/UParser.h"
#include "formula/uFormulaElement.h"
#include "formula/uMemFunctions.h"

namespace qx {

TCalculator* Calculator = nullptr;

TCalculator::TCalculator(TTerminal& hub, TInterpreter& interpreter, TMemFunctionSet& memFunctions,
                         TDynaFunctionList& dynaFunctions, TFormulaSheets& sheets)
    : hub_(hub),
      interpreter_(interpreter),
      mem_(memFunctions),
      dyna_(dynaFunctions),
      sheets_(sheets) {}

void TCalculator::CompileAndInit() {
  // Formulas never change while values flow (a Connect in progress counts).
  if (hub_.Connected.load() || hub_.Connecting()) return;
  hub_.Loss().Reset();
  hub_.ClearReaders();
  hub_.ClearWriters();
  mem_.FreeAll();
  // Before any formula is read, so formulas see the tables as they are now.
  manager_.RegisterLUTFunctions(sheets_, dyna_);
  sheets_.ForEachElement([this](TFormulaElement& e) {
    e.CompileHook();
    if (e.ChannelRole == RoleNone || e.Disabled) {
      // Keeps its last state, but not code that calls the functions with
      // memory freed above: enabled again while connected, it must not run.
      if (TCompiledFormula* f = TFormulaElement::FormulaOf(e)) {
        f->Code.Clear();
        TLexer::ClearTokens(f->Tokens);
      }
      return;
    }
    CompileElement(e, true);
  });
  sheets_.FillUpdateList();
  mem_.ResetAll();  // every run starts from fresh memory
}

void TCalculator::CompileElement(TFormulaElement& e, bool readersCleared) {
  TCompiledFormula& f = e.Formula();
  e.OutChannel = 0;
  // The code refers to the tokens: both go together.
  f.Code.Clear();
  TLexer::ClearTokens(f.Tokens);
  f.Dependencies.Clear();

  const TLexer lexer =
      TokenizeFormula(e.Source, f.Tokens, f.Dependencies, mem_.MemFunctionDefs(), dyna_.Items());
  e.SourceValid = lexer.OK;
  e.SourceEmpty = lexer.Empty;
  const bool loneChannel = f.Tokens.Count() == 1 && f.Dependencies.Count() == 1;

  const auto parse = [&] {
    const TParser parser = ParseTokens(f.Tokens, f.Code, lexer.Source);
    e.SourceValid = parser.OK;
  };
  const auto registerReaders = [&] {
    if (!e.Active) return;
    const std::vector<int32_t>& channels = f.Dependencies.Items();
    for (auto it = channels.begin(); it != channels.end(); ++it) {
      if (!readersCleared)
        hub_.AddReader(*it, &e);
      else if (std::find(channels.begin(), it, *it) == it)  // a channel named twice reads once
        hub_.AddNewReader(*it, &e);
    }
  };

  switch (e.ChannelRole) {
    case RoleNumberIn:
      if (e.SourceValid) parse();
      if (e.SourceValid) registerReaders();
      break;
    case RoleTextIn:
      if (e.SourceValid && !loneChannel) e.SourceValid = false;
      if (e.SourceValid) registerReaders();
      break;
    case RoleNumberOrTextIn:
      if (e.SourceValid) parse();
      if (e.SourceValid) {
        registerReaders();
        e.IsFormula = !loneChannel;
      }
      break;
    case RoleOutput:
      if (e.SourceValid && !loneChannel) e.SourceValid = false;
      if (e.SourceValid) {
        e.OutChannel = f.Dependencies.At(0);
        hub_.AddWriter(e.OutChannel, &e);
      }
      f.Dependencies.Clear();  // an output reads nothing
      break;
    default:
      break;
  }
}

void TCalculator::Calculate(TElementCore& element) {
  // A disabled element keeps code whose memory functions a later compile run
  // may have freed: it is never evaluated.
  if (!element.SourceValid || element.Disabled) return;
  if (element.ChannelRole != RoleNumberIn && element.ChannelRole != RoleNumberOrTextIn) return;
  const TCompiledFormula* f = TFormulaElement::FormulaOf(element);
  // No code: disabled at the last compile run.
  if (f == nullptr || f->Code.Count() == 0) return;
  element.SetValue(f->Evaluate(interpreter_, hub_.Values(), element.GetValue()));
}

void TCalculator::CalculateString(TElementCore& element) {
  if (!element.SourceValid || element.Disabled) return;
  const bool takesText = element.ChannelRole == RoleTextIn ||
                         (element.ChannelRole == RoleNumberOrTextIn && !element.IsFormula);
  if (!takesText) return;
  const TCompiledFormula* f = TFormulaElement::FormulaOf(element);
  if (f == nullptr || f->Dependencies.Count() < 1) return;
  const int32_t ch = f->Dependencies.At(0);
  if (ch < 0 || ch >= kChannelCount) return;
  element.SetStrValue(hub_.Kanal(ch).StrValue);
}

void TCalculator::ShowHiddenElements(bool visible) {
  sheets_.ForEachElement([visible](TFormulaElement& e) {
    if (!e.IsSubElement && (e.Disabled || e.HideInRun)) e.SetRunVisible(visible);
  });
}

void TCalculator::ResetMemFunctions() {
  mem_.ResetAllLocked(hub_.ReceiveLock);
}

void CompileAndInit() {
  if (Calculator) Calculator->CompileAndInit();
}

void Calculate(TElementCore& element) {
  if (Calculator) Calculator->Calculate(element);
}

void CalculateString(TElementCore& element) {
  if (Calculator) Calculator->CalculateString(element);
}

void ShowHiddenElements(bool visible) {
  if (Calculator) Calculator->ShowHiddenElements(visible);
}

}  // namespace qx
