#include "foundation/uDateTimeText.h"

#include <ctime>

namespace qx {

namespace {
// At least width digits, zero-padded; a negative value keeps its sign.
void AppendPadded(std::string& out, int32_t value, int width) {
  if (value < 0) {
    out += '-';
    value = -value;
  }
  const std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
  out += digits;
}
}  // namespace

TDateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string ShortDateText(const TDateTime& t) {
  std::string s;
  AppendPadded(s, t.Day, 2);
  s += '.';
  AppendPadded(s, t.Month, 2);
  s += '.';
  AppendPadded(s, t.Year, 4);
  return s;
}

std::string LongTimeText(const TDateTime& t) {
  std::string s;
  AppendPadded(s, t.Hour, 2);
  s += ':';
  AppendPadded(s, t.Minute, 2);
  s += '.';
  AppendPadded(s, t.Second, 2);
  return s;
}

}  // namespace qx
