// The Windows program.
#include "app/win32/wizard_app.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

#include "app/win32/start_up.h"
#include "formats/locale_code_page.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "wizard/win32/property_sheet.h"

namespace {

constexpr UINT_PTR kStartTimer = 1001;
constexpr UINT kAboutCommand = 16;

}  // namespace

SWin32Services::SWin32Services(HMODULE resourceModule)
    : resources(resourceModule),
      resourceTexts(resourceModule),
      waitIndicators(resourceModule, resourceTexts),
      // Questions sit on the please-wait box while it shows (the wizard under it is disabled),
      // else on the wizard's current page.
      win32Dialogs(resourceTexts,
                   [this]() -> HWND {
                     if (waitIndicators.Box() != nullptr) return waitIndicators.Box();
                     return sheet != nullptr ? sheet->CurrentPage() : nullptr;
                   }),
      drives(CreateDriveAccess()) {}

CWin32WizardApp::CWin32WizardApp(HMODULE resourceModule, const std::vector<std::wstring>& arguments)
    : SWin32Services(resourceModule),
      CWizardState(resourceTexts, win32Dialogs, waitIndicators, messagePacer, jobRunner),
      m_pages(*this),
      m_sheetLogic(*this) {
  unit.SetDriveAccess(drives.get());
  testMode = HasTestSwitch(arguments);
  CDiagnostic why;
  codePage = CodePageFromEnvironment("TRANSVANE_CODEPAGE", &why);
  codePageProblem = why.Reason();
}

CWin32WizardApp::~CWin32WizardApp() { CloseWaitBox(); }

int CWin32WizardApp::Run() {
  DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_HOST), nullptr, &CWin32WizardApp::HostProcedure,
                  reinterpret_cast<LPARAM>(this));
  return m_status;
}

INT_PTR CALLBACK CWin32WizardApp::HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<CWin32WizardApp*>(lParam)->OnHostCreated(window);
    return FALSE;
  }
  auto* app = reinterpret_cast<CWin32WizardApp*>(GetWindowLongPtrW(window, DWLP_USER));
  if (app == nullptr) return FALSE;
  switch (message) {
    case WM_TIMER:
      if (wParam != kStartTimer) return FALSE;
      KillTimer(window, kStartTimer);
      app->RunWizard(window);
      EndDialog(window, IDOK);
      return TRUE;
    case kJobDoneMessage:
      app->jobRunner.Finish();
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != kAboutCommand) return FALSE;
      DialogBoxParamW(
          app->resources, MAKEINTRESOURCEW(IDD_ABOUT), window,
          [](HWND about, UINT aboutMessage, WPARAM command, LPARAM) -> INT_PTR {
            if (aboutMessage == WM_COMMAND && (LOWORD(command) == IDOK || LOWORD(command) == IDCANCEL)) {
              EndDialog(about, IDOK);
              return TRUE;
            }
            return aboutMessage == WM_INITDIALOG ? TRUE : FALSE;
          },
          0);
      return TRUE;
    case WM_CLOSE:
      EndDialog(window, IDOK);
      return TRUE;
    default:
      return FALSE;
  }
}

void CWin32WizardApp::OnHostCreated(HWND host) {
  m_host = host;
  jobRunner.SetTarget(host);
  // The About item exists only when a resource library fills string 101.
  const std::wstring about = resourceTexts.String(IDS_ABOUT_ITEM);
  if (!about.empty()) {
    HMENU menu = GetSystemMenu(host, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, about.c_str());
  }
  HICON large = static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  HICON small = static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  SendMessageW(host, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  SendMessageW(host, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  SetTimer(host, kStartTimer, 0, nullptr);
  // Only a task-bar button: the wizard is the window the user works in.
  ShowWindow(host, SW_SHOWMINNOACTIVE);
}

void CWin32WizardApp::RunWizard(HWND host) {
  HBITMAP picture = static_cast<HBITMAP>(LoadImageW(resources, MAKEINTRESOURCEW(IDB_HEADER), IMAGE_BITMAP, 0, 0, 0));
  CWin32Sheet sheet(m_sheetLogic, m_pages, resources, resourceTexts);
  SWin32Services::sheet = &sheet;
  waitIndicators.SetPageFinder([&sheet] { return sheet.CurrentPage(); });
  sheet.SetBusyQuery([this] { return waitIndicators.Busy(); });
  sheet.Run(host, picture);
  waitIndicators.SetPageFinder(nullptr);
  SWin32Services::sheet = nullptr;
  if (picture != nullptr) DeleteObject(picture);
  // A quit posted while the wizard ran (EndProgram) carries the exit status.
  MSG quit;
  if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) m_status = static_cast<int>(quit.wParam);
}
