// The preview pane: it follows the file it is given (the last of quick changes wins), says why a
// file cannot be shown, redraws at its new size and empties on an empty path.
#include "wizard/pages/file_preview.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
