// The names of the files a conversion produces: targets of a source file, made unique in the list.
#pragma once

#include <string>
#include <vector>

class CUnitDevice;

// The candidate itself when no row of the list of files to generate begins with it (letter case
// ignored), else the first free "<folder><base>_<n>.<ext>" for n = 1, 2, ... Rows are compared by
// their beginnings, not as whole names: a row "trip.rte.bak" also holds "trip.rte" back. This is
// stricter than needed and never lets two rows name the same file.
std::string UniqueTargetName(const std::string& candidate, const std::vector<std::string>& targetRows);

// Converting to the unit: a .wpt source gives a user-points file in the points-of-interest folder
// and a route file in the routes folder, a .trk source a track log in the track-logs folder
// (extension letter case ignored); any other source gives nothing. The folders come from the
// unit's language file, asked anew for each source; in test mode every target goes straight into
// the unit's drive (the temporary folder).
std::vector<std::string> TargetsForDesktopFile(const std::string& source, CUnitDevice& unit, bool testMode);

// Converting to the desktop product: .upt and .rte sources give a .wpt, a .log source a .trk,
// in the desktop product's documents folder; any other source gives nothing.
std::vector<std::string> TargetsForUnitFile(const std::string& source, const std::string& documentsFolder);
