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

std::string WithChecksum(const std::string& body) {
  char sum[8];
  std::snprintf(sum, sizeof sum, "*%02X", Checksum(body));
  return "$" + body + sum + "\r\n";
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
  const std::string nowhere = WithChecksum("PTVLTRK,4830.000,N,inf,W,0035,M,101530.25,A,T,061204");
  const std::string end = WithChecksum("PTVLCMD,END");
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
      {"convert only", "a.log", good + nowhere + good + end, EConversionStep::Convert, 0,
       "track point 2: longitude -inf is not a position"},
      {"load after convert", "b.log", good + nowhere + good + "junk\r\n" + end, EConversionStep::Load, 4,
       "unknown text where TRK or the end sentence is due"},
      {"text after the end", "c.log", good + nowhere + end + "\r\n", EConversionStep::Load, 4,
       "text after the end sentence"},
      {"convert only", "d.trk", nanBytes, EConversionStep::Convert, 0, "track point 2: latitude nan cannot be written"},
      {"load after convert", "e.trk", badHundredths, EConversionStep::Load, 0, "hundredths 100 out of range"},
  };
  for (const SCase& c : cases) {
    WriteBytes(PathOf(c.source), c.bytes);
    WriteBytes(PathOf("kept"), "the user's former file");
    const bool fromLog = c.source.back() == 'g';
    const SConversionOutcome outcome = fromLog ? ConvertTrackLogToDesktop(PathOf(c.source), PathOf("kept"))
                                               : ConvertTrackFileToUnit(PathOf(c.source), PathOf("kept"));
    EXPECT_FALSE(outcome.done) << c.what << " " << c.source;
    EXPECT_EQ(outcome.step, c.step) << c.what << " " << c.source;
    EXPECT_EQ(outcome.why.Line(), c.line) << c.what << " " << c.source;
    EXPECT_EQ(outcome.why.Rule(), c.rule) << c.what << " " << c.source;
    EXPECT_EQ(ReadBytes(PathOf("kept")), "the user's former file") << c.what;
    fs::remove(PathOf(c.source));
    EXPECT_EQ(FileCount(), 1u) << c.what;
  }

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
  for (const char* name : {"walk.rte", "MORNINGWALK.log", "extra.upt"}) {
    const std::string text = ReadBytes(FixturePath(name));
    for (const std::string& variant : {text, text.substr(0, text.size() - 2), text + "\n"}) {
      CUnitLineReader whole(variant);
      CTrickle trickle(variant);
      CUnitLineReader blocks(trickle);
      std::string_view a, b;
      bool more = true;
      while (more) {
        more = whole.ReadLine(a);
        ASSERT_EQ(blocks.ReadLine(b), more) << name;
        if (more) {
          ASSERT_EQ(a, b) << name << " line " << whole.GetLineNumber();
        }
      }
      EXPECT_EQ(blocks.GetLineNumber(), whole.GetLineNumber());
    }
  }
}

}  // namespace
