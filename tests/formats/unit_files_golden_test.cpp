// Golden files of the unit: each input is read and written again, and the result must equal its
// `input~rewrite.ext` byte for byte (CR LF, upper-case checksums, normalised times).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "formats/unit_files.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::unique_ptr<CUnitFile> FileFor(const fs::path& input) {
  const std::string extension = input.extension().string();
  if (extension == ".upt") return std::make_unique<CUnitWaypointFile>();
  if (extension == ".rte") return std::make_unique<CUnitRouteFile>();
  return std::make_unique<CUnitTrackFile>();
}

class UnitGoldenTest : public ::testing::TestWithParam<const char*> {};

TEST_P(UnitGoldenTest, RewriteGivesTheExpectedBytes) {
  SetTimeZone("Europe/Paris");
  const fs::path input = kGolden / GetParam();
  const fs::path expectedPath = kGolden / (input.stem().string() + "~rewrite" + input.extension().string());
  ASSERT_TRUE(fs::exists(input)) << input;
  ASSERT_TRUE(fs::exists(expectedPath)) << expectedPath;

  auto file = FileFor(input);
  CDiagnostic why;
  ASSERT_TRUE(ReadUnitFile(input.string(), *file, &why)) << why.Reason();

  const CTempFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const std::string output = folder.Path(input.filename().string());
  ASSERT_TRUE(WriteUnitFile(output, *file, &why)) << why.Reason();
  const std::string actual = ReadBytes(output);

  const std::string expected = ReadBytes(expectedPath);
  EXPECT_TRUE(SameBytes(expected, actual));

  // The rewritten file reads back and writes the same bytes again.
  auto again = FileFor(input);
  ASSERT_TRUE(ReadUnitText(expected, UnitFileTitle(input.string()), *again, &why)) << why.Reason();
  std::string rewritten;
  WriteUnitText(*again, rewritten);
  EXPECT_TRUE(SameBytes(expected, rewritten));
}

INSTANTIATE_TEST_SUITE_P(Golden, UnitGoldenTest,
                         ::testing::Values("walk.rte", "walk.upt", "extra.upt", "loop.rte", "morning.log",
                                           "MORNINGWALK.log"));

}  // namespace
