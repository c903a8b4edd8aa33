// The build's demo desktop installation, which `make run` starts the wizard with: in test mode a
// newcomer can take both jobs from start to finish without a unit, a card or the desktop product.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/wizard_app.h"
#include "tests/formats/golden_support.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_welcome.h"

namespace {

namespace fs = std::filesystem;

TEST(DemoInstallationTest, CarriesBothJobsEndToEndInTestMode) {
  TestApplication();
  CTempFolder temp;
  ::setenv("TMPDIR", temp.Path().c_str(), 1);
  ::setenv("WINEPREFIX", TRANSVANE_DEMO_PREFIX, 1);
  CScriptedDialogs dialogs;
  CCountingPacer pacer;
  SWizardOptions options;
  options.arguments = {QStringLiteral("/T")};
  options.sysroot = temp.Path() + "/no-machine";
  options.dialogs = &dialogs;
  options.pacer = &pacer;
  options.askSession = false;
  auto app = std::make_unique<CWizardApp>(options);
  app->Start();
  Settle();
  CPropertySheet_& sheet = app->Sheet();
  const auto press = [&](QPushButton* button) {
    ASSERT_TRUE(button->isEnabled());
    button->click();
    Settle();
  };
  const auto waitForNext = [&] { return WaitUntil([&] { return sheet.NextButton()->isEnabled(); }, 60000); };

  // Converting: the open dialog starts in the installation's documents folder, which holds the samples.
  press(sheet.NextButton());
  press(sheet.NextButton());
  press(sheet.NextButton());
  ASSERT_EQ(sheet.CurrentPage()->PageId(), kPageDestination);
  const std::string docs = app->DesktopDocumentsFolder();
  const std::vector<std::string> samples = {docs + "/trip.wpt", docs + "/morning.trk"};
  for (const std::string& sample : samples) {
    EXPECT_EQ(ReadBytes(sample), ReadBytes(fs::path(TRANSVANE_SOURCE_DIR) / "examples" / fs::path(sample).filename()));
  }
  dialogs.openAnswers.push_back(samples);
  static_cast<CPropertyPageDestination*>(sheet.CurrentPage())->LeftBrowse()->click();
  Settle();
  EXPECT_EQ(dialogs.calls.back().folder, docs);
  press(sheet.NextButton());
  ASSERT_TRUE(waitForNext());
  press(sheet.NextButton());
  EXPECT_TRUE(app->report.empty());
  for (const char* made : {"trip.upt", "trip.rte", "morning.log"})
    EXPECT_TRUE(fs::is_regular_file(temp.Path() + "/" + made)) << made;

  // Transferring maps: the installation's regions go to the temporary folder, test mode's card.
  for (int i = 0; i < 4; ++i) press(sheet.BackButton());
  ASSERT_EQ(sheet.CurrentPage()->PageId(), kPageWelcome);
  static_cast<CPropertyPageWelcome*>(sheet.CurrentPage())->MapsChoice()->click();
  press(sheet.NextButton());
  press(sheet.NextButton());
  auto* map = static_cast<CPropertyPageMap*>(sheet.CurrentPage());
  ASSERT_EQ(map->PageId(), kPageMap);
  EXPECT_EQ(map->DestinationBox()->currentText().toStdString(), temp.Path());
  ASSERT_EQ(map->RegionList()->topLevelItemCount(), 3);
  for (int row = 0; row < 3; ++row) map->RegionList()->topLevelItem(row)->setCheckState(0, Qt::Checked);
  Settle();
  press(sheet.NextButton());
  ASSERT_TRUE(waitForNext());
  press(sheet.NextButton());
  EXPECT_TRUE(app->report.empty());
  for (const char* copied : {"Background Maps/World.tdx", "Detail Maps/Alps.imi", "Detail Maps/Brittany.imi"}) {
    EXPECT_TRUE(fs::is_regular_file(temp.Path() + "/" + copied)) << copied;
  }
  app.reset();
  ::unsetenv("TMPDIR");
  ::unsetenv("WINEPREFIX");
}

}  // namespace
