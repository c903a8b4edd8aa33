// Tests of the unit's .upt, .rte and .log files: file layout rules, reasons for refusals and the
// safe write.
#include "formats/unit_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

#include "tests/child_process.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const std::string kHome = "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E";
const std::string kLake = "$PTVLWPL,4845.000,N,00230.000,E,0120,M,LAKE,,ab*00";
const std::string kRoute = "$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5C";
const std::string kEnd = "$PTVLCMD,END*37";

std::string WithChecksum(const std::string& body) {
  char sum[8];
  std::snprintf(sum, sizeof sum, "*%02X", Checksum(body));
  return "$" + body + sum;
}

std::string Lines(std::initializer_list<std::string> lines, const std::string& end = "\r\n") {
  std::string text;
  for (const auto& line : lines) text += line + end;
  return text;
}

std::string Track(const std::string& name, const std::string& time = "101530.25") {
  return WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M," + time + ",A," + name + ",061204");
}

class UnitFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTimeZone("Europe/Paris"); }

  std::string PathOf(const std::string& name) const { return (m_folder / name).string(); }
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  CTempFolder m_temp;
  fs::path m_folder = m_temp.Path();
};

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

// A FIFO must be refused at once: its open blocks until a writer comes, and its reads wait for one.
// The read runs in a child with an alarm, so that a hang fails instead of waiting.
TEST_F(UnitFilesTest, FifoIsRefusedWithoutWaiting) {
  const std::string path = PathOf("pipe.upt");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(ExitStatusInChild([&] {
              alarm(10);
              CUnitWaypointFile file;
              CDiagnostic why;
              const bool read = ReadUnitFile(path, file, &why);
              return !read && why.Reason().find("not a regular file") != std::string::npos ? 0 : 1;
            }),
            0)
      << "-1: the read did not return, 1: the FIFO was not refused as not regular";
}

// Bytes without end: a sentence begun and never ended.
class CEndlessSentence : public std::streambuf {
 public:
  CEndlessSentence() {
    std::memset(m_block, 'x', sizeof m_block);
    std::memcpy(m_block, "$PTVLTRK,", 9);
  }

 protected:
  int_type underflow() override {
    if (m_begun) std::memset(m_block, 'x', 9);
    m_begun = true;
    setg(m_block, m_block, m_block + sizeof m_block);
    return traits_type::to_int_type(*gptr());
  }

 private:
  char m_block[64 * 1024];
  bool m_begun = false;
};

// Running out of memory on a line that can be a sentence (here: one without end, under an address
// space limit in a child) refuses the file with a reason instead of a crash.
TEST_F(UnitFilesTest, ReadWithoutMemoryFailsWithAReason) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's allocator does not survive an address space limit";
#endif
  EXPECT_EQ(ExitStatusInChild([&] {
              if (!LimitAddressSpace(64 << 20)) return 3;
              CEndlessSentence endless;
              std::istream in(&endless);
              CUnitTrackFile track;
              CDiagnostic why;
              try {
                const bool read = ReadUnitStream(in, "t", track, &why);
                return read ? 1 : (why.Reason().find("not enough memory") != std::string::npos ? 0 : 2);
              } catch (...) {
                return 4;
              }
            }),
            0)
      << "-1: the read crashed, 1: it succeeded, 2: another reason, 3: no limit, 4: it threw";
}

// A line that cannot be a sentence is refused as soon as its first bytes show it, long as it may be
// (here up to a sparse GB, read under an address space limit in a child that must not need it):
// one that holds a NUL byte, and one longer than a reader's block that begins as no sentence that
// may stand there. A sentence as long as its name still reads.
TEST_F(UnitFilesTest, LinesThatCannotBeSentencesAreRefusedWhereTheyStand) {
  const std::string longName(300 * 1024, 'N');
  const std::string longWaypoint = WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M," + longName + ",,a");
  const std::string longTrack =
      WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,A," + longName + ",061204");
  const std::string nulInName =
      WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,HO" + std::string(1, '\0') + "ME,,a");
  constexpr std::uintmax_t kGigabyte = std::uintmax_t{1} << 30;
  const struct {
    const char* file;
    std::string text;
    std::uintmax_t size;  // the text followed by zero bytes up to this size; 0: the text alone
    std::uint64_t line;
    std::uint64_t column;
    std::string rule;  // empty: the file reads
  } cases[] = {
      {"zeros.upt", "", kGigabyte, 1, 1, "NUL byte, which no sentence holds"},
      {"zeros.rte", "", kGigabyte, 1, 1, "NUL byte, which no sentence holds"},
      {"zeros.log", "", kGigabyte, 1, 1, "NUL byte, which no sentence holds"},
      {"begun.upt", Lines({kHome}) + "$PTVLWPL,", kGigabyte, 2, 10, "NUL byte, which no sentence holds"},
      {"late.upt", Lines({kHome}) + "$PTVLWPL," + longName + longName, kGigabyte, 2, 9 + 2 * longName.size() + 1,
       "NUL byte, which no sentence holds"},
      {"name.upt", Lines({kHome, nulInName, kEnd}), 0, 2, 42, "NUL byte, which no sentence holds"},
      {"garbage.upt", Lines({kHome}) + longName, 0, 2, 1, "unknown text where WPL or the end sentence is due"},
      {"track.upt", Lines({kHome, longTrack, kEnd}), 0, 2, 6, "TRK sentence where WPL or the end sentence is due"},
      {"waypoint.log", Lines({longWaypoint, kEnd}), 0, 1, 6, "WPL sentence where TRK or the end sentence is due"},
      {"late.rte", Lines({kHome, kRoute, longWaypoint, kEnd}), 0, 3, 6,
       "WPL sentence where RTE or the end sentence is due"},
      {"after.upt", Lines({kHome, kEnd, longWaypoint}), 0, 3, 0, "text after the end sentence"},
      {"long.upt", Lines({kHome, longWaypoint, kEnd}), 0, 0, 0, ""},
      {"long.rte", Lines({kHome, WithChecksum("PTVLRTE,1,1,c,1," + longName + ",HOME,a"), kEnd}), 0, 0, 0, ""},
      {"long.log", Lines({longTrack, kEnd}), 0, 0, 0, ""},
  };
  for (const auto& c : cases) {
    Put(c.file, c.text);
    if (c.size != 0) fs::resize_file(PathOf(c.file), c.size);
    const std::string extension = fs::path(c.file).extension().string();
    EXPECT_EQ(ExitStatusInChild([&] {
                if (!LimitAddressSpace(64 << 20)) return 3;
                CUnitWaypointFile points;
                CUnitRouteFile routes;
                CUnitTrackFile track;
                CUnitFile* file = &track;
                if (extension == ".upt") file = &points;
                if (extension == ".rte") file = &routes;
                CDiagnostic why;
                const bool read = ReadUnitFile(PathOf(c.file), *file, &why);
                if (read == c.rule.empty() && why.Rule() == c.rule && why.Line() == c.line && why.Column() == c.column)
                  return 0;
                std::fprintf(stderr, "%s: %s\n", c.file, why.Reason().c_str());
                return 1;
              }),
              0)
        << c.file;
    fs::remove(PathOf(c.file));
  }
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

// A write that fails half-way (here: the file size limit) keeps the former file and leaves no
// temporary file beside it, whether it fails in the last piece or in one of the earlier chunks.
TEST_F(UnitFilesTest, FailedWriteKeepsTheFormerFile) {
  for (const int count : {2000, 20000}) {
    SCOPED_TRACE(count);
    Put("big.log", "former contents\r\n");
    CUnitTrackFile track;
    CTrkSentence point;
    point.SetName("BIG");
    for (int i = 0; i < count; ++i) track.AddPoint(point);

    EXPECT_EQ(ExitStatusInChild([&] {
                if (!LimitFileSize(4096)) return 3;
                CDiagnostic why;
                const bool written = WriteUnitFile(PathOf("big.log"), track, &why);
                return !written && !why.Reason().empty() ? 0 : 1;
              }),
              0)
        << "the write did not report its failure";
    EXPECT_EQ(Get("big.log"), "former contents\r\n");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_folder)) ++files;
    EXPECT_EQ(files, 1);

    ASSERT_TRUE(WriteUnitFile(PathOf("big.log"), track));
    EXPECT_EQ(Get("big.log").size(), static_cast<std::size_t>(count) * (point.Format().size() + 1) + kEnd.size() + 2u);
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
