// The fixture of the `transvane-cli send` tests: a folder standing for the unit, and the staging
// folder each run must leave empty.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"

inline const std::string kEjectHint = "The unit is safe to remove after unmounting it.";

class SendCommandTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    // The track files' times are local; the golden files are in UTC. The staged files go under
    // the test's own temporary folder, which must be empty again after each run.
    SetEnvironment("TZ", "UTC");
    std::filesystem::create_directories(U8(Path("tmp")));
    SetEnvironment(kTemporaryFolderVariable, Path("tmp"));
  }
  void TearDown() override {
    SetEnvironment(kTemporaryFolderVariable, std::nullopt);
    CCliTest::TearDown();
  }

  // What the runs left in the temporary folder (where the fake trees live too).
  std::vector<std::string> StagingLeftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(U8(Path("tmp")))) {
      const std::string name = CTempFolder::Utf8(entry.path().filename());
      if (name.rfind("drv_tree_", 0) != 0) names.push_back(name);
    }
    return names;
  }

  // A folder standing for the unit's volume, with translated folder names.
  std::string MakeUnit(const std::string& relative) {
    WriteBytes(U8(Path(relative + "/USBTRANS/UNIT_ID.DAT")), "Serial=42\r\nModel=Norvantis 200\r\n");
    WriteBytes(U8(Path(relative + "/USBTRANS/LANGUAGE.DAT")),
               "BackgroundMaps=Fonds\r\nDetailMaps=Cartes\r\nMyPOIs=Mes POIs\r\nRoutes=Itinéraires\r\n"
               "TrackLogs=Traces\r\n");
    return Path(relative);
  }
};
