// The wizard's progress bars: an empty range shows an empty bar, not a busy animation.
#include "wizard/pages/progress_bar.h"

#include <gtest/gtest.h>

#include <QImage>

#include "tests/wizard/pages/wizard_test_support.h"

namespace {

QImage Render(QProgressBar& bar) {
  TestApplication();
  bar.resize(300, 24);
  return bar.grab().toImage();
}

TEST(ProgressBarTest, AnEmptyRangeLooksLikeABarWithNothingDone) {
  CProgressBar empty;
  empty.setRange(0, 0);
  empty.setValue(0);
  CProgressBar nothingDone;
  nothingDone.setRange(0, 1);
  nothingDone.setValue(0);
  nothingDone.setTextVisible(false);
  QProgressBar busy;
  busy.setRange(0, 0);

  const QImage emptyImage = Render(empty);
  EXPECT_EQ(emptyImage, Render(nothingDone));
  EXPECT_NE(emptyImage, Render(busy)) << "Qt's own bar shows its busy look for an empty range";
  EXPECT_EQ(empty.maximum(), 0) << "the range stays what the page set";
}

}  // namespace
