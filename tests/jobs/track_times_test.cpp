// A track point whose time its file cannot hold goes there as a point without a time does, every
// way a time crosses, and each source gets one warning: how many such points, where the first is.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "formats/gpx_reader.h"
#include "formats/gpx_values.h"
#include "formats/unit_files.h"
#include "formats/unit_times.h"
#include "formats/vexlorn_file.h"
#include "storage/report_sink.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"
#include "jobs/conversion_job.h"
#include "jobs/gpx_conversion_job.h"

namespace {

// A point of the test track: its GPX time (null: no <time>) and whether a .trk and a .log can hold
// it, in Tokyo (UTC+9, no summer time), where the log's years begin at 1999-12-31 15:00:00 UTC.
struct SPoint {
  const char* time;
  bool trk;
  bool log;
};
constexpr SPoint kPoints[] = {
    {"2001-05-18T00:00:00Z", true, true},
    {"2038-01-19T03:14:08Z", false, true},     // a second after the .trk's last
    {"1901-12-13T20:45:52Z", true, false},     // the .trk's first
    {"1901-12-13T20:45:51Z", false, false},    // a second before it
    {"1999-12-31T14:59:59Z", true, false},     // a second before the log's first
    {"1999-12-31T15:00:00.01Z", true, true},   // a hundredth after it
    {"2038-01-19T03:14:07.99Z", true, true},   // the .trk's last
    {"2099-12-31T14:59:59.99Z", false, true},  // the log's last
    {"2099-12-31T15:00:00Z", false, false},    // a second after it
    {nullptr, false, false},                   // no time
    {"1999-12-31T15:00:00Z", false, false},    // the instant that stands for none
};

// One point a line from line 2, each <trkpt>'s name at column 2.
std::string TrackGpx() {
  std::string text = "<gpx><trk><name>T</name><trkseg>\n";
  for (const SPoint& point : kPoints) {
    text += "<trkpt lat=\"1\" lon=\"2\">";
    if (point.time != nullptr) text += std::string("<time>") + point.time + "</time>";
    text += "</trkpt>\n";
  }
  return text + "</trkseg></trk></gpx>\n";
}

struct STime {
  std::int64_t seconds;
  unsigned hundredths;
};

// The track times a file holds, GPX points without <time> at the unit's "no time".
std::vector<STime> TimesIn(const std::string& path) {
  std::vector<STime> times;
  const std::string extension = path.substr(path.size() - 4);
  if (extension == ".log") {
    CUnitTrackFile log;
    EXPECT_TRUE(ReadUnitFile(path, log));
    for (const CTrkSentence& point : log.GetPoints()) times.push_back({point.GetTime(), point.GetHundredths()});
    return times;
  }
  SGpxDocument doc;
  doc.tracks.emplace_back();
  CCodePage codePage;
  EXPECT_TRUE(extension == ".trk" ? LoadVexlornFile(path, doc.tracks[0]) : ReadGpxFile(path, doc, codePage)) << path;
  for (const SVexlornTnodBlock& node : doc.tracks.at(0).GetNodes())
    times.push_back({node.GetTime(), node.GetHundredths()});
  return times;
}

TEST(TrackTimesTest, ATimeTheTargetCannotHoldIsNoTimeEveryWayWithOneWarning) {
  const CTimeZoneGuard zone("Asia/Tokyo");
  const CUnitTimes times;
  CTempFolder temp;
  const std::string gpx = temp.File("in/t.gpx", TrackGpx());
  CCodePage codePage;
  CReportLines report;
  const auto fromGpx = [&](EGpxOutputs outputs) {
    CTargetNames names;
    std::vector<std::string> written;
    return ConvertGpxFile(gpx, temp.Path("out"), outputs, codePage, times, names, written, report);
  };
  const auto keepsTrk = [](const SPoint& point) { return point.trk; };
  const auto keepsLog = [](const SPoint& point) { return point.log; };
  const auto keepsBoth = [](const SPoint& point) { return point.trk && point.log; };
  SConversionContext context;
  context.settings.times = &times;
  const struct {
    const char* what;
    std::string source;
    std::string target;
    std::function<bool()> convert;
    std::function<bool(const SPoint&)> keeps;  // whether the point comes out with its time
    SSourcePlace first;                        // the place of the first that does not
    std::string detail;
  } cases[] = {
      {"GPX to .trk", gpx, temp.Path("out/t.trk"), [&] { return fromGpx(EGpxOutputs::Desktop); }, keepsTrk,
       SSourcePlace::AtLine(3, 2), "2038-01-19 03:14:08 UTC"},
      {"GPX to .log", gpx, temp.Path("out/t.log"), [&] { return fromGpx(EGpxOutputs::Unit); }, keepsLog,
       SSourcePlace::AtLine(4, 2), "1901-12-13 20:45:52 UTC"},
      {".log to .trk", temp.Path("out/t.log"), temp.Path("back/t.trk"),
       [&] { return ConvertFileToDesktop(temp.Path("out/t.log"), temp.Path("back/t.trk"), report, context.settings); },
       keepsBoth, SSourcePlace::AtLine(2), "2038-01-19 03:14:08 UTC"},
      // The .trk's header, name "T" and count take 24 bytes, a node 29.
      {".trk to .log", temp.Path("out/t.trk"), temp.Path("back/t.log"),
       [&] { return ConvertFileToUnit(temp.Path("out/t.trk"), temp.Path("back/t.log"), context, report); }, keepsBoth,
       SSourcePlace::AtNode(2, 53), "no time"},
      {".trk to GPX", temp.Path("out/t.trk"), temp.Path("gpx/trk.gpx"),
       [&] { return ConvertFileToGpx(temp.Path("out/t.trk"), temp.Path("gpx/trk.gpx"), codePage, times, report); },
       keepsTrk, SSourcePlace::AtNode(2, 53), ""},
      {".log to GPX", temp.Path("out/t.log"), temp.Path("gpx/log.gpx"),
       [&] { return ConvertFileToGpx(temp.Path("out/t.log"), temp.Path("gpx/log.gpx"), codePage, times, report); },
       keepsLog, SSourcePlace::AtLine(3), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    report.Clear();
    ASSERT_TRUE(c.convert()) << (report.Lines().empty() ? "" : report.Lines()[0].reason);
    const std::vector<STime> written = TimesIn(c.target);
    ASSERT_EQ(written.size(), std::size(kPoints));
    std::uint64_t untimed = 0;
    for (std::size_t i = 0; i < written.size(); ++i) {
      const SPoint& point = kPoints[i];
      STime expected{times.NoTime(), 0};
      std::uint8_t hundredths = 0;
      if (c.keeps(point)) {
        ASSERT_TRUE(ParseGpxTime(point.time, expected.seconds, hundredths));
      }
      expected.hundredths = hundredths;
      untimed += c.keeps(point) ? 0 : 1;
      EXPECT_EQ(written[i].seconds, expected.seconds) << i;
      EXPECT_EQ(written[i].hundredths, expected.hundredths) << i;
    }
    ASSERT_EQ(report.Warnings().size(), 1u);
    const SSourceWarning& warning = report.Warnings()[0];
    EXPECT_EQ(warning.source, c.source);
    EXPECT_EQ(warning.count, untimed);
    EXPECT_EQ(warning.first, c.first) << warning.first.Text();
    EXPECT_EQ(warning.detail, c.detail);
    EXPECT_EQ(warning.outputs, std::vector<std::string>{c.target});
  }
}

}  // namespace
