// The sample files of examples/ go to the unit's files and back through `transvane-cli convert`
// and come back as they were, within the rounding of the unit's text.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/vexlorn_file.h"
#include "formats/vexlorn_records.h"
#include "tests/cli/cli_test_support.h"

namespace {

namespace fs = std::filesystem;

// Absolute with its drive on every system: a Windows program takes "/work/..." for an option.
const fs::path kExamples = fs::absolute(fs::path(TRANSVANE_SOURCE_DIR) / "examples");
// Three decimals of minutes: half a thousandth of a minute, in degrees.
constexpr double kDegreesTolerance = 0.0005 / 60 + 1e-12;

class ExamplesTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    // Track times travel as local time; any zone must give them back unchanged.
    SetEnvironment("TZ", "Europe/Zurich");
  }

  // The exit status of `convert -o folder files...`, with its messages on failure.
  static ::testing::AssertionResult Converts(const std::string& folder, const std::vector<std::string>& files) {
    std::vector<std::string> arguments = {"convert", "-o", folder};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const SRun run = Run(arguments);
    if (run.status == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit status " << run.status << "\n" << run.err;
  }
};

TEST_F(ExamplesTest, TripComesBackFromTheRouteFile) {
  const std::string unit = Path("unit");
  const std::string back = Path("back");
  ASSERT_TRUE(Converts(unit, {(kExamples / "trip.wpt").string()}));
  ASSERT_TRUE(Converts(back, {unit + "/trip.rte"}));

  CVexlornFileWpt original, returned;
  ASSERT_TRUE(LoadVexlornFile((kExamples / "trip.wpt").string(), original));
  ASSERT_TRUE(LoadVexlornFile(back + "/trip.wpt", returned));
  ASSERT_EQ(returned.GetWaypoints().GetCount(), original.GetWaypoints().GetCount());
  ASSERT_GE(original.GetWaypoints().GetCount(), 3u);
  for (std::size_t i = 0; i < original.GetWaypoints().GetCount(); ++i) {
    const SVexlornWptBlock a = original.GetWaypoints().GetAt(i), b = returned.GetWaypoints().GetAt(i);
    SCOPED_TRACE(a.GetName());
    EXPECT_EQ(b.GetName(), a.GetName());
    EXPECT_EQ(b.GetComment(), a.GetComment());
    EXPECT_FALSE(a.GetComment().empty());
    EXPECT_EQ(b.GetNumber(), a.GetNumber());
    EXPECT_EQ(b.GetSymbol(), a.GetSymbol());
    EXPECT_EQ(b.GetRouteUse(), a.GetRouteUse());
    EXPECT_EQ(b.GetAltitude(), a.GetAltitude());
    EXPECT_NEAR(b.GetLatitude(), a.GetLatitude(), kDegreesTolerance);
    EXPECT_NEAR(b.GetLongitude(), a.GetLongitude(), kDegreesTolerance);
  }
  ASSERT_EQ(original.GetRoutes().GetCount(), 1u);
  ASSERT_EQ(returned.GetRoutes().GetCount(), 1u);
  const SVexlornRteBlock a = original.GetRoutes().GetAt(0), b = returned.GetRoutes().GetAt(0);
  EXPECT_EQ(b.GetName(), a.GetName());
  EXPECT_EQ(b.GetNumber(), a.GetNumber());
  ASSERT_EQ(b.GetPoints().GetCount(), a.GetPoints().GetCount());
  for (std::size_t i = 0; i < a.GetPoints().GetCount(); ++i) {
    const SVexlornRwptBlock p = a.GetPoints().GetAt(i), q = b.GetPoints().GetAt(i);
    EXPECT_EQ(q.GetName(), p.GetName());
    EXPECT_EQ(q.GetNumber(), p.GetNumber());
    EXPECT_EQ(q.GetSymbol(), p.GetSymbol());
    EXPECT_NEAR(q.GetLatitude(), p.GetLatitude(), kDegreesTolerance);
    EXPECT_NEAR(q.GetLongitude(), p.GetLongitude(), kDegreesTolerance);
  }
}

TEST_F(ExamplesTest, MorningWalkComesBackFromTheTrackLog) {
  const std::string unit = Path("unit");
  const std::string back = Path("back");
  ASSERT_TRUE(Converts(unit, {(kExamples / "morning.trk").string()}));
  ASSERT_TRUE(Converts(back, {unit + "/morning.log"}));

  CVexlornFileTrk original, returned;
  ASSERT_TRUE(LoadVexlornFile((kExamples / "morning.trk").string(), original));
  ASSERT_TRUE(LoadVexlornFile(back + "/morning.trk", returned));
  EXPECT_EQ(returned.GetName(), original.GetName());
  ASSERT_EQ(returned.GetNodes().GetCount(), original.GetNodes().GetCount());
  ASSERT_GE(original.GetNodes().GetCount(), 10u);
  for (std::size_t i = 0; i < original.GetNodes().GetCount(); ++i) {
    const SVexlornTnodBlock a = original.GetNodes().GetAt(i), b = returned.GetNodes().GetAt(i);
    SCOPED_TRACE(i);
    EXPECT_EQ(b.GetTime(), a.GetTime());
    EXPECT_EQ(b.GetHundredths(), a.GetHundredths());
    EXPECT_EQ(b.GetValidFix(), a.GetValidFix());
    EXPECT_EQ(b.GetAltitude(), std::floor(a.GetAltitude()));
    EXPECT_NEAR(b.GetLatitude(), a.GetLatitude(), kDegreesTolerance);
    EXPECT_NEAR(b.GetLongitude(), a.GetLongitude(), kDegreesTolerance);
  }
}

}  // namespace
