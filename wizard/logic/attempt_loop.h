// The connection pages' search: up to ten detection passes with pauses in between.
#pragma once

#include <functional>

// How the search waits between passes. The program's pacer keeps the window system running while
// it waits (the please-wait box animates, windows repaint); tests count the pauses instead of
// sitting through ten seconds.
class CAttemptPacer {
 public:
  virtual ~CAttemptPacer() = default;
  virtual void Pause(int milliseconds) = 0;
};

constexpr int kSearchAttempts = 10;
constexpr int kFirstPauseMs = 200;
constexpr int kSecondPauseMs = 800;

// Calls attempt until it answers true, at most kSearchAttempts times; after each failed pass it
// pauses 200 ms and then 800 ms (so ten failures take about ten seconds, the last pause
// included). Answers the last pass's result.
bool RunAttemptLoop(const std::function<bool()>& attempt, CAttemptPacer& pacer);
