// Golden GPX files: what we write must match the committed fixtures byte for byte, and reading them
// back must give the desktop and unit files they came from.
// TRANSVANE_UPDATE_GOLDEN=1 rewrites the expected files from the current code (then review the diff).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "formats/code_page.h"
#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/gpx_writer.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "platform/files.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"
#include "tests/formats/xml_check.h"

namespace {

// Equal to the fixture; with TRANSVANE_UPDATE_GOLDEN set, the fixture is rewritten first.
::testing::AssertionResult SameText(const std::string& fixture, const std::string& actual) {
  if (getenv("TRANSVANE_UPDATE_GOLDEN") != nullptr) WriteBytes(FixturePath(fixture), actual);
  return SameAsFixture(fixture, actual);
}

class GpxGolden : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::temp_directory_path() / ("gpx_golden_" + std::to_string(platform::ProcessId()));
    std::filesystem::create_directories(m_folder);
    SetTimeZone("Europe/Berlin");
  }
  void TearDown() override {
    std::filesystem::remove_all(m_folder);
    SetTimeZone("UTC");
    m_xmlLint.SkipIfUnchecked();
  }

  // Exports through the file system, checks the file with xmllint and answers its text.
  std::string Exported(const SGpxDocument& doc) {
    const std::string path = (m_folder / "out.gpx").string();
    CCodePage codePage;
    CDiagnostic why;
    EXPECT_TRUE(WriteGpxFile(path, doc, codePage, &why)) << why.Reason();
    m_xmlLint.Check(path);
    return ReadBytes(path);
  }

  template <typename Doc>
  std::string Saved(const Doc& doc) {
    const std::string path = (m_folder / "out.bin").string();
    EXPECT_TRUE(SaveVexlornFile(path, doc));
    return ReadBytes(path);
  }

  std::string Written(const CUnitFile& file) {
    std::string text;
    WriteUnitText(file, text);
    return text;
  }

  std::filesystem::path m_folder;
  CXmlLintCheck m_xmlLint;
};

TEST_F(GpxGolden, WaypointsAndRoutesToGpxAndBack) {
  SGpxDocument trip;
  CDiagnostic why;
  ASSERT_TRUE(LoadVexlornFile(FixturePath("trip~saved.wpt"), trip.points, &why)) << why.Reason();
  // The same points in an older file of an unusual type: the header must survive GPX as well.
  SGpxDocument older;
  older.points = trip.points;
  older.points.GetHeader().SetVersionText("56583334 VX");
  older.points.GetHeader().SetVersionCode("34");
  older.points.GetHeader().SVexlornHeadBlock::SetFileType(0);
  const std::pair<const char*, const SGpxDocument*> cases[] = {{"trip~saved~gpx.gpx", &trip},
                                                               {"trip_older~gpx.gpx", &older}};
  for (const auto& [fixture, doc] : cases) {
    const std::string gpx = Exported(*doc);
    EXPECT_TRUE(SameText(fixture, gpx));
    SGpxDocument back;
    CCodePage codePage;
    ASSERT_TRUE(ReadGpxText(gpx, back, codePage, &why)) << why.Reason();
    EXPECT_EQ(Saved(back.points), Saved(doc->points)) << fixture;
    EXPECT_TRUE(back.tracks.empty());
  }
}

TEST_F(GpxGolden, TrackToGpxAndBack) {
  SGpxDocument doc;
  doc.tracks.emplace_back();
  ASSERT_TRUE(LoadVexlornFile(FixturePath("track1000~saved.trk"), doc.tracks[0]));
  const std::string gpx = Exported(doc);
  EXPECT_TRUE(SameText("track1000~gpx.gpx", gpx));

  SGpxDocument back;
  CCodePage codePage;
  ASSERT_TRUE(ReadGpxText(gpx, back, codePage));
  ASSERT_EQ(back.tracks.size(), 1u);
  EXPECT_EQ(Saved(back.tracks[0]), ReadBytes(FixturePath("track1000~saved.trk")));
}

// A hand-written file in the shape other programs export, to the unit's files (local times in
// Berlin) and to the desktop's, and the unit files back to GPX.
TEST_F(GpxGolden, ForeignGpxToUnitAndDesktop) {
  SGpxDocument doc;
  CCodePage codePage;
  CDiagnostic why;
  ASSERT_TRUE(ReadGpxFile(FixturePath("weekend.gpx"), doc, codePage, &why)) << why.Reason();
  ASSERT_EQ(doc.tracks.size(), 2u);

  CUnitWaypointFile points;
  ASSERT_TRUE(ConvertWaypointsToUnit(doc.points, points));
  EXPECT_TRUE(SameText("weekend~unit.upt", Written(points)));
  CUnitRouteFile routes;
  ASSERT_TRUE(ConvertRoutesToUnit(doc.points, routes));
  EXPECT_TRUE(SameText("weekend~unit.rte", Written(routes)));
  CUnitTrackFile track;
  ASSERT_TRUE(ConvertTrackToUnit(doc.tracks[0], track));
  EXPECT_TRUE(SameText("weekend~unit.log", Written(track)));
  EXPECT_TRUE(SameText("weekend~desktop.wpt", Saved(doc.points)));
  EXPECT_TRUE(SameText("weekend~desktop.trk", Saved(doc.tracks[0])));
  EXPECT_EQ(codePage.GetReplacementCount(), 2u);  // the Greek letter, in a waypoint and a route point

  // Unit → GPX → unit gives the same lines for what the unit's files hold.
  CUnitRouteFile unitRoutes;
  ASSERT_TRUE(ReadUnitFile(FixturePath("weekend~unit.rte"), unitRoutes));
  SGpxDocument fromUnit;
  ASSERT_TRUE(ConvertRoutesToDesktop(unitRoutes, fromUnit.points));
  CUnitTrackFile unitTrack;
  ASSERT_TRUE(ReadUnitFile(FixturePath("weekend~unit.log"), unitTrack));
  fromUnit.tracks.emplace_back();
  ASSERT_TRUE(ConvertTrackToDesktop(unitTrack, fromUnit.tracks[0]));
  SGpxDocument again;
  ASSERT_TRUE(ReadGpxText(Exported(fromUnit), again, codePage));
  CUnitRouteFile routesAgain;
  ASSERT_TRUE(ConvertRoutesToUnit(again.points, routesAgain));
  EXPECT_EQ(Written(routesAgain), ReadBytes(FixturePath("weekend~unit.rte")));
  CUnitTrackFile trackAgain;
  ASSERT_TRUE(ConvertTrackToUnit(again.tracks[0], trackAgain));
  EXPECT_EQ(Written(trackAgain), ReadBytes(FixturePath("weekend~unit.log")));
}

}  // namespace
