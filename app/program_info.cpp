// The wizard program's --help and --version, and its identity towards the desktop.
#include "app/program_info.h"

#include <QGuiApplication>

std::string ProgramInfoText(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument == QStringLiteral("--version")) return std::string("transvane ") + TRANSVANE_VERSION + "\n";
    if (argument == QStringLiteral("--help")) {
      return "Usage: transvane [/T]\n"
             "\n"
             "The Transvane wizard: converts waypoints, routes and tracks for a Norvantis GPS unit\n"
             "and copies map regions onto its memory card.\n"
             "\n"
             "  /T         test mode (any letter case): the temporary folder stands in for the\n"
             "             unit, and no unit or card is searched\n"
             "  --help     print this help and exit\n"
             "  --version  print the version and exit\n"
             "\n"
             "Other arguments are ignored. The wizard speaks the user's language (LANGUAGE, LC_ALL,\n"
             "LC_MESSAGES, LANG) when a translation for it is installed; a file transvaneRC.rcc\n"
             "beside the program replaces the texts and pictures in any case.\n"
             "Without a window: transvane-cli --help. Manual: man transvane.\n";
    }
  }
  return {};
}

void SetProgramIdentity() {
  QGuiApplication::setApplicationName(QStringLiteral("transvane"));
  QGuiApplication::setApplicationVersion(QStringLiteral(TRANSVANE_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral(TRANSVANE_APP_ID));
}
