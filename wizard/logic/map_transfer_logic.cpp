// The map transfer page.
#include "wizard/logic/map_transfer_logic.h"

#include <algorithm>
#include <vector>

#include "jobs/map_transfer.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/interruption.h"
#include "wizard/logic/display_text.h"
#include "wizard/logic/face_services.h"
#include "wizard/logic/sheet_logic.h"
#include "wizard/logic/wizard_state.h"

namespace {

constexpr int kTransferTimer = 1010;

}  // namespace

CMapTransferLogic::CMapTransferLogic(CWizardState& state)
    : CPageLogic(state, kPageMapTransfer, IDS_TITLE_MAP_TRANSFER), m_status(String(IDS_TRANSFER_RUNNING)) {}

bool CMapTransferLogic::OnSetActive() {
  SetWizardButtons(kButtonBack);
  m_leaving = false;
  m_status = String(IDS_TRANSFER_RUNNING);
  m_state.report.clear();
  m_state.warnings.clear();
  m_madeRoom.clear();
  m_shown = {};
  m_shown.totalBlocks = RunTransfer(m_state.filePairs, nullptr, m_state);
  Refresh(kTexts | kProgress);
  SetTimer(kTransferTimer, 1);
  return true;
}

void CMapTransferLogic::OnTimer(int timerId) {
  if (timerId != kTransferTimer) return;
  KillTimer(kTransferTimer);
  if (m_running) return;
  m_copyingShown = true;
  m_hintEnabled = false;
  Refresh(kTexts);
  m_copy = m_shown;
  m_doneBlocks = 0;
  m_startTick = TickCountMs();
  m_signal = 0;
  m_outcome = {};
  m_cancelled = false;
  m_running = true;
  m_state.runner.Run([this] { RunCopy(); }, [this] { CopyDone(); });
}

void CMapTransferLogic::RunCopy() {
  // SIGINT, SIGTERM or SIGHUP stops the copy as a cancel does, and then the program.
  const CCooperativeInterrupt interrupt;
  RunTransfer(m_state.filePairs, this, m_state, &m_outcome);
  m_signal = CCooperativeInterrupt::Signal();
}

void CMapTransferLogic::CopyDone() {
  m_running = false;
  if (m_signal != 0) {
    if (m_sheet != nullptr) m_sheet->RequestEndProgram(InterruptExitStatus(m_signal));
    return;
  }
  m_hintEnabled = true;
  if (m_cancelled) {
    // The copy has stopped and removed what it added; only now may the region page, and with it
    // a new set of file pairs, come back.
    m_cancelled = false;
    Refresh(kTexts);
    ShowCancelled();
    if (m_sheet == nullptr) return;
    if (m_closing) {
      // The wizard was closed during the copy, and may go now that it is over.
      m_closing = false;
      m_sheet->RequestClose();
      return;
    }
    m_leaving = true;
    m_sheet->RequestBack();
    return;
  }
  m_copyingShown = false;
  m_shown = m_copy;
  m_shown.fileName.clear();
  m_shown.fileBlocks = 0;
  m_shown.fileDone = 0;
  m_status = String(IDS_TRANSFER_DONE);
  if (!m_outcome.madeRoom.empty()) {
    m_madeRoom = Text("madeRoom");
    for (const std::string& target : m_outcome.madeRoom) m_madeRoom += "\n" + DisplayPath(target);
  }
  Refresh(kTexts | kProgress);
  SetWizardButtons(kButtonNext);
}

void CMapTransferLogic::ShowCancelled() {
  // The region whose older copy went to make room, and whose new copy was not finished.
  const STransferOutcome& cancelled = m_outcome;
  std::vector<std::string> lost;
  if (std::find(cancelled.madeRoom.begin(), cancelled.madeRoom.end(), cancelled.stopped) != cancelled.madeRoom.end())
    lost.push_back(cancelled.stopped);
  if (cancelled.kept.empty() && cancelled.removed.empty() && lost.empty()) return;
  std::string text = Text("cancelled");
  const auto list = [&](const char* heading, const std::vector<std::string>& targets) {
    if (targets.empty()) return;
    text += "\n\n" + Text(heading);
    for (const std::string& target : targets) text += "\n" + DisplayPath(target);
  };
  list("kept", cancelled.kept);
  list("removed", cancelled.removed);
  list("lost", lost);
  m_state.dialogs.Warn(text, String(IDS_CAPTION));
}

void CMapTransferLogic::OnFileStart(const std::string& source) {
  m_copy.fileBlocks = CountBlocks(source);
  m_copy.fileDone = 0;
  m_copy.fileName = DisplayPath(SECFileSystem().FileNameOf(source));
  if (m_observer != nullptr) m_observer->OnTransferProgress(m_copy);
}

void CMapTransferLogic::OnBlockCopied() {
  // A cancel answered just now: the copy stops after this block, so nothing more is shown.
  if (m_cancelled) return;
  m_copy.fileDone = std::min(m_copy.fileDone + 1, m_copy.fileBlocks);
  ++m_doneBlocks;
  m_copy.totalDone = std::min(m_doneBlocks, m_copy.totalBlocks);
  m_copy.timeLeft = FormatTimeLeft(TickCountMs() - m_startTick, m_doneBlocks, m_copy.totalBlocks);
  if (m_observer != nullptr) m_observer->OnTransferProgress(m_copy);
}

bool CMapTransferLogic::IsCancelled() { return m_cancelled || CCooperativeInterrupt::Signal() != 0; }

int CMapTransferLogic::OnWizardBack() {
  if (m_leaving) {
    m_leaving = false;
    return kPageMap;
  }
  // Back is offered only while a copy runs, and one cancel is enough.
  if (m_running && !m_cancelled) ConfirmCancel();
  return PageId();
}

bool CMapTransferLogic::OnQueryCancel() {
  if (!m_running) return true;
  // Closing asks as Back does, and a yes leaves the destination as Back's cancel does: the wizard
  // closes once the copy has stopped and taken away what it added. A cancel already under way
  // closes it then too.
  if (m_cancelled || ConfirmCancel()) m_closing = true;
  return false;
}

bool CMapTransferLogic::ConfirmCancel() {
  if (!m_state.dialogs.AskYesNo(String(IDS_CANCEL_TRANSFER), String(IDS_CAPTION))) return false;
  m_cancelled = true;
  // The copy's own counters are left to it: it stops after its block and shows nothing more.
  m_shown.fileName.clear();
  m_shown.timeLeft.clear();
  Refresh(kFileAndTime);
  return true;
}

int CMapTransferLogic::OnWizardNext() { return m_running ? PageId() : kPageFinish; }
