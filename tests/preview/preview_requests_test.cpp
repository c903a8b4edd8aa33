// The order of a preview's work: it runs off the owner's thread, a newer file stops the reading
// in progress and drops what has not started, a newer picture only drops what has not started,
// and the numbers tell overtaken results apart.
#include "preview/preview_requests.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Holds the work until it is asked to stop. A busy wait: the atomic's own wait misses the wake-up
// with the Windows compiler's library (which has no futex under it).
void WaitForStop(const std::atomic<bool>& stop) {
  while (!stop.load()) std::this_thread::yield();
}

// What the work did, in order.
struct SLog {
  std::mutex lock;
  std::string done;
  void Add(char c) {
    const std::lock_guard<std::mutex> hold(lock);
    done += c;
  }
};

TEST(PreviewRequestsTest, RunsOffTheOwnersThread) {
  CPreviewRequests requests;
  std::promise<std::thread::id> ran;
  requests.NewFile();
  requests.Run([&ran](const std::atomic<bool>&) { ran.set_value(std::this_thread::get_id()); });
  EXPECT_NE(ran.get_future().get(), std::this_thread::get_id());
}

TEST(PreviewRequestsTest, ANewFileStopsTheReadingAndDropsWhatHasNotStarted) {
  SLog log;
  CPreviewRequests requests;
  const int first = requests.NewFile();
  std::promise<void> reading;
  std::promise<bool> stopped;
  requests.Run([&](const std::atomic<bool>& stop) {
    reading.set_value();
    WaitForStop(stop);
    log.Add('a');
    stopped.set_value(stop.load());
  });
  reading.get_future().wait();
  requests.Run([&](const std::atomic<bool>&) { log.Add('b'); });  // waits behind the reading
  const int second = requests.NewFile();
  EXPECT_TRUE(stopped.get_future().get());
  std::promise<bool> last;
  requests.Run([&](const std::atomic<bool>& stop) {
    log.Add('c');
    last.set_value(stop.load());
  });
  EXPECT_FALSE(last.get_future().get()) << "the new file's reading is not stopped";
  EXPECT_EQ(log.done, "ac");
  EXPECT_FALSE(requests.IsLatestFile(first));
  EXPECT_TRUE(requests.IsLatestFile(second));
}

TEST(PreviewRequestsTest, ANewPictureDropsWhatHasNotStartedOnly) {
  SLog log;
  CPreviewRequests requests;
  const int file = requests.NewFile();
  const int first = requests.NewPicture();
  std::promise<void> drawing;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<bool> finished;
  requests.Run([&](const std::atomic<bool>& stop) {
    drawing.set_value();
    released.wait();
    log.Add('a');
    finished.set_value(stop.load());
  });
  drawing.get_future().wait();
  requests.Run([&](const std::atomic<bool>&) { log.Add('b'); });
  const int second = requests.NewPicture();
  std::promise<void> last;
  requests.Run([&](const std::atomic<bool>&) {
    log.Add('c');
    last.set_value();
  });
  release.set_value();
  EXPECT_FALSE(finished.get_future().get()) << "the work in progress goes on";
  last.get_future().wait();
  EXPECT_EQ(log.done, "ac");
  EXPECT_TRUE(requests.IsLatestFile(file)) << "a picture does not overtake its file";
  EXPECT_FALSE(requests.IsLatestPicture(first));
  EXPECT_TRUE(requests.IsLatestPicture(second));
  requests.NewFile();
  EXPECT_FALSE(requests.IsLatestPicture(second)) << "a new file overtakes the pictures of the one before";
}

TEST(PreviewRequestsTest, GoingAwayStopsTheReadingAndDropsTheRest) {
  SLog log;
  std::promise<void> reading;
  {
    CPreviewRequests requests;
    requests.NewFile();
    requests.Run([&](const std::atomic<bool>& stop) {
      reading.set_value();
      WaitForStop(stop);
      log.Add('a');
    });
    reading.get_future().wait();
    requests.Run([&](const std::atomic<bool>&) { log.Add('b'); });
  }
  EXPECT_EQ(log.done, "a");
}

}  // namespace
