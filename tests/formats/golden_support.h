// Shared pieces of the golden-file tests: the fixture folder, whole-file reads and writes, and a
// byte comparison that shows where two outputs part, in hex.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline const std::filesystem::path kGolden = std::filesystem::path(TRANSVANE_SOURCE_DIR) / "tests/formats/golden";

inline std::string FixturePath(const std::string& name) { return (kGolden / name).string(); }

// The whole file; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes a file, making its folders first.
inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Up to four rows of sixteen bytes in hex, from offset `from`.
inline std::string HexRows(const std::string& bytes, std::size_t from) {
  std::string rows;
  char text[32];
  for (std::size_t row = from; row < bytes.size() && row < from + 64; row += 16) {
    std::snprintf(text, sizeof text, "%06zx ", row);
    rows += text;
    for (std::size_t i = row; i < row + 16 && i < bytes.size(); ++i) {
      std::snprintf(text, sizeof text, " %02x", static_cast<unsigned char>(bytes[i]));
      rows += text;
    }
    rows += '\n';
  }
  return rows;
}

// Equal bytes, or the sizes, the first differing offset (and its line, for text) and a hex dump
// of both sides from the row before it.
inline ::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const std::size_t line = 1 + std::count(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(at), '\n');
  const std::size_t from = at / 16 * 16 >= 16 ? at / 16 * 16 - 16 : 0;
  return ::testing::AssertionFailure() << "sizes " << expected.size() << " expected / " << actual.size()
                                       << " written, first difference at offset " << at << " (line " << line
                                       << ")\nexpected:\n"
                                       << HexRows(expected, from) << "written:\n"
                                       << HexRows(actual, from);
}

// The bytes of a golden fixture; a missing or empty fixture is a failure of its own, so that a
// lost file cannot pass for an empty output.
inline ::testing::AssertionResult SameAsFixture(const std::string& fixture, const std::string& actual) {
  const std::string expected = ReadBytes(kGolden / fixture);
  if (expected.empty()) return ::testing::AssertionFailure() << "fixture " << fixture << " is missing or empty";
  ::testing::AssertionResult same = SameBytes(expected, actual);
  if (!same) return ::testing::AssertionFailure() << fixture << ": " << same.message();
  return same;
}
