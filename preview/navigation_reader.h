// Reads any navigation file (every kind with a reader in jobs/file_codecs.h) into a sink.
#pragma once

#include <atomic>
#include <string>

#include "formats/code_page.h"
#include "formats/diagnostic.h"
#include "preview/navigation_data.h"

// The file's kind comes from its extension, in any letter case. Unit files go through the same
// conversion to the desktop's records that the conversion job uses, so positions and track times
// are those the user gets from a conversion (unit times are local: TZ decides). Names are turned
// from the code page into UTF-8. The tracks of .trk, .log and .gpx files go into the sink as they
// are read, so memory does not grow with their length; waypoints and routes are read whole. Once
// `stop` is set, the reading ends within a block of the file and answers false ("stopped").
// On false the sink may have been given part of the file, which the caller drops, and `why` says
// what was refused.
bool ReadNavigationFile(const std::string& path, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why = nullptr,
                        const std::atomic<bool>* stop = nullptr);
