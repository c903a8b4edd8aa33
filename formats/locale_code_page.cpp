// Which ANSI code page the user's names are in, by the user's locale.
#include "formats/locale_code_page.h"

#include "formats/code_page.h"
#include "platform/code_page.h"
#include "platform/environment.h"

namespace {

struct SLanguagePage {
  std::string_view language;  // ISO 639 code, as in locale names
  const char* codePage;
};

// Windows' ANSI code page of each language that does not use 1252.
constexpr SLanguagePage kPages[] = {
    {"ru", "CP1251"}, {"uk", "CP1251"}, {"bg", "CP1251"}, {"sr", "CP1251"},                    // Cyrillic
    {"pl", "CP1250"}, {"cs", "CP1250"}, {"sk", "CP1250"}, {"hu", "CP1250"}, {"hr", "CP1250"},  // Central
    {"sl", "CP1250"}, {"ro", "CP1250"},                                                        // European
    {"el", "CP1253"}, {"tr", "CP1254"}, {"he", "CP1255"}, {"iw", "CP1255"},                    // (iw: old he)
    {"ar", "CP1256"}, {"fa", "CP1256"}, {"et", "CP1257"}, {"lv", "CP1257"}, {"lt", "CP1257"},
    {"vi", "CP1258"}, {"th", "CP874"},  {"ja", "CP932"},  {"ko", "CP949"},
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string AnsiCodePageOfLocale(std::string_view locale) {
  const std::size_t languageEnd = locale.find_first_of("_.@");
  std::string language(locale.substr(0, languageEnd));
  for (char& c : language) c = Lower(c);
  if (language == "zh") {
    // Chinese: traditional characters in Taiwan, Hong Kong and Macau, simplified elsewhere.
    std::string_view territory;
    if (languageEnd != std::string_view::npos && locale[languageEnd] == '_') {
      territory = locale.substr(languageEnd + 1);
      territory = territory.substr(0, territory.find_first_of(".@"));
    }
    for (const std::string_view traditional : {"TW", "HK", "MO", "tw", "hk", "mo"})
      if (territory == traditional) return "CP950";
    return "CP936";
  }
  for (const SLanguagePage& page : kPages)
    if (page.language == language) return page.codePage;
  return "CP1252";
}

std::string UserAnsiCodePage() { return platform::SystemAnsiCodePage(); }

std::string CodePageFromEnvironment(const char* variable, CDiagnostic* why) {
  const std::string value = platform::GetEnvironment(variable).value_or(std::string());
  if (value.empty()) return UserAnsiCodePage();
  const CCodePage chosen(value);
  CDiagnostic refusal;
  if (chosen.IsUsable(&refusal)) return chosen.GetName();
  const std::string fallback = UserAnsiCodePage();
  Fail(why, std::string(variable) + ": " + refusal.Reason() + "; " + fallback + " is used instead");
  return fallback;
}
