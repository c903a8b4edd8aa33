// Targets of the conversion job that are there already: the rows the file selection page marks,
// those it asks about before the job, and the numbered names that keep both files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Whether anything is at the path (a file, a folder, a link, even one that points nowhere): the
// job would replace it, or fail on it.
bool TargetExists(const std::string& target);

// The rows to ask about before the job: targets that exist and lie off the unit (outside its
// drive, which in test mode is the folder standing in for it). A file replaced on the unit is an
// updated file sent, as users expect; on the computer it may be the user's own work, holding what
// the new file does not. Rows named in the save dialog are left out: it asked before it let an
// existing file be chosen.
std::vector<std::size_t> RowsToConfirm(const std::vector<std::string>& targets, const std::vector<bool>& namedInDialog,
                                       const std::string& unitDrive);

// The targets, each of the given rows renamed to the first numbered name ("<folder><base>_<n>.<ext>")
// that is free under UniqueTargetName's rules (no row, no source) and names no existing file.
std::vector<std::string> KeepBothNames(std::vector<std::string> targets, const std::vector<std::size_t>& rows,
                                       const std::vector<std::string>& sources);
