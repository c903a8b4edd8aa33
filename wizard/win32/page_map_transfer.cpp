// The map transfer page.
#include "wizard/win32/page_map_transfer.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/win32/resource_texts.h"
#include "app/win32/services.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "wizard/win32/progress_bar.h"

CMapTransferPage::CMapTransferPage(CMapTransferLogic& logic, const CResourceTexts& texts)
    : CWin32Page(logic, texts), m_transfer(logic) {
  logic.SetProgressObserver(this);
}

void CMapTransferPage::OnInitDialog() {
  SetText(IDC_COPYING_LABEL, m_texts.Utf8String(IDS_COPYING_FILE));
  SetText(IDC_TIME_LEFT_LABEL, m_texts.Utf8String(IDS_TIME_LEFT));
}

void CMapTransferPage::Show(unsigned parts) {
  if ((parts & CMapTransferLogic::kTexts) != 0) {
    SetText(IDC_TRANSFER_STATUS, m_transfer.Status());
    ShowControl(IDC_COPYING_LABEL, m_transfer.CopyingShown());
    EnableWindow(GetDlgItem(m_window, IDC_HINT), m_transfer.HintEnabled());
    ShowControl(IDC_MADE_ROOM, !m_transfer.MadeRoom().empty());
    SetText(IDC_MADE_ROOM, m_transfer.MadeRoom());
  }
  if ((parts & CMapTransferLogic::kProgress) != 0) ShowProgress(m_transfer.Progress(), true);
  if ((parts & CMapTransferLogic::kFileAndTime) != 0) ShowProgress(m_transfer.Progress(), false);
}

void CMapTransferPage::OnProgress() {
  STransferProgress latest;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    latest = m_latest;
  }
  ShowProgress(latest, true);
  UpdateWindow(m_window);
}

void CMapTransferPage::ShowProgress(const STransferProgress& progress, bool bars) {
  SetText(IDC_FILE_NAME, progress.fileName);
  SetText(IDC_TIME_LEFT, progress.timeLeft);
  if (!bars) return;
  SetBar(GetDlgItem(m_window, IDC_FILE_BLOCKS), progress.fileBlocks, progress.fileDone);
  SetBar(GetDlgItem(m_window, IDC_TOTAL_BLOCKS), progress.totalBlocks, progress.totalDone);
}

void CMapTransferPage::OnTransferProgress(const STransferProgress& progress) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_latest = progress;
  }
  PostMessageW(m_window, kProgressMessage, 0, 0);
}
