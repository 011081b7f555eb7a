// String search.
//
// Conventions (all routines):
//   - positions are 1-based; the result 0 means "not found";
//   - a range is From..To, both inclusive; To is cut to the text length; a
//     range starting behind the end finds nothing; From < 1 is treated as 1;
//   - comparisons are byte-wise and case-sensitive unless stated otherwise;
//   - a "blank" is ' ' or '\t' only.
// Pure functions, callable from any thread. Positions are int32_t.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qx {

// ---- Search ----------------------------------------------------------------

// First occurrence of `pattern` starting at or after `from` and ending at or
// before `to`; 0 when none (also for an empty pattern).
int32_t FindSubStrIn(std::string_view text, std::string_view pattern, int32_t from, int32_t to);
// FindSubStrIn with to = length of text.
int32_t FindSubStr(std::string_view text, std::string_view pattern, int32_t from = 1);

// First position in from..to whose character occurs in `set`; 0 when none.
int32_t FindCharOfIn(std::string_view text, std::string_view set, int32_t from, int32_t to);
int32_t FindCharOf(std::string_view text, std::string_view set, int32_t from);
int32_t FindFirstCharOf(std::string_view text, std::string_view set);

// First position in from..to whose character does not occur in `set`; 0 when
// all of them belong to the set.
int32_t FindCharNotOfIn(std::string_view text, std::string_view set, int32_t from, int32_t to);
int32_t FindCharNotOf(std::string_view text, std::string_view set, int32_t from);

// ---- Blanks ----------------------------------------------------------------

// First position in from..to holding neither ' ' nor '\t'; to+1 when all are
// blanks; from itself when to < from. (to is cut to the text length.)
int32_t SkipBlanksIn(std::string_view text, int32_t from, int32_t to);
int32_t SkipBlanks(std::string_view text, int32_t from);

// Walking down from `to` to `from`: the last position holding neither ' ' nor
// '\t'; from-1 when all are blanks; to itself when to < from.
int32_t SkipBlanksBackIn(std::string_view text, int32_t from, int32_t to);
// SkipBlanksBackIn(text, from, length of text): position of the last
// non-blank (below `from` when only blanks from `from` on; 0 for "" with 1).
int32_t SkipBlanksBack(std::string_view text, int32_t from);

// ---- Matching --------------------------------------------------------------

// True when `pattern` stands in the text starting exactly at `pos` and its
// last character lies at or before `limit` (limit cut to the text length);
// false when pos lies behind the end of the text (or pos < 1). An empty
// pattern matches at any pos within the text.
bool MatchAtIn(std::string_view text, std::string_view pattern, int32_t pos, int32_t limit);
bool MatchAt(std::string_view text, std::string_view pattern, int32_t pos);
// True when text begins with prefix (case-sensitive); false when the text is
// shorter than the prefix or empty.
bool StartsWith(std::string_view text, std::string_view prefix);
// Like MatchAt, but text characters 'A'..'Z' are lowered before comparing;
// the pattern is NOT lowered (give it in lower case).
bool MatchAtNoCase(std::string_view text, std::string_view pattern, int32_t pos);

// ---- Copying ---------------------------------------------------------------

// Characters first..last (Pascal Copy(text, first, last-first+1): first < 1
// counts as 1, cut at the end); empty when last < first.
std::string CopyRange(std::string_view text, int32_t first, int32_t last);
// Characters from first to the end.
std::string CopyFrom(std::string_view text, int32_t first);
// Short-text form (text is cut to 255 characters first): empty when
// last > 255 or last < first; else as CopyRange.
std::string ShortCopyRange(std::string_view text, int32_t first, int32_t last);
// ShortCopyRange(text, first, length of the short text).
std::string ShortCopyFrom(std::string_view text, int32_t first);

// The first `count` characters of a UTF-8 text, never splitting a character
// (a byte that starts no character counts as one).
std::string Utf8Left(std::string_view text, size_t count);

}  // namespace qx
