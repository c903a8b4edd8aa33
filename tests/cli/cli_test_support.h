// Shared pieces of the tests that run the built transvane-cli: a run with its output captured, a
// temporary folder per test and small text helpers; the golden fixtures and file helpers are the
// golden tests' own. How a run is started is each system's own (run_cli.cpp).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/formats/golden_support.h"
#include "tests/temp_folder.h"

// What one run of the program gave: its exit status (-1 when it did not exit) and its two streams.
struct SRun {
  int status = -1;
  std::string out;
  std::string err;
};

// The lines of a text without their '\n'; a last line without one still counts.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

// The words of a text, split at white space.
inline std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The width of a line in characters, not bytes.
inline std::size_t Width(const std::string& line) {
  return static_cast<std::size_t>(
      std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// A UTF-8 path as the system's own (std::string converts through the ANSI code page on Windows).
inline std::filesystem::path U8(const std::string& path) { return CTempFolder::FromUtf8(path); }

// A path as the program prints it: its folders separated as the system writes them ('\\' on
// Windows); unchanged where '/' is the separator.
inline std::string Native(std::string path) {
  if (std::filesystem::path::preferred_separator == '\\') std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Every file under a folder (hidden ones too), as paths relative to it, sorted, '/' between names.
inline std::vector<std::string> FilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(U8(folder))) {
    if (entry.is_regular_file()) {
      const std::u8string relative = entry.path().lexically_relative(U8(folder)).generic_u8string();
      files.emplace_back(relative.begin(), relative.end());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Runs the program without a shell, so that paths need no quoting, in workingFolder when one is
// given. Standard output and error are captured apart; neither is a terminal, and the run leaves
// nothing in any folder a test looks at. With `input`, standard input is a pipe that gives it, as a
// shell pipeline would (not a file, so it cannot seek).
SRun RunCli(std::vector<std::string> arguments, const std::string& workingFolder = {},
            const std::optional<std::string>& input = std::nullopt);

// Sets (or, without a value, removes) a variable of this process's environment, which the runs
// inherit.
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);

// The variable that names the folder for the program's temporary files.
extern const char* const kTemporaryFolderVariable;

// The option that names the Wine prefix of the desktop product, or nullptr where the system has none.
extern const char* const kWinePrefixOption;

// Why TZ does not set the runs' time zone here, or nullptr where it does.
extern const char* const kTimeZoneIgnoredBecause;

// A test with a temporary folder of its own, removed afterwards.
// A fixture that adds to SetUp calls this one first under ASSERT_NO_FATAL_FAILURE.
class CCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder.emplace();
    ASSERT_FALSE(m_folder->Path().empty());
    m_root = CTempFolder::FromUtf8(m_folder->Path());
  }
  void TearDown() override { m_folder.reset(); }

  // A path in the folder, in UTF-8, as the user types it and the program prints it (Native).
  std::string Path(const std::string& relative) const { return Native(m_folder->Path(relative)); }

  // A golden fixture copied into the folder; answers its path.
  std::string Copy(const char* golden, const std::string& relative) {
    std::filesystem::create_directories(U8(Path(relative)).parent_path());
    std::filesystem::copy_file(kGolden / golden, U8(Path(relative)), std::filesystem::copy_options::overwrite_existing);
    return Path(relative);
  }

  // A file written into the folder; answers its path.
  std::string Write(const std::string& relative, const std::string& bytes) {
    WriteBytes(U8(Path(relative)), bytes);
    return Path(relative);
  }

  static SRun Run(std::vector<std::string> arguments, const std::string& workingFolder = {},
                  const std::optional<std::string>& input = std::nullopt) {
    return RunCli(std::move(arguments), workingFolder, input);
  }

  std::filesystem::path m_root;

 private:
  std::optional<CTempFolder> m_folder;
};
