// The unit and card connection pages over a fake machine: attempts, pauses, questions, test mode.
#include "wizard/logic/connection_pages.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "storage/removable_drives.h"
#include "tests/storage/fake_system_tree.h"
#include "tests/temp_folder.h"
#include "tests/wizard/logic/logic_test_support.h"
#include "wizard/logic/map_logic.h"

namespace {

const char* const kUnitMount = "/media/ann/NORVANTIS";
const char* const kCardMount = "/media/ann/CARD";

class ConnectionPagesTest : public ::testing::Test {
 protected:
  ConnectionPagesTest() {
    // The region page looks for installations when it is first shown: there are none.
    ::setenv("WINEPREFIX", (temp.Path() + "/no-wine").c_str(), 1);
    state.temp = temp.Path();
  }
  ~ConnectionPagesTest() override { ::unsetenv("WINEPREFIX"); }
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
  // The destination box of the region page, shown for the first time.
  std::vector<std::string> DestinationTexts() {
    map.OnSetActive();
    return map.DestinationTexts();
  }

  CFakeSystemTree tree;
  CTempFolder temp;
  std::unique_ptr<CDriveAccess> drives;
  CTestState state;
  CFindUnitLogic unitPage{state};
  CMapLogic map{state};
  CFindCardLogic cardPage{state, map.destinationDrives};
};

TEST_F(ConnectionPagesTest, AConnectedUnitIsFoundAtTheFirstAttempt) {
  PlugUnit();
  NameUnit();
  UseTree();
  EXPECT_EQ(unitPage.OnWizardNext(), 0);
  EXPECT_EQ(state.unit.Drive(), tree.Path(kUnitMount));
  EXPECT_TRUE(state.testPacer.pauses.empty());
  EXPECT_EQ(Dialogs().Count("retry"), 0);
  EXPECT_EQ(state.testWait.shows, 1);
  EXPECT_FALSE(state.WaitBoxShown());
  EXPECT_EQ(state.testWait.busyDepth, 0);
}

TEST_F(ConnectionPagesTest, NoUnitTakesTenAttemptsThenRetryFindsTheUnitThatAppeared) {
  PlugUnit();  // mounted, but not (yet) recognisable as the unit
  UseTree();
  bool boxUpDuringSearch = true;
  state.testPacer.onPause = [&](std::size_t) { boxUpDuringSearch = boxUpDuringSearch && state.testWait.boxOpen; };
  Dialogs().retryAnswers = {true};
  Dialogs().onRetryQuestion = [&] {
    EXPECT_FALSE(state.testWait.boxOpen) << "the box is closed before the question";
    NameUnit();
  };
  EXPECT_EQ(unitPage.OnWizardNext(), 0);
  std::vector<int> expected;
  for (int i = 0; i < kSearchAttempts; ++i) expected.insert(expected.end(), {200, 800});
  EXPECT_EQ(state.testPacer.pauses, expected);
  EXPECT_TRUE(boxUpDuringSearch);
  ASSERT_EQ(Dialogs().Count("retry"), 1);
  EXPECT_EQ(Dialogs().calls[0].text, "No Tavrelin Norvantis found.");
  EXPECT_EQ(Dialogs().calls[0].caption, "Tavrelin Transvane - v1.07");
  EXPECT_EQ(state.unit.Drive(), tree.Path(kUnitMount));
  EXPECT_EQ(state.testWait.shows, 2);
  EXPECT_FALSE(state.testWait.boxOpen);
}

TEST_F(ConnectionPagesTest, CancelLeavesTheUserOnTheUnitPageWithTheBoxGone) {
  UseTree();
  EXPECT_EQ(unitPage.OnWizardNext(), kPageFindUnit);
  EXPECT_EQ(Dialogs().Count("retry"), 1);
  EXPECT_FALSE(state.testWait.boxOpen);
  EXPECT_FALSE(state.WaitBoxShown());
}

TEST_F(ConnectionPagesTest, TestModeNeedsNoDevice) {
  state.testMode = true;
  UseTree();
  map.destinationDrives = {"/kept"};
  EXPECT_EQ(unitPage.OnWizardNext(), 0);
  EXPECT_EQ(state.unit.Drive(), temp.Path());
  EXPECT_EQ(cardPage.OnWizardNext(), 0);
  EXPECT_EQ(map.destinationDrives, (std::vector<std::string>{temp.Path()})) << "it stands in for the card too";
  EXPECT_TRUE(state.testPacer.pauses.empty());
  EXPECT_EQ(state.testWait.shows, 1) << "the card page does not even show the box in test mode";
  EXPECT_EQ(DestinationTexts(), (std::vector<std::string>{temp.Path()}));
}

TEST_F(ConnectionPagesTest, ACardReaderAloneTakesAllTenAttemptsAndBecomesTheDestination) {
  PlugCardReader();
  UseTree();
  EXPECT_EQ(cardPage.OnWizardNext(), 0);
  EXPECT_EQ(state.testPacer.pauses.size(), 2u * kSearchAttempts);
  EXPECT_EQ(map.destinationDrives, (std::vector<std::string>{tree.Path(kCardMount)}));
  EXPECT_EQ(Dialogs().Count("retry"), 0);
  EXPECT_FALSE(state.testWait.boxOpen);
}

TEST_F(ConnectionPagesTest, TheUnitStopsTheCardSearchAtOnceAndJoinsTheOtherDrives) {
  PlugCardReader();
  PlugUnit();
  NameUnit();
  UseTree();
  EXPECT_EQ(cardPage.OnWizardNext(), 0);
  EXPECT_TRUE(state.testPacer.pauses.empty());
  EXPECT_EQ(map.destinationDrives, (std::vector<std::string>{tree.Path(kCardMount), tree.Path(kUnitMount)}));
  // The region page names them by the card's label and the unit's model, with their mount points.
  EXPECT_EQ(DestinationTexts(), (std::vector<std::string>{"MAPS 2024 (" + tree.Path(kCardMount) + ")",
                                                          "Norvantis 200 (" + tree.Path(kUnitMount) + ")"}));
}

TEST_F(ConnectionPagesTest, NoDriveAsksWithTheBoxUpAndCancelStays) {
  UseTree();
  Dialogs().onRetryQuestion = [&] { EXPECT_TRUE(state.testWait.boxOpen) << "the box stays up during the question"; };
  EXPECT_EQ(cardPage.OnWizardNext(), kPageFindCard);
  ASSERT_EQ(Dialogs().Count("retry"), 1);
  EXPECT_EQ(Dialogs().calls[0].text, "No Memory Card or Tavrelin Norvantis was found.");
  EXPECT_FALSE(state.testWait.boxOpen);
  EXPECT_FALSE(state.WaitBoxShown());
  EXPECT_EQ(state.testWait.busyDepth, 0);
}

}  // namespace
