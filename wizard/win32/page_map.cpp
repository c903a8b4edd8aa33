// The map region selection page.
#include "wizard/win32/page_map.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/win32/resource_texts.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"

void CMapPage::OnInitDialog() {
  HWND list = GetDlgItem(m_window, IDC_REGIONS);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  const int widths[] = {170, 60, 80};
  const int titles[] = {IDS_COLUMN_REGION, IDS_COLUMN_SIZE, IDS_COLUMN_DATE};
  for (int column = 0; column < 3; ++column) {
    std::wstring title = m_texts.String(titles[column]);
    LVCOLUMNW header = {};
    header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    header.fmt = column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    header.cx = widths[column];
    header.pszText = title.data();
    ListView_InsertColumn(list, column, &header);
  }
  SendDlgItemMessageW(m_window, IDC_ADD_REGIONS, BM_SETIMAGE, IMAGE_ICON,
                      reinterpret_cast<LPARAM>(Icon(IDI_ADD_REGIONS)));
  SetTip(IDC_ADD_REGIONS, m_texts.Utf8DialogText(kPageMap, "addTip"));
}

void CMapPage::Show(unsigned parts) {
  if ((parts & CMapLogic::kRows) != 0) {
    HWND list = GetDlgItem(m_window, IDC_REGIONS);
    m_filling = true;
    ListView_DeleteAllItems(list);
    int index = 0;
    for (const SRegionRow& row : m_map.Rows()) {
      std::wstring name = Wide(row.name);
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = index;
      item.pszText = name.data();
      ListView_InsertItem(list, &item);
      std::wstring size = Wide(row.size);
      std::wstring date = Wide(row.date);
      ListView_SetItemText(list, index, 1, size.data());
      ListView_SetItemText(list, index, 2, date.data());
      ListView_SetCheckState(list, index, row.ticked);
      ++index;
    }
    m_filling = false;
  }
  if ((parts & CMapLogic::kDestinations) != 0) {
    HWND box = GetDlgItem(m_window, IDC_DESTINATION);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& text : m_map.DestinationTexts()) {
      SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    }
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(m_map.ChosenDestination()), 0);
  }
  if ((parts & CMapLogic::kTexts) != 0) {
    SetText(IDC_PLACEMENT, m_map.Placement());
    SetText(IDC_AVAILABLE, m_map.Available());
    SetText(IDC_TOTAL, m_map.Total());
    ShowControl(IDC_NO_ROOM, m_map.NoRoomShown());
    if (m_map.NoRoomShown()) SetText(IDC_NO_ROOM, m_texts.Utf8DialogText(kPageMap, "noRoom"));
    ShowControl(IDC_REFUSAL, !m_map.Refusal().empty());
    SetText(IDC_REFUSAL, m_map.Refusal());
  }
}

void CMapPage::OnCommand(int control, int code) {
  if (control == IDC_ADD_REGIONS && code == BN_CLICKED) m_map.AddRegions();
  if (control == IDC_DESTINATION && code == CBN_SELCHANGE) {
    m_map.ChooseDestination(static_cast<int>(SendDlgItemMessageW(m_window, IDC_DESTINATION, CB_GETCURSEL, 0, 0)));
  }
}

void CMapPage::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_REGIONS || header.code != LVN_ITEMCHANGED || m_filling) return;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  // The check box is the item's state image: 1 unticked, 2 ticked.
  if ((change.uChanged & LVIF_STATE) == 0 || ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) {
    return;
  }
  m_map.SetTicked(change.iItem, ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2);
}

bool CMapPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lParam) != GetDlgItem(m_window, IDC_TOTAL) ||
      !m_map.OverCapacity()) {
    return false;
  }
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, RGB(255, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_3DFACE));
  return true;
}
