// The JSON the tool prints for scripts: its layout and its texts, always valid UTF-8.
#include "cli/json_value.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonValueTest, WritesEachKindInTheIndentedLayout) {
  const struct {
    CJsonValue value;
    std::string document;
  } cases[] = {
      {CJsonValue(), "null\n"},
      {CJsonValue(true), "true\n"},
      {CJsonValue(std::int64_t{-5'000'000'000}), "-5000000000\n"},
      {CJsonValue(CJsonArray{}), "[\n]\n"},
      {CJsonValue(CJsonObject{}), "{\n}\n"},
      {CJsonValue(CJsonObject{{"b", false}, {"a", CJsonArray{std::int64_t{1}, "x"}}}),
       "{\n    \"a\": [\n        1,\n        \"x\"\n    ],\n    \"b\": false\n}\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value.Document(), c.document);
}

TEST(JsonValueTest, EscapesTextsAndReplacesBytesThatAreNotUtf8) {
  const struct {
    std::string text;
    std::string written;
  } cases[] = {
      {"a\"b\\c", R"("a\"b\\c")"},
      {"\t\n\r\b\f", R"("\t\n\r\b\f")"},
      {std::string("\x01\x1f", 2), R"("\u0001\u001f")"},
      {"Z\xC3\xBCrich \xE2\x82\xAC", "\"Z\xC3\xBCrich \xE2\x82\xAC\""},
      {"a\xFF\xFE"
       "b",
       "\"a\xEF\xBF\xBD\xEF\xBF\xBD"
       "b\""},                                                       // one U+FFFD a byte
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong '/'
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(CJsonValue(c.text).Document(), c.written + "\n") << c.text;
}

}  // namespace
