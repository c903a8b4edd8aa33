// The instants each kind of track file can hold, and the one that stands for a point without a time.
#include "formats/unit_times.h"

#include <ctime>

namespace {

// Midnight of 1 January of the year, local time; no time zone shifts its clock at New Year's
// midnight, so the answer is never ambiguous.
std::int64_t NewYear(int year) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mday = 1;
  local.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&local));
}

}  // namespace

CUnitTimes::CUnitTimes() : m_first(NewYear(2000)), m_end(NewYear(2100)) {}
