// The per-file routines of the conversion job: every report line, staging onto a unit folder, and
// files that go to the unit and come back.
#include "jobs/conversion_job.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/vexlorn_file.h"
#include "storage/report_sink.h"
#include "storage/unit_device.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class ConversionJobTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SetTimeZone("Europe/Paris")); }

  std::string Path(const std::string& relative) const { return (m_root / relative).string(); }

  // HOME and LAKE with the route WALK, as the unit's documentation has them.
  std::string SaveTrip(const std::string& relative, double homeLatitude = -48.5) {
    CVexlornFileWpt doc;
    SVexlornWptBlock home;
    home.SetName("HOME");
    home.SetComment("START");
    home.SetAltitude(35.7);
    home.SetLongitude(2.25);
    home.SetLatitude(homeLatitude);
    SVexlornWptBlock lake;
    lake.SetName("LAKE");
    lake.SetSymbol(27);
    lake.SetAltitude(120);
    lake.SetLongitude(2.5123456);
    lake.SetLatitude(-48.7654321);
    doc.GetWaypoints().Add(home);
    doc.GetWaypoints().Add(lake);
    SVexlornRteBlock walk;
    walk.SetName("WALK");
    walk.SetNumber(1);
    for (const char* name : {"HOME", "LAKE"}) {
      SVexlornRwptBlock point;
      point.SetName(name);
      point.SetSymbol(name[0] == 'L' ? 27 : 0);
      walk.GetPoints().Add(point);
    }
    doc.GetRoutes().Add(walk);
    fs::create_directories(fs::path(Path(relative)).parent_path());
    EXPECT_TRUE(SaveVexlornFile(Path(relative), doc));
    return Path(relative);
  }

  std::string SaveTrack(const std::string& relative) {
    CVexlornFileTrk track;
    track.SetName("MORNING");
    for (int i = 0; i < 20; ++i) {
      SVexlornTnodBlock node;
      // Both hemispheres both ways, altitudes below and above zero.
      node.SetLatitude(-48.5 + i * 5.123456789);
      node.SetLongitude(2.25 - i * 9.87654321);
      node.SetAltitude(static_cast<float>(i * 10.7 - 50));
      node.SetTime(1102328130 + i * 3600 * 24 * 30);
      node.SetHundredths(static_cast<std::uint8_t>(i * 5));
      node.SetValidFix(i % 4 ? 1 : 0);
      track.GetNodes().Add(node);
    }
    fs::create_directories(fs::path(Path(relative)).parent_path());
    EXPECT_TRUE(SaveVexlornFile(Path(relative), track));
    return Path(relative);
  }

  CTempFolder m_temp;
  fs::path m_root = m_temp.Path();
  CReportLines m_report;
};

std::string Message(const char* verb, const std::string& path) {
  return std::string("An error occured while ") + verb + " file " + path + ".";
}

TEST_F(ConversionJobTest, EachFailureGivesOneLineWithItsPathAndReason) {
  const std::string trip = SaveTrip("in/trip.wpt");
  const std::string nanTrip = SaveTrip("in/nan.wpt", std::nan(""));
  WriteBytes(Path("in/garbage.wpt"), "not a desktop file");
  WriteBytes(Path("in/bad.upt"), "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2F\r\n$PTVLCMD,END*37\r\n");
  WriteBytes(Path("in/lost.rte"),
             "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E\r\n"
             "$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5C\r\n$PTVLCMD,END*37\r\n");
  WriteBytes(Path("blocker"), "a file where a folder is wanted");
  fs::create_directories(Path("out/taken.upt"));
  const SConversionContext none;

  struct SCase {
    const char* what;
    bool toUnit;
    std::string source, target;
    const char* verb;
    std::string path;  // the path the line names
    std::string reason;
  };
  const SCase cases[] = {
      {"missing source", true, Path("in/none.wpt"), Path("out/none.upt"), "loading", Path("in/none.wpt"), ""},
      {"missing unit file", false, Path("in/none.log"), Path("out/none.trk"), "loading", Path("in/none.log"), ""},
      {"bad desktop file", true, Path("in/garbage.wpt"), Path("out/g.rte"), "loading", Path("in/garbage.wpt"), ""},
      {"bad unit file", false, Path("in/bad.upt"), Path("out/bad.wpt"), "loading", Path("in/bad.upt"),
       "line 1: checksum 2F does not match 2E"},
      {"refused coordinate", true, nanTrip, Path("out/nan.upt"), "converting", nanTrip,
       "waypoint 1: latitude nan cannot be written"},
      {"route to nowhere", false, Path("in/lost.rte"), Path("out/lost.wpt"), "converting", Path("in/lost.rte"),
       "route WALK: waypoint LAKE is not in the file"},
      {"folder is a file", true, trip, Path("blocker/trip.upt"), "transferring", Path("blocker/trip.upt"), ""},
      {"folder is a file", false, Path("in/bad.upt"), Path("blocker/x/bad.wpt"), "transferring",
       Path("blocker/x/bad.wpt"), ""},
      {"target is a folder", true, trip, Path("out/taken.upt"), "transferring", Path("out/taken.upt"), ""},
      {"no folder part", true, trip, "trip.upt", "transferring", "trip.upt", "the target path names no folder"},
      {"no folder part", false, Path("in/bad.upt"), "bad.wpt", "transferring", "bad.wpt",
       "the target path names no folder"},
      {"unknown target kind", true, trip, Path("out/trip.gpx"), "loading", trip, ""},
      {"unknown source kind", false, trip, Path("out/trip2.wpt"), "loading", trip, ""},
  };
  for (const SCase& c : cases) {
    m_report.Clear();
    const bool ok = c.toUnit ? ConvertFileToUnit(c.source, c.target, none, m_report)
                             : ConvertFileToDesktop(c.source, c.target, m_report);
    EXPECT_FALSE(ok) << c.what;
    ASSERT_EQ(m_report.Lines().size(), 1u) << c.what;
    EXPECT_EQ(m_report.Lines()[0].text, Message(c.verb, c.path)) << c.what;
    if (c.reason.empty()) {
      EXPECT_FALSE(m_report.Lines()[0].reason.empty()) << c.what;
    } else {
      EXPECT_EQ(m_report.Lines()[0].reason, c.reason) << c.what;
    }
  }
  // Nothing was left where the failed targets would have gone, and the folder in the way stays.
  EXPECT_TRUE(fs::is_directory(Path("out/taken.upt")));
  EXPECT_TRUE(fs::is_empty(Path("out/taken.upt")));
  for (const char* name : {"out/none.upt", "out/none.trk", "out/g.rte", "out/bad.wpt", "out/nan.upt", "out/lost.wpt",
                           "out/trip.gpx", "out/trip2.wpt"})
    EXPECT_FALSE(fs::exists(Path(name))) << name;
}

TEST_F(ConversionJobTest, AFailedConversionLeavesTheExistingTargetAlone) {
  const std::string nanTrip = SaveTrip("in/nan.wpt", std::nan(""));
  WriteBytes(Path("out/nan.rte"), "the user's former file");
  EXPECT_FALSE(ConvertFileToUnit(nanTrip, Path("out/nan.rte"), {}, m_report));
  EXPECT_EQ(ReadBytes(Path("out/nan.rte")), "the user's former file");

  // A good one replaces it.
  EXPECT_TRUE(ConvertFileToUnit(SaveTrip("in/nan.wpt"), Path("out/nan.rte"), {}, m_report));
  EXPECT_EQ(ReadBytes(Path("out/nan.rte")).substr(0, 8), "$PTVLWPL");
}

// One .wpt source with a .upt and a .rte target, read once for both; each target fails or goes
// through on its own, and the report keeps the targets' order.
TEST_F(ConversionJobTest, WaypointSourceGivesTwoIndependentTargets) {
  const std::string trip = SaveTrip("in/trip.wpt");
  WriteBytes(Path("Routes"), "a file where the routes folder should be");
  fs::create_directories(Path("out/taken.rte"));
  EXPECT_EQ(ConvertFileToUnitTargets(trip, {Path("out/taken.rte"), Path("Routes/trip.rte"), Path("My POIs/trip.upt")},
                                     {}, m_report),
            (std::vector<bool>{false, false, true}));
  ASSERT_EQ(m_report.Lines().size(), 2u);
  EXPECT_EQ(m_report.Lines()[0].text, Message("transferring", Path("out/taken.rte")));
  EXPECT_EQ(m_report.Lines()[1].text, Message("transferring", Path("Routes/trip.rte")));
  m_report.Clear();
  EXPECT_FALSE(ConvertFileToUnit(trip, Path("Routes/trip.rte"), {}, m_report));
  ASSERT_EQ(m_report.Lines().size(), 1u);
  EXPECT_EQ(ReadBytes(Path("My POIs/trip.upt")),
            "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E\r\n"
            "$PTVLWPL,4845.926,N,00230.741,E,0120,M,LAKE,,ab*0F\r\n"
            "$PTVLCMD,END*37\r\n");

  EXPECT_TRUE(ConvertFileToUnit(trip, Path("deep/new/Routes/trip.RTE"), {}, m_report));  // folders made, any case
  EXPECT_NE(ReadBytes(Path("deep/new/Routes/trip.RTE")).find("$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5C\r\n"),
            std::string::npos);
  EXPECT_EQ(m_report.Lines().size(), 1u);
}

// A fake unit: a folder standing for the volume, with the unit's identity file.
TEST_F(ConversionJobTest, TargetsOnTheUnitAreStagedAndCopied) {
  const std::string trip = SaveTrip("in/trip.wpt");
  const std::string track = SaveTrack("in/morning.trk");
  WriteBytes(Path("unit/USBTRANS/UNIT_ID.DAT"), "Model=Norvantis 200\r\n");
  CUnitDevice unit;
  unit.SetDrive(Path("unit"));
  ASSERT_TRUE(unit.CheckIdentity());
  fs::create_directories(Path("stage"));
  SConversionContext ctx;
  ctx.unit = &unit;
  ctx.tempFolder = Path("stage");

  ASSERT_TRUE(ConvertFileToUnit(trip, Path("unit/Routes/trip.rte"), ctx, m_report));
  ASSERT_TRUE(ConvertFileToUnit(track, Path("unit/Track Logs/morning.log"), ctx, m_report));
  EXPECT_TRUE(m_report.Empty());
  EXPECT_EQ(ReadBytes(Path("stage/trip.rte")), ReadBytes(Path("unit/Routes/trip.rte")));
  EXPECT_EQ(ReadBytes(Path("stage/morning.log")), ReadBytes(Path("unit/Track Logs/morning.log")));
  EXPECT_EQ(ReadBytes(Path("stage/morning.log")).substr(0, 8), "$PTVLTRK");

  // Not on the unit's volume (a name that merely begins like it), or in test mode: written in place.
  ASSERT_TRUE(ConvertFileToUnit(trip, Path("unit2/trip.upt"), ctx, m_report));
  ctx.testMode = true;
  ASSERT_TRUE(ConvertFileToUnit(trip, Path("unit/POI/trip.upt"), ctx, m_report));
  EXPECT_TRUE(fs::exists(Path("unit2/trip.upt")));
  EXPECT_TRUE(fs::exists(Path("unit/POI/trip.upt")));
  EXPECT_FALSE(fs::exists(Path("stage/trip.upt")));

  // A copy onto the unit that fails names the target.
  ctx.testMode = false;
  fs::create_directories(Path("unit/Routes/busy.rte"));
  EXPECT_FALSE(ConvertFileToUnit(trip, Path("unit/Routes/busy.rte"), ctx, m_report));
  ASSERT_EQ(m_report.Lines().size(), 1u);
  EXPECT_EQ(m_report.Lines()[0].text, Message("transferring", Path("unit/Routes/busy.rte")));
  EXPECT_TRUE(fs::exists(Path("stage/busy.rte")));
}

// Desktop → unit → desktop through the files, within the unit's rounding.
TEST_F(ConversionJobTest, FilesGoToTheUnitAndComeBack) {
  const std::string trip = SaveTrip("in/trip.wpt");
  const std::string track = SaveTrack("in/morning.trk");
  ASSERT_TRUE(ConvertFileToUnit(trip, Path("unit/trip.rte"), {}, m_report));
  ASSERT_TRUE(ConvertFileToUnit(track, Path("unit/morning.log"), {}, m_report));
  ASSERT_TRUE(ConvertFileToDesktop(Path("unit/trip.rte"), Path("back/trip.wpt"), m_report));
  ASSERT_TRUE(ConvertFileToDesktop(Path("unit/morning.log"), Path("back/morning.trk"), m_report));
  EXPECT_TRUE(m_report.Empty());

  const double minute = 1.0 / 60;
  CVexlornFileWpt before, after;
  ASSERT_TRUE(LoadVexlornFile(trip, before));
  ASSERT_TRUE(LoadVexlornFile(Path("back/trip.wpt"), after));
  ASSERT_EQ(after.GetWaypoints().GetCount(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const SVexlornWptBlock a = before.GetWaypoints().GetAt(i), b = after.GetWaypoints().GetAt(i);
    EXPECT_EQ(b.GetName(), a.GetName());
    EXPECT_EQ(b.GetSymbol(), a.GetSymbol());
    EXPECT_EQ(b.GetNumber(), static_cast<std::int32_t>(i + 1));
    EXPECT_EQ(b.GetRouteUse(), 2);
    EXPECT_NEAR(b.GetLatitude(), a.GetLatitude(), 0.0005 * minute);
    EXPECT_NEAR(b.GetLongitude(), a.GetLongitude(), 0.0005 * minute);
    EXPECT_EQ(b.GetAltitude(), std::floor(a.GetAltitude()));
  }
  ASSERT_EQ(after.GetRoutes().GetCount(), 1u);
  EXPECT_EQ(after.GetRoutes().GetAt(0).GetName(), "WALK");
  EXPECT_EQ(after.GetRoutes().GetAt(0).GetPoints().GetCount(), 2u);

  CVexlornFileTrk trackBefore, trackAfter;
  ASSERT_TRUE(LoadVexlornFile(track, trackBefore));
  ASSERT_TRUE(LoadVexlornFile(Path("back/morning.trk"), trackAfter));
  EXPECT_EQ(trackAfter.GetName(), "MORNING");
  ASSERT_EQ(trackAfter.GetNodes().GetCount(), 20u);
  for (std::size_t i = 0; i < 20; ++i) {
    const SVexlornTnodBlock a = trackBefore.GetNodes().GetAt(i), b = trackAfter.GetNodes().GetAt(i);
    EXPECT_NEAR(b.GetLatitude(), a.GetLatitude(), 0.0005 * minute) << i;
    EXPECT_NEAR(b.GetLongitude(), a.GetLongitude(), 0.0005 * minute) << i;
    EXPECT_EQ(b.GetAltitude(), std::floor(a.GetAltitude())) << i;
    EXPECT_EQ(b.GetTime(), a.GetTime()) << i;
    EXPECT_EQ(b.GetHundredths(), a.GetHundredths()) << i;
    EXPECT_EQ(b.GetValidFix(), a.GetValidFix()) << i;
  }
}

}  // namespace
