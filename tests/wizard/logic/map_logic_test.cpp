// The map job's pages over a fixture Wine prefix and fixture region files: the list, the capacity
// rule, the refusals, the targets, whole transfers, and cancels part-way.
#include "wizard/logic/map_logic.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "tests/formats/golden_support.h"
#include "tests/jobs/region_fixtures.h"
#include "tests/storage/tmpfs_volume.h"
#include "tests/temp_folder.h"
#include "tests/wizard/logic/logic_test_support.h"
#include "wizard/logic/map_transfer_logic.h"

namespace {

namespace fs = std::filesystem;

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

// Records the copy's progress, and acts once while it shows a file's name.
class CRecordedTransfer : public CTransferObserver {
 public:
  void OnTransferProgress(const STransferProgress& progress) override {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      seen.push_back(progress);
      threads.push_back(std::this_thread::get_id());
    }
    if (progress.fileName == duringFile && during) std::exchange(during, nullptr)();
  }
  std::vector<STransferProgress> seen;
  std::vector<std::thread::id> threads;
  std::string duringFile;
  std::function<void()> during;

 private:
  std::mutex m_mutex;
};

class MapLogicTest : public ::testing::Test {
 protected:
  explicit MapLogicTest(CJobRunner* runner = nullptr) : state(runner) {
    state.job = 1;
    Transfer().SetProgressObserver(&copy);
    // The face presses Back when the logic asks, as the user would.
    wizard.face.onPressBack = [this] { wizard.sheet.PressBack(); };
  }
  // Region files made in this order, each created later than the one before.
  void MakeFile(const std::string& path, const std::string& content, std::int64_t size = 0) {
    ASSERT_TRUE(desk.MakeFile(path, content, size)) << path;
  }
  void MakeRegions(const std::vector<std::pair<std::string, std::string>>& files) {
    ASSERT_TRUE(desk.MakeRegions(files));
  }
  void MakeSizedRegion(const std::string& relative, std::int64_t size) { MakeFile(maps + "/" + relative, {}, size); }
  // The card connection page found these drives; the region page is shown.
  void ShowRegionPage(const std::vector<std::string>& drives, std::int64_t free = 1'000'000'000) {
    Map().destinationDrives = drives;
    for (const std::string& drive : drives) state.freeBytes[drive] = free;
    wizard.sheet.Activate(wizard.sheet.IndexOf(kPageMap));
  }
  CMapLogic& Map() { return wizard.pages.map; }
  CMapTransferLogic& Transfer() { return wizard.pages.mapTransfer; }
  std::vector<std::string> Column(std::string SRegionRow::*field) {
    std::vector<std::string> texts;
    for (const SRegionRow& row : Map().Rows()) texts.push_back(row.*field);
    return texts;
  }
  std::vector<bool> Ticks() {
    std::vector<bool> ticks;
    for (const SRegionRow& row : Map().Rows()) ticks.push_back(row.ticked);
    return ticks;
  }
  void TickAll() {
    for (std::size_t i = 0; i < Map().Rows().size(); ++i) Map().SetTicked(static_cast<int>(i), true);
  }
  bool NextAllowed() const { return (wizard.sheet.PostedButtons() & kButtonNext) != 0; }
  // Next on the region page, and the copy, run to its end (or its cancel) as the timer fires.
  void RunTransfer() {
    wizard.sheet.PressNext();
    ASSERT_EQ(wizard.Current(), kPageMapTransfer);
    wizard.FireTimers();
  }
  int Current() const { return wizard.Current(); }

  CTempFolder temp;
  region_fixtures::CMapDesk desk{temp.Path()};
  CThreadJobRunner threads;
  CTestState state;
  SWizardUnderTest wizard{state};
  CRecordedTransfer copy;
  const std::string& prefix = desk.prefix;
  const std::string& maps = desk.maps;
  const std::string& card = desk.card;
  const std::string& unitDrive = desk.otherDrive;
};

TEST_F(MapLogicTest, ListsTheRegionsNewestFirstWithSizeAndDate) {
  MakeSizedRegion("Old.tdx", 1'250'000);
  MakeSizedRegion("sub/Middle.imi", 49'999);
  MakeSizedRegion("New.IMI", 10'050'000);
  ShowRegionPage({card, unitDrive}, 10'040'000);

  EXPECT_EQ(Column(&SRegionRow::name), (std::vector<std::string>{"New.IMI", "Middle.imi", "Old.tdx"}));
  EXPECT_EQ(Column(&SRegionRow::size), (std::vector<std::string>{"10.1", "0.0", "1.2"}));
  char today[16];
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  std::strftime(today, sizeof today, "%m/%d/%y", &utc);
  EXPECT_EQ(Column(&SRegionRow::date), (std::vector<std::string>(3, today)));
  EXPECT_EQ(Column(&SRegionRow::tip),
            (std::vector<std::string>{maps + "/New.IMI", maps + "/sub/Middle.imi", maps + "/Old.tdx"}));
  EXPECT_EQ(Ticks(), std::vector<bool>(3, false));
  EXPECT_EQ(Map().DestinationTexts(), (std::vector<std::string>{card, unitDrive}));
  EXPECT_EQ(Map().ChosenDestination(), 0);
  EXPECT_EQ(Map().DestinationRoot(), card);
  EXPECT_EQ(Map().Available(), "10.0 MB");
  EXPECT_EQ(Map().Total(), "0.0 MB");
  EXPECT_EQ(Map().Placement(), "/Background Maps/*.tdx\n/Detail Maps/*.imi");
  EXPECT_FALSE(NextAllowed());
}

TEST_F(MapLogicTest, NextFollowsTheCapacityAsDisplayed) {
  MakeSizedRegion("A.imi", 10'030'000);
  MakeSizedRegion("B.imi", 10'100'000);
  ShowRegionPage({card}, 10'040'000);
  struct SStep {
    std::function<void()> action;
    const char* available;
    const char* total;
    bool next;
    bool red;
    bool noRoom;
  };
  const std::vector<SStep> steps = {
      // Rows: B (newest), A. 10.04 MB free and 10.03 MB ticked both show 10.0 MB.
      {[&] { Map().SetTicked(1, true); }, "10.0 MB", "10.0 MB", true, false, false},
      {[&] {
         Map().SetTicked(1, false);
         state.freeBytes[card] = 10'000'000;
         Map().ChooseDestination(0);
         Map().SetTicked(0, true);
       },
       "10.0 MB", "10.1 MB", false, true, true},
      // Unticking everything disables Next and leaves the total red until the next comparison.
      {[&] { Map().SetTicked(0, false); }, "10.0 MB", "0.0 MB", false, true, false},
      {[&] { Map().SetTicked(1, true); }, "10.0 MB", "10.0 MB", true, false, false},
      // A failed free-space query shows 0.0 MB and refuses any region of a non-zero displayed size.
      {[&] {
         state.freeBytes[card] = -1;
         Map().ChooseDestination(0);
       },
       "0.0 MB", "10.0 MB", false, true, true},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    steps[i].action();
    EXPECT_EQ(Map().Available(), steps[i].available) << i;
    EXPECT_EQ(Map().Total(), steps[i].total) << i;
    EXPECT_EQ(NextAllowed(), steps[i].next) << i;
    EXPECT_EQ(Map().OverCapacity(), steps[i].red) << i;
    EXPECT_EQ(Map().NoRoomShown(), steps[i].noRoom) << i;
  }
  // Showing the page again unticks every row and starts the colour afresh.
  wizard.sheet.PressBack();
  wizard.sheet.Activate(wizard.sheet.IndexOf(kPageMap));
  EXPECT_EQ(Ticks(), std::vector<bool>(2, false));
  EXPECT_FALSE(Map().OverCapacity());
}

// A region that cannot go to the chosen destination at all is shown as not fitting, with the
// reason, whatever the free space: one of 4 GiB bound for FAT32, one that is its own target.
TEST_F(MapLogicTest, RegionsThatCannotGoToTheDestinationAreShownAsNotFitting) {
  MakeSizedRegion("Big.imi", std::int64_t{4} << 30);  // sparse
  MakeSizedRegion("Small.tdx", 10);
  state.volumes[card] = SVolumeType{0x4d44, "vfat"};
  ShowRegionPage({card, unitDrive}, 10'000'000'000);
  const std::string tooLarge =
      "Big.imi is 4 GiB or larger: the FAT32 file system of this destination cannot hold a file that large.";
  // Rows: Small, Big.
  EXPECT_EQ(Column(&SRegionRow::refusal), (std::vector<std::string>{"", tooLarge}));
  EXPECT_EQ(Map().Rows()[1].tip, tooLarge);
  Map().SetTicked(1, true);
  EXPECT_FALSE(NextAllowed());
  EXPECT_TRUE(Map().OverCapacity());
  EXPECT_FALSE(Map().NoRoomShown()) << "the region has its own reason";
  EXPECT_EQ(Map().Refusal(), tooLarge);
  EXPECT_EQ(Map().OnWizardNext(), kPageMap);
  Map().SetTicked(1, false);
  Map().SetTicked(0, true);
  EXPECT_TRUE(NextAllowed());
  EXPECT_EQ(Map().Refusal(), "");

  // Elsewhere than FAT the big region goes; a region taken from that drive itself does not.
  const std::string own = unitDrive + "/Detail Maps/Own.imi";
  MakeFile(own, "the drive's own copy");
  state.testDialogs.openAnswers = {{unitDrive + "/Detail Maps/../Detail Maps/Own.imi"}};
  Map().AddRegions();
  Map().ChooseDestination(1);
  // Rows: Own, Small, Big.
  EXPECT_EQ(Map().Rows()[2].refusal, "");
  Map().SetTicked(2, true);
  EXPECT_TRUE(NextAllowed());
  Map().SetTicked(0, true);
  EXPECT_FALSE(NextAllowed());
  EXPECT_EQ(Map().Refusal(),
            "Own.imi is the very file it would replace on this destination: a region cannot be copied onto itself.");
}

TEST_F(MapLogicTest, WithoutADestinationNextIsNeverAllowed) {
  MakeSizedRegion("A.imi", 10);
  ShowRegionPage({});
  Map().SetTicked(0, true);
  EXPECT_TRUE(Map().DestinationTexts().empty());
  EXPECT_EQ(Map().ChosenDestination(), -1);
  EXPECT_FALSE(NextAllowed());
  EXPECT_EQ(Map().OnWizardNext(), kPageMap) << "no pairs, no page change";
  EXPECT_TRUE(state.filePairs.Empty());
}

TEST_F(MapLogicTest, AddingRegionsSkipsListedPathsAndUnticksEveryRow) {
  MakeRegions({{"A.imi", "a"}});
  const std::string extra = temp.Path("elsewhere/Extra.tdx");
  MakeFile(extra, "extra");
  ShowRegionPage({card});
  Map().SetTicked(0, true);
  state.testDialogs.openAnswers = {{maps + "/a.IMI", extra}};
  Map().AddRegions();
  ASSERT_EQ(state.testDialogs.calls.size(), 1u);
  EXPECT_EQ(state.testDialogs.calls[0].filter, BuiltInString(IDS_FILTER_MAP_REGIONS));
  EXPECT_EQ(state.testDialogs.calls[0].folder, prefix + "/drive_c/Program Files/Tavrelin");
  EXPECT_EQ(Column(&SRegionRow::name), (std::vector<std::string>{"Extra.tdx", "A.imi"}));
  EXPECT_EQ(Ticks(), std::vector<bool>(2, false));
  EXPECT_FALSE(NextAllowed());

  // A cancelled dialog changes nothing.
  Map().SetTicked(1, true);
  Map().AddRegions();
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, true}));
}

TEST_F(MapLogicTest, TargetsAreBuiltOnTheChosenDestination) {
  // The unit record names a unit on another drive, with its own folder names; the regions must
  // still go to the drive whose free space was shown.
  fs::create_directories(unitDrive + "/USBTRANS");
  std::ofstream(unitDrive + "/USBTRANS/LANGUAGE.DAT") << "BackgroundMaps=Fonds\r\nDetailMaps=Cartes\r\n";
  state.unit.SetDrive(unitDrive);
  MakeRegions({{"x/Alps.IMI", "1"}, {"Alps.tdx", "2"}, {"y/Alps.IMI", "3"}});
  ShowRegionPage({card, unitDrive});
  TickAll();
  // Two ticked regions of the same name give one pair: the lower row's file.
  ASSERT_EQ(Map().OnWizardNext(), 0);
  ASSERT_EQ(state.filePairs.Count(), 2u);
  EXPECT_EQ(state.filePairs[0].target, card + "/Detail Maps/Alps.IMI");
  EXPECT_EQ(state.filePairs[0].source, maps + "/x/Alps.IMI");
  EXPECT_EQ(state.filePairs[1].target, card + "/Background Maps/Alps.tdx");
  EXPECT_EQ(state.volumeNote, CWizardState::EVolumeNote::kStillMounted);
  EXPECT_EQ(state.volumeName, card);

  // Choosing the unit's drive names the folders from its language file.
  Map().ChooseDestination(1);
  EXPECT_EQ(Map().Placement(), "/Fonds/*.tdx\n/Cartes/*.imi");
  ASSERT_EQ(Map().OnWizardNext(), 0);
  EXPECT_EQ(state.filePairs[0].target, unitDrive + "/Cartes/Alps.IMI");
  EXPECT_FALSE(fs::exists(unitDrive + "/Cartes")) << "a target folder is made only when a region is copied into it";
}

TEST_F(MapLogicTest, TheDestinationIsTheDriveTheBoxShowsAfterANewSearch) {
  MakeSizedRegion("A.imi", 10);
  ShowRegionPage({card, unitDrive});
  // Back to the card connection page, whose next search finds only the unit; the box keeps the
  // drives of the first search, and each item still stands for the drive it shows.
  wizard.sheet.PressBack();
  ShowRegionPage({unitDrive});
  ASSERT_EQ(Map().DestinationTexts().size(), 2u);
  Map().ChooseDestination(1);
  EXPECT_EQ(Map().DestinationRoot(), unitDrive);
  Map().ChooseDestination(0);
  EXPECT_EQ(Map().DestinationRoot(), card);
  Map().SetTicked(0, true);
  ASSERT_EQ(Map().OnWizardNext(), 0);
  ASSERT_EQ(state.filePairs.Count(), 1u);
  EXPECT_EQ(state.filePairs[0].target, card + "/Detail Maps/A.imi");
}

TEST_F(MapLogicTest, AWholeTransferShowsItsProgressAndEndsOnTheFinishPage) {
  const std::string big(200'000, 'b');  // 4 blocks
  MakeRegions({{"Big.imi", big}, {"Empty.tdx", ""}, {"Small.tdx", "small"}});
  ShowRegionPage({card});
  TickAll();
  ASSERT_TRUE(NextAllowed());
  wizard.sheet.PressNext();
  ASSERT_EQ(Current(), kPageMapTransfer);
  EXPECT_EQ(wizard.sheet.PostedButtons(), kButtonBack);
  EXPECT_EQ(Transfer().Status(), "Transfer in progress. Please wait ...");
  EXPECT_EQ(Transfer().Progress().totalBlocks, 5u);
  EXPECT_EQ(wizard.sites[kPageMapTransfer].timers, (std::map<int, int>{{1010, 1}}));
  wizard.FireTimers();

  // Rows, newest first: Small (1 block), Empty, Big (4).
  ASSERT_FALSE(copy.seen.empty());
  EXPECT_EQ(copy.seen.front().fileName, "Small.tdx");
  EXPECT_EQ(copy.seen.front().fileBlocks, 1u);
  const STransferProgress& last = copy.seen.back();
  EXPECT_EQ(last.fileName, "Big.imi");
  EXPECT_EQ(last.fileBlocks, 4u);
  EXPECT_EQ(last.fileDone, 4u);
  EXPECT_EQ(last.totalDone, 5u);
  EXPECT_EQ(last.timeLeft, "0:00:00");
  EXPECT_EQ(copy.seen.size(), 3u + 5u) << "one for each file, one for each block";

  EXPECT_EQ(Transfer().Status(), "Transfer completed.");
  EXPECT_EQ(Transfer().Progress(), (STransferProgress{"", 0, 0, 5, 5, "0:00:00"}));
  EXPECT_FALSE(Transfer().CopyingShown());
  EXPECT_TRUE(Transfer().HintEnabled());
  EXPECT_EQ(Transfer().MadeRoom(), "");
  EXPECT_EQ(wizard.sheet.PostedButtons(), kButtonNext);
  EXPECT_EQ(ReadBytes(card + "/Detail Maps/Big.imi"), big);
  EXPECT_EQ(ReadBytes(card + "/Background Maps/Small.tdx"), "small");
  EXPECT_TRUE(fs::exists(card + "/Background Maps/Empty.tdx"));
  EXPECT_TRUE(state.report.empty());

  wizard.sheet.PressNext();
  ASSERT_EQ(Current(), kPageFinish);
  EXPECT_EQ(wizard.pages.finish.Outcome(), BuiltInString(IDS_MAP_SUCCESS));
  // The map job does not eject its destination: the user is told to.
  EXPECT_EQ(wizard.pages.finish.VolumeNote(),
            card + " is still mounted. Eject it from your desktop before you unplug it.");
  // Back from Finish starts the job again on the region page, every row unticked.
  wizard.sheet.PressBack();
  ASSERT_EQ(Current(), kPageMap);
  EXPECT_TRUE(state.filePairs.Empty());
  EXPECT_EQ(Ticks(), std::vector<bool>(3, false));
}

TEST_F(MapLogicTest, FailedFilesAreReportedAndTheCopyGoesOn) {
  MakeRegions({{"Blocked.imi", "b"}, {"Gone.tdx", "g"}, {"Fine.tdx", "f"}});
  ShowRegionPage({card});
  TickAll();
  fs::create_directories(card + "/Detail Maps/Blocked.imi");  // a folder where the file should go
  fs::remove(maps + "/Gone.tdx");                             // removed after it was listed
  RunTransfer();
  EXPECT_EQ(Transfer().Status(), "Transfer completed.");
  EXPECT_EQ(ReportTexts(state.report),
            (std::vector<std::string>{
                FormatMessageWithPath(BuiltInString(IDS_ERROR_LOADING), maps + "/Gone.tdx"),
                FormatMessageWithPath(BuiltInString(IDS_ERROR_TRANSFERRING), card + "/Detail Maps/Blocked.imi"),
            }));
  EXPECT_FALSE(state.report[0].reason.empty());
  EXPECT_EQ(ReadBytes(card + "/Background Maps/Fine.tdx"), "f");
  wizard.sheet.PressNext();
  EXPECT_EQ(wizard.pages.finish.Outcome(), BuiltInString(IDS_MAP_FAILURES));
}

TEST_F(MapLogicTest, AJobOfEmptyFilesCompletesWithoutATimeLeft) {
  MakeRegions({{"E1.imi", ""}, {"E2.tdx", ""}});
  ShowRegionPage({card});
  TickAll();
  RunTransfer();
  EXPECT_EQ(Transfer().Progress(), (STransferProgress{"", 0, 0, 0, 0, ""}));
  EXPECT_EQ(Transfer().Status(), "Transfer completed.");
  EXPECT_EQ(FilesBelow(card), (std::vector<std::string>{"Background Maps/E2.tdx", "Detail Maps/E1.imi"}));
}

TEST_F(MapLogicTest, BackThenYesStopsTheCopyAndRemovesOnlyWhatItWrote) {
  // Rows, newest first: A, B, C; the copy takes them in that order.
  MakeRegions({{"C.tdx", "new c"}, {"B.imi", std::string(1'000'000, 'b')}, {"A.imi", std::string(70'000, 'a')}});
  fs::create_directories(card + "/Background Maps");
  std::ofstream(card + "/Background Maps/C.tdx") << "the user's own";
  ShowRegionPage({card});
  TickAll();
  state.testDialogs.yesNoAnswers = {true};
  copy.duringFile = "B.imi";
  copy.during = [&] {
    wizard.sheet.PressBack();
    EXPECT_EQ(Current(), kPageMapTransfer) << "the copy unwinds first";
    EXPECT_EQ(Transfer().Progress().fileName, "");
    EXPECT_EQ(Transfer().Progress().timeLeft, "");
  };
  RunTransfer();

  // The question, then what the cancel kept and removed.
  const auto& calls = state.testDialogs.calls;
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, "yesno");
  EXPECT_EQ(calls[0].text, BuiltInString(IDS_CANCEL_TRANSFER));
  EXPECT_EQ(calls[0].caption, BuiltInString(IDS_CAPTION));
  EXPECT_EQ(calls[1].kind, "warn");
  EXPECT_EQ(calls[1].text,
            "The transfer was cancelled.\n\nRemoved: these regions were not on the destination before the "
            "transfer.\n" +
                card + "/Detail Maps/A.imi");
  EXPECT_EQ(FilesBelow(card), (std::vector<std::string>{"Background Maps/C.tdx"}));
  EXPECT_EQ(ReadBytes(card + "/Background Maps/C.tdx"), "the user's own");
  EXPECT_TRUE(state.report.empty());
  EXPECT_EQ(Current(), kPageMap) << "Back was pressed once the copy had unwound";
  EXPECT_EQ(wizard.face.backPresses, 1);
  EXPECT_EQ(Ticks(), std::vector<bool>(3, false));
  EXPECT_FALSE(NextAllowed());

  // The job can run again from here, and this time to its end.
  TickAll();
  RunTransfer();
  EXPECT_EQ(Transfer().Status(), "Transfer completed.");
  EXPECT_EQ(ReadBytes(card + "/Background Maps/C.tdx"), "new c");
}

TEST_F(MapLogicTest, BackThenNoLetsTheCopyGoOn) {
  MakeRegions({{"B.imi", std::string(1'000'000, 'b')}, {"A.imi", std::string(70'000, 'a')}});
  ShowRegionPage({card});
  TickAll();
  copy.duringFile = "B.imi";
  copy.during = [&] { wizard.sheet.PressBack(); };  // No is the default answer
  RunTransfer();
  EXPECT_EQ(state.testDialogs.Count("yesno"), 1);
  EXPECT_EQ(Current(), kPageMapTransfer);
  EXPECT_EQ(Transfer().Status(), "Transfer completed.");
  EXPECT_EQ(ReadBytes(card + "/Detail Maps/B.imi"), std::string(1'000'000, 'b'));
  EXPECT_EQ(ReadBytes(card + "/Detail Maps/A.imi"), std::string(70'000, 'a'));
  EXPECT_EQ(wizard.sheet.LeaveByNext(), wizard.sheet.IndexOf(kPageFinish));
}

// Closing the wizard during the copy asks as Back does. Yes stops the copy, leaves the destination
// as Back's cancel does (the region that replaced its older copy stays, the new one goes), says so,
// and then closes the wizard; No lets the copy go on.
TEST_F(MapLogicTest, ClosingTheWizardDuringTheCopyAsksAsBackDoes) {
  const std::string a(70'000, 'a');
  const std::string b(1'000'000, 'b');
  MakeRegions({{"B.imi", b}, {"A.imi", a}});  // A is the newest, copied first
  ShowRegionPage({card});
  for (const bool yes : {true, false}) {
    fs::remove_all(card);
    fs::create_directories(card + "/Detail Maps");
    std::ofstream(card + "/Detail Maps/A.imi") << "older a";
    wizard.face.closes = 0;
    state.testDialogs.calls.clear();
    state.testDialogs.yesNoAnswers = {yes};
    TickAll();
    copy.duringFile = "B.imi";
    copy.during = [&] { EXPECT_FALSE(wizard.sheet.QueryClose()) << "not while the copy runs"; };
    RunTransfer();
    EXPECT_EQ(state.testDialogs.Count("yesno"), 1);
    EXPECT_EQ(wizard.face.closes, yes ? 1 : 0) << "closed once the copy had unwound";
    EXPECT_TRUE(wizard.sheet.QueryClose());
    EXPECT_EQ(ReadBytes(card + "/Detail Maps/A.imi"), a);
    if (yes) {
      EXPECT_EQ(FilesBelow(card), std::vector<std::string>{"Detail Maps/A.imi"});
      EXPECT_EQ(state.testDialogs.Count("warn"), 1) << "what the cancel kept and removed";
      wizard.sheet.Activate(wizard.sheet.IndexOf(kPageMap));
    } else {
      EXPECT_EQ(ReadBytes(card + "/Detail Maps/B.imi"), b);
      EXPECT_EQ(Transfer().Status(), "Transfer completed.");
      wizard.sheet.PressNext();
      wizard.sheet.PressBack();
    }
  }
}

// Updating regions on a full card: each counts by what it adds there, and one whose older copy
// leaves no room for the new one beside it replaces it in place, which the page then lists.
TEST_F(MapLogicTest, UpdatesOnAFullCardCountWhatTheyAddAndSayWhatMadeRoom) {
  const CTmpfsVolume small(temp.Path("small"), 1024 * 1024);
  if (!small.Unavailable().empty()) GTEST_SKIP() << "no size-limited volume here: " << small.Unavailable();
  const std::string smallCard = small.Path();
  MakeRegions({{"A.imi", std::string(700'000, 'a')}});
  MakeFile(smallCard + "/Detail Maps/A.imi", std::string(600'000, 'o'));
  ShowRegionPage({smallCard}, 400'000);
  Map().SetTicked(0, true);
  EXPECT_EQ(Map().Total(), "0.1 MB");
  ASSERT_TRUE(NextAllowed());
  RunTransfer();
  EXPECT_TRUE(ReadBytes(smallCard + "/Detail Maps/A.imi") == std::string(700'000, 'a'));
  EXPECT_TRUE(state.report.empty());
  EXPECT_EQ(Transfer().MadeRoom(),
            "The destination could not hold an older and a new copy at once, so the older copy of these regions was "
            "removed just before the new one was written:\n" +
                smallCard + "/Detail Maps/A.imi");
}

class MapTransferOnAThreadTest : public MapLogicTest {
 protected:
  MapTransferOnAThreadTest() : MapLogicTest(&threads) {}
};

// The copy on a thread of its own, as the Win32 face runs it: the progress comes from that thread,
// a cancel from the window's thread stops it, and the page leaves only once it has unwound.
TEST_F(MapTransferOnAThreadTest, ACancelFromTheWindowsThreadStopsTheCopyOnItsOwn) {
  MakeRegions({{"B.imi", std::string(3'000'000, 'b')}, {"A.imi", std::string(70'000, 'a')}});
  ShowRegionPage({card});
  TickAll();
  std::mutex gate;
  gate.lock();  // the copy waits in B.imi's first block until the user has answered
  copy.duringFile = "B.imi";
  copy.during = [&] { const std::lock_guard<std::mutex> wait(gate); };
  state.testDialogs.yesNoAnswers = {true};
  RunTransfer();
  EXPECT_FALSE(wizard.sheet.QueryClose());  // asks; Yes: the wizard closes once the copy has unwound
  gate.unlock();
  ASSERT_TRUE(threads.Finish());
  EXPECT_EQ(wizard.face.closes, 1);
  EXPECT_EQ(FilesBelow(card), std::vector<std::string>{});
  ASSERT_FALSE(copy.threads.empty());
  EXPECT_NE(copy.threads.front(), std::this_thread::get_id());
  EXPECT_LT(copy.seen.size(), 10u) << "the copy stopped after the block in progress";
}

}  // namespace
