// Files to copy in a temporary folder, and an observer that records the copy, for the block copy
// tests on every system.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "resources/string_table.h"
#include "storage/block_copy.h"
#include "tests/temp_folder.h"

inline std::string Message(int id, const std::string& path) { return FormatMessageWithPath(BuiltInString(id), path); }

inline std::string Bytes(std::size_t size, char seed = 'a') {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 % 251);
  return bytes;
}

// Records what the copy tells it and runs a test's action at a chosen moment.
class CRecordingObserver : public CCopyObserver {
 public:
  void OnFileStart(const std::string& source) override { sources.push_back(source); }
  void OnBlockCopied() override {
    ++blocks;
    if (onBlock) onBlock();
  }
  bool IsCancelled() override { return cancelled; }

  std::vector<std::string> sources;
  int blocks = 0;
  bool cancelled = false;
  std::function<void()> onBlock;
};

class BlockCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_temp.Path().empty());
    m_root = m_temp.Path() + "/";
  }

  std::string Write(const std::string& name, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(m_root + name).parent_path());
    std::ofstream(m_root + name, std::ios::binary) << content;
    return m_root + name;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_root), {}));
  }

  CTempFolder m_temp;
  std::string m_root;
  CReportLines m_report;
};
