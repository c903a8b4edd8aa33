// Transvane.exe driven from another process, as the user drives it: by its sheet's buttons and
// its pages' controls, with what the pages show read back by messages. The walk test and the
// screenshots program share it.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>

// Polls until the condition holds or 30 s pass; the program answers in its own time.
template <typename FCondition>
bool WaitFor(FCondition condition) {
  const ULONGLONG end = GetTickCount64() + 30000;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return true;
}

std::wstring WindowText(HWND window);

class CWizardRemote {
 public:
  CWizardRemote() = default;
  ~CWizardRemote();
  CWizardRemote(const CWizardRemote&) = delete;
  CWizardRemote& operator=(const CWizardRemote&) = delete;

  // Starts the program (a path with forward or back slashes, on Wine's Z: drive when it begins
  // with /) in test mode and waits for its sheet, found by the caption; false when none came.
  bool Start(const std::wstring& program, const std::wstring& caption);
  HANDLE Process() const { return m_process.hProcess; }
  HWND Sheet() const { return m_sheet; }

  HWND Page() const;
  // The current page's dialog number, which is its id; 0 while there is none.
  int PageId() const;
  bool ShowsPage(int id) const;
  void Press(int button) const;
  bool NextEnabled() const;
  std::wstring ControlText(int control) const;
  // Clicks a button of the current page as the user does.
  void Click(int control) const;

  // A list view row's text and item data.
  struct SListRow {
    std::wstring text;
    LPARAM data = -1;
  };
  SListRow ReadListRow(HWND list, int index) const;
  // Ticks a list view row's check box as a click on it does.
  bool TickListRow(HWND list, int index) const;

  // Clicks the page's browse button, then answers the open dialog it opens with this file's full
  // path and OK; true once the dialog closed. When it did not, what it left open is cancelled.
  bool ChooseInOpenDialog(int browseButton, const std::wstring& path) const;

 private:
  // A message whose argument points to a block, which must lie in the program's own memory: the
  // block is copied there, `send` gets its address there, and it is copied back.
  template <typename TBlock, typename FSend>
  bool SendInProgram(TBlock& block, FSend send) const;
  // The program's enabled dialog windows other than the sheet, newest first.
  HWND OtherDialog() const;

  PROCESS_INFORMATION m_process = {};
  HWND m_sheet = nullptr;
};
