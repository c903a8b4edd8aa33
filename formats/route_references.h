// The waypoints that the route points of a .wpt file being written refer to by name, found without
// holding either list in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/spill_buckets.h"

class CAtomicFile;

// A route point names its waypoint; the first waypoint with exactly that name gives the point its
// number and position, and a waypoint that some point names is in a route. Both lists go, by a hash
// of the name, into partitions of scratch records (one partition for every few MB of the source,
// so that each is small); each partition is then matched in memory on its own, and what is found is
// written over the placeholders in the file, one region of the file at a time.
class CRouteReferences {
 public:
  // Where a point of a route that is not written (an unfinished last route) would go.
  static constexpr std::uint64_t kNotWritten = std::numeric_limits<std::uint64_t>::max();

  // `sourceSize` sizes the partitions.
  CRouteReferences(CSpillBuckets& spill, std::uint64_t sourceSize);

  // The waypoint at 0-based `index`; `routeUseAt` is where its route use byte is, written as "not
  // in a route" (1) until a point names it.
  void AddWaypoint(std::string_view name, std::uint64_t index, double longitude, double latitude,
                   std::uint64_t routeUseAt);
  // The next route point; `at` is where its number, longitude and latitude go (kNotWritten for a
  // point whose route is left out: it must still name a waypoint, and it still puts it in a route).
  void AddPoint(std::string_view name, std::uint64_t at);

  enum class EResult { Done, Unnamed, Failed };
  // Matches every point. Done: the file's placeholders are filled in (when `patch`). Unnamed: some
  // point names no waypoint; the first of them in the order they were added is given by its 0-based
  // place and name, and the file is left alone. Failed: the scratch records or the file could not be
  // read or written (the reason in why).
  EResult Resolve(CAtomicFile& file, bool patch, std::uint64_t& unnamedPlace, std::string& unnamedName,
                  CDiagnostic* why);

 private:
  std::size_t PartitionOf(std::uint64_t hash) const;

  CSpillBuckets& m_spill;
  std::vector<std::size_t> m_waypointBuckets;
  std::vector<std::size_t> m_pointBuckets;
  // Per partition, the index (or place) and offset of the last record, which the next one is written
  // as steps from.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> m_waypointSteps;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> m_pointSteps;
  std::vector<std::uint64_t> m_waypointCounts;
  std::uint64_t m_points = 0;
};
