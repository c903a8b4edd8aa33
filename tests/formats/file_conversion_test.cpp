// The streamed whole-file conversions: the bytes, refusals and reasons of the whole-document
// routines, whatever the size of the file and wherever its blocks end.
#include "formats/file_conversion.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "formats/conversion.h"
#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "tests/formats/golden_support.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class FileConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Europe/Paris", 1);
    tzset();
  }

  std::string PathOf(const std::string& name) const { return (m_folder / name).string(); }
  // Nothing but the named files: no temporary file was left behind.
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
  }

  CTempFolder m_temp;
  fs::path m_folder = m_temp.Path();
};

// A walk long enough that its files span many read blocks; the last `renamed` points carry another
// track name, as a log joined from two does.
CVexlornFileTrk LongTrack(std::size_t nodes, const std::string& name) {
  CVexlornFileTrk track;
  track.SetName(name);
  for (std::size_t i = 0; i < nodes; ++i) {
    SVexlornTnodBlock node;
    node.SetLatitude(-46.5 - static_cast<double>(i) * 1.3e-5);
    node.SetLongitude(8.0 + static_cast<double>(i) * 1.7e-5);
    node.SetAltitude(static_cast<float>(1200 + i % 700) * 0.5f);
    node.SetTime(1717218000 + static_cast<std::int32_t>(i));
    node.SetHundredths(static_cast<std::uint8_t>(i % 100));
    node.SetValidFix(i % 37 == 0 ? 0 : 1);
    track.GetNodes().Add(node);
  }
  return track;
}

std::string LogText(const CVexlornFileTrk& track) {
  CUnitTrackFile log;
  EXPECT_TRUE(ConvertTrackToUnit(track, log));
  std::string text;
  WriteUnitText(log, text);
  return text;
}

// A log whose last points have another name (of the given length): the .trk keeps the last one.
std::string RenamedLog(const std::string& text, std::size_t points, const std::string& last) {
  std::string renamed;
  std::istringstream lines(text);
  std::string line;
  for (std::size_t i = 0; std::getline(lines, line); ++i) {
    line.pop_back();  // the CR
    if (i + 3 >= points && line.rfind("$PTVLTRK", 0) == 0) {
      CTrkSentence point;
      EXPECT_TRUE(point.Parse(line));
      point.SetName(last);
      std::string rewritten;
      point.AppendLine(rewritten, "\r\n");
      renamed += rewritten;
    } else {
      renamed += line + "\r\n";
    }
  }
  return renamed;
}

std::string WithChecksum(const std::string& body) {
  char sum[8];
  std::snprintf(sum, sizeof sum, "*%02X", Checksum(body));
  return "$" + body + sum + "\r\n";
}

TEST_F(FileConversionTest, StreamedFilesAreThoseOfTheDocuments) {
  constexpr std::size_t kNodes = 12000;  // some 350 KB of .trk and 850 KB of .log
  const CVexlornFileTrk track = LongTrack(kNodes, "WALK");
  std::vector<std::uint8_t> trk;
  ASSERT_TRUE(SaveVexlornBytes(track, trk));
  WriteBytes(PathOf("walk.trk"), std::string(trk.begin(), trk.end()));
  const std::string log = LogText(track);
  WriteBytes(PathOf("walk.log"), log);
  // The same name, one of the same length and one longer than the first: the count and name in
  // front of the nodes are filled in at the end, in place or by moving the nodes.
  WriteBytes(PathOf("same.log"), RenamedLog(log, kNodes, "WALK"));
  WriteBytes(PathOf("equal.log"), RenamedLog(log, kNodes, "TALK"));
  WriteBytes(PathOf("longer.log"), RenamedLog(log, kNodes, "EVENING WALK"));

  SConversionOutcome outcome = ConvertTrackFileToUnit(PathOf("walk.trk"), PathOf("out.log"));
  ASSERT_TRUE(outcome.done) << outcome.why.Reason();
  EXPECT_TRUE(SameBytes(log, ReadBytes(PathOf("out.log"))));

  for (const char* name : {"walk.log", "same.log", "equal.log", "longer.log"}) {
    CUnitTrackFile points;
    CVexlornFileTrk document;
    std::vector<std::uint8_t> expected;
    ASSERT_TRUE(ReadUnitFile(PathOf(name), points) && ConvertTrackToDesktop(points, document) &&
                SaveVexlornBytes(document, expected));
    outcome = ConvertTrackLogToDesktop(PathOf(name), PathOf("out.trk"));
    ASSERT_TRUE(outcome.done) << name << ": " << outcome.why.Reason();
    EXPECT_TRUE(SameBytes(std::string(expected.begin(), expected.end()), ReadBytes(PathOf("out.trk")))) << name;
  }

  // Waypoints and routes: one reading for both files, each as its own conversion makes it.
  const std::string trip = FixturePath("trip~saved.wpt");
  CVexlornFileWpt document;
  ASSERT_TRUE(LoadVexlornFile(trip, document));
  CUnitWaypointFile points;
  CUnitRouteFile routes;
  ASSERT_TRUE(ConvertWaypointsToUnit(document, points) && ConvertRoutesToUnit(document, routes));
  std::string upt, rte;
  WriteUnitText(points, upt);
  WriteUnitText(routes, rte);
  const std::vector<SConversionOutcome> outcomes =
      ConvertWaypointFileToUnit(trip, {{PathOf("trip.rte"), true}, {PathOf("trip.upt"), false}});
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_TRUE(outcomes[0].done && outcomes[1].done);
  EXPECT_TRUE(SameBytes(rte, ReadBytes(PathOf("trip.rte"))));
  EXPECT_TRUE(SameBytes(upt, ReadBytes(PathOf("trip.upt"))));
  EXPECT_EQ(FileCount(), 9u);
}

// Lines of a point or route file, made by the sentences' own writer.
std::string WaypointLine(const std::string& name, std::size_t i) {
  CWplSentence waypoint;
  CPosition position;
  position.SetLatitude(-(4500.0 + static_cast<double>(i % 4000) / 7));
  position.SetLongitude(600.0 + static_cast<double>(i % 3000) / 3);
  position.SetAltitude(static_cast<double>(i % 2500));
  position.SetAltitudeUnit(i % 2 == 0 ? "M" : "F");
  waypoint.SetPosition(position);
  waypoint.SetName(name);
  waypoint.SetComment(i % 3 == 0 ? "" : "comment " + std::to_string(i));
  waypoint.SetIcon(SymbolToIcon(static_cast<std::uint8_t>(i % 42)));
  std::string line;
  waypoint.AppendLine(line, "\r\n");
  return line;
}

// One sentence of a route group: `place` of `total`, with the names as entries.
std::string RouteLine(const std::string& route, std::uint32_t place, std::uint32_t total,
                      const std::vector<std::string>& names) {
  CRteWaypointsSentence sentence;
  sentence.SetTotal(total);
  sentence.SetNumber(place);
  sentence.SetRouteNumber(static_cast<std::int32_t>(route.size()));
  sentence.SetRouteName(route);
  for (const std::string& name : names) {
    CRouteEntry entry;
    entry.SetName(name);
    entry.SetIcon(SymbolToIcon(static_cast<std::uint8_t>(name.size() * 5 % 42)));
    sentence.AddEntry(entry);
  }
  std::string line;
  sentence.AppendLine(line, "\r\n");
  return line;
}

// A whole route, two entries to a sentence.
std::string RouteLines(const std::string& route, const std::vector<std::string>& names) {
  const auto total = static_cast<std::uint32_t>(std::max<std::size_t>(1, (names.size() + 1) / 2));
  std::string lines;
  for (std::uint32_t place = 1; place <= total; ++place) {
    const auto first = names.begin() + std::min<std::ptrdiff_t>(2 * (place - 1), std::ssize(names));
    lines += RouteLine(route, place, total,
                       std::vector<std::string>(first, first + std::min<std::ptrdiff_t>(2, names.end() - first)));
  }
  return lines;
}

const std::string kEndLine = WithChecksum("PTVLCMD,END");

// The desktop file that reading the whole unit file and converting its document gives.
std::string WholeDocumentBytes(const std::string& path, bool routes) {
  CUnitRouteFile routeFile;
  CUnitWaypointFile pointFile;
  CVexlornFileWpt document;
  CDiagnostic why;
  const bool converted =
      routes ? ReadUnitFile(path, routeFile, &why) && ConvertRoutesToDesktop(routeFile, document, &why)
             : ReadUnitFile(path, pointFile, &why) && ConvertWaypointsToDesktop(pointFile, document, &why);
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(converted && SaveVexlornBytes(document, bytes)) << why.Reason();
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(FileConversionTest, StreamedPointFilesAreThoseOfTheDocuments) {
  std::string places, manyRoutes, longRoute;
  // Some 15,000 points and routes hopping among them (several partitions, and regions of the desktop
  // file); then one route of 40,000 points, more than a route's points kept in memory.
  for (std::size_t i = 0; i < 15000; ++i) places += WaypointLine("P" + std::to_string(i * 7919 % 30011), i);
  for (std::size_t r = 0; r < 2000; ++r) {
    std::vector<std::string> names;
    for (std::size_t j = 0; j < 1 + r % 25; ++j)
      names.push_back("P" + std::to_string((r * 131 + j * 977) % 15000 * 7919 % 30011));
    manyRoutes += RouteLines("R" + std::to_string(r), names);
  }
  std::vector<std::string> all;
  for (std::size_t i = 0; i < 40000; ++i) all.push_back("P" + std::to_string(i % 15000 * 7919 % 30011));
  longRoute = RouteLines("ALL THE WAY", all);

  const std::string a = WaypointLine("A", 1), b = WaypointLine("B", 2), c = WaypointLine("C", 3);
  const std::string again = WaypointLine("A", 4);
  const struct {
    const char* what;
    std::string name;  // its extension picks the file kind
    std::string text;
  } cases[] = {
      {"golden", "walk.rte", ReadBytes(FixturePath("walk.rte"))},
      {"golden", "walk.upt", ReadBytes(FixturePath("walk.upt"))},
      {"golden", "loop.rte", ReadBytes(FixturePath("loop.rte"))},
      {"golden", "weekend.rte", ReadBytes(FixturePath("weekend~unit.rte"))},
      {"golden", "extra.upt", ReadBytes(FixturePath("extra.upt"))},
      {"no sentences", "none.rte", kEndLine},
      {"points only", "points.rte", a + b + kEndLine},
      {"shared and repeated names", "shared.rte",
       a + b + again + c + RouteLines("ONE", {"A", "B"}) + RouteLines("TWO", {"B", "A", "C", "A"}) + kEndLine},
      {"a route without points", "empty.rte", a + RouteLines("NONE", {}) + RouteLines("ONE", {"A"}) + kEndLine},
      // The sentence that closes a group names its route, whatever the ones before said.
      {"renamed longer", "longer.rte",
       a + b + RouteLine("SHORT", 1, 2, {"A", "B"}) + RouteLine("A MUCH LONGER NAME", 2, 2, {"A"}) + kEndLine},
      {"renamed shorter", "shorter.rte",
       a + b + RouteLine("A MUCH LONGER NAME", 1, 2, {"B"}) + RouteLine("S", 2, 2, {"A"}) + kEndLine},
      // A group without its last sentence is left out, but its points still put waypoints in a route.
      {"unfinished last route", "unfinished.rte",
       a + b + c + RouteLines("ONE", {"A"}) + RouteLine("CUT", 1, 3, {"C", "B"}) + kEndLine},
      {"many points and routes", "places.rte", places + manyRoutes + kEndLine},
      {"many points", "places.upt", places + kEndLine},
      {"one long route", "long.rte", places + longRoute + kEndLine},
  };
  for (const auto& c : cases) {
    WriteBytes(PathOf(c.name), c.text);
    const bool routes = c.name.back() == 'e';
    const std::string expected = WholeDocumentBytes(PathOf(c.name), routes);
    const SConversionOutcome outcome = ConvertPointFileToDesktop(PathOf(c.name), PathOf("out.wpt"), routes);
    ASSERT_TRUE(outcome.done) << c.what << ": " << outcome.why.Reason();
    EXPECT_TRUE(SameBytes(expected, ReadBytes(PathOf("out.wpt")))) << c.what;
    fs::remove(PathOf(c.name));
    EXPECT_EQ(FileCount(), 1u) << c.what;
  }
}

// Bytes after the last node or route are never read, whatever they hold and however many: the file
// converts as it would without them, and its outcome says how many there are and where they begin.
TEST_F(FileConversionTest, BytesAfterTheLastRecordAreCountedNotRead) {
  const std::string trk = ReadBytes(FixturePath("track1000~saved.trk"));
  const std::string wpt = ReadBytes(FixturePath("trip~saved.wpt"));
  WriteBytes(PathOf("plain.trk"), trk);
  WriteBytes(PathOf("plain.wpt"), wpt);
  ASSERT_TRUE(ConvertTrackFileToUnit(PathOf("plain.trk"), PathOf("plain.log")).done);
  ASSERT_TRUE(ConvertWaypointFileToUnit(PathOf("plain.wpt"), {{PathOf("plain.rte"), true}})[0].done);
  for (const std::size_t padding : {std::size_t{0}, std::size_t{1}, std::size_t{300000}}) {
    SCOPED_TRACE(padding);
    // Marker bytes, as if another file followed.
    const std::string junk(padding, '\x0D');
    WriteBytes(PathOf("padded.trk"), trk + junk);
    WriteBytes(PathOf("padded.wpt"), wpt + junk);
    const SConversionOutcome track = ConvertTrackFileToUnit(PathOf("padded.trk"), PathOf("padded.log"));
    const SConversionOutcome points =
        ConvertWaypointFileToUnit(PathOf("padded.wpt"), {{PathOf("padded.rte"), true}})[0];
    CVexlornFileWpt doc;
    STrailingBytes loaded;
    ASSERT_TRUE(track.done && points.done && LoadVexlornFile(PathOf("padded.wpt"), doc, nullptr, nullptr, &loaded));
    EXPECT_EQ(track.trailing, (STrailingBytes{padding, trk.size()}));
    EXPECT_EQ(points.trailing, (STrailingBytes{padding, wpt.size()}));
    EXPECT_EQ(loaded, points.trailing);
    EXPECT_EQ(ReadBytes(PathOf("padded.log")), ReadBytes(PathOf("plain.log")));
    EXPECT_EQ(ReadBytes(PathOf("padded.rte")), ReadBytes(PathOf("plain.rte")));
  }
}

// A fault of loading anywhere in the file wins over one of converting before it, as when the whole
// file was loaded first; a refused file leaves the target as it was and no temporary file.
TEST_F(FileConversionTest, RefusalsKeepTheirStepAndPlace) {
  const std::string good = WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,A,T,061204");
  const std::string lostTrack = WithChecksum("PTVLTRK,4830.000,N,inf,W,0035,M,101530.25,A,T,061204");
  const std::string end = WithChecksum("PTVLCMD,END");
  const std::string home = WaypointLine("HOME", 1), lake = WaypointLine("LAKE", 2);
  const std::string nowhere = WithChecksum("PTVLWPL,inf,N,00215.000,E,0035,M,NOWHERE,,a");
  CVexlornFileTrk nan = LongTrack(3, "N");
  std::vector<SVexlornTnodBlock> nodes(nan.GetNodes().begin(), nan.GetNodes().end());
  nodes[1].SetLatitude(std::nan(""));
  nan.GetNodes().RemoveAll();
  for (const SVexlornTnodBlock& node : nodes) nan.GetNodes().Add(node);
  std::vector<std::uint8_t> nanTrk;
  ASSERT_TRUE(SaveVexlornBytes(nan, nanTrk));
  const std::string nanBytes(nanTrk.begin(), nanTrk.end());
  // The third node's hundredths (header 18, name 2, count 4, two nodes of 29, 28 into the node).
  std::string badHundredths = nanBytes;
  badHundredths.at(18 + 2 + 4 + 2 * 29 + 28) = 100;

  struct SCase {
    const char* what;
    std::string source;  // file name; its extension picks the conversion
    std::string bytes;
    EConversionStep step;
    std::uint64_t line;
    std::string rule;
  };
  const SCase cases[] = {
      {"convert only", "a.log", good + lostTrack + good + end, EConversionStep::Convert, 0,
       "track point 2: longitude -inf is not a position"},
      {"load after convert", "b.log", good + lostTrack + good + "junk\r\n" + end, EConversionStep::Load, 4,
       "unknown text where TRK or the end sentence is due"},
      {"text after the end", "c.log", good + lostTrack + end + "\r\n", EConversionStep::Load, 4,
       "text after the end sentence"},
      {"convert only", "d.trk", nanBytes, EConversionStep::Convert, 0, "track point 2: latitude nan cannot be written"},
      {"load after convert", "e.trk", badHundredths, EConversionStep::Load, 0, "hundredths 100 out of range"},
      // The first point in the file that names no waypoint, under the name of its own sentence.
      {"convert only", "f.rte",
       home + lake + RouteLines("WALK", {"HOME", "LAKE"}) + RouteLine("BACK", 1, 2, {"LAKE", "MOON"}) +
           RouteLine("HOME AGAIN", 2, 2, {"MARS"}) + end,
       EConversionStep::Convert, 0, "route BACK: waypoint MOON is not in the file"},
      {"unfinished route", "g.rte", home + RouteLine("CUT", 1, 2, {"HOME", "MOON"}) + end, EConversionStep::Convert, 0,
       "route CUT: waypoint MOON is not in the file"},
      {"load after convert", "h.rte", home + RouteLines("WALK", {"MOON"}) + home + end, EConversionStep::Load, 3,
       "WPL sentence where RTE or the end sentence is due"},
      {"a waypoint before a route", "i.rte", home + nowhere + RouteLines("WALK", {"MOON"}) + end,
       EConversionStep::Convert, 0, "waypoint 2: latitude -inf is not a position"},
      {"convert only", "j.upt", home + nowhere + end, EConversionStep::Convert, 0,
       "waypoint 2: latitude -inf is not a position"},
      {"no end", "k.upt", home + lake, EConversionStep::Load, 0, "file ends without the end sentence"},
  };
  for (const SCase& c : cases) {
    WriteBytes(PathOf(c.source), c.bytes);
    WriteBytes(PathOf("kept"), "the user's former file");
    const std::string extension = fs::path(c.source).extension().string();
    const SConversionOutcome outcome =
        extension == ".log"   ? ConvertTrackLogToDesktop(PathOf(c.source), PathOf("kept"))
        : extension == ".trk" ? ConvertTrackFileToUnit(PathOf(c.source), PathOf("kept"))
                              : ConvertPointFileToDesktop(PathOf(c.source), PathOf("kept"), extension == ".rte");
    EXPECT_FALSE(outcome.done) << c.what << " " << c.source;
    EXPECT_EQ(outcome.step, c.step) << c.what << " " << c.source;
    EXPECT_EQ(outcome.why.Line(), c.line) << c.what << " " << c.source;
    EXPECT_EQ(outcome.why.Rule(), c.rule) << c.what << " " << c.source;
    EXPECT_EQ(ReadBytes(PathOf("kept")), "the user's former file") << c.what;
    fs::remove(PathOf(c.source));
    EXPECT_EQ(FileCount(), 1u) << c.what;
  }

  // A point or route file into a target that cannot be written: a fault of its source still comes
  // first, as converting the whole file before writing it would find it.
  fs::create_directories(PathOf("folder.wpt"));
  WriteBytes(PathOf("good.rte"), home + RouteLines("WALK", {"HOME"}) + end);
  WriteBytes(PathOf("bad.rte"), home + RouteLines("WALK", {"MOON"}) + end);
  EXPECT_EQ(ConvertPointFileToDesktop(PathOf("good.rte"), PathOf("folder.wpt"), true).step, EConversionStep::Write);
  EXPECT_EQ(ConvertPointFileToDesktop(PathOf("bad.rte"), PathOf("folder.wpt"), true).step, EConversionStep::Convert);

  // One source for two targets: a target that cannot be written fails alone, after its source was
  // found good; a source that cannot be loaded fails both.
  fs::create_directories(PathOf("folder.upt"));
  std::vector<SConversionOutcome> outcomes = ConvertWaypointFileToUnit(
      FixturePath("trip~saved.wpt"), {{PathOf("folder.upt"), false}, {PathOf("trip.rte"), true}});
  EXPECT_EQ(outcomes[0].step, EConversionStep::Write);
  EXPECT_FALSE(outcomes[0].done);
  EXPECT_TRUE(outcomes[1].done);
  WriteBytes(PathOf("cut.wpt"), ReadBytes(FixturePath("trip~saved.wpt")).substr(0, 60));
  outcomes = ConvertWaypointFileToUnit(PathOf("cut.wpt"), {{PathOf("folder.upt"), false}, {PathOf("cut.rte"), true}});
  for (const SConversionOutcome& outcome : outcomes) {
    EXPECT_EQ(outcome.step, EConversionStep::Load);
    EXPECT_TRUE(outcome.why.HasOffset());
  }
  EXPECT_FALSE(fs::exists(PathOf("cut.rte")));
}

// Lines and records are read in blocks: a source that gives a few bytes at a time, cutting every
// line end, sentence and record somewhere, reads as the whole text does.
class CTrickle : public CByteSource {
 public:
  explicit CTrickle(std::string text) : m_text(std::move(text)) {}
  bool Read(char* buffer, std::size_t size, std::size_t& got, CDiagnostic*) override {
    got = std::min({size, m_text.size() - m_at, 1 + m_at % 7});
    std::copy_n(m_text.data() + m_at, got, buffer);
    m_at += got;
    return true;
  }

 private:
  std::string m_text;
  std::size_t m_at = 0;
};

TEST(LineReader, LinesCutAnywhereReadAsAWholeText) {
  // The golden files, and lines longer than the reader's blocks between short ones: from a file these
  // are read again into room of their own.
  const std::string longLines = WaypointLine("A", 1) + WaypointLine(std::string(600 * 1024, 'N'), 2) +
                                WaypointLine("B", 3) + WaypointLine(std::string(300 * 1024, 'M'), 4) + kEndLine;
  CTempFolder temp;
  for (const std::string name : {"walk.rte", "MORNINGWALK.log", "extra.upt", "long lines"}) {
    const std::string text = name == "long lines" ? longLines : ReadBytes(FixturePath(name));
    for (const std::string& variant : {text, text.substr(0, text.size() - 2), text + "\n"}) {
      CUnitLineReader whole(variant);
      CTrickle trickle(variant);
      CUnitLineReader blocks(trickle);
      CInputFile input;
      ASSERT_TRUE(input.Open(temp.File("lines", variant)));
      CUnitLineReader file(input);
      std::string_view a, b, c;
      bool more = true;
      while (more) {
        more = whole.ReadLine(a);
        ASSERT_EQ(blocks.ReadLine(b), more) << name;
        ASSERT_EQ(file.ReadLine(c), more) << name;
        if (more) {
          ASSERT_EQ(a, b) << name << " line " << whole.GetLineNumber();
          ASSERT_EQ(a, c) << name << " line " << whole.GetLineNumber();
          // A line of more than two blocks always is apart, one of less than a block never.
          if (a.size() >= 512 * 1024 || a.size() <= 256 * 1024) {
            EXPECT_EQ(file.IsLineApart(), a.size() >= 512 * 1024) << name << " line " << whole.GetLineNumber();
          }
          if (file.IsLineApart()) {
            EXPECT_EQ(file.TakeLine(), a);
          }
        }
      }
      EXPECT_EQ(blocks.GetLineNumber(), whole.GetLineNumber());
      EXPECT_EQ(file.GetLineNumber(), whole.GetLineNumber());
    }
  }
}

}  // namespace
