// The file selection page: rows, unique names, renaming, removing, button states and the pairs.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "jobs/gpx_conversion_job.h"
#include "resources/string_ids.h"
#include "tests/formats/golden_support.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/file_preview.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/path_elision.h"
#include "wizard/pages/property_sheet.h"

namespace {

using Rows = std::vector<std::string>;

class DestinationPageTest : public ::testing::Test {
 protected:
  DestinationPageTest() : sheet((TestApplication(), state.testResources)) {
    state.testMode = true;
    state.temp = unit.Path();
    state.documents = docs.Path();
    state.unit.SetDrive(unit.Path());
    page = new CPropertyPageDestination(state);
    sheet.AddPage(page);
    sheet.Start();
    sheet.show();
    Settle();
  }
  CScriptedDialogs& Dialogs() { return state.testDialogs; }
  void Add(Rows sources) {
    Dialogs().openAnswers.push_back(std::move(sources));
    page->AddSourceFiles();
    Settle();
  }
  static Rows Selected(const QListWidget* list) {
    Rows rows;
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->isSelected()) rows.push_back(list->item(i)->text().toStdString());
    }
    return rows;
  }
  static void Select(QListWidget* list, std::vector<int> rows) {
    list->clearSelection();
    for (int row : rows) list->item(row)->setSelected(true);
  }
  // The patterns of an open dialog's first filter ("*.wpt;*.trk").
  static std::string Patterns(const QString& filter) { return filter.section(QLatin1Char('|'), 1, 1).toStdString(); }
  void Reactivate(int direction) {
    state.direction = direction;
    page->OnSetActive();
    Settle();
  }

  CTempFolder unit;
  CTempFolder docs;
  CTestState state;
  CPropertySheet_ sheet;
  CPropertyPageDestination* page = nullptr;
};

TEST_F(DestinationPageTest, AWaypointFileGivesTwoRowsAndARepeatedTrackANumberedName) {
  Add({"/home/ann/trip.wpt", "/home/ann/walk.trk"});
  Add({"/home/ann/walk.trk"});
  const std::string u = unit.Path();
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()),
            (Rows{"/home/ann/trip.wpt", "/home/ann/trip.wpt", "/home/ann/walk.trk", "/home/ann/walk.trk"}));
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()),
            (Rows{u + "/trip.upt", u + "/trip.rte", u + "/walk.log", u + "/walk_1.log"}));
  // The open dialog offered the desktop files from the documents folder.
  EXPECT_EQ(Patterns(Dialogs().calls[0].filter), "*.wpt;*.trk;*.gpx");
  EXPECT_EQ(Dialogs().calls[0].folder, docs.Path());
  EXPECT_EQ(page->ArrowIcon(), 144);
}

TEST_F(DestinationPageTest, ButtonStatesFollowTheSelection) {
  EXPECT_EQ(sheet.WizardButtons(), kButtonBack);
  EXPECT_FALSE(page->Hint()->isVisibleTo(page));
  EXPECT_TRUE(page->LeftBrowse()->isEnabled());
  EXPECT_FALSE(page->RightBrowse()->isEnabled());
  EXPECT_FALSE(page->LeftRemove()->isEnabled());
  EXPECT_FALSE(page->RightRemove()->isEnabled());

  Add({"/d/a.wpt", "/d/b.trk"});
  EXPECT_EQ(sheet.WizardButtons(), kButtonBack | kButtonNext);
  EXPECT_TRUE(page->Hint()->isVisibleTo(page));
  EXPECT_EQ(Selected(page->RightList()).size(), 1u) << "the last target row is selected";
  EXPECT_TRUE(page->RightBrowse()->isEnabled());
  EXPECT_TRUE(page->RightRemove()->isEnabled());

  Select(page->RightList(), {0, 1});
  Settle();
  EXPECT_FALSE(page->RightBrowse()->isEnabled()) << "renaming needs exactly one row";
  EXPECT_TRUE(page->RightRemove()->isEnabled());
  Select(page->RightList(), {});
  Settle();
  EXPECT_FALSE(page->RightBrowse()->isEnabled());
  EXPECT_FALSE(page->RightRemove()->isEnabled());
}

TEST_F(DestinationPageTest, CancellingTheOpenDialogStillSelectsTheLastTargetRow) {
  Add({"/d/a.wpt"});
  Select(page->RightList(), {0});
  page->AddSourceFiles();  // no answer scripted: cancelled
  Settle();
  EXPECT_EQ(Selected(page->RightList()), (Rows{unit.Path() + "/a.rte"}));
  EXPECT_EQ(page->RightList()->count(), 2);
}

TEST_F(DestinationPageTest, RemovingRowsRemovesTheSameRowsOfTheOtherList) {
  Add({"/d/a.wpt", "/d/b.trk", "/d/c.trk"});
  Select(page->LeftList(), {0, 3});
  page->LeftRemove()->click();
  Settle();
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), (Rows{"/d/a.wpt", "/d/b.trk"}));
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()), (Rows{unit.Path() + "/a.rte", unit.Path() + "/b.log"}));
  Select(page->RightList(), {1});
  page->RightRemove()->click();
  Settle();
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), (Rows{"/d/a.wpt"}));
}

// Rows are drawn elided to the list's width; the tooltip holds the whole path, also after a rename.
TEST_F(DestinationPageTest, RowsShowTheirWholePathInTheirTooltips) {
  Add({"/d/a-long-folder-name/and-another-one/a.wpt"});
  Dialogs().saveAnswers = {docs.Path() + "/renamed.rte"};
  page->RightBrowse()->click();
  Settle();
  for (QListWidget* list : {page->LeftList(), page->RightList()}) {
    EXPECT_NE(dynamic_cast<CPathElidingDelegate*>(list->itemDelegate()), nullptr);
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    for (int i = 0; i < list->count(); ++i) EXPECT_EQ(list->item(i)->toolTip(), list->item(i)->text());
  }
  EXPECT_EQ(page->RightList()->item(1)->toolTip().toStdString(), docs.Path() + "/renamed.rte");
}

TEST_F(DestinationPageTest, RenamingATargetRefusesListedNamesAndTheJobsSources) {
  Add({"/d/a.wpt"});
  const std::string moved = docs.Path() + "/new/deeper/a.rte";

  // The row's own name counts as listed; so does another row's name and a source of the job.
  Dialogs().saveAnswers = {unit.Path() + "/a.rte", unit.Path() + "/A.UPT", "/d/a.wpt", moved};
  for (int i = 0; i < 3; ++i) {
    page->RightBrowse()->click();
    Settle();
  }
  EXPECT_EQ(Dialogs().Count("warn"), 3);
  EXPECT_EQ(Dialogs().calls.back().text.toStdString(),
            "A file with the same name already exists in the list of files to generate.\nThe file name will not be "
            "changed.");
  EXPECT_EQ(Dialogs().calls.back().caption.toStdString(), "Warning : File name already exists.");
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()), (Rows{unit.Path() + "/a.upt", unit.Path() + "/a.rte"}));

  page->RightBrowse()->click();
  Settle();
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()), (Rows{unit.Path() + "/a.upt", moved}));
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), (Rows{"/d/a.wpt", "/d/a.wpt"}));
  EXPECT_EQ(Dialogs().Count("warn"), 3) << "a free name is taken without a warning";
}

// Automatic names follow the same rule as a rename: a row that is the same file, however it is
// written, holds the name back.
TEST_F(DestinationPageTest, AutomaticNamesAvoidRowsThatAreTheSameFile) {
  Add({"/d/a.wpt"});
  Dialogs().saveAnswers = {unit.Path() + "/sub/../b.rte"};
  page->RightBrowse()->click();
  Settle();
  Add({"/d/b.wpt"});
  EXPECT_EQ(
      CPropertyPageDestination::Rows(page->RightList()),
      (Rows{unit.Path() + "/a.upt", unit.Path() + "/sub/../b.rte", unit.Path() + "/b.upt", unit.Path() + "/b_1.rte"}));
}

TEST_F(DestinationPageTest, ARenamedRowStaysTheOneSelectedRowAndTheBrowseButtonKeepsTheFocus) {
  QApplication::setActiveWindow(&sheet);
  Add({"/d/a.wpt"});
  ASSERT_EQ(sheet.focusWidget(), page->RightBrowse());
  Dialogs().saveAnswers = {docs.Path() + "/b.rte"};
  page->RightBrowse()->click();
  Settle();
  EXPECT_EQ(Selected(page->RightList()), (Rows{docs.Path() + "/b.rte"}));
  EXPECT_TRUE(page->RightBrowse()->isEnabled());
  EXPECT_EQ(sheet.focusWidget(), page->RightBrowse());
}

TEST_F(DestinationPageTest, TheSaveDialogStartsAtTheTargetWithItsKindsFilter) {
  Add({"/d/walk.trk"});
  std::filesystem::remove_all(unit.Path());
  page->RightBrowse()->click();  // cancelled
  Settle();
  const CScriptedDialogs::SCall& save = Dialogs().calls.back();
  EXPECT_EQ(save.kind, "save");
  EXPECT_EQ(save.filter, state.testResources.String(IDS_FILTER_LOG));
  EXPECT_EQ(save.folder, unit.Path() + "/");
  EXPECT_EQ(save.fileName, "walk.log");
  EXPECT_EQ(save.extension, "log");
  EXPECT_TRUE(std::filesystem::is_directory(unit.Path())) << "the target's folder is created for the dialog";
}

TEST_F(DestinationPageTest, NextTurnsTheRowsIntoPairsInRowOrderAndEmptiesTheLists) {
  Add({"/d/b.wpt", "/d/a.trk"});
  state.filePairs.Set("/stale", "/old");
  EXPECT_EQ(page->OnWizardNext(), 0);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& pair : state.filePairs) pairs.emplace_back(pair.target, pair.source);
  const std::string u = unit.Path();
  EXPECT_EQ(pairs, (std::vector<std::pair<std::string, std::string>>{
                       {u + "/b.upt", "/d/b.wpt"}, {u + "/b.rte", "/d/b.wpt"}, {u + "/a.log", "/d/a.trk"}}));
  EXPECT_EQ(page->LeftList()->count(), 0);
  EXPECT_EQ(page->RightList()->count(), 0);
}

// A target that names an existing file is marked, in either direction. Next asks once about those
// off the unit: keeping both numbers the new files, replacing keeps the names, going back stays.
TEST_F(DestinationPageTest, ExistingTargetsAreMarkedAndNextAsksOnceBeforeReplacingThemOffTheUnit) {
  const QString replacedTip = state.testResources.DialogText(kPageDestination, "replacedTip");
  const auto marked = [](const QListWidget* list) {
    std::vector<bool> rows;
    for (int i = 0; i < list->count(); ++i) rows.push_back(!list->item(i)->icon().isNull());
    return rows;
  };
  unit.File("a.upt", "on the unit");
  Add({"/d/a.wpt"});
  EXPECT_EQ(marked(page->RightList()), (std::vector<bool>{true, false}));
  EXPECT_EQ(page->RightList()->item(0)->toolTip(), page->RightList()->item(0)->text() + "\n" + replacedTip);
  EXPECT_EQ(page->OnWizardNext(), 0) << "files on the unit are replaced without a question";
  EXPECT_EQ(Dialogs().Count("choice"), 0);

  const std::string d = docs.Path();
  docs.File("r.wpt", "the user's route");
  docs.File("w.trk", "the user's track");
  struct SCase {
    int answer;  // keep both, replace, go back
    int result;
    std::vector<std::string> pairs;  // the targets of the pairs, in row order
  };
  const std::vector<SCase> cases = {
      {0, 0, {d + "/r_2.wpt", d + "/r_1.wpt", d + "/w_1.trk"}},
      {1, 0, {d + "/r.wpt", d + "/r_1.wpt", d + "/w.trk"}},
      {2, kPageDestination, {}},
  };
  for (const SCase& test : cases) {
    Reactivate(1);
    Dialogs().calls.clear();
    Dialogs().openAnswers.push_back({unit.Path() + "/r.upt", unit.Path() + "/r.rte", unit.Path() + "/w.log"});
    page->RightBrowse()->click();
    Settle();
    EXPECT_EQ(marked(page->LeftList()), (std::vector<bool>{true, false, true}));
    Dialogs().choiceAnswers = {test.answer};
    EXPECT_EQ(page->OnWizardNext(), test.result);
    ASSERT_EQ(Dialogs().Count("choice"), 1);
    const CScriptedDialogs::SCall& question = Dialogs().calls.back();
    EXPECT_EQ(question.text.toStdString(),
              "These files already exist and would be replaced by the converted files:\n" + d + "/r.wpt\n" + d +
                  "/w.trk\n\nKeep both (the new files get numbered names), replace them, or go back to the list?");
    EXPECT_EQ(question.choices, (QStringList{"Keep both", "Replace", "Go back"}));
    std::vector<std::string> pairs;
    for (const auto& pair : state.filePairs) pairs.push_back(pair.target);
    EXPECT_EQ(pairs, test.pairs);
    EXPECT_EQ(page->LeftList()->count(), test.pairs.empty() ? 3 : 0) << "going back keeps the rows";
    page->LeftList()->clear();
    page->RightList()->clear();
  }
  EXPECT_EQ(ReadBytes(d + "/r.wpt"), "the user's route");
}

TEST_F(DestinationPageTest, TheOtherDirectionSwapsTheSidesAndAChangeEmptiesTheLists) {
  Add({"/d/a.wpt"});
  Reactivate(0);
  EXPECT_EQ(page->RightList()->count(), 2) << "same direction: rows kept";
  Reactivate(1);
  EXPECT_EQ(page->RightList()->count(), 0);
  EXPECT_EQ(page->ArrowIcon(), 145);
  EXPECT_TRUE(page->RightBrowse()->isEnabled());
  EXPECT_FALSE(page->LeftBrowse()->isEnabled());

  Dialogs().openAnswers.push_back({unit.Path() + "/Routes/r.rte", unit.Path() + "/My POIs/r.upt", "/u/x.txt"});
  page->RightBrowse()->click();
  Settle();
  EXPECT_EQ(Patterns(Dialogs().calls.back().filter), "*.upt;*.rte;*.log;*.gpx");
  EXPECT_EQ(Dialogs().calls.back().folder, unit.Path()) << "unit files are picked from the unit's drive";
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), (Rows{docs.Path() + "/r.wpt", docs.Path() + "/r_1.wpt"}));
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()),
            (Rows{unit.Path() + "/Routes/r.rte", unit.Path() + "/My POIs/r.upt"}));
}

TEST_F(DestinationPageTest, TheFocusGoesToTheSourceBrowseButtonOnActivationAndToTheTargetsAfterAdding) {
  QApplication::setActiveWindow(&sheet);
  Settle();
  EXPECT_EQ(sheet.focusWidget(), page->LeftBrowse());
  Add({"/d/a.wpt"});
  EXPECT_EQ(sheet.focusWidget(), page->RightBrowse());
  // The selected target row of the old direction goes with the lists; the focus still moves.
  Reactivate(1);
  EXPECT_EQ(sheet.focusWidget(), page->RightBrowse());
  Dialogs().openAnswers.push_back({unit.Path() + "/r.rte"});
  page->AddSourceFiles();
  Settle();
  EXPECT_EQ(sheet.focusWidget(), page->LeftBrowse());
  Reactivate(0);
  EXPECT_EQ(sheet.focusWidget(), page->LeftBrowse());
}

// The preview shows the source of the row last selected, in either list: a target row stands for
// the file it is made from. With no row selected it is empty.
TEST_F(DestinationPageTest, ThePreviewFollowsTheSelection) {
  const std::string trip = FixturePath("trip~saved.wpt");
  const std::string morning = FixturePath("morning~desktop.trk");
  EXPECT_EQ(page->Preview()->ShownPath(), "");
  EXPECT_EQ(page->PreviewTitle()->text(), state.testResources.DialogText(kPageDestination, "previewEmpty"));
  Add({trip, morning});  // rows: trip, trip, morning; the last target row is selected
  EXPECT_EQ(page->Preview()->ShownPath().toStdString(), morning);
  EXPECT_EQ(page->PreviewTitle()->text().toStdString(), "morning~desktop.trk");

  struct SStep {
    QListWidget* list;
    std::vector<int> rows;
    std::string shown;
  };
  const std::vector<SStep> steps = {
      {page->LeftList(), {0}, trip},      // a source row
      {page->RightList(), {2}, morning},  // a target row: its source
      {page->LeftList(), {}, morning},    // nothing left there: the other list's row
      {page->RightList(), {}, ""},        // nothing selected anywhere
      {page->LeftList(), {2, 0}, trip},   // several: the first unless the current one is
      {page->RightList(), {1}, trip},
  };
  for (const SStep& step : steps) {
    Select(step.list, step.rows);
    Settle();
    EXPECT_EQ(page->Preview()->ShownPath().toStdString(), step.shown);
  }
  Select(page->LeftList(), {0});
  page->LeftList()->setCurrentRow(2, QItemSelectionModel::Select);
  Settle();
  EXPECT_EQ(page->Preview()->ShownPath().toStdString(), morning) << "the current row, when selected";
  ASSERT_TRUE(WaitUntil([&] { return page->Preview()->SummaryText().contains(QStringLiteral("Tracks: 1")); }))
      << page->Preview()->SummaryText().toStdString();

  page->LeftRemove()->click();  // rows 0 and 2 go, and with them the selection
  Settle();
  EXPECT_EQ(page->Preview()->ShownPath().toStdString(), trip) << "the target row still selected";
  EXPECT_EQ(page->OnWizardNext(), 0);
  page->OnSetActive();
  Settle();
  EXPECT_EQ(page->Preview()->ShownPath(), "");
}

TEST_F(DestinationPageTest, RowsKeepThePathsBytesWhateverTheirEncoding) {
  const std::string latin1 = std::string("/d/caf\xe9.trk");
  Add({latin1});
  ASSERT_EQ(page->OnWizardNext(), 0);
  ASSERT_EQ(state.filePairs.Count(), 1u);
  EXPECT_EQ(state.filePairs[0].source, latin1);
  EXPECT_EQ(state.filePairs[0].target, unit.Path() + "/caf\xe9.log");
}

// A GPX file gives the files the command-line tool writes of it, made unique in the list, each
// track log with its track's number; one that cannot be sent is named in a warning and adds nothing.
TEST_F(DestinationPageTest, AGpxFileGivesTheCommandLinesFiles) {
  const std::string gpx = FixturePath("weekend.gpx");
  Add({gpx});
  CTargetNames names;
  std::vector<std::string> cli;
  CCodePage codePage;
  CUnitTimes times;
  CReportLines report;
  ASSERT_TRUE(ConvertGpxFile(gpx, docs.Path(), EGpxOutputs::Unit, codePage, times, names, cli, report));
  ASSERT_GE(cli.size(), 3u);
  for (std::string& path : cli) path = unit.Path() + path.substr(docs.Path().size());
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()), cli);
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), Rows(cli.size(), gpx));

  const std::string broken = docs.File("broken.gpx", "<gpx");
  Add({broken});
  ASSERT_EQ(Dialogs().Count("warn"), 1);
  EXPECT_TRUE(Dialogs().calls.back().text.contains(QString::fromStdString(broken)));
  EXPECT_EQ(page->RightList()->count(), static_cast<int>(cli.size()));

  EXPECT_EQ(page->OnWizardNext(), 0);
  std::vector<int> parts;
  for (const auto& pair : state.filePairs) parts.push_back(pair.part);
  std::vector<int> expected;
  int logs = 0;
  for (const std::string& path : cli) expected.push_back(path.ends_with(".log") ? logs++ : 0);
  EXPECT_EQ(parts, expected) << "each log knows its track";
}

TEST_F(DestinationPageTest, ExportingToGpxTakesBothSidesFilesAndNamesGpxFilesInTheDocuments) {
  Reactivate(2);
  EXPECT_EQ(page->ArrowIcon(), 144);
  EXPECT_TRUE(page->LeftBrowse()->isEnabled());
  EXPECT_EQ(page->LeftCaption()->text(), state.testResources.DialogText(kPageDestination, "exportCaption"));
  EXPECT_EQ(page->RightCaption()->text(), state.testResources.DialogText(kPageDestination, "gpxCaption"));
  Add({"/u/walk.log", "/d/trip.wpt", "/u/trip.upt", "/d/x.gpx"});
  EXPECT_EQ(Patterns(Dialogs().calls[0].filter), "*.wpt;*.trk;*.upt;*.rte;*.log");
  EXPECT_EQ(Dialogs().calls[0].folder, unit.Path());
  EXPECT_EQ(CPropertyPageDestination::Rows(page->LeftList()), (Rows{"/u/walk.log", "/d/trip.wpt", "/u/trip.upt"}));
  const std::string d = docs.Path();
  EXPECT_EQ(CPropertyPageDestination::Rows(page->RightList()),
            (Rows{d + "/walk.gpx", d + "/trip.gpx", d + "/trip_1.gpx"}));
}

// Files dropped from a file manager are added as if chosen in the open dialog: existing files of
// the kinds the direction takes, onto the source list only.
TEST_F(DestinationPageTest, DroppedFilesAreAddedAsIfChosen) {
  CTempFolder dropped;
  const std::string wpt = dropped.File("a.wpt");
  const std::string log = dropped.File("b.log");
  const std::string gpx = dropped.File("c.gpx", ReadBytes(FixturePath("weekend.gpx")));
  const std::string text = dropped.File("d.txt");
  const std::string folder = dropped.Path() + "/e.trk";
  std::filesystem::create_directories(folder);
  const std::string missing = dropped.Path() + "/f.trk";
  const std::vector<std::string> all = {wpt, log, gpx, text, folder, missing, "https://example.com/g.wpt"};
  struct SCase {
    int direction;
    bool ontoSources;
    Rows added;
  };
  const std::vector<SCase> cases = {
      {0, true, {wpt, gpx}},
      {0, false, {}},
      {1, true, {log, gpx}},
      {2, true, {wpt, log}},
  };
  for (const SCase& test : cases) {
    Reactivate(test.direction);
    QListWidget* sources = test.direction == 1 ? page->RightList() : page->LeftList();
    QListWidget* targets = test.direction == 1 ? page->LeftList() : page->RightList();
    QWidget* onto = (test.ontoSources ? sources : targets)->viewport();
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : all) {
      urls << (path.starts_with("/") ? QUrl::fromLocalFile(QString::fromStdString(path))
                                     : QUrl(QString::fromStdString(path)));
    }
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(onto, &enter);
    EXPECT_EQ(enter.isAccepted(), !test.added.empty()) << test.direction;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(onto, &drop);
    Settle();
    Rows added = CPropertyPageDestination::Rows(sources);
    added.erase(std::unique(added.begin(), added.end()), added.end());  // a source's rows follow each other
    EXPECT_EQ(added, test.added) << test.direction;
    EXPECT_EQ(targets->count(), sources->count());
    page->OnWizardNext();  // empties the lists for the next case
  }
  EXPECT_EQ(Dialogs().Count("open"), 0);
}

}  // namespace
