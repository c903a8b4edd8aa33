// The Windows face's services to the page logic: its question and file dialogs, the please-wait
// box and busy cursor, the search's pauses with the messages still flowing, and the thread that
// runs the long jobs.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "wizard/logic/attempt_loop.h"
#include "wizard/logic/face_services.h"

class CResourceTexts;

// Messages the face posts to its own windows.
constexpr UINT kJobDoneMessage = WM_APP + 1;   // to the host window: the job thread has returned
constexpr UINT kProgressMessage = WM_APP + 2;  // to a page: progress from the job thread
constexpr UINT kPreviewMessage = WM_APP + 3;   // to the files page: the preview's worker has a result

// Message boxes under the caption of the program (string 102) and the common file dialogs, owned
// by the window `owner` answers when they open.
class CWin32Dialogs : public CDialogs {
 public:
  CWin32Dialogs(const CResourceTexts& texts, std::function<HWND()> owner) : m_texts(texts), m_owner(std::move(owner)) {}
  std::vector<std::string> OpenFiles(const std::string& filter, const std::string& folder) override;
  bool SaveFile(const std::string& filter, const std::string& folder, const std::string& fileName,
                const std::string& defaultExtension, std::string& chosen) override;
  bool AskRetry(const std::string& text, const std::string& caption) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  int AskChoice(const std::string& text, const std::string& caption, const std::vector<std::string>& choices) override;
  void Warn(const std::string& text, const std::string& caption) override;

 private:
  int Ask(const std::string& text, const std::string& caption, UINT buttons);

  const CResourceTexts& m_texts;
  std::function<HWND()> m_owner;
};

// The file dialogs' filter from the string table's form ("description|patterns||"): the same
// fields separated by NUL characters, ending with two.
std::wstring DialogFilter(const std::string& filter);

// The please-wait box (dialog 138) over the current page, which the face names, and the busy
// cursor.
class CWin32WaitIndicators : public CWaitIndicators {
 public:
  CWin32WaitIndicators(HMODULE resources, const CResourceTexts& texts) : m_resources(resources), m_texts(texts) {}
  ~CWin32WaitIndicators() override { CloseWaitBox(); }
  void SetPageFinder(std::function<HWND()> currentPage) { m_currentPage = std::move(currentPage); }
  void ShowWaitBox() override;
  void CloseWaitBox() override;
  void BeginBusyCursor() override;
  void EndBusyCursor() override;
  // A busy cursor or the please-wait box is on: the mouse shows the busy cursor over the wizard.
  bool Busy() const { return m_busy > 0 || m_box != nullptr; }
  HWND Box() const { return m_box; }

 private:
  HMODULE m_resources;
  const CResourceTexts& m_texts;
  std::function<HWND()> m_currentPage;
  HWND m_box = nullptr;
  HWND m_disabled = nullptr;
  int m_busy = 0;
  HCURSOR m_previousCursor = nullptr;
};

// Waits with the messages of the thread dispatched, so that the please-wait box animates and the
// windows repaint; the wizard is disabled meanwhile and takes no input.
class CMessageLoopPacer : public CAttemptPacer {
 public:
  void Pause(int milliseconds) override;
};

// Runs the work on a thread of its own and `done` on the window's thread, when the window `target`
// handles kJobDoneMessage by calling Finish. One job at a time.
class CThreadJobRunner : public CJobRunner {
 public:
  ~CThreadJobRunner() override;
  void SetTarget(HWND target) { m_target = target; }
  void Run(std::function<void()> work, std::function<void()> done) override;
  void Finish();

 private:
  HWND m_target = nullptr;
  std::thread m_thread;
  std::function<void()> m_done;
};
