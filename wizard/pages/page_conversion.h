// The conversion and transfer page: runs the conversion job over the file pairs.
#pragma once

#include "wizard/pages/property_page.h"

class QLabel;
class QProgressBar;

// Converts every pair of `filePairs` with the same per-file routines as the command-line tool,
// one report line per failed file. The job runs from a timer right after the page is painted and
// cannot be interrupted; afterwards only Next is offered.
class CPropertyPageConversion : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageConversion(CWizardState& state);

  bool OnSetActive() override;
  void OnTimer(int timerId) override;

  bool Done() const { return m_done; }
  QLabel* Status() const { return m_status; }
  QLabel* Hint() const { return m_hint; }
  QLabel* CodePageNote() const { return m_codePageNote; }
  QProgressBar* FileProgress() const { return m_fileProgress; }

 private:
  QLabel* m_status;
  QProgressBar* m_fileProgress;
  QLabel* m_codePageNote;  // why TRANSVANE_CODEPAGE was not used, when it was not
  QProgressBar* m_secondProgress;
  QLabel* m_hint;
  int m_direction = 0;  // CWizardState::direction when the job began
  bool m_done = false;
};
