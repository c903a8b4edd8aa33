// Test doubles for driving the wizard's page logic without a window system: scripted dialogs,
// counted pauses, recorded waiting signs and faces, and a small state over the program's texts.
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "resources/text_source.h"
#include "storage/volume_limits.h"
#include "wizard/logic/attempt_loop.h"
#include "wizard/logic/face_services.h"
#include "wizard/logic/sheet_logic.h"
#include "wizard/logic/wizard_pages.h"
#include "wizard/logic/wizard_state.h"

// The worded lines of a report, without their reasons.
inline std::vector<std::string> ReportTexts(const std::vector<SReportLine>& report) {
  std::vector<std::string> texts;
  for (const SReportLine& line : report) texts.push_back(line.text);
  return texts;
}

// The program's own texts, as the Qt wizard builds them in.
inline const CTextTable& ProgramTexts() {
  static const CTextTable texts([] {
    std::ifstream in(std::string(TRANSVANE_SOURCE_DIR) + "/resources/qt/texts.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }());
  return texts;
}

// Answers the pages' dialogs from a script and records every call.
class CScriptedDialogs : public CDialogs {
 public:
  struct SCall {
    std::string kind;
    std::string filter;
    std::string folder;
    std::string fileName;
    std::string extension;
    std::string text;
    std::string caption;
    std::vector<std::string> choices;
  };

  std::deque<std::vector<std::string>> openAnswers;  // none left: the user cancels
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<bool> retryAnswers;  // none left: Cancel
  std::deque<bool> yesNoAnswers;  // none left: No
  std::deque<int> choiceAnswers;  // none left: the last choice, which changes nothing
  std::function<void()> onRetryQuestion;
  std::function<void()> onWarning;
  std::vector<SCall> calls;

  std::vector<std::string> OpenFiles(const std::string& filter, const std::string& folder) override {
    calls.push_back({"open", filter, folder, {}, {}, {}, {}, {}});
    return Take(openAnswers, {});
  }
  bool SaveFile(const std::string& filter, const std::string& folder, const std::string& fileName,
                const std::string& extension, std::string& chosen) override {
    calls.push_back({"save", filter, folder, fileName, extension, {}, {}, {}});
    const std::optional<std::string> answer = Take(saveAnswers, {});
    if (answer) chosen = *answer;
    return answer.has_value();
  }
  bool AskRetry(const std::string& text, const std::string& caption) override {
    calls.push_back({"retry", {}, {}, {}, {}, text, caption, {}});
    if (onRetryQuestion) onRetryQuestion();
    return Take(retryAnswers, false);
  }
  bool AskYesNo(const std::string& text, const std::string& caption) override {
    calls.push_back({"yesno", {}, {}, {}, {}, text, caption, {}});
    return Take(yesNoAnswers, false);
  }
  int AskChoice(const std::string& text, const std::string& caption, const std::vector<std::string>& choices) override {
    calls.push_back({"choice", {}, {}, {}, {}, text, caption, choices});
    return Take(choiceAnswers, static_cast<int>(choices.size()) - 1);
  }
  void Warn(const std::string& text, const std::string& caption) override {
    calls.push_back({"warn", {}, {}, {}, {}, text, caption, {}});
    if (onWarning) onWarning();
  }
  int Count(const std::string& kind) const {
    int n = 0;
    for (const SCall& call : calls) n += call.kind == kind ? 1 : 0;
    return n;
  }

 private:
  template <typename T>
  static T Take(std::deque<T>& answers, T otherwise) {
    if (answers.empty()) return otherwise;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }
};

// Counts the search's pauses instead of waiting; may act on a pause (a unit appears).
class CCountingPacer : public CAttemptPacer {
 public:
  std::vector<int> pauses;
  std::function<void(std::size_t)> onPause;
  void Pause(int milliseconds) override {
    pauses.push_back(milliseconds);
    if (onPause) onPause(pauses.size());
  }
};

// Records the please-wait box and the busy cursor.
class CRecordedWaitIndicators : public CWaitIndicators {
 public:
  void ShowWaitBox() override {
    ++shows;
    boxOpen = true;
  }
  void CloseWaitBox() override { boxOpen = false; }
  void BeginBusyCursor() override { ++busyDepth; }
  void EndBusyCursor() override { --busyDepth; }

  int shows = 0;
  bool boxOpen = false;
  int busyDepth = 0;
};

struct STestServices {
  CScriptedDialogs testDialogs;
  CRecordedWaitIndicators testWait;
  CCountingPacer testPacer;
  CInlineJobRunner testRunner;
};

// The shared state with recorded services and fixed folders.
class CTestState : public STestServices, public CWizardState {
 public:
  explicit CTestState(CJobRunner* runner = nullptr, const CTextSource& texts = ProgramTexts())
      : CWizardState(texts, testDialogs, testWait, testPacer, runner != nullptr ? *runner : testRunner) {}

  std::string TempFolder() const override { return temp; }
  std::string DesktopDocumentsFolder() const override { return documents; }
  // Destinations of a chosen free space or file system; other roots answer as they are.
  std::int64_t QueryFreeBytes(const std::string& root) const override {
    const auto found = freeBytes.find(root);
    return found != freeBytes.end() ? found->second : CWizardState::QueryFreeBytes(root);
  }
  bool QueryVolumeType(const std::string& root, SVolumeType& type) const override {
    const auto found = volumes.find(root);
    if (found == volumes.end()) return CWizardState::QueryVolumeType(root, type);
    type = found->second;
    return true;
  }

  std::string temp;
  std::string documents;
  std::map<std::string, std::int64_t> freeBytes;
  std::map<std::string, SVolumeType> volumes;
};

// A page's face that records what the logic asks of it; timers fire when the test says.
class CRecordedSite : public CPageSite {
 public:
  void SetTimer(int timerId, int milliseconds) override { timers[timerId] = milliseconds; }
  void KillTimer(int timerId) override { timers.erase(timerId); }
  void Refresh(unsigned parts) override { refreshed |= parts; }

  std::map<int, int> timers;
  unsigned refreshed = 0;
};

// The sheet's face: what it was asked to show, post, press and close.
class CRecordedSheetFace : public CSheetFace {
 public:
  void ShowPage(int index) override { shown.push_back(index); }
  void PostWizardButtons(int buttons) override { posted.push_back(buttons); }
  void PressBack() override {
    ++backPresses;
    if (onPressBack) onPressBack();
  }
  void Close() override { ++closes; }
  void EndProgram(int status) override { endStatus = status; }

  std::vector<int> shown;
  std::vector<int> posted;
  int backPresses = 0;
  std::function<void()> onPressBack;
  int closes = 0;
  std::optional<int> endStatus;
};

// A page of the logic with a recorded site, on a sheet of its own with a recorded face; its timers
// fire by FireTimers.
template <typename TLogic>
struct SPageUnderTest {
  template <typename... TArgs>
  explicit SPageUnderTest(CWizardState& state, TArgs&&... args)
      : sheet(state), page(state, std::forward<TArgs>(args)...) {
    page.SetSite(&site);
    sheet.SetFace(&face);
    sheet.AddPage(page);
  }
  // Runs every timer that is set, as the window system would once idle.
  void FireTimers() {
    while (!site.timers.empty()) {
      const int timerId = site.timers.begin()->first;
      site.timers.erase(site.timers.begin());
      page.OnTimer(timerId);
    }
  }
  // The page shown as the sheet shows it: its fields from the state, then its activation.
  void Activate() { sheet.Activate(0); }

  CRecordedSheetFace face;
  CSheetLogic sheet;
  TLogic page;
  CRecordedSite site;
};

// The nine pages on a sheet, each with a recorded site, the sheet with a recorded face.
struct SWizardUnderTest {
  explicit SWizardUnderTest(CWizardState& state) : pages(state), sheet(state) {
    sheet.SetFace(&face);
    pages.AddTo(sheet);
    for (int i = 0; i < sheet.PageCount(); ++i) sheet.PageAt(i).SetSite(&sites[sheet.PageAt(i).PageId()]);
  }
  int Current() const { return sheet.CurrentPage()->PageId(); }
  // Runs the current page's timers, as the window system would once idle.
  void FireTimers() {
    CRecordedSite& site = sites[Current()];
    while (!site.timers.empty()) {
      const int timerId = site.timers.begin()->first;
      site.timers.erase(site.timers.begin());
      sheet.CurrentPage()->OnTimer(timerId);
    }
  }

  CWizardPages pages;
  CSheetLogic sheet;
  CRecordedSheetFace face;
  std::map<int, CRecordedSite> sites;
};

// Runs the work on a thread of its own, as the Win32 face will; `done` runs on the test's thread
// when the test calls Finish, as the face's window would once told the work returned.
class CThreadJobRunner : public CJobRunner {
 public:
  ~CThreadJobRunner() override { Finish(); }
  void Run(std::function<void()> work, std::function<void()> done) override {
    m_done = std::move(done);
    m_thread = std::thread(std::move(work));
  }
  // Waits for the work and runs `done`; false when nothing was running.
  bool Finish() {
    if (!m_thread.joinable()) return false;
    m_thread.join();
    std::function<void()> done = std::move(m_done);
    m_done = nullptr;
    done();
    return true;
  }

 private:
  std::thread m_thread;
  std::function<void()> m_done;
};
