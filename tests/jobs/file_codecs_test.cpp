// The readers and writers of the table of file kinds: every kind's own file reads through its
// reader, and every kind's writer makes a file that its reader reads back with what was converted.
#include "jobs/file_codecs.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/file_kinds.h"
#include "resources/string_table.h"
#include "storage/report_sink.h"
#include "tests/formats/golden_support.h"
#include "tests/formats/local_time_support.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The counts a file's records come to; a kind is compared only on what it holds.
struct SCounts {
  std::size_t waypoints = 0;
  std::size_t routes = 0;
  std::size_t trackPoints = 0;
};

SCounts Read(const std::string& path, EFileKind kind) {
  SGpxDocument doc;
  CCodePage codePage;
  const SConversionOutcome outcome = FileCodecOf(kind).read(path, doc, codePage);
  EXPECT_TRUE(outcome.done) << path << ": " << outcome.why.Reason();
  SCounts counts{doc.points.GetWaypoints().GetCount(), doc.points.GetRoutes().GetCount(), 0};
  for (const CVexlornFileTrk& track : doc.tracks) counts.trackPoints += track.GetNodes().GetCount();
  return counts;
}

void ExpectSameHeld(const SCounts& expected, const SCounts& actual, EFileKind kind, const std::string& what) {
  if (Holds(kind, kHoldsWaypoints)) {
    EXPECT_EQ(actual.waypoints, expected.waypoints) << what;
  }
  if (Holds(kind, kHoldsRoutes)) {
    EXPECT_EQ(actual.routes, expected.routes) << what;
  }
  if (Holds(kind, kHoldsTrack | kHoldsTracks)) {
    EXPECT_EQ(actual.trackPoints, expected.trackPoints) << what;
  }
}

TEST(FileCodecsTest, EveryKindIsReadAndWrittenThroughItsRow) {
  ASSERT_TRUE(SetTimeZone("Europe/Paris"));
  const CTempFolder temp;
  ASSERT_FALSE(temp.Path().empty());
  const fs::path root = CTempFolder::FromUtf8(temp.Path());

  // One sound file of each navigation kind, under the name it has on a user's disk.
  const struct {
    EFileKind kind;
    const char* fixture;
  } kFixtures[] = {
      {EFileKind::kWpt, "trip~saved.wpt"}, {EFileKind::kTrk, "morning~desktop.trk"}, {EFileKind::kUpt, "walk.upt"},
      {EFileKind::kRte, "walk.rte"},       {EFileKind::kLog, "morning.log"},         {EFileKind::kGpx, "weekend.gpx"},
  };
  std::vector<std::string> sources(kFileKindCount);
  for (const auto& [kind, fixture] : kFixtures) {
    const fs::path source = root / "in" / ("walk." + std::string(KindExtension(kind)));
    WriteBytes(source, ReadBytes(FixturePath(fixture)));
    sources[static_cast<std::size_t>(kind)] = source.string();
  }

  for (const SFileKind& row : FileKinds()) {
    const SFileCodec& codec = FileCodecOf(row.kind);
    const std::string extension(KindExtension(row.kind));
    ASSERT_EQ(codec.kind, row.kind);
    // Its dialog offers files of its kind.
    for (const std::string_view each : row.extensions) {
      const std::string pattern = "*." + std::string(each);
      EXPECT_NE(std::string(BuiltInString(codec.filterId)).find(pattern), std::string::npos) << extension;
    }
    if (row.side == EFileSide::kMap) {
      EXPECT_TRUE(codec.read == nullptr && codec.write == nullptr) << extension << " is copied, never converted";
      continue;
    }
    ASSERT_TRUE(codec.read != nullptr && codec.write != nullptr) << extension;
    const std::string& own = sources[static_cast<std::size_t>(row.kind)];
    ASSERT_FALSE(own.empty()) << "a fixture for " << extension;
    const SCounts ownCounts = Read(own, row.kind);
    EXPECT_GT(ownCounts.waypoints + ownCounts.routes + ownCounts.trackPoints, 0u) << extension;

    // The first kind that converts into this one, through this kind's writer.
    const auto from = std::find_if(FileKinds().begin(), FileKinds().end(), [&](const SFileKind& each) {
      const std::span<const EFileKind> targets = TargetKinds(each.kind, row.side);
      return std::find(targets.begin(), targets.end(), row.kind) != targets.end();
    });
    ASSERT_NE(from, FileKinds().end()) << "nothing converts into " << extension;
    const std::string& source = sources[static_cast<std::size_t>(from->kind)];
    const std::string target = (root / "out" / ("walk." + extension)).string();
    CReportLines report;
    CCodePage codePage;
    const std::vector<bool> written = codec.write(source, {target}, SConversionContext(), codePage, report);
    ASSERT_EQ(written, std::vector<bool>{true})
        << source << " -> " << target << ": " << (report.Empty() ? "" : report.Lines()[0].reason);
    ExpectSameHeld(Read(source, from->kind), Read(target, row.kind), row.kind, source + " -> " + target);
  }
}

}  // namespace
