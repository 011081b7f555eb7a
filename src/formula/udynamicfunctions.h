// Look-up tables as formula functions (module udynamicfunctions).
//
// Every look-up-table element owns a definition; each compile run rebuilds
// the list of published ones (DynaFunctions), after reloading every table and
// refusing names that clash. The lexer tries these names last, as whole words.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formula/uFunctions.h"
#include "formula/uLookupTable.h"

namespace qx {

class TFormulaElement;
class TFormulaSheets;

// Code and object of a table's lookup.
struct TLookupMethod {
  double (*Code)(const void* object, double x) = nullptr;
  const void* Object = nullptr;
  [[nodiscard]] double operator()(double x) const { return Code(Object, x); }
};

// One argument, no memory: name(x) gives the owning table's value at x. The
// name is set only when the definition is published.
class TDynaFunctionDefins final : public TFunctionDefins {
 public:
  TDynaFunctionDefins();
  TDynaFunctionDefins(const TDynaFunctionDefins&) = delete;
  TDynaFunctionDefins& operator=(const TDynaFunctionDefins&) = delete;

  TLookupMethod LookupMethod;
};

// The formula side of a look-up-table element: its table and the definition
// bound to the table's Lookup.
class TLUTFunction {
 public:
  TLUTFunction();
  TLUTFunction(const TLUTFunction&) = delete;
  TLUTFunction& operator=(const TLUTFunction&) = delete;

  // Loads, checks and indexes the file into a separate table and swaps that
  // in under lock (when given), so evaluations on port threads see either the
  // old table or the new one, never one half-loaded. The old contents are
  // freed outside the lock. Answers the table's LUTValid.
  bool Reload(std::string_view fileName, std::mutex* lock);

  TLookupTable Table;
  TDynaFunctionDefins Definition;
};

// The published definitions in publishing order (the lexer's matching order).
// The definitions stay owned by their tables.
class TDynaFunctionList {
 public:
  void Add(TDynaFunctionDefins* definition) { items_.push_back(definition); }
  // Takes the definition out; false when it was not published.
  bool Remove(const TFunctionDefins* definition);
  void Clear() { items_.clear(); }
  [[nodiscard]] std::span<TFunctionDefins* const> Items() const { return items_; }
  [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(items_.size()); }

 private:
  std::vector<TFunctionDefins*> items_;
};

// The program's list; created by InitDynaFunctions (start-up).
extern std::unique_ptr<TDynaFunctionList> DynaFunctions;
void InitDynaFunctions();
void AddDynaFunction(TDynaFunctionDefins* definition);
void ClearDynaFunctions();

// A look-up-table element is going: its definition leaves the list, and every
// element whose compiled formula calls it loses that code and its valid mark,
// under receiveLock (when given), so neither a port thread nor the run page's
// receive test can evaluate into the freed table before the next compile
// run. Only published definitions can be called (every compile run compiles
// every formula after publishing), so an unpublished one costs nothing.
// GUI thread.
void ForgetLUTFunction(const TDynaFunctionDefins& definition, TDynaFunctionList& list,
                       TFormulaSheets& sheets, std::mutex* receiveLock);

// Rebuilds a list of table functions. GUI thread, inside the compile run,
// while nothing is evaluated.
class TDynaFunctionManager {
 public:
  // Clear, reload every enabled table of every sheet, check the names of the
  // valid ones, publish.
  void RegisterLUTFunctions(TFormulaSheets& sheets, TDynaFunctionList& list);
  // Accept or refuse a valid table by its name.
  void CheckLUTName(TFormulaElement& table);
  // Publish the accepted tables, mark the refused ones not valid, empty both
  // working lists.
  void PublishLUTFunctions(TDynaFunctionList& list);

  // The name a table is published under: its name with "A" to "Z" lowered,
  // cut to the length of a function name in characters (UTF-8 characters
  // stay whole). Names clash when these are equal.
  [[nodiscard]] static std::string PublishedName(std::string_view denom);

 private:
  struct TEntry {
    TFormulaElement* Table;
    std::string Name;
  };
  std::vector<TEntry> accepted_;
  std::vector<TEntry> refused_;
};

}  // namespace qx
