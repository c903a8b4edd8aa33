// The desktop product's files a record at a time: a .trk or .wpt file read, or a .trk file
// written, without ever holding its document, for conversions of any length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/atomic_file.h"
#include "formats/diagnostic.h"
#include "formats/input_file.h"
#include "formats/source_warning.h"
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
