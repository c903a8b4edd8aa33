// The conversion job end to end in the real wizard, test mode, both directions, scripted dialogs.
#include "jobs/conversion_job.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "app/wizard_app.h"
#include "formats/gpx_reader.h"
#include "jobs/gpx_conversion_job.h"
#include "resources/string_ids.h"
#include "tests/storage/fake_system_tree.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/page_conversion.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_finish.h"
#include "wizard/pages/page_select_mode.h"

namespace {

std::string Golden(const std::string& name) {
  return std::string(TRANSVANE_SOURCE_DIR) + "/tests/formats/golden/" + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ConversionJobTest : public ::testing::Test {
 protected:
  void SetUp() override { Open({QStringLiteral("/T")}, home.Path() + "/no-machine"); }
  void Open(const QStringList& arguments, const std::string& sysroot) {
    TestApplication();
    // The temporary folder, and a home whose documents folder is the last resort for files
    // converted to the desktop: nothing lands in the real one.
    const std::pair<const char*, std::string> environment[] = {
        {"TMPDIR", temp.Path()}, {"HOME", home.Path()}, {"XDG_CONFIG_HOME", home.Path() + "/.config"}};
    for (const auto& [name, value] : environment) {
      const char* old = getenv(name);
      m_saved.push_back({name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
      setenv(name, value.c_str(), 1);
    }
    setenv("WINEPREFIX", (home.Path() + "/no-wine").c_str(), 1);
    SWizardOptions options;
    options.arguments = arguments;
    options.sysroot = sysroot;
    options.dialogs = &dialogs;
    options.pacer = &pacer;
    options.askSession = false;
    app = std::make_unique<CWizardApp>(options);
    app->Start();
    Settle();
  }
  void TearDown() override {
    app.reset();
    for (const auto& [name, old] : m_saved) {
      if (old) {
        setenv(name, old->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
    m_saved.clear();
    unsetenv("WINEPREFIX");
  }
  CPropertySheet_& Sheet() { return app->Sheet(); }
  int Current() { return Sheet().CurrentPage()->PageId(); }
  void Next() {
    ASSERT_TRUE(Sheet().NextButton()->isEnabled());
    Sheet().NextButton()->click();
    Settle();
  }
  CPropertyPageDestination* Destination() {
    return static_cast<CPropertyPageDestination*>(Sheet().PageById(kPageDestination));
  }
  // From the Welcome page to the file selection page in the given direction.
  void ReachFileSelection(int direction) {
    Next();
    ASSERT_EQ(Current(), kPageFindUnit);
    Next();
    ChooseDirection(direction);
  }
  // From the Finish page back to the conversion mode page, and on in the given direction.
  void StartAgain(int direction) {
    for (int i = 0; i < 2; ++i) {
      Sheet().BackButton()->click();
      Settle();
    }
    ChooseDirection(direction);
  }
  // From the conversion mode page to the file selection page.
  void ChooseDirection(int direction) {
    ASSERT_EQ(Current(), kPageSelectMode);
    auto* mode = static_cast<CPropertyPageSelectMode*>(Sheet().PageById(kPageSelectMode));
    (direction == 0   ? mode->ToUnitChoice()
     : direction == 1 ? mode->ToDesktopChoice()
                      : mode->ToGpxChoice())
        ->setChecked(true);
    Next();
    ASSERT_EQ(Current(), kPageDestination);
    EXPECT_EQ(Sheet().WizardButtons(), kButtonBack);
  }
  // Next on the file selection page, then until the job has run.
  void RunJob() {
    ASSERT_TRUE(Sheet().NextButton()->isEnabled());
    Sheet().NextButton()->click();
    // Apply the queued button requests only: the page's timer must not fire yet, or the job
    // would already be over whatever the machine's speed.
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(Current(), kPageConversion);
    auto* page = static_cast<CPropertyPageConversion*>(Sheet().CurrentPage());
    EXPECT_FALSE(page->Done());
    EXPECT_EQ(Sheet().WizardButtons(), kButtonNone) << "nothing can be pressed while the job runs";
    WaitUntil([&] { return page->Done(); });
    ASSERT_TRUE(page->Done());
    Settle();
    EXPECT_EQ(Sheet().WizardButtons(), kButtonNext);
    EXPECT_EQ(page->Status()->text().toStdString(), "Conversion and transfer completed.");
    EXPECT_TRUE(page->Hint()->isVisibleTo(page));
    EXPECT_EQ(page->FileProgress()->value(), page->FileProgress()->maximum());
    Next();
    ASSERT_EQ(Current(), kPageFinish);
    EXPECT_EQ(Sheet().WizardButtons(), kButtonBack | kButtonFinish);
  }
  CPropertyPageFinish* Finish() { return static_cast<CPropertyPageFinish*>(Sheet().PageById(kPageFinish)); }

  void Reopen(const QStringList& arguments, const std::string& sysroot) {
    TearDown();
    Open(arguments, sysroot);
  }

  CTempFolder temp;
  CTempFolder home;
  CScriptedDialogs dialogs;
  CCountingPacer pacer;
  std::unique_ptr<CWizardApp> app;
  std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

TEST_F(ConversionJobTest, ToTheUnitWritesEveryTargetAndReportsTheFileThatFailed) {
  ReachFileSelection(0);
  EXPECT_EQ(app->unit.Drive(), temp.Path());
  const std::string trip = home.File("docs/trip.wpt", ReadBytes(Golden("trip~saved.wpt")));
  const std::string broken = home.File("docs/broken.trk", "not a track file");
  dialogs.openAnswers.push_back({trip, broken});
  Destination()->LeftBrowse()->click();
  Settle();
  EXPECT_EQ(Sheet().WizardButtons(), kButtonBack | kButtonNext);
  EXPECT_EQ(
      CPropertyPageDestination::Rows(Destination()->RightList()),
      (std::vector<std::string>{temp.Path() + "/trip.upt", temp.Path() + "/trip.rte", temp.Path() + "/broken.log"}));
  RunJob();

  EXPECT_EQ(ReadBytes(temp.Path() + "/trip.upt"), ReadBytes(Golden("trip~unit.upt")));
  EXPECT_EQ(ReadBytes(temp.Path() + "/trip.rte"), ReadBytes(Golden("trip~unit.rte")));
  EXPECT_FALSE(std::filesystem::exists(temp.Path() + "/broken.log"));
  EXPECT_EQ(ReportTexts(app->report),
            (std::vector<std::string>{"An error occured while loading file " + broken + "."}));
  EXPECT_EQ(Finish()->Outcome()->text(), app->Resources().String(IDS_CONVERSION_FAILURES));
  EXPECT_TRUE(Finish()->Details()->isVisibleTo(Finish()));
  // The line, and under it the reason the command-line tool gives for the same file.
  CReportLines cli;
  EXPECT_FALSE(ConvertFileToUnit(broken, temp.Path() + "/again.log", {}, cli));
  ASSERT_EQ(cli.Lines().size(), 1u);
  ASSERT_FALSE(cli.Lines()[0].reason.empty());
  EXPECT_EQ(Finish()->Details()->toPlainText().toStdString(),
            app->report[0].text + "\n    " + cli.Lines()[0].reason + "\n");

  // Back from Finish: a clean file selection page for the next run.
  Sheet().BackButton()->click();
  Settle();
  EXPECT_EQ(Current(), kPageDestination);
  EXPECT_TRUE(app->report.empty());
  EXPECT_TRUE(app->filePairs.Empty());
  EXPECT_EQ(Destination()->LeftList()->count(), 0);
  EXPECT_EQ(Destination()->RightList()->count(), 0);
  EXPECT_EQ(Sheet().WizardButtons(), kButtonBack);
}

TEST_F(ConversionJobTest, ToTheDesktopWritesVexlornFilesWithUniqueNames) {
  ReachFileSelection(1);
  const std::string upt = home.File("unit/My POIs/walk.upt", ReadBytes(Golden("walk.upt")));
  const std::string rte = home.File("unit/Routes/walk.rte", ReadBytes(Golden("walk.rte")));
  std::filesystem::create_directories(home.Path() + "/Documents");
  dialogs.openAnswers.push_back({upt, rte});
  Destination()->RightBrowse()->click();
  Settle();
  // Without the desktop product the documents folder is the user's, not the temporary folder
  // (emptied at boot).
  const std::string documents = home.Path() + "/Documents";
  EXPECT_EQ(CPropertyPageDestination::Rows(Destination()->LeftList()),
            (std::vector<std::string>{documents + "/walk.wpt", documents + "/walk_1.wpt"}));
  RunJob();

  EXPECT_TRUE(app->report.empty());
  EXPECT_EQ(ReadBytes(documents + "/walk.wpt"), ReadBytes(Golden("walk~from_upt.wpt")));
  EXPECT_EQ(ReadBytes(documents + "/walk_1.wpt"), ReadBytes(Golden("walk~from_rte.wpt")));
  EXPECT_EQ(Finish()->Outcome()->text().toStdString(),
            "Tavrelin Transvane successfully converted and transferred the file(s).");
  EXPECT_FALSE(Finish()->Details()->isVisibleTo(Finish()));
}

// Towards the unit or the desktop, a GPX file gives the files and bytes the command-line tool
// writes of it, each in the folder of its side.
TEST_F(ConversionJobTest, AGpxFileGoesEitherWayAsTheCommandLineConvertsIt) {
  const std::string gpx = home.File("docs/weekend.gpx", ReadBytes(Golden("weekend.gpx")));
  const std::string documents = home.Path() + "/Documents";
  std::filesystem::create_directories(documents);
  for (const int direction : {0, 1}) {
    if (direction == 0) {
      ReachFileSelection(0);
    } else {
      StartAgain(1);
    }
    dialogs.openAnswers.push_back({gpx});
    (direction == 0 ? Destination()->LeftBrowse() : Destination()->RightBrowse())->click();
    Settle();
    const std::vector<std::string> targets =
        CPropertyPageDestination::Rows(direction == 0 ? Destination()->RightList() : Destination()->LeftList());
    RunJob();
    EXPECT_TRUE(app->report.empty()) << app->report[0].text;

    CTargetNames names;
    std::vector<std::string> cli;
    CCodePage codePage;
    CUnitTimes times;
    CReportLines lines;
    const std::string folder = home.Path() + "/cli" + std::to_string(direction);
    ASSERT_TRUE(ConvertGpxFile(gpx, folder, direction == 0 ? EGpxOutputs::Unit : EGpxOutputs::Desktop, codePage, times,
                               names, cli, lines));
    // The characters the code page cannot hold are said on the Finish page too.
    WarnOfReplacedCharacters(gpx, codePage, lines);
    EXPECT_EQ(app->warnings, lines.Warnings());
    ASSERT_EQ(lines.Warnings().size(), 1u);
    ASSERT_EQ(targets.size(), cli.size());
    for (std::size_t i = 0; i < cli.size(); ++i) {
      EXPECT_EQ(targets[i],
                (direction == 0 ? temp.Path() : documents) + "/" + std::filesystem::path(cli[i]).filename().string());
      EXPECT_EQ(ReadBytes(targets[i]), ReadBytes(cli[i])) << targets[i];
    }
  }
}

// Warnings are no failures: the Finish page says the job succeeded and lists them under the
// heading, each naming its source and the file on the unit.
TEST_F(ConversionJobTest, TheFinishPageListsTheWarningsOfASuccessfulJob) {
  ReachFileSelection(0);
  const std::string gpx = home.File("docs/old.gpx",
                                    "<gpx><trk><name>OLD</name><trkseg>\n"
                                    "<trkpt lat=\"1\" lon=\"2\"><time>1901-05-18T00:00:00Z</time></trkpt>\n"
                                    "</trkseg></trk></gpx>\n");
  const std::string trip = home.File("docs/trip.wpt", ReadBytes(Golden("trip~saved.wpt")) + "padding");
  dialogs.openAnswers.push_back({gpx, trip});
  Destination()->LeftBrowse()->click();
  Settle();
  RunJob();

  EXPECT_TRUE(app->report.empty()) << app->report[0].text;
  EXPECT_EQ(Finish()->Outcome()->text(), app->Resources().String(IDS_CONVERSION_SUCCESS));
  EXPECT_TRUE(Finish()->Details()->isVisibleTo(Finish()));
  EXPECT_EQ(Finish()->Details()->toPlainText().toStdString(),
            "Warnings:\n    " + gpx +
                ": 1 track point(s) without a time a .log file can hold (2000-01-01 00:00:00 to 2099-12-31 23:59:59 "
                "local time), the first at line 2, column 2 (1901-05-18 00:00:00 UTC): given the unit's \"no time\" "
                "(2000-01-01 00:00:00 local time) in " +
                temp.Path() + "/old.log\n    " + trip +
                ": 7 byte(s) after the last record were not read, the first at offset " +
                std::to_string(std::filesystem::file_size(trip) - 7) + "\n");
  Sheet().BackButton()->click();
  Settle();
  EXPECT_TRUE(app->warnings.empty());
}

// Desktop and unit files become GPX files in the documents folder, which read back as their sources.
TEST_F(ConversionJobTest, ExportToGpxWritesGpxFilesThatReadBack) {
  ReachFileSelection(2);
  const std::string trip = home.File("docs/trip.wpt", ReadBytes(Golden("trip~saved.wpt")));
  const std::string morning = home.File("unit/morning.log", ReadBytes(Golden("morning.log")));
  const std::string documents = home.Path() + "/Documents";
  std::filesystem::create_directories(documents);
  dialogs.openAnswers.push_back({trip, morning});
  Destination()->LeftBrowse()->click();
  Settle();
  EXPECT_EQ(CPropertyPageDestination::Rows(Destination()->RightList()),
            (std::vector<std::string>{documents + "/trip.gpx", documents + "/morning.gpx"}));
  RunJob();

  EXPECT_TRUE(app->report.empty()) << app->report[0].text;
  EXPECT_EQ(Finish()->Outcome()->text(), app->Resources().String(IDS_CONVERSION_SUCCESS));
  EXPECT_EQ(ReadBytes(documents + "/trip.gpx"), ReadBytes(Golden("trip~saved~gpx.gpx")));
  CCodePage codePage;
  SGpxDocument doc;
  ASSERT_TRUE(ReadGpxFile(documents + "/morning.gpx", doc, codePage));
  ASSERT_EQ(doc.tracks.size(), 1u);
  EXPECT_EQ(doc.tracks[0].GetName(), "MORNING");
  EXPECT_EQ(doc.tracks[0].GetNodes().GetCount(), 5u);
}

// The sample files sent to the unit and converted back: the desktop files they came from are
// there, and the user is asked once before any is replaced. Keeping both leaves them as they were.
TEST_F(ConversionJobTest, ConvertingBackAsksBeforeReplacingTheUsersFiles) {
  const std::string documents = home.Path() + "/Documents";
  const std::string trip = home.File("Documents/trip.wpt", ReadBytes(Golden("trip~saved.wpt")));
  const std::string morning = home.File("Documents/morning.trk", ReadBytes(Golden("morning~desktop.trk")));
  ReachFileSelection(0);
  dialogs.openAnswers.push_back({trip, morning});
  Destination()->LeftBrowse()->click();
  Settle();
  RunJob();
  EXPECT_EQ(dialogs.Count("choice"), 0) << "files on the unit are replaced as updates";

  StartAgain(1);
  dialogs.openAnswers.push_back({temp.Path() + "/trip.upt", temp.Path() + "/trip.rte", temp.Path() + "/morning.log"});
  Destination()->RightBrowse()->click();
  Settle();
  dialogs.choiceAnswers = {0};  // keep both
  RunJob();
  EXPECT_EQ(dialogs.Count("choice"), 1);
  EXPECT_TRUE(app->report.empty()) << app->report[0].text;
  EXPECT_EQ(ReadBytes(trip), ReadBytes(Golden("trip~saved.wpt")));
  EXPECT_EQ(ReadBytes(morning), ReadBytes(Golden("morning~desktop.trk")));
  for (const char* made : {"trip_1.wpt", "trip_2.wpt", "morning_1.trk"})
    EXPECT_TRUE(std::filesystem::exists(documents + "/" + made)) << made;
}

TEST_F(ConversionJobTest, AnEmptyJobCompletesAtOnce) {
  ReachFileSelection(0);
  app->filePairs.Clear();
  auto* page = static_cast<CPropertyPageConversion*>(Sheet().PageById(kPageConversion));
  page->Logic().OnSetActive();
  EXPECT_EQ(page->FileProgress()->maximum(), 0);
  WaitUntil([&] { return page->Done(); });
  EXPECT_TRUE(page->Done());
  EXPECT_TRUE(app->report.empty());
}

TEST_F(ConversionJobTest, OntoARealUnitTargetsAreStagedCopiedAndTheUnitIsAskedToEjectOnce) {
  CFakeSystemTree tree;
  const std::string disk =
      tree.AddDisk("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0", "sdc", 8, 32, false, 2);
  tree.AddPartition(disk, "sdc1", 8, 33);
  tree.AddMount(8, 33, "/media/ann/NORVANTIS", "/media/ann/NORVANTIS");
  tree.WriteFile("/media/ann/NORVANTIS/USBTRANS/UNIT_ID.DAT", "Model=Vesk\n");
  const std::string unit = tree.Path("/media/ann/NORVANTIS");
  Reopen({}, tree.Root());
  ASSERT_FALSE(app->testMode);
  ReachFileSelection(0);
  EXPECT_EQ(app->unit.Drive(), unit);

  const std::string trip = home.File("docs/trip.wpt", ReadBytes(Golden("trip~saved.wpt")));
  dialogs.openAnswers.push_back({trip});
  Destination()->LeftBrowse()->click();
  Settle();
  // The route file is moved off the unit: it is written where it is named, without staging.
  const std::string elsewhere = home.Path() + "/elsewhere/trip.rte";
  dialogs.saveAnswers.push_back(elsewhere);
  Destination()->RightBrowse()->click();
  Settle();
  ASSERT_EQ(CPropertyPageDestination::Rows(Destination()->RightList()),
            (std::vector<std::string>{unit + "/My POIs/trip.upt", elsewhere}));
  RunJob();

  EXPECT_TRUE(app->report.empty());
  EXPECT_EQ(ReadBytes(unit + "/My POIs/trip.upt"), ReadBytes(Golden("trip~unit.upt")));
  EXPECT_EQ(ReadBytes(temp.Path() + "/trip.upt"), ReadBytes(Golden("trip~unit.upt"))) << "the staged copy stays";
  EXPECT_EQ(ReadBytes(elsewhere), ReadBytes(Golden("trip~unit.rte")));
  EXPECT_FALSE(std::filesystem::exists(temp.Path() + "/trip.rte"));
  // The mount-table source cannot eject: the Finish page tells the user to eject the unit.
  EXPECT_EQ(Finish()->VolumeNoteLabel()->text(), app->Resources().DialogText(kPageFinish, "unitNotEjected"));
  EXPECT_TRUE(Finish()->VolumeNoteLabel()->isVisibleTo(Finish()));
}

TEST_F(ConversionJobTest, NothingOnTheUnitMeansNothingToUnplug) {
  ReachFileSelection(0);
  dialogs.openAnswers.push_back({home.File("docs/trip.wpt", ReadBytes(Golden("trip~saved.wpt")))});
  Destination()->LeftBrowse()->click();
  Settle();
  RunJob();
  EXPECT_FALSE(Finish()->VolumeNoteLabel()->isVisibleTo(Finish()));
}

}  // namespace
