// GPX reader (pugixml) and writer over the desktop documents.
#include "formats/gpx.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <pugixml.hpp>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "formats/atomic_file.h"
#include "formats/conversion.h"
#include "formats/whole_file.h"

namespace {

constexpr const char* kGpx10Namespace = "http://www.topografix.com/GPX/1/0";
constexpr const char* kGpx11Namespace = "http://www.topografix.com/GPX/1/1";

// GPX counts latitude north-positive, the desktop records south-positive. A zero keeps its sign
// bit both ways, so that a default 0 prints as "0" and every value, -0 included, comes back exactly.
double FlipLatitude(double latitude) { return latitude == 0 ? latitude : -latitude; }

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

// ---- Writing ----

void AppendDigits(std::string& out, unsigned value, int width) {
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 || count < width);
  while (count > 0) out += digits[--count];
}

// "YYYY-MM-DDThh:mm:ss.hhZ"; every 32-bit time falls in the years 1901..2038.
void AppendTime(std::string& out, std::int32_t seconds, unsigned hundredths) {
  const std::int64_t total = seconds;
  const std::int64_t days = (total >= 0 ? total : total - 86399) / 86400;
  const auto secondOfDay = static_cast<unsigned>(total - days * 86400);
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  AppendDigits(out, static_cast<unsigned>(year), 4);
  out += '-';
  AppendDigits(out, month, 2);
  out += '-';
  AppendDigits(out, day, 2);
  out += 'T';
  AppendDigits(out, secondOfDay / 3600, 2);
  out += ':';
  AppendDigits(out, secondOfDay / 60 % 60, 2);
  out += ':';
  AppendDigits(out, secondOfDay % 60, 2);
  out += '.';
  AppendDigits(out, hundredths, 2);
  out += 'Z';
}

// The shortest decimal text that reads back as exactly this value, in plain notation (GPX numbers
// are xsd:decimal: no exponent), with at least minDecimals digits after the point.
template <typename T>
bool AppendNumber(std::string& out, T value, int minDecimals) {
  if (!std::isfinite(value)) return false;
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return false;
  const std::string_view digits(text, static_cast<std::size_t>(result.ptr - text));
  out += digits;
  const std::size_t point = digits.find('.');
  int decimals = point == std::string_view::npos ? 0 : static_cast<int>(digits.size() - point - 1);
  if (decimals < minDecimals) {
    if (decimals == 0) out += '.';
    out.append(static_cast<std::size_t>(minDecimals - decimals), '0');
  }
  return true;
}

void AppendInteger(std::string& out, std::int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

// Element content in UTF-8. XML 1.0 cannot hold most control characters at all, not even as
// references, so they become '?' like a character the code page lacks; CR is kept as a reference
// because a parser would turn a raw one into LF.
void AppendEscaped(std::string& out, std::string_view utf8, CCodePage& codePage) {
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\t':
      case '\n':
        out += c;
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += '?';
          codePage.CountReplacements(1);
        } else {
          out += c;
        }
    }
  }
}

void AppendTextElement(std::string& out, const char* indent, const char* tag, const std::string& ansi,
                       CCodePage& codePage) {
  out += indent;
  out += '<';
  out += tag;
  out += '>';
  AppendEscaped(out, codePage.ToUtf8(ansi), codePage);
  out += "</";
  out += tag;
  out += ">\n";
}

void AppendIntegerElement(std::string& out, const char* tag, std::int64_t value) {
  out += '<';
  out += tag;
  out += '>';
  AppendInteger(out, value);
  out += "</";
  out += tag;
  out += '>';
}

// lat="..." lon="..." of an element; false for a coordinate that is not a finite number.
bool AppendPosition(std::string& out, double latitude, double longitude) {
  out += " lat=\"";
  if (!AppendNumber(out, FlipLatitude(latitude), 7)) return false;
  out += "\" lon=\"";
  if (!AppendNumber(out, longitude, 7)) return false;
  out += '"';
  return true;
}

// The header is written only when it differs from a new document's, which is what a reader that
// finds none assumes.
template <typename THeader>
void AppendHeaderExtension(std::string& out, const char* indent, const THeader& header) {
  const THeader fresh;
  if (std::strcmp(header.GetVersionText(), fresh.GetVersionText()) == 0 &&
      std::strcmp(header.GetVersionCode(), fresh.GetVersionCode()) == 0 &&
      header.GetFileType() == fresh.GetFileType()) {
    return;
  }
  out += indent;
  out += "<extensions><tv:header><tv:versionText>";
  out += header.GetVersionText();
  out += "</tv:versionText><tv:versionCode>";
  out += header.GetVersionCode();
  out += "</tv:versionCode>";
  AppendIntegerElement(out, "tv:fileType", header.GetFileType());
  out += "</tv:header></extensions>\n";
}

bool AppendWaypoint(std::string& out, const SVexlornWptBlock& point, std::size_t index, CCodePage& codePage,
                    CDiagnostic* why) {
  out += "  <wpt";
  if (!AppendPosition(out, point.GetLatitude(), point.GetLongitude())) {
    return Fail(why, "waypoint " + std::to_string(index + 1) + " has a coordinate that is not a number");
  }
  out += ">\n    <ele>";
  if (!AppendNumber(out, point.GetAltitude(), 0)) {
    return Fail(why, "waypoint " + std::to_string(index + 1) + " has an altitude that is not a number");
  }
  out += "</ele>\n";
  if (!point.GetName().empty()) AppendTextElement(out, "    ", "name", point.GetName(), codePage);
  if (!point.GetComment().empty()) AppendTextElement(out, "    ", "cmt", point.GetComment(), codePage);
  out += "    <sym>";
  out += SymbolToIcon(point.GetSymbol());
  out += "</sym>\n    <extensions>";
  AppendIntegerElement(out, "tv:symbol", point.GetSymbol());
  AppendIntegerElement(out, "tv:number", point.GetNumber());
  AppendIntegerElement(out, "tv:routeUse", point.GetRouteUse());
  out += "</extensions>\n  </wpt>\n";
  return true;
}

bool AppendRoute(std::string& out, const SVexlornRteBlock& route, std::size_t index, CCodePage& codePage,
                 CDiagnostic* why) {
  out += "  <rte>\n";
  if (!route.GetName().empty()) AppendTextElement(out, "    ", "name", route.GetName(), codePage);
  // GPX's own route number cannot be negative; such a number travels in our extension only.
  if (route.GetNumber() >= 0) {
    out += "    ";
    AppendIntegerElement(out, "number", route.GetNumber());
    out += '\n';
  } else {
    out += "    <extensions>";
    AppendIntegerElement(out, "tv:number", route.GetNumber());
    out += "</extensions>\n";
  }
  std::size_t pointIndex = 0;
  for (const SVexlornRwptBlock& point : route.GetPoints()) {
    ++pointIndex;
    out += "    <rtept";
    if (!AppendPosition(out, point.GetLatitude(), point.GetLongitude())) {
      return Fail(why, "point " + std::to_string(pointIndex) + " of route " + std::to_string(index + 1) +
                           " has a coordinate that is not a number");
    }
    out += ">\n";
    if (!point.GetName().empty()) AppendTextElement(out, "      ", "name", point.GetName(), codePage);
    out += "      <sym>";
    out += SymbolToIcon(point.GetSymbol());
    out += "</sym>\n      <extensions>";
    AppendIntegerElement(out, "tv:symbol", point.GetSymbol());
    AppendIntegerElement(out, "tv:number", point.GetNumber());
    out += "</extensions>\n    </rtept>\n";
  }
  out += "  </rte>\n";
  return true;
}

bool AppendTrack(std::string& out, const CVexlornFileTrk& track, std::size_t index, CCodePage& codePage,
                 CDiagnostic* why) {
  out += "  <trk>\n";
  if (!track.GetName().empty()) AppendTextElement(out, "    ", "name", track.GetName(), codePage);
  AppendHeaderExtension(out, "    ", track.GetHeader());
  out += "    <trkseg>\n";
  std::size_t nodeIndex = 0;
  for (const SVexlornTnodBlock& node : track.GetNodes()) {
    ++nodeIndex;
    out += "      <trkpt";
    if (!AppendPosition(out, node.GetLatitude(), node.GetLongitude())) {
      return Fail(why, "point " + std::to_string(nodeIndex) + " of track " + std::to_string(index + 1) +
                           " has a coordinate that is not a number");
    }
    out += "><ele>";
    if (!AppendNumber(out, node.GetAltitude(), 0)) {
      return Fail(why, "point " + std::to_string(nodeIndex) + " of track " + std::to_string(index + 1) +
                           " has an altitude that is not a number");
    }
    out += "</ele><time>";
    AppendTime(out, node.GetTime(), node.GetHundredths());
    out += "</time>";
    if (node.GetValidFix() == 0) out += "<fix>none</fix>";
    // We write 1 for a valid fix; another value from another writer is kept for the trip back.
    if (node.GetValidFix() != 0 && node.GetValidFix() != 1) {
      out += "<extensions>";
      AppendIntegerElement(out, "tv:validFix", node.GetValidFix());
      out += "</extensions>";
    }
    out += "</trkpt>\n";
  }
  out += "    </trkseg>\n  </trk>\n";
  return true;
}

// ---- Reading ----

// Where a reading failure is: line and column (1-based, in bytes) of an offset into the text as
// it was read. A buffer parsed in place is rewritten (terminators, line ends, references), so for
// it the line ends are noted before the parse; a text that stays unchanged is counted on failure.
class CTextPlaces {
 public:
  explicit CTextPlaces(std::string_view text, bool willChange) : m_text(text), m_indexed(willChange) {
    if (!willChange) return;
    for (const char* at = text.data(); at != nullptr;) {
      const auto left = static_cast<std::size_t>(text.data() + text.size() - at);
      at = static_cast<const char*>(std::memchr(at, '\n', left));
      if (at == nullptr) break;
      m_lineEnds.push_back(static_cast<std::size_t>(at - text.data()));
      ++at;
    }
  }

  // Records the rule with the place of the offset; answers false.
  bool Fail(CDiagnostic* why, std::ptrdiff_t offset, std::string rule) const {
    if (why == nullptr) return false;
    if (offset < 0) offset = 0;
    const auto end = std::min(static_cast<std::size_t>(offset), m_text.size());
    std::size_t line = 1, column = 1;
    if (m_indexed) {
      const auto next = std::lower_bound(m_lineEnds.begin(), m_lineEnds.end(), end);
      line += static_cast<std::size_t>(next - m_lineEnds.begin());
      column = next == m_lineEnds.begin() ? end + 1 : end - *(next - 1);
    } else {
      for (std::size_t i = 0; i < end; ++i) {
        if (m_text[i] == '\n') {
          ++line;
          column = 1;
        } else {
          ++column;
        }
      }
    }
    why->Set(std::move(rule));
    why->SetLineAndColumn(line, column);
    return false;
  }

 private:
  std::string_view m_text;  // only its size is used once the text was indexed
  bool m_indexed;
  std::vector<std::size_t> m_lineEnds;  // offsets of the LFs, ascending
};

std::string_view Trimmed(const char* text) {
  std::string_view view(text);
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!view.empty() && isSpace(view.front())) view.remove_prefix(1);
  while (!view.empty() && isSpace(view.back())) view.remove_suffix(1);
  return view;
}

// A whole xsd:decimal (a leading '+' allowed); "nan", "inf" and hex forms are refused.
template <typename T>
bool ParseNumber(const char* text, T& value) {
  std::string_view view = Trimmed(text);
  if (!view.empty() && view.front() == '+') view.remove_prefix(1);
  if (view.empty() ||
      !(std::isdigit(static_cast<unsigned char>(view.front())) || view.front() == '-' || view.front() == '.')) {
    return false;
  }
  T parsed{};
  const auto result = std::from_chars(view.data(), view.data() + view.size(), parsed, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != view.data() + view.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool ParseInteger(const char* text, std::int64_t& value) {
  std::string_view view = Trimmed(text);
  if (!view.empty() && view.front() == '+') view.remove_prefix(1);
  std::int64_t parsed = 0;
  const auto result = std::from_chars(view.data(), view.data() + view.size(), parsed);
  if (view.empty() || result.ec != std::errc() || result.ptr != view.data() + view.size()) return false;
  value = parsed;
  return true;
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

// An xsd:dateTime: "YYYY-MM-DDThh:mm:ss", optional fraction, then "Z", an offset "+hh:mm" or
// nothing (taken as UTC, as GPX times are). The fraction is rounded to hundredths.
bool ParseTime(const char* raw, std::int32_t& seconds, std::uint8_t& hundredths) {
  const std::string_view text = Trimmed(raw);
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
  unsigned fraction = 0;  // thousandths, from the first three digits
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
  if (total < std::numeric_limits<std::int32_t>::min() || total > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  seconds = static_cast<std::int32_t>(total);
  hundredths = static_cast<std::uint8_t>(rounded);
  return true;
}

// The default options, except that the first text of an element is kept in the element itself
// (a node fewer per value: a long track's tree is a third smaller) and attribute values are not
// normalised (numbers are trimmed where they are read).
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol | pugi::parse_embed_pcdata;

// Inline rather than strcmp: element names are short and this runs several times per track point.
bool IsName(const char* name, const char* wanted) {
  while (*name == *wanted && *wanted != '\0') {
    ++name;
    ++wanted;
  }
  return *name == *wanted;
}

bool IsNamed(const pugi::xml_node& node, const char* name) { return IsName(node.name(), name); }

// All character data of an element, however it is split by comments or CDATA sections.
std::string TextOf(const pugi::xml_node& element) {
  std::string text = element.value();  // the first run of text (kParseOptions embeds it)
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
  }
  return text;
}

// A name or comment in the code page. pugixml lets control characters through as references
// ("&#1;") although XML forbids them; they become '?' as the writer would make them.
std::string NameOf(const pugi::xml_node& element, CCodePage& codePage) {
  std::string text = TextOf(element);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      c = '?';
      codePage.CountReplacements(1);
    }
  }
  return codePage.FromUtf8(text);
}

// Reads one GPX file into a scratch document, remembering the first refusal.
class CGpxReader {
 public:
  // Parses a copy of `text`, or, given `buffer` (the same text and a NUL after it, which the
  // reader may change), parses that in place: a large file is then held once, not twice. The NUL
  // stands where a copy would end, so that places at the end of the text are the same both ways.
  CGpxReader(std::string_view text, std::string* buffer, CCodePage& codePage, CDiagnostic* why)
      : m_text(text), m_buffer(buffer), m_places(text, buffer != nullptr), m_codePage(codePage), m_why(why) {}

  bool Read(SGpxDocument& doc);

 private:
  // The waypoint fields that wpt and rtept share.
  struct SPointFields {
    double latitude = 0;  // desktop sense: south positive
    double longitude = 0;
    double altitude = 0;
    std::string name;
    std::string comment;
    bool hasSym = false;
    std::string sym;
    bool hasSymbol = false;
    std::int64_t symbol = 0;
    bool hasNumber = false;
    std::int64_t number = 0;
    bool hasRouteUse = false;
    std::int64_t routeUse = 0;
  };

  bool Refuse(const pugi::xml_node& node, const std::string& what) {
    if (m_why == nullptr) return false;
    return m_places.Fail(m_why, node.offset_debug(), what);
  }
  // The local name of an element of our namespace, or null for any other element.
  const char* OurName(const pugi::xml_node& element) const;
  bool ReadCoordinates(const pugi::xml_node& element, double& latitude, double& longitude);
  bool ReadInteger(const pugi::xml_node& element, std::int64_t low, std::int64_t high, std::int64_t& value);
  bool ReadPoint(const pugi::xml_node& element, SPointFields& fields);
  bool ReadHeader(const pugi::xml_node& extensions, SVexlornHeadBlock& header);
  bool ReadRoute(const pugi::xml_node& element, std::size_t index, CVexlornFileWpt& points);
  bool ReadTrack(const pugi::xml_node& element, CVexlornFileTrk& track);
  bool ReadTrackPoint(const pugi::xml_node& element, SVexlornTnodBlock& node);
  bool AddWaypoint(const SPointFields& fields, CVexlornFileWpt& points);
  std::string NextRoutePointName();

  std::string_view m_text;
  std::string* m_buffer;
  CTextPlaces m_places;
  CCodePage& m_codePage;
  CDiagnostic* m_why;
  std::unordered_map<std::string, std::size_t> m_waypointByName;  // first waypoint of each name
  std::vector<bool> m_routeUseGiven;
  unsigned m_unnamedRoutePoints = 0;
};

const char* CGpxReader::OurName(const pugi::xml_node& element) const {
  const char* name = element.name();
  const char* colon = std::strchr(name, ':');
  if (colon == nullptr) return nullptr;
  const std::string prefix(name, colon);
  // The nearest declaration of the prefix decides, as namespaces scope.
  const std::string attribute = "xmlns:" + prefix;
  for (pugi::xml_node node = element; node.type() == pugi::node_element; node = node.parent()) {
    const pugi::xml_attribute declaration = node.attribute(attribute.c_str());
    if (declaration) return std::strcmp(declaration.value(), kGpxExtensionNamespace) == 0 ? colon + 1 : nullptr;
  }
  return nullptr;
}

bool CGpxReader::ReadCoordinates(const pugi::xml_node& element, double& latitude, double& longitude) {
  // One walk over the attributes instead of a search per name: this runs once per track point.
  pugi::xml_attribute lat, lon;
  for (pugi::xml_attribute attribute = element.first_attribute(); attribute; attribute = attribute.next_attribute()) {
    const char* name = attribute.name();
    if (name[0] != 'l') continue;
    if (IsName(name, "lat")) lat = attribute;
    if (IsName(name, "lon")) lon = attribute;
  }
  if (!lat || !lon) return Refuse(element, std::string("<") + element.name() + "> without lat and lon");
  double north = 0;
  if (!ParseNumber(lat.value(), north))
    return Refuse(element, std::string("lat \"") + lat.value() + "\" is not a number");
  if (!ParseNumber(lon.value(), longitude)) {
    return Refuse(element, std::string("lon \"") + lon.value() + "\" is not a number");
  }
  latitude = FlipLatitude(north);
  return true;
}

bool CGpxReader::ReadInteger(const pugi::xml_node& element, std::int64_t low, std::int64_t high, std::int64_t& value) {
  const std::string text = TextOf(element);
  if (!ParseInteger(text.c_str(), value) || value < low || value > high) {
    return Refuse(element, std::string("<") + element.name() + "> \"" + text + "\" is not a number " +
                               std::to_string(low) + ".." + std::to_string(high));
  }
  return true;
}

bool CGpxReader::ReadPoint(const pugi::xml_node& element, SPointFields& fields) {
  if (!ReadCoordinates(element, fields.latitude, fields.longitude)) return false;
  bool hasComment = false;
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() != pugi::node_element) continue;
    if (IsNamed(child, "ele")) {
      const std::string text = TextOf(child);
      if (!ParseNumber(text.c_str(), fields.altitude)) return Refuse(child, "ele \"" + text + "\" is not a number");
    } else if (IsNamed(child, "name")) {
      fields.name = NameOf(child, m_codePage);
    } else if (IsNamed(child, "cmt")) {
      fields.comment = NameOf(child, m_codePage);
      hasComment = true;
    } else if (IsNamed(child, "desc")) {
      // Many programs put the note in desc and leave cmt out; cmt wins when both are there.
      if (!hasComment) fields.comment = NameOf(child, m_codePage);
    } else if (IsNamed(child, "sym")) {
      fields.hasSym = true;
      fields.sym = TextOf(child);
    } else if (IsNamed(child, "extensions")) {
      for (const pugi::xml_node& extension : child.children()) {
        const char* name = OurName(extension);
        if (name == nullptr) continue;
        if (std::strcmp(name, "symbol") == 0) {
          if (!ReadInteger(extension, 0, SVexlornWptBlock::kMaxSymbol, fields.symbol)) return false;
          fields.hasSymbol = true;
        } else if (std::strcmp(name, "number") == 0) {
          if (!ReadInteger(extension, INT32_MIN, INT32_MAX, fields.number)) return false;
          fields.hasNumber = true;
        } else if (std::strcmp(name, "routeUse") == 0) {
          if (!ReadInteger(extension, 0, SVexlornWptBlock::kMaxRouteUse, fields.routeUse)) return false;
          fields.hasRouteUse = true;
        }
      }
    }
  }
  // Our own symbol number wins; otherwise a unit icon name in sym; any other symbol name is one
  // this system has no number for.
  if (!fields.hasSymbol && fields.hasSym) fields.symbol = IconToSymbol(Trimmed(fields.sym.c_str()));
  return true;
}

bool CGpxReader::ReadHeader(const pugi::xml_node& extensions, SVexlornHeadBlock& header) {
  for (const pugi::xml_node& extension : extensions.children()) {
    const char* name = OurName(extension);
    if (name == nullptr || std::strcmp(name, "header") != 0) continue;
    for (const pugi::xml_node& field : extension.children()) {
      const char* fieldName = OurName(field);
      if (fieldName == nullptr) continue;
      const std::string text = TextOf(field);
      if (std::strcmp(fieldName, "versionText") == 0) {
        if (!header.SetVersionText(text.c_str())) return Refuse(field, "unknown version text \"" + text + "\"");
      } else if (std::strcmp(fieldName, "versionCode") == 0) {
        if (!header.SetVersionCode(text.c_str())) return Refuse(field, "unknown version code \"" + text + "\"");
      } else if (std::strcmp(fieldName, "fileType") == 0) {
        std::int64_t type = 0;
        if (!ReadInteger(field, 0, 3, type)) return false;
        // A loaded file keeps whichever of the four types it had, so the plain header's rule
        // applies here too, not the document's own fixed type.
        header.SVexlornHeadBlock::SetFileType(static_cast<std::int32_t>(type));
      }
    }
  }
  return true;
}

std::string CGpxReader::NextRoutePointName() {
  std::string name;
  do {
    char text[16];
    std::snprintf(text, sizeof text, "RTE%03u", ++m_unnamedRoutePoints);
    name = text;
  } while (m_waypointByName.count(name) != 0);
  return name;
}

bool CGpxReader::AddWaypoint(const SPointFields& fields, CVexlornFileWpt& points) {
  SVexlornWptBlock waypoint;
  const std::size_t position = points.GetWaypoints().GetCount() + 1;
  waypoint.SetName(fields.name);
  waypoint.SetComment(fields.comment);
  waypoint.SetNumber(fields.hasNumber ? static_cast<std::int32_t>(fields.number) : static_cast<std::int32_t>(position));
  waypoint.SetSymbol(static_cast<std::uint8_t>(fields.symbol));
  waypoint.SetRouteUse(static_cast<std::uint8_t>(fields.routeUse));
  waypoint.SetAltitude(fields.altitude);
  waypoint.SetLongitude(fields.longitude);
  waypoint.SetLatitude(fields.latitude);
  m_waypointByName.emplace(fields.name, position - 1);
  m_routeUseGiven.push_back(fields.hasRouteUse);
  points.GetWaypoints().Add(std::move(waypoint));
  return true;
}

bool CGpxReader::ReadRoute(const pugi::xml_node& element, std::size_t index, CVexlornFileWpt& points) {
  SVexlornRteBlock route;
  std::int64_t number = static_cast<std::int64_t>(index) + 1;
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() != pugi::node_element) continue;
    if (IsNamed(child, "name")) {
      route.SetName(NameOf(child, m_codePage));
    } else if (IsNamed(child, "number")) {
      if (!ReadInteger(child, 0, INT32_MAX, number)) return false;
    } else if (IsNamed(child, "extensions")) {
      for (const pugi::xml_node& extension : child.children()) {
        const char* name = OurName(extension);
        if (name != nullptr && std::strcmp(name, "number") == 0 &&
            !ReadInteger(extension, INT32_MIN, INT32_MAX, number)) {
          return false;
        }
      }
    } else if (IsNamed(child, "rtept")) {
      SPointFields fields;
      if (!ReadPoint(child, fields)) return false;
      if (fields.name.empty() && !fields.hasNumber) fields.name = NextRoutePointName();
      const auto found = m_waypointByName.find(fields.name);
      // A point written by us carries its own number and is taken as it was, even when the
      // desktop file it came from named a waypoint that its list lacks.
      if (found == m_waypointByName.end() && !fields.hasNumber) {
        fields.routeUse = 2;
        fields.hasRouteUse = true;
        if (!AddWaypoint(fields, points)) return false;
      }
      const auto waypoint = m_waypointByName.find(fields.name);
      SVexlornRwptBlock point;
      point.SetName(fields.name);
      point.SetLongitude(fields.longitude);
      point.SetLatitude(fields.latitude);
      std::int32_t pointNumber = static_cast<std::int32_t>(fields.number);
      std::uint8_t symbol = static_cast<std::uint8_t>(fields.symbol);
      if (waypoint != m_waypointByName.end()) {
        const SVexlornWptBlock& target =
            *(points.GetWaypoints().begin() + static_cast<std::ptrdiff_t>(waypoint->second));
        if (!fields.hasNumber) pointNumber = static_cast<std::int32_t>(waypoint->second + 1);
        if (!fields.hasSymbol && !fields.hasSym) symbol = target.GetSymbol();
      }
      point.SetNumber(pointNumber);
      point.SetSymbol(symbol);
      route.GetPoints().Add(std::move(point));
    }
  }
  route.SetNumber(static_cast<std::int32_t>(number));
  points.GetRoutes().Add(std::move(route));
  return true;
}

bool CGpxReader::ReadTrackPoint(const pugi::xml_node& element, SVexlornTnodBlock& node) {
  double latitude = 0, longitude = 0;
  if (!ReadCoordinates(element, latitude, longitude)) return false;
  node.SetLatitude(latitude);
  node.SetLongitude(longitude);
  node.SetValidFix(1);
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() != pugi::node_element) continue;
    const char* name = child.name();
    if (IsName(name, "ele")) {
      float altitude = 0;
      if (!ParseNumber(child.child_value(), altitude)) {
        return Refuse(child, std::string("ele \"") + child.child_value() + "\" is not a number");
      }
      node.SetAltitude(altitude);
    } else if (IsName(name, "time")) {
      std::int32_t seconds = 0;
      std::uint8_t hundredths = 0;
      if (!ParseTime(child.child_value(), seconds, hundredths)) {
        return Refuse(child, std::string("time \"") + child.child_value() +
                                 "\" is not a date and time of the years 1901 to 2038");
      }
      node.SetTime(seconds);
      node.SetHundredths(hundredths);
    } else if (IsName(name, "fix")) {
      if (Trimmed(child.child_value()) == "none") node.SetValidFix(0);
    } else if (IsName(name, "extensions")) {
      for (const pugi::xml_node& extension : child.children()) {
        const char* ours = OurName(extension);
        std::int64_t validFix = 0;
        if (ours == nullptr || std::strcmp(ours, "validFix") != 0) continue;
        if (!ReadInteger(extension, INT32_MIN, INT32_MAX, validFix)) return false;
        node.SetValidFix(static_cast<std::int32_t>(validFix));
      }
    }
  }
  return true;
}

bool CGpxReader::ReadTrack(const pugi::xml_node& element, CVexlornFileTrk& track) {
  // Long tracks are the common case; one count saves the copies of a growing list.
  std::size_t points = 0;
  for (const pugi::xml_node& segment : element.children("trkseg")) {
    for (auto point = segment.first_child(); point; point = point.next_sibling()) ++points;
  }
  track.GetNodes().Reserve(points);
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() != pugi::node_element) continue;
    if (IsNamed(child, "name")) {
      track.SetName(NameOf(child, m_codePage));
    } else if (IsNamed(child, "extensions")) {
      if (!ReadHeader(child, track.GetHeader())) return false;
    } else if (IsNamed(child, "trkseg")) {
      for (pugi::xml_node point = child.first_child(); point; point = point.next_sibling()) {
        if (point.type() != pugi::node_element || !IsNamed(point, "trkpt")) continue;
        SVexlornTnodBlock node;
        if (!ReadTrackPoint(point, node)) return false;
        track.GetNodes().Add(std::move(node));
      }
    }
  }
  return true;
}

bool CGpxReader::Read(SGpxDocument& doc) {
  pugi::xml_document xml;
  const pugi::xml_parse_result parsed = m_buffer != nullptr
                                            ? xml.load_buffer_inplace(m_buffer->data(), m_buffer->size(), kParseOptions)
                                            : xml.load_buffer(m_text.data(), m_text.size(), kParseOptions);
  if (!parsed) {
    return m_places.Fail(m_why, parsed.offset, std::string("not a GPX file: ") + parsed.description());
  }
  const pugi::xml_node root = xml.document_element();
  const char* xmlns = root.attribute("xmlns").value();
  const std::string_view version = Trimmed(root.attribute("version").value());
  const bool gpxNamespace = std::strcmp(xmlns, kGpx10Namespace) == 0 || std::strcmp(xmlns, kGpx11Namespace) == 0;
  if (!IsNamed(root, "gpx")) {
    return Refuse(root, std::string("not a GPX file: the root element is <") + root.name() + ">");
  }
  if (!gpxNamespace && version != "1.0" && version != "1.1") {
    return Refuse(root, "not a GPX file of version 1.0 or 1.1");
  }

  SGpxDocument scratch;
  // Waypoints first wherever they stand, so that every route point can find its waypoint.
  for (const pugi::xml_node& child : root.children("wpt")) {
    SPointFields fields;
    if (!ReadPoint(child, fields) || !AddWaypoint(fields, scratch.points)) return false;
  }
  std::size_t routeIndex = 0;
  for (const pugi::xml_node& child : root.children()) {
    if (child.type() != pugi::node_element) continue;
    if (IsNamed(child, "rte")) {
      if (!ReadRoute(child, routeIndex++, scratch.points)) return false;
    } else if (IsNamed(child, "trk")) {
      CVexlornFileTrk track;
      if (!ReadTrack(child, track)) return false;
      scratch.tracks.push_back(std::move(track));
    } else if (IsNamed(child, "extensions")) {
      if (!ReadHeader(child, scratch.points.GetHeader())) return false;
    }
  }
  // Without our own value, route use follows the rule of the unit conversion: 2 for a waypoint
  // that some route names, 1 otherwise.
  std::unordered_map<std::string_view, bool> routed;
  for (const SVexlornRteBlock& route : scratch.points.GetRoutes()) {
    for (const SVexlornRwptBlock& point : route.GetPoints()) routed[point.GetName()] = true;
  }
  SVexlornWptBlockArray waypoints;
  waypoints.Reserve(scratch.points.GetWaypoints().GetCount());
  std::size_t index = 0;
  for (SVexlornWptBlock waypoint : scratch.points.GetWaypoints()) {
    if (!m_routeUseGiven[index++]) waypoint.SetRouteUsed(routed.count(waypoint.GetName()) != 0);
    waypoints.Add(std::move(waypoint));
  }
  scratch.points.GetWaypoints() = std::move(waypoints);
  doc = std::move(scratch);
  return true;
}

}  // namespace

bool ReadGpxText(std::string_view text, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why) {
  CGpxReader reader(text, nullptr, codePage, why);
  return reader.Read(doc);
}

bool ReadGpxFile(const std::string& path, SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why) {
  std::string text;
  if (!ReadWholeFile(path, text, why)) return false;
  // The parse in place wants a NUL after the text; the reader left room for it.
  const std::size_t size = text.size();
  text.push_back('\0');
  CGpxReader reader(std::string_view(text.data(), size), &text, codePage, why);
  return reader.Read(doc);
}

bool WriteGpxText(const SGpxDocument& doc, CCodePage& codePage, std::string& out, CDiagnostic* why) {
  // Appended in place (a long track is some 100 bytes a point), and cut back on a failure.
  const std::size_t start = out.size();
  std::size_t estimate = 1024 + doc.points.GetWaypoints().GetCount() * 320;
  for (const SVexlornRteBlock& route : doc.points.GetRoutes()) estimate += 64 + route.GetPoints().GetCount() * 220;
  for (const CVexlornFileTrk& track : doc.tracks) estimate += 256 + track.GetNodes().GetCount() * 112;
  out.reserve(start + estimate);
  out +=
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"Transvane\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\" "
      "xmlns:tv=\"";
  out += kGpxExtensionNamespace;
  out += "\">\n";
  bool written = true;
  std::size_t index = 0;
  for (const SVexlornWptBlock& waypoint : doc.points.GetWaypoints()) {
    written = written && AppendWaypoint(out, waypoint, index++, codePage, why);
  }
  index = 0;
  for (const SVexlornRteBlock& route : doc.points.GetRoutes()) {
    written = written && AppendRoute(out, route, index++, codePage, why);
  }
  index = 0;
  for (const CVexlornFileTrk& track : doc.tracks) written = written && AppendTrack(out, track, index++, codePage, why);
  if (!written) {
    out.resize(start);
    return false;
  }
  AppendHeaderExtension(out, "  ", doc.points.GetHeader());
  out += "</gpx>\n";
  return true;
}

bool WriteGpxFile(const std::string& path, const SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why) {
  std::string text;
  if (!WriteGpxText(doc, codePage, text, why)) return false;
  CAtomicFile file(path);
  return file.Open(why) && file.Write(text, why) && file.Commit(why);
}
