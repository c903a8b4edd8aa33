// A tooltip for each row of a list box.
#include "wizard/win32/list_row_tips.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

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

void CListRowTips::Track(LPARAM point) {
  const LRESULT hit = SendMessageW(m_list, LB_ITEMFROMPOINT, 0, point);
  // The high word is set when the point lies below the last row.
  const int row = HIWORD(hit) != 0 ? -1 : static_cast<int>(LOWORD(hit));
  if (row == m_row) return;
  m_row = row;
  TTTOOLINFOW tool = Tool(m_list);
  if (row >= 0) SendMessageW(m_list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&tool.rect));
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
      tips->m_shown = tips->m_row >= 0 && tips->m_text ? Wide(tips->m_text(tips->m_row)) : std::wstring();
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
