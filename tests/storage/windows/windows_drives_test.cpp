// The Windows drive decisions on recorded answers: which shell items are drives, what counts as
// media, free space, the eject steps and what they achieved. Wine cannot give these answers (it
// reports no drive as removable or renamable, and no volume answers the media check), so they
// are recorded as Windows gives them.
#include "storage/windows/windows_drives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/storage/windows/recorded_storage_api.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::uint32_t kDrive = kShellRemovable | kShellCanRename;
// What Explorer shows under This PC besides removable drives.
constexpr std::uint32_t kFixedDisk = kShellCanRename;

CRecordedStorageApi::SItem Item(std::uint32_t attributes, const std::string& name) {
  return {{true, attributes, true, name}, true};
}

CRemovableDrive Drive(const std::string& root) {
  CRemovableDrive drive;
  drive.rootPath = root;
  return drive;
}

std::vector<std::string> Roots(const std::vector<CRemovableDrive>& drives) {
  std::vector<std::string> roots;
  for (const CRemovableDrive& drive : drives) roots.push_back(drive.rootPath + "|" + drive.label);
  return roots;
}

TEST(WindowsDrivesTest, ListsRemovableRenamableDriveRootsWithoutFloppies) {
  CRecordedStorageApi api;
  api.drivesFolder = {
      Item(kFixedDisk, "C:\\"),
      Item(kDrive, "F:\\"),
      Item(kDrive, "e:\\"),
      Item(kShellRemovable, "G:\\"),  // an empty card slot cannot be renamed
      Item(kDrive, "A:\\"),
      Item(kDrive, "b:\\"),
      // A phone is removable and renamable too, but no volume.
      Item(kDrive, "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\\\\\?\\usb#vid_091e&pid_2585#0000e1a2#{6ac27878-a6fa}"),
      Item(kDrive, "H:"),
      {{false, kDrive, true, "I:\\"}, true},  // attributes could not be read
      {{true, kDrive, false, "J:\\"}, true},  // nor the name
  };
  api.volumeInformation["F:\\"] = {"NORVANTIS", "FAT32"};
  CWindowsDrives drives(api);
  // In drive letter order, whatever the shell's; a drive whose volume does not answer has no label.
  EXPECT_THAT(Roots(drives.EnumerateRemovableDrives()), ElementsAre("e:\\|", "F:\\|NORVANTIS"));

  api.drivesFolderReachable = false;
  EXPECT_TRUE(drives.EnumerateRemovableDrives().empty());
  EXPECT_TRUE(api.calls.empty());  // listing opens no volume
}

TEST(WindowsDrivesTest, MediaIsReadyWhenTheVolumeAnswersOrIsHeldByAnotherProgram) {
  const struct {
    std::uint32_t open;
    std::uint32_t check;
    bool ready;
  } cases[] = {
      {kWin32Success, kWin32Success, true},
      {kWin32Success, kWin32NotReady, false},  // an empty card reader slot
      {kWin32Success, kWin32NotSupported, false},
      {kWin32Success, kWin32SharingViolation, true},
      {kWin32SharingViolation, kWin32Success, true},  // held exclusively: media is there
      {kWin32AccessDenied, kWin32Success, false},
      {kWin32FileNotFound, kWin32Success, false},
  };
  for (const auto& c : cases) {
    CRecordedStorageApi api;
    api.volumes['E'] = {c.open, {{EVolumeControl::kCheckVerify, {c.check}}}};
    CWindowsDrives drives(api);
    EXPECT_EQ(drives.IsMediaReady(Drive("E:\\")), c.ready) << c.open << " " << c.check;
    if (c.open == kWin32Success) {
      EXPECT_THAT(api.calls, ElementsAre("open E read", "check-verify", "close"));
    } else {
      EXPECT_THAT(api.calls, ElementsAre("open E read"));
    }
  }

  CRecordedStorageApi api;
  CWindowsDrives drives(api);
  for (const char* root : {"", "E", "/media/ann/UNIT", "\\\\server\\share", "EE:\\", "E:\\x"}) {
    EXPECT_FALSE(drives.IsMediaReady(Drive(root))) << root;
  }
  EXPECT_TRUE(api.calls.empty());
}

TEST(WindowsDrivesTest, FreeSpaceIsWhatTheUserMayWriteAndZeroOnFailure) {
  CRecordedStorageApi api;
  api.freeBytes["E:\\"] = 5'000'000'000;
  CWindowsDrives drives(api);
  EXPECT_EQ(drives.QueryTotalFreeBytes(Drive("E:\\")), 5'000'000'000u);
  EXPECT_EQ(drives.QueryTotalFreeBytes(Drive("F:\\")), 0u);
  EXPECT_EQ(drives.QueryTotalFreeBytes(Drive("")), 0u);
}

TEST(WindowsDrivesTest, EjectLocksDismountsAllowsRemovalThenEjects) {
  using E = EVolumeControl;
  const std::vector<std::string> allSteps = {"open E read-write", "lock",  "dismount",
                                             "allow-removal",     "eject", "close"};
  // Each case makes one request answer otherwise than success: in turn, the last one again.
  const struct {
    const char* what;
    std::uint32_t open;
    E control;
    std::vector<std::uint32_t> answers;
    EEjectResult result;
    std::vector<std::string> calls;
  } cases[] = {
      {"every step works", kWin32Success, E::kLock, {}, EEjectResult::Ejected, allSteps},
      {"a file is closed a moment later",
       kWin32Success,
       E::kLock,
       {kWin32AccessDenied, kWin32AccessDenied, kWin32Success},
       EEjectResult::Ejected,
       {"open E read-write", "lock", "pause 200", "lock", "pause 200", "lock", "dismount", "allow-removal", "eject",
        "close"}},
      {"a program keeps a file open",
       kWin32Success,
       E::kLock,
       {kWin32AccessDenied},
       EEjectResult::Refused,
       {"open E read-write", "lock", "pause 200", "lock", "pause 200", "lock", "pause 200", "lock", "pause 200", "lock",
        "close"}},
      {"dismount refused",
       kWin32Success,
       E::kDismount,
       {kWin32AccessDenied},
       EEjectResult::Refused,
       {"open E read-write", "lock", "dismount", "close"}},
      {"a device without a removal lock",
       kWin32Success,
       E::kAllowRemoval,
       {kWin32InvalidFunction},
       EEjectResult::Ejected,
       allSteps},
      {"a device that cannot eject",
       kWin32Success,
       E::kEject,
       {kWin32NotSupported},
       EEjectResult::Unsupported,
       allSteps},
      {"a device that knows no eject",
       kWin32Success,
       E::kEject,
       {kWin32InvalidFunction},
       EEjectResult::Unsupported,
       allSteps},
      {"eject fails", kWin32Success, E::kEject, {kWin32NotReady}, EEjectResult::Refused, allSteps},
      {"not allowed to open the volume",
       kWin32AccessDenied,
       E::kLock,
       {},
       EEjectResult::Refused,
       {"open E read-write"}},
      {"held by another program", kWin32SharingViolation, E::kLock, {}, EEjectResult::Refused, {"open E read-write"}},
      {"no such volume", kWin32PathNotFound, E::kLock, {}, EEjectResult::Unsupported, {"open E read-write"}},
  };
  for (const auto& c : cases) {
    for (const char* root : {"E:\\", "e:", "E:/"}) {
      CRecordedStorageApi api;
      api.volumes['E'].openError = c.open;
      api.volumes['E'].answers[c.control] = c.answers;
      CWindowsDrives drives(api);
      EXPECT_EQ(drives.RequestEject(root), c.result) << c.what << " " << root;
      EXPECT_THAT(api.calls, ElementsAreArray(c.calls)) << c.what << " " << root;
    }
  }

  CRecordedStorageApi api;
  CWindowsDrives drives(api);
  EXPECT_EQ(drives.RequestEject("F:\\"), EEjectResult::Unsupported);  // no volume at all
  api.calls.clear();
  for (const char* root : {"", "/media/ann/UNIT", "E:\\Maps"}) {
    EXPECT_EQ(drives.RequestEject(root), EEjectResult::Unsupported) << root;
  }
  EXPECT_TRUE(api.calls.empty());
}

TEST(WindowsDrivesTest, FatVolumesHoldNoFileOf4GiB) {
  CRecordedStorageApi api;
  api.volumeInformation = {
      {"E:\\", {"NORVANTIS", "FAT32"}}, {"F:\\Maps", {"", "FAT"}}, {"G:\\", {"CARD", "exFAT"}}, {"C:\\", {"", "NTFS"}}};
  const struct {
    const char* path;
    std::uint64_t max;
  } cases[] = {
      {"E:\\", kFatMaxFileSize}, {"F:\\Maps", kFatMaxFileSize}, {"G:\\", kNoFileSizeLimit}, {"C:\\", kNoFileSizeLimit}};
  for (const auto& c : cases) {
    SVolumeType type;
    ASSERT_TRUE(QueryVolumeType(api, c.path, type)) << c.path;
    EXPECT_EQ(MaxFileSize(type), c.max) << c.path;
  }
  SVolumeType type;
  EXPECT_FALSE(QueryVolumeType(api, "H:\\", type));
  EXPECT_FALSE(QueryVolumeType(api, "", type));
}

}  // namespace
