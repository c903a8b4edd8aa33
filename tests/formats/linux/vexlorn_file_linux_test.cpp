// The cases of the desktop's binary files that need Linux: a fifo and a device, and limits set in
// a forked child (file size, address space).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/vexlorn_file.h"
#include "tests/child_process.h"
#include "tests/formats/vexlorn_file_fixtures.h"

namespace {

using namespace vexlorn_fixtures;

// A device that never ends is not read.
TEST(VexlornFile, ADeviceIsNotRead) {
  CDiagnostic why;
  CVexlornFileTrk track;
  EXPECT_FALSE(LoadVexlornFile("/dev/zero", track, &why));
  EXPECT_NE(why.Reason().find("not a regular file"), std::string::npos) << why.Reason();
}

// Opening a FIFO that has no writer blocks before any check of the file's kind can run; it must be
// refused at once. The load runs in a child with an alarm, so that a hang fails instead of waiting.
TEST(VexlornFile, FifoIsRefusedWithoutWaiting) {
  CTempFolder folder;
  const std::string path = folder.Path("pipe.trk");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(ExitStatusInChild([&] {
              ::alarm(10);
              CVexlornFileTrk track;
              CDiagnostic why;
              const bool loaded = LoadVexlornFile(path, track, &why);
              return !loaded && why.Reason().find("not a regular file") != std::string::npos ? 0 : 1;
            }),
            0)
      << "-1: the load did not return, 1: the FIFO was not refused as not regular";
}

// A write that fails part-way (here: the file size limit) must leave the user's previous file as it
// was and no temporary file beside it.
TEST(VexlornFile, FailedSaveKeepsTheOldFileAndLeavesNoDebris) {
  CTempFolder folder;
  const std::string path = folder.Path("morning.trk");
  ASSERT_TRUE(SaveVexlornFile(path, SmallTrk()));
  const Bytes old = ReadAll(path);

  EXPECT_EQ(ExitStatusInChild([&] {
              if (!LimitFileSize(64 * 1024)) return 3;
              CVexlornFileTrk big;
              big.SetName("BIG");
              for (int i = 0; i < 100000; ++i) big.GetNodes().Add(SVexlornTnodBlock());
              CDiagnostic why;
              const bool saved = SaveVexlornFile(path, big, &why);
              return saved ? 1 : (why.HasReason() ? 0 : 2);
            }),
            0)
      << "1: the save reported success, 2: no reason, 3: no limit";
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"morning.trk"});
}

// A save needs its write buffers and no more, however large the document: a 64 MB name goes out
// under an address space limit of 16 MB (in a child), and the old file is replaced only then.
TEST(VexlornFile, SaveNeedsNoMemoryOfTheDocumentsSize) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's allocator does not survive an address space limit";
#endif
  CTempFolder folder;
  const std::string path = folder.Path("trip.wpt");
  ASSERT_TRUE(SaveVexlornFile(path, SmallWpt()));

  EXPECT_EQ(ExitStatusInChild([&] {
              CVexlornFileWpt big;
              SVexlornWptBlock waypoint;
              waypoint.SetName(std::string(64 << 20, 'x'));
              big.GetWaypoints().Add(std::move(waypoint));
              if (!LimitAddressSpace(16 << 20)) return 3;
              CDiagnostic why;
              try {
                return SaveVexlornFile(path, big, &why)
                           ? 0
                           : (why.Reason().find("not enough memory") != std::string::npos ? 1 : 2);
              } catch (...) {
                return 4;
              }
            }),
            0)
      << "-1: the save crashed, 1: it ran out of memory, 2: it failed otherwise, 3: no limit, 4: it threw";
  EXPECT_EQ(std::filesystem::file_size(path), 18u + 4u + (7u + (64u << 20)) + 1u + 30u + 4u);
  EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"trip.wpt"});
}

}  // namespace
