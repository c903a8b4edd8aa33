// Conversion between desktop documents and unit files: coordinate forms, icons, the six routines
// and their refusals.
#include "formats/conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "formats/unit_files.h"
#include "formats/vexlorn_file.h"
#include "formats/vexlorn_records.h"

namespace {

SVexlornWptBlock Waypoint(const std::string& name, double latitude, double longitude, double altitude,
                          std::uint8_t symbol = 0, const std::string& comment = {}) {
  SVexlornWptBlock waypoint;
  waypoint.SetName(name);
  waypoint.SetComment(comment);
  waypoint.SetLatitude(latitude);
  waypoint.SetLongitude(longitude);
  waypoint.SetAltitude(altitude);
  waypoint.SetSymbol(symbol);
  return waypoint;
}

SVexlornRteBlock Route(const std::string& name, std::int32_t number, const std::vector<std::string>& points) {
  SVexlornRteBlock route;
  route.SetName(name);
  route.SetNumber(number);
  std::uint8_t symbol = 0;
  for (const std::string& point : points) {
    SVexlornRwptBlock block;
    block.SetName(point);
    block.SetSymbol(symbol++);
    route.GetPoints().Add(block);
  }
  return route;
}

// Reads a unit file from text lines (LF line ends), failing the test when it is refused.
template <typename File>
File Read(const std::string& text, const std::string& title = "test") {
  File file;
  CDiagnostic why;
  EXPECT_TRUE(ReadUnitText(text, title, file, &why)) << why.Reason();
  return file;
}

std::string Line(const CSentence& sentence) {
  std::string line;
  sentence.AppendLine(line);
  return line;
}

TEST(ConversionCoordinates, DegreesAndDdmmBothWays) {
  struct SCase {
    double degrees;
    double ddmm;
  };
  for (const SCase c : {SCase{48.5, 4830.0}, SCase{-12.25, -1215.0}, SCase{0.0, 0.0}, SCase{2.25, 215.0},
                        SCase{-3.5, -330.0}, SCase{179.75, 17945.0}}) {
    EXPECT_DOUBLE_EQ(DegreesToDdmm(c.degrees), c.ddmm) << c.degrees;
    EXPECT_DOUBLE_EQ(DdmmToDegrees(c.ddmm), c.degrees) << c.ddmm;
  }
  // The arithmetic is the plain double one, in this order, with no rounding of its own.
  EXPECT_EQ(DegreesToDdmm(0.999999), 0.999999 * 60);
  EXPECT_EQ(DegreesToDdmm(-45.125), -(45.0 * 100 + (45.125 - 45.0) * 60));
  EXPECT_EQ(DdmmToDegrees(4507.5), 45 + (4507.5 - 4500) / 60);
  EXPECT_TRUE(std::isnan(DegreesToDdmm(std::numeric_limits<double>::infinity())));
}

TEST(ConversionIcons, SymbolsAndIconsBothWays) {
  struct SCase {
    unsigned symbol;
    const char* icon;
  };
  for (const SCase c : {SCase{0, "a"}, SCase{25, "z"}, SCase{26, "aa"}, SCase{27, "ab"}, SCase{41, "ap"},
                        SCase{42, "aq"}, SCase{255, "iv"}}) {
    EXPECT_EQ(SymbolToIcon(static_cast<std::uint8_t>(c.symbol)), c.icon) << c.symbol;
  }
  for (unsigned symbol = 0; symbol <= 41; ++symbol)
    EXPECT_EQ(IconToSymbol(SymbolToIcon(static_cast<std::uint8_t>(symbol))), symbol);
  // Everything that names no symbol falls back to 0: beyond "ap", empty, too long, not lower case.
  for (const char* icon : {"aq", "zz", "iv", "", "abc", "A", "Ab", "a1", "{", "`"})
    EXPECT_EQ(IconToSymbol(icon), 0) << icon;
}

TEST(ConversionToUnit, WaypointSentencesCarryHemispheresAltitudesAndIcons) {
  CVexlornFileWpt doc;
  doc.GetWaypoints().Add(Waypoint("SOUTH", 45, -3.5, 12.9, 41, "a,b"));
  doc.GetWaypoints().Add(Waypoint("NORTH", -45, 3.5, -0.5));
  doc.GetWaypoints().Add(Waypoint("EDGE", 0.999999, 0, 0));
  CUnitWaypointFile file;
  ASSERT_TRUE(ConvertWaypointsToUnit(doc, file));
  ASSERT_EQ(file.GetWaypointCount(), 3u);
  EXPECT_EQ(Line(file.GetWaypoint(0)).substr(0, 49), "$PTVLWPL,4500.000,S,00330.000,W,0012,M,SOUTH,a.b,");
  EXPECT_EQ(file.GetWaypoint(0).GetIcon(), "ap");
  EXPECT_EQ(Line(file.GetWaypoint(1)).substr(0, 40), "$PTVLWPL,4500.000,N,00330.000,E,-001,M,N");
  EXPECT_EQ(Line(file.GetWaypoint(2)).substr(0, 40), "$PTVLWPL,0060.000,S,00000.000,E,0000,M,E");
  EXPECT_EQ(file.GetWaypoint(2).GetPosition().GetLatitude(), 0.999999 * 60);
}

TEST(ConversionToUnit, RoutesGoTwoEntriesPerSentence) {
  CVexlornFileWpt doc;
  for (const char* name : {"P1", "P2", "P3", "P4", "P5", "UNUSED"}) doc.GetWaypoints().Add(Waypoint(name, -1, 1, 1));
  doc.GetRoutes().Add(Route("FIVE", 7, {"P1", "P2", "P3", "P4", "P5"}));
  doc.GetRoutes().Add(Route("NONE", 8, {}));
  doc.GetRoutes().Add(Route("TWO", -2, {"P5", "P1"}));

  CUnitRouteFile file;
  file.AddRoute(CRteWaypointsSentence());  // left over from an earlier use: emptied first
  ASSERT_TRUE(ConvertRoutesToUnit(doc, file));
  EXPECT_EQ(file.GetWaypointCount(), 6u);  // all waypoints, also those on no route
  ASSERT_EQ(file.GetRouteCount(), 5u);
  struct SExpect {
    unsigned number, total;
    std::int32_t routeNumber;
    const char* routeName;
    std::vector<std::string> entries;
  };
  const SExpect expected[] = {{1, 3, 7, "FIVE", {"P1", "a", "P2", "b"}},
                              {2, 3, 7, "FIVE", {"P3", "c", "P4", "d"}},
                              {3, 3, 7, "FIVE", {"P5", "e"}},
                              {1, 1, 8, "NONE", {}},
                              {1, 1, -2, "TWO", {"P5", "a", "P1", "b"}}};
  for (std::size_t i = 0; i < 5; ++i) {
    const CRteWaypointsSentence& sentence = file.GetRoute(i);
    EXPECT_EQ(sentence.GetNumber(), expected[i].number) << i;
    EXPECT_EQ(sentence.GetTotal(), expected[i].total) << i;
    EXPECT_EQ(sentence.GetRouteNumber(), expected[i].routeNumber) << i;
    EXPECT_EQ(sentence.GetRouteName(), expected[i].routeName) << i;
    EXPECT_EQ(sentence.GetKind(), 'c') << i;
    std::vector<std::string> entries;
    for (const CRouteEntry& entry : sentence.GetEntries()) {
      entries.push_back(entry.GetName());
      entries.push_back(entry.GetIcon());
    }
    EXPECT_EQ(entries, expected[i].entries) << i;
  }
  // What was written reads back as complete groups.
  std::string text;
  WriteUnitText(file, text);
  EXPECT_EQ(Read<CUnitRouteFile>(text).GetRouteCount(), 5u);
}

TEST(ConversionToUnit, TrackPointsTakeTheTrackNameAndValidity) {
  setenv("TZ", "UTC", 1);
  tzset();
  CVexlornFileTrk track;
  track.SetName("A,B");
  for (int i = 0; i < 3; ++i) {
    SVexlornTnodBlock node;
    node.SetLatitude(-10);
    node.SetLongitude(20);
    node.SetAltitude(-0.25f);
    node.SetTime(-86400 + i);
    node.SetValidFix(i == 0 ? 0 : 7);
    node.SetHundredths(static_cast<std::uint8_t>(99 - i));
    track.GetNodes().Add(node);
  }
  CUnitTrackFile log;
  ASSERT_TRUE(ConvertTrackToUnit(track, log));
  ASSERT_EQ(log.GetPointCount(), 3u);
  EXPECT_EQ(log.GetPoint(0).GetValidity(), 'V');
  EXPECT_EQ(log.GetPoint(1).GetValidity(), 'A');  // any non-zero fix is valid
  EXPECT_EQ(log.GetPoint(2).GetName(), "A.B");
  // A time of 1969 is none a log can hold: the unit's "no time", 2000-01-01 00:00:00.00 local.
  EXPECT_EQ(log.GetPoint(2).GetHundredths(), 0u);
  EXPECT_EQ(Line(log.GetPoint(1)).substr(0, 60), "$PTVLTRK,1000.000,N,02000.000,E,-001,M,000000.00,A,A.B,01010");
}

TEST(ConversionToUnit, RefusalStopsAtTheItemAndSaysWhich) {
  CVexlornFileWpt doc;
  doc.GetWaypoints().Add(Waypoint("GOOD", 1, 1, 1));
  doc.GetWaypoints().Add(Waypoint("BAD", std::nan(""), 1, 1));
  doc.GetWaypoints().Add(Waypoint("LATER", 1, 1, 1));
  CUnitWaypointFile file;
  CDiagnostic why;
  EXPECT_FALSE(ConvertWaypointsToUnit(doc, file, &why));
  EXPECT_EQ(why.Reason(), "waypoint 2: latitude nan cannot be written");
  EXPECT_EQ(file.GetWaypointCount(), 1u);

  CVexlornFileWpt high;
  high.GetWaypoints().Add(Waypoint("SKY", 1, std::numeric_limits<double>::infinity(), 1));
  EXPECT_FALSE(ConvertWaypointsToUnit(high, file, &why));
  EXPECT_EQ(why.Reason(), "waypoint 1: longitude inf cannot be written");
  high.GetWaypoints().RemoveAll();
  high.GetWaypoints().Add(Waypoint("SKY", 1, 1, 1e10));
  EXPECT_FALSE(ConvertWaypointsToUnit(high, file, &why));
  EXPECT_EQ(why.Reason(), "waypoint 1: altitude 10000000000 is outside the unit's whole metres");

  CVexlornFileTrk track;
  SVexlornTnodBlock node;
  track.GetNodes().Add(node);
  node.SetAltitude(std::nanf(""));
  track.GetNodes().Add(node);
  CUnitTrackFile log;
  EXPECT_FALSE(ConvertTrackToUnit(track, log, &why));
  EXPECT_EQ(why.Reason(), "track point 2: altitude nan is outside the unit's whole metres");
  EXPECT_EQ(log.GetPointCount(), 1u);
}

TEST(ConversionToDesktop, WaypointsTakeMetresSymbolsAndRouteUse) {
  const std::string points =
      "$PTVLWPL,4830.000,N,00215.000,E,0100,F,HOME,START,aq*53\n"
      "$PTVLWPL,4845.000,S,00230.000,W,0100,M,LAKE,,ab*0D\n"
      "$PTVLCMD,END*37\n";
  CVexlornFileWpt doc;
  doc.GetRoutes().Add(Route("OLD", 1, {}));
  ASSERT_TRUE(ConvertWaypointsToDesktop(Read<CUnitWaypointFile>(points), doc));
  EXPECT_EQ(doc.GetRoutes().GetCount(), 0u);
  ASSERT_EQ(doc.GetWaypoints().GetCount(), 2u);
  const SVexlornWptBlock home = doc.GetWaypoints().GetAt(0);
  EXPECT_EQ(home.GetName(), "HOME");
  EXPECT_EQ(home.GetComment(), "START");
  EXPECT_EQ(home.GetNumber(), 1);
  EXPECT_EQ(home.GetSymbol(), 0);  // "aq" names no symbol
  EXPECT_EQ(home.GetRouteUse(), 1);
  EXPECT_DOUBLE_EQ(home.GetAltitude(), 30.48);
  EXPECT_DOUBLE_EQ(home.GetLatitude(), -48.5);
  EXPECT_DOUBLE_EQ(home.GetLongitude(), 2.25);
  const SVexlornWptBlock lake = doc.GetWaypoints().GetAt(1);
  EXPECT_EQ(lake.GetNumber(), 2);
  EXPECT_EQ(lake.GetSymbol(), 27);
  EXPECT_DOUBLE_EQ(lake.GetAltitude(), 100);
  EXPECT_DOUBLE_EQ(lake.GetLatitude(), 48.75);
  EXPECT_DOUBLE_EQ(lake.GetLongitude(), -2.5);
}

// A route file with a duplicated name and a point on no route.
const std::string kRoutes =
    "$PTVLWPL,0100.000,N,00100.000,E,0001,M,A,,a*2E\n"
    "$PTVLWPL,0200.000,N,00200.000,E,0002,M,B,,b*2D\n"
    "$PTVLWPL,0300.000,N,00300.000,E,0003,M,A,,c*2E\n"
    "$PTVLWPL,0400.000,N,00400.000,E,0004,M,FREE,,d*7B\n"
    "$PTVLRTE,2,1,c,5,R,B,c,A,e*73\n"
    "$PTVLRTE,2,2,c,5,R,A,f*52\n"
    "$PTVLRTE,1,1,c,6,EMPTY*71\n"
    "$PTVLCMD,END*37\n";

TEST(ConversionToDesktop, RoutesReferToTheFirstWaypointOfTheirName) {
  CVexlornFileWpt doc;
  CDiagnostic why;
  ASSERT_TRUE(ConvertRoutesToDesktop(Read<CUnitRouteFile>(kRoutes), doc, &why)) << why.Reason();
  ASSERT_EQ(doc.GetWaypoints().GetCount(), 4u);
  EXPECT_EQ(doc.GetWaypoints().GetAt(0).GetRouteUse(), 2);
  EXPECT_EQ(doc.GetWaypoints().GetAt(1).GetRouteUse(), 2);
  EXPECT_EQ(doc.GetWaypoints().GetAt(2).GetRouteUse(), 2);  // the name is on a route, whichever A is meant
  EXPECT_EQ(doc.GetWaypoints().GetAt(3).GetRouteUse(), 1);
  ASSERT_EQ(doc.GetRoutes().GetCount(), 2u);
  const SVexlornRteBlock route = doc.GetRoutes().GetAt(0);
  EXPECT_EQ(route.GetName(), "R");
  EXPECT_EQ(route.GetNumber(), 5);
  ASSERT_EQ(route.GetPoints().GetCount(), 3u);
  const struct {
    const char* name;
    std::int32_t number;
    double latitude;
    std::uint8_t symbol;
  } expected[] = {{"B", 2, -2, 2}, {"A", 1, -1, 4}, {"A", 1, -1, 5}};
  for (std::size_t i = 0; i < 3; ++i) {
    const SVexlornRwptBlock point = route.GetPoints().GetAt(i);
    EXPECT_EQ(point.GetName(), expected[i].name) << i;
    EXPECT_EQ(point.GetNumber(), expected[i].number) << i;
    EXPECT_DOUBLE_EQ(point.GetLatitude(), expected[i].latitude) << i;
    EXPECT_DOUBLE_EQ(point.GetLongitude(), -expected[i].latitude) << i;
    EXPECT_EQ(point.GetSymbol(), expected[i].symbol) << i;
  }
  EXPECT_EQ(doc.GetRoutes().GetAt(1).GetName(), "EMPTY");
  EXPECT_EQ(doc.GetRoutes().GetAt(1).GetPoints().GetCount(), 0u);
}

TEST(ConversionToDesktop, RouteRefusalsAndIncompleteGroups) {
  const std::string missing =
      "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E\n"
      "$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5C\n"
      "$PTVLCMD,END*37\n";
  CVexlornFileWpt doc;
  CDiagnostic why;
  EXPECT_FALSE(ConvertRoutesToDesktop(Read<CUnitRouteFile>(missing), doc, &why));
  EXPECT_EQ(why.Reason(), "route WALK: waypoint LAKE is not in the file");
  EXPECT_EQ(doc.GetWaypoints().GetCount(), 1u);  // what came before the refusal stays
  EXPECT_EQ(doc.GetRoutes().GetCount(), 0u);

  // The reader keeps a group whose last sentence is missing; the conversion leaves it out.
  const std::string cut =
      "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E\n"
      "$PTVLRTE,1,1,c,1,WALK,HOME,a*5C\n"
      "$PTVLRTE,2,1,c,2,CUT,HOME,a*0F\n"
      "$PTVLCMD,END*37\n";
  ASSERT_TRUE(ConvertRoutesToDesktop(Read<CUnitRouteFile>(cut), doc, &why)) << why.Reason();
  ASSERT_EQ(doc.GetRoutes().GetCount(), 1u);
  EXPECT_EQ(doc.GetRoutes().GetAt(0).GetName(), "WALK");
}

TEST(ConversionToDesktop, TrackNodesAndTheLastName) {
  setenv("TZ", "UTC", 1);
  tzset();
  const std::string log =
      "$PTVLTRK,4830.000,N,00215.000,E,0100,F,101530.25,A,FIRST,061204*13\n"
      "$PTVLTRK,4830.000,S,00215.000,W,0035,M,101531.00,V,,061204*5B\n"
      "$PTVLCMD,END*37\n";
  CVexlornFileTrk track;
  CDiagnostic why;
  ASSERT_TRUE(ConvertTrackToDesktop(Read<CUnitTrackFile>(log, "DEFAULTNAME"), track, &why)) << why.Reason();
  EXPECT_EQ(track.GetName(), "DEFAULTN");  // the last point's, filled from the file's title
  ASSERT_EQ(track.GetNodes().GetCount(), 2u);
  const SVexlornTnodBlock first = track.GetNodes().GetAt(0);
  EXPECT_DOUBLE_EQ(first.GetLatitude(), -48.5);
  EXPECT_DOUBLE_EQ(first.GetLongitude(), 2.25);
  EXPECT_EQ(first.GetAltitude(), static_cast<float>(100 * 0.3048));
  EXPECT_EQ(first.GetTime(), 1102328130);
  EXPECT_EQ(first.GetHundredths(), 25);
  EXPECT_EQ(first.GetValidFix(), 1);
  const SVexlornTnodBlock second = track.GetNodes().GetAt(1);
  EXPECT_DOUBLE_EQ(second.GetLatitude(), 48.5);
  EXPECT_DOUBLE_EQ(second.GetLongitude(), -2.25);
  EXPECT_EQ(second.GetValidFix(), 0);
}

// The sentence reader takes "inf" as a number; the desktop file would keep it as a position
// nobody can use, so the conversion refuses it.
TEST(ConversionToDesktop, InfiniteCoordinatesAreRefused) {
  const std::string points =
      "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,,a*6E\n"
      "$PTVLWPL,inf,N,00215.000,E,0035,M,HOME,,a*1E\n"
      "$PTVLCMD,END*37\n";
  CVexlornFileWpt doc;
  CDiagnostic why;
  EXPECT_FALSE(ConvertWaypointsToDesktop(Read<CUnitWaypointFile>(points), doc, &why));
  EXPECT_EQ(why.Reason(), "waypoint 2: latitude -inf is not a position");
  EXPECT_EQ(doc.GetWaypoints().GetCount(), 1u);
  const std::string track =
      "$PTVLTRK,4830.000,N,inf,W,0035,M,101530.25,A,T,061204*4A\n"
      "$PTVLCMD,END*37\n";
  CVexlornFileTrk trk;
  EXPECT_FALSE(ConvertTrackToDesktop(Read<CUnitTrackFile>(track), trk, &why));
  EXPECT_EQ(why.Reason(), "track point 1: longitude -inf is not a position");
}

// The unit writes years up to 2099: its times are kept in 64 bits (a log of 2040 reaches GPX).
// The desktop file's 32-bit seconds end in January 2038: a document holding a later time refuses
// to be saved rather than wrap it into 1901-1970 (the conversions give such a point no time).
TEST(ConversionToDesktop, TrackTimesBeyondTheDesktopRangeAreKeptButNotSaved) {
  setenv("TZ", "UTC", 1);
  tzset();
  const std::string log =
      "$PTVLTRK,4830.000,N,00215.000,E,0035,M,031407.00,A,EDGE,190138*45\n"
      "$PTVLTRK,4830.000,N,00215.000,E,0035,M,031408.00,A,EDGE,190138*4A\n"
      "$PTVLCMD,END*37\n";
  CVexlornFileTrk track;
  CDiagnostic why;
  ASSERT_TRUE(ConvertTrackToDesktop(Read<CUnitTrackFile>(log), track, &why)) << why.Reason();
  ASSERT_EQ(track.GetNodes().GetCount(), 2u);
  EXPECT_EQ(track.GetNodes().GetAt(1).GetTime(), 2147483648);
  std::vector<std::uint8_t> bytes;
  EXPECT_FALSE(SaveVexlornBytes(track, bytes, &why));
  EXPECT_EQ(why.Reason(),
            "track node time 2038-01-19 03:14:08 UTC lies outside what the file holds, 1901-12-13 20:45:52 to "
            "2038-01-19 03:14:07 UTC");
}

}  // namespace
