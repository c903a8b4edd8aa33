// What a volume's file system allows a single file: FAT cannot hold a file of 4 GiB, nor tell two
// names apart by their letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The file system of a volume. On Linux as statfs reports it and, for volumes served by a program
// (FUSE, where statfs says only "fuse"), as the mount table names it; on Windows by the name the
// volume gives itself.
struct SVolumeType {
  std::int64_t magic = 0;  // statfs's f_type; 0 on Windows
  // The mount table's type: "vfat", "exfat", "fuse.fusefat"...; on Windows the file system's name:
  // "FAT32", "exFAT", "NTFS"...; empty when unknown
  std::string mountType;
};

// The type of the volume that holds path; false when its status cannot be read.
bool QueryVolumeType(const std::string& path, SVolumeType& type);

// The largest file the volume can hold: 4 GiB - 1 byte on FAT (vfat, msdos, fusefat; Windows' FAT
// and FAT32), no limit (the largest number) elsewhere, exFAT included.
std::uint64_t MaxFileSize(const SVolumeType& type);

inline constexpr std::uint64_t kNoFileSizeLimit = UINT64_MAX;
inline constexpr std::uint64_t kFatMaxFileSize = 0xFFFFFFFFull;

// Whether the folder takes names without regard to letter case: on a FAT or exFAT volume (the
// kernel's or a FUSE driver) and in a folder with the case-folding attribute (ext4, f2fs, tmpfs).
// False when the folder cannot be looked at.
bool IgnoresLetterCase(const std::string& folder);

// The longest name, in bytes, that a file in the folder may have: the file system's own limit,
// never more than the system's (255). For a folder that does not exist yet, the limit of the
// deepest one of its levels that does.
std::size_t MaxNameLength(const std::string& folder);
