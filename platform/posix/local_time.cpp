// Local time through the C library, in the zone that TZ names.
#include "platform/local_time.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>

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
  if (tzName == nullptr) {
    ::unsetenv("TZ");
  } else {
    // The C library falls back to UTC for a name it has no rules for; a test must hear of that.
    const std::string rules = std::string("/usr/share/zoneinfo/") + tzName;
    if (std::strcmp(tzName, "UTC") != 0 && ::access(rules.c_str(), R_OK) != 0) return false;
    ::setenv("TZ", tzName, 1);
  }
  ::tzset();
  return true;
}

}  // namespace platform
