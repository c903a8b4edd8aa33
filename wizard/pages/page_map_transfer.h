// The map transfer page: copies the chosen map regions onto the destination, with progress.
#pragma once

#include <cstdint>
#include <string>

#include "storage/block_copy.h"
#include "storage/interruption.h"
#include "wizard/pages/property_page.h"

class QLabel;
class QProgressBar;

// The map job's copy. It starts as soon as the page is shown and runs on the window's thread,
// block by block; between blocks the page lets the window system work, so it paints and Back can
// ask to cancel; closing the wizard (or Esc) asks the same and, on yes, closes it where Back would
// return. A confirmed cancel stops after the block in progress, removes the files the copy
// added (those it replaced keep the new copy), tells the user which, and only then returns to
// the region page: the file pairs are never rebuilt while a copy or its clean-up still uses them.
// An interrupt (SIGINT, SIGTERM, SIGHUP) stops the copy the same way and then ends the program
// with 128 + the signal's number. Failed files become lines of the report; regions whose older
// copy had to be removed first for want of room are listed when the copy is over.
class CPropertyPageMapTransfer : public CPropertyPage_, public CCopyObserver {
  Q_OBJECT

 public:
  explicit CPropertyPageMapTransfer(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardNext() override;
  int OnWizardBack() override;
  bool OnQueryCancel() override;
  void DoDataExchange(bool toFields) override;
  void OnTimer(int timerId) override;

  void OnFileStart(const std::string& source) override;
  void OnBlockCopied() override;
  bool IsCancelled() override { return m_cancelled || CCooperativeInterrupt::Signal() != 0; }

  bool Running() const { return m_running; }
  QLabel* Status() const { return m_status; }
  QLabel* CopyingLabel() const { return m_copyingLabel; }
  QLabel* FileName() const { return m_fileName; }
  QLabel* TimeLeft() const { return m_timeLeft; }
  QLabel* Hint() const { return m_hint; }
  QProgressBar* FileBar() const { return m_fileBar; }
  QProgressBar* TotalBar() const { return m_totalBar; }
  // After the copy: the regions whose older copy had to go first to make room; hidden if none.
  QLabel* MadeRoom() const { return m_madeRoom; }

 private:
  // The cancel question; true (and the copy told to stop) on yes.
  bool ConfirmCancel();
  void ShowCancelled(const STransferOutcome& cancelled);
  void DispatchMessages();

  QLabel* m_status;
  QLabel* m_copyingLabel;
  QLabel* m_fileName;
  QProgressBar* m_fileBar;
  QLabel* m_timeLeft;
  QProgressBar* m_totalBar;
  QLabel* m_madeRoom;
  QLabel* m_hint;

  std::string m_fileNameText;
  std::string m_timeLeftText;
  std::uint32_t m_startTick = 0;
  std::uint64_t m_totalBlocks = 0;
  std::uint64_t m_doneBlocks = 0;
  bool m_cancelled = false;
  bool m_running = false;
  bool m_leaving = false;  // the copy has unwound after a cancel: Back goes without a question
  bool m_closing = false;  // the wizard was closed during the copy: it closes once the copy has unwound
};
