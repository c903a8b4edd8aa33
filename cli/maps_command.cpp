// transvane-cli maps: lists the desktop product's map regions and copies chosen ones to a drive.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/console_progress.h"
#include "cli/json_value.h"
#include "cli/report_printer.h"
#include "cli/terminal_text.h"
#include "formats/ascii_case.h"
#include "jobs/map_regions.h"
#include "jobs/map_transfer.h"
#include "platform/files.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "storage/block_copy.h"
#include "storage/file_system.h"
#include "storage/installations.h"
#include "storage/interruption.h"
#include "storage/volume_limits.h"

namespace {

CMapRegionArray ListRegions(const std::string& winePrefix, std::vector<std::string>* folders = nullptr) {
  CMapRegionArray regions;
  const std::vector<std::string> searched = CDesktopInstallations(winePrefix).FindRegionFolders();
  LoadRegions(searched, regions);
  if (folders != nullptr) *folders = searched;
  return regions;
}

// A time in nanoseconds since 1970 as UTC in ISO 8601 to the second ("2024-05-01T09:30:00Z");
// empty outside the years 1 to 9999, which the form cannot write.
std::string IsoUtcTime(std::int64_t nanoseconds) {
  using namespace std::chrono;
  const sys_seconds time = floor<seconds>(sys_time<milliseconds>(milliseconds(nanoseconds / 1'000'000)));
  const sys_days day = floor<days>(time);
  const year_month_day date(day);
  if (date.year() < year(1) || date.year() > year(9999)) return {};
  const hh_mm_ss<seconds> clock(time - day);
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

// The regions for scripts: {"regions": [{"name", "path", "size" (bytes), "created" (UTC, ISO 8601,
// null when unknown)}]}, newest first.
void PrintRegionsAsJson(const CMapRegionArray& regions) {
  const SECFileSystem fs;
  CJsonArray list;
  for (std::size_t i = 0; i < regions.Count(); ++i) {
    const CMapRegionEntry& entry = regions[i];
    list.push_back(CJsonObject{{"name", fs.FileNameOf(entry.path)},
                               {"path", entry.path},
                               {"size", static_cast<std::int64_t>(entry.size)},
                               {"created", entry.created == 0 ? CJsonValue() : IsoUtcTime(entry.created)}});
  }
  WriteText(stdout, CJsonValue(CJsonObject{{"regions", list}}).Document());
}

// A line of column titles, then one line per region, newest first, fields separated by tabs:
// name, size, date, full path; or with json the same as JSON. With none, where they were looked
// for.
void RunList(const std::string& winePrefix, bool json, int& status) {
  std::vector<std::string> folders;
  const CMapRegionArray regions = ListRegions(winePrefix, &folders);
  const SECFileSystem fs;
  if (json) PrintRegionsAsJson(regions);
  if (!json && regions.Count() != 0) PrintText(stdout, "NAME\tSIZE\tDATE\tPATH\n");
  for (std::size_t i = 0; !json && i < regions.Count(); ++i) {
    const CMapRegionEntry& entry = regions[i];
    PrintText(stdout, "%s\t%s\t%s\t%s\n", EscapeForTerminal(fs.FileNameOf(entry.path)).c_str(),
              FormatSizeText(BuiltInString(IDS_MEGABYTES), static_cast<std::uint64_t>(entry.size)).c_str(),
              FormatRegionDate(entry.created).c_str(), ShownPath(entry.path).c_str());
  }
  status = regions.Count() == 0 ? 1 : 0;
  if (regions.Count() != 0) return;
  const std::string prefix = ShownPath(CDesktopInstallations(winePrefix).Prefix());
  // No prefix: the product runs on this Windows itself, and its registry is the system's own.
  if (prefix.empty() && folders.empty()) {
    PrintText(stderr,
              "no map region found: the registry holds no installation of the desktop product "
              "(Software\\Tavrelin)\n");
  } else if (prefix.empty()) {
    PrintText(stderr, "no map region (*.imi, *.tdx) found in the installations of the desktop product:\n");
  } else if (folders.empty()) {
    PrintText(stderr,
              "no map region found: the Wine prefix %s registers no installation of the desktop product "
              "(Software\\Tavrelin in its system.reg or user.reg)\n",
              prefix.c_str());
  } else {
    PrintText(stderr, "no map region (*.imi, *.tdx) found in the installations of the Wine prefix %s:\n",
              prefix.c_str());
  }
  for (const std::string& folder : folders) PrintText(stderr, "  %s\n", ShownPath(folder).c_str());
  if (!prefix.empty()) {
    PrintText(stderr, "the desktop product may be in another prefix: name it with --wineprefix DIR\n");
  }
}

// A region named on the command line: a file's path, else the name of exactly one listed region
// (letter case ignored). False with the reason on standard error otherwise.
bool ResolveRegion(const std::string& argument, const CMapRegionArray& regions, std::string& path) {
  SECFileSystem fs;
  std::int64_t size = 0;
  if (fs.QueryFileSize(argument, size) && !fs.IsFolder(argument)) {
    path = argument;
    return true;
  }
  if (argument.find_first_of(platform::kPathSeparators) != std::string::npos) {
    PrintText(stderr, "%s: no such region file\n", ShownPath(argument).c_str());
    return false;
  }
  std::vector<std::string> found;
  for (std::size_t i = 0; i < regions.Count(); ++i) {
    if (EqualIgnoringCase(fs.FileNameOf(regions[i].path), argument)) found.push_back(regions[i].path);
  }
  if (found.size() == 1) {
    path = found.front();
    return true;
  }
  if (found.empty()) {
    PrintText(stderr, "%s: no region of that name (see transvane-cli maps list)\n", ShownPath(argument).c_str());
  } else {
    PrintText(stderr, "%s: several regions have that name; give the path of the one to copy:\n",
              ShownPath(argument).c_str());
    for (const std::string& each : found) PrintText(stderr, "  %s\n", ShownPath(each).c_str());
  }
  return false;
}

// Regions of the same file name go to the same target, where only the last one given can be:
// each such target is named with the regions left out. Answers how many were left out.
std::size_t ReportSharedNames(const std::vector<std::string>& paths, const std::string& destination,
                              const CFilePairs& pairs) {
  const SRegionFolders folders = RegionFoldersOn(destination);
  std::size_t leftOut = 0;
  for (const auto& pair : pairs) {
    std::vector<std::string> others;
    for (const std::string& path : paths) {
      if (path != pair.source && RegionTarget(path, folders) == pair.target) others.push_back(path);
    }
    if (others.empty()) continue;
    leftOut += others.size();
    PrintText(stderr, "%s: several regions have this file name; only %s is copied, not:\n",
              ShownPath(pair.target).c_str(), ShownPath(pair.source).c_str());
    for (const std::string& other : others) PrintText(stderr, "  %s\n", ShownPath(other).c_str());
  }
  return leftOut;
}

// No region may be the file it would replace, nor too large for the destination's file system.
bool AllRegionsCanGo(const CFilePairs& pairs, const std::string& destination) {
  SVolumeType volume;
  const std::uint64_t maxFileSize = QueryVolumeType(destination, volume) ? MaxFileSize(volume) : kNoFileSizeLimit;
  bool all = true;
  for (const auto& pair : pairs) {
    const CMapRegionEntry region = MakeRegionEntry(pair.source);
    switch (RegionRefusal(region, pair.target, maxFileSize)) {
      case ERegionRefusal::kNone:
        continue;
      case ERegionRefusal::kSameFile:
        PrintText(stderr, "%s: this is the region's own copy on the destination; it cannot be copied onto itself\n",
                  ShownPath(pair.source).c_str());
        break;
      case ERegionRefusal::kTooLarge:
        PrintText(stderr, "%s: %s MB, but the FAT32 file system of %s holds no file of 4 GiB or more\n",
                  ShownPath(pair.source).c_str(), FormatMegabytes(static_cast<std::uint64_t>(region.size)).c_str(),
                  ShownPath(destination).c_str());
        break;
    }
    all = false;
  }
  if (!all) PrintText(stderr, "nothing was copied\n");
  return all;
}

// What the regions add to the destination (an older copy being updated counts by what the new
// one adds) against its free space.
bool RegionsFit(const CFilePairs& pairs, const std::string& destination) {
  SECFileSystem fs;
  std::uint64_t total = 0;
  for (const auto& pair : pairs) total += AddedSize(MakeRegionEntry(pair.source), pair.target);
  const std::int64_t free = fs.QueryFreeBytes(destination);
  if (free < 0) {
    PrintText(stderr, "%s: cannot read the free space\n", ShownPath(destination).c_str());
    return false;
  }
  if (total > static_cast<std::uint64_t>(free)) {
    PrintText(stderr, "the regions need %s MB but %s has only %s MB free: nothing was copied\n",
              FormatMegabytes(total).c_str(), ShownPath(destination).c_str(),
              FormatMegabytes(static_cast<std::uint64_t>(free)).c_str());
    return false;
  }
  return true;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// What a cancel left: each file the copy had put in place, and the one it was copying.
void PrintCancelled(const STransferOutcome& cancelled) {
  PrintText(stderr, "cancelled: nothing more is copied\n");
  for (const std::string& target : cancelled.kept) {
    PrintText(stderr, "  kept, complete (it replaced an older copy): %s\n", ShownPath(target).c_str());
  }
  for (const std::string& target : cancelled.removed) {
    PrintText(stderr, "  removed (it was not there before): %s\n", ShownPath(target).c_str());
  }
  if (cancelled.stopped.empty()) return;
  if (Contains(cancelled.madeRoom, cancelled.stopped)) {
    PrintText(stderr, "  not copied, and its older copy was removed to make room (copy it again): %s\n",
              ShownPath(cancelled.stopped).c_str());
  } else {
    PrintText(stderr, "  not copied, left as it was: %s\n", ShownPath(cancelled.stopped).c_str());
  }
}

void RunCopy(const std::string& destination, const std::string& winePrefix, const std::vector<std::string>& arguments,
             int& status) {
  status = 1;
  const CMapRegionArray regions = ListRegions(winePrefix);
  std::vector<std::string> paths;
  for (const std::string& argument : arguments) {
    std::string path;
    if (!ResolveRegion(argument, regions, path)) return;
    paths.push_back(path);
  }

  CFilePairs pairs;
  FillRegionPairs(paths, destination, pairs);
  const std::size_t leftOut = ReportSharedNames(paths, destination, pairs);
  if (!AllRegionsCanGo(pairs, destination) || !RegionsFit(pairs, destination)) return;

  // The copy stops after the block in progress and takes back what it added; a second signal
  // ends it at once.
  const CCooperativeInterrupt interrupt;
  const bool terminal = IsTerminal(stderr);
  CStandardErrorReport report(terminal);
  CConsoleProgress progress(terminal, RunTransfer(pairs, nullptr, report));
  STransferOutcome outcome;
  RunTransfer(pairs, &progress, report, &outcome);
  progress.Finish();

  if (const int signal = CCooperativeInterrupt::Signal(); signal != 0) {
    PrintCancelled(outcome);
    status = InterruptExitStatus(signal);
    return;
  }
  for (const std::string& target : outcome.madeRoom) {
    PrintText(stdout,
              "%s: its older copy was removed just before the new one was written, as %s had no room for both\n",
              ShownPath(target).c_str(), ShownPath(destination).c_str());
  }
  const auto failed = static_cast<std::size_t>(report.Count());
  PrintText(stdout, "%zu region(s) copied to %s, %s MB; %zu failed\n", pairs.Count() - failed,
            ShownPath(destination).c_str(), FormatMegabytes(outcome.bytes).c_str(), failed);
  status = failed == 0 && leftOut == 0 ? 0 : 1;
}

}  // namespace

void AddMapsCommand(CLI::App& app, int& status) {
  auto* maps = app.add_subcommand("maps", "List the desktop product's map regions, or copy some to a drive");
  maps->require_subcommand(1);
  auto winePrefix = std::make_shared<std::string>();
  const char* prefixHelp = "The Wine prefix of the desktop product (default: $WINEPREFIX, else ~/.wine)";
  // Where the desktop product runs on the system itself (Windows), there is no prefix to name.
  const bool inPrefix = !CDesktopInstallations().Prefix().empty();

  auto* list = maps->add_subcommand(
      "list", "The regions, newest first, under a line of column titles: name, size, date, full path");
  if (inPrefix) list->add_option("--wineprefix", *winePrefix, prefixHelp)->check(CLI::ExistingDirectory);
  auto json = std::make_shared<bool>(false);
  list->add_flag("--json", *json, "Print the regions as JSON, for scripts (see the manual page)");
  list->callback([winePrefix, json, &status] { RunList(*winePrefix, *json, status); });

  auto destination = std::make_shared<std::string>();
  auto regions = std::make_shared<std::vector<std::string>>();
  auto* copy = maps->add_subcommand("copy", "Copy regions into the map folders of a drive, if they fit");
  copy->add_option("--to", *destination, kDestinationHelp)->required()->check(CLI::ExistingDirectory);
  if (inPrefix) copy->add_option("--wineprefix", *winePrefix, prefixHelp)->check(CLI::ExistingDirectory);
  copy->add_option("REGION", *regions, "A region file's path, or a region's name as listed")->required();
  copy->callback([destination, winePrefix, regions, &status] { RunCopy(*destination, *winePrefix, *regions, status); });
}
