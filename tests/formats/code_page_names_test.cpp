// Code pages by the names users give them, the same on every system.
#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"

namespace {

TEST(CodePageNames, EveryNameReadsAndWritesTheSameBytes) {
  const struct {
    const char* page;
    std::string bytes;  // in the page
    std::string utf8;
    std::size_t taken;  // bytes of the page carried across
  } cases[] = {
      {"windows-1252", "A\xE9", "A\xC3\xA9", 2},
      {"CP1252", "\x80", "\xE2\x82\xAC", 1},
      {"cp1252", "x\x81y", "x", 1},  // a byte the page leaves undefined
      {"CP1251", "\xC0", "\xD0\x90", 1},
      {"ISO-8859-1", "\xE9\x80", "\xC3\xA9\xC2\x80", 2},
      {"Shift_JIS", "\x82\xA0!", "\xE3\x81\x82!", 3},
      {"UTF-8", "\xC3\xA9", "\xC3\xA9", 2},
      {"UTF-16LE", std::string("A\0\xE9\0=\xD8\x00\xDE", 8), "A\xC3\xA9\xF0\x9F\x98\x80", 8},
      {"UTF-16BE", std::string("\0A\0", 3), "A", 2},  // a unit cut at the end
      {"UTF-32BE", std::string("\0\0\0A\0\x01\xF6\x00", 8), "A\xF0\x9F\x98\x80", 8},
  };
  for (const auto& c : cases) {
    platform::CCodePageConverter toUtf8(c.page, true);
    ASSERT_TRUE(toUtf8.IsOpen()) << c.page;
    std::string out;
    EXPECT_EQ(toUtf8.Convert(c.bytes, out), c.taken) << c.page;
    EXPECT_EQ(out, c.utf8) << c.page;

    platform::CCodePageConverter fromUtf8(c.page, false);
    ASSERT_TRUE(fromUtf8.IsOpen()) << c.page;
    std::string back;
    EXPECT_EQ(fromUtf8.Convert(c.utf8, back), c.utf8.size()) << c.page;
    EXPECT_EQ(back, c.bytes.substr(0, c.taken)) << c.page;
  }
}

TEST(CodePageNames, ACharacterThePageLacksEndsTheConversion) {
  platform::CCodePageConverter latin1("ISO-8859-1", false);
  std::string out;
  EXPECT_EQ(latin1.Convert("a\xE2\x82\xAC"
                           "b",
                           out),
            1u);  // the euro sign
  EXPECT_EQ(out, "a");
  EXPECT_FALSE(platform::CCodePageConverter("no such page", true).IsOpen());
}

}  // namespace
