// Local-time conversions for the unit's track times, remembered per hour.
#pragma once

#include <ctime>

// Remembers local-time conversions for one file read or write, so that a long track log does not
// pay a full mktime/localtime_r per point. Every answer equals what mktime (with tm_isdst = -1)
// and localtime_r give at that moment; live for one job only, as it does not notice a change of TZ.
class CLocalTimeCache {
 public:
  // mktime of the local date and time with tm_isdst = -1; -1 when it cannot be represented.
  std::time_t MakeTime(int year, int month, int day, int hour, int minute, int second);
  // localtime_r of the time; false (and a zeroed breakdown) when it cannot be broken down.
  bool BreakDown(std::time_t time, std::tm& local);

 private:
  // One local hour, known by its first second and that second's breakdown. It is "even" when its
  // clock runs from :00:00 to :59:59 in 3600 seconds under one offset (no change of offset, no leap
  // second, no missing hour inside it): then every time in it is the start plus the minutes and
  // seconds, both ways, and two localtime_r calls per hour confirm it.
  struct SHour {
    bool known = false;
    bool even = false;
    std::time_t start = 0;
    std::tm breakdown{};
  };
  static void Confirm(SHour& hour);

  SHour m_wallHour;  // the hour MakeTime was last asked about
  int m_year = 0, m_month = 0, m_day = 0, m_hour = 0;
  SHour m_timeHour;  // the hour BreakDown last broke down
};
