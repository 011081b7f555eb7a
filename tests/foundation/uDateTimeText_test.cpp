#include "foundation/uDateTimeText.h"

#include <gtest/gtest.h>

#include <ctime>

namespace qx {
namespace {

TEST(DateTimeText, Formats) {
  struct Case {
    TDateTime t;
    const char* date;
    const char* time;
  };
  const Case cases[] = {
      {{2026, 12, 8, 18, 20, 33}, "08.12.2026", "18:20.33"},
      {{2001, 1, 1, 0, 0, 0}, "01.01.2001", "00:00.00"},
      {{999, 10, 31, 9, 5, 7}, "31.10.0999", "09:05.07"},
      {{12345, 2, 28, 23, 59, 59}, "28.02.12345", "23:59.59"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortDateText(c.t), c.date);
    EXPECT_EQ(LongTimeText(c.t), c.time);
  }
}

TEST(DateTimeText, LocalNowIsTheClockOfThisProcess) {
  const std::time_t before = std::time(nullptr);
  const TDateTime now = LocalNow();
  const std::time_t after = std::time(nullptr);
  std::tm tm{};
  tm.tm_year = now.Year - 1900;
  tm.tm_mon = now.Month - 1;
  tm.tm_mday = now.Day;
  tm.tm_hour = now.Hour;
  tm.tm_min = now.Minute;
  tm.tm_sec = now.Second;
  tm.tm_isdst = -1;
  const std::time_t back = std::mktime(&tm);
  EXPECT_GE(back, before - 1);
  EXPECT_LE(back, after + 1);
  EXPECT_EQ(ShortDateText(now).size(), 10u);
}

}  // namespace
}  // namespace qx
