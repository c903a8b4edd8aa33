// Welcome and conversion mode: a radio group bound to the choice.
#include "wizard/win32/page_choice.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "resources/win32/resource_ids.h"

void CChoicePage::Show(unsigned parts) {
  if ((parts & CChoicePageLogic::kChoice) == 0) return;
  const int choice = m_choice.Choice();
  for (int id = IDC_CHOICE_FIRST; id <= m_last; ++id) {
    CheckDlgButton(m_window, id, id - IDC_CHOICE_FIRST == choice ? BST_CHECKED : BST_UNCHECKED);
  }
}

void CChoicePage::OnCommand(int control, int code) {
  if (code == BN_CLICKED && control >= IDC_CHOICE_FIRST && control <= m_last &&
      IsDlgButtonChecked(m_window, control) == BST_CHECKED) {
    m_choice.Choose(control - IDC_CHOICE_FIRST);
  }
}
