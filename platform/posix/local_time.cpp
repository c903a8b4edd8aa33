// Local time through the C library, in the zone that TZ names.
#include "platform/local_time.h"

#include <stdlib.h>
#include <time.h>

namespace platform {

bool ToLocalTime(std::time_t time, std::tm& local, long* utcOffset) {
  if (::localtime_r(&time, &local) == nullptr) {
    local = std::tm{};
    return false;
  }
  if (utcOffset != nullptr) *utcOffset = local.tm_gmtoff;
  return true;
}

std::time_t FromLocalTime(std::tm& local) { return std::mktime(&local); }

bool UseTimeZone(const char* tzName, const char*) {
  ::setenv("TZ", tzName, 1);
  ::tzset();
  return true;
}

}  // namespace platform
