// Tests for uStrSearch.
#include "foundation/uStrSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qx {
namespace {

TEST(StrSearch, FindSubStrIn) {
  struct C {
    const char* text;
    const char* pattern;
    int32_t from, to, result;
  };
  const std::vector<C> cases = {
      {"abcabc", "bc", 1, 6, 2},      {"abcabc", "bc", 2, 6, 2}, {"abcabc", "bc", 3, 6, 5},
      {"abcabc", "bc", 1, 3, 2},      {"abcabc", "bc", 1, 2, 0},  // would end one character behind
                                                                  // To
      {"abcabc", "bc", 3, 5, 0},    // the second occurrence ends behind To
      {"abcabc", "bc", 3, 100, 5},  // To is cut to the length
      {"abcabc", "bc", 7, 10, 0},   // From behind the end
      {"abcabc", "bc", 0, 6, 2},    // From < 1 counts as 1
      {"abcabc", "c", 1, 6, 3},     // one-character pattern
      {"abcabc", "c", 4, 5, 0},       {"abcabc", "c", 6, 6, 6},  {"abcabc", "abcabc", 1, 6, 1},
      {"abcabc", "abcabcd", 1, 6, 0}, {"abcabc", "", 1, 6, 0},   {"", "a", 1, 1, 0},
      {"aaab", "aab", 1, 4, 2},    // partial match then retry
      {"abcABC", "ABC", 1, 6, 4},  // case-sensitive
      {"abcabc", "bc", 4, 3, 0},   // To < From
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindSubStrIn(c.text, c.pattern, c.from, c.to), c.result)
        << c.text << " / " << c.pattern << " " << c.from << ".." << c.to;
}

TEST(StrSearch, FindSubStrLineBreaks) {
  const std::string text = "one\r\ntwo\r\nthree";
  EXPECT_EQ(FindSubStr(text, "\r\n", 1), 4);
  EXPECT_EQ(FindSubStr(text, "\r\n", 5), 9);
  EXPECT_EQ(FindSubStr(text, "\r\n", 10), 0);
  EXPECT_EQ(FindSubStr(text, "\r\n"), 4);
  EXPECT_EQ(FindSubStr("a\nb\n", "\n", 1), 2);
  // Console-style split from left to right.
  std::vector<std::string> parts;
  int32_t start = 1;
  for (int32_t p = FindSubStr(text, "\r\n", start); p != 0; p = FindSubStr(text, "\r\n", start)) {
    parts.push_back(CopyRange(text, start, p - 1));
    start = p + 2;
  }
  parts.push_back(CopyFrom(text, start));
  EXPECT_EQ(parts, (std::vector<std::string>{"one", "two", "three"}));
}

TEST(StrSearch, FindCharOf) {
  EXPECT_EQ(FindCharOf("12,5.3", ",.", 1), 3);
  EXPECT_EQ(FindCharOf("12.5,3", ",.", 1), 3);
  EXPECT_EQ(FindCharOf("12.5,3", ",.", 4), 5);
  EXPECT_EQ(FindCharOf("125", ",.", 1), 0);
  EXPECT_EQ(FindCharOf("12.5", ",.", 5), 0);
  EXPECT_EQ(FindCharOf("12.5", "", 1), 0);
  EXPECT_EQ(FindCharOfIn("a;b#c", ";#", 1, 1), 0);
  EXPECT_EQ(FindCharOfIn("a;b#c", ";#", 1, 2), 2);
  EXPECT_EQ(FindCharOfIn("a;b#c", ";#", 3, 100), 4);
  EXPECT_EQ(FindCharOfIn("a;b#c", ";#", 3, 2), 0);
  EXPECT_EQ(FindFirstCharOf("x = 1", " \t"), 2);
  EXPECT_EQ(FindFirstCharOf("x\t= 1", " \t"), 2);
  EXPECT_EQ(FindFirstCharOf("", " \t"), 0);
}

TEST(StrSearch, FindCharNotOf) {
  EXPECT_EQ(FindCharNotOf("0123456789", "0123456789", 1), 0);
  EXPECT_EQ(FindCharNotOf("123a45", "0123456789", 1), 4);
  EXPECT_EQ(FindCharNotOf("123a45", "0123456789", 5), 0);
  EXPECT_EQ(FindCharNotOf("", "0123456789", 1), 0);
  EXPECT_EQ(FindCharNotOf("abc", "", 2), 2);
  EXPECT_EQ(FindCharNotOfIn("12a4b", "0123456789", 1, 2), 0);
  EXPECT_EQ(FindCharNotOfIn("12a4b", "0123456789", 1, 3), 3);
  EXPECT_EQ(FindCharNotOfIn("12a4b", "0123456789", 4, 100), 5);
}

TEST(StrSearch, SkipBlanks) {
  struct C {
    const char* text;
    int32_t from, to, result;
  };
  const std::vector<C> in = {
      {"   ", 1, 3, 4},  {"   ", 1, 100, 4}, {"  a", 1, 3, 3},  {"\t a", 1, 3, 3},
      {"a  ", 1, 3, 1},  {"a  b", 2, 3, 4},  {"a  b", 2, 4, 4}, {"abc", 3, 2, 3},
      {"abc", 5, 10, 5}, {"", 1, 0, 1},      {"", 1, 5, 1},     {"x\n", 2, 2, 2},
  };
  for (const auto& c : in)
    EXPECT_EQ(SkipBlanksIn(c.text, c.from, c.to), c.result)
        << '"' << c.text << "\" " << c.from << ".." << c.to;
  EXPECT_EQ(SkipBlanks("   ", 1), 4);
  EXPECT_EQ(SkipBlanks("  x y", 1), 3);
  EXPECT_EQ(SkipBlanks("  x y", 4), 5);
  EXPECT_EQ(SkipBlanks("x", 1), 1);
  EXPECT_EQ(SkipBlanks("", 1), 1);
}

TEST(StrSearch, SkipBlanksBack) {
  struct C {
    const char* text;
    int32_t from, to, result;
  };
  const std::vector<C> in = {
      {"   ", 1, 3, 0}, {"a  ", 1, 3, 1}, {"a \t", 1, 3, 1},  {"ab ", 2, 3, 2}, {"a  ", 2, 3, 1},
      {"abc", 1, 3, 3}, {"abc", 3, 2, 2}, {"abc", 1, 100, 3}, {"", 1, 0, 0},    {"", 1, 5, 0},
  };
  for (const auto& c : in)
    EXPECT_EQ(SkipBlanksBackIn(c.text, c.from, c.to), c.result)
        << '"' << c.text << "\" " << c.from << ".." << c.to;
  EXPECT_EQ(SkipBlanksBack("   ", 1), 0);
  EXPECT_EQ(SkipBlanksBack("", 1), 0);
  EXPECT_EQ(SkipBlanksBack("key value  ", 1), 9);
  EXPECT_EQ(SkipBlanksBack("key   ", 4), 3);  // below From: only blanks from From on
  EXPECT_EQ(SkipBlanksBack("abc", 1), 3);
}

TEST(StrSearch, MatchAt) {
  EXPECT_TRUE(MatchAt("QXSHEET", "QX", 1));
  EXPECT_TRUE(MatchAt("QXSHEET", "SHEET", 3));
  EXPECT_TRUE(MatchAt("QXSHEET", "T", 7));
  EXPECT_FALSE(MatchAt("QXSHEET", "SHEETS", 3));  // longer than the rest
  EXPECT_FALSE(MatchAt("QXSHEET", "sheet", 3));
  EXPECT_FALSE(MatchAt("QXSHEET", "QX", 8));  // behind the end
  EXPECT_FALSE(MatchAt("QXSHEET", "QX", 0));
  EXPECT_FALSE(MatchAt("", "", 1));
  EXPECT_TRUE(MatchAt("abc", "", 2));
  EXPECT_TRUE(MatchAtIn("abcdef", "cd", 3, 4));
  EXPECT_FALSE(MatchAtIn("abcdef", "cd", 3, 3));
  EXPECT_TRUE(MatchAtIn("abcdef", "cdef", 3, 100));
  EXPECT_FALSE(MatchAtIn("abcdef", "x", 7, 100));
}

TEST(StrSearch, StartsWith) {
  EXPECT_TRUE(StartsWith("QXGENERAL", "QX"));
  EXPECT_TRUE(StartsWith("QX", "QX"));
  EXPECT_FALSE(StartsWith("Q", "QX"));
  EXPECT_FALSE(StartsWith("qxgeneral", "QX"));
  EXPECT_FALSE(StartsWith("", "QX"));
  EXPECT_FALSE(StartsWith("", ""));
  EXPECT_TRUE(StartsWith("abc", ""));
}

TEST(StrSearch, MatchAtNoCase) {
  EXPECT_TRUE(MatchAtNoCase("SIN(", "sin", 1));
  EXPECT_FALSE(MatchAtNoCase("SIN(", "SIN", 1));
  EXPECT_TRUE(MatchAtNoCase("x+Sin(1)", "sin", 3));
  EXPECT_TRUE(MatchAtNoCase("sin", "sin", 1));
  EXPECT_FALSE(MatchAtNoCase("SI", "sin", 1));
  EXPECT_FALSE(MatchAtNoCase("SIN", "sin", 4));
  EXPECT_FALSE(MatchAtNoCase("SIN", "sin", 0));
  EXPECT_TRUE(MatchAtNoCase("A1_[", "a1_[", 1));   // non-letters compare as they are
  EXPECT_FALSE(MatchAtNoCase("\xC4", "\xE4", 1));  // only A..Z are lowered
}

TEST(StrSearch, Copying) {
  EXPECT_EQ(CopyRange("abcdef", 2, 4), "bcd");
  EXPECT_EQ(CopyRange("abcdef", 4, 4), "d");
  EXPECT_EQ(CopyRange("abcdef", 4, 3), "");
  EXPECT_EQ(CopyRange("abcdef", 5, 100), "ef");
  EXPECT_EQ(CopyRange("abcdef", 7, 8), "");
  EXPECT_EQ(CopyRange("abcdef", 0, 2), "ab");
  EXPECT_EQ(CopyRange("", 1, 1), "");
  EXPECT_EQ(CopyFrom("abcdef", 3), "cdef");
  EXPECT_EQ(CopyFrom("abcdef", 7), "");
  EXPECT_EQ(CopyFrom("abcdef", 1), "abcdef");

  const std::string long300(300, 'x');
  EXPECT_EQ(ShortCopyRange("abcdef", 2, 4), "bcd");
  EXPECT_EQ(ShortCopyRange("abcdef", 4, 3), "");
  EXPECT_EQ(ShortCopyRange(long300, 1, 256), "");
  EXPECT_EQ(ShortCopyRange(long300, 250, 255), std::string(6, 'x'));
  EXPECT_EQ(ShortCopyRange("abc", 1, 255), "abc");
  EXPECT_EQ(ShortCopyFrom("abcdef", 4), "def");
  EXPECT_EQ(ShortCopyFrom(long300, 250), std::string(6, 'x'));
  EXPECT_EQ(ShortCopyFrom(long300, 256), "");
}

TEST(Utf8LeftTest, CutsByCharacterNotByte) {
  struct Case {
    const char* text;
    size_t count;
    const char* expected;
  };
  const Case cases[] = {
      {"abc", 2, "ab"},
      {"abc", 5, "abc"},
      {"", 3, ""},
      {"\xC3\xA4\xC3\xB6\xC3\xBC", 2, "\xC3\xA4\xC3\xB6"},  // three umlauts
      {"a\xE4\xB8\xAD\xF0\x9F\x98\x80" "b", 3, "a\xE4\xB8\xAD\xF0\x9F\x98\x80"},
      {"\x80\x80x", 1, "\x80\x80"},  // stray continuation bytes stay together
      {"ab", 0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8Left(c.text, c.count), c.expected) << c.text;
}

}  // namespace
}  // namespace qx
