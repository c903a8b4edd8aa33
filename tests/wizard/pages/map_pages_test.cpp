// The map job's Qt pages over their logic: the region list and its check boxes, the destination
// box, the sizes and their colour, and the transfer page's progress, Back and closing during the
// copy, with the copy running on the window's thread.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "tests/formats/golden_support.h"
#include "tests/jobs/region_fixtures.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/page_finish.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_map_transfer.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/wizard_pages.h"

namespace {

namespace fs = std::filesystem;

class MapPagesTest : public ::testing::Test {
 protected:
  MapPagesTest() {
    state.job = 1;
    AddWizardPages(sheet, pages, state.testResources);
    sheet.Start();
    Settle();
    map = static_cast<CPropertyPageMap*>(sheet.PageById(kPageMap));
    transfer = static_cast<CPropertyPageMapTransfer*>(sheet.PageById(kPageMapTransfer));
    finish = static_cast<CPropertyPageFinish*>(sheet.PageById(kPageFinish));
  }
  // Region files made in this order, each created later than the one before.
  void MakeRegions(const std::vector<std::pair<std::string, std::string>>& files) {
    ASSERT_TRUE(desk.MakeRegions(files));
  }
  // The card connection page found these drives; the region page is shown.
  void ShowRegionPage(const std::vector<std::string>& drives, std::int64_t free = 1'000'000'000) {
    pages.map.destinationDrives = drives;
    for (const std::string& drive : drives) state.freeBytes[drive] = free;
    sheet.Logic().Activate(sheet.Logic().IndexOf(kPageMap));
    Settle();
  }
  QTreeWidget* List() const { return map->RegionList(); }
  void Tick(int row, bool ticked = true) {
    List()->topLevelItem(row)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    Settle();
  }
  void TickAll() {
    for (int i = 0; i < List()->topLevelItemCount(); ++i) Tick(i);
  }
  bool NextAllowed() const { return (sheet.WizardButtons() & kButtonNext) != 0; }
  bool TotalIsRed() const { return map->TotalValue()->palette().color(QPalette::WindowText) == QColor(255, 0, 0); }
  bool RunTransferToTheEnd() {
    // Next alone is the completed page's state; the region page offers Back with it.
    return WaitUntil([&] { return sheet.CurrentPage() != transfer || sheet.WizardButtons() == kButtonNext; }, 20000);
  }
  // Acts once, while the copy shows this file's name.
  void During(const std::string& fileName, const std::function<void()>& action) {
    auto* watch = new QTimer(&sheet);
    watch->setInterval(0);
    QObject::connect(watch, &QTimer::timeout, watch, [this, watch, fileName, action] {
      if (transfer->FileName()->text().toStdString() != fileName) return;
      watch->stop();
      action();
    });
    watch->start();
  }

  CTempFolder temp;
  region_fixtures::CMapDesk desk{temp.Path()};
  CQtTestState state;
  CWizardPages pages{state};
  CPropertySheet_ sheet{state, state.testResources};
  CPropertyPageMap* map = nullptr;
  CPropertyPageMapTransfer* transfer = nullptr;
  CPropertyPageFinish* finish = nullptr;
  const std::string& card = desk.card;
  const std::string& other = desk.otherDrive;
};

// The rows as the logic has them; a tick in a check box reaches the logic, whose sizes, colour
// and reasons the page shows.
TEST_F(MapPagesTest, TheListShowsTheRegionsAndTicksReachTheLogic) {
  MakeRegions({{"A.imi", std::string(100'000, 'a')}, {"B.tdx", std::string(200'000, 'b')}});
  ShowRegionPage({card, other}, 300'000);
  EXPECT_EQ(List()->headerItem()->text(1), "Region");
  EXPECT_EQ(List()->headerItem()->text(2), "Size(MB)");
  EXPECT_EQ(List()->headerItem()->text(3), "Date");
  EXPECT_EQ(List()->headerItem()->textAlignment(2) & Qt::AlignRight, Qt::AlignRight);
  ASSERT_EQ(List()->topLevelItemCount(), 2);
  for (int i = 0; i < 2; ++i) {
    const SRegionRow& row = pages.map.Rows()[static_cast<std::size_t>(i)];
    const QTreeWidgetItem* item = List()->topLevelItem(i);
    EXPECT_EQ(item->checkState(0), Qt::Unchecked);
    EXPECT_EQ(item->text(1).toStdString(), row.name);
    EXPECT_EQ(item->text(2).toStdString(), row.size);
    EXPECT_EQ(item->text(3).toStdString(), row.date);
    EXPECT_EQ(item->toolTip(1).toStdString(), row.tip);
  }
  EXPECT_EQ(map->AvailableValue()->text(), "0.3 MB");
  EXPECT_EQ(map->Placement()->toPlainText(), "/Background Maps/*.tdx\n/Detail Maps/*.imi");
  EXPECT_FALSE(NextAllowed());

  Tick(0);  // B, 0.2 MB
  EXPECT_TRUE(pages.map.Rows()[0].ticked);
  EXPECT_EQ(map->TotalValue()->text(), "0.2 MB");
  EXPECT_TRUE(NextAllowed());
  EXPECT_FALSE(TotalIsRed());
  Tick(1);
  EXPECT_EQ(map->TotalValue()->text(), "0.3 MB");
  state.freeBytes[card] = 100'000;
  map->DestinationBox()->setCurrentIndex(1);
  map->DestinationBox()->setCurrentIndex(0);
  Settle();
  EXPECT_EQ(map->AvailableValue()->text(), "0.1 MB");
  EXPECT_FALSE(NextAllowed());
  EXPECT_TRUE(TotalIsRed());
  EXPECT_TRUE(map->NoRoomText()->isVisibleTo(map));
  EXPECT_FALSE(map->RefusalText()->isVisibleTo(map));
  Tick(1, false);  // B alone still does not fit
  Tick(0, false);
  EXPECT_TRUE(TotalIsRed()) << "red until the next comparison";
  EXPECT_FALSE(map->NoRoomText()->isVisibleTo(map));
}

// A region that cannot go to the destination: its size in red, the reason on every column and
// under the list.
TEST_F(MapPagesTest, ARefusedRegionShowsWhy) {
  const std::string own = card + "/Detail Maps/Own.imi";
  region_fixtures::MakeFileAfter(own, 0, 0, "the card's own copy");
  ShowRegionPage({card});
  state.testDialogs.openAnswers = {{own}};
  map->AddButton()->click();
  Settle();
  ASSERT_EQ(List()->topLevelItemCount(), 1);
  const QTreeWidgetItem* item = List()->topLevelItem(0);
  const std::string reason = pages.map.Rows()[0].refusal;
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(item->foreground(2).color(), QColor(255, 0, 0));
  for (int column = 0; column < 4; ++column) EXPECT_EQ(item->toolTip(column).toStdString(), reason);
  Tick(0);
  EXPECT_EQ(map->RefusalText()->text().toStdString(), reason);
  EXPECT_TRUE(map->RefusalText()->isVisibleTo(map));
  EXPECT_FALSE(NextAllowed());
}

TEST_F(MapPagesTest, TheDestinationBoxChoosesTheDestination) {
  ShowRegionPage({card, other});
  ASSERT_EQ(map->DestinationBox()->count(), 2);
  EXPECT_EQ(map->DestinationBox()->currentText().toStdString(), card);
  EXPECT_EQ(map->DestinationBox()->itemData(1, Qt::ToolTipRole).toString().toStdString(), other);
  map->DestinationBox()->setCurrentIndex(1);
  Settle();
  EXPECT_EQ(pages.map.DestinationRoot(), other);
}

TEST_F(MapPagesTest, TheTransferPageShowsTheCopysProgressAndTheFinishPageItsOutcome) {
  const std::string big(200'000, 'b');  // 4 blocks
  MakeRegions({{"Big.imi", big}, {"Empty.tdx", ""}, {"Small.tdx", "small"}});
  ShowRegionPage({card});
  TickAll();
  PressKey(map->DestinationBox(), Qt::Key_Return);  // Enter in the box presses Next
  ASSERT_EQ(sheet.CurrentPage(), transfer);
  EXPECT_EQ(sheet.HeaderTitle(), "Map transfer");
  EXPECT_EQ(transfer->TotalBar()->maximum(), 5);
  std::vector<std::string> names;
  During("Big.imi", [&] {
    names.push_back(transfer->FileName()->text().toStdString());
    EXPECT_TRUE(transfer->CopyingLabel()->isVisibleTo(transfer));
    EXPECT_FALSE(transfer->Hint()->isEnabled());
    EXPECT_EQ(transfer->FileBar()->maximum(), 4);
  });
  ASSERT_TRUE(RunTransferToTheEnd());
  EXPECT_EQ(names, std::vector<std::string>{"Big.imi"});
  EXPECT_EQ(transfer->Status()->text(), "Transfer completed.");
  EXPECT_EQ(transfer->FileName()->text(), "");
  EXPECT_EQ(transfer->TimeLeft()->text(), "0:00:00");
  EXPECT_EQ(transfer->TotalBar()->value(), 5);
  EXPECT_EQ(transfer->FileBar()->maximum(), 0);
  EXPECT_TRUE(transfer->CopyingLabel()->isHidden());
  EXPECT_TRUE(transfer->Hint()->isEnabled());
  EXPECT_TRUE(transfer->MadeRoom()->isHidden());
  EXPECT_EQ(ReadBytes(card + "/Detail Maps/Big.imi"), big);

  sheet.PressNext();
  Settle();
  ASSERT_EQ(sheet.CurrentPage(), finish);
  EXPECT_EQ(finish->Outcome()->text().toStdString(), BuiltInString(IDS_MAP_SUCCESS));
  EXPECT_TRUE(finish->Details()->isHidden());
  EXPECT_FALSE(finish->VolumeNoteLabel()->isHidden());
}

// Back during the copy asks; Yes stops the copy, which unwinds before the region page comes back.
TEST_F(MapPagesTest, BackDuringTheCopyAsksAndYesReturnsOnceTheCopyHasUnwound) {
  MakeRegions({{"B.imi", std::string(1'000'000, 'b')}, {"A.imi", std::string(70'000, 'a')}});
  ShowRegionPage({card});
  TickAll();
  state.testDialogs.yesNoAnswers = {true};
  During("B.imi", [this] { sheet.BackButton()->click(); });
  sheet.PressNext();
  ASSERT_TRUE(WaitUntil([&] { return sheet.CurrentPage() == map && !transfer->Running(); }, 20000));
  EXPECT_EQ(state.testDialogs.Count("yesno"), 1);
  EXPECT_EQ(state.testDialogs.Count("warn"), 1) << "what the cancel removed";
  EXPECT_EQ(transfer->FileName()->text(), "");
  EXPECT_FALSE(fs::exists(card + "/Detail Maps/A.imi"));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(List()->topLevelItem(i)->checkState(0), Qt::Unchecked);
}

// Closing the wizard during the copy, by its window or by Esc, asks as Back does; Yes closes the
// wizard once the copy has unwound, No lets it go on.
TEST_F(MapPagesTest, ClosingTheWizardDuringTheCopyAsksAsBackDoes) {
  MakeRegions({{"B.imi", std::string(1'000'000, 'b')}, {"A.imi", std::string(70'000, 'a')}});
  ShowRegionPage({card});
  bool finished = false;
  QObject::connect(&sheet, &CPropertySheet_::Finished, [&] { finished = true; });
  struct SCase {
    bool byEsc;
    bool yes;
  };
  for (const SCase& test : {SCase{false, true}, SCase{true, true}, SCase{true, false}}) {
    sheet.Logic().Activate(sheet.Logic().IndexOf(kPageMap));
    sheet.show();
    Settle();
    fs::remove_all(card);
    fs::create_directories(card);
    finished = false;
    state.testDialogs.calls.clear();
    state.testDialogs.yesNoAnswers = {test.yes};
    TickAll();
    During("B.imi", [&] {
      if (test.byEsc) {
        PressKey(&sheet, Qt::Key_Escape);
      } else {
        sheet.close();
      }
    });
    sheet.PressNext();
    ASSERT_TRUE(
        WaitUntil([&] { return !transfer->Running() && (finished || sheet.WizardButtons() == kButtonNext); }, 20000));
    EXPECT_EQ(state.testDialogs.Count("yesno"), 1);
    EXPECT_EQ(finished, test.yes);
    EXPECT_EQ(sheet.isVisible(), !test.yes);
    EXPECT_EQ(fs::exists(card + "/Detail Maps/B.imi"), !test.yes);
  }
}

}  // namespace
