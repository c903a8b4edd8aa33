// The GPX jobs that stream their tracks: the files of the whole documents, also when a track's
// name comes only after its points, and nothing left behind by a refused file.
#include "wizard/gpx_conversion_job.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/gpx_writer.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "storage/report_sink.h"
#include "tests/child_process.h"
#include "tests/formats/golden_support.h"

namespace {

namespace fs = std::filesystem;

class GpxConversionJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    char pattern[] = "/tmp/gpx_conversion_job.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_root = pattern;
  }
  void TearDown() override { fs::remove_all(m_root); }
  std::string Path(const std::string& relative) const { return (m_root / relative).string(); }

  fs::path m_root;
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
// usual order: streamed, they give what the whole document gives.
TEST_F(GpxConversionJobTest, TracksWithTheirNameAfterThePointsGiveTheDocumentsFiles) {
  const std::string gpx =
      "<gpx version=\"1.1\" xmlns:tv=\"https://transvane.example/gpx/1\"><wpt lat=\"1\" lon=\"2\"><name>W</name></wpt>"
      "<trk><name>FIRST</name><trkseg>" +
      Points(3) +
      "</trkseg></trk>"
      "<trk><trkseg>" +
      Points(2, 5) +
      "</trkseg><name>A LATE NAME</name><extensions><tv:header><tv:versionText>"
      "56583334 VX</tv:versionText></tv:header></extensions></trk>"
      "<trk><name>EMPTY</name></trk>"
      "<trk><name>LAST</name><trkseg>" +
      Points(1, 9) + "</trkseg></trk></gpx>";
  WriteBytes(Path("in/walk.gpx"), gpx);
  SGpxDocument doc;
  CCodePage codePage;
  ASSERT_TRUE(ReadGpxText(gpx, doc, codePage));
  ASSERT_EQ(doc.tracks.size(), 4u);

  for (const EGpxOutputs outputs : {EGpxOutputs::Unit, EGpxOutputs::Desktop}) {
    const bool unit = outputs == EGpxOutputs::Unit;
    const std::string folder = Path(unit ? "unit" : "desktop");
    CTargetNames rows;
    std::vector<std::string> written;
    ASSERT_TRUE(ConvertGpxFile(Path("in/walk.gpx"), folder, outputs, codePage, rows, written, m_report));
    EXPECT_TRUE(m_report.Empty());
    const char* extension = unit ? ".log" : ".trk";
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
  ASSERT_TRUE(ConvertFileToGpx(Path("in/two.log"), Path("out/two.gpx"), codePage, m_report));
  EXPECT_TRUE(m_report.Empty());
  EXPECT_TRUE(SameBytes(expected, ReadBytes(Path("out/two.gpx"))));
  EXPECT_EQ(codePage.GetReplacementCount(), expectedPage.GetReplacementCount());
  EXPECT_EQ(codePage.GetReplacementCount(), 1u);
}

// The tracks' files are closed as each track ends and put in place at the end: a file of more
// tracks than the process may hold open at once goes through (in a child, under a small limit).
TEST_F(GpxConversionJobTest, MoreTracksThanOpenFiles) {
  std::string gpx = "<gpx version=\"1.1\">";
  for (int i = 0; i < 40; ++i) gpx += "<trk><trkseg>" + Points(2, i % 9) + "</trkseg></trk>";
  gpx += "</gpx>";
  WriteBytes(Path("in/many.gpx"), gpx);
  EXPECT_EQ(ExitStatusInChild([&] {
              const rlimit limit{24, 24};
              if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 3;
              CCodePage codePage;
              CTargetNames rows;
              std::vector<std::string> written;
              CReportLines report;
              const bool done =
                  ConvertGpxFile(Path("in/many.gpx"), Path("out"), EGpxOutputs::Unit, codePage, rows, written, report);
              return done && written.size() == 40 ? 0 : 1;
            }),
            0);
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("out")), fs::directory_iterator()), 40);
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
      CTargetNames rows;
      std::vector<std::string> written;
      EXPECT_FALSE(ConvertGpxFile(Path(source), Path("new/deeper"), outputs, codePage, rows, written, m_report));
      ASSERT_EQ(m_report.Lines().size(), 1u);
      EXPECT_EQ(m_report.Lines()[0].text, "An error occured while loading file " + Path(source) + ".");
      EXPECT_FALSE(fs::exists(Path("new"))) << source;
    }
  }
  fs::create_directories(Path("kept"));
  CCodePage codePage;
  EXPECT_FALSE(ConvertFileToGpx(Path("in/none.trk"), Path("kept/none.gpx"), codePage, m_report));
  EXPECT_TRUE(fs::is_empty(Path("kept")));
}

}  // namespace
