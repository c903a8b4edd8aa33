// The --codepage option of the commands that convert or show names, and what a conversion changed.
#pragma once

#include <memory>
#include <string>

#include "formats/code_page.h"
#include "formats/unit_times.h"

namespace CLI {
class App;
}

// Adds --codepage to the command, its value into `name` (empty when not given).
void AddCodePageOption(CLI::App& command, std::string& name);
// The code page of the run: `name` when given, else the one of the user's locale. Null, after a
// message on standard error, when the name is no usable ANSI code page (a usage error: exit 2).
std::unique_ptr<CCodePage> OpenCodePage(const std::string& name);
// Warns on standard error of what the source's conversion changed (characters the code page or XML
// cannot hold, track points without a usable time) and resets both counts.
void WarnOfChanges(const std::string& source, CCodePage& codePage, CUnitTimes& times);
