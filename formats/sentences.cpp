// Writing and parsing of the unit's sentences.
#include "formats/sentences.h"

#include <locale.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace {

constexpr std::string_view kTalker = "PTVL";
constexpr std::string_view kCodes[] = {"RTE", "WPL", "TRK", "CMD", "XXX"};

// Field text for a message, clipped so that a huge line does not make a huge reason.
std::string Quoted(std::string_view text) {
  constexpr std::size_t kMax = 32;
  if (text.size() <= kMax) return "'" + std::string(text) + "'";
  return "'" + std::string(text.substr(0, kMax)) + "...'";
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

// The unit's files are always read with '.' as decimal point, whatever locale the program runs in.
locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// Switches this thread to the C locale while a scanf reads an unusual field.
class CCLocaleScope {
 public:
  CCLocaleScope() : m_previous(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(nullptr)) {}
  ~CCLocaleScope() {
    if (m_previous) uselocale(m_previous);
  }
  CCLocaleScope(const CCLocaleScope&) = delete;
  CCLocaleScope& operator=(const CCLocaleScope&) = delete;

 private:
  locale_t m_previous;
};

// The fields are read as the unit's own firmware reads them, with scanf: leading blanks, a sign,
// hexadecimal floats and trailing text after a number are all accepted. Plain numbers take a fast
// path that gives exactly the same value; anything else goes through scanf itself.

// "%lf"
bool ScanDouble(std::string_view field, double& value) {
  std::size_t digits = field.size();
  if (!field.empty() && field[0] == '-') digits = field.size() - 1;
  const std::string_view body = field.substr(field.size() - digits);
  const auto dot = body.find('.');
  const std::string_view whole = body.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : body.substr(dot + 1);
  if (!whole.empty() && AllDigits(whole) &&
      (dot == std::string_view::npos || (!fraction.empty() && AllDigits(fraction)))) {
    // Up to 15 digits form an integer that a double holds exactly, and dividing it by an exact
    // power of ten rounds once: the same double strtod gives.
    if (whole.size() + fraction.size() <= 15) {
      static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
      std::uint64_t number = 0;
      for (char c : whole) number = number * 10 + static_cast<std::uint64_t>(c - '0');
      for (char c : fraction) number = number * 10 + static_cast<std::uint64_t>(c - '0');
      const double magnitude = static_cast<double>(number) / kPowers[fraction.size()];
      value = field[0] == '-' ? -magnitude : magnitude;
      return true;
    }
    // Out of range (overflow, underflow) is left to scanf, which answers infinity or a tiny value.
    double parsed = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), parsed, std::chars_format::fixed);
    if (result.ec == std::errc() && result.ptr == field.data() + field.size()) {
      value = parsed;
      return true;
    }
  }
  const std::string text(field);
  CCLocaleScope scope;
  return std::sscanf(text.c_str(), "%lf", &value) == 1;
}

// "%d"
bool ScanInt(std::string_view field, std::int32_t& value) {
  const std::size_t start = !field.empty() && field[0] == '-' ? 1 : 0;
  const std::string_view digits = field.substr(start);
  if (!digits.empty() && digits.size() <= 9 && AllDigits(digits)) {
    std::from_chars(field.data(), field.data() + field.size(), value);
    return true;
  }
  const std::string text(field);
  int scanned = 0;
  CCLocaleScope scope;
  if (std::sscanf(text.c_str(), "%d", &scanned) != 1) return false;
  value = scanned;
  return true;
}

// "%u"
bool ScanUnsigned(std::string_view field, std::uint32_t& value) {
  if (!field.empty() && field.size() <= 9 && AllDigits(field)) {
    std::from_chars(field.data(), field.data() + field.size(), value);
    return true;
  }
  const std::string text(field);
  unsigned scanned = 0;
  CCLocaleScope scope;
  if (std::sscanf(text.c_str(), "%u", &scanned) != 1) return false;
  value = scanned;
  return true;
}

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "%X" of the two-character checksum field.
bool ScanHex(std::string_view field, unsigned& value) {
  if (field.size() == 2 && HexDigit(field[0]) >= 0 && HexDigit(field[1]) >= 0) {
    value = static_cast<unsigned>(HexDigit(field[0]) * 16 + HexDigit(field[1]));
    return true;
  }
  const std::string text(field);
  CCLocaleScope scope;
  return std::sscanf(text.c_str(), "%X", &value) == 1;
}

unsigned TwoDigits(std::string_view text, std::size_t at) {
  return static_cast<unsigned>((text[at] - '0') * 10 + (text[at + 1] - '0'));
}

// "%02hu%02hu%02hu": answers how many values were read.
int ScanDate(std::string_view field, unsigned short values[3]) {
  if (field.size() >= 6 && AllDigits(field.substr(0, 6))) {
    for (int i = 0; i < 3; ++i) values[i] = static_cast<unsigned short>(TwoDigits(field, 2 * i));
    return 3;
  }
  const std::string text(field);
  CCLocaleScope scope;
  return std::sscanf(text.c_str(), "%02hu%02hu%02hu", &values[0], &values[1], &values[2]);
}

// "%02hu%02hu%02hu.%02hu": answers how many values were read.
int ScanTime(std::string_view field, unsigned short values[4]) {
  if (field.size() >= 9 && AllDigits(field.substr(0, 6)) && field[6] == '.' && AllDigits(field.substr(7, 2))) {
    for (int i = 0; i < 3; ++i) values[i] = static_cast<unsigned short>(TwoDigits(field, 2 * i));
    values[3] = static_cast<unsigned short>(TwoDigits(field, 7));
    return 4;
  }
  const std::string text(field);
  CCLocaleScope scope;
  return std::sscanf(text.c_str(), "%02hu%02hu%02hu.%02hu", &values[0], &values[1], &values[2], &values[3]);
}

// Room for any number WriteFixed3 or WritePadded writes (a double's 309 integer digits included).
constexpr std::size_t kNumberRoom = std::numeric_limits<double>::max_exponent10 + 32;

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

// printf "%0*lld".
char* WritePadded(char* p, long long value, int width) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return WriteSignPadded(p, digits, end, width);
}

char* WriteTwoDigits(char* p, unsigned value) {
  *p++ = static_cast<char>('0' + value / 10 % 10);
  *p++ = static_cast<char>('0' + value % 10);
  return p;
}

// printf "%0*.3f" in the C locale. printf rounds the exact binary value half to even; for values
// below 2^52 that is done here in integers (the mantissa times 1000 fits in 64 bits), larger ones
// go through to_chars, which rounds the same way.
char* WriteFixed3(char* p, double value, int width) {
  char digits[kNumberRoom];
  char* end = digits;
  if (!std::isfinite(value)) {
    // printf pads infinity and NaN with blanks, not zeros.
    const std::string_view text =
        std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan") : (value < 0 ? "-inf" : "inf");
    for (int pad = width - static_cast<int>(text.size()); pad > 0; --pad) *p++ = ' ';
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
  }
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
  if (std::signbit(value)) *end++ = '-';
  end = std::to_chars(end, digits + sizeof digits, thousandths / 1000).ptr;
  *end++ = '.';
  const auto decimals = static_cast<unsigned>(thousandths % 1000);
  *end++ = static_cast<char>('0' + decimals / 100);
  end = WriteTwoDigits(end, decimals % 100);
  return WriteSignPadded(p, digits, end, width);
}

void AppendPadded(std::string& out, long long value, int width) {
  char text[32];
  out.append(text, static_cast<std::size_t>(WritePadded(text, value, width) - text));
}

char* WriteHex2(char* p, unsigned value) {
  constexpr char kHex[] = "0123456789ABCDEF";
  *p++ = kHex[(value >> 4) & 0xF];
  *p++ = kHex[value & 0xF];
  return p;
}

// Stored texts never contain a comma, which would split the field. A line break would split the
// line and leave a file that cannot be read back, so it becomes a blank.
std::string StoredText(std::string_view text) {
  std::string stored(text);
  for (char& c : stored) {
    if (c == ',')
      c = '.';
    else if (c == '\r' || c == '\n')
      c = ' ';
  }
  return stored;
}

bool IsIcon(std::string_view icon) {
  if (icon.size() > 2) return false;
  for (char c : icon)
    if (c < 'a' || c > 'z') return false;
  return true;
}

bool IconFails(std::string_view icon, CDiagnostic* why) {
  return Fail(why, "icon " + Quoted(icon) + " is not up to two letters a-z");
}

// The text a line parse works on: a line end that Format added is not part of the sentence.
std::string_view WithoutLineEnd(std::string_view text) {
  if (!text.empty() && text.back() == '\n') {
    text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  }
  return text;
}

bool FieldCountFails(const char* what, std::size_t count, CDiagnostic* why) {
  return Fail(why, std::string(what) + " sentence has " + std::to_string(count) + " fields");
}

}  // namespace

const char* SentenceCode(int type) {
  return (type >= 0 && type < SENTENCE_XXX ? kCodes[type] : kCodes[SENTENCE_XXX]).data();
}

int SentenceType(std::string_view line) {
  if (line.size() < 8 || line[0] != '$' || line.substr(1, kTalker.size()) != kTalker) return SENTENCE_XXX;
  const std::string_view code = line.substr(1 + kTalker.size(), 3);
  for (int type = SENTENCE_RTE; type < SENTENCE_XXX; ++type)
    if (code == kCodes[type]) return type;
  return SENTENCE_XXX;
}

std::uint8_t Checksum(std::string_view text) {
  std::uint8_t sum = 0;
  for (char c : text) sum ^= static_cast<std::uint8_t>(c);
  return sum;
}

// ---- CLocalTimeCache ----

std::time_t CLocalTimeCache::MakeTime(int year, int month, int day, int hour, int minute, int second) {
  if (second >= 0 && second <= 59 && minute >= 0 && minute <= 59) {
    if (!m_hourKnown || m_year != year || m_month != month || m_day != day || m_hour != hour) {
      std::tm start{};
      start.tm_year = year - 1900;
      start.tm_mon = month - 1;
      start.tm_mday = day;
      start.tm_hour = hour;
      start.tm_isdst = -1;
      m_hourStart = std::mktime(&start);
      m_hourKnown = m_hourStart != static_cast<std::time_t>(-1);
      m_year = year;
      m_month = month;
      m_day = day;
      m_hour = hour;
    }
    if (m_hourKnown) {
      // The hour's start plus the minutes is right unless a change of offset (or a day that does
      // not exist) lies in between; one localtime_r tells.
      const std::time_t candidate = m_hourStart + minute * 60 + second;
      std::tm check{};
      if (localtime_r(&candidate, &check) != nullptr && check.tm_year == year - 1900 && check.tm_mon == month - 1 &&
          check.tm_mday == day && check.tm_hour == hour && check.tm_min == minute && check.tm_sec == second)
        return candidate;
    }
  }
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

bool CLocalTimeCache::BreakDown(std::time_t time, std::tm& local) {
  if (m_minuteCandidate && time >= m_minuteStart && time - m_minuteStart < 60) {
    if (!m_minuteConfirmed) {
      // A minute is reused only when its first and last second show the same offset and run
      // from :00 to :59, so that no change of offset or leap second lies inside it.
      std::tm first{}, last{};
      const std::time_t end = m_minuteStart + 59;
      m_minuteConfirmed = localtime_r(&m_minuteStart, &first) != nullptr && localtime_r(&end, &last) != nullptr &&
                          first.tm_sec == 0 && last.tm_sec == 59 && first.tm_min == last.tm_min &&
                          first.tm_hour == last.tm_hour && first.tm_mday == last.tm_mday &&
                          first.tm_mon == last.tm_mon && first.tm_year == last.tm_year &&
                          first.tm_isdst == last.tm_isdst && first.tm_gmtoff == last.tm_gmtoff;
      m_minuteBreakdown = first;
      if (!m_minuteConfirmed) m_minuteCandidate = false;
    }
    if (m_minuteConfirmed) {
      local = m_minuteBreakdown;
      local.tm_sec = static_cast<int>(time - m_minuteStart);
      return true;
    }
  }
  if (localtime_r(&time, &local) == nullptr) {
    local = std::tm{};
    return false;
  }
  if (local.tm_sec <= 59) {
    m_minuteCandidate = true;
    m_minuteConfirmed = false;
    m_minuteStart = time - local.tm_sec;
  }
  return true;
}

// ---- CFieldList ----

std::vector<std::string>& CFieldList::Fields() {
  if (!m_fields) m_fields = std::make_unique<std::vector<std::string>>();
  return *m_fields;
}

int CFieldList::Split(std::string_view text) {
  auto& fields = Fields();
  fields.clear();
  for (;;) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) break;
    fields.emplace_back(text.substr(0, comma));
    text.remove_prefix(comma + 1);
  }
  fields.emplace_back(text);
  return static_cast<int>(fields.size());
}

std::string CFieldList::Join(int first, int last) const {
  const int count = GetFieldCount();
  if (last < 0 || last >= count) last = count - 1;
  if (first < 0) first = 0;
  std::string joined;
  for (int i = first; i <= last; ++i) {
    if (i > first) joined.push_back(',');
    joined += (*m_fields)[static_cast<std::size_t>(i)];
  }
  return joined;
}

int CFieldList::GetFieldCount() const { return m_fields ? static_cast<int>(m_fields->size()) : 0; }

std::string CFieldList::GetField(int index) const {
  if (index < 0 || index >= GetFieldCount()) return {};
  return (*m_fields)[static_cast<std::size_t>(index)];
}

// ---- CPosition ----

std::string CPosition::Format() const {
  std::string group;
  AppendGroup(group);
  return group;
}

void CPosition::AppendGroup(std::string& out) const {
  char text[2 * kNumberRoom + 32];
  char* p = WriteFixed3(text, m_latitude, 8);
  *p++ = ',';
  *p++ = m_latitudeHemisphere;
  *p++ = ',';
  p = WriteFixed3(p, m_longitude, 9);
  *p++ = ',';
  *p++ = m_longitudeHemisphere;
  *p++ = ',';
  p = WritePadded(p, m_altitude, 4);
  *p++ = ',';
  *p++ = m_altitudeUnit;
  out.append(text, static_cast<std::size_t>(p - text));
}

bool CPosition::Parse(std::string_view text, CDiagnostic* why) {
  // Plain split into views; the group needs fields 1 to 6, so the line needs at least seven.
  std::string_view fields[7];
  std::size_t count = 0;
  for (;;) {
    const auto comma = text.find(',');
    if (count < 7) fields[count] = text.substr(0, comma);
    ++count;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (count < 7) return Fail(why, "position needs 7 fields, not " + std::to_string(count));
  return ParseFields(fields, count, why);
}

bool CPosition::ParseFields(const std::string_view* fields, std::size_t count, CDiagnostic* why) {
  if (count < 7) return Fail(why, "position needs 7 fields, not " + std::to_string(count));
  CPosition parsed;
  if (!ScanDouble(fields[1], parsed.m_latitude)) return Fail(why, "latitude " + Quoted(fields[1]) + " is not a number");
  if (!(parsed.m_latitude >= 0)) return Fail(why, "latitude " + Quoted(fields[1]) + " is negative");
  if (fields[2] != "N" && fields[2] != "S")
    return Fail(why, "latitude hemisphere " + Quoted(fields[2]) + " is not N or S");
  parsed.m_latitudeHemisphere = fields[2][0];
  if (!ScanDouble(fields[3], parsed.m_longitude))
    return Fail(why, "longitude " + Quoted(fields[3]) + " is not a number");
  if (!(parsed.m_longitude >= 0)) return Fail(why, "longitude " + Quoted(fields[3]) + " is negative");
  if (fields[4] != "W" && fields[4] != "E")
    return Fail(why, "longitude hemisphere " + Quoted(fields[4]) + " is not W or E");
  parsed.m_longitudeHemisphere = fields[4][0];
  if (!ScanInt(fields[5], parsed.m_altitude)) return Fail(why, "altitude " + Quoted(fields[5]) + " is not a number");
  if (fields[6] != "F" && fields[6] != "M") return Fail(why, "altitude unit " + Quoted(fields[6]) + " is not F or M");
  parsed.m_altitudeUnit = fields[6][0];
  *this = parsed;
  return true;
}

bool CPosition::SetLatitude(double ddmm) {
  if (std::isnan(ddmm)) return false;
  m_latitude = std::fabs(ddmm);
  m_latitudeHemisphere = ddmm < 0 ? 'N' : 'S';
  return true;
}

bool CPosition::SetLongitude(double dddmm) {
  if (std::isnan(dddmm)) return false;
  m_longitude = std::fabs(dddmm);
  m_longitudeHemisphere = dddmm < 0 ? 'W' : 'E';
  return true;
}

bool CPosition::SetAltitude(double altitude) {
  const double floored = std::floor(altitude);
  // Converting a value outside the integer's range would be undefined, so it is refused.
  if (!(floored >= std::numeric_limits<std::int32_t>::min() && floored <= std::numeric_limits<std::int32_t>::max()))
    return false;
  m_altitude = static_cast<std::int32_t>(floored);
  return true;
}

bool CPosition::SetAltitudeUnit(std::string_view unit) {
  if (unit != "F" && unit != "M") return false;
  m_altitudeUnit = unit[0];
  return true;
}

double CPosition::GetSignedLatitude() const { return m_latitudeHemisphere == 'S' ? m_latitude : -m_latitude; }

double CPosition::GetSignedLongitude() const { return m_longitudeHemisphere == 'E' ? m_longitude : -m_longitude; }

double CPosition::GetAltitudeMetres() const { return m_altitudeUnit == 'F' ? m_altitude * 0.3048 : m_altitude; }

// ---- CRouteEntry ----

std::string CRouteEntry::Format() const { return m_name + "," + m_icon; }

bool CRouteEntry::Parse(std::string_view text, CDiagnostic* why) {
  const auto comma = text.find(',');
  if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos)
    return Fail(why, "route entry " + Quoted(text) + " is not two fields");
  const std::string_view icon = text.substr(comma + 1);
  if (!IsIcon(icon)) return IconFails(icon, why);
  m_name.assign(text.substr(0, comma));
  m_icon.assign(icon);
  return true;
}

bool CRouteEntry::SetName(std::string_view name) {
  m_name = StoredText(name);
  return true;
}

bool CRouteEntry::SetIcon(std::string_view icon) {
  if (!IsIcon(icon)) return false;
  m_icon.assign(icon);
  return true;
}

// ---- CSentence ----

void CSentence::CFieldViews::Clear() {
  m_size = 0;
  m_more.clear();
}

void CSentence::CFieldViews::PushMore(std::string_view field) {
  if (m_more.empty()) m_more.assign(m_inline, m_inline + m_size);
  m_more.push_back(field);
  ++m_size;
}

int CSentence::Split(std::string_view text) {
  const int count = CFieldList::Split(text);
  auto& fields = Fields();
  const auto star = fields.back().rfind('*');
  if (count <= 1 || star == std::string::npos) {
    fields.clear();
    return 0;
  }
  std::string checksum = fields.back().substr(star + 1);
  fields.back().erase(star);
  fields.push_back(std::move(checksum));
  return static_cast<int>(fields.size());
}

std::string CSentence::Format() const {
  std::string line;
  AppendLine(line);
  return line;
}

void CSentence::AppendLine(std::string& out, std::string_view lineEnd, CLocalTimeCache* times) const {
  const std::size_t start = out.size();
  char header[] = "$PTVLxxx,";
  std::memcpy(header + 5, kCodes[Type()].data(), 3);
  out.append(header, sizeof header - 1);
  AppendBody(out, times);
  const std::uint8_t sum = Checksum(std::string_view(out).substr(start + 1));
  char tail[8];
  tail[0] = '*';
  WriteHex2(tail + 1, sum);
  out.append(tail, 3);
  out.append(lineEnd);
}

bool CSentence::Parse(std::string_view text, CDiagnostic* why) {
  CFieldViews fields;
  return Verify(text, fields, why);
}

bool CSentence::Verify(std::string_view text, CFieldViews& fields, CDiagnostic* why) const {
  text = WithoutLineEnd(text);
  fields.Clear();
  const auto star = text.rfind('*');
  const auto lastComma = text.rfind(',');
  // The checksum is what follows the last '*' of the last field; without a comma there is only one field.
  if (star == std::string_view::npos || lastComma == std::string_view::npos || star < lastComma)
    return Fail(why, "sentence " + Quoted(text) + " has no checksum");
  const std::string_view body = text.substr(0, star);
  // One pass splits the fields and sums the bytes after the '$'.
  std::uint8_t sum = 0;
  std::size_t fieldStart = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (i > 0) sum ^= static_cast<std::uint8_t>(c);
    if (c == ',') {
      fields.Push(body.substr(fieldStart, i - fieldStart));
      fieldStart = i + 1;
    }
  }
  fields.Push(body.substr(fieldStart));
  const std::string_view checksumField = text.substr(star + 1);
  fields.Push(checksumField);
  if (fields.Size() <= 2) return Fail(why, "sentence has " + std::to_string(fields.Size()) + " fields");

  const std::string_view code = kCodes[Type()];
  const std::string_view header = fields[0];
  if (header.size() != 1 + kTalker.size() + code.size() || header[0] != '$' ||
      header.substr(1, kTalker.size()) != kTalker || header.substr(1 + kTalker.size()) != code)
    return Fail(why, "header " + Quoted(header) + " is not $" + std::string(kTalker) + std::string(code));
  unsigned written = 0;
  if (checksumField.size() != 2) return Fail(why, "checksum field " + Quoted(checksumField) + " is not two characters");
  if (!ScanHex(checksumField, written)) return Fail(why, "checksum " + Quoted(checksumField) + " is not hexadecimal");
  if (written != sum) {
    char computed[2];
    WriteHex2(computed, sum);
    return Fail(why, "checksum " + std::string(checksumField) + " does not match " + std::string(computed, 2));
  }
  return true;
}

// ---- CWplSentence ----

bool CWplSentence::Parse(std::string_view text, CDiagnostic* why) {
  CFieldViews fields;
  if (!Verify(text, fields, why)) return false;
  if (fields.Size() != 11 && fields.Size() != 12) return FieldCountFails("waypoint", fields.Size(), why);
  CWplSentence parsed;
  if (!parsed.m_position.ParseFields(fields.Data(), fields.Size(), why)) return false;
  if (!IsIcon(fields[9])) return IconFails(fields[9], why);
  if (fields.Size() == 12) {
    // The unit may add a number after the icon; it must be one, but its value is not used.
    std::int32_t ignored = 0;
    if (!ScanInt(fields[10], ignored))
      return Fail(why, "field after the icon " + Quoted(fields[10]) + " is not a number");
  }
  parsed.m_name.assign(fields[7]);
  parsed.m_comment.assign(fields[8]);
  parsed.m_icon.assign(fields[9]);
  *this = std::move(parsed);
  return true;
}

void CWplSentence::AppendBody(std::string& out, CLocalTimeCache*) const {
  m_position.AppendGroup(out);
  out.push_back(',');
  out.append(m_name);
  out.push_back(',');
  out.append(m_comment);
  out.push_back(',');
  out.append(m_icon);
}

bool CWplSentence::SetPosition(const CPosition& position) {
  m_position = position;
  return true;
}

bool CWplSentence::SetName(std::string_view name) {
  m_name = StoredText(name);
  return true;
}

bool CWplSentence::SetComment(std::string_view comment) {
  m_comment = StoredText(comment);
  return true;
}

bool CWplSentence::SetIcon(std::string_view icon) {
  if (!IsIcon(icon)) return false;
  m_icon.assign(icon);
  return true;
}

// ---- CRteSentence ----

bool CRteSentence::Parse(std::string_view text, CDiagnostic* why) {
  CFieldViews fields;
  if (!Verify(text, fields, why)) return false;
  CRteSentence parsed;
  if (!parsed.ParseHeader(fields, why)) return false;
  *this = std::move(parsed);
  return true;
}

bool CRteSentence::ParseHeader(const CFieldViews& fields, CDiagnostic* why) {
  // The route name is field 5; with fewer than 7 fields that would be the checksum.
  if (fields.Size() < 7) return FieldCountFails("route", fields.Size(), why);
  std::uint32_t total = 0, number = 0;
  if (!ScanUnsigned(fields[1], total)) return Fail(why, "route total " + Quoted(fields[1]) + " is not a number");
  if (!SetTotal(total)) return Fail(why, "route total " + std::to_string(total) + " is not allowed");
  if (!ScanUnsigned(fields[2], number))
    return Fail(why, "route sentence number " + Quoted(fields[2]) + " is not a number");
  if (!SetNumber(number))
    return Fail(why,
                "route sentence number " + std::to_string(number) + " is not within 1 to " + std::to_string(total));
  if (!CheckKind(fields[3])) return Fail(why, "route kind " + Quoted(fields[3]) + " is not allowed");
  m_kind = fields[3][0];
  if (!ScanInt(fields[4], m_routeNumber)) return Fail(why, "route number " + Quoted(fields[4]) + " is not a number");
  m_routeName.assign(fields[5]);
  return true;
}

bool CRteSentence::CheckKind(std::string_view kind) const { return kind.size() == 1; }

void CRteSentence::AppendBody(std::string& out, CLocalTimeCache*) const {
  // Total and number are written signed, as the unit's own files have them.
  AppendPadded(out, static_cast<std::int32_t>(m_total), 0);
  out.push_back(',');
  AppendPadded(out, static_cast<std::int32_t>(m_number), 0);
  out.push_back(',');
  out.push_back(m_kind);
  out.push_back(',');
  AppendPadded(out, m_routeNumber, 0);
  out.push_back(',');
  out.append(m_routeName);
}

bool CRteSentence::SetTotal(std::uint32_t total) {
  if (total == 0 || total < m_number) return false;
  m_total = total;
  return true;
}

bool CRteSentence::SetNumber(std::uint32_t number) {
  if (number == 0 || number > m_total) return false;
  m_number = number;
  return true;
}

bool CRteSentence::SetKind(std::string_view kind) {
  // The kind check of the class also guards the setter, so that a route sentence never holds a
  // kind its own parse would refuse when the file is read back.
  if (!CheckKind(kind)) return false;
  m_kind = kind[0];
  return true;
}

bool CRteSentence::SetRouteNumber(std::int32_t routeNumber) {
  m_routeNumber = routeNumber;
  return true;
}

bool CRteSentence::SetRouteName(std::string_view routeName) {
  m_routeName = StoredText(routeName);
  return true;
}

// ---- CRteWaypointsSentence ----

CRteWaypointsSentence::CRteWaypointsSentence() { SetKind("c"); }

bool CRteWaypointsSentence::CheckKind(std::string_view kind) const { return kind == "c"; }

bool CRteWaypointsSentence::Parse(std::string_view text, CDiagnostic* why) {
  CFieldViews fields;
  if (!Verify(text, fields, why)) return false;
  CRteWaypointsSentence parsed;
  if (!parsed.ParseHeader(fields, why)) return false;
  const std::size_t count = fields.Size();
  if (count % 2 == 0) return Fail(why, "route sentence has an odd number of entry fields");
  for (std::size_t i = 6; i + 2 <= count; i += 2) {
    if (!IsIcon(fields[i + 1])) return IconFails(fields[i + 1], why);
    // An entry without a name refers to no waypoint and is left out.
    if (fields[i].empty()) continue;
    CRouteEntry& entry = parsed.m_entries.emplace_back();
    entry.m_name.assign(fields[i]);
    entry.m_icon.assign(fields[i + 1]);
  }
  *this = std::move(parsed);
  return true;
}

void CRteWaypointsSentence::AppendBody(std::string& out, CLocalTimeCache* times) const {
  CRteSentence::AppendBody(out, times);
  for (const CRouteEntry& entry : m_entries) {
    out.push_back(',');
    out.append(entry.GetName());
    out.push_back(',');
    out.append(entry.GetIcon());
  }
}

bool CRteWaypointsSentence::AddEntry(const CRouteEntry& entry) {
  m_entries.push_back(entry);
  return true;
}

// ---- CTrkSentence ----

bool CTrkSentence::Parse(std::string_view text, CDiagnostic* why) { return ParseWithCache(text, why, nullptr); }

bool CTrkSentence::ParseWithCache(std::string_view text, CDiagnostic* why, CLocalTimeCache* times) {
  CFieldViews fields;
  if (!Verify(text, fields, why)) return false;
  if (fields.Size() != 12) return FieldCountFails("track", fields.Size(), why);
  CTrkSentence parsed;
  if (!parsed.m_position.ParseFields(fields.Data(), fields.Size(), why)) return false;

  unsigned short date[3] = {0, 0, 0};
  if (ScanDate(fields[10], date) != 3) return Fail(why, "track date " + Quoted(fields[10]) + " is not ddmmyy");
  unsigned short clock[4] = {0, 0, 0, 0};
  if (ScanTime(fields[7], clock) != 4) return Fail(why, "track time " + Quoted(fields[7]) + " is not hhmmss.hh");
  const unsigned day = date[0], month = date[1], year = date[2];
  const unsigned hour = clock[0], minute = clock[1], second = clock[2], hundredths = clock[3];
  if (month < 1 || month > 12 || day < 1 || day > 31)
    return Fail(why, "track date " + Quoted(fields[10]) + " is out of range");
  if (hour > 23 || minute > 59 || second > 99) return Fail(why, "track time " + Quoted(fields[7]) + " is out of range");
  // Two digits can only exceed 99 through a minus sign; such a year or hundredths could not be
  // written back, so the line is refused.
  if (year > 99) return Fail(why, "track date " + Quoted(fields[10]) + " is out of range");
  if (hundredths > 99) return Fail(why, "track time " + Quoted(fields[7]) + " is out of range");
  // The last minute of 2099 may not carry into 2100, which two year digits would write as 2000.
  if (year == 99 && month == 12 && day == 31 && hour == 23 && minute == 59 && second > 59)
    return Fail(why, "track time " + Quoted(fields[7]) + " carries past 2099");

  // Seconds above 59 carry into the next minute, as the calendar normalisation does.
  const int y = 2000 + static_cast<int>(year);
  std::time_t time = 0;
  if (times != nullptr) {
    time = times->MakeTime(y, static_cast<int>(month), static_cast<int>(day), static_cast<int>(hour),
                           static_cast<int>(minute), static_cast<int>(second));
  } else {
    std::tm local{};
    local.tm_year = y - 1900;
    local.tm_mon = static_cast<int>(month) - 1;
    local.tm_mday = static_cast<int>(day);
    local.tm_hour = static_cast<int>(hour);
    local.tm_min = static_cast<int>(minute);
    local.tm_sec = static_cast<int>(second);
    local.tm_isdst = -1;
    time = std::mktime(&local);
  }
  if (time == static_cast<std::time_t>(-1)) return Fail(why, "track date and time cannot be represented");
  if (fields[8] != "A" && fields[8] != "V") return Fail(why, "track validity " + Quoted(fields[8]) + " is not A or V");

  parsed.m_time = time;
  parsed.m_hundredths = static_cast<std::uint8_t>(hundredths);
  parsed.m_validity = fields[8][0];
  parsed.m_name.assign(fields[9]);
  *this = std::move(parsed);
  return true;
}

void CTrkSentence::AppendBody(std::string& out, CLocalTimeCache* times) const {
  std::tm local{};
  if (times != nullptr)
    times->BreakDown(m_time, local);
  else if (localtime_r(&m_time, &local) == nullptr)
    local = std::tm{};
  m_position.AppendGroup(out);
  // Every part is below 100 (a leap second is 60), so two digits each.
  char text[16];
  char* p = text;
  *p++ = ',';
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_hour));
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_min));
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_sec));
  *p++ = '.';
  p = WriteTwoDigits(p, m_hundredths);
  *p++ = ',';
  *p++ = m_validity;
  *p++ = ',';
  out.append(text, static_cast<std::size_t>(p - text));
  out.append(m_name);
  p = text;
  *p++ = ',';
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_mday));
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_mon + 1));
  p = WriteTwoDigits(p, static_cast<unsigned>(((local.tm_year + 1900) % 100 + 100) % 100));
  out.append(text, static_cast<std::size_t>(p - text));
}

bool CTrkSentence::SetPosition(const CPosition& position) {
  m_position = position;
  return true;
}

bool CTrkSentence::SetTime(std::time_t time) {
  m_time = time;
  return true;
}

bool CTrkSentence::SetHundredths(unsigned hundredths) {
  if (hundredths > 99) return false;
  m_hundredths = static_cast<std::uint8_t>(hundredths);
  return true;
}

bool CTrkSentence::SetValid(bool valid) {
  m_validity = valid ? 'A' : 'V';
  return true;
}

bool CTrkSentence::SetName(std::string_view name) {
  m_name = StoredText(name);
  return true;
}

bool CTrkSentence::FillName(std::string_view defaultName) {
  const auto trimmed = [](std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || (text.back() >= '\t' && text.back() <= '\r'))) text.remove_suffix(1);
    return text;
  };
  if (!trimmed(m_name).empty()) return true;
  const std::string_view fallback = trimmed(defaultName);
  if (!fallback.empty()) m_name = StoredText(fallback);
  return true;
}

// ---- CCmdEndSentence ----

bool CCmdEndSentence::Parse(std::string_view text, CDiagnostic* why) {
  CFieldViews fields;
  if (!Verify(text, fields, why)) return false;
  if (fields.Size() != 3) return FieldCountFails("end", fields.Size(), why);
  if (fields[1] != "END") return Fail(why, "command " + Quoted(fields[1]) + " is not END");
  return true;
}

void CCmdEndSentence::AppendBody(std::string& out, CLocalTimeCache*) const { out.append("END"); }
