// Renders each page of the conversion job (to the unit, to GPX and back to the desktop) and of the
// map job offscreen (test mode) to PNG files, and measures the time from the process's start to
// the first painted page. The files and map regions are those of the desktop installation in
// $WINEPREFIX: `make screenshots` points it at the build's demo installation.
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/canned_dialogs.h"
#include "app/wizard_app.h"
#include "storage/installations.h"
#include "wizard/pages/file_preview.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_select_mode.h"
#include "wizard/pages/page_welcome.h"

namespace {

// Milliseconds since this process started, from the kernel's record of its start.
double MillisecondsSinceProcessStart() {
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) {
      const double startSeconds = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
      timespec now{};
      clock_gettime(CLOCK_BOOTTIME, &now);
      return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - startSeconds) * 1000.0;
    }
  }
  return -1;
}

// Notes the first paint of the wizard's first page.
class CFirstPaint : public QObject {
 public:
  double milliseconds = -1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && milliseconds < 0) milliseconds = MillisecondsSinceProcessStart();
    return QObject::eventFilter(watched, event);
  }
};

void Settle(int rounds = 5) {
  for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: transvane-screenshots OUTPUT_FOLDER | --startup\n");
    return 2;
  }
  const bool startupOnly = std::string(argv[1]) == "--startup";
  QApplication application(argc, argv);
  const std::string documents = CDesktopInstallations().DesktopDocumentsFolder();
  CCannedDialogs dialogs({documents + "/trip.wpt", documents + "/morning.trk"});
  SWizardOptions options;
  options.programPath = QCoreApplication::applicationFilePath();
  options.arguments = {QStringLiteral("/T")};
  options.uiLanguages = QLocale::system().uiLanguages();  // LANGUAGE=fr renders the French pages
  options.dialogs = &dialogs;
  options.askSession = false;
  CWizardApp wizard(options);
  CFirstPaint firstPaint;
  wizard.Start();
  wizard.Sheet().CurrentPage()->installEventFilter(&firstPaint);
  QElapsedTimer deadline;
  deadline.start();
  while (firstPaint.milliseconds < 0 && deadline.elapsed() < 5000) QCoreApplication::processEvents();
  if (startupOnly) {
    std::printf("start-up to the first painted page: %.1f ms\n", firstPaint.milliseconds);
    return firstPaint.milliseconds < 0 ? 1 : 0;
  }

  const QDir output(QString::fromLocal8Bit(argv[1]));
  CPropertySheet_& sheet = wizard.Sheet();
  const auto shoot = [&](const char* name) {
    Settle();
    const QString path = output.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!sheet.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  };
  const auto next = [&] {
    sheet.NextButton()->click();
    Settle();
  };
  shoot("1-welcome");
  next();
  shoot("2-connect-unit");
  next();
  shoot("3-conversion-mode");
  next();
  // Both samples added: the last target row is selected and the preview shows the track.
  auto* files = static_cast<CPropertyPageDestination*>(sheet.PageById(kPageDestination));
  files->LeftBrowse()->click();
  while (files->Preview()->Picture().isNull() && deadline.elapsed() < 30000) QCoreApplication::processEvents();
  shoot("4-files-selection");
  next();
  while (!sheet.NextButton()->isEnabled() && deadline.elapsed() < 30000) QCoreApplication::processEvents();
  shoot("5-conversion-and-transfer");
  next();
  shoot("6-finish");

  // The export to GPX: Back from Finish to the file selection page, Back again to the modes.
  sheet.BackButton()->click();
  Settle();
  sheet.BackButton()->click();
  Settle();
  static_cast<CPropertyPageSelectMode*>(sheet.PageById(kPageSelectMode))->ToGpxChoice()->click();
  shoot("11-export-mode");
  next();
  // The same samples: the preview draws the track again once the lists were emptied.
  bool drawn = false;
  const QMetaObject::Connection watch =
      QObject::connect(files->Preview(), &CFilePreview::Shown, [&] { drawn = !files->Preview()->Picture().isNull(); });
  files->LeftBrowse()->click();
  while (!drawn && deadline.elapsed() < 30000) QCoreApplication::processEvents();
  QObject::disconnect(watch);
  shoot("12-export-files-selection");

  // The unit files made of the samples, converted back: their targets are the samples, marked as
  // files that exist already.
  sheet.BackButton()->click();
  Settle();
  static_cast<CPropertyPageSelectMode*>(sheet.PageById(kPageSelectMode))->ToDesktopChoice()->click();
  next();
  const std::string unit = wizard.unit.Drive();
  dialogs.SetFiles({unit + "/trip.upt", unit + "/trip.rte", unit + "/morning.log"});
  drawn = false;
  const QMetaObject::Connection watchAgain =
      QObject::connect(files->Preview(), &CFilePreview::Shown, [&] { drawn = !files->Preview()->Picture().isNull(); });
  files->RightBrowse()->click();
  while (!drawn && deadline.elapsed() < 30000) QCoreApplication::processEvents();
  QObject::disconnect(watchAgain);
  shoot("13-to-desktop-files-selection");

  // The map job: back to the Welcome page, then the card page; in test mode the temporary folder
  // is the one destination.
  for (int i = 0; i < sheet.PageCount() && sheet.CurrentPage()->PageId() != kPageWelcome; ++i) {
    sheet.BackButton()->click();
    Settle();
  }
  static_cast<CPropertyPageWelcome*>(sheet.PageById(kPageWelcome))->MapsChoice()->click();
  next();
  shoot("7-insert-card");
  auto* map = static_cast<CPropertyPageMap*>(sheet.PageById(kPageMap));
  next();
  for (int row = 0; row < 2 && row < map->RegionList()->topLevelItemCount(); ++row) {
    map->RegionList()->topLevelItem(row)->setCheckState(0, Qt::Checked);
  }
  shoot("8-map-region-selection");
  next();
  while (!sheet.NextButton()->isEnabled() && deadline.elapsed() < 60000) QCoreApplication::processEvents();
  shoot("9-map-transfer");
  next();
  shoot("10-map-finish");
  return 0;
}
