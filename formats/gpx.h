// GPX 1.1 import and export over the desktop documents: waypoints and routes, and tracks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/code_page.h"
#include "formats/diagnostic.h"
#include "formats/vexlorn_records.h"

// The contents of one GPX file in the desktop product's terms: one waypoint/route document and one
// track document per GPX track (the segments of a track join into one list of nodes).
struct SGpxDocument {
  CVexlornFileWpt points;
  std::vector<CVexlornFileTrk> tracks;
};

// Our own namespace for what GPX cannot say (symbol numbers, route use, odd fix values, headers),
// so that a desktop file survives a trip through GPX byte for byte. Never change it: files that
// were written with it must keep reading.
inline constexpr const char* kGpxExtensionNamespace = "https://transvane.example/gpx/1";

// Reads GPX 1.0 or 1.1 (any encoding the file declares); names and comments go into the code page,
// where a character it cannot hold becomes '?' (counted by the code page). Unknown elements and
// extensions are skipped. A route point that names no waypoint of the file becomes a waypoint of
// its own (its name, or "RTE001", "RTE002", ... when it has none). All-or-nothing: on false `doc`
// is unchanged and `why` gives the line and column of what was refused.
bool ReadGpxText(std::string_view text, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why = nullptr);
bool ReadGpxFile(const std::string& path, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why = nullptr);

// Writes GPX 1.1 in UTF-8. Fails (writing nothing) only for values that GPX cannot hold: a
// coordinate, altitude that is not a finite number.
bool WriteGpxText(const SGpxDocument& doc, CCodePage& codePage, std::string& out, CDiagnostic* why = nullptr);
// Replaces the file safely: a failed write leaves the former file as it was and no temporary file.
bool WriteGpxFile(const std::string& path, const SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why = nullptr);
