// The summary of navigation data as lines of text, in the words of the caller's language.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "preview/navigation_summary.h"

// The words of the lines; the command-line tool speaks English, the wizard its translation.
struct SSummaryWords {
  std::string waypoints = "Waypoints";
  std::string routes = "Routes";
  std::string routePoints = "Route points";
  std::string tracks = "Tracks";
  std::string trackPoints = "Track points";
  std::string route = "Route";
  std::string track = "Track";
  std::string points = "points";
  std::string timeSpan = "Time span";
  std::string bounds = "Bounding box";
  std::string withoutPosition = "Points without a valid position";
  std::string withoutTime = "Track points without a time";
};

// One line per figure ("Waypoints: 5"), then one per route and track ("Route 1 \"LOOP\": 5 points,
// 7.812 km"; numbered from firstRoute and firstTrack, as in the picture), then the time span in
// local time ("2024-05-18 07:42:10 +0200 – ... (0:09:50)") and the bounding box in degrees. The
// time span, the box and the points without a position or time have a line only when there is something
// to say. Numbers are written with a decimal point whatever the locale.
std::vector<std::string> SummaryLines(const SNavigationSummary& summary, const SSummaryWords& words = {},
                                      std::size_t firstRoute = 1, std::size_t firstTrack = 1);
