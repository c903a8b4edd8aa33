// The fixture of the `transvane-cli convert` tests, and the case both systems run on each spelling
// of a folder.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"

class ConvertCommandTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    // The track files' times are local; the golden files are in UTC.
    SetEnvironment("TZ", "UTC");
  }

  // Two inputs that want one output, where an older file of that name lies in `folder`, the
  // second input named through `other` (the same folder, spelled otherwise): the second output
  // gets the next name, and neither conversion is lost.
  void ExpectTheNextNameUnderASpelling(const std::string& folder, const std::string& other) {
    for (const char* to : {"", "gpx"}) {
      std::filesystem::remove_all(U8(folder));
      // Written, not copied: a FAT volume's driver copies no file.
      WriteBytes(U8(folder + "/a.upt"), ReadBytes(kGolden / "walk.upt"));
      WriteBytes(U8(folder + "/a.rte"), ReadBytes(kGolden / "walk.rte"));
      const std::string extension = *to != '\0' ? "gpx" : "wpt";
      WriteBytes(U8(folder + "/a." + extension), "an older file");
      std::vector<std::string> arguments = {"convert", folder + "/a.upt", other + "/a.rte"};
      if (*to != '\0') arguments.insert(arguments.end(), {"--to", to});
      const SRun run = Run(arguments);
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_THAT(Lines(run.out),
                  ::testing::ElementsAre(Native(folder + "/a." + extension), Native(other + "/a_1." + extension)))
          << other;
      EXPECT_NE(ReadBytes(U8(folder + "/a." + extension)), "an older file");
      if (*to == '\0') {
        EXPECT_TRUE(SameAsFixture("walk~from_upt.wpt", ReadBytes(U8(folder + "/a.wpt")))) << other;
        EXPECT_TRUE(SameAsFixture("walk~from_rte.wpt", ReadBytes(U8(folder + "/a_1.wpt")))) << other;
      }
    }
  }
};
