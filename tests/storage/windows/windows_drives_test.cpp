// The Windows drive decisions on recorded answers. Wine cannot give these answers: it reports no
// drive as removable or renamable, and answers every media check with ERROR_NOT_SUPPORTED.
#include "storage/windows/windows_drives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/storage/windows/recorded_storage_api.h"

namespace {

using ::testing::ElementsAre;
constexpr std::uint32_t kDrive = kShellRemovable | kShellCanRename;

CRemovableDrive Drive(const std::string& root) {
  CRemovableDrive drive;
  drive.rootPath = root;
  return drive;
}

TEST(WindowsDrivesTest, ListsRemovableRenamableDriveRootsWithoutFloppies) {
  CRecordedStorageApi api;
  api.drivesFolder = {
      {true, kShellCanRename, true, "C:\\"},  // a fixed disk
      {true, kDrive, true, "F:\\"},
      {true, kDrive, true, "e:\\"},
      {true, kShellRemovable, true, "G:\\"},  // an empty card slot cannot be renamed
      {true, kDrive, true, "A:\\"},
      {true, kDrive, true, "b:\\"},
      // A phone is removable and renamable too, but no volume.
      {true, kDrive, true,
       "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\\\\\?\\usb#vid_091e&pid_2585#0000e1a2#{6ac27878}"},
      {false, kDrive, true, "I:\\"},  // attributes that could not be read
      {true, kDrive, false, "J:\\"},  // nor the name
  };
  api.volumeInformation["F:\\"] = {"NORVANTIS", "FAT32"};
  CWindowsDrives drives(api);
  std::vector<std::string> listed;
  for (const CRemovableDrive& drive : drives.EnumerateRemovableDrives()) listed.push_back(drive.rootPath + drive.label);
  EXPECT_THAT(listed, ElementsAre("e:\\", "F:\\NORVANTIS"));  // by drive letter

  api.drivesFolderReachable = false;
  EXPECT_TRUE(drives.EnumerateRemovableDrives().empty());
  EXPECT_EQ(api.calls, "");  // listing opens no volume
}

TEST(WindowsDrivesTest, MediaIsReadyWhenTheVolumeAnswersOrIsHeldByAnotherProgram) {
  const struct {
    std::uint32_t open, check;
    bool ready;
  } cases[] = {
      {kWin32Success, kWin32Success, true},
      {kWin32Success, kWin32NotReady, false},  // an empty card reader slot
      {kWin32Success, kWin32SharingViolation, true},
      {kWin32SharingViolation, kWin32Success, true},  // held exclusively: media is there
      {kWin32AccessDenied, kWin32Success, false},
  };
  for (const auto& c : cases) {
    CRecordedStorageApi api;
    api.volumes['E'] = {c.open, {{EVolumeControl::kCheckVerify, {c.check}}}};
    EXPECT_EQ(CWindowsDrives(api).IsMediaReady(Drive("E:\\")), c.ready) << c.open << " " << c.check;
    EXPECT_EQ(api.calls, c.open == kWin32Success ? "open E read, check-verify, close" : "open E read, ");
  }
  CRecordedStorageApi api;
  for (const char* root : {"", "/media/ann/UNIT", "\\\\server\\share", "E:\\x"}) {
    EXPECT_FALSE(CWindowsDrives(api).IsMediaReady(Drive(root))) << root;
    EXPECT_EQ(CWindowsDrives(api).RequestEject(root), EEjectResult::Unsupported) << root;
  }
  EXPECT_EQ(api.calls, "");
}

TEST(WindowsDrivesTest, EjectLocksDismountsAllowsRemovalThenEjects) {
  using E = EVolumeControl;
  const std::string open = "open E read-write, ";
  const std::string allSteps = open + "lock, dismount, allow-removal, eject, close";
  const std::string retry = "lock, pause 200, ";
  // Each case makes one request answer otherwise than success.
  const struct {
    std::uint32_t open;
    E control;
    std::vector<std::uint32_t> answers;
    EEjectResult result;
    std::string calls;
  } cases[] = {
      {kWin32Success, E::kLock, {}, EEjectResult::Ejected, allSteps},
      {kWin32Success,
       E::kLock,
       {kWin32AccessDenied, kWin32AccessDenied, kWin32Success},
       EEjectResult::Ejected,
       open + retry + retry + "lock, dismount, allow-removal, eject, close"},
      // A program keeps a file open: the volume stays as it is.
      {kWin32Success,
       E::kLock,
       {kWin32AccessDenied},
       EEjectResult::Refused,
       open + retry + retry + retry + retry + "lock, close"},
      {kWin32Success, E::kDismount, {kWin32AccessDenied}, EEjectResult::Refused, open + "lock, dismount, close"},
      {kWin32Success, E::kAllowRemoval, {kWin32InvalidFunction}, EEjectResult::Ejected, allSteps},
      {kWin32Success, E::kEject, {kWin32NotSupported}, EEjectResult::Unsupported, allSteps},
      {kWin32Success, E::kEject, {kWin32InvalidFunction}, EEjectResult::Unsupported, allSteps},
      {kWin32Success, E::kEject, {kWin32NotReady}, EEjectResult::Refused, allSteps},
      {kWin32AccessDenied, E::kLock, {}, EEjectResult::Refused, open},
      {kWin32SharingViolation, E::kLock, {}, EEjectResult::Refused, open},
      {kWin32PathNotFound, E::kLock, {}, EEjectResult::Unsupported, open},
  };
  for (const auto& c : cases) {
    for (const char* root : {"E:\\", "e:", "E:/"}) {
      CRecordedStorageApi api;
      api.volumes['E'].openError = c.open;
      api.volumes['E'].answers[c.control] = c.answers;
      EXPECT_EQ(CWindowsDrives(api).RequestEject(root), c.result) << c.calls;
      EXPECT_EQ(api.calls, c.calls) << root;
    }
  }
}

TEST(WindowsDrivesTest, FreeSpaceAndFileSizeLimitOfAVolume) {
  CRecordedStorageApi api;
  api.freeBytes["E:\\"] = 5'000'000'000;
  EXPECT_EQ(CWindowsDrives(api).QueryTotalFreeBytes(Drive("E:\\")), 5'000'000'000u);
  EXPECT_EQ(CWindowsDrives(api).QueryTotalFreeBytes(Drive("F:\\")), 0u);

  api.volumeInformation = {{"E:\\", {"", "FAT32"}}, {"F:\\Maps", {"", "FAT"}}, {"G:\\", {"", "exFAT"}}};
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"E:\\", kFatMaxFileSize}, {"F:\\Maps", kFatMaxFileSize}, {"G:\\", kNoFileSizeLimit}};
  for (const auto& [path, max] : cases) {
    SVolumeType type;
    ASSERT_TRUE(QueryVolumeType(api, path, type)) << path;
    EXPECT_EQ(MaxFileSize(type), max) << path;
  }
  SVolumeType type;
  EXPECT_FALSE(QueryVolumeType(api, "H:\\", type));
}

}  // namespace
