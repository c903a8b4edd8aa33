// The map transfer page: the copy's status, progress and time left.
#pragma once

#include "wizard/logic/map_transfer_logic.h"
#include "wizard/pages/property_page.h"

class QLabel;
class QProgressBar;

// The status line, the file being copied with its bar, the time left with the total bar, and the
// regions that made room, over CMapTransferLogic. The copy runs on the window's thread; each time
// it shows its progress the page lets the window system work, so it paints and Back (or closing
// the wizard) can ask to cancel.
class CPropertyPageMapTransfer : public CPropertyPage_, private CTransferObserver {
  Q_OBJECT

 public:
  CPropertyPageMapTransfer(CMapTransferLogic& logic, const CResourceSource& resources);

  bool Running() const { return m_logic.Running(); }
  QLabel* Status() const { return m_status; }
  QLabel* CopyingLabel() const { return m_copyingLabel; }
  QLabel* FileName() const { return m_fileName; }
  QLabel* TimeLeft() const { return m_timeLeft; }
  QLabel* Hint() const { return m_hint; }
  QProgressBar* FileBar() const { return m_fileBar; }
  QProgressBar* TotalBar() const { return m_totalBar; }
  // After the copy: the regions whose older copy had to go first to make room; hidden if none.
  QLabel* MadeRoom() const { return m_madeRoom; }

 protected:
  void Render(unsigned parts) override;

 private:
  void OnTransferProgress(const STransferProgress& progress) override;
  void ShowProgress(const STransferProgress& progress);

  CMapTransferLogic& m_logic;
  QLabel* m_status;
  QLabel* m_copyingLabel;
  QLabel* m_fileName;
  QProgressBar* m_fileBar;
  QLabel* m_timeLeft;
  QProgressBar* m_totalBar;
  QLabel* m_madeRoom;
  QLabel* m_hint;
};
