// The conversion and transfer page: runs the conversion job over the file pairs.
#pragma once

#include <cstddef>
#include <string>

#include "wizard/logic/page_logic.h"

// Told how many pairs are done as the job goes, from the thread the job runs on (a face whose
// job runs on a thread of its own posts it to its window).
class CConversionProgress {
 public:
  virtual ~CConversionProgress() = default;
  virtual void OnPairsDone(std::size_t done) = 0;
};

// Conversion and transfer (135). Converts every pair of `filePairs` with the same per-file routines
// as the command-line tool, one report line per failed file, and asks the unit to eject once when
// the job put files on it. On activation no button is offered and a timer is set; on the timer the
// job runs through the state's job runner, with the busy cursor, and cannot be cancelled: the
// wizard refuses to close until it is done. Then only Next is offered.
//
// The face shows on Refresh(kTexts): Status(), the hint when HintShown(), the code page note when
// CodePageNoteShown() (its text CodePageNote(), its tooltip the reason CodePageProblem()); on
// Refresh(kProgress): the file progress bar at 0..PairCount() with PairsDone(). While the job
// runs, the progress observer tells the pairs done instead (the face paints the bar at once).
// The second progress bar of the dialog stays hidden at 0..0: this job does not use it.
class CConversionLogic : public CPageLogic {
 public:
  enum EPart : unsigned { kTexts = 1, kProgress = 2 };

  explicit CConversionLogic(CWizardState& state);
  void SetProgressObserver(CConversionProgress* progress) { m_progress = progress; }

  bool OnSetActive() override;
  void OnTimer(int timerId) override;
  bool OnQueryCancel() override { return !m_running; }

  bool Done() const { return m_done; }
  const std::string& Status() const { return m_status; }
  bool HintShown() const { return m_done; }
  bool CodePageNoteShown() const;
  std::string CodePageNote() const;
  const std::string& CodePageProblem() const;
  std::size_t PairCount() const { return m_pairCount; }
  std::size_t PairsDone() const { return m_pairsDone; }

 private:
  // The job itself, on the runner's thread: every pair, then the eject.
  void RunJob();
  void JobDone();

  CConversionProgress* m_progress = nullptr;
  std::string m_status;
  std::size_t m_pairCount = 0;
  std::size_t m_pairsDone = 0;
  int m_direction = 0;  // CWizardState::direction when the job began
  bool m_running = false;
  bool m_done = false;
};
