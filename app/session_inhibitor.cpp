// Keeps the desktop session from automounting media while the wizard runs.
#include "app/session_inhibitor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "storage/removable_drives.h"

namespace {
const char* const kService = "org.gnome.SessionManager";
}

bool CSessionInhibitor::Inhibit(const CDriveAccess& drives, const QDBusConnection& bus) {
  if (!drives.CanMountRemovableMedia() || !bus.isConnected()) return false;
  const QDBusConnectionInterface* daemon = bus.interface();
  if (daemon == nullptr || !daemon->isServiceRegistered(QString::fromLatin1(kService)).value()) return false;
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kService), QStringLiteral("/org/gnome/SessionManager"),
                                     QString::fromLatin1(kService), QStringLiteral("Inhibit"));
  // The top-level window id is 0: there is none to give under Wayland, and the inhibitor belongs
  // to the connection anyway. The answer (a cookie) is not needed: the session manager drops the
  // inhibitor when our connection closes at exit.
  call << QStringLiteral("transvane") << 0u << QStringLiteral("Transferring files to a Norvantis unit")
       << kInhibitAutomount;
  return bus.send(call);
}
