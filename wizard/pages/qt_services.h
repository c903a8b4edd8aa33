// The Qt face's services to the page logic: the please-wait box and busy cursor, and the search's
// pauses with the window system running.
#pragma once

#include <functional>
#include <memory>

#include "wizard/logic/attempt_loop.h"
#include "wizard/logic/face_services.h"

class CResourceSource;
class CWaitBox;
class QWidget;

// Shows the please-wait box over the current page of a window (the sheet), which is disabled while
// the box shows, and the busy cursor over the whole program.
class CQtWaitIndicators : public CWaitIndicators {
 public:
  explicit CQtWaitIndicators(const CResourceSource& resources);
  ~CQtWaitIndicators() override;

  // The window the box disables, and how to find the page it is centred over.
  void SetWindow(QWidget* window, std::function<QWidget*()> currentPage);

  void ShowWaitBox() override;
  void CloseWaitBox() override;
  void BeginBusyCursor() override;
  void EndBusyCursor() override;

  // The box while it shows, else nullptr.
  CWaitBox* Box() const { return m_box.get(); }
  // Where a question sits: on the box while it shows (the wizard under it is disabled, and so
  // would be a question on the wizard), else on the current page.
  QWidget* DialogOwner() const;

 private:
  const CResourceSource& m_resources;
  std::unique_ptr<CWaitBox> m_box;
  QWidget* m_window = nullptr;
  std::function<QWidget*()> m_currentPage;
  QWidget* m_disabledWindow = nullptr;
};

// Waits with the window system running, so the please-wait box animates and windows repaint; the
// wizard itself is disabled meanwhile and takes no input.
class CEventLoopPacer : public CAttemptPacer {
 public:
  void Pause(int milliseconds) override;
};
