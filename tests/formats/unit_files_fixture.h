// The unit files' test fixture and sample sentences, shared by the cases every system runs and
// those that need POSIX (linux/).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "formats/unit_files.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"

namespace unit_files_fixture {

namespace fs = std::filesystem;
inline const std::string kHome = "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E";
inline const std::string kLake = "$PTVLWPL,4845.000,N,00230.000,E,0120,M,LAKE,,ab*00";
inline const std::string kRoute = "$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5C";
inline const std::string kEnd = "$PTVLCMD,END*37";

inline std::string WithChecksum(const std::string& body) {
  char sum[8];
  std::snprintf(sum, sizeof sum, "*%02X", Checksum(body));
  return "$" + body + sum;
}

inline std::string Lines(std::initializer_list<std::string> lines, const std::string& end = "\r\n") {
  std::string text;
  for (const auto& line : lines) text += line + end;
  return text;
}

inline std::string Track(const std::string& name, const std::string& time = "101530.25") {
  return WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M," + time + ",A," + name + ",061204");
}

class UnitFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTimeZone("Europe/Paris"); }

  std::string PathOf(const std::string& name) const { return (m_folder / name).string(); }
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  CTempFolder m_temp;
  fs::path m_folder = m_temp.Path();
};

}  // namespace unit_files_fixture
