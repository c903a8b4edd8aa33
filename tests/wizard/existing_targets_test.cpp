// Targets that are there already: which rows are asked about before the job, and the names that
// keep both files.
#include "wizard/existing_targets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/temp_folder.h"

namespace {

class ExistingTargetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"docs/trip.wpt", "docs/morning.trk", "docs/morning_1.trk", "unit/trip.upt", "unit2/a.upt"})
      folder.File(file, "the user's own");
    std::filesystem::create_symlink(folder.Path("docs/nowhere"), folder.Path("docs/link.wpt"));
  }
  std::string P(const std::string& relative) const { return folder.Path(relative); }

  CTempFolder folder;
};

TEST_F(ExistingTargetsTest, AsksAboutExistingFilesOffTheUnitThatTheSaveDialogDidNotAskAbout) {
  struct SCase {
    std::string target;
    bool namedInDialog;
    bool asked;
  };
  const std::vector<SCase> cases = {
      {P("docs/trip.wpt"), false, true},
      {P("docs/trip_1.wpt"), false, false},  // nothing there
      {P("unit/trip.upt"), false, false},    // replaced on the unit as an update
      {P("unit2/a.upt"), false, true},       // a folder whose name merely begins like the unit's
      {P("docs/morning.trk"), true, false},  // the save dialog asked
      {P("docs/link.wpt"), false, true},     // a link to nothing is still there
      {P("docs"), false, true},              // so is a folder, which the job cannot replace
  };
  std::vector<std::string> targets;
  std::vector<bool> named;
  std::vector<std::size_t> expected;
  for (const SCase& test : cases) {
    if (test.asked) expected.push_back(targets.size());
    targets.push_back(test.target);
    named.push_back(test.namedInDialog);
  }
  EXPECT_EQ(RowsToConfirm(targets, named, P("unit")), expected);
  EXPECT_EQ(RowsToConfirm({P("unit/trip.upt")}, {}, ""), std::vector<std::size_t>{0}) << "no unit: all off it";
}

TEST_F(ExistingTargetsTest, KeepingBothNumbersTheNewFilesPastRowsSourcesAndExistingFiles) {
  const std::vector<std::string> targets = {P("docs/trip.wpt"), P("docs/trip_1.wpt"), P("docs/morning.trk"),
                                            P("docs/walk.trk")};
  const std::vector<std::string> sources = {P("docs/trip_2.wpt")};
  EXPECT_EQ(KeepBothNames(targets, {0, 2}, sources),
            (std::vector<std::string>{P("docs/trip_3.wpt"), P("docs/trip_1.wpt"), P("docs/morning_2.trk"),
                                      P("docs/walk.trk")}));
}

}  // namespace
