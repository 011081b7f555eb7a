// Date and time texts of the program (module uDateTimeText): the short date
// "DD.MM.YYYY" and the long time "hh:nn.ss", as the console recording header
// and the file recorder write them. Built digit by digit, so no C locale or
// time-zone text can change them.
#pragma once

#include <cstdint>
#include <string>

namespace qx {

struct TDateTime {
  int32_t Year = 1970;
  int32_t Month = 1;  // 1..12
  int32_t Day = 1;    // 1..31
  int32_t Hour = 0;
  int32_t Minute = 0;
  int32_t Second = 0;
  bool operator==(const TDateTime&) const = default;
};

// The local date and time now.
TDateTime LocalNow();
// "08.12.2026": day and month two digits, the year four (more when larger).
std::string ShortDateText(const TDateTime& t);
// "18:20.33": hours and minutes separated by ":", seconds by ".".
std::string LongTimeText(const TDateTime& t);

}  // namespace qx
