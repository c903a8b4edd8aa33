// The names of the files a conversion produces.
#include "jobs/target_naming.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "storage/unit_device.h"
#include "tests/temp_folder.h"

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

// A run names an output, writes it over an older file, then names the next: however the next is
// spelled, it is another name.
TEST(TargetNamesTest, AWrittenOutputHoldsItsNameUnderEverySpelling) {
  const CTempFolder temp;
  const std::string g = temp.Path() + "/g";
  std::vector<std::string> spellings = {"/g/../g/", "/g/./", "/g//"};
  // A link needs a privilege on Windows that tests do not have: there the spellings go without it.
  std::error_code noLink;
  std::filesystem::create_symlink(g, temp.Path() + "/gl", noLink);
  if (!noLink) spellings.push_back("/gl/");
  for (const std::string& spelling : spellings) {
    temp.File("g/a.wpt", "an older file");
    CTargetNames names({g + "/a.upt", temp.Path() + spelling + "a.rte"});
    ASSERT_EQ(names.Claim(g + "/a.wpt"), g + "/a.wpt");
    temp.File("g/a.wpt.new", "the conversion");
    std::filesystem::rename(g + "/a.wpt.new", g + "/a.wpt");
    EXPECT_EQ(names.Claim(temp.Path() + spelling + "a.wpt"), temp.Path() + spelling + "a_1.wpt");
  }
}

// A numbered name fits the folder's limit of 255 bytes: the base gives way, at a character's end.
TEST(TargetNamesTest, ANumberedNameFitsTheFolder) {
  const CTempFolder temp;
  const std::string folder = temp.Path() + "/";
  const std::string e = "\xC3\xA9";  // é, two bytes
  std::string accented;              // 248 bytes
  for (int i = 0; i < 124; ++i) accented += e;
  const struct {
    std::string stem;
    int claims;
    std::string expected;  // the name of the last claim
  } cases[] = {
      {"trip", 2, "trip_1.log"},
      {std::string(249, 'a'), 2, std::string(249, 'a') + "_1.log"},  // 255 bytes exactly
      {std::string(250, 'a'), 2, std::string(249, 'a') + "_1.log"},
      {std::string(251, 'a'), 11, std::string(248, 'a') + "_10.log"},
      // 250 bytes of é: "_1.log" leaves room for 249, which would cut the last é in two.
      {accented + e, 2, accented + "_1.log"},
  };
  for (const auto& c : cases) {
    CTargetNames names;
    std::string name;
    for (int i = 0; i < c.claims; ++i) name = names.Claim(folder + c.stem + ".log");
    EXPECT_EQ(name, folder + c.expected) << c.stem.size() << " bytes, " << c.claims << " claims";
  }
}

class TargetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_temp.Path().empty());
    m_drive = m_temp.Path();
    m_unit.SetDrive(m_drive);
  }
  void WriteLanguageFile(const std::string& text) {
    std::filesystem::create_directories(m_drive + "/USBTRANS");
    std::ofstream(m_drive + "/USBTRANS/LANGUAGE.DAT", std::ios::binary) << text;
  }

  CTempFolder m_temp;
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
