// What the jobs ask of the volume that holds a path: room for more, and getting written data onto
// its device.
#pragma once

#include <cstdint>
#include <string>

// Writes the cached data of the file system holding path to its device. True when it did.
bool SyncVolume(const std::string& path);

// The bytes the user may still write on the volume that holds path; 0 on failure.
std::uint64_t AvailableBytes(const std::string& path);
