// One page of the Win32 wizard.
#include "wizard/win32/property_page.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/win32/resource_texts.h"
#include "app/win32/services.h"
#include "wizard/win32/property_sheet.h"

namespace {

// Text for a control: line breaks as CR LF, which static and edit controls show as one.
std::wstring ControlText(const std::string& utf8) {
  std::wstring text;
  for (wchar_t c : Wide(utf8)) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

}  // namespace

void CWin32Page::SetTimer(int timerId, int milliseconds) {
  if (m_window != nullptr)
    ::SetTimer(m_window, static_cast<UINT_PTR>(timerId), static_cast<UINT>(milliseconds), nullptr);
}

void CWin32Page::KillTimer(int timerId) {
  if (m_window != nullptr) ::KillTimer(m_window, static_cast<UINT_PTR>(timerId));
}

void CWin32Page::Refresh(unsigned parts) {
  if (m_window == nullptr) {
    m_pending |= parts;
    return;
  }
  Show(parts);
}

void CWin32Page::SetText(int control, const std::string& utf8) const {
  SetDlgItemTextW(m_window, control, ControlText(utf8).c_str());
}

HWND CWin32Page::Tips() {
  if (m_tips == nullptr) {
    m_tips =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr, nullptr, nullptr);
    // Long texts (whole paths, reasons) wrap at about half a screen rather than run off it.
    SendMessageW(m_tips, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
  }
  return m_tips;
}

void CWin32Page::SetTip(int control, const std::string& utf8) {
  std::wstring text = Wide(utf8);
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = m_window;
  tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(m_window, control));
  tool.lpszText = text.data();
  // Added once, its text replaced afterwards.
  const bool added = !m_tipped.insert(control).second;
  SendMessageW(Tips(), added ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CWin32Page::ShowControl(int control, bool shown) const {
  ShowWindow(GetDlgItem(m_window, control), shown ? SW_SHOW : SW_HIDE);
}

HICON CWin32Page::Icon(int id) const {
  return static_cast<HICON>(LoadImageW(m_sheet->m_resources, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

HICON CWin32Page::Picture(int id) const {
  return static_cast<HICON>(LoadImageW(m_sheet->m_resources, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
}

INT_PTR CALLBACK CWin32Page::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* page = reinterpret_cast<CWin32Page*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    page->m_window = window;
    page->OnInitDialog();
    // What the logic showed before the window existed, and the rest of its view.
    page->m_pending = 0;
    page->Show(~0u);
    return TRUE;
  }
  auto* page = reinterpret_cast<CWin32Page*>(GetWindowLongPtrW(window, DWLP_USER));
  if (page == nullptr) return FALSE;
  INT_PTR result = 0;
  switch (message) {
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
      LONG_PTR answer = 0;
      if (page->m_sheet->OnPageNotify(page->m_index, header, answer)) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, answer);
        return TRUE;
      }
      if (page->OnNotify(header, answer)) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, answer);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      page->OnCommand(LOWORD(wParam), HIWORD(wParam));
      return FALSE;
    case WM_TIMER:
      // The logic's timers fire once.
      ::KillTimer(window, wParam);
      page->m_logic.OnTimer(static_cast<int>(wParam));
      return TRUE;
    case kProgressMessage:
      page->OnProgress();
      return TRUE;
    case WM_DESTROY:
      if (page->m_tips != nullptr) DestroyWindow(page->m_tips);
      page->m_tips = nullptr;
      page->m_tipped.clear();
      page->m_window = nullptr;
      return FALSE;
    default:
      return page->OnMessage(message, wParam, lParam, result) ? result : FALSE;
  }
}
