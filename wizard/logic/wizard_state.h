// What the wizard's pages share: the job's state and the services of the face that shows them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/file_pairs.h"
#include "storage/report_sink.h"
#include "storage/unit_device.h"

class CAttemptPacer;
class CDialogs;
class CJobRunner;
class CTextSource;
class CWaitIndicators;
struct SVolumeType;

// The state the pages read and write instead of talking to each other, and the services the face
// gives them (texts, dialogs, the please-wait box and busy cursor, the search's pauses, the runner
// of long work). The application object derives from it; tests derive small fakes.
class CWizardState : public CReportSink {
 public:
  // What the Finish page says about the removable volume the job wrote to, if any.
  enum class EVolumeNote {
    kNone,
    kUnitEjected,     // the conversion job put files on the unit and ejected it
    kUnitNotEjected,  // ... and the unit refused the eject (or the drive source cannot eject)
    kStillMounted,    // the map job wrote to its destination, which it does not eject
  };

  CWizardState(const CTextSource& texts, CDialogs& dialogs, CWaitIndicators& wait, CAttemptPacer& pacer,
               CJobRunner& runner);

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

  // One line of the report: the message of the id in the current texts, the path in place of
  // "%s", with the reason the file was refused (the Finish page shows it under the line).
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason = {}) override;
  void AddWarning(const SSourceWarning& warning) override { warnings.push_back(warning); }

  // The please-wait box over the current page while it searches; at most one at a time, and
  // closing none does nothing. The wizard takes no input meanwhile, closing included.
  void ShowWaitBox();
  void CloseWaitBox();
  bool WaitBoxShown() const { return m_waitBoxShown; }

  // The temporary folder in its long form: test mode's stand-in for the unit, and the staging place.
  virtual std::string TempFolder() const;
  // The desktop product's documents folder, looked up anew at every use.
  virtual std::string DesktopDocumentsFolder() const;
  // The free bytes of a destination, -1 when they cannot be read.
  virtual std::int64_t QueryFreeBytes(const std::string& root) const;
  // The file system of a destination; false when it cannot be read.
  virtual bool QueryVolumeType(const std::string& root, SVolumeType& type) const;

  const CTextSource& texts;
  CDialogs& dialogs;
  CWaitIndicators& wait;
  CAttemptPacer& pacer;
  CJobRunner& runner;

 private:
  bool m_waitBoxShown = false;
};
