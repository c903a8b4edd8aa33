// Test helper: runs xmllint over a file the tests wrote, so every GPX we produce is checked by an
// XML parser that is not the one we read with.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

// Whether xmllint can be started here (it is a tool of the build machine, which Wine does not run
// from a Windows program).
inline bool XmlLintRuns() {
  static const bool runs = [] {
    FILE* pipe = popen("xmllint --version 2>&1", "r");
    if (pipe == nullptr) return false;
    std::array<char, 256> chunk{};
    while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) {
    }
    return pclose(pipe) == 0;
  }();
  return runs;
}

inline constexpr const char* kNoXmlLint = "xmllint cannot be started here: the files were not checked by it";

inline ::testing::AssertionResult IsWellFormedXml(const std::string& path) {
  const std::string command = "xmllint --noout '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return ::testing::AssertionFailure() << "cannot run xmllint";
  std::string output;
  std::array<char, 256> chunk{};
  while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) output += chunk.data();
  const int status = pclose(pipe);
  if (status == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "xmllint refuses " << path << " (status " << status << "):\n" << output;
}

// Checks the files a test writes with xmllint where it runs. Where it cannot, the test still
// compares what it compares, and one that passes ends skipped, saying which check was missing.
class CXmlLintCheck {
 public:
  void Check(const std::string& path) {
    if (XmlLintRuns()) {
      EXPECT_TRUE(IsWellFormedXml(path));
    } else {
      m_unchecked = true;
    }
  }
  // From the test's TearDown.
  void SkipIfUnchecked() const {
    if (m_unchecked && !::testing::Test::HasFailure()) {
      GTEST_SKIP() << kNoXmlLint;
    }
  }

 private:
  bool m_unchecked = false;
};
