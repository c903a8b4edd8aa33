// The local-time cache must answer exactly what mktime and localtime_r answer.
#include "formats/local_time_cache.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "tests/formats/local_time_support.h"

namespace {

// The local-time cache must give exactly what mktime and localtime_r give, also on the days when
// the clocks change: Paris in spring and autumn, and Monrovia's change of 44 minutes 30 seconds
// in 1972, which moves the minutes' starts to half minutes.
TEST(LocalTimeCache, MatchesMktimeAndLocaltimeAcrossClockChanges) {
  const struct {
    const char* zone;
    int year, month, day;
  } days[] = {{"Europe/Paris", 2004, 3, 28}, {"Europe/Paris", 2004, 10, 31}, {"Africa/Monrovia", 1972, 1, 7}};
  std::string unknown;
  for (const auto& d : days) {
    if (!SetTimeZone(d.zone)) {
      unknown += std::string(" ") + d.zone;
      continue;
    }
    CLocalTimeCache cache;
    for (int hour = 0; hour < 24; ++hour) {
      for (int minute = 0; minute < 60; ++minute) {
        for (int second : {0, 1, 30, 35, 59, 60, 99}) {
          const std::time_t cached = cache.MakeTime(d.year, d.month, d.day, hour, minute, second);
          ASSERT_EQ(cached, LocalTime(d.year, d.month, d.day, hour, minute, second))
              << d.zone << " " << d.month << "/" << d.day << " " << hour << ":" << minute << ":" << second;
        }
      }
    }
    const std::time_t start = LocalTime(d.year, d.month, d.day, 0, 0, 0) - 3600;
    for (std::time_t t = start; t < start + 27 * 3600; t += (t % 7 == 0 ? 1 : 3)) {
      std::tm cached{}, plain{};
      ASSERT_TRUE(cache.BreakDown(t, cached));
      ASSERT_TRUE(platform::ToLocalTime(t, plain));
      ASSERT_TRUE(cached.tm_sec == plain.tm_sec && cached.tm_min == plain.tm_min && cached.tm_hour == plain.tm_hour &&
                  cached.tm_mday == plain.tm_mday && cached.tm_mon == plain.tm_mon && cached.tm_year == plain.tm_year &&
                  cached.tm_isdst == plain.tm_isdst && cached.tm_yday == plain.tm_yday &&
                  cached.tm_wday == plain.tm_wday)
          << d.zone << " " << t;
    }
  }
  SetTimeZone("UTC");
  if (!unknown.empty()) GTEST_SKIP() << "this system has no rules for" << unknown << "; the other days matched";
}

// Zones with a leap second: 23:59:60 must not come out as 00:00:00 of a cached hour, nor shift
// the seconds after it in an hour that it cuts in two (at 05:29:60 in Kolkata).
TEST(LocalTimeCache, MatchesTheSystemAcrossALeapSecond) {
  for (const char* zone : {"right/UTC", "right/Asia/Kolkata"}) {
    if (!SetTimeZone(zone)) GTEST_SKIP() << "this system has no zone that counts leap seconds (" << zone << ")";
    CLocalTimeCache cache;
    const std::time_t leap = 1136073599 + 23;  // 2005-12-31 23:59:59 UTC counted with leap seconds
    for (std::time_t t = leap - 3700; t < leap + 3700; ++t) {
      std::tm cached{}, plain{};
      cache.BreakDown(t, cached);
      platform::ToLocalTime(t, plain);
      ASSERT_EQ(cached.tm_sec, plain.tm_sec) << zone << " " << t;
      ASSERT_EQ(cached.tm_min, plain.tm_min) << zone << " " << t;
      ASSERT_EQ(cached.tm_hour, plain.tm_hour) << zone << " " << t;
    }
  }
  SetTimeZone("UTC");
}

}  // namespace
