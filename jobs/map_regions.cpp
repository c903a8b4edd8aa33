// The map region catalogue.
#include "jobs/map_regions.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>

#include "formats/ascii_case.h"
#include "formats/file_kinds.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "storage/entry_names.h"
#include "storage/file_identity.h"
#include "storage/file_system.h"
#include "storage/unit_device.h"

void CMapRegionArray::InsertByDate(CMapRegionEntry entry) {
  const auto place = std::find_if(m_entries.begin(), m_entries.end(),
                                  [&](const CMapRegionEntry& each) { return each.created <= entry.created; });
  m_entries.insert(place, std::move(entry));
}

bool CMapRegionArray::IsNewPath(const std::string& path) const {
  return std::none_of(m_entries.begin(), m_entries.end(),
                      [&](const CMapRegionEntry& each) { return EqualIgnoringCase(each.path, path); });
}

CMapRegionEntry MakeRegionEntry(const std::string& path) {
  const SECFileSystem fs;
  CMapRegionEntry entry;
  entry.path = path;
  if (!fs.QueryFileSize(path, entry.size)) entry.size = 0;
  if (!fs.QueryCreationTime(path, entry.created)) entry.created = 0;
  return entry;
}

void LoadRegions(const std::vector<std::string>& folders, CMapRegionArray& regions) {
  regions.RemoveAll();
  SECFileSystem fs;
  const std::vector<EFileKind> maps = KindsOnSide(EFileSide::kMap);
  for (const std::string& folder : folders) {
    for (const EFileKind kind : maps) {
      for (const std::string_view extension : FileKindRow(kind).extensions) {
        const std::string pattern = fs.JoinPath(folder, "*." + std::string(extension));
        for (const std::string& path : fs.ListFiles(pattern, SECFileSystem::kFilterAll, true)) {
          regions.InsertByDate(MakeRegionEntry(path));
        }
      }
    }
  }
}

std::string FormatMegabytes(std::uint64_t bytes) {
  // to_chars rounds as printf's "%.1lf" does but never writes a locale's decimal comma, so the
  // text reads back the same in every locale the wizard may run in.
  char text[64];
  const auto result =
      std::to_chars(text, text + sizeof text, static_cast<double>(bytes) / 1000000.0, std::chars_format::fixed, 1);
  return std::string(text, result.ptr);
}

std::string FormatSizeText(const std::string& format, std::uint64_t bytes) {
  static const std::string kField = "%.1lf";
  const std::string number = FormatMegabytes(bytes);
  const auto field = format.find(kField);
  if (field == std::string::npos) return format.empty() ? number : format + ' ' + number;
  std::string text = format;
  text.replace(field, kField.size(), number);
  return text;
}

std::string FormatRegionDate(std::int64_t createdNs) {
  // Floor division, so that a time before 1970 falls into the right second.
  std::int64_t seconds = createdNs / 1'000'000'000;
  if (createdNs % 1'000'000'000 < 0) --seconds;
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!platform::ToLocalTime(time, local)) return {};
  // Written out rather than through strftime("%x"), which follows the process's locale: the
  // wizard's toolkit switches that to the user's, and the list shows the "C" form.
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d", local.tm_mon + 1, local.tm_mday,
                ((local.tm_year % 100) + 100) % 100);
  return text;
}

double LeadingNumber(const std::string& text) {
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  if (start < text.size() && text[start] == '+') ++start;
  double value = 0;
  const auto result = std::from_chars(text.data() + start, text.data() + text.size(), value);
  return result.ec == std::errc() ? value : 0.0;
}

bool FitsAsDisplayed(const std::string& availableText, const std::string& totalText) {
  return LeadingNumber(availableText) >= LeadingNumber(totalText);
}

SRegionFolders RegionFoldersOn(const std::string& destination) {
  SRegionFolders folders;
  if (destination.empty()) return folders;
  // A record of its own for the destination: the wizard's unit record may name another drive
  // (the last one its search examined), and the regions must go where the space was checked.
  CUnitDevice device;
  device.SetDrive(destination);
  CUnitDevice defaults;
  SECFileSystem fs;
  const auto folderOf = [&](int kind) {
    // A language file that leaves a kind unnamed must not put the regions on the volume's root.
    if (device.GetUnitFolder(kind, false).empty()) {
      const std::string name = defaults.GetUnitFolder(kind, false);
      return fs.JoinPath(destination, MatchEntryName(destination, name));
    }
    return device.GetUnitFolder(kind, true);
  };
  folders.background = folderOf(CUnitDevice::kBackgroundMaps);
  folders.detail = folderOf(CUnitDevice::kDetailMaps);
  return folders;
}

std::string RegionTarget(const std::string& regionPath, const SRegionFolders& folders) {
  const SECFileSystem fs;
  const std::string name = fs.FileNameOf(regionPath);
  const std::optional<EFileKind> kind = FileKindOf(name);
  const bool detail = kind && Holds(*kind, kHoldsDetailMap);
  return fs.JoinPath(detail ? folders.detail : folders.background, name);
}

void FillRegionPairs(const std::vector<std::string>& regionPaths, const std::string& destination, CFilePairs& pairs) {
  pairs.Clear();
  if (destination.empty()) return;
  const SRegionFolders folders = RegionFoldersOn(destination);
  for (const std::string& path : regionPaths) pairs.Set(RegionTarget(path, folders), path);
}

ERegionRefusal RegionRefusal(const CMapRegionEntry& region, const std::string& target, std::uint64_t maxFileSize) {
  if (IsSameFile(region.path, target)) return ERegionRefusal::kSameFile;
  if (region.size > 0 && static_cast<std::uint64_t>(region.size) > maxFileSize) return ERegionRefusal::kTooLarge;
  return ERegionRefusal::kNone;
}

std::uint64_t AddedSize(const CMapRegionEntry& region, const std::string& target) {
  const std::uint64_t size = region.size > 0 ? static_cast<std::uint64_t>(region.size) : 0;
  platform::SFileStatus existing;
  if (target.empty() || !platform::GetFileStatus(target, existing) || !existing.regular) return size;
  const std::uint64_t old = existing.size;
  return size > old ? size - old : 0;
}
