// The wizard in a process of its own, interrupted by a signal in the middle of a job: no temporary
// file stays, a map copy first winds down as after a cancel, and the program ends with 128 + the
// signal's number. The process is stopped at a flush of the job's files, so nothing depends on
// timing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>

#include <filesystem>

#include "tests/formats/golden_support.h"
#include "tests/jobs/region_fixtures.h"
#include "tests/traced_child.h"
#include "tests/wizard/pages/wizard_test_support.h"

namespace {

namespace fs = std::filesystem;

class WizardInterruptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp.Path() + "/tmp");
    ::setenv("TMPDIR", (temp.Path() + "/tmp").c_str(), 1);
    ::setenv("WINEPREFIX", (temp.Path() + "/wine").c_str(), 1);
    m_null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  }
  void TearDown() override {
    ::unsetenv("TMPDIR");
    ::unsetenv("WINEPREFIX");
    ::close(m_null);
  }
  // Starts the wizard on the job and stops it at the count-th entry into the system call.
  bool Stop(CTracedChild& child, const std::string& job, const std::string& argument, long syscall, int count) {
    m_traced = child.Start({TRANSVANE_WIZARD_DRIVER, job, argument}, m_null, m_null);
    return m_traced && child.RunToSyscall(syscall, count);
  }

  CTempFolder temp;
  int m_null = -1;
  bool m_traced = false;
};

constexpr const char* kNoTracing = "this system refuses to trace a child (ptrace), so no signal can be placed";

TEST_F(WizardInterruptTest, ASignalDuringTheConversionLeavesNoTemporaryFile) {
  const std::string source = temp.File("docs/trip.wpt", ReadBytes(kGolden / "trip~saved.wpt"));
  CTracedChild child;
  // The first flush: trip.upt's temporary file, whole, just before it takes its name; trip.rte's,
  // made in the same pass, is there too.
  const bool stopped = Stop(child, "convert", source, SYS_fsync, 1);
  if (!m_traced) GTEST_SKIP() << kNoTracing;
  ASSERT_TRUE(stopped);
  // Test mode's unit is the temporary folder (where Qt may keep a folder of its own).
  const auto ours = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(temp.Path() + "/tmp")) {
      const std::string name = entry.path().filename().string();
      if (entry.is_regular_file()) names.push_back(name);
    }
    return names;
  };
  const std::vector<std::string> atStop = ours();
  EXPECT_EQ(child.SignalAndWait(SIGHUP), 129);
  ASSERT_EQ(atStop.size(), 2u);
  for (const std::string& name : atStop) EXPECT_EQ(name.rfind(".transvane-tmp.", 0), 0u) << name;
  EXPECT_TRUE(ours().empty());
}

TEST_F(WizardInterruptTest, ASignalDuringTheMapCopyWindsItDownAndEndsTheProgram) {
  const std::string maps = temp.Path() + "/wine/drive_c/Program Files/Tavrelin/Vexlorn/Maps";
  region_fixtures::MakeWinePrefix(temp.Path() + "/wine", {{"Vexlorn", "C:\\Program Files\\Tavrelin\\Vexlorn"}});
  // Copied newest first: A (2 blocks, replacing an older copy), N (1 block, new), B (16 blocks).
  std::int64_t time = region_fixtures::MakeFileAfter(maps + "/B.imi", 1'000'000, 0);
  time = region_fixtures::MakeFileAfter(maps + "/N.imi", 0, time, "new n");
  time = region_fixtures::MakeFileAfter(maps + "/A.imi", 0, time, std::string(100'000, 'a'));
  ASSERT_GT(time, 0);
  const std::string card = temp.Path() + "/card";
  const std::string a = temp.File("card/Detail Maps/A.imi", "an older copy");
  CTracedChild child;
  // Every block is flushed: the fourth flush is B.imi's first block.
  const bool stopped = Stop(child, "maps", card, SYS_fdatasync, 4);
  if (!m_traced) GTEST_SKIP() << kNoTracing;
  ASSERT_TRUE(stopped);
  EXPECT_EQ(child.SignalAndWait(SIGTERM), 143);
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(card)) left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, (std::vector<std::string>{"Detail Maps", "A.imi"})) << "N.imi, new, goes; no temporary file";
  EXPECT_EQ(ReadBytes(a), std::string(100'000, 'a')) << "A.imi replaced its older copy and is whole: it stays";
}

}  // namespace
