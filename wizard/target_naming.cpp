// The names of the files a conversion produces.
#include "wizard/target_naming.h"

#include <algorithm>
#include <cctype>

#include "storage/file_system.h"
#include "storage/unit_device.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool BeginsWithIgnoringCase(const std::string& row, const std::string& prefix) {
  if (row.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), row.begin(),
                    [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

bool AnyRowBeginsWith(const std::vector<std::string>& rows, const std::string& name) {
  return std::any_of(rows.begin(), rows.end(),
                     [&](const std::string& row) { return BeginsWithIgnoringCase(row, name); });
}

bool IsTaken(const std::string& name, const std::vector<std::string>& rows, const std::vector<CFileIdentity>& taken) {
  if (AnyRowBeginsWith(rows, name)) return true;
  const CFileIdentity file(name);
  return std::any_of(taken.begin(), taken.end(), [&](const CFileIdentity& each) { return each.IsSameFile(file); });
}

std::string UniqueName(const std::string& candidate, const std::vector<std::string>& rows,
                       const std::vector<CFileIdentity>& taken) {
  const SECFileSystem files;
  const std::string stem = files.FolderOf(candidate) + files.StemOf(candidate);
  const std::string extension = files.ExtensionOf(candidate);
  std::string name = candidate;
  for (unsigned counter = 1; IsTaken(name, rows, taken); ++counter) {
    name = stem + '_' + std::to_string(counter) + '.' + extension;
  }
  return name;
}

// Unit folder indexes of the language file.
constexpr int kPointsOfInterest = 2;
constexpr int kRoutes = 3;
constexpr int kTrackLogs = 4;

}  // namespace

std::string UniqueTargetName(const std::string& candidate, const std::vector<std::string>& targetRows,
                             const std::vector<std::string>& sources) {
  std::vector<CFileIdentity> taken;
  taken.reserve(sources.size() + targetRows.size());
  for (const std::string& source : sources) taken.emplace_back(source);
  for (const std::string& row : targetRows) taken.emplace_back(row);
  return UniqueName(candidate, targetRows, taken);
}

CTargetNames::CTargetNames(const std::vector<std::string>& sources) {
  m_taken.reserve(sources.size());
  for (const std::string& source : sources) m_taken.emplace_back(source);
}

std::string CTargetNames::Claim(const std::string& candidate) {
  std::string name = UniqueName(candidate, m_rows, m_taken);
  m_rows.push_back(name);
  m_taken.emplace_back(name);
  return name;
}

std::vector<std::string> TargetsForDesktopFile(const std::string& source, CUnitDevice& unit, bool testMode) {
  const SECFileSystem files;
  const std::string extension = Lower(files.ExtensionOf(source));
  const std::string base = files.StemOf(source);
  const auto folder = [&](int index) { return testMode ? unit.Drive() : unit.GetUnitFolder(index, true); };
  if (extension == "wpt") {
    return {files.JoinPath(folder(kPointsOfInterest), base + ".upt"), files.JoinPath(folder(kRoutes), base + ".rte")};
  }
  if (extension == "trk") return {files.JoinPath(folder(kTrackLogs), base + ".log")};
  return {};
}

std::vector<std::string> TargetsForUnitFile(const std::string& source, const std::string& documentsFolder) {
  const SECFileSystem files;
  const std::string extension = Lower(files.ExtensionOf(source));
  std::string targetExtension;
  if (extension == "upt" || extension == "rte") {
    targetExtension = "wpt";
  } else if (extension == "log") {
    targetExtension = "trk";
  } else {
    return {};
  }
  return {files.JoinPath(documentsFolder, files.StemOf(source) + '.' + targetExtension)};
}
