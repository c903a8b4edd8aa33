// The --codepage option of the commands that convert or show names.
#include "cli/conversion_options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/console.h"
#include "cli/terminal_text.h"
#include "formats/locale_code_page.h"

void AddCodePageOption(CLI::App& command, std::string& name) {
  command.add_option("--codepage", name,
                     "Windows ANSI code page of the names in desktop and unit files, e.g. CP1251 or 1251 (default: "
                     "the one Windows uses for the language of the locale; UTF-8 and UTF-16 are refused)");
}

std::unique_ptr<CCodePage> OpenCodePage(const std::string& name) {
  auto codePage = std::make_unique<CCodePage>(name.empty() ? UserAnsiCodePage() : name);
  CDiagnostic why;
  if (codePage->IsUsable(&why)) return codePage;
  PrintText(stderr, "--codepage: %s\n", EscapeForTerminal(why.Reason()).c_str());
  return nullptr;
}
