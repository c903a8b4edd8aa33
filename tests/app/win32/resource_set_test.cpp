// The Windows wizard's resources in every language, as the program reads them: the English set
// compiled into this program and each resource library. Their texts must be the Linux wizard's,
// byte for byte after the trip through the resource compiler (quotes, backslashes, line breaks,
// accented letters, "%s"), every page must be there, and no page may give one Alt+letter to two
// controls or take the sheet's Back and Next letters.
// windows.h first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "app/win32/resource_texts.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"

namespace {

std::string ReadSource(const std::string& relative) {
  std::ifstream in(std::string(TRANSVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
  EXPECT_TRUE(in) << relative;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the Linux wizard shows in the language: the built-in texts with the translation's over them.
CTextTable Expected(const std::string& language) {
  std::string lines = ReadSource("resources/qt/texts.txt");
  if (language != "en") lines += "\n" + ReadSource("resources/translations/" + language + ".txt");
  return CTextTable(lines);
}

HMODULE Module(const std::string& language) {
  if (language == "en") return GetModuleHandleW(nullptr);
  std::wstring path = Wide(std::string(TRANSVANE_RESOURCE_LIBRARY_DIR) + "/TransvaneRC_" + language + ".dll");
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

// A dialog's texts by control id, with the Alt+letter of each control that has one.
struct SDialogTexts {
  std::map<int, std::string> texts;  // as shown: "&&" read as "&", the mnemonic's '&' dropped
  std::map<int, char> mnemonics;     // lower case
  std::set<int> hidden;              // controls made without WS_VISIBLE
  bool created = false;
};

SDialogTexts CreateAndRead(HMODULE module, int dialogId) {
  SDialogTexts result;
  // Pages are child dialogs: they need a parent, here an invisible one.
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
  HWND dialog = CreateDialogParamW(
      module, MAKEINTRESOURCEW(dialogId), parent, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  result.created = dialog != nullptr;
  for (HWND child = dialog != nullptr ? GetWindow(dialog, GW_CHILD) : nullptr; child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t buffer[2048] = {};
    GetWindowTextW(child, buffer, 2048);
    std::wstring shown;
    for (const wchar_t* c = buffer; *c != 0; ++c) {
      if (*c == L'&' && c[1] == L'&') {
        shown += L'&';
        ++c;
      } else if (*c == L'&' && c[1] != 0) {
        result.mnemonics[GetDlgCtrlID(child)] = static_cast<char>(towlower(c[1]));
      } else {
        shown += *c;
      }
    }
    if ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) == 0) result.hidden.insert(GetDlgCtrlID(child));
    // Static pictures hold their icon's number as text; only texts are compared.
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) result.texts[GetDlgCtrlID(child)] = Utf8(shown);
  }
  if (dialog != nullptr) DestroyWindow(dialog);
  DestroyWindow(parent);
  return result;
}

class ResourceSetTest : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Wine makes no window without a window system to show it on.
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    windows = probe != nullptr;
    if (probe != nullptr) DestroyWindow(probe);
  }
  void SetUp() override {
    if (!windows) GTEST_SKIP() << "no window can be made here (no display): run under Xvfb";
    module = Module(GetParam());
    ASSERT_NE(module, nullptr) << GetLastError();
  }
  HMODULE module = nullptr;
  static inline bool windows = false;
};

TEST_P(ResourceSetTest, StringTableAndTextsAreTheLinuxWizards) {
  const CTextTable expected = Expected(GetParam());
  const CResourceTexts texts(module);
  for (int id = IDS_ABOUT_ITEM; id <= IDS_FILTER_GPX; ++id) {
    EXPECT_EQ(texts.Utf8String(id), expected.Utf8String(id)) << "string " << id;
  }
  // Texts the pages set at run time, which no dialog holds.
  for (const auto& [dialog, key] : {std::pair{134, "duplicateText"},
                                    {133, "stillMounted"},
                                    {141, "madeRoom"},
                                    {135, "codePageIgnored"},
                                    {139, "noRoom"}}) {
    EXPECT_EQ(texts.Utf8DialogText(dialog, key), expected.Utf8DialogText(dialog, key)) << dialog << "." << key;
    EXPECT_FALSE(texts.Utf8DialogText(dialog, key).empty());
  }
}

// Controls whose text the template itself carries, by dialog.
struct SControlText {
  int dialog;
  int control;
  const char* key;
};
const SControlText kControlTexts[] = {
    {129, IDC_INTRO, "greeting"},
    {129, IDC_CHOICE_FIRST, "convert"},
    {129, IDC_CHOICE_SECOND, "maps"},
    {129, IDC_HINT, "hint"},
    {130, IDC_CHOICE_THIRD, "toGpx"},
    {137, IDC_INTRO, "connect"},
    {140, IDC_INTRO, "connect"},
    {134, IDC_HINT, "hint"},
    {139, IDC_DESTINATION_PROMPT, "destination"},
    {139, IDC_AVAILABLE, "availableValue"},
    {133, IDC_HINT, "hint"},
    {141, IDC_HINT, "hint"},
};

TEST_P(ResourceSetTest, EveryDialogIsThereWithItsTextsAndDistinctMnemonics) {
  const CTextTable expected = Expected(GetParam());
  std::map<int, SDialogTexts> dialogs;
  for (int id : {IDD_ABOUT, IDD_HOST, 129, 130, 133, 134, 135, 137, 139, 140, 141, IDD_WAIT_BOX}) {
    dialogs[id] = CreateAndRead(module, id);
    EXPECT_TRUE(dialogs[id].created) << "dialog " << id;
    std::set<char> letters = {'b', 'n'};  // the sheet's Back and Next
    for (const auto& [control, letter] : dialogs[id].mnemonics) {
      EXPECT_TRUE(letters.insert(letter).second) << "dialog " << id << " control " << control << ": " << letter;
    }
  }
  for (const SControlText& text : kControlTexts) {
    // A line break of the texts is CR LF in a control.
    std::string wanted;
    for (char c : expected.Utf8DialogText(text.dialog, text.key))
      wanted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(dialogs[text.dialog].texts[text.control], wanted) << text.dialog << "." << text.key;
  }
  EXPECT_FALSE(dialogs[129].mnemonics.empty());
  // The controls a page shows only when it has something for them start hidden; the rest shown.
  const std::pair<int, std::set<int>> hidden[] = {
      {129, {}},
      {134, {IDC_HINT}},
      {135, {IDC_SECOND_PROGRESS, IDC_CODE_PAGE_NOTE, IDC_HINT}},
      {133, {IDC_VOLUME_NOTE, IDC_DETAILS}},
      {139, {IDC_UNUSED_BUTTON, IDC_NO_ROOM, IDC_REFUSAL}},
      {141, {IDC_MADE_ROOM}},
  };
  for (const auto& [dialog, controls] : hidden) EXPECT_EQ(dialogs[dialog].hidden, controls) << "dialog " << dialog;
}

TEST_P(ResourceSetTest, PicturesAreThere) {
  HBITMAP header = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(IDB_HEADER), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_NE(header, nullptr);
  BITMAP info = {};
  GetObjectW(header, sizeof(info), &info);
  EXPECT_EQ(info.bmWidth, 420);
  EXPECT_EQ(info.bmHeight, 58);
  DeleteObject(header);
  for (int icon : {IDI_PROGRAM, IDI_MAP, IDI_ADD_REGIONS, IDI_DESKTOP, IDI_REMOVE, IDI_BROWSE, IDI_UNIT,
                   IDI_ARROW_RIGHT, IDI_ARROW_LEFT}) {
    EXPECT_NE(LoadImageW(module, MAKEINTRESOURCEW(icon), IMAGE_ICON, 32, 32, 0), nullptr) << "icon " << icon;
  }
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(IDR_WAIT_ANIMATION), L"AVI"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Languages, ResourceSetTest, ::testing::Values("en", "fr", "de", "es", "it", "nl"));

}  // namespace
