// The order of a preview's work, apart from any window system: a worker thread of its own reads
// and draws, so the window never waits for a file however long it is.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A newer file stops the reading of the one before (at its next block) and replaces work that has
// not started; the results of work overtaken by a newer request are told apart by their numbers.
// Everything but the work itself is called on the owner's thread; the work posts its results
// there. Destroying the object stops the reading, drops what has not started and waits for the
// worker, so work may refer to what outlives this object.
class CPreviewRequests {
 public:
  // One piece of work; `stop` is set when a newer file is wanted, and its waiters are woken.
  using FWork = std::function<void(const std::atomic<bool>& stop)>;

  CPreviewRequests();
  ~CPreviewRequests();
  CPreviewRequests(const CPreviewRequests&) = delete;
  CPreviewRequests& operator=(const CPreviewRequests&) = delete;

  // Another file (or none): stops the reading in progress, drops the work that has not started and
  // overtakes every request before. Returns the new file's number.
  int NewFile();
  // Another picture of the present file: drops the work that has not started and overtakes the
  // pictures before. Returns the new picture's number.
  int NewPicture();
  // Runs the work after what is in progress, in place of any that has not started.
  void Run(FWork work);

  bool IsLatestFile(int request) const { return request == m_file; }
  bool IsLatestPicture(int request) const { return request == m_picture; }

 private:
  void StopReading();
  void Work();

  int m_file = 0;
  int m_picture = 0;
  // Set to stop the reading of the present file.
  std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
  std::mutex m_lock;
  std::condition_variable m_wake;
  FWork m_next;  // the work that has not started, under m_lock
  std::shared_ptr<std::atomic<bool>> m_nextStop;
  bool m_ending = false;
  std::thread m_worker;
};
