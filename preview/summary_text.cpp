// The summary's lines.
#include "preview/summary_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace {

// Fixed decimals with a decimal point, whatever the C locale says (the wizard sets the user's).
std::string Fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

std::string Degrees(double value, char positive, char negative) {
  return Fixed(std::fabs(value), 6) + "\xC2\xB0" + (value < 0 ? negative : positive);
}

// Times are shown to the nearest second, with the zone's offset (ISO 8601's "+hhmm"), written out
// because not every C library's strftime gives the offset for "%z".
std::string LocalTime(double seconds) {
  const auto whole = static_cast<std::time_t>(std::llround(seconds));
  std::tm local{};
  long offset = 0;
  if (!platform::ToLocalTime(whole, local, &offset)) return Fixed(seconds, 2);
  const long minutes = (offset < 0 ? -offset : offset) / 60;
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %c%02ld%02ld", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return text;
}

std::string Duration(double seconds) {
  const long long whole = std::llround(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

void AddLines(std::vector<std::string>& lines, const std::vector<SLineSummary>& summaries, const std::string& word,
              const std::string& points, std::size_t first) {
  std::size_t number = first;
  for (const SLineSummary& line : summaries) {
    std::string text = word + ' ' + std::to_string(number++);
    if (!line.name.empty()) text += " \"" + line.name + '"';
    text += ": " + std::to_string(line.points) + ' ' + points + ", " + Fixed(line.metres / 1000.0, 3) + " km";
    lines.push_back(std::move(text));
  }
}

}  // namespace

std::vector<std::string> SummaryLines(const SNavigationSummary& summary, const SSummaryWords& words,
                                      std::size_t firstRoute, std::size_t firstTrack) {
  std::vector<std::string> lines;
  lines.push_back(words.waypoints + ": " + std::to_string(summary.waypoints));
  lines.push_back(words.routes + ": " + std::to_string(summary.routes));
  lines.push_back(words.routePoints + ": " + std::to_string(summary.routePoints));
  lines.push_back(words.tracks + ": " + std::to_string(summary.tracks));
  lines.push_back(words.trackPoints + ": " + std::to_string(summary.trackPoints));
  if (summary.pointsWithoutPosition != 0) {
    lines.push_back(words.withoutPosition + ": " + std::to_string(summary.pointsWithoutPosition));
  }
  if (summary.trackPointsWithoutTime != 0)
    lines.push_back(words.withoutTime + ": " + std::to_string(summary.trackPointsWithoutTime));
  AddLines(lines, summary.routeLines, words.route, words.points, firstRoute);
  AddLines(lines, summary.trackLines, words.track, words.points, firstTrack);
  if (summary.hasTime) {
    lines.push_back(words.timeSpan + ": " + LocalTime(summary.firstTime) + " \xE2\x80\x93 " +
                    LocalTime(summary.lastTime) + " (" +
                    Duration(std::round(summary.lastTime) - std::round(summary.firstTime)) + ")");
  }
  if (summary.bounds.valid) {
    lines.push_back(words.bounds + ": " + Degrees(summary.bounds.south, 'N', 'S') + " \xE2\x80\x93 " +
                    Degrees(summary.bounds.north, 'N', 'S') + ", " + Degrees(summary.bounds.west, 'E', 'W') +
                    " \xE2\x80\x93 " + Degrees(summary.bounds.east, 'E', 'W'));
  }
  return lines;
}
