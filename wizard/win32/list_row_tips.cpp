// A tooltip for each row of a list box.
#include "wizard/win32/list_row_tips.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>
// clang-format on

#include <string>

#include "app/win32/resource_texts.h"

namespace {

constexpr UINT_PTR kTool = 1;

TTTOOLINFOW Tool(HWND list) {
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = list;
  tool.uId = kTool;
  return tool;
}

}  // namespace

CListRowTips::~CListRowTips() { Detach(); }

void CListRowTips::Attach(HWND tips, HWND list, FText text) {
  Detach();
  m_tips = tips;
  m_list = list;
  m_text = std::move(text);
  wchar_t kind[32] = {};
  GetClassNameW(list, kind, 32);
  m_listView = std::wstring(kind) == WC_LISTVIEWW;
  m_row = -1;
  TTTOOLINFOW tool = Tool(list);
  tool.uFlags = TTF_SUBCLASS;
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SetWindowSubclass(m_list, &CListRowTips::Subclass, kTool, reinterpret_cast<DWORD_PTR>(this));
}

void CListRowTips::Detach() {
  if (m_list == nullptr) return;
  RemoveWindowSubclass(m_list, &CListRowTips::Subclass, kTool);
  if (IsWindow(m_tips)) {
    TTTOOLINFOW tool = Tool(m_list);
    SendMessageW(m_tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  m_list = nullptr;
  m_tips = nullptr;
}

int CListRowTips::CellAt(POINT point, int& column, RECT& place) const {
  column = 0;
  place = {};
  if (m_listView) {
    LVHITTESTINFO hit = {};
    hit.pt = point;
    if (ListView_SubItemHitTest(m_list, &hit) < 0 || (hit.flags & LVHT_ONITEM) == 0) return -1;
    column = hit.iSubItem;
    ListView_GetSubItemRect(m_list, hit.iItem, hit.iSubItem, LVIR_BOUNDS, &place);
    // The first column's rectangle is the whole row's: cut at the second column.
    if (column == 0 && Header_GetItemCount(ListView_GetHeader(m_list)) > 1) {
      RECT next = {};
      ListView_GetSubItemRect(m_list, hit.iItem, 1, LVIR_BOUNDS, &next);
      place.right = next.left;
    }
    return hit.iItem;
  }
  const LRESULT hit = SendMessageW(m_list, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
  // The high word is set when the point lies below the last row.
  if (HIWORD(hit) != 0) return -1;
  const int row = static_cast<int>(LOWORD(hit));
  SendMessageW(m_list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&place));
  return row;
}

void CListRowTips::Track(LPARAM point) {
  int column = 0;
  RECT place = {};
  const int row = CellAt({GET_X_LPARAM(point), GET_Y_LPARAM(point)}, column, place);
  if (row == m_row && column == m_column) return;
  m_row = row;
  m_column = column;
  // The tip on show is the former row's: gone, and asked for again once the mouse rests.
  SendMessageW(m_tips, TTM_POP, 0, 0);
  TTTOOLINFOW tool = Tool(m_list);
  tool.rect = place;
  SendMessageW(m_tips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK CListRowTips::Subclass(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
  auto* tips = reinterpret_cast<CListRowTips*>(self);
  switch (message) {
    case WM_MOUSEMOVE:
      tips->Track(lParam);
      break;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
      // Other rows come under the mouse: placed again at its next move.
      tips->m_row = -2;
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom != tips->m_tips || header->code != TTN_GETDISPINFOW) break;
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      tips->m_shown =
          tips->m_row >= 0 && tips->m_text ? Wide(tips->m_text(tips->m_row, tips->m_column)) : std::wstring();
      info->lpszText = tips->m_shown.data();
      return 0;
    }
    case WM_NCDESTROY: {
      const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
      tips->Detach();
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}
