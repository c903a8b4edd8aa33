// The Qt sheet over the wizard's logic: titles, radio groups, keys, focus, closing, the buttons'
// look, and the Finish page's controls.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include "resources/string_ids.h"
#include "tests/formats/golden_support.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_finish.h"
#include "wizard/pages/page_select_mode.h"
#include "wizard/pages/page_welcome.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/wizard_pages.h"

namespace {

class SheetTest : public ::testing::Test {
 protected:
  SheetTest() {
    state.testMode = true;
    state.temp = temp.Path();
    state.documents = temp.Path();
    AddWizardPages(sheet, pages, state.testResources);
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
  CQtTestState state;
  CWizardPages pages{state};
  CPropertySheet_ sheet{state, state.testResources};
};

TEST_F(SheetTest, EveryPageShowsTheCaptionAndItsOwnTitle) {
  EXPECT_EQ(sheet.windowTitle().toStdString(), "Tavrelin Transvane - v1.07");
  EXPECT_EQ(sheet.HeaderTitle().toStdString(), "Welcome");
  Next();
  EXPECT_EQ(sheet.HeaderTitle().toStdString(), "Connect your Tavrelin Norvantis");
  EXPECT_EQ(sheet.windowTitle().toStdString(), "Tavrelin Transvane - v1.07");
}

// The radio groups tell the logic the user's choice, and show the one the state holds.
TEST_F(SheetTest, RadioGroupsCarryTheChoiceToTheStateAndBack) {
  auto* welcome = Page<CPropertyPageWelcome>(kPageWelcome);
  auto* mode = Page<CPropertyPageSelectMode>(kPageSelectMode);
  EXPECT_TRUE(welcome->ConvertChoice()->isChecked());
  EXPECT_FALSE(sheet.BackButton()->isEnabled());
  welcome->MapsChoice()->setChecked(true);
  Next();
  EXPECT_EQ(Current(), kPageFindCard);
  EXPECT_EQ(state.job, 1);
  Back();
  EXPECT_TRUE(welcome->MapsChoice()->isChecked());
  welcome->ConvertChoice()->setChecked(true);
  Next();
  Next();
  ASSERT_EQ(Current(), kPageSelectMode);
  EXPECT_TRUE(mode->ToUnitChoice()->isChecked());
  mode->ToDesktopChoice()->setChecked(true);
  Back();
  EXPECT_EQ(state.direction, 1);
  state.direction = 2;
  Next();
  EXPECT_TRUE(mode->ToGpxChoice()->isChecked());
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
  files->RightBrowse()->click();
  Settle();
  PressKey(files->LeftList(), Qt::Key_Return);
  EXPECT_EQ(Current(), kPageConversion);
  ASSERT_TRUE(WaitUntil([&] { return (sheet.WizardButtons() & kButtonNext) != 0; }));
  PressKey(sheet.CurrentPage(), Qt::Key_Return);
  EXPECT_EQ(Current(), kPageFinish);
  PressKey(finish->Details(), Qt::Key_Return);
  EXPECT_TRUE(finished) << "Finish closes the wizard";
}

// A page shown by a mouse click on Next (the click leaves the focus on the button) has the focus
// on its first control or on its default button, never on Back: Enter from there goes on, and on
// the Finish page it finishes rather than going back and clearing the lists.
TEST_F(SheetTest, AfterAClickTheFocusIsOnThePageOrItsDefaultButtonNeverOnBack) {
  QApplication::setActiveWindow(&sheet);
  auto* mode = Page<CPropertyPageSelectMode>(kPageSelectMode);
  auto* files = Page<CPropertyPageDestination>(kPageDestination);
  bool finished = false;
  QObject::connect(&sheet, &CPropertySheet_::Finished, [&finished] { finished = true; });
  const auto click = [&](QPushButton* button) {
    button->setFocus(Qt::MouseFocusReason);
    button->click();
    Settle();
  };
  struct SStep {
    QPushButton* clicked;
    int page;
    std::function<QWidget*()> focus;
  };
  const std::vector<SStep> steps = {
      {sheet.NextButton(), kPageFindUnit, [&] { return sheet.NextButton(); }},  // a page without controls
      {sheet.NextButton(), kPageSelectMode, [&] { return mode->ToUnitChoice(); }},
      {sheet.BackButton(), kPageFindUnit, [&] { return sheet.NextButton(); }},
      {sheet.NextButton(), kPageSelectMode, [&] { return mode->ToUnitChoice(); }},
      {sheet.NextButton(), kPageDestination, [&] { return files->LeftBrowse(); }},
  };
  for (const SStep& step : steps) {
    click(step.clicked);
    ASSERT_EQ(Current(), step.page);
    EXPECT_EQ(sheet.focusWidget(), step.focus()) << step.page;
  }
  state.testDialogs.openAnswers.push_back({temp.File("walk.trk", ReadBytes(FixturePath("morning~desktop.trk")))});
  files->LeftBrowse()->click();
  Settle();
  EXPECT_EQ(sheet.focusWidget(), files->RightBrowse()) << "after adding, the renaming button";
  click(sheet.NextButton());
  ASSERT_TRUE(WaitUntil([&] { return (sheet.WizardButtons() & kButtonNext) != 0; }));
  EXPECT_EQ(sheet.focusWidget(), sheet.NextButton()) << "the job's end offers Next";
  click(sheet.NextButton());
  ASSERT_EQ(Current(), kPageFinish);
  ASSERT_TRUE(state.report.empty());
  EXPECT_EQ(sheet.focusWidget(), sheet.FinishButton());
  PressKey(sheet.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_TRUE(finished);
}

TEST_F(SheetTest, EscClosesTheWizardFromAnyControlUnlessTheLogicRefuses) {
  Next();
  Next();
  Next();
  bool finished = false;
  QObject::connect(&sheet, &CPropertySheet_::Finished, [&finished] { finished = true; });
  state.ShowWaitBox();
  PressKey(Page<CPropertyPageDestination>(kPageDestination)->LeftList(), Qt::Key_Escape);
  EXPECT_FALSE(finished) << "not while the please-wait box shows";
  state.CloseWaitBox();
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
    pages.destination.OnSetActive();
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

// A page whose activation posts two button states.
class CPostingPage : public CPageLogic {
 public:
  CPostingPage(CWizardState& state, int id) : CPageLogic(state, id, IDS_TITLE_WELCOME) {}
  bool OnSetActive() override {
    SetWizardButtons(kButtonBack);
    SetWizardButtons(kButtonNext | kButtonFinish);
    return true;
  }
};

TEST(SheetButtonsTest, ButtonStatesApplyAfterTheHandlerAndFinishTakesNextsPlace) {
  CQtTestState state;
  CPostingPage logic(state, 1);
  CPropertySheet_ sheet(state, state.testResources);
  sheet.AddPage(new CPropertyPage_(logic, state.testResources));
  sheet.Start();
  EXPECT_EQ(sheet.WizardButtons(), kButtonNone) << "requests are queued, not applied at once";
  Settle();
  EXPECT_EQ(sheet.WizardButtons(), kButtonNext | kButtonFinish);
  EXPECT_TRUE(sheet.FinishButton()->isVisibleTo(&sheet));
  EXPECT_TRUE(sheet.FinishButton()->isDefault());
  EXPECT_FALSE(sheet.NextButton()->isVisibleTo(&sheet));
  EXPECT_FALSE(sheet.BackButton()->isEnabled());
}

TEST(DialogFilterTest, StringTableFiltersBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters(QStringLiteral("Waypoint/Route (*.wpt) - Track (*.trk)|*.wpt;*.trk||")).toStdString(),
            "Waypoint/Route (*.wpt) - Track (*.trk) (*.wpt *.trk)");
  EXPECT_EQ(QtNameFilters(QStringLiteral("A|*.a|B|*.b||")).toStdString(), "A (*.a);;B (*.b)");
  EXPECT_EQ(QtNameFilters(QString()).toStdString(), "");
}

// The report is plain text, never markup, with the caret at its start and nothing selected; the
// details box and the volume note hide when the logic has nothing for them.
TEST_F(SheetTest, TheFinishPageShowsTheReportAndTheVolumeNoteAsPlainText) {
  auto* finish = Page<CPropertyPageFinish>(kPageFinish);
  struct SCase {
    std::vector<SReportLine> report;
    CWizardState::EVolumeNote note;
  };
  state.volumeName = "MAPS <b>2024</b>";
  const std::vector<SCase> cases = {
      {{{"An error occured while loading file /x/<b>bold</b>&amp;.wpt.", "line 1: <gpx> &lt;"}},
       CWizardState::EVolumeNote::kStillMounted},
      {{}, CWizardState::EVolumeNote::kNone},
  };
  for (const SCase& c : cases) {
    state.report = c.report;
    state.volumeNote = c.note;
    sheet.Logic().Activate(sheet.Logic().IndexOf(kPageFinish));
    Settle();
    EXPECT_EQ(finish->Outcome()->text().toStdString(), pages.finish.Outcome());
    EXPECT_EQ(finish->Details()->toPlainText().toStdString(), pages.finish.Details());
    EXPECT_EQ(finish->Details()->isVisibleTo(finish), !c.report.empty());
    EXPECT_FALSE(finish->Details()->textCursor().hasSelection());
    EXPECT_EQ(finish->Details()->textCursor().position(), 0);
    EXPECT_EQ(finish->VolumeNoteLabel()->text().toStdString(), pages.finish.VolumeNote());
    EXPECT_EQ(finish->VolumeNoteLabel()->isVisibleTo(finish), !pages.finish.VolumeNote().empty());
    EXPECT_EQ(finish->VolumeNoteLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(sheet.WizardButtons(), kButtonBack | kButtonFinish);
  }
}

}  // namespace
