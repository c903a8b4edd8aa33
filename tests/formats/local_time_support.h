// Local times for tests, computed the plain way: the C library's mktime in the zone set by TZ.
#pragma once

#include <stdlib.h>

#include <ctime>

inline void SetTimeZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

// The instant of a wall-clock time in the current zone (mktime's choice on an ambiguous hour).
inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}
