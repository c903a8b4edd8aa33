// The unit's files where only POSIX can set the scene: a FIFO, an address space limit, a file
// size limit, each in a forked child with an alarm against a hang.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/child_process.h"
#include "tests/formats/unit_files_fixture.h"

namespace {

using namespace unit_files_fixture;

// A FIFO must be refused at once: its open blocks until a writer comes, and its reads wait for one.
// The read runs in a child with an alarm, so that a hang fails instead of waiting.
TEST_F(UnitFilesTest, FifoIsRefusedWithoutWaiting) {
  const std::string path = PathOf("pipe.upt");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(ExitStatusInChild([&] {
              alarm(10);
              CUnitWaypointFile file;
              CDiagnostic why;
              const bool read = ReadUnitFile(path, file, &why);
              return !read && why.Reason().find("not a regular file") != std::string::npos ? 0 : 1;
            }),
            0)
      << "-1: the read did not return, 1: the FIFO was not refused as not regular";
}

// Bytes without end: a sentence begun and never ended.
class CEndlessSentence : public std::streambuf {
 public:
  CEndlessSentence() {
    std::memset(m_block, 'x', sizeof m_block);
    std::memcpy(m_block, "$PTVLTRK,", 9);
  }

 protected:
  int_type underflow() override {
    if (m_begun) std::memset(m_block, 'x', 9);
    m_begun = true;
    setg(m_block, m_block, m_block + sizeof m_block);
    return traits_type::to_int_type(*gptr());
  }

 private:
  char m_block[64 * 1024];
  bool m_begun = false;
};

// Running out of memory on a line that can be a sentence (here: one without end, under an address
// space limit in a child) refuses the file with a reason instead of a crash.
TEST_F(UnitFilesTest, ReadWithoutMemoryFailsWithAReason) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's allocator does not survive an address space limit";
#endif
  EXPECT_EQ(ExitStatusInChild([&] {
              if (!LimitAddressSpace(64 << 20)) return 3;
              CEndlessSentence endless;
              std::istream in(&endless);
              CUnitTrackFile track;
              CDiagnostic why;
              try {
                const bool read = ReadUnitStream(in, "t", track, &why);
                return read ? 1 : (why.Reason().find("not enough memory") != std::string::npos ? 0 : 2);
              } catch (...) {
                return 4;
              }
            }),
            0)
      << "-1: the read crashed, 1: it succeeded, 2: another reason, 3: no limit, 4: it threw";
}

// A line that cannot be a sentence is refused as soon as its first bytes show it, long as it may be
// (here up to a sparse GB, read under an address space limit in a child that must not need it):
// one that holds a NUL byte, and one longer than a reader's block that begins as no sentence that
// may stand there. A sentence as long as its name still reads.
TEST_F(UnitFilesTest, LinesThatCannotBeSentencesAreRefusedWhereTheyStand) {
  const std::string longName(300 * 1024, 'N');
  const std::string longWaypoint = WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M," + longName + ",,a");
  const std::string longTrack =
      WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,A," + longName + ",061204");
  const std::string nulInName =
      WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,HO" + std::string(1, '\0') + "ME,,a");
  constexpr std::uintmax_t kGigabyte = std::uintmax_t{1} << 30;
  const struct {
    const char* file;
    std::string text;
    std::uintmax_t size;  // the text followed by zero bytes up to this size; 0: the text alone
    std::uint64_t line;
    std::uint64_t column;
    std::string rule;  // empty: the file reads
  } cases[] = {
      {"zeros.upt", "", kGigabyte, 1, 1, "NUL byte, which no sentence holds"},
      {"zeros.rte", "", kGigabyte, 1, 1, "NUL byte, which no sentence holds"},
      {"zeros.log", "", kGigabyte, 1, 1, "NUL byte, which no sentence holds"},
      {"begun.upt", Lines({kHome}) + "$PTVLWPL,", kGigabyte, 2, 10, "NUL byte, which no sentence holds"},
      {"late.upt", Lines({kHome}) + "$PTVLWPL," + longName + longName, kGigabyte, 2, 9 + 2 * longName.size() + 1,
       "NUL byte, which no sentence holds"},
      {"name.upt", Lines({kHome, nulInName, kEnd}), 0, 2, 42, "NUL byte, which no sentence holds"},
      {"garbage.upt", Lines({kHome}) + longName, 0, 2, 1, "unknown text where WPL or the end sentence is due"},
      {"track.upt", Lines({kHome, longTrack, kEnd}), 0, 2, 6, "TRK sentence where WPL or the end sentence is due"},
      {"waypoint.log", Lines({longWaypoint, kEnd}), 0, 1, 6, "WPL sentence where TRK or the end sentence is due"},
      {"late.rte", Lines({kHome, kRoute, longWaypoint, kEnd}), 0, 3, 6,
       "WPL sentence where RTE or the end sentence is due"},
      {"after.upt", Lines({kHome, kEnd, longWaypoint}), 0, 3, 0, "text after the end sentence"},
      {"long.upt", Lines({kHome, longWaypoint, kEnd}), 0, 0, 0, ""},
      {"long.rte", Lines({kHome, WithChecksum("PTVLRTE,1,1,c,1," + longName + ",HOME,a"), kEnd}), 0, 0, 0, ""},
      {"long.log", Lines({longTrack, kEnd}), 0, 0, 0, ""},
  };
  for (const auto& c : cases) {
    Put(c.file, c.text);
    if (c.size != 0) fs::resize_file(PathOf(c.file), c.size);
    const std::string extension = fs::path(c.file).extension().string();
    EXPECT_EQ(ExitStatusInChild([&] {
                if (!LimitAddressSpace(64 << 20)) return 3;
                CUnitWaypointFile points;
                CUnitRouteFile routes;
                CUnitTrackFile track;
                CUnitFile* file = &track;
                if (extension == ".upt") file = &points;
                if (extension == ".rte") file = &routes;
                CDiagnostic why;
                const bool read = ReadUnitFile(PathOf(c.file), *file, &why);
                if (read == c.rule.empty() && why.Rule() == c.rule && why.Line() == c.line && why.Column() == c.column)
                  return 0;
                std::fprintf(stderr, "%s: %s\n", c.file, why.Reason().c_str());
                return 1;
              }),
              0)
        << c.file;
    fs::remove(PathOf(c.file));
  }
}

// A write that fails half-way (here: the file size limit) keeps the former file and leaves no
// temporary file beside it, whether it fails in the last piece or in one of the earlier chunks.
TEST_F(UnitFilesTest, FailedWriteKeepsTheFormerFile) {
  for (const int count : {2000, 20000}) {
    SCOPED_TRACE(count);
    Put("big.log", "former contents\r\n");
    CUnitTrackFile track;
    CTrkSentence point;
    point.SetName("BIG");
    for (int i = 0; i < count; ++i) track.AddPoint(point);

    EXPECT_EQ(ExitStatusInChild([&] {
                if (!LimitFileSize(4096)) return 3;
                CDiagnostic why;
                const bool written = WriteUnitFile(PathOf("big.log"), track, &why);
                return !written && !why.Reason().empty() ? 0 : 1;
              }),
              0)
        << "the write did not report its failure";
    EXPECT_EQ(Get("big.log"), "former contents\r\n");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_folder)) ++files;
    EXPECT_EQ(files, 1);

    ASSERT_TRUE(WriteUnitFile(PathOf("big.log"), track));
    EXPECT_EQ(Get("big.log").size(), static_cast<std::size_t>(count) * (point.Format().size() + 1) + kEnd.size() + 2u);
  }
}

}  // namespace
