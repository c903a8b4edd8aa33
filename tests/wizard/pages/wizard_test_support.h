// Test doubles for driving the wizard's pages: scripted dialogs, counted pauses, a small state.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "resources/qt/resource_source.h"
#include "tests/temp_folder.h"
#include "wizard/pages/attempt_loop.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/wizard_state.h"

// The one QApplication of a test program (the pages need one; tests run offscreen). It is made
// and destroyed around all the tests: destroyed at static exit, after Qt's own statics, it crashes.
class CQtTestEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { Application(); }
  void TearDown() override { m_application.reset(); }
  QApplication& Application() {
    if (!m_application) m_application = std::make_unique<QApplication>(m_argc, m_argv);
    return *m_application;
  }

 private:
  int m_argc = 1;
  char m_name[16] = "transvane-tests";
  char* m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QApplication> m_application;
};

inline CQtTestEnvironment* const kQtTestEnvironment =
    static_cast<CQtTestEnvironment*>(::testing::AddGlobalTestEnvironment(new CQtTestEnvironment));

inline QApplication& TestApplication() { return kQtTestEnvironment->Application(); }

// Lets posted requests (button states) and zero-delay work take effect.
inline void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// A key pressed and released on a control, as the window system delivers it: a control that does
// not take the key leaves it to its parents.
inline void PressKey(QWidget* control, int key, bool autoRepeat = false) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
  QApplication::sendEvent(control, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(), autoRepeat);
  QApplication::sendEvent(control, &release);
  Settle();
}

// Runs the window system until the condition holds or a generous deadline passes (timers of
// the pages fire this way; nothing waits for a fixed time).
inline bool WaitUntil(const std::function<bool()>& condition, int deadlineMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > deadlineMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// The worded lines of a report, without their reasons.
inline std::vector<std::string> ReportTexts(const std::vector<SReportLine>& report) {
  std::vector<std::string> texts;
  for (const SReportLine& line : report) texts.push_back(line.text);
  return texts;
}

// Answers the pages' dialogs from a script and records every call.
class CScriptedDialogs : public CDialogs {
 public:
  struct SCall {
    std::string kind;
    QWidget* parent = nullptr;
    QString filter;
    std::string folder;
    std::string fileName;
    std::string extension;
    QString text;
    QString caption;
    QStringList choices;
  };

  std::deque<std::vector<std::string>> openAnswers;  // none left: the user cancels
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<bool> retryAnswers;  // none left: Cancel
  std::deque<bool> yesNoAnswers;
  std::deque<int> choiceAnswers;  // none left: the last choice, which changes nothing
  std::function<void()> onRetryQuestion;
  std::vector<SCall> calls;

  std::vector<std::string> OpenFiles(QWidget* parent, const QString& filter, const std::string& folder) override {
    calls.push_back({"open", parent, filter, folder, {}, {}, {}, {}, {}});
    if (openAnswers.empty()) return {};
    auto answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
  }
  bool SaveFile(QWidget* parent, const QString& filter, const std::string& folder, const std::string& fileName,
                const std::string& extension, std::string& chosen) override {
    calls.push_back({"save", parent, filter, folder, fileName, extension, {}, {}, {}});
    if (saveAnswers.empty()) return false;
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    if (!answer) return false;
    chosen = *answer;
    return true;
  }
  bool AskRetry(QWidget* parent, const QString& text, const QString& caption) override {
    calls.push_back({"retry", parent, {}, {}, {}, {}, text, caption, {}});
    if (onRetryQuestion) onRetryQuestion();
    if (retryAnswers.empty()) return false;
    const bool answer = retryAnswers.front();
    retryAnswers.pop_front();
    return answer;
  }
  bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) override {
    calls.push_back({"yesno", parent, {}, {}, {}, {}, text, caption, {}});
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }
  void Warn(QWidget* parent, const QString& text, const QString& caption) override {
    calls.push_back({"warn", parent, {}, {}, {}, {}, text, caption, {}});
  }
  int AskChoice(QWidget* parent, const QString& text, const QString& caption, const QStringList& choices) override {
    calls.push_back({"choice", parent, {}, {}, {}, {}, text, caption, choices});
    if (choiceAnswers.empty()) return static_cast<int>(choices.size()) - 1;
    const int answer = choiceAnswers.front();
    choiceAnswers.pop_front();
    return answer;
  }
  int Count(const std::string& kind) const {
    int n = 0;
    for (const SCall& call : calls) n += call.kind == kind ? 1 : 0;
    return n;
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

struct STestServices {
  CResourceSource testResources;
  CScriptedDialogs testDialogs;
  CCountingPacer testPacer;
};

// The shared state with a recorded please-wait box and fixed folders.
class CTestState : public STestServices, public CWizardState {
 public:
  CTestState() : CWizardState(testResources, testDialogs, testPacer) {}

  void ShowWaitBox(QWidget* page) override {
    ++waitBoxShows;
    waitBoxOpen = true;
    m_window = page->window();
    m_window->setEnabled(false);
  }
  void CloseWaitBox() override {
    if (!waitBoxOpen) return;
    waitBoxOpen = false;
    m_window->setEnabled(true);
  }
  QWidget* WaitBox() const override { return nullptr; }
  std::string TempFolder() const override { return temp; }
  std::string DesktopDocumentsFolder() const override { return documents; }

  int waitBoxShows = 0;
  bool waitBoxOpen = false;
  std::string temp;
  std::string documents;

 private:
  QWidget* m_window = nullptr;
};
