// The file selection page.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>

#include "wizard/logic/destination_logic.h"
#include "wizard/win32/list_row_tips.h"
#include "wizard/win32/property_page.h"

class CDestinationPage : public CWin32Page {
 public:
  CDestinationPage(CDestinationLogic& logic, const CResourceTexts& texts)
      : CWin32Page(logic, texts), m_destination(logic) {}
  ~CDestinationPage() override;

 protected:
  void OnInitDialog() override;
  void Show(unsigned parts) override;
  void OnCommand(int control, int code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void DrawRow(const DRAWITEMSTRUCT& item) const;

  CDestinationLogic& m_destination;
  HICON m_mark = nullptr;
  CListRowTips m_rowTips[2];
};
