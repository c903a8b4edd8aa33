// transvane-cli devices: the removable drives, whether each is ready, its free space, and the unit.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/json_value.h"
#include "cli/terminal_text.h"
#include "jobs/map_regions.h"
#include "storage/removable_drives.h"
#include "storage/unit_device.h"

namespace {

// Not printf: the drive source may switch the process to the user's locale (QtDBus's application
// object does), where "%.1lf" would write a decimal comma.
std::string Megabytes(std::uint64_t bytes) { return FormatMegabytes(bytes) + " MB"; }

// The column titles of the listing, for a line of its own above it.
constexpr char kTitles[] =
    "MOUNTPOINT\tMEDIA\tFREE\tUNIT\tMODEL\tBACKGROUNDMAPS\tDETAILMAPS\tMYPOIS\tROUTES\tTRACKLOGS";
// The keys of the unit's folders in JSON, in the order of CUnitDevice's folder kinds.
constexpr const char* kFolderKeys[CUnitDevice::kFolderCount] = {"backgroundMaps", "detailMaps", "myPois", "routes",
                                                                "trackLogs"};

// A line of column titles, then one line per drive, fields separated by tabs: mount point,
// "ready" or "not ready", free space, and for the unit "unit", its model and its five folder
// names. With json: {"devices": [{"mountPoint", "ready", "freeBytes", "unit": null or {"model",
// "folders": {"backgroundMaps", "detailMaps", "myPois", "routes", "trackLogs"}}}]}.
void RunDevices(const std::string& sysroot, bool json, int& status) {
  const auto access = CreateDriveAccess(sysroot);
  CUnitDevice unit(access.get());
  const auto drives = access->EnumerateRemovableDrives();
  if (!json && !drives.empty()) PrintText(stdout, "%s\n", kTitles);
  CJsonArray list;
  for (const CRemovableDrive& drive : drives) {
    const bool ready = access->IsMediaReady(drive);
    const std::uint64_t free = access->QueryTotalFreeBytes(drive);
    // Every field from a volume (its mount point, the unit's own files) is escaped: a tab or an
    // escape sequence in one must neither split the line nor drive the terminal.
    std::string line = ShownPath(drive.rootPath) + (ready ? "\tready\t" : "\tnot ready\t") + Megabytes(free);
    CJsonObject device{{"mountPoint", drive.rootPath},
                       {"ready", ready},
                       {"freeBytes", static_cast<std::int64_t>(free)},
                       {"unit", CJsonValue()}};
    unit.SetDrive(drive.rootPath);
    std::string model;
    if (ready && unit.CheckIdentity() && unit.LookupIdentity("Model", model)) {
      line += "\tunit\t" + EscapeForTerminal(model);
      CJsonObject folders;
      for (int kind = 0; kind < CUnitDevice::kFolderCount; ++kind) {
        const std::string folder = unit.GetUnitFolder(kind, false);
        line += '\t' + EscapeForTerminal(folder);
        folders[kFolderKeys[kind]] = folder;
      }
      device["unit"] = CJsonObject{{"model", model}, {"folders", folders}};
    }
    if (json) {
      list.push_back(device);
    } else {
      PrintText(stdout, "%s\n", line.c_str());
    }
  }
  if (json) {
    WriteText(stdout, CJsonValue(CJsonObject{{"devices", list}}).Document());
  }
  if (drives.empty()) PrintText(stderr, "no removable drive found\n");
  status = drives.empty() ? 1 : 0;
}

}  // namespace

void AddDevicesCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "devices", "List the removable drives and recognise the unit among them, under a line of column titles");
  auto sysroot = std::make_shared<std::string>("/");
  if (kSysrootHelp != nullptr) command->add_option("--sysroot", *sysroot, kSysrootHelp)->check(CLI::ExistingDirectory);
  auto json = std::make_shared<bool>(false);
  command->add_flag("--json", *json, "Print the drives as JSON, for scripts (see the manual page)");
  command->callback([sysroot, json, &status] { RunDevices(*sysroot, *json, status); });
}
