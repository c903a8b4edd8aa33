// The list of subcommands.
#include "cli/commands.h"

#include "cli/command_words.h"

void AddCommands(CLI::App& app, int& status) {
  AddConvertCommand(app, status);
  AddDevicesCommand(app, status);
  AddHelpCommand(app, status);
  AddMapsCommand(app, status);
  AddSendCommand(app, status);
  AddShowCommand(app, status);
}
