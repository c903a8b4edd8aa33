// The reason of a refusal: its parts and the one way they are put together for the user.
#include "formats/diagnostic.h"

#include <gtest/gtest.h>

namespace {

TEST(Diagnostic, PartsAndTheirText) {
  CDiagnostic why;
  EXPECT_FALSE(why.HasReason());
  EXPECT_FALSE(Fail(&why, "marker 12 not accepted"));
  EXPECT_EQ(why.Reason(), "marker 12 not accepted");

  EXPECT_FALSE(FailAtOffset(&why, 40, "symbol 42 out of range"));
  EXPECT_EQ(why.Rule(), "symbol 42 out of range");
  EXPECT_TRUE(why.HasOffset());
  EXPECT_EQ(why.Offset(), 40u);
  EXPECT_EQ(why.Reason(), "symbol 42 out of range at offset 40");

  // A rule set below (a sentence's) gets its line from the file reader above.
  EXPECT_FALSE(Fail(&why, "checksum 2F does not match 2E"));
  EXPECT_FALSE(why.HasOffset());
  EXPECT_FALSE(FailedAtLine(&why, 2));
  EXPECT_EQ(why.Reason(), "line 2: checksum 2F does not match 2E");

  why.Set("lat \"north\" is not a number");
  why.SetLineAndColumn(2, 4);
  EXPECT_EQ(why.Line(), 2u);
  EXPECT_EQ(why.Column(), 4u);
  EXPECT_EQ(why.Reason(), "line 2, column 4: lat \"north\" is not a number");

  // Nobody asking is fine; a new rule forgets the old place.
  EXPECT_FALSE(FailAtLine(nullptr, 3, "ignored"));
  EXPECT_FALSE(FailAtLine(&why, 3, "text after the end sentence"));
  EXPECT_EQ(why.Column(), 0u);
  EXPECT_EQ(why.Reason(), "line 3: text after the end sentence");
  why.Clear();
  EXPECT_FALSE(why.HasReason());
  EXPECT_EQ(why.Reason(), "");
}

}  // namespace
