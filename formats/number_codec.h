// The numbers of the unit's sentences, read as scanf and written as printf do it in the C locale,
// without their cost on the plain forms that make up nearly every line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

// The fields are read as the unit's own firmware reads them, with scanf: leading blanks, a sign,
// hexadecimal floats and trailing text after a number are all accepted. Plain numbers take a fast
// path that gives exactly the same value; anything else goes through scanf itself.

// "%lf"
bool ScanDouble(std::string_view field, double& value);
// "%d"
bool ScanInt(std::string_view field, std::int32_t& value);
// "%u"
bool ScanUnsigned(std::string_view field, std::uint32_t& value);
// "%X"
bool ScanHex(std::string_view field, unsigned& value);
// "%02hu%02hu%02hu": answers how many values were read.
int ScanDate(std::string_view field, unsigned short values[3]);
// "%02hu%02hu%02hu.%02hu": answers how many values were read.
int ScanTime(std::string_view field, unsigned short values[4]);

// Room for any number the writers below put out (a double's 309 integer digits included).
inline constexpr std::size_t kNumberRoom = std::numeric_limits<double>::max_exponent10 + 32;

// Each writer puts its text at p and answers the end.
// printf "%0*.3f".
char* WriteFixed3(char* p, double value, int width);
// printf "%0*lld".
char* WritePadded(char* p, long long value, int width);
// printf "%02u" of a value below 100 (of a larger one, its last two digits).
inline char* WriteTwoDigits(char* p, unsigned value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  value %= 100;
  p[0] = kPairs[2 * value];
  p[1] = kPairs[2 * value + 1];
  return p + 2;
}
// printf "%02X" of a byte.
char* WriteHex2(char* p, unsigned value);
