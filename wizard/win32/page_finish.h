// The Finish page.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include "wizard/logic/finish_logic.h"
#include "wizard/win32/property_page.h"

// Finish (133).
class CFinishPage : public CWin32Page {
 public:
  CFinishPage(CFinishLogic& logic, const CResourceTexts& texts) : CWin32Page(logic, texts), m_finish(logic) {}

 protected:
  void Show(unsigned parts) override;

 private:
  CFinishLogic& m_finish;
};
