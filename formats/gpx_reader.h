// Reading GPX 1.0 and 1.1 files into the desktop documents, a block at a time, with libxml2's SAX2
// parser: no external entity, DTD or network is ever loaded and no entity is expanded.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/code_page.h"
#include "formats/diagnostic.h"
#include "formats/gpx.h"
#include "formats/input_file.h"
#include "formats/source_warning.h"

// Receives the tracks of a GPX file while it is read, so that a long track is never held whole.
class CGpxTrackHandler {
 public:
  virtual ~CGpxTrackHandler() = default;
  // A track's first point comes next; the track holds its name and header as far as the file gave
  // them before it (and no nodes).
  virtual void BeginTrack(const CVexlornFileTrk& track) = 0;
  virtual void AddNode(const SVexlornTnodBlock& node) = 0;
  // The track's end, with its name and header as they finally are (a name after the points changes
  // them); `hadPoints` is false for a track without points, which had no BeginTrack.
  virtual void EndTrack(const CVexlornFileTrk& track, bool hadPoints) = 0;
  // Asked after each AddNode: whether the handler wants to point the user at that node (the first
  // of some kind, for a warning). Once the reader accepted the whole file, it finds the lines and
  // columns of those nodes in one pass and gives them to PlacesOfNodes, in the order they came.
  virtual bool WantsPlaceOfNode() const { return false; }
  virtual void PlacesOfNodes(const std::vector<SSourcePlace>&) {}
};

// Reads a GPX file (any encoding it declares); names and comments go into the code page, where a
// character it cannot hold becomes '?' (counted by the code page). Unknown elements and extensions
// are skipped. A route point that names no waypoint of the file becomes a waypoint of its own (its
// name, or "RTE001", "RTE002", ... when it has none). The waypoints and routes go into `points`,
// which is replaced only when the whole file was accepted; the tracks go through `tracks` as they
// come, and a refusal stops them (what was handed on before it is for the handler to drop). On
// false `why` gives the line and column of what was refused.
bool ReadGpxFile(const std::string& path, CVexlornFileWpt& points, CGpxTrackHandler& tracks, CCodePage& codePage,
                 CDiagnostic* why = nullptr);
bool ReadGpxText(std::string_view text, CVexlornFileWpt& points, CGpxTrackHandler& tracks, CCodePage& codePage,
                 CDiagnostic* why = nullptr);
// The same bytes again from their start, where the place of a refusal is counted; null when they
// cannot be had.
using FReopenSource = std::function<std::unique_ptr<CByteSource>()>;
// The same from a source of `size` bytes that the caller opened (one that fails a read, say because
// its reader was asked to stop, ends the reading with that reason).
bool ReadGpxSource(CByteSource& source, std::uint64_t size, const FReopenSource& reopen, CVexlornFileWpt& points,
                   CGpxTrackHandler& tracks, CCodePage& codePage, CDiagnostic* why = nullptr);

// The same into one document with every track. All-or-nothing: on false `doc` is unchanged.
bool ReadGpxText(std::string_view text, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why = nullptr);
bool ReadGpxFile(const std::string& path, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why = nullptr);
