// Output folders behind a link to nothing, and beyond the longest path a POSIX system takes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "storage/output_folder.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Makes root/d/d/... (each level a 250-byte name) until the path is longer than the system takes,
// through descriptors, as no path could reach the last levels. Answers the whole path.
std::string MakeTooLongPath(const std::string& root) {
  const std::string name(250, 'd');
  std::string path = root;
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  while (fd >= 0 && path.size() < 4200) {
    ::mkdirat(fd, name.c_str(), 0777);
    const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    path += "/" + name;
  }
  if (fd >= 0) ::close(fd);
  return path;
}

TEST(OutputFolderTest, ALinkToNothingOrAPathTooLongSaysWhy) {
  const CTempFolder temp;
  const std::string root = temp.Path();
  fs::create_symlink(root + "/nowhere", root + "/dangle");
  const std::string tooLong = MakeTooLongPath(root);
  const struct {
    std::string folder;
    std::string reason;
  } cases[] = {
      {root + "/dangle",
       "cannot use the folder " + root + "/dangle: it points to " + root + "/nowhere, which does not exist"},
      {root + "/dangle/sub/", "cannot create the folder " + root + "/dangle/sub/: " + root + "/dangle points to " +
                                  root + "/nowhere, which does not exist"},
      // It exists, but no call can reach it by its path.
      {tooLong, "cannot use the folder " + tooLong + ": its path is " + std::to_string(tooLong.size()) +
                    " bytes long, and the system takes paths of at most 4095"},
  };
  for (const auto& c : cases) {
    COutputFolder output(c.folder);
    EXPECT_FALSE(output.Prepare()) << c.folder;
    EXPECT_EQ(output.Reason(), c.reason);
  }
  EXPECT_FALSE(fs::exists(root + "/nowhere"));
}

}  // namespace
