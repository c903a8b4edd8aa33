// Renders each page of the conversion job and of the map job offscreen (test mode) to PNG files,
// and measures the time from the process's start to the first painted page.
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/wizard_app.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_welcome.h"

namespace {

// Picks the sample file in the open dialog; every other dialog is cancelled.
class CSampleDialogs : public CDialogs {
 public:
  explicit CSampleDialogs(std::string sample) : m_sample(std::move(sample)) {}
  std::vector<std::string> OpenFiles(QWidget*, const QString&, const std::string&) override { return {m_sample}; }
  bool SaveFile(QWidget*, const QString&, const std::string&, const std::string&, const std::string&,
                std::string&) override {
    return false;
  }
  bool AskRetry(QWidget*, const QString&, const QString&) override { return false; }
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
  void Warn(QWidget*, const QString&, const QString&) override {}

 private:
  std::string m_sample;
};

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

// A Wine prefix with one installation of the desktop product holding a few map regions, made
// one after the other so that they list newest first, and an empty folder standing for a card.
// Answers the card's folder.
std::string MakeMapFixtures(const std::string& root) {
  namespace fs = std::filesystem;
  const std::string prefix = root + "/wine";
  const std::string maps = prefix + "/drive_c/Program Files/Tavrelin/Vexlorn/Maps";
  fs::create_directories(maps + "/Europe");
  fs::create_directories(prefix + "/dosdevices");
  std::error_code ignored;
  fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:", ignored);
  std::ofstream(prefix + "/system.reg") << "WINE REGISTRY Version 2\n\n[Software\\\\Tavrelin] 1700000000\n\n"
                                           "[Software\\\\Tavrelin\\\\Vexlorn] 1700000000\n"
                                           "\"Path\"=\"C:\\\\Program Files\\\\Tavrelin\\\\Vexlorn\"\n";
  const std::pair<const char*, std::size_t> regions[] = {
      {"World.tdx", 1'800'000}, {"Europe/Alps.imi", 3'400'000}, {"Europe/Brittany.imi", 2'100'000}};
  for (const auto& [name, size] : regions) std::ofstream(maps + "/" + name) << std::string(size, 'm');
  ::setenv("WINEPREFIX", prefix.c_str(), 1);
  fs::create_directories(root + "/card");
  return root + "/card";
}

void Settle(int rounds = 5) {
  for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 2 && std::string(argv[1]) == "--startup")) {
    std::fprintf(stderr, "usage: transvane-screenshots OUTPUT_FOLDER SAMPLE.wpt | --startup\n");
    return 2;
  }
  const bool startupOnly = argc == 2;
  QApplication application(argc, argv);
  CSampleDialogs dialogs(startupOnly ? std::string() : argv[2]);
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
  static_cast<CPropertyPageDestination*>(sheet.PageById(kPageDestination))->LeftBrowse()->click();
  shoot("4-files-selection");
  next();
  while (!sheet.NextButton()->isEnabled() && deadline.elapsed() < 30000) QCoreApplication::processEvents();
  shoot("5-conversion-and-transfer");
  next();
  shoot("6-finish");

  // The map job: back to the Welcome page, then the card page; test mode finds no card, so the
  // region page is given the fixture card as its destination.
  for (int i = 0; i < sheet.PageCount() && sheet.CurrentPage()->PageId() != kPageWelcome; ++i) {
    sheet.BackButton()->click();
    Settle();
  }
  const std::string card = MakeMapFixtures(QDir::tempPath().toStdString());
  static_cast<CPropertyPageWelcome*>(sheet.PageById(kPageWelcome))->MapsChoice()->click();
  next();
  shoot("7-insert-card");
  auto* map = static_cast<CPropertyPageMap*>(sheet.PageById(kPageMap));
  map->destinationDrives = {card};
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
