// Writes deterministic desktop documents for the benchmark (a long walk, a large waypoint file)
// and the small sample files of examples/.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/generated_track.h"
#include "formats/diagnostic.h"
#include "formats/vexlorn_file.h"
#include "formats/vexlorn_records.h"

namespace {

using bench::CRandom;
using bench::MakeTrack;
using bench::STrackShape;

// The shape of one generated waypoint file.
struct SWaypointShape {
  std::size_t waypoints = 0;
  std::size_t routes = 0;
  std::size_t pointsPerRoute = 0;
  std::uint64_t seed = 2;
};

// Waypoints scattered over a region of mountains, each with a comment, and routes hopping between
// nearby waypoint numbers. Route points repeat their waypoint's name, number, position and symbol
// the way the conversion itself fills them.
CVexlornFileWpt MakeWaypoints(const SWaypointShape& shape) {
  CVexlornFileWpt doc;
  CRandom random(shape.seed);
  std::vector<bool> used(shape.waypoints, false);
  std::vector<std::vector<std::size_t>> routeIndices(shape.routes);
  for (std::size_t r = 0; r < shape.routes; ++r) {
    std::size_t index = random.Below(shape.waypoints);
    for (std::size_t p = 0; p < shape.pointsPerRoute; ++p) {
      routeIndices[r].push_back(index);
      used[index] = true;
      index = (index + 1 + random.Below(50)) % shape.waypoints;
    }
  }

  doc.GetWaypoints().Reserve(shape.waypoints);
  char text[64];
  for (std::size_t i = 0; i < shape.waypoints; ++i) {
    SVexlornWptBlock waypoint;
    std::snprintf(text, sizeof text, "WP%06zu", i + 1);
    waypoint.SetName(text);
    std::snprintf(text, sizeof text, "Generated point %zu of the survey", i + 1);
    waypoint.SetComment(text);
    waypoint.SetNumber(static_cast<std::int32_t>(i + 1));
    waypoint.SetSymbol(static_cast<std::uint8_t>(i % (SVexlornWptBlock::kMaxSymbol + 1)));
    waypoint.SetRouteUsed(used[i]);
    waypoint.SetAltitude(std::floor(random.Between(300, 3500)));
    waypoint.SetLongitude(random.Between(6.0, 10.5));
    waypoint.SetLatitude(-random.Between(45.8, 47.8));
    doc.GetWaypoints().Add(std::move(waypoint));
  }

  std::vector<SVexlornWptBlock> waypoints(doc.GetWaypoints().begin(), doc.GetWaypoints().end());
  doc.GetRoutes().Reserve(shape.routes);
  for (std::size_t r = 0; r < shape.routes; ++r) {
    SVexlornRteBlock route;
    std::snprintf(text, sizeof text, "ROUTE%05zu", r + 1);
    route.SetName(text);
    route.SetNumber(static_cast<std::int32_t>(r + 1));
    route.GetPoints().Reserve(shape.pointsPerRoute);
    for (std::size_t index : routeIndices[r]) {
      const SVexlornWptBlock& waypoint = waypoints[index];
      SVexlornRwptBlock point;
      point.SetName(waypoint.GetName());
      point.SetNumber(waypoint.GetNumber());
      point.SetLongitude(waypoint.GetLongitude());
      point.SetLatitude(waypoint.GetLatitude());
      point.SetSymbol(waypoint.GetSymbol());
      route.GetPoints().Add(std::move(point));
    }
    doc.GetRoutes().Add(std::move(route));
  }
  return doc;
}

// A day trip in the hills: five places and a loop through four of them back to the start.
CVexlornFileWpt MakeTrip() {
  struct SPlace {
    const char* name;
    const char* comment;
    std::uint8_t symbol;
    double altitude;
    double latitudeNorth;
    double longitude;
  };
  static const SPlace kPlaces[] = {
      {"HOME", "Car park at the village church", 0, 1012, 46.6180, 8.0410},
      {"BAKERY", "Opens at 7 - buy lunch here", 11, 1018, 46.6195, 8.0452},
      {"BRIDGE", "Old stone bridge over the river", 23, 1090, 46.6262, 8.0533},
      {"SUMMIT", "Viewpoint with a cross and a bench", 30, 1684, 46.6371, 8.0705},
      {"HUT", "Mountain hut - water and soup", 41, 1495, 46.6299, 8.0631},
  };
  static const char* const kLoop[] = {"HOME", "BRIDGE", "SUMMIT", "HUT", "HOME"};

  CVexlornFileWpt doc;
  std::int32_t number = 0;
  for (const SPlace& place : kPlaces) {
    SVexlornWptBlock waypoint;
    waypoint.SetName(place.name);
    waypoint.SetComment(place.comment);
    waypoint.SetNumber(++number);
    waypoint.SetSymbol(place.symbol);
    waypoint.SetRouteUsed(std::string(place.name) != "BAKERY");
    waypoint.SetAltitude(place.altitude);
    waypoint.SetLongitude(place.longitude);
    waypoint.SetLatitude(-place.latitudeNorth);
    doc.GetWaypoints().Add(std::move(waypoint));
  }
  SVexlornRteBlock route;
  route.SetName("SUMMIT LOOP");
  route.SetNumber(1);
  for (const char* name : kLoop) {
    std::int32_t position = 0;
    for (const SPlace& place : kPlaces) {
      ++position;
      if (std::string(place.name) != name) continue;
      SVexlornRwptBlock point;
      point.SetName(place.name);
      point.SetNumber(position);
      point.SetLongitude(place.longitude);
      point.SetLatitude(-place.latitudeNorth);
      point.SetSymbol(place.symbol);
      route.GetPoints().Add(std::move(point));
      break;
    }
  }
  doc.GetRoutes().Add(std::move(route));
  return doc;
}

template <typename TDocument>
bool Save(const std::filesystem::path& path, const TDocument& doc) {
  CDiagnostic why;
  if (SaveVexlornFile(path.string(), doc, &why)) return true;
  std::fprintf(stderr, "transvane_generate: cannot write %s: %s\n", path.c_str(), why.Reason().c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Writes generated .trk and .wpt files for the benchmark, or the sample files of examples/."};
  std::string folder;
  bool examples = false;
  std::size_t trackNodes = 1'000'000;
  SWaypointShape waypoints{100'000, 10'000, 20};
  app.add_option("folder", folder, "Folder to write into (created when absent)")->required();
  app.add_flag("--examples", examples, "Write examples/trip.wpt and morning.trk instead of the large files");
  app.add_option("--track-nodes", trackNodes, "Nodes of walk.trk, one per second")->capture_default_str();
  app.add_option("--waypoints", waypoints.waypoints, "Waypoints of places.wpt")->capture_default_str();
  app.add_option("--routes", waypoints.routes, "Routes of places.wpt")->capture_default_str();
  app.add_option("--route-points", waypoints.pointsPerRoute, "Points of each route")->capture_default_str();
  CLI11_PARSE(app, argc, argv);
  if (waypoints.waypoints == 0 && waypoints.routes > 0) {
    std::fprintf(stderr, "transvane_generate: routes need waypoints to name\n");
    return 2;
  }
  // The file formats count records in signed 32 bits. A walk of one node per second stays within
  // about three years, so that its times fit 32 bits and the unit's two-digit years alike.
  constexpr std::size_t kMaxCount = 0x7FFFFFFF;
  constexpr std::size_t kMaxTrackNodes = 100'000'000;
  if (trackNodes > kMaxTrackNodes || waypoints.waypoints > kMaxCount || waypoints.routes > kMaxCount ||
      waypoints.pointsPerRoute > kMaxCount) {
    std::fprintf(stderr, "transvane_generate: at most %zu track nodes and %zu of anything else\n", kMaxTrackNodes,
                 kMaxCount);
    return 2;
  }

  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "transvane_generate: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
    return 1;
  }
  const std::filesystem::path out(folder);

  if (examples) {
    STrackShape morning;
    morning.name = "MORNING";
    morning.nodes = 60;
    morning.startTime = 1716010930;  // 2024-05-18 05:42:10 UTC
    morning.secondsPerNode = 10;
    morning.latitude = 46.6180;
    morning.longitude = 8.0410;
    morning.altitude = 1012;
    morning.seed = 7;
    return Save(out / "trip.wpt", MakeTrip()) && Save(out / "morning.trk", MakeTrack(morning)) ? 0 : 1;
  }

  if (!Save(out / "walk.trk", MakeTrack(bench::BenchmarkWalk(trackNodes)))) return 1;
  return Save(out / "places.wpt", MakeWaypoints(waypoints)) ? 0 : 1;
}
