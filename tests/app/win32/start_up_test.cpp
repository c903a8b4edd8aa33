// The Windows program's start-up rules: the resource library's name, test mode, the AutoPlay
// cancellation's versions and answers, and the file dialogs' filters.
// clang-format off
#include <windows.h>
// clang-format on
#include "app/win32/start_up.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win32/autoplay.h"
#include "app/win32/services.h"

namespace {

TEST(StartUpTest, ResourceLibraryLiesBesideTheProgramUnderItsBaseName) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\Apps\\Transvane.exe", L"C:\\Apps\\TransvaneRC.dll"},
      {L"C:\\Apps.v2\\Transvane", L"C:\\Apps.v2\\TransvaneRC.dll"},
      {L"C:\\A\\my.tool.exe", L"C:\\A\\my.toolRC.dll"},
      {L"Transvane.exe", L"TransvaneRC.dll"},
  };
  for (const auto& [program, library] : cases) EXPECT_EQ(ResourceLibraryPath(program), library) << program;
}

TEST(StartUpTest, TestModeIsTheSlashTSwitchInEitherCase) {
  const std::pair<std::vector<std::wstring>, bool> cases[] = {
      {{L"x", L"/t", L"y"}, true}, {{L"/T"}, true}, {{}, false}, {{L"-T"}, false}, {{L"/TEST"}, false}, {{L"T"}, false},
  };
  for (const auto& [arguments, testMode] : cases) EXPECT_EQ(HasTestSwitch(arguments), testMode);
}

TEST(StartUpTest, AutoplayCancellationFromWindows2000PastBuild2195) {
  struct SCase {
    DWORD platform, major, minor, build;
    bool supported;
  };
  const SCase cases[] = {
      {VER_PLATFORM_WIN32_NT, 5, 0, 2195, false},
      {VER_PLATFORM_WIN32_NT, 5, 0, 2196, true},
      {VER_PLATFORM_WIN32_NT, 5, 0, 0x10000 | 2195, false},
      {VER_PLATFORM_WIN32_NT, 5, 1, 0, true},
      {VER_PLATFORM_WIN32_NT, 6, 0, 0, true},
      {VER_PLATFORM_WIN32_NT, 4, 9, 9999, false},
      {VER_PLATFORM_WIN32_WINDOWS, 10, 0, 0, false},
  };
  for (const SCase& c : cases) {
    EXPECT_EQ(AutoplayCancelSupported(c.platform, c.major, c.minor, c.build), c.supported)
        << c.major << "." << c.minor << "." << c.build;
  }
}

TEST(StartUpTest, TheAutoplayObjectRefusesEveryAutoplayAndAnswersOnlyItsInterfaces) {
  DWORD cookie = 0;
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  ASSERT_EQ(RegisterCancelAutoplay(cookie), S_OK);
  ASSERT_NE(cookie, 0u);
  // Found in the running object table under its class, as the shell looks it up.
  IRunningObjectTable* table = nullptr;
  IMoniker* moniker = nullptr;
  ASSERT_EQ(GetRunningObjectTable(0, &table), S_OK);
  ASSERT_EQ(CreateClassMoniker(kCancelAutoplayClass, &moniker), S_OK);
  IUnknown* found = nullptr;
  ASSERT_EQ(table->GetObject(moniker, &found), S_OK);
  IQueryCancelAutoPlayTv* query = nullptr;
  ASSERT_EQ(found->QueryInterface(kQueryCancelAutoPlayInterface, reinterpret_cast<void**>(&query)), S_OK);
  EXPECT_EQ(query->AllowAutoPlay(L"E:\\", 0x8, L"CARD", 1234), S_FALSE);
  EXPECT_EQ(query->AllowAutoPlay(nullptr, 0, nullptr, 0), S_FALSE);
  void* other = &cookie;
  EXPECT_EQ(found->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  query->Release();
  found->Release();
  RevokeCancelAutoplay(cookie);
  EXPECT_EQ(table->IsRunning(moniker), S_FALSE);
  moniker->Release();
  table->Release();
  CoUninitialize();
}

TEST(StartUpTest, FileDialogFiltersSeparateTheirFieldsWithNul) {
  const std::pair<std::string, std::wstring> cases[] = {
      {"Waypoints (*.wpt)|*.wpt||", std::wstring(L"Waypoints (*.wpt)\0*.wpt\0\0", 25)},
      {"A|*.a|B|*.b;*.c||", std::wstring(L"A\0*.a\0B\0*.b;*.c\0\0", 17)},
      {"A|*.a", std::wstring(L"A\0*.a\0\0", 7)},
  };
  for (const auto& [filter, wanted] : cases) EXPECT_EQ(DialogFilter(filter), wanted) << filter;
}

}  // namespace
