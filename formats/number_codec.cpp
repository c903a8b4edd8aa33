// The numbers of the unit's sentences: scanf and printf results on their fast paths.
#include "formats/number_codec.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/classic_numbers.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

unsigned TwoDigits(std::string_view text, std::size_t at) {
  return static_cast<unsigned>((text[at] - '0') * 10 + (text[at + 1] - '0'));
}

// Copies digits behind an optional '-' and zero-pads them to width after the sign, as printf's
// '0' flag does.
char* WriteSignPadded(char* p, const char* digits, const char* end, int width) {
  if (*digits == '-') {
    *p++ = '-';
    ++digits;
    --width;
  }
  for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad) *p++ = '0';
  std::memcpy(p, digits, static_cast<std::size_t>(end - digits));
  return p + (end - digits);
}

}  // namespace

bool ScanDouble(std::string_view field, double& value) {
  // One pass over a plain "[-]digits[.digits]"; anything else is read by scanf below.
  const char* p = field.data();
  const char* const end = p + field.size();
  const bool negative = p != end && *p == '-';
  if (negative) ++p;
  const char* const whole = p;
  std::uint64_t number = 0;  // wraps beyond 19 digits, but is then not used
  while (p != end && IsDigit(*p)) number = number * 10 + static_cast<std::uint64_t>(*p++ - '0');
  std::size_t digits = static_cast<std::size_t>(p - whole);
  std::size_t decimals = 0;
  bool plain = digits != 0;
  if (plain && p != end) {
    plain = *p++ == '.';
    const char* const fraction = p;
    while (p != end && IsDigit(*p)) number = number * 10 + static_cast<std::uint64_t>(*p++ - '0');
    decimals = static_cast<std::size_t>(p - fraction);
    plain = plain && decimals != 0 && p == end;
  }
  if (plain) {
    // Up to 15 digits form an integer that a double holds exactly, and dividing it by an exact
    // power of ten rounds once: the same double strtod gives.
    if (digits + decimals <= 15) {
      static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
      const double magnitude = static_cast<double>(number) / kPowers[decimals];
      value = negative ? -magnitude : magnitude;
      return true;
    }
    // Out of range (overflow, underflow) is left to scanf, which answers infinity or a tiny value.
    double parsed = 0;
    const auto result = std::from_chars(field.data(), end, parsed, std::chars_format::fixed);
    if (result.ec == std::errc() && result.ptr == end) {
      value = parsed;
      return true;
    }
  }
  const std::string text(field);
  // The unit's files are always read with '.' as decimal point, whatever the program's locale.
  platform::CClassicNumbersScope scope;
  return std::sscanf(text.c_str(), "%lf", &value) == 1;
}

bool ScanInt(std::string_view field, std::int32_t& value) {
  const std::size_t start = !field.empty() && field[0] == '-' ? 1 : 0;
  const std::string_view digits = field.substr(start);
  if (!digits.empty() && digits.size() <= 9 && AllDigits(digits)) {
    std::from_chars(field.data(), field.data() + field.size(), value);
    return true;
  }
  const std::string text(field);
  int scanned = 0;
  platform::CClassicNumbersScope scope;
  if (std::sscanf(text.c_str(), "%d", &scanned) != 1) return false;
  value = scanned;
  return true;
}

bool ScanUnsigned(std::string_view field, std::uint32_t& value) {
  if (!field.empty() && field.size() <= 9 && AllDigits(field)) {
    std::from_chars(field.data(), field.data() + field.size(), value);
    return true;
  }
  const std::string text(field);
  unsigned scanned = 0;
  platform::CClassicNumbersScope scope;
  if (std::sscanf(text.c_str(), "%u", &scanned) != 1) return false;
  value = scanned;
  return true;
}

bool ScanHex(std::string_view field, unsigned& value) {
  if (field.size() == 2 && HexDigit(field[0]) >= 0 && HexDigit(field[1]) >= 0) {
    value = static_cast<unsigned>(HexDigit(field[0]) * 16 + HexDigit(field[1]));
    return true;
  }
  const std::string text(field);
  platform::CClassicNumbersScope scope;
  return std::sscanf(text.c_str(), "%X", &value) == 1;
}

int ScanDate(std::string_view field, unsigned short values[3]) {
  if (field.size() >= 6 && AllDigits(field.substr(0, 6))) {
    for (int i = 0; i < 3; ++i) values[i] = static_cast<unsigned short>(TwoDigits(field, 2 * i));
    return 3;
  }
  const std::string text(field);
  platform::CClassicNumbersScope scope;
  return std::sscanf(text.c_str(), "%02hu%02hu%02hu", &values[0], &values[1], &values[2]);
}

int ScanTime(std::string_view field, unsigned short values[4]) {
  if (field.size() >= 9 && AllDigits(field.substr(0, 6)) && field[6] == '.' && AllDigits(field.substr(7, 2))) {
    for (int i = 0; i < 3; ++i) values[i] = static_cast<unsigned short>(TwoDigits(field, 2 * i));
    values[3] = static_cast<unsigned short>(TwoDigits(field, 7));
    return 4;
  }
  const std::string text(field);
  platform::CClassicNumbersScope scope;
  return std::sscanf(text.c_str(), "%02hu%02hu%02hu.%02hu", &values[0], &values[1], &values[2], &values[3]);
}

char* WritePadded(char* p, long long value, int width) {
  if (value >= 0 && value < 10000 && width == 4) {
    // An altitude of every line.
    p = WriteTwoDigits(p, static_cast<unsigned>(value / 100));
    return WriteTwoDigits(p, static_cast<unsigned>(value % 100));
  }
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return WriteSignPadded(p, digits, end, width);
}

// printf rounds the exact binary value half to even; for values below 2^52 that is done here in
// integers (the mantissa times 1000 fits in 64 bits), larger ones go through to_chars, which rounds
// the same way.
char* WriteFixed3(char* p, double value, int width) {
  if (!std::isfinite(value)) {
    // printf pads infinity and NaN with blanks, not zeros.
    const std::string_view text =
        std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan") : (value < 0 ? "-inf" : "inf");
    for (int pad = width - static_cast<int>(text.size()); pad > 0; --pad) *p++ = ' ';
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
  }
  char digits[kNumberRoom];
  char* end = digits;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const std::uint64_t mantissa = exponent == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int shift = exponent == 0 ? 1074 : 1075 - exponent;  // value = mantissa / 2^shift
  if (shift <= 0) {
    end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 3).ptr;
    return WriteSignPadded(p, digits, end, width);
  }
  std::uint64_t thousandths = 0;
  if (shift < 64) {
    const std::uint64_t scaled = mantissa * 1000;  // below 2^63
    thousandths = scaled >> shift;
    const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (thousandths & 1) != 0)) ++thousandths;
  }  // otherwise the value is below half a thousandth and rounds to zero
  const std::uint64_t whole = thousandths / 1000;
  const auto decimals = static_cast<unsigned>(thousandths % 1000);
  if (!std::signbit(value) && (width == 8 || width == 9) && whole < (width == 8 ? 10000u : 100000u)) {
    // The coordinates of every line: exactly width - 4 whole digits, zero-padded as printf does.
    auto rest = static_cast<unsigned>(whole);
    if (width == 9) {
      *p++ = static_cast<char>('0' + rest / 10000);
      rest %= 10000;
    }
    p = WriteTwoDigits(p, rest / 100);
    p = WriteTwoDigits(p, rest % 100);
    *p++ = '.';
    *p++ = static_cast<char>('0' + decimals / 100);
    return WriteTwoDigits(p, decimals % 100);
  }
  if (std::signbit(value)) *end++ = '-';
  end = std::to_chars(end, digits + sizeof digits, whole).ptr;
  *end++ = '.';
  *end++ = static_cast<char>('0' + decimals / 100);
  end = WriteTwoDigits(end, decimals % 100);
  return WriteSignPadded(p, digits, end, width);
}

char* WriteHex2(char* p, unsigned value) {
  constexpr char kHex[] = "0123456789ABCDEF";
  *p++ = kHex[(value >> 4) & 0xF];
  *p++ = kHex[value & 0xF];
  return p;
}
