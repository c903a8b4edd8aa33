// Golden .wpt/.trk files: what we write must match the committed fixtures byte for byte.
// The fixtures come from tests/formats/golden/make_vexlorn_fixtures.py, an encoder of its own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/vexlorn_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string FixturePath(const std::string& name) {
  return std::string(TRANSVANE_SOURCE_DIR) + "/tests/formats/golden/" + name;
}

std::string HexRow(const Bytes& bytes, std::size_t from) {
  std::string row;
  char cell[4];
  for (std::size_t i = from; i < from + 16 && i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, "%02x ", bytes[i]);
    row += cell;
  }
  return row;
}

// Equal bytes, or the first difference with a hex view of the rows around it.
::testing::AssertionResult SameBytes(const std::string& fixture, const Bytes& actual) {
  const Bytes expected = ReadAll(FixturePath(fixture));
  if (expected.empty()) return ::testing::AssertionFailure() << "fixture " << fixture << " is missing or empty";
  if (expected == actual) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const std::size_t row = at / 16 * 16;
  auto failure = ::testing::AssertionFailure();
  failure << fixture << ": " << actual.size() << " bytes written, " << expected.size()
          << " expected; first difference at offset " << at << "\n";
  for (std::size_t r = row >= 16 ? row - 16 : 0; r <= row + 16; r += 16) {
    char offset[16];
    std::snprintf(offset, sizeof offset, "%08zx", r);
    failure << "  expected " << offset << ": " << HexRow(expected, r) << "\n";
    failure << "  written  " << offset << ": " << HexRow(actual, r) << "\n";
  }
  return failure;
}

// Saves through the file system, as a user's save does, and answers the file's bytes.
template <typename Doc>
Bytes SavedFile(const Doc& doc, const char* name) {
  const std::string folder = std::filesystem::temp_directory_path() / ("vexlorn_golden_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/" + name;
  EXPECT_TRUE(SaveVexlornFile(path, doc));
  const Bytes bytes = ReadAll(path);
  std::filesystem::remove_all(folder);
  return bytes;
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
  const Bytes wpt = SavedFile(CVexlornFileWpt(), "empty.wpt");
  EXPECT_EQ(wpt.size(), 26u);
  EXPECT_TRUE(SameBytes("empty~saved.wpt", wpt));
  const Bytes trk = SavedFile(CVexlornFileTrk(), "empty.trk");
  EXPECT_EQ(trk.size(), 23u);
  EXPECT_TRUE(SameBytes("empty~saved.trk", trk));
}

TEST(VexlornGolden, ThousandNodeTrackAndBack) {
  const Bytes bytes = SavedFile(Track1000(), "track1000.trk");
  EXPECT_EQ(bytes.size(), 18u + 6 + 4 + 29000);
  EXPECT_TRUE(SameBytes("track1000~saved.trk", bytes));

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
  EXPECT_TRUE(SameBytes("trip~saved.wpt", SavedFile(Trip(), "trip.wpt")));
  CVexlornFileWpt loaded;
  ASSERT_TRUE(LoadVexlornFile(FixturePath("trip~saved.wpt"), loaded));
  EXPECT_TRUE(SameBytes("trip~saved.wpt", SavedFile(loaded, "again.wpt")));
}

// An older file with a wide name and bytes after its last route: the header stays older, the name
// comes back as UTF-8 in the narrow form, and the trailing bytes are gone.
TEST(VexlornGolden, OlderFileSavedAgain) {
  CVexlornFileWpt loaded;
  CDiagnostic why;
  ASSERT_TRUE(LoadVexlornFile(FixturePath("trip_v34.wpt"), loaded, &why)) << why.Reason();
  EXPECT_EQ(loaded.GetWaypoints().GetAt(0).GetName(), "Z\xC3\xBCrich \xF0\x9F\x98\x80?!");
  EXPECT_TRUE(SameBytes("trip_v34~resaved.wpt", SavedFile(loaded, "trip_v34.wpt")));
}

}  // namespace
