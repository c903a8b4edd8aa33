// The map region selection page.
#include "wizard/win32/page_map.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <vector>

#include "app/win32/resource_texts.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "wizard/win32/row_marks.h"

namespace {

constexpr int kSizeColumn = 1;
constexpr COLORREF kRed = RGB(255, 0, 0);

}  // namespace

void CMapPage::OnInitDialog() {
  HWND list = GetDlgItem(m_window, IDC_REGIONS);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  // The name's column tips the whole path, or why the region cannot go; the others the reason.
  m_rowTips.Attach(Tips(), list, [this](int row, int column) {
    const std::vector<SRegionRow>& rows = m_map.Rows();
    if (row >= static_cast<int>(rows.size())) return std::string();
    const SRegionRow& region = rows[static_cast<std::size_t>(row)];
    return column == 0 ? region.tip : region.refusal;
  });
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
  // The destinations' texts may be wider than the box: each row of its drop-down list shows its
  // whole text as its tooltip.
  COMBOBOXINFO box = {};
  box.cbSize = sizeof(box);
  if (GetComboBoxInfo(GetDlgItem(m_window, IDC_DESTINATION), &box) && box.hwndList != nullptr) {
    m_destinationTips.Attach(Tips(), box.hwndList, [this](int row, int) {
      const std::vector<std::string>& texts = m_map.DestinationTexts();
      return row < static_cast<int>(texts.size()) ? texts[static_cast<std::size_t>(row)] : std::string();
    });
  }
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
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = index;
      item.pszText = name.data();
      item.lParam = row.refusal.empty() ? kRegionFits : kRegionRefused;
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

bool CMapPage::OnNotify(const NMHDR& header, LONG_PTR& result) {
  if (header.idFrom != IDC_REGIONS) return false;
  if (header.code == NM_CUSTOMDRAW) {
    result = DrawRow(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
    return true;
  }
  if (header.code != LVN_ITEMCHANGED || m_filling) return false;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  // The check box is the item's state image: 1 unticked, 2 ticked.
  if ((change.uChanged & LVIF_STATE) == 0 || ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) {
    return false;
  }
  m_map.SetTicked(change.iItem, ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2);
  return false;
}

LONG_PTR CMapPage::DrawRow(const NMLVCUSTOMDRAW& draw) const {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return draw.nmcd.lItemlParam == kRegionRefused ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      // A refused region's size in red, its other columns as the list draws them.
      auto& colours = const_cast<NMLVCUSTOMDRAW&>(draw);
      colours.clrText = draw.iSubItem == kSizeColumn ? kRed : GetSysColor(COLOR_WINDOWTEXT);
      return CDRF_NEWFONT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

bool CMapPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message != WM_CTLCOLORSTATIC) return false;
  const int control = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
  const bool red = control == IDC_NO_ROOM || control == IDC_REFUSAL || (control == IDC_TOTAL && m_map.OverCapacity());
  if (!red) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, kRed);
  SetBkMode(dc, TRANSPARENT);
  result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_3DFACE));
  return true;
}
