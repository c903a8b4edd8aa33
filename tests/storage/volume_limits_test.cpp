// What a volume's file system allows a single file: FAT holds none of 4 GiB.
#include "storage/volume_limits.h"

#include <gtest/gtest.h>
#include <linux/magic.h>

#include <filesystem>

#include "tests/storage/fat_volume.h"

namespace {

TEST(VolumeLimitsTest, FatHoldsFilesUnder4GiBOthersHaveNoLimit) {
  const struct {
    SVolumeType type;
    std::uint64_t max;
  } cases[] = {
      {{MSDOS_SUPER_MAGIC, ""}, kFatMaxFileSize},
      {{MSDOS_SUPER_MAGIC, "vfat"}, kFatMaxFileSize},
      {{FUSE_SUPER_MAGIC, "fuse.fusefat"}, kFatMaxFileSize},
      {{0, "msdos"}, kFatMaxFileSize},
      {{EXFAT_SUPER_MAGIC, "exfat"}, kNoFileSizeLimit},
      {{FUSE_SUPER_MAGIC, "fuse.exfat"}, kNoFileSizeLimit},
      {{EXT4_SUPER_MAGIC, "ext4"}, kNoFileSizeLimit},
      {{0, ""}, kNoFileSizeLimit},
  };
  for (const auto& c : cases) EXPECT_EQ(MaxFileSize(c.type), c.max) << c.type.magic << " " << c.type.mountType;
  EXPECT_EQ(kFatMaxFileSize, (std::uint64_t{4} << 30) - 1);
}

TEST(VolumeLimitsTest, ARealFatVolumeIsKnownByItsMountType) {
  SVolumeType type;
  ASSERT_TRUE(QueryVolumeType(std::filesystem::temp_directory_path().string(), type));
  EXPECT_NE(type.mountType, "");
  EXPECT_FALSE(QueryVolumeType("/no/such/folder", type));

  std::string folder = (std::filesystem::temp_directory_path() / "fat_XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  {
    const CFatVolume fat(folder, 40);
    if (!fat.Unavailable().empty()) {
      std::filesystem::remove_all(folder);
      GTEST_SKIP() << "no FAT32 volume can be mounted here: " << fat.Unavailable();
    }
    ASSERT_TRUE(QueryVolumeType(fat.Path(), type));
    EXPECT_EQ(type.mountType, "fuse.fusefat");
    EXPECT_EQ(MaxFileSize(type), kFatMaxFileSize);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
