// The Finish page: the outcome of the job and one line per file that failed.
#pragma once

#include "wizard/pages/property_page.h"

class QLabel;
class QTextEdit;

// Shows `report` as it stands when the page becomes active, and whether the unit or card the job
// wrote to may be unplugged. Back discards the report and the file pairs and returns to the page
// where the job's files were chosen.
class CPropertyPageFinish : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageFinish(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardBack() override;
  void OnTimer(int timerId) override;

  QLabel* Outcome() const { return m_outcome; }
  QTextEdit* Details() const { return m_details; }
  // Whether the volume the job wrote to may be unplugged; hidden when it wrote to none.
  QLabel* VolumeNoteLabel() const { return m_volumeNote; }

 private:
  QString VolumeNote() const;

  QLabel* m_outcome;
  QLabel* m_volumeNote;
  QTextEdit* m_details;
};
