// Targets of the conversion job that are there already.
#include "wizard/existing_targets.h"

#include "jobs/conversion_job.h"
#include "jobs/target_naming.h"
#include "storage/disk_entries.h"
#include "storage/unit_device.h"

bool TargetExists(const std::string& target) {
  SEntryStatus status;
  return QueryEntry(target, status, false);
}

std::vector<std::size_t> RowsToConfirm(const std::vector<std::string>& targets, const std::vector<bool>& namedInDialog,
                                       const std::string& unitDrive) {
  // Under the drive as the job tells a target on the unit, test mode or not.
  CUnitDevice unit;
  unit.SetDrive(unitDrive);
  SConversionContext onUnit;
  onUnit.unit = &unit;
  std::vector<std::size_t> rows;
  for (std::size_t row = 0; row < targets.size(); ++row) {
    if (row < namedInDialog.size() && namedInDialog[row]) continue;
    if (!IsTargetOnUnit(targets[row], onUnit) && TargetExists(targets[row])) rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> KeepBothNames(std::vector<std::string> targets, const std::vector<std::size_t>& rows,
                                       const std::vector<std::string>& sources) {
  for (const std::size_t row : rows) {
    // The row's own name is among the taken ones, so the answer is always a numbered name; an
    // existing file joins them until a free one comes.
    std::vector<std::string> taken = targets;
    std::string name = UniqueTargetName(targets[row], taken, sources);
    while (TargetExists(name)) {
      taken.push_back(name);
      name = UniqueTargetName(targets[row], taken, sources);
    }
    targets[row] = name;
  }
  return targets;
}
