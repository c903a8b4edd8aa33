// The names of the files a conversion produces.
#include "wizard/target_naming.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "storage/unit_device.h"

namespace {

struct SUniqueCase {
  const char* candidate;
  std::vector<std::string> rows;
  const char* expected;
};

TEST(UniqueTargetNameTest, NumbersNamesThatARowBeginsWith) {
  const std::vector<SUniqueCase> cases = {
      {"/u/Routes/trip.rte", {}, "/u/Routes/trip.rte"},
      {"/u/Routes/trip.rte", {"/u/Routes/trip.rte"}, "/u/Routes/trip_1.rte"},
      {"/u/Routes/trip.rte", {"/u/Routes/trip.rte", "/u/Routes/trip_1.rte"}, "/u/Routes/trip_2.rte"},
      // Letter case is ignored, and a row that merely begins with the name holds it back too.
      {"/u/Routes/trip.rte", {"/U/ROUTES/TRIP.RTE"}, "/u/Routes/trip_1.rte"},
      {"/u/Routes/trip.rte", {"/u/Routes/trip.rte.old"}, "/u/Routes/trip_1.rte"},
      // A row that is only the beginning of the name does not.
      {"/u/Routes/trip.rte", {"/u/Routes/trip"}, "/u/Routes/trip.rte"},
      // The numbered name is checked again; a gap is filled.
      {"/u/a.log", {"/u/a.log", "/u/a_2.log"}, "/u/a_1.log"},
      // Backslash paths keep their separator and the stem keeps its inner dots.
      {"E:\\Routes\\my.trip.rte", {"E:\\Routes\\my.trip.rte"}, "E:\\Routes\\my.trip_1.rte"},
      // Another folder is another file.
      {"/u/POI/trip.upt", {"/u/Routes/trip.upt"}, "/u/POI/trip.upt"},
  };
  for (const SUniqueCase& c : cases) {
    EXPECT_EQ(UniqueTargetName(c.candidate, c.rows), c.expected) << c.candidate;
  }
}

class TargetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "targets_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_drive = pattern;
    m_unit.SetDrive(m_drive);
  }
  void TearDown() override { std::filesystem::remove_all(m_drive); }
  void WriteLanguageFile(const std::string& text) {
    std::filesystem::create_directories(m_drive + "/USBTRANS");
    std::ofstream(m_drive + "/USBTRANS/LANGUAGE.DAT", std::ios::binary) << text;
  }

  std::string m_drive;
  CUnitDevice m_unit;
};

TEST_F(TargetsTest, DesktopSourcesGoToTheUnitsFoldersByKind) {
  WriteLanguageFile("MyPOIs=Mes POIs\nRoutes=Itineraires\nTrackLogs=Traces\n");
  EXPECT_EQ(TargetsForDesktopFile("/home/ann/trip.wpt", m_unit, false),
            (std::vector<std::string>{m_drive + "/Mes POIs/trip.upt", m_drive + "/Itineraires/trip.rte"}));
  EXPECT_EQ(TargetsForDesktopFile("C:\\Docs\\Walk.TRK", m_unit, false),
            (std::vector<std::string>{m_drive + "/Traces/Walk.log"}));
  EXPECT_TRUE(TargetsForDesktopFile("/home/ann/trip.upt", m_unit, false).empty());
  EXPECT_TRUE(TargetsForDesktopFile("/home/ann/wpt", m_unit, false).empty());
}

TEST_F(TargetsTest, FoldersAreReadAnewForEverySource) {
  EXPECT_EQ(TargetsForDesktopFile("/d/a.trk", m_unit, false),
            (std::vector<std::string>{m_drive + "/Track Logs/a.log"}));
  WriteLanguageFile("TrackLogs=Tracks\n");
  EXPECT_EQ(TargetsForDesktopFile("/d/a.trk", m_unit, false), (std::vector<std::string>{m_drive + "/Tracks/a.log"}));
}

TEST_F(TargetsTest, TestModePutsEveryTargetIntoTheDrive) {
  WriteLanguageFile("MyPOIs=Mes POIs\nRoutes=Itineraires\n");
  EXPECT_EQ(TargetsForDesktopFile("/d/trip.wpt", m_unit, true),
            (std::vector<std::string>{m_drive + "/trip.upt", m_drive + "/trip.rte"}));
}

TEST(TargetsForUnitFileTest, UnitSourcesBecomeDesktopFilesInTheDocumentsFolder) {
  const std::string docs = "/wine/Vexlorn/Docs";
  EXPECT_EQ(TargetsForUnitFile("/u/My POIs/spots.upt", docs), (std::vector<std::string>{docs + "/spots.wpt"}));
  EXPECT_EQ(TargetsForUnitFile("/u/Routes/spots.RTE", docs), (std::vector<std::string>{docs + "/spots.wpt"}));
  EXPECT_EQ(TargetsForUnitFile("/u/Track Logs/day.log", docs), (std::vector<std::string>{docs + "/day.trk"}));
  EXPECT_TRUE(TargetsForUnitFile("/u/day.wpt", docs).empty());
  EXPECT_TRUE(TargetsForUnitFile("/u/day.", docs).empty());
}

}  // namespace
