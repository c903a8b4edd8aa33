// Driving the Qt wizard's pages in a test: the one QApplication, letting posted work run, keys,
// and the logic tests' state with the Qt wizard's resources.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWidget>
#include <functional>
#include <memory>

#include "resources/qt/resource_source.h"
#include "tests/temp_folder.h"
#include "tests/wizard/logic/logic_test_support.h"

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

struct SQtTestResources {
  SQtTestResources() { TestApplication(); }
  CResourceSource testResources;
};

// The logic tests' state, its texts those of the Qt wizard's resources, which the pages show.
class CQtTestState : public SQtTestResources, public CTestState {
 public:
  explicit CQtTestState(CJobRunner* runner = nullptr) : CTestState(runner, testResources) {}
};
