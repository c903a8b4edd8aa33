// The instants each kind of track file can hold, the one that stands for a point without a time,
// and the one rule for a time a file cannot hold.
#pragma once

#include <cstdint>

#include "formats/vexlorn_records.h"

// The kinds of file a track point's time goes into.
enum class ETimeTarget : std::uint8_t {
  kTrackLog,   // the unit's .log: local dates with two-digit years, the local years 2000 to 2099
  kTrackFile,  // the desktop's .trk: 32-bit seconds, 1901-12-13 20:45:52 to 2038-01-19 03:14:07 UTC
  kGpx,        // any time, and a point may have none
};

// A track point without a time (GPX lets a point have none) gets the first instant a log can hold,
// 2000-01-01 00:00:00.00 local time: on every side that instant means "no time", and it goes to GPX
// as a point without <time>. A point whose time its target cannot hold (a receiver's 1901 or 1970
// in a log, a log's 2040 in a .trk) is treated exactly alike: a time is never written as another
// one, and a point that neither file can hold gives the same bytes whichever way it goes. The
// instants depend on the time zone: one object per job, made when the job starts.
class CUnitTimes {
 public:
  CUnitTimes();

  // 2000-01-01 00:00:00 local time, in seconds since 1970-01-01 UTC (hundredths 0).
  std::int64_t NoTime() const { return m_first; }
  bool IsNoTime(std::int64_t seconds, unsigned hundredths) const { return seconds == m_first && hundredths == 0; }
  // Whether a file of the kind can hold the time. (Called for every point a conversion passes, so
  // kept where the compiler can see it.)
  bool Holds(ETimeTarget target, std::int64_t seconds) const {
    switch (target) {
      case ETimeTarget::kTrackLog:
        return seconds >= m_first && seconds < m_end;
      case ETimeTarget::kTrackFile:
        return SVexlornTnodBlock::IsFileTime(seconds);
      case ETimeTarget::kGpx:
        break;
    }
    return true;
  }
  // Whether a track point goes into a file of the kind with a time: it has one the file can hold.
  bool Keeps(ETimeTarget target, std::int64_t seconds, unsigned hundredths) const {
    return Holds(target, seconds) && !IsNoTime(seconds, hundredths);
  }
  // The time a track point goes into a file of the kind with: its own when the file can hold it,
  // else "no time" (hundredths 0). Answers false when the point goes out without a time: it had
  // none, or one the file cannot hold.
  bool Fit(ETimeTarget target, std::int64_t& seconds, std::uint8_t& hundredths) const {
    if (!Holds(target, seconds)) {
      seconds = m_first;
      hundredths = 0;
    }
    return !IsNoTime(seconds, hundredths);
  }

 private:
  std::int64_t m_first;
  std::int64_t m_end;  // 2100-01-01 00:00:00 local time
};
