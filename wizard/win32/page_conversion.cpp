// The conversion and transfer page.
#include "wizard/win32/page_conversion.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/win32/services.h"
#include "resources/win32/resource_ids.h"
#include "wizard/win32/progress_bar.h"

CConversionPage::CConversionPage(CConversionLogic& logic, const CResourceTexts& texts)
    : CWin32Page(logic, texts), m_conversion(logic) {
  logic.SetProgressObserver(this);
}

void CConversionPage::Show(unsigned parts) {
  if ((parts & CConversionLogic::kTexts) != 0) {
    SetText(IDC_STATUS, m_conversion.Status());
    ShowControl(IDC_HINT, m_conversion.HintShown());
    ShowControl(IDC_CODE_PAGE_NOTE, m_conversion.CodePageNoteShown());
    if (m_conversion.CodePageNoteShown()) SetText(IDC_CODE_PAGE_NOTE, m_conversion.CodePageNote());
  }
  if ((parts & CConversionLogic::kProgress) != 0) {
    SetBar(GetDlgItem(m_window, IDC_FILE_PROGRESS), m_conversion.PairCount(), m_conversion.PairsDone());
  }
}

void CConversionPage::OnProgress() {
  SetBar(GetDlgItem(m_window, IDC_FILE_PROGRESS), m_conversion.PairCount(), m_done.load());
  UpdateWindow(GetDlgItem(m_window, IDC_FILE_PROGRESS));
}

void CConversionPage::OnPairsDone(std::size_t done) {
  m_done = done;
  PostMessageW(m_window, kProgressMessage, 0, 0);
}
