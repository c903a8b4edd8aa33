// The names of the files a conversion produces.
#include "jobs/target_naming.h"

#include <algorithm>
#include <optional>

#include "formats/ascii_case.h"
#include "formats/file_kinds.h"
#include "jobs/file_codecs.h"
#include "storage/file_system.h"
#include "storage/unit_device.h"
#include "storage/volume_limits.h"

namespace {

bool AnyRowBeginsWith(const std::vector<std::string>& rows, const std::string& name) {
  return std::any_of(rows.begin(), rows.end(),
                     [&](const std::string& row) { return StartsWithIgnoringCase(row, name); });
}

bool IsTaken(const std::string& name, const std::vector<std::string>& rows, const std::vector<CFileIdentity>& taken) {
  if (AnyRowBeginsWith(rows, name)) return true;
  const CFileIdentity file(name);
  return std::any_of(taken.begin(), taken.end(), [&](const CFileIdentity& each) { return each.IsSameFile(file); });
}

// "<stem>_<n>.<extension>", the stem cut (never inside a UTF-8 character) where the whole would
// not fit the folder's name limit: a long name that fits must not fail only for its number.
std::string NumberedName(const std::string& stem, unsigned counter, const std::string& extension, std::size_t limit) {
  const std::string tail = '_' + std::to_string(counter) + '.' + extension;
  std::size_t keep = stem.size();
  if (stem.size() + tail.size() > limit && tail.size() < limit) {
    keep = limit - tail.size();
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
  }
  return stem.substr(0, keep) + tail;
}

std::string UniqueName(const std::string& candidate, const std::vector<std::string>& rows,
                       const std::vector<CFileIdentity>& taken) {
  const SECFileSystem files;
  const std::string folder = files.FolderOf(candidate);
  const std::string stem = files.StemOf(candidate);
  const std::string extension = files.ExtensionOf(candidate);
  std::string name = candidate;
  std::size_t limit = 0;  // asked only when a number is needed
  for (unsigned counter = 1; IsTaken(name, rows, taken); ++counter) {
    if (limit == 0) limit = MaxNameLength(folder);
    name = folder + NumberedName(stem, counter, extension, limit);
  }
  return name;
}

// The kinds a source of one side gives towards the other side; none for any other source.
std::span<const EFileKind> TargetKindsFrom(const std::string& source, EFileSide from, EFileSide towards) {
  const std::optional<EFileKind> kind = FileKindOf(source);
  if (!kind || FileKindRow(*kind).side != from) return {};
  return TargetKinds(*kind, towards);
}

std::string WithExtension(const std::string& base, EFileKind kind) {
  return base + '.' + std::string(KindExtension(kind));
}

}  // namespace

std::string UniqueTargetName(const std::string& candidate, const std::vector<std::string>& targetRows,
                             const std::vector<std::string>& sources) {
  std::vector<CFileIdentity> taken;
  taken.reserve(sources.size() + targetRows.size());
  for (const std::string& source : sources) taken.emplace_back(source);
  // A row's file is to be replaced: its entry holds the name, not the file there now.
  for (const std::string& row : targetRows) taken.emplace_back(row, false);
  return UniqueName(candidate, targetRows, taken);
}

CTargetNames::CTargetNames(const std::vector<std::string>& sources) {
  m_taken.reserve(sources.size());
  for (const std::string& source : sources) m_taken.emplace_back(source);
}

std::string CTargetNames::Claim(const std::string& candidate) {
  std::string name = UniqueName(candidate, m_rows, m_taken);
  m_rows.push_back(name);
  m_taken.emplace_back(name, false);
  if (m_watcher) m_watcher(name);
  return name;
}

std::vector<EFileKind> SourceKindsOf(int direction) {
  switch (direction) {
    case kDirectionToDesktop:
      return KindsConvertedTowards(EFileSide::kDesktop);
    case kDirectionToGpx:
      return KindsConvertedTowards(EFileSide::kInterchange);
    default:
      return KindsConvertedTowards(EFileSide::kUnit);
  }
}

std::vector<std::string> TargetsForDesktopFile(const std::string& source, CUnitDevice& unit, bool testMode) {
  const SECFileSystem files;
  const std::string base = files.StemOf(source);
  std::vector<std::string> targets;
  for (const EFileKind kind : TargetKindsFrom(source, EFileSide::kDesktop, EFileSide::kUnit)) {
    const std::string folder = testMode ? unit.Drive() : unit.GetUnitFolder(FileCodecOf(kind).unitFolder, true);
    targets.push_back(files.JoinPath(folder, WithExtension(base, kind)));
  }
  return targets;
}

std::vector<std::string> TargetsForUnitFile(const std::string& source, const std::string& documentsFolder) {
  const SECFileSystem files;
  std::vector<std::string> targets;
  for (const EFileKind kind : TargetKindsFrom(source, EFileSide::kUnit, EFileSide::kDesktop)) {
    targets.push_back(files.JoinPath(documentsFolder, WithExtension(files.StemOf(source), kind)));
  }
  return targets;
}

std::vector<std::string> TargetsForGpxExport(const std::string& source, const std::string& documentsFolder) {
  const SECFileSystem files;
  const std::optional<EFileKind> kind = FileKindOf(source);
  if (!kind) return {};
  // GPX and map files have no GPX target.
  std::vector<std::string> targets;
  for (const EFileKind target : TargetKinds(*kind, EFileSide::kInterchange)) {
    targets.push_back(files.JoinPath(documentsFolder, WithExtension(files.StemOf(source), target)));
  }
  return targets;
}
