// The values of a GPX file, read and written.
#include "formats/gpx_values.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "formats/number_codec.h"

namespace {

// ---- Calendar (proleptic Gregorian, UTC; no time zone is involved in GPX times) ----

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

bool IsLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `count` digits at text[pos].
bool ReadDigits(std::string_view text, std::size_t& pos, int count, unsigned& value) {
  value = 0;
  for (int i = 0; i < count; ++i, ++pos) {
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return false;
    value = value * 10 + static_cast<unsigned>(text[pos] - '0');
  }
  return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

// A plain "[-]digits[.digits]" short enough that its digits and its power of ten are exact in a
// double: one correctly rounded division then gives the very value from_chars gives. A float is
// that double rounded once more, which is the float nearest the decimal unless the double lies
// exactly halfway between two floats (then from_chars decides).
template <typename T>
bool ParsePlainDecimal(std::string_view text, T& value) {
  constexpr std::size_t kMaxDigits = 15;
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.size() > kMaxDigits + 1) return false;  // a long one is from_chars' at once
  std::uint64_t number = 0;
  std::size_t digits = 0, decimals = 0;
  bool point = false;
  for (const char c : text) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9' || ++digits > kMaxDigits) return false;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
    if (point) ++decimals;
  }
  if (digits == 0) return false;
  const double magnitude = static_cast<double>(number) / kPowers[decimals];
  if constexpr (sizeof(T) == sizeof(float)) {
    // The 29 bits a float lacks of a double's significand, as they stand halfway.
    constexpr std::uint64_t kLowBits = (std::uint64_t{1} << 29) - 1;
    if ((std::bit_cast<std::uint64_t>(magnitude) & kLowBits) == std::uint64_t{1} << 28) return false;
  }
  value = static_cast<T>(negative ? -magnitude : magnitude);
  return true;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value, bool* outOfRange) {
  if (outOfRange != nullptr) *outOfRange = false;
  std::string_view view = TrimmedGpxText(text);
  if (!view.empty() && view.front() == '+') view.remove_prefix(1);
  if (view.empty() || !((view.front() >= '0' && view.front() <= '9') || view.front() == '-' || view.front() == '.'))
    return false;
  // Nearly every coordinate and altitude takes the short way.
  if (ParsePlainDecimal(view, value)) return true;
  T parsed{};
  const auto result = std::from_chars(view.data(), view.data() + view.size(), parsed, std::chars_format::general);
  if (result.ptr != view.data() + view.size()) return false;
  if (result.ec == std::errc::result_out_of_range && outOfRange != nullptr) *outOfRange = true;
  if (result.ec != std::errc() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

template <typename T>
bool AppendNumber(std::string& out, T value, int minDecimals) {
  if (!std::isfinite(value)) return false;
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return false;
  const std::string_view digits(text, static_cast<std::size_t>(result.ptr - text));
  out += digits;
  const std::size_t point = digits.find('.');
  const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(digits.size() - point - 1);
  if (decimals < minDecimals) {
    if (decimals == 0) out += '.';
    out.append(static_cast<std::size_t>(minDecimals - decimals), '0');
  }
  return true;
}

}  // namespace

std::string_view TrimmedGpxText(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool ParseGpxNumber(std::string_view text, double& value, bool* outOfRange) {
  return ParseNumber(text, value, outOfRange);
}

bool ParseGpxNumber(std::string_view text, float& value, bool* outOfRange) {
  return ParseNumber(text, value, outOfRange);
}

bool ParseGpxInteger(std::string_view text, std::int64_t& value, bool* outOfRange) {
  if (outOfRange != nullptr) *outOfRange = false;
  std::string_view view = TrimmedGpxText(text);
  if (!view.empty() && view.front() == '+') view.remove_prefix(1);
  std::int64_t parsed = 0;
  const auto result = std::from_chars(view.data(), view.data() + view.size(), parsed);
  if (view.empty() || result.ptr != view.data() + view.size()) return false;
  if (result.ec == std::errc::result_out_of_range && outOfRange != nullptr) *outOfRange = true;
  if (result.ec != std::errc()) return false;
  value = parsed;
  return true;
}

bool ParseGpxTime(std::string_view raw, std::int64_t& seconds, std::uint8_t& hundredths) {
  const std::string_view text = TrimmedGpxText(raw);
  std::size_t pos = 0;
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadDigits(text, pos, 4, year) || !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, month) ||
      !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, day) || !Expect(text, pos, 'T') ||
      !ReadDigits(text, pos, 2, hour) || !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, minute) ||
      !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, second)) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 60) {
    return false;
  }
  unsigned fraction = 0;  // hundredths, from the first two digits
  bool roundUp = false;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    const std::size_t first = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      const auto digit = static_cast<unsigned>(text[pos] - '0');
      const std::size_t place = pos - first;
      if (place < 2) fraction = fraction * 10 + digit;
      if (place == 2) roundUp = digit >= 5;
      ++pos;
    }
    if (pos == first) return false;
    if (pos - first == 1) fraction *= 10;
  }
  std::int64_t offsetSeconds = 0;
  if (pos < text.size()) {
    if (text[pos] == 'Z') {
      ++pos;
    } else if (text[pos] == '+' || text[pos] == '-') {
      const int sign = text[pos] == '-' ? -1 : 1;
      ++pos;
      unsigned offsetHours = 0, offsetMinutes = 0;
      if (!ReadDigits(text, pos, 2, offsetHours) || !Expect(text, pos, ':') ||
          !ReadDigits(text, pos, 2, offsetMinutes) || offsetHours > 14 || offsetMinutes > 59) {
        return false;
      }
      offsetSeconds = sign * static_cast<std::int64_t>(offsetHours * 3600 + offsetMinutes * 60);
    }
  }
  if (pos != text.size()) return false;
  std::int64_t total = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
  unsigned rounded = fraction + (roundUp ? 1 : 0);
  if (rounded == 100) {
    rounded = 0;
    ++total;
  }
  seconds = total;
  hundredths = static_cast<std::uint8_t>(rounded);
  return true;
}

char* WriteGpxTime(char* p, std::int64_t seconds, unsigned hundredths) {
  const std::int64_t total = seconds;
  const std::int64_t days = (total >= 0 ? total : total - 86399) / 86400;
  const auto secondOfDay = static_cast<unsigned>(total - days * 86400);
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  p = WriteTwoDigits(p, static_cast<unsigned>(year / 100));
  p = WriteTwoDigits(p, static_cast<unsigned>(year % 100));
  *p++ = '-';
  p = WriteTwoDigits(p, month);
  *p++ = '-';
  p = WriteTwoDigits(p, day);
  *p++ = 'T';
  p = WriteTwoDigits(p, secondOfDay / 3600);
  *p++ = ':';
  p = WriteTwoDigits(p, secondOfDay / 60 % 60);
  *p++ = ':';
  p = WriteTwoDigits(p, secondOfDay % 60);
  *p++ = '.';
  p = WriteTwoDigits(p, hundredths);
  *p++ = 'Z';
  return p;
}

std::string UtcDateText(std::int64_t seconds) {
  char text[kGpxTimeSize];
  WriteGpxTime(text, seconds, 0);
  text[10] = ' ';
  return std::string(text, 19) + " UTC";
}

bool AppendGpxNumber(std::string& out, double value, int minDecimals) { return AppendNumber(out, value, minDecimals); }

bool AppendGpxNumber(std::string& out, float value, int minDecimals) { return AppendNumber(out, value, minDecimals); }
