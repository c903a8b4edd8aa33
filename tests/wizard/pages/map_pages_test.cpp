// The map job's pages over a fixture Wine prefix and fixture region files: the list, the capacity
// rule, the targets, whole transfers, and cancels part-way.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "tests/jobs/region_fixtures.h"
#include "tests/storage/tmpfs_volume.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/page_finish.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_map_transfer.h"
#include "wizard/pages/property_sheet.h"

namespace {

namespace fs = std::filesystem;

// The region page with destinations of a chosen free space; other roots report their real one.
class CTestMapPage : public CPropertyPageMap {
 public:
  using CPropertyPageMap::CPropertyPageMap;
  std::map<std::string, std::int64_t> freeBytes;
  std::map<std::string, SVolumeType> volumes;

 protected:
  std::int64_t QueryFreeBytes(const std::string& root) const override {
    const auto found = freeBytes.find(root);
    return found != freeBytes.end() ? found->second : CPropertyPageMap::QueryFreeBytes(root);
  }
  bool QueryVolumeType(const std::string& root, SVolumeType& type) const override {
    const auto found = volumes.find(root);
    if (found == volumes.end()) return CPropertyPageMap::QueryVolumeType(root, type);
    type = found->second;
    return true;
  }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file below a folder, as paths relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

class MapPagesTest : public ::testing::Test {
 protected:
  MapPagesTest() : sheet((TestApplication(), state.testResources)) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    prefix = temp.Path() + "/prefix";
    maps = prefix + "/drive_c/Program Files/Tavrelin/Vexlorn/Maps";
    card = temp.Path() + "/card";
    unitDrive = temp.Path() + "/unit";
    fs::create_directories(maps);
    fs::create_directories(card);
    fs::create_directories(unitDrive);
    region_fixtures::MakeWinePrefix(prefix, {{"Vexlorn", "C:\\Program Files\\Tavrelin\\Vexlorn"}});
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    state.job = 1;
    map = new CTestMapPage(state);
    transfer = new CPropertyPageMapTransfer(state);
    finish = new CPropertyPageFinish(state);
    sheet.AddPage(new CPropertyPage_(state, kPageFindCard, IDS_TITLE_FIND_CARD));
    sheet.AddPage(map);
    sheet.AddPage(transfer);
    sheet.AddPage(finish);
    sheet.Start();
    Settle();
  }
  ~MapPagesTest() override { ::unsetenv("WINEPREFIX"); }

  // Region files made in this order, each created later than the one before.
  void MakeRegions(const std::vector<std::pair<std::string, std::string>>& files) {
    for (const auto& [relative, content] : files) {
      m_lastTime = region_fixtures::MakeFileAfter(maps + "/" + relative, 0, m_lastTime, content);
      ASSERT_GT(m_lastTime, 0) << relative;
    }
  }
  void MakeFile(const std::string& path, const std::string& content) {
    m_lastTime = region_fixtures::MakeFileAfter(path, 0, m_lastTime, content);
    ASSERT_GT(m_lastTime, 0) << path;
  }
  void MakeSizedRegion(const std::string& relative, std::int64_t size) {
    m_lastTime = region_fixtures::MakeFileAfter(maps + "/" + relative, size, m_lastTime);
    ASSERT_GT(m_lastTime, 0) << relative;
  }
  // The card connection page found these drives; the region page comes next.
  void ShowRegionPage(const std::vector<std::string>& drives, std::int64_t free = 1'000'000'000) {
    map->destinationDrives = drives;
    for (const std::string& drive : drives) map->freeBytes[drive] = free;
    sheet.PressNext();
    Settle();
    ASSERT_EQ(sheet.CurrentPage(), map);
  }
  QTreeWidget* List() const { return map->RegionList(); }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int i = 0; i < List()->topLevelItemCount(); ++i)
      texts.push_back(List()->topLevelItem(i)->text(column).toStdString());
    return texts;
  }
  void Tick(int row, bool ticked = true) {
    List()->topLevelItem(row)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    Settle();
  }
  void TickAll() {
    for (int i = 0; i < List()->topLevelItemCount(); ++i) Tick(i);
  }
  bool NextAllowed() const { return (sheet.WizardButtons() & kButtonNext) != 0; }
  bool TotalIsRed() const { return map->TotalValue()->palette().color(QPalette::WindowText) == QColor(255, 0, 0); }
  // Lets the window system run until the condition holds; false after twenty seconds.
  static bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > 20000) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    Settle();
    return true;
  }
  bool RunTransferToTheEnd() {
    // Next alone is the completed page's state; the region page offers Back with it.
    return RunUntil([&] { return sheet.CurrentPage() != transfer || sheet.WizardButtons() == kButtonNext; });
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
  void ClickBackDuring(const std::string& fileName) {
    During(fileName, [this] { sheet.BackButton()->click(); });
  }

  CTempFolder temp;
  CTestState state;
  CPropertySheet_ sheet;
  CTestMapPage* map = nullptr;
  CPropertyPageMapTransfer* transfer = nullptr;
  CPropertyPageFinish* finish = nullptr;
  std::string prefix;
  std::string maps;
  std::string card;
  std::string unitDrive;

 private:
  std::int64_t m_lastTime = 0;
};

TEST_F(MapPagesTest, ListsTheRegionsNewestFirstWithSizeAndDate) {
  MakeSizedRegion("Old.tdx", 1'250'000);
  MakeSizedRegion("sub/Middle.imi", 49'999);
  MakeSizedRegion("New.IMI", 10'050'000);
  ShowRegionPage({card, unitDrive}, 10'040'000);

  EXPECT_EQ(Column(1), (std::vector<std::string>{"New.IMI", "Middle.imi", "Old.tdx"}));
  EXPECT_EQ(Column(2), (std::vector<std::string>{"10.1", "0.0", "1.2"}));
  char today[16];
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  std::strftime(today, sizeof today, "%m/%d/%y", &utc);
  EXPECT_EQ(Column(3), (std::vector<std::string>(3, today)));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(List()->topLevelItem(i)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(List()->headerItem()->text(1), "Region");
  EXPECT_EQ(List()->headerItem()->text(2), "Size(MB)");
  EXPECT_EQ(List()->headerItem()->text(3), "Date");
  EXPECT_EQ(List()->headerItem()->textAlignment(2) & Qt::AlignRight, Qt::AlignRight);

  ASSERT_EQ(map->DestinationBox()->count(), 2);
  EXPECT_EQ(map->DestinationBox()->currentText().toStdString(), card);
  EXPECT_EQ(map->DestinationRoot(), card);
  EXPECT_EQ(map->AvailableValue()->text(), "10.0 MB");
  EXPECT_EQ(map->TotalValue()->text(), "0.0 MB");
  EXPECT_EQ(map->Placement()->toPlainText(), "/Background Maps/*.tdx\n/Detail Maps/*.imi");
  EXPECT_FALSE(NextAllowed());
  EXPECT_EQ(sheet.HeaderTitle(), "Map region selection");
}

TEST_F(MapPagesTest, NextFollowsTheCapacityAsDisplayed) {
  MakeSizedRegion("A.imi", 10'030'000);
  MakeSizedRegion("B.imi", 10'100'000);
  ShowRegionPage({card}, 10'040'000);
  // Rows: B (newest), A.
  Tick(1);
  EXPECT_EQ(map->TotalValue()->text(), "10.0 MB");
  EXPECT_TRUE(NextAllowed()) << "10.04 MB free and 10.03 MB ticked both show 10.0 MB";
  EXPECT_FALSE(TotalIsRed());

  Tick(1, false);
  map->freeBytes[card] = 10'000'000;
  map->OnDestinationChanged();
  Settle();
  Tick(0);
  EXPECT_EQ(map->AvailableValue()->text(), "10.0 MB");
  EXPECT_EQ(map->TotalValue()->text(), "10.1 MB");
  EXPECT_FALSE(NextAllowed());
  EXPECT_TRUE(map->OverCapacity());
  EXPECT_TRUE(TotalIsRed());
  // Beside the red total, in words, why Next is refused.
  EXPECT_TRUE(map->NoRoomText()->isVisibleTo(map));
  EXPECT_EQ(map->NoRoomText()->text().toStdString(),
            "Not enough free space on this destination for the ticked regions: untick some of them or choose another "
            "destination.");

  // Unticking everything disables Next and leaves the total red until the next comparison.
  Tick(0, false);
  EXPECT_EQ(map->TotalValue()->text(), "0.0 MB");
  EXPECT_FALSE(NextAllowed());
  EXPECT_TRUE(TotalIsRed());
  EXPECT_FALSE(map->NoRoomText()->isVisibleTo(map)) << "nothing ticked is reason enough";
  Tick(1);
  EXPECT_TRUE(NextAllowed());
  EXPECT_FALSE(TotalIsRed());
  EXPECT_FALSE(map->NoRoomText()->isVisibleTo(map));

  // A failed free-space query shows 0.0 MB and refuses any region of a non-zero displayed size.
  map->freeBytes[card] = -1;
  map->OnDestinationChanged();
  Settle();
  EXPECT_EQ(map->AvailableValue()->text(), "0.0 MB");
  EXPECT_FALSE(NextAllowed());
}

// Updating regions on a full card: each counts by what it adds there, and one whose older copy
// leaves no room for the new one beside it replaces it in place, which the page then lists.
TEST_F(MapPagesTest, UpdatesOnAFullCardCountWhatTheyAddAndSayWhatMadeRoom) {
  const CTmpfsVolume small(temp.Path() + "/small", 1024 * 1024);
  if (!small.Unavailable().empty()) GTEST_SKIP() << "no size-limited volume here: " << small.Unavailable();
  const std::string smallCard = small.Path();
  MakeRegions({{"A.imi", std::string(700'000, 'a')}});
  MakeFile(smallCard + "/Detail Maps/A.imi", std::string(600'000, 'o'));
  ShowRegionPage({smallCard}, 400'000);
  Tick(0);
  EXPECT_EQ(map->TotalValue()->text(), "0.1 MB");
  ASSERT_TRUE(NextAllowed());
  sheet.PressNext();
  ASSERT_TRUE(RunTransferToTheEnd());
  EXPECT_TRUE(ReadAll(smallCard + "/Detail Maps/A.imi") == std::string(700'000, 'a'));
  EXPECT_TRUE(state.report.empty());
  EXPECT_TRUE(transfer->MadeRoom()->isVisibleTo(transfer));
  EXPECT_EQ(transfer->MadeRoom()->text().toStdString(),
            "The destination could not hold an older and a new copy at once, so the older copy of these regions was "
            "removed just before the new one was written:\n" +
                smallCard + "/Detail Maps/A.imi");
}

// A region that cannot go to the chosen destination at all is shown as not fitting, with the
// reason, whatever the free space: one of 4 GiB bound for FAT32, one that is its own target.
TEST_F(MapPagesTest, RegionsThatCannotGoToTheDestinationAreShownAsNotFitting) {
  MakeSizedRegion("Big.imi", std::int64_t{4} << 30);  // sparse
  MakeSizedRegion("Small.tdx", 10);
  map->volumes[card] = SVolumeType{0x4d44, "vfat"};
  ShowRegionPage({card, unitDrive}, 10'000'000'000);
  const auto sizeIsRed = [&](int row) { return List()->topLevelItem(row)->foreground(2).color() == QColor(255, 0, 0); };
  // Rows: Small, Big.
  EXPECT_TRUE(sizeIsRed(1));
  EXPECT_FALSE(sizeIsRed(0));
  const std::string tooLarge =
      "Big.imi is 4 GiB or larger: the FAT32 file system of this destination cannot hold a file that large.";
  EXPECT_EQ(List()->topLevelItem(1)->toolTip(1).toStdString(), tooLarge);
  Tick(1);
  EXPECT_FALSE(NextAllowed());
  EXPECT_TRUE(TotalIsRed());
  EXPECT_EQ(map->RefusalText()->text().toStdString(), tooLarge);
  EXPECT_TRUE(map->RefusalText()->isVisibleTo(map));
  EXPECT_EQ(map->OnWizardNext(), kPageMap);
  Tick(1, false);
  Tick(0);
  EXPECT_TRUE(NextAllowed());
  EXPECT_FALSE(map->RefusalText()->isVisibleTo(map));

  // Elsewhere than FAT the big region goes; a region taken from that drive itself does not.
  const std::string own = unitDrive + "/Detail Maps/Own.imi";
  MakeFile(own, "the drive's own copy");
  state.testDialogs.openAnswers = {{unitDrive + "/Detail Maps/../Detail Maps/Own.imi"}};
  map->AddButton()->click();
  map->DestinationBox()->setCurrentIndex(1);
  Settle();
  // Rows: Own, Small, Big.
  EXPECT_FALSE(sizeIsRed(2));
  Tick(2);
  EXPECT_TRUE(NextAllowed());
  Tick(0);
  EXPECT_FALSE(NextAllowed());
  EXPECT_EQ(map->RefusalText()->text().toStdString(),
            "Own.imi is the very file it would replace on this destination: a region cannot be copied onto itself.");
}

TEST_F(MapPagesTest, WithoutADestinationNextIsNeverAllowed) {
  MakeSizedRegion("A.imi", 10);
  ShowRegionPage({});
  Tick(0);
  EXPECT_EQ(map->DestinationBox()->count(), 0);
  EXPECT_FALSE(NextAllowed());
  EXPECT_EQ(map->OnWizardNext(), kPageMap) << "no pairs, no page change";
  EXPECT_TRUE(state.filePairs.Empty());
}

TEST_F(MapPagesTest, AddingRegionsSkipsListedPathsAndUnticksEveryRow) {
  MakeRegions({{"A.imi", "a"}});
  const std::string extra = temp.Path() + "/elsewhere/Extra.tdx";
  MakeFile(extra, "extra");
  ShowRegionPage({card});
  Tick(0);
  state.testDialogs.openAnswers = {{maps + "/a.IMI", extra}};
  map->AddButton()->click();
  Settle();
  ASSERT_EQ(state.testDialogs.calls.size(), 1u);
  EXPECT_EQ(state.testDialogs.calls[0].filter.toStdString(), BuiltInString(IDS_FILTER_MAP_REGIONS));
  EXPECT_EQ(state.testDialogs.calls[0].folder, prefix + "/drive_c/Program Files/Tavrelin");
  EXPECT_EQ(Column(1), (std::vector<std::string>{"Extra.tdx", "A.imi"}));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(List()->topLevelItem(i)->checkState(0), Qt::Unchecked);
  EXPECT_FALSE(NextAllowed());

  // A cancelled dialog changes nothing.
  Tick(1);
  map->AddButton()->click();
  Settle();
  EXPECT_EQ(List()->topLevelItemCount(), 2);
  EXPECT_EQ(List()->topLevelItem(1)->checkState(0), Qt::Checked);
}

TEST_F(MapPagesTest, TargetsAreBuiltOnTheChosenDestination) {
  // The unit record names a unit on another drive, with its own folder names; the regions must
  // still go to the drive whose free space was shown.
  fs::create_directories(unitDrive + "/USBTRANS");
  std::ofstream(unitDrive + "/USBTRANS/LANGUAGE.DAT") << "BackgroundMaps=Fonds\r\nDetailMaps=Cartes\r\n";
  state.unit.SetDrive(unitDrive);
  MakeRegions({{"x/Alps.IMI", "1"}, {"Alps.tdx", "2"}, {"y/Alps.IMI", "3"}});
  ShowRegionPage({card, unitDrive});
  TickAll();
  ASSERT_TRUE(NextAllowed());
  sheet.PressNext();
  ASSERT_TRUE(RunTransferToTheEnd());

  // Two ticked regions of the same name give one pair: the lower row's file.
  ASSERT_EQ(state.filePairs.Count(), 2u);
  EXPECT_EQ(state.filePairs[0].target, card + "/Detail Maps/Alps.IMI");
  EXPECT_EQ(state.filePairs[0].source, maps + "/x/Alps.IMI");
  EXPECT_EQ(state.filePairs[1].target, card + "/Background Maps/Alps.tdx");
  EXPECT_EQ(FilesBelow(card), (std::vector<std::string>{"Background Maps/Alps.tdx", "Detail Maps/Alps.IMI"}));
  EXPECT_EQ(ReadAll(card + "/Detail Maps/Alps.IMI"), "1");
  EXPECT_EQ(FilesBelow(unitDrive), (std::vector<std::string>{"USBTRANS/LANGUAGE.DAT"}));

  // Choosing the unit's drive names the folders from its language file.
  sheet.PressNext();
  Settle();
  sheet.PressBack();
  Settle();
  ASSERT_EQ(sheet.CurrentPage(), map);
  map->DestinationBox()->setCurrentIndex(1);
  Settle();
  EXPECT_EQ(map->Placement()->toPlainText(), "/Fonds/*.tdx\n/Cartes/*.imi");
  Tick(0);
  ASSERT_EQ(map->OnWizardNext(), 0);
  ASSERT_EQ(state.filePairs.Count(), 1u);
  EXPECT_EQ(state.filePairs[0].target, unitDrive + "/Cartes/Alps.IMI");
  EXPECT_FALSE(fs::exists(unitDrive + "/Cartes")) << "a target folder is made only when a region is copied into it";
}

TEST_F(MapPagesTest, TheDestinationIsTheDriveTheBoxShowsAfterANewSearch) {
  MakeSizedRegion("A.imi", 10);
  ShowRegionPage({card, unitDrive});
  // Back to the card connection page, whose next search finds only the unit; the box keeps the
  // drives of the first search, and each item still stands for the drive it shows.
  sheet.PressBack();
  Settle();
  ShowRegionPage({unitDrive});
  ASSERT_EQ(map->DestinationBox()->count(), 2);
  map->DestinationBox()->setCurrentIndex(1);
  Settle();
  EXPECT_EQ(map->DestinationRoot(), unitDrive);
  map->DestinationBox()->setCurrentIndex(0);
  Settle();
  EXPECT_EQ(map->DestinationRoot(), card);
  Tick(0);
  ASSERT_EQ(map->OnWizardNext(), 0);
  ASSERT_EQ(state.filePairs.Count(), 1u);
  EXPECT_EQ(state.filePairs[0].target, card + "/Detail Maps/A.imi");
}

TEST_F(MapPagesTest, AWholeTransferEndsOnTheFinishPage) {
  const std::string big(200'000, 'b');  // 4 blocks
  MakeRegions({{"Big.imi", big}, {"Empty.tdx", ""}, {"Small.tdx", "small"}});
  ShowRegionPage({card});
  TickAll();
  PressKey(map->DestinationBox(), Qt::Key_Return);  // Enter in the box presses Next
  ASSERT_EQ(sheet.CurrentPage(), transfer);
  EXPECT_EQ(sheet.HeaderTitle(), "Map transfer");
  EXPECT_EQ(transfer->TotalBar()->maximum(), 5);
  ASSERT_TRUE(RunTransferToTheEnd());

  EXPECT_EQ(transfer->Status()->text(), "Transfer completed.");
  EXPECT_EQ(transfer->FileName()->text(), "");
  EXPECT_EQ(transfer->TimeLeft()->text(), "0:00:00");
  EXPECT_EQ(transfer->TotalBar()->value(), 5);
  EXPECT_TRUE(transfer->CopyingLabel()->isHidden());
  EXPECT_TRUE(transfer->Hint()->isEnabled());
  EXPECT_EQ(sheet.WizardButtons(), kButtonNext);
  EXPECT_EQ(ReadAll(card + "/Detail Maps/Big.imi"), big);
  EXPECT_EQ(ReadAll(card + "/Background Maps/Small.tdx"), "small");
  EXPECT_TRUE(fs::exists(card + "/Background Maps/Empty.tdx"));
  EXPECT_TRUE(state.report.empty());

  sheet.PressNext();
  Settle();
  ASSERT_EQ(sheet.CurrentPage(), finish);
  EXPECT_EQ(finish->Outcome()->text().toStdString(), BuiltInString(IDS_MAP_SUCCESS));
  EXPECT_TRUE(finish->Details()->isHidden());
  // The map job does not eject its destination: the user is told to.
  EXPECT_EQ(finish->VolumeNoteLabel()->text().toStdString(),
            card + " is still mounted. Eject it from your desktop before you unplug it.");
  EXPECT_FALSE(finish->VolumeNoteLabel()->isHidden());
  // Back from Finish starts the job again on the region page, every row unticked.
  sheet.PressBack();
  Settle();
  ASSERT_EQ(sheet.CurrentPage(), map);
  EXPECT_TRUE(state.filePairs.Empty());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(List()->topLevelItem(i)->checkState(0), Qt::Unchecked);
}

TEST_F(MapPagesTest, FailedFilesAreReportedOnTheFinishPage) {
  MakeRegions({{"Blocked.imi", "b"}, {"Gone.tdx", "g"}, {"Fine.tdx", "f"}});
  ShowRegionPage({card});
  TickAll();
  fs::create_directories(card + "/Detail Maps/Blocked.imi");  // a folder where the file should go
  fs::remove(maps + "/Gone.tdx");                             // removed after it was listed
  sheet.PressNext();
  ASSERT_TRUE(RunTransferToTheEnd());
  EXPECT_EQ(transfer->Status()->text(), "Transfer completed.");
  EXPECT_EQ(ReportTexts(state.report),
            (std::vector<std::string>{
                FormatMessageWithPath(BuiltInString(IDS_ERROR_LOADING), maps + "/Gone.tdx"),
                FormatMessageWithPath(BuiltInString(IDS_ERROR_TRANSFERRING), card + "/Detail Maps/Blocked.imi"),
            }));
  EXPECT_EQ(ReadAll(card + "/Background Maps/Fine.tdx"), "f");
  sheet.PressNext();
  Settle();
  EXPECT_EQ(finish->Outcome()->text().toStdString(), BuiltInString(IDS_MAP_FAILURES));
  EXPECT_FALSE(finish->Details()->isHidden());
  // Each line with the reason the copy gave, as the command-line tool prints it.
  ASSERT_FALSE(state.report[0].reason.empty());
  ASSERT_FALSE(state.report[1].reason.empty());
  EXPECT_EQ(finish->Details()->toPlainText().toStdString(), state.report[0].text + "\n    " + state.report[0].reason +
                                                                "\n" + state.report[1].text + "\n    " +
                                                                state.report[1].reason + "\n");
}

TEST_F(MapPagesTest, BackThenYesStopsTheCopyAndRemovesOnlyWhatItWrote) {
  // Rows, newest first: A, B, C; the copy takes them in that order.
  MakeRegions({{"C.tdx", "new c"}, {"B.imi", std::string(1'000'000, 'b')}, {"A.imi", std::string(70'000, 'a')}});
  fs::create_directories(card + "/Background Maps");
  std::ofstream(card + "/Background Maps/C.tdx") << "the user's own";
  ShowRegionPage({card});
  TickAll();
  state.testDialogs.yesNoAnswers = {true};
  ClickBackDuring("B.imi");
  sheet.PressNext();
  ASSERT_TRUE(RunUntil([&] { return sheet.CurrentPage() == map && !transfer->Running(); }));

  // The question, then what the cancel kept and removed.
  const auto& calls = state.testDialogs.calls;
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, "yesno");
  EXPECT_EQ(calls[0].text.toStdString(), BuiltInString(IDS_CANCEL_TRANSFER));
  EXPECT_EQ(calls[0].caption.toStdString(), BuiltInString(IDS_CAPTION));
  EXPECT_EQ(FilesBelow(card), (std::vector<std::string>{"Background Maps/C.tdx"}));
  EXPECT_EQ(ReadAll(card + "/Background Maps/C.tdx"), "the user's own");
  EXPECT_TRUE(state.report.empty());
  EXPECT_EQ(calls[1].kind, "warn");
  EXPECT_EQ(calls[1].caption.toStdString(), BuiltInString(IDS_CAPTION));
  EXPECT_EQ(calls[1].text.toStdString(),
            "The transfer was cancelled.\n\nRemoved: these regions were not on the destination before the "
            "transfer.\n" +
                card + "/Detail Maps/A.imi");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(List()->topLevelItem(i)->checkState(0), Qt::Unchecked);
  EXPECT_FALSE(NextAllowed());

  // The job can run again from here, and this time to its end.
  TickAll();
  sheet.PressNext();
  ASSERT_TRUE(RunTransferToTheEnd());
  EXPECT_EQ(transfer->Status()->text(), "Transfer completed.");
  EXPECT_EQ(ReadAll(card + "/Background Maps/C.tdx"), "new c");
}

// Closing the wizard during the copy, by its window or by Esc, asks as Back does. Yes stops the
// copy, leaves the destination as Back's cancel does (the region that replaced its older copy
// stays, the new one goes), says so, and then closes the wizard; No lets the copy go on.
TEST_F(MapPagesTest, ClosingTheWizardDuringTheCopyAsksAsBackDoes) {
  const std::string a(70'000, 'a');
  const std::string b(1'000'000, 'b');
  MakeRegions({{"B.imi", b}, {"A.imi", a}});  // A is the newest, copied first
  ShowRegionPage({card});
  bool finished = false;
  QObject::connect(&sheet, &CPropertySheet_::Finished, [&] { finished = true; });
  struct SCase {
    bool byEsc;
    bool yes;
  };
  for (const SCase& test : {SCase{false, true}, SCase{true, true}, SCase{true, false}}) {
    if (sheet.CurrentPage() != map) {
      sheet.PressNext();  // the last copy is over: through the Finish page back to the regions
      sheet.PressBack();
      Settle();
    }
    ASSERT_EQ(sheet.CurrentPage(), map);
    sheet.show();
    fs::remove_all(card);
    fs::create_directories(card + "/Detail Maps");
    std::ofstream(card + "/Detail Maps/A.imi") << "older a";
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
    ASSERT_TRUE(RunUntil([&] { return !transfer->Running() && (finished || sheet.WizardButtons() == kButtonNext); }));
    ASSERT_GE(state.testDialogs.calls.size(), 1u);
    EXPECT_EQ(state.testDialogs.calls[0].kind, "yesno");
    EXPECT_EQ(state.testDialogs.calls[0].text.toStdString(), BuiltInString(IDS_CANCEL_TRANSFER));
    EXPECT_EQ(finished, test.yes);
    EXPECT_EQ(sheet.isVisible(), !test.yes);
    EXPECT_EQ(ReadAll(card + "/Detail Maps/A.imi"), a);
    if (test.yes) {
      EXPECT_EQ(FilesBelow(card), std::vector<std::string>{"Detail Maps/A.imi"});
      EXPECT_EQ(state.testDialogs.Count("warn"), 1) << "what the cancel kept and removed";
    } else {
      EXPECT_EQ(ReadAll(card + "/Detail Maps/B.imi"), b);
      EXPECT_EQ(transfer->Status()->text(), "Transfer completed.");
    }
  }
}

TEST_F(MapPagesTest, BackThenNoLetsTheCopyGoOn) {
  MakeRegions({{"B.imi", std::string(1'000'000, 'b')}, {"A.imi", std::string(70'000, 'a')}});
  ShowRegionPage({card});
  TickAll();
  state.testDialogs.yesNoAnswers = {false};
  ClickBackDuring("B.imi");
  sheet.PressNext();
  ASSERT_TRUE(RunTransferToTheEnd());
  EXPECT_EQ(state.testDialogs.Count("yesno"), 1);
  EXPECT_EQ(sheet.CurrentPage(), transfer);
  EXPECT_EQ(transfer->Status()->text(), "Transfer completed.");
  EXPECT_EQ(ReadAll(card + "/Detail Maps/B.imi"), std::string(1'000'000, 'b'));
  EXPECT_EQ(ReadAll(card + "/Detail Maps/A.imi"), std::string(70'000, 'a'));
}

TEST_F(MapPagesTest, AJobOfEmptyFilesCompletesWithoutATimeLeft) {
  MakeRegions({{"E1.imi", ""}, {"E2.tdx", ""}});
  ShowRegionPage({card});
  TickAll();
  sheet.PressNext();
  ASSERT_TRUE(RunTransferToTheEnd());
  EXPECT_EQ(transfer->TotalBar()->maximum(), 0);
  EXPECT_EQ(transfer->TimeLeft()->text(), "");
  EXPECT_EQ(transfer->Status()->text(), "Transfer completed.");
  EXPECT_EQ(FilesBelow(card), (std::vector<std::string>{"Background Maps/E2.tdx", "Detail Maps/E1.imi"}));
}

}  // namespace
