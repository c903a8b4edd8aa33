// The file selection page: rows, unique names, renaming, removing, button states, the preview's
// source, drops, the question before replacing, and the pairs.
#include "wizard/logic/destination_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "jobs/gpx_conversion_job.h"
#include "resources/string_ids.h"
#include "tests/formats/golden_support.h"
#include "tests/temp_folder.h"
#include "tests/wizard/logic/logic_test_support.h"

namespace {

using Rows = std::vector<std::string>;
constexpr int kLeft = CDestinationLogic::kLeft;
constexpr int kRight = CDestinationLogic::kRight;

class DestinationLogicTest : public ::testing::Test {
 protected:
  DestinationLogicTest() {
    state.testMode = true;
    state.temp = unit.Path();
    state.documents = docs.Path();
    state.unit.SetDrive(unit.Path());
    files.Activate();
  }
  CDestinationLogic& Page() { return files.page; }
  CScriptedDialogs& Dialogs() { return state.testDialogs; }
  void Add(Rows sources) {
    Dialogs().openAnswers.push_back(std::move(sources));
    Page().AddSourceFiles();
  }
  Rows Paths(int side) { return Page().Paths(side); }
  Rows Selected(int side) {
    Rows rows;
    for (const SFileRow& row : Page().Side(side).rows) {
      if (row.selected) rows.push_back(row.path);
    }
    return rows;
  }
  void Reactivate(int direction) {
    state.direction = direction;
    Page().OnSetActive();
  }
  int Buttons() const { return files.sheet.PostedButtons(); }
  // The patterns of an open dialog's first filter ("*.wpt;*.trk").
  static std::string Patterns(const std::string& filter) {
    const auto first = filter.find('|');
    return filter.substr(first + 1, filter.find('|', first + 1) - first - 1);
  }

  CTempFolder unit;
  CTempFolder docs;
  CTestState state;
  SPageUnderTest<CDestinationLogic> files{state};
};

TEST_F(DestinationLogicTest, AWaypointFileGivesTwoRowsAndARepeatedTrackANumberedName) {
  Add({"/home/ann/trip.wpt", "/home/ann/walk.trk"});
  Add({"/home/ann/walk.trk"});
  const std::string u = unit.Path();
  EXPECT_EQ(Paths(kLeft),
            (Rows{"/home/ann/trip.wpt", "/home/ann/trip.wpt", "/home/ann/walk.trk", "/home/ann/walk.trk"}));
  EXPECT_EQ(Paths(kRight), (Rows{u + "/trip.upt", u + "/trip.rte", u + "/walk.log", u + "/walk_1.log"}));
  // The open dialog offered the desktop files from the documents folder.
  EXPECT_EQ(Dialogs().calls[0].filter,
            "Waypoint/Route (*.wpt) - Track (*.trk) - GPX Waypoint/Route/Track (*.gpx)|*.wpt;*.trk;*.gpx"
            "|Waypoint/Route (*.wpt)|*.wpt|Track (*.trk)|*.trk|GPX Waypoint/Route/Track (*.gpx)|*.gpx||");
  EXPECT_EQ(Dialogs().calls[0].folder, docs.Path());
  EXPECT_EQ(Page().ArrowIcon(), 144);
}

TEST_F(DestinationLogicTest, ButtonsAndHintFollowTheRowsAndTheSelection) {
  struct SState {
    bool leftBrowse, rightBrowse, leftRemove, rightRemove, hint;
    int buttons;
  };
  const auto expect = [&](const SState& s, const char* when) {
    EXPECT_EQ(Page().Side(kLeft).browseEnabled, s.leftBrowse) << when;
    EXPECT_EQ(Page().Side(kRight).browseEnabled, s.rightBrowse) << when;
    EXPECT_EQ(Page().Side(kLeft).removeEnabled, s.leftRemove) << when;
    EXPECT_EQ(Page().Side(kRight).removeEnabled, s.rightRemove) << when;
    EXPECT_EQ(Page().HintShown(), s.hint) << when;
    EXPECT_EQ(Buttons(), s.buttons) << when;
  };
  expect({true, false, false, false, false, kButtonBack}, "empty");
  Add({"/d/a.wpt", "/d/b.trk"});
  EXPECT_EQ(Selected(kRight), (Rows{unit.Path("b.log")})) << "the last target row is selected";
  expect({true, true, false, true, true, kButtonBack | kButtonNext}, "added");
  Page().SetSelection(kRight, {0, 1}, 1);
  expect({true, false, false, true, true, kButtonBack | kButtonNext}, "renaming needs exactly one row");
  Page().SetSelection(kLeft, {2}, 2);
  expect({true, false, true, true, true, kButtonBack | kButtonNext}, "a row on each side");
  Page().SetSelection(kRight, {}, -1);
  Page().SetSelection(kLeft, {}, -1);
  expect({true, false, false, false, true, kButtonBack | kButtonNext}, "none selected");
}

TEST_F(DestinationLogicTest, CancellingTheOpenDialogStillSelectsTheLastTargetRow) {
  Add({"/d/a.wpt"});
  Page().SetSelection(kRight, {0}, 0);
  Page().AddSourceFiles();  // no answer scripted: cancelled
  EXPECT_EQ(Selected(kRight), (Rows{unit.Path("a.rte")}));
  EXPECT_EQ(Paths(kRight).size(), 2u);
  EXPECT_EQ(Page().FocusSide(), kRight) << "the focus goes to the renaming button";
}

TEST_F(DestinationLogicTest, RemovingRowsRemovesTheSameRowsOfTheOtherList) {
  Add({"/d/a.wpt", "/d/b.trk", "/d/c.trk"});
  Page().SetSelection(kLeft, {0, 3}, 3);
  Page().Remove(kLeft);
  EXPECT_EQ(Paths(kLeft), (Rows{"/d/a.wpt", "/d/b.trk"}));
  EXPECT_EQ(Paths(kRight), (Rows{unit.Path("a.rte"), unit.Path("b.log")}));
  Page().SetSelection(kRight, {1}, 1);
  Page().Remove(kRight);
  EXPECT_EQ(Paths(kLeft), (Rows{"/d/a.wpt"}));
  EXPECT_EQ(Paths(kRight), (Rows{unit.Path("a.rte")}));
}

TEST_F(DestinationLogicTest, RenamingATargetRefusesListedNamesAndTheJobsSources) {
  Add({"/d/a.wpt"});
  const std::string moved = docs.Path() + "/new/deeper/a.rte";
  // The row's own name counts as listed; so does another row's name and a source of the job.
  Dialogs().saveAnswers = {unit.Path("a.rte"), unit.Path("A.UPT"), "/d/a.wpt", moved};
  for (int i = 0; i < 3; ++i) Page().Browse(kRight);
  EXPECT_EQ(Dialogs().Count("warn"), 3);
  EXPECT_EQ(Dialogs().calls.back().text,
            "A file with the same name already exists in the list of files to generate.\nThe file name will not be "
            "changed.");
  EXPECT_EQ(Dialogs().calls.back().caption, "Warning : File name already exists.");
  EXPECT_EQ(Paths(kRight), (Rows{unit.Path("a.upt"), unit.Path("a.rte")}));

  Page().Browse(kRight);
  EXPECT_EQ(Paths(kRight), (Rows{unit.Path("a.upt"), moved}));
  EXPECT_EQ(Paths(kLeft), (Rows{"/d/a.wpt", "/d/a.wpt"}));
  EXPECT_EQ(Selected(kRight), (Rows{moved})) << "the renamed row stays the one selected";
  EXPECT_TRUE(Page().Side(kRight).browseEnabled);
  EXPECT_EQ(Dialogs().Count("warn"), 3) << "a free name is taken without a warning";
}

// Automatic names follow the same rule as a rename: a row that is the same file, however it is
// written, holds the name back.
TEST_F(DestinationLogicTest, AutomaticNamesAvoidRowsThatAreTheSameFile) {
  Add({"/d/a.wpt"});
  Dialogs().saveAnswers = {unit.Path("sub/../b.rte")};
  Page().Browse(kRight);
  Add({"/d/b.wpt"});
  EXPECT_EQ(Paths(kRight),
            (Rows{unit.Path("a.upt"), unit.Path("sub/../b.rte"), unit.Path("b.upt"), unit.Path("b_1.rte")}));
}

TEST_F(DestinationLogicTest, TheSaveDialogStartsAtTheTargetWithItsKindsFilter) {
  Add({"/d/walk.trk"});
  std::filesystem::remove_all(unit.Path());
  Page().Browse(kRight);  // cancelled
  const CScriptedDialogs::SCall& save = Dialogs().calls.back();
  EXPECT_EQ(save.kind, "save");
  EXPECT_EQ(save.filter, state.texts.Utf8String(IDS_FILTER_LOG));
  EXPECT_EQ(save.folder, unit.Path() + "/");
  EXPECT_EQ(save.fileName, "walk.log");
  EXPECT_EQ(save.extension, "log");
  EXPECT_TRUE(std::filesystem::is_directory(unit.Path())) << "the target's folder is created for the dialog";
}

TEST_F(DestinationLogicTest, NextTurnsTheRowsIntoPairsInRowOrderAndEmptiesTheLists) {
  Add({"/d/b.wpt", "/d/a.trk"});
  state.filePairs.Set("/stale", "/old");
  EXPECT_EQ(Page().OnWizardNext(), 0);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& pair : state.filePairs) pairs.emplace_back(pair.target, pair.source);
  EXPECT_EQ(pairs,
            (std::vector<std::pair<std::string, std::string>>{
                {unit.Path("b.upt"), "/d/b.wpt"}, {unit.Path("b.rte"), "/d/b.wpt"}, {unit.Path("a.log"), "/d/a.trk"}}));
  EXPECT_TRUE(Paths(kLeft).empty());
  EXPECT_TRUE(Paths(kRight).empty());
  EXPECT_EQ(Page().PreviewSource(), "");
  Page().OnSetActive();
  EXPECT_TRUE(state.filePairs.Empty()) << "the pairs are made anew on every visit";
}

// A target that names an existing file is marked, in either direction. Next asks once about those
// off the unit: keeping both numbers the new files, replacing keeps the names, going back stays.
TEST_F(DestinationLogicTest, ExistingTargetsAreMarkedAndNextAsksOnceBeforeReplacingThemOffTheUnit) {
  const std::string replacedTip = state.texts.Utf8DialogText(kPageDestination, "replacedTip");
  const auto marked = [&](int side) {
    std::vector<bool> rows;
    for (const SFileRow& row : Page().Side(side).rows) rows.push_back(row.exists);
    return rows;
  };
  unit.File("a.upt", "on the unit");
  Add({"/d/a.wpt"});
  EXPECT_EQ(marked(kRight), (std::vector<bool>{true, false}));
  EXPECT_EQ(Page().Side(kRight).rows[0].tip, unit.Path("a.upt") + "\n" + replacedTip);
  EXPECT_EQ(Page().Side(kRight).rows[1].tip, unit.Path("a.rte"));
  EXPECT_EQ(Page().OnWizardNext(), 0) << "files on the unit are replaced without a question";
  EXPECT_EQ(Dialogs().Count("choice"), 0);

  const std::string d = docs.Path();
  docs.File("r.wpt", "the user's route");
  docs.File("w.trk", "the user's track");
  struct SCase {
    int answer;  // keep both, replace, go back
    int result;
    Rows pairs;  // the targets of the pairs, in row order
  };
  const std::vector<SCase> cases = {
      {0, 0, {d + "/r_2.wpt", d + "/r_1.wpt", d + "/w_1.trk"}},
      {1, 0, {d + "/r.wpt", d + "/r_1.wpt", d + "/w.trk"}},
      {2, kPageDestination, {}},
  };
  for (const SCase& test : cases) {
    Reactivate(1);
    Dialogs().calls.clear();
    Dialogs().openAnswers.push_back({unit.Path("r.upt"), unit.Path("r.rte"), unit.Path("w.log")});
    Page().Browse(kRight);
    EXPECT_EQ(marked(kLeft), (std::vector<bool>{true, false, true}));
    Dialogs().choiceAnswers = {test.answer};
    EXPECT_EQ(Page().OnWizardNext(), test.result);
    ASSERT_EQ(Dialogs().Count("choice"), 1);
    const CScriptedDialogs::SCall& question = Dialogs().calls.back();
    EXPECT_EQ(question.text, "These files already exist and would be replaced by the converted files:\n" + d +
                                 "/r.wpt\n" + d +
                                 "/w.trk\n\nKeep both (the new files get numbered names), replace them, or go back to "
                                 "the list?");
    EXPECT_EQ(question.caption, "Tavrelin Transvane - v1.07");
    EXPECT_EQ(question.choices, (Rows{"Keep both", "Replace", "Go back"}));
    Rows pairs;
    for (const auto& pair : state.filePairs) pairs.push_back(pair.target);
    EXPECT_EQ(pairs, test.pairs);
    EXPECT_EQ(Paths(kLeft).size(), test.pairs.empty() ? 3u : 0u) << "going back keeps the rows";
    state.direction = 0;
    Reactivate(1);  // a change of direction empties the lists for the next case
  }
  EXPECT_EQ(ReadBytes(d + "/r.wpt"), "the user's route");
}

// Eleven existing files: ten are named, the rest counted; a file named in the save dialog was asked
// about there already.
TEST_F(DestinationLogicTest, TheQuestionNamesTenFilesAndSkipsThoseNamedInTheSaveDialog) {
  Reactivate(1);
  Rows sources;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "f" + std::to_string(i);
    docs.File(name + ".wpt");
    sources.push_back(unit.Path(name + ".upt"));
  }
  Dialogs().openAnswers.push_back(sources);
  Page().Browse(kRight);
  Page().SetSelection(kLeft, {0}, 0);
  Dialogs().saveAnswers = {docs.File("other.wpt")};
  Page().Browse(kLeft);  // renamed to a file that exists, which the save dialog asked about
  Dialogs().calls.clear();
  EXPECT_EQ(Page().OnWizardNext(), kPageDestination);
  ASSERT_EQ(Dialogs().Count("choice"), 1);
  const std::string& text = Dialogs().calls[0].text;
  EXPECT_EQ(text.find("other.wpt"), std::string::npos);
  EXPECT_NE(text.find(":\n" + docs.Path("f1.wpt") + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find(docs.Path("f10.wpt") + "\n(+1)\n"), std::string::npos) << text;
}

TEST_F(DestinationLogicTest, EachDirectionPutsItsSourcesOnItsSideWithItsTextsAndPictures) {
  struct SCase {
    int direction;
    int sourceSide;
    int arrow;
    int rightPicture;
    const char* leftCaption;
    const char* rightCaption;
  };
  const std::vector<SCase> cases = {
      {0, kLeft, 144, 143, "toUnitCaption", "rightCaption"},
      {1, kRight, 145, 143, "leftCaption", "toDesktopCaption"},
      {2, kLeft, 144, 138, "exportCaption", "gpxCaption"},
  };
  for (const SCase& c : cases) {
    Reactivate(c.direction);
    const auto text = [&](const char* control) { return state.texts.Utf8DialogText(kPageDestination, control); };
    EXPECT_EQ(Page().SourceSide(), c.sourceSide);
    EXPECT_EQ(Page().ArrowIcon(), c.arrow);
    EXPECT_EQ(Page().RightPicture(), c.rightPicture);
    EXPECT_EQ(Page().Side(kLeft).caption, text(c.leftCaption));
    EXPECT_EQ(Page().Side(kRight).caption, text(c.rightCaption));
    EXPECT_EQ(Page().Side(c.sourceSide).browseTip, "Add files to convert");
    EXPECT_EQ(Page().Side(1 - c.sourceSide).browseTip,
              "Choose another name or folder for the selected file to generate");
    EXPECT_EQ(Page().Side(kLeft).removeTip, "Remove the selected rows from both lists");
    EXPECT_TRUE(Page().Side(c.sourceSide).browseEnabled);
    EXPECT_EQ(Page().FocusSide(), c.sourceSide) << "the focus goes to the adding button";
  }
}

TEST_F(DestinationLogicTest, TheOtherDirectionSwapsTheSidesAndAChangeEmptiesTheLists) {
  Add({"/d/a.wpt"});
  Reactivate(0);
  EXPECT_EQ(Paths(kRight).size(), 2u) << "same direction: rows kept";
  Reactivate(1);
  EXPECT_TRUE(Paths(kRight).empty());
  EXPECT_FALSE(Page().Side(kLeft).browseEnabled);

  Dialogs().openAnswers.push_back({unit.Path("Routes/r.rte"), unit.Path("My POIs/r.upt"), "/u/x.txt"});
  Page().Browse(kRight);
  EXPECT_EQ(Patterns(Dialogs().calls.back().filter), "*.upt;*.rte;*.log;*.gpx");
  EXPECT_EQ(Dialogs().calls.back().folder, unit.Path()) << "unit files are picked from the unit's drive";
  EXPECT_EQ(Paths(kLeft), (Rows{docs.Path("r.wpt"), docs.Path("r_1.wpt")}));
  EXPECT_EQ(Paths(kRight), (Rows{unit.Path("Routes/r.rte"), unit.Path("My POIs/r.upt")}));
  EXPECT_EQ(Page().FocusSide(), kLeft);
}

// The preview shows the source of the row last selected, in either list: a target row stands for
// the file it is made from. With no row selected it is empty.
TEST_F(DestinationLogicTest, ThePreviewFollowsTheSelection) {
  EXPECT_EQ(Page().PreviewSource(), "");
  EXPECT_EQ(Page().PreviewTitle(), state.texts.Utf8DialogText(kPageDestination, "previewEmpty"));
  Add({"/d/trip.wpt", "/d/morning.trk"});  // rows: trip, trip, morning; the last target row is selected
  EXPECT_EQ(Page().PreviewSource(), "/d/morning.trk");
  EXPECT_EQ(Page().PreviewTitle(), "morning.trk");
  struct SStep {
    int side;
    std::vector<int> rows;
    int current;
    std::string shown;
  };
  const std::vector<SStep> steps = {
      {kLeft, {0}, 0, "/d/trip.wpt"},        // a source row
      {kRight, {2}, 2, "/d/morning.trk"},    // a target row: its source
      {kLeft, {}, -1, "/d/morning.trk"},     // nothing left there: the other list's row
      {kRight, {}, -1, ""},                  // nothing selected anywhere
      {kLeft, {2, 0}, -1, "/d/trip.wpt"},    // several: the first unless the current one is
      {kLeft, {0, 2}, 2, "/d/morning.trk"},  // ... the current row, when selected
      {kRight, {1}, 1, "/d/trip.wpt"},
  };
  for (const SStep& step : steps) {
    Page().SetSelection(step.side, step.rows, step.current);
    EXPECT_EQ(Page().PreviewSource(), step.shown);
  }
  Page().SetSelection(kLeft, {0, 2}, 2);
  Page().Remove(kLeft);  // rows 0 and 2 go, and with them their selection
  EXPECT_EQ(Page().PreviewSource(), "/d/trip.wpt") << "the target row still selected";
}

TEST_F(DestinationLogicTest, RowsKeepThePathsBytesAndShowThemReadably) {
  const std::string latin1 = std::string("/d/caf\xe9.trk");
  Add({latin1});
  EXPECT_EQ(Page().Side(kLeft).rows[0].text, "/d/caf\xEF\xBF\xBD.trk");
  EXPECT_EQ(Page().Side(kLeft).rows[0].tip, Page().Side(kLeft).rows[0].text);
  ASSERT_EQ(Page().OnWizardNext(), 0);
  ASSERT_EQ(state.filePairs.Count(), 1u);
  EXPECT_EQ(state.filePairs[0].source, latin1);
  EXPECT_EQ(state.filePairs[0].target, unit.Path("caf\xe9.log"));
}

// A GPX file gives the files the command-line tool writes of it, made unique in the list, each
// track log with its track's number; one that cannot be sent is named in a warning and adds nothing.
TEST_F(DestinationLogicTest, AGpxFileGivesTheCommandLinesFiles) {
  const std::string gpx = FixturePath("weekend.gpx");
  Add({gpx});
  EXPECT_EQ(state.testWait.busyDepth, 0) << "the busy cursor showed while the file was read";
  CTargetNames names;
  std::vector<std::string> cli;
  CCodePage codePage;
  CUnitTimes times;
  CReportLines report;
  ASSERT_TRUE(ConvertGpxFile(gpx, docs.Path(), EGpxOutputs::Unit, codePage, times, names, cli, report));
  ASSERT_GE(cli.size(), 3u);
  for (std::string& path : cli) path = unit.Path() + path.substr(docs.Path().size());
  EXPECT_EQ(Paths(kRight), cli);
  EXPECT_EQ(Paths(kLeft), Rows(cli.size(), gpx));

  const std::string broken = docs.File("broken.gpx", "<gpx");
  Add({broken});
  ASSERT_EQ(Dialogs().Count("warn"), 1);
  EXPECT_EQ(Dialogs().calls.back().text.rfind("The file " + broken + " cannot be converted:\n", 0), 0u)
      << Dialogs().calls.back().text;
  EXPECT_EQ(Paths(kRight).size(), cli.size());

  EXPECT_EQ(Page().OnWizardNext(), 0);
  std::vector<int> parts;
  for (const auto& pair : state.filePairs) parts.push_back(pair.part);
  std::vector<int> expected;
  int logs = 0;
  for (const std::string& path : cli) expected.push_back(path.ends_with(".log") ? logs++ : 0);
  EXPECT_EQ(parts, expected) << "each log knows its track";
}

TEST_F(DestinationLogicTest, ExportingToGpxTakesBothSidesFilesAndNamesGpxFilesInTheDocuments) {
  Reactivate(2);
  Add({"/u/walk.log", "/d/trip.wpt", "/u/trip.upt", "/d/x.gpx"});
  EXPECT_EQ(Patterns(Dialogs().calls[0].filter), "*.wpt;*.trk;*.upt;*.rte;*.log");
  EXPECT_EQ(Dialogs().calls[0].folder, unit.Path());
  EXPECT_EQ(Paths(kLeft), (Rows{"/u/walk.log", "/d/trip.wpt", "/u/trip.upt"}));
  EXPECT_EQ(Paths(kRight), (Rows{docs.Path("walk.gpx"), docs.Path("trip.gpx"), docs.Path("trip_1.gpx")}));
}

// Files dropped from a file manager are taken as the open dialog would offer them: existing files
// of the kinds the direction takes, onto the source list only.
TEST_F(DestinationLogicTest, DroppedFilesAreTakenAsTheOpenDialogWouldOfferThem) {
  CTempFolder dropped;
  const std::string wpt = dropped.File("a.wpt");
  const std::string log = dropped.File("b.log");
  const std::string gpx = dropped.File("c.gpx");
  const std::string text = dropped.File("d.txt");
  const std::string folder = dropped.Path("e.trk");
  std::filesystem::create_directories(folder);
  const std::string missing = dropped.Path("f.trk");
  const std::string link = dropped.Path("g.wpt");
  std::filesystem::create_symlink(wpt, link);
  const Rows all = {wpt, log, gpx, text, folder, missing, link};
  struct SCase {
    int direction;
    int onto;
    Rows taken;
  };
  const std::vector<SCase> cases = {
      {0, kLeft, {wpt, gpx, link}}, {0, kRight, {}}, {1, kRight, {log, gpx}}, {1, kLeft, {}},
      {2, kLeft, {wpt, log, link}},
  };
  for (const SCase& c : cases) {
    Reactivate(c.direction);
    EXPECT_EQ(Page().AcceptsDrop(c.onto, all), c.taken) << c.direction << " " << c.onto;
  }
}

}  // namespace
