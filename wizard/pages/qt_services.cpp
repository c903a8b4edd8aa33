// The Qt face's services to the page logic.
#include "wizard/pages/qt_services.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "wizard/pages/wait_box.h"

CQtWaitIndicators::CQtWaitIndicators(const CResourceSource& resources) : m_resources(resources) {}

CQtWaitIndicators::~CQtWaitIndicators() { CloseWaitBox(); }

void CQtWaitIndicators::SetWindow(QWidget* window, std::function<QWidget*()> currentPage) {
  m_window = window;
  m_currentPage = std::move(currentPage);
}

void CQtWaitIndicators::ShowWaitBox() {
  CloseWaitBox();
  m_box = std::make_unique<CWaitBox>(m_resources);
  m_disabledWindow = m_window;
  if (m_disabledWindow != nullptr) m_disabledWindow->setEnabled(false);
  m_box->Play();
  m_box->adjustSize();
  QWidget* over = m_currentPage ? m_currentPage() : m_window;
  if (over != nullptr) {
    const QPoint centre = over->mapToGlobal(over->rect().center());
    m_box->move(centre - QPoint(m_box->width() / 2, m_box->height() / 2));
  }
  m_box->show();
}

void CQtWaitIndicators::CloseWaitBox() {
  if (!m_box) return;
  m_box->Stop();
  if (m_disabledWindow != nullptr) m_disabledWindow->setEnabled(true);
  m_disabledWindow = nullptr;
  m_box.reset();
}

QWidget* CQtWaitIndicators::DialogOwner() const {
  if (m_box) return m_box.get();
  return m_currentPage ? m_currentPage() : m_window;
}

void CQtWaitIndicators::BeginBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void CQtWaitIndicators::EndBusyCursor() { QApplication::restoreOverrideCursor(); }

void CEventLoopPacer::Pause(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}
