// Tokens of the formula language and the lexer that makes them.
//
// The lexer cuts a formula text into tokens and collects the channel numbers
// it names. It evaluates nothing and knows no element roles.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formula/uFunctions.h"
#include "formula/uOperatorBase.h"
#include "foundation/uLists.h"

namespace qx {

enum TTokenKind : int32_t {
  tkInt = 1,
  tkReal = 2,
  tkString = 3,
  tkOperator = 4,
  tkFunction = 5,
  tkChannel = 7,
};

class TToken {
 public:
  explicit TToken(int32_t kind) : Kind(kind) {}
  virtual ~TToken() = default;
  TToken(const TToken&) = delete;
  TToken& operator=(const TToken&) = delete;
  int32_t Kind;
};

class TIntToken final : public TToken {
 public:
  explicit TIntToken(int32_t value) : TToken(tkInt), Value(value) {}
  int32_t Value;
};

class TRealToken final : public TToken {
 public:
  explicit TRealToken(double value) : TToken(tkReal), Value(value) {}
  double Value;
};

class TStringToken final : public TToken {
 public:
  explicit TStringToken(std::string value) : TToken(tkString), Value(std::move(value)) {}
  std::string Value;
};

class TOperatorToken final : public TToken {
 public:
  explicit TOperatorToken(int32_t operatorIndex);
  // Turns the token into another operator row (the parser's leading minus).
  void SetOperator(int32_t operatorIndex);
  int32_t OperatorIndex;
  TOperatorProc Proc;  // null when the row has none
};

class TFunctionToken final : public TToken {
 public:
  explicit TFunctionToken(TFunctionDefins* definition)
      : TToken(tkFunction), Definition(definition), CallMethod(definition->CallMethod) {}
  TFunctionDefins* Definition;  // not owned
  TCallMethod CallMethod;
  int32_t ArgCount = 0;  // set by the parser
};

class TChannelToken final : public TToken {
 public:
  explicit TChannelToken(int32_t channel) : TToken(tkChannel), Channel(channel) {}
  int32_t Channel;
};

// Owns its tokens. Each token lives on the heap, so references to it (the
// compiled code) stay valid while tokens are added or inserted.
class TTokenList {
 public:
  template <class T, class... Args>
  T* Add(Args&&... args) {
    auto p = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = p.get();
    items_.push_back(std::move(p));
    return raw;
  }
  template <class T, class... Args>
  T* Insert(int32_t index, Args&&... args) {
    auto p = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = p.get();
    items_.insert(items_.begin() + index, std::move(p));
    return raw;
  }
  void Clear() { items_.clear(); }
  [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  [[nodiscard]] TToken* At(int32_t index) const {
    return items_.at(static_cast<size_t>(index)).get();
  }
  [[nodiscard]] TToken* operator[](int32_t index) const { return At(index); }

 private:
  std::vector<std::unique_ptr<TToken>> items_;
};

// The last report of the lexer or parser: its exact text and the 1-based
// source position (the lexer) or token index (the parser).
struct TFormulaError {
  std::string Message;
  int32_t Position = 0;
  void Clear() {
    Message.clear();
    Position = 0;
  }
};

// The one error sink of lexer, parser and interpreter. Nothing is shown; the
// compile step hands the text to the element.
void ReportError(std::string_view source, std::string_view message, int32_t position,
                 TFormulaError& error);

// Error texts.
inline constexpr std::string_view kLexIncompleteChannel =
    "Lexer: Unclassifiable statement, Incomplete Source identifier, ";
inline constexpr std::string_view kLexChannelTooHigh = "Lexer: Highest allowed Channel number #999";
inline constexpr std::string_view kLexOpenString =
    "Lexer: Character string started but not ended, ";
inline constexpr std::string_view kLexUnclassifiable = "Lexer: Unclassifiable statement, ";

class TLexer {
 public:
  // Input set by the caller.
  std::string Source;  // right-trimmed by Tokenize
  TTokenList* Tokens = nullptr;
  TIntList* Dependencies = nullptr;
  // Function kinds tried after the built-ins: functions with memory (prefix
  // match; each occurrence gets CreateInstance()) and look-up tables (whole
  // words). Empty until the compile step supplies them.
  std::span<TFunctionDefins* const> MemFunctionDefs;
  std::span<TFunctionDefins* const> DynaFunctions;

  // Output.
  bool OK = false;
  bool Empty = false;
  int32_t Position = 0;  // 1-based
  int32_t End = 0;
  TFormulaError Error;

  void Tokenize();
  static void ClearTokens(TTokenList& tokens) { tokens.Clear(); }
  // Name at pos (case-insensitive) and not followed by a letter, digit or "_".
  [[nodiscard]] bool MatchWord(std::string_view name, int32_t pos) const;

 private:
  [[nodiscard]] bool ScanNumber();
  [[nodiscard]] bool ScanChannel();
  [[nodiscard]] bool ScanString();
  [[nodiscard]] bool ScanName();
  void Fail(std::string_view message);
  [[nodiscard]] char At(int32_t pos) const { return Source[static_cast<size_t>(pos - 1)]; }
  [[nodiscard]] int32_t Length() const { return static_cast<int32_t>(Source.size()); }
};

// Convenience for callers and tests: tokenizes `source` into the lists.
// Returns the lexer (OK, Empty, Error).
TLexer TokenizeFormula(std::string_view source, TTokenList& tokens, TIntList& dependencies,
                       std::span<TFunctionDefins* const> memFunctionDefs = {},
                       std::span<TFunctionDefins* const> dynaFunctions = {});

}  // namespace qx
