// The Qt application object that QtDBus needs, for commands that ask the platform about drives.
#include "cli/core_application.h"

std::unique_ptr<QCoreApplication> CreateCoreApplicationIfNone() {
  // QCoreApplication keeps references to argc and argv for its whole life.
  static int argc = 1;
  static char name[] = "transvane-cli";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() != nullptr) return nullptr;
  return std::make_unique<QCoreApplication>(argc, argv);
}
