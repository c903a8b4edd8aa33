// The values of GPX files: numbers read as from_chars reads them, times written and read back.
#include "formats/gpx_values.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

namespace {

// Plain decimals take a short way; it must give the very value from_chars gives, in both widths.
TEST(GpxValues, NumbersReadAsFromCharsReadsThem) {
  std::uint64_t state = 20231;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const int wholeDigits = static_cast<int>(state % 9);
    const int fractionDigits = static_cast<int>((state >> 8) % 12);
    std::string text = std::to_string(state >> 20).substr(0, static_cast<std::size_t>(wholeDigits));
    if (fractionDigits > 0) text += "." + std::to_string((state >> 5) | 1ULL << 60).substr(1, fractionDigits);
    if (text.empty()) text = "0";
    if (i % 3 == 0) text = "-" + text;
    double d = 0, expectedD = 0;
    float f = 0, expectedF = 0;
    std::from_chars(text.data(), text.data() + text.size(), expectedD);
    std::from_chars(text.data(), text.data() + text.size(), expectedF);
    ASSERT_TRUE(ParseGpxNumber(text, d) && ParseGpxNumber(text, f)) << text;
    EXPECT_EQ(d, expectedD) << text;
    EXPECT_EQ(f, expectedF) << text;
  }
  // Halfway between two floats, and the longest that take the short way.
  for (const std::string text : {"16777217", "16777219", "-33554434.0", "999999999999999", "0.000000000000001"}) {
    double d = 0, expectedD = 0;
    float f = 0, expectedF = 0;
    std::from_chars(text.data(), text.data() + text.size(), expectedD);
    std::from_chars(text.data(), text.data() + text.size(), expectedF);
    ASSERT_TRUE(ParseGpxNumber(text, d) && ParseGpxNumber(text, f)) << text;
    EXPECT_EQ(d, expectedD) << text;
    EXPECT_EQ(f, expectedF) << text;
  }
  double value = 0;
  for (const char* refused : {"", ".", "-", "nan", "inf", "0x1p3", "1e", "1 2", "--1"})
    EXPECT_FALSE(ParseGpxNumber(refused, value)) << refused;
  for (const auto& [text, expected] : {std::pair{" +1.5\n", 1.5}, {".5", 0.5}, {"1.", 1.0}, {"1e3", 1000.0}}) {
    ASSERT_TRUE(ParseGpxNumber(text, value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
}

TEST(GpxValues, EveryTimeWrittenReadsBack) {
  std::uint64_t state = 7;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    // The 32-bit desktop times and the unit's years up to 2099 alike.
    constexpr std::int64_t kEnd2099 = 4102444800;
    const std::int64_t seconds =
        i < 3 ? (i == 0   ? std::numeric_limits<std::int32_t>::min()
                 : i == 1 ? kEnd2099 - 1
                          : 0)
              : static_cast<std::int64_t>(state >> 32) - std::int64_t{1} * (1LL << 31) + (i % 2) * (1LL << 31);
    const auto hundredths = static_cast<unsigned>(state % 100);
    char text[kGpxTimeSize];
    ASSERT_EQ(WriteGpxTime(text, seconds, hundredths), text + kGpxTimeSize);
    std::int64_t back = 0;
    std::uint8_t backHundredths = 0;
    ASSERT_TRUE(ParseGpxTime(std::string_view(text, kGpxTimeSize), back, backHundredths)) << text;
    EXPECT_EQ(back, seconds);
    EXPECT_EQ(backHundredths, hundredths);
  }
}

}  // namespace
