// The map region selection page.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>

#include "wizard/logic/map_logic.h"
#include "wizard/win32/list_row_tips.h"
#include "wizard/win32/property_page.h"

// Map region selection (139): a list view with a check box per region.
class CMapPage : public CWin32Page {
 public:
  CMapPage(CMapLogic& logic, const CResourceTexts& texts) : CWin32Page(logic, texts), m_map(logic) {}

 protected:
  void OnInitDialog() override;
  void Show(unsigned parts) override;
  void OnCommand(int control, int code) override;
  bool OnNotify(const NMHDR& header, LONG_PTR& result) override;
  // The total in red while the ticked regions do not fit, and the reasons in red.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  // The custom draw's answer for the region list: a refused region's size in red.
  LONG_PTR DrawRow(const NMLVCUSTOMDRAW& draw) const;

  CMapLogic& m_map;
  bool m_filling = false;
  CListRowTips m_rowTips;
  CListRowTips m_destinationTips;
};
