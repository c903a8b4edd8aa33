// The order of a preview's work on its worker thread.
#include "preview/preview_requests.h"

#include <utility>

CPreviewRequests::CPreviewRequests() : m_worker([this] { Work(); }) {}

// What has not started is dropped before the reading is stopped, so the worker cannot take it up
// in between.
CPreviewRequests::~CPreviewRequests() {
  {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_next = nullptr;
    m_ending = true;
  }
  StopReading();
  m_wake.notify_one();
  m_worker.join();
}

void CPreviewRequests::StopReading() {
  m_stop->store(true);
  m_stop->notify_all();
}

int CPreviewRequests::NewFile() {
  {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_next = nullptr;
  }
  StopReading();
  m_stop = std::make_shared<std::atomic<bool>>(false);
  ++m_picture;
  return ++m_file;
}

int CPreviewRequests::NewPicture() {
  {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_next = nullptr;
  }
  return ++m_picture;
}

void CPreviewRequests::Run(FWork work) {
  {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_next = std::move(work);
    m_nextStop = m_stop;
  }
  m_wake.notify_one();
}

void CPreviewRequests::Work() {
  std::unique_lock<std::mutex> hold(m_lock);
  for (;;) {
    m_wake.wait(hold, [this] { return m_ending || m_next; });
    if (m_ending) return;
    const FWork work = std::exchange(m_next, nullptr);
    const std::shared_ptr<std::atomic<bool>> stop = m_nextStop;
    hold.unlock();
    work(*stop);
    hold.lock();
  }
}
