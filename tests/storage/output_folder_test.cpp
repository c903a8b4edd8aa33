// Why a job's output folder cannot be used.
#include "storage/output_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using ::testing::StartsWith;

TEST(OutputFolderTest, AFolderThatCannotBeUsedSaysWhy) {
  const CTempFolder temp;
  const std::string root = temp.Path();
  temp.File("afile", "a file");
  const std::string longName(300, 'y');
  const struct {
    std::string folder;
    std::string reason;
  } cases[] = {
      {root + "/afile/", "cannot use the folder " + root + "/afile/: it is a file, not a folder"},
      {root + "/afile/sub",
       "cannot create the folder " + root + "/afile/sub: " + root + "/afile is a file, not a folder"},
      {root + "/new/" + longName, "cannot create the folder " + root + "/new/" + longName + ": the name " + longName +
                                      " is 300 bytes long, and its folder takes names of at most 255"},
  };
  for (const auto& c : cases) {
    COutputFolder output(c.folder);
    EXPECT_FALSE(output.Prepare()) << c.folder;
    EXPECT_EQ(output.Reason(), c.reason);
  }
  EXPECT_FALSE(fs::exists(root + "/new")) << "nothing made stays";
  EXPECT_THAT(FolderFailure(root + "/x", EROFS), StartsWith("cannot create the folder " + root + "/x: Read-only"));
}

}  // namespace
