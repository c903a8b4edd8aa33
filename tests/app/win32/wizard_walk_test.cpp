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
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "tests/app/win32/wizard_remote.h"
#include "wizard/win32/row_marks.h"

namespace {

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

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A path with the back slashes Windows writes.
std::wstring Windows(const char* path) {
  std::wstring text(path, path + std::char_traits<char>::length(path));
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  return text;
}

class WizardWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) GTEST_SKIP() << "no window can be made here (no display): run under Xvfb";
    DestroyWindow(probe);
    // The unit's golden track logs hold Berlin's local time.
    SetEnvironmentVariableW(L"TRANSVANE_TIME_ZONE", L"W. Europe Standard Time");
    wchar_t caption[256] = {};
    LoadStringW(GetModuleHandleW(nullptr), IDS_CAPTION, caption, 256);
    ASSERT_TRUE(m_wizard.Start(TRANSVANE_WIZARD_PROGRAM, caption)) << "no wizard window appeared";
  }

  HWND Page() const { return m_wizard.Page(); }
  bool ShowsPage(int id) const { return m_wizard.ShowsPage(id); }
  void Press(int button) const { m_wizard.Press(button); }
  bool NextEnabled() const { return m_wizard.NextEnabled(); }
  std::wstring ControlText(int control) const { return m_wizard.ControlText(control); }
  // Presses Next for each page named and waits for it; false at the first that does not show.
  bool WalkTo(std::initializer_list<int> pages) const {
    for (int id : pages) {
      Press(PSBTN_NEXT);
      if (!ShowsPage(id)) return false;
    }
    return true;
  }
  // Waits for the preview's summary and answers as many characters as `start` has.
  std::wstring SummaryStart(const std::wstring& start) const {
    WaitFor([&] { return ControlText(IDC_PREVIEW_SUMMARY).starts_with(start); });
    return ControlText(IDC_PREVIEW_SUMMARY).substr(0, start.size());
  }

  CSeededRegions m_regions;
  CWizardRemote m_wizard;
};

TEST_F(WizardWalkTest, TheConversionJobWalksToTheFilesAndBackAndTheMapJobToItsRegions) {
  ASSERT_TRUE(ShowsPage(129));
  EXPECT_EQ(ControlText(IDC_INTRO), L"Welcome to the Tavrelin Transvane.");
  EXPECT_EQ(IsDlgButtonChecked(Page(), IDC_CHOICE_FIRST), static_cast<UINT>(BST_CHECKED));
  ASSERT_TRUE(WaitFor([&] { return NextEnabled(); }));

  // Converting: the unit page, which in test mode finds the unit at once, the mode, the files.
  ASSERT_TRUE(WalkTo({137, 130}));
  EXPECT_EQ(IsDlgButtonChecked(Page(), IDC_CHOICE_FIRST), static_cast<UINT>(BST_CHECKED));
  ASSERT_TRUE(WalkTo({134}));
  // No files chosen: nothing to convert yet.
  EXPECT_TRUE(WaitFor([&] { return !NextEnabled(); }));
  EXPECT_EQ(IsWindowVisible(GetDlgItem(Page(), IDC_HINT)), FALSE);

  // A sample chosen in the open dialog: its targets on the unit, the one that exists already
  // marked, and something to convert.
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path existing = std::filesystem::path(temp) / L"trip.upt";
  std::ofstream(existing) << "";
  ASSERT_TRUE(m_wizard.ChooseInOpenDialog(IDC_LEFT_BROWSE, L"Z:" + Windows(TRANSVANE_SOURCE_DIR "/examples/trip.wpt")));
  HWND targets = GetDlgItem(Page(), IDC_RIGHT_LIST);
  ASSERT_TRUE(WaitFor([&] { return SendMessageW(targets, LB_GETCOUNT, 0, 0) == 2; }));
  const struct {
    const wchar_t* name;
    LPARAM data;
  } rows[] = {{L"trip.upt", kRowMarked}, {L"trip.rte", kRowUnmarked}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.name);
    LPARAM found = -1;
    for (int i = 0; i < 2; ++i) {
      wchar_t text[MAX_PATH] = {};
      SendMessageW(targets, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      if (std::wstring(text).ends_with(row.name)) found = SendMessageW(targets, LB_GETITEMDATA, i, 0);
    }
    EXPECT_EQ(found, row.data);
  }
  EXPECT_TRUE(WaitFor([&] { return NextEnabled(); }));
  std::filesystem::remove(existing);
  // The chosen row's source in the preview: its name, and its summary under the picture.
  EXPECT_EQ(ControlText(IDC_PREVIEW_TITLE), L"trip.wpt");
  const std::wstring summary = L"Waypoints: 5\r\nRoutes: 1\r\n";
  EXPECT_EQ(SummaryStart(summary), summary);

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
      const CWizardRemote::SListRow row = m_wizard.ReadListRow(list, i);
      if (row.text != region.name) continue;
      found = row.data;
      if (found == kRegionRefused) refused = i;
    }
    EXPECT_EQ(found, region.data);
  }
  // Ticking the refused region shows why it cannot go, and Next stays off.
  EXPECT_EQ(IsWindowVisible(GetDlgItem(Page(), IDC_REFUSAL)), FALSE);
  ASSERT_GE(refused, 0);
  ASSERT_TRUE(m_wizard.TickListRow(list, refused));
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(Page(), IDC_REFUSAL)) != FALSE; }));
  EXPECT_FALSE(NextEnabled());

  // Closing the wizard ends the program.
  PostMessageW(m_wizard.Sheet(), WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(m_wizard.Process(), 30000), WAIT_OBJECT_0);
  DWORD status = 1;
  GetExitCodeProcess(m_wizard.Process(), &status);
  EXPECT_EQ(status, 0u);
}

// A GPX file downloaded the night before, onto the unit: what lands there is, byte for byte, what
// the Linux build writes (the unit's golden files).
TEST_F(WizardWalkTest, AGpxFileGoesOntoTheUnitAsOnLinux) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path unit = temp;
  const std::filesystem::path golden = std::filesystem::path(TRANSVANE_SOURCE_DIR) / "tests/formats/golden";
  const char* const written[] = {"weekend.upt", "weekend.rte", "weekend.log", "weekend_1.log"};
  for (const char* name : written) std::filesystem::remove(unit / name);

  ASSERT_TRUE(ShowsPage(129));
  ASSERT_TRUE(WaitFor([&] { return NextEnabled(); }));
  ASSERT_TRUE(WalkTo({137, 130, 134}));
  ASSERT_TRUE(m_wizard.ChooseInOpenDialog(IDC_LEFT_BROWSE,
                                          L"Z:" + Windows(TRANSVANE_SOURCE_DIR "/tests/formats/golden/weekend.gpx")));
  EXPECT_TRUE(WaitFor([&] { return SendDlgItemMessageW(Page(), IDC_RIGHT_LIST, LB_GETCOUNT, 0, 0) == 4; }));
  EXPECT_EQ(ControlText(IDC_PREVIEW_TITLE), L"weekend.gpx");
  const std::wstring summary = L"Waypoints: 4\r\nRoutes: 1\r\nRoute points: 4\r\nTracks: 2\r\n";
  EXPECT_EQ(SummaryStart(summary), summary);

  ASSERT_TRUE(WaitFor([&] { return NextEnabled(); }));
  ASSERT_TRUE(WalkTo({135}));
  ASSERT_TRUE(WaitFor([&] { return NextEnabled(); })) << "the conversion did not end";
  ASSERT_TRUE(WalkTo({133}));
  // The second track has its own log, and the first the golden one.
  for (const char* kind : {"upt", "rte", "log"}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(ReadAll(unit / (std::string("weekend.") + kind)),
              ReadAll(golden / (std::string("weekend~unit.") + kind)));
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(unit / "weekend_1.log"));
  for (const char* name : written) std::filesystem::remove(unit / name);
}

}  // namespace
