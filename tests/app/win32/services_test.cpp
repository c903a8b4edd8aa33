// The Windows face's services under Wine: the please-wait box over a page, the pacer that keeps
// the messages flowing while the search waits, and the job thread whose end comes back to the
// window's thread.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include "app/win32/services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/resource_texts.h"
#include "resources/win32/resource_ids.h"

namespace {

constexpr UINT kNudge = WM_APP + 40;

// A top-level window standing in for the wizard, with a child standing in for its current page;
// it counts the nudges it is sent and finishes the runner's jobs as the host window does.
class ServicesTest : public ::testing::Test {
 protected:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* test = reinterpret_cast<ServicesTest*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (test != nullptr && message == kNudge) ++test->nudges;
    if (test != nullptr && message == kJobDoneMessage) test->runner.Finish();
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW type = {};
    type.lpfnWndProc = &Procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"TransvaneServicesTest";
    RegisterClassW(&type);
    wizard = CreateWindowExW(0, L"TransvaneServicesTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (wizard == nullptr) GTEST_SKIP() << "no window can be made here (no display): run under Xvfb";
    SetWindowLongPtrW(wizard, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    page =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 500, 300, wizard, nullptr, nullptr, nullptr);
    runner.SetTarget(wizard);
  }
  void TearDown() override {
    if (wizard != nullptr) DestroyWindow(wizard);
  }

  HWND wizard = nullptr;
  HWND page = nullptr;
  int nudges = 0;
  CThreadJobRunner runner;
};

TEST_F(ServicesTest, ThePleaseWaitBoxDisablesTheWizardUntilItCloses) {
  const CResourceTexts texts(GetModuleHandleW(nullptr));
  CWin32WaitIndicators wait(GetModuleHandleW(nullptr), texts);
  wait.SetPageFinder([this] { return page; });
  wait.ShowWaitBox();
  HWND box = wait.Box();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), wizard);
  EXPECT_FALSE(IsWindowEnabled(wizard));
  EXPECT_TRUE(IsWindowVisible(box));
  wchar_t line[128] = {};
  GetDlgItemTextW(box, IDC_WAIT_TEXT, line, 128);
  EXPECT_EQ(std::wstring(line), texts.String(106));
  // Whether the animation plays is not asked: Wine answers ACM_ISPLAYING with 0 whatever plays.
  // A second box is never made over the first.
  wait.ShowWaitBox();
  EXPECT_EQ(wait.Box(), box);

  wait.CloseWaitBox();
  EXPECT_EQ(wait.Box(), nullptr);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(IsWindowEnabled(wizard));
  wait.CloseWaitBox();  // closing none does nothing
  EXPECT_TRUE(IsWindowEnabled(wizard));
}

TEST_F(ServicesTest, ThePacerDispatchesMessagesWhileItWaits) {
  PostMessageW(wizard, kNudge, 0, 0);
  PostMessageW(wizard, kNudge, 0, 0);
  const ULONGLONG start = GetTickCount64();
  CMessageLoopPacer pacer;
  pacer.Pause(200);
  EXPECT_EQ(nudges, 2);
  EXPECT_GE(GetTickCount64() - start, 190u);
}

TEST_F(ServicesTest, TheJobRunsOnItsOwnThreadAndItsEndOnTheWindowsThread) {
  const std::thread::id window = std::this_thread::get_id();
  std::atomic<bool> workedElsewhere{false};
  bool doneHere = false;
  runner.Run([&] { workedElsewhere = std::this_thread::get_id() != window; },
             [&] { doneHere = std::this_thread::get_id() == window; });
  EXPECT_FALSE(doneHere);  // not before the window's thread takes the message
  MSG message;
  while (!doneHere && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  EXPECT_TRUE(workedElsewhere);
  EXPECT_TRUE(doneHere);
}

// The question's answer as the user gives it: a button's command to the open question of this
// thread, or 0 to close it, sent from a timer once the question shows.
WPARAM g_answer = 0;
void CALLBACK Answer(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND question = FindWindowW(nullptr, L"Transvane question");
  if (question == nullptr || !IsWindowVisible(question)) return;
  KillTimer(nullptr, timer);
  if (g_answer == 0) {
    PostMessageW(question, WM_CLOSE, 0, 0);
  } else {
    PostMessageW(question, WM_COMMAND, g_answer, 0);
  }
}

TEST_F(ServicesTest, AChoiceIsTheButtonPressedAndClosingTakesTheLast) {
  const CResourceTexts texts(GetModuleHandleW(nullptr));
  CWin32Dialogs dialogs(texts, [this] { return page; });
  const std::vector<std::string> choices = {"Keep both", "Replace", "Go back"};
  // Buttons are numbered from 100 in the order of the choices.
  const std::pair<WPARAM, int> cases[] = {{100, 0}, {101, 1}, {102, 2}, {0, 2}};
  for (const auto& [command, choice] : cases) {
    g_answer = command;
    SetTimer(nullptr, 0, 20, &Answer);
    EXPECT_EQ(dialogs.AskChoice("These files already exist.", "Transvane question", choices), choice) << command;
  }
}

}  // namespace
