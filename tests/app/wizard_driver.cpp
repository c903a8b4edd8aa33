// The wizard program as the user would drive it through one job, in test mode and offscreen, for
// the tests that need the wizard in a process of its own (to send it signals):
//   transvane_wizard_driver convert SOURCE.wpt   the conversion job onto the temporary folder
//   transvane_wizard_driver maps CARD            every region of $WINEPREFIX onto the folder CARD
// The program ends as the wizard does: with the job's page offering Next, or by a signal.
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <string>
#include <utility>

#include "app/canned_dialogs.h"
#include "app/wizard_app.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_welcome.h"

namespace {

// Test mode's stand-in for the card is the temporary folder; here it is the folder CARD.
class CDriverWizard : public CWizardApp {
 public:
  CDriverWizard(const SWizardOptions& options, std::string card) : CWizardApp(options), m_card(std::move(card)) {}
  std::string TempFolder() const override { return m_card.empty() ? CWizardApp::TempFolder() : m_card; }

 private:
  std::string m_card;
};

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string job = argc == 3 ? argv[1] : "";
  if (job != "convert" && job != "maps") {
    std::fprintf(stderr, "usage: transvane_wizard_driver convert SOURCE.wpt | maps CARD\n");
    return 2;
  }
  QApplication application(argc, argv);
  CCannedDialogs dialogs({argv[2]});
  SWizardOptions options;
  options.arguments = {QStringLiteral("/T")};
  options.sysroot = "/nonexistent";
  options.dialogs = &dialogs;
  options.askSession = false;
  CDriverWizard wizard(options, job == "maps" ? argv[2] : "");
  wizard.Start();
  CPropertySheet_& sheet = wizard.Sheet();
  const auto next = [&] {
    sheet.NextButton()->click();
    Settle();
  };
  QTimer::singleShot(0, [&] {
    if (job == "convert") {
      next();  // the unit connection page: test mode's unit is the temporary folder
      next();  // the conversion mode page: to the unit
      next();
      static_cast<CPropertyPageDestination*>(sheet.PageById(kPageDestination))->LeftBrowse()->click();
      Settle();
    } else {
      static_cast<CPropertyPageWelcome*>(sheet.PageById(kPageWelcome))->MapsChoice()->click();
      next();
      next();  // test mode: the card is the one destination
      auto* map = static_cast<CPropertyPageMap*>(sheet.PageById(kPageMap));
      for (int row = 0; row < map->RegionList()->topLevelItemCount(); ++row) {
        map->RegionList()->topLevelItem(row)->setCheckState(0, Qt::Checked);
      }
      Settle();
    }
    sheet.NextButton()->click();  // the job starts
    auto* done = new QTimer(&sheet);
    QObject::connect(done, &QTimer::timeout, [&] {
      if (sheet.NextButton()->isEnabled()) QCoreApplication::exit(0);
    });
    done->start(10);
  });
  return QApplication::exec();
}
