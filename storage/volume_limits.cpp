// What a volume's file system allows a single file.
#include "storage/volume_limits.h"

namespace {

// statfs's type of the kernel's vfat and msdos drivers (MSDOS_SUPER_MAGIC), written out so that
// this rule builds where there is no Linux header.
constexpr std::int64_t kMsdosMagic = 0x4d44;
// Linux mount types, then the names Windows gives FAT volumes (FAT12 and FAT16 say "FAT").
constexpr const char* kFatTypes[] = {"vfat", "msdos", "fuse.fusefat", "FAT", "FAT32"};

}  // namespace

std::uint64_t MaxFileSize(const SVolumeType& type) {
  if (type.magic == kMsdosMagic) return kFatMaxFileSize;
  for (const char* fat : kFatTypes) {
    if (type.mountType == fat) return kFatMaxFileSize;
  }
  return kNoFileSizeLimit;
}
