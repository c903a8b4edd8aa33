// The user's local time: the system's own time zone rules, both ways.
#pragma once

#include <ctime>

namespace platform {

// The breakdown of an instant in local time, as localtime_r gives it, and the zone's offset east
// of UTC at that instant in seconds. False (and a zeroed breakdown) when it cannot be broken down.
bool ToLocalTime(std::time_t time, std::tm& local, long* utcOffset = nullptr);
// The instant of a local date and time as mktime answers it with tm_isdst -1: fields out of range
// carry over (second 60 is the next minute), a time the clocks skip is read with the offset before
// the change, a time they repeat as its first occurrence. `local` is normalised; -1 when the time
// cannot be represented.
std::time_t FromLocalTime(std::tm& local);
// Switches the whole process to another zone from now on: by its tz database name where the system
// uses those, by its Windows zone key name on Windows; with neither name, back to the system's own
// zone. False when the system does not know it. For tests, which must not depend on the machine's
// zone; the Windows programs also take the key name from TRANSVANE_TIME_ZONE at start.
bool UseTimeZone(const char* tzName, const char* windowsKeyName);

}  // namespace platform
