// The Finish page.
#include "wizard/win32/page_finish.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "resources/win32/resource_ids.h"

void CFinishPage::Show(unsigned parts) {
  if ((parts & CFinishLogic::kTexts) != 0) {
    SetText(IDC_OUTCOME, m_finish.Outcome());
    ShowControl(IDC_VOLUME_NOTE, !m_finish.VolumeNote().empty());
    SetText(IDC_VOLUME_NOTE, m_finish.VolumeNote());
    ShowControl(IDC_DETAILS, m_finish.DetailsShown());
    SetText(IDC_DETAILS, m_finish.Details());
  }
  if ((parts & CFinishLogic::kCaret) != 0) SendDlgItemMessageW(m_window, IDC_DETAILS, EM_SETSEL, 0, 0);
}
