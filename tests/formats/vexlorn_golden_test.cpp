// Golden .wpt/.trk files: what we write must match the committed fixtures byte for byte.
// The fixtures come from tests/formats/golden/make_vexlorn_fixtures.py, an encoder of its own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "formats/vexlorn_file.h"
#include "tests/formats/golden_support.h"
#include "tests/temp_folder.h"

namespace {

// Saves through the file system, as a user's save does, and answers the file's bytes.
template <typename Doc>
std::string SavedFile(const Doc& doc, const char* name) {
  const CTempFolder folder;
  const std::string path = folder.Path(name);
  EXPECT_TRUE(SaveVexlornFile(path, doc));
  return ReadBytes(path);
}

CVexlornFileTrk Track1000() {
  CVexlornFileTrk doc;
  doc.SetName("ALPHA");
  for (int i = 0; i < 1000; ++i) {
    SVexlornTnodBlock node;
    node.SetLongitude(i / 1024.0 - 3.5);
    node.SetLatitude(-48.25 + i / 2048.0);
    node.SetAltitude(static_cast<float>(i) * 0.5f);
    node.SetTime(1000000000 + 2 * i);
    node.SetValidFix(i % 3 == 0 ? 0 : 1);
    node.SetHundredths(static_cast<std::uint8_t>(i % 100));
    doc.GetNodes().Add(node);
  }
  return doc;
}

SVexlornWptBlock Waypoint(const char* name, const char* comment, int number, int symbol, bool used, double altitude,
                          double longitude, double latitude) {
  SVexlornWptBlock waypoint;
  waypoint.SetName(name);
  waypoint.SetComment(comment);
  waypoint.SetNumber(number);
  waypoint.SetSymbol(static_cast<std::uint8_t>(symbol));
  waypoint.SetRouteUsed(used);
  waypoint.SetAltitude(altitude);
  waypoint.SetLongitude(longitude);
  waypoint.SetLatitude(latitude);
  return waypoint;
}

SVexlornRwptBlock Point(const SVexlornWptBlock& waypoint) {
  SVexlornRwptBlock point;
  point.SetName(waypoint.GetName());
  point.SetNumber(waypoint.GetNumber());
  point.SetLongitude(waypoint.GetLongitude());
  point.SetLatitude(waypoint.GetLatitude());
  point.SetSymbol(waypoint.GetSymbol());
  return point;
}

CVexlornFileWpt Trip() {
  CVexlornFileWpt doc;
  const SVexlornWptBlock home = Waypoint("HOME", "START", 1, 0, true, 35.0, 2.25, -48.5);
  const SVexlornWptBlock camp = Waypoint("CAMP", "", 2, 41, true, 1204.5, 6.875, -45.125);
  doc.GetWaypoints().Add(home);
  doc.GetWaypoints().Add(camp);
  doc.GetWaypoints().Add(Waypoint("SPRING", "water", 3, 17, false, -3.25, -3.5, 33.5));
  SVexlornRteBlock route;
  route.SetName("TRIP");
  route.SetNumber(1);
  route.GetPoints().Add(Point(home));
  route.GetPoints().Add(Point(camp));
  doc.GetRoutes().Add(route);
  route.SetName("EMPTY");
  route.SetNumber(2);
  route.GetPoints().RemoveAll();
  doc.GetRoutes().Add(route);
  return doc;
}

TEST(VexlornGolden, NewEmptyDocuments) {
  const std::string wpt = SavedFile(CVexlornFileWpt(), "empty.wpt");
  EXPECT_EQ(wpt.size(), 26u);
  EXPECT_TRUE(SameAsFixture("empty~saved.wpt", wpt));
  const std::string trk = SavedFile(CVexlornFileTrk(), "empty.trk");
  EXPECT_EQ(trk.size(), 23u);
  EXPECT_TRUE(SameAsFixture("empty~saved.trk", trk));
}

TEST(VexlornGolden, ThousandNodeTrackAndBack) {
  const std::string bytes = SavedFile(Track1000(), "track1000.trk");
  EXPECT_EQ(bytes.size(), 18u + 6 + 4 + 29000);
  EXPECT_TRUE(SameAsFixture("track1000~saved.trk", bytes));

  CVexlornFileTrk loaded;
  ASSERT_TRUE(LoadVexlornFile(FixturePath("track1000~saved.trk"), loaded));
  EXPECT_EQ(loaded.GetName(), "ALPHA");
  ASSERT_EQ(loaded.GetNodes().GetCount(), 1000u);
  const SVexlornTnodBlock node = loaded.GetNodes().GetAt(999);
  EXPECT_EQ(node.GetLongitude(), 999 / 1024.0 - 3.5);
  EXPECT_EQ(node.GetAltitude(), 499.5f);
  EXPECT_EQ(node.GetTime(), 1000001998);
  EXPECT_EQ(node.GetValidFix(), 0);
  EXPECT_EQ(node.GetHundredths(), 99);
}

TEST(VexlornGolden, WaypointsAndRoutes) {
  EXPECT_TRUE(SameAsFixture("trip~saved.wpt", SavedFile(Trip(), "trip.wpt")));
  CVexlornFileWpt loaded;
  ASSERT_TRUE(LoadVexlornFile(FixturePath("trip~saved.wpt"), loaded));
  EXPECT_TRUE(SameAsFixture("trip~saved.wpt", SavedFile(loaded, "again.wpt")));
}

// An older file with a wide name and bytes after its last route: the header stays older, the name
// comes back in the code page (CP1252) in the narrow form, and the trailing bytes are gone.
TEST(VexlornGolden, OlderFileSavedAgain) {
  CVexlornFileWpt loaded;
  CDiagnostic why;
  ASSERT_TRUE(LoadVexlornFile(FixturePath("trip_v34.wpt"), loaded, &why)) << why.Reason();
  EXPECT_EQ(loaded.GetWaypoints().GetAt(0).GetName(), "Z\xFCrich ?\?!");
  EXPECT_TRUE(SameAsFixture("trip_v34~resaved.wpt", SavedFile(loaded, "trip_v34.wpt")));
}

}  // namespace
