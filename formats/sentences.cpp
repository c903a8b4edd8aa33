// Writing and parsing of the unit's sentences.
#include "formats/sentences.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

#include "formats/number_codec.h"
#include "platform/local_time.h"

namespace {

// A track name up to this length is written with the rest of its line in one piece.
constexpr std::size_t kShortName = 64;

constexpr std::string_view kTalker = "PTVL";
constexpr std::string_view kCodes[] = {"RTE", "WPL", "TRK", "CMD", "XXX"};

// Field text for a message, clipped so that a huge line does not make a huge reason.
std::string Quoted(std::string_view text) {
  constexpr std::size_t kMax = 32;
  if (text.size() <= kMax) return "'" + std::string(text) + "'";
  return "'" + std::string(text.substr(0, kMax)) + "...'";
}

// A one-character field that is one of two letters; compared as characters, as this runs for
// several fields of every line.
bool IsOneOf(std::string_view field, char a, char b) { return field.size() == 1 && (field[0] == a || field[0] == b); }

void AppendPadded(std::string& out, long long value, int width) {
  char text[32];
  out.append(text, static_cast<std::size_t>(WritePadded(text, value, width) - text));
}

// Stored texts never contain a comma, which would split the field. A line break would split the
// line, and a NUL byte make it no sentence, leaving a file that cannot be read back: either becomes
// a blank.
std::string StoredText(std::string_view text) {
  std::string stored(text);
  for (char& c : stored) {
    if (c == ',')
      c = '.';
    else if (c == '\r' || c == '\n' || c == '\0')
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

// Folds a word's bytes into one by XOR.
std::uint8_t FoldXor(std::uint64_t word) {
  word ^= word >> 32;
  word ^= word >> 16;
  word ^= word >> 8;
  return static_cast<std::uint8_t>(word);
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
  // XOR is the same taken a word at a time: the bytes of the folded word XOR to the sum.
  const char* p = text.data();
  std::size_t left = text.size();
  std::uint64_t folded = 0;
  for (; left >= 8; p += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    folded ^= word;
  }
  auto sum = FoldXor(folded);
  for (; left > 0; --left) sum ^= static_cast<std::uint8_t>(*p++);
  return sum;
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
  out.append(text, static_cast<std::size_t>(WriteGroup(text) - text));
}

char* CPosition::WriteGroup(char* p) const {
  p = WriteFixed3(p, m_latitude, 8);
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
  return p;
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
  if (!IsOneOf(fields[2], 'N', 'S')) return Fail(why, "latitude hemisphere " + Quoted(fields[2]) + " is not N or S");
  parsed.m_latitudeHemisphere = fields[2][0];
  if (!ScanDouble(fields[3], parsed.m_longitude))
    return Fail(why, "longitude " + Quoted(fields[3]) + " is not a number");
  if (!(parsed.m_longitude >= 0)) return Fail(why, "longitude " + Quoted(fields[3]) + " is negative");
  if (!IsOneOf(fields[4], 'W', 'E')) return Fail(why, "longitude hemisphere " + Quoted(fields[4]) + " is not W or E");
  parsed.m_longitudeHemisphere = fields[4][0];
  if (!ScanInt(fields[5], parsed.m_altitude)) return Fail(why, "altitude " + Quoted(fields[5]) + " is not a number");
  if (!IsOneOf(fields[6], 'F', 'M')) return Fail(why, "altitude unit " + Quoted(fields[6]) + " is not F or M");
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
  if (!IsOneOf(unit, 'F', 'M')) return false;
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

std::uint8_t CSentence::SplitAndSum(std::string_view body, CFieldViews& fields) {
  const char* const start = body.data();
  const std::size_t size = body.size();
  std::size_t fieldStart = 0;
  std::size_t i = 0;
  std::uint64_t folded = 0;
  const auto push = [&](std::size_t comma) {
    fields.Push(std::string_view(start + fieldStart, comma - fieldStart));
    fieldStart = comma + 1;
  };
  if constexpr (std::endian::native == std::endian::little) {
    // Eight bytes at a time: their XOR, and a mark on the high bit of each byte that is a comma
    // (exact, without the false marks of the shorter zero-byte test).
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kCommas = 0x2C2C2C2C2C2C2C2CULL;
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, start + i, sizeof word);
      folded ^= word;
      const std::uint64_t x = word ^ kCommas;
      std::uint64_t marks = ~(((x & kLow7) + kLow7) | x | kLow7);
      if (marks == 0) continue;
      if (fields.HasInlineRoom(8)) {
        for (; marks != 0; marks &= marks - 1) {
          const std::size_t comma = i + static_cast<std::size_t>(std::countr_zero(marks)) / 8;
          fields.PushInline(std::string_view(start + fieldStart, comma - fieldStart));
          fieldStart = comma + 1;
        }
      } else {
        for (; marks != 0; marks &= marks - 1) push(i + static_cast<std::size_t>(std::countr_zero(marks)) / 8);
      }
    }
  }
  auto sum = FoldXor(folded);
  for (; i < size; ++i) {
    sum ^= static_cast<std::uint8_t>(start[i]);
    if (start[i] == ',') push(i);
  }
  fields.Push(std::string_view(start + fieldStart, size - fieldStart));
  // The sum leaves out the '$'.
  return size == 0 ? sum : static_cast<std::uint8_t>(sum ^ static_cast<std::uint8_t>(start[0]));
}

bool CSentence::Verify(std::string_view text, CFieldViews& fields, CDiagnostic* why) const {
  text = WithoutLineEnd(text);
  fields.Clear();
  const auto star = text.rfind('*');
  const auto lastComma = text.rfind(',');
  // The checksum is what follows the last '*' of the last field; without a comma there is only one field.
  if (star == std::string_view::npos || lastComma == std::string_view::npos || star < lastComma)
    return Fail(why, "sentence " + Quoted(text) + " has no checksum");
  const std::uint8_t sum = SplitAndSum(text.substr(0, star), fields);
  const std::string_view checksumField = text.substr(star + 1);
  fields.Push(checksumField);
  if (fields.Size() <= 2) return Fail(why, "sentence has " + std::to_string(fields.Size()) + " fields");

  const std::string_view code = kCodes[Type()];
  const std::string_view header = fields[0];
  char expected[8] = {'$', 'P', 'T', 'V', 'L'};
  std::memcpy(expected + 5, code.data(), 3);
  if (header.size() != sizeof expected || std::memcmp(header.data(), expected, sizeof expected) != 0)
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

bool CWplSentence::Check(std::string_view text, CFieldViews& fields, CPosition& position, CDiagnostic* why) const {
  if (!Verify(text, fields, why)) return false;
  if (fields.Size() != 11 && fields.Size() != 12) return FieldCountFails("waypoint", fields.Size(), why);
  if (!position.ParseFields(fields.Data(), fields.Size(), why)) return false;
  if (!IsIcon(fields[9])) return IconFails(fields[9], why);
  if (fields.Size() == 12) {
    // The unit may add a number after the icon; it must be one, but its value is not used.
    std::int32_t ignored = 0;
    if (!ScanInt(fields[10], ignored))
      return Fail(why, "field after the icon " + Quoted(fields[10]) + " is not a number");
  }
  return true;
}

bool CWplSentence::Parse(std::string_view text, CDiagnostic* why) {
  CFieldViews fields;
  CPosition position;
  if (!Check(text, fields, position, why)) return false;
  // Everything was checked: the values go in place, into the room the last sentence's took.
  m_position = position;
  m_name.assign(fields[7]);
  m_comment.assign(fields[8]);
  m_icon.assign(fields[9]);
  return true;
}

bool CWplSentence::ParseTaking(std::string&& text, CDiagnostic* why) {
  CFieldViews fields;
  CPosition position;
  if (!Check(text, fields, position, why)) return false;
  m_position = position;
  m_icon.assign(fields[9]);
  // The longer of name and comment keeps the line's room: its bytes move to the front of it.
  const bool nameLonger = fields[7].size() >= fields[8].size();
  const std::string_view kept = nameLonger ? fields[7] : fields[8];
  (nameLonger ? m_comment : m_name).assign(nameLonger ? fields[8] : fields[7]);
  const auto at = static_cast<std::size_t>(kept.data() - text.data());
  std::string& taker = nameLonger ? m_name : m_comment;
  taker = std::move(text);
  taker.erase(0, at);
  taker.resize(kept.size());
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

bool CRteWaypointsSentence::CheckKind(std::string_view kind) const { return kind.size() == 1 && kind[0] == 'c'; }

bool CRteWaypointsSentence::Parse(std::string_view text, CDiagnostic* why) {
  CFieldViews fields;
  if (!Verify(text, fields, why)) return false;
  // The header's setters check against the values they replace, so it is read into a new sentence.
  CRteWaypointsSentence parsed;
  if (!parsed.ParseHeader(fields, why)) return false;
  const std::size_t count = fields.Size();
  if (count % 2 == 0) return Fail(why, "route sentence has an odd number of entry fields");
  for (std::size_t i = 6; i + 2 <= count; i += 2)
    if (!IsIcon(fields[i + 1])) return IconFails(fields[i + 1], why);
  // Everything was checked: the entries go in place, into the room the last sentence's took.
  CRteSentence::operator=(std::move(parsed));
  std::size_t kept = 0;
  for (std::size_t i = 6; i + 2 <= count; i += 2) {
    // An entry without a name refers to no waypoint and is left out.
    if (fields[i].empty()) continue;
    CRouteEntry& entry = kept < m_entries.size() ? m_entries[kept] : m_entries.emplace_back();
    entry.m_name.assign(fields[i]);
    entry.m_icon.assign(fields[i + 1]);
    ++kept;
  }
  m_entries.resize(kept);
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
    time = platform::FromLocalTime(local);
  }
  if (time == static_cast<std::time_t>(-1)) return Fail(why, "track date and time cannot be represented");
  if (!IsOneOf(fields[8], 'A', 'V')) return Fail(why, "track validity " + Quoted(fields[8]) + " is not A or V");

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
  else
    platform::ToLocalTime(m_time, local);
  // The whole body in one piece (every line of a long log comes here); a long name goes apart.
  char text[2 * kNumberRoom + 64 + kShortName];
  char* p = m_position.WriteGroup(text);
  // Every part is below 100 (a leap second is 60), so two digits each.
  *p++ = ',';
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_hour));
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_min));
  p = WriteTwoDigits(p, static_cast<unsigned>(local.tm_sec));
  *p++ = '.';
  p = WriteTwoDigits(p, m_hundredths);
  *p++ = ',';
  *p++ = m_validity;
  *p++ = ',';
  if (m_name.size() > kShortName) {
    out.append(text, static_cast<std::size_t>(p - text));
    out.append(m_name);
    p = text;
  } else {
    std::memcpy(p, m_name.data(), m_name.size());
    p += m_name.size();
  }
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
