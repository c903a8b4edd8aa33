// The Finish page: the outcome of the job and one line per file that failed.
#pragma once

#include "wizard/logic/finish_logic.h"
#include "wizard/pages/property_page.h"

class QLabel;
class QTextEdit;

// The outcome, the volume note and the report's details over CFinishLogic.
class CPropertyPageFinish : public CPropertyPage_ {
  Q_OBJECT

 public:
  CPropertyPageFinish(CFinishLogic& logic, const CResourceSource& resources);

  QLabel* Outcome() const { return m_outcome; }
  QTextEdit* Details() const { return m_details; }
  // Whether the volume the job wrote to may be unplugged; hidden when it wrote to none.
  QLabel* VolumeNoteLabel() const { return m_volumeNote; }

 protected:
  void Render(unsigned parts) override;

 private:
  CFinishLogic& m_logic;
  QLabel* m_outcome;
  QLabel* m_volumeNote;
  QTextEdit* m_details;
};
