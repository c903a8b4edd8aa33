// What the wizard's pages share: the job's state and the application's services.
#pragma once

#include <string>
#include <vector>

#include "storage/file_pairs.h"
#include "storage/report_sink.h"
#include "storage/unit_device.h"

class CAttemptPacer;
class CDialogs;
class CResourceSource;
class QWidget;

// The state the pages read and write instead of talking to each other, and the services the
// application gives them (the please-wait box, dialogs, the resource source). The application
// object derives from it; tests derive small fakes.
class CWizardState : public CReportSink {
 public:
  // What the Finish page says about the removable volume the job wrote to, if any.
  enum class EVolumeNote {
    kNone,
    kUnitEjected,     // the conversion job put files on the unit and ejected it
    kUnitNotEjected,  // ... and the unit refused the eject (or the drive source cannot eject)
    kStillMounted,    // the map job wrote to its destination, which it does not eject
  };

  CWizardState(const CResourceSource& resources, CDialogs& dialogs, CAttemptPacer& pacer);

  int job = 0;        // 0 convert waypoints/routes/tracks, 1 transfer map regions
  int direction = 0;  // EConversionDirection: 0 to the unit, 1 to the desktop product, 2 to GPX
  CFilePairs filePairs;
  std::vector<SReportLine> report;
  // What the conversions changed in sources they did not refuse; the Finish page shows them after
  // the failures.
  std::vector<SSourceWarning> warnings;
  EVolumeNote volumeNote = EVolumeNote::kNone;
  std::string volumeName;  // kStillMounted: the destination as the region page names it (UTF-8)
  CUnitDevice unit;
  bool testMode = false;
  // The code page of the names, read once at start-up (TRANSVANE_CODEPAGE, else the locale's), and
  // why the variable's page was not used when it was set to one that cannot be (else empty).
  std::string codePage = "CP1252";
  std::string codePageProblem;

  // One line of the report: the message of the id in the current resource source, the path in
  // place of "%s", with the reason the file was refused (the Finish page shows it under the line).
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) override;
  void AddWarning(const SSourceWarning& warning) override { warnings.push_back(warning); }

  // The please-wait box over a page while it searches; the wizard is disabled meanwhile.
  virtual void ShowWaitBox(QWidget* page) = 0;
  virtual void CloseWaitBox() = 0;
  // The box while it shows (questions asked during a search sit on it), else nullptr.
  virtual QWidget* WaitBox() const = 0;

  // The temporary folder in its long form: test mode's stand-in for the unit, and the staging place.
  virtual std::string TempFolder() const;
  // The desktop product's documents folder, looked up anew at every use.
  virtual std::string DesktopDocumentsFolder() const;

  const CResourceSource& resources;
  CDialogs& dialogs;
  CAttemptPacer& pacer;
};
