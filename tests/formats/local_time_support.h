// Local times for tests, computed the plain way: the system's own conversion, in a zone the test
// chooses by its tz database name.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/environment.h"
#include "platform/local_time.h"

// The Windows zones whose rules the tests' zones follow in the years the tests use. Windows keeps
// no leap-second zones and no zone with Monrovia's history, so those have none.
inline const char* WindowsZoneOf(std::string_view zone) {
  if (zone == "UTC") return "UTC";
  if (zone == "Europe/Paris") return "Romance Standard Time";
  if (zone == "Europe/Berlin") return "W. Europe Standard Time";
  if (zone == "Asia/Tokyo") return "Tokyo Standard Time";
  if (zone == "America/New_York") return "Eastern Standard Time";
  if (zone == "America/Los_Angeles") return "Pacific Standard Time";
  return nullptr;
}

// False when this system has no rules for the zone; the zone is then unchanged.
inline bool SetTimeZone(const char* zone) { return platform::UseTimeZone(zone, WindowsZoneOf(zone)); }

// A zone for the guard's life; the one TZ named before (or the system's own) comes back at its end.
class CTimeZoneGuard {
 public:
  explicit CTimeZoneGuard(const char* zone) : m_before(platform::GetEnvironment("TZ")) { m_set = SetTimeZone(zone); }
  ~CTimeZoneGuard() {
    if (!m_before || !SetTimeZone(m_before->c_str())) platform::UseTimeZone(nullptr, nullptr);
  }
  CTimeZoneGuard(const CTimeZoneGuard&) = delete;
  CTimeZoneGuard& operator=(const CTimeZoneGuard&) = delete;

  bool IsSet() const { return m_set; }

 private:
  std::optional<std::string> m_before;
  bool m_set = false;
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
  return platform::FromLocalTime(local);
}
