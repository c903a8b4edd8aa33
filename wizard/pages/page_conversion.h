// The conversion and transfer page: the job's status and progress.
#pragma once

#include "wizard/logic/conversion_logic.h"
#include "wizard/pages/property_page.h"

class QLabel;
class QProgressBar;

// The status, the file progress and the hint over CConversionLogic. The job runs on the window's
// thread without letting the window system work, so the progress bar is painted at once.
class CPropertyPageConversion : public CPropertyPage_, private CConversionProgress {
  Q_OBJECT

 public:
  CPropertyPageConversion(CConversionLogic& logic, const CResourceSource& resources);

  bool Done() const { return m_logic.Done(); }
  QLabel* Status() const { return m_status; }
  QLabel* Hint() const { return m_hint; }
  QLabel* CodePageNote() const { return m_codePageNote; }
  QProgressBar* FileProgress() const { return m_fileProgress; }

 protected:
  void Render(unsigned parts) override;

 private:
  void OnPairsDone(std::size_t done) override;

  CConversionLogic& m_logic;
  QLabel* m_status;
  QProgressBar* m_fileProgress;
  QLabel* m_codePageNote;  // why TRANSVANE_CODEPAGE was not used, when it was not
  QProgressBar* m_secondProgress;
  QLabel* m_hint;
};
