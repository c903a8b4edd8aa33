// Names folded as case-blind volumes compare them.
#include "storage/letter_case.h"

#include <gtest/gtest.h>

namespace {

TEST(LetterCaseTest, FoldsLettersOneForOneAndLeavesOtherBytes) {
  const struct {
    std::string name;
    std::string folded;
  } cases[] = {
      {"TRIP.WPT", "trip.wpt"},
      {"\xC3\x89T\xC3\x89.rte", "\xC3\xA9t\xC3\xA9.rte"},  // ÉTÉ: Latin-1
      {"\xC4\xB0", "\xC4\xB0"},                            // İ has no simple folding
      {"STRA\xE1\xBA\x9E"
       "E",
       "stra\xC3\x9F"
       "e"},                                                     // ẞ folds to ß, not "ss"
      {"\xCE\xA3\xCF\x82", "\xCF\x83\xCF\x83"},                  // Σς: final sigma too
      {"\xD0\x9C\xD0\x98\xD0\xA0", "\xD0\xBC\xD0\xB8\xD1\x80"},  // МИР
      {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},                  // Deseret, beyond 16 bits
      {"\xC7\x85", "\xC7\x86"},                                  // ǅ, title case
      // Not UTF-8: left as is, so such a name never matches another one's replacement character.
      {"A\xFF"
       "B",
       "a\xFF"
       "b"},
      {"\xC0\xAF"
       "X",
       "\xC0\xAF"
       "x"},                             // overlong '/'
      {"\xE2\x82", "\xE2\x82"},          // cut short
      {"\xED\xA0\x80", "\xED\xA0\x80"},  // a surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(FoldLetterCase(c.name), c.folded) << c.name;
}

}  // namespace
