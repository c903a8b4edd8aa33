// Local-time conversions for the unit's track times, remembered per hour.
#include "formats/local_time_cache.h"

#include "platform/local_time.h"

void CLocalTimeCache::Confirm(SHour& hour) {
  std::tm first{}, last{};
  long firstOffset = 0, lastOffset = 0;
  const std::time_t end = hour.start + 3599;
  hour.even = platform::ToLocalTime(hour.start, first, &firstOffset) && platform::ToLocalTime(end, last, &lastOffset) &&
              first.tm_min == 0 && first.tm_sec == 0 && last.tm_min == 59 && last.tm_sec == 59 &&
              first.tm_hour == last.tm_hour && first.tm_mday == last.tm_mday && first.tm_mon == last.tm_mon &&
              first.tm_year == last.tm_year && first.tm_isdst == last.tm_isdst && firstOffset == lastOffset;
  hour.breakdown = first;
}

std::time_t CLocalTimeCache::MakeTime(int year, int month, int day, int hour, int minute, int second) {
  if (second >= 0 && second <= 59 && minute >= 0 && minute <= 59) {
    if (!m_wallHour.known || m_year != year || m_month != month || m_day != day || m_hour != hour) {
      std::tm start{};
      start.tm_year = year - 1900;
      start.tm_mon = month - 1;
      start.tm_mday = day;
      start.tm_hour = hour;
      start.tm_isdst = -1;
      m_wallHour.start = platform::FromLocalTime(start);
      m_wallHour.known = true;
      m_year = year;
      m_month = month;
      m_day = day;
      m_hour = hour;
      m_wallHour.even = false;
      if (m_wallHour.start != static_cast<std::time_t>(-1)) {
        Confirm(m_wallHour);
        // The conversion may have moved a missing hour elsewhere; then the hour is not the one asked for.
        const std::tm& shown = m_wallHour.breakdown;
        m_wallHour.even = m_wallHour.even && shown.tm_year == year - 1900 && shown.tm_mon == month - 1 &&
                          shown.tm_mday == day && shown.tm_hour == hour;
      }
    }
    if (m_wallHour.even) return m_wallHour.start + minute * 60 + second;
  }
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

bool CLocalTimeCache::BreakDown(std::time_t time, std::tm& local) {
  if (m_timeHour.known && m_timeHour.even && time >= m_timeHour.start && time - m_timeHour.start < 3600) {
    const auto into = static_cast<int>(time - m_timeHour.start);
    local = m_timeHour.breakdown;
    local.tm_min = into / 60;
    local.tm_sec = into % 60;
    return true;
  }
  if (!platform::ToLocalTime(time, local)) return false;
  // A leap second (tm_sec 60) starts no hour of its own.
  m_timeHour.known = local.tm_sec <= 59;
  if (m_timeHour.known) {
    m_timeHour.start = time - local.tm_min * 60 - local.tm_sec;
    Confirm(m_timeHour);
  }
  return true;
}
