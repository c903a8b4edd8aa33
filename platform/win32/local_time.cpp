// Local time by Windows' own time zone rules: the zone's rules for each year, as the system keeps
// them, applied by the system. Not the C runtime's, which reads TZ in a form of its own.
#include "platform/local_time.h"

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "platform/environment.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

constexpr std::int64_t kDay = 86400;
// Seconds from 1601-01-01, where FILETIME counts from, to 1970-01-01.
constexpr std::int64_t kFileTimeEpoch = 11644473600;

std::mutex g_zoneLock;
bool g_zoneChosen = false;
DYNAMIC_TIME_ZONE_INFORMATION g_zone{};

// The zone named by its key ("W. Europe Standard Time"); false when the system has no such zone.
bool ZoneOfKey(const std::string& key, DYNAMIC_TIME_ZONE_INFORMATION& zone) {
  const std::wstring wide = WideFromUtf8(key);
  if (wide.empty() || wide.size() >= std::size(zone.TimeZoneKeyName)) return false;
  DYNAMIC_TIME_ZONE_INFORMATION named{};
  wide.copy(named.TimeZoneKeyName, wide.size());
  TIME_ZONE_INFORMATION rules{};
  if (!::GetTimeZoneInformationForYear(2020, &named, &rules)) return false;
  zone = named;
  return true;
}

DYNAMIC_TIME_ZONE_INFORMATION CurrentZone() {
  std::lock_guard<std::mutex> lock(g_zoneLock);
  if (!g_zoneChosen) {
    const std::optional<std::string> key = GetEnvironment("TRANSVANE_TIME_ZONE");
    if (!key || !ZoneOfKey(*key, g_zone)) ::GetDynamicTimeZoneInformation(&g_zone);
    g_zoneChosen = true;
  }
  return g_zone;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The broken-down date and time of seconds counted from 1970 in no zone.
void BreakDown(std::int64_t seconds, std::tm& out) {
  const std::int64_t days = FloorDiv(seconds, kDay);
  const std::int64_t inDay = seconds - days * kDay;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(z - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
  out.tm_year = static_cast<int>(year - 1900);
  out.tm_mon = static_cast<int>(month - 1);
  out.tm_mday = static_cast<int>(day);
  out.tm_hour = static_cast<int>(inDay / 3600);
  out.tm_min = static_cast<int>(inDay / 60 % 60);
  out.tm_sec = static_cast<int>(inDay % 60);
  out.tm_wday = static_cast<int>(days + 4 - FloorDiv(days + 4, 7) * 7);  // 1970-01-01 was a Thursday
  out.tm_yday = static_cast<int>(days - DaysFromCivil(year, 1, 1));
}

// The zone's offset east of UTC at the instant, and whether it is daylight time then. The zone is
// a copy: the system call takes it as a pointer to change, though it does not.
bool OffsetAt(DYNAMIC_TIME_ZONE_INFORMATION zone, std::int64_t time, long& offset, bool& daylight) {
  if (time < -kFileTimeEpoch || time > 253402300799) return false;  // 1601 to 9999
  const auto ticks = static_cast<std::uint64_t>(time + kFileTimeEpoch) * 10000000u;
  FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  TIME_ZONE_INFORMATION rules{};
  if (!::FileTimeToSystemTime(&file, &utc) || !::GetTimeZoneInformationForYear(utc.wYear, &zone, &rules) ||
      !::SystemTimeToTzSpecificLocalTime(&rules, &utc, &local))
    return false;
  const std::int64_t localSeconds = DaysFromCivil(local.wYear, local.wMonth, local.wDay) * kDay + local.wHour * 3600 +
                                    local.wMinute * 60 + local.wSecond;
  offset = static_cast<long>(localSeconds - time);
  daylight = rules.DaylightDate.wMonth != 0 && offset != -(rules.Bias + rules.StandardBias) * 60L;
  return true;
}

}  // namespace

bool ToLocalTime(std::time_t time, std::tm& local, long* utcOffset) {
  long offset = 0;
  bool daylight = false;
  if (!OffsetAt(CurrentZone(), time, offset, daylight)) {
    local = std::tm{};
    return false;
  }
  BreakDown(static_cast<std::int64_t>(time) + offset, local);
  local.tm_isdst = daylight ? 1 : 0;
  if (utcOffset != nullptr) *utcOffset = offset;
  return true;
}

std::time_t FromLocalTime(std::tm& local) {
  const DYNAMIC_TIME_ZONE_INFORMATION zone = CurrentZone();
  // The fields as seconds in no zone, out-of-range fields carried over.
  const std::int64_t months = static_cast<std::int64_t>(local.tm_year) * 12 + local.tm_mon;
  const std::int64_t year = FloorDiv(months, 12) + 1900;
  const auto month = static_cast<unsigned>(months - FloorDiv(months, 12) * 12 + 1);
  const std::int64_t wall = (DaysFromCivil(year, month, 1) + local.tm_mday - 1) * kDay +
                            static_cast<std::int64_t>(local.tm_hour) * 3600 +
                            static_cast<std::int64_t>(local.tm_min) * 60 + local.tm_sec;
  // The offsets a day and a half before and after: a time read with each that maps back to it is
  // one of its occurrences; the first of two is taken, and a skipped time takes the earlier offset.
  long before = 0;
  long after = 0;
  bool daylight = false;
  if (!OffsetAt(zone, wall - 3 * kDay / 2, before, daylight) || !OffsetAt(zone, wall + 3 * kDay / 2, after, daylight))
    return static_cast<std::time_t>(-1);
  long check = 0;
  const std::int64_t withBefore = wall - before;
  const std::int64_t withAfter = wall - after;
  const bool beforeHolds = OffsetAt(zone, withBefore, check, daylight) && check == before;
  const bool afterHolds = OffsetAt(zone, withAfter, check, daylight) && check == after;
  std::int64_t time = withBefore;
  if (beforeHolds && afterHolds)
    time = withBefore < withAfter ? withBefore : withAfter;
  else if (afterHolds)
    time = withAfter;
  const auto result = static_cast<std::time_t>(time);
  if (!ToLocalTime(result, local)) return static_cast<std::time_t>(-1);
  return result;
}

bool UseTimeZone(const char* tzName, const char* windowsKeyName) {
  std::lock_guard<std::mutex> lock(g_zoneLock);
  if (tzName == nullptr && windowsKeyName == nullptr) {
    g_zoneChosen = false;
    return true;
  }
  DYNAMIC_TIME_ZONE_INFORMATION zone{};
  if (windowsKeyName == nullptr || !ZoneOfKey(windowsKeyName, zone)) return false;
  g_zone = zone;
  g_zoneChosen = true;
  return true;
}

}  // namespace platform
