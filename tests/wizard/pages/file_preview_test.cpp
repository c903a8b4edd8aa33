// The preview pane: it follows the file it is given (the last of quick changes wins), says why a
// file cannot be shown, redraws at its new size and empties on an empty path; it reads off the
// window's thread, and a newer file stops the reading of the one before.
#include "wizard/pages/file_preview.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "bench/generated_track.h"
#include "formats/file_conversion.h"
#include "formats/vexlorn_file.h"
#include "preview/navigation_reader.h"
#include "resources/string_ids.h"
#include "tests/formats/golden_support.h"
#include "tests/wizard/pages/wizard_test_support.h"

namespace {

TEST(FilePreviewTest, FollowsTheFileItIsGiven) {
  TestApplication();
  CResourceSource resources;
  CFilePreview preview(resources);
  preview.resize(420, 420);
  preview.show();
  int shown = 0;
  QObject::connect(&preview, &CFilePreview::Shown, [&shown] { ++shown; });
  const auto waitForShown = [&] { return WaitUntil([&] { return shown != 0; }); };

  // Two changes before the first file is drawn: only the second one shows.
  preview.ShowFile(QString::fromStdString(FixturePath("trip~unit.rte")));
  const QString morning = QString::fromStdString(FixturePath("morning.log"));
  preview.ShowFile(morning);
  ASSERT_TRUE(waitForShown());
  Settle();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(preview.ShownPath(), morning);
  EXPECT_TRUE(preview.SummaryText().startsWith(QStringLiteral("Waypoints: 0\n")))
      << preview.SummaryText().toStdString();
  EXPECT_TRUE(preview.SummaryText().contains(QStringLiteral("Track 1 \"MORNING\": 5 points, 0.000 km")));
  const QImage first = preview.Picture();
  ASSERT_FALSE(first.isNull());

  shown = 0;
  preview.resize(520, 640);
  ASSERT_TRUE(waitForShown());
  EXPECT_GT(preview.Picture().height(), first.height()) << "drawn again at the new size";

  CTempFolder folder;
  const std::string broken = folder.File("broken.upt", "$PTVLWPL,nonsense*00\r\n");
  shown = 0;
  preview.ShowFile(QString::fromStdString(broken));
  ASSERT_TRUE(waitForShown());
  EXPECT_TRUE(
      preview.SummaryText().startsWith(QString::fromStdString("An error occured while loading file " + broken + ".\n")))
      << preview.SummaryText().toStdString();

  shown = 0;
  preview.ShowFile(QString());
  ASSERT_TRUE(waitForShown());
  EXPECT_TRUE(preview.SummaryText().isEmpty());
  EXPECT_TRUE(preview.Picture().isNull());
}

// Hands a reading on, but holds it at its first track point until the reading is asked to stop:
// the file stays in the middle of being read for as long as the test wants.
class CHeldSink : public CNavigationSink {
 public:
  CHeldSink(CNavigationSink& sink, const std::atomic<bool>& stop, std::atomic<bool>& held)
      : m_sink(sink), m_stop(stop), m_held(held) {}
  void AddWaypoint(const SNavigationWaypoint& waypoint) override { m_sink.AddWaypoint(waypoint); }
  void AddRoute(const SNavigationRoute& route) override { m_sink.AddRoute(route); }
  void BeginTrack() override { m_sink.BeginTrack(); }
  void AddTrackPoint(const STrackPoint& point) override {
    if (!m_held) {
      m_held = true;
      m_stop.wait(false);
    } else {
      ++pointsAfterStop;
    }
    m_sink.AddTrackPoint(point);
  }
  void EndTrack(const std::string& name) override { m_sink.EndTrack(name); }

  std::size_t pointsAfterStop = 0;

 private:
  CNavigationSink& m_sink;
  const std::atomic<bool>& m_stop;
  std::atomic<bool>& m_held;
};

TEST(FilePreviewTest, ReadsOffTheWindowsThreadAndANewFileStopsTheReadingBeforeIt) {
  TestApplication();
  CTempFolder folder;
  const std::string big = folder.Path("walk.log");
  ASSERT_TRUE(SaveVexlornFile(folder.Path("walk.trk"), bench::MakeTrack(bench::BenchmarkWalk(100000))));
  ASSERT_TRUE(ConvertTrackFileToUnit(folder.Path("walk.trk"), big).done);

  std::atomic<bool> held = false;
  std::atomic<bool> bigEnded = false;
  bool bigRead = true;
  std::string bigReason;
  std::size_t pointsAfterStop = 0;
  const auto read = [&](const std::string& path, CNavigationSink& sink, CCodePage& codePage, CDiagnostic* why,
                        const std::atomic<bool>* stop) {
    if (path != big) return ReadNavigationFile(path, sink, codePage, why, stop);
    CHeldSink heldSink(sink, *stop, held);
    bigRead = ReadNavigationFile(path, heldSink, codePage, why, stop);
    bigReason = why->Reason();
    pointsAfterStop = heldSink.pointsAfterStop;
    bigEnded = true;
    return bigRead;
  };
  CResourceSource resources;
  CFilePreview preview(resources, read);
  preview.resize(420, 420);
  preview.show();
  bool shown = false;
  QObject::connect(&preview, &CFilePreview::Shown, [&shown] { shown = true; });

  preview.ShowFile(QString::fromStdString(big));
  EXPECT_EQ(preview.SummaryText(), resources.String(IDS_PLEASE_WAIT));
  // The window's thread goes on while the file is in the middle of being read.
  ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
  EXPECT_FALSE(shown);

  const QString morning = QString::fromStdString(FixturePath("morning.log"));
  preview.ShowFile(morning);
  ASSERT_TRUE(WaitUntil([&] { return shown; }));
  EXPECT_EQ(preview.ShownPath(), morning);
  EXPECT_TRUE(preview.SummaryText().contains(QStringLiteral("Track 1 \"MORNING\": 5 points")));
  ASSERT_TRUE(bigEnded);
  EXPECT_FALSE(bigRead);
  EXPECT_EQ(bigReason, "stopped");
  EXPECT_LT(pointsAfterStop, 10000u) << "the reading stops within a block of the file";
}

}  // namespace
