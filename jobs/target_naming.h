// The names of the files a conversion produces: targets of a source file, made unique in the list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "formats/file_kinds.h"
#include "storage/file_identity.h"

class CUnitDevice;

// The ways the wizard converts files (its `direction`).
enum EConversionDirection : int { kDirectionToUnit = 0, kDirectionToDesktop = 1, kDirectionToGpx = 2 };

// The kinds of source a direction takes: towards the unit the desktop's files and GPX files,
// towards the desktop the unit's files and GPX files, to GPX both sides' files. In the order of
// the table.
std::vector<EFileKind> SourceKindsOf(int direction);

// The candidate itself when it is free, else the first free "<folder><base>_<n>.<ext>" for n = 1,
// 2, ..., its base cut at a character's end where the number would make the name longer than the
// folder allows. A name is taken when a row of the list of files to generate begins with it
// (letter case ignored), or when it is the same file as a row or as one of the sources, however
// either is written (see CFileIdentity: "d/../d/trip.rte" is "d/trip.rte", a link is the file it
// points to, letter case counts only where the volume's names keep it). Rows are compared
// by their beginnings, not as whole names: a row "trip.rte.bak" also holds "trip.rte" back. This
// is stricter than needed and never lets two rows name the same file, nor a target replace a file
// the job has still to read.
std::string UniqueTargetName(const std::string& candidate, const std::vector<std::string>& targetRows,
                             const std::vector<std::string>& sources = {});

// The names of one run's outputs, under UniqueTargetName's rules against the run's sources and
// the outputs named before. The files are looked at once each, however many names are asked for.
class CTargetNames {
 public:
  explicit CTargetNames(const std::vector<std::string>& sources = {});
  // A free name for the candidate, from now on a row of the run.
  std::string Claim(const std::string& candidate);
  const std::vector<std::string>& Rows() const { return m_rows; }
  // Told each name claimed from now on, by this object and by its copies.
  void SetClaimWatcher(std::function<void(const std::string&)> watcher) { m_watcher = std::move(watcher); }

 private:
  std::vector<std::string> m_rows;
  std::vector<CFileIdentity> m_taken;  // the sources, then the rows
  std::function<void(const std::string&)> m_watcher;
};

// Converting to the unit: a .wpt source gives a user-points file in the points-of-interest folder
// and a route file in the routes folder, a .trk source a track log in the track-logs folder
// (extension letter case ignored); any other source gives nothing. The folders come from the
// unit's language file, asked anew for each source; in test mode every target goes straight into
// the unit's drive (the temporary folder).
std::vector<std::string> TargetsForDesktopFile(const std::string& source, CUnitDevice& unit, bool testMode);

// Converting to the desktop product: .upt and .rte sources give a .wpt, a .log source a .trk,
// in the desktop product's documents folder; any other source gives nothing.
std::vector<std::string> TargetsForUnitFile(const std::string& source, const std::string& documentsFolder);

// Exporting to GPX: a desktop or unit source gives a .gpx file of its base name in the desktop
// product's documents folder; any other source gives nothing.
std::vector<std::string> TargetsForGpxExport(const std::string& source, const std::string& documentsFolder);
