// A GPX file converted by the wizard, to the unit or the desktop: the files listed are those the
// command-line tool writes, and each target kept gets its own part of the file, whatever its name.
#include "jobs/gpx_unit_targets.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jobs/gpx_conversion_job.h"
#include "storage/unit_device.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Two waypoints, a route through them and three tracks, the second without points.
const std::string kTrip =
    "<gpx version=\"1.1\" creator=\"t\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
    "<wpt lat=\"47.1\" lon=\"11.1\"><name>HUT</name></wpt><wpt lat=\"47.2\" lon=\"11.2\"><name>TOP</name></wpt>"
    "<rte><name>UP</name><rtept lat=\"47.1\" lon=\"11.1\"><name>HUT</name></rtept>"
    "<rtept lat=\"47.2\" lon=\"11.2\"><name>TOP</name></rtept></rte>"
    "<trk><name>FIRST</name><trkseg><trkpt lat=\"47.1\" lon=\"11.1\"/><trkpt lat=\"47.15\" "
    "lon=\"11.15\"/></trkseg></trk>"
    "<trk><name>EMPTY</name></trk>"
    "<trk><name>SECOND</name><trkseg><trkpt lat=\"47.3\" lon=\"11.3\"/></trkseg></trk></gpx>";

class GpxUnitTargetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetTimeZone("Europe/Paris"));
    times = CUnitTimes();  // its instants are those of the zone
    fs::create_directories(root / "tmp");
    fs::create_directories(root / "cli");
    context.tempFolder = (root / "tmp").string();
    WriteBytes(root / "trip.gpx", kTrip);
  }
  std::string Path(const std::string& relative) const { return (root / relative).string(); }

  CTempFolder m_temp;
  fs::path root = m_temp.Path();
  SConversionContext context;  // no unit: every target is written where it is named
  CCodePage codePage;
  CUnitTimes times;
  CReportLines report;
};

TEST_F(GpxUnitTargetsTest, ListsTheFilesTheCommandLineWrites) {
  CUnitDevice unit;
  unit.SetDrive(Path("unit"));
  struct SCase {
    EGpxOutputs outputs;
    std::vector<std::string> listed;
    std::vector<std::string> written;
  };
  const std::vector<SCase> cases = {
      {EGpxOutputs::Unit,
       {Path("unit/trip.upt#0"), Path("unit/trip.rte#0"), Path("unit/trip.log#0"), Path("unit/trip.log#1")},
       {Path("cli/trip.upt"), Path("cli/trip.rte"), Path("cli/trip.log"), Path("cli/trip_1.log")}},
      {EGpxOutputs::Desktop,
       {Path("docs/trip.wpt#0"), Path("docs/trip.trk#0"), Path("docs/trip.trk#1")},
       {Path("cli/trip.wpt"), Path("cli/trip.trk"), Path("cli/trip_1.trk")}},
  };
  const auto targetsOf = [&](EGpxOutputs outputs, const std::string& source, std::vector<SGpxTarget>& targets,
                             CDiagnostic* why) {
    return outputs == EGpxOutputs::Unit ? TargetsForGpxFile(source, unit, true, codePage, targets, why)
                                        : TargetsForGpxFileToDesktop(source, Path("docs"), codePage, targets, why);
  };
  WriteBytes(root / "nothing.gpx", "<gpx version=\"1.1\" creator=\"t\"><trk><name>EMPTY</name></trk></gpx>");
  WriteBytes(root / "broken.gpx", "<gpx version=\"1.1\"><wpt lat=\"1\"");
  for (const SCase& test : cases) {
    std::vector<SGpxTarget> targets;
    ASSERT_TRUE(targetsOf(test.outputs, Path("trip.gpx"), targets, nullptr));
    std::vector<std::string> listed;
    for (const SGpxTarget& target : targets) listed.push_back(target.path + "#" + std::to_string(target.track));
    EXPECT_EQ(listed, test.listed);

    CTargetNames names;
    std::vector<std::string> written;
    ASSERT_TRUE(ConvertGpxFile(Path("trip.gpx"), Path("cli"), test.outputs, codePage, times, names, written, report));
    EXPECT_EQ(written, test.written);

    for (const char* name : {"nothing.gpx", "broken.gpx"}) {
      CDiagnostic why;
      EXPECT_FALSE(targetsOf(test.outputs, Path(name), targets, &why)) << name;
      EXPECT_TRUE(why.HasReason()) << name;
      EXPECT_EQ(targets.size(), test.listed.size()) << "the list is left as it was";
    }
  }
}

TEST_F(GpxUnitTargetsTest, EachTargetGetsItsOwnPartWhateverItsName) {
  struct SCase {
    EGpxOutputs outputs;
    // The user renamed the waypoints' file and kept the second track only, in a folder still to make.
    std::vector<SGpxTarget> targets;
    std::vector<std::string> sameAs;  // what the command-line tool wrote into cli/
  };
  const std::vector<SCase> cases = {
      {EGpxOutputs::Unit, {{"pois.upt", 0}, {"logs/second.log", 1}}, {"trip.upt", "trip_1.log"}},
      {EGpxOutputs::Desktop, {{"pois.wpt", 0}, {"tracks/second.trk", 1}}, {"trip.wpt", "trip_1.trk"}},
  };
  // The tracks' points have no time: one warning names the first and the files that hold them.
  const auto column = [](const char* point) { return kTrip.find(point) + 2; };  // of the element's name
  const auto untimed = [&](std::uint64_t count, std::uint64_t firstColumn, std::vector<std::string> files) {
    ASSERT_EQ(report.Warnings().size(), 1u);
    const SSourceWarning& warning = report.Warnings().front();
    EXPECT_EQ(warning.count, count);
    EXPECT_EQ(warning.first, SSourcePlace::AtLine(1, firstColumn));
    EXPECT_EQ(warning.outputs, files);
    report.Clear();
  };
  for (const SCase& test : cases) {
    fs::remove_all(root / "cli");
    fs::remove_all(root / "out");
    CTargetNames names;
    std::vector<std::string> written;
    ASSERT_TRUE(ConvertGpxFile(Path("trip.gpx"), Path("cli"), test.outputs, codePage, times, names, written, report));
    const std::string track = test.outputs == EGpxOutputs::Unit ? "log" : "trk";
    untimed(3, column("<trkpt lat=\"47.1\""), {Path("cli/trip." + track), Path("cli/trip_1." + track)});
    std::vector<SGpxTarget> targets = test.targets;
    for (SGpxTarget& target : targets) target.path = Path("out/" + target.path);
    EXPECT_EQ(ConvertGpxFileToTargets(Path("trip.gpx"), test.outputs, targets, context, codePage, report),
              (std::vector<bool>{true, true}));
    // The warning counts the points of the track delivered alone, under the target's name.
    untimed(1, column("<trkpt lat=\"47.3\""), {targets[1].path});
    EXPECT_TRUE(report.Empty());
    for (std::size_t i = 0; i < targets.size(); ++i) {
      EXPECT_EQ(ReadBytes(targets[i].path), ReadBytes(Path("cli/" + test.sameAs[i]))) << targets[i].path;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "out"), fs::directory_iterator()), 2)
        << "the parts no target asked for are not written";
    EXPECT_TRUE(fs::is_empty(root / "tmp")) << "the staging folder goes";
  }
}

TEST_F(GpxUnitTargetsTest, APartTheFileNoLongerHoldsAndAnUnreadableFileAreReported) {
  struct SCase {
    const char* content;
    std::vector<bool> done;
    std::vector<std::string> lines;
  };
  const std::string source = Path("trip.gpx");
  const std::vector<SCase> cases = {
      // Changed since it was listed: no route and one track any more.
      {"<gpx version=\"1.1\" creator=\"t\"><wpt lat=\"47.1\" lon=\"11.1\"><name>HUT</name></wpt>"
       "<trk><trkseg><trkpt lat=\"47.1\" lon=\"11.1\"/></trkseg></trk></gpx>",
       {true, false, true, false},
       {"An error occured while converting file " + source + ".",
        "An error occured while converting file " + source + "."}},
      // Not GPX any more: one line for the source, nothing written.
      {"<gpx", {false, false, false, false}, {"An error occured while loading file " + source + "."}},
  };
  for (const SCase& test : cases) {
    WriteBytes(root / "trip.gpx", test.content);
    fs::remove_all(root / "out");
    report.Clear();
    const std::vector<SGpxTarget> targets = {
        {Path("out/trip.upt"), 0}, {Path("out/trip.rte"), 0}, {Path("out/trip.log"), 0}, {Path("out/trip_1.log"), 1}};
    EXPECT_EQ(ConvertGpxFileToTargets(source, EGpxOutputs::Unit, targets, context, codePage, report), test.done);
    std::vector<std::string> lines;
    for (const SReportLine& line : report.Lines()) lines.push_back(line.text);
    EXPECT_EQ(lines, test.lines);
    EXPECT_EQ(fs::exists(root / "out/trip.upt"), test.done[0]);
    EXPECT_TRUE(fs::is_empty(root / "tmp"));
  }
}

}  // namespace
