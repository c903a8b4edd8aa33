// The Finish page: the outcome of the job, the volume to unplug, and one line per file that failed.
#pragma once

#include <string>
#include <vector>

#include "storage/report_sink.h"
#include "wizard/logic/page_logic.h"

// Every line of the report, each followed by its reason indented under it, line by line.
std::string ReportText(const std::vector<SReportLine>& report);

// Finish (133). Shows `report` as it stands when the page becomes active, and whether the unit or
// card the job wrote to may be unplugged; Back and Finish are offered. Back discards the report
// and the file pairs and returns to the page where the job's files were chosen.
//
// The face shows the view on Refresh(kTexts): Outcome() in the outcome text (three lines high),
// VolumeNote() (hidden when empty; plain text, it may hold a volume's label), Details() as plain
// text in the read-only details box, shown only when DetailsShown(). On Refresh(kCaret), a moment
// after activation, it puts the details box's caret at its start with nothing selected.
class CFinishLogic : public CPageLogic {
 public:
  enum EPart : unsigned { kTexts = 1, kCaret = 2 };

  explicit CFinishLogic(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardBack() override;
  void OnTimer(int timerId) override;

  const std::string& Outcome() const { return m_outcome; }
  const std::string& VolumeNote() const { return m_volumeNote; }
  bool DetailsShown() const { return m_detailsShown; }
  const std::string& Details() const { return m_details; }

 private:
  std::string VolumeNoteText() const;

  std::string m_outcome;
  std::string m_volumeNote;
  bool m_detailsShown = false;
  std::string m_details;
};
