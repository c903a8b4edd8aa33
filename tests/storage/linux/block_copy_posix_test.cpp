// The block copy where only POSIX systems can set the scene: a file size limit in a child process,
// a small real card, and the temporary files of a run that has ended.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "formats/atomic_file.h"
#include "resources/string_ids.h"
#include "tests/child_process.h"
#include "tests/storage/block_copy_fixture.h"
#include "tests/storage/tmpfs_volume.h"

namespace {

namespace fs = std::filesystem;

// A write refused by the size limit in the middle of the file: the line names the source, and
// neither a partial file nor a damaged old destination is left.
TEST_F(BlockCopyTest, FailedWriteLeavesNoPartialFile) {
  const std::string source = Write("region.imi", Bytes(200 * 1024));
  const std::string fresh = m_root + "fresh.imi";
  const std::string existing = Write("existing.imi", "old contents");
  for (const std::string& destination : {fresh, existing}) {
    EXPECT_EQ(ExitStatusInChild([&] {
                if (!LimitFileSize(100 * 1024)) return 10;
                CReportLines report;
                CRecordingObserver observer;
                if (CopyInBlocks(source, destination, &observer, report) != 0) return 11;
                if (report.Lines().size() != 1 || report.Lines()[0].text != Message(IDS_ERROR_COPYING, source))
                  return 12;
                if (observer.blocks != 1) return 13;
                return 0;
              }),
              0)
        << destination;
  }
  EXPECT_FALSE(fs::exists(fresh));
  EXPECT_EQ(Read(existing), "old contents");
  EXPECT_EQ(EntryCount(), 2u);
}

// A real card of 1 MiB, nearly full of older copies. A region whose older copy must go first is
// copied in its place, one with room beside its older copy goes through a temporary file as
// ever, and one that cannot fit even alone fails and leaves its older copy.
TEST_F(BlockCopyTest, UpdatesOnAFullCardRemoveTheOlderCopyFirstOnlyWhenNeeded) {
  const CTmpfsVolume card(m_root + "card", 1024 * 1024);
  if (!card.Unavailable().empty()) GTEST_SKIP() << "no size-limited volume here: " << card.Unavailable();
  const std::string a = card.Path() + "/A.imi";
  const std::string b = card.Path() + "/B.imi";
  const std::string c = card.Path() + "/C.imi";
  Write("card/A.imi", Bytes(600'000, 'a'));
  Write("card/B.imi", Bytes(100'000, 'b'));
  Write("card/C.imi", Bytes(100'000, 'c'));
  CFilePairs pairs;
  pairs.Set(a, Write("new/A.imi", Bytes(700'000, 'A')));
  pairs.Set(b, Write("new/B.imi", Bytes(100'000, 'B')));
  pairs.Set(c, Write("new/C.imi", Bytes(2'000'000, 'C')));
  CRecordingObserver observer;
  STransferOutcome outcome;
  RunTransfer(pairs, &observer, m_report, &outcome);
  EXPECT_TRUE(Read(a) == Bytes(700'000, 'A')) << a;
  EXPECT_TRUE(Read(b) == Bytes(100'000, 'B')) << b;
  EXPECT_TRUE(Read(c) == Bytes(100'000, 'c')) << c;
  EXPECT_THAT(outcome.madeRoom, ::testing::ElementsAre(a));
  EXPECT_FALSE(outcome.cancelled);
  ASSERT_EQ(m_report.Lines().size(), 1u);
  EXPECT_EQ(m_report.Lines()[0].text, Message(IDS_ERROR_COPYING, m_root + "new/C.imi"));
  EXPECT_THAT(m_report.Lines()[0].reason, ::testing::HasSubstr("No space left"));
  EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(card.Path()), {})), 3u);

  // A file that is its own target is never removed to make room for itself.
  CFilePairs itself;
  itself.Set(a, a);
  m_report.Clear();
  RunTransfer(itself, &observer, m_report, &outcome);
  EXPECT_TRUE(Read(a) == Bytes(700'000, 'A')) << a;
  EXPECT_TRUE(outcome.madeRoom.empty());
  EXPECT_EQ(m_report.Lines().size(), 1u) << "no room for a second copy";

  // A cancel during a copy that had to make room: the older copy is gone, and the outcome says so.
  CFilePairs update;
  update.Set(a, Write("new/A2.imi", Bytes(800'000, '2')));
  observer.onBlock = [&] { observer.cancelled = true; };
  EXPECT_EQ(RunTransfer(update, &observer, m_report, &outcome), 0u);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.stopped, a);
  EXPECT_THAT(outcome.madeRoom, ::testing::ElementsAre(a));
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(card.Path()), {})), 2u);
}

// Before copying into a folder the transfer removes our temporary files of runs that are over, and
// nothing else.
TEST_F(BlockCopyTest, TransferRemovesLeftoversOfEndedRunsFromItsFolders) {
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string dead = std::string(kTemporaryPrefix) + std::to_string(ended) + ".0.";
  const std::string alive = std::string(kTemporaryPrefix) + std::to_string(::getppid()) + ".0.";
  fs::create_directories(m_root + "maps/" + dead + "folder.imi");
  Write("maps/" + dead + "A.imi", "left by an ended run");
  Write("maps/" + alive + "B.imi", "a live run's file");
  Write("maps/.A.imi.123-0.part", "not our name");
  Write("elsewhere/" + dead + "C.imi", "a folder the run does not write");
  CFilePairs pairs;
  pairs.Set(m_root + "maps/A.imi", Write("a", "region"));
  CRecordingObserver observer;
  EXPECT_EQ(RunTransfer(pairs, &observer, m_report), 1u);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_root + "maps")) names.push_back(entry.path().filename());
  EXPECT_THAT(names,
              ::testing::UnorderedElementsAre("A.imi", dead + "folder.imi", alive + "B.imi", ".A.imi.123-0.part"));
  EXPECT_TRUE(fs::exists(m_root + "elsewhere/" + dead + "C.imi"));
}

}  // namespace
