// The unit's user-point (.upt), route (.rte) and track-log (.log) files: file objects holding the
// sentences of one file, and the whole-file read and write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/input_file.h"
#include "formats/sentences.h"
#include "formats/unit_line_reader.h"

class CAtomicFile;

// Takes a unit file's text piece by piece, so that a long file never sits in memory whole.
class CUnitTextSink {
 public:
  virtual ~CUnitTextSink() = default;
  // Receives the text gathered so far, which the writer empties afterwards; false stops the writing.
  virtual bool Take(const std::string& text) = 0;
};

// One file of the unit's sentences in memory. Read takes sentences of the file's kind from the
// reader and leaves the line that stopped it in `line`; Write appends the sentences, CR LF each.
// Given a sink, Write hands `out` on whenever it has grown past a chunk and answers false when the
// sink refused one; without a sink it answers true.
class CUnitFile {
 public:
  virtual ~CUnitFile() = default;
  virtual void Clear() = 0;
  // Answers whether a further line was read after the last sentence taken; a sentence that fails
  // to parse also answers false, with its reason in why.
  virtual bool Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why = nullptr);
  virtual bool Write(std::string& out, CLocalTimeCache* times = nullptr, CUnitTextSink* sink = nullptr) const;
};

// A .upt file: user points.
class CUnitWaypointFile : public CUnitFile {
 public:
  void Clear() override;
  bool Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why = nullptr) override;
  bool Write(std::string& out, CLocalTimeCache* times = nullptr, CUnitTextSink* sink = nullptr) const override;
  // A point file has no routes, so no point is in one.
  virtual bool IsWaypointInRoute(std::string_view name) const;

  std::size_t GetWaypointCount() const { return m_waypoints.size(); }
  const CWplSentence& GetWaypoint(std::size_t index) const { return m_waypoints.at(index); }
  const std::vector<CWplSentence>& GetWaypoints() const { return m_waypoints; }
  void AddWaypoint(const CWplSentence& waypoint) { m_waypoints.push_back(waypoint); }
  void AddWaypoint(CWplSentence&& waypoint) { m_waypoints.push_back(std::move(waypoint)); }
  void ClearWaypoints() { m_waypoints.clear(); }
  void ReserveWaypoints(std::size_t count) { m_waypoints.reserve(count); }

 protected:
  std::vector<CWplSentence>& WaypointList() { return m_waypoints; }

 private:
  std::vector<CWplSentence> m_waypoints;
};

// A .rte file: the points the routes refer to, then the route sentences, grouped per route.
class CUnitRouteFile : public CUnitWaypointFile {
 public:
  void Clear() override;
  // Route groups must run 1..total with one total; a group left incomplete at the end is kept.
  bool Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why = nullptr) override;
  bool Write(std::string& out, CLocalTimeCache* times = nullptr, CUnitTextSink* sink = nullptr) const override;
  // True when an entry of any route has exactly this name (case-sensitive).
  bool IsWaypointInRoute(std::string_view name) const override;
  // The first point with exactly this name and its index; false and index -1 when there is none.
  bool FindWaypoint(std::string_view name, CWplSentence& waypoint, int& index) const;

  std::size_t GetRouteCount() const { return m_routes.size(); }
  const CRteWaypointsSentence& GetRoute(std::size_t index) const { return m_routes.at(index); }
  const std::vector<CRteWaypointsSentence>& GetRoutes() const { return m_routes; }
  void AddRoute(const CRteWaypointsSentence& route) { m_routes.push_back(route); }
  void AddRoute(CRteWaypointsSentence&& route) { m_routes.push_back(std::move(route)); }
  void ClearRoutes() { m_routes.clear(); }
  void ReserveRoutes(std::size_t count) { m_routes.reserve(count); }

 private:
  std::vector<CRteWaypointsSentence> m_routes;
};

// A .log file: track points in track order.
class CUnitTrackFile : public CUnitFile {
 public:
  void Clear() override;
  // Points without a name take the reader's title, cut to 8 bytes.
  bool Read(CUnitLineReader& reader, std::string_view& line, CDiagnostic* why = nullptr) override;
  bool Write(std::string& out, CLocalTimeCache* times = nullptr, CUnitTextSink* sink = nullptr) const override;

  std::size_t GetPointCount() const { return m_points.size(); }
  const CTrkSentence& GetPoint(std::size_t index) const { return m_points.at(index); }
  const std::vector<CTrkSentence>& GetPoints() const { return m_points; }
  void AddPoint(const CTrkSentence& point) { m_points.push_back(point); }
  void AddPoint(CTrkSentence&& point) { m_points.push_back(std::move(point)); }
  void ClearPoints() { m_points.clear(); }
  void ReservePoints(std::size_t count) { m_points.reserve(count); }

 private:
  std::vector<CTrkSentence> m_points;
};

// Receives the points of a track log one by one as they are read, in track order; it may take the
// point's values (the reader reuses the object).
class CTrackPointSink {
 public:
  virtual ~CTrackPointSink() = default;
  virtual void Take(CTrkSentence& point) = 0;
};

// Receives the sentences of a point or route file one by one as they are read, in file order; it
// may take their values (the reader reuses the objects).
class CUnitSentenceSink {
 public:
  virtual ~CUnitSentenceSink() = default;
  virtual void TakeWaypoint(CWplSentence& waypoint) = 0;
  // Route sentences come in groups already checked to run 1..total; a group left incomplete at the
  // end of the route sentences comes too.
  virtual void TakeRoute(CRteWaypointsSentence& route) = 0;
};

// The name of a file without folder ('/' or '\') and without its extension.
std::string UnitFileTitle(std::string_view path);
// The name of a log's points that have none: 8 bytes of its title, not cutting a UTF-8 character.
std::string DefaultTrackName(const std::string& title);

// Empties the object and reads the lines into it: sentences of the file's kind, the end sentence,
// nothing after it. On failure the sentences before the bad line stay in the object.
bool ReadUnitFile(CUnitLineReader& reader, CUnitFile& file, CDiagnostic* why = nullptr);
bool ReadUnitText(std::string_view text, const std::string& title, CUnitFile& file, CDiagnostic* why = nullptr);
bool ReadUnitStream(std::istream& in, const std::string& title, CUnitFile& file, CDiagnostic* why = nullptr);
bool ReadUnitFile(const std::string& path, CUnitFile& file, CDiagnostic* why = nullptr);
// A whole track log by the same rules, each point handed on as soon as it is read: the log is
// never held. On failure the points before the bad line have been handed on.
bool ReadTrackLog(CUnitLineReader& reader, CTrackPointSink& sink, CDiagnostic* why = nullptr);

// A whole point file (or, with `routes`, route file) by the same rules, each sentence handed on as
// soon as it is read.
bool ReadWaypointFile(CUnitLineReader& reader, bool routes, CUnitSentenceSink& sink, CDiagnostic* why = nullptr);

// Writes a unit file through a safe-write file as its sentences come, a chunk at a time, so that a
// long file is never held whole: each sentence with Add (or a whole file object through
// CUnitFile::Write with Text, Times and the writer as its sink), then Finish adds the end sentence.
// The caller opens the file before and commits it after.
class CUnitFileWriter : public CUnitTextSink {
 public:
  CUnitFileWriter(CAtomicFile& file, CDiagnostic* why);
  // False once a write failed (with its reason in why); nothing more is written then.
  bool Add(const CSentence& sentence);
  // A line made by a sentence's AppendLine, with its line end.
  bool AddLine(std::string_view line);
  bool Finish();
  bool Take(const std::string& text) override;
  std::string& Text() { return m_text; }
  CLocalTimeCache& Times() { return m_times; }

 private:
  CAtomicFile& m_file;
  CDiagnostic* m_why;
  std::string m_text;
  CLocalTimeCache m_times;
  bool m_failed = false;
};

// Appends the object's sentences and the end sentence, each line ending in CR LF.
void WriteUnitText(const CUnitFile& file, std::string& out);
// Replaces the file safely: a failed write leaves the former file as it was and no temporary file.
bool WriteUnitFile(const std::string& path, const CUnitFile& file, CDiagnostic* why = nullptr);
