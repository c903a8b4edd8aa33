// Transvane.exe driven from another process.
#include "tests/app/win32/wizard_remote.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
// clang-format on

#include <algorithm>
#include <cstddef>

namespace {

constexpr int kNextButton = 0x3024;
// The file name box of the open dialog: a combo box on Windows, an edit box in Wine's.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

}  // namespace

std::wstring WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

CWizardRemote::~CWizardRemote() {
  if (m_process.hProcess == nullptr) return;
  if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 1);
  CloseHandle(m_process.hThread);
  CloseHandle(m_process.hProcess);
}

bool CWizardRemote::Start(const std::wstring& program, const std::wstring& caption) {
  std::wstring path = program;
  if (!path.empty() && path.front() == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  std::wstring command = L"\"" + path + L"\" /T";
  STARTUPINFOW start = {};
  start.cb = sizeof(start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &m_process)) {
    return false;
  }
  return WaitFor([&] { return (m_sheet = FindWindowW(L"#32770", caption.c_str())) != nullptr; });
}

HWND CWizardRemote::Page() const { return reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

int CWizardRemote::PageId() const {
  const LRESULT index = SendMessageW(m_sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(Page()), 0);
  return index < 0 ? 0 : static_cast<int>(SendMessageW(m_sheet, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
}

bool CWizardRemote::ShowsPage(int id) const {
  return WaitFor([&] { return PageId() == id; });
}

void CWizardRemote::Press(int button) const { PostMessageW(m_sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); }

bool CWizardRemote::NextEnabled() const { return IsWindowEnabled(GetDlgItem(m_sheet, kNextButton)) != FALSE; }

// By WM_GETTEXT, which the system carries between processes: GetWindowText reads an edit
// control's text only in the control's own process.
std::wstring CWizardRemote::ControlText(int control) const {
  std::wstring text(4096, L'\0');
  const LRESULT length = SendMessageW(GetDlgItem(Page(), control), WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
  return text;
}

void CWizardRemote::Click(int control) const { PostMessageW(GetDlgItem(Page(), control), BM_CLICK, 0, 0); }

template <typename TBlock, typename FSend>
bool CWizardRemote::SendInProgram(TBlock& block, FSend send) const {
  auto* remote =
      static_cast<TBlock*>(VirtualAllocEx(m_process.hProcess, nullptr, sizeof(TBlock), MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) return false;
  const bool ok = send(remote) && ReadProcessMemory(m_process.hProcess, remote, &block, sizeof(block), nullptr);
  VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
  return ok;
}

CWizardRemote::SListRow CWizardRemote::ReadListRow(HWND list, int index) const {
  struct SBlock {
    LVITEMW item;
    wchar_t text[MAX_PATH];
  } block = {};
  SListRow row;
  const bool read = SendInProgram(block, [&](SBlock* remote) {
    block.item.mask = LVIF_TEXT | LVIF_PARAM;
    block.item.iItem = index;
    block.item.pszText = remote->text;
    block.item.cchTextMax = MAX_PATH;
    return WriteProcessMemory(m_process.hProcess, remote, &block, sizeof(block), nullptr) &&
           SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) != FALSE;
  });
  if (read) {
    row.text = block.text;
    row.data = block.item.lParam;
  }
  return row;
}

bool CWizardRemote::TickListRow(HWND list, int index) const {
  LVITEMW item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  return SendInProgram(item, [&](LVITEMW* remote) {
    return WriteProcessMemory(m_process.hProcess, remote, &item, sizeof(item), nullptr) &&
           SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote)) != FALSE;
  });
}

HWND CWizardRemote::OtherDialog() const {
  struct SSearch {
    HWND sheet;
    HWND found;
  } search = {m_sheet, nullptr};
  EnumThreadWindows(
      m_process.dwThreadId,
      [](HWND window, LPARAM data) -> BOOL {
        auto* state = reinterpret_cast<SSearch*>(data);
        wchar_t kind[16] = {};
        GetClassNameW(window, kind, 16);
        if (window == state->sheet || std::wstring(kind) != L"#32770" || !IsWindowVisible(window) ||
            !IsWindowEnabled(window)) {
          return TRUE;
        }
        state->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool CWizardRemote::ChooseInOpenDialog(int browseButton, const std::wstring& path) const {
  Click(browseButton);
  HWND dialog = nullptr;
  if (!WaitFor([&] { return (dialog = OtherDialog()) != nullptr; })) return false;
  HWND box = GetDlgItem(dialog, kFileNameCombo);
  if (box == nullptr) box = GetDlgItem(dialog, kFileNameEdit);
  if (box != nullptr) {
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    if (WaitFor([&] { return !IsWindow(dialog); })) return true;
  }
  // A message over the dialog (a file not found), then the dialog itself.
  for (HWND left = OtherDialog(); left != nullptr; left = OtherDialog()) {
    PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
    if (!WaitFor([&] { return !IsWindow(left); })) break;
  }
  return false;
}
