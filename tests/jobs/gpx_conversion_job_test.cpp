// The GPX jobs that stream their tracks: the files of the whole documents, also when a track's
// name comes only after its points, and nothing left behind by a refused file.
#include "jobs/gpx_conversion_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/gpx_values.h"
#include "formats/gpx_writer.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "storage/report_sink.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class GpxConversionJobTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SetTimeZone("Europe/Paris")); }
  std::string Path(const std::string& relative) const { return (m_root / relative).string(); }

  CTempFolder m_temp;
  fs::path m_root = m_temp.Path();
  CReportLines m_report;
};

std::string Points(int count, int first = 0) {
  std::string text;
  for (int i = first; i < first + count; ++i)
    text += "<trkpt lat=\"47." + std::to_string(i) + "\" lon=\"11.5\"><ele>" + std::to_string(800 + i) +
            "</ele><time>2023-06-10T08:15:" + std::to_string(10 + i) + "Z</time></trkpt>";
  return text;
}

// The files the whole document gives, as the conversion to the unit or the desktop writes them.
std::string UnitLog(const CVexlornFileTrk& track) {
  CUnitTrackFile log;
  EXPECT_TRUE(ConvertTrackToUnit(track, log));
  std::string text;
  WriteUnitText(log, text);
  return text;
}

std::string DesktopTrk(const CVexlornFileTrk& track) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(SaveVexlornBytes(track, bytes));
  return std::string(bytes.begin(), bytes.end());
}

// A track whose name (and header) come after its points, a track without points, and one in the
// usual order: streamed, they give what the whole document gives, and the same warning for the
// point without a time.
TEST_F(GpxConversionJobTest, TracksWithTheirNameAfterThePointsGiveTheDocumentsFiles) {
  const std::string untimed = "<trkpt lat=\"47.9\" lon=\"11.5\"/>";
  const std::string gpx =
      "<gpx version=\"1.1\" xmlns:tv=\"https://transvane.example/gpx/1\"><wpt lat=\"1\" lon=\"2\"><name>W</name></wpt>"
      "<trk><name>FIRST</name><trkseg>" +
      Points(3) +
      "</trkseg></trk>"
      "<trk><trkseg>" +
      Points(2, 5) + untimed +
      "</trkseg><name>A LATE NAME</name><extensions><tv:header><tv:versionText>"
      "56583334 VX</tv:versionText></tv:header></extensions></trk>"
      "<trk><name>EMPTY</name></trk>"
      "<trk><name>LAST</name><trkseg>" +
      Points(1, 9) + "</trkseg></trk></gpx>";
  WriteBytes(Path("in/walk.gpx"), gpx);
  SGpxDocument doc;
  CCodePage codePage;
  CUnitTimes times;
  ASSERT_TRUE(ReadGpxText(gpx, doc, codePage));
  ASSERT_EQ(doc.tracks.size(), 4u);

  for (const EGpxOutputs outputs : {EGpxOutputs::Unit, EGpxOutputs::Desktop}) {
    const bool unit = outputs == EGpxOutputs::Unit;
    const std::string folder = Path(unit ? "unit" : "desktop");
    CTargetNames rows;
    std::vector<std::string> written;
    m_report.Clear();
    ASSERT_TRUE(ConvertGpxFile(Path("in/walk.gpx"), folder, outputs, codePage, times, rows, written, m_report));
    EXPECT_TRUE(m_report.Empty());
    const char* extension = unit ? ".log" : ".trk";
    ASSERT_EQ(m_report.Warnings().size(), 1u);
    EXPECT_EQ(m_report.Warnings()[0].count, 1u);
    EXPECT_EQ(m_report.Warnings()[0].first, SSourcePlace::AtLine(1, gpx.find(untimed) + 2));
    EXPECT_EQ(m_report.Warnings()[0].outputs, std::vector<std::string>{folder + "/walk_1" + extension});
    const std::size_t tracks[] = {0, 1, 3};
    const std::string names[] = {"walk", "walk_1", "walk_2"};
    for (std::size_t i = 0; i < 3; ++i) {
      const CVexlornFileTrk& track = doc.tracks[tracks[i]];
      EXPECT_TRUE(SameBytes(unit ? UnitLog(track) : DesktopTrk(track), ReadBytes(folder + "/" + names[i] + extension)))
          << names[i] << extension;
    }
    EXPECT_EQ(written.size(), 4u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4);
  }
}

// A track log whose points carry two names goes to GPX under the last one, as its document does,
// with the characters the code page lacks counted once.
TEST_F(GpxConversionJobTest, ALogNamedTwiceGoesToGpxUnderItsLastName) {
  const char* const names[] = {"A\x81", "A\x81", "LONGER\x81"};
  std::string text;
  for (int i = 0; i < 3; ++i) {
    CPosition position;
    position.SetLatitude(-4830 - i);
    position.SetLongitude(215);
    position.SetAltitudeUnit("M");
    CTrkSentence point;
    point.SetPosition(position);
    point.SetTime(1102324530 + i);
    point.SetName(names[i]);
    point.AppendLine(text, "\r\n");
  }
  text += "$PTVLCMD,END*37\r\n";
  WriteBytes(Path("in/two.log"), text);

  CUnitTrackFile log;
  SGpxDocument doc;
  doc.tracks.emplace_back();
  ASSERT_TRUE(ReadUnitText(text, "two", log) && ConvertTrackToDesktop(log, doc.tracks[0]));
  CCodePage expectedPage;
  std::string expected;
  ASSERT_TRUE(WriteGpxText(doc, expectedPage, expected));

  CCodePage codePage;
  CUnitTimes times;
  ASSERT_TRUE(ConvertFileToGpx(Path("in/two.log"), Path("out/two.gpx"), codePage, times, m_report));
  EXPECT_TRUE(m_report.Empty());
  EXPECT_TRUE(SameBytes(expected, ReadBytes(Path("out/two.gpx"))));
  EXPECT_EQ(codePage.GetReplacementCount(), expectedPage.GetReplacementCount());
  EXPECT_EQ(codePage.GetReplacementCount(), 1u);
}

// A file refused after some of its tracks were written leaves no file and no folder that the job
// made for them.
TEST_F(GpxConversionJobTest, ARefusedFileLeavesNothingBehind) {
  WriteBytes(Path("in/cut.gpx"), "<gpx version=\"1.1\"><trk><trkseg>" + Points(3) + "</trkseg></trk><trk><trkseg>");
  WriteBytes(Path("in/late.gpx"),
             "<gpx version=\"1.1\"><trk><trkseg>" + Points(3) + "</trkseg></trk><wpt lat=\"north\" lon=\"1\"/></gpx>");
  for (const char* source : {"in/cut.gpx", "in/late.gpx"}) {
    for (const EGpxOutputs outputs : {EGpxOutputs::Unit, EGpxOutputs::Desktop}) {
      m_report.Clear();
      CCodePage codePage;
      CUnitTimes times;
      CTargetNames rows;
      std::vector<std::string> written;
      EXPECT_FALSE(ConvertGpxFile(Path(source), Path("new/deeper"), outputs, codePage, times, rows, written, m_report));
      ASSERT_EQ(m_report.Lines().size(), 1u);
      EXPECT_EQ(m_report.Lines()[0].text, "An error occured while loading file " + Path(source) + ".");
      EXPECT_FALSE(fs::exists(Path("new"))) << source;
    }
  }
  fs::create_directories(Path("kept"));
  CCodePage codePage;
  CUnitTimes times;
  EXPECT_FALSE(ConvertFileToGpx(Path("in/none.trk"), Path("kept/none.gpx"), codePage, times, m_report));
  EXPECT_TRUE(fs::is_empty(Path("kept")));
}

}  // namespace

std::string LastReason(const CReportLines& report) {
  return report.Lines().empty() ? std::string() : report.Lines().back().text + ": " + report.Lines().back().reason;
}

// How many track points the report's warnings say went out without a time.
std::uint64_t UntimedCount(const CReportLines& report) {
  std::uint64_t count = 0;
  for (const SSourceWarning& warning : report.Warnings())
    if (warning.what.rfind("track point(s)", 0) == 0) count += warning.count;
  return count;
}

// GPX files as other programs write them, to the unit's log (and a .trk) and back to GPX: every
// point in its place (0.001 minute, 0.01 s), a point without a time the log can hold back without <time>
// and warned of, a track without a name named after its file.
TEST_F(GpxConversionJobTest, GpxFromOtherProgramsGoesToTheUnitAndBack) {
  constexpr double kMinute = 1.0 / 60;
  struct SPoint {
    double lat, lon;
    const char* time;  // as it comes back; null: no <time>
  };
  struct SCase {
    const char* what;
    std::string gpx;
    std::vector<SPoint> back;
    std::size_t untimed;
    const char* name;
  };
  const auto track = [](const std::string& root, const std::string& points,
                        const std::string& name = "<name>T</name>") {
    return root + "<trk>" + name + "<trkseg>" + points + "</trkseg></trk></gpx>";
  };
  const std::string timed = "<trkpt lat=\"47.5\" lon=\"-11.25\"><time>2023-06-10T08:15:10.25Z</time></trkpt>";
  const SPoint timedBack{47.5, -11.25, "2023-06-10T08:15:10.25Z"};
  const SCase cases[] = {
      {"no namespace, no version", track("<gpx>", timed), {timedBack}, 0, "T"},
      {"GPX 1.0",
       track("<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\">", timed),
       {timedBack},
       0,
       "T"},
      {"byte-order mark", track("\xEF\xBB\xBF<?xml version=\"1.0\"?><gpx>", timed), {timedBack}, 0, "T"},
      {"points without a time",
       track("<gpx>", "<trkpt lat=\"-33.5\" lon=\"151.2\"/>" + timed + "<trkpt lat=\"0\" lon=\"0\"></trkpt>"),
       {{-33.5, 151.2, nullptr}, timedBack, {0, 0, nullptr}},
       2,
       "T"},
      {"junk dates",
       track("<gpx>", "<trkpt lat=\"1\" lon=\"2\"><time>1970-01-01T00:00:00Z</time></trkpt>" + timed),
       {{1, 2, nullptr}, timedBack},
       1,
       "T"},
      {"2000 to 2099 as they are",
       track("<gpx>",
             "<trkpt lat=\"1\" lon=\"2\"><time>2099-12-31T22:59:59.99Z</time></trkpt>"
             "<trkpt lat=\"1\" lon=\"2\"><time>2000-01-01T00:00:00Z</time></trkpt>"),
       {{1, 2, "2099-12-31T22:59:59.99Z"}, {1, 2, "2000-01-01T00:00:00.00Z"}},
       0,
       "T"},
      {"no name", track("<gpx>", timed, ""), {timedBack}, 0, "longtitl"},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(m_root / "in");
    fs::remove_all(m_root / "out");
    WriteBytes(Path("in/longtitle.gpx"), c.gpx);
    CCodePage codePage;
    const CUnitTimes times;
    CTargetNames rows({Path("in/longtitle.gpx")});
    std::vector<std::string> written;
    m_report.Clear();
    ASSERT_TRUE(ConvertGpxFile(Path("in/longtitle.gpx"), Path("out"), EGpxOutputs::Unit, codePage, times, rows, written,
                               m_report))
        << LastReason(m_report);
    EXPECT_EQ(UntimedCount(m_report), c.untimed);
    ASSERT_EQ(written.size(), 1u);
    m_report.Clear();
    ASSERT_TRUE(ConvertFileToGpx(written[0], Path("out/back.gpx"), codePage, times, m_report)) << LastReason(m_report);
    EXPECT_EQ(UntimedCount(m_report), c.untimed);
    SGpxDocument back;
    CDiagnostic why;
    ASSERT_TRUE(ReadGpxFile(Path("out/back.gpx"), back, codePage, &why)) << why.Reason();
    ASSERT_EQ(back.tracks.size(), 1u);
    EXPECT_EQ(back.tracks[0].GetName(), c.name);
    const SVexlornTnodBlockArray& nodes = back.tracks[0].GetNodes();
    ASSERT_EQ(nodes.GetCount(), c.back.size());
    for (std::size_t i = 0; i < c.back.size(); ++i) {
      const SVexlornTnodBlock node = nodes.GetAt(i);
      EXPECT_NEAR(-node.GetLatitude(), c.back[i].lat, 0.001 * kMinute) << i;
      EXPECT_NEAR(node.GetLongitude(), c.back[i].lon, 0.001 * kMinute) << i;
      if (c.back[i].time == nullptr) {
        EXPECT_TRUE(times.IsNoTime(node.GetTime(), node.GetHundredths())) << i;
        continue;
      }
      std::int64_t seconds = 0;
      std::uint8_t hundredths = 0;
      ASSERT_TRUE(ParseGpxTime(c.back[i].time, seconds, hundredths));
      EXPECT_EQ(node.GetTime(), seconds) << i;
      EXPECT_EQ(node.GetHundredths(), hundredths) << i;
    }
    // The no-time instant goes to a .trk as it is; a 1970 time too, which a .trk can hold, and a
    // time after January 2038 as no time.
    CTargetNames trkRows({Path("in/longtitle.gpx")});
    m_report.Clear();
    ASSERT_TRUE(ConvertGpxFile(Path("in/longtitle.gpx"), Path("out"), EGpxOutputs::Desktop, codePage, times, trkRows,
                               written, m_report))
        << LastReason(m_report);
    CVexlornFileTrk trk;
    ASSERT_TRUE(LoadVexlornFile(written.back(), trk));
    std::size_t untimed = 0;
    for (const SVexlornTnodBlock& node : trk.GetNodes()) untimed += times.IsNoTime(node.GetTime(), 0) ? 1 : 0;
    EXPECT_EQ(untimed, UntimedCount(m_report));
    EXPECT_EQ(trk.GetName(), std::string(c.name) == "T" ? "T" : "longtitl");
  }
}
