// The conversion page: what it shows before, during and after the job, and that the job may run on
// a thread of its own while the wizard refuses to close.
#include "wizard/logic/conversion_logic.h"

#include <gtest/gtest.h>

#include <mutex>

#include "resources/string_ids.h"
#include "tests/formats/golden_support.h"
#include "tests/temp_folder.h"
#include "tests/wizard/logic/logic_test_support.h"

namespace {

// Records the pairs done and the threads that told them.
class CRecordedProgress : public CConversionProgress {
 public:
  void OnPairsDone(std::size_t done) override {
    const std::lock_guard<std::mutex> lock(m_mutex);
    counts.push_back(done);
    threads.push_back(std::this_thread::get_id());
  }
  std::vector<std::size_t> counts;
  std::vector<std::thread::id> threads;

 private:
  std::mutex m_mutex;
};

class ConversionLogicTest : public ::testing::Test {
 protected:
  explicit ConversionLogicTest(CJobRunner* runner = nullptr) : state(runner) {
    state.testMode = true;
    state.temp = unit.Path();
    state.unit.SetDrive(unit.Path());
    conversion.page.SetProgressObserver(&progress);
  }

  CTempFolder unit;
  CTempFolder docs;
  CThreadJobRunner threads;
  CTestState state;
  SPageUnderTest<CConversionLogic> conversion{state};
  CRecordedProgress progress;
};

TEST_F(ConversionLogicTest, ShowsTheJobRunningThenDoneWithOneLinePerFailedFile) {
  const std::string trip = docs.File("trip.wpt", ReadBytes(FixturePath("trip~saved.wpt")));
  const std::string broken = docs.File("broken.trk", "not a track file");
  state.filePairs.Set(unit.Path("trip.upt"), trip);
  state.filePairs.Set(unit.Path("trip.rte"), trip);
  state.filePairs.Set(unit.Path("broken.log"), broken);
  state.report = {{"left from before", ""}};
  state.volumeNote = CWizardState::EVolumeNote::kStillMounted;

  CConversionLogic& page = conversion.page;
  conversion.Activate();
  EXPECT_EQ(conversion.sheet.PostedButtons(), kButtonNone) << "nothing can be pressed while the job runs";
  EXPECT_EQ(page.Status(), "Conversion and transfer in progress. Please wait ...");
  EXPECT_FALSE(page.HintShown());
  EXPECT_EQ(page.PairCount(), 3u);
  EXPECT_EQ(page.PairsDone(), 0u);
  EXPECT_TRUE(state.report.empty());
  EXPECT_EQ(state.volumeNote, CWizardState::EVolumeNote::kNone);
  EXPECT_EQ(conversion.site.timers, (std::map<int, int>{{1, 1}})) << "the job waits until the page is painted";
  EXPECT_FALSE(page.Done());

  conversion.FireTimers();
  EXPECT_TRUE(page.Done());
  EXPECT_EQ(progress.counts, (std::vector<std::size_t>{2, 3})) << "a .wpt's two targets are done together";
  EXPECT_EQ(page.PairsDone(), 3u);
  EXPECT_EQ(page.Status(), "Conversion and transfer completed.");
  EXPECT_TRUE(page.HintShown());
  EXPECT_EQ(conversion.sheet.PostedButtons(), kButtonNext);
  EXPECT_EQ(state.testWait.busyDepth, 0);
  EXPECT_EQ(ReportTexts(state.report),
            (std::vector<std::string>{"An error occured while loading file " + broken + "."}));
  EXPECT_EQ(ReadBytes(unit.Path("trip.upt")), ReadBytes(FixturePath("trip~unit.upt")));
  EXPECT_EQ(state.volumeNote, CWizardState::EVolumeNote::kNone) << "test mode's unit is not ejected";
}

TEST_F(ConversionLogicTest, AnEmptyJobCompletesAtOnce) {
  conversion.Activate();
  EXPECT_EQ(conversion.page.PairCount(), 0u);
  conversion.FireTimers();
  EXPECT_TRUE(conversion.page.Done());
  EXPECT_TRUE(progress.counts.empty());
  EXPECT_TRUE(state.report.empty());
  EXPECT_EQ(conversion.sheet.PostedButtons(), kButtonNext);
}

TEST_F(ConversionLogicTest, AnUnusableCodePageIsSaidWithItsReason) {
  EXPECT_FALSE(conversion.page.CodePageNoteShown());
  state.codePage = "CP1252";
  state.codePageProblem = "UTF-8 is no ANSI code page";
  EXPECT_TRUE(conversion.page.CodePageNoteShown());
  EXPECT_EQ(conversion.page.CodePageNote(),
            "The code page set in TRANSVANE_CODEPAGE cannot be used for the names of these files: CP1252 is used "
            "instead.");
  EXPECT_EQ(conversion.page.CodePageProblem(), "UTF-8 is no ANSI code page");
}

class ConversionOnAThreadTest : public ConversionLogicTest {
 protected:
  ConversionOnAThreadTest() : ConversionLogicTest(&threads) {}
};

TEST_F(ConversionOnAThreadTest, TheWizardRefusesToCloseUntilTheJobIsDone) {
  const std::string trip = docs.File("trip.wpt", ReadBytes(FixturePath("trip~saved.wpt")));
  state.filePairs.Set(unit.Path("trip.upt"), trip);
  conversion.Activate();
  EXPECT_TRUE(conversion.sheet.QueryClose());
  conversion.FireTimers();
  EXPECT_FALSE(conversion.sheet.QueryClose()) << "the job cannot be stopped half-way";
  EXPECT_EQ(state.testWait.busyDepth, 1);
  ASSERT_TRUE(threads.Finish());
  EXPECT_TRUE(conversion.page.Done());
  EXPECT_TRUE(conversion.sheet.QueryClose());
  EXPECT_EQ(state.testWait.busyDepth, 0);
  ASSERT_EQ(progress.threads.size(), 1u);
  EXPECT_NE(progress.threads[0], std::this_thread::get_id()) << "told from the thread the job ran on";
  EXPECT_TRUE(state.report.empty());
}

}  // namespace
