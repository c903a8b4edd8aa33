// Golden files of the conversion: desktop files become unit files and unit files desktop files,
// byte for byte as make_conversion_fixtures.py (an encoder of its own) writes them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/conversion.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class ConversionGolden : public ::testing::Test {
 protected:
  void SetUp() override { SetTimeZone("UTC"); }
};

// The four-line route file of the unit's documentation, from the desktop document it describes.
CVexlornFileWpt WalkDocument() {
  CVexlornFileWpt doc;
  SVexlornWptBlock home;
  home.SetName("HOME");
  home.SetComment("START");
  home.SetAltitude(35);
  home.SetLongitude(2.25);
  home.SetLatitude(-48.5);
  SVexlornWptBlock lake;
  lake.SetName("LAKE");
  lake.SetSymbol(27);
  lake.SetAltitude(120);
  lake.SetLongitude(2.5);
  lake.SetLatitude(-48.75);
  doc.GetWaypoints().Add(home);
  doc.GetWaypoints().Add(lake);
  SVexlornRteBlock walk;
  walk.SetName("WALK");
  walk.SetNumber(1);
  SVexlornRwptBlock first;
  first.SetName("HOME");
  SVexlornRwptBlock second;
  second.SetName("LAKE");
  second.SetSymbol(27);
  walk.GetPoints().Add(first);
  walk.GetPoints().Add(second);
  doc.GetRoutes().Add(walk);
  return doc;
}

TEST_F(ConversionGolden, WalkDocumentGivesTheDocumentedUnitFiles) {
  const CVexlornFileWpt doc = WalkDocument();
  CUnitRouteFile routes;
  ASSERT_TRUE(ConvertRoutesToUnit(doc, routes));
  std::string rte;
  WriteUnitText(routes, rte);
  const std::string expectedRte =
      "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E\r\n"
      "$PTVLWPL,4845.000,N,00230.000,E,0120,M,LAKE,,ab*00\r\n"
      "$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5C\r\n"
      "$PTVLCMD,END*37\r\n";
  EXPECT_TRUE(SameBytes(expectedRte, rte));
  EXPECT_TRUE(SameAsFixture("walk.rte", rte));

  CUnitWaypointFile points;
  ASSERT_TRUE(ConvertWaypointsToUnit(doc, points));
  std::string upt;
  WriteUnitText(points, upt);
  EXPECT_TRUE(SameAsFixture("walk.upt", upt));
}

TEST_F(ConversionGolden, MorningTrackLineFromANode) {
  CVexlornFileTrk track;
  track.SetName("MORNING");
  SVexlornTnodBlock node;
  node.SetLongitude(2.25);
  node.SetLatitude(-48.5);
  node.SetAltitude(35);
  node.SetTime(1102328130);  // 2004-12-06 10:15:30 UTC
  node.SetHundredths(25);
  node.SetValidFix(1);
  track.GetNodes().Add(node);
  CUnitTrackFile log;
  ASSERT_TRUE(ConvertTrackToUnit(track, log));
  std::string text;
  WriteUnitText(log, text);
  const std::string expected =
      "$PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,A,MORNING,061204*1B\r\n"
      "$PTVLCMD,END*37\r\n";
  EXPECT_TRUE(SameBytes(expected, text));
}

// Desktop files (made by the desktop file fixtures' own encoder) → unit files.
struct SToUnitCase {
  const char* input;
  const char* expected;
};

// Names the case in test names (not its bytes, which hold addresses).
void PrintTo(const SToUnitCase& c, std::ostream* os) { *os << c.expected; }

class ConversionGoldenToUnit : public ConversionGolden, public ::testing::WithParamInterface<SToUnitCase> {};

TEST_P(ConversionGoldenToUnit, GivesTheExpectedBytes) {
  const fs::path input = kGolden / GetParam().input;
  const std::string extension = fs::path(GetParam().expected).extension().string();
  CDiagnostic why;
  std::string text;
  if (extension == ".log") {
    CVexlornFileTrk doc;
    ASSERT_TRUE(LoadVexlornFile(input.string(), doc, &why)) << why.Reason();
    CUnitTrackFile log;
    ASSERT_TRUE(ConvertTrackToUnit(doc, log, &why)) << why.Reason();
    WriteUnitText(log, text);
  } else {
    CVexlornFileWpt doc;
    ASSERT_TRUE(LoadVexlornFile(input.string(), doc, &why)) << why.Reason();
    CUnitRouteFile routes;
    CUnitWaypointFile points;
    CUnitWaypointFile& file = extension == ".rte" ? routes : points;
    ASSERT_TRUE(extension == ".rte" ? ConvertRoutesToUnit(doc, routes, &why)
                                    : ConvertWaypointsToUnit(doc, points, &why))
        << why.Reason();
    WriteUnitText(file, text);
  }
  EXPECT_TRUE(SameAsFixture(GetParam().expected, text));
}

INSTANTIATE_TEST_SUITE_P(Golden, ConversionGoldenToUnit,
                         ::testing::Values(SToUnitCase{"trip~saved.wpt", "trip~unit.upt"},
                                           SToUnitCase{"trip~saved.wpt", "trip~unit.rte"},
                                           SToUnitCase{"track1000~saved.trk", "track1000~unit.log"}));

// Unit files → desktop files.
class ConversionGoldenToDesktop : public ConversionGolden, public ::testing::WithParamInterface<SToUnitCase> {};

TEST_P(ConversionGoldenToDesktop, GivesTheExpectedBytes) {
  const fs::path input = kGolden / GetParam().input;
  const std::string extension = input.extension().string();
  CDiagnostic why;
  std::vector<std::uint8_t> bytes;
  if (extension == ".log") {
    CUnitTrackFile log;
    ASSERT_TRUE(ReadUnitFile(input.string(), log, &why)) << why.Reason();
    CVexlornFileTrk doc;
    ASSERT_TRUE(ConvertTrackToDesktop(log, doc, &why)) << why.Reason();
    ASSERT_TRUE(SaveVexlornBytes(doc, bytes));
  } else {
    CVexlornFileWpt doc;
    if (extension == ".rte") {
      CUnitRouteFile routes;
      ASSERT_TRUE(ReadUnitFile(input.string(), routes, &why)) << why.Reason();
      ASSERT_TRUE(ConvertRoutesToDesktop(routes, doc, &why)) << why.Reason();
    } else {
      CUnitWaypointFile points;
      ASSERT_TRUE(ReadUnitFile(input.string(), points, &why)) << why.Reason();
      ASSERT_TRUE(ConvertWaypointsToDesktop(points, doc, &why)) << why.Reason();
    }
    ASSERT_TRUE(SaveVexlornBytes(doc, bytes));
  }
  EXPECT_TRUE(SameAsFixture(GetParam().expected, Bytes(bytes)));
}

INSTANTIATE_TEST_SUITE_P(Golden, ConversionGoldenToDesktop,
                         ::testing::Values(SToUnitCase{"walk.rte", "walk~from_rte.wpt"},
                                           SToUnitCase{"walk.upt", "walk~from_upt.wpt"},
                                           SToUnitCase{"morning.log", "morning~desktop.trk"}));

}  // namespace
