// Tests of the removable drives read from the mount table and sysfs, on fake system trees.
#include "storage/linux/mount_table_drives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>

#include "tests/storage/fake_system_tree.h"

namespace {

using ::testing::ElementsAre;

TEST(MountInfoTest, ReadsFieldsAroundTheSeparatorAndDecodesEscapes) {
  const auto entries = ParseMountInfo(
      "36 35 98:0 / /mnt/a\\040b rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
      "37 35 8:17 /sub /media/tab\\011nl\\012back\\134slash rw - vfat /dev/sdb1 rw\n"
      "38 35 8:33 / /media/x rw shared:1 master:2 propagate_from:3 - vfat /dev/s\\040c rw\n"
      "39 35 8:34 / /media/keep\\4\\999\\ rw - vfat /dev/sdc2 rw\r\n");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].major, 98u);
  EXPECT_EQ(entries[0].minor, 0u);
  EXPECT_EQ(entries[0].mountPoint, "/mnt/a b");
  EXPECT_EQ(entries[0].fsType, "ext3");
  EXPECT_EQ(entries[1].root, "/sub");
  EXPECT_EQ(entries[1].mountPoint, "/media/tab\tnl\nback\\slash");
  EXPECT_EQ(entries[2].source, "/dev/s c");
  EXPECT_EQ(entries[2].minor, 33u);
  // Escapes that are not three octal digits stay as written.
  EXPECT_EQ(entries[3].mountPoint, "/media/keep\\4\\999\\");
}

TEST(MountInfoTest, SkipsLinesOfAnotherShape) {
  const char* bad[] = {
      "",
      "36 35 98:0 / /mnt rw master:1 ext3 /dev/root rw",  // no separator
      "36 35 98:0 / /mnt - ext3 /dev/root rw",            // too few fields before it
      "36 35 98:0 / /mnt rw - ext3",                      // too few after it
      "36 35 98-0 / /mnt rw - ext3 /dev/root rw",         // no device numbers
      "36 35 x:0 / /mnt rw - ext3 /dev/root rw",
      "36 35 99999999999:0 / /mnt rw - ext3 /dev/root rw",
      "36 35 8: / /mnt rw - ext3 /dev/root rw",
      "36 35 8:1 / relative rw - ext3 /dev/root rw",
      "-",
  };
  for (const char* line : bad) EXPECT_TRUE(ParseMountInfo(line).empty()) << line;
  EXPECT_EQ(ParseMountInfo("\n\n36 35 8:1 / /m rw - vfat /dev/a rw\n\n").size(), 1u);
}

TEST(MountTableDrivesTest, ListsRemovableUsbAndSdVolumesByMountPoint) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  CMountTableDrives drives(tree.Root() + "/");
  std::vector<std::string> roots;
  std::vector<std::string> devices;
  std::vector<std::string> labels;
  for (const CRemovableDrive& drive : drives.EnumerateRemovableDrives()) {
    roots.push_back(drive.rootPath);
    devices.push_back(drive.blockDevice);
    labels.push_back(drive.label);
    EXPECT_TRUE(drive.driveObject.empty());
  }
  // Left out: the fixed disk, built-in eMMC, the floppy, the bind mount, the second mount of the
  // unit and the file system without a disk.
  EXPECT_THAT(roots, ElementsAre(tree.Path("/media/ann/BACKUP DISK"), tree.Path("/media/ann/CARD"),
                                 tree.Path("/media/ann/NORVANTIS"), tree.Path("/media/ann/SDCARD")));
  EXPECT_THAT(devices, ElementsAre("/dev/sdd2", "/dev/sdb", "/dev/sdc1", "/dev/mmcblk0p1"));
  // From udev's links, whose names write a space as \x20.
  EXPECT_THAT(labels, ElementsAre("", "MAPS 2024", "NORVANTIS", ""));
  EXPECT_FALSE(drives.CanMountRemovableMedia());
}

TEST(MountTableDrivesTest, BindMountOfAFolderIsNotAVolume) {
  CFakeSystemTree tree;
  tree.AddDisk("pci0000:00/0000:00:1c.0/host2/target2:0:0/2:0:0:0", "sdb", 8, 16, true);
  tree.AddMount(8, 16, "/mnt/bind", "/mnt/bind", "/DCIM");
  EXPECT_TRUE(CMountTableDrives(tree.Root()).EnumerateRemovableDrives().empty());
  tree.AddMount(8, 16, "/media/card", "/media/card");
  const auto listed = CMountTableDrives(tree.Root()).EnumerateRemovableDrives();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].rootPath, tree.Path("/media/card"));
}

TEST(MountTableDrivesTest, NoMountTableMeansNoDrives) {
  CFakeSystemTree tree;
  EXPECT_TRUE(CMountTableDrives(tree.Root()).EnumerateRemovableDrives().empty());
  tree.WriteFile("/proc/self/mountinfo", std::string(5000, '\\') + "\n- - -\n\0\0garbage");
  EXPECT_TRUE(CMountTableDrives(tree.Root()).EnumerateRemovableDrives().empty());
}

TEST(MountTableDrivesTest, MediaIsReadyWhileMountedAndReachable) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  CMountTableDrives drives(tree.Root());
  const auto listed = drives.EnumerateRemovableDrives();
  ASSERT_EQ(listed.size(), 4u);
  const CRemovableDrive& card = listed[1];
  const CRemovableDrive& unit = listed[2];
  EXPECT_TRUE(drives.IsMediaReady(card));
  EXPECT_TRUE(drives.IsMediaReady(unit));

  // Other tests write to the same file system meanwhile: compare only while its free space stood still.
  const auto available = [&] {
    struct statvfs info {};
    EXPECT_EQ(::statvfs(unit.rootPath.c_str(), &info), 0);
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
  };
  std::uint64_t before = 0, reported = 0, after = 1;
  for (int attempt = 0; attempt < 20 && before != after; ++attempt) {
    before = available();
    reported = drives.QueryTotalFreeBytes(unit);
    after = available();
  }
  ASSERT_EQ(before, after) << "the file system's free space never stood still";
  EXPECT_EQ(reported, before);
  EXPECT_GT(reported, 0u);

  // The card is taken out: its line leaves the mount table, its folder stays behind.
  std::string table = tree.MountInfo();
  const auto line = table.find("/media/ann/CARD ");
  const auto start = table.rfind('\n', line) + 1;
  table.erase(start, table.find('\n', line) + 1 - start);
  tree.SetMountInfo(table);
  EXPECT_FALSE(drives.IsMediaReady(card));
  EXPECT_TRUE(drives.IsMediaReady(unit));

  // The mount point vanished while still listed.
  std::filesystem::remove_all(unit.rootPath);
  EXPECT_FALSE(drives.IsMediaReady(unit));
  EXPECT_EQ(drives.QueryTotalFreeBytes(unit), 0u);
  EXPECT_EQ(drives.QueryTotalFreeBytes(CRemovableDrive{}), 0u);
}

TEST(MountTableDrivesTest, EjectFlushesButCannotEject) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  CMountTableDrives drives(tree.Root());
  EXPECT_EQ(drives.RequestEject(tree.Path("/media/ann/NORVANTIS")), EEjectResult::Unsupported);
  EXPECT_EQ(drives.RequestEject(tree.Path("/nowhere")), EEjectResult::Unsupported);
}

TEST(DriveAccessFactoryTest, AnotherSystemRootAlwaysReadsItsMountTable) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  const auto drives = CreateDriveAccess(tree.Root());
  ASSERT_NE(drives, nullptr);
  EXPECT_FALSE(drives->CanMountRemovableMedia());
  EXPECT_EQ(drives->EnumerateRemovableDrives().size(), 4u);
}

}  // namespace
