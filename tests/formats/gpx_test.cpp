// GPX reader and writer: exact round trips of desktop documents, the shapes other programs write,
// refusals with line and column, code pages, and the trip to the unit's local track times.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "formats/code_page.h"
#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/gpx_writer.h"
#include "formats/unit_times.h"
#include "formats/vexlorn_file.h"
#include "tests/formats/local_time_support.h"
#include "tests/formats/xml_check.h"
#include "tests/temp_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class GpxTest : public ::testing::Test {
 protected:
  void TearDown() override { m_xmlLint.SkipIfUnchecked(); }

  std::string PathOf(const std::string& name) const { return m_folder.Path(name); }

  // Writes the document as a user's export does and checks the file with xmllint.
  std::string WriteChecked(const SGpxDocument& doc, CCodePage& codePage, const std::string& name = "out.gpx") {
    const std::string path = PathOf(name);
    CDiagnostic why;
    EXPECT_TRUE(WriteGpxFile(path, doc, codePage, &why)) << why.Reason();
    m_xmlLint.Check(path);
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  CTempFolder m_folder;
  CXmlLintCheck m_xmlLint;
};

template <typename Doc>
Bytes Saved(const Doc& doc) {
  Bytes bytes;
  EXPECT_TRUE(SaveVexlornBytes(doc, bytes));
  return bytes;
}

SVexlornWptBlock Waypoint(const std::string& name, const std::string& comment, std::int32_t number, int symbol,
                          int routeUse, double altitude, double longitude, double latitude) {
  SVexlornWptBlock waypoint;
  waypoint.SetName(name);
  waypoint.SetComment(comment);
  waypoint.SetNumber(number);
  waypoint.SetSymbol(static_cast<std::uint8_t>(symbol));
  waypoint.SetRouteUse(static_cast<std::uint8_t>(routeUse));
  waypoint.SetAltitude(altitude);
  waypoint.SetLongitude(longitude);
  waypoint.SetLatitude(latitude);
  return waypoint;
}

SVexlornRwptBlock RoutePoint(const std::string& name, std::int32_t number, double longitude, double latitude,
                             int symbol) {
  SVexlornRwptBlock point;
  point.SetName(name);
  point.SetNumber(number);
  point.SetLongitude(longitude);
  point.SetLatitude(latitude);
  point.SetSymbol(static_cast<std::uint8_t>(symbol));
  return point;
}

SVexlornTnodBlock Node(double longitude, double latitude, float altitude, std::int32_t time, std::int32_t validFix,
                       int hundredths) {
  SVexlornTnodBlock node;
  node.SetLongitude(longitude);
  node.SetLatitude(latitude);
  node.SetAltitude(altitude);
  node.SetTime(time);
  node.SetValidFix(validFix);
  node.SetHundredths(static_cast<std::uint8_t>(hundredths));
  return node;
}

// Values chosen to catch lost digits, lost signs and carried fields: thirds, signed zeros, tiny
// and huge numbers, CP1252 letters, markup characters, a dangling and a nameless route point, an
// older header with an unusual type.
CVexlornFileWpt AwkwardWaypoints() {
  CVexlornFileWpt doc;
  doc.GetHeader().SetVersionText("56583334 VX");
  doc.GetHeader().SetVersionCode("34");
  doc.GetHeader().SVexlornHeadBlock::SetFileType(3);
  doc.GetWaypoints().Add(Waypoint("HOME", "START", 1, 0, 2, 35.0, 2.25, -48.5));
  doc.GetWaypoints().Add(Waypoint("Caf\xE9 <&> \"x\"", "1/3 & more", 7, 41, 0, 1.0 / 3, -1.0 / 3, 2.0 / 3));
  doc.GetWaypoints().Add(Waypoint("", "", -5, 17, 1, -0.0, -0.0, 0.0));
  doc.GetWaypoints().Add(Waypoint("ZERO", "", 4, 3, 1, 0.0, 0.0, -0.0));
  doc.GetWaypoints().Add(Waypoint("TINY", "tab\there\nline", 5, 26, 2, 1e-9, 1e-12, -1e-300));
  doc.GetWaypoints().Add(Waypoint("HUGE", "", 6, 25, 2, 1e300, 179.99999999999997, -89.999999999999986));
  SVexlornRteBlock route;
  route.SetName("TRIP");
  route.SetNumber(-3);
  route.GetPoints().Add(RoutePoint("HOME", 1, 2.25, -48.5, 0));
  route.GetPoints().Add(RoutePoint("GONE", 99, 8.125, 10.0 / 3, 9));
  route.GetPoints().Add(RoutePoint("", 3, -0.0, 0.0, 17));
  doc.GetRoutes().Add(route);
  SVexlornRteBlock empty;
  empty.SetName("EMPTY");
  empty.SetNumber(0);
  doc.GetRoutes().Add(empty);
  return doc;
}

CVexlornFileTrk AwkwardTrack(const std::string& name) {
  CVexlornFileTrk doc;
  doc.SetName(name);
  doc.GetNodes().Add(Node(2.25, -48.5, 35.0f, 1102324530, 1, 25));
  doc.GetNodes().Add(Node(-1.0 / 3, 1.0 / 7, 0.1f, 0, 0, 0));
  doc.GetNodes().Add(Node(-0.0, 0.0, -0.0f, std::numeric_limits<std::int32_t>::min(), 7, 99));
  doc.GetNodes().Add(Node(1e-7, -0.0, 8848.86f, std::numeric_limits<std::int32_t>::max(), -1, 1));
  doc.GetNodes().Add(Node(179.5, 89.5, -412.3f, -1, 1, 50));
  return doc;
}

TEST_F(GpxTest, DesktopDocumentsRoundTripByteForByte) {
  SGpxDocument doc;
  doc.points = AwkwardWaypoints();
  doc.tracks.push_back(AwkwardTrack("ALPHA"));
  CVexlornFileTrk older = AwkwardTrack("");
  older.GetHeader().SetVersionText("56583334 VX");
  older.GetHeader().SVexlornHeadBlock::SetFileType(0);
  doc.tracks.push_back(older);
  doc.tracks.push_back(CVexlornFileTrk());  // a track without nodes stays a track

  CCodePage codePage;
  const std::string text = WriteChecked(doc, codePage);
  EXPECT_EQ(codePage.GetReplacementCount(), 0u);

  SGpxDocument back;
  CDiagnostic why;
  ASSERT_TRUE(ReadGpxFile(PathOf("out.gpx"), back, codePage, &why)) << why.Reason();
  EXPECT_EQ(Saved(back.points), Saved(doc.points));
  ASSERT_EQ(back.tracks.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(Saved(back.tracks[i]), Saved(doc.tracks[i])) << "track " << i;
  EXPECT_EQ(codePage.GetReplacementCount(), 0u);
}

TEST_F(GpxTest, WritesWhatOtherProgramsRead) {
  SGpxDocument doc;
  doc.points.GetWaypoints().Add(Waypoint("HOME", "START", 1, 0, 2, 35.0, 2.25, -48.5));
  doc.tracks.push_back(CVexlornFileTrk());
  doc.tracks[0].SetName("MORNING");
  doc.tracks[0].GetNodes().Add(Node(2.25, -48.5, 35.0f, 1102324530, 1, 25));
  doc.tracks[0].GetNodes().Add(Node(2.25, 45.0, 36.5f, 1102324531, 0, 5));
  CCodePage codePage;
  const std::string text = WriteChecked(doc, codePage);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"Transvane\" "
                       "xmlns=\"http://www.topografix.com/GPX/1/1\"",
                       0),
            0u);
  // North-positive latitude with at least seven decimals; UTC times with hundredths.
  EXPECT_NE(text.find("<wpt lat=\"48.5000000\" lon=\"2.2500000\">"), std::string::npos) << text;
  EXPECT_NE(text.find("<trkpt lat=\"48.5000000\" lon=\"2.2500000\"><ele>35</ele>"
                      "<time>2004-12-06T09:15:30.25Z</time></trkpt>"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("<trkpt lat=\"-45.0000000\" lon=\"2.2500000\"><ele>36.5</ele>"
                      "<time>2004-12-06T09:15:31.05Z</time><fix>none</fix></trkpt>"),
            std::string::npos)
      << text;
  // A new document's header is what a reader assumes; it is not spelt out.
  EXPECT_EQ(text.find("tv:header"), std::string::npos);
}

TEST_F(GpxTest, NamesPassThroughTheCodePage) {
  struct SCase {
    const char* codePage;
    std::string ansi;
    std::string utf8;
  };
  const SCase cases[] = {
      {"CP1252", "M\xFCller \x80 \x9C", "M\xC3\xBCller \xE2\x82\xAC \xC5\x93"},
      {"CP1251", "\xC6\xF3\xEA", "\xD0\x96\xD1\x83\xD0\xBA"},
      {"CP1252", "plain", "plain"},
  };
  for (const SCase& c : cases) {
    CCodePage codePage(c.codePage);
    ASSERT_TRUE(codePage.IsUsable());
    EXPECT_EQ(codePage.ToUtf8(c.ansi), c.utf8) << c.codePage;
    EXPECT_EQ(codePage.FromUtf8(c.utf8), c.ansi) << c.codePage;
    EXPECT_EQ(codePage.GetReplacementCount(), 0u) << c.codePage;
  }
}

TEST_F(GpxTest, UnconvertibleCharactersBecomeQuestionMarksAndAreCounted) {
  CCodePage latin;
  // Cyrillic in CP1252, a cut sequence, a stray continuation byte, an emoji.
  EXPECT_EQ(latin.FromUtf8("\xD0\x96\xD1\x83k \xC3 \x80 \xF0\x9F\x98\x80!"), "??k ? ? ?!");
  EXPECT_EQ(latin.GetReplacementCount(), 5u);
  latin.ResetReplacementCount();
  // 0x81 is no character of CP1252.
  EXPECT_EQ(latin.ToUtf8("a\x81z"), "a?z");
  EXPECT_EQ(latin.GetReplacementCount(), 1u);

  CCodePage unknown("NO-SUCH-PAGE");
  CDiagnostic why;
  EXPECT_FALSE(unknown.IsUsable(&why));
  EXPECT_EQ(why.Reason(), "unknown code page NO-SUCH-PAGE");
}

TEST_F(GpxTest, CyrillicNamesThroughGpxWithTheirCodePage) {
  SGpxDocument doc;
  doc.points.GetWaypoints().Add(Waypoint("\xC6\xF3\xEA", "\xEB\xE5\xF1", 1, 0, 1, 0, 30.3, -59.9));
  CCodePage cyrillic("CP1251");
  const std::string text = WriteChecked(doc, cyrillic);
  EXPECT_NE(text.find("<name>\xD0\x96\xD1\x83\xD0\xBA</name>"), std::string::npos);

  SGpxDocument back;
  ASSERT_TRUE(ReadGpxText(text, back, cyrillic));
  EXPECT_EQ(Saved(back.points), Saved(doc.points));
  // Read with the default code page, the same names cannot be held: three '?' each, and counted.
  CCodePage latin;
  ASSERT_TRUE(ReadGpxText(text, back, latin));
  EXPECT_EQ(back.points.GetWaypoints().GetAt(0).GetName(), "???");
  EXPECT_EQ(latin.GetReplacementCount(), 6u);
}

// XML cannot carry most control characters at all; they are replaced and counted, and the file
// stays well-formed. A carriage return survives as a character reference.
TEST_F(GpxTest, ControlCharactersCannotBreakTheFile) {
  SGpxDocument doc;
  doc.points.GetWaypoints().Add(Waypoint(std::string("A\x01"
                                                     "B\x1F",
                                                     4),
                                         "line\r\nnext", 1, 0, 1, 0, 0, 0));
  CCodePage codePage;
  WriteChecked(doc, codePage);
  EXPECT_EQ(codePage.GetReplacementCount(), 2u);
  SGpxDocument back;
  ASSERT_TRUE(ReadGpxFile(PathOf("out.gpx"), back, codePage));
  EXPECT_EQ(back.points.GetWaypoints().GetAt(0).GetName(), "A?B?");
  EXPECT_EQ(back.points.GetWaypoints().GetAt(0).GetComment(), "line\r\nnext");
}

// Files of other programs break XML in small ways; they read as they always did, with a control
// character or a byte that is not UTF-8 in a name as '?' (counted for the warning). No entity is
// expanded (linux/ adds the ones that would be read from a FIFO).
TEST_F(GpxTest, WhatXmlForbidsReadsAsAlways) {
  std::string laughs = "<!ENTITY lol0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) laughs += "&lol" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  struct SCase {
    std::string prolog;
    std::string name;  // as written in the file
    std::string read;  // in CP1252
    std::size_t replaced;
  };
  const SCase cases[] = {
      {"", "A&#0;B", "A?B", 1},  // used to cut the name short
      {"", "A&#1;B&#x1f;", "A?B?", 2},
      {"",
       std::string("A\x01"
                   "B\x1F",
                   4),
       "A?B?", 2},
      {"", "Caf\xE9 M\xC3\xBCller", "Caf? M\xFCller", 1},
      {"", "AT&T &nbsp; &amp; &#65;", "AT&T &nbsp; & A", 0},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "M\xFCller", "M\xFCller", 0},
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "\x80 &#1;", "\x80 ?", 1},
      // A declared code page is decoded as such: a byte it lacks, or a character the names' code
      // page lacks, is '?'.
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "A\x81", "A?", 1},
      {"<?xml version=\"1.0\" encoding=\"windows-1251\"?>", "\xC6\xF3\xEA", "???", 3},
      {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>",
       "\x83\x41"
       "A",
       "?A", 1},
      {"<!DOCTYPE gpx [<!ENTITY x \"secret\">]>", "&x;", "&x;", 0},
      {"<!DOCTYPE gpx [" + laughs + "]>", "&lol9;", "&lol9;", 0},
  };
  for (const SCase& c : cases) {
    const std::string text =
        c.prolog + "<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"><name>" + c.name + "</name></wpt></gpx>";
    SGpxDocument doc;
    CCodePage codePage;
    CDiagnostic why;
    ASSERT_TRUE(ReadGpxText(text, doc, codePage, &why)) << text << "\n" << why.Reason();
    EXPECT_EQ(doc.points.GetWaypoints().GetAt(0).GetName(), c.read) << text;
    EXPECT_EQ(codePage.GetReplacementCount(), c.replaced) << text;
  }
  // What follows the root element is not read: a file padded with zero bytes reads.
  SGpxDocument padded;
  CCodePage page;
  ASSERT_TRUE(
      ReadGpxText("<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"/></gpx>\n" + std::string(100, '\0'), padded, page));
  EXPECT_EQ(padded.points.GetWaypoints().GetCount(), 1u);
  // A file in UTF-16 reads as well.
  const std::string utf8 = "<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"><name>M\xC3\xBCller</name></wpt></gpx>";
  std::string utf16 = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const unsigned unit = c == 0xC3 ? 0xC0 | (static_cast<unsigned char>(utf8[++i]) & 0x3F) : c;
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  SGpxDocument doc;
  CCodePage codePage;
  ASSERT_TRUE(ReadGpxText(utf16, doc, codePage));
  EXPECT_EQ(doc.points.GetWaypoints().GetAt(0).GetName(), "M\xFCller");
}

TEST_F(GpxTest, ValuesGpxCannotHoldAreRefusedAndNothingIsWritten) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::string path = PathOf("keep.gpx");
  { std::ofstream(path) << "old contents"; }
  struct SCase {
    SGpxDocument doc;
    const char* reason;
  };
  std::vector<SCase> cases(3);
  cases[0].doc.points.GetWaypoints().Add(Waypoint("A", "", 1, 0, 1, 0, nan, 0));
  cases[0].reason = "waypoint 1 has a coordinate that is not a number";
  cases[1].doc.points.GetWaypoints().Add(Waypoint("A", "", 1, 0, 1, std::numeric_limits<double>::infinity(), 0, 0));
  cases[1].reason = "waypoint 1 has an altitude that is not a number";
  cases[2].doc.tracks.push_back(CVexlornFileTrk());
  cases[2].doc.tracks[0].GetNodes().Add(Node(0, 0, 0, 0, 1, 0));
  cases[2].doc.tracks[0].GetNodes().Add(Node(0, 0, std::numeric_limits<float>::quiet_NaN(), 0, 1, 0));
  cases[2].reason = "point 2 of track 1 has an altitude that is not a number";
  for (const SCase& c : cases) {
    CCodePage codePage;
    CDiagnostic why;
    EXPECT_FALSE(WriteGpxFile(path, c.doc, codePage, &why));
    EXPECT_EQ(why.Reason(), c.reason);
    std::ifstream in(path);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "old contents");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 1);
}

// Into a file, the points of a long track are formatted beside the caller: the bytes are those of
// the text written in one go, and a value GPX cannot hold far into a track still refuses it.
TEST_F(GpxTest, LongTracksGoIntoTheFileAsIntoText) {
  SGpxDocument doc;
  for (int t = 0; t < 2; ++t) {
    CVexlornFileTrk& track = doc.tracks.emplace_back(AwkwardTrack(t == 0 ? "FIRST" : "SECOND"));
    for (int i = 0; i < 9000; ++i)
      track.GetNodes().Add(Node(1e-5 * i, -45.0 - 1e-5 * i, 0.25f * static_cast<float>(i % 4000), 1102324530 + i,
                                i % 3 == 0 ? 0 : 1, i % 100));
  }
  doc.points = AwkwardWaypoints();
  CCodePage codePage;
  std::string text;
  ASSERT_TRUE(WriteGpxText(doc, codePage, text));
  EXPECT_EQ(WriteChecked(doc, codePage), text);

  doc.tracks[1].GetNodes().Add(Node(0, 0, std::numeric_limits<float>::infinity(), 0, 1, 0));
  CDiagnostic why;
  EXPECT_FALSE(WriteGpxFile(PathOf("late.gpx"), doc, codePage, &why));
  EXPECT_EQ(why.Reason(), "point 9006 of track 2 has an altitude that is not a number");
  EXPECT_FALSE(std::filesystem::exists(PathOf("late.gpx")));
}

// A GPX 1.1 file shaped like the exports of other programs: metadata, foreign extensions, desc
// instead of cmt, symbol names we do not know, tracks in several segments, points without names,
// times with offsets and long fractions, and route points that name no waypoint.
constexpr const char* kForeignGpx11 = R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>
<gpx xmlns="http://www.topografix.com/GPX/1/1" xmlns:gpxx="http://www.garmin.com/xmlschemas/GpxExtensions/v3"
     xmlns:other="https://example.org/other" version="1.1" creator="Some Other Program 4.2">
  <metadata>
    <name>Weekend</name>
    <link href="https://example.org"><text>site</text></link>
    <time>2023-06-10T08:00:00Z</time>
    <bounds minlat="47.0" minlon="10.0" maxlat="48.0" maxlon="12.0"/>
  </metadata>
  <wpt lat="47.5" lon="11.25">
    <ele>812.4</ele>
    <time>2023-06-10T08:00:00Z</time>
    <name>Hut</name>
    <desc>closed Mondays</desc>
    <sym>Lodging</sym>
    <extensions><gpxx:WaypointExtension><gpxx:DisplayMode>SymbolAndName</gpxx:DisplayMode></gpxx:WaypointExtension></extensions>
  </wpt>
  <wpt lat="-33.865" lon="151.2094">
    <name>Sydney</name>
    <cmt>harbour</cmt>
    <desc>not this one</desc>
    <sym>ab</sym>
  </wpt>
  <rte>
    <name>Ridge</name>
    <rtept lat="47.5" lon="11.25"><name>Hut</name></rtept>
    <rtept lat="47.55" lon="11.3"><name>Saddle</name><sym>c</sym></rtept>
    <rtept lat="47.6" lon="11.35"/>
    <rtept lat="47.65" lon="11.4"><ele>2000</ele></rtept>
  </rte>
  <rte>
    <number>17</number>
    <rtept lat="47.55" lon="11.3"><name>Saddle</name></rtept>
  </rte>
  <trk>
    <name>Saturday</name>
    <extensions><other:colour>red</other:colour></extensions>
    <trkseg>
      <trkpt lat="47.5" lon="11.25"><ele>812</ele><time>2023-06-10T10:15:30+02:00</time><sat>7</sat></trkpt>
      <trkpt lat="47.501" lon="11.251"><time>2023-06-10T08:15:31.256Z</time><fix>3d</fix></trkpt>
    </trkseg>
    <trkseg>
      <trkpt lat="47.502" lon="11.252"><time>2023-06-10T08:15:31.999Z</time><fix>none</fix></trkpt>
      <trkpt lat="47.503" lon="11.253"><time>2023-06-10T03:15:33.5-05:00</time></trkpt>
    </trkseg>
  </trk>
  <trk>
    <trkseg><trkpt lat="1" lon="2"/></trkseg>
  </trk>
  <extensions><other:stats distance="12"/></extensions>
</gpx>
)";

TEST_F(GpxTest, ReadsTheShapesOtherProgramsWrite) {
  SGpxDocument doc;
  CCodePage codePage;
  CDiagnostic why;
  ASSERT_TRUE(ReadGpxText(kForeignGpx11, doc, codePage, &why)) << why.Reason();

  // Two waypoints of the file, then one per route point that named none: "Saddle" once, and the
  // two nameless ones as RTE001 and RTE002.
  const SVexlornWptBlockArray& waypoints = doc.points.GetWaypoints();
  ASSERT_EQ(waypoints.GetCount(), 5u);
  const SVexlornWptBlock hut = waypoints.GetAt(0);
  EXPECT_EQ(hut.GetName(), "Hut");
  EXPECT_EQ(hut.GetComment(), "closed Mondays");
  EXPECT_EQ(hut.GetLatitude(), -47.5);  // north is negative on the desktop side
  EXPECT_EQ(hut.GetLongitude(), 11.25);
  EXPECT_EQ(hut.GetAltitude(), 812.4);
  EXPECT_EQ(hut.GetSymbol(), 0);
  EXPECT_EQ(hut.GetNumber(), 1);
  EXPECT_EQ(hut.GetRouteUse(), 2);
  const SVexlornWptBlock sydney = waypoints.GetAt(1);
  EXPECT_EQ(sydney.GetComment(), "harbour");
  EXPECT_EQ(sydney.GetLatitude(), 33.865);
  EXPECT_EQ(sydney.GetSymbol(), 27);
  EXPECT_EQ(sydney.GetRouteUse(), 1);
  const char* names[] = {"Hut", "Sydney", "Saddle", "RTE001", "RTE002"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(waypoints.GetAt(i).GetName(), names[i]);
    EXPECT_EQ(waypoints.GetAt(i).GetNumber(), static_cast<std::int32_t>(i + 1));
  }
  EXPECT_EQ(waypoints.GetAt(2).GetSymbol(), 2);
  EXPECT_EQ(waypoints.GetAt(2).GetRouteUse(), 2);
  EXPECT_EQ(waypoints.GetAt(4).GetAltitude(), 2000.0);
  EXPECT_EQ(waypoints.GetAt(4).GetLatitude(), -47.65);

  ASSERT_EQ(doc.points.GetRoutes().GetCount(), 2u);
  const SVexlornRteBlock ridge = doc.points.GetRoutes().GetAt(0);
  EXPECT_EQ(ridge.GetName(), "Ridge");
  EXPECT_EQ(ridge.GetNumber(), 1);
  ASSERT_EQ(ridge.GetPoints().GetCount(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    const SVexlornRwptBlock point = ridge.GetPoints().GetAt(i);
    const SVexlornWptBlock waypoint = waypoints.GetAt(i == 0 ? 0 : i + 1);
    EXPECT_EQ(point.GetName(), waypoint.GetName());
    EXPECT_EQ(point.GetNumber(), waypoint.GetNumber());
    EXPECT_EQ(point.GetLatitude(), waypoint.GetLatitude());
    EXPECT_EQ(point.GetSymbol(), waypoint.GetSymbol());
  }
  const SVexlornRteBlock second = doc.points.GetRoutes().GetAt(1);
  EXPECT_EQ(second.GetName(), "");
  EXPECT_EQ(second.GetNumber(), 17);
  EXPECT_EQ(second.GetPoints().GetAt(0).GetNumber(), 3);

  // Segments join; offsets are taken off; fractions round to hundredths (carrying into seconds).
  ASSERT_EQ(doc.tracks.size(), 2u);
  const CVexlornFileTrk& saturday = doc.tracks[0];
  EXPECT_EQ(saturday.GetName(), "Saturday");
  ASSERT_EQ(saturday.GetNodes().GetCount(), 4u);
  const std::int32_t eightFifteen = 1686384930;  // 2023-06-10T08:15:30Z
  const std::int32_t times[] = {eightFifteen, eightFifteen + 1, eightFifteen + 2, eightFifteen + 3};
  const int hundredths[] = {0, 26, 0, 50};
  const int valid[] = {1, 1, 0, 1};
  for (std::size_t i = 0; i < 4; ++i) {
    const SVexlornTnodBlock node = saturday.GetNodes().GetAt(i);
    EXPECT_EQ(node.GetTime(), times[i]) << i;
    EXPECT_EQ(node.GetHundredths(), hundredths[i]) << i;
    EXPECT_EQ(node.GetValidFix(), valid[i]) << i;
  }
  EXPECT_EQ(saturday.GetNodes().GetAt(0).GetAltitude(), 812.0f);
  EXPECT_EQ(saturday.GetNodes().GetAt(3).GetLatitude(), -47.503);
  const SVexlornTnodBlock bare = doc.tracks[1].GetNodes().GetAt(0);
  EXPECT_EQ(doc.tracks[1].GetName(), "");
  EXPECT_EQ(bare.GetTime(), CUnitTimes().NoTime());  // a point without <time>
  EXPECT_EQ(bare.GetAltitude(), 0.0f);
  EXPECT_EQ(bare.GetValidFix(), 1);
}

TEST_F(GpxTest, ReadsGpx10) {
  constexpr const char* kGpx10 = R"(<?xml version="1.0"?>
<gpx version="1.0" creator="old logger" xmlns="http://www.topografix.com/GPX/1/0">
<time>2002-02-27T17:18:33Z</time>
<wpt lat="42.438878" lon="-71.119277"><ele>44.586548</ele><name>5066</name><cmt>5066</cmt><sym>Crossing</sym><other:x xmlns:other="urn:x">1</other:x></wpt>
<trk><name>T</name><trkseg><trkpt lat="42.4" lon="-71.1"><ele>10</ele><time>2002-02-27T17:18:33Z</time><course>12</course><speed>1.5</speed></trkpt></trkseg></trk>
</gpx>)";
  SGpxDocument doc;
  CCodePage codePage;
  CDiagnostic why;
  ASSERT_TRUE(ReadGpxText(kGpx10, doc, codePage, &why)) << why.Reason();
  ASSERT_EQ(doc.points.GetWaypoints().GetCount(), 1u);
  EXPECT_EQ(doc.points.GetWaypoints().GetAt(0).GetLatitude(), -42.438878);
  EXPECT_EQ(doc.points.GetWaypoints().GetAt(0).GetLongitude(), -71.119277);
  ASSERT_EQ(doc.tracks.size(), 1u);
  EXPECT_EQ(doc.tracks[0].GetNodes().GetAt(0).GetTime(), 1014830313);
}

// Elements are GPX's or ours by their namespace, whatever prefix names them; elements of other
// namespaces are skipped even where their names are GPX's.
TEST_F(GpxTest, ElementsAreTakenByNamespaceNotByPrefix) {
  const auto gpx = [](const std::string& g, const std::string& declarations, const std::string& t,
                      const std::string& tDeclaration, const std::string& foreign = "") {
    std::string text = R"(<?xml version="1.0"?>
<{g}gpx version="1.1" {declarations}>
  <{g}wpt lat="47.5" lon="11.25"><{g}name>Hut</{g}name><{g}ele>812</{g}ele>
    <{g}extensions><{t}symbol{tDeclaration}>5</{t}symbol></{g}extensions></{g}wpt>
  <{g}rte><{g}name>Ridge</{g}name><{g}rtept lat="47.6" lon="11.3"><{g}name>Saddle</{g}name></{g}rtept></{g}rte>
  {foreign}
  <{g}trk><{g}name>Walk</{g}name><{g}trkseg>
    <{g}trkpt lat="1" lon="2"><{g}ele>3</{g}ele><{g}time>2023-06-10T08:00:00Z</{g}time></{g}trkpt>
  </{g}trkseg></{g}trk>
</{g}gpx>)";
    const std::pair<std::string, std::string> fields[] = {{"{g}", g},
                                                          {"{declarations}", declarations},
                                                          {"{t}", t},
                                                          {"{tDeclaration}", tDeclaration},
                                                          {"{foreign}", foreign}};
    for (const auto& [field, value] : fields)
      for (std::size_t at; (at = text.find(field)) != std::string::npos;) text.replace(at, field.size(), value);
    return text;
  };
  const std::string gpx11 = "http://www.topografix.com/GPX/1/1";
  const std::string ours = "xmlns:tv=\"https://transvane.example/gpx/1\"";
  const std::string plain = gpx("", "xmlns=\"" + gpx11 + "\" " + ours, "tv:", "");
  const std::string variants[] = {
      gpx("gpx:", "xmlns:gpx=\"" + gpx11 + "\" " + ours, "tv:", ""),
      gpx("g:", "xmlns:g=\"http://www.topografix.com/GPX/1/0\" " + ours, "tv:", ""),
      gpx("", ours, "tv:", ""),  // no namespace at all, as hand-made files have it
      gpx("", "xmlns=\"" + gpx11 + "\"", "", " xmlns=\"https://transvane.example/gpx/1\""),
      gpx("", "xmlns=\"" + gpx11 + "\" xmlns:o=\"urn:other\" " + ours, "tv:", "",
          "<o:wpt lat=\"5\" lon=\"5\"/><wpt xmlns=\"urn:other\" lat=\"6\" lon=\"6\"/><trk xmlns=\"urn:other\">"
          "<trkseg><trkpt lat=\"7\" lon=\"7\"/></trkseg></trk><rte><o:rtept lat=\"8\" lon=\"8\"/></rte>"),
  };
  SGpxDocument expected;
  CCodePage codePage;
  CDiagnostic why;
  ASSERT_TRUE(ReadGpxText(plain, expected, codePage, &why)) << why.Reason();
  ASSERT_EQ(expected.points.GetWaypoints().GetCount(), 2u);
  EXPECT_EQ(expected.points.GetWaypoints().GetAt(0).GetSymbol(), 5);
  ASSERT_EQ(expected.tracks.size(), 1u);
  for (const std::string& text : variants) {
    SGpxDocument doc;
    ASSERT_TRUE(ReadGpxText(text, doc, codePage, &why)) << why.Reason() << "\n" << text;
    // The foreign route holds no point of ours: an empty route.
    const bool foreignRoute = text.find("o:rtept") != std::string::npos;
    EXPECT_EQ(doc.points.GetRoutes().GetCount(), foreignRoute ? 2u : 1u) << text;
    if (foreignRoute) doc.points.GetRoutes() = expected.points.GetRoutes();
    EXPECT_EQ(Saved(doc.points), Saved(expected.points)) << text;
    ASSERT_EQ(doc.tracks.size(), 1u) << text;
    EXPECT_EQ(Saved(doc.tracks[0]), Saved(expected.tracks[0])) << text;
  }
}

// Asks for the place of every track point without a time.
class CUntimedPlaces : public CGpxTrackHandler {
 public:
  void BeginTrack(const CVexlornFileTrk&) override {}
  void AddNode(const SVexlornTnodBlock& node) override { m_wants = node.GetTime() == m_times.NoTime(); }
  void EndTrack(const CVexlornFileTrk&, bool) override {}
  bool WantsPlaceOfNode() const override { return m_wants; }
  void PlacesOfNodes(const std::vector<SSourcePlace>& places) override { m_places = places; }

  std::vector<SSourcePlace> m_places;

 private:
  const CUnitTimes m_times;
  bool m_wants = false;
};

// The points a handler asks about get the places of their elements in the file, found in one
// pass, also where the parser's input differs from the file's bytes (a bare '&', a control byte).
TEST_F(GpxTest, GivesThePlacesOfTheTrackPointsAskedAbout) {
  const std::string text =
      "<gpx version=\"1.1\">\n<trk><name>AT&T\x01</name><trkseg><trkpt lat=\"1\" lon=\"2\"/>\n"
      "  <trkpt lat=\"1\" lon=\"2\"><time>2004-12-06T09:15:30Z</time></trkpt><trkpt lat=\"1\" lon=\"3\"/>"
      "</trkseg></trk>\n<trk><name>&amp;&#1;</name><trkseg>\n\t<trkpt lat=\"1\" "
      "lon=\"4\"></trkpt></trkseg></trk></gpx>";
  const std::vector<SSourcePlace> expected = {SSourcePlace::AtLine(2, 33), SSourcePlace::AtLine(3, 68),
                                              SSourcePlace::AtLine(5, 3)};
  std::ofstream(PathOf("places.gpx"), std::ios::binary) << text;
  for (const bool fromFile : {false, true}) {
    CVexlornFileWpt points;
    CUntimedPlaces tracks;
    CCodePage codePage;
    ASSERT_TRUE(fromFile ? ReadGpxFile(PathOf("places.gpx"), points, tracks, codePage)
                         : ReadGpxText(text, points, tracks, codePage));
    EXPECT_EQ(tracks.m_places, expected) << fromFile;
  }
}

TEST_F(GpxTest, RefusesWithLineAndColumnAndKeepsTheDocument) {
  struct SCase {
    std::string text;
    std::uint64_t line, column;
    const char* rule;
  };
  std::string tooDeep = "<gpx version=\"1.1\">\n  ";
  for (int i = 0; i < 1000000; ++i) tooDeep += "<a>";
  const SCase cases[] = {
      // Faults of XML, in our words.
      {"", 1, 1, "not a GPX file: the file is empty"},
      {"PK\x03\x04 binary", 1, 1, "not a GPX file: it does not begin with an XML element"},
      {"<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>", 2, 2,
       "not a GPX file: the root element is <kml>"},
      {"<x:gpx xmlns:x=\"urn:x\"/>", 1, 2, "not a GPX file: the root element is <x:gpx>"},
      {"<gpx:gpx version=\"1.1\"/>", 1, 2, "not a GPX file: the root element is <gpx:gpx>"},
      {"<gpx version=\"1.1\">\n  <wpt lat=\"1\" lon=\"2\">\n  </wtp>\n</gpx>", 3, 9,
       "<wpt> of line 2 ends with </wtp>"},
      {"<gpx version=\"1.1\">\n<trk><trkseg>\n<trkpt lat=\"1\" lon=\"2\">", 3, 24,
       "the file ends inside <trkpt> of line 3"},
      {tooDeep, 2, 4 + 3 * 255, "elements nested more than 256 deep"},
      {"<gpx version=\"1.1\"><wpt lat=\"1\" lat=\"2\" lon=\"3\"/></gpx>", 1, 48, "the attribute lat is given twice"},
      {"<gpx version=\"1.1\"><wpt lat=1 lon=\"2\"/></gpx>", 1, 29, "an attribute value without quotes"},
      {"<gpx version=\"1.1\">\n<wpt lat=\"1\" lon=\"2\"</gpx>", 2, 21, "the tag <wpt> does not end with '>'"},
      {"<gpx version=\"1.1\"><!-- a note", 1, 31, "a comment without its end \"-->\""},
      {"<?xml version=\"1.0\" encoding=\"x-no-such\"?><gpx/>", 1, 41, "the file's encoding x-no-such is not known"},
      // Values, with the exact reason.
      {"<gpx version=\"1.1\">\n<trk><trkseg>\n  <trkpt lat=\"146.5\" lon=\"2\"/></trkseg></trk></gpx>", 3, 4,
       "<trkpt> lat \"146.5\" lies outside -90..90"},
      {"<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"-180.5\"/></gpx>", 1, 21,
       "<wpt> lon \"-180.5\" lies outside -180..180"},
      {"<gpx version=\"1.1\"><wpt lat=\"1e400\" lon=\"2\"/></gpx>", 1, 21, "<wpt> lat \"1e400\" lies outside -90..90"},
      {"<gpx version=\"1.1\">\n  <wpt lat=\"north\" lon=\"2\"/>\n</gpx>", 2, 4, "lat \"north\" is not a number"},
      {"<gpx version=\"1.1\">\n <wpt lat=\"nan\" lon=\"2\"/></gpx>", 2, 3, "lat \"nan\" is not a number"},
      {"<gpx version=\"1.1\"><wpt lon=\"2\"/></gpx>", 1, 21, "<wpt> without lat"},
      {"<gpx version=\"1.1\"><trk><trkseg><trkpt lat=\"2\"/></trkseg></trk></gpx>", 1, 34, "<trkpt> without lon"},
      {"<gpx version=\"1.1\"><rte><rtept/></rte></gpx>", 1, 26, "<rtept> without lat and lon"},
      {"<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"><ele>high</ele></wpt></gpx>", 1, 42,
       "ele \"high\" is not a number"},
      {"<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"><ele>1e400</ele></wpt></gpx>", 1, 42,
       "ele \"1e400\" is out of range"},
      // A track point's altitude is a float.
      {"<gpx version=\"1.1\"><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><ele>-1e39</ele></trkpt></trkseg></trk></gpx>", 1,
       57, "ele \"-1e39\" is out of range"},
      {"<gpx version=\"1.1\" xmlns:t=\"https://transvane.example/gpx/1\"><wpt lat=\"1\" lon=\"2\"><extensions>"
       "<t:symbol>42</t:symbol></extensions></wpt></gpx>",
       1, 96, "<t:symbol> \"42\" lies outside 0..41"},
      {"<gpx version=\"1.1\" xmlns:t=\"https://transvane.example/gpx/1\"><wpt lat=\"1\" lon=\"2\"><extensions>"
       "<t:number>99999999999999999999</t:number></extensions></wpt></gpx>",
       1, 96, "<t:number> \"99999999999999999999\" lies outside -2147483648..2147483647"},
      {"<gpx version=\"1.1\"><rte><number>first</number></rte></gpx>", 1, 26, "<number> \"first\" is not a number"},
      {"<gpx version=\"1.1\"><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><time>2039-01-01T25:00:00Z</time>"
       "</trkpt></trkseg></trk></gpx>",
       1, 57, "time \"2039-01-01T25:00:00Z\" is not a date and time"},
      // Places are those of the bytes as they are in the file, whatever the parser makes of line
      // ends, references and names.
      {"<gpx version=\"1.1\">\r\n<wpt\nlat=\"1\"\nlon=\"2\"><name>a&#10;b\r\nc\rd</name><ele>x</ele></wpt></gpx>", 5,
       12, "ele \"x\" is not a number"},
      // A name read before the refusal counts no replaced character: the file changes nothing.
      {"<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"><name>\xD0\x96</name></wpt><wpt lat=\"x\" lon=\"1\"/></gpx>", 1,
       63, "lat \"x\" is not a number"},
      // A control byte before the fault is read as '?' (a longer piece for the parser): the place
      // is still the file's.
      {"<gpx version=\"1.1\">\n<wpt lat=\"1\" lon=\"2\"><name>\x01&#2;AT&T</name><ele>x</ele></wpt></gpx>", 2, 45,
       "ele \"x\" is not a number"},
  };
  for (const SCase& c : cases) {
    for (const bool fromFile : {false, true}) {
      SGpxDocument doc;
      doc.points.GetWaypoints().Add(Waypoint("KEEP", "", 1, 0, 1, 0, 0, 0));
      CCodePage codePage;
      CDiagnostic why;
      if (fromFile) {
        std::ofstream(PathOf("bad.gpx"), std::ios::binary) << c.text;
        EXPECT_FALSE(ReadGpxFile(PathOf("bad.gpx"), doc, codePage, &why)) << c.text.substr(0, 200);
      } else {
        EXPECT_FALSE(ReadGpxText(c.text, doc, codePage, &why)) << c.text.substr(0, 200);
      }
      EXPECT_EQ(why.Line(), c.line) << c.text.substr(0, 200) << (fromFile ? " (file)" : "");
      EXPECT_EQ(why.Column(), c.column) << c.text.substr(0, 200) << (fromFile ? " (file)" : "");
      EXPECT_EQ(why.Rule(), c.rule) << c.text.substr(0, 200) << (fromFile ? " (file)" : "");
      EXPECT_EQ(codePage.GetReplacementCount(), 0u) << c.text.substr(0, 200);
      EXPECT_EQ(doc.points.GetWaypoints().GetCount(), 1u);
      EXPECT_TRUE(doc.tracks.empty());
    }
  }
  SGpxDocument doc;
  CCodePage codePage;
  CDiagnostic why;
  EXPECT_FALSE(ReadGpxFile(PathOf("missing.gpx"), doc, codePage, &why));
  const std::string opening = "cannot open " + PathOf("missing.gpx") + ": ";
  EXPECT_EQ(why.Reason().substr(0, opening.size()), opening);
  EXPECT_GT(why.Reason().size(), opening.size()) << "the system's reason";
  // A folder is refused at once (linux/: a FIFO too).
  EXPECT_FALSE(ReadGpxFile(m_folder.Path(), doc, codePage, &why));
  EXPECT_EQ(why.Reason(), "cannot read " + m_folder.Path() + ": not a regular file");
}

// Files of more events than the parse hands over at a time, one small enough to be parsed at once
// and one large enough for a thread of its own: every point arrives, in order, with a name of
// megabytes; a fault at the very end still refuses the file; a handler that throws leaves no
// parse running behind it.
TEST_F(GpxTest, LongFilesArriveWholeAndInOrder) {
  class CRecorder : public CGpxTrackHandler {
   public:
    explicit CRecorder(int throwAt = -1) : m_throwAt(throwAt) {}
    void BeginTrack(const CVexlornFileTrk& track) override { m_name = track.GetName(); }
    void AddNode(const SVexlornTnodBlock& node) override {
      if (m_nodes == m_throwAt) throw std::runtime_error("no room");
      m_inOrder = m_inOrder && node.GetAltitude() == static_cast<float>(m_nodes);
      ++m_nodes;
    }
    void EndTrack(const CVexlornFileTrk&, bool) override { m_ended = true; }

    int m_throwAt;
    std::string m_name;
    int m_nodes = 0;
    bool m_inOrder = true;
    bool m_ended = false;
  };
  for (const auto& [points, nameSize] : {std::pair{3000, 4}, std::pair{20000, 3 << 20}}) {
    const std::string name(static_cast<std::size_t>(nameSize), 'N');
    std::string whole = "<gpx version=\"1.1\"><trk><name>" + name + "</name><trkseg>\n";
    for (int i = 0; i < points; ++i)
      whole += "<trkpt lat=\"1\" lon=\"2\"><ele>" + std::to_string(i) + "</ele></trkpt>\n";
    const std::string cut = whole;
    whole += "</trkseg></trk></gpx>\n";

    CCodePage codePage;
    CVexlornFileWpt read;
    CDiagnostic why;
    CRecorder all;
    ASSERT_TRUE(ReadGpxText(whole, read, all, codePage, &why)) << why.Reason();
    EXPECT_EQ(all.m_nodes, points);
    EXPECT_TRUE(all.m_inOrder);
    EXPECT_TRUE(all.m_ended);
    EXPECT_EQ(all.m_name, name);

    CRecorder truncated;
    EXPECT_FALSE(ReadGpxText(cut, read, truncated, codePage, &why));
    EXPECT_EQ(why.Reason(),
              "line " + std::to_string(points + 2) + ", column 1: the file ends inside <trkseg> of line 1");
    EXPECT_FALSE(truncated.m_ended);

    CRecorder throwing(100);
    EXPECT_THROW(ReadGpxText(whole, read, throwing, codePage, &why), std::runtime_error);
    EXPECT_EQ(throwing.m_nodes, 100);
  }
}

TEST_F(GpxTest, TimeForms) {
  struct SCase {
    const char* time;
    bool accepted;
    std::int64_t seconds;
    int hundredths;
  };
  const SCase cases[] = {
      {"2004-12-06T09:15:30Z", true, 1102324530, 0},
      {"2004-12-06T09:15:30", true, 1102324530, 0},  // no zone: GPX times are UTC
      {" 2004-12-06T09:15:30.25Z ", true, 1102324530, 25},
      {"2004-12-06T09:15:30.2Z", true, 1102324530, 20},
      {"2004-12-06T09:15:30.994999Z", true, 1102324530, 99},
      {"2004-12-06T09:15:30.995Z", true, 1102324531, 0},
      {"2004-12-06T10:15:30+01:00", true, 1102324530, 0},
      {"2004-12-05T23:45:30-09:30", true, 1102324530, 0},
      {"2004-02-29T00:00:00Z", true, 1078012800, 0},
      {"1901-12-13T20:45:52Z", true, std::numeric_limits<std::int32_t>::min(), 0},
      {"2038-01-19T03:14:07Z", true, std::numeric_limits<std::int32_t>::max(), 0},
      // Any year: whether a file can hold the time is for its writer to say.
      {"2038-01-19T03:14:08Z", true, std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1, 0},
      {"2099-12-31T23:59:59Z", true, 4102444799, 0},
      {"1901-12-13T20:45:51Z", true, std::int64_t{std::numeric_limits<std::int32_t>::min()} - 1, 0},
      {"2003-02-29T00:00:00Z", false, 0, 0},
      {"2004-13-01T00:00:00Z", false, 0, 0},
      {"2004-12-06T24:00:00Z", false, 0, 0},
      {"2004-12-06 09:15:30Z", false, 0, 0},
      {"2004-12-06T09:15:30.Z", false, 0, 0},
      {"2004-12-06T09:15:30+0100", false, 0, 0},
      {"2004-12-06T09:15:30Zjunk", false, 0, 0},
      {"yesterday", false, 0, 0},
  };
  for (const SCase& c : cases) {
    const std::string text = std::string("<gpx version=\"1.1\"><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><time>") +
                             c.time + "</time></trkpt></trkseg></trk></gpx>";
    SGpxDocument doc;
    CCodePage codePage;
    ASSERT_EQ(ReadGpxText(text, doc, codePage), c.accepted) << c.time;
    if (!c.accepted) continue;
    const SVexlornTnodBlock node = doc.tracks[0].GetNodes().GetAt(0);
    EXPECT_EQ(node.GetTime(), c.seconds) << c.time;
    EXPECT_EQ(node.GetHundredths(), c.hundredths) << c.time;
  }
}

// The unit keeps local time; GPX and the desktop keep UTC. Across a daylight-saving change the
// same UTC hour of the day shows one hour apart on the unit, and comes back to the same UTC.
TEST_F(GpxTest, UnitTrackTimesAreLocalUnderDaylightSaving) {
  const CTimeZoneGuard zone("Europe/Berlin");
  constexpr const char* kTrack =
      R"(<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1"><trk><name>ALPS</name><trkseg>
<trkpt lat="47.5" lon="11.25"><ele>812</ele><time>2004-03-28T00:59:59.50Z</time></trkpt>
<trkpt lat="47.5" lon="11.25"><ele>812</ele><time>2004-03-28T01:00:00.75Z</time></trkpt>
<trkpt lat="47.5" lon="11.25"><ele>812</ele><time>2004-12-06T09:15:30.25Z</time></trkpt>
</trkseg></trk></gpx>)";
  SGpxDocument doc;
  CCodePage codePage;
  ASSERT_TRUE(ReadGpxText(kTrack, doc, codePage));
  CUnitTrackFile unit;
  ASSERT_TRUE(ConvertTrackToUnit(doc.tracks[0], unit));
  std::string lines;
  WriteUnitText(unit, lines);
  EXPECT_NE(lines.find(",015959.50,A,ALPS,280304*"), std::string::npos) << lines;  // CET, +1
  EXPECT_NE(lines.find(",030000.75,A,ALPS,280304*"), std::string::npos) << lines;  // CEST, +2
  EXPECT_NE(lines.find(",101530.25,A,ALPS,061204*"), std::string::npos) << lines;

  CUnitTrackFile reread;
  ASSERT_TRUE(ReadUnitText(lines, "ALPS", reread));
  CVexlornFileTrk back;
  ASSERT_TRUE(ConvertTrackToDesktop(reread, back));
  EXPECT_EQ(Saved(back), Saved(doc.tracks[0]));
}

}  // namespace
