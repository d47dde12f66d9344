// Moments and the lock screen's clock texts for them, as every platform's shell shows them:
// the time and date in UTC, and 1970's first moment for one the calendar cannot hold.
#pragma once

#include <array>
#include <limits>

namespace nimbrel::testing {

struct ClockTextCase {
  double seconds;  // since 1970
  const char* time;
  const char* date;
};

inline const std::array<ClockTextCase, 7> kClockTextCases = {{
    {0, "0:00", "Thursday, 1 January"},
    {1700000000, "22:13", "Tuesday, 14 November"},
    {-1, "23:59", "Wednesday, 31 December"},
    {951782400, "0:00", "Tuesday, 29 February"},
    {std::numeric_limits<double>::quiet_NaN(), "0:00", "Thursday, 1 January"},
    {std::numeric_limits<double>::infinity(), "0:00", "Thursday, 1 January"},
    {1e300, "0:00", "Thursday, 1 January"},
}};

}  // namespace nimbrel::testing
