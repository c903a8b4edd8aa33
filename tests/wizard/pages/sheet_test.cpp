// The sheet: page order, navigation results, button states, and the Welcome/mode/Finish pages.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include "resources/string_ids.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_finish.h"
#include "wizard/pages/page_select_mode.h"
#include "wizard/pages/page_welcome.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/wizard_pages.h"

namespace {

class SheetTest : public ::testing::Test {
 protected:
  SheetTest() : sheet((TestApplication(), state.testResources)) {
    state.testMode = true;
    state.temp = temp.Path();
    state.documents = temp.Path();
    AddWizardPages(sheet, state);
    sheet.Start();
    sheet.show();
    Settle();
  }
  void Next() {
    ASSERT_TRUE(sheet.NextButton()->isEnabled() && sheet.NextButton()->isVisible());
    sheet.NextButton()->click();
    Settle();
  }
  void Back() {
    ASSERT_TRUE(sheet.BackButton()->isEnabled());
    sheet.BackButton()->click();
    Settle();
  }
  int Current() const { return sheet.CurrentPage()->PageId(); }
  template <typename T>
  T* Page(int id) {
    return static_cast<T*>(sheet.PageById(id));
  }

  CTempFolder temp;
  CTestState state;
  CPropertySheet_ sheet;
};

TEST_F(SheetTest, HoldsTheNinePagesInSheetOrderWithTheirTitles) {
  const std::vector<std::pair<int, const char*>> expected = {
      {129, "Welcome"},         {140, "Insert your Memory Card"},         {139, "Map region selection"},
      {141, "Map transfer"},    {137, "Connect your Tavrelin Norvantis"}, {130, "Conversion mode"},
      {134, "Files selection"}, {135, "Conversion and Transfer"},         {133, "Finish"},
  };
  ASSERT_EQ(sheet.PageCount(), 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(sheet.PageAt(i)->PageId(), expected[i].first);
    EXPECT_EQ(state.testResources.String(sheet.PageAt(i)->TitleId()).toStdString(), expected[i].second);
  }
  EXPECT_EQ(sheet.windowTitle().toStdString(), "Tavrelin Transvane - v1.07");
  EXPECT_EQ(sheet.HeaderTitle().toStdString(), "Welcome");
}

TEST_F(SheetTest, WelcomeOffersNextOnlyAndBranchesByJob) {
  EXPECT_EQ(sheet.WizardButtons(), kButtonNext);
  EXPECT_FALSE(sheet.BackButton()->isEnabled());
  auto* welcome = Page<CPropertyPageWelcome>(kPageWelcome);
  EXPECT_TRUE(welcome->ConvertChoice()->isChecked());

  welcome->MapsChoice()->setChecked(true);
  Next();
  EXPECT_EQ(Current(), kPageFindCard);
  EXPECT_EQ(state.job, 1);
  EXPECT_EQ(sheet.WizardButtons(), kButtonBack | kButtonNext);
  Back();
  EXPECT_EQ(Current(), kPageWelcome);
  EXPECT_TRUE(welcome->MapsChoice()->isChecked()) << "the page shows the job chosen last time";

  welcome->ConvertChoice()->setChecked(true);
  Next();
  EXPECT_EQ(Current(), kPageFindUnit);
  EXPECT_EQ(state.job, 0);
  EXPECT_EQ(sheet.HeaderTitle().toStdString(), "Connect your Tavrelin Norvantis");
}

TEST_F(SheetTest, ConversionPathAndItsBackSteps) {
  Next();  // Welcome → unit connection
  Next();  // test mode: the unit is the temporary folder
  EXPECT_EQ(Current(), kPageSelectMode);
  EXPECT_EQ(state.unit.Drive(), temp.Path());
  EXPECT_EQ(sheet.WizardButtons(), kButtonBack | kButtonNext);
  Back();
  EXPECT_EQ(Current(), kPageFindUnit);
  Back();
  EXPECT_EQ(Current(), kPageWelcome);
  Next();
  Next();
  Next();
  EXPECT_EQ(Current(), kPageDestination);
  EXPECT_EQ(sheet.WizardButtons(), kButtonBack) << "no files yet: Back only";
  Back();
  EXPECT_EQ(Current(), kPageSelectMode);
}

TEST_F(SheetTest, DirectionReachesTheStateWhenLeavingByBack) {
  Next();
  Next();
  auto* mode = Page<CPropertyPageSelectMode>(kPageSelectMode);
  EXPECT_TRUE(mode->ToUnitChoice()->isChecked());
  mode->ToDesktopChoice()->setChecked(true);
  EXPECT_EQ(state.direction, 0);
  Back();
  EXPECT_EQ(state.direction, 1);
  Next();
  EXPECT_TRUE(mode->ToDesktopChoice()->isChecked());
}

// Enter from a control of a page presses Next (or Finish in its place) when it is enabled, once
// however long the key is held; on a focused Back it presses Back.
TEST_F(SheetTest, EnterPressesTheDefaultButtonFromAnyControlOfAPage) {
  auto* welcome = Page<CPropertyPageWelcome>(kPageWelcome);
  auto* mode = Page<CPropertyPageSelectMode>(kPageSelectMode);
  auto* files = Page<CPropertyPageDestination>(kPageDestination);
  auto* finish = Page<CPropertyPageFinish>(kPageFinish);
  bool finished = false;
  QObject::connect(&sheet, &CPropertySheet_::Finished, [&finished] { finished = true; });

  PressKey(welcome->ConvertChoice(), Qt::Key_Return, true);
  EXPECT_EQ(Current(), kPageWelcome) << "a held key does not press again";
  struct SStep {
    std::function<QWidget*()> control;
    int key;
    int pageAfter;
  };
  const std::vector<SStep> steps = {
      {[&] { return welcome->ConvertChoice(); }, Qt::Key_Return, kPageFindUnit},
      {[&] { return sheet.CurrentPage(); }, Qt::Key_Enter, kPageSelectMode},
      {[&] { return sheet.BackButton(); }, Qt::Key_Return, kPageFindUnit},
      {[&] { return sheet.CurrentPage(); }, Qt::Key_Enter, kPageSelectMode},
      {[&] {
         mode->ToDesktopChoice()->setChecked(true);
         return mode->ToDesktopChoice();
       },
       Qt::Key_Return, kPageDestination},
      {[&] { return files->RightBrowse(); }, Qt::Key_Return, kPageDestination},  // no file yet: Next is disabled
  };
  for (const SStep& step : steps) {
    PressKey(step.control(), step.key);
    EXPECT_EQ(Current(), step.pageAfter);
  }
  state.testDialogs.openAnswers.push_back({temp.Path() + "/a.log"});
  files->AddSourceFiles();
  Settle();
  PressKey(files->LeftList(), Qt::Key_Return);
  EXPECT_EQ(Current(), kPageConversion);
  ASSERT_TRUE(WaitUntil([&] { return (sheet.WizardButtons() & kButtonNext) != 0; }));
  PressKey(sheet.CurrentPage(), Qt::Key_Return);
  EXPECT_EQ(Current(), kPageFinish);
  PressKey(finish->Details(), Qt::Key_Return);
  EXPECT_TRUE(finished) << "Finish closes the wizard";
}

TEST_F(SheetTest, EscClosesTheWizardFromAnyControl) {
  Next();
  Next();
  Next();
  bool finished = false;
  QObject::connect(&sheet, &CPropertySheet_::Finished, [&finished] { finished = true; });
  PressKey(Page<CPropertyPageDestination>(kPageDestination)->LeftList(), Qt::Key_Escape);
  EXPECT_TRUE(finished);
  EXPECT_FALSE(sheet.isVisible());
}

// A button that shows only an icon says what it does, whichever side the conversion goes.
TEST_F(SheetTest, EveryIconOnlyButtonHasATooltip) {
  Next();
  Next();
  for (int direction : {0, 1}) {
    state.direction = direction;
    Page<CPropertyPageDestination>(kPageDestination)->OnSetActive();
    int iconButtons = 0;
    for (const QPushButton* button : sheet.findChildren<QPushButton*>()) {
      if (!button->text().isEmpty()) continue;
      ++iconButtons;
      EXPECT_FALSE(button->icon().isNull());
      EXPECT_FALSE(button->toolTip().isEmpty()) << button->parentWidget()->metaObject()->className();
      EXPECT_EQ(button->accessibleName(), button->toolTip());
    }
    EXPECT_EQ(iconButtons, 5);
  }
  auto* files = Page<CPropertyPageDestination>(kPageDestination);
  EXPECT_EQ(files->RightBrowse()->toolTip().toStdString(), "Add files to convert");
  EXPECT_EQ(files->LeftBrowse()->toolTip().toStdString(),
            "Choose another name or folder for the selected file to generate");
}

// A page whose Next answers a fixed result and posts two button states in one handler.
class CScriptedPage : public CPropertyPage_ {
 public:
  CScriptedPage(CWizardState& state, int id, int result)
      : CPropertyPage_(state, id, IDS_TITLE_WELCOME), m_result(result) {}
  bool OnSetActive() override {
    SetWizardButtons(kButtonBack);
    SetWizardButtons(kButtonNext | kButtonFinish);
    return true;
  }
  int OnWizardNext() override { return m_result; }

 private:
  int m_result;
};

TEST(SheetNavigationTest, ResultsStayJumpOrMoveToTheNeighbourAndTheLastButtonRequestWins) {
  TestApplication();
  CTestState state;
  CPropertySheet_ sheet(state.testResources);
  sheet.AddPage(new CScriptedPage(state, 1, 0));  // Next: the adjacent page
  sheet.AddPage(new CScriptedPage(state, 2, 4));  // Next: jump to page 4
  sheet.AddPage(new CScriptedPage(state, 3, 0));
  sheet.AddPage(new CScriptedPage(state, 4, 4));   // Next: its own id, stay
  sheet.AddPage(new CScriptedPage(state, 5, 99));  // Next: no such page, stay
  sheet.Start();
  EXPECT_EQ(sheet.WizardButtons(), kButtonNone) << "requests are queued, not applied at once";
  Settle();
  EXPECT_EQ(sheet.WizardButtons(), kButtonNext | kButtonFinish);
  EXPECT_TRUE(sheet.FinishButton()->isVisibleTo(&sheet));
  EXPECT_FALSE(sheet.NextButton()->isVisibleTo(&sheet));
  EXPECT_FALSE(sheet.BackButton()->isEnabled());

  const std::vector<int> path = {2, 4, 4};
  for (int expected : path) {
    sheet.PressNext();
    EXPECT_EQ(sheet.CurrentPage()->PageId(), expected);
  }
  sheet.PressBack();  // default Back: the previous page in sheet order
  EXPECT_EQ(sheet.CurrentPage()->PageId(), 3);
}

TEST(DialogFilterTest, StringTableFiltersBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters(QStringLiteral("Waypoint/Route (*.wpt) - Track (*.trk)|*.wpt;*.trk||")).toStdString(),
            "Waypoint/Route (*.wpt) - Track (*.trk) (*.wpt *.trk)");
  EXPECT_EQ(QtNameFilters(QStringLiteral("A|*.a|B|*.b||")).toStdString(), "A (*.a);;B (*.b)");
  EXPECT_EQ(QtNameFilters(QString()).toStdString(), "");
}

class FinishPageTest : public SheetTest {
 protected:
  CPropertyPageFinish* ShowFinish(int job, std::vector<SReportLine> report, std::vector<SSourceWarning> warnings = {}) {
    state.job = job;
    auto* finish = Page<CPropertyPageFinish>(kPageFinish);
    state.report = std::move(report);
    state.warnings = std::move(warnings);
    finish->OnSetActive();
    Settle();
    return finish;
  }
};

// Each failed file's line, and under it its reason, indented line by line, as plain text; then
// the warnings under their heading, which leave the outcome a success.
TEST_F(FinishPageTest, OutcomeAndDetailsFollowTheJobAndTheReport) {
  struct SCase {
    int job;
    std::vector<SReportLine> report;
    int outcome;
    std::string details;
    std::vector<SSourceWarning> warnings;
  };
  const SSourceWarning padded = STrailingBytes{3, 515}.Warning("/t.wpt");
  const std::vector<SCase> cases = {
      {0, {}, IDS_CONVERSION_SUCCESS, "Warnings:\n    " + padded.Text() + "\n", {padded}},
      {0,
       {{"An error occured while converting file /b.trk.", ""}},
       IDS_CONVERSION_FAILURES,
       "An error occured while converting file /b.trk.\nWarnings:\n    " + padded.Text() + "\n    " + padded.Text() +
           "\n",
       {padded, padded}},
      {0, {}, IDS_CONVERSION_SUCCESS, "", {}},
      {0,
       {{"An error occured while loading file /a.wpt.", "byte 12: the header's version 9 is unknown"},
        {"An error occured while converting file /b.trk.", ""}},
       IDS_CONVERSION_FAILURES,
       "An error occured while loading file /a.wpt.\n    byte 12: the header's version 9 is unknown\n"
       "An error occured while converting file /b.trk.\n",
       {}},
      {1, {}, IDS_MAP_SUCCESS, "", {}},
      {1,
       {{"An error occured while copying file /m.imi.", "cannot read /m.imi:\nInput/output error"}},
       IDS_MAP_FAILURES,
       "An error occured while copying file /m.imi.\n    cannot read /m.imi:\n    Input/output error\n",
       {}},
      {0,
       {{"An error occured while loading file /x/<b>bold</b>&amp;.wpt.", "line 1: <gpx> &lt;"}},
       IDS_CONVERSION_FAILURES,
       "An error occured while loading file /x/<b>bold</b>&amp;.wpt.\n    line 1: <gpx> &lt;\n",
       {}},
  };
  for (const SCase& c : cases) {
    CPropertyPageFinish* finish = ShowFinish(c.job, c.report, c.warnings);
    EXPECT_EQ(finish->Outcome()->text(), state.testResources.String(c.outcome));
    EXPECT_EQ(finish->Details()->isVisibleTo(finish), !c.details.empty());
    EXPECT_EQ(finish->Details()->toPlainText().toStdString(), c.details);
    EXPECT_FALSE(finish->Details()->textCursor().hasSelection());
    EXPECT_EQ(sheet.WizardButtons(), kButtonBack | kButtonFinish);
  }
}

TEST_F(FinishPageTest, SaysWhetherTheVolumeTheJobWroteToMayBeUnplugged) {
  using ENote = CWizardState::EVolumeNote;
  const std::vector<std::pair<ENote, std::string>> cases = {
      {ENote::kNone, ""},
      {ENote::kUnitEjected, "Your Tavrelin Norvantis was ejected. You can unplug it now."},
      {ENote::kUnitNotEjected,
       "Your Tavrelin Norvantis could not be ejected. Eject it from your desktop before you unplug it."},
      {ENote::kStillMounted,
       "MAPS <2024> (/media/ann/MAPS) is still mounted. Eject it from your desktop before you unplug it."},
  };
  state.volumeName = "MAPS <2024> (/media/ann/MAPS)";
  for (const auto& [note, text] : cases) {
    state.volumeNote = note;
    CPropertyPageFinish* finish = ShowFinish(1, {});
    EXPECT_EQ(finish->VolumeNoteLabel()->text().toStdString(), text);
    EXPECT_EQ(finish->VolumeNoteLabel()->isVisibleTo(finish), !text.empty());
    EXPECT_EQ(finish->VolumeNoteLabel()->textFormat(), Qt::PlainText);
  }
}

TEST_F(FinishPageTest, BackEmptiesTheJobAndReturnsToWhereFilesWereChosen) {
  for (const auto& [job, target] : std::vector<std::pair<int, int>>{{0, kPageDestination}, {1, kPageMap}, {7, 0}}) {
    state.job = job;
    state.report = {{"line", "reason"}};
    state.warnings = {STrailingBytes{1, 2}.Warning("/s")};
    state.filePairs.Set("/t", "/s");
    state.volumeNote = CWizardState::EVolumeNote::kStillMounted;
    EXPECT_EQ(Page<CPropertyPageFinish>(kPageFinish)->OnWizardBack(), target);
    EXPECT_TRUE(state.report.empty());
    EXPECT_TRUE(state.warnings.empty());
    EXPECT_TRUE(state.filePairs.Empty());
    EXPECT_EQ(state.volumeNote, CWizardState::EVolumeNote::kNone);
  }
}

}  // namespace
