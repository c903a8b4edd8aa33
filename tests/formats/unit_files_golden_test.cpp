// Golden files of the unit: each input is read and written again, and the result must equal its
// `input~rewrite.ext` byte for byte (CR LF, upper-case checksums, normalised times).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "formats/unit_files.h"

namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(TRANSVANE_SOURCE_DIR) / "tests/formats/golden";

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string HexRows(const std::string& bytes, std::size_t from) {
  std::ostringstream out;
  for (std::size_t row = from; row < bytes.size() && row < from + 64; row += 16) {
    char text[16];
    std::snprintf(text, sizeof text, "%06zx ", row);
    out << text;
    for (std::size_t i = row; i < row + 16 && i < bytes.size(); ++i) {
      std::snprintf(text, sizeof text, " %02x", static_cast<unsigned char>(bytes[i]));
      out << text;
    }
    out << '\n';
  }
  return out.str();
}

// Where two byte strings first differ, with a hex dump of both from the row before.
std::string HexDiff(const std::string& expected, const std::string& actual) {
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const std::size_t from = at / 16 * 16 >= 16 ? at / 16 * 16 - 16 : 0;
  return "first difference at offset " + std::to_string(at) + "\nexpected:\n" + HexRows(expected, from) + "actual:\n" +
         HexRows(actual, from);
}

std::unique_ptr<CUnitFile> FileFor(const fs::path& input) {
  const std::string extension = input.extension().string();
  if (extension == ".upt") return std::make_unique<CUnitWaypointFile>();
  if (extension == ".rte") return std::make_unique<CUnitRouteFile>();
  return std::make_unique<CUnitTrackFile>();
}

class UnitGoldenTest : public ::testing::TestWithParam<const char*> {};

TEST_P(UnitGoldenTest, RewriteGivesTheExpectedBytes) {
  setenv("TZ", "Europe/Paris", 1);
  tzset();
  const fs::path input = kGolden / GetParam();
  const fs::path expectedPath = kGolden / (input.stem().string() + "~rewrite" + input.extension().string());
  ASSERT_TRUE(fs::exists(input)) << input;
  ASSERT_TRUE(fs::exists(expectedPath)) << expectedPath;

  auto file = FileFor(input);
  CDiagnostic why;
  ASSERT_TRUE(ReadUnitFile(input.string(), *file, &why)) << why.Reason();

  char pattern[] = "/tmp/unit_golden.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path output = fs::path(pattern) / input.filename();
  ASSERT_TRUE(WriteUnitFile(output.string(), *file, &why)) << why.Reason();
  const std::string actual = ReadBytes(output);
  fs::remove_all(pattern);

  const std::string expected = ReadBytes(expectedPath);
  EXPECT_TRUE(actual == expected) << HexDiff(expected, actual);

  // The rewritten file reads back and writes the same bytes again.
  auto again = FileFor(input);
  ASSERT_TRUE(ReadUnitText(expected, UnitFileTitle(input.string()), *again, &why)) << why.Reason();
  std::string rewritten;
  WriteUnitText(*again, rewritten);
  EXPECT_TRUE(rewritten == expected) << HexDiff(expected, rewritten);
}

INSTANTIATE_TEST_SUITE_P(Golden, UnitGoldenTest,
                         ::testing::Values("walk.rte", "walk.upt", "extra.upt", "loop.rte", "morning.log",
                                           "MORNINGWALK.log"));

}  // namespace
