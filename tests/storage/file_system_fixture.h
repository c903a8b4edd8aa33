// A temporary folder to list and query, for the file system tests on every system.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "storage/file_system.h"
#include "tests/temp_folder.h"

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_temp.Path().empty());
    m_root = m_temp.Path() + "/";
  }

  std::string Touch(const std::string& relative, const std::string& content = "x") {
    const std::string path = m_root + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  CTempFolder m_temp;
  std::string m_root;
  SECFileSystem m_fs;
};
