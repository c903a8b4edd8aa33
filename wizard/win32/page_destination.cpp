// The file selection page.
#include "wizard/win32/page_destination.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <vector>

#include "app/win32/resource_texts.h"
#include "resources/win32/resource_ids.h"
#include "wizard/win32/row_marks.h"

namespace {

int List(int side) { return side == CDestinationLogic::kLeft ? IDC_LEFT_LIST : IDC_RIGHT_LIST; }

}  // namespace

CDestinationPage::~CDestinationPage() {
  if (m_mark != nullptr) DestroyIcon(m_mark);
}

void CDestinationPage::OnInitDialog() {
  DragAcceptFiles(m_window, TRUE);
  for (int button : {IDC_LEFT_BROWSE, IDC_RIGHT_BROWSE}) {
    SendDlgItemMessageW(m_window, button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon(IDI_BROWSE)));
  }
  for (int button : {IDC_LEFT_REMOVE, IDC_RIGHT_REMOVE}) {
    SendDlgItemMessageW(m_window, button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon(IDI_REMOVE)));
  }
  // The lists draw their rows: the mark of a target that exists, then the path, which loses its
  // middle rather than its end when the row is too narrow; each row's tooltip shows it whole.
  if (m_mark == nullptr) LoadIconMetric(nullptr, IDI_WARNING, LIM_SMALL, &m_mark);
  for (int side : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    HWND list = GetDlgItem(m_window, List(side));
    const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    SendMessageW(list, LB_SETITEMHEIGHT, 0, std::max<LRESULT>(height, GetSystemMetrics(SM_CYSMICON) + 2));
    m_rowTips[side].Attach(Tips(), list, [this, side](int row, int) {
      const std::vector<SFileRow>& rows = m_destination.Side(side).rows;
      return row < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(row)].tip : std::string();
    });
  }
}

void CDestinationPage::DrawRow(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1)) {
    if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  RECT place = item.rcItem;
  const int icon = GetSystemMetrics(SM_CXSMICON);
  if (item.itemData == kRowMarked && m_mark != nullptr) {
    DrawIconEx(item.hDC, place.left + 1, place.top + (place.bottom - place.top - icon) / 2, m_mark, icon, icon, 0,
               nullptr, DI_NORMAL);
  }
  place.left += icon + 4;
  const LRESULT length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
  SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &place,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
}

void CDestinationPage::Show(unsigned parts) {
  for (int side : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    const SFileSide& view = m_destination.Side(side);
    HWND list = GetDlgItem(m_window, List(side));
    if ((parts & CDestinationLogic::kRows) != 0) {
      SendMessageW(list, LB_RESETCONTENT, 0, 0);
      for (const SFileRow& row : view.rows) {
        const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(row.text).c_str()));
        SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), row.exists ? kRowMarked : kRowUnmarked);
      }
    }
    if ((parts & (CDestinationLogic::kRows | CDestinationLogic::kSelection)) != 0) {
      for (std::size_t row = 0; row < view.rows.size(); ++row) {
        SendMessageW(list, LB_SETSEL, view.rows[row].selected ? TRUE : FALSE, static_cast<LPARAM>(row));
      }
      if (view.current >= 0) SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(view.current), FALSE);
    }
    if ((parts & CDestinationLogic::kControls) != 0) {
      const bool left = side == CDestinationLogic::kLeft;
      SetText(left ? IDC_LEFT_CAPTION : IDC_RIGHT_CAPTION, view.caption);
      EnableWindow(GetDlgItem(m_window, left ? IDC_LEFT_BROWSE : IDC_RIGHT_BROWSE), view.browseEnabled);
      EnableWindow(GetDlgItem(m_window, left ? IDC_LEFT_REMOVE : IDC_RIGHT_REMOVE), view.removeEnabled);
      SetTip(left ? IDC_LEFT_BROWSE : IDC_RIGHT_BROWSE, view.browseTip);
      SetTip(left ? IDC_LEFT_REMOVE : IDC_RIGHT_REMOVE, view.removeTip);
    }
  }
  if ((parts & CDestinationLogic::kControls) != 0) {
    SendDlgItemMessageW(m_window, IDC_DIRECTION_ARROW, STM_SETICON,
                        reinterpret_cast<WPARAM>(Picture(m_destination.ArrowIcon())), 0);
    SendDlgItemMessageW(m_window, IDC_RIGHT_PICTURE, STM_SETICON,
                        reinterpret_cast<WPARAM>(Picture(m_destination.RightPicture())), 0);
    ShowControl(IDC_HINT, m_destination.HintShown());
  }
  if ((parts & CDestinationLogic::kFocus) != 0) {
    SetFocus(GetDlgItem(m_window,
                        m_destination.FocusSide() == CDestinationLogic::kLeft ? IDC_LEFT_BROWSE : IDC_RIGHT_BROWSE));
  }
}

void CDestinationPage::OnCommand(int control, int code) {
  using ESide = CDestinationLogic::ESide;
  if (code == BN_CLICKED) {
    if (control == IDC_LEFT_BROWSE) m_destination.Browse(ESide::kLeft);
    if (control == IDC_RIGHT_BROWSE) m_destination.Browse(ESide::kRight);
    if (control == IDC_LEFT_REMOVE) m_destination.Remove(ESide::kLeft);
    if (control == IDC_RIGHT_REMOVE) m_destination.Remove(ESide::kRight);
  }
  if (code == LBN_SELCHANGE && (control == IDC_LEFT_LIST || control == IDC_RIGHT_LIST)) {
    HWND list = GetDlgItem(m_window, control);
    const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    std::vector<int> selected(static_cast<std::size_t>(std::max<LRESULT>(count, 0)));
    if (!selected.empty()) {
      SendMessageW(list, LB_GETSELITEMS, selected.size(), reinterpret_cast<LPARAM>(selected.data()));
    }
    const int current = static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));
    m_destination.SetSelection(control == IDC_LEFT_LIST ? ESide::kLeft : ESide::kRight, selected, current);
  }
}

bool CDestinationPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == WM_DRAWITEM && (wParam == IDC_LEFT_LIST || wParam == IDC_RIGHT_LIST)) {
    DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
  }
  if (message != WM_DROPFILES) return false;
  HDROP drop = reinterpret_cast<HDROP>(wParam);
  std::vector<std::string> files;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size()));
    files.push_back(Utf8(name.c_str()));
  }
  POINT point = {};
  DragQueryPoint(drop, &point);
  DragFinish(drop);
  // Onto whichever list lies under the drop.
  HWND under = ChildWindowFromPoint(m_window, point);
  const int side = under == GetDlgItem(m_window, IDC_RIGHT_LIST) ? CDestinationLogic::kRight : CDestinationLogic::kLeft;
  const std::vector<std::string> taken = m_destination.AcceptsDrop(side, files);
  if (!taken.empty()) m_destination.AddSources(taken);
  result = 0;
  return true;
}
