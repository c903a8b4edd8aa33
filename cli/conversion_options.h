// The --codepage option of the commands that convert or show names.
#pragma once

#include <memory>
#include <string>

#include "formats/code_page.h"

namespace CLI {
class App;
}

// Adds --codepage to the command, its value into `name` (empty when not given).
void AddCodePageOption(CLI::App& command, std::string& name);
// The code page of the run: `name` when given, else the one of the user's locale. Null, after a
// message on standard error, when the name is no usable ANSI code page (a usage error: exit 2).
std::unique_ptr<CCodePage> OpenCodePage(const std::string& name);
