// transvane-cli: converts navigation files, lists removable drives, sends files to the unit and
// copies map regions, without the wizard's window.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_words.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/help_text.h"
#include "cli/terminal_text.h"
#include "storage/interruption.h"

int main(int argc, char** argv) {
  // Ctrl-C, a closed terminal or a TERM signal: no temporary file or staging folder stays behind.
  InstallInterruptHandlers();
  PrepareStandardStreams();
  std::vector<std::string> arguments = CommandLineArguments(argc, argv);
  CLI::App app{"Transvane: moves waypoints, routes, tracks and map regions to and from a Norvantis unit",
               "transvane-cli"};
  // Before the commands are added: each takes its parent's formatter.
  app.formatter(std::make_shared<CWrappingFormatter>(HelpColumns()));
  app.set_version_flag("--version", std::string("transvane-cli ") + TRANSVANE_VERSION);
  app.require_subcommand(1);
  int status = 0;
  AddCommands(app, status);
  if (!CheckCommandWords(app, arguments)) return 2;
  try {
    // The parser takes the arguments from the last to the first.
    std::reverse(arguments.begin(), arguments.end());
    app.parse(std::move(arguments));
  } catch (const CLI::ParseError& e) {
    // The parser's messages quote the arguments, which may be file names: escaped like the rest.
    std::ostringstream out;
    std::ostringstream err;
    const int code = app.exit(e, out, err);
    WriteText(stdout, EscapeForTerminal(out.str(), true));
    WriteText(stderr, EscapeForTerminal(err.str(), true));
    return code == 0 ? 0 : 2;
  }
  return status;
}
