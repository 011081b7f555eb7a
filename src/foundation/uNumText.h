// Number and text conversion.
//
// Free routines that turn numbers into text and text into numbers. Three
// decimal separators are involved:
//   - the file separator: always ',' (FloatToFileText);
//   - the input separator: ',' or '.' are both accepted by the parsers;
//   - the display separator (DisplaySeparator()) and the process-wide float
//     separator (FloatSeparator()), both our own state here (default ','),
//     changed only through the setters below. Nothing here reads or changes
//     the C locale.
// No parser throws: each reports success through `ok` (last parameter) and
// returns 0 / false when it refuses the text. All routines may be called from
// any thread (the separators are atomics).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qx {

// ---- Separators ------------------------------------------------------------

// Process-wide decimal separator of the standard float formatter/parser
// (FloatToText, ToSystemSeparator, LimitDecimals padding). Default ','.
char FloatSeparator();
void SetFloatSeparator(char sep);

// Display separator of the global settings (FloatToDisplayText,
// ToDisplaySeparator). Default ','.
char DisplaySeparator();
void SetDisplaySeparator(char sep);

// The decimal separator the machine's locale reports (localeconv(), read once
// and cached; '.' if unavailable). Does not change the C locale and does not
// change FloatSeparator()/DisplaySeparator(). Used by the settings ("system").
char SystemDecimalSeparator();

// ---- Text to number --------------------------------------------------------

// Strict decimal: optional '-' first, then only '0'..'9' (at least one), value
// within int32. No blanks, no '+'. Refused: ok=false, 0.
int32_t TextToInt(std::string_view text, bool& ok);

// The "platform standard integer parser" (Pascal Val/StrToInt style):
// leading spaces/tabs skipped; optional '+' or '-'; then decimal digits
// (range-checked for int32), or '$' / '0x' / '0X' + hex digits, '&' + octal
// digits, '%' + binary digits (non-decimal forms take up to 32 bits and are
// reinterpreted as int32, so "$FFFFFFFF" gives -1). Nothing may follow.
int32_t TryTextToInt(std::string_view text, bool& ok);

// ToSystemSeparator, then the standard float parser. Accepted form (our
// choice, mirroring Pascal's StrToFloat = Trim + Val):
//   leading/trailing bytes <= ' ' (blanks, tabs, CR, LF) are ignored;
//   [+|-] digits [ '.' digits ] [ (e|E) [+|-] digits ]  (also "5." and ".5");
//   the first ',' or '.' is the decimal point; any further ',' or '.' refuses
//   the text (so "1.234,5" is refused). Result independent of the separators.
//   Refused: empty, "nan", "inf", hex floats, overflow beyond double range.
//   Underflow gives 0 (accepted).
double TextToFloat(std::string_view text, bool& ok);
// Identical behaviour to TextToFloat (used by the hub and LUT reader).
double TextToReal(std::string_view text, bool& ok);
// The reader of FloatToFileText: TextToFloat, and also exactly the "Nan",
// "+Inf" and "-Inf" it writes for values that are not finite (which typed
// numbers never are).
double FileTextToFloat(std::string_view text, bool& ok);

// "false..." -> false, else "true..." -> true (case-sensitive, prefix test,
// "false" tested first); otherwise ok=false, false.
bool TextToBool(std::string_view text, bool& ok);

// "0b" + '0'/'1' digits (trailing blanks removed, length > 2); bits beyond 32
// are lost; the 32 low bits are returned as int32.
int32_t BinTextToInt(std::string_view text, bool& ok);

// "0x" + hex digits, case-insensitive (trailing blanks removed, length > 2);
// value modulo 2^32, returned as int32 (0xFFFFFFFF gives -1).
int32_t HexTextToInt(std::string_view text, bool& ok);

// ---- Number to text --------------------------------------------------------

// Standard general float-to-text (Pascal FloatToStr): up to 15 significant
// digits, no trailing zeros, exponent form "1E15", "1,5E-5", "-2,5E-10"
// when the decimal exponent is < -4 or >= 15; the process-wide separator
// (FloatSeparator()). NaN gives "Nan", infinities "+Inf" / "-Inf"; -0 gives "0".
std::string FloatToText(double value);

// FloatToText with its separator replaced by DisplaySeparator().
std::string FloatToDisplayText(double value);

// FloatToText with its first ',' or '.' replaced by ',' (project-file form).
std::string FloatToFileText(double value);

// Fixed form with exactly `decimals` digits after FloatSeparator() (0..20,
// clamped), rounded half away from zero like Pascal FormatFloat("0.00").
// Extra helper (e.g. the recorder's "0.00" seconds). NaN/Inf as FloatToText.
std::string FloatToFixedText(double value, int32_t decimals);

// "true" / "false".
std::string BoolToText(bool value);

// "$" + exactly 8 upper-case hex digits (255 -> "$000000FF").
std::string ColorToText(uint32_t value);

// N characters '0'; empty for N <= 0.
std::string ZeroString(int32_t n);

// Cut a number text to at most `digits` digits after its separator (first ','
// or '.'), never rounding; an exponent part (from the first 'E'/'e') is kept.
// digits 0 drops the separator too ("7,9" -> "7"). With pad, zeros are
// appended up to `digits`; a text without separator gets FloatSeparator() and
// `digits` zeros (but nothing when digits <= 0). Negative digits count as 0.
// A text without any digit (the "Nan" / "+Inf" / "-Inf" of FloatToText) is
// returned unchanged.
std::string LimitDecimals(std::string_view text, int32_t digits, bool pad);

// ---- Separator routines ----------------------------------------------------

// Copy with the first ',' or '.' replaced by `sep` (only the first one).
std::string ReplaceSeparator(std::string_view text, char sep);
// ReplaceSeparator(text, FloatSeparator()).
std::string ToSystemSeparator(std::string_view text);
// ReplaceSeparator(text, DisplaySeparator()).
std::string ToDisplaySeparator(std::string_view text);

// ---- Numeric routines ------------------------------------------------------

// value := max(value, min), then min(value, max) (low bound first, so with
// min > max the result is max).
void LimitInt(int32_t& value, int32_t min, int32_t max);

// floor(x + 0.5) as int64 (mended: negatives round half up as well: -2.5 -> -2,
// -2.7 -> -3). NaN gives 0; values beyond the int64 range saturate to
// INT64_MIN / INT64_MAX (no undefined behaviour).
int64_t RoundHalfUp(double x);

// Decimal exponent of |x|: for |x| > 1 the number of divisions by 10 that bring
// it to <= 1 (5 -> 1, 10 -> 1, 100 -> 2, 150 -> 3); otherwise minus the number
// of multiplications by 10 that bring it to >= 1 (1 -> 0, 0.5 -> -1,
// 0.05 -> -2). The count stops at 100 (0 and NaN -> -100, Inf -> 100).
int32_t DecimalExponent(double x);

}  // namespace qx
