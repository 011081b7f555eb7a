#include "formula/udynamicfunctions.h"

#include <algorithm>

#include "formula/UInterpreter.h"
#include "formula/ULexer.h"
#include "formula/uFormulaElement.h"
#include "foundation/uStrSearch.h"

namespace qx {

std::unique_ptr<TDynaFunctionList> DynaFunctions;

namespace {

void DynaCall(void* object, TInterpreter& ip, int32_t /*argCount*/) {
  const auto* def = static_cast<const TDynaFunctionDefins*>(object);
  const double x = ip.UPNStack.Pop();
  ip.UPNStack.Push(def->LookupMethod.Code ? def->LookupMethod(x) : 0.0);
}

double TableLookup(const void* table, double x) {
  return static_cast<const TLookupTable*>(table)->Lookup(x);
}

}  // namespace

TDynaFunctionDefins::TDynaFunctionDefins() : TFunctionDefins(TCallMethod{}, {}, false, 1, 1) {
  CallMethod = TCallMethod{&DynaCall, this};
}

TLUTFunction::TLUTFunction() {
  Definition.LookupMethod = TLookupMethod{&TableLookup, &Table};
}

bool TLUTFunction::Reload(std::string_view fileName, std::mutex* lock) {
  TLookupTable fresh;
  fresh.PrepareLUT(fileName);
  if (lock) {
    std::lock_guard guard(*lock);
    Table.SwapContents(fresh);
  } else {
    Table.SwapContents(fresh);
  }
  return Table.LUTValid;
}

bool TDynaFunctionList::Remove(const TFunctionDefins* definition) {
  return std::erase(items_, definition) > 0;
}

void InitDynaFunctions() {
  DynaFunctions = std::make_unique<TDynaFunctionList>();
}

void AddDynaFunction(TDynaFunctionDefins* definition) {
  if (DynaFunctions) DynaFunctions->Add(definition);
}

void ClearDynaFunctions() {
  if (DynaFunctions) DynaFunctions->Clear();
}

namespace {

bool CallsDefinition(const TCompiledFormula& formula, const TFunctionDefins* definition) {
  for (int32_t i = 0; i < formula.Tokens.Count(); ++i) {
    const TToken* token = formula.Tokens[i];
    if (token->Kind == tkFunction &&
        static_cast<const TFunctionToken*>(token)->Definition == definition)
      return true;
  }
  return false;
}

}  // namespace

void ForgetLUTFunction(const TDynaFunctionDefins& definition, TDynaFunctionList& list,
                       TFormulaSheets& sheets, std::mutex* receiveLock) {
  std::unique_lock<std::mutex> guard;
  if (receiveLock) guard = std::unique_lock(*receiveLock);
  if (!list.Remove(&definition)) return;
  sheets.ForEachElement([&definition](TFormulaElement& e) {
    TCompiledFormula* f = TFormulaElement::FormulaOf(e);
    if (f == nullptr || !CallsDefinition(*f, &definition)) return;
    // The code refers to the tokens: both go together.
    f->Code.Clear();
    TLexer::ClearTokens(f->Tokens);
    e.SourceValid = false;
  });
}

std::string TDynaFunctionManager::PublishedName(std::string_view denom) {
  std::string name = Utf8Left(denom, static_cast<size_t>(kMaxFunctionNameLength));
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

void TDynaFunctionManager::RegisterLUTFunctions(TFormulaSheets& sheets, TDynaFunctionList& list) {
  list.Clear();
  accepted_.clear();
  refused_.clear();
  sheets.ForEachElement([this](TFormulaElement& e) {
    if (e.ClassId != kLUTClassId || e.Disabled || e.LUTFunction() == nullptr) return;
    if (e.PrepareLUT()) CheckLUTName(e);
  });
  PublishLUTFunctions(list);
}

void TDynaFunctionManager::CheckLUTName(TFormulaElement& table) {
  // Names are compared as they are published (cut), so two tables that differ
  // only behind the cut clash instead of one hiding the other.
  std::string name = PublishedName(table.Denom);
  const auto same = [&name](const TEntry& entry) { return entry.Name == name; };
  // A nameless table can never be called, and an empty name would match
  // anywhere in a formula.
  if (name.empty() || table.LUTFunction() == nullptr ||
      std::any_of(refused_.begin(), refused_.end(), same)) {
    refused_.push_back({&table, std::move(name)});
    return;
  }
  const auto clash = std::find_if(accepted_.begin(), accepted_.end(), same);
  if (clash != accepted_.end()) {
    refused_.push_back(*clash);
    accepted_.erase(clash);
    refused_.push_back({&table, std::move(name)});
    return;
  }
  accepted_.push_back({&table, std::move(name)});
}

void TDynaFunctionManager::PublishLUTFunctions(TDynaFunctionList& list) {
  for (TEntry& entry : accepted_) {
    TDynaFunctionDefins* def = entry.Table->LUTFunction();
    def->Name = entry.Name;
    list.Add(def);
    entry.Table->SourceValid = true;
  }
  for (TEntry& entry : refused_) entry.Table->SourceValid = false;
  accepted_.clear();
  refused_.clear();
}

}  // namespace qx
