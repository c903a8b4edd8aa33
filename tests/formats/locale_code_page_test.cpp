// The code page of the user's names: by the locale, or as chosen, never a Unicode encoding.
#include "formats/locale_code_page.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "formats/code_page.h"
#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/files.h"

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
  platform::SetEnvironment("LC_ALL", "");
  platform::SetEnvironment("LC_CTYPE", "pl_PL.UTF-8");
  platform::SetEnvironment("LANG", "ru_RU.UTF-8");
  // The user's page: on Windows the system's; elsewhere LC_CTYPE's before LANG's, as an empty
  // LC_ALL is not set.
  const std::string user = platform::SystemAnsiCodePage();
  EXPECT_EQ(UserAnsiCodePage(), user);
  EXPECT_TRUE(user == "CP1250" || platform::kPathSeparators.size() > 1) << user;
  const std::pair<const char*, const char*> cases[] = {
      {"", nullptr},     {"1251", "CP1251"},    {"CP1253", "CP1253"}, {"UTF-8", nullptr},
      {"utf8", nullptr}, {"UTF-16LE", nullptr}, {"ucs-2", nullptr},   {"no such page", nullptr},
  };
  for (const auto& [value, page] : cases) {
    platform::SetEnvironment("TRANSVANE_CODEPAGE", value);
    CDiagnostic why;
    EXPECT_EQ(CodePageFromEnvironment("TRANSVANE_CODEPAGE", &why), page != nullptr ? page : user) << value;
    // Only a set variable that was not used has a reason.
    EXPECT_EQ(why.HasReason(), *value != '\0' && page == nullptr) << value;
  }
  for (const char* variable : {"TRANSVANE_CODEPAGE", "LC_CTYPE", "LANG"}) platform::SetEnvironment(variable, "");
}

// Wide strings of a desktop file go into the job's code page, what it cannot hold counted.
TEST(LocaleCodePage, UnicodeEncodingsAreNoCodePage) {
  // (Wine knows no GB18030, and UCS-2 holds no character beyond the first 65536.)
  for (const char* name : {"UCS-2", "GB18030"}) EXPECT_FALSE(CCodePage(name).IsUsable()) << name;
  // Known by every system's converter, and refused for what they are.
  for (const char* name : {"UTF-8", "utf8", "UTF-16", "utf16", "UTF16LE", "UTF-16BE", "UTF-32"}) {
    CDiagnostic why;
    EXPECT_FALSE(CCodePage(name).IsUsable(&why)) << name;
    EXPECT_EQ(why.Reason().rfind(std::string(name) + " is a Unicode encoding, not a code page", 0), 0u) << why.Reason();
  }
  for (const char* name : {"CP1252", "1251", "cp1250", "CP932", "CP874"})
    EXPECT_TRUE(CCodePage(name).IsUsable()) << name;
}

}  // namespace
