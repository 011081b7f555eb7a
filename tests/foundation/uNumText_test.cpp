// Tests for uNumText.
#include "foundation/uNumText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace qx {
namespace {

// Restores both separators after each test.
class NumText : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFloat_ = FloatSeparator();
    savedDisplay_ = DisplaySeparator();
  }
  void TearDown() override {
    SetFloatSeparator(savedFloat_);
    SetDisplaySeparator(savedDisplay_);
  }
  void Seps(char floatSep, char displaySep) {
    SetFloatSeparator(floatSep);
    SetDisplaySeparator(displaySep);
  }
  char savedFloat_ = ',';
  char savedDisplay_ = ',';
};

struct IntCase {
  const char* text;
  bool ok;
  int32_t value;
};

TEST_F(NumText, DefaultSeparatorsAreComma) {
  EXPECT_EQ(FloatSeparator(), ',');
  EXPECT_EQ(DisplaySeparator(), ',');
  char s = SystemDecimalSeparator();
  EXPECT_TRUE(s == '.' || s == ',');
  EXPECT_EQ(SystemDecimalSeparator(), s);  // stable
  // Reading the system separator changes neither of ours.
  EXPECT_EQ(FloatSeparator(), ',');
  EXPECT_EQ(DisplaySeparator(), ',');
}

TEST_F(NumText, SettersChangeSeparators) {
  Seps('.', ',');
  EXPECT_EQ(FloatSeparator(), '.');
  EXPECT_EQ(DisplaySeparator(), ',');
  Seps(',', '.');
  EXPECT_EQ(FloatSeparator(), ',');
  EXPECT_EQ(DisplaySeparator(), '.');
}

TEST_F(NumText, TextToInt) {
  const std::vector<IntCase> cases = {
      {"42", true, 42},
      {"-7", true, -7},
      {"0", true, 0},
      {"-0", true, 0},
      {"007", true, 7},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, std::numeric_limits<int32_t>::min()},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999999", false, 0},
      {"+7", false, 0},
      {" 7", false, 0},
      {"7 ", false, 0},
      {"1.0", false, 0},
      {"1,0", false, 0},
      {"", false, 0},
      {"   ", false, 0},
      {"-", false, 0},
      {"--1", false, 0},
      {"1-", false, 0},
      {"$1F", false, 0},
      {"0x1F", false, 0},
      {"12a", false, 0},
  };
  for (const auto& c : cases) {
    bool ok = !c.ok;
    int32_t v = TextToInt(c.text, ok);
    EXPECT_EQ(ok, c.ok) << '"' << c.text << '"';
    EXPECT_EQ(v, c.value) << '"' << c.text << '"';
  }
}

TEST_F(NumText, TryTextToInt) {
  const std::vector<IntCase> cases = {
      {"42", true, 42},
      {"-7", true, -7},
      {"+7", true, 7},
      {" 7", true, 7},
      {"\t7", true, 7},
      {"$FF", true, 255},
      {"$ff", true, 255},
      {"$000000FF", true, 255},
      {"$00D1DCE9", true, 0x00D1DCE9},
      {"$FFFFFFFF", true, -1},
      {"$80000000", true, std::numeric_limits<int32_t>::min()},
      {"-$10", true, -16},
      {"0x1F", true, 31},
      {"0X1f", true, 31},
      {"&17", true, 15},
      {"%101", true, 5},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, std::numeric_limits<int32_t>::min()},
      {"2147483648", false, 0},
      {"$100000000", false, 0},
      {"7 ", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"$", false, 0},
      {"-", false, 0},
      {"0x", false, 0},
      {"$G1", false, 0},
      {"&8", false, 0},
      {"%2", false, 0},
      {"1.5", false, 0},
      {"12a", false, 0},
  };
  for (const auto& c : cases) {
    bool ok = !c.ok;
    int32_t v = TryTextToInt(c.text, ok);
    EXPECT_EQ(ok, c.ok) << '"' << c.text << '"';
    EXPECT_EQ(v, c.value) << '"' << c.text << '"';
  }
}

struct RealCase {
  const char* text;
  bool ok;
  double value;
};

const std::vector<RealCase>& RealCases() {
  static const std::vector<RealCase> cases = {
      {"1,5", true, 1.5},       {"1.5", true, 1.5},
      {"-1,5", true, -1.5},     {"+1.5", true, 1.5},
      {"0", true, 0.0},         {"-0", true, 0.0},
      {"42", true, 42.0},       {"1,5E-5", true, 1.5e-5},
      {"1.5e-5", true, 1.5e-5}, {"1E15", true, 1e15},
      {"1e+3", true, 1000.0},   {"2,5E3", true, 2500.0},
      {".5", true, 0.5},        {",5", true, 0.5},
      {"5.", true, 5.0},        {" 1,5", true, 1.5},
      {"1,5 ", true, 1.5},      {"\t1.5\r\n", true, 1.5},
      {"0,1", true, 0.1},       {"123456789012345", true, 123456789012345.0},
      {"1e-400", true, 0.0},    {"1.234,5", false, 0.0},
      {"1,234,5", false, 0.0},  {"1.2.3", false, 0.0},
      {"1e400", false, 0.0},    {"", false, 0.0},
      {"   ", false, 0.0},      {"-", false, 0.0},
      {".", false, 0.0},        {",", false, 0.0},
      {"e5", false, 0.0},       {"1e", false, 0.0},
      {"1e+", false, 0.0},      {"1 5", false, 0.0},
      {"abc", false, 0.0},      {"1,5x", false, 0.0},
      {"nan", false, 0.0},      {"NaN", false, 0.0},
      {"inf", false, 0.0},      {"-inf", false, 0.0},
      {"Infinity", false, 0.0}, {"0x1p3", false, 0.0},
      {"--1", false, 0.0},      {"1e3.5", false, 0.0},
  };
  return cases;
}

TEST_F(NumText, TextToFloatAndRealWithEverySeparator) {
  for (char sep : {',', '.'}) {
    Seps(sep, sep == ',' ? '.' : ',');
    for (const auto& c : RealCases()) {
      bool ok = !c.ok;
      double v = TextToFloat(c.text, ok);
      EXPECT_EQ(ok, c.ok) << '"' << c.text << "\" sep " << sep;
      EXPECT_EQ(v, c.value) << '"' << c.text << "\" sep " << sep;
      ok = !c.ok;
      v = TextToReal(c.text, ok);
      EXPECT_EQ(ok, c.ok) << '"' << c.text << "\" sep " << sep;
      EXPECT_EQ(v, c.value) << '"' << c.text << "\" sep " << sep;
    }
  }
}

TEST_F(NumText, TextToFloatRoundTripsFileText) {
  for (double d : {0.5, -1.25, 3.14159, 1e15, 1.5e-5, 123456.789, 1e-300, 1.79769313486e308}) {
    bool ok = false;
    double back = TextToFloat(FloatToFileText(d), ok);
    EXPECT_TRUE(ok) << FloatToFileText(d);
    EXPECT_NEAR(back, d, std::fabs(d) * 1e-14) << FloatToFileText(d);
  }
  // The largest double's 15-digit text rounds above the double range, so it
  // is refused as an overflow (as Pascal's Val would).
  bool ok = true;
  EXPECT_EQ(TextToFloat(FloatToFileText(1.7976931348623157e308), ok), 0.0);
  EXPECT_FALSE(ok);
}

TEST_F(NumText, TextToBool) {
  struct C {
    const char* text;
    bool ok;
    bool value;
  };
  const std::vector<C> cases = {
      {"true", true, true},    {"false", true, false},   {"true ", true, true},
      {"trueish", true, true}, {"falsely", true, false}, {"True", false, false},
      {"FALSE", false, false}, {"", false, false},       {" true", false, false},
      {"tru", false, false},   {"1", false, false},
  };
  for (const auto& c : cases) {
    bool ok = !c.ok;
    bool v = TextToBool(c.text, ok);
    EXPECT_EQ(ok, c.ok) << '"' << c.text << '"';
    EXPECT_EQ(v, c.value) << '"' << c.text << '"';
  }
}

TEST_F(NumText, BinTextToInt) {
  const std::vector<IntCase> cases = {
      {"0b1", true, 1},
      {"0b0", true, 0},
      {"0b101", true, 5},
      {"0b101  ", true, 5},
      {"0b101\t", true, 5},
      {"0b11111111111111111111111111111111", true, -1},
      {"0b10000000000000000000000000000000", true, std::numeric_limits<int32_t>::min()},
      {"0b100000000000000000000000000000001", true, 1},  // bit 33 lost
      {"0b", false, 0},
      {"0b  ", false, 0},
      {"0b102", false, 0},
      {"0B1", false, 0},
      {"1b1", false, 0},
      {" 0b1", false, 0},
      {"0b1 1", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    bool ok = !c.ok;
    int32_t v = BinTextToInt(c.text, ok);
    EXPECT_EQ(ok, c.ok) << '"' << c.text << '"';
    EXPECT_EQ(v, c.value) << '"' << c.text << '"';
  }
}

TEST_F(NumText, HexTextToInt) {
  const std::vector<IntCase> cases = {
      {"0x1F", true, 31},
      {"0x1F ", true, 31},
      {"0x1f", true, 31},
      {"0XFF", true, 255},
      {"0x0", true, 0},
      {"0xFFFFFFFF", true, -1},
      {"0x80000000", true, std::numeric_limits<int32_t>::min()},
      {"0x100000001", true, 1},  // modulo 2^32
      {"0x", false, 0},
      {"0x ", false, 0},
      {"0xG", false, 0},
      {"$1F", false, 0},
      {"1F", false, 0},
      {" 0x1F", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    bool ok = !c.ok;
    int32_t v = HexTextToInt(c.text, ok);
    EXPECT_EQ(ok, c.ok) << '"' << c.text << '"';
    EXPECT_EQ(v, c.value) << '"' << c.text << '"';
  }
}

struct TextCase {
  double value;
  const char* text;  // with ',' as separator
};

const std::vector<TextCase>& GeneralCases() {
  static const std::vector<TextCase> cases = {
      {0.0, "0"},
      {-0.0, "0"},
      {0.5, "0,5"},
      {-0.5, "-0,5"},
      {1.0, "1"},
      {-7.0, "-7"},
      {3.14159, "3,14159"},
      {0.1, "0,1"},
      {1.0 / 3.0, "0,333333333333333"},
      {2.0 / 3.0, "0,666666666666667"},
      {100.0, "100"},
      {123456.789, "123456,789"},
      {1e14, "100000000000000"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.5e15, "1,5E15"},
      {1234567890123456.0, "1,23456789012346E15"},
      {1e100, "1E100"},
      {-2.5e20, "-2,5E20"},
      {0.0001, "0,0001"},
      {0.00012, "0,00012"},
      {1e-5, "1E-5"},
      {1.5e-5, "1,5E-5"},
      {-2.5e-10, "-2,5E-10"},
      {1e-300, "1E-300"},
      {999999999999999.9, "1E15"},  // rounding to 15 digits moves the exponent
      {0.1 + 0.2, "0,3"},
      {1.7976931348623157e308, "1,79769313486232E308"},
  };
  return cases;
}

std::string WithSep(const char* text, char sep) {
  std::string s(text);
  for (char& c : s)
    if (c == ',') c = sep;
  return s;
}

TEST_F(NumText, FloatToTextUsesProcessSeparator) {
  for (char sep : {',', '.'}) {
    Seps(sep, sep == ',' ? '.' : ',');  // display separator must not matter
    for (const auto& c : GeneralCases())
      EXPECT_EQ(FloatToText(c.value), WithSep(c.text, sep)) << c.value;
  }
}

TEST_F(NumText, FloatToDisplayTextUsesDisplaySeparator) {
  for (char floatSep : {',', '.'}) {
    for (char dispSep : {',', '.'}) {
      Seps(floatSep, dispSep);
      for (const auto& c : GeneralCases())
        EXPECT_EQ(FloatToDisplayText(c.value), WithSep(c.text, dispSep)) << c.value;
    }
  }
  Seps(',', ',');
  EXPECT_EQ(FloatToDisplayText(0.5), "0,5");  // "komma"
  Seps(',', '.');
  EXPECT_EQ(FloatToDisplayText(0.5), "0.5");  // "point"
}

TEST_F(NumText, FloatToFileTextAlwaysComma) {
  for (char floatSep : {',', '.'}) {
    for (char dispSep : {',', '.'}) {
      Seps(floatSep, dispSep);
      for (const auto& c : GeneralCases()) EXPECT_EQ(FloatToFileText(c.value), c.text) << c.value;
      EXPECT_EQ(FloatToFileText(0.5), "0,5");
      EXPECT_EQ(FloatToFileText(1.5e-5), "1,5E-5");
    }
  }
}

TEST_F(NumText, NonFiniteTexts) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FloatToText(nan), "Nan");
  EXPECT_EQ(FloatToText(inf), "+Inf");
  EXPECT_EQ(FloatToText(-inf), "-Inf");
  EXPECT_EQ(FloatToDisplayText(nan), "Nan");
  EXPECT_EQ(FloatToFileText(-inf), "-Inf");
  EXPECT_EQ(FloatToFixedText(nan, 2), "Nan");
  // The texts are not read back as typed numbers...
  bool ok = true;
  EXPECT_EQ(TextToFloat(FloatToText(nan), ok), 0.0);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextToFloat(FloatToText(inf), ok), 0.0);
  EXPECT_FALSE(ok);
  // ...but the file reader takes back what the file writer wrote.
  for (double d : {nan, inf, -inf, 0.5, -1.5e-5}) {
    ok = false;
    const double back = FileTextToFloat(FloatToFileText(d), ok);
    EXPECT_TRUE(ok) << FloatToFileText(d);
    EXPECT_EQ(FloatToFileText(back), FloatToFileText(d));
  }
  for (const char* text : {"nan", "NaN", "NAN", "Inf", "inf", "+inf", "-INF", "Infinity", "+Nan",
                           "Nan1", "+ Inf", ""}) {
    ok = true;
    EXPECT_EQ(FileTextToFloat(text, ok), 0.0) << text;
    EXPECT_FALSE(ok) << text;
  }
}

TEST_F(NumText, FloatToFixedText) {
  Seps('.', ',');
  struct C {
    double v;
    int32_t d;
    const char* t;
  };
  const std::vector<C> cases = {
      {1.234, 2, "1.23"},   {1.235, 2, "1.24"},
      {0.125, 2, "0.13"},   {2.675, 2, "2.68"},
      {-0.125, 2, "-0.13"}, {9.999, 2, "10.00"},
      {0.0, 2, "0.00"},     {-0.001, 2, "0.00"},
      {12.5, 0, "13"},      {-12.5, 0, "-13"},
      {3.0, 3, "3.000"},    {1e20, 1, "100000000000000000000.0"},
      {1.5, -4, "2"},       {0.1, 25, "0.10000000000000000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToFixedText(c.v, c.d), c.t) << c.v << " " << c.d;
  Seps(',', '.');
  EXPECT_EQ(FloatToFixedText(1.5, 2), "1,50");
}

TEST_F(NumText, BoolColorZero) {
  EXPECT_EQ(BoolToText(true), "true");
  EXPECT_EQ(BoolToText(false), "false");
  EXPECT_EQ(ColorToText(255), "$000000FF");
  EXPECT_EQ(ColorToText(0), "$00000000");
  EXPECT_EQ(ColorToText(0x00E9DCD1u), "$00E9DCD1");
  EXPECT_EQ(ColorToText(0xFFFFFFFFu), "$FFFFFFFF");
  EXPECT_EQ(ColorToText(0x80000005u), "$80000005");
  // ColorToText and TryTextToInt agree in both directions.
  for (uint32_t c : {0u, 255u, 0x00E9DCD1u, 0x80000005u, 0xFFFFFFFFu}) {
    bool ok = false;
    EXPECT_EQ(static_cast<uint32_t>(TryTextToInt(ColorToText(c), ok)), c);
    EXPECT_TRUE(ok);
  }
  EXPECT_EQ(ZeroString(0), "");
  EXPECT_EQ(ZeroString(-3), "");
  EXPECT_EQ(ZeroString(1), "0");
  EXPECT_EQ(ZeroString(5), "00000");
}

TEST_F(NumText, LimitDecimals) {
  struct C {
    const char* text;
    int32_t digits;
    bool pad;
    const char* result;  // '#' stands for the process-wide separator
  };
  const std::vector<C> cases = {
      // Documented examples.
      {"3,14159", 2, false, "3,14"},
      {"3,1", 3, true, "3,100"},
      {"7", 2, true, "7#00"},
      {"1,23456E-5", 2, false, "1,23E-5"},
      {"2,5", 0, false, "2"},
      // Cut, never rounded.
      {"2,999", 2, false, "2,99"},
      {"3,14159", 0, false, "3"},
      {"33,3333333333333", 1, false, "33,3"},
      {"-3,14159", 2, true, "-3,14"},
      {"3.14159", 2, false, "3.14"},  // the text's own separator is kept
      {"3,1", 3, false, "3,1"},
      {"3,14", 2, true, "3,14"},
      {"7", 2, false, "7"},
      {"50", 3, true, "50#000"},
      {"1E15", 2, false, "1E15"},
      {"1E15", 2, true, "1#00E15"},
      {"1,5E-5", 3, true, "1,500E-5"},
      {"1,23456e-5", 2, false, "1,23e-5"},
      {"", 2, false, ""},
      {"", 2, true, "#00"},
      // Mended: no trailing separator with 0 digits.
      {"7", 0, true, "7"},
      {"7", 0, false, "7"},
      {"7,", 0, false, "7"},
      {"7,", 0, true, "7"},
      {"7,9", 0, true, "7"},
      {"1,5E-5", 0, true, "1E-5"},
      // Texts of NaN and infinities are not padded.
      {"Nan", 2, true, "Nan"},
      {"+Inf", 3, true, "+Inf"},
      {"-Inf", 0, false, "-Inf"},
      // Negative digits count as 0.
      {"7,9", -1, true, "7"},
      {"7", -1, true, "7"},
      // Long inputs.
      {"0,33333333333333333333", 20, true, "0,33333333333333333333"},
      {"0,1", 20, true, "0,10000000000000000000"},
  };
  for (char sep : {',', '.'}) {
    Seps(sep, ',');
    for (const auto& c : cases) {
      std::string expected(c.result);
      for (char& ch : expected)
        if (ch == '#') ch = sep;
      EXPECT_EQ(LimitDecimals(c.text, c.digits, c.pad), expected)
          << '"' << c.text << "\" " << c.digits << ' ' << c.pad << " sep " << sep;
    }
  }
}

TEST_F(NumText, LimitDecimalsOnGeneralText) {
  // The numeric display's chain: FloatToText then LimitDecimals.
  Seps(',', ',');
  EXPECT_EQ(LimitDecimals(FloatToText(3.14159), 2, false), "3,14");
  EXPECT_EQ(LimitDecimals(FloatToText(3.14159), 0, false), "3");
  EXPECT_EQ(LimitDecimals(FloatToText(2.999), 2, false), "2,99");
  EXPECT_EQ(LimitDecimals(FloatToText(7.0), 2, true), "7,00");
  EXPECT_EQ(LimitDecimals(FloatToText(7.0), 2, false), "7");
  EXPECT_EQ(LimitDecimals(FloatToDisplayText(100.0 / 3.0), 1, false), "33,3");
}

TEST_F(NumText, SeparatorRoutines) {
  EXPECT_EQ(ReplaceSeparator("1,5", '.'), "1.5");
  EXPECT_EQ(ReplaceSeparator("1.5", ','), "1,5");
  EXPECT_EQ(ReplaceSeparator("1.234,5", ','), "1,234,5");  // only the first
  EXPECT_EQ(ReplaceSeparator("1,234.5", '.'), "1.234.5");
  EXPECT_EQ(ReplaceSeparator("42", '.'), "42");
  EXPECT_EQ(ReplaceSeparator("", '.'), "");
  EXPECT_EQ(ReplaceSeparator("abc.def", 'x'), "abcxdef");
  Seps('.', ',');
  EXPECT_EQ(ToSystemSeparator("1,5"), "1.5");
  EXPECT_EQ(ToDisplaySeparator("1.5"), "1,5");
  Seps(',', '.');
  EXPECT_EQ(ToSystemSeparator("1.5"), "1,5");
  EXPECT_EQ(ToDisplaySeparator("1,5"), "1.5");
  EXPECT_EQ(ToDisplaySeparator("1,5E-5"), "1.5E-5");
}

TEST_F(NumText, LimitInt) {
  struct C {
    int32_t in, min, max, out;
  };
  const std::vector<C> cases = {
      {5, 0, 20, 5},
      {-1, 0, 20, 0},
      {25, 0, 20, 20},
      {0, 0, 20, 0},
      {20, 0, 20, 20},
      {0, 10, 5, 5},
      {7, 10, 5, 5},
      {100, 10, 5, 5},
      {-100, 10, 5, 5},
      {std::numeric_limits<int32_t>::min(), 0, 20, 0},
      {std::numeric_limits<int32_t>::max(), 0, 20, 20},
  };
  for (const auto& c : cases) {
    int32_t v = c.in;
    LimitInt(v, c.min, c.max);
    EXPECT_EQ(v, c.out) << c.in << " " << c.min << " " << c.max;
  }
}

TEST_F(NumText, RoundHalfUp) {
  struct C {
    double in;
    int64_t out;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const int64_t max = std::numeric_limits<int64_t>::max();
  const int64_t min = std::numeric_limits<int64_t>::min();
  const std::vector<C> cases = {
      {2.5, 3},
      {2.49, 2},
      {2.0, 2},
      {2.7, 3},
      {0.0, 0},
      {-0.0, 0},
      {0.5, 1},
      {0.49999999999999994, 0},
      {1e15 + 0.5, 1000000000000001},
      {-2.5, -2},
      {-2.7, -3},
      {-2.2, -2},
      {-2.51, -3},
      {-0.5, 0},
      {-0.4, 0},
      {4503599627370497.0, 4503599627370497},
      {9.2e18, 9200000000000000000},
      {nan, 0},
      {inf, max},
      {-inf, min},
      {1e300, max},
      {-1e300, min},
      {9223372036854775808.0, max},
      {-9223372036854775808.0, min},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundHalfUp(c.in), c.out) << c.in;
}

TEST_F(NumText, DecimalExponent) {
  struct C {
    double in;
    int32_t out;
  };
  const std::vector<C> cases = {
      {5, 1},
      {10, 1},
      {100, 2},
      {150, 3},
      {1, 0},
      {0.5, -1},
      {0.1, -1},
      {0.05, -2},
      {0, -100},
      {-150, 3},
      {-0.05, -2},
      {1e200, 100},
      {1e-200, -100},
      {std::numeric_limits<double>::infinity(), 100},
      {std::numeric_limits<double>::quiet_NaN(), -100},
  };
  for (const auto& c : cases) EXPECT_EQ(DecimalExponent(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace qx
