// Which ANSI code page the user's names are in, by the user's locale.
#pragma once

#include <string>
#include <string_view>

#include "formats/diagnostic.h"

// The ANSI code page that Windows uses for the language of a POSIX locale name
// ("language[_territory][.codeset][@modifier]", as in "ru_RU.UTF-8"): the code page the desktop
// product wrote the names in for a user of that language. "CP1252" for any language without a
// page of its own, and for "C", "POSIX" and the empty name.
std::string AnsiCodePageOfLocale(std::string_view locale);

// The ANSI code page of the user's names: the system's own on Windows, elsewhere the page of the
// user's locale (the first of LC_ALL, LC_CTYPE and LANG that is set and not empty).
std::string UserAnsiCodePage();

// The code page named by the environment variable (TRANSVANE_CODEPAGE for the wizard) when it is
// set and names a usable one (CCodePage::IsUsable); else the user's locale's, and when the variable
// was set `why` says why it was not used.
std::string CodePageFromEnvironment(const char* variable, CDiagnostic* why = nullptr);
