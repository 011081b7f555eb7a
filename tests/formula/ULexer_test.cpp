#include "formula/ULexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FormulaHarness.h"

namespace qx {
namespace {

// Tokens as text: i<n>, r<x>, s<text>, o<op>, f<name>, #<n>.
std::string TokenText(const TTokenList& tokens) {
  std::string out;
  for (int32_t i = 0; i < tokens.Count(); ++i) {
    const TToken* t = tokens[i];
    if (!out.empty()) out += ' ';
    switch (t->Kind) {
      case tkInt:
        out += 'i';
        out += std::to_string(static_cast<const TIntToken*>(t)->Value);
        break;
      case tkReal: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "r%.15g", static_cast<const TRealToken*>(t)->Value);
        out += buf;
        break;
      }
      case tkString:
        out += 's';
        out += static_cast<const TStringToken*>(t)->Value;
        break;
      case tkOperator: {
        const auto* o = static_cast<const TOperatorToken*>(t);
        out += 'o';
        out += std::string(Operators[static_cast<size_t>(o->OperatorIndex)].Name);
        break;
      }
      case tkFunction:
        out += 'f';
        out += static_cast<const TFunctionToken*>(t)->Definition->Name;
        break;
      case tkChannel:
        out += '#';
        out += std::to_string(static_cast<const TChannelToken*>(t)->Channel);
        break;
      default:
        out += "?";
        break;
    }
  }
  return out;
}

std::string DepText(const TIntList& deps) {
  std::string out;
  for (int32_t d : deps) {
    if (!out.empty()) out += ',';
    out += std::to_string(d);
  }
  return out;
}

struct LexCase {
  const char* source;
  bool ok;
  const char* tokens;  // tokens made (also those before an error)
  const char* deps;
  const char* error;  // "" when none
  int32_t errorPos = 0;
};

class LexerTable : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexerTable, TokensDependenciesAndErrors) {
  InitFunctions();
  const LexCase& c = GetParam();
  TTokenList tokens;
  TIntList deps;
  TLexer lexer = TokenizeFormula(c.source, tokens, deps);
  EXPECT_EQ(lexer.OK, c.ok) << c.source;
  EXPECT_FALSE(lexer.Empty);
  EXPECT_EQ(TokenText(tokens), c.tokens) << c.source;
  EXPECT_EQ(DepText(deps), c.deps) << c.source;
  EXPECT_EQ(lexer.Error.Message, c.error) << c.source;
  if (c.errorPos != 0) {
    EXPECT_EQ(lexer.Error.Position, c.errorPos) << c.source;
  }
}

const std::string kIncomplete(kLexIncompleteChannel);
const std::string kTooHigh(kLexChannelTooHigh);
const std::string kOpen(kLexOpenString);
const std::string kUnclass(kLexUnclassifiable);
const std::string kHugeRun = "1+" + std::string(400, '9');  // beyond the double range

INSTANTIATE_TEST_SUITE_P(
    Cases, LexerTable,
    ::testing::Values(
        LexCase{"  #12 + 3  ", true, "#12 o+ i3", "12", ""},
        LexCase{"#1 * #1", true, "#1 o* #1", "1,1", ""}, LexCase{"#999", true, "#999", "999", ""},
        LexCase{"#007", true, "#7", "7", ""}, LexCase{"#1000", false, "", "", kTooHigh.c_str(), 1},
        LexCase{"#99999999999999999999", false, "", "", kTooHigh.c_str()},
        LexCase{"#", false, "", "", kIncomplete.c_str(), 1},
        LexCase{"#x", false, "", "", kIncomplete.c_str()},
        LexCase{"#-1", false, "", "", kIncomplete.c_str()},
        LexCase{"1+#", false, "i1 o+", "", kIncomplete.c_str(), 3},
        LexCase{"0b101", true, "i5", "", ""}, LexCase{"0x1F", true, "i31", "", ""},
        LexCase{"0xffffffff", true, "i-1", "", ""},
        LexCase{"0xg", false, "i0", "", kUnclass.c_str(), 2},
        LexCase{"0B1", false, "i0", "", kUnclass.c_str(), 2},
        LexCase{"0b2", false, "i0", "", kUnclass.c_str(), 2}, LexCase{"2,5", true, "r2.5", "", ""},
        LexCase{"2.5", true, "r2.5", "", ""}, LexCase{"12", true, "i12", "", ""},
        LexCase{"12.0", true, "r12", "", ""}, LexCase{"1e5", false, "i1", "", kUnclass.c_str(), 2},
        LexCase{"max(1,2)", true, "fmax o( r1.2 o)", "", ""},
        LexCase{"max(1;2)", true, "fmax o( i1 o; i2 o)", "", ""},
        // Literals the conversions refuse make the formula invalid.
        LexCase{"1.2.3", false, "", "", kUnclass.c_str(), 1},
        LexCase{"2147483647", true, "i2147483647", "", ""},
        // Decimal runs beyond 32 bits read as reals; beyond a double they fail.
        LexCase{"2147483648", true, "r2147483648", "", ""},
        LexCase{"#1 and 4294967295", true, "#1 oand r4294967295", "1", ""},
        LexCase{"99999999999999999999", true, "r1e+20", "", ""},
        LexCase{"1+000000000004294967296", true, "i1 o+ r4294967296", "", ""},
        LexCase{kHugeRun.c_str(), false, "i1 o+", "", kUnclass.c_str(), 3},
        LexCase{"'it/'s'", true, "sit's", "", ""},
        LexCase{"\"a'", true, "sa", "", ""},  // either quote closes
        LexCase{"'a/b'", true, "sa/b", "", ""}, LexCase{"'abc", false, "", "", kOpen.c_str(), 1},
        LexCase{"'ab/'", false, "", "", kOpen.c_str()},
        LexCase{"#1==#2", true, "#1 o== #2", "1,2", ""},
        LexCase{"#1=#2", true, "#1 o= #2", "1,2", ""},
        LexCase{"1/=2 <=3<4>=5>6", true, "i1 o/= i2 o<= i3 o< i4 o>= i5 o> i6", "", ""},
        LexCase{"1-2*3/4^5 mod 6", true, "i1 o- i2 o* i3 o/ i4 o^ i5 omod i6", "", ""},
        LexCase{"1 and 2 or 3 xor 4", true, "i1 oand i2 oor i3 oxor i4", "", ""},
        LexCase{"1 bitand 2 bitor 3 bitxor 4", true, "i1 obitand i2 obitor i3 obitxor i4", "", ""},
        LexCase{"(,;)", true, "o( o, o; o)", "", ""},
        LexCase{"1 order", false, "i1 oor", "", kUnclass.c_str(), 5},
        LexCase{"PI()", true, "fpi o( o)", "", ""}, LexCase{"Pi()", true, "fpi o( o)", "", ""},
        LexCase{"SIN(#1)", true, "fsin o( #1 o)", "1", ""},
        LexCase{"sinh(#1)", false, "fsin", "", kUnclass.c_str(), 4},
        LexCase{"datetime()+date()+time()", true, "fdatetime o( o) o+ fdate o( o) o+ ftime o( o)",
                "", ""},
        LexCase{"AND", false, "", "", kUnclass.c_str(), 1},
        LexCase{"1 MOD 2", false, "i1", "", kUnclass.c_str(), 3},
        LexCase{"1\t+\t2", true, "i1 o+ i2", "", ""},
        LexCase{"1\n+2", false, "i1", "", kUnclass.c_str(), 2},
        LexCase{"1 + @", false, "i1 o+", "", kUnclass.c_str(), 5},
        LexCase{"#1 ) + #2", true, "#1 o) o+ #2", "1,2", ""},
        LexCase{"int8(1)+int16(1)+uint32(1)+bitnot(1;2)", true,
                "fint8 o( i1 o) o+ fint16 o( i1 o) o+ fuint32 o( i1 o) o+ fbitnot o( i1 o; i2 o)",
                "", ""}));

TEST(Lexer, EmptyTextIsNoError) {
  InitFunctions();
  for (const char* src : {"", "   ", "\t \t", " \r\n"}) {
    TTokenList tokens;
    TIntList deps;
    TLexer lexer = TokenizeFormula(src, tokens, deps);
    EXPECT_TRUE(lexer.Empty) << '"' << src << '"';
    EXPECT_FALSE(lexer.OK);
    EXPECT_TRUE(lexer.Error.Message.empty());
    EXPECT_EQ(tokens.Count(), 0);
  }
}

TEST(Lexer, SourceIsRightTrimmed) {
  InitFunctions();
  TTokenList tokens;
  TIntList deps;
  TLexer lexer = TokenizeFormula(" #3*2 \t\r\n", tokens, deps);
  EXPECT_TRUE(lexer.OK);
  EXPECT_EQ(lexer.Source, " #3*2");
}

TEST(Lexer, MatchWordNeedsWordEnd) {
  TLexer lexer;
  lexer.Source = "gain(#3) gain2(#3) gainx GAIN";
  EXPECT_TRUE(lexer.MatchWord("gain", 1));
  EXPECT_FALSE(lexer.MatchWord("gain", 10));
  EXPECT_FALSE(lexer.MatchWord("gain", 20));
  EXPECT_TRUE(lexer.MatchWord("gain", 26));  // ends at the end of the text
  EXPECT_FALSE(lexer.MatchWord("gain", 27));
}

// Stand-ins for the later function kinds: the lexer must give every
// occurrence of a memory function its own instance and match table names as
// whole words only.
class FakeMemDef final : public TFunctionDefins {
 public:
  FakeMemDef() : TFunctionDefins(TCallMethod{fnNull, nullptr}, "count", false, 0, 0) {}
  TFunctionDefins* CreateInstance() override {
    instances.push_back(std::make_unique<TFunctionDefins>(*this));
    return instances.back().get();
  }
  std::vector<std::unique_ptr<TFunctionDefins>> instances;
};

TEST(Lexer, MemoryAndTableFunctionsComeAfterBuiltins) {
  InitFunctions();
  FakeMemDef count;
  TFunctionDefins gain(TCallMethod{fnAbs, nullptr}, "gain", false, 1, 0);
  TFunctionDefins sinus(TCallMethod{fnAbs, nullptr}, "sinus", false, 1, 0);
  TFunctionDefins* mems[] = {&count};
  TFunctionDefins* tables[] = {&gain, &sinus};

  TTokenList tokens;
  TIntList deps;
  TLexer lexer = TokenizeFormula("count()+COUNT()+Gain(#3)", tokens, deps, mems, tables);
  ASSERT_TRUE(lexer.OK);
  ASSERT_EQ(count.instances.size(), 2u);
  const auto* first = static_cast<const TFunctionToken*>(tokens[0]);
  const auto* second = static_cast<const TFunctionToken*>(tokens[4]);
  EXPECT_EQ(first->Definition, count.instances[0].get());
  EXPECT_EQ(second->Definition, count.instances[1].get());
  EXPECT_EQ(static_cast<const TFunctionToken*>(tokens[8])->Definition, &gain);
  EXPECT_EQ(DepText(deps), "3");

  for (const char* bad : {"gain2(#3)", "gainx", "sinus(1)"}) {
    TTokenList t2;
    TIntList d2;
    EXPECT_FALSE(TokenizeFormula(bad, t2, d2, mems, tables).OK) << bad;
  }
}

}  // namespace
}  // namespace qx
