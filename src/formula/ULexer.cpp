#include "formula/ULexer.h"

#include "foundation/uNumText.h"
#include "foundation/uStrSearch.h"

namespace qx {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsWordChar(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsQuote(char c) {
  return c == '\'' || c == '"';
}

}  // namespace

TOperatorToken::TOperatorToken(int32_t operatorIndex)
    : TToken(tkOperator), OperatorIndex(0), Proc(nullptr) {
  SetOperator(operatorIndex);
}

void TOperatorToken::SetOperator(int32_t operatorIndex) {
  OperatorIndex = operatorIndex;
  Proc = (operatorIndex > 0 && operatorIndex <= kOperatorRows)
             ? Operators[static_cast<size_t>(operatorIndex)].Proc
             : nullptr;
}

void ReportError(std::string_view /*source*/, std::string_view message, int32_t position,
                 TFormulaError& error) {
  error.Message.assign(message);
  error.Position = position;
}

void TLexer::Fail(std::string_view message) {
  OK = false;
  ReportError(Source, message, Position, Error);
}

bool TLexer::MatchWord(std::string_view name, int32_t pos) const {
  const int32_t len = Length();
  const int32_t n = static_cast<int32_t>(name.size());
  if (pos < 1 || pos + n - 1 > len || n == 0) return false;
  for (int32_t k = 0; k < n; ++k)
    if (LowerAscii(At(pos + k)) != LowerAscii(name[static_cast<size_t>(k)])) return false;
  const int32_t next = pos + n;
  return next > len || !IsWordChar(At(next));
}

void TLexer::Tokenize() {
  OK = false;
  Empty = false;
  Error.Clear();
  while (!Source.empty() && static_cast<unsigned char>(Source.back()) < 33) Source.pop_back();
  if (Source.empty()) {
    Empty = true;
    return;
  }
  End = 0;
  for (;;) {
    Position = SkipBlanks(Source, End + 1);
    if (Position > Length()) {
      OK = true;
      return;
    }
    const char c = At(Position);
    bool made = false;
    if (IsDigit(c)) {
      made = ScanNumber();
    } else if (c == '#') {
      made = ScanChannel();
    } else if (IsQuote(c)) {
      made = ScanString();
    } else {
      made = ScanName();
    }
    if (!made) return;  // reported
  }
}

bool TLexer::ScanNumber() {
  const int32_t len = Length();
  const int32_t p = Position;
  if (At(p) == '0' && p + 2 <= len) {
    const char prefix = At(p + 1);
    const bool bin = prefix == 'b' && (At(p + 2) == '0' || At(p + 2) == '1');
    const bool hex = prefix == 'x' && IsHexDigit(At(p + 2));
    if (bin || hex) {
      int32_t last = p + 2;
      if (bin) {
        while (last < len && (At(last + 1) == '0' || At(last + 1) == '1')) ++last;
      } else {
        while (last < len && IsHexDigit(At(last + 1))) ++last;
      }
      const std::string_view text = std::string_view(Source).substr(
          static_cast<size_t>(p - 1), static_cast<size_t>(last - p + 1));
      bool ok = false;
      const int32_t value = bin ? BinTextToInt(text, ok) : HexTextToInt(text, ok);
      Tokens->Add<TIntToken>(value);
      End = last;
      return true;
    }
  }
  int32_t last = p;
  bool separator = false;
  while (last <= len) {
    const char d = At(last);
    if (d == '.' || d == ',') {
      separator = true;
    } else if (!IsDigit(d)) {
      break;
    }
    ++last;
  }
  --last;
  const std::string_view text = std::string_view(Source).substr(static_cast<size_t>(p - 1),
                                                                static_cast<size_t>(last - p + 1));
  bool ok = false;
  if (separator) {
    // Either separator is the decimal point; a second one is refused.
    const double value = TextToReal(text, ok);
    if (!ok) {
      Fail(kLexUnclassifiable);
      return false;
    }
    Tokens->Add<TRealToken>(value);
  } else {
    const int32_t value = TextToInt(text, ok);
    if (ok) {
      Tokens->Add<TIntToken>(value);
    } else {
      // Beyond the 32-bit range: a real keeps such constants (masks, unsigned
      // limits) usable; only a run beyond the double range is refused.
      const double real = TextToReal(text, ok);
      if (!ok) {
        Fail(kLexUnclassifiable);
        return false;
      }
      Tokens->Add<TRealToken>(real);
    }
  }
  End = last;
  return true;
}

bool TLexer::ScanChannel() {
  const int32_t len = Length();
  const int32_t p = Position;
  if (p >= len || !IsDigit(At(p + 1))) {
    Fail(kLexIncompleteChannel);
    return false;
  }
  int32_t last = p + 1;
  // Saturates, so that any run of digits with a value of 1000 or more gets
  // the same report (leading zeros allowed).
  int32_t value = At(last) - '0';
  while (last < len && IsDigit(At(last + 1))) {
    ++last;
    if (value < 1000) value = value * 10 + (At(last) - '0');
  }
  if (value >= 1000) {
    Fail(kLexChannelTooHigh);
    return false;
  }
  Tokens->Add<TChannelToken>(value);
  Dependencies->Add(value);
  End = last;
  return true;
}

bool TLexer::ScanString() {
  const int32_t len = Length();
  std::string text;
  int32_t from = Position + 1;
  for (;;) {
    int32_t q = from;
    while (q <= len && !IsQuote(At(q))) ++q;
    if (q > len) {
      Fail(kLexOpenString);
      return false;
    }
    if (q > from && At(q - 1) == '/') {
      // "/" before a quote: the quote belongs to the text.
      text.append(Source, static_cast<size_t>(from - 1), static_cast<size_t>(q - 1 - from));
      text.push_back(At(q));
      from = q + 1;
      continue;
    }
    text.append(Source, static_cast<size_t>(from - 1), static_cast<size_t>(q - from));
    Tokens->Add<TStringToken>(std::move(text));
    End = q;
    return true;
  }
}

bool TLexer::ScanName() {
  const int32_t p = Position;
  const char c = At(p);
  const char lc = LowerAscii(c);
  // The first character decides most rows cheaply.
  for (int32_t i = 1; i <= kOperatorRows; ++i) {
    const TOperatorDef& op = Operators[static_cast<size_t>(i)];
    if (op.Id == 0) break;
    if (op.Name[0] == c && MatchAt(Source, op.Name, p)) {
      Tokens->Add<TOperatorToken>(i);
      End = p + static_cast<int32_t>(op.Name.size()) - 1;
      return true;
    }
  }
  for (TFunctionDefins& def : FunctionDefs) {
    if (def.Name.empty()) break;
    if (def.Name[0] == lc && MatchAtNoCase(Source, def.Name, p)) {
      Tokens->Add<TFunctionToken>(&def);
      End = p + static_cast<int32_t>(def.Name.size()) - 1;
      return true;
    }
  }
  for (TFunctionDefins* def : MemFunctionDefs) {
    if (def == nullptr || def->Name.empty()) continue;
    if (MatchAtNoCase(Source, def->Name, p)) {
      Tokens->Add<TFunctionToken>(def->CreateInstance());
      End = p + static_cast<int32_t>(def->Name.size()) - 1;
      return true;
    }
  }
  for (TFunctionDefins* def : DynaFunctions) {
    if (def == nullptr || def->Name.empty()) continue;
    if (MatchWord(def->Name, p)) {
      Tokens->Add<TFunctionToken>(def);
      End = p + static_cast<int32_t>(def->Name.size()) - 1;
      return true;
    }
  }
  Fail(kLexUnclassifiable);
  return false;
}

TLexer TokenizeFormula(std::string_view source, TTokenList& tokens, TIntList& dependencies,
                       std::span<TFunctionDefins* const> memFunctionDefs,
                       std::span<TFunctionDefins* const> dynaFunctions) {
  TLexer lexer;
  lexer.Source.assign(source);
  lexer.Tokens = &tokens;
  lexer.Dependencies = &dependencies;
  lexer.MemFunctionDefs = memFunctionDefs;
  lexer.DynaFunctions = dynaFunctions;
  lexer.Tokenize();
  return lexer;
}

}  // namespace qx
