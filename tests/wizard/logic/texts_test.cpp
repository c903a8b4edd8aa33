// The texts the pages show: a texts.txt read into texts by number, paths shown readably, fields
// filled in.
#include <gtest/gtest.h>

#include "resources/string_ids.h"
#include "resources/text_source.h"
#include "wizard/logic/display_text.h"

namespace {

TEST(TextsTest, ATextsFileGivesTextsByNumberAndByDialogControl) {
  const CTextTable table(
      "# a comment=not a text\r\n"
      "102=Caption (FR)\r\n"
      "134.hint=Two\\nlines, one \\\\ and \\t kept\n"
      "no equals sign\n"
      "=no key\n"
      "129.greeting=a=b");
  EXPECT_EQ(table.Utf8String(IDS_CAPTION), "Caption (FR)");
  EXPECT_EQ(table.Utf8String(IDS_TITLE_WELCOME), "Welcome") << "what the file lacks is built in";
  EXPECT_EQ(table.Utf8DialogText(134, "hint"), "Two\nlines, one \\ and \\t kept");
  EXPECT_EQ(table.Utf8DialogText(129, "greeting"), "a=b");
  EXPECT_EQ(table.Utf8DialogText(129, "question"), "");
  EXPECT_EQ(ParseTextLines("# a comment=x\nno equals sign\n=no key\n").size(), 0u);
}

TEST(TextsTest, PathsAreShownAsUtf8WithEachBrokenByteReplaced) {
  const std::string replacement = "\xEF\xBF\xBD";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/d/café €𝄞.wpt", "/d/café €𝄞.wpt"},
      {"/d/caf\xe9.wpt", "/d/caf" + replacement + ".wpt"},                                 // Latin-1
      {"/d/\xC3", "/d/" + replacement},                                                    // cut short at the end
      {"/d/\xE2\x82.x", "/d/" + replacement + replacement + ".x"},                         // cut short inside
      {"/\xC0\xAF", "/" + replacement + replacement},                                      // overlong
      {"/\xED\xA0\x80", "/" + replacement + replacement + replacement},                    // a surrogate
      {"/\xF4\x90\x80\x80", "/" + replacement + replacement + replacement + replacement},  // past U+10FFFF
  };
  for (const auto& [path, shown] : cases) EXPECT_EQ(DisplayPath(path), shown) << path;
}

TEST(TextsTest, EveryFieldIsFilledAndTheValueIsNeverReadAsOne) {
  EXPECT_EQ(ReplaceField("%s is %s", "a%sb"), "a%sb is a%sb");
  EXPECT_EQ(ReplaceField("no field", "x"), "no field");
  EXPECT_EQ(ReplaceField("%s", ""), "");
}

}  // namespace
