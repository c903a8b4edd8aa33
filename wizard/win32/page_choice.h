// Welcome and conversion mode: a radio group bound to the choice.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include "wizard/logic/choice_pages.h"
#include "wizard/win32/property_page.h"

// Welcome (129) and conversion mode (130): a radio group bound to the choice.
class CChoicePage : public CWin32Page {
 public:
  CChoicePage(CChoicePageLogic& logic, const CResourceTexts& texts, int last)
      : CWin32Page(logic, texts), m_choice(logic), m_last(last) {}

 protected:
  void Show(unsigned parts) override;
  void OnCommand(int control, int code) override;

 private:
  CChoicePageLogic& m_choice;
  int m_last;
};
