// The sheet's rules: navigation results, button states, closing, and the pages' order and flows.
#include "wizard/logic/sheet_logic.h"

#include <gtest/gtest.h>

#include "resources/string_ids.h"
#include "tests/temp_folder.h"
#include "tests/wizard/logic/logic_test_support.h"

namespace {

// A page whose Next and Back answer fixed results, and that posts two button states on activation.
class CScriptedPage : public CPageLogic {
 public:
  CScriptedPage(CWizardState& state, int id, int next, int back = 0)
      : CPageLogic(state, id, IDS_TITLE_WELCOME), m_next(next), m_back(back) {}
  bool OnSetActive() override {
    SetWizardButtons(kButtonBack);
    SetWizardButtons(kButtonNext | kButtonFinish);
    return true;
  }
  int OnWizardNext() override { return m_next; }
  int OnWizardBack() override { return m_back; }
  bool OnQueryCancel() override { return !refuseClose; }
  void DoDataExchange(bool toFields) override { exchanges.push_back(toFields); }

  bool refuseClose = false;
  std::vector<bool> exchanges;

 private:
  int m_next;
  int m_back;
};

TEST(SheetLogicTest, ResultsMoveToTheNeighbourJumpOrStay) {
  CTestState state;
  CSheetLogic sheet(state);
  CRecordedSheetFace face;
  sheet.SetFace(&face);
  std::vector<std::unique_ptr<CScriptedPage>> pages;
  const std::vector<std::pair<int, int>> results = {{0, 0}, {4, 0}, {0, 0}, {4, 0}, {99, 2}};  // (Next, Back)
  for (std::size_t i = 0; i < results.size(); ++i) {
    pages.push_back(
        std::make_unique<CScriptedPage>(state, static_cast<int>(i) + 1, results[i].first, results[i].second));
    sheet.AddPage(*pages.back());
  }
  sheet.Start();
  EXPECT_EQ(face.shown, (std::vector<int>{0}));
  EXPECT_EQ(pages[0]->exchanges, (std::vector<bool>{false})) << "the state reaches the page before it activates";
  EXPECT_EQ(face.posted, (std::vector<int>{kButtonBack, kButtonNext | kButtonFinish}));
  EXPECT_EQ(sheet.PostedButtons(), kButtonNext | kButtonFinish) << "the last request posted wins";

  struct SStep {
    bool next;
    int page;  // current afterwards
  };
  const std::vector<SStep> steps = {
      {true, 2},                           // 0: the adjacent page
      {true, 4},                           // jump to page 4
      {true, 4},                           // its own id: stay
      {false, 3},                          // Back 0: the previous page
      {false, 2}, {false, 1}, {false, 1},  // Back from the first page: nowhere to go
  };
  for (const SStep& step : steps) {
    if (step.next) {
      sheet.PressNext();
    } else {
      sheet.PressBack();
    }
    EXPECT_EQ(sheet.CurrentPage()->PageId(), step.page);
  }
  pages[0]->refuseClose = true;
  EXPECT_FALSE(sheet.QueryClose());
  pages[0]->refuseClose = false;
  EXPECT_TRUE(sheet.QueryClose());
  state.ShowWaitBox();
  EXPECT_FALSE(sheet.QueryClose()) << "nothing closes the wizard while the please-wait box shows";
  state.CloseWaitBox();
  EXPECT_TRUE(sheet.QueryClose());

  sheet.Activate(4);
  EXPECT_EQ(sheet.LeaveByNext(), -1) << "an id of no page stays";
  EXPECT_TRUE(pages[4]->exchanges.back() == false) << "a page that stays keeps its choices";
  EXPECT_EQ(sheet.LeaveByBack(), 1);
  EXPECT_TRUE(pages[4]->exchanges.back()) << "a page that is left hands its choices to the state";
  EXPECT_TRUE(sheet.LeaveByFinish());
}

TEST(SheetLogicTest, FinishStandsInNextsPlaceAndIsThenTheDefault) {
  struct SCase {
    int buttons;
    bool back, nextShown, nextEnabled, finishShown;
    EWizardButton defaultButton;
  };
  const std::vector<SCase> cases = {
      {kButtonNone, false, true, false, false, kButtonNext},
      {kButtonBack, true, true, false, false, kButtonNext},
      {kButtonBack | kButtonNext, true, true, true, false, kButtonNext},
      {kButtonBack | kButtonFinish, true, false, false, true, kButtonFinish},
      {kButtonNext | kButtonFinish, false, false, false, true, kButtonFinish},
  };
  for (const SCase& c : cases) {
    const SWizardButtonsView view = ButtonsView(c.buttons);
    EXPECT_EQ(view.backEnabled, c.back) << c.buttons;
    EXPECT_EQ(view.nextShown, c.nextShown) << c.buttons;
    EXPECT_EQ(view.nextEnabled, c.nextEnabled) << c.buttons;
    EXPECT_EQ(view.finishShown, c.finishShown) << c.buttons;
    EXPECT_EQ(view.finishEnabled, c.finishShown) << c.buttons;
    EXPECT_EQ(view.defaultButton, c.defaultButton) << c.buttons;
  }
}

class WizardFlowTest : public ::testing::Test {
 protected:
  WizardFlowTest() {
    state.testMode = true;
    state.temp = temp.Path();
    state.documents = temp.Path();
    wizard.sheet.Start();
  }
  int Current() const { return wizard.Current(); }

  CTempFolder temp;
  CTestState state;
  SWizardUnderTest wizard{state};
};

TEST_F(WizardFlowTest, HoldsTheNinePagesInSheetOrderWithTheirTitles) {
  const std::vector<std::pair<int, const char*>> expected = {
      {129, "Welcome"},         {140, "Insert your Memory Card"},         {139, "Map region selection"},
      {141, "Map transfer"},    {137, "Connect your Tavrelin Norvantis"}, {130, "Conversion mode"},
      {134, "Files selection"}, {135, "Conversion and Transfer"},         {133, "Finish"},
  };
  ASSERT_EQ(wizard.sheet.PageCount(), 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(wizard.sheet.PageAt(i).PageId(), expected[i].first);
    EXPECT_EQ(state.texts.Utf8String(wizard.sheet.PageAt(i).TitleId()), expected[i].second);
  }
}

TEST_F(WizardFlowTest, WelcomeOffersNextOnlyAndBranchesByJob) {
  EXPECT_EQ(wizard.sheet.PostedButtons(), kButtonNext);
  EXPECT_EQ(wizard.pages.welcome.Choice(), 0) << "the first choice is checked the first time";
  struct SStep {
    int choice;  // -1: Back instead of a choice and Next
    int page;
    int job;
  };
  const std::vector<SStep> steps = {{1, kPageFindCard, 1}, {-1, kPageWelcome, 1}, {0, kPageFindUnit, 0}};
  for (const SStep& step : steps) {
    if (step.choice < 0) {
      wizard.sheet.PressBack();
      EXPECT_EQ(wizard.pages.welcome.Choice(), 1) << "the page shows the job chosen last time";
    } else {
      wizard.pages.welcome.Choose(step.choice);
      wizard.sheet.PressNext();
    }
    EXPECT_EQ(Current(), step.page);
    EXPECT_EQ(state.job, step.job);
  }
  EXPECT_EQ(wizard.sheet.PostedButtons(), kButtonBack | kButtonNext);
  // A job of no known kind goes to the adjacent page.
  wizard.sheet.PressBack();
  wizard.pages.welcome.Choose(-1);
  wizard.sheet.PressNext();
  EXPECT_EQ(Current(), kPageFindCard);
}

TEST_F(WizardFlowTest, ConversionPathAndItsBackSteps) {
  const std::vector<std::pair<bool, int>> steps = {
      {true, kPageFindUnit}, {true, kPageSelectMode}, {false, kPageFindUnit},   {false, kPageWelcome},
      {true, kPageFindUnit}, {true, kPageSelectMode}, {true, kPageDestination}, {false, kPageSelectMode},
  };
  for (const auto& [next, page] : steps) {
    if (next) {
      wizard.sheet.PressNext();
    } else {
      wizard.sheet.PressBack();
    }
    EXPECT_EQ(Current(), page);
  }
  EXPECT_EQ(state.unit.Drive(), temp.Path()) << "test mode: the unit is the temporary folder";
  EXPECT_EQ(wizard.sheet.PostedButtons(), kButtonBack | kButtonNext);
  wizard.sheet.PressNext();
  EXPECT_EQ(wizard.sheet.PostedButtons(), kButtonBack) << "no files yet: Back only";
}

TEST_F(WizardFlowTest, TheDirectionReachesTheStateWhenThePageIsLeftEvenByBack) {
  wizard.sheet.PressNext();
  wizard.sheet.PressNext();
  ASSERT_EQ(Current(), kPageSelectMode);
  EXPECT_EQ(wizard.pages.selectMode.Choice(), 0);
  wizard.pages.selectMode.Choose(1);
  EXPECT_EQ(state.direction, 0);
  wizard.sheet.PressBack();
  EXPECT_EQ(state.direction, 1);
  wizard.sheet.PressNext();
  EXPECT_EQ(wizard.pages.selectMode.Choice(), 1);
  EXPECT_NE(wizard.sites[kPageSelectMode].refreshed & CChoicePageLogic::kChoice, 0u);
}

}  // namespace
