// Writing GPX 1.1 in UTF-8 from the desktop documents, a record at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "formats/code_page.h"
#include "formats/diagnostic.h"
#include "formats/gpx.h"
#include "formats/unit_times.h"

class CAtomicFile;
class CGpxPointStage;

// Writes one GPX file record by record: Begin, the waypoints, the routes, each track (BeginTrack,
// its points, EndTrack), then End. Given a safe-write file, Begin opens it and the text goes into it
// a chunk at a time (a long track is never held whole); otherwise it gathers in Text(). Names go
// through the code page; what neither it nor XML can hold becomes '?' and is counted there. A value
// GPX cannot hold (a coordinate or altitude that is not a finite number) fails its record with the
// reason in why, and the file must then be dropped. A fault of the file itself is kept apart
// (FileError) and answered by End, so that a value refused later is still found. A track point at
// the instant that stands for "no time" (see CUnitTimes; the writer's own instants when none are
// given) is written without <time>. Into a file, the points of a long track are
// formatted on a thread of their own while the caller reads the next ones; the file itself is
// only ever written on the caller's thread.
class CGpxWriter {
 public:
  CGpxWriter(CCodePage& codePage, CDiagnostic* why, CAtomicFile* file = nullptr, const CUnitTimes* times = nullptr);
  ~CGpxWriter();
  CGpxWriter(const CGpxWriter&) = delete;
  CGpxWriter& operator=(const CGpxWriter&) = delete;

  void Begin();
  bool AddWaypoint(const SVexlornWptBlock& waypoint, std::size_t index);
  bool AddRoute(const SVexlornRteBlock& route, std::size_t index);
  void BeginTrack(const CVexlornFileTrk& track);
  bool AddTrackPoint(const SVexlornTnodBlock& node, std::size_t trackIndex, std::size_t nodeIndex);
  void EndTrack();
  // The points document's header, when it is not a new one's, and the end of the file; false when
  // a write into the file failed (at any time).
  bool End(const SVexlornWptRteHeadBlock& header);
  // The text not yet handed to the file (all of it without one), track points on their way to the
  // file aside.
  std::string& Text() { return m_text; }
  const CDiagnostic& FileError() const { return m_fileWhy; }

 private:
  // Hands the text to the file once it holds a chunk.
  void HandOn();
  // Writes every track point taken into the file, before anything else goes in.
  void Drain();

  CCodePage& m_codePage;
  CDiagnostic* m_why;
  CAtomicFile* m_file;
  const CUnitTimes m_ownTimes;
  const CUnitTimes& m_times;
  std::string m_text;
  CDiagnostic m_fileWhy;
  bool m_fileFailed = false;
  std::unique_ptr<CGpxPointStage> m_points;  // with a file
};

// Begin and every record of the document (End is the caller's); false at the first value GPX
// cannot hold.
bool WriteGpxDocument(const SGpxDocument& doc, CGpxWriter& writer);
// Writes the whole document as GPX 1.1, appended to `out`. Fails (writing nothing) only for values
// that GPX cannot hold: a coordinate or altitude that is not a finite number.
bool WriteGpxText(const SGpxDocument& doc, CCodePage& codePage, std::string& out, CDiagnostic* why = nullptr);
// Replaces the file safely: a failed write leaves the former file as it was and no temporary file.
bool WriteGpxFile(const std::string& path, const SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why = nullptr);
