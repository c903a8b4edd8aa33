// Transvane.exe: the wizard for Windows.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
// clang-format on

#include <string>
#include <vector>

#include "app/win32/autoplay.h"
#include "app/win32/start_up.h"
#include "app/win32/wizard_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WriteAutoplayHandlerValue();

  // The resources: a library beside the program named after it replaces the program's own.
  std::wstring programPath(MAX_PATH, L'\0');
  programPath.resize(GetModuleFileNameW(nullptr, programPath.data(), MAX_PATH));
  HMODULE library = LoadLibraryExW(ResourceLibraryPath(programPath).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  HMODULE resources = library != nullptr ? library : instance;

  const HRESULT com = OleInitialize(nullptr);
  DWORD autoplay = 0;
  if (IsAutoplayCancelSupported() && RegisterCancelAutoplay(autoplay) != S_OK) autoplay = 0;

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);

  std::vector<std::wstring> arguments;
  int count = 0;
  if (LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count); words != nullptr) {
    for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
    LocalFree(words);
  }
  int status = 0;
  {
    CWin32WizardApp wizard(resources, arguments);
    status = wizard.Run();
  }
  RevokeCancelAutoplay(autoplay);
  if (SUCCEEDED(com)) OleUninitialize();
  return status;
}
