// The sentence number codec: every reader gives what scanf gives, every writer what printf writes.
#include "formats/number_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// Texts where scanf's reading differs from a strict number syntax, and the plain forms.
const char* const kFields[] = {"4830.5",   " 4830.5",    "+4830.5", "4830.5xyz",  "0x1p4",
                               "1e",       ".5",         "1.",      "-0",         "nan",
                               "-1",       "",           "0x",      "x1",         "1e400",
                               "inf",      "12abc",      " 7",      "4294967296", "99999999999999999999",
                               "-0012",    "0F",         "0f",      " F",         "+F",
                               "Fg",       "F ",         "-F",      "xF",         "F",
                               "311204",   "0612049",    "0612",    "0612-1",     "101530.25",
                               "101530.2", "101530.25x", "101530",  "101530.-1",  "123456789012345678"};

// scanf's "%d", "%u" and "%X" read as strtol and strtoul do; where the value does not fit the
// variable, the C library on Linux stores the 64-bit answer cut to its width. Through strtoll and
// strtoull that oracle is the same on every system, whose own scanf may store something else.
template <typename T>
bool ScannedInteger(const char* text, int base, bool isSigned, T& value) {
  char* end = nullptr;
  const std::uint64_t bits = isSigned ? static_cast<std::uint64_t>(std::strtoll(text, &end, base))
                                      : static_cast<std::uint64_t>(std::strtoull(text, &end, base));
  // A "0x" with no hex digit behind it is the number 0 by the C standard; Windows' C runtime refuses
  // it, and the decimal reading gives the standard's answer there.
  if (end == text && base == 16) return ScannedInteger(text, 10, isSigned, value);
  if (end == text) return false;
  value = static_cast<T>(static_cast<std::make_unsigned_t<T>>(bits));
  return true;
}

TEST(NumberCodec, ReadsAsScanfReads) {
  for (const char* text : kFields) {
    const std::string_view field(text);
    double d = 0, expectedD = 0;
    const bool scannedD = std::sscanf(text, "%lf", &expectedD) == 1;
    ASSERT_EQ(ScanDouble(field, d), scannedD) << text;
    if (scannedD && !std::isnan(expectedD)) {
      EXPECT_EQ(d, expectedD) << text;
    }

    std::int32_t i = 0;
    int expectedI = 0;
    const bool scannedI = ScannedInteger(text, 10, true, expectedI);
    ASSERT_EQ(ScanInt(field, i), scannedI) << text;
    if (scannedI) {
      EXPECT_EQ(i, expectedI) << text;
    }

    std::uint32_t u = 0;
    unsigned expectedU = 0;
    const bool scannedU = ScannedInteger(text, 10, false, expectedU);
    ASSERT_EQ(ScanUnsigned(field, u), scannedU) << text;
    if (scannedU) {
      EXPECT_EQ(u, expectedU) << text;
    }

    unsigned x = 0, expectedX = 0;
    const bool scannedX = ScannedInteger(text, 16, false, expectedX);
    ASSERT_EQ(ScanHex(field, x), scannedX) << text;
    if (scannedX) {
      EXPECT_EQ(x, expectedX) << text;
    }

    unsigned short date[3] = {}, expectedDate[3] = {};
    const int dates = std::sscanf(text, "%02hu%02hu%02hu", &expectedDate[0], &expectedDate[1], &expectedDate[2]);
    ASSERT_EQ(ScanDate(field, date), dates) << text;
    for (int k = 0; k < dates; ++k) EXPECT_EQ(date[k], expectedDate[k]) << text;

    unsigned short clock[4] = {}, expectedClock[4] = {};
    const int clocks = std::sscanf(text, "%02hu%02hu%02hu.%02hu", &expectedClock[0], &expectedClock[1],
                                   &expectedClock[2], &expectedClock[3]);
    ASSERT_EQ(ScanTime(field, clock), clocks) << text;
    for (int k = 0; k < clocks; ++k) EXPECT_EQ(clock[k], expectedClock[k]) << text;
  }
}

// Plain decimal numbers take a fast path; it must give the very double strtod gives.
TEST(NumberCodec, PlainNumbersReadAsStrtodReadsThem) {
  std::uint64_t state = 987654321;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const int wholeDigits = 1 + static_cast<int>(state % 11);
    const int fractionDigits = static_cast<int>((state >> 8) % 12);
    std::string text = std::to_string(state >> 20).substr(0, static_cast<std::size_t>(wholeDigits));
    if (fractionDigits > 0) text += "." + std::to_string((state >> 5) | 1ULL << 60).substr(1, fractionDigits);
    if (i % 2 == 0) text = "-" + text;
    double value = 0;
    ASSERT_TRUE(ScanDouble(text, value)) << text;
    EXPECT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
  }
}

std::string Written(char* (*write)(char*, double, int), double value, int width) {
  char text[2 * kNumberRoom];
  return std::string(text, write(text, value, width));
}

// printf rounds the exact binary value half to even; the writer must put out its very digits.
TEST(NumberCodec, WritesAsPrintfWrites) {
  std::vector<double> values = {0,    0.0005,   0.0015, 0.0625, 1.0005,      2.0625, 4830.0005, 99999.9995,
                                1e20, 123.4565, 9.9995, 0.125,  17999.99999, 5e-324, 1e300,     4294967296.0,
                                -0.0, INFINITY, NAN,    -NAN,   99999.9996,  1e5};
  std::uint64_t state = 12345;
  for (int i = 0; i < 2000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double unit = static_cast<double>(state >> 11) / static_cast<double>(1ULL << 53);
    values.push_back(unit * 18000.0);
    values.push_back(unit * std::pow(10.0, i % 40 - 20));
    // Exact halves of a thousandth.
    values.push_back(static_cast<double>(i) / 16 + static_cast<double>(state % 100000));
  }
  char expected[2 * kNumberRoom];
  for (double value : values) {
    for (double v : {value, -value}) {
      for (int width : {8, 9}) {
        // NaN as the C library on Linux writes it, with its sign; not every system's printf shows that.
        if (std::isnan(v))
          std::snprintf(expected, sizeof expected, "%*s", width, std::signbit(v) ? "-nan" : "nan");
        else
          std::snprintf(expected, sizeof expected, "%0*.3f", width, v);
        EXPECT_EQ(Written(WriteFixed3, v, width), expected) << v;
      }
    }
  }
  for (long long value : {0LL, 12LL, -4LL, -2147483648LL, 123456LL, -12345LL}) {
    char text[32];
    std::snprintf(expected, sizeof expected, "%04lld", value);
    EXPECT_EQ(std::string(text, WritePadded(text, value, 4)), expected);
  }
  for (unsigned value : {0u, 7u, 42u, 99u, 255u}) {
    char text[2];
    std::snprintf(expected, sizeof expected, "%02X", value);
    EXPECT_EQ(std::string(text, WriteHex2(text, value)), expected);
    std::snprintf(expected, sizeof expected, "%02u", value % 100);
    EXPECT_EQ(std::string(text, WriteTwoDigits(text, value)), expected);
  }
}

}  // namespace
