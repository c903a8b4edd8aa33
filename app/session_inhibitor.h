// Keeps the desktop session from automounting and opening media while the wizard runs.
#pragma once

#include <QDBusConnection>

class CDriveAccess;

// The counterpart of cancelling AutoPlay: GNOME's session manager is asked not to automount
// (Inhibit with flag 16) for as long as our bus connection lives, which is as long as the
// program. It asks only when the drive access mounts removable volumes itself; otherwise a unit
// plugged in during the job would never be mounted at all. No bus, no session manager (KDE has
// no such call): nothing happens and nothing is reported. The user's settings are never changed.
class CSessionInhibitor {
 public:
  static constexpr unsigned kInhibitAutomount = 16;

  // Answers whether the request was sent.
  static bool Inhibit(const CDriveAccess& drives, const QDBusConnection& bus = QDBusConnection::sessionBus());
};
