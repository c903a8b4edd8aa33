// Tests of finding the unit, reading its identity and language files, and copying onto it.
#include "storage/unit_device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/storage/unit_device_fixture.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// Which identity files make a unit: the key's letter case does not matter, the value's does;
// nothing is trimmed; every line needs a '='.
TEST_F(UnitDeviceTest, RecognisesTheUnitByItsIdentityFile) {
  struct SCase {
    const char* text;
    bool unit;
  };
  const SCase cases[] = {
      {"MODEL=Vesk\n", true},
      {"model=Vesk", true},
      {"Model=Vesk\r\n", true},
      {"Serial=0042\r\nModel=Norvantis 200\r\nFirmware=2.1\r\n", true},
      {"Model=The Norvantis", true},
      {"Model = Vesk\n", false},
      {"Model= Vesk\n", false},
      {"Model=vesk\n", false},
      {"Model=norvantis\n", false},
      {"Model=Vesk=2\n", false},
      {"Model=Vesk\n\n", false},      // an empty line is a line without '='
      {"Model=Vesk\r\n\r\n", false},  // also with CR LF
      {"Model=Vesk\nnothing here\n", false},
      {"=Vesk\nModel=Vesk\n", false},  // an empty key
      {"Serial=1\n", false},
      {"", false},
      {"Model=Norvantis\n", true},
  };
  CUnitDevice unit;
  for (const SCase& c : cases) {
    const std::string volume = UnitVolume("v", c.text);
    unit.SetDrive(volume);
    EXPECT_EQ(unit.CheckIdentity(), c.unit) << c.text;
  }
}

TEST_F(UnitDeviceTest, FindsTheTransferFolderAndFilesWhateverTheirCase) {
  const std::string volume = Volume("NORVANTIS");
  Write(volume + "/usbtrans/Unit_Id.dat", "Model=Vesk\n");
  Write(volume + "/usbtrans/language.DAT", "MyPOIs=Mes POIs\n");
  CUnitDevice unit;
  unit.SetDrive(volume);
  EXPECT_TRUE(unit.CheckIdentity());
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, false), "Mes POIs");
}

TEST_F(UnitDeviceTest, LookupIgnoresTheKeysCaseAndTakesTheFirstEntry) {
  CUnitDevice unit;
  unit.SetDrive(UnitVolume("v", "MODEL=Norvantis 200\nmodel=Other\nSerial=A=B\n"));
  ASSERT_TRUE(unit.CheckIdentity());
  std::string value;
  EXPECT_TRUE(unit.LookupIdentity("model", value));
  EXPECT_EQ(value, "Norvantis 200");
  EXPECT_TRUE(unit.LookupIdentity("SERIAL", value));
  EXPECT_EQ(value, "A=B");
  EXPECT_FALSE(unit.LookupIdentity("Firmware", value));

  // A later file that cannot be read leaves nothing to look up.
  unit.SetDrive(UnitVolume("w", "Model=Norvantis\nbroken\n"));
  EXPECT_FALSE(unit.CheckIdentity());
  EXPECT_FALSE(unit.LookupIdentity("Model", value));
}

TEST_F(UnitDeviceTest, NoDriveIsNoUnit) {
  CUnitDevice unit;
  EXPECT_FALSE(unit.CheckIdentity());
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kRoutes, true), "");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kRoutes, false), "Routes");
  EXPECT_FALSE(unit.FindUnit());
  EXPECT_EQ(unit.RequestEject(), EEjectResult::Unsupported);
}

TEST_F(UnitDeviceTest, FindUnitListsReadyDrivesAndKeepsTheLastOneWithoutAUnit) {
  const std::string card = Volume("E");
  const std::string unitVolume = UnitVolume("F");
  CFakeDrives drives;
  CUnitDevice unit(&drives);
  std::vector<std::string> listed{"stale"};

  drives.volumes = {{card}, {unitVolume}};
  EXPECT_TRUE(unit.FindUnit(&listed));
  EXPECT_THAT(listed, ElementsAre(card, unitVolume));
  EXPECT_EQ(unit.Drive(), unitVolume);

  drives.volumes = {{unitVolume}, {card}};
  EXPECT_TRUE(unit.FindUnit(&listed));
  EXPECT_THAT(listed, ElementsAre(unitVolume, card));
  EXPECT_EQ(unit.Drive(), unitVolume);

  drives.volumes = {{card}};
  EXPECT_FALSE(unit.FindUnit(&listed));
  EXPECT_THAT(listed, ElementsAre(card));
  EXPECT_EQ(unit.Drive(), card);

  // Drives without media or without free space are passed over; `drive` keeps its value.
  drives.volumes = {{unitVolume, false}, {unitVolume + "/USBTRANS", true, 0}};
  EXPECT_FALSE(unit.FindUnit(&listed));
  EXPECT_TRUE(listed.empty());
  EXPECT_EQ(unit.Drive(), card);
  EXPECT_FALSE(unit.FindUnit());
}

// A unit is named by the model its identity file gives, any other drive by its label; the names
// are those of the last pass.
TEST_F(UnitDeviceTest, FindUnitNamesTheDrivesItSaw) {
  const std::string card = Volume("E");
  const std::string unitVolume = UnitVolume("F", "Model=Norvantis 200\n");
  const std::string other = UnitVolume("G", "Model=Tracker 9\n");
  const std::string broken = UnitVolume("H", "Model=Vesk\n\n");
  CFakeDrives drives;
  drives.volumes = {
      {card, true, 1, "MAPS"}, {unitVolume, true, 1, "NORVANTIS"}, {other, true, 1, "TRACKER"}, {broken, true, 1, "H"}};
  CUnitDevice unit(&drives);
  EXPECT_TRUE(unit.FindUnit());
  EXPECT_EQ(unit.DriveName(card), "MAPS");
  EXPECT_EQ(unit.DriveName(unitVolume), "Norvantis 200");
  EXPECT_EQ(unit.DriveName(other), "TRACKER") << "another device is not the unit";
  EXPECT_EQ(unit.DriveName(broken), "H") << "an unreadable identity file names nothing";
  std::string model;
  EXPECT_TRUE(unit.LookupIdentity("Model", model));
  EXPECT_EQ(model, "Norvantis 200") << "the identity read is still the unit's";

  drives.volumes = {{card, false, 1, "MAPS"}};
  EXPECT_FALSE(unit.FindUnit());
  EXPECT_EQ(unit.DriveName(card), "") << "not ready in the last pass";
}

TEST_F(UnitDeviceTest, FindUnitTakesTheFirstUnitOfTwo) {
  const std::string first = UnitVolume("F", "Model=Vesk\n");
  const std::string second = UnitVolume("G", "Model=Norvantis 300\n");
  CFakeDrives drives;
  drives.volumes = {{first}, {second}};
  CUnitDevice unit(&drives);
  EXPECT_TRUE(unit.FindUnit());
  EXPECT_EQ(unit.Drive(), first);
  // The pass stops reading identities once it found a unit.
  std::string model;
  EXPECT_TRUE(unit.LookupIdentity("Model", model));
  EXPECT_EQ(model, "Vesk");
}

TEST_F(UnitDeviceTest, FolderNamesComeFromTheLanguageFile) {
  const std::string volume = UnitVolume("NORVANTIS");
  CUnitDevice unit;
  unit.SetDrive(volume);
  const std::string language = volume + "/USBTRANS/LANGUAGE.DAT";

  Write(language, "MyPOIs=Mes POIs\n");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, false), "Mes POIs");
  for (int kind : {0, 1, 3, 4}) EXPECT_EQ(unit.GetUnitFolder(kind, false), "") << kind;
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, true), volume + "/Mes POIs");

  // Keys match without regard to case; a kind not mentioned keeps its name; other keys are ignored.
  Write(language, "routes=Itinéraires\r\nTRACKLOGS=Traces = journaux\r\nColour=Blue\r\n");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kRoutes, false), "Itinéraires");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kTrackLogs, false), "Traces = journaux");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, false), "Mes POIs");
  EXPECT_EQ(unit.GetUnitFolder(7, true), "");
  EXPECT_EQ(unit.GetUnitFolder(-1, false), "");

  // A file that cannot be read gives every kind its default name, even after a partial read.
  Write(language, "BackgroundMaps=Fonds\nno separator\n");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kBackgroundMaps, false), "Background Maps");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, true), volume + "/My POIs");
  fs::remove(language);
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kDetailMaps, false), "Detail Maps");
}

TEST_F(UnitDeviceTest, FolderNamesThatLeaveTheVolumeOrAreEmptyAreNotTaken) {
  const std::string volume = UnitVolume("NORVANTIS");
  Write(volume + "/USBTRANS/LANGUAGE.DAT",
        "MyPOIs=../../home/ann\nRoutes=a\\b\nTrackLogs=..\nDetailMaps=.\nBackgroundMaps=/etc\n");
  CUnitDevice unit;
  unit.SetDrive(volume);
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, true), volume + "/My POIs");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kRoutes, false), "Routes");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kTrackLogs, false), "Track Logs");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kDetailMaps, false), "Detail Maps");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kBackgroundMaps, false), "Background Maps");

  // An empty name would put the files at the volume's root.
  Write(volume + "/USBTRANS/LANGUAGE.DAT", "TrackLogs=\nRoutes=Itineraires\n");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kTrackLogs, true), volume + "/Track Logs");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kRoutes, false), "Itineraires");
}

TEST_F(UnitDeviceTest, AnExistingUnitFolderIsNamedAsOnTheVolume) {
  const std::string volume = UnitVolume("NORVANTIS");
  fs::create_directories(volume + "/MY POIS");
  CUnitDevice unit;
  unit.SetDrive(volume);
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, true), volume + "/MY POIS");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, false), "My POIs");
  EXPECT_EQ(unit.GetUnitFolder(CUnitDevice::kRoutes, true), volume + "/Routes");
}

TEST_F(UnitDeviceTest, FilesThatAreNotSmallTextFilesAreUnreadable) {
  const std::string volume = Volume("NORVANTIS");
  CUnitDevice unit;
  unit.SetDrive(volume);
  fs::create_directories(volume + "/USBTRANS/UNIT_ID.DAT");
  EXPECT_FALSE(unit.CheckIdentity());
  fs::remove(volume + "/USBTRANS/UNIT_ID.DAT");
  Write(volume + "/USBTRANS/UNIT_ID.DAT", "Model=Vesk\n" + std::string(2 * 1024 * 1024, 'x') + "=y\n");
  EXPECT_FALSE(unit.CheckIdentity());
}

TEST_F(UnitDeviceTest, CopyReplacesTheDestinationAndDoesNotEject) {
  const std::string volume = UnitVolume("NORVANTIS");
  CFakeDrives drives;
  drives.volumes = {{volume}};
  CUnitDevice unit(&drives);
  ASSERT_TRUE(unit.FindUnit());
  const std::string source = m_root + "/trip.upt";
  const std::string content = std::string(200000, 'a') + "\r\n$PTWPL,end\r\n";
  Write(source, content);
  const std::string target = unit.GetUnitFolder(CUnitDevice::kPointsOfInterest, true) + "/trip.upt";
  fs::create_directories(fs::path(target).parent_path());
  Write(target, "old");

  CDiagnostic why;
  ASSERT_TRUE(unit.CopyFileToUnit(source, target, &why)) << why.Reason();
  EXPECT_EQ(Read(target), content);
  EXPECT_TRUE(drives.ejected.empty());
  EXPECT_EQ(unit.RequestEject(), EEjectResult::Refused);
  EXPECT_THAT(drives.ejected, ElementsAre(volume));

  // Copying an empty file gives an empty file.
  Write(source, "");
  EXPECT_TRUE(unit.CopyFileToUnit(source, target));
  EXPECT_EQ(Read(target), "");
}

TEST_F(UnitDeviceTest, AFailedCopyLeavesTheOldFileAlone) {
  const std::string volume = UnitVolume("NORVANTIS");
  CUnitDevice unit;
  unit.SetDrive(volume);
  const std::string target = volume + "/Routes/trip.rte";
  Write(target, "old route");

  CDiagnostic why;
  EXPECT_FALSE(unit.CopyFileToUnit(m_root + "/missing.rte", target, &why));
  EXPECT_THAT(why.Reason(), ::testing::HasSubstr("missing.rte"));
  EXPECT_FALSE(unit.CopyFileToUnit(volume, target));  // a folder is no source
  Write(m_root + "/trip.rte", "new route");
  EXPECT_FALSE(unit.CopyFileToUnit(m_root + "/trip.rte", volume + "/No Such Folder/trip.rte"));
  EXPECT_EQ(Read(target), "old route");
  EXPECT_EQ(std::distance(fs::directory_iterator(volume + "/Routes"), fs::directory_iterator()), 1);
}

}  // namespace
