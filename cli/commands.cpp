// The list of subcommands.
#include "cli/commands.h"

void AddCommands(CLI::App& app, int& status) {
  (void)app;
  (void)status;
  AddConvertCommand(app, status);
  AddDevicesCommand(app, status);
  AddMapsCommand(app, status);
  AddSendCommand(app, status);
  AddShowCommand(app, status);
}
