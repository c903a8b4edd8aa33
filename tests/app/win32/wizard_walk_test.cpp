// Transvane.exe /T under Wine on a display of its own: the wizard is driven from outside as the
// user drives it, by its sheet's buttons and the pages' controls, and each page is checked by its
// dialog and what its controls show. Test mode stands the temporary folder in for the unit and
// the card, so no device is needed.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
// clang-format on
#include <gtest/gtest.h>

#include <string>

#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"

namespace {

constexpr int kNextButton = 0x3024;
constexpr DWORD kPatienceMs = 30000;

// Polls until the condition holds or the patience runs out; the program answers in its own time.
template <typename FCondition>
bool WaitFor(FCondition condition) {
  const ULONGLONG end = GetTickCount64() + kPatienceMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return true;
}

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

class WizardWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) GTEST_SKIP() << "no window can be made here (no display): run under Xvfb";
    DestroyWindow(probe);
    wchar_t caption[256] = {};
    LoadStringW(GetModuleHandleW(nullptr), IDS_CAPTION, caption, 256);
    // The build's path, on the drive Wine maps the root of the file system to.
    std::wstring program = L"Z:" TRANSVANE_WIZARD_PROGRAM;
    for (wchar_t& c : program) {
      if (c == L'/') c = L'\\';
    }
    std::wstring command = L"\"" + program + L"\" /T";
    STARTUPINFOW start = {};
    start.cb = sizeof(start);
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &m_process))
        << GetLastError();
    ASSERT_TRUE(WaitFor([&] { return (m_sheet = FindWindowW(L"#32770", caption)) != nullptr; }))
        << "no wizard window appeared";
  }

  void TearDown() override {
    if (m_process.hProcess == nullptr) return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 1);
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
  }

  HWND Page() const { return reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
  // The page's dialog number, which is its id.
  int PageId() const {
    const LRESULT index = SendMessageW(m_sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(Page()), 0);
    return index < 0 ? 0 : static_cast<int>(SendMessageW(m_sheet, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
  }
  bool ShowsPage(int id) const {
    return WaitFor([&] { return PageId() == id; });
  }
  void Press(int button) const { PostMessageW(m_sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); }
  bool NextEnabled() const { return IsWindowEnabled(GetDlgItem(m_sheet, kNextButton)) != FALSE; }
  std::wstring ControlText(int control) const { return Text(GetDlgItem(Page(), control)); }

  PROCESS_INFORMATION m_process = {};
  HWND m_sheet = nullptr;
};

TEST_F(WizardWalkTest, TheConversionJobWalksToTheFilesAndBackAndTheMapJobToItsRegions) {
  ASSERT_TRUE(ShowsPage(129));
  EXPECT_EQ(ControlText(IDC_INTRO), L"Welcome to the Tavrelin Transvane.");
  EXPECT_EQ(IsDlgButtonChecked(Page(), IDC_CHOICE_FIRST), static_cast<UINT>(BST_CHECKED));
  ASSERT_TRUE(WaitFor([&] { return NextEnabled(); }));

  // Converting: the unit page, which in test mode finds the unit at once, the mode, the files.
  Press(PSBTN_NEXT);
  ASSERT_TRUE(ShowsPage(137));
  Press(PSBTN_NEXT);
  ASSERT_TRUE(ShowsPage(130));
  EXPECT_EQ(IsDlgButtonChecked(Page(), IDC_CHOICE_FIRST), static_cast<UINT>(BST_CHECKED));
  Press(PSBTN_NEXT);
  ASSERT_TRUE(ShowsPage(134));
  // No files chosen: nothing to convert yet.
  EXPECT_TRUE(WaitFor([&] { return !NextEnabled(); }));
  EXPECT_EQ(IsWindowVisible(GetDlgItem(Page(), IDC_HINT)), FALSE);

  // Back to the mode page, then to the unit page, then Welcome.
  Press(PSBTN_BACK);
  ASSERT_TRUE(ShowsPage(130));
  Press(PSBTN_BACK);
  ASSERT_TRUE(ShowsPage(137));
  Press(PSBTN_BACK);
  ASSERT_TRUE(ShowsPage(129));

  // Maps: the card page, which in test mode takes the temporary folder, then the regions with
  // that one destination.
  SendMessageW(GetDlgItem(Page(), IDC_CHOICE_SECOND), BM_CLICK, 0, 0);
  Press(PSBTN_NEXT);
  ASSERT_TRUE(ShowsPage(140));
  Press(PSBTN_NEXT);
  ASSERT_TRUE(ShowsPage(139));
  EXPECT_TRUE(WaitFor([&] { return SendDlgItemMessageW(Page(), IDC_DESTINATION, CB_GETCOUNT, 0, 0) == 1; }));
  EXPECT_EQ(SendDlgItemMessageW(Page(), IDC_DESTINATION, CB_GETCURSEL, 0, 0), 0);

  // Closing the wizard ends the program.
  PostMessageW(m_sheet, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(m_process.hProcess, kPatienceMs), WAIT_OBJECT_0);
  DWORD status = 1;
  GetExitCodeProcess(m_process.hProcess, &status);
  EXPECT_EQ(status, 0u);
}

}  // namespace
