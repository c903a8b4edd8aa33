// The sample files of examples/ go to the unit's files and back through `transvane-cli convert`
// and come back as they were, within the rounding of the unit's text.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/vexlorn_file.h"
#include "formats/vexlorn_records.h"

namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(TRANSVANE_SOURCE_DIR) / "examples";
// Three decimals of minutes: half a thousandth of a minute, in degrees.
constexpr double kDegreesTolerance = 0.0005 / 60 + 1e-12;

int RunConvert(const std::string& folder, const std::vector<std::string>& files) {
  std::vector<std::string> arguments = {TRANSVANE_CLI_PATH, "convert", "-o", folder};
  arguments.insert(arguments.end(), files.begin(), files.end());
  const pid_t child = ::fork();
  if (child == 0) {
    if (!::freopen("/dev/null", "w", stdout)) ::_exit(127);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class ExamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/examples_cli.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    m_root = pattern;
    // Track times travel as local time; any zone must give them back unchanged.
    setenv("TZ", "Europe/Zurich", 1);
  }
  void TearDown() override { fs::remove_all(m_root); }

  fs::path m_root;
};

TEST_F(ExamplesTest, TripComesBackFromTheRouteFile) {
  const std::string unit = (m_root / "unit").string();
  const std::string back = (m_root / "back").string();
  ASSERT_EQ(RunConvert(unit, {(kExamples / "trip.wpt").string()}), 0);
  ASSERT_EQ(RunConvert(back, {unit + "/trip.rte"}), 0);

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
  const std::string unit = (m_root / "unit").string();
  const std::string back = (m_root / "back").string();
  ASSERT_EQ(RunConvert(unit, {(kExamples / "morning.trk").string()}), 0);
  ASSERT_EQ(RunConvert(back, {unit + "/morning.log"}), 0);

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
