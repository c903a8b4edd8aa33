// The Finish page: the outcome of the job and one line per file that failed.
#pragma once

#include "wizard/pages/property_page.h"

class QLabel;
class QTextEdit;

// Shows `report` as it stands when the page becomes active. Back discards the report and the
// file pairs and returns to the page where the job's files were chosen.
class CPropertyPageFinish : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageFinish(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardBack() override;
  void OnTimer(int timerId) override;

  QLabel* Outcome() const { return m_outcome; }
  QTextEdit* Details() const { return m_details; }

 private:
  QLabel* m_outcome;
  QTextEdit* m_details;
};
