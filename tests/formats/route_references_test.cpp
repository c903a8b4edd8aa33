// The scratch records on disk and the matching of route points with their waypoints through them.
#include "formats/route_references.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formats/atomic_file.h"
#include "formats/spill_buckets.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::size_t EntriesIn(const std::string& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::vector<std::string> RecordsOf(CSpillBuckets& spill, std::size_t bucket) {
  std::vector<std::string> records;
  std::string_view record;
  for (CSpillReader reader(spill, bucket); reader.Next(record);) records.emplace_back(record);
  return records;
}

TEST(SpillBuckets, RecordsComeBackInOrderWhateverTheirSize) {
  CTempFolder temp;
  // Buffers of 64 bytes: most records go through the scratch file, some as chunks of their own.
  auto owned = std::make_unique<CSpillBuckets>(temp.Path("target.wpt"), 64);
  CSpillBuckets& spill = *owned;
  std::vector<std::vector<std::string>> added(3);
  for (std::size_t b = 0; b < added.size(); ++b) EXPECT_EQ(spill.AddBucket(), b);
  for (std::size_t i = 0; i < 400; ++i) {
    const std::size_t bucket = i % 7 % 3;
    const std::string head = std::to_string(i);
    const std::string tail(i % 50 == 0 ? 200 + i : i % 13, static_cast<char>('a' + i % 26));
    ASSERT_TRUE(spill.Add(bucket, head.data(), head.size(), tail));
    added[bucket].push_back(head + tail);
  }
  for (std::size_t b = 0; b < added.size(); ++b) EXPECT_EQ(RecordsOf(spill, b), added[b]) << "bucket " << b;
  // A bucket emptied takes new records; the others keep theirs. The scratch file never has a name.
  spill.Clear(1);
  ASSERT_TRUE(spill.Add(1, "x", 1));
  EXPECT_EQ(RecordsOf(spill, 1), std::vector<std::string>{"x"});
  EXPECT_EQ(RecordsOf(spill, 2), added[2]);
  EXPECT_FALSE(spill.HasFailed());
  const std::size_t whileOpen = EntriesIn(temp.Path());
  owned.reset();
  EXPECT_EQ(EntriesIn(temp.Path()), 0u);
  // Some systems keep an open file's name until it is closed (Wine; Windows on a FAT volume).
  if (whileOpen != 0) GTEST_SKIP() << "this system cannot take an open file's name away; it went at the close";
}

// A file of placeholders: route use bytes of 1 and zeroed point values, as the writer leaves them.
class RouteReferencesTest : public ::testing::Test {
 protected:
  struct SWaypoint {
    const char* name;
    std::uint64_t routeUseAt;
  };
  struct SPoint {
    const char* name;
    std::uint64_t at;  // kNotWritten for a point of a route left out
  };
  struct SValues {
    std::int32_t number;
    double longitude;
    double latitude;
  };

  // Resolves the points against the waypoints in a file of `size` bytes; the waypoint at index i
  // has longitude i + 0.25 and latitude -i.
  CRouteReferences::EResult Resolve(std::uint64_t sourceSize, const std::vector<SWaypoint>& waypoints,
                                    const std::vector<SPoint>& points, std::size_t size) {
    CAtomicFile file(m_temp.Path("routes.wpt"));
    EXPECT_TRUE(file.Open());
    const std::string zeros(size, '\0');
    EXPECT_TRUE(file.Write(zeros));
    CSpillBuckets spill(m_temp.Path("routes.wpt"));
    CRouteReferences references(spill, sourceSize);
    for (std::size_t i = 0; i < waypoints.size(); ++i) {
      const char one = 1;
      EXPECT_TRUE(file.WriteAt(waypoints[i].routeUseAt, &one, 1));
      references.AddWaypoint(waypoints[i].name, i, static_cast<double>(i) + 0.25, -static_cast<double>(i),
                             waypoints[i].routeUseAt);
    }
    for (const SPoint& point : points) references.AddPoint(point.name, point.at);
    CDiagnostic why;
    const CRouteReferences::EResult result = references.Resolve(file, true, m_unnamedPlace, m_unnamedName, &why);
    EXPECT_NE(result, CRouteReferences::EResult::Failed) << why.Reason();
    m_bytes.resize(size);
    EXPECT_TRUE(file.ReadAt(0, m_bytes.data(), size));
    return result;
  }

  SValues ValuesAt(std::uint64_t at) const {
    SValues values{};
    std::memcpy(&values.number, m_bytes.data() + at, 4);
    std::memcpy(&values.longitude, m_bytes.data() + at + 4, 8);
    std::memcpy(&values.latitude, m_bytes.data() + at + 12, 8);
    return values;
  }

  CTempFolder m_temp;
  std::string m_bytes;
  std::uint64_t m_unnamedPlace = 0;
  std::string m_unnamedName;
};

TEST_F(RouteReferencesTest, PointsTakeTheFirstWaypointOfTheirName) {
  constexpr std::uint64_t kRegion = 1024 * 1024;
  const std::vector<SWaypoint> waypoints = {{"HOME", 0}, {"LAKE", 1}, {"HOME", 2}, {"PEAK", 3}, {"", 4}};
  // One point across the end of the first region of the file, one in a route left out.
  const std::vector<SPoint> points = {
      {"LAKE", 100}, {"HOME", kRegion - 7}, {"", 200}, {"PEAK", CRouteReferences::kNotWritten}};
  // One partition, and many partitions for the same few names.
  for (const std::uint64_t sourceSize : {std::uint64_t{100}, std::uint64_t{1} << 40}) {
    ASSERT_EQ(Resolve(sourceSize, waypoints, points, kRegion + 100), CRouteReferences::EResult::Done);
    const struct {
      std::uint64_t at;
      SValues expected;
    } placed[] = {{100, {2, 1.25, -1}}, {kRegion - 7, {1, 0.25, 0}}, {200, {5, 4.25, -4}}};
    for (const auto& p : placed) {
      const SValues values = ValuesAt(p.at);
      EXPECT_EQ(values.number, p.expected.number) << p.at;
      EXPECT_EQ(values.longitude, p.expected.longitude) << p.at;
      EXPECT_EQ(values.latitude, p.expected.latitude) << p.at;
    }
    // Every waypoint of a named name is in a route, the later HOME too; the point of the route left
    // out still counts.
    EXPECT_EQ(m_bytes.substr(0, 5), std::string("\2\2\2\2\2"));
  }
  ASSERT_EQ(Resolve(100, {{"HOME", 0}, {"LAKE", 1}}, {{"HOME", 100}}, 200), CRouteReferences::EResult::Done);
  EXPECT_EQ(m_bytes.substr(0, 2), std::string("\2\1"));
}

TEST_F(RouteReferencesTest, TheFirstPointNamingNoWaypointIsTheOneReported) {
  // Among many partitions the unnamed points fall into different ones, in no order of their places.
  std::vector<SPoint> points;
  for (int i = 0; i < 50; ++i) points.push_back({"HOME", 100});
  const char* unnamed[] = {"NOWHERE", "ELSEWHERE", "MOON", "MARS", "VENUS"};
  for (const char* name : unnamed) points.push_back({name, 200});
  for (const std::uint64_t sourceSize : {std::uint64_t{100}, std::uint64_t{1} << 40}) {
    ASSERT_EQ(Resolve(sourceSize, {{"HOME", 0}}, points, 300), CRouteReferences::EResult::Unnamed);
    EXPECT_EQ(m_unnamedPlace, 50u);
    EXPECT_EQ(m_unnamedName, "NOWHERE");
    // Nothing was written over the placeholders.
    EXPECT_EQ(m_bytes[0], 1);
    EXPECT_EQ(ValuesAt(100).number, 0);
  }
}

}  // namespace
