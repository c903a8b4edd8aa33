// Paths elided for the file lists: the middle goes, the extension stays, what fits is kept whole.
#include "wizard/pages/path_elision.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QListWidget>
#include <QStyle>

#include "tests/wizard/pages/wizard_test_support.h"

namespace {

TEST(PathElisionTest, TheMiddleGoesAndTheExtensionStays) {
  TestApplication();
  const QFontMetrics metrics(QApplication::font());
  const QString ellipsis(QChar(0x2026));
  struct SCase {
    QString path;
    double share;  // of the path's own width
    QString kept;  // the end that must show
  };
  const std::vector<SCase> cases = {
      {"/home/ann/Documents/Vexlorn/Docs/2024/Alps/trip-to-the-summit.wpt", 1.0, "/trip-to-the-summit.wpt"},
      {"/home/ann/Documents/Vexlorn/Docs/2024/Alps/trip-to-the-summit.wpt", 0.5, "t.wpt"},
      {"/home/ann/Documents/Vexlorn/Docs/2024/Alps/trip-to-the-summit.wpt", 0.01, ".wpt"},
      {"/media/ann/NORVANTIS/Track Logs/a-very-long-name-for-a-morning.walk.log", 0.4, ".log"},
      {"/media/ann/folder.d/a-long-file-name-without-any-extension", 0.4, ""},
      {"/media/ann/a-long-file-name-that-ends-with-a-dot-and-nothing.", 0.4, ""},
      {"C:\\Users\\ann\\Documents\\a.folder\\long-windows-file-name", 0.4, ""},
  };
  for (const SCase& c : cases) {
    const int width = static_cast<int>(metrics.horizontalAdvance(c.path) * c.share);
    const QString shown = ElidePath(c.path, metrics, width);
    SCOPED_TRACE(c.path.toStdString() + " in " + std::to_string(width) + " px: " + shown.toStdString());
    if (c.share >= 1.0) {
      EXPECT_EQ(shown, c.path);
      continue;
    }
    EXPECT_TRUE(shown.contains(ellipsis));
    EXPECT_TRUE(shown.endsWith(c.kept));
    // What fits stays within the width; only a lone extension may overflow it.
    if (metrics.horizontalAdvance(ellipsis + c.kept) <= width) {
      EXPECT_LE(metrics.horizontalAdvance(shown), width);
      EXPECT_TRUE(shown.startsWith(c.path.left(1)));
    } else {
      EXPECT_EQ(shown, ellipsis + c.kept);
    }
  }
}

// A row with an icon (a file that exists already) has less room for its path; its extension
// still shows.
TEST(PathElisionTest, ARowWithAnIconElidesToTheRoomBesideIt) {
  TestApplication();
  QListWidget list;
  list.setIconSize(QSize(16, 16));
  auto* delegate = new CPathElidingDelegate(&list);
  list.setItemDelegate(delegate);
  const QString path = QStringLiteral("/home/ann/Documents/Vexlorn/Docs/2024/Alps/trip-to-the-summit.wpt");
  auto* item = new QListWidgetItem(list.style()->standardIcon(QStyle::SP_MessageBoxWarning), path, &list);
  QStyleOptionViewItem option;
  option.initFrom(&list);
  option.widget = &list;
  option.decorationSize = list.iconSize();
  option.rect = QRect(0, 0, QFontMetrics(list.font()).horizontalAdvance(path) / 2, 20);
  const QString shown = delegate->ShownText(option, list.indexFromItem(item));
  EXPECT_TRUE(shown.endsWith(QStringLiteral(".wpt"))) << shown.toStdString();
  EXPECT_LE(QFontMetrics(list.font()).horizontalAdvance(shown), option.rect.width() - list.iconSize().width());
}

}  // namespace
