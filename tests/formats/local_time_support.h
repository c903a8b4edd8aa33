// Local times for tests, computed the plain way: the C library's mktime in the zone set by TZ.
#pragma once

#include <stdlib.h>

#include <ctime>
#include <string>

inline void SetTimeZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

// A zone for the guard's life; the one before (or none) comes back at its end.
class CTimeZoneGuard {
 public:
  explicit CTimeZoneGuard(const char* zone) {
    const char* before = getenv("TZ");
    m_had = before != nullptr;
    if (m_had) m_before = before;
    SetTimeZone(zone);
  }
  ~CTimeZoneGuard() {
    if (m_had) {
      SetTimeZone(m_before.c_str());
    } else {
      unsetenv("TZ");
      tzset();
    }
  }
  CTimeZoneGuard(const CTimeZoneGuard&) = delete;
  CTimeZoneGuard& operator=(const CTimeZoneGuard&) = delete;

 private:
  bool m_had = false;
  std::string m_before;
};

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
