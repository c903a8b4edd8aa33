// transvane-cli devices: the removable drives, whether each is ready, its free space, and the unit.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/core_application.h"
#include "cli/terminal_text.h"
#include "storage/removable_drives.h"
#include "storage/unit_device.h"
#include "wizard/map_regions.h"

namespace {

// Not printf: the Qt core object switches the process to the user's locale, where "%.1lf" would
// write a decimal comma.
std::string Megabytes(std::uint64_t bytes) { return FormatMegabytes(bytes) + " MB"; }

// One line per drive, fields separated by tabs: mount point, "ready" or "not ready", free space,
// and for the unit "unit", its model and its five folder names.
void RunDevices(const std::string& sysroot, int& status) {
  const auto application = CreateCoreApplicationIfNone();

  const auto access = CreateDriveAccess(sysroot);
  CUnitDevice unit(access.get());
  const auto drives = access->EnumerateRemovableDrives();
  for (const CRemovableDrive& drive : drives) {
    const bool ready = access->IsMediaReady(drive);
    // Every field from a volume (its mount point, the unit's own files) is escaped: a tab or an
    // escape sequence in one must neither split the line nor drive the terminal.
    std::string line = EscapeForTerminal(drive.rootPath) + (ready ? "\tready\t" : "\tnot ready\t") +
                       Megabytes(access->QueryTotalFreeBytes(drive));
    unit.SetDrive(drive.rootPath);
    std::string model;
    if (ready && unit.CheckIdentity() && unit.LookupIdentity("Model", model)) {
      line += "\tunit\t" + EscapeForTerminal(model);
      for (int kind = 0; kind < CUnitDevice::kFolderCount; ++kind) {
        line += '\t' + EscapeForTerminal(unit.GetUnitFolder(kind, false));
      }
    }
    std::printf("%s\n", line.c_str());
  }
  if (drives.empty()) std::fprintf(stderr, "no removable drive found\n");
  status = drives.empty() ? 1 : 0;
}

}  // namespace

void AddDevicesCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand("devices", "List the removable drives and recognise the unit among them");
  auto sysroot = std::make_shared<std::string>("/");
  command->add_option("--sysroot", *sysroot, "Read the mount table, sysfs and the volumes under this folder")
      ->check(CLI::ExistingDirectory);
  command->callback([sysroot, &status] { RunDevices(*sysroot, status); });
}
