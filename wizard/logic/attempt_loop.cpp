// The connection pages' search loop.
#include "wizard/logic/attempt_loop.h"

bool RunAttemptLoop(const std::function<bool()>& attempt, CAttemptPacer& pacer) {
  for (int i = 0; i < kSearchAttempts; ++i) {
    if (attempt()) return true;
    pacer.Pause(kFirstPauseMs);
    pacer.Pause(kSecondPauseMs);
  }
  return false;
}
