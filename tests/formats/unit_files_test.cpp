// Tests of the unit's .upt, .rte and .log files: file layout rules, reasons for refusals and the
// safe write.
#include "formats/unit_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>

#include "tests/formats/unit_files_fixture.h"

namespace {

using namespace unit_files_fixture;

TEST_F(UnitFilesTest, OnlyTheEndSentenceGivesEmptyObjects) {
  CUnitWaypointFile points;
  CUnitRouteFile routes;
  CUnitTrackFile track;
  points.AddWaypoint(CWplSentence());
  for (CUnitFile* file : std::initializer_list<CUnitFile*>{&points, &routes, &track}) {
    CDiagnostic why;
    EXPECT_TRUE(ReadUnitText(Lines({kEnd}), "x", *file, &why)) << why.Reason();
  }
  EXPECT_EQ(points.GetWaypointCount(), 0u);
  EXPECT_EQ(routes.GetRouteCount(), 0u);
  EXPECT_EQ(track.GetPointCount(), 0u);
}

TEST_F(UnitFilesTest, RouteFileReadsGroupsAndRefusesBrokenOrder) {
  const std::string first = WithChecksum("PTVLRTE,2,1,c,1,WALK,HOME,a,LAKE,ab");
  const std::string second = WithChecksum("PTVLRTE,2,2,c,1,WALK,HOME,a");
  const std::string single = WithChecksum("PTVLRTE,1,1,c,2,BACK,LAKE,ab");
  CUnitRouteFile file;
  CDiagnostic why;
  ASSERT_TRUE(ReadUnitText(Lines({kHome, kLake, first, second, single, kEnd}), "walk", file, &why)) << why.Reason();
  EXPECT_EQ(file.GetWaypointCount(), 2u);
  ASSERT_EQ(file.GetRouteCount(), 3u);
  EXPECT_EQ(file.GetRoute(1).GetNumber(), 2u);
  EXPECT_EQ(file.GetRoute(2).GetRouteName(), "BACK");
  // A group left incomplete is kept for the conversion to drop.
  EXPECT_TRUE(ReadUnitText(Lines({kHome, first, kEnd}), "walk", file));
  EXPECT_EQ(file.GetRouteCount(), 1u);

  const struct {
    std::string text;
    std::uint64_t line;
    const char* rule;
  } refused[] = {
      {Lines({kHome, kLake, first, first, kEnd}), 4, "route sentence 1 of 2 follows 1 of 2"},
      {Lines({kHome, second, kEnd}), 2, "route sentence 2 of 2 begins a route"},
      {Lines({first, WithChecksum("PTVLRTE,3,2,c,1,WALK"), kEnd}), 2, "route sentence 2 of 3 follows 1 of 2"},
      {Lines({kHome, kRoute, kLake, kEnd}), 3, "WPL sentence where RTE or the end sentence is due"},
      {Lines({kHome, Track("T"), kEnd}), 2, "TRK sentence where WPL, RTE or the end sentence is due"},
      {Lines({kHome, WithChecksum("PTVLRTE,1,1,x,1,WALK"), kEnd}), 2, "route kind 'x' is not allowed"},
  };
  for (const auto& c : refused) {
    CDiagnostic reason;
    EXPECT_FALSE(ReadUnitText(c.text, "walk", file, &reason)) << c.text;
    EXPECT_EQ(reason.Line(), c.line) << c.text;
    EXPECT_EQ(reason.Rule(), c.rule) << c.text;
  }
}

TEST_F(UnitFilesTest, FileRulesAndTheirReasons) {
  const std::string badChecksum = kHome.substr(0, kHome.size() - 2) + "2F";
  const struct {
    std::string text;
    bool accepted;
    std::uint64_t line;  // 0: the rule has no line
    const char* rule;
  } cases[] = {
      {Lines({kHome, kLake}) + kEnd, true, 0, ""},  // the last line may lack its line end
      {Lines({kHome, kLake, kEnd}, "\n"), true, 0, ""},
      {Lines({kHome, kEnd}) + "\r\n", false, 3, "text after the end sentence"},
      {Lines({kHome, kEnd, kEnd}), false, 3, "text after the end sentence"},
      {Lines({kHome, badChecksum, kEnd}), false, 2, "checksum 2F does not match 2E"},
      {Lines({kHome, Track("T"), kEnd}), false, 2, "TRK sentence where WPL or the end sentence is due"},
      {Lines({kHome, ""}), false, 2, "empty line where WPL or the end sentence is due"},
      {Lines({kHome, "hello"}), false, 2, "unknown text where WPL or the end sentence is due"},
      {Lines({kHome, WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START")}), false, 2,
       "waypoint sentence has 10 fields"},
      {Lines({kHome, WithChecksum("PTVLCMD,STOP")}), false, 2, "command 'STOP' is not END"},
      {Lines({kHome, kLake}), false, 0, "file ends without the end sentence"},
      {"", false, 0, "file ends without the end sentence"},
      {Lines({kHome, kEnd}, "\r"), false, 1, "checksum field '37\r' is not two characters"},  // CR alone ends no line
      {Lines({kHome, kEnd}, "\r\r\n"), false, 1, "checksum field '2E\r' is not two characters"},
  };
  for (const auto& c : cases) {
    CUnitWaypointFile file;
    CDiagnostic why;
    EXPECT_EQ(ReadUnitText(c.text, "points", file, &why), c.accepted) << c.text;
    EXPECT_EQ(why.Line(), c.line) << c.text;
    EXPECT_EQ(why.Rule(), c.rule) << c.text;
  }
  // The sentences before the bad line stay in the object.
  CUnitWaypointFile file;
  EXPECT_FALSE(ReadUnitText(Lines({kHome, badChecksum, kEnd}), "points", file));
  ASSERT_EQ(file.GetWaypointCount(), 1u);
  EXPECT_EQ(file.GetWaypoint(0).GetName(), "HOME");
}

TEST_F(UnitFilesTest, TrackPointsWithoutNameTakeTheFileTitle) {
  Put("MORNINGWALK.log", Lines({Track(""), Track("   "), Track("KEEP ME"), kEnd}));
  CUnitTrackFile track;
  CDiagnostic why;
  ASSERT_TRUE(ReadUnitFile(PathOf("MORNINGWALK.log"), track, &why)) << why.Reason();
  ASSERT_EQ(track.GetPointCount(), 3u);
  EXPECT_EQ(track.GetPoint(0).GetName(), "MORNINGW");
  EXPECT_EQ(track.GetPoint(1).GetName(), "MORNINGW");
  EXPECT_EQ(track.GetPoint(2).GetName(), "KEEP ME");

  const struct {
    const char* title;
    const char* name;
  } titles[] = {
      {"SHORT", "SHORT"}, {"", ""}, {"MORGENRÖTE", "MORGENR"}, {"ABCDEFGÖ", "ABCDEFG"}, {"ABCDEFGH", "ABCDEFGH"}};
  for (const auto& c : titles) {
    ASSERT_TRUE(ReadUnitText(Lines({Track(""), kEnd}), c.title, track));
    EXPECT_EQ(track.GetPoint(0).GetName(), c.name) << c.title;
  }
  EXPECT_EQ(UnitFileTitle("/media/ann/NORVANTIS/Tracks/MORNINGWALK.log"), "MORNINGWALK");
  EXPECT_EQ(UnitFileTitle("E:\\Tracks\\a.b.log"), "a.b");
  EXPECT_EQ(UnitFileTitle("plain"), "plain");

  CDiagnostic reason;
  EXPECT_FALSE(ReadUnitText(Lines({Track("A"), Track("B", "241530.25"), kEnd}), "t", track, &reason));
  EXPECT_EQ(reason.Reason(), "line 2: track time '241530.25' is out of range");
  EXPECT_EQ(track.GetPointCount(), 1u);
  EXPECT_FALSE(ReadUnitText(Lines({Track("A"), kHome, kEnd}), "t", track, &reason));
  EXPECT_EQ(reason.Reason(), "line 2, column 6: WPL sentence where TRK or the end sentence is due");
}

TEST_F(UnitFilesTest, WaypointLookupsInRoutes) {
  CUnitWaypointFile points;
  CUnitRouteFile routes;
  ASSERT_TRUE(ReadUnitText(Lines({kHome, kLake, kRoute, kEnd}), "walk", routes));
  ASSERT_TRUE(ReadUnitText(Lines({kHome, kLake, kEnd}), "walk", points));
  EXPECT_FALSE(points.IsWaypointInRoute("HOME"));
  EXPECT_FALSE(points.IsWaypointInRoute(""));
  EXPECT_TRUE(routes.IsWaypointInRoute("LAKE"));
  EXPECT_FALSE(routes.IsWaypointInRoute("lake"));
  const CUnitWaypointFile& asPoints = routes;
  EXPECT_TRUE(asPoints.IsWaypointInRoute("HOME"));

  CWplSentence second;
  second.SetName("LAKE");
  second.SetComment("second");
  routes.AddWaypoint(second);
  CWplSentence found;
  int index = 7;
  ASSERT_TRUE(routes.FindWaypoint("LAKE", found, index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(found.GetComment(), "");
  EXPECT_FALSE(routes.FindWaypoint("Lake", found, index));
  EXPECT_EQ(index, -1);
}

TEST_F(UnitFilesTest, WritesCrLfLinesAndTheEndSentence) {
  CUnitRouteFile empty;
  ASSERT_TRUE(WriteUnitFile(PathOf("empty.rte"), empty));
  EXPECT_EQ(Get("empty.rte"), kEnd + "\r\n");

  CUnitRouteFile routes;
  ASSERT_TRUE(ReadUnitText(Lines({kHome, kLake, kRoute, kEnd}, "\n"), "walk", routes));
  CDiagnostic why;
  ASSERT_TRUE(WriteUnitFile(PathOf("walk.rte"), routes, &why)) << why.Reason();
  EXPECT_EQ(Get("walk.rte"), Lines({kHome, kLake, kRoute, kEnd}));
  // Reading from a stream gives the same object.
  std::istringstream in(Get("walk.rte"));
  CUnitRouteFile again;
  ASSERT_TRUE(ReadUnitStream(in, "walk", again));
  std::string text;
  WriteUnitText(again, text);
  EXPECT_EQ(text, Get("walk.rte"));

  // A stream that fails is no file at all.
  std::istringstream broken(Get("walk.rte"));
  broken.setstate(std::ios::badbit);
  EXPECT_FALSE(ReadUnitStream(broken, "walk", again, &why));
  EXPECT_EQ(why.Reason(), "the file could not be read");
  EXPECT_EQ(again.GetWaypointCount(), 0u);

  CUnitWaypointFile missing;
  missing.AddWaypoint(CWplSentence());
  EXPECT_FALSE(ReadUnitFile(PathOf("missing.upt"), missing, &why));
  EXPECT_EQ(missing.GetWaypointCount(), 0u);
  EXPECT_NE(why.Reason().find("cannot open"), std::string::npos);
  EXPECT_FALSE(ReadUnitFile(m_folder.string(), missing, &why));
}

// Track logs are written with cached local times; every line must equal the one a plain Format
// gives, also across the night when the clocks go back, and must read back to the same values.
TEST_F(UnitFilesTest, TrackLogRoundTripAcrossClockChange) {
  std::tm start{};
  start.tm_year = 104;
  start.tm_mon = 9;
  start.tm_mday = 30;
  start.tm_hour = 22;
  start.tm_isdst = -1;
  const std::time_t first = std::mktime(&start);
  CUnitTrackFile track;
  std::string expected;
  for (std::time_t t = first; t < first + 8 * 3600; t += 13) {
    CTrkSentence point;
    CPosition position;
    position.SetLatitude(-4830.123 - static_cast<double>(t - first) / 1000);
    position.SetLongitude(215.5);
    point.SetPosition(position);
    point.SetTime(t);
    point.SetHundredths(static_cast<unsigned>(t % 100));
    point.SetName("NIGHT");
    track.AddPoint(point);
    std::string line = point.Format();
    expected += line.insert(line.size() - 1, "\r");
  }
  expected += kEnd + "\r\n";
  std::string text;
  WriteUnitText(track, text);
  ASSERT_EQ(text, expected);

  CUnitTrackFile again;
  CDiagnostic why;
  ASSERT_TRUE(ReadUnitText(text, "night", again, &why)) << why.Reason();
  ASSERT_EQ(again.GetPointCount(), track.GetPointCount());
  for (std::size_t i = 0; i < track.GetPointCount(); ++i) {
    // Local times of the hour that occurs twice cannot tell which one they were.
    std::tm local{};
    const std::time_t t = track.GetPoint(i).GetTime();
    platform::ToLocalTime(t, local);
    EXPECT_EQ(again.GetPoint(i).GetTime(), LocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                                     local.tm_hour, local.tm_min, local.tm_sec))
        << i;
    EXPECT_EQ(again.GetPoint(i).GetHundredths(), track.GetPoint(i).GetHundredths());
    EXPECT_DOUBLE_EQ(again.GetPoint(i).GetPosition().GetLatitude(), track.GetPoint(i).GetPosition().GetLatitude());
  }
}

// A file that is written in many chunks holds exactly the text that is made in one piece, the
// points of a route file before its routes.
TEST_F(UnitFilesTest, FileWrittenInChunksMatchesTheText) {
  CUnitTrackFile track;
  CUnitRouteFile routes;
  ASSERT_TRUE(ReadUnitText(Lines({kHome, kLake, kRoute, kEnd}, "\n"), "walk", routes));
  for (int i = 0; i < 12000; ++i) {
    CTrkSentence point;
    point.SetName("P" + std::to_string(i % 1000));
    point.SetTime(1686384930 + i);
    point.SetHundredths(static_cast<unsigned>(i % 100));
    track.AddPoint(point);
    routes.AddWaypoint(routes.GetWaypoint(static_cast<std::size_t>(i % 2)));
  }
  for (const CUnitFile* file : std::initializer_list<const CUnitFile*>{&track, &routes}) {
    std::string text;
    WriteUnitText(*file, text);
    ASSERT_GT(text.size(), 512u * 1024u);
    CDiagnostic why;
    ASSERT_TRUE(WriteUnitFile(PathOf("chunks.txt"), *file, &why)) << why.Reason();
    EXPECT_TRUE(Get("chunks.txt") == text);
  }
}

}  // namespace
