// Tests of the block copy: block counts, copies, failure lines, cancels and what they leave behind.
#include "storage/block_copy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "resources/string_ids.h"
#include "tests/storage/block_copy_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST_F(BlockCopyTest, CountsBlocksOf64KiB) {
  const std::pair<std::int64_t, std::uint64_t> cases[] = {{0, 0}, {1, 1}, {65536, 1}, {65537, 2}, {131072, 2}};
  for (const auto& [size, blocks] : cases) {
    const std::string path = Write("sized", "");
    fs::resize_file(path, static_cast<std::uintmax_t>(size));
    EXPECT_EQ(CountBlocks(path), blocks) << size;
  }
  EXPECT_EQ(CountBlocks(m_root + "missing"), 0u);
  EXPECT_EQ(CountBlocks(m_root), 0u);
  // Files of 4 GiB and more are ordinary map archives now; a sparse one costs no disk space.
  const std::string big = Write("big.imi", "");
  fs::resize_file(big, std::uintmax_t{5} << 30);
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
  fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
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

TEST_F(BlockCopyTest, SourceShrinkingDuringTheCopyFails) {
  const std::string source = Write("region.imi", Bytes(200 * 1024));
  const std::string destination = m_root + "copy.imi";
  CRecordingObserver observer;
  observer.onBlock = [&] { fs::resize_file(source, 70000); };
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
    for (const auto& entry : fs::recursive_directory_iterator(card)) {
      const std::u8string relative = fs::relative(entry, card).generic_u8string();
      left.emplace_back(relative.begin(), relative.end());
    }
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

}  // namespace
