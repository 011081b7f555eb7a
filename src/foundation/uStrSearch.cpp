// String search. See uStrSearch.h.
#include "foundation/uStrSearch.h"

#include <algorithm>

namespace qx {

namespace {

int32_t Len(std::string_view s) {
  // Texts beyond 2^31-1 bytes are treated as cut there.
  return s.size() > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(s.size());
}
// Character at 1-based position p (caller guarantees 1 <= p <= length).
char At(std::string_view s, int32_t p) {
  return s[static_cast<size_t>(p - 1)];
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool InSet(std::string_view set, char c) {
  return set.find(c) != std::string_view::npos;
}
char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

// ---- Search ----------------------------------------------------------------

int32_t FindSubStrIn(std::string_view text, std::string_view pattern, int32_t from, int32_t to) {
  if (pattern.empty()) return 0;
  from = std::max(from, 1);
  to = std::min(to, Len(text));
  const int64_t m = static_cast<int64_t>(pattern.size());
  for (int32_t p = from; p <= to; ++p) {
    if (p + m - 1 > to) return 0;  // every later candidate would end behind To too
    if (At(text, p) != pattern[0]) continue;
    bool match = true;
    for (int64_t k = 1; k < m; ++k) {
      if (text[static_cast<size_t>(p - 1 + k)] != pattern[static_cast<size_t>(k)]) {
        match = false;
        break;
      }
    }
    if (match) return p;
  }
  return 0;
}

int32_t FindSubStr(std::string_view text, std::string_view pattern, int32_t from) {
  return FindSubStrIn(text, pattern, from, Len(text));
}

int32_t FindCharOfIn(std::string_view text, std::string_view set, int32_t from, int32_t to) {
  from = std::max(from, 1);
  to = std::min(to, Len(text));
  for (int32_t p = from; p <= to; ++p)
    if (InSet(set, At(text, p))) return p;
  return 0;
}

int32_t FindCharOf(std::string_view text, std::string_view set, int32_t from) {
  return FindCharOfIn(text, set, from, Len(text));
}

int32_t FindFirstCharOf(std::string_view text, std::string_view set) {
  return FindCharOfIn(text, set, 1, Len(text));
}

int32_t FindCharNotOfIn(std::string_view text, std::string_view set, int32_t from, int32_t to) {
  from = std::max(from, 1);
  to = std::min(to, Len(text));
  for (int32_t p = from; p <= to; ++p)
    if (!InSet(set, At(text, p))) return p;
  return 0;
}

int32_t FindCharNotOf(std::string_view text, std::string_view set, int32_t from) {
  return FindCharNotOfIn(text, set, from, Len(text));
}

// ---- Blanks ----------------------------------------------------------------

int32_t SkipBlanksIn(std::string_view text, int32_t from, int32_t to) {
  from = std::max(from, 1);
  to = std::min(to, Len(text));
  if (to < from) return from;
  for (int32_t p = from; p <= to; ++p)
    if (!IsBlank(At(text, p))) return p;
  return to + 1;
}

int32_t SkipBlanks(std::string_view text, int32_t from) {
  return SkipBlanksIn(text, from, Len(text));
}

int32_t SkipBlanksBackIn(std::string_view text, int32_t from, int32_t to) {
  from = std::max(from, 1);
  to = std::min(to, Len(text));
  if (to < from) return to;
  for (int32_t p = to; p >= from; --p)
    if (!IsBlank(At(text, p))) return p;
  return from - 1;
}

int32_t SkipBlanksBack(std::string_view text, int32_t from) {
  return SkipBlanksBackIn(text, from, Len(text));
}

// ---- Matching --------------------------------------------------------------

bool MatchAtIn(std::string_view text, std::string_view pattern, int32_t pos, int32_t limit) {
  const int32_t len = Len(text);
  if (pos < 1 || pos > len) return false;
  limit = std::min(limit, len);
  const int64_t m = static_cast<int64_t>(pattern.size());
  if (pos + m - 1 > limit) return false;
  return text.substr(static_cast<size_t>(pos - 1), pattern.size()) == pattern;
}

bool MatchAt(std::string_view text, std::string_view pattern, int32_t pos) {
  return MatchAtIn(text, pattern, pos, Len(text));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  if (text.empty() || text.size() < prefix.size()) return false;
  return text.substr(0, prefix.size()) == prefix;
}

bool MatchAtNoCase(std::string_view text, std::string_view pattern, int32_t pos) {
  const int32_t len = Len(text);
  if (pos < 1 || pos > len) return false;
  const int64_t m = static_cast<int64_t>(pattern.size());
  if (pos + m - 1 > len) return false;
  for (size_t k = 0; k < pattern.size(); ++k)
    if (Lower(text[static_cast<size_t>(pos - 1) + k]) != pattern[k]) return false;
  return true;
}

// ---- Copying ---------------------------------------------------------------

std::string CopyRange(std::string_view text, int32_t first, int32_t last) {
  first = std::max(first, 1);
  last = std::min(last, Len(text));
  if (last < first) return std::string();
  return std::string(
      text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1)));
}

std::string CopyFrom(std::string_view text, int32_t first) {
  return CopyRange(text, first, Len(text));
}

std::string ShortCopyRange(std::string_view text, int32_t first, int32_t last) {
  if (last > 255 || last < first) return std::string();
  return CopyRange(text.substr(0, std::min<size_t>(text.size(), 255)), first, last);
}

std::string ShortCopyFrom(std::string_view text, int32_t first) {
  std::string_view s = text.substr(0, std::min<size_t>(text.size(), 255));
  return ShortCopyRange(s, first, Len(s));
}

std::string Utf8Left(std::string_view text, size_t count) {
  size_t pos = 0;
  for (size_t n = 0; n < count && pos < text.size(); ++n) {
    ++pos;  // lead byte (or a stray byte, taken alone)
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
  }
  return std::string(text.substr(0, pos));
}

}  // namespace qx
