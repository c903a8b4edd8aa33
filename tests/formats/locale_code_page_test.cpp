// The code page of the user's names: by the locale, or as chosen, never a Unicode encoding.
#include "formats/locale_code_page.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "formats/code_page.h"

namespace {

TEST(LocaleCodePage, WindowsAnsiPageOfEachLanguage) {
  const std::pair<const char*, const char*> cases[] = {
      {"ru_RU.UTF-8", "CP1251"}, {"uk_UA", "CP1251"},      {"bg_BG.UTF-8", "CP1251"}, {"sr_RS@latin", "CP1251"},
      {"pl_PL.UTF-8", "CP1250"}, {"cs_CZ", "CP1250"},      {"sk_SK", "CP1250"},       {"hu_HU", "CP1250"},
      {"hr_HR", "CP1250"},       {"sl_SI", "CP1250"},      {"ro_RO", "CP1250"},       {"el_GR.UTF-8", "CP1253"},
      {"tr_TR", "CP1254"},       {"he_IL", "CP1255"},      {"ar_EG", "CP1256"},       {"fa_IR", "CP1256"},
      {"et_EE", "CP1257"},       {"lv_LV", "CP1257"},      {"lt_LT", "CP1257"},       {"vi_VN", "CP1258"},
      {"th_TH", "CP874"},        {"ja_JP.UTF-8", "CP932"}, {"zh_CN.UTF-8", "CP936"},  {"zh_SG", "CP936"},
      {"ko_KR.EUC-KR", "CP949"}, {"zh_TW.UTF-8", "CP950"}, {"zh_HK", "CP950"},        {"de_DE.UTF-8", "CP1252"},
      {"en_US", "CP1252"},       {"C", "CP1252"},          {"POSIX", "CP1252"},       {"", "CP1252"},
      {"RU_ru", "CP1251"},
  };
  for (const auto& [locale, page] : cases) EXPECT_EQ(AnsiCodePageOfLocale(locale), page) << locale;
}

TEST(LocaleCodePage, EnvironmentChoosesUnlessItNamesNoAnsiPage) {
  setenv("LC_ALL", "", 1);
  setenv("LC_CTYPE", "pl_PL.UTF-8", 1);
  setenv("LANG", "ru_RU.UTF-8", 1);
  EXPECT_EQ(UserAnsiCodePage(), "CP1250");  // LC_CTYPE before LANG; an empty LC_ALL is not set
  const std::pair<const char*, const char*> cases[] = {
      {"", "CP1250"},     {"1251", "CP1251"},     {"CP1253", "CP1253"}, {"UTF-8", "CP1250"},
      {"utf8", "CP1250"}, {"UTF-16LE", "CP1250"}, {"ucs-2", "CP1250"},  {"no such page", "CP1250"},
  };
  for (const auto& [value, page] : cases) {
    setenv("TRANSVANE_CODEPAGE", value, 1);
    CDiagnostic why;
    EXPECT_EQ(CodePageFromEnvironment("TRANSVANE_CODEPAGE", &why), page) << value;
    // Only a set variable that was not used has a reason.
    EXPECT_EQ(why.HasReason(), *value != '\0' && std::string(page) == "CP1250") << value;
  }
  unsetenv("TRANSVANE_CODEPAGE");
  unsetenv("LC_CTYPE");
  unsetenv("LANG");
}

// Wide strings of a desktop file go into the job's code page, what it cannot hold counted.
TEST(LocaleCodePage, UnicodeEncodingsAreNoCodePage) {
  for (const char* name : {"UTF-8", "utf8", "UTF-16", "UTF16LE", "UCS-2", "UTF-32", "GB18030"})
    EXPECT_FALSE(CCodePage(name).IsUsable()) << name;
  for (const char* name : {"CP1252", "1251", "cp1250", "CP932", "CP874"})
    EXPECT_TRUE(CCodePage(name).IsUsable()) << name;
}

}  // namespace
