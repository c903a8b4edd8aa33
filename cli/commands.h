// The subcommands of transvane-cli. Each adds itself to the parser and, when it runs, sets the
// exit status: 0 when every file went through, 1 when any failed, 2 for a usage error.
#pragma once

namespace CLI {
class App;
}

void AddCommands(CLI::App& app, int& status);
void AddConvertCommand(CLI::App& app, int& status);
void AddDevicesCommand(CLI::App& app, int& status);
void AddMapsCommand(CLI::App& app, int& status);
void AddSendCommand(CLI::App& app, int& status);
void AddShowCommand(CLI::App& app, int& status);
