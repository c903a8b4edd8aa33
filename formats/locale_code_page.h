// Which ANSI code page the user's names are in, by the user's locale.
#pragma once

#include <string>
#include <string_view>

// The ANSI code page that Windows uses for the language of a POSIX locale name
// ("language[_territory][.codeset][@modifier]", as in "ru_RU.UTF-8"): the code page the desktop
// product wrote the names in for a user of that language. "CP1252" for any language without a
// page of its own, and for "C", "POSIX" and the empty name.
std::string AnsiCodePageOfLocale(std::string_view locale);

// The same for the user's locale: the first of LC_ALL, LC_CTYPE and LANG that is set and not
// empty, as the C library decides the character type.
std::string UserAnsiCodePage();
