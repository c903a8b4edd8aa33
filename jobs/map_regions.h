// The map region catalogue: the region files of the desktop installations, their displayed sizes
// and dates, and where the ticked ones go on a destination.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/file_pairs.h"

// One region file: its full path, its size in bytes (0 when its status cannot be read) and its
// creation time in nanoseconds since 1970 UTC (0 when it cannot be read).
struct CMapRegionEntry {
  std::string path;
  std::int64_t size = 0;
  std::int64_t created = 0;
};

// The regions in the order the user sees them: newest first. Row i of the region list always
// shows entry i.
class CMapRegionArray {
 public:
  void RemoveAll() { m_entries.clear(); }
  // Goes before the first entry created at the same time or earlier, so among entries of equal
  // time the one inserted last comes first.
  void InsertByDate(CMapRegionEntry entry);
  // True when no entry has this path, letter case ignored (the desktop product's paths come from
  // a file system that ignores it).
  bool IsNewPath(const std::string& path) const;
  std::size_t Count() const { return m_entries.size(); }
  const CMapRegionEntry& operator[](std::size_t index) const { return m_entries[index]; }

 private:
  std::vector<CMapRegionEntry> m_entries;
};

// An entry for a file as it stands on disk.
CMapRegionEntry MakeRegionEntry(const std::string& path);

// Empties the regions and lists those of each folder in turn: its "*.imi" files through all its
// subfolders, then its "*.tdx" files the same way. A file reached through two folders is listed
// twice, as the desktop product lists it.
void LoadRegions(const std::vector<std::string>& folders, CMapRegionArray& regions);

// Bytes as megabytes of 1,000,000 with one decimal ("10.0"), whatever the process's locale.
std::string FormatMegabytes(std::uint64_t bytes);
// The size text of string 138: its "%.1lf" replaced by FormatMegabytes. A text without that
// field gets the number appended, so a translated text can never be read as a format.
std::string FormatSizeText(const std::string& format, std::uint64_t bytes);
// The creation time in local time as mm/dd/yy (what "%x" gives in the "C" locale).
std::string FormatRegionDate(std::int64_t createdNs);

// The number at the start of a displayed text ("10.0 MB" gives 10.0); 0 when there is none.
double LeadingNumber(const std::string& text);
// Next's capacity rule. It compares the two values as the page displays them, rounded to 0.1 MB,
// so a total that shows the same as the free space is allowed even when it is a little larger.
bool FitsAsDisplayed(const std::string& availableText, const std::string& totalText);

// The folders that receive regions on a destination (its mount point).
struct SRegionFolders {
  std::string background;  // background maps, for every region that is not a detail map
  std::string detail;      // detail maps, for "*.imi"
};
// The folders are named by the unit's language file when the destination holds the unit, by the
// default names otherwise, and joined with the destination itself, the drive whose free space
// the user was shown.
SRegionFolders RegionFoldersOn(const std::string& destination);

// The target of a region file: ".imi" (any letter case) to the detail maps, anything else to the
// background maps, under the file's own name.
std::string RegionTarget(const std::string& regionPath, const SRegionFolders& folders);

// Empties pairs and sets one pair per chosen region, in the given order; a later region with the
// same target replaces the earlier one in place. Nothing is set without a destination, so no
// target can land relative to the working folder.
void FillRegionPairs(const std::vector<std::string>& regionPaths, const std::string& destination, CFilePairs& pairs);

// Why a region cannot go to its target; checked for every region before anything is copied.
enum class ERegionRefusal {
  kNone,
  kSameFile,  // the region is the very file it would be copied onto (a region taken from the card)
  kTooLarge,  // larger than the destination's file system holds in one file (FAT: under 4 GiB)
};
// maxFileSize is the destination's (see storage/volume_limits.h).
ERegionRefusal RegionRefusal(const CMapRegionEntry& region, const std::string& target, std::uint64_t maxFileSize);

// The bytes a region adds to its destination: its size less that of the file its target already
// is there (an older copy being updated), never below 0. A full card can so take new versions of
// the regions it holds.
std::uint64_t AddedSize(const CMapRegionEntry& region, const std::string& target);
