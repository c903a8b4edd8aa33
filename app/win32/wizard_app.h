// The Windows program: its resources, the shared wizard state with the Windows services, the
// host window and the wizard over it.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "app/win32/resource_texts.h"
#include "app/win32/services.h"
#include "storage/removable_drives.h"
#include "wizard/logic/sheet_logic.h"
#include "wizard/logic/wizard_pages.h"
#include "wizard/logic/wizard_state.h"

class CWin32Sheet;

// The services the application owns, before the state that refers to them.
struct SWin32Services {
  explicit SWin32Services(HMODULE resourceModule);

  HMODULE resources;
  CResourceTexts resourceTexts;
  CWin32WaitIndicators waitIndicators;
  CWin32Dialogs win32Dialogs;
  CMessageLoopPacer messagePacer;
  CThreadJobRunner jobRunner;
  std::unique_ptr<CDriveAccess> drives;
  CWin32Sheet* sheet = nullptr;
};

class CWin32WizardApp : private SWin32Services, public CWizardState {
 public:
  CWin32WizardApp(HMODULE resourceModule, const std::vector<std::wstring>& arguments);
  ~CWin32WizardApp() override;

  // The host window, the wizard over it, until both close; answers the program's exit status.
  int Run();

 private:
  static INT_PTR CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnHostCreated(HWND host);
  void RunWizard(HWND host);

  CWizardPages m_pages;
  CSheetLogic m_sheetLogic;
  HWND m_host = nullptr;
  int m_status = 0;
};
