// The --codepage option of the commands that convert or show names, and what a conversion changed.
#include "cli/conversion_options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

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
  std::fprintf(stderr, "--codepage: %s\n", EscapeForTerminal(why.Reason()).c_str());
  return nullptr;
}

void WarnOfChanges(const std::string& source, CCodePage& codePage, CUnitTimes& times) {
  std::fflush(stdout);
  if (codePage.GetReplacementCount() != 0) {
    std::fprintf(stderr, "warning: %s: %zu character(s) not held by %s or by XML became '?'\n",
                 EscapeForTerminal(source).c_str(), codePage.GetReplacementCount(), codePage.GetName().c_str());
    codePage.ResetReplacementCount();
  }
  if (times.GetUntimedCount() != 0) {
    std::fprintf(stderr,
                 "warning: %s: %zu track point(s) without a usable time: 2000-01-01 00:00:00 local time in unit "
                 "and desktop files, no <time> in GPX\n",
                 EscapeForTerminal(source).c_str(), times.GetUntimedCount());
    times.ResetUntimedCount();
  }
}
