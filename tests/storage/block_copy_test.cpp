// Tests of the block copy: block counts, copies, failure lines, cancels and what they leave behind.
#include "storage/block_copy.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "formats/atomic_file.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "tests/child_process.h"
#include "tests/storage/tmpfs_volume.h"

namespace {

namespace fs = std::filesystem;

std::string Message(int id, const std::string& path) { return FormatMessageWithPath(BuiltInString(id), path); }

std::string Bytes(std::size_t size, char seed = 'a') {
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
    std::string pattern = (fs::temp_directory_path() / "block_copy_test_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern + "/";
  }
  void TearDown() override { fs::remove_all(m_root); }

  std::string Write(const std::string& name, const std::string& content) {
    fs::create_directories(fs::path(m_root + name).parent_path());
    std::ofstream(m_root + name, std::ios::binary) << content;
    return m_root + name;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::size_t EntryCount() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_root), {})); }

  std::string m_root;
  CReportLines m_report;
};

TEST_F(BlockCopyTest, CountsBlocksOf64KiB) {
  const std::pair<std::int64_t, std::uint64_t> cases[] = {{0, 0}, {1, 1}, {65536, 1}, {65537, 2}, {131072, 2}};
  for (const auto& [size, blocks] : cases) {
    const std::string path = Write("sized", "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    EXPECT_EQ(CountBlocks(path), blocks) << size;
  }
  EXPECT_EQ(CountBlocks(m_root + "missing"), 0u);
  EXPECT_EQ(CountBlocks(m_root), 0u);
  // Files of 4 GiB and more are ordinary map archives now; a sparse one costs no disk space.
  const std::string big = Write("big.imi", "");
  ASSERT_EQ(::truncate(big.c_str(), std::int64_t{5} << 30), 0);
  EXPECT_EQ(CountBlocks(big), 81920u);
}

TEST_F(BlockCopyTest, CopiesBlockByBlock) {
  const std::string content = Bytes(200 * 1024);
  const std::string source = Write("region.imi", content);
  const std::string destination = Write("old.imi", "previous version");
  CRecordingObserver observer;
  EXPECT_EQ(CopyInBlocks(source, destination, &observer, m_report), 4u);
  EXPECT_EQ(Read(destination), content);
  EXPECT_THAT(observer.sources, ::testing::ElementsAre(source));
  EXPECT_EQ(observer.blocks, 4);
  EXPECT_TRUE(m_report.Empty());
  EXPECT_EQ(EntryCount(), 2u);

  // An empty file is copied as an empty file and answers 0 like a failure; only the report differs.
  const std::string empty = Write("empty.tdx", "");
  EXPECT_EQ(CopyInBlocks(empty, m_root + "copy.tdx", nullptr, m_report), 0u);
  EXPECT_TRUE(fs::exists(m_root + "copy.tdx"));
  EXPECT_EQ(fs::file_size(m_root + "copy.tdx"), 0u);

  // A name at the file system's limit still leaves room for the copy's temporary name.
  const std::string longest = m_root + std::string(251, 'x') + ".imi";
  EXPECT_EQ(CopyInBlocks(source, longest, nullptr, m_report), 4u);
  EXPECT_EQ(Read(longest), content);
  EXPECT_TRUE(m_report.Empty());
  EXPECT_EQ(EntryCount(), 5u);
}

TEST_F(BlockCopyTest, ReportsWhatCannotBeCopied) {
  const std::string source = Write("region.imi", Bytes(1000));
  const std::string locked = Write("locked.imi", "keep me");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  const std::string missing = m_root + "missing.imi";
  const std::string noFolder = m_root + "no/such/folder.imi";

  EXPECT_EQ(CopyInBlocks(missing, m_root + "out1.imi", nullptr, m_report), 0u);
  EXPECT_EQ(CopyInBlocks(m_root, m_root + "out2.imi", nullptr, m_report), 0u);
  EXPECT_EQ(CopyInBlocks(source, locked, nullptr, m_report), 0u);
  EXPECT_EQ(CopyInBlocks(source, noFolder, nullptr, m_report), 0u);
  EXPECT_EQ(CopyInBlocks(source, m_root, nullptr, m_report), 0u);

  std::vector<std::string> texts;
  for (const auto& line : m_report.Lines()) {
    texts.push_back(line.text);
    EXPECT_FALSE(line.reason.empty()) << line.text;
  }
  EXPECT_THAT(texts,
              ::testing::ElementsAre(Message(IDS_ERROR_LOADING, missing), Message(IDS_ERROR_LOADING, m_root),
                                     Message(IDS_ERROR_TRANSFERRING, locked), Message(IDS_ERROR_TRANSFERRING, noFolder),
                                     Message(IDS_ERROR_TRANSFERRING, m_root)));
  EXPECT_EQ(Read(locked), "keep me");
  EXPECT_EQ(EntryCount(), 2u);
}

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

TEST_F(BlockCopyTest, SourceShrinkingDuringTheCopyFails) {
  const std::string source = Write("region.imi", Bytes(200 * 1024));
  const std::string destination = m_root + "copy.imi";
  CRecordingObserver observer;
  observer.onBlock = [&] { ASSERT_EQ(::truncate(source.c_str(), 70000), 0); };
  EXPECT_EQ(CopyInBlocks(source, destination, &observer, m_report), 0u);
  ASSERT_EQ(m_report.Lines().size(), 1u);
  EXPECT_EQ(m_report.Lines()[0].text, Message(IDS_ERROR_COPYING, source));
  EXPECT_FALSE(fs::exists(destination));
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(BlockCopyTest, TransferWithoutObserverOnlyCounts) {
  CFilePairs pairs;
  pairs.Set(m_root + "a.imi", m_root + "missing1.imi");
  pairs.Set(m_root + "b.imi", m_root + "missing2.imi");
  EXPECT_EQ(RunTransfer(pairs, nullptr, m_report), 0u);
  pairs.Set(m_root + "c.imi", Write("src.imi", Bytes(65537)));
  EXPECT_EQ(RunTransfer(pairs, nullptr, m_report), 2u);
  EXPECT_TRUE(m_report.Empty());
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(BlockCopyTest, TransferCopiesInOrderAndGoesOnAfterAFailure) {
  CFilePairs pairs;
  pairs.Set(m_root + "z.imi", Write("s1", Bytes(70000, 'b')));
  pairs.Set(m_root + "y.imi", m_root + "missing");
  pairs.Set(m_root + "x.tdx", Write("s3", Bytes(10, 'c')));
  CRecordingObserver observer;
  EXPECT_EQ(RunTransfer(pairs, &observer, m_report), 3u);
  EXPECT_THAT(observer.sources, ::testing::ElementsAre(m_root + "s1", m_root + "missing", m_root + "s3"));
  EXPECT_EQ(Read(m_root + "z.imi"), Bytes(70000, 'b'));
  EXPECT_EQ(Read(m_root + "x.tdx"), Bytes(10, 'c'));
  ASSERT_EQ(m_report.Lines().size(), 1u);
  EXPECT_EQ(m_report.Lines()[0].text, Message(IDS_ERROR_LOADING, m_root + "missing"));
}

// A cancel takes back the files this run added and the half-copied one; a file it replaced keeps
// the new, whole copy, and a file it had not reached yet stays as it was.
TEST_F(BlockCopyTest, CancelRemovesWhatTheRunAddedAndKeepsWhatItReplaced) {
  CFilePairs pairs;
  pairs.Set(m_root + "first.imi", Write("s1", Bytes(100000, 'f')));
  pairs.Set(m_root + "older.imi", Write("s2", Bytes(10, 'o')));
  pairs.Set(m_root + "second.imi", Write("s3", Bytes(200000)));
  pairs.Set(m_root + "third.imi", Write("s4", Bytes(100000)));
  Write("older.imi", "an older copy");
  Write("second.imi", "the copy before this run");
  Write("third.imi", "the user's own file");
  CRecordingObserver observer;
  observer.onBlock = [&] { observer.cancelled = observer.sources.size() == 3; };
  STransferOutcome cancelled;
  EXPECT_EQ(RunTransfer(pairs, &observer, m_report, &cancelled), 0u);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_TRUE(cancelled.madeRoom.empty()) << "this folder has room for both copies";
  EXPECT_EQ(observer.sources.size(), 3u);
  EXPECT_EQ(observer.blocks, 4);
  EXPECT_FALSE(fs::exists(m_root + "first.imi"));
  EXPECT_EQ(Read(m_root + "older.imi"), Bytes(10, 'o'));
  EXPECT_EQ(Read(m_root + "second.imi"), "the copy before this run");
  EXPECT_EQ(Read(m_root + "third.imi"), "the user's own file");
  EXPECT_THAT(cancelled.kept, ::testing::ElementsAre(m_root + "older.imi"));
  EXPECT_THAT(cancelled.removed, ::testing::ElementsAre(m_root + "first.imi"));
  EXPECT_EQ(cancelled.stopped, m_root + "second.imi");
  EXPECT_TRUE(m_report.Empty());
  EXPECT_EQ(EntryCount(), 7u);
}

// A target's folder is made only for a file that lands in it: after a failure or a cancel the card
// holds the folders it held before, and those holding a finished region.
TEST_F(BlockCopyTest, TargetFoldersAreMadeOnlyForWhatLandsInThem) {
  const std::string card = m_root + "card/";
  for (const bool cancel : {false, true}) {
    fs::remove_all(card);
    fs::create_directories(card + "Detail Maps");
    CFilePairs pairs;
    pairs.Set(card + "Background Maps/a.tdx", Write("s1", Bytes(10)));
    pairs.Set(card + "Detail Maps/b.imi", m_root + "missing");
    pairs.Set(card + "Deep/er/b.imi", m_root + "missing");
    pairs.Set(card + "More/c.imi", Write("s3", Bytes(200000)));
    CRecordingObserver observer;
    observer.onBlock = [&] { observer.cancelled = cancel && observer.sources.size() == 4; };
    RunTransfer(pairs, &observer, m_report);
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(card)) left.push_back(fs::relative(entry, card));
    std::sort(left.begin(), left.end());
    if (cancel) {
      EXPECT_THAT(left, ::testing::ElementsAre("Detail Maps"));
    } else {
      EXPECT_THAT(left, ::testing::ElementsAre("Background Maps", "Background Maps/a.tdx", "Detail Maps", "More",
                                               "More/c.imi"));
    }
  }
}

TEST(MakeRoomTest, TheOlderCopyGoesOnlyWhenTheVolumeCannotHoldBothButCanHoldTheNewOne) {
  const struct {
    std::uint64_t free, unit, newSize, freed;
    bool mustMakeRoom;
  } cases[] = {
      {1'000'000, 4096, 500'000, 600'000, false},  // room for both
      {503'808, 4096, 500'000, 600'000, false},    // exactly the new copy's whole units
      {503'807, 4096, 500'000, 1, true},           // a byte short, which the older copy gives back
      {400'000, 4096, 500'000, 200'000, true},
      {400'000, 4096, 500'000, 50'000, false},   // not even then: the older copy stays
      {10, 0, 11, 1, true},                      // no unit given: bytes
      {0, 4096, 0, 0, false},                    // an empty file needs nothing
      {0, 32768, UINT64_MAX, UINT64_MAX, true},  // no wrap to 0 in the rounding
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MustMakeRoom(c.free, c.unit, c.newSize, c.freed), c.mustMakeRoom)
        << c.free << " " << c.unit << " " << c.newSize << " " << c.freed;
  }
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
