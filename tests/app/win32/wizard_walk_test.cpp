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

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "wizard/win32/row_marks.h"

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

// A list view message whose argument is a pointer, which must point into the process that owns
// the list: the block is copied there, the message sent with its address there, and copied back.
template <typename TBlock, typename FSend>
bool SendInProgram(HANDLE process, TBlock& block, FSend send) {
  auto* remote = static_cast<TBlock*>(VirtualAllocEx(process, nullptr, sizeof(TBlock), MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) return false;
  const bool ok = WriteProcessMemory(process, remote, &block, sizeof(block), nullptr) && send(remote) &&
                  ReadProcessMemory(process, remote, &block, sizeof(block), nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return ok;
}

struct SListRow {
  LVITEMW item;
  wchar_t text[MAX_PATH];
};

// A list view row's text and item data.
SListRow ReadListRow(HANDLE process, HWND list, int index) {
  SListRow row = {};
  row.item.mask = LVIF_TEXT | LVIF_PARAM;
  row.item.iItem = index;
  row.item.lParam = -1;
  SendInProgram(process, row, [&](SListRow* remote) {
    row.item.pszText = remote->text;
    row.item.cchTextMax = MAX_PATH;
    return WriteProcessMemory(process, remote, &row, sizeof(row), nullptr) &&
           SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) != FALSE;
  });
  return row;
}

// Ticks a row's check box as a click on it does.
bool TickListRow(HANDLE process, HWND list, int index) {
  LVITEMW item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  return SendInProgram(process, item, [&](LVITEMW* remote) {
    return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote)) != FALSE;
  });
}

// A desktop installation of the map product for the wizard to find, in the user's part of the
// registry: one whose folder is the test mode's card folder for detail maps, so its region there
// is its own copy and refused, and one elsewhere whose region fits. Removed at the end.
class CSeededRegions {
 public:
  CSeededRegions() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    m_same = std::filesystem::path(temp) / L"Detail Maps";
    m_elsewhere = std::filesystem::path(temp) / (L"walk-maps-" + tag);
    sameName = L"walk-" + tag + L"-same.imi";
    fitsName = L"walk-" + tag + L"-fits.imi";
    std::filesystem::create_directories(m_same);
    std::filesystem::create_directories(m_elsewhere);
    std::ofstream(m_same / sameName) << "region";
    std::ofstream(m_elsewhere / fitsName) << "region";
    Register(L"vexlorn-walk-" + tag + L"-a", m_same);
    Register(L"vexlorn-walk-" + tag + L"-b", m_elsewhere);
  }
  ~CSeededRegions() {
    for (const std::wstring& key : m_keys) RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    std::error_code ignored;
    std::filesystem::remove(m_same / sameName, ignored);
    std::filesystem::remove_all(m_elsewhere, ignored);
  }

  std::wstring sameName;
  std::wstring fitsName;

 private:
  void Register(const std::wstring& name, const std::filesystem::path& folder) {
    const std::wstring key = L"Software\\Tavrelin\\" + name;
    const std::wstring path = folder.wstring();
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Path", REG_SZ, path.c_str(),
                    static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    m_keys.push_back(key);
  }

  std::filesystem::path m_same;
  std::filesystem::path m_elsewhere;
  std::vector<std::wstring> m_keys;
};

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

  CSeededRegions m_regions;
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

  // The regions of the seeded installations: the one that is its own copy on the card is refused
  // (its size drawn in red), the other fits.
  HWND list = GetDlgItem(Page(), IDC_REGIONS);
  const struct {
    const std::wstring& name;
    LPARAM data;
  } regions[] = {{m_regions.sameName, kRegionRefused}, {m_regions.fitsName, kRegionFits}};
  int refused = -1;
  for (const auto& region : regions) {
    SCOPED_TRACE(testing::Message() << std::string(region.name.begin(), region.name.end()));
    LPARAM found = -1;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const SListRow row = ReadListRow(m_process.hProcess, list, i);
      if (row.text != region.name) continue;
      found = row.item.lParam;
      if (found == kRegionRefused) refused = i;
    }
    EXPECT_EQ(found, region.data);
  }
  // Ticking the refused region shows why it cannot go, and Next stays off.
  EXPECT_EQ(IsWindowVisible(GetDlgItem(Page(), IDC_REFUSAL)), FALSE);
  ASSERT_GE(refused, 0);
  ASSERT_TRUE(TickListRow(m_process.hProcess, list, refused));
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(Page(), IDC_REFUSAL)) != FALSE; }));
  EXPECT_FALSE(NextEnabled());

  // Closing the wizard ends the program.
  PostMessageW(m_sheet, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(m_process.hProcess, kPatienceMs), WAIT_OBJECT_0);
  DWORD status = 1;
  GetExitCodeProcess(m_process.hProcess, &status);
  EXPECT_EQ(status, 0u);
}

}  // namespace
