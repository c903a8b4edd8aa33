// GPX 1.1 import and export over the desktop documents: what the reader and the writer share.
#pragma once

#include <vector>

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
