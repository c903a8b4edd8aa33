// The Windows face's services to the page logic.
#include "app/win32/services.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
// clang-format on

#include "app/win32/resource_texts.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"

namespace {

// The longest list of files one open dialog answers, in characters.
constexpr DWORD kFileListChars = 64 * 1024;

}  // namespace

std::wstring DialogFilter(const std::string& filter) {
  std::wstring wide = Wide(filter);
  // A filter without its closing pair still ends with two separators.
  while (wide.size() < 2 || wide.compare(wide.size() - 2, 2, L"||") != 0) wide += L'|';
  for (wchar_t& c : wide) {
    if (c == L'|') c = L'\0';
  }
  return wide;
}

std::vector<std::string> CWin32Dialogs::OpenFiles(const std::string& filter, const std::string& folder) {
  const std::wstring filters = DialogFilter(filter);
  const std::wstring initial = Wide(folder);
  std::wstring buffer(kFileListChars, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = m_owner();
  dialog.lpstrFilter = filters.c_str();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = kFileListChars;
  dialog.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return {};
  // One file: its whole path. Several: the folder, then each name, each ended by a NUL.
  std::vector<std::wstring> parts;
  for (const wchar_t* part = buffer.c_str(); *part != L'\0'; part += wcslen(part) + 1) parts.emplace_back(part);
  std::vector<std::string> files;
  if (parts.size() == 1) {
    files.push_back(Utf8(parts[0]));
  } else {
    std::wstring base = parts[0];
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    for (std::size_t i = 1; i < parts.size(); ++i) files.push_back(Utf8(base + parts[i]));
  }
  return files;
}

bool CWin32Dialogs::SaveFile(const std::string& filter, const std::string& folder, const std::string& fileName,
                             const std::string& defaultExtension, std::string& chosen) {
  const std::wstring filters = DialogFilter(filter);
  const std::wstring initial = Wide(folder);
  const std::wstring extension = Wide(defaultExtension);
  std::wstring buffer = Wide(fileName);
  buffer.resize(MAX_PATH * 4, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = m_owner();
  dialog.lpstrFilter = filters.c_str();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return false;
  chosen = Utf8(buffer.c_str());
  return true;
}

int CWin32Dialogs::Ask(const std::string& text, const std::string& caption, UINT buttons) {
  return MessageBoxW(m_owner(), Wide(text).c_str(), Wide(caption).c_str(), buttons | MB_ICONEXCLAMATION);
}

bool CWin32Dialogs::AskRetry(const std::string& text, const std::string& caption) {
  return Ask(text, caption, MB_RETRYCANCEL) == IDRETRY;
}

bool CWin32Dialogs::AskYesNo(const std::string& text, const std::string& caption) {
  return Ask(text, caption, MB_YESNO) == IDYES;
}

int CWin32Dialogs::AskChoice(const std::string& text, const std::string& caption,
                             const std::vector<std::string>& choices) {
  // A button per choice: the task dialog of common controls 6, the first button the default.
  std::vector<std::wstring> labels;
  for (const std::string& choice : choices) labels.push_back(Wide(choice));
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (std::size_t i = 0; i < labels.size(); ++i) buttons.push_back({static_cast<int>(100 + i), labels[i].c_str()});
  const std::wstring content = Wide(text);
  const std::wstring title = Wide(caption);
  TASKDIALOGCONFIG config = {};
  config.cbSize = sizeof(config);
  config.hwndParent = m_owner();
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszContent = content.c_str();
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = 100;
  const int last = static_cast<int>(choices.size()) - 1;
  // The task dialog is common controls 6's, which the program's manifest asks for; looked up rather
  // than imported, so that a program without it still starts.
  using FTaskDialog = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  HMODULE controls = GetModuleHandleW(L"comctl32.dll");
  auto taskDialog =
      controls != nullptr
          ? reinterpret_cast<FTaskDialog>(reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")))
          : nullptr;
  int pressed = 0;
  if (taskDialog == nullptr || FAILED(taskDialog(&config, &pressed, nullptr, nullptr))) return last;
  // Closing the box (Esc, its close button) takes the last choice.
  return pressed >= 100 && pressed <= 100 + last ? pressed - 100 : last;
}

void CWin32Dialogs::Warn(const std::string& text, const std::string& caption) { Ask(text, caption, MB_OK); }

void CWin32WaitIndicators::ShowWaitBox() {
  if (m_box != nullptr) return;
  HWND page = m_currentPage ? m_currentPage() : nullptr;
  m_box = CreateDialogParamW(
      m_resources, MAKEINTRESOURCEW(IDD_WAIT_BOX), page,
      [](HWND box, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message != WM_SETCURSOR) return message == WM_INITDIALOG ? TRUE : FALSE;
        // Over the box too the mouse says the program is busy.
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        SetWindowLongPtrW(box, DWLP_MSGRESULT, TRUE);
        return TRUE;
      },
      0);
  if (m_box == nullptr) return;
  // The wizard (the top-level window that owns the page) takes no input while the box shows.
  m_disabled = page != nullptr ? GetAncestor(page, GA_ROOT) : nullptr;
  if (m_disabled != nullptr) EnableWindow(m_disabled, FALSE);
  HWND animation = GetDlgItem(m_box, IDC_ANIMATION);
  SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(m_resources),
               reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_WAIT_ANIMATION)));
  SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, static_cast<WORD>(-1)));
  // Centred over the page.
  RECT over = {};
  RECT box = {};
  GetWindowRect(page != nullptr ? page : GetDesktopWindow(), &over);
  GetWindowRect(m_box, &box);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  SetWindowPos(m_box, nullptr, over.left + ((over.right - over.left) - width) / 2,
               over.top + ((over.bottom - over.top) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(m_box, SW_SHOW);
  SetDlgItemTextW(m_box, IDC_WAIT_TEXT, m_texts.String(IDS_PLEASE_WAIT).c_str());
  UpdateWindow(m_box);
}

void CWin32WaitIndicators::CloseWaitBox() {
  if (m_box == nullptr) return;
  SendDlgItemMessageW(m_box, IDC_ANIMATION, ACM_STOP, 0, 0);
  if (m_disabled != nullptr) EnableWindow(m_disabled, TRUE);
  m_disabled = nullptr;
  DestroyWindow(m_box);
  m_box = nullptr;
}

void CWin32WaitIndicators::BeginBusyCursor() {
  if (m_busy++ == 0) m_previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void CWin32WaitIndicators::EndBusyCursor() {
  if (m_busy > 0 && --m_busy == 0)
    SetCursor(m_previousCursor != nullptr ? m_previousCursor : LoadCursorW(nullptr, IDC_ARROW));
}

void CMessageLoopPacer::Pause(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The program is ending: the quit waits for the loop that owns it.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

CThreadJobRunner::~CThreadJobRunner() {
  if (m_thread.joinable()) m_thread.join();
}

void CThreadJobRunner::Run(std::function<void()> work, std::function<void()> done) {
  if (m_thread.joinable()) m_thread.join();
  m_done = std::move(done);
  HWND target = m_target;
  m_thread = std::thread([work = std::move(work), target] {
    work();
    PostMessageW(target, kJobDoneMessage, 0, 0);
  });
}

void CThreadJobRunner::Finish() {
  if (m_thread.joinable()) m_thread.join();
  std::function<void()> done = std::move(m_done);
  m_done = nullptr;
  if (done) done();
}
