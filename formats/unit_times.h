// The instants a unit's track log can hold, and the one that stands for a point without a time.
#pragma once

#include <cstddef>
#include <cstdint>

// A track log writes local dates with two-digit years meaning 2000 + yy, so it holds the local
// years 2000 to 2099 and nothing else. A track point without a time (GPX lets a point have none)
// or with a time a log cannot hold (a receiver's 1901 or 1970) gets the first of those instants,
// 2000-01-01 00:00:00.00 local time: on every side that instant means "no time", and it goes to
// GPX as a point without <time>. The instants depend on the time zone: one object per job, made
// when the job starts. It also counts the points that were given, or kept, no time.
class CUnitTimes {
 public:
  CUnitTimes();

  // 2000-01-01 00:00:00 local time, in seconds since 1970-01-01 UTC (hundredths 0).
  std::int64_t NoTime() const { return m_first; }
  bool IsNoTime(std::int64_t seconds, unsigned hundredths) const { return seconds == m_first && hundredths == 0; }
  // Whether a track log can hold the time: a local year from 2000 to 2099.
  bool Holds(std::int64_t seconds) const { return seconds >= m_first && seconds < m_end; }

  // Track points that went out without a time since construction.
  std::size_t GetUntimedCount() const { return m_untimed; }
  void CountUntimed(std::size_t count = 1) { m_untimed += count; }
  void ResetUntimedCount() { m_untimed = 0; }

 private:
  std::int64_t m_first;
  std::int64_t m_end;  // 2100-01-01 00:00:00 local time
  std::size_t m_untimed = 0;
};
