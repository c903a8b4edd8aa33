// The Finish page: the outcome, the report with its reasons, the volume note, and Back.
#include "wizard/logic/finish_logic.h"

#include <gtest/gtest.h>

#include "resources/string_ids.h"
#include "tests/wizard/logic/logic_test_support.h"

namespace {

class FinishLogicTest : public ::testing::Test {
 protected:
  CFinishLogic& Show(int job, std::vector<SReportLine> report, std::vector<SSourceWarning> warnings = {}) {
    state.job = job;
    state.report = std::move(report);
    state.warnings = std::move(warnings);
    finish.page.OnSetActive();
    return finish.page;
  }
  CTestState state;
  SPageUnderTest<CFinishLogic> finish{state};
};

// Each failed file's line, and under it its reason, indented line by line, as plain text; then
// the warnings under their heading, which leave the outcome a success.
TEST_F(FinishLogicTest, OutcomeAndDetailsFollowTheJobAndTheReport) {
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
      {0, {}, IDS_CONVERSION_SUCCESS, ""},
      {0,
       {{"An error occured while loading file /a.wpt.", "byte 12: the header's version 9 is unknown"},
        {"An error occured while converting file /b.trk.", ""}},
       IDS_CONVERSION_FAILURES,
       "An error occured while loading file /a.wpt.\n    byte 12: the header's version 9 is unknown\n"
       "An error occured while converting file /b.trk.\n"},
      {1, {}, IDS_MAP_SUCCESS, ""},
      {1,
       {{"An error occured while copying file /m.imi.", "cannot read /m.imi:\nInput/output error"}},
       IDS_MAP_FAILURES,
       "An error occured while copying file /m.imi.\n    cannot read /m.imi:\n    Input/output error\n"},
      {7, {}, IDS_MAP_FAILURES, ""},  // a job of no known kind leaves the outcome as it was
  };
  for (const SCase& c : cases) {
    const CFinishLogic& page = Show(c.job, c.report, c.warnings);
    EXPECT_EQ(page.Outcome(), state.texts.Utf8String(c.outcome)) << c.job;
    EXPECT_EQ(page.DetailsShown(), !c.details.empty());
    EXPECT_EQ(page.Details(), c.details);
    EXPECT_EQ(finish.sheet.PostedButtons(), kButtonBack | kButtonFinish);
  }
  // A moment after it is shown, the details' caret goes to the start, nothing selected.
  finish.site.refreshed = 0;
  finish.FireTimers();
  EXPECT_EQ(finish.site.refreshed, static_cast<unsigned>(CFinishLogic::kCaret));
}

TEST_F(FinishLogicTest, SaysWhetherTheVolumeTheJobWroteToMayBeUnplugged) {
  using ENote = CWizardState::EVolumeNote;
  const std::vector<std::pair<ENote, std::string>> cases = {
      {ENote::kNone, ""},
      {ENote::kUnitEjected, "Your Tavrelin Norvantis was ejected. You can unplug it now."},
      {ENote::kUnitNotEjected,
       "Your Tavrelin Norvantis could not be ejected. Eject it from your desktop before you unplug it."},
      {ENote::kStillMounted,
       "MAPS %s (/media/ann/MAPS) is still mounted. Eject it from your desktop before you unplug it."},
  };
  state.volumeName = "MAPS %s (/media/ann/MAPS)";
  for (const auto& [note, text] : cases) {
    state.volumeNote = note;
    EXPECT_EQ(Show(1, {}).VolumeNote(), text);
  }
}

TEST_F(FinishLogicTest, BackEmptiesTheJobAndReturnsToWhereFilesWereChosen) {
  for (const auto& [job, target] : std::vector<std::pair<int, int>>{{0, kPageDestination}, {1, kPageMap}, {7, 0}}) {
    state.job = job;
    state.report = {{"line", "reason"}};
    state.warnings = {STrailingBytes{1, 2}.Warning("/s")};
    state.filePairs.Set("/t", "/s");
    state.volumeNote = CWizardState::EVolumeNote::kStillMounted;
    EXPECT_EQ(finish.page.OnWizardBack(), target);
    EXPECT_TRUE(state.report.empty());
    EXPECT_TRUE(state.warnings.empty());
    EXPECT_TRUE(state.filePairs.Empty());
    EXPECT_EQ(state.volumeNote, CWizardState::EVolumeNote::kNone);
  }
}

}  // namespace
