// The unit and card connection pages over a fake machine: attempts, pauses, questions, test mode.
#include <gtest/gtest.h>

#include <QComboBox>

#include "resources/string_ids.h"
#include "storage/removable_drives.h"
#include "tests/storage/fake_system_tree.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/page_find_card.h"
#include "wizard/pages/page_find_unit.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/wizard_pages.h"

namespace {

const char* const kUnitMount = "/media/ann/NORVANTIS";
const char* const kCardMount = "/media/ann/CARD";

class ConnectionPagesTest : public ::testing::Test {
 protected:
  ConnectionPagesTest() : sheet((TestApplication(), state.testResources)) {
    // The region page looks for installations when it is first shown: there are none.
    ::setenv("WINEPREFIX", (temp.Path() + "/no-wine").c_str(), 1);
    state.temp = temp.Path();
    AddWizardPages(sheet, state);
    sheet.Start();
    Settle();
  }
  void PlugUnit() {
    const std::string disk =
        tree.AddDisk("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0", "sdc", 8, 32, false, 2);
    tree.AddPartition(disk, "sdc1", 8, 33);
    tree.AddMount(8, 33, kUnitMount, kUnitMount);
  }
  void NameUnit() const { tree.WriteFile(std::string(kUnitMount) + "/USBTRANS/UNIT_ID.DAT", "Model=Norvantis 200\n"); }
  void PlugCardReader() {
    tree.AddDisk("pci0000:00/0000:00:1c.0/0000:02:00.0/host2/target2:0:0/2:0:0:0", "sdb", 8, 16, true);
    tree.AddMount(8, 16, kCardMount, kCardMount);
    tree.Link("/dev/disk/by-label/MAPS\\x202024", "../../sdb");
  }
  void UseTree() {
    drives = CreateDriveAccess(tree.Root());
    state.unit.SetDriveAccess(drives.get());
  }
  CScriptedDialogs& Dialogs() { return state.testDialogs; }
  int UnitNext() { return sheet.PageById(kPageFindUnit)->OnWizardNext(); }
  int CardNext() { return sheet.PageById(kPageFindCard)->OnWizardNext(); }
  std::vector<std::string>& Destinations() {
    return static_cast<CPropertyPageMap*>(sheet.PageById(kPageMap))->destinationDrives;
  }
  // The destination box of the region page, shown for the first time.
  std::vector<std::string> DestinationTexts() {
    auto* map = static_cast<CPropertyPageMap*>(sheet.PageById(kPageMap));
    map->OnSetActive();
    std::vector<std::string> texts;
    for (int i = 0; i < map->DestinationBox()->count(); ++i)
      texts.push_back(map->DestinationBox()->itemText(i).toStdString());
    return texts;
  }

  ~ConnectionPagesTest() override { ::unsetenv("WINEPREFIX"); }

  CFakeSystemTree tree;
  CTempFolder temp;
  std::unique_ptr<CDriveAccess> drives;
  CTestState state;
  CPropertySheet_ sheet;
};

TEST_F(ConnectionPagesTest, AConnectedUnitIsFoundAtTheFirstAttempt) {
  PlugUnit();
  NameUnit();
  UseTree();
  EXPECT_EQ(UnitNext(), 0);
  EXPECT_EQ(state.unit.Drive(), tree.Path(kUnitMount));
  EXPECT_TRUE(state.testPacer.pauses.empty());
  EXPECT_EQ(Dialogs().Count("retry"), 0);
  EXPECT_EQ(state.waitBoxShows, 1);
  EXPECT_FALSE(state.waitBoxOpen);
  EXPECT_TRUE(sheet.isEnabled());
}

TEST_F(ConnectionPagesTest, NoUnitTakesTenAttemptsThenRetryFindsTheUnitThatAppeared) {
  PlugUnit();  // mounted, but not (yet) recognisable as the unit
  UseTree();
  bool enabledDuringSearch = true;
  state.testPacer.onPause = [&](std::size_t) { enabledDuringSearch = enabledDuringSearch && sheet.isEnabled(); };
  Dialogs().retryAnswers = {true};
  Dialogs().onRetryQuestion = [&] {
    EXPECT_FALSE(state.waitBoxOpen) << "the box is closed before the question";
    NameUnit();
  };
  EXPECT_EQ(UnitNext(), 0);
  std::vector<int> expected;
  for (int i = 0; i < kSearchAttempts; ++i) expected.insert(expected.end(), {200, 800});
  EXPECT_EQ(state.testPacer.pauses, expected);
  EXPECT_FALSE(enabledDuringSearch) << "the wizard is disabled while it searches";
  ASSERT_EQ(Dialogs().Count("retry"), 1);
  EXPECT_EQ(Dialogs().calls[0].text.toStdString(), "No Tavrelin Norvantis found.");
  EXPECT_EQ(Dialogs().calls[0].caption.toStdString(), "Tavrelin Transvane - v1.07");
  EXPECT_EQ(state.unit.Drive(), tree.Path(kUnitMount));
  EXPECT_EQ(state.waitBoxShows, 2);
  EXPECT_FALSE(state.waitBoxOpen);
}

TEST_F(ConnectionPagesTest, CancelLeavesTheUserOnTheUnitPageWithTheWizardEnabled) {
  UseTree();
  EXPECT_EQ(UnitNext(), kPageFindUnit);
  EXPECT_EQ(Dialogs().Count("retry"), 1);
  EXPECT_FALSE(state.waitBoxOpen);
  EXPECT_TRUE(sheet.isEnabled());
}

TEST_F(ConnectionPagesTest, TestModeNeedsNoDevice) {
  state.testMode = true;
  UseTree();
  Destinations() = {"/kept"};
  EXPECT_EQ(UnitNext(), 0);
  EXPECT_EQ(state.unit.Drive(), temp.Path());
  EXPECT_EQ(CardNext(), 0);
  EXPECT_EQ(Destinations(), (std::vector<std::string>{temp.Path()})) << "it stands in for the card too";
  EXPECT_TRUE(state.testPacer.pauses.empty());
  EXPECT_EQ(state.waitBoxShows, 1) << "the card page does not even show the box in test mode";
  EXPECT_EQ(DestinationTexts(), (std::vector<std::string>{temp.Path()}));
}

TEST_F(ConnectionPagesTest, ACardReaderAloneTakesAllTenAttemptsAndBecomesTheDestination) {
  PlugCardReader();
  UseTree();
  EXPECT_EQ(CardNext(), 0);
  EXPECT_EQ(state.testPacer.pauses.size(), 2u * kSearchAttempts);
  EXPECT_EQ(Destinations(), (std::vector<std::string>{tree.Path(kCardMount)}));
  EXPECT_EQ(Dialogs().Count("retry"), 0);
  EXPECT_FALSE(state.waitBoxOpen);
}

TEST_F(ConnectionPagesTest, TheUnitStopsTheCardSearchAtOnceAndJoinsTheOtherDrives) {
  PlugCardReader();
  PlugUnit();
  NameUnit();
  UseTree();
  EXPECT_EQ(CardNext(), 0);
  EXPECT_TRUE(state.testPacer.pauses.empty());
  EXPECT_EQ(Destinations(), (std::vector<std::string>{tree.Path(kCardMount), tree.Path(kUnitMount)}));
  // The region page names them by the card's label and the unit's model, with their mount points.
  EXPECT_EQ(DestinationTexts(), (std::vector<std::string>{"MAPS 2024 (" + tree.Path(kCardMount) + ")",
                                                          "Norvantis 200 (" + tree.Path(kUnitMount) + ")"}));
}

TEST_F(ConnectionPagesTest, NoDriveAsksWithTheBoxUpAndCancelStays) {
  UseTree();
  Dialogs().onRetryQuestion = [&] { EXPECT_TRUE(state.waitBoxOpen) << "the box stays up during the question"; };
  EXPECT_EQ(CardNext(), kPageFindCard);
  ASSERT_EQ(Dialogs().Count("retry"), 1);
  EXPECT_EQ(Dialogs().calls[0].text.toStdString(), "No Memory Card or Tavrelin Norvantis was found.");
  EXPECT_FALSE(state.waitBoxOpen);
  EXPECT_TRUE(sheet.isEnabled());
}

}  // namespace
