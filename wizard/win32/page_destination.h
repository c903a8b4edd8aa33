// The file selection page.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>

#include "wizard/logic/destination_logic.h"
#include "wizard/win32/property_page.h"

// Files selection (134).
class CDestinationPage : public CWin32Page {
 public:
  CDestinationPage(CDestinationLogic& logic, const CResourceTexts& texts)
      : CWin32Page(logic, texts), m_destination(logic) {}

 protected:
  void OnInitDialog() override;
  void Show(unsigned parts) override;
  void OnCommand(int control, int code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) override;

 private:
  CDestinationLogic& m_destination;
};
