// The map transfer page: copies the chosen map regions onto the destination, with progress.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "storage/block_copy.h"
#include "wizard/logic/page_logic.h"

// What the page shows of the copy: the file being copied (its name, and its blocks on the file
// bar), the blocks of the whole job on the total bar, and the time left.
struct STransferProgress {
  std::string fileName;
  std::uint64_t fileBlocks = 0;  // the file bar's range, 0..fileBlocks (0..0 shows an empty bar)
  std::uint64_t fileDone = 0;
  std::uint64_t totalBlocks = 0;
  std::uint64_t totalDone = 0;
  std::string timeLeft;
  bool operator==(const STransferProgress&) const = default;
};

// Told of the copy's progress from the thread that copies, by value: a face whose copy runs on a
// thread of its own posts it to its window. The Qt face shows it and lets the window system work,
// so that the page paints and Back can ask to cancel while the copy runs on the window's thread.
class CTransferObserver {
 public:
  virtual ~CTransferObserver() = default;
  virtual void OnTransferProgress(const STransferProgress& progress) = 0;
};

// Map transfer (141). The copy starts a moment after the page is shown (timer 1010), through the
// state's job runner, block by block; Back during it asks whether to cancel, and so does closing
// the wizard (which then closes where Back would return). A confirmed cancel stops after the
// block in progress, removes the files the copy added (those it replaced keep the new copy), tells
// the user which, and only then presses Back for the region page: the file pairs are never rebuilt
// while a copy or its clean-up still uses them. An interrupt (SIGINT, SIGTERM, SIGHUP) stops the
// copy the same way and then ends the program with 128 + the signal's number. Failed files become
// lines of the report; regions whose older copy had to be removed first for want of room are
// listed when the copy is over.
//
// The face shows on Refresh: kTexts the status line, the "Copying File:" label when CopyingShown(),
// the hint enabled or greyed (HintEnabled()), the regions that made room (MadeRoom(), hidden when
// empty); kProgress the progress as Progress() holds it, kFileAndTime only its file name and time
// left (emptied by a cancel, the bars left as the copy last showed them). During the copy the
// observer brings the progress instead.
class CMapTransferLogic : public CPageLogic, private CCopyObserver {
 public:
  enum EPart : unsigned { kTexts = 1, kProgress = 2, kFileAndTime = 4 };

  explicit CMapTransferLogic(CWizardState& state);
  void SetProgressObserver(CTransferObserver* observer) { m_observer = observer; }

  bool OnSetActive() override;
  int OnWizardNext() override;
  int OnWizardBack() override;
  bool OnQueryCancel() override;
  void OnTimer(int timerId) override;

  bool Running() const { return m_running; }
  const std::string& Status() const { return m_status; }
  bool CopyingShown() const { return m_copyingShown; }
  bool HintEnabled() const { return m_hintEnabled; }
  const std::string& MadeRoom() const { return m_madeRoom; }
  const STransferProgress& Progress() const { return m_shown; }

 private:
  // The copy's observer, on the thread that copies.
  void OnFileStart(const std::string& source) override;
  void OnBlockCopied() override;
  bool IsCancelled() override;

  void RunCopy();
  void CopyDone();
  // The cancel question; true (and the copy told to stop) on yes.
  bool ConfirmCancel();
  void ShowCancelled();

  CTransferObserver* m_observer = nullptr;
  std::string m_status;
  bool m_copyingShown = true;
  bool m_hintEnabled = true;
  std::string m_madeRoom;
  STransferProgress m_shown;  // the view, on the window's thread

  // The copy's own, touched only by the thread that copies while it runs.
  STransferProgress m_copy;
  std::uint64_t m_doneBlocks = 0;
  std::uint32_t m_startTick = 0;
  STransferOutcome m_outcome;
  int m_signal = 0;

  std::atomic<bool> m_cancelled{false};
  bool m_running = false;
  bool m_leaving = false;  // the copy has unwound after a cancel: Back goes without a question
  bool m_closing = false;  // the wizard was closed during the copy: it closes once the copy has unwound
};
