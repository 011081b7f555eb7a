#include "formula/UParser.h"

#include <gtest/gtest.h>

#include <string>

#include "support/FormulaHarness.h"

namespace qx {
namespace {

using test::CodeText;
using test::Compile;

struct ParseCase {
  const char* source;
  const char* code;   // expected code when valid
  const char* error;  // "" when valid
};

class ParserTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParserTable, CodeOrError) {
  const ParseCase& c = GetParam();
  auto compiled = Compile(c.source);
  ASSERT_TRUE(compiled->LexOK) << c.source << ": " << compiled->Error;
  if (c.error[0] == '\0') {
    EXPECT_TRUE(compiled->ParseOK) << c.source << ": " << compiled->Error;
    EXPECT_EQ(CodeText(compiled->Code), c.code) << c.source;
  } else {
    EXPECT_FALSE(compiled->ParseOK) << c.source;
    EXPECT_EQ(compiled->Error, c.error) << c.source;
  }
}

const std::string kOperatorExpected(kParseExpectedOperator);
const std::string kWrongOperator(kParseWrongOperator);
const std::string kOperandExpected(kParseExpectedOperand);
const std::string kClosing(kParseClosingBracket);
const std::string kOpenExpected(kParseExpectedOpen);
const std::string kArgCount(kParseWrongArgCount);
const std::string kIncomplete(kParseIncomplete);

INSTANTIATE_TEST_SUITE_P(
    Cases, ParserTable,
    ::testing::Values(
        ParseCase{"1 + 2 * 3", "1 2 3 * +", ""}, ParseCase{"1 * 2 + 3", "1 2 * 3 +", ""},
        ParseCase{"10 - 4 - 3", "10 4 - 3 -", ""}, ParseCase{"2 ^ 3 ^ 2", "2 3 ^ 2 ^", ""},
        ParseCase{"-2 ^ 2", "-1 2 * 2 ^", ""}, ParseCase{"-(2 ^ 2)", "-1 2 2 ^ *", ""},
        ParseCase{"-#1 + 5", "-1 #1 * 5 +", ""},
        ParseCase{"max(-1; (-2))", "-1 1 * -1 2 * max/2", ""},
        ParseCase{"1 < 2 and 3 bitand 1 + 1", "1 2 < 3 1 1 + bitand and", ""},
        ParseCase{"1 == 2 or 3", "1 2 == 3 or", ""},
        ParseCase{"max(#1; #2 * 2) + 3", "#1 #2 2 * max/2 3 +", ""}, ParseCase{"pi()", "pi/0", ""},
        ParseCase{"if(#1; 5)", "#1 5 if/2", ""}, ParseCase{"if(#1; 5; 6)", "#1 5 6 if/3", ""},
        ParseCase{"round(1.5)", "r1.500000 round/1", ""}, ParseCase{"#1 ) + 2", "#1", ""},
        ParseCase{"#1 + 2 ) * 5", "#1 2 +", ""}, ParseCase{"#4 ; #5", "#4", ""},
        ParseCase{"2 * -3", "", kOperandExpected.c_str()},
        ParseCase{"--2", "", kOperandExpected.c_str()},
        ParseCase{"2 3", "", kOperatorExpected.c_str()},
        ParseCase{"2 (3)", "", kWrongOperator.c_str()},
        ParseCase{"1 = 2", "", kWrongOperator.c_str()},
        ParseCase{"1 , 2", "", kWrongOperator.c_str()}, ParseCase{"(1 + 2", "", kClosing.c_str()},
        ParseCase{"((1 + 2)", "", kClosing.c_str()}, ParseCase{"1 +", "", kIncomplete.c_str()},
        ParseCase{"-", "", kIncomplete.c_str()}, ParseCase{"pi", "", kIncomplete.c_str()},
        ParseCase{"max(1;2", "", kIncomplete.c_str()},
        ParseCase{"pi + 1", "", kOpenExpected.c_str()},
        ParseCase{"sin(1; 2)", "", kArgCount.c_str()}, ParseCase{"sin()", "", kArgCount.c_str()},
        ParseCase{"if(#1)", "", kArgCount.c_str()}, ParseCase{"if(1;2;3;4)", "", kArgCount.c_str()},
        ParseCase{"max()", "", kArgCount.c_str()}, ParseCase{"pi(1)", "", kArgCount.c_str()},
        ParseCase{"round(1;2;3)", "", kArgCount.c_str()},
        ParseCase{"'abc'", "", kOperandExpected.c_str()},
        ParseCase{")", "", kOperandExpected.c_str()}));

TEST(Parser, LeadingMinusInsertsTokenWithoutBreakingCode) {
  // Many leading minus signs: each inserts a token; the code's references must
  // stay valid while the token list grows.
  std::string src = "max(";
  for (int i = 0; i < 40; ++i) {
    src += '-';
    src += std::to_string(i);
    src += ';';
  }
  src += "-1)";
  auto c = Compile(src);
  ASSERT_TRUE(c->Valid()) << c->Error;
  EXPECT_EQ(c->Tokens.Count(), 1 + 1 + 41 * 3 + 40 + 1);
  // The rewritten minus became the multiplication.
  int multiplies = 0;
  for (TToken* t : c->Code.Items())
    if (t->Kind == tkOperator && static_cast<TOperatorToken*>(t)->OperatorIndex == oiMultiply)
      ++multiplies;
  EXPECT_EQ(multiplies, 41);
  test::TFormulaHarness h;
  EXPECT_EQ(h.Interp().Run(c->Code), 0.0);  // max of 0 and negatives
}

TEST(Parser, DeepNestingIsRefusedNotACrash) {
  std::string src(5000, '(');
  src += "1";
  src += std::string(5000, ')');
  auto c = Compile(src);
  EXPECT_FALSE(c->ParseOK);
  EXPECT_EQ(c->Error, kParseTooDeep);
  // Any formula of at most 255 characters still parses.
  std::string ok(127, '(');
  ok += "1";
  ok += std::string(127, ')');
  EXPECT_TRUE(Compile(ok)->Valid());
}

}  // namespace
}  // namespace qx
