// The values of a GPX file, read and written: numbers as xsd:decimal, times as xsd:dateTime in UTC.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// GPX counts latitude north-positive, the desktop records south-positive. A zero keeps its sign
// bit both ways, so that a default 0 prints as "0" and every value, -0 included, comes back exactly.
inline double FlipLatitude(double latitude) { return latitude == 0 ? latitude : -latitude; }

// The text without the XML white space around it.
std::string_view TrimmedGpxText(std::string_view text);

// A whole xsd:decimal (a leading '+' allowed, white space around it ignored); "nan", "inf" and hex
// forms are refused. `outOfRange` tells a number too large or too close to zero for the type
// from text that is no number.
bool ParseGpxNumber(std::string_view text, double& value, bool* outOfRange = nullptr);
bool ParseGpxNumber(std::string_view text, float& value, bool* outOfRange = nullptr);
bool ParseGpxInteger(std::string_view text, std::int64_t& value, bool* outOfRange = nullptr);
// An xsd:dateTime: "YYYY-MM-DDThh:mm:ss", an optional fraction (rounded to hundredths), then "Z",
// an offset "+hh:mm" or nothing (taken as UTC, as GPX times are). Any year of four digits: whether
// a file can hold the time is for its writer to say.
bool ParseGpxTime(std::string_view text, std::int64_t& seconds, std::uint8_t& hundredths);

// "YYYY-MM-DDThh:mm:ss.hhZ" at p, answering its end; for the years 0 to 9999.
inline constexpr std::size_t kGpxTimeSize = 23;
char* WriteGpxTime(char* p, std::int64_t seconds, unsigned hundredths);
// "YYYY-MM-DD hh:mm:ss UTC", for messages, which give dates rather than seconds.
std::string UtcDateText(std::int64_t seconds);
// The shortest decimal text that reads back as exactly this value, in plain notation (GPX numbers
// have no exponent), with at least minDecimals digits after the point; false for a value that is
// not a finite number.
bool AppendGpxNumber(std::string& out, double value, int minDecimals);
bool AppendGpxNumber(std::string& out, float value, int minDecimals);
