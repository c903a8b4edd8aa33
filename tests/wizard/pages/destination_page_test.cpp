// The file selection page's widgets over its logic: rows as shown, selections told, buttons and
// focus as the logic says, the preview, and files dropped from a file manager.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "tests/formats/golden_support.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/file_preview.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/path_elision.h"
#include "wizard/pages/property_sheet.h"

namespace {

using Rows = std::vector<std::string>;

class DestinationPageTest : public ::testing::Test {
 protected:
  DestinationPageTest() {
    state.testMode = true;
    state.temp = unit.Path();
    state.documents = docs.Path();
    state.unit.SetDrive(unit.Path());
    page = new CPropertyPageDestination(logic, state.testResources);
    sheet.AddPage(page);
    sheet.Start();
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    Settle();
  }
  void Add(Rows sources) {
    state.testDialogs.openAnswers.push_back(std::move(sources));
    page->LeftBrowse()->click();
    Settle();
  }
  static Rows Selected(const QListWidget* list) {
    Rows rows;
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->isSelected()) rows.push_back(list->item(i)->text().toStdString());
    }
    return rows;
  }
  static void Select(QListWidget* list, std::vector<int> rows) {
    list->clearSelection();
    for (int row : rows) list->item(row)->setSelected(true);
    Settle();
  }
  void Reactivate(int direction) {
    state.direction = direction;
    sheet.Logic().Activate(0);
    Settle();
  }

  CTempFolder unit;
  CTempFolder docs;
  CQtTestState state;
  CDestinationLogic logic{state};
  CPropertySheet_ sheet{state, state.testResources};
  CPropertyPageDestination* page = nullptr;
};

// Rows are drawn elided to the list's width; the tooltip holds the whole path, and a target that
// exists has a mark and says it will be replaced.
TEST_F(DestinationPageTest, RowsShowTheLogicsRowsWithTheirTooltipsAndMarks) {
  unit.File("a.upt", "on the unit");
  Add({"/d/a-long-folder-name/and-another-one/a.wpt"});
  for (QListWidget* list : {page->LeftList(), page->RightList()}) {
    EXPECT_NE(dynamic_cast<CPathElidingDelegate*>(list->itemDelegate()), nullptr);
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  }
  for (int side : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    const QListWidget* list = side == CDestinationLogic::kLeft ? page->LeftList() : page->RightList();
    const std::vector<SFileRow>& rows = logic.Side(side).rows;
    ASSERT_EQ(list->count(), static_cast<int>(rows.size()));
    for (int i = 0; i < list->count(); ++i) {
      EXPECT_EQ(list->item(i)->text().toStdString(), rows[i].text);
      EXPECT_EQ(list->item(i)->toolTip().toStdString(), rows[i].tip);
      EXPECT_EQ(list->item(i)->icon().isNull(), !rows[i].exists);
    }
    EXPECT_EQ(CPropertyPageDestination::Rows(list), logic.Paths(side));
  }
  EXPECT_FALSE(page->RightList()->item(0)->icon().isNull()) << "a.upt exists";
  EXPECT_TRUE(page->Hint()->isVisibleTo(page));
  EXPECT_EQ(page->LeftCaption()->text().toStdString(), logic.Side(CDestinationLogic::kLeft).caption);
  EXPECT_EQ(page->RightCaption()->text().toStdString(), logic.Side(CDestinationLogic::kRight).caption);
}

// What the user selects reaches the logic, whose buttons the page shows; the logic's own
// selection (the last target row, after adding) shows in the list.
TEST_F(DestinationPageTest, SelectionsReachTheLogicAndTheButtonsFollow) {
  EXPECT_FALSE(page->Hint()->isVisibleTo(page));
  EXPECT_FALSE(page->RightBrowse()->isEnabled());
  Add({"/d/a.wpt", "/d/b.trk"});
  EXPECT_EQ(Selected(page->RightList()), (Rows{unit.Path("b.log")}));
  EXPECT_EQ(sheet.WizardButtons(), kButtonBack | kButtonNext);
  EXPECT_TRUE(page->RightBrowse()->isEnabled());
  EXPECT_TRUE(page->RightRemove()->isEnabled());
  Select(page->RightList(), {0, 1});
  EXPECT_FALSE(page->RightBrowse()->isEnabled()) << "renaming needs exactly one row";
  Select(page->LeftList(), {0, 2});
  EXPECT_TRUE(page->LeftRemove()->isEnabled());
  page->LeftRemove()->click();
  Settle();
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), (Rows{"/d/a.wpt"}));
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()), (Rows{unit.Path("a.rte")}));
  EXPECT_EQ(Selected(page->RightList()), (Rows{unit.Path("a.rte")})) << "the target row still selected";
  EXPECT_FALSE(page->LeftRemove()->isEnabled());
}

// The focus goes to the adding button when the page is shown and to the renaming button after
// adding, whichever side they are on; a rename keeps it there.
TEST_F(DestinationPageTest, TheFocusGoesWhereTheLogicSays) {
  EXPECT_EQ(sheet.focusWidget(), page->LeftBrowse());
  Add({"/d/a.wpt"});
  EXPECT_EQ(sheet.focusWidget(), page->RightBrowse());
  state.testDialogs.saveAnswers = {docs.Path("b.rte")};
  page->RightBrowse()->click();
  Settle();
  EXPECT_EQ(Selected(page->RightList()), (Rows{docs.Path("b.rte")}));
  EXPECT_EQ(sheet.focusWidget(), page->RightBrowse());
  // The selected target row of the old direction goes with the lists; the focus still moves.
  Reactivate(1);
  EXPECT_EQ(page->RightList()->count(), 0);
  EXPECT_EQ(sheet.focusWidget(), page->RightBrowse());
  state.testDialogs.openAnswers.push_back({unit.Path("r.rte")});
  page->RightBrowse()->click();
  Settle();
  EXPECT_EQ(sheet.focusWidget(), page->LeftBrowse());
  Reactivate(0);
  EXPECT_EQ(sheet.focusWidget(), page->LeftBrowse());
}

// The preview shows the source the logic names for the selection, and sums it up.
TEST_F(DestinationPageTest, ThePreviewShowsTheSourceOfTheSelectedRow) {
  const std::string trip = FixturePath("trip~saved.wpt");
  const std::string morning = FixturePath("morning~desktop.trk");
  EXPECT_EQ(page->Preview()->ShownPath(), "");
  EXPECT_EQ(page->PreviewTitle()->text(), state.testResources.DialogText(kPageDestination, "previewEmpty"));
  Add({trip, morning});  // rows: trip, trip, morning; the last target row is selected
  EXPECT_EQ(page->Preview()->ShownPath().toStdString(), morning);
  EXPECT_EQ(page->PreviewTitle()->text().toStdString(), "morning~desktop.trk");
  Select(page->LeftList(), {0});
  EXPECT_EQ(page->Preview()->ShownPath().toStdString(), trip);
  page->LeftList()->setCurrentRow(2, QItemSelectionModel::Select);
  Settle();
  EXPECT_EQ(page->Preview()->ShownPath().toStdString(), morning) << "the current row, when selected";
  ASSERT_TRUE(WaitUntil([&] { return page->Preview()->SummaryText().contains(QStringLiteral("Tracks: 1")); }))
      << page->Preview()->SummaryText().toStdString();
  EXPECT_EQ(logic.OnWizardNext(), 0);
  Settle();
  EXPECT_EQ(page->Preview()->ShownPath(), "");
}

// Files dropped from a file manager reach the logic as paths; what it takes is added as if chosen
// in the open dialog, and a drop it takes nothing of is refused.
TEST_F(DestinationPageTest, DroppedFilesAreAddedAsIfChosen) {
  CTempFolder dropped;
  const std::string wpt = dropped.File("a.wpt");
  const std::string text = dropped.File("d.txt");
  struct SCase {
    QWidget* onto;
    std::vector<QUrl> urls;
    Rows added;
  };
  const std::vector<SCase> cases = {
      {page->LeftList()->viewport(),
       {QUrl::fromLocalFile(QString::fromStdString(wpt)), QUrl::fromLocalFile(QString::fromStdString(text)),
        QUrl(QStringLiteral("https://example.com/g.wpt"))},
       {wpt, wpt}},
      {page->RightList()->viewport(), {QUrl::fromLocalFile(QString::fromStdString(wpt))}, {}},
      {page->LeftList()->viewport(), {QUrl(QStringLiteral("https://example.com/g.wpt"))}, {}},
  };
  for (const SCase& test : cases) {
    QMimeData data;
    data.setUrls(QList<QUrl>(test.urls.begin(), test.urls.end()));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(test.onto, &enter);
    EXPECT_EQ(enter.isAccepted(), !test.added.empty());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(test.onto, &drop);
    Settle();
    EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), test.added);
    logic.OnWizardNext();  // empties the lists for the next case
    Settle();
  }
  EXPECT_EQ(state.testDialogs.Count("open"), 0);
}

}  // namespace
