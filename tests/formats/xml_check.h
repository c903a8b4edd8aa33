// Test helper: runs xmllint over a file the tests wrote, so every GPX we produce is checked by an
// XML parser that is not the one we read with.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

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
