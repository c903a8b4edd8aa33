// The desktop product's files a record at a time: a .trk or .wpt file read, or a .trk file
// written, without ever holding its document, for conversions of any length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/atomic_file.h"
#include "formats/diagnostic.h"
#include "formats/input_file.h"
#include "formats/source_warning.h"
#include "formats/spill_buckets.h"
#include "formats/vexlorn_archive.h"
#include "formats/vexlorn_records.h"

// Reads a .trk file by the rules of LoadVexlornFile: Open reads the header, the name and the node
// count (which the file's size must be able to hold), then Next gives the nodes in order. A
// refusal anywhere is the file's refusal, with its reason and offset in why. A wide string goes
// into the code page (see CVexlornArchive::ReadString).
class CVexlornTrackReader {
 public:
  explicit CVexlornTrackReader(CDiagnostic* why, CCodePage* codePage = nullptr) : m_why(why), m_codePage(codePage) {}
  bool Open(const std::string& path);
  const SVexlornTrkHeadBlock& GetHeader() const { return m_header; }
  const std::string& GetName() const { return m_name; }
  std::size_t GetNodeCount() const { return m_count; }
  // Callers ask for GetNodeCount() nodes.
  bool Next(SVexlornTnodBlock& node) { return node.Load(*m_archive); }
  // Where the next node begins.
  std::uint64_t GetOffset() const { return m_archive->GetOffset(); }
  // After the last node: the bytes behind it, which are never read.
  STrailingBytes GetTrailingBytes() const { return {m_archive->GetBytesLeft(), m_archive->GetOffset()}; }

 private:
  CDiagnostic* m_why;
  CCodePage* m_codePage;
  CInputFile m_file;
  std::unique_ptr<CVexlornArchive> m_archive;
  SVexlornTrkHeadBlock m_header;
  std::string m_name;
  std::size_t m_count = 0;
};

// Reads a .wpt file by the rules of LoadVexlornFile: Open reads the header and the waypoint count,
// NextWaypoint gives the waypoints, then BeginRoutes reads the route count and NextRoute the routes.
class CVexlornWaypointReader {
 public:
  explicit CVexlornWaypointReader(CDiagnostic* why, CCodePage* codePage = nullptr) : m_why(why), m_codePage(codePage) {}
  bool Open(const std::string& path);
  std::size_t GetWaypointCount() const { return m_count; }
  bool NextWaypoint(SVexlornWptBlock& waypoint) { return waypoint.Load(*m_archive); }
  bool BeginRoutes();
  std::size_t GetRouteCount() const { return m_count; }
  bool NextRoute(SVexlornRteBlock& route) { return route.Load(*m_archive); }
  // After the last route: the bytes behind it, which are never read.
  STrailingBytes GetTrailingBytes() const { return {m_archive->GetBytesLeft(), m_archive->GetOffset()}; }

 private:
  CDiagnostic* m_why;
  CCodePage* m_codePage;
  CInputFile m_file;
  std::unique_ptr<CVexlornArchive> m_archive;
  std::size_t m_count = 0;
};

// Writes a .trk file as SaveVexlornFile does, node by node: Open, Add each node, then Finish with
// the header and name the file is to have, which fills in the count (and the header and name, when
// they are no longer those the file was begun with) before Commit replaces the target.
class CVexlornTrackWriter {
 public:
  CVexlornTrackWriter(std::string path, CDiagnostic* why);
  // Creates the temporary file and writes the header and name as far as they are known.
  bool Open(const SVexlornTrkHeadBlock& header, const std::string& name);
  void Add(const SVexlornTnodBlock& node);
  bool Finish(const SVexlornTrkHeadBlock& header, const std::string& name);
  // After Finish, for a job that replaces many files at its end: closes the file until Commit.
  bool Seal();
  bool Commit();
  // Forgets everything written; the target keeps whatever it held before.
  void Discard();

 private:
  // The bytes in front of the nodes.
  bool Prefix(const SVexlornTrkHeadBlock& header, const std::string& name, std::size_t count,
              std::vector<std::uint8_t>& bytes);

  std::string m_path;
  CDiagnostic* m_why;
  std::unique_ptr<CAtomicFile> m_file;
  std::unique_ptr<CVexlornArchive> m_archive;
  std::uint64_t m_prefixSize = 0;
  std::size_t m_count = 0;
};

// Writes a .wpt file as SaveVexlornFile does, a record at a time: Open, AddWaypoint for each
// waypoint, then each route's points with AddRoutePoint followed by EndRoute (a route's name and
// number are known once its last point is), and Finish, which fills in the counts before Commit
// replaces the target. A route's points wait for EndRoute in memory up to a limit and beyond it in
// scratch records. The values that only the whole file decides (a waypoint's route use, a route
// point's number and position) are written as the caller gave them, at offsets that AddWaypoint and
// EndRoute hand out, for the caller to write over before Commit.
class CVexlornWaypointWriter {
 public:
  // The offset of what is not written: everything, when the file could not be opened.
  static constexpr std::uint64_t kNotWritten = ~std::uint64_t{0};
  // Learns, for each route point written, its name and the offset of its number, which its
  // longitude and latitude follow.
  using FPointPlaced = std::function<void(std::string_view name, std::uint64_t at)>;

  CVexlornWaypointWriter(std::string path, CSpillBuckets& spill, CDiagnostic* why);
  // Creates the temporary file and writes a new document's header. When it fails the records are
  // still taken, and the route points still handed to `placed`, without an offset.
  bool Open();
  // Answers the offset of the waypoint's route use byte.
  std::uint64_t AddWaypoint(const SVexlornWptBlock& waypoint);
  // A point of the route being gathered, by its name and symbol.
  void AddRoutePoint(std::string_view name, std::uint8_t symbol);
  // Writes the points added since the last route as one route.
  void EndRoute(const std::string& name, std::int32_t number, const FPointPlaced& placed);
  // Leaves those points out; `placed` still learns their names, at kNotWritten.
  void DropRoute(const FPointPlaced& placed);
  // Writes the counts; false (with the reason) when any write failed or a value did not fit.
  bool Finish();
  CAtomicFile& File() { return m_file; }
  bool Commit() { return m_file.Commit(m_why); }

 private:
  void BeginRoutes();
  // Hands the gathered points to `write` in parts of whole records, in order, and forgets them.
  void TakeGathered(const std::function<void(std::string_view part)>& take);

  CAtomicFile m_file;
  CSpillBuckets& m_spill;
  CDiagnostic* m_why;
  std::unique_ptr<CVexlornArchive> m_archive;
  std::size_t m_waypoints = 0;
  std::size_t m_routes = 0;
  std::uint64_t m_waypointCountAt = 0;
  bool m_routesBegun = false;
  std::uint64_t m_routeCountAt = 0;
  // The points of the route being gathered.
  std::vector<std::uint8_t> m_gathered;
  std::unique_ptr<CVexlornArchive> m_gatherer;
  std::uint64_t m_gatheredBefore = 0;  // bytes of the gatherer already in m_gathered or the scratch bucket
  std::size_t m_gatheredPoints = 0;
  std::size_t m_gatheredBucket = 0;
  bool m_gatheredSpilled = false;
};
