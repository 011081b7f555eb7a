// Number and text conversion. See uNumText.h.
#include "foundation/uNumText.h"

#include <atomic>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <langinfo.h>
#include <locale.h>
#endif

namespace qx {

namespace {

std::atomic<char> gFloatSeparator{','};
std::atomic<char> gDisplaySeparator{','};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Value of a digit in base 16 (lower or upper case), -1 when none.
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char ReadSystemSeparator() {
#if defined(__unix__) || defined(__APPLE__)
  // The user's locale (LANG / LC_ALL / LC_NUMERIC) without touching the
  // process's C locale.
  locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (loc != static_cast<locale_t>(0)) {
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    char c = (radix != nullptr && radix[0] != '\0' && radix[1] == '\0') ? radix[0] : '.';
    freelocale(loc);
    return (c == ',' || c == '.') ? c : '.';
  }
#endif
  const std::lconv* lc = std::localeconv();
  if (lc != nullptr && lc->decimal_point != nullptr && lc->decimal_point[0] != '\0' &&
      lc->decimal_point[1] == '\0' && (lc->decimal_point[0] == ',' || lc->decimal_point[0] == '.'))
    return lc->decimal_point[0];
  return '.';
}

}  // namespace

// ---- Separators ------------------------------------------------------------

char FloatSeparator() {
  return gFloatSeparator.load(std::memory_order_relaxed);
}
void SetFloatSeparator(char sep) {
  gFloatSeparator.store(sep, std::memory_order_relaxed);
}
char DisplaySeparator() {
  return gDisplaySeparator.load(std::memory_order_relaxed);
}
void SetDisplaySeparator(char sep) {
  gDisplaySeparator.store(sep, std::memory_order_relaxed);
}

char SystemDecimalSeparator() {
  static const char sep = ReadSystemSeparator();
  return sep;
}

// ---- Text to number --------------------------------------------------------

int32_t TextToInt(std::string_view text, bool& ok) {
  ok = false;
  size_t i = 0;
  bool neg = false;
  if (!text.empty() && text[0] == '-') {
    neg = true;
    i = 1;
  }
  if (i >= text.size()) return 0;  // empty or lone "-"
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return 0;
    v = v * 10 + (text[i] - '0');
    if (v > int64_t{2147483648}) return 0;  // beyond any int32 magnitude
  }
  if (neg) v = -v;
  if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min()) return 0;
  ok = true;
  return static_cast<int32_t>(v);
}

int32_t TryTextToInt(std::string_view text, bool& ok) {
  ok = false;
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    neg = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size()) {
    if (text[i] == '$') {
      base = 16;
      ++i;
    } else if (text[i] == '&') {
      base = 8;
      ++i;
    } else if (text[i] == '%') {
      base = 2;
      ++i;
    } else if (text[i] == '0' && i + 1 < text.size() &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      base = 16;
      i += 2;
    }
  }
  if (i >= text.size()) return 0;  // no digits
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    int d = HexDigitValue(text[i]);
    if (d < 0 || d >= base) return 0;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return 0;
  }
  int32_t result;
  if (base == 10) {
    if (neg) {
      if (v > 2147483648ull) return 0;
      result = static_cast<int32_t>(-static_cast<int64_t>(v));
    } else {
      if (v > 2147483647ull) return 0;
      result = static_cast<int32_t>(v);
    }
  } else {
    uint32_t u = static_cast<uint32_t>(v);
    if (neg) u = 0u - u;
    result = static_cast<int32_t>(u);  // two's complement reinterpretation
  }
  ok = true;
  return result;
}

// Our "platform standard float parser" (see the header for the accepted form).
double TextToFloat(std::string_view text, bool& ok) {
  ok = false;
  // Trim bytes <= ' ' at both ends (Pascal Trim).
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.empty()) return 0.0;

  // Normalised copy: sign dropped ('+' is not accepted by from_chars), the
  // first separator turned into '.'.
  std::string buf;
  buf.reserve(text.size());
  size_t i = 0;
  bool neg = false;
  if (text[i] == '+' || text[i] == '-') {
    neg = text[i] == '-';
    ++i;
  }
  size_t intDigits = 0, fracDigits = 0;
  int firstNonZero = -1;  // index among all mantissa digits
  int digitIndex = 0;
  while (i < text.size() && IsDigit(text[i])) {
    if (firstNonZero < 0 && text[i] != '0') firstNonZero = digitIndex;
    ++digitIndex;
    buf.push_back(text[i++]);
    ++intDigits;
  }
  if (i < text.size() && (text[i] == ',' || text[i] == '.')) {
    buf.push_back('.');
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      if (firstNonZero < 0 && text[i] != '0') firstNonZero = digitIndex;
      ++digitIndex;
      buf.push_back(text[i++]);
      ++fracDigits;
    }
  }
  if (intDigits + fracDigits == 0) return 0.0;
  int64_t expValue = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    buf.push_back('e');
    ++i;
    bool expNeg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      expNeg = text[i] == '-';
      buf.push_back(text[i++]);
    }
    size_t expDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      if (expValue < 1000000000) expValue = expValue * 10 + (text[i] - '0');
      buf.push_back(text[i++]);
      ++expDigits;
    }
    if (expDigits == 0) return 0.0;
    if (expNeg) expValue = -expValue;
  }
  if (i != text.size()) return 0.0;  // anything else (a second separator too)

  if (firstNonZero < 0) {  // all digits zero
    ok = true;
    return 0.0;
  }
  double value = 0.0;
  const char* first = buf.data();
  const char* last = buf.data() + buf.size();
  auto res = std::from_chars(first, last, value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Decimal magnitude: the value lies in [10^(m-1), 10^m).
    int64_t m = static_cast<int64_t>(intDigits) - firstNonZero + expValue;
    if (m <= 0) {  // underflow: accept as zero
      ok = true;
      return 0.0;
    }
    return 0.0;  // overflow: refused
  }
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) return 0.0;
  ok = true;
  return neg ? -value : value;
}

double TextToReal(std::string_view text, bool& ok) {
  return TextToFloat(text, ok);
}

double FileTextToFloat(std::string_view text, bool& ok) {
  std::string_view t = text;
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.remove_suffix(1);
  ok = true;
  if (t == "Nan") return std::numeric_limits<double>::quiet_NaN();
  if (t == "+Inf") return std::numeric_limits<double>::infinity();
  if (t == "-Inf") return -std::numeric_limits<double>::infinity();
  return TextToFloat(text, ok);
}

bool TextToBool(std::string_view text, bool& ok) {
  if (text.substr(0, 5) == "false") {
    ok = true;
    return false;
  }
  if (text.substr(0, 4) == "true") {
    ok = true;
    return true;
  }
  ok = false;
  return false;
}

int32_t BinTextToInt(std::string_view text, bool& ok) {
  ok = false;
  text = TrimTrailingBlanks(text);
  if (text.size() <= 2 || text[0] != '0' || text[1] != 'b') return 0;
  uint32_t v = 0;
  uint64_t weight = 1;  // becomes 0 beyond 32 bits: those bits are lost
  for (size_t k = text.size(); k-- > 2;) {
    char c = text[k];
    if (c != '0' && c != '1') return 0;
    if (c == '1') v += static_cast<uint32_t>(weight);
    weight = (weight << 1) & 0xFFFFFFFFull;
  }
  ok = true;
  return static_cast<int32_t>(v);
}

int32_t HexTextToInt(std::string_view text, bool& ok) {
  ok = false;
  text = TrimTrailingBlanks(text);
  if (text.size() <= 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
  uint32_t v = 0;
  uint32_t weight = 1;  // modulo 2^32 arithmetic
  for (size_t k = text.size(); k-- > 2;) {
    int d = HexDigitValue(text[k]);
    if (d < 0) return 0;
    v += static_cast<uint32_t>(d) * weight;
    weight *= 16u;
  }
  ok = true;
  return static_cast<int32_t>(v);
}

// ---- Number to text --------------------------------------------------------

namespace {

std::string SpecialText(double value) {
  if (std::isnan(value)) return "Nan";
  return value > 0 ? "+Inf" : "-Inf";
}

// General format with the given separator.
std::string GeneralText(double value, char sep) {
  if (!std::isfinite(value)) return SpecialText(value);
  if (value == 0.0) return "0";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  // s = [-]d.ddddddddddddddde[+-]XX
  std::string out;
  if (s[0] == '-') {
    out.push_back('-');
    s.remove_prefix(1);
  }
  size_t ePos = s.find('e');
  std::string digits;
  for (size_t k = 0; k < ePos; ++k)
    if (IsDigit(s[k])) digits.push_back(s[k]);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exp = 0;
  std::from_chars(s.data() + ePos + 1 + (s[ePos + 1] == '+' ? 1 : 0), s.data() + s.size(), exp);

  if (exp < -4 || exp >= 15) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back(sep);
      out.append(digits, 1, std::string::npos);
    }
    out.push_back('E');
    out.append(std::to_string(exp));
  } else if (exp >= 0) {
    size_t intLen = static_cast<size_t>(exp) + 1;
    if (digits.size() <= intLen) {
      out.append(digits);
      out.append(intLen - digits.size(), '0');
    } else {
      out.append(digits, 0, intLen);
      out.push_back(sep);
      out.append(digits, intLen, std::string::npos);
    }
  } else {
    out.push_back('0');
    out.push_back(sep);
    out.append(static_cast<size_t>(-exp - 1), '0');
    out.append(digits);
  }
  return out;
}

}  // namespace

std::string FloatToText(double value) {
  return GeneralText(value, FloatSeparator());
}

std::string FloatToDisplayText(double value) {
  return ToDisplaySeparator(FloatToText(value));
}

std::string FloatToFileText(double value) {
  return ReplaceSeparator(FloatToText(value), ',');
}

std::string FloatToFixedText(double value, int32_t decimals) {
  if (!std::isfinite(value)) return SpecialText(value);
  if (decimals < 0) decimals = 0;
  if (decimals > 20) decimals = 20;
  // Shortest round-trip text in fixed notation, then decimal rounding half
  // away from zero on that text.
  char buf[512];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
  std::string s(buf, static_cast<size_t>(res.ptr - buf));
  size_t dot = s.find('.');
  std::string intPart = dot == std::string::npos ? s : s.substr(0, dot);
  std::string frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
  bool roundUp =
      frac.size() > static_cast<size_t>(decimals) && frac[static_cast<size_t>(decimals)] >= '5';
  if (frac.size() > static_cast<size_t>(decimals)) frac.resize(static_cast<size_t>(decimals));
  frac.append(static_cast<size_t>(decimals) - frac.size(), '0');
  std::string all = intPart + frac;
  if (roundUp) {
    size_t k = all.size();
    while (k > 0) {
      --k;
      if (all[k] == '9') {
        all[k] = '0';
      } else {
        ++all[k];
        break;
      }
      if (k == 0) {
        all.insert(all.begin(), '1');
        break;
      }
    }
  }
  size_t intLen = all.size() - static_cast<size_t>(decimals);
  std::string out;
  bool allZero = all.find_first_not_of('0') == std::string::npos;
  if (std::signbit(value) && !allZero) out.push_back('-');
  out.append(all, 0, intLen);
  if (decimals > 0) {
    out.push_back(FloatSeparator());
    out.append(all, intLen, std::string::npos);
  }
  return out;
}

std::string BoolToText(bool value) {
  return value ? "true" : "false";
}

std::string ColorToText(uint32_t value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out(9, '0');
  out[0] = '$';
  for (int k = 8; k >= 1; --k) {
    out[static_cast<size_t>(k)] = kHex[value & 0xF];
    value >>= 4;
  }
  return out;
}

std::string ZeroString(int32_t n) {
  return n <= 0 ? std::string() : std::string(static_cast<size_t>(n), '0');
}

std::string LimitDecimals(std::string_view text, int32_t digits, bool pad) {
  if (digits < 0) digits = 0;
  const size_t d = static_cast<size_t>(digits);
  std::string_view mantissa = text;
  std::string_view exponent;
  size_t e = text.find_first_of("Ee");
  if (e != std::string_view::npos) {
    mantissa = text.substr(0, e);
    exponent = text.substr(e);
  }
  // "Nan", "+Inf", "-Inf" are shown as they are, never padded.
  if (!mantissa.empty() && mantissa.find_first_of("0123456789") == std::string_view::npos)
    return std::string(text);
  std::string out;
  size_t p = mantissa.find_first_of(",.");  // 0-based separator position
  if (p != std::string_view::npos) {
    size_t after = mantissa.size() - p - 1;
    if (after > d) {
      out.assign(mantissa.substr(0, d == 0 ? p : p + 1 + d));
    } else {
      out.assign(mantissa);
      if (pad) out.append(d - after, '0');
      if (d == 0 && !out.empty() && out.back() == mantissa[p] && out.size() == p + 1)
        out.pop_back();  // mended: never leave a trailing separator
    }
  } else {
    out.assign(mantissa);
    if (pad && d > 0) {  // mended: no lone separator for 0 digits
      out.push_back(FloatSeparator());
      out.append(d, '0');
    }
  }
  out.append(exponent);
  return out;
}

// ---- Separator routines ----------------------------------------------------

std::string ReplaceSeparator(std::string_view text, char sep) {
  std::string out(text);
  size_t p = out.find_first_of(",.");
  if (p != std::string::npos) out[p] = sep;
  return out;
}

std::string ToSystemSeparator(std::string_view text) {
  return ReplaceSeparator(text, FloatSeparator());
}

std::string ToDisplaySeparator(std::string_view text) {
  return ReplaceSeparator(text, DisplaySeparator());
}

// ---- Numeric routines ------------------------------------------------------

void LimitInt(int32_t& value, int32_t min, int32_t max) {
  if (value < min) value = min;
  if (value > max) value = max;
}

int64_t RoundHalfUp(double x) {
  if (std::isnan(x)) return 0;
  double f = std::floor(x);
  // 2^63 is exactly representable; everything at or above it saturates.
  constexpr double kTwo63 = 9223372036854775808.0;
  if (f >= kTwo63) return std::numeric_limits<int64_t>::max();
  if (f < -kTwo63) return std::numeric_limits<int64_t>::min();
  // floor(x + 0.5) computed without the rounding error of x + 0.5
  // (0.49999999999999994 gives 0): x - floor(x) is exact.
  double frac = x - f;
  int64_t r = static_cast<int64_t>(f);
  if (frac >= 0.5 && r < std::numeric_limits<int64_t>::max()) ++r;
  return r;
}

int32_t DecimalExponent(double x) {
  double a = std::fabs(x);
  int32_t n = 0;
  if (a > 1.0) {
    while (a > 1.0 && n < 100) {
      a /= 10.0;
      ++n;
    }
    return n;
  }
  while (!(a >= 1.0) && n < 100) {
    a *= 10.0;
    ++n;
  }
  return -n;
}

}  // namespace qx
