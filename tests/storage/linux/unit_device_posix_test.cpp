// The unit's files where only POSIX systems can set the scene: a pipe in place of a key file, and a
// volume that fills up in the middle of a copy.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "storage/unit_device.h"
#include "tests/child_process.h"
#include "tests/storage/unit_device_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST_F(UnitDeviceTest, AKeyFileThatIsAPipeIsNotWaitedOn) {
  const std::string volume = Volume("NORVANTIS");
  CUnitDevice unit;
  unit.SetDrive(volume);
  fs::create_directories(volume + "/USBTRANS");
  ASSERT_EQ(::mkfifo((volume + "/USBTRANS/LANGUAGE.DAT").c_str(), 0600), 0);
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kRoutes, false), "Routes");
}

// The volume fills up in the middle of the copy: a size limit makes the write fail for real.
TEST_F(UnitDeviceTest, AVolumeThatFillsUpKeepsTheOldFile) {
  const std::string volume = UnitVolume("NORVANTIS");
  const std::string source = m_root + "/big.log";
  Write(source, std::string(1024 * 1024, 'x'));
  const std::string target = volume + "/Track Logs/big.log";
  Write(target, "old log");

  EXPECT_EQ(ExitStatusInChild([&] {
              if (!LimitFileSize(64 * 1024)) return 4;
              CUnitDevice unit;
              unit.SetDrive(volume);
              return unit.CopyFileToUnit(source, target) ? 0 : 3;
            }),
            3);
  EXPECT_EQ(Read(target), "old log");
  EXPECT_EQ(std::distance(fs::directory_iterator(volume + "/Track Logs"), fs::directory_iterator()), 1);
}

}  // namespace
